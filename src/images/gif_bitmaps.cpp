// Framework bitmaps made from the GIF reader's pixel buffers.
#include <cstring>

#include "framework/bitmap.h"
#include "images/gif_decoder.h"

namespace {

// The colour a transparent index is drawn in, so that the bitmap's
// transparent colour finds exactly those pixels.
constexpr uint32_t kTransparentStandIn = 0x170725;

std::shared_ptr<TBitmap> MakeShared(TBitmap* bitmap) {
    return std::shared_ptr<TBitmap>(bitmap, [](TBitmap* b) { TObject::Free(b); });
}

}  // namespace

void TGif::MakeBitmaps() {
    FBitmaps.clear();
    for (const TGifImageDescriptor& image : FImages) {
        TGifColorTable table = FColorTables[static_cast<size_t>(image.ColorTableIndex)];
        int transparent = GetTransparentIndex(image.Index);
        if (transparent >= table.Count) transparent = -1;
        if (transparent >= 0) table.Colors[transparent] = kTransparentStandIn;

        TDibImage dib;
        dib.Width = image.Width;
        dib.Height = image.Height;
        dib.BitCount = 24;
        dib.Bits.assign(dib.Stride() * image.Height, 0);
        for (int y = 0; y < image.Height; ++y) {
            uint8_t* row = dib.Row(y);
            const uint8_t* src = &image.Pixels[static_cast<size_t>(y) * image.Width];
            for (int x = 0; x < image.Width; ++x) {
                uint32_t c = table.Colors[src[x]];
                row[x * 3] = static_cast<uint8_t>(c >> 16);
                row[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
                row[x * 3 + 2] = static_cast<uint8_t>(c);
            }
        }
        auto bitmap = MakeShared(new TBitmap);
        if (!dib.Empty()) bitmap->LoadFromDib(dib);
        if (transparent >= 0) {
            bitmap->SetTransparentColor(static_cast<TColor>(kTransparentStandIn));
            bitmap->SetTransparent(true);
        }
        FBitmaps.push_back(std::move(bitmap));
    }
}

TBitmap* TGif::GetBitmap(int image) {
    GetImageDescriptor(image);  // message 15 for an index out of range
    if (FBitmaps.size() != FImages.size()) MakeBitmaps();
    return FBitmaps[static_cast<size_t>(image)].get();
}

TBitmap* TGif::GetStripBitmap(TBitmap*& mask) const {
    mask = nullptr;
    TGifStrip strip = ComposeStrip();
    owned_ptr<TBitmap> bitmap(new TBitmap);
    owned_ptr<TBitmap> maskBitmap;

    TDibImage dib;
    dib.Width = strip.Width;
    dib.Height = strip.Height;
    dib.BitCount = 24;
    dib.Bits.assign(dib.Stride() * strip.Height, 0);
    const size_t rowBytes = static_cast<size_t>(strip.Width) * 3;
    for (int y = 0; y < strip.Height; ++y)
        std::memcpy(dib.Row(y), &strip.Pixels[y * rowBytes], rowBytes);
    if (!dib.Empty()) bitmap->LoadFromDib(dib);

    if (!strip.Mask.empty()) {
        TDibImage bits;
        bits.Width = strip.Width;
        bits.Height = strip.Height;
        bits.BitCount = 1;
        bits.ColorTable = {0x000000, 0xFFFFFF};
        bits.Bits.assign(bits.Stride() * strip.Height, 0);
        for (int y = 0; y < strip.Height; ++y) {
            uint8_t* row = bits.Row(y);
            const uint8_t* src = &strip.Mask[static_cast<size_t>(y) * strip.Width];
            for (int x = 0; x < strip.Width; ++x)
                if (src[x]) row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
        }
        maskBitmap.reset(new TBitmap);
        if (!bits.Empty()) {
            maskBitmap->LoadFromDib(bits);
            maskBitmap->SetMonochrome(true);
        }
    }
    mask = maskBitmap.release();
    return bitmap.release();
}
