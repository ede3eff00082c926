#pragma once

// The player's command line, read before the toolkit starts: help and
// version need no display, and an unknown option is an error rather than a
// track. The toolkit's own options (-platform, -display, -style, ...) are
// kept apart for it.

#include <string>
#include <vector>

// The player's own version, which it also reports to its plug-ins unless told otherwise.
constexpr int kPlyxVersion = 6320;

struct PlyxCommandLine {
    enum class Action { Run, Help, Version, Fail };
    Action action = Action::Run;
    int reportedVersion = kPlyxVersion;   // what the player tells its plug-ins
    std::string plugins;                  // the plug-in folder (native); empty: Plugin/ beside it
    std::vector<std::string> files;       // native names, in order
    std::vector<std::string> qtArguments; // the program's name, then the toolkit's options
    std::string error;                    // what failed, for Fail
};

PlyxCommandLine ParsePlyxCommandLine(int argc, const char* const* argv);

extern const char* const kPlyxUsage;
// "plyx 6.32.0": the player's own version line.
std::string PlyxVersionLine();
