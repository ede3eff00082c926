#include "platform/inet/UrlEscape.h"

#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace platform {

namespace {

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The last c that is a character of its own rather than the trail byte of a
// two-byte one (the trail byte of 院 is an "@").
size_t lastChar(std::string_view s, char c) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += SjisCharLength(s, i))
        if (s[i] == c) found = i;
    return found;
}

std::optional<std::string> punycode(std::string_view sjisHost) {
    std::string utf8 = SjisToUtf8(sjisHost);
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
    if (!url ||
        curl_url_set(url.get(), CURLUPART_URL, ("http://" + utf8 + "/").c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    char* host = nullptr;
    if (curl_url_get(url.get(), CURLUPART_HOST, &host, CURLU_PUNYCODE) != CURLUE_OK)
        return std::nullopt;
    std::string out(host);
    curl_free(host);
    if (!isAscii(out)) return std::nullopt;
    return out;
}

} // namespace

std::optional<std::string> EscapeUrl(std::string_view url) {
    size_t scheme = url.find("://");
    size_t hostStart = scheme == std::string_view::npos ? 0 : scheme + 3;
    size_t authorityEnd = url.find_first_of("/?#", hostStart);
    if (authorityEnd == std::string_view::npos) authorityEnd = url.size();

    std::string out(url.substr(0, hostStart));
    std::string_view authority = url.substr(hostStart, authorityEnd - hostStart);
    size_t at = lastChar(authority, '@');
    size_t hostBegin = at == std::string_view::npos ? 0 : at + 1;
    bool literal = hostBegin < authority.size() && authority[hostBegin] == '[';
    size_t hostEnd = literal ? authority.find(']', hostBegin) : authority.find(':', hostBegin);
    if (hostEnd == std::string_view::npos) hostEnd = authority.size();
    std::string_view host = authority.substr(hostBegin, hostEnd - hostBegin);
    out += authority.substr(0, hostBegin);
    if (isAscii(host)) {
        out += host;
    } else {
        std::optional<std::string> ascii = punycode(host);
        if (!ascii) return std::nullopt;
        out += *ascii;
    }
    out += authority.substr(hostEnd);

    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char c : url.substr(authorityEnd)) {
        auto b = static_cast<unsigned char>(c);
        if (b > 0x20 && b < 0x7F) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
    return out;
}

} // namespace platform
