#include "util/formstorage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "framework/application.h"
#include "framework/collection.h"
#include "framework/cp1251.h"
#include "framework/datetime.h"
#include "framework/forms.h"
#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/strings.h"
#include "framework/stdctrls.h"
#include "framework/sysutils.h"
#include "framework/typinfo.h"
#include "support/test_support.h"
#include "util/propsstorage.h"
#include "util/strutils.h"

namespace {

using testing_support::TempWorkDir;
using testing_support::TestRegistryRoot;

enum TShade { shRed, shGreen, shBlue };

class TKindItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string Caption;
    int Number = 0;
};

// Holds a pointer back to its holder: storing must not walk the loop forever.
class TNested : public TPersistent {
public:
    int Width = 0;
    TObject* Back = nullptr;
};

// One published property of every kind.
class TEveryKind : public TComponent {
public:
    explicit TEveryKind(TComponent* owner) : TComponent(owner) { Nested.Back = this; }
    int Int = 0;
    int64_t Big = 0;
    char Ch = 'a';
    wchar_t WCh = L'b';
    TShade Shade = shRed;
    unsigned Shades = 0;
    float Single = 0;
    double Double = 0;
    double Extended = 0;
    std::string Text;
    TVariant Var;
    TStringList Lines;
    TCollection Items{[](TCollection* c) { return new TKindItem(c); }};
    TComponent* Ref = nullptr;
    TNested Nested;
};

template <class T>
T* As(TObject* o) {
    return static_cast<T*>(o);
}

const TClassInfo kItemInfo{"TKindItem",
                           nullptr,
                           {TPropInfo::String(
                                "Caption", [](TObject* o) { return As<TKindItem>(o)->Caption; },
                                [](TObject* o, const std::string& v) { As<TKindItem>(o)->Caption = v; }),
                            {"Number", tkInteger, [](TObject* o) -> int64_t { return As<TKindItem>(o)->Number; },
                             [](TObject* o, int64_t v) { As<TKindItem>(o)->Number = static_cast<int>(v); }}}};

const TClassInfo kNestedInfo{"TNested",
                             nullptr,
                             {{"Width", tkInteger, [](TObject* o) -> int64_t { return As<TNested>(o)->Width; },
                               [](TObject* o, int64_t v) { As<TNested>(o)->Width = static_cast<int>(v); }},
                              TPropInfo::Object("Back", [](TObject* o) { return As<TNested>(o)->Back; })}};

