// Background pictures of blocks, tables and cells, painted into bitmaps:
// tiled from the box's corner over the painted part only, through their
// mask, on print copies, and never when the picture cannot be had.
#include "html/box_background.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "framework/streams.h"
#include "html/block.h"
#include "html/html_startup.h"
#include "html/image_cache.h"
#include "html/image_obj.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/table.h"
#include "html/table_block.h"
#include "images/gif_image.h"
#include "white_canvas.h"

namespace {

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF, kYellow = 0x00FFFF;

// Pictures by name, all 10 x 10 with a red top-left pixel: "tile" is blue
// otherwise, "cell" green; "clear" is blue on its right half and green, its
// transparent colour, on the left.
TBitmap* MakePicture(uint32_t fill, uint32_t leftHalf) {
    auto* bitmap = new TBitmap;
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(10, 10);
    TCanvas* c = bitmap->Canvas();
    c->Brush()->SetColor(fill);
    c->FillRect(TRect{0, 0, 10, 10});
    c->Brush()->SetColor(leftHalf);
    c->FillRect(TRect{0, 0, 5, 10});
    c->SetPixels(0, 0, kRed);
    return bitmap;
}

struct Doc {
    Doc() {
        InitHtmlEngine();
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 0, 0);
        doc.CachedImages = &cache;
        doc.GetBitmapHook = [this](const std::string& name, TBitmap*& bitmap, TColor& transparent) {
            ++lookups;
            if (name == "tile") bitmap = MakePicture(kBlue, kBlue);
            else if (name == "cell") bitmap = MakePicture(kGreen, kGreen);
            else if (name == "clear") {
                bitmap = MakePicture(kBlue, kGreen);
                transparent = kGreen;
            }
            return bitmap != nullptr;
        };
    }
    ~Doc() { doc.Clear(); }
    void Load(const std::string& html, int width = 400) {
        ASSERT_TRUE(ParseHTMLString(html, &doc, {}));
        int scrollWidth = 0, pos = 0;
        doc.DoLogic(nullptr, 0, width, 600, 0, scrollWidth, pos);
    }
    int Usage(const char* key) const {
        const int i = cache.IndexOf(key);
        return i < 0 ? -1 : cache.Item(i)->UsageCount;
    }
    TStringBitmapList cache;
    TSectionList doc{nullptr};
    int lookups = 0;
};

using Canvas = WhiteCanvas;

// The first section of `cell`'s tree (blocks and table cells descended) that `match` accepts.
TSectionBase* Find(TCellBasic& cell, const std::function<bool(TSectionBase*)>& match) {
    for (int i = 0; i < cell.Count(); ++i) {
        TSectionBase* s = cell.Section(i);
        if (match(s)) return s;
        if (auto* b = dynamic_cast<TBlock*>(s))
            if (TSectionBase* found = Find(*b->ChildCell, match)) return found;
    }
    return nullptr;
}

TBlock* FindBlock(TSectionList& doc, const std::string& tagAndClass) {
    return static_cast<TBlock*>(Find(doc, [&](TSectionBase* s) {
        auto* b = dynamic_cast<TBlock*>(s);
        return b && b->TagAndClass() == tagAndClass;
    }));
}

ThtmlTable* FindTable(TSectionList& doc) {
    return static_cast<ThtmlTable*>(Find(doc, [](TSectionBase* s) { return dynamic_cast<ThtmlTable*>(s); }));
}

}  // namespace

