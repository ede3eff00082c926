#pragma once

// The component that ties the system to the running player: it finds (or
// starts) the player, binds to its automation interfaces, turns the
// registered message "WM_PLYX" into events and forwards property reads,
// writes and commands. Everything runs on the thread that created it.

#include "engine/host/PLYXInterfaces.h"
#include "engine/host/TLyrics.h"
#include "engine/host/TPLYXMenu.h"
#include "engine/host/TPLYXTypes.h"
#include "platform/gdi/TFont.h"
#include "platform/messages/MessageWindow.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

struct TMessage {
    uint32_t Msg;
    platform::WPARAM WParam;
    platform::LPARAM LParam;
    platform::LRESULT Result;
};

class TPLYX : public TObject {
public:
    explicit TPLYX(TObject* owner = nullptr);
    ~TPLYX() override;
    TPLYX(const TPLYX&) = delete;
    TPLYX& operator=(const TPLYX&) = delete;

    // ---- binding and notifications --------------------------------------
    virtual void WndProc(TMessage& message);
    virtual int PLYXHandler(unsigned long wParam, int lParam);
    void Loaded();

    void Bind();
    void Unbind();
    void SetAutoLink(bool value);
    bool Execute(const std::string& params);
    platform::HWND GetPLYXHandle();
    bool Post(int msg, int wParam, int lParam);
    int Request(int msg, int wParam, int lParam);
    void Close();
    void Abort();
    void ShutDown();
    int GetVersion();
    bool CheckVersion(int required);
    bool IsPlugin();
    unsigned long GetEvent();
    void SetEvent(unsigned long mask);
    TPLYXEventSet GetEvents();
    void SetEvents(TPLYXEventSet events);
    void NotifyEvent(platform::HWND target, unsigned long wParam, int lParam);

    void NotifyUser(unsigned long event, int param);
    void NotifyOpen(platform::HWND window);
    void NotifyClose(platform::HWND window);
    void NotifyRun(int value);
    void NotifyAbort();
    void NotifyPlayStatus(int param);
    void NotifyVolume(int left, int right);
    void NotifySpeana(int wParam, int lParam);
    void NotifyLyrics(int param);
    void NotifyCounter(int param);
    void NotifyPosition(int param);
    void NotifyTimer(int param);
    void NotifyMove(int left, int top);
    void NotifyButton(int event, int param);
    void NotifyMenu(int id);
    void NotifyStatus(int status, int value);
    void NotifyDeleteMenu(long id);

    // ---- menus -------------------------------------------------------------
    TPLYXMenu* GetMenu(long id);
    void ClearMenuList();
    TPLYXMenu* RemoveMenu(TPLYXMenu* item);
    void DeleteMenu(TPLYXMenu* item);

    // ---- the player's interfaces while bound ---------------------------------
    IPLYXControl* Control() const { return control_.get(); }
    IPLYXPlayList* PlayList() const { return playList_.get(); }
    IPLYXLyrics* LyricsInterface() const { return lyrics_.get(); }
    IPLYXMenu* Menu() const { return menu_.get(); }

    // ---- fields ------------------------------------------------------------
    uint32_t MessageId;
    platform::HWND PlayerWindow = 0;
    std::string PlayerPath;
    platform::LONG RunId = 0;
    unsigned char PluginMode = 0;
    platform::HWND ClientWindow = 0;
    bool Bound = false;
    bool AutoLink = true;
    unsigned long EventMask = kDefaultEventMask;
    TLyrics Lyrics;
    TLyricsList LyricsList{this};
    std::array<std::unique_ptr<TPLYXMenu>, 4> RootMenus;
    std::vector<std::unique_ptr<TPLYXMenu>> MenuList;
    platform::TFont Font;
    bool ComInitialized = false;

    // ---- events ------------------------------------------------------------
    TPLYXEvent OnPLYX;
    TNotifyEvent OnOpen, OnClose, OnRun, OnAbort;
    TPLYXParamEvent OnPlayStatus, OnIntTimer, OnCounter, OnPosition, OnLyrics;
    TPLYXLREvent OnVolume, OnMove;
    TNotifyEvent OnMenu;
    TPLYXReceiveEvent OnReceive;
    TPLYXSpeanaEvent OnSpeana;
    TPLYXEvent OnButton, OnStatus, OnUser;
    TNotifyEvent OnBind, OnUnbind;
    // Status events.
    TPLYXFlagEvent OnVisible, OnActive, OnMinimize, OnStayOnTop, OnRepeat, OnRandom, OnDisplayTime;
    TPLYXParamEvent OnDisplayTrack, OnDisplayTitle;
    TPLYXDeviceEvent OnDisplayDevice;
    TPLYXParamEvent OnDisplayTimer;
    TNotifyEvent OnDisplayCaption;
    TPLYXParamEvent OnChangeVolume, OnOpenTrack, OnCloseTrack;
    TNotifyEvent OnLoadLyrics, OnSavePLYXini, OnDesign;
    TPLYXParamEvent OnChangePlayList;
    TNotifyEvent OnDisplayMenu;
    TPLYXParamEvent OnClick, OnDblClick;
    TPLYXDisplayModeEvent OnChangeDisplayMode;
    TPLYXLREvent OnMoved;
    TPLYXParamEvent OnAdjustLevel;
    TPLYXFlagEvent OnMute;
    TPLYXParamEvent OnZoom;

private:
    bool queryInterfaces(platform::IUnknown* unknown);
    void releaseInterfaces();

    std::unique_ptr<platform::MessageWindow> clientWindow_;
    platform::ComPtr<IPLYXControl> control_;
    platform::ComPtr<IPLYXPlayList> playList_;
    platform::ComPtr<IPLYXLyrics> lyrics_;
    platform::ComPtr<IPLYXMenu> menu_;
};

// The texts of the boxes the host link shows.
extern const char* const kUnsupportedVersionText; // Shift_JIS
