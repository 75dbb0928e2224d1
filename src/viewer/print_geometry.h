// Where a document lands on paper: the printable part of a page in device
// pixels and in the logical units the document is laid out in (one unit is
// one screen pixel at print scale 1). Free of window headers.
#pragma once

#include <cstdint>
#include <optional>

#include "html/style_props.h"

// What the printer's context reports (GetDeviceCaps).
struct TPrintDeviceValues {
    int PixelsPerInchX = 0;   // LOGPIXELSX
    int PixelsPerInchY = 0;   // LOGPIXELSY
    int PageWidth = 0;        // HORZRES: the printable width
    int PageHeight = 0;       // VERTRES
    int PhysicalWidth = 0;    // PHYSICALWIDTH: the whole sheet
    int PhysicalHeight = 0;   // PHYSICALHEIGHT
    int PhysicalOffsetX = 0;  // PHYSICALOFFSETX: the unprintable left part
    int PhysicalOffsetY = 0;  // PHYSICALOFFSETY: the unprintable top part
};

// Distances from the sheet's edges, in centimetres.
struct TPrintMargins {
    double Left = 2.0;
    double Right = 2.0;
    double Top = 2.0;
    double Bottom = 2.0;
};

struct TPageGeometry {
    int LogicalPerInch = 96;  // N = [screen ppi / print scale]: the window extent against the viewport's PX, PY
    // Device pixels, from the printable area's top left corner.
    int MarginLeft = 0;       // ML
    int PrintableWidth = 0;   // WD
    int MarginTop = 0;        // MT
    int PrintableHeight = 0;  // HD
    // Logical units.
    int Left = 0;
    int Width = 0;
    int Top = 0;
    int Height = 0;
    int FullWidth = 0;   // FW: the printable area's width
    int FullHeight = 0;  // FH
};

// Nearest integer, halves to even; a value within a hair of a half counts as
// the half, so 0.05 cm at 127 dpi (2.5 pixels in decimal) gives 2.
int64_t RoundHalfEven(double value);
// a x n / p with a 64-bit product, rounded to the nearest (halves away from 0).
int MulDivRound(int a, int n, int p);

// None when the page cannot take any print: no resolution reported, or margins
// that leave no printable width or height.
std::optional<TPageGeometry> ComputePageGeometry(const TPrintDeviceValues& device, const TPrintMargins& margins,
                                                 int screenPixelsPerInch, double printScale);

// Where a background picture's tiles stand along one axis: the first tile's
// position, and how many follow at steps of the picture's size (0: none
// reaches the clip range). `area` is the size the position refers to (the
// document's, or the page's for a fixed background), `offset` that axis's
// document offset, [clipStart, clipEnd) the range to cover.
struct TTileRun {
    int Start = 0;
    int Count = 0;
};
TTileRun TileAxis(const PositionEntry& position, int pictureSize, int area, int offset, int clipStart,
                  int clipEnd);
