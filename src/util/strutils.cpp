#include "util/strutils.h"

#include <algorithm>
#include <array>
#include <utility>

#include "framework/sysutils.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "framework/cp1251.h"
#endif

namespace {

// Upper/lower case pairs of code page 1251 outside ASCII and the main Cyrillic
// block (0xC0-0xDF upper, 0xE0-0xFF lower). 0xB5 (micro sign) has no upper case
// form in the page and stays as it is.
constexpr std::pair<unsigned char, unsigned char> kExtraCasePairs[] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
    {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
};

constexpr CaseTables MakeCaseTables() {
    CaseTables t;
    for (size_t i = 0; i < 256; ++i) {
        t.upper[i] = static_cast<unsigned char>(i);
        t.lower[i] = static_cast<unsigned char>(i);
    }
    auto pair = [&t](size_t up, size_t low) {
        t.upper[low] = static_cast<unsigned char>(up);
        t.lower[up] = static_cast<unsigned char>(low);
    };
    for (size_t i = 0; i < 26; ++i) pair('A' + i, 'a' + i);
    for (size_t i = 0; i < 32; ++i) pair(0xC0 + i, 0xE0 + i);
    for (auto [up, low] : kExtraCasePairs) pair(up, low);
    return t;
}

constexpr CaseTables kCase = MakeCaseTables();

std::string UpperText(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AnsiUpperChar(c);
    return out;
}

bool SameTextCp1251(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return AnsiUpperChar(x) == AnsiUpperChar(y); });
}

int Size(std::string_view s) { return static_cast<int>(s.size()); }

// Zero-based index of the first character of word n (1-based), or npos.
size_t WordStart(int n, std::string_view text, const TCharSet& delims) {
    int count = 0;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && delims.Contains(text[i])) ++i;
        if (i == text.size()) break;
        if (++count == n) return i;
        while (i < text.size() && !delims.Contains(text[i])) ++i;
    }
    return std::string_view::npos;
}

std::string_view WordAt(std::string_view text, size_t start, const TCharSet& delims) {
    size_t end = start;
    while (end < text.size() && !delims.Contains(text[end])) ++end;
    return text.substr(start, end - start);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The pattern, with '?' matching any character, against text of the same length.
bool MatchesAt(std::string_view pattern, std::string_view text) {
    for (size_t k = 0; k < pattern.size(); ++k)
        if (pattern[k] != '?' && pattern[k] != text[k]) return false;
    return true;
}

}  // namespace

TCharSet::TCharSet(std::initializer_list<char> chars) {
    for (char c : chars) Include(c);
}

TCharSet::TCharSet(std::string_view chars) {
    for (char c : chars) Include(c);
}

TCharSet& TCharSet::Include(char c) {
    bits_.set(static_cast<unsigned char>(c));
    return *this;
}

char AnsiUpperChar(char c) {
    return static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]);
}

char AnsiLowerChar(char c) {
    return static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]);
}

bool IsEmptyStr(std::string_view text, const TCharSet& chars) {
    return std::all_of(text.begin(), text.end(), [&](char c) { return chars.Contains(c); });
}

std::string ReplaceStr(std::string_view text, std::string_view search, std::string_view replacement) {
    // An empty search text occurs nowhere; searching for it would never advance.
    if (search.empty()) return std::string(text);
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(search, from)) != std::string_view::npos; from = at + search.size()) {
        out.append(text.substr(from, at - from));
        out.append(replacement);
    }
    out.append(text.substr(from));
    return out;
}

std::string DelChars(std::string_view text, char c) {
    std::string out;
    for (char ch : text)
        if (ch != c) out += ch;
    return out;
}

std::string DelSpace(std::string_view text) { return DelChars(text, ' '); }

