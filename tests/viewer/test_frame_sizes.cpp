// Frame-set size entries and how they share out an extent.
#include <gtest/gtest.h>

#include <numeric>

#include "viewer/frame_sizes.h"

namespace {

TEST(FrameSizes, EntriesAreReadWithTheirCaps) {
    struct Case {
        const char* item;
        int entry;
    } cases[] = {
        {"100", 100},  {"*", -1},     {"2*", -2},      {"150*", -99}, {"0*", -1},   {"25%", -125},
        {"950%", -1000}, {"0%", -101}, {"6000", 5000},  {"0", 1},      {"-3", 1},    {" 40 ", 40},
        {"abc", 1},    {"99999999999", 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        EXPECT_EQ(ParseFrameSizeEntry(c.item), c.entry);
    }
}

TEST(FrameSizes, AListKeepsAtMostTwentyEntries) {
    std::string list;
    for (int i = 0; i < 25; ++i) list += (i ? "," : "") + std::to_string(10 + i);
    const std::vector<int> entries = ParseFrameSizes(list);
    ASSERT_EQ(entries.size(), 20u);
    EXPECT_EQ(entries.back(), 29);
    EXPECT_EQ(ParseFrameSizes("").size(), 0u);
    EXPECT_EQ(ParseFrameSizes("*,,*").size(), 2u);
}

TEST(FrameSizes, ExtentsAreSharedOut) {
    struct Case {
        const char* list;
        int extent;
        std::vector<int> sizes;
    } cases[] = {
        {"100,*,2*,25%", 600, {100, 116, 232, 150}},
        // No weights: what the percentages leave stays unused.
        {"100,50%", 400, {100, 200}},
        // Percentages never take more than the fixed entries leave.
        {"100,90%,*", 400, {100, 300, 0}},
        // No room: fixed entries shrink in proportion, the others vanish.
        {"300,300,*", 300, {150, 150, 0}},
        {"*,*", 0, {0, 0}},
        {"*,*", -5, {0, 0}},
        {"100,200", 0, {0, 0}},
        {"100,200", -5, {0, 0}},
        {"25%,25%", 0, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " @ " + std::to_string(c.extent));
        EXPECT_EQ(InitializeDimensions(ParseFrameSizes(c.list), c.extent), c.sizes);
    }
}

TEST(FrameSizes, SizesNeverPassTheExtent) {
    const char* lists[] = {"*,*,*", "33%,33%,34%", "10,*,3*,50%", "5000,5000", "900%,*", "1,1,1,1,1,1,1"};
    for (const char* list : lists)
        for (int extent : {1, 7, 99, 100, 333, 1024, 4999}) {
            SCOPED_TRACE(std::string(list) + " @ " + std::to_string(extent));
            const std::vector<int> sizes = InitializeDimensions(ParseFrameSizes(list), extent);
            for (int s : sizes) EXPECT_GE(s, 0);
            EXPECT_LE(std::accumulate(sizes.begin(), sizes.end(), 0), extent);
        }
}

TEST(FrameSizes, DraggedSizesKeepTheirSharesAndFillTheExtent) {
    EXPECT_EQ(ProportionalDimensions({100, 300}, 800), (std::vector<int>{200, 600}));
    EXPECT_EQ(ProportionalDimensions({1, 1, 1}, 100), (std::vector<int>{33, 33, 34}));
    // Entries totalling nothing share nothing out.
    EXPECT_EQ(ProportionalDimensions({0, 0}, 100), (std::vector<int>{0, 0}));
    EXPECT_EQ(ProportionalDimensions({10, 20}, 0), (std::vector<int>{0, 0}));
}

}  // namespace
