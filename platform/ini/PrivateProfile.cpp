#include "platform/ini/PrivateProfile.h"

#include "platform/fs/FileSystem.h"
#include "platform/ini/FileReplace.h"
#include "platform/ini/IniSyntax.h"
#include "platform/ini/TMemIniFile.h"

#include <cerrno>
#include <vector>

namespace platform {

namespace {

struct Line {
    size_t start, end, next; // content [start, end), terminator [end, next)
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({start, text.size(), text.size()});
            break;
        }
        size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        lines.push_back({start, end, next});
        start = next;
    }
    return lines;
}

bool oneLine(std::string_view s) {
    return s.find_first_of("\r\n") == std::string_view::npos;
}

// What the reader would find again under the same names.
bool writableNames(std::string_view section, std::string_view key) {
    return !section.empty() && !key.empty() && oneLine(section) && oneLine(key) &&
           TrimView(section) == section && TrimView(key) == key &&
           key.find('=') == std::string_view::npos && !IsCommentLine(key) && key.front() != '[';
}

} // namespace

std::optional<std::string> EditProfileText(std::string_view text, std::string_view section,
                                           std::string_view key,
                                           std::optional<std::string_view> value) {
    if (!writableNames(section, key) || (value && !oneLine(*value))) return std::nullopt;
    std::vector<Line> lines = splitLines(text);
    // A byte-order mark an editor left stays where it is, outside the first
    // line, as the in-memory file reads it.
    if (text.starts_with("\xEF\xBB\xBF")) lines.front().start = 3;
    auto content = [&](const Line& l) { return TrimView(text.substr(l.start, l.end - l.start)); };

    // The first section of that name runs to the next section line.
    size_t header = lines.size();
    for (size_t i = 0; i < lines.size() && header == lines.size(); ++i) {
        std::string_view c = content(lines[i]);
        if (IsSectionLine(c) && EqualsNoCase(SectionNameOf(c), section)) header = i;
    }
    size_t keyLine = lines.size(), lastFilled = header;
    if (header < lines.size()) {
        for (size_t i = header + 1; i < lines.size(); ++i) {
            std::string_view c = content(lines[i]), name, ignored;
            if (IsSectionLine(c)) break;
            if (c.empty()) continue;
            lastFilled = i;
            if (keyLine == lines.size() && !IsCommentLine(c) && SplitKeyLine(c, name, ignored) &&
                EqualsNoCase(name, key))
                keyLine = i;
        }
    }

    std::string out(text);
    if (!value) {
        if (keyLine == lines.size()) return out;
        out.erase(lines[keyLine].start, lines[keyLine].next - lines[keyLine].start);
        return out;
    }
    // New lines end as the file's first line does.
    std::string eol = "\r\n";
    if (!lines.empty() && lines.front().next > lines.front().end)
        eol = text.substr(lines.front().end, lines.front().next - lines.front().end);
    std::string entry = std::string(key) + "=" + std::string(*value);
    if (keyLine < lines.size()) {
        out.replace(lines[keyLine].start, lines[keyLine].end - lines[keyLine].start, entry);
        return out;
    }
    if (header < lines.size()) {
        const Line& after = lines[lastFilled];
        if (after.next == after.end) // the file's last line, without an end
            out.insert(after.end, eol + entry);
        else
            out.insert(after.next, entry + eol);
        return out;
    }
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
    out += "[" + std::string(section) + "]" + eol + entry + eol;
    return out;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::string_view fileName) {
    TMemIniFile ini{std::string(fileName)};
    if (!ini.ValueExists(section, key)) return std::string(def);
    std::string value = ini.ReadString(section, key, def);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

namespace {

bool edit(std::string_view section, std::string_view key, std::optional<std::string_view> value,
          std::string_view fileName) {
    std::string text;
    if (!ReadRegularFile(fileName, text, kMaxSettingsFileBytes) && errno != ENOENT) return false;
    std::optional<std::string> edited = EditProfileText(text, section, key, value);
    if (!edited) {
        errno = EINVAL;
        return false;
    }
    if (*edited == text) return true;
    return ReplaceFileBytes(fileName, *edited);
}

} // namespace

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view fileName) {
    return edit(section, key, value, fileName);
}

bool DeletePrivateProfileKey(std::string_view section, std::string_view key,
                             std::string_view fileName) {
    return edit(section, key, std::nullopt, fileName);
}

} // namespace platform
