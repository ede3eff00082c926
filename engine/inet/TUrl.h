#pragma once

// One parsed URL, and the resolution of links found on a page against the
// page's own URL.

#include "engine/inet/UrlComponents.h"

#include <string>
#include <string_view>
#include <vector>

class TUrl {
public:
    explicit TUrl(std::string_view url = {});

    void SetURL(std::string_view url);

    const std::string& GetScheme() const { return parts_.scheme; }
    const std::string& GetHost() const { return parts_.host; }
    const std::string& GetUser() const { return parts_.user; }
    const std::string& GetPassword() const { return parts_.password; }
    const std::string& GetPath() const { return parts_.path; }
    const std::string& GetExtraInfo() const { return parts_.extra; }
    uint16_t GetPort() const { return parts_.port; }
    int GetSchemeNumber() const { return parts_.schemeNumber; }

    // The last segment of the path; "" when the path is empty or ends with
    // a slash or backslash.
    std::string GetFileName() const;
    // The path without its file name.
    std::string GetDir() const;

    // The absolute URL of link relative to this one.
    std::string Resolve(std::string_view link) const;

    // The URL as parsed (after DecodeURL).
    std::string URL;

private:
    UrlComponents parts_;
    // Kept for Resolve: GetDir() split, what comes before the host
    // ("http://user@") and after it (":8080", "" for the scheme's own port).
    std::vector<std::string> dirSegments_;
    std::string origin_, port_;
};

std::string ResolveURL(std::string_view link, std::string_view base);

// Form-decodes text ("+" to a blank, "%%" to "%", "%XX" to its byte), but
// only when the character after its first "%" could start an escape, and
// only when every escape in it is well formed.
std::string DecodeURL(std::string_view text);

// url without its fragment, decoded.
std::string CleanURL(std::string_view url);
