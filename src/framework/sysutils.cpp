// The platform half of sysutils.h: casing and collation of code page 1251 text
// through UTF-16, and file names through the W functions.
#include "framework/sysutils.h"

#include <vector>

#include "framework/cp1251.h"
#include "framework/win.h"

namespace {

// Collation follows the Russian rules whatever the system locale is, so sorted
// lists come out the same on every machine.
const LCID kCollationLocale = MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT);

using CaseMapper = DWORD(WINAPI*)(LPWSTR, DWORD);

// Maps each character through UTF-16; a character whose other case has no
// code page 1251 form (the micro sign's capital is Greek) keeps its byte.
std::string MapCase(std::string_view s, CaseMapper mapper) {
    std::string out(s);
    if (s.empty()) return out;
    std::wstring wide = AnsiToWide(s);
    mapper(wide.data(), static_cast<DWORD>(wide.size()));
    for (size_t i = 0; i < out.size(); ++i) {
        char mapped;
        if (WideCharToAnsiChar(wide[i], mapped)) out[i] = mapped;
    }
    return out;
}

int Collate(std::string_view a, std::string_view b, DWORD flags) {
    const std::wstring wa = AnsiToWide(a);
    const std::wstring wb = AnsiToWide(b);
    const int result = CompareStringW(kCollationLocale, flags, wa.data(), static_cast<int>(wa.size()),
                                      wb.data(), static_cast<int>(wb.size()));
    if (result != 0) return result - CSTR_EQUAL;
    // Only invalid arguments fail; order by units then.
    return wa.compare(wb) < 0 ? -1 : (wa == wb ? 0 : 1);
}

std::wstring WidePath(std::string_view name) { return AnsiToWide(name); }

}  // namespace

std::string SysErrorMessage(unsigned long errorCode) {
    wchar_t buffer[1024];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  errorCode, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                          buffer[length - 1] == L' '))
        --length;
    if (length == 0) return Format("System error %lu", errorCode);
    return WideToAnsi(std::wstring_view(buffer, length));
}

void RaiseLastWin32Error() {
    const DWORD code = GetLastError();
    if (code == ERROR_SUCCESS) throw EWin32Error("A call to an operating system function failed");
    throw EWin32Error(Format("System error, code %lu. %s", code, SysErrorMessage(code).c_str()));
}

std::string AnsiUpperCase(std::string_view s) { return MapCase(s, CharUpperBuffW); }

std::string AnsiLowerCase(std::string_view s) { return MapCase(s, CharLowerBuffW); }

int AnsiCompareText(std::string_view a, std::string_view b) { return Collate(a, b, NORM_IGNORECASE); }

int AnsiCompareStr(std::string_view a, std::string_view b) { return Collate(a, b, 0); }

std::string AnsiCompareTextKey(std::string_view s) {
    const std::wstring wide = AnsiToWide(s);
    const int length = static_cast<int>(wide.size());
    const int size = LCMapStringW(kCollationLocale, LCMAP_SORTKEY | NORM_IGNORECASE, wide.data(), length, nullptr, 0);
    std::string key(static_cast<size_t>(size), '\0');
    if (size > 0 && LCMapStringW(kCollationLocale, LCMAP_SORTKEY | NORM_IGNORECASE, wide.data(), length,
                                 reinterpret_cast<wchar_t*>(key.data()), size) == size)
        return key;
    // Collate orders by units when the platform fails; so do the keys.
    return "\x01" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

bool SameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

std::string ExpandFileName(std::string_view name) {
    if (name.empty()) return {};
    const std::wstring wide = WidePath(name);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
        if (length == 0) return std::string(name);
        if (length < buffer.size()) return WideToAnsi(std::wstring_view(buffer.data(), length));
        buffer.resize(length + 1);
    }
}

bool FileExists(std::string_view name) {
    const DWORD attributes = GetFileAttributesW(WidePath(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view name) {
    const DWORD attributes = GetFileAttributesW(WidePath(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFile(std::string_view name) { return DeleteFileW(WidePath(name).c_str()) != 0; }

std::string GetCurrentDir() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) return WideToAnsi(std::wstring_view(buffer.data(), length));
        buffer.resize(length);
    }
}

bool SetCurrentDir(std::string_view dir) { return SetCurrentDirectoryW(WidePath(dir).c_str()) != 0; }
