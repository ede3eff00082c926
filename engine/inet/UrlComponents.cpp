#include "engine/inet/UrlComponents.h"

#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <cctype>

namespace {

bool isAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

int schemeNumberOf(std::string_view scheme) {
    struct Known {
        std::string_view name;
        int number;
    };
    static constexpr Known known[] = {
        {"ftp", SchemeFtp},           {"gopher", SchemeGopher}, {"http", SchemeHttp},
        {"https", SchemeHttps},       {"file", SchemeFile},     {"news", SchemeNews},
        {"mailto", SchemeMailto},     {"socks", SchemeSocks},   {"javascript", SchemeJavascript},
        {"vbscript", SchemeVbscript},
    };
    for (const Known& k : known)
        if (platform::EqualsNoCase(scheme, k.name)) return k.number;
    return SchemeUnknown;
}

// Decodes %XX escapes; a malformed one, or one for NUL, stays as written.
std::string decodeEscapes(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            int hi = platform::HexValue(s[i + 1]);
            int lo = platform::HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0 && (hi | lo) != 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// The first (or last) of chars that is a character of its own rather than
// the trail byte of a two-byte one: 院 ends in an "@", 表 in a backslash.
size_t findChar(std::string_view s, std::string_view chars, bool last = false) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += platform::SjisCharLength(s, i)) {
        if (chars.find(s[i]) == std::string_view::npos) continue;
        found = i;
        if (!last) break;
    }
    return found;
}

bool fits(const std::string& part, size_t bufferSize) {
    return part.size() < bufferSize;
}

} // namespace

uint16_t DefaultPort(int schemeNumber) {
    switch (schemeNumber) {
    case SchemeHttp:
        return 80;
    case SchemeHttps:
        return 443;
    case SchemeFtp:
        return 21;
    case SchemeGopher:
        return 70;
    case SchemeSocks:
        return 1080;
    default:
        return 0;
    }
}

bool CrackUrl(std::string_view url, UrlComponents& parts) {
    parts = UrlComponents{};
    size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isAsciiAlpha(url[0])) return false;
    for (size_t i = 1; i < colon; ++i) {
        char c = url[i];
        if (!isAsciiAlpha(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    UrlComponents p;
    p.scheme = std::string(url.substr(0, colon));
    p.schemeNumber = schemeNumberOf(p.scheme);
    p.port = DefaultPort(p.schemeNumber);

    std::string_view rest = url.substr(colon + 1);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        size_t end = findChar(rest, "/\\?#");
        if (end == std::string_view::npos) end = rest.size();
        std::string_view authority = rest.substr(0, end);
        rest.remove_prefix(end);

        size_t at = findChar(authority, "@", true);
        if (at != std::string_view::npos) {
            std::string_view userInfo = authority.substr(0, at);
            authority.remove_prefix(at + 1);
            size_t sep = userInfo.find(':');
            p.user = decodeEscapes(userInfo.substr(0, sep));
            if (sep != std::string_view::npos) p.password = decodeEscapes(userInfo.substr(sep + 1));
        }
        size_t portSep = authority.rfind(':');
        if (portSep != std::string_view::npos &&
            authority.find(']', portSep) == std::string_view::npos) {
            std::string_view digits = authority.substr(portSep + 1);
            authority = authority.substr(0, portSep);
            if (!digits.empty()) {
                unsigned long port = 0;
                for (char c : digits) {
                    if (!isAsciiDigit(c)) return false;
                    port = port * 10 + static_cast<unsigned>(c - '0');
                    if (port > 65535) return false;
                }
                p.port = static_cast<uint16_t>(port);
            }
        }
        p.host = std::string(authority);
    }
    size_t extra = rest.find_first_of("?#");
    if (extra == std::string_view::npos) extra = rest.size();
    p.path = decodeEscapes(rest.substr(0, extra));
    p.extra = decodeEscapes(rest.substr(extra));

    if (!fits(p.scheme, UrlComponents::SchemeSize) || !fits(p.host, UrlComponents::HostSize) ||
        !fits(p.user, UrlComponents::UserSize) || !fits(p.password, UrlComponents::PasswordSize) ||
        !fits(p.path, UrlComponents::PathSize) || !fits(p.extra, UrlComponents::ExtraSize))
        return false;
    parts = std::move(p);
    return true;
}
