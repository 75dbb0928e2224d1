#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/graphics.h"
#include "framework/grids.h"
#include "framework/registry.h"
#include "framework/stdctrls.h"
#include "framework/strings.h"
#include "framework/win.h"
#include "shell/main_form.h"
#include "shell/settings.h"
#include "shell_environment.h"
#include "support/test_support.h"
#include "util/placement.h"
#include "viewer/page_viewer.h"

namespace {

const char kValueOrder[][17] = {"Background1Color", "Font1Color", "Font1Name", "Font1Size", "Background2Color",
                                "Font2Color", "Font2Name", "Font2Size", "Font2Bold", "HandColor",
                                "Schema", "SelectColor", "Prc"};

// The sample dictionary's key part and scheme, from its "voc.ini".
const char kRegKey[] = "netvoc";
const char kIniScheme[] = "море.sch";

// Main windows over the sample dictionary, with the dictionary's settings key
// empty at the start of each test.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::CopySampleDictionary()) << "no sample dictionary";
        shell_testing::DeleteSettings(kRegKey);
    }
    void TearDown() override {
        Close();
        shell_testing::DeleteSettings(kRegKey);
    }
    TForm1* Open() {
        Close();
        form = new TForm1(Application);
        return form;
    }
    void Close() {
        TObject::Free(form);
        form = nullptr;
    }
    // Writes values the way another run (or the user) left them.
    void Store(const std::function<void(TRegistry&)>& write) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\" + shell_settings::WriteKey(kRegKey), true));
        write(reg);
    }

    testing_support::TempWorkDir dir;
    TForm1* form = nullptr;
};

TEST_F(SettingsTest, FirstStartTakesTheSchemeInArialAndWritesIt) {
    Open();
    EXPECT_FALSE(form->HandColor);
    EXPECT_EQ(form->SchemeFileName, Utf8ToAnsi(kIniScheme));
    EXPECT_EQ(form->Background1Color, 0xFFFAF5);
    EXPECT_EQ(form->Background2Color, 0xFDF4EA);
    EXPECT_EQ(form->Font1->Name(), "Arial");
    EXPECT_EQ(form->Font1->Size(), 11);
    EXPECT_EQ(form->Font1->Color(), 0x331F0A);
    EXPECT_EQ(form->Font2->Name(), "Arial");
    EXPECT_EQ(form->Font2->Size(), 10);
    EXPECT_TRUE(form->Font2->Style() & fsBold);
    EXPECT_EQ(form->CustomListSelBackColor, 0xC07C2F);
    EXPECT_EQ(form->CustomListSelTextColor, 0xFFFFFF);
    EXPECT_EQ(form->SelectColor, 0x005AE0);
    EXPECT_EQ(form->Prc, 50);
    EXPECT_EQ(form->Place->IniFileName, shell_settings::ReadKey(kRegKey));
    Close();

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\" + shell_settings::ReadKey(kRegKey)));
    EXPECT_EQ(reg.ReadString("Font1Name"), "Arial");
    EXPECT_EQ(reg.ReadString("Font2Name"), "Arial");
    EXPECT_EQ(reg.ReadInteger("HandColor"), 0);
    EXPECT_EQ(reg.ReadString("Schema"), Utf8ToAnsi(kIniScheme));
}

