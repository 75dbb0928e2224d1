#include "framework/dialogs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/printers.h"
#include "framework/seams.h"
#include "framework/strings.h"
#include "framework/win.h"

#include <dlgs.h>

namespace dialog_seams {

namespace {
void* RealFindText(void* data) { return FindTextW(static_cast<FINDREPLACEW*>(data)); }
bool RealPrintDlg(void* data) { return PrintDlgW(static_cast<PRINTDLGW*>(data)) != FALSE; }
bool RealChooseColor(void* data) { return ChooseColorW(static_cast<CHOOSECOLORW*>(data)) != FALSE; }
bool RealChooseFont(void* data) { return ChooseFontW(static_cast<CHOOSEFONTW*>(data)) != FALSE; }
}  // namespace

std::function<void*(void*)> FindText = RealFindText;
std::function<bool(void*)> PrintDlg = RealPrintDlg;
std::function<bool(void*)> ChooseColor = RealChooseColor;
std::function<bool(void*)> ChooseFont = RealChooseFont;

void Reset() {
    FindText = RealFindText;
    PrintDlg = RealPrintDlg;
    ChooseColor = RealChooseColor;
    ChooseFont = RealChooseFont;
}

}  // namespace dialog_seams

namespace {

void AddModelessDialog(HWND dialog) {
    if (Application) Application->AddModelessDialog(dialog);
}

void RemoveModelessDialog(HWND dialog) {
    if (Application) Application->RemoveModelessDialog(dialog);
}

unsigned FindMessage() {
    static const unsigned message = RegisterWindowMessageW(FINDMSGSTRINGW);
    return message;
}

constexpr wchar_t kDialogProp[] = L"FrameworkCommonDialog";

struct TFlagPair {
    unsigned ours;
    DWORD theirs;
};

template <size_t N>
DWORD MapFlags(unsigned options, const TFlagPair (&pairs)[N]) {
    DWORD result = 0;
    for (const auto& p : pairs)
        if (options & p.ours) result |= p.theirs;
    return result;
}

constexpr TFlagPair kFindFlags[] = {
    {frDown, FR_DOWN},
    {frFindNext, FR_FINDNEXT},
    {frHideMatchCase, FR_HIDEMATCHCASE},
    {frHideWholeWord, FR_HIDEWHOLEWORD},
    {frHideUpDown, FR_HIDEUPDOWN},
    {frMatchCase, FR_MATCHCASE},
    {frDisableMatchCase, FR_NOMATCHCASE},
    {frDisableUpDown, FR_NOUPDOWN},
    {frDisableWholeWord, FR_NOWHOLEWORD},
    {frReplace, FR_REPLACE},
    {frReplaceAll, FR_REPLACEALL},
    {frWholeWord, FR_WHOLEWORD},
    {frShowHelp, FR_SHOWHELP},
};

constexpr TFlagPair kColorFlags[] = {
    {cdFullOpen, CC_FULLOPEN},   {cdPreventFullOpen, CC_PREVENTFULLOPEN}, {cdShowHelp, CC_SHOWHELP},
    {cdSolidColor, CC_SOLIDCOLOR}, {cdAnyColor, CC_ANYCOLOR},
};

constexpr TFlagPair kFontFlags[] = {
    {fdAnsiOnly, CF_ANSIONLY},
    {fdTrueTypeOnly, CF_TTONLY},
    {fdEffects, CF_EFFECTS},
    {fdFixedPitchOnly, CF_FIXEDPITCHONLY},
    {fdForceFontExist, CF_FORCEFONTEXIST},
    {fdNoFaceSel, CF_NOFACESEL},
    {fdNoOEMFonts, CF_NOOEMFONTS},
    {fdNoSimulations, CF_NOSIMULATIONS},
    {fdNoSizeSel, CF_NOSIZESEL},
    {fdNoStyleSel, CF_NOSTYLESEL},
    {fdNoVectorFonts, CF_NOVECTORFONTS},
    {fdShowHelp, CF_SHOWHELP},
    {fdWysiwyg, CF_WYSIWYG},
    {fdLimitSize, CF_LIMITSIZE},
    {fdScalableOnly, CF_SCALABLEONLY},
};

// The hook of the modal dialogs (T: the COMDLG32 structure, whose lCustData
// holds the dialog object): OnShow when the window is ready, the program's help
// for the Help button.
template <class T>
UINT_PTR CALLBACK ModalHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallGuarded<UINT_PTR>(0, [&]() -> UINT_PTR {
        if (message == WM_INITDIALOG) {
            auto* owner = reinterpret_cast<TCommonDialog*>(reinterpret_cast<T*>(lParam)->lCustData);
            if (owner) {
                SetPropW(dialog, kDialogProp, owner);
                if (owner->OnShow) owner->OnShow(owner);
            }
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == pshHelp) {
            auto* owner = static_cast<TCommonDialog*>(GetPropW(dialog, kDialogProp));
            if (owner && owner->HelpContext && Application) Application->HelpContext(owner->HelpContext);
            return TRUE;
        }
        if (message == WM_DESTROY) RemovePropW(dialog, kDialogProp);
        return 0;
    });
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

// DEVNAMES: four offsets (in characters) to the driver, device and port names.
HGLOBAL MakeDevNames(const std::wstring& driver, const std::wstring& device, const std::wstring& port) {
    const size_t header = sizeof(DEVNAMES) / sizeof(wchar_t);
    const size_t total = header + driver.size() + 1 + device.size() + 1 + port.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, total * sizeof(wchar_t));
    if (!block) return nullptr;
    auto* names = static_cast<DEVNAMES*>(GlobalLock(block));
    auto* text = reinterpret_cast<wchar_t*>(names);
    size_t at = header;
    auto put = [&](const std::wstring& s) {
        std::copy(s.begin(), s.end(), text + at);
        WORD offset = static_cast<WORD>(at);
        at += s.size() + 1;
        return offset;
    };
    names->wDriverOffset = put(driver);
    names->wDeviceOffset = put(device);
    names->wOutputOffset = put(port);
    GlobalUnlock(block);
    return block;
}

