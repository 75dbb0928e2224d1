// Floated pictures, list pictures and positioned blocks in a laid-out page:
// where they go, what they make the page's widths and height, and that
// nothing painted later covers a float.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "html/block.h"
#include "html/html_startup.h"
#include "html/image_cache.h"
#include "html/image_obj.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/text_section.h"
#include "parsed_doc.h"
#include "white_canvas.h"

namespace {

constexpr uint32_t kBlue = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF;

// Every picture the page names is a plain blue square, but those whose
// names begin with "missing".
struct Page {
    Page() {
        InitHtmlEngine();
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 0, 0);
        doc.CachedImages = &cache;
        doc.GetBitmapHook = [](const std::string& name, TBitmap*& bitmap, TColor&) {
            if (name.starts_with("missing")) return false;
            bitmap = new TBitmap;
            bitmap->SetPixelFormat(pf24bit);
            bitmap->SetSize(10, 10);
            bitmap->Canvas()->Brush()->SetColor(kBlue);
            bitmap->Canvas()->FillRect(TRect{0, 0, 10, 10});
            return true;
        };
    }
    ~Page() { doc.Clear(); }
    int Load(const std::string& html, int width) {
        EXPECT_TRUE(ParseHTMLString(html, &doc, {}));
        int pos = 0;
        return doc.DoLogic(nullptr, 0, width, 600, 0, scrollWidth, pos);
    }
    static void Walk(TCellBasic& cell, const std::function<void(TSectionBase*)>& visit) {
        std::vector<TSectionBase*> all;
        WalkSections(cell, all);
        for (TSectionBase* s : all) visit(s);
    }
    std::vector<TFloatingObj*> Floats() {
        std::vector<TFloatingObj*> out;
        Walk(doc, [&](TSectionBase* s) {
            if (auto* t = dynamic_cast<TSection*>(s))
                for (int i = 0; i < t->Images.Count(); ++i)
                    if (t->Images.Obj(i)->IsFloating()) out.push_back(t->Images.Obj(i));
        });
        return out;
    }
    TSection* TextSection(const std::wstring& text) {
        TSection* found = nullptr;
        Walk(doc, [&](TSectionBase* s) {
            if (auto* t = dynamic_cast<TSection*>(s); t && !found && t->SectionText.find(text) != std::wstring::npos)
                found = t;
        });
        return found;
    }
    TBlock* Block(const std::string& tagAndClass) {
        TBlock* found = nullptr;
        Walk(doc, [&](TSectionBase* s) {
            if (auto* b = dynamic_cast<TBlock*>(s); b && !found && b->TagAndClass() == tagAndClass) found = b;
        });
        return found;
    }
    TStringBitmapList cache;
    TSectionList doc{nullptr};
    int scrollWidth = 0;
};

using Canvas = WhiteCanvas;

}  // namespace

TEST(FloatLayout, AFloatHangingIntoAColouredBoxIsPaintedOverIt) {
    Page p;
    p.Load("<div class=a style=\"margin: 0\"><img src=pic width=40 height=80 align=left>a</div>"
           "<div class=b style=\"margin: 0; background-color: #00FF00; height: 100px\">b</div>",
           300);
    const std::vector<TFloatingObj*> floats = p.Floats();
    ASSERT_EQ(floats.size(), 1u);
    TBlock* box = p.Block("div.b");
    ASSERT_NE(box, nullptr);
    Canvas out(300, 200);
    out.Paint(p.doc);
    const TFloatingObj* f = floats[0];
    const int boxTop = box->BorderRect.Top;
    ASSERT_LT(boxTop, f->FloatY + 60);  // the float reaches well into the box
    // Inside the box and under the float: the picture; beside it: the box.
    EXPECT_EQ(out.At(f->PaintX + 20, boxTop + 20), kBlue);
    EXPECT_EQ(out.At(f->PaintX + 20, f->FloatY + 5), kBlue);
    EXPECT_EQ(out.At(250, boxTop + 20), kGreen);
    // A paint that starts below the float's top still shows it over the box.
    p.doc.SetYOffset(boxTop + 10);
    Canvas scrolled(300, 100);
    scrolled.Paint(p.doc);
    EXPECT_EQ(scrolled.At(f->PaintX + 20, 5), kBlue);
    EXPECT_EQ(p.doc.DeferredDraws.Count(), 0);  // nothing kept past the paint
}

