#include "engine/host/TPLYX.h"
#include "host/PlyxControl.h"
#include "host/PlyxPlayer.h"
#include "platform/dialogs/Dialogs.h"

#include "tests/support/EventPump.h"
#include "tests/support/TempDir.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

using namespace platform;
using Calls = std::vector<std::string>;

namespace {

// Records every box and beep instead of showing them.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
        SetMessageHandler([this](const std::string& text, MessageKind kind, uint32_t) {
            boxes.push_back((kind == MessageKind::Warning ? "warning: " : "error: ") + text);
            return ButtonOk;
        });
        SetBeepHandler([this](uint32_t type) { beeps.push_back(type); });
    }
    void TearDown() override {
        SetMessageHandler(nullptr);
        SetBeepHandler(nullptr);
        QCoreApplication::processEvents();
    }
    static PlyxPlayer::Options headless(int version = 6320) { return {version, false, {}}; }
    void pump() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    testsupport::TempDir dir;
    std::vector<std::string> boxes;
    std::vector<uint32_t> beeps;
};

// Records which events fired, with their arguments.
struct Recorder {
    Calls calls;
    void attach(TPLYX& p) {
        auto note = [this](std::string s) { calls.push_back(std::move(s)); };
        p.OnPLYX = [=](TObject*, uint32_t e, int v) {
            note("PLYX " + std::to_string(e) + " " + std::to_string(v));
        };
        p.OnPlayStatus = [=](TObject*, int v) { note("PlayStatus " + std::to_string(v)); };
        p.OnIntTimer = [=](TObject*, int v) { note("Timer " + std::to_string(v)); };
        p.OnCounter = [=](TObject*, int v) { note("Counter " + std::to_string(v)); };
        p.OnPosition = [=](TObject*, int v) { note("Position " + std::to_string(v)); };
        p.OnLyrics = [=](TObject*, int v) { note("Lyrics " + std::to_string(v)); };
        p.OnVolume = [=](TObject*, int l, int r) {
            note("Volume " + std::to_string(l) + " " + std::to_string(r));
        };
        p.OnMove = [=](TObject*, int l, int t) {
            note("Move " + std::to_string(l) + " " + std::to_string(t));
        };
        p.OnMenu = [=](TObject* s) {
            note("Menu " + std::to_string(static_cast<TPLYXMenu*>(s)->Id));
        };
        p.OnReceive = [=](TObject*, uint16_t c, uint32_t v) {
            note("Receive " + std::to_string(c) + " " + std::to_string(v));
            return 77u;
        };
        p.OnSpeana = [=](TObject*, int* l) {
            std::string s = "Speana";
            for (int i = 0; i < 10; ++i)
                s += " " + std::to_string(l[i]);
            note(s);
        };
        p.OnButton = [=](TObject*, uint32_t e, int v) {
            note("Button " + std::to_string(e) + " " + std::to_string(v));
        };
        p.OnUser = [=](TObject*, uint32_t e, int v) {
            note("User " + std::to_string(e) + " " + std::to_string(v));
        };
        p.OnStatus = [=](TObject*, uint32_t e, int v) {
            note("Status " + std::to_string(e) + " " + std::to_string(v));
        };
        p.OnOpen = [=](TObject*) { note("Open"); };
        p.OnClose = [=](TObject*) { note("Close"); };
        p.OnRun = [=](TObject*) { note("Run"); };
        p.OnAbort = [=](TObject*) { note("Abort"); };
        p.OnBind = [=](TObject*) { note("Bind"); };
        p.OnUnbind = [=](TObject*) { note("Unbind"); };
        auto flag = [=](const char* n) {
            return [=](TObject*, bool f) { note(std::string(n) + (f ? " on" : " off")); };
        };
        auto param = [=](const char* n) {
            return [=](TObject*, int v) { note(std::string(n) + " " + std::to_string(v)); };
        };
        auto plain = [=](const char* n) { return [=](TObject*) { note(n); }; };
        p.OnVisible = flag("Visible");
        p.OnActive = flag("Active");
        p.OnMinimize = flag("Minimize");
        p.OnStayOnTop = flag("StayOnTop");
        p.OnRepeat = flag("Repeat");
        p.OnRandom = flag("Random");
        p.OnDisplayTime = flag("DisplayTime");
        p.OnDisplayTrack = param("DisplayTrack");
        p.OnDisplayTitle = param("DisplayTitle");
        p.OnDisplayDevice = [=](TObject*, TPLYXDeviceType d) {
            note("DisplayDevice " + std::to_string(d));
        };
        p.OnDisplayTimer = param("DisplayTimer");
        p.OnDisplayCaption = plain("DisplayCaption");
        p.OnChangeVolume = param("ChangeVolume");
        p.OnOpenTrack = param("OpenTrack");
        p.OnCloseTrack = param("CloseTrack");
        p.OnLoadLyrics = plain("LoadLyrics");
        p.OnSavePLYXini = plain("SavePLYXini");
        p.OnDesign = plain("Design");
        p.OnChangePlayList = param("ChangePlayList");
        p.OnDisplayMenu = [=](TObject* s) {
            note("DisplayMenu " + std::to_string(static_cast<TPLYXMenu*>(s)->Id));
        };
        p.OnClick = param("Click");
        p.OnDblClick = param("DblClick");
        p.OnChangeDisplayMode = [=](TObject*, TPLYXDisplayMode m) {
            note("ChangeDisplayMode " + std::to_string(m));
        };
        p.OnMoved = [=](TObject*, int l, int t) {
            note("Moved " + std::to_string(l) + " " + std::to_string(t));
        };
        p.OnAdjustLevel = param("AdjustLevel");
        p.OnMute = flag("Mute");
        p.OnZoom = param("Zoom");
    }
    // The calls since the last take, without the OnPLYX that ends each.
    Calls take() {
        Calls out;
        for (auto& c : calls)
            if (!c.starts_with("PLYX ")) out.push_back(c);
        calls.clear();
        return out;
    }
};

} // namespace

