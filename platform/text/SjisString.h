#pragma once

// String helpers for Shift_JIS text. A byte 0x81-0x9F or 0xE0-0xFC starts a
// two-byte character whose trail byte (0x40-0xFC) may look like ASCII: none
// of these helpers ever changes, matches at or cuts before a trail byte.

#include <string>
#include <string_view>

namespace platform {

constexpr bool IsSjisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr bool IsSjisTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Bytes of the character starting at pos: 2 for a lead byte with a byte after
// it, else 1.
inline size_t SjisCharLength(std::string_view s, size_t pos) {
    return IsSjisLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size() ? 2 : 1;
}

// Only single-byte ASCII letters change case, as on a Japanese system.
std::string SjisLowerCase(std::string_view s);
std::string SjisUpperCase(std::string_view s);

// Position of the first occurrence of needle at a character boundary at or
// after from (which must itself be a boundary), or npos.
size_t SjisFind(std::string_view haystack, std::string_view needle, size_t from = 0);
// The same, ignoring the case of ASCII letters.
size_t SjisFindNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);

bool SjisContains(std::string_view haystack, std::string_view needle);
bool EqualsNoCase(std::string_view a, std::string_view b);
inline bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// Every occurrence of from (at character boundaries, left to right, not
// rescanning replaced text) replaced by to.
std::string SjisReplaceAll(std::string_view s, std::string_view from, std::string_view to);
std::string SjisReplaceAllNoCase(std::string_view s, std::string_view from, std::string_view to);
// The first occurrence only.
std::string SjisReplaceFirst(std::string_view s, std::string_view from, std::string_view to);

// Removes blanks and control characters (bytes up to 0x20) from the ends.
// A byte up to 0x20 is never a trail byte, so cutting from the right is safe.
inline std::string_view TrimView(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20)
        --e;
    return s.substr(b, e - b);
}
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

} // namespace platform
