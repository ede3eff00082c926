#include "engine/site/FeedReader.h"
#include "engine/site/FeedDate.h"

#include "engine/inet/TWinInet.h"
#include "engine/site/StampFinder.h"
#include "platform/text/Iconv.h"
#include "platform/text/SjisString.h"
#include "tests/site/SiteTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <sys/stat.h>

using List = std::vector<std::string>;

static_assert(kMaxFeedFileBytes == TWinInet::kMaxPageBytes,
              "a feed is read as far as the download keeps it");

namespace {

const std::string kFeedUrl = "http://www.example.jp/rss/news.rdf";
const std::string kSiteUrl = "http://www.example.jp/";

struct Feed {
    bool isFeed = false;
    List titles, links;
};

// Reads raw bytes; titles come back in UTF-8.
Feed readBytes(std::string_view bytes, const std::atomic<bool>* aborting = nullptr) {
    Feed f;
    f.isFeed = ReadFeed(bytes, kFeedUrl, kSiteUrl, f.titles, f.links, aborting);
    f.titles = utf8(f.titles);
    return f;
}

std::string convert(const std::string& utf8Text, const char* code) {
    platform::Iconv cd(code, "UTF-8");
    std::string out;
    EXPECT_EQ(cd.convert(utf8Text, out), utf8Text.size()) << code;
    return out;
}

std::string replaceAll(std::string s, std::string_view from, std::string_view to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

std::string rss2(const std::string& items, const std::string& encoding = "UTF-8") {
    return "<?xml version=\"1.0\" encoding=\"" + encoding +
           "\"?>\n<rss version=\"2.0\"><channel><title>Channel</title>"
           "<link>http://www.example.jp/</link>"
           "<image><title>Logo</title><url>http://www.example.jp/logo.gif</url></image>" +
           items + "</channel></rss>\n";
}

std::string rss2Item(const std::string& title, const std::string& link = "",
                     const std::string& date = "") {
    std::string item = "<item>";
    if (!title.empty()) item += "<title>" + title + "</title>";
    if (!link.empty()) item += "<link>" + link + "</link>";
    if (!date.empty()) item += "<pubDate>" + date + "</pubDate>";
    return item + "</item>\n";
}

} // namespace

TEST(FeedReader, EachKindOfFeedGivesItsItemsInEveryCode) {
    ScopedTimeZone tokyo("Asia/Tokyo");
    const std::string rdf =
        "<?xml version=\"1.0\" encoding=\"@ENC@\"?>\n"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
        "xmlns=\"http://purl.org/rss/1.0/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        "<channel rdf:about=\"http://www.example.jp/\"><title>ニュース</title>"
        "<link>http://www.example.jp/</link><items><rdf:Seq>"
        "<rdf:li rdf:resource=\"http://www.example.jp/n/1.html\"/></rdf:Seq></items></channel>\n"
        "<item rdf:about=\"http://www.example.jp/n/1.html\"><title>新駅の開業日が決定</title>"
        "<link>http://www.example.jp/n/1.html</link><dc:date>2026-04-12T09:05:00+09:00</dc:date>"
        "</item>\n"
        "<item rdf:about=\"http://www.example.jp/n/2.html\"><title>遠隔ロボット～調査①</title>"
        "<link>/n/2.html</link><dc:date>2026-04-18T01:28+09:00</dc:date></item>\n"
        "</rdf:RDF>\n";
    const std::string rss =
        rss2(rss2Item("新駅の開業日が決定", "http://www.example.jp/n/1.html",
                      "Sun, 12 Apr 2026 00:05:00 GMT") +
                 rss2Item("遠隔ロボット～調査①", "/n/2.html", "Sat, 18 Apr 2026 01:28:00 +0900"),
             "@ENC@");
    const std::string atom =
        "<?xml version=\"1.0\" encoding=\"@ENC@\"?>\n"
        "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>ニュース</title>"
        "<link href=\"http://www.example.jp/\"/>"
        "<entry><title>新駅の開業日が決定</title>"
        "<link rel=\"self\" href=\"http://www.example.jp/atom/1\"/>"
        "<link rel=\"alternate\" type=\"text/html\" href=\"http://www.example.jp/n/1.html\"/>"
        "<updated>2026-04-13T00:00:00Z</updated><published>2026-04-12T00:05:00Z</published>"
        "</entry>\n"
        "<entry><title type=\"text\">遠隔ロボット～調査①</title><link href=\"/n/2.html\"/>"
        "<updated>2026-04-17T16:28:00Z</updated></entry></feed>\n";

    struct Case {
        const char* name;
        const std::string& feed;
        const char* declared; // in the declaration
        const char* iconvCode;
    } cases[] = {
        {"RSS 1.0 in Shift_JIS", rdf, "Shift_JIS", "CP932"},
        {"RSS 1.0 in EUC-JP", rdf, "EUC-JP", "EUC-JP-MS"},
        {"RSS 2.0 in UTF-8", rss, "UTF-8", "UTF-8"},
        {"RSS 2.0 in EUC-JP", rss, "euc-jp", "EUC-JP-MS"},
        {"RSS 2.0 in ISO-2022-JP", rss, "ISO-2022-JP", "ISO-2022-JP"},
        {"Atom in UTF-8", atom, "utf-8", "UTF-8"},
        {"Atom in Windows-31J", atom, "Windows-31J", "CP932"},
    };
    for (const Case& c : cases) {
        std::string text = c.feed;
        text.replace(text.find("@ENC@"), 5, c.declared);
        // ISO-2022-JP has no ① and writes ～ as the wave dash, which reads back as ～.
        bool jis = std::string_view(c.iconvCode) == "ISO-2022-JP";
        if (jis) text = replaceAll(replaceAll(text, "①", "1"), "～", "〜");
        Feed f = readBytes(convert(text, c.iconvCode));
        std::string second = std::string("遠隔ロボット～調査") + (jis ? "1" : "①");
        EXPECT_TRUE(f.isFeed) << c.name;
        EXPECT_EQ(f.titles, (List{"新駅の開業日が決定（4/12 09:05）", second + "（4/18 01:28）"}))
            << c.name;
        EXPECT_EQ(f.links,
                  (List{"http://www.example.jp/n/1.html", "http://www.example.jp/n/2.html"}))
            << c.name;
    }
}

TEST(FeedReader, HeadlinesCarryAStampTheExtractionFinds) {
    ScopedTimeZone utc("UTC");
    Feed f = readBytes(rss2(rss2Item("見出し", "/a", "Tue, 08 Dec 2026 09:05:00 GMT")));
    ASSERT_EQ(f.titles.size(), 1u);
    std::string title = sjis(f.titles[0]);
    std::optional<StampMatch> exact = FindStamp(title, false);
    ASSERT_TRUE(exact);
    EXPECT_EQ(utf8(title.substr(exact->pos, exact->length)), "（12/8 09:05）");
}

TEST(FeedDate, EveryFormAndZoneBecomesLocalTime) {
    struct Case {
        const char* zone;
        const char* date;
        const char* stamp; // "" when it is no date
    } cases[] = {
        // RFC 822 as RSS 2.0 writes it, with zone names and offsets.
        {"Asia/Tokyo", "Tue, 08 Dec 2026 01:30:00 GMT", "（12/8 10:30）"},
        {"UTC", "Tue, 08 Dec 2026 01:30:00 GMT", "（12/8 01:30）"},
        {"Asia/Tokyo", "Tue, 08 Dec 2026 23:30:00 +0000", "（12/9 08:30）"},
        {"UTC", "Tue, 08 Dec 2026 10:30:00 JST", "（12/8 01:30）"},
        {"UTC", "Tue, 08 Dec 2026 10:30:00 EST", "（12/8 15:30）"},
        {"UTC", "Tue, 8 Dec 2026 10:30 +0900", "（12/8 01:30）"},
        {"UTC", "8 Dec 2026 10:30:00 UT", "（12/8 10:30）"},
        {"UTC", "08 Dec 26 10:30 GMT", "（12/8 10:30）"},
        {"Asia/Tokyo", " Tue, 08 Dec 2026 10:30:00 \n", "（12/8 10:30）"}, // no zone: as written
        {"America/New_York", "Sun, 01 Mar 2026 12:00:00 GMT", "（3/1 07:00）"},
        // ISO 8601 / W3C-DTF as dc:date, updated and published write it.
        {"UTC", "2026-12-08T10:30:00+09:00", "（12/8 01:30）"},
        {"Asia/Tokyo", "2026-12-08T01:30Z", "（12/8 10:30）"},
        {"Asia/Tokyo", "2026-12-31T20:00:00-05:00", "（1/1 10:00）"},
        {"UTC", "2026-12-08T10:30:15.123+0900", "（12/8 01:30）"},
        {"UTC", "2026-12-08 10:30:15", "（12/8 10:30）"},
        {"Asia/Tokyo", "2026-12-08T10:30", "（12/8 10:30）"},
        {"UTC", "2024-02-29T00:00Z", "（2/29 00:00）"},
        {"Asia/Tokyo", "2026-12-08", "（12/8）"},
        // Not dates.
        {"UTC", "", ""},
        {"UTC", "yesterday", ""},
        {"UTC", "2026-13-01", ""},
        {"UTC", "2026-02-29T10:00Z", ""},
        {"UTC", "2026-12-08T24:00Z", ""},
        {"UTC", "2026-12-08T10:60Z", ""},
        {"UTC", "2026-12-08T10:30+25:00", ""},
        {"UTC", "2026-12", ""},
        {"UTC", "Tue, 32 Dec 2026 10:00 GMT", ""},
        {"UTC", "Tue, 08 Foo 2026 10:00 GMT", ""},
        {"UTC", "99999-12-08T10:00Z", ""},
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone(c.zone);
        EXPECT_EQ(utf8(FeedDateStamp(c.date)), c.stamp) << c.date << " in " << c.zone;
    }
}

TEST(FeedReader, ItemsTakeTheirDateFromWhicheverElementHoldsIt) {
    ScopedTimeZone tokyo("Asia/Tokyo");
    struct Case {
        const char* elements;
        const char* title;
    } cases[] = {
        {"<pubDate>Tue, 08 Dec 2026 01:30:00 GMT</pubDate>", "見出し（12/8 10:30）"},
        {"<dc:date>2026-12-08T10:30:00+09:00</dc:date>", "見出し（12/8 10:30）"},
        {"<published>2026-12-08T01:30:00Z</published>", "見出し（12/8 10:30）"},
        {"<updated>2026-12-08T01:30:00Z</updated>", "見出し（12/8 10:30）"},
        // Publication wins over a later update, whichever comes first.
        {"<updated>2026-12-09T01:30:00Z</updated><published>2026-12-08T01:30:00Z</published>",
         "見出し（12/8 10:30）"},
        {"<pubDate>garbage</pubDate><updated>2026-12-08T01:30:00Z</updated>",
         "見出し（12/8 10:30）"},
        // Feeds that put the other form in an element are still read.
        {"<pubDate>2026-12-08T10:30:00+09:00</pubDate>", "見出し（12/8 10:30）"},
        {"<pubDate>someday</pubDate>", "見出し"},
        {"", "見出し"},
    };
    for (const Case& c : cases) {
        Feed f = readBytes("<rss xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel><item>"
                           "<title>見出し</title><link>/a</link>" +
                           std::string(c.elements) + "</item></channel></rss>");
        EXPECT_EQ(f.titles, List{c.title}) << c.elements;
    }
}

TEST(FeedReader, LinksResolveAgainstTheFeedAndFallBackToTheSite) {
    struct Case {
        const char* item;
        const char* link;
    } cases[] = {
        {"<link>http://other.example.com/x.html</link>", "http://other.example.com/x.html"},
        {"<link>../n/1.html</link>", "http://www.example.jp/n/1.html"},
        {"<link>n/1.html#top</link>", "http://www.example.jp/rss/n/1.html"},
        {"<link>\n  /n/1.html\n</link>", "http://www.example.jp/n/1.html"},
        {"", "http://www.example.jp/"},
        {"<link></link>", "http://www.example.jp/"},
        {"<link>javascript:void(0)</link>", "http://www.example.jp/"},
        {"<link>mailto:news@example.jp</link>", "http://www.example.jp/"},
        // A permanent guid stands in for a missing link; a mere identifier does not.
        {"<guid>http://www.example.jp/g/1.html</guid>", "http://www.example.jp/g/1.html"},
        {"<guid isPermaLink=\"false\">http://www.example.jp/g/1.html</guid>",
         "http://www.example.jp/"},
        {"<guid>tag:example.jp,2026:1</guid>", "http://www.example.jp/"},
        // Atom: the alternate link, or one without rel; never self or enclosure.
        {"<link rel=\"self\" href=\"/self\"/><link rel=\"enclosure\" href=\"/e.mp3\"/>"
         "<link href=\"/n/3.html\"/>",
         "http://www.example.jp/n/3.html"},
        {"<link rel=\"alternate\" href=\"/n/4.html\"/><link href=\"/n/5.html\"/>",
         "http://www.example.jp/n/4.html"},
        {"<link rel=\"self\" href=\"/self\"/>", "http://www.example.jp/"},
    };
    for (const Case& c : cases) {
        Feed f = readBytes("<rss><channel><item><title>見出し</title>" + std::string(c.item) +
                           "</item></channel></rss>");
        EXPECT_EQ(f.links, List{c.link}) << c.item;
    }
}

TEST(FeedReader, TitlesAreCleanedAndItemsWithoutOneSkipped) {
    struct Case {
        const char* item;
        const char* title; // "-" when the item gives no headline
    } cases[] = {
        {"<title>  見出し\n\t続き  </title>", "見出し 続き"},
        {"<title>A &amp; B &lt;C&gt; &#x65E5;&#26412;</title>", "A & B <C> 日本"},
        {"<title><![CDATA[<b>太字</b> & 続き]]></title>", "<b>太字</b> & 続き"},
        {"<title>株価&nbsp;&hellip;下落&times;2</title>", "株価 …下落×2"},
        {"<title type=\"html\">&lt;b&gt;強調&lt;/b&gt; &amp;amp; 続き</title>", "強調 & 続き"},
        {"<title type=\"xhtml\"><div "
         "xmlns=\"http://www.w3.org/1999/xhtml\">X<b>Y</b></div></title>",
         "XY"},
        {"<title>一つ目</title><title>二つ目</title>", "一つ目"},
        {"<title></title>", "-"},
        {"<title> \n </title>", "-"},
        {"<link>/a</link>", "-"},
        // A title inside another element of the item is not the item's.
        {"<source><title>出典</title></source>", "-"},
    };
    for (const Case& c : cases) {
        Feed f = readBytes("<feed><entry><id>1</id></entry><entry>" + std::string(c.item) +
                           "</entry></feed>");
        List expected;
        if (std::string_view(c.title) != "-") expected.push_back(c.title);
        EXPECT_EQ(f.titles, expected) << c.item;
        EXPECT_EQ(f.links.size(), f.titles.size());
    }
}

TEST(FeedReader, LongTitlesAreCutAtACharacterBoundary) {
    for (const std::string& prefix : {std::string(), std::string("a")}) {
        std::string title = prefix;
        for (int i = 0; i < 5000; ++i)
            title += "日";
        Feed f = readBytes(rss2(rss2Item(title, "/a", "2026-12-08T10:30")));
        ASSERT_EQ(f.titles.size(), 1u);
        std::string got = sjis(f.titles[0]);
        const std::string stamp = sjis("（12/8 10:30）");
        ASSERT_TRUE(got.ends_with(stamp));
        got.resize(got.size() - stamp.size());
        EXPECT_LE(got.size(), kMaxFeedTitleBytes);
        EXPECT_GE(got.size(), kMaxFeedTitleBytes - 1);
        EXPECT_EQ(utf8(got), title.substr(0, prefix.size() + (got.size() - prefix.size()) / 2 * 3))
            << "cut inside a character";
    }
}

TEST(FeedReader, OnlyFeedsAreRead) {
    struct Case {
        std::string bytes;
        bool feed;
    } cases[] = {
        {"<rss><channel/></rss>", true},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?><rss/>", true},
        {"\n  <?xml version='1.0' encoding='Shift_JIS' ?>\n<!-- <html> -->\n"
         "<?xml-stylesheet href=\"a.xsl\" type=\"text/xsl\"?>\n"
         "<!DOCTYPE rdf:RDF [ <!ENTITY x \"a > b\"> <!-- ] > --> ]>\n"
         "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"/>",
         true},
        {"<feed xmlns=\"http://www.w3.org/2005/Atom\"/>", true},
        {"<atom:feed xmlns:atom=\"http://www.w3.org/2005/Atom\"/>", true},
        {"<!DOCTYPE html>\n<html><head><title>rss</title></head><body><rss></body></html>", false},
        {"<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"/>", false},
        {"<rssfeed/>", false},
        {"<feeds/>", false},
        {"rss", false},
        {"", false},
        {"<!-- never closed <rss>", false},
        {"<?xml version=\"1.0\"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LooksLikeFeed(c.bytes), c.feed) << c.bytes;
        EXPECT_EQ(readBytes(c.bytes).isFeed, c.feed) << c.bytes;
    }
    // A long page is turned down from its start.
    std::string page = "<html><body>" + std::string(16 * 1024 * 1024, 'x') + "<rss>";
    Feed f = readBytes(page);
    EXPECT_FALSE(f.isFeed);
    EXPECT_TRUE(f.titles.empty());
}

TEST(FeedReader, MalformedOrCutFeedsGiveTheItemsBeforeTheFault) {
    const std::string good = rss2Item("一", "/1") + rss2Item("二", "/2");
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"cut inside an item", "<rss><channel>" + good + "<item><title>三"},
        {"cut after the title", "<rss><channel>" + good + "<item><title>三</title>"},
        {"crossed tags", "<rss><channel>" + good + "<item><title>三</link></item>" +
                             rss2Item("四") + "</channel></rss>"},
        {"undeclared entity", "<rss><channel>" + good + "<item><title>&bogus;</title></item>" +
                                  rss2Item("四") + "</channel></rss>"},
        {"stray markup", "<rss><channel>" + good + "<<<>>>" + rss2Item("四") + "</channel></rss>"},
        {"a second root", "<rss><channel>" + good + "</channel></rss><rss><channel>" +
                              rss2Item("四") + "</channel></rss>"},
        {"a NUL byte",
         "<rss><channel>" + good + std::string(1, '\0') + rss2Item("四") + "</channel></rss>"},
    };
    for (const Case& c : cases) {
        Feed f = readBytes(c.bytes);
        EXPECT_TRUE(f.isFeed) << c.name;
        EXPECT_EQ(f.titles, (List{"一", "二"})) << c.name;
    }

    // Cut anywhere, a feed gives a start of its full list.
    const std::string full =
        convert(rss2(good + rss2Item("三", "/3", "2026-12-08T10:30"), "EUC-JP"), "EUC-JP-MS");
    const List all = readBytes(full).titles;
    ASSERT_EQ(all.size(), 3u);
    for (size_t n = 0; n <= full.size(); ++n) {
        List got = readBytes(std::string_view(full).substr(0, n)).titles;
        ASSERT_LE(got.size(), all.size()) << n;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), all.begin())) << n;
    }
}

