#include "html/text_section.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <vector>

#include "framework/cp1251.h"
#include "html/cell.h"
#include "html/indent_manager.h"
#include "html/section_list.h"
#include "html/style_list.h"
#include "html/style_parser.h"
#include "html/text_measure.h"

namespace {

// Fake widths at 16 px: lower 8, upper 10, space 4, other 16.
struct FakeScreen {
    FakeScreen() { SetScreenMeasurer(&measurer); }
    ~FakeScreen() { SetScreenMeasurer(nullptr); }
    TTableMeasurer measurer{std::make_unique<TFakeGlyphSource>()};
};

struct FakeTabStop : TLinkTabStop {
    explicit FakeTabStop(int* order) : Order(order) {}
    void SetTabOrder(int order) override { *Order = order; }
    int* Order;
};

struct TestHost : TDocumentHost {
    void SetAnimationTimer(bool enabled, int intervalMs) override {
        TimerMade = true;
        TimerEnabled = enabled;
        Interval = intervalMs;
    }
    void FreeAnimationTimer() override { TimerMade = false; }
    std::string ExpandFileName(const std::string& name) override { return name; }
    void Progress(int percent) override { LastProgress = percent; }
    void LinkAction(const TUrlTarget& target) override { Followed = target.Url; }
    void KeyDown(uint16_t& key, unsigned) override { KeysPassed.push_back(key); }
    void ControlEnter(TObject*) override { ++Enters; }
    void InvalidatePanel() override { ++Invalidations; }
    std::unique_ptr<TLinkTabStop> CreateLinkTabStop(TFontObj*) override {
        TabOrders.push_back(-1);
        ++TabStops;
        return std::make_unique<FakeTabStop>(&TabOrders.back());
    }
    bool TimerMade = false, TimerEnabled = false;
    int Interval = 0, LastProgress = -1, Enters = 0, Invalidations = 0, TabStops = 0;
    std::string Followed;
    std::vector<uint16_t> KeysPassed;
    std::deque<int> TabOrders;
};

TFontDesc Fake16() {
    TFontDesc d;
    d.Face = L"Fake";
    d.Height = -16;
    return d;
}

TSection* AddPara(TSectionList& doc, std::wstring_view text, JustifyType justify = Left, bool noBreak = false) {
    auto* s = new TSection(&doc);
    s->SetRunFont(Fake16(), 0, TransparentColor);
    s->AddText(text, static_cast<int>(doc.Count()) * 1000, noBreak);
    s->Justify = justify;
    doc.Add(s);
    return s;
}

int Layout(TSectionList& doc, int width) {
    int scrollWidth = 0, pos = 0;
    return doc.DoLogic(nullptr, 0, width, 600, 0, scrollWidth, pos);
}

std::vector<std::wstring> LineTexts(const TSection& s) {
    std::vector<std::wstring> out;
    for (const auto& l : s.Lines) {
        std::wstring t = s.SectionText.substr(static_cast<size_t>(l.Start), static_cast<size_t>(l.LineCharCount));
        while (!t.empty() && (t.back() == L' ' || t.back() == BreakChar)) t.pop_back();
        out.push_back(t);
    }
    return out;
}

TEST(TextSection, BreaksLinesAtTheRightPlaces) {
    const std::wstring pair = L"\xD83D\xDE00";
    struct Case {
        std::wstring text;
        int width;
        std::vector<std::wstring> lines;
        bool noBreak = false;
    } cases[] = {
        {L"aaa bbb ccc", 1000, {L"aaa bbb ccc"}},
        {L"aaa bbb ccc", 60, {L"aaa bbb", L"ccc"}},
        {L"aaa bbb ccc", 52, {L"aaa bbb", L"ccc"}},  // the space at the end joins the line
        {L"aaa bbb ccc", 51, {L"aaa", L"bbb", L"ccc"}},
        {L"aaa bbb ccc", 10, {L"aaa", L"bbb", L"ccc"}},  // words overflow
        {L"ab-cd ef", 30, {L"ab-", L"cd", L"ef"}},
        {L"ab\bcd", 1000, {L"ab", L"cd"}},
        {L"\x4e00\x4e01\x4e02", 40, {L"\x4e00\x4e01", L"\x4e02"}},
        {pair + pair + pair, 20, {pair, pair, pair}},  // never half a pair
        {L"aa\xA0" L"bb cc", 40, {L"aa\xA0" L"bb", L"cc"}},
        {L"aaa bbb", 30, {L"aaa bbb"}, true},
    };
    FakeScreen screen;
    for (const Case& c : cases) {
        TSectionList doc(nullptr);
        TSection* s = AddPara(doc, c.text, Left, c.noBreak);
        Layout(doc, c.width);
        EXPECT_EQ(LineTexts(*s), c.lines) << WideToUtf8(c.text) << " at " << c.width;
        EXPECT_EQ(s->FullHeight, 16 * static_cast<int>(c.lines.size()));
    }
}

// A justified line spreads its free pixels over its spaces, non-breaking ones
// included; the last line is left as it is.
TEST(TextSection, JustificationStretchesNonBreakingSpacesToo) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TSection* s = AddPara(doc, L"a b\xA0" L"c dd", FullJustify);
    Layout(doc, 40);
    ASSERT_EQ(LineTexts(*s), (std::vector<std::wstring>{L"a b\xA0" L"c", L"dd"}));
    EXPECT_EQ(s->Lines[0].Spaces, 2);
    EXPECT_EQ(s->Lines[0].Extra, 40 - s->FindTextWidth(nullptr, 0, 5, false));
    EXPECT_EQ(s->Lines[1].Spaces, 0);
}

