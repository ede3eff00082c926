#pragma once

#include <string>

// The pictures and designs the window tests read.
inline const std::string kData = std::string(NEWS_SOURCE_DIR) + "/tests/window/data/";
