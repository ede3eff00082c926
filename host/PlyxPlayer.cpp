#include "host/PlyxPlayer.h"

#include "host/PlyxControl.h"
#include "platform/HotPath.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/fs/WritableFolder.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/ini/TMemIniFile.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <unordered_set>

using namespace platform;

PlyxPlayer::PlyxPlayer(Options options) : options_(std::move(options)) {
    messageId_ = RegisterWindowMessage("WM_PLYX");
    window_ = std::make_unique<MessageWindow>(
        [this](uint32_t m, WPARAM w, LPARAM l) { return windowProcedure(m, w, l); }, "TFormPLYX",
        "PLYX");
    control_ = std::make_shared<PlyxControl>(*this);
    Properties = {{"Visible", 1},
                  {"Left", 100},
                  {"Top", 100},
                  {"Width", 320},
                  {"Height", 120},
                  {"PlayStatus", 0},
                  {"Volume", 80},
                  {"RecLevel", 100},
                  {"Rate", 100},
                  {"AdjustVolLevel", 100},
                  {"AdjustSpeanaLevel", 100},
                  {"Zoom", 100},
                  {"FixedVideoWidth", 640},
                  {"FixedVideoHeight", 480}};
    for (auto [id, caption] :
         std::initializer_list<std::pair<long, const char*>>{{kMenuPlugins, "Plug-ins"},
                                                             {kMenuPlay, "Play"},
                                                             {kMenuView, "View"},
                                                             {kMenuTools, "Tools"},
                                                             {kMenuHelp, "Help"}})
        menus_.push_back({id, 0, caption});
    menus_.push_back({kMenuAbout, kMenuHelp, "About PLYX..."});
    for (const char* caption : {"Play", "Pause", "Stop"})
        menus_.push_back({nextMenuId_++, kMenuPlay, caption});
    for (const char* caption : {"Play list", "Stay on top"})
        menus_.push_back({nextMenuId_++, kMenuView, caption});

    // Lyrics of the sample track, each line with a font of its own.
    for (const char* text : {"First line", "Second line", "Third line"}) {
        PlyxLyricsLine line;
        line.text = text;
        line.font.Name = "\x82\x6C\x82\x72 \x82\x6F\x96\xBE\x92\xA9"; // ＭＳ Ｐ明朝
        line.font.Charset = 128;
        line.font.Height = -16 - static_cast<int>(Lyrics.size());
        line.tag = static_cast<int32_t>(Lyrics.size()) + 1;
        Lyrics.push_back(line);
    }
    CoRegisterClassObject(CLSID_PLYXControl, [this](const IID& iid, void** object) {
        return control_->QueryInterface(iid, object);
    });
    started_ = std::chrono::steady_clock::now();
    BroadcastMessage(messageId_, pcOpen, static_cast<LPARAM>(Window()));
}

PlyxPlayer::~PlyxPlayer() {
    timer_.stop();
    BroadcastMessage(messageId_, pcClose, static_cast<LPARAM>(Window()));
    CoRevokeClassObject(CLSID_PLYXControl);
    control_->Detach();
}

std::string PlyxPlayer::SettingsPath() const {
    if (options_.path.empty()) return {};
    return platform::WritableFolder(platform::ExtractFileDir(options_.path),
                                    platform::WritableKind::Settings) +
           platform::ExtractFileName(ChangeFileExt(options_.path, ".ini"));
}

std::string PlyxPlayer::StoredDesign() const {
    platform::TMemIniFile settings(SettingsPath());
    if (settings.ValueExists("PLYX", "Design")) return settings.ReadString("PLYX", "Design", "");
    std::string sample = platform::ExtractFileDir(options_.path) + "/Skins/plyx-skin.plyxd";
    return !options_.path.empty() && platform::FileExists(sample) ? sample : std::string();
}

bool PlyxPlayer::ChooseDesign(const std::string& design) {
    SetDesign(design);
    return !SettingsPath().empty() &&
           platform::WritePrivateProfileString("PLYX", "Design", design, SettingsPath());
}

LRESULT PlyxPlayer::windowProcedure(uint32_t message, WPARAM wParam, LPARAM) {
    if (message != messageId_) return DefWindowProc(message, wParam, 0);
    if (wParam == pcToolChanged) {
        Log.push_back("ReloadTools");
        ReloadTools();
    }
    return 1;
}

