// Printing a document: a copy of it laid out at the printer's resolution
// within the margins and drawn page by page on the viewer's printer, or into
// one metafile per page for a preview; and the same copy drawn into a single
// metafile or bitmap. The viewer's printing members call these with what they
// hold; nothing here reads the viewer itself.
#pragma once

#include <functional>
#include <string>

#include "framework/classes.h"
#include "framework/graphics_types.h"
#include "html/style_props.h"
#include "viewer/print_geometry.h"

class TBitmap;
class TCanvas;
class TMetafile;
class TMetaFilePrinter;
class TSectionList;

// The background a document paints under itself.
struct TDocumentBackground {
    TColor Color = 0xFFFFFF;
    TBitmap* Picture = nullptr;  // not owned; none: the colour alone
    TBitmap* Mask = nullptr;     // not owned; white where the picture is transparent
    PositionRec Placement{};
};

// A document drawn in a header or footer band, with its background.
struct TBandDocument {
    const TSectionList* Document = nullptr;  // none: the band stays empty
    TDocumentBackground Background;
};

// (Sender, page, stop)
using TPagePrintEvent = TEvent<int, bool&>;
// (Sender, canvas, page, band width, band height, stop): canvas headers and footers.
using TPrintHeaderEvent = TEvent<TCanvas*, int, int, int, bool&>;
// Asked once per printed page for an HTML band: page, last-page flag, the
// band's left and right (changeable) and the stop flag.
using TBandSource = std::function<TBandDocument(int page, bool lastPage, int& left, int& right, bool& stop)>;

struct TPrintSettings {
    TPrintMargins Margins;
    double Scale = 1.0;
    bool PrintBackground = false;
    TDocumentBackground Background;
    std::string Title;      // code page 1251; the job's name when not empty
    TObject* Sender = nullptr;
    TPagePrintEvent OnPageEvent;
    TPrintHeaderEvent OnPrintHeader;
    TPrintHeaderEvent OnPrintFooter;
    TBandSource HTMLHeader;  // empty: no HTML header
    TBandSource HTMLFooter;
};

// Prints pages fromPage..toPage (1-based) of `document` on a job of its own
// printer, made the global one meanwhile. Returns the last page number
// reached (0 when nothing was laid out). A job in which no page reached the
// paper is aborted. Raises the printer exception when the printer cannot take
// the job; a user's cancel returns quietly.
int PrintDocument(const TSectionList& document, const TPrintSettings& settings, int fromPage, int toPage);
// Renders every page into `target`'s metafiles and returns the number of
// pages; `suppressOutput` lays out and pages without drawing text.
int PreviewDocument(const TSectionList& document, const TPrintSettings& settings, TMetaFilePrinter& target,
                    bool suppressOutput);
// The number of pages PreviewDocument with suppressed output gives, without
// keeping a recording of each page.
int CountDocumentPages(const TSectionList& document, const TPrintSettings& settings);

// A width x height picture of `document` laid out at formatWidth, from
// document Y yTop. None for an empty document, a size of 0 or less, or a
// picture that cannot be made. Raises EExcessiveSizeError above 4000 pixels
// of height. The caller owns the result.
TMetafile* DocumentMetaFile(const TSectionList& document, const TDocumentBackground& background, int yTop,
                            int formatWidth, int width, int height);
TBitmap* DocumentBitmap(const TSectionList& document, const TDocumentBackground& background, int yTop,
                        int formatWidth, int width, int height);

// Background of a picture (0, 0, width, height) showing the document from
// yTop; docHeight is the document's height.
void DoBackground1(TCanvas* canvas, const TDocumentBackground& background, int yTop, int width, int height,
                   int docHeight);
// Background of a page rectangle at (left, top) showing the document from
// document Y yOffset, in printer-safe drawing, filled with `color`.
void DoBackground2(TCanvas* canvas, const TDocumentBackground& background, int left, int top, int width,
                   int height, int yOffset, TColor color);

// True while a print job, a preview or a picture is being made: meanwhile
// every entry above returns at once with nothing.
bool PrintJobRunning();
// True while the running job draws a copy of `document`: the copy shares its
// form controls and panels, so the document is neither cleared nor loaded
// again before the job ends.
bool PrintJobHolds(const TSectionList& document);
// Runs `action` once the running job ends (at once when none runs).
void AfterPrintJob(std::function<void()> action);

FW_DECLARE_EXCEPTION(EExcessiveSizeError, Exception)
