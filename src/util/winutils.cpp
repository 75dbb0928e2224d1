#include "util/winutils.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/icon.h"
#include "framework/sysutils.h"
#include "framework/win.h"

#include <commctrl.h>

namespace {

constexpr char SNotImplemented[] = "This function is not implemented yet";

bool IsNumericName(TResourceName name) {
    return reinterpret_cast<uintptr_t>(name) < 65536;
}

// A memory DC with one bitmap selected for as long as the holder lives.
class SelectedBitmapDC {
public:
    SelectedBitmapDC(HDC compatible, HBITMAP bitmap) : dc_(CreateCompatibleDC(compatible)), bitmap_(bitmap) {
        old_ = SelectObject(dc_, bitmap_);
    }
    ~SelectedBitmapDC() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    SelectedBitmapDC(const SelectedBitmapDC&) = delete;
    SelectedBitmapDC& operator=(const SelectedBitmapDC&) = delete;
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// A monochrome bitmap white where the source has `color` (a COLORREF), black elsewhere.
HBITMAP MakeMonoMask(HDC source, int sx, int sy, int w, int h, COLORREF color) {
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HDC dc = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(dc, mask);
    COLORREF oldBack = SetBkColor(source, color);
    BitBlt(dc, 0, 0, w, h, source, sx, sy, SRCCOPY);
    SetBkColor(source, oldBack);
    SelectObject(dc, old);
    DeleteDC(dc);
    return mask;
}

COLORREF RGBOf(TColor color) {
    return static_cast<COLORREF>(ColorToRGB(color)) & 0x00FFFFFF;
}

}  // namespace

// ---------------------------------------------------------------------------
// Bitmaps and icons

void ResourceNotFound(TResourceName name) {
    std::string text = IsNumericName(name) ? std::to_string(reinterpret_cast<uintptr_t>(name)) : std::string(name);
    throw EResNotFound("Resource " + text + " not found");
}

TBitmap* MakeModuleBitmap(HINSTANCE module, TResourceName name) {
    auto bitmap = std::make_unique<TBitmap>();
    try {
        HBITMAP handle = nullptr;
        if (module) {
            handle = static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        } else {
            handle = LoadBitmapA(nullptr, name);
            if (!handle) ResourceNotFound(name);
        }
        if (!handle) return nullptr;
        bitmap->SetHandle(handle);
        return bitmap.release();
    } catch (...) {
        return nullptr;
    }
}

TBitmap* MakeBitmap(TResourceName name) {
    return MakeModuleBitmap(GetModuleHandleW(nullptr), name);
}

TBitmap* MakeBitmapID(unsigned id) {
    return MakeModuleBitmap(GetModuleHandleW(nullptr), ResourceId(id));
}

void AssignBitmapCell(TGraphic* source, TBitmap* dest, int cols, int rows, int index) {
    if (!source || !dest) return;
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    index = std::max(index, 0);
    const int cellWidth = source->Width() / cols;
    const int cellHeight = source->Height() / rows;
    const int left = (index % cols) * cellWidth;
    const int top = (index / cols) * cellHeight;
    dest->SetSize(cellWidth, cellHeight);
    const TRect cell = Rect(0, 0, cellWidth, cellHeight);
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        dest->Canvas()->CopyRect(cell, bitmap->Canvas(), Bounds(left, top, cellWidth, cellHeight));
        dest->SetTransparentColor(bitmap->TransparentColor() & ~0x02000000);
    } else {
        dest->Canvas()->Brush()->SetColor(clSilver);
        dest->Canvas()->FillRect(cell);
        dest->Canvas()->Draw(-left, -top, source);
    }
    dest->SetTransparent(source->Transparent());
}

