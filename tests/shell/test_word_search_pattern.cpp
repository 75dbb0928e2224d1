#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "framework/cp1251.h"
#include "shell/word_pattern.h"

namespace {

bool Matches(const std::string& patternUtf8, const std::string& wordUtf8) {
    return MatchPattern(Utf8ToAnsi(wordUtf8), SplitPattern(Utf8ToAnsi(patternUtf8)));
}

TEST(WordPattern, StarsAndQuestionMarks) {
    struct Case {
        const char* pattern;
        const char* word;
        bool match;
    } cases[] = {
        {"*", "СЕТЬ", true},
        {"*", "", true},
        {"А*", "АДРЕС", true},
        {"А*", "А", true},
        {"А*", "БАНК", false},
        {"А?", "АБ", true},
        {"А?", "А", false},
        {"А?", "АБВ", false},
        {"А*??Б", "АВГБ", true},
        {"А*??Б", "АВБ", false},
        {"А*??Б", "АБ", false},
        {"А??*Б", "АВГБ", true},
        {"А??*Б", "АВБ", false},
        {"А??*Б", "АВГДЕБ", true},
        {"**", "СЕТЬ", true},
        {"**А", "БА", true},
        {"*?", "", true},  // an empty last segment matches at once, whatever its MinSkip
        {"*?", "Я", true},
        {"*ИЯ", "АДРЕСАЦИЯ", true},
        {"*ИЯ", "ИЯ", true},
        {"*ИЯ", "АДРЕС", false},
        {"?О*", "ТОК", true},
        {"?О*", "ОКО", false},
        {"А*Б*В", "АББВ", true},
        {"А*Б*В", "АВБ", false},
        {"А*Б*В", "АБВБВ", true},
        {"*АБ*АБ", "АБАБ", true},
        {"*АБ*АБ", "АБАБАБ", true},
        {"*АБ*АБ", "АБА", false},
        {"*А?А", "ААА", true},
        {"*А?А", "ААБА", true},
        {"ТОК", "ТОК", true},
        {"ТОК", "ТОКИ", false},
        {"Т?К", "ТИК", true},
        {"", "", true},
        {"", "А", false},
    };
    for (const Case& c : cases) EXPECT_EQ(Matches(c.pattern, c.word), c.match) << c.pattern << " on " << c.word;
}

TEST(WordPattern, QuestionMarksAroundAStarBecomeTheNextSegmentsSkip) {
    struct Case {
        const char* pattern;
        std::vector<PatternSegment> segments;
    } cases[] = {
        {"А*??Б", {{"А", 0}, {"Б", 2}}},
        {"А??*Б", {{"А", 0}, {"Б", 2}}},
        {"А?*?Б?", {{"А", 0}, {"Б?", 2}}},
        {"**", {{"", 0}, {"", 0}}},
        {"*?*", {{"", 0}, {"", 1}}},
        {"?", {{"?", 0}}},
    };
    for (const Case& c : cases) {
        const std::vector<PatternSegment> got = SplitPattern(Utf8ToAnsi(c.pattern));
        ASSERT_EQ(got.size(), c.segments.size()) << c.pattern;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].Text, Utf8ToAnsi(c.segments[i].Text)) << c.pattern << " segment " << i;
            EXPECT_EQ(got[i].MinSkip, c.segments[i].MinSkip) << c.pattern << " segment " << i;
        }
    }
}

// The tail match as first written: every start position tried, with recursion.
int RecursiveTail(std::string_view t, const std::vector<PatternSegment>& s, size_t d) {
    const std::string& x = s[d].Text;
    const size_t l = x.size();
    if (t.size() < l) return 0;
    if (l == 0) return 1;
    for (size_t i = static_cast<size_t>(s[d].MinSkip); i + l <= t.size(); ++i) {
        bool fits = true;
        for (size_t k = 0; k < l && fits; ++k) fits = x[k] == '?' || x[k] == t[i + k];
        if (!fits) continue;
        if (d + 1 < s.size()) {
            if (RecursiveTail(t.substr(i + l), s, d + 1) == 1) return 1;
        } else if (i + l == t.size()) {
            return 1;
        }
    }
    return 0;
}

