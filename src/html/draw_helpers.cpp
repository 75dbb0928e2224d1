#ifdef _WIN32

#include "html/draw_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "framework/win.h"
#include "html/colors.h"
#include "html/section_list.h"

namespace {

COLORREF PaletteColor(TColor color) { return (static_cast<COLORREF>(ColorToRGB(color)) & 0xFFFFFF) | PalRelative; }

// The context's state is saved and put back, so the canvas's own selections
// stay as the canvas believes them to be.
class TSavedDC {
public:
    explicit TSavedDC(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
    ~TSavedDC() { RestoreDC(FDC, FSaved); }
    TSavedDC(const TSavedDC&) = delete;
    TSavedDC& operator=(const TSavedDC&) = delete;

private:
    HDC FDC;
    int FSaved;
};

void FillQuad(HDC dc, const POINT (&quad)[4], COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    SetPolyFillMode(dc, WINDING);
    Polygon(dc, quad, 4);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
}

// The quadrilateral of one side between two nested rectangles.
void SideQuad(int side, const TRect& o, const TRect& i, POINT (&q)[4]) {
    switch (side) {
    case 0: q[0] = {o.Left, o.Top}; q[1] = {i.Left, i.Top}; q[2] = {i.Left, i.Bottom}; q[3] = {o.Left, o.Bottom}; break;
    case 1: q[0] = {o.Left, o.Top}; q[1] = {o.Right, o.Top}; q[2] = {i.Right, i.Top}; q[3] = {i.Left, i.Top}; break;
    case 2: q[0] = {o.Right, o.Top}; q[1] = {o.Right, o.Bottom}; q[2] = {i.Right, i.Bottom}; q[3] = {i.Right, i.Top}; break;
    default: q[0] = {o.Left, o.Bottom}; q[1] = {i.Left, i.Bottom}; q[2] = {i.Right, i.Bottom}; q[3] = {o.Right, o.Bottom};
    }
}

void FillSide(HDC dc, int side, const TRect& o, const TRect& i, COLORREF color) {
    POINT q[4];
    SideQuad(side, o, i, q);
    FillQuad(dc, q, color);
}

// A rectangle `amount[side]` inside `outer` on each side.
TRect Inset(const TRect& outer, const int (&amount)[4]) {
    return TRect{outer.Left + amount[0], outer.Top + amount[1], outer.Right - amount[2], outer.Bottom - amount[3]};
}

bool IsStroked(BorderStyleType s) { return s == bssDashed || s == bssDotted; }

}  // namespace

htBorderStyleArray htStyles(BorderStyleType left, BorderStyleType top, BorderStyleType right, BorderStyleType bottom) {
    return {left, top, right, bottom};
}

htColorArray htColors(TColor left, TColor top, TColor right, TColor bottom) { return {left, top, right, bottom}; }

TColor DarkenColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    auto dark = [](int channel) { return static_cast<uint8_t>(std::lround(channel * 0.75)); };
    return RGBToColor(dark(ColorRed(rgb)), dark(ColorGreen(rgb)), dark(ColorBlue(rgb)));
}

