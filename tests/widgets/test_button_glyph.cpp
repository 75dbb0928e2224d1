#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/win.h"
#include "widgets/button_glyph.h"

namespace {

constexpr TColor kClear = RGBToColor(255, 0, 255);

// A strip of `count` slots of w x h, each filled with its colour; the
// bottom-left pixel of each slot is the transparent colour.
std::unique_ptr<TBitmap> Strip(int w, int h, const std::vector<TColor>& colours) {
    auto bitmap = std::make_unique<TBitmap>();
    int count = static_cast<int>(colours.size());
    bitmap->SetSize(w * count, h);
    TCanvas* c = bitmap->Canvas();
    for (int i = 0; i < count; ++i) {
        c->Brush()->SetColor(colours[static_cast<size_t>(i)]);
        c->FillRect(Bounds(i * w, 0, w, h));
        c->SetPixels(i * w, h - 1, kClear);
    }
    return bitmap;
}

class Surface {
public:
    Surface(int w, int h) : bitmap_(std::make_unique<TBitmap>()) {
        bitmap_->SetSize(w, h);
        bitmap_->Canvas()->Brush()->SetColor(clWhite);
        bitmap_->Canvas()->FillRect(Rect(0, 0, w, h));
    }
    TCanvas* canvas() { return bitmap_->Canvas(); }
    TColor at(int x, int y) { return bitmap_->Canvas()->Pixels(x, y); }

private:
    std::unique_ptr<TBitmap> bitmap_;
};

TColor DrawState(TButtonGlyph& glyph, TToolButtonState state, int x, int y) {
    auto [list, index] = glyph.MakeStateImage(state);
    if (list < 0) return clNone;
    Surface s(40, 40);
    glyph.MadeList(list)->Draw(s.canvas()->Handle(), 0, 0, index);
    return s.at(x, y);
}

TEST(ButtonGlyph, DerivesTheGlyphCountFromTheStripShape) {
    struct Case {
        int width, height, expected;
    };
    const Case cases[] = {{80, 16, 5}, {96, 16, 1}, {40, 16, 1}, {32, 16, 2}, {16, 16, 1}};
    for (const Case& c : cases) {
        TButtonGlyph glyph(nullptr);
        TBitmap bitmap;
        bitmap.SetSize(c.width, c.height);
        glyph.AssignSourceGlyph(&bitmap);
        EXPECT_EQ(glyph.NumGlyphs(), c.expected) << c.width << "x" << c.height;
    }
    TImageList images(nullptr, 16, 16);
    TButtonGlyph glyph(nullptr);
    glyph.AssignImageList(&images);
    glyph.AssignNumGlyphs(3);
    EXPECT_EQ(glyph.NumGlyphs(), 1);
    glyph.AssignImageList(nullptr);
}

TEST(ButtonGlyph, EachStateShowsItsSlot) {
    const std::vector<TColor> five = {clRed, clWhite, clLime, clBlue, clYellow};
    struct Case {
        int numGlyphs;
        TToolButtonState state;
        TColor expected;
    };
    const Case cases[] = {
        {5, bsUp, clRed},      {5, bsDown, clLime},  {5, bsExclusive, clBlue}, {5, bsMouseIn, clYellow},
        {1, bsDown, clRed},    {1, bsMouseIn, clRed}, {1, bsExclusive, clRed},
        {2, bsDown, clRed},    {4, bsMouseIn, clRed},
    };
    for (const Case& c : cases) {
        std::vector<TColor> colours(five.begin(), five.begin() + c.numGlyphs);
        auto strip = Strip(10, 10, colours);
        TButtonGlyph glyph(nullptr);
        glyph.AssignSourceGlyph(strip.get());
        ASSERT_EQ(glyph.NumGlyphs(), c.numGlyphs);
        EXPECT_EQ(DrawState(glyph, c.state, 5, 5), c.expected) << c.numGlyphs << " " << c.state;
        EXPECT_EQ(DrawState(glyph, c.state, 0, 9), clWhite) << "transparent corner";
    }
}

TEST(ButtonGlyph, SuppliedDisabledSlotIsRecoloured) {
    auto strip = Strip(10, 10, {clRed, clWhite});
    strip->Canvas()->SetPixels(12, 2, RGBToColor(128, 128, 128));
    TButtonGlyph glyph(nullptr);
    glyph.AssignSourceGlyph(strip.get());
    auto [list, index] = glyph.MakeStateImage(bsDisabled);
    ASSERT_EQ(list, 0);
    EXPECT_EQ(glyph.MadeList(0)->Width(), 11);  // one pixel larger each way
    Surface s(20, 20);
    glyph.MadeList(0)->Draw(s.canvas()->Handle(), 0, 0, index);
    EXPECT_EQ(s.at(5, 5), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(s.at(2, 2), ColorToRGB(clBtnShadow));

    // The supplied slot is masked by the strip's transparent colour, not by
    // its own bottom-left pixel.
    auto green = Strip(10, 10, {clRed, clGreen});
    green->Canvas()->SetPixels(10, 9, clGreen);
    green->Canvas()->SetPixels(14, 4, kClear);
    TButtonGlyph second(nullptr);
    second.AssignSourceGlyph(green.get());
    auto [greenList, greenIndex] = second.MakeStateImage(bsDisabled);
    ASSERT_EQ(greenList, 0);
    Surface t(20, 20);
    second.MadeList(0)->Draw(t.canvas()->Handle(), 0, 0, greenIndex);
    EXPECT_EQ(t.at(0, 9), clGreen);
    EXPECT_EQ(t.at(4, 4), clWhite);
}

TEST(ButtonGlyph, OneSlotIsEmbossedWhenDisabled) {
    for (bool oldStyle : {false, true}) {
        TBitmap strip;
        strip.SetSize(16, 16);
        strip.Canvas()->Brush()->SetColor(kClear);
        strip.Canvas()->FillRect(Rect(0, 0, 16, 16));
        strip.Canvas()->SetPixels(3, 3, clBlack);
        TButtonGlyph glyph(nullptr);
        glyph.AssignSourceGlyph(&strip);
        glyph.SetOldDisabledStyle(oldStyle);
        auto [list, index] = glyph.MakeStateImage(bsDisabled);
        ASSERT_EQ(list, 0);
        EXPECT_EQ(glyph.MadeList(0)->Width(), 17);
        EXPECT_EQ(glyph.MadeList(0)->Height(), 17);
        Surface s(20, 20);
        glyph.MadeList(0)->Draw(s.canvas()->Handle(), 0, 0, index);
        EXPECT_EQ(s.at(3, 3), ColorToRGB(clBtnShadow)) << oldStyle;
        EXPECT_EQ(s.at(4, 4), ColorToRGB(clBtnHighlight)) << oldStyle;
        EXPECT_EQ(s.at(8, 8), clWhite) << oldStyle;  // transparent
    }
}

TEST(ButtonGlyph, ListsAreSharedBySizeAndFreedWithTheirLastImage) {
    auto red = Strip(12, 12, {clRed});
    auto blue = Strip(12, 12, {clBlue});
    {
        TButtonGlyph a(nullptr);
        TButtonGlyph b(nullptr);
        a.AssignSourceGlyph(red.get());
        b.AssignSourceGlyph(blue.get());
        a.MakeStateImage(bsUp);
        b.MakeStateImage(bsUp);
        ASSERT_NE(GlyphCache(), nullptr);
        EXPECT_EQ(a.MadeList(1), b.MadeList(1));
        EXPECT_EQ(GlyphCache()->ListCount(), 1);
        EXPECT_EQ(a.MadeList(1)->UsedCount(), 2);

        a.DropMadeImages();
        EXPECT_EQ(GlyphCache()->ListCount(), 1);
        b.DropMadeImages();
        EXPECT_TRUE(GlyphCache()->HoldsNoList());
        // Slots are reused: a new image takes the freed slot.
        a.MakeStateImage(bsUp);
        EXPECT_EQ(a.MakeStateImage(bsUp).second, 0);
    }
    EXPECT_EQ(GlyphCache(), nullptr);  // no glyph left
}

TEST(ButtonGlyph, AScratchGlyphFreedBeforeAnyPaintLeavesThePoolWorking) {
    auto strip = Strip(12, 12, {clRed});
    TButtonGlyph kept(nullptr);
    kept.AssignSourceGlyph(strip.get());
    {
        TButtonGlyph scratch(nullptr);
        scratch.AssignSourceGlyph(strip.get());
    }
    EXPECT_EQ(DrawState(kept, bsUp, 5, 5), clRed);
}

TEST(ButtonGlyph, NothingToShowDrawsNothing) {
    TButtonGlyph empty(nullptr);
    EXPECT_EQ(empty.MakeStateImage(bsUp).first, -1);
    TBitmap flat;
    flat.SetSize(16, 0);
    empty.AssignSourceGlyph(&flat);
    EXPECT_EQ(empty.MakeStateImage(bsDisabled).first, -1);
    TImageList images(nullptr, 16, 16);
    TButtonGlyph listed(nullptr);
    listed.AssignImageList(&images);
    listed.AssignImageIndex(3);  // past the end
    EXPECT_EQ(listed.MakeStateImage(bsUp).first, -1);
    Surface s(30, 30);
    TButtonFaceParams p;
    listed.PaintButtonFace(s.canvas(), Rect(0, 0, 30, 30), p);
    EXPECT_EQ(s.at(15, 15), clWhite);
    listed.AssignImageList(nullptr);
}

TEST(ButtonGlyph, FreeSpaceIsSharedBetweenMarginAndSpacing) {
    auto strip = Strip(16, 16, {clRed});
    TButtonGlyph glyph(nullptr);
    glyph.AssignSourceGlyph(strip.get());
    Surface s(200, 30);
    TButtonFaceParams p;
    p.caption = "Abc";
    p.spacing = -1;
    p.margin = -1;
    int textWidth = s.canvas()->TextWidth(p.caption);
    // 24 pixels free: spacing and margin 8 each.
    TRect client = Rect(0, 0, 16 + textWidth + 24, 30);
    TButtonFaceLayout layout = glyph.ArrangeGlyphAndText(s.canvas(), client, p);
    EXPECT_EQ(layout.glyphPos.X, 8);
    EXPECT_EQ(layout.textBounds.Left, 8 + 16 + 8);
    EXPECT_EQ(layout.glyphPos.Y, (30 - 16 + 1) / 2);
}

}  // namespace
