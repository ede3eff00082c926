#include "engine/html/zelHtml.h"
#include "engine/site/HeadlineExtractor.h"

#include "tests/site/SiteTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <malloc.h>

using List = std::vector<std::string>;

namespace {

struct Found {
    List titles, links, pending;
};

// Extracts from a page written in UTF-8, stored as Shift_JIS.
Found extractPage(const std::string& page, bool extended, const std::string& base = kBase) {
    Found e;
    List items;
    zelHtml html;
    html.LoadItemsFromBytes(
        sjis("<meta http-equiv=Content-Type content=\"text/html; charset=Shift_JIS\">" + page),
        items);
    HeadlineExtractor extractor(base, "http://www.example.jp/", e.titles, e.links, e.pending);
    extractor.SetExtended(extended);
    extractor.Extract(items);
    e.titles = utf8(e.titles);
    return e;
}

// These pages read the same under the exact and the extended rules.
class Extraction : public ::testing::TestWithParam<bool> {
protected:
    bool extended() const { return GetParam(); }
    Found extract(const std::string& page, const std::string& base = kBase) {
        return extractPage(page, extended(), base);
    }
    List titlesOf(const std::string& page) { return extract(page).titles; }
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Modes, Extraction, ::testing::Bool(), [](const auto& info) -> std::string {
    return info.param ? "Extended" : "Exact";
});

TEST_P(Extraction, HeadlinesKeepTheirStampInEveryBracketKind) {
    Found e = extract("<body>"
                      "<a href=\"a.html\">ニュース見出し</a>（12/25 10:30）<br>"
                      "<a href=\"/b.html\">見出し二</a> [12/25]<br>"
                      "見出し三 ＜12/25 11:00＞<br>"
                      "見出し四 〈10時30分〉</p>"
                      "<p>見出し五 12/25 10:30</p>"
                      "<p>12/25 見出し六</p>"
                      "</body>");
    // Items are trimmed and joined without a separator.
    EXPECT_EQ(e.titles,
              (List{"ニュース見出し（12/25 10:30）", "見出し二[12/25]", "見出し三 ＜12/25 11:00＞",
                    "見出し四 〈10時30分〉", "見出し五 12/25 10:30"}));
    EXPECT_EQ(e.links,
              (List{"http://www.example.jp/news/a.html", "http://www.example.jp/b.html",
                    "http://www.example.jp/", "http://www.example.jp/", "http://www.example.jp/"}));
}

TEST_P(Extraction, BlocksThatAreOnlyAStampOrABoilerplateWordAreRejected) {
    EXPECT_EQ(
        titlesOf(
            "<body><p>(12/25 10:30)</p><p>詳細&gt;&gt; (12/25)</p><p>更新：12/25 10:30</p>"
            "<p>Yahoo!ニュース-トピックス (12/25)</p><p>(13/40) 月が不正</p><p>見出し (24:00)</p>"
            "<p>本物 (23:59)</p>"),
        (List{"本物 (23:59)"}));
}

TEST_P(Extraction, TableCellsRunTogetherUntilACellEndFindsAStamp) {
    Found e = extract(
        "<body><table>"
        "<tr><td><a href=\"x/1.html\">見出しＡ</a></td><td>政治</td><td>(12/25 10:30)</td></tr>"
        "<tr><th>見出しＢ (12/25)</th><td>別のセル</td></tr>"
        "</table>");
    EXPECT_EQ(e.titles, (List{"見出しＡ 政治 (12/25 10:30)", "見出しＢ (12/25)"}));
    EXPECT_EQ(e.links, (List{"http://www.example.jp/news/x/1.html", "http://www.example.jp/"}));
}

TEST_P(Extraction, ListItemsAreNumberedOrBulleted) {
    EXPECT_EQ(
        titlesOf("<body><ol><li>一つ目 (1/2)<li>二つ目 (1/3)</ol>"
                 "<ul><li type=square>四角 (1/4)<li class=\"circle\">丸 (1/5)<li>点 (1/6)</ul>"
                 "<ol><li>再び (1/7)</ol>"),
        (List{"1一つ目 (1/2)", "2二つ目 (1/3)", "■四角 (1/4)", "○丸 (1/5)", "・点 (1/6)",
              "1再び (1/7)"}));
}

TEST_P(Extraction, OnlyHttpLinksAreKept) {
    Found e = extract("<body><a href=\"mailto:desk@example.jp\">連絡 (1/1)</a><br>"
                      "<a href=\"javascript:openWin('x.html')\">窓 (1/2)</a><br>"
                      "<a href=\"https://secure.example.jp/s.html#top\">安全 (1/3)</a><br>"
                      "<a href=\"ftp://f.example.jp/x\">転送 (1/4)</a><br>"
                      "<a href=\"../up/a%20b.html\">空白 (1/5)</a><br>");
    EXPECT_EQ(e.links, (List{"http://www.example.jp/", "http://www.example.jp/",
                             "https://secure.example.jp/s.html", "http://www.example.jp/",
                             "http://www.example.jp/up/a b.html"}));
}

TEST_P(Extraction, ScriptsCommentsAndTheHeadNeverGiveHeadlines) {
    EXPECT_EQ(titlesOf("<head><title>題名 (12/25)</title></head>"
                       "<body><script>document.write(\"偽の見出し (12/25)\");</script>"
                       "<!-- 隠れ見出し (12/25) -->"
                       "<SCRIPT language=javascript>var t = '別の偽 (12/26)';</SCRIPT>"
                       "本物 (12/27)<br></body>"
                       "後ろ (12/28)<br>"),
              (List{"本物 (12/27)"}));
}

TEST_P(Extraction, FramesAndRefreshQueuePagesInOrder) {
    Found e = extract(
        "<head><meta http-equiv=\"Refresh\" content=\"0; URL=../new/index.html#x\"></head>"
        "<frameset cols=\"20%,*\"><frame src=\"left.html\"><FRAME SRC=\"main/top%20page.html\">"
        "<frame name=empty></frameset>");
    EXPECT_TRUE(e.titles.empty());
    EXPECT_EQ(e.pending,
              (List{"http://www.example.jp/new/index.html", "http://www.example.jp/news/left.html",
                    "http://www.example.jp/news/main/top page.html"}));
}

TEST_P(Extraction, StopsWhenAborting) {
    List items{"<body>", "一 (1/1)", "<br>"}, titles, links, pending;
    std::atomic<bool> aborting{true};
    HeadlineExtractor extractor(kBase, kBase, titles, links, pending);
    extractor.SetExtended(extended());
    extractor.SetAborting(&aborting);
    extractor.Extract(items);
    EXPECT_TRUE(titles.empty());
}

TEST_P(Extraction, LongRunOnTablesStayFast) {
    std::string page = "<body><table><tr>";
    for (int i = 0; i < 40000; ++i)
        page += "<td>" + std::to_string(i % 10) + "</td>";
    // The extended rules take a long text without a link of its own for no headline.
    page += extended() ? "<td><a href=\"/n\">最後 (12/25)</a></td></tr></table>"
                       : "<td>最後 (12/25)</td></tr></table>";
    List titles = titlesOf(page);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_TRUE(titles[0].ends_with("最後 (12/25)"));
}

TEST_P(Extraction, ABlockStopsGrowingAtItsLimit) {
    std::string filler(HeadlineExtractor::kMaxBlockBytes / 2, 'x');
    // Two halves fit; the stamp after them does not.
    EXPECT_TRUE(titlesOf("<body>" + filler + "<b>" + filler + "<b>(12/25)<br>").empty());
    std::string link = extended() ? "<a href=\"/n\">" : "";
    ASSERT_EQ(titlesOf("<body>" + link + filler + "<b>(12/25)<br>").size(), 1u);
}

TEST_P(Extraction, DebugKeepsThePageAndWritesTheList) {
    testsupport::TempDir dir;
    const std::string page = sjis("<body><a href=\"a.html\">見出し</a> (12/25)<br>二 (1/2)<br>");
    std::string cache = dir.write("site.html", page);
    std::string list = dir.write("site.txt", "old list");
    List titles, links, pending;
    HeadlineExtractor extractor(kBase, "http://www.example.jp/", titles, links, pending);
    extractor.SetExtended(extended());
    extractor.ExtractFile(cache, true);
    EXPECT_EQ(testsupport::ReadAll(cache), page);
    EXPECT_EQ(testsupport::ReadAll(list),
              sjis("見出し(12/25)\thttp://www.example.jp/news/a.html\r\n"
                   "二 (1/2)\thttp://www.example.jp/\r\n"));
}

TEST_P(Extraction, WithoutDebugThePageIsDeletedAndAMissingPageDoesNothing) {
    testsupport::TempDir dir;
    std::string cache = dir.write("site.html", sjis("<body>一 (1/1)<br>"));
    List titles, links, pending;
    HeadlineExtractor extractor(kBase, kBase, titles, links, pending);
    extractor.SetExtended(extended());
    extractor.ExtractFile(cache, false);
    EXPECT_EQ(titles.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(cache));
    EXPECT_FALSE(std::filesystem::exists(dir.file("site.txt")));

    extractor.ExtractFile(dir.file("missing.html"), true);
    extractor.ExtractFile("", true);
    EXPECT_EQ(titles.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.txt")));
}

TEST_P(Extraction, AFileGivesWhatItsItemListGives) {
    testsupport::TempDir dir;
    const std::string page =
        sjis("<meta charset=shift_jis><frame src=f.html><body><ol><li><a href=a.html>一</a> "
             "(1/1)<li>二 (1/2)</ol><table><tr><td>三</td><td>(1/3)</td></tr></table>四 (1/4)");
    std::string cache = dir.write("site.html", page);
    Found fromFile, fromList;
    HeadlineExtractor file(kBase, kBase, fromFile.titles, fromFile.links, fromFile.pending);
    file.SetExtended(extended());
    file.ExtractFile(cache, false);
    List items;
    zelHtml html;
    html.LoadItemsFromBytes(page, items);
    HeadlineExtractor list(kBase, kBase, fromList.titles, fromList.links, fromList.pending);
    list.SetExtended(extended());
    list.Extract(items);
    EXPECT_EQ(fromFile.titles, fromList.titles);
    EXPECT_EQ(fromFile.links, fromList.links);
    EXPECT_EQ(fromFile.pending, fromList.pending);
    EXPECT_EQ(fromFile.titles.size(), 4u);
}

// The resident set's peak while a large page of short tags is extracted:
// the page itself, plus little more than one item at a time.
TEST_P(Extraction, AFileIsExtractedWithoutHoldingItsItems) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a sanitizer's shadow memory hides the figure";
#else
    testsupport::TempDir dir;
    constexpr size_t kPage = 16 * 1024 * 1024;
    std::string cache;
    {
        std::string page = "<body>";
        while (page.size() < kPage)
            page += "<b>";
        cache = dir.write("short-tags.html", page);
    }
    auto field = [](const char* name) {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.starts_with(name)) return std::stol(line.substr(std::strlen(name))) * 1024;
        return -1L;
    };
    // The page's memory goes back to the system, so that the extraction
    // cannot hide in it; then the peak is reset to the resident set.
    malloc_trim(0);
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        clear.close();
        if (!clear || field("VmHWM:") < 0) GTEST_SKIP() << "no peak resident set to read";
    }
    long before = field("VmRSS:");
    List titles, links, pending;
    HeadlineExtractor extractor(kBase, kBase, titles, links, pending);
    extractor.SetExtended(extended());
    extractor.ExtractFile(cache, false);
    long peak = field("VmHWM:") - before;
    EXPECT_LT(peak, static_cast<long>(2 * kPage + 8 * 1024 * 1024)) << peak / 1024 << " KB";
#endif
}
