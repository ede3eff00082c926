#include "engine/news/TPLYXNews.h"

#include "engine/files/TIniFileEx.h"
#include "engine/inet/DownloadPool.h"
#include "engine/news/DefaultSites.h"
#include "engine/news/NewsGlobals.h"
#include "engine/news/NewsWindowLink.h"
#include "engine/news/SiteValue.h"
#include "engine/news/SkinEvents.h"
#include "platform/HotPath.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WritableFolder.h"
#include "platform/ini/FileReplace.h"
#include "platform/process/Process.h"
#include "platform/shell/Shell.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace platform;

namespace {

constexpr const char* kSection = "PLYXNews";
constexpr const char* kSiteSection = "Site";
constexpr int kClockPeriod = 1000;
constexpr int kMinutePeriod = 60000;
// How late the clock and the update check may fire to share a step's tick.
constexpr int kTimerSlack = 100;
// How late a ticker's step may come to share the other ticker's tick.
constexpr int kSharedTick = 20;

} // namespace

std::string VersionText() {
    char text[64];
    std::snprintf(text, sizeof text, "PLYX Talo+ Ver.%d.%.02d.%d", kNewsVersion / 1000,
                  (kNewsVersion % 1000) / 10, kNewsVersion % 10);
    return text;
}

TPLYXNews::TPLYXNews(QWidget* owner, const std::string& baseDirectory) : owner_(owner) {
    NewsGlobals& g = Globals();
    g.News = this;
    g.MainControl = owner;
    baseDirectory_ = baseDirectory;
    if (!baseDirectory_.empty() && baseDirectory_.back() != '/') baseDirectory_ += '/';
    g.BaseDirectory = baseDirectory_;

    plyx_ = std::make_unique<TPLYX>(this);
    g.PLYX = plyx_.get();
    plyx_->Loaded();
    plyx_->SetPluginName("Talo+");

    plyx_->OnUser = [this](TObject*, uint32_t code, int param) { UserEvent(code, param); };
    plyx_->OnMove = [](TObject*, int left, int top) {
        if (INewsWindow* w = Globals().PLYXNewsWindow) w->FollowPlayer(left, top);
    };
    // The window stays on top with the player. The engine keeps the state
    // too: the property dialog's OK passes it back.
    plyx_->OnStayOnTop = [this](TObject*, bool on) { SetStayOnTop(on); };
    plyx_->OnDisplayMenu = [this](TObject* sender) {
        if (auto* item = dynamic_cast<TPLYXMenu*>(sender))
            Menu.Refresh(item->Id, *sites_, ShownSite[1]);
    };
    plyx_->OnIntTimer = [this](TObject*, int tick) { Timer(tick); };
    plyx_->OnMenu = [this](TObject* sender) {
        if (auto* item = dynamic_cast<TPLYXMenu*>(sender)) Menu.Dispatch(item->Id);
    };
    // A player that comes back gets the menus and the name again: the
    // loaders find the engine by its name, and one that cannot stops it.
    plyx_->OnBind = [this](TObject*) {
        plyx_->SetPluginName("Talo+");
        Menu.Build(*this);
        Menu.RebuildSites(*sites_);
        SetOnline(Online);
        Menu.ShowWindowEnabled(WindowEnabled);
    };

    sites_ = std::make_unique<TNewsSites>(
        platform::WritableFolder(baseDirectory_, platform::WritableKind::Cache));
    g.NewsSites = sites_.get();
    sites_->OnUpdated = [this](TNewsSites*) { downloadFinished(); };

    opener_ = std::make_unique<TDesktopOpener>([this](const std::string& message) {
        QMetaObject::invokeMethod(
            &desktopReplies_, [this, message] { reportDesktopFailure(message); },
            Qt::QueuedConnection);
    });

    Menu.Build(*this);
    LoadSettings();
    StayOnTop = plyx_->GetStayOnTop();
    sites_->OnChange = [this](TNewsSites*) { SyncSites(); };
    RebuildSiteMenu();
    SetOnline(Online);
    PostUserEvent(ueShowWindow, 0);
}