void ReadDevNames(HGLOBAL block, std::wstring& driver, std::wstring& device, std::wstring& port) {
    auto* names = static_cast<DEVNAMES*>(GlobalLock(block));
    if (!names) return;
    auto* text = reinterpret_cast<const wchar_t*>(names);
    driver = text + names->wDriverOffset;
    device = text + names->wDeviceOffset;
    port = text + names->wOutputOffset;
    GlobalUnlock(block);
}

}  // namespace

// ---------------------------------------------------------------------------

TCommonDialog::TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}

HWND TCommonDialog::OwnerWindow() {
    if (Screen)
        if (TCustomForm* form = Screen->ActiveForm(); form && form->HandleAllocated()) return form->Handle();
    if (Application && Application->MainForm && Application->MainForm->HandleAllocated())
        return Application->MainForm->Handle();
    return GetActiveWindow();
}

void TCommonDialog::DoShow() {
    if (OnShow) OnShow(this);
}

void TCommonDialog::DoClose() {
    if (OnClose) OnClose(this);
}

// ---------------------------------------------------------------------------

struct TFindDialog::TState {
    FINDREPLACEW data{};
    // Twice the 256 characters the dialog is told of: its length field counts
    // bytes on some systems and characters on others.
    wchar_t text[512] = {};
    HWND receiver = nullptr;  // gets the dialog's FINDMSGSTRING messages
};

namespace {

// The system puts a modeless dialog at the screen's corner, wherever the
// window it belongs to lies: it opens centred over that window instead, kept
// on the window's monitor.
void CentreOver(HWND dialog, HWND window) {
    RECT d, w;
    if (!GetWindowRect(dialog, &d) || !GetWindowRect(window, &w)) return;
    const int width = d.right - d.left, height = d.bottom - d.top;
    int left = (w.left + w.right - width) / 2, top = (w.top + w.bottom - height) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& area = monitor.rcWork;
        left = std::max<int>(area.left, std::min<int>(left, area.right - width));
        top = std::max<int>(area.top, std::min<int>(top, area.bottom - height));
    }
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT_PTR CALLBACK FindHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    return CallGuarded<UINT_PTR>(0, [&]() -> UINT_PTR {
        if (message != WM_INITDIALOG) return 0;
        auto* data = reinterpret_cast<FINDREPLACEW*>(lParam);
        auto* owner = reinterpret_cast<TFindDialog*>(data->lCustData);
        TPoint p = owner->Position();
        if (p.X != -1 || p.Y != -1)
            SetWindowPos(dialog, nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        else if (HWND form = GetWindow(data->hwndOwner, GW_OWNER))
            CentreOver(dialog, form);
        if (owner->OnShow) owner->OnShow(owner);
        return TRUE;
    });
}

}  // namespace

