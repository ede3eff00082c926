#pragma once

// Windows colour values (0x00BBGGRR, or 0x80000000 | a system colour index)
// to Qt colours.

#include "platform/gdi/TFont.h"

#include <QColor>

namespace platform {

constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
constexpr TColor clWhite = 0xFFFFFF;

// A plain 0x00BBGGRR value: only these can equal a pixel. System colours,
// clNone and stray high bits never do.
constexpr bool IsRgbValue(TColor color) {
    return static_cast<uint32_t>(color) <= 0xFFFFFFu;
}

// clNone gives an invalid (transparent) colour.
QColor ToQColor(TColor color);
// A pixel as a colour value, for exact comparisons.
TColor FromQColor(QColor color);

} // namespace platform
