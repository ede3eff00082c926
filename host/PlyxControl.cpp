#include "host/PlyxControl.h"

#include "host/PlyxPlayer.h"
#include "platform/HotPath.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/text/Cp932.h"

#include <unistd.h>

using namespace platform;

namespace {

void out(BSTR* target, const std::string& sjis) {
    if (target) *target = SysAllocString(SjisToUtf16(sjis));
}

// The text, alignment, flag, font and tag of a lyrics line, as both the
// current-text and the per-line calls hand them out.
void outLine(const PlyxLyricsLine& line, BSTR* text, LONG* align, VARIANT_BOOL* flag, BSTR* face,
             LONG* charset, LONG* size, LONG* style, LONG* color, LONG* tag) {
    out(text, line.text);
    if (align) *align = line.align;
    if (flag) *flag = line.flag ? VARIANT_TRUE : VARIANT_FALSE;
    out(face, line.font.Name);
    if (charset) *charset = line.font.Charset;
    if (size) *size = line.font.Height;
    if (style) *style = line.font.Style;
    if (color) *color = line.font.Color;
    if (tag) *tag = line.tag;
}

std::string in(BSTR text) {
    return text ? Utf16ToSjis(std::u16string_view(text, SysStringLen(text))) : std::string();
}

} // namespace

ULONG PlyxControl::AddRef() {
    if (references_++ == 0) keepAlive_ = shared_from_this();
    return references_;
}

ULONG PlyxControl::Release() {
    if (references_ == 0) return 0;
    ULONG left = --references_;
    // The last reference may be the last owner: nothing may touch the
    // object after this.
    if (left == 0) std::shared_ptr<PlyxControl>(std::move(keepAlive_)).reset();
    return left;
}

HRESULT PlyxControl::QueryInterface(const IID& iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IPLYXControl)
        *object = static_cast<IPLYXControl*>(this);
    else if (iid == IID_IPLYXPlayList)
        *object = static_cast<IPLYXPlayList*>(this);
    else if (iid == IID_IPLYXLyrics)
        *object = static_cast<IPLYXLyrics*>(this);
    else if (iid == IID_IPLYXMenu)
        *object = static_cast<IPLYXMenu*>(this);
    else if (iid == IID_IPLYXTimer)
        *object = static_cast<IPLYXTimer*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT PlyxControl::getLong(const char* name, LONG* value) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!value) return E_POINTER;
    *value = player_->Properties[name];
    return S_OK;
}

HRESULT PlyxControl::putLong(const char* name, LONG value) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->Properties[name] = value;
    player_->Log.push_back(std::string("put ") + name + " " + std::to_string(value));
    return S_OK;
}

HRESULT PlyxControl::getBool(const char* name, VARIANT_BOOL* value) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!value) return E_POINTER;
    *value = player_->Properties[name] ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT PlyxControl::command(const std::string& name) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->Log.push_back(name);
    return S_OK;
}

HRESULT PlyxControl::get_Version(LONG* version) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!version) return E_POINTER;
    *version = player_->GetOptions().version;
    return S_OK;
}

HRESULT PlyxControl::CheckVersion(LONG required, LONG* result) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!result) return E_POINTER;
    *result = player_->GetOptions().version >= required ? 0 : 1;
    return S_OK;
}

HRESULT PlyxControl::get_Handle(LONG* window) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!window) return E_POINTER;
    *window = static_cast<LONG>(player_->Window());
    return S_OK;
}

HRESULT PlyxControl::put_Left(LONG value) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->MoveTo(value, player_->Properties["Top"]);
    return S_OK;
}

HRESULT PlyxControl::put_Top(LONG value) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->MoveTo(player_->Properties["Left"], value);
    return S_OK;
}

HRESULT PlyxControl::get_Design(BSTR* value) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!value) return E_POINTER;
    out(value, player_->Design);
    return S_OK;
}

HRESULT PlyxControl::put_Design(BSTR value) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->SetDesign(in(value));
    return S_OK;
}

HRESULT PlyxControl::put_StayOnTop(VARIANT_BOOL value) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->SetStayOnTop(value != VARIANT_FALSE);
    return S_OK;
}

HRESULT PlyxControl::Connect(LONG, LONG processId, LONG window, unsigned char* pluginMode,
                             LONG* runId) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->Connect(static_cast<HWND>(static_cast<uint32_t>(window)));
    // A client in the player's own process is one of its plug-ins.
    if (pluginMode) *pluginMode = processId == static_cast<LONG>(::getpid()) ? 2 : 1;
    if (runId) *runId = ++runCount_;
    return S_OK;
}

HRESULT PlyxControl::Disconnect(LONG window) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->Disconnect(static_cast<HWND>(static_cast<uint32_t>(window)));
    return S_OK;
}