TFindDialog::TFindDialog(TComponent* AOwner) : TCommonDialog(AOwner), FState(new TState) {}

TFindDialog::~TFindDialog() = default;

void TFindDialog::BeforeDestruction() {
    if (FHandle) {
        RemoveModelessDialog(FHandle);
        DestroyWindow(FHandle);
        FHandle = nullptr;
    }
    if (FState->receiver) {
        DeallocateHWnd(FState->receiver);
        FState->receiver = nullptr;
    }
    TCommonDialog::BeforeDestruction();
}

TPoint TFindDialog::Position() const {
    if (!FHandle) return FPosition;
    RECT r;
    GetWindowRect(FHandle, &r);
    return {r.left, r.top};
}

void TFindDialog::SetPosition(TPoint p) {
    FPosition = p;
    if (FHandle) SetWindowPos(FHandle, nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TFindDialog::Execute() {
    if (FHandle) {
        ShowWindow(FHandle, SW_SHOW);
        SetForegroundWindow(FHandle);
        return true;
    }
    if (!FState->receiver)
        FState->receiver = static_cast<HWND>(AllocateHWnd(
            [this](unsigned message, uintptr_t wParam, intptr_t lParam) { return HandleMessage(message, wParam, lParam); }));
    // The receiver stands in for the form as the dialog's owner window, so the
    // dialog still stays above the form.
    if (HWND owner = OwnerWindow())
        SetWindowLongPtrW(FState->receiver, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));

    FINDREPLACEW& data = FState->data;
    data = {};
    data.lStructSize = sizeof(data);
    data.hwndOwner = FState->receiver;
    data.Flags = MapFlags(Options & ~(frFindNext | frReplace | frReplaceAll), kFindFlags) | FR_ENABLEHOOK;
    std::wstring text = AnsiToWide(FindText.substr(0, 255));
    std::fill(std::begin(FState->text), std::end(FState->text), L'\0');
    std::copy(text.begin(), text.end(), FState->text);
    data.lpstrFindWhat = FState->text;
    data.wFindWhatLen = static_cast<WORD>(256 * sizeof(wchar_t));
    data.lpfnHook = FindHook;
    data.lCustData = reinterpret_cast<LPARAM>(this);
    HWND dialog = static_cast<HWND>(dialog_seams::FindText(&data));
    if (!dialog) return false;
    FHandle = dialog;
    AddModelessDialog(dialog);
    return true;
}

void TFindDialog::CloseDialog() {
    if (!FHandle) return;
    SendMessageW(FHandle, WM_CLOSE, 0, 0);
    if (FHandle) {
        // Not a dialog that reports its end (a test's stand-in): end it here.
        HWND dialog = FHandle;
        FHandle = nullptr;
        RemoveModelessDialog(dialog);
        if (IsWindow(dialog)) DestroyWindow(dialog);
        DoClose();
    }
}

void TFindDialog::ReadBack() {
    const FINDREPLACEW& data = FState->data;
    FindText = WideToAnsi(std::wstring_view(FState->text, wcsnlen(FState->text, 255)));
    const TFindOptions reported = frDown | frMatchCase | frWholeWord | frFindNext | frReplace | frReplaceAll;
    TFindOptions options = Options & ~reported;
    for (const auto& p : kFindFlags)
        if ((reported & p.ours) && (data.Flags & p.theirs)) options |= p.ours;
    Options = options;
}

intptr_t TFindDialog::HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (message != FindMessage()) return DefWindowProcW(FState->receiver, message, wParam, lParam);
    ReadBack();
    const DWORD flags = FState->data.Flags;
    if (flags & FR_DIALOGTERM) {
        if (FHandle) RemoveModelessDialog(FHandle);
        FHandle = nullptr;
        DoClose();
    } else if ((flags & FR_FINDNEXT) && OnFind) {
        OnFind(this);
    }
    return 0;
}