// Runs keep their font ids between layouts; a measurer that forgets its
// fonts numbers them anew, and the runs must not keep the old numbers.
TEST(TextSection, LayoutAfterTheMeasurerForgetsItsFonts) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    auto* s = new TSection(&doc);
    s->SetRunFont(Fake16(), 0, TransparentColor);
    s->AddText(L"aaa ", 0, false);
    TFontDesc big = Fake16();
    big.Height = -32;
    s->SetRunFont(big, 0, TransparentColor);
    s->AddText(L"bbb ccc", 4, false);
    doc.Add(s);
    Layout(doc, 100);
    const std::vector<std::wstring> lines = LineTexts(*s);
    ASSERT_EQ(lines, (std::vector<std::wstring>{L"aaa bbb", L"ccc"}));
    screen.measurer.Clear();
    screen.measurer.Font(big);  // the big font takes the first id now
    Layout(doc, 100);
    EXPECT_EQ(LineTexts(*s), lines);
}

TEST(TextSection, OverflowingWordRaisesTheMaximumWidth) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    AddPara(doc, L"aaaaaaaaaa b");  // 80 wide
    int scrollWidth = 0, pos = 0;
    doc.DoLogic(nullptr, 0, 30, 600, 0, scrollWidth, pos);
    EXPECT_EQ(scrollWidth, 80);
    EXPECT_EQ(pos, 12);
}

TEST(TextSection, WhiteSpaceCollapsesAndRunsMove) {
    struct Case {
        std::wstring in, out;
    } cases[] = {
        {L"  a  b  ", L"a b"}, {L"a \b b", L"a\bb"}, {L"\b", L"\b"},
        {L"a\b", L"a"},        {L"a\b\b", L"a\b"},   {L" \b ", L"\b"},
    };
    FakeScreen screen;
    for (const Case& c : cases) {
        TSection s(nullptr);
        s.SetRunFont(Fake16(), 0, TransparentColor);
        s.AddText(c.in, 0);
        s.ProcessText();
        EXPECT_EQ(s.SectionText, c.out) << WideToUtf8(c.in);
        EXPECT_EQ(s.Len, static_cast<int>(c.out.size()));
        EXPECT_EQ(s.LineBreakFlags().size(), c.out.size() + 1);
    }
    TSection s(nullptr);
    s.SetRunFont(Fake16(), 0, TransparentColor);
    s.AddText(L"a   ", 10);
    TFontDesc bold = Fake16();
    bold.Weight = 700;
    s.SetRunFont(bold, 0, TransparentColor);
    s.AddText(L"b", 20, true);
    s.ProcessText();
    EXPECT_EQ(s.SectionText, L"a b");
    EXPECT_EQ(s.LineBreakFlags(), "yyny");  // the flags move with their characters
    ASSERT_EQ(s.Fonts.Count(), 2);
    EXPECT_EQ(s.Fonts.Run(1)->RunStart, 2);
    // Source positions survive the collapse.
    EXPECT_EQ(s.FindSourcePos(2), 20);
    EXPECT_EQ(s.FindDocPos(11, false), 1);
    EXPECT_EQ(s.FindDocPos(12, false), 2);  // a removed space maps to the next kept character
    EXPECT_EQ(s.FindDocPos(12, true), 1);   // or, looking back, to the one before

    FakeScreen again;
    TSectionList doc(nullptr);
    AddPara(doc, L"   ");
    EXPECT_EQ(doc.Count(), 0);  // nothing but white space is not kept
}

