// Reading a large page into items against iconv converting the same bytes:
// the reader decodes, cuts and trims, so it should stay within 2x of a bare
// code conversion.

#include "bench/BenchSupport.h"
#include "bench/SamplePage.h"
#include "engine/html/zelHtml.h"

#include <benchmark/benchmark.h>

namespace {

const std::string& sjisPage() {
    static const std::string page = bench::SampleFrontPageSjis();
    return page;
}

const std::string& eucPage() {
    static const std::string page = bench::SampleFrontPageEuc();
    return page;
}

void readItems(benchmark::State& state, const std::string& page) {
    std::vector<std::string> items;
    for (auto _ : state) {
        zelHtml html;
        html.LoadItemsFromBytes(page, items);
        benchmark::DoNotOptimize(items.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["items"] = static_cast<double>(items.size());
}

void BM_ReadItemsSjis(benchmark::State& state) {
    readItems(state, sjisPage());
}
void BM_ReadItemsEuc(benchmark::State& state) {
    readItems(state, eucPage());
}
void BM_IconvSjis(benchmark::State& state) {
    bench::IconvToUtf8(state, sjisPage(), "CP932");
}
void BM_IconvEuc(benchmark::State& state) {
    bench::IconvToUtf8(state, eucPage(), "EUC-JP");
}

BENCHMARK(BM_ReadItemsSjis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvSjis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadItemsEuc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvEuc)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::RunAndCompare(
        argc, argv,
        {{"items / iconv, Shift_JIS page", "BM_ReadItemsSjis", "BM_IconvSjis", 2.0},
         {"items / iconv, EUC-JP page", "BM_ReadItemsEuc", "BM_IconvEuc", 2.0}});
}
