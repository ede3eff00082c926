// Items plus headline extraction of a large front page against iconv
// converting the same bytes, in one run.

#include "bench/BenchSupport.h"
#include "bench/SamplePage.h"
#include "engine/html/zelHtml.h"
#include "engine/site/HeadlineExtractor.h"

namespace {

const std::string& sjisPage() {
    static const std::string page = bench::SampleFrontPageSjis();
    return page;
}

void BM_ItemsAndExtraction(benchmark::State& state) {
    std::vector<std::string> items, titles, links, pending;
    for (auto _ : state) {
        titles.clear();
        links.clear();
        pending.clear();
        zelHtml html;
        html.LoadItemsFromBytes(sjisPage(), items);
        HeadlineExtractor extractor("http://www.example.jp/index.html", "http://www.example.jp/",
                                    titles, links, pending);
        extractor.Extract(items);
        benchmark::DoNotOptimize(titles.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sjisPage().size()));
    state.counters["headlines"] = static_cast<double>(titles.size());
}

void BM_IconvSjis(benchmark::State& state) {
    bench::IconvToUtf8(state, sjisPage(), "CP932");
}

BENCHMARK(BM_ItemsAndExtraction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvSjis)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::RunAndCompare(argc, argv,
                                {{"items + extraction / iconv, Shift_JIS page",
                                  "BM_ItemsAndExtraction", "BM_IconvSjis", 2.5}});
}
