#include "util/iniutils.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/registry.h"
#include "framework/stdctrls.h"
#include "framework/strings.h"
#include "support/test_support.h"
#include "util/placement.h"

namespace {

using testing_support::TempWorkDir;
using testing_support::TestRegistryRoot;

TEST(IniUtils, LineBreaksEscapeToBackslashN) {
    struct Case {
        std::string text, escaped, unescaped;
    };
    const Case cases[] = {
        {"a\r\nb", "a\\nb", "a\r\nb"},
        {"a\n\rb", "a\\nb", "a\r\nb"},
        {"a\rb", "a\\nb", "a\r\nb"},
        {"a\nb", "a\\nb", "a\r\nb"},
        {"a\r\n\r\nb", "a\\n\\nb", "a\r\n\r\nb"},
        {"a\n\nb", "a\\n\\nb", "a\r\n\r\nb"},
        {"\r\n", "\\n", "\r\n"},
        {"plain", "plain", "plain"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StrToIniStr(c.text), c.escaped);
        EXPECT_EQ(IniStrToStr(StrToIniStr(c.text)), c.unescaped);
    }
    EXPECT_EQ(IniStrToStr("a\\tb\\"), "a\\tb\\");
}

TEST(IniUtils, EscapingRefusesLinesOver4096Characters) {
    EXPECT_EQ(StrToIniStr(std::string(4096, 'x')).size(), 4096u);
    EXPECT_EQ(IniStrToStr(std::string(4096, 'x')).size(), 4096u);
    for (auto routine : {&StrToIniStr, &IniStrToStr}) {
        try {
            routine(std::string(4097, 'x'));
            ADD_FAILURE() << "4097 characters accepted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "Line too long");
        }
    }
}

TEST(IniUtils, QuotedValuesKeepTheirQuotesInAnIniFile) {
    TempWorkDir dir;
    TIniFile ini("quotes.ini");
    const std::string values[] = {"\"both\"", "'single'", "\"", "\"open", "plain", "'mixed\""};
    for (const std::string& value : values) {
        IniWriteString(&ini, "S", "V", value);
        EXPECT_EQ(IniReadString(&ini, "S", "V", "?"), value) << value;
    }
    // The registry keeps the value as it is given.
    TRegIniFile reg(TestRegistryRoot() + "\\quotes");
    IniWriteString(&reg, "S", "V", "\"both\"");
    EXPECT_EQ(reg.ReadString("S", "V", ""), "\"both\"");
}

TEST(IniUtils, RegistryValuesAreStringsAndOtherObjectsAreIgnored) {
    const std::string key = TestRegistryRoot() + "\\values";
    {
        TRegIniFile reg(key);
        IniWriteInteger(&reg, "S", "I", -42);
        IniWriteBool(&reg, "S", "B", true);
        IniWriteString(&reg, "S", "T", "garbage");
        EXPECT_EQ(IniReadInteger(&reg, "S", "I", 0), -42);
        EXPECT_TRUE(IniReadBool(&reg, "S", "B", false));
        EXPECT_EQ(IniReadInteger(&reg, "S", "T", 7), 7);
        IniWriteString(&reg, "Gone", "X", "1");
        IniWriteString(&reg, "S", "Drop", "1");
        IniDeleteKey(&reg, "S", "Drop");
        IniEraseSection(&reg, "Gone");
        TStringList sections;
        IniReadSections(&reg, &sections);
        ASSERT_EQ(sections.Count(), 1);
        EXPECT_EQ(sections.Get(0), "S");
    }
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKeyReadOnly(key + "\\S"));
    EXPECT_EQ(raw.GetDataType("I"), rdString);
    EXPECT_EQ(raw.ReadString("I"), "-42");
    EXPECT_EQ(raw.ReadString("B"), "1");
    EXPECT_FALSE(raw.ValueExists("Drop"));

