// Long site lists: a bounded number of threads, updates that all end, and
// a list that goes at once.

#include "engine/inet/DownloadPool.h"
#include "platform/errors/LastError.h"

#include "tests/site/SitesFixture.h"
#include "tests/support/OwnThreads.h"

#include <chrono>
#include <filesystem>
#include <system_error>

using testsupport::HttpResponse;
using testsupport::PumpUntil;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int kSites = 1000; // the sanitizer makes each transfer dear
#else
constexpr int kSites = 10000;
#endif

} // namespace

TEST_F(Sites, TenThousandSitesUpdateOnAFewThreadsAndGoAtOnce) {
    server.Route("/front", page("一 (1/1)<br>"));
    HttpResponse slow = page("一 (1/1)<br>", 3000);
    server.Route("/slow", slow);
    int before = testsupport::OwnThreads();
    int peak = 0;
    {
        TNewsSites sites(plugin());
        for (int i = 0; i < kSites; ++i)
            sites.Add("site" + std::to_string(i), server.Url("/front"), 0, true);
        sites.Tick(1);
        ASSERT_TRUE(PumpUntil(
            [&] {
                peak = std::max(peak, testsupport::OwnThreads());
                return !sites.IsBusy();
            },
            300000));
        int updated = 0;
        for (const auto& site : sites.Items)
            updated += site->Titles.size() == 2 && site->LastError == 0;
        EXPECT_EQ(updated, kSites);
    }
    EXPECT_LE(peak - before, DownloadPool::kDefaultLimit) << "threads beyond the test's own";

    // A server that answers late: the list still goes in well under a second.
    TNewsSites sites(plugin());
    for (int i = 0; i < kSites; ++i)
        sites.Add("slow" + std::to_string(i), server.Url("/slow"), 0, true);
    sites.Tick(1);
    ASSERT_TRUE(PumpUntil([&] { return server.RequestCount() >= kSites + 8u; }, 5000));
    EXPECT_LE(testsupport::OwnThreads() - before, DownloadPool::kDefaultLimit);
    auto start = std::chrono::steady_clock::now();
    sites.Clear();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(Sites, AnUpdateThatGetsNoThreadEndsAsAFailureAndTheOthersGoOn) {
    server.Route("/front", page("一 (1/1)<br>"));
    TNewsSites sites(plugin());
    for (const char* name : {"a", "b", "c"})
        sites.Add(name, server.Url("/front"), 1, true);
    DownloadPool::SetThreadMaker([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    bool reported = false;
    sites.OnUpdated = [&](TNewsSites*) { reported = true; };
    sites.Tick(1);
    DownloadPool::SetThreadMaker(nullptr);
    ASSERT_TRUE(idle(sites, 5000)) << "no site stays busy";
    EXPECT_TRUE(reported);
    for (const auto& site : sites.Items) {
        EXPECT_EQ(site->LastError, platform::ErrorNotEnoughMemory) << site->Name;
        EXPECT_TRUE(site->Titles.empty()) << site->Name;
    }
    ASSERT_TRUE(sites.UpdateAll());
    ASSERT_TRUE(idle(sites));
    for (const auto& site : sites.Items)
        EXPECT_EQ(site->Titles.size(), 2u) << site->Name << " updates again";
}
