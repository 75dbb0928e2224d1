#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/metafile.h"
#include "framework/printers.h"
#include "framework/win.h"
#include "html/font_obj.h"
#include "html/image_cache.h"
#include "html/section_list.h"
#include "html/text_measure.h"
#include "html/text_measure_gdi.h"
#include "viewer/document_printing.h"
#include "viewer/metafile_printer.h"
#include "viewer/page_viewer.h"
#include "viewer/vw_printer.h"

namespace {

const char kExcessiveHeight[] = "Vertical Height exceeds 4000";
constexpr int kMaxPictureHeight = 4000;
// Width and available height for the layout of HTML bands and pictures.
constexpr int kBandLayoutHeight = 300;
constexpr int kPictureClipWidth = 6000;

// ---- one job at a time

bool gJobRunning = false;
// The document whose copy the running job draws: the copy shares its form
// controls and panels.
const TSectionList* gJobDocument = nullptr;

std::vector<std::function<void()>>& PendingAfterJob() {
    static std::vector<std::function<void()>> actions;
    return actions;
}

class TJobScope {
public:
    explicit TJobScope(const TSectionList& document) {
        gJobRunning = true;
        gJobDocument = &document;
    }
    ~TJobScope() {
        gJobRunning = false;
        gJobDocument = nullptr;
        std::vector<std::function<void()>> actions;
        actions.swap(PendingAfterJob());
        for (auto& action : actions) try {
                action();
            } catch (...) {
            }
    }
    TJobScope(const TJobScope&) = delete;
    TJobScope& operator=(const TJobScope&) = delete;
};

// ---- device values and mapping

TPrintDeviceValues ReadDeviceValues(HDC dc) {
    TPrinterDevice& device = PrinterDevice();
    TPrintDeviceValues v;
    v.PixelsPerInchX = device.Caps(dc, LOGPIXELSX);
    v.PixelsPerInchY = device.Caps(dc, LOGPIXELSY);
    v.PageWidth = device.Caps(dc, HORZRES);
    v.PageHeight = device.Caps(dc, VERTRES);
    v.PhysicalWidth = device.Caps(dc, PHYSICALWIDTH);
    v.PhysicalHeight = device.Caps(dc, PHYSICALHEIGHT);
    v.PhysicalOffsetX = device.Caps(dc, PHYSICALOFFSETX);
    v.PhysicalOffsetY = device.Caps(dc, PHYSICALOFFSETY);
    return v;
}

TPageGeometry GeometryOrRefuse(const TPrintDeviceValues& values, const TPrintSettings& settings) {
    std::optional<TPageGeometry> g =
        ComputePageGeometry(values, settings.Margins, ScreenPixelsPerInch(), settings.Scale);
    if (!g) throw EPrinter(SInvalidPrinter);
    return *g;
}

// One logical unit is one screen pixel at print scale 1.
void SetPageMapping(HDC dc, const TPageGeometry& g, const TPrintDeviceValues& v) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, g.LogicalPerInch, g.LogicalPerInch, nullptr);
    SetViewportExtEx(dc, v.PixelsPerInchX, v.PixelsPerInchY, nullptr);
}

// Text is measured in the very mapping it is drawn in, so lines laid out for
// paper end where the paper's glyphs end.
std::unique_ptr<TTableMeasurer> MakePageMeasurer(HDC dc, const TPageGeometry& g, const TPrintDeviceValues& v) {
    auto source = std::make_unique<TGdiGlyphSource>(dc);
    source->SetLogicalScale(g.LogicalPerInch, v.PixelsPerInchX, v.PixelsPerInchY);
    return std::make_unique<TTableMeasurer>(std::move(source));
}

// A viewer counts its pages again at every change of its page setup: a
// count or preview for the same printer and scale as the last one measures
// with the fonts and advance tables that one made, which cost a short
// article more than its whole layout.
TTableMeasurer& RecordingMeasurer(HDC printer, const TPageGeometry& g, const TPrintDeviceValues& v) {
    struct TCached {
        HDC DC = nullptr;
        int PrinterIndex = -1, LogicalPerInch = 0, PerInchX = 0, PerInchY = 0;
        std::unique_ptr<TTableMeasurer> Measurer;
    };
    // Kept to the end of the process: its fonts outlive every job.
    static TCached* const cached = new TCached;
    const int index = Printer()->PrinterIndex();
    if (!cached->Measurer || cached->DC != printer || cached->PrinterIndex != index ||
        cached->LogicalPerInch != g.LogicalPerInch || cached->PerInchX != v.PixelsPerInchX ||
        cached->PerInchY != v.PixelsPerInchY) {
        std::unique_ptr<TTableMeasurer> measurer = MakePageMeasurer(printer, g, v);
        *cached = {printer, index, g.LogicalPerInch, v.PixelsPerInchX, v.PixelsPerInchY, std::move(measurer)};
    }
    return *cached->Measurer;
}

