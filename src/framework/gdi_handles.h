// GDI handles: their types without windows.h, a count of what the framework
// has made (under Wine GetGuiResources answers 0, so tests check for leaks
// against these counts), and the one RAII holder every handle lives in.
#pragma once

#include <string>
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

// Windows refuses to delete a font, pen, brush, bitmap or palette that is
// still selected into a device context, and the object is lost; Wine deletes
// it anyway, so nothing here would show the leak. With a handler set (the
// test programs set one), the holders below check every object they delete
// against the memory DCs held in a TMemoryDC, and a still-selected one calls
// the handler with its kind and the place its holder took it.
using TGdiRuleHandler = void (*)(const std::string& message);
// The caller's file and line, taken as a default argument (the builtins
// work with every compiler the code is built with, natively as well).
struct TCodePlace {
    const char* File = "";
    unsigned Line = 0;
    static constexpr TCodePlace Here(const char* file = __builtin_FILE(), unsigned line = __builtin_LINE()) {
        return TCodePlace{file, line};
    }
};
// Returns the handler it replaces.
TGdiRuleHandler SetGdiRuleHandler(TGdiRuleHandler handler);
// Called by the holders: the object is about to be deleted.
void CheckGdiObjectFree(TGuiResource kind, const void* object, const TCodePlace& taken);
// Called by the memory DC holder: the DC is made or about to be deleted.
void WatchMemoryDC(HDC dc);
void UnwatchMemoryDC(HDC dc);

// Owns one handle and counts it while it owns it.
template <class H, TGuiResource Kind>
class TGdiHandle {
public:
    TGdiHandle() = default;
    explicit TGdiHandle(H h, TCodePlace taken = TCodePlace::Here()) { reset(h, taken); }
    TGdiHandle(const TGdiHandle&) = delete;
    TGdiHandle& operator=(const TGdiHandle&) = delete;
    TGdiHandle(TGdiHandle&& other) noexcept
        : FHandle(std::exchange(other.FHandle, nullptr)), FTaken(other.FTaken) {}
    TGdiHandle& operator=(TGdiHandle&& other) noexcept {
        if (this != &other) {
            reset();
            FHandle = std::exchange(other.FHandle, nullptr);
            FTaken = other.FTaken;
        }
        return *this;
    }
    ~TGdiHandle() { reset(); }

    H get() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }

    void reset(H h = nullptr, TCodePlace taken = TCodePlace::Here()) {
        if (FHandle == h) return;
        if (FHandle) {
            if constexpr (Kind == TGuiResource::DC) UnwatchMemoryDC(FHandle);
            else CheckGdiObjectFree(Kind, FHandle, FTaken);
            DestroyGdiHandle(FHandle);
            GuiResourceDestroyed(Kind);
        }
        FHandle = h;
        FTaken = taken;
        if (FHandle) {
            GuiResourceCreated(Kind);
            if constexpr (Kind == TGuiResource::DC) WatchMemoryDC(FHandle);
        }
    }
    // Hands the handle over to a caller who destroys it; it is no longer counted.
    H release() {
        if (FHandle) {
            GuiResourceDestroyed(Kind);
            if constexpr (Kind == TGuiResource::DC) UnwatchMemoryDC(FHandle);
        }
        return std::exchange(FHandle, nullptr);
    }

private:
    H FHandle = nullptr;
    TCodePlace FTaken;
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

// A memory DC compatible with `like` and a bitmap of its own selected into it;
// the bitmap leaves the DC before either is deleted. Either may be missing
// when the system had none to give (test with operator bool).
class TBitmapDC {
public:
    TBitmapDC(HDC like, HBITMAP bitmap, TCodePlace taken = TCodePlace::Here());
    ~TBitmapDC();
    TBitmapDC(const TBitmapDC&) = delete;
    TBitmapDC& operator=(const TBitmapDC&) = delete;
    HDC get() const { return FDC.get(); }
    HBITMAP Bitmap() const { return FBitmap.get(); }
    explicit operator bool() const { return FDC && FBitmap; }

private:
    TBitmapHandle FBitmap;
    TMemoryDC FDC;
    void* FOld = nullptr;
};

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
