#include "desktop.h"

#include "tools/screenshot/screen_png.h"

namespace e2e {

namespace {

// The pause after each event: the viewer reads its queue between them, as it
// would between a person's keystrokes.
constexpr DWORD kEventGap = 15;

void SendOne(INPUT input) {
    SendInput(1, &input, sizeof(INPUT));
    Sleep(kEventGap);
}

INPUT MouseInput(POINT at, DWORD flags, DWORD data = 0) {
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

bool IsExtendedKey(WORD key) {
    switch (key) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
    case VK_INSERT: case VK_DELETE: case VK_RMENU: case VK_RCONTROL:
        return true;
    default:
        return false;
    }
}

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(key) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

}  // namespace

void MoveMouse(POINT at) { SendOne(MouseInput(at, 0)); }

void Click(POINT at, bool right) {
    MoveMouse(at);
    SendOne(MouseInput(at, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN));
    SendOne(MouseInput(at, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP));
}

void Drag(POINT from, POINT to) {
    MoveMouse(from);
    SendOne(MouseInput(from, MOUSEEVENTF_LEFTDOWN));
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
        MoveMouse({from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps});
        Sleep(20);
    }
    SendOne(MouseInput(to, MOUSEEVENTF_LEFTUP));
}

void Wheel(POINT at, int notches) {
    MoveMouse(at);
    SendOne(MouseInput(at, MOUSEEVENTF_WHEEL, static_cast<DWORD>(notches * WHEEL_DELTA)));
}

void Keys(std::initializer_list<WORD> keys) {
    for (WORD key : keys) SendOne(KeyInput(key, false));
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) SendOne(KeyInput(*it, true));
}

void Key(WORD key) { Keys({key}); }

void Type(const std::wstring& text) {
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

Image Grab(const RECT& r) {
    Image image;
    image.width = r.right - r.left;
    image.height = r.bottom - r.top;
    if (image.width <= 0 || image.height <= 0) return {};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, image.width, image.height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        image.pixels.assign(p, p + static_cast<size_t>(image.width) * image.height);
        for (uint32_t& px : image.pixels) px &= 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(dib);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

bool SavePng(const RECT& r, const std::wstring& path) {
    return screen_png::WriteScreenRect(r.left, r.top, r.right - r.left, r.bottom - r.top, path.c_str());
}

RECT ClientRectOnScreen(HWND wnd) {
    RECT r{};
    GetClientRect(wnd, &r);
    MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT WindowRectOf(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return r;
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

double ColourShare(const Image& image, uint32_t colour) {
    if (image.pixels.empty()) return 0;
    size_t n = 0;
    for (uint32_t px : image.pixels) n += px == colour;
    return static_cast<double>(n) / static_cast<double>(image.pixels.size());
}

std::wstring ClipboardText() {
    std::wstring text;
    for (int tries = 0; tries < 20 && !OpenClipboard(nullptr); ++tries) Sleep(50);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void EmptyClipboardText() {
    for (int tries = 0; tries < 20 && !OpenClipboard(nullptr); ++tries) Sleep(50);
    EmptyClipboard();
    CloseClipboard();
}

std::wstring WindowText(HWND wnd) {
    wchar_t text[1024] = {};
    GetWindowTextW(wnd, text, 1024);
    return text;
}

std::wstring ClassOf(HWND wnd) {
    wchar_t name[64] = {};
    GetClassNameW(wnd, name, 64);
    return name;
}

namespace {

BOOL CALLBACK AppendText(HWND wnd, LPARAM param) {
    auto* all = reinterpret_cast<std::wstring*>(param);
    *all += WindowText(wnd) + L"\n";
    return TRUE;
}

}  // namespace

std::wstring AllTexts(HWND wnd) {
    std::wstring all = WindowText(wnd) + L"\n";
    EnumChildWindows(wnd, AppendText, reinterpret_cast<LPARAM>(&all));
    return all;
}

}  // namespace e2e
