// Native fuzz target for a frame set's ROWS and COLS lists: any list parses
// into at most 20 known entries, and sharing out any extent gives each frame a
// size of zero or more that never adds up past the extent.
//
// Input: two bytes of extent, then the list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "viewer/frame_sizes.h"

namespace {

bool Known(int entry) {
    return (entry >= 1 && entry <= MaxFramePixels) || IsWeightEntry(entry) ||
           (IsPercentEntry(entry) && EntryPercent(entry) <= MaxFramePercent);
}

void CheckShare(const std::vector<int>& sizes, size_t count, int extent) {
    if (sizes.size() != count) std::abort();
    long long total = 0;
    for (int s : sizes) {
        if (s < 0) std::abort();
        total += s;
    }
    if (extent > 0 && total > extent) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int extent = (data[0] | (data[1] << 8)) - 1000;  // some negative, most not
    const std::string list(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::vector<int> entries = ParseFrameSizes(list);
    if (entries.size() > static_cast<size_t>(MaxFrameEntries)) std::abort();
    for (int e : entries)
        if (!Known(e)) std::abort();
    const std::vector<int> sizes = InitializeDimensions(entries, extent);
    CheckShare(sizes, entries.size(), extent);
    const std::vector<int> again = ProportionalDimensions(sizes, extent);
    CheckShare(again, sizes.size(), extent);
    return 0;
}
