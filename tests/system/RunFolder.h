#pragma once

// The player's folder as the run command lays it out: copies of the built
// plug-ins, the sample designs and the player's skin, its settings naming
// the skin, and the first-run news settings pointing every demo site at
// the demo server.

#include "platform/text/Cp932.h"

#include "tests/support/TempDir.h"

#include <filesystem>
#include <iterator>
#include <string>

namespace systemtest {

struct FirstRunSite {
    const char* name; // UTF-8
    const char* path; // on the demo server
    int interval;     // minutes
};

// Every demo site of the first-run settings, enabled, updated every one to
// three minutes: what the test expects to find there.
constexpr FirstRunSite kSites[] = {
    {"Shift_JIS版 サンプル新聞", "sjis/", 1},  {"EUC-JP版 サンプル新聞", "euc/", 2},
    {"JIS版 サンプル新聞", "jis/", 3},         {"UTF-8版 サンプル新聞", "utf8/", 1},
    {"フレーム版 サンプル新聞", "frames/", 2}, {"移転前 サンプル新聞", "moved/", 3},
};
constexpr int kSiteCount = static_cast<int>(std::size(kSites));

class RunFolder {
public:
    // address: the demo server's, ending in "/".
    explicit RunFolder(const std::string& address) {
        namespace fs = std::filesystem;
        fs::path plugin = dir.path() / "Plugin", built(PLUGIN_BUILD_DIR);
        fs::create_directories(plugin);
        for (const char* name : {"Strevo.so", "PLYXNews.so", "News.so", "PLYXNews.html"})
            fs::copy_file(built / name, plugin / name);
        fs::copy(built / "NewsDesign", plugin / "NewsDesign", fs::copy_options::recursive);
        fs::copy(fs::path(NEWS_SOURCE_DIR) / "host" / "skins", dir.path() / "Skins",
                 fs::copy_options::recursive);
        dir.write("plyx.ini", "[PLYX]\r\nDesign=" + dir.file("Skins/plyx-skin.plyxd") + "\r\n");
        // The run command's first-run settings, as it writes them.
        std::string text =
            testsupport::ReadAll((fs::path(NEWS_SOURCE_DIR) / "demo" / "first-run.ini").string());
        for (char c : text) {
            if (c == '\n') FirstRunSettings += '\r';
            FirstRunSettings += c;
        }
        for (size_t at; (at = FirstRunSettings.find("@SERVER@")) != std::string::npos;)
            FirstRunSettings.replace(at, 8, address);
        FirstRunSettings = platform::Utf8ToSjis(FirstRunSettings);
        dir.write("PLYXNews.ini", FirstRunSettings);
    }

    std::string File(const char* name) const { return dir.file(name); }
    std::string Settings() const { return testsupport::ReadAll(dir.file("PLYXNews.ini")); }

    testsupport::TempDir dir;
    std::string FirstRunSettings; // Shift_JIS
};

} // namespace systemtest
