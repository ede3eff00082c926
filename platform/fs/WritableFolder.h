#pragma once

// Where the player and the engine write their files. A build tree or a
// portable copy keeps them beside the player, as the system always did; an
// installed player's folder is read-only, so its settings go under
// $XDG_CONFIG_HOME/plyx and its cache under $XDG_CACHE_HOME/plyx instead.
// Nothing else decides this.

#include <string>

namespace platform {

enum class WritableKind { Settings, Cache };

// programFolder and the result are Shift_JIS; the result ends with "/" (or
// is "" for an empty programFolder). The XDG folder is created when needed.
std::string WritableFolder(const std::string& programFolder, WritableKind kind);

} // namespace platform
