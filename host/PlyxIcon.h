#pragma once

// The player's icon (data/plyx.svg, drawn here: no SVG reader is needed).

#include <QIcon>

QIcon PlyxIcon();
