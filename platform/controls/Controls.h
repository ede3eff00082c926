#pragma once

// The class library's visual controls the news window and the skin panels
// are made of, on Qt widgets: a bitmap, an image showing one, an image
// list of equal frames, a panel and a label. Text is Shift_JIS; colours are
// Windows colour values.

#include "platform/gdi/TFont.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <string>
#include <vector>

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

// Behaviour shared by the controls: place, hint, visibility.
class TControl : public QWidget {
public:
    explicit TControl(QWidget* parent) : QWidget(parent) {}
    void SetBounds(int left, int top, int width, int height) {
        setGeometry(left, top, width, height);
    }
    void SetHint(const std::string& hint);
    bool ShowHint = false;
};

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
    bool GetBitmap(int index, TBitmap& out) const;

private:
    std::vector<TBitmap> frames_;
};

class TPanel : public TControl {
public:
    explicit TPanel(QWidget* parent) : TControl(parent) {}
    TFont Font;
    bool ParentFont = true;
    TColor Color = clBtnFaceValue;
    static constexpr TColor clBtnFaceValue = static_cast<TColor>(0x8000000F);

protected:
    void paintEvent(QPaintEvent*) override;
};

class TLabel : public TControl {
public:
    enum Align { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
    explicit TLabel(QWidget* parent) : TControl(parent) {}
    // Sets the text; with AutoSize the label takes the text's size.
    void SetCaption(const std::string& caption);

    std::string Caption;
    TFont Font;
    bool ParentFont = true;
    TColor Color = TPanel::clBtnFaceValue;
    int Alignment = taLeftJustify;
    bool Transparent = false;
    bool AutoSize = true;
    bool CenterVertically = false;
    bool ShowAccelChar = true;
    bool WordWrap = false;

protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace platform
