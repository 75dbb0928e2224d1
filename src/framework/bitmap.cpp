#include "framework/bitmap.h"

#include <algorithm>
#include <cstring>

#include "framework/streams.h"
#include "framework/win.h"

namespace {

const char kScanLineRange[] = "Scan line index out of range";
const char kOutOfResources[] = "Out of system resources";
const char kInvalidPixelFormat[] = "Invalid pixel format";
const char kInvalidBitmap[] = "Bitmap image is not valid";

int BitsOf(TPixelFormat format) {
    switch (format) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        case pf15bit:
        case pf16bit: return 16;
        case pf24bit: return 24;
        case pf32bit: return 32;
        default: return 0;
    }
}

TPixelFormat FormatOf(int bits, bool is565) {
    switch (bits) {
        case 1: return pf1bit;
        case 4: return pf4bit;
        case 8: return pf8bit;
        case 16: return is565 ? pf16bit : pf15bit;
        case 24: return pf24bit;
        case 32: return pf32bit;
        default: return pfCustom;
    }
}

// The section format that holds what a device-dependent bitmap of the screen holds.
TPixelFormat ScreenSectionFormat() {
    const int bits = ScreenColorBits();
    if (bits <= 8) return pf8bit;
    if (bits <= 16) return pf16bit;
    return bits == 24 ? pf24bit : pf32bit;
}

uint32_t QuadOf(BYTE red, BYTE green, BYTE blue) {
    return static_cast<uint32_t>(blue) | (static_cast<uint32_t>(green) << 8) | (static_cast<uint32_t>(red) << 16);
}

std::vector<uint32_t> PaletteTable(HPALETTE palette, int bits) {
    std::vector<uint32_t> table(size_t{1} << bits, 0);
    PALETTEENTRY entries[256];
    const UINT count = GetPaletteEntries(palette, 0, static_cast<UINT>(table.size()), entries);
    for (UINT i = 0; i < count; ++i) table[i] = QuadOf(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
    return table;
}

// New sections start from the platform's usual colours: black and white, the
// 16 standard colours, the halftone palette.
std::vector<uint32_t> DefaultTable(int bits) {
    if (bits == 1) return {QuadOf(0, 0, 0), QuadOf(255, 255, 255)};
    if (bits == 4) {
        static const TColor standard[16] = {clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clSilver,
                                            clGray,  clRed,    clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};
        std::vector<uint32_t> table;
        for (TColor c : standard) table.push_back(QuadOf(ColorRed(c), ColorGreen(c), ColorBlue(c)));
        return table;
    }
    TScreenDC screen;
    TPaletteHandle halftone(CreateHalftonePalette(screen.get()));
    return PaletteTable(halftone.get(), 8);
}

struct TBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

HBITMAP CreateSection(int width, int height, int bits, bool is565, const std::vector<uint32_t>& table, void** pixels) {
    TBitmapInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biCompression = is565 ? BI_BITFIELDS : BI_RGB;
    if (is565) {
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.colors, masks, sizeof(masks));
    } else if (bits <= 8) {
        const size_t count = std::min<size_t>(table.size(), size_t{1} << bits);
        info.header.biClrUsed = static_cast<DWORD>(count);
        std::memcpy(info.colors, table.data(), count * sizeof(uint32_t));
    }
    HBITMAP handle = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, pixels,
                                      nullptr, 0);
    if (!handle) throw EOutOfResources(kOutOfResources);
    return handle;
}

// A scratch memory DC with one bitmap selected for the object's lifetime.
class TSelectedBitmap {
public:
    explicit TSelectedBitmap(HBITMAP bitmap) : FDC(CreateCompatibleDC(nullptr)) {
        if (!FDC) throw EOutOfResources(kOutOfResources);
        FOld = SelectObject(FDC.get(), bitmap);
    }
    ~TSelectedBitmap() { SelectObject(FDC.get(), FOld); }
    TSelectedBitmap(const TSelectedBitmap&) = delete;
    TSelectedBitmap& operator=(const TSelectedBitmap&) = delete;
    HDC dc() const { return FDC.get(); }

private:
    TMemoryDC FDC;
    HGDIOBJ FOld;
};

}  // namespace