void PlyxPlayer::changed() {
    if (OnChanged) OnChanged();
}

// ---- clients ------------------------------------------------------------------

void PlyxPlayer::Connect(HWND window) {
    if (std::none_of(clients_.begin(), clients_.end(),
                     [&](const Client& c) { return c.window == window; }))
        clients_.push_back({window, 0, {}});
}

void PlyxPlayer::Disconnect(HWND window) {
    std::erase_if(clients_, [&](const Client& c) { return c.window == window; });
    syncTimer();
}

void PlyxPlayer::SetEventMask(HWND window, uint32_t mask) {
    for (Client& c : clients_)
        if (c.window == window) c.mask = mask;
    syncTimer();
}

HOT_PATH bool PlyxPlayer::timerWanted() const {
    return options_.runTimer && std::any_of(clients_.begin(), clients_.end(),
                                            [](const Client& c) { return c.mask & pcTimer; });
}

void PlyxPlayer::syncTimer() {
    if (!timerWanted()) {
        timer_.stop();
    } else if (!timer_.isActive()) {
        lastTick_ = elapsed();
        scheduleTick(lastTick_);
    }
}

HOT_PATH int64_t PlyxPlayer::NextTickAt(int64_t now) const {
    int64_t due = std::numeric_limits<int64_t>::max();
    for (const Client& c : clients_)
        if (c.mask & pcTimer) due = std::min(due, c.due);
    // Never sooner than a period after the last tick, never in the past.
    return std::max({due, lastTick_ + kTickPeriod, now});
}

HOT_PATH void PlyxPlayer::scheduleTick(int64_t from) {
    next_ = NextTickAt(from);
    auto gap = static_cast<int>(std::min<int64_t>(next_ - from, 60000));
    // The timer repeats: set to this gap already, it fires on time by itself
    // and costs nothing to set again.
    if (timer_.isActive() && timer_.interval() == gap && from == lastTick_) return;
    timer_.start(gap);
}

HOT_PATH void PlyxPlayer::SetTimerDue(HWND window, int32_t milliseconds) {
    for (Client& c : clients_)
        if (c.window == window) c.due = lastTick_ + std::max(milliseconds, 0);
    // A tick being sent schedules the next one once every client has said.
    if (timer_.isActive() && !inTick_) scheduleTick(elapsed());
}

uint32_t PlyxPlayer::GetEventMask(HWND window) const {
    for (const Client& c : clients_)
        if (c.window == window) return c.mask;
    return 0;
}

void PlyxPlayer::SetPluginName(HWND window, const std::string& name) {
    Connect(window);
    for (Client& c : clients_)
        if (c.window == window) c.pluginName = name;
}

HWND PlyxPlayer::FindPlugin(const std::string& name) const {
    for (const Client& c : clients_)
        if (!name.empty() && c.pluginName == name) return c.window;
    return 0;
}

void PlyxPlayer::post(HWND window, uint32_t code, int32_t value) {
    PostMessage(window, messageId_, code, value);
}

void PlyxPlayer::Notify(uint32_t code, int32_t value) {
    // A code is sent to the clients that asked for its bit (the status and
    // user codes by their high bits).
    uint32_t bit = code >= kPLYXSubCodeBase ? (code & 0xFFFF0000u) : code;
    for (const Client& c : clients_)
        if (c.mask & bit) post(c.window, code, value);
}

void PlyxPlayer::NotifyStatus(int status, int32_t value) {
    Notify(pcStatus | static_cast<uint32_t>(status), value);
}

HOT_PATH int64_t PlyxPlayer::elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started_)
        .count();
}

HOT_PATH void PlyxPlayer::Tick() {
    // A timer may fire a hair early; the tick counts from when it was due,
    // or a client would find its step not quite due and wait a period more.
    TickAt(std::max<int64_t>(elapsed(), next_));
}

