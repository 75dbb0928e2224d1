#include "viewer/metafile_printer.h"

#include "framework/canvas.h"
#include "framework/graphics.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "framework/win.h"

#undef GetMetaFile

namespace {

const char kPrinterNotAvailable[] = "Printer not available";

// Hundredths of a millimetre for a length in device pixels.
int Hundredths(int pixels, int perInch) { return perInch > 0 ? MulDiv(pixels, 2540, perInch) : 0; }

}  // namespace

TMetaFilePrinter::TMetaFilePrinter(TComponent* AOwner) : TComponent(AOwner) {}

TMetaFilePrinter::~TMetaFilePrinter() {
    FCanvas.reset();
    FPages.clear();
}

void TMetaFilePrinter::SetUnits(TUnits units) {
    FUnits = units;
    FConvFac = units == unCentimeters ? 2.54 : 1.0;
}

void TMetaFilePrinter::FreeMetaFiles() {
    FCanvas.reset();
    FPages.clear();
}

void TMetaFilePrinter::BeginDoc() {
    TPrinter* printer = Printer();
    if (printer->Printers().empty()) throw Exception(kPrinterNotAvailable);
    FPrinting = true;
    FreeMetaFiles();
    try {
        FPrinterDC = printer->Handle();
        TPrinterDevice& device = PrinterDevice();
        FPPIX = device.Caps(FPrinterDC, LOGPIXELSX);
        FPPIY = device.Caps(FPrinterDC, LOGPIXELSY);
        FPaperWidth = device.Caps(FPrinterDC, PHYSICALWIDTH);
        FPaperHeight = device.Caps(FPrinterDC, PHYSICALHEIGHT);
        FOffsetX = device.Caps(FPrinterDC, PHYSICALOFFSETX);
        FOffsetY = device.Caps(FPrinterDC, PHYSICALOFFSETY);
        FPageHeight = device.Caps(FPrinterDC, VERTRES);
        FPageWidth = device.Caps(FPrinterDC, HORZRES);
        NewPage();
    } catch (...) {
        FPrinting = false;
        FPrinterDC = nullptr;
        throw;
    }
}

void TMetaFilePrinter::NewPage() {
    auto page = owned_ptr<TMetafile>(new TMetafile());
    page->SetMMWidth(Hundredths(FPaperWidth, FPPIX));
    page->SetMMHeight(Hundredths(FPaperHeight, FPPIY));
    auto canvas = owned_ptr<TMetafileCanvas>(new TMetafileCanvas(page.get(), FPrinterDC));
    const bool firstPage = FPages.empty();
    FPages.push_back(std::move(page));
    canvas->Brush()->SetColor(clWhite);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Pen()->SetColor(clWhite);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Rectangle(0, 0, FPaperWidth, FPaperHeight);
    if (firstPage) {
        canvas->Font()->SetPixelsPerInch(ScreenPixelsPerInch());
        canvas->Font()->SetName("Arial");
        canvas->Font()->SetSize(10);
        canvas->Brush()->SetStyle(bsClear);
    }
    // Freeing the previous canvas completes the previous page.
    FCanvas = std::move(canvas);
    FCanvasUsed = false;
    bool stop = false;
    if (OnPageEvent) OnPageEvent(this, GetPageNum(), stop);
}

TCanvas* TMetaFilePrinter::GetCanvas() {
    FCanvasUsed = true;
    return FCanvas.get();
}

TMetafile* TMetaFilePrinter::GetMetaFile(int index) const {
    if (index < 0 || index >= GetPageNum()) return nullptr;
    return FPages[static_cast<size_t>(index)].get();
}

void TMetaFilePrinter::EndDoc() {
    FPrinting = false;
    FCanvas.reset();
    FPrinterDC = nullptr;
    // The page opened after the last one drawn stays blank: it goes.
    if (!FCanvasUsed && !FPages.empty()) FPages.pop_back();
}

void TMetaFilePrinter::Abort() {
    FPrinting = false;
    FCanvas.reset();
    FPrinterDC = nullptr;
    FPages.clear();
}
