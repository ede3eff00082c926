#pragma once

// The player's automation interfaces, as the engine calls them: each is an
// abstract class whose declaration order is its vtable slot order, counted
// from QueryInterface = 0; slots the system never calls are reserved.
// Window handles and other 32-bit values cross as LONG.

#include "platform/com/Com.h"

// The player's own identifiers (one family).
constexpr platform::CLSID CLSID_PLYXControl{
    0x5A1E0000, 0x6320, 0x4E57, {0x8A, 0x31, 0x50, 0x4C, 0x59, 0x58, 0x00, 0x01}};
constexpr platform::IID IID_IPLYXControl{
    0x5A1E0001, 0x6320, 0x4E57, {0x8A, 0x31, 0x50, 0x4C, 0x59, 0x58, 0x00, 0x01}};
constexpr platform::IID IID_IPLYXPlayList{
    0x5A1E0002, 0x6320, 0x4E57, {0x8A, 0x31, 0x50, 0x4C, 0x59, 0x58, 0x00, 0x01}};
constexpr platform::IID IID_IPLYXLyrics{
    0x5A1E0003, 0x6320, 0x4E57, {0x8A, 0x31, 0x50, 0x4C, 0x59, 0x58, 0x00, 0x01}};
constexpr platform::IID IID_IPLYXMenu{
    0x5A1E0004, 0x6320, 0x4E57, {0x8A, 0x31, 0x50, 0x4C, 0x59, 0x58, 0x00, 0x01}};
constexpr platform::IID IID_IPLYXTimer{
    0x5A1E0005, 0x6320, 0x4E57, {0x8A, 0x31, 0x50, 0x4C, 0x59, 0x58, 0x00, 0x01}};

// Context mask of the player's CoCreateInstance: in-process, local or remote.
constexpr platform::ULONG CLSCTX_PLYX = 0x15;

