// Decoding files and streams into a bitmap and a mask, the palette hand-off
// for screens of 8 bits per pixel or fewer, masked drawing, printing through
// device-independent bits, and TDib.
#include "html/image_cache.h"

#ifdef _WIN32

#include <algorithm>
#include <memory>

#include "framework/bitmap.h"
#include "framework/gdi_handles.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "images/engine_palette.h"
#include "images/gif_image.h"
#include "framework/picture_budget.h"
#include "images/png_image.h"
#include "images/reduce_colors.h"

namespace {

// Bits in global memory above this size (the printer paths want them movable).
constexpr size_t kHeapBitsLimit = 65279;

int BitsPerPixel(TBitmap* bitmap) {
    switch (bitmap->PixelFormat()) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        case pf15bit: return 15;
        case pf16bit: return 16;
        case pf24bit: return 24;
        case pf32bit: return 32;
        default: return bitmap->Monochrome() ? 1 : ColorBits;
    }
}

// The bitmap selected with the screen palette into a memory context, copied
// through a TDib and made again as a device-dependent bitmap.
TBitmap* ConvertThroughPalette(TBitmap* bitmap) {
    TScreenDC screen;
    TMemoryDC dc(CreateCompatibleDC(screen.get()));
    HPALETTE old = ThePalette ? SelectPalette(dc.get(), ThePalette, FALSE) : nullptr;
    if (ThePalette) RealizePalette(dc.get());
    std::unique_ptr<TDib> dib;
    try {
        dib = std::make_unique<TDib>(dc.get(), bitmap->Handle());
    } catch (...) {
        if (old) SelectPalette(dc.get(), old, FALSE);
        throw;
    }
    if (old) SelectPalette(dc.get(), old, FALSE);
    HBITMAP made = dib->CreateDIBmp();
    if (!made) throw EOutOfMemory("Out of memory");
    auto* result = new TBitmap;
    result->SetHandle(made);
    if (ColorBits == 8 && !result->Palette() && ThePalette) result->SetPalette(CopyPalette(ThePalette));
    return result;
}

// Step 7 of decoding: the picture in the form the screen wants.
TBitmap* HandOffToScreen(TBitmap* bitmap) {
    TBitmap* result = nullptr;
    if (ColorBits < 9) {
        if (bitmap->HandleType() == bmDIB) result = GetBitmap(bitmap);
        else result = ConvertThroughPalette(bitmap);
    } else {
        if (BitsPerPixel(bitmap) >= 15) return bitmap;
        result = ConvertThroughPalette(bitmap);
    }
    if (!result) return bitmap;
    delete bitmap;
    return result;
}

// Transparent pixels black, the others as they were.
TBitmap* BlackenTransparent(TBitmap* picture, TBitmap* mask, TColor transparent) {
    const int w = picture->Width(), h = picture->Height();
    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(pf24bit);
    result->SetSize(w, h);
    if (ThePalette) result->SetPalette(CopyPalette(ThePalette));
    HDC dc = result->Canvas()->Handle();
    TBrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(transparent)) & 0xFFFFFF));
    RECT r{0, 0, w, h};
    FillRect(dc, &r, brush.get());
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    BitBlt(dc, 0, 0, w, h, mask->Canvas()->Handle(), 0, 0, SRCAND);
    BitBlt(dc, 0, 0, w, h, picture->Canvas()->Handle(), 0, 0, SRCINVERT);
    return result.release();
}

std::size_t BitmapBytes(TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return 0;
    const int bits = BitsPerPixel(bitmap);
    const std::size_t row = (static_cast<std::size_t>(bitmap->Width()) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    return row * static_cast<std::size_t>(bitmap->Height());
}

bool FitsBudget(TBitmap* bitmap) {
    return bitmap && bitmap->Width() > 0 && bitmap->Height() > 0 &&
           PictureFitsBudget(bitmap->Width(), bitmap->Height());
}

}  // namespace

std::size_t PictureBytes(TPersistent* picture) {
    if (auto* gif = dynamic_cast<TGIFImage*>(picture)) {
        // The current frame (up to 32 bits a pixel) and its mask, made from
        // the strip when drawn.
        const std::size_t pixels = static_cast<std::size_t>(std::max(gif->Width(), 0)) *
                                   static_cast<std::size_t>(std::max(gif->Height(), 0));
        const std::size_t frame = pixels * 4 + pixels / 8;
        ThtBitmap* strip = gif->Strip();
        return frame + (strip ? BitmapBytes(strip) + BitmapBytes(strip->Mask()) : 0);
    }
    return BitmapBytes(dynamic_cast<TBitmap*>(picture));
}

