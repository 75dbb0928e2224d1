#include "viewer/metafile_printer.h"

#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "framework/graphics.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "framework/win.h"

#undef GetMetaFile

namespace {

const char kPrinterNotAvailable[] = "Printer not available";

// Hundredths of a millimetre for a length in device pixels.
int Hundredths(int pixels, int perInch) { return perInch > 0 ? MulDiv(pixels, 2540, perInch) : 0; }

// The first page of a job starts with the screen's pixels per inch, Arial at
// 10 points and a clear brush.
void FirstPageFont(TCanvas& canvas) {
    canvas.Font()->SetPixelsPerInch(ScreenPixelsPerInch());
    canvas.Font()->SetName("Arial");
    canvas.Font()->SetSize(10);
    canvas.Brush()->SetStyle(bsClear);
}

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

TRecordingDevice TRecordingDevice::Read() {
    TPrinter* printer = Printer();
    if (printer->Printers().empty()) throw Exception(kPrinterNotAvailable);
    TRecordingDevice d;
    d.DC = printer->Handle();
    TPrinterDevice& device = PrinterDevice();
    d.PPIX = device.Caps(d.DC, LOGPIXELSX);
    d.PPIY = device.Caps(d.DC, LOGPIXELSY);
    d.PaperWidth = device.Caps(d.DC, PHYSICALWIDTH);
    d.PaperHeight = device.Caps(d.DC, PHYSICALHEIGHT);
    d.OffsetX = device.Caps(d.DC, PHYSICALOFFSETX);
    d.OffsetY = device.Caps(d.DC, PHYSICALOFFSETY);
    d.PageHeight = device.Caps(d.DC, VERTRES);
    d.PageWidth = device.Caps(d.DC, HORZRES);
    return d;
}

void TMetaFilePrinter::BeginDoc() {
    if (Printer()->Printers().empty()) throw Exception(kPrinterNotAvailable);
    FPrinting = true;
    FreeMetaFiles();
    try {
        FDevice = TRecordingDevice::Read();
        NewPage();
    } catch (...) {
        FPrinting = false;
        FDevice.DC = nullptr;
        throw;
    }
}

void TMetaFilePrinter::NewPage() {
    auto page = owned_ptr<TMetafile>(new TMetafile());
    page->SetMMWidth(Hundredths(FDevice.PaperWidth, FDevice.PPIX));
    page->SetMMHeight(Hundredths(FDevice.PaperHeight, FDevice.PPIY));
    auto canvas = owned_ptr<TMetafileCanvas>(new TMetafileCanvas(page.get(), FDevice.DC));
    const bool firstPage = FPages.empty();
    FPages.push_back(std::move(page));
    canvas->Brush()->SetColor(clWhite);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Pen()->SetColor(clWhite);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Rectangle(0, 0, FDevice.PaperWidth, FDevice.PaperHeight);
    if (firstPage) FirstPageFont(*canvas);
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
    FDevice.DC = nullptr;
    // The page opened after the last one drawn stays blank: it goes.
    if (!FCanvasUsed && !FPages.empty()) FPages.pop_back();
}

void TMetaFilePrinter::Abort() {
    FPrinting = false;
    FCanvas.reset();
    FDevice.DC = nullptr;
    FPages.clear();
}

// ---- counting

class TPageCounter::TCountingCanvas final : public TCanvas {
public:
    explicit TCountingCanvas(HDC printer) : FDC(CreateCompatibleDC(printer)) {
        if (!FDC) throw EOutOfResources("Out of system resources");
        SetHandle(FDC.get());
    }
    ~TCountingCanvas() override { SetHandle(nullptr); }

private:
    TMemoryDC FDC;
};

TPageCounter::TPageCounter() = default;

TPageCounter::~TPageCounter() { FCanvas.reset(); }

void TPageCounter::BeginDoc() {
    Abort();
    FDevice = TRecordingDevice::Read();
    FCanvas.reset(new TCountingCanvas(FDevice.DC));
    FirstPageFont(*FCanvas);
    FPages = 1;
    FCanvasUsed = false;
}

void TPageCounter::NewPage() {
    ++FPages;
    FCanvasUsed = false;
}

TCanvas* TPageCounter::GetCanvas() {
    FCanvasUsed = true;
    return FCanvas.get();
}

void TPageCounter::EndDoc() {
    FCanvas.reset();
    FDevice.DC = nullptr;
    if (!FCanvasUsed && FPages > 0) --FPages;
}

void TPageCounter::Abort() {
    FCanvas.reset();
    FDevice.DC = nullptr;
    FPages = 0;
}