// Window, version, state, transport, timers, design, fonts, colours, plug-ins, events.
class IPLYXControl : public platform::IDispatch {
public:
    virtual platform::HRESULT get_Version(platform::LONG* version) = 0; // 7
    virtual platform::HRESULT CheckVersion(platform::LONG required,
                                           platform::LONG* result) = 0;          // 8
    virtual platform::HRESULT get_Handle(platform::LONG* window) = 0;            // 9
    virtual platform::HRESULT get_Visible(platform::LONG* value) = 0;            // 10
    virtual platform::HRESULT put_Visible(platform::LONG value) = 0;             // 11
    virtual platform::HRESULT get_Left(platform::LONG* value) = 0;               // 12
    virtual platform::HRESULT put_Left(platform::LONG value) = 0;                // 13
    virtual platform::HRESULT get_Top(platform::LONG* value) = 0;                // 14
    virtual platform::HRESULT put_Top(platform::LONG value) = 0;                 // 15
    virtual platform::HRESULT get_Width(platform::LONG* value) = 0;              // 16
    virtual platform::HRESULT get_Height(platform::LONG* value) = 0;             // 17
    virtual platform::HRESULT get_PlayStatus(platform::LONG* value) = 0;         // 18
    virtual platform::HRESULT get_Track(platform::LONG* value) = 0;              // 19
    virtual platform::HRESULT put_Track(platform::LONG value) = 0;               // 20
    virtual platform::HRESULT get_Position(platform::LONG* value) = 0;           // 21
    virtual platform::HRESULT put_Position(platform::LONG value) = 0;            // 22
    virtual platform::HRESULT get_Length(platform::LONG* value) = 0;             // 23
    virtual platform::HRESULT get_Volume(platform::LONG* value) = 0;             // 24
    virtual platform::HRESULT put_Volume(platform::LONG value) = 0;              // 25
    virtual platform::HRESULT get_Counter(platform::LONG* value) = 0;            // 26
    virtual platform::HRESULT put_Counter(platform::LONG value) = 0;             // 27
    virtual platform::HRESULT get_Repeat(platform::VARIANT_BOOL* value) = 0;     // 28
    virtual platform::HRESULT put_Repeat(platform::VARIANT_BOOL value) = 0;      // 29
    virtual platform::HRESULT get_Random(platform::VARIANT_BOOL* value) = 0;     // 30
    virtual platform::HRESULT put_Random(platform::VARIANT_BOOL value) = 0;      // 31
    virtual platform::HRESULT get_RemainTime(platform::VARIANT_BOOL* value) = 0; // 32
    virtual platform::HRESULT put_RemainTime(platform::VARIANT_BOOL value) = 0;  // 33
    virtual platform::HRESULT get_Design(platform::BSTR* value) = 0;             // 34
    virtual platform::HRESULT put_Design(platform::BSTR value) = 0;              // 35
    virtual platform::HRESULT Reserved36() = 0;
    virtual platform::HRESULT Reserved37() = 0;
    virtual platform::HRESULT get_DisplayMode(platform::LONG* value) = 0;            // 38
    virtual platform::HRESULT put_DisplayMode(platform::LONG value) = 0;             // 39
    virtual platform::HRESULT get_OnTimer(platform::VARIANT_BOOL* value) = 0;        // 40
    virtual platform::HRESULT put_OnTimer(platform::VARIANT_BOOL value) = 0;         // 41
    virtual platform::HRESULT get_OnTime(platform::LONG* value) = 0;                 // 42
    virtual platform::HRESULT put_OnTime(platform::LONG value) = 0;                  // 43
    virtual platform::HRESULT get_OffTimer(platform::VARIANT_BOOL* value) = 0;       // 44
    virtual platform::HRESULT put_OffTimer(platform::VARIANT_BOOL value) = 0;        // 45
    virtual platform::HRESULT get_OffTime(platform::LONG* value) = 0;                // 46
    virtual platform::HRESULT put_OffTime(platform::LONG value) = 0;                 // 47
    virtual platform::HRESULT get_ShutDownRecord(platform::VARIANT_BOOL* value) = 0; // 48
    virtual platform::HRESULT put_ShutDownRecord(platform::VARIANT_BOOL value) = 0;  // 49
    virtual platform::HRESULT get_RecLevel(platform::LONG* value) = 0;               // 50
    virtual platform::HRESULT put_RecLevel(platform::LONG value) = 0;                // 51
    virtual platform::HRESULT Connect(platform::LONG instance, platform::LONG processId,
                                      platform::LONG window, unsigned char* pluginMode,
                                      platform::LONG* runId) = 0;                        // 52
    virtual platform::HRESULT Disconnect(platform::LONG window) = 0;                     // 53
    virtual platform::HRESULT Abort(platform::LONG window) = 0;                          // 54
    virtual platform::HRESULT Close() = 0;                                               // 55
    virtual platform::HRESULT ShutDown() = 0;                                            // 56
    virtual platform::HRESULT GetEvent(platform::LONG window, platform::LONG* mask) = 0; // 57
    virtual platform::HRESULT SetEvent(platform::LONG window, platform::LONG mask) = 0;  // 58
    virtual platform::HRESULT NotifyEvent(platform::LONG target, platform::LONG wParam,
                                          platform::LONG lParam) = 0;                // 59
    virtual platform::HRESULT Stop() = 0;                                            // 60
    virtual platform::HRESULT Pause() = 0;                                           // 61
    virtual platform::HRESULT Play() = 0;                                            // 62
    virtual platform::HRESULT FF(platform::LONG on) = 0;                             // 63
    virtual platform::HRESULT Rewind(platform::LONG on) = 0;                         // 64
    virtual platform::HRESULT Next() = 0;                                            // 65
    virtual platform::HRESULT Back() = 0;                                            // 66
    virtual platform::HRESULT Eject() = 0;                                           // 67
    virtual platform::HRESULT Seek(platform::LONG a, platform::LONG b) = 0;          // 68
    virtual platform::HRESULT ShowPlayList() = 0;                                    // 69
    virtual platform::HRESULT ShowProperty() = 0;                                    // 70
    virtual platform::HRESULT ShowMenu() = 0;                                        // 71
    virtual platform::HRESULT ShowToolMenu() = 0;                                    // 72
    virtual platform::HRESULT Click(platform::LONG value) = 0;                       // 73
    virtual platform::HRESULT KeyDown(platform::LONG key, platform::LONG shift) = 0; // 74
    virtual platform::HRESULT GetText(platform::BSTR* text, platform::LONG* align,
                                      platform::VARIANT_BOOL* showFlag,
                                      platform::VARIANT_BOOL* accelFlag, platform::BSTR* face,
                                      platform::LONG* charset, platform::LONG* size,
                                      platform::LONG* style, platform::LONG* color,
                                      platform::LONG* tag) = 0;                            // 75
    virtual platform::HRESULT GetVolumes(platform::LONG* left, platform::LONG* right) = 0; // 76
    virtual platform::HRESULT GetSpeana(platform::LONG* level0, platform::LONG* level1,
                                        platform::LONG* level2, platform::LONG* level3,
                                        platform::LONG* level4, platform::LONG* level5,
                                        platform::LONG* level6, platform::LONG* level7,
                                        platform::LONG* level8, platform::LONG* level9) = 0; // 77
    virtual platform::HRESULT SavePLYXini() = 0;                                             // 78
    virtual platform::HRESULT Reserved79() = 0;
    virtual platform::HRESULT GetColor(platform::LONG index, platform::LONG* color) = 0; // 80
    virtual platform::HRESULT GetFont(platform::LONG index, platform::BSTR* face,
                                      platform::LONG* charset, platform::LONG* size,
                                      platform::LONG* style, platform::LONG* color) = 0;     // 81
    virtual platform::HRESULT GetFormImage(platform::BSTR name) = 0;                         // 82
    virtual platform::HRESULT get_Rate(platform::LONG* value) = 0;                           // 83
    virtual platform::HRESULT put_Rate(platform::LONG value) = 0;                            // 84
    virtual platform::HRESULT get_AdjustVolLevel(platform::LONG* value) = 0;                 // 85
    virtual platform::HRESULT put_AdjustVolLevel(platform::LONG value) = 0;                  // 86
    virtual platform::HRESULT get_AdjustSpeanaLevel(platform::LONG* value) = 0;              // 87
    virtual platform::HRESULT put_AdjustSpeanaLevel(platform::LONG value) = 0;               // 88
    virtual platform::HRESULT get_Mute(platform::LONG* value) = 0;                           // 89
    virtual platform::HRESULT put_Mute(platform::LONG value) = 0;                            // 90
    virtual platform::HRESULT get_Zoom(platform::LONG* value) = 0;                           // 91
    virtual platform::HRESULT put_Zoom(platform::LONG value) = 0;                            // 92
    virtual platform::HRESULT get_FixedVideoWidth(platform::LONG* value) = 0;                // 93
    virtual platform::HRESULT put_FixedVideoWidth(platform::LONG value) = 0;                 // 94
    virtual platform::HRESULT get_FixedVideoHeight(platform::LONG* value) = 0;               // 95
    virtual platform::HRESULT put_FixedVideoHeight(platform::LONG value) = 0;                // 96
    virtual platform::HRESULT get_ShutDownPlay(platform::VARIANT_BOOL* value) = 0;           // 97
    virtual platform::HRESULT put_ShutDownPlay(platform::VARIANT_BOOL value) = 0;            // 98
    virtual platform::HRESULT get_AudioVideo(platform::LONG* value) = 0;                     // 99
    virtual platform::HRESULT get_StayOnTop(platform::VARIANT_BOOL* value) = 0;              // 100
    virtual platform::HRESULT put_StayOnTop(platform::VARIANT_BOOL value) = 0;               // 101
    virtual platform::HRESULT GetPluginName(platform::LONG index, platform::BSTR* name) = 0; // 102
    virtual platform::HRESULT SetPluginName(platform::LONG window, platform::BSTR name) = 0; // 103
    virtual platform::HRESULT FindPlugin(platform::BSTR name, platform::LONG* first,
                                         platform::LONG* second) = 0; // 104
    virtual platform::HRESULT SendPlugin(platform::LONG target, platform::LONG cmd,
                                         platform::LONG param, platform::LONG* result) = 0; // 105

protected:
    ~IPLYXControl() = default;
};
// Track count, new/add/load/save list, track information.
class IPLYXPlayList : public platform::IDispatch {
public:
    virtual platform::HRESULT Reserved7() = 0;
    virtual platform::HRESULT get_Tracks(platform::LONG* count) = 0; // 8
    virtual platform::HRESULT Reserved9() = 0;
    virtual platform::HRESULT Reserved10() = 0;
    virtual platform::HRESULT Reserved11() = 0;
    virtual platform::HRESULT Reserved12() = 0;
    virtual platform::HRESULT Reserved13() = 0;
    virtual platform::HRESULT Reserved14() = 0;
    virtual platform::HRESULT Reserved15() = 0;
    virtual platform::HRESULT Reserved16() = 0;
    virtual platform::HRESULT Reserved17() = 0;
    virtual platform::HRESULT Reserved18() = 0;
    virtual platform::HRESULT Reserved19() = 0;
    virtual platform::HRESULT Reserved20() = 0;
    virtual platform::HRESULT Reserved21() = 0;
    virtual platform::HRESULT Reserved22() = 0;
    virtual platform::HRESULT Reserved23() = 0;
    virtual platform::HRESULT Reserved24() = 0;
    virtual platform::HRESULT New() = 0; // 25
    virtual platform::HRESULT Reserved26() = 0;
    virtual platform::HRESULT Reserved27() = 0;
    virtual platform::HRESULT Add(platform::BSTR file) = 0;  // 28
    virtual platform::HRESULT Load(platform::BSTR file) = 0; // 29
    virtual platform::HRESULT Save(platform::BSTR file) = 0; // 30
    virtual platform::HRESULT
    GetTrackInfo(platform::LONG index, platform::BSTR* s1, platform::BSTR* s2, platform::BSTR* s3,
                 platform::BSTR* s4, platform::BSTR* s5, platform::LONG* n1, platform::LONG* n2,
                 platform::LONG* n3, platform::LONG* n4, platform::LONG* n56, platform::LONG* n7,
                 platform::LONG* n8) = 0; // 31
    virtual platform::HRESULT SetTrackInfo(platform::LONG index, platform::BSTR s1,
                                           platform::BSTR s2, platform::BSTR s3, platform::BSTR s4,
                                           platform::BSTR s5, platform::LONG n1, platform::LONG n2,
                                           platform::LONG n3, platform::LONG n4, platform::LONG n56,
                                           platform::LONG n7, platform::LONG n8) = 0; // 32

protected:
    ~IPLYXPlayList() = default;
};
// Line count and per-line text records.
class IPLYXLyrics : public platform::IDispatch {
public:
    virtual platform::HRESULT Reserved7() = 0;
    virtual platform::HRESULT get_Lines(platform::LONG* count) = 0; // 8
    virtual platform::HRESULT Reserved9() = 0;
    virtual platform::HRESULT Reserved10() = 0;
    virtual platform::HRESULT Reserved11() = 0;
    virtual platform::HRESULT Reserved12() = 0;
    virtual platform::HRESULT Reserved13() = 0;
    virtual platform::HRESULT Reserved14() = 0;
    virtual platform::HRESULT Reserved15() = 0;
    virtual platform::HRESULT Reserved16() = 0;
    virtual platform::HRESULT Reserved17() = 0;
    virtual platform::HRESULT Reserved18() = 0;
    virtual platform::HRESULT Reserved19() = 0;
    virtual platform::HRESULT Reserved20() = 0;
    virtual platform::HRESULT GetLyrics(platform::LONG index, platform::LONG* lineNo,
                                        platform::BSTR* text, platform::LONG* align,
                                        platform::VARIANT_BOOL* flag, platform::BSTR* face,
                                        platform::LONG* charset, platform::LONG* size,
                                        platform::LONG* style, platform::LONG* color,
                                        platform::LONG* tag) = 0; // 21

protected:
    ~IPLYXLyrics() = default;
};
// Menu items addressed by 32-bit id.
class IPLYXMenu : public platform::IDispatch {
public:
    virtual platform::HRESULT GetCount(platform::LONG id, platform::LONG* count) = 0; // 7
    virtual platform::HRESULT GetItem(platform::LONG id, platform::LONG index,
                                      platform::LONG* item) = 0; // 8
    virtual platform::HRESULT Find(platform::LONG id, platform::BSTR caption,
                                   platform::LONG* item) = 0; // 9
    virtual platform::HRESULT Add(platform::LONG window, platform::LONG id, platform::BSTR caption,
                                  platform::LONG* item) = 0; // 10
    virtual platform::HRESULT Insert(platform::LONG window, platform::LONG id, platform::LONG index,
                                     platform::BSTR caption, platform::LONG* item) = 0; // 11
    virtual platform::HRESULT Delete(platform::LONG id, platform::LONG index) = 0;      // 12
    virtual platform::HRESULT Remove(platform::LONG id) = 0;                            // 13
    virtual platform::HRESULT Reserved14() = 0;
    virtual platform::HRESULT GetIndex(platform::LONG id, platform::LONG* index) = 0; // 15
    virtual platform::HRESULT Reserved16() = 0;
    virtual platform::HRESULT GetCaption(platform::LONG id, platform::BSTR* caption) = 0; // 17
    virtual platform::HRESULT SetCaption(platform::LONG id, platform::BSTR caption) = 0;  // 18
    virtual platform::HRESULT Reserved19() = 0;
    virtual platform::HRESULT SetEnabled(platform::LONG id, platform::LONG enabled) = 0; // 20
    virtual platform::HRESULT GetChecked(platform::LONG id,
                                         platform::VARIANT_BOOL* checked) = 0;           // 21
    virtual platform::HRESULT SetChecked(platform::LONG id, platform::LONG checked) = 0; // 22

protected:
    ~IPLYXMenu() = default;
};

// Optional, and this player's own: a client that scrolls tells the player
// when its next timer notification can matter, so the player need not wake
// every 20 ms for ticks that change nothing. A player without it ticks as
// always; a client that never calls it gets every tick.
class IPLYXTimer : public platform::IUnknown {
public:
    // No tick is needed sooner than milliseconds after the last tick the
    // client was sent; 0 asks for the next one.
    virtual platform::HRESULT SetTimerDue(platform::LONG window, platform::LONG milliseconds) = 0;

protected:
    ~IPLYXTimer() = default;
};
