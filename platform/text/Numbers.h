#pragma once

#include <string_view>

namespace platform {

// The class library's integer text: leading blanks, a sign, decimal or "$"
// (or "0x") hexadecimal, within 32 bits (hexadecimal may use all 32). False
// for anything else.
bool ParseInteger(std::string_view text, int& value);

// The value of a hexadecimal digit, -1 for any other character.
constexpr int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
constexpr bool IsHexDigit(char c) {
    return HexValue(c) >= 0;
}

inline int StrToIntDef(std::string_view text, int fallback) {
    int value;
    return ParseInteger(text, value) ? value : fallback;
}

} // namespace platform
