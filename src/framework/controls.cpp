#include "framework/controls.h"

#include <algorithm>

#include "framework/actions.h"
#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/drag_drop.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/menus_bridge.h"
#include "framework/published_controls.h"
#include "framework/win.h"

#include <windowsx.h>

intptr_t __stdcall FrameworkWndProc(HWND wnd, unsigned msg, uintptr_t wParam, intptr_t lParam);

namespace {

const wchar_t kControlProp[] = L"FrameworkControl";
// The control whose window CreateWindowExW is making: its first messages
// arrive before the window is tied to it.
thread_local TWinControl* gCreatingControl = nullptr;

TWinControl* ControlOfWindow(HWND wnd) {
    return static_cast<TWinControl*>(GetPropW(wnd, kControlProp));
}

bool IsMouseMessage(unsigned msg) {
    return (msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK) || msg == WM_MOUSELEAVE;
}

}  // namespace

TMenuBridge& MenuBridge() {
    static TMenuBridge bridge;
    return bridge;
}

// ---------------------------------------------------------------------------
// Cursors

namespace {

std::vector<std::pair<TCursor, HCURSOR>>& RegisteredCursors() {
    static std::vector<std::pair<TCursor, HCURSOR>> cursors;
    return cursors;
}

LPCWSTR StandardCursorId(TCursor cursor) {
    switch (cursor) {
    case crCross: return IDC_CROSS;
    case crIBeam: return IDC_IBEAM;
    case crSizeNESW: return IDC_SIZENESW;
    case crSizeNS: return IDC_SIZENS;
    case crSizeNWSE: return IDC_SIZENWSE;
    case crSizeWE: return IDC_SIZEWE;
    case crUpArrow: return IDC_UPARROW;
    case crHourGlass: return IDC_WAIT;
    case crNo:
    case crNoDrop: return IDC_NO;
    case crAppStart: return IDC_APPSTARTING;
    case crHelp: return IDC_HELP;
    case crHandPoint: return IDC_HAND;
    case crSizeAll: return IDC_SIZEALL;
    case crHSplit: return IDC_SIZEWE;
    case crVSplit: return IDC_SIZENS;
    default: return IDC_ARROW;
    }
}

}  // namespace

HCURSOR ScreenCursor(TCursor cursor) {
    for (auto& [number, handle] : RegisteredCursors())
        if (number == cursor) return handle;
    if (cursor == crNone) return nullptr;
    if (cursor == crDrag || cursor == crMultiDrag) return DragCursorHandle();
    return LoadCursorW(nullptr, StandardCursorId(cursor));
}

void SetScreenCursor(TCursor cursor, HCURSOR handle) {
    auto& list = RegisteredCursors();
    for (auto& entry : list)
        if (entry.first == cursor) {
            entry.second = handle;
            return;
        }
    list.emplace_back(cursor, handle);
}

// ---------------------------------------------------------------------------
// Keyboard state

TShiftState KeysToShiftState(uintptr_t keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TShiftState KeyboardShiftState() {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    if (GetKeyState(VK_LBUTTON) < 0) s |= ssLeft;
    if (GetKeyState(VK_RBUTTON) < 0) s |= ssRight;
    if (GetKeyState(VK_MBUTTON) < 0) s |= ssMiddle;
    return s;
}

// ---------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
    FFont->OnChange = [this](TObject*) { FontObjectChanged(); };
    WindowProc = [this](TMessage& m) { WndProc(m); };
}

TControl::~TControl() {
    if (FParent) FParent->RemoveControl(this);
}

void TControl::BeforeDestruction() {
    if (FParent) FParent->RemoveControl(this);
    TComponent::BeforeDestruction();
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    if (FParent && FVisible) FParent->Invalidate();
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged();
    if (FParent && FVisible) Invalidate();
    RequestAlign();
    Resize();
}

TRect TControl::ClientRect() const {
    return Rect(0, 0, FWidth, FHeight);
}

void TControl::SetClientWidth(int w) {
    SetWidth(w + FWidth - ClientWidth());
}

void TControl::SetClientHeight(int h) {
    SetHeight(h + FHeight - ClientHeight());
}

TPoint TControl::ClientOrigin() const {
    if (!FParent) return {FLeft, FTop};
    TPoint origin = FParent->ClientOrigin();
    return {origin.X + FLeft, origin.Y + FTop};
}

TPoint TControl::ClientToScreen(TPoint p) const {
    TPoint origin = ClientOrigin();
    return {p.X + origin.X, p.Y + origin.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
    TPoint origin = ClientOrigin();
    return {p.X - origin.X, p.Y - origin.Y};
}

void TControl::SetAlign(TAlign align) {
    if (align == FAlign) return;
    if (FParent) FParent->FAlignedCount += (align != alNone) - (FAlign != alNone);
    FAlign = align;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (FParent && !FParent->FAligning) FParent->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible == FVisible) return;
    FVisible = visible;
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
    if (FParent) {
        FParent->Realign();
        FParent->Invalidate();
    }
}

