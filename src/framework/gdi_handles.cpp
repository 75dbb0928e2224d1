#include "framework/gdi_handles.h"

#include <array>
#include <vector>

#include "framework/win.h"

namespace {

// One user-interface thread: plain counters suffice.
std::array<int, static_cast<size_t>(TGuiResource::Window) + 1> gCounts{};

}  // namespace

int GuiResourceCount(TGuiResource kind) { return gCounts[static_cast<size_t>(kind)]; }
void GuiResourceCreated(TGuiResource kind) { ++gCounts[static_cast<size_t>(kind)]; }
void GuiResourceDestroyed(TGuiResource kind) { --gCounts[static_cast<size_t>(kind)]; }

void DestroyGdiHandle(HFONT h) { DeleteObject(h); }
void DestroyGdiHandle(HPEN h) { DeleteObject(h); }
void DestroyGdiHandle(HBRUSH h) { DeleteObject(h); }
void DestroyGdiHandle(HBITMAP h) { DeleteObject(h); }
void DestroyGdiHandle(HPALETTE h) { DeleteObject(h); }
void DestroyGdiHandle(HRGN h) { DeleteObject(h); }
void DestroyGdiHandle(HDC h) { DeleteDC(h); }
void DestroyGdiHandle(HENHMETAFILE h) { DeleteEnhMetaFile(h); }
void DestroyGdiHandle(HICON h) { DestroyIcon(h); }

TScreenDC::TScreenDC() : FDC(GetDC(nullptr)) {
    if (FDC) GuiResourceCreated(TGuiResource::DC);
}

TScreenDC::~TScreenDC() {
    if (FDC) {
        ReleaseDC(nullptr, FDC);
        GuiResourceDestroyed(TGuiResource::DC);
    }
}

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        TScreenDC dc;
        const int value = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
        return value > 0 ? value : 96;
    }();
    return ppi;
}

int ScreenColorBits() {
    TScreenDC dc;
    if (!dc.get()) return 24;
    return GetDeviceCaps(dc.get(), BITSPIXEL) * GetDeviceCaps(dc.get(), PLANES);
}

HPALETTE CopyPaletteHandle(HPALETTE palette) {
    if (!palette) return nullptr;
    WORD count = 0;
    if (GetObjectW(palette, sizeof(count), &count) == 0 || count == 0) return nullptr;
    std::vector<BYTE> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = count;
    GetPaletteEntries(palette, 0, count, log->palPalEntry);
    return CreatePalette(log);
}
