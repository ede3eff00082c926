#include "engine/window/TPLYXNewsWindow.h"

#include "tests/support/EngineFixture.h"

#include <QMimeData>
#include <QScreen>

namespace {

class NewsWindowTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        RegisterNewsWindow();
        writeSettings("[PLYXNews]\r\nVersion=6320\r\nOnline=1\r\n[Site]\r\n"
                      "A=\"http://a.example/\",1,60\r\nB=\"http://b.example/\",0,60\r\n");
        player->Properties["Width"] = 400;
        player->Properties["Height"] = 120;
        player->MoveTo(100, 200);
        start();
        ASSERT_TRUE(news->CreateNewsWindow());
        window = static_cast<TPLYXNewsWindow*>(Globals().PLYXNewsWindow);
    }
    void place(int location) {
        news->SetWindowLocation(location);
        pump();
    }
    // The frame of the list the image shows now, -1 when none.
    static int frameOf(const platform::TImage* image, const platform::TImageList& list) {
        for (int k = 0; k < list.Count(); ++k) {
            platform::TBitmap frame;
            if (list.GetBitmap(k, frame) && frame.Image == image->Picture.Image) return k;
        }
        return -1;
    }

    TPLYXNewsWindow* window = nullptr;
};

} // namespace

TEST_F(NewsWindowTest, DocksToEachSideOfThePlayerAndDragsThePlayerAlong) {
    ASSERT_EQ(window->size(), QSize(320, 60));
    place(1);
    EXPECT_EQ(window->pos(), QPoint(140, 140));
    window->MoveTo({150, 100});
    EXPECT_EQ(player->Properties["Left"], 110);
    EXPECT_EQ(player->Properties["Top"], 160);
    EXPECT_EQ(news->WindowPosition, std::make_pair(150, 100));

    player->MoveTo(100, 200);
    place(3);
    EXPECT_EQ(window->pos(), QPoint(-220, 230));
    place(2);
    EXPECT_EQ(window->pos(), QPoint(140, 320));
    place(4);
    EXPECT_EQ(window->pos(), QPoint(500, 230));

    // A window wider than the player: the half difference truncates to zero.
    window->resize(503, 60);
    place(1);
    EXPECT_EQ(window->pos(), QPoint(100 + (400 - 503) / 2, 140));
    EXPECT_EQ(window->x(), 49);
}

TEST_F(NewsWindowTest, AtAnOffsetTheWindowFollowsThePlayerAndDraggingMovesOnlyTheOffset) {
    window->move(130, 150);
    place(5);
    EXPECT_EQ(news->WindowPosition, std::make_pair(30, -50));
    EXPECT_EQ(window->pos(), QPoint(130, 150));
    news->UpdateTimerState(); // the window is not enabled: subscribe for moves by hand
    news->PLYX()->SetEvents({evMove});
    player->MoveTo(300, 400);
    pump();
    EXPECT_EQ(window->pos(), QPoint(330, 350));
    window->MoveTo({10, 20});
    EXPECT_EQ(news->WindowPosition, std::make_pair(-290, -380));
    EXPECT_EQ(player->Properties["Left"], 300) << "the player stays";
}

TEST_F(NewsWindowTest, AnOffsetFromTheSettingsFileBeyondAnyScreenStaysWithinTheWindowSystemsRange) {
    news->WindowLocation = wlOffset;
    for (auto [offset, expected] :
         {std::pair{std::pair{INT32_MAX, INT32_MIN}, QPoint(32767, -32768)},
          {{INT32_MIN, INT32_MAX}, QPoint(-32768, 32767)},
          {{-5, 7}, QPoint(95, 207)}}) {
        news->WindowPosition = offset;
        window->FollowPlayer(100, 200);
        EXPECT_EQ(window->pos(), expected) << offset.first << "," << offset.second;
        EXPECT_EQ(news->WindowPosition, offset) << "the stored offset is the user's";
    }
}

