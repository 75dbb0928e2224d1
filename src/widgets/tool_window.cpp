#include "widgets/tool_window.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/capture_loop.h"
#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "framework/win.h"

#include <windowsx.h>
#include "widgets/tb_common.h"

namespace {

// Floating bars, for the hook procedure.
std::vector<TCustomToolWindow*>& FloatingBars() {
    static std::vector<TCustomToolWindow*> bars;
    return bars;
}

constexpr int kDockedFrame = 2;
constexpr int kHandleThickness[3][2] = {{9, 14}, {0, 14}, {6, 14}};  // by TDragHandleStyle
constexpr int kFirstGripOffset[3][2] = {{2, 3}, {0, 0}, {1, 5}};

TGetToolbarDockPosType ToolbarDockPos(TControl* control) {
    for (TControl* c = control; c; c = c->Parent())
        if (auto* bar = dynamic_cast<TCustomToolWindow*>(c)) {
            if (TDock* dock = bar->DockedTo()) return static_cast<TGetToolbarDockPosType>(dock->Position());
            return gtpNone;
        }
    return gtpNone;
}

// What the last WM_ACTIVATEAPP said (-1 before the first): inside that
// message the active window is not yet the new one.
int gApplicationActive = -1;

bool ApplicationActiveNow() {
    return gApplicationActive >= 0 ? gApplicationActive != 0 : ApplicationIsActive();
}

bool ContainsWindow(HWND outer, HWND inner) {
    return outer == inner || IsChild(outer, inner);
}

void ToolWindowHookProc(THookProcCode code, HWND wnd, uintptr_t wParam, intptr_t lParam) {
    if (code == hpSendActivateApp) gApplicationActive = wParam != 0;
    for (TCustomToolWindow* bar : std::vector<TCustomToolWindow*>(FloatingBars())) {
        if (!bar->HandleAllocated()) continue;
        HWND barWnd = bar->Handle();
        CallGuarded([&] {
            switch (code) {
            case hpSendActivateApp:
                bar->UpdateVisibility();
                break;
            case hpSendWindowPosChanged: {
                const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
                if (!pos || !(pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED))) break;
                if (bar->FloatingMode() != fmOnTopOfParentForm || wnd == barWnd) break;
                TCustomForm* form = GetToolWindowParentForm(bar);
                if (form && form->HandleAllocated() && ContainsWindow(wnd, form->Handle())) bar->UpdateVisibility();
                break;
            }
            case hpPreDestroy:
                // A bar owned by a window that goes is re-owned by its own parent's window.
                if (GetWindow(barWnd, GW_OWNER) == wnd && bar->Parent() && bar->Parent()->HandleAllocated() &&
                    bar->Parent()->Handle() != wnd)
                    SetWindowLongPtrW(barWnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(bar->Parent()->Handle()));
                break;
            default:
                break;
            }
        });
    }
}

// Whether `wnd` is owned by `owner`, directly or through other owned windows.
bool OwnedBy(HWND wnd, HWND owner) {
    for (HWND w = GetWindow(wnd, GW_OWNER); w; w = GetWindow(w, GW_OWNER))
        if (w == owner) return true;
    return false;
}

struct ActivationCandidates {
    HWND skip;
    HWND skipApp;
    HWND firstNormal = nullptr;
    HWND firstTopmost = nullptr;
};

BOOL CALLBACK CollectActivationCandidate(HWND wnd, LPARAM data) {
    auto* c = reinterpret_cast<ActivationCandidates*>(data);
    if (wnd == c->skip || wnd == c->skipApp || !IsWindowVisible(wnd) || !IsWindowEnabled(wnd)) return TRUE;
    const bool topmost = (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (!topmost && !c->firstNormal) c->firstNormal = wnd;
    if (topmost && !c->firstTopmost) c->firstTopmost = wnd;
    return TRUE;
}

// A hidden bar that was active hands the activation to another window of the thread.
void ActivateAnotherWindow(HWND self) {
    ActivationCandidates c{self, static_cast<HWND>(Application ? Application->Handle() : nullptr)};
    EnumThreadWindows(GetCurrentThreadId(), CollectActivationCandidate, reinterpret_cast<LPARAM>(&c));
    if (HWND target = c.firstNormal ? c.firstNormal : c.firstTopmost) SetActiveWindow(target);
}

}  // namespace

TCustomForm* GetToolWindowParentForm(TCustomToolWindow* bar) {
    TCustomForm* result = nullptr;
    for (TControl* c = bar->Parent(); c; c = c->Parent()) {
        if (auto* floating = dynamic_cast<TFloatingWindowParent*>(c)) return floating->ParentForm;
        if (auto* form = dynamic_cast<TCustomForm*>(c)) result = form;
    }
    return result;
}

TCustomForm* ValidToolWindowParentForm(TCustomToolWindow* bar) {
    TCustomForm* form = GetToolWindowParentForm(bar);
    if (!form) throw EInvalidOperation(Format("Control '%s' has no parent window", bar->Name().c_str()));
    return form;
}

std::wstring FitCaptionText(HDC dc, const std::wstring& caption, int width) {
    auto fits = [&](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx <= width;
    };
    if (caption.empty() || fits(caption)) return caption;
    for (size_t keep = caption.size() - 1; keep > 1; --keep) {
        std::wstring text = caption.substr(0, keep) + L"...";
        if (fits(text)) return text;
    }
    return caption.substr(0, 1) + L"...";
}

