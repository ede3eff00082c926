#include "platform/errors/LastError.h"
#include "platform/inet/Internet.h"

#include "tests/site/SitesFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <set>

using testsupport::HttpResponse;
using testsupport::PumpUntil;
using List = std::vector<std::string>;

TEST_F(Sites, AnUpdateFetchesTheFrontPageAndPutsAHeaderLineFirst) {
    server.Route("/front",
                 page("<a href=\"/n/1.html\">一つ目</a> (12/25 10:30)<br>二つ目 (12/25)<br>"));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("Sample", server.Url("/front"), 30, true);
    int updated = 0;
    sites.OnUpdated = [&](TNewsSites*) { ++updated; };
    ASSERT_TRUE(site->Update());
    EXPECT_TRUE(site->Busy);
    EXPECT_FALSE(site->Update()) << "busy";
    ASSERT_TRUE(idle(sites));
    ASSERT_EQ(site->Titles.size(), 3u);
    EXPECT_TRUE(std::regex_match(utf8(site->Titles[0]),
                                 std::regex(R"(\d{1,2}/\d{1,2}\(.+\) \d\d:\d\d - Sample - )")))
        << utf8(site->Titles[0]);
    EXPECT_EQ(utf8(List(site->Titles.begin() + 1, site->Titles.end())),
              (List{"一つ目(12/25 10:30)", "二つ目 (12/25)"}));
    EXPECT_EQ(site->Links,
              (List{server.Url("/front"), server.Url("/n/1.html"), server.Url("/front")}));
    EXPECT_EQ(site->GetTitle(3), "");
    EXPECT_EQ(site->GetLink(-1), "");
    EXPECT_EQ(updated, 1);
    EXPECT_EQ(site->Countdown, 0);
    EXPECT_FALSE(std::filesystem::exists(plugin() + "Sample.html"))
        << "the page is deleted without Debug";
}

TEST_F(Sites, DebugKeepsThePageAndItsHeadlineList) {
    server.Route("/front", page("一 (1/1)<br>"));
    TNewsSites sites(plugin());
    sites.SetDebug(true);
    TNewsSite* site = sites.Add("asahi", server.Url("/front"), 0, true);
    ASSERT_TRUE(site->Update());
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(site->CacheFile, plugin() + "asahi.html");
    EXPECT_TRUE(std::filesystem::exists(plugin() + "asahi.html"));
    EXPECT_EQ(testsupport::ReadAll(plugin() + "asahi.txt"),
              sjis("一 (1/1)\t" + server.Url("/front") + "\r\n"));
}

TEST_F(Sites, FramesAndRefreshPagesAreFetchedInTurnAndAppended) {
    server.Route("/frames",
                 {200, "<frameset><frame src=\"left.html\"><frame src=\"/main.html\"></frameset>"});
    server.Route("/left.html", page("左 (1/1)<br>"));
    server.Route("/main.html",
                 page("<meta http-equiv=refresh content=\"0;url=/last.html\">主 (1/2)<br>"));
    server.Route("/last.html", page("<a href=\"x.html\">後</a> (1/3)<br>"));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("frames", server.Url("/frames"), 0, true);
    ASSERT_TRUE(site->Update());
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(utf8(List(site->Titles.begin() + 1, site->Titles.end())),
              (List{"左 (1/1)", "主 (1/2)", "後(1/3)"}));
    EXPECT_EQ(site->Links.back(), server.Url("/x.html"));
    EXPECT_FALSE(site->PendingURLs);
}

TEST_F(Sites, AFailedDownloadStillEndsTheUpdate) {
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("gone", server.Url("/missing"), 0, true);
    int updated = 0;
    site->OnUpdated = [&](TNewsSite*) { ++updated; };
    ASSERT_TRUE(site->Update());
    ASSERT_TRUE(PumpUntil([&] { return updated == 1; }));
    EXPECT_FALSE(site->Busy);
    EXPECT_TRUE(site->Titles.empty()) << "no header line without headlines";
    EXPECT_EQ(site->LastError, platform::HttpStatusError(404));
    EXPECT_EQ(site->FailedURL, server.Url("/missing"));
    EXPECT_FALSE(std::filesystem::exists(site->CacheFile));
}

