#include "tests/support/AllocationCounter.h"
#include "tests/support/EngineFixture.h"

#include "tests/support/EventPump.h"
#include "tests/support/RecordingBrowser.h"

#include <QMouseEvent>

using platform::TImage;
using platform::TLabel;

namespace {

class SkinTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        writeSettings("[PLYXNews]\r\nVersion=6320\r\nOnline=0\r\n[Site]\r\n"
                      "A=\"http://a.example/\",1,60\r\n");
    }
    // The player's design holds the given sections.
    void skin(const std::string& text) {
        player->SetDesign(dir.write("player.plyxd", text));
        pump();
    }
    static void doubleClick(QWidget* w) {
        QMouseEvent press(QEvent::MouseButtonDblClick, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    }
    static void click(QWidget* w, QEvent::Type type) {
        QMouseEvent e(type, QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
};

const char* kFullSkin =
    "[Strevo]\r\nLeft=10\r\nTop=20\r\nWidth=200\r\nHeight=18\r\nVisible=1\r\n"
    "Option=Other=5,Scroll=30,more=x\r\nLevel=3\r\nAlignment=1\r\n"
    "[NewsSitePanel]\r\nLeft=10\r\nTop=40\r\nWidth=80\r\nHeight=12\r\nVisible=1\r\n"
    "[DateTimePanel]\r\nLeft=100\r\nTop=40\r\nWidth=80\r\nHeight=12\r\nVisible=1\r\n"
    "[UpdateNewsButton]\r\nVisible=1\r\n"
    "[NewsPropertyButton]\r\nVisible=1\r\n"
    "[NewsWindowButton]\r\nVisible=1\r\n";

} // namespace

TEST(SkinOption, TheScrollItemGivesTheSpeed) {
    EXPECT_EQ(ScrollOption("Other=5,Scroll=30,more=x"), 30);
    EXPECT_EQ(ScrollOption("SCROLL=45"), 45);
    EXPECT_EQ(ScrollOption("scroll=fast"), 100);
    EXPECT_EQ(ScrollOption("noscroll=5"), 100);
    EXPECT_EQ(ScrollOption(""), 100);
    // A design may put millions of items before the one that counts.
    std::string many = std::string(4 << 20, ',') + "Scroll=30";
    testsupport::AllocationCounter counter;
    EXPECT_EQ(ScrollOption(many), 30);
    EXPECT_LT(counter.Bytes(), 3 * many.size());
}

TEST_F(SkinTest, TheSkinsSectionsBecomeTickerOneAndItsControls) {
    skin(kFullSkin);
    start();
    news->BuildSkinPanels();
    ASSERT_NE(news->TickerPanels[1], nullptr);
    EXPECT_EQ(news->TickerPanels[1]->geometry(), QRect(10, 20, 200, 18));
    EXPECT_EQ(news->TickerPanels[1]->parentWidget(), &mainControl);
    EXPECT_EQ(news->TickerLabels[1]->Caption, "PLYX Talo+ Ver.6.32.0");
    EXPECT_EQ(news->TickerLabels[1]->height(), 18);
    EXPECT_EQ(news->Speed[1], 30);
    EXPECT_EQ(news->Step[1], 3) << "level 3, alignment 1: rightwards";
    EXPECT_EQ(news->SiteNameLabels[1]->Caption, "News");
    EXPECT_NE(news->DateTimeLabel, nullptr);
    EXPECT_NE(news->UpdateImage, nullptr);
    EXPECT_NE(news->PropertyImage, nullptr);
    EXPECT_NE(news->WindowImage, nullptr);
    EXPECT_TRUE(news->TimerActive);
    EXPECT_NE(player->GetEventMask(news->PLYX()->ClientWindow) & pcTimer, 0u);
    // Screen readers: a label by its caption, every part described by its hint.
    for (QWidget* part : mainControl.findChildren<QWidget*>()) {
        EXPECT_FALSE(part->accessibleName().isEmpty()) << part->toolTip().toStdString();
        EXPECT_EQ(part->accessibleDescription(), part->toolTip());
    }
    EXPECT_EQ(news->SiteNameLabels[1]->accessibleName(), "News");

    // The ticker moves three pixels rightwards a step.
    int x = news->TickerLabels[1]->x();
    news->Countdown[1] = 0;
    news->ScrollTicker(1, 1);
    EXPECT_EQ(news->TickerLabels[1]->x(), x + 3);

    news->RemoveSkinPanels();
    EXPECT_EQ(news->TickerPanels[1], nullptr);
    EXPECT_EQ(news->DateTimeLabel, nullptr);
    EXPECT_TRUE(mainControl.findChildren<QWidget*>().isEmpty());
    EXPECT_FALSE(news->TimerActive);
}

TEST_F(SkinTest, LeftwardsByDefaultAndOnlyTheSectionsThereAre) {
    skin("[Strevo]\r\nWidth=100\r\nHeight=16\r\nLevel=3\r\n[DateTimePanel]\r\nVisible=1\r\n");
    start();
    news->BuildSkinPanels();
    EXPECT_EQ(news->Speed[1], 100);
    EXPECT_EQ(news->Step[1], -3);
    EXPECT_EQ(news->SiteNameLabels[1], nullptr);
    EXPECT_EQ(news->UpdateImage, nullptr);
    EXPECT_NE(news->DateTimeLabel, nullptr);
    // Built twice, kept once.
    news->BuildSkinPanels();
    EXPECT_EQ(mainControl.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 2)
        << "the panel and the date label";
    news->RemoveSkinPanels();
    EXPECT_TRUE(mainControl.findChildren<QWidget*>().isEmpty());
}

TEST_F(SkinTest, APlayerWithoutADesignOrSectionsGetsNothing) {
    start();
    news->BuildSkinPanels();
    EXPECT_TRUE(mainControl.findChildren<QWidget*>().isEmpty());
    skin("[Other]\r\nA=1\r\n");
    news->BuildSkinPanels();
    EXPECT_TRUE(mainControl.findChildren<QWidget*>().isEmpty());
    EXPECT_FALSE(news->TimerActive);
}

TEST_F(SkinTest, DoubleClicksOpenTheDialogAndTheSitesFrontPage) {
    testsupport::RecordingBrowser browser;
    skin(kFullSkin);
    start();
    news->BuildSkinPanels();
    int made = 0;
    Globals().MakeProperty = [&](QWidget* owner) {
        ++made;
        return new QWidget(owner, Qt::Window);
    };
    doubleClick(news->DateTimeLabel);
    EXPECT_EQ(made, 1);
    ASSERT_TRUE(Globals().FormProperty);
    EXPECT_TRUE(Globals().FormProperty->isVisible());
    doubleClick(news->DateTimeLabel);
    EXPECT_EQ(made, 1) << "one dialog at a time";
    news->UserEvent(ueClosed, 1);
    EXPECT_TRUE(Globals().FormProperty) << "shown again before the close event came";
    Globals().FormProperty->hide();
    news->UserEvent(ueClosed, 1);
    EXPECT_FALSE(Globals().FormProperty);

    fill(news->Sites()->Get(0), 1);
    news->NextNews(1);
    news->ScrollTicker(1, 1);
    EXPECT_EQ(news->SiteNameLabels[1]->Caption, "A");
    doubleClick(news->SiteNameLabels[1]);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
    EXPECT_EQ(browser.arguments(), "--new-window\nhttp://a.example/\n");
}

TEST_F(SkinTest, ImageButtonsPressReleaseAndClick) {
    skin(kFullSkin);
    start();
    news->BuildSkinPanels();
    // Four frames, so the pressed and released looks can be told apart.
    QImage strip(16, 4, QImage::Format_RGB32);
    for (int k = 0; k < 4; ++k)
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 4; ++y)
                strip.setPixel(k * 4 + x, y, qRgb(k * 60, 0, 0));
    platform::TBitmap bitmap;
    bitmap.Image = strip;
    news->WindowImages.Width = news->WindowImages.Height = 4;
    news->WindowImages.Add(bitmap, platform::clNone);
    TImage* image = news->WindowImage;
    image->resize(4, 4);
    click(image, QEvent::MouseButtonPress);
    EXPECT_EQ(image->Picture.Image.pixel(0, 0), qRgb(120, 0, 0));
    click(image, QEvent::MouseButtonRelease);
    EXPECT_EQ(image->Picture.Image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_TRUE(news->WindowEnabled) << "the click toggled the window";
}

TEST_F(SkinTest, ExtremeSkinNumbersScrollWithoutOverflowing) {
    // A speed of 0 or below steps on every timer call; a step wider than
    // any panel brings the next headline on every step.
    start();
    fill(news->Sites()->Get(0), 2);
    for (const char* numbers : {"Level=2147483647\r\nAlignment=2147483647\r\n",
                                "Level=-2147483648\r\nAlignment=-2147483648\r\n"}) {
        skin(std::string("[Strevo]\r\nWidth=100\r\nHeight=16\r\nOption=Scroll=-2147483648\r\n") +
             numbers);
        news->BuildSkinPanels();
        news->SelectSite(1, 0);
        EXPECT_EQ(news->Speed[1], INT32_MIN);
        EXPECT_EQ(news->Step[1], INT32_MAX) << "rightwards, as far as an int goes";
        std::vector<std::string> shown;
        for (int call = 0; call < 4; ++call) {
            news->ScrollTicker(1, 20);
            shown.push_back(news->TickerLabels[1]->Caption);
        }
        EXPECT_EQ(shown, (std::vector<std::string>{"A header", "A 1", "A 2", "A header"}));
    }
    news->Step[1] = INT32_MIN;
    news->ScrollTicker(1, 20);
    EXPECT_EQ(news->TickerLabels[1]->Caption, "A 1");
    EXPECT_EQ(news->TickerLabels[1]->x(), news->TickerPanels[1]->width());
}
