#include "html/html_types.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "framework/small_heap.h"
#include "html/code_pages.h"

namespace {

TEST(HtmlTypes, AttributeListFindAndCaches) {
    TAttributeList list;
    TAttribute* found = nullptr;
    EXPECT_FALSE(list.Find(AlignSy, found));
    EXPECT_EQ(list.GetID(), "");
    list.Add(new TAttribute(AlignSy, 0, "ALIGN", "left"));
    list.Add(new TAttribute(AlignSy, 0, "ALIGN", "right"));
    list.Add(new TAttribute(IDSy, 0, "ID", "Top"));
    ASSERT_TRUE(list.Find(AlignSy, found));
    EXPECT_EQ(found->Text, "left");
    EXPECT_EQ(list.GetID(), "top");
    EXPECT_EQ(list.CreateStringList(), (std::vector<std::string>{"ALIGN=left", "ALIGN=right", "ID=Top"}));
    list.Clear();
    list.Add(new TAttribute(IDSy, 0, "ID", "Other"));
    EXPECT_EQ(list.GetID(), "other");
}

TEST(HtmlTypes, LinkIdsCountAcrossTargets) {
    TUrlTarget a, b;
    a.Assign("x.htm", "");
    b.Assign("y.htm", "main");
    EXPECT_EQ(b.ID, a.ID + 1);
    EXPECT_GE(a.ID, 10);
    b.Clear();
    EXPECT_EQ(b.ID, 0);
    EXPECT_EQ(b.Url, "");
}

// Tells, by its number, which items a list still owns.
class TNumbered : public TObject {
public:
    TNumbered(int number, std::vector<int>& alive) : Number(number), FAlive(alive) { alive.push_back(number); }
    ~TNumbered() override { std::erase(FAlive, Number); }
    const int Number;

private:
    std::vector<int>& FAlive;
};

// A list of one item takes no heap of its own; from the second item on it
// keeps an array, and every operation works the same on either side.
TEST(HtmlTypes, FreeListKeepsOneItemInPlace) {
    std::vector<int> alive;
    auto numbers = [](const TFreeList& list) {
        std::vector<int> n;
        for (int i = 0; i < list.Count(); ++i) n.push_back(static_cast<TNumbered*>(list.Items(i))->Number);
        return n;
    };
    {
        TFreeList list;
        TObject* first = new TNumbered(1, alive);
        const std::size_t before = HeapBytesInUse();
        EXPECT_EQ(list.Add(first), 0);
        EXPECT_EQ(HeapBytesInUse(), before);
        EXPECT_EQ(list.LastItem(), first);
        EXPECT_THROW(list.Items(1), std::out_of_range);
        EXPECT_THROW(list.Items(-1), std::out_of_range);

        list.Insert(0, new TNumbered(2, alive));  // 1 -> 2 items
        EXPECT_EQ(numbers(list), (std::vector<int>{2, 1}));
        list.Delete(1);  // 2 -> 1
        EXPECT_EQ(numbers(list), (std::vector<int>{2}));
        EXPECT_EQ(alive, (std::vector<int>{2}));
        list.Add(new TNumbered(3, alive));
        std::unique_ptr<TObject> taken(list.Extract(0));
        EXPECT_EQ(numbers(list), (std::vector<int>{3}));
        EXPECT_THROW(list.Insert(2, nullptr), EListError);
        EXPECT_THROW(list.Extract(1), EListError);
        for (int n = 4; n < 24; ++n) list.Add(new TNumbered(n, alive));  // through room for 2, 8, 16, 32
        list.Insert(1, new TNumbered(99, alive));
        list.Delete(21);
        EXPECT_EQ(list.Count(), 21);
        EXPECT_EQ(numbers(list)[1], 99);
        EXPECT_EQ(static_cast<TNumbered*>(list.LastItem())->Number, 22);
        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.LastItem(), nullptr);
        EXPECT_EQ(alive, (std::vector<int>{2}));  // only the one taken out
        list.Add(new TNumbered(5, alive));
        list.Add(new TNumbered(6, alive));
        taken.reset();
    }
    EXPECT_TRUE(alive.empty());  // the list freed what it held
}

class CountingAnchor : public TIDObject {
public:
    int GetYPosition() override { return 7; }
};

