// The stand-in player: shows its window, serves its automation interfaces,
// and runs every plug-in of its Plugin folder until it is closed.

#include "host/CommandLine.h"
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
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <malloc.h>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // A peer that has gone (the display, the reader of a pipeline the player
    // was started in) is an error on that write, not the end of the player
    // and of its plug-ins' unsaved settings.
    std::signal(SIGPIPE, SIG_IGN);
    // The player's windows are small and a ticker repaints a strip of them
    // twenty times a second: sending those pixels over the X connection costs
    // less than the server round trip that shared-memory images need each frame.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    // Each thread that allocates would get a memory pool of its own, and a
    // plug-in's downloads run on several: their pools keep pages the player
    // no longer needs (0.6 MB of 41 with eleven sites). Two are plenty.
    mallopt(M_ARENA_MAX, 2);
    PlyxCommandLine line = ParsePlyxCommandLine(argc, argv);
    switch (line.action) {
    case PlyxCommandLine::Action::Help:
        std::fputs(kPlyxUsage, stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    case PlyxCommandLine::Action::Version:
        std::printf("%s\n", PlyxVersionLine().c_str());
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    case PlyxCommandLine::Action::Fail:
        std::fprintf(stderr, "plyx: %s\nTry 'plyx --help' for more information.\n",
                     line.error.c_str());
        return 2;
    case PlyxCommandLine::Action::Run:
        break;
    }
    // The toolkit sees only its own options: a file after "--" stays a file.
    std::vector<char*> qtArgv;
    for (std::string& argument : line.qtArguments)
        qtArgv.push_back(argument.data());
    int qtArgc = static_cast<int>(qtArgv.size());
    qtArgv.push_back(nullptr);
    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationName("PLYX");
    std::string plugins = platform::PathFromNative(line.plugins);
    std::vector<std::string> tracks;
    for (const std::string& file : line.files)
        tracks.push_back(platform::PathFromNative(file));

    std::string path = platform::ExecutablePath();
    // Plug-ins find the player's path (and so its settings file) here.
    platform::RegWriteString(platform::RegistryRoot::CurrentUser, "Software\\QUARN\\PLYX", "",
                             path);
    if (plugins.empty()) plugins = platform::ExtractFileDir(path) + "/Plugin";

    PlyxPlayer player({line.reportedVersion, true, path});
    player.Design = player.StoredDesign();
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
    // For tests of an installed player: what its panels show (their names
    // for screen readers), a line on stderr each time that changes.
    QTimer panelReport;
    if (qEnvironmentVariableIsSet("PLYX_REPORT_PANELS")) {
        QObject::connect(&panelReport, &QTimer::timeout, &window,
                         [&window, last = QString()]() mutable {
                             QStringList shown;
                             for (const QWidget* w : window.findChildren<QWidget*>())
                                 if (w->isVisible() && !w->accessibleName().isEmpty())
                                     shown << w->accessibleName();
                             QString line = shown.join(QStringLiteral(" | "));
                             if (line == last) return;
                             last = line;
                             std::fprintf(stderr, "plyx: panels: %s\n", line.toUtf8().constData());
                         });
        panelReport.start(500);
    }
    PlyxPluginHost host(player, &window);
    int started = host.LoadPlugins(plugins);
    std::fprintf(stderr, "plyx: %d plug-in(s) from %s\n", started,
                 platform::SjisToUtf8(plugins).c_str());
    player.OnCloseRequest = [&] { app.quit(); };
    window.OnExit = [&] { app.quit(); };
    int rc = stop.Stopped() ? 0 : QApplication::exec();
    host.UnloadPlugins();
    return rc;
}
