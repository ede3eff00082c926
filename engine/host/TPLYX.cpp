#include "engine/host/TPLYX.h"

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
constexpr uint32_t kMinimumVersion = 6320;

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

} // namespace

TPLYX::TPLYX(TObject*) {
    for (size_t i = 0; i < RootMenus.size(); ++i) {
        static constexpr long ids[] = {0x4000, 0x5000, 0x9000, 0x8000};
        RootMenus[i] = std::make_unique<TPLYXMenu>(this, ids[i]);
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
    if (ComInitialized) CoUninitialize();
    clientWindow_.reset();
    ClearMenuList();
    for (auto& root : RootMenus)
        root.reset();
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
        message.Result = PLYXHandler(static_cast<unsigned long>(message.WParam),
                                     static_cast<int>(message.LParam));
    else
        message.Result = DefWindowProc(message.Msg, message.WParam, message.LParam);
}

int TPLYX::PLYXHandler(unsigned long wParam, int lParam) {
    wParam &= 0xFFFFFFFFul;
    unsigned long code = wParam < 0x10000 ? wParam : (wParam & 0xFFFF0000ul);
    int sub = static_cast<int>(wParam & 0xFFFF);
    int result = 1;
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
            if (OnReceive)
                result = static_cast<int>(
                    OnReceive(this, static_cast<uint16_t>(sub), static_cast<uint32_t>(lParam)));
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
    if (OnPLYX) OnPLYX(this, static_cast<uint32_t>(wParam), lParam);
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
    return true;
}

void TPLYX::releaseInterfaces() {
    control_.reset();
    playList_.reset();
    lyrics_.reset();
    menu_.reset();
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

    if (GetVersion() >= static_cast<int>(kMinimumVersion) && CheckVersion(4300)) {
        control_->Connect(0, static_cast<LONG>(::getpid()), static_cast<LONG>(ClientWindow),
                          &PluginMode, &RunId);
        SetEvent(EventMask);
        if (OnBind) OnBind(this);
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
    if (OnUnbind) OnUnbind(this);
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
                            static_cast<WPARAM>(static_cast<uint32_t>(wParam)), lParam, 3000,
                            &result))
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

// ---- notification reactions ------------------------------------------------------

void TPLYX::NotifyUser(unsigned long event, int param) {
    if (OnUser) OnUser(this, static_cast<uint32_t>(event), param);
}

void TPLYX::NotifyOpen(HWND window) {
    PlayerWindow = window;
    if (!Bound && AutoLink) Bind();
    if (OnOpen) OnOpen(this);
}

void TPLYX::NotifyClose(HWND) {
    PlayerWindow = 0;
    Unbind();
    if (OnClose) OnClose(this);
}

void TPLYX::NotifyRun(int value) {
    RunId = value;
    if (OnRun) OnRun(this);
}

void TPLYX::NotifyAbort() {
    if (OnAbort) OnAbort(this);
    PlayerWindow = 0;
    Unbind();
}

void TPLYX::NotifyPlayStatus(int param) {
    if (OnPlayStatus) OnPlayStatus(this, param);
}

void TPLYX::NotifyVolume(int left, int right) {
    if (OnVolume) OnVolume(this, left, right);
}

void TPLYX::NotifySpeana(int wParam, int lParam) {
    if (!OnSpeana) return;
    int levels[10];
    for (int i = 0; i < 8; ++i)
        levels[i] = (static_cast<uint32_t>(lParam) >> (4 * i)) & 0xF;
    levels[8] = wParam & 0xF;
    levels[9] = (wParam >> 4) & 0xF;
    OnSpeana(this, levels);
}

void TPLYX::NotifyLyrics(int param) {
    if (OnLyrics) OnLyrics(this, param);
}

void TPLYX::NotifyCounter(int param) {
    if (OnCounter) OnCounter(this, param);
}

void TPLYX::NotifyPosition(int param) {
    if (OnPosition) OnPosition(this, param);
}

void TPLYX::NotifyTimer(int param) {
    if (OnIntTimer) OnIntTimer(this, param);
}

void TPLYX::NotifyMove(int left, int top) {
    if (OnMove) OnMove(this, left, top);
}

void TPLYX::NotifyButton(int event, int param) {
    if (OnButton) OnButton(this, static_cast<uint32_t>(event), param);
}

void TPLYX::NotifyMenu(int id) {
    TPLYXMenu* item = GetMenu(id);
    if (item && item->OnSelect) item->OnSelect(item);
    if (OnMenu) OnMenu(item);
}

void TPLYX::NotifyStatus(int status, int value) {
    if (OnStatus) OnStatus(this, static_cast<uint32_t>(status), value);
    auto flag = [&](const TPLYXFlagEvent& e) {
        if (e) e(this, value != 0);
    };
    auto param = [&](const TPLYXParamEvent& e) {
        if (e) e(this, value);
    };
    auto notify = [&](const TNotifyEvent& e) {
        if (e) e(this);
    };
    switch (status) {
    case 1:
        flag(OnVisible);
        break;
    case 2:
        flag(OnActive);
        break;
    case 3:
        flag(OnMinimize);
        break;
    case 4:
        flag(OnStayOnTop);
        break;
    case 5:
        flag(OnRepeat);
        break;
    case 6:
        flag(OnRandom);
        break;
    case 7:
        flag(OnDisplayTime);
        break;
    case 8:
        param(OnDisplayTrack);
        break;
    case 9:
        param(OnDisplayTitle);
        break;
    case 10:
        if (OnDisplayDevice) OnDisplayDevice(this, static_cast<TPLYXDeviceType>(value));
        break;
    case 11:
        param(OnDisplayTimer);
        break;
    case 12:
        notify(OnDisplayCaption);
        break;
    case 13:
        param(OnChangeVolume);
        break;
    case 14:
        param(OnOpenTrack);
        break;
    case 15:
        param(OnCloseTrack);
        break;
    case 16:
        LyricsList.Clear();
        notify(OnLoadLyrics);
        break;
    case 17:
        notify(OnSavePLYXini);
        break;
    case 18:
        notify(OnDesign);
        break;
    case 21:
        param(OnChangePlayList);
        break;
    case 22:
        if (OnDisplayMenu)
            if (TPLYXMenu* item = GetMenu(value)) OnDisplayMenu(item);
        break;
    case 25:
        param(OnClick);
        break;
    case 26:
        param(OnDblClick);
        break;
    case 27:
        NotifyDeleteMenu(value);
        break;
    case 28:
        if (OnChangeDisplayMode) OnChangeDisplayMode(this, static_cast<TPLYXDisplayMode>(value));
        break;
    case 30:
        if (OnMoved)
            OnMoved(this, static_cast<int16_t>(value & 0xFFFF),
                    static_cast<int16_t>(static_cast<uint32_t>(value) >> 16));
        break;
    case 31:
        param(OnAdjustLevel);
        break;
    case 32:
        flag(OnMute);
        break;
    case 33:
        param(OnZoom);
        break;
    default:
        break;
    }
}

// ---- menus ------------------------------------------------------------------------

TPLYXMenu* TPLYX::GetMenu(long id) {
    if (id == 0) return nullptr;
    for (auto& root : RootMenus)
        if (root && root->Id == id) return root.get();
    for (auto& item : MenuList)
        if (item->Id == id) return item.get();
    MenuList.push_back(std::make_unique<TPLYXMenu>(this, id));
    return MenuList.back().get();
}

void TPLYX::ClearMenuList() {
    // Taken out before destruction: a Created wrapper looks itself up in
    // the list as it goes.
    std::vector<std::unique_ptr<TPLYXMenu>> items;
    items.swap(MenuList);
    items.clear();
}

TPLYXMenu* TPLYX::RemoveMenu(TPLYXMenu* item) {
    if (!item) {
        if (MenuList.empty()) return nullptr;
        std::unique_ptr<TPLYXMenu> first = std::move(MenuList.front());
        MenuList.erase(MenuList.begin());
        first.reset();
        return nullptr;
    }
    for (auto it = MenuList.begin(); it != MenuList.end(); ++it) {
        if (it->get() == item) {
            // The caller takes the wrapper over, as the list gives it up.
            TPLYXMenu* released = it->release();
            MenuList.erase(it);
            return released;
        }
    }
    return nullptr;
}

void TPLYX::DeleteMenu(TPLYXMenu* item) {
    for (auto it = MenuList.begin(); it != MenuList.end(); ++it) {
        if (it->get() == item) {
            std::unique_ptr<TPLYXMenu> owned = std::move(*it);
            MenuList.erase(it);
            return; // destroyed here, deleting its item in the player if Created
        }
    }
}

void TPLYX::NotifyDeleteMenu(long id) {
    for (auto it = MenuList.begin(); it != MenuList.end(); ++it) {
        if ((*it)->Id == id) {
            std::unique_ptr<TPLYXMenu> item = std::move(*it);
            MenuList.erase(it);
            // The player has deleted the item already.
            item->Created = false;
            return;
        }
    }
}
