#include "html/table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "framework/win.h"
#include "html/section_list.h"
#include "html/table_block.h"
#include "html/text_measure.h"
#include "html/text_section.h"

namespace {

using enum PropIndices;

// Fake widths at 16 px: lower 8, upper 10, space 4.
struct FakeScreen {
    FakeScreen() { SetScreenMeasurer(&measurer); }
    ~FakeScreen() { SetScreenMeasurer(nullptr); }
    TTableMeasurer measurer{std::make_unique<TFakeGlyphSource>()};
};

using Attrs = std::vector<std::pair<Symb, std::string>>;

// The attributes the scanner would give: BORDER without a value is 1.
std::unique_ptr<TAttributeList> MakeAttrs(const Attrs& attrs) {
    auto list = std::make_unique<TAttributeList>();
    for (const auto& [sym, t] : attrs) {
        int number = t.empty() && sym == BorderSy ? 1 : 0;
        if (!t.empty()) number = std::atoi(t.c_str());
        list->Add(new TAttribute(sym, number, "", t));
    }
    return list;
}

std::unique_ptr<TProperties> MakeProps(const char* tag, std::initializer_list<std::pair<const char*, const char*>> p) {
    auto props = std::make_unique<TProperties>();
    props->EditSel().Tag = tag;
    for (const auto& [name, value] : p) {
        props->AddPropertyByName(name, value);
        if (std::string(name) == "background-color") props->SetSetHere(BackgroundColor, true);
    }
    return props;
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

// A table in its block, added to `cell`.
struct Table {
    Table(TSectionList& doc, TCellBasic& cell, const Attrs& attrs, std::initializer_list<std::pair<const char*, const char*>> style = {})
        : doc(doc) {
        auto a = MakeAttrs(attrs);
        auto p = MakeProps("table", style);
        table = new ThtmlTable(&doc, a.get(), p.get());
        block = new TTableBlock(&doc, *p, &cell, table, a.get());
        cell.Add(block);
    }
    TCellList* Row(const Attrs& attrs = {}) {
        auto a = MakeAttrs(attrs);
        auto* row = new TCellList(a.get(), nullptr);
        table->AddRow(row);
        return row;
    }
    TCellObj* Cell(TCellList* row, const Attrs& attrs, std::wstring_view text, AlignmentType valign = AMiddle) {
        auto a = MakeAttrs(attrs);
        auto p = MakeProps("td", {});
        auto* c = new TCellObj(&doc, valign, a.get(), p.get());
        if (!text.empty()) AddText(doc, *c->Cell, text);
        row->Add(c);
        return c;
    }
    TSectionList& doc;
    ThtmlTable* table;
    TTableBlock* block;
};

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

// ---- column widths

TEST(Table, ColumnWidthsAtThreeWidths) {
    FakeScreen screen;
    // "aa aa": minimum 16, maximum 36; "b b": 8 and 20; "aaaa": 32.
    struct Case {
        const char* name;
        Attrs table;
        std::vector<std::vector<std::pair<Attrs, std::wstring>>> rows;
        int widths[3];  // document widths
        std::vector<int> expected[3];
    };
    const Case cases[] = {
        {"no percentages",
         {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}},
         {{{{}, L"aa aa aa"}, {{}, L"a a"}}},
         {1000, 50, 20},
         {{56, 20}, {36, 14}, {16, 8}}},
        {"COLSPAN=3 in a row of two",
         {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}},
         {{{{{ColSpanSy, "3"}}, L"aaaaaaaa"}, {{}, L"aaaa"}}, {{{}, L"a"}, {{}, L"a"}, {{}, L"a"}, {{}, L"a"}}},
         {1000, 300, 50},
         {{22, 21, 21, 32}, {22, 21, 21, 32}, {22, 21, 21, 32}}},
        {"ROWSPAN past the end",
         {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}},
         {{{{{RowSpanSy, "5"}}, L"aaaa"}, {{}, L"a"}}, {{{}, L"aa"}}},
         {1000, 300, 20},
         {{32, 16}, {32, 16}, {32, 16}}},
        {"100% with another column",
         {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}},
         {{{{{WidthSy, "100%"}}, L"aa aa"}, {{}, L"b b"}}},
         {1000, 40, 20},
         {{47, 9}, {32, 8}, {16, 8}}},
        {"150% is ignored, 50% is half",
         {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}},
         {{{{{WidthSy, "150%"}}, L"aa aa"}, {{{WidthSy, "50%"}}, L"b b"}}},
         {1000, 40, 20},
         {{28, 28}, {20, 20}, {16, 8}}},
        {"table WIDTH=50%",
         {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}, {WidthSy, "50%"}},
         {{{{}, L"aa aa"}, {{}, L"b b"}}},
         {1000, 100, 30},
         {{254, 246}, {33, 17}, {16, 8}}},
        {"a fixed cell width",
         {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}},
         {{{{{WidthSy, "100"}}, L"aa aa"}, {{}, L"b b"}}},
         {1000, 60, 20},
         {{100, 20}, {48, 12}, {16, 8}}},
        {"default spacing and padding",
         {},
         {{{{}, L"aaaa"}}},
         {1000, 300, 10},
         {{36}, {36}, {36}}},
        {"clamped attributes",
         {{CellSpacingSy, "100"}, {CellPaddingSy, "80"}, {BorderSy, "500"}},
         {{{{}, L"a"}}},
         {1000, 300, 10},
         {{8 + 50 + 1 + 1 + 50 + 40}, {150}, {150}}},
    };
    for (const Case& c : cases)
        for (int w = 0; w < 3; ++w) {
            TSectionList doc(nullptr);
            Table t(doc, doc, c.table);
            for (const auto& cells : c.rows) {
                TCellList* row = t.Row();
                for (const auto& [attrs, text] : cells) t.Cell(row, attrs, text);
            }
            Layout(doc, c.widths[w]);
            EXPECT_EQ(t.table->Widths, c.expected[w]) << c.name << " at " << c.widths[w];
        }
}

