// Ten thousand enabled sites: the engine starts (menus built, news window
// shown) in under a second, updates every site through a loopback server on
// at most 16 threads, and quits in under a second while every site waits
// for a server that answers after 3 s; opening the player's menu of them
// takes a fraction of that.

#include "bench/BenchSupport.h"
#include "engine/news/NewsGlobals.h"
#include "engine/news/NewsWindowLink.h"
#include "engine/news/TPLYXNews.h"
#include "engine/window/TPLYXNewsWindow.h"
#include "host/PlyxPlayer.h"

#include "tests/support/EventPump.h"
#include "tests/support/HttpServer.h"
#include "tests/support/OwnThreads.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

constexpr int kSites = 10000;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Folder {
    QTemporaryDir dir;
    std::string base = dir.path().toStdString() + "/";
    explicit Folder(const std::string& url) {
        qputenv("NEWS_REGISTRY", (base + "registry.ini").c_str());
        qputenv("NEWS_LOCK_DIR", dir.path().toUtf8());
        std::ofstream ini(base + "PLYXNews.ini", std::ios::binary);
        ini << "[PLYXNews]\r\nVersion=6320\r\nOnline=1\r\nWindowEnabled=1\r\n[Site]\r\n";
        for (int i = 0; i < kSites; ++i)
            ini << "Site " << i << "=\"" << url << "\",1,60\r\n";
    }
};

bool windowShown() {
    INewsWindow* window = Globals().PLYXNewsWindow;
    return window && window->Form()->isVisible();
}

// One run of each stage a user meets: start, a full update, quit.
void BM_TenThousandSites(benchmark::State& state) {
    testsupport::HttpServer server;
    server.Route("/front", {200, "<body>a (1/1)<br>b (1/1)<br></body>"});
    testsupport::HttpResponse late{200, "<body>a (1/1)<br></body>"};
    late.delayMs = 3000;
    server.Route("/late", late);
    QWidget owner;
    double startMs = 0, updateMs = 0, quitMs = 0, menuMs = 0;
    int threads = 0;
    for (auto _ : state) {
        {
            Folder folder(server.Url("/front"));
            PlyxPlayer player({6320, false, folder.base + "plyx"});
            RegisterNewsWindow();
            auto started = Clock::now();
            auto news = std::make_unique<TPLYXNews>(&owner, folder.base);
            if (!testsupport::PumpUntil(windowShown, 10000)) state.SkipWithError("no window");
            startMs = msSince(started);
            int before = testsupport::OwnThreads();
            auto updating = Clock::now();
            news->UpdateNews(nullptr);
            if (!testsupport::PumpUntil(
                    [&] {
                        threads = std::max(threads, testsupport::OwnThreads() - before);
                        return !news->Sites()->IsBusy();
                    },
                    600000))
                state.SkipWithError("update did not end");
            updateMs = msSince(updating);
            int updated = 0;
            for (const auto& site : news->Sites()->Items)
                updated += site->Titles.size() == 3;
            if (updated != kSites) state.SkipWithError("sites without headlines");
            // What opening the player's menu costs: every site's entry is
            // enabled or checked afresh.
            auto opening = Clock::now();
            news->Menu.Refresh(NewsMenu::kPluginMenu, *news->Sites(), news->Sites()->Get(0));
            menuMs = msSince(opening);
            news.reset();
            ResetGlobals();
        }
        Folder folder(server.Url("/late"));
        PlyxPlayer player({6320, false, folder.base + "plyx"});
        RegisterNewsWindow();
        auto news = std::make_unique<TPLYXNews>(&owner, folder.base);
        testsupport::PumpUntil(windowShown, 10000);
        news->UpdateNews(nullptr);
        testsupport::PumpUntil([&] { return server.RequestCount() >= 2 * kSites + 8u; }, 10000);
        auto quitting = Clock::now();
        news.reset();
        quitMs = msSince(quitting);
        ResetGlobals();
    }
    state.counters["start_ms"] = startMs;
    state.counters["update_ms"] = updateMs;
    state.counters["quit_ms"] = quitMs;
    state.counters["menu_ms"] = menuMs;
    state.counters["extra_threads"] = threads;
}
BENCHMARK(BM_TenThousandSites)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::RunAndCompare(argc, argv, {},
                                {{"engine start, 10,000 sites, window shown", "BM_TenThousandSites",
                                  "start_ms", 1000.0, "ms"},
                                 {"quit while 10,000 sites wait for a late server",
                                  "BM_TenThousandSites", "quit_ms", 1000.0, "ms"},
                                 {"opening the player's menu of 10,000 sites",
                                  "BM_TenThousandSites", "menu_ms", 100.0, "ms"},
                                 {"threads added by a full update of 10,000 sites",
                                  "BM_TenThousandSites", "extra_threads", 15.0, ""}});
}
