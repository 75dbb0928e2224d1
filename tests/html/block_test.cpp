#include "html/block.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "html/indent_manager.h"
#include "html/section_list.h"
#include "html/text_measure.h"
#include "html/text_section.h"

namespace {

using enum PropIndices;

// Fake widths at 16 px: lower 8, upper 10, space 4, other 16.
struct FakeScreen {
    FakeScreen() { SetScreenMeasurer(&measurer); }
    ~FakeScreen() { SetScreenMeasurer(nullptr); }
    TTableMeasurer measurer{std::make_unique<TFakeGlyphSource>()};
};

using Props = std::initializer_list<std::pair<const char*, const char*>>;

std::unique_ptr<TProperties> MakeProps(const char* tag, Props props) {
    auto p = std::make_unique<TProperties>();
    p->EditSel().Tag = tag;
    for (const auto& [name, value] : props) p->AddPropertyByName(name, value);
    return p;
}

TBlock* AddBlock(TSectionList& doc, TCellBasic& cell, const char* tag, Props props) {
    auto p = MakeProps(tag, props);
    auto* b = new TBlock(&doc, *p, &cell, nullptr);
    cell.Add(b);
    return b;
}

TSection* AddText(TSectionList& doc, TCellBasic& cell, std::wstring_view text, const wchar_t* face = L"Fake") {
    TFontDesc d;
    d.Face = face;
    d.Height = -16;
    auto* s = new TSection(&doc);
    s->SetRunFont(d, 0, TransparentColor);
    s->AddText(text, 0);
    cell.Add(s);
    return s;
}

int Layout(TSectionList& doc, int width) {
    int scrollWidth = 0, pos = 0;
    return doc.DoLogic(nullptr, 0, width, 600, 0, scrollWidth, pos);
}

struct WhiteBitmap {
    WhiteBitmap(int w, int h) {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(w, h);
        bitmap.Canvas()->Brush()->SetColor(clWhite);
        bitmap.Canvas()->FillRect(TRect{0, 0, w, h});
    }
    uint32_t At(int x, int y) { return static_cast<uint32_t>(bitmap.Canvas()->Pixels(x, y)) & 0xFFFFFF; }
    TBitmap bitmap;
};

TEST(Block, AdjacentVerticalMarginsCollapse) {
    FakeScreen screen;
    struct Case {
        const char* bottom;
        const char* top;
        int gap;
    };
    for (const Case c : {Case{"20px", "10px", 20}, Case{"-5px", "10px", 5}, Case{"-5px", "-10px", -10},
                         Case{"10px", "20px", 20}}) {
        TSectionList doc(nullptr);
        TBlock* a = AddBlock(doc, doc, "div", {{"margin-top", "0"}, {"margin-bottom", c.bottom}});
        AddText(doc, *a->ChildCell, L"one");
        TBlock* b = AddBlock(doc, doc, "div", {{"margin-top", c.top}});
        AddText(doc, *b->ChildCell, L"two");
        Layout(doc, 300);
        EXPECT_EQ(b->PlacedY - a->ContentBottomY, c.gap) << c.bottom << " " << c.top;
    }
}

TEST(Block, AutoParagraphSpaceIsDroppedAtTheEdgesOfACell) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TBlock* outer = AddBlock(doc, doc, "div", {});
    auto props = MakeProps("p", {});
    props->SetValue(MarginTop, AutoParaValue);
    props->SetValue(MarginBottom, AutoParaValue);
    auto* p = new TBlock(&doc, *props, outer->ChildCell.get(), nullptr);
    outer->ChildCell->Add(p);
    AddText(doc, *p->ChildCell, L"text");
    EXPECT_TRUE(outer->ChildCell->CheckLastBottomMargin());
    EXPECT_FALSE(outer->ChildCell->CheckLastBottomMargin());  // dropped once
    Layout(doc, 300);
    EXPECT_EQ(p->PlacedY, outer->PlacedY);                   // no space above the first block
    EXPECT_EQ(p->InnerBottom, p->ContentBottomY);            // nor below the last
}