TEST(Table, SpansMakeTheirPlaces) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    Table t(doc, doc, {});
    TCellList* r0 = t.Row();
    TCellObj* wide = t.Cell(r0, {{ColSpanSy, "3"}}, L"x");
    TCellObj* second = t.Cell(r0, {}, L"y");
    TCellList* r1 = t.Row();
    TCellObj* tall = t.Cell(r1, {{RowSpanSy, "9"}}, L"z");
    TCellList* r2 = t.Row();
    t.Cell(r2, {}, L"w");
    Layout(doc, 500);
    EXPECT_EQ(r0->Count(), 4);
    EXPECT_EQ(r0->Cell(0), wide);
    EXPECT_EQ(r0->Cell(3), second);
    EXPECT_EQ(t.table->ColumnCount, 4);
    EXPECT_EQ(tall->RowSpan, 2);  // cut to the rows left
    ASSERT_GE(r2->Count(), 2);
    EXPECT_EQ(r2->Cell(0), nullptr);  // under the row span
    EXPECT_NE(r2->Cell(1), nullptr);
    EXPECT_EQ(wide->SpanWidth, t.table->Widths[0] + t.table->Widths[1] + t.table->Widths[2]);
}

TEST(Table, AttributeClampsAndDefaults) {
    FakeScreen screen;
    struct Case {
        Attrs attrs;
        int spacing, padding, border;
    } cases[] = {
        {{}, 2, 1, 0},
        {{{CellSpacingSy, "100"}, {CellPaddingSy, "80"}, {BorderSy, "500"}}, 40, 50, 100},
        {{{CellSpacingSy, "-5"}, {CellPaddingSy, "-3"}, {BorderSy, ""}}, 0, 0, 1},
    };
    for (const Case& c : cases) {
        TSectionList doc(nullptr);
        Table t(doc, doc, c.attrs);
        EXPECT_EQ(t.table->CellSpacing, c.spacing);
        EXPECT_EQ(t.table->CellPadding, c.padding);
        EXPECT_EQ(t.table->BorderWidth, c.border);
        EXPECT_EQ(t.block->TableBorder, c.border > 0);
    }
}

// ---- degenerate tables

