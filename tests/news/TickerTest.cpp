#include "tests/support/EngineFixture.h"

#include "engine/news/NewsGlobals.h"
#include "platform/controls/Controls.h"

#include "tests/support/EventPump.h"
#include "tests/support/RecordingBrowser.h"

#include <map>

using platform::TLabel;
using platform::TPanel;

namespace {

// Ticker 1 on a panel of the main control, as the skin gives it.
class TickerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        writeSettings("[PLYXNews]\r\nVersion=6320\r\n[Site]\r\n"
                      "A=\"http://a.example/\",1,60\r\n"
                      "B=\"http://b.example/\",0,60\r\n"
                      "C=\"http://c.example/\",1,60\r\n"
                      "D=\"http://d.example/\",1,60\r\n");
        start();
        for (const char* name : {"A", "B", "C", "D"})
            fill(news->Sites()->Find(name), 2);
        panel = new TPanel(&mainControl);
        panel->resize(200, 20);
        label = new TLabel(panel);
        siteName = new TLabel(&mainControl);
        news->SetTickerControls(1, panel, label, siteName);
        news->Speed[1] = 50;
        news->Step[1] = -1;
    }
    // Lets the ticker pass its exit edge so the next step loads the next
    // headline, and returns that headline's title.
    std::string next() {
        label->move(-label->width() - 1, 0);
        news->Countdown[1] = 0;
        news->ScrollTicker(1, 1);
        return label->Caption;
    }
    std::string shown() const { return label->Caption; }

    TPanel* panel = nullptr;
    TLabel* label = nullptr;
    TLabel* siteName = nullptr;
};

} // namespace

TEST_F(TickerTest, TheTimerMovesOnePixelPerSpeedAndNeverCatchesUp) {
    news->UpdateTimerState();
    ASSERT_TRUE(news->TimerActive) << "a skin ticker needs the timer";
    ASSERT_NE(player->GetEventMask(news->PLYX()->ClientWindow) & pcTimer, 0u);
    label->move(100, 0);
    int tick = 5000;
    auto timer = [&](int ms) {
        tick += ms;
        player->Notify(pcTimer, tick);
        pump();
        return label->x();
    };
    int x = timer(0); // the first tick has the time since the player started
    EXPECT_EQ(x, 99);
    // 20 ms ticks at 50 ms a pixel: two pixels every five ticks, the time
    // left over carried to the next step, never two steps in a row.
    std::vector<int> steps;
    for (int call = 1; call <= 20; ++call) {
        int now = timer(20);
        if (now != x) steps.push_back(call);
        EXPECT_GE(now, x - 1);
        x = now;
    }
    EXPECT_EQ(steps.size(), 8u);
    for (size_t k = 1; k < steps.size(); ++k)
        EXPECT_GE(steps[k] - steps[k - 1], 2);
    // After a long pause one step only.
    EXPECT_EQ(timer(500), x - 1);
    EXPECT_EQ(timer(0), x - 1);
}

TEST_F(TickerTest, ThePlayersTickWrappingAfterTwentyFourDaysKeepsTheTickerMoving) {
    news->UpdateTimerState();
    label->move(100, 0);
    // The player's millisecond count is 32 bits wide: 2^31 ms after its
    // start the count runs on from the lowest number.
    uint32_t tick = 0x7FFFFF00u;
    auto timer = [&](uint32_t ms) {
        tick += ms;
        player->Notify(pcTimer, static_cast<int32_t>(tick));
        pump();
        return label->x();
    };
    int x = timer(0);
    for (int call = 0; call < 30; ++call)
        timer(20);
    ASSERT_LT(tick, 0x80000000u + 400u) << "the test crosses the wrap";
    EXPECT_EQ(x - label->x(), 12) << "30 ticks of 20 ms at 50 ms a pixel";
}

TEST_F(TickerTest, TextLeavingThePanelBringsTheNextHeadlineFromTheEntryEdge) {
    label->move(-label->width(), 0);
    news->Countdown[1] = 0;
    news->ScrollTicker(1, 20);
    EXPECT_EQ(shown(), "A header");
    EXPECT_EQ(label->x(), panel->width());
    EXPECT_EQ(label->height(), panel->height());
    EXPECT_EQ(siteName->Caption, "A");
    EXPECT_EQ(news->HeadlineLinks[1], "http://a.example/");
    EXPECT_EQ(news->SiteLinks[1], "http://a.example/");
    EXPECT_EQ(panel->toolTip().toStdString(), "A - A header");

    news->Step[1] = 2;
    label->move(panel->width(), 0);
    news->Countdown[1] = 0;
    news->ScrollTicker(1, 20);
    EXPECT_EQ(shown(), "A 1");
    EXPECT_EQ(label->x(), -label->width()) << "rightwards text enters from the left";
}

