#include "framework/gdi_handles.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "framework/win.h"

namespace {

// One user-interface thread: plain counters suffice.
std::array<int, static_cast<size_t>(TGuiResource::Window) + 1> gCounts{};

TGdiRuleHandler gRuleHandler = nullptr;
std::vector<HDC> gMemoryDCs;

// The GetCurrentObject type of a kind that can be selected; 0 for the others
// (a region is copied when selected, so it may always be deleted).
UINT SelectableType(TGuiResource kind) {
    switch (kind) {
        case TGuiResource::Font: return OBJ_FONT;
        case TGuiResource::Pen: return OBJ_PEN;
        case TGuiResource::Brush: return OBJ_BRUSH;
        case TGuiResource::Bitmap: return OBJ_BITMAP;
        case TGuiResource::Palette: return OBJ_PAL;
        default: return 0;
    }
}

const char* KindName(TGuiResource kind) {
    switch (kind) {
        case TGuiResource::Font: return "font";
        case TGuiResource::Pen: return "pen";
        case TGuiResource::Brush: return "brush";
        case TGuiResource::Bitmap: return "bitmap";
        default: return "palette";
    }
}

}  // namespace

TGdiRuleHandler SetGdiRuleHandler(TGdiRuleHandler handler) { return std::exchange(gRuleHandler, handler); }

void WatchMemoryDC(HDC dc) { gMemoryDCs.push_back(dc); }

void UnwatchMemoryDC(HDC dc) {
    auto it = std::find(gMemoryDCs.rbegin(), gMemoryDCs.rend(), dc);
    if (it != gMemoryDCs.rend()) gMemoryDCs.erase(std::next(it).base());
}

void CheckGdiObjectFree(TGuiResource kind, const void* object, const TCodePlace& taken) {
    const UINT type = SelectableType(kind);
    if (!gRuleHandler || type == 0) return;
    // A hollow brush or pen may come back as the stock object, which is never
    // deleted and may stay selected.
    for (int stock = WHITE_BRUSH; stock <= DC_PEN; ++stock)
        if (GetStockObject(stock) == object) return;
    for (HDC dc : gMemoryDCs) {
        if (GetCurrentObject(dc, type) != object) continue;
        std::string file = taken.File;
        for (const char* root : {"/src/", "/tests/", "/bench/"})
            if (const size_t at = file.rfind(root); at != std::string::npos) file.erase(0, at + 1);
        gRuleHandler(std::string(KindName(kind)) + " deleted while still selected into a memory DC; its holder took it at " +
                     file + ":" + std::to_string(taken.Line));
        return;
    }
}

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

TBitmapDC::TBitmapDC(HDC like, HBITMAP bitmap, TCodePlace taken)
    : FBitmap(bitmap, taken), FDC(CreateCompatibleDC(like), taken) {
    if (FDC && FBitmap) FOld = SelectObject(FDC.get(), FBitmap.get());
}

TBitmapDC::~TBitmapDC() {
    if (FOld) SelectObject(FDC.get(), FOld);
}

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