TEST(TextSection, AlignsAndJustifiesLines) {
    // "aa bb cc dd" at 60: "aa bb cc " (56 of text) and "dd" (16).
    struct Case {
        JustifyType justify;
        int indent1, indent2;
    } cases[] = {{Left, 0, 0}, {Right, 4, 44}, {Centered, 2, 22}, {FullJustify, 0, 0}};
    FakeScreen screen;
    for (const Case& c : cases) {
        TSectionList doc(nullptr);
        TSection* s = AddPara(doc, L"aa bb cc dd", c.justify);
        Layout(doc, 60);
        ASSERT_EQ(s->Lines.size(), 2u);
        EXPECT_EQ(s->Lines[0].LineIndent, c.indent1) << c.justify;
        EXPECT_EQ(s->Lines[1].LineIndent, c.indent2) << c.justify;
        std::vector<int> adv;
        s->LineAdvances(screen.measurer, s->Lines[0], adv);
        const int text = std::accumulate(adv.begin(), adv.end() - 1, 0);  // the last is the trailing space
        EXPECT_EQ(text, c.justify == FullJustify ? 60 : 56) << c.justify;
        EXPECT_EQ(s->Lines[1].Extra, 0);  // the last line is never stretched
    }
    // Without spaces there is nothing to stretch.
    TSectionList doc(nullptr);
    TSection* s = AddPara(doc, L"aaaaaaaa bbbbbbbbbb", FullJustify);
    Layout(doc, 100);
    EXPECT_EQ(s->Lines[0].Spaces, 0);
    EXPECT_EQ(s->Lines[0].Extra, 0);
}

TEST(TextSection, PositionsAndCursorRoundTrip) {
    for (JustifyType justify : {Left, Centered, FullJustify}) {
        FakeScreen screen;
        TSectionList doc(nullptr);
        AddPara(doc, L"One two three four five six seven", justify);
        AddPara(doc, L"Second paragraph here", justify);
        Layout(doc, 70);
        for (int p = 0; p <= doc.Len; ++p) {
            int x = 0, y = 0;
            ASSERT_TRUE(doc.CursorToXY(nullptr, p, x, y)) << p;
            if (p == doc.Len) {
                EXPECT_TRUE(doc.CursorToXY(nullptr, p - 1, x, y));
                continue;
            }
            int caretX, caretY, caretH;
            bool inside;
            EXPECT_EQ(doc.FindCursor(nullptr, x, y, caretX, caretY, caretH, inside), p) << p << " " << justify;
            EXPECT_EQ(caretX, x);
            EXPECT_EQ(caretH, 16);
        }
        int x1, y1, x2, y2;
        doc.CursorToXY(nullptr, doc.Len - 1, x1, y1);
        doc.CursorToXY(nullptr, doc.Len, x2, y2);
        EXPECT_EQ(x2, x1 + 15);  // past the end: 15 pixels right of the last character
    }
}

TEST(TextSection, CaretGoesAfterACharacterPastItsMiddle) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    AddPara(doc, L"abcd");  // 8 each
    Layout(doc, 200);
    int cx, cy, ch;
    bool inside;
    EXPECT_EQ(doc.FindCursor(nullptr, 11, 5, cx, cy, ch, inside), 1);
    EXPECT_EQ(cx, 8);
    EXPECT_EQ(doc.FindCursor(nullptr, 13, 5, cx, cy, ch, inside), 2);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(doc.FindCursor(nullptr, 33, 5, cx, cy, ch, inside), -1);  // right of the line
}

TEST(TextSection, SearchesWithAndWithoutCase) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    AddPara(doc, L"Hello World");
    AddPara(doc, L"hello again");
    Layout(doc, 500);
    struct Case {
        int from;
        std::wstring text;
        bool caseSensitive, backwards;
        int found;
    } cases[] = {
        {0, L"hello", false, false, 0},  {1, L"hello", false, false, 11}, {0, L"hello", true, false, 11},
        {0, L"Hello", true, false, 0},   {0, L"xyz", false, false, -1},   {22, L"hello", false, true, 11},
        {11, L"hello", false, true, 0},  {15, L"hello", false, true, 0},  {22, L"hello again and more", false, true, -1},
        {0, L"world", false, false, 6},  {5, L"world", true, false, -1},
    };
    for (const Case& c : cases) {
        const int r = c.backwards ? doc.FindStringR(c.from, c.text, c.caseSensitive)
                                  : doc.FindString(c.from, c.text, c.caseSensitive);
        EXPECT_EQ(r, c.found) << WideToUtf8(c.text) << " from " << c.from;
    }
}

TEST(TextSection, SelectionTextCrossesSections) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    AddPara(doc, L"Hello World");
    AddPara(doc, L"hello again");
    Layout(doc, 500);
    wchar_t buffer[64];
    EXPECT_EQ(doc.GetSelTextBuf(buffer, 64), 1);
    EXPECT_EQ(buffer[0], 0);
    doc.SelFirstPos = 6;
    doc.SelEndPos = 15;
    EXPECT_EQ(doc.GetSelLength(), 11);
    EXPECT_EQ(doc.GetSelTextBuf(buffer, 64), 12);
    EXPECT_EQ(std::wstring(buffer), L"World\r\nhell");
}

