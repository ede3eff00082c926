#include "platform/controls/Controls.h"

#include "platform/HotPath.h"
#include "platform/controls/StripSlide.h"

#include "platform/gdi/Color.h"
#include "platform/text/Cp932.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>
#include <QWindow>

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

TControl::TControl(QWidget* parent) : QWidget(parent) {
    if (auto* control = dynamic_cast<TControl*>(parent)) Font = control->Font;
}

void TControl::SetHint(const std::string& hint) {
    setToolTip(text(hint));
    // For screen readers: a label is named by its caption (by its hint
    // while it has none), the rest by their hint, which every control
    // describes itself with.
    setAccessibleDescription(text(hint));
    auto* label = dynamic_cast<TLabel*>(this);
    if (!label || label->Caption.empty()) setAccessibleName(text(hint));
}

void TControl::SetFont(const TFont& font) {
    ParentFont = false;
    Font = font;
    ApplyParentFont(*this, font);
    update();
}

void TControl::SetParentFont(bool parentFont) {
    ParentFont = parentFont;
    if (!parentFont) return;
    if (auto* control = dynamic_cast<TControl*>(parentWidget())) {
        Font = control->Font;
        ApplyParentFont(*this, Font);
        update();
    }
}

void ApplyParentFont(QWidget& parent, const TFont& font) {
    for (QObject* child : parent.children()) {
        auto* control = dynamic_cast<TControl*>(child);
        if (!control || !control->ParentFont) continue;
        control->Font = font;
        ApplyParentFont(*control, font);
        control->update();
    }
}

namespace {

TShiftState shiftOf(const QMouseEvent* event) {
    TShiftState shift = 0;
    Qt::KeyboardModifiers keys = event->modifiers();
    Qt::MouseButtons buttons = event->buttons();
    if (keys & Qt::ShiftModifier) shift |= ssShift;
    if (keys & Qt::AltModifier) shift |= ssAlt;
    if (keys & Qt::ControlModifier) shift |= ssCtrl;
    if (buttons & Qt::LeftButton) shift |= ssLeft;
    if (buttons & Qt::RightButton) shift |= ssRight;
    if (buttons & Qt::MiddleButton) shift |= ssMiddle;
    return shift;
}

TMouseButton buttonOf(const QMouseEvent* event) {
    switch (event->button()) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

// Calls a copy of the handler (it may replace itself) and tells whether
// the control survived it (a handler may delete it).
template <class Event, class... Args>
bool fire(TControl* control, const Event& handler, Args... args) {
    if (!handler) return true;
    QPointer<TControl> alive(control);
    Event call = handler;
    call(control, args...);
    return !alive.isNull();
}

} // namespace

bool TControl::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !ShowHint) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void TControl::mousePressEvent(QMouseEvent* event) {
    if (!handlesMouse()) return QWidget::mousePressEvent(event);
    event->accept();
    clicked_ = event->button() == Qt::LeftButton;
    QPoint at = event->position().toPoint();
    fire(this, OnMouseDown, buttonOf(event), shiftOf(event), at.x(), at.y());
}

void TControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!handlesMouse()) return QWidget::mouseDoubleClickEvent(event);
    event->accept();
    // The second press of a double click is no click of its own.
    clicked_ = false;
    QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !fire(this, OnDblClick)) return;
    fire(this, OnMouseDown, buttonOf(event), static_cast<TShiftState>(shiftOf(event) | ssDouble),
         at.x(), at.y());
}

void TControl::mouseReleaseEvent(QMouseEvent* event) {
    if (!handlesMouse()) return QWidget::mouseReleaseEvent(event);
    event->accept();
    QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && clicked_) {
        clicked_ = false;
        if (rect().contains(at) && !fire(this, OnClick)) return;
    }
    fire(this, OnMouseUp, buttonOf(event), shiftOf(event), at.x(), at.y());
}

void TControl::mouseMoveEvent(QMouseEvent* event) {
    if (!handlesMouse()) return QWidget::mouseMoveEvent(event);
    event->accept();
    QPoint at = event->position().toPoint();
    fire(this, OnMouseMove, shiftOf(event), at.x(), at.y());
}

void TImage::paintEvent(QPaintEvent*) {
    if (Picture.Empty()) return;
    bool masked = (Transparent || Picture.Transparent) && IsRgbValue(Picture.TransparentColor);
    QRgb maskColor = masked ? ToQColor(Picture.TransparentColor).rgb() : 0;
    if (cache_.isNull() || cachedKey_ != Picture.Image.cacheKey() || cachedMasked_ != masked ||
        cachedMaskColor_ != maskColor) {
        cache_ = QPixmap::fromImage(Picture.Image);
        if (masked)
            cache_.setMask(
                QBitmap::fromImage(Picture.Image.createMaskFromColor(maskColor, Qt::MaskInColor)));
        cachedKey_ = Picture.Image.cacheKey();
        cachedMasked_ = masked;
        cachedMaskColor_ = maskColor;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, cache_);
}

void TImage::ShowFrame(const TImageList& list, int index) {
    TBitmap frame;
    if (list.GetBitmap(index, frame)) {
        Picture.Image = frame.Image;
        if (frame.Transparent) {
            Picture.Transparent = true;
            Picture.TransparentColor = frame.TransparentColor;
        }
    }
    update();
}

