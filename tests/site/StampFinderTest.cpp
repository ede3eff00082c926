#include "engine/site/StampFinder.h"

#include "tests/site/SiteTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The matched text in UTF-8, or "-" when there is no stamp.
std::string stampOf(const std::string& text, bool extended) {
    std::string s = sjis(text);
    std::optional<StampMatch> m = FindStamp(s, extended);
    return m ? utf8(s.substr(m->pos, m->length)) : "-";
}

// The rules both modes share give the same stamps in each.
std::string stampOf(const std::string& text) {
    std::string exact = stampOf(text, false);
    std::string extended = stampOf(text, true);
    EXPECT_EQ(exact, extended) << text;
    return exact;
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
    for (bool extended : {false, true}) {
        for (std::string s : {"(1/2\x81)",
                              "(\x81"
                              "1/2)",
                              "(\x82"
                              "1/2)",
                              // "モ" (0x83 0x82) then "O": not "１".
                              "\x83\x82O/2)", "(\x83\x82O:30)"})
            EXPECT_FALSE(FindStamp(s, extended)) << extended << ' ' << s;
    }
}

TEST(FindStamp, HostileTextIsWalkedInLinearTime) {
    for (bool extended : {false, true}) {
        std::string brackets(200000, '(');
        EXPECT_FALSE(FindStamp(brackets, extended));
        std::string numbers;
        for (int i = 0; i < 100000; ++i)
            numbers += "1 ";
        numbers += "1";
        EXPECT_FALSE(FindStamp(numbers, extended));
        std::string dates;
        for (int i = 0; i < 50000; ++i)
            dates += "1/2 ";
        dates += "x";
        EXPECT_FALSE(FindStamp(dates, extended));
        dates += " 3:04";
        ASSERT_TRUE(FindStamp(dates, extended));
        EXPECT_EQ(FindStamp(dates, extended)->pos, 0u);
    }
    // Japanese dates and full-width brackets, each followed by a word that
    // keeps it from ending the text.
    std::string japanese;
    for (int i = 0; i < 30000; ++i)
        japanese += sjis("3月17日 配信 （１） ");
    japanese += "x";
    EXPECT_FALSE(FindStamp(japanese, true));
    japanese += sjis(" 12月1日配信");
    ASSERT_TRUE(FindStamp(japanese, true));
    EXPECT_EQ(FindStamp(japanese, true)->pos, 0u);
}

TEST(FindStamp, ExtendedReadsJapaneseDatesFullWidthAndMixedBrackets) {
    struct Case {
        const char* text;
        const char* exact;    // the stamp without the extended rules
        const char* extended; // and with them
    } cases[] = {
        {"新駅の開業日が決定（4月12日）", "-", "（4月12日）"},
        {"見出し（3月17日 夕刊）", "-", "（3月17日 夕刊）"},
        {"見出し（2018年3月17日）", "-", "（2018年3月17日）"},
        {"見出し（4月18日 01:28）原発", "（4月18日 01:28）", "（4月18日 01:28）"},
        {"見出し（4月18日 10時05分）", "（4月18日 10時05分）", "（4月18日 10時05分）"},
        {"見出し 3月17日", "-", "3月17日"},
        {"見出し 2018年3月17日 10:05", "2018年3月17日 10:05", "2018年3月17日 10:05"},
        {"見出し…3月17日 10時05分配信", "-", "3月17日 10時05分配信"},
        {"見出し 3月17日 更新", "-", "3月17日 更新"},
        {"見出し 12/25 10:30　発表", "-", "12/25 10:30　発表"},
        {"3月17日 見出し", "-", "-"},
        {"見出し 12/25 配信 続き", "-", "-"},
        {"見出し 12/25 夕刊", "-", "-"},
        {"見出し 配信", "-", "-"},
        {"見出し（３月１７日）", "-", "（３月１７日）"},
        {"見出し［１２/８ １０：３０］", "-", "［１２/８ １０：３０］"},
        {"見出し（１２／２５）", "-", "（１２／２５）"},
        {"見出し １２：３０", "-", "１２：３０"},
        {"見出し（１０時３０分）", "-", "（１０時３０分）"},
        {"見出し（２４：００）", "-", "-"},
        {"複合（01:11)", "-", "（01:11)"},
        {"複合 (01:11）", "-", "(01:11）"},
        {"見出し［12/8] 続き", "-", "［12/8]"},
        {"見出し [12/8］ 続き", "-", "[12/8］"},
        {"見出し ＜12/8> 続き", "-", "＜12/8>"},
        {"見出し 〈12/8> 続き", "-", "〈12/8>"},
        {"見出し <12/8＞ 続き", "-", "<12/8＞"},
        // The other Japanese brackets, after a headline's link.
        {"見出し【2018年3月14日】", "-", "【2018年3月14日】"},
        {"見出し〔3月14日〕 続き", "-", "〔3月14日〕"},
        {"見出し《12/8 10:30》 続き", "-", "《12/8 10:30》"},
        {"見出し【速報】", "-", "-"},
        // A date is a month and a day, in range.
        {"見出し（12月）", "-", "-"},
        {"見出し 12月", "-", "-"},
        {"見出し（13月1日）", "-", "-"},
        {"見出し（0月1日）", "-", "-"},
        {"見出し（12月32日）", "-", "-"},
        {"見出し（12月0日）", "-", "-"},
        {"見出し（2018年）", "-", "-"},
        {"見出し（2018年度）", "-", "-"},
        {"見出し（2018年13月1日）", "-", "-"},
        {"見出し（3月17）", "-", "-"},
        {"見出し（3日）", "-", "-"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(stampOf(c.text, false), c.exact) << c.text;
        EXPECT_EQ(stampOf(c.text, true), c.extended) << c.text;
    }
}