// Boxes made from one set share its slots; each keeps what collapsing or a
// later change gives it, and the set keeps its own.
TEST(Block, BoxesOfOneSetKeepTheirOwnChanges) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    auto props = MakeProps("p", {{"margin-top", "5px"}, {"margin-bottom", "7px"}, {"width", "50%"},
                                 {"border-color", "red"}, {"border-left-color", "blue"}});
    TProperties sharing;
    sharing.CopyState(*props);  // the slots are shared, as the reader's sets are
    TBlock* first = new TBlock(&doc, *props, &doc, nullptr);
    doc.Add(first);
    TBlock* second = new TBlock(&doc, *props, &doc, nullptr);
    doc.Add(second);
    TBlock* third = new TBlock(&doc, *props, &doc, nullptr);
    doc.Add(third);
    auto text = [](const TBlock* b, PropIndices p) { return PropString(b->RawBoxValues[p]); };
    auto number = [](const TBlock* b, PropIndices p) {
        const TPropValue& v = b->RawBoxValues[p];
        return IsInt(v) ? std::get<int>(v) : -1;
    };
    EXPECT_EQ(text(first, MarginTop), "5px");
    EXPECT_EQ(number(first, MarginBottom), 0);  // joined with the next box's top
    EXPECT_EQ(number(second, MarginTop), 7);
    EXPECT_EQ(number(second, MarginBottom), 0);
    EXPECT_EQ(number(third, MarginTop), 7);
    EXPECT_EQ(text(third, MarginBottom), "7px");
    for (const TBlock* b : {first, second, third}) {
        EXPECT_EQ(number(b, BorderTopColor), 0x0000FF);
        EXPECT_EQ(number(b, BorderLeftColor), 0xFF0000);
        EXPECT_EQ(number(b, BackgroundColor), 0x1FFFFFFF);  // not set on the element
    }

    first->RawBoxValues.Set(Width, 100);
    EXPECT_EQ(number(first, Width), 100);
    EXPECT_EQ(text(second, Width), "50%");
    EXPECT_EQ(text(third, Width), "50%");
    // A copy of a box's slots (a clone for printing) and the box go their own ways.
    TBoxSlots copy = first->RawBoxValues;
    copy.Set(Width, 200);
    first->RawBoxValues.Set(Height, 30);
    EXPECT_EQ(number(first, Width), 100);
    EXPECT_EQ(number(first, Height), 30);
    ASSERT_TRUE(IsInt(copy[Width]));
    EXPECT_EQ(std::get<int>(copy[Width]), 200);
    EXPECT_FALSE(IsInt(copy[Height]) && std::get<int>(copy[Height]) == 30);
    EXPECT_EQ(number(first, MarginBottom), 0);
    EXPECT_EQ(PropString(copy[MarginTop]), "5px");
    const TVMarginArray own = props->VMarginArray();
    EXPECT_EQ(PropString(own[MarginTop]), "5px");
    EXPECT_EQ(PropString(own[MarginBottom]), "7px");
    EXPECT_EQ(PropString(own[Width]), "50%");

    const TBoxSlots none;
    EXPECT_FALSE(IsAssigned(none[MarginTop]));
    EXPECT_FALSE(IsAssigned(none[Width]));
    // A margin set unassigned on its own hides the shared one.
    TBoxSlots unset = third->RawBoxValues;
    unset.Set(MarginBottom, TPropValue{});
    EXPECT_FALSE(IsAssigned(unset[MarginBottom]));
    EXPECT_EQ(text(third, MarginBottom), "7px");
}

