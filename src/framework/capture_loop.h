// A modal loop run while one window holds the mouse capture: the drags and
// sizings of bars and the pressed close buttons. The loop reads the thread's
// messages itself, so the caller sees every move at once, and it ends on the
// left button's release (accepted) or on Escape, another button, a lost
// capture or WM_QUIT (cancelled; WM_QUIT is posted again for the outer loop).
#pragma once

#include <functional>

#include "framework/graphics_types.h"

struct HWND__;
using HWND = HWND__*;

enum class TCaptureLoopEnd { Accepted, Cancelled };

struct TCaptureLoopHandlers {
    // The cursor moved (screen coordinates); also called when Ctrl goes down
    // or up, with the cursor where it is, so a drag can re-evaluate.
    std::function<void(TPoint screen)> Move;
    // Keys other than Escape, as they go down; true when used.
    std::function<bool(unsigned key)> KeyDown;
};

// Captures the mouse for `wnd` for the loop's lifetime; the capture is
// released on every way out, also when a handler raises.
class TCapturedLoop {
public:
    explicit TCapturedLoop(HWND wnd);
    ~TCapturedLoop();
    TCapturedLoop(const TCapturedLoop&) = delete;
    TCapturedLoop& operator=(const TCapturedLoop&) = delete;

    TCaptureLoopEnd Run(const TCaptureLoopHandlers& handlers);

private:
    HWND FWnd;
};

// Ctrl held now, as the keyboard reports it.
bool CtrlKeyDown();