class TMeasurerFor {
public:
    TMeasurerFor(TCanvas* canvas, TTextMeasurer* measurer) : FCanvas(canvas) {
        RegisterCanvasMeasurer(canvas, measurer);
    }
    ~TMeasurerFor() { RegisterCanvasMeasurer(FCanvas, nullptr); }
    TMeasurerFor(const TMeasurerFor&) = delete;
    TMeasurerFor& operator=(const TMeasurerFor&) = delete;

private:
    TCanvas* FCanvas;
};

class TRegion {
public:
    TRegion(int left, int top, int right, int bottom) : FRegion(CreateRectRgn(left, top, right, bottom)) {}
    ~TRegion() {
        if (FRegion) DeleteObject(FRegion);
    }
    TRegion(const TRegion&) = delete;
    TRegion& operator=(const TRegion&) = delete;
    HRGN get() const { return FRegion; }

private:
    HRGN FRegion;
};

void ProcessPendingMessages() {
    if (Application) Application->ProcessMessages();
}

// The copy a job lays out and draws: it never tells the source's viewer
// about its own background.
owned_ptr<TSectionList> PrintCopy(const TSectionList& source) {
    auto copy = owned_ptr<TSectionList>(new TSectionList(source));
    copy->BackgroundChangeHandler = nullptr;
    copy->SetYOffset(0);
    copy->Printing = true;
    copy->Background = clWhite;
    return copy;
}

int LayOut(TSectionList& doc, TCanvas* canvas, int width, int height, int enclosing) {
    // Every page of a job is drawn on this device or a recording of it; only
    // text drawn black needs its colours.
    if (canvas && doc.PrintTextBlack && !doc.SuppressOutput)
        doc.PrintDeviceColors = GetDeviceCaps(canvas->Handle(), NUMCOLORS);
    int scrollWidth = 0, positions = 0;
    return doc.DoLogic(canvas, 0, width, height, enclosing, scrollWidth, positions);
}

// ---- backgrounds

constexpr int kMaxTilesPerAxis = 32;

// `picture` repeated columns x rows times in one bitmap of its kind.
TBitmap* TiledCopy(TBitmap* picture, int columns, int rows) {
    owned_ptr<TBitmap> copy(new TBitmap);
    if (picture->Monochrome())
        copy->SetMonochrome(true);
    else
        copy->SetPixelFormat(pf24bit);
    const int w = picture->Width(), h = picture->Height();
    copy->SetSize(w * columns, h * rows);
    if (copy->Width() != w * columns || copy->Height() != h * rows) return nullptr;
    HDC target = copy->Canvas()->Handle(), source = picture->Canvas()->Handle();
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            BitBlt(target, column * w, row * h, w, h, source, 0, 0, SRCCOPY);
    return copy.release();
}

