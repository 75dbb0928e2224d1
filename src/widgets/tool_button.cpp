#include "widgets/tool_button.h"

#include <algorithm>
#include <vector>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/timer.h"
#include "framework/win.h"
#include <windowsx.h>
#include "widgets/deferred_errors.h"
#include "widgets/tb_common.h"

// What all tool buttons share: the button the mouse is over, the 125 ms
// timer that notices the mouse leaving, the checkered pattern of pushed
// raised buttons.
struct TToolButtonShared {
    static inline TToolbarButton* mouseIn = nullptr;
    static inline TTimer* mouseTimer = nullptr;
    static inline bool inMouseTimer = false;
    static inline int liveButtons = 0;
    static inline TBitmap* pattern = nullptr;
    static inline TColor patternFace = 0;
    static inline TColor patternHighlight = 0;
    static inline TTimer* runningRepeatTimer = nullptr;

    static void FreePattern() {
        TObject::Free(pattern);
        pattern = nullptr;
    }
    static TBitmap* Pattern() {
        if (!pattern) {
            pattern = new TBitmap;
            pattern->SetSize(8, 8);
            patternFace = ColorToRGB(clBtnFace);
            patternHighlight = ColorToRGB(clBtnHighlight);
            TCanvas* c = pattern->Canvas();
            c->Brush()->SetColor(clBtnFace);
            c->FillRect(Rect(0, 0, 8, 8));
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    if ((x & 1) == (y & 1)) c->SetPixels(x, y, clBtnHighlight);
        }
        return pattern;
    }
    static void MouseTimerTick(TObject* sender) {
        if (!mouseIn) return;
        inMouseTimer = true;
        mouseIn->ButtonMouseTimerHandler(sender);
        inMouseTimer = false;
    }
    static void HookProc(THookProcCode code, HWND, uintptr_t wParam, intptr_t) {
        if (!mouseIn) return;
        if (code == hpSendActivateApp) {
            if (wParam == 0 && !mouseIn->ShowBorderWhenInactive) mouseIn->MouseLeft();
        } else if (code == hpPostMouseMove) {
            if (ControlUnderCursor() != mouseIn) mouseIn->MouseLeft();
        }
    }
    // The control under a screen point, disabled ones included.
    static TControl* ControlAt(POINT pt) {
        HWND wnd = WindowFromPoint(pt);
        TWinControl* control = TWinControl::FindControl(wnd);
        if (!control) return nullptr;
        ScreenToClient(wnd, &pt);
        TControl* child = control->ControlAtPos({pt.x, pt.y}, true);
        return child ? child : control;
    }
    static TControl* ControlUnderCursor() {
        POINT pt;
        if (!GetCursorPos(&pt)) return nullptr;
        return ControlAt(pt);
    }
};

namespace {

std::vector<TFlatControlTest>* g_flatClasses = nullptr;

void ButtonHookProc(THookProcCode code, HWND wnd, uintptr_t wParam, intptr_t lParam) {
    TToolButtonShared::HookProc(code, wnd, wParam, lParam);
}

}  // namespace

void RegisterFlatControlClass(TFlatControlTest test) {
    if (!g_flatClasses) g_flatClasses = new std::vector<TFlatControlTest>;
    g_flatClasses->push_back(test);
}

void UnregisterFlatControlClass(TFlatControlTest test) {
    if (!g_flatClasses) return;
    auto it = std::find(g_flatClasses->begin(), g_flatClasses->end(), test);
    if (it != g_flatClasses->end()) g_flatClasses->erase(it);
    if (g_flatClasses->empty()) {
        delete g_flatClasses;
        g_flatClasses = nullptr;
    }
}

bool ControlIsFlatControl(const TControl* control) {
    if (!control || !g_flatClasses) return false;
    return std::any_of(g_flatClasses->begin(), g_flatClasses->end(), [&](TFlatControlTest t) { return t(control); });
}

bool ToolButtonMouseTimerExists() {
    return TToolButtonShared::mouseTimer != nullptr;
}

TToolbarButton* TToolbarButton::ButtonMouseInControl() {
    return TToolButtonShared::mouseIn;
}

// ---------------------------------------------------------------------------