TEST(Table, DegenerateTablesFinishWithFiniteSizes) {
    FakeScreen screen;
    struct Case {
        const char* name;
        std::function<void(Table&)> build;
        int columns;
    };
    const Case cases[] = {
        {"no rows", [](Table&) {}, 0},
        {"rows without cells",
         [](Table& t) {
             for (int i = 0; i < 3; ++i) t.Row();
         },
         0},
        {"COLSPAN=100000", [](Table& t) { t.Cell(t.Row(), {{ColSpanSy, "100000"}}, L"x"); }, MaxColSpan},
        {"ROWSPAN=65534 on three rows",
         [](Table& t) {
             t.Cell(t.Row(), {{RowSpanSy, "65534"}}, L"x");
             t.Cell(t.Row(), {}, L"y");
             t.Cell(t.Row(), {}, L"z");
         },
         2},
        {"all columns with percentages",
         [](Table& t) {
             TCellList* r = t.Row();
             t.Cell(r, {{WidthSy, "70%"}}, L"aaa");
             t.Cell(r, {{WidthSy, "60%"}}, L"bbb");
             t.Cell(r, {{WidthSy, "100%"}}, L"c");
         },
         3},
        {"all columns fixed at their minimum",
         [](Table& t) {
             TCellList* r = t.Row();
             t.Cell(r, {{WidthSy, "1"}}, L"aaaa");
             t.Cell(r, {{WidthSy, "1"}}, L"bbbb");
         },
         2},
        {"spans of every size",
         [](Table& t) {
             for (int i = 1; i < 30; ++i) t.Cell(t.Row(), {{ColSpanSy, std::to_string(i)}, {RowSpanSy, "3"}}, L"s");
         },
         -1},
    };
    for (const Case& c : cases)
        for (int width : {1000, 50, 0}) {
            TSectionList doc(nullptr);
            Table t(doc, doc, {{CellSpacingSy, "-5"}});
            c.build(t);
            Layout(doc, width);
            ThtmlTable& table = *t.table;
            if (c.columns >= 0) {
                EXPECT_EQ(table.ColumnCount, c.columns) << c.name;
            }
            EXPECT_GE(table.GivenTableWidth, 0) << c.name;
            EXPECT_LT(table.GivenTableWidth, 100000) << c.name;
            EXPECT_GE(table.FullHeight, 0) << c.name;
            EXPECT_LT(table.FullHeight, 100000) << c.name;
            for (int w : table.Widths) EXPECT_GE(w, 0) << c.name;
        }
}

TEST(Table, EmptyTablesAndRowsAreCellSpacingWideAndHigh) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    Table empty(doc, doc, {{CellSpacingSy, "7"}});
    Table rows(doc, doc, {{CellSpacingSy, "7"}});
    rows.Row();
    rows.Row();
    Layout(doc, 500);
    EXPECT_EQ(empty.table->GivenTableWidth, 7);
    EXPECT_EQ(empty.table->FullHeight, 7);
    EXPECT_EQ(rows.table->GivenTableWidth, 7);
    EXPECT_EQ(rows.table->FullHeight, 3 * 7);
}

TEST(Table, TooManySpannedPlacesAreCut) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    Table t(doc, doc, {});
    // 1100 rows of 1000 columns each would need more than 2^20 places.
    for (int i = 0; i < 1100; ++i) t.Cell(t.Row(), {{ColSpanSy, "1000"}}, L"");
    t.table->AddDummyCells();
    int64_t places = 0;
    for (int r = 0; r < t.table->RowCount(); ++r) places += t.table->Row(r)->Count();
    EXPECT_LE(places, MaxDummyCells + 1100);
    EXPECT_EQ(t.table->ColumnCount, 1000);
}

// ---- row heights

