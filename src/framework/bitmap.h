// TBitmap: a picture held in a GDI bitmap, either a device-independent section
// (with a pixel format and direct access to its rows) or a device-dependent
// bitmap (the screen's format, or monochrome), with a canvas on a memory DC.
#pragma once

#include <memory>

#include "framework/bitmap_file.h"
#include "framework/canvas.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    TGraphic* NewGraphic() const override { return new TBitmap; }
    // From another bitmap: a copy of its pixels, palette and transparency
    // settings; from nullptr: empty; from other pictures: drawn onto this one.
    void Assign(TPersistent* Source) override;

    bool Empty() const override { return FWidth <= 0 || FHeight <= 0; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int width) override { SetSize(width, FHeight); }
    void SetHeight(int height) override { SetSize(FWidth, height); }
    // The top-left part of the old picture stays; new parts take the canvas's
    // brush colour (white unless changed).
    void SetSize(int width, int height);

    // Drawing on the bitmap; notifies OnChange after each drawing call.
    TCanvas* Canvas();

    // The bitmap handle, taken out of the canvas's DC so the caller may select
    // it elsewhere (the canvas selects it again when next used). Null when empty.
    HBITMAP Handle();
    bool HandleAllocated() const { return static_cast<bool>(FHandle); }
    // Takes a bitmap handle over (a section or a device-dependent bitmap).
    void SetHandle(HBITMAP handle);
    // Gives the handle to the caller, who then destroys it; the bitmap is empty.
    HBITMAP ReleaseHandle();

    TBitmapHandleType HandleType() const { return FHandleType; }
    void SetHandleType(TBitmapHandleType type);
    // pfDevice for a device-dependent colour bitmap; pf1bit when monochrome.
    TPixelFormat PixelFormat() const;
    // Converts the pixels (the platform picks the nearest colour when the new
    // format has a colour table).
    void SetPixelFormat(TPixelFormat format);
    bool Monochrome() const;
    // True: a device-dependent monochrome bitmap (white stays white, every
    // other colour becomes black); false: a device-dependent colour bitmap.
    void SetMonochrome(bool value);

    // Row `row` counted from the top, in the section's pixel layout. A
    // device-dependent bitmap becomes a section first. Raises
    // EInvalidGraphicOperation "Scan line index out of range".
    void* ScanLine(int row);

    // Up to 8 bits per pixel the palette mirrors the colour table; setting one
    // takes it over and makes it the colour table.
    HPALETTE Palette() override;
    void SetPalette(HPALETTE palette) override;
    HPALETTE ReleasePalette();

    // The colour drawn as see-through when Transparent is set: fixed by
    // SetTransparentColor, else (tmAuto) the bottom-left pixel, white for a
    // monochrome device-dependent bitmap. clDefault returns to tmAuto.
    TColor TransparentColor();
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode mode);
    // A monochrome mask, white where the pixels have TransparentColor; owned
    // by the bitmap and valid until the next call.
    HBITMAP MaskHandle();
    // Turns the bitmap into its own mask for the colour (white where it was).
    void Mask(TColor transparentColor);

    // Keeps the pixels in process memory and gives the GDI bitmap and DC back;
    // the next use makes them again.
    void Dormant();
    // Frees the memory copy of a dormant bitmap (making the GDI bitmap again).
    void FreeImage();

    // BMP files (see bitmap_file.h). An empty bitmap writes nothing.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // The pixels as a device-independent image, and back.
    TDibImage ToDib();
    void LoadFromDib(const TDibImage& image);

    void Draw(TCanvas* canvas, const TRect& rect) override;

private:
    friend class TBitmapCanvas;

    // The handle, made from the dormant copy or blank when needed (none when empty).
    HBITMAP HandleNeeded();
    // Makes a blank image of the given form; white (or the canvas brush).
    void NewImage(int width, int height, TPixelFormat format, TBitmapHandleType type, bool monochrome);
    void AdoptHandle(HBITMAP handle);
    // Takes the image's pixels without notifying anyone; the palette stays.
    void SetDib(const TDibImage& image);
    void ReplaceHandle(HBITMAP handle);
    void ReadDibInfo();
    std::vector<uint32_t> ColorTable();
    void SetColorTable(const std::vector<uint32_t>& table);
    TBitmapHandle MakeMask(TColor color);

    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pfDevice;  // the section's format when bmDIB
    TBitmapHandleType FHandleType = bmDDB;
    bool FMonochrome = false;  // a monochrome device-dependent bitmap
    TBitmapHandle FHandle;
    uint8_t* FBits = nullptr;  // section pixels
    size_t FStride = 0;
    bool FTopDown = false;
    std::unique_ptr<TDibImage> FDormant;
    TPaletteHandle FPalette;
    TBitmapHandle FMask;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
    owned_ptr<TBitmapCanvas> FCanvas;
};

// Copies a rectangle with the parts where the monochrome mask is white left
// untouched in the destination (mask position mx, my, in source scale).
void TransparentStretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw,
                           int sh, HDC mask, int mx, int my);