TEST(FeedReader, BytesOutsideTheCodeCostOnlyTheirOwnCharacter) {
    struct Case {
        const char* declared;
        const char* iconvCode;
        std::string bad;
    } cases[] = {
        {"UTF-8", "UTF-8", "\xFF"},          {"UTF-8", "UTF-8", "\xE6\x97"}, // cut short
        {"Shift_JIS", "CP932", "\xFD"},      {"Shift_JIS", "CP932", "\x81\x20"},
        {"EUC-JP", "EUC-JP-MS", "\xFF\xFF"},
    };
    for (const Case& c : cases) {
        std::string feed = convert(
            rss2(rss2Item("一") + rss2Item("二@") + rss2Item("三"), c.declared), c.iconvCode);
        Feed f = readBytes(replaceAll(feed, "@", c.bad));
        ASSERT_EQ(f.titles.size(), 3u) << c.declared << " " << c.bad;
        EXPECT_EQ(f.titles[0], "一");
        EXPECT_TRUE(f.titles[1].starts_with("二")) << f.titles[1];
        EXPECT_EQ(f.titles[2], "三");
    }
}

TEST(FeedReader, HostileFeedsEndQuicklyWithBoundedOutput) {
    // Entities that expand a billion-fold.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a0 \"lol\">";
    for (int i = 1; i <= 9; ++i)
        laughs += "<!ENTITY a" + std::to_string(i) + " \"" + [&] {
            std::string ten;
            for (int k = 0; k < 10; ++k)
                ten += "&a" + std::to_string(i - 1) + ";";
            return ten;
        }() + "\">";
    laughs += "]><rss><channel>" + rss2Item("前") + "<item><title>&a9;</title></item>" +
              rss2Item("後") + "</channel></rss>";
    Feed f = readBytes(laughs);
    EXPECT_TRUE(f.isFeed);
    ASSERT_FALSE(f.titles.empty());
    EXPECT_EQ(f.titles[0], "前");
    for (const std::string& t : f.titles)
        EXPECT_LE(sjis(t).size(), kMaxFeedTitleBytes);

    // Nesting a hundred thousand levels deep inside an item, and after one.
    std::string deep = "<rss><channel>" + rss2Item("浅い") + "<item><title>深い";
    for (int i = 0; i < 100000; ++i)
        deep += "<x>";
    deep += "</title></item>" + rss2Item("後") + "</channel></rss>";
    EXPECT_EQ(readBytes(deep).titles, List{"浅い"});

    // A hundred thousand items.
    std::string many = "<rss><channel>";
    for (int i = 0; i < 100000; ++i)
        many += "<item><title>見出し" + std::to_string(i) + "</title><link>/" + std::to_string(i) +
                "</link></item>";
    many += "</channel></rss>";
    f = readBytes(many);
    ASSERT_EQ(f.titles.size(), kMaxFeedItems);
    EXPECT_EQ(f.titles.back(), "見出し" + std::to_string(kMaxFeedItems - 1));
    EXPECT_EQ(f.links.size(), kMaxFeedItems);

    // One endless title.
    f = readBytes(rss2(rss2Item(std::string(8 * 1024 * 1024, 'x'), "/a")));
    ASSERT_EQ(f.titles.size(), 1u);
    EXPECT_EQ(f.titles[0].size(), kMaxFeedTitleBytes);

    // Aborted before it starts: recognised, nothing read.
    std::atomic<bool> aborting{true};
    f = readBytes(many, &aborting);
    EXPECT_TRUE(f.isFeed);
    EXPECT_TRUE(f.titles.empty());
}

