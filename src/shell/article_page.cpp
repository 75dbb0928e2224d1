#include "shell/article_page.h"

#include <algorithm>
#include <cstdio>

namespace {

// Entities the word scan decodes (names upper-case, as compared) and the
// code page 1251 bytes they stand for.
struct EntityRow {
    const char* name;
    const char* bytes;
};

const EntityRow HtmlEntityTable[] = {
    {"NBSP", " "},
    {"AACUTE", "\xE1"}, {"ACIRC", "\xE2"}, {"AELIG", "\xE6"}, {"AGRAVE", "\xE0"}, {"AMP", "&"},
    {"ARING", "\xE5"}, {"ATILDE", "\xE3"}, {"AUML", "\xE4"}, {"CCEDIL", "\xE7"}, {"DIVIDE", "\xF7"},
    {"EACUTE", "\xE9"}, {"ECIRC", "\xEA"}, {"EGRAVE", "\xE8"}, {"ETH", "\xF0"}, {"EUML", "\xEB"},
    {"GT", ">"}, {"IACUTE", "\xED"}, {"ICIRC", "\xEE"}, {"IGRAVE", "\xEC"}, {"IUML", "\xEF"},
    {"LT", "<"}, {"NTILDE", "\xF1"}, {"OACUTE", "\xF3"}, {"OCIRC", "\xF4"}, {"OGRAVE", "\xF2"},
    {"OSLASH", "\xF8"}, {"OTILDE", "\xF5"}, {"OUML", "\xF6"}, {"QUOT", "\""}, {"SZLIG", "\xDF"},
    {"THORN", "\xFE"}, {"UACUTE", "\xFA"}, {"UCIRC", "\xFB"}, {"UGRAVE", "\xF9"}, {"UUML", "\xFC"},
    {"YACUTE", "\xFD"}, {"YUML", "\xFF"},
    {"TRADE", "TM"}, {"#8212", "--"},
    {"#9484", "\x03"}, {"#9472", "\x04"}, {"#9516", "\x05"}, {"#9474", "\x06"}, {"#9500", "\x07"},
    {"#9508", "\x08"}, {"#9488", "\x0F"}, {"#9492", "\x10"}, {"#9496", "\x11"}, {"#9524", "\x12"},
    {"#9532", "\x13"},
    {"LAQUO", "\""}, {"RAQUO", "\""}, {"DEG", "\xB0"}, {"TILDE", "~"}, {"NDASH", "-"}, {"MDASH", "--"},
    {"#", " "}, {"REG", "(r)"},
};
static_assert(sizeof(HtmlEntityTable) / sizeof(HtmlEntityTable[0]) == 59);

const EntityRow* FindEntity(std::string_view upperName) {
    for (const EntityRow& row : HtmlEntityTable)
        if (upperName == row.name) return &row;
    return nullptr;
}

bool IsLetter(unsigned char c) {
    return c >= 0xC0 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A decimal number at `at` (digits only), saturating instead of overflowing.
int64_t DecimalAt(const std::string& s, size_t at) {
    int64_t value = 0;
    for (; at < s.size() && s[at] >= '0' && s[at] <= '9'; ++at) {
        value = value * 10 + (s[at] - '0');
        if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
    }
    return value;
}

}  // namespace

TArticleSpan ArticleSpan(int32_t offset, int32_t length, int64_t fileSize) {
    if (offset < 0 || length <= 0 || offset >= fileSize) return {};
    return {offset, static_cast<int32_t>(std::min<int64_t>(length, fileSize - offset))};
}

void TUnicodeCharTable::Load(std::string_view bytes) {
    FRecords.clear();
    const size_t count = std::min<size_t>(bytes.size() / 8, 256);
    for (size_t r = 0; r < count; ++r) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + r * 8);
        const auto codePoint = static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
        FRecords.emplace_back(codePoint, p[4]);
    }
}

uint8_t TUnicodeCharTable::Find(int64_t codePoint) const {
    for (const auto& [code, byte] : FRecords)
        if (code == codePoint) return byte;
    return 0;
}