TCustomToolWindow::TCustomToolWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    GetToolbarDockPosProc = ToolbarDockPos;
    InstallHookProc(ToolWindowHookProc, HookCodes({hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy}), false);
    SetColor(clBtnFace);
}

void TCustomToolWindow::BeforeDestruction() {
    // The hook procedure must not meet a bar that is half gone.
    std::erase(FloatingBars(), this);
    if (FDockedTo) {
        FDockedTo->ChangeDockList(false, this);
        FDockedTo->ToolbarVisibilityChanged(this, true);
    }
    if (FLastDock && FLastDock != FDockedTo) FLastDock->ChangeDockList(false, this);
    TCustomControl::BeforeDestruction();
}

TCustomToolWindow::~TCustomToolWindow() {
    UninstallHookProc(ToolWindowHookProc);
}

void TCustomToolWindow::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.ClassStyle &= ~static_cast<uint32_t>(CS_HREDRAW | CS_VREDRAW);
    if (!dynamic_cast<TDock*>(Parent()) && Parent()) {
        params.Style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN | (FResizable ? WS_THICKFRAME : 0);
        params.ExStyle |= WS_EX_TOOLWINDOW;
    }
}

void TCustomToolWindow::Loaded() {
    TCustomControl::Loaded();
    InitializeOrdering();
    ArrangeControls();
}

void TCustomToolWindow::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == FLastDock) FLastDock = nullptr;
    if (component == FDockedTo) FDockedTo = nullptr;
    if (component == FFloatParent) FFloatParent = nullptr;
    if (component == FDefaultDock) FDefaultDock = nullptr;
    RemoveDockForm(dynamic_cast<TCustomForm*>(component));
}

void TCustomToolWindow::SetParent(TWinControl* parent) {
    if (parent && !dynamic_cast<TDock*>(parent) && !dynamic_cast<TCustomForm*>(parent))
        throw EInvalidOperation(LoadToolbarString(STB97ToolwinParentNotAllowed));
    TWinControl* newParent = parent;
    TFloatingWindowParent* newFloatParent = nullptr;
    if (auto* form = dynamic_cast<TCustomForm*>(parent); form && !dynamic_cast<TFloatingWindowParent*>(parent)) {
        if (FFloatParent && FFloatParent->ParentForm == form) {
            newFloatParent = FFloatParent;
        } else {
            newFloatParent = new TFloatingWindowParent(form);
            newFloatParent->SetName(Format("TBFloatingWindowParent_%.8x",
                                           static_cast<unsigned>(reinterpret_cast<uintptr_t>(newFloatParent))));
            newFloatParent->ParentForm = form;
            newFloatParent->SetBorderStyle(bsNone);
            newFloatParent->SetBounds(0, 0, 0, 0);
        }
        newParent = newFloatParent;
    }
    auto* newDock = dynamic_cast<TDock*>(newParent);
    if (newParent == Parent()) {
        FDocked = newDock != nullptr;
        UpdateFloatingList();
        return;
    }
    const bool destroying = Destroying();
    if (!destroying && newParent && EventsEnabled()) {
        if (OnDockChanging) OnDockChanging(this);
        if (OnDockChangingEx) OnDockChangingEx(this, newDock);
        if (OnRecreating) OnRecreating(this);
    }
    TDock* oldDock = FDocked ? FDockedTo : nullptr;
    TFloatingWindowParent* oldFloatParent = FFloatParent;
    {
        ++FHidden;
        ++FDisableMove;
        if (oldDock) oldDock->BeginUpdate();
        if (newDock && newDock != oldDock) newDock->BeginUpdate();
        ++FUpdatingBounds;
        struct Release {
            TCustomToolWindow* bar;
            TDock* oldDock;
            TDock* newDock;
            ~Release() {
                --bar->FUpdatingBounds;
                if (newDock && newDock != oldDock) newDock->EndUpdate();
                if (oldDock) oldDock->EndUpdate();
                --bar->FDisableMove;
                --bar->FHidden;
            }
        } release{this, oldDock, newDock};
        if (!destroying && OnDockChangingHidden && EventsEnabled()) OnDockChangingHidden(this, newDock);
        if (FLastDockTypeSet) OrderControls(true, FLastDockType, newDock);

        if (oldDock) {
            if (!FUseLastDock) oldDock->ChangeDockList(false, this);
            oldDock->ToolbarVisibilityChanged(this, true);
        }
        try {
            TCustomControl::SetParent(newParent);
        } catch (...) {
            FDocked = dynamic_cast<TDock*>(Parent()) != nullptr;
            FDockedTo = FDocked ? static_cast<TDock*>(Parent()) : nullptr;
            throw;
        }
        FDocked = newDock != nullptr;
        FDockedTo = newDock;
        FFloatParent = newFloatParent;
        if (newFloatParent) newFloatParent->FreeNotification(this);
        CalculateNonClientSizes();
        if (oldFloatParent && oldFloatParent != newFloatParent) TObject::Free(oldFloatParent);
        if (newDock) {
            if (FUseLastDock) SetLastDock(newDock);
            newDock->ChangeDockList(true, this);
        }
        UpdateFloatingList();
        FLastDockType = GetDockTypeOf(newDock);
        FLastDockTypeSet = true;
        ArrangeControls();
    }
    UpdateVisibility();
    if (!destroying && newParent && EventsEnabled()) {
        if (OnMove) OnMove(this);
        if (OnRecreated) OnRecreated(this);
        if (OnDockChanged) OnDockChanged(this);
    }
}