TEST(FeedReader, BlocksCutAnywhereGiveTheSameItems) {
    const std::string items = rss2Item("新駅の開業日が決定～①", "/n/1.html", "2026-04-12T09:05") +
                              "<!-- " + std::string(300, 'c') + " -->" +
                              rss2Item("<![CDATA[遠隔ロボット]]>&amp;調査", "/n/2.html");
    struct Case {
        const char* declared;
        const char* iconvCode;
        std::string bom;
        bool labelled = true;
    } cases[] = {
        {"Shift_JIS", "CP932", ""},
        {"EUC-JP", "EUC-JP-MS", ""},
        {"UTF-8", "UTF-8", "\xEF\xBB\xBF"},
        {"UTF-16", "UTF-16LE", "\xFF\xFE"},
        {"UTF-16", "UTF-16BE", "\xFE\xFF"},
        // Mislabelled: the bytes are garbage in the declared code, the
        // same garbage however they are cut.
        {"ISO-2022-JP", "CP932", "", false},
        {"EUC-JP", "CP932", "", false},
        {"Shift_JIS", "EUC-JP-MS", "", false},
        {"UTF-8", "EUC-JP-MS", "", false},
        {"UTF-8", "CP932", "", false},
    };
    for (const Case& c : cases) {
        std::string bytes = c.bom + convert("  " + rss2(items, c.declared), c.iconvCode);
        List whole, wholeLinks;
        ASSERT_TRUE(ReadFeed(bytes, kFeedUrl, kSiteUrl, whole, wholeLinks, nullptr));
        if (c.labelled) {
            EXPECT_EQ(utf8(whole),
                      (List{"新駅の開業日が決定～①（4/12 09:05）", "遠隔ロボット&調査"}))
                << c.declared;
        }
        for (size_t block : {1, 2, 3, 5, 7, 64, 333}) {
            List titles, links;
            ASSERT_TRUE(ReadFeedInBlocks(bytes, block, kFeedUrl, kSiteUrl, titles, links, nullptr));
            EXPECT_EQ(titles, whole) << c.iconvCode << " in blocks of " << block;
            EXPECT_EQ(links, wholeLinks) << c.iconvCode << " in blocks of " << block;
        }
    }

    // The XML reader must see the same faults whatever the cuts.
    const std::string odd[] = {
        "<rss><channel>" + rss2Item("一") + "<item><title>a]]>b</title></item>" + rss2Item("三") +
            "</channel></rss>",
        "<rss><channel>" + rss2Item("一", "/a?x=1&amp;y=2") +
            "<item><title x=\"1>2\">二&#x4E09;</title></item></channel></rss>",
        "<rss><channel>\r\n" + rss2Item("一\r\n二") + "<!-- a -- b -->" + rss2Item("三") +
            "</channel></rss>",
    };
    for (const std::string& bytes : odd) {
        List whole, wholeLinks;
        ASSERT_TRUE(ReadFeed(bytes, kFeedUrl, kSiteUrl, whole, wholeLinks, nullptr));
        for (size_t block : {1, 2, 3, 5, 7, 64}) {
            List titles, links;
            ReadFeedInBlocks(bytes, block, kFeedUrl, kSiteUrl, titles, links, nullptr);
            EXPECT_EQ(titles, whole) << bytes << " in blocks of " << block;
        }
    }
}