TEST_F(HostTest, BindsToARunningPlayerAndSubscribes) {
    Recorder r;
    PlyxPlayer player(headless());
    TPLYX plyx;
    r.attach(plyx);
    EXPECT_EQ(plyx.PlayerWindow, player.Window());
    plyx.Loaded();
    ASSERT_TRUE(plyx.Bound);
    EXPECT_EQ(r.take(), Calls{"Bind"});
    EXPECT_EQ(plyx.GetVersion(), 6320);
    EXPECT_TRUE(plyx.CheckVersion(4300));
    EXPECT_EQ(plyx.PluginMode, 2) << "a client in the player's own process is a plug-in";
    EXPECT_EQ(plyx.RunId, 1);
    EXPECT_EQ(player.GetEventMask(plyx.ClientWindow), kDefaultEventMask);
    EXPECT_TRUE(boxes.empty());

    plyx.Unbind();
    EXPECT_FALSE(plyx.Bound);
    EXPECT_EQ(r.take(), Calls{"Unbind"});
    EXPECT_TRUE(player.Clients().empty());
    EXPECT_EQ(plyx.EventMask, kDefaultEventMask) << "the mask survives unbinding";
    EXPECT_EQ(player.Control().References(), 0u) << "every interface released";
}

TEST_F(HostTest, WithoutAPlayerBindingDoesNothingSilently) {
    TPLYX plyx;
    plyx.Bind();
    EXPECT_FALSE(plyx.Bound);
    EXPECT_EQ(plyx.PlayerWindow, HWND(0));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(plyx.GetVersion(), 0);
    EXPECT_FALSE(plyx.CheckVersion(4300));
    EXPECT_EQ(plyx.GetEvent(), kDefaultEventMask);
}