TToolbarButton::TToolbarButton(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TButtonGlyph>([this] { GlyphChanged(); })) {
    if (!TToolButtonShared::mouseTimer) {
        TToolButtonShared::mouseTimer = new TTimer(nullptr);
        TToolButtonShared::mouseTimer->SetEnabled(false);
        TToolButtonShared::mouseTimer->SetInterval(125);
        TToolButtonShared::mouseTimer->SetOnTimer(&TToolButtonShared::MouseTimerTick);
    }
    InstallHookProc(ButtonHookProc, HookCodes({hpSendActivateApp, hpPostMouseMove}), false);
    SetBounds(Left(), Top(), 23, 22);
    SetColor(clBtnFace);
    ++TToolButtonShared::liveButtons;
}

void TToolbarButton::BeforeDestruction() {
    if (TToolButtonShared::mouseIn == this) {
        if (TToolButtonShared::mouseTimer) TToolButtonShared::mouseTimer->SetEnabled(false);
        TToolButtonShared::mouseIn = nullptr;
    }
    FreeRepeatTimer();
    TGraphicControl::BeforeDestruction();
}

TToolbarButton::~TToolbarButton() {
    FGlyph.reset();
    UninstallHookProc(ButtonHookProc);
    if (--TToolButtonShared::liveButtons == 0) {
        TToolButtonShared::FreePattern();
        TTimer* timer = std::exchange(TToolButtonShared::mouseTimer, nullptr);
        if (TToolButtonShared::inMouseTimer) {
            timer->SetEnabled(false);
            FreeObjectLater(timer);
        } else {
            TObject::Free(timer);
        }
    }
}

// --- property setters

void TToolbarButton::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    Redraw(true);
}

void TToolbarButton::SetAllowAllUp(bool value) {
    if (value == FAllowAllUp) return;
    FAllowAllUp = value;
    UpdateExclusive();
}

void TToolbarButton::SetGroupIndex(int value) {
    if (value == FGroupIndex) return;
    FGroupIndex = value;
    UpdateExclusive();
}

void TToolbarButton::SetDisplayMode(TButtonDisplayMode value) {
    if (value == FDisplayMode) return;
    FDisplayMode = value;
    Redraw(true);
}

void TToolbarButton::SetDown(bool value) {
    if (FGroupIndex == 0) value = false;
    if (value == FDown || (FDown && !FAllowAllUp)) return;
    FDown = value;
    FState = !Enabled() ? bsDisabled : value ? bsExclusive : bsUp;
    Redraw(true);
    if (value) UpdateExclusive();
}

void TToolbarButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !Parent()) return;
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        auto* other = dynamic_cast<TToolbarButton*>(parent->Controls(i));
        if (!other || other == this || other->FGroupIndex != FGroupIndex) continue;
        if (FDown && other->FDown) {
            other->FDown = false;
            other->FState = bsUp;
            other->Redraw(true);
        }
        other->FAllowAllUp = FAllowAllUp;
    }
}

void TToolbarButton::UpdateUsesDropdown() {
    bool uses = FDropdownAlways || FDropdownMenu != nullptr;
    if (uses == FUsesDropdown) return;
    FUsesDropdown = uses;
    if (FDropdownArrow || FDropdownCombo) Redraw(true);
}

void TToolbarButton::SetDropdownAlways(bool value) {
    if (value == FDropdownAlways) return;
    FDropdownAlways = value;
    UpdateUsesDropdown();
}

void TToolbarButton::SetDropdownArrow(bool value) {
    if (value == FDropdownArrow) return;
    FDropdownArrow = value;
    Redraw(true);
}

void TToolbarButton::SetDropdownArrowWidth(int value) {
    value = std::max(value, 7);
    if (value == FDropdownArrowWidth) return;
    int difference = value - FDropdownArrowWidth;
    FDropdownArrowWidth = value;
    if (!Loading() && FDropdownCombo) SetWidth(Width() + difference);
    Redraw(true);
}

void TToolbarButton::SetDropdownCombo(bool value) {
    if (value == FDropdownCombo) return;
    FDropdownCombo = value;
    if (!Loading()) {
        int w = value ? Width() + FDropdownArrowWidth + 2 : Width() - FDropdownArrowWidth - 2;
        SetWidth(w > 0 ? w : 1);
    }
    Redraw(true);
}

