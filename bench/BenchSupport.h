#pragma once

// Runs the registered benchmarks and then prints how the named ones compare,
// so a target such as "within 2x of iconv" is read off one run.

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Ratio {
    std::string label;
    std::string numerator; // benchmark names as registered
    std::string denominator;
    double limit; // what the target allows
};

// A counter a benchmark reports (its largest value over the repetitions)
// against the most it may be.
struct CounterLimit {
    std::string label;
    std::string benchmark;
    std::string counter;
    double limit;
    std::string unit;
};

// Returns the process exit status: 0 when every ratio and counter is
// within its limit.
int RunAndCompare(int argc, char** argv, const std::vector<Ratio>& ratios,
                  const std::vector<CounterLimit>& counters = {});

// The baseline the page benchmarks compare against: iconv converting the
// page from its code to UTF-8.
void IconvToUtf8(benchmark::State& state, const std::string& page, const char* from);

} // namespace bench
