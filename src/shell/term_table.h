// The dictionary's term index ("voc.ind") held in memory, and the two term
// searches of the list. Free of windows.h: the upper-casing of code page 1251
// is handed in as a byte table.
//
// "voc.ind", little-endian and packed: int32 Count, then Count records of
//   int32 Offset, int32 Length (the article in "voc.dat"),
//   uint8 KeyLen, uint8 NameLen (UTF-16 units),
//   KeyLen bytes of search key (code page 1251), NameLen x 2 bytes of display
//   name (UTF-16LE).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Upper-case form of each code page 1251 byte.
using TUpperTable = std::array<uint8_t, 256>;

struct TermRecord {
    int32_t Offset = 0;
    int32_t Length = 0;
    uint32_t KeyPos = 0;   // into the table's key bytes
    uint32_t NamePos = 0;  // into the table's name units
    uint8_t KeyLen = 0;
    uint8_t NameLen = 0;
};

class TTermTable {
public:
    // Reads an index image. Records are self-delimiting, so every whole record
    // is taken whatever Count claims; reading stops at the first incomplete
    // record. Keys are upper-cased with `upper`.
    void Load(std::string_view index, const TUpperTable& upper);
    void Clear();
    // Whether the last Load met a damaged index: no whole Count, a Count other
    // than the records found, a cut record, or a record whose article has a
    // negative offset or length (kept, so later rows keep their numbers).
    bool Damaged() const { return FDamaged; }
    // A record whose article the index cannot place.
    static bool Unplaced(const TermRecord& r) { return r.Offset < 0 || r.Length < 0; }

    int Count() const { return static_cast<int>(FRecords.size()); }
    const TermRecord& Term(int row) const { return FRecords[static_cast<size_t>(row)]; }
    std::string_view Key(int row) const;
    std::u16string_view Name(int row) const;

    // The first row whose key starts with `prefix` (already upper-cased); -1 if none.
    int FindPrefix(std::string_view prefix) const;
    // The find dialog's rule: rows after `from` going down (or before it going
    // up), the row itself never tested; a key matches when it equals `text`
    // (whole word) or contains it. -1 if none.
    int FindSubstring(std::string_view text, int from, bool down, bool wholeWord) const;

    // Bytes held for the table (for the benchmark's memory figure).
    size_t MemoryUsed() const;

private:
    std::vector<TermRecord> FRecords;
    std::string FKeys;
    std::u16string FNames;
    bool FDamaged = false;
};
