#include "tests/support/EngineFixture.h"

#include "engine/news/NewsMenu.h"

#include "tests/support/EventPump.h"
#include "tests/support/RecordingBrowser.h"

namespace {

std::vector<std::string> captions(PlyxPlayer& player, long parent) {
    std::vector<std::string> out;
    for (long id : player.Children(parent))
        out.push_back(player.MenuItem(id)->caption);
    return out;
}

class MenuTest : public EngineTest {
protected:
    long root() { return player->Children(kMenuPlugins).at(0); }
    long entry(const char* utf8) {
        for (long id : player->Children(root()))
            if (player->MenuItem(id)->caption == S(utf8)) return id;
        return 0;
    }
};

} // namespace

TEST_F(MenuTest, TheEngineAddsItsSubmenuAndAHelpEntry) {
    start();
    ASSERT_EQ(captions(*player, kMenuPlugins), std::vector<std::string>{"PLYX Talo+"});
    std::vector<std::string> want;
    for (const char* c : {"ニュース更新", "オフライン", "-", "再度表示", "前のニュース",
                          "次のニュース", "-", "ニュースサイト", "前のニュースサイト",
                          "次のニュースサイト", "-", "ウィンドウ表示", "プロパティ", "ヘルプ"})
        want.push_back(S(c));
    EXPECT_EQ(captions(*player, root()), want);
    std::vector<std::string> help = captions(*player, kMenuHelp);
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[1], "PLYX Talo+") << "just after the player's about entry";
    EXPECT_EQ(captions(*player, entry("ニュースサイト")).size(), 11u);
}

TEST_F(MenuTest, TheOnlineItemTogglesItsStateAndCaption) {
    start();
    long online = entry("オフライン");
    ASSERT_NE(online, 0);
    player->ClickMenu(online);
    pump();
    EXPECT_FALSE(news->Online);
    EXPECT_EQ(player->MenuItem(online)->caption, S("オンライン"));
    player->ClickMenu(online);
    pump();
    EXPECT_TRUE(news->Online);
    EXPECT_EQ(player->MenuItem(online)->caption, S("オフライン"));
}

TEST_F(MenuTest, SiteEntriesFollowTheSitesAndTheShownOneIsChecked) {
    start();
    news->Online = false;
    fill(news->Sites()->Get(7), 1);
    news->ShownSite[1] = news->Sites()->Get(7);
    long sites = entry("ニュースサイト");
    player->AboutToShowMenu(kMenuPlugins);
    pump();
    std::vector<long> items = player->Children(sites);
    ASSERT_EQ(items.size(), 11u);
    for (size_t k = 0; k < items.size(); ++k) {
        EXPECT_EQ(player->MenuItem(items[k])->enabled, k == 7) << k;
        EXPECT_EQ(player->MenuItem(items[k])->checked, k == 7) << k;
    }
    // Another menu about to open changes nothing.
    news->ShownSite[1] = nullptr;
    player->AboutToShowMenu(kMenuPlay);
    pump();
    EXPECT_TRUE(player->MenuItem(items[7])->checked);

    // Choosing an entry selects that site on ticker 1.
    news->Sites()->Get(3)->Enabled = true;
    player->ClickMenu(items[3]);
    pump();
    EXPECT_EQ(news->SiteIndex[1], 3);

    // A renamed site shows its new name once the menu is rebuilt.
    news->Sites()->Get(3)->Name = "Renamed";
    news->RebuildSiteMenu();
    EXPECT_EQ(captions(*player, sites).at(3), "Renamed");
    // An entry whose site went away is shown disabled.
    news->Sites()->Delete(3);
    player->AboutToShowMenu(kMenuPlugins);
    pump();
    EXPECT_FALSE(player->MenuItem(player->Children(sites).at(3))->enabled);
}