TEST_F(TickerTest, HeadlinesRunThroughEnabledSitesAndSkipDisabledOnes) {
    std::vector<std::string> seen;
    for (int k = 0; k < 10; ++k)
        seen.push_back(next());
    EXPECT_EQ(seen, (std::vector<std::string>{"A header", "A 1", "A 2", "C header", "C 1", "C 2",
                                              "D header", "D 1", "D 2", "A header"}));
}

TEST_F(TickerTest, TheSiteNamesHintTellsHowTheSitesUpdatesWent) {
    QDateTime now = QDateTime::currentDateTime();
    news->Sites()->Find("A")->Status = {now, now, 2, ""};
    news->Sites()->Find("C")->Status = {now, now.addSecs(-3600), 2, "timed out"};
    auto hint = [&] { return platform::Utf16ToSjis(siteName->toolTip().toStdU16String()); };
    next();
    EXPECT_TRUE(hint().starts_with("A\n" + S("見出し 2 件"))) << hint();
    while (siteName->Caption != "C")
        next();
    EXPECT_NE(hint().find(S("失敗: timed out")), std::string::npos) << hint();
    EXPECT_NE(hint().find(S("最後の成功")), std::string::npos) << hint();
}

TEST_F(TickerTest, BackAndNextNewsCrossToTheNeighbouringEnabledSites) {
    next(); // A header
    news->BackNews(1);
    EXPECT_EQ(next(), "D 2") << "back from the first headline: the previous site's last";
    news->NextNews(1);
    EXPECT_EQ(next(), "A header") << "next from the last headline: the next site's first";
    next();
    news->ReshowNews(1);
    EXPECT_EQ(next(), "A 1");
    news->BackNews(1);
    EXPECT_EQ(next(), "A header");
    news->NextSite(1);
    EXPECT_EQ(next(), "C header") << "B is disabled";
    news->BackSite(1);
    EXPECT_EQ(next(), "A header");
    news->SelectSiteByName(1, "D");
    EXPECT_EQ(next(), "D header");
    news->SelectSiteByName(1, "d");
    EXPECT_EQ(next(), "D 1") << "names are told apart by case";
}

TEST_F(TickerTest, NothingEnabledLeavesTheTickerEmptyAfterTwoPasses) {
    for (auto& site : news->Sites()->Items)
        site->Enabled = false;
    EXPECT_EQ(next(), "");
    EXPECT_EQ(siteName->Caption, "");
    EXPECT_EQ(news->HeadlineLinks[1], "");
    news->NextSite(1);
    EXPECT_EQ(news->SiteIndex[1], 0) << "the search gives up after a second wrap";
}

TEST_F(TickerTest, ABusyListOrAnEmptyOneLoadsNothing) {
    next();
    news->Sites()->Get(2)->Busy = true;
    EXPECT_EQ(next(), "A header") << "the old text keeps scrolling during a download";
    news->Sites()->Get(2)->Busy = false;
    news->Sites()->Clear();
    news->NextNews(1);
    news->BackNews(1);
    news->ReshowNews(1);
    EXPECT_EQ(next(), "A header");
    news->SelectSite(1, 7);
    EXPECT_EQ(news->SiteIndex[1], 0);
}

TEST_F(TickerTest, RemovingTheShownSiteMovesToTheNextEnabledSite) {
    next();
    next();
    next();
    next(); // C header
    ASSERT_EQ(news->ShownSite[1], news->Sites()->Find("C"));
    news->Sites()->Delete(news->Sites()->IndexOfName("C"));
    EXPECT_EQ(news->ShownSite[1], nullptr);
    EXPECT_EQ(next(), "D header");
    news->Sites()->Move(news->Sites()->IndexOfName("D"), 0);
    EXPECT_EQ(news->SiteIndex[1], 0) << "a moved site is followed";
    EXPECT_EQ(next(), "D 1");
}

TEST_F(TickerTest, UserEventsArriveWithOrWithoutTheHighBit) {
    struct Case {
        uint32_t code;
        int param;
    } cases[] = {{5, 0}, {pcUser | 5, 0}};
    for (const Case& c : cases) {
        news->Online = false; // an update that would start nothing
        news->UserEvent(c.code, c.param);
        EXPECT_FALSE(news->Sites()->IsBusy());
    }
    // The clock event with no window and no date label does nothing.
    news->UserEvent(pcUser | 4, 0);
    EXPECT_EQ(news->LastClockHour, -1);
    auto* date = new TLabel(&mainControl);
    news->DateTimeLabel = date;
    for (uint32_t code : {4u, pcUser | 4u}) {
        news->LastClockHour = -1;
        news->UserEvent(code, 0);
        EXPECT_EQ(news->LastClockHour, QTime::currentTime().hour()) << code;
        EXPECT_FALSE(date->Caption.empty());
    }
    // Events posted through the player come back as user events.
    news->LastClockHour = -1;
    news->PostUserEvent(4, 0);
    pump();
    EXPECT_NE(news->LastClockHour, -1);
    // Codes 6, 7 and unknown ones are ignored.
    for (uint32_t code : {6u, 7u, 99u, pcUser | 6u})
        news->UserEvent(code, 0);
}