HRESULT PlyxControl::Abort(LONG window) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->Log.push_back("Abort " + std::to_string(window));
    PostMessage(static_cast<HWND>(static_cast<uint32_t>(window)), player_->MessageId(), pcAbort, 0);
    return S_OK;
}

HRESULT PlyxControl::GetEvent(LONG window, LONG* mask) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!mask) return E_POINTER;
    *mask =
        static_cast<LONG>(player_->GetEventMask(static_cast<HWND>(static_cast<uint32_t>(window))));
    return S_OK;
}

HRESULT PlyxControl::SetEvent(LONG window, LONG mask) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->SetEventMask(static_cast<HWND>(static_cast<uint32_t>(window)),
                          static_cast<uint32_t>(mask));
    return S_OK;
}

HRESULT PlyxControl::NotifyEvent(LONG target, LONG wParam, LONG lParam) {
    if (!player_) return RPC_E_DISCONNECTED;
    return PostMessage(static_cast<HWND>(static_cast<uint32_t>(target)), player_->MessageId(),
                       static_cast<WPARAM>(static_cast<uint32_t>(wParam)), lParam)
               ? S_OK
               : E_INVALIDARG;
}

HRESULT PlyxControl::Close() {
    if (!player_) return RPC_E_DISCONNECTED;
    command("Close");
    if (player_->OnCloseRequest) player_->OnCloseRequest();
    return S_OK;
}

HRESULT PlyxControl::Seek(LONG a, LONG b) {
    if (!player_) return RPC_E_DISCONNECTED;
    return command("Seek " + std::to_string(a) + " " + std::to_string(b));
}
HRESULT PlyxControl::Click(LONG value) {
    if (!player_) return RPC_E_DISCONNECTED;
    return command("Click " + std::to_string(value));
}
HRESULT PlyxControl::KeyDown(LONG key, LONG shift) {
    if (!player_) return RPC_E_DISCONNECTED;
    return command("KeyDown " + std::to_string(key) + " " + std::to_string(shift));
}

HRESULT PlyxControl::GetText(BSTR* text, LONG* align, VARIANT_BOOL* showFlag,
                             VARIANT_BOOL* accelFlag, BSTR* face, LONG* charset, LONG* size,
                             LONG* style, LONG* color, LONG* tag) {
    if (!player_) return RPC_E_DISCONNECTED;
    PlyxLyricsLine line = player_->Lyrics.empty() ? PlyxLyricsLine{} : player_->Lyrics.front();
    outLine(line, text, align, showFlag, face, charset, size, style, color, tag);
    if (accelFlag) *accelFlag = VARIANT_FALSE;
    return S_OK;
}

HRESULT PlyxControl::GetVolumes(LONG* left, LONG* right) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (left) *left = player_->Properties["VolumeLeft"];
    if (right) *right = player_->Properties["VolumeRight"];
    return S_OK;
}

HRESULT PlyxControl::GetSpeana(LONG* l0, LONG* l1, LONG* l2, LONG* l3, LONG* l4, LONG* l5, LONG* l6,
                               LONG* l7, LONG* l8, LONG* l9) {
    if (!player_) return RPC_E_DISCONNECTED;
    LONG* levels[] = {l0, l1, l2, l3, l4, l5, l6, l7, l8, l9};
    for (int i = 0; i < 10; ++i)
        if (levels[i]) *levels[i] = player_->Properties["Speana" + std::to_string(i)];
    return S_OK;
}

HRESULT PlyxControl::GetColor(LONG index, LONG* color) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!color) return E_POINTER;
    // The player's skin colours: background, text, highlight, frame.
    static constexpr LONG colors[] = {0x402010, 0xF0F0F0, 0x40C0FF, 0x808080};
    *color = index >= 0 && index < 4 ? colors[index] : 0x1FFFFFFF;
    return S_OK;
}

HRESULT PlyxControl::GetFont(LONG index, BSTR* face, LONG* charset, LONG* size, LONG* style,
                             LONG* color) {
    if (!player_) return RPC_E_DISCONNECTED;
    // Index 0: the title font, given as a height; 1: the list font, in points.
    out(face,
        index == 1
            ? "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E" /* ＭＳ Ｐゴシック */
            : "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E" /* ＭＳ ゴシック */);
    if (charset) *charset = 128;
    if (size) *size = index == 1 ? 9 : -12;
    if (style) *style = index == 1 ? 0 : 1;
    if (color) *color = 0xF0F0F0;
    return S_OK;
}

HRESULT PlyxControl::GetFormImage(BSTR name) {
    if (!player_) return RPC_E_DISCONNECTED;
    return command("GetFormImage " + in(name));
}

HRESULT PlyxControl::GetPluginName(LONG index, BSTR* name) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!name) return E_POINTER;
    const auto& clients = player_->Clients();
    out(name,
        index >= 0 && static_cast<size_t>(index) < clients.size() ? clients[index].pluginName : "");
    return S_OK;
}

