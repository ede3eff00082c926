#include "engine/host/TPLYX.h"

#include "platform/HotPath.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/fs/PathNames.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/text/SjisString.h"

#include <unistd.h>

using namespace platform;

// "このバージョンのPLYXには対応していません\n対応版をお使いください"
const char* const kUnsupportedVersionText =
    "\x82\xB1\x82\xCC\x83\x6F\x81\x5B\x83\x57\x83\x87\x83\x93\x82\xCC"
    "PLYX\x82\xC9\x82\xCD\x91\xCE\x89\x9E\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\n"
    "\x91\xCE\x89\x9E\x94\xC5\x82\xF0\x82\xA8\x8E\x67\x82\xA2\x82\xAD\x82\xBE\x82\xB3\x82\xA2";

namespace {

constexpr uint32_t kBeepError = 0x30;

void reportFailure(const std::string& text) {
    MessageBeep(kBeepError);
    ShowMessage(text, MessageKind::Error);
}

// The bits of SetEvents, by set element.
constexpr struct {
    TPLYXEventKind kind;
    unsigned long bit;
} kEventBits[] = {
    {evVolume, pcVolume},     {evSpeana, pcSpeana}, {evLyrics, pcLyrics}, {evCounter, pcCounter},
    {evPosition, pcPosition}, {evTimer, pcTimer},   {evMove, pcMove},
};

// Raises an event through a copy of its handler: the handler may replace
// the event, or destroy its owner, while it runs.
template <typename Event, typename... Args> HOT_PATH void raise(const Event& event, Args... args) {
    if (!event) return;
    Event handler = event;
    handler(args...);
}

} // namespace

TPLYX::TPLYX(TObject*) {
    for (size_t i = 0; i < RootMenus.size(); ++i) {
        static constexpr long ids[] = {kMenuPlugins, kMenuPlay, kMenuView, kMenuTools};
        RootMenus[i] = std::make_shared<TPLYXMenu>(this, ids[i]);
        RootMenus[i]->listed_ = true;
    }
    MessageId = RegisterWindowMessage("WM_PLYX");
    if (!RegReadString(RegistryRoot::LocalMachine,
                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PLYX.EXE", "",
                       PlayerPath) ||
        PlayerPath.empty()) {
        PlayerPath.clear();
        RegReadString(RegistryRoot::CurrentUser, "Software\\QUARN\\PLYX", "", PlayerPath);
    }
    clientWindow_ = std::make_unique<MessageWindow>([this](uint32_t message, WPARAM w, LPARAM l) {
        TMessage m{message, w, l, 0};
        WndProc(m);
        return m.Result;
    });
    ClientWindow = clientWindow_->Handle();
    ComInitialized = SUCCEEDED(CoInitialize(nullptr));
    GetPLYXHandle();
    BroadcastMessage(MessageId, pcNewClient, static_cast<LPARAM>(ClientWindow));
}

TPLYX::~TPLYX() {
    Unbind();
    self_.reset();
    if (ComInitialized) CoUninitialize();
    clientWindow_.reset();
    ClearMenuList();
    for (auto& root : RootMenus) {
        root->listed_ = false;
        root.reset();
    }
}

void TPLYX::Loaded() {
    if (!Bound && AutoLink && GetPLYXHandle()) Bind();
}

void TPLYX::SetAutoLink(bool value) {
    AutoLink = value;
    if (value && !Bound && GetPLYXHandle()) Bind();
}

void TPLYX::WndProc(TMessage& message) {
    if (message.Msg == MessageId)
        message.Result = PLYXHandler(static_cast<unsigned long>(message.WParam), message.LParam);
    else
        message.Result = DefWindowProc(message.Msg, message.WParam, message.LParam);
}

