#include "engine/host/TLyrics.h"

#include "engine/host/TPLYX.h"

using namespace platform;

void ApplyFontRecord(TFont& font, const std::string& face, LONG charset, LONG size, LONG style,
                     LONG color) {
    font.Name = face;
    font.Charset = charset;
    if (size < 0)
        font.SetHeight(size);
    else
        font.SetSize(size);
    font.Style = 0;
    if (style & 1) font.Style |= fsBold;
    if (style & 2) font.Style |= fsItalic;
    if (style & 4) font.Style |= fsUnderline;
    if (style & 8) font.Style |= fsStrikeOut;
    font.Color = color;
}

int TLyricsList::Count() {
    LONG count = 0;
    if (owner_->Bound) owner_->LyricsInterface()->get_Lines(&count);
    return count < 0 ? 0 : count;
}

TLyrics* TLyricsList::GetLyricsText(int index) {
    if (index < 0 || index >= Count()) return nullptr;
    std::unique_ptr<TLyrics>& slot = lines_[index];
    if (!slot) slot = std::make_unique<TLyrics>();
    if (!owner_->Bound) return slot.get();
    LONG lineNo = 0, align = 0, charset = 0, size = 0, style = 0, color = 0, tag = 0;
    VARIANT_BOOL flag = VARIANT_FALSE;
    BStr text, face;
    owner_->LyricsInterface()->GetLyrics(index, &lineNo, text.Out(), &align, &flag, face.Out(),
                                         &charset, &size, &style, &color, &tag);
    slot->LineNo = lineNo;
    slot->Text = text.ToSjis();
    slot->Align = static_cast<uint8_t>(align);
    slot->ShowFlag = flag != VARIANT_FALSE;
    ApplyFontRecord(slot->Font, face.ToSjis(), charset, size, style, color);
    slot->Tag = tag;
    return slot.get();
}