HRESULT PlyxControl::SetPluginName(LONG window, BSTR name) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->SetPluginName(static_cast<HWND>(static_cast<uint32_t>(window)), in(name));
    return S_OK;
}

HRESULT PlyxControl::FindPlugin(BSTR name, LONG* first, LONG* second) {
    if (!player_) return RPC_E_DISCONNECTED;
    HWND window = player_->FindPlugin(in(name));
    if (first) *first = static_cast<LONG>(window);
    if (second) *second = 0;
    return S_OK;
}

HRESULT PlyxControl::SendPlugin(LONG target, LONG cmd, LONG param, LONG* result) {
    if (!player_) return RPC_E_DISCONNECTED;
    LRESULT answer = 0;
    SendMessageTimeout(static_cast<HWND>(static_cast<uint32_t>(target)), player_->MessageId(),
                       pcReceive | (static_cast<uint32_t>(cmd) & 0xFFFF), param,
                       kPLYXRequestTimeoutMs, &answer);
    if (result) *result = static_cast<LONG>(answer);
    return S_OK;
}

// ---- play list ----------------------------------------------------------------

HRESULT PlyxControl::get_Tracks(LONG* count) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(player_->PlayList.size());
    return S_OK;
}

HRESULT PlyxControl::New() {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->PlayList.clear();
    player_->NotifyStatus(psChangePlayList, 0);
    return S_OK;
}

HRESULT PlyxControl::Add(BSTR file) {
    if (!player_) return RPC_E_DISCONNECTED;
    PlyxTrack track;
    track.s[2] = in(file);
    track.s[0] = ExtractFileName(track.s[2]);
    player_->PlayList.push_back(track);
    player_->NotifyStatus(psChangePlayList, static_cast<int32_t>(player_->PlayList.size()));
    return S_OK;
}

HRESULT PlyxControl::Load(BSTR file) {
    if (!player_) return RPC_E_DISCONNECTED;
    std::string text;
    if (!ReadFileBytes(in(file), text)) return E_FAIL;
    player_->PlayList.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) {
            PlyxTrack track;
            track.s[2] = text.substr(start, end - start);
            track.s[0] = ExtractFileName(track.s[2]);
            player_->PlayList.push_back(track);
        }
        start = end + 1;
    }
    player_->NotifyStatus(psChangePlayList, static_cast<int32_t>(player_->PlayList.size()));
    return S_OK;
}

HRESULT PlyxControl::Save(BSTR file) {
    if (!player_) return RPC_E_DISCONNECTED;
    std::string text;
    for (const PlyxTrack& track : player_->PlayList)
        text += track.s[2] + "\r\n";
    return WriteFileBytes(in(file), text) ? S_OK : E_FAIL;
}

HRESULT PlyxControl::GetTrackInfo(LONG index, BSTR* s1, BSTR* s2, BSTR* s3, BSTR* s4, BSTR* s5,
                                  LONG* n1, LONG* n2, LONG* n3, LONG* n4, LONG* n56, LONG* n7,
                                  LONG* n8) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (index < 0 || static_cast<size_t>(index) >= player_->PlayList.size()) return E_INVALIDARG;
    const PlyxTrack& t = player_->PlayList[static_cast<size_t>(index)];
    BSTR* s[] = {s1, s2, s3, s4, s5};
    for (int i = 0; i < 5; ++i)
        out(s[i], t.s[i]);
    LONG* n[] = {n1, n2, n3, n4, n56, n7, n8};
    for (int i = 0; i < 7; ++i)
        if (n[i]) *n[i] = t.n[i];
    return S_OK;
}

HRESULT PlyxControl::SetTrackInfo(LONG index, BSTR s1, BSTR s2, BSTR s3, BSTR s4, BSTR s5, LONG n1,
                                  LONG n2, LONG n3, LONG n4, LONG n56, LONG n7, LONG n8) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (index < 0 || static_cast<size_t>(index) >= player_->PlayList.size()) return E_INVALIDARG;
    PlyxTrack& t = player_->PlayList[static_cast<size_t>(index)];
    BSTR s[] = {s1, s2, s3, s4, s5};
    for (int i = 0; i < 5; ++i)
        t.s[i] = in(s[i]);
    LONG n[] = {n1, n2, n3, n4, n56, n7, n8};
    for (int i = 0; i < 7; ++i)
        t.n[i] = n[i];
    return S_OK;
}

// ---- lyrics ----------------------------------------------------------------------

HRESULT PlyxControl::get_Lines(LONG* count) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(player_->Lyrics.size());
    return S_OK;
}

