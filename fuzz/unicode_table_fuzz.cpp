// Native fuzz target for "unicod.bin", all 256 records of it, and the article
// scan that uses it: the table holds one entry per whole record up to 256,
// finds the first record of every code point, and the scan over the rest of
// the input reports words inside the article only.
//
// Input: byte 0 and 1 the table's length (up to 2,048 bytes plus a partial
// record), then the table, then the article.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/article_page.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

int32_t CodePointAt(const uint8_t* p) {
    uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return static_cast<int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t tableSize = std::min<size_t>((data[0] | (data[1] << 8)) % 2056, size - 2);
    const uint8_t* bytes = data + 2;
    TUnicodeCharTable table;
    table.Load(std::string_view(reinterpret_cast<const char*>(bytes), tableSize));
    const size_t records = std::min<size_t>(tableSize / 8, 256);
    Check(static_cast<size_t>(table.Count()) == records);
    for (size_t r = 0; r < records; ++r) {
        const int32_t code = CodePointAt(bytes + r * 8);
        size_t first = 0;
        while (CodePointAt(bytes + first * 8) != code) ++first;
        Check(table.Find(code) == bytes[first * 8 + 4]);
    }

    std::string article(reinterpret_cast<const char*>(bytes) + tableSize, size - 2 - tableSize);
    const size_t length = article.size();
    ScanArticleWords(article, table, [&](std::string_view word, int32_t start, int32_t end) {
        Check(!word.empty() && word.size() <= kMaxWordLength && start >= 0 && end >= start &&
              static_cast<size_t>(end) < length);
    });
    return 0;
}
