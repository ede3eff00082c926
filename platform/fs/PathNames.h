#pragma once

// File-name arithmetic on Shift_JIS paths, as the class library does it.
// "/" and "." are below 0x40 and so never trail bytes.

#include <string>
#include <string_view>

namespace platform {

// The file name's extension (from its last dot) replaced by ext, or ext
// appended when it has none.
std::string ChangeFileExt(std::string_view path, std::string_view ext);
// The folder part, without a trailing slash ("" for a bare name).
std::string ExtractFileDir(std::string_view path);
std::string ExtractFileName(std::string_view path);
std::string IncludeTrailingPathDelimiter(std::string_view path);

} // namespace platform