bool TControl::Showing() const {
    return FVisible && FParent && FParent->Showing();
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

void TControl::SetColor(TColor color) {
    if (color == FColor) {
        FParentColor = false;
        return;
    }
    FColor = color;
    FParentColor = false;
    ColorChanged();
}

void TControl::SetParentColor(bool value) {
    if (value == FParentColor) return;
    FParentColor = value;
    if (value && FParent) {
        FColor = FParent->Color();
        ColorChanged();
    }
}

void TControl::SetFont(TFont* font) {
    FFont->Assign(font);
}

void TControl::SetParentFont(bool value) {
    if (value == FParentFont) return;
    FParentFont = value;
    if (value && FParent) {
        FUpdatingFont = true;
        FFont->Assign(FParent->Font());
        FUpdatingFont = false;
        FontChanged();
    }
}

void TControl::FontObjectChanged() {
    if (!FUpdatingFont) FParentFont = false;
    FontChanged();
}

void TControl::FontChanged() {
    Perform(CM_FONTCHANGED);
    Invalidate();
}

void TControl::ColorChanged() {
    Perform(CM_COLORCHANGED);
    Invalidate();
}

void TControl::SetText(const std::string& text) {
    if (GetText() == text) return;
    SetTextCore(text);
    Perform(CM_TEXTCHANGED);
}

void TControl::SetTextCore(const std::string& text) {
    FText = text;
    Invalidate();
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor == FCursor) return;
    FCursor = cursor;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    FPopupMenu = menu;
    if (menu) FreeNotification(reinterpret_cast<TComponent*>(menu));
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == reinterpret_cast<TComponent*>(FPopupMenu))
        FPopupMenu = nullptr;
}

intptr_t TControl::Perform(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    TMessage m{msg, wParam, lParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m) {
    if (!IsMouseMessage(m.Msg)) return;
    // A graphic control's mouse messages come from its parent, already in our
    // client coordinates; windowed controls reach here from TWinControl.
    int x = GET_X_LPARAM(m.LParam);
    int y = GET_Y_LPARAM(m.LParam);
    TShiftState shift = KeysToShiftState(m.WParam);
    if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && FDragMode == dmAutomatic) {
        BeginDrag(false);
        return;
    }
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
        MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
        MouseDown(mbRight, shift, x, y);
        break;
    case WM_MBUTTONDOWN:
        MouseDown(mbMiddle, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        MouseDown(mbLeft, shift | ssDouble, x, y);
        DblClick();
        break;
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, shift | ssDouble, x, y);
        break;
    case WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        break;
    case WM_LBUTTONUP:
        MouseUp(mbLeft, shift, x, y);
        if (x >= 0 && y >= 0 && x < FWidth && y < FHeight) Click();
        break;
    case WM_RBUTTONUP:
        MouseUp(mbRight, shift, x, y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, shift, x, y);
        break;
    default:
        break;
    }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown && EventsEnabled()) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove && EventsEnabled()) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp && EventsEnabled()) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
    if (!EventsEnabled()) return;
    if (OnClick)
        OnClick(this);
    else if (FActionLink)
        FActionLink->Execute();
}

TAction* TControl::Action() const {
    return FActionLink ? FActionLink->Action() : nullptr;
}

void TControl::SetAction(TAction* action) {
    if (!action) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = CreateActionLink();
    FActionLink->SetAction(action);
    ActionChange(action, Loading());
}

std::unique_ptr<TActionLink> TControl::CreateActionLink() {
    return std::make_unique<TActionLink>(this);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
    auto* action = dynamic_cast<TAction*>(sender);
    if (!action) return;
    if (!checkDefaults || Caption().empty()) SetCaption(action->Caption());
    if (!checkDefaults || Enabled()) SetEnabled(action->Enabled());
    if (!checkDefaults || Hint.empty()) Hint = action->Hint();
    if (!checkDefaults || HelpContext == 0) HelpContext = action->HelpContext();
    if (!checkDefaults || Visible()) SetVisible(action->Visible());
}

void TControl::AssignTo(TPersistent* dest) {
    auto* action = dynamic_cast<TAction*>(dest);
    if (!action) {
        TComponent::AssignTo(dest);
        return;
    }
    action->SetCaption(Caption());
    action->SetEnabled(Enabled());
    action->SetHint(Hint);
    action->SetHelpContext(HelpContext);
    action->SetVisible(Visible());
    action->OnExecute = OnClick;
}

void TControl::DblClick() {
    if (OnDblClick && EventsEnabled()) OnDblClick(this);
}

void TControl::Resize() {
    if (OnResize && EventsEnabled()) OnResize(this);
}