TEST(Table, RowHeightsWithSpansPercentagesAndAlignment) {
    FakeScreen screen;
    const std::wstring threeLines = std::wstring(L"a") + BreakChar + L"a" + BreakChar + L"a";
    TSectionList doc(nullptr);
    Table line(doc, doc, {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}});
    TCellObj* one = line.Cell(line.Row(), {}, L"a");
    Table spans(doc, doc, {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}});
    TCellList* r0 = spans.Row();
    TCellObj* tall = spans.Cell(r0, {{RowSpanSy, "2"}}, threeLines, ATop);
    TCellObj* middle = spans.Cell(r0, {}, L"b", AMiddle);
    TCellObj* bottom = spans.Cell(spans.Row(), {}, L"c", ABottom);
    Table percent(doc, doc, {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}, {HeightSy, "200"}});
    TCellObj* half = percent.Cell(percent.Row({{HeightSy, "50%"}}), {}, L"d");
    percent.Cell(percent.Row(), {}, L"e");
    Layout(doc, 500);

    const int h = one->FirstPassHeight;
    ASSERT_GT(h, 0);
    // The spanning cell's two extra lines go half to each row, the rest to the last.
    EXPECT_EQ(spans.table->Heights, (std::vector<int>{h + h / 2, 2 * h - h / 2}));
    EXPECT_EQ(spans.table->FullHeight, 3 * h);
    EXPECT_EQ(tall->SpanHeight, 3 * h);
    EXPECT_EQ(tall->AlignOffsetY, 0);
    EXPECT_EQ(middle->AlignOffsetY, (h + h / 2 - h) / 2);
    EXPECT_EQ(bottom->AlignOffsetY, 2 * h - h / 2 - h);
    EXPECT_EQ(middle->Cell->Section(0)->PlacedY, spans.table->PlacedY + middle->AlignOffsetY);

    EXPECT_EQ(half->CellGivenHeightPct, 50);
    EXPECT_EQ(percent.table->Heights, (std::vector<int>{100, 100}));
}

// ---- nesting

// A section that counts its layouts.
class TCountingSection : public TSectionBase {
public:
    explicit TCountingSection(TSectionList* doc) : TSectionBase(doc) { FullHeight = 10; }
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override {
        ++Layouts;
        return TSectionBase::DrawLogic(Canvas, X, Y, OriginX, OriginY, WidthArg, HeightArg, EnclosingHeight,
                                       IndentRef, MaxWidth, PosCounter);
    }
    int Layouts = 0;
};

TEST(Table, NestedTablesFinishAndInnerContentIsLaidOutABoundedNumberOfTimes) {
    FakeScreen screen;
    for (int depth : {4, 40, MaxNestingDepth + 20}) {
        // Tables with a width are measured before they are given it; that
        // must not make them find their heights again.
        const Attrs attrs = depth == 40 ? Attrs{{WidthSy, "100%"}} : Attrs{};
        TSectionList doc(nullptr);
        TCellBasic* cell = &doc;
        std::vector<std::unique_ptr<Table>> tables;
        for (int i = 0; i < depth; ++i) {
            tables.push_back(std::make_unique<Table>(doc, *cell, attrs));
            cell = tables.back()->Cell(tables.back()->Row(), {}, L"")->Cell.get();
        }
        auto* inner = new TCountingSection(&doc);
        cell->Add(inner);
        const int height = Layout(doc, 800);
        EXPECT_GT(height, 0) << depth;
        EXPECT_LT(height, 100000) << depth;
        if (depth == 4) {
            // A first pass, then the final pass refines four levels down:
            // 1 + 2 * 2 * 2 layouts.
            EXPECT_EQ(inner->Layouts, 9);
            EXPECT_EQ(height, 10 + 4 * (2 * 2 + 2));  // each level: spacing, padding twice, spacing
        }
        // Deeper tables keep their first row heights: no more layouts than at 4.
        if (depth == 40) {
            EXPECT_EQ(inner->Layouts, 9);
        }
        if (depth > MaxNestingDepth) {
            EXPECT_EQ(inner->Layouts, 0);  // past the cap: laid out empty
        }
        EXPECT_EQ(doc.TableDepth, 0);
        EXPECT_FALSE(doc.InSecondPass);
    }
}

// ---- queries

