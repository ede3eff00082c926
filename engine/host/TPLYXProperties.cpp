// The player's properties and commands as TPLYX members: bound, each
// forwards to one method of the player's interfaces; unbound, getters give
// fixed values and commands do nothing. Five members work on the player's
// settings file directly, bound or not.

#include "engine/files/TIniFileEx.h"
#include "engine/host/TPLYX.h"
#include "platform/fs/PathNames.h"
#include "platform/fs/WritableFolder.h"
#include "platform/ini/PrivateProfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace platform;

void TPLYX::reportRead(HRESULT hr, const char* call) {
    if (SUCCEEDED(hr)) return;
    std::fprintf(stderr, "TPLYX: %s failed [%s]\n", call, HResultText(hr).c_str());
}

// A read of a long; a failed read leaves the out-value (the unbound value).
#define PLYX_GET_INT(Name, Unbound)                                                                \
    int TPLYX::Get##Name() {                                                                       \
        LONG value = Unbound;                                                                      \
        if (!Bound) return Unbound;                                                                \
        reportRead(control_->get_##Name(&value), "this->get_" #Name "((long*)&Value)");            \
        return value;                                                                              \
    }
#define PLYX_SET_INT(Name)                                                                         \
    void TPLYX::Set##Name(int value) {                                                             \
        if (Bound) control_->put_##Name(value);                                                    \
    }
// Booleans the player codes as VARIANT_BOOL, and those it codes as long.
#define PLYX_VBOOL(Name)                                                                           \
    bool TPLYX::Get##Name() {                                                                      \
        VARIANT_BOOL value = VARIANT_FALSE;                                                        \
        if (!Bound) return false;                                                                  \
        reportRead(control_->get_##Name(&value), "this->get_" #Name "((VARIANT_BOOL*)&Value)");    \
        return value != VARIANT_FALSE;                                                             \
    }                                                                                              \
    void TPLYX::Set##Name(bool value) {                                                            \
        if (Bound) control_->put_##Name(value ? VARIANT_TRUE : VARIANT_FALSE);                     \
    }
#define PLYX_LBOOL(Name)                                                                           \
    bool TPLYX::Get##Name() {                                                                      \
        LONG value = 0;                                                                            \
        if (!Bound) return false;                                                                  \
        reportRead(control_->get_##Name(&value), "this->get_" #Name "((long*)&Value)");            \
        return value != 0;                                                                         \
    }                                                                                              \
    void TPLYX::Set##Name(bool value) {                                                            \
        if (Bound) control_->put_##Name(value ? 1 : 0);                                            \
    }
#define PLYX_COMMAND(Name)                                                                         \
    void TPLYX::Name() {                                                                           \
        if (Bound) control_->Name();                                                               \
    }

