#include "platform/gdi/Color.h"

#include "platform/HotPath.h"

namespace platform {

HOT_PATH QColor ToQColor(TColor color) {
    if (color == clNone) return QColor();
    auto value = static_cast<uint32_t>(color);
    if (value & 0x80000000u) {
        // The system colours the system uses, as a default Windows theme has them.
        switch (value & 0xFF) {
        case 5:
            return QColor(0xFF, 0xFF, 0xFF); // window
        case 8:
            return QColor(0, 0, 0); // window text
        case 13:
            return QColor(0x00, 0x78, 0xD7); // highlight
        case 15:
            return QColor(0xF0, 0xF0, 0xF0); // button face
        case 18:
            return QColor(0, 0, 0); // button text
        default:
            return QColor(0xC0, 0xC0, 0xC0);
        }
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

TColor FromQColor(QColor color) {
    return static_cast<TColor>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

} // namespace platform
