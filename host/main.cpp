// The stand-in player: shows its window, serves its automation interfaces,
// and runs every plug-in of its Plugin folder until it is closed.

#include "host/PlyxPlayer.h"
#include "host/PlyxPluginHost.h"
#include "host/PlyxWindow.h"
#include "host/StopSignals.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/ini/TMemIniFile.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/text/Cp932.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    // A peer that has gone (the display, the reader of a pipeline the player
    // was started in) is an error on that write, not the end of the player
    // and of its plug-ins' unsaved settings.
    std::signal(SIGPIPE, SIG_IGN);
    // The player's windows are small and a ticker repaints a strip of them
    // twenty times a second: sending those pixels over the X connection costs
    // less than the server round trip that shared-memory images need each frame.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName("PLYX");

    int version = 6320;
    std::string plugins;
    std::vector<std::string> tracks;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version") && i + 1 < argc)
            version = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--plugins") && i + 1 < argc)
            plugins = platform::PathFromNative(argv[++i]);
        else if (!std::strcmp(argv[i], "--help")) {
            std::printf("usage: plyx [--version N] [--plugins FOLDER] [FILE...]\n");
            return 0;
        } else
            tracks.push_back(platform::PathFromNative(argv[i]));
    }

    std::string path = platform::ExecutablePath();
    // Plug-ins find the player's path (and so its settings file) here.
    platform::RegWriteString(platform::RegistryRoot::CurrentUser, "Software\\QUARN\\PLYX", "",
                             path);
    if (plugins.empty()) plugins = platform::ExtractFileDir(path) + "/Plugin";

    PlyxPlayer player({version, true, path});
    platform::TMemIniFile settings(player.SettingsPath());
    player.Design = settings.ReadString("PLYX", "Design", "");
    player.ReloadTools();
    for (const std::string& track : tracks) {
        PlyxTrack t;
        t.s[2] = track;
        t.s[0] = platform::ExtractFileName(track);
        player.PlayList.push_back(t);
    }

    // A stop signal from here on ends the loop below, or keeps it from
    // starting; until the plug-ins have saved, further ones change nothing.
    StopSignals stop([] { QApplication::quit(); });
    PlyxWindow window(player);
    window.show();
    PlyxPluginHost host(player, &window);
    int started = host.LoadPlugins(plugins);
    std::fprintf(stderr, "plyx: %d plug-in(s) from %s\n", started,
                 platform::SjisToUtf8(plugins).c_str());
    player.OnCloseRequest = [&] { app.quit(); };
    int rc = stop.Stopped() ? 0 : QApplication::exec();
    host.UnloadPlugins();
    return rc;
}
