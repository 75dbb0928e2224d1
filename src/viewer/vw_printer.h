// The viewer's own printer: one print job on one device context, made from the
// program printer's selected device with a private copy of its device mode.
// The job and page calls go through the framework's printer device, and their
// failures end the job and raise the printer exception with the system's text.
#pragma once

#include <string>

#include "framework/canvas.h"
#include "framework/printers.h"

// The job was cancelled by the user (in the spooler's own dialog, say): the
// caller ends quietly.
FW_DECLARE_EXCEPTION(EPrintCancelled, EPrinter)

class TvwPrinter : public TObject {
public:
    // Draws on the printer's device context; drawing outside a job raises
    // "Printer is not currently printing".
    class TPrinterCanvas : public TCanvas {
    public:
        explicit TPrinterCanvas(TvwPrinter* printer) : FPrinter(printer) {}

    protected:
        void CreateHandle() override;
        void Changing() override;

    private:
        TvwPrinter* FPrinter;
    };

    TvwPrinter();
    ~TvwPrinter() override;

    void BeginDoc();
    void EndDoc();
    void NewPage();
    void Abort();
    TCanvas* GetCanvas();
    // The context (an information context outside a job).
    HDC GetHandle();
    // The printable area in device pixels.
    int GetPageHeight();
    int GetPageWidth();
    void SetState(TPrinterState state);
    // Raises EPrinter unless Printing() equals `value`.
    void CheckPrinting(bool value) const;

    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }
    TPrinterState State() const { return FState; }

    std::string Title;  // code page 1251; the spooler sees its first 31 characters

private:
    void FreeContext();
    void FreeDeviceMode();
    // Ends a job whose device refused a call: the job is aborted and the
    // printer exception raised (EPrintCancelled for a user's cancel).
    [[noreturn]] void Fail(int result);

    owned_ptr<TPrinterCanvas> FCanvas;
    bool FPrinting = false;
    bool FAborted = false;
    int FPageNumber = 0;
    TPrinterState FState = psNoHandle;
    HDC FDC = nullptr;
    void* FDeviceModeHandle = nullptr;  // movable global memory, owned
    void* FDeviceMode = nullptr;        // its locked bytes
};

// The viewer's global printer, made on first use and freed at exit.
TvwPrinter* vwPrinter();
// Makes `printer` the global one and returns the previous one (the caller then
// owns it; it may be null).
TvwPrinter* vwSetPrinter(TvwPrinter* printer);
