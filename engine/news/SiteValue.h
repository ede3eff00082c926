#pragma once

// A site as section "Site" of the settings file holds it: the key is the
// site's name, the value "\"URL\",enabled,interval".

#include <string>
#include <string_view>

struct SiteValue {
    std::string url;
    bool enabled = false;
    int interval = 60;
};

std::string FormatSiteValue(const SiteValue& site);
// Missing items are empty; a flag that is no number reads as disabled, an
// interval that is no number as 60.
SiteValue ParseSiteValue(std::string_view value);

// The name as a key the settings file gives back unchanged: "=" would end
// the key and a leading ";" or "[" would make a comment or a section, so
// they are stored in their full-width forms.
std::string StorableSiteName(std::string_view name);
