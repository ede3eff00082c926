#pragma once

// The class library's in-memory INI file: the whole file is read when the
// object is made, reads and writes work on the memory image, and nothing
// reaches the disk before UpdateFile. Sections and keys are looked up
// ignoring the case of ASCII letters; values are kept exactly as written (no
// quotes removed). A section that appears more than once reads as one, in
// file order, and a write makes it one.
//
// The image is the file's own text: a write changes the one line of its key
// (or adds one after the section's last line, or the section at the end), so
// comments, blank lines, unknown keys, spacing, line ends and the order of
// sections all survive. Text is Shift_JIS inside; a file that is UTF-8 (valid
// UTF-8 holding characters of three bytes or more, as Japanese text does, or
// starting with a byte-order mark) reads as Shift_JIS and goes back as
// UTF-8, byte for byte what it was except for the lines written.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Settings and designs are text files; a larger one is not read.
constexpr size_t kMaxSettingsFileBytes = 64u << 20;

// The file could not be written; the memory image is unchanged.
class EFCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TMemIniFile {
public:
    // A missing file gives an empty image. One that exists but cannot be
    // read whole (too large, no regular file, no permission) gives an empty
    // image too, and ReadError says why.
    explicit TMemIniFile(std::string fileName);
    virtual ~TMemIniFile() = default;

    const std::string& FileName() const { return fileName_; }
    // Why the file could not be read ("" when it was, or when there was
    // none). Such an image is never written over the file.
    const std::string& ReadError() const { return readError_; }
    // The file is UTF-8 and goes back as UTF-8.
    bool Utf8() const { return utf8_; }

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
    // Key names of a section, its "name=value" lines (trimmed; a line
    // without "=" as it stands), and all section names.
    void ReadSection(std::string_view section, std::vector<std::string>& list) const;
    void ReadSectionValues(std::string_view section, std::vector<std::string>& list) const;
    void ReadSections(std::vector<std::string>& list) const;
    // Puts these lines in place of the section's value lines, in order, in
    // one pass: comments and blank lines among them stay where they are,
    // surplus value lines go, further ones follow the section's last line.
    void WriteSectionValues(std::string_view section, const std::vector<std::string>& lines);

    // Writes the image to FileName (see ReplaceFileBytes: the old text
    // survives a failure, the file keeps its mode, owner and links). Throws
    // EFCreateError when it cannot be written, or when the file was there
    // but could not be read (its text would be lost).
    void UpdateFile() const;

    // The image as file text, and an image read from file text.
    std::string GetText() const;
    void SetText(std::string_view text);

private:
    struct Line {
        size_t begin, end, next; // content [begin, end), line break [end, next)
    };
    Line lineAt(size_t pos) const;
    std::string_view contentOf(const Line& line) const;
    // Indexes into headers_ of the parts of a section, in file order.
    std::vector<size_t> partsOf(std::string_view section) const;
    // The part's first line of that key, and its value.
    bool findKey(size_t part, std::string_view ident, Line& line, std::string_view& value) const;
    size_t bodyBegin(size_t part) const;
    size_t bodyEnd(size_t part) const;
    // The section as one part (later parts moved to the end of the first);
    // the part's index, or SIZE_MAX when there is none.
    size_t joinParts(std::string_view section);
    // Where a line added to the part goes: after its last line that is not
    // blank, or after the header.
    size_t appendPoint(size_t part) const;
    void insertLine(size_t pos, const std::string& line);
    void splice(size_t pos, size_t length, std::string_view with);
    void findHeaders();

    std::string fileName_;
    std::string text_;            // Shift_JIS, without the byte-order mark
    std::vector<size_t> headers_; // where each section line starts
    std::string eol_ = "\r\n";    // how new lines end: as the file's first does
    bool utf8_ = false;
    bool byteOrderMark_ = false;
    std::string readError_;
};

} // namespace platform
