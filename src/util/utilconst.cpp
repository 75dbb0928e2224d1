#include "util/utilconst.h"

#include "framework/controls.h"
#include "framework/win.h"

namespace {

// The resource holds a cursor resource's data (hot spot, then bitmap) as plain
// data: the linker cannot merge cursor resources from two resource scripts.
HCURSOR CursorFromResource(HMODULE module, const wchar_t* name) {
    HRSRC info = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!info) return nullptr;
    HGLOBAL data = LoadResource(module, info);
    void* bytes = data ? LockResource(data) : nullptr;
    const DWORD size = SizeofResource(module, info);
    if (!bytes || size < 4 + sizeof(BITMAPINFOHEADER)) return nullptr;
    return CreateIconFromResourceEx(static_cast<PBYTE>(bytes), size, FALSE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
}

}  // namespace

void InstallUtilCursors() {
    HMODULE module = GetModuleHandleW(nullptr);
    if (HCURSOR hand = CursorFromResource(module, L"UTIL_HANDCUR")) SetScreenCursor(UtilHandCursor, hand);
    if (HCURSOR drag = CursorFromResource(module, L"UTIL_DRAGCUR")) SetScreenCursor(UtilDragCursor, drag);
}
