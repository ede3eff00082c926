#include "engine/entry/NewsPluginRecord.h"
#include "host/PlyxPlayer.h"
#include "host/PlyxPluginHost.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"

#include "tests/support/TempDir.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTreeView>
#include <QWidget>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

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
    // The player in folder (native name), with its plug-ins; how many run.
    int run(int version = 6320, const fs::path& folder = {}) {
        fs::path root = folder.empty() ? dir.path() : folder;
        player = std::make_unique<PlyxPlayer>(PlyxPlayer::Options{
            version, false, platform::PathFromNative((root / "plyx").string())});
        host = std::make_unique<PlyxPluginHost>(*player, &mainControl);
        int started = host->LoadPlugins(platform::PathFromNative((root / "Plugin").string()));
        pump();
        return started;
    }
    void pump() {
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
    }
    // Whether the engine library is still in the process.
    bool engineLoaded(const std::string& folder = "Plugin") const {
        return loadedHandle(folder) != nullptr;
    }
    // The handle of folder's engine library when it is loaded (the value
    // dlopen gives every time), else null.
    void* loadedHandle(const std::string& folder) const {
        void* handle = dlopen((dir.file(folder) + "/News.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle) dlclose(handle);
        return handle;
    }
    NewsPluginRecord* record() {
        uintptr_t window = 0;
        if (!host->FindPlugin(kEngineName, &window, 0)) return nullptr;
        // A detach-less look: attach and detach again with the window flag.
        auto* r = reinterpret_cast<NewsPluginRecord*>(host->SendPlugin(window, kAttachCode, 0));
        host->SendPlugin(window, kDetachCode, 0);
        return r;
    }
    // The engine library stays mapped once loaded (Qt keeps pointers into
    // it): stopped means out of the player, detached and its handle let go.
    bool engineStopped(const NewsPluginRecord* r) const {
        return r && r->Module == 0 && r->Attached == 0 && player->FindPlugin(kEngineName) == 0;
    }
    QWidget* propertyDialog() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "PLYX Talo+") return w;
        return nullptr;
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
    EXPECT_TRUE(engineStopped(r)) << "the last detach stops the engine";
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
    EXPECT_TRUE(engineStopped(r));
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
    EXPECT_EQ(player->FindPlugin(kEngineName), 0u) << "no engine started";
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
    NewsPluginRecord* r = record();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Module, reinterpret_cast<uintptr_t>(loadedHandle(".")));
    host->UnloadPlugins();
    EXPECT_TRUE(engineStopped(r));
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
    NewsPluginRecord* r = record();
    player->SetPluginName(window, "");
    host->UnloadPlugins();
    pump();
    EXPECT_TRUE(engineStopped(r));
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
        NewsPluginRecord* r = record();
        host->UnloadPlugins();
        pump();
        ASSERT_TRUE(engineStopped(r)) << k;
        EXPECT_FALSE(hasSkinPanels()) << k;
        host.reset();
        player.reset();
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LoaderTest, ReloadingAfterThePropertyDialogLeavesQtTypesWorking) {
    install("PLYXNews.so");
    install("Strevo.so");
    install("News.so");
    for (int k = 0; k < 10; ++k) {
        run();
        const PlyxMenuItem* properties = nullptr;
        for (const PlyxMenuItem& item : player->Menus())
            if (item.caption == platform::Utf8ToSjis("プロパティ")) properties = &item;
        ASSERT_NE(properties, nullptr) << k;
        player->ClickMenu(properties->id);
        pump();
        ASSERT_NE(propertyDialog(), nullptr) << k;
        host->UnloadPlugins();
        pump();
        EXPECT_EQ(propertyDialog(), nullptr) << k;
        host.reset();
        player.reset();
    }
    // A tree view and its model pass alignments through QVariant.
    QStandardItemModel model;
    auto* item = new QStandardItem("x");
    item->setData(QVariant::fromValue(Qt::Alignment(Qt::AlignRight)), Qt::TextAlignmentRole);
    model.appendRow(item);
    QTreeView view;
    view.setModel(&model);
    view.show();
    pump();
    EXPECT_EQ(model.index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignRight);
    EXPECT_TRUE(QMetaType::fromName("Qt::Alignment").isValid());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LoaderTest, APlugInUnderTheEngineNameThatIsNoEngineIsIgnored) {
    fs::copy_file(IMPOSTER_LIBRARY, dir.file("Plugin/Imposter.so")); // runs first
    install("PLYXNews.so");
    install("Strevo.so");
    install("News.so");
    EXPECT_EQ(run(), 3);
    uintptr_t window = player->FindPlugin(kEngineName);
    EXPECT_NE(window, 0u) << "the impostor keeps its name";
    host->UnloadPlugins();
    pump();
    EXPECT_EQ(player->FindPlugin(kEngineName), 0u);
}

