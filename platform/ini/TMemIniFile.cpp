#include "platform/ini/TMemIniFile.h"

#include "platform/fs/FileSystem.h"
#include "platform/ini/FileReplace.h"
#include "platform/ini/IniSyntax.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

std::string_view nameOf(std::string_view line) {
    size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view() : line.substr(0, eq);
}

std::string_view valueOf(std::string_view line) {
    size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
}

} // namespace

TMemIniFile::TMemIniFile(std::string fileName) : fileName_(std::move(fileName)) {
    // Settings and designs are small text files: a device, a FIFO (whose
    // open would wait for a writer) or a huge file reads as empty.
    std::string text;
    if (ReadRegularFile(fileName_, text, kMaxSettingsFileBytes)) SetText(text);
}

void TMemIniFile::SetText(std::string_view text) {
    sections_.clear();
    // An editor may have saved the file with a UTF-8 byte-order mark; it
    // must not hide the first section's name.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Section* current = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        // Lines end in CR LF, LF or CR.
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = TrimView(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        start = end + 1;

        if (line.empty() || IsCommentLine(line)) continue;
        std::string_view name, value;
        if (IsSectionLine(line)) {
            sections_.push_back({std::string(SectionNameOf(line)), {}});
            current = &sections_.back();
        } else if (current) {
            if (SplitKeyLine(line, name, value))
                current->lines.push_back(std::string(name) + "=" + std::string(value));
            else
                current->lines.emplace_back(line);
        }
    }
}

std::string TMemIniFile::GetText() const {
    std::string out;
    for (const Section& s : sections_) {
        out += "[" + s.name + "]\r\n";
        for (const std::string& line : s.lines)
            out += line + "\r\n";
        out += "\r\n";
    }
    return out;
}

const TMemIniFile::Section* TMemIniFile::find(std::string_view section) const {
    for (const Section& s : sections_)
        if (EqualsNoCase(s.name, section)) return &s;
    return nullptr;
}

TMemIniFile::Section* TMemIniFile::find(std::string_view section) {
    return const_cast<Section*>(static_cast<const TMemIniFile*>(this)->find(section));
}

long TMemIniFile::indexOfName(const Section& s, std::string_view ident) {
    for (size_t i = 0; i < s.lines.size(); ++i) {
        size_t eq = s.lines[i].find('=');
        if (eq != std::string::npos &&
            EqualsNoCase(std::string_view(s.lines[i]).substr(0, eq), ident))
            return static_cast<long>(i);
    }
    return -1;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view ident,
                                    std::string_view def) const {
    const Section* s = find(section);
    if (!s) return std::string(def);
    long i = indexOfName(*s, ident);
    return i < 0 ? std::string(def) : std::string(valueOf(s->lines[static_cast<size_t>(i)]));
}

void TMemIniFile::WriteString(std::string_view section, std::string_view ident,
                              std::string_view value) {
    Section* s = find(section);
    if (!s) {
        sections_.push_back({std::string(section), {}});
        s = &sections_.back();
    }
    std::string line = std::string(ident) + "=" + std::string(value);
    // A line break would start a line of its own at the next read, adding
    // keys or sections; CR and LF are never trail bytes.
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    long i = indexOfName(*s, ident);
    if (i >= 0)
        s->lines[static_cast<size_t>(i)] = std::move(line);
    else
        s->lines.push_back(std::move(line));
}

int TMemIniFile::ReadInteger(std::string_view section, std::string_view ident, int def) const {
    int value;
    return ParseInteger(ReadString(section, ident, ""), value) ? value : def;
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
    WriteString(section, ident, std::to_string(value));
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

bool TMemIniFile::SectionExists(std::string_view section) const {
    return find(section) != nullptr;
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view ident) const {
    const Section* s = find(section);
    return s && indexOfName(*s, ident) >= 0;
}

void TMemIniFile::EraseSection(std::string_view section) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it) {
        if (EqualsNoCase(it->name, section)) {
            sections_.erase(it);
            return;
        }
    }
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view ident) {
    Section* s = find(section);
    if (!s) return;
    long i = indexOfName(*s, ident);
    if (i >= 0) s->lines.erase(s->lines.begin() + i);
}

void TMemIniFile::ReadSection(std::string_view section, std::vector<std::string>& list) const {
    list.clear();
    if (const Section* s = find(section))
        for (const std::string& line : s->lines)
            list.emplace_back(nameOf(line));
}

void TMemIniFile::ReadSectionValues(std::string_view section,
                                    std::vector<std::string>& list) const {
    list.clear();
    if (const Section* s = find(section)) list = s->lines;
}

void TMemIniFile::ReadSections(std::vector<std::string>& list) const {
    list.clear();
    for (const Section& s : sections_)
        list.push_back(s.name);
}

void TMemIniFile::UpdateFile() const {
    if (!ReplaceFileBytes(fileName_, GetText()))
        throw EFCreateError("Cannot create file \"" + fileName_ + "\". " + std::strerror(errno));
}

} // namespace platform