void DrawBorder(TCanvas* canvas, TRect outer, TRect inner, const htColorArray& colors,
                const htBorderStyleArray& styles, TColor background) {
    for (TRect* r : {&outer, &inner}) {
        r->Bottom = std::min(r->Bottom, 5000);
        r->Top = std::max(r->Top, -200);
    }
    const int widths[4] = {inner.Left - outer.Left, inner.Top - outer.Top, outer.Right - inner.Right,
                           outer.Bottom - inner.Bottom};
    int half[4], third[4], twoThirds[4];
    for (int s = 0; s < 4; ++s) {
        half[s] = widths[s] / 2;
        third[s] = widths[s] / 3 + (widths[s] % 3 == 2 ? 1 : 0);
        twoThirds[s] = widths[s] - third[s];
    }
    const TRect middle = Inset(outer, half);
    const TRect outerThird = Inset(outer, third);
    const TRect innerThird = Inset(outer, twoThirds);

    HDC dc = canvas->Handle();
    TSavedDC saved(dc);
    bool needRing = false;
    for (BorderStyleType s : styles) needRing = needRing || IsStroked(s) || s == bssDouble;
    if (background != clTransparentColor && needRing) {
        HRGN ring = CreateRectRgn(outer.Left, outer.Top, outer.Right, outer.Bottom);
        HRGN hole = CreateRectRgn(inner.Left, inner.Top, inner.Right, inner.Bottom);
        CombineRgn(ring, ring, hole, RGN_DIFF);
        HBRUSH brush = CreateSolidBrush(PaletteColor(background));
        FillRgn(dc, ring, brush);
        DeleteObject(brush);
        DeleteObject(hole);
        DeleteObject(ring);
    }

    for (int side = 0; side < 4; ++side) {
        const COLORREF plain = PaletteColor(colors[side]);
        const COLORREF dark = PaletteColor(DarkenColor(colors[side]));
        const bool leftOrTop = side < 2;
        switch (styles[side]) {
        case bssSolid:
        case bssInset:
        case bssOutset: {
            COLORREF color = plain;
            if ((styles[side] == bssInset && leftOrTop) || (styles[side] == bssOutset && !leftOrTop)) color = dark;
            if (widths[side] == 1) {
                HPEN pen = CreatePen(PS_SOLID, 1, color);
                HGDIOBJ old = SelectObject(dc, pen);
                POINT a, b;
                switch (side) {
                case 0: a = {outer.Left, outer.Top}; b = {outer.Left, outer.Bottom}; break;
                case 1: a = {outer.Left, outer.Top}; b = {outer.Right, outer.Top}; break;
                case 2: a = {outer.Right - 1, outer.Top}; b = {outer.Right - 1, outer.Bottom}; break;
                default: a = {outer.Left, outer.Bottom - 1}; b = {outer.Right, outer.Bottom - 1};
                }
                MoveToEx(dc, a.x, a.y, nullptr);
                LineTo(dc, b.x, b.y);
                SelectObject(dc, old);
                DeleteObject(pen);
            } else if (widths[side] > 1) {
                FillSide(dc, side, outer, inner, color);
            }
            break;
        }
        case bssGroove:
        case bssRidge: {
            // Groove: the outer half dark on the left and top, the inner half
            // dark on the right and bottom; ridge the reverse.
            const bool outerDark = (styles[side] == bssGroove) == leftOrTop;
            FillSide(dc, side, outer, middle, outerDark ? dark : plain);
            FillSide(dc, side, middle, inner, outerDark ? plain : dark);
            break;
        }
        case bssDouble:
            FillSide(dc, side, outer, outerThird, plain);
            FillSide(dc, side, innerThird, inner, plain);
            break;
        default:
            break;
        }
    }

    // Dashed and dotted sides: strokes along the middle rectangle, sides of one
    // look joined into one path, closed when it runs all the way round.
    const POINT corners[4] = {{middle.Left, middle.Bottom}, {middle.Left, middle.Top},
                              {middle.Right, middle.Top}, {middle.Right, middle.Bottom}};
    auto same = [&](int a, int b) {
        return styles[a] == styles[b] && colors[a] == colors[b] && widths[a] == widths[b];
    };
    for (int first = 0; first < 4;) {
        if (!IsStroked(styles[first]) || widths[first] <= 0) {
            ++first;
            continue;
        }
        int last = first;
        while (last + 1 < 4 && same(last + 1, first)) ++last;
        LOGBRUSH brush{BS_SOLID, PaletteColor(colors[first]), 0};
        HPEN pen;
        if (styles[first] == bssDotted) {
            // Round dots a width apart: a dash of one unit with round ends
            // (the stock dot pattern with round ends draws nothing on some
            // platforms).
            const DWORD pattern[2] = {1, static_cast<DWORD>(2 * widths[first])};
            pen = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_ROUND | PS_JOIN_MITER,
                               static_cast<DWORD>(widths[first]), &brush, 2, pattern);
        } else {
            pen = ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_SQUARE | PS_JOIN_MITER,
                               static_cast<DWORD>(widths[first]), &brush, 0, nullptr);
        }
        HGDIOBJ old = SelectObject(dc, pen);
        SetBkMode(dc, TRANSPARENT);
        BeginPath(dc);
        MoveToEx(dc, corners[first].x, corners[first].y, nullptr);
        for (int s = first; s <= last; ++s) LineTo(dc, corners[(s + 1) % 4].x, corners[(s + 1) % 4].y);
        if (first == 0 && last == 3) CloseFigure(dc);
        EndPath(dc);
        StrokePath(dc);
        SelectObject(dc, old);
        DeleteObject(pen);
        first = last + 1;
    }
}

