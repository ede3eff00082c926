#include "host/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

const char* const kPlyxUsage =
    "usage: plyx [OPTION]... [--] [FILE]...\n"
    "Plays the FILEs with the plug-ins of the Plugin folder beside it.\n"
    "\n"
    "  --plugins FOLDER        run the plug-ins of FOLDER instead\n"
    "  --report-version N      tell the plug-ins the player is version N (6320)\n"
    "  -h, --help              print this help and exit\n"
    "  --version               print the player's version and exit\n"
    "  --                      what follows is a file, even when it starts with '-'\n"
    "\n"
    "The toolkit's own options (-platform NAME, -display DISPLAY, -style NAME, ...)\n"
    "are passed on to it.\n";

std::string PlyxVersionLine() {
    char text[48];
    std::snprintf(text, sizeof text, "plyx %d.%d.%d", kPlyxVersion / 1000, kPlyxVersion % 1000 / 10,
                  kPlyxVersion % 10);
    return text;
}

namespace {

// The toolkit's options that take a value, then those that take none.
constexpr std::string_view kQtWithValue[] = {"platform",        "platformpluginpath",
                                             "platformtheme",   "plugin",
                                             "qwindowgeometry", "qwindowicon",
                                             "qwindowtitle",    "session",
                                             "display",         "geometry",
                                             "title",           "name",
                                             "visual",          "style",
                                             "stylesheet",      "qmljsdebugger"};
constexpr std::string_view kQtAlone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

template <size_t N> bool among(const std::string_view (&names)[N], std::string_view name) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

} // namespace

PlyxCommandLine ParsePlyxCommandLine(int argc, const char* const* argv) {
    PlyxCommandLine line;
    line.qtArguments.push_back(argc > 0 ? argv[0] : "plyx");
    auto fail = [&line](std::string error) {
        line.action = PlyxCommandLine::Action::Fail;
        line.error = std::move(error);
        return line;
    };
    bool filesOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (filesOnly || arg.size() < 2 || arg[0] != '-') {
            line.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            filesOnly = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            line.action = PlyxCommandLine::Action::Help;
            return line;
        }
        if (arg == "--version") {
            line.action = PlyxCommandLine::Action::Version;
            return line;
        }
        std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
        std::string_view option = arg;
        std::optional<std::string_view> value;
        if (size_t equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            option = arg.substr(0, arg.size() - name.size() + equals);
            name = name.substr(0, equals);
        }
        bool ours = arg[1] == '-' && (name == "plugins" || name == "report-version");
        bool qt = among(kQtWithValue, name) || among(kQtAlone, name);
        if (!ours && !qt) return fail("unrecognized option '" + std::string(option) + "'");
        bool needsValue = ours || among(kQtWithValue, name);
        if (needsValue && !value) {
            if (i + 1 >= argc)
                return fail("option '" + std::string(option) + "' requires an argument");
            value = argv[++i];
            if (qt) line.qtArguments.emplace_back(arg);
        } else if (qt) {
            line.qtArguments.emplace_back(arg);
            continue;
        }
        if (qt) {
            line.qtArguments.emplace_back(*value);
        } else if (name == "plugins") {
            line.plugins = *value;
        } else {
            int version = 0;
            auto [end, ec] = std::from_chars(value->data(), value->data() + value->size(), version);
            if (ec != std::errc() || end != value->data() + value->size() || version < 0)
                return fail("invalid version '" + std::string(*value) + "'");
            line.reportedVersion = version;
        }
    }
    return line;
}
