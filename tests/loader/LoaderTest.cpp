#include "engine/entry/NewsPluginRecord.h"
#include "host/PlyxPlayer.h"
#include "host/PlyxPluginHost.h"
#include "platform/dialogs/Dialogs.h"

#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The player's folder with copies of the built plug-ins, a headless player
// and its plug-in host, as the real player runs them.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
        platform::SetMessageHandler(
            [this](const std::string& text, platform::MessageKind, uint32_t) {
                boxes.push_back(text);
                return platform::ButtonOk;
            });
        fs::create_directories(dir.file("Plugin"));
        dir.write("PLYXNews.ini", "[PLYXNews]\r\nVersion=6320\r\nOnline=0\r\n");
    }
    void TearDown() override {
        host.reset();
        player.reset();
        pump();
        platform::SetMessageHandler(nullptr);
    }
    void install(const char* name, const std::string& folder = "Plugin") {
        fs::copy_file(fs::path(PLUGIN_BUILD_DIR) / name, fs::path(dir.file(folder)) / name,
                      fs::copy_options::overwrite_existing);
    }
    void run(int version = 6320) {
        player =
            std::make_unique<PlyxPlayer>(PlyxPlayer::Options{version, false, dir.file("plyx")});
        host = std::make_unique<PlyxPluginHost>(*player, &mainControl);
        host->LoadPlugins(dir.file("Plugin"));
        pump();
    }
    void pump() {
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
    }
    // Whether the engine library is still in the process.
    bool engineLoaded(const std::string& folder = "Plugin") const {
        void* handle = dlopen((dir.file(folder) + "/News.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle) dlclose(handle);
        return handle != nullptr;
    }
    NewsPluginRecord* record() {
        uintptr_t window = 0;
        if (!host->FindPlugin(kEngineName, &window, 0)) return nullptr;
        // A detach-less look: attach and detach again with the window flag.
        auto* r = reinterpret_cast<NewsPluginRecord*>(host->SendPlugin(window, kAttachCode, 0));
        host->SendPlugin(window, kDetachCode, 0);
        return r;
    }
    // Controls on the player's window; the news window is a window of its own.
    bool hasSkinPanels() const {
        for (QWidget* w : mainControl.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!w->isWindow()) return true;
        return false;
    }

    testsupport::TempDir dir;
    QWidget mainControl;
    std::unique_ptr<PlyxPlayer> player;
    std::unique_ptr<PlyxPluginHost> host;
    std::vector<std::string> boxes;
};

} // namespace

TEST_F(LoaderTest, TheWindowLoaderAloneRunsTheEngineWithoutSkinPanels) {
    install("PLYXNews.so");
    install("News.so");
    player = nullptr;
    run();
    ASSERT_TRUE(engineLoaded());
    NewsPluginRecord* r = record();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Attached, 1);
    EXPECT_NE(r->Window, 0u);
    EXPECT_NE(r->Module, 0u);
    EXPECT_FALSE(hasSkinPanels());
    EXPECT_TRUE(fs::exists(dir.file("Plugin/PLYXNews.so")));
    host->UnloadPlugins();
    pump();
    EXPECT_FALSE(engineLoaded()) << "the last detach unloads the engine";
    EXPECT_EQ(player->FindPlugin(kEngineName), 0u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LoaderTest, BothLoadersShareOneEngineAndTheLastDetachUnloadsIt) {
    install("PLYXNews.so");
    install("Strevo.so");
    install("News.so");
    player = nullptr;
    std::string design = dir.write("player.plyxd", "[Strevo]\r\nWidth=100\r\nHeight=16\r\n"
                                                   "[DateTimePanel]\r\nVisible=1\r\n");
    run();
    player->SetDesign(design);
    // The design was set after the skin loader attached: attach it anew.
    uintptr_t window = player->FindPlugin(kEngineName);
    ASSERT_NE(window, 0u);
    auto* r = reinterpret_cast<NewsPluginRecord*>(host->SendPlugin(window, kDetachCode, 1));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Attached, 1) << "the skin loader detached; the window loader holds the engine";
    EXPECT_FALSE(hasSkinPanels());
    EXPECT_TRUE(engineLoaded());
    r = reinterpret_cast<NewsPluginRecord*>(host->SendPlugin(window, kAttachCode, 1));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Attached, 2);
    EXPECT_TRUE(hasSkinPanels());
    // Loaded in name order, so the skin loader (Strevo) stops first.
    host->UnloadPlugins();
    pump();
    EXPECT_FALSE(engineLoaded());
    EXPECT_FALSE(hasSkinPanels());
}