HOT_PATH void PlyxPlayer::TickAt(int64_t now) {
    lastTick_ = now;
    // The notification's count is 32 bits wide and wraps after 24.8 days.
    auto value = static_cast<LPARAM>(static_cast<int32_t>(static_cast<uint32_t>(now)));
    // Sent rather than posted: the tick's work is done in this wake-up,
    // without one more turn of the event loop. A client may go or come
    // meanwhile, hence the index.
    inTick_ = true;
    for (size_t k = 0; k < clients_.size(); ++k)
        if (clients_[k].mask & pcTimer)
            SendNotifyMessage(clients_[k].window, messageId_, pcTimer, value);
    inTick_ = false;
    if (timerWanted()) scheduleTick(now);
}

void PlyxPlayer::MoveTo(int left, int top) {
    Properties["Left"] = left;
    Properties["Top"] = top;
    Notify(pcMove, static_cast<int32_t>((static_cast<uint32_t>(left) & 0xFFFF) |
                                        (static_cast<uint32_t>(top) << 16)));
    changed();
}

void PlyxPlayer::SetStayOnTop(bool on) {
    Properties["StayOnTop"] = on;
    NotifyStatus(psStayOnTop, on);
    changed();
}

void PlyxPlayer::SetDesign(const std::string& design) {
    Design = design;
    NotifyStatus(psDesign, 0);
    changed();
}

// ---- menus ----------------------------------------------------------------------

PlyxMenuItem* PlyxPlayer::MenuItem(long id) {
    for (PlyxMenuItem& item : menus_)
        if (item.id == id) return &item;
    return nullptr;
}

std::vector<long> PlyxPlayer::Children(long parent) const {
    std::vector<long> children;
    for (const PlyxMenuItem& item : menus_)
        if (item.parent == parent && parent != 0) children.push_back(item.id);
    return children;
}

long PlyxPlayer::AddMenu(HWND owner, long parent, int index, const std::string& caption) {
    long id = nextMenuId_++;
    PlyxMenuItem item{id, parent, caption, true, false, owner};
    std::vector<long> siblings = Children(parent);
    auto at = menus_.end();
    if (index >= 0 && static_cast<size_t>(index) < siblings.size())
        at = std::find_if(menus_.begin(), menus_.end(),
                          [&](const PlyxMenuItem& m) { return m.id == siblings[index]; });
    menus_.insert(at, item);
    changed();
    return id;
}

void PlyxPlayer::DeleteMenu(long id) {
    if (!MenuItem(id)) return;
    // The item and everything below it, children before their parents, in
    // one pass over the menus: a plug-in's menu of ten thousand sites goes
    // in linear time.
    std::multimap<long, const PlyxMenuItem*> children;
    for (const PlyxMenuItem& m : menus_)
        children.emplace(m.parent, &m);
    std::vector<std::pair<long, HWND>> gone;
    std::function<void(const PlyxMenuItem&)> collect = [&](const PlyxMenuItem& item) {
        auto [first, last] = children.equal_range(item.id);
        for (auto child = first; child != last; ++child)
            collect(*child->second);
        gone.emplace_back(item.id, item.owner);
    };
    collect(*MenuItem(id));
    std::unordered_set<long> ids;
    for (const auto& [goneId, owner] : gone)
        ids.insert(goneId);
    std::erase_if(menus_, [&](const PlyxMenuItem& m) { return ids.count(m.id) != 0; });
    for (const auto& [goneId, owner] : gone)
        if (owner)
            post(owner, pcStatus | static_cast<uint32_t>(psDeleteMenu),
                 static_cast<int32_t>(goneId));
    changed();
}

void PlyxPlayer::ClickMenu(long id) {
    PlyxMenuItem* item = MenuItem(id);
    if (!item) return;
    if (item->owner)
        post(item->owner, pcMenu, static_cast<int32_t>(id));
    else
        Log.push_back("Menu " + std::to_string(id));
}

void PlyxPlayer::ReloadTools() {
    std::erase_if(menus_,
                  [](const PlyxMenuItem& m) { return m.parent == kMenuTools && m.owner == 0; });
    if (SettingsPath().empty()) return;
    platform::TMemIniFile settings(SettingsPath());
    std::vector<std::string> tools;
    settings.ReadSection("Tool", tools);
    for (const std::string& name : tools)
        if (!name.empty()) menus_.push_back({nextMenuId_++, kMenuTools, name});
    changed();
}

void PlyxPlayer::AboutToShowMenu(long id) {
    NotifyStatus(psDisplayMenu, static_cast<int32_t>(id));
}