TEST_F(MenuTest, TheWindowItemIsCheckedOnlyWhenAWindowShows) {
    start();
    long window = entry("ウィンドウ表示");
    player->ClickMenu(window);
    pump();
    EXPECT_TRUE(news->WindowEnabled) << "the wish is kept for a later start";
    EXPECT_FALSE(player->MenuItem(window)->checked) << "no window library, no check mark";
}

TEST_F(MenuTest, MenusComeBackWhenThePlayerReturns) {
    start();
    long online = entry("オフライン");
    player->ClickMenu(online);
    pump();
    news->PLYX()->Unbind();
    pump();
    EXPECT_TRUE(player->Children(kMenuPlugins).empty());
    news->PLYX()->Bind();
    pump();
    ASSERT_EQ(captions(*player, kMenuPlugins), std::vector<std::string>{"PLYX Talo+"});
    EXPECT_NE(entry("オンライン"), 0) << "the caption shows the state kept meanwhile";
    EXPECT_EQ(captions(*player, entry("ニュースサイト")).size(), 11u) << "one entry per site";
    player->ClickMenu(entry("オンライン"));
    pump();
    EXPECT_TRUE(news->Online);
    EXPECT_EQ(captions(*player, kMenuHelp).size(), 2u) << "one help entry, not two";
}

TEST_F(MenuTest, StoppingTheEngineTakesItsMenusAway) {
    start();
    news.reset();
    pump();
    EXPECT_TRUE(player->Children(kMenuPlugins).empty());
    EXPECT_EQ(captions(*player, kMenuHelp).size(), 1u);
}

TEST_F(EngineTest, StartsAndStopsManyTimesInOneProcess) {
    for (int k = 0; k < 100; ++k) {
        start();
        EXPECT_EQ(Globals().News, news.get());
        news.reset();
        pump();
        EXPECT_EQ(Globals().News, nullptr);
        EXPECT_EQ(Globals().PLYX, nullptr);
    }
    EXPECT_TRUE(player->Children(kMenuPlugins).empty());
    EXPECT_TRUE(player->Clients().empty());
}

TEST_F(MenuTest, HelpOpensTheFileBesideThePlayerElseThePluginFolders) {
    testsupport::RecordingBrowser desktop;
    start();
    EXPECT_FALSE(news->ShowHelp());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(base() + "Plugin/PLYXNews.html"), std::string::npos) << boxes[0];
    std::filesystem::create_directories(dir.file("Plugin"));
    dir.write("Plugin/PLYXNews.html", "<html></html>");
    ASSERT_TRUE(news->ShowHelp());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return desktop.opened(); }));
    EXPECT_EQ(desktop.openedTarget(), base() + "Plugin/PLYXNews.html\n");
    dir.write("PLYXNews.html", "<html></html>");
    player->ClickMenu(player->Children(kMenuHelp).at(1));
    ASSERT_TRUE(testsupport::PumpUntil(
        [&] { return desktop.opened() && desktop.openedTarget() == base() + "PLYXNews.html\n"; }));
}

TEST_F(MenuTest, HelpAndLinksThatCannotBeOpenedAreSaidOnceWithWhatToInstall) {
    testsupport::TempDir bin; // no browser and no xdg-open
    std::string path = getenv("PATH");
    setenv("PATH", bin.path().c_str(), 1);
    dir.write("PLYXNews.html", "<html></html>");
    start();
    ASSERT_TRUE(news->ShowHelp());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !boxes.empty(); }));
    news->OpenLink("http://a.example/");
    news->OpenLink("http://a.example/");
    ASSERT_TRUE(testsupport::PumpUntil([&] { return boxes.size() >= 2; }));
    setenv("PATH", path.c_str(), 1);
    for (int i = 0; i < 20; ++i)
        pump();
    ASSERT_EQ(boxes.size(), 2u) << "the same failure is said once";
    EXPECT_NE(boxes[0].find("PLYXNews.html"), std::string::npos);
    EXPECT_NE(boxes[1].find("http://a.example/"), std::string::npos);
    EXPECT_NE(boxes[1].find("xdg-utils"), std::string::npos);
}
