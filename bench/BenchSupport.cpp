#include "bench/BenchSupport.h"

#include "platform/text/Iconv.h"

#include <cstdio>
#include <map>

namespace bench {

namespace {

class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // The fastest repetition is the one least disturbed by the rest of
        // the machine; ratios of minimums are what stays put between runs.
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            double t = run.GetAdjustedRealTime();
            auto [it, added] = times.emplace(run.run_name.function_name, t);
            if (!added && t < it->second) it->second = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int RunAndCompare(int argc, char** argv, const std::vector<Ratio>& ratios) {
    // Five repetitions unless the command line asks otherwise.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given = given || std::string(argv[i]).starts_with("--benchmark_repetitions");
    if (!given) args.insert(args.begin() + 1, repetitions.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    int status = 0;
    for (const Ratio& r : ratios) {
        auto n = recorder.times.find(r.numerator);
        auto d = recorder.times.find(r.denominator);
        if (n == recorder.times.end() || d == recorder.times.end() || d->second <= 0) continue;
        double ratio = n->second / d->second;
        bool ok = ratio <= r.limit;
        std::printf("%-48s %5.2fx (target <= %.1fx, fastest runs) %s\n", r.label.c_str(), ratio,
                    r.limit, ok ? "ok" : "MISSED");
        if (!ok) status = 1;
    }
    return status;
}

void IconvToUtf8(benchmark::State& state, const std::string& page, const char* from) {
    platform::Iconv cd("UTF-8", from);
    std::string out;
    for (auto _ : state) {
        out.clear();
        cd.convert(page, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

} // namespace bench
