// Painting of table cells and table borders over GDI.
#include "html/table.h"
#include "html/table_block.h"

#ifdef _WIN32

#include <algorithm>
#include <optional>

#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "framework/win.h"
#include "html/box_background.h"
#include "html/colors.h"
#include "html/draw_helpers.h"
#include "html/section_list.h"

namespace {

using enum PropIndices;

// GDI coordinates are kept within what every device takes.
int Gdi(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -32000, 32000)); }

RECT GdiRect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    return RECT{Gdi(left), Gdi(top), Gdi(right), Gdi(bottom)};
}

COLORREF Rgb(TColor c) { return static_cast<COLORREF>(ColorToRGB(c)) & 0xFFFFFF; }

// The clip region of one cell's content; the context is put back however
// the painting ends, so no region handle is made or left behind.
class TCellClip {
public:
    TCellClip(HDC dc, const RECT& r) : FDC(dc), FSaved(SaveDC(dc)) {
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    ~TCellClip() { RestoreDC(FDC, FSaved); }
    TCellClip(const TCellClip&) = delete;
    TCellClip& operator=(const TCellClip&) = delete;

private:
    HDC FDC;
    int FSaved;
};

// Frames in the table's colours, or in the system's 3-D colours when the
// table kept the defaults (they then follow the screen's scheme).
void Frame(const TSectionList* doc, TCanvas* canvas, int left, int top, int right, int bottom, TColor light,
           TColor dark, bool raised, int width) {
    if (light == clBtnHighlight && dark == clBtnShadow)
        RaisedRect(FrameLookOf(doc), canvas, left, top, right, bottom, raised, width);
    else
        RaisedRectColor(canvas, left, top, right, bottom, light, dark, raised, width);
}

}  // namespace

void TCellObj::Draw(TCanvas* Canvas, const TRect& ARect, int X, int Y, int CellSpacing, bool Border, TColor Light,
                    TColor Dark) {
    if (!Canvas || int64_t{Y} + CellSpacing >= ARect.Bottom) return;
    const TSectionList* doc = Cell->Document;
    const bool printing = doc && doc->Printing;
    // Only the content decides where pages end: counting draws nothing else.
    const bool counting = doc && doc->CountingOnly;
    const int64_t left = int64_t{X} + CellSpacing, top = int64_t{Y} + CellSpacing;
    const int64_t right = int64_t{X} + SpanWidth, bottom = int64_t{Y} + SpanHeight;
    if (bottom < int64_t{ARect.Top} - 200 || right <= left || bottom <= top) return;
    const int64_t innerLeft = left + BorderLeftPx, innerTop = top + BorderTopPx;
    const int64_t innerRight = right - BorderRightPx, innerBottom = bottom - BorderBottomPx;
    HDC dc = Canvas->Handle();

    // The background lies inside the spacing, and inside the borders the
    // style draws; the picture tiles from that area's top-left corner.
    const int64_t backLeft = BorderStyle ? innerLeft : left, backTop = BorderStyle ? innerTop : top;
    const int64_t backRight = BorderStyle ? innerRight : right, backBottom = BorderStyle ? innerBottom : bottom;
    if (Cell->HasBackground && (!printing || doc->TableBackgroundsPrinted) && !counting) {
        // With a table border the colour also takes the pixel row above
        // and the column left of the sunken frame.
        const int widen = Border && !BorderStyle ? 1 : 0;
        const int64_t l = backLeft - widen, t = backTop - widen, r = backRight, b = backBottom;
        const RECT fill = GdiRect(std::max<int64_t>(l, ARect.Left), std::max<int64_t>(t, ARect.Top - 2),
                                  std::min<int64_t>(r, ARect.Right), std::min<int64_t>(b, ARect.Bottom));
        if (fill.left < fill.right && fill.top < fill.bottom) {
            TBrushHandle brush(CreateSolidBrush(Rgb(Cell->BackgroundColor) | PalRelative));
            FillRect(dc, &fill, brush.get());
        }
    }
    if (BackImage && !counting) {
        const RECT area = GdiRect(backLeft, backTop, backRight, backBottom);
        BackImage->Paint(Canvas, TRect{area.left, area.top, area.right, area.bottom}, ARect);
    }

    if (HasContent() && top <= int64_t{ARect.Bottom} + 200 && bottom >= int64_t{ARect.Top} - 200) {
        std::optional<TCellClip> clip;
        if (!counting) clip.emplace(dc, GdiRect(innerLeft, innerTop, innerRight, innerBottom));
        const int width = SaturateY(std::max<int64_t>(0, int64_t{SpanWidth} - HorzExtra - CellSpacing));
        Cell->Draw(Canvas, ARect, width, SaturateY(int64_t{X} + ContentLeft(CellSpacing)),
                   SaturateY(innerTop + InsetTop + AlignOffsetY), 0, 0);
    }

    if (counting) return;
    if (BorderStyle) {
        const htColorArray colors = htColors(BoxValues[BorderLeftColor], BoxValues[BorderTopColor],
                                             BoxValues[BorderRightColor], BoxValues[BorderBottomColor]);
        auto style = [&](PropIndices p) { return static_cast<BorderStyleType>(BoxValues[p]); };
        const htBorderStyleArray styles =
            htStyles(style(BorderLeftStyle), style(BorderTopStyle), style(BorderRightStyle), style(BorderBottomStyle));
        const bool oneFrame = BorderLeftPx == 1 && BorderTopPx == 1 && BorderRightPx == 1 && BorderBottomPx == 1 &&
                              std::all_of(styles.begin(), styles.end(), [](BorderStyleType s) { return s == bssSolid; }) &&
                              std::all_of(colors.begin(), colors.end(), [&](TColor c) { return c == colors[0]; });
        const RECT box = GdiRect(left, top, right, bottom);
        if (oneFrame) {
            TBrushHandle brush(CreateSolidBrush(Rgb(colors[0]) | PalRelative));
            FrameRect(dc, &box, brush.get());
        } else {
            const RECT inner = GdiRect(innerLeft, innerTop, innerRight, innerBottom);
            DrawBorder(Canvas, TRect{box.left, box.top, box.right, box.bottom},
                       TRect{inner.left, inner.top, inner.right, inner.bottom}, colors, styles,
                       Cell->HasBackground ? Cell->BackgroundColor : clTransparentColor);
        }
    } else if (Border && HasContent()) {
        Frame(doc, Canvas, Gdi(left), Gdi(top), Gdi(right - 1), Gdi(bottom - 1), Light, Dark, false, 1);
    }
}

void TTableBlock::DrawBlockBorder(TCanvas* Canvas, const TRect& ORect, const TRect& IRect) {
    if (!TableBorder || !Table) {
        TBlock::DrawBlockBorder(Canvas, ORect, IRect);
        return;
    }
    const int w = std::max(1, BoxValues[BorderLeftWidth]);
    Frame(Document(), Canvas, ORect.Left + w - 1, ORect.Top + w - 1, ORect.Right - w, ORect.Bottom - w,
          Table->BorderColorLight, Table->BorderColorDark, true, w);
}

#else

void TCellObj::Draw(TCanvas*, const TRect&, int, int, int, bool, TColor, TColor) {}
void TTableBlock::DrawBlockBorder(TCanvas*, const TRect&, const TRect&) {}

#endif
