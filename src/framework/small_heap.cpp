// A document is a few hundred thousand small objects, made by the reader and
// freed together when the next page comes. The system heap pays for that
// twice: every block is a call into it, and freed memory goes back to the
// system and must be faulted in again by the next page. Here every size class
// has its own pages carved from one reserved region; a freed block goes on its
// class's list and serves the next request of that class, and pages are never
// given back, so a second page of the same size costs no new memory.
#include "framework/small_heap.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// 16-byte steps to 512, 64-byte steps to 1 KB, 256-byte steps to the limit.
// The objects a page is made of (boxes, sections, runs) lie between 64 and
// 512 bytes, so there a block wastes at most 15 bytes.
constexpr std::size_t kClassCount = 32 + 8 + 12;
constexpr std::size_t kGranule = 16;
constexpr std::size_t kPageSize = 64 * 1024;          // a page holds blocks of one class
constexpr std::size_t kCommitStep = 1024 * 1024;      // memory is committed this much at a time
constexpr std::size_t kRegionSize = std::size_t(2) << 30;  // address space only; past it, the C heap

constexpr std::size_t ClassSize(std::size_t index) {
    if (index < 32) return (index + 1) * 16;
    if (index < 40) return 512 + (index - 31) * 64;
    return 1024 + (index - 39) * 256;
}
static_assert(ClassSize(kClassCount - 1) == kSmallBlockLimit);

struct TClassIndex {
    std::uint8_t ByGranules[kSmallBlockLimit / kGranule + 1] = {};
    constexpr TClassIndex() {
        std::size_t index = 0;
        for (std::size_t granules = 0; granules <= kSmallBlockLimit / kGranule; ++granules) {
            while (ClassSize(index) < granules * kGranule) ++index;
            ByGranules[granules] = static_cast<std::uint8_t>(index);
        }
    }
};
constexpr TClassIndex kClassIndex;

struct TFreeBlock {
    TFreeBlock* Next;
};

struct TSizeClass {
    TFreeBlock* Free = nullptr;
    char* Next = nullptr;  // the untouched rest of the class's newest page
    char* End = nullptr;
};

// Zero-initialised before any constructor runs, so blocks may be asked for
// and freed at any time of the program's life.
//
// The heap belongs to the first thread that asks it for a block, the
// program's main thread, and only that thread takes blocks from it, with no
// lock: the document's objects are all made and freed there. Other threads
// get their blocks from the C heap; a block of ours they free goes on the
// remote list, which the owner takes back at its next request.
struct THeap {
    std::atomic<DWORD> Owner{0};
    std::atomic<TFreeBlock*> Remote{nullptr};
    // Set once by the owner; read by any thread to tell whether a block is
    // ours.
    std::atomic<char*> Region{nullptr};
    bool RegionFailed = false;
    std::size_t Committed = 0;
    std::size_t Used = 0;  // pages handed to classes
    TSizeClass Classes[kClassCount];
    std::uint8_t PageClass[kRegionSize / kPageSize] = {};
};
constinit THeap heap;

// True on the thread the heap belongs to; the first thread to ask becomes
// its owner.
bool OnOwnerThread() {
    const DWORD self = GetCurrentThreadId();
    DWORD owner = heap.Owner.load(std::memory_order_relaxed);
    if (owner == 0 && heap.Owner.compare_exchange_strong(owner, self, std::memory_order_relaxed)) return true;
    return owner == self;
}

std::size_t ClassOf(const void* block) {
    const char* region = heap.Region.load(std::memory_order_relaxed);
    return heap.PageClass[static_cast<std::size_t>(static_cast<const char*>(block) - region) / kPageSize];
}

// Only on the owner thread, so a load and a store without a locked add.
void Meter(std::size_t add, std::size_t take) {
    gHeapMeter.Small.store(gHeapMeter.Small.load(std::memory_order_relaxed) + add - take, std::memory_order_relaxed);
}

void PushFree(std::size_t index, void* block) {
    Meter(0, ClassSize(index));
    auto* freed = static_cast<TFreeBlock*>(block);
    freed->Next = heap.Classes[index].Free;
    heap.Classes[index].Free = freed;
}