void TCustomToolWindow::UpdateFloatingList() {
    auto& bars = FloatingBars();
    std::erase(bars, this);
    if (Floating()) {
        bars.push_back(this);
        SetBounds(FFloatingTopLeft.X, FFloatingTopLeft.Y, Width(), Height());
        // The floating parent stays hidden, so nothing else makes our window.
        if (!Loading()) HandleNeeded();
    } else if (FDocked && !HandleAllocated() && !Loading() && Parent()->HandleAllocated() && Showing()) {
        // Inserted while still counted as floating and hidden: no window was made.
        HandleNeeded();
    }
}

void TCustomToolWindow::SetDockedTo(TDock* dock) {
    if (dock) SetParent(dock);
    else SetParent(ValidToolWindowParentForm(this));
}

void TCustomToolWindow::SetLastDock(TDock* dock) {
    if (FUseLastDock && FDocked && FDockedTo) dock = FDockedTo;
    if (dock == FLastDock) return;
    if (FLastDock && FLastDock != Parent()) FLastDock->ChangeDockList(false, this);
    FLastDock = dock;
    if (dock) {
        FUseLastDock = true;
        dock->FreeNotification(this);
        dock->ChangeDockList(true, this);
    }
}

void TCustomToolWindow::SetUseLastDock(bool value) {
    FUseLastDock = value;
    SetLastDock(value ? DockedTo() : nullptr);
}

void TCustomToolWindow::SetDockPos(int value) {
    FDockPos = value;
    if (FDocked && FDockedTo) FDockedTo->ArrangeToolbars();
}

void TCustomToolWindow::SetDockRow(int value) {
    FDockRow = value;
    if (FDocked && FDockedTo) FDockedTo->ArrangeToolbars();
}

void TCustomToolWindow::SetFullSize(bool value) {
    FullSize = value;
    ArrangeControls();
}

void TCustomToolWindow::SetBorderStyle(TFormBorderStyle value) {
    FBorderStyle = value;
    if (FDocked) InvalidateDockedNCArea();
}

void TCustomToolWindow::SetFloatingMode(TToolWindowFloatingMode value) {
    if (value == FFloatingMode) return;
    FFloatingMode = value;
    // Showing, owner and topmost flag all depend on the mode.
    if (Floating() && HandleAllocated()) ShowingChanged();
}

void TCustomToolWindow::SetShowCaption(bool value) {
    if (value == FShowCaption) return;
    FShowCaption = value;
    if (Floating()) CalculateNonClientSizes();
}

void TCustomToolWindow::SetResizable(bool value) {
    if (value == FResizable) return;
    FResizable = value;
    if (Floating() && HandleAllocated()) {
        RecreateWnd();
        CalculateNonClientSizes();
    }
}

void TCustomToolWindow::SetCloseButton(bool value) {
    FCloseButton = value;
    if (Floating()) InvalidateFloatingNCArea(twrdCaption | twrdCloseButton);
}

void TCustomToolWindow::SetCloseButtonWhenDocked(bool value) {
    FCloseButtonWhenDocked = value;
    if (FDocked) CalculateNonClientSizes();
}

void TCustomToolWindow::SetDragHandleStyle(TDragHandleStyle value) {
    FDragHandleStyle = value;
    if (FDocked) CalculateNonClientSizes();
}

void TCustomToolWindow::EndUpdate() {
    if (FDisableArrange > 0) --FDisableArrange;
    if (FDisableArrange == 0 && FArrangeNeeded) ArrangeControls();
}

int TCustomToolWindow::GetDockRowSize() const {
    return FDocked && FDockedTo ? FDockedTo->GetRowSize(FDockRow, const_cast<TCustomToolWindow*>(this)) : 0;
}

void TCustomToolWindow::ArrangeControls() {
    CustomArrangeControls(GetDockTypeOf(DockedTo()), DockedTo(), true);
}

void TCustomToolWindow::CustomArrangeControls(TDockType previousDockType, TDock* dockingTo, bool resize) {
    if (FDisableArrange > 0 || Loading() || Destroying() || !Parent()) {
        FArrangeNeeded = true;
        return;
    }
    FArrangeNeeded = false;
    ++FDisableArrange;
    struct Release {
        int& counter;
        ~Release() { --counter; }
    } release{FDisableArrange};
    TPoint size = OrderControls(true, previousDockType, dockingTo);
    if (!resize) return;
    if (FDocked && FDockedTo) {
        const bool vertical = GetDockTypeOf(FDockedTo) == dtLeftRight;
        const int rowSize = GetDockRowSize();
        if (vertical) {
            size.X = std::max(size.X, rowSize);
            if (FullSize) size.Y = FDockedTo->InnerLength() - FNonClientHeight;
        } else {
            size.Y = std::max(size.Y, rowSize);
            if (FullSize) size.X = FDockedTo->InnerLength() - FNonClientWidth;
        }
    }
    SetBounds(Left(), Top(), size.X + FNonClientWidth, size.Y + FNonClientHeight);
}

void TCustomToolWindow::AlignControls(TControl* control, TRect& rect) {
    if (GetParams().InheritedAlign) TCustomControl::AlignControls(control, rect);
    ArrangeControls();
}

void TCustomToolWindow::SetBounds(int left, int top, int width, int height) {
    if (FUpdatingBounds == 0 && (width != Width() || height != Height())) SizeChanging(width, height);
    TCustomControl::SetBounds(left, top, width, height);
    if (Floating()) FFloatingTopLeft = {Left(), Top()};
}

