// The printer object: the installed printers, the selected one with its device
// mode, and a print job drawn page by page on a canvas over the printer's
// device context. A machine without printers is normal (Wine often has none):
// every call that needs one fails with EPrinter and a message that says why.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/canvas.h"
#include "framework/classes.h"

// The printer exception's messages.
extern const char SPrinting[];          // "Printing in progress"
extern const char SNotPrinting[];       // "Printer is not currently printing"
extern const char SInvalidPrinter[];    // "Printer selected is not valid"
extern const char SNoDefaultPrinter[];  // "There is no default printer currently selected"
extern const char SPrinterIndexError[];  // "Printer index out of range"

enum TPrinterOrientation { poPortrait, poLandscape };
// Which context the printer holds: none, an information context (for
// measuring), or a device context (while printing).
enum TPrinterState { psNoHandle, psHandleIC, psHandleDC };

class TPrinter;

// Draws on the printer's context; drawing outside a print job raises
// "Printer is not currently printing".
class TPrinterCanvas : public TCanvas {
public:
    explicit TPrinterCanvas(TPrinter* printer) : FPrinter(printer) {}

protected:
    void CreateHandle() override;
    void Changing() override;

private:
    void UpdateFont();
    TPrinter* FPrinter;
};

class TPrinter : public TObject {
public:
    TPrinter();
    ~TPrinter() override;

    // The installed printers' names (code page 1251), read on first use.
    const std::vector<std::string>& Printers();
    // Reads the list again (after printers were added or removed).
    void Refresh();
    // The selected printer; -1 selects the system's default. Reading resolves
    // -1 to the default's index.
    int PrinterIndex();
    void SetPrinterIndex(int index);

    // The selected device: its name, driver and port, and a movable global
    // memory block with its DEVMODEW (the printer keeps owning it; callers copy).
    void GetPrinter(std::wstring& device, std::wstring& driver, std::wstring& port, void*& deviceMode);
    // Selects a device by name (a DEVMODEW block, or nullptr for the driver's
    // defaults, is copied). A name that is not installed is added to the list.
    void SetPrinter(const std::wstring& device, const std::wstring& driver, const std::wstring& port,
                    void* deviceMode);

    // The printer's context: an information context outside a job, the job's
    // device context inside one.
    HDC Handle();
    TPrinterCanvas* Canvas();
    TPrinterState State() const { return FState; }
    // Moves to another context state (raises EPrinter when the device is not valid).
    void SetState(TPrinterState state);

    void BeginDoc();
    void EndDoc();
    void NewPage();
    void Abort();
    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }
    // Raises EPrinter unless Printing() equals `printing`.
    void CheckPrinting(bool printing) const;

    // The job's name in the spooler (the first 31 characters are used).
    std::string Title;  // code page 1251
    // The printable area in device pixels.
    int PageWidth();
    int PageHeight();
    TPrinterOrientation Orientation();
    void SetOrientation(TPrinterOrientation orientation);
    int Copies();
    void SetCopies(int copies);

private:
    struct TDevice;
    TDevice& Selected();
    // The DEVMODEW of the selected printer, locked for reading or changing.
    void* LockDeviceMode();
    void UnlockDeviceMode();

    std::vector<std::string> FPrinters;
    std::vector<std::unique_ptr<TDevice>> FDevices;
    bool FListed = false;
    int FPrinterIndex = -1;
    TPrinterState FState = psNoHandle;
    HDC FDC = nullptr;
    owned_ptr<TPrinterCanvas> FCanvas;
    bool FPrinting = false;
    bool FAborted = false;
    int FPageNumber = 0;
};

// The device behind every printer context: making and freeing contexts, the
// job and page calls, and the device's capabilities. The system's spooler
// serves by default; a test puts in pages of its own (bitmaps, say) with
// chosen resolutions and sizes, and no spooler is involved.
class TPrinterDevice {
public:
    virtual ~TPrinterDevice() = default;
    // A device context, or an information context when `informationOnly`;
    // null when the device cannot make one. `deviceMode` is a DEVMODEW or null.
    virtual HDC CreateContext(const std::wstring& driver, const std::wstring& device, const std::wstring& port,
                              const void* deviceMode, bool informationOnly) = 0;
    virtual void DeleteContext(HDC dc) = 0;
    // GetDeviceCaps.
    virtual int Caps(HDC dc, int index) = 0;
    // The job and page calls answer as StartDocW, StartPage, EndPage, EndDoc
    // and AbortDoc do (above 0 is success; on failure the thread's last error
    // says why). While a job runs, `keepGoing` is asked now and then whether to
    // go on (the spooler's abort procedure).
    virtual int StartDocument(HDC dc, const std::wstring& title, bool (*keepGoing)()) = 0;
    virtual int StartPage(HDC dc) = 0;
    virtual int EndPage(HDC dc) = 0;
    virtual int EndDocument(HDC dc) = 0;
    virtual int AbortDocument(HDC dc) = 0;
};

// The device in use (the system's unless replaced).
TPrinterDevice& PrinterDevice();
// Puts in another device (not owned; null brings the system's back) and
// returns the previous one.
TPrinterDevice* SetPrinterDevice(TPrinterDevice* device);

// The program's printer, made on first use and freed at exit.
TPrinter* Printer();
// Replaces the program's printer and returns the previous one (the caller
// then owns it).
TPrinter* SetPrinter(TPrinter* printer);