TEST(FloatLayout, FloatsThatDoNotFitSideBySideMoveDown) {
    struct Case {
        const char* html;
        int width;
        bool stacked;  // the second float under the first, at the same side
    } cases[] = {
        {"<img src=a width=250 height=20 align=left><img src=b width=250 height=20 align=left>text", 300, true},
        {"<img src=a width=250 height=20 align=right><img src=b width=250 height=20 align=right>text", 300, true},
        {"<img src=a width=120 height=20 align=left><img src=b width=120 height=20 align=left>text", 300, false},
        // After text the second float is placed below the line, and still moves down.
        {"text <img src=a width=250 height=20 align=left> more <img src=b width=250 height=20 align=left>", 300,
         true},
        // Too wide for any place: it stays where it is and overflows.
        {"<img src=a width=100 height=20 align=left><img src=b width=400 height=20 align=left>x", 300, true},
    };
    for (const Case& c : cases) {
        Page p;
        p.Load(c.html, c.width);
        const std::vector<TFloatingObj*> floats = p.Floats();
        ASSERT_EQ(floats.size(), 2u) << c.html;
        ASSERT_EQ(floats[0]->Placement, floats[1]->Placement);
        const TFloatingObj& a = *floats[0];
        const TFloatingObj& b = *floats[1];
        if (c.stacked) {
            EXPECT_GE(b.FloatY, a.FloatY + a.BoxHeight + a.SpaceTop + a.SpaceBottom) << c.html;
            EXPECT_EQ(b.FloatX, a.FloatX + (a.Placement == ARight ? a.BoxWidth - b.BoxWidth : 0)) << c.html;
        } else {
            EXPECT_EQ(b.FloatY, a.FloatY) << c.html;
            EXPECT_EQ(b.FloatX, a.FloatX + a.BoxWidth + a.SpaceRight + b.SpaceLeft) << c.html;
        }
        if (b.BoxWidth < c.width) EXPECT_LE(b.FloatX + b.BoxWidth, c.width) << c.html;
        // Painted where they were placed; none past the right edge.
        Canvas out(600, 200);
        out.Paint(p.doc);
        EXPECT_EQ(out.At(b.PaintX + 5, b.FloatY + 5), kBlue) << c.html;
        bool beyond = false;
        for (int y = 0; y < 200; ++y) beyond |= out.At(c.width + 20, y) == kBlue;
        EXPECT_EQ(beyond, b.BoxWidth >= c.width) << c.html;
    }
}