TEST(Block, BoxValuesAreSharedAndOutliveTheDocumentOfTheirSource) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    std::vector<TBlock*> boxes;
    for (int i = 0; i < 300; ++i) {
        boxes.push_back(AddBlock(doc, doc, "p", {{"margin-left", "10px"}}));
        AddText(doc, *boxes.back()->ChildCell, L"word");
    }
    TBlock* unlaid = AddBlock(doc, doc, "div", {{"display", "none"}, {"margin-left", "10px"}});
    for (int width : {500, 400}) {
        Layout(doc, width);
        for (const TBlock* b : boxes) EXPECT_EQ(b->BoxValues[Width], width - 10);
        // First and last of the run differ in their collapsed margins.
        EXPECT_LE(doc.BoxValuesPool.Count(), 3u) << width;
    }
    EXPECT_EQ(unlaid->BoxValues.Get().Slots, TMarginArray{}.Slots);

    auto copy = std::make_unique<TSectionList>(doc);
    doc.Clear();
    EXPECT_EQ(doc.BoxValuesPool.Count(), 0u);
    auto* first = copy->Section(0)->AsBlock();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->BoxValues[MarginLeft], 10);
    EXPECT_EQ(first->BoxValues[Width], 390);
    Layout(*copy, 300);
    EXPECT_EQ(first->BoxValues[Width], 290);
    EXPECT_LE(copy->BoxValuesPool.Count(), 3u);
}

TEST(Block, AutoSideMarginsCenterAGivenWidth) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TBlock* b = AddBlock(doc, doc, "div", {{"width", "300px"}, {"margin-left", "auto"}, {"margin-right", "auto"}});
    Layout(doc, 500);
    EXPECT_EQ(b->BoxValues[MarginLeft], 100);
    EXPECT_EQ(b->BoxValues[MarginRight], 100);
    EXPECT_EQ(b->ContentWidth, 300);
    EXPECT_EQ(b->ContentLeft(), 100);
}

TEST(Block, PercentWidthIsTakenOfTheCellIn64Bits) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TBlock* b = AddBlock(doc, doc, "div", {{"width", "50%"}});
    Layout(doc, 1'000'000);
    EXPECT_EQ(b->ContentWidth, 500'000);
}

TEST(Block, FloatsMoveTextAsideAndClearMovesBelowThem) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TBlock* left = AddBlock(doc, doc, "div", {{"float", "left"}, {"width", "100px"}});
    AddText(doc, *left->ChildCell, L"aaaa bbbb cccc dddd eeee ffff");  // several lines in 100 px
    TBlock* right = AddBlock(doc, doc, "div", {{"float", "right"}, {"width", "50px"}});
    AddText(doc, *right->ChildCell, L"r");
    TSection* beside = AddText(doc, doc, L"beside");
    TBlock* cleared = AddBlock(doc, doc, "div", {{"clear", "left"}});
    AddText(doc, *cleared->ChildCell, L"below");
    Layout(doc, 400);

    EXPECT_EQ(left->FullHeight, 0);  // a float takes no room in the flow
    EXPECT_GT(left->PaintBottom, 40);
    ASSERT_FALSE(beside->Lines.empty());
    EXPECT_EQ(beside->PlacedY, 0);
    EXPECT_GE(beside->Lines[0].LineIndent, 100);
    EXPECT_EQ(right->ContentLeft(), 350);
    EXPECT_GE(cleared->PlacedY, left->PaintBottom);
    // Floats give back their room below themselves: the cleared text starts at the left.
    EXPECT_EQ(cleared->ContentLeft(), 0);
}

TEST(Block, ListContentKeepsRoomForBulletsBesideAFloat) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TBlock* f = AddBlock(doc, doc, "div", {{"float", "left"}, {"width", "80px"}});
    AddText(doc, *f->ChildCell, L"x");
    TBlock* list = AddBlock(doc, doc, "ul", {{"margin-left", "0"}});
    list->IsListBlock = true;
    AddText(doc, *list->ChildCell, L"item");
    Layout(doc, 400);
    EXPECT_GE(list->ContentLeft(), 80 + 35);
}

TEST(Block, DisplayNoneTakesNoSpaceAndAnswersNothing) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TBlock* b = AddBlock(doc, doc, "div", {{"display", "none"}});
    AddText(doc, *b->ChildCell, L"hidden");
    EXPECT_EQ(Layout(doc, 300), 0);
    EXPECT_EQ(b->FindString(0, L"hidden", false), -1);
    int x = 0, y = 0;
    EXPECT_FALSE(b->CursorToXY(nullptr, 0, x, y));
    int mn = 1, mx = 1;
    b->MinMaxWidth(nullptr, mn, mx);
    EXPECT_EQ(mn + mx, 0);
}