const TClassInfo kEveryInfo{
    "TEveryKind",
    nullptr,
    {
        {"Int", tkInteger, [](TObject* o) -> int64_t { return As<TEveryKind>(o)->Int; },
         [](TObject* o, int64_t v) { As<TEveryKind>(o)->Int = static_cast<int>(v); }},
        {"Big", tkInt64, [](TObject* o) -> int64_t { return As<TEveryKind>(o)->Big; },
         [](TObject* o, int64_t v) { As<TEveryKind>(o)->Big = v; }},
        {"Ch", tkChar, [](TObject* o) -> int64_t { return static_cast<unsigned char>(As<TEveryKind>(o)->Ch); },
         [](TObject* o, int64_t v) { As<TEveryKind>(o)->Ch = static_cast<char>(v); }},
        {"WCh", tkWChar, [](TObject* o) -> int64_t { return As<TEveryKind>(o)->WCh; },
         [](TObject* o, int64_t v) { As<TEveryKind>(o)->WCh = static_cast<wchar_t>(v); }},
        TPropInfo::Enumeration(
            "Shade", {"shRed", "shGreen", "shBlue"}, [](TObject* o) -> int64_t { return As<TEveryKind>(o)->Shade; },
            [](TObject* o, int64_t v) { As<TEveryKind>(o)->Shade = static_cast<TShade>(v); }),
        TPropInfo::Set(
            "Shades", {"shRed", "shGreen", "shBlue"}, [](TObject* o) -> int64_t { return As<TEveryKind>(o)->Shades; },
            [](TObject* o, int64_t v) { As<TEveryKind>(o)->Shades = static_cast<unsigned>(v); }),
        TPropInfo::Float(
            "Single", ftSingle, [](TObject* o) -> double { return As<TEveryKind>(o)->Single; },
            [](TObject* o, double v) { As<TEveryKind>(o)->Single = static_cast<float>(v); }),
        TPropInfo::Float(
            "Double", ftDouble, [](TObject* o) { return As<TEveryKind>(o)->Double; },
            [](TObject* o, double v) { As<TEveryKind>(o)->Double = v; }),
        TPropInfo::Float(
            "Extended", ftExtended, [](TObject* o) { return As<TEveryKind>(o)->Extended; },
            [](TObject* o, double v) { As<TEveryKind>(o)->Extended = v; }),
        TPropInfo::String(
            "Text", [](TObject* o) { return As<TEveryKind>(o)->Text; },
            [](TObject* o, const std::string& v) { As<TEveryKind>(o)->Text = v; }),
        TPropInfo::Variant(
            "Var", [](TObject* o) { return As<TEveryKind>(o)->Var; },
            [](TObject* o, const TVariant& v) { As<TEveryKind>(o)->Var = v; }),
        TPropInfo::Object("Lines", [](TObject* o) -> TObject* { return &As<TEveryKind>(o)->Lines; }),
        TPropInfo::Object("Items", [](TObject* o) -> TObject* { return &As<TEveryKind>(o)->Items; }),
        TPropInfo::Reference(
            "Ref", [](TObject* o) -> TObject* { return As<TEveryKind>(o)->Ref; },
            [](TObject* o, TObject* v) { As<TEveryKind>(o)->Ref = dynamic_cast<TComponent*>(v); }),
        TPropInfo::Object("Nested", [](TObject* o) -> TObject* { return &As<TEveryKind>(o)->Nested; }),
        TPropInfo::Method("OnChange"),
    }};

const bool kRegistered = [] {
    RegisterClassInfo(typeid(TEveryKind), &kEveryInfo);
    RegisterClassInfo(typeid(TKindItem), &kItemInfo);
    RegisterClassInfo(typeid(TNested), &kNestedInfo);
    return true;
}();

const char* const kAllProps[] = {"Int",  "Big",      "Ch",   "WCh", "Shade", "Shades", "Single", "Double",
                                 "Extended", "Text", "Var", "Lines", "Items", "Ref",    "Nested"};

class TOtherForm : public TForm {
public:
    explicit TOtherForm(TComponent* owner) : TForm(owner) {
        BuildForm([&] {
            SetName("OtherForm");
            Target = new TComponent(this);
            Target->SetName("Target");
        });
    }
    TComponent* Target;
};

class TStoreForm : public TForm {
public:
    TStoreForm(TComponent* owner, const std::string& storage, bool registry,
               std::initializer_list<std::string> items = {})
        : TForm(owner) {
        BuildForm([&] {
            Kinds = new TEveryKind(this);
            Kinds->SetName("Kinds");
            Local = new TComponent(this);
            Local->SetName("Local");
            Storage = new TFormStorage(this);
            Storage->UseRegistry = registry;
            Storage->SetIniFileName(storage);
            Storage->Active = false;  // saves and restores only when the test asks
            TStringList props;
            if (items.size() == 0)
                for (const char* p : kAllProps) props.Add(std::string("Kinds.") + p);
            for (const std::string& item : items) props.Add(item);
            Storage->SetStoredProps(&props);
        });
    }
    TEveryKind* Kinds;
    TComponent* Local;
    TFormStorage* Storage;
};

void Fill(TEveryKind* k, TComponent* ref) {
    k->Int = std::numeric_limits<int32_t>::min();
    k->Big = std::numeric_limits<int64_t>::max();
    k->Ch = '\xC9';  // Й in code page 1251
    k->WCh = L'Ж';
    k->Shade = shBlue;
    k->Shades = 0b101;
    k->Single = 1.5f;
    k->Double = 0.1 + 0.2;
    k->Extended = -2.5e-300;
    k->Text = Utf8ToAnsi("Словарь терминов");
    k->Var = int64_t{42};
    k->Lines.Add("first");
    k->Lines.Add(Utf8ToAnsi("второй"));
    for (int i = 0; i < 3; ++i) {
        auto* item = static_cast<TKindItem*>(k->Items.Add());
        item->Caption = "item " + std::to_string(i);
        item->Number = i * 10;
    }
    k->Ref = ref;
    k->Nested.Width = 77;
}

