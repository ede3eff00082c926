#pragma once

// The INI file the system reads and writes its settings and designs with:
// the in-memory INI file plus point values ("x,y") and one call that writes
// the image back.

#include "platform/ini/TMemIniFile.h"

#include <string>
#include <string_view>
#include <utility>

class TIniFileEx : public platform::TMemIniFile {
public:
    using TMemIniFile::TMemIniFile;

    // Writes the memory image to the file; throws platform::EFCreateError
    // when it cannot (the old file is then intact).
    void Flush() { UpdateFile(); }

    // Two integers in comma text; a half that is missing or not a number
    // is -1 ("10" reads as (10, -1)).
    std::pair<int, int> ReadPoint(std::string_view section, std::string_view ident,
                                  std::string_view def) const;
    void WritePoint(std::string_view section, std::string_view ident, int x, int y);
};

// fileName made absolute against baseFolder (relative names resolve there,
// absolute ones come back as they are, "." and ".." are folded, and a
// backslash counts as a separator); unchanged when either is empty. The
// process's current folder is never touched: downloads run on other threads.
std::string ExpandRelativePath(std::string_view fileName, std::string_view baseFolder);
