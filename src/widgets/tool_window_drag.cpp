// The interactive half of the tool window: dragging a bar between docks and
// the floating state, and sizing a floating bar from its borders. Each runs
// as a captured modal loop with an outline drawn on the locked desktop.
#include <algorithm>
#include <cstdlib>

#include "framework/application.h"
#include "framework/capture_loop.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "widgets/tool_window.h"

namespace {

// Distances given at 96 pixels per inch.
int Scaled(int pixels) {
    return MulDiv(pixels, Screen ? Screen->PixelsPerInch() : 96, 96);
}

RECT ToRECT(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

// The frame between `r` and `r` inset by the thickness; empty for an empty rectangle.
HRGN FrameRegion(const TRect& r, int thickness) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) return CreateRectRgn(0, 0, 0, 0);
    HRGN outer = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
    HRGN inner = CreateRectRgn(r.Left + thickness, r.Top + thickness, r.Right - thickness, r.Bottom - thickness);
    CombineRgn(outer, outer, inner, RGN_DIFF);
    DeleteObject(inner);
    return outer;
}

// Holds the desktop locked against updates and its DC for the outline, and
// puts back everything a loop took, whichever way the loop ends.
class TOutlineSession {
public:
    TOutlineSession() {
        FLocked = LockWindowUpdate(GetDesktopWindow()) != FALSE;
        FDC = GetDCEx(GetDesktopWindow(), nullptr, DCX_CACHE | (FLocked ? DCX_LOCKWINDOWUPDATE : 0));
    }
    ~TOutlineSession() {
        Erase();
        if (FDC) ReleaseDC(GetDesktopWindow(), FDC);
        if (FLocked) LockWindowUpdate(nullptr);
    }
    TOutlineSession(const TOutlineSession&) = delete;
    TOutlineSession& operator=(const TOutlineSession&) = delete;

    // Erases the outline drawn last and draws the new one in one step.
    void Move(const TRect& r, int thickness) {
        DrawDraggingOutline(FDC, &r, FShown ? &FRect : nullptr, thickness, FThickness);
        FRect = r;
        FThickness = thickness;
        FShown = true;
    }
    void Erase() {
        if (!FShown || !FDC) return;
        DrawDraggingOutline(FDC, nullptr, &FRect, 0, FThickness);
        FShown = false;
    }

private:
    bool FLocked = false;
    HDC FDC = nullptr;
    bool FShown = false;
    TRect FRect{};
    int FThickness = 0;
};

// Keeps the cursor confined while sizing; the previous clip comes back.
class TCursorClip {
public:
    explicit TCursorClip(const RECT* area) {
        if (!area) return;
        GetClipCursor(&FOld);
        FActive = ClipCursor(area) != FALSE;
    }
    ~TCursorClip() {
        if (FActive) ClipCursor(&FOld);
    }
    TCursorClip(const TCursorClip&) = delete;
    TCursorClip& operator=(const TCursorClip&) = delete;

private:
    RECT FOld{};
    bool FActive = false;
};

void ProcessPendingPaints() {
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
        DispatchMessageW(&msg);
}

RECT WorkAreaAt(POINT p) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &info)) return info.rcWork;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// Docks inside `control`, docks of a level before the ones nested deeper.
void CollectDocks(TWinControl* control, std::vector<TDock*>& docks) {
    for (int i = 0; i < control->ControlCount(); ++i)
        if (auto* dock = dynamic_cast<TDock*>(control->Controls(i))) docks.push_back(dock);
    for (int i = 0; i < control->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(control->Controls(i));
        if (child && !dynamic_cast<TDock*>(child)) CollectDocks(child, docks);
    }
}

}  // namespace

void DrawDraggingOutline(HDC dc, const TRect* newRect, const TRect* oldRect, int newThickness, int oldThickness) {
    if (!dc) return;
    // An 8 x 8 checkerboard: PATINVERT twice gives the pixels back.
    static const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, pattern);
    HBRUSH brush = CreatePatternBrush(bitmap);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (newRect) {
        HRGN r = FrameRegion(*newRect, newThickness);
        CombineRgn(region, region, r, RGN_XOR);
        DeleteObject(r);
    }
    if (oldRect) {
        HRGN r = FrameRegion(*oldRect, oldThickness);
        CombineRgn(region, region, r, RGN_XOR);
        DeleteObject(r);
    }
    const int saved = SaveDC(dc);
    SelectClipRgn(dc, region);
    RECT box;
    GetRgnBox(region, &box);
    HGDIOBJ old = SelectObject(dc, brush);
    PatBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, PATINVERT);
    SelectObject(dc, old);
    RestoreDC(dc, saved);
    DeleteObject(region);
    DeleteObject(brush);
    DeleteObject(bitmap);
}

