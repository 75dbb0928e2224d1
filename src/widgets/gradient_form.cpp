#include "widgets/gradient_form.h"

#include <algorithm>
#include <cmath>

#include "framework/cp1251.h"
#include "framework/win.h"
#include "widgets/deferred_errors.h"

namespace {

// Set while SetCaptionText runs, for every gradient form at once: the window
// text it sets comes back as WM_SETTEXT and must not start another round.
bool g_settingCaptionText = false;

struct CaptionTextGuard {
    CaptionTextGuard() { g_settingCaptionText = true; }
    ~CaptionTextGuard() { g_settingCaptionText = false; }
    CaptionTextGuard(const CaptionTextGuard&) = delete;
    CaptionTextGuard& operator=(const CaptionTextGuard&) = delete;
};

class WindowDC {
public:
    explicit WindowDC(HWND wnd) : FWnd(wnd), FDC(GetWindowDC(wnd)) {}
    ~WindowDC() {
        if (FDC) ReleaseDC(FWnd, FDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// Selects an object into a DC for the lifetime of the holder.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : FDC(dc), FOld(object ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (FOld) SelectObject(FDC, FOld);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

bool QuerySystemHasGradientCaptions() {
    using RtlGetVersionProc = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto proc = ntdll ? reinterpret_cast<RtlGetVersionProc>(
                            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                      : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!proc || proc(&info) != 0) return false;
    return info.dwMajorVersion >= 5 || (info.dwMajorVersion >= 4 && info.dwMinorVersion != 0);
}

// Real Windows draws its own caption over ours while the desktop compositor
// renders the non-client area; switch that off for this window. The function
// is looked up at run time: Wine and old systems have no compositor.
void DisableCompositorCaption(HWND wnd) {
    HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    if (!dwm) return;
    using SetAttributeProc = HRESULT(WINAPI*)(HWND, DWORD, const void*, DWORD);
    auto proc = reinterpret_cast<SetAttributeProc>(
        reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
    if (proc) {
        const DWORD kNcRenderingPolicy = 2;  // DWMWA_NCRENDERING_POLICY
        const int kPolicyDisabled = 1;       // DWMNCRP_DISABLED
        proc(wnd, kNcRenderingPolicy, &kPolicyDisabled, sizeof(kPolicyDisabled));
    }
    FreeLibrary(dwm);
}

bool ToolWindowStyle(TFormBorderStyle style) {
    return style == bsToolWindow || style == bsSizeToolWin;
}

}  // namespace

void GradientColorTable(TColor startRGB, TColor stopRGB, int steps, uint32_t* table) {
    auto channel = [&](uint8_t start, uint8_t stop, int i) {
        double step = static_cast<double>(stop - start) / (steps - 1);
        // lrint rounds half to even in the default rounding mode.
        return static_cast<uint8_t>(start + std::lrint(i * step));
    };
    for (int i = 0; i < steps; ++i) {
        table[i] = RGB(channel(ColorRed(startRGB), ColorRed(stopRGB), i),
                       channel(ColorGreen(startRGB), ColorGreen(stopRGB), i),
                       channel(ColorBlue(startRGB), ColorBlue(stopRGB), i));
    }
}

TGradientForm::TGradientForm(TComponent* AOwner)
    : TForm(AOwner), FCaptionFont(std::make_unique<TFont>()), FLogo(new TBitmap), FInactiveLogo(new TBitmap) {
    FSystemHasGradientCaptions = QuerySystemHasGradientCaptions();
    FDisplayHas16Colors = ScreenColorBits() == 4;
    UpdateCaptionFont();
    CalculateColors();
}

TGradientForm::~TGradientForm() = default;

void TGradientForm::SetCaptionFont(TFont* font) {
    FCaptionFont->Assign(font);
    UseSystemCaptionFont = false;
    UpdateCaptionFont();
}

void TGradientForm::SetUseSystemCaptionFont(bool value) {
    if (value == UseSystemCaptionFont) return;
    UseSystemCaptionFont = value;
    UpdateCaptionFont();
}

void TGradientForm::SetGradientColors(int value) {
    if (value == FGradientColors || value < 8 || value > 512) return;
    FGradientColors = value;
    CalculateColors();
    InvalidateCaption();
}

void TGradientForm::SetCaptionTextColor(TColor c) {
    if (c == FCaptionTextColor) return;
    FCaptionTextColor = c;
    InvalidateCaption();
}

void TGradientForm::SetInactiveCaptionTextColor(TColor c) {
    if (c == FInactiveCaptionTextColor) return;
    FInactiveCaptionTextColor = c;
    InvalidateCaption();
}

void TGradientForm::SetGradientStartColor(TColor c) {
    FStartColor[1] = c;
    CalculateColors();
    InvalidateCaption();
}

void TGradientForm::SetGradientStopColor(TColor c) {
    FStopColor[1] = c;
    FStopFollowsSystem[1] = c == clActiveCaption;
    CalculateColors();
    InvalidateCaption();
}

void TGradientForm::SetGradientInactiveStartColor(TColor c) {
    FStartColor[0] = c;
    CalculateColors();
    InvalidateCaption();
}

void TGradientForm::SetGradientInactiveStopColor(TColor c) {
    FStopColor[0] = c;
    FStopFollowsSystem[0] = c == clInactiveCaption;
    CalculateColors();
    InvalidateCaption();
}

void TGradientForm::SetPaintGradient(TGFPaintWhen value) {
    if (value == FPaintGradient) return;
    FPaintGradient = value;
    InvalidateCaption();
}

void TGradientForm::SetUseWin98Gradient(bool value) {
    if (value == FUseWin98Gradient) return;
    FUseWin98Gradient = value;
    if (HandleAllocated()) RecreateWnd();
}

void TGradientForm::SetUseDithering(bool value) {
    if (value == FUseDithering) return;
    FUseDithering = value;
    InvalidateCaption();
}

void TGradientForm::SetPaintIn16Colors(bool value) {
    if (value == FPaintIn16Colors) return;
    FPaintIn16Colors = value;
    InvalidateCaption();
}

void TGradientForm::SetLogo(TBitmap* bitmap) {
    FLogo->Assign(bitmap);
    InvalidateCaption();
}

void TGradientForm::SetInactiveLogo(TBitmap* bitmap) {
    FInactiveLogo->Assign(bitmap);
    InvalidateCaption();
}

void TGradientForm::SetLogoAlign(TGFLogoAlign value) {
    if (value == FLogoAlign) return;
    FLogoAlign = value;
    InvalidateCaption();
}

void TGradientForm::SetLogoLayered(bool value) {
    if (value == FLogoLayered) return;
    FLogoLayered = value;
    InvalidateCaption();
}

bool TGradientForm::Win98Check() {
    return FUseWin98Gradient && FSystemHasGradientCaptions;
}

bool TGradientForm::GetInhibitGradient() {
    return Win98Check() || (FDisplayHas16Colors && !FPaintIn16Colors);
}

bool TGradientForm::IsActiveWindow() {
    return HandleAllocated() && GetActiveWindow() == Handle();
}

void TGradientForm::InvalidateCaption() {
    if (!HandleAllocated() || GetInhibitGradient()) return;
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TGradientForm::CalculateColors() {
    for (int state = 0; state < 2; ++state)
        GradientColorTable(ColorToRGB(FStartColor[state]), ColorToRGB(FStopColor[state]), FGradientColors,
                           FColorTable[state].data());
}

void TGradientForm::UpdateCaptionFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) metrics = {};
    const LOGFONTW& font = ToolWindowStyle(BorderStyle()) ? metrics.lfSmCaptionFont : metrics.lfCaptionFont;
    if (UseSystemCaptionFont) {
        FCaptionFont->SetCharset(font.lfCharSet);
        std::wstring face(font.lfFaceName, wcsnlen(font.lfFaceName, LF_FACESIZE));
        FCaptionFont->SetName(WideToAnsi(face.substr(0, 32)));
        FCaptionFont->SetHeight(font.lfHeight);
        int pitch = font.lfPitchAndFamily & 0x0F;
        FCaptionFont->SetPitch(pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault);
        TFontStyles style = 0;
        if (font.lfWeight >= FW_BOLD) style |= fsBold;
        if (font.lfItalic == 1) style |= fsItalic;
        if (font.lfUnderline == 1) style |= fsUnderline;
        if (font.lfStrikeOut == 1) style |= fsStrikeOut;
        FCaptionFont->SetStyle(style);
    } else {
        FCaptionFont->SetHeight(font.lfHeight);
    }
    InvalidateCaption();
}

void TGradientForm::CreateHandleDone() {
    TForm::CreateHandleDone();
    DisableCompositorCaption(Handle());
}

void TGradientForm::SetTextCore(const std::string& text) {
    FText = text;
    if (HandleAllocated()) {
        SetWindowTextW(Handle(), AnsiToWide(text).c_str());
    } else {
        FCaptionText = text;
    }
}

void TGradientForm::SetCaptionText(const std::string& text) {
    if (g_settingCaptionText) return;
    CaptionTextGuard guard;
    if (HandleAllocated()) SetWindowTextW(Handle(), AnsiToWide(text).c_str());
    FCaptionText = text;
    FText = text;
    if (!GetInhibitGradient() && HandleAllocated() && IsWindowVisible(Handle())) Draw(IsActiveWindow());
}

void TGradientForm::Draw(bool active) {
    if (Destroying() || !HandleAllocated()) return;
    DrawCaptionGuarded(active);
}

void TGradientForm::DrawCaptionGuarded(bool active) {
    CallReportingLater([&] {
        WindowDC dc(Handle());
        if (!dc.get()) return;
        TRect caption;
        DrawCaption(dc.get(), active, caption);
    }, this);
}

TRect TGradientForm::GetCaptionRect() {
    TFormBorderStyle style = BorderStyle();
    if (style == bsNone || !HandleAllocated()) return {};
    RECT wr;
    GetWindowRect(Handle(), &wr);
    TRect r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
    bool fixedFrame = IsIconic(Handle()) || style == bsSingle || style == bsDialog || style == bsToolWindow;
    int cx = GetSystemMetrics(fixedFrame ? SM_CXDLGFRAME : SM_CXFRAME);
    int cy = GetSystemMetrics(fixedFrame ? SM_CYDLGFRAME : SM_CYFRAME);
    r.Left += cx;
    r.Right -= cx;
    r.Top += cy;
    r.Bottom -= cy;
    int captionHeight = GetSystemMetrics(ToolWindowStyle(style) ? SM_CYSMCAPTION : SM_CYCAPTION);
    r.Bottom = r.Top + captionHeight - 1;
    return r;
}

void TGradientForm::DrawCaption(HDC dc, bool active, TRect& captionRect) {
    TRect r = GetCaptionRect();
    captionRect = r;
    int w = r.Width();
    int h = r.Height();
    if (w <= 0 || h <= 0) return;
    r = {0, 0, w, h};

    TMemoryDC memory(CreateCompatibleDC(dc));
    TBitmapHandle bitmap(CreateCompatibleBitmap(dc, w, h));
    if (!memory || !bitmap) return;
    Selected selectBitmap(memory.get(), bitmap.get());
    HDC mdc = memory.get();

    bool logoMode = !FLogo->Empty();
    if (FPaintGradient == gfpAlways || (FPaintGradient == gfpActive && active)) {
        if (!logoMode)
            FillRectGradient(mdc, r, FUseDithering, active);
        else
            FillRectSolid(mdc, r, active, FStartColor[1], FStartColor[0]);
    } else {
        FillRectSolid(mdc, r, active, clActiveCaption, clInactiveCaption);
    }
    r.Left += 1;

    bool iconWanted = (BorderIcons & biSystemMenu) && (BorderStyle() == bsSingle || BorderStyle() == bsSizeable);
    if (!logoMode) {
        if (iconWanted) PaintMenuIcon(mdc, r);
        PaintCaptionButtons(mdc, r);
    } else {
        if (FLogoAlign == laLeft) {
            if (iconWanted) {
                FillRectSolid(mdc, r, active, FStartColor[1], FStartColor[0]);
                PaintMenuIcon(mdc, r);
            }
        } else {
            FillRectSolid(mdc, r, active, FStopColor[1], FStopColor[0]);
            PaintCaptionButtons(mdc, r);
        }
        TBitmap* logo = active || FInactiveLogo->Empty() ? FLogo.get() : FInactiveLogo.get();
        TRect logoRect = FLogoAlign == laLeft ? TRect{r.Left, r.Top, r.Left + logo->Width(), r.Bottom}
                                              : TRect{r.Right - logo->Width(), r.Top, r.Right, r.Bottom};
        logoRect.Left = std::max(logoRect.Left, r.Left);
        logoRect.Right = std::min(logoRect.Right, r.Right);
        TRect gradientRect = FLogoAlign == laLeft ? TRect{logoRect.Right, r.Top, r.Right, r.Bottom}
                                                  : TRect{r.Left, r.Top, logoRect.Left, r.Bottom};
        if (!gradientRect.IsEmpty()) FillRectGradient(mdc, gradientRect, FUseDithering, active);
        if (!logoRect.IsEmpty()) {
            int offset = (logoRect.Height() - logo->Height()) / 2;
            BitBlt(mdc, logoRect.Left, logoRect.Top + offset, logoRect.Width(), logo->Height(),
                   logo->Canvas()->Handle(), 0, 0, SRCCOPY);
        }
        if (FLogoAlign == laLeft)
            PaintCaptionButtons(mdc, r);
        else if (iconWanted)
            PaintMenuIcon(mdc, r);
        if (!FLogoLayered) {
            r.Left = std::max(r.Left, gradientRect.Left);
            r.Right = std::min(r.Right, gradientRect.Right);
        }
    }

    if (OnCaptionPaint && EventsEnabled()) {
        TCanvas canvas;
        canvas.SetHandle(mdc);
        canvas.Font()->Assign(FCaptionFont.get());
        try {
            OnCaptionPaint(this, &canvas, r);
        } catch (...) {
            canvas.SetHandle(nullptr);
            throw;
        }
        canvas.SetHandle(nullptr);
    }
    PaintCaptionText(mdc, r, active);
    BitBlt(dc, captionRect.Left, captionRect.Top, w, h, mdc, 0, 0, SRCCOPY);
}

void TGradientForm::FillRectSolid(HDC dc, const TRect& r, bool active, TColor activeColor, TColor inactiveColor) {
    TBrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(active ? activeColor : inactiveColor))));
    Selected select(dc, brush.get());
    PatBlt(dc, r.Left, r.Top, r.Width(), r.Height(), PATCOPY);
}