// Tiles the picture over `clip` (canvas coordinates); the area the picture's
// position refers to starts at areaLeft/areaTop on the canvas.
void DrawBackground(TCanvas* canvas, const TDocumentBackground& background, const TRect& clip, int areaLeft,
                    int areaTop, int areaWidth, int areaHeight, int yOffset, bool printerSafe) {
    HDC dc = canvas->Handle();
    canvas->Brush()->SetColor(background.Color);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(clip);
    TBitmap* picture = background.Picture;
    if (!picture || picture->Empty() || picture->Width() <= 0 || picture->Height() <= 0) return;
    const PositionEntry& px = background.Placement[0];
    const PositionEntry& py = background.Placement[1];
    const bool fixed = px.Attached || py.Attached;
    const int offset = fixed ? 0 : yOffset;

    // A picture one pixel thin is stretched first, so tiling it stays cheap.
    owned_ptr<TBitmap> enlargedPicture, enlargedMask;
    TBitmap* mask = background.Mask;
    // Only along an axis that repeats: a single pixel placed once stays one.
    const int wideW = px.Tiles ? clip.Right - clip.Left : 1, wideH = py.Tiles ? clip.Bottom - clip.Top : 1;
    if ((picture->Width() == 1 && wideW > 1) || (picture->Height() == 1 && wideH > 1)) {
        enlargedPicture.reset(EnlargeBitmap(picture, wideW, wideH));
        if (mask) enlargedMask.reset(EnlargeBitmap(mask, wideW, wideH));
        if (!enlargedPicture) return;
        picture = enlargedPicture.get();
        if (mask) mask = enlargedMask.get();
    }
    int pw = picture->Width(), ph = picture->Height();
    TTileRun across = TileAxis(px, pw, areaWidth, 0, clip.Left - areaLeft, clip.Right - areaLeft);
    TTileRun down = TileAxis(py, ph, areaHeight, offset, clip.Top - areaTop, clip.Bottom - areaTop);
    if (across.Count <= 0 || down.Count <= 0) return;

    // A small picture over a large page: tiles of several copies at once, so
    // the number of drawing calls stays bounded.
    owned_ptr<TBitmap> groupedPicture, groupedMask;
    const int groupX = across.Count > kMaxTilesPerAxis ? (across.Count + kMaxTilesPerAxis - 1) / kMaxTilesPerAxis : 1;
    const int groupY = down.Count > kMaxTilesPerAxis ? (down.Count + kMaxTilesPerAxis - 1) / kMaxTilesPerAxis : 1;
    if (groupX > 1 || groupY > 1) {
        groupedPicture.reset(TiledCopy(picture, groupX, groupY));
        if (mask) groupedMask.reset(TiledCopy(mask, groupX, groupY));
        if (groupedPicture && (!mask || groupedMask)) {
            picture = groupedPicture.get();
            if (mask) mask = groupedMask.get();
            across.Count = (across.Count + groupX - 1) / groupX;
            down.Count = (down.Count + groupY - 1) / groupY;
            pw *= groupX;
            ph *= groupY;
        }
    }

    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.Left, clip.Top, clip.Right, clip.Bottom);
    for (int row = 0; row < down.Count; ++row) {
        const int y = areaTop + down.Start + row * ph;
        for (int column = 0; column < across.Count; ++column) {
            const int x = areaLeft + across.Start + column * pw;
            if (printerSafe) {
                if (mask)
                    PrintTransparentBitmap3(canvas, x, y, pw, ph, picture, mask, 0, ph);
                else
                    PrintBitmap(canvas, x, y, pw, ph, picture->Handle());
            } else if (mask) {
                TransparentStretchBlt(dc, x, y, pw, ph, picture->Canvas()->Handle(), 0, 0, pw, ph,
                                      mask->Canvas()->Handle(), 0, 0);
            } else {
                BitBlt(dc, x, y, pw, ph, picture->Canvas()->Handle(), 0, 0, SRCCOPY);
            }
        }
    }
    RestoreDC(dc, saved);
}

// ---- pages

struct TPageState {
    const TPrintSettings& Settings;
    TSectionList& Copy;
    TPageGeometry Geometry;
    TPrintDeviceValues Values;
    int DocHeight = 0;
    int Page = 0;
    bool Stop = false;
};

// The canvas's font, pen and brush, and the text alignment, put back after
// the page's bands.
class TCanvasState {
public:
    explicit TCanvasState(TCanvas* canvas) : FCanvas(canvas) {
        FFont.Assign(canvas->Font());
        FPen.Assign(canvas->Pen());
        FBrush.Assign(canvas->Brush());
    }
    void RestorePen() { FCanvas->SetPen(&FPen); }
    void RestoreAll() {
        FCanvas->SetFont(&FFont);
        FCanvas->SetPen(&FPen);
        FCanvas->SetBrush(&FBrush);
    }

private:
    TCanvas* FCanvas;
    TFont FFont;
    TPen FPen;
    TBrush FBrush;
};

// One HTML header or footer band of the page; whatever fails inside stays
// inside.
void DrawHTMLBand(TPageState& s, TCanvas* canvas, const TBandSource& source, bool header, int pageEnd) {
    if (!source) return;
    try {
        const TPageGeometry& g = s.Geometry;
        int left = g.Left, right = g.Left + g.Width;
        const bool lastPage = pageEnd > s.DocHeight;
        TBandDocument band = source(s.Page, lastPage, left, right, s.Stop);
        if (!band.Document || right <= left) return;
        TSectionList copy(*band.Document);
        copy.BackgroundChangeHandler = nullptr;
        copy.Printing = true;
        const int height = LayOut(copy, canvas, right - left, kBandLayoutHeight, 0);
        HDC dc = canvas->Handle();
        int visible;
        if (header) {
            SetWindowOrgEx(dc, 0, 0, nullptr);
            visible = g.Top;
            copy.SetYOffset(height - g.Top);
        } else {
            SetWindowOrgEx(dc, 0, -(g.Top + g.Height), nullptr);
            visible = std::min(g.FullHeight - g.Top - g.Height, height);
            copy.SetYOffset(0);
        }
        if (visible <= 0) return;
        DoBackground2(canvas, band.Background, left, 0, right - left, visible, copy.ScrollY,
                      band.Background.Color);
        copy.Draw(canvas, TRect{left, 0, right, visible}, right - left, left, 0, left, 0);
    } catch (...) {
    }
}