void TToolbarButton::SetDropdownMenu(TPopupMenu* menu) {
    if (menu == FDropdownMenu) return;
    if (FDropdownMenu) RemoveFreeNotification(FDropdownMenu);
    FDropdownMenu = menu;
    if (menu) FreeNotification(menu);
    UpdateUsesDropdown();
}

void TToolbarButton::SetFlat(bool value) {
    if (value == FFlat) return;
    FFlat = value;
    Redraw(true);
}

void TToolbarButton::SetOpaque(bool value) {
    if (value == FOpaque) return;
    FOpaque = value;
    Invalidate();
}

void TToolbarButton::SetGlyph(TBitmap* bitmap) {
    FGlyph->AssignSourceGlyph(bitmap);
    Redraw(true);
}

void TToolbarButton::SetGlyphMask(TBitmap* bitmap) {
    FGlyph->AssignGlyphMask(bitmap);
    Redraw(true);
}

void TToolbarButton::SetHighlightWhenDown(bool value) {
    if (value == FHighlightWhenDown) return;
    FHighlightWhenDown = value;
    if (FDown) Redraw(true);
}

void TToolbarButton::SetImageIndex(int value) {
    FGlyph->AssignImageIndex(value);
    Redraw(true);
}

void TToolbarButton::SetImages(TImageList* list) {
    if (Images()) RemoveFreeNotification(Images());
    FGlyph->AssignImageList(list);
    if (list) FreeNotification(list);
    Redraw(true);
}

void TToolbarButton::SetLayout(TButtonLayout value) {
    if (value == FLayout) return;
    FLayout = value;
    Redraw(true);
}

void TToolbarButton::SetMargin(int value) {
    if (value == FMargin || value < -1) return;
    FMargin = value;
    Redraw(true);
}

void TToolbarButton::SetNoBorder(bool value) {
    if (value == FNoBorder) return;
    FNoBorder = value;
    Invalidate();
}

void TToolbarButton::SetNumGlyphs(int value) {
    int n = static_cast<uint8_t>(value);
    if (n == 0) n = 1;
    if (n > 5) n = 5;
    if (n == FGlyph->NumGlyphs()) return;
    FGlyph->AssignNumGlyphs(n);
    Redraw(true);
}

void TToolbarButton::SetOldDisabledStyle(bool value) {
    FGlyph->SetOldDisabledStyle(value);
    Redraw(true);
}

void TToolbarButton::SetSpacing(int value) {
    if (value == FSpacing) return;
    FSpacing = value;
    Redraw(true);
}

void TToolbarButton::SetWordWrap(bool value) {
    if (value == FWordWrap) return;
    FWordWrap = value;
    Redraw(true);
}

// --- painting

void TToolbarButton::Redraw(bool force) {
    if (FOpaque || !FFlat || !force) {
        // Opaque: the parent need not paint its background behind us.
        if (!Visible() || !Parent() || !Parent()->HandleAllocated()) return;
        RECT r{Left(), Top(), Left() + Width(), Top() + Height()};
        InvalidateRect(Parent()->Handle(), &r, FALSE);
    } else {
        Invalidate();
    }
}

void TToolbarButton::Paint() {
    if (Width() <= 0 || Height() <= 0) return;
    if (FOpaque || !FFlat) {
        TBitmap buffer;
        buffer.SetSize(Width(), Height());
        buffer.Canvas()->Brush()->SetColor(Color());
        buffer.Canvas()->FillRect(Rect(0, 0, Width(), Height()));
        PaintOn(buffer.Canvas());
        Canvas()->Draw(0, 0, &buffer);
    } else {
        PaintOn(Canvas());
    }
}

