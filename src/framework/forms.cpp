#include "framework/forms.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/graphics.h"
#include "framework/menus_bridge.h"
#include "framework/win.h"

TScreen* Screen = nullptr;

namespace {

TCustomForm* FormOfWindow(HWND wnd) {
    HWND root = wnd ? GetAncestor(wnd, GA_ROOT) : nullptr;
    return dynamic_cast<TCustomForm*>(TWinControl::FindControl(root));
}

// The control owning a window or its nearest ancestor: the focus may sit in a
// window a control made inside its own (the edit field of a combo box).
TWinControl* ControlOrAncestor(HWND wnd) {
    for (; wnd; wnd = GetAncestor(wnd, GA_PARENT))
        if (TWinControl* control = TWinControl::FindControl(wnd)) return control;
    return nullptr;
}

}  // namespace

TCustomForm* TControl::GetParentForm() const {
    const TControl* top = this;
    while (top->Parent()) top = top->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

// ---------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {
    FVisible = false;
    FParentColor = false;
    FParentFont = false;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
    FWidth = 320;
    FHeight = 240;
    if (Screen) Screen->FForms.push_back(this);
}

TCustomForm::~TCustomForm() {
    if (Screen) {
        auto& forms = Screen->FForms;
        forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    }
    if (Application && Application->MainForm == this) Application->MainForm = nullptr;
}

void TCustomForm::BeforeDestruction() {
    if (!Destroying() && OnDestroy) CallGuarded([&] { OnDestroy(this); });
    TWinControl::BeforeDestruction();
    if (Screen) {
        auto& forms = Screen->FForms;
        forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    }
    if (Application && Application->MainForm == this) {
        Application->MainForm = nullptr;
        Application->Terminate();
    }
}

void TCustomForm::BuildForm(const std::function<void()>& layout) {
    BeginLoading();
    try {
        layout();
        // Components made by the layout are marked as they are owned.
        BeginLoading();
    } catch (...) {
        EndLoading();
        throw;
    }
    EndLoading();
    if (OnCreate) OnCreate(this);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

void TCustomForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = AnsiToWide(ClassName());
    p.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    p.ExStyle = 0;
    p.WndParent = nullptr;
    switch (FBorderStyle) {
    case bsNone:
        p.Style |= WS_POPUP;
        break;
    case bsSingle:
        p.Style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
        p.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        p.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        p.Style |= WS_CAPTION;
        p.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        p.Style |= WS_CAPTION | WS_THICKFRAME;
        p.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (FBorderStyle != bsNone && (BorderIcons & biSystemMenu)) {
        p.Style |= WS_SYSMENU;
        bool sizingIcons = FBorderStyle == bsSingle || FBorderStyle == bsSizeable;
        if (sizingIcons && (BorderIcons & biMinimize)) p.Style |= WS_MINIMIZEBOX;
        if (sizingIcons && (BorderIcons & biMaximize)) p.Style |= WS_MAXIMIZEBOX;
        if (FBorderStyle == bsDialog && (BorderIcons & biHelp)) p.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (Application && Application->MainForm && Application->MainForm != this &&
        Application->MainForm->HandleAllocated())
        p.WndParent = Application->MainForm->Handle();
    p.ClassStyle = CS_DBLCLKS;
}

void TCustomForm::CreateHandleDone() {
    if (FMenu && MenuBridge().MainMenuHandle)
        ::SetMenu(FHandle, static_cast<HMENU>(MenuBridge().MainMenuHandle(FMenu)));
    UpdateBounds();
    Realign();
}

void TCustomForm::DestroyingHandle() {
    // Windows destroys a menu still attached to a window it destroys; the menu
    // belongs to its TMainMenu.
    ::SetMenu(FHandle, nullptr);
    TWinControl::DestroyingHandle();
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    FMenu = menu;
    if (FHandle) {
        HMENU handle = nullptr;
        if (menu && MenuBridge().MainMenuHandle) handle = static_cast<HMENU>(MenuBridge().MainMenuHandle(menu));
        ::SetMenu(FHandle, handle);
        Realign();
    }
}

// Before the window exists, the client area is the designed size less the
// frame that the window's styles will give it, so that a client size set
// while the form is built is the client size it shows.
TRect TCustomForm::ClientRect() const {
    if (FHandle) return TWinControl::ClientRect();
    TCreateParams p;
    const_cast<TCustomForm*>(this)->CreateParams(p);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, p.Style, FMenu && MenuBridge().MainMenuHandle, p.ExStyle);
    const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    return Rect(0, 0, std::max(0, FWidth - frameWidth), std::max(0, FHeight - frameHeight));
}

TPoint TCustomForm::ClientOrigin() const {
    POINT p{0, 0};
    if (FHandle) ::ClientToScreen(FHandle, &p);
    return {p.x, p.y};
}

void TCustomForm::PlaceOnScreen() {
    if (Position != poScreenCenter && Position != poMainFormCenter && Position != poDesktopCenter) return;
    TRect area = Screen ? Screen->WorkAreaRect() : Rect(0, 0, 1024, 768);
    if (Position == poMainFormCenter && Application && Application->MainForm &&
        Application->MainForm != this)
        area = Application->MainForm->BoundsRect();
    if (Position == poDesktopCenter)
        area = Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                      GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    int left = area.Left + (area.Width() - FWidth) / 2;
    int top = area.Top + (area.Height() - FHeight) / 2;
    // Centred over a main window near the screen's edge, the form still lies
    // wholly on that window's monitor (its top-left corner first, when it is
    // larger).
    TRect screen = area;
    if (Position != poDesktopCenter) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        const POINT centre{area.Left + area.Width() / 2, area.Top + area.Height() / 2};
        if (GetMonitorInfoW(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &monitor))
            screen = Rect(monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom);
    }
    left = std::max<int>(screen.Left, std::min<int>(left, screen.Right - FWidth));
    top = std::max<int>(screen.Top, std::min<int>(top, screen.Bottom - FHeight));
    SetBounds(left, top, FWidth, FHeight);
}