TEST_F(HostTest, EveryNotificationCodeReachesItsEvent) {
    Recorder r;
    PlyxPlayer player(headless());
    TPLYX plyx;
    plyx.Loaded();
    r.attach(plyx);
    struct Case {
        uint32_t wParam;
        int32_t lParam;
        Calls calls;
    } cases[] = {
        {0x10, 3, {"PlayStatus 3"}},
        {0x20, 1234, {"Timer 1234"}},
        {0x40, 5, {"Counter 5"}},
        {0x80, 6, {"Position 6"}},
        {0x100, static_cast<int32_t>(0xFFFF0010u), {"Volume 16 65535"}},
        {0x200, 7, {"Lyrics 7"}},
        {0x400, static_cast<int32_t>(0xFFFEFFFFu), {"Move -1 -2"}},
        {0x800, 0x9000, {"Menu 36864"}},
        {0x08000005, 9, {"Receive 5 9"}},
        {0x10000000 | 0x21, static_cast<int32_t>(0x87654321u), {"Speana 1 2 3 4 5 6 7 8 1 2"}},
        {0x20000003, 4, {"Button 3 4"}},
        {0x80000002, 8, {"User 2 8"}},
        {4, 99, {"Run"}},
        {5, 0, {}}, // no such code: only OnPLYX
    };
    for (const Case& c : cases) {
        TMessage m{plyx.MessageId, c.wParam, c.lParam, 0};
        plyx.WndProc(m);
        EXPECT_EQ(r.take(), c.calls) << std::hex << c.wParam;
        EXPECT_EQ(m.Result, c.wParam == 0x08000005 ? 77 : 1);
    }
    EXPECT_EQ(plyx.RunId, 99);

    // The whole wParam reaches OnPLYX; another message id reaches nothing.
    r.calls.clear();
    TMessage speana{plyx.MessageId, 0x10000005, 0, 0};
    plyx.WndProc(speana);
    EXPECT_EQ(r.calls.back(), "PLYX 268435461 0");
    r.calls.clear();
    TMessage other{plyx.MessageId + 1, 0x10, 1, 0};
    plyx.WndProc(other);
    EXPECT_TRUE(r.calls.empty());
}

TEST_F(HostTest, NotificationsArriveFromThePlayerForTheSubscribedCodesOnly) {
    Recorder r;
    PlyxPlayer player(headless());
    TPLYX plyx;
    plyx.Loaded();
    r.attach(plyx);
    player.Tick();
    player.MoveTo(10, 20);
    pump();
    EXPECT_EQ(r.take(), Calls{}) << "timer and move are not in the default mask";

    plyx.SetEvents({evTimer, evMove});
    EXPECT_EQ(player.GetEventMask(plyx.ClientWindow), kDefaultEventMask | 0x20 | 0x400);
    player.MoveTo(-5, 30);
    player.SetStayOnTop(true);
    pump();
    EXPECT_EQ(r.take(), (Calls{"Move -5 30", "Status 4 1", "StayOnTop on"}));
    player.Tick();
    pump();
    Calls calls = r.take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].starts_with("Timer "));
}

TEST_F(HostTest, ThePlayersTimerRunsOnlyWhileAClientAsksForIt) {
    Recorder r;
    PlyxPlayer player({6320, true, {}});
    TPLYX plyx;
    plyx.Loaded();
    r.attach(plyx);
    EXPECT_FALSE(player.TimerRunning()) << "nobody has asked for the timer yet";

    plyx.SetEvents({evTimer});
    EXPECT_TRUE(player.TimerRunning());
    QElapsedTimer waited;
    waited.start();
    Calls calls;
    while (calls.empty() && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        calls = r.take();
    }
    ASSERT_FALSE(calls.empty()) << "the running timer reaches the subscriber";
    EXPECT_TRUE(calls[0].starts_with("Timer "));

    plyx.SetEvents({evMove});
    EXPECT_FALSE(player.TimerRunning()) << "the last subscriber let go";
    plyx.SetEvents({evTimer});
    EXPECT_TRUE(player.TimerRunning());
    player.Disconnect(plyx.ClientWindow);
    EXPECT_FALSE(player.TimerRunning()) << "a client that leaves takes its subscription along";
}

