// The common dialogs (find, print, colour, font) over COMDLG32, and message
// dialogs over the message-box seam. Each COMDLG32 call goes through a
// replaceable function (dialog_seams), so tests can look at the structure a
// dialog filled in and answer for the user without a window.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/classes.h"
#include "framework/gdi_handles.h"
#include "framework/graphics_types.h"

class TFont;
class TStrings;

namespace dialog_seams {

// Each takes the platform's structure as the dialog filled it in and returns
// what the COMDLG32 function returns: FindTextW (FINDREPLACEW*, the modeless
// dialog's window), PrintDlgW (PRINTDLGW*), ChooseColorW (CHOOSECOLORW*),
// ChooseFontW (CHOOSEFONTW*).
extern std::function<void*(void* findReplace)> FindText;
extern std::function<bool(void* printDlg)> PrintDlg;
extern std::function<bool(void* chooseColor)> ChooseColor;
extern std::function<bool(void* chooseFont)> ChooseFont;
// Back to the real COMDLG32 functions.
void Reset();

}  // namespace dialog_seams

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* AOwner);
    int HelpContext = 0;
    // OnShow fires when the dialog's window is ready (before the user sees it),
    // OnClose when it goes.
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    // The window a dialog belongs to: the active form's, or the main form's.
    static HWND OwnerWindow();
    void DoShow();
    void DoClose();
};

// Find dialog options; frFindNext, frReplace and frReplaceAll report what the
// user asked for.
enum TFindOption : unsigned {
    frDown = 1u << 0,
    frFindNext = 1u << 1,
    frHideMatchCase = 1u << 2,
    frHideWholeWord = 1u << 3,
    frHideUpDown = 1u << 4,
    frMatchCase = 1u << 5,
    frDisableMatchCase = 1u << 6,
    frDisableUpDown = 1u << 7,
    frDisableWholeWord = 1u << 8,
    frReplace = 1u << 9,
    frReplaceAll = 1u << 10,
    frWholeWord = 1u << 11,
    frShowHelp = 1u << 12,
};
using TFindOptions = unsigned;

// The modeless find dialog: Execute shows it and returns at once; each "Find
// Next" fires OnFind with FindText and Options as the user set them.
class TFindDialog : public TCommonDialog {
public:
    explicit TFindDialog(TComponent* AOwner);
    ~TFindDialog() override;
    void BeforeDestruction() override;

    // Code page 1251, at most 255 characters reach the dialog.
    std::string FindText;
    TFindOptions Options = frDown;
    // Where the dialog appears (screen coordinates); (-1, -1) centres it over
    // the form that opens it. While it is open, reads its window's place.
    TPoint Position() const;
    void SetPosition(TPoint p);
    int Left() const { return Position().X; }
    int Top() const { return Position().Y; }

    // Shows the dialog (or brings the open one forward); true when it is open.
    bool Execute();
    void CloseDialog();
    // The dialog's window while it is open.
    HWND Handle() const { return FHandle; }

    TNotifyEvent OnFind;

private:
    struct TState;
    intptr_t HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
    void ReadBack();

    std::unique_ptr<TState> FState;
    HWND FHandle = nullptr;
    TPoint FPosition{-1, -1};
};

enum TPrintRange { prAllPages, prSelection, prPageNums };
enum TPrintDialogOption : unsigned {
    poPrintToFile = 1u << 0,
    poPageNums = 1u << 1,
    poSelection = 1u << 2,
    poWarning = 1u << 3,
    poHelp = 1u << 4,
    poDisablePrintToFile = 1u << 5,
};
using TPrintDialogOptions = unsigned;

// The print dialog over the program's printer (printers.h): it starts on the
// selected printer and, confirmed, makes the chosen one (with its settings)
// the selected printer. Without any printer Execute raises EPrinter.
class TPrintDialog : public TCommonDialog {
public:
    explicit TPrintDialog(TComponent* AOwner);

    int FromPage = 0;
    int ToPage = 0;
    int MinPage = 0;
    int MaxPage = 0;
    int Copies = 0;
    bool Collate = false;
    bool PrintToFile = false;
    TPrintRange PrintRange = prAllPages;
    TPrintDialogOptions Options = 0;

    // True when the user confirmed.
    bool Execute();
};

enum TColorDialogOption : unsigned {
    cdFullOpen = 1u << 0,
    cdPreventFullOpen = 1u << 1,
    cdShowHelp = 1u << 2,
    cdSolidColor = 1u << 3,
    cdAnyColor = 1u << 4,
};
using TColorDialogOptions = unsigned;

class TColorDialog : public TCommonDialog {
public:
    explicit TColorDialog(TComponent* AOwner);
    ~TColorDialog() override;

    TColor Color = clBlack;
    // The sixteen custom colours as lines "ColorA=RRGGBB" .. "ColorP=RRGGBB"
    // (hexadecimal in the platform's blue-green-red order); missing ones are white.
    TStrings* CustomColors() const;
    TColorDialogOptions Options = 0;

    bool Execute();

private:
    owned_ptr<TStrings> FCustomColors;
};

enum TFontDialogOption : unsigned {
    fdAnsiOnly = 1u << 0,
    fdTrueTypeOnly = 1u << 1,
    fdEffects = 1u << 2,
    fdFixedPitchOnly = 1u << 3,
    fdForceFontExist = 1u << 4,
    fdNoFaceSel = 1u << 5,
    fdNoOEMFonts = 1u << 6,
    fdNoSimulations = 1u << 7,
    fdNoSizeSel = 1u << 8,
    fdNoStyleSel = 1u << 9,
    fdNoVectorFonts = 1u << 10,
    fdShowHelp = 1u << 11,
    fdWysiwyg = 1u << 12,
    fdLimitSize = 1u << 13,
    fdScalableOnly = 1u << 14,
};
using TFontDialogOptions = unsigned;
// Whose fonts are offered (the font combo box lists by the same choice).
enum TFontDevice { fdScreen, fdPrinter, fdBoth };

class TFontDialog : public TCommonDialog {
public:
    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;

    // The font shown at the start and, confirmed, the one chosen.
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* font);
    TFontDialogOptions Options = fdEffects;
    TFontDevice Device = fdScreen;
    // Point sizes offered with fdLimitSize (0: no limit).
    int MinFontSize = 0;
    int MaxFontSize = 0;

    bool Execute();

private:
    owned_ptr<TFont> FFont;
};

// Message dialogs through the message-box seam (seams.h).
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2, mbCancel = 1u << 3,
    mbAbort = 1u << 4, mbRetry = 1u << 5, mbIgnore = 1u << 6, mbHelp = 1u << 7,
};
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;
constexpr TMsgDlgButtons mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;

// Returns the modal result of the button pressed (mrOk, mrYes, ...). The
// caption names the kind ("Warning", "Error", "Information", "Confirm"; the
// application's title for mtCustom). Code page 1251 text.
int MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);
// The message with an OK button under the application's title.
void ShowMessage(const std::string& message);