std::string DelBSpace(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string DelESpace(std::string_view text) {
    const size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string DelRSpace(std::string_view text) { return DelBSpace(DelESpace(text)); }

std::string DelSpace1(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

std::string Tab2Space(std::string_view text, int count) {
    return ReplaceStr(text, "\t", MakeStr(' ', count));
}

std::string MakeStr(char c, int count) { return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string(); }

std::string MS(char c, int count) { return MakeStr(c, count); }

int NPos(std::string_view sub, std::string_view text, int n) {
    if (n <= 0 || sub.empty()) return 0;
    // Every starting place counts, so occurrences may overlap ("aa" is found at 1 and 2 in "aaa").
    size_t at = text.find(sub);
    for (int k = 1; at != std::string_view::npos; ++k) {
        if (k == n) return static_cast<int>(at) + 1;
        at = text.find(sub, at + 1);
    }
    return 0;
}

std::string AddChar(char c, std::string_view text, int length) {
    return MakeStr(c, length - Size(text)) + std::string(text);
}

std::string AddCharR(char c, std::string_view text, int length) {
    return std::string(text) + MakeStr(c, length - Size(text));
}

std::string LeftStr(std::string_view text, int length) { return AddCharR(' ', text, length); }

std::string RightStr(std::string_view text, int length) { return AddChar(' ', text, length); }

std::string Copy2Symb(std::string_view text, char c) {
    return std::string(text.substr(0, text.find(c)));
}

std::string Copy2SymbDel(std::string& text, char c) {
    const size_t at = text.find(c);
    std::string head = text.substr(0, at);
    text = at == std::string::npos ? std::string() : DelBSpace(std::string_view(text).substr(at));
    return head;
}

std::string Copy2Space(std::string_view text) { return Copy2Symb(text, ' '); }

std::string Copy2SpaceDel(std::string& text) { return Copy2SymbDel(text, ' '); }

std::string AnsiProperCase(std::string_view text, const TCharSet& delims) {
    std::string out(text);
    bool wordStart = true;
    for (char& c : out) {
        c = AnsiLowerChar(c);
        const bool delim = delims.Contains(c);
        if (wordStart && !delim) c = AnsiUpperChar(c);
        wordStart = delim;
    }
    return out;
}

int WordCount(std::string_view text, const TCharSet& delims) {
    int count = 0;
    bool inWord = false;
    for (char c : text) {
        const bool delim = delims.Contains(c);
        if (!delim && !inWord) ++count;
        inWord = !delim;
    }
    return count;
}

int WordPosition(int n, std::string_view text, const TCharSet& delims) {
    const size_t start = WordStart(n, text, delims);
    return start == std::string_view::npos ? 0 : static_cast<int>(start) + 1;
}

std::string ExtractWord(int n, std::string_view text, const TCharSet& delims) {
    int pos = 0;
    return ExtractWordPos(n, text, delims, pos);
}

std::string ExtractWordPos(int n, std::string_view text, const TCharSet& delims, int& pos) {
    const size_t start = WordStart(n, text, delims);
    if (start == std::string_view::npos) {
        pos = 0;
        return {};
    }
    pos = static_cast<int>(start) + 1;
    return std::string(WordAt(text, start, delims));
}

std::string ExtractDelimited(int n, std::string_view text, const TCharSet& delims) {
    if (n <= 0) return {};
    int field = 1;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !delims.Contains(text[i])) continue;
        if (field == n) return std::string(text.substr(start, i - start));
        ++field;
        start = i + 1;
    }
    return {};
}

std::string ExtractSubstr(std::string_view text, int& pos, const TCharSet& delims) {
    const size_t start = static_cast<size_t>(std::max(pos, 1)) - 1;  // zero-based
    if (start >= text.size()) return {};
    size_t end = start;
    while (end < text.size() && !delims.Contains(text[end])) ++end;
    // Past the delimiter, or just past the end of the text.
    pos = static_cast<int>(end < text.size() ? end + 2 : end + 1);
    return std::string(text.substr(start, end - start));
}

bool IsWordPresent(std::string_view word, std::string_view text, const TCharSet& delims) {
    const int count = WordCount(text, delims);
    for (int n = 1; n <= count; ++n)
        if (WordAt(text, WordStart(n, text, delims), delims) == word) return true;
    return false;
}

std::string QuotedString(std::string_view text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        out += c;
        if (c == quote) out += c;
    }
    out += quote;
    return out;
}

std::string ExtractQuotedString(std::string_view text, char quote) {
    if (text.empty() || text.front() != quote) return std::string(text);
    // Without a closing quote the rest of the text is taken.
    std::string out;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                out += quote;
                ++i;
                continue;
            }
            break;
        }
        out += text[i];
    }
    return out;
}

std::string Numb2USA(std::string_view text) {
    std::string out;
    const size_t size = text.size();
    for (size_t i = 0; i < size; ++i) {
        if (i > 0 && (size - i) % 3 == 0) out += ',';
        out += text[i];
    }
    return out;
}

std::string CenterStr(std::string_view text, int width) {
    const int size = Size(text);
    if (size >= width) return std::string(text);
    return AddCharR(' ', MakeStr(' ', width / 2 - size / 2) + std::string(text), width);
}

std::string Dec2Hex(int32_t n, int digits) { return IntToHex(static_cast<uint32_t>(n), digits); }

std::string D2H(int32_t n, int digits) { return Dec2Hex(n, digits); }

int32_t Hex2Dec(std::string_view text) {
    const std::string hex = text.find('$') == std::string_view::npos ? "$" + std::string(text) : std::string(text);
    return StrToIntDef(hex, 0);
}

