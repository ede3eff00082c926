#pragma once

#include <string_view>

namespace platform {

// The class library's integer text: leading blanks, a sign, decimal or "$"
// (or "0x") hexadecimal, within 32 bits (hexadecimal may use all 32). False
// for anything else.
bool ParseInteger(std::string_view text, int& value);

inline int StrToIntDef(std::string_view text, int fallback) {
    int value;
    return ParseInteger(text, value) ? value : fallback;
}

} // namespace platform
