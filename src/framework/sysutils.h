// The framework's exception tree and the 8-bit string helpers every subsystem uses.
// 8-bit strings are code page 1251 throughout; see cp1251.h for conversions.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;  // code page 1251
};

#define FW_DECLARE_EXCEPTION(Name, Base) \
    class Name : public Base {           \
    public:                              \
        using Base::Base;                \
    };

FW_DECLARE_EXCEPTION(EAbort, Exception)
FW_DECLARE_EXCEPTION(EOutOfMemory, Exception)
FW_DECLARE_EXCEPTION(EInOutError, Exception)
FW_DECLARE_EXCEPTION(EConvertError, Exception)
FW_DECLARE_EXCEPTION(EListError, Exception)
FW_DECLARE_EXCEPTION(EStringListError, Exception)
FW_DECLARE_EXCEPTION(EStreamError, Exception)
FW_DECLARE_EXCEPTION(EFCreateError, EStreamError)
FW_DECLARE_EXCEPTION(EFOpenError, EStreamError)
FW_DECLARE_EXCEPTION(EFilerError, EStreamError)
FW_DECLARE_EXCEPTION(EReadError, EFilerError)
FW_DECLARE_EXCEPTION(EWriteError, EFilerError)
FW_DECLARE_EXCEPTION(EResNotFound, Exception)
FW_DECLARE_EXCEPTION(EInvalidOperation, Exception)
FW_DECLARE_EXCEPTION(EInvalidPointer, Exception)
FW_DECLARE_EXCEPTION(EOutOfResources, Exception)
FW_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
FW_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
FW_DECLARE_EXCEPTION(EPrinter, Exception)
FW_DECLARE_EXCEPTION(ERegistryException, Exception)
FW_DECLARE_EXCEPTION(EComponentError, Exception)
FW_DECLARE_EXCEPTION(EMenuError, Exception)
FW_DECLARE_EXCEPTION(EWin32Error, Exception)

// The system's text for an error code, in code page 1251, without a trailing line break.
std::string SysErrorMessage(unsigned long errorCode);
// Raises EWin32Error with the system's text for the calling thread's last error.
[[noreturn]] void RaiseLastWin32Error();

// mingw-w64 formats through its own C99 printf, so the checks are GNU's.
#ifdef __MINGW_PRINTF_FORMAT
#define FW_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define FW_PRINTF_FORMAT printf
#endif

// printf-style formatting into a std::string (no locale: '.' is the decimal point).
std::string Format(const char* format, ...) __attribute__((format(FW_PRINTF_FORMAT, 1, 2)));

std::string IntToStr(int64_t value);
// Decimal integer with optional sign and surrounding blanks; "$" prefix for hex.
// Raises EConvertError "'text' is not a valid integer value".
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int fallback);
bool TryStrToInt(std::string_view text, int& value);
std::string IntToHex(uint64_t value, int digits);

// Blanks and control characters (<= ' ') trimmed.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Case mapping and comparison of code page 1251 text by the platform's rules for
// that code page (never the system's ANSI code page).
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
int AnsiCompareText(std::string_view a, std::string_view b);
// The collation key of a text: equal for exactly the texts AnsiCompareText
// takes as equal, so such texts can be grouped through a hash.
std::string AnsiCompareTextKey(std::string_view s);
int AnsiCompareStr(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
// ASCII-only case mapping, as used for keys and tags.
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
int CompareText(std::string_view a, std::string_view b);
// Whether two short texts (tag, class and keyword names) are the same bytes,
// compared in place: a call into the C library costs more than the compare.
inline bool SameBytes(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}
// Where `c` first occurs in `s` at or after `from`, or npos. Sixteen bytes
// are looked at a time, for looks across a whole page.
size_t FindByte(std::string_view s, char c, size_t from = 0);

// File name parts of 8-bit names ('\\' and '/' separate, ':' ends a drive).
std::string ExtractFilePath(std::string_view name);
std::string ExtractFileName(std::string_view name);
std::string ExtractFileExt(std::string_view name);
std::string ChangeFileExt(std::string_view name, std::string_view ext);
std::string IncludeTrailingBackslash(std::string_view path);
std::string ExcludeTrailingBackslash(std::string_view path);
std::string ExpandFileName(std::string_view name);
bool FileExists(std::string_view name);
bool DirectoryExists(std::string_view name);
bool DeleteFile(std::string_view name);
std::string GetCurrentDir();
bool SetCurrentDir(std::string_view dir);
