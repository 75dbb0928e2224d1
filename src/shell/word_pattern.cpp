#include "shell/word_pattern.h"

#include <algorithm>
#include <cstring>
#include <limits>

std::vector<PatternSegment> SplitPattern(std::string_view pattern) {
    std::vector<PatternSegment> segments(1);
    bool afterStar = false;
    for (char c : pattern) {
        if (c == '*') {
            if (afterStar) continue;
            std::string& text = segments.back().Text;
            int32_t stripped = 0;
            while (!text.empty() && text.back() == '?') {
                text.pop_back();
                ++stripped;
            }
            segments.push_back({std::string(), stripped});
            afterStar = true;
        } else if (c == '?' && afterStar) {
            ++segments.back().MinSkip;
        } else {
            afterStar = false;
            segments.back().Text.push_back(c);
        }
    }
    return segments;
}

namespace {

bool FitsAt(std::string_view text, size_t at, std::string_view segment) {
    for (size_t k = 0; k < segment.size(); ++k) {
        const char p = segment[k];
        if (p != '?' && p != text[at + k]) return false;
    }
    return true;
}

}  // namespace

bool MatchPatternTail(std::string_view text, const std::vector<PatternSegment>& segments, size_t depth) {
    for (; depth < segments.size(); ++depth) {
        const std::string& segment = segments[depth].Text;
        const size_t length = segment.size();
        if (text.size() < length) return false;
        // An empty segment (only the last can be) matches at once.
        if (length == 0) return true;
        const size_t minSkip = static_cast<size_t>(std::max(segments[depth].MinSkip, 0));
        if (depth + 1 == segments.size()) {
            const size_t at = text.size() - length;
            return at >= minSkip && FitsAt(text, at, segment);
        }
        size_t at = minSkip;
        while (at + length <= text.size() && !FitsAt(text, at, segment)) ++at;
        if (at + length > text.size()) return false;
        text.remove_prefix(at + length);
    }
    return true;
}

bool MatchPattern(std::string_view word, const std::vector<PatternSegment>& segments) {
    if (segments.empty()) return word.empty();
    const std::string& first = segments[0].Text;
    if (word.size() < first.size() || !FitsAt(word, 0, first)) return false;
    if (segments.size() == 1) return word.size() == first.size();
    return MatchPatternTail(word.substr(first.size()), segments, 1);
}

// ---------------------------------------------------------------------------
// The word files

namespace {

int32_t ReadInt32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(k)]);
    return static_cast<int32_t>(v);
}

uint64_t HashWord(std::string_view word) {
    uint64_t h = 1469598103934665603ull;
    for (char c : word) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    return h;
}

}  // namespace

void TAllWords::Load(std::string datBytes, std::string_view indBytes) {
    FBytes = std::move(datBytes);
    FWords.clear();
    FRows.clear();
    FSlots.clear();

    const size_t rowCount = indBytes.size() / 4;
    FRows.resize(rowCount);
    for (size_t i = 0; i < rowCount; ++i) {
        uint32_t v = 0;
        for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<uint8_t>(indBytes[i * 4 + static_cast<size_t>(k)]);
        FRows[i] = static_cast<int32_t>(v);
    }

    // Records are read to the last whole one whatever Count announces; a
    // record whose '$', N or F is missing ends the list.
    constexpr size_t kRecordTail = 9;  // '$', N, F
    const size_t limit = std::min<size_t>(FBytes.size(), std::numeric_limits<uint32_t>::max());
    size_t pos = 4;
    while (pos < limit) {
        const size_t dollar = FBytes.find('$', pos);
        if (dollar == std::string::npos || dollar + kRecordTail > limit) break;
        const int64_t n = std::max<int32_t>(ReadInt32(FBytes, dollar + 1), 0);
        const int64_t f = ReadInt32(FBytes, dollar + 5);
        const int64_t begin = std::clamp<int64_t>(f, 0, static_cast<int64_t>(rowCount));
        const int64_t end = std::clamp<int64_t>(f + n, begin, static_cast<int64_t>(rowCount));
        FWords.push_back({static_cast<uint32_t>(pos), static_cast<uint32_t>(dollar - pos),
                          static_cast<uint32_t>(begin), static_cast<uint32_t>(end)});
        pos = dollar + kRecordTail;
    }
    BuildLookup();
}

void TAllWords::BuildLookup() {
    size_t size = 16;
    while (size < FWords.size() * 2) size *= 2;
    FSlots.assign(size, 0);
    const size_t mask = size - 1;
    for (size_t i = 0; i < FWords.size(); ++i) {
        const std::string_view word = Word(i);
        size_t slot = static_cast<size_t>(HashWord(word)) & mask;
        bool duplicate = false;
        while (FSlots[slot] != 0) {
            if (Word(FSlots[slot] - 1) == word) {
                duplicate = true;
                break;
            }
            slot = (slot + 1) & mask;
        }
        if (!duplicate) FSlots[slot] = static_cast<uint32_t>(i + 1);
    }
}

int64_t TAllWords::Find(std::string_view word) const {
    if (FSlots.empty()) return -1;
    const size_t mask = FSlots.size() - 1;
    for (size_t slot = static_cast<size_t>(HashWord(word)) & mask; FSlots[slot] != 0; slot = (slot + 1) & mask)
        if (Word(FSlots[slot] - 1) == word) return FSlots[slot] - 1;
    return -1;
}