TEST_F(TickerTest, TheClockLabelShowsMonthDayWeekdayAndTime) {
    auto* date = new TLabel(&mainControl);
    news->DateTimeLabel = date;
    QDateTime time(QDate(2026, 3, 7), QTime(9, 5));
    news->RefreshClock(time);
    std::string text = platform::SjisToUtf8(date->Caption);
    EXPECT_TRUE(text.starts_with("3/7(")) << text;
    EXPECT_TRUE(text.ends_with(") 09:05")) << text;
    date->SetCaption("changed");
    news->RefreshClock(time.addSecs(30));
    EXPECT_EQ(date->Caption, "changed") << "the same minute is not drawn again";
    news->RefreshClock(time.addSecs(60));
    EXPECT_TRUE(platform::SjisToUtf8(date->Caption).ends_with("09:06"));
}

TEST_F(TickerTest, DoubleClicksOpenTheHeadlineOrTheSiteAsOneArgument) {
    testsupport::RecordingBrowser browser;
    std::string hostile = "http://a.example/x?q=\"; touch /tmp/pwned | $(id) `id` 'a b'";
    news->Sites()->Find("A")->Links[0] = hostile;
    next();
    news->OpenHeadline(siteName); // not a headline control
    news->OpenHeadline(label);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
    EXPECT_EQ(browser.arguments(), "--new-window\n" + hostile + "\n");
    browser.forget();
    news->OpenSite(siteName);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
    EXPECT_EQ(browser.arguments(), "--new-window\nhttp://a.example/\n");
    EXPECT_FALSE(std::filesystem::exists("/tmp/pwned"));
}

TEST_F(TickerTest, ThePlayerTicksOnlyForStepsAndTheTextMovesAsFarAsOnEveryTick) {
    news->UpdateTimerState();
    // The same two seconds twice from the same place: once on every 20 ms
    // tick, once on the ticks the player still sends.
    auto run = [&](int64_t start, bool skipping) {
        std::map<int64_t, int> at; // ms from the start -> label position
        label->move(150, 0);
        for (int64_t t = start; t <= start + 2000;) {
            player->TickAt(t);
            pump();
            at[t - start] = label->x();
            t = skipping ? player->NextTickAt(t) : t + PlyxPlayer::kTickPeriod;
        }
        return at;
    };
    auto every = run(100000, false);
    auto needed = run(200000, true);
    ASSERT_EQ(every.size(), 101u);
    EXPECT_EQ(needed.rbegin()->second, every.rbegin()->second) << "as far in two seconds";
    // A tick a step, each step the speed after the one before.
    EXPECT_LE(needed.size(), 42u);
    std::vector<int64_t> steps;
    for (auto it = std::next(needed.begin()); it != needed.end(); ++it)
        if (it->second != std::prev(it)->second) steps.push_back(it->first);
    for (size_t k = 1; k < steps.size(); ++k)
        EXPECT_EQ(steps[k] - steps[k - 1], 50) << "the step at " << steps[k] << " ms";
    // A hold makes ticks useless until it ends; its end wants the next one.
    news->HoldTicker(1, TPLYXNews::thPaused, true);
    player->TickAt(300000);
    pump();
    EXPECT_GT(player->NextTickAt(300000), 300020);
    news->HoldTicker(1, TPLYXNews::thPaused, false);
    EXPECT_EQ(player->NextTickAt(300000), 300020);
}

TEST_F(TickerTest, TwoTickersShareTicksAndKeepTheirSpeeds) {
    auto* panel0 = new TPanel(&mainControl);
    panel0->resize(200, 20);
    auto* label0 = new TLabel(panel0);
    news->SetTickerControls(0, panel0, label0, nullptr);
    news->Speed = {50, 40};
    news->UpdateTimerState();
    label0->move(150, 0);
    label->move(150, 0);
    int ticks = 0;
    for (int64_t t = 100000; t <= 102000; t = player->NextTickAt(t), ++ticks) {
        player->TickAt(t);
        pump();
    }
    // Twenty and twenty-five steps a second, each ticker at its own speed,
    // on fewer ticks than the two would take apart.
    EXPECT_NEAR(150 - label0->x(), 41, 1);
    EXPECT_NEAR(150 - label->x(), 51, 1);
    EXPECT_LE(ticks, 70) << "apart they take some 90";
}
