#include <gtest/gtest.h>

#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "support/test_support.h"

namespace {

TEST(Cp1251, EveryByteConvertsExactlyAsThePlatformDoes) {
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t platform = 0;
        ASSERT_EQ(MultiByteToWideChar(1251, 0, &byte, 1, &platform, 1), 1);
        const std::wstring ours = AnsiToWide(std::string(1, byte));
        ASSERT_EQ(ours.size(), 1u);
        EXPECT_EQ(ours[0], platform) << "byte " << b;
        EXPECT_EQ(static_cast<wchar_t>(kCp1251ToUnicode[b]), platform) << "byte " << b;
        EXPECT_EQ(WideToAnsi(ours), std::string(1, byte)) << "byte " << b;
    }
}

TEST(Cp1251, EveryUtf16UnitHasACp1251FormExactlyWhenThePlatformHasOne) {
    for (unsigned u = 1; u < 0x10000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        const auto unit = static_cast<wchar_t>(u);
        char platform = 0;
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, &unit, 1, &platform, 1, "?", &usedDefault);
        ASSERT_EQ(n, 1);
        char ours = 0;
        const bool has = WideCharToAnsiChar(unit, ours);
        ASSERT_EQ(has, !usedDefault) << std::hex << "U+" << u;
        if (has) {
            EXPECT_EQ(ours, platform) << std::hex << "U+" << u;
        }
    }
}

TEST(Cp1251, Utf8AndUtf16AgreeWithThePlatformIncludingSurrogates) {
    const char* samples[] = {"", "Словарь", "апельсин.sch", "ёЁ №", "\xF0\x9F\x98\x80 smile"};
    for (const char* sample : samples) {
        const std::string utf8 = sample;
        wchar_t platform[64];
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), platform, 64);
        EXPECT_EQ(Utf8ToWide(utf8), std::wstring(platform, n)) << utf8;
        EXPECT_EQ(WideToUtf8(Utf8ToWide(utf8)), utf8);
    }
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), (std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}));
    EXPECT_EQ(Utf8ToAnsi("Словарь"), "\xD1\xEB\xEE\xE2\xE0\xF0\xFC");
    EXPECT_EQ(AnsiToUtf8("\xD1\xEB\xEE\xE2\xE0\xF0\xFC"), "Словарь");
    // A character with no code page 1251 form is one '?', even a surrogate pair.
    EXPECT_EQ(Utf8ToAnsi("a\xF0\x9F\x98\x80z"), "a?z");
    EXPECT_EQ(WideToAnsi(Utf8ToWide("a\xF0\x9F\x98\x80z")), "a?z");
}

TEST(Cp1251, MalformedInputBecomesReplacementCharacters) {
    struct Case {
        std::string utf8;
        std::wstring wide;
    } cases[] = {
        {"\xC3", L"\xFFFD"},                       // truncated
        {"\xC0\xAF", L"\xFFFD\xFFFD"},             // overlong '/'
        {"\xED\xA0\x80", L"\xFFFD\xFFFD\xFFFD"},   // encoded surrogate
        {"\xFF" "a", L"\xFFFD" L"a"},
        {"\xE2\x82" "a", L"\xFFFD\xFFFD" L"a"},    // cut short, the rest still decodes
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToWide(c.utf8), c.wide);
    const std::wstring loneSurrogates{wchar_t(0xD800), L'x', wchar_t(0xDC00)};
    EXPECT_EQ(WideToUtf8(loneSurrogates), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(WideToAnsi(loneSurrogates), "?x?");
}

TEST(AnsiCase, EveryByteMapsToItsCp1251PartnerOrItself) {
    // Lower/upper pairs of code page 1251 beyond ASCII and the main alphabet.
    const unsigned char pairs[][2] = {
        {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F},
        {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5}, {0xB8, 0xA8}, {0xBA, 0xAA}, {0xBF, 0xAF}, {0xB3, 0xB2},
        {0xBE, 0xBD},
    };
    unsigned char upper[256], lower[256];
    for (int b = 0; b < 256; ++b) upper[b] = lower[b] = static_cast<unsigned char>(b);
    auto pair = [&](int lo, int up) {
        upper[lo] = static_cast<unsigned char>(up);
        lower[up] = static_cast<unsigned char>(lo);
    };
    for (int c = 'a'; c <= 'z'; ++c) pair(c, c - 32);
    for (int c = 0xE0; c <= 0xFF; ++c) pair(c, c - 32);
    for (const auto& p : pairs) pair(p[0], p[1]);

    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
    const std::string up = AnsiUpperCase(all);
    const std::string down = AnsiLowerCase(all);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(static_cast<unsigned char>(up[b]), upper[b]) << "byte " << b;
        EXPECT_EQ(static_cast<unsigned char>(down[b]), lower[b]) << "byte " << b;
    }
    // The ASCII helpers leave everything beyond ASCII alone.
    EXPECT_EQ(UpperCase(Utf8ToAnsi("abc яблоко")), Utf8ToAnsi("ABC яблоко"));
}

TEST(AnsiCase, ComparisonIgnoresCaseAndFollowsTheAlphabet) {
    auto cmp = [](const char* a, const char* b) { return AnsiCompareText(Utf8ToAnsi(a), Utf8ToAnsi(b)); };
    EXPECT_EQ(cmp("ЯБЛОКО", "яблоко"), 0);
    EXPECT_EQ(cmp("Ёж", "ёЖ"), 0);
    EXPECT_LT(cmp("а", "б"), 0);
    EXPECT_LT(cmp("е", "ё"), 0);
    EXPECT_LT(cmp("ё", "ж"), 0);
    EXPECT_LT(cmp("z", "а"), 0);
    EXPECT_LT(cmp("абв", "абвг"), 0);
    EXPECT_GT(AnsiCompareStr(Utf8ToAnsi("Б"), Utf8ToAnsi("б")), 0);
    EXPECT_TRUE(SameText(Utf8ToAnsi("Словарь"), Utf8ToAnsi("СЛОВАРЬ")));
    EXPECT_NE(CompareText(Utf8ToAnsi("я"), Utf8ToAnsi("Я")), 0);
    EXPECT_EQ(CompareText("Key", "KEY"), 0);
}

