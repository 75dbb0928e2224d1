#include "html/code_pages.h"

#include "framework/cp1251.h"

#ifdef _WIN32
const TPlatformCodePages& WindowsCodePages();  // code_pages_win.cpp
#endif

namespace {

// Code page 1252 differs from Latin-1 only in 0x80-0x9F; unassigned bytes map to
// the C1 control of the same value, as the platform does.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr wchar_t kReplacement = 0xFFFD;

const TPlatformCodePages* gOverride = nullptr;
bool gOverridden = false;

enum class Table { Cp1251, Cp1252, Latin1, Utf8, None };

Table TableFor(int codePage) {
    switch (codePage) {
    case 0:  // the "active" code page of the program is 1251 by rule
    case CP_1251: return Table::Cp1251;
    case CP_1252: return Table::Cp1252;
    case CP_LATIN1: return Table::Latin1;
    case CP_UTF8_PAGE: return Table::Utf8;
    default: return Table::None;
    }
}

void AppendCodePoint(std::wstring& out, uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

// Length of the well-formed UTF-8 sequence at p (1 for a stray byte) and its code
// point (U+FFFD for a stray byte).
int DecodeUtf8(const unsigned char* p, const unsigned char* end, uint32_t& cp) {
    const unsigned b = p[0];
    int len;
    uint32_t min;
    if (b < 0x80) { cp = b; return 1; }
    if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; min = 0x10000; }
    else { cp = kReplacement; return 1; }
    if (end - p < len) { cp = kReplacement; return 1; }
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) { cp = kReplacement; return 1; }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { cp = kReplacement; return 1; }
    return len;
}

void ByTable(Table table, std::string_view s, std::wstring& out, std::vector<int>* starts) {
    out.reserve(out.size() + s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    const auto* begin = p;
    while (p < end) {
        const size_t before = out.size();
        int len = 1;
        switch (table) {
        case Table::Cp1251: out += static_cast<wchar_t>(kCp1251ToUnicode[*p]); break;
        case Table::Cp1252:
            out += static_cast<wchar_t>(*p >= 0x80 && *p < 0xA0 ? kCp1252High[*p - 0x80] : *p);
            break;
        case Table::Latin1: out += static_cast<wchar_t>(*p); break;
        case Table::Utf8: {
            uint32_t cp;
            len = DecodeUtf8(p, end, cp);
            AppendCodePoint(out, cp);
            break;
        }
        case Table::None: break;
        }
        if (starts)
            for (size_t i = before; i < out.size(); ++i) starts->push_back(static_cast<int>(p - begin));
        p += len;
    }
}

std::string FromWideByTable(Table table, std::wstring_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const wchar_t c = s[i];
        switch (table) {
        case Table::Cp1251: {
            char b;
            out += WideCharToAnsiChar(c, b) ? b : '?';
            break;
        }
        case Table::Cp1252: {
            if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) { out += static_cast<char>(c); break; }
            char b = '?';
            for (int k = 0; k < 32; ++k)
                if (kCp1252High[k] == c) b = static_cast<char>(0x80 + k);
            out += b;
            break;
        }
        case Table::Latin1: out += c <= 0xFF ? static_cast<char>(c) : '?'; break;
        case Table::Utf8: {
            uint32_t cp = static_cast<uint32_t>(c) & 0xFFFF;
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() &&
                (static_cast<uint32_t>(s[i + 1]) & 0xFC00) == 0xDC00) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + ((static_cast<uint32_t>(s[i + 1]) & 0xFFFF) - 0xDC00);
                ++i;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                cp = kReplacement;
            }
            AppendUtf8(out, cp);
            break;
        }
        case Table::None: break;
        }
    }
    return out;
}

}  // namespace

const char16_t* SingleByteTable(int codePage) {
    static const char16_t* const latin1 = [] {
        static char16_t table[256];
        for (int i = 0; i < 256; ++i) table[i] = static_cast<char16_t>(i);
        return table;
    }();
    static const char16_t* const cp1252 = [] {
        static char16_t table[256];
        for (int i = 0; i < 256; ++i) table[i] = static_cast<char16_t>(i >= 0x80 && i < 0xA0 ? kCp1252High[i - 0x80] : i);
        return table;
    }();
    switch (TableFor(codePage)) {
    case Table::Cp1251: return kCp1251ToUnicode;
    case Table::Cp1252: return cp1252;
    case Table::Latin1: return latin1;
    default: return nullptr;
    }
}

const TPlatformCodePages* PlatformCodePages() {
    if (gOverridden) return gOverride;
#ifdef _WIN32
    return &WindowsCodePages();
#else
    return nullptr;
#endif
}

void SetPlatformCodePages(const TPlatformCodePages* services) {
    gOverride = services;
    gOverridden = true;
}

std::wstring MultibyteToWideWithStarts(int codePage, std::string_view s, std::vector<int>& starts) {
    starts.clear();
    std::wstring out;
    if (s.empty()) return out;
    Table table = TableFor(codePage);
    if (table == Table::None) {
        const TPlatformCodePages* platform = PlatformCodePages();
        if (platform && platform->ToWide(codePage, s, out) && !out.empty()) {
            if (out.size() == s.size()) {
                for (size_t i = 0; i < s.size(); ++i) starts.push_back(static_cast<int>(i));
                return out;
            }
            // A multi-byte code page: unit i gets the start of the i-th character.
            const char* p = s.data();
            const char* end = p + s.size();
            while (p < end && starts.size() < out.size()) {
                starts.push_back(static_cast<int>(p - s.data()));
                int step = platform->CharLength(codePage, p, end);
                p += step < 1 ? 1 : step;
            }
            while (starts.size() < out.size())
                starts.push_back(starts.empty() ? 0 : starts.back());
            return out;
        }
        out.clear();
        table = Table::Cp1251;
    }
    ByTable(table, s, out, &starts);
    return out;
}

std::wstring MultibyteToWideString(int codePage, std::string_view s) {
    std::wstring out;
    if (s.empty()) return out;
    Table table = TableFor(codePage);
    if (table == Table::None) {
        const TPlatformCodePages* platform = PlatformCodePages();
        if (platform && platform->ToWide(codePage, s, out) && !out.empty()) return out;
        out.clear();
        table = Table::Cp1251;
    }
    ByTable(table, s, out, nullptr);
    return out;
}

std::string WideStringToMultibyte(int codePage, std::wstring_view s) {
    if (s.empty()) return {};
    Table table = TableFor(codePage);
    if (table == Table::None) {
        std::string out;
        const TPlatformCodePages* platform = PlatformCodePages();
        if (platform && platform->FromWide(codePage, s, out) && !out.empty()) return out;
        table = Table::Cp1251;
    }
    return FromWideByTable(table, s);
}