void TControl::Invalidate() {
    if (!FVisible || !FParent || !FParent->HandleAllocated()) return;
    RECT r{FLeft, FTop, FLeft + FWidth, FTop + FHeight};
    InvalidateRect(FParent->Handle(), &r, TRUE);
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::BringToFront() {
    if (!FParent) return;
    auto& list = FParent->FControls;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    list.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
        SetWindowPos(w->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendToBack() {
    if (!FParent) return;
    auto& list = FParent->FControls;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    list.insert(list.begin(), this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
        SetWindowPos(w->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

bool TControl::EventsEnabled() const {
    for (const TComponent* c = this; c; c = c->Owner())
        if (c->Loading() || c->Destroying()) return false;
    return true;
}

// ---------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>()) {
    FWindowed = true;
    FBrush->SetColor(FColor);
}

TWinControl::~TWinControl() {
    DestroyHandle();
    while (!FControls.empty()) RemoveControl(FControls.back());
}

void TWinControl::BeforeDestruction() {
    // A form must not go on naming a control that is gone as its active one.
    if (TCustomForm* form = GetParentForm(); form && form->ActiveControl() == this) form->SetActiveControl(nullptr);
    // Owned components go first (TComponent), then the windows, while the most
    // derived class still handles their last messages.
    TControl::BeforeDestruction();
    DestroyHandle();
    while (!FControls.empty()) RemoveControl(FControls.back());
}

TWinControl* TWinControl::FindControl(HWND wnd) {
    return wnd ? ControlOfWindow(wnd) : nullptr;
}

HWND TWinControl::Handle() {
    if (!FHandle) {
        if (FParent) FParent->Handle();
        if (!FHandle) CreateWnd();
    }
    return FHandle;
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.Caption = AnsiToWide(FText);
    p.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (TabStop) p.Style |= WS_TABSTOP;
    if (!FEnabled) p.Style |= WS_DISABLED;
    p.X = FLeft;
    p.Y = FTop;
    p.Width = FWidth;
    p.Height = FHeight;
    p.WndParent = FParent ? FParent->Handle() : nullptr;
    p.WinClassName = L"TWinControl";
    p.ClassStyle = CS_DBLCLKS;
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    if ((p.Style & WS_CHILD) && !p.WndParent)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    CreateWindowHandle(p);
    if (!FHandle) RaiseLastWin32Error();
    StackAfterEarlierSiblings();
    UpdateWindowFont();
    CreateHandleDone();
    for (TControl* child : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(child); w && w->Showing()) w->Handle();
    UpdateShowing();
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    std::wstring className = p.WinClassName;
    WNDCLASSW existing{};
    if (!p.BaseClassName.empty()) {
        // Superclass a standard control: its procedure becomes our default handler.
        className = L"Fw" + p.BaseClassName;
        WNDCLASSW base{};
        if (!GetClassInfoW(nullptr, p.BaseClassName.c_str(), &base)) RaiseLastWin32Error();
        FDefWndProc = reinterpret_cast<void*>(base.lpfnWndProc);
        if (!GetClassInfoW(instance, className.c_str(), &existing)) {
            base.hInstance = instance;
            base.lpszClassName = className.c_str();
            base.lpfnWndProc = reinterpret_cast<WNDPROC>(&FrameworkWndProc);
            base.style &= ~CS_GLOBALCLASS;
            base.style |= p.ClassStyle & CS_DBLCLKS;
            if (!RegisterClassW(&base)) RaiseLastWin32Error();
        }
    } else {
        FDefWndProc = reinterpret_cast<void*>(&DefWindowProcW);
        if (!GetClassInfoW(instance, className.c_str(), &existing)) {
            WNDCLASSW wc{};
            wc.style = p.ClassStyle;
            wc.lpfnWndProc = reinterpret_cast<WNDPROC>(&FrameworkWndProc);
            wc.hInstance = instance;
            wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            wc.lpszClassName = className.c_str();
            if (!RegisterClassW(&wc)) RaiseLastWin32Error();
        }
    }
    // Child windows get distinct ids: WM_MEASUREITEM finds its control by id.
    static unsigned nextChildId = 0x1000;
    HMENU childId = nullptr;
    if (p.Style & WS_CHILD) {
        childId = reinterpret_cast<HMENU>(static_cast<uintptr_t>(nextChildId));
        nextChildId = nextChildId >= 0xFFF0 ? 0x1000 : nextChildId + 1;
    }
    TWinControl* saved = gCreatingControl;
    gCreatingControl = this;
    HWND wnd = CreateWindowExW(p.ExStyle, className.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                               p.Height, p.WndParent, childId, instance, nullptr);
    gCreatingControl = saved;
    if (wnd && !FHandle) {
        FHandle = wnd;
        SetPropW(wnd, kControlProp, this);
    }
    if (FHandle) GuiResourceCreated(TGuiResource::Window);
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    for (TControl* child : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(child)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd() {
    if (!FHandle) return;
    DestroyingHandle();
    // The window's text (typed by the user, perhaps) outlives the window.
    FText = GetText();
    HWND wnd = FHandle;
    DestroyWindow(wnd);
    // WM_NCDESTROY normally detached us; a window that refused to go is let go.
    if (FHandle == wnd) {
        RemovePropW(wnd, kControlProp);
        FHandle = nullptr;
        GuiResourceDestroyed(TGuiResource::Window);
    }
    FWindowFont.reset();
}

void TWinControl::RecreateWnd() {
    if (!FHandle) return;
    DestroyHandle();
    if (Showing() || !FParent) Handle();
}

void TWinControl::InsertControl(TControl* control) {
    if (!control || control->FParent == this) return;
    FControls.push_back(control);
    control->FParent = this;
    if (control->FParentFont) {
        control->FUpdatingFont = true;
        control->FFont->Assign(FFont.get());
        control->FUpdatingFont = false;
        control->FontChanged();
    }
    if (control->FParentColor) {
        control->FColor = FColor;
        control->ColorChanged();
    }
    if (control->FAlign != alNone) ++FAlignedCount;
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<uintptr_t>(control), 1);
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        // A window made now is made on this one; only one made before moves.
        if (w->FHandle)
            ::SetParent(w->FHandle, Handle());
        else if (FHandle && w->Showing())
            w->Handle();
    }
    Realign();
    control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it == FControls.end()) return;
    if (FMouseControl == control) FMouseControl = nullptr;
    if (FCaptureControl == control) FCaptureControl = nullptr;
    control->Invalidate();
    if (auto* w = dynamic_cast<TWinControl*>(control)) w->DestroyHandle();
    // Destroying the window may have run handlers that changed the list.
    it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end()) FControls.erase(it);
    if (control->FAlign != alNone) --FAlignedCount;
    control->FParent = nullptr;
    if (!Destroying()) {
        Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<uintptr_t>(control), 0);
        Realign();
    }
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        if (c->BoundsRect().Contains(p)) return c;
    }
    return nullptr;
}

void TWinControl::DisableAlign() {
    ++FAlignLevel;
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0 && FRealignPending) Realign();
}

