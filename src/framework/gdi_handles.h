// GDI handles: their types without windows.h, a count of what the framework
// has made (under Wine GetGuiResources answers 0, so tests check for leaks
// against these counts), and the one RAII holder every handle lives in.
#pragma once

#include <utility>

// The platform's strict handle types, declared as windows.h declares them.
struct HDC__;
struct HFONT__;
struct HPEN__;
struct HBRUSH__;
struct HBITMAP__;
struct HPALETTE__;
struct HRGN__;
struct HENHMETAFILE__;
struct HICON__;
struct HWND__;
typedef HDC__* HDC;
typedef HFONT__* HFONT;
typedef HPEN__* HPEN;
typedef HBRUSH__* HBRUSH;
typedef HBITMAP__* HBITMAP;
typedef HPALETTE__* HPALETTE;
typedef HRGN__* HRGN;
typedef HENHMETAFILE__* HENHMETAFILE;
typedef HICON__* HICON;
typedef HWND__* HWND;

enum class TGuiResource { Font, Pen, Brush, Bitmap, Palette, Region, DC, Metafile, Icon, Window };

// How many objects of the kind the framework has made and not yet destroyed.
int GuiResourceCount(TGuiResource kind);
// For code that makes or destroys such objects outside a holder (windows).
void GuiResourceCreated(TGuiResource kind);
void GuiResourceDestroyed(TGuiResource kind);

// Destroy with the call that fits the handle (DeleteObject, DeleteDC for
// memory DCs, DeleteEnhMetaFile, DestroyIcon).
void DestroyGdiHandle(HFONT h);
void DestroyGdiHandle(HPEN h);
void DestroyGdiHandle(HBRUSH h);
void DestroyGdiHandle(HBITMAP h);
void DestroyGdiHandle(HPALETTE h);
void DestroyGdiHandle(HRGN h);
void DestroyGdiHandle(HDC h);
void DestroyGdiHandle(HENHMETAFILE h);
void DestroyGdiHandle(HICON h);

// Owns one handle and counts it while it owns it.
template <class H, TGuiResource Kind>
class TGdiHandle {
public:
    TGdiHandle() = default;
    explicit TGdiHandle(H h) { reset(h); }
    TGdiHandle(const TGdiHandle&) = delete;
    TGdiHandle& operator=(const TGdiHandle&) = delete;
    TGdiHandle(TGdiHandle&& other) noexcept : FHandle(other.FHandle) { other.FHandle = nullptr; }
    TGdiHandle& operator=(TGdiHandle&& other) noexcept {
        if (this != &other) {
            reset();
            FHandle = std::exchange(other.FHandle, nullptr);
        }
        return *this;
    }
    ~TGdiHandle() { reset(); }

    H get() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }

    void reset(H h = nullptr) {
        if (FHandle == h) return;
        if (FHandle) {
            DestroyGdiHandle(FHandle);
            GuiResourceDestroyed(Kind);
        }
        FHandle = h;
        if (FHandle) GuiResourceCreated(Kind);
    }
    // Hands the handle over to a caller who destroys it; it is no longer counted.
    H release() {
        if (FHandle) GuiResourceDestroyed(Kind);
        return std::exchange(FHandle, nullptr);
    }

private:
    H FHandle = nullptr;
};

using TFontHandle = TGdiHandle<HFONT, TGuiResource::Font>;
using TPenHandle = TGdiHandle<HPEN, TGuiResource::Pen>;
using TBrushHandle = TGdiHandle<HBRUSH, TGuiResource::Brush>;
using TBitmapHandle = TGdiHandle<HBITMAP, TGuiResource::Bitmap>;
using TPaletteHandle = TGdiHandle<HPALETTE, TGuiResource::Palette>;
using TRegionHandle = TGdiHandle<HRGN, TGuiResource::Region>;
using TMemoryDC = TGdiHandle<HDC, TGuiResource::DC>;
using TMetafileHandle = TGdiHandle<HENHMETAFILE, TGuiResource::Metafile>;
using TIconHandle = TGdiHandle<HICON, TGuiResource::Icon>;

// The screen's device context for as long as the object lives.
class TScreenDC {
public:
    TScreenDC();
    ~TScreenDC();
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    HDC get() const { return FDC; }

private:
    HDC FDC;
};

// Logical pixels per inch of the screen (vertical), read once.
int ScreenPixelsPerInch();
// Bits per pixel of the screen (planes times bits).
int ScreenColorBits();

// A new palette with the entries of the given one (none for none).
HPALETTE CopyPaletteHandle(HPALETTE palette);
