#include "framework/capture_loop.h"

#include "framework/win.h"

bool CtrlKeyDown() {
    // The queue's state can lag behind keys that went to another thread.
    return (GetKeyState(VK_CONTROL) & 0x8000) != 0 || (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
}

TCapturedLoop::TCapturedLoop(HWND wnd) : FWnd(wnd) {
    SetCapture(wnd);
}

TCapturedLoop::~TCapturedLoop() {
    if (GetCapture() == FWnd) ReleaseCapture();
}

TCaptureLoopEnd TCapturedLoop::Run(const TCaptureLoopHandlers& handlers) {
    auto moved = [&](POINT p) {
        if (handlers.Move) handlers.Move({p.x, p.y});
    };
    auto cursorNow = [] {
        POINT p;
        GetCursorPos(&p);
        return p;
    };
    MSG msg;
    for (;;) {
        if (GetCapture() != FWnd) return TCaptureLoopEnd::Cancelled;
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return TCaptureLoopEnd::Cancelled;
        }
        if (got < 0) return TCaptureLoopEnd::Cancelled;
        switch (msg.message) {
        case WM_MOUSEMOVE: {
            // The message's own point: the cursor may already be elsewhere.
            POINT p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
            ClientToScreen(msg.hwnd, &p);
            moved(p);
            continue;
        }
        case WM_LBUTTONUP:
            // The release takes what the last move showed.
            return TCaptureLoopEnd::Accepted;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            continue;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            return TCaptureLoopEnd::Cancelled;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (msg.wParam == VK_ESCAPE) return TCaptureLoopEnd::Cancelled;
            if (msg.wParam == VK_CONTROL) {
                moved(cursorNow());
                continue;
            }
            if (handlers.KeyDown && handlers.KeyDown(static_cast<unsigned>(msg.wParam))) continue;
            continue;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (msg.wParam == VK_CONTROL) moved(cursorNow());
            continue;
        case WM_CHAR:
        case WM_SYSCHAR:
            continue;
        default:
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}
