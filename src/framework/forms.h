// Forms (top-level windows and modal dialogs) and the screen object.
//
// A form's layout is built by one function of the derived class, passed to
// BuildForm: it runs with the form and all its components in the loading
// state (no events fire), then every component's Loaded runs in creation
// order. Free a form through Free(): its OnDestroy runs before any destructor.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/controls.h"

class TMainMenu;
class TIcon;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIconFlag : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
// poScreenCenter centres on the primary screen's work area, poDesktopCenter
// on the whole desktop (every monitor), poMainFormCenter on the main form.
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poMainFormCenter, poDesktopCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
enum : TModalResult {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
};

using TCloseQueryEvent = TEvent<bool&>;
using TCloseEvent = TEvent<TCloseAction&>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    void BeforeDestruction() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition Position = poDesigned;
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* menu);
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    bool KeyPreview = false;
    TModalResult ModalResult = mrNone;
    int PixelsPerInch = 96;

    void Show();
    void Hide() { SetVisible(false); }
    // Asks OnCloseQuery, then OnClose; hides or frees as the action says.
    void Close();
    virtual bool CloseQuery();
    TModalResult ShowModal();
    bool Modal() const { return FModal; }
    void BringToFront();

    // The button that Enter presses and the one that Esc presses.
    TWinControl* DefaultButton = nullptr;
    TWinControl* CancelButton = nullptr;
    // Moves the focus to the next (or previous) tab stop.
    void SelectNext(TWinControl* current, bool forward);
    // Where the focus goes when the form is shown or activated: the
    // ActiveControl, else the first tab stop in tab order; null: none.
    TWinControl* FocusTarget() const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;

    bool Showing() const override { return FVisible; }
    void SetVisible(bool visible) override;
    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    void WndProc(TMessage& message) override;

    // Keys that the form acts on before the focused control sees them (Tab,
    // Enter, Esc, shortcuts, F1); true when the key was used.
    bool PreTranslateKey(const void* msg);
    // Minimum client size that the aligned children need.
    TSize MinimumClientSize() const;

protected:
    // Runs the derived class's layout function in the loading state, then
    // Loaded() of every component, then OnCreate.
    void BuildForm(const std::function<void()>& layout);
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyingHandle() override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    void Activate();
    void Deactivate();

private:
    void PlaceOnScreen();
    bool HelpKey();
    // Offers a typed character to the controls' accelerators (CM_DIALOGCHAR).
    bool DialogChar(const void* msg, TWinControl* focused);

    TFormBorderStyle FBorderStyle = bsSizeable;
    TWindowState FWindowState = wsNormal;
    TMainMenu* FMenu = nullptr;
    TWinControl* FActiveControl = nullptr;
    bool FModal = false;
    bool FShownOnce = false;
    bool FClosing = false;
    std::unique_ptr<TCanvas> FCanvas;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// The screen: its size and resolution, the forms that exist, the cursors the
// program registered, the installed font faces.
class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner);
    int Width() const;
    int Height() const;
    int PixelsPerInch() const;
    TRect WorkAreaRect() const;
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int index) const { return FForms.at(index); }
    TCustomForm* ActiveForm() const;
    TWinControl* ActiveControl() const;
    // The global cursor shown over every window while not crDefault.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);
    HICON Cursors(TCursor cursor) const { return ScreenCursor(cursor); }
    void SetCursors(TCursor cursor, HICON handle) { SetScreenCursor(cursor, handle); }
    // Installed font faces, sorted (code page 1251 names).
    const std::vector<std::string>& Fonts();
    void ResetFonts() { FFonts.clear(); }

private:
    friend class TCustomForm;
    std::vector<TCustomForm*> FForms;
    TCursor FCursor = crDefault;
    std::vector<std::string> FFonts;
};

extern TScreen* Screen;

// The key messages a form previews: key downs and characters, with Alt or not.
bool IsPreviewedKeyMessage(unsigned msg);

// Makes the application object and the screen (once) and hooks the forms into
// the application's message loop.
void InitializeForms();
