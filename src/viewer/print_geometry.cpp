#include "viewer/print_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kCentimetresPerInch = 2.54;

int ClampToInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A margin in device pixels.
int MarginPixels(double centimetres, int pixelsPerInch) {
    if (!std::isfinite(centimetres)) centimetres = 0;
    return ClampToInt(RoundHalfEven(centimetres / kCentimetresPerInch * pixelsPerInch));
}

}  // namespace

int64_t RoundHalfEven(double value) {
    if (!std::isfinite(value)) return 0;
    value = std::clamp(value, -9.0e15, 9.0e15);
    const double below = std::floor(value);
    const double fraction = value - below;
    constexpr double kHair = 1e-9;
    if (std::fabs(fraction - 0.5) <= kHair * std::max(1.0, std::fabs(value))) {
        const auto even = static_cast<int64_t>(below);
        return even % 2 == 0 ? even : even + 1;
    }
    return static_cast<int64_t>(std::llround(value));
}

int MulDivRound(int a, int n, int p) {
    if (p == 0) return 0;
    int64_t num = int64_t{a} * n;
    int64_t den = p;
    if (den < 0) num = -num, den = -den;
    const int64_t q = num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
    return ClampToInt(q);
}

std::optional<TPageGeometry> ComputePageGeometry(const TPrintDeviceValues& d, const TPrintMargins& margins,
                                                 int screenPixelsPerInch, double printScale) {
    const int px = d.PixelsPerInchX, py = d.PixelsPerInchY;
    if (px <= 0 || py <= 0) return std::nullopt;
    TPageGeometry g;
    // The scale enlarges the print: at scale 2 a logical unit (a screen
    // pixel) covers twice the paper. A scale too small to mean anything, or
    // none, prints at scale 1.
    if (!(printScale > 0.001) || !std::isfinite(printScale)) printScale = 1.0;
    g.LogicalPerInch = std::max(1, ClampToInt(RoundHalfEven(screenPixelsPerInch / printScale)));
    const int n = g.LogicalPerInch;

    const int unprintableRight = std::max(0, d.PhysicalWidth - d.PageWidth - d.PhysicalOffsetX);
    const int unprintableBottom = std::max(0, d.PhysicalHeight - d.PageHeight - d.PhysicalOffsetY);

    g.MarginLeft = MarginPixels(margins.Left, px) - d.PhysicalOffsetX;
    g.PrintableWidth = ClampToInt(int64_t{unprintableRight} + d.PageWidth - MarginPixels(margins.Right, px) -
                                  g.MarginLeft);
    g.MarginTop = MarginPixels(margins.Top, py) - d.PhysicalOffsetY;
    g.PrintableHeight = ClampToInt(int64_t{d.PageHeight} - g.MarginTop -
                                   (int64_t{MarginPixels(margins.Bottom, py)} - unprintableBottom));
    if (g.PrintableWidth <= 0 || g.PrintableHeight <= 0) return std::nullopt;

    g.Left = MulDivRound(g.MarginLeft, n, px);
    g.Width = MulDivRound(g.PrintableWidth, n, px);
    g.Top = MulDivRound(g.MarginTop, n, py);
    g.Height = MulDivRound(g.PrintableHeight, n, py);
    g.FullHeight = MulDivRound(d.PageHeight, n, py);
    // Across the page the horizontal resolution is the one that holds.
    g.FullWidth = MulDivRound(d.PageWidth, n, px);
    if (g.Width <= 0 || g.Height <= 0) return std::nullopt;
    return g;
}

TTileRun TileAxis(const PositionEntry& position, int pictureSize, int area, int offset, int clipStart,
                  int clipEnd) {
    TTileRun run;
    if (pictureSize <= 0 || clipEnd <= clipStart) return run;
    int64_t start = 0;
    switch (position.Kind) {
        case pTop:
        case pLeft: start = 0; break;
        case pCenter: start = area / 2 - pictureSize / 2; break;
        case pBottom:
        case pRight: start = int64_t{area} - pictureSize; break;
        case PPercent: start = int64_t{position.Amount} * (int64_t{area} - pictureSize) / 100; break;
        case pDim: start = position.Amount; break;
    }
    start -= offset;
    if (position.Tiles) {
        if (start < clipStart)
            start += pictureSize * ((clipStart - start) / pictureSize);
        else if (start > clipStart)
            start -= pictureSize * ((start - clipStart) / pictureSize) + pictureSize;
        run.Start = ClampToInt(start);
        run.Count = ClampToInt((int64_t{clipEnd} - start + pictureSize - 1) / pictureSize);
        return run;
    }
    run.Start = ClampToInt(start);
    run.Count = start < clipEnd && start + pictureSize > clipStart ? 1 : 0;
    return run;
}
