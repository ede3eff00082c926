#include "host/PlyxPlayer.h"
#include "host/PlyxPluginHost.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(PluginHost, AnswersTheSlotsPlugInsUse) {
    PlyxPlayer player({6320, false, "/opt/plyx/plyx"});
    int mainControl = 0;
    PlyxPluginHost host(player, &mainControl);
    PluginHost& table = host;
    EXPECT_EQ(table.GetVersion(), 6320);
    EXPECT_TRUE(table.CheckVersion(6000));
    EXPECT_FALSE(table.CheckVersion(7000));
    EXPECT_STREQ(table.GetHostPath(), "/opt/plyx/plyx");
    EXPECT_EQ(table.GetMainControl(), &mainControl);
    uintptr_t window = 123;
    EXPECT_FALSE(table.FindPlugin("Talo+", &window, 0));
    EXPECT_EQ(window, 0u);
    EXPECT_EQ(table.Abort(), 1);
}

TEST(PluginHost, LoadsRunsAndStopsThePlugInsOfItsFolder) {
    testsupport::TempDir dir;
    setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
    PlyxPlayer player({6320, false, dir.file("plyx")});
    PlyxPluginHost host(player, nullptr);
    std::filesystem::create_directories(dir.path() / "Plugin");
    std::filesystem::copy_file(std::string(TEST_PLUGIN_DIR) + "/TestPlugin.so",
                               dir.path() / "Plugin/TestPlugin.so");
    testsupport::TempDir empty;
    EXPECT_EQ(host.LoadPlugins(empty.path().string()), 0);

    ASSERT_EQ(host.LoadPlugins(dir.file("Plugin")), 1);
    uintptr_t window = 0;
    ASSERT_TRUE(host.FindPlugin("TestPlugin", &window, 0))
        << "the plug-in bound and registered its name";
    EXPECT_EQ(host.SendPlugin(window, 7, 42), 7042u)
        << "delivered as code 0x08000000 plus the command";
    EXPECT_EQ(player.Clients().size(), 1u);

    host.UnloadPlugins();
    EXPECT_FALSE(host.FindPlugin("TestPlugin", &window, 0));
    EXPECT_TRUE(player.Clients().empty()) << "the plug-in unbound when stopped";
}