namespace {

// The previous colour where the mask is black, the destination (the next
// colour) where it is white.
void DrawMaskedTile(HDC dest, int x, int y, int w, int h, HDC maskDC, COLORREF previous) {
    SetTextColor(dest, RGB(0, 0, 0));
    SetBkColor(dest, RGB(255, 255, 255));
    BitBlt(dest, x, y, w, h, maskDC, 0, 0, SRCAND);
    SetTextColor(dest, previous);
    SetBkColor(dest, RGB(0, 0, 0));
    BitBlt(dest, x, y, w, h, maskDC, 0, 0, SRCPAINT);
}

}  // namespace

void TGradientForm::FillRectGradient(HDC dc, const TRect& r, bool dither, bool active) {
    int w = r.Width();
    int h = r.Height();
    if (w < 1 || h < 1) return;
    int state = active ? 1 : 0;
    bool hasPalette = GetDeviceCaps(dc, SIZEPALETTE) > 0;

    if (dither) {
        TColor start = ColorToRGB(FStartColor[state]);
        TColor stop = ColorToRGB(FStopColor[state]);
        int d[3] = {ColorRed(stop) - ColorRed(start), ColorGreen(stop) - ColorGreen(start),
                    ColorBlue(stop) - ColorBlue(start)};
        double s = static_cast<double>(std::abs(d[0]) + std::abs(d[1]) + std::abs(d[2])) / w;
        bool coarse = s >= 5.0 / 7.0;
        const wchar_t* maskName = coarse ? L"GRAD_DITHMASK2" : L"GRAD_DITHMASK1";
        int mw = coarse ? 14 : 69;
        int mh = coarse ? 28 : 30;
        TBitmapHandle mask;
        if (2 * mw <= w && !hasPalette)
            mask.reset(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), maskName, IMAGE_BITMAP, 0, 0, 0)));
        // Without the mask resource the caption is drawn undithered.
        if (mask) {
            int n = w / mw + 1;
            int rem = w % mw;
            TMemoryDC maskDC(CreateCompatibleDC(dc));
            TMemoryDC outDC(CreateCompatibleDC(dc));
            TBitmapHandle out(CreateCompatibleBitmap(dc, w, h));
            if (!maskDC || !outDC || !out) return;
            Selected selectMask(maskDC.get(), mask.get());
            Selected selectOut(outDC.get(), out.get());
            uint8_t base[3] = {ColorRed(start), ColorGreen(start), ColorBlue(start)};
            COLORREF previous = RGB(base[0], base[1], base[2]);
            int x = 0;
            for (int i = 1; i <= n; ++i) {
                int c[3];
                for (int k = 0; k < 3; ++k) c[k] = std::clamp(base[k] + MulDiv(i, d[k], n - 1), 0, 255);
                COLORREF stepColor = RGB(c[0], c[1], c[2]);
                TBrushHandle brush(CreateSolidBrush(stepColor));
                {
                    Selected selectBrush(outDC.get(), brush.get());
                    PatBlt(outDC.get(), x, 0, mw, h, PATCOPY);
                }
                for (int y = 0; y < h; y += mh) DrawMaskedTile(outDC.get(), x, y, mw, mh, maskDC.get(), previous);
                x += mw;
                if (rem > 0) {
                    int extra = rem / (n - 2) + (rem % (n - 2) > i ? 1 : 0);
                    Selected selectBrush(outDC.get(), brush.get());
                    PatBlt(outDC.get(), x, 0, extra, h, PATCOPY);
                    x += extra;
                }
                previous = stepColor;
            }
            BitBlt(dc, r.Left, r.Top, w, h, outDC.get(), 0, 0, SRCCOPY);
            return;
        }
    }

    const uint32_t* table = FColorTable[state].data();
    int n = FGradientColors;
    if (hasPalette || w < n) {
        for (int i = 0; i < n; ++i) {
            int left = r.Left + static_cast<int>(std::lrint(static_cast<double>(i) * w / n));
            int right = r.Left + static_cast<int>(std::lrint(static_cast<double>(i + 1) * w / n));
            TBrushHandle brush(CreateSolidBrush(table[i]));
            Selected select(dc, brush.get());
            PatBlt(dc, left, r.Top, right - left, h, PATCOPY);
        }
        return;
    }
    TMemoryDC stripDC(CreateCompatibleDC(dc));
    TBitmapHandle strip(CreateCompatibleBitmap(dc, n, 1));
    if (!stripDC || !strip) return;
    Selected select(stripDC.get(), strip.get());
    for (int i = 0; i < n; ++i) SetPixelV(stripDC.get(), i, 0, table[i]);
    // Only the first N-1 entries are stretched over the caption: the last
    // step is never shown, as the caption has always been drawn.
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, r.Left, r.Top, w, h, stripDC.get(), 0, 0, n - 1, 1, SRCCOPY);
}

