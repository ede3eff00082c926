#include "engine/site/StampFinder.h"

#include "tests/site/SiteTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The matched text in UTF-8, or "-" when there is no stamp.
std::string stampOf(const std::string& text) {
    std::string s = sjis(text);
    std::optional<StampMatch> m = FindStamp(s);
    return m ? utf8(s.substr(m->pos, m->length)) : "-";
}

} // namespace

TEST(FindStamp, BracketsOfEveryKindHoldAStamp) {
    struct Case {
        const char* text;
        const char* stamp;
    } cases[] = {
        {"ニュース見出し（12/25 10:30）", "（12/25 10:30）"},
        {"ニュース [12/25]", "[12/25]"},
        {"見出し (23:59)", "(23:59)"},
        {"見出し <1/2>", "<1/2>"},
        {"見出し ［1/2］", "［1/2］"},
        {"見出し 〈10時30分〉", "〈10時30分〉"},
        {"見出し ＜2026/12/25＞ 続き", "＜2026/12/25＞"},
        {"見出し (12/25 更新) 続き", "(12/25 更新)"},
        {"見出し（速報 [12/25]）", "（速報 [12/25]）"},
        {"(a) 見出し (10:30:99)", "(10:30:99)"}, // seconds are not checked
    };
    for (const Case& c : cases)
        EXPECT_EQ(stampOf(c.text), c.stamp) << c.text;
}

TEST(FindStamp, BareStampsCountOnlyAtTheEnd) {
    struct Case {
        const char* text;
        const char* stamp;
    } cases[] = {
        {"ニュース見出し 12/25 10:30", "12/25 10:30"},
        {"ニュース見出し10時30分", "10時30分"},
        {"12/25 ニュース見出し", "-"},
        {"(a) 12/25", "12/25"},
        // The run starts at the first digit whose tail ends in a stamp.
        {"第3回 会議 12/25", "3回 会議 12/25"},
        {"見出し 12/25 (注", "-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stampOf(c.text), c.stamp) << c.text;
}

TEST(FindStamp, InvalidStampsAreIgnored) {
    for (const char* text :
         {"見出し (13/40)", "見出し (24:00)", "見出し (0/5)", "見出し (12/32)", "見出し (10:60)",
          "見出し (10時30)", "見出し 10時", "見出し (12/)", "見出し (1:)", "見出し (12/25",
          "見出し (99999999999999999999/1)", "", "見出し"})
        EXPECT_EQ(stampOf(text), "-") << text;
}

TEST(FindStamp, TwoByteCharactersAreNeverSplit) {
    // "ア" is 0x83 0x41 and "＞" is 0x81 0x84; "ｱ" (0xB1) is one byte.
    EXPECT_EQ(stampOf("ア(1/2)ア"), "(1/2)");
    EXPECT_EQ(stampOf("ｱｱ 1/2"), "1/2");
    // 0x81 0x29 is not a character of the page but must not read as ")".
    std::string s = "(1/2\x81)";
    EXPECT_FALSE(FindStamp(s));
}

TEST(FindStamp, HostileTextIsWalkedInLinearTime) {
    std::string brackets(200000, '(');
    EXPECT_FALSE(FindStamp(brackets));
    std::string numbers;
    for (int i = 0; i < 100000; ++i)
        numbers += "1 ";
    numbers += "1";
    EXPECT_FALSE(FindStamp(numbers));
    std::string dates;
    for (int i = 0; i < 50000; ++i)
        dates += "1/2 ";
    dates += "x";
    EXPECT_FALSE(FindStamp(dates));
    dates += " 3:04";
    ASSERT_TRUE(FindStamp(dates));
    EXPECT_EQ(FindStamp(dates)->pos, 0u);
}