TEST_F(HostTest, TheTickSourceRepeatsUntilItsOwnCallStopsOrRestartsIt) {
    auto pumpFor = [](int milliseconds) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    };
    int fired = 0;
    TickSource* self = nullptr;
    TickSource tick([&] {
        if (++fired == 2) self->start(3);
        if (fired == 4) self->stop();
    });
    self = &tick;
    tick.start(1);
    pumpFor(150);
    EXPECT_EQ(fired, 4);
    EXPECT_FALSE(tick.isActive());
    EXPECT_EQ(tick.interval(), 3);
}

TEST_F(HostTest, CodesOtherThanTheBasicFiveAreIgnoredWhileUnbound) {
    Recorder r;
    TPLYX plyx;
    r.attach(plyx);
    for (uint32_t code : {0x10u, 0x20u, 0x400u, 0x800u, 0x40000004u, 0x08000001u}) {
        TMessage m{plyx.MessageId, code, 1, 0};
        plyx.WndProc(m);
        EXPECT_EQ(r.calls, Calls{"PLYX " + std::to_string(code) + " 1"})
            << "only OnPLYX for " << std::hex << code;
        r.calls.clear();
    }
    TMessage user{plyx.MessageId, 0x80000001, 2, 0};
    plyx.WndProc(user);
    EXPECT_EQ(r.take(), Calls{"User 1 2"});
}

TEST_F(HostTest, StatusNumbersRaiseTheirEvents) {
    Recorder r;
    PlyxPlayer player(headless());
    TPLYX plyx;
    plyx.Loaded();
    r.attach(plyx);
    struct Case {
        int status;
        int value;
        std::string event; // "" when only OnStatus fires
    } cases[] = {
        {1, 1, "Visible on"},
        {2, 0, "Active off"},
        {3, 5, "Minimize on"},
        {4, 1, "StayOnTop on"},
        {5, 1, "Repeat on"},
        {6, 0, "Random off"},
        {7, 1, "DisplayTime on"},
        {8, 3, "DisplayTrack 3"},
        {9, 4, "DisplayTitle 4"},
        {10, 2, "DisplayDevice 2"},
        {11, 5, "DisplayTimer 5"},
        {12, 0, "DisplayCaption"},
        {13, 6, "ChangeVolume 6"},
        {14, 7, "OpenTrack 7"},
        {15, 8, "CloseTrack 8"},
        {16, 0, "LoadLyrics"},
        {17, 0, "SavePLYXini"},
        {18, 0, "Design"},
        {21, 9, "ChangePlayList 9"},
        {22, 0x5000, "DisplayMenu 20480"},
        {25, 1, "Click 1"},
        {26, 2, "DblClick 2"},
        {28, 1, "ChangeDisplayMode 1"},
        {30, static_cast<int>(0x0005FFFEu), "Moved -2 5"},
        {31, 50, "AdjustLevel 50"},
        {32, 1, "Mute on"},
        {33, 150, "Zoom 150"},
        {0, 1, ""},
        {19, 1, ""},
        {20, 1, ""},
        {23, 1, ""},
        {24, 1, ""},
        {29, 1, ""},
        {34, 1, ""},
        {22, 0, ""}, // no item 0: no OnDisplayMenu
    };
    for (const Case& c : cases) {
        plyx.NotifyStatus(c.status, c.value);
        Calls want{"Status " + std::to_string(c.status) + " " + std::to_string(c.value)};
        if (!c.event.empty()) want.push_back(c.event);
        EXPECT_EQ(r.take(), want) << c.status;
    }
}