void TGradientForm::PaintMenuIcon(HDC dc, TRect& r) {
    HWND wnd = Handle();
    auto icon = reinterpret_cast<HICON>(SendMessageW(wnd, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(wnd, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(wnd, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(wnd, GCLP_HICON));
    if (!icon) icon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    int size = GetSystemMetrics(SM_CXSMICON);
    if (icon) {
        HICON copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, size, size, LR_COPYFROMRESOURCE));
        if (!copy) copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, size, size, 0));
        TIconHandle small(copy);
        if (small) DrawIconEx(dc, r.Left + 1, r.Top + 1, small.get(), size, size, 0, nullptr, DI_NORMAL);
    }
    r.Left += size + 1;
}

void TGradientForm::PaintCaptionButtons(HDC dc, TRect& r) {
    TFormBorderStyle style = BorderStyle();
    TBorderIcons icons = BorderIcons;
    RECT b{r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
    bool noClose = (GetClassLongPtrW(Handle(), GCL_STYLE) & CS_NOCLOSE) != 0;
    auto button = [&](UINT face, bool inactive) {
        RECT copy = b;
        DrawFrameControl(dc, &copy, DFC_CAPTION, face | (inactive ? DFCS_INACTIVE : 0));
    };
    if (ToolWindowStyle(style)) {
        b.left = b.right - GetSystemMetrics(SM_CXSMSIZE) + 2;
        button(DFCS_CAPTIONCLOSE, noClose);
        r.Right = b.left - 5;
        return;
    }
    int w = GetSystemMetrics(SM_CXSMICON) - 2;
    if ((w & 1) != (r.Height() & 1)) w += 1;
    b.left = b.right - w - 2;
    auto moveLeft = [&](int by) {
        OffsetRect(&b, -by, 0);
        r.Right -= by;
    };
    if (icons & biSystemMenu) {
        button(DFCS_CAPTIONCLOSE, noClose);
        moveLeft(w + 4);
    }
    bool framed = style == bsSingle || style == bsSizeable;
    bool minMax = (icons & (biMinimize | biMaximize)) != 0;
    if (framed && minMax) {
        button(IsZoomed(Handle()) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX, !(icons & biMaximize));
        moveLeft(w + 2);
        button(IsIconic(Handle()) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN, !(icons & biMinimize));
        moveLeft(w + 2);
    }
    if ((icons & biHelp) && (style == bsDialog || (framed && !minMax))) {
        button(DFCS_CAPTIONHELP, false);
        r.Right -= w + 2;
    }
    r.Right -= 3;
}

void TGradientForm::PaintCaptionText(HDC dc, TRect r, bool active) {
    r.Left += 2;
    std::wstring text = AnsiToWide(FCaptionText);
    COLORREF oldColor =
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(active ? FCaptionTextColor : FInactiveCaptionTextColor)));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    {
        Selected selectFont(dc, FCaptionFont->Handle());
        RECT rect{r.Left, r.Top, r.Right, r.Bottom};
        if (!text.empty())
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
                      DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
}

