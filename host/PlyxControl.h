#pragma once

// The player's automation server: one object answering the four
// interfaces over the player's state. The player owns it; a client's
// references keep it alive past the player, and once the player has gone
// every call fails with RPC_E_DISCONNECTED, as a vanished server's would.

#include "engine/host/PLYXInterfaces.h"

#include <atomic>
#include <memory>

class PlyxPlayer;

class PlyxControl : public IPLYXControl,
                    public IPLYXPlayList,
                    public IPLYXLyrics,
                    public IPLYXMenu,
                    public IPLYXTimer,
                    public std::enable_shared_from_this<PlyxControl> {
public:
    using HRESULT = platform::HRESULT;
    using LONG = platform::LONG;
    using BSTR = platform::BSTR;
    using VARIANT_BOOL = platform::VARIANT_BOOL;

    static constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108);

    explicit PlyxControl(PlyxPlayer& player) : player_(&player) {}

    platform::ULONG References() const { return references_; }
    // The player is going: from now on every call fails.
    void Detach() { player_ = nullptr; }

    // IUnknown, IDispatch
    HRESULT QueryInterface(const platform::IID& iid, void** object) override;
    platform::ULONG AddRef() override;
    platform::ULONG Release() override;
    HRESULT GetTypeInfoCount(unsigned*) override { return platform::E_NOTIMPL; }
    HRESULT GetTypeInfo(unsigned, platform::ULONG, void**) override { return platform::E_NOTIMPL; }
    HRESULT GetIDsOfNames(const platform::IID&, char16_t**, unsigned, platform::ULONG,
                          LONG*) override {
        return platform::E_NOTIMPL;
    }
    HRESULT Invoke(LONG, const platform::IID&, platform::ULONG, uint16_t, void*, void*, void*,
                   unsigned*) override {
        return platform::E_NOTIMPL;
    }

    // IPLYXControl
    HRESULT get_Version(LONG* version) override;
    HRESULT CheckVersion(LONG required, LONG* result) override;
    HRESULT get_Handle(LONG* window) override;
#define PLYX_LONG(Name)                                                                            \
    HRESULT get_##Name(LONG* value) override {                                                     \
        return getLong(#Name, value);                                                              \
    }                                                                                              \
    HRESULT put_##Name(LONG value) override {                                                      \
        return putLong(#Name, value);                                                              \
    }
#define PLYX_LONG_GET(Name)                                                                        \
    HRESULT get_##Name(LONG* value) override {                                                     \
        return getLong(#Name, value);                                                              \
    }
#define PLYX_BOOL(Name)                                                                            \
    HRESULT get_##Name(VARIANT_BOOL* value) override {                                             \
        return getBool(#Name, value);                                                              \
    }                                                                                              \
    HRESULT put_##Name(VARIANT_BOOL value) override {                                              \
        return putLong(#Name, value != 0);                                                         \
    }
    PLYX_LONG(Visible)
    HRESULT get_Left(LONG* value) override {
        return getLong("Left", value);
    }
    HRESULT put_Left(LONG value) override;
    HRESULT get_Top(LONG* value) override {
        return getLong("Top", value);
    }
    HRESULT put_Top(LONG value) override;
    PLYX_LONG_GET(Width)
    PLYX_LONG_GET(Height)
    PLYX_LONG_GET(PlayStatus)
    PLYX_LONG(Track)
    PLYX_LONG(Position)
    PLYX_LONG_GET(Length)
    PLYX_LONG(Volume)
    PLYX_LONG(Counter)
    PLYX_BOOL(Repeat)
    PLYX_BOOL(Random)
    PLYX_BOOL(RemainTime)
    HRESULT get_Design(BSTR* value) override;
    HRESULT put_Design(BSTR value) override;
    PLYX_LONG(DisplayMode)
    PLYX_BOOL(OnTimer)
    PLYX_LONG(OnTime)
    PLYX_BOOL(OffTimer)
    PLYX_LONG(OffTime)
    PLYX_BOOL(ShutDownRecord)
    PLYX_LONG(RecLevel)
    HRESULT Connect(LONG instance, LONG processId, LONG window, unsigned char* pluginMode,
                    LONG* runId) override;
    HRESULT Disconnect(LONG window) override;
    HRESULT Abort(LONG window) override;
    HRESULT Close() override;
    HRESULT ShutDown() override {
        return command("ShutDown");
    }
    HRESULT GetEvent(LONG window, LONG* mask) override;
    HRESULT SetEvent(LONG window, LONG mask) override;
    HRESULT NotifyEvent(LONG target, LONG wParam, LONG lParam) override;
    HRESULT Stop() override {
        return command("Stop");
    }
    HRESULT Pause() override {
        return command("Pause");
    }
    HRESULT Play() override {
        return command("Play");
    }
    HRESULT FF(LONG on) override {
        return command(on ? "FF on" : "FF off");
    }
    HRESULT Rewind(LONG on) override {
        return command(on ? "Rewind on" : "Rewind off");
    }
    HRESULT Next() override {
        return command("Next");
    }
    HRESULT Back() override {
        return command("Back");
    }
    HRESULT Eject() override {
        return command("Eject");
    }
    HRESULT Seek(LONG a, LONG b) override;
    HRESULT ShowPlayList() override {
        return command("ShowPlayList");
    }
    HRESULT ShowProperty() override {
        return command("ShowProperty");
    }
    HRESULT ShowMenu() override {
        return command("ShowMenu");
    }
    HRESULT ShowToolMenu() override {
        return command("ShowToolMenu");
    }
    HRESULT Click(LONG value) override;
    HRESULT KeyDown(LONG key, LONG shift) override;
    HRESULT GetText(BSTR* text, LONG* align, VARIANT_BOOL* showFlag, VARIANT_BOOL* accelFlag,
                    BSTR* face, LONG* charset, LONG* size, LONG* style, LONG* color,
                    LONG* tag) override;
    HRESULT GetVolumes(LONG* left, LONG* right) override;
    HRESULT GetSpeana(LONG* l0, LONG* l1, LONG* l2, LONG* l3, LONG* l4, LONG* l5, LONG* l6,
                      LONG* l7, LONG* l8, LONG* l9) override;
    HRESULT SavePLYXini() override {
        return command("SavePLYXini");
    }
    HRESULT GetColor(LONG index, LONG* color) override;
    HRESULT GetFont(LONG index, BSTR* face, LONG* charset, LONG* size, LONG* style,
                    LONG* color) override;
    HRESULT GetFormImage(BSTR name) override;
    PLYX_LONG(Rate)
    PLYX_LONG(AdjustVolLevel)
    PLYX_LONG(AdjustSpeanaLevel)
    PLYX_LONG(Mute)
    PLYX_LONG(Zoom)
    PLYX_LONG(FixedVideoWidth)
    PLYX_LONG(FixedVideoHeight)
    PLYX_BOOL(ShutDownPlay)
    PLYX_LONG_GET(AudioVideo)
    HRESULT get_StayOnTop(VARIANT_BOOL* value) override {
        return getBool("StayOnTop", value);
    }
    HRESULT put_StayOnTop(VARIANT_BOOL value) override;
    HRESULT GetPluginName(LONG index, BSTR* name) override;
    HRESULT SetPluginName(LONG window, BSTR name) override;
    HRESULT FindPlugin(BSTR name, LONG* first, LONG* second) override;
    HRESULT SendPlugin(LONG target, LONG cmd, LONG param, LONG* result) override;
