#include "tools/demoserver/StampRewriter.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <vector>

namespace {

using namespace std::chrono;

const std::string kHour = "\xE6\x99\x82";   // 時
const std::string kMinute = "\xE5\x88\x86"; // 分

struct Stamp {
    size_t begin = 0, end = 0;
    bool hasDate = false, hasTime = false, kanji = false;
    unsigned month = 0, day = 0;
    int hour = 0, minute = 0;
    size_t monthWidth = 0, dayWidth = 0, hourWidth = 0, minuteWidth = 0;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Stamp fields have one or two digits; a longer number is something else.
bool readNumber(const std::string& text, size_t& pos, int& value, size_t& width) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        if (++pos - start > 2) return false;
    }
    width = pos - start;
    return width > 0;
}

bool endsField(const std::string& text, size_t pos) {
    return pos >= text.size() || (!isDigit(text[pos]) && text[pos] != '/' && text[pos] != ':');
}

// "h:mm" at pos.
bool readTime(const std::string& text, size_t& pos, Stamp& s) {
    size_t p = pos;
    int minute;
    if (!readNumber(text, p, s.hour, s.hourWidth) || p >= text.size() || text[p] != ':')
        return false;
    ++p;
    if (!readNumber(text, p, minute, s.minuteWidth) || s.minuteWidth != 2 || !endsField(text, p))
        return false;
    if (s.hour > 23 || minute > 59) return false;
    s.minute = minute;
    s.hasTime = true;
    pos = p;
    return true;
}

bool parseAt(const std::string& text, size_t pos, Stamp& s) {
    s = Stamp{};
    s.begin = pos;
    size_t p = pos;
    int first;
    size_t width;
    if (!readNumber(text, p, first, width) || p >= text.size()) return false;
    if (text[p] == '/') {
        int day;
        ++p;
        if (!readNumber(text, p, day, s.dayWidth) || !endsField(text, p)) return false;
        if (first < 1 || first > 12 || day < 1 || day > 31) return false;
        s.hasDate = true;
        s.month = static_cast<unsigned>(first);
        s.day = static_cast<unsigned>(day);
        s.monthWidth = width;
        if (p + 1 < text.size() && text[p] == ' ' && isDigit(text[p + 1])) {
            size_t t = p + 1;
            Stamp time = s;
            if (readTime(text, t, time)) {
                s = time;
                p = t;
            }
        }
        s.end = p;
        return true;
    }
    if (text[p] == ':') {
        p = pos;
        if (!readTime(text, p, s)) return false;
        s.end = p;
        return true;
    }
    if (text.compare(p, kHour.size(), kHour) == 0) {
        p += kHour.size();
        int minute;
        if (!readNumber(text, p, minute, s.minuteWidth) ||
            text.compare(p, kMinute.size(), kMinute) != 0 || first > 23 || minute > 59)
            return false;
        s.hasTime = s.kanji = true;
        s.hour = first;
        s.minute = minute;
        s.hourWidth = width;
        s.end = p + kMinute.size();
        return true;
    }
    return false;
}

std::vector<Stamp> findStamps(const std::string& text) {
    std::vector<Stamp> stamps;
    bool inTag = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inTag) {
            inTag = c != '>';
            continue;
        }
        if (c == '<') {
            inTag = true;
            continue;
        }
        if (!isDigit(c) || (i > 0 && !endsField(text, i - 1))) continue;
        Stamp s;
        if (parseAt(text, i, s)) {
            stamps.push_back(s);
            i = s.end - 1;
        } else {
            while (i + 1 < text.size() && isDigit(text[i + 1]))
                ++i;
        }
    }
    return stamps;
}

// Days from the page's day to (month, day), taking the nearer year.
int dayOffset(unsigned month, unsigned day, unsigned pageMonth, unsigned pageDay) {
    auto at = [](int y, unsigned m, unsigned d) { return sys_days(year{y} / m / d); };
    int offset = (at(2000, month, day) - at(2000, pageMonth, pageDay)).count();
    if (offset > 183) offset = (at(1999, month, day) - at(2000, pageMonth, pageDay)).count();
    if (offset < -183) offset = (at(2001, month, day) - at(2000, pageMonth, pageDay)).count();
    return offset;
}

std::string padded(unsigned value, size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

} // namespace

StampRewriter::Minutes StampRewriter::LocalNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    local_days day{year{tm.tm_year + 1900} / (tm.tm_mon + 1) / tm.tm_mday};
    return day + hours{tm.tm_hour} + minutes{tm.tm_min};
}

std::string StampRewriter::Rewrite(const std::string& text) const {
    std::vector<Stamp> stamps = findStamps(text);
    if (stamps.empty()) return text;

    // The page's day: the date most stamps carry, the later one on a tie.
    std::map<std::pair<unsigned, unsigned>, int> dateCounts;
    for (const Stamp& s : stamps)
        if (s.hasDate) ++dateCounts[{s.month, s.day}];
    std::pair<unsigned, unsigned> pageDate{0, 0};
    int best = 0;
    for (const auto& [date, count] : dateCounts)
        if (count >= best) best = count, pageDate = date;

    auto offsetOf = [&](const Stamp& s) {
        return s.hasDate ? dayOffset(s.month, s.day, pageDate.first, pageDate.second) : 0;
    };
    int latest = -1, earliest = 24 * 60;
    for (const Stamp& s : stamps) {
        if (!s.hasTime || offsetOf(s) != 0) continue;
        latest = std::max(latest, s.hour * 60 + s.minute);
        earliest = std::min(earliest, s.hour * 60 + s.minute);
    }
    // The page's day fits into the last hour.
    double scale = latest - earliest > 59 ? 59.0 / (latest - earliest) : 1.0;
    local_days today = floor<days>(now_);

    std::string out;
    size_t copied = 0;
    for (const Stamp& s : stamps) {
        int offset = offsetOf(s);
        Minutes moment = today + days{offset};
        if (s.hasTime && offset == 0) {
            auto back = std::lround((latest - (s.hour * 60 + s.minute)) * scale);
            moment = now_ - minutes{back};
        } else if (s.hasTime) {
            moment += hours{s.hour} + minutes{s.minute};
        }
        year_month_day date{floor<days>(moment)};
        hh_mm_ss clock{moment - floor<days>(moment)};
        std::string stamp;
        if (s.hasDate)
            stamp = padded(static_cast<unsigned>(date.month()), s.monthWidth) + '/' +
                    padded(static_cast<unsigned>(date.day()), s.dayWidth);
        if (s.hasTime) {
            if (s.hasDate) stamp += ' ';
            stamp += padded(static_cast<unsigned>(clock.hours().count()), s.hourWidth);
            stamp += s.kanji ? kHour : ":";
            stamp += padded(static_cast<unsigned>(clock.minutes().count()), s.minuteWidth);
            if (s.kanji) stamp += kMinute;
        }
        out.append(text, copied, s.begin - copied);
        out += stamp;
        copied = s.end;
    }
    out.append(text, copied, std::string::npos);
    return out;
}
