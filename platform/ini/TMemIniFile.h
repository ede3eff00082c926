#pragma once

// The class library's in-memory INI file: the whole file is read when the
// object is made, reads and writes work on the memory image, and nothing
// reaches the disk before UpdateFile. Sections and keys keep their file
// order and are looked up ignoring the case of ASCII letters; values are
// kept exactly as written (no quotes removed). Text is Shift_JIS, lines end
// in CR LF, there is no byte-order mark.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Settings and designs are small text files; a larger one reads as empty.
constexpr size_t kMaxSettingsFileBytes = 16u << 20;

// The file could not be written; the memory image is unchanged.
class EFCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TMemIniFile {
public:
    // A missing or unreadable file gives an empty image.
    explicit TMemIniFile(std::string fileName);
    virtual ~TMemIniFile() = default;

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view ident,
                           std::string_view def) const;
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);
    // Decimal, "$" or "0x" hexadecimal, within 32 bits; anything else gives def.
    int ReadInteger(std::string_view section, std::string_view ident, int def) const;
    void WriteInteger(std::string_view section, std::string_view ident, int value);
    bool ReadBool(std::string_view section, std::string_view ident, bool def) const;
    void WriteBool(std::string_view section, std::string_view ident, bool value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view ident) const;
    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view ident);
    // Key names of a section, its "name=value" lines, and all section names.
    void ReadSection(std::string_view section, std::vector<std::string>& list) const;
    void ReadSectionValues(std::string_view section, std::vector<std::string>& list) const;
    void ReadSections(std::vector<std::string>& list) const;

    // Writes the image to FileName (see ReplaceFileBytes: the old text
    // survives a failure, the file keeps its mode, owner and links). Throws
    // EFCreateError when it cannot be written.
    void UpdateFile() const;

    // The image as file text, and an image read from file text.
    std::string GetText() const;
    void SetText(std::string_view text);

private:
    struct Section {
        std::string name;
        std::vector<std::string> lines; // "name=value", or a line without "="
    };
    const Section* find(std::string_view section) const;
    Section* find(std::string_view section);
    static long indexOfName(const Section& s, std::string_view ident);

    std::string fileName_;
    std::vector<Section> sections_;
};

} // namespace platform