#undef PLYX_LONG
#undef PLYX_LONG_GET
#undef PLYX_BOOL

    // IPLYXPlayList
    HRESULT get_Tracks(LONG* count) override;
    HRESULT New() override;
    HRESULT Add(BSTR file) override;
    HRESULT Load(BSTR file) override;
    HRESULT Save(BSTR file) override;
    HRESULT GetTrackInfo(LONG index, BSTR* s1, BSTR* s2, BSTR* s3, BSTR* s4, BSTR* s5, LONG* n1,
                         LONG* n2, LONG* n3, LONG* n4, LONG* n56, LONG* n7, LONG* n8) override;
    HRESULT SetTrackInfo(LONG index, BSTR s1, BSTR s2, BSTR s3, BSTR s4, BSTR s5, LONG n1, LONG n2,
                         LONG n3, LONG n4, LONG n56, LONG n7, LONG n8) override;

    // IPLYXLyrics
    HRESULT get_Lines(LONG* count) override;
    HRESULT GetLyrics(LONG index, LONG* lineNo, BSTR* text, LONG* align, VARIANT_BOOL* flag,
                      BSTR* face, LONG* charset, LONG* size, LONG* style, LONG* color,
                      LONG* tag) override;

    // IPLYXMenu
    HRESULT GetCount(LONG id, LONG* count) override;
    HRESULT GetItem(LONG id, LONG index, LONG* item) override;
    HRESULT Find(LONG id, BSTR caption, LONG* item) override;
    HRESULT Add(LONG window, LONG id, BSTR caption, LONG* item) override;
    HRESULT Insert(LONG window, LONG id, LONG index, BSTR caption, LONG* item) override;
    HRESULT Delete(LONG id, LONG index) override;
    HRESULT Remove(LONG id) override;
    HRESULT GetIndex(LONG id, LONG* index) override;
    HRESULT GetCaption(LONG id, BSTR* caption) override;
    HRESULT SetCaption(LONG id, BSTR caption) override;
    HRESULT SetEnabled(LONG id, LONG enabled) override;
    HRESULT GetChecked(LONG id, VARIANT_BOOL* checked) override;
    HRESULT SetChecked(LONG id, LONG checked) override;

    // IPLYXTimer
    HRESULT SetTimerDue(LONG window, LONG milliseconds) override;

    // Slots the player does not serve (the static_assert takes the semicolon).
#define PLYX_RESERVED(n)                                                                           \
    HRESULT Reserved##n() override {                                                               \
        return platform::E_NOTIMPL;                                                                \
    }                                                                                              \
    static_assert(true)
    PLYX_RESERVED(7);
    PLYX_RESERVED(9);
    PLYX_RESERVED(10);
    PLYX_RESERVED(11);
    PLYX_RESERVED(12);
    PLYX_RESERVED(13);
    PLYX_RESERVED(14);
    PLYX_RESERVED(15);
    PLYX_RESERVED(16);
    PLYX_RESERVED(17);
    PLYX_RESERVED(18);
    PLYX_RESERVED(19);
    PLYX_RESERVED(20);
    PLYX_RESERVED(21);
    PLYX_RESERVED(22);
    PLYX_RESERVED(23);
    PLYX_RESERVED(24);
    PLYX_RESERVED(26);
    PLYX_RESERVED(27);
    PLYX_RESERVED(36);
    PLYX_RESERVED(37);
    PLYX_RESERVED(79);
#undef PLYX_RESERVED

private:
    HRESULT getLong(const char* name, LONG* value);
    HRESULT putLong(const char* name, LONG value);
    HRESULT getBool(const char* name, VARIANT_BOOL* value);
    HRESULT command(const std::string& name);

    PlyxPlayer* player_;
    std::atomic<platform::ULONG> references_{0};
    std::shared_ptr<PlyxControl> keepAlive_; // held while references exist
    LONG runCount_ = 0;
};
