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

class TMetaFilePrinter : public TComponent {
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
    // Read from the printer at BeginDoc.
    HDC PrinterDC() const { return FPrinterDC; }
    int PixelsPerInchX() const { return FPPIX; }
    int PixelsPerInchY() const { return FPPIY; }
    int PaperWidth() const { return FPaperWidth; }
    int PaperHeight() const { return FPaperHeight; }
    int OffsetX() const { return FOffsetX; }
    int OffsetY() const { return FOffsetY; }
    int PageHeight() const { return FPageHeight; }
    int PageWidth() const { return FPageWidth; }

    TPageEvent OnPageEvent;

private:
    bool FPrinting = false;
    std::vector<owned_ptr<TMetafile>> FPages;
    owned_ptr<TMetafileCanvas> FCanvas;
    bool FCanvasUsed = false;
    TUnits FUnits = unInches;
    double FConvFac = 1.0;
    HDC FPrinterDC = nullptr;  // the program printer's, not owned
    int FPPIX = 0, FPPIY = 0;
    int FPaperWidth = 0, FPaperHeight = 0;
    int FOffsetX = 0, FOffsetY = 0;
    int FPageHeight = 0, FPageWidth = 0;
};
