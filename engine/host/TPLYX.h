#pragma once

// The component that ties the system to the running player: it finds (or
// starts) the player, binds to its automation interfaces, turns the
// registered message "WM_PLYX" into events and forwards property reads,
// writes and commands. Everything runs on the thread that created it.
//
// Any event handler may call Bind or Unbind, drop menu items, or destroy
// this component (the engine does on teardown): dispatch notices and
// touches nothing of it afterwards.

#include "engine/host/PLYXInterfaces.h"
#include "engine/host/TLyrics.h"
#include "engine/host/TPLYXMenu.h"
#include "engine/host/TPLYXTypes.h"
#include "engine/host/TTrackInfo.h"
#include "platform/gdi/TFont.h"
#include "platform/messages/MessageWindow.h"

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
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
    virtual platform::LRESULT PLYXHandler(unsigned long wParam, platform::LPARAM lParam);
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
    // Tells a player that can skip ticks when the next one can matter
    // (milliseconds after the last; 0: the next tick). Others tick anyway.
    void SetTimerDue(int milliseconds);

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

    // ---- properties and commands (bound: the player's; unbound: fixed) ----------
    bool GetVisible();
    void SetVisible(bool value);
    int GetLeft();
    void SetLeft(int value);
    int GetTop();
    void SetTop(int value);
    int GetWidth();
    int GetHeight();
    int GetPlayStatus();
    int GetTrack();
    void SetTrack(int value);
    int GetPosition();
    void SetPosition(int value);
    int GetLength();
    int GetVolume();
    void SetVolume(int value);
    int GetCounter();
    void SetCounter(int value);
    bool GetRepeat();
    void SetRepeat(bool value);
    bool GetRandom();
    void SetRandom(bool value);
    bool GetRemainTime();
    void SetRemainTime(bool value);
    std::string GetDesign();
    void SetDesign(const std::string& name);
    TPLYXDisplayMode GetDisplayMode();
    void SetDisplayMode(TPLYXDisplayMode value);
    bool GetOnTimer();
    void SetOnTimer(bool value);
    int GetOnTime();
    void SetOnTime(int value);
    bool GetOffTimer();
    void SetOffTimer(bool value);
    int GetOffTime();
    void SetOffTime(int value);
    bool GetShutDownRecord();
    void SetShutDownRecord(bool value);
    int GetRecLevel();
    void SetRecLevel(int value);
    void Stop();
    void Pause();
    void Play();
    void FF(bool on);
    void Rewind(bool on);
    void Next();
    void Back();
    void Eject();
    void Seek(int a, int b);
    void ShowPlayList();
    void ShowProperty();
    void ShowMenu();
    void ShowToolMenu();
    void Click(int value);
    void KeyDown(unsigned short key, TShiftState shift);
    TLyrics* GetText();
    TLyrics* GetLyricsText(int index) { return LyricsList.GetLyricsText(index); }
    void GetVolumes(int* left, int* right);
    void GetSpeana(int* levels);
    void SavePLYXini();
    platform::TColor GetColor(int index);
    platform::TFont* GetFont(int index);
    void GetFormImage(const std::string& name);
    int GetRate();
    void SetRate(int value);
    int GetAdjustVolLevel();
    void SetAdjustVolLevel(int value);
    int GetAdjustSpeanaLevel();
    void SetAdjustSpeanaLevel(int value);
    bool GetMute();
    void SetMute(bool value);
    int GetZoom();
    void SetZoom(int value);
    int GetFixedVideoWidth();
    void SetFixedVideoWidth(int value);
    int GetFixedVideoHeight();
    void SetFixedVideoHeight(int value);
    bool GetShutDownPlay();
    void SetShutDownPlay(bool value);
    TPLYXDeviceType GetAudioVideo();
    bool GetStayOnTop();
    void SetStayOnTop(bool value);
    std::string GetPluginName(unsigned long index);
    void SetPluginName(const std::string& name);
    bool FindPlugin(const std::string& name, void** first, void** second);
    unsigned long SendPlugin(unsigned long target, unsigned short cmd, unsigned long param);
    int GetTracks();
    void New();
    void Add(const std::string& file);
    void Load(const std::string& file);
    void Save(const std::string& file);
    TTrackInfo GetTrackInfo(int index);
    void SetTrackInfo(int index, const TTrackInfo& info);

    // The player's settings file (its path with ".ini"), bound or not.
    std::string SettingsFileName() const;
    bool ToolExists(const std::string& name);
    void SetTool(const std::string& name, const std::string& value);
    void DeleteTool(const std::string& name);

    // ---- menus -------------------------------------------------------------
    // See TPLYXMenu.h for how long a wrapper lives and how to keep one.
    TPLYXMenu* GetMenu(long id);
    void ClearMenuList();
    // Hands the wrapper over: out of the list, alive as long as the caller
    // holds it. A null item drops the first wrapper and returns null.
    std::shared_ptr<TPLYXMenu> RemoveMenu(TPLYXMenu* item);
    void DeleteMenu(TPLYXMenu* item);

    // Expires when this component is destroyed; it never keeps it alive.
    std::weak_ptr<TPLYX> Liveness() const { return self_; }

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
    std::array<std::shared_ptr<TPLYXMenu>, 4> RootMenus;
    std::vector<std::shared_ptr<TPLYXMenu>> MenuList;
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
    // A failed read: the property and the result go to stderr.
    void reportRead(platform::HRESULT hr, const char* call);
    bool queryInterfaces(platform::IUnknown* unknown);
    void releaseInterfaces();
    std::shared_ptr<TPLYXMenu> menuEntry(long id);
    // MenuList's items by id; an item that has left the list may linger.
    std::unordered_map<long, std::weak_ptr<TPLYXMenu>> menuIndex_;
    // A wrapper leaves the lists: handles let go of it, and a Created one
    // takes its item in the player along while bound.
    void dropMenu(TPLYXMenu& item);

    // Owns nothing: its count is this object's life, for the weak
    // references that dispatch, wrappers and handles check.
    std::shared_ptr<TPLYX> self_{std::make_shared<char>(), this};

    std::unique_ptr<platform::MessageWindow> clientWindow_;
    platform::ComPtr<IPLYXControl> control_;
    platform::ComPtr<IPLYXPlayList> playList_;
    platform::ComPtr<IPLYXLyrics> lyrics_;
    platform::ComPtr<IPLYXMenu> menu_;
    platform::ComPtr<IPLYXTimer> timer_; // optional
};

// The texts of the boxes the host link shows.
extern const char* const kUnsupportedVersionText; // Shift_JIS