void StretchBltTransparent(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh,
                           HPALETTE palette, TColor transparentColor, bool halftone) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    HPALETTE oldDestPalette = nullptr, oldSourcePalette = nullptr;
    if (palette) {
        oldDestPalette = SelectPalette(dest, palette, TRUE);
        RealizePalette(dest);
        oldSourcePalette = SelectPalette(source, palette, TRUE);
    }
    const COLORREF key = RGBOf(transparentColor) | 0x02000000;
    {
        SelectedBitmapDC mask(dest, MakeMonoMask(source, sx, sy, sw, sh, key));
        // The source with its transparent pixels black, to be or-ed over the hole.
        SelectedBitmapDC image(dest, CreateCompatibleBitmap(dest, sw, sh));
        SelectedBitmapDC result(dest, CreateCompatibleBitmap(dest, w, h));
        if (palette) {
            SelectPalette(mask.dc(), palette, TRUE);
            SelectPalette(image.dc(), palette, TRUE);
            SelectPalette(result.dc(), palette, TRUE);
        }
        BitBlt(image.dc(), 0, 0, sw, sh, source, sx, sy, SRCCOPY);
        SetBkColor(image.dc(), RGB(255, 255, 255));
        SetTextColor(image.dc(), RGB(0, 0, 0));
        BitBlt(image.dc(), 0, 0, sw, sh, mask.dc(), 0, 0, 0x00220326);  // DSna: black where the mask is white
        BitBlt(result.dc(), 0, 0, w, h, dest, x, y, SRCCOPY);
        SetBkColor(result.dc(), RGB(255, 255, 255));
        SetTextColor(result.dc(), RGB(0, 0, 0));
        SetStretchBltMode(result.dc(), COLORONCOLOR);
        StretchBlt(result.dc(), 0, 0, w, h, mask.dc(), 0, 0, sw, sh, SRCAND);
        if (halftone && (w != sw || h != sh)) {
            SetStretchBltMode(result.dc(), HALFTONE);
            SetBrushOrgEx(result.dc(), 0, 0, nullptr);
        }
        StretchBlt(result.dc(), 0, 0, w, h, image.dc(), 0, 0, sw, sh, SRCPAINT);
        BitBlt(dest, x, y, w, h, result.dc(), 0, 0, SRCCOPY);
    }
    if (palette) {
        SelectPalette(dest, oldDestPalette, TRUE);
        SelectPalette(source, oldSourcePalette, TRUE);
    }
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, TColor transparentColor) {
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof(info), &info)) return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    StretchBltTransparent(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth, info.bmHeight, nullptr,
                          transparentColor);
    SelectObject(source, old);
    DeleteDC(source);
}

void StretchBitmapRectTransparent(TCanvas* dest, int x, int y, int w, int h, const TRect& source, TBitmap* bitmap,
                                  TColor transparentColor) {
    if (!dest || !bitmap || bitmap->Empty()) return;
    if (w < 1) w = bitmap->Width();
    if (h < 1) h = bitmap->Height();
    TRect from = source;
    if (from.Width() < 1 || from.Height() < 1) from = Rect(0, 0, bitmap->Width(), bitmap->Height());
    HPALETTE palette = bitmap->Palette();
    const bool monochrome = bitmap->Monochrome();
    if (transparentColor == clNone) {
        HDC dc = dest->Handle();
        HDC src = bitmap->Canvas()->Handle();
        int oldMode = SetStretchBltMode(dc, monochrome ? BLACKONWHITE : HALFTONE);
        if (!monochrome) SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, x, y, w, h, src, from.Left, from.Top, from.Width(), from.Height(), dest->CopyMode());
        SetStretchBltMode(dc, oldMode);
        return;
    }
    if (transparentColor == clDefault) transparentColor = bitmap->Canvas()->Pixels(0, bitmap->Height() - 1);
    if (monochrome) transparentColor = clWhite;
    StretchBltTransparent(dest->Handle(), x, y, w, h, bitmap->Canvas()->Handle(), from.Left, from.Top, from.Width(),
                          from.Height(), palette, transparentColor, !monochrome);
}

void DrawBitmapRectTransparent(TCanvas* dest, int x, int y, const TRect& source, TBitmap* bitmap,
                               TColor transparentColor) {
    StretchBitmapRectTransparent(dest, x, y, source.Width(), source.Height(), source, bitmap, transparentColor);
}

void DrawBitmapTransparent(TCanvas* dest, int x, int y, TBitmap* bitmap, TColor transparentColor) {
    StretchBitmapRectTransparent(dest, x, y, 0, 0, TRect{}, bitmap, transparentColor);
}

TBitmap* ChangeBitmapColor(TBitmap* bitmap, TColor oldColor, TColor newColor) {
    auto result = std::make_unique<TBitmap>();
    result->SetSize(bitmap->Width(), bitmap->Height());
    const TRect all = Rect(0, 0, bitmap->Width(), bitmap->Height());
    result->Canvas()->Brush()->SetColor(newColor);
    result->Canvas()->FillRect(all);
    result->Canvas()->BrushCopy(all, bitmap, all, oldColor);
    return result.release();
}

TBitmap* CreateDisabledBitmapEx(TBitmap* bitmap, TColor transparentColor, TColor backColor, TColor highlightColor,
                                TColor shadowColor, bool drawHighlight) {
    const int w = bitmap->Width(), h = bitmap->Height();
    auto result = std::make_unique<TBitmap>();
    result->SetSize(w, h);
    TCanvas* canvas = result->Canvas();
    canvas->Brush()->SetColor(backColor);
    canvas->FillRect(Rect(0, 0, w, h));
    if (w <= 0 || h <= 0) return result.release();
    const COLORREF key = bitmap->Monochrome() ? RGB(255, 255, 255) : RGBOf(transparentColor);
    SelectedBitmapDC mask(canvas->Handle(), MakeMonoMask(bitmap->Canvas()->Handle(), 0, 0, w, h, key));
    HDC dc = canvas->Handle();
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    // PSDPxax: the brush where the mask is black (the image), the destination elsewhere.
    constexpr DWORD kPaintWhereBlack = 0x00B8074A;
    auto paint = [&](TColor color, int offset) {
        HBRUSH brush = CreateSolidBrush(RGBOf(color));
        HGDIOBJ old = SelectObject(dc, brush);
        BitBlt(dc, offset, offset, w, h, mask.dc(), 0, 0, kPaintWhereBlack);
        SelectObject(dc, old);
        DeleteObject(brush);
    };
    if (drawHighlight) paint(highlightColor, 1);
    paint(shadowColor, 0);
    return result.release();
}

