#pragma once

// Moves the date and time stamps of a sample front page to the present, so
// its headlines read as today's news: the stamps of the page's own day
// (the date most stamps carry) fall within the hour before "now", in their
// order, and other days keep their distance from it ("yesterday" stays
// yesterday). Stamps are "m/d", "m/d h:mm", "h:mm" and "h時mm分" in text;
// tags (links that carry dates among them) are left alone. Field widths
// are kept, so "12/08" becomes "03/05", not "3/5".

#include <chrono>
#include <string>

class StampRewriter {
public:
    using Minutes = std::chrono::local_time<std::chrono::minutes>;

    explicit StampRewriter(Minutes now) : now_(now) {}

    // The present in the local time zone, to the minute.
    static Minutes LocalNow();

    // text is UTF-8.
    std::string Rewrite(const std::string& text) const;

private:
    Minutes now_;
};
