#include "util/strutils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "framework/cp1251.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct WildCase {
    const char* input;
    const char* pattern;
    bool ignoreCase;
    bool matches;
};

TEST(StrutilsTest, IsWildMatchesStarAndQuestionMark) {
    const WildCase cases[] = {
        {"abcxyz", "a*x?z", false, true},
        {"abc", "a*d", false, false},
        {"abc", "*", false, true},
        {"abc", "**", false, true},
        {"", "*", false, true},
        {"", "**", false, true},
        {"", "a", false, false},
        {"abc", "", false, false},
        {"abc", "abc", false, true},
        {"abc", "ab", false, false},
        {"ab", "abc", false, false},
        {"abc", "a?c", false, true},
        {"abc", "ABC", false, false},
        {"abc", "A?C", true, true},
        {"TForm1.Grid", "TForm1.*", false, true},
        {"TForm1\\Grid", "TForm1\\*", false, true},
        {"TForm2.Grid", "TForm1.*", false, false},
        {"TForm1", "TForm1.*", false, false},
        // A middle segment is looked for after what has already matched, and the
        // input position moves past it, counted from the start of the input.
        {"xaxbxc", "x*b*c", false, true},
        {"abab", "*b*b", false, true},
        {"abxxab", "ab*ab*", false, true},
        {"a1b2c3", "a*b?c*", false, true},
        {"a1b2c3", "a*c?b*", false, false},
        // The last segment is matched against the end of the input only where the
        // input has not been taken by the pattern's start.
        {"abcd", "ab*bcd", false, false},
        {"abcbcd", "ab*bcd", false, true},
        // Pattern left over after the input is used up must be nothing but '*'.
        {"ab", "ab*c*", false, false},
        {"ab", "ab*", false, true},
        {"abc", "a*c*", false, true},
        // Text that an earlier part of the pattern has taken is never matched
        // again, and '?' always needs a character of its own, even before '*'.
        {"aa", "a*aa", false, false},
        {"abc", "abc?*", false, false},
    };
    for (const WildCase& c : cases)
        EXPECT_EQ(IsWild(c.input, c.pattern, c.ignoreCase), c.matches)
            << "'" << c.input << "' against '" << c.pattern << "'";
}

TEST(StrutilsTest, IgnoringCaseFoldsCyrillicWhateverTheLocale) {
    // The folding is code page 1251's own; a C runtime locale must not change it.
    std::setlocale(LC_ALL, "C");
    EXPECT_TRUE(IsWild(Utf8ToAnsi("ёлка зелёная"), Utf8ToAnsi("ЁЛКА*ЛЁН??"), true));
    EXPECT_TRUE(IsWild(Utf8ToAnsi("Ўїєґ"), Utf8ToAnsi("ўЇЄҐ"), true));
    EXPECT_FALSE(IsWild(Utf8ToAnsi("ёлка"), Utf8ToAnsi("ЁЛКА"), false));
    EXPECT_EQ(AnsiProperCase(Utf8ToAnsi("ЁЖИК В тумане"), {' '}), Utf8ToAnsi("Ёжик В Тумане"));
    // The micro sign has no upper case form in the code page.
    EXPECT_EQ(AnsiUpperChar('\xB5'), '\xB5');
}