void DrawCanvasBands(TPageState& s, TCanvas* canvas) {
    const TPageGeometry& g = s.Geometry;
    HDC dc = canvas->Handle();
    if (s.Settings.OnPrintHeader) {
        SetWindowOrgEx(dc, 0, 0, nullptr);
        s.Settings.OnPrintHeader(s.Settings.Sender, canvas, s.Page, g.FullWidth, g.Top, s.Stop);
    }
    if (s.Settings.OnPrintFooter) {
        SetWindowOrgEx(dc, 0, -(g.Top + g.Height), nullptr);
        s.Settings.OnPrintFooter(s.Settings.Sender, canvas, s.Page, g.FullWidth, g.FullHeight - g.Top - g.Height,
                                 s.Stop);
    }
}

// The white strips above the page rectangle and below its last whole line,
// where a row or picture cut by the page end would otherwise show.
void WhiteOutsideContent(TCanvas* canvas, const TPageGeometry& g, int pageEnd, int y) {
    canvas->Brush()->SetColor(clWhite);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Pen()->SetColor(clWhite);
    canvas->Pen()->SetStyle(psSolid);
    canvas->FillRect(TRect{g.Left, 0, g.Left + g.Width + 1, g.Top - 1});
    const int below = pageEnd - y + g.Top + 2;
    if (below < g.Top + g.Height) canvas->FillRect(TRect{g.Left, below, g.Left + g.Width + 1, g.Top + g.Height});
}

// The background again under the strip below the last whole line.
void BackgroundBelowContent(TPageState& s, TCanvas* canvas, int pageEnd, int y) {
    const TPageGeometry& g = s.Geometry;
    if (!s.Settings.PrintBackground || pageEnd >= y + g.Height) return;
    HDC dc = canvas->Handle();
    const int top = MulDivRound(pageEnd - y + g.Top + 2, s.Values.PixelsPerInchY, g.LogicalPerInch);
    TRegion below(g.MarginLeft, top, g.MarginLeft + g.PrintableWidth, g.MarginTop + g.PrintableHeight);
    SelectClipRgn(dc, below.get());
    DoBackground2(canvas, s.Settings.Background, g.Left, g.Top, g.Width, g.Height, y, s.Settings.Background.Color);
    SelectClipRgn(dc, nullptr);
}

// The page end a drawn page reports, moved on when it did not move: a row or
// block taller than the page is printed in slices.
int NextPageTop(const TSectionList& copy, int y, const TPageGeometry& g) {
    const int end = copy.PageBottomY;
    return end > y ? end : y + g.Height;
}

void FirePageEvent(TPageState& s) {
    ProcessPendingMessages();
    if (s.Settings.OnPageEvent) s.Settings.OnPageEvent(s.Settings.Sender, s.Page, s.Stop);
}

}  // namespace

// ---------------------------------------------------------------------------

bool PrintJobRunning() { return gJobRunning; }

bool PrintJobHolds(const TSectionList& document) { return gJobRunning && gJobDocument == &document; }

void AfterPrintJob(std::function<void()> action) {
    if (!action) return;
    if (gJobRunning)
        PendingAfterJob().push_back(std::move(action));
    else
        action();
}

void DoBackground1(TCanvas* canvas, const TDocumentBackground& background, int yTop, int width, int height,
                   int docHeight) {
    if (!canvas) return;
    const bool fixed = background.Placement[0].Attached || background.Placement[1].Attached;
    DrawBackground(canvas, background, TRect{0, 0, width, height}, 0, 0, width,
                   fixed ? height : docHeight, yTop, false);
}

void DoBackground2(TCanvas* canvas, const TDocumentBackground& background, int left, int top, int width,
                   int height, int yOffset, TColor color) {
    if (!canvas || width <= 0 || height <= 0) return;
    TDocumentBackground filled = background;
    filled.Color = color;
    DrawBackground(canvas, filled, TRect{left, top, left + width, top + height}, left, top, width, height, yOffset,
                   true);
}

