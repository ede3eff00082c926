#include "platform/registry/Registry.h"

#include "platform/fs/FileSystem.h"
#include "platform/ini/TMemIniFile.h"

#include <cstdlib>
#include <filesystem>

namespace platform {

namespace {

std::string sectionOf(RegistryRoot root, std::string_view key) {
    return std::string(root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE\\"
                                                          : "HKEY_CURRENT_USER\\") +
           std::string(key);
}

std::string valueName(std::string_view name) {
    return name.empty() ? "@" : std::string(name);
}

} // namespace

std::string RegistryFilePath() {
    if (const char* file = std::getenv("NEWS_REGISTRY"); file && *file) return PathFromNative(file);
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        base = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    return PathFromNative(base + "/news/registry.ini");
}

bool RegReadString(RegistryRoot root, std::string_view key, std::string_view name,
                   std::string& out) {
    TMemIniFile file(RegistryFilePath());
    std::string section = sectionOf(root, key);
    if (!file.ValueExists(section, valueName(name))) return false;
    out = file.ReadString(section, valueName(name), "");
    return true;
}

bool RegWriteString(RegistryRoot root, std::string_view key, std::string_view name,
                    std::string_view value) {
    std::string path = RegistryFilePath();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(NativePath(path)).parent_path(), ec);
    TMemIniFile file(path);
    file.WriteString(sectionOf(root, key), valueName(name), value);
    try {
        file.UpdateFile();
        return true;
    } catch (const EFCreateError&) {
        return false;
    }
}

} // namespace platform
