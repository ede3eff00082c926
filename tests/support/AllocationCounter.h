#pragma once

// Counts the bytes that operator new hands out to this thread while a
// counter is alive. Link AllocationCounter.cpp into the test program: it
// replaces the global operator new.

#include <cstddef>

namespace testsupport {

class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // All bytes allocated so far, freed or not: a bound on the peak.
    size_t Bytes() const;
};

} // namespace testsupport
