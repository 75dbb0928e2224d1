// Input as a person gives it: keystrokes and mouse events through SendInput,
// at screen coordinates, to whichever window has the focus. Shared by the
// viewer driver and the end-to-end tests.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace real_input {

// The pause after each event: the receiver reads its queue between them, as it
// would between a person's keystrokes.
constexpr DWORD kEventGap = 15;

inline void SendOne(INPUT input) {
    SendInput(1, &input, sizeof(INPUT));
    Sleep(kEventGap);
}

inline INPUT MouseInput(POINT at, DWORD flags, DWORD data = 0) {
    // Absolute coordinates are in 0..65535 over the primary screen.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((at.x * 65535LL + width / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((at.y * 65535LL + height / 2) / (height - 1));
    input.mi.mouseData = data;
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    return input;
}

inline bool IsExtendedKey(WORD key) {
    switch (key) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
    case VK_INSERT: case VK_DELETE: case VK_RMENU: case VK_RCONTROL:
        return true;
    default:
        return false;
    }
}

inline INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(key) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

inline void MoveMouse(POINT at) { SendOne(MouseInput(at, 0)); }

inline void Click(POINT at, bool right = false) {
    MoveMouse(at);
    SendOne(MouseInput(at, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN));
    SendOne(MouseInput(at, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP));
}

// Button down at `from`, moves in steps, button up at `to`.
inline void Drag(POINT from, POINT to) {
    MoveMouse(from);
    SendOne(MouseInput(from, MOUSEEVENTF_LEFTDOWN));
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
        MoveMouse({from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps});
        Sleep(20);
    }
    SendOne(MouseInput(to, MOUSEEVENTF_LEFTUP));
}

// Negative: towards the user (scrolls down).
inline void Wheel(POINT at, int notches) {
    MoveMouse(at);
    SendOne(MouseInput(at, MOUSEEVENTF_WHEEL, static_cast<DWORD>(notches * WHEEL_DELTA)));
}

// Presses the keys in order and releases them in reverse: {VK_CONTROL, 'C'}.
inline void Keys(std::initializer_list<WORD> keys) {
    for (WORD key : keys) SendOne(KeyInput(key, false));
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) SendOne(KeyInput(*it, true));
}

inline void Key(WORD key) { Keys({key}); }

// Each character as the keyboard's own character event (Cyrillic included):
// the receiver gets the WM_CHAR a Russian layout would give it.
inline void Type(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = c;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        SendOne(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendOne(input);
    }
}

}  // namespace real_input
