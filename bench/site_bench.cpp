// Items plus headline extraction of a large front page, by the exact and by
// the extended rules, with the items listed first or read one at a time,
// against iconv converting the same bytes, in one run. And the peak memory
// while a 32 MB page is extracted from its file, for pages of short tags and
// for pages whose items run the page long: the page and little more.

#include "bench/BenchSupport.h"
#include "bench/SamplePage.h"
#include "engine/html/zelHtml.h"
#include "engine/site/HeadlineExtractor.h"

#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

namespace {

const std::string& sjisPage() {
    static const std::string page = bench::SampleFrontPageSjis();
    return page;
}

// listed: the page's items first gathered in a list (as the headlines
// tool did); otherwise read one at a time into the extraction, as the
// engine reads a downloaded page.
void itemsAndExtraction(benchmark::State& state, bool extended, bool listed) {
    std::vector<std::string> items, titles, links, pending;
    std::string item;
    for (auto _ : state) {
        titles.clear();
        links.clear();
        pending.clear();
        zelHtml html;
        HeadlineExtractor extractor("http://www.example.jp/index.html", "http://www.example.jp/",
                                    titles, links, pending);
        extractor.SetExtended(extended);
        if (listed) {
            html.LoadItemsFromBytes(sjisPage(), items);
            extractor.Extract(items);
        } else {
            html.OpenBytes(sjisPage());
            while (html.NextItem(item))
                extractor.AddItem(item);
            extractor.Finish();
        }
        benchmark::DoNotOptimize(titles.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sjisPage().size()));
    state.counters["headlines"] = static_cast<double>(titles.size());
}

void BM_ItemsAndExtraction(benchmark::State& state) {
    itemsAndExtraction(state, false, true);
}

void BM_ItemsAndExtractionExtended(benchmark::State& state) {
    itemsAndExtraction(state, true, true);
}

void BM_StreamedExtraction(benchmark::State& state) {
    itemsAndExtraction(state, false, false);
}

void BM_StreamedExtractionExtended(benchmark::State& state) {
    itemsAndExtraction(state, true, false);
}

void BM_IconvSjis(benchmark::State& state) {
    bench::IconvToUtf8(state, sjisPage(), "CP932");
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

// Pages of 32 MB shaped to make the reader's items long or many.
std::string shapedPage(std::string_view start, std::string_view repeated) {
    constexpr size_t kPage = 32 * 1024 * 1024;
    std::string page(start);
    page.reserve(kPage + repeated.size());
    while (page.size() < kPage)
        page += repeated;
    return page;
}

void extractFile32MB(benchmark::State& state, const std::string& shape) {
    std::string file =
        (std::filesystem::temp_directory_path() / ("shaped-" + std::to_string(getpid()) + ".html"))
            .string();
    double increase = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::string page = shape == "short tags"     ? shapedPage("<body>", "<b>")
                               : shape == "script tags"  ? shapedPage("<body>", "<script>")
                               : shape == "script block" ? shapedPage("<body><script>", "x = 1;\n")
                               : shape == "less-than"    ? shapedPage("<body>", "<")
                               : shape == "comment"      ? shapedPage("<body><!--", "- x ")
                                                         : shapedPage("<body><a href=\"", "x");
            bytes = page.size();
            std::ofstream(file, std::ios::binary) << page;
        }
        // The page's memory goes back to the system, so that the extraction
        // cannot hide in it.
        malloc_trim(0);
        long before = peakKb(true);
        state.ResumeTiming();
        std::vector<std::string> titles, links, pending;
        HeadlineExtractor extractor("http://www.example.jp/index.html", "http://www.example.jp/",
                                    titles, links, pending);
        extractor.ExtractFile(file, false);
        increase = static_cast<double>(peakKb(false) - before) / 1024.0;
    }
    std::filesystem::remove(file);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["peak_increase_MB"] = increase;
}

void BM_ExtractFile32MBShortTags(benchmark::State& state) {
    extractFile32MB(state, "short tags");
}
// A script element opened again and again: one body the page long.
void BM_ExtractFile32MBScriptTags(benchmark::State& state) {
    extractFile32MB(state, "script tags");
}
void BM_ExtractFile32MBScriptBlock(benchmark::State& state) {
    extractFile32MB(state, "script block");
}
void BM_ExtractFile32MBLessThan(benchmark::State& state) {
    extractFile32MB(state, "less-than");
}
void BM_ExtractFile32MBUnclosedComment(benchmark::State& state) {
    extractFile32MB(state, "comment");
}
void BM_ExtractFile32MBUnclosedAttribute(benchmark::State& state) {
    extractFile32MB(state, "attribute");
}

BENCHMARK(BM_ItemsAndExtraction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ItemsAndExtractionExtended)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamedExtraction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamedExtractionExtended)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvSjis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractFile32MBShortTags)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractFile32MBScriptTags)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractFile32MBScriptBlock)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractFile32MBLessThan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractFile32MBUnclosedComment)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractFile32MBUnclosedAttribute)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return bench::RunAndCompare(
        argc, argv,
        {{"items + extraction / iconv, Shift_JIS page", "BM_ItemsAndExtraction", "BM_IconvSjis",
          2.5},
         {"items + extended extraction / iconv, Shift_JIS page", "BM_ItemsAndExtractionExtended",
          "BM_IconvSjis", 2.5},
         {"items one at a time + extraction / iconv, as the engine reads", "BM_StreamedExtraction",
          "BM_IconvSjis", 2.5},
         {"items one at a time + extended extraction / iconv", "BM_StreamedExtractionExtended",
          "BM_IconvSjis", 2.5}},
        {{"peak memory increase, extracting a 32 MB page of short tags",
          "BM_ExtractFile32MBShortTags", "peak_increase_MB", 72.0, "MB"},
         {"... of <script> opened again and again", "BM_ExtractFile32MBScriptTags",
          "peak_increase_MB", 72.0, "MB"},
         {"... of one script block", "BM_ExtractFile32MBScriptBlock", "peak_increase_MB", 72.0,
          "MB"},
         {"... of \"<\"", "BM_ExtractFile32MBLessThan", "peak_increase_MB", 72.0, "MB"},
         {"... of an unclosed comment", "BM_ExtractFile32MBUnclosedComment", "peak_increase_MB",
          72.0, "MB"},
         {"... of an unclosed attribute", "BM_ExtractFile32MBUnclosedAttribute", "peak_increase_MB",
          72.0, "MB"}});
}
