#pragma once

// The engine: settings, start-up and teardown, the timing taken from the
// player's timer, the two tickers (0: the news window, 1: the player's
// skin), site rotation and the news commands in the player's menu. It runs
// on the player's user-interface thread; only downloads run elsewhere.

#include "engine/files/TIniFileEx.h"
#include "engine/host/TPLYX.h"
#include "engine/inet/TDesktopOpener.h"
#include "engine/news/NewsMenu.h"
#include "engine/site/TNewsSites.h"
#include "platform/controls/Controls.h"

#include <QDateTime>
#include <QPointer>

#include <array>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>

class INewsWindow;
class SkinEvents;

constexpr int kNewsVersion = 6320;

// User events the engine, the news window and the property dialog post to
// the engine's client window.
enum NewsUserEvent : uint32_t {
    ueShowWindow = 1,
    ueClosed = 2, // parameter 1: the property dialog, 0: the news window
    ueHideWindow = 3,
    ueClock = 4,
    ueUpdate = 5,
};

class TPLYXNews : public TObject {
public:
    // owner: the player's main control; baseDirectory: Shift_JIS, the folder
    // of "PLYXNews.ini" and the cache files.
    TPLYXNews(QWidget* owner, const std::string& baseDirectory);
    ~TPLYXNews() override;
    TPLYXNews(const TPLYXNews&) = delete;
    TPLYXNews& operator=(const TPLYXNews&) = delete;

    // ---- settings and state ------------------------------------------------
    std::string SettingsFileName() const;
    void LoadSettings();
    // False when the file could not be written (the reason is on stderr).
    bool SaveSettings();
    void SetOnline(bool online);
    void SetWindowEnabled(bool enabled);
    void ToggleWindow();
    void SetStayOnTop(bool on);
    void SetWindowLocation(int location);
    void SetDesign(const std::string& fileName);
    // False when there is no dialog to show or no help file could be opened.
    bool ShowProperty();
    bool ShowHelp();
    void UpdateNews(TObject* sender);
    void UpdateTimerState();
    void RebuildSiteMenu();
    // The controls in the player's skin: built from the player's current
    // design when a loader attaches with the skin flag, removed (whatever of
    // them exists) when it detaches and at teardown.
    void BuildSkinPanels();
    void RemoveSkinPanels();
    void SkinImageDown(platform::TImage* image);
    void SkinImageUp(platform::TImage* image);
    void SkinImageClick(platform::TImage* image);
    // Makes the news window when there is none; false when it cannot be made.
    bool CreateNewsWindow();
    // Destroys the news window and forgets its ticker controls.
    void DestroyNewsWindow();

    // ---- tickers (index 0: news window, 1: skin) ----------------------------
    // The controls a ticker draws on; null forgets them.
    void SetTickerControls(int i, platform::TControl* panel, platform::TLabel* label,
                           platform::TLabel* siteName);
    void ScrollTicker(int i, int elapsed);
    void ShowNextHeadline(int i);
    void GoToHeadline(int i, int n);
    void ReshowNews(int i);
    void BackNews(int i);
    void NextNews(int i);
    void SelectSite(int i, int n);
    void BackSite(int i);
    void NextSite(int i);
    void SelectSiteByName(int i, const std::string& name);
    void SyncSites();
    // Double-click handlers: open the headline or the site of the ticker
    // the control belongs to.
    void OpenHeadline(QWidget* control);
    void OpenSite(QWidget* control);
    // Opens a link in the default browser without waiting for it; what
    // could not be opened is said once, in a box and on stderr.
    void OpenLink(const std::string& url);
    void RefreshClock(const QDateTime& now);

    // ---- the player's notifications -----------------------------------------
    void Timer(int tick);
    void UserEvent(uint32_t code, int param);
    void PostUserEvent(uint32_t code, int param);

    TPLYX* PLYX() const { return plyx_.get(); }
    TNewsSites* Sites() const { return sites_.get(); }
    QWidget* Owner() const { return owner_; }

    // ---- fields --------------------------------------------------------------
    bool TimerActive = false;
    bool Online = true;
    int Debug = 0;
    // Setting "Extraction": 0 the exact rules, anything else the extended.
    int Extraction = 1;
    std::pair<int, int> PropertyPosition{-1, -1};
    int PropertyPage = 0;
    bool WindowEnabled = false;
    uint8_t WindowLocation = 0;
    std::pair<int, int> WindowPosition{-1, -1};
    bool StayOnTop = false;
    std::string Design;
    NewsMenu Menu;
    int16_t LastClockHour = -1, LastClockMinute = -1;
    std::array<QPointer<platform::TControl>, 2> TickerPanels;
    std::array<QPointer<platform::TLabel>, 2> TickerLabels;
    std::array<int, 2> Speed{50, 100}, Step{-1, -1}, Countdown{}, HeadlineIndex{}, SiteIndex{};
    std::array<TNewsSite*, 2> ShownSite{};
    // What holds a ticker still: the user paused it, or the pointer rests
    // on it so that its headline can be read and clicked.
    enum TickerHold { thPaused = 1, thPointer = 2 };
    std::array<int, 2> Holds{};
    void HoldTicker(int i, int hold, bool on);
    // Setting "PauseOnHover": the pointer on the window's ticker holds it.
    bool PauseOnHover = true;
    std::array<QPointer<platform::TLabel>, 2> SiteNameLabels;
    QPointer<platform::TLabel> DateTimeLabel;
    QPointer<platform::TImage> PropertyImage, UpdateImage, WindowImage;
    platform::TImageList PropertyImages, UpdateImages, WindowImages;
    std::array<std::string, 2> HeadlineLinks, SiteLinks;
    // Keeps timer scrolling, skin rebuilds and the dialog's destruction apart.
    std::recursive_mutex Lock;

private:
    // Says once, on stderr and in a box, that the settings file could not
    // be read and will not be written.
    void reportUnreadSettings(const TIniFileEx& ini);
    void reportDesktopFailure(const std::string& message);
    void downloadFinished();
    void showUpdateImage();
    int tickerOf(const QWidget* control, const std::array<QPointer<platform::TLabel>, 2>& labels,
                 bool panelsToo) const;
    void placePastExit(int i);
    // Whether ticker i moves on the timer now.
    bool tickerMoves(int i) const;
    // Tells the player when the next tick can change something: a step of
    // a moving ticker, the clock or the update check. Whatever makes a
    // tick matter sooner asks for the next one.
    void announceTimerDue();
    void wakeTimer() { plyx_->SetTimerDue(0); }
    int enabledSiteFrom(int start, int direction) const;

    QPointer<QWidget> owner_;
    std::string baseDirectory_; // Shift_JIS, ends with "/" unless empty
    std::unique_ptr<SkinEvents> skinEvents_;
    std::unique_ptr<TPLYX> plyx_;
    std::unique_ptr<TNewsSites> sites_;
    int lastTick_ = 0;
    int clockCountdown_ = 1000;
    qint64 clockLookedAt_ = -1; // the wall clock's second at the last look at the local time
    int minuteCountdown_ = 0;
    bool unreadSettingsReported_ = false;
    // The opener's reports come back to the user-interface thread through
    // this object; those still on the way go with it.
    QObject desktopReplies_;
    std::set<std::string> desktopFailuresShown_;
    std::unique_ptr<TDesktopOpener> opener_;
};

// "PLYX Talo+ Ver.6.32.0": the version line the tickers start with.
std::string VersionText();
// The skin ticker's speed from its "Option" list ("Scroll=30,..."): 100
// when the item is missing or no number.
int ScrollOption(std::string_view option);