TPoint TCustomToolWindow::FloatingWindowSize() {
    const TPoint client = OrderControls(false, dtNotDocked, nullptr);
    const TPoint border = GetFloatingBorderSize();
    return {client.X + 2 * border.X,
            client.Y + 2 * border.Y + (FShowCaption ? FloatingCaptionHeight() : 0)};
}

TPoint TCustomToolWindow::DockedWindowSize(TDock* dock) {
    TPoint size;
    if (FDocked && dock == FDockedTo) {
        size = {ClientWidth(), ClientHeight()};
    } else {
        size = OrderControls(false, GetDockTypeOf(dock), dock);
        int barSize = 0;
        GetBarSize(barSize, GetDockTypeOf(dock));
        if (GetDockTypeOf(dock) == dtLeftRight) size.X = std::max(size.X, barSize);
        else size.Y = std::max(size.Y, barSize);
    }
    size.X += 2 * kDockedFrameSize;
    size.Y += 2 * kDockedFrameSize;
    if (dock->AllowDrag) {
        const int handle = HandleThickness();
        if (GetDockTypeOf(dock) == dtLeftRight) size.Y += handle;
        else size.X += handle;
    }
    return size;
}

std::vector<TDock*> TCustomToolWindow::CandidateDocks() {
    std::vector<TDock*> result;
    if (DockMode == dmCannotFloatOrChangeDocks) {
        if (FDocked && FDockedTo) result.push_back(FDockedTo);
        return result;
    }
    std::vector<TCustomForm*> forms{ValidToolWindowParentForm(this)};
    for (TCustomForm* f : FDockForms)
        if (std::find(forms.begin(), forms.end(), f) == forms.end()) forms.push_back(f);
    for (TCustomForm* form : forms) {
        std::vector<TDock*> docks;
        CollectDocks(form, docks);
        for (TDock* dock : docks)
            if (dock->Showing() && dock->AllowDrag && (DockableTo & (1u << dock->Position()))) result.push_back(dock);
    }
    return result;
}

void TCustomToolWindow::BeginMoving(int initX, int initY) {
    struct Candidate {
        TDock* Dock;
        TPoint Size;
    };
    std::vector<Candidate> candidates;
    for (TDock* dock : CandidateDocks()) candidates.push_back({dock, DockedWindowSize(dock)});
    const TPoint floatingSize = FloatingWindowSize();
    const bool canFloat = DockMode == dmCanFloat;
    const TPoint border = GetFloatingBorderSize();

    RECT startWindow;
    GetWindowRect(Handle(), &startWindow);
    const TPoint startSize{startWindow.right - startWindow.left, startWindow.bottom - startWindow.top};
    // The grab point: where the press was, relative to the bar's outer size.
    const TPoint nc = FDocked ? GetDockedNCArea() : GetFloatingNCArea();
    const TPoint grab{initX + nc.X, initY + nc.Y};
    POINT startCursor;
    GetCursorPos(&startCursor);
    auto placeAt = [&](TPoint cursor, TPoint size) {
        const int gx = startSize.X > 0 ? MulDiv(grab.X, size.X, startSize.X) : 0;
        const int gy = startSize.Y > 0 ? MulDiv(grab.Y, size.Y, startSize.Y) : 0;
        return TRect{cursor.X - gx, cursor.Y - gy, cursor.X - gx + size.X, cursor.Y - gy + size.Y};
    };

    TDock* target = nullptr;
    TRect outline{};
    bool moved = false;
    HCURSOR noCursor = LoadCursorW(nullptr, IDC_NO);
    auto track = [&](TOutlineSession& session, TPoint cursor) {
        if (!moved && std::abs(cursor.X - startCursor.x) < 1 && std::abs(cursor.Y - startCursor.y) < 1) return;
        moved = true;
        target = nullptr;
        if (!CtrlKeyDown()) {
            for (const Candidate& c : candidates) {
                RECT w;
                GetWindowRect(c.Dock->Handle(), &w);
                const bool vertical = c.Dock->Position() == dpLeft || c.Dock->Position() == dpRight;
                if (vertical && w.right == w.left) ++w.right;
                if (!vertical && w.bottom == w.top) ++w.bottom;
                if (vertical) InflateRect(&w, Scaled(20), Scaled(32));
                else InflateRect(&w, Scaled(32), Scaled(20));
                const TRect r = placeAt(cursor, c.Size);
                RECT rr = ToRECT(r), overlap;
                if (!PtInRect(&w, POINT{cursor.X, cursor.Y}) || !IntersectRect(&overlap, &rr, &w)) continue;
                bool accept = true;
                if (c.Dock->OnRequestDock && c.Dock->EventsEnabled()) c.Dock->OnRequestDock(c.Dock, this, accept);
                if (!accept) continue;
                target = c.Dock;
                outline = r;
                break;
            }
        }
        if (target) {
            ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            session.Move(outline, 1);
            return;
        }
        if (!canFloat) {
            ::SetCursor(noCursor);
            outline = {};
            session.Move(outline, 1);
            return;
        }
        ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        // Kept on the monitor under the cursor.
        const RECT work = WorkAreaAt(POINT{cursor.X, cursor.Y});
        const int margin = border.X + 4;
        TPoint p{std::clamp<int>(cursor.X, work.left + margin, std::max<int>(work.left + margin, work.right - margin)),
                 std::clamp<int>(cursor.Y, work.top + margin, std::max<int>(work.top + margin, work.bottom - margin))};
        if (p.X != cursor.X || p.Y != cursor.Y) SetCursorPos(p.X, p.Y);
        outline = placeAt(p, floatingSize);
        session.Move(outline, border.X);
    };

    ProcessPendingPaints();
    TCaptureLoopEnd end;
    {
        TOutlineSession session;
        TCapturedLoop loop(Handle());
        end = loop.Run({[&](TPoint p) { track(session, p); }, {}});
    }
    if (end != TCaptureLoopEnd::Accepted || !moved) return;

    if (target) {
        const bool vertical = target->Position() == dpLeft || target->Position() == dpRight;
        const TPoint origin = target->ClientToScreen({0, 0});
        const int across = vertical ? (outline.Left + outline.Right) / 2 - origin.X
                                    : (outline.Top + outline.Bottom) / 2 - origin.Y;
        const int along = vertical ? outline.Top - origin.Y : outline.Left - origin.X;
        bool before = false;
        int row = target->GetRowOf(across, before);
        const bool crowded = FullSize && target->GetNumberOfToolbarsOnRow(row, this) > 0;
        target->BeginUpdate();
        struct Release {
            TDock* dock;
            ~Release() { dock->EndUpdate(); }
        } release{target};
        if (before || crowded) target->InsertRowBefore(row);
        FDockRow = row;
        FDockPos = along;
        if (Parent() != target) SetParent(target);
        target->ArrangeToolbars(true);
    } else if (canFloat) {
        FFloatingTopLeft = {outline.Left, outline.Top};
        if (FDocked) SetParent(ValidToolWindowParentForm(this));
        else SetBounds(outline.Left, outline.Top, Width(), Height());
    } else {
        // It cannot float: it stays where it was.
        return;
    }
    MoveOnScreen(true);
}