void TWinControl::Realign() {
    if (FAlignLevel > 0 || Loading() || FAligning) {
        FRealignPending = true;
        return;
    }
    FRealignPending = false;
    FAligning = true;
    try {
        TRect rect = AlignRect();
        AlignControls(nullptr, rect);
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
}

namespace {

int Clamp(int value, int minimum, int maximum) {
    if (maximum > 0 && value > maximum) value = maximum;
    if (value < minimum) value = minimum;
    return value;
}

}  // namespace

void TWinControl::AlignControls(TControl*, TRect& rect) {
    if (FAlignedCount == 0) return;
    // Taken once: a child's SetBounds may run handlers that change the list.
    std::vector<TControl*> aligned;
    aligned.reserve(static_cast<size_t>(FAlignedCount));
    for (TControl* c : FControls)
        if (c->FAlign != alNone) aligned.push_back(c);
    static const TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign align : kOrder) {
        for (TControl* c : aligned) {
            if (c->FAlign != align || !c->FVisible) continue;
            const TSizeConstraints& k = c->Constraints;
            int w = Clamp(c->FWidth, k.MinWidth, k.MaxWidth);
            int h = Clamp(c->FHeight, k.MinHeight, k.MaxHeight);
            TRect r;
            switch (align) {
            case alTop:
                r = Bounds(rect.Left, rect.Top, rect.Width(), h);
                rect.Top += h;
                break;
            case alBottom:
                r = Bounds(rect.Left, rect.Bottom - h, rect.Width(), h);
                rect.Bottom -= h;
                break;
            case alLeft:
                r = Bounds(rect.Left, rect.Top, w, rect.Height());
                rect.Left += w;
                break;
            case alRight:
                r = Bounds(rect.Right - w, rect.Top, w, rect.Height());
                rect.Right -= w;
                break;
            default:
                r = rect;
                r.Right = r.Left + Clamp(r.Width(), k.MinWidth, k.MaxWidth);
                r.Bottom = r.Top + Clamp(r.Height(), k.MinHeight, k.MaxHeight);
                break;
            }
            c->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
        }
    }
}

TRect TWinControl::ClientRect() const {
    if (FHandle) {
        RECT r;
        GetClientRect(FHandle, &r);
        return Rect(r.left, r.top, r.right, r.bottom);
    }
    return TControl::ClientRect();
}

bool TWinControl::Showing() const {
    if (!FVisible) return false;
    return FParent ? FParent->Showing() : false;
}

