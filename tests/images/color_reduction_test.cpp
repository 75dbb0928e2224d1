#include "images/color_reduction.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class Pixels : public TRowSource {
public:
    Pixels(int w, int h) : FWidth(w), FHeight(h), FData(static_cast<size_t>(w) * h * 3) {}
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    const uint8_t* Row(int y) override { return &FData[static_cast<size_t>(y) * FWidth * 3]; }
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = &FData[(static_cast<size_t>(y) * FWidth + x) * 3];
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }

private:
    int FWidth, FHeight;
    std::vector<uint8_t> FData;
};

std::vector<uint8_t> Dither(Pixels& source, TDitherEngine& engine) {
    std::vector<uint8_t> out(static_cast<size_t>(source.Width()) * source.Height(), 0xEE);
    DitherRows(source, engine, [&](int y) { return &out[static_cast<size_t>(y) * source.Width()]; });
    return out;
}

}  // namespace

TEST(ColorLookup, CubeAndFastLookup) {
    TNetscapeColorLookup cube;
    uint8_t r = 47, g = 48, b = 255;
    EXPECT_EQ(11, cube.FindColor(r, g, b));
    EXPECT_EQ(0, r);
    EXPECT_EQ(51, g);
    EXPECT_EQ(255, b);
    EXPECT_EQ(216u, WebPaletteColors().size());

    // (8, 0, 0) and (15, 0, 0) share a 15-bit cell; the first answer sticks even
    // though entry 2 is nearer to the second colour.
    TFastColorLookup fast({0x000000, 0x000008, 0x00000F});
    uint8_t r1 = 9, g1 = 0, b1 = 0;
    EXPECT_EQ(1, fast.FindColor(r1, g1, b1));
    uint8_t r2 = 14, g2 = 0, b2 = 0;
    EXPECT_EQ(1, fast.FindColor(r2, g2, b2));
    EXPECT_EQ(8, r2);
}

TEST(Dither, IndicesStayBelowThePaletteSizeForNarrowRows) {
    TFastColorLookup lookup({0x000000, 0xFFFFFF, 0x0000FF});
    for (int width : {1, 2, 3, 17}) {
        SCOPED_TRACE(width);
        Pixels source(width, 9);
        uint32_t seed = static_cast<uint32_t>(width);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < width; ++x) {
                seed = seed * 1103515245u + 12345u;
                source.Set(x, y, static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
                           static_cast<uint8_t>(seed >> 8));
            }
        TFloydSteinbergEngine fs(&lookup, width);
        for (uint8_t index : Dither(source, fs)) EXPECT_LT(index, 3);
        TDitherEngine plain(&lookup, width);
        for (uint8_t index : Dither(source, plain)) EXPECT_LT(index, 3);
    }
}

TEST(Dither, FloydSteinbergKeepsTheAverage) {
    // Mid grey over black and white comes out about half white, spread evenly.
    TFastColorLookup lookup({0x000000, 0xFFFFFF});
    Pixels source(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) source.Set(x, y, 128, 128, 128);
    TFloydSteinbergEngine fs(&lookup, 40);
    std::vector<uint8_t> out = Dither(source, fs);
    int white = 0;
    for (uint8_t v : out) white += v;
    EXPECT_NEAR(800, white, 40);
    // Every row of 40 has some of each.
    for (int y = 0; y < 40; ++y) {
        int rowWhite = 0;
        for (int x = 0; x < 40; ++x) rowWhite += out[static_cast<size_t>(y) * 40 + x];
        EXPECT_GT(rowWhite, 10);
        EXPECT_LT(rowWhite, 30);
    }
}

TEST(Octree, LeafLimitAndEndlessMergeGuard) {
    Pixels source(300, 1);
    for (int x = 0; x < 300; ++x) source.Set(x, 0, static_cast<uint8_t>(x), static_cast<uint8_t>(x * 7), static_cast<uint8_t>(x * 13));
    TColorQuantizer quantizer(236, 8);
    quantizer.ScanImage(source);
    EXPECT_LE(quantizer.LeafCount(), 236);
    EXPECT_EQ(static_cast<size_t>(quantizer.LeafCount()), quantizer.BuildColorTable().size());

    // A limit that can never be met ends once everything is merged.
    TColorQuantizer none(0, 8);
    none.ScanImage(source);
    EXPECT_EQ(1, none.LeafCount());
    EXPECT_FALSE(none.MergeDeepest());

    // One colour averages to itself.
    TColorQuantizer one(4, 8);
    for (int i = 0; i < 5; ++i) one.InsertColor(10, 20, 30);
    EXPECT_EQ(std::vector<uint32_t>{(30u) | (20u << 8) | (10u << 16)}, one.BuildColorTable());
}
