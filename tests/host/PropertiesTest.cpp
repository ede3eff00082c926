#include "engine/host/TPLYX.h"
#include "host/PlyxControl.h"
#include "host/PlyxPlayer.h"
#include "platform/registry/Registry.h"

#include "tests/site/SiteTestSupport.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace platform;
using Log = std::vector<std::string>;

namespace {

class Properties : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
        RegWriteString(RegistryRoot::CurrentUser, "Software\\QUARN\\PLYX", "",
                       dir.file("player/plyx"));
        std::filesystem::create_directories(dir.path() / "player");
    }
    void pump() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    testsupport::TempDir dir;
};

} // namespace

TEST_F(Properties, UnboundMembersGiveFixedValuesAndDoNothing) {
    PlyxPlayer player({6320, false, {}});
    TPLYX plyx; // a player runs, but this component is not bound to it
    ASSERT_FALSE(plyx.Bound);
    EXPECT_FALSE(plyx.GetVisible());
    EXPECT_EQ(plyx.GetLeft(), -1);
    EXPECT_EQ(plyx.GetTop(), -1);
    EXPECT_EQ(plyx.GetWidth(), -1);
    EXPECT_EQ(plyx.GetHeight(), -1);
    EXPECT_EQ(plyx.GetPlayStatus(), 524);
    EXPECT_EQ(plyx.GetTrack() + plyx.GetPosition() + plyx.GetLength() + plyx.GetVolume() +
                  plyx.GetCounter(),
              0);
    EXPECT_FALSE(plyx.GetRepeat() || plyx.GetRandom() || plyx.GetRemainTime() ||
                 plyx.GetOnTimer() || plyx.GetOffTimer() || plyx.GetShutDownRecord() ||
                 plyx.GetMute() || plyx.GetShutDownPlay() || plyx.GetStayOnTop());
    EXPECT_EQ(plyx.GetDisplayMode(), dmNormal);
    EXPECT_EQ(plyx.GetOnTime() + plyx.GetOffTime(), 0);
    EXPECT_EQ(plyx.GetRecLevel(), 100);
    EXPECT_EQ(plyx.GetRate(), 100);
    EXPECT_EQ(plyx.GetAdjustVolLevel(), 100);
    EXPECT_EQ(plyx.GetAdjustSpeanaLevel(), 100);
    EXPECT_EQ(plyx.GetZoom(), 100);
    EXPECT_EQ(plyx.GetFixedVideoWidth(), 640);
    EXPECT_EQ(plyx.GetFixedVideoHeight(), 480);
    EXPECT_EQ(plyx.GetAudioVideo(), dtUnknown);
    EXPECT_EQ(plyx.GetColor(0), clNone);
    EXPECT_EQ(plyx.GetPluginName(0), "");
    EXPECT_FALSE(plyx.FindPlugin("Talo+", nullptr, nullptr));
    EXPECT_EQ(plyx.SendPlugin(1, 2, 3), 0u);
    EXPECT_EQ(plyx.GetTracks(), 0);
    EXPECT_EQ(plyx.GetTrackInfo(0), TTrackInfo{});
    TFont before = plyx.Font;
    EXPECT_EQ(plyx.GetFont(0), &plyx.Font);
    EXPECT_EQ(plyx.Font, before);
    EXPECT_EQ(plyx.GetText(), &plyx.Lyrics);
    EXPECT_EQ(plyx.Lyrics.LineNo, -1);
    int left = 7, right = 7, levels[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    plyx.GetVolumes(&left, &right);
    plyx.GetSpeana(levels);
    EXPECT_EQ(left + right, 0);
    for (int l : levels)
        EXPECT_EQ(l, 0);

    plyx.Play();
    plyx.SetVolume(50);
    plyx.FF(true);
    plyx.Seek(1, 2);
    plyx.Add("a.mp3");
    plyx.SetPluginName("Talo+");
    EXPECT_TRUE(player.Log.empty());
    EXPECT_TRUE(player.PlayList.empty());
    EXPECT_EQ(player.Properties["Volume"], 80);
}

TEST_F(Properties, BoundMembersReadBackWhatTheyWrote) {
    PlyxPlayer player({6320, false, {}});
    TPLYX plyx;
    plyx.Loaded();
    ASSERT_TRUE(plyx.Bound);
    EXPECT_EQ(plyx.GetWidth(), 320);
    EXPECT_EQ(plyx.GetHeight(), 120);

    plyx.SetVisible(false);
    EXPECT_FALSE(plyx.GetVisible());
    plyx.SetLeft(30);
    plyx.SetTop(-40);
    EXPECT_EQ(plyx.GetLeft(), 30);
    EXPECT_EQ(plyx.GetTop(), -40);
    struct IntCase {
        void (TPLYX::*set)(int);
        int (TPLYX::*get)();
        int value;
    } ints[] = {
        {&TPLYX::SetTrack, &TPLYX::GetTrack, 3},
        {&TPLYX::SetPosition, &TPLYX::GetPosition, 12345},
        {&TPLYX::SetVolume, &TPLYX::GetVolume, 55},
        {&TPLYX::SetCounter, &TPLYX::GetCounter, 9},
        {&TPLYX::SetOnTime, &TPLYX::GetOnTime, 600},
        {&TPLYX::SetOffTime, &TPLYX::GetOffTime, 700},
        {&TPLYX::SetRecLevel, &TPLYX::GetRecLevel, 80},
        {&TPLYX::SetRate, &TPLYX::GetRate, 120},
        {&TPLYX::SetAdjustVolLevel, &TPLYX::GetAdjustVolLevel, 90},
        {&TPLYX::SetAdjustSpeanaLevel, &TPLYX::GetAdjustSpeanaLevel, 70},
        {&TPLYX::SetZoom, &TPLYX::GetZoom, 200},
        {&TPLYX::SetFixedVideoWidth, &TPLYX::GetFixedVideoWidth, 800},
        {&TPLYX::SetFixedVideoHeight, &TPLYX::GetFixedVideoHeight, 600},
    };
    for (const IntCase& c : ints) {
        (plyx.*c.set)(c.value);
        EXPECT_EQ((plyx.*c.get)(), c.value);
    }
    struct BoolCase {
        void (TPLYX::*set)(bool);
        bool (TPLYX::*get)();
    } bools[] = {
        {&TPLYX::SetRepeat, &TPLYX::GetRepeat},
        {&TPLYX::SetRandom, &TPLYX::GetRandom},
        {&TPLYX::SetRemainTime, &TPLYX::GetRemainTime},
        {&TPLYX::SetOnTimer, &TPLYX::GetOnTimer},
        {&TPLYX::SetOffTimer, &TPLYX::GetOffTimer},
        {&TPLYX::SetShutDownRecord, &TPLYX::GetShutDownRecord},
        {&TPLYX::SetMute, &TPLYX::GetMute},
        {&TPLYX::SetShutDownPlay, &TPLYX::GetShutDownPlay},
        {&TPLYX::SetStayOnTop, &TPLYX::GetStayOnTop},
    };
    for (const BoolCase& c : bools) {
        (plyx.*c.set)(true);
        EXPECT_TRUE((plyx.*c.get)());
        (plyx.*c.set)(false);
        EXPECT_FALSE((plyx.*c.get)());
    }
    plyx.SetDisplayMode(dmMini);
    EXPECT_EQ(plyx.GetDisplayMode(), dmMini);
    plyx.SetDesign(sjis("/skins/青.plyxd"));
    EXPECT_EQ(plyx.GetDesign(), sjis("/skins/青.plyxd"));
    EXPECT_EQ(player.Design, sjis("/skins/青.plyxd"));

    player.Log.clear();
    plyx.Play();
    plyx.FF(true);
    plyx.Rewind(false);
    plyx.Seek(1, 2);
    plyx.KeyDown(13, ssShift | ssCtrl);
    plyx.Click(4);
    plyx.ShowPlayList();
    EXPECT_EQ(player.Log, (Log{"Play", "FF on", "Rewind off", "Seek 1 2", "KeyDown 13 5", "Click 4",
                               "ShowPlayList"}));
    EXPECT_EQ(plyx.GetColor(1), 0xF0F0F0);
    EXPECT_EQ(plyx.GetColor(99), clNone);

    plyx.SetPluginName("Talo+");
    EXPECT_EQ(plyx.GetPluginName(0), "Talo+");
    void* first = nullptr;
    EXPECT_TRUE(plyx.FindPlugin("Talo+", &first, nullptr));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(first), plyx.ClientWindow);
    plyx.OnReceive = [](TObject*, uint16_t cmd, uint32_t param) { return cmd + param; };
    EXPECT_EQ(plyx.SendPlugin(plyx.ClientWindow, 40, 2), 42u);
}

