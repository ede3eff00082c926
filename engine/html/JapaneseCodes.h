#pragma once

// Conversions between the Japanese codes pages arrive in. A character is a
// 16-bit value: below 256 a single byte, otherwise lead byte * 256 + trail byte.
// Inline: the page reader calls them once a character.

#include <cstdint>

// "〓", shown for a character the page has but Shift_JIS cannot hold.
constexpr uint16_t kSjisGeta = 0x81AC;

// JIS X 0208 (both bytes 0x21-0x7E) to Shift_JIS. Values below 256 pass
// unchanged; a pair outside the JIS range becomes "〓" (0x81AC).
constexpr uint16_t JisToSjis(uint16_t c) {
    if (c < 0x100) return c;
    unsigned j1 = c >> 8;
    unsigned j2 = c & 0xFF;
    // Damaged pages carry pairs outside the table; the formula below would
    // turn them into bytes that are not Shift_JIS at all (even NUL).
    if (j1 < 0x21 || j1 > 0x7E || j2 < 0x21 || j2 > 0x7E) return kSjisGeta;
    unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    unsigned s2 = (j1 & 1) ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E;
    return static_cast<uint16_t>(s1 << 8 | s2);
}

// EUC-JP to JIS: 0x8E xx (half-width katakana) becomes xx; any other pair
// loses bit 7 of both bytes.
constexpr uint16_t EucToJis(uint16_t c) {
    if (c < 0x100) return c;
    if ((c >> 8) == 0x8E) return c & 0xFF;
    return c & 0x7F7F;
}

constexpr uint16_t EucToSjis(uint16_t c) {
    return JisToSjis(EucToJis(c));
}
