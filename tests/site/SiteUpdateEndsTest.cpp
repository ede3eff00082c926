// Updates that always end, whatever the pages name, and that keep to
// themselves while other sites and the user interface go on.

#include "engine/inet/DownloadPool.h"
#include "platform/errors/LastError.h"

#include "tests/site/SitesFixture.h"

#include <QCoreApplication>

#include <chrono>
#include <filesystem>
#include <thread>

using testsupport::HttpResponse;
using testsupport::PumpUntil;
using List = std::vector<std::string>;

namespace {

size_t requestsFor(const testsupport::HttpServer& server, const std::string& path) {
    size_t n = 0;
    for (const auto& request : server.Requests())
        n += request.path == path;
    return n;
}

List headlines(const TNewsSite& site) {
    return site.Titles.empty() ? List{} : utf8(List(site.Titles.begin() + 1, site.Titles.end()));
}

} // namespace

TEST_F(Sites, PagesThatNameThemselvesAreFetchedOnce) {
    struct Case {
        std::string path, blocks;
    } cases[] = {
        {"/refresh",
         "<meta http-equiv=\"Refresh\" content=\"600; URL=" + server.Url("/refresh") + "\">"},
        {"/both", "<meta http-equiv=Refresh content=\"600; URL=" + server.Url("/both") +
                      "#top\"><frame src=\"/both\">"},
        {"/spellings", "<frame src=\"spellings#a\"><frame src=\"" + server.Url("/spellings") +
                           "#b\"><frame src=\"./spellings\">"},
    };
    for (const Case& c : cases) {
        server.Route(c.path, page(c.blocks + "一 (1/1)<br>"));
        TNewsSites sites(plugin());
        TNewsSite* site = sites.Add("self", server.Url(c.path), 0, true);
        ASSERT_TRUE(site->Update());
        ASSERT_TRUE(idle(sites, 5000)) << c.path;
        EXPECT_EQ(requestsFor(server, c.path), 1u) << c.path;
        EXPECT_EQ(headlines(*site), List{"一 (1/1)"}) << c.path;
    }
}

TEST_F(Sites, AnUpdateFetchesAtMostThirtyTwoPages) {
    for (int i = 0; i < 40; ++i)
        server.Route("/p" + std::to_string(i) + ".html",
                     page("<meta http-equiv=refresh content=\"0;url=/p" + std::to_string(i + 1) +
                          ".html\">" + std::to_string(i) + " (1/1)<br>"));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("chain", server.Url("/p0.html"), 0, true);
    ASSERT_TRUE(site->Update());
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(server.Requests().size(), 32u);
    ASSERT_EQ(headlines(*site).size(), 32u);
    EXPECT_EQ(headlines(*site).back(), "31 (1/1)");
    EXPECT_FALSE(site->PendingURLs);
}

TEST_F(Sites, AnUpdateStartsNoFurtherPageOnceItHasRunItsTime) {
    // Pages that each take their time: thirty-two of them would hold the
    // site, and every update behind it, for over an hour.
    for (int i = 0; i < 10; ++i) {
        std::string next = i < 9 ? "<meta http-equiv=refresh content=\"0;url=/p" +
                                       std::to_string(i + 1) + ".html\">"
                                 : "";
        HttpResponse slow = page(next + std::to_string(i) + " (1/1)<br>");
        slow.delayMs = 150;
        server.Route("/p" + std::to_string(i) + ".html", slow);
    }
    auto saved = TNewsSite::UpdateTimeLimitMs.load();
    TNewsSite::UpdateTimeLimitMs = 400;
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("slow", server.Url("/p0.html"), 0, true);
    ASSERT_TRUE(site->Update());
    bool ended = idle(sites, 10000);
    TNewsSite::UpdateTimeLimitMs = saved;
    ASSERT_TRUE(ended);
    size_t pages = server.Requests().size();
    EXPECT_GE(pages, 1u);
    EXPECT_LE(pages, 5u) << "pages started after the time ran out";
    // The page under way when the time ran out is cut off.
    size_t kept = headlines(*site).size();
    EXPECT_GE(kept + 1, pages) << "the pages fetched keep their headlines";
    EXPECT_EQ(site->LastError, kept == pages ? 0u : platform::ErrorInternetTimeout);
}