TEST_F(Properties, GetFontSetsHeightOrPointSizeStyleAndColour) {
    PlyxPlayer player({6320, false, {}});
    TPLYX plyx;
    plyx.Loaded();
    plyx.Font.PixelsPerInch = 72; // points and pixels tell apart
    TFont* font = plyx.GetFont(0);
    EXPECT_EQ(font, &plyx.Font);
    EXPECT_EQ(utf8(font->Name), "ＭＳ ゴシック");
    EXPECT_EQ(font->Charset, 128);
    EXPECT_EQ(font->Height, -12) << "a negative size is a height";
    EXPECT_EQ(font->Style, fsBold);
    EXPECT_EQ(font->Color, 0xF0F0F0);
    plyx.GetFont(1);
    EXPECT_EQ(plyx.Font.Size(), 9) << "a positive size is in points";
    EXPECT_EQ(plyx.Font.Height, -9);
    EXPECT_EQ(plyx.Font.Style, 0);
}

TEST_F(Properties, GetDesignUnboundResolvesAgainstThePlayersFolder) {
    TPLYX plyx;
    EXPECT_EQ(plyx.PlayerPath, dir.file("player/plyx"));
    EXPECT_EQ(plyx.GetDesign(), "") << "no key";
    auto before = std::filesystem::current_path();
    testsupport::TempDir elsewhere;
    std::filesystem::current_path(elsewhere.path());
    plyx.SetDesign("skins\\blue.plyxd");
    EXPECT_EQ(testsupport::ReadAll(dir.file("player/plyx.ini")),
              "[PLYX]\r\nDesign=skins\\blue.plyxd\r\n");
    EXPECT_EQ(plyx.GetDesign(), dir.file("player/skins/blue.plyxd"));
    EXPECT_EQ(std::filesystem::current_path(), elsewhere.path());
    std::filesystem::current_path(before);
}

