#include "engine/html/JapaneseCodes.h"
#include "engine/html/zelHtml.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct Case {
    const char* name;
    std::string bytes;
    uint8_t code; // decoder state before reading
    uint8_t hint;
    std::vector<uint16_t> chars;
    uint8_t codeAfter;
};

std::vector<uint16_t> readAll(zelHtml& html) {
    std::vector<uint16_t> out;
    while (!html.AtEnd()) {
        uint16_t c = html.ReadChar();
        if (c == 0 && html.AtEnd()) break; // a closing escape sequence yields nothing
        out.push_back(c);
    }
    return out;
}

const uint8_t U = zelHtml::CodeUnknown, S = zelHtml::CodeSjis, E = zelHtml::CodeEuc,
              J = zelHtml::CodeJis, W = zelHtml::CodeUtf8;

const Case kCases[] = {
    {"euc pair", "\xA4\xA2", E, 2, {0x82A0}, E},
    {"euc half-width kana", "\x8E\xB1", E, 2, {0xB1}, E},
    {"euc ascii", "a<", E, 2, {'a', '<'}, E},
    {"iso-2022-jp escapes yield nothing", "\x1B$B\x24\x22\x1B(B", J, 2, {0x82A0}, J},
    {"iso-2022-jp ascii around kanji", "a\x1B$@\x30\x21\x1B(Jb", J, 2, {'a', 0x889F, 'b'}, J},
    {"iso-2022-jp ESC & @ enters kanji", "\x1B&@\x24\x22", J, 2, {0x82A0}, J},
    {"iso-2022-jp unknown escape ignored", "\x1B*Xa", J, 2, {'X', 'a'}, J},
    {"sjis", "\x82\xA0\xB1", S, 2, {0x82A0, 0xB1}, S},
    {"detect: 0x82 is Shift_JIS", "ab\x82\xA0\xA4\xA2", U, 2, {'a', 'b', 0x82A0, 0xA4, 0xA2}, S},
    {"detect: 0xFD is EUC-JP", "\xFD\xA1\xA4\xA2", U, 2, {EucToSjis(0xFDA1), 0x82A0}, E},
    {"detect: ESC is ISO-2022-JP", "\x1B$B\x24\x22", U, 2, {0x82A0}, J},
    {"detect: E0-FC with low trail is Shift_JIS", "\xE0\x40", U, 2, {0xE040}, S},
    {"detect: E0-FC with FE trail is EUC-JP", "\xE0\xFE", U, 2, {EucToSjis(0xE0FE)}, E},
    {"detect: undecided pair read as EUC under hint 2", "\xB0\xA1", U, 2, {0x889F}, U},
    {"detect: undecided lead E0-FC read as EUC under hint 2",
     "\xE4\xB8",
     U,
     2,
     {EucToSjis(0xE4B8)},
     U},
    {"detect: undecided pair read as Shift_JIS otherwise", "\xE4\xB8", U, 1, {0xE4B8}, U},
    {"detect: half-width kana pass under hint 1", "\xB1\xC1", U, 1, {0xB1, 0xC1}, U},
    {"detect: kana then ascii steps back",
     "\xB1"
     "a",
     U,
     2,
     {0xB1, 'a'},
     S},
    {"detect: A0-DF then FE trail is EUC", "\xA4\xFE", U, 2, {EucToSjis(0xA4FE)}, E},
    {"utf-8 hiragana", "\xE3\x81\x82", W, 2, {0x82A0}, W},
    {"utf-8 one-way mapping", "\xE3\x80\x9C", W, 2, {0x8160}, W},
    {"utf-8 half-width kana", "\xEF\xBD\xB1", W, 2, {0xB1}, W},
    {"utf-8 character code page 932 lacks", "\xF0\x9F\x98\x80z", W, 2, {kSjisGeta, 'z'}, W},
    {"utf-8 cut short keeps the next byte",
     "\xE3\x81"
     "a",
     W,
     2,
     {'?', 'a'},
     W},
    {"utf-8 stray continuation",
     "\x80\x81"
     "a",
     W,
     2,
     {'?', '?', 'a'},
     W},
    {"utf-8 overlong", "\xE0\x80\xAF", W, 2, {'?'}, W},
    {"utf-8 surrogate", "\xED\xA0\x80", W, 2, {'?'}, W},
    {"utf-8 invalid lead", "\xC0\xAF", W, 2, {'?', '?'}, W},
    {"utf-8 truncated at end", "\xF0\x9F", W, 2, {'?'}, W},
    {"sjis lead at end of data", "a\x82", S, 2, {'a', '?'}, S},
    {"sjis lead before NUL keeps the NUL",
     "\x82\x00"
     "a"s,
     S,
     2,
     {'?', 0, 'a'},
     S},
    {"euc pair decoding to nothing", "\x80\x80", E, 2, {'?'}, E},
};

} // namespace

TEST(ReadChar, DecodesEachCodeAndDecidesOpenOnes) {
    for (const Case& c : kCases) {
        zelHtml html;
        html.Attach(c.bytes);
        html.Code = c.code;
        html.CodeHint = c.hint;
        EXPECT_EQ(readAll(html), c.chars) << c.name;
        EXPECT_EQ(html.Code, c.codeAfter) << c.name;
    }
}

TEST(ReadChar, EndOfDataAndNulBothReadAsZero) {
    zelHtml html;
    html.Attach(std::string("a\0b", 3));
    html.Code = zelHtml::CodeSjis;
    EXPECT_EQ(html.ReadChar(), 'a');
    EXPECT_EQ(html.ReadChar(), 0);
    EXPECT_EQ(html.ReadChar(), 'b');
    EXPECT_EQ(html.ReadChar(), 0);
    EXPECT_EQ(html.ReadChar(), 0);
    EXPECT_TRUE(html.AtEnd());
}
