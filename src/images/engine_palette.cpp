#include "images/engine_palette.h"

#include "framework/win.h"

uint8_t ColorBits = 24;
HPALETTE ThePalette = nullptr;

namespace {

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

}  // namespace

HPALETTE MakePalette(const std::vector<uint32_t>& colors) {
    if (colors.empty()) return nullptr;
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + colors.size() * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(colors.size());
    for (size_t i = 0; i < colors.size(); ++i) {
        log->palPalEntry[i].peRed = static_cast<BYTE>(colors[i]);
        log->palPalEntry[i].peGreen = static_cast<BYTE>(colors[i] >> 8);
        log->palPalEntry[i].peBlue = static_cast<BYTE>(colors[i] >> 16);
        log->palPalEntry[i].peFlags = 0;
    }
    // A raw handle: the holder that adopts it counts it.
    return CreatePalette(log);
}

uint8_t ColorBitsOfDepth(int bitsTimesPlanes) {
    if (bitsTimesPlanes <= 4) return 4;
    return bitsTimesPlanes <= 8 ? 8 : 24;
}

std::vector<uint32_t> EnginePaletteColors(const std::vector<uint32_t>& systemColors) {
    std::vector<uint32_t> colors(256, 0);
    for (size_t i = 0; i < colors.size() && i < systemColors.size(); ++i) colors[i] = systemColors[i];
    static const uint32_t kLevels[6] = {55, 115, 165, 205, 235, 255};
    size_t at = 10;
    for (uint32_t b : kLevels)
        for (uint32_t g : kLevels)
            for (uint32_t r : kLevels)
                if (r != 255 || g != 255 || b != 255) colors[at++] = Rgb(r, g, b);
    for (uint32_t grey = 135; grey <= 245; grey += 5)
        if (grey != 165 && grey != 205 && grey != 235) colors[at++] = Rgb(grey, grey, grey);
    colors[at] = Rgb(255, 255, 254);  // entry 245
    return colors;
}

void InitEnginePalette() {
    HDC dc = GetDC(nullptr);
    ColorBits = ColorBitsOfDepth(GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES));
    if (ColorBits == 8 && !ThePalette) {
        PALETTEENTRY entries[256]{};
        const UINT got = GetSystemPaletteEntries(dc, 0, 256, entries);
        std::vector<uint32_t> system;
        for (UINT i = 0; i < got && i < 256; ++i)
            system.push_back(Rgb(entries[i].peRed, entries[i].peGreen, entries[i].peBlue));
        ThePalette = MakePalette(EnginePaletteColors(system));
    }
    ReleaseDC(nullptr, dc);
}

void DoneEnginePalette() {
    if (!ThePalette) return;
    DeleteObject(ThePalette);
    ThePalette = nullptr;
}

HPALETTE CopyPalette(HPALETTE palette) {
    if (ColorBits > 8 || !palette) return nullptr;
    PALETTEENTRY entries[256];
    const UINT count = GetPaletteEntries(palette, 0, 256, entries);
    std::vector<uint32_t> colors;
    for (UINT i = 0; i < count; ++i) colors.push_back(Rgb(entries[i].peRed, entries[i].peGreen, entries[i].peBlue));
    return MakePalette(colors);
}

void SetGlobalPalette(HPALETTE) {}
