#include "framework/jpeg.h"

#include <cstring>
#include <limits>

#include "framework/jpeg_codec.h"
#include "framework/streams.h"
#include "framework/win.h"

namespace {

const char kJpegSizeFixed[] = "Cannot change the size of a JPEG image";

[[noreturn]] void RaiseJpegError(const char* message) {
    throw EInvalidGraphic(std::string("JPEG error: ") + message);
}

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::FreeBitmap() { FBitmap.reset(); }

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation(kJpegSizeFixed); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation(kJpegSizeFixed); }

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat format) {
    if (format == FPixelFormat) return;
    FPixelFormat = format;
    FreeBitmap();
    Changed(this);
}

HPALETTE TJPEGImage::Palette() {
    if (FPalette) return FPalette.get();
    return FBitmap ? FBitmap->Palette() : nullptr;
}

void TJPEGImage::SetPalette(HPALETTE palette) {
    if (palette && palette == FPalette.get()) return;
    FPalette.reset(palette);
    FreeBitmap();
    Changed(this);
}

TBitmap* TJPEGImage::Bitmap() {
    if (FBitmap) return FBitmap.get();
    owned_ptr<TBitmap> bitmap(new TBitmap);
    if (!Empty()) {
        TJpegDecodeOptions options;
        unsigned char colormap[256][3];
        if (FPixelFormat == jf8Bit) {
            options.Quantize = true;
            if (FPalette) {
                PALETTEENTRY entries[256];
                const UINT count = GetPaletteEntries(FPalette.get(), 0, 256, entries);
                for (UINT i = 0; i < count; ++i) {
                    colormap[i][0] = entries[i].peRed;
                    colormap[i][1] = entries[i].peGreen;
                    colormap[i][2] = entries[i].peBlue;
                }
                options.Colormap = colormap;
                options.ColormapSize = static_cast<int>(count);
            }
        }
        TJpegPixels pixels;
        char message[256];
        if (!JpegDecode(FData.data(), FData.size(), &options, &pixels, message, sizeof(message)))
            RaiseJpegError(message);

        TDibImage image;
        image.Width = pixels.Width;
        image.Height = pixels.Height;
        image.BitCount = static_cast<uint16_t>(pixels.BytesPerPixel * 8);
        try {
            image.Bits.assign(pixels.Data, pixels.Data + pixels.Stride * static_cast<size_t>(pixels.Height));
        } catch (...) {
            JpegFreePixels(&pixels);
            throw;
        }
        JpegFreePixels(&pixels);
        if (pixels.BytesPerPixel == 1) {
            image.ColorTable.assign(256, 0);
            for (int i = 0; i < pixels.PaletteSize; ++i)
                image.ColorTable[static_cast<size_t>(i)] = static_cast<uint32_t>(pixels.Palette[i][2]) |
                                                          (static_cast<uint32_t>(pixels.Palette[i][1]) << 8) |
                                                          (static_cast<uint32_t>(pixels.Palette[i][0]) << 16);
        }
        bitmap->LoadFromDib(image);
        // CMYK pictures come from the decoder in 24 bits whatever was asked.
        if (FPixelFormat == jf8Bit && bitmap->PixelFormat() != pf8bit) bitmap->SetPixelFormat(pf8bit);
        if (FPalette) bitmap->SetPalette(CopyPaletteHandle(FPalette.get()));
    }
    FBitmap = std::move(bitmap);
    return FBitmap.get();
}

void TJPEGImage::LoadFromStream(TStream* stream) {
    const int64_t size = stream->Size() - stream->Position();
    if (size <= 0) RaiseJpegError("the data is empty");
    if (size > std::numeric_limits<int32_t>::max()) RaiseJpegError("the data is too large");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream->ReadBuffer(data.data(), static_cast<int32_t>(size));

    TJpegHeader header;
    char message[256];
    if (!JpegReadHeader(data.data(), data.size(), &header, message, sizeof(message))) RaiseJpegError(message);
    FData = std::move(data);
    FWidth = header.Width;
    FHeight = header.Height;
    FreeBitmap();
    Changed(this);
}

void TJPEGImage::SaveToStream(TStream* stream) {
    if (!FData.empty()) stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& rect) {
    if (Empty()) return;
    Bitmap()->Draw(canvas, rect);
}

void TJPEGImage::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (!Source) {
        FData.clear();
        FWidth = FHeight = 0;
        FreeBitmap();
        Changed(this);
        return;
    }
    auto* source = dynamic_cast<TJPEGImage*>(Source);
    if (!source) {
        TGraphic::Assign(Source);
        return;
    }
    FData = source->FData;
    FWidth = source->FWidth;
    FHeight = source->FHeight;
    FPixelFormat = source->FPixelFormat;
    FPalette.reset(CopyPaletteHandle(source->FPalette.get()));
    FreeBitmap();
    Changed(this);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) {
        bitmap->Assign(Bitmap());
        return;
    }
    TGraphic::AssignTo(Dest);
}