void TLabel::SetCaption(const std::string& caption) {
    Caption = caption;
    setAccessibleName(caption.empty() ? toolTip() : text(caption));
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
    const TBitmap& frame = frames_[static_cast<size_t>(index)];
    out.Image = frame.Image;
    out.Transparent = false;
    out.TransparentColor = clNone;
    if (!Masked || !IsRgbValue(frame.TransparentColor)) return true;
    if (!IsRgbValue(BkColor)) {
        out.Transparent = true;
        out.TransparentColor = frame.TransparentColor;
        return true;
    }
    const QRgb mask = ToQColor(frame.TransparentColor).rgb();
    const QRgb back = ToQColor(BkColor).rgb();
    out.Image = frame.Image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.Image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.Image.scanLine(y));
        for (int x = 0; x < out.Image.width(); ++x)
            if ((line[x] | 0xFF000000u) == mask) line[x] = back;
    }
    return true;
}

void TPanel::paintEvent(QPaintEvent*) {
    QColor color = ToQColor(Color);
    // A panel that covers itself spares Qt drawing what lies beneath it
    // whenever the ticker on it moves.
    setAttribute(Qt::WA_OpaquePaintEvent, color.alpha() == 255);
    QPainter p(this);
    p.fillRect(rect(), color);
}

HOT_PATH bool TLabel::opaque() const {
    return !Transparent && ToQColor(Color).alpha() == 255;
}

HOT_PATH int TLabel::textFlags() const {
    Qt::Alignment align = Alignment == taRightJustify ? Qt::AlignRight
                          : Alignment == taCenter     ? Qt::AlignHCenter
                                                      : Qt::AlignLeft;
    align |= CenterVertically ? Qt::AlignVCenter : Qt::AlignTop;
    // Without accelerators an ampersand is just a character.
    int flags = static_cast<int>(align) | (WordWrap ? Qt::TextWordWrap : Qt::TextSingleLine);
    if (ShowAccelChar) flags |= Qt::TextShowMnemonic;
    return flags;
}

void TLabel::draw(QPainter& on) const {
    if (!Transparent) on.fillRect(rect(), ToQColor(Color));
    on.setFont(ToQFont(Font));
    on.setPen(ToQColor(Font.Color));
    on.drawText(rect(), textFlags(), text(Caption));
}

HOT_PATH const QImage* TLabel::picture() {
    // A ticker label moves a pixel every few timer ticks with the same text:
    // lay the text out once and draw the picture of it after that.
    // The window's ratio, asked of the window: the widget would first look
    // for its screen, on every step.
    const QWidget* top = this;
    while (!top->isWindow() && top->parentWidget())
        top = top->parentWidget();
    const QWindow* handle = top->windowHandle();
    const qreal ratio = handle ? handle->devicePixelRatio() : devicePixelRatioF();
    // A design may make a label of any size; its picture would take memory
    // for every pixel, shown or not. Such a label draws what is shown.
    if (static_cast<double>(width()) * height() * ratio * ratio > kMaxCachedPixels) {
        cache_ = QImage();
        return nullptr;
    }
    // Compared in place: a ticker paints twenty times a second.
    const Look& l = cachedLook_;
    const int flags = textFlags();
    if (cache_.isNull() || l.caption != Caption || !(l.font == Font) || l.color != Color ||
        l.transparent != Transparent || l.flags != flags || l.size != size() || l.ratio != ratio) {
        // An opaque picture is copied, not blended, wherever it is drawn.
        cache_ = QImage(size() * ratio,
                        opaque() ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        cache_.setDevicePixelRatio(ratio);
        cache_.fill(Qt::transparent);
        QPainter on(&cache_);
        draw(on);
        cachedLook_ = Look{Caption, Font, Color, Transparent, flags, size(), ratio};
    }
    return &cache_;
}

void TLabel::paintEvent(QPaintEvent*) {
    // A label that slides keeps out of its panel's note of opaque children.
    setAttribute(Qt::WA_OpaquePaintEvent, opaque() && !slider_);
    QPainter p(this);
    if (const QImage* look = picture())
        p.drawImage(0, 0, *look);
    else
        draw(p);
}

TLabel::TLabel(QWidget* parent) : TControl(parent), panel_(dynamic_cast<TPanel*>(parent)) {}

TLabel::~TLabel() = default;

bool TLabel::event(QEvent* event) {
    // A ticker asks for its panel on every step; a label learns it here.
    if (event->type() == QEvent::ParentChange) panel_ = dynamic_cast<TPanel*>(parentWidget());
    return TControl::event(event);
}

HOT_PATH void TLabel::Slide(int left) {
    if (isWindow()) return move(left, y());
    // Inside a panel the place Qt keeps is the label's.
    if (left == geometry().x()) return;
    const QImage* look = panel_ && opaque() ? picture() : nullptr;
    if (look && !slider_) slider_ = std::make_unique<StripSlider>(*this);
    if (look && slider_->Slide(*look, ToQColor(panel_->Color), left)) return;
    if (slider_) slider_->CatchUp();
    move(left, y());
}

} // namespace platform
