// TIniFile on disk: what it reads from files other programs wrote, and the
// bytes it leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/cp1251.h"
#include "framework/inifiles.h"
#include "framework/strings.h"
#include "framework/win.h"
#include "support/test_support.h"

namespace {

using Lines = std::vector<std::string>;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

std::string Ru(const char* utf8) { return Utf8ToAnsi(utf8); }

Lines Contents(const TStrings& list) {
    Lines lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
    return lines;
}

// A UTF-16 little-endian file with its byte order mark.
std::string Utf16Le(const char* utf8) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t unit : Utf8ToWide(utf8)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

Lines FolderFiles() {
    Lines names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(WideToAnsi(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

TEST(IniFile, ReadsValuesTrimmedAndUnquotedAsTheProfileFunctionsDo) {
    testing_support::TempWorkDir dir;
    WriteFileBytes("t.ini", Ru("orphan=before any section\r\n"
                               "[Main]\r\n"
                               "plain=value\r\n"
                               "  spaced  =  two words \t\x1A\r\n"
                               "double=\"quoted \"\r\n"
                               "single=' x '\r\n"
                               "mixed=\"x'\r\n"
                               "lone=\"\r\n"
                               "nbsp=\xC2\xA0x\r\n"
                               "empty=\r\n"
                               "eq=a=b\r\n"
                               ";comment=1\r\n"
                               "no equals sign\r\n"
                               "=no name\r\n"
                               "dup=first\r\n"
                               "DUP=second\r\n"
                               "[ Словарь ]\r\n"
                               "Термин=апельсин\r\n"
                               "ТЕРМИН=hidden by the first of any case\r\n"
                               "[Main]\r\n"
                               "later=hidden by the first [Main]\r\n"
                               "[Tail]junk\r\n"
                               "t=1\r\n"
                               "[Open\r\n"
                               "o=2"));
    TIniFile ini("t.ini");
    struct Case {
        std::string section, key, expected;
    } cases[] = {
        {"Main", "plain", "value"},
        {"main", " SPACED ", "two words"},
        {"Main", "double", "quoted "},
        {"Main", "single", " x "},
        {"Main", "mixed", "\"x'"},
        {"Main", "lone", "\""},
        {"Main", "nbsp", Ru("\xC2\xA0x")},  // no-break space is not a blank
        {"Main", "empty", ""},
        {"Main", "eq", "a=b"},
        {"Main", ";comment", "<default>"},
        {"Main", "no equals sign", "<default>"},
        {"Main", "dup", "first"},
        {"Main", "later", "<default>"},
        {Ru("СЛОВАРЬ"), Ru("тЕРМИН"), Ru("апельсин")},
        {"Tail", "t", "1"},
        {"Tail", "o", "2"},  // "[Open" is no header
        {"", "orphan", "<default>"},
        {"Main", "", "<default>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected) << c.section << "/" << c.key;

    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Contents(list), (Lines{"Main", Ru("Словарь"), "Tail"}));
    ini.ReadSection("MAIN", &list);
    EXPECT_EQ(Contents(list), (Lines{"plain", "spaced", "double", "single", "mixed", "lone", "nbsp", "empty", "eq", "dup"}));
    ini.ReadSectionValues(Ru("словарь"), &list);
    EXPECT_EQ(Contents(list), Lines{Ru("Термин=апельсин")});
    EXPECT_TRUE(ini.ValueExists("Main", "DUP"));
    EXPECT_FALSE(ini.ValueExists("Main", "later"));
    EXPECT_FALSE(ini.SectionExists("Open"));
}

// The dictionary's own file: code page 1251, no byte order mark, CR LF.
TEST(IniFile, WritesLeaveEveryUntouchedByteAsItWas) {
    testing_support::TempWorkDir dir;
    const std::string original = Ru("; Словарь терминов\r\n"
                                    "[Описание]\r\n"
                                    "Название = Электроника \r\n"
                                    "# not ini syntax\r\n"
                                    "RegKey=voc\r\n"
                                    "\r\n"
                                    "; схемы оформления\r\n"
                                    "[Схемы]\r\n"
                                    "Схема=апельсин.sch\r\n");
    WriteFileBytes("voc.ini", original);
    TIniFile ini("voc.ini");

    struct Step {
        const char* what;
        std::function<void()> change;
        std::string expected;
    } steps[] = {
        {"same values", [&] {
             ini.WriteString(Ru("описание"), Ru("НАЗВАНИЕ"), Ru("Электроника"));
             ini.WriteString(Ru("Схемы"), Ru("Схема"), Ru("апельсин.sch"));
             ini.DeleteKey(Ru("Схемы"), "missing");
             ini.EraseSection("missing");
         },
         original},
        {"new value", [&] { ini.WriteString(Ru("Описание"), Ru("Название"), Ru("Радио")); },
         Ru("; Словарь терминов\r\n[Описание]\r\nНазвание = Радио\r\n# not ini syntax\r\nRegKey=voc\r\n\r\n"
            "; схемы оформления\r\n[Схемы]\r\nСхема=апельсин.sch\r\n")},
        {"new key after the section's last line", [&] { ini.WriteString(Ru("Описание"), Ru("Ключ"), " 1 "); },
         Ru("; Словарь терминов\r\n[Описание]\r\nНазвание = Радио\r\n# not ini syntax\r\nRegKey=voc\r\nКлюч=1\r\n\r\n"
            "; схемы оформления\r\n[Схемы]\r\nСхема=апельсин.sch\r\n")},
        {"new section at the end", [&] { ini.WriteString("New", "a", "b\r\n[Injected]\r\nc=d"); },
         Ru("; Словарь терминов\r\n[Описание]\r\nНазвание = Радио\r\n# not ini syntax\r\nRegKey=voc\r\nКлюч=1\r\n\r\n"
            "; схемы оформления\r\n[Схемы]\r\nСхема=апельсин.sch\r\n\r\n[New]\r\na=b\r\n")},
        {"delete a key", [&] { ini.DeleteKey(Ru("ОПИСАНИЕ"), "regkey"); },
         Ru("; Словарь терминов\r\n[Описание]\r\nНазвание = Радио\r\n# not ini syntax\r\nКлюч=1\r\n\r\n"
            "; схемы оформления\r\n[Схемы]\r\nСхема=апельсин.sch\r\n\r\n[New]\r\na=b\r\n")},
        {"erase a section, keeping the next one's comment", [&] { ini.EraseSection(Ru("Описание")); },
         Ru("; Словарь терминов\r\n\r\n; схемы оформления\r\n[Схемы]\r\nСхема=апельсин.sch\r\n\r\n[New]\r\na=b\r\n")},
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(ReadFileBytes("voc.ini"), step.expected) << step.what;
    }
    EXPECT_FALSE(ini.SectionExists("Injected"));
    EXPECT_EQ(FolderFiles(), Lines{"voc.ini"});
}

TEST(IniFile, KeepsEachFilesLineEndsAndEncoding) {
    testing_support::TempWorkDir dir;
    const std::string title = Ru("Словарь");
    struct Case {
        const char* what;
        std::string before, after;  // after writing [Описание] Ключ=Знач
    } cases[] = {
        {"LF", Ru("[Описание]\nTitle=Словарь\n"), Ru("[Описание]\nTitle=Словарь\nКлюч=Знач\n")},
        {"CR", Ru("[Описание]\rTitle=Словарь"), Ru("[Описание]\rTitle=Словарь\rКлюч=Знач\r")},
        {"mixed, no last end", Ru("[Описание]\nTitle=Словарь\r\nx=1"),
         Ru("[Описание]\nTitle=Словарь\r\nx=1\nКлюч=Знач\n")},
        {"UTF-8 mark", "\xEF\xBB\xBF[Описание]\r\nTitle=Словарь\r\n",
         "\xEF\xBB\xBF[Описание]\r\nTitle=Словарь\r\nКлюч=Знач\r\n"},
        {"UTF-16 mark", Utf16Le("[Описание]\nTitle=Словарь"), Utf16Le("[Описание]\nTitle=Словарь\nКлюч=Знач\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes("e.ini", c.before);
        TIniFile ini("e.ini");
        EXPECT_EQ(ini.ReadString(Ru("описание"), "title", ""), title);
        ini.WriteString(Ru("Описание"), Ru("Ключ"), Ru("Знач"));
        EXPECT_EQ(ReadFileBytes("e.ini"), c.after);
    }
}

TEST(IniFile, AMissingFileGivesDefaultsAndTheFirstWriteMakesIt) {
    testing_support::TempWorkDir dir;
    TIniFile ini("new.ini");
    EXPECT_EQ(ini.ReadString("s", "k", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("s", "n", 7), 7);
    TStringList list;
    list.Add("stale");
    ini.ReadSections(&list);
    EXPECT_EQ(list.Count(), 0);
    ini.DeleteKey("s", "k");
    ini.EraseSection("s");
    ini.UpdateFile();
    EXPECT_EQ(FolderFiles(), Lines{});

    ini.WriteString(Ru("Раздел"), Ru("Ключ"), Ru("значение"));
    EXPECT_EQ(ReadFileBytes("new.ini"), Ru("[Раздел]\r\nКлюч=значение\r\n"));
}

TEST(IniFile, AFailedWriteLeavesTheOldFileAsItWas) {
    testing_support::TempWorkDir dir;
    const std::string before = "[s]\r\nk=old\r\n";
    WriteFileBytes("ro.ini", before);
    ASSERT_TRUE(SetFileAttributesW(L"ro.ini", FILE_ATTRIBUTE_READONLY));
    TIniFile readOnly("ro.ini");
    EXPECT_THROW(readOnly.WriteString("s", "k", "new"), Exception);
    EXPECT_THROW(readOnly.DeleteKey("s", "k"), Exception);
    EXPECT_EQ(ReadFileBytes("ro.ini"), before);
    EXPECT_EQ(readOnly.ReadString("s", "k", ""), "old");
    SetFileAttributesW(L"ro.ini", FILE_ATTRIBUTE_NORMAL);

    // Too large to be settings: read as empty, never written over.
    std::string huge = "[s]\r\nk=big\r\n";
    huge.resize((16u << 20) + 1, ';');
    WriteFileBytes("huge.ini", huge);
    TIniFile big("huge.ini");
    EXPECT_EQ(big.ReadString("s", "k", "def"), "def");
    try {
        big.WriteString("s", "k", "small");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Unable to write to " + big.FileName());
    }
    EXPECT_EQ(ReadFileBytes("huge.ini").size(), huge.size());
    EXPECT_EQ(FolderFiles(), (Lines{"huge.ini", "ro.ini"}));
}

}  // namespace