int TCustomToolWindow::HandleThickness() const {
    return kHandleThickness[FDragHandleStyle][FCloseButtonWhenDocked ? 1 : 0];
}

void TCustomToolWindow::CalculateNonClientSizes() {
    if (FDocked && FDockedTo) {
        FNonClientWidth = 2 * kDockedFrame;
        FNonClientHeight = 2 * kDockedFrame;
        if (FDockedTo->AllowDrag) {
            if (GetDockTypeOf(FDockedTo) == dtLeftRight) FNonClientHeight += HandleThickness();
            else FNonClientWidth += HandleThickness();
        }
    } else {
        TPoint border = GetFloatingBorderSize();
        FNonClientWidth = 2 * border.X;
        FNonClientHeight = 2 * border.Y + (FShowCaption ? GetSystemMetrics(SM_CYSMCAPTION) : 0);
    }
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TPoint TCustomToolWindow::GetDockedNCArea() const {
    TPoint p{kDockedFrame, kDockedFrame};
    if (FDockedTo && FDockedTo->AllowDrag) {
        if (GetDockTypeOf(FDockedTo) == dtLeftRight) p.Y += HandleThickness();
        else p.X += HandleThickness();
    }
    return p;
}

TPoint TCustomToolWindow::GetFloatingBorderSize() const {
    return FResizable ? TPoint{GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)}
                     : TPoint{GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME)};
}

TPoint TCustomToolWindow::GetFloatingNCArea() const {
    TPoint border = GetFloatingBorderSize();
    return {border.X, border.Y + (FShowCaption ? GetSystemMetrics(SM_CYSMCAPTION) : 0)};
}

bool TCustomToolWindow::UsesDockBackground() const {
    return FDocked && FDockedTo && FDockedTo->BackgroundOnToolbars() && FDockedTo->UsingBackground();
}

void TCustomToolWindow::RemovePendingNCMessages(unsigned message, TToolWindowNCRedrawWhat* what) {
    if (!HandleAllocated()) return;
    MSG msg;
    while (PeekMessageW(&msg, Handle(), message, message, PM_REMOVE | PM_NOYIELD)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (what) *what |= static_cast<TToolWindowNCRedrawWhat>(msg.lParam);
    }
}

HPALETTE TCustomToolWindow::GetPalette() {
    if (FDocked && FDockedTo && FDockedTo->UsingBackground()) return FDockedTo->Background()->Palette();
    return TCustomControl::GetPalette();
}

bool TCustomToolWindow::PaletteChanged(bool foreground) {
    const bool result = TCustomControl::PaletteChanged(foreground);
    // Realising in the background repaints only the client when colours
    // moved; the frame shows the dock's pattern too.
    if (result && !foreground) {
        InvalidateDockedNCArea();
        Invalidate();
    }
    return result;
}

void TCustomToolWindow::InvalidateDockedNCArea() {
    if (!HandleAllocated() || !IsWindowVisible(Handle())) return;
    RemovePendingNCMessages(WM_PaintDockedNCArea, nullptr);
    PostMessageW(Handle(), WM_PaintDockedNCArea, 0, 0);
}

void TCustomToolWindow::InvalidateFloatingNCArea(TToolWindowNCRedrawWhat what) {
    if (!HandleAllocated() || !IsWindowVisible(Handle())) return;
    RemovePendingNCMessages(WM_PaintFloatingNCArea, &what);
    PostMessageW(Handle(), WM_PaintFloatingNCArea, 0, static_cast<LPARAM>(what));
}

void TCustomToolWindow::DrawDockedNCArea(HDC dc) {
    RemovePendingNCMessages(WM_PaintDockedNCArea, nullptr);
    RECT r;
    GetWindowRect(Handle(), &r);
    OffsetRect(&r, -r.left, -r.top);
    const TPoint nc = GetDockedNCArea();
    RECT client{nc.X, nc.Y, r.right - kDockedFrame, r.bottom - kDockedFrame};
    const COLORREF color = static_cast<COLORREF>(ColorToRGB(Color()));
    HBRUSH brush = CreateSolidBrush(color);
    RECT frame = r;
    if (FBorderStyle == bsSingle) DrawEdge(dc, &frame, BDR_RAISEDINNER, BF_RECT);
    else FrameRect(dc, &frame, brush);
    InflateRect(&frame, -1, -1);
    const bool background = UsesDockBackground();
    if (background) {
        // Tiled from the parent's client origin, like the dock itself.
        const int originX = -(Left() + FDockedTo->Left() + ((FDockedTo->BoundLines() >> blLeft) & 1));
        const int originY = -(Top() + FDockedTo->Top() + ((FDockedTo->BoundLines() >> blTop) & 1));
        TRect clip{frame.left, frame.top, frame.right, frame.bottom};
        TRect tile{originX, originY, r.right, r.bottom};
        TRect exclude{client.left, client.top, client.right, client.bottom};
        FDockedTo->DrawBackground(dc, clip, tile, &exclude);
    } else {
        FrameRect(dc, &frame, brush);
    }
    if (FDockedTo && FDockedTo->AllowDrag) {
        const bool vertical = GetDockTypeOf(FDockedTo) == dtLeftRight;
        const int thickness = HandleThickness();
        const int closeIndex = FCloseButtonWhenDocked ? 1 : 0;
        if (!background) {
            RECT handle = vertical ? RECT{2, 2, r.right - 2, 2 + thickness} : RECT{2, 2, 2 + thickness, r.bottom - 2};
            FillRect(dc, &handle, brush);
        }
        if (FDragHandleStyle != dhNone) {
            const int grips = FDragHandleStyle == dhDouble ? 2 : 1;
            const int first = kFirstGripOffset[FDragHandleStyle][closeIndex] + 2;
            const int start = FCloseButtonWhenDocked ? thickness : 2;
            HPEN highlight = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
            for (int g = 0; g < grips; ++g) {
                RECT grip;
                if (!vertical) {
                    grip = {first + g * 3, start, first + g * 3 + 3, client.bottom};
                } else {
                    int end = client.right;
                    if (FCloseButtonWhenDocked) end -= thickness - 3 + 4;
                    grip = {2, first + g * 3, end, first + g * 3 + 3};
                }
                DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT | BF_MIDDLE);
                if (!vertical) SetPixel(dc, grip.left, grip.bottom - 1, ColorToRGB(clBtnHighlight));
                else SetPixel(dc, grip.right - 1, grip.top, ColorToRGB(clBtnHighlight));
            }
            DeleteObject(highlight);
        }
        if (FCloseButtonWhenDocked) {
            const int size = thickness - 3;
            RECT button = vertical ? RECT{client.right - size + 2 - 2, 3, client.right, 3 + size}
                                   : RECT{3, 2, 3 + size, 2 + size};
            DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FCloseButtonDown ? DFCS_PUSHED : 0));
        }
    }
    DeleteObject(brush);
}

