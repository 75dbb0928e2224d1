// Painting of text sections over GDI. Text is drawn with explicit advances,
// the very ones layout and hit tests use, so a justified line ends where
// layout put its end.
#include "html/text_section.h"

#ifdef _WIN32

#include <algorithm>
#include <optional>
#include <vector>

#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "framework/graphics.h"
#include "framework/win.h"
#include "html/colors.h"
#include "html/draw_helpers.h"
#include "html/section_list.h"
#include "html/text_measure_gdi.h"

namespace {

bool IsObjectChar(wchar_t c) { return c == ImageChar || c == FormControlChar || c == BreakChar; }

COLORREF Rgb(TColor c) { return static_cast<COLORREF>(ColorToRGB(c)) & 0xFFFFFF; }

// The context's state comes back however painting ends.
class TSavedDCState {
public:
    explicit TSavedDCState(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
    ~TSavedDCState() {
        if (FSaved) RestoreDC(FDC, FSaved);
    }
    TSavedDCState(const TSavedDCState&) = delete;
    TSavedDCState& operator=(const TSavedDCState&) = delete;

private:
    HDC FDC;
    int FSaved;
};

TFontHandle MakeFont(const TFontDesc& d) {
    LOGFONTW lf{};
    lf.lfHeight = d.Height;
    lf.lfWeight = d.Weight;
    lf.lfItalic = d.Italic;
    lf.lfUnderline = d.Underline;
    lf.lfStrikeOut = d.StrikeOut;
    lf.lfCharSet = d.Charset;
    lf.lfQuality = DEFAULT_QUALITY;
    const size_t n = std::min(d.Face.size(), size_t{LF_FACESIZE - 1});
    std::copy_n(d.Face.data(), n, lf.lfFaceName);
    return TFontHandle(CreateFontIndirectW(&lf));
}

// The border and background of an inline element on one line: BorderBox,
// moved up by the scroll offset, is the padding box; a side where the
// element goes on to another line has no border.
void PaintFrame(BorderRec& b, TCanvas* canvas, int scrollY) {
    TMarginArray& v = b.BoxValues;
    if (b.OpenAtStart) v[PropIndices::BorderLeftWidth] = 0;
    if (b.OpenAtEnd) v[PropIndices::BorderRightWidth] = 0;
    const TRect padding{b.BorderBox.Left, b.BorderBox.Top - scrollY, b.BorderBox.Right, b.BorderBox.Bottom - scrollY};
    const TColor background = v[PropIndices::BackgroundColor];
    HDC dc = canvas->Handle();
    if (background != TransparentColor) {
        TBrushHandle brush(CreateSolidBrush(Rgb(background) | PalRelative));
        RECT r{padding.Left, padding.Top, padding.Right, padding.Bottom};
        FillRect(dc, &r, brush.get());
    }
    const TRect border{padding.Left - v[PropIndices::BorderLeftWidth], padding.Top - v[PropIndices::BorderTopWidth],
                       padding.Right + v[PropIndices::BorderRightWidth],
                       padding.Bottom + v[PropIndices::BorderBottomWidth]};
    auto style = [&](PropIndices p) { return static_cast<BorderStyleType>(v[p]); };
    DrawBorder(canvas, border, padding,
               htColors(v[PropIndices::BorderLeftColor], v[PropIndices::BorderTopColor],
                        v[PropIndices::BorderRightColor], v[PropIndices::BorderBottomColor]),
               htStyles(style(PropIndices::BorderLeftStyle), style(PropIndices::BorderTopStyle),
                        style(PropIndices::BorderRightStyle), style(PropIndices::BorderBottomStyle)),
               background);
}

}  // namespace

void TSection::DrawFloats(TCanvas* Canvas, const TRect& ARect, int X) {
    TSectionList* doc = Document();
    const int scrollY = doc ? doc->ScrollY : 0;
    for (int i = 0; i < Images.Count(); ++i) {
        TFloatingObj* o = Images.Obj(i);
        if (!o->IsFloating()) continue;
        const int top = o->FloatY - scrollY;
        if (top + o->BoxHeight + o->SpaceTop + o->SpaceBottom <= ARect.Top || top >= ARect.Bottom) continue;
        int index;
        TFontObj* run = Fonts.GetFontObjAt(o->Pos, index);
        const int x = X - LayoutX + o->FloatX;
        auto* image = dynamic_cast<TImageObj*>(o);
        if (image && doc && doc->DeferringImages()) {
            doc->DeferredDraws.AddImage(image, Canvas, x, o->FloatY, o->FloatY, run);
            continue;
        }
        try {
            o->Draw(Canvas, x, o->FloatY, o->FloatY, run);
        } catch (...) {
        }
    }
}

int TSection::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager*, int X, int, int) {
    PaintLeftX = X;
    const int result = SaturateY(int64_t{InnerTop} + FullHeight);
    TSectionList* doc = Document();
    const int scrollY = doc ? doc->ScrollY : 0;
    if (Len == 0 || Lines.empty() || !Canvas) return result;
    if (PaintBottom - scrollY < ARect.Top || PaintTop - scrollY >= ARect.Bottom) return result;

    const bool printing = doc && doc->Printing;
    // Counting pages draws nothing: where the section has nothing but text
    // (no objects, frames, focus rectangle or caret), the lines' colours and
    // fonts would only be set for text that is never drawn.
    bool textUnseen = printing && doc->SuppressOutput && NextObjectAt(0) >= Len &&
                      (!doc->InlineBorders || doc->InlineBorders->Count() == 0) &&
                      !(doc->DummyCaretWanted && !doc->PrintCopyFlag);
    for (int i = 0; textUnseen && i < Fonts.Count(); ++i)
        if (Fonts.Run(i)->Focused) textUnseen = false;
    // Nor is the context then touched: saving and restoring its state costs
    // more than finding where the section's lines fall on the page.
    const bool drawing = !textUnseen || Images.Count() > 0;

    HDC dc = Canvas->Handle();
    TTextMeasurer& m = MeasurerFor(Canvas);
    auto* table = dynamic_cast<TTableMeasurer*>(&m);
    // When the measurer has none.
    std::vector<TFontHandle> ownFonts(drawing ? static_cast<size_t>(Fonts.Count()) : 0);
    // Declared after the fonts: the context lets go of them before they are deleted.
    std::optional<TSavedDCState> saved;
    if (drawing) {
        saved.emplace(dc);
        SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    }
    auto fontOf = [&](int ri) -> HFONT {
        if (table)
            if (HFONT f = PlatformFont(*table, Fonts.Run(ri)->FontIdIn(m))) return f;
        TFontHandle& own = ownFonts[static_cast<size_t>(ri)];
        if (!own) own = MakeFont(Fonts.Run(ri)->RunFont);
        return own.get();
    };
    const bool showSelection = doc && !doc->PrintCopyFlag && doc->SelFirstPos < doc->SelEndPos;
    const int selStart = showSelection ? doc->SelFirstPos - FirstDocPos : 0;
    const int selEnd = showSelection ? doc->SelEndPos - FirstDocPos : 0;
    // Only text drawn black needs the device's colours; a job reads them
    // once, as asking a memory device costs a round trip to the server under
    // Wine.
    const int colors = !printing || !doc->PrintTextBlack || doc->SuppressOutput ? -1
                       : doc->PrintDeviceColors != 0                            ? doc->PrintDeviceColors
                                                                                : GetDeviceCaps(dc, NUMCOLORS);
    const bool fewColors = colors >= 0 && colors < 3;
    const COLORREF paper = Rgb(doc ? doc->Background : Canvas->Brush() ? Canvas->Brush()->Color() : 0xFFFFFF);
    std::vector<int> adv;
    if (Images.Count() > 0) DrawFloats(Canvas, ARect, X);
    // Preformatted text keeps to its lines: a font taller than the line
    // height given does not spill onto the lines around it.
    const bool clipToLine = Preformatted();

    // What the context was given last: the runs of a line set the mode,
    // colours and font only where they change. Anything else that draws on
    // the context (frames, objects, controls) forgets it.
    struct TTextState {
        int Mode = 0;
        COLORREF Back = CLR_INVALID, Text = CLR_INVALID;
        HFONT Font = nullptr;
    } state;
    auto setMode = [&](int mode) {
        if (state.Mode != mode) SetBkMode(dc, state.Mode = mode);
    };
    auto setBack = [&](COLORREF color) {
        if (state.Back != color) SetBkColor(dc, state.Back = color);
    };
    auto setText = [&](COLORREF color) {
        if (state.Text != color) SetTextColor(dc, state.Text = color);
    };
    for (LineRec& line : Lines) {
        const int top = line.LayoutTop - scrollY;
        if (top + line.LineImageHeight() <= ARect.Top) continue;
        if (top >= ARect.Bottom) break;
        if (printing) {
            const int64_t bottom = int64_t{line.LayoutTop} + line.LineImageHeight();
            if (bottom > doc->PageBottomY) {
                const int pageHeight = ARect.Bottom - ARect.Top;
                if (!(line.LineImageHeight() > pageHeight || doc->PageBottomLowered)) {
                    doc->PageBottomY = std::min(doc->PageBottomY, line.LayoutTop);
                    doc->PageBottomLowered = true;
                    break;
                }
            }
        }
        if (!line.BordersBuilt()) CheckForInlines(line);
        if (line.LineCharCount == 0) continue;
        if (textUnseen) {
            doc->PageStillEmpty = false;
            continue;
        }
        LineAdvances(m, line, adv);
        const int start = line.Start, end = line.Start + line.LineCharCount;
        int textEnd = end;
        while (textEnd > start && (SectionText[static_cast<size_t>(textEnd - 1)] == L' ' ||
                                   SectionText[static_cast<size_t>(textEnd - 1)] == BreakChar))
            --textEnd;
        const int baseline = top + line.SpaceBefore + line.LineHeightPx - line.Descent;
        int x = X + line.LineIndent;
        const int textX = x;
        if (TFreeList* borders = line.HasBorders() ? line.LineBorders() : nullptr) {
            auto xAt = [&](int pos) {
                int bx = x;
                for (int i = start; i < std::clamp(pos, start, end); ++i) bx += adv[static_cast<size_t>(i - start)];
                return bx;
            };
            const int textTop = line.LayoutTop + line.SpaceBefore;
            for (int i = 0; i < borders->Count(); ++i) {
                auto* b = static_cast<BorderRec*>(borders->Items(i));
                const TMarginArray& v = b->BoxValues;
                b->BorderBox = TRect{xAt(b->BorderFirstPos) - (b->OpenAtStart ? 0 : v[PropIndices::PaddingLeft]),
                                     textTop - v[PropIndices::PaddingTop],
                                     xAt(b->BorderEndPos) + (b->OpenAtEnd ? 0 : v[PropIndices::PaddingRight]),
                                     textTop + line.LineHeightPx + v[PropIndices::PaddingBottom]};
                PaintFrame(*b, Canvas, scrollY);
            }
            state = {};
        }
        int p = start;
        int ri = RunIndexAt(p);
        while (p < textEnd) {
            while (ri + 1 < Fonts.Count() && Fonts.Run(ri + 1)->RunStart <= p) ++ri;
            if (IsObjectChar(SectionText[static_cast<size_t>(p)])) {
                if (TFloatingObj* o = InlineObjectAt(p)) {
                    const int lineTop = line.LayoutTop;
                    const int base = lineTop + line.SpaceBefore + line.LineHeightPx - line.Descent;
                    try {
                        o->Draw(Canvas, x + o->SpaceLeft, lineTop, base, Fonts.Run(ri));
                    } catch (...) {
                    }
                    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
                } else if (SectionText[static_cast<size_t>(p)] == FormControlChar) {
                    DrawControl(Canvas, p, x, line);
                }
                state = {};
                x += adv[static_cast<size_t>(p - start)];
                ++p;
                continue;
            }
            int pieceEnd = std::min(textEnd, NextObjectAt(p));
            if (ri + 1 < Fonts.Count()) pieceEnd = std::min(pieceEnd, Fonts.Run(ri + 1)->RunStart);
            const bool selected = p >= selStart && p < selEnd;
            if (showSelection) {
                if (selected) pieceEnd = std::min({pieceEnd, selEnd, p + 32000});
                else if (p < selStart) pieceEnd = std::min(pieceEnd, selStart);
            }
            const TFontObj* run = Fonts.Run(ri);
            TColor color = run->FontColor;
            if (printing) {
                if (doc->PrintTextBlack && fewColors && Rgb(color) != 0xFFFFFF) color = 0;
                const COLORREF c = Rgb(color);
                if (!doc->TableBackgroundsPrinted && GetRValue(c) >= 0xE0 && GetGValue(c) >= 0xE0)
                    color = 0xA0A0A0;
            }
            if (selected) {
                setMode(OPAQUE);
                setBack(Rgb(color));
                // Inverse video: the text in the colour it stands on, on a band of its
                // font colour (black or white where that would not read).
                setText(static_cast<COLORREF>(
                    ReadableOn(static_cast<TColor>(Rgb(color)),
                               static_cast<TColor>(run->BackColor == TransparentColor ? paper : Rgb(run->BackColor)))));
            } else if (run->BackColor == TransparentColor) {
                setMode(TRANSPARENT);
                setText(Rgb(color));
            } else {
                setMode(OPAQUE);
                setBack(Rgb(run->BackColor));
                setText(Rgb(color));
            }
            int y = baseline;
            if (run->ScriptShift == ASuper) y -= run->MetricHeight / 3;
            if (run->ScriptShift == ASub) y += run->MetricDescent / 2 + 1;
            if (HFONT font = fontOf(ri); font != state.Font) SelectObject(dc, state.Font = font);
            const int n = pieceEnd - p;
            int width = 0;
            for (int i = 0; i < n; ++i) width += adv[static_cast<size_t>(p - start + i)];
            if (!doc || !doc->SuppressOutput) {
                const RECT lineBox{x - line.LineHeightPx, top, x + width + line.LineHeightPx,
                                   top + line.LineImageHeight()};
                ExtTextOutW(dc, x, y, clipToLine ? ETO_CLIPPED : 0, clipToLine ? &lineBox : nullptr,
                            SectionText.data() + p, static_cast<UINT>(n), adv.data() + (p - start));
            }
            if (run->Focused && !run->LinkTarget().Url.empty()) {
                RECT r{x, top + line.SpaceBefore, x + width, top + line.SpaceBefore + line.LineHeightPx};
                DrawFocusRect(dc, &r);
                state = {};
            }
            x += width;
            p = pieceEnd;
        }
        if (doc && doc->DummyCaretWanted && !doc->PrintCopyFlag) {
            const int caret = doc->SelFirstPos - FirstDocPos;
            // The caret stands on the line holding its position (the end of
            // the text on the last line).
            if (caret >= start && (caret < end || (caret == Len && end == Len))) {
                int cx = textX;
                for (int i = start; i < caret; ++i) cx += adv[static_cast<size_t>(i - start)];
                TPenHandle pen(CreatePen(PS_SOLID, 1, 0));
                HGDIOBJ old = SelectObject(dc, pen.get());
                MoveToEx(dc, cx, top + line.SpaceBefore, nullptr);
                LineTo(dc, cx, top + line.SpaceBefore + line.LineHeightPx);
                SelectObject(dc, old);
            }
        }
        if (doc) doc->PageStillEmpty = false;
    }
    return result;
}

#else

void TSection::DrawFloats(TCanvas*, const TRect&, int) {}

// Natively nothing is painted; the section still reports where it ends.
int TSection::Draw1(TCanvas*, const TRect&, IndentManager*, int X, int, int) {
    PaintLeftX = X;
    return SaturateY(int64_t{InnerTop} + FullHeight);
}

#endif
