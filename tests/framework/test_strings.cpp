#include <gtest/gtest.h>

#include <vector>

#include "framework/cp1251.h"
#include "framework/streams.h"
#include "framework/strings.h"
#include "support/test_support.h"

namespace {

using Lines = std::vector<std::string>;

Lines Contents(const TStrings& list) {
    Lines lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
    return lines;
}

std::string Ru(const char* utf8) { return Utf8ToAnsi(utf8); }

TEST(StringList, SortedListKeepsTheAlphabeticOrderIgnoringCase) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"ясень", "Берёза", "apple", "ель", "ива", "Zebra"}) list.Add(Ru(s));
    EXPECT_EQ(Contents(list), (Lines{"apple", "Zebra", Ru("Берёза"), Ru("ель"), Ru("ива"), Ru("ясень")}));
    int index = -1;
    EXPECT_TRUE(list.Find(Ru("ЯСЕНЬ"), index));
    EXPECT_EQ(index, 5);
    EXPECT_FALSE(list.Find(Ru("дуб"), index));
    EXPECT_EQ(index, 3);  // where it would go
    EXPECT_EQ(list.IndexOf(Ru("ИВА")), 4);
    EXPECT_EQ(list.IndexOf(Ru("дуб")), -1);
}

TEST(StringList, DuplicatesOfASortedListFollowTheMode) {
    struct Case {
        TDuplicates mode;
        int expectedIndex;
        int expectedCount;
        bool raises;
    } cases[] = {{dupIgnore, 1, 3, false}, {dupAccept, 1, 4, false}, {dupError, 0, 3, true}};
    for (const auto& c : cases) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.mode);
        for (const char* s : {"а", "б", "в"}) list.Add(Ru(s));
        if (c.raises) {
            try {
                list.Add(Ru("Б"));
                ADD_FAILURE() << "no exception";
            } catch (const EStringListError& e) {
                EXPECT_STREQ(e.what(), "String list does not allow duplicates");
            }
        } else {
            EXPECT_EQ(list.Add(Ru("Б")), c.expectedIndex);
        }
        EXPECT_EQ(list.Count(), c.expectedCount);
    }
}