TEST(Block, BulletTexts) {
    const struct {
        ListBulletType kind;
        int number;
        const wchar_t* text;
    } cases[] = {
        {lbLowerAlpha, 27, L"z."}, {lbUpperAlpha, 1, L"A."},  {lbUpperRoman, 25, L"XX."}, {lbLowerRoman, 4, L"iv."},
        {lbDecimal, 3, L"3."},     {lbDecimal, 1234567, L"1234567"}, {lbDisc, 1, L""},     {lbNone, 1, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(BulletText(c.kind, c.number), c.text) << c.number;
}

TEST(Block, ListItemKindsFollowTheirList) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    auto p = MakeProps("li", {});
    TBlockLI ordered(&doc, *p, &doc, OLSy, false, 'i', 4, 0, nullptr);
    EXPECT_EQ(ordered.ListKind, Ordered);
    EXPECT_EQ(ordered.BulletKind, lbLowerRoman);
    TBlockLI level1(&doc, *p, &doc, ULSy, false, ' ', 1, 1, nullptr);
    EXPECT_EQ(level1.BulletKind, lbDisc);
    TBlockLI plain(&doc, *p, &doc, ULSy, true, ' ', 1, 0, nullptr);
    EXPECT_EQ(plain.BulletKind, lbNone);
    auto square = MakeProps("li", {{"list-style-type", "square"}});
    TBlockLI styled(&doc, *square, &doc, OLSy, false, '1', 1, 0, nullptr);
    EXPECT_EQ(styled.BulletKind, lbSquare);
}

TEST(Block, ListItemBulletStandsLeftOfTheFirstLine) {
    TSectionList doc(nullptr);
    TBlock* list = AddBlock(doc, doc, "ul", {{"margin-left", "40px"}, {"margin-top", "0"}});
    list->IsListBlock = true;
    auto p = MakeProps("li", {{"color", "#000000"}});
    auto* item = new TBlockLI(&doc, *p, list->ChildCell.get(), ULSy, false, ' ', 1, 0, nullptr);
    list->ChildCell->Add(item);
    AddText(doc, *item->ChildCell, L"Item", L"Arial");
    Layout(doc, 200);
    ASSERT_GT(item->BulletY, 0);
    EXPECT_EQ(doc.FirstBaselineTarget, nullptr);
    WhiteBitmap out(200, 60);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 200, 60}, 6000, 0, 0, 0, 0);
    // The square of a first-level list: (X'-15, Y-6) to (X'-10, Y-1).
    const int x = 40, y = item->BulletY;
    EXPECT_EQ(out.At(x - 13, y - 3), 0u);
    EXPECT_EQ(out.At(x - 20, y - 3), 0xFFFFFFu);
}

TEST(Block, BackgroundAndBorderArePainted) {
    TSectionList doc(nullptr);
    auto props = MakeProps("div", {{"margin-left", "10px"}, {"margin-top", "10px"}, {"padding-left", "5px"},
                                   {"padding-right", "5px"}, {"padding-top", "5px"}, {"padding-bottom", "5px"},
                                   {"width", "60px"}, {"height", "30px"}, {"background-color", "#ff0000"},
                                   {"border-style", "solid"}, {"border-color", "#0000ff"}, {"border-top-width", "3px"},
                                   {"border-right-width", "3px"}, {"border-bottom-width", "3px"},
                                   {"border-left-width", "3px"}});
    props->SetSetHere(BackgroundColor, true);
    auto* b = new TBlock(&doc, *props, &doc, nullptr);
    doc.Add(b);
    Layout(doc, 200);
    doc.SetYOffset(5);
    WhiteBitmap out(200, 100);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 200, 100}, 6000, 0, 0, 0, 0);
    // Border box from (10, 10 - 5) to (10 + 3 + 5 + 60 + 5 + 3, ...).
    EXPECT_EQ(b->BorderRect.Left, 10);
    EXPECT_EQ(b->BorderRect.Right, 86);
    EXPECT_EQ(out.At(11, 20), 0xFF0000u) << "border";  // blue, as BGR
    EXPECT_EQ(out.At(30, 20), 0x0000FFu) << "background";
    EXPECT_EQ(out.At(30, 5 + 1), 0xFF0000u) << "top border, scrolled";
    EXPECT_EQ(out.At(5, 20), 0xFFFFFFu) << "margin";
    EXPECT_EQ(out.At(90, 20), 0xFFFFFFu) << "right of the box";
}

