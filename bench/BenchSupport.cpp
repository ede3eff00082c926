#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace bench {

namespace {

class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int RunAndCompare(int argc, char** argv, const std::vector<Ratio>& ratios) {
    benchmark::Initialize(&argc, argv);
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
        std::printf("%-50s %6.2fx (target <= %.1fx) %s\n", r.label.c_str(), ratio, r.limit,
                    ok ? "ok" : "MISSED");
        if (!ok) status = 1;
    }
    return status;
}

} // namespace bench
