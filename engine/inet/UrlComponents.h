#pragma once

// The parts of a URL as the Windows URL cracker hands them out: each part has
// a buffer of fixed size, and a URL with a part too large for its buffer is
// not cracked at all.

#include <cstdint>
#include <string>
#include <string_view>

enum InternetScheme : int {
    SchemeUnknown = -1,
    SchemeDefault = 0,
    SchemeFtp = 1,
    SchemeGopher = 2,
    SchemeHttp = 3,
    SchemeHttps = 4,
    SchemeFile = 5,
    SchemeNews = 6,
    SchemeMailto = 7,
    SchemeSocks = 8,
    SchemeJavascript = 9,
    SchemeVbscript = 10,
};

struct UrlComponents {
    // Buffer sizes, the terminating NUL included: a part must be shorter.
    static constexpr size_t SchemeSize = 16, HostSize = 64, UserSize = 64, PasswordSize = 64,
                            PathSize = 256, ExtraSize = 256;

    std::string scheme, host, user, password, path, extra;
    uint16_t port = 0;
    int schemeNumber = SchemeDefault;
};

// Splits url into its parts, %XX escapes decoded in the user name, password,
// path and extra information (a %00 stays as written). False, with every
// part empty, for a URL without a valid scheme, with a bad port, or with a
// part that does not fit its buffer.
bool CrackUrl(std::string_view url, UrlComponents& parts);

// 80 for http, 443 for https, 21 for ftp, 70 for gopher, 1080 for socks, else 0.
uint16_t DefaultPort(int schemeNumber);