TEST_F(HostTest, EventSetsMapToMaskBits) {
    PlyxPlayer player(headless());
    TPLYX plyx;
    plyx.SetEvents({});
    EXPECT_EQ(plyx.GetEvent(), 0xEFFFF81Fu);
    plyx.SetEvents({evVolume, evSpeana, evLyrics, evCounter, evPosition, evTimer, evMove});
    EXPECT_EQ(plyx.GetEvent(), 0xFFFFFFFFu);
    plyx.Loaded();
    ASSERT_TRUE(plyx.Bound);
    EXPECT_EQ(player.GetEventMask(plyx.ClientWindow), 0xFFFFFFFFu) << "the mask is sent at bind";
    plyx.SetEvents({evLyrics, evTimer});
    EXPECT_EQ(player.GetEventMask(plyx.ClientWindow), 0xEFFFF81Fu | 0x200 | 0x20);
    EXPECT_EQ(plyx.GetEvents(), (TPLYXEventSet{evLyrics, evTimer}));
}

TEST_F(HostTest, ARefusedVersionUnbindsWithAWarning) {
    Recorder r;
    PlyxPlayer player(headless(6319));
    TPLYX plyx;
    r.attach(plyx);
    plyx.Bind();
    EXPECT_FALSE(plyx.Bound);
    EXPECT_EQ(boxes, Calls{std::string("warning: ") + kUnsupportedVersionText});
    EXPECT_EQ(beeps, std::vector<uint32_t>{0x30});
    EXPECT_EQ(r.take(), Calls{"Unbind"});
    EXPECT_EQ(player.Control().References(), 0u);
}

TEST_F(HostTest, AMissingServerOrInterfaceShowsAnErrorBox) {
    // A player window, but nobody serving the automation class.
    MessageWindow lonely(nullptr, "TFormPLYX");
    TPLYX plyx;
    plyx.Bind();
    EXPECT_FALSE(plyx.Bound);
    EXPECT_EQ(boxes, Calls{"error: PLYXControl Create Instance Error[80040154]"});

    // A server that lacks the menu interface.
    boxes.clear();
    PlyxPlayer player(headless());
    struct NoMenu : IUnknown {
        PlyxControl* inner;
        HRESULT QueryInterface(const IID& iid, void** object) override {
            if (iid == IID_IPLYXMenu) return E_NOINTERFACE;
            if (iid == IID_IUnknown) {
                *object = static_cast<IUnknown*>(this);
                return S_OK;
            }
            return inner->QueryInterface(iid, object);
        }
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
    } partial;
    partial.inner = &player.Control();
    CoRegisterClassObject(CLSID_PLYXControl, [&](const IID& iid, void** object) {
        return partial.QueryInterface(iid, object);
    });
    plyx.Bind();
    EXPECT_FALSE(plyx.Bound);
    EXPECT_EQ(boxes, Calls{"error: IPLYXMenu Interface Error[80004002]"});
    EXPECT_EQ(player.Control().References(), 0u) << "the interfaces got so far are released";
}

TEST_F(HostTest, IsPluginFollowsThePlayersAnswerThenTheCommandLine) {
    TPLYX plyx;
    plyx.PluginMode = 1;
    EXPECT_FALSE(plyx.IsPlugin());
    plyx.PluginMode = 2;
    EXPECT_TRUE(plyx.IsPlugin());
    plyx.PluginMode = 0;
    EXPECT_FALSE(plyx.IsPlugin()) << "the test's command line has no /PLUGIN";
}