TPLYXNews::~TPLYXNews() {
    plyx_->SetEvents({});
    opener_.reset();
    SaveSettings();
    Online = false;
    RemoveSkinPanels();
    SetTickerControls(0, nullptr, nullptr, nullptr);
    NewsGlobals& g = Globals();
    {
        std::lock_guard lock(Lock);
        delete g.FormProperty.data();
    }
    DestroyNewsWindow();
    Menu.Remove();
    plyx_.reset();
    g.PLYX = nullptr;
    sites_.reset();
    g.NewsSites = nullptr;
    g.News = nullptr;
}

std::string TPLYXNews::SettingsFileName() const {
    return platform::WritableFolder(baseDirectory_, platform::WritableKind::Settings) +
           "PLYXNews.ini";
}

void TPLYXNews::LoadSettings() {
    platform::RemoveStaleReplacements(SettingsFileName());
    TIniFileEx ini(SettingsFileName());
    sites_->Clear();
    int version = ini.ReadInteger(kSection, "Version", 0);
    Online = ini.ReadBool(kSection, "Online", true);
    Debug = ini.ReadInteger(kSection, "Debug", 0);
    sites_->SetDebug(Debug != 0);
    Extraction = ini.ReadInteger(kSection, "Extraction", 1);
    sites_->SetExtended(Extraction != 0);
    // How many pages are fetched at once (1 to 16); the rest wait their turn.
    DownloadPool::SetLimit(ini.ReadInteger(kSection, "Downloads", DownloadPool::kDefaultLimit));
    PropertyPosition = ini.ReadPoint(kSection, "PropertyPosition", "-1,-1");
    PropertyPage = ini.ReadInteger(kSection, "PropertyPage", 0);
    WindowEnabled = ini.ReadBool(kSection, "WindowEnabled", false);
    WindowLocation = static_cast<uint8_t>(ini.ReadInteger(kSection, "WindowLocation", 0));
    WindowPosition = ini.ReadPoint(kSection, "WindowPosition", "-1,-1");
    Design = ini.ReadString(kSection, "Design", "");
    Speed[0] = ini.ReadInteger(kSection, "WindowScrollSpeed", 50);
    if (Speed[0] < 1) Speed[0] = 50;
    Step[0] = ini.ReadInteger(kSection, "WindowScrollStep", -1);
    if (Step[0] >= 0) Step[0] = -1;
    PauseOnHover = ini.ReadBool(kSection, "PauseOnHover", true);

    reportUnreadSettings(ini);

    // One pass over the section's lines: a list of thousands of sites reads
    // in linear time.
    std::vector<std::string> lines;
    ini.ReadSectionValues(kSiteSection, lines);
    for (const std::string& line : lines) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        SiteValue value = ParseSiteValue(std::string_view(line).substr(eq + 1));
        sites_->Add(line.substr(0, eq), value.url, value.interval, value.enabled);
    }
    // The file's keys know no letter case: a default beside a site named
    // like it in other case would take that site's key at the next save.
    auto named = [&](const std::string& name) {
        return std::any_of(sites_->Items.begin(), sites_->Items.end(),
                           [&](const auto& site) { return EqualsNoCase(site->Name, name); });
    };
    if (version < kNewsVersion)
        for (const DefaultSite& site : DefaultSites())
            if (!named(site.name)) sites_->Add(site.name, site.url, site.interval, site.enabled);
}

void TPLYXNews::reportUnreadSettings(const TIniFileEx& ini) {
    if (ini.ReadError().empty() || unreadSettingsReported_) return;
    unreadSettingsReported_ = true;
    std::fprintf(stderr,
                 "PLYXNews: cannot read %s: %s; running with the default settings, the file is "
                 "left as it is\n",
                 SjisToUtf8(ini.FileName()).c_str(), ini.ReadError().c_str());
    platform::ShowMessage(
        Utf8ToSjis("設定ファイルを読めませんでした。既定の設定で動作し、このファイル"
                   "は書き換えません。\n") +
            ini.FileName() + "\n(" + ini.ReadError() + ")",
        platform::MessageKind::Warning);
}