std::size_t LeastPictureBytes(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return 0;
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * (ColorBits > 8 ? 2 : 1);
}

TBitmap* GetImageAndMaskFromStream(TMemoryStream* stream, Transparency& transparent, TBitmap*& mask) {
    mask = nullptr;
    if (!stream || !stream->Memory() || stream->Size() <= 19) return nullptr;
    const auto* bytes = static_cast<const uint8_t*>(stream->Memory());
    const auto size = static_cast<size_t>(stream->Size());
    const ImageType kind = KindOfImage(bytes, size);
    if (kind != Bmp && kind != Png && kind != Jpg) return nullptr;
    TBitmap* result = nullptr;
    try {
        stream->SetPosition(0);
        TColor pngColor = 0;
        if (kind == Jpg) {
            transparent = NotTransp;
            TJpegMod jpeg;
            jpeg.SetPixelFormat(ColorBits > 8 ? jf24Bit : jf8Bit);
            if (ColorBits == 8 && !jpeg.Palette() && ThePalette) jpeg.SetPalette(CopyPalette(ThePalette));
            jpeg.LoadFromStream(stream);
            if (!PictureFitsBudget(jpeg.Width(), jpeg.Height())) return nullptr;
            result = new TBitmap;
            result->Assign(jpeg.Bitmap());
        } else if (kind == Png) {
            if (PngTransparentColor(bytes, size, pngColor)) transparent = TPng;
            TPNGImage png;
            png.LoadFromStream(stream);
            result = new TBitmap;
            result->Assign(&png);
        } else {
            int64_t w = 0, h = 0;
            if (!BmpClaimedSize(bytes, size, w, h) || !PictureFitsBudget(w, h)) return nullptr;
            result = new TBitmap;
            result->LoadFromStream(stream);
        }
        if (!FitsBudget(result)) {
            delete result;
            return nullptr;
        }
        if (transparent == LLCorner) {
            mask = GetImageMask(result, false, 0);
        } else if (transparent == TPng) {
            mask = GetImageMask(result, true, pngColor);
            if (mask) {
                TBitmap* rebuilt = BlackenTransparent(result, mask, pngColor);
                delete result;
                result = rebuilt;
            }
        }
        result = HandOffToScreen(result);
        return result;
    } catch (...) {
        delete result;
        delete mask;
        mask = nullptr;
        return nullptr;
    }
}

bool ReadImageFile(const std::string& fileName, TMemoryStream& out) {
    try {
        if (fileName.empty() || !FileExists(fileName)) return false;
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        const int64_t size = file.Size();
        if (size < 0 || size > kMaxImageFileBytes) return false;
        out.SetSize(size);
        if (size > 0) file.ReadBuffer(out.Memory(), static_cast<int32_t>(size));
        out.SetPosition(0);
        return true;
    } catch (...) {
        return false;
    }
}

TBitmap* GetImageAndMaskFromFile(const std::string& fileName, Transparency& transparent, TBitmap*& mask) {
    mask = nullptr;
    TMemoryStream stream;
    if (!ReadImageFile(fileName, stream)) return nullptr;
    return GetImageAndMaskFromStream(&stream, transparent, mask);
}

TBitmap* GetImageFromFile(const std::string& fileName) {
    try {
        TMemoryStream stream;
        if (!ReadImageFile(fileName, stream)) return nullptr;
        const ImageType kind =
            KindOfImage(stream.Memory(), static_cast<size_t>(stream.Size()));
        if (kind == Gif || kind == Gif89) {
            bool nonAnimated = true;
            std::unique_ptr<TGIFImage> gif(CreateAGifFromStream(nonAnimated, &stream));
            if (!gif || !gif->GetMaskedBitmap()) return nullptr;
            auto result = std::make_unique<TBitmap>();
            result->Assign(gif->GetMaskedBitmap());
            return FitsBudget(result.get()) ? result.release() : nullptr;
        }
        Transparency transparent = NotTransp;
        TBitmap* mask = nullptr;
        TBitmap* result = GetImageAndMaskFromStream(&stream, transparent, mask);
        delete mask;
        return result;
    } catch (...) {
        return nullptr;
    }
}

