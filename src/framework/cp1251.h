// Code page 1251 <-> UTF-16, by table: the conversion never depends on the
// system's ANSI code page, and the same code builds natively for fuzzing.
#pragma once

#include <string>
#include <string_view>

// UTF-16 unit of each byte of code page 1251 (0x98, unassigned, maps to U+0098
// as the platform does).
extern const char16_t kCp1251ToUnicode[256];

std::wstring AnsiToWide(std::string_view s);
// Characters with no code page 1251 form become '?'.
std::string WideToAnsi(std::wstring_view s);
// True and the byte when the UTF-16 unit has a code page 1251 form.
bool WideCharToAnsiChar(wchar_t c, char& out);

// Source literals are UTF-8; these give the code page 1251 or UTF-16 form.
std::string Utf8ToAnsi(std::string_view utf8);
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view s);
std::string AnsiToUtf8(std::string_view s);
// Appends one code point in UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);
