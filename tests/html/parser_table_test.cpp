// Tables as the reader builds them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/style_props.h"
#include "html/table.h"
#include "html/table_block.h"
#include "html/text_measure.h"
#include "html/text_section.h"

namespace {

struct Doc {
    Doc() { doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10); }
    TSectionList doc{nullptr};
};

// Every table of the document, outermost first; `depth` the deepest nesting.
void Collect(const TCellBasic& cell, std::vector<ThtmlTable*>& out, int level, int& depth) {
    for (int i = 0; i < cell.Count(); ++i) {
        auto* block = dynamic_cast<TBlock*>(cell.Section(i));
        if (!block) continue;
        if (auto* tb = dynamic_cast<TTableBlock*>(block)) {
            out.push_back(tb->Table);
            depth = std::max(depth, level + 1);
            for (const auto& row : tb->Table->Rows)
                for (const auto& c : row->Cells)
                    if (c) Collect(*c->Cell, out, level + 1, depth);
            continue;
        }
        Collect(*block->ChildCell, out, level, depth);
    }
}

std::vector<ThtmlTable*> Tables(const TSectionList& doc) {
    std::vector<ThtmlTable*> out;
    int depth = 0;
    Collect(doc, out, 0, depth);
    return out;
}

// The text of a cell's sections.
std::wstring TextOf(const TCellBasic& cell) {
    std::wstring text;
    for (int i = 0; i < cell.Count(); ++i) {
        if (auto* s = dynamic_cast<TSection*>(cell.Section(i))) text += s->SectionText;
        if (auto* b = dynamic_cast<TBlock*>(cell.Section(i))) text += TextOf(*b->ChildCell);
    }
    return text;
}

void Parse(Doc& d, const std::string& html) {
    EXPECT_TRUE(ParseHTMLString(html, &d.doc, {}));
    EXPECT_EQ(PropStack.Count(), 0);
}

TEST(ParserTable, RowsCellsSpansAndAttributes) {
    Doc d;
    Parse(d, "<table border=2 cellspacing=3 cellpadding=80><tr><td colspan=2>a<td>b"
             "<tr valign=top><td rowspan=70000>c<td valign=bottom colspan=5000>d</table>after");
    const auto tables = Tables(d.doc);
    ASSERT_EQ(tables.size(), 1u);
    ThtmlTable& t = *tables[0];
    EXPECT_EQ(t.BorderWidth, 2);
    EXPECT_EQ(t.CellSpacing, 3);
    EXPECT_EQ(t.CellPadding, 50);
    ASSERT_EQ(t.RowCount(), 2);
    ASSERT_EQ(t.Row(0)->Count(), 2);
    EXPECT_EQ(t.Row(0)->Cell(0)->ColSpan, 2);
    EXPECT_EQ(TextOf(*t.Row(0)->Cell(0)->Cell), L"a");
    EXPECT_EQ(TextOf(*t.Row(0)->Cell(1)->Cell), L"b");
    EXPECT_EQ(t.Row(0)->Cell(0)->VAlign, AMiddle);
    TCellObj* c = t.Row(1)->Cell(0);
    TCellObj* e = t.Row(1)->Cell(1);
    EXPECT_EQ(c->RowSpan, MaxRowSpan);
    EXPECT_EQ(c->VAlign, ATop);
    EXPECT_EQ(e->ColSpan, MaxColSpan);
    EXPECT_EQ(e->VAlign, ABottom);
    // The text after the table is not inside it.
    bool found = false;
    std::vector<const TCellBasic*> cells{&d.doc};
    while (!cells.empty() && !found) {
        const TCellBasic* cell = cells.back();
        cells.pop_back();
        for (int i = 0; i < cell->Count(); ++i) {
            if (auto* s = dynamic_cast<TSection*>(cell->Section(i)); s && s->SectionText == L"after") found = true;
            if (auto* b = dynamic_cast<TBlock*>(cell->Section(i)); b && !dynamic_cast<TTableBlock*>(b))
                cells.push_back(b->ChildCell.get());
        }
    }
    EXPECT_TRUE(found);
}

TEST(ParserTable, CaptionsAboveAndBelow) {
    struct Case {
        const char* html;
        bool captionFirst;
    } cases[] = {
        {"<table id=T1><caption>Cap</caption><tr><td>x</table>", true},
        {"<table id=T1><tr><td>x<caption align=BOTTOM>Cap</caption></table>", false},
    };
    for (const Case& c : cases) {
        Doc d;
        Parse(d, c.html);
        TTableAndCaptionBlock* outer = nullptr;
        std::vector<const TCellBasic*> cells{&d.doc};
        while (!cells.empty() && !outer) {
            const TCellBasic* cell = cells.back();
            cells.pop_back();
            for (int i = 0; i < cell->Count(); ++i) {
                if (auto* o = dynamic_cast<TTableAndCaptionBlock*>(cell->Section(i))) outer = o;
                else if (auto* b = dynamic_cast<TBlock*>(cell->Section(i))) cells.push_back(b->ChildCell.get());
            }
        }
        ASSERT_NE(outer, nullptr) << c.html;
        ASSERT_EQ(outer->ChildCell->Count(), 2);
        EXPECT_EQ(outer->CaptionFirst, c.captionFirst);
        EXPECT_EQ(outer->ChildCell->Section(c.captionFirst ? 1 : 0), outer->TablePart);
        ASSERT_NE(outer->CaptionPart, nullptr);
        EXPECT_EQ(TextOf(*outer->CaptionPart->ChildCell), L"Cap");
        EXPECT_TRUE(outer->TablePart->HasCaption);
        EXPECT_EQ(outer->TableIDName, "t1");
    }
}