TEST_F(SettingsTest, ValuesWrittenAtExitReadBackAtTheNextStart) {
    Open();
    form->HandColor = true;
    form->Background1Color = 0x112233;
    form->Background2Color = 0x445566;
    form->Font1->SetName("Courier New");
    form->Font1->SetSize(14);
    form->Font1->SetColor(0x010203);
    form->Font2->SetName("Tahoma");
    form->Font2->SetSize(9);
    form->Font2->SetColor(0x040506);
    form->Font2->SetStyle(0);
    form->SelectColor = 0x00FF00;
    form->SchemeFileName = Utf8ToAnsi("апельсин.sch");
    form->Prc = 30;
    Close();

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\" + shell_settings::ReadKey(kRegKey)));
    TStringList names;
    reg.GetValueNames(&names);
    ASSERT_EQ(names.Count(), 13);
    for (int i = 0; i < 13; ++i) {
        const std::string name = kValueOrder[i];
        const bool text = name == "Font1Name" || name == "Font2Name" || name == "Schema";
        EXPECT_EQ(reg.GetDataType(name), text ? rdString : rdInteger) << name;
    }

    Open();
    EXPECT_TRUE(form->HandColor);
    EXPECT_EQ(form->Background1Color, 0x112233);
    EXPECT_EQ(form->Background2Color, 0x445566);
    EXPECT_EQ(form->Font1->Name(), "Courier New");
    EXPECT_EQ(form->Font1->Size(), 14);
    EXPECT_EQ(form->Font1->Color(), 0x010203);
    EXPECT_EQ(form->Font2->Name(), "Tahoma");
    EXPECT_EQ(form->Font2->Size(), 9);
    EXPECT_EQ(form->Font2->Color(), 0x040506);
    EXPECT_FALSE(form->Font2->Style() & fsBold);
    EXPECT_EQ(form->SelectColor, 0x00FF00);
    EXPECT_EQ(form->SchemeFileName, Utf8ToAnsi("апельсин.sch"));
    EXPECT_EQ(form->SchemeTextFont->Size(), 12);  // the stored scheme was loaded
    EXPECT_EQ(form->Prc, 30);
    // Custom appearance was applied at start.
    EXPECT_EQ(form->Viewer->DefFontName, "Courier New");
    EXPECT_EQ(form->Viewer->DefFontSize(), 14);
    EXPECT_EQ(form->Viewer->DefBackground(), 0x112233);
    EXPECT_EQ(form->List->Color(), 0x445566);
    EXPECT_EQ(form->Panel6->Color(), 0x445566);
    EXPECT_EQ(form->List->Font()->Name(), "Tahoma");
    EXPECT_EQ(form->F->Font()->Color(), 0x040506);
    // The selected term is never stored: it is drawn in the stored scheme's
    // selection colours, not in black.
    EXPECT_EQ(form->CustomListSelBackColor, form->ListSelBackColor);
    EXPECT_EQ(form->CustomListSelTextColor, form->ListSelTextColor);
    form->ListDrawCell(form->List, 0, 0, form->List->CellRect(0, 0), gdSelected | gdFocused);
    EXPECT_EQ(form->List->Canvas()->Brush()->Color(), form->ListSelBackColor);
}

// Reading stops at the first value that is missing or of another type; what
// came before it stays, the rest keeps its value from before.
TEST_F(SettingsTest, ReadingStopsAtTheFirstBadValue) {
    struct Case {
        const char* what;
        std::function<void(TRegistry&)> write;
        bool handColor;
        TColor background1;
        const char* schema;
        int prc;
    } cases[] = {
        {"only HandColor 0", [](TRegistry& r) { r.WriteInteger("HandColor", 0); }, false, 0xFFFAF5, kIniScheme, 50},
        {"Font1Color missing",
         [](TRegistry& r) {
             r.WriteInteger("HandColor", 1);
             r.WriteInteger("Background1Color", 5);
             r.WriteInteger("Prc", 20);
         },
         true, 5, kIniScheme, 50},
        {"HandColor a string", [](TRegistry& r) { r.WriteString("HandColor", "1"); }, false, 0xFFFAF5, kIniScheme, 50},
        {"empty Schema",
         [](TRegistry& r) {
             r.WriteInteger("HandColor", 0);
             r.WriteString("Schema", "");
             r.WriteInteger("Prc", 70);
         },
         false, 0xFFFAF5, kIniScheme, 70},
        {"Prc out of range",
         [](TRegistry& r) {
             r.WriteInteger("HandColor", 0);
             r.WriteString("Schema", Utf8ToAnsi("апельсин.sch"));
             r.WriteInteger("Prc", 250);
         },
         false, 0xF2FBFF, "апельсин.sch", 100},
    };
    for (const Case& c : cases) {
        shell_testing::DeleteSettings(kRegKey);
        Store(c.write);
        Open();
        EXPECT_EQ(form->HandColor, c.handColor) << c.what;
        EXPECT_EQ(form->Background1Color, c.background1) << c.what;
        EXPECT_EQ(form->SchemeFileName, Utf8ToAnsi(c.schema)) << c.what;
        EXPECT_EQ(form->Prc, c.prc) << c.what;
        Close();
    }
}

// A missing string reads as empty text and does not end the reading; the
// framework's fonts take no empty name, so the font keeps the one it had.
TEST_F(SettingsTest, MissingFontNameDoesNotStopTheReading) {
    Store([](TRegistry& r) {
        r.WriteInteger("HandColor", 1);
        r.WriteInteger("Background1Color", 7);
        r.WriteInteger("Font1Color", 0);
        r.WriteInteger("Font1Size", 10);
    });
    const std::string defaultName = TFont().Name();
    Open();
    EXPECT_EQ(form->Font1->Name(), defaultName);
    EXPECT_EQ(form->Font1->Size(), 10);
}