TWindowState TCustomForm::WindowState() const {
    if (FHandle) {
        if (IsIconic(FHandle)) return wsMinimized;
        if (IsZoomed(FHandle)) return wsMaximized;
        return wsNormal;
    }
    return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState state) {
    FWindowState = state;
    if (FHandle && FVisible) {
        static const int kShow[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
        ShowWindow(FHandle, kShow[state]);
    }
}

void TCustomForm::SetVisible(bool visible) {
    if (visible == FVisible && (!visible || (FHandle && IsWindowVisible(FHandle)))) return;
    if (visible) {
        // The first showing places the form, whether or not its window was
        // made before (ShowModal makes it first).
        if (!FShownOnce) PlaceOnScreen();
        Handle();
        FVisible = true;
        FShownOnce = true;
        // OnShow runs before the window appears, so a handler can still move it.
        DoShow();
        for (TControl* child : std::vector<TControl*>(FControls))
            if (auto* w = dynamic_cast<TWinControl*>(child); w && w->Showing()) w->Handle();
        static const int kShow[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
        ShowWindow(FHandle, kShow[FWindowState]);
        Perform(CM_SHOWINGCHANGED);
        if (TWinControl* target = FocusTarget()) ::SetFocus(target->Handle());
    } else {
        FVisible = false;
        if (FHandle) {
            DoHide();
            ShowWindow(FHandle, SW_HIDE);
            Perform(CM_SHOWINGCHANGED);
        }
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::BringToFront() {
    if (FHandle) SetForegroundWindow(FHandle);
}

void TCustomForm::DoShow() {
    if (OnShow && EventsEnabled()) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide && EventsEnabled()) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose && EventsEnabled()) OnClose(this, action);
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery && EventsEnabled()) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (FClosing) return;
    if (FModal) {
        ModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    bool isMain = Application && Application->MainForm == this;
    TCloseAction action = isMain ? caFree : caHide;
    FClosing = true;
    try {
        DoClose(action);
    } catch (...) {
        FClosing = false;
        throw;
    }
    FClosing = false;
    if (action == caNone) return;
    if (isMain) {
        Hide();
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    case caFree:
        Hide();
        PostMessageW(Handle(), WM_NULL, 0, 0);
        TObject::Free(this);
        break;
    default:
        break;
    }
}

namespace {

struct DisabledWindows {
    HWND keep;
    std::vector<HWND> list;
};

BOOL CALLBACK DisableOne(HWND wnd, LPARAM data) {
    auto* state = reinterpret_cast<DisabledWindows*>(data);
    if (wnd != state->keep && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
        state->list.push_back(wnd);
        EnableWindow(wnd, FALSE);
    }
    return TRUE;
}

}  // namespace

TModalResult TCustomForm::ShowModal() {
    if (FVisible || FModal) throw EInvalidOperation("Cannot make a visible window modal");
    HWND active = GetActiveWindow();
    if (!FHandle && Position == poDesigned) Position = poScreenCenter;
    HandleNeeded();
    DisabledWindows disabled{FHandle, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));
    FModal = true;
    ModalResult = mrNone;
    auto restore = [&] {
        for (HWND wnd : disabled.list) EnableWindow(wnd, TRUE);
        FModal = false;
        if (FHandle) Hide();
        if (active && IsWindow(active)) SetActiveWindow(active);
    };
    try {
        Show();
        while (Application && !Application->Terminated()) {
            Application->HandleMessage();
            if (ModalResult != mrNone) {
                FModal = false;
                bool canClose = CloseQuery();
                FModal = true;
                if (canClose) break;
                ModalResult = mrNone;
            }
        }
    } catch (...) {
        restore();
        throw;
    }
    // Enable the owner before hiding, so Windows gives it the activation back.
    restore();
    return ModalResult;
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    FActiveControl = control;
    if (control && FHandle && IsWindowVisible(FHandle) && control->CanFocus()) ::SetFocus(control->Handle());
}

namespace {

// The form's tab stops in tab order: each parent's windowed children in their
// order, depth first.
std::vector<TWinControl*> TabStops(TWinControl* form) {
    std::vector<TWinControl*> stops;
    std::function<void(TWinControl*)> collect = [&](TWinControl* parent) {
        for (int i = 0; i < parent->ControlCount(); ++i) {
            auto* w = dynamic_cast<TWinControl*>(parent->Controls(i));
            if (!w || !w->Visible() || !w->Enabled()) continue;
            if (w->TabStop) stops.push_back(w);
            collect(w);
        }
    };
    collect(form);
    return stops;
}

}  // namespace

void TCustomForm::SelectNext(TWinControl* current, bool forward) {
    std::vector<TWinControl*> stops = TabStops(this);
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), current);
    size_t index;
    if (it == stops.end())
        index = forward ? 0 : stops.size() - 1;
    else if (forward)
        index = (static_cast<size_t>(it - stops.begin()) + 1) % stops.size();
    else
        index = (static_cast<size_t>(it - stops.begin()) + stops.size() - 1) % stops.size();
    stops[index]->SetFocus();
}

