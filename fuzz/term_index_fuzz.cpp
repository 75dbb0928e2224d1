// Native fuzz target for the term index "voc.ind" and the article ranges its
// records name in "voc.dat": every key and display name the table gives lies
// inside what it read, the searches find rows that really match, and every
// record's range stays inside the article file whatever its offset and length.
//
// Input: 8 bytes of "voc.dat" size (any value, negative ones too), then the index.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/article_page.h"
#include "shell/term_table.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    int64_t datSize = 0;
    std::memcpy(&datSize, data, 8);
    const std::string_view index(reinterpret_cast<const char*>(data) + 8, size - 8);
    TUpperTable upper;
    for (int i = 0; i < 256; ++i)
        upper[static_cast<size_t>(i)] = static_cast<uint8_t>(i >= 'a' && i <= 'z' ? i - 32 : (i >= 0xE0 ? i - 32 : i));

    TTermTable table;
    table.Load(index, upper);
    Check(static_cast<size_t>(table.Count()) * 10 <= index.size());
    size_t bytes = 4;
    for (int row = 0; row < table.Count(); ++row) {
        const TermRecord& r = table.Term(row);
        Check(table.Key(row).size() == r.KeyLen && table.Name(row).size() == r.NameLen);
        bytes += 10 + r.KeyLen + 2u * r.NameLen;
        const TArticleSpan span = ArticleSpan(r.Offset, r.Length, datSize);
        Check(span.Count >= 0 && span.Count <= std::max(r.Length, 0));
        if (span.Count > 0) Check(span.Start == r.Offset && span.Start + span.Count <= datSize);
    }
    Check(bytes <= std::max<size_t>(index.size(), 4));

    // Searches over the first rows only: each one is a pass over the table.
    for (int row = 0; row < std::min(table.Count(), 8); ++row) {
        const std::string_view key = table.Key(row);
        const int found = table.FindPrefix(key);
        Check(found >= 0 && found <= row && table.Key(found).substr(0, key.size()) == key);
        const std::string text(key.substr(0, key.size() / 2 + 1));
        for (bool down : {true, false})
            for (bool whole : {true, false}) {
                const int hit = table.FindSubstring(text, row, down, whole);
                if (hit < 0) continue;
                Check(hit != row && hit < table.Count() && (down ? hit > row : hit < row));
                const std::string_view k = table.Key(hit);
                Check(whole ? k == text : k.find(text) != std::string_view::npos);
            }
    }
    return 0;
}
