// The string helpers of sysutils.h that need no platform call; this file stays
// free of windows.h so format readers that use it build natively.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "framework/sysutils.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsPathDelimiter(char c) { return c == '\\' || c == '/'; }
bool IsNamePartEnd(char c) { return IsPathDelimiter(c) || c == ':'; }

// Index just past the last '\\', '/' or ':'; 0 when there is none.
size_t FileNameStart(std::string_view name) {
    for (size_t i = name.size(); i > 0; --i)
        if (IsNamePartEnd(name[i - 1])) return i;
    return 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        out.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(again);
    return out;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

bool TryStrToInt(std::string_view text, int& value) {
    std::string_view s = text;
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    bool hex = false;
    if (!s.empty() && s.front() == '$') {
        hex = true;
        s.remove_prefix(1);
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        hex = true;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;

    // Hexadecimal takes the full 32 bits ($FFFFFFFF is -1); decimal must fit an int.
    const uint64_t limit = hex ? 0xFFFFFFFFull
                               : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t magnitude = 0;
    for (char c : s) {
        const int digit = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0) return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > limit) return false;
    }
    const auto bits = static_cast<uint32_t>(magnitude);
    value = static_cast<int32_t>(negative ? 0u - bits : bits);
    return true;
}

int StrToInt(std::string_view text) {
    int value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

int StrToIntDef(std::string_view text, int fallback) {
    int value = 0;
    return TryStrToInt(text, value) ? value : fallback;
}

std::string IntToHex(uint64_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
    return out;
}

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

std::string TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return std::string(s);
}

std::string TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

int CompareText(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        const int cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

size_t FindByte(std::string_view s, char c, size_t from) {
    const char* const data = s.data();
    size_t i = from;
#ifdef __SSE2__
    const __m128i pattern = _mm_set1_epi8(c);
    for (; i + 16 <= s.size(); i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        if (const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, pattern)))
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(found)));
    }
#endif
    for (; i < s.size(); ++i)
        if (data[i] == c) return i;
    return std::string_view::npos;
}

std::string ExtractFilePath(std::string_view name) {
    return std::string(name.substr(0, FileNameStart(name)));
}

std::string ExtractFileName(std::string_view name) {
    return std::string(name.substr(FileNameStart(name)));
}

std::string ExtractFileExt(std::string_view name) {
    const size_t start = FileNameStart(name);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < start) return {};
    return std::string(name.substr(dot));
}

std::string ChangeFileExt(std::string_view name, std::string_view ext) {
    const size_t start = FileNameStart(name);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < start) dot = name.size();
    return std::string(name.substr(0, dot)) + std::string(ext);
}

std::string IncludeTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (out.empty() || !IsPathDelimiter(out.back())) out += '\\';
    return out;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
    if (!path.empty() && IsPathDelimiter(path.back())) path.remove_suffix(1);
    return std::string(path);
}