TEST(Table, QueriesDescendIntoCells) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    Table t(doc, doc, {{CellSpacingSy, "4"}, {CellPaddingSy, "3"}});
    TCellList* row = t.Row();
    TCellObj* first = t.Cell(row, {}, L"alpha");
    TCellObj* second = t.Cell(row, {}, L"beta");
    Layout(doc, 500);
    const int secondLeft = t.table->LayoutLeft + t.table->Widths[0] + second->ContentLeft(4);
    const int y = t.table->PlacedY + 4 + 3 + second->AlignOffsetY + 2;

    int caretX = -1, caretY = 0, caretHeight = 0;
    bool inside = false;
    const int pos = t.table->FindCursor(nullptr, secondLeft + 1, y, caretX, caretY, caretHeight, inside);
    EXPECT_EQ(pos, second->Cell->FirstDocPos);
    EXPECT_EQ(caretX, secondLeft);
    int x = 0, cy = 0;
    ASSERT_TRUE(t.table->CursorToXY(nullptr, second->Cell->FirstDocPos + 1, x, cy));
    EXPECT_EQ(x, secondLeft + 8);  // past the "b"
    EXPECT_EQ(t.table->FindString(0, L"beta", false), second->Cell->FirstDocPos);
    EXPECT_EQ(t.table->FindStringR(t.table->FirstDocPos + t.table->Len, L"alpha", false), first->Cell->FirstDocPos);
    EXPECT_EQ(t.table->FindCursor(nullptr, secondLeft + 1, t.table->InnerBottom + 5, caretX, caretY, caretHeight,
                                  inside),
              -1);
    wchar_t ch = 0;
    TObject* obj = nullptr;
    EXPECT_TRUE(t.table->GetChAtPos(second->Cell->FirstDocPos, ch, obj));
    EXPECT_EQ(ch, L'b');
}

// ---- painting

TEST(TableDraw, BackgroundsFramesAndClipping) {
    TSectionList doc(nullptr);
    Table t(doc, doc, {{BorderSy, "2"}, {CellSpacingSy, "4"}, {CellPaddingSy, "2"}});
    TCellList* row = t.Row();
    TCellObj* red = t.Cell(row, {{BGColorSy, "#FF0000"}, {WidthSy, "60"}}, L"");
    AddText(doc, *red->Cell, L"Red", L"Arial");
    TCellObj* empty = t.Cell(row, {{BGColorSy, "#00FF00"}, {WidthSy, "40"}}, L"");
    TCellObj* spill = t.Cell(row, {{WidthSy, "60"}}, L"");
    auto p = MakeProps("div", {{"margin-left", "-40px"}, {"background-color", "#0000FF"}});
    auto* block = new TBlock(&doc, *p, spill->Cell.get(), nullptr);
    spill->Cell->Add(block);
    AddText(doc, *block->ChildCell, L"Blue", L"Arial");
    Layout(doc, 400);

    WhiteBitmap out(400, 100);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 400, 100}, 6000, 0, 0, 0, 0);
    const uint32_t shadow = static_cast<uint32_t>(ColorToRGB(clBtnShadow)) & 0xFFFFFF;
    const int left = t.table->TableLeft, top = t.table->PlacedY;
    // The outer frame is raised: dark at its bottom right.
    EXPECT_EQ(out.At(t.block->BorderRect.Right - 1, t.block->BorderRect.Bottom - 1), shadow);
    EXPECT_NE(out.At(t.block->BorderRect.Left, t.block->BorderRect.Top), shadow);
    // The red cell: inside its spacing, framed sunken.
    const int boxLeft = left + 4, boxTop = top + 4;
    EXPECT_EQ(out.At(boxLeft, boxTop), shadow) << "sunken frame, dark at its top left";
    EXPECT_EQ(out.At(boxLeft + 2, boxTop + 2), 0x0000FFu) << "cell background";
    EXPECT_EQ(out.At(boxLeft - 2, boxTop + 5), 0xFFFFFFu) << "spacing keeps the table's background";
    EXPECT_EQ(out.At(boxLeft + 5, boxTop - 2), 0xFFFFFFu);
    // With a table border the colour reaches one pixel up and left.
    EXPECT_EQ(out.At(boxLeft - 1, boxTop + 5), 0x0000FFu);
    EXPECT_EQ(out.At(boxLeft + 5, boxTop - 1), 0x0000FFu);
    // The empty green cell has no frame.
    const int greenLeft = left + t.table->Widths[0] + 4;
    EXPECT_EQ(out.At(greenLeft, boxTop), 0x00FF00u);
    EXPECT_EQ(out.At(greenLeft + empty->SpanWidth - 5, boxTop + empty->SpanHeight - 5), 0x00FF00u);
    // The block pushed out of the third cell is cut at the cell's edge.
    const int spillLeft = greenLeft + t.table->Widths[1];
    const int y = boxTop + 5;
    EXPECT_EQ(out.At(spillLeft + 3, y), 0xFF0000u) << "inside the cell";
    EXPECT_EQ(out.At(spillLeft - 2, y), 0xFFFFFFu) << "spacing left of the cell";
    EXPECT_EQ(out.At(spillLeft - 10, y), 0x00FF00u) << "the neighbour keeps its colour";
}