bool RecursiveMatch(std::string_view w, const std::vector<PatternSegment>& s) {
    const std::string& first = s[0].Text;
    if (w.size() < first.size()) return false;
    for (size_t k = 0; k < first.size(); ++k)
        if (first[k] != '?' && first[k] != w[k]) return false;
    if (s.size() == 1) return w.size() == first.size();
    return RecursiveTail(w.substr(first.size()), s, 1) == 1;
}

TEST(WordPattern, AgreesWithTheRecursionOnRandomPatterns) {
    std::mt19937 random(20261209);
    // Few letters, so that segments often fit in several places.
    const char pieces[] = {'\xC0', '\xC1', '\xC2', '*', '?'};  // А Б В * ?
    auto pick = [&](int n, bool withWildcards) {
        std::string s;
        const int length = static_cast<int>(random() % static_cast<unsigned>(n + 1));
        for (int i = 0; i < length; ++i) s += pieces[random() % (withWildcards ? 5u : 3u)];
        return s;
    };
    int matched = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string pattern = pick(8, true);
        const std::string word = pick(10, false);
        const auto segments = SplitPattern(pattern);
        const bool expected = RecursiveMatch(word, segments);
        ASSERT_EQ(MatchPattern(word, segments), expected) << AnsiToUtf8(pattern) << " on " << AnsiToUtf8(word);
        matched += expected;
    }
    EXPECT_GT(matched, 1000);  // the table exercised both answers
}

TEST(WordPattern, LongPatternsMatchWholly) {
    // 41 segments: "А*" forty times and a final "Б".
    std::string pattern41;
    for (int i = 0; i < 40; ++i) pattern41 += "\xC0*";
    pattern41 += "\xC1";
    ASSERT_EQ(SplitPattern(pattern41).size(), 41u);
    EXPECT_TRUE(MatchPattern(std::string(40, '\xC0') + "\xC1", SplitPattern(pattern41)));
    EXPECT_FALSE(MatchPattern(std::string(39, '\xC0') + "\xC1", SplitPattern(pattern41)));

    // A segment of 80 characters, its last one different.
    const std::string long80 = std::string(79, '\xC0') + "\xC1";
    EXPECT_TRUE(MatchPattern("\xC2" + long80, SplitPattern("*" + long80)));
    EXPECT_FALSE(MatchPattern("\xC2" + std::string(80, '\xC0'), SplitPattern("*" + long80)));

    // 259 characters, all literal.
    const std::string word259(259, '\xC4');
    EXPECT_TRUE(MatchPattern(word259, SplitPattern(word259)));
    EXPECT_FALSE(MatchPattern(word259 + "\xC4", SplitPattern(word259)));
}

TEST(WordPattern, ManyStarsOnALongWordEndAtOnce) {
    // Twelve "*А" and a final "*Б" on 200 letters А: the first-written search
    // tries every way to place twelve segments in 200 letters.
    std::string pattern;
    for (int i = 0; i < 12; ++i) pattern += "*\xC0";
    pattern += "*\xC1";
    EXPECT_FALSE(MatchPattern(std::string(200, '\xC0'), SplitPattern(pattern)));
    EXPECT_TRUE(MatchPattern(std::string(200, '\xC0') + "\xC1", SplitPattern(pattern)));
}

TEST(WordPattern, AnUnmatchableCharacterMatchesNoWord) {
    std::string pattern = "\xC0";
    pattern += kUnmatchableChar;
    for (unsigned b = 1; b < 256; ++b) {
        std::string word = "\xC0";
        word += static_cast<char>(b);
        EXPECT_FALSE(MatchPattern(word, SplitPattern(pattern))) << b;
    }
}

// ---------------------------------------------------------------------------
// The word files

std::string Int32(int32_t v) {
    std::string s(4, '\0');
    for (int k = 0; k < 4; ++k) s[static_cast<size_t>(k)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * k)) & 0xFF);
    return s;
}

std::string Record(const std::string& word, int32_t n, int32_t f) {
    return word + "$" + Int32(n) + Int32(f);
}