TEST(StrutilsTest, WordsAndFields) {
    const TCharSet comma{','};
    EXPECT_EQ(ExtractDelimited(2, "a,,b", comma), "");
    EXPECT_EQ(ExtractDelimited(3, "a,,b", comma), "b");
    EXPECT_EQ(ExtractDelimited(4, "a,,b", comma), "");
    EXPECT_EQ(ExtractDelimited(1, ",a", comma), "");
    EXPECT_EQ(ExtractDelimited(3, "a,b,", comma), "");
    EXPECT_EQ(ExtractDelimited(0, "a,b", comma), "");
    EXPECT_EQ(ExtractWord(2, "a,,b", comma), "b");
    EXPECT_EQ(ExtractWord(3, "a,,b", comma), "");
    EXPECT_EQ(ExtractWord(0, "a,,b", comma), "");

    const TCharSet blanks{' ', ','};
    EXPECT_EQ(WordCount("  one, two ,three  ", blanks), 3);
    EXPECT_EQ(WordCount("", blanks), 0);
    EXPECT_EQ(WordPosition(2, "  one, two ,three  ", blanks), 8);
    EXPECT_EQ(WordPosition(4, "  one, two ,three  ", blanks), 0);
    int pos = -1;
    EXPECT_EQ(ExtractWordPos(3, "  one, two ,three  ", blanks, pos), "three");
    EXPECT_EQ(pos, 13);
    EXPECT_EQ(ExtractWordPos(4, "  one, two ,three  ", blanks, pos), "");
    EXPECT_EQ(pos, 0);
    EXPECT_TRUE(IsWordPresent("two", "one two three", {' '}));
    EXPECT_FALSE(IsWordPresent("Two", "one two three", {' '}));
    EXPECT_FALSE(IsWordPresent("tw", "one two three", {' '}));

    // ExtractSubstr walks field by field, moving past each delimiter.
    pos = 1;
    EXPECT_EQ(ExtractSubstr("ab;;c", pos, {';'}), "ab");
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(ExtractSubstr("ab;;c", pos, {';'}), "");
    EXPECT_EQ(pos, 5);
    EXPECT_EQ(ExtractSubstr("ab;;c", pos, {';'}), "c");
    EXPECT_EQ(pos, 6);
    EXPECT_EQ(ExtractSubstr("ab;;c", pos, {';'}), "");
    EXPECT_EQ(pos, 6);
}

TEST(StrutilsTest, RomanNumerals) {
    const std::pair<const char*, int32_t> toInt[] = {
        {"XIV", 14}, {"-IX", -9}, {"XQ", 0}, {"xiv", 14}, {"MCMXCIV", 1994},
        {"", 0}, {"-", 0}, {"IIII", 4}, {"MMXXVI", 2026},
    };
    for (auto [text, value] : toInt) EXPECT_EQ(RomanToInt(text), value) << text;

    const std::pair<int32_t, const char*> toRoman[] = {
        {1994, "MCMXCIV"}, {0, ""}, {-5, ""}, {3888, "MMMDCCCLXXXVIII"}, {444, "CDXLIV"}, {999, "CMXCIX"},
    };
    for (auto [value, text] : toRoman) EXPECT_EQ(IntToRoman(value), text) << value;
    for (int32_t v = 1; v < 4000; ++v) ASSERT_EQ(RomanToInt(IntToRoman(v)), v);
}

TEST(StrutilsTest, NumberText) {
    EXPECT_EQ(IntToBin(5, 8, 4), " 0000 0101");
    EXPECT_EQ(IntToBin(5, 3, 4), "101");
    EXPECT_EQ(IntToBin(-1, 40, 8), " 11111111 11111111 11111111 11111111");
    EXPECT_EQ(IntToBin(5, 4, 0), "0101");
    EXPECT_EQ(IntToBin(5, 0, 4), "");

    EXPECT_EQ(Dec2Hex(255, 4), "00FF");
    EXPECT_EQ(D2H(-1, 2), "FFFFFFFF");
    EXPECT_EQ(Hex2Dec("ff"), 255);
    EXPECT_EQ(H2D("$1A"), 26);
    EXPECT_EQ(Hex2Dec("FFFFFFFF"), -1);
    EXPECT_EQ(Hex2Dec("xyz"), 0);

    EXPECT_EQ(Dec2Numb(0, 0, 2), "0");
    EXPECT_EQ(Dec2Numb(10, 8, 2), "00001010");
    EXPECT_EQ(Dec2Numb(35, 0, 36), "Z");
    EXPECT_EQ(Dec2Numb(-1, 0, 16), "FFFFFFFF");
    EXPECT_EQ(Dec2Numb(10, 4, 1), "");
    EXPECT_EQ(Numb2Dec("1010", 2), 10);
    EXPECT_EQ(Numb2Dec("zz", 36), 35 * 36 + 35);
    EXPECT_EQ(Numb2Dec("", 10), 0);

    EXPECT_EQ(Numb2USA("1234567"), "1,234,567");
    EXPECT_EQ(Numb2USA("1234"), "1,234");
    EXPECT_EQ(Numb2USA(""), "");
}

