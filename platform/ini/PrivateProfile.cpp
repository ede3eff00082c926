#include "platform/ini/PrivateProfile.h"

#include "platform/fs/FileSystem.h"
#include "platform/ini/FileReplace.h"
#include "platform/ini/IniSyntax.h"
#include "platform/ini/TMemIniFile.h"

#include <cerrno>
#include <vector>

namespace platform {

namespace {

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
    TMemIniFile ini("");
    ini.SetText(text);
    if (value)
        ini.WriteString(section, key, *value);
    else
        ini.DeleteKey(section, key);
    return ini.GetText();
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
