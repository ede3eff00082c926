#pragma once

// Pages and texts are written here in UTF-8 for the reader's sake and turned
// into the Shift_JIS the engine works in.

#include "platform/text/Cp932.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// The page address the extraction tests read from.
inline const std::string kBase = "http://www.example.jp/news/index.html";

inline std::string sjis(const std::string& utf8) {
    return platform::Utf8ToSjis(utf8);
}
inline std::string utf8(const std::string& sjisText) {
    return platform::SjisToUtf8(sjisText);
}

inline std::vector<std::string> utf8(const std::vector<std::string>& list) {
    std::vector<std::string> out;
    for (const std::string& s : list)
        out.push_back(utf8(s));
    return out;
}

// Sets TZ for the test and puts the old value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> old_;
};