void TGradientForm::HandleNCPaint(TMessage& m) {
    HWND wnd = Handle();
    RECT wr;
    GetWindowRect(wnd, &wr);
    WindowDC dc(wnd);
    TRegionHandle rest(CreateRectRgn(0, 0, 0, 0));
    if (dc.get()) {
        auto update = reinterpret_cast<HRGN>(m.WParam);
        TRegionHandle whole;
        if (reinterpret_cast<uintptr_t>(update) <= 1 || SelectClipRgn(dc.get(), update) == ERROR) {
            whole.reset(CreateRectRgnIndirect(&wr));
            SelectClipRgn(dc.get(), whole.get());
        }
        OffsetClipRgn(dc.get(), -wr.left, -wr.top);
        TRect caption;
        CallReportingLater([&] { DrawCaption(dc.get(), IsActiveWindow(), caption); }, this);
        if (!caption.IsEmpty())
            ExcludeClipRect(dc.get(), caption.Left, caption.Top, caption.Right, caption.Bottom);
        if (GetClipRgn(dc.get(), rest.get()) != 1) {
            // No clipping read back: the whole window less the caption.
            TRegionHandle all(CreateRectRgn(0, 0, wr.right - wr.left, wr.bottom - wr.top));
            TRegionHandle cap(CreateRectRgn(caption.Left, caption.Top, caption.Right, caption.Bottom));
            CombineRgn(rest.get(), all.get(), cap.get(), RGN_DIFF);
        }
        OffsetRgn(rest.get(), wr.left, wr.top);
    }
    // The system gets a region without the caption, whatever it was given:
    // with the whole window it paints its own caption over ours.
    TMessage def{WM_NCPAINT, reinterpret_cast<uintptr_t>(rest.get()), 0, 0};
    DefaultHandler(def);
    m.Result = def.Result;
}