// ---------------------------------------------------------------------------

TPrintDialog::TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

bool TPrintDialog::Execute() {
    TPrinter* printer = Printer();
    std::wstring device, driver, port;
    void* deviceMode = nullptr;
    // Raises EPrinter when there is no printer to offer.
    printer->GetPrinter(device, driver, port, deviceMode);

    PRINTDLGW data{};
    data.lStructSize = sizeof(data);
    data.hwndOwner = OwnerWindow();
    data.hDevMode = CopyGlobal(static_cast<HGLOBAL>(deviceMode));
    data.hDevNames = MakeDevNames(driver, device, port);
    DWORD flags = PD_ENABLEPRINTHOOK;
    if (PrintRange == prSelection) flags |= PD_SELECTION;
    if (PrintRange == prPageNums) flags |= PD_PAGENUMS;
    if (Collate) flags |= PD_COLLATE;
    if (PrintToFile) flags |= PD_PRINTTOFILE;
    if (!(Options & poPageNums)) flags |= PD_NOPAGENUMS;
    if (!(Options & poSelection)) flags |= PD_NOSELECTION;
    if (!(Options & poPrintToFile)) flags |= PD_HIDEPRINTTOFILE;
    if (Options & poDisablePrintToFile) flags |= PD_DISABLEPRINTTOFILE;
    if (Options & poHelp) flags |= PD_SHOWHELP;
    if (!(Options & poWarning)) flags |= PD_NOWARNING;
    data.Flags = flags;
    data.nFromPage = static_cast<WORD>(std::clamp(FromPage, 0, 0xFFFF));
    data.nToPage = static_cast<WORD>(std::clamp(ToPage, 0, 0xFFFF));
    data.nMinPage = static_cast<WORD>(std::clamp(MinPage, 0, 0xFFFF));
    data.nMaxPage = static_cast<WORD>(std::clamp(MaxPage, 0, 0xFFFF));
    data.nCopies = static_cast<WORD>(std::clamp(Copies, 1, 0xFFFF));
    data.lpfnPrintHook = ModalHook<PRINTDLGW>;
    data.lCustData = reinterpret_cast<LPARAM>(this);

    bool confirmed = false;
    try {
        confirmed = dialog_seams::PrintDlg(&data);
        if (confirmed) {
            PrintRange = (data.Flags & PD_SELECTION) ? prSelection : (data.Flags & PD_PAGENUMS) ? prPageNums : prAllPages;
            Collate = (data.Flags & PD_COLLATE) != 0;
            PrintToFile = (data.Flags & PD_PRINTTOFILE) != 0;
            FromPage = data.nFromPage;
            ToPage = data.nToPage;
            Copies = data.nCopies;
            if (data.hDevNames) {
                ReadDevNames(data.hDevNames, driver, device, port);
                printer->SetPrinter(device, driver, port, data.hDevMode);
            }
        }
    } catch (...) {
        if (data.hDevMode) GlobalFree(data.hDevMode);
        if (data.hDevNames) GlobalFree(data.hDevNames);
        throw;
    }
    if (data.hDevMode) GlobalFree(data.hDevMode);
    if (data.hDevNames) GlobalFree(data.hDevNames);
    DoClose();
    return confirmed;
}

// ---------------------------------------------------------------------------

TColorDialog::TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner), FCustomColors(new TStringList) {}

TColorDialog::~TColorDialog() = default;

TStrings* TColorDialog::CustomColors() const {
    return FCustomColors.get();
}