int32_t H2D(std::string_view text) { return Hex2Dec(text); }

std::string Dec2Numb(int32_t n, int width, int base) {
    // Base 0 would divide by zero and base 1 never ends; there are digits up to 'Z'.
    if (base < 2 || base > 36) return {};
    auto value = static_cast<uint32_t>(n);
    std::string digits;
    do {
        const auto d = static_cast<int>(value % static_cast<uint32_t>(base));
        digits.insert(digits.begin(), static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10));
        value /= static_cast<uint32_t>(base);
    } while (value != 0);
    return AddChar('0', digits, width);
}

int32_t Numb2Dec(std::string_view text, int base) {
    // Digits are not checked; the arithmetic wraps like the 32-bit original.
    uint32_t value = 0;
    for (char c : UpperText(text)) {
        const auto code = static_cast<unsigned char>(c);
        const uint32_t digit = code >= 'A' ? code - 55u : code - 48u;
        value = value * static_cast<uint32_t>(base) + digit;
    }
    return static_cast<int32_t>(value);
}

int32_t RomanToInt(std::string_view text) {
    auto letterValue = [](char c) -> uint32_t {
        switch (c) {
            case 'I': return 1;
            case 'V': return 5;
            case 'X': return 10;
            case 'L': return 50;
            case 'C': return 100;
            case 'D': return 500;
            case 'M': return 1000;
            default: return 0;
        }
    };
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const std::string upper = UpperText(text);
    uint32_t sum = 0;  // unsigned, so an absurdly long numeral wraps instead of overflowing
    for (size_t i = 0; i < upper.size(); ++i) {
        const uint32_t current = letterValue(upper[i]);
        if (current == 0) return 0;
        const uint32_t next = i + 1 < upper.size() ? letterValue(upper[i + 1]) : 0;
        if (next > current) {
            sum += next - current;
            ++i;
        } else {
            sum += current;
        }
    }
    return static_cast<int32_t>(negative ? 0u - sum : sum);
}

std::string IntToRoman(int32_t value) {
    if (value < 1) return {};
    // Each decimal place: its one, five and ten letters.
    struct Place {
        int unit;
        char one, five, ten;
    };
    static constexpr Place kPlaces[] = {{100, 'C', 'D', 'M'}, {10, 'X', 'L', 'C'}, {1, 'I', 'V', 'X'}};
    std::string out(static_cast<size_t>(value / 1000), 'M');
    int rest = value % 1000;
    for (const Place& p : kPlaces) {
        const int digit = rest / p.unit;
        rest %= p.unit;
        if (digit == 9) {
            out += {p.one, p.ten};
        } else if (digit >= 5) {
            out += p.five;
            out.append(static_cast<size_t>(digit - 5), p.one);
        } else if (digit == 4) {
            out += {p.one, p.five};
        } else {
            out.append(static_cast<size_t>(digit), p.one);
        }
    }
    return out;
}

std::string IntToBin(int32_t value, int digits, int groupSize) {
    const auto bits = static_cast<uint32_t>(value);
    std::string out;
    for (int b = std::min(digits, 32); b >= 1; --b) {
        // A group size of 0 or less writes no spaces rather than dividing by zero.
        if (groupSize > 0 && b % groupSize == 0) out += ' ';
        out += ((bits >> (b - 1)) & 1u) != 0 ? '1' : '0';
    }
    return out;
}

int FindPart(std::string_view pattern, std::string_view input) {
    if (pattern.find('?') == std::string_view::npos) {
        if (pattern.empty()) return 0;
        const size_t at = input.find(pattern);
        return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
    }
    if (pattern.size() > input.size()) return 0;
    for (size_t i = 0; i + pattern.size() <= input.size(); ++i)
        if (MatchesAt(pattern, input.substr(i, pattern.size()))) return static_cast<int>(i) + 1;
    return 0;
}

