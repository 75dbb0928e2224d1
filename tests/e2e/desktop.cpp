#include "desktop.h"

#include "tools/screenshot/screen_png.h"

namespace e2e {

Image Grab(const RECT& r) {
    Image image;
    if (!screen_png::CaptureScreenRect(r.left, r.top, r.right - r.left, r.bottom - r.top, image.pixels)) return {};
    image.width = r.right - r.left;
    image.height = r.bottom - r.top;
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

HWND ChildWithText(HWND parent, const std::wstring& text) {
    struct Search {
        const std::wstring* text;
        HWND found;
    } search{&text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (!IsWindowVisible(wnd) || WindowText(wnd) != *s->text) return TRUE;
            s->found = wnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace e2e
