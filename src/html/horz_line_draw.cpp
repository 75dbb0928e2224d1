// The rule of an HR painted over GDI: a sunken groove or a solid bar.
#include "html/horz_line.h"

#ifdef _WIN32

#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "framework/graphics.h"
#include "framework/win.h"
#include "html/colors.h"
#include "html/indent_manager.h"
#include "html/section_list.h"

namespace {

constexpr COLORREF kSilver = 0xC0C0C0;

bool IsWhite(TColor c) { return (static_cast<uint32_t>(ColorToRGB(c)) & 0xFFFFFF) == 0xFFFFFF; }

}  // namespace

int THorzLine::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
                     int OriginY) {
    const int result = TSectionBase::Draw1(Canvas, ARect, IndentRef, X, OriginX, OriginY);
    TSectionList* doc = Document();
    if (!Canvas || !doc) return result;
    const int top = InnerTop - doc->ScrollY;
    if (top + RuleThickness <= ARect.Top || top >= ARect.Bottom) return result;
    if (doc->Printing && InnerTop >= doc->PageBottomY) return result;
    const int left = (IndentRef ? IndentRef->LeftEdge : 0) + LineIndent;
    const int right = left + HRWidth - 1;
    const int bottom = top + RuleThickness - 1;
    HDC dc = Canvas->Handle();
    if (Color == 0x1FFFFFFF) {
        const bool mono = doc->Printing && GetDeviceCaps(dc, BITSPIXEL) == 1 && GetDeviceCaps(dc, PLANES) == 1;
        const COLORREF dark = NoShade || mono ? 0 : GetSysColor(COLOR_BTNSHADOW);
        const COLORREF light = NoShade || mono                                ? 0
                               : doc->Printing || IsWhite(doc->Background) ? kSilver
                                                                           : GetSysColor(COLOR_BTNHIGHLIGHT);
        TPenHandle lightPen(CreatePen(PS_SOLID, 1, light));
        TPenHandle darkPen(CreatePen(PS_SOLID, 1, dark));
        HGDIOBJ old = SelectObject(dc, lightPen.get());
        MoveToEx(dc, right, top, nullptr);
        LineTo(dc, right, bottom);
        LineTo(dc, left, bottom);
        SelectObject(dc, darkPen.get());
        LineTo(dc, left, top);
        LineTo(dc, right, top);
        SelectObject(dc, old);
    } else {
        TBrushHandle brush(CreateSolidBrush((static_cast<COLORREF>(ColorToRGB(Color)) & 0xFFFFFF) | PalRelative));
        RECT r{left, top, right + 1, top + RuleThickness};
        FillRect(dc, &r, brush.get());
    }
    doc->PageStillEmpty = false;
    return result;
}

#else

int THorzLine::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
                     int OriginY) {
    return TSectionBase::Draw1(Canvas, ARect, IndentRef, X, OriginX, OriginY);
}

#endif