TEST_F(Sites, TheUpdatesTimeLimitCutsOffThePageUnderWay) {
    // A page that answers only after seconds, or trickles for seconds.
    HttpResponse late = page("一 (1/1)<br>", 3000);
    HttpResponse trickling = page(std::string(300, ' ') + "一 (1/1)<br>");
    trickling.trickleMs = 10;
    trickling.trickleBytes = 1;
    for (const auto& [path, response] : {std::pair{"/late", late}, {"/trickle", trickling}}) {
        server.Route(path, response);
        auto saved = TNewsSite::UpdateTimeLimitMs.load();
        TNewsSite::UpdateTimeLimitMs = 300;
        TNewsSites sites(plugin());
        TNewsSite* site = sites.Add("late", server.Url(path), 0, true);
        auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(site->Update());
        bool ended = idle(sites, 10000);
        auto took = std::chrono::steady_clock::now() - start;
        TNewsSite::UpdateTimeLimitMs = saved;
        ASSERT_TRUE(ended) << path;
        EXPECT_LT(took, std::chrono::milliseconds(2000)) << path;
        EXPECT_EQ(site->LastError, platform::ErrorInternetTimeout) << path;
        EXPECT_TRUE(site->Titles.empty()) << path;
    }
}

TEST_F(Sites, TheTimeLimitCountsFromWhenTheFirstPageIsTakenUpNotWhileItWaits) {
    // One transfer at a time, each taking 150 ms: the last of four sites
    // waits longer than its update may run.
    server.Route("/front", page("一 (1/1)<br>", 150));
    auto saved = TNewsSite::UpdateTimeLimitMs.load();
    TNewsSite::UpdateTimeLimitMs = 300;
    DownloadPool::SetLimit(1);
    TNewsSites sites(plugin());
    for (const char* name : {"a", "b", "c", "d"})
        sites.Add(name, server.Url("/front"), 0, true);
    sites.Tick(1);
    bool ended = idle(sites, 10000);
    TNewsSite::UpdateTimeLimitMs = saved;
    DownloadPool::SetLimit(DownloadPool::kDefaultLimit);
    ASSERT_TRUE(ended);
    for (const auto& site : sites.Items) {
        EXPECT_EQ(site->LastError, 0u) << site->Name;
        EXPECT_EQ(headlines(*site), List{"一 (1/1)"}) << site->Name;
    }
}

TEST_F(Sites, LinksResolveAgainstThePageThatAnsweredARedirect) {
    server.Route("/", testsupport::Redirect("/news/index.html", 301));
    server.Route("/news/index.html", page("<a href=\"story.html\">見出し</a> (1/1)<br>"));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("moved", server.Url("/"), 0, true);
    ASSERT_TRUE(site->Update());
    ASSERT_TRUE(idle(sites));
    ASSERT_EQ(site->Links.size(), 2u);
    EXPECT_EQ(site->Links[1], server.Url("/news/story.html"));
    EXPECT_EQ(site->Links[0], server.Url("/")) << "the site's own URL stays";
    EXPECT_EQ(site->URL, server.Url("/"));
}

TEST_F(Sites, FramePagesWithEscapedNamesLoad) {
    server.Route("/front", {200, "<frameset><frame src=\"a%20b.html\"></frameset>"});
    server.Route("/a%20b.html", page("枠 (1/1)<br>"));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("frames", server.Url("/front"), 0, true);
    ASSERT_TRUE(site->Update());
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(headlines(*site), List{"枠 (1/1)"});
    EXPECT_EQ(site->LastError, 0u) << platform::DescribeError(site->LastError);
}

TEST_F(Sites, UpdateClearsTheHeadlinesBeforeTheDownloadStarts) {
    server.Route("/slow", page("新 (1/1)<br>", 300));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("slow", server.Url("/slow"), 0, true);
    site->Titles = {"header", "old (1/1)"};
    site->Links = {"http://old/", "http://old/1"};
    ASSERT_TRUE(site->Update());
    EXPECT_TRUE(site->Titles.empty());
    EXPECT_TRUE(site->Links.empty());
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(headlines(*site), List{"新 (1/1)"});
}

TEST_F(Sites, TheUpdateWorksOnTheUrlItStartedWith) {
    server.Route("/slow", page("新 (1/1)<br>", 300));
    TNewsSites sites(plugin());
    TNewsSite* site = sites.Add("slow", server.Url("/slow"), 0, true);
    ASSERT_TRUE(site->Update());
    // The property dialog may change the URL while the page is on its way.
    site->URL = server.Url("/elsewhere");
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(site->Links, (List{server.Url("/elsewhere"), server.Url("/slow")}));
}