bool TransparentGIF(const std::string& fileName, TColor& color) {
    try {
        if (!FileExists(fileName)) return false;
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        std::vector<uint8_t> head(790, 0);
        file.Read(head.data(), static_cast<int32_t>(head.size()));
        return GifTransparentColor(head.data(), head.size(), color);
    } catch (...) {
        return false;
    }
}

TBitmap* GetImageMask(TBitmap* image, bool colorValid, TColor color) {
    if (!image || image->Empty()) return nullptr;
    try {
        auto mask = std::make_unique<TBitmap>();
        mask->Assign(image);
        mask->Mask(colorValid ? color : image->TransparentColor());
        if (mask->Empty()) return nullptr;
        return mask.release();
    } catch (...) {
        return nullptr;
    }
}

void FinishTransparentBitmap(HDC dc, TBitmap* picture, TBitmap* mask, int x, int y, int width, int height) {
    if (!dc || !picture || !mask || picture->Empty() || mask->Empty()) return;
    if (GetDeviceCaps(dc, PLANES) <= 1 && GetDeviceCaps(dc, BITSPIXEL) <= 1) return;
    const int w = picture->Width(), h = picture->Height();
    TBitmapDC copyDC(dc, CreateCompatibleBitmap(dc, w, h));
    if (!copyDC) return;
    BitBlt(copyDC.get(), 0, 0, w, h, picture->Canvas()->Handle(), 0, 0, SRCCOPY);
    TBitmapDC invDC(dc, CreateBitmap(mask->Width(), mask->Height(), 1, 1, nullptr));
    if (!invDC) return;
    HDC maskDC = mask->Canvas()->Handle();
    BitBlt(invDC.get(), 0, 0, mask->Width(), mask->Height(), maskDC, 0, 0, NOTSRCCOPY);

    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const int oldMode = SetStretchBltMode(dc, WHITEONBLACK);
    StretchBlt(dc, x, y, width, height, maskDC, 0, 0, mask->Width(), mask->Height(), SRCAND);
    SetBkColor(copyDC.get(), RGB(255, 255, 255));
    SetTextColor(copyDC.get(), RGB(0, 0, 0));
    BitBlt(copyDC.get(), 0, 0, w, h, invDC.get(), 0, 0, SRCAND);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, x, y, width, height, copyDC.get(), 0, 0, w, h, SRCPAINT);
    SetStretchBltMode(dc, oldMode);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
}

TBitmap* EnlargeBitmap(TBitmap* bitmap, int width, int height) {
    auto result = std::make_unique<TBitmap>();
    const int w = bitmap->Width() == 1 ? std::clamp(width, 1, 100) : bitmap->Width();
    const int h = bitmap->Height() == 1 ? std::clamp(height, 1, 100) : bitmap->Height();
    result->SetPixelFormat(pf24bit);
    result->SetSize(w, h);
    HDC dc = result->Canvas()->Handle();
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, w, h, bitmap->Canvas()->Handle(), 0, 0, bitmap->Width(), bitmap->Height(), SRCCOPY);
    return result.release();
}

// ---- TDib

TDib::TDib(HDC dc, HBITMAP bitmap) {
    try {
        InitializeBitmapInfoHeader(bitmap);
        Allocate(FImageSize);
        GetDIBX(dc, bitmap, nullptr);
    } catch (...) {
        DeAllocate();
        throw;
    }
}

TDib::~TDib() { DeAllocate(); }

void TDib::InitializeBitmapInfoHeader(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) throw EOutOfMemory("Out of memory");
    int bits = bm.bmPlanes * bm.bmBitsPixel;
    if (bits == 16 || bits == 32) bits = 24;
    const size_t colors = bits <= 8 ? size_t{1} << bits : 0;
    FInfo.assign(sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD), 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(FInfo.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = bm.bmWidth;
    header->biHeight = bm.bmHeight;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    header->biCompression = BI_RGB;
    const uint64_t row = (uint64_t{static_cast<uint32_t>(bits)} * static_cast<uint32_t>(bm.bmWidth) + 31) / 32 * 4;
    const uint64_t image = row * static_cast<uint32_t>(bm.bmHeight);
    if (image > kMaxDibBytes) throw EOutOfMemory("Out of memory");
    header->biSizeImage = static_cast<DWORD>(image);
    FImageSize = static_cast<size_t>(image);
    FWidth = bm.bmWidth;
    FHeight = bm.bmHeight;
    FBitCount = bits;
}

