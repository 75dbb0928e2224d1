#pragma once
// The program's operator new and delete. Blocks of up to kSmallBlockLimit
// bytes come from a heap of fixed-size blocks that keeps freed blocks for the
// next request of their size; larger ones come from the C heap.
#include <cstddef>

constexpr std::size_t kSmallBlockLimit = 4096;

// True when the block came from the small-block heap.
bool IsSmallBlock(const void* block);