TEST(TableDraw, ManyPaintsLeaveNoRegionOrBrushBehind) {
    TSectionList doc(nullptr);
    Table t(doc, doc, {{BorderSy, "1"}});
    for (int r = 0; r < 5; ++r) {
        TCellList* row = t.Row();
        for (int c = 0; c < 4; ++c) AddText(doc, *t.Cell(row, {{BGColorSy, "#C0C0FF"}}, L"")->Cell, L"x", L"Arial");
    }
    Layout(doc, 300);
    WhiteBitmap out(300, 200);
    HDC dc = out.bitmap.Canvas()->Handle();
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 300, 200}, 6000, 0, 0, 0, 0);
    const TGuiResource kinds[] = {TGuiResource::Region, TGuiResource::Brush, TGuiResource::Pen, TGuiResource::Font,
                                  TGuiResource::Bitmap, TGuiResource::DC};
    std::vector<int> before;
    for (TGuiResource k : kinds) before.push_back(GuiResourceCount(k));
    for (int i = 0; i < 100; ++i) doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 300, 200}, 6000, 0, 0, 0, 0);
    for (size_t i = 0; i < std::size(kinds); ++i) EXPECT_EQ(GuiResourceCount(kinds[i]), before[i]) << i;
    // The clip region is gone after each cell.
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, probe), 0);
    DeleteObject(probe);
}

// ---- printing

struct PrintCase {
    const char* name;
    std::vector<int> heights;
    int flagged;  // the row given the flag, -1 none
    int flag;     // 0 before, 1 inside, 2 after
    int bottom;   // PageBottomY after the first page
};

TEST(TableDraw, PrintedRowsBreakAcrossPages) {
    FakeScreen screen;
    const PrintCase cases[] = {
        {"plain", {20, 20, 20, 20, 20, 20}, -1, 0, 100},
        {"break before", {20, 20, 20, 20, 20, 20}, 2, 0, 40},
        {"break after", {20, 20, 20, 20, 20, 20}, 1, 2, 40},
        {"avoid inside", {50, 60}, 1, 1, 50},
        {"split high on the page", {50, 60}, -1, 0, 100},
        {"lower third", {70, 40}, -1, 0, 70},
    };
    for (const PrintCase& c : cases) {
        TSectionList doc(nullptr);
        Table t(doc, doc, {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}});
        for (int h : c.heights) t.Cell(t.Row({{HeightSy, std::to_string(h)}}), {}, L"x");
        if (c.flagged >= 0) {
            TCellList* row = t.table->Row(c.flagged);
            (c.flag == 0 ? row->PageBreakAbove : c.flag == 1 ? row->KeepOnOnePage : row->PageBreakBelow) = true;
        }
        TSectionList copy(doc);
        copy.Printing = true;
        Layout(copy, 300);
        WhiteBitmap out(300, 100);
        copy.Draw(out.bitmap.Canvas(), TRect{0, 0, 300, 100}, 6000, 0, 0, 0, 0);
        EXPECT_EQ(copy.PageBottomY, c.bottom) << c.name;
    }
}

TEST(TableDraw, APrintedTableThatFitsAPageIsNotSplit) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    auto p = MakeProps("div", {{"height", "80px"}, {"margin-top", "0"}, {"margin-bottom", "0"}});
    doc.Add(new TBlock(&doc, *p, &doc, nullptr));
    Table t(doc, doc, {{CellSpacingSy, "0"}, {CellPaddingSy, "0"}});
    t.Cell(t.Row({{HeightSy, "30"}}), {}, L"x");
    t.Cell(t.Row({{HeightSy, "30"}}), {}, L"y");
    TSectionList copy(doc);
    copy.Printing = true;
    Layout(copy, 300);
    WhiteBitmap out(300, 100);
    copy.Draw(out.bitmap.Canvas(), TRect{0, 0, 300, 100}, 6000, 0, 0, 0, 0);
    EXPECT_EQ(copy.PageBottomY, 80);
}

}  // namespace