TEST_F(Sites, TicksUpdateOnTheIntervalAndIntervalZeroOnlyOnce) {
    server.Route("/front", page("一 (1/1)<br>"));
    TNewsSites sites(plugin());
    TNewsSite* once = sites.Add("once", server.Url("/front"), 0, true);
    TNewsSite* every2 = sites.Add("every2", server.Url("/front"), 2, true);
    TNewsSite* off = sites.Add("off", server.Url("/front"), 1, false);

    sites.Tick(1); // a freshly added site is due at once
    EXPECT_TRUE(once->Busy);
    EXPECT_TRUE(every2->Busy);
    EXPECT_FALSE(off->Busy);
    EXPECT_EQ(once->Countdown, -1);
    EXPECT_EQ(every2->Countdown, 0);
    ASSERT_TRUE(idle(sites));

    sites.Tick(1);
    EXPECT_FALSE(sites.IsBusy());
    EXPECT_EQ(every2->Countdown, 1);
    EXPECT_EQ(once->Countdown, -1);
    sites.Tick(1);
    EXPECT_TRUE(every2->Busy);
    EXPECT_FALSE(once->Busy);
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(Sites, ASiteWithoutAUrlNeverUpdates) {
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("empty", "", 0, true);
    EXPECT_FALSE(site->Update());
    sites.Tick(1);
    EXPECT_FALSE(site->Busy);
    EXPECT_EQ(site->Countdown, 1);
}

TEST_F(Sites, UpdateAllWhileBusyStartsNothingAndTheListReportsOnceWhenAllAreDone) {
    server.Route("/a", page("a (1/1)<br>", 400));
    server.Route("/b", page("b (1/1)<br>", 600));
    server.Route("/c", page("c (1/1)<br>", 500));
    TNewsSites sites(plugin());
    sites.Add("a", server.Url("/a"), 10, true);
    sites.Add("b", server.Url("/b"), 10, true);
    sites.Add("c", server.Url("/c"), 0, true);
    sites.Add("d", server.Url("/a"), 10, false);
    int updated = 0;
    sites.OnUpdated = [&](TNewsSites*) { ++updated; };
    ASSERT_TRUE(sites.UpdateAll());
    EXPECT_TRUE(sites.IsBusy());
    ASSERT_TRUE(PumpUntil([&] { return server.Requests().size() == 3; }));
    EXPECT_TRUE(sites.UpdateAll());
    ASSERT_TRUE(idle(sites));
    QCoreApplication::processEvents();
    EXPECT_EQ(server.Requests().size(), 3u);
    EXPECT_EQ(updated, 1);
}

TEST_F(Sites, DeletingASiteMidDownloadReturnsPromptlyAndLeavesNothingBehind) {
    HttpResponse stalled{200, std::string(50000, 'x')};
    stalled.stallAfter = 10000;
    server.Route("/stall", stalled);
    platform::SetInternetTimeouts({2000, 30000});
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("stall", server.Url("/stall"), 0, true);
    std::atomic<int32_t> received{0};
    site->OnProgress = [&](TNewsSite*, uint8_t, int32_t value) { received = value; };
    ASSERT_TRUE(site->Update());
    ASSERT_TRUE(PumpUntil([&] { return received >= 10000; }));
    std::string cache = site->CacheFile;
    EXPECT_TRUE(std::filesystem::exists(cache));
    int changes = 0;
    sites.OnChange = [&](TNewsSites*) { ++changes; };
    auto start = std::chrono::steady_clock::now();
    sites.Delete(0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(sites.Count(), 0);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(std::filesystem::exists(cache));
}

TEST_F(Sites, CacheFilesStayInThePluginFolderUnderNamesOfTheirOwn) {
    auto repeat = [](const std::string& text, int times) {
        std::string out;
        for (int i = 0; i < times; ++i)
            out += text;
        return out;
    };
    // A plain name keeps its stored page's name; one that would lose a
    // dotted part, had to be made safe or is too long for the file system
    // gets its safe start, a dot and a stable mark.
    TNewsSites sites(plugin());
    struct Case {
        std::string name, stem;
        bool plain;
    } cases[] = {
        {"Sample", "Sample", true},
        {sjis("表示ニュース"), sjis("表示ニュース"), true}, // 表 ends in 0x5C
        {"../../etc/passwd", "______etc_passwd", false},
        {"a\\b", "a_b", false},
        {".hidden", "_hidden", false},
        {"tab\there", "tab_here", false},
        {"news.a", "news.a", false},
        {"news.html", "news.html", false},
        {std::string(300, 'n'), std::string(40, 'n'), false},
        // 200 bytes here, 300 on the file system.
        {sjis(repeat("長", 100)), sjis(repeat("長", 20)), false},
    };
    std::set<std::string> files;
    for (const Case& c : cases) {
        std::string file = sites.Add(c.name, "http://x/", 0, true)->CacheFileName();
        files.insert(file);
        EXPECT_EQ(file, sites.Add(c.name, "http://y/", 0, true)->CacheFileName())
            << "the same name, the same file";
        std::string stem = plugin() + c.stem;
        if (c.plain) {
            EXPECT_EQ(file, stem + ".html") << utf8(c.name);
            continue;
        }
        ASSERT_TRUE(file.starts_with(stem + ".")) << utf8(file);
        std::string mark = file.substr(stem.size() + 1);
        EXPECT_EQ(mark.size(), 16u + 5u) << utf8(file);
        EXPECT_TRUE(mark.ends_with(".html")) << utf8(file);
    }
    EXPECT_EQ(files.size(), std::size(cases)) << "no two names share a file";
    EXPECT_NE(sites.Add("news.b", "http://x/", 0, true)->CacheFileName(),
              sites.Find("news.a")->CacheFileName());
    TNewsSite* nameless = sites.Add("", "http://x/", 0, true);
    TNewsSite* another = sites.Add("", "http://x/", 0, true);
    EXPECT_NE(nameless->CacheFileName(), another->CacheFileName());
    EXPECT_TRUE(nameless->CacheFileName().ends_with(".html"));
}

TEST_F(Sites, ASiteWithAVeryLongNameGetsItsHeadlines) {
    server.Route("/front", page("一 (1/1)<br>"));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add(std::string(300, 'n'), server.Url("/front"), 0, true);
    ASSERT_TRUE(site->Update());
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(site->LastError, 0u);
    EXPECT_EQ(site->Titles.size(), 2u);
}

TEST_F(Sites, TheListKeepsOrderAndComparesNamesExactly) {
    TNewsSites sites(plugin());
    int changes = 0;
    sites.OnChange = [&](TNewsSites*) { ++changes; };
    TNewsSite* a = sites.Add("Asahi", "http://a/", 0, true);
    TNewsSite* b = sites.Add("asahi", "http://b/", 0, true);
    sites.Add("Nikkei", "http://n/", 0, true);
    EXPECT_EQ(sites.IndexOfName("asahi"), 1);
    EXPECT_EQ(sites.Find("ASAHI"), nullptr);
    EXPECT_EQ(sites.IndexOf(b), 1);
    sites.Move(0, 2);
    EXPECT_EQ(sites.IndexOf(a), 2);
    EXPECT_EQ(sites.Get(3), nullptr);
    EXPECT_EQ(sites.Get(-1), nullptr);
    sites.SetCount(5);
    EXPECT_EQ(sites.Count(), 5);
    EXPECT_EQ(sites.Get(4)->Name, "");
    sites.SetCount(1);
    EXPECT_EQ(sites.Get(0)->Name, "asahi");
    EXPECT_EQ(changes, 4);
    sites.Clear();
    EXPECT_EQ(sites.Count(), 0);
    EXPECT_EQ(changes, 5);
}

TEST_F(Sites, TheExtractionRulesReachTheSitesAndAFeedIsFetchedOnlyForAPageWithoutHeadlines) {
    const std::string feedLink =
        "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/feed.xml\">";
    struct Case {
        const char* what;
        bool extended;
        std::string front;
        List titles;
        bool feedFetched;
    } cases[] = {
        {"a page of Japanese dates",
         true,
         "<a href=\"/n/1.htm\">新駅</a>（4月12日）<br>",
         {"新駅（4月12日）"},
         false},
        {"the same page under the exact rules",
         false,
         "<a href=\"/n/1.htm\">新駅</a>（4月12日）<br>",
         {},
         false},
        {"a page with headlines that names a feed",
         true,
         feedLink + "見出し (1/2)<br>",
         {"見出し (1/2)"},
         false},
        {"a page without headlines that names a feed twice",
         true,
         feedLink + feedLink + "ようこそ<br>",
         {"フィードの見出し"},
         true},
        {"the same page under the exact rules", false, feedLink + "ようこそ<br>", {}, false},
    };
    server.Route("/feed.xml", {200, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                    "<rss version=\"2.0\"><channel><item>"
                                    "<title>フィードの見出し</title><link>/n/9.htm</link>"
                                    "</item></channel></rss>"});
    for (const Case& c : cases) {
        server.Route("/front", page(c.front));
        size_t before = server.Requests().size();
        TNewsSites sites(plugin());
        sites.SetExtended(c.extended);
        TNewsSite* site = sites.Add("feeds", server.Url("/front"), 0, true);
        ASSERT_TRUE(site->Update());
        ASSERT_TRUE(idle(sites));
        List titles = site->Titles.empty()
                          ? List{}
                          : utf8(List(site->Titles.begin() + 1, site->Titles.end()));
        EXPECT_EQ(titles, c.titles) << c.what;
        int feedRequests = 0;
        std::vector<testsupport::HttpRequest> requests = server.Requests();
        for (size_t i = before; i < requests.size(); ++i)
            if (requests[i].path == "/feed.xml") ++feedRequests;
        EXPECT_EQ(feedRequests, c.feedFetched ? 1 : 0) << c.what;
    }
}

TEST_F(Sites, AnUnchangedPageIsAnswered304AndKeepsItsHeadlines) {
    auto tagged = [&](const std::string& blocks, const std::string& etag) {
        testsupport::HttpResponse r = page(blocks);
        r.headers = {{"ETag", etag}, {"Last-Modified", "Sat, 01 Jan 2000 00:00:00 GMT"}};
        return r;
    };
    server.Route("/front", tagged("一 (1/1)<br>", "\"v1\""));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("tagged", server.Url("/front"), 1, true);
    List seen;
    for (int round = 0; round < 3; ++round) {
        if (round == 2) server.Route("/front", tagged("二 (1/2)<br>", "\"v2\""));
        ASSERT_TRUE(site->Update());
        ASSERT_TRUE(idle(sites));
        EXPECT_EQ(site->LastError, 0u);
        seen.push_back(utf8(site->GetTitle(1)));
    }
    EXPECT_EQ(seen, (List{"一 (1/1)", "一 (1/1)", "二 (1/2)"}));
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].ifNoneMatch, "");
    EXPECT_EQ(requests[1].ifNoneMatch, "\"v1\"");
    EXPECT_EQ(requests[1].ifModifiedSince, "Sat, 01 Jan 2000 00:00:00 GMT");
    EXPECT_EQ(requests[1].status, 304);
    EXPECT_EQ(requests[2].status, 200);
    EXPECT_FALSE(std::filesystem::exists(site->CacheFile)) << "nothing written for a 304";
}

