// Native fuzz target for the word files and the pattern matcher: on any input
// the word list must name only bytes of its file and rows of its index, find
// each of its words again, and match every word as the plain backtracking
// search does.
//
// Input: byte 0 the pattern's length, then the pattern, then the word list;
// the last quarter of what follows the pattern is the row index.
//
// Build with the host's clang (fuzz/run.sh does):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I src fuzz/words_fuzz.cpp \
//       src/shell/word_pattern.cpp -o words_fuzz
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/word_pattern.h"

namespace {

// Tries every start position of every segment: exponential, so only fed
// short words and few segments.
bool Backtrack(std::string_view t, const std::vector<PatternSegment>& s, size_t d) {
    const std::string& x = s[d].Text;
    if (t.size() < x.size()) return false;
    if (x.empty()) return true;
    for (size_t i = static_cast<size_t>(s[d].MinSkip); i + x.size() <= t.size(); ++i) {
        bool fits = true;
        for (size_t k = 0; k < x.size() && fits; ++k) fits = x[k] == '?' || x[k] == t[i + k];
        if (!fits) continue;
        if (d + 1 < s.size()) {
            if (Backtrack(t.substr(i + x.size()), s, d + 1)) return true;
        } else if (i + x.size() == t.size()) {
            return true;
        }
    }
    return false;
}

bool PlainMatch(std::string_view w, const std::vector<PatternSegment>& s) {
    const std::string& first = s[0].Text;
    if (w.size() < first.size()) return false;
    for (size_t k = 0; k < first.size(); ++k)
        if (first[k] != '?' && first[k] != w[k]) return false;
    if (s.size() == 1) return w.size() == first.size();
    return Backtrack(w.substr(first.size()), s, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t patternLength = std::min<size_t>(data[0], size - 1);
    const std::string_view pattern = bytes.substr(1, patternLength);
    const std::string_view rest = bytes.substr(1 + patternLength);
    const size_t split = rest.size() - rest.size() / 4;
    const std::string_view dat = rest.substr(0, split);
    const std::string_view ind = rest.substr(split);

    TAllWords words;
    words.Load(std::string(dat), ind);
    if (words.RowCount() != ind.size() / 4) std::abort();
    const std::vector<PatternSegment> segments = SplitPattern(pattern);
    for (size_t k = 0; k < words.Count(); ++k) {
        const std::string_view word = words.Word(k);
        if (word.find('$') != std::string_view::npos) std::abort();
        if (words.RowsBegin(k) > words.RowsEnd(k)) std::abort();
        if (words.RowsEnd(k) - words.RowsBegin(k) > static_cast<ptrdiff_t>(words.RowCount())) std::abort();
        const int64_t found = words.Find(word);
        if (found < 0 || found > static_cast<int64_t>(k) || words.Word(static_cast<size_t>(found)) != word) std::abort();
        const bool match = MatchPattern(word, segments);
        if (word.size() <= 24 && segments.size() <= 6 && match != PlainMatch(word, segments)) std::abort();
    }
    return 0;
}
