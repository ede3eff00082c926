// The player program itself, with both plug-ins, ended from outside: told
// to stop by a signal (Ctrl-C, kill, a closed terminal) it quits as if
// closed; losing its display it ends without a crash. Either way the
// plug-ins stop and save their settings.

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/system/RunFolder.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The player's folder with a copy of the program, in a home of its own.
class PlayerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("HOME", home.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home.path() / ".config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home.path() / ".cache").c_str(), 1);
        setenv("NEWS_REGISTRY", home.file("registry.ini").c_str(), 1);
        std::filesystem::copy_file(PLYX_PATH, run.File("plyx"));
    }

    // Only the engine's teardown writes this key.
    bool settingsSaved() const {
        return run.Settings().find("WindowPosition=") != std::string::npos;
    }

    testsupport::TempDir home;
    // Nothing is fetched: the sites lead to a port nobody listens on.
    systemtest::RunFolder run{"http://127.0.0.1:9/"};
};

} // namespace

TEST_F(PlayerProcess, StopsItsPlugInsAndKeepsTheirSettingsOnEachStopSignal) {
    std::string platform = QGuiApplication::platformName().toStdString();

    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        run.dir.write("PLYXNews.ini", run.FirstRunSettings);
        testsupport::ChildProcess player({run.File("plyx"), "-platform", platform}, true);
        std::string output = player.ReadUntil("plug-in(s)", 30s);
        ASSERT_NE(output.find("plyx: 2 plug-in(s)"), std::string::npos) << output;
        player.Signal(signal);
        EXPECT_EQ(player.Wait(30s), 0) << strsignal(signal);
        EXPECT_TRUE(settingsSaved()) << strsignal(signal);
    }
}

TEST_F(PlayerProcess, AnswersHelpVersionAndBadOptionsWithoutADisplay) {
    struct Case {
        std::vector<std::string> args;
        int status;
        bool toStderr;
        std::string begins; // what the stream begins with
    };
    const Case cases[] = {
        {{"--help"}, 0, false, "usage: plyx [OPTION]... [--] [FILE]...\n"},
        {{"-h", "--bogus"}, 0, false, "usage: plyx"},
        {{"--version"}, 0, false, "plyx 6.32.0\n"},
        {{"--bogus"},
         2,
         true,
         "plyx: unrecognized option '--bogus'\nTry 'plyx --help' for more information.\n"},
        {{"a.mp3", "--plugins"}, 2, true, "plyx: option '--plugins' requires an argument\n"},
    };
    for (const Case& c : cases) {
        // A player that opened the toolkit here would fail for want of a display.
        std::vector<std::string> args{
            "/bin/sh", "-c",
            std::string(
                "exec env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb \"$0\" \"$@\"") +
                (c.toStderr ? " 2>&1 >/dev/null" : " 2>/dev/null"),
            run.File("plyx")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        testsupport::ChildProcess player(args);
        std::string output = player.ReadUntil("\x01", 10s);
        EXPECT_EQ(player.Wait(10s), c.status) << c.args[0];
        EXPECT_EQ(output.substr(0, c.begins.size()), c.begins) << c.args[0];
    }
}

TEST_F(PlayerProcess, ASecondStopSignalWaitsForTheSave) {
    // GNU timeout sends its signal to the player and to its process group.
    std::string platform = QGuiApplication::platformName().toStdString();
    for (int k = 0; k < 20; ++k) {
        run.dir.write("PLYXNews.ini", run.FirstRunSettings);
        testsupport::ChildProcess player({run.File("plyx"), "-platform", platform}, true);
        std::string output = player.ReadUntil("plug-in(s)", 30s);
        ASSERT_NE(output.find("plyx: 2 plug-in(s)"), std::string::npos) << output;
        player.Signal(SIGTERM);
        std::this_thread::sleep_for(1ms);
        player.Signal(SIGTERM);
        ASSERT_EQ(player.Wait(30s), 0) << k;
        ASSERT_TRUE(settingsSaved()) << k;
    }
}

TEST_F(PlayerProcess, AStopSignalWhileThePlugInsLoadQuitsOnceTheyAreLoaded) {
    // Loaded after the engine's loader, before the skin's.
    std::filesystem::copy_file(SLOW_PLUGIN, run.File("Plugin/Slow.so"));
    testsupport::ChildProcess player(
        {run.File("plyx"), "-platform", QGuiApplication::platformName().toStdString()}, true);
    std::string output = player.ReadUntil("slow plug-in starting", 30s);
    ASSERT_NE(output.find("slow plug-in starting"), std::string::npos) << output;
    player.Signal(SIGTERM);
    EXPECT_EQ(player.Wait(30s), 0);
    EXPECT_TRUE(settingsSaved());
}

TEST_F(PlayerProcess, RunsItsPlugInsFromAFolderShiftJisCannotName) {
    std::filesystem::path folder = home.path() / "renée";
    std::filesystem::copy(run.dir.path(), folder, std::filesystem::copy_options::recursive);
    testsupport::ChildProcess player(
        {(folder / "plyx").string(), "-platform", QGuiApplication::platformName().toStdString()},
        true);
    std::string output = player.ReadUntil("plug-in(s)", 30s);
    EXPECT_NE(output.find("plyx: 2 plug-in(s)"), std::string::npos) << output;
    player.Signal(SIGTERM);
    EXPECT_EQ(player.Wait(30s), 0);
    EXPECT_NE(testsupport::ReadAll((folder / "PLYXNews.ini").string()).find("WindowPosition="),
              std::string::npos);
}

TEST_F(PlayerProcess, WhoseDisplayGoesAwayEndsWithoutACrashAndKeepsTheSettings) {
    const char* server = "/usr/bin/Xvfb";
    if (!std::filesystem::exists(server)) GTEST_SKIP() << "needs Xvfb";

    // A display of its own, as the session the user logs out of.
    testsupport::ChildProcess display(
        {server, "-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"});
    std::string number = display.FirstLine(30s);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    std::string own = ":" + number;
    testsupport::ChildProcess player({run.File("plyx"), "-platform", "xcb", "-display", own}, true);
    std::string output = player.ReadUntil("plug-in(s)", 30s);
    ASSERT_NE(output.find("plyx: 2 plug-in(s)"), std::string::npos) << output;
    // Started in a pipeline whose reader has gone: the toolkit's last words
    // about the lost display go to a closed pipe.
    player.CloseOutput();
    display.Signal(SIGTERM);
    // The toolkit ends the program with status 1 when its display goes.
    EXPECT_EQ(player.Wait(30s), 1);
    EXPECT_TRUE(settingsSaved());
}

TEST_F(PlayerProcess, KeepsASignalIgnoredAtItsStartIgnored) {
    // As nohup starts it: hang-ups are not for this program.
    testsupport::ChildProcess player({"/bin/sh", "-c", "trap '' HUP; exec \"$0\" -platform \"$1\"",
                                      run.File("plyx"),
                                      QGuiApplication::platformName().toStdString()},
                                     true);
    std::string output = player.ReadUntil("plug-in(s)", 30s);
    ASSERT_NE(output.find("plyx: 2 plug-in(s)"), std::string::npos) << output;
    player.Signal(SIGHUP);
    EXPECT_EQ(player.Wait(1s), -1) << "a hang-up ended it";
    player.Signal(SIGTERM);
    EXPECT_EQ(player.Wait(30s), 0);
    EXPECT_TRUE(settingsSaved());
}