struct Backend {
    const char* Name;
    bool Registry;
};

class FormStorageRoundTrip : public ::testing::TestWithParam<Backend> {
protected:
    std::string Location() {
        return GetParam().Registry ? TestRegistryRoot() + "\\formstorage\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name()
                                   : dir_.Path() + "\\store.ini";
    }
    TempWorkDir dir_;
};

TEST_P(FormStorageRoundTrip, EveryKindComesBack) {
    const std::string where = Location();
    owned_ptr<TOtherForm> other(new TOtherForm(Application));
    {
        owned_ptr<TStoreForm> form(new TStoreForm(Application, where, GetParam().Registry));
        Fill(form->Kinds, other->Target);
        form->Storage->SaveFormPlacement();
    }
    owned_ptr<TStoreForm> form(new TStoreForm(Application, where, GetParam().Registry));
    TEveryKind* k = form->Kinds;
    // One item more than stored: the count read back makes the collection shrink.
    for (int i = 0; i < 4; ++i) k->Items.Add();
    k->Lines.Add("stale");
    form->Storage->RestoreFormPlacement();

    EXPECT_TRUE(form->Storage->RestoreDone());
    EXPECT_EQ(k->Int, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(k->Big, std::numeric_limits<int64_t>::max());
    EXPECT_EQ(k->Ch, '\xC9');
    EXPECT_EQ(k->WCh, L'Ж');
    EXPECT_EQ(k->Shade, shBlue);
    EXPECT_EQ(k->Shades, 0b101u);
    EXPECT_EQ(k->Single, 1.5f);
    EXPECT_EQ(k->Double, 0.3);  // 15 significant digits, as stored files have always held
    EXPECT_DOUBLE_EQ(k->Extended, -2.5e-300);
    EXPECT_EQ(k->Text, Utf8ToAnsi("Словарь терминов"));
    EXPECT_EQ(k->Var, TVariant(std::string("42")));
    ASSERT_EQ(k->Lines.Count(), 2);
    EXPECT_EQ(k->Lines.Get(1), Utf8ToAnsi("второй"));
    ASSERT_EQ(k->Items.Count(), 3);
    EXPECT_EQ(static_cast<TKindItem*>(k->Items.Items(2))->Caption, "item 2");
    EXPECT_EQ(static_cast<TKindItem*>(k->Items.Items(2))->Number, 20);
    EXPECT_EQ(k->Ref, other->Target);
    EXPECT_EQ(k->Nested.Width, 77);
}

TEST_P(FormStorageRoundTrip, NullAndLocalReferencesComeBack) {
    const std::string where = Location();
    {
        owned_ptr<TStoreForm> form(new TStoreForm(Application, where, GetParam().Registry, {"Kinds.Ref"}));
        form->Storage->SaveFormPlacement();  // Ref is none
    }
    owned_ptr<TStoreForm> form(new TStoreForm(Application, where, GetParam().Registry, {"Kinds.Ref"}));
    form->Kinds->Ref = form->Local;
    form->Storage->RestoreFormPlacement();
    EXPECT_EQ(form->Kinds->Ref, nullptr);

    form->Kinds->Ref = form->Local;
    form->Storage->SaveFormPlacement();
    form->Kinds->Ref = nullptr;
    form->Storage->RestoreFormPlacement();
    EXPECT_EQ(form->Kinds->Ref, form->Local);
}

INSTANTIATE_TEST_SUITE_P(Backends, FormStorageRoundTrip,
                         ::testing::Values(Backend{"Ini", false}, Backend{"Registry", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

class FormStorageTest : public ::testing::Test {
protected:
    std::string Ini() const { return dir_.Path() + "\\store.ini"; }
    void Write(const std::string& section, const std::string& ident, const std::string& value) {
        TIniFile ini(Ini());
        ini.WriteString(section, ident, value);
    }
    std::string Read(const std::string& section, const std::string& ident) {
        TIniFile ini(Ini());
        return ini.ReadString(section, ident, "<missing>");
    }
    TempWorkDir dir_;
};

// Texts a person or another program might have left in the file.
TEST_F(FormStorageTest, ReadsForgivingTexts) {
    testing_support::ScopedLocale russian(testing_support::kRussianLocale, L",");
    struct Case {
        const char* Ident;
        std::string Text;
        std::function<void(TEveryKind*)> Check;
    } cases[] = {
        {"Kinds_Shade", "SHGREEN", [](TEveryKind* k) { EXPECT_EQ(k->Shade, shGreen); }},
        {"Kinds_Shades", "[ shBlue , purple,SHRED ]", [](TEveryKind* k) { EXPECT_EQ(k->Shades, 0b101u); }},
        {"Kinds_Double", "2,75", [](TEveryKind* k) { EXPECT_EQ(k->Double, 2.75); }},
        {"Kinds_Extended", "-1.25", [](TEveryKind* k) { EXPECT_EQ(k->Extended, -1.25); }},
        {"Kinds_Big", "-9223372036854775808",
         [](TEveryKind* k) { EXPECT_EQ(k->Big, std::numeric_limits<int64_t>::min()); }},
        {"Kinds_Int", "twelve", [](TEveryKind* k) { EXPECT_EQ(k->Int, 0); }},
        {"Kinds_Int", "4294967297", [](TEveryKind* k) { EXPECT_EQ(k->Int, 0); }},  // would wrap to 1
        {"Kinds_Ch", "", [](TEveryKind* k) { EXPECT_EQ(k->Ch, 'a'); }},  // empty: unchanged
        {"Kinds_Text", "  padded  ", [](TEveryKind* k) { EXPECT_EQ(k->Text, "padded"); }},
        {"Kinds_Shade", "shPurple", [](TEveryKind* k) { EXPECT_EQ(k->Shade, shRed); }},  // unknown: unchanged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Ident) + " = " + c.Text);
        Write("TStoreForm", "FormVersion", "0");
        Write("TStoreForm", c.Ident, c.Text);
        owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false));
        form->Kinds->Int = 5;
        form->Storage->RestoreFormPlacement();
        c.Check(form->Kinds);
        TIniFile(Ini()).EraseSection("TStoreForm");
    }
}

TEST_F(FormStorageTest, CorruptCountsFailOnlyTheirProperty) {
    for (const char* count : {"-1", "100001", "2147483648", "many"}) {
        SCOPED_TRACE(count);
        Write("TStoreForm", "Kinds_Items.Count", count);
        Write("TStoreForm.Kinds_Lines", "Count", count);
        Write("TStoreForm", "Kinds_Int", "9");
        owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false));
        form->Kinds->Items.Add();
        form->Kinds->Lines.Add("kept");
        form->Storage->RestoreFormPlacement();
        EXPECT_EQ(form->Kinds->Items.Count(), 1);
        ASSERT_EQ(form->Kinds->Lines.Count(), 1);
        EXPECT_EQ(form->Kinds->Lines.Get(0), "kept");
        EXPECT_EQ(form->Kinds->Int, 9);
    }
}