TEST(BackgroundImage, TilesStartAtTheBoxCornerFollowThePlacementAndStayInside) {
    struct Case {
        const char* placement;
        struct Probe {
            int dx, dy;
            uint32_t colour;
        };
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"background-image: url(tile)", {{0, 0, kRed}, {1, 0, kBlue}, {10, 0, kRed}, {90, 50, kRed}, {99, 59, kBlue}, {100, 5, kWhite},
              {-1, 5, kWhite}, {5, 60, kWhite}}},
        {"background-image: url(tile); background-repeat: no-repeat; background-position: 20px 30px",
         {{20, 30, kRed}, {29, 39, kBlue}, {30, 30, kWhite}, {20, 40, kWhite}, {0, 0, kWhite}}},
        {"background-image: url(tile); background-repeat: repeat-y; background-position: right top",
         {{90, 0, kRed}, {90, 50, kRed}, {89, 0, kWhite}, {99, 55, kBlue}}},
        // A start past the corner still fills the box before it.
        {"background-image: url(tile); background-position: 3px 4px",
         {{3, 4, kRed}, {13, 14, kRed}, {3, 54, kRed}, {0, 0, kBlue}}},
        // The transparent half of each tile shows the box's colour.
        {"background-color: #FFFF00; background-image: url(clear)",
         {{2, 3, kYellow}, {7, 3, kBlue}, {12, 3, kYellow}, {97, 53, kBlue}}},
    };
    for (const Case& c : cases) {
        Doc d;
        d.Load(std::string("<div style=\"margin-left: 13px; width: 100px; height: 60px; ") + c.placement +
               "\">&nbsp;</div>");
        TBlock* block = FindBlock(d.doc, "div.");
        ASSERT_TRUE(block && block->BackgroundImage()) << c.placement;
        Canvas out(300, 200);
        out.Paint(d.doc, TRect{0, 0, 300, 200});
        const int ox = block->BorderRect.Left, oy = block->BorderRect.Top;
        EXPECT_EQ(block->BorderRect.Right - ox, 100);
        for (const auto& p : c.probes)
            EXPECT_EQ(out.At(ox + p.dx, oy + p.dy), p.colour) << c.placement << " at " << p.dx << "," << p.dy;
    }
}

TEST(BackgroundImage, OnlyThePaintedPartIsTiledAtTheScrollOffset) {
    Doc d;
    d.Load("<div style=\"width: 100px; height: 30000px; background-image: url(tile)\">&nbsp;</div>");
    TBlock* block = FindBlock(d.doc, "div.");
    ASSERT_TRUE(block && block->BackgroundImage());
    const int ox = block->BorderRect.Left, top = block->BorderRect.Top;
    // Far down a tall box the tiles keep their phase from its top.
    d.doc.SetYOffset(20003);
    Canvas out(200, 100);
    out.Paint(d.doc, TRect{0, 0, 200, 100});
    const int firstRed = ((top - 20003) % 10 + 10) % 10;
    EXPECT_EQ(out.At(ox, firstRed), kRed);
    EXPECT_EQ(out.At(ox, firstRed + 1), kBlue);
    EXPECT_EQ(out.At(ox + 10, firstRed + 50), kRed);

    // Painting a strip leaves the rest of the canvas alone.
    d.doc.SetYOffset(0);
    Canvas strip(200, 100);
    strip.Paint(d.doc, TRect{0, 0, ox + 35, 100});
    EXPECT_EQ(strip.At(ox + 30, top + 10), kRed);
    EXPECT_EQ(strip.At(ox + 34, top + 11), kBlue);
    EXPECT_EQ(strip.At(ox + 35, top + 11), kWhite);
    EXPECT_EQ(strip.At(ox + 40, top + 10), kWhite);
}