PLYX_LBOOL(Visible)
PLYX_GET_INT(Left, -1)
PLYX_SET_INT(Left)
PLYX_GET_INT(Top, -1)
PLYX_SET_INT(Top)
PLYX_GET_INT(Width, -1)
PLYX_GET_INT(Height, -1)
PLYX_GET_INT(PlayStatus, 524)
PLYX_GET_INT(Track, 0)
PLYX_SET_INT(Track)
PLYX_SET_INT(Position)
PLYX_GET_INT(Length, 0)
PLYX_GET_INT(Volume, 0)
PLYX_SET_INT(Volume)
PLYX_GET_INT(Counter, 0)
PLYX_SET_INT(Counter)
PLYX_VBOOL(Repeat)
PLYX_VBOOL(Random)
PLYX_VBOOL(RemainTime)
PLYX_VBOOL(OnTimer)
PLYX_GET_INT(OnTime, 0)
PLYX_SET_INT(OnTime)
PLYX_VBOOL(OffTimer)
PLYX_GET_INT(OffTime, 0)
PLYX_SET_INT(OffTime)
PLYX_VBOOL(ShutDownRecord)
PLYX_GET_INT(RecLevel, 100)
PLYX_SET_INT(RecLevel)
PLYX_COMMAND(Stop)
PLYX_COMMAND(Pause)
PLYX_COMMAND(Play)
PLYX_COMMAND(Next)
PLYX_COMMAND(Back)
PLYX_COMMAND(Eject)
PLYX_COMMAND(ShowPlayList)
PLYX_COMMAND(ShowProperty)
PLYX_COMMAND(ShowMenu)
PLYX_COMMAND(ShowToolMenu)
PLYX_COMMAND(SavePLYXini)
PLYX_GET_INT(Rate, 100)
PLYX_SET_INT(Rate)
PLYX_GET_INT(AdjustVolLevel, 100)
PLYX_SET_INT(AdjustVolLevel)
PLYX_GET_INT(AdjustSpeanaLevel, 100)
PLYX_SET_INT(AdjustSpeanaLevel)
PLYX_LBOOL(Mute)
PLYX_GET_INT(Zoom, 100)
PLYX_SET_INT(Zoom)
PLYX_GET_INT(FixedVideoWidth, 640)
PLYX_SET_INT(FixedVideoWidth)
PLYX_GET_INT(FixedVideoHeight, 480)
PLYX_SET_INT(FixedVideoHeight)
PLYX_VBOOL(ShutDownPlay)
PLYX_VBOOL(StayOnTop)

#undef PLYX_GET_INT
#undef PLYX_SET_INT
#undef PLYX_VBOOL
#undef PLYX_LBOOL
#undef PLYX_COMMAND

int TPLYX::GetPosition() {
    if (!Bound) return 0;
    LONG value = 0;
    // A player that cannot say where it is has gone away: let go of it.
    if (FAILED(control_->get_Position(&value))) {
        Unbind();
        return 0;
    }
    return value;
}

TPLYXDisplayMode TPLYX::GetDisplayMode() {
    if (!Bound) return dmNormal;
    LONG value = 0;
    reportRead(control_->get_DisplayMode(&value), "this->get_DisplayMode((long*)&Value)");
    return static_cast<TPLYXDisplayMode>(value);
}

void TPLYX::SetDisplayMode(TPLYXDisplayMode value) {
    if (Bound) control_->put_DisplayMode(value);
}

TPLYXDeviceType TPLYX::GetAudioVideo() {
    if (!Bound) return dtUnknown;
    LONG value = 0;
    reportRead(control_->get_AudioVideo(&value), "this->get_AudioVideo((long*)&Value)");
    return static_cast<TPLYXDeviceType>(value);
}

void TPLYX::FF(bool on) {
    if (Bound) control_->FF(on ? 1 : 0);
}

void TPLYX::Rewind(bool on) {
    if (Bound) control_->Rewind(on ? 1 : 0);
}

void TPLYX::Seek(int a, int b) {
    if (Bound) control_->Seek(a, b);
}

void TPLYX::Click(int value) {
    if (Bound) control_->Click(value);
}

void TPLYX::KeyDown(unsigned short key, TShiftState shift) {
    if (Bound) control_->KeyDown(key, shift);
}

TLyrics* TPLYX::GetText() {
    if (!Bound) return &Lyrics;
    BStr text, face;
    LONG align = 0, charset = 0, size = 0, style = 0, color = 0, tag = 0;
    VARIANT_BOOL show = VARIANT_FALSE, accel = VARIANT_FALSE;
    reportRead(control_->GetText(text.Out(), &align, &show, &accel, face.Out(), &charset, &size,
                                 &style, &color, &tag),
               "this->GetText(...)");
    Lyrics.Text = text.ToSjis();
    Lyrics.Align = static_cast<uint8_t>(align);
    Lyrics.ShowFlag = show != VARIANT_FALSE;
    Lyrics.AccelFlag = accel != VARIANT_FALSE;
    ApplyFontRecord(Lyrics.Font, face.ToSjis(), charset, size, style, color);
    Lyrics.Tag = tag;
    Lyrics.LineNo = 0;
    return &Lyrics;
}