TEST_F(LoaderTest, VersionsBelowTheRequiredOneShowTheBoxAndAbort) {
    install("PLYXNews.so");
    install("News.so");
    player = nullptr;
    run(6319);
    EXPECT_EQ(host->Aborts(), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], kRefusedVersionText);
    EXPECT_FALSE(engineLoaded());
    host.reset();
    player.reset();
    boxes.clear();

    // The engine checks the version itself too.
    run(6319);
    void* engine = dlopen((dir.file("Plugin") + "/News.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(engine, nullptr);
    auto newsRun = reinterpret_cast<NewsRunFunction>(dlsym(engine, "_newsRun"));
    ASSERT_NE(newsRun, nullptr);
    int aborts = host->Aborts();
    EXPECT_EQ(newsRun(reinterpret_cast<uintptr_t>(engine), host.get()), 0u);
    EXPECT_EQ(host->Aborts(), aborts + 1);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), kRefusedVersionText);
    dlclose(engine);
}

TEST_F(LoaderTest, TheEngineIsFoundBesideThePlayerFirstThenInPlugin) {
    install("PLYXNews.so");
    install("News.so", ".");
    install("News.so");
    player = nullptr;
    run();
    EXPECT_TRUE(engineLoaded("."));
    EXPECT_FALSE(engineLoaded("Plugin"));
    host->UnloadPlugins();
    EXPECT_FALSE(engineLoaded("."));
}

TEST_F(LoaderTest, ALibraryWithoutTheEntriesIsUnloadedAndNotAttached) {
    install("PLYXNews.so");
    fs::copy_file(NO_EXPORTS_LIBRARY, dir.file("Plugin/News.so"));
    player = nullptr;
    run();
    EXPECT_EQ(player->FindPlugin(kEngineName), 0u);
    EXPECT_FALSE(engineLoaded());
    host->UnloadPlugins(); // nothing to detach, nothing to crash on
}

TEST_F(LoaderTest, AnEngineThePlayerNoLongerListsIsStoppedByItsLoader) {
    install("PLYXNews.so");
    install("Strevo.so");
    install("News.so");
    player = nullptr;
    run();
    uintptr_t window = player->FindPlugin(kEngineName);
    ASSERT_NE(window, 0u);
    player->SetPluginName(window, "");
    host->UnloadPlugins();
    pump();
    EXPECT_FALSE(engineLoaded());
}

TEST_F(LoaderTest, LoadingAndUnloadingManyTimesStartsCleanEachTime) {
    install("PLYXNews.so");
    install("Strevo.so");
    install("News.so");
    std::string design = dir.write("player.plyxd", "[Strevo]\r\nWidth=100\r\nHeight=16\r\n");
    for (int k = 0; k < 20; ++k) {
        player = std::make_unique<PlyxPlayer>(PlyxPlayer::Options{6320, false, dir.file("plyx")});
        player->SetDesign(design);
        host = std::make_unique<PlyxPluginHost>(*player, &mainControl);
        host->LoadPlugins(dir.file("Plugin"));
        pump();
        ASSERT_TRUE(engineLoaded()) << k;
        EXPECT_TRUE(hasSkinPanels()) << k;
        host->UnloadPlugins();
        pump();
        ASSERT_FALSE(engineLoaded()) << k;
        EXPECT_FALSE(hasSkinPanels()) << k;
        host.reset();
        player.reset();
    }
    EXPECT_TRUE(boxes.empty());
}
