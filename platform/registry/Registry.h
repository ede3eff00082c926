#pragma once

// Stands in for the few registry keys the system reads: a small INI file,
// $NEWS_REGISTRY, else $XDG_CONFIG_HOME/news/registry.ini, else
// ~/.config/news/registry.ini. A key is a section named root\path; a value
// name is a key of it, "@" for the default value.

#include <string>
#include <string_view>

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

std::string RegistryFilePath();
// False when the key or value does not exist (out is left alone).
bool RegReadString(RegistryRoot root, std::string_view key, std::string_view name,
                   std::string& out);
// False when the registry file cannot be written.
bool RegWriteString(RegistryRoot root, std::string_view key, std::string_view name,
                    std::string_view value);

} // namespace platform
