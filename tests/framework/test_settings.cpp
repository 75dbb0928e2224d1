#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>

#include "framework/cp1251.h"
#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/strings.h"
#include "framework/win.h"
#include "support/test_support.h"

namespace {

using Lines = std::vector<std::string>;

std::string Ru(const char* utf8) { return Utf8ToAnsi(utf8); }

std::string TestKey(const std::string& name) { return testing_support::TestRegistryRoot() + "\\" + name; }

Lines Contents(const TStrings& list) {
    Lines lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
    return lines;
}

void ExpectRegistryError(const std::function<void()>& action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected " << message;
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message, message);
    }
}

TEST(Registry, ValuesRoundTripAsUnicodeStringsAndDwords) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(TestKey(Ru("Словарь")), true));
    std::string everyByte;
    for (int b = 1; b < 256; ++b) everyByte += static_cast<char>(b);
    const std::string strings[] = {"", "voc", Ru("Словарь"), Ru("апельсин.sch"), everyByte, std::string(5000, 'x')};
    for (const auto& s : strings) {
        reg.WriteString(Ru("Шрифт"), s);
        EXPECT_EQ(reg.ReadString(Ru("Шрифт")), s);
    }
    for (int value : {0, 1, -1, INT_MIN, INT_MAX, static_cast<int>(0x8000000Fu)}) {
        reg.WriteInteger("Font1Size", value);
        EXPECT_EQ(reg.ReadInteger("Font1Size"), value);
    }
    reg.WriteBool("Font2Bold", true);
    EXPECT_TRUE(reg.ReadBool("Font2Bold"));
    const char blob[] = {1, 0, 2, 0, 3};
    reg.WriteBinaryData("Blob", blob, 5);
    char back[8] = {};
    EXPECT_EQ(reg.ReadBinaryData("Blob", back, 8), 5);
    EXPECT_EQ(std::string(back, 5), std::string(blob, 5));

    // What other programs see: UTF-16 text and a DWORD.
    reg.WriteString("Title", Ru("Словарь"));
    wchar_t text[32] = {};
    DWORD type = 0, size = sizeof text;
    ASSERT_EQ(RegQueryValueExW(reg.CurrentKey(), L"Title", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(text), Utf8ToWide("Словарь"));
    EXPECT_EQ(reg.GetDataType("Font1Size"), rdInteger);
    EXPECT_EQ(reg.GetDataSize("Font1Size"), 4);
}

TEST(Registry, MissingAndMismatchedValuesFailClearly) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(TestKey("Mismatch"), true));
    reg.WriteString("text", "12");
    reg.WriteInteger("number", 12);
    EXPECT_EQ(reg.ReadString("missing"), "");
    EXPECT_EQ(reg.GetDataSize("missing"), -1);
    char buffer[2];
    EXPECT_EQ(reg.ReadBinaryData("missing", buffer, 2), 0);
    ExpectRegistryError([&] { reg.ReadInteger("missing"); }, "Failed to get data for 'missing'");
    ExpectRegistryError([&] { reg.ReadBool("missing"); }, "Failed to get data for 'missing'");
    ExpectRegistryError([&] { reg.ReadInteger("text"); }, "Invalid data type for 'text'");
    ExpectRegistryError([&] { reg.ReadString("number"); }, "Invalid data type for 'number'");
    ExpectRegistryError([&] { reg.ReadBinaryData("text", buffer, 2); }, "Invalid data type for 'text'");

    EXPECT_TRUE(reg.ValueExists("text"));
    EXPECT_TRUE(reg.DeleteValue("text"));
    EXPECT_FALSE(reg.ValueExists("text"));
    EXPECT_FALSE(reg.DeleteValue("text"));

    TRegistry readOnly;
    ASSERT_TRUE(readOnly.OpenKeyReadOnly(TestKey("Mismatch")));
    EXPECT_EQ(readOnly.ReadInteger("number"), 12);
    ExpectRegistryError([&] { readOnly.WriteInteger("number", 1); }, "Failed to set data for 'number'");
}