void TDib::Allocate(size_t size) {
    if (size > kHeapBitsLimit) {
        FGlobal = GlobalAlloc(GMEM_MOVEABLE, size);
        if (!FGlobal) throw EAbort("");
        FBits = GlobalLock(FGlobal);
        if (!FBits) throw EAbort("");
    } else {
        FBits = new uint8_t[std::max<size_t>(size, 1)];
    }
}

void TDib::DeAllocate() {
    if (FGlobal) {
        GlobalUnlock(FGlobal);
        GlobalFree(FGlobal);
    } else {
        delete[] static_cast<uint8_t*>(FBits);
    }
    FGlobal = nullptr;
    FBits = nullptr;
}

void TDib::GetDIBX(HDC dc, HBITMAP bitmap, HPALETTE palette) {
    HPALETTE old = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
    if (palette) RealizePalette(dc);
    const int lines = GetDIBits(dc, bitmap, 0, static_cast<UINT>(FHeight), FBits,
                                reinterpret_cast<BITMAPINFO*>(FInfo.data()), DIB_RGB_COLORS);
    if (old) SelectPalette(dc, old, FALSE);
    if (lines == 0) throw EOutOfMemory("Out of memory");
}

void TDib::DrawDIB(HDC dc, int x, int y, int width, int height, uint32_t rop) {
    StretchDIBits(dc, x, y, width, height, 0, 0, FWidth, FHeight, FBits,
                  reinterpret_cast<const BITMAPINFO*>(FInfo.data()), DIB_RGB_COLORS, rop);
}

HBITMAP TDib::CreateDIBmp() {
    TScreenDC screen;
    HPALETTE old = ThePalette ? SelectPalette(screen.get(), ThePalette, FALSE) : nullptr;
    if (ThePalette) RealizePalette(screen.get());
    HBITMAP made = CreateDIBitmap(screen.get(), reinterpret_cast<const BITMAPINFOHEADER*>(FInfo.data()), CBM_INIT,
                                  FBits, reinterpret_cast<const BITMAPINFO*>(FInfo.data()), DIB_RGB_COLORS);
    if (old) SelectPalette(screen.get(), old, FALSE);
    return made;
}

// ---- printing

namespace {

// The bits of rows [sourceRow, sourceRow + rowCount) of the bitmap, 24 bits.
struct TRowBits {
    BITMAPINFOHEADER Header{};
    std::vector<uint8_t> Bits;
    bool Read(HDC dc, HBITMAP bitmap, int sourceRow, int rowCount) {
        BITMAP bm{};
        if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return false;
        sourceRow = std::clamp(sourceRow, 0, static_cast<int>(bm.bmHeight));
        rowCount = std::clamp(rowCount, 0, static_cast<int>(bm.bmHeight) - sourceRow);
        if (rowCount <= 0 || bm.bmWidth <= 0) return false;
        Header.biSize = sizeof Header;
        Header.biWidth = bm.bmWidth;
        Header.biHeight = rowCount;
        Header.biPlanes = 1;
        Header.biBitCount = 24;
        Header.biCompression = BI_RGB;
        const uint64_t row = (uint64_t{24} * static_cast<uint32_t>(bm.bmWidth) + 31) / 32 * 4;
        if (row * static_cast<uint64_t>(rowCount) > kMaxDibBytes) return false;
        Bits.resize(static_cast<size_t>(row * static_cast<uint64_t>(rowCount)));
        // Bottom-up rows: the rows wanted start at bm.bmHeight - sourceRow - rowCount.
        BITMAPINFOHEADER full = Header;
        full.biHeight = bm.bmHeight;
        return GetDIBits(dc, bitmap, static_cast<UINT>(bm.bmHeight - sourceRow - rowCount),
                         static_cast<UINT>(rowCount), Bits.data(), reinterpret_cast<BITMAPINFO*>(&full),
                         DIB_RGB_COLORS) > 0;
    }
};

void WithPalette(TCanvas* canvas, const auto& draw) {
    HDC dc = canvas->Handle();
    HPALETTE old = ThePalette ? SelectPalette(dc, ThePalette, FALSE) : nullptr;
    if (ThePalette) RealizePalette(dc);
    try {
        draw(dc);
    } catch (...) {
    }
    if (old) SelectPalette(dc, old, FALSE);
}

// The picture with the mask ORed in (transparent parts white), cut to rows.
std::unique_ptr<TBitmap> WhitenedRows(TBitmap* picture, TBitmap* mask, int sourceRow, int rowCount) {
    sourceRow = std::clamp(sourceRow, 0, picture->Height());
    rowCount = std::clamp(rowCount, 0, picture->Height() - sourceRow);
    if (rowCount <= 0 || picture->Width() <= 0) return nullptr;
    auto out = std::make_unique<TBitmap>();
    out->SetPixelFormat(pf24bit);
    out->SetSize(picture->Width(), rowCount);
    HDC dc = out->Canvas()->Handle();
    BitBlt(dc, 0, 0, picture->Width(), rowCount, picture->Canvas()->Handle(), 0, sourceRow, SRCCOPY);
    if (mask && !mask->Empty()) {
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
        BitBlt(dc, 0, 0, picture->Width(), rowCount, mask->Canvas()->Handle(), 0, sourceRow, SRCPAINT);
    }
    return out;
}

}  // namespace

