// Sites update in parallel, as many at once as the download pool runs:
// eight sites whose server answers after 300 ms each should take about as
// long as one. A large page streams through a
// small buffer: fetching 20 MB should raise the peak memory only a little.
// And deleting a site returns promptly at any stage of its update, even
// while a 32 MB page is being read.

#include "bench/BenchSupport.h"
#include "engine/inet/DownloadPool.h"
#include "engine/inet/TWinInet.h"
#include "engine/site/TNewsSites.h"

#include "tests/support/EventPump.h"
#include "tests/support/HttpServer.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr int kDelayMs = 300;

testsupport::HttpServer& server() {
    static testsupport::HttpServer s;
    static bool routed = [] {
        testsupport::HttpResponse slow{200, "<body>a (1/1)<br>"};
        slow.delayMs = kDelayMs;
        s.Route("/slow", slow);
        s.Route("/big", {200, std::string(20 * 1024 * 1024, 'x')});
        // 32 MB pages that are hard in different ways: many short tags, one
        // block of open brackets and stamps, one item of entities.
        for (auto [path, unit] : {std::pair<const char*, std::string>{"/tags", "<b>"},
                                  {"/brackets", "(1/1 x "},
                                  {"/entities", "&amp;1 "}}) {
            std::string page = "<body>";
            while (page.size() < TWinInet::kMaxPageBytes - unit.size())
                page += unit;
            s.Route(path, {200, page});
        }
        return true;
    }();
    (void)routed;
    return s;
}

void updateSites(benchmark::State& state, int count) {
    testsupport::TempDir dir;
    setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
    for (auto _ : state) {
        TNewsSites sites(dir.path().string());
        for (int i = 0; i < count; ++i)
            sites.Add("site" + std::to_string(i), server().Url("/slow"), 1, true);
        sites.UpdateAll();
        if (!testsupport::PumpUntil([&] { return !sites.IsBusy(); }, 10000))
            state.SkipWithError("timed out");
    }
}

void BM_OneSite(benchmark::State& state) {
    updateSites(state, 1);
}
void BM_PoolWidthSites(benchmark::State& state) {
    updateSites(state, DownloadPool::kDefaultLimit);
}

// The process's peak resident memory in kB, after resetting it when asked.
long peakKb(bool reset) {
    if (reset) std::ofstream("/proc/self/clear_refs") << "5";
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return 0;
}

void BM_Download20MB(benchmark::State& state) {
    testsupport::TempDir dir;
    setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
    std::string url = server().Url("/big");
    double increase = 0;
    for (auto _ : state) {
        long before = peakKb(true);
        TWinInet inet;
        if (!inet.Download(url, dir.file("big.html"))) state.SkipWithError("download failed");
        increase = static_cast<double>(peakKb(false) - before) / 1024.0;
    }
    state.SetBytesProcessed(state.iterations() * 20 * 1024 * 1024);
    state.counters["peak_increase_MB"] = increase;
}

// Deletes a site updating each 32 MB page, delayMs after its download
// ended (negative: that long before, mid-download), and reports the longest
// Delete.
void BM_DeleteDuringReading(benchmark::State& state) {
    testsupport::TempDir dir;
    setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
    double longestMs = 0;
    for (auto _ : state) {
        for (int delayMs : {-1, 0, 50, 200, 800, 1600})
            for (const char* path : {"/tags", "/brackets", "/entities"}) {
                TNewsSites sites(dir.path().string());
                TNewsSite* site = sites.Add("page", server().Url(path), 1, true);
                std::atomic<bool> downloaded{false};
                std::atomic<int32_t> received{0};
                site->OnProgress = [&](TNewsSite*, uint8_t kind, int32_t value) {
                    received = value;
                    if (kind == TWinInet::EventLoopEnded) downloaded = true;
                };
                site->Update();
                if (delayMs < 0)
                    testsupport::PumpUntil([&] { return received > 1024 * 1024; }, 10000);
                else
                    testsupport::PumpUntil([&] { return downloaded.load(); }, 10000);
                std::this_thread::sleep_for(std::chrono::milliseconds(std::max(delayMs, 0)));
                auto start = std::chrono::steady_clock::now();
                sites.Delete(0);
                std::chrono::duration<double, std::milli> took =
                    std::chrono::steady_clock::now() - start;
                longestMs = std::max(longestMs, took.count());
            }
    }
    state.counters["longest_delete_ms"] = longestMs;
}

BENCHMARK(BM_OneSite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PoolWidthSites)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Download20MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DeleteDuringReading)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return bench::RunAndCompare(
        argc, argv,
        {{"eight delayed sites (the pool's width) / one delayed site", "BM_PoolWidthSites",
          "BM_OneSite", 2.0}},
        {{"peak memory increase, 20 MB download", "BM_Download20MB", "peak_increase_MB", 4.0, "MB"},
         {"longest Delete of a site reading a 32 MB page", "BM_DeleteDuringReading",
          "longest_delete_ms", 100.0, "ms"}});
}
