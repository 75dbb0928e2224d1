#include "framework/cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>

// wchar_t holds one UTF-16 unit on the target; in a native build (32-bit wchar_t)
// the same strings still hold UTF-16 units, so surrogates appear as two units.

const char16_t kCp1251ToUnicode[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

namespace {

struct ReverseEntry {
    char16_t unit;
    unsigned char byte;
};

// The upper half of the table sorted by UTF-16 unit, for binary search.
const std::array<ReverseEntry, 128>& ReverseTable() {
    static const std::array<ReverseEntry, 128> table = [] {
        std::array<ReverseEntry, 128> t{};
        for (int i = 0; i < 128; ++i)
            t[i] = {kCp1251ToUnicode[128 + i], static_cast<unsigned char>(128 + i)};
        std::sort(t.begin(), t.end(),
                  [](const ReverseEntry& a, const ReverseEntry& b) { return a.unit < b.unit; });
        return t;
    }();
    return table;
}

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Decodes one code point from UTF-8 at s[i], advancing i. Malformed, overlong
// and surrogate sequences give U+FFFD and consume one byte, so the rest of the
// text still decodes.
char32_t DecodeUtf8(std::string_view s, size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra;
    char32_t cp;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + extra >= s.size()) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return cp;
}

void AppendUtf16(std::wstring& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<wchar_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Decodes one code point from UTF-16 units at s[i], advancing i. An unpaired
// surrogate gives U+FFFD.
char32_t DecodeUtf16(std::wstring_view s, size_t& i) {
    const auto u = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i]) & 0xFFFF);
    ++i;
    if (IsHighSurrogate(u)) {
        if (i < s.size()) {
            const auto next = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i]) & 0xFFFF);
            if (IsLowSurrogate(next)) {
                ++i;
                return 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00);
            }
        }
        return kReplacement;
    }
    if (IsLowSurrogate(u)) return kReplacement;
    return u;
}

bool CodePointToAnsi(char32_t cp, char& out) {
    if (cp < 0x80) {
        out = static_cast<char>(cp);
        return true;
    }
    if (cp > 0xFFFF) return false;
    const auto& table = ReverseTable();
    auto it = std::lower_bound(table.begin(), table.end(), static_cast<char16_t>(cp),
                               [](const ReverseEntry& e, char16_t u) { return e.unit < u; });
    if (it == table.end() || it->unit != cp) return false;
    out = static_cast<char>(it->byte);
    return true;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool WideCharToAnsiChar(wchar_t c, char& out) {
    const auto u = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c));
    if (u > 0xFFFF || IsHighSurrogate(u) || IsLowSurrogate(u)) return false;
    return CodePointToAnsi(u, out);
}

std::wstring AnsiToWide(std::string_view s) {
    std::wstring out;
    out.reserve(s.size());
    for (char c : s) out += static_cast<wchar_t>(kCp1251ToUnicode[static_cast<unsigned char>(c)]);
    return out;
}

std::string WideToAnsi(std::wstring_view s) {
    std::string out;
    out.reserve(s.size());
    // A surrogate pair is one character and becomes one '?'.
    for (size_t i = 0; i < s.size();) {
        char c;
        out += CodePointToAnsi(DecodeUtf16(s, i), c) ? c : '?';
    }
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char c;
        out += CodePointToAnsi(DecodeUtf8(utf8, i), c) ? c : '?';
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) AppendUtf16(out, DecodeUtf8(utf8, i));
    return out;
}

std::string WideToUtf8(std::wstring_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) AppendUtf8(out, DecodeUtf16(s, i));
    return out;
}

std::string AnsiToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char c : s) AppendUtf8(out, kCp1251ToUnicode[static_cast<unsigned char>(c)]);
    return out;
}