TEST_F(Properties, ToolsAreWrittenUnboundAndThePlayerIsToldWhenItRuns) {
    TPLYX plyx;
    plyx.SetTool("News", "/usr/bin/news");
    EXPECT_TRUE(plyx.ToolExists("News"));
    EXPECT_FALSE(plyx.ToolExists("Other"));

    PlyxPlayer player({6320, false, dir.file("player/plyx")});
    plyx.SetTool("Other", "x");
    pump();
    EXPECT_EQ(player.Log, Log{"ReloadTools"});
    std::vector<long> tools = player.Children(kMenuTools);
    ASSERT_EQ(tools.size(), 2u) << "the player re-read its tools";
    EXPECT_EQ(player.MenuItem(tools[1])->caption, "Other");
    plyx.DeleteTool("News");
    pump();
    EXPECT_FALSE(plyx.ToolExists("News"));
    EXPECT_EQ(player.Log, (Log{"ReloadTools", "ReloadTools"}));
}

TEST_F(Properties, SettingsFileCallsChangeOneKeyAndKeepTheRestOfTheFile) {
    std::string path = dir.file("player/plyx.ini");
    const std::string before = "; the player's own notes\r\n"
                               "Version=3\r\n"
                               "\r\n"
                               "[PLYX]\r\n"
                               "  Left = 10 \r\n"
                               "Design = old.plyxd\r\n"
                               "\r\n"
                               "[Tool]\r\n"
                               "; editors\r\n"
                               "Edit = /usr/bin/edit\r\n"
                               "Mail=/usr/bin/mail\r\n";
    std::filesystem::create_directories(dir.path() / "player");
    dir.write("player/plyx.ini", before);
    ::chmod(path.c_str(), 0600);

    TPLYX plyx;
    plyx.SetDesign("\"skins\\new one.plyxd\"");
    plyx.SetTool("News", "/usr/bin/news");
    plyx.DeleteTool("edit");
    plyx.SetTool("Mail", "/usr/bin/mutt");
    EXPECT_EQ(testsupport::ReadAll(path), "; the player's own notes\r\n"
                                          "Version=3\r\n"
                                          "\r\n"
                                          "[PLYX]\r\n"
                                          "  Left = 10 \r\n"
                                          "Design=\"skins\\new one.plyxd\"\r\n"
                                          "\r\n"
                                          "[Tool]\r\n"
                                          "; editors\r\n"
                                          "Mail=/usr/bin/mutt\r\n"
                                          "News=/usr/bin/news\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(plyx.GetDesign(), dir.file("player/skins/new one.plyxd"))
        << "surrounding quotes go before the path is resolved";

    std::string unchanged = testsupport::ReadAll(path);
    plyx.DeleteTool("NoSuchTool");
    plyx.SetTool("News", "/usr/bin/news");
    EXPECT_EQ(testsupport::ReadAll(path), unchanged);
}

TEST_F(Properties, AFirstStartShowsTheSampleSkinUntilAnotherOrNoneIsChosen) {
    PlyxPlayer player({6320, false, dir.file("player/plyx")});
    EXPECT_EQ(player.StoredDesign(), "") << "no skin installed";
    std::filesystem::create_directories(dir.path() / "player/Skins");
    std::string sample = dir.write("player/Skins/plyx-skin.plyxd", "[Form]\r\n");
    EXPECT_EQ(player.StoredDesign(), sample);
    ASSERT_TRUE(player.ChooseDesign(""));
    EXPECT_EQ(player.Design, "");
    EXPECT_EQ(player.StoredDesign(), "") << "none, as chosen";
    ASSERT_TRUE(player.ChooseDesign(dir.file("mine.plyxd")));
    EXPECT_EQ(player.StoredDesign(), dir.file("mine.plyxd"));
}
