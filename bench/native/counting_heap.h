// A counting operator new for native benchmarks: it keeps the heap meter as
// the program's own heap does, so the document budget weighs what it would
// weigh in the program, and it records the peak since gPeak was last set.
// Include it in exactly one source file of a benchmark.
#pragma once

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "framework/small_heap.h"

inline std::atomic<std::size_t> gPeak{0};

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    const std::size_t now = gHeapMeter.Large.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    if (now > gPeak.load()) gPeak.store(now);
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    gHeapMeter.Large.fetch_sub(malloc_usable_size(p));
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