void RaisedRectColor(TCanvas* canvas, int left, int top, int right, int bottom, TColor light, TColor dark,
                     bool raised, int width) {
    if (width == 1) {
        top = std::max(top, -200);
        bottom = std::min(bottom, 5000);
        HDC dc = canvas->Handle();
        TSavedDC saved(dc);
        auto line = [&](TColor color, std::initializer_list<POINT> points) {
            HPEN pen = CreatePen(PS_SOLID, 1, PaletteColor(color));
            HGDIOBJ old = SelectObject(dc, pen);
            std::vector<POINT> p(points);
            Polyline(dc, p.data(), static_cast<int>(p.size()));
            SelectObject(dc, old);
            DeleteObject(pen);
        };
        line(raised ? light : dark, {{left, bottom}, {left, top}, {right, top}});
        line(raised ? dark : light, {{right, top}, {right, bottom}, {left - 1, bottom}});
        return;
    }
    const TColor topLeft = raised ? light : dark;
    const TColor bottomRight = raised ? dark : light;
    DrawBorder(canvas, TRect{left - width + 1, top - width + 1, right + width, bottom + width},
               TRect{left + 1, top + 1, right, bottom}, htColors(topLeft, topLeft, bottomRight, bottomRight),
               htStyles(bssSolid, bssSolid, bssSolid, bssSolid), clTransparentColor);
}

TFrameLook FrameLookOf(const TSectionList* document) {
    TFrameLook look;
    if (document) {
        look.Printing = document->Printing;
        look.PrintMonoBlack = document->Printing && document->PrintTextBlack;
        look.DeviceColors = document->PrintDeviceColors;
        look.Background = document->Background;
    }
    return look;
}

void RaisedRect(const TFrameLook& document, TCanvas* canvas, int left, int top, int right, int bottom, bool raised,
                int width) {
    HDC dc = canvas->Handle();
    // The device is asked last: under Wine a memory device's answer costs a
    // round trip to the server, once for every cell.
    auto oneBit = [&] {
        if (document.DeviceColors != 0) return document.DeviceColors > 0 && document.DeviceColors < 3;
        return GetDeviceCaps(dc, BITSPIXEL) == 1 && GetDeviceCaps(dc, PLANES) == 1;
    };
    TColor light, dark;
    if (document.Printing && document.PrintMonoBlack && oneBit()) {
        light = dark = clBlack;
    } else {
        const bool whiteBackground = (document.Background & 0xFFFFFF) == 0xFFFFFF ||
                                     (document.Background == clWindow && (ColorToRGB(clWindow) & 0xFFFFFF) == 0xFFFFFF);
        light = document.Printing || whiteBackground ? clSilver : clBtnHighlight;
        dark = clBtnShadow;
    }
    RaisedRectColor(canvas, left, top, right, bottom, light, dark, raised, width);
}

void FormControlRect(TCanvas* canvas, int left, int top, int right, int bottom, bool raised, bool mono, bool grey) {
    HDC dc = canvas->Handle();
    mono = mono && GetDeviceCaps(dc, BITSPIXEL) == 1 && GetDeviceCaps(dc, PLANES) == 1;
    TSavedDC saved(dc);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(grey && !mono ? clBtnFace : clWhite)));
    RECT fill{left, top, right - 1, bottom - 1};
    FillRect(dc, &fill, brush);
    DeleteObject(brush);
    const TColor first = mono ? clBlack : raised ? clSilver : clBtnShadow;
    const TColor second = mono ? clBlack : raised ? clBtnShadow : clSilver;
    const int width = mono ? 1 : 2;
    // The pen lies inside the frame: a wider frame grows inwards.
    auto edges = [&](TColor color, bool leftAndTop) {
        HPEN pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(color)));
        HGDIOBJ old = SelectObject(dc, pen);
        for (int k = 0; k < width; ++k) {
            const int l = left + k, t = top + k, r = right - 1 - k, b = bottom - 1 - k;
            const POINT leftTop[3] = {{l, b}, {l, t}, {r, t}};
            const POINT rightBottom[3] = {{r, t}, {r, b}, {l - 1, b}};
            Polyline(dc, leftAndTop ? leftTop : rightBottom, 3);
        }
        SelectObject(dc, old);
        DeleteObject(pen);
    };
    edges(first, true);
    edges(second, false);
}