TEST(FontList, FindsRunsByPosition) {
    FakeScreen screen;
    TSection s(nullptr);
    for (int start : {0, 5, 9}) s.Fonts.Add(new TFontObj(&s, Fake16(), start));
    struct Case {
        int pos, run;
    } cases[] = {{0, 0}, {4, 0}, {5, 1}, {8, 1}, {9, 2}, {100, 2}};
    for (const Case& c : cases) {
        int index = -1;
        s.Fonts.GetFontObjAt(c.pos, index);
        EXPECT_EQ(index, c.run) << c.pos;
    }
    EXPECT_EQ(s.Fonts.GetFontCountAt(5, 20), 4);
    EXPECT_EQ(s.Fonts.GetFontCountAt(3, 20), 2);
    EXPECT_EQ(s.Fonts.GetFontCountAt(12, 20), 8);

    // The character at 4 removed: later runs move down one; of two runs
    // that meet, the earlier goes.
    struct DecrementCase {
        std::vector<int> starts, after;
    } decrements[] = {{{0, 5, 6}, {0, 4, 5}}, {{0, 5, 5}, {0, 4}}};
    for (const DecrementCase& c : decrements) {
        TSection t(nullptr);
        for (int start : c.starts) t.Fonts.Add(new TFontObj(&t, Fake16(), start));
        TFontObj* last = t.Fonts.Run(t.Fonts.Count() - 1);
        t.Fonts.Decrement(4, nullptr);
        std::vector<int> after;
        for (int i = 0; i < t.Fonts.Count(); ++i) after.push_back(t.Fonts.Run(i)->RunStart);
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(t.Fonts.Run(t.Fonts.Count() - 1), last);
    }

    TFontDesc italic = Fake16();
    italic.Height = -23;
    italic.Italic = true;
    EXPECT_EQ(TFontObj(nullptr, italic, 0).GetOverhang(), 2);
    EXPECT_EQ(TFontObj(nullptr, Fake16(), 0).GetOverhang(), 0);
}

// A paragraph "see <a>li<b>n</b>k</a> end": one link in three runs.
TSection* LinkPara(TSectionList& doc, int tabIndex) {
    auto* s = new TSection(&doc);
    s->SetRunFont(Fake16(), 0, TransparentColor);
    s->AddText(L"see ", 0);
    TUrlTarget target;
    target.Assign("page.htm", "");
    target.TabIndex = tabIndex;
    auto fonts = TLinkFonts::Make();
    for (auto& f : fonts->Fonts) {
        f.FaceName = "Fake";
        f.PointSize = 12;
    }
    fonts->Fonts[HLFont].Style = htUnderline;
    s->HRef(true, target, fonts);
    s->AddText(L"li", 4);
    TFontDesc bold = Fake16();
    bold.Weight = 700;
    s->SetRunFont(bold, 0, TransparentColor);
    s->AddText(L"n", 6);
    s->SetRunFont(Fake16(), 0, TransparentColor);
    s->AddText(L"k", 7);
    s->HRef(false, TUrlTarget{}, TLinkFonts());
    s->AddText(L" end", 8);
    doc.Add(s);
    return s;
}

TEST(Links, OneTabStopPerLinkAndKeysReachTheViewer) {
    FakeScreen screen;
    TestHost host;
    TSectionList doc(&host);
    TSection* s = LinkPara(doc, 3);
    ASSERT_EQ(doc.LinkRuns.size(), 3u);
    EXPECT_EQ(host.TabStops, 1);
    EXPECT_EQ(doc.TabOrderItems.size(), 1u);
    EXPECT_EQ(doc.TabOrderItems.begin()->first, "00003000");
    Layout(doc, 500);
    EXPECT_EQ(host.TabOrders.front(), 0);
    EXPECT_TRUE(doc.TabOrderItems.empty());

    TFontObj* first = doc.LinkRuns[0];
    first->EnterEvent();
    for (TFontObj* r : doc.LinkRuns) EXPECT_TRUE(r->Focused);
    EXPECT_EQ(host.Enters, 1);
    first->ExitEvent();
    for (TFontObj* r : doc.LinkRuns) EXPECT_FALSE(r->Focused);
    uint16_t key = 13;
    first->AKeyDown(key, 0);
    EXPECT_EQ(host.Followed, "page.htm");
    key = 40;
    first->AKeyDown(key, 0);
    EXPECT_EQ(host.KeysPassed, std::vector<uint16_t>{40});

    // Hovering any part of the link lights all of it, once.
    doc.LinkHoverEnabled = true;
    TUrlTarget* target = nullptr;
    TImageFormControlObj* control = nullptr;
    std::string title;
    const int linkX = 30;  // inside "li", which starts at 28
    EXPECT_EQ(doc.GetURL(nullptr, linkX, 5, target, control, title), static_cast<guResultType>(guUrl));
    ASSERT_TRUE(target);
    EXPECT_EQ(target->Url, "page.htm");
    for (TFontObj* r : doc.LinkRuns) EXPECT_TRUE(r->IsHovered);
    EXPECT_EQ(host.Invalidations, 2);  // exit above, hover here
    EXPECT_EQ(doc.GetURL(nullptr, 2, 5, target, control, title), 0u);
    for (TFontObj* r : doc.LinkRuns) EXPECT_FALSE(r->IsHovered);
    EXPECT_EQ(s->Fonts.Run(0)->IsHovered, false);

    // A section freed early takes its runs out of the document's lists.
    doc.LinkUnderMouse = doc.LinkRuns[1];
    ASSERT_EQ(doc.SectionsByPosition.size(), 1u);
    doc.Delete(0);
    EXPECT_TRUE(doc.LinkRuns.empty());
    EXPECT_EQ(doc.LinkUnderMouse, nullptr);
    EXPECT_TRUE(doc.SectionsByPosition.empty());
}