int PrintDocument(const TSectionList& document, const TPrintSettings& settings, int fromPage, int toPage) {
    if (gJobRunning) return 0;
    bool stop = false;
    if (settings.OnPageEvent) settings.OnPageEvent(settings.Sender, 0, stop);
    if (document.Count() == 0) return 0;
    TJobScope job(document);
    owned_ptr<TSectionList> copy = PrintCopy(document);

    owned_ptr<TvwPrinter> printer(new TvwPrinter);
    TvwPrinter* const ours = printer.get();
    owned_ptr<TvwPrinter> previous(vwSetPrinter(printer.release()));
    struct TRestorePrinter {
        owned_ptr<TvwPrinter>& previous;
        ~TRestorePrinter() { TObject::Free(vwSetPrinter(previous.release())); }
    } restore{previous};

    TPageState s{settings, *copy, {}, {}, 0, 1, stop};
    if (!settings.Title.empty()) ours->Title = settings.Title;
    // Refused before any page reaches the spooler.
    s.Values = ReadDeviceValues(ours->GetHandle());
    s.Geometry = GeometryOrRefuse(s.Values, settings);
    const TPageGeometry& g = s.Geometry;

    bool anyPageOut = false;
    try {
        ours->BeginDoc();
        TCanvas* canvas = ours->GetCanvas();
        HDC dc = canvas->Handle();
        SetPageMapping(dc, g, s.Values);
        std::unique_ptr<TTableMeasurer> measurer = MakePageMeasurer(dc, g, s.Values);
        TMeasurerFor measuring(canvas, measurer.get());
        s.DocHeight = LayOut(*copy, canvas, g.Width, g.Height, 0);
        int y = 0;
        TRegion content(g.MarginLeft, g.MarginTop - 1, g.MarginLeft + g.PrintableWidth + 2,
                        g.MarginTop + g.PrintableHeight + 2);
        FirePageEvent(s);
        const TRect pageRect{g.Left, g.Top, g.Left + g.Width, g.Top + g.Height};

        while (s.Page <= toPage && !s.Stop) {
            copy->SetYOffset(y - g.Top);
            SetPageMapping(dc, g, s.Values);
            SetWindowOrgEx(dc, 0, 0, nullptr);
            SelectClipRgn(dc, content.get());
            if (s.Page < fromPage) {
                // Off the paper: only the page end is wanted.
                copy->Draw(canvas, pageRect, g.Width, g.Left + 3 * g.Width, 0, g.Left + 3 * g.Width, 0);
                SelectClipRgn(dc, nullptr);
            } else {
                anyPageOut = true;
                if (settings.PrintBackground)
                    DoBackground2(canvas, settings.Background, g.Left, g.Top, g.Width, g.Height, y,
                                  settings.Background.Color);
                copy->Draw(canvas, pageRect, g.Width, g.Left, 0, g.Left, 0);
                const int pageEnd = copy->PageBottomY;
                TCanvasState state(canvas);
                SelectClipRgn(dc, nullptr);
                WhiteOutsideContent(canvas, g, pageEnd, y);
                BackgroundBelowContent(s, canvas, pageEnd, y);
                state.RestorePen();
                const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
                DrawCanvasBands(s, canvas);
                DrawHTMLBand(s, canvas, settings.HTMLHeader, true, pageEnd);
                DrawHTMLBand(s, canvas, settings.HTMLFooter, false, pageEnd);
                SetTextAlign(dc, oldAlign);
                state.RestoreAll();
            }
            y = NextPageTop(*copy, y, g);
            FirePageEvent(s);
            if (s.DocHeight < y) s.Stop = true;
            if (!s.Stop && fromPage <= s.Page && s.Page < toPage) ours->NewPage();
            ++s.Page;
        }
    } catch (const EPrintCancelled&) {
        if (ours->Printing()) try {
                ours->Abort();
            } catch (...) {
            }
        return s.Page - 1;
    } catch (...) {
        if (ours->Printing()) try {
                if (anyPageOut)
                    ours->EndDoc();
                else
                    ours->Abort();
            } catch (...) {
            }
        throw;
    }
    try {
        if (ours->Printing()) {
            if (anyPageOut)
                ours->EndDoc();
            else
                ours->Abort();
        }
    } catch (const EPrintCancelled&) {
    }
    return s.Page - 1;
}

