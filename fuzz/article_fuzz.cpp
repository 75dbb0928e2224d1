// Native fuzz target for the article word scan and hit marking: any article
// bytes scan and mark without reading past them, and every reported word lies
// inside the article in increasing order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/article_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string article(reinterpret_cast<const char*>(data), size);
    TUnicodeCharTable table;
    table.Load(article.substr(0, std::min<size_t>(article.size(), 64)));
    std::string copy = article;
    std::vector<TSearchHit> hits;
    ScanArticleWords(copy, table, [&](std::string_view word, int32_t start, int32_t end) {
        if (word.empty() || word.size() > kMaxWordLength || start < 0 || end < start ||
            static_cast<size_t>(end) >= article.size() || (!hits.empty() && start <= hits.back().HitEnd))
            std::abort();
        hits.push_back({start, end});
    });
    const std::string marked = MarkSearchHits(article, hits, "ff0000");
    if (marked.size() < article.size()) std::abort();
    return 0;
}