void TCustomToolWindow::DrawFloatingNCArea(HDC dc, TToolWindowNCRedrawWhat what) {
    TToolWindowNCRedrawWhat pending = what;
    RemovePendingNCMessages(WM_PaintFloatingNCArea, &pending);
    RECT r;
    GetWindowRect(Handle(), &r);
    OffsetRect(&r, -r.left, -r.top);
    const TPoint border = GetFloatingBorderSize();
    if (pending & twrdBorder) {
        RECT edge = r;
        DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
        HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
        RECT band = edge;
        const int saved = SaveDC(dc);
        ExcludeClipRect(dc, r.left + border.X, r.top + border.Y, r.right - border.X, r.bottom - border.Y);
        FillRect(dc, &band, face);
        RestoreDC(dc, saved);
    }
    if (!FShowCaption) return;
    const int captionHeight = GetSystemMetrics(SM_CYSMCAPTION);
    RECT caption{border.X, border.Y, r.right - border.X, border.Y + captionHeight - 1};
    BOOL gradient = FALSE;
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
    const int closeSide = FCloseButton ? captionHeight - 1 : 0;
    int captionColor = FInactiveCaption ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION;
    if (pending & twrdCaption) {
        FillRect(dc, &caption, GetSysColorBrush(captionColor));
        const TRect text{caption.left + 1, caption.top, caption.right - 1 - closeSide, caption.bottom};
        if (DrawSystemCaption(dc, text, gradient != FALSE)) {
            RECT line{caption.left, caption.bottom, caption.right, caption.bottom + 1};
            FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
        } else {
            DrawOldStyleCaption(dc, {caption.left, caption.top, caption.right, caption.bottom}, closeSide);
        }
    }
    if (gradient) captionColor = FInactiveCaption ? COLOR_GRADIENTINACTIVECAPTION : COLOR_GRADIENTACTIVECAPTION;
    if ((pending & twrdCloseButton) && FCloseButton) {
        const int side = captionHeight - 1;
        RECT square{caption.right - side, caption.top, caption.right, caption.top + side};
        FrameRect(dc, &square, GetSysColorBrush(captionColor));
        InflateRect(&square, -1, -1);
        DrawFrameControl(dc, &square, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FCloseButtonDown ? DFCS_PUSHED : 0));
    }
}

bool TCustomToolWindow::DrawSystemCaption(HDC dc, const TRect& area, bool gradient) {
    // Looked up at run time: a system without it gets the old-style caption.
    using DrawCaptionProc = BOOL(WINAPI*)(HWND, HDC, const RECT*, UINT);
    static const auto drawCaption =
        reinterpret_cast<DrawCaptionProc>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "DrawCaption")));
    if (!drawCaption) return false;
    const UINT flags = DC_SMALLCAP | DC_TEXT | (FInactiveCaption ? 0 : DC_ACTIVE) | (gradient ? DC_GRADIENT : 0);
    const RECT rect{area.Left, area.Top, area.Right, area.Bottom};
    return drawCaption(Handle(), dc, &rect, flags) != FALSE;
}

void TCustomToolWindow::DrawOldStyleCaption(HDC dc, const TRect& area, int closeSide) {
    const RECT caption{area.Left, area.Top, area.Right, area.Bottom};
    HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, font);
    RECT text{caption.left + 1, caption.top, caption.right - 1 - closeSide, caption.bottom};
    std::wstring shown = FitCaptionText(dc, AnsiToWide(Caption()), text.right - text.left);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(FInactiveCaption ? COLOR_INACTIVECAPTIONTEXT : COLOR_CAPTIONTEXT));
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
    RECT line{caption.left, caption.bottom, caption.right, caption.bottom + 1};
    FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
}

void TCustomToolWindow::PaintNCProc(HWND, HDC dc, intptr_t appData) {
    auto* bar = reinterpret_cast<TCustomToolWindow*>(appData);
    if (bar->FDocked) bar->DrawDockedNCArea(dc);
    else bar->DrawFloatingNCArea(dc, twrdBorder | twrdCaption | twrdCloseButton);
}

