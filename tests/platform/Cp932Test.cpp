#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {
// "～①髙あア" in Shift_JIS (code page 932) and in UTF-8.
const std::string kSjis = "\x81\x60\x87\x40\xFB\xFC\x82\xA0\x83\x41";
const std::string kUtf8 = "\xEF\xBD\x9E\xE2\x91\xA0\xE9\xAB\x99\xE3\x81\x82\xE3\x82\xA2";
} // namespace

TEST(Cp932, VendorCharactersSurviveTheRoundTrip) {
    EXPECT_EQ(SjisToUtf8(kSjis), kUtf8);
    EXPECT_EQ(Utf8ToSjis(kUtf8), kSjis);
    EXPECT_EQ(Utf16ToSjis(SjisToUtf16(kSjis)), kSjis);
    EXPECT_EQ(SjisToUtf16("A\xB1"), u"A\uFF71");
}

TEST(Cp932, BrokenShiftJisBecomesReplacementCharacterWithoutLosingNeighbours) {
    EXPECT_EQ(SjisToUtf8("a\xA0z"), "a\xEF\xBF\xBDz");
    // A lead byte cut off at the end of the text.
    EXPECT_EQ(SjisToUtf8("ab\x82"), "ab\xEF\xBF\xBD");
    // A lead byte before what cannot be its trail keeps that byte.
    EXPECT_EQ(SjisToUtf8("k\x9D=v\x82\n[S]"), "k\xEF\xBF\xBD=v\xEF\xBF\xBD\n[S]");
}

TEST(Cp932, UnmappableOrMalformedUtf8BecomesQuestionMark) {
    EXPECT_EQ(Utf8ToSjis("a\xF0\x9F\x98\x80z"), "a?z");     // emoji: not in code page 932
    EXPECT_EQ(Utf8ToSjis("a\xE3\x81z"), "a?z");             // cut short, next byte kept
    EXPECT_EQ(Utf8ToSjis("\x80\xE3\x81\x82"), "?\x82\xA0"); // stray continuation byte
    EXPECT_EQ(Utf16ToSjis(u"x\U0001F600y"), "x?y");
}

TEST(Cp932, UnicodeToSjisFollowsIconvIncludingOneWayMappings) {
    struct Case {
        char32_t cp;
        uint16_t sjis;
    } cases[] = {
        {U'A', 0x41},     {U'\\', 0x5C},    {0xFF71, 0xB1},   {0x3042, 0x82A0},
        {0xFF5E, 0x8160}, {0x301C, 0x8160}, {0x2212, 0x817C}, {0x2170, 0xFA40},
        {0x9AD9, 0xFBFC}, {0x1F600, 0},     {0x0000, 0},      {0xD800, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UnicodeToSjis(c.cp), c.sjis) << std::hex << static_cast<uint32_t>(c.cp);
}