TEST_F(FormStorageTest, EmptyListSavedIsNotClearedAtRestore) {
    {
        owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false, {"Kinds.Lines"}));
        form->Storage->SaveFormPlacement();
    }
    EXPECT_EQ(Read("TStoreForm.Kinds_Lines", "Count"), "<missing>");
    owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false, {"Kinds.Lines"}));
    form->Kinds->Lines.Add("default");
    form->Storage->RestoreFormPlacement();
    EXPECT_EQ(form->Kinds->Lines.Count(), 1);
}

TEST_F(FormStorageTest, ItemNamesAreTrimmedAndIncompleteOnesDropped) {
    owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false,
                                              {" Kinds . Int ", "Kinds.", ".Int", "NoDot", "Missing.Int", "Kinds.Big"}));
    TStrings* props = form->Storage->StoredProps();
    ASSERT_EQ(props->Count(), 2);
    EXPECT_EQ(props->GetObject(0), form->Kinds);
    form->Kinds->Int = 3;
    form->Storage->SaveFormPlacement();
    EXPECT_EQ(Read("TStoreForm", "Kinds_Int"), "3");
}

TEST_F(FormStorageTest, RenamedAndFreedComponents) {
    owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false, {"Kinds.Int", "Local.Tag"}));
    form->Kinds->SetName("Renamed");
    form->Kinds->Int = 8;
    TObject::Free(form->Local);
    form->Local = nullptr;
    EXPECT_EQ(form->Storage->StoredProps()->Count(), 1);
    form->Storage->SaveFormPlacement();
    EXPECT_EQ(form->Storage->StoredProps()->Get(0), "Renamed.Int");
    EXPECT_EQ(Read("TStoreForm", "Renamed_Int"), "8");
}