void TToolbarButton::PaintOn(TCanvas* canvas) {
    canvas->Font()->Assign(Font());
    int w = Width();
    int h = Height();
    TRect r{0, 0, w, h};
    bool downLooking = FState == bsDown || FState == bsExclusive;
    bool combo = FDropdownCombo && FUsesDropdown;
    bool pushed = FState == bsExclusive || (FState == bsDown && !(combo && FMenuIsDown));
    bool frame = !FNoBorder && (!FFlat || downLooking || (FMouseInControl && FState != bsDisabled));
    auto edge = [&](bool pushedLook) -> UINT {
        if (FFlat) return pushedLook ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
        return pushedLook ? EDGE_SUNKEN : EDGE_RAISED;
    };
    UINT edgeFlags = FFlat ? BF_RECT : BF_RECT | BF_MIDDLE | BF_SOFT;
    HDC dc = canvas->Handle();
    if (FNoBorder && FState != bsDisabled && (FMouseInControl || FState == bsDown)) {
        // A borderless button has no frame to show that it is hot or pressed
        // (the menu bar's current button): it shows it in inverse video, on
        // its font colour in the colour it stands on, or in black or white
        // where that colour is too close to the font's.
        const TColor ink = ColorToRGB(Font()->Color()) & 0xFFFFFF;
        const TColor paper = ColorToRGB(Parent() ? Parent()->Color() : Color()) & 0xFFFFFF;
        canvas->Brush()->SetColor(ink);
        canvas->FillRect(r);
        canvas->Font()->SetColor(ReadableOn(ink, paper));
    }
    if (combo) {
        if (frame) {
            RECT arrowPart{w - FDropdownArrowWidth - 2, 0, w - 2, h};
            DrawEdge(dc, &arrowPart, edge(downLooking && FMenuIsDown), edgeFlags);
        }
        r.Right -= FDropdownArrowWidth + 2;
    }
    if (frame) {
        RECT body{r.Left, r.Top, r.Right, r.Bottom};
        DrawEdge(dc, &body, edge(pushed), edgeFlags);
    }
    if (!FNoBorder) {
        int inset = FFlat ? 1 : 2;
        r = {r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset};
    }
    TPoint offset{0, 0};
    if (pushed) {
        if (FState == bsExclusive && !FFlat && !FMenuIsDown && FHighlightWhenDown) {
            canvas->Brush()->SetBitmap(TToolButtonShared::Pattern());
            canvas->FillRect(r);
            canvas->Brush()->SetBitmap(nullptr);
        }
        offset = {1, 1};
    }
    TButtonFaceParams p;
    p.state = FState;
    p.dropdownArrowWidth = FDropdownArrowWidth;
    p.spacing = FSpacing;
    p.margin = FMargin;
    p.layout = FLayout;
    p.alignment = FAlignment;
    p.wordWrap = FWordWrap;
    p.caption = Caption();
    p.showText = FDisplayMode != dmGlyphOnly;
    p.showGlyph = FDisplayMode != dmTextOnly;
    p.drawArrow = FUsesDropdown && !combo && FDropdownArrow;
    p.offset = offset;
    FGlyph->PaintButtonFace(canvas, r, p);
    if (combo) FGlyph->PaintDropdownArrow(canvas, w - FDropdownArrowWidth - 2, h / 2 - 1, FDropdownArrowWidth, FState);
}

void TToolbarButton::Loaded() {
    TGraphicControl::Loaded();
    try {
        FGlyph->MakeStateImage(Enabled() ? bsUp : bsDisabled);
    } catch (const std::exception&) {
        // An unusable glyph shows as no glyph.
    }
}

void TToolbarButton::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove) {
        // Not the virtual setter: a subclass must not raise while its menu is freed.
        if (component == FDropdownMenu) TToolbarButton::SetDropdownMenu(nullptr);
        if (component == Images()) SetImages(nullptr);
    }
    TGraphicControl::Notification(component, operation);
}

// --- mouse

bool TToolbarButton::PointInButton(int x, int y) const {
    int arrow = (FDropdownCombo && FUsesDropdown) ? FDropdownArrowWidth + 2 : 0;
    return x >= 0 && x < ClientWidth() - arrow && y >= 0 && y < ClientHeight();
}

void TToolbarButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button != mbLeft || !Enabled()) {
        TGraphicControl::MouseDown(button, shift, x, y);
        return;
    }
    MouseEntered();
    FMenuIsDown = FUsesDropdown && !(FDropdownCombo && x < Width() - FDropdownArrowWidth - 2);
    try {
        if (!FDown) {
            FState = bsDown;
            Redraw(true);
        } else if (FAllowAllUp) {
            Redraw(true);
        }
        if (!FMenuIsDown) FMouseIsDown = true;
        TGraphicControl::MouseDown(button, shift, x, y);
        if (FMenuIsDown) {
            Click();
        } else if (Repeating) {
            Click();
            if (!FRepeatTimer) {
                FRepeatTimer = new TTimer(nullptr);
                FRepeatTimer->SetEnabled(false);
            }
            FRepeatTimer->SetEnabled(false);
            FRepeatTimer->SetInterval(static_cast<unsigned>(std::max(RepeatDelay, 1)));
            FRepeatTimer->SetOnTimer(Bind(this, &TToolbarButton::RepeatTimerHandler));
            FRepeatTimer->SetEnabled(true);
        }
    } catch (...) {
        FMenuIsDown = false;
        throw;
    }
    FMenuIsDown = false;
}

void TToolbarButton::FreeRepeatTimer() {
    TTimer* timer = std::exchange(FRepeatTimer, nullptr);
    if (!timer) return;
    if (timer == TToolButtonShared::runningRepeatTimer) {
        timer->SetEnabled(false);
        FreeObjectLater(timer);
    } else {
        TObject::Free(timer);
    }
}

void TToolbarButton::RepeatTimerHandler(TObject* Sender) {
    auto* timer = static_cast<TTimer*>(Sender);
    timer->SetInterval(static_cast<unsigned>(std::max(RepeatInterval, 1)));
    POINT pt;
    GetCursorPos(&pt);
    TPoint local = ScreenToClient({pt.x, pt.y});
    bool captured = Parent() && Parent()->HandleAllocated() && GetCapture() == Parent()->Handle();
    if (Repeating && FMouseIsDown && captured && PointInButton(local.X, local.Y)) {
        TToolButtonShared::runningRepeatTimer = timer;
        struct Done {
            ~Done() { TToolButtonShared::runningRepeatTimer = nullptr; }
        } done;
        Click();
    } else {
        timer->SetEnabled(false);
    }
}

void TToolbarButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (TToolButtonShared::mouseIn != this && TToolButtonShared::ControlUnderCursor() == this) {
        if (TToolButtonShared::mouseIn) TToolButtonShared::mouseIn->MouseLeft();
        if (ShowBorderWhenInactive || ApplicationIsActive()) {
            TToolButtonShared::mouseIn = this;
            if (TToolButtonShared::mouseTimer) TToolButtonShared::mouseTimer->SetEnabled(true);
            MouseEntered();
        }
    }
    if (FMouseIsDown) {
        bool in = PointInButton(x, y);
        if (in && FRepeatTimer) FRepeatTimer->SetEnabled(true);
        TToolButtonState state = FDown ? bsExclusive : in ? bsDown : bsUp;
        if (state != FState) {
            FState = state;
            Redraw(true);
        }
    }
}

void TToolbarButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    FreeRepeatTimer();
    if (button == mbRight && Enabled()) {
        FMouseIsDown = false;
        MouseLeft();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button == mbLeft && FMouseIsDown) {
        FMouseIsDown = false;
        if (!PointInButton(x, y) || Repeating)
            MouseLeft();
        else
            Click();
    }
}

void TToolbarButton::ButtonMouseTimerHandler(TObject*) {
    if (TToolButtonShared::ControlUnderCursor() != this) MouseLeft();
}

void TToolbarButton::RemoveButtonMouseTimer() {
    if (TToolButtonShared::mouseIn != this) return;
    if (TToolButtonShared::mouseTimer) TToolButtonShared::mouseTimer->SetEnabled(false);
    TToolButtonShared::mouseIn = nullptr;
}

void TToolbarButton::MouseEntered() {
    if (!Enabled() || FMouseInControl) return;
    FMouseInControl = true;
    if (FState == bsUp) FState = bsMouseIn;
    if (FFlat || NumGlyphs() > 4) Redraw(FDown || NumGlyphs() > 4);
    if (OnMouseEnter && EventsEnabled()) OnMouseEnter(this);
}

void TToolbarButton::CoolOtherHotButton() {
    TToolbarButton* hot = TToolButtonShared::mouseIn;
    if (hot && hot != this) hot->MouseLeft();
}