TEST(BackgroundImage, TableRowAndCellPicturesTileFromTheirOwnCorners) {
    Doc d;
    d.Load("<table background=\"tile\" cellspacing=\"4\" cellpadding=\"0\">"
           "<tr><td background=\"cell\" width=\"50\" height=\"40\">&nbsp;</td><td width=\"50\">&nbsp;</td></tr>"
           "<tr background=\"cell\"><td height=\"30\">&nbsp;</td><td background=\"tile\">&nbsp;</td></tr>"
           "</table>");
    ThtmlTable* table = FindTable(d.doc);
    auto* block = static_cast<TTableBlock*>(
        Find(d.doc, [](TSectionBase* s) { return dynamic_cast<TTableBlock*>(s) != nullptr; }));
    ASSERT_TRUE(table && block && block->BackgroundImage());
    Canvas out(400, 200);
    out.Paint(d.doc, TRect{0, 0, 400, 200});

    // The table's picture under the whole table, from the block's corner:
    // the spacing shows it.
    const int tx = block->BorderRect.Left, ty = block->BorderRect.Top;
    EXPECT_EQ(out.At(tx, ty), kRed);
    EXPECT_EQ(out.At(tx + 1, ty + 1), kBlue);
    // The first cell's own picture starts inside the spacing.
    const int cx = table->TableLeft + 4, cy = table->PlacedY + 4;
    EXPECT_EQ(out.At(cx, cy), kRed);
    EXPECT_EQ(out.At(cx + 1, cy), kGreen);
    EXPECT_EQ(out.At(cx + 10, cy + 10), kRed);
    // The second cell has none of its own: the table's tiles show through.
    const int c2 = cx + table->Widths[0];
    const uint32_t under = out.At(c2 + 3, cy + 3);
    EXPECT_TRUE(under == kBlue || under == kRed) << std::hex << under;
    // The second row's cells: one takes the row's picture, one keeps its own.
    TCellList* row = table->Row(1);
    ASSERT_TRUE(row->Cell(0) && row->Cell(0)->BackImage && row->Cell(1) && row->Cell(1)->BackImage);
    const int ry = cy + table->Row(0)->RowHeight;
    EXPECT_EQ(out.At(cx, ry), kRed);
    EXPECT_EQ(out.At(cx + 1, ry + 1), kGreen);
    EXPECT_EQ(out.At(c2 + 1, ry + 1), kBlue);

    // The tiles are made for each paint and go with it.
    const int bitmaps = GuiResourceCount(TGuiResource::Bitmap), dcs = GuiResourceCount(TGuiResource::DC);
    for (int i = 0; i < 20; ++i) out.Paint(d.doc, TRect{0, 0, 400, 200});
    EXPECT_EQ(GuiResourceCount(TGuiResource::Bitmap), bitmaps);
    EXPECT_EQ(GuiResourceCount(TGuiResource::DC), dcs);
}

TEST(BackgroundImage, MissingPicturesPaintNothingAndAreNotLookedUpAgain) {
    Doc d;
    d.Load("<div style=\"width: 60px; height: 30px; background-image: url(nothere)\">&nbsp;</div>"
           "<table cellspacing=\"0\"><tr><td background=\"nothere\" width=\"40\" height=\"30\">&nbsp;</td></tr>"
           "</table>");
    TBlock* block = FindBlock(d.doc, "div.");
    ThtmlTable* table = FindTable(d.doc);
    ASSERT_TRUE(block && table);
    EXPECT_FALSE(block->BackgroundImage());
    EXPECT_FALSE(table->Row(0)->Cell(0)->BackImage);
    const int lookups = d.lookups;
    int scrollWidth = 0, pos = 0;
    d.doc.DoLogic(nullptr, 0, 300, 600, 0, scrollWidth, pos);
    EXPECT_EQ(d.lookups, lookups);

    Canvas out(300, 200);
    out.Paint(d.doc, TRect{0, 0, 300, 200});
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) ASSERT_EQ(out.At(x, y), kWhite) << x << "," << y;
}