void WrapText(TCanvas* canvas, int left, int top, int right, int bottom, std::wstring text) {
    const TBrushStyle oldStyle = canvas->Brush()->Style();
    canvas->Brush()->SetStyle(bsClear);
    HDC dc = canvas->Handle();
    const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    const int lineHeight = canvas->TextHeight(std::wstring(L"A"));
    const int width = right - left;
    const TRect clip{left, top, right, bottom};
    std::wstring line;
    int y = top;
    auto trim = [](std::wstring& s) {
        size_t a = 0;
        while (a < s.size() && s[a] <= L' ') ++a;
        size_t b = s.size();
        while (b > a && s[b - 1] <= L' ') --b;
        s = s.substr(a, b - a);
    };
    trim(text);
    while (!text.empty() && y + lineHeight <= bottom) {
        const size_t blank = text.find(L' ');
        const std::wstring word = text.substr(0, blank);
        text = blank == std::wstring::npos ? std::wstring() : text.substr(blank);
        trim(text);
        if (canvas->TextWidth(line + word) > width) {
            if (!line.empty()) {
                canvas->TextRect(clip, left, y, line);
                y += lineHeight;
            }
            line = word + L" ";
        } else {
            line += word + L" ";
        }
    }
    if (!line.empty() && y + lineHeight <= bottom) canvas->TextRect(clip, left, y, line);
    SetTextAlign(dc, oldAlign);
    canvas->Brush()->SetStyle(oldStyle);
}

int GetXExtent(HDC dc, const wchar_t* text, int length) {
    SIZE size{};
    if (length <= 0) return 0;
    if (IsWin32Platform) GetTextExtentPoint32W(dc, text, length, &size);
    else GetTextExtentExPointW(dc, text, length, 0, nullptr, nullptr, &size);
    return size.cx;
}

int FitText(HDC dc, const wchar_t* text, int length, int maxWidth, int& extent) {
    extent = 0;
    if (!IsWin32Platform) {
        if (maxWidth <= 0 || length <= 0) return 0;
        INT fit = 0;
        SIZE size{};
        if (!GetTextExtentExPointW(dc, text, length, maxWidth, &fit, nullptr, &size)) return 0;
        extent = GetXExtent(dc, text, fit);
        return fit;
    }
    int low = 0, high = length, n = (low + high) / 2;
    for (;;) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text, n, &size);
        extent = size.cx;
        if (extent == maxWidth) return n;
        if (extent < maxWidth) low = n + 1;
        else high = n - 1;
        if (low > high) return n;
        n = (low + high) / 2;
    }
}

TAllocRec* Allocate(size_t size) {
    auto* block = new TAllocRec;
    block->ASize = size;
    if (size <= 65279) {
        block->Ptr = std::malloc(size ? size : 1);
    } else if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size)) {
        block->AHandle = memory;
        block->Ptr = GlobalLock(memory);
        if (!block->Ptr) {
            GlobalFree(memory);
            block->AHandle = nullptr;
        }
    }
    if (!block->Ptr) {
        delete block;
        return nullptr;
    }
    return block;
}

void DeAllocate(TAllocRec* block) {
    if (!block) return;
    if (block->AHandle) {
        GlobalUnlock(block->AHandle);
        GlobalFree(block->AHandle);
    } else {
        std::free(block->Ptr);
    }
    TObject::Free(block);
}

void ThtMetaFile::Construct() {
    if (FBitmap && FMask) return;
    FBitmap.reset(new TBitmap);
    FBitmap->SetSize(Width(), Height());
    TCanvas* canvas = FBitmap->Canvas();
    canvas->SetCopyMode(cmBlackness);
    canvas->CopyRect(TRect{0, 0, Width(), Height()}, canvas, TRect{0, 0, Width(), Height()});
    canvas->SetCopyMode(cmSrcCopy);
    canvas->Draw(0, 0, this);

    FMask.reset(new TBitmap);
    FMask->SetSize(Width(), Height());
    TCanvas* mask = FMask->Canvas();
    mask->Draw(0, 0, this);
    mask->SetCopyMode(cmDstInvert);
    mask->Draw(0, 0, this);
    FMask->SetMonochrome(true);
}

TBitmap* ThtMetaFile::GetBitmap() {
    Construct();
    return FBitmap.get();
}

TBitmap* ThtMetaFile::GetMask() {
    Construct();
    return FMask.get();
}

#endif