bool TColorDialog::Execute() {
    COLORREF custom[16];
    for (int i = 0; i < 16; ++i) {
        std::string value = FCustomColors->Values(std::string("Color") + static_cast<char>('A' + i));
        char* end = nullptr;
        unsigned long color = std::strtoul(value.c_str(), &end, 16);
        custom[i] = !value.empty() && end && *end == 0 ? static_cast<COLORREF>(color & 0xFFFFFF) : 0xFFFFFF;
    }
    CHOOSECOLORW data{};
    data.lStructSize = sizeof(data);
    data.hwndOwner = OwnerWindow();
    data.rgbResult = static_cast<COLORREF>(ColorToRGB(Color));
    data.lpCustColors = custom;
    data.Flags = CC_RGBINIT | CC_ENABLEHOOK | MapFlags(Options, kColorFlags);
    data.lpfnHook = ModalHook<CHOOSECOLORW>;
    data.lCustData = reinterpret_cast<LPARAM>(this);
    bool confirmed = dialog_seams::ChooseColor(&data);
    if (confirmed) {
        Color = static_cast<TColor>(data.rgbResult);
        FCustomColors->Clear();
        for (int i = 0; i < 16; ++i)
            FCustomColors->Add(Format("Color%c=%.6X", 'A' + i, static_cast<unsigned>(custom[i] & 0xFFFFFF)));
    }
    DoClose();
    return confirmed;
}

// ---------------------------------------------------------------------------

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(new TFont) {}

TFontDialog::~TFontDialog() = default;

void TFontDialog::SetFont(TFont* font) {
    FFont->Assign(font);
}

bool TFontDialog::Execute() {
    LOGFONTW font{};
    GetObjectW(FFont->Handle(), sizeof(font), &font);
    CHOOSEFONTW data{};
    data.lStructSize = sizeof(data);
    data.hwndOwner = OwnerWindow();
    data.lpLogFont = &font;
    data.rgbColors = static_cast<COLORREF>(ColorToRGB(FFont->Color()));
    DWORD flags = CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK | MapFlags(Options, kFontFlags);
    DWORD device = Device == fdScreen ? CF_SCREENFONTS : Device == fdPrinter ? CF_PRINTERFONTS : CF_BOTH;
    if (Device != fdScreen) {
        // Without a printer the screen's fonts are all there is to offer.
        try {
            data.hDC = Printer()->Handle();
        } catch (const EPrinter&) {
            device = CF_SCREENFONTS;
        }
    }
    data.Flags = flags | device;
    if (Options & fdLimitSize) {
        data.nSizeMin = std::max(MinFontSize, 0);
        data.nSizeMax = std::max(MaxFontSize, 0);
    }
    data.lpfnHook = ModalHook<CHOOSEFONTW>;
    data.lCustData = reinterpret_cast<LPARAM>(this);
    bool confirmed = dialog_seams::ChooseFont(&data);
    if (confirmed) {
        FFont->SetHandle(CreateFontIndirectW(&font));
        FFont->SetColor(static_cast<TColor>(data.rgbColors));
    }
    DoClose();
    return confirmed;
}

// ---------------------------------------------------------------------------

namespace {

const char* const kMessageCaptions[] = {"Warning", "Error", "Information", "Confirm"};
const unsigned kMessageIcons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION};

unsigned ButtonsFlags(TMsgDlgButtons buttons) {
    auto has = [&](TMsgDlgButtons b) { return (buttons & b) == b; };
    if (has(mbYes | mbNo)) return has(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    if (has(mbAbortRetryIgnore)) return MB_ABORTRETRYIGNORE;
    if (has(mbRetry | mbCancel)) return MB_RETRYCANCEL;
    if (has(mbOK | mbCancel)) return MB_OKCANCEL;
    return MB_OK;
}

std::string ApplicationTitle() {
    if (Application && !Application->Title.empty()) return Application->Title;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string name = ExtractFileName(WideToAnsi(path));
    return ChangeFileExt(name, "");
}

HWND MessageOwner() {
    if (Screen)
        if (TCustomForm* form = Screen->ActiveForm(); form && form->HandleAllocated()) return form->Handle();
    return GetActiveWindow();
}

}  // namespace

int MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
    unsigned flags = ButtonsFlags(buttons);
    std::string caption;
    if (type == mtCustom) {
        caption = ApplicationTitle();
    } else {
        caption = kMessageCaptions[type];
        flags |= kMessageIcons[type];
    }
    if ((buttons & mbHelp) && helpContext) flags |= MB_HELP;
    return seams::MessageBox ? seams::MessageBox(MessageOwner(), message, caption, flags) : 0;
}

void ShowMessage(const std::string& message) {
    if (seams::MessageBox) seams::MessageBox(MessageOwner(), message, ApplicationTitle(), MB_OK);
}
