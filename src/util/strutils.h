// Free routines over 8-bit strings in code page 1251. Positions are 1-based, as
// in the framework's strings, and 0 means "not found". Case folding goes through
// a fixed code page 1251 table, so the answers never depend on the system locale;
// only CompStr/CompText (locale collation) and the OEM and command-line routines
// need the platform and exist only in the Windows build.
#pragma once

#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// A set of 8-bit characters, used as word and field delimiters.
class TCharSet {
public:
    TCharSet() = default;
    TCharSet(std::initializer_list<char> chars);
    explicit TCharSet(std::string_view chars);

    bool Contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }
    bool Empty() const { return bits_.none(); }
    TCharSet& Include(char c);

private:
    std::bitset<256> bits_;
};

// Code page 1251 letter casing (Cyrillic, Latin and the other letters of the page).
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);

#ifdef _WIN32
// Code page 1251 text to and from the system's OEM code page.
std::string StrToOem(std::string_view text);
std::string OemToAnsiStr(std::string_view text);
// Locale collation by the thread locale with string sort: -1, 0 or 1.
int CompStr(std::string_view a, std::string_view b);
int CompText(std::string_view a, std::string_view b);
// The parameter that follows "<switch character><switchName>" on the command line.
std::string GetCmdLineArg(std::string_view switchName, const TCharSet& switchChars);
#endif

bool IsEmptyStr(std::string_view text, const TCharSet& chars);
std::string ReplaceStr(std::string_view text, std::string_view search, std::string_view replacement);
std::string DelChars(std::string_view text, char c);
std::string DelSpace(std::string_view text);
std::string DelBSpace(std::string_view text);
std::string DelESpace(std::string_view text);
std::string DelRSpace(std::string_view text);
std::string DelSpace1(std::string_view text);
std::string Tab2Space(std::string_view text, int count);
std::string MakeStr(char c, int count);
std::string MS(char c, int count);
int NPos(std::string_view sub, std::string_view text, int n);
std::string AddChar(char c, std::string_view text, int length);
std::string AddCharR(char c, std::string_view text, int length);
std::string LeftStr(std::string_view text, int length);
std::string RightStr(std::string_view text, int length);

std::string Copy2Symb(std::string_view text, char c);
std::string Copy2SymbDel(std::string& text, char c);
std::string Copy2Space(std::string_view text);
std::string Copy2SpaceDel(std::string& text);

std::string AnsiProperCase(std::string_view text, const TCharSet& delims);
int WordCount(std::string_view text, const TCharSet& delims);
int WordPosition(int n, std::string_view text, const TCharSet& delims);
std::string ExtractWord(int n, std::string_view text, const TCharSet& delims);
std::string ExtractWordPos(int n, std::string_view text, const TCharSet& delims, int& pos);
// Unlike ExtractWord, empty fields between adjacent delimiters count.
std::string ExtractDelimited(int n, std::string_view text, const TCharSet& delims);
// Reads from pos to the next delimiter and moves pos past that delimiter.
std::string ExtractSubstr(std::string_view text, int& pos, const TCharSet& delims);
bool IsWordPresent(std::string_view word, std::string_view text, const TCharSet& delims);

std::string QuotedString(std::string_view text, char quote);
std::string ExtractQuotedString(std::string_view text, char quote);

std::string Numb2USA(std::string_view text);
std::string CenterStr(std::string_view text, int width);
std::string Dec2Hex(int32_t n, int digits);
std::string D2H(int32_t n, int digits);
int32_t Hex2Dec(std::string_view text);
int32_t H2D(std::string_view text);
std::string Dec2Numb(int32_t n, int width, int base);
int32_t Numb2Dec(std::string_view text, int base);
int32_t RomanToInt(std::string_view text);
std::string IntToRoman(int32_t value);
std::string IntToBin(int32_t value, int digits, int groupSize);

// '?' in the pattern matches any one character.
int FindPart(std::string_view pattern, std::string_view input);
// '*' matches any run of characters, '?' any one character.
bool IsWild(std::string_view input, std::string_view pattern, bool ignoreCase);

std::string XorString(std::string_view key, std::string_view source);
// Two lower-case hexadecimal digits per source byte.
std::string XorEncode(std::string_view key, std::string_view source);
std::string XorDecode(std::string_view key, std::string_view source);

// GetCmdLineArg over a given parameter list (element 0 is the program name).
std::string FindCmdLineArg(const std::vector<std::string>& params, std::string_view switchName,
                           const TCharSet& switchChars);
