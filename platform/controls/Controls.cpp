#include "platform/controls/Controls.h"

#include "platform/gdi/Color.h"
#include "platform/text/Cp932.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QPainter>

#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

QString text(const std::string& sjis) {
    return QString::fromStdU16String(SjisToUtf16(sjis));
}

void installSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The Windows faces designs name, and the installed faces like them.
        QFont::insertSubstitution(QString::fromUtf8("ＭＳ Ｐゴシック"), "IPAPGothic");
        QFont::insertSubstitution(QString::fromUtf8("ＭＳ ゴシック"), "IPAGothic");
        QFont::insertSubstitution(QString::fromUtf8("ＭＳ Ｐ明朝"), "IPAPMincho");
        QFont::insertSubstitution(QString::fromUtf8("ＭＳ 明朝"), "IPAMincho");
        QFont::insertSubstitution("MS UI Gothic", "IPAPGothic");
    });
}

} // namespace

QFont ToQFont(const TFont& font) {
    installSubstitutions();
    QFont q(text(font.Name));
    if (int height = ClampFontHeight(font.Height)) q.setPixelSize(std::abs(height));
    q.setBold(font.Style & fsBold);
    q.setItalic(font.Style & fsItalic);
    q.setUnderline(font.Style & fsUnderline);
    q.setStrikeOut(font.Style & fsStrikeOut);
    return q;
}

TColor TBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Image.width() || y >= Image.height()) return -1;
    return FromQColor(QColor(Image.pixel(x, y)));
}

void TControl::SetHint(const std::string& hint) {
    setToolTip(text(hint));
}

void TImage::paintEvent(QPaintEvent*) {
    if (Picture.Empty()) return;
    QPainter p(this);
    QPixmap pixmap = QPixmap::fromImage(Picture.Image);
    bool masked = (Transparent || Picture.Transparent) && Picture.TransparentColor != clNone;
    if (masked)
        pixmap.setMask(QBitmap::fromImage(Picture.Image.createMaskFromColor(
            ToQColor(Picture.TransparentColor).rgb(), Qt::MaskInColor)));
    p.drawPixmap(0, 0, pixmap);
}

void TImage::ShowFrame(const TImageList& list, int index) {
    TBitmap frame;
    if (list.GetBitmap(index, frame)) Picture.Image = frame.Image;
    update();
}

void TLabel::SetCaption(const std::string& caption) {
    Caption = caption;
    if (AutoSize) {
        QFontMetrics metrics(ToQFont(Font));
        resize(metrics.horizontalAdvance(text(caption)) + 1, metrics.height());
    }
    update();
}

void TImageList::Add(const TBitmap& bitmap, TColor maskColor) {
    if (bitmap.Empty() || Width <= 0) return;
    for (int x = 0; x + Width <= bitmap.Width(); x += Width) {
        TBitmap frame;
        frame.Image = bitmap.Image.copy(x, 0, Width, std::min(Height, bitmap.Height()));
        frame.TransparentColor = maskColor;
        frame.Transparent = maskColor != clNone;
        frames_.push_back(std::move(frame));
    }
}

bool TImageList::GetBitmap(int index, TBitmap& out) const {
    if (index < 0 || index >= Count()) return false;
    out.Image = frames_[static_cast<size_t>(index)].Image;
    return true;
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ToQColor(Color));
}

void TLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!Transparent) p.fillRect(rect(), ToQColor(Color));
    p.setFont(ToQFont(Font));
    p.setPen(ToQColor(Font.Color));
    Qt::Alignment align = Alignment == taRightJustify ? Qt::AlignRight
                          : Alignment == taCenter     ? Qt::AlignHCenter
                                                      : Qt::AlignLeft;
    align |= CenterVertically ? Qt::AlignVCenter : Qt::AlignTop;
    QString caption = text(Caption);
    // Without accelerators an ampersand is just a character.
    int flags = static_cast<int>(align) | (WordWrap ? Qt::TextWordWrap : Qt::TextSingleLine);
    if (ShowAccelChar) flags |= Qt::TextShowMnemonic;
    p.drawText(rect(), flags, caption);
}

} // namespace platform
