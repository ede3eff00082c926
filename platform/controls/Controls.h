#pragma once

// The class library's visual controls the news window and the skin panels
// are made of, on Qt widgets: a bitmap, an image showing one, an image
// list of equal frames, a panel and a label. Text is Shift_JIS; colours are
// Windows colour values.

#include "platform/gdi/TFont.h"

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace platform {

// A font record as a QFont; Japanese faces map to the installed IPA fonts.
QFont ToQFont(const TFont& font);

class TBitmap {
public:
    QImage Image;        // 32-bit RGB
    int SourceBits = 24; // the depth of the file it came from
    bool Transparent = false;
    TColor TransparentColor = clNone;

    int Width() const { return Image.width(); }
    int Height() const { return Image.height(); }
    bool Empty() const { return Image.isNull(); }
    // The pixel's colour value; -1 outside the picture, as a canvas gives.
    TColor Pixel(int x, int y) const;
};

class TControl;

enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
// The keys and buttons held: shift, alt, ctrl, the three buttons and a
// double click, as the class library's shift-state bits.
using TShiftState = uint8_t;
enum : TShiftState {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};

// Events carry the sender first; x and y are in the control's client area.
using TControlEvent = std::function<void(TControl* sender)>;
using TMouseEvent =
    std::function<void(TControl* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TControl* sender, TShiftState shift, int x, int y)>;

// Behaviour shared by the controls: place, font, colour, hint, visibility
// and the mouse. A mouse event the control has no handler for goes on to
// its parent, as Qt passes it; one it handles stops here.
class TControl : public QWidget {
public:
    explicit TControl(QWidget* parent);
    void SetBounds(int left, int top, int width, int height) {
        setGeometry(left, top, width, height);
    }
    void SetHint(const std::string& hint);
    // The hint shows only while ShowHint holds.
    bool ShowHint = false;

    TFont Font;
    // While set, the control follows its parent's font (SetFont on a
    // parent control, or ApplyParentFont on a form).
    bool ParentFont = true;
    TColor Color = clBtnFaceValue;
    static constexpr TColor clBtnFaceValue = static_cast<TColor>(0x8000000F);

    // The control's own font: it stops following its parent, and children
    // that follow it take the font.
    void SetFont(const TFont& font);
    // Following the parent again takes its font at once.
    void SetParentFont(bool parentFont);

    // A press and release of the left button inside the control.
    TControlEvent OnClick;
    TControlEvent OnDblClick;
    TMouseEvent OnMouseDown, OnMouseUp;
    // While a button is held (the control tracks no bare moves).
    TMouseMoveEvent OnMouseMove;

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool handlesMouse() const {
        return OnClick || OnDblClick || OnMouseDown || OnMouseUp || OnMouseMove;
    }
    bool clicked_ = false;
};

// The font of a form that is no control: every child control that follows
// its parent's font takes it, and theirs in turn.
void ApplyParentFont(QWidget& parent, const TFont& font);

class TImageList;

class TImage : public TControl {
public:
    explicit TImage(QWidget* parent) : TControl(parent) {}
    // Shows frame index of the list (normal, disabled, pressed, busy).
    void ShowFrame(const TImageList& list, int index);
    TBitmap Picture;
    // Draws the picture with its transparent colour masked out.
    bool Transparent = false;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    // The picture as drawn, made again only when the image or its
    // transparency changes: a scrolling ticker repaints it many times a second.
    qint64 cachedKey_ = 0;
    QRgb cachedMaskColor_ = 0;
    bool cachedMasked_ = false;
    QPixmap cache_;
};

class TImageList {
public:
    int Width = 16, Height = 16; // the frame size
    bool Masked = false;
    TColor BkColor = clNone;

    void Clear() { frames_.clear(); }
    int Count() const { return static_cast<int>(frames_.size()); }
    // Cuts the bitmap into as many frames of Width as fit; maskColor (or
    // clNone) becomes the frames' transparent colour.
    void Add(const TBitmap& bitmap, TColor maskColor);
    // A frame as the list draws it: in a masked list the mask colour's
    // pixels take BkColor, or with no BkColor the frame is transparent in
    // that colour.
    bool GetBitmap(int index, TBitmap& out) const;

private:
    std::vector<TBitmap> frames_;
};

class TPanel : public TControl {
public:
    explicit TPanel(QWidget* parent) : TControl(parent) {}

protected:
    void paintEvent(QPaintEvent*) override;
};

class StripSlider;

class TLabel : public TControl {
public:
    enum Align { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
    explicit TLabel(QWidget* parent);
    ~TLabel() override;
    // Sets the text; with AutoSize the label takes the text's size.
    void SetCaption(const std::string& caption);
    // Moves the label along its row to left, as a ticker steps.
    void Slide(int left);

    std::string Caption;
    int Alignment = taLeftJustify;
    bool Transparent = false;
    bool AutoSize = true;
    bool CenterVertically = false;
    bool ShowAccelChar = true;
    bool WordWrap = false;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent*) override;

private:
    // Whether the label covers itself, with no transparency or alpha.
    bool opaque() const;
    int textFlags() const;
    void draw(QPainter& on) const;
    // The label as it paints, made again when its look changes; null for a
    // label too large to keep a picture of.
    const QImage* picture();

    // What the cached picture shows.
    struct Look {
        std::string caption;
        TFont font;
        TColor color = 0;
        bool transparent = false;
        int flags = 0;
        QSize size;
        qreal ratio = 1;
    };
    // A ticker headline of a thousand characters is well within this.
    static constexpr double kMaxCachedPixels = 4.0 * 1024 * 1024;
    Look cachedLook_;
    QImage cache_;
    std::unique_ptr<StripSlider> slider_; // made at the first slide
    TPanel* panel_ = nullptr;             // the parent, when a panel; kept as it changes
};

} // namespace platform
