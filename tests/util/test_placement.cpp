#include "util/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/registry.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "util/iniutils.h"

namespace {

using testing_support::TestRegistryRoot;

class TPlacedForm : public TForm {
public:
    TPlacedForm(TComponent* owner, const std::string& key, TFormBorderStyle border = bsSizeable)
        : TForm(owner) {
        BuildForm([&] {
            SetBorderStyle(border);
            SetBounds(40, 30, 300, 200);
            Position = poScreenCenter;
            OnShow = [this](TObject*) { Log.push_back("own show"); };
            OnDestroy = [this](TObject*) { Log.push_back("own destroy"); };
            Place = new TFormPlacement(this);
            Place->UseRegistry = true;
            Place->SetIniFileName(key);
        });
    }
    TFormPlacement* Place;
    std::vector<std::string> Log;
};

std::string Key(const std::string& name) { return TestRegistryRoot() + "\\placement\\" + name; }

std::string Suffixed(const char* ident) {
    return Format("%s(%dx%d)", ident, Screen->Width(), Screen->Height());
}

// What the form's section holds: every value must be a string value.
std::string StoredValue(const std::string& key, const std::string& ident) {
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(key + "\\TPlacedForm") || !reg.ValueExists(ident)) return "<missing>";
    if (reg.GetDataType(ident) != rdString) return "<not a string>";
    return reg.ReadString(ident);
}

void Store(const std::string& key, const std::vector<std::pair<std::string, std::string>>& values) {
    TRegIniFile reg(key);
    for (auto& [ident, value] : values) reg.WriteString("TPlacedForm", ident, value);
}

RECT NormalRect(TCustomForm* form) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(form->Handle(), &wp);
    return wp.rcNormalPosition;
}

std::string RectText(const RECT& r) { return Format("%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom); }

std::string BoundsText(TControl* c) {
    return Format("%d,%d,%d,%d", c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
}

TEST(FormPlacement, DefaultsFollowTheOwner) {
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, Key("defaults")));
    EXPECT_TRUE(form->Place->Active);
    EXPECT_EQ(form->Place->Options, TPlacementOptions(fpState | fpPosition));
    EXPECT_EQ(form->Place->Version, 0);
    EXPECT_EQ(form->Place->RegistryRoot, prCurrentUser);
    EXPECT_FALSE(form->Place->PreventResize());
    EXPECT_TRUE(form->Place->MinMaxInfo()->DefaultMinMaxInfo());
    EXPECT_EQ(form->Place->GetIniSection(), "TPlacedForm");
    owned_ptr<TFormPlacement> loose(new TFormPlacement(nullptr));
    EXPECT_EQ(loose->Options, 0u);
}

TEST(FormPlacement, NothingStoredKeepsTheDesignedPlaceAndTheFirstCloseWritesEverything) {
    const std::string key = Key("first");
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
    form->Show();
    const std::string shown = BoundsText(form.get());
    EXPECT_EQ(form->Log, std::vector<std::string>{"own show"});
    EXPECT_EQ(form->Width(), 300);
    form->Close();
    EXPECT_EQ(BoundsText(form.get()), shown);

    EXPECT_EQ(StoredValue(key, "FormVersion"), "0");
    EXPECT_EQ(StoredValue(key, "Flags"), "0");
    EXPECT_EQ(StoredValue(key, "ShowCmd"), "1");
    EXPECT_EQ(StoredValue(key, "PixelsPerInch"), std::to_string(Screen->PixelsPerInch()));
    EXPECT_EQ(StoredValue(key, "NormPos"), shown);
    EXPECT_EQ(StoredValue(key, Suffixed("NormPos")), shown);
    EXPECT_NE(StoredValue(key, "MinMaxPos"), "<missing>");
    EXPECT_EQ(StoredValue(key, Suffixed("MinMaxPos")), StoredValue(key, "MinMaxPos"));
    EXPECT_EQ(StoredValue(key, "Visible"), "0");
    EXPECT_EQ(StoredValue(key, "ActiveControl"), "<missing>");
}

TEST(FormPlacement, AMovedAndResizedFormComesBackTheSame) {
    const std::string key = Key("roundtrip");
    {
        owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
        form->Show();
        form->SetBounds(123, 77, 345, 234);
        Application->ProcessMessages();
        form->Close();
        EXPECT_EQ(StoredValue(key, "NormPos"), "123,77,468,311");
    }
    owned_ptr<TPlacedForm> again(new TPlacedForm(Application, key));
    again->Show();
    EXPECT_EQ(BoundsText(again.get()), "123,77,468,311");
    EXPECT_EQ(again->WindowState(), wsNormal);
    // The stored place wins over centring from now on.
    EXPECT_EQ(again->Position, poDesigned);
}

TEST(FormPlacement, AStoredPlaceEndsCentringOnTheScreenOrDesktopOnly) {
    const std::string key = Key("centred");
    Store(key, {{"NormPos", "123,77,468,311"}, {"PixelsPerInch", std::to_string(Screen->PixelsPerInch())}});
    struct Case {
        TPosition designed, after;
    } cases[] = {{poScreenCenter, poDesigned}, {poDesktopCenter, poDesigned}, {poMainFormCenter, poMainFormCenter}};
    for (const Case& c : cases) {
        owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
        form->Place->Active = false;
        form->Position = c.designed;
        form->Place->RestoreFormPlacement();
        EXPECT_EQ(form->Position, c.after) << c.designed;
        EXPECT_EQ(NormalRect(form.get()).left, 123) << c.designed;
    }
}

TEST(FormPlacement, AMaximisedFormComesBackMaximisedWithItsNormalRectangle) {
    const std::string key = Key("maximised");
    {
        owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
        form->Show();
        form->SetBounds(60, 50, 310, 220);
        form->SetWindowState(wsMaximized);
        Application->ProcessMessages();
        form->Close();
    }
    EXPECT_EQ(StoredValue(key, "ShowCmd"), "3");
    EXPECT_EQ(StoredValue(key, "NormPos"), "60,50,370,270");
    owned_ptr<TPlacedForm> again(new TPlacedForm(Application, key));
    again->Show();
    Application->ProcessMessages();
    EXPECT_EQ(again->WindowState(), wsMaximized);
    EXPECT_EQ(RectText(NormalRect(again.get())), "60,50,370,270");
}

TEST(FormPlacement, DestroyingWithoutClosingSavesOnceMarkedVisible) {
    const std::string key = Key("destroy");
    auto* form = new TPlacedForm(Application, key);
    form->Show();
    TObject::Free(form);
    EXPECT_EQ(StoredValue(key, "Visible"), "1");
}

TEST(FormPlacement, TheScreenSizeKeyIsReadFirstAndAnotherScreensKeyIsNot) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> stored;
        const char* expected;
    };
    const Case cases[] = {
        {"this screen", {{"NormPos", "10,10,310,210"}, {Suffixed("NormPos"), "150,120,450,320"}}, "150,120,450,320"},
        {"other screen", {{"NormPos", "10,10,310,210"}, {"NormPos(99x77)", "150,120,450,320"}}, "10,10,310,210"},
        {"other dpi",
         {{"NormPos", "150,120,450,320"}, {"PixelsPerInch", std::to_string(Screen->PixelsPerInch() + 48)}},
         nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string key = Key("screens" + std::to_string(n++));
        Store(key, c.stored);
        owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
        // Not centred, so the designed place is known.
        form->Position = poDesigned;
        form->Show();
        EXPECT_EQ(BoundsText(form.get()), c.expected ? c.expected : "40,30,340,230") << c.name;
    }
}