// Blocks nested `depth` deep with a line of text in the innermost.
TSection* BuildNested(TSectionList& doc, int depth, const wchar_t* face = L"Fake") {
    auto p = MakeProps("div", {{"margin-top", "0"}});
    TCellBasic* cell = &doc;
    for (int i = 0; i < depth; ++i) {
        auto* b = new TBlock(&doc, *p, cell, nullptr);
        cell->Add(b);
        cell = b->ChildCell.get();
    }
    return AddText(doc, *cell, L"deep text", face);
}

TEST(Block, ContentAtTheNestingCapLaysOutAndDeeperContentLaysOutEmpty) {
    FakeScreen screen;
    for (const auto& [depth, shown] : {std::pair{MaxNestingDepth, true}, std::pair{MaxNestingDepth + 1, false}}) {
        TSectionList doc(nullptr);
        TSection* text = BuildNested(doc, depth);
        const int height = Layout(doc, 300);
        EXPECT_EQ(height > 0, shown) << depth;
        EXPECT_EQ(doc.FindString(0, L"deep", false) >= 0, shown) << depth;
        EXPECT_EQ(text->PlacedY != NotPlacedY, shown) << depth;
        EXPECT_EQ(TNestingGuard::Depth(), 0);
    }
}

TEST(Block, TenThousandLevelsLayOutPaintHitTestCopyAndFree) {
    TSectionList doc(nullptr);
    BuildNested(doc, 10'000, L"Arial");
    Layout(doc, 300);
    WhiteBitmap out(300, 50);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 300, 50}, 6000, 0, 0, 0, 0);
    TUrlTarget* target = nullptr;
    TImageFormControlObj* control = nullptr;
    std::string title;
    EXPECT_EQ(doc.GetURL(nullptr, 5, 5, target, control, title), 0u);
    int cx = 0, cy = 0, ch = 0;
    bool inside = false;
    doc.FindCursor(nullptr, 5, 5, cx, cy, ch, inside);
    TObject* obj = nullptr;
    int hx = 0, hy = 0;
    doc.PtInObject(5, 5, obj, hx, hy);
    int mn = 0, mx = 0;
    doc.MinMaxWidth(nullptr, mn, mx);
    doc.SelFirstPos = 0;
    doc.SelEndPos = 100;
    wchar_t buffer[64];
    doc.GetSelTextBuf(buffer, 64);
    {
        TSectionList copy(doc);
        EXPECT_EQ(copy.Count(), 1);
        Layout(copy, 300);
    }
    doc.Clear();
    EXPECT_EQ(doc.Count(), 0);
    EXPECT_EQ(TNestingGuard::Depth(), 0);
}

TEST(Block, GdiObjectsReturnToTheirBaseline) {
    auto cycle = [] {
        TSectionList doc(nullptr);
        auto props = MakeProps("div", {{"background-color", "#00ff00"}, {"border-style", "dashed"},
                                       {"border-left-width", "2px"}, {"border-top-width", "2px"}});
        props->SetSetHere(BackgroundColor, true);
        auto* b = new TBlock(&doc, *props, &doc, nullptr);
        doc.Add(b);
        auto p = MakeProps("li", {});
        for (int i = 1; i <= 3; ++i) {
            auto* item = new TBlockLI(&doc, *p, b->ChildCell.get(), i == 1 ? OLSy : ULSy, false, 'a', i, i, nullptr);
            b->ChildCell->Add(item);
            AddText(doc, *item->ChildCell, L"item", L"Arial");
        }
        Layout(doc, 150);
        WhiteBitmap out(150, 120);
        doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 150, 120}, 6000, 0, 0, 0, 0);
        doc.Clear();
    };
    cycle();
    const TGuiResource kinds[] = {TGuiResource::Font, TGuiResource::Bitmap, TGuiResource::DC, TGuiResource::Brush,
                                  TGuiResource::Pen};
    std::vector<int> baseline;
    for (TGuiResource k : kinds) baseline.push_back(GuiResourceCount(k));
    for (int i = 0; i < 100; ++i) cycle();
    for (size_t i = 0; i < std::size(kinds); ++i) EXPECT_EQ(GuiResourceCount(kinds[i]), baseline[i]) << i;
}

}  // namespace