TBitmap* CreateDisabledBitmap(TBitmap* bitmap, TColor transparentColor) {
    return CreateDisabledBitmapEx(bitmap, transparentColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

TBitmap* CreateTwoColorsBrushPattern(TColor color1, TColor color2) {
    auto result = std::make_unique<TBitmap>();
    result->SetSize(8, 8);
    TCanvas* canvas = result->Canvas();
    canvas->Brush()->SetColor(color1);
    canvas->FillRect(Rect(0, 0, 8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = y % 2; x < 8; x += 2) canvas->SetPixels(x, y, color2);
    return result.release();
}

TIcon* MakeModuleIcon(HINSTANCE module, TResourceName name) {
    HICON shared = LoadIconA(module, name);
    if (!shared) return nullptr;
    // A loaded icon is shared and never destroyed; the TIcon owns a copy.
    auto icon = std::make_unique<TIcon>();
    icon->SetHandle(CopyIcon(shared));
    return icon.release();
}

TIcon* MakeIcon(TResourceName name) {
    return MakeModuleIcon(GetModuleHandleW(nullptr), name);
}

TIcon* MakeIconID(unsigned id) {
    return MakeModuleIcon(GetModuleHandleW(nullptr), ResourceId(id));
}

TBitmap* CreateBitmapFromIcon(TIcon* icon, TColor backColor) {
    auto result = std::make_unique<TBitmap>();
    result->SetSize(icon->Width(), icon->Height());
    result->Canvas()->Brush()->SetColor(backColor);
    result->Canvas()->FillRect(Rect(0, 0, icon->Width(), icon->Height()));
    DrawIconEx(result->Canvas()->Handle(), 0, 0, icon->Handle(), icon->Width(), icon->Height(), 0, nullptr,
               DI_NORMAL);
    result->SetTransparentColor(backColor);
    return result.release();
}


TIcon* CreateIconFromBitmap(TBitmap* bitmap, TColor transparentColor) {
    if (!bitmap || bitmap->Empty()) return nullptr;
    if (transparentColor == clDefault) transparentColor = bitmap->TransparentColor();
    HIMAGELIST list = ImageList_Create(bitmap->Width(), bitmap->Height(), ILC_COLORDDB | ILC_MASK, 1, 0);
    if (!list) return nullptr;
    // The image list takes copies; the bitmap keeps its handle.
    owned_ptr<TBitmap> copy(new TBitmap);
    copy->Assign(bitmap);
    ImageList_AddMasked(list, copy->Handle(), RGBOf(transparentColor));
    HICON handle = ImageList_GetIcon(list, 0, ILD_NORMAL);
    ImageList_Destroy(list);
    if (!handle) return nullptr;
    auto icon = std::make_unique<TIcon>();
    icon->SetHandle(handle);
    return icon.release();
}

void ImageListDrawDisabled(HIMAGELIST images, TCanvas* canvas, int x, int y, int index, TColor highlightColor,
                           TColor grayColor, bool drawHighlight) {
    int w = 0, h = 0;
    if (!images || !ImageList_GetIconSize(images, &w, &h) || w <= 0 || h <= 0) return;
    HDC dc = canvas->Handle();
    // The image's mask: black where the image is, white around it.
    SelectedBitmapDC mask(dc, CreateBitmap(w, h, 1, 1, nullptr));
    PatBlt(mask.dc(), 0, 0, w, h, WHITENESS);
    ImageList_Draw(images, index, mask.dc(), 0, 0, ILD_MASK);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    auto paint = [&](TColor color, int px, int py) {
        HBRUSH brush = CreateSolidBrush(RGBOf(color));
        HGDIOBJ old = SelectObject(dc, brush);
        BitBlt(dc, px, py, w, h, mask.dc(), 0, 0, 0x00B8074A);  // PSDPxax: brush where the mask is black
        SelectObject(dc, old);
        DeleteObject(brush);
    };
    if (drawHighlight) paint(highlightColor, x + 1, y + 1);
    paint(grayColor, x, y);
}

namespace {

class PaintingCopyFlag {
public:
    explicit PaintingCopyFlag(TControl* control) : control_(control), was_(control->PaintingCopy) {
        control->PaintingCopy = true;
    }
    ~PaintingCopyFlag() { control_->PaintingCopy = was_; }
    PaintingCopyFlag(const PaintingCopyFlag&) = delete;
    PaintingCopyFlag& operator=(const PaintingCopyFlag&) = delete;

private:
    TControl* control_;
    bool was_;
};

}  // namespace

void CopyParentImage(TControl* control, TCanvas* dest) {
    TWinControl* parent = control ? control->Parent() : nullptr;
    if (!parent || !dest) return;
    HDC dc = dest->Handle();
    const int x = -control->Left(), y = -control->Top();
    const TRect self = control->BoundsRect();
    const int saved = SaveDC(dc);
    SetViewportOrgEx(dc, x, y, nullptr);
    IntersectClipRect(dc, 0, 0, parent->ClientRect().Width(), parent->ClientRect().Height());
    {
        PaintingCopyFlag flag(parent);
        parent->Perform(WM_ERASEBKGND, reinterpret_cast<uintptr_t>(dc), 0);
        parent->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(dc), 0);
    }
    RestoreDC(dc, saved);
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* sibling = parent->Controls(i);
        if (sibling == control) break;
        if (dynamic_cast<TWinControl*>(sibling) || !sibling->Visible()) continue;
        const TRect r = sibling->BoundsRect();
        RECT overlap{}, a{r.Left, r.Top, r.Right, r.Bottom}, b{self.Left, self.Top, self.Right, self.Bottom};
        if (!IntersectRect(&overlap, &a, &b)) continue;
        const int state = SaveDC(dc);
        SetViewportOrgEx(dc, r.Left + x, r.Top + y, nullptr);
        IntersectClipRect(dc, 0, 0, r.Width(), r.Height());
        PaintingCopyFlag flag(sibling);
        sibling->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(dc), 0);
        RestoreDC(dc, state);
    }
}