void TCustomToolWindow::Paint() {
    TCanvas* canvas = Canvas();
    TRect client = ClientRect();
    if (UsesDockBackground()) {
        const TPoint nc = GetDockedNCArea();
        TRect tile = client;
        tile.Left -= Left() + nc.X + FDockedTo->Left() + ((FDockedTo->BoundLines() >> blLeft) & 1);
        tile.Top -= Top() + nc.Y + FDockedTo->Top() + ((FDockedTo->BoundLines() >> blTop) & 1);
        FDockedTo->DrawBackground(canvas->Handle(), client, tile, nullptr);
        return;
    }
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(client);
}

bool TCustomToolWindow::Showing() const {
    if (!Floating()) return TCustomControl::Showing();
    return const_cast<TCustomToolWindow*>(this)->GetShowingState();
}

bool TCustomToolWindow::GetShowingState() {
    if (!Floating()) return TCustomControl::Showing() && FHidden == 0;
    bool showing = Visible() && FHidden == 0;
    if (showing && FFloatingMode == fmOnTopOfParentForm) {
        TCustomForm* form = GetToolWindowParentForm(this);
        HWND wnd = form && form->HandleAllocated() ? form->Handle() : nullptr;
        if (!wnd || !IsWindowVisible(wnd) || IsIconic(wnd)) showing = false;
        HWND app = static_cast<HWND>(Application ? Application->Handle() : nullptr);
        if (app && IsIconic(app)) showing = false;
    }
    if (showing && HideWhenInactive && !ApplicationActiveNow()) showing = false;
    return showing;
}

void TCustomToolWindow::SetInactiveCaption(bool value) {
    if (value == FInactiveCaption) return;
    FInactiveCaption = value;
    if (Floating()) InvalidateFloatingNCArea(twrdCaption | twrdCloseButton);
}

void TCustomToolWindow::UpdateVisibility() {
    if (!HandleAllocated()) return;
    SetInactiveCaption(Floating() && !HideWhenInactive && !ApplicationActiveNow());
    if (Floating() && (IsWindowVisible(Handle()) != FALSE) != GetShowingState()) Perform(CM_SHOWINGCHANGED);
}