TEST(Numbers, StrToIntAcceptsWhatItShouldAndNothingElse) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"0", true, 0},          {" 12 ", true, 12},          {"-7", true, -7},
        {"+7", true, 7},         {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},               {"2147483648", false, 0},
        {"$FF", true, 255},      {"0x1f", true, 31},          {"$FFFFFFFF", true, -1},
        {"$100000000", false, 0}, {"", false, 0},             {"-", false, 0},
        {"1 2", false, 0},       {"12a", false, 0},           {"$", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        int value = 12345;
        EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
        EXPECT_EQ(StrToIntDef(c.text, -99), c.ok ? c.value : -99) << c.text;
    }
    try {
        StrToInt("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(IntToStr(-9000000000LL), "-9000000000");
    EXPECT_EQ(IntToHex(0xBEEF, 8), "0000BEEF");
    EXPECT_EQ(IntToHex(0x123456789ULL, 2), "123456789");
}

TEST(Strings, FormatTrimAndFileNameParts) {
    EXPECT_EQ(Format("%.5d%.3d", 42, 7), "00042007");
    EXPECT_EQ(Format("%s=%lld", "x", 1LL << 40), "x=1099511627776");
    EXPECT_EQ(Format("%s", std::string(5000, 'a').c_str()).size(), 5000u);
    EXPECT_EQ(Format("%.2f", 1.5), "1.50");
    EXPECT_EQ(Trim(" \t\r\nab c\x01 "), "ab c");
    EXPECT_EQ(Trim("\xA0" "a"), "\xA0" "a");  // a cp1251 no-break space is not a blank
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");

    struct Case {
        const char* name;
        const char* path;
        const char* file;
        const char* ext;
    } cases[] = {
        {"C:\\dir\\voc.ind", "C:\\dir\\", "voc.ind", ".ind"},
        {"schema/апельсин.sch", "schema/", "апельсин.sch", ".sch"},
        {"C:voc.dat", "C:", "voc.dat", ".dat"},
        {"dir.v2\\noext", "dir.v2\\", "noext", ""},
        {"voc", "", "voc", ""},
        {"a.b.c", "", "a.b.c", ".c"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
        EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
        EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
    }
    EXPECT_EQ(ChangeFileExt("dir.v2\\noext", ".bmp"), "dir.v2\\noext.bmp");
    EXPECT_EQ(ChangeFileExt("a.b.c", ""), "a.b");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
}

TEST(Strings, FindByteAgreesWithFindEverywhere) {
    // Every length up to three blocks of sixteen, the byte sought at every
    // place and twice, bytes with the high bit, and starts at, inside and
    // past the end.
    for (char sought : {'\0', '<', '\x80', '\xFF', '\x7F'})
        for (size_t length = 0; length <= 48; ++length)
            for (size_t at = 0; at <= length; ++at) {
                std::string text(length, sought == '\x7F' ? '\xFF' : '\x7F');
                if (at < length) text[at] = sought;
                if (at + 9 < length) text[at + 9] = sought;
                for (size_t from = 0; from <= length + 2; ++from)
                    ASSERT_EQ(FindByte(text, sought, from), std::string_view(text).find(sought, from))
                        << int(sought) << " " << length << " " << at << " " << from;
            }
}

TEST(Strings, SameBytesAgreesWithEquality) {
    // Texts that differ in length, in one byte anywhere (the high bit too) or
    // not at all, and the empty text.
    for (size_t length = 0; length <= 20; ++length)
        for (size_t at = 0; at <= length; ++at) {
            const std::string text(length, 'a');
            std::string other = text;
            if (at < length) other[at] = '\xE0';
            ASSERT_EQ(SameBytes(text, other), text == other) << length << " " << at;
            ASSERT_TRUE(SameBytes(other, other));
            ASSERT_FALSE(SameBytes(text, text + "a"));
            ASSERT_FALSE(SameBytes(text + "a", text));
        }
}

TEST(Files, RussianNamesReachTheDiskAsTheirUnicodeNames) {
    testing_support::TempWorkDir dir;
    const std::string name = Utf8ToAnsi("апельсин.sch");
    testing_support::WriteFileBytes(name, "x");

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"*.sch", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(std::wstring(found.cFileName), Utf8ToWide("апельсин.sch"));

    EXPECT_TRUE(FileExists(name));
    EXPECT_FALSE(DirectoryExists(name));
    EXPECT_EQ(ExpandFileName(name), IncludeTrailingBackslash(GetCurrentDir()) + name);
    EXPECT_EQ(ExpandFileName("a\\..\\" + name), IncludeTrailingBackslash(GetCurrentDir()) + name);
    EXPECT_TRUE(DeleteFile(name));
    EXPECT_FALSE(FileExists(name));
    EXPECT_FALSE(DeleteFile(name));

    const std::string folder = Utf8ToAnsi("схемы");
    ASSERT_TRUE(CreateDirectoryW(AnsiToWide(folder).c_str(), nullptr));
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_FALSE(FileExists(folder));
    const std::string here = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(folder));
    EXPECT_EQ(GetCurrentDir(), IncludeTrailingBackslash(here) + folder);
    SetCurrentDir(here);
}

}  // namespace