TEST_F(NewsWindowTest, ReleasedNearACornerSnapsIntoItAndLetsGoOfItAfterward) {
    place(0);
    QRect work(0, 0, 1024, 768);
    CornerSnap snap;
    QSize size(320, 60);
    // Dragged in from the middle: snapping is armed, the corner pulls.
    EXPECT_EQ(snap.Snap({400, 300}, size, work), QPoint(400, 300));
    EXPECT_EQ(snap.Snap({10, 10}, size, work), QPoint(0, 0));
    snap.armed = snap.corner == -1; // released in the corner
    EXPECT_FALSE(snap.armed);
    // Dragged out again: not pulled back while inside any corner zone.
    EXPECT_EQ(snap.Snap({12, 14}, size, work), QPoint(12, 14));
    EXPECT_EQ(snap.Snap({15, 15}, size, work), QPoint(15, 15));
    EXPECT_EQ(snap.Snap({16, 0}, size, work), QPoint(16, 0)) << "left the zone: armed again";
    EXPECT_EQ(snap.Snap({5, 5}, size, work), QPoint(0, 0));
    // The other three corners, measured from the window's far edges.
    EXPECT_EQ(snap.Snap({-3, 768 - 60 + 7}, size, work), QPoint(0, 708));
    EXPECT_EQ(snap.Snap({1024 - 320 - 15, 2}, size, work), QPoint(704, 0));
    EXPECT_EQ(snap.Snap({1024 - 320 + 15, 768 - 60 - 16}, size, work), QPoint(704, 708));
    EXPECT_EQ(snap.Snap({1024 - 320 + 16, 768 - 60}, size, work), QPoint(720, 708))
        << "16 pixels past the edge is outside the zone";

    // The window's own drag does the same against its screen's work area.
    QRect screen = window->screen()->availableGeometry();
    window->Snap = {};
    window->move(500, 300);
    window->FormMouseDown({510, 305});
    window->FormMouseMove({515, 305}); // away from every corner: armed
    window->FormMouseMove({screen.x() + 20, screen.y() + 15});
    window->FormMouseUp({screen.x() + 20, screen.y() + 15});
    EXPECT_EQ(window->pos(), screen.topLeft());
    EXPECT_FALSE(window->Snap.armed);
    EXPECT_FALSE(window->Dragging);
}

TEST_F(NewsWindowTest, DroppedDesignsApplyAndOtherFilesGoToThePlayList) {
    std::string design = dir.write("Skin.PLYXD", "[Form]\r\nTransparent=0\r\n");
    std::string music = dir.write("song.mp3", "");
    std::string wide = dir.file("曲-\xF0\x9F\x8E\xB5.ogg"); // an emoji Shift_JIS lacks
    window->DropFiles({QString::fromStdString(music), QString::fromStdString(design),
                       QString::fromStdString(wide)});
    pump();
    EXPECT_EQ(news->Design, design);
    ASSERT_EQ(player->PlayList.size(), 2u);
    EXPECT_EQ(player->PlayList[0].s[2], music);
    EXPECT_EQ(platform::SjisToUtf8(player->PlayList[1].s[2]).find("\xF0\x9F\x8E\xB5"),
              std::string::npos)
        << "the player holds Shift_JIS names; what it got must not be a mangled path";
}

TEST_F(NewsWindowTest, TheLoadersAttachThroughTheWindowMessage) {
    std::vector<std::pair<uint32_t, platform::LPARAM>> calls;
    Globals().AttachMessage = [&](uint32_t code, platform::LPARAM skin) {
        calls.emplace_back(code, skin);
        return platform::LRESULT(0x1234);
    };
    uint32_t message = news->PLYX()->MessageId;
    platform::LRESULT result = 0;
    ASSERT_TRUE(platform::SendMessageTimeout(window->Handle(), message, 4, 1, 1000, &result));
    EXPECT_EQ(result, 0x1234);
    ASSERT_TRUE(platform::SendMessageTimeout(window->Handle(), message, 8, 0, 1000, &result));
    EXPECT_EQ(result, 0x1234);
    ASSERT_TRUE(platform::SendMessageTimeout(window->Handle(), message, 5, 0, 1000, &result));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(calls, (std::vector<std::pair<uint32_t, platform::LPARAM>>{{4, 1}, {8, 0}}));
}

