// Every JIS X 0208 character that iconv can convert must come out of our own
// EUC-JP and ISO-2022-JP decoding as the same Shift_JIS bytes.

#include "engine/html/JapaneseCodes.h"
#include "engine/html/zelHtml.h"
#include "platform/text/Iconv.h"

#include <gtest/gtest.h>

namespace {

uint16_t asChar(const std::string& bytes) {
    if (bytes.size() == 1) return static_cast<unsigned char>(bytes[0]);
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                 static_cast<unsigned char>(bytes[1]));
}

// Reads one page with the decoder fixed to a code; returns its characters.
std::vector<uint16_t> decode(const std::string& page, uint8_t code) {
    zelHtml html;
    html.Attach(page);
    html.Code = code;
    std::vector<uint16_t> chars;
    while (uint16_t c = html.ReadChar())
        chars.push_back(c);
    return chars;
}

} // namespace

TEST(IconvAgreement, EucJpAndIso2022JpAgreeWithIconvOnEveryConvertibleCharacter) {
    platform::Iconv fromEuc("CP932", "EUC-JP");
    platform::Iconv fromJis("CP932", "ISO-2022-JP");
    ASSERT_TRUE(fromEuc.valid());
    ASSERT_TRUE(fromJis.valid());

    int compared = 0;
    for (unsigned row = 0x21; row <= 0x7E; ++row) {
        for (unsigned cell = 0x21; cell <= 0x7E; ++cell) {
            std::string euc{static_cast<char>(row | 0x80), static_cast<char>(cell | 0x80)};
            std::string expected;
            if (fromEuc.convert(euc, expected) != euc.size() || expected.size() != 2) continue;
            ++compared;
            uint16_t want = asChar(expected);
            ASSERT_EQ(EucToSjis(static_cast<uint16_t>(row << 8 | cell | 0x8080)), want)
                << std::hex << row << ' ' << cell;

            std::string jis =
                std::string("\x1B$B") + static_cast<char>(row) + static_cast<char>(cell) + "\x1B(B";
            std::string viaIconv;
            ASSERT_EQ(fromJis.convert(jis, viaIconv), jis.size());
            ASSERT_EQ(viaIconv, expected);
            ASSERT_EQ(decode(jis, zelHtml::CodeJis), std::vector<uint16_t>{want})
                << std::hex << row << ' ' << cell;
        }
    }
    // JIS X 0208 has 6879 characters; a handful (such as the wave dash)
    // have no code page 932 counterpart in iconv.
    EXPECT_GT(compared, 6800);

    for (unsigned kana = 0xA1; kana <= 0xDF; ++kana) {
        std::string euc{'\x8E', static_cast<char>(kana)};
        std::string expected;
        ASSERT_EQ(fromEuc.convert(euc, expected), 2u);
        EXPECT_EQ(decode(euc, zelHtml::CodeEuc), std::vector<uint16_t>{asChar(expected)});
    }
}
