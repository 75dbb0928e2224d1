#include "shell/term_table.h"

#include <algorithm>
#include <cstring>

namespace {

int32_t ReadInt32(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

constexpr size_t kFixedRecordBytes = 10;

}  // namespace

void TTermTable::Clear() {
    FRecords = {};
    FKeys = {};
    FNames = {};
    FDamaged = false;
}

void TTermTable::Load(std::string_view index, const TUpperTable& upper) {
    Clear();
    if (index.size() < 4) {
        FDamaged = true;
        return;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(index.data());
    const size_t size = index.size();
    const int32_t count = ReadInt32(data);

    // Each record takes at least 10 bytes, so the file bounds what Count may
    // claim; a smaller or negative Count still lets the records be read.
    size_t possible = (size - 4) / kFixedRecordBytes;
    size_t wanted = count > 0 ? std::min<size_t>(static_cast<size_t>(count), possible) : 0;
    FRecords.reserve(wanted);
    FKeys.reserve(std::min(size, wanted * 16));
    FNames.reserve(std::min(size / 2, wanted * 16));

    size_t pos = 4;
    while (pos < size) {
        if (size - pos < kFixedRecordBytes) break;
        TermRecord r;
        r.Offset = ReadInt32(data + pos);
        r.Length = ReadInt32(data + pos + 4);
        r.KeyLen = data[pos + 8];
        r.NameLen = data[pos + 9];
        size_t body = static_cast<size_t>(r.KeyLen) + 2u * r.NameLen;
        if (size - pos - kFixedRecordBytes < body) break;
        const unsigned char* key = data + pos + kFixedRecordBytes;
        const unsigned char* name = key + r.KeyLen;
        r.KeyPos = static_cast<uint32_t>(FKeys.size());
        for (size_t k = 0; k < r.KeyLen; ++k) FKeys.push_back(static_cast<char>(upper[key[k]]));
        r.NamePos = static_cast<uint32_t>(FNames.size());
        for (size_t n = 0; n < r.NameLen; ++n)
            FNames.push_back(static_cast<char16_t>(name[2 * n] | (name[2 * n + 1] << 8)));
        if (Unplaced(r)) FDamaged = true;
        FRecords.push_back(r);
        pos += kFixedRecordBytes + body;
    }
    if (pos != size || static_cast<int64_t>(count) != static_cast<int64_t>(FRecords.size())) FDamaged = true;
    FRecords.shrink_to_fit();
    FKeys.shrink_to_fit();
    FNames.shrink_to_fit();
}

std::string_view TTermTable::Key(int row) const {
    const TermRecord& r = Term(row);
    return std::string_view(FKeys).substr(r.KeyPos, r.KeyLen);
}

std::u16string_view TTermTable::Name(int row) const {
    const TermRecord& r = Term(row);
    return std::u16string_view(FNames).substr(r.NamePos, r.NameLen);
}

int TTermTable::FindPrefix(std::string_view prefix) const {
    const int count = Count();
    for (int row = 0; row < count; ++row) {
        const TermRecord& r = FRecords[static_cast<size_t>(row)];
        if (r.KeyLen < prefix.size()) continue;
        if (std::memcmp(FKeys.data() + r.KeyPos, prefix.data(), prefix.size()) == 0) return row;
    }
    return -1;
}

int TTermTable::FindSubstring(std::string_view text, int from, bool down, bool wholeWord) const {
    auto matches = [&](int row) {
        std::string_view key = Key(row);
        return wholeWord ? key == text : key.find(text) != std::string_view::npos;
    };
    const int count = Count();
    if (down) {
        for (int row = std::max(from + 1, 0); row < count; ++row)
            if (matches(row)) return row;
    } else {
        for (int row = std::min(from - 1, count - 1); row >= 0; --row)
            if (matches(row)) return row;
    }
    return -1;
}

size_t TTermTable::MemoryUsed() const {
    return FRecords.capacity() * sizeof(TermRecord) + FKeys.capacity() + FNames.capacity() * sizeof(char16_t);
}