HOT_PATH LRESULT TPLYX::PLYXHandler(unsigned long wParam, LPARAM wideParam) {
    // Notifications carry 32-bit values; only a plug-in message's parameter
    // and answer are pointer-sized (an address may travel in them).
    int lParam = static_cast<int>(wideParam);
    std::weak_ptr<TPLYX> alive = self_;
    wParam &= 0xFFFFFFFFul;
    unsigned long code = wParam < kPLYXSubCodeBase ? wParam : (wParam & 0xFFFF0000ul);
    int sub = static_cast<int>(wParam & 0xFFFF);
    LRESULT result = 1;
    switch (code) {
    case pcOpen:
        NotifyOpen(static_cast<HWND>(static_cast<uint32_t>(lParam)));
        break;
    case pcClose:
        NotifyClose(static_cast<HWND>(static_cast<uint32_t>(lParam)));
        break;
    case pcRun:
        NotifyRun(lParam);
        break;
    case pcAbort:
        NotifyAbort();
        break;
    case pcUser:
        NotifyUser(static_cast<unsigned long>(sub), lParam);
        break;
    default:
        if (!Bound) break;
        switch (code) {
        case pcPlayStatus:
            NotifyPlayStatus(lParam);
            break;
        case pcTimer:
            NotifyTimer(lParam);
            break;
        case pcCounter:
            NotifyCounter(lParam);
            break;
        case pcPosition:
            NotifyPosition(lParam);
            break;
        case pcVolume:
            NotifyVolume(lParam & 0xFFFF, (static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
            break;
        case pcLyrics:
            NotifyLyrics(lParam);
            break;
        case pcMove:
            NotifyMove(static_cast<int16_t>(lParam & 0xFFFF),
                       static_cast<int16_t>(static_cast<uint32_t>(lParam) >> 16));
            break;
        case pcMenu:
            NotifyMenu(lParam);
            break;
        case pcReceive:
            if (OnReceive) {
                TPLYXReceiveEvent handler = OnReceive;
                result = handler(this, static_cast<uint16_t>(sub), wideParam);
            }
            break;
        case pcSpeana:
            NotifySpeana(static_cast<int>(wParam), lParam);
            break;
        case pcButton:
            NotifyButton(sub, lParam);
            break;
        case pcStatus:
            NotifyStatus(sub, lParam);
            break;
        default:
            break;
        }
    }
    if (alive.expired()) return result;
    raise(OnPLYX, this, static_cast<uint32_t>(wParam), lParam);
    return result;
}

// ---- binding ----------------------------------------------------------------

HWND TPLYX::GetPLYXHandle() {
    PlayerWindow = FindWindow("TFormPLYX");
    if (!PlayerWindow) PlayerWindow = FindWindow("TPlyxForm");
    return PlayerWindow;
}

bool TPLYX::Execute(const std::string& params) {
    if (PlayerPath.empty()) return false;
    std::vector<std::string> arguments;
    if (!params.empty()) arguments.push_back(params);
    return StartProcess(PlayerPath, arguments, ExtractFileDir(PlayerPath));
}

bool TPLYX::queryInterfaces(IUnknown* unknown) {
    struct Query {
        const IID& iid;
        void** out;
        const char* name;
    } queries[] = {
        {IID_IPLYXControl, control_.Out(), "IPLYXControl"},
        {IID_IPLYXPlayList, playList_.Out(), "IPLYXPlayList"},
        {IID_IPLYXLyrics, lyrics_.Out(), "IPLYXLyrics"},
        {IID_IPLYXMenu, menu_.Out(), "IPLYXMenu"},
    };
    for (const Query& q : queries) {
        HRESULT hr = unknown->QueryInterface(q.iid, q.out);
        if (FAILED(hr)) {
            releaseInterfaces();
            reportFailure(std::string(q.name) + " Interface Error[" + HResultText(hr) + "]");
            return false;
        }
    }
    unknown->QueryInterface(IID_IPLYXTimer, timer_.Out());
    return true;
}

void TPLYX::releaseInterfaces() {
    control_.reset();
    playList_.reset();
    lyrics_.reset();
    menu_.reset();
    timer_.reset();
}

void TPLYX::Bind() {
    if (Bound) return;
    if (!GetPLYXHandle() && !Execute("")) return;

    ComPtr<IUnknown> unknown;
    HRESULT hr =
        CoCreateInstance(CLSID_PLYXControl, nullptr, CLSCTX_PLYX, IID_IUnknown, unknown.Out());
    if (FAILED(hr)) {
        reportFailure("PLYXControl Create Instance Error[" + HResultText(hr) + "]");
        return;
    }
    if (!queryInterfaces(unknown.get())) return;

    LONG handle = 0;
    control_->get_Handle(&handle);
    PlayerWindow = static_cast<HWND>(static_cast<uint32_t>(handle));
    ClearMenuList();
    Bound = true;

    if (GetVersion() >= kPLYXMinimumVersion && CheckVersion(kPLYXClientVersion)) {
        control_->Connect(0, static_cast<LONG>(::getpid()), static_cast<LONG>(ClientWindow),
                          &PluginMode, &RunId);
        SetEvent(EventMask);
        raise(OnBind, this);
    } else {
        Unbind();
        MessageBeep(kBeepError);
        ShowMessage(kUnsupportedVersionText, MessageKind::Warning);
    }
}

void TPLYX::Unbind() {
    if (!Bound) return;
    RemoveMenu(nullptr);
    control_->Disconnect(static_cast<LONG>(ClientWindow));
    Bound = false;
    RunId = 0;
    releaseInterfaces();
    ClearMenuList();
    raise(OnUnbind, this);
}

// ---- messages to the player ---------------------------------------------------

bool TPLYX::Post(int msg, int wParam, int lParam) {
    if (!PlayerWindow && !GetPLYXHandle()) return false;
    if (PostMessage(PlayerWindow, static_cast<uint32_t>(msg),
                    static_cast<WPARAM>(static_cast<uint32_t>(wParam)), lParam))
        return true;
    return GetPLYXHandle() &&
           PostMessage(PlayerWindow, static_cast<uint32_t>(msg),
                       static_cast<WPARAM>(static_cast<uint32_t>(wParam)), lParam);
}

int TPLYX::Request(int msg, int wParam, int lParam) {
    if (!GetPLYXHandle()) return 0;
    LRESULT result = 0;
    if (!SendMessageTimeout(PlayerWindow, static_cast<uint32_t>(msg),
                            static_cast<WPARAM>(static_cast<uint32_t>(wParam)), lParam,
                            kPLYXRequestTimeoutMs, &result))
        return 0;
    return static_cast<int>(result);
}

void TPLYX::Close() {
    if (Bound) control_->Close();
}

void TPLYX::Abort() {
    if (Bound) control_->Abort(static_cast<LONG>(ClientWindow));
}

void TPLYX::ShutDown() {
    if (Bound) control_->ShutDown();
}

int TPLYX::GetVersion() {
    LONG version = 0;
    if (Bound) control_->get_Version(&version);
    return version;
}

bool TPLYX::CheckVersion(int required) {
    if (!Bound) return false;
    LONG result = 1;
    control_->CheckVersion(required, &result);
    return result == 0;
}

bool TPLYX::IsPlugin() {
    if (PluginMode != 0) return PluginMode != 1;
    for (const std::string& arg : CommandLineArguments())
        if (EqualsNoCase(arg, "/PLUGIN")) return true;
    return false;
}

unsigned long TPLYX::GetEvent() {
    if (!Bound) return EventMask;
    LONG mask = 0;
    control_->GetEvent(static_cast<LONG>(ClientWindow), &mask);
    return static_cast<uint32_t>(mask);
}

void TPLYX::SetEvent(unsigned long mask) {
    EventMask = mask & 0xFFFFFFFFul;
    if (Bound) control_->SetEvent(static_cast<LONG>(ClientWindow), static_cast<LONG>(EventMask));
}

TPLYXEventSet TPLYX::GetEvents() {
    unsigned long mask = GetEvent();
    TPLYXEventSet set;
    for (const auto& e : kEventBits)
        if (mask & e.bit) set.insert(e.kind);
    return set;
}

void TPLYX::SetEvents(TPLYXEventSet events) {
    unsigned long mask = kDefaultEventMask;
    for (const auto& e : kEventBits)
        if (events.contains(e.kind)) mask |= e.bit;
    SetEvent(mask);
}

void TPLYX::NotifyEvent(HWND target, unsigned long wParam, int lParam) {
    if (target == ClientWindow || (!Bound && target == 0)) {
        PostMessage(ClientWindow, MessageId, static_cast<WPARAM>(wParam & 0xFFFFFFFFul), lParam);
    } else if (Bound) {
        control_->NotifyEvent(static_cast<LONG>(target), static_cast<LONG>(wParam), lParam);
    }
}

HOT_PATH void TPLYX::SetTimerDue(int milliseconds) {
    if (Bound && timer_) timer_->SetTimerDue(static_cast<LONG>(ClientWindow), milliseconds);
}

// ---- notification reactions ------------------------------------------------------

void TPLYX::NotifyUser(unsigned long event, int param) {
    raise(OnUser, this, static_cast<uint32_t>(event), param);
}

void TPLYX::NotifyOpen(HWND window) {
    std::weak_ptr<TPLYX> alive = self_;
    PlayerWindow = window;
    if (!Bound && AutoLink) Bind();
    if (alive.expired()) return;
    raise(OnOpen, this);
}

void TPLYX::NotifyClose(HWND) {
    std::weak_ptr<TPLYX> alive = self_;
    PlayerWindow = 0;
    Unbind();
    if (alive.expired()) return;
    raise(OnClose, this);
}

void TPLYX::NotifyRun(int value) {
    RunId = value;
    raise(OnRun, this);
}

void TPLYX::NotifyAbort() {
    std::weak_ptr<TPLYX> alive = self_;
    raise(OnAbort, this);
    if (alive.expired()) return;
    PlayerWindow = 0;
    Unbind();
}

void TPLYX::NotifyPlayStatus(int param) {
    raise(OnPlayStatus, this, param);
}

void TPLYX::NotifyVolume(int left, int right) {
    raise(OnVolume, this, left, right);
}

void TPLYX::NotifySpeana(int wParam, int lParam) {
    if (!OnSpeana) return;
    int levels[10];
    for (int i = 0; i < 8; ++i)
        levels[i] = (static_cast<uint32_t>(lParam) >> (4 * i)) & 0xF;
    levels[8] = wParam & 0xF;
    levels[9] = (wParam >> 4) & 0xF;
    raise(OnSpeana, this, levels);
}

void TPLYX::NotifyLyrics(int param) {
    raise(OnLyrics, this, param);
}

void TPLYX::NotifyCounter(int param) {
    raise(OnCounter, this, param);
}

void TPLYX::NotifyPosition(int param) {
    raise(OnPosition, this, param);
}

HOT_PATH void TPLYX::NotifyTimer(int param) {
    raise(OnIntTimer, this, param);
}

void TPLYX::NotifyMove(int left, int top) {
    raise(OnMove, this, left, top);
}

void TPLYX::NotifyButton(int event, int param) {
    raise(OnButton, this, static_cast<uint32_t>(event), param);
}

void TPLYX::NotifyMenu(int id) {
    std::weak_ptr<TPLYX> alive = self_;
    // Held here, the item outlives handlers that drop it.
    std::shared_ptr<TPLYXMenu> item = menuEntry(id);
    if (item) raise(item->OnSelect, static_cast<TObject*>(item.get()));
    if (alive.expired()) return;
    raise(OnMenu, static_cast<TObject*>(item.get()));
}

void TPLYX::NotifyStatus(int status, int value) {
    std::weak_ptr<TPLYX> alive = self_;
    raise(OnStatus, this, static_cast<uint32_t>(status), value);
    if (alive.expired()) return;
    auto flag = [&](const TPLYXFlagEvent& e) { raise(e, this, value != 0); };
    auto param = [&](const TPLYXParamEvent& e) { raise(e, this, value); };
    auto notify = [&](const TNotifyEvent& e) { raise(e, this); };
    switch (status) {
    case psVisible:
        flag(OnVisible);
        break;
    case psActive:
        flag(OnActive);
        break;
    case psMinimize:
        flag(OnMinimize);
        break;
    case psStayOnTop:
        flag(OnStayOnTop);
        break;
    case psRepeat:
        flag(OnRepeat);
        break;
    case psRandom:
        flag(OnRandom);
        break;
    case psDisplayTime:
        flag(OnDisplayTime);
        break;
    case psDisplayTrack:
        param(OnDisplayTrack);
        break;
    case psDisplayTitle:
        param(OnDisplayTitle);
        break;
    case psDisplayDevice:
        raise(OnDisplayDevice, this, static_cast<TPLYXDeviceType>(value));
        break;
    case psDisplayTimer:
        param(OnDisplayTimer);
        break;
    case psDisplayCaption:
        notify(OnDisplayCaption);
        break;
    case psChangeVolume:
        param(OnChangeVolume);
        break;
    case psOpenTrack:
        param(OnOpenTrack);
        break;
    case psCloseTrack:
        param(OnCloseTrack);
        break;
    case psLoadLyrics:
        LyricsList.Clear();
        notify(OnLoadLyrics);
        break;
    case psSavePLYXini:
        notify(OnSavePLYXini);
        break;
    case psDesign:
        notify(OnDesign);
        break;
    case psChangePlayList:
        param(OnChangePlayList);
        break;
    case psDisplayMenu:
        if (OnDisplayMenu)
            if (std::shared_ptr<TPLYXMenu> item = menuEntry(value))
                raise(OnDisplayMenu, static_cast<TObject*>(item.get()));
        break;
    case psClick:
        param(OnClick);
        break;
    case psDblClick:
        param(OnDblClick);
        break;
    case psDeleteMenu:
        NotifyDeleteMenu(value);
        break;
    case psChangeDisplayMode:
        raise(OnChangeDisplayMode, this, static_cast<TPLYXDisplayMode>(value));
        break;
    case psMoved:
        raise(OnMoved, this, static_cast<int>(static_cast<int16_t>(value & 0xFFFF)),
              static_cast<int>(static_cast<int16_t>(static_cast<uint32_t>(value) >> 16)));
        break;
    case psAdjustLevel:
        param(OnAdjustLevel);
        break;
    case psMute:
        flag(OnMute);
        break;
    case psZoom:
        param(OnZoom);
        break;
    default:
        break;
    }
}

// ---- menus ------------------------------------------------------------------------

TPLYXMenu* TPLYX::GetMenu(long id) {
    return menuEntry(id).get();
}

std::shared_ptr<TPLYXMenu> TPLYX::menuEntry(long id) {
    if (id == 0) return nullptr;
    for (auto& root : RootMenus)
        if (root && root->Id == id) return root;
    // By a table rather than a pass over the list: a menu of thousands of
    // sites is built and refreshed one look-up per item. Items leave the
    // list in several ways; the table forgets them when it next meets them.
    if (auto found = menuIndex_.find(id); found != menuIndex_.end()) {
        std::shared_ptr<TPLYXMenu> item = found->second.lock();
        if (item && item->listed_ && item->Id == id) return item;
        menuIndex_.erase(found);
    }
    auto item = std::make_shared<TPLYXMenu>(this, id);
    item->listed_ = true;
    MenuList.push_back(item);
    if (menuIndex_.size() > 2 * MenuList.size() + 64) {
        menuIndex_.clear();
        for (const auto& listed : MenuList)
            menuIndex_.emplace(listed->Id, listed);
    }
    menuIndex_[id] = item;
    return item;
}

void TPLYX::dropMenu(TPLYXMenu& item) {
    item.listed_ = false;
    if (item.Created && Bound) menu_->Remove(item.Id);
    item.Created = false;
}

void TPLYX::ClearMenuList() {
    std::vector<std::shared_ptr<TPLYXMenu>> items;
    items.swap(MenuList);
    for (auto& item : items)
        dropMenu(*item);
}

std::shared_ptr<TPLYXMenu> TPLYX::RemoveMenu(TPLYXMenu* item) {
    if (!item) {
        if (MenuList.empty()) return nullptr;
        std::shared_ptr<TPLYXMenu> first = std::move(MenuList.front());
        MenuList.erase(MenuList.begin());
        dropMenu(*first);
        return nullptr;
    }
    for (auto it = MenuList.begin(); it != MenuList.end(); ++it) {
        if (it->get() == item) {
            std::shared_ptr<TPLYXMenu> taken = std::move(*it);
            MenuList.erase(it);
            taken->listed_ = false;
            return taken;
        }
    }
    return nullptr;
}

void TPLYX::DeleteMenu(TPLYXMenu* item) {
    for (auto it = MenuList.begin(); it != MenuList.end(); ++it) {
        if (it->get() == item) {
            std::shared_ptr<TPLYXMenu> owned = std::move(*it);
            MenuList.erase(it);
            dropMenu(*owned);
            return;
        }
    }
}

void TPLYX::NotifyDeleteMenu(long id) {
    for (auto it = MenuList.begin(); it != MenuList.end(); ++it) {
        if ((*it)->Id == id) {
            std::shared_ptr<TPLYXMenu> item = std::move(*it);
            MenuList.erase(it);
            // The player has deleted the item already.
            item->Created = false;
            dropMenu(*item);
            return;
        }
    }
}