bool TPLYXNews::SaveSettings() {
    TIniFileEx ini(SettingsFileName());
    ini.WriteInteger(kSection, "Version", kNewsVersion);
    ini.WriteBool(kSection, "Online", Online);
    ini.WriteInteger(kSection, "Extraction", Extraction);
    ini.WritePoint(kSection, "PropertyPosition", PropertyPosition.first, PropertyPosition.second);
    ini.WriteInteger(kSection, "PropertyPage", PropertyPage);
    ini.WriteBool(kSection, "WindowEnabled", WindowEnabled);
    ini.WriteInteger(kSection, "WindowLocation", WindowLocation);
    ini.WritePoint(kSection, "WindowPosition", WindowPosition.first, WindowPosition.second);
    ini.WriteString(kSection, "Design", Design);
    ini.WriteInteger(kSection, "WindowScrollSpeed", Speed[0]);
    ini.WriteInteger(kSection, "WindowScrollStep", Step[0]);
    ini.WriteBool(kSection, "PauseOnHover", PauseOnHover);
    // The sites' lines take the places of the old ones: comments among them
    // and the section's place in the file stay.
    std::vector<std::string> lines;
    lines.reserve(sites_->Items.size());
    for (const auto& site : sites_->Items)
        if (!site->Name.empty())
            lines.push_back(StorableSiteName(site->Name) + "=" +
                            FormatSiteValue({site->URL, site->Enabled, site->Interval}));
    ini.WriteSectionValues(kSiteSection, lines);
    try {
        ini.Flush();
        return true;
    } catch (const EFCreateError& e) {
        std::fprintf(stderr, "news: cannot write %s: %s\n", SjisToUtf8(ini.FileName()).c_str(),
                     e.what());
        return false;
    }
}

void TPLYXNews::SetOnline(bool online) {
    Online = online;
    if (INewsWindow* w = Globals().PLYXNewsWindow) w->ShowOnline(online);
    Menu.ShowOnline(online);
    showUpdateImage();
}

void TPLYXNews::showUpdateImage() {
    if (!UpdateImage) return;
    UpdateImage->ShowFrame(UpdateImages, !Online ? 1 : sites_->IsBusy() ? 3 : 0);
    UpdateImage->setEnabled(Online);
}

bool TPLYXNews::CreateNewsWindow() {
    NewsGlobals& g = Globals();
    if (g.PLYXNewsWindow) return true;
    if (!g.MakeNewsWindow) {
        std::fprintf(stderr, "news: the news window is not available\n");
        return false;
    }
    g.PLYXNewsWindow = g.MakeNewsWindow(owner_);
    if (!g.PLYXNewsWindow) return false;
    g.PLYXNewsWindow->Setup();
    return true;
}

void TPLYXNews::DestroyNewsWindow() {
    NewsGlobals& g = Globals();
    if (!g.PLYXNewsWindow) return;
    SetTickerControls(0, nullptr, nullptr, nullptr);
    QWidget* form = g.PLYXNewsWindow->Form();
    g.PLYXNewsWindow = nullptr;
    delete form;
}

void TPLYXNews::SetWindowEnabled(bool enabled) {
    WindowEnabled = enabled;
    INewsWindow* window = Globals().PLYXNewsWindow;
    if (enabled && !window && CreateNewsWindow()) window = Globals().PLYXNewsWindow;
    Menu.ShowWindowEnabled(enabled && window);
    if (!window) return;
    QWidget* form = window->Form();
    if (enabled) {
        form->setEnabled(true);
        UpdateTimerState();
        form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
        form->show();
        form->raise();
    } else {
        form->hide();
    }
}

void TPLYXNews::ToggleWindow() {
    INewsWindow* window = Globals().PLYXNewsWindow;
    // A minimised window comes back rather than going.
    if (window && window->Form()->isMinimized()) {
        SetWindowEnabled(true);
        return;
    }
    SetWindowEnabled(!(window ? window->Form()->isVisible() : Menu.WindowChecked()));
}