TEST_F(Sites, RemovingBusySitesCountsThemAsFinished) {
    enum class How { Delete, SetCount, Clear, DeleteAfterCompletionPosted };
    for (How how : {How::Delete, How::SetCount, How::Clear, How::DeleteAfterCompletionPosted}) {
        server.Route("/slow", page("遅 (1/1)<br>", 2000));
        server.Route("/fast", page("速 (1/1)<br>"));
        TNewsSites sites(plugin());
        TNewsSite* site = sites.Add(
            "x", server.Url(how == How::DeleteAfterCompletionPosted ? "/fast" : "/slow"), 0, true);
        int updated = 0;
        sites.OnUpdated = [&](TNewsSites*) { ++updated; };
        ASSERT_TRUE(site->Update());
        if (how == How::DeleteAfterCompletionPosted) {
            // The thread ends after posting; the message stays queued.
            while (site->Thread && site->Thread->Running)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        switch (how) {
        case How::Delete:
        case How::DeleteAfterCompletionPosted:
            sites.Delete(0);
            break;
        case How::SetCount:
            sites.SetCount(0);
            break;
        case How::Clear:
            sites.Clear();
            break;
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(updated, 1) << static_cast<int>(how);
        EXPECT_FALSE(sites.IsBusy());
    }
}

TEST_F(Sites, RemovingOneOfTwoBusySitesReportsWhenTheOtherIsDone) {
    server.Route("/slow", page("遅 (1/1)<br>", 2000));
    server.Route("/later", page("後 (1/1)<br>", 300));
    TNewsSites sites(plugin());
    sites.Add("slow", server.Url("/slow"), 0, true);
    sites.Add("later", server.Url("/later"), 0, true);
    int updated = 0;
    sites.OnUpdated = [&](TNewsSites*) { ++updated; };
    ASSERT_TRUE(sites.UpdateAll());
    sites.Delete(0);
    EXPECT_EQ(updated, 0);
    ASSERT_TRUE(idle(sites));
    QCoreApplication::processEvents();
    EXPECT_EQ(updated, 1);
}

TEST_F(Sites, SitesSharingANameTakeTurnsWithTheirCacheFile) {
    server.Route("/first", page("一 (1/1)<br>", 500));
    server.Route("/second", page("二 (1/2)<br>"));
    TNewsSites sites(plugin());
    TNewsSite* first = sites.Add("same", server.Url("/first"), 0, true);
    TNewsSite* second = sites.Add("same", server.Url("/second"), 0, true);
    ASSERT_TRUE(sites.UpdateAll());
    EXPECT_TRUE(first->Busy);
    EXPECT_TRUE(second->Busy);
    EXPECT_EQ(first->CacheFile, second->CacheFile) << "stored files may rely on the shared name";
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(server.Requests().size(), 1u) << "the second waits for the first";
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(headlines(*first), List{"一 (1/1)"});
    EXPECT_EQ(headlines(*second), List{"二 (1/2)"});
}

TEST_F(Sites, AWaitingSiteStartsWhenTheSiteAheadOfItIsDeleted) {
    server.Route("/first", page("一 (1/1)<br>", 2000));
    server.Route("/second", page("二 (1/2)<br>"));
    TNewsSites sites(plugin());
    sites.Add("same", server.Url("/first"), 0, true);
    TNewsSite* second = sites.Add("same", server.Url("/second"), 0, true);
    ASSERT_TRUE(sites.UpdateAll());
    sites.Delete(0);
    ASSERT_TRUE(idle(sites));
    EXPECT_EQ(headlines(*second), List{"二 (1/2)"});
    // And a waiting site deleted before its turn is simply gone.
    TNewsSite* third = sites.Add("same", server.Url("/first"), 0, true);
    sites.Add("same", server.Url("/second"), 0, true);
    ASSERT_TRUE(sites.UpdateAll());
    (void)third;
    sites.Delete(2);
    ASSERT_TRUE(idle(sites));
}

TEST_F(Sites, AnEmptyPluginFolderFallsBackToTheUsersCacheFolder) {
    const char* saved = std::getenv("XDG_CACHE_HOME");
    std::string old = saved ? saved : "";
    setenv("XDG_CACHE_HOME", (dir.path() / "cache").c_str(), 1);
    server.Route("/front", page("一 (1/1)<br>"));
    {
        TNewsSites sites("");
        sites.SetDebug(true);
        TNewsSite* site = sites.Add("site", server.Url("/front"), 0, true);
        EXPECT_EQ(site->CacheFileName(), (dir.path() / "cache/news/site.html").string());
        ASSERT_TRUE(site->Update());
        ASSERT_TRUE(idle(sites));
        EXPECT_EQ(headlines(*site), List{"一 (1/1)"});
        EXPECT_TRUE(std::filesystem::exists(dir.path() / "cache/news/site.html"));
    }
    if (saved)
        setenv("XDG_CACHE_HOME", old.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
}
