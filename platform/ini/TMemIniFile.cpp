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
#include <unordered_set>

namespace platform {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A line break in a name or value would start a line of its own at the next
// read, adding keys or sections; CR and LF are never trail bytes.
std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

bool endsLine(char c) {
    return c == '\r' || c == '\n';
}

// A line that counts as a value of its section: not blank, no comment.
bool isValueLine(std::string_view content) {
    return !content.empty() && !IsCommentLine(content);
}

std::string readErrorText(int error) {
    switch (error) {
    case EFBIG:
        return "it is larger than " + std::to_string(kMaxSettingsFileBytes >> 20) + " MB";
    case EINVAL:
        return "it is not a regular file";
    default:
        return std::strerror(error);
    }
}

} // namespace

TMemIniFile::TMemIniFile(std::string fileName) : fileName_(std::move(fileName)) {
    std::string text;
    if (ReadRegularFile(fileName_, text, kMaxSettingsFileBytes))
        SetText(text);
    else if (errno != ENOENT && !fileName_.empty())
        readError_ = readErrorText(errno);
}

void TMemIniFile::SetText(std::string_view text) {
    byteOrderMark_ = text.starts_with(kByteOrderMark);
    if (byteOrderMark_) text.remove_prefix(kByteOrderMark.size());
    // Two half-width katakana in Shift_JIS can pass for one accented letter
    // in UTF-8, but Japanese in UTF-8 takes three bytes a character, which
    // Shift_JIS text almost never forms: that, or a mark, settles it.
    utf8_ = IsUtf8(text) && (byteOrderMark_ || std::any_of(text.begin(), text.end(), [](char c) {
                                 return static_cast<unsigned char>(c) >= 0xE0;
                             }));
    text_ = utf8_ ? PathFromNative(text) : std::string(text);
    eol_ = "\r\n";
    if (size_t end = text_.find_first_of("\r\n"); end != std::string::npos)
        eol_ = text_.compare(end, 2, "\r\n") == 0 ? "\r\n" : text_.substr(end, 1);
    findHeaders();
}

std::string TMemIniFile::GetText() const {
    std::string out = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    out += utf8_ ? NativePath(text_) : text_;
    return out;
}

TMemIniFile::Line TMemIniFile::lineAt(size_t pos) const {
    size_t end = text_.find_first_of("\r\n", pos);
    if (end == std::string::npos) return {pos, text_.size(), text_.size()};
    size_t next = end + 1;
    if (text_[end] == '\r' && next < text_.size() && text_[next] == '\n') ++next;
    return {pos, end, next};
}

std::string_view TMemIniFile::contentOf(const Line& line) const {
    return TrimView(std::string_view(text_).substr(line.begin, line.end - line.begin));
}

void TMemIniFile::findHeaders() {
    headers_.clear();
    for (size_t pos = 0; pos < text_.size();) {
        Line line = lineAt(pos);
        if (IsSectionLine(contentOf(line))) headers_.push_back(pos);
        pos = line.next;
    }
}

std::vector<size_t> TMemIniFile::partsOf(std::string_view section) const {
    std::vector<size_t> parts;
    for (size_t i = 0; i < headers_.size(); ++i)
        if (EqualsNoCase(SectionNameOf(contentOf(lineAt(headers_[i]))), section))
            parts.push_back(i);
    return parts;
}

size_t TMemIniFile::bodyBegin(size_t part) const {
    return lineAt(headers_[part]).next;
}

size_t TMemIniFile::bodyEnd(size_t part) const {
    return part + 1 < headers_.size() ? headers_[part + 1] : text_.size();
}

void TMemIniFile::splice(size_t pos, size_t length, std::string_view with) {
    text_.replace(pos, length, with);
    for (size_t& header : headers_)
        if (header >= pos + length) header = header - length + with.size();
}

size_t TMemIniFile::joinParts(std::string_view section) {
    std::vector<size_t> parts = partsOf(section);
    if (parts.empty()) return SIZE_MAX;
    if (parts.size() == 1) return parts.front();
    std::string moved;
    for (size_t k = 1; k < parts.size(); ++k) {
        std::string_view body = std::string_view(text_).substr(
            bodyBegin(parts[k]), bodyEnd(parts[k]) - bodyBegin(parts[k]));
        moved += body;
        if (!body.empty() && !endsLine(body.back())) moved += eol_;
    }
    for (size_t k = parts.size() - 1; k >= 1; --k)
        text_.erase(headers_[parts[k]], bodyEnd(parts[k]) - headers_[parts[k]]);
    findHeaders();
    // After the first part's last line, before the blank lines that set it
    // off from the next section.
    size_t point = appendPoint(parts.front());
    if (point > 0 && !endsLine(text_[point - 1])) moved.insert(0, eol_);
    splice(point, 0, moved);
    return parts.front();
}

bool TMemIniFile::findKey(size_t part, std::string_view ident, Line& line,
                          std::string_view& value) const {
    for (size_t pos = bodyBegin(part), end = bodyEnd(part); pos < end; pos = line.next) {
        line = lineAt(pos);
        std::string_view content = contentOf(line), name;
        if (isValueLine(content) && SplitKeyLine(content, name, value) && EqualsNoCase(name, ident))
            return true;
    }
    return false;
}