TEST(FloatLayout, FloatedBoxesThatDoNotFitSideBySideMoveDownAndStayInReach) {
    auto repeat = [](const std::string& piece, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += piece;
        return out;
    };
    auto box = [](const char* side, int width, int height, const char* text = "x") {
        return std::string("<div style=\"float:") + side + ";width:" + std::to_string(width) +
               "px;height:" + std::to_string(height) + "px;background-color:#00FF00\">" + text + "</div>";
    };
    struct Case {
        std::string html;
        int width;
        bool fits;       // every box within the width
        int beside = 1;  // the first boxes, as many, stand at one top
        int pane = 0;    // the pane's width, when not the width
    } cases[] = {
        {repeat(box("left", 300, 50), 3), 638, true, 2},
        {repeat(box("right", 300, 50), 3), 640, true, 2},
        {box("left", 200, 50) + box("left", 200, 50) + box("right", 200, 50), 480, true, 2},
        {repeat("<table align=left width=300 cellspacing=0 cellpadding=0 bgcolor=#00FF00><tr><td>x</td></tr></table>",
                3),
         638, true, 2},
        // In a block wider than the pane the floats have the block's room.
        {"<div style=\"width:638px\">" + repeat(box("left", 300, 50), 3) + "</div>", 638, true, 2, 430},
        {repeat(box("left", 400, 10) + box("right", 400, 10), 20), 638, true},
        // A word too long for a narrow float stays in it: the float beside
        // gives it no room by ending.
        {box("left", 100, 50) + "<div style=\"float:right;width:30px\">wwwwwwwwwwwwwww</div>", 400, true, 2},
        // Content wider than its float (which widens to it and goes below),
        // or a float wider than the pane: they overflow to the right, within
        // the scroll width.
        {box("left", 300, 50) + "<div style=\"float:left;width:100px\"><img src=pic width=500 height=10></div>",
         638, true},
        {box("right", 300, 50) + box("left", 700, 20), 638, false},
        {box("right", 700, 20), 638, false},
    };
    for (const Case& c : cases) {
        Page p;
        p.Load(c.html, c.pane ? c.pane : c.width);
        Canvas out(1000, 400);
        out.Paint(p.doc);
        std::vector<TRect> boxes;
        Page::Walk(p.doc, [&](TSectionBase* s) {
            if (auto* b = dynamic_cast<TBlock*>(s); b && b->FloatSide != ANone) boxes.push_back(b->BorderRect);
        });
        ASSERT_GE(boxes.size(), 1u) << c.html;
        for (size_t i = 0; i < boxes.size(); ++i)
            EXPECT_EQ(boxes[i].Top == boxes[0].Top, i < static_cast<size_t>(c.beside)) << c.html << " box " << i;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const TRect& r = boxes[i];
            EXPECT_GE(r.Left, 0) << c.html << " box " << i;
            if (c.fits) EXPECT_LE(r.Right, c.width) << c.html << " box " << i;
            EXPECT_LE(r.Bottom - r.Top, 50) << c.html << " box " << i;
            for (size_t k = 0; k < i; ++k) {
                const TRect& o = boxes[k];
                EXPECT_FALSE(r.Left < o.Right && o.Left < r.Right && r.Top < o.Bottom && o.Top < r.Bottom)
                    << c.html << " boxes " << k << " and " << i;
                EXPECT_GE(r.Top, o.Top) << c.html << " boxes " << k << " and " << i;
            }
        }
        int rightmost = 0;
        for (int y = 0; y < 400; ++y) {
            const auto* row = static_cast<const uint8_t*>(out.bitmap.ScanLine(y));
            for (int x = rightmost; x < 1000; ++x)
                if ((row[3 * x] & row[3 * x + 1] & row[3 * x + 2]) != 0xFF) rightmost = x + 1;
        }
        EXPECT_GE(p.scrollWidth, rightmost) << c.html;
    }
}

TEST(FloatLayout, AFloatNeverStandsAboveOneBeforeIt) {
    // The small third float would fit beside the first, but the second had
    // to go down: the third goes no higher than it.
    Page p;
    p.Load("<img src=a width=250 height=20 align=left><img src=b width=250 height=20 align=left>"
           "<img src=c width=30 height=20 align=right>text",
           300);
    const std::vector<TFloatingObj*> floats = p.Floats();
    ASSERT_EQ(floats.size(), 3u);
    EXPECT_GT(floats[1]->FloatY, floats[0]->FloatY);
    EXPECT_EQ(floats[2]->FloatY, floats[1]->FloatY);
}

TEST(FloatLayout, AParagraphOfFloatsNeedsOnlyItsWidestFloat) {
    Page p;
    std::string html = "<p>word ";
    for (int i = 0; i < 400; ++i) html += "<img src=icon width=16 height=16 align=left>";
    html += "<img src=wide width=60 height=16 align=right></p>";
    p.Load(html, 300);
    TSection* s = p.TextSection(L"word");
    ASSERT_NE(s, nullptr);
    int mn = 0, mx = 0;
    s->MinMaxWidth(nullptr, mn, mx);
    EXPECT_EQ(mn, 66);                // the wide float and its spacing
    EXPECT_GE(mx, 400 * 22 + 66);     // side by side when there is room
    // In a table the cell takes that width, and the icons stack in rows.
    Page t;
    t.Load("<table cellpadding=0 cellspacing=0><tr><td width=1>" + html.substr(3) + "</td></tr></table>", 600);
    const std::vector<TFloatingObj*> floats = t.Floats();
    ASSERT_EQ(floats.size(), 401u);
    int right = 0;
    for (const TFloatingObj* f : floats) right = std::max(right, f->FloatX + f->BoxWidth);
    EXPECT_LE(right, 100);
}

