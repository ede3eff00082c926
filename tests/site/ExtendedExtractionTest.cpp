// Pages that today's front pages print, read with the extended rules and
// with the exact ones, which must go on reading them as they always did.

#include "engine/html/zelHtml.h"
#include "engine/site/HeadlineExtractor.h"

#include "tests/site/SiteTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using List = std::vector<std::string>;

namespace {

const std::string kSite = "http://www.example.jp/";

struct Outcome {
    List titles{}, links{}, pending{};
};

bool operator==(const Outcome& a, const Outcome& b) {
    return a.titles == b.titles && a.links == b.links && a.pending == b.pending;
}

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    auto list = [&](const char* name, const List& l) {
        out << name << ": [";
        for (const std::string& s : l)
            out << '"' << s << "\" ";
        out << "] ";
    };
    list("titles", o.titles);
    list("links", o.links);
    list("pending", o.pending);
    return out;
}

// A page written in UTF-8, read in Shift_JIS; titles come back in UTF-8.
Outcome extract(const std::string& page, bool extended) {
    Outcome o;
    List items;
    zelHtml html;
    html.LoadItemsFromBytes(sjis("<meta charset=shift_jis>" + page), items);
    HeadlineExtractor extractor(kBase, kSite, o.titles, o.links, o.pending);
    extractor.SetExtended(extended);
    extractor.Extract(items);
    o.titles = utf8(o.titles);
    return o;
}

struct Case {
    const char* what;
    std::string page;
    Outcome exact, extended;
};

void check(const Case& c) {
    EXPECT_EQ(extract(c.page, false), c.exact) << c.what;
    EXPECT_EQ(extract(c.page, true), c.extended) << c.what;
}

const Outcome kNothing{};

} // namespace

