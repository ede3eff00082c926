#include "engine/host/TPLYX.h"
#include "host/PlyxPlayer.h"

#include "tests/site/SiteTestSupport.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class Bound : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
        plyx = std::make_unique<TPLYX>();
        plyx->Loaded();
        ASSERT_TRUE(plyx->Bound);
    }
    void TearDown() override { plyx.reset(); }
    void pump() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    testsupport::TempDir dir;
    PlyxPlayer player{{6320, false, {}}};
    std::unique_ptr<TPLYX> plyx;
};

} // namespace

TEST_F(Bound, MenuIdsMapToRootsAndOneWrapperEach) {
    EXPECT_EQ(plyx->GetMenu(0), nullptr);
    EXPECT_EQ(plyx->GetMenu(0x4000), plyx->RootMenus[0].get());
    EXPECT_EQ(plyx->GetMenu(0x8000), plyx->RootMenus[3].get());
    EXPECT_TRUE(plyx->MenuList.empty()) << "roots are never in the list";
    TPLYXMenu* a = plyx->GetMenu(0x12345);
    EXPECT_EQ(plyx->GetMenu(0x12345), a);
    EXPECT_FALSE(a->Created);
    EXPECT_EQ(plyx->MenuList.size(), 1u);
    plyx->Unbind();
    EXPECT_TRUE(plyx->MenuList.empty()) << "unbinding drops the wrappers";
}

TEST_F(Bound, MenusAreAddedRenamedCheckedClickedAndDeleted) {
    TPLYXMenu* root = plyx->GetMenu(0x4000);
    TPLYXMenu* news = root->Add(sjis("ニュース"));
    ASSERT_NE(news, nullptr);
    EXPECT_TRUE(news->Created);
    TPLYXMenu* update = news->Add(sjis("更新"));
    TPLYXMenu* separator = news->Add("-");
    TPLYXMenu* first = news->Insert(0, sjis("最初"));
    EXPECT_EQ(news->GetCount(), 3);
    EXPECT_EQ(news->GetItem(0), first);
    EXPECT_EQ(news->Find(sjis("更新")), update);
    EXPECT_EQ(update->GetIndex(), 1);
    EXPECT_EQ(separator->GetCaption(), "-");
    const PlyxMenuItem* inPlayer = player.MenuItem(news->Id);
    ASSERT_NE(inPlayer, nullptr);
    EXPECT_EQ(inPlayer->owner, plyx->ClientWindow);

    update->SetCaption(sjis("今すぐ更新"));
    EXPECT_EQ(utf8(update->GetCaption()), "今すぐ更新");
    update->SetChecked(true);
    EXPECT_TRUE(update->GetChecked());
    EXPECT_TRUE(player.MenuItem(update->Id)->checked);
    update->SetEnabled(false);
    EXPECT_FALSE(player.MenuItem(update->Id)->enabled);

    std::vector<std::string> heard;
    update->OnSelect = [&](TObject* sender) { heard.push_back(sender == update ? "select" : "?"); };
    plyx->OnMenu = [&](TObject* sender) { heard.push_back(sender == update ? "menu" : "?"); };
    player.ClickMenu(update->Id);
    pump();
    EXPECT_EQ(heard, (std::vector<std::string>{"select", "menu"}));

    // Deleted by the engine: gone from the player and from the list.
    long firstId = first->Id;
    news->Delete(0);
    EXPECT_EQ(player.MenuItem(firstId), nullptr);
    EXPECT_EQ(news->GetCount(), 2);
    // Deleted by the player: status 27 drops the wrapper.
    long separatorId = separator->Id;
    player.DeleteMenu(separatorId);
    pump();
    for (auto& item : plyx->MenuList)
        EXPECT_NE(item->Id, separatorId);
    // A Created wrapper that goes deletes its item in the player.
    long updateId = update->Id;
    plyx->DeleteMenu(update);
    EXPECT_EQ(player.MenuItem(updateId), nullptr);
}