TEST(FloatLayout, AParagraphAfterAFloatedTableLosesItsSpaceAndTheTableKeepsItsMargin) {
    struct Case {
        const char* html;
        int paragraphTop;  // -1: the automatic space, more than 0
        int tableBottom;
    } cases[] = {
        {"<table align=left style=\"margin-bottom: 12px\"><tr><td>t</td></tr></table><p>text</p>", 0, 12},
        {"<table align=left style=\"margin-bottom: 12px\"><caption>c</caption><tr><td>t</td></tr></table>"
         "<p>text</p>",
         0, 12},
        // A given margin still joins the table's.
        {"<table align=left style=\"margin-bottom: 12px\"><tr><td>t</td></tr></table>"
         "<p style=\"margin-top: 30px\">text</p>",
         30, 0},
        // Not floated: the margins join as between any two blocks.
        {"<table style=\"margin-bottom: 12px\"><tr><td>t</td></tr></table><p>text</p>", -1, 0},
    };
    for (const Case& c : cases) {
        Page p;
        p.Load(c.html, 400);
        TBlock* para = p.Block("p.");
        TBlock* table = nullptr;
        Page::Walk(p.doc, [&](TSectionBase* s) {
            auto* b = dynamic_cast<TBlock*>(s);
            if (b && !table && (b->TagAndClass() == "table." || b->TagAndClass() == "TableAndCaption.")) table = b;
        });
        ASSERT_TRUE(para && table) << c.html;
        if (c.paragraphTop < 0)
            EXPECT_GT(para->BoxValues[PropIndices::MarginTop], 0) << c.html;
        else
            EXPECT_EQ(para->BoxValues[PropIndices::MarginTop], c.paragraphTop) << c.html;
        EXPECT_EQ(table->BoxValues[PropIndices::MarginBottom], c.tableBottom) << c.html;
    }
}

TEST(FloatLayout, AnAbsoluteBlockStaysInItsBoxAndOutOfThePageHeight) {
    Page p;
    const int plain = [] {
        Page q;
        return q.Load("<p>One line</p>", 400);
    }();
    const int height = p.Load("<p>One line</p><div class=abs style=\"position: absolute; top: 50px; left: 20px; "
                              "width: 100px; height: 40px; background-color: #00FF00\">abs</div>",
                              400);
    EXPECT_EQ(height, plain);
    TBlock* abs = p.Block("div.abs");
    TSection* text = p.TextSection(L"abs");
    ASSERT_TRUE(abs && text);
    Canvas out(400, 200);
    out.Paint(p.doc);
    EXPECT_EQ(abs->BorderRect.Top, 50);
    EXPECT_EQ(abs->BorderRect.Left, 20);
    // The text lies inside the box it was painted in.
    EXPECT_GE(text->PlacedY, 50);
    EXPECT_LT(text->PlacedY + text->FullHeight, 91);
    EXPECT_GE(text->PaintLeftX, 20);
    EXPECT_EQ(out.At(118, 88), kGreen);
    EXPECT_EQ(out.At(118, 95), kWhite);
}

TEST(FloatLayout, AnAbsoluteBlockInsideAPositionedOneIsPlacedFromItsInnerBorderEdge) {
    for (const char* outerPosition : {"absolute", "relative"}) {
        SCOPED_TRACE(outerPosition);
        Page p;
        p.Load(std::string("<div class=outer style=\"position: ") + outerPosition +
                   "; top: 40px; left: 30px; width: 200px; height: 100px; margin: 4px; border: 3px solid black; "
                   "padding: 9px\"><div class=inner style=\"position: absolute; top: 10px; left: 20px; "
                   "width: 60px\">in</div></div>",
               400);
        TBlock* outer = p.Block("div.outer");
        TBlock* inner = p.Block("div.inner");
        TSection* text = p.TextSection(L"in");
        ASSERT_TRUE(outer && inner && text);
        Canvas out(400, 300);
        out.Paint(p.doc);
        // Inside the outer border, wherever the outer box itself went.
        const int edgeX = outer->BorderRect.Left + 3, edgeY = outer->BorderRect.Top + 3;
        EXPECT_EQ(inner->BorderRect.Left, edgeX + 20);
        EXPECT_EQ(inner->BorderRect.Top, edgeY + 10);
        // The inner text stands in the inner box, where it was laid out.
        EXPECT_EQ(text->PaintLeftX, inner->BorderRect.Left);
        EXPECT_EQ(text->PlacedY, inner->BorderRect.Top);
    }
}