TEST(Links, NoTabStopsInADocumentOfManyLinks) {
    FakeScreen screen;
    TestHost host;
    TSectionList doc(&host);
    doc.LinksNotTabbed = true;
    LinkPara(doc, 0);
    EXPECT_EQ(host.TabStops, 0);
    TSectionList doc2(&host);
    LinkPara(doc2, 0);  // tab index 0: a stop but no place in the order
    EXPECT_EQ(host.TabStops, 1);
    EXPECT_TRUE(doc2.TabOrderItems.empty());
}

TEST(Document, TimerSectionsAndCopies) {
    FakeScreen screen;
    TestHost host;
    TSectionList doc(&host);
    AddPara(doc, L"first");
    AddPara(doc, L"second");
    EXPECT_FALSE(host.TimerMade);
    Layout(doc, 500);
    EXPECT_TRUE(host.TimerMade);  // made by the first layout, off without animations
    EXPECT_FALSE(host.TimerEnabled);
    EXPECT_EQ(host.Interval, 50);
    doc.CheckGIFList();
    EXPECT_EQ(host.Interval, 40);
    ASSERT_EQ(doc.SectionsByPosition.size(), 2u);
    int top = -1, index = -1;
    EXPECT_EQ(doc.FindSectionAtPosition(-1, top, index), nullptr);
    EXPECT_EQ(doc.FindSectionAtPosition(20, top, index), doc.Section(1));
    EXPECT_EQ(top, 16);
    EXPECT_EQ(index, 1);

    TSectionList copy(doc);
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_TRUE(copy.PrintCopyFlag);
    host.TimerMade = false;
    int sw = 0, pos = 0;
    EXPECT_EQ(copy.DoLogic(nullptr, 0, 500, 600, 0, sw, pos), 32);
    EXPECT_FALSE(host.TimerMade);
    EXPECT_TRUE(copy.SectionsByPosition.empty());
    // The copy keeps an inline list of its own: either document may go first.
    EXPECT_NE(copy.InlineBorders, doc.InlineBorders);
    EXPECT_EQ(copy.InlineBorders->Count(), doc.InlineBorders->Count());

    // The first text laid out hands its first baseline to a list item.
    int baseline = 0;
    doc.FirstBaselineTarget = &baseline;
    Layout(doc, 500);
    EXPECT_EQ(baseline, 13);  // ascent of the 16-pixel fake font
    doc.FirstBaselineTarget = nullptr;

    doc.SetFonts("Fake", std::string(40, 'x'), 12, 0, 0xFF0000, 0x800080, 0xFF, 0xFFFFFF, true, true, 1, 5, 5);
    EXPECT_EQ(doc.FixedPitchFontName.size(), 32u);
    doc.Clear();
    EXPECT_EQ(doc.Count(), 0);
    EXPECT_TRUE(doc.SectionsByPosition.empty());
}

TEST(Document, ProgressEveryFiftiethSection) {
    FakeScreen screen;
    TestHost host;
    TSectionList doc(&host);
    doc.ProgressBase = 75;
    for (int i = 0; i < 100; ++i) AddPara(doc, L"word");
    Layout(doc, 500);
    EXPECT_EQ(host.LastProgress, 100);
}