void TWinControl::UpdateShowing() {
    if (!FHandle) return;
    bool show = Showing();
    bool shown = (GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0;
    if (show != shown) {
        ShowWindow(FHandle, show ? SW_SHOWNOACTIVATE : SW_HIDE);
        Perform(CM_SHOWINGCHANGED);
    }
    for (TControl* child : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(child)) {
            if (w->Showing() && !w->FHandle && FHandle) w->Handle();
            w->UpdateShowing();
        }
}

void TWinControl::SetVisible(bool visible) {
    if (visible == FVisible) return;
    TControl::SetVisible(visible);
    if (visible && FParent && FParent->HandleAllocated()) Handle();
    UpdateShowing();
}

void TWinControl::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    if (FHandle) EnableWindow(FHandle, enabled);
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    if (FHandle) {
        // WM_WINDOWPOSCHANGED brings the new bounds back through UpdateBounds.
        SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (FLeft == left && FTop == top && FWidth == width && FHeight == height) return;
    }
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged();
    RequestAlign();
    Realign();
    Resize();
}

void TWinControl::UpdateBounds() {
    if (!FHandle) return;
    RECT r;
    GetWindowRect(FHandle, &r);
    if (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD) {
        HWND parent = GetParent(FHandle);
        if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    int w = r.right - r.left, h = r.bottom - r.top;
    if (r.left == FLeft && r.top == FTop && w == FWidth && h == FHeight) return;
    bool sized = w != FWidth || h != FHeight;
    FLeft = r.left;
    FTop = r.top;
    FWidth = w;
    FHeight = h;
    BoundsChanged();
    RequestAlign();
    if (sized) {
        Realign();
        Resize();
    }
}

void TWinControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    TControl::SetParent(parent);
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Update() {
    if (FHandle) UpdateWindow(FHandle);
}

int TWinControl::TabOrder() const {
    if (!FParent) return -1;
    int index = 0;
    for (TControl* c : FParent->FControls) {
        if (c == this) return index;
        if (c->FWindowed) ++index;
    }
    return -1;
}

void TWinControl::SetTabOrder(int order) {
    if (!FParent) return;
    auto& list = FParent->FControls;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    // A page sets the order of every control at each layout: one already in
    // its place (an order past the end is the last place) moves nothing.
    const int windowed = static_cast<int>(std::count_if(list.begin(), list.end(), [](TControl* c) { return c->FWindowed; }));
    const int current = static_cast<int>(std::count_if(list.begin(), it, [](TControl* c) { return c->FWindowed; }));
    if (current == (order < 0 || order >= windowed ? windowed - 1 : order)) return;
    list.erase(it);
    int index = 0;
    auto pos = list.begin();
    for (; pos != list.end(); ++pos) {
        if (!(*pos)->FWindowed) continue;
        if (index == order) break;
        ++index;
    }
    pos = list.insert(pos, this);
    if (!FHandle) return;
    // The window order is the tab order Windows follows: this window goes
    // after the nearest earlier sibling that has one. The others keep their
    // places, so setting the orders of n controls moves at most n windows,
    // not n times all of them.
    HWND after = nullptr;
    for (auto prev = pos; prev != list.begin();) {
        --prev;
        auto* w = (*prev)->FWindowed ? static_cast<TWinControl*>(*prev) : nullptr;
        if (w && w->FHandle) {
            after = w->FHandle;
            break;
        }
    }
    if (GetWindow(FHandle, GW_HWNDPREV) == after) return;
    SetWindowPos(FHandle, after ? after : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::StackAfterEarlierSiblings() {
    // Windows puts a new child window below its siblings, which is its place
    // when it is the last of the list with a window (as when a page makes its
    // controls one by one); one made later for a control in the middle goes
    // back to its place in the tab order.
    if (!FParent || !FHandle || !(GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD)) return;
    const auto& list = FParent->FControls;
    auto self = std::find(list.rbegin(), list.rend(), this);
    if (self == list.rend()) return;
    bool last = true;
    for (auto later = list.rbegin(); later != self && last; ++later)
        last = !((*later)->FWindowed && static_cast<TWinControl*>(*later)->FHandle);
    if (last) return;
    HWND after = HWND_TOP;
    for (auto prev = std::next(self); prev != list.rend(); ++prev)
        if ((*prev)->FWindowed && static_cast<TWinControl*>(*prev)->FHandle) {
            after = static_cast<TWinControl*>(*prev)->FHandle;
            break;
        }
    SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TWinControl::Focused() const {
    return FHandle && GetFocus() == FHandle;
}

bool TWinControl::CanFocus() const {
    for (const TWinControl* c = this; c; c = c->FParent)
        if (!c->FVisible || !c->FEnabled) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

void TWinControl::FontChanged() {
    if (FHandle) UpdateWindowFont();
    TControl::FontChanged();
    for (TControl* c : FControls) {
        if (!c->FParentFont) continue;
        c->FUpdatingFont = true;
        c->FFont->Assign(FFont.get());
        c->FUpdatingFont = false;
        c->FontChanged();
    }
}

void TWinControl::UpdateWindowFont() {
    if (!FHandle) return;
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(SharedFont ? SharedFont : FFont->Handle()), FALSE);
}

void TWinControl::ColorChanged() {
    FBrush->SetColor(FColor);
    TControl::ColorChanged();
    for (TControl* c : FControls) {
        if (!c->FParentColor) continue;
        c->FColor = FColor;
        c->ColorChanged();
    }
}

std::string TWinControl::GetText() const {
    if (!FHandle) return FText;
    int length = GetWindowTextLengthW(FHandle);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    length = GetWindowTextW(FHandle, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(0, length)));
    return WideToAnsi(text);
}

void TWinControl::SetTextCore(const std::string& text) {
    FText = text;
    if (FHandle) SetWindowTextW(FHandle, AnsiToWide(text).c_str());
}

void TWinControl::Loaded() {
    TControl::Loaded();
    if (FRealignPending) Realign();
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!FHandle || m.Msg >= CM_BASE) return;
    auto proc = reinterpret_cast<WNDPROC>(FDefWndProc ? FDefWndProc : reinterpret_cast<void*>(&DefWindowProcW));
    m.Result = CallWindowProcW(proc, FHandle, m.Msg, m.WParam, m.LParam);
}

namespace {

// Holds BeginPaint/EndPaint together, whatever the painting raises.
class PaintScope {
public:
    explicit PaintScope(HWND wnd) : wnd_(wnd) { dc_ = BeginPaint(wnd, &ps_); }
    ~PaintScope() { EndPaint(wnd_, &ps_); }
    HDC dc() const { return dc_; }

private:
    HWND wnd_;
    PAINTSTRUCT ps_;
    HDC dc_;
};

}  // namespace

void TWinControl::PaintWindow(HDC dc) {
    PaintControls(dc, nullptr);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    bool started = first == nullptr;
    for (TControl* c : FControls) {
        if (!started) {
            started = c == first;
            continue;
        }
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->Visible()) continue;
        RECT r{g->Left(), g->Top(), g->Left() + g->Width(), g->Top() + g->Height()};
        if (!RectVisible(dc, &r)) continue;
        int saved = SaveDC(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        SetViewportOrgEx(dc, r.left, r.top, nullptr);
        g->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(dc), 0);
        RestoreDC(dc, saved);
    }
}

void TWinControl::ReflectToChild(TMessage& m, HWND child) {
    TWinControl* control = FindControl(child);
    if (control && control != this) {
        m.Result = control->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
        return;
    }
    DefaultHandler(m);
}

void TWinControl::RouteMouse(TMessage& m) {
    TPoint p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    TControl* target = FCaptureControl;
    if (!target) {
        target = ControlAtPos(p, false);
        if (target && dynamic_cast<TWinControl*>(target)) target = nullptr;
    }
    if (m.Msg == WM_MOUSEMOVE && target != FMouseControl) {
        if (FMouseControl) FMouseControl->Perform(CM_MOUSELEAVE);
        FMouseControl = target;
        if (FMouseControl) FMouseControl->Perform(CM_MOUSEENTER);
        if (target) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, FHandle, 0};
            TrackMouseEvent(&track);
        }
    }
    if (m.Msg == WM_MOUSELEAVE) {
        if (FMouseControl) FMouseControl->Perform(CM_MOUSELEAVE);
        FMouseControl = nullptr;
        if (FMouseInside) {
            FMouseInside = false;
            Perform(CM_MOUSELEAVE);
        }
        DefaultHandler(m);
        return;
    }
    if (target) {
        bool down = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN ||
                    m.Msg == WM_LBUTTONDBLCLK;
        bool up = m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP;
        if (down) {
            FCaptureControl = target;
            SetCapture(FHandle);
        }
        LPARAM local = MAKELPARAM(p.X - target->Left(), p.Y - target->Top());
        // The button-up gives the mouse back even when the handler raises.
        struct TReleaseOnUp {
            TWinControl* Self;
            bool Up;
            ~TReleaseOnUp() {
                if (!Up || !Self->FCaptureControl) return;
                Self->FCaptureControl = nullptr;
                if (GetCapture() == Self->FHandle) ReleaseCapture();
            }
        } release{this, up};
        target->Perform(m.Msg, m.WParam, local);
        return;
    }
    if (m.Msg == WM_MOUSEMOVE && !FMouseInside) {
        FMouseInside = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, FHandle, 0};
        TrackMouseEvent(&track);
        Perform(CM_MOUSEENTER);
    }
    TControl::WndProc(m);
    DefaultHandler(m);
}

