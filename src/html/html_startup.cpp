#ifdef _WIN32

#include "html/html_startup.h"

#include "framework/controls.h"
#include "framework/win.h"
#include "html/html_types.h"
#include "images/engine_palette.h"

TBitmap* DefBitMap = nullptr;
TBitmap* ErrorBitMap = nullptr;
TBitmap* ErrorBitmapMask = nullptr;
TMemoryStream* WaitStream = nullptr;

namespace {

bool gStarted = false;

TBitmap* LoadResourceBitmap(int id) {
    auto* bitmap = new TBitmap;
    if (HBITMAP handle = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)))
        bitmap->SetHandle(handle);
    else
        bitmap->SetSize(16, 16);
    return bitmap;
}

HCURSOR LoadEngineCursor(const wchar_t* name, const wchar_t* fallback) {
    if (HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), name)) return cursor;
    return LoadCursorW(nullptr, fallback);
}

}  // namespace

void InitHtmlEngine() {
    if (gStarted) return;
    gStarted = true;
    InitEnginePalette();
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(&version)) {
        IsWin32Platform = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
        IsWin95 = IsWin32Platform && version.dwMinorVersion < 10;
    }
    DefBitMap = LoadResourceBitmap(1002);
    ErrorBitMap = LoadResourceBitmap(1001);
    ErrorBitmapMask = LoadResourceBitmap(1005);
    SetScreenCursor(HandCursor, LoadEngineCursor(MAKEINTRESOURCEW(1003), IDC_HAND));
    SetScreenCursor(ThickIBeamCursor, LoadEngineCursor(MAKEINTRESOURCEW(1006), IDC_IBEAM));
    SetScreenCursor(UpDownCursor, LoadEngineCursor(L"UPDOWNCURSOR", IDC_SIZENS));
    SetScreenCursor(UpOnlyCursor, LoadEngineCursor(L"UPONLYCURSOR", IDC_UPARROW));
    SetScreenCursor(DownOnlyCursor, LoadEngineCursor(L"DOWNONLYCURSOR", IDC_SIZENS));
    WaitStream = new TMemoryStream;
}

void DoneHtmlEngine() {
    if (!gStarted) return;
    gStarted = false;
    DoneEnginePalette();
    FreeAndNil(DefBitMap);
    FreeAndNil(ErrorBitMap);
    FreeAndNil(ErrorBitmapMask);
    FreeAndNil(WaitStream);
}

#endif