namespace {

// The preview's page loop, on a TMetaFilePrinter or a TPageCounter.
template <class Target>
int RecordPages(const TSectionList& document, const TPrintSettings& settings, Target& target,
                bool suppressOutput) {
    if (gJobRunning) return 0;
    bool stop = false;
    if (settings.OnPageEvent) settings.OnPageEvent(settings.Sender, 0, stop);
    if (document.Count() == 0) return 0;
    TJobScope job(document);
    owned_ptr<TSectionList> copy = PrintCopy(document);
    copy->SuppressOutput = suppressOutput;
    copy->CountingOnly = std::is_same_v<Target, TPageCounter>;

    TPageState s{settings, *copy, {}, {}, 0, 1, stop};
    target.BeginDoc();
    try {
        s.Values.PixelsPerInchX = target.PixelsPerInchX();
        s.Values.PixelsPerInchY = target.PixelsPerInchY();
        s.Values.PageWidth = target.PageWidth();
        s.Values.PageHeight = target.PageHeight();
        s.Values.PhysicalWidth = target.PaperWidth();
        s.Values.PhysicalHeight = target.PaperHeight();
        s.Values.PhysicalOffsetX = target.OffsetX();
        s.Values.PhysicalOffsetY = target.OffsetY();
        s.Geometry = GeometryOrRefuse(s.Values, settings);
    } catch (...) {
        target.Abort();
        throw;
    }
    const TPageGeometry& g = s.Geometry;
    try {
        TCanvas* canvas = target.GetCanvas();
        HDC dc = canvas->Handle();
        SetPageMapping(dc, g, s.Values);
        TTableMeasurer* const measurer = &RecordingMeasurer(target.PrinterDC(), g, s.Values);
        {
            TMeasurerFor measuring(canvas, measurer);
            s.DocHeight = LayOut(*copy, canvas, g.Width, g.Height, 0);
        }
        int y = 0;
        TRegion content(g.MarginLeft, std::max(0, g.MarginTop - 1),
                        std::min(s.Values.PageWidth, g.MarginLeft + g.PrintableWidth + 2),
                        std::min(s.Values.PageHeight, g.MarginTop + g.PrintableHeight + 2));
        TRegion wholePage(0, 0, s.Values.PageWidth, s.Values.PageHeight);
        FirePageEvent(s);
        const TRect pageRect{g.Left, g.Top, g.Left + g.Width, g.Top + g.Height};

        while (!s.Stop) {
            canvas = target.GetCanvas();
            dc = canvas->Handle();
            TMeasurerFor measuring(canvas, measurer);
            copy->SetYOffset(y - g.Top);
            SetPageMapping(dc, g, s.Values);
            SetWindowOrgEx(dc, 0, 0, nullptr);
            SelectClipRgn(dc, content.get());
            if (settings.PrintBackground)
                DoBackground2(canvas, settings.Background, g.Left, g.Top, g.Width, g.Height, y,
                              settings.Background.Color);
            copy->Draw(canvas, pageRect, g.Width, g.Left, 0, g.Left, 0);
            const int pageEnd = copy->PageBottomY;
            TCanvasState state(canvas);
            SelectClipRgn(dc, wholePage.get());
            WhiteOutsideContent(canvas, g, pageEnd, y);
            BackgroundBelowContent(s, canvas, pageEnd, y);
            SelectClipRgn(dc, wholePage.get());
            state.RestorePen();
            const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
            DrawCanvasBands(s, canvas);
            if (!suppressOutput) {
                DrawHTMLBand(s, canvas, settings.HTMLHeader, true, pageEnd);
                DrawHTMLBand(s, canvas, settings.HTMLFooter, false, pageEnd);
            }
            SetTextAlign(dc, oldAlign);
            state.RestoreAll();
            SelectClipRgn(dc, nullptr);

            y = NextPageTop(*copy, y, g);
            FirePageEvent(s);
            if (s.DocHeight < y) s.Stop = true;
            if (!s.Stop) target.NewPage();
            ++s.Page;
        }
    } catch (...) {
        try {
            target.EndDoc();
        } catch (...) {
        }
        throw;
    }
    target.EndDoc();
    return s.Page - 1;
}

}  // namespace

int PreviewDocument(const TSectionList& document, const TPrintSettings& settings, TMetaFilePrinter& target,
                    bool suppressOutput) {
    return RecordPages(document, settings, target, suppressOutput);
}

int CountDocumentPages(const TSectionList& document, const TPrintSettings& settings) {
    TPageCounter counter;
    RecordPages(document, settings, counter, true);
    return counter.GetPageNum();
}