void TPLYXNews::SetStayOnTop(bool on) {
    StayOnTop = on;
    if (INewsWindow* w = Globals().PLYXNewsWindow) w->ApplyStayOnTop(on);
}

void TPLYXNews::SetWindowLocation(int location) {
    WindowLocation = static_cast<uint8_t>(location);
    if (INewsWindow* w = Globals().PLYXNewsWindow) w->SetLocation(location);
}

void TPLYXNews::SetDesign(const std::string& fileName) {
    if (fileName == Design) return;
    Design = fileName;
    if (INewsWindow* w = Globals().PLYXNewsWindow) w->LoadDesign(fileName);
}

bool TPLYXNews::ShowProperty() {
    NewsGlobals& g = Globals();
    {
        std::lock_guard lock(Lock);
        if (!g.FormProperty) {
            if (!g.MakeProperty) {
                std::fprintf(stderr, "news: the property dialog is not available\n");
                return false;
            }
            g.FormProperty = g.MakeProperty(owner_);
        }
    }
    if (!g.FormProperty) return false;
    g.FormProperty->show();
    g.FormProperty->raise();
    g.FormProperty->activateWindow();
    return true;
}

bool TPLYXNews::ShowHelp() {
    const std::string& base = baseDirectory_;
    std::string file = base + "PLYXNews.html";
    if (!FileExists(file)) file = base + "Plugin/PLYXNews.html";
    if (!FileExists(file)) {
        reportDesktopFailure(Utf8ToSjis("ヘルプファイルが見つかりません: ") + file);
        return false;
    }
    opener_->OpenDocument(file);
    return true;
}

void TPLYXNews::OpenLink(const std::string& url) {
    opener_->OpenLink(url);
}

void TPLYXNews::reportDesktopFailure(const std::string& message) {
    if (!desktopFailuresShown_.insert(message).second) return;
    std::fprintf(stderr, "PLYXNews: %s\n", SjisToUtf8(message).c_str());
    platform::ShowMessage(message, platform::MessageKind::Warning);
}

void TPLYXNews::UpdateNews(TObject* sender) {
    if (!Online || sites_->IsBusy()) return;
    if (sender == this)
        sites_->Tick(1);
    else
        sites_->UpdateAll();
    if (!sites_->IsBusy()) return;
    if (UpdateImage) UpdateImage->ShowFrame(UpdateImages, 3);
    if (INewsWindow* w = Globals().PLYXNewsWindow) w->SetUpdating(true);
}

void TPLYXNews::downloadFinished() {
    if (UpdateImage) UpdateImage->ShowFrame(UpdateImages, Online ? 0 : 1);
    if (INewsWindow* w = Globals().PLYXNewsWindow) w->SetUpdating(false);
    // The pages are read and gone; the ticker keeps only their headlines.
    platform::ReturnFreeMemory();
}

void TPLYXNews::UpdateTimerState() {
    INewsWindow* window = Globals().PLYXNewsWindow;
    bool skin = TickerPanels[1] || TickerLabels[1] || SiteNameLabels[1] || DateTimeLabel ||
                PropertyImage || UpdateImage || WindowImage;
    TimerActive = (window && window->Form()->isEnabled()) || skin;
    TPLYXEventSet current = plyx_->GetEvents(), events;
    for (TPLYXEventKind kind : {evVolume, evSpeana, evLyrics, evCounter, evPosition})
        if (current.contains(kind)) events.insert(kind);
    if (TimerActive) {
        events.insert(evTimer);
        events.insert(evMove);
    }
    if (!(events == current)) plyx_->SetEvents(events);
    wakeTimer();
}

void TPLYXNews::RebuildSiteMenu() {
    Menu.RebuildSites(*sites_);
    if (INewsWindow* w = Globals().PLYXNewsWindow) w->BuildSiteSubmenu();
}

