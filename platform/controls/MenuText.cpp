#include "platform/controls/MenuText.h"

namespace platform {

QString ElideMenuText(const QString& text, int most) {
    if (text.size() <= most) return text;
    qsizetype cut = most - 1;
    if (text.at(cut).isLowSurrogate()) --cut;
    return text.left(cut) + QChar(0x2026);
}

} // namespace platform