// ---------------------------------------------------------------------------
// Dialog units, windows and screen

int DialogUnitsToPixelsX(int units) {
    return units * LOWORD(GetDialogBaseUnits()) / 4;
}

int DialogUnitsToPixelsY(int units) {
    return units * HIWORD(GetDialogBaseUnits()) / 8;
}

int PixelsToDialogUnitsX(int pixels) {
    return pixels * 4 / std::max<int>(1, LOWORD(GetDialogBaseUnits()));
}

int PixelsToDialogUnitsY(int pixels) {
    return pixels * 8 / std::max<int>(1, HIWORD(GetDialogBaseUnits()));
}

void PaintInverseRect(const TPoint& topLeft, const TPoint& bottomRight) {
    HDC dc = GetDC(nullptr);
    RECT r{topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y};
    InvertRect(dc, &r);
    ReleaseDC(nullptr, dc);
}

void DrawInvertFrame(const TRect& screenRect, int width) {
    HDC dc = GetDC(nullptr);
    RECT r{screenRect.Left, screenRect.Top, screenRect.Right, screenRect.Bottom};
    for (int i = 0; i < width; ++i) {
        DrawFocusRect(dc, &r);
        InflateRect(&r, -1, -1);
    }
    ReleaseDC(nullptr, dc);
}

int WidthOf(const TRect& r) {
    return r.Right - r.Left;
}

int HeightOf(const TRect& r) {
    return r.Bottom - r.Top;
}

bool PointInRect(const TPoint& p, const TRect& r) {
    return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom;
}

bool PointInPolyRgn(const TPoint& p, std::span<const TPoint> points) {
    if (points.size() < 3) return false;
    HRGN region = CreatePolygonRgn(reinterpret_cast<const POINT*>(points.data()), static_cast<int>(points.size()),
                                   WINDING);
    if (!region) return false;
    bool inside = PtInRegion(region, p.X, p.Y) != 0;
    DeleteObject(region);
    return inside;
}

TColor PaletteColor(TColor color) {
    return static_cast<TColor>(RGBOf(color) | 0x02000000);
}

int PaletteEntries(HPALETTE palette) {
    WORD count = 0;
    if (!palette || !GetObjectW(palette, sizeof(count), &count)) return 0;
    return count;
}

void KillMessage(HWND wnd, unsigned message) {
    MSG msg{};
    if (PeekMessageW(&msg, wnd, message, message, PM_REMOVE) && msg.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(msg.wParam));
}