namespace {

// The document drawn into a picture's canvas: none when anything fails.
bool DrawPicture(const TSectionList& document, const TDocumentBackground& background, TCanvas* canvas, int yTop,
                 int formatWidth, int width, int height, int available, int enclosing) {
    try {
        owned_ptr<TSectionList> copy = PrintCopy(document);
        copy->Background = document.Background;
        const int docHeight = LayOut(*copy, canvas, formatWidth, available, enclosing);
        DoBackground1(canvas, background, yTop, width, height, docHeight);
        copy->SetYOffset(std::max(0, yTop));
        copy->Draw(canvas, TRect{0, 0, width, height}, kPictureClipWidth, 0, 0, 0, 0);
        return true;
    } catch (...) {
        return false;
    }
}

bool PictureWanted(const TSectionList& document, int width, int height) {
    if (gJobRunning || document.Count() == 0) return false;
    if (height > kMaxPictureHeight) throw EExcessiveSizeError(kExcessiveHeight);
    return width > 0 && height > 0;
}

}  // namespace

TMetafile* DocumentMetaFile(const TSectionList& document, const TDocumentBackground& background, int yTop,
                            int formatWidth, int width, int height) {
    if (!PictureWanted(document, width, height)) return nullptr;
    TJobScope job(document);
    auto picture = owned_ptr<TMetafile>(new TMetafile());
    try {
        picture->SetWidth(width);
        picture->SetHeight(height);
        bool drawn;
        {
            TMetafileCanvas canvas(picture.get(), nullptr);
            drawn = DrawPicture(document, background, &canvas, yTop, formatWidth, width, height, kBandLayoutHeight,
                                0);
        }
        if (!drawn || picture->Empty()) return nullptr;
    } catch (...) {
        return nullptr;
    }
    return picture.release();
}

TBitmap* DocumentBitmap(const TSectionList& document, const TDocumentBackground& background, int yTop,
                        int formatWidth, int width, int height) {
    if (!PictureWanted(document, width, height)) return nullptr;
    TJobScope job(document);
    auto picture = owned_ptr<TBitmap>(new TBitmap());
    try {
        picture->SetPixelFormat(pf24bit);
        picture->SetSize(width, height);
        if (picture->Width() != width || picture->Height() != height) return nullptr;
        if (!DrawPicture(document, background, picture->Canvas(), yTop, formatWidth, width, height, 0,
                         kBandLayoutHeight))
            return nullptr;
    } catch (...) {
        return nullptr;
    }
    return picture.release();
}

// ---------------------------------------------------------------------------
// The viewer's printing members.

namespace {

// What a viewer prints: its document (none when it has no sections) and the
// background its paint panel paints under it.
const TSectionList* DocumentOf(const TPageViewer& viewer) {
    const TSectionList* doc = viewer.Document();
    return doc && doc->Count() > 0 ? doc : nullptr;
}

TDocumentBackground BackgroundOf(const TPageViewer& viewer) {
    TDocumentBackground background;
    background.Color = viewer.DefBackground();
    if (const TSectionList* doc = viewer.Document()) {
        background.Color = doc->Background;
        background.Picture = doc->BackdropBitmap;
        background.Mask = doc->BackdropMask;
        background.Placement = doc->BackdropPlacement;
    }
    return background;
}

// An HTML band: the handler loads the band viewer, whose document is drawn.
class TBandViewer {
public:
    TBandViewer(TPageViewer& owner, TEvent<TPageViewer*, int, bool, int&, int&, bool&> handler)
        : FOwner(owner), FHandler(std::move(handler)) {}
    TBandSource Source() {
        if (!FHandler) return {};
        return [this](int page, bool last, int& left, int& right, bool& stop) {
            if (!FViewer) FViewer.reset(FOwner.CreateHeaderFooter());
            FHandler(&FOwner, FViewer.get(), page, last, left, right, stop);
            return TBandDocument{DocumentOf(*FViewer), BackgroundOf(*FViewer)};
        };
    }

private:
    TPageViewer& FOwner;
    TEvent<TPageViewer*, int, bool, int&, int&, bool&> FHandler;
    owned_ptr<TPageViewer> FViewer;
};

TPrintSettings SettingsOf(TPageViewer& viewer) {
    TPrintSettings s;
    s.Margins = {viewer.PrintMarginLeft, viewer.PrintMarginRight, viewer.PrintMarginTop, viewer.PrintMarginBottom};
    s.Scale = viewer.PrintScale;
    s.PrintBackground = (viewer.htOptions() & HtOption(htPrintBackground)) != 0;
    s.Background = BackgroundOf(viewer);
    s.Title = WideToAnsi(viewer.Title());
    s.Sender = &viewer;
    s.OnPageEvent = [&viewer](TObject* sender, int page, bool& stop) {
        viewer.PrintedPageCount = page;
        if (viewer.OnPageEvent) viewer.OnPageEvent(sender, page, stop);
    };
    s.OnPrintHeader = viewer.OnPrintHeader;
    s.OnPrintFooter = viewer.OnPrintFooter;
    return s;
}

}  // namespace

