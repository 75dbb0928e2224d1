#include "viewer/frame_sizes.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

// The leading integer of `s` (after blanks); `found` tells whether there was one.
long long LeadingNumber(const std::string& s, bool& found) {
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    long long value = 0;
    found = false;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        found = true;
        value = std::min<long long>(value * 10 + (s[i] - '0'), 1000000);
    }
    return negative ? -value : value;
}

}  // namespace

int ParseFrameSizeEntry(const std::string& item) {
    bool found = false;
    const long long n = LeadingNumber(item, found);
    if (item.find('*') != std::string::npos) {
        const long long weight = found ? std::clamp<long long>(n, 1, MaxFrameWeight) : 1;
        return -static_cast<int>(weight);
    }
    if (item.find('%') != std::string::npos) {
        const long long percent = std::clamp<long long>(n, 1, MaxFramePercent);
        return -static_cast<int>(percent + 100);
    }
    return static_cast<int>(std::clamp<long long>(n, 1, MaxFramePixels));
}

std::vector<int> ParseFrameSizes(const std::string& list) {
    std::vector<int> entries;
    size_t start = 0;
    while (start <= list.size() && static_cast<int>(entries.size()) < MaxFrameEntries) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        const std::string item = list.substr(start, comma - start);
        if (item.find_first_not_of(" \t\r\n") != std::string::npos) entries.push_back(ParseFrameSizeEntry(item));
        start = comma + 1;
    }
    return entries;
}

std::vector<int> InitializeDimensions(const std::vector<int>& entries, int extent) {
    long long fixed = 0, percent = 0, weight = 0;
    for (int e : entries) {
        if (e > 0) fixed += e;
        else if (IsPercentEntry(e)) percent += EntryPercent(e);
        else if (IsWeightEntry(e)) weight += EntryWeight(e);
    }
    std::vector<int> sizes(entries.size(), 0);
    const long long room = extent - fixed;
    if (room > 0) {
        const long long share = percent > 0 ? std::min(static_cast<long long>(extent) * percent / 100, room) : 0;
        // Without weights there is nothing to hand the rest to.
        const long long unit = weight > 0 ? (room - share) / weight : 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            const int e = entries[i];
            if (e > 0) sizes[i] = e;
            else if (IsPercentEntry(e)) sizes[i] = static_cast<int>(EntryPercent(e) * share / percent);
            else if (IsWeightEntry(e)) sizes[i] = static_cast<int>(EntryWeight(e) * unit);
        }
    } else if (fixed > 0 && extent > 0) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i] > 0) sizes[i] = static_cast<int>(entries[i] * static_cast<long long>(extent) / fixed);
    }
    return sizes;
}

std::vector<int> ProportionalDimensions(const std::vector<int>& sizes, int extent) {
    long long total = 0;
    for (int s : sizes) total += std::max(0, s);
    std::vector<int> result(sizes.size(), 0);
    if (total <= 0 || extent <= 0) return result;
    long long edge = 0, placed = 0;
    // Cumulative rounding: the last frame ends exactly at the extent.
    for (size_t i = 0; i < sizes.size(); ++i) {
        edge += std::max(0, sizes[i]);
        const long long end = edge * extent / total;
        result[i] = static_cast<int>(end - placed);
        placed = end;
    }
    return result;
}