void TGradientForm::HandleSetText(TMessage& m) {
    HWND wnd = Handle();
    {
        // While the system sets the text it paints its own caption: an empty
        // window region hides that, and is removed on every way out.
        struct HiddenFrame {
            HWND wnd = nullptr;
            ~HiddenFrame() {
                if (wnd) SetWindowRgn(wnd, nullptr, FALSE);
            }
        } hidden;
        if (IsWindowVisible(wnd)) {
            HRGN empty = CreateRectRgn(0, 0, 0, 0);
            if (SetWindowRgn(wnd, empty, FALSE))
                hidden.wnd = wnd;  // the system owns the region now
            else
                DeleteObject(empty);
        }
        DefaultHandler(m);
    }
    if (!g_settingCaptionText) {
        const auto* text = reinterpret_cast<const wchar_t*>(m.LParam);
        SetCaptionText(text ? WideToAnsi(text) : std::string());
    }
}

void TGradientForm::HandleGetText(TMessage& m) {
    std::wstring text = AnsiToWide(FCaptionText);
    size_t size = m.WParam;
    auto* buffer = reinterpret_cast<wchar_t*>(m.LParam);
    if (size == 0 || !buffer) {
        m.Result = 0;
        return;
    }
    size_t count = std::min(text.size(), size - 1);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = L'\0';
    m.Result = static_cast<intptr_t>(count);
}