// As a dialog box does, a form shown without an ActiveControl gives the focus
// to its first tab stop, so that the keyboard works before any click.
TWinControl* TCustomForm::FocusTarget() const {
    if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) return FActiveControl;
    for (TWinControl* stop : TabStops(const_cast<TCustomForm*>(this)))
        if (stop->CanFocus()) return stop;
    return nullptr;
}

TSize TCustomForm::MinimumClientSize() const {
    // What the aligned children need at their fixed sizes and minimums.
    std::function<TSize(const TWinControl*)> need = [&](const TWinControl* parent) {
        int top = 0, side = 0, minClientW = 0, minClientH = 0;
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* c = parent->Controls(i);
            if (!c->Visible()) continue;
            switch (c->Align()) {
            case alTop:
            case alBottom:
                top += std::max(c->Height(), c->Constraints.MinHeight);
                break;
            case alLeft:
            case alRight:
                side += std::max(c->Width(), c->Constraints.MinWidth);
                break;
            case alClient: {
                TSize inner{0, 0};
                if (auto* w = dynamic_cast<const TWinControl*>(c)) inner = need(w);
                minClientW = std::max(inner.cx, c->Constraints.MinWidth);
                minClientH = std::max(inner.cy, c->Constraints.MinHeight);
                break;
            }
            default:
                break;
            }
        }
        return TSize{side + minClientW, top + minClientH};
    };
    return need(this);
}