TEST(StringList, IndexErrorsAndSortedListRestrictionsRaise) {
    TStringList list;
    list.Add("a");
    struct Case {
        std::function<void()> action;
        const char* message;
    } cases[] = {
        {[&] { list.Get(1); }, "List index out of bounds (1)"},
        {[&] { list.Get(-1); }, "List index out of bounds (-1)"},
        {[&] { list.Put(5, "x"); }, "List index out of bounds (5)"},
        {[&] { list.Delete(1); }, "List index out of bounds (1)"},
        {[&] { list.Insert(2, "x"); }, "List index out of bounds (2)"},
        {[&] { list.Objects(3); }, "List index out of bounds (3)"},
        {[&] { list.SetSorted(true), list.Insert(0, "x"); }, "Operation not allowed on sorted string list"},
        {[&] { list.Put(0, "x"); }, "Operation not allowed on sorted string list"},
    };
    for (const auto& c : cases) {
        try {
            c.action();
            ADD_FAILURE() << "no exception for " << c.message;
        } catch (const EStringListError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    EXPECT_EQ(Contents(list), Lines{"a"});
}

TEST(StringList, NameValuePairs) {
    TStringList list;
    list.SetText("Schema=" + Ru("апельсин.sch") + "\r\nTitle=a=b\r\nplain\r\n=empty name\r\n");
    EXPECT_EQ(list.Values("schema"), Ru("апельсин.sch"));
    EXPECT_EQ(list.Values("Title"), "a=b");
    EXPECT_EQ(list.Values("plain"), "");
    EXPECT_EQ(list.Values(""), "empty name");
    EXPECT_EQ(list.Names(1), "Title");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.IndexOfName("TITLE"), 1);

    list.SetValues(Ru("Ключ"), Ru("значение"));
    EXPECT_EQ(list.Get(4), Ru("Ключ=значение"));
    EXPECT_EQ(list.Values(Ru("КЛЮЧ")), Ru("значение"));
    list.SetValues("title", "new");
    EXPECT_EQ(list.Get(1), "title=new");
    list.SetValues("TITLE", "");
    EXPECT_EQ(list.IndexOfName("Title"), -1);
    EXPECT_EQ(list.Count(), 4);
}

TEST(StringList, TextSplitsOnEveryLineBreakKind) {
    struct Case {
        std::string text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\n", {"a", "b", "c"}},
        {"\r\n", {""}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\n\n", {"", ""}},
        {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
    };
    for (const auto& c : cases) {
        TStringList list;
        list.Add("old");
        list.SetText(c.text);
        EXPECT_EQ(Contents(list), c.lines) << testing::PrintToString(c.text);
    }
    TStringList list;
    list.SetText("x\ny");
    EXPECT_EQ(list.Text(), "x\r\ny\r\n");
}

TEST(StringList, CommaTextQuotesWhatNeedsItAndReadsBack) {
    const Lines samples[] = {
        {"a", "b"},
        {""},
        {"a", "", "b"},
        {"with space", "comma,inside", "quote\"inside", Ru("Словарь")},
        {"", ""},
        {std::string("nul\0inside", 10)},
    };
    for (const auto& sample : samples) {
        TStringList out, in;
        for (const auto& s : sample) out.Add(s);
        in.SetCommaText(out.CommaText());
        EXPECT_EQ(Contents(in), sample) << out.CommaText();
    }
    TStringList list;
    list.SetCommaText("  a b,\"c,d\" , \"e\"\"f\",,\"open");
    EXPECT_EQ(Contents(list), (Lines{"a", "b", "c,d", "e\"f", "", "open"}));
    list.SetCommaText(std::string("a\0b", 3));  // a NUL separates like a blank
    EXPECT_EQ(Contents(list), (Lines{"a", "b"}));
    list.SetCommaText("");
    EXPECT_EQ(list.Count(), 0);
}

TEST(StringList, ObjectsFollowTheirStringsAndAreNotOwned) {
    TObject a, b, c;
    {
        TStringList list;
        list.AddObject("c", &c);
        list.AddObject("a", &a);
        list.InsertObject(1, "b", &b);
        list.SetSorted(true);
        EXPECT_EQ(Contents(list), (Lines{"a", "b", "c"}));
        EXPECT_EQ(list.Objects(0), &a);
        EXPECT_EQ(list.Objects(1), &b);
        EXPECT_EQ(list.Objects(2), &c);
        EXPECT_EQ(list.IndexOfObject(&c), 2);

        TStringList copy;
        copy.Assign(&list);
        copy.Assign(&copy);
        EXPECT_EQ(Contents(copy), Contents(list));
        EXPECT_EQ(copy.Objects(2), &c);
    }  // the list going away must leave a, b and c alone (they live on the stack)
}

TEST(StringList, ChangeEventsAreHeldBackDuringAnUpdate) {
    TStringList list;
    std::vector<std::string> events;
    list.OnChanging = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        events.push_back("changing");
    };
    list.OnChange = [&](TObject*) { events.push_back("change"); };
    list.Add("a");
    list.Clear();
    list.Clear();  // nothing to clear: no events
    EXPECT_EQ(events, (Lines{"changing", "change", "changing", "change"}));

    events.clear();
    list.BeginUpdate();
    list.Add("b");
    list.BeginUpdate();
    list.SetText("x\ny\nz");
    list.EndUpdate();
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(events, (Lines{"changing", "change"}));
}

TEST(StringList, CustomSortOrdersByTheCallersRule) {
    TStringList list;
    list.SetCommaText("ccc,a,bb,dddd,e");
    list.CustomSort([](TStringList* l, int i, int j) {
        return static_cast<int>(l->Get(i).size()) - static_cast<int>(l->Get(j).size());
    });
    EXPECT_EQ(Contents(list), (Lines{"a", "e", "bb", "ccc", "dddd"}));
    list.Sort();
    EXPECT_EQ(Contents(list), (Lines{"a", "bb", "ccc", "dddd", "e"}));
}

TEST(StringList, FilesKeepTheirBytes) {
    testing_support::TempWorkDir dir;
    const std::string bytes = Ru("первая\r\nвторая строка\r\n") + "\xFF\x98\r\n";
    testing_support::WriteFileBytes("list.txt", bytes);
    TStringList list;
    list.LoadFromFile("list.txt");
    EXPECT_EQ(Contents(list), (Lines{Ru("первая"), Ru("вторая строка"), "\xFF\x98"}));
    list.SaveToFile(Ru("копия.txt"));
    EXPECT_EQ(testing_support::ReadFileBytes(Ru("копия.txt")), bytes);

    TStringStream stream("skip\nme\nfrom here");
    stream.Seek(8, soBeginning);
    list.LoadFromStream(&stream);
    EXPECT_EQ(Contents(list), (Lines{"from here"}));
    EXPECT_THROW(list.LoadFromFile("missing.txt"), EFOpenError);
}

}  // namespace
