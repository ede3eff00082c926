#pragma once

// Stands in for the private-profile functions: each call reads or changes
// one key of an INI file on disk. A change rewrites only the key's line (or
// adds one to its section, or the section at the end) and keeps every other
// byte: comments, lines before the first section, spacing, line ends.
// The edit is the in-memory INI file's own: a section that appears more
// than once reads as one and is made one, its first key counts, ASCII case
// is ignored, and a UTF-8 file stays UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The value, without one pair of surrounding double or single quotes; def
// when the file, section or key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::string_view fileName);
// False (the file untouched) for names or a value that cannot be written as
// one line, or when the file cannot be written (errno tells why).
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view fileName);
// True also when there was no such key (the file is then not written).
bool DeletePrivateProfileKey(std::string_view section, std::string_view key,
                             std::string_view fileName);

// The text edit behind both: sets key to value, or deletes it when value is
// empty. Nullopt when the names or value cannot be written as one line.
std::optional<std::string> EditProfileText(std::string_view text, std::string_view section,
                                           std::string_view key,
                                           std::optional<std::string_view> value);

} // namespace platform
