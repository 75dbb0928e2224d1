#pragma once
// The program's operator new and delete. Blocks of up to kSmallBlockLimit
// bytes come from a heap of fixed-size blocks that keeps freed blocks for the
// next request of their size; larger ones come from the C heap.
#include <atomic>
#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/allocator_interface.h>
#define HEAP_METER_FROM_SANITIZER 1
#endif
#endif

constexpr std::size_t kSmallBlockLimit = 4096;

// True when the block came from the small-block heap.
bool IsSmallBlock(const void* block);

// The bytes of the blocks operator new has handed out and not taken back, so
// that a reader can weigh what it builds. The program's heap keeps them up to
// date; under the address sanitizer (the fuzz targets) its allocator counts
// them; another host with its own operator new (the native benchmark) may
// keep them or leave them at 0, which weighs nothing. Small is changed only by
// the thread the small-block heap belongs to.
struct THeapMeter {
    std::atomic<std::size_t> Small{0};
    std::atomic<std::size_t> Large{0};
};
inline constinit THeapMeter gHeapMeter;

inline std::size_t HeapBytesInUse() {
#ifdef HEAP_METER_FROM_SANITIZER
    return __sanitizer_get_current_allocated_bytes();
#else
    return gHeapMeter.Small.load(std::memory_order_relaxed) + gHeapMeter.Large.load(std::memory_order_relaxed);
#endif
}

// Memory a page holds outside operator new: decoded pictures kept as the
// platform's bitmaps and the windows of its form controls. Their owners add
// what they take and take it off again when they free it, so that a
// document's budget weighs them together with the heap.
inline constinit std::atomic<std::size_t> gOutsideHeapBytes{0};

inline std::size_t DocumentBytesInUse() {
    return HeapBytesInUse() + gOutsideHeapBytes.load(std::memory_order_relaxed);
}