void TPageViewer::Print(int FromPage, int ToPage) {
    if (PrintJobRunning()) return;
    PrintedPageCount = 0;
    const TSectionList* doc = Processing() ? nullptr : DocumentOf(*this);
    if (!doc) {
        bool stop = false;
        if (OnPageEvent) OnPageEvent(this, 0, stop);
        return;
    }
    TPrintSettings settings = SettingsOf(*this);
    TBandViewer header(*this, OnPrintHTMLHeader), footer(*this, OnPrintHTMLFooter);
    settings.HTMLHeader = header.Source();
    settings.HTMLFooter = footer.Source();
    PrintedPageCount = PrintDocument(*doc, settings, FromPage, ToPage);
}

int TPageViewer::PrintPreview(TMetaFilePrinter* MFPrinter, bool SuppressOutput) {
    if (!MFPrinter || PrintJobRunning()) return 0;
    PrintedPageCount = 0;
    const TSectionList* doc = Processing() ? nullptr : DocumentOf(*this);
    if (!doc) return 0;
    TPrintSettings settings = SettingsOf(*this);
    TBandViewer header(*this, OnPrintHTMLHeader), footer(*this, OnPrintHTMLFooter);
    settings.HTMLHeader = header.Source();
    settings.HTMLFooter = footer.Source();
    PrintedPageCount = PreviewDocument(*doc, settings, *MFPrinter, SuppressOutput);
    return PrintedPageCount;
}

int TPageViewer::NumPrinterPages() {
    if (PrintJobRunning()) return 0;
    // Counting is not printing: the page handler hears nothing of it.
    struct TPutBack {
        TEvent<int, bool&>& slot;
        TEvent<int, bool&> saved;
        ~TPutBack() { slot = std::move(saved); }
    } putBack{OnPageEvent, std::move(OnPageEvent)};
    OnPageEvent = nullptr;
    PrintedPageCount = 0;
    const TSectionList* doc = Processing() ? nullptr : DocumentOf(*this);
    if (!doc) return 0;
    // Output is suppressed, so the HTML bands are never asked for.
    const int pages = CountDocumentPages(*doc, SettingsOf(*this));
    PrintedPageCount = pages;
    return pages;
}

bool TPageViewer::DeferWhilePrinted(std::function<void()> load) {
    if (!FDocument || !PrintJobHolds(*FDocument)) return false;
    const bool waiting = static_cast<bool>(FDeferredLoad);
    FDeferredLoad = std::move(load);
    if (!waiting)
        AfterPrintJob([this, alive = FLife.Alive] {
            if (!*alive) return;
            std::function<void()> latest = std::move(FDeferredLoad);
            FDeferredLoad = nullptr;
            if (latest) latest();
        });
    return true;
}

TMetafile* TPageViewer::MakeMetaFile(int YTop, int FormatWidth, int Width, int Height) {
    const TSectionList* doc = Processing() ? nullptr : DocumentOf(*this);
    if (!doc) return nullptr;
    return DocumentMetaFile(*doc, BackgroundOf(*this), YTop, FormatWidth, Width, Height);
}

TBitmap* TPageViewer::MakeBitmap(int YTop, int FormatWidth, int Width, int Height) {
    const TSectionList* doc = Processing() ? nullptr : DocumentOf(*this);
    if (!doc) return nullptr;
    return DocumentBitmap(*doc, BackgroundOf(*this), YTop, FormatWidth, Width, Height);
}

TPageViewer* TPageViewer::CreateHeaderFooter() {
    auto* viewer = new TPageViewer(nullptr);
    viewer->SetVisible(false);
    viewer->SetParent(Parent());
    viewer->SetColor(DefBackground());
    viewer->DefFontName = DefFontName;
    viewer->SetFontSize(DefFontSize());
    viewer->DefFontColor = DefFontColor;
    viewer->CharSet = CharSet;
    viewer->MarginHeight = 0;
    return viewer;
}

void TPageViewer::DoBackground1(TCanvas* ACanvas, int YTop, int Width, int Height, int DocHeight) {
    ::DoBackground1(ACanvas, BackgroundOf(*this), YTop, Width, Height, DocHeight);
}

void TPageViewer::DoBackground2(TCanvas* ACanvas, int ALeft, int ATop, int Width, int Height, TColor AColor) {
    ::DoBackground2(ACanvas, BackgroundOf(*this), ALeft, ATop, Width, Height, 0, AColor);
}