TEST_F(HostTest, SelfPostedUserEventsComeBackAsOnUser) {
    Recorder r;
    Recorder o;
    TPLYX plyx;
    r.attach(plyx);
    plyx.NotifyEvent(plyx.ClientWindow, 0x80000003, 42);
    plyx.NotifyEvent(0, 0x80000004, 43); // unbound: a null target is this client too
    plyx.NotifyEvent(12345, 0x80000005, 44);
    EXPECT_EQ(r.take(), Calls{}) << "posted, not called";
    pump();
    EXPECT_EQ(r.take(), (Calls{"User 3 42", "User 4 43"}));

    PlyxPlayer player(headless());
    plyx.Loaded();
    TPLYX other;
    other.Loaded();
    o.attach(other);
    plyx.NotifyEvent(other.ClientWindow, 0x80000006, 45); // bound: through the player
    pump();
    EXPECT_EQ(o.take(), Calls{"User 6 45"});
}

TEST_F(HostTest, OpenCloseAndAbortNotificationsBindAndUnbind) {
    Recorder r;
    TPLYX plyx;
    r.attach(plyx);
    {
        PlyxPlayer player(headless());
        pump(); // the player's open broadcast
        EXPECT_TRUE(plyx.Bound);
        EXPECT_EQ(r.take(), (Calls{"Bind", "Open"}));
        plyx.NotifyAbort();
        EXPECT_EQ(r.take(), (Calls{"Abort", "Unbind"}));
        plyx.Bind();
        r.take();
    }
    pump(); // the close broadcast
    EXPECT_FALSE(plyx.Bound);
    EXPECT_EQ(r.take(), (Calls{"Unbind", "Close"}));
    EXPECT_EQ(plyx.PlayerWindow, HWND(0));
}

TEST_F(HostTest, PostAndRequestReachThePlayerWindow) {
    PlyxPlayer player(headless());
    TPLYX plyx;
    EXPECT_TRUE(plyx.Post(static_cast<int>(plyx.MessageId), 0x403, 0));
    pump();
    EXPECT_EQ(player.Log, Calls{"ReloadTools"});
    EXPECT_EQ(plyx.Request(static_cast<int>(plyx.MessageId), 0x403, 0), 1);
}

namespace {

// A TPLYX in storage the test owns, so that a handler can end it the way the
// engine does on teardown. Whatever touches it afterwards shows: the storage
// is poisoned under AddressSanitizer and filled with a pattern otherwise.
class DisposableHost {
public:
    DisposableHost() { host_ = new (storage_) TPLYX; }
    ~DisposableHost() {
        end();
        ASAN_UNPOISON_MEMORY_REGION(storage_, sizeof storage_);
    }
    DisposableHost(const DisposableHost&) = delete;
    DisposableHost& operator=(const DisposableHost&) = delete;

    TPLYX* operator->() const { return host_; }
    bool ended() const { return host_ == nullptr; }
    void end() {
        if (!host_) return;
        host_->~TPLYX();
        host_ = nullptr;
        std::memset(storage_, kFill, sizeof storage_);
        ASAN_POISON_MEMORY_REGION(storage_, sizeof storage_);
    }
    bool untouched() {
        ASAN_UNPOISON_MEMORY_REGION(storage_, sizeof storage_);
        bool same = std::all_of(std::begin(storage_), std::end(storage_),
                                [](unsigned char b) { return b == kFill; });
        ASAN_POISON_MEMORY_REGION(storage_, sizeof storage_);
        return same;
    }

private:
    static constexpr unsigned char kFill = 0xA5;
    alignas(TPLYX) unsigned char storage_[sizeof(TPLYX)];
    TPLYX* host_ = nullptr;
};

} // namespace