std::string Rows(const std::vector<int32_t>& rows) {
    std::string s;
    for (int32_t r : rows) s += Int32(r);
    return s;
}

std::vector<int32_t> RowsOf(const TAllWords& words, size_t k) {
    return {words.RowsBegin(k), words.RowsEnd(k)};
}

TEST(WordFiles, RecordsAreReadToTheLastWholeOneWhateverCountSays) {
    const std::string records = Record("AB", 2, 0) + Record("CD", 1, 2) + Record("EF", 1, 3);
    for (int32_t count : {0, 1, 3, 1000, -7}) {
        TAllWords words;
        words.Load(Int32(count) + records, Rows({5, 6, 7, 8}));
        ASSERT_EQ(words.Count(), 3u) << count;
        EXPECT_EQ(words.Word(2), "EF");
        EXPECT_EQ(RowsOf(words, 0), (std::vector<int32_t>{5, 6}));
        EXPECT_EQ(RowsOf(words, 2), (std::vector<int32_t>{8}));
    }
}

TEST(WordFiles, BrokenRecordsAndRanges) {
    struct Case {
        const char* what;
        std::string dat;
        size_t count;
        std::vector<int32_t> lastRows;
    } cases[] = {
        {"truncated F", Int32(2) + Record("AB", 1, 0) + "CD$" + Int32(1) + "\x01\x00", 1, {10}},
        {"truncated N", Int32(2) + Record("AB", 1, 0) + "CD$\x01", 1, {10}},
        {"word without '$'", Int32(2) + Record("AB", 1, 0) + "CDEF", 1, {10}},
        // 0x24 is '$': inside N or F it is a number, the next record starts after F.
        {"0x24 in N and F", Int32(2) + Record("AB", 0x24, 0) + Record("CD", 1, 0x24), 2, {}},
        {"F+N past the index", Int32(1) + Record("AB", 10, 2), 1, {12, 13}},
        {"F past the index", Int32(1) + Record("AB", 1, 9), 1, {}},
        {"F negative", Int32(1) + Record("AB", 3, -2), 1, {10}},
        {"N negative", Int32(1) + Record("AB", -3, 1), 1, {}},
        {"F+N overflows 32 bits", Int32(1) + Record("AB", 0x7FFFFFFF, 0x7FFFFFF0), 1, {}},
        {"only a count", Int32(5), 0, {}},
        {"less than a count", "\x01\x02", 0, {}},
        {"empty word", Int32(1) + Record("", 1, 1), 1, {11}},
    };
    for (const Case& c : cases) {
        TAllWords words;
        words.Load(c.dat, Rows({10, 11, 12, 13}));
        ASSERT_EQ(words.Count(), c.count) << c.what;
        if (c.count > 0) {
            EXPECT_EQ(RowsOf(words, c.count - 1), c.lastRows) << c.what;
        }
    }
}

TEST(WordFiles, MissingFilesGiveNoWordsOrNoRows) {
    TAllWords words;
    words.Load({}, {});
    EXPECT_EQ(words.Count(), 0u);
    EXPECT_EQ(words.Find("AB"), -1);

    words.Load(Int32(1) + Record("AB", 2, 0), {});
    ASSERT_EQ(words.Count(), 1u);
    EXPECT_TRUE(RowsOf(words, 0).empty());
    // A partial last row of the index is no row.
    words.Load(Int32(1) + Record("AB", 2, 0), Rows({4}) + "\x05");
    EXPECT_EQ(RowsOf(words, 0), (std::vector<int32_t>{4}));
}

TEST(WordFiles, FindGivesTheFirstOfEqualWords) {
    TAllWords words;
    std::string dat = Int32(0);
    for (int i = 0; i < 500; ++i) dat += Record("W" + std::to_string(i), 0, 0);
    dat += Record("W7", 0, 0);
    words.Load(dat, {});
    EXPECT_EQ(words.Find("W7"), 7);
    EXPECT_EQ(words.Find("W499"), 499);
    EXPECT_EQ(words.Find("W500"), -1);
    EXPECT_EQ(words.Find(""), -1);
}

}  // namespace
