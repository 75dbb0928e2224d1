// Colour reduction for screens of 8 bits per pixel or fewer: nearest-colour
// lookups, the plain and Floyd-Steinberg dither engines, the octree quantizer
// and the row loop that ties them together. Free of windows.h; the bitmap
// side (TDIBReader, TDIBWriter, ReduceColors, GetBitmap) is in reduce_colors.h.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Colours in these routines are red + green * 256 + blue * 65536.
class TColorLookup {
public:
    virtual ~TColorLookup() = default;
    int Colors() const { return FColors; }
    // The palette index for the colour; the chosen colour comes back in r, g, b.
    virtual int FindColor(uint8_t& r, uint8_t& g, uint8_t& b) = 0;

protected:
    int FColors = 0;
};

class TFastColorLookup : public TColorLookup {
public:
    // At most 256 entries are used.
    explicit TFastColorLookup(const std::vector<uint32_t>& palette);
    int FindColor(uint8_t& r, uint8_t& g, uint8_t& b) override;

private:
    std::vector<uint32_t> FEntries;
    std::vector<int16_t> FInverse;  // 32768 cells of 5 bits per channel; -1 unknown
};

// The 6 x 6 x 6 colour cube: index = red level * 36 + green level * 6 + blue level.
class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup() { FColors = 216; }
    int FindColor(uint8_t& r, uint8_t& g, uint8_t& b) override;
};

// The cube's colours in index order.
std::vector<uint32_t> WebPaletteColors();

// Nearest colour, one pixel after the other along rows that alternate in direction.
class TDitherEngine {
public:
    TDitherEngine(TColorLookup* lookup, int width) : FLookup(lookup), FWidth(width) {}
    virtual ~TDitherEngine() = default;
    virtual int DitherPixel(uint8_t& r, uint8_t& g, uint8_t& b);
    virtual void NextRow();
    int Column() const { return FColumn; }
    int Direction() const { return FDirection; }

protected:
    TColorLookup* FLookup;  // not owned
    int FWidth;
    int FDirection = 1;
    int FColumn = 0;
};

// Floyd-Steinberg error diffusion (7, 3, 5 and 1 sixteenths) in serpentine
// order. Column x always keeps its incoming error in cell x + 1 of a row of
// width + 2 cells, whichever way the row runs, so the outermost cells only
// ever take the errors that fall off the edges.
class TFloydSteinbergEngine : public TDitherEngine {
public:
    TFloydSteinbergEngine(TColorLookup* lookup, int width);
    int DitherPixel(uint8_t& r, uint8_t& g, uint8_t& b) override;
    void NextRow() override;

private:
    std::vector<int32_t> FErrors[3];
    size_t FCell = 0;
    int32_t FCarryNext[3] = {}, FBelowBehind[3] = {}, FBelowAhead[3] = {};
};

// Rows of 24-bit pixels (blue, green, red), top first.
class TRowSource {
public:
    virtual ~TRowSource() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual const uint8_t* Row(int y) = 0;
};

class TColorQuantizer {
public:
    TColorQuantizer(int maxColors, int colorBits);
    ~TColorQuantizer();
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;

    void ScanImage(TRowSource& rows);
    void InsertColor(uint8_t r, uint8_t g, uint8_t b);
    // False when no node is left to merge.
    bool MergeDeepest();
    // Blue, green, red, 0 quads of the leaves' average colours, depth first.
    std::vector<uint32_t> BuildColorTable() const;
    int LeafCount() const { return FLeafCount; }

private:
    struct Node;
    void Insert(std::unique_ptr<Node>& node, uint8_t r, uint8_t g, uint8_t b, int level);

    std::unique_ptr<Node> FRoot;
    int FLeafCount = 0;
    Node* FReducible[9] = {};
    int FMaxColors;
    int FColorBits;
};

// Dithers every row of source into destination rows of 8-bit indices.
// destRow(y) gives the row to write.
template <class DestRow>
void DitherRows(TRowSource& source, TDitherEngine& engine, DestRow destRow) {
    const int width = source.Width();
    for (int y = 0; y < source.Height(); ++y) {
        const uint8_t* src = source.Row(y);
        uint8_t* dst = destRow(y);
        for (int x = engine.Column(); x >= 0 && x < width; x = engine.Column()) {
            uint8_t b = src[x * 3], g = src[x * 3 + 1], r = src[x * 3 + 2];
            dst[x] = static_cast<uint8_t>(engine.DitherPixel(r, g, b));
        }
        engine.NextRow();
    }
}
