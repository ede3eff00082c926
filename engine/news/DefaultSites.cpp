#include "engine/news/DefaultSites.h"

#include "platform/text/Cp932.h"

const std::vector<DefaultSite>& DefaultSites() {
    using platform::Utf8ToSjis;
    // Today's addresses, a feed where the outlet publishes one; an outlet
    // gone under its name keeps its last address. The player maker's own
    // page has none, so a first start shows the news of one real site.
    static const std::vector<DefaultSite> sites = {
        {"QUARN News", "", false, 0},
        {Utf8ToSjis("朝日新聞"), "https://www.asahi.com/rss/asahi/newsheadlines.rdf", false, 60},
        {Utf8ToSjis("毎日新聞"), "https://mainichi.jp/rss/etc/mainichi-flash.rss", false, 60},
        {Utf8ToSjis("読売新聞"), "https://www.yomiuri.co.jp/", false, 60},
        {Utf8ToSjis("日本経済新聞"), "https://www.nikkei.com/", false, 60},
        {Utf8ToSjis("産経新聞"), "https://www.sankei.com/", false, 60},
        {Utf8ToSjis("日本工業新聞"), "https://www.sankeibiz.jp/", false, 60},
        {Utf8ToSjis("Yahoo!ニュース"), "https://news.yahoo.co.jp/rss/topics/top-picks.xml", true,
         60},
        {Utf8ToSjis("gooニュース"), "https://news.goo.ne.jp/", false, 60},
        {Utf8ToSjis("ANNニュース"), "https://news.tv-asahi.co.jp/", false, 60},
        {"NNN24", "https://news.ntv.co.jp/", false, 60},
    };
    return sites;
}
