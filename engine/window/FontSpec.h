#pragma once

// Font specs of window designs: face, size, charset and style
// words in comma text, as in font="ＭＳ Ｐゴシック",12,BOLD,ITALIC.

#include <cstdint>
#include <string>
#include <string_view>

// The font spec every control falls back to.
extern const char* const kDefaultFontSpec; // "\"ＭＳ Ｐゴシック\",-12,DEFAULT", Shift_JIS

// Changes only what spec names: face (the character set then resets to
// DEFAULT), size (negative: height in pixels; positive: points at 96 dpi),
// a charset word and style words. Text before "font=" is skipped.
void ParseFontSpec(std::string_view spec, std::string& name, int& height, int& charset,
                   uint8_t& style);