void ScanArticleWords(std::string& copy, const TUnicodeCharTable& table, const TWordSink& emit) {
    const size_t n = copy.size();
    bool inTag = false;
    std::string word;
    bool tooLong = false;  // a run of letters past kMaxWordLength is never a hit
    int32_t wordStart = 0;
    int32_t LastLetter = 0;
    int hyphen = 0;  // 0 none, 1 hyphen seen, 2 hyphen then line break
    size_t nextSemicolon = 0;
    bool semicolonKnown = false;

    auto flush = [&] {
        if (!word.empty() && !tooLong) emit(word, wordStart, LastLetter);
        word.clear();
        tooLong = false;
    };

    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(copy[i]);
        if (c == '<') {
            inTag = true;
            continue;
        }
        if (inTag) {
            if (c != '>') continue;
            inTag = false;
        }
        if (word.empty() && !tooLong) wordStart = static_cast<int32_t>(i);

        bool entityDecoded = false;
        if (c == '&') {
            // The next ';' is looked for again only once the scan has passed
            // it (or a replacement wrote over it): a search to the end for
            // every '&' would make long articles quadratic.
            if (!semicolonKnown || (nextSemicolon != std::string::npos && nextSemicolon < i)) {
                nextSemicolon = copy.find(';', i);
                semicolonKnown = true;
            }
            const size_t semicolon = nextSemicolon;
            const size_t d = semicolon == std::string::npos ? 0 : semicolon - i;
            const EntityRow* row = nullptr;
            if (semicolon != std::string::npos && d >= 3 && d <= 20) {
                std::string name = copy.substr(i + 1, d - 1);
                std::transform(name.begin(), name.end(), name.begin(), AsciiUpper);
                row = FindEntity(name);
            }
            if (row) {
                // The replacement ends on the ';'; scanning goes on from its first byte.
                const size_t k = std::string_view(row->bytes).size();
                const size_t first = i + d + 1 - k;
                std::copy_n(row->bytes, k, copy.begin() + static_cast<std::ptrdiff_t>(first));
                semicolonKnown = false;
                i = first;
                c = static_cast<unsigned char>(copy[i]);
                entityDecoded = true;
            } else if (semicolon != std::string::npos && i + 1 < n && copy[i + 1] == '#') {
                const uint8_t byte = table.Find(DecimalAt(copy, i + 2));
                i = semicolon;
                if (byte == 0) continue;  // a character the table does not know is skipped whole
                copy[i] = static_cast<char>(byte);
                c = byte;
            }
        }
        if (!entityDecoded && c == 0xA0) c = 0x20;
        if (c == 0xB8) c = 0xE5;  // the letter with diaeresis folds to its plain letter

        if (IsLetter(c)) {
            if (hyphen == 1 && !word.empty()) {
                flush();
                wordStart = static_cast<int32_t>(i);
            }
            hyphen = 0;
            if (word.size() < kMaxWordLength)
                word.push_back(static_cast<char>(c));
            else
                tooLong = true;
            LastLetter = static_cast<int32_t>(i);
        } else if (c == '-') {
            hyphen = hyphen == 0 ? 1 : 0;
        } else if ((c == ' ' || c == '\r' || c == '\n') && hyphen != 0) {
            if (c != ' ') hyphen = 2;
        } else {
            flush();
            hyphen = 0;
        }
    }
}

std::string MarkSearchHits(std::string_view article, const std::vector<TSearchHit>& hits, std::string_view hexColor) {
    std::string out;
    out.reserve(article.size() + hits.size() * 64);
    size_t from = 0;
    int number = 0;
    char mark[96];
    for (const TSearchHit& hit : hits) {
        const auto start = static_cast<size_t>(hit.HitStart);
        const auto end = static_cast<size_t>(hit.HitEnd);
        if (hit.HitStart < 0 || start < from || end < start || end >= article.size()) continue;
        out.append(article.substr(from, start - from));
        std::snprintf(mark, sizeof mark, "<a name=\"word%d\"></a><font color=\"#%.*s\"><b>", ++number,
                      static_cast<int>(hexColor.size()), hexColor.data());
        out += mark;
        out.append(article.substr(start, end - start + 1));
        out += "</b></font>";
        from = end + 1;
    }
    out.append(article.substr(std::min(from, article.size())));
    return out;
}

std::string HtmlHexOfRgb(uint32_t color) {
    color &= 0xFFFFFF;
    const uint32_t swapped = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
    char text[8];
    std::snprintf(text, sizeof text, "%06x", swapped);
    return text;
}

std::string BuildArticlePage(std::string_view head, std::string_view article) {
    static constexpr std::string_view kClosing = "</BODY></HTML>";
    std::string page;
    page.reserve(head.size() + article.size() + kClosing.size());
    page.append(head).append(article).append(kClosing);
    return page;
}