TEST(BackgroundImage, PrintCopiesTileOnlyWhenBackgroundsArePrinted) {
    for (bool printed : {false, true}) {
        Doc d;
        d.Load("<div style=\"width: 60px; height: 30px; background-image: url(tile)\">&nbsp;</div>"
               "<table cellspacing=\"0\"><tr><td background=\"cell\" width=\"40\" height=\"30\">&nbsp;</td></tr>"
               "</table>");
        EXPECT_EQ(d.Usage("TILE"), 1);
        EXPECT_EQ(d.Usage("CELL"), 1);
        d.doc.TableBackgroundsPrinted = printed;
        {
            TSectionList copy(d.doc);
            copy.Printing = true;
            int scrollWidth = 0, pos = 0;
            copy.DoLogic(nullptr, 0, 400, 600, 0, scrollWidth, pos);
            TBlock* block = FindBlock(copy, "div.");
            ThtmlTable* table = FindTable(copy);
            ASSERT_TRUE(block && table);
            EXPECT_EQ(block->BackgroundImage() != nullptr, printed);
            Canvas out(300, 200);
            out.Paint(copy, TRect{0, 0, 300, 200});
            const int ox = block->BorderRect.Left, oy = block->BorderRect.Top;
            EXPECT_EQ(out.At(ox, oy), printed ? kRed : kWhite);
            EXPECT_EQ(out.At(ox + 11, oy + 11), printed ? kBlue : kWhite);
            const int cx = table->TableLeft, cy = table->PlacedY;
            EXPECT_EQ(out.At(cx + 1, cy + 1), printed ? kGreen : kWhite);
        }
        // The copy held no use of its own; clearing gives the pictures up.
        EXPECT_EQ(d.Usage("TILE"), 1);
        d.doc.Clear();
        EXPECT_EQ(d.Usage("TILE"), 0);
        EXPECT_EQ(d.Usage("CELL"), 0);
    }
}

namespace {

uint32_t gNow = 1000;
uint32_t FakeClock() { return gNow; }

// A 1 x 1 GIF of two frames, red then blue, 50 ms each, looping.
std::string RedThenBlueGif() {
    std::string g = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + std::string("\xFF\x00\x00\x00\x00\xFF", 6);
    g += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    const std::string control("\x21\xF9\x04\x00\x05\x00\x00\x00", 8);
    const std::string descriptor("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    g += control + descriptor + std::string("\x02\x02\x44\x01\x00", 5);  // index 0
    g += control + descriptor + std::string("\x02\x02\x4C\x01\x00", 5);  // index 1
    return g + ";";
}

}  // namespace

TEST(BackgroundImage, AnAnimatedPictureShowsItsCurrentFrameAndMovesOnOnlyWhenPainted) {
    uint32_t (*savedClock)() = TGIFImage::Clock;
    TGIFImage::Clock = FakeClock;
    Doc d;
    TMemoryStream gif;
    const std::string bytes = RedThenBlueGif();
    gif.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    d.doc.GetBitmapHook = nullptr;
    d.doc.GetImageHook = [&](const std::string& name) -> TMemoryStream* { return name == "anim" ? &gif : nullptr; };
    d.Load("<table cellspacing=\"0\" cellpadding=\"0\"><tr><td background=\"anim\" width=\"50\" height=\"40\">"
           "&nbsp;</td></tr></table>");
    ThtmlTable* table = FindTable(d.doc);
    ASSERT_TRUE(table);
    ASSERT_EQ(d.doc.AnimatedImages.size(), 1u);
    const int x = table->TableLeft + 10, y = table->PlacedY + 10;
    Canvas out(400, 200);
    out.Paint(d.doc, TRect{0, 0, 400, 200});
    EXPECT_EQ(out.At(x, y), kRed);

    gNow += 60;
    d.doc.CheckGIFList();
    out.Paint(d.doc, TRect{0, 0, 400, 200});
    EXPECT_EQ(out.At(x, y), kBlue);

    // A paint that leaves the box out: the picture stays on its frame.
    out.Paint(d.doc, TRect{0, 150, 400, 200});
    gNow += 60;
    d.doc.CheckGIFList();
    out.Paint(d.doc, TRect{0, 0, 400, 200});
    EXPECT_EQ(out.At(x, y), kBlue);
    TGIFImage::Clock = savedClock;
}
