#include "timed_steps.h"

#include <cstdio>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/win.h"
#include "support/test_support.h"

namespace widget_tests {

namespace {

const std::vector<std::function<void()>>* gSteps = nullptr;
size_t gNext = 0;
// Why the next step must wait, or nullptr when this thread has taken in all
// the input injected so far. Under load the system delivers injected input
// late: a step that ran on time alone would release before the press had
// started a drag, or before the drag had seen the last move.
const char* Unsettled() {
    // Also makes the driver hand over the events it holds.
    if (HIWORD(GetQueueStatus(QS_INPUT))) return "input still queued";
    // The thread's button state follows the messages it has read; the
    // asynchronous state follows what was injected.
    for (int vk : {VK_LBUTTON, VK_RBUTTON})
        if ((GetKeyState(vk) < 0) != (GetAsyncKeyState(vk) < 0)) return "a press or release not yet read";
    return nullptr;
}

const char* gWaitingFor = nullptr;
DWORD gStart = 0, gDeadline = 0;
bool gLate = false;

void CALLBACK RunNextStep(HWND, UINT, UINT_PTR, DWORD) {
    if (!gSteps || gNext >= gSteps->size()) return;
    // The timer ticks again; the step runs once the input before it is in.
    // Past the deadline it runs all the same: a step may be what ends the
    // modal loop this runs in, and the test is to fail, not hang.
    if ((gWaitingFor = Unsettled())) {
        if (GetTickCount() - gStart < gDeadline) return;
        if (!gLate) std::printf("Timed steps: step %zu ran late, waiting for: %s\n", gNext + 1, gWaitingFor);
        gLate = true;
    }
    // The step may start a modal loop that runs further steps from inside.
    const size_t index = gNext++;
    (*gSteps)[index]();
}

// Where the last MoveMouse sent the pointer, in the absolute input units.
bool gMoved = false;
DWORD gMoveX = 0, gMoveY = 0;

// Presses and releases carry the place of the last move: under a Wine virtual
// desktop a late pointer event from an earlier move can still put the cursor
// back where it was, and a press without a place lands there.
void MouseEvent(DWORD flags) {
    if (gMoved)
        mouse_event(flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, gMoveX, gMoveY, 0, 0);
    else
        mouse_event(flags, 0, 0, 0, 0);
}

}  // namespace

bool RunSteps(const std::vector<std::function<void()>>& steps, int intervalMs, int deadlineMs) {
    // The last script's clicks must not pair with this one's into double clicks.
    Pump(static_cast<int>(GetDoubleClickTime()) + 50);
    gSteps = &steps;
    gNext = 0;
    gWaitingFor = nullptr;
    gLate = false;
    gStart = GetTickCount();
    gDeadline = static_cast<DWORD>(deadlineMs);
    UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(intervalMs), RunNextStep);
    // Leaves no step behind that could still end a modal loop.
    while (gNext < steps.size() && GetTickCount() - gStart < gDeadline + 2000u) {
        Application->ProcessMessages();
        Sleep(5);
    }
    const bool done = gNext >= steps.size() && !gLate;
    KillTimer(nullptr, timer);
    if (gNext < steps.size()) std::printf("Timed steps: step %zu of %zu did not run\n", gNext + 1, steps.size());
    gSteps = nullptr;
    Pump(100);
    return done;
}

void Pump(int ms) {
    const DWORD start = GetTickCount();
    do {
        Application->ProcessMessages();
        Sleep(5);
    } while (GetTickCount() - start < static_cast<DWORD>(ms));
}

void MoveMouse(int x, int y) {
    // Absolute input alone, as a mouse gives it: SetCursorPos warps the
    // pointer behind the input stream's back, and the desktop reports that
    // warp as a move of its own, possibly after later ones.
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    gMoved = true;
    gMoveX = static_cast<DWORD>((x * 65536 + w - 1) / w);
    gMoveY = static_cast<DWORD>((y * 65536 + h - 1) / h);
    mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, gMoveX, gMoveY, 0, 0);
    // Lets the driver take in the move before the next injected event (a
    // peek makes it read its events; nothing is removed or dispatched), until
    // the cursor is where it was sent; bounded, so a test fails, not hangs.
    const DWORD start = GetTickCount();
    MSG msg;
    POINT at{};
    do {
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        Sleep(2);
        GetCursorPos(&at);
    } while ((GetTickCount() - start < 30 || at.x != x || at.y != y) && GetTickCount() - start < 2000);
}
void LeftDown() { MouseEvent(MOUSEEVENTF_LEFTDOWN); }
void LeftUp() { MouseEvent(MOUSEEVENTF_LEFTUP); }
void RightDown() { MouseEvent(MOUSEEVENTF_RIGHTDOWN); }
void RightUp() { MouseEvent(MOUSEEVENTF_RIGHTUP); }

void Key(unsigned vk, bool up) {
    keybd_event(static_cast<BYTE>(vk), static_cast<BYTE>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), up ? KEYEVENTF_KEYUP : 0, 0);
}

void Tap(unsigned vk) {
    Key(vk, false);
    Key(vk, true);
}

unsigned ScreenPixel(int x, int y) {
    HDC dc = GetDC(nullptr);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

std::vector<unsigned> ScreenPixels(const TRect& r) {
    std::vector<unsigned> out;
    HDC dc = GetDC(nullptr);
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) out.push_back(GetPixel(dc, x, y));
    ReleaseDC(nullptr, dc);
    return out;
}

std::string ScreenshotDir() {
    static std::string dir;
    if (dir.empty()) {
        dir = testing_support::BinaryDir() + "\\tests\\widget_screenshots";
        // Absolute: tests that work in a folder of their own change the current one.
        char full[MAX_PATH];
        if (GetFullPathNameA(dir.c_str(), MAX_PATH, full, nullptr) - 1 < MAX_PATH - 1) dir = full;
        CreateDirectoryA(dir.c_str(), nullptr);
        std::printf("Widget screenshots go to %s\n", dir.c_str());
    }
    return dir;
}

void SaveScreenshot(const std::string& name, const TRect& r) {
    TBitmap shot;
    shot.SetSize(r.Width(), r.Height());
    HDC screen = GetDC(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, r.Width(), r.Height(), screen, r.Left, r.Top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    shot.SaveToFile(ScreenshotDir() + "/" + name + ".bmp");
}

}  // namespace widget_tests
