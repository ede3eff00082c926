#include "engine/site/FeedDate.h"

#include "platform/text/SjisString.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>

namespace {

struct Moment {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool hasTime = false;
    std::optional<int> offsetMinutes; // east of UTC; none: local time as written
};

class Cursor {
public:
    explicit Cursor(std::string_view s) : s_(s) {}
    bool done() const { return pos_ >= s_.size(); }
    char peek() const { return done() ? '\0' : s_[pos_]; }
    bool take(char c) {
        if (peek() != c) return false;
        ++pos_;
        return true;
    }
    void skipBlanks() {
        while (!done() && (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == '\n'))
            ++pos_;
    }
    // A run of minDigits to maxDigits decimal digits.
    std::optional<int> number(size_t minDigits, size_t maxDigits) {
        size_t start = pos_;
        int value = 0;
        while (!done() && pos_ - start < maxDigits && peek() >= '0' && peek() <= '9')
            value = value * 10 + (s_[pos_++] - '0');
        if (pos_ - start < minDigits) {
            pos_ = start;
            return std::nullopt;
        }
        return value;
    }
    std::string_view word() {
        size_t start = pos_;
        while (!done() && ((peek() >= 'A' && peek() <= 'Z') || (peek() >= 'a' && peek() <= 'z')))
            ++pos_;
        return s_.substr(start, pos_ - start);
    }

private:
    std::string_view s_;
    size_t pos_ = 0;
};

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

bool valid(const Moment& t) {
    return t.year >= 1000 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 60 &&
           (!t.offsetMinutes || (*t.offsetMinutes >= -18 * 60 && *t.offsetMinutes <= 18 * 60));
}

// "+0900", "-05:00", "+09": minutes east of UTC.
std::optional<int> numericOffset(Cursor& c) {
    int sign = c.take('+') ? 1 : c.take('-') ? -1 : 0;
    if (sign == 0) return std::nullopt;
    std::optional<int> hours = c.number(2, 2);
    if (!hours) return std::nullopt;
    c.take(':');
    int minutes = c.number(2, 2).value_or(0);
    return sign * (*hours * 60 + minutes);
}

std::optional<int> namedOffset(std::string_view name) {
    struct Zone {
        std::string_view name;
        int hours;
    };
    static constexpr std::array<Zone, 14> zones{{{"UT", 0},
                                                 {"UTC", 0},
                                                 {"GMT", 0},
                                                 {"Z", 0},
                                                 {"EST", -5},
                                                 {"EDT", -4},
                                                 {"CST", -6},
                                                 {"CDT", -5},
                                                 {"MST", -7},
                                                 {"MDT", -6},
                                                 {"PST", -8},
                                                 {"PDT", -7},
                                                 {"JST", 9},
                                                 {"KST", 9}}};
    for (const Zone& z : zones)
        if (platform::EqualsNoCase(name, z.name)) return z.hours * 60;
    return std::nullopt;
}

// The rest of a time of day after its hour: ":mm", then ":ss" if given, and
// with fraction a decimal fraction of the second, which is skipped.
bool readClock(Cursor& c, int hour, Moment& t, bool fraction) {
    if (!c.take(':')) return false;
    std::optional<int> mi = c.number(2, 2);
    if (!mi) return false;
    t.hour = hour;
    t.minute = *mi;
    t.hasTime = true;
    if (c.take(':')) {
        std::optional<int> s = c.number(2, 2);
        if (!s) return false;
        t.second = *s;
        if (fraction && (c.take('.') || c.take(',')))
            while (c.number(1, 1)) {
            }
    }
    return true;
}

// 2026-12-08, 2026-12-08T09:30, 2026-12-08T09:30:15.25+09:00, "Z", or a
// blank in place of the "T".
std::optional<Moment> readIso(std::string_view text) {
    Cursor c(text);
    Moment t;
    std::optional<int> y = c.number(4, 4);
    if (!y || !c.take('-')) return std::nullopt;
    std::optional<int> m = c.number(1, 2);
    if (!m || !c.take('-')) return std::nullopt;
    std::optional<int> d = c.number(1, 2);
    if (!d) return std::nullopt;
    t.year = *y;
    t.month = *m;
    t.day = *d;
    if (c.take('T') || c.take('t') || c.take(' ')) {
        std::optional<int> h = c.number(1, 2);
        if (!h || !readClock(c, *h, t, true)) return std::nullopt;
        c.skipBlanks();
        if (c.take('Z') || c.take('z'))
            t.offsetMinutes = 0;
        else if (c.peek() == '+' || c.peek() == '-') {
            t.offsetMinutes = numericOffset(c);
            if (!t.offsetMinutes) return std::nullopt;
        }
    }
    c.skipBlanks();
    if (!c.done()) return std::nullopt;
    return t;
}

// [Tue,] 8 Dec 2026 09:30[:15] [GMT | JST | +0900]
std::optional<Moment> readRfc822(std::string_view text) {
    static constexpr std::array<std::string_view, 12> months{
        "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    Cursor c(text);
    Moment t;
    c.skipBlanks();
    std::string_view weekday = c.word();
    if (!weekday.empty()) {
        if (!c.take(',')) return std::nullopt;
        c.skipBlanks();
    }
    std::optional<int> d = c.number(1, 2);
    if (!d) return std::nullopt;
    c.skipBlanks();
    c.take('-');
    std::string_view month = c.word();
    if (month.size() < 3) return std::nullopt;
    t.month = 0;
    for (size_t i = 0; i < months.size(); ++i)
        if (platform::EqualsNoCase(month.substr(0, 3), months[i]))
            t.month = static_cast<int>(i) + 1;
    if (t.month == 0) return std::nullopt;
    c.skipBlanks();
    c.take('-');
    std::optional<int> y = c.number(2, 4);
    if (!y) return std::nullopt;
    t.year = *y < 50 ? 2000 + *y : *y < 100 ? 1900 + *y : *y;
    t.day = *d;
    c.skipBlanks();
    if (std::optional<int> h = c.number(1, 2)) {
        if (!readClock(c, *h, t, false)) return std::nullopt;
        c.skipBlanks();
        if (c.peek() == '+' || c.peek() == '-') {
            t.offsetMinutes = numericOffset(c);
            if (!t.offsetMinutes) return std::nullopt;
        } else {
            // An unknown zone name (military letters, say) leaves the time as written.
            t.offsetMinutes = namedOffset(c.word());
        }
    }
    return t;
}

int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The moment in the zone the TZ setting names.
bool toLocal(Moment& t) {
    int64_t seconds = daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 +
                      t.minute * 60 + std::min(t.second, 59) - *t.offsetMinutes * 60;
    time_t when = static_cast<time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&when, &local)) return false;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    return true;
}

std::string twoDigits(int n) {
    return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

} // namespace

std::string FeedDateStamp(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
        text.remove_suffix(1);
    // Feeds mix the two forms up often enough that the element's name is no guide.
    std::optional<Moment> t = readIso(text);
    if (!t) t = readRfc822(text);
    if (!t || !valid(*t)) return {};
    if (t->hasTime && t->offsetMinutes && !toLocal(*t)) return {};
    std::string stamp = "\x81\x69" + std::to_string(t->month) + "/" + std::to_string(t->day);
    if (t->hasTime) stamp += " " + twoDigits(t->hour) + ":" + twoDigits(t->minute);
    return stamp + "\x81\x6A";
}