TEST(FormPlacement, GarbageOrOffScreenTextNeverPutsTheWindowOffScreen) {
    const char* texts[] = {"abc", "10,20", "1,2,x,4", "-30000,-30000,-29700,-29800", "40000,40000,40300,40200",
                           "500,500,100,100", ""};
    int n = 0;
    for (const char* text : texts) {
        const std::string key = Key("garbage" + std::to_string(n++));
        Store(key, {{"NormPos", text}, {"MinMaxPos", "q,w,e,r"}, {"ShowCmd", "zz"}, {"Flags", "?"}});
        owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
        form->Position = poDesigned;
        form->Show();
        RECT r = NormalRect(form.get());
        EXPECT_NE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL), nullptr) << text;
        EXPECT_GT(form->Width(), 0) << text;
        EXPECT_EQ(form->WindowState(), wsNormal) << text;
    }
}

TEST(FormPlacement, OlderVersionsAreIgnored) {
    const std::string key = Key("version");
    Store(key, {{"FormVersion", "1"}, {"NormPos", "150,120,450,320"}});
    for (int version : {1, 2}) {
        owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
        form->Position = poDesigned;
        form->Place->Version = version;
        form->Show();
        EXPECT_EQ(BoundsText(form.get()), version == 1 ? "150,120,450,320" : "40,30,340,230");
        form->Close();
        EXPECT_EQ(StoredValue(key, "FormVersion"), std::to_string(version));
    }
}

TEST(FormPlacement, MinimisedMainFormMinimisesTheApplicationInstead) {
    const std::string key = Key("minimised");
    Store(key, {{"ShowCmd", "2"}});
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
    TForm* main = Application->MainForm;
    Application->MainForm = form.get();
    form->Show();
    EXPECT_EQ(form->WindowState(), wsNormal);
    Application->ProcessMessages();
    EXPECT_EQ(form->WindowState(), wsMinimized);
    EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(Application->Handle())));
    Application->MainForm = main;
}

TEST(FormPlacement, ADialogBorderKeepsItsDesignedSize) {
    const std::string key = Key("dialog");
    Store(key, {{"NormPos", "100,90,900,700"}});
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key, bsDialog));
    form->Show();
    EXPECT_EQ(BoundsText(form.get()), "100,90,400,290");
}

