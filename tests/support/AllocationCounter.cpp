#include "tests/support/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {

// Per thread, so that the toolkit's own threads do not blur the count.
thread_local bool counting = false;
thread_local size_t counted = 0;

} // namespace

namespace testsupport {

AllocationCounter::AllocationCounter() {
    counting = true;
    counted = 0;
}

AllocationCounter::~AllocationCounter() {
    counting = false;
}

size_t AllocationCounter::Bytes() const {
    return counted;
}

} // namespace testsupport

void* operator new(size_t size) {
    if (counting) counted += size;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
