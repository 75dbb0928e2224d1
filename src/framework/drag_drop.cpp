#include "framework/drag_drop.h"

#include <cstdlib>

#include "framework/capture_loop.h"
#include "framework/controls.h"
#include "framework/win.h"

namespace {

// The drag under way; there is one mouse, so there is at most one.
struct TDragSession {
    TControl* Source = nullptr;
    TObject* DragObject = nullptr;
    HWND CaptureWindow = nullptr;
    TControl* Target = nullptr;
    TPoint TargetPoint;  // the last point, in the target's client pixels
    bool Accepted = false;
    bool Started = false;
    bool DropAsked = false;
};

TDragSession* gDrag = nullptr;

TPoint TargetClientPoint(TControl* target, TPoint screen) {
    if (auto* windowed = dynamic_cast<TWinControl*>(target)) {
        POINT p{screen.X, screen.Y};
        ::ScreenToClient(windowed->Handle(), &p);
        return {p.x, p.y};
    }
    POINT p{screen.X, screen.Y};
    ::ScreenToClient(target->Parent()->Handle(), &p);
    return {p.x - target->Left(), p.y - target->Top()};
}

void DragTo(TDragSession& drag, TPoint screen) {
    TControl* target = FindDragTarget(screen);
    TDragState state = dsDragMove;
    if (target != drag.Target) {
        if (drag.Target) {
            bool ignored = false;
            drag.Target->DragOver(drag.DragObject, drag.TargetPoint.X, drag.TargetPoint.Y, dsDragLeave, ignored);
        }
        drag.Target = target;
        state = dsDragEnter;
    }
    drag.Accepted = false;
    if (target) {
        drag.TargetPoint = TargetClientPoint(target, screen);
        target->DragOver(drag.DragObject, drag.TargetPoint.X, drag.TargetPoint.Y, state, drag.Accepted);
    }
    ::SetCursor(ScreenCursor(drag.Accepted ? drag.Source->DragCursor : crNoDrop));
}

// A cursor of 32 x 32 from a picture: 'X' black, 'o' white, anything else
// see-through; the hot spot at the top left.
HCURSOR CursorFromPicture(const char* const* rows, int count) {
    BYTE andMask[128], xorMask[128];
    for (int i = 0; i < 128; ++i) {
        andMask[i] = 0xFF;
        xorMask[i] = 0;
    }
    for (int y = 0; y < count && y < 32; ++y)
        for (int x = 0; rows[y][x] && x < 32; ++x) {
            const char c = rows[y][x];
            if (c != 'X' && c != 'o') continue;
            const int byte = y * 4 + x / 8;
            const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            andMask[byte] &= static_cast<BYTE>(~bit);
            if (c == 'o') xorMask[byte] |= bit;
        }
    return CreateCursor(GetModuleHandleW(nullptr), 0, 0, 32, 32, andMask, xorMask);
}

}  // namespace

TControl* FindDragTarget(TPoint screen) {
    TWinControl* control = nullptr;
    for (HWND wnd = WindowFromPoint(POINT{screen.X, screen.Y}); wnd && !control; wnd = GetParent(wnd))
        control = TWinControl::FindControl(wnd);
    if (!control) return nullptr;
    POINT p{screen.X, screen.Y};
    ::ScreenToClient(control->Handle(), &p);
    TControl* child = control->ControlAtPos({p.x, p.y}, false);
    if (child && !dynamic_cast<TWinControl*>(child)) return child;
    return control;
}

HCURSOR DragCursorHandle() {
    static const char* const kArrowWithPage[] = {
        "X",
        "XX",
        "XoX",
        "XooX",
        "XoooX",
        "XooooX",
        "XoooooX",
        "XooooooX",
        "XoooooooX",
        "XooooooooX",
        "XoooooXXXXX",
        "XooXooX",
        "XoXXooX",
        "XX  XooX",
        "X   XooX",
        "     XooX",
        "     XooX  XXXXXXXXX",
        "      XX   XoooooooX",
        "           XoooooooX",
        "           XoXXXXooX",
        "           XoooooooX",
        "           XoXXXXooX",
        "           XoooooooX",
        "           XXXXXXXXX",
    };
    static HCURSOR cursor = CursorFromPicture(kArrowWithPage, sizeof(kArrowWithPage) / sizeof(kArrowWithPage[0]));
    return cursor;
}

// ---- TControl's drag and drop

void TControl::BeginDrag(bool immediate, int threshold) {
    if (gDrag) return;
    HWND captureWindow = nullptr;
    if (auto* windowed = dynamic_cast<TWinControl*>(this))
        captureWindow = windowed->Handle();
    else if (FParent)
        captureWindow = FParent->Handle();
    if (!captureWindow) return;
    POINT origin;
    GetCursorPos(&origin);
    const int distanceX = threshold >= 0 ? threshold : GetSystemMetrics(SM_CXDRAG);
    const int distanceY = threshold >= 0 ? threshold : GetSystemMetrics(SM_CYDRAG);
    TDragSession drag;
    drag.Source = this;
    drag.CaptureWindow = captureWindow;
    gDrag = &drag;
    struct TForget {
        ~TForget() { gDrag = nullptr; }
    } forget;
    auto start = [&] {
        drag.Started = true;
        TObject* source = nullptr;
        DoStartDrag(source);
        drag.DragObject = source ? source : this;
    };
    TCaptureLoopEnd end;
    {
        TCapturedLoop loop(captureWindow);
        if (immediate) {
            start();
            DragTo(drag, {origin.x, origin.y});
        }
        TCaptureLoopHandlers handlers;
        handlers.Move = [&](TPoint screen) {
            if (!drag.Started) {
                if (std::abs(screen.X - origin.x) < distanceX && std::abs(screen.Y - origin.y) < distanceY) return;
                start();
            }
            DragTo(drag, screen);
        };
        end = loop.Run(handlers);
    }
    if (!drag.Started) return;
    TControl* target = drag.Target;
    const TPoint at = drag.TargetPoint;
    const bool dropped = target && drag.Accepted && (end == TCaptureLoopEnd::Accepted || drag.DropAsked);
    if (target) {
        bool ignored = false;
        target->DragOver(drag.DragObject, at.X, at.Y, dsDragLeave, ignored);
    }
    if (dropped) target->DragDrop(drag.DragObject, at.X, at.Y);
    // The window under the mouse sets its own cursor again.
    POINT p;
    if (GetCursorPos(&p)) SetCursorPos(p.x, p.y);
    if (dropped)
        DoEndDrag(target, at.X, at.Y);
    else
        DoEndDrag(nullptr, 0, 0);
}

void TControl::EndDrag(bool drop) {
    if (!gDrag || gDrag->Source != this) return;
    gDrag->DropAsked = drop;
    // The loop ends when its window loses the mouse.
    if (GetCapture() == gDrag->CaptureWindow) ReleaseCapture();
}

bool TControl::Dragging() const {
    return gDrag && gDrag->Source == this;
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = static_cast<bool>(OnDragOver) && EventsEnabled();
    if (accept) OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
    if (OnDragDrop && EventsEnabled()) OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag(TObject*& source) {
    if (OnStartDrag && EventsEnabled()) OnStartDrag(this, source);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
    if (OnEndDrag && EventsEnabled()) OnEndDrag(this, target, x, y);
}