HFONT CreateRotatedFont(TFont* font, int angle) {
    LOGFONTW lf{};
    lf.lfHeight = font->Height();
    lf.lfEscapement = angle * 10;
    lf.lfWeight = (font->Style() & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font->Style() & fsItalic) ? 1 : 0;
    lf.lfUnderline = (font->Style() & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (font->Style() & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = font->Charset();
    const std::string face = font->Name() == "Default" ? std::string(DefaultFontName) : font->Name();
    std::wstring wide = AnsiToWide(face).substr(0, LF_FACESIZE - 1);
    std::copy(wide.begin(), wide.end(), lf.lfFaceName);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = font->Pitch() == fpFixed ? FIXED_PITCH : font->Pitch() == fpVariable ? VARIABLE_PITCH
                                                                                                 : DEFAULT_PITCH;
    return CreateFontIndirectW(&lf);
}

void Delay(unsigned milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        Application->ProcessMessages();
        const DWORD now = GetTickCount();
        if (now < start || now - start >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - (now - start), QS_ALLINPUT);
    }
}

void CenterWindow(HWND wnd) {
    RECT r{};
    if (!GetWindowRect(wnd, &r)) return;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int w = r.right - r.left, h = r.bottom - r.top;
    int x = (screenWidth - w) / 2, y = (screenHeight - h) / 2;
    x = std::max(0, std::min(x, screenWidth - w));
    y = std::max(0, std::min(y, screenHeight - h));
    SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
}

void CenterControl(TControl* control) {
    if (!control) return;
    int x, y;
    if (dynamic_cast<TCustomForm*>(control) || !control->Parent()) {
        x = (Screen->Width() - control->Width()) / 2;
        y = (Screen->Height() - control->Height()) / 2;
    } else {
        const TRect client = control->Parent()->ClientRect();
        x = (client.Width() - control->Width()) / 2;
        y = (client.Height() - control->Height()) / 2;
    }
    control->SetBounds(std::max(0, x), std::max(0, y), control->Width(), control->Height());
}

void MergeForm(TWinControl* host, TCustomForm* form, TAlign align, bool show) {
    if (!host || !form) return;
    form->Hide();
    form->DestroyHandle();
    form->SetBorderStyle(bsNone);
    form->BorderIcons = 0;
    form->SetParent(host);
    if (align == alNone) {
        const TRect client = host->ClientRect();
        form->SetBounds(client.Left, client.Top, form->Width(), form->Height());
    }
    form->SetAlign(align);
    if (show) form->Show();
}

void ShowMDIClientEdge(HWND clientWnd, bool show) {
    if (!clientWnd) return;
    LONG_PTR style = GetWindowLongPtrW(clientWnd, GWL_EXSTYLE);
    style = show ? (style | WS_EX_CLIENTEDGE) : (style & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
    SetWindowLongPtrW(clientWnd, GWL_EXSTYLE, style);
    SetWindowPos(clientWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

void ShadeRect(HDC dc, const TRect& r) {
    static const WORD kPattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kPattern);
    HBRUSH brush = CreatePatternBrush(pattern);
    HGDIOBJ old = SelectObject(dc, brush);
    PatBlt(dc, r.Left, r.Top, r.Width(), r.Height(), 0x00A000C9);  // DPa
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(pattern);
}

TRect ScreenWorkArea() {
    RECT r{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return Rect(r.left, r.top, r.right, r.bottom);
    return Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

std::string WindowClassName(HWND wnd) {
    wchar_t name[256] = {};
    int length = GetClassNameW(wnd, name, 256);
    return WideToAnsi(std::wstring(name, static_cast<size_t>(std::max(0, length))));
}

void ShowWinNoAnimate(HWND wnd, int showCmd) {
    ANIMATIONINFO info{sizeof(ANIMATIONINFO), 0};
    const bool animated = SystemParametersInfoW(SPI_GETANIMATION, sizeof(info), &info, 0) && info.iMinAnimate;
    if (animated) {
        info.iMinAnimate = 0;
        SystemParametersInfoW(SPI_SETANIMATION, sizeof(info), &info, 0);
    }
    ShowWindow(wnd, showCmd);
    if (animated) {
        info.iMinAnimate = 1;
        SystemParametersInfoW(SPI_SETANIMATION, sizeof(info), &info, 0);
    }
}

void SwitchToWindow(HWND wnd, bool restore) {
    if (!IsWindowEnabled(wnd)) return;
    SetForegroundWindow(wnd);
    if (restore && IsWindowVisible(wnd)) {
        if (!IsZoomed(wnd)) SendMessageW(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        SetFocus(wnd);
    }
}

void ActivateWindow(HWND wnd) {
    ShowWinNoAnimate(wnd, SW_SHOW);
    SetForegroundWindow(wnd);
}

HWND FindPrevInstance(const std::string& mainFormClass, const std::string& title) {
    if (mainFormClass.empty() && title.empty()) return nullptr;
    const std::wstring cls = AnsiToWide(mainFormClass), caption = AnsiToWide(title);
    return FindWindowW(mainFormClass.empty() ? nullptr : cls.c_str(), title.empty() ? nullptr : caption.c_str());
}

bool ActivatePrevInstance(const std::string& mainFormClass, const std::string& title) {
    HWND wnd = FindPrevInstance(mainFormClass, title);
    if (!wnd) return false;
    for (HWND owner = GetWindow(wnd, GW_OWNER); owner && owner != wnd; owner = GetWindow(wnd, GW_OWNER)) wnd = owner;
    // There is no design environment whose main window would have to be left alone.
    if (WindowClassName(wnd) == "TApplication") {
        ActivateWindow(wnd);
    } else if (IsIconic(wnd)) {
        ShowWinNoAnimate(wnd, SW_RESTORE);
        return true;
    } else {
        ShowWinNoAnimate(wnd, SW_SHOW);
    }
    HWND popup = GetLastActivePopup(wnd);
    if (popup && popup != wnd && IsWindowVisible(popup) && IsWindowEnabled(popup))
        SetForegroundWindow(popup);
    else
        ActivateWindow(wnd);
    return true;
}

int MsgBox(const std::string& caption, const std::string& text, unsigned flags) {
    return Application->MessageBox(text, caption, flags);
}

int MsgDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
    return MessageDlg(message, type, buttons, helpContext);
}

void GradientFillRect(TCanvas* canvas, const TRect& rect, TColor startColor, TColor endColor,
                      TFillDirection direction, int colors) {
    if (rect.IsEmpty()) return;
    const bool vertical = direction == fdTopToBottom || direction == fdBottomToTop;
    const int extent = vertical ? rect.Height() : rect.Width();
    TBrush* brush = canvas->Brush();
    const TColor savedColor = brush->Color();
    if (colors < 2 || extent < 2) {
        brush->SetColor(startColor);
        canvas->FillRect(rect);
        brush->SetColor(savedColor);
        return;
    }
    const int n = std::clamp(colors, 2, extent);
    TColor first = ColorToRGB(startColor), last = ColorToRGB(endColor);
    if (direction == fdBottomToTop || direction == fdRightToLeft) std::swap(first, last);
    const int band = extent / n;
    auto channel = [&](int k, uint8_t from, uint8_t to) {
        return static_cast<uint8_t>(from + MulDiv(k, to - from, n - 1));
    };
    auto fill = [&](int from, int to, TColor color) {
        brush->SetColor(color);
        canvas->FillRect(vertical ? Rect(rect.Left, rect.Top + from, rect.Right, rect.Top + to)
                                  : Rect(rect.Left + from, rect.Top, rect.Left + to, rect.Bottom));
    };
    for (int k = 0; k < n; ++k)
        fill(k * band, (k + 1) * band,
             RGBToColor(channel(k, ColorRed(first), ColorRed(last)), channel(k, ColorGreen(first), ColorGreen(last)),
                        channel(k, ColorBlue(first), ColorBlue(last))));
    if (n * band < extent) fill(n * band, extent, last);
    brush->SetColor(savedColor);
}

std::string MinimizeText(const std::string& text, TCanvas* canvas, int maxWidth) {
    if (canvas->TextWidth(text) <= maxWidth) return text;
    std::string shortened = text;
    while (!shortened.empty()) {
        shortened.pop_back();
        if (canvas->TextWidth(shortened + "...") <= maxWidth) break;
    }
    return shortened + "...";
}

TPoint GetAveCharSize(TCanvas* canvas) {
    std::string letters;
    for (char c = 'A'; c <= 'Z'; ++c) letters += c;
    for (char c = 'a'; c <= 'z'; ++c) letters += c;
    const TSize size = canvas->TextExtent(letters);
    return {size.cx / 52, size.cy};
}

bool IsForegroundTask() {
    HWND active = GetForegroundWindow();
    return active && GetWindowThreadProcessId(active, nullptr) == GetCurrentThreadId();
}

std::string GetWindowsVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return {};
#pragma GCC diagnostic pop
    const char* platform = "NT";
    if (info.dwPlatformId == VER_PLATFORM_WIN32s)
        platform = "32s";
    else if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        platform = (info.dwMajorVersion > 4 || (info.dwMajorVersion == 4 && info.dwMinorVersion > 9)) ? "98" : "95";
    return Trim(Format("Windows %s %d.%.2d.%.3d %s", platform, static_cast<int>(info.dwMajorVersion),
                       static_cast<int>(info.dwMinorVersion), static_cast<int>(info.dwBuildNumber & 0xFFFF),
                       WideToAnsi(info.szCSDVersion).c_str()));
}

namespace {

// The shared off-screen bitmap of WriteText, kept between calls.
owned_ptr<TBitmap>& WriteTextBitmap() {
    static owned_ptr<TBitmap> bitmap;
    return bitmap;
}

bool IsPureColor(TCanvas* canvas) {
    const COLORREF color = RGBOf(canvas->Brush()->Color());
    return GetNearestColor(canvas->Handle(), color) == color;
}

}  // namespace

void WriteText(TCanvas* canvas, const TRect& rect, int dx, int dy, const std::string& text, TAlignment alignment,
               bool wordWrap, bool rightToLeft) {
    if (rightToLeft && alignment != taCenter) alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    if (!wordWrap && IsPureColor(canvas) && text.find('\r') == std::string::npos) {
        int x = rect.Left + dx;
        if (alignment == taRightJustify)
            x = rect.Right - canvas->TextWidth(text) - 3;
        else if (alignment == taCenter)
            x = rect.Left + (rect.Width() - canvas->TextWidth(text)) / 2;
        canvas->TextRect(rect, x, rect.Top + dy, text);
        return;
    }
    const int w = rect.Width(), h = rect.Height();
    if (w <= 0 || h <= 0) return;
    auto& bitmap = WriteTextBitmap();
    if (!bitmap) bitmap.reset(new TBitmap);
    if (bitmap->Width() < w || bitmap->Height() < h)
        bitmap->SetSize(std::max(bitmap->Width(), w), std::max(bitmap->Height(), h));
    TCanvas* work = bitmap->Canvas();
    work->SetFont(canvas->Font());
    work->SetBrush(canvas->Brush());
    const TRect cell = Rect(0, 0, w, h);
    work->FillRect(cell);
    RECT r{dx, dy, w - dx, h};
    unsigned flags = DT_NOPREFIX | (wordWrap ? DT_WORDBREAK : 0);
    flags |= alignment == taRightJustify ? DT_RIGHT : alignment == taCenter ? DT_CENTER : DT_LEFT;
    if (rightToLeft) flags |= DT_RTLREADING;
    const std::wstring wide = AnsiToWide(text);
    work->TextHeight("W");  // has the canvas select its font and text colour into the context
    SetBkMode(work->Handle(), TRANSPARENT);
    DrawTextW(work->Handle(), wide.c_str(), static_cast<int>(wide.size()), &r, flags);
    canvas->CopyRect(rect, work, cell);
}

void DrawCellTextEx(TCanvas* canvas, const std::string& text, const TRect& rect, TAlignment alignment,
                    TVertAlignment vertAlignment, bool wordWrap, bool rightToLeft) {
    int dy = 2;
    if (vertAlignment != vaTopJustify) {
        const int lineHeight = canvas->TextHeight("W");
        dy = vertAlignment == vaCenter ? std::max(1, (rect.Height() - lineHeight) / 2)
                                       : std::max(2, rect.Height() - lineHeight);
    }
    WriteText(canvas, rect, 2, dy, text, alignment, wordWrap, rightToLeft);
}

void DrawCellText(TCanvas* canvas, const std::string& text, const TRect& rect, TAlignment alignment,
                  TVertAlignment vertAlignment, bool rightToLeft) {
    DrawCellTextEx(canvas, text, rect, alignment, vertAlignment, false, rightToLeft);
}

void DrawCellBitmap(TCanvas* canvas, TGraphic* graphic, const TRect& rect) {
    if (!graphic || graphic->Empty()) return;
    canvas->Draw(rect.Left + (rect.Width() - graphic->Width()) / 2, rect.Top + (rect.Height() - graphic->Height()) / 2,
                 graphic);
}

// ---------------------------------------------------------------------------
// Cursors and waiting

namespace {

int waitCount = 0;
TCursor savedCursor = crDefault;

// A temporary file that is deleted whatever happens to its user.
class TempFile {
public:
    explicit TempFile(const wchar_t* prefix) {
        wchar_t folder[MAX_PATH + 1] = {};
        wchar_t name[MAX_PATH + 1] = {};
        if (GetTempPathW(MAX_PATH, folder) && GetTempFileNameW(folder, prefix, 0, name)) path_ = name;
    }
    ~TempFile() {
        if (!path_.empty()) DeleteFileW(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace

HICON LoadAniCursor(HINSTANCE instance, TResourceName id) {
    HRSRC info = FindResourceA(instance, id, MAKEINTRESOURCEA(21));  // RT_ANICURSOR
    if (!info) return nullptr;
    HGLOBAL data = LoadResource(instance, info);
    const void* bytes = data ? LockResource(data) : nullptr;
    const DWORD size = SizeofResource(instance, info);
    if (!bytes || size == 0) return nullptr;
    TempFile file(L"ANI");
    if (file.path().empty()) return nullptr;
    HANDLE handle = CreateFileW(file.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    DWORD written = 0;
    const bool ok = WriteFile(handle, bytes, size, &written, nullptr) && written == size;
    CloseHandle(handle);
    if (!ok) return nullptr;
    return static_cast<HICON>(LoadImageW(nullptr, file.path().c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE));
}

TCursor DefineCursor(HINSTANCE instance, TResourceName id) {
    HICON handle = LoadCursorA(instance, id);
    if (!handle) handle = LoadAniCursor(instance, id);
    if (!handle) ResourceNotFound(id);
    HICON free = ScreenCursor(crDefault);
    for (TCursor slot = 100; slot <= 32767; ++slot) {
        if (ScreenCursor(slot) == free) {
            SetScreenCursor(slot, handle);
            return slot;
        }
    }
    DestroyCursor(handle);
    throw EOutOfResources("Out of system resources");
}

void StartWait() {
    if (waitCount++ == 0) {
        savedCursor = Screen->Cursor();
        Screen->SetCursor(crHourGlass);
    }
}

void StopWait() {
    if (waitCount == 0) return;
    if (--waitCount == 0) Screen->SetCursor(savedCursor);
}

// ---------------------------------------------------------------------------
// Memory and strings

void* AllocMemo(long size) {
    if (size <= 0) return nullptr;
    return GlobalAlloc(GPTR, static_cast<SIZE_T>(size));
}

void* ReallocMemo(void* block, long size) {
    if (!block) return AllocMemo(size);
    if (size <= 0) {
        FreeMemo(block);
        return nullptr;
    }
    return GlobalReAlloc(block, static_cast<SIZE_T>(size), GMEM_MOVEABLE | GMEM_ZEROINIT);
}

void FreeMemo(void*& block) {
    if (block) GlobalFree(block);
    block = nullptr;
}

long GetMemoSize(void* block) {
    return block ? static_cast<long>(GlobalSize(block)) : 0;
}

bool CompareMem(const void* a, const void* b, size_t length) {
    return length == 0 || std::memcmp(a, b, length) == 0;
}

void* HugeOffset(void* p, ptrdiff_t offset) {
    return static_cast<char*>(p) + offset;
}

void HugeInc(void*& p, ptrdiff_t offset) {
    p = HugeOffset(p, offset);
}

void HugeDec(void*& p, ptrdiff_t offset) {
    p = HugeOffset(p, -offset);
}

void HMemCpy(void* dest, const void* source, size_t length) {
    std::memmove(dest, source, length);
}

void HugeMove(int32_t* source, int32_t* dest, size_t count) {
    if (count) std::memmove(dest, source, count * sizeof(int32_t));
}

std::string GetEnvVar(const std::string& name) {
    const std::wstring wide = AnsiToWide(name);
    std::wstring value(256, L'\0');
    for (;;) {
        SetLastError(0);
        DWORD length = GetEnvironmentVariableW(wide.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) return {};
        if (length < value.size()) {
            value.resize(length);
            return WideToAnsi(value);
        }
        value.assign(length, L'\0');  // length counts the terminator when the buffer was short
    }
}

void SplitCommandLine(const std::string& commandLine, std::string& program, std::string& params) {
    std::vector<std::string> tokens;
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n) {
        while (i < n && static_cast<unsigned char>(commandLine[i]) < '!') ++i;
        if (i >= n) break;
        std::string token;
        bool quoted = false;
        while (i < n && (quoted || static_cast<unsigned char>(commandLine[i]) >= '!')) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                token += commandLine[i];
            ++i;
        }
        tokens.push_back(std::move(token));
    }
    program = tokens.empty() ? std::string() : tokens.front();
    params.clear();
    for (size_t t = 1; t < tokens.size(); ++t) {
        if (!params.empty()) params += ' ';
        if (tokens[t].find(' ') != std::string::npos)
            params += '"' + tokens[t] + '"';
        else
            params += tokens[t];
    }
}

std::string AnsiUpperFirstChar(const std::string& text) {
    std::string result = AnsiLowerCase(text);
    if (!result.empty()) result = AnsiUpperCase(result.substr(0, 1)) + result.substr(1);
    return result;
}

std::string DropT(const std::string& text) {
    if (text.size() > 1 && (text[0] == 'T' || text[0] == 't')) return text.substr(1);
    return text;
}

std::string ResStr(const std::string& text) {
    return text;
}

void RaiseWin32Error(unsigned long code) {
    if (code == 0) return;
    throw EWin32Error("System error. Code: " + std::to_string(code) + ".\r\n" + SysErrorMessage(code));
}

void CheckWin32(bool ok) {
    if (!ok) RaiseWin32Error(GetLastError());
}

void Beep() {
    MessageBeep(0);
}

char* StrPAlloc(const std::string& text) {
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

const char* StringToPChar(const std::string& text) {
    return text.c_str();
}

void FreeUnusedOle() {
    if (HMODULE module = GetModuleHandleW(L"OleAut32")) FreeLibrary(module);
}

HINSTANCE LoadDLL(const std::string& name) {
    const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HINSTANCE module = LoadLibraryW(AnsiToWide(name).c_str());
    const DWORD error = GetLastError();
    SetErrorMode(oldMode);
    if (reinterpret_cast<uintptr_t>(module) < 32) RaiseWin32Error(error ? error : ERROR_MOD_NOT_FOUND);
    return module;
}

bool RegisterServer(const std::string& moduleName) {
    HINSTANCE module = LoadDLL(moduleName);
    using RegisterProc = HRESULT(WINAPI*)();
    auto proc = reinterpret_cast<RegisterProc>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    if (proc) proc();
    FreeLibrary(module);
    return proc != nullptr;
}

void NotImplemented() {
    MessageDlg(SNotImplemented, mtInformation, mbOK, 0);
    throw EAbort("");
}

// ---------------------------------------------------------------------------
// TScreenCanvas

TScreenCanvas::~TScreenCanvas() {
    FreeHandle();
}

void TScreenCanvas::CreateHandle() {
    if (!FDeviceContext) FDeviceContext = GetDC(nullptr);
    SetHandle(FDeviceContext);
}

void TScreenCanvas::FreeHandle() {
    if (!FDeviceContext) return;
    SetHandle(nullptr);
    ReleaseDC(nullptr, FDeviceContext);
    FDeviceContext = nullptr;
}

void TScreenCanvas::SetOrigin(int x, int y) {
    SetWindowOrgEx(Handle(), -x, -y, nullptr);
}
