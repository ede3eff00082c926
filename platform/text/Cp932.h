#pragma once

// Shift_JIS (code page 932) is the text of the whole engine; these convert it
// where it meets widgets (UTF-16), the terminal and the file system (UTF-8).

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Bytes that cannot be converted become U+FFFD; a lead byte without its trail
// byte at the end of the text likewise.
std::string SjisToUtf8(std::string_view sjis);
std::u16string SjisToUtf16(std::string_view sjis);

// Characters code page 932 lacks, and malformed input, become "?".
std::string Utf8ToSjis(std::string_view utf8);
std::string Utf16ToSjis(std::u16string_view utf16);

// The code page 932 character for a Unicode code point: a value below 256 is
// one byte, otherwise lead byte * 256 + trail byte. 0 when there is none
// (U+0000 itself included). Thread-safe; the table is built on first use.
uint16_t UnicodeToSjis(char32_t codePoint);

} // namespace platform