// ---------------------------------------------------------------- canvas

// The bitmap's canvas keeps one memory DC; the bitmap is selected into it
// while the canvas draws and taken out whenever the bitmap changes hands.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
    ~TBitmapCanvas() override { FreeContext(); }

    void DeselectBitmap() {
        if (FDC) {
            if (FOldBitmap) SelectObject(FDC.get(), FOldBitmap);
            if (FOldPalette) SelectPalette(FDC.get(), FOldPalette, TRUE);
        }
        FOldBitmap = nullptr;
        FOldPalette = nullptr;
        FState &= ~csHandleValid;
    }

    void FreeContext() {
        DeselectBitmap();
        DeselectHandles();
        FHandle = nullptr;
        FState = 0;
        FDC.reset();
    }

protected:
    void CreateHandle() override {
        if (!FDC) {
            FDC.reset(CreateCompatibleDC(nullptr));
            if (!FDC) throw EOutOfResources(kOutOfResources);
            FHandle = FDC.get();
        }
        // An empty bitmap's canvas can still measure text.
        if (HBITMAP bitmap = FBitmap->HandleNeeded()) {
            FOldBitmap = SelectObject(FDC.get(), bitmap);
            if (FBitmap->FPalette) {
                FOldPalette = SelectPalette(FDC.get(), FBitmap->FPalette.get(), TRUE);
                RealizePalette(FDC.get());
            }
        }
        FState |= csHandleValid;
    }

    void Changed() override {
        TCanvas::Changed();
        FBitmap->Changed(FBitmap);
    }

private:
    TBitmap* FBitmap;
    TMemoryDC FDC;
    HGDIOBJ FOldBitmap = nullptr;
    HPALETTE FOldPalette = nullptr;
};

// ---------------------------------------------------------------- TBitmap

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    // The canvas's DC lets go of the bitmap and palette before they are deleted.
    FCanvas.reset();
}

TCanvas* TBitmap::Canvas() {
    if (!FCanvas) FCanvas.reset(new TBitmapCanvas(this));
    return FCanvas.get();
}

HBITMAP TBitmap::HandleNeeded() {
    if (!FHandle) {
        if (FDormant) {
            std::unique_ptr<TDibImage> image = std::move(FDormant);
            const TBitmapHandleType type = FHandleType;
            const bool monochrome = FMonochrome;
            try {
                SetDib(*image);
            } catch (...) {
                FDormant = std::move(image);  // the pixels stay for a later try
                throw;
            }
            if (type == bmDDB) NewImage(FWidth, FHeight, pfDevice, bmDDB, monochrome);
        } else if (!Empty()) {
            NewImage(FWidth, FHeight, FPixelFormat, FHandleType, FMonochrome);
        }
    }
    return FHandle.get();
}

void TBitmap::NewImage(int width, int height, TPixelFormat format, TBitmapHandleType type, bool monochrome) {
    if (type == bmDIB && BitsOf(format) == 0) format = ScreenSectionFormat();
    const int bits = type == bmDIB ? BitsOf(format) : 0;

    std::vector<uint32_t> table;
    if (type == bmDIB && bits <= 8) {
        if (FPalette)
            table = PaletteTable(FPalette.get(), bits);
        else if (FHandle && FHandleType == bmDIB && BitsOf(FPixelFormat) == bits)
            table = ColorTable();
        else
            table = DefaultTable(bits);
    }

    TBitmapHandle fresh;
    if (type == bmDIB) {
        void* pixels = nullptr;
        fresh.reset(CreateSection(width, height, bits, format == pf16bit, table, &pixels));
    } else if (monochrome) {
        fresh.reset(CreateBitmap(width, height, 1, 1, nullptr));
    } else {
        TScreenDC screen;
        fresh.reset(CreateCompatibleBitmap(screen.get(), width, height));
    }
    if (!fresh) throw EOutOfResources(kOutOfResources);

    if (FCanvas) FCanvas->DeselectBitmap();
    {
        TSelectedBitmap target(fresh.get());
        const TColor fill = FCanvas ? FCanvas->Brush()->Color() : clWhite;
        TBrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(fill))));
        const RECT all{0, 0, width, height};
        ::FillRect(target.dc(), &all, brush.get());
        if (FHandle) {
            // Colour to monochrome: white stays white, all else turns black.
            TSelectedBitmap source(FHandle.get());
            SetBkColor(source.dc(), RGB(255, 255, 255));
            BitBlt(target.dc(), 0, 0, std::min(width, FWidth), std::min(height, FHeight), source.dc(), 0, 0,
                   SRCCOPY);
        }
    }
    FPixelFormat = type == bmDIB ? format : pfDevice;
    FHandleType = type;
    FMonochrome = type == bmDDB && monochrome;
    FWidth = width;
    FHeight = height;
    ReplaceHandle(fresh.release());
}

