#pragma once

// The sites a first start (or a settings file older than this version)
// begins with. Names are Shift_JIS.

#include <string>
#include <vector>

struct DefaultSite {
    std::string name;
    std::string url;
    bool enabled;
    int interval;
};

const std::vector<DefaultSite>& DefaultSites();