void PrintBitmap(TCanvas* canvas, int x, int y, int width, int height, HBITMAP bitmap) {
    if (!canvas || !bitmap) return;
    WithPalette(canvas, [&](HDC dc) {
        BITMAP bm{};
        if (!GetObjectW(bitmap, sizeof bm, &bm)) return;
        TRowBits rows;
        if (!rows.Read(dc, bitmap, 0, bm.bmHeight)) return;
        StretchDIBits(dc, x, y, width, height, 0, 0, bm.bmWidth, bm.bmHeight, rows.Bits.data(),
                      reinterpret_cast<const BITMAPINFO*>(&rows.Header), DIB_RGB_COLORS, SRCCOPY);
    });
}

void PrintBitmap1(TCanvas* canvas, int x, int y, int, int, int sourceRow, int rowCount, HBITMAP bitmap) {
    if (!canvas || !bitmap) return;
    WithPalette(canvas, [&](HDC dc) {
        TRowBits rows;
        if (!rows.Read(dc, bitmap, sourceRow, rowCount)) return;
        StretchDIBits(dc, x, y, rows.Header.biWidth, rows.Header.biHeight, 0, 0, rows.Header.biWidth,
                      rows.Header.biHeight, rows.Bits.data(), reinterpret_cast<const BITMAPINFO*>(&rows.Header),
                      DIB_RGB_COLORS, SRCCOPY);
    });
}

void PrintTransparentBitmap1(TCanvas* canvas, int x, int y, int width, int height, TBitmap* picture,
                             TBitmap* mask, int sourceRow, int rowCount) {
    if (!canvas || !picture) return;
    try {
        std::unique_ptr<TBitmap> rows = WhitenedRows(picture, mask, sourceRow, rowCount);
        if (rows) PrintBitmap(canvas, x, y, width, height, rows->Handle());
    } catch (...) {
    }
}

HRGN RegionFromMask(TBitmap* mask) {
    if (!mask || mask->Empty()) return nullptr;
    const int w = mask->Width(), h = mask->Height();
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = -h;  // top-down
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    TScreenDC screen;
    if (GetDIBits(screen.get(), mask->Handle(), 0, static_cast<UINT>(h), pixels.data(),
                  reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) == 0)
        return nullptr;
    HRGN total = nullptr;
    std::vector<RECT> rects;
    rects.reserve(100);
    auto flush = [&] {
        if (rects.empty()) return;
        std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
        auto* rgn = reinterpret_cast<RGNDATA*>(data.data());
        rgn->rdh.dwSize = sizeof(RGNDATAHEADER);
        rgn->rdh.iType = RDH_RECTANGLES;
        rgn->rdh.nCount = static_cast<DWORD>(rects.size());
        rgn->rdh.rcBound = RECT{0, 0, w, h};
        std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(rgn->Buffer));
        HRGN part = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), rgn);
        rects.clear();
        if (!part) return;
        if (!total) {
            total = part;
        } else {
            CombineRgn(total, total, part, RGN_OR);
            DeleteObject(part);
        }
    };
    for (int yy = 0; yy < h; ++yy) {
        const uint32_t* row = pixels.data() + static_cast<size_t>(yy) * static_cast<size_t>(w);
        for (int xx = 0; xx < w;) {
            while (xx < w && (row[xx] & 0xFFFFFF) == 0xFFFFFF) ++xx;
            const int start = xx;
            while (xx < w && (row[xx] & 0xFFFFFF) != 0xFFFFFF) ++xx;
            if (xx > start) {
                if (rects.size() == rects.capacity()) rects.reserve(rects.capacity() + 100);
                rects.push_back(RECT{start, yy, xx, yy + 1});
                if (rects.size() >= 2000) flush();
            }
        }
    }
    flush();
    return total ? total : CreateRectRgn(0, 0, 0, 0);
}

