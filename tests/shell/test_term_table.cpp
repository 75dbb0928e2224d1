#include <gtest/gtest.h>

#include <string>

#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "shell/main_form.h"
#include "shell/term_table.h"
#include "index_image.h"

namespace {

using testing_support::IndexImage;
using Term = testing_support::IndexTerm;

const std::vector<Term> kTerms = {
    {0, 10, "адрес", "Адрес"},
    {10, 20, "адресация", "Адресация"},
    {30, 5, "ёмкость канала", "Ёмкость канала"},
    {30, 5, "канал", "Канал"},  // shares its article with the row before
    {35, 7, "hub", "Hub"},
};

TEST(TermTable, ReadsRecordsAndUpperCasesKeysByCodePage1251) {
    TTermTable table;
    table.Load(IndexImage(kTerms), PlatformUpperTable());
    ASSERT_EQ(table.Count(), 5);
    EXPECT_EQ(table.Key(0), Utf8ToAnsi("АДРЕС"));
    EXPECT_EQ(table.Key(2), Utf8ToAnsi("ЁМКОСТЬ КАНАЛА"));
    EXPECT_EQ(table.Key(4), "HUB");
    std::wstring name = Utf8ToWide("Ёмкость канала");
    EXPECT_EQ(table.Name(2), std::u16string(name.begin(), name.end()));
    EXPECT_EQ(table.Term(3).Offset, table.Term(2).Offset);
    EXPECT_EQ(table.Term(1).Length, 20);
}

TEST(TermTable, DamagedIndexesAreReadUpToTheLastWholeRecordAndSaySo) {
    std::string image = IndexImage(kTerms);
    auto withTerm = [](int32_t offset, int32_t length) {
        std::vector<Term> terms = kTerms;
        terms[1].offset = offset;
        terms[1].length = length;
        return IndexImage(terms);
    };
    struct Case {
        const char* what;
        std::string bytes;
        int rows;
        bool damaged;
    } cases[] = {
        {"whole", image, 5, false},
        {"no terms", IndexImage({}), 0, false},
        {"empty article", withTerm(10, 0), 5, false},
        {"empty file", "", 0, true},
        {"cut inside Count", image.substr(0, 3), 0, true},
        {"count only", image.substr(0, 4), 0, true},
        {"negative count", IndexImage(kTerms, -5), 5, true},
        {"zero count", IndexImage(kTerms, 0), 5, true},
        {"count beyond the records", IndexImage(kTerms, 1000000), 5, true},
        {"count below the records", IndexImage(kTerms, 2), 5, true},
        {"cut at half", image.substr(0, image.size() / 2), 2, true},
        {"cut inside the last name", image.substr(0, image.size() - 1), 4, true},
        {"cut inside a fixed part", image.substr(0, 4 + 10 + 5 + 10 + 3), 1, true},
        {"huge count, no records", IndexImage({}, 0x7FFFFFFF), 0, true},
        {"negative offset", withTerm(-10, 20), 5, true},
        {"negative length", withTerm(10, -20), 5, true},
    };
    for (const Case& c : cases) {
        TTermTable table;
        table.Load(c.bytes, PlatformUpperTable());
        EXPECT_EQ(table.Count(), c.rows) << c.what;
        EXPECT_EQ(table.Damaged(), c.damaged) << c.what;
    }
}

TEST(TermTable, PrefixAndSubstringSearches) {
    TTermTable table;
    table.Load(IndexImage(kTerms), PlatformUpperTable());
    EXPECT_EQ(table.FindPrefix(Utf8ToAnsi("АДРЕС")), 0);
    EXPECT_EQ(table.FindPrefix(Utf8ToAnsi("АДРЕСА")), 1);
    EXPECT_EQ(table.FindPrefix(Utf8ToAnsi("Ё")), 2);
    EXPECT_EQ(table.FindPrefix(Utf8ToAnsi("Я")), -1);
    EXPECT_EQ(table.FindPrefix(""), 0);

    std::string kanal = Utf8ToAnsi("КАНАЛ");
    EXPECT_EQ(table.FindSubstring(kanal, 0, true, false), 2);
    EXPECT_EQ(table.FindSubstring(kanal, 2, true, false), 3);   // the current row is never tested
    EXPECT_EQ(table.FindSubstring(kanal, 0, true, true), 3);    // whole word: equal keys only
    EXPECT_EQ(table.FindSubstring(kanal, 4, false, false), 3);
    EXPECT_EQ(table.FindSubstring(kanal, 4, true, false), -1);  // down from the last row
    EXPECT_EQ(table.FindSubstring(kanal, 0, false, false), -1); // up from row 0
    EXPECT_EQ(table.FindSubstring("HUB", -1, true, false), 4);
}

}  // namespace