TEST_F(NewsWindowTest, TheUpdateButtonShowsOfflineBusyAndPressedFrames) {
    window->setEnabled(true);
    EXPECT_EQ(frameOf(window->ImageUpdate, window->ImageListUpdate), 0);
    news->SetOnline(false);
    EXPECT_FALSE(window->ImageUpdate->isEnabled());
    EXPECT_FALSE(window->PopupUpdate->isEnabled());
    window->ImageMouseDown(window->ImageUpdate);
    EXPECT_EQ(frameOf(window->ImageUpdate, window->ImageListUpdate), 1) << "no pressed look";
    news->SetOnline(true);
    window->ImageMouseDown(window->ImageUpdate);
    EXPECT_EQ(frameOf(window->ImageUpdate, window->ImageListUpdate), 2);
    window->SetUpdating(true);
    window->ImageMouseUp(window->ImageUpdate);
    EXPECT_EQ(frameOf(window->ImageUpdate, window->ImageListUpdate), 3);
    window->SetUpdating(false);
    EXPECT_EQ(frameOf(window->ImageUpdate, window->ImageListUpdate), 0);
    window->ImageMouseDown(window->ImageClose);
    EXPECT_EQ(frameOf(window->ImageClose, window->ImageListClose), 2);
    window->ImageMouseUp(window->ImageClose);
    EXPECT_EQ(frameOf(window->ImageClose, window->ImageListClose), 0);
}

TEST_F(NewsWindowTest, ThePopUpMenuHasItsItemsAndChecksTheShownSite) {
    std::vector<std::string> captions;
    for (QAction* a : window->PopupMenu->actions())
        captions.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(captions, (std::vector<std::string>{"ニュース更新",
                                                  "オフライン",
                                                  "-",
                                                  "再度表示",
                                                  "前のニュース",
                                                  "次のニュース",
                                                  "-",
                                                  "ニュースサイト",
                                                  "前のニュースサイト",
                                                  "次のニュースサイト",
                                                  "-",
                                                  "表示位置",
                                                  "非表示",
                                                  "最小化",
                                                  "元に戻す",
                                                  "-",
                                                  "プロパティ",
                                                  "ヘルプ",
                                                  "-",
                                                  "閉じる"}));
    EXPECT_FALSE(window->PopupNormal->isEnabled());
    EXPECT_TRUE(window->PopupLocationItems[0]->isChecked());
    QList<QAction*> sites = window->PopupNewsSite->actions();
    ASSERT_EQ(sites.size(), 2);
    news->ShownSite[0] = news->Sites()->Find("A");
    window->PopupMenuPopup();
    EXPECT_TRUE(sites[0]->isEnabled());
    EXPECT_TRUE(sites[0]->isChecked());
    EXPECT_FALSE(sites[1]->isEnabled()) << "B is disabled";
    EXPECT_FALSE(sites[1]->isChecked());
    news->Sites()->Add("Fish & Chips", "http://f.example/", 60, true);
    news->RebuildSiteMenu();
    EXPECT_EQ(window->PopupNewsSite->actions().at(2)->text(), "Fish && Chips");
    window->PopupNewsSite->actions().at(2)->trigger();
    EXPECT_EQ(news->SiteIndex[0], 2);

    news->SetOnline(false);
    EXPECT_EQ(window->PopupOnline->text().toStdString(), "オンライン");
    window->PopupLocationItems[4]->trigger();
    EXPECT_EQ(news->WindowLocation, 4);
    EXPECT_EQ(window->pos(), QPoint(500, 230));
}

