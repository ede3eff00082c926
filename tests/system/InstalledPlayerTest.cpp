// The player as cmake --install lays it out, started by an ordinary user on
// a fresh account: its settings and pages go to the user's own folders, its
// sample skin is on, and the skin's panels show the news of the one site the
// user's settings name.

#include "platform/text/Cp932.h"

#include "tests/platform/RunAsNobody.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HttpServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

using namespace std::chrono_literals;

TEST(InstalledPlayer, AFirstStartShowsTheSkinWithTheNewsOfTheUsersSite) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to start the player as another user";
    testsupport::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    std::string prefix = dir.file("usr"), home = dir.file("home");
    testsupport::ChildProcess install(
        {"/usr/bin/cmake", "--install", NEWS_BUILD_DIR, "--prefix", prefix}, true);
    ASSERT_EQ(install.Wait(120s), 0) << install.ReadUntil("\n", 1s);

    testsupport::HttpServer server;
    server.Route("/front",
                 {200, platform::Utf8ToSjis("<meta charset=shift_jis><body><a href=\"/n/1.html\">"
                                            "設置確認の見出し</a> (12/25 10:30)<br></body>")});
    std::filesystem::create_directories(home + "/.config/plyx");
    dir.write("home/.config/plyx/PLYXNews.ini", "[PLYXNews]\r\nVersion=6320\r\n[Site]\r\nLocal=\"" +
                                                    server.Url("/front") + "\",1,60\r\n");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home))
        testsupport::GiveToChild(entry.path().string());
    testsupport::GiveToChild(home);

    const std::string uid = std::to_string(testsupport::ChildUid()),
                      gid = std::to_string(testsupport::ChildGid());
    testsupport::ChildProcess player({"/usr/bin/setpriv", "--reuid=" + uid, "--regid=" + gid,
                                      "--clear-groups", "/usr/bin/env", "-i", "HOME=" + home,
                                      "PATH=/usr/bin:/bin", "PLYX_REPORT_PANELS=1",
                                      "NEWS_REGISTRY=" + home + "/registry.ini",
                                      "QT_QPA_PLATFORM=offscreen", prefix + "/bin/plyx"},
                                     true);
    std::string shown = player.ReadUntil("設置確認の見出し", 60s);
    EXPECT_NE(shown.find("plyx: 2 plug-in(s) from " + prefix + "/lib/plyx/Plugin"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("設置確認の見出し"), std::string::npos) << "no headline shown:\n" << shown;
    // One panel shows the site's name and nothing else.
    EXPECT_NE(shown.find(" | Local | "), std::string::npos) << "no skin panel names the site:\n"
                                                            << shown;
    player.Signal(SIGTERM);
    EXPECT_EQ(player.Wait(30s), 0);
    // What it wrote went to the user's folders, none to the installed one.
    EXPECT_NE(testsupport::ReadAll(home + "/.config/plyx/PLYXNews.ini").find("WindowPosition="),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(home + "/.cache/plyx"));
    EXPECT_FALSE(std::filesystem::exists(prefix + "/lib/plyx/PLYXNews.ini"));
}
