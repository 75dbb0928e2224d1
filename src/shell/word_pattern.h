// Wildcard patterns of the word search ('*' any run, '?' any one character)
// and the two word files they are matched against. Free of windows.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One run of literal characters ('?' inside matches any one character) and the
// least number of characters that must come before it after the previous run.
struct PatternSegment {
    std::string Text;
    int32_t MinSkip = 0;
};

// The pattern's segments: segment 0 is anchored at the word's start, every
// later one follows a '*'. "**" is one '*'; '?' right after a '*', and '?'
// right before one, count towards the next segment's MinSkip.
std::vector<PatternSegment> SplitPattern(std::string_view pattern);

// Whether the tail `text` (what follows segment depth-1) holds segments
// depth.. in order, the last one ending at the text's end. Each middle segment
// is placed at its leftmost fit: any later fit leaves less room for the rest,
// so no other placement needs trying. Time: text length times pattern length.
bool MatchPatternTail(std::string_view text, const std::vector<PatternSegment>& segments, size_t depth);

// The whole word against the split pattern.
bool MatchPattern(std::string_view word, const std::vector<PatternSegment>& segments);

// A character the word list's code page cannot hold stands as this byte in a
// pattern: the word list never contains it, so it matches no word.
constexpr char kUnmatchableChar = '\0';

// "allvurts.dat" and "allvurts.ind" read into memory.
//
// allvurts.dat: int32 Count (unused: the records are read to the last whole
// one), then per word its bytes (code page 1251, upper case), '$', int32 N (the
// number of term rows it occurs in), int32 F (the first of them in the index).
// allvurts.ind: int32 term rows; word k owns entries F .. F+N-1.
class TAllWords {
public:
    // Either may be empty (a missing file): there are then no words or no rows.
    void Load(std::string datBytes, std::string_view indBytes);

    size_t Count() const { return FWords.size(); }
    std::string_view Word(size_t index) const {
        const AllWordsRecord& r = FWords[index];
        return std::string_view(FBytes).substr(r.Offset, r.Length);
    }
    // The word's entries of the index, clipped to the index (none when the
    // record's range lies outside it).
    const int32_t* RowsBegin(size_t index) const { return FRows.data() + FWords[index].RowsBegin; }
    const int32_t* RowsEnd(size_t index) const { return FRows.data() + FWords[index].RowsEnd; }
    size_t RowCount() const { return FRows.size(); }

    // The first word equal to `word`, or -1.
    int64_t Find(std::string_view word) const;

private:
    struct AllWordsRecord {
        uint32_t Offset;
        uint32_t Length;
        uint32_t RowsBegin;
        uint32_t RowsEnd;
    };
    void BuildLookup();

    std::string FBytes;
    std::vector<AllWordsRecord> FWords;
    std::vector<int32_t> FRows;
    // Open addressing over word indexes + 1 (0: empty slot); a power of two long.
    std::vector<uint32_t> FSlots;
};
