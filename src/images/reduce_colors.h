// Reduction of framework bitmaps to 8-bit paletted bitmaps for screens of 8
// bits per pixel or fewer, over the cores of color_reduction.h.
#pragma once

#include "framework/bitmap.h"
#include "images/color_reduction.h"

enum TColorReduction { rmNone, rmWindows20, rmWindows256, rmNetscape, rmMyPalette, rmQuantizeWindows };
enum TDitherMode { dmNearest, dmFloydSteinberg };

FW_DECLARE_EXCEPTION(GIFException, EInvalidGraphic)

class TDIB : public TObject {
public:
    TDIB(TBitmap* bitmap, TPixelFormat format) : FBitmap(bitmap), FPixelFormat(format) {}
    virtual void* RowAddress(int row) = 0;
    TBitmap* Bitmap() const { return FBitmap; }

protected:
    TBitmap* FBitmap;  // not owned
    TPixelFormat FPixelFormat;
};

// Converts the bitmap itself to the pixel format and reads its rows.
class TDIBReader : public TDIB, public TRowSource {
public:
    TDIBReader(TBitmap* bitmap, TPixelFormat format);
    void* RowAddress(int row) override;
    int Width() const override { return FBitmap->Width(); }
    int Height() const override { return FBitmap->Height(); }
    const uint8_t* Row(int y) override { return static_cast<const uint8_t*>(RowAddress(y)); }
};

// Writes rows of a bitmap of the pixel format; the bitmap is a device-independent
// section, so rows are written in place.
class TDIBWriter : public TDIB {
public:
    TDIBWriter(TBitmap* bitmap, TPixelFormat format);
    // Raises EInvalidGraphicOperation "Scan line index out of range".
    void* RowAddress(int row) override;
};

// A new 216-entry palette of the 6 x 6 x 6 colour cube; the caller owns it.
HPALETTE WebPalette();
// The octree's palette for the bitmap; with static colours, 256 entries with
// the platform's 20 static colours at 0-9 and 246-255. The caller owns it.
HPALETTE OptimizedPalette(TBitmap* bitmap, int colors, int colorBits, bool withStaticColors);

// A new bitmap; the source is converted to 24 bits per pixel on the way.
TBitmap* ReduceColors(TBitmap* bitmap, TColorReduction mode, TDitherMode dither);
// nullptr unless the source is a non-empty bitmap; a device-format bitmap is
// copied as it is; anything else is reduced for the screen's depth.
TBitmap* GetBitmap(TGraphic* source);
