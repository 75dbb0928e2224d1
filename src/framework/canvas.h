// A drawing surface over a device context. The canvas selects its font, pen
// and brush into the context lazily, when a drawing call needs them, and puts
// stock objects back when they change or the context is let go.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "framework/graphics.h"

// Raster operations for CopyRect and picture drawing (the platform's codes).
using TCopyMode = uint32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

enum TCanvasStateFlag : unsigned {
    csHandleValid = 1u << 0,
    csFontValid = 1u << 1,
    csPenValid = 1u << 2,
    csBrushValid = 1u << 3,
};

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    // The device context, made by CreateHandle when there is none yet; a
    // canvas that cannot get one raises EInvalidOperation.
    HDC Handle();
    // Attaches a context the canvas does not own (nullptr detaches); the
    // canvas's objects are deselected from the previous one.
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* Font() const { return FFont.get(); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    // Copies the given object's properties.
    void SetFont(TFont* font) { FFont->Assign(font); }
    void SetPen(TPen* pen) { FPen->Assign(pen); }
    void SetBrush(TBrush* brush) { FBrush->Assign(brush); }

    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode mode) { FCopyMode = mode; }
    TPoint PenPos();
    void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
    // -1 (CLR_INVALID) outside the clipping region.
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);
    TRect ClipRect();

    // Text in code page 1251 or UTF-16, drawn with the font over the brush
    // (opaque when the brush is solid).
    void TextOut(int x, int y, const std::string& text);
    void TextOut(int x, int y, const std::wstring& text);
    // Clipped to the rectangle, which is filled first unless the brush is clear.
    void TextRect(const TRect& rect, int x, int y, const std::string& text);
    void TextRect(const TRect& rect, int x, int y, const std::wstring& text);
    TSize TextExtent(const std::string& text);
    TSize TextExtent(const std::wstring& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextWidth(const std::wstring& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    int TextHeight(const std::wstring& text) { return TextExtent(text).cy; }

    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void DrawFocusRect(const TRect& rect);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& rect) { Ellipse(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
    void Polygon(std::span<const TPoint> points);
    void Polygon(std::initializer_list<TPoint> points) { Polygon(std::span(points.begin(), points.size())); }
    void Polyline(std::span<const TPoint> points);
    void Polyline(std::initializer_list<TPoint> points) { Polyline(std::span(points.begin(), points.size())); }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);

    // Pictures at their own size or scaled to a rectangle (nothing for none or
    // an empty one).
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    // Another canvas's rectangle scaled into ours with CopyMode.
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
    // A bitmap's rectangle scaled into ours, its pixels of `color` replaced by
    // this canvas's brush.
    void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& sourceRect, TColor color);

    // Deselects font, pen and brush; they are selected again when next needed.
    void Refresh();
    // One thread draws: locking has nothing to guard.
    void Lock() {}
    void Unlock() {}

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // Asked for a context when there is none; the base canvas has no source
    // of one. Overrides call SetHandle (or set FHandle and csHandleValid).
    virtual void CreateHandle() {}
    void RequiredState(unsigned state);
    virtual void Changing();
    virtual void Changed();
    void DeselectHandles();

    HDC FHandle = nullptr;
    unsigned FState = 0;

private:
    void FontChanged();
    void PenChanged();
    void BrushChanged();

    owned_ptr<TFont> FFont;
    owned_ptr<TPen> FPen;
    owned_ptr<TBrush> FBrush;
    TCopyMode FCopyMode = cmSrcCopy;
};
