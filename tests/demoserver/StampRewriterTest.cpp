#include "tools/demoserver/StampRewriter.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

StampRewriter::Minutes at(int y, unsigned m, unsigned d, int h, int min) {
    return local_days{year{y} / m / d} + hours{h} + minutes{min};
}

struct Case {
    const char* name;
    StampRewriter::Minutes now;
    std::string page, expected;
};

} // namespace

TEST(StampRewriter, StampsMoveToTheLastHourAndOtherDaysKeepTheirDistance) {
    const auto now = at(2027, 3, 5, 10, 30);
    const Case cases[] = {
        {"the latest stamp becomes now, order and gaps kept", now,
         "<p>A (12/08 10:30)</p><p>B (12/08 11:00)</p>",
         "<p>A (03/05 10:00)</p><p>B (03/05 10:30)</p>"},
        {"a longer day is squeezed into the hour", now, "X (12/08 09:00) Y [12/08 13:05]",
         "X (03/05 09:31) Y [03/05 10:30]"},
        {"yesterday stays yesterday at its own time", now,
         "(12/08 13:00) (12/08 13:30) [12/07 23:59]", "(03/05 10:00) (03/05 10:30) [03/04 23:59]"},
        {"dates alone move by whole days", now, "(12/08 12:00) (12/08) (12/07)",
         "(03/05 10:30) (03/05) (03/04)"},
        {"times without a date are on the page's day", now,
         "(12/08 13:00) \xE3\x80\x88"
         "13\xE6\x99\x82"
         "05\xE5\x88\x86\xE3\x80\x89 12:30",
         "(03/05 10:25) \xE3\x80\x88"
         "10\xE6\x99\x82"
         "30\xE5\x88\x86\xE3\x80\x89 09:55"},
        {"field widths are kept, never cut", at(2027, 11, 20, 8, 7), "(1/2 9:05)", "(11/20 8:07)"},
        {"single digits stay single", at(2027, 3, 5, 8, 7), "(1/2 9:05)", "(3/5 8:07)"},
        {"the hour before just after midnight is yesterday", at(2027, 3, 5, 0, 10),
         "(12/08 10:00) (12/08 11:00)", "(03/04 23:11) (03/05 00:10)"},
        {"the nearer year decides yesterday across new year", now, "(1/01 10:00) (1/01) (12/31)",
         "(3/05 10:30) (3/05) (03/04)"},
        {"the date most stamps carry is the page's day", now,
         "(12/07 10:00) (12/06 09:00) (12/07 11:00)", "(03/05 09:31) (03/04 09:00) (03/05 10:30)"},
        {"tags are left alone", now, "<a href=\"/news/12/08 10:30.html\">T</a> 12/08 12:30",
         "<a href=\"/news/12/08 10:30.html\">T</a> 03/05 10:30"},
        {"numbers that are no stamps stay", now,
         "2026/12/08 13/40 24:00 10:3 1:234 123:45 12/0 8\xE6\x99\x82",
         "2026/12/08 13/40 24:00 10:3 1:234 123:45 12/0 8\xE6\x99\x82"},
        {"a page without stamps is unchanged", now, "<p>\xE4\xBB\x8A\xE6\x97\xA5</p>",
         "<p>\xE4\xBB\x8A\xE6\x97\xA5</p>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StampRewriter(c.now).Rewrite(c.page), c.expected) << c.name;
}
