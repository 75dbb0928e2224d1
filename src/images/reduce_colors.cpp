#include "images/reduce_colors.h"

#include "images/engine_palette.h"

#include "framework/win.h"

namespace {

const char kInvalidPixelFormat[] = "Invalid pixel format";
const char kBitmapNotValid[] = "Bitmap image is not valid";

// Palette entries as red + green * 256 + blue * 65536.
std::vector<uint32_t> PaletteColors(HPALETTE palette) {
    std::vector<uint32_t> colors;
    if (!palette) return colors;
    PALETTEENTRY entries[256];
    UINT count = GetPaletteEntries(palette, 0, 256, entries);
    for (UINT i = 0; i < count; ++i)
        colors.push_back(entries[i].peRed | (entries[i].peGreen << 8) | (entries[i].peBlue << 16));
    return colors;
}

std::vector<uint32_t> StaticColors() { return PaletteColors(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE))); }

std::vector<uint32_t> OptimizedColors(TBitmap* bitmap, int colors, int colorBits, bool withStaticColors) {
    TDIBReader reader(bitmap, pf24bit);
    std::vector<uint32_t> result;
    std::vector<uint32_t> fixed = withStaticColors ? StaticColors() : std::vector<uint32_t>{};
    if (withStaticColors && fixed.size() == 20) {
        TColorQuantizer quantizer(236, colorBits);
        quantizer.ScanImage(reader);
        result.assign(256, 0);
        for (int i = 0; i < 10; ++i) {
            result[static_cast<size_t>(i)] = fixed[static_cast<size_t>(i)];
            result[static_cast<size_t>(246 + i)] = fixed[static_cast<size_t>(10 + i)];
        }
        std::vector<uint32_t> table = quantizer.BuildColorTable();
        for (size_t i = 0; i < table.size() && i < 236; ++i) {
            uint32_t q = table[i];  // blue, green, red quads to palette order
            result[10 + i] = ((q >> 16) & 0xFF) | (q & 0xFF00) | ((q & 0xFF) << 16);
        }
        return result;
    }
    TColorQuantizer quantizer(colors, colorBits);
    quantizer.ScanImage(reader);
    result.assign(static_cast<size_t>(std::max(colors, 0)), 0);
    std::vector<uint32_t> table = quantizer.BuildColorTable();
    for (size_t i = 0; i < table.size() && i < result.size(); ++i) {
        uint32_t q = table[i];
        result[i] = ((q >> 16) & 0xFF) | (q & 0xFF00) | ((q & 0xFF) << 16);
    }
    return result;
}

// The document engine's screen palette: its entries while there is one (an
// 8-bit screen), else the same layout over no system colours.
std::vector<uint32_t> ScreenPaletteColors() {
    if (!ThePalette) return EnginePaletteColors({});
    PALETTEENTRY entries[256];
    const UINT count = GetPaletteEntries(ThePalette, 0, 256, entries);
    std::vector<uint32_t> colors;
    for (UINT i = 0; i < count; ++i)
        colors.push_back(entries[i].peRed | (entries[i].peGreen << 8) | (entries[i].peBlue << 16));
    return colors;
}

}  // namespace

TDIBReader::TDIBReader(TBitmap* bitmap, TPixelFormat format) : TDIB(bitmap, format) {
    if (!bitmap) throw GIFException(kBitmapNotValid);
    if (format != pf1bit && format != pf4bit && format != pf8bit && format != pf24bit)
        throw GIFException(kInvalidPixelFormat);
    if (bitmap->PixelFormat() != format) bitmap->SetPixelFormat(format);
}

void* TDIBReader::RowAddress(int row) { return FBitmap->ScanLine(row); }

TDIBWriter::TDIBWriter(TBitmap* bitmap, TPixelFormat format) : TDIB(bitmap, format) {
    if (!bitmap) throw GIFException(kBitmapNotValid);
    if (format != pf1bit && format != pf4bit && format != pf8bit && format != pf24bit)
        throw GIFException(kInvalidPixelFormat);
}

void* TDIBWriter::RowAddress(int row) {
    if (row < 0 || row >= FBitmap->Height()) throw EInvalidGraphicOperation("Scan line index out of range");
    return FBitmap->ScanLine(row);
}

HPALETTE WebPalette() { return MakePalette(WebPaletteColors()); }

HPALETTE OptimizedPalette(TBitmap* bitmap, int colors, int colorBits, bool withStaticColors) {
    return MakePalette(OptimizedColors(bitmap, colors, colorBits, withStaticColors));
}

TBitmap* ReduceColors(TBitmap* bitmap, TColorReduction mode, TDitherMode dither) {
    owned_ptr<TBitmap> result(new TBitmap);
    if (mode == rmNone) {
        result->Assign(bitmap);
        result->SetPixelFormat(pf24bit);
        return result.release();
    }
    TDIBReader reader(bitmap, pf24bit);

    std::vector<uint32_t> colors;
    switch (mode) {
        case rmWindows20: colors = StaticColors(); break;
        case rmNetscape: colors = WebPaletteColors(); break;
        case rmMyPalette: colors = ScreenPaletteColors(); break;
        case rmQuantizeWindows: colors = OptimizedColors(bitmap, 256, 8, true); break;
        case rmWindows256:
        case rmNone: break;
    }
    // The result: 8 bits per pixel with the palette as its colour table.
    TDibImage blank;
    blank.Width = bitmap->Width();
    blank.Height = bitmap->Height();
    blank.BitCount = 8;
    for (uint32_t c : colors) blank.ColorTable.push_back(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
    if (blank.ColorTable.empty()) blank.ColorTable.assign(256, 0);
    blank.Bits.assign(blank.Stride() * static_cast<size_t>(std::max(blank.Height, 0)), 0);
    if (!blank.Empty()) result->LoadFromDib(blank);

    std::unique_ptr<TColorLookup> lookup;
    if (mode == rmNetscape)
        lookup = std::make_unique<TNetscapeColorLookup>();
    else
        lookup = std::make_unique<TFastColorLookup>(colors);
    if (lookup->Colors() == 0 || blank.Empty()) return result.release();

    std::unique_ptr<TDitherEngine> engine;
    if (dither == dmFloydSteinberg)
        engine = std::make_unique<TFloydSteinbergEngine>(lookup.get(), bitmap->Width());
    else
        engine = std::make_unique<TDitherEngine>(lookup.get(), bitmap->Width());
    TDIBWriter writer(result.get(), pf8bit);
    DitherRows(reader, *engine, [&](int y) { return static_cast<uint8_t*>(writer.RowAddress(y)); });
    return result.release();
}

TBitmap* GetBitmap(TGraphic* source) {
    auto* bitmap = dynamic_cast<TBitmap*>(source);
    if (!bitmap || bitmap->Empty()) return nullptr;
    if (bitmap->PixelFormat() == pfDevice) {
        owned_ptr<TBitmap> copy(new TBitmap);
        copy->Assign(bitmap);
        return copy.release();
    }
    return ReduceColors(bitmap, ScreenColorBits() < 8 ? rmWindows20 : rmMyPalette, dmFloydSteinberg);
}