TEST(StrutilsTest, XorEncodingRoundTrips) {
    EXPECT_EQ(XorEncode("", "AZ\x01\xFF"), "415a01ff");
    EXPECT_EQ(XorDecode("", "415a01ff"), "AZ\x01\xFF");
    EXPECT_EQ(XorEncode("\x01\x02", "AAA"), "404340");
    EXPECT_EQ(XorDecode("\x01\x02", "404340"), "AAA");
    // A pair that is not hexadecimal stands for a space; an odd last digit is dropped.
    EXPECT_EQ(XorDecode("", "41zz4"), "A ");
    EXPECT_EQ(XorDecode("\x01", "zz"), "!");

    const std::string key = Utf8ToAnsi("ключ");
    const std::string text = Utf8ToAnsi("Размер окна: 640x480\r\n\t") + std::string(1, '\0');
    const std::string encoded = XorEncode(key, text);
    EXPECT_EQ(encoded.size(), text.size() * 2);
    EXPECT_EQ(XorDecode(key, encoded), text);

    // XorString takes key character (i mod length) + 1 for character i.
    EXPECT_EQ(XorString("\x01\x02", "AAA"), "C@C");
    EXPECT_EQ(XorString("\x01\x02", XorString("\x01\x02", "text")), "text");
}

TEST(StrutilsTest, SpacesPaddingAndSearch) {
    EXPECT_TRUE(IsEmptyStr("", {' '}));
    EXPECT_TRUE(IsEmptyStr(" \t ", {' ', '\t'}));
    EXPECT_FALSE(IsEmptyStr(" x ", {' '}));
    EXPECT_EQ(ReplaceStr("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceStr("abcabc", "bc", ""), "aa");
    EXPECT_EQ(ReplaceStr("abc", "", "x"), "abc");
    EXPECT_EQ(DelBSpace("  a b  "), "a b  ");
    EXPECT_EQ(DelESpace("  a b  "), "  a b");
    EXPECT_EQ(DelRSpace("  a b  "), "a b");
    EXPECT_EQ(DelRSpace("    "), "");
    EXPECT_EQ(DelSpace1("  a   b "), " a b ");
    EXPECT_EQ(Tab2Space("a\tb\t", 2), "a  b  ");
    EXPECT_EQ(MS('x', -1), "");
    EXPECT_EQ(AddChar('0', "12", 5), "00012");
    EXPECT_EQ(AddCharR('.', "12", 4), "12..");
    EXPECT_EQ(AddChar('0', "12345", 3), "12345");
    EXPECT_EQ(CenterStr("abc", 10), "    abc   ");
    EXPECT_EQ(CenterStr("abcd", 9), "  abcd   ");
    EXPECT_EQ(CenterStr("abc", 2), "abc");

    EXPECT_EQ(NPos("ab", "xabyabzab", 2), 5);
    EXPECT_EQ(NPos("ab", "xabyabzab", 4), 0);
    EXPECT_EQ(NPos("aa", "aaa", 2), 2);
    EXPECT_EQ(NPos("ab", "ab", 0), 0);
    EXPECT_EQ(FindPart("b?d", "abcde"), 2);
    EXPECT_EQ(FindPart("cd", "abcde"), 3);
    EXPECT_EQ(FindPart("??????", "abcde"), 0);
    EXPECT_EQ(FindPart("x", "abcde"), 0);
}

TEST(StrutilsTest, CopyUpToCharacter) {
    EXPECT_EQ(Copy2Symb("key=value", '='), "key");
    EXPECT_EQ(Copy2Symb("key", '='), "key");
    std::string text = "first   second third";
    EXPECT_EQ(Copy2SpaceDel(text), "first");
    EXPECT_EQ(text, "second third");
    text = "a;  b";
    EXPECT_EQ(Copy2SymbDel(text, ';'), "a");
    EXPECT_EQ(text, ";  b");
    text = "last";
    EXPECT_EQ(Copy2SpaceDel(text), "last");
    EXPECT_EQ(text, "");
}

TEST(StrutilsTest, Quotes) {
    EXPECT_EQ(QuotedString("it's", '\''), "'it''s'");
    EXPECT_EQ(ExtractQuotedString("'it''s' rest", '\''), "it's");
    EXPECT_EQ(ExtractQuotedString("'open", '\''), "open");
    EXPECT_EQ(ExtractQuotedString("plain", '\''), "plain");
    EXPECT_EQ(ExtractQuotedString(QuotedString("a\"\"b", '"'), '"'), "a\"\"b");
}

TEST(StrutilsTest, CommandLineSwitchArgument) {
    const std::vector<std::string> params = {"prog.exe", "-Ini", "a.ini", "/LOG", "x", "-last"};
    EXPECT_EQ(FindCmdLineArg(params, "ini", {'-', '/'}), "a.ini");
    EXPECT_EQ(FindCmdLineArg(params, "log", {'-', '/'}), "x");
    EXPECT_EQ(FindCmdLineArg(params, "log", {'-'}), "");
    EXPECT_EQ(FindCmdLineArg(params, "last", {'-'}), "");
    EXPECT_EQ(FindCmdLineArg(params, "prog.exe", {'-'}), "");
    // Without switch characters the first character of any parameter is skipped.
    EXPECT_EQ(FindCmdLineArg(params, "ini", {}), "a.ini");
    EXPECT_EQ(FindCmdLineArg({"prog", "-", "-"}, "", {'-'}), "");
    EXPECT_EQ(FindCmdLineArg({"prog", Utf8ToAnsi("-Файл"), "f"}, Utf8ToAnsi("фАЙЛ"), {'-'}), "f");
}

#ifdef _WIN32
TEST(StrutilsTest, OemConversionAndCollation) {
    testing_support::ScopedLocale russian(testing_support::kRussianLocale, L",");
    // The OEM code page is the system's: Cyrillic survives the round trip only
    // where it is the Cyrillic one; plain text, and the full length, anywhere.
    const std::string text = GetOEMCP() == 866 ? Utf8ToAnsi("Привет, мир! 123") : std::string("Hello, world! 123");
    const std::string oem = StrToOem(text);
    EXPECT_EQ(oem.size(), text.size());
    EXPECT_EQ(OemToAnsiStr(oem), text);
    EXPECT_EQ(StrToOem(std::string("a\0b", 3)), std::string("a\0b", 3));
    if (GetOEMCP() == 866) {
        EXPECT_EQ(StrToOem(Utf8ToAnsi("Пё")), "\x8F\xF1");
    }

    EXPECT_EQ(CompStr("abc", "abc"), 0);
    EXPECT_EQ(CompStr("abc", "abd"), -1);
    EXPECT_EQ(CompStr("b", "a"), 1);
    EXPECT_NE(CompStr("abc", "ABC"), 0);
    EXPECT_EQ(CompText("abc", "ABC"), 0);
    EXPECT_EQ(CompText(Utf8ToAnsi("ёлка"), Utf8ToAnsi("ЁЛКА")), 0);
    EXPECT_EQ(CompText(Utf8ToAnsi("арбуз"), Utf8ToAnsi("Яблоко")), -1);
    EXPECT_EQ(GetCmdLineArg("no-such-switch", {'-', '/'}), "");
}
#endif

}  // namespace