TEST_F(Sites, EachSiteKeepsItsLastResultAndTellsOnlyItsChanges) {
    server.Route("/good", page("<a href=\"/n/1.html\">一つ目</a> (12/25 10:30)<br>"));
    server.Route("/empty", page("no dated headlines here"));
    TNewsSites sites(plugin());
    std::vector<std::string> lines;
    TNewsSite::StatusLine = [&](const std::string& line) { lines.push_back(line); };
    struct Case {
        const char* name;
        std::string url;
        const char* text; // in the status, after its time
    } cases[] = {
        {"good", server.Url("/good"), "見出し 1 件"},
        {"missing", server.Url("/missing"), "失敗: HTTP status 404"},
        {"empty", server.Url("/empty"), "失敗: no headlines found"},
        {"refused",
         "http://127.0.0.1:" + std::to_string(testsupport::HttpServer::ClosedPort()) + "/",
         "失敗: "},
    };
    for (const Case& c : cases) {
        TNewsSite* site = sites.Add(c.name, c.url, 0, true);
        EXPECT_EQ(utf8(StatusText(site->Status)), "未取得");
        for (int run = 0; run < 3; ++run) {
            ASSERT_TRUE(site->Update()) << c.name;
            ASSERT_TRUE(idle(sites)) << c.name;
        }
        std::string text = utf8(StatusText(site->Status));
        EXPECT_NE(text.find(c.text), std::string::npos) << c.name << ": " << text;
    }
    // One line for each site that failed, however often it failed.
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "PLYXNews: missing: HTTP status 404 (" + server.Url("/missing") + ")");
    EXPECT_EQ(lines[1], "PLYXNews: empty: no headlines found (" + server.Url("/empty") + ")");
    // And one when it comes back, with when it last failed gone.
    server.Route("/missing", page("戻った (12/25)<br>"));
    TNewsSite* back = sites.Find("missing");
    ASSERT_TRUE(back->Update());
    ASSERT_TRUE(idle(sites));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "PLYXNews: missing: back, 1 headline (" + server.Url("/missing") + ")");
    EXPECT_NE(utf8(StatusText(back->Status)).find("見出し 1 件"), std::string::npos);
    TNewsSite::StatusLine = nullptr;
}
