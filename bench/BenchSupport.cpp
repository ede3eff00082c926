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
            for (const auto& [name, counter] : run.counters) {
                auto key = run.run_name.function_name + "/" + name;
                // Counters are costs such as memory: the worst run counts.
                auto [c, fresh] = counters.emplace(key, counter.value);
                if (!fresh && counter.value > c->second) c->second = counter.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> counters;
};

} // namespace

int RunAndCompare(int argc, char** argv, const std::vector<Ratio>& ratios,
                  const std::vector<CounterLimit>& counters) {
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
    for (const CounterLimit& c : counters) {
        auto it = recorder.counters.find(c.benchmark + "/" + c.counter);
        if (it == recorder.counters.end()) continue;
        bool ok = it->second <= c.limit;
        std::printf("%-48s %5.2f %s (target <= %.1f %s) %s\n", c.label.c_str(), it->second,
                    c.unit.c_str(), c.limit, c.unit.c_str(), ok ? "ok" : "MISSED");
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
