#pragma once

// The stand-in player: its state, its clients and their subscriptions,
// its menus, play list and lyrics, and the notifications it sends by the
// registered message "WM_PLYX". It runs with or without a window; tests
// drive it headless and tick its timer by hand.

#include "engine/host/PLYXCodes.h"
#include "host/TickSource.h"
#include "platform/gdi/TFont.h"
#include "platform/messages/MessageWindow.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class PlyxControl;

struct PlyxMenuItem {
    long id;
    long parent;
    std::string caption; // Shift_JIS; "-" is a separator
    bool enabled = true;
    bool checked = false;
    platform::HWND owner = 0; // the client that made it; 0 for the player's own
};

struct PlyxTrack {
    std::string s[5];  // S3 is the file path
    int32_t n[7] = {}; // N1..N4, N5<<16|N6, N7, N8
};

struct PlyxLyricsLine {
    std::string text;
    int32_t align = 2;
    bool flag = true;
    platform::TFont font;
    int32_t tag = 0;
};

class PlyxPlayer {
public:
    struct Options {
        int version = 6320;
        bool runTimer = true; // tick on a 20 ms beat while a client subscribes to the timer
        std::string path;     // the executable's path (Shift_JIS); its ".ini" is the settings file
    };

    explicit PlyxPlayer(Options options);
    ~PlyxPlayer();
    PlyxPlayer(const PlyxPlayer&) = delete;
    PlyxPlayer& operator=(const PlyxPlayer&) = delete;

    // The main window's handle ("TFormPLYX"), the registered message id.
    platform::HWND Window() const { return window_->Handle(); }
    uint32_t MessageId() const { return messageId_; }
    PlyxControl& Control() { return *control_; }
    const Options& GetOptions() const { return options_; }
    std::string SettingsPath() const;

    // ---- clients -----------------------------------------------------------
    struct Client {
        platform::HWND window;
        uint32_t mask;
        std::string pluginName;
        // The player's time before which the client needs no tick (see
        // SetTimerDue); at or before the last tick it wants every one.
        int64_t due = 0;
    };
    void Connect(platform::HWND window);
    void Disconnect(platform::HWND window);
    void SetEventMask(platform::HWND window, uint32_t mask);
    uint32_t GetEventMask(platform::HWND window) const;
    void SetPluginName(platform::HWND window, const std::string& name);
    platform::HWND FindPlugin(const std::string& name) const;
    const std::vector<Client>& Clients() const { return clients_; }

    // Posts "WM_PLYX" (code, value) to every client subscribed to the code.
    void Notify(uint32_t code, int32_t value);
    // Status n (pcStatus | n) to the subscribed clients.
    void NotifyStatus(int status, int32_t value);
    // One timer tick: pcTimer with the milliseconds since the start (or
    // with the time given, for tests), to every client subscribed to it.
    void Tick();
    void TickAt(int64_t now);
    // The client needs no tick sooner than milliseconds after the last one.
    void SetTimerDue(platform::HWND window, int32_t milliseconds);
    // When the timer fires next, from now: when the first client needs it,
    // but never sooner than a period after the last tick. A client that
    // says nothing gets a tick every period; one that scrolls gets one a
    // step, each on time, instead of fifty a second.
    int64_t NextTickAt(int64_t now) const;
    static constexpr int kTickPeriod = 20;
    // Whether the timer runs: only while some client asks for its code,
    // so an idle player does not wake fifty times a second for nobody.
    bool TimerRunning() const { return timer_.isActive(); }

    // ---- state that notifies -------------------------------------------------
    void MoveTo(int left, int top);
    void SetStayOnTop(bool on);
    void SetDesign(const std::string& design);
    // The design from the settings file: its "Design" key, else (a first
    // start) the sample skin in Skins/ beside the player, if there is one.
    std::string StoredDesign() const;
    // Shows design ("" for none) and keeps it in the settings file.
    bool ChooseDesign(const std::string& design);

    // Plain properties by name (Left, Top, Width, Height, Volume, Zoom, ...).
    std::map<std::string, int32_t> Properties;
    std::string Design;
    std::vector<PlyxTrack> PlayList;
    std::vector<PlyxLyricsLine> Lyrics;
    std::vector<std::string> Log; // commands received, for tests

    // ---- menus ---------------------------------------------------------------
    const std::vector<PlyxMenuItem>& Menus() const { return menus_; }
    PlyxMenuItem* MenuItem(long id);
    std::vector<long> Children(long parent) const;
    long AddMenu(platform::HWND owner, long parent, int index, const std::string& caption);
    // Deletes the item and what hangs under it; its owner gets psDeleteMenu.
    void DeleteMenu(long id);
    // A click: the owner gets pcMenu with the id.
    void ClickMenu(long id);
    // Before a menu opens: status 22 with its id.
    void AboutToShowMenu(long id);

    // Rebuilds the player's own items under the Tools menu from section
    // "Tool" of its settings file (done again on pcToolChanged).
    void ReloadTools();

    // Called whenever something visible changed, and when a client asks the
    // player to close.
    std::function<void()> OnChanged;
    std::function<void()> OnCloseRequest;

private:
    platform::LRESULT windowProcedure(uint32_t message, platform::WPARAM wParam,
                                      platform::LPARAM lParam);
    void post(platform::HWND window, uint32_t code, int32_t value);
    void changed();
    bool timerWanted() const;
    void syncTimer();
    void scheduleTick(int64_t from);
    // Milliseconds since the player opened; read straight from the
    // monotonic clock, as a tick reads it twice.
    int64_t elapsed() const;

    Options options_;
    uint32_t messageId_;
    std::unique_ptr<platform::MessageWindow> window_;
    std::shared_ptr<PlyxControl> control_;
    std::vector<Client> clients_;
    std::vector<PlyxMenuItem> menus_;
    long nextMenuId_ = 0x10000;
    std::chrono::steady_clock::time_point started_; // set as the player opens
    TickSource timer_{[this] { Tick(); }};
    int64_t lastTick_ = 0, next_ = 0;
    bool inTick_ = false;
};