void TPLYX::GetVolumes(int* left, int* right) {
    LONG l = 0, r = 0;
    if (Bound) reportRead(control_->GetVolumes(&l, &r), "this->GetVolumes(&Left, &Right)");
    if (left) *left = l;
    if (right) *right = r;
}

void TPLYX::GetSpeana(int* levels) {
    LONG l[10] = {};
    if (Bound)
        reportRead(control_->GetSpeana(&l[0], &l[1], &l[2], &l[3], &l[4], &l[5], &l[6], &l[7],
                                       &l[8], &l[9]),
                   "this->GetSpeana(...)");
    if (levels)
        for (int i = 0; i < 10; ++i)
            levels[i] = l[i];
}

TColor TPLYX::GetColor(int index) {
    if (!Bound) return clNone;
    LONG color = clNone;
    reportRead(control_->GetColor(index, &color), "this->GetColor(Index, (long*)&Value)");
    return color;
}

TFont* TPLYX::GetFont(int index) {
    if (!Bound) return &Font;
    BStr face;
    LONG charset = 0, size = 0, style = 0, color = 0;
    HRESULT hr = control_->GetFont(index, face.Out(), &charset, &size, &style, &color);
    reportRead(hr, "this->GetFont(Index, ...)");
    if (SUCCEEDED(hr)) ApplyFontRecord(Font, face.ToSjis(), charset, size, style, color);
    return &Font;
}

void TPLYX::GetFormImage(const std::string& name) {
    if (!Bound) return;
    BStr text = BStr::FromSjis(name);
    control_->GetFormImage(text.get());
}

std::string TPLYX::GetPluginName(unsigned long index) {
    if (!Bound) return {};
    BStr name;
    reportRead(control_->GetPluginName(static_cast<LONG>(index), name.Out()),
               "this->GetPluginName(Index, &Value)");
    return name.ToSjis();
}

void TPLYX::SetPluginName(const std::string& name) {
    if (!Bound) return;
    BStr text = BStr::FromSjis(name);
    control_->SetPluginName(static_cast<LONG>(ClientWindow), text.get());
}

bool TPLYX::FindPlugin(const std::string& name, void** first, void** second) {
    if (!Bound) return false;
    BStr text = BStr::FromSjis(name);
    LONG a = 0, b = 0;
    reportRead(control_->FindPlugin(text.get(), &a, &b), "this->FindPlugin(Name, &First, &Second)");
    if (first) *first = reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(a)));
    if (second) *second = reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(b)));
    return a != 0 || b != 0;
}

unsigned long TPLYX::SendPlugin(unsigned long target, unsigned short cmd, unsigned long param) {
    if (!Bound) return 0;
    LONG result = 0;
    reportRead(
        control_->SendPlugin(static_cast<LONG>(target), cmd, static_cast<LONG>(param), &result),
        "this->SendPlugin(Target, Cmd, Param, &Value)");
    return static_cast<uint32_t>(result);
}

// ---- play list -----------------------------------------------------------------------

int TPLYX::GetTracks() {
    if (!Bound) return 0;
    LONG count = 0;
    reportRead(playList_->get_Tracks(&count), "this->get_Tracks((long*)&Value)");
    return count;
}

void TPLYX::New() {
    if (Bound) playList_->New();
}

void TPLYX::Add(const std::string& file) {
    if (!Bound) return;
    BStr text = BStr::FromSjis(file);
    playList_->Add(text.get());
}

void TPLYX::Load(const std::string& file) {
    if (!Bound) return;
    BStr text = BStr::FromSjis(file);
    playList_->Load(text.get());
}

void TPLYX::Save(const std::string& file) {
    if (!Bound) return;
    BStr text = BStr::FromSjis(file);
    playList_->Save(text.get());
}