// The blocks other threads freed, back on their classes' lists, where they
// serve the next requests.
void TakeBackRemote() {
    TFreeBlock* block = heap.Remote.exchange(nullptr, std::memory_order_acquire);
    while (block) {
        TFreeBlock* next = block->Next;
        PushFree(ClassOf(block), block);
        block = next;
    }
}

// A new page for the class, or false when the region is full or the system
// has no memory to commit.
bool AddPage(std::size_t index) {
    char* region = heap.Region.load(std::memory_order_relaxed);
    if (!region) {
        if (heap.RegionFailed) return false;
        region = static_cast<char*>(VirtualAlloc(nullptr, kRegionSize, MEM_RESERVE, PAGE_READWRITE));
        if (!region) {
            heap.RegionFailed = true;
            return false;
        }
        heap.Region.store(region, std::memory_order_relaxed);
    }
    if (heap.Used == heap.Committed) {
        if (heap.Committed == kRegionSize ||
            !VirtualAlloc(region + heap.Committed, kCommitStep, MEM_COMMIT, PAGE_READWRITE))
            return false;
        heap.Committed += kCommitStep;
    }
    TSizeClass& sizeClass = heap.Classes[index];
    sizeClass.Next = region + heap.Used;
    sizeClass.End = sizeClass.Next + kPageSize / ClassSize(index) * ClassSize(index);
    heap.PageClass[heap.Used / kPageSize] = static_cast<std::uint8_t>(index);
    heap.Used += kPageSize;
    return true;
}

// On the owner thread only.
void* SmallBlock(std::size_t size) {
    const std::size_t index = kClassIndex.ByGranules[(size + kGranule - 1) / kGranule];
    TSizeClass& sizeClass = heap.Classes[index];
    if (heap.Remote.load(std::memory_order_relaxed)) TakeBackRemote();
    if (TFreeBlock* block = sizeClass.Free) {
        // Freed blocks lie where the last document left them, out of the
        // cache: the next one is fetched now, while this one is filled.
        sizeClass.Free = block->Next;
        if (sizeClass.Free) __builtin_prefetch(sizeClass.Free, 1);
        Meter(ClassSize(index), 0);
        return block;
    }
    if (sizeClass.Next == sizeClass.End && !AddPage(index)) return nullptr;
    void* block = sizeClass.Next;
    sizeClass.Next += ClassSize(index);
    Meter(ClassSize(index), 0);
    return block;
}

void FreeSmallBlock(void* block) {
    if (OnOwnerThread()) {
        PushFree(ClassOf(block), block);
        return;
    }
    auto* freed = static_cast<TFreeBlock*>(block);
    TFreeBlock* head = heap.Remote.load(std::memory_order_relaxed);
    do freed->Next = head;
    while (!heap.Remote.compare_exchange_weak(head, freed, std::memory_order_release, std::memory_order_relaxed));
}

// A block from the C heap carries its size in front of it, for the meter:
// asking the C heap for a block's size takes its lock. The header keeps the
// C heap's 16-byte alignment.
constexpr std::size_t kLargeHeader = 16;

void* Allocate(std::size_t size) {
    if (size <= kSmallBlockLimit && OnOwnerThread()) {
        if (void* block = SmallBlock(size)) return block;
    }
    for (;;) {
        if (size > SIZE_MAX - kLargeHeader) throw std::bad_alloc();
        if (void* raw = std::malloc(size + kLargeHeader)) {
            *static_cast<std::size_t*>(raw) = size;
            gHeapMeter.Large.fetch_add(size, std::memory_order_relaxed);
            return static_cast<char*>(raw) + kLargeHeader;
        }
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void Release(void* block) noexcept {
    if (IsSmallBlock(block)) {
        FreeSmallBlock(block);
    } else if (block) {
        void* raw = static_cast<char*>(block) - kLargeHeader;
        gHeapMeter.Large.fetch_sub(*static_cast<std::size_t*>(raw), std::memory_order_relaxed);
        std::free(raw);
    }
}

}  // namespace

bool IsSmallBlock(const void* block) {
    const char* at = static_cast<const char*>(block);
    const char* region = heap.Region.load(std::memory_order_relaxed);
    return region && at >= region && at < region + kRegionSize;
}

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }

void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