TEST_F(FormStorageTest, StoredValuesRoundTripAsText) {
    {
        owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false, {"Kinds.Int"}));
        TStoredValues* values = form->Storage->StoredValues();
        struct {
            const char* Name;
            TVariant Value;
        } seeds[] = {{"Count", int64_t{-7}},     {"Ratio", 0.5},          {"Flag", true},
                     {"Empty", TVariant{}},      {"Nothing", TVarNull{}}, {"Secret", std::string("pass word")},
                     {"When", TVarDate{EncodeDate(2006, 3, 1)}}};
        for (auto& s : seeds) {
            TStoredValue* v = values->Add();
            v->SetName(s.Name);
            v->Value = s.Value;
        }
        values->StoredValue("Secret")->KeyString = "key";
        EXPECT_THROW(values->Add()->SetName("RATIO"), EInvalidOperation);
        form->Storage->SaveFormPlacement();
    }
    EXPECT_EQ(Read("TStoreForm", "Count"), "-7");
    EXPECT_EQ(Read("TStoreForm", "Ratio"), "0.5");
    EXPECT_EQ(Read("TStoreForm", "Flag"), "True");
    EXPECT_EQ(Read("TStoreForm", "Empty"), "");
    EXPECT_EQ(Read("TStoreForm", "Nothing"), "");
    EXPECT_EQ(Read("TStoreForm", "When"), DateToStr(EncodeDate(2006, 3, 1)));
    EXPECT_EQ(Read("TStoreForm", "Secret"), XorEncode("key", "pass word"));

    owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false, {"Kinds.Int"}));
    TStoredValues* values = form->Storage->StoredValues();
    for (const char* name : {"Count", "Secret"}) values->Add()->SetName(name);
    values->StoredValue("Secret")->KeyString = "key";
    TVariant seen;
    bool doneWhileLoading = false;
    values->StoredValue("Count")->OnRestore = [&](TObject*, TVariant& v) {
        seen = v;
        v = int64_t{StrToInt(std::get<std::string>(v))};
        // One flag for the placement and its storage, set before the values load.
        doneWhileLoading = static_cast<TFormPlacement*>(form->Storage)->RestoreDone();
    };
    form->Storage->RestoreFormPlacement();
    EXPECT_TRUE(doneWhileLoading);
    EXPECT_EQ(seen, TVariant(std::string("-7")));
    EXPECT_EQ(form->Storage->StoredValue("count"), TVariant(int64_t{-7}));
    EXPECT_EQ(form->Storage->StoredValue("Secret"), TVariant(std::string("pass word")));
}

TEST_F(FormStorageTest, LinksFireWithTheOpenStorage) {
    owned_ptr<TStoreForm> form(new TStoreForm(Application, Ini(), false, {"Kinds.Int"}));
    std::vector<std::string> log;
    auto link = std::make_unique<TIniLink>();
    link->SetStorage(form->Storage);
    link->OnSave = [&](TObject*) { log.push_back(link->GetIniObject() ? "save open" : "save closed"); };
    link->OnLoad = [&](TObject*) { log.push_back(link->GetIniObject() ? "load open" : "load closed"); };
    EXPECT_EQ(link->GetRootSection(), "TStoreForm\\");
    form->Storage->SaveFormPlacement();
    form->Storage->RestoreFormPlacement();
    EXPECT_EQ(log, (std::vector<std::string>{"save open", "load open"}));
    EXPECT_EQ(link->GetIniObject(), nullptr);
    form.reset();  // the placement goes first: the link lets go of it
    EXPECT_EQ(link->Storage(), nullptr);
}