TEST(ExtendedExtraction, JapaneseAndFullWidthStamps) {
    const Case cases[] = {
        {"a date in Japanese",
         "<body><ul><li><a href=\"/n/1.htm\">新駅の開業日が決定</a>（4月12日）</li></ul>",
         kNothing,
         {{"・新駅の開業日が決定（4月12日）"}, {"http://www.example.jp/n/1.htm"}}},
        {"an edition after the date",
         "<body><p><a href=\"2.htm\">夕刊の記事</a>（3月17日 夕刊）</p>",
         kNothing,
         {{"夕刊の記事（3月17日 夕刊）"}, {"http://www.example.jp/news/2.htm"}}},
        {"a year before the date",
         "<body><p>年のある記事（2018年3月17日）</p>",
         kNothing,
         {{"年のある記事（2018年3月17日）"}, {kSite}}},
        {"a bare date and time, then the word for delivered",
         "<body><p>配信の記事…3月17日 10時05分配信</p>",
         kNothing,
         {{"配信の記事…3月17日 10時05分配信"}, {kSite}}},
        {"updated and announced end a block too",
         "<body><p>更新の記事 12/25 10:30 更新</p><p>発表の記事 4月1日発表</p>",
         kNothing,
         {{"更新の記事 12/25 10:30 更新", "発表の記事 4月1日発表"}, {kSite, kSite}}},
        {"other words after a bare stamp still do not",
         "<body><p>夕刊の記事 3月17日 夕刊</p><p>配信 12/25 配信済み</p>", kNothing, kNothing},
        {"full-width digits, slash and colon",
         "<body><p>全角の記事（３月１７日）</p><p>全角の時刻［１２/８ １０：３０］</p>"
         "<p>全角の区切り（１２／２５）</p>",
         kNothing,
         {{"全角の記事（３月１７日）", "全角の時刻［１２/８ １０：３０］",
           "全角の区切り（１２／２５）"},
          {kSite, kSite, kSite}}},
        {"a full-width bracket closed by an ASCII one and the other way round",
         "<body><p>複合（01:11)</p><p>逆の複合 (01:12）</p>",
         kNothing,
         {{"複合（01:11)", "逆の複合 (01:12）"}, {kSite, kSite}}},
        {"a month alone, or out of range, is no stamp",
         "<body><p>忘年会の季節（12月）</p><p>忘年会 12月</p><p>存在しない日（13月1日）</p>"
         "<p>三十二日（1月32日）</p>",
         kNothing, kNothing},
        {"the ASCII stamps read as before",
         "<body><p><a href=\"a.html\">見出し</a>（12/25 10:30）</p><p>見出し二 12/25</p>",
         {{"見出し（12/25 10:30）", "見出し二 12/25"},
          {"http://www.example.jp/news/a.html", kSite}},
         {{"見出し（12/25 10:30）", "見出し二 12/25"},
          {"http://www.example.jp/news/a.html", kSite}}},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, TheHeadlineKeepsItsOwnLink) {
    const Case cases[] = {
        {"a topic after the stamp",
         "<body>・<a href=\"/n/2.htm\">遠隔ロボットが建屋内を調査</a>（4月18日 01:28）"
         "<a href=\"/topic/7/\">原発</a><br>",
         {{"・遠隔ロボットが建屋内を調査（4月18日 01:28）原発"},
          {"http://www.example.jp/topic/7/"}},
         {{"・遠隔ロボットが建屋内を調査（4月18日 01:28）"}, {"http://www.example.jp/n/2.htm"}}},
        {"a block whose only anchor is the topic",
         "<body><p>見出しだけの文（4月18日 01:28）<a href=\"/topic/7/\">原発</a></p>",
         {{"見出しだけの文（4月18日 01:28）原発"}, {"http://www.example.jp/topic/7/"}},
         {{"見出しだけの文（4月18日 01:28）原発"}, {"http://www.example.jp/topic/7/"}}},
        {"a category before the headline stays in the title",
         "<body><p><a href=\"/cat/\">経済</a>：<a href=\"/n/3\">円相場が続落</a> (1/2) "
         "<a href=\"/more\">続き</a></p>",
         {{"経済：円相場が続落(1/2)続き"}, {"http://www.example.jp/more/"}},
         {{"経済：円相場が続落(1/2)"}, {"http://www.example.jp/n/3/"}}},
        {"the first of equally long anchors",
         "<body><p><a href=\"/a\">同じ</a><a href=\"/b\">長さ</a> (1/2)</p>",
         {{"同じ長さ(1/2)"}, {"http://www.example.jp/b/"}},
         {{"同じ長さ(1/2)"}, {"http://www.example.jp/a/"}}},
        {"a bare stamp followed by a topic",
         "<body><p><a href=\"/n/4\">見出し四</a> 4/18 <a href=\"/t\">話題</a></p>",
         kNothing,
         {{"見出し四4/18"}, {"http://www.example.jp/n/4/"}}},
        {"a topic that is the longest anchor keeps the block's link and words",
         "<body><p><a href=\"/n/5\">短</a> (4/18) <a href=\"/t/5\">長い話題の名前</a></p>",
         {{"短(4/18)長い話題の名前"}, {"http://www.example.jp/t/5/"}},
         {{"短(4/18)長い話題の名前"}, {"http://www.example.jp/t/5/"}}},
        {"a picture link before the headline's own",
         "<body><p><a href=\"/p\"><img src=x.png></a><a href=\"/n/6\">写真付き</a> (4/18)</p>",
         {{"写真付き(4/18)"}, {"http://www.example.jp/n/6/"}},
         {{"写真付き(4/18)"}, {"http://www.example.jp/n/6/"}}},
        {"the longest anchor's link even when it is no web link",
         "<body><p><a href=\"javascript:open()\">長い見出しの記事</a> (4/18) "
         "<a href=\"/t\">話題</a></p>",
         {{"長い見出しの記事(4/18)話題"}, {"http://www.example.jp/t/"}},
         {{"長い見出しの記事(4/18)"}, {kSite}}},
        {"a scheme in capitals, as browsers take it",
         "<body><p><a href=\"HTTP://News.Example.JP/n/8\">大文字の見出し</a> (4/18)</p>"
         "<p><a href=\"Https://news.example.jp/n/9\">混在の見出し</a> (4/18)</p>",
         {{"大文字の見出し(4/18)", "混在の見出し(4/18)"}, {kSite, kSite}},
         {{"大文字の見出し(4/18)", "混在の見出し(4/18)"},
          {"http://News.Example.JP/n/8", "https://news.example.jp/n/9"}}},
        {"cells: a topic in a later cell is a block of its own",
         "<body><table><tr><td><a href=\"/n/7\">表の見出し</a></td><td>(4/18)</td>"
         "<td><a href=\"/t\">話題</a></td></tr></table>",
         {{"表の見出し (4/18)"}, {"http://www.example.jp/n/7/"}},
         {{"表の見出し (4/18)"}, {"http://www.example.jp/n/7/"}}},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, CardLayoutsAndJapaneseBrackets) {
    ScopedTimeZone tokyo("Asia/Tokyo");
    const std::string n1 = "http://www.example.jp/n/1.htm", n2 = "http://www.example.jp/n/2.htm";
    const Case cases[] = {
        {"a heading, then a time element whose text is a link and no stamp",
         "<body><article><h2><a href=\"/n/1.htm\">新駅の開業日が決定</a></h2>"
         "<div class=\"meta\"><time datetime=\"2018-03-17T19:00:00+09:00\">"
         "<a href=\"/n/1.htm\">2018.03.17</a></time></div></article>"
         "<article><h2><a href=\"/n/2.htm\">二つ目の記事</a></h2>"
         "<div><a href=\"/n/2.htm\"><time datetime=\"2018-03-16T08:05+09:00\">3時間前</time></a>"
         "</div></article>",
         kNothing,
         {{"新駅の開業日が決定 （3/17 19:00）", "二つ目の記事 （3/16 08:05）"}, {n1, n2}}},
        {"a card wrapped in its link after other text, and a summary before the date",
         "<body><div class=nav><a href=\"/\">ホーム</a></div><section>"
         "<a class=card href=\"/n/1.htm\"><div class=img><img src=a.jpg></div><h2>一つ目</h2>"
         "<time datetime=\"2018-03-17T19:00:00+09:00\">3時間前</time></a>"
         "<article><h3><a href=\"/n/2.htm\">二つ目</a></h3><p>要約の文。</p>"
         "<div><time datetime=\"2018-03-17T10:05:00+09:00\">2018.03.17</time></div></article>",
         kNothing,
         {{"一つ目 （3/17 19:00）", "二つ目 （3/17 10:05）"}, {n1, n2}}},
        {"a paragraph after a linked heading, then a headline of its own",
         "<body><div><h2><a href=\"/news/\">ニュース一覧</a></h2><p>本日の主なニュース</p>"
         "<p><a href=\"/n/1.htm\">記事</a>（3/17）</p></div>",
         {{"記事（3/17）"}, {n1}},
         {{"記事（3/17）"}, {n1}}},
        {"a time element whose text is a stamp keeps it",
         "<body><div class=card><h3><a href=\"/n/1.htm\">見出し</a></h3>"
         "<div><time datetime=\"2018-03-17\">3月17日</time></div></div>",
         kNothing,
         {{"見出し 3月17日"}, {n1}}},
        {"a date before each heading is no stamp of the card before it",
         "<body><div class=card><div class=date>3/17</div><h2><a "
         "href=\"/n/1.htm\">一</a></h2></div>"
         "<div class=card><div class=date>3/18</div><h2><a href=\"/n/2.htm\">二</a></h2></div>",
         kNothing, kNothing},
        {"a list of dates, each before its headline, pairs no headline with the next date",
         "<body><dl><dt>平成30年3月17日</dt><dd><a href=\"/n/1.htm\">一</a></dd>"
         "<dt>平成30年3月16日</dt><dd><a href=\"/n/2.htm\">二</a></dd></dl>"
         "<div><div class=date>(3/15)</div><div><a href=\"/n/1.htm\">三</a></div>"
         "<div class=date>(3/14)</div><div><a href=\"/n/2.htm\">四</a></div></div>",
         {{"平成30年3月17日一平成30年3月16日二(3/15)三(3/14)四"}, {n2}},
         kNothing},
        {"a full date in Japanese brackets after the link",
         "<body><p><a href=\"/n/1.htm\">隅付きの見出し</a>【2018年3月14日】</p>"
         "<p><a href=\"/n/2.htm\">亀甲の見出し</a>〔3月14日〕</p>"
         "<p><a href=\"/n/1.htm\">二重山の見出し</a>《2018年3月14日 10:05》</p>"
         "<p><a href=\"/n/2.htm\">角の見出し</a>［2018年3月14日］</p>",
         kNothing,
         {{"隅付きの見出し【2018年3月14日】", "亀甲の見出し〔3月14日〕",
           "二重山の見出し《2018年3月14日 10:05》", "角の見出し［2018年3月14日］"},
          {n1, n2, n1, n2}}},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, CardTitlesInParagraphsTakeTheDateAfterThem) {
    ScopedTimeZone tokyo("Asia/Tokyo");
    const std::string n1 = "http://www.example.jp/n/1.htm", n2 = "http://www.example.jp/n/2.htm";
    const Case cases[] = {
        {"a title paragraph, then a date paragraph",
         "<body><article><p class=title><a href=\"/n/1.htm\">新駅の開業日が決定</a></p>"
         "<p class=date>3月15日 10:00</p></article>",
         kNothing,
         {{"新駅の開業日が決定 3月15日 10:00"}, {n1}}},
        {"a card's link around its title paragraph and a time; then a title div",
         "<body><article><a href=\"/n/1.htm\"><p>一つ目の記事</p></a><div class=date>"
         "<time datetime=\"2018-03-17T19:00:00+09:00\">3時間前</time></div></article>"
         "<article><div class=title><a href=\"/n/2.htm\">二つ目の記事</a></div>"
         "<div class=date>2018年3月16日</div></article>",
         kNothing,
         {{"一つ目の記事 （3/17 19:00）", "二つ目の記事 2018年3月16日"}, {n1, n2}}},
        {"dates printed before their titles date the next one",
         "<body><p>(3/15)</p><p><a href=\"/n/1.htm\">三</a></p>"
         "<p>(3/14)</p><p><a href=\"/n/2.htm\">四</a></p>",
         kNothing, kNothing},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, DatesInDotsAfterAYear) {
    const std::string n1 = "http://www.example.jp/n/1.htm", n2 = "http://www.example.jp/n/2.htm";
    const Case cases[] = {
        {"after the link, bare or in brackets",
         "<body><ul><li><a href=\"/n/1.htm\">ドットの見出し</a> 2018.03.17</li>"
         "<li><a href=\"/n/2.htm\">括弧のドット</a>（2018.3.16 10:05）</li></ul>",
         {{"・括弧のドット（2018.3.16 10:05）"}, {n2}},
         {{"・ドットの見出し2018.03.17", "・括弧のドット（2018.3.16 10:05）"}, {n1, n2}}},
        {"in the block after a card's heading",
         "<body><article><h2><a href=\"/n/1.htm\">カードの見出し</a></h2>"
         "<div class=date>2018.03.15</div></article>",
         kNothing,
         {{"カードの見出し 2018.03.15"}, {n1}}},
        {"decimals, versions and a thirteenth month are no dates",
         "<body><p>成長率は 2.5</p><p>版の番号 11.2.5</p><p>存在しない 2018.13.01</p>", kNothing,
         kNothing},
        {"a date alone beside a list's bullet is none either",
         "<body><ul><li>2018.03.17</li><li>12/25</li></ul><ul><li type=square>10:30</li></ul>",
         {{"・12/25", "■10:30"}, {kSite, kSite}},
         kNothing},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, ACategoryLinkBeforeTheTimeIsNoPartOfTheHeadline) {
    ScopedTimeZone tokyo("Asia/Tokyo");
    const std::string n1 = "http://www.example.jp/n/1.htm";
    const Case cases[] = {
        {"after the heading's summary",
         "<body><article><h2><a href=\"/n/1.htm\">新駅の開業日が決定</a></h2><p>要約の文。</p>"
         "<div class=meta><a href=\"/cat/keizai/\">経済</a>"
         "<time datetime=\"2018-03-17T19:00:00+09:00\">3月17日</time></div></article>",
         kNothing,
         {{"新駅の開業日が決定 3月17日"}, {n1}}},
        {"longer than the title, and set apart from the time",
         "<body><article><h2><a href=\"/n/1.htm\">円相場が続落</a></h2><div class=meta>"
         "<a href=\"/cat/market/\">マーケット情報</a> | "
         "<time datetime=\"2018-03-17T10:05:00+09:00\">2018.03.17</time></div></article>",
         kNothing,
         {{"円相場が続落 （3/17 10:05）"}, {n1}}},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, DatesAloneAndParagraphsWithoutALinkAreNoHeadlines) {
    const std::string flash =
        "【速報】政府は本日午後の臨時閣議で、新しい交通網の整備計画を決定した。"
        "計画は今後十年で全国の主要都市を結ぶ高速鉄道の延伸と、地方の路線"
        "バス網の再編を柱としている。（3月17日 19:00）";
    const Case cases[] = {
        {"the page's date line",
         "<body><p>最終更新：2018年3月17日 10:05</p><p>平成30年3月17日</p>",
         {{"最終更新：2018年3月17日 10:05"}, {kSite}},
         kNothing},
        {"an era date, even with a link",
         "<body><p><a href=\"/archive/\">令和元年5月1日</a></p>"
         "<p><a href=\"/archive/\">平成30年 3/17 19:00</a></p>",
         {{"平成30年 3/17 19:00"}, {"http://www.example.jp/archive/"}},
         kNothing},
        {"a news flash paragraph without a link of its own",
         "<body><p>" + flash + "</p>",
         {{flash}, {kSite}},
         kNothing},
        {"a short text without a link still is one",
         "<body><p>短い速報の見出し（3月17日 19:00）</p>",
         {{"短い速報の見出し（3月17日 19:00）"}, {kSite}},
         {{"短い速報の見出し（3月17日 19:00）"}, {kSite}}},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, BaseHrefSetsTheBaseOfThePagesLinks) {
    const Case cases[] = {
        {"an absolute base",
         "<head><base href=\"http://other.example/x/\"></head>"
         "<body><a href=\"a.htm\">見出し</a> (1/2)<br><a href=\"/b.htm\">二</a> (1/3)<br>",
         {{"見出し(1/2)", "二(1/3)"},
          {"http://www.example.jp/news/a.htm", "http://www.example.jp/b.htm"}},
         {{"見出し(1/2)", "二(1/3)"},
          {"http://other.example/x/a.htm", "http://other.example/b.htm"}}},
        {"a relative base, and only the first counts",
         "<head><BASE HREF=\"/y/\"><base href=\"http://third.example/\"></head>"
         "<body><a href=\"a.htm\">見出し</a> (1/2)<br>",
         {{"見出し(1/2)"}, {"http://www.example.jp/news/a.htm"}},
         {{"見出し(1/2)"}, {"http://www.example.jp/y/a.htm"}}},
        {"a base that is no web address is ignored",
         "<head><base href=\"javascript:void(0)\"><base target=_blank></head>"
         "<body><a href=\"a.htm\">見出し</a> (1/2)<br>",
         {{"見出し(1/2)"}, {"http://www.example.jp/news/a.htm"}},
         {{"見出し(1/2)"}, {"http://www.example.jp/news/a.htm"}}},
        {"frames resolve against it too",
         "<head><base href=\"http://other.example/x/\"></head><frameset><frame src=\"f.html\">",
         {{}, {}, {"http://www.example.jp/news/f.html"}},
         {{}, {}, {"http://other.example/x/f.html"}}},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, APageWithoutHeadlinesQueuesTheFeedItNames) {
    const Case cases[] = {
        {"an RSS feed in the head",
         "<head><link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss/a.xml#x\">"
         "</head><body><p>ようこそ</p>",
         kNothing,
         {{}, {}, {"http://www.example.jp/rss/a.xml"}}},
        {"an Atom feed in the body, the first of two",
         "<body><LINK REL=Alternate TYPE=\"Application/Atom+XML\" HREF=\"atom.xml\">"
         "<link rel=alternate type=application/rss+xml href=/second.xml><p>ようこそ</p>",
         {{}, {}, {}},
         {{}, {}, {"http://www.example.jp/news/atom.xml"}}},
        {"a page with its own stamps in today's forms does not",
         "<head><link rel=alternate type=application/rss+xml href=/rss.xml></head>"
         "<body><article><h2><a href=\"/n/1.htm\">カードの見出し</a></h2>"
         "<p class=date>【2018年3月14日】</p></article>",
         {{}, {}, {}},
         {{"カードの見出し 【2018年3月14日】"}, {"http://www.example.jp/n/1.htm"}}},
        {"a page with headlines does not",
         "<head><link rel=alternate type=application/rss+xml href=/rss.xml></head>"
         "<body><p>見出し (1/2)</p>",
         {{"見出し (1/2)"}, {kSite}},
         {{"見出し (1/2)"}, {kSite}}},
        {"other links are no feeds",
         "<head><link rel=stylesheet type=text/css href=a.css>"
         "<link rel=alternate type=text/html href=/en/>"
         "<link rel=alternate type=application/rss+xml href=\"mailto:x@example.jp\"></head>"
         "<body><p>ようこそ</p>",
         kNothing, kNothing},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(ExtendedExtraction, AFeedIsQueuedAfterTheFramesAndOnlyOnce) {
    Outcome o = extract("<head><link rel=alternate type=application/rss+xml href=/rss.xml>"
                        "<link rel=alternate type=application/rss+xml href=/rss.xml></head>"
                        "<frameset><frame src=top.html></frameset>",
                        true);
    EXPECT_EQ(o.pending,
              (List{"http://www.example.jp/news/top.html", "http://www.example.jp/rss.xml"}));
}

TEST(ExtendedExtraction, AFeedFileIsReadAsAFeedAndThenDeletedLikeAPage) {
    testsupport::TempDir dir;
    const std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<rss version=\"2.0\"><channel><title>ch</title>"
                             "<item><title>一つ目の見出し</title><link>n/1.htm</link></item>"
                             "<item><title>二つ目の見出し</title></item>"
                             "</channel></rss>";
    for (bool extended : {false, true}) {
        std::string cache = dir.write("site.html", feed);
        List titles, links, pending;
        HeadlineExtractor extractor(kBase, kSite, titles, links, pending);
        extractor.SetExtended(extended);
        extractor.ExtractFile(cache, false);
        if (extended) {
            EXPECT_EQ(utf8(titles), (List{"一つ目の見出し", "二つ目の見出し"}));
            EXPECT_EQ(links, (List{"http://www.example.jp/news/n/1.htm", kSite}));
        } else {
            EXPECT_TRUE(titles.empty()) << "a feed has no body";
        }
        EXPECT_TRUE(pending.empty());
        EXPECT_FALSE(std::filesystem::exists(cache)) << extended;
    }
}
