#pragma once

// The class library's font record: a face name with a character set, a
// height in pixels or a size in points, style bits and a colour. Plain
// data; widgets turn it into a QFont where text is drawn.

#include <algorithm>
#include <cstdint>
#include <string>

namespace platform {

enum FontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// Colour values are 0x00BBGGRR, or the system colours (0x80000000 | index);
// clNone is 0x1FFFFFFF.
using TColor = int32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWindowText = static_cast<TColor>(0x80000008);

// Designs and the player may ask for any height; nothing drawable is taller
// than this, and negating a clamped value cannot overflow.
constexpr int kMaxFontHeight = 1000;

// 0 stays 0 (the default size); otherwise 1 to kMaxFontHeight pixels,
// keeping the sign.
constexpr int ClampFontHeight(int height) {
    if (height < 0) return std::max(height, -kMaxFontHeight);
    return std::min(height, kMaxFontHeight);
}

struct TFont {
    std::string Name = "MS UI Gothic"; // Shift_JIS
    int Charset = 1;                   // DEFAULT_CHARSET
    // Height in pixels when negative-as-given; the size in points is
    // kept alongside, as the class library keeps both views of one value.
    int Height = -12;
    uint8_t Style = 0;
    TColor Color = clWindowText;
    int PixelsPerInch = 96;

    int Size() const {
        return -ClampFontHeight(Height) * 72 / (PixelsPerInch > 0 ? PixelsPerInch : 96);
    }
    void SetSize(int points) {
        int64_t pixels = (static_cast<int64_t>(points) * PixelsPerInch + 36) / 72;
        Height = -ClampFontHeight(
            static_cast<int>(std::clamp<int64_t>(pixels, -kMaxFontHeight, kMaxFontHeight)));
    }
    void SetHeight(int height) { Height = ClampFontHeight(height); }
    bool operator==(const TFont&) const = default;
};

} // namespace platform