void TCustomToolWindow::BeginSizing(TToolWindowSizeHandle handle) {
    if (!Floating()) return;
    int minWidth = 0, minHeight = 0;
    GetMinimumSize(minWidth, minHeight);
    const TPoint border = GetFloatingBorderSize();
    minWidth += 2 * border.X;
    minHeight += 2 * border.Y + (FShowCaption ? FloatingCaptionHeight() : 0);
    const TToolWindowParams params = GetParams();
    const bool left = handle == twshLeft || handle == twshTopLeft || handle == twshBottomLeft;
    const bool right = handle == twshRight || handle == twshTopRight || handle == twshBottomRight;
    const bool top = handle == twshTop || handle == twshTopLeft || handle == twshTopRight;
    const bool bottom = handle == twshBottom || handle == twshBottomLeft || handle == twshBottomRight;

    RECT w;
    GetWindowRect(Handle(), &w);
    const TRect start{w.left, w.top, w.right, w.bottom};
    TRect rect = start;
    POINT startCursor;
    GetCursorPos(&startCursor);
    const bool clip = params.ClipCursorWhileSizing && GetSystemMetrics(SM_CMONITORS) <= 1;
    RECT work{};
    if (clip) SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);

    ResizeBegin(handle);
    bool ended = false;
    auto finish = [&](bool accepted) {
        if (ended) return;
        ended = true;
        ResizeEnd(accepted);
    };
    TCaptureLoopEnd end = TCaptureLoopEnd::Cancelled;
    try {
        ProcessPendingPaints();
        TCursorClip cursorClip(clip ? &work : nullptr);
        TOutlineSession session;
        TCapturedLoop loop(Handle());
        session.Move(rect, border.X);
        end = loop.Run({[&](TPoint p) {
                            const int dx = p.X - startCursor.x, dy = p.Y - startCursor.y;
                            TRect r = start;
                            if (left) r.Left = std::min(start.Left + dx, start.Right - minWidth);
                            if (right) r.Right = std::max(start.Right + dx, start.Left + minWidth);
                            if (top) r.Top = std::min(start.Top + dy, start.Bottom - minHeight);
                            if (bottom) r.Bottom = std::max(start.Bottom + dy, start.Top + minHeight);
                            ResizeTrack(r, start);
                            rect = r;
                            session.Move(rect, border.X);
                        },
                        {}});
    } catch (...) {
        finish(false);
        throw;
    }
    const bool accepted = end == TCaptureLoopEnd::Accepted;
    finish(accepted);
    if (!accepted) return;
    BeginUpdate();
    struct Release {
        TCustomToolWindow* bar;
        ~Release() { bar->EndUpdate(); }
    } release{this};
    SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    MoveOnScreen(true);
}