TEST_F(SettingsTest, VocIniGivesSchemeKeyAndTitle) {
    testing_support::WriteFileBytes(
        "voc.ini", Utf8ToAnsi("[Schemas]\r\nSchema=апельсин.sch\r\n[Description]\r\nRegKey=термины\r\n"
                              "Title=Мой словарь\r\n"));
    shell_testing::DeleteSettings(Utf8ToAnsi("термины"));
    Open();
    EXPECT_EQ(form->SchemeFileName, Utf8ToAnsi("апельсин.sch"));
    EXPECT_EQ(form->RegKey, Utf8ToAnsi("термины"));
    EXPECT_EQ(form->Caption(), Utf8ToAnsi("Мой словарь"));
    EXPECT_EQ(form->Place->IniFileName, shell_settings::ReadKey(Utf8ToAnsi("термины")));
    Close();
    TRegistry reg;
    EXPECT_TRUE(reg.KeyExists("\\" + shell_settings::ReadKey(Utf8ToAnsi("термины"))));
    shell_testing::DeleteSettings(Utf8ToAnsi("термины"));

    DeleteFileW(L"voc.ini");
    shell_testing::DeleteSettings("voc");
    Open();
    EXPECT_EQ(form->SchemeFileName, Utf8ToAnsi("апельсин.sch"));
    EXPECT_EQ(form->RegKey, "voc");
    EXPECT_EQ(form->Caption(), Utf8ToAnsi("Словарь"));
    Close();
    shell_testing::DeleteSettings("voc");
}

TEST_F(SettingsTest, MissingSchemeEndsStartUp) {
    testing_support::WriteFileBytes("voc.ini", "[Schemas]\r\nSchema=none.sch\r\n");
    EXPECT_THROW(new TForm1(Application), EFOpenError);
}

// Fonts of the dictionary are copied into the fonts folder once, never over a
// file already there.
TEST_F(SettingsTest, FontsAreCopiedOnceAndNeverOverwritten) {
    Open();
    const std::string target = shell_testing::FontsFolder() + "\\";
    CreateDirectoryW(L"dict", nullptr);
    CreateDirectoryW(L"dict\\fonts", nullptr);
    CreateDirectoryW(L"dict\\fonts\\sub", nullptr);
    testing_support::WriteFileBytes("dict\\fonts\\one.fon", "first");
    testing_support::WriteFileBytes("dict\\fonts\\.hidden", "dot");
    testing_support::WriteFileBytes("dict\\fonts\\kept.fon", "new");
    testing_support::WriteFileBytes(target + "kept.fon", "old");
    shell_testing::Broadcasts().clear();

    form->InstallFonts("dict");
    EXPECT_EQ(testing_support::ReadFileBytes(target + "one.fon"), "first");
    EXPECT_EQ(testing_support::ReadFileBytes(target + "kept.fon"), "old");
    EXPECT_FALSE(FileExists(target + ".hidden"));
    EXPECT_FALSE(DirectoryExists(target + "sub"));
    // Not fonts: nothing was registered, nothing broadcast.
    EXPECT_TRUE(shell_testing::Broadcasts().empty());

    testing_support::WriteFileBytes("dict\\fonts\\one.fon", "second");
    form->InstallFonts("dict\\");
    EXPECT_EQ(testing_support::ReadFileBytes(target + "one.fon"), "first");
    DeleteFileW(AnsiToWide(target + "one.fon").c_str());
    DeleteFileW(AnsiToWide(target + "kept.fon").c_str());
}

TEST_F(SettingsTest, NewlyCopiedFontIsAnnouncedOnce) {
    const std::string font = "Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationSans-Regular.ttf";
    if (!FileExists(font)) GTEST_SKIP() << "no font file to install";
    Open();
    CreateDirectoryW(L"dict", nullptr);
    CreateDirectoryW(L"dict\\fonts", nullptr);
    ASSERT_TRUE(CopyFileW(AnsiToWide(font).c_str(), L"dict\\fonts\\test-sans.ttf", FALSE));
    shell_testing::Broadcasts().clear();

    form->InstallFonts("dict");
    EXPECT_TRUE(FileExists(shell_testing::FontsFolder() + "\\test-sans.ttf"));
    ASSERT_EQ(shell_testing::Broadcasts().size(), 1u);
    EXPECT_EQ(shell_testing::Broadcasts()[0], static_cast<unsigned>(WM_FONTCHANGE));

    // Already there: registered again, but nothing new to announce.
    form->InstallFonts("dict");
    EXPECT_EQ(shell_testing::Broadcasts().size(), 1u);
}

}  // namespace
