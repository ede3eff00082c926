#include "engine/html/JapaneseCodes.h"

#include <gtest/gtest.h>

TEST(JapaneseCodes, JisToSjisMapsBothHalvesOfTheTable) {
    struct Case {
        uint16_t jis, sjis;
    } cases[] = {
        {0x2121, 0x8140}, // 　 first of row 1
        {0x2422, 0x82A0}, // あ
        {0x2560, 0x8380}, // odd row, trail byte skips 0x7F
        {0x255F, 0x837E}, // odd row, last before the skip
        {0x3021, 0x889F}, // 亜, first kanji
        {0x5E7E, 0x9FFC}, // last row below 0xE0 leads
        {0x5F21, 0xE040}, // first row with 0xE0 lead
        {0x7426, 0xEAA4}, // 熙, last of JIS X 0208
        {0x0041, 0x0041}, // single bytes pass
        {0x00B1, 0x00B1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JisToSjis(c.jis), c.sjis) << std::hex << c.jis;
}

TEST(JapaneseCodes, JisPairsOutsideTheTableBecomeGeta) {
    for (uint16_t bad : {0x2020, 0x217F, 0x7F21, 0x0121, 0xFFFF, 0x2100})
        EXPECT_EQ(JisToSjis(bad), kSjisGeta) << std::hex << bad;
}

TEST(JapaneseCodes, EucConversions) {
    EXPECT_EQ(EucToJis(0xA4A2), 0x2422);
    EXPECT_EQ(EucToJis(0x8EB1), 0x00B1); // half-width katakana
    EXPECT_EQ(EucToJis(0x8FA1), 0x0F21); // 0x8F is not special
    EXPECT_EQ(EucToJis(0x0041), 0x0041);
    EXPECT_EQ(EucToSjis(0xA4A2), 0x82A0);
    EXPECT_EQ(EucToSjis(0x8EB1), 0x00B1);
    EXPECT_EQ(EucToSjis(0xB0A1), 0x889F);
}