TEST(Registry, KeysOpenCreateListAndDeleteRecursively) {
    const std::string base = TestKey("Keys");
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(base, false));
    EXPECT_TRUE(reg.CreateKey(base + "\\" + Ru("Схемы") + "\\deep"));
    EXPECT_TRUE(reg.KeyExists(base + "\\" + Ru("Схемы")));
    EXPECT_EQ(reg.CurrentKey(), nullptr);

    ASSERT_TRUE(reg.OpenKey(base, false));
    EXPECT_EQ(reg.CurrentPath(), base);
    reg.WriteString("a", "1");
    reg.WriteInteger(Ru("б"), 2);
    ASSERT_TRUE(reg.OpenKey("Second", true));  // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), base + "\\Second");
    ASSERT_TRUE(reg.OpenKey("\\" + base, false));  // below the root again
    EXPECT_EQ(reg.CurrentPath(), base);
    EXPECT_FALSE(reg.OpenKey("Nowhere", false));
    EXPECT_EQ(reg.CurrentPath(), base);  // a failed open keeps the open key

    TStringList names;
    names.SetSorted(true);
    reg.GetKeyNames(&names);
    EXPECT_EQ(Contents(names), (Lines{"Second", Ru("Схемы")}));
    reg.GetValueNames(&names);
    EXPECT_EQ(Contents(names), (Lines{"a", Ru("б")}));
    EXPECT_TRUE(reg.HasSubKeys());

    // An empty name must never turn into "everything below the open key".
    EXPECT_FALSE(reg.DeleteKey(""));
    EXPECT_FALSE(reg.DeleteKey("\\"));
    EXPECT_TRUE(reg.KeyExists(Ru("Схемы") + "\\deep"));
    EXPECT_TRUE(reg.DeleteKey(Ru("Схемы")));
    EXPECT_FALSE(reg.KeyExists(Ru("Схемы")));
    EXPECT_TRUE(reg.ValueExists("a"));
    reg.CloseKey();
    EXPECT_TRUE(reg.DeleteKey(base));
    EXPECT_FALSE(reg.KeyExists(base));
    ExpectRegistryError([&] { reg.CreateKey(""); }, "Failed to create key ");
}

// The shared story of an ini-like store: the form placement and the shell use
// both kinds through the common base.
void ExerciseStore(TCustomIniFile& store) {
    const std::string section = Ru("Настройки");
    EXPECT_EQ(store.ReadString(section, "Title", Ru("по умолчанию")), Ru("по умолчанию"));
    EXPECT_FALSE(store.SectionExists(section));

    store.WriteString(section, "Title", Ru("Словарь"));
    store.WriteString(section, Ru("Схема"), Ru("апельсин.sch"));
    store.WriteInteger(section, "Prc", -5);
    store.WriteBool(section, "Visible", true);
    store.WriteString(section, "Hex", "0x1F");
    store.WriteString(section, "Dollar", "$10");
    store.WriteString(section, "Junk", "12abc");
    store.WriteString("Other", "x", "1");

    EXPECT_EQ(store.ReadString(section, "title", ""), Ru("Словарь"));
    EXPECT_EQ(store.ReadString(section, Ru("Схема"), ""), Ru("апельсин.sch"));
    EXPECT_EQ(store.ReadInteger(section, "Prc", 0), -5);
    EXPECT_TRUE(store.ReadBool(section, "Visible", false));
    EXPECT_FALSE(store.ReadBool(section, "Hidden", false));
    EXPECT_EQ(store.ReadInteger(section, "Hex", 0), 31);
    EXPECT_EQ(store.ReadInteger(section, "Dollar", 0), 16);
    EXPECT_EQ(store.ReadInteger(section, "Junk", 7), 7);
    EXPECT_EQ(store.ReadInteger(section, "Missing", 7), 7);

    TStringList list;
    store.ReadSection(section, &list);
    list.SetSorted(true);
    EXPECT_EQ(Contents(list), (Lines{"Dollar", "Hex", "Junk", "Prc", "Title", "Visible", Ru("Схема")}));
    store.ReadSections(&list);
    EXPECT_GE(list.IndexOf(section), 0);
    EXPECT_GE(list.IndexOf("Other"), 0);
    store.ReadSectionValues(section, &list);
    EXPECT_EQ(list.Values("Title"), Ru("Словарь"));
    EXPECT_EQ(list.Values("Prc"), "-5");

    EXPECT_TRUE(store.SectionExists(section));
    EXPECT_TRUE(store.ValueExists(section, "Prc"));
    store.DeleteKey(section, "Prc");
    EXPECT_FALSE(store.ValueExists(section, "Prc"));
    store.EraseSection(section);
    EXPECT_FALSE(store.SectionExists(section));
    EXPECT_EQ(store.ReadString(section, "Title", "gone"), "gone");
    EXPECT_EQ(store.ReadString("Other", "x", ""), "1");
    store.UpdateFile();
}