// Work done by layout for a document made of `copies` times the same text.
TMeasureCounters LayoutWork(bool oneParagraph, int copies) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    if (!oneParagraph && copies < 0) {  // links: 5,000 per copy in paragraphs of 50
        TestHost host;
        TSectionList links(&host);
        TUrlTarget target;
        for (int p = 0; p < -copies * 100; ++p) {
            auto* s = new TSection(&links);
            s->SetRunFont(Fake16(), 0, TransparentColor);
            for (int i = 0; i < 50; ++i) {
                target.Assign("a.htm", "");
                target.TabIndex = 1;
                s->HRef(true, target, TLinkFonts());
                s->AddText(L"link", 0);
                s->HRef(false, TUrlTarget{}, TLinkFonts());
                s->AddText(L" and ", 0);
            }
            links.Add(s);
        }
        EXPECT_EQ(static_cast<int>(links.LinkRuns.size()), -copies * 5000);
        screen.measurer.ResetCounters();
        Layout(links, 300);
        return screen.measurer.Counters();
    }
    std::wstring unit;
    for (int i = 0; i < 200; ++i) unit += L"lorem ipsum dolor sit amet ";
    if (oneParagraph) {
        std::wstring all;
        for (int i = 0; i < copies; ++i) all += unit;
        AddPara(doc, all, FullJustify);
    } else {
        for (int i = 0; i < copies * 20; ++i) AddPara(doc, unit.substr(0, unit.size() / 20), FullJustify);
    }
    screen.measurer.ResetCounters();
    Layout(doc, 300);
    return screen.measurer.Counters();
}

TEST(TextSection, LayoutWorkGrowsLinearly) {
    {
        const TMeasureCounters w1 = LayoutWork(false, -1), w2 = LayoutWork(false, -2), w4 = LayoutWork(false, -4);
        EXPECT_LE(w2.Calls, w1.Calls * 22 / 10);
        EXPECT_LE(w4.Calls, w2.Calls * 22 / 10);
        EXPECT_LE(w4.Characters, w2.Characters * 22 / 10);
    }
    for (bool oneParagraph : {false, true}) {
        const TMeasureCounters w1 = LayoutWork(oneParagraph, 1), w2 = LayoutWork(oneParagraph, 2),
                               w4 = LayoutWork(oneParagraph, 4);
        EXPECT_LE(w2.Calls, w1.Calls * 22 / 10) << oneParagraph;
        EXPECT_LE(w4.Calls, w2.Calls * 22 / 10) << oneParagraph;
        EXPECT_LE(w2.Characters, w1.Characters * 22 / 10) << oneParagraph;
        EXPECT_LE(w4.Characters, w2.Characters * 22 / 10) << oneParagraph;
    }
}

TEST(TextSection, TextFlowsBesideAndBelowFloats) {
    FakeScreen screen;
    IndentManager m;
    m.Reset(0, 200);
    m.CellWidth = 200;
    int fx;
    m.PlaceFloat(0, ALeft, 100, 40, 0, 0, 0, 0, fx);  // rows 0..39 beside it are 100 wide
    TSectionList doc(nullptr);
    TSection* s = AddPara(doc, L"aaaa bbbb cccc dddd eeee ffff gggg");
    int maxWidth = 0, pos = 0;
    s->DrawLogic(nullptr, 0, 0, 0, 0, 200, 600, 0, &m, maxWidth, pos);
    // Beside the float "aaaa bbbb " (76) fits, not "cccc"; at 40 the full width.
    ASSERT_GE(s->Lines.size(), 4u);
    EXPECT_EQ(LineTexts(*s)[0], L"aaaa bbbb");
    EXPECT_EQ(s->Lines[0].LineIndent, 100);
    EXPECT_EQ(s->Lines[2].LayoutTop, 32);
    EXPECT_EQ(s->Lines[2].LineIndent, 100);
    EXPECT_EQ(s->Lines[3].LineIndent, 0);
    EXPECT_EQ(LineTexts(*s)[3], L"gggg");

    // A word too wide beside the float goes below it.
    TSection* wide = AddPara(doc, L"wwwwwwwwwwwwwwww");  // 128
    wide->DrawLogic(nullptr, 0, 0, 0, 0, 200, 600, 0, &m, maxWidth, pos);
    ASSERT_EQ(wide->Lines.size(), 2u);
    EXPECT_EQ(wide->Lines[0].LineCharCount, 0);
    EXPECT_EQ(wide->Lines[1].LayoutTop, 40);
    int x = -1, y = -1;
    EXPECT_TRUE(wide->CursorToXY(nullptr, wide->FirstDocPos, x, y));
    EXPECT_EQ(y, 40);  // the caret goes with the text, not to the gap beside the float
    EXPECT_EQ(x, 0);

    // A clearing break with no text is as tall as the float needs.
    auto* br = new TSection(&doc);
    br->ClearSide = clLeft;
    doc.Add(br);
    EXPECT_EQ(br->DrawLogic(nullptr, 0, 0, 0, 0, 200, 600, 0, &m, maxWidth, pos), 40);
}