bool TWinControl::DoKeyDown(uint16_t& key, TShiftState shift) {
    if (OnKeyDown && EventsEnabled()) OnKeyDown(this, key, shift);
    return key == 0;
}

bool TWinControl::DoKeyPress(char& key) {
    if (OnKeyPress && EventsEnabled()) OnKeyPress(this, key);
    return key == 0;
}

bool TWinControl::DoKeyUp(uint16_t& key, TShiftState shift) {
    if (OnKeyUp && EventsEnabled()) OnKeyUp(this, key, shift);
    return key == 0;
}

void TWinControl::DoEnter() {
    if (OnEnter && EventsEnabled()) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit && EventsEnabled()) OnExit(this);
}

void TWinControl::Broadcast(TMessage& m) {
    // A child may free or move controls while it handles the message.
    const std::vector<TControl*> children = FControls;
    for (TControl* child : children) {
        if (std::find(FControls.begin(), FControls.end(), child) == FControls.end()) continue;
        m.Result = child->Perform(m.Msg, m.WParam, m.LParam);
        if (m.Result) return;
    }
}

bool TWinControl::HandleKeyMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        uint16_t key = static_cast<uint16_t>(m.WParam);
        if (DoKeyDown(key, KeyboardShiftState())) return true;
        m.WParam = key;
        return false;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        uint16_t key = static_cast<uint16_t>(m.WParam);
        if (DoKeyUp(key, KeyboardShiftState())) return true;
        m.WParam = key;
        return false;
    }
    case WM_CHAR: {
        // Handlers see one code page 1251 byte; a character that code page
        // cannot hold is passed on without them.
        char key;
        if (!WideCharToAnsiChar(static_cast<wchar_t>(m.WParam), key)) return false;
        if (DoKeyPress(key)) return true;
        m.WParam = AnsiToWide(std::string(1, key))[0];
        return false;
    }
    default:
        return false;
    }
}

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT: {
        // A superclassed standard control (EDIT, LISTBOX, ...) paints itself.
        if (FDefWndProc != reinterpret_cast<void*>(&DefWindowProcW)) break;
        if (m.WParam) {
            PaintWindow(reinterpret_cast<HDC>(m.WParam));
        } else {
            PaintScope paint(FHandle);
            PaintWindow(paint.dc());
        }
        return;
    }
    case WM_ERASEBKGND: {
        if (FDefWndProc != reinterpret_cast<void*>(&DefWindowProcW)) break;
        RECT r;
        GetClientRect(FHandle, &r);
        FillRect(reinterpret_cast<HDC>(m.WParam), &r, FBrush->Handle());
        m.Result = 1;
        return;
    }
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(m);
        UpdateBounds();
        return;
    case WM_SETFOCUS:
        DefaultHandler(m);
        DoEnter();
        return;
    case WM_KILLFOCUS:
        DefaultHandler(m);
        DoExit();
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
        if (HandleKeyMessage(m)) return;
        break;
    case WM_QUERYNEWPALETTE:
        // Top-level windows only, as for the two below: the controls with a
        // palette realise it.
        m.Result = PaletteChanged(true) ? 1 : 0;
        return;
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(m.WParam) != FHandle) PaletteChanged(false);
        return;
    case WM_SYSCOLORCHANGE:
        // Windows tells only top-level windows; the controls that cache
        // system colours (glyphs, patterns, backgrounds) hear it from us.
        DefaultHandler(m);
        Perform(CM_SYSCOLORCHANGE);
        return;
    case CM_SYSCOLORCHANGE:
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
        Broadcast(m);
        if (m.Result) return;
        break;
    case WM_COMMAND:
        if (m.LParam) {
            ReflectToChild(m, reinterpret_cast<HWND>(m.LParam));
            return;
        }
        if (MenuBridge().Command && MenuBridge().Command(this, LOWORD(m.WParam))) return;
        break;
    case WM_NOTIFY:
        ReflectToChild(m, reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom);
        return;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
        if (dis->CtlType == ODT_MENU) {
            if (MenuBridge().DrawItem && MenuBridge().DrawItem(this, m)) return;
            break;
        }
        ReflectToChild(m, dis->hwndItem);
        return;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
        if (mis->CtlType == ODT_MENU) {
            if (MenuBridge().MeasureItem && MenuBridge().MeasureItem(this, m)) return;
            break;
        }
        ReflectToChild(m, GetDlgItem(FHandle, static_cast<int>(mis->CtlID)));
        return;
    }
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
    case WM_MENUCHAR:
        if (MenuBridge().Other && MenuBridge().Other(this, m)) return;
        break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (m.LParam) {
            ReflectToChild(m, reinterpret_cast<HWND>(m.LParam));
            return;
        }
        break;
    case WM_CAPTURECHANGED:
        // Capture taken away (a menu loop, ReleaseCapture): the graphic child
        // that held it no longer gets the mouse.
        if (reinterpret_cast<HWND>(m.LParam) != FHandle) FCaptureControl = nullptr;
        break;
    case WM_CONTEXTMENU:
        if (FPopupMenu && MenuBridge().Popup) {
            TPoint p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            if (p.X == -1 && p.Y == -1) p = ClientToScreen({0, 0});
            if (MenuBridge().Popup(this, FPopupMenu, p)) return;
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == FHandle) {
            POINT pt;
            GetCursorPos(&pt);
            ::ScreenToClient(FHandle, &pt);
            TControl* target = FCaptureControl ? FCaptureControl : ControlAtPos({pt.x, pt.y}, true);
            if (target && dynamic_cast<TWinControl*>(target)) target = nullptr;
            TCursor cursor = target ? target->Cursor() : FCursor;
            if (cursor != crDefault) {
                ::SetCursor(ScreenCursor(cursor));
                m.Result = 1;
                return;
            }
        }
        break;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORSTATIC:
    case CN_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(FFont->Color())));
        SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(FColor)));
        m.Result = reinterpret_cast<intptr_t>(FBrush->Handle());
        return;
    }
    default:
        if (IsMouseMessage(m.Msg)) {
            RouteMouse(m);
            return;
        }
        break;
    }
    if (m.Msg >= CM_BASE) {
        TControl::WndProc(m);
        return;
    }
    DefaultHandler(m);
}