bool IsWild(std::string_view inputText, std::string_view patternText, bool ignoreCase) {
    if (inputText == patternText) return true;
    std::string pattern(patternText);
    for (size_t at; (at = pattern.find("**")) != std::string::npos;) pattern.erase(at, 1);
    if (pattern == "*") return true;
    if (inputText.empty() || pattern.empty()) return false;

    std::string input(inputText);
    if (ignoreCase) {
        input = UpperText(input);
        pattern = UpperText(pattern);
    }

    const size_t inputSize = input.size();
    const size_t patternSize = pattern.size();
    size_t i = 0;  // zero-based positions into input and pattern
    size_t j = 0;
    bool result = true;
    for (;;) {
        if (pattern[j] == input[i] || pattern[j] == '?') {
            ++i;
            ++j;
        } else if (pattern[j] != '*') {
            return false;
        } else {
            const size_t next = pattern.find('*', j + 1);
            if (next == std::string::npos) {
                // The last segment must line up with the end of the input, and may not
                // reach back over input that an earlier part of the pattern has taken.
                const std::string_view segment = std::string_view(pattern).substr(j + 1);
                if (segment.size() > inputSize - i) return false;
                return MatchesAt(segment, std::string_view(input).substr(inputSize - segment.size()));
            }
            const std::string_view segment = std::string_view(pattern).substr(j + 1, next - j - 1);
            j = next;
            const int found = FindPart(segment, std::string_view(input).substr(i));
            if (found == 0) return false;
            i += static_cast<size_t>(found) - 1 + segment.size();
        }
        if (i >= inputSize || j >= patternSize) {
            if (i < inputSize) result = false;
            // Pattern left over matches the used-up input only when it is all '*'.
            if (j < patternSize && pattern.find_first_not_of('*', j) != std::string::npos) result = false;
            break;
        }
    }
    return result;
}

std::string XorString(std::string_view key, std::string_view source) {
    std::string out(source);
    if (key.empty()) return out;
    // Character i (1-based) takes key character (i mod length) + 1.
    for (size_t i = 1; i <= out.size(); ++i)
        out[i - 1] = static_cast<char>(out[i - 1] ^ key[i % key.size()]);
    return out;
}

std::string XorEncode(std::string_view key, std::string_view source) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(source.size() * 2);
    for (size_t i = 0; i < source.size(); ++i) {
        auto byte = static_cast<unsigned char>(source[i]);
        if (!key.empty()) byte ^= static_cast<unsigned char>(key[i % key.size()]);
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
    return out;
}

std::string XorDecode(std::string_view key, std::string_view source) {
    std::string out;
    const size_t pairs = source.size() / 2;
    out.reserve(pairs);
    for (size_t k = 0; k < pairs; ++k) {
        const int high = HexValue(source[2 * k]);
        const int low = HexValue(source[2 * k + 1]);
        auto byte = static_cast<unsigned char>(high < 0 || low < 0 ? ' ' : high * 16 + low);
        if (!key.empty()) byte ^= static_cast<unsigned char>(key[k % key.size()]);
        out += static_cast<char>(byte);
    }
    return out;
}

std::string FindCmdLineArg(const std::vector<std::string>& params, std::string_view switchName,
                           const TCharSet& switchChars) {
    for (size_t i = 1; i < params.size(); ++i) {
        const std::string& p = params[i];
        const bool isSwitch = switchChars.Empty() || (p.size() > 1 && switchChars.Contains(p[0]));
        if (!isSwitch || p.empty()) continue;
        if (SameTextCp1251(std::string_view(p).substr(1), switchName) && i + 1 < params.size())
            return params[i + 1];
    }
    return {};
}

#ifdef _WIN32

namespace {

std::string ConvertCodePage(std::string_view text, UINT from, UINT to) {
    if (text.empty()) return {};
    const int wideSize = MultiByteToWideChar(from, 0, text.data(), Size(text), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideSize), L'\0');
    MultiByteToWideChar(from, 0, text.data(), Size(text), wide.data(), wideSize);
    const int size = WideCharToMultiByte(to, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideSize, out.data(), size, nullptr, nullptr);
    return out;
}

int Collate(std::string_view a, std::string_view b, DWORD flags) {
    const std::wstring wa = AnsiToWide(a);
    const std::wstring wb = AnsiToWide(b);
    const int r = CompareStringW(GetThreadLocale(), flags | SORT_STRINGSORT, wa.data(), static_cast<int>(wa.size()),
                                 wb.data(), static_cast<int>(wb.size()));
    return r == 0 ? 0 : r - CSTR_EQUAL;
}

constexpr UINT kAnsiCodePage = 1251;

}  // namespace

std::string StrToOem(std::string_view text) { return ConvertCodePage(text, kAnsiCodePage, CP_OEMCP); }

std::string OemToAnsiStr(std::string_view text) { return ConvertCodePage(text, CP_OEMCP, kAnsiCodePage); }

int CompStr(std::string_view a, std::string_view b) { return Collate(a, b, 0); }

int CompText(std::string_view a, std::string_view b) { return Collate(a, b, NORM_IGNORECASE); }

std::string GetCmdLineArg(std::string_view switchName, const TCharSet& switchChars) {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) return {};
    std::vector<std::string> params;
    for (int i = 0; i < count; ++i) params.push_back(WideToAnsi(argv[i]));
    LocalFree(argv);
    return FindCmdLineArg(params, switchName, switchChars);
}

#endif
