// Painting of block backgrounds, borders and list bullets over GDI.
#include "html/block.h"

#ifdef _WIN32

#include <algorithm>

#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "framework/win.h"
#include "html/box_background.h"
#include "html/colors.h"
#include "html/draw_helpers.h"
#include "html/image_obj.h"
#include "html/section_list.h"
#include "html/text_measure_gdi.h"

namespace {

using enum PropIndices;

COLORREF Rgb(TColor c) { return static_cast<COLORREF>(ColorToRGB(c)) & 0xFFFFFF; }

}  // namespace

void TBlock::PaintBox(TCanvas* Canvas, const TRect& ARect, const TRect& outer, const TRect& inner) {
    TSectionList* doc = Document();
    const TColor background = BoxValues[BackgroundColor];
    const bool printing = doc && doc->Printing;
    if (background != clTransparentColor && (!printing || doc->TableBackgroundsPrinted)) {
        // Clipped to what is being painted (with 2 pixels above it), so a
        // block taller than the screen costs no more than the screen.
        RECT r{std::max(inner.Left, ARect.Left), std::max(inner.Top, ARect.Top - 2), std::min(inner.Right, ARect.Right),
               std::min(inner.Bottom, ARect.Bottom)};
        if (r.left < r.right && r.top < r.bottom) {
            TBrushHandle brush(CreateSolidBrush(Rgb(background) | PalRelative));
            FillRect(Canvas->Handle(), &r, brush.get());
        }
    }
    if (TBoxBackground* image = BackgroundImage()) image->Paint(Canvas, inner, ARect);
    DrawBlockBorder(Canvas, outer, inner);
}

void TBlock::DrawBlockBorder(TCanvas* Canvas, const TRect& ORect, const TRect& IRect) {
    if (BorderStyle == bssNone) return;
    auto style = [&](PropIndices p) { return static_cast<BorderStyleType>(BoxValues[p]); };
    DrawBorder(Canvas, ORect, IRect,
               htColors(BoxValues[BorderLeftColor], BoxValues[BorderTopColor], BoxValues[BorderRightColor],
                        BoxValues[BorderBottomColor]),
               htStyles(style(BorderLeftStyle), style(BorderTopStyle), style(BorderRightStyle),
                        style(BorderBottomStyle)),
               BoxValues[BackgroundColor]);
}

void TBlockLI::DrawBullet(TCanvas* Canvas, int X, int Y) {
    if (TSectionList* doc = Document(); BulletImage && doc && doc->DisplayImages) {
        // Its left 16 pixels before the content and its bottom on the
        // baseline (Draw takes document coordinates).
        const int baseline = SaturateY(int64_t{Y} + doc->ScrollY);
        try {
            BulletImage->Draw(Canvas, X - 16, SaturateY(int64_t{baseline} - BulletImage->BoxHeight), baseline,
                              nullptr);
        } catch (...) {
        }
        return;
    }
    HDC dc = Canvas->Handle();
    const COLORREF color = Rgb(BulletColor) | PalRelative;
    switch (BulletKind) {
        case lbCircle: {
            TPenHandle pen(CreatePen(PS_SOLID, 1, color));
            HGDIOBJ oldPen = SelectObject(dc, pen.get());
            HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
            Ellipse(dc, X - 16, Y - 7, X - 9, Y);
            SelectObject(dc, oldBrush);
            SelectObject(dc, oldPen);
            return;
        }
        case lbDisc:
        case lbSquare: {
            TPenHandle pen(CreatePen(PS_SOLID, 1, color));
            TBrushHandle brush(CreateSolidBrush(color));
            HGDIOBJ oldPen = SelectObject(dc, pen.get());
            HGDIOBJ oldBrush = SelectObject(dc, brush.get());
            if (BulletKind == lbDisc)
                Ellipse(dc, X - 15, Y - 6, X - 10, Y - 1);
            else
                Rectangle(dc, X - 15, Y - 6, X - 10, Y - 1);
            SelectObject(dc, oldBrush);
            SelectObject(dc, oldPen);
            return;
        }
        default:
            break;
    }
    const std::wstring text = BulletText(BulletKind, ItemNumber);
    if (text.empty()) return;
    // The font comes from the shared cache the text is measured with; only a
    // canvas without one gets a font of its own for this paint.
    auto* table = dynamic_cast<TTableMeasurer*>(&MeasurerFor(Canvas));
    HFONT shared = table ? PlatformFont(*table, table->Font(BulletFont)) : nullptr;
    TFontHandle own;
    if (!shared) {
        LOGFONTW lf{};
        lf.lfHeight = BulletFont.Height;
        lf.lfWeight = BulletFont.Weight;
        lf.lfItalic = BulletFont.Italic;
        lf.lfCharSet = BulletFont.Charset;
        const size_t n = std::min(BulletFont.Face.size(), size_t{LF_FACESIZE - 1});
        std::copy_n(BulletFont.Face.data(), n, lf.lfFaceName);
        own = TFontHandle(CreateFontIndirectW(&lf));
    }
    HGDIOBJ oldFont = SelectObject(dc, shared ? shared : own.get());
    const UINT oldAlign = SetTextAlign(dc, TA_BASELINE | TA_RIGHT);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, color);
    TextOutW(dc, X - 10, Y, text.data(), static_cast<int>(text.size()));
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    SetTextAlign(dc, oldAlign);
    SelectObject(dc, oldFont);
}

#endif
