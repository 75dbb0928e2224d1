// Code-page conversions of the document engine. Code page 1251 (also the
// fallback for every code page that cannot be converted), Latin-1/1252 and UTF-8
// are converted here by table, identically in native builds; other code pages
// reach the platform through TPlatformCodePages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

constexpr int CP_1251 = 1251;
constexpr int CP_1252 = 1252;
constexpr int CP_LATIN1 = 28591;
constexpr int CP_UTF8_PAGE = 65001;

// What the engine needs of the platform for code pages it has no table for.
class TPlatformCodePages {
public:
    // False when the platform cannot convert with this code page.
    virtual bool ToWide(int codePage, std::string_view bytes, std::wstring& out) const = 0;
    virtual bool FromWide(int codePage, std::wstring_view text, std::string& out) const = 0;
    // Bytes of the character that starts at `p` (at least 1).
    virtual int CharLength(int codePage, const char* p, const char* end) const = 0;

protected:
    ~TPlatformCodePages() = default;
};

// The platform's services in the Windows build, none natively; tests may replace them.
const TPlatformCodePages* PlatformCodePages();
void SetPlatformCodePages(const TPlatformCodePages* services);

// Converts with the code page; a code page that cannot convert the text falls
// back to code page 1251 (never the system's ANSI code page).
std::wstring MultibyteToWideString(int codePage, std::string_view s);
std::string WideStringToMultibyte(int codePage, std::wstring_view s);
// The 256 UTF-16 units of a code page converted by table one byte to one unit
// (1251 and the code pages that fall back to it need no platform), or null.
const char16_t* SingleByteTable(int codePage);

// As MultibyteToWideString; `starts` receives, per UTF-16 unit, the index of the
// byte at which its character starts.
std::wstring MultibyteToWideWithStarts(int codePage, std::string_view s, std::vector<int>& starts);