TTrackInfo TPLYX::GetTrackInfo(int index) {
    TTrackInfo info;
    if (!Bound) return info;
    BStr s[5];
    LONG n[7] = {};
    HRESULT hr =
        playList_->GetTrackInfo(index, s[0].Out(), s[1].Out(), s[2].Out(), s[3].Out(), s[4].Out(),
                                &n[0], &n[1], &n[2], &n[3], &n[4], &n[5], &n[6]);
    reportRead(hr, "this->GetTrackInfo(Index, ...)");
    if (FAILED(hr)) return info;
    info.S1 = s[0].ToSjis();
    info.S2 = s[1].ToSjis();
    info.S3 = s[2].ToSjis();
    info.S4 = s[3].ToSjis();
    info.S5 = s[4].ToSjis();
    UnpackTrackNumbers(info, n);
    return info;
}

void TPLYX::SetTrackInfo(int index, const TTrackInfo& info) {
    if (!Bound) return;
    BStr s[5] = {BStr::FromSjis(info.S1), BStr::FromSjis(info.S2), BStr::FromSjis(info.S3),
                 BStr::FromSjis(info.S4), BStr::FromSjis(info.S5)};
    LONG n[7];
    PackTrackNumbers(info, n);
    playList_->SetTrackInfo(index, s[0].get(), s[1].get(), s[2].get(), s[3].get(), s[4].get(), n[0],
                            n[1], n[2], n[3], n[4], n[5], n[6]);
}

// ---- the settings file --------------------------------------------------------------------

std::string TPLYX::SettingsFileName() const {
    if (PlayerPath.empty()) return {};
    return platform::WritableFolder(platform::ExtractFileDir(PlayerPath),
                                    platform::WritableKind::Settings) +
           platform::ExtractFileName(ChangeFileExt(PlayerPath, ".ini"));
}

namespace {

// The player's settings file changes one key at a time, as the player's own
// profile calls change it: everything else in it stays as it was.
void reportWrite(bool written, const std::string& fileName) {
    if (!written)
        std::fprintf(stderr, "TPLYX: cannot write %s: %s\n", fileName.c_str(),
                     std::strerror(errno));
}

} // namespace

std::string TPLYX::GetDesign() {
    if (Bound) {
        BStr design;
        reportRead(control_->get_Design(design.Out()), "this->get_Design(&Value)");
        return design.ToSjis();
    }
    if (PlayerPath.empty()) return {};
    std::string value = GetPrivateProfileString("PLYX", "Design", "", SettingsFileName());
    if (value.empty()) return value;
    // Relative to the player's folder; the current folder is not touched.
    return ExpandRelativePath(value, ExtractFileDir(PlayerPath));
}

void TPLYX::SetDesign(const std::string& name) {
    if (Bound) {
        BStr text = BStr::FromSjis(name);
        control_->put_Design(text.get());
        return;
    }
    if (PlayerPath.empty()) return;
    reportWrite(WritePrivateProfileString("PLYX", "Design", name, SettingsFileName()),
                SettingsFileName());
}

bool TPLYX::ToolExists(const std::string& name) {
    return !PlayerPath.empty() && TIniFileEx(SettingsFileName()).ValueExists("Tool", name);
}

void TPLYX::SetTool(const std::string& name, const std::string& value) {
    if (PlayerPath.empty()) return;
    reportWrite(WritePrivateProfileString("Tool", name, value, SettingsFileName()),
                SettingsFileName());
    Post(static_cast<int>(MessageId), pcToolChanged, 0);
}

void TPLYX::DeleteTool(const std::string& name) {
    if (PlayerPath.empty()) return;
    reportWrite(DeletePrivateProfileKey("Tool", name, SettingsFileName()), SettingsFileName());
    Post(static_cast<int>(MessageId), pcToolChanged, 0);
}
