#pragma once

// Menu entries of any length: a site named by a whole sentence must not make
// its menu as wide as the screen.

#include <QString>

namespace platform {

// At most most characters: a longer text is cut and ends in "…", never
// inside a surrogate pair.
QString ElideMenuText(const QString& text, int most = 40);

} // namespace platform