TEST(ParserTable, WithoutACaptionTheTableBlockStandsAloneAndKeepsTheID) {
    Doc d;
    Parse(d, "<p>before</p><table id=Solo width=50%><tr><td>x</table>");
    const auto tables = Tables(d.doc);
    ASSERT_EQ(tables.size(), 1u);
    TIDObject* named = d.doc.IDObjects->FindObject("solo");
    auto* block = dynamic_cast<TTableBlock*>(named);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->Table, tables[0]);
    EXPECT_TRUE(block->WidthIsPercent);
    EXPECT_EQ(block->GivenTableWidth, 500);
}

TEST(ParserTable, ColumnsGiveWidthsAndPlaceCellsPastRowSpans) {
    struct Case {
        const char* html;
        int lastColSpan;
    } cases[] = {
        {"<table><col width=100><colgroup span=2 width=20%></colgroup><tr><td>a<td rowspan=2>b<td>z"
         "<tr><td colspan=3>c</table>",
         1},
        {"<table><tr><td>a<td rowspan=2>b<td>z<tr><td colspan=3>c</table>", 3},
    };
    for (const Case& c : cases) {
        Doc d;
        Parse(d, c.html);
        const auto tables = Tables(d.doc);
        ASSERT_EQ(tables.size(), 1u);
        ThtmlTable& t = *tables[0];
        ASSERT_EQ(t.RowCount(), 2);
        EXPECT_EQ(t.Row(1)->Cell(0)->ColSpan, c.lastColSpan) << c.html;
        if (c.lastColSpan == 1) {
            t.AddDummyCells();
            EXPECT_EQ(t.Row(0)->Cell(0)->CellGivenWidth, 100);
            EXPECT_FALSE(t.Row(0)->Cell(0)->WidthIsPercent);
            EXPECT_EQ(t.Row(0)->Cell(1)->CellGivenWidth, 200);
            EXPECT_TRUE(t.Row(0)->Cell(1)->WidthIsPercent);
        }
    }
}

TEST(ParserTable, LooseStructureIsClosedByTheNextTag) {
    struct Case {
        const char* html;
        std::vector<int> cellsPerRow;
    } cases[] = {
        {"<table><td>a<td>b</table>", {2}},
        {"<table><tr><td>a<tr><td>b<td>c", {1, 2}},
        {"<table>text<tr>  <td>a</td> <td>b</td></tr><tr></tr></table>", {2, 0}},
        {"<table><tr><td><ul><li>a<td>b</table>", {2}},
        {"<table><tr><td><table><tr><td>in</table>out</td></table>", {1}},
    };
    for (const Case& c : cases) {
        Doc d;
        Parse(d, c.html);
        const auto tables = Tables(d.doc);
        ASSERT_FALSE(tables.empty()) << c.html;
        ThtmlTable& t = *tables[0];
        std::vector<int> counts;
        for (const auto& row : t.Rows) counts.push_back(row->Count());
        EXPECT_EQ(counts, c.cellsPerRow) << c.html;
    }
}

TEST(ParserTable, NoWrapCellsDoNotBreak) {
    Doc d;
    Parse(d, "<table><tr><td nowrap>a b c<td>d e</table>");
    const auto tables = Tables(d.doc);
    ASSERT_EQ(tables.size(), 1u);
    auto* wrapped = dynamic_cast<TSection*>(tables[0]->Row(0)->Cell(0)->Cell->Section(0));
    auto* free = dynamic_cast<TSection*>(tables[0]->Row(0)->Cell(1)->Cell->Section(0));
    ASSERT_NE(wrapped, nullptr);
    ASSERT_NE(free, nullptr);
    EXPECT_TRUE(wrapped->NoBreak);
    EXPECT_FALSE(free->NoBreak);
}

TEST(ParserTable, DeepNestingStopsAtTheCapAndStillLaysOut) {
    TTableMeasurer measurer{std::make_unique<TFakeGlyphSource>()};
    SetScreenMeasurer(&measurer);
    for (int depth : {4, 40, 600}) {
        Doc d;
        std::string html;
        for (int i = 0; i < depth; ++i) html += "<table><tr><td>";
        html += "deep";
        Parse(d, html);
        std::vector<ThtmlTable*> out;
        int nesting = 0;
        Collect(d.doc, out, 0, nesting);
        EXPECT_EQ(nesting, std::min(depth, (MaxNestingDepth - 1) / 2)) << depth;
        int scrollWidth = 0, pos = 0;
        const int height = d.doc.DoLogic(nullptr, 0, 800, 600, 0, scrollWidth, pos);
        EXPECT_GT(height, 0);
    }
    SetScreenMeasurer(nullptr);
}

}  // namespace
