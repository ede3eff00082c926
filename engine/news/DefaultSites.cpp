#include "engine/news/DefaultSites.h"

#include "platform/text/Cp932.h"

const std::vector<DefaultSite>& DefaultSites() {
    using platform::Utf8ToSjis;
    static const std::vector<DefaultSite> sites = {
        {"QUARN News", "http://news.example.jp/", true, 0},
        {Utf8ToSjis("朝日新聞"), "http://www.asahi.com/", false, 60},
        {Utf8ToSjis("毎日新聞"), "http://www.mainichi.co.jp/", false, 60},
        {Utf8ToSjis("読売新聞"), "http://www.yomiuri.co.jp/", false, 60},
        {Utf8ToSjis("日本経済新聞"), "http://www.nikkei.co.jp/top.html", false, 60},
        {Utf8ToSjis("産経新聞"), "http://www.sankei.co.jp/", false, 60},
        {Utf8ToSjis("日本工業新聞"), "http://www.jij.co.jp/", false, 60},
        {Utf8ToSjis("Yahoo!ニュース"), "http://headlines.yahoo.co.jp/hl", false, 60},
        {Utf8ToSjis("gooニュース"), "http://news.goo.ne.jp/", false, 60},
        {Utf8ToSjis("ANNニュース"), "http://www.tv-asahi.co.jp/ann/news/web/", false, 60},
        {"NNN24", "http://www.news24.jp/", false, 60},
    };
    return sites;
}