TEST(HtmlTypes, IdNameListReplacesByCaseInsensitiveName) {
    TFreeList document;
    TIDNameList ids(&document);
    ids.AddChPosObject("Intro", 5);
    ids.AddChPosObject("INTRO", 9);
    ASSERT_EQ(ids.Count(), 1);
    EXPECT_EQ(static_cast<TChPosObj*>(ids.FindObject("intro"))->SourcePos, 9);
    EXPECT_EQ(ids.FindObject("intro")->GetYPosition(), 0);  // the document cannot place it
    CountingAnchor anchor;  // belongs to the document, not to the list
    ids.AddObject("intro", &anchor);
    EXPECT_EQ(ids.FindObject("INTRO"), &anchor);
    ids.Clear();
    EXPECT_EQ(ids.Count(), 0);
}

TEST(HtmlTypes, ManyIdsAndAppendsRunInLinearTime) {
    TFreeList document;
    TIDNameList ids(&document);
    for (int i = 0; i < 100000; ++i) ids.AddChPosObject("id" + std::to_string(i), i);
    EXPECT_EQ(ids.Count(), 100000);
    TCharCollection chars;
    TokenObj token;
    for (int i = 0; i < 1000000; ++i) {
        chars.Add('a', i);
        token.AddUnicodeChar(L'b', i);
    }
    EXPECT_EQ(chars.GetSize(), 1000000);
    EXPECT_EQ(token.Count(), 1000000);
}

TEST(HtmlTypes, TokenObjEditing) {
    TokenObj token;
    token.Replace(1, L'x');
    token.Remove(1);
    EXPECT_EQ(token.Count(), 0);
    for (wchar_t c : std::wstring(L"abc")) token.AddUnicodeChar(c, 0);
    EXPECT_EQ(token.GetString(), L"abc");
    token.Remove(4);
    token.Remove(0);
    token.Replace(-1, L'z');
    EXPECT_EQ(token.GetString(), L"abc");
    token.Remove(2);
    token.Replace(2, L'Z');
    EXPECT_EQ(token.GetString(), L"aZ");
    TokenObj more;
    more.AddUnicodeChar(L'!', 9);
    token.Concat(more);
    EXPECT_EQ(token.GetString(), L"aZ!");
    EXPECT_EQ(token.Positions()[2], 9);
}

TEST(HtmlTypes, WideHelpers) {
    EXPECT_EQ(WideTrim(L" \t \r"), L"");
    EXPECT_EQ(WideTrim(L"  a b\t"), L"a b");
    EXPECT_FALSE(InSet(static_cast<wchar_t>(0x410), std::string("\xC0\x10", 2)));
    EXPECT_TRUE(InSet(L'a', "abc"));
    EXPECT_EQ(WideUpperCase1(L"abc\x0430\x0451\x00E9"), L"ABC\x0410\x0401\x00C9");
    EXPECT_EQ(WideLowerCase1(L"ABC\x0410\x0401"), L"abc\x0430\x0451");
    EXPECT_TRUE(WideSameText1(L"Слово", L"СЛОВО"));
    // Greek, the Latin letters of central Europe and the rest of Cyrillic.
    struct Pair {
        const wchar_t *lower, *upper;
    } pairs[] = {
        {L"\x03B1\x03B2\x03C9\x03AC\x03AE\x03CE", L"\x0391\x0392\x03A9\x0386\x0389\x038F"},
        {L"\x0105\x0107\x0142\x017C\x0148\x0151", L"\x0104\x0106\x0141\x017B\x0147\x0150"},
        {L"\x0491\x04E9\x04AF\x0463", L"\x0490\x04E8\x04AE\x0462"},
        // Diaeresis vowels, the palochka, and the Cyrillic Supplement's ends.
        {L"\x03CA\x03CB\x04CF\x0501\x0511\x052F", L"\x03AA\x03AB\x04C0\x0500\x0510\x052E"},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(WideUpperCase1(p.lower), p.upper);
        EXPECT_EQ(WideLowerCase1(p.upper), p.lower);
    }
    EXPECT_EQ(WideUpperCase1(L"\x03C2"), L"\x03A3");  // the final sigma
    EXPECT_TRUE(WideSameText1(L"\x03BB\x03CC\x03B3\x03BF\x03C2", L"\x039B\x038C\x0393\x039F\x03A3"));
    EXPECT_EQ(WidePos(L"c", L"abc"), 3);
    EXPECT_EQ(WidePos(L"x", L"abc"), 0);
    const wchar_t text[] = L"abcabc";
    EXPECT_EQ(StrPosW(text, L"ca"), text + 2);
    EXPECT_EQ(StrPosW(text, L""), nullptr);
    EXPECT_EQ(StrRScanW(text, L'b'), text + 4);
    EXPECT_EQ(StrScanW(text, L'z'), nullptr);
    EXPECT_EQ(StrLenW(text), 6);
}