TEST_F(LoaderTest, AFolderShiftJisCannotNameRunsThePlugIns) {
    fs::path folder = dir.path() / "renée";
    fs::create_directories(folder / "Plugin");
    for (const char* name : {"PLYXNews.so", "News.so"})
        fs::copy_file(fs::path(PLUGIN_BUILD_DIR) / name, folder / "Plugin" / name);
    EXPECT_EQ(run(6320, folder), 1);
    NewsPluginRecord* r = record();
    ASSERT_NE(r, nullptr) << "the loader found and started the engine";
    EXPECT_EQ(r->Attached, 1);
    host->UnloadPlugins();
    EXPECT_TRUE(engineStopped(r));
}

// Files that are no library for this player: skipped with one line each,
// without hanging or crashing, by the player's scan and by the loaders'
// search for the engine (beside the player, then in Plugin).
TEST_F(LoaderTest, FilesThatAreNoLoadableLibraryAreSkippedWithOneLine) {
    std::string library = testsupport::ReadAll(fs::path(PLUGIN_BUILD_DIR) / "PLYXNews.so");
    ASSERT_GT(library.size(), 4000u);
    auto patched = [&](size_t at, char byte) {
        std::string bytes = library;
        bytes[at] = byte;
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes; // empty: a FIFO
        const char* reason;
    };
    const Case cases[] = {
        {"fifo", "", "not a regular file"},
        {"truncated", library.substr(0, 3000), "cut short"},
        {"32-bit", patched(4, 1), "not built for this machine"},
        {"other machine", patched(18, 40), "not built for this machine"},
        {"text", "INPUT(libc.so.6)\n", "no ELF"},
    };
    for (const Case& c : cases) {
        testsupport::TempDir folder;
        fs::create_directories(folder.path() / "Plugin");
        for (const std::string& at : {folder.file("Plugin/Bad.so"), folder.file("News.so")}) {
            if (c.bytes.empty())
                ASSERT_EQ(mkfifo(at.c_str(), 0600), 0);
            else
                std::ofstream(at, std::ios::binary) << c.bytes;
        }
        fs::copy_file(fs::path(PLUGIN_BUILD_DIR) / "PLYXNews.so",
                      folder.path() / "Plugin/PLYXNews.so");
        fs::copy_file(fs::path(PLUGIN_BUILD_DIR) / "News.so", folder.path() / "Plugin/News.so");
        testing::internal::CaptureStderr();
        int started = run(6320, folder.path());
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(started, 1) << c.name << "\n" << said;
        NewsPluginRecord* r = record();
        EXPECT_NE(r, nullptr) << c.name << ": the engine in Plugin runs";
        for (const std::string& at : {folder.file("Plugin/Bad.so"), folder.file("News.so")}) {
            std::string line = at + ": " + c.reason;
            EXPECT_NE(said.find(line), std::string::npos) << c.name << ": " << line << "\n" << said;
        }
        host->UnloadPlugins();
        EXPECT_TRUE(engineStopped(r)) << c.name;
        host.reset();
        player.reset();
    }
}

TEST_F(LoaderTest, AnEngineThatDoesNotStartIsUnloaded) {
    install("PLYXNews.so");
    fs::copy_file(FAILING_ENGINE_LIBRARY, dir.file("Plugin/News.so"));
    run();
    EXPECT_FALSE(engineLoaded());
    host->UnloadPlugins();
}

TEST_F(LoaderTest, TheEngineKeepsItsNameWhenThePlayerClosesAndOpensAgain) {
    install("PLYXNews.so");
    install("Strevo.so");
    install("News.so");
    run();
    uintptr_t window = player->FindPlugin(kEngineName);
    ASSERT_NE(window, 0u);
    platform::SendMessage(window, player->MessageId(), pcClose, 0);
    platform::SendMessage(window, player->MessageId(), pcOpen,
                          static_cast<platform::LPARAM>(player->Window()));
    pump();
    EXPECT_EQ(player->FindPlugin(kEngineName), window);
    NewsPluginRecord* r = record();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Attached, 2);
    host->UnloadPlugins(); // the skin loader's stop is no longer the last
    pump();
    EXPECT_TRUE(engineStopped(r));
}