void TGradientForm::WndProc(TMessage& m) {
    if (!HandleAllocated()) {
        TForm::WndProc(m);
        return;
    }
    bool inhibited = GetInhibitGradient();
    switch (m.Msg) {
    case WM_NCACTIVATE:
        if (inhibited) break;
        m.Result = TRUE;
        Draw(m.WParam != 0);
        return;
    case WM_NCPAINT:
        if (inhibited) break;
        HandleNCPaint(m);
        return;
    case WM_SYSCOLORCHANGE:
        FDisplayHas16Colors = ScreenColorBits() == 4;
        if (!GetInhibitGradient()) {
            if (FStopFollowsSystem[1]) FStopColor[1] = clActiveCaption;
            if (FStopFollowsSystem[0]) FStopColor[0] = clInactiveCaption;
            CalculateColors();
        }
        break;
    case WM_SIZE:
        TForm::WndProc(m);
        if (!inhibited && (m.WParam == SIZE_RESTORED || m.WParam == SIZE_MAXIMIZED)) Draw(IsActiveWindow());
        return;
    case WM_SETCURSOR: {
        const wchar_t* cursor = nullptr;
        switch (LOWORD(m.LParam)) {
        case HTLEFT:
        case HTRIGHT:
            cursor = IDC_SIZEWE;
            break;
        case HTTOP:
        case HTBOTTOM:
            cursor = IDC_SIZENS;
            break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
            cursor = IDC_SIZENWSE;
            break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
            cursor = IDC_SIZENESW;
            break;
        default:
            break;
        }
        if (inhibited || !cursor) break;
        ::SetCursor(LoadCursorW(nullptr, cursor));
        m.Result = 1;
        return;
    }
    case WM_SETTEXT:
        if (inhibited) {
            TForm::WndProc(m);
            if (m.LParam) FCaptionText = WideToAnsi(reinterpret_cast<const wchar_t*>(m.LParam));
            return;
        }
        HandleSetText(m);
        return;
    case WM_GETTEXT:
        if (inhibited) break;
        HandleGetText(m);
        return;
    case WM_GETTEXTLENGTH:
        if (inhibited) break;
        m.Result = static_cast<intptr_t>(AnsiToWide(FCaptionText).size());
        return;
    case WM_SETTINGCHANGE:
        if (m.WParam == SPI_SETNONCLIENTMETRICS && !inhibited) UpdateCaptionFont();
        break;
    case WM_NCLBUTTONDOWN:
        TForm::WndProc(m);
        if (!inhibited) Draw(IsActiveWindow());
        return;
    case WM_SYSCOMMAND:
        if (inhibited || (m.WParam & 0xFFF0) == SC_CONTEXTHELP) break;
        Draw(IsActiveWindow());
        TForm::WndProc(m);
        Draw(IsActiveWindow());
        return;
    case WM_ENTERIDLE:
        if (!inhibited) Draw(IsActiveWindow());
        break;
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
        if (Loading() && pos && (pos->flags & SWP_HIDEWINDOW)) pos->flags |= SWP_NOREDRAW;
        break;
    }
    default:
        break;
    }
    TForm::WndProc(m);
}
