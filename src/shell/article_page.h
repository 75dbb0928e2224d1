// The article page: head, article bytes (with search hits marked) and the
// closing tags, all code page 1251. Free of windows.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Byte positions in the article; the end is inclusive.
struct TSearchHit {
    int32_t HitStart = 0;
    int32_t HitEnd = 0;
};

// An article marks at most this many hits.
constexpr size_t kMaxSearchHits = 1023;
// Longest word the scan collects; a longer run of letters is never a hit.
constexpr size_t kMaxWordLength = 255;

// "unicod.bin": 8-byte records {int32 code point, int32 whose low byte is the
// code page 1251 byte}; the first 256 are used, a trailing partial one ignored.
class TUnicodeCharTable {
public:
    void Load(std::string_view bytes);
    int Count() const { return static_cast<int>(FRecords.size()); }
    // The byte of the first record with this code point; 0 when none.
    uint8_t Find(int64_t codePoint) const;

private:
    std::vector<std::pair<int32_t, uint8_t>> FRecords;
};

// Reports each word of an article: its letters (at most kMaxWordLength) and the
// positions of its start and of its last letter. Decodes entities in place in
// `copy`, so the positions still name the article's own bytes.
using TWordSink = std::function<void(std::string_view word, int32_t start, int32_t LastLetter)>;
void ScanArticleWords(std::string& copy, const TUnicodeCharTable& table, const TWordSink& emit);

// The article with every hit wrapped in its anchor (numbered from 1) and a
// bold span in the colour given as six hex digits.
std::string MarkSearchHits(std::string_view article, const std::vector<TSearchHit>& hits,
                           std::string_view hexColor);

// RRGGBB (lower case) of a colour value whose lowest byte is red.
std::string HtmlHexOfRgb(uint32_t color);

// The bytes of "voc.dat" that an index record's offset and length name, within
// a file of `fileSize` bytes: only what the file really holds, nothing for a
// negative offset, a length of zero or less or an offset at or past the end.
struct TArticleSpan {
    int64_t Start = 0;
    int32_t Count = 0;
};
TArticleSpan ArticleSpan(int32_t offset, int32_t length, int64_t fileSize);

// Head, article, then "</BODY></HTML>".
std::string BuildArticlePage(std::string_view head, std::string_view article);
