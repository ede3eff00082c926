#include "platform/text/SjisString.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {
const std::string kKatakanaA = "\x83\x41"; // "ア": its trail byte is "A"
const std::string kDo = "\x83\x68";        // "ド": its trail byte is "h"
} // namespace

TEST(SjisString, CaseChangesNeverTouchTrailBytes) {
    EXPECT_EQ(SjisLowerCase("AB" + kKatakanaA + "C"), "ab" + kKatakanaA + "c");
    EXPECT_EQ(SjisUpperCase("ab" + kDo + "z"), "AB" + kDo + "Z");
    // Half-width katakana are single bytes and not letters.
    EXPECT_EQ(SjisLowerCase("\xB1\xC1"), "\xB1\xC1");
}

TEST(SjisString, SearchMatchesOnlyAtCharacterBoundaries) {
    EXPECT_EQ(SjisFind(kKatakanaA, "A"), std::string::npos);
    EXPECT_EQ(SjisFind(kKatakanaA + "A", "A"), 2u);
    EXPECT_EQ(SjisFind(kDo + "ref=1 href=2", "href"), 8u);
    EXPECT_EQ(SjisFindNoCase("x" + kKatakanaA + "HREF", "href"), 3u);
    EXPECT_EQ(SjisFind("abcabc", "abc", 1), 3u);
    EXPECT_EQ(SjisFind("abc", "abc", 4), std::string::npos);
    EXPECT_FALSE(SjisContains(kKatakanaA, "A"));
}

TEST(SjisString, ComparisonsIgnoreCaseOfAsciiOnly) {
    EXPECT_TRUE(EqualsNoCase("</SCRIPT>", "</script>"));
    // "ア" (0x83 0x41) and "ャ" (0x83 0x61) differ only in a trail byte's "case".
    EXPECT_FALSE(EqualsNoCase(kKatakanaA, "\x83\x61"));
    EXPECT_TRUE(StartsWithNoCase("<Script src=x>", "<script"));
    EXPECT_FALSE(StartsWithNoCase("<scr", "<script"));
}

TEST(SjisString, ReplacementSkipsTrailBytesAndDoesNotRescan) {
    EXPECT_EQ(SjisReplaceAll(kKatakanaA + "A", "A", "b"), kKatakanaA + "b");
    EXPECT_EQ(SjisReplaceAllNoCase("&AMP;lt;&amp;", "&amp;", "&"), "&lt;&");
    EXPECT_EQ(SjisReplaceAll("aaa", "aa", "a"), "aa");
    EXPECT_EQ(SjisReplaceFirst("x y z", " ", ""), "xy z");
    EXPECT_EQ(SjisReplaceAll("abc", "", "x"), "abc");
}

TEST(SjisString, TrimRemovesBlanksAndControlsButNotFullWidthSpace) {
    EXPECT_EQ(Trim(" \t\r\n" + kKatakanaA + " \x01"), kKatakanaA);
    EXPECT_EQ(Trim("\x81\x40"), "\x81\x40");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim("   "), "");
}
