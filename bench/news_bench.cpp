// The engine's start with a 50-site settings file (menus built, settings
// read), target under 50 ms; and the cost of one ticker step, which runs
// every 20 ms for each ticker, reported per step.

#include "bench/BenchSupport.h"
#include "engine/news/NewsGlobals.h"
#include "engine/news/TPLYXNews.h"
#include "host/PlyxPlayer.h"

#include <QApplication>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <memory>

namespace {

struct Folder {
    QTemporaryDir dir;
    std::string base = dir.path().toStdString() + "/";
    Folder() {
        qputenv("NEWS_REGISTRY", (base + "registry.ini").c_str());
        std::ofstream ini(base + "PLYXNews.ini", std::ios::binary);
        ini << "[PLYXNews]\r\nVersion=6320\r\nOnline=0\r\n[Site]\r\n";
        for (int i = 0; i < 50; ++i)
            ini << "Site " << i << "=\"http://site" << i << ".example/\",1,60\r\n";
    }
};

void BM_EngineStartOnly(benchmark::State& state) {
    Folder folder;
    PlyxPlayer player({6320, false, folder.base + "plyx"});
    QWidget owner;
    for (auto _ : state) {
        auto started = std::chrono::steady_clock::now();
        auto news = std::make_unique<TPLYXNews>(&owner, folder.base);
        auto elapsed = std::chrono::steady_clock::now() - started;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        if (news->Sites()->Count() != 50 || news->Menu.SiteEntries.size() != 50)
            state.SkipWithError("sites not read or menus not built");
        news.reset();
    }
    ResetGlobals();
}
BENCHMARK(BM_EngineStartOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_TickerStep(benchmark::State& state) {
    Folder folder;
    PlyxPlayer player({6320, false, folder.base + "plyx"});
    QWidget owner;
    owner.resize(400, 40);
    auto engine = std::make_unique<TPLYXNews>(&owner, folder.base);
    TPLYXNews& news = *engine;
    TNewsSite* site = news.Sites()->Get(0);
    site->Titles = {"A headline that is long enough to scroll for a while across the panel"};
    site->Links = {"http://site0.example/1.html"};
    auto* panel = new platform::TPanel(&owner);
    panel->resize(300, 20);
    auto* label = new platform::TLabel(panel);
    news.SetTickerControls(1, panel, label, nullptr);
    news.Speed[1] = 1;
    for (auto _ : state)
        news.ScrollTicker(1, 1); // a step every call
    state.SetItemsProcessed(state.iterations());
    news.SetTickerControls(1, nullptr, nullptr, nullptr);
    engine.reset();
    ResetGlobals();
}
BENCHMARK(BM_TickerStep)->Unit(benchmark::kMicrosecond);

void BM_Baseline50ms(benchmark::State& state) {
    for (auto _ : state)
        state.SetIterationTime(0.050);
}
BENCHMARK(BM_Baseline50ms)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::RunAndCompare(
        argc, argv,
        {{"engine start, 50 sites / 50 ms", "BM_EngineStartOnly", "BM_Baseline50ms", 1.0}});
}
