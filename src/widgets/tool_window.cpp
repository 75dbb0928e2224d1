#include "widgets/tool_window.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/canvas.h"
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

void ToolWindowHookProc(THookProcCode code, HWND wnd, uintptr_t, intptr_t) {
    for (TCustomToolWindow* bar : std::vector<TCustomToolWindow*>(FloatingBars())) {
        if (!bar->HandleAllocated()) continue;
        HWND barWnd = bar->Handle();
        switch (code) {
        case hpSendActivateApp:
        case hpSendWindowPosChanged:
            bar->Perform(CM_SHOWINGCHANGED);
            break;
        case hpPreDestroy:
            // A bar owned by a window that goes is re-owned by its own parent's window.
            if (GetWindow(barWnd, GW_OWNER) == wnd && bar->Parent() && bar->Parent()->HandleAllocated())
                SetWindowLongPtrW(barWnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(bar->Parent()->Handle()));
            break;
        default:
            break;
        }
    }
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
        params.Style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN | (Resizable ? WS_THICKFRAME : 0);
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
        FNonClientHeight = 2 * border.Y + (ShowCaption ? GetSystemMetrics(SM_CYSMCAPTION) : 0);
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
    return Resizable ? TPoint{GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)}
                     : TPoint{GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME)};
}

TPoint TCustomToolWindow::GetFloatingNCArea() const {
    TPoint border = GetFloatingBorderSize();
    return {border.X, border.Y + (ShowCaption ? GetSystemMetrics(SM_CYSMCAPTION) : 0)};
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
            DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE);
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
    if (!ShowCaption) return;
    const int captionHeight = GetSystemMetrics(SM_CYSMCAPTION);
    RECT caption{border.X, border.Y, r.right - border.X, border.Y + captionHeight - 1};
    const int captionColor = FInactiveCaption ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION;
    if (pending & twrdCaption) {
        FillRect(dc, &caption, GetSysColorBrush(captionColor));
        HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Sans Serif");
        HGDIOBJ old = SelectObject(dc, font);
        RECT text = caption;
        text.left += 1;
        text.right -= 1 + (FCloseButton ? captionHeight - 1 : 0);
        std::wstring shown = FitCaptionText(dc, AnsiToWide(Caption()), text.right - text.left);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(FInactiveCaption ? COLOR_INACTIVECAPTIONTEXT : COLOR_CAPTIONTEXT));
        DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SelectObject(dc, old);
        DeleteObject(font);
        RECT line{caption.left, caption.bottom, caption.right, caption.bottom + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
    }
    if ((pending & twrdCloseButton) && FCloseButton) {
        const int side = captionHeight - 1;
        RECT square{caption.right - side, caption.top, caption.right, caption.top + side};
        FrameRect(dc, &square, GetSysColorBrush(captionColor));
        InflateRect(&square, -1, -1);
        DrawFrameControl(dc, &square, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    }
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
        TCustomControl::WndProc(m);
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
            if (m.Result >= HTLEFT && m.Result <= HTBOTTOMRIGHT) m.Result = HTNOWHERE;
            if (m.Result != HTCLIENT && m.Result != HTNOWHERE) m.Result = HTCLIENT;
        }
        return;
    }
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
