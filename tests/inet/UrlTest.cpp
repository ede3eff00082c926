#include "engine/inet/TUrl.h"

#include <gtest/gtest.h>

TEST(Url, ResolvesLinksAgainstAPage) {
    const std::string base = "http://www.example.jp/news/top/index.html";
    struct Case {
        const char* link;
        std::string want;
    } cases[] = {
        {"a.html", "http://www.example.jp/news/top/a.html"},
        {"/abs/b.html", "http://www.example.jp/abs/b.html"},
        {"../c.html", "http://www.example.jp/news/c.html"},
        {"./d.html", "http://www.example.jp/news/top/d.html"},
        {"./.././../e.html", "http://www.example.jp/e.html"},
        {"../../../../f.html", "http://www.example.jp/f.html"}, // above the root stays at the root
        {"..\\g.html", "http://www.example.jp/news/g.html"},
        {"//other.jp/x", "http://other.jp/x"},
        {"HTTPS://Secure.jp/A", "HTTPS://Secure.jp/A"},
        {"ftp://f.jp/x", "ftp://f.jp/x"},
        {"mailto:desk@example.jp", "mailto:desk@example.jp"},
        {"JavaScript:void(0)", "JavaScript:void(0)"},
        {"#top", "http://www.example.jp/news/top/index.html#top"},
        {"sub", "http://www.example.jp/news/top/sub/"},
        {"sub/", "http://www.example.jp/news/top/sub/"},
        {"article?id=1", "http://www.example.jp/news/top/article?id=1/"},
        {"a.cgi?u=http://x.jp/y.html", "http://www.example.jp/news/top/a.cgi?u=http://x.jp/y.html"},
        {"a.cgi?u=http://x.jp/y", "http://www.example.jp/news/top/a.cgi?u=http://x.jp/y/"},
        {"", "http://www.example.jp/news/top/"},
        // "表" is 0x95 0x5C: its trail byte is a backslash, not a separator.
        {"\x95\x5C.html", "http://www.example.jp/news/top/\x95\x5C.html"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveURL(c.link, base), c.want) << c.link;
}

TEST(Url, ResolveKeepsTheBasesSchemeUserAndPort) {
    struct Case {
        const char* base;
        const char* link;
        std::string want;
    } cases[] = {
        {"http://www.example.jp:8080/dir/page.html", "x.html",
         "http://www.example.jp:8080/dir/x.html"},
        {"http://www.example.jp:80/dir/", "x.html", "http://www.example.jp/dir/x.html"},
        {"https://secure.jp:443/a/", "x.html", "https://secure.jp/a/x.html"},
        {"https://secure.jp:80/a/", "x.html", "https://secure.jp:80/a/x.html"},
        {"http://www.example.jp", "x.html", "http://www.example.jp/x.html"},
        {"http://user:pw@host.jp/dir/p.html", "x.html", "http://user:pw@host.jp/dir/x.html"},
        {"http://user@host.jp/", "x.html", "http://user@host.jp/x.html"},
        {"http://host.jp/dir/p.cgi?x=1#f", "y.html", "http://host.jp/dir/y.html"},
        {"http://host.jp/news/news", "a.html", "http://host.jp/news/a.html"},
        {"file:///tmp/pages/front.html", "a.html", "file:///tmp/pages/a.html"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveURL(c.link, c.base), c.want) << c.base << " + " << c.link;
}

TEST(Url, ABaseWithAHostButNoPathResolvesFromTheRoot) {
    // A front page given with a query or fragment straight after its host.
    struct Case {
        const char* base;
        const char* link;
        std::string want;
    } cases[] = {
        {"http://host.jp?lang=ja", "a.html", "http://host.jp/a.html"},
        {"http://host.jp?lang=ja", "news/b.html", "http://host.jp/news/b.html"},
        {"http://host.jp?lang=ja", "../c.html", "http://host.jp/c.html"},
        {"http://host.jp:8080?x", "d/", "http://host.jp:8080/d/"},
        {"http://host.jp#top", "e.html", "http://host.jp/e.html"},
        {"http://host.jp?lang=ja", "/f.html", "http://host.jp/f.html"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveURL(c.link, c.base), c.want) << c.base << " + " << c.link;
}

TEST(Url, CracksIntoParts) {
    TUrl url("http://user:pw@Host.jp:8080/dir/file.html?q=1#f");
    EXPECT_EQ(url.GetScheme(), "http");
    EXPECT_EQ(url.GetSchemeNumber(), SchemeHttp);
    EXPECT_EQ(url.GetHost(), "Host.jp");
    EXPECT_EQ(url.GetUser(), "user");
    EXPECT_EQ(url.GetPassword(), "pw");
    EXPECT_EQ(url.GetPort(), 8080);
    EXPECT_EQ(url.GetPath(), "/dir/file.html");
    EXPECT_EQ(url.GetExtraInfo(), "?q=1#f");
    EXPECT_EQ(url.GetFileName(), "file.html");
    EXPECT_EQ(url.GetDir(), "/dir/");

    TUrl bare("http://host.jp");
    EXPECT_EQ(bare.URL, "http://host.jp/");
    EXPECT_EQ(bare.GetPath(), "/");
    EXPECT_EQ(bare.GetPort(), 80);

    TUrl dir("https://host.jp/a/b/");
    EXPECT_EQ(dir.GetFileName(), "");
    EXPECT_EQ(dir.GetDir(), "/a/b/");
    EXPECT_EQ(dir.GetPort(), 443);

    TUrl escaped("http://host.jp/%7Euser/x%2Fy.html");
    EXPECT_EQ(escaped.GetPath(), "/~user/x/y.html");
}

TEST(Url, AJapaneseHostNameKeepsItsTwoByteCharacters) {
    // The trail bytes of 院 ("@") and 表 ("\\") split neither the user from
    // the host nor the host from the path.
    struct Case {
        std::string base, host, user, path, resolved;
    } cases[] = {
        {"http://\x95\x61\x89\x40.jp/news/a.html", "\x95\x61\x89\x40.jp", "", "/news/a.html",
         "http://\x95\x61\x89\x40.jp/news/b.html"},
        {"http://u@\x95\x61\x89\x40.jp/a.html", "\x95\x61\x89\x40.jp", "u", "/a.html",
         "http://u@\x95\x61\x89\x40.jp/b.html"},
        {"http://\x95\x5C\x8E\xA6.jp/news/a.html", "\x95\x5C\x8E\xA6.jp", "", "/news/a.html",
         "http://\x95\x5C\x8E\xA6.jp/news/b.html"},
    };
    for (const Case& c : cases) {
        TUrl url(c.base);
        EXPECT_EQ(url.GetHost(), c.host) << c.base;
        EXPECT_EQ(url.GetUser(), c.user) << c.base;
        EXPECT_EQ(url.GetPath(), c.path) << c.base;
        EXPECT_EQ(url.Resolve("b.html"), c.resolved) << c.base;
    }
}

TEST(Url, UrlsThatDoNotCrackLeaveEveryPartEmpty) {
    std::string fits = "http://host.jp/" + std::string(254 - 5, 'x') + ".html"; // path of 255 bytes
    EXPECT_EQ(TUrl(fits).GetPath().size(), 255u);
    std::string tooLong = "http://host.jp/" + std::string(255 - 5, 'x') + ".html";
    for (const std::string& bad :
         {tooLong, std::string("news/index.html"), std::string("http://host.jp:99999/"),
          std::string("http://host.jp:8o/"), std::string("1http://x/"),
          "http://" + std::string(64, 'h') + "/"}) {
        TUrl url(bad);
        EXPECT_EQ(url.GetScheme(), "") << bad;
        EXPECT_EQ(url.GetHost(), "") << bad;
        EXPECT_EQ(url.GetPath(), "") << bad;
        EXPECT_EQ(url.GetPort(), 0) << bad;
    }
    EXPECT_EQ(ResolveURL("a.html", tooLong), "://a.html");
}

TEST(Url, DecodeUrlOnlyWhenEveryEscapeIsWellFormed) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"100%", "100%"},
        {"a%20b", "a b"},
        {"a+b%20c", "a b c"},
        {"a+b", "a+b"},
        {"%%41", "%41"},
        {"%zz+", "%zz+"},
        {"%41%zz", "%41%zz"},
        {"%41%4", "%41%4"},
        {"%00x", "%00x"},
        {"%E3%81%82", "\xE3\x81\x82"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeURL(c.in), c.out) << c.in;
}

TEST(Url, CleanUrlDropsTheFragmentThenDecodes) {
    EXPECT_EQ(CleanURL("http://h.jp/a.html#frag"), "http://h.jp/a.html");
    EXPECT_EQ(CleanURL("http://h.jp/a%20b.html#x%20y"), "http://h.jp/a b.html");
    EXPECT_EQ(CleanURL("#only"), "");
    EXPECT_EQ(CleanURL("http://h.jp/q?a=1+2"), "http://h.jp/q?a=1+2");
}
