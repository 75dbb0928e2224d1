#include "framework/canvas.h"

#include <cstddef>
#include <vector>

#include "framework/bitmap.h"
#include "framework/cp1251.h"
#include "framework/win.h"

static_assert(sizeof(TPoint) == sizeof(POINT) && offsetof(TPoint, Y) == offsetof(POINT, y));
static_assert(sizeof(TRect) == sizeof(RECT) && offsetof(TRect, Bottom) == offsetof(RECT, bottom));
static_assert(sizeof(TSize) == sizeof(SIZE) && offsetof(TSize, cy) == offsetof(SIZE, cy));

namespace {

const char kNoCanvasHandle[] = "Canvas does not allow drawing";

RECT ToRECT(const TRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

// The raster operation that paints the brush where the source is white and
// keeps the destination where it is black (destination ^ (source & (brush ^ destination))).
constexpr DWORD kRopBrushWhereWhite = 0x00E20746;

}  // namespace

TCanvas::TCanvas() : FFont(new TFont), FPen(new TPen), FBrush(new TBrush) {
    FFont->OnChange = [this](TObject*) { FontChanged(); };
    FPen->OnChange = [this](TObject*) { PenChanged(); };
    FBrush->OnChange = [this](TObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() {
    // The context is not ours; it must not keep our objects selected.
    DeselectHandles();
}

HDC TCanvas::Handle() {
    RequiredState(csHandleValid);
    return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == FHandle && (FState & csHandleValid)) return;
    DeselectHandles();
    FHandle = dc;
    FState = dc ? static_cast<unsigned>(csHandleValid) : 0u;
}

void TCanvas::DeselectHandles() {
    if (FHandle && (FState & (csFontValid | csPenValid | csBrushValid))) {
        SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
        SelectObject(FHandle, GetStockObject(BLACK_PEN));
        SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
    }
    FState &= ~(csFontValid | csPenValid | csBrushValid);
}

void TCanvas::RequiredState(unsigned state) {
    const unsigned needed = state & ~FState;
    if (!needed) return;
    if (needed & csHandleValid) {
        CreateHandle();
        if (!FHandle || !(FState & csHandleValid)) throw EInvalidOperation(kNoCanvasHandle);
    }
    if (needed & csFontValid) {
        SelectObject(FHandle, FFont->Handle());
        SetTextColor(FHandle, static_cast<COLORREF>(ColorToRGB(FFont->Color())));
        FState |= csFontValid;
    }
    if (needed & csPenValid) {
        SelectObject(FHandle, FPen->Handle());
        SetROP2(FHandle, static_cast<int>(FPen->Mode()) + R2_BLACK);
        FState |= csPenValid;
    }
    if (needed & csBrushValid) {
        HBRUSH brush = FBrush->Handle();
        UnrealizeObject(brush);
        SelectObject(FHandle, brush);
        if (FBrush->Style() == bsSolid && !FBrush->Bitmap()) {
            SetBkColor(FHandle, static_cast<COLORREF>(ColorToRGB(FBrush->Color())));
            SetBkMode(FHandle, OPAQUE);
        } else {
            SetBkMode(FHandle, TRANSPARENT);
        }
        FState |= csBrushValid;
    }
}

void TCanvas::FontChanged() {
    if (FHandle && (FState & csFontValid)) SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
    FState &= ~csFontValid;
}

void TCanvas::PenChanged() {
    if (FHandle && (FState & csPenValid)) SelectObject(FHandle, GetStockObject(BLACK_PEN));
    FState &= ~csPenValid;
}

void TCanvas::BrushChanged() {
    if (FHandle && (FState & csBrushValid)) SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
    FState &= ~csBrushValid;
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() {
    RequiredState(csHandleValid);
    POINT p{};
    GetCurrentPositionEx(FHandle, &p);
    return {p.x, p.y};
}

TColor TCanvas::Pixels(int x, int y) {
    RequiredState(csHandleValid);
    return static_cast<TColor>(GetPixel(FHandle, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
    Changing();
    RequiredState(csHandleValid);
    SetPixel(FHandle, x, y, static_cast<COLORREF>(ColorToRGB(color)));
    Changed();
}

TRect TCanvas::ClipRect() {
    RequiredState(csHandleValid);
    RECT r{};
    GetClipBox(FHandle, &r);
    return {r.left, r.top, r.right, r.bottom};
}

void TCanvas::TextOut(int x, int y, const std::string& text) { TextOut(x, y, AnsiToWide(text)); }

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
    Changing();
    RequiredState(csHandleValid | csFontValid | csBrushValid);
    TextOutW(FHandle, x, y, text.data(), static_cast<int>(text.size()));
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
    TextRect(rect, x, y, AnsiToWide(text));
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::wstring& text) {
    Changing();
    RequiredState(csHandleValid | csFontValid | csBrushValid);
    UINT options = ETO_CLIPPED;
    if (FBrush->Style() != bsClear) options |= ETO_OPAQUE;
    const RECT r = ToRECT(rect);
    ExtTextOutW(FHandle, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

TSize TCanvas::TextExtent(const std::string& text) { return TextExtent(AnsiToWide(text)); }

TSize TCanvas::TextExtent(const std::wstring& text) {
    RequiredState(csHandleValid | csFontValid);
    SIZE size{};
    GetTextExtentPoint32W(FHandle, text.data(), static_cast<int>(text.size()), &size);
    return {size.cx, size.cy};
}

void TCanvas::FillRect(const TRect& rect) {
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    const RECT r = ToRECT(rect);
    ::FillRect(FHandle, &r, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    const RECT r = ToRECT(rect);
    ::FrameRect(FHandle, &r, FBrush->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    const RECT r = ToRECT(rect);
    ::DrawFocusRect(FHandle, &r);
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::Rectangle(FHandle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::Ellipse(FHandle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::RoundRect(FHandle, x1, y1, x2, y2, cornerWidth, cornerHeight);
    Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points) {
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::Polygon(FHandle, reinterpret_cast<const POINT*>(points.data()), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    Changing();
    RequiredState(csHandleValid | csPenValid);
    ::Polyline(FHandle, reinterpret_cast<const POINT*>(points.data()), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::MoveTo(int x, int y) {
    RequiredState(csHandleValid);
    MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::LineTo(FHandle, x, y);
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    StretchDraw(Bounds(x, y, graphic->Width(), graphic->Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequiredState(csHandleValid);
    graphic->Draw(this, rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
    Changing();
    // Font and brush colours steer monochrome-to-colour copies.
    RequiredState(csHandleValid | csFontValid | csBrushValid);
    HDC sourceDC = source->Handle();
    StretchBlt(FHandle, dest.Left, dest.Top, dest.Width(), dest.Height(), sourceDC, sourceRect.Left,
               sourceRect.Top, sourceRect.Width(), sourceRect.Height(), FCopyMode);
    Changed();
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& sourceRect, TColor color) {
    if (!bitmap || bitmap->Empty()) return;
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    const int dw = dest.Width(), dh = dest.Height();
    const int sw = sourceRect.Width(), sh = sourceRect.Height();
    HDC sourceDC = bitmap->Canvas()->Handle();
    StretchBlt(FHandle, dest.Left, dest.Top, dw, dh, sourceDC, sourceRect.Left, sourceRect.Top, sw, sh, SRCCOPY);

    // White in the mask where the source has the colour.
    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(sw, sh);
    HDC maskDC = mask.Canvas()->Handle();
    const COLORREF oldBack = SetBkColor(sourceDC, static_cast<COLORREF>(ColorToRGB(color)));
    BitBlt(maskDC, 0, 0, sw, sh, sourceDC, sourceRect.Left, sourceRect.Top, SRCCOPY);
    SetBkColor(sourceDC, oldBack);

    const COLORREF oldText = SetTextColor(FHandle, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(FHandle, RGB(255, 255, 255));
    StretchBlt(FHandle, dest.Left, dest.Top, dw, dh, maskDC, 0, 0, sw, sh, kRopBrushWhereWhite);
    SetTextColor(FHandle, oldText);
    SetBkColor(FHandle, oldBk);
    Changed();
}