TEST(TrackNumbers, CdAudioEntriesTakeDriveAndTrackFromThePath) {
    struct Case {
        std::string s3;
        int32_t n4, packed;
        int32_t n5, n6;
    } cases[] = {
        {"D:\\Track12.cda", 16, 0, 3, 12},
        {"d:\\track 5.cda", 17, 0, 3, 5},
        {"D:\\Track12.cda", 5, 0, 0, 0},              // not CD audio: nothing derived
        {"D:\\Track12.cda", 16, (7 << 16) | 8, 7, 8}, // both present: kept
        {"?:\\track1.cda", 16, 0, 0, 1},              // not a drive letter
        {"D:\\trackXY.cda", 16, 0, 3, 0},
        {"music.mp3", 16, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TTrackInfo info;
        info.S3 = c.s3;
        int32_t longs[7] = {1, 2, 3, c.n4, c.packed, 7, 8};
        UnpackTrackNumbers(info, longs);
        EXPECT_EQ(info.N5, c.n5) << c.s3 << " " << c.n4;
        EXPECT_EQ(info.N6, c.n6) << c.s3 << " " << c.n4;
        EXPECT_EQ(info.N7, 7);
        EXPECT_EQ(info.N9, 0);
    }
}

TEST_F(Bound, TrackInfoRoundTripsThroughThePlayList) {
    plyx->New();
    plyx->Add(sjis("/music/曲.mp3"));
    plyx->Add("D:\\Track03.cda");
    EXPECT_EQ(plyx->GetTracks(), 2);
    TTrackInfo info = plyx->GetTrackInfo(0);
    EXPECT_EQ(utf8(info.S3), "/music/曲.mp3");
    info.S2 = sjis("歌手");
    info.N1 = 11;
    info.N5 = 2;
    info.N6 = 0x1234;
    info.N9 = 99;
    plyx->SetTrackInfo(0, info);
    TTrackInfo back = plyx->GetTrackInfo(0);
    info.N9 = 0; // not exchanged with the player
    EXPECT_EQ(back, info);

    TTrackInfo cd = plyx->GetTrackInfo(1);
    cd.N4 = 16;
    plyx->SetTrackInfo(1, cd);
    cd = plyx->GetTrackInfo(1);
    EXPECT_EQ(cd.N5, 3);
    EXPECT_EQ(cd.N6, 3);

    plyx->Save(dir.file("list.txt"));
    plyx->New();
    EXPECT_EQ(plyx->GetTracks(), 0);
    plyx->Load(dir.file("list.txt"));
    EXPECT_EQ(plyx->GetTracks(), 2);
}

TEST_F(Bound, LyricsAreFetchedCachedAndClearedWhenTheyChange) {
    EXPECT_EQ(plyx->LyricsList.Count(), 3);
    EXPECT_EQ(plyx->GetLyricsText(-1), nullptr);
    EXPECT_EQ(plyx->GetLyricsText(3), nullptr);
    TLyrics* second = plyx->GetLyricsText(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Text, "Second line");
    EXPECT_EQ(second->LineNo, 1);
    EXPECT_EQ(second->Font.Height, -17);
    EXPECT_EQ(second->Tag, 2);
    EXPECT_EQ(plyx->GetLyricsText(1), second) << "one cached record a line";

    TLyrics* text = plyx->GetText();
    EXPECT_EQ(text, &plyx->Lyrics);
    EXPECT_EQ(text->Text, "First line");
    EXPECT_EQ(text->LineNo, 0);
    EXPECT_EQ(text->Font.Charset, 128);

    player.Lyrics.resize(1);
    plyx->NotifyStatus(16, 0); // lyrics loaded: the cache goes
    EXPECT_EQ(plyx->LyricsList.Count(), 1);
    EXPECT_EQ(plyx->GetLyricsText(1), nullptr);

    plyx->Unbind();
    EXPECT_EQ(plyx->LyricsList.Count(), 0);
    EXPECT_EQ(plyx->GetLyricsText(0), nullptr) << "unbound, every index is outside";
}

TEST_F(Bound, AClickSurvivesAHandlerThatUnbindsOrDeletesTheItem) {
    struct Case {
        const char* name;
        std::function<void(TPLYX&, TPLYXMenu* parent, TPLYXMenu* item)> act;
    } cases[] = {
        {"Unbind", [](TPLYX& p, TPLYXMenu*, TPLYXMenu*) { p.Unbind(); }},
        {"DeleteMenu", [](TPLYX& p, TPLYXMenu*, TPLYXMenu* item) { p.DeleteMenu(item); }},
        {"Delete",
         [](TPLYX&, TPLYXMenu* parent, TPLYXMenu* item) { parent->Delete(item->GetIndex()); }},
        {"ClearMenuList", [](TPLYX& p, TPLYXMenu*, TPLYXMenu*) { p.ClearMenuList(); }},
        {"OnSelect replaced",
         [](TPLYX&, TPLYXMenu*, TPLYXMenu* item) { item->OnSelect = nullptr; }},
    };
    for (const Case& c : cases) {
        if (!plyx->Bound) plyx->Loaded();
        ASSERT_TRUE(plyx->Bound);
        TPLYXMenu* parent = plyx->GetMenu(0x4000)->Add("News");
        TPLYXMenu* item = parent->Add("Item");
        long id = item->Id;
        // Held by value in the handler: it must outlive the handler's own call.
        std::string mark = std::string(c.name) + ", a mark too long for a small-string buffer";
        std::string heard;
        item->OnSelect = [&, mark, parent, item](TObject* sender) {
            c.act(*plyx, parent, item);
            heard = mark + (sender == item ? "" : " (another sender)");
        };
        long menuId = 0;
        TPLYX* menuOwner = nullptr;
        plyx->OnMenu = [&](TObject* sender) {
            auto* menu = static_cast<TPLYXMenu*>(sender);
            menuId = menu->Id;
            menuOwner = menu->Owner;
        };
        TMessage m{plyx->MessageId, 0x800, id, 0};
        plyx->WndProc(m);
        EXPECT_EQ(heard, mark) << c.name;
        EXPECT_EQ(menuId, id) << c.name;
        EXPECT_EQ(menuOwner, plyx.get()) << c.name << ": OnMenu gets the item whole";
        plyx->OnMenu = nullptr;
        pump();
    }
}

TEST_F(Bound, MenuHandlesLetGoWhenTheirItemGoes) {
    TPLYXMenuRef root = plyx->GetMenu(0x4000);
    struct Case {
        const char* name;
        std::function<void(TPLYX&, PlyxPlayer&, TPLYXMenu* parent, TPLYXMenu* item)> drop;
    } cases[] = {
        {"unbinding", [](TPLYX& p, PlyxPlayer&, TPLYXMenu*, TPLYXMenu*) { p.Unbind(); }},
        {"the player deleting it",
         [](TPLYX&, PlyxPlayer& player, TPLYXMenu*, TPLYXMenu* item) {
             player.DeleteMenu(item->Id);
             for (int i = 0; i < 3; ++i)
                 QCoreApplication::processEvents();
         }},
        {"DeleteMenu",
         [](TPLYX& p, PlyxPlayer&, TPLYXMenu*, TPLYXMenu* item) { p.DeleteMenu(item); }},
        {"the parent's Delete", [](TPLYX&, PlyxPlayer&, TPLYXMenu* parent,
                                   TPLYXMenu* item) { parent->Delete(item->GetIndex()); }},
        {"ClearMenuList", [](TPLYX& p, PlyxPlayer&, TPLYXMenu*, TPLYXMenu*) { p.ClearMenuList(); }},
    };
    for (const Case& c : cases) {
        if (!plyx->Bound) plyx->Loaded();
        ASSERT_TRUE(plyx->Bound);
        TPLYXMenuRef parent = root->Add("News");
        TPLYXMenuRef item = parent->Add("Item");
        ASSERT_TRUE(item) << c.name;
        long id = item.Id();
        EXPECT_EQ(item->GetCaption(), "Item");
        c.drop(*plyx, player, parent.get(), item.get());
        EXPECT_FALSE(item) << c.name;
        EXPECT_EQ(item.get(), nullptr) << c.name;
        EXPECT_EQ(item.Id(), id) << c.name << ": the id stays for a new lookup";
        EXPECT_EQ(root.get(), plyx->RootMenus[0].get()) << c.name << ": roots stay";
    }
    plyx.reset();
    EXPECT_FALSE(root) << "nothing outlives the component";
}

TEST(MenuHandles, AFailedPositionReadUnbindsAndLetsGoOfTheItems) {
    testsupport::TempDir dir;
    setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
    auto player = std::make_unique<PlyxPlayer>(PlyxPlayer::Options{6320, false, {}});
    TPLYX plyx;
    plyx.Loaded();
    ASSERT_TRUE(plyx.Bound);
    TPLYXMenuRef news = plyx.GetMenu(0x4000)->Add("News");
    ASSERT_TRUE(news);
    player.reset(); // its server now fails every call
    EXPECT_EQ(plyx.GetPosition(), 0);
    EXPECT_FALSE(plyx.Bound);
    EXPECT_FALSE(news);

    // A player that comes back gets the items again; the old handle stays empty.
    player = std::make_unique<PlyxPlayer>(PlyxPlayer::Options{6320, false, {}});
    plyx.Loaded();
    ASSERT_TRUE(plyx.Bound);
    EXPECT_FALSE(news);
    news = plyx.GetMenu(0x4000)->Add("News");
    EXPECT_TRUE(news);
    EXPECT_NE(player->MenuItem(news.Id()), nullptr);
}

TEST_F(Bound, LyricsRecordsStayUntilTheLyricsChange) {
    TLyrics* second = plyx->GetLyricsText(1);
    ASSERT_NE(second, nullptr);
    second->AccelFlag = true; // a mark of this record: fetching never writes it
    std::vector<PlyxLyricsLine> lines = player.Lyrics;

    player.Lyrics.resize(1);
    EXPECT_EQ(plyx->LyricsList.Count(), 1);
    EXPECT_EQ(plyx->GetLyricsText(1), nullptr);
    EXPECT_EQ(second->Text, "Second line") << "a shorter list keeps the record";
    plyx->Unbind();
    EXPECT_EQ(plyx->GetLyricsText(1), nullptr);
    EXPECT_EQ(second->Text, "Second line") << "so does unbinding";

    player.Lyrics = lines;
    plyx->Loaded();
    EXPECT_EQ(plyx->GetLyricsText(1), second);
    EXPECT_TRUE(second->AccelFlag);

    plyx->NotifyStatus(16, 0); // lyrics loaded: now the cache goes
    TLyrics* fresh = plyx->GetLyricsText(1);
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->AccelFlag);
}
