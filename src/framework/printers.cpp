#include "framework/printers.h"

#include <algorithm>
#include <cstring>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/win.h"

#include <winspool.h>
#undef GetPrinter
#undef SetPrinter
#undef EnumPrinters
#undef OpenPrinter
#undef DocumentProperties
#undef GetDefaultPrinter

const char SPrinting[] = "Printing in progress";
const char SNotPrinting[] = "Printer is not currently printing";
const char SInvalidPrinter[] = "Printer selected is not valid";
const char SNoDefaultPrinter[] = "There is no default printer currently selected";
const char SPrinterIndexError[] = "Printer index out of range";

struct TPrinter::TDevice {
    std::wstring device;
    std::wstring driver;
    std::wstring port;
    HGLOBAL deviceMode = nullptr;  // owned; made from the driver's defaults on first need

    ~TDevice() {
        if (deviceMode) GlobalFree(deviceMode);
    }
};

namespace {

// The printer whose job the abort procedure serves.
TPrinter* gPrintingPrinter = nullptr;

bool KeepPrinting() {
    if (Application) Application->ProcessMessages();
    return !(gPrintingPrinter && gPrintingPrinter->Aborted());
}

// The question the running job's abort procedure asks (one job at a time).
bool (*gKeepGoing)() = nullptr;

BOOL CALLBACK SpoolerAbortProc(HDC, int) {
    return CallGuarded(TRUE, [] { return !gKeepGoing || gKeepGoing() ? TRUE : FALSE; });
}

class TSystemPrinterDevice final : public TPrinterDevice {
public:
    HDC CreateContext(const std::wstring& driver, const std::wstring& device, const std::wstring& port,
                      const void* deviceMode, bool informationOnly) override {
        const wchar_t* portName = port.empty() ? nullptr : port.c_str();
        auto* mode = static_cast<const DEVMODEW*>(deviceMode);
        return informationOnly ? CreateICW(driver.c_str(), device.c_str(), portName, mode)
                               : CreateDCW(driver.c_str(), device.c_str(), portName, mode);
    }
    void DeleteContext(HDC dc) override { DeleteDC(dc); }
    int Caps(HDC dc, int index) override { return GetDeviceCaps(dc, index); }
    int StartDocument(HDC dc, const std::wstring& title, bool (*keepGoing)()) override {
        gKeepGoing = keepGoing;
        SetAbortProc(dc, SpoolerAbortProc);
        DOCINFOW info{};
        info.cbSize = sizeof(info);
        info.lpszDocName = title.c_str();
        return StartDocW(dc, &info);
    }
    int StartPage(HDC dc) override { return ::StartPage(dc); }
    int EndPage(HDC dc) override { return ::EndPage(dc); }
    int EndDocument(HDC dc) override { return ::EndDoc(dc); }
    int AbortDocument(HDC dc) override { return AbortDoc(dc); }
};

TSystemPrinterDevice gSystemDevice;
TPrinterDevice* gDevice = &gSystemDevice;

bool SameDeviceName(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

HGLOBAL CopyGlobal(HGLOBAL source) {
    if (!source) return nullptr;
    SIZE_T size = GlobalSize(source);
    const void* from = GlobalLock(source);
    if (!from) return nullptr;
    HGLOBAL copy = GlobalAlloc(GHND, size);
    if (copy) {
        std::memcpy(GlobalLock(copy), from, size);
        GlobalUnlock(copy);
    }
    GlobalUnlock(source);
    return copy;
}

// The driver's default DEVMODEW for a printer (nullptr when the driver gives none).
HGLOBAL DefaultDeviceMode(const std::wstring& device) {
    HANDLE printer = nullptr;
    std::wstring name = device;
    if (!OpenPrinterW(name.data(), &printer, nullptr)) return nullptr;
    HGLOBAL result = nullptr;
    LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
    if (size > 0) {
        result = GlobalAlloc(GHND, static_cast<SIZE_T>(size));
        auto* mode = result ? static_cast<DEVMODEW*>(GlobalLock(result)) : nullptr;
        bool ok = mode && DocumentPropertiesW(nullptr, printer, name.data(), mode, nullptr, DM_OUT_BUFFER) == IDOK;
        if (mode) GlobalUnlock(result);
        if (!ok && result) {
            GlobalFree(result);
            result = nullptr;
        }
    }
    ClosePrinter(printer);
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------

void TPrinterCanvas::CreateHandle() {
    SetHandle(FPrinter->Handle());
    UpdateFont();
}

void TPrinterCanvas::Changing() {
    FPrinter->CheckPrinting(true);
    UpdateFont();
    TCanvas::Changing();
}

// A font's point size means the same on paper as on the screen: its pixel
// height follows the printer's resolution.
void TPrinterCanvas::UpdateFont() {
    if (!HandleAllocated()) return;
    int ppi = PrinterDevice().Caps(FHandle, LOGPIXELSY);
    TFont* font = Font();
    if (ppi <= 0 || font->PixelsPerInch() == ppi) return;
    int size = font->Size();
    font->SetPixelsPerInch(ppi);
    font->SetSize(size);
}

// ---------------------------------------------------------------------------

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
    CallGuarded([&] {
        if (FPrinting) EndDoc();
        SetState(psNoHandle);
    });
    if (gPrintingPrinter == this) gPrintingPrinter = nullptr;
}

void TPrinter::Refresh() {
    CheckPrinting(false);
    SetState(psNoHandle);
    FPrinters.clear();
    FDevices.clear();
    FPrinterIndex = -1;
    FListed = true;
    DWORD needed = 0, count = 0;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
    if (!needed) return;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return;
    auto* info = reinterpret_cast<PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (!info[i].pPrinterName) continue;
        auto device = std::make_unique<TDevice>();
        device->device = info[i].pPrinterName;
        // The spooler's own driver name serves every printer of the NT family.
        device->driver = L"WINSPOOL";
        FPrinters.push_back(WideToAnsi(device->device));
        FDevices.push_back(std::move(device));
    }
}

const std::vector<std::string>& TPrinter::Printers() {
    if (!FListed) Refresh();
    return FPrinters;
}

int TPrinter::PrinterIndex() {
    Printers();
    if (FPrinterIndex >= 0) return FPrinterIndex;
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    std::wstring name(size, L'\0');
    if (!size || !GetDefaultPrinterW(name.data(), &size)) throw EPrinter(SNoDefaultPrinter);
    name.resize(wcslen(name.c_str()));
    for (size_t i = 0; i < FDevices.size(); ++i) {
        if (SameDeviceName(FDevices[i]->device, name)) {
            FPrinterIndex = static_cast<int>(i);
            return FPrinterIndex;
        }
    }
    // A default the enumeration did not list (a connection being set up).
    auto device = std::make_unique<TDevice>();
    device->device = name;
    device->driver = L"WINSPOOL";
    FPrinters.push_back(WideToAnsi(name));
    FDevices.push_back(std::move(device));
    FPrinterIndex = static_cast<int>(FDevices.size()) - 1;
    return FPrinterIndex;
}

void TPrinter::SetPrinterIndex(int index) {
    CheckPrinting(false);
    if (index < -1 || index >= static_cast<int>(Printers().size())) throw EPrinter(SPrinterIndexError);
    SetState(psNoHandle);
    FPrinterIndex = index;
}

TPrinter::TDevice& TPrinter::Selected() {
    int index = PrinterIndex();
    return *FDevices.at(static_cast<size_t>(index));
}

void TPrinter::GetPrinter(std::wstring& device, std::wstring& driver, std::wstring& port, void*& deviceMode) {
    TDevice& selected = Selected();
    if (!selected.deviceMode) selected.deviceMode = DefaultDeviceMode(selected.device);
    device = selected.device;
    driver = selected.driver;
    port = selected.port;
    deviceMode = selected.deviceMode;
}

void TPrinter::SetPrinter(const std::wstring& device, const std::wstring& driver, const std::wstring& port,
                          void* deviceMode) {
    CheckPrinting(false);
    Printers();
    SetState(psNoHandle);
    auto it = std::find_if(FDevices.begin(), FDevices.end(),
                           [&](const auto& d) { return SameDeviceName(d->device, device); });
    if (it == FDevices.end()) {
        auto added = std::make_unique<TDevice>();
        added->device = device;
        FPrinters.push_back(WideToAnsi(device));
        FDevices.push_back(std::move(added));
        it = FDevices.end() - 1;
    }
    TDevice& selected = **it;
    selected.driver = driver.empty() ? L"WINSPOOL" : driver;
    selected.port = port;
    if (selected.deviceMode) GlobalFree(selected.deviceMode);
    selected.deviceMode = CopyGlobal(static_cast<HGLOBAL>(deviceMode));
    FPrinterIndex = static_cast<int>(it - FDevices.begin());
}

void TPrinter::CheckPrinting(bool printing) const {
    if (FPrinting == printing) return;
    throw EPrinter(printing ? SNotPrinting : SPrinting);
}

void TPrinter::SetState(TPrinterState state) {
    if (state == FState) return;
    if (state == psNoHandle) {
        CheckPrinting(false);
        if (FCanvas) FCanvas->SetHandle(nullptr);
        if (FDC) {
            PrinterDevice().DeleteContext(FDC);
            GuiResourceDestroyed(TGuiResource::DC);
        }
        FDC = nullptr;
        FState = psNoHandle;
        return;
    }
    // A device context serves for measuring too.
    if (state == psHandleIC && FState == psHandleDC) return;
    if (FCanvas) FCanvas->SetHandle(nullptr);
    if (FDC) {
        PrinterDevice().DeleteContext(FDC);
        GuiResourceDestroyed(TGuiResource::DC);
        FDC = nullptr;
        FState = psNoHandle;
    }
    std::wstring device, driver, port;
    void* mode = nullptr;
    GetPrinter(device, driver, port, mode);
    auto* deviceMode = mode ? static_cast<const DEVMODEW*>(GlobalLock(static_cast<HGLOBAL>(mode))) : nullptr;
    HDC dc = PrinterDevice().CreateContext(driver, device, port, deviceMode, state != psHandleDC);
    if (deviceMode) GlobalUnlock(static_cast<HGLOBAL>(mode));
    if (!dc) throw EPrinter(SInvalidPrinter);
    GuiResourceCreated(TGuiResource::DC);
    FDC = dc;
    FState = state;
    if (FCanvas) FCanvas->SetHandle(FDC);
}

HDC TPrinter::Handle() {
    SetState(psHandleIC);
    return FDC;
}

TPrinterCanvas* TPrinter::Canvas() {
    if (!FCanvas) FCanvas.reset(new TPrinterCanvas(this));
    return FCanvas.get();
}

void TPrinter::BeginDoc() {
    CheckPrinting(false);
    SetState(psHandleDC);
    Canvas()->Refresh();
    std::wstring title = AnsiToWide(Title.substr(0, 31));
    if (PrinterDevice().StartDocument(FDC, title, KeepPrinting) <= 0) throw EPrinter(SInvalidPrinter);
    FPrinting = true;
    FAborted = false;
    FPageNumber = 1;
    gPrintingPrinter = this;
    PrinterDevice().StartPage(FDC);
}

void TPrinter::EndDoc() {
    CheckPrinting(true);
    PrinterDevice().EndPage(FDC);
    if (!FAborted) PrinterDevice().EndDocument(FDC);
    FPrinting = false;
    FAborted = false;
    FPageNumber = 0;
    if (gPrintingPrinter == this) gPrintingPrinter = nullptr;
}

void TPrinter::NewPage() {
    CheckPrinting(true);
    PrinterDevice().EndPage(FDC);
    PrinterDevice().StartPage(FDC);
    ++FPageNumber;
    Canvas()->Refresh();
}

void TPrinter::Abort() {
    CheckPrinting(true);
    PrinterDevice().AbortDocument(FDC);
    FAborted = true;
    EndDoc();
}

int TPrinter::PageWidth() {
    return PrinterDevice().Caps(Handle(), HORZRES);
}

int TPrinter::PageHeight() {
    return PrinterDevice().Caps(Handle(), VERTRES);
}

void* TPrinter::LockDeviceMode() {
    std::wstring device, driver, port;
    void* mode = nullptr;
    GetPrinter(device, driver, port, mode);
    void* locked = mode ? GlobalLock(static_cast<HGLOBAL>(mode)) : nullptr;
    if (!locked) throw EPrinter(SInvalidPrinter);
    return locked;
}

void TPrinter::UnlockDeviceMode() {
    GlobalUnlock(Selected().deviceMode);
}

TPrinterOrientation TPrinter::Orientation() {
    auto* mode = static_cast<DEVMODEW*>(LockDeviceMode());
    bool landscape = mode->dmOrientation == DMORIENT_LANDSCAPE;
    UnlockDeviceMode();
    return landscape ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation orientation) {
    CheckPrinting(false);
    auto* mode = static_cast<DEVMODEW*>(LockDeviceMode());
    mode->dmOrientation = orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    mode->dmFields |= DM_ORIENTATION;
    UnlockDeviceMode();
    SetState(psNoHandle);
}

int TPrinter::Copies() {
    auto* mode = static_cast<DEVMODEW*>(LockDeviceMode());
    int copies = mode->dmCopies;
    UnlockDeviceMode();
    return copies;
}

void TPrinter::SetCopies(int copies) {
    CheckPrinting(false);
    auto* mode = static_cast<DEVMODEW*>(LockDeviceMode());
    mode->dmCopies = static_cast<short>(std::clamp(copies, 1, 0x7FFF));
    mode->dmFields |= DM_COPIES;
    UnlockDeviceMode();
    SetState(psNoHandle);
}

// ---------------------------------------------------------------------------

TPrinterDevice& PrinterDevice() { return *gDevice; }

TPrinterDevice* SetPrinterDevice(TPrinterDevice* device) {
    TPrinterDevice* previous = gDevice;
    gDevice = device ? device : &gSystemDevice;
    return previous;
}

namespace {

owned_ptr<TPrinter>& ProgramPrinter() {
    static owned_ptr<TPrinter> printer;
    return printer;
}

}  // namespace

TPrinter* Printer() {
    auto& printer = ProgramPrinter();
    if (!printer) printer.reset(new TPrinter);
    return printer.get();
}

TPrinter* SetPrinter(TPrinter* printer) {
    TPrinter* previous = ProgramPrinter().release();
    ProgramPrinter().reset(printer);
    return previous;
}