bool TCustomForm::HelpKey() {
    int context = 0;
    for (TWinControl* c = FindControl(GetFocus()); c && !context; c = c->Parent()) context = c->HelpContext;
    if (!context) context = HelpContext;
    if (!context || !Application) return false;
    Application->HelpContext(context);
    return true;
}

bool TCustomForm::PreTranslateKey(const void* rawMsg) {
    const MSG* msg = static_cast<const MSG*>(rawMsg);
    if (!IsPreviewedKeyMessage(msg->message)) return false;
    TWinControl* focused = ControlOrAncestor(GetFocus());
    if (focused && !ContainsControl(focused)) focused = nullptr;
    if (msg->message == WM_CHAR && KeyPreview && OnKeyPress) {
        char key;
        if (WideCharToAnsiChar(static_cast<wchar_t>(msg->wParam), key) && DoKeyPress(key)) return true;
    }
    if (msg->message == WM_CHAR || msg->message == WM_SYSCHAR) return DialogChar(rawMsg, focused);
    uint16_t key = static_cast<uint16_t>(msg->wParam);
    TShiftState shift = KeyboardShiftState();
    if (KeyPreview && OnKeyDown && focused != this) {
        if (DoKeyDown(key, shift)) return true;
    }
    if (MenuBridge().ShortCut && MenuBridge().ShortCut(focused ? focused : this, this, key, shift)) return true;
    if (key == VK_F1 && shift == 0) return HelpKey();
    // Ctrl+A selects the whole text of a text box (an edit field of a combo
    // box too), as later editions of the platform's edit field do of
    // themselves; a shortcut of the form's own came first above.
    if (key == 'A' && shift == ssCtrl)
        if (HWND box = GetFocus(); box && (SendMessageW(box, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)) {
            SendMessageW(box, EM_SETSEL, 0, -1);
            return true;
        }
    LRESULT code = focused ? SendMessageW(focused->Handle(), WM_GETDLGCODE, msg->wParam,
                                          reinterpret_cast<LPARAM>(msg))
                           : 0;
    if (code & DLGC_WANTALLKEYS) return false;
    switch (key) {
    case VK_TAB:
        if (code & DLGC_WANTTAB) return false;
        if (shift & (ssCtrl | ssAlt)) return false;
        SelectNext(focused, (shift & ssShift) == 0);
        return true;
    default:
        break;
    }
    // Enter and Esc go first to the controls that answer them themselves
    // (tool buttons marked Default or Cancel, a floating bar's frame).
    if ((key == VK_RETURN || key == VK_ESCAPE) && Perform(CM_DIALOGKEY, key, msg->lParam)) return true;
    switch (key) {
    case VK_RETURN:
        if (DefaultButton && DefaultButton->Visible() && DefaultButton->Enabled()) {
            DefaultButton->Click();
            return true;
        }
        return false;
    case VK_ESCAPE:
        if (CancelButton && CancelButton->Visible() && CancelButton->Enabled()) {
            CancelButton->Click();
            return true;
        }
        if (FModal) {
            ModalResult = mrCancel;
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool TCustomForm::DialogChar(const void* rawMsg, TWinControl* focused) {
    const MSG* msg = static_cast<const MSG*>(rawMsg);
    if (msg->wParam < L' ') return false;  // Enter, Esc, Tab, Backspace: keys, not accelerators
    // A plain character is an accelerator only where the focused control has
    // no use for characters: it neither asks for them nor handles key presses.
    if (msg->message == WM_CHAR && focused) {
        LRESULT code = SendMessageW(focused->Handle(), WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_HASSETSEL)) return false;
        if (focused->OnKeyPress) return false;
    }
    return Perform(CM_DIALOGCHAR, msg->wParam, msg->lParam) != 0;
}

bool IsPreviewedKeyMessage(unsigned msg) {
    return msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN || msg == WM_CHAR || msg == WM_SYSCHAR;
}

void TCustomForm::Activate() {
    if (OnActivate && EventsEnabled()) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate && EventsEnabled()) OnDeactivate(this);
}

void TCustomForm::PaintWindow(HDC dc) {
    FCanvas->SetHandle(dc);
    FCanvas->Font()->Assign(FFont.get());
    FCanvas->Brush()->SetColor(FColor);
    try {
        Paint();
        if (OnPaint && EventsEnabled()) OnPaint(this);
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        throw;
    }
    FCanvas->SetHandle(nullptr);
    PaintControls(dc, nullptr);
}

void TCustomForm::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case WM_GETMINMAXINFO: {
        DefaultHandler(m);
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        TSize need = MinimumClientSize();
        need.cx = std::max(need.cx, Constraints.MinWidth);
        need.cy = std::max(need.cy, Constraints.MinHeight);
        if (FHandle && (need.cx > 0 || need.cy > 0)) {
            RECT r{0, 0, need.cx, need.cy};
            AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(FHandle, GWL_STYLE)), GetMenu(FHandle) != nullptr,
                               static_cast<DWORD>(GetWindowLongW(FHandle, GWL_EXSTYLE)));
            info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, r.right - r.left);
            info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, r.bottom - r.top);
        }
        if (Constraints.MaxWidth > 0) info->ptMaxTrackSize.x = Constraints.MaxWidth;
        if (Constraints.MaxHeight > 0) info->ptMaxTrackSize.y = Constraints.MaxHeight;
        return;
    }
    case WM_ACTIVATE:
        DefaultHandler(m);
        if (LOWORD(m.WParam) != WA_INACTIVE) {
            if (TWinControl* target = FocusTarget(); target && target->HandleAllocated())
                ::SetFocus(target->Handle());
            Activate();
        } else {
            if (TWinControl* focused = FindControl(GetFocus()); focused && ContainsControl(focused))
                FActiveControl = focused;
            Deactivate();
        }
        return;
    case WM_SETFOCUS:
        if (TWinControl* target = FocusTarget(); target && target->HandleAllocated()) {
            ::SetFocus(target->Handle());
            return;
        }
        break;
    case WM_SIZE:
        DefaultHandler(m);
        if (m.WParam == SIZE_MINIMIZED) return;
        Realign();
        return;
    default:
        break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
    if (!Screen) Screen = this;
}