void TBitmap::ReplaceHandle(HBITMAP handle) {
    if (FCanvas) FCanvas->DeselectBitmap();
    FHandle.reset(handle);
    ReadDibInfo();
}

void TBitmap::ReadDibInfo() {
    FBits = nullptr;
    FStride = 0;
    FTopDown = false;
    DIBSECTION section{};
    if (FHandle && GetObjectW(FHandle.get(), sizeof(section), &section) == sizeof(section)) {
        FBits = static_cast<uint8_t*>(section.dsBm.bmBits);
        FStride = static_cast<size_t>(section.dsBm.bmWidthBytes);
        FTopDown = section.dsBmih.biHeight < 0;
    }
}

void TBitmap::AdoptHandle(HBITMAP handle) {
    DIBSECTION section{};
    const int size = GetObjectW(handle, sizeof(section), &section);
    if (size != sizeof(section) && size < static_cast<int>(sizeof(BITMAP))) throw EInvalidGraphic(kInvalidBitmap);
    if (FCanvas) FCanvas->DeselectBitmap();
    FDormant.reset();
    FPalette.reset();
    if (size == sizeof(section)) {
        FHandleType = bmDIB;
        FMonochrome = false;
        const int bits = section.dsBm.bmBitsPixel;
        const DWORD* masks = section.dsBitfields;
        const bool fields = section.dsBmih.biCompression == BI_BITFIELDS;
        const bool is565 = fields && bits == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F;
        const bool is555 = bits == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F;
        const bool isPlain32 = bits == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
        FPixelFormat = FormatOf(bits, is565);
        // Other bit-field layouts are read through the platform (ToDib).
        if (fields && !is565 && !is555 && !isPlain32) FPixelFormat = pfCustom;
        FWidth = section.dsBm.bmWidth;
        FHeight = std::abs(section.dsBmih.biHeight);
    } else {
        FHandleType = bmDDB;
        FMonochrome = section.dsBm.bmBitsPixel == 1 && section.dsBm.bmPlanes == 1;
        FPixelFormat = pfDevice;
        FWidth = section.dsBm.bmWidth;
        FHeight = section.dsBm.bmHeight;
    }
    ReplaceHandle(handle);
}

HBITMAP TBitmap::Handle() {
    HBITMAP handle = HandleNeeded();
    if (FCanvas) FCanvas->DeselectBitmap();
    return handle;
}

void TBitmap::SetHandle(HBITMAP handle) {
    if (handle && handle == FHandle.get()) return;
    if (!handle) {
        if (FCanvas) FCanvas->DeselectBitmap();
        FHandle.reset();
        FDormant.reset();
        FBits = nullptr;
        FWidth = FHeight = 0;
    } else {
        AdoptHandle(handle);
    }
    Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
    HandleNeeded();
    if (FCanvas) FCanvas->DeselectBitmap();
    FBits = nullptr;
    FWidth = FHeight = 0;
    return FHandle.release();
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight) return;
    HandleNeeded();
    if (width == 0 || height == 0) {
        if (FCanvas) FCanvas->DeselectBitmap();
        FHandle.reset();
        FBits = nullptr;
        FWidth = width;
        FHeight = height;
    } else {
        NewImage(width, height, FPixelFormat, FHandleType, FMonochrome);
    }
    Changed(this);
}