HRESULT PlyxControl::GetLyrics(LONG index, LONG* lineNo, BSTR* text, LONG* align,
                               VARIANT_BOOL* flag, BSTR* face, LONG* charset, LONG* size,
                               LONG* style, LONG* color, LONG* tag) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (index < 0 || static_cast<size_t>(index) >= player_->Lyrics.size()) return E_INVALIDARG;
    const PlyxLyricsLine& line = player_->Lyrics[static_cast<size_t>(index)];
    if (lineNo) *lineNo = index;
    outLine(line, text, align, flag, face, charset, size, style, color, tag);
    return S_OK;
}

// ---- menus ---------------------------------------------------------------------------

HRESULT PlyxControl::GetCount(LONG id, LONG* count) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(player_->Children(id).size());
    return S_OK;
}

HRESULT PlyxControl::GetItem(LONG id, LONG index, LONG* item) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!item) return E_POINTER;
    std::vector<long> children = player_->Children(id);
    *item = index >= 0 && static_cast<size_t>(index) < children.size()
                ? static_cast<LONG>(children[index])
                : 0;
    return S_OK;
}

HRESULT PlyxControl::Find(LONG id, BSTR caption, LONG* item) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!item) return E_POINTER;
    *item = 0;
    std::string text = in(caption);
    for (long child : player_->Children(id))
        if (player_->MenuItem(child)->caption == text) {
            *item = static_cast<LONG>(child);
            break;
        }
    return S_OK;
}

HRESULT PlyxControl::Add(LONG window, LONG id, BSTR caption, LONG* item) {
    if (!player_) return RPC_E_DISCONNECTED;
    return Insert(window, id, -1, caption, item);
}

HRESULT PlyxControl::Insert(LONG window, LONG id, LONG index, BSTR caption, LONG* item) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!player_->MenuItem(id)) return E_INVALIDARG;
    long made =
        player_->AddMenu(static_cast<HWND>(static_cast<uint32_t>(window)), id, index, in(caption));
    if (item) *item = static_cast<LONG>(made);
    return S_OK;
}

HRESULT PlyxControl::Delete(LONG id, LONG index) {
    if (!player_) return RPC_E_DISCONNECTED;
    std::vector<long> children = player_->Children(id);
    if (index < 0 || static_cast<size_t>(index) >= children.size()) return E_INVALIDARG;
    player_->DeleteMenu(children[static_cast<size_t>(index)]);
    return S_OK;
}

HRESULT PlyxControl::Remove(LONG id) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!player_->MenuItem(id)) return E_INVALIDARG;
    player_->DeleteMenu(id);
    return S_OK;
}

HRESULT PlyxControl::GetIndex(LONG id, LONG* index) {
    if (!player_) return RPC_E_DISCONNECTED;
    if (!index) return E_POINTER;
    *index = -1;
    PlyxMenuItem* item = player_->MenuItem(id);
    if (!item) return E_INVALIDARG;
    std::vector<long> siblings = player_->Children(item->parent);
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i] == id) *index = static_cast<LONG>(i);
    return S_OK;
}

HRESULT PlyxControl::GetCaption(LONG id, BSTR* caption) {
    if (!player_) return RPC_E_DISCONNECTED;
    PlyxMenuItem* item = player_->MenuItem(id);
    if (!item) return E_INVALIDARG;
    out(caption, item->caption);
    return S_OK;
}

HRESULT PlyxControl::SetCaption(LONG id, BSTR caption) {
    if (!player_) return RPC_E_DISCONNECTED;
    PlyxMenuItem* item = player_->MenuItem(id);
    if (!item) return E_INVALIDARG;
    item->caption = in(caption);
    return S_OK;
}

HRESULT PlyxControl::SetEnabled(LONG id, LONG enabled) {
    if (!player_) return RPC_E_DISCONNECTED;
    PlyxMenuItem* item = player_->MenuItem(id);
    if (!item) return E_INVALIDARG;
    item->enabled = enabled != 0;
    return S_OK;
}

HRESULT PlyxControl::GetChecked(LONG id, VARIANT_BOOL* checked) {
    if (!player_) return RPC_E_DISCONNECTED;
    PlyxMenuItem* item = player_->MenuItem(id);
    if (!item || !checked) return E_INVALIDARG;
    *checked = item->checked ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT PlyxControl::SetChecked(LONG id, LONG checked) {
    if (!player_) return RPC_E_DISCONNECTED;
    PlyxMenuItem* item = player_->MenuItem(id);
    if (!item) return E_INVALIDARG;
    item->checked = checked != 0;
    return S_OK;
}

HOT_PATH HRESULT PlyxControl::SetTimerDue(LONG window, LONG milliseconds) {
    if (!player_) return RPC_E_DISCONNECTED;
    player_->SetTimerDue(static_cast<HWND>(static_cast<uint32_t>(window)), milliseconds);
    return S_OK;
}
