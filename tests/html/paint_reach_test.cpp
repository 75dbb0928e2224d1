// Painting part of a long document visits the sections near the rows being
// painted, not the whole document, while content positioned away from its
// place in the flow is still found.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "html/block.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/text_measure.h"
#include "html/text_section.h"

namespace {

struct FakeScreen {
    FakeScreen() { SetScreenMeasurer(&measurer); }
    ~FakeScreen() { SetScreenMeasurer(nullptr); }
    TTableMeasurer measurer{std::make_unique<TFakeGlyphSource>()};
};

void Walk(const TCellBasic& cell, std::vector<TSection*>& out) {
    for (int i = 0; i < cell.Count(); ++i) {
        if (auto* s = dynamic_cast<TSection*>(cell.Section(i))) out.push_back(s);
        if (auto* b = dynamic_cast<TBlock*>(cell.Section(i))) Walk(*b->ChildCell, out);
    }
}

// Paints rows [top, top + 100) of the laid-out document; a text section that
// painting visited has its PaintLeftX set.
std::vector<TSection*> Visited(TSectionList& doc, int top) {
    std::vector<TSection*> all, visited;
    Walk(doc, all);
    for (TSection* s : all) s->PaintLeftX = -1;
    TBitmap out;
    out.SetPixelFormat(pf24bit);
    out.SetSize(400, 100);
    doc.SetYOffset(top);
    doc.Draw(out.Canvas(), TRect{0, 0, 400, 100}, 400, 0, 0, 0, 0);
    for (TSection* s : all)
        if (s->PaintLeftX != -1) visited.push_back(s);
    return visited;
}

TEST(PaintReachTest, APaintVisitsOnlyTheSectionsNearItsRows) {
    FakeScreen screen;
    std::string html;
    for (int i = 0; i < 2000; ++i)
        html += "<p>Paragraph " + std::to_string(i) + "</p><ul><li>item <b>" + std::to_string(i) + "</b></ul>";
    TSectionList doc(nullptr);
    doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
    ParseHTMLString(html, &doc, {});
    int scrollWidth = 0, positions = 0;
    const int height = doc.DoLogic(nullptr, 0, 400, 100, 0, scrollWidth, positions);
    for (int top : {0, height / 2, height - 100}) {
        SCOPED_TRACE(top);
        const std::vector<TSection*> visited = Visited(doc, top);
        ASSERT_FALSE(visited.empty());
        EXPECT_LT(visited.size(), 40u);
        // A list item's bullet reaches a little beyond its box.
        for (TSection* s : visited) {
            EXPECT_GE(s->PaintBottom, top - 200);
            EXPECT_LE(s->PaintTop, top + 300);
        }
    }
}

TEST(PaintReachTest, PositionedContentFarDownTheFlowIsStillPainted) {
    FakeScreen screen;
    std::string html;
    for (int i = 0; i < 300; ++i) html += "<p>Paragraph " + std::to_string(i) + "</p>";
    html += "<div style=\"position: relative\"><div><div style=\"position: absolute; top: -400px; left: 300px\">"
            "placed</div></div></div>";
    TSectionList doc(nullptr);
    doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
    ParseHTMLString(html, &doc, {});
    int scrollWidth = 0, positions = 0;
    const int height = doc.DoLogic(nullptr, 0, 400, 100, 0, scrollWidth, positions);
    TBitmap out;
    out.SetPixelFormat(pf24bit);
    out.SetSize(400, 100);
    out.Canvas()->Brush()->SetColor(0xFFFFFF);
    out.Canvas()->FillRect(TRect{0, 0, 400, 100});
    // Rows well above the blocks that hold it, which lie at the end.
    doc.SetYOffset(height - 450);
    doc.Draw(out.Canvas(), TRect{0, 0, 400, 100}, 400, 0, 0, 0, 0);
    // The paragraphs' text ends far left of the placed block.
    int ink = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 290; x < 400; ++x) ink += (out.Canvas()->Pixels(x, y) & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(ink, 10);
}

// A float far taller than its paragraph reaches rows well below the
// paragraph's text, and a paragraph the rows cut through starts above them:
// both are painted there.
TEST(PaintReachTest, SectionsReachingIntoTheRowsFromAboveArePainted) {
    FakeScreen screen;
    std::string words;
    for (int i = 0; i < 80; ++i) words += "word ";
    std::string html = "<p><img width=40 height=900 align=left>short</p>";
    for (int i = 0; i < 60; ++i) html += "<p>Paragraph " + std::to_string(i) + "</p>";
    html += "<p>" + words + "</p>";
    for (int i = 0; i < 60; ++i) html += "<p>Paragraph " + std::to_string(i) + "</p>";
    TSectionList doc(nullptr);
    doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
    ParseHTMLString(html, &doc, {});
    int scrollWidth = 0, positions = 0;
    doc.DoLogic(nullptr, 0, 400, 100, 0, scrollWidth, positions);
    std::vector<TSection*> all;
    Walk(doc, all);
    ASSERT_EQ(all.size(), 122u);
    auto paintedFrom = [&](const TSection* s, int top) {
        const std::vector<TSection*> visited = Visited(doc, top);
        return std::find(visited.begin(), visited.end(), s) != visited.end();
    };
    const TSection* withFloat = all.front();
    ASSERT_GT(withFloat->PaintBottom - withFloat->InnerTop, 800);
    EXPECT_TRUE(paintedFrom(withFloat, withFloat->InnerTop + 700));
    const TSection* longOne = all[61];
    ASSERT_GT(longOne->PaintBottom - longOne->InnerTop, 60);
    EXPECT_TRUE(paintedFrom(longOne, (longOne->InnerTop + longOne->PaintBottom) / 2));
}

}  // namespace