int TScreen::Width() const {
    return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const {
    return GetSystemMetrics(SM_CYSCREEN);
}

int TScreen::PixelsPerInch() const {
    HDC dc = GetDC(nullptr);
    int ppi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return ppi;
}

TRect TScreen::WorkAreaRect() const {
    RECT r;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return Rect(0, 0, Width(), Height());
    return Rect(r.left, r.top, r.right, r.bottom);
}

TCustomForm* TScreen::ActiveForm() const {
    return FormOfWindow(GetActiveWindow());
}

TWinControl* TScreen::ActiveControl() const {
    return TWinControl::FindControl(GetFocus());
}

void TScreen::SetCursor(TCursor cursor) {
    FCursor = cursor;
    ::SetCursor(ScreenCursor(cursor == crDefault ? crArrow : cursor));
}

namespace {

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
    auto* faces = reinterpret_cast<std::vector<std::string>*>(data);
    if (font->lfFaceName[0] != L'@') faces->push_back(WideToAnsi(font->lfFaceName));
    return 1;
}

}  // namespace

const std::vector<std::string>& TScreen::Fonts() {
    if (FFonts.empty()) {
        HDC dc = GetDC(nullptr);
        LOGFONTW lf{};
        lf.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc, &lf, CollectFace, reinterpret_cast<LPARAM>(&FFonts), 0);
        ReleaseDC(nullptr, dc);
        std::sort(FFonts.begin(), FFonts.end(),
                  [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
        FFonts.erase(std::unique(FFonts.begin(), FFonts.end()), FFonts.end());
    }
    return FFonts;
}

// ---------------------------------------------------------------------------

void InitializeForms() {
    if (!Application) new TApplication(nullptr);
    if (!Screen) new TScreen(nullptr);
    Application->ShowMainForm = [] {
        if (auto* form = Application->MainForm) form->Show();
    };
    Application->MainFormAlive = [] { return Application->MainForm != nullptr; };
    Application->PreTranslate = [](void* raw) {
        auto* msg = static_cast<MSG*>(raw);
        if (!IsPreviewedKeyMessage(msg->message)) return false;
        TCustomForm* form = FormOfWindow(msg->hwnd);
        return form ? form->PreTranslateKey(msg) : false;
    };
}
