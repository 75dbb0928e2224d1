// The size entries of a frame set and how they share out an extent. Free of
// window headers.
//
// An entry is a positive number of pixels (1..5000), a relative weight -1..-99
// ("*" is weight 1) or a percentage n encoded as -(n + 100), n in 1..900.
#pragma once

#include <string>
#include <vector>

// A set holds at most this many size entries and frames.
constexpr int MaxFrameEntries = 20;
constexpr int MaxFramePixels = 5000;
constexpr int MaxFrameWeight = 99;
constexpr int MaxFramePercent = 900;

inline bool IsWeightEntry(int entry) { return entry < 0 && entry >= -MaxFrameWeight; }
inline bool IsPercentEntry(int entry) { return entry <= -101; }
inline int EntryPercent(int entry) { return -entry - 100; }
inline int EntryWeight(int entry) { return -entry; }

// One entry of a ROWS or COLS list.
int ParseFrameSizeEntry(const std::string& item);
// A ROWS or COLS list; entries past MaxFrameEntries are ignored.
std::vector<int> ParseFrameSizes(const std::string& list);

// The pixel size of each entry within `extent`.
std::vector<int> InitializeDimensions(const std::vector<int>& entries, int extent);

// After a border drag the entries are the frames' sizes, shared out in
// proportion on later resizes.
std::vector<int> ProportionalDimensions(const std::vector<int>& sizes, int extent);