class TControlsForm : public TForm {
public:
    explicit TControlsForm(const std::string& ini) : TForm(Application) {
        BuildForm([&] {
            Edit = new TEdit(this);
            Edit->SetName("Edit1");
            Edit->SetParent(this);
            Check = new TCheckBox(this);
            Check->SetName("Check");
            Check->SetParent(this);
            Storage = new TFormStorage(this);
            Storage->SetIniFileName(ini);
            Storage->Active = false;
            TStringList props;
            for (const char* item : {"Edit1.Text", "Edit1.Left", "Check.Checked", "Check.Hint"}) props.Add(item);
            Storage->SetStoredProps(&props);
        });
    }
    TEdit* Edit;
    TCheckBox* Check;
    TFormStorage* Storage;
};

TEST_F(FormStorageTest, FrameworkControlsPublishTheirUsualProperties) {
    {
        owned_ptr<TControlsForm> form(new TControlsForm(Ini()));
        form->Edit->SetText(Utf8ToAnsi("текст"));
        form->Edit->SetLeft(33);
        form->Check->SetChecked(true);
        form->Check->Hint = "tip";
        form->Storage->SaveFormPlacement();
    }
    EXPECT_EQ(Read("TControlsForm", "Check_Checked"), "True");
    owned_ptr<TControlsForm> form(new TControlsForm(Ini()));
    form->Storage->RestoreFormPlacement();
    EXPECT_EQ(form->Edit->Text(), Utf8ToAnsi("текст"));
    EXPECT_EQ(form->Edit->Left(), 33);
    EXPECT_TRUE(form->Check->Checked());
    EXPECT_EQ(form->Check->Hint, "tip");
}

TEST(PropsStorage, FloatTextAndLoops) {
    testing_support::ScopedLocale russian(testing_support::kRussianLocale, L",");
    EXPECT_EQ(StoredFloatText(0.1 + 0.2, ftDouble), "0.3");
    EXPECT_EQ(StoredFloatText(1.0 / 3, ftSingle), "0.3333333");
    double value = 0;
    EXPECT_TRUE(ParseStoredFloat("1,5", value));
    EXPECT_EQ(value, 1.5);
    EXPECT_TRUE(ParseStoredFloat(" -1.5e3 ", value));
    EXPECT_EQ(value, -1500);
    EXPECT_FALSE(ParseStoredFloat("1.5x", value));

    // The nested object points back at its holder; the walk ends all the same.
    TEveryKind kinds(nullptr);
    kinds.SetName("K");
    std::vector<std::string> written;
    TPropsStorage storage;
    storage.AObject = &kinds;
    storage.OnWriteString = [&](const std::string&, const std::string& ident, const std::string&) {
        written.push_back(ident);
    };
    storage.StoreProperties();
    EXPECT_EQ(std::count(written.begin(), written.end(), "NestedWidth"), 1);
    written.clear();
    storage.StoreProperty(GetPropInfo(&kEveryInfo, "Nested"));
    EXPECT_EQ(written, std::vector<std::string>{"NestedWidth"});
}

TEST(PropInfoList, FiltersFindsAndIntersects) {
    TEveryKind kinds(nullptr);
    TPropInfoList all(&kinds, tkProperties);
    EXPECT_EQ(all.Count(), 15);  // the method is left out
    TPropInfoList ordinals(&kinds, TypeKindBit(tkInteger) | TypeKindBit(tkInt64));
    EXPECT_EQ(ordinals.Count(), 2);
    EXPECT_NE(all.Find("shades"), nullptr);
    all.Intersect(ordinals);
    EXPECT_EQ(all.Count(), 2);
    EXPECT_TRUE(all.Contains(ordinals.Find("BIG")));
    all.Delete(0);
    EXPECT_FALSE(all.Contains(ordinals.Find("Int")));
    TComponent plain(nullptr);
    EXPECT_EQ(TPropInfoList(&plain, tkProperties).Count(), 0);  // no table: nothing
}

}  // namespace