namespace {

TEST(Block, RuleBoxTakesItsWidthAndAlignment) {
    FakeScreen screen;
    struct Case {
        JustifyType justify;
        const char* width;
        int marginLeft, contentWidth;
    } cases[] = {{Centered, "100px", 100, 100}, {Right, "100px", 200, 100}, {Left, "100px", 0, 100},
                 {Centered, "0", 0, 300},       {Centered, "900px", 0, 300}};
    for (const Case& c : cases) {
        TSectionList doc(nullptr);
        auto p = MakeProps("hr", {{"width", c.width}, {"margin-top", "0"}});
        auto* rule = new THRBlock(&doc, *p, &doc, nullptr);
        rule->RuleJustify = c.justify;
        doc.Add(rule);
        Layout(doc, 300);
        EXPECT_EQ(rule->BoxValues[MarginLeft], c.marginLeft) << c.width;
        EXPECT_EQ(rule->ContentWidth, c.contentWidth) << c.width;
    }
}

}  // namespace

#include "html/process_error.h"

namespace {

struct ErrorHost : TDocumentHost {
    void SetAnimationTimer(bool, int) override {}
    void FreeAnimationTimer() override {}
    std::string ExpandFileName(const std::string& name) override { return name; }
    void Progress(int) override {}
    void LinkAction(const TUrlTarget&) override {}
    void KeyDown(uint16_t&, unsigned) override {}
    void ControlEnter(TObject*) override {}
    void InvalidatePanel() override {}
    std::unique_ptr<TLinkTabStop> CreateLinkTabStop(TFontObj*) override { return nullptr; }
    void ShowProcessError(const std::string& message) override { Messages.push_back(message); }
    std::vector<std::string> Messages;
};

struct FailingSection : TSectionBase {
    using TSectionBase::TSectionBase;
    int DrawLogic(TCanvas*, int, int, int, int, int, int, int, IndentManager*, int&, int& PosCounter) override {
        PosCounter += 5;  // taken, then given back when the layout fails
        throw EProcessError("too big");
    }
};

TEST(Block, ASectionWhoseLayoutFailsIsDroppedAndTheRestLaysOut) {
    ErrorHost host;
    TSectionList doc(&host);
    TBlock* b = AddBlock(doc, doc, "div", {});
    b->ChildCell->Add(new FailingSection(&doc));
    AddText(doc, *b->ChildCell, L"kept", L"Arial");
    doc.Add(new FailingSection(&doc));
    TSection* after = AddText(doc, doc, L"after", L"Arial");
    Layout(doc, 200);
    EXPECT_EQ(host.Messages, (std::vector<std::string>{"too big", "too big"}));
    EXPECT_EQ(b->ChildCell->Count(), 1);
    EXPECT_EQ(doc.Count(), 2);
    EXPECT_EQ(after->FirstDocPos, 4);  // "kept" only; the failed positions were given back
    WhiteBitmap out(200, 60);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 200, 60}, 6000, 0, 0, 0, 0);
    EXPECT_EQ(doc.FindString(0, L"after", false), 4);
}

}  // namespace

namespace {

TEST(Block, ParagraphsCopyWithABlankLineAndHitTestsReachTheirText) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TBlock* first = AddBlock(doc, doc, "p", {{"margin-bottom", "10px"}});
    AddText(doc, *first->ChildCell, L"one");
    TBlock* second = AddBlock(doc, doc, "p", {{"margin-top", "10px"}});
    TSection* two = AddText(doc, *second->ChildCell, L"two");
    Layout(doc, 300);
    doc.SelFirstPos = 0;
    doc.SelEndPos = 100;
    wchar_t buffer[64] = {};
    doc.GetSelTextBuf(buffer, 64);
    EXPECT_EQ(std::wstring(buffer).substr(0, 10), L"one\r\n\r\ntwo");