TEST(FormPlacement, AFailedRestoreIsShownAndTheFormsOwnShowStillRuns) {
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, Key("failing")));
    form->Place->OnRestorePlacement = [](TObject*) { throw Exception("restore failed"); };
    testing_support::ShownMessageBoxes().clear();
    form->Show();
    ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].text, "restore failed.");
    EXPECT_EQ(form->Log, std::vector<std::string>{"own show"});
    testing_support::ShownMessageBoxes().clear();
}

TEST(FormPlacement, TrackingSizesAndFixedSizeGoThroughTheHook) {
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, Key("minmax")));
    form->Show();
    const LONG_PTR plain = GetWindowLongPtrW(form->Handle(), GWLP_WNDPROC);
    form->Place->MinMaxInfo()->Set(TWinMinMaxInfo::MinTrackWidth, 250);
    form->Place->MinMaxInfo()->Set(TWinMinMaxInfo::MaxTrackHeight, 333);
    EXPECT_NE(GetWindowLongPtrW(form->Handle(), GWLP_WNDPROC), plain);
    MINMAXINFO info{};
    info.ptMinTrackSize = {1, 2};
    info.ptMaxTrackSize = {3000, 4000};
    SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 250);
    EXPECT_EQ(info.ptMaxTrackSize.y, 333);

    form->Place->SetPreventResize(true);
    EXPECT_EQ(GetWindowLongPtrW(form->Handle(), GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, form->Width());
    EXPECT_EQ(info.ptMaxTrackSize.y, form->Height());
    RECT window;
    GetWindowRect(form->Handle(), &window);
    const LRESULT hit = SendMessageW(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(window.right - 1, window.bottom - 1));
    EXPECT_EQ(hit, HTNOWHERE);

    form->Place->SetPreventResize(false);
    TWinMinMaxInfo none(nullptr);
    form->Place->MinMaxInfo()->Assign(&none);
    EXPECT_NE(GetWindowLongPtrW(form->Handle(), GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ(GetWindowLongPtrW(form->Handle(), GWLP_WNDPROC), plain);
    Application->ProcessMessages();
}

TEST(FormPlacement, EraseSectionsTakesTheSectionAndItsSubsections) {
    const std::string key = Key("erase");
    {
        TRegIniFile reg(key);
        for (const char* section : {"TPlacedForm", "TPlacedForm.Grid", "tplacedform.list", "TPlacedFormX", "Other"})
            reg.WriteString(section, "V", "1");
    }
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
    form->Place->EraseSections();
    TRegIniFile reg(key);
    TStringList sections;
    reg.ReadSections(&sections);
    std::vector<std::string> left;
    for (int i = 0; i < sections.Count(); ++i) left.push_back(sections.Get(i));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Other", "TPlacedFormX"}));
}

TEST(FormPlacement, RestoringNeverCreatesAKey) {
    struct Case {
        const char* what;
        TPlacementRegRoot root;
    } cases[] = {{"current user", prCurrentUser}, {"local machine", prLocalMachine}};
    for (const Case& c : cases) {
        const std::string key = Key(std::string("unread ") + c.what);
        owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
        form->Place->RegistryRoot = c.root;
        form->Show();
        EXPECT_EQ(form->Log, std::vector<std::string>{"own show"}) << c.what;
        TRegistry user;
        EXPECT_FALSE(user.KeyExists(key)) << c.what;
        TRegistry machine;
        machine.SetRootKey(HKEY_LOCAL_MACHINE);
        EXPECT_FALSE(machine.KeyExists(key)) << c.what;
        form->Place->Active = false;  // closing would save
    }
    const std::string plain = Key("unread plain");
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, Key("unread routine")));
    form->Show();
    RestoreFormPlacement(form.get(), plain, true);
    EXPECT_FALSE(TRegistry().KeyExists(plain));
}

TEST(FormPlacement, ValuesOfTheFormsSectionAndTheRoutinesWithoutAComponent) {
    const std::string key = Key("values");
    owned_ptr<TPlacedForm> form(new TPlacedForm(Application, key));
    form->Place->WriteInteger("Count", 12);
    form->Place->WriteString("Name", "x");
    EXPECT_EQ(StoredValue(key, "Count"), "12");
    EXPECT_EQ(form->Place->ReadInteger("Count", 0), 12);
    EXPECT_EQ(form->Place->ReadInteger("Name", -1), -1);
    EXPECT_EQ(form->Place->ReadString("Missing", "d"), "d");

    form->Position = poDesigned;
    form->Show();
    form->SetBounds(70, 60, 320, 210);
    Application->ProcessMessages();
    SaveFormPlacement(form.get(), key + "\\plain", true);
    form->SetBounds(10, 10, 300, 200);
    RestoreFormPlacement(form.get(), key + "\\plain", true);
    EXPECT_EQ(BoundsText(form.get()), "70,60,390,270");
}

}  // namespace