TEST(Settings, IniFileAndRegistryIniFileBehaveAlike) {
    testing_support::TempWorkDir dir;
    {
        SCOPED_TRACE("TIniFile");
        TIniFile ini("settings.ini");
        ExerciseStore(ini);
    }
    {
        SCOPED_TRACE("TRegIniFile");
        TRegIniFile ini(TestKey("IniLike"));
        ExerciseStore(ini);
    }
}

TEST(Settings, IniFileReadsTheDictionarysCp1251FileFromTheCurrentFolder) {
    testing_support::TempWorkDir dir;
    testing_support::WriteFileBytes("voc.ini", "[Schemas]\r\nSchema=" + Ru("апельсин.sch") +
                                                   "\r\n[Description]\r\nRegKey=voc\r\nTitle=" + Ru("Словарь") +
                                                   "\r\n");
    TIniFile ini("voc.ini");
    EXPECT_EQ(ini.FileName(), IncludeTrailingBackslash(dir.Path()) + "voc.ini");
    EXPECT_EQ(ini.ReadString("Schemas", "Schema", ""), Ru("апельсин.sch"));
    EXPECT_EQ(ini.ReadString("Description", "Title", ""), Ru("Словарь"));
    EXPECT_EQ(ini.ReadString("Description", "RegKey", ""), "voc");

    const std::string longValue(5000, 'v');
    ini.WriteString("Description", "Long", longValue);
    EXPECT_EQ(ini.ReadString("Description", "Long", ""), longValue);
    EXPECT_NE(testing_support::ReadFileBytes("voc.ini").find("Long=vvvv"), std::string::npos);

    TIniFile nowhere(Ru("нет папки\\x.ini"));
    try {
        nowhere.WriteString("a", "b", "c");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Unable to write to " + nowhere.FileName());
    }
}

TEST(Settings, RegistryIniFileWritesNumbersAsTextAndReadsDwordsToo) {
    const std::string key = TestKey("Placement");
    {
        TRegIniFile ini(key);
        ini.WriteInteger("TForm1", "ShowCmd", 3);
        ini.WriteBool("TForm1", "Visible", false);
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key + "\\TForm1", false));
    EXPECT_EQ(reg.GetDataType("ShowCmd"), rdString);
    EXPECT_EQ(reg.ReadString("ShowCmd"), "3");
    EXPECT_EQ(reg.ReadString("Visible"), "0");
    reg.WriteInteger("PixelsPerInch", 96);

    TRegIniFile ini(key);
    EXPECT_EQ(ini.ReadInteger("TForm1", "PixelsPerInch", 0), 96);
    EXPECT_EQ(ini.ReadInteger("TForm1", "ShowCmd", 0), 3);
    TStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(Contents(sections), Lines{"TForm1"});
    ini.DeleteKey("NoSuchSection", "x");
    EXPECT_FALSE(reg.KeyExists("\\" + key + "\\NoSuchSection"));
}

}  // namespace