TEST_F(NewsWindowTest, SetupShowsTheVersionAndTheEngineDrivesTickerZero) {
    EXPECT_EQ(window->windowTitle().toStdString(), "NewsWindow");
    EXPECT_EQ(window->LabelNews->Caption, "PLYX Talo+ Ver.6.32.0");
    EXPECT_EQ(news->TickerPanels[0], window->PanelNews);
    EXPECT_EQ(news->TickerLabels[0], window->LabelNews);
    EXPECT_FALSE(window->isEnabled()) << "made disabled; the engine enables it when shown";
    news->SetWindowEnabled(true);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(news->TimerActive);
    window->PopupClose->trigger();
    pump();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(news->TimerActive) << "a closed window needs no timer";
    news->SetWindowEnabled(true);
    news->DestroyNewsWindow();
    EXPECT_EQ(news->TickerLabels[0], nullptr);
}

TEST_F(NewsWindowTest, UserEventsShowHideAndCloseTheWindowAndTheDialog) {
    for (uint32_t high : {0u, static_cast<uint32_t>(pcUser)}) {
        news->WindowEnabled = true;
        news->UserEvent(high | ueShowWindow, 0);
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->isEnabled());
        news->UserEvent(high | ueHideWindow, 0);
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(news->WindowEnabled);
        news->UserEvent(high | ueShowWindow, 0);
        EXPECT_FALSE(window->isVisible()) << "not wanted any more";

        news->SetWindowEnabled(true);
        news->UserEvent(high | ueClosed, 0);
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(window->isEnabled()) << "closed by the system: disabled first";

        Globals().MakeProperty = [](QWidget* owner) { return new QWidget(owner, Qt::Window); };
        ASSERT_TRUE(news->ShowProperty());
        QPointer<QWidget> dialog = Globals().FormProperty.data();
        dialog->hide(); // closed by the user
        news->UserEvent(high | ueClosed, 1);
        EXPECT_FALSE(dialog) << "the dialog's close destroys it";
        EXPECT_FALSE(Globals().FormProperty);
    }
}

TEST_F(NewsWindowTest, TheBuiltInSiteNameStaysRightAlignedInItsPlace) {
    for (const char* name : {"A", "Asahi Shimbun Digital"}) {
        TNewsSite* site = news->Sites()->Find("A");
        site->Name = name;
        fill(site, 1);
        news->SelectSiteByName(0, name);
        news->ShowNextHeadline(0);
        ASSERT_EQ(window->LabelSiteName->Caption, name);
        EXPECT_EQ(window->LabelSiteName->geometry(), QRect(160, 12, 120, 12)) << name;
        EXPECT_EQ(window->LabelSiteName->Alignment, platform::TLabel::taRightJustify);
    }
}

TEST_F(NewsWindowTest, ADockedWindowShownAgainIsBesideThePlayerWhereverItWentMeanwhile) {
    place(2);
    news->SetWindowEnabled(true);
    ASSERT_EQ(window->pos(), QPoint(140, 320));
    window->PopupClose->trigger(); // disabled: the player's moves are no longer followed
    pump();
    ASSERT_FALSE(news->TimerActive);
    player->MoveTo(300, 400);
    pump();
    news->SetWindowEnabled(true);
    EXPECT_EQ(window->pos(), QPoint(340, 520));
    EXPECT_EQ(news->WindowPosition, std::make_pair(340, 520));
}

TEST_F(NewsWindowTest, ADockedWindowStaysBesideThePlayerWhenADesignChangesItsSize) {
    std::string design = std::string(NEWS_SOURCE_DIR) + "/demo/design/sample.plyxd";
    place(1);
    ASSERT_EQ(window->pos(), QPoint(140, 140));
    window->DropFiles({QString::fromStdString(design)});
    ASSERT_EQ(window->size(), QSize(400, 140));
    EXPECT_EQ(window->pos(), QPoint(100, 60)) << "above the player, centred";
    EXPECT_EQ(news->WindowPosition, std::make_pair(100, 60));
}
