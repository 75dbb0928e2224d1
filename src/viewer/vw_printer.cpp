#include "viewer/vw_printer.h"

#include <cstring>
#include <memory>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "framework/win.h"

#undef GetPrinter

namespace {

owned_ptr<TvwPrinter>& GlobalPrinter() {
    static owned_ptr<TvwPrinter> printer;
    return printer;
}

// The spooler asks this while a job runs; no exception may leave it.
bool KeepPrinting() {
    try {
        if (Application) Application->ProcessMessages();
        TvwPrinter* printer = GlobalPrinter().get();
        return !(printer && printer->Aborted());
    } catch (...) {
        return true;
    }
}

bool IsUserCancel(int result, DWORD error) { return result == SP_USERABORT || error == ERROR_CANCELLED; }

}  // namespace

// ---------------------------------------------------------------------------

void TvwPrinter::TPrinterCanvas::CreateHandle() {
    FPrinter->SetState(psHandleDC);
    SetHandle(FPrinter->FDC);
}

void TvwPrinter::TPrinterCanvas::Changing() {
    FPrinter->CheckPrinting(true);
    TCanvas::Changing();
}

// ---------------------------------------------------------------------------

TvwPrinter::TvwPrinter() = default;

TvwPrinter::~TvwPrinter() {
    try {
        if (FPrinting) EndDoc();
    } catch (...) {
    }
    FPrinting = false;
    try {
        SetState(psNoHandle);
    } catch (...) {
    }
    FreeContext();
    FreeDeviceMode();
    FCanvas.reset();
}

void TvwPrinter::CheckPrinting(bool value) const {
    if (FPrinting == value) return;
    throw EPrinter(value ? SNotPrinting : SPrinting);
}

void TvwPrinter::FreeContext() {
    if (FCanvas) FCanvas->SetHandle(nullptr);
    if (FDC) PrinterDevice().DeleteContext(FDC);
    FDC = nullptr;
}

void TvwPrinter::FreeDeviceMode() {
    if (!FDeviceModeHandle) return;
    GlobalUnlock(FDeviceModeHandle);
    GlobalFree(FDeviceModeHandle);
    FDeviceModeHandle = nullptr;
    FDeviceMode = nullptr;
}

void TvwPrinter::SetState(TPrinterState state) {
    if (state == FState) return;
    if (state == psNoHandle) {
        CheckPrinting(false);
        FreeContext();
        FState = psNoHandle;
        return;
    }
    // A device context serves for measuring too.
    if (state == psHandleIC && FState == psHandleDC) return;
    FreeContext();
    FState = psNoHandle;

    std::wstring device, driver, port;
    void* mode = nullptr;
    Printer()->GetPrinter(device, driver, port, mode);
    FreeDeviceMode();
    if (mode) {
        // The driver's private part follows the public one: both are copied.
        if (auto* source = static_cast<const DEVMODEW*>(GlobalLock(static_cast<HGLOBAL>(mode)))) {
            const SIZE_T size = static_cast<SIZE_T>(source->dmSize) + source->dmDriverExtra;
            const SIZE_T available = GlobalSize(static_cast<HGLOBAL>(mode));
            if (size >= offsetof(DEVMODEW, dmFields) && size <= available) {
                FDeviceModeHandle = GlobalAlloc(GHND, size);
                FDeviceMode = FDeviceModeHandle ? GlobalLock(FDeviceModeHandle) : nullptr;
                if (FDeviceMode) std::memcpy(FDeviceMode, source, size);
            }
            GlobalUnlock(static_cast<HGLOBAL>(mode));
        }
    }
    HDC dc = PrinterDevice().CreateContext(driver, device, port, FDeviceMode, state == psHandleIC);
    if (!dc) throw EPrinter(SInvalidPrinter);
    FDC = dc;
    if (FCanvas) FCanvas->SetHandle(FDC);
    FState = state;
}

[[noreturn]] void TvwPrinter::Fail(int result) {
    const DWORD error = GetLastError();
    if (FPrinting) {
        // Whatever the spooler says to the abort does not change the outcome.
        PrinterDevice().AbortDocument(FDC);
        FPrinting = false;
        FAborted = false;
        FPageNumber = 0;
        FreeDeviceMode();
    }
    if (IsUserCancel(result, error)) throw EPrintCancelled("");
    std::string text = error ? SysErrorMessage(error) : std::string();
    throw EPrinter(text.empty() ? std::string(SInvalidPrinter) : text);
}

void TvwPrinter::BeginDoc() {
    CheckPrinting(false);
    SetState(psHandleDC);
    GetCanvas()->Refresh();
    FPrinting = true;
    FAborted = false;
    FPageNumber = 1;
    const std::wstring title = AnsiToWide(Title.substr(0, 31));
    SetLastError(0);
    const int started = PrinterDevice().StartDocument(FDC, title, KeepPrinting);
    if (started <= 0) {
        // No job to abort yet.
        FPrinting = false;
        FPageNumber = 0;
        const DWORD error = GetLastError();
        if (IsUserCancel(started, error)) throw EPrintCancelled("");
        std::string text = error ? SysErrorMessage(error) : std::string();
        throw EPrinter(text.empty() ? std::string(SInvalidPrinter) : text);
    }
    SetLastError(0);
    if (const int page = PrinterDevice().StartPage(FDC); page <= 0) Fail(page);
}

void TvwPrinter::EndDoc() {
    CheckPrinting(true);
    SetLastError(0);
    const int ended = PrinterDevice().EndPage(FDC);
    if (ended <= 0 && !FAborted) Fail(ended);
    if (!FAborted) PrinterDevice().EndDocument(FDC);
    FPrinting = false;
    FAborted = false;
    FPageNumber = 0;
    FreeDeviceMode();
}

void TvwPrinter::NewPage() {
    CheckPrinting(true);
    SetLastError(0);
    if (const int ended = PrinterDevice().EndPage(FDC); ended <= 0) Fail(ended);
    if (const int started = PrinterDevice().StartPage(FDC); started <= 0) Fail(started);
    ++FPageNumber;
    GetCanvas()->Refresh();
}

void TvwPrinter::Abort() {
    CheckPrinting(true);
    PrinterDevice().AbortDocument(FDC);
    FAborted = true;
    EndDoc();
}

TCanvas* TvwPrinter::GetCanvas() {
    if (!FCanvas) FCanvas.reset(new TPrinterCanvas(this));
    return FCanvas.get();
}

HDC TvwPrinter::GetHandle() {
    SetState(psHandleIC);
    return FDC;
}

int TvwPrinter::GetPageHeight() { return PrinterDevice().Caps(GetHandle(), VERTRES); }

int TvwPrinter::GetPageWidth() { return PrinterDevice().Caps(GetHandle(), HORZRES); }

// ---------------------------------------------------------------------------

TvwPrinter* vwPrinter() {
    auto& printer = GlobalPrinter();
    if (!printer) printer.reset(new TvwPrinter);
    return printer.get();
}

TvwPrinter* vwSetPrinter(TvwPrinter* printer) {
    TvwPrinter* previous = GlobalPrinter().release();
    GlobalPrinter().reset(printer);
    return previous;
}