void TToolbarButton::MouseLeft() {
    if (!Enabled() || !FMouseInControl || FMouseIsDown) return;
    FMouseInControl = false;
    RemoveButtonMouseTimer();
    TToolButtonState old = FState;
    if (FState == bsMouseIn || (FState == bsDown && !FInClick))
        FState = (FDown && FGroupIndex != 0) ? bsExclusive : bsUp;
    if (FFlat || NumGlyphs() > 4 || (FState != old && old != bsMouseIn)) Redraw(true);
    if (OnMouseExit && EventsEnabled()) OnMouseExit(this);
}

void TToolbarButton::Click() {
    if (Repeating && !FMenuIsDown) {
        TGraphicControl::Click();
        return;
    }
    FInClick = true;
    auto finish = [this] {
        FInClick = false;
        if (FState == bsDown) FState = bsUp;
        if (!Destroying()) {
            Redraw(true);
            MouseLeft();
        }
    };
    try {
        if (FGroupIndex != 0 && !FMenuIsDown) SetDown(!FDown);
        bool dropdown = FUsesDropdown && (!FDropdownCombo || FMenuIsDown);
        // Buttons stay down while their click runs.
        if (FState == bsUp || FState == bsMouseIn) {
            FState = bsDown;
            Redraw(true);
        }
        MouseLeft();
        if (dropdown) {
            if (!FDropdownCombo) TGraphicControl::Click();
            ReleaseCapture();
            ShowDropdownMenu();
        } else {
            if (TCustomForm* form = GetParentForm()) form->ModalResult = ModalResult;
            TGraphicControl::Click();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TToolbarButton::ShowDropdownMenu() {
    bool showMenu = FDropdownMenu != nullptr;
    bool removeClicks = true;
    if (OnDropdown && EventsEnabled()) OnDropdown(this, showMenu, removeClicks);
    try {
        TPopupMenu* menu = FDropdownMenu;
        if (menu && showMenu) {
            TPopupAlignment savedAlignment = menu->Alignment;
            TTrackButton savedTrack = menu->TrackButton;
            struct Restore {
                TToolbarButton* button;
                TPopupMenu* menu;
                TPopupAlignment alignment;
                TTrackButton track;
                ~Restore() {
                    // The menu may have been freed while it was shown.
                    if (button->FDropdownMenu == menu) {
                        menu->Alignment = alignment;
                        menu->TrackButton = track;
                    }
                }
            } restore{this, menu, savedAlignment, savedTrack};
            menu->Alignment = paLeft;
            TPoint p{0, Height()};
            if (GetToolbarDockPosProc) {
                switch (GetToolbarDockPosProc(Parent())) {
                case gtpLeft:
                    p = {Width(), 0};
                    break;
                case gtpRight:
                    p = {0, 0};
                    menu->Alignment = paRight;
                    break;
                default:
                    break;
                }
            }
            p = ClientToScreen(p);
            menu->SetPopupComponent(this);
            menu->TrackButton = tbLeftButton;
            menu->Popup(p.X, p.Y);
        }
    } catch (...) {
        if (removeClicks) RemovePendingClicks();
        throw;
    }
    if (removeClicks) RemovePendingClicks();
}

void TToolbarButton::RemovePendingClicks() {
    // A click on this button that closed the menu must not open it again:
    // its mouse messages are dropped; every other one is posted again.
    std::vector<MSG> kept;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_REMOVE | PM_NOYIELD)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        bool press = msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONDBLCLK ||
                     msg.message == WM_RBUTTONDOWN || msg.message == WM_RBUTTONDBLCLK ||
                     msg.message == WM_MBUTTONDOWN || msg.message == WM_MBUTTONDBLCLK;
        if (press) {
            POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            ::ClientToScreen(msg.hwnd, &pt);
            if (TToolButtonShared::ControlAt(pt) == this) continue;
        }
        kept.push_back(msg);
    }
    for (const MSG& m : kept) PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
}

// --- messages

void TToolbarButton::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONUP:
        // The release clicks through MouseUp, not through the framework.
        MouseUp(mbLeft, KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        return;
    case WM_LBUTTONDBLCLK:
        MouseDown(mbLeft, KeysToShiftState(m.WParam) | ssDouble, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        if (FDown) DblClick();
        return;
    case WM_CANCELMODE:
        FreeRepeatTimer();
        if (FMouseIsDown) {
            FMouseIsDown = false;
            MouseLeft();
        }
        break;
    case CM_ENABLEDCHANGED:
        if (!Enabled()) {
            FState = bsDisabled;
            FMouseInControl = false;
            FMouseIsDown = false;
            RemoveButtonMouseTimer();
            Perform(WM_CANCELMODE);
        } else if (FState == bsDisabled) {
            FState = (FDown && FGroupIndex != 0) ? bsExclusive : bsUp;
        }
        Redraw(true);
        break;
    case CM_DIALOGCHAR: {
        // wParam: the UTF-16 character typed.
        char hotkey = GetHotkey(Caption());
        wchar_t accel = hotkey ? AnsiToWide(std::string(1, hotkey))[0] : L'\0';
        wchar_t typed = static_cast<wchar_t>(m.WParam);
        CharUpperBuffW(&accel, 1);
        CharUpperBuffW(&typed, 1);
        if (hotkey && accel == typed && Parent() && Parent()->CanFocus() && Enabled() && Visible() && FDisplayMode != dmGlyphOnly) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    }
    case CM_DIALOGKEY: {
        bool shifts = (KeyboardShiftState() & (ssShift | ssCtrl | ssAlt)) != 0;
        bool key = (m.WParam == VK_RETURN && Default) || (m.WParam == VK_ESCAPE && Cancel);
        if (key && !shifts && Parent() && Parent()->CanFocus() && Enabled() && Visible()) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    }
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        Redraw(true);
        break;
    case CM_SYSCOLORCHANGE:
        TGraphicControl::WndProc(m);
        if (TToolButtonShared::pattern && (ColorToRGB(clBtnFace) != TToolButtonShared::patternFace ||
                                           ColorToRGB(clBtnHighlight) != TToolButtonShared::patternHighlight))
            TToolButtonShared::FreePattern();
        FGlyph->DropMadeImages();
        Redraw(true);
        return;
    default:
        break;
    }
    TGraphicControl::WndProc(m);
}

// --- Actions ------------------------------------------------------------------

TToolbarButtonActionLink::TToolbarButtonActionLink(TToolbarButton* client) : TActionLink(client), FButton(client) {}

bool TToolbarButtonActionLink::IsCheckedLinked() const {
    return TActionLink::IsCheckedLinked() && FAction->Checked() == FButton->Down();
}

bool TToolbarButtonActionLink::IsImageIndexLinked() const {
    return TActionLink::IsImageIndexLinked() && FAction->ImageIndex() == FButton->ImageIndex();
}

void TToolbarButtonActionLink::SetChecked(bool value) {
    if (IsCheckedLinked()) FButton->SetDown(value);
}

void TToolbarButtonActionLink::SetImageIndex(int value) {
    if (IsImageIndexLinked()) FButton->SetImageIndex(value);
}

std::unique_ptr<TActionLink> TToolbarButton::CreateActionLink() {
    return std::make_unique<TToolbarButtonActionLink>(this);
}

void TToolbarButton::ActionChange(TObject* sender, bool checkDefaults) {
    TGraphicControl::ActionChange(sender, checkDefaults);
    auto* action = dynamic_cast<TAction*>(sender);
    if (!action) return;
    if (!checkDefaults || !Down()) SetDown(action->Checked());
    if (!checkDefaults || HelpContext == 0) HelpContext = action->HelpContext();
    if (!checkDefaults || ImageIndex() == -1) SetImageIndex(action->ImageIndex());
}

void TToolbarButton::AssignTo(TPersistent* dest) {
    TGraphicControl::AssignTo(dest);
    if (auto* action = dynamic_cast<TAction*>(dest)) action->SetChecked(Down());
}

bool TToolbarButton::IsCheckedStored() const {
    return !ActionLink() || !ActionLink()->IsCheckedLinked();
}

bool TToolbarButton::IsHelpContextStored() const {
    return !ActionLink() || !ActionLink()->IsHelpContextLinked();
}

bool TToolbarButton::IsImageIndexStored() const {
    return !ActionLink() || !ActionLink()->IsImageIndexLinked();
}