    int caretX = 0, caretY = 0, caretHeight = 0;
    bool inside = false;
    const int pos = doc.FindCursor(nullptr, 1, two->PlacedY + 2, caretX, caretY, caretHeight, inside);
    EXPECT_EQ(pos, two->FirstDocPos);
    int x = 0, y = 0;
    ASSERT_TRUE(doc.CursorToXY(nullptr, pos + 1, x, y));  // its start is also the end of "one"
    EXPECT_EQ(y, two->PlacedY);

    std::string tree;
    doc.FormTree("", tree);
    EXPECT_EQ(tree.substr(0, 11), "p.  0  0\r\n ");
}

}  // namespace

namespace {

TEST(Block, FloatingBlocksCostTheSameEachDownAPage) {
    FakeScreen screen;
    auto visited = [](int n) {
        TSectionList doc(nullptr);
        for (int i = 0; i < n; ++i) {
            TBlock* f = AddBlock(doc, doc, "div", {{"float", i % 2 ? "right" : "left"}, {"width", "50px"}});
            AddText(doc, *f->ChildCell, L"float");
            TBlock* p = AddBlock(doc, doc, "p", {{"margin-top", "0"}});
            AddText(doc, *p->ChildCell, L"some text beside the float and below it as well");
        }
        Layout(doc, 300);
        return doc.IndentRef->RecordsVisited;
    };
    const int64_t one = visited(500), four = visited(2000);
    EXPECT_LE(four, one * 9 / 2) << one << " " << four;
}

}  // namespace

namespace {

TEST(Block, PaintOrderFollowsZIndexThenDocumentOrder) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    TBlock* outer = AddBlock(doc, doc, "div", {});
    std::vector<TSectionBase*> made;
    for (int z : {2, 0, -1, 0, -3}) {
        TSection* s = AddText(doc, *outer->ChildCell, L"x");
        s->ZIndex = z;
        made.push_back(s);
    }
    Layout(doc, 200);
    const std::vector<TSectionBase*> expected{made[4], made[2], made[1], made[3], made[0]};
    std::vector<TSectionBase*> order;
    for (int i = 0; i < outer->PaintCount(); ++i) order.push_back(outer->PaintSection(i));
    EXPECT_EQ(order, expected);
}

TEST(Block, PageBreakBeforeEndsThePrintedPageAboveTheBlock) {
    TSectionList doc(nullptr);
    AddText(doc, doc, L"first page", L"Arial");
    TBlock* b = AddBlock(doc, doc, "div", {{"margin-top", "8px"}, {"page-break-before", "always"}});
    AddText(doc, *b->ChildCell, L"second page", L"Arial");
    Layout(doc, 200);
    doc.Printing = true;
    WhiteBitmap out(200, 400);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 200, 400}, 6000, 0, 0, 0, 0);
    EXPECT_EQ(doc.PageBottomY, b->InnerTop + 8);
    EXPECT_TRUE(doc.PageBottomLowered);
}

TEST(Block, APageEndedByABlockIsNotMovedAgainByContentPaintedAfterIt) {
    // A float painted after the block (it comes later in paint order) has
    // lines across the page's new end; they are cut, not a new, higher end.
    TSectionList doc(nullptr);
    TBlock* outer = AddBlock(doc, doc, "div", {});
    TCellBasic& cell = *outer->ChildCell;
    AddText(doc, cell, L"first page", L"Arial");
    TBlock* side = AddBlock(doc, cell, "div", {{"float", "left"}, {"width", "60px"}});
    AddText(doc, *side->ChildCell, L"aaaa bbbb cccc dddd eeee ffff gggg", L"Arial");
    TBlock* b = AddBlock(doc, cell, "div", {{"margin-top", "8px"}, {"page-break-before", "always"}});
    AddText(doc, *b->ChildCell, L"second page", L"Arial");
    Layout(doc, 200);
    ASSERT_GT(side->PaintBottom, b->InnerTop + 30);
    doc.Printing = true;
    WhiteBitmap out(200, 400);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 200, 400}, 6000, 0, 0, 0, 0);
    EXPECT_EQ(doc.PageBottomY, b->InnerTop + 8);
}

}  // namespace
