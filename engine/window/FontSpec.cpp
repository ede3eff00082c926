#include "engine/window/FontSpec.h"

#include "platform/gdi/TFont.h"
#include "platform/text/CommaTextReader.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

using namespace platform;

// "\"ＭＳ Ｐゴシック\",-12,DEFAULT"
const char* const kDefaultFontSpec =
    "\"\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E\",-12,DEFAULT";

namespace {

// Tried in this order; the first that occurs wins.
constexpr std::pair<std::string_view, int> kCharsets[] = {
    {"ANSI", 0},          {"DEFAULT", 1},      {"SYMBOL", 2},    {"MAC", 77},
    {"SHIFTJIS", 128},    {"HANGEUL", 129},    {"JOHAB", 130},   {"GB2312", 134},
    {"CHINESEBIG5", 136}, {"GREEK", 161},      {"TURKISH", 162}, {"VIETNAMESE", 163},
    {"HEBREW", 177},      {"ARABIC", 178},     {"BALTIC", 186},  {"RUSSIAN", 204},
    {"THAI", 222},        {"EASTEUROPE", 238}, {"OEM", 255},
};

// Any of these clears the style first; NORMAL adds nothing.
constexpr std::pair<std::string_view, uint8_t> kStyles[] = {
    {"NORMAL", 0},
    {"BOLD", fsBold},
    {"ITALIC", fsItalic},
    {"UNDERLINE", fsUnderline},
    {"STRIKEOUT", fsStrikeOut},
};

} // namespace

void ParseFontSpec(std::string_view spec, std::string& name, int& height, int& charset,
                   uint8_t& style) {
    size_t at = SjisFindNoCase(spec, "font=");
    if (at != std::string_view::npos) spec = spec.substr(at + 5);
    // Items are read one at a time: a hostile design may follow the size
    // with millions of them.
    platform::CommaTextReader items(spec);
    std::string item;
    items.Next(item);
    if (!item.empty()) {
        name = item;
        charset = 1;
    }
    items.Next(item);
    int64_t size = StrToIntDef(item, 0);
    if (size < 0)
        height = ClampFontHeight(static_cast<int>(size));
    else if (size > 0)
        height = -static_cast<int>(std::min<int64_t>(size * 96 / 72, kMaxFontHeight));

    // The charset word earliest in the table wins, wherever it stands.
    size_t charsetWord = std::size(kCharsets);
    bool styleWord = false;
    uint8_t styles = 0;
    while (items.Next(item)) {
        std::string word = SjisUpperCase(item);
        for (size_t i = 0; i < charsetWord; ++i)
            if (word == kCharsets[i].first) charsetWord = i;
        for (const auto& [styleName, bit] : kStyles) {
            if (word != styleName) continue;
            styleWord = true;
            styles |= bit;
        }
    }
    if (charsetWord < std::size(kCharsets)) charset = kCharsets[charsetWord].second;
    if (styleWord) style = styles;
}