size_t TMemIniFile::appendPoint(size_t part) const {
    size_t point = bodyBegin(part);
    for (size_t pos = point, end = bodyEnd(part); pos < end;) {
        Line line = lineAt(pos);
        if (!contentOf(line).empty()) point = line.next;
        pos = line.next;
    }
    return point;
}

void TMemIniFile::insertLine(size_t pos, const std::string& line) {
    // After a last line without an end, the new line takes the end first.
    if (pos > 0 && !endsLine(text_[pos - 1]))
        splice(pos, 0, eol_ + line);
    else
        splice(pos, 0, line + eol_);
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view ident,
                                    std::string_view def) const {
    for (size_t part : partsOf(section)) {
        Line line;
        std::string_view value;
        if (findKey(part, ident, line, value)) return std::string(value);
    }
    return std::string(def);
}

void TMemIniFile::WriteString(std::string_view section, std::string_view ident,
                              std::string_view value) {
    std::string entry = oneLine(std::string(ident) + "=" + std::string(value));
    size_t part = joinParts(section);
    if (part == SIZE_MAX) {
        if (!text_.empty() && !endsLine(text_.back())) text_ += eol_;
        headers_.push_back(text_.size());
        text_ += "[" + oneLine(std::string(section)) + "]" + eol_ + entry + eol_;
        return;
    }
    Line line;
    std::string_view old;
    if (findKey(part, ident, line, old))
        splice(line.begin, line.end - line.begin, entry);
    else
        insertLine(appendPoint(part), entry);
}

void TMemIniFile::WriteSectionValues(std::string_view section,
                                     const std::vector<std::string>& lines) {
    size_t part = joinParts(section);
    if (part == SIZE_MAX) {
        if (lines.empty()) return;
        if (!text_.empty() && !endsLine(text_.back())) text_ += eol_;
        headers_.push_back(text_.size());
        text_ += "[" + oneLine(std::string(section)) + "]" + eol_;
        for (const std::string& line : lines)
            text_ += oneLine(line) + eol_;
        return;
    }
    size_t begin = bodyBegin(part), end = bodyEnd(part), next = 0;
    std::string body;
    size_t filled = 0; // in body, just past its last line that is not blank
    for (size_t pos = begin; pos < end;) {
        Line line = lineAt(pos);
        std::string_view content = contentOf(line);
        std::string_view lineBreak(text_.data() + line.end, line.next - line.end);
        if (isValueLine(content)) {
            if (next < lines.size()) {
                body += oneLine(lines[next++]);
                body += lineBreak;
                filled = body.size();
            }
        } else {
            body.append(text_, line.begin, line.next - line.begin);
            if (!content.empty()) filled = body.size();
        }
        pos = line.next;
    }
    std::string rest;
    for (; next < lines.size(); ++next)
        rest += oneLine(lines[next]) + eol_;
    if (!rest.empty() && filled > 0 && !endsLine(body[filled - 1])) rest.insert(0, eol_);
    body.insert(filled, rest);
    splice(begin, end - begin, body);
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
    return !partsOf(section).empty();
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view ident) const {
    // No value reads as this default: a key holds one line of text.
    const std::string_view missing = "\n";
    return ReadString(section, ident, missing) != missing;
}

void TMemIniFile::EraseSection(std::string_view section) {
    std::vector<size_t> parts = partsOf(section);
    for (auto part = parts.rbegin(); part != parts.rend(); ++part)
        text_.erase(headers_[*part], bodyEnd(*part) - headers_[*part]);
    if (!parts.empty()) findHeaders();
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view ident) {
    if (!ValueExists(section, ident)) return;
    Line line;
    std::string_view value;
    if (findKey(joinParts(section), ident, line, value))
        splice(line.begin, line.next - line.begin, {});
}

void TMemIniFile::ReadSection(std::string_view section, std::vector<std::string>& list) const {
    list.clear();
    for (size_t part : partsOf(section)) {
        for (size_t pos = bodyBegin(part), end = bodyEnd(part); pos < end;) {
            Line line = lineAt(pos);
            std::string_view content = contentOf(line), name, value;
            if (isValueLine(content))
                list.emplace_back(SplitKeyLine(content, name, value) ? name : std::string_view());
            pos = line.next;
        }
    }
}

void TMemIniFile::ReadSectionValues(std::string_view section,
                                    std::vector<std::string>& list) const {
    list.clear();
    for (size_t part : partsOf(section)) {
        for (size_t pos = bodyBegin(part), end = bodyEnd(part); pos < end;) {
            Line line = lineAt(pos);
            std::string_view content = contentOf(line), name, value;
            if (isValueLine(content))
                list.push_back(SplitKeyLine(content, name, value)
                                   ? std::string(name) + "=" + std::string(value)
                                   : std::string(content));
            pos = line.next;
        }
    }
}

void TMemIniFile::ReadSections(std::vector<std::string>& list) const {
    list.clear();
    std::unordered_set<std::string> seen;
    for (size_t header : headers_) {
        std::string_view name = SectionNameOf(contentOf(lineAt(header)));
        if (seen.insert(SjisLowerCase(name)).second) list.emplace_back(name);
    }
}

void TMemIniFile::UpdateFile() const {
    if (!readError_.empty())
        throw EFCreateError("\"" + fileName_ + "\" was not written: it could not be read (" +
                            readError_ + ")");
    if (!ReplaceFileBytes(fileName_, GetText()))
        throw EFCreateError("Cannot create file \"" + fileName_ + "\". " + std::strerror(errno));
}

} // namespace platform