TEST(HtmlTypes, CodePageConversions) {
    EXPECT_EQ(MultibyteToWideString(1251, "\xC0\xFF"), L"\x0410\x044F");
    EXPECT_EQ(WideStringToMultibyte(1251, L"\x0410\x044F\x4E00"), "\xC0\xFF?");
    EXPECT_EQ(WideStringToMultibyte(CP_UTF8_PAGE, L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(MultibyteToWideString(CP_UTF8_PAGE, "\xED\xA0\x80"), L"\xFFFD\xFFFD\xFFFD");
}

}  // namespace

namespace {

// A two-byte code page: a byte from 0x80 up leads a pair that gives one unit.
struct PairCodePage final : TPlatformCodePages {
    bool ToWide(int codePage, std::string_view bytes, std::wstring& out) const override {
        if (codePage != 932) return false;
        out.clear();
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[i]) >= 0x80 && i + 1 < bytes.size()) {
                out += static_cast<wchar_t>(0x3000 + static_cast<unsigned char>(bytes[i + 1]));
                ++i;
            } else {
                out += static_cast<wchar_t>(bytes[i]);
            }
        }
        return true;
    }
    bool FromWide(int, std::wstring_view, std::string&) const override { return false; }
    int CharLength(int, const char* p, const char* end) const override {
        return static_cast<unsigned char>(*p) >= 0x80 && end - p >= 2 ? 2 : 1;
    }
};

TEST(HtmlTypes, MultiByteCodePagesKeepSourcePositionsOfCharacters) {
    const TPlatformCodePages* saved = PlatformCodePages();
    PairCodePage pairs;
    SetPlatformCodePages(&pairs);
    TCharCollection chars;
    const char bytes[] = "a\x82\xA0z";
    for (int i = 0; i < 4; ++i) chars.Add(bytes[i], 100 + i);
    TokenObj token;
    token.AddString(chars, 932);
    ASSERT_EQ(token.GetString(), L"a\x30A0z");
    EXPECT_EQ(token.Positions()[1], 101);
    EXPECT_EQ(token.Positions()[2], 103);
    // A code page nothing can convert reads as 1251.
    EXPECT_EQ(MultibyteToWideString(1250, "\xC0"), L"\x0410");
    SetPlatformCodePages(saved);
}

#ifdef _WIN32
TEST(HtmlTypes, PlatformConvertsOtherCodePages) {
    EXPECT_EQ(MultibyteToWideString(1250, "\x8A"), L"\x0160");
    EXPECT_EQ(WideStringToMultibyte(1250, L"\x0160"), "\x8A");
}
#endif

}  // namespace

namespace {

struct RecordedProps : TObject, TPropertySink {
    std::vector<std::string> props;
    void AddPropertyByName(const std::string& property, const std::string& value) override {
        props.push_back(property + "=" + value);
    }
};

TEST(HtmlTypes, GetStyleParsesTheStyleAttributeAndKeepsTheLastOne) {
    TAttributeList list;
    EXPECT_EQ(list.GetStyle<RecordedProps>(), nullptr);
    list.Add(new TAttribute(StyleSy, 0, "STYLE", "Color: Red"));
    RecordedProps* props = list.GetStyle<RecordedProps>();
    ASSERT_NE(props, nullptr);
    EXPECT_EQ(props->props, std::vector<std::string>{"color=red"});
    list.Clear();
    EXPECT_EQ(list.GetStyle<RecordedProps>(), nullptr);
    EXPECT_EQ(list.StyleProps, props);  // kept for the tag that had it
}

}  // namespace
