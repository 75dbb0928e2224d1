// Where the printed document lands on the page.
#include <gtest/gtest.h>

#include "viewer/print_geometry.h"

namespace {

TPrintDeviceValues Device(int px, int py, int width, int height, int physicalWidth, int physicalHeight, int offsetX,
                          int offsetY) {
    TPrintDeviceValues v;
    v.PixelsPerInchX = px;
    v.PixelsPerInchY = py;
    v.PageWidth = width;
    v.PageHeight = height;
    v.PhysicalWidth = physicalWidth;
    v.PhysicalHeight = physicalHeight;
    v.PhysicalOffsetX = offsetX;
    v.PhysicalOffsetY = offsetY;
    return v;
}

TEST(PrintGeometry, PageTable) {
    struct Case {
        const char* name;
        TPrintDeviceValues device;
        TPrintMargins margins;
        double scale;
        // N, ML, WD, MT, HD, Left, Width, Top, Height, FW, FH
        int expected[11];
    };
    const TPrintDeviceValues a4 = Device(300, 300, 2329, 3358, 2479, 3508, 75, 75);
    const Case cases[] = {
        {"A4 at 300 dpi", a4, {2, 2, 2, 2}, 1.0, {96, 161, 2007, 161, 3036, 52, 642, 52, 972, 745, 1075}},
        {"scale 4", a4, {2, 2, 2, 2}, 4.0, {24, 161, 2007, 161, 3036, 13, 161, 13, 243, 186, 269}},
        {"scale 0.25", a4, {2, 2, 2, 2}, 0.25, {384, 161, 2007, 161, 3036, 206, 2569, 206, 3886, 2981, 4298}},
        // Across the page the horizontal resolution holds, down it the vertical.
        {"100 x 200 dpi", Device(100, 200, 776, 2238, 826, 2338, 25, 50), {2, 2, 2, 2}, 1.0,
         {96, 54, 668, 107, 2024, 52, 641, 51, 972, 745, 1074}},
        {"no unprintable border", Device(300, 300, 2479, 3508, 2479, 3508, 0, 0), {2, 2, 2, 2}, 1.0,
         {96, 236, 2007, 236, 3036, 76, 642, 76, 972, 793, 1123}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<TPageGeometry> g = ComputePageGeometry(c.device, c.margins, 96, c.scale);
        ASSERT_TRUE(g);
        const int got[11] = {g->LogicalPerInch, g->MarginLeft, g->PrintableWidth, g->MarginTop, g->PrintableHeight,
                             g->Left, g->Width, g->Top, g->Height, g->FullWidth, g->FullHeight};
        for (int i = 0; i < 11; ++i) EXPECT_EQ(got[i], c.expected[i]) << "value " << i;
    }
}

TEST(PrintGeometry, MarginsRoundHalvesToEven) {
    // 3.81 cm at 127 dpi is 190.5 pixels, 0.05 cm is 2.5.
    struct Case {
        double centimetres;
        int pixels;
    } cases[] = {{3.81, 190}, {0.05, 2}, {0.15, 8}, {1.0, 50}};
    for (const Case& c : cases) {
        TPrintMargins m{c.centimetres, 0, c.centimetres, 0};
        auto g = ComputePageGeometry(Device(127, 127, 1000, 1000, 1000, 1000, 0, 0), m, 96, 1.0);
        ASSERT_TRUE(g);
        EXPECT_EQ(g->MarginLeft, c.pixels) << c.centimetres;
        EXPECT_EQ(g->MarginTop, c.pixels) << c.centimetres;
    }
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
}

TEST(PrintGeometry, ProductsDoNotOverflow) {
    EXPECT_EQ(MulDivRound(2000000000, 384, 300), 2147483647);  // clamped, not wrapped
    EXPECT_EQ(MulDivRound(100000000, 96, 300), 32000000);
    EXPECT_EQ(MulDivRound(-161, 96, 300), -52);
}

TEST(PrintGeometry, PagesThatCannotPrintAreRefused) {
    const TPrintDeviceValues a4 = Device(300, 300, 2329, 3358, 2479, 3508, 75, 75);
    TPrintDeviceValues noResolution = a4;
    noResolution.PixelsPerInchY = 0;
    EXPECT_FALSE(ComputePageGeometry(noResolution, {}, 96, 1.0));
    EXPECT_FALSE(ComputePageGeometry(a4, {11, 11, 2, 2}, 96, 1.0));   // wider than the paper
    EXPECT_FALSE(ComputePageGeometry(a4, {2, 2, 15, 15}, 96, 1.0));   // taller
    EXPECT_FALSE(ComputePageGeometry(Device(300, 300, 0, 0, 0, 0, 0, 0), {0, 0, 0, 0}, 96, 1.0));
    // A scale of nothing prints at scale 1; a huge one at the largest size.
    for (double scale : {0.0, -2.0, 0.0000001}) {
        auto g = ComputePageGeometry(a4, {}, 96, scale);
        ASSERT_TRUE(g);
        EXPECT_EQ(g->LogicalPerInch, 96) << scale;
    }
    auto huge = ComputePageGeometry(a4, {}, 96, 1000.0);
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->LogicalPerInch, 1);
}

TEST(PrintGeometry, BackgroundTiles) {
    PositionEntry repeat{pTop, 0, true, false};
    PositionEntry once{pDim, 30, false, false};
    PositionEntry centred{pCenter, 0, false, false};
    struct Case {
        PositionEntry p;
        int size, area, offset, clipStart, clipEnd;
        TTileRun expected;
    } cases[] = {
        {repeat, 10, 1000, 0, 0, 95, {0, 10}},
        {repeat, 10, 1000, 25, 0, 95, {-5, 10}},  // scrolled by 25: starts inside a tile
        {repeat, 10, 1000, 0, 42, 60, {40, 2}},
        {once, 10, 1000, 0, 0, 95, {30, 1}},
        {once, 10, 1000, 100, 0, 95, {-70, 0}},  // scrolled away
        {centred, 10, 100, 0, 0, 95, {45, 1}},
        {repeat, 0, 100, 0, 0, 95, {0, 0}},
    };
    for (const Case& c : cases) {
        const TTileRun run = TileAxis(c.p, c.size, c.area, c.offset, c.clipStart, c.clipEnd);
        EXPECT_EQ(run.Start, c.expected.Start) << c.size << " " << c.offset << " " << c.clipStart;
        EXPECT_EQ(run.Count, c.expected.Count) << c.size << " " << c.offset << " " << c.clipStart;
    }
}

}  // namespace
