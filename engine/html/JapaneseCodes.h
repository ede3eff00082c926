#pragma once

// Conversions between the Japanese codes pages arrive in. A character is a
// 16-bit value: below 256 a single byte, otherwise lead byte * 256 + trail byte.

#include <cstdint>

// JIS X 0208 (both bytes 0x21-0x7E) to Shift_JIS. Values below 256 pass
// unchanged; a pair outside the JIS range becomes "〓" (0x81AC).
uint16_t JisToSjis(uint16_t c);

// EUC-JP to JIS: 0x8E xx (half-width katakana) becomes xx; any other pair
// loses bit 7 of both bytes.
uint16_t EucToJis(uint16_t c);

uint16_t EucToSjis(uint16_t c);

// "〓", shown for a character the page has but Shift_JIS cannot hold.
constexpr uint16_t kSjisGeta = 0x81AC;