void TCustomToolWindow::UpdateTopmostFlag() {
    if (!Floating() || !HandleAllocated()) return;
    HWND wnd = Handle();
    bool topmost;
    if (FFloatingMode == fmOnTopOfAllForms && IsWindowEnabled(wnd)) {
        topmost = true;
    } else {
        HWND owner = GetWindow(wnd, GW_OWNER);
        topmost = owner && (GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST);
    }
    const bool isTopmost = (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (topmost != isTopmost)
        SetWindowPos(wnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomToolWindow::ShowingChanged() {
    HWND wnd = Handle();
    const bool show = GetShowingState();
    if (show) {
        TCustomForm* form = GetToolWindowParentForm(this);
        HWND formWnd = form && form->HandleAllocated() ? form->Handle() : nullptr;
        HWND owner = FFloatingMode == fmOnTopOfAllForms ? static_cast<HWND>(Application ? Application->Handle() : nullptr)
                                                       : formWnd;
        if (owner && GetWindow(wnd, GW_OWNER) != owner) {
            SetWindowLongPtrW(wnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
            if (owner == formWnd) {
                // Above the form's other owned windows: directly below the
                // first window above the form that the form does not own.
                HWND above = nullptr;
                for (HWND w = GetWindow(formWnd, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
                    if (w != wnd && !OwnedBy(w, formWnd)) {
                        above = w;
                        break;
                    }
                SetWindowPos(wnd, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
        }
        UpdateTopmostFlag();
    }
    if (FFloatParent) {
        FFloatParent->ShouldShow = show;
        FFloatParent->Perform(CM_SHOWINGCHANGED);
    }
    const bool wasActive = GetActiveWindow() == wnd;
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (!show && wasActive) ActivateAnotherWindow(wnd);
}

int TCustomToolWindow::FloatingCaptionHeight() const {
    return GetSystemMetrics(SM_CYSMCAPTION);
}

TRect TCustomToolWindow::FloatingCloseButtonRect() const {
    const TPoint border = GetFloatingBorderSize();
    const int side = FloatingCaptionHeight() - 1;
    const int right = Width() - border.X;
    return {right - side, border.Y, right, border.Y + side};
}

TRect TCustomToolWindow::DockedCloseButtonRect() const {
    const int size = HandleThickness() - 3;
    if (GetDockTypeOf(FDockedTo) == dtLeftRight) {
        const int x = Width() - kDockedFrame - size;
        return {x, 3, x + size, 3 + size};
    }
    return {3, 2, 3 + size, 2 + size};
}

int TCustomToolWindow::HitTestFloating(int x, int y) const {
    const TPoint border = GetFloatingBorderSize();
    const int captionHeight = FloatingCaptionHeight();
    const int w = Width(), h = Height();
    if (FShowCaption && x >= border.X && x < w - border.X && y >= border.Y && y < border.Y + captionHeight) {
        const TRect close = FloatingCloseButtonRect();
        if (FCloseButton && x >= close.Left && x < close.Right && y >= close.Top && y < close.Bottom) return HTCLOSE;
        return HTCLIENT;
    }
    if (!FResizable) return HTNOWHERE;
    const bool corners = const_cast<TCustomToolWindow*>(this)->GetParams().CornerSizing;
    const int reach = captionHeight + border.X - 1;
    const bool top = y < border.Y, bottom = y >= h - border.Y - 1;
    const bool left = x < border.X, right = x >= w - border.X - 1;
    if (!corners) {
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
        return HTNOWHERE;
    }
    if (left || right) {
        if (y < reach) return left ? HTTOPLEFT : HTTOPRIGHT;
        if (y >= h - reach) return left ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
        return left ? HTLEFT : HTRIGHT;
    }
    if (top || bottom) {
        if (x < reach) return top ? HTTOPLEFT : HTBOTTOMLEFT;
        if (x >= w - reach) return top ? HTTOPRIGHT : HTBOTTOMRIGHT;
        return top ? HTTOP : HTBOTTOM;
    }
    return HTNOWHERE;
}

void TCustomToolWindow::DrawCloseButtonState(bool pushed, bool docked) {
    if (!HandleAllocated()) return;
    HDC dc = GetWindowDC(Handle());
    TRect r = docked ? DockedCloseButtonRect() : FloatingCloseButtonRect();
    RECT square{r.Left, r.Top, r.Right, r.Bottom};
    if (!docked) {
        FrameRect(dc, &square, GetSysColorBrush(FInactiveCaption ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION));
        InflateRect(&square, -1, -1);
    }
    DrawFrameControl(dc, &square, DFC_CAPTION, DFCS_CAPTIONCLOSE | (pushed ? DFCS_PUSHED : 0));
    ReleaseDC(Handle(), dc);
}

void TCustomToolWindow::RunCloseButtonLoop(bool docked) {
    const TRect button = docked ? DockedCloseButtonRect() : FloatingCloseButtonRect();
    auto over = [&](TPoint screen) {
        RECT w;
        GetWindowRect(Handle(), &w);
        const int x = screen.X - w.left, y = screen.Y - w.top;
        return x >= button.Left && x < button.Right && y >= button.Top && y < button.Bottom;
    };
    FCloseButtonDown = true;
    DrawCloseButtonState(true, docked);
    TCaptureLoopEnd end;
    {
        TCapturedLoop loop(Handle());
        end = loop.Run({[&](TPoint p) {
                            const bool inside = over(p);
                            if (inside == FCloseButtonDown) return;
                            FCloseButtonDown = inside;
                            DrawCloseButtonState(inside, docked);
                        },
                        {}});
    }
    const bool pressed = FCloseButtonDown;
    FCloseButtonDown = false;
    if (HandleAllocated()) DrawCloseButtonState(false, docked);
    if (end != TCaptureLoopEnd::Accepted || !pressed) return;
    bool canClose = true;
    if (OnCloseQuery && EventsEnabled()) OnCloseQuery(this, canClose);
    if (!canClose) return;
    Hide();
    if (OnClose && EventsEnabled()) OnClose(this);
}

void TCustomToolWindow::SetDefaultDock(TDock* dock) {
    if (dock == FDefaultDock) return;
    FDefaultDock = dock;
    if (dock) dock->FreeNotification(this);
}

void TCustomToolWindow::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    if (FDocked && FDockedTo && !FDockedTo->AllowDrag) return;
    if (shift & ssDouble) {
        if (FDocked) {
            if (DockMode != dmCanFloat) return;
            SetParent(ValidToolWindowParentForm(this));
            MoveOnScreen(true);
        } else if (Floating()) {
            if (FLastDock) {
                SetParent(FLastDock);
            } else if (FDefaultDock) {
                FDockRow = 0;
                FDockPos = -8;
                SetParent(FDefaultDock);
            }
        }
        return;
    }
    BeginMoving(x, y);
    MouseUp(mbLeft, 0, -1, -1);
}

void TCustomToolWindow::AddDockForm(TCustomForm* form) {
    if (!form || std::find(FDockForms.begin(), FDockForms.end(), form) != FDockForms.end()) return;
    FDockForms.push_back(form);
    form->FreeNotification(this);
}

void TCustomToolWindow::RemoveDockForm(TCustomForm* form) {
    std::erase(FDockForms, form);
}

void TCustomToolWindow::MoveOnScreen(bool onlyIfFullyOffscreen) {
    if (!Floating()) return;
    RECT r{Left(), Top(), Left() + Width(), Top() + Height()};
    RECT work{};
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info)) work = info.rcWork;
    else SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT overlap;
    if (onlyIfFullyOffscreen && IntersectRect(&overlap, &r, &work)) return;
    int dx = 0, dy = 0;
    if (r.right > work.right) dx = work.right - r.right;
    if (r.bottom > work.bottom) dy = work.bottom - r.bottom;
    if (r.left + dx < work.left) dx = work.left - r.left;
    if (r.top + dy < work.top) dy = work.top - r.top;
    SetBounds(Left() + dx, Top() + dy, Width(), Height());
}

void TCustomToolWindow::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_NCCALCSIZE: {
        // Our own frame only: the system's frame of the floating window's
        // styles is not taken off first.
        if (!FDocked && !Floating()) TCustomControl::WndProc(m);
        auto* r = reinterpret_cast<RECT*>(m.LParam);
        if (FDocked) {
            const TPoint nc = GetDockedNCArea();
            r->left += nc.X;
            r->top += nc.Y;
            r->right -= kDockedFrame;
            r->bottom -= kDockedFrame;
        } else if (Floating()) {
            const TPoint border = GetFloatingBorderSize();
            const TPoint nc = GetFloatingNCArea();
            r->left += nc.X;
            r->top += nc.Y;
            r->right -= border.X;
            r->bottom -= border.Y;
        }
        if (r->right < r->left) r->right = r->left;
        if (r->bottom < r->top) r->bottom = r->top;
        return;
    }
    case WM_NCPAINT:
    case WM_PaintDockedNCArea:
    case WM_PaintFloatingNCArea: {
        if (!HandleAllocated()) return;
        HDC dc = GetWindowDC(Handle());
        if (m.Msg == WM_NCPAINT) SelectNCUpdateRgn(Handle(), dc, reinterpret_cast<HRGN>(m.WParam));
        if (FDocked) DrawDockedNCArea(dc);
        else if (Floating())
            DrawFloatingNCArea(dc, m.Msg == WM_PaintFloatingNCArea
                                       ? static_cast<TToolWindowNCRedrawWhat>(m.LParam)
                                       : twrdBorder | twrdCaption | twrdCloseButton);
        ReleaseDC(Handle(), dc);
        m.Result = 0;
        return;
    }
    case WM_PRINT:
        HandleWMPrint(Handle(), m, &TCustomToolWindow::PaintNCProc, reinterpret_cast<intptr_t>(this));
        return;
    case WM_PRINTCLIENT:
        HandleWMPrintClient(this, m);
        return;
    case WM_NCHITTEST: {
        TCustomControl::WndProc(m);
        if (FDocked) {
            if (m.Result != HTNOWHERE) return;
            m.Result = HTCLIENT;
            if (FCloseButtonWhenDocked && FDockedTo && FDockedTo->AllowDrag) {
                RECT w;
                GetWindowRect(Handle(), &w);
                const int x = GET_X_LPARAM(m.LParam) - w.left, y = GET_Y_LPARAM(m.LParam) - w.top;
                const int size = HandleThickness() - 3;
                const bool vertical = GetDockTypeOf(FDockedTo) == dtLeftRight;
                const int bx = vertical ? (w.right - w.left) - kDockedFrame - size : 3;
                const int by = vertical ? 3 : 2;
                if (x >= bx && x < bx + size && y >= by && y < by + size) m.Result = HTCLOSE;
            }
        } else if (Floating()) {
            if (m.Result == HTCLIENT) return;
            RECT w;
            GetWindowRect(Handle(), &w);
            m.Result = HitTestFloating(GET_X_LPARAM(m.LParam) - w.left, GET_Y_LPARAM(m.LParam) - w.top);
        }
        return;
    }
    case WM_NCLBUTTONDOWN:
        if (Floating() && m.WParam >= HTLEFT && m.WParam <= HTBOTTOMRIGHT) {
            BeginSizing(static_cast<TToolWindowSizeHandle>(m.WParam - HTLEFT));
            return;
        }
        if (m.WParam == HTCLOSE && (Floating() || FDocked)) {
            RunCloseButtonLoop(FDocked);
            return;
        }
        break;
    case WM_ACTIVATE:
        TCustomControl::WndProc(m);
        if (Floating()) {
            const bool active = LOWORD(m.WParam) != WA_INACTIVE;
            TCustomForm* form = GetToolWindowParentForm(this);
            HWND formWnd = form && form->HandleAllocated() ? form->Handle() : nullptr;
            if (formWnd) SendMessageW(formWnd, WM_NCACTIVATE, active, 0);
            if (active) {
                if (!IsWindowVisible(Handle())) ActivateAnotherWindow(Handle());
                else if (formWnd && formWnd != reinterpret_cast<HWND>(m.LParam)) SetActiveWindow(formWnd);
            }
        }
        return;
    case WM_MOUSEACTIVATE:
        if (Floating()) {
            m.Result = MA_NOACTIVATE;
            SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            if (ActivateParent && FFloatingMode == fmOnTopOfParentForm && GetActiveWindow() != Handle())
                if (TCustomForm* form = GetToolWindowParentForm(this); form && form->HandleAllocated()) {
                    if (GetActiveWindow() != form->Handle()) SetActiveWindow(form->Handle());
                    SetWindowPos(form->Handle(), Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                }
            return;
        }
        break;
    case WM_ENABLE:
        TCustomControl::WndProc(m);
        if (FFloatingMode == fmOnTopOfAllForms) UpdateTopmostFlag();
        return;
    case CM_SHOWINGCHANGED:
        if (Floating() && HandleAllocated()) {
            ShowingChanged();
            return;
        }
        break;
    case WM_MOVE:
        TCustomControl::WndProc(m);
        if (UsesDockBackground()) {
            InvalidateDockedNCArea();
            Invalidate();
        }
        if (FDisableMove == 0 && !Loading() && OnMove && EventsEnabled()) OnMove(this);
        return;
    case WM_GETMINMAXINFO: {
        TCustomControl::WndProc(m);
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        info->ptMinTrackSize = {1, 1};
        info->ptMaxTrackSize = {32767, 32767};
        return;
    }
    case WM_CLOSE:
        if (TCustomForm* form = GetToolWindowParentForm(this); form && form->HandleAllocated())
            PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
        return;
    case CM_COLORCHANGED:
        TCustomControl::WndProc(m);
        if (FDocked) InvalidateDockedNCArea();
        return;
    case CM_TEXTCHANGED:
        TCustomControl::WndProc(m);
        if (Floating()) InvalidateFloatingNCArea(twrdCaption);
        return;
    case CM_VISIBLECHANGED:
        TCustomControl::WndProc(m);
        if (FDocked && FDockedTo) FDockedTo->ToolbarVisibilityChanged(this, false);
        if (OnVisibleChanged && EventsEnabled()) OnVisibleChanged(this);
        return;
    }
    TCustomControl::WndProc(m);
}