TEST(FloatLayout, SectionAtAPositionIsTheLastOneListedAtOrAboveIt) {
    // Positioned content leaves the list out of vertical order; the answer
    // is the last section listed whose top is at or above the position.
    TSectionList doc(nullptr);
    const int tops[] = {0, 900, 1000, 100};
    for (int top : tops) {
        auto* s = new TSection(&doc);
        s->AddText(L"x", 0);
        doc.Add(s);
        s->PlacedY = top;
        doc.SectionsByPosition.push_back(s);
    }
    const struct {
        int pos;
        int index;  // -1: none
    } cases[] = {{-5, -1}, {0, 0}, {99, 0}, {100, 3}, {899, 3}, {950, 3}, {1000, 3}, {5000, 3}};
    for (const auto& c : cases) {
        int top = -7, index = -7;
        TSectionBase* s = doc.FindSectionAtPosition(c.pos, top, index);
        if (c.index < 0) {
            EXPECT_EQ(s, nullptr) << c.pos;
            continue;
        }
        ASSERT_NE(s, nullptr) << c.pos;
        EXPECT_EQ(index, c.index) << c.pos;
        EXPECT_EQ(top, tops[c.index]) << c.pos;
    }
    // A layout that moves a section is seen by the next look-up.
    static_cast<TSection*>(doc.SectionsByPosition[3])->PlacedY = 3000;
    ++doc.LayoutCycle;
    int top = 0, index = 0;
    ASSERT_NE(doc.FindSectionAtPosition(950, top, index), nullptr);
    EXPECT_EQ(index, 1);
    doc.SectionsByPosition.clear();
}

TEST(ListImage, APictureStandsForTheBulletAndAMissingOneLeavesTheBullet) {
    Page p;
    p.Load("<ul style=\"list-style-image: url(dot)\"><li>one</li><li>two</li></ul>"
           "<ul style=\"list-style-image: url(missing)\"><li>three</li></ul>",
           300);
    std::vector<TBlockLI*> items;
    Page::Walk(p.doc, [&](TSectionBase* s) {
        if (auto* li = dynamic_cast<TBlockLI*>(s)) items.push_back(li);
    });
    ASSERT_EQ(items.size(), 3u);
    EXPECT_TRUE(items[0]->BulletImage && items[1]->BulletImage);
    EXPECT_FALSE(items[2]->BulletImage);  // given up: the list's own bullet
    Canvas out(300, 200);
    out.Paint(p.doc);
    for (int i = 0; i < 2; ++i) {
        // 10 x 10, its left 16 pixels before the text, its bottom on the baseline.
        TBlockLI& li = *items[static_cast<size_t>(i)];
        const int left = li.ContentLeft() - 16, bottom = li.BulletY;
        EXPECT_EQ(out.At(left, bottom - 1), kBlue) << i;
        EXPECT_EQ(out.At(left + 9, bottom - 10), kBlue) << i;
        EXPECT_NE(out.At(left - 1, bottom - 5), kBlue) << i;
        EXPECT_NE(out.At(left, bottom), kBlue) << i;
    }
    int blue = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) blue += out.At(x, y) == kBlue;
    EXPECT_EQ(blue, 200);
    // The third item's disc, in the text colour.
    TBlockLI& third = *items[2];
    EXPECT_EQ(out.At(third.ContentLeft() - 13, third.BulletY - 4), 0u);
}

TEST(PreformattedText, ATallFontKeepsToItsLines) {
    Page p;
    p.Load("<div style=\"height: 60px; margin: 0\"></div>"
           "<pre style=\"margin: 0; font-size: 30px; line-height: 8px\">MMMM\nMMMM</pre>",
           300);
    std::vector<TSection*> lines;  // a section for each line of the source
    Page::Walk(p.doc, [&](TSectionBase* s) {
        if (auto* t = dynamic_cast<TPreFormated*>(s); t && !t->Lines.empty()) lines.push_back(t);
    });
    ASSERT_EQ(lines.size(), 2u);
    const int top = lines.front()->Lines.front().LayoutTop;
    const int bottom = lines.back()->Lines.back().LayoutTop + lines.back()->Lines.back().LineImageHeight();
    ASSERT_LT(bottom - top, 30);  // the font is taller than the two lines
    Canvas out(300, 200);
    out.Paint(p.doc);
    int inside = 0, outside = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            if (out.At(x, y) != kWhite) ++(y >= top && y < bottom ? inside : outside);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}