TEST(TextSection, ReaderSectionTakesItsStyle) {
    TStyleList styles;
    styles.Initialize("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF, true, 1, 8, 10);
    TProperties inlineStyle;
    ParsePropertyStr("text-align: center; text-indent: 95%; line-height: 30px; clear: left; color: #FF0000",
                     inlineStyle);
    TProperties prop;
    prop.CopyDefault(*styles.DefaultEntry);
    prop.Combine(&styles, "p", "", "", "", "", &inlineStyle);
    TAttributeList attrs;
    attrs.Add(new TAttribute(IDSy, 0, "ID", "para"));
    TSectionList doc(nullptr);
    auto* s = new TSection(&doc, &attrs, prop, nullptr, nullptr, true);
    doc.Add(s);  // no text, but it clears: kept
    ASSERT_EQ(doc.Count(), 1);
    EXPECT_EQ(s->Justify, Centered);
    EXPECT_EQ(s->IndentPercent, 90);  // 95% is held to 90%
    EXPECT_EQ(s->LineHeight, 30);
    EXPECT_EQ(s->ClearSide, clLeft);
    ASSERT_EQ(s->Fonts.Count(), 1);
    EXPECT_EQ(s->Fonts.Run(0)->RunFont.Height, -16);
    EXPECT_EQ(s->Fonts.Run(0)->FontColor & 0xFFFFFF, 0x0000FFu);  // with the palette-relative flag
    EXPECT_EQ(doc.IDObjects->FindObject("para"), s);
    s->CheckFree();
    EXPECT_EQ(doc.IDObjects->FindObject("para"), nullptr);
}

TEST(TextSection, RunsOfOneStyleFindTheirFontOnceAndAgainInANewMeasurer) {
    FakeScreen screen;
    TStyleList styles;
    styles.Initialize("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF, true, 1, 8, 10);
    TProperties prop;
    prop.CopyDefault(*styles.DefaultEntry);
    prop.Combine(&styles, "p", "", "", "", "", nullptr);
    TSection s(nullptr);
    auto runFor = [&](const wchar_t* text) {
        s.ChangeFont(prop);
        TFontObj* run = s.Fonts.Run(s.Fonts.Count() - 1);
        s.AddText(text, 0);
        return run;
    };
    auto expectFontIn = [](TFontObj* run, TTextMeasurer& m) {
        const TFontId id = m.Font(run->RunFont);
        EXPECT_EQ(run->FontIdIn(m), id);
        EXPECT_EQ(run->MetricHeight, m.Metrics(id).Height);
    };
    TFontObj* first = runFor(L"a");
    TFontObj* second = runFor(L"b");
    ASSERT_NE(first, second);
    expectFontIn(first, screen.measurer);
    expectFontIn(second, screen.measurer);

    // Another measurer numbers its fonts apart: a run made there takes its
    // id, not the one the style found in the first.
    TTableMeasurer other{std::make_unique<TFakeGlyphSource>()};
    TFontDesc tiny = Fake16();
    tiny.Height = -3;
    other.Font(tiny);
    SetScreenMeasurer(&other);
    TFontObj* third = runFor(L"c");
    SetScreenMeasurer(&screen.measurer);
    ASSERT_NE(other.Font(third->RunFont), screen.measurer.Font(third->RunFont));
    expectFontIn(third, other);
}

TEST(TextSection, PreformattedTextNeitherCollapsesNorWraps) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    auto* pre = new TPreFormated(&doc);
    pre->SetRunFont(Fake16(), 0, TransparentColor);
    pre->AddText(L"a   b\bccc ddd eee", 0);
    doc.Add(pre);
    EXPECT_EQ(pre->SectionText, L"a   b\bccc ddd eee");
    int sw = 0, pos = 0;
    doc.DoLogic(nullptr, 0, 20, 600, 0, sw, pos);
    EXPECT_EQ(LineTexts(*pre), (std::vector<std::wstring>{L"a   b", L"ccc ddd eee"}));
    int mn, mx;
    pre->MinMaxWidth(nullptr, mn, mx);
    EXPECT_EQ(mx, 3 * 8 * 3 + 2 * 4);
    EXPECT_EQ(mn, mx);
    EXPECT_EQ(sw, mx);
    // However long its widest line, a PRE asks for at most 2000 pixels.
    auto* wide = new TPreFormated(&doc);
    wide->SetRunFont(Fake16(), 0, TransparentColor);
    wide->AddText(std::wstring(300, L'x'), 0);
    doc.Add(wide);
    wide->MinMaxWidth(nullptr, mn, mx);
    EXPECT_EQ(mx, 2400);
    EXPECT_EQ(mn, 2000);

    TSectionList doc2(nullptr);
    auto* empty = new TPreFormated(&doc2);
    empty->SetRunFont(Fake16(), 0, TransparentColor);
    doc2.Add(empty);
    EXPECT_EQ(Layout(doc2, 100), 16);  // one line of its font
}


TEST(TextSection, BreaksAndSourceJumpsAreFoundWhereverTheyFall) {
    // Characters are looked at sixteen at a time: breaks and jumps in the
    // source positions at the first and last place of a group, side by side
    // across groups, and in the short tail.
    FakeScreen screen;
    TSectionList doc(nullptr);
    auto* s = new TSection(&doc);
    s->SetRunFont(Fake16(), 0, TransparentColor);
    std::wstring text(40, L'x');
    for (int at : {0, 15, 16, 31, 38}) text[static_cast<size_t>(at)] = BreakChar;
    // Source positions jump at 16, 17, 32 and 39.
    s->AddText(std::wstring_view(text).substr(0, 16), 100);
    s->AddText(std::wstring_view(text).substr(16, 1), 300);
    s->AddText(std::wstring_view(text).substr(17, 15), 400);
    s->AddText(std::wstring_view(text).substr(32, 7), 600);
    s->AddText(std::wstring_view(text).substr(39), 700);
    doc.Add(s);
    ASSERT_EQ(s->SectionText, text);
    for (auto [pos, source] : std::initializer_list<std::pair<int, int>>{
             {0, 100}, {15, 115}, {16, 300}, {17, 400}, {31, 414}, {32, 600}, {38, 606}, {39, 700}})
        EXPECT_EQ(s->FindSourcePos(pos), source) << pos;
    Layout(doc, 2000);
    const std::vector<std::wstring> lines = LineTexts(*s);
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"", std::wstring(14, L'x'), L"", std::wstring(14, L'x'),
                                                std::wstring(6, L'x'), L"x"}));
}