void TBitmap::SetHandleType(TBitmapHandleType type) {
    if (type == FHandleType) return;
    const TPixelFormat format =
        type == bmDIB ? (FMonochrome ? pf1bit : ScreenSectionFormat()) : pfDevice;
    const bool monochrome = type == bmDDB && FPixelFormat == pf1bit;
    if (Empty() && !FDormant) {
        FHandleType = type;
        FPixelFormat = format;
        FMonochrome = monochrome;
        return;
    }
    HandleNeeded();
    NewImage(FWidth, FHeight, format, type, monochrome);
    Changed(this);
}

TPixelFormat TBitmap::PixelFormat() const {
    if (FHandleType == bmDDB) return FMonochrome ? pf1bit : pfDevice;
    return FPixelFormat;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == pfCustom) throw EInvalidGraphic(kInvalidPixelFormat);
    if (format == PixelFormat() && (format == pfDevice || FHandleType == bmDIB)) return;
    const TBitmapHandleType type = format == pfDevice ? bmDDB : bmDIB;
    if (Empty() && !FDormant) {
        FPixelFormat = format;
        FHandleType = type;
        FMonochrome = false;
        return;
    }
    HandleNeeded();
    NewImage(FWidth, FHeight, format, type, false);
    Changed(this);
}

bool TBitmap::Monochrome() const { return PixelFormat() == pf1bit; }

void TBitmap::SetMonochrome(bool value) {
    if (value == (FHandleType == bmDDB && FMonochrome)) return;
    if (!value && !Monochrome()) return;
    if (Empty() && !FDormant) {
        FHandleType = bmDDB;
        FPixelFormat = pfDevice;
        FMonochrome = value;
        return;
    }
    HandleNeeded();
    NewImage(FWidth, FHeight, pfDevice, bmDDB, value);
    Changed(this);
}

void* TBitmap::ScanLine(int row) {
    if (row < 0 || row >= FHeight || Empty()) throw EInvalidGraphicOperation(kScanLineRange);
    if (FHandleType == bmDDB) SetHandleType(bmDIB);
    HandleNeeded();
    if (!FBits) throw EInvalidGraphicOperation(kScanLineRange);
    GdiFlush();
    const size_t index = FTopDown ? static_cast<size_t>(row) : static_cast<size_t>(FHeight - 1 - row);
    return FBits + index * FStride;
}

std::vector<uint32_t> TBitmap::ColorTable() {
    const int bits = BitsOf(FPixelFormat);
    if (FHandleType != bmDIB || bits == 0 || bits > 8 || !FHandle) return {};
    if (FCanvas) FCanvas->DeselectBitmap();
    std::vector<uint32_t> table(size_t{1} << bits, 0);
    TSelectedBitmap selected(FHandle.get());
    GetDIBColorTable(selected.dc(), 0, static_cast<UINT>(table.size()), reinterpret_cast<RGBQUAD*>(table.data()));
    return table;
}

void TBitmap::SetColorTable(const std::vector<uint32_t>& table) {
    if (FCanvas) FCanvas->DeselectBitmap();
    TSelectedBitmap selected(FHandle.get());
    SetDIBColorTable(selected.dc(), 0, static_cast<UINT>(table.size()), reinterpret_cast<const RGBQUAD*>(table.data()));
}