TEST_F(HostTest, AHandlerMayDestroyTheComponentThatRaisedIt) {
    PlyxPlayer player(headless());
    pump();
    struct Case {
        const char* name;
        bool bound;
        uint32_t wParam;
        int32_t lParam;
        // Arms the handler under test with end, which destroys the component.
        std::function<void(TPLYX&, std::function<void()> end)> arm;
    } cases[] = {
        {"OnAbort", true, 8, 0, [](TPLYX& p, auto end) { p.OnAbort = [end](TObject*) { end(); }; }},
        {"OnUnbind from a close", true, 2, 0,
         [](TPLYX& p, auto end) { p.OnUnbind = [end](TObject*) { end(); }; }},
        {"OnClose", true, 2, 0, [](TPLYX& p, auto end) { p.OnClose = [end](TObject*) { end(); }; }},
        {"OnBind from an open", false, 1, 0,
         [](TPLYX& p, auto end) { p.OnBind = [end](TObject*) { end(); }; }},
        {"OnOpen", false, 1, 0, [](TPLYX& p, auto end) { p.OnOpen = [end](TObject*) { end(); }; }},
        {"OnRun", false, 4, 3, [](TPLYX& p, auto end) { p.OnRun = [end](TObject*) { end(); }; }},
        {"OnUser", false, 0x80000001, 0,
         [](TPLYX& p, auto end) { p.OnUser = [end](TObject*, uint32_t, int) { end(); }; }},
        {"OnIntTimer", true, 0x20, 0,
         [](TPLYX& p, auto end) { p.OnIntTimer = [end](TObject*, int) { end(); }; }},
        {"OnReceive", true, 0x08000001, 0,
         [](TPLYX& p, auto end) {
             p.OnReceive = [end](TObject*, uint16_t, uint32_t) {
                 end();
                 return 5u;
             };
         }},
        {"OnStatus before the status event", true, 0x40000004, 1,
         [](TPLYX& p, auto end) {
             p.OnStatus = [end](TObject*, uint32_t, int) { end(); };
             p.OnStayOnTop = [](TObject*, bool) {};
         }},
        {"OnLoadLyrics", true, 0x40000010, 0,
         [](TPLYX& p, auto end) { p.OnLoadLyrics = [end](TObject*) { end(); }; }},
        {"OnDisplayMenu", true, 0x40000016, 0x5000,
         [](TPLYX& p, auto end) { p.OnDisplayMenu = [end](TObject*) { end(); }; }},
        {"OnMenu", true, 0x800, 0x5000,
         [](TPLYX& p, auto end) { p.OnMenu = [end](TObject*) { end(); }; }},
        {"OnSelect", true, 0x800, 0x5000,
         [](TPLYX& p, auto end) {
             p.GetMenu(0x5000)->OnSelect = [end](TObject*) { end(); };
             p.OnMenu = [](TObject*) {};
         }},
        {"OnPLYX", true, 0x10, 0,
         [](TPLYX& p, auto end) { p.OnPLYX = [end](TObject*, uint32_t, int) { end(); }; }},
    };
    for (const Case& c : cases) {
        DisposableHost host;
        if (c.bound) {
            host->Loaded();
            ASSERT_TRUE(host->Bound) << c.name;
        }
        int laterPLYX = 0;
        host->OnPLYX = [&](TObject*, uint32_t, int) { ++laterPLYX; };
        c.arm(*host.operator->(), [&] { host.end(); });
        TPLYX* raw = host.operator->();
        TMessage m{raw->MessageId, c.wParam,
                   c.wParam == 1 ? static_cast<int32_t>(player.Window()) : c.lParam, 0};
        raw->WndProc(m);
        EXPECT_TRUE(host.ended()) << c.name;
        EXPECT_TRUE(host.untouched()) << c.name << ": touched after its end";
        EXPECT_EQ(laterPLYX, 0) << c.name;
        EXPECT_TRUE(player.Clients().empty()) << c.name;
        pump();
    }

    // The same through the message loop, as the player's messages arrive.
    DisposableHost host;
    host->Loaded();
    host->OnAbort = [&](TObject*) { host.end(); };
    ASSERT_TRUE(PostMessage(host->ClientWindow, host->MessageId, pcAbort, 0));
    pump();
    EXPECT_TRUE(host.ended());
    EXPECT_TRUE(host.untouched());
}
