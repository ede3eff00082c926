#include "platform/inet/UrlEscape.h"

#include <gtest/gtest.h>

namespace {

// Byte by byte: a trail byte in the ASCII range ("{" of 本) stays as it is.
TEST(UrlEscape, EscapesWhatTheWindowsFunctionsEscapedAndNothingElse) {
    struct Case {
        std::string url, expected;
    } cases[] = {
        {"http://host/c d.html", "http://host/c%20d.html"},
        {"http://host/a%20b.html", "http://host/a%20b.html"},
        {"http://host/100%/x", "http://host/100%/x"},
        {"http://host/\x93\xFA\x96\x7B.html?q=\x83\x41 z",
         "http://host/%93%FA%96{.html?q=%83A%20z"},
        {"http://host/tab\there\x7F", "http://host/tab%09here%7F"},
        {"http://host/a?b=c&d=\"e\"#f g", "http://host/a?b=c&d=\"e\"#f%20g"},
        {"http://user:pw@host:8080/x y", "http://user:pw@host:8080/x%20y"},
        {"http://[::1]:80/a b", "http://[::1]:80/a%20b"},
        {"http://host", "http://host"},
        {"http://", "http://"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::EscapeUrl(c.url).value_or("(none)"), c.expected) << c.url;
}

TEST(UrlEscape, AJapaneseHostNameBecomesItsIdnForm) {
    // 日本語.jp in Shift_JIS.
    EXPECT_EQ(
        platform::EscapeUrl("http://\x93\xFA\x96\x7B\x8C\xEA.jp:81/\x93\xFA").value_or("(none)"),
        "http://xn--wgv71a119e.jp:81/%93%FA");
    EXPECT_EQ(platform::EscapeUrl("http://u@\x93\xFA\x96\x7B\x8C\xEA.jp/").value_or("(none)"),
              "http://u@xn--wgv71a119e.jp/");
    // 病院.jp: the trail byte of 院 is an "@", which names no user here.
    EXPECT_EQ(platform::EscapeUrl("http://\x95\x61\x89\x40.jp/").value_or("(none)"),
              "http://xn--0rys90e.jp/");
    EXPECT_EQ(platform::EscapeUrl("http://u@\x95\x61\x89\x40.jp:81/").value_or("(none)"),
              "http://u@xn--0rys90e.jp:81/");
}

} // namespace