intptr_t __stdcall FrameworkWndProc(HWND wnd, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    TWinControl* control = ControlOfWindow(wnd);
    if (!control && gCreatingControl) {
        control = gCreatingControl;
        control->FHandle = wnd;
        SetPropW(wnd, kControlProp, control);
    }
    if (!control) return DefWindowProcW(wnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    bool handled = CallGuarded(false, [&] {
        if (control->WindowProc)
            control->WindowProc(m);
        else
            control->WndProc(m);
        return true;
    });
    if (!handled && msg != WM_PAINT) {
        // The handler raised (already shown): let Windows finish the message.
        m.Result = CallWindowProcW(reinterpret_cast<WNDPROC>(control->FDefWndProc ? control->FDefWndProc
                                                                                   : reinterpret_cast<void*>(&DefWindowProcW)),
                                   wnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY && control->FHandle == wnd) {
        RemovePropW(wnd, kControlProp);
        control->FHandle = nullptr;
        GuiResourceDestroyed(TGuiResource::Window);
    }
    return m.Result;
}

// ---------------------------------------------------------------------------
// TGraphicControl and TCustomControl

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WndProc(TMessage& m) {
    if (m.Msg == WM_PAINT) {
        FCanvas->SetHandle(reinterpret_cast<HDC>(m.WParam));
        FCanvas->Font()->Assign(FFont.get());
        try {
            Paint();
        } catch (...) {
            FCanvas->SetHandle(nullptr);
            throw;
        }
        FCanvas->SetHandle(nullptr);
        return;
    }
    TControl::WndProc(m);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc) {
    FCanvas->SetHandle(dc);
    FCanvas->Font()->Assign(FFont.get());
    FCanvas->Brush()->SetColor(FColor);
    try {
        Paint();
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        throw;
    }
    FCanvas->SetHandle(nullptr);
    PaintControls(dc, nullptr);
}

// --- Published properties -------------------------------------------------------

TPropInfo BooleanProp(std::string name, std::function<bool(TObject*)> get, std::function<void(TObject*, bool)> set) {
    return TPropInfo::Enumeration(
        std::move(name), {"False", "True"}, [get](TObject* o) -> int64_t { return get(o) ? 1 : 0; },
        [set](TObject* o, int64_t v) { set(o, v != 0); });
}

const TClassInfo* ControlClassInfo() {
    auto control = [](TObject* o) { return static_cast<TControl*>(o); };
    auto bound = [control](std::string name, int (TControl::*get)() const, void (TControl::*set)(int)) {
        return TPropInfo(std::move(name), tkInteger,
                         [control, get](TObject* o) -> int64_t { return (control(o)->*get)(); },
                         [control, set](TObject* o, int64_t v) { (control(o)->*set)(static_cast<int>(v)); });
    };
    static const TClassInfo info{
        "TControl",
        nullptr,
        {
            bound("Left", &TControl::Left, &TControl::SetLeft),
            bound("Top", &TControl::Top, &TControl::SetTop),
            bound("Width", &TControl::Width, &TControl::SetWidth),
            bound("Height", &TControl::Height, &TControl::SetHeight),
            BooleanProp(
                "Visible", [control](TObject* o) { return control(o)->Visible(); },
                [control](TObject* o, bool v) { control(o)->SetVisible(v); }),
            BooleanProp(
                "Enabled", [control](TObject* o) { return control(o)->Enabled(); },
                [control](TObject* o, bool v) { control(o)->SetEnabled(v); }),
            TPropInfo::String(
                "Hint", [control](TObject* o) { return control(o)->Hint; },
                [control](TObject* o, const std::string& v) { control(o)->Hint = v; }),
            TPropInfo("Tag", tkInteger, [control](TObject* o) -> int64_t { return control(o)->Tag; },
                      [control](TObject* o, int64_t v) { control(o)->Tag = static_cast<int>(v); }),
        }};
    return &info;
}