TEST(FeedReader, FilesAreReadInBlocksWithoutLosingCharacters) {
    testsupport::TempDir dir;
    // Several blocks of two-byte characters at every offset, so some are cut
    // by a block's end.
    std::string items;
    List expected;
    for (int i = 0; i < 5000; ++i) {
        std::string title =
            std::string(static_cast<size_t>(i % 3), 'a') + "記事～ｶﾅ" + std::to_string(i);
        if (expected.size() < kMaxFeedItems) expected.push_back(title);
        items += rss2Item(title, "/n/" + std::to_string(i) + ".html");
    }
    struct Case {
        const char* declared;
        const char* iconvCode;
    } cases[] = {{"Shift_JIS", "CP932"},
                 {"EUC-JP", "EUC-JP-MS"},
                 {"ISO-2022-JP", "ISO-2022-JP"},
                 {"UTF-8", "UTF-8"},
                 {"UTF-16", "UTF-16"}};
    for (const Case& c : cases) {
        std::string text = rss2(items, c.declared);
        std::string bytes;
        if (std::string_view(c.declared) == "ISO-2022-JP") {
            // iconv writes neither ～ nor half-width katakana in ISO-2022-JP: the
            // wave dash reads back as ～, and the katakana set is written here.
            bytes = convert(replaceAll(replaceAll(text, "～", "〜"), "ｶﾅ", "@KANA@"), c.iconvCode);
            bytes = replaceAll(bytes, "@KANA@", "\x1B(I6E\x1B(B");
        } else {
            bytes = convert(text, c.iconvCode);
        }
        ASSERT_GT(bytes.size(), 3 * 64 * 1024u) << c.declared;
        std::string path = dir.write("feed.html", bytes);
        List titles, links;
        ASSERT_TRUE(ReadFeedFile(path, kSiteUrl, titles, links, nullptr)) << c.declared;
        EXPECT_EQ(utf8(titles), expected) << c.declared;
        ASSERT_EQ(links.size(), expected.size());
        EXPECT_EQ(links[999], "http://www.example.jp/n/999.html");
    }
}