HPALETTE TBitmap::Palette() {
    const int bits = BitsOf(FPixelFormat);
    if (!FPalette && FHandleType == bmDIB && bits >= 1 && bits <= 8 && !Empty()) {
        const std::vector<uint32_t> table = FDormant ? FDormant->ColorTable : (HandleNeeded(), ColorTable());
        if (!table.empty()) {
            std::vector<BYTE> buffer(sizeof(LOGPALETTE) + table.size() * sizeof(PALETTEENTRY));
            auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
            log->palVersion = 0x300;
            log->palNumEntries = static_cast<WORD>(table.size());
            for (size_t i = 0; i < table.size(); ++i) {
                log->palPalEntry[i].peRed = static_cast<BYTE>(table[i] >> 16);
                log->palPalEntry[i].peGreen = static_cast<BYTE>(table[i] >> 8);
                log->palPalEntry[i].peBlue = static_cast<BYTE>(table[i]);
                log->palPalEntry[i].peFlags = 0;
            }
            FPalette.reset(CreatePalette(log));
        }
    }
    return FPalette.get();
}

void TBitmap::SetPalette(HPALETTE palette) {
    if (palette && palette == FPalette.get()) return;
    if (FCanvas) FCanvas->DeselectBitmap();
    FPalette.reset(palette);
    const int bits = BitsOf(FPixelFormat);
    if (palette && FHandleType == bmDIB && bits >= 1 && bits <= 8 && HandleNeeded())
        SetColorTable(PaletteTable(palette, bits));
    Changed(this);
}

HPALETTE TBitmap::ReleasePalette() {
    if (FCanvas) FCanvas->DeselectBitmap();
    return FPalette.release();
}

TColor TBitmap::TransparentColor() {
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
    if ((FHandleType == bmDDB && FMonochrome) || Empty()) return clWhite;
    return Canvas()->Pixels(0, FHeight - 1) & 0xFFFFFF;
}

void TBitmap::SetTransparentColor(TColor color) {
    if (color == FTransparentColor) return;
    FTransparentColor = color;
    FTransparentMode = color == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == FTransparentMode) return;
    if (mode == tmAuto)
        SetTransparentColor(clDefault);
    else
        SetTransparentColor(TransparentColor());
}

