#include "platform/text/Numbers.h"

#include <cstdint>

namespace platform {

bool ParseInteger(std::string_view s, int& out) {
    size_t p = 0;
    while (p < s.size() && s[p] == ' ')
        ++p;
    bool negative = false;
    if (p < s.size() && (s[p] == '-' || s[p] == '+')) negative = s[p++] == '-';
    bool hex = false;
    if (p < s.size() && s[p] == '$') {
        hex = true;
        ++p;
    } else if (p + 1 < s.size() && s[p] == '0' && (s[p + 1] == 'x' || s[p + 1] == 'X')) {
        hex = true;
        p += 2;
    }
    if (p >= s.size()) return false;
    uint64_t value = 0;
    for (; p < s.size(); ++p) {
        int digit = hex ? HexValue(s[p]) : (s[p] >= '0' && s[p] <= '9' ? s[p] - '0' : -1);
        if (digit < 0) return false;
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > (hex ? 0xFFFFFFFFull : 0x80000000ull)) return false;
    }
    if (hex) {
        // Hexadecimal covers all 32 bits: $FFFFFFFF is -1.
        // Negated as unsigned: -$80000000 wraps to itself instead of overflowing.
        auto bits = static_cast<uint32_t>(value);
        out = static_cast<int32_t>(negative ? 0u - bits : bits);
        return true;
    }
    if (!negative && value > 0x7FFFFFFF) return false;
    out = negative ? static_cast<int>(-static_cast<int64_t>(value)) : static_cast<int>(value);
    return true;
}

} // namespace platform