TEST(FeedReader, FilesThatAreNoFeedOrNoRegularFileAreNotRead) {
    testsupport::TempDir dir;
    List titles, links;
    EXPECT_FALSE(ReadFeedFile(dir.file("missing.html"), kSiteUrl, titles, links, nullptr));
    std::string page = dir.write("page.html", "<html><body>見出し（12/8）</body></html>");
    EXPECT_FALSE(ReadFeedFile(page, kSiteUrl, titles, links, nullptr));
    // A FIFO with no writer would block a plain read for ever.
    std::string fifo = dir.file("fifo.html");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadFeedFile(fifo, kSiteUrl, titles, links, nullptr));
    EXPECT_TRUE(titles.empty());

    // Past the download's cap nothing is read, however long the file.
    std::string huge = "<rss><channel>" + rss2Item("前") + "<!--" +
                       std::string(static_cast<size_t>(kMaxFeedFileBytes), ' ') + "-->" +
                       rss2Item("後") + "</channel></rss>";
    ASSERT_TRUE(ReadFeedFile(dir.write("huge.html", huge), kSiteUrl, titles, links, nullptr));
    EXPECT_EQ(utf8(titles), List{"前"});
    titles.clear();
    links.clear();

    // With its own URL, a feed's links resolve against that.
    std::string feed = dir.write("feed.html", rss2(rss2Item("見出し", "n/1.html")));
    ASSERT_TRUE(ReadFeedFile(feed, "http://www.example.jp/rss/", kSiteUrl, titles, links, nullptr));
    EXPECT_EQ(links, List{"http://www.example.jp/rss/n/1.html"});
}