TEST(TextSection, AMovedLineTakesItsBordersAlong) {
    auto* borders = new TFreeList;
    LineRec first(nullptr);
    first.LineIndent = 7;
    first.SetBorders(true, borders);
    TLineList lines;
    lines.push_back(std::move(first));
    EXPECT_EQ(first.LineBorders(), nullptr);
    EXPECT_FALSE(first.BordersBuilt());
    for (int i = 0; i < 4; ++i) lines.push_back(LineRec(nullptr));  // the list moves its lines as it grows
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].LineBorders(), borders);
    EXPECT_TRUE(lines[0].HasBorders() && lines[0].BordersBuilt());
    EXPECT_EQ(lines[0].LineIndent, 7);
    EXPECT_EQ(lines[1].LineBorders(), nullptr);
}

TEST(TextSection, SectionsBuiltOneAfterAnotherKeepTheirOwnText) {
    // Two sections under construction at once, each longer or shorter than
    // the other, the long one in many pieces; and one after they finish.
    FakeScreen screen;
    auto pieces = [](wchar_t letter, int count) { return std::wstring(static_cast<size_t>(count), letter); };
    TSection longer(nullptr), shorter(nullptr), after(nullptr);
    for (TSection* s : {&longer, &shorter, &after}) s->SetRunFont(Fake16(), 0, TransparentColor);
    for (int i = 0; i < 30; ++i) longer.AddText(pieces(L'a', 99) + L" ", 1000 + i * 200);
    shorter.AddText(L"xy", 50, true);
    shorter.ProcessText();
    longer.AddText(L"z", 9000);
    longer.ProcessText();
    after.AddText(L"q", 7);
    after.ProcessText();
    // One dropped half built leaves nothing to the next made in its place.
    auto* dropped = new TSection(nullptr);
    dropped->AddText(L"gone", 500);
    delete dropped;
    auto next = std::make_unique<TSection>(nullptr);
    next->AddText(L"n", 5);
    next->ProcessText();

    EXPECT_EQ(shorter.SectionText, L"xy");
    EXPECT_EQ(shorter.LineBreakFlags(), "nny");
    EXPECT_EQ(shorter.FindSourcePos(1), 51);
    EXPECT_EQ(after.SectionText, L"q");
    EXPECT_EQ(after.LineBreakFlags(), "yy");
    EXPECT_EQ(after.FindSourcePos(0), 7);
    EXPECT_EQ(next->FindSourcePos(0), 5);

    ASSERT_EQ(longer.Len, 3001);
    EXPECT_EQ(longer.SectionText.substr(2990), pieces(L'a', 9) + L" z");
    EXPECT_EQ(longer.LineBreakFlags(), std::string(3002, 'y'));
    EXPECT_EQ(longer.FindSourcePos(0), 1000);
    EXPECT_EQ(longer.FindSourcePos(2 * 100 + 5), 1000 + 2 * 200 + 5);
    EXPECT_EQ(longer.FindSourcePos(3000), 9000);
    // A finished section holds its text, not the room it was built in.
    EXPECT_LT(longer.SectionText.capacity(), longer.SectionText.size() + 64);
    EXPECT_LT(shorter.SectionText.capacity(), 64u);
}

}  // namespace
