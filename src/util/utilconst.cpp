#include "util/utilconst.h"

#include "framework/controls.h"
#include "framework/cp1251.h"
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

std::string LoadUtilString(unsigned id) {
    // The library's own texts, for a program that links the library without
    // its string table; the table, where present, still replaces them.
    static constexpr struct {
        unsigned id;
        const char* text;
    } kBuiltIn[] = {
        {utilconst::SFOpenError, "Cannot open file %s"},
        {utilconst::SFCreateError, "Cannot create file %s"},
        {utilconst::SReadError, "Stream read error"},
        {utilconst::SWriteError, "Stream write error"},
        {utilconst::SHelpButton, "&Help"},
    };
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length > 0 && text) return WideToAnsi(std::wstring(text, static_cast<size_t>(length)));
    for (const auto& entry : kBuiltIn)
        if (entry.id == id) return entry.text;
    return {};
}

std::string UtilMessage(unsigned id, const std::string& argument) {
    std::string text = LoadUtilString(id);
    if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, argument);
    return text;
}
