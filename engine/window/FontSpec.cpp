#include "engine/window/FontSpec.h"

#include "platform/gdi/TFont.h"
#include "platform/text/CommaText.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <cstdint>
#include <vector>

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

} // namespace

void ParseFontSpec(std::string_view spec, std::string& name, int& height, int& charset,
                   uint8_t& style) {
    size_t at = SjisFindNoCase(spec, "font=");
    if (at != std::string_view::npos) spec = spec.substr(at + 5);
    std::vector<std::string> items = SplitCommaText(spec);
    while (items.size() < 2)
        items.emplace_back();

    if (!items[0].empty()) {
        name = items[0];
        charset = 1;
    }
    int64_t size = StrToIntDef(items[1], 0);
    if (size < 0)
        height = ClampFontHeight(static_cast<int>(size));
    else if (size > 0)
        height = -static_cast<int>(std::min<int64_t>(size * 96 / 72, kMaxFontHeight));

    items.erase(items.begin(), items.begin() + 2);
    if (items.empty()) return;
    for (std::string& item : items)
        item = SjisUpperCase(item);

    for (const auto& [word, value] : kCharsets) {
        auto it = std::find(items.begin(), items.end(), word);
        if (it != items.end()) {
            charset = value;
            items.erase(it);
            break;
        }
    }
    auto has = [&](std::string_view word) {
        return std::find(items.begin(), items.end(), word) != items.end();
    };
    if (has("NORMAL") || has("BOLD") || has("ITALIC") || has("UNDERLINE") || has("STRIKEOUT")) {
        style = 0;
        if (has("BOLD")) style |= fsBold;
        if (has("ITALIC")) style |= fsItalic;
        if (has("UNDERLINE")) style |= fsUnderline;
        if (has("STRIKEOUT")) style |= fsStrikeOut;
    }
}
