#include "images/reduce_colors.h"

#include "framework/win.h"

#include <gtest/gtest.h>

namespace {

owned_ptr<TBitmap> Gradient(int w, int h) {
    TDibImage dib;
    dib.Width = w;
    dib.Height = h;
    dib.BitCount = 24;
    dib.Bits.assign(dib.Stride() * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = dib.Row(y) + x * 3;
            p[0] = static_cast<uint8_t>(x * 255 / std::max(w - 1, 1));
            p[1] = static_cast<uint8_t>(y * 255 / std::max(h - 1, 1));
            p[2] = static_cast<uint8_t>((x + y) * 4);
        }
    owned_ptr<TBitmap> bitmap(new TBitmap);
    bitmap->LoadFromDib(dib);
    return bitmap;
}

}  // namespace

TEST(ReduceColors, EveryModeGivesAnEightBitBitmapWithinItsPalette) {
    struct Case {
        TColorReduction mode;
        size_t colors;
    } cases[] = {{rmNetscape, 216}, {rmWindows20, 20}, {rmQuantizeWindows, 256}, {rmMyPalette, 256}};
    for (const Case& c : cases) {
        for (TDitherMode dither : {dmNearest, dmFloydSteinberg}) {
            SCOPED_TRACE(c.mode * 10 + dither);
            owned_ptr<TBitmap> source = Gradient(33, 7);
            owned_ptr<TBitmap> result(ReduceColors(source.get(), c.mode, dither));
            ASSERT_TRUE(result);
            TDibImage dib = result->ToDib();
            EXPECT_EQ(8, dib.BitCount);
            EXPECT_EQ(33, dib.Width);
            EXPECT_GE(dib.ColorTable.size(), c.colors);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 33; ++x) EXPECT_LT(dib.Row(y)[x], c.colors);
        }
    }
    owned_ptr<TBitmap> one = Gradient(1, 5);
    owned_ptr<TBitmap> narrow(ReduceColors(one.get(), rmNetscape, dmFloydSteinberg));
    EXPECT_EQ(1, narrow->Width());
}

TEST(ReduceColors, GetBitmapAndNone) {
    TBitmap empty;
    EXPECT_EQ(nullptr, GetBitmap(&empty));
    EXPECT_EQ(nullptr, GetBitmap(nullptr));
    owned_ptr<TBitmap> source = Gradient(4, 4);
    owned_ptr<TBitmap> copy(ReduceColors(source.get(), rmNone, dmNearest));
    EXPECT_EQ(pf24bit, copy->PixelFormat());
    owned_ptr<TBitmap> reduced(GetBitmap(source.get()));
    ASSERT_TRUE(reduced);
    EXPECT_EQ(4, reduced->Width());
    HPALETTE web = WebPalette();
    EXPECT_EQ(216u, GetPaletteEntries(web, 0, 0, nullptr));
    DeleteObject(web);
}
