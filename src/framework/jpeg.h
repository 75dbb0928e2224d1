// TJPEGImage: a JPEG picture kept as its file bytes and decoded by libjpeg into
// a bitmap when first drawn or asked for. Baseline and progressive images;
// every libjpeg error becomes EInvalidGraphic. Never encodes: saving writes
// the bytes that were read.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/bitmap.h"

enum TJPEGPixelFormat { jf24Bit, jf8Bit };

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    TGraphic* NewGraphic() const override { return new TJPEGImage; }
    void Assign(TPersistent* Source) override;

    bool Empty() const override { return FData.empty(); }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // A JPEG's size is fixed by its data: EInvalidGraphicOperation.
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    // 24 bits per pixel, or 8 bits chosen by libjpeg's quantiser (to Palette
    // when one was set); a change drops the decoded picture.
    TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat format);
    // The palette set for 8-bit decoding, else the decoded picture's; does not
    // decode. Setting one takes it over and drops the decoded picture.
    HPALETTE Palette() override;
    void SetPalette(HPALETTE palette) override;

    // The decoded picture, owned by the image (empty for an empty image).
    // Raises EInvalidGraphic when the data cannot be decoded.
    TBitmap* Bitmap();

    // Takes the rest of the stream; the header is checked at once (the pixels
    // when first needed).
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    void Draw(TCanvas* canvas, const TRect& rect) override;

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    void FreeBitmap();

    std::vector<uint8_t> FData;
    int FWidth = 0;
    int FHeight = 0;
    TJPEGPixelFormat FPixelFormat = jf24Bit;
    TPaletteHandle FPalette;
    owned_ptr<TBitmap> FBitmap;
};