    TStringList notStorage;
    IniWriteString(&notStorage, "S", "V", "x");
    EXPECT_EQ(IniReadString(&notStorage, "S", "V", "default"), "default");
    EXPECT_EQ(IniReadInteger(nullptr, "S", "V", 5), 5);
}

class TNamedForm : public TForm {
public:
    explicit TNamedForm(TComponent* owner) : TForm(owner) {
        BuildForm([&] {
            Edit = new TEdit(this);
            Edit->SetName("Edit1");
            Edit->SetParent(this);
            Place = new TFormPlacement(this);
            Place->SetName("Place");
            Place->SetIniFileName("Software\\Named");
        });
    }
    TEdit* Edit;
    TFormPlacement* Place;
};

TEST(IniUtils, DefaultSectionsAndIniData) {
    owned_ptr<TNamedForm> form(new TNamedForm(Application));
    EXPECT_EQ(GetDefaultSection(nullptr), "");
    EXPECT_EQ(GetDefaultSection(form.get()), "TNamedForm");
    EXPECT_EQ(GetDefaultSection(form->Edit), "TNamedFormEdit1");
    EXPECT_EQ(GetDefaultSection(form->Place), "TNamedForm.Place");

    owned_ptr<TComponent> loose(new TComponent(nullptr));
    loose->SetName("Loose");
    EXPECT_EQ(GetDefaultSection(loose.get()), "Loose");

    std::string name, section;
    GetDefaultIniData(form->Edit, name, section, true);
    EXPECT_EQ(name, "Software\\Named");
    EXPECT_EQ(section, "TNamedFormEdit1");

    EXPECT_EQ(GetDefaultIniName(), "test_util.INI");
    const std::string title = Application->Title;
    Application->Title = "Title";
    DefCompanyName = "Firm";
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\Firm\\Title");
    DefCompanyName.clear();
    Application->Title.clear();
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\test_util");
    Application->Title = title;
}

TEST(IniUtils, FormsAreFoundOrMadeAndShown) {
    EXPECT_EQ(FindForm<TNamedForm>(), nullptr);
    owned_ptr<TNamedForm> first(new TNamedForm(Application));
    first->SetCaption("First");
    EXPECT_EQ(FindForm<TNamedForm>(), first.get());
    EXPECT_EQ(FindShowForm<TNamedForm>("First"), first.get());
    EXPECT_TRUE(first->Visible());
    owned_ptr<TNamedForm> other(FindShowForm<TNamedForm>("Other"));
    EXPECT_NE(other.get(), first.get());
    EXPECT_EQ(other->Caption(), "Other");
    TNamedForm* reference = nullptr;
    EXPECT_EQ(InstantiateForm(reference), reference);
    owned_ptr<TNamedForm> made(reference);
    EXPECT_EQ(InstantiateForm(reference), made.get());
}

TEST(IniUtils, UniqueFileNameSkipsExistingNumbersFromZero) {
    TempWorkDir dir;
    EXPECT_EQ(GetUniqueFileNameInDir(dir.Path(), "back%d.tmp"), "back0.tmp");
    testing_support::WriteFileBytes("back0.tmp", "x");
    testing_support::WriteFileBytes("back1.tmp", "x");
    testing_support::WriteFileBytes("back3.tmp", "x");
    EXPECT_EQ(GetUniqueFileNameInDir(dir.Path(), "back%d.tmp"), "back2.tmp");
    EXPECT_EQ(GetUniqueFileNameInDir(dir.Path(), "n%03d"), "n000");
    // A format that never changes with the number would search forever.
    for (const char* bad : {"fixed.tmp", "%s.tmp", "%d%d", "%n"})
        EXPECT_THROW(GetUniqueFileNameInDir(dir.Path(), bad), EConvertError) << bad;
    EXPECT_EQ(GetUniqueFileNameInDir(dir.Path(), "100%%_%d"), "100%_0");
}

}  // namespace