void PrintTransparentBitmap3(TCanvas* canvas, int x, int y, int width, int height, TBitmap* picture,
                             TBitmap* mask, int sourceRow, int rowCount) {
    if (!canvas || !picture || !picture->HandleAllocated() || rowCount <= 0 || width <= 0) return;
    try {
        std::unique_ptr<TBitmap> rows = WhitenedRows(picture, mask, sourceRow, rowCount);
        if (!rows) return;
        std::unique_ptr<TBitmap> maskRows;
        if (mask && !mask->Empty()) {
            maskRows = std::make_unique<TBitmap>();
            maskRows->SetMonochrome(true);
            maskRows->SetSize(mask->Width(), rows->Height());
            BitBlt(maskRows->Canvas()->Handle(), 0, 0, mask->Width(), rows->Height(), mask->Canvas()->Handle(), 0,
                   std::max(sourceRow, 0), SRCCOPY);
        }
        HDC dc = canvas->Handle();
        HRGN clip = maskRows ? RegionFromMask(maskRows.get()) : nullptr;
        HRGN saved = CreateRectRgn(0, 0, 0, 0);
        const bool hadClip = GetClipRgn(dc, saved) == 1;
        if (clip) {
            SIZE vp{}, win{};
            GetViewportExtEx(dc, &vp);
            GetWindowExtEx(dc, &win);
            const double sx = win.cx ? double(width) / rows->Width() * vp.cx / win.cx : 1.0;
            const double sy = win.cy ? double(height) / rows->Height() * vp.cy / win.cy : 1.0;
            POINT origin{x, y};
            LPtoDP(dc, &origin, 1);
            XFORM xf{static_cast<FLOAT>(sx), 0, 0, static_cast<FLOAT>(sy), static_cast<FLOAT>(origin.x),
                     static_cast<FLOAT>(origin.y)};
            DWORD bytes = GetRegionData(clip, 0, nullptr);
            std::vector<uint8_t> data(bytes);
            if (bytes && GetRegionData(clip, bytes, reinterpret_cast<RGNDATA*>(data.data()))) {
                HRGN scaled = ExtCreateRegion(&xf, bytes, reinterpret_cast<RGNDATA*>(data.data()));
                if (scaled) {
                    if (hadClip) CombineRgn(scaled, scaled, saved, RGN_AND);
                    SelectClipRgn(dc, scaled);
                    DeleteObject(scaled);
                }
            }
            DeleteObject(clip);
        }
        PrintBitmap(canvas, x, y, width, height, rows->Handle());
        SelectClipRgn(dc, hadClip ? saved : nullptr);
        DeleteObject(saved);
    } catch (...) {
    }
}

#else

// Natively nothing is decoded or drawn: every loader reports failure, which
// the engine shows as the error picture.
TBitmap* GetImageAndMaskFromStream(TMemoryStream*, Transparency&, TBitmap*& mask) {
    mask = nullptr;
    return nullptr;
}
TBitmap* GetImageAndMaskFromFile(const std::string&, Transparency&, TBitmap*& mask) {
    mask = nullptr;
    return nullptr;
}
TBitmap* GetImageFromFile(const std::string&) { return nullptr; }
std::size_t PictureBytes(TPersistent*) { return 0; }
std::size_t LeastPictureBytes(int64_t, int64_t) { return 0; }
bool TransparentGIF(const std::string&, TColor&) { return false; }
TBitmap* GetImageMask(TBitmap*, bool, TColor) { return nullptr; }
bool ReadImageFile(const std::string&, TMemoryStream&) { return false; }

#endif
