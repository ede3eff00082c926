#pragma once

// Writes a settings file back without losing it: a temporary file beside it
// is renamed over it where the folder allows, so a crash or a full disk
// leaves the old text or the new, never half; the file keeps its mode and
// owner, and a symbolic link keeps pointing at it. Where no temporary file
// can take its place (a read-only folder, an owner or group this process
// cannot give, further hard links), the file is rewritten in place and its
// old bytes are put back if that fails.

#include <string_view>

namespace platform {

// False with errno when neither way could write the file. Temporary files
// that killed saves of the same file left behind are removed first.
bool ReplaceFileBytes(std::string_view sjisPath, std::string_view bytes);
// Only that removal, for a program's start.
void RemoveStaleReplacements(std::string_view sjisPath);

} // namespace platform
