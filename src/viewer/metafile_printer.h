// A print job that records each page into an enhanced metafile instead of
// sending it to the printer, for a preview. Coordinates are the program
// printer's device pixels (its context is the recordings' reference).
#pragma once

#include <memory>
#include <vector>

#include "framework/classes.h"
#include "framework/metafile.h"

class TCanvas;

// The platform names an old function so; the page list keeps the name.
#undef GetMetaFile

enum TUnits { unInches, unCentimeters };

// Fired at each new page with the number of pages so far; the stop flag is
// not read.
using TPageEvent = TEvent<int, bool&>;

// What a recorded job reads from the program printer at its start. Raises
// "Printer not available" when the framework knows no printers.
struct TRecordingDevice {
    HDC DC = nullptr;  // the program printer's, not owned
    int PPIX = 0, PPIY = 0;
    int PaperWidth = 0, PaperHeight = 0;
    int OffsetX = 0, OffsetY = 0;
    int PageHeight = 0, PageWidth = 0;

    static TRecordingDevice Read();
};

// The printer's figures a recorded job reads at BeginDoc.
class TRecordedJob {
public:
    HDC PrinterDC() const { return FDevice.DC; }
    int PixelsPerInchX() const { return FDevice.PPIX; }
    int PixelsPerInchY() const { return FDevice.PPIY; }
    int PaperWidth() const { return FDevice.PaperWidth; }
    int PaperHeight() const { return FDevice.PaperHeight; }
    int OffsetX() const { return FDevice.OffsetX; }
    int OffsetY() const { return FDevice.OffsetY; }
    int PageHeight() const { return FDevice.PageHeight; }
    int PageWidth() const { return FDevice.PageWidth; }

protected:
    ~TRecordedJob() = default;
    TRecordingDevice FDevice;
};

class TMetaFilePrinter : public TComponent, public TRecordedJob {
public:
    explicit TMetaFilePrinter(TComponent* AOwner);
    ~TMetaFilePrinter() override;

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    // The current page's canvas.
    TCanvas* GetCanvas();
    // The I-th page (0-based); null outside the list.
    TMetafile* GetMetaFile(int index) const;
    int GetPageNum() const { return static_cast<int>(FPages.size()); }
    int GetLastAvailPage() const { return GetPageNum(); }
    void FreeMetaFiles();

    TUnits Units() const { return FUnits; }
    void SetUnits(TUnits units);
    // Inches per unit: 1.0 for inches, 2.54 for centimetres.
    double ConvFactor() const { return FConvFac; }

    bool Printing() const { return FPrinting; }

    TPageEvent OnPageEvent;

private:
    bool FPrinting = false;
    std::vector<owned_ptr<TMetafile>> FPages;
    owned_ptr<TMetafileCanvas> FCanvas;
    bool FCanvasUsed = false;
    TUnits FUnits = unInches;
    double FConvFac = 1.0;
};

// Counts the pages of a job drawn as a preview draws them, on one canvas over
// a memory device context like the printer's, reused for every page: a count
// keeps no drawing, and a recording of its own costs more than a short
// article's layout (the platform asks the reference device for its figures).
// The same members as TMetaFilePrinter, so one page loop serves both.
class TPageCounter : public TRecordedJob {
public:
    TPageCounter();
    ~TPageCounter();
    TPageCounter(const TPageCounter&) = delete;
    TPageCounter& operator=(const TPageCounter&) = delete;

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    TCanvas* GetCanvas();
    int GetPageNum() const { return FPages; }

private:
    class TCountingCanvas;
    owned_ptr<TCountingCanvas> FCanvas;
    bool FCanvasUsed = false;
    int FPages = 0;
};