TBitmapHandle TBitmap::MakeMask(TColor color) {
    if (!HandleNeeded()) return {};
    TBitmapHandle mask(CreateBitmap(FWidth, FHeight, 1, 1, nullptr));
    if (!mask) throw EOutOfResources(kOutOfResources);
    const COLORREF rgb = static_cast<COLORREF>(ColorToRGB(color)) & 0xFFFFFF;
    const int bits = BitsOf(FPixelFormat);
    if (FHandleType == bmDIB && bits >= 1 && bits <= 8 && FBits) {
        // Indexed pixels are matched through the colour table here: how the
        // platform turns them into monochrome differs (a 1-bit section's bits
        // are copied as they are).
        const std::vector<uint32_t> table = ColorTable();
        bool matches[256] = {};
        for (size_t i = 0; i < table.size(); ++i)
            matches[i] = QuadOf(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)) == (table[i] & 0xFFFFFF);
        TDibImage image;
        image.Width = FWidth;
        image.Height = FHeight;
        image.BitCount = 1;
        image.Bits.assign(image.Stride() * static_cast<size_t>(FHeight), 0);
        GdiFlush();
        for (int y = 0; y < FHeight; ++y) {
            const uint8_t* row = static_cast<const uint8_t*>(ScanLine(y));
            uint8_t* out = image.Row(y);
            for (int x = 0; x < FWidth; ++x) {
                const int bit = x * bits;
                const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (matches[index]) out[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        TBitmapInfo info{};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = FWidth;
        info.header.biHeight = FHeight;
        info.header.biPlanes = 1;
        info.header.biBitCount = 1;
        info.header.biCompression = BI_RGB;
        info.colors[1] = {255, 255, 255, 0};
        TScreenDC screen;
        SetDIBits(screen.get(), mask.get(), 0, static_cast<UINT>(FHeight), image.Bits.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        return mask;
    }
    if (FCanvas) FCanvas->DeselectBitmap();
    TSelectedBitmap target(mask.get());
    TSelectedBitmap source(FHandle.get());
    if (FHandleType == bmDDB && FMonochrome) {
        // Monochrome to monochrome copies bits: white is 1 already.
        const DWORD rop = rgb == 0xFFFFFF ? SRCCOPY : rgb == 0 ? NOTSRCCOPY : BLACKNESS;
        BitBlt(target.dc(), 0, 0, FWidth, FHeight, source.dc(), 0, 0, rop);
    } else {
        // Colour to monochrome: pixels of the background colour turn white.
        SetBkColor(source.dc(), rgb);
        BitBlt(target.dc(), 0, 0, FWidth, FHeight, source.dc(), 0, 0, SRCCOPY);
    }
    return mask;
}

HBITMAP TBitmap::MaskHandle() {
    FMask = MakeMask(TransparentColor());
    return FMask.get();
}

void TBitmap::Mask(TColor transparentColor) {
    TBitmapHandle mask = MakeMask(transparentColor);
    if (!mask) return;
    if (FCanvas) FCanvas->DeselectBitmap();
    FPalette.reset();
    FHandleType = bmDDB;
    FPixelFormat = pfDevice;
    FMonochrome = true;
    ReplaceHandle(mask.release());
    Changed(this);
}

void TBitmap::Dormant() {
    if (!FHandle) return;
    auto image = std::make_unique<TDibImage>(ToDib());
    if (FCanvas) FCanvas->FreeContext();
    FHandle.reset();
    FBits = nullptr;
    FMask.reset();
    FDormant = std::move(image);
}

void TBitmap::FreeImage() {
    if (FDormant) HandleNeeded();
}

TDibImage TBitmap::ToDib() {
    if (FDormant) return *FDormant;
    TDibImage image;
    if (Empty() || !HandleNeeded()) return image;
    image.Width = FWidth;
    image.Height = FHeight;
    if (FHandleType == bmDIB && FBits && BitsOf(FPixelFormat) != 0) {
        image.BitCount = static_cast<uint16_t>(BitsOf(FPixelFormat));
        image.Is565 = FPixelFormat == pf16bit;
        image.ColorTable = ColorTable();
        GdiFlush();
        const size_t stride = image.Stride();
        image.Bits.resize(stride * static_cast<size_t>(FHeight));
        for (int y = 0; y < FHeight; ++y) {
            const uint8_t* source = FBits + (FTopDown ? static_cast<size_t>(FHeight - 1 - y) : static_cast<size_t>(y)) * FStride;
            std::memcpy(image.Bits.data() + static_cast<size_t>(y) * stride, source, std::min(stride, FStride));
        }
        return image;
    }
    image.BitCount = FMonochrome ? 1 : 24;
    image.Bits.resize(image.Stride() * static_cast<size_t>(FHeight));
    TBitmapInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = FWidth;
    info.header.biHeight = FHeight;
    info.header.biPlanes = 1;
    info.header.biBitCount = image.BitCount;
    info.header.biCompression = BI_RGB;
    // The bitmap may not stay selected anywhere while its bits are read.
    if (FCanvas) FCanvas->DeselectBitmap();
    TScreenDC screen;
    GetDIBits(screen.get(), FHandle.get(), 0, static_cast<UINT>(FHeight), image.Bits.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    if (FMonochrome) image.ColorTable = {QuadOf(0, 0, 0), QuadOf(255, 255, 255)};
    return image;
}

void TBitmap::SetDib(const TDibImage& image) {
    if (image.Empty()) {
        if (FCanvas) FCanvas->DeselectBitmap();
        FHandle.reset();
        FDormant.reset();
        FBits = nullptr;
        FWidth = FHeight = 0;
        return;
    }
    const TPixelFormat format = FormatOf(image.BitCount, image.Is565);
    if (format == pfCustom) throw EInvalidGraphic(kInvalidPixelFormat);
    const size_t stride = image.Stride();
    if (image.Bits.size() < stride * static_cast<size_t>(image.Height)) throw EInvalidGraphic(kInvalidBitmap);
    void* pixels = nullptr;
    TBitmapHandle fresh(CreateSection(image.Width, image.Height, image.BitCount, image.Is565, image.ColorTable, &pixels));
    std::memcpy(pixels, image.Bits.data(), stride * static_cast<size_t>(image.Height));

    FDormant.reset();
    FHandleType = bmDIB;
    FPixelFormat = format;
    FMonochrome = false;
    FWidth = image.Width;
    FHeight = image.Height;
    ReplaceHandle(fresh.release());
}

void TBitmap::LoadFromDib(const TDibImage& image) {
    if (FCanvas) FCanvas->DeselectBitmap();
    FPalette.reset();
    SetDib(image);
    Changed(this);
}

void TBitmap::LoadFromStream(TStream* stream) {
    if (stream->Position() >= stream->Size()) {
        LoadFromDib(TDibImage{});
        return;
    }
    LoadFromDib(ReadBmpFile(stream));
}

void TBitmap::SaveToStream(TStream* stream) {
    if (Empty()) return;
    WriteBmpFile(stream, ToDib());
}

void TBitmap::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (!Source) {
        LoadFromDib(TDibImage{});
        return;
    }
    auto* source = dynamic_cast<TBitmap*>(Source);
    if (!source) {
        TGraphic::Assign(Source);
        return;
    }
    if (FCanvas) FCanvas->DeselectBitmap();
    FPalette.reset();
    if (source->Empty()) {
        SetDib(TDibImage{});
        FWidth = source->FWidth;
        FHeight = source->FHeight;
        FPixelFormat = source->FPixelFormat;
        FHandleType = source->FHandleType;
        FMonochrome = source->FMonochrome;
    } else {
        SetDib(source->ToDib());
        if (source->FHandleType == bmDDB) NewImage(FWidth, FHeight, pfDevice, bmDDB, source->FMonochrome);
    }
    FPalette.reset(source->FPalette ? CopyPaletteHandle(source->FPalette.get()) : nullptr);
    FTransparent = source->FTransparent;
    FTransparentColor = source->FTransparentColor;
    FTransparentMode = source->FTransparentMode;
    Changed(this);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
    if (Empty()) return;
    HDC dest = canvas->Handle();
    HDC source = Canvas()->Handle();
    HPALETTE oldPalette = nullptr;
    if (FPalette) {
        oldPalette = SelectPalette(dest, FPalette.get(), TRUE);
        RealizePalette(dest);
    }
    const bool monochrome = Monochrome();
    const int oldMode = SetStretchBltMode(dest, monochrome ? BLACKONWHITE : COLORONCOLOR);
    // Monochrome pixels take the destination's text (0) and background (1) colours.
    const COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dest, RGB(255, 255, 255));
    if (Transparent()) {
        TBitmapHandle mask = MakeMask(TransparentColor());
        source = Canvas()->Handle();  // the mask was made with the bitmap out of the canvas
        TSelectedBitmap maskDC(mask.get());
        TransparentStretchBlt(dest, rect.Left, rect.Top, rect.Width(), rect.Height(), source, 0, 0, FWidth, FHeight,
                              maskDC.dc(), 0, 0);
    } else {
        StretchBlt(dest, rect.Left, rect.Top, rect.Width(), rect.Height(), source, 0, 0, FWidth, FHeight,
                   canvas->CopyMode());
    }
    SetTextColor(dest, oldText);
    SetBkColor(dest, oldBack);
    SetStretchBltMode(dest, oldMode);
    if (oldPalette) SelectPalette(dest, oldPalette, TRUE);
}

void TransparentStretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                           HDC mask, int mx, int my) {
    // dest ^ source, then cleared where the mask is black, then ^ source again:
    // source where the mask is black, the old destination where it is white.
    const COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dest, RGB(255, 255, 255));
    const int oldMode = SetStretchBltMode(dest, COLORONCOLOR);
    StretchBlt(dest, x, y, width, height, source, sx, sy, sw, sh, SRCINVERT);
    StretchBlt(dest, x, y, width, height, mask, mx, my, sw, sh, SRCAND);
    StretchBlt(dest, x, y, width, height, source, sx, sy, sw, sh, SRCINVERT);
    SetStretchBltMode(dest, oldMode);
    SetTextColor(dest, oldText);
    SetBkColor(dest, oldBack);
}
