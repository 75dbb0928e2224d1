#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "framework/small_heap.h"

namespace {

struct TBlock {
    unsigned char* Bytes;
    std::size_t Size;
    unsigned char Mark;
};

bool Intact(const TBlock& block) {
    for (std::size_t i = 0; i < block.Size; ++i)
        if (block.Bytes[i] != block.Mark) return false;
    return true;
}

TBlock NewBlock(std::size_t size, unsigned char mark) {
    TBlock block{new unsigned char[size], size, mark};
    std::memset(block.Bytes, mark, size);
    return block;
}

// Every size up to past the limit: three blocks each, all written in full and
// read back only after all are made, so a block smaller than asked for shows
// as a neighbour's overwritten bytes.
TEST(SmallHeap, BlocksOfEverySizeAreAlignedAndKeepTheirBytes) {
    std::vector<TBlock> blocks;
    for (std::size_t size = 0; size <= kSmallBlockLimit + 64; size += size < 300 ? 1 : 29)
        for (int copy = 0; copy < 3; ++copy) {
            TBlock block = NewBlock(size, static_cast<unsigned char>(blocks.size() * 7 + 1));
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.Bytes) % 16, 0u) << size;
            EXPECT_EQ(IsSmallBlock(block.Bytes), size <= kSmallBlockLimit) << size;
            blocks.push_back(block);
        }
    std::set<unsigned char*> distinct;
    for (const TBlock& block : blocks) {
        EXPECT_TRUE(Intact(block)) << block.Size;
        distinct.insert(block.Bytes);
    }
    EXPECT_EQ(distinct.size(), blocks.size());
    for (const TBlock& block : blocks) delete[] block.Bytes;

    void* quiet = operator new(40, std::nothrow);
    ASSERT_NE(quiet, nullptr);
    EXPECT_TRUE(IsSmallBlock(quiet));
    operator delete(quiet, std::nothrow);
    EXPECT_FALSE(IsSmallBlock(nullptr));
}

// A second document of the same shape as the first, freed before it, is made
// entirely of the first one's memory: reading page after page does not grow
// the program.
TEST(SmallHeap, FreedBlocksServeTheNextDocument) {
    std::mt19937 random(29);
    std::vector<std::size_t> sizes(100000);
    for (std::size_t& size : sizes) size = 1 + random() % (random() % 8 == 0 ? kSmallBlockLimit : 120);

    std::set<void*> first;
    std::vector<void*> blocks;
    for (std::size_t size : sizes) blocks.push_back(operator new(size));
    first.insert(blocks.begin(), blocks.end());
    for (void* block : blocks) operator delete(block);

    blocks.clear();
    std::shuffle(sizes.begin(), sizes.end(), random);
    std::size_t fresh = 0;
    for (std::size_t size : sizes) {
        blocks.push_back(operator new(size));
        fresh += first.count(blocks.back()) == 0;
    }
    for (void* block : blocks) operator delete(block);
    EXPECT_EQ(fresh, 0u);
}

// Threads make and free blocks at the same time; each block keeps its owner's
// mark until its owner frees it.
TEST(SmallHeap, ThreadsShareTheHeap) {
    constexpr int kThreads = 4;
    std::atomic<int> broken{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &broken] {
            std::mt19937 random(t);
            std::vector<TBlock> live(64, TBlock{nullptr, 0, 0});
            for (int i = 0; i < 100000; ++i) {
                TBlock& slot = live[random() % live.size()];
                if (slot.Bytes) {
                    broken += !Intact(slot);
                    delete[] slot.Bytes;
                }
                slot = NewBlock(random() % 600, static_cast<unsigned char>(t + 1));
            }
            for (TBlock& block : live) {
                broken += !Intact(block);
                delete[] block.Bytes;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(broken, 0);
}

}  // namespace