HOT_PATH void TPLYXNews::Timer(int tick) {
    // The player's tick starts again when it does; never scroll backwards.
    // Modulo 2^32, so the count wrapping after 24.8 days is no step back.
    auto elapsed =
        static_cast<int32_t>(static_cast<uint32_t>(tick) - static_cast<uint32_t>(lastTick_));
    elapsed = std::max(elapsed, 0);
    lastTick_ = tick;
    {
        std::lock_guard lock(Lock);
        for (int i = 0; i < 2; ++i)
            if (TickerPanels[i]) ScrollTicker(i, elapsed);
    }
    clockCountdown_ -= elapsed;
    if (clockCountdown_ < 0 || clockCountdown_ > kClockPeriod) {
        clockCountdown_ = kClockPeriod;
        PostUserEvent(ueClock, tick);
    }
    minuteCountdown_ -= elapsed;
    if (minuteCountdown_ < 0 || minuteCountdown_ > kMinutePeriod) {
        minuteCountdown_ = kMinutePeriod;
        PostUserEvent(ueUpdate, elapsed);
    }
    announceTimerDue();
}

HOT_PATH void TPLYXNews::announceTimerDue() {
    std::array<int, 2> due{};
    int n = 0;
    for (int i = 0; i < 2; ++i)
        if (tickerMoves(i)) due[n++] = std::max(Countdown[i], 0);
    // Two tickers due within a player's period of each other step on one
    // tick: the first a little late, as a 20 ms timer would have it, and
    // its countdown carries the lateness over.
    int step = std::numeric_limits<int>::max();
    if (n == 1) step = due[0];
    if (n == 2) {
        auto [first, second] = std::minmax(due[0], due[1]);
        step = second - first < kSharedTick ? second : first;
    }
    // The clock and the update check fire once their countdown goes below
    // 0. Neither needs the exact millisecond: one due shortly before a
    // step waits for it rather than waking the player on its own.
    int other = std::min(clockCountdown_, minuteCountdown_) + 1;
    plyx_->SetTimerDue(other + kTimerSlack < step ? other : step);
}

void TPLYXNews::PostUserEvent(uint32_t code, int param) {
    plyx_->NotifyEvent(plyx_->ClientWindow, pcUser | code, param);
}

void TPLYXNews::UserEvent(uint32_t code, int param) {
    switch (code & ~pcUser) {
    case ueShowWindow:
        if (WindowEnabled) SetWindowEnabled(true);
        break;
    case ueClosed:
        if (param == 1) {
            std::lock_guard lock(Lock);
            // Shown again before this event came: the user has it open.
            if (Globals().FormProperty && !Globals().FormProperty->isVisible())
                delete Globals().FormProperty.data();
        } else {
            if (INewsWindow* w = Globals().PLYXNewsWindow) w->Form()->setEnabled(false);
            SetWindowEnabled(false);
        }
        break;
    case ueHideWindow:
        SetWindowEnabled(false);
        break;
    case ueClock: {
        // The clock shows minutes, and the local time is dear to ask for
        // (the zone's file is read again each time): within the minute of
        // the last look the wall clock says it is unchanged.
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        if (LastClockHour >= 0 && now >= clockLookedAt_ && now / 60 == clockLookedAt_ / 60) break;
        clockLookedAt_ = now;
        RefreshClock(QDateTime::currentDateTime());
        break;
    }
    case ueUpdate:
        UpdateNews(this);
        break;
    default:
        break;
    }
}

void TPLYXNews::RefreshClock(const QDateTime& now) {
    INewsWindow* window = Globals().PLYXNewsWindow;
    if (!window && !DateTimeLabel) return;
    QTime time = now.time();
    if (time.hour() == LastClockHour && time.minute() == LastClockMinute) return;
    if (window) window->ShowDateTime(now);
    if (DateTimeLabel) DateTimeLabel->SetCaption(ClockText(now));
    LastClockHour = static_cast<int16_t>(time.hour());
    LastClockMinute = static_cast<int16_t>(time.minute());
}
