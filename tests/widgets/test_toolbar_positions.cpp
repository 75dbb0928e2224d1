#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "timed_steps.h"
#include "widgets/tool_button.h"
#include "widgets/toolbar.h"
#include "widgets/toolbar_positions.h"

using widget_tests::Pump;

namespace {

std::string A(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

// Values kept in a map, as the custom readers and writers see them.
using Store = std::map<std::pair<std::string, std::string>, std::string>;
void PutInt(const std::string& bar, const std::string& value, int data, void* extra) {
    (*static_cast<Store*>(extra))[{bar, value}] = std::to_string(data);
}
void PutString(const std::string& bar, const std::string& value, const std::string& data, void* extra) {
    (*static_cast<Store*>(extra))[{bar, value}] = data;
}
int GetInt(const std::string& bar, const std::string& value, int def, void* extra) {
    auto& s = *static_cast<Store*>(extra);
    auto it = s.find({bar, value});
    return it == s.end() ? def : std::stoi(it->second);
}
void GetString(const std::string& bar, const std::string& value, const std::string& def, std::string& result,
               void* extra) {
    auto& s = *static_cast<Store*>(extra);
    auto it = s.find({bar, value});
    result = it == s.end() ? def : it->second;
}

class PositionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(100, 100, 500, 300);
        top = Dock(A("ВерхнийДок"), dpTop);
        bottom = Dock(A("НижнийДок"), dpBottom);
        first = Bar(A("ПанельА"), top);
        second = Bar(A("ПанельБ"), bottom);
        third = Bar(A("ПанельВ"), top);
        form->Show();
        Pump(50);
    }
    void TearDown() override { TObject::Free(form); }
    TDock* Dock(const std::string& name, TDockPosition position) {
        auto* dock = new TDock(form);
        dock->SetName(name);
        dock->SetPosition(position);
        dock->SetParent(form);
        return dock;
    }
    TToolbar* Bar(const std::string& name, TDock* dock) {
        auto* bar = new TToolbar(form);
        bar->SetName(name);
        bar->HideWhenInactive = false;
        bar->SetParent(dock);
        for (int i = 0; i < 2; ++i) {
            auto* b = new TToolbarButton(form);
            b->SetBounds(0, 0, 23, 22);
            b->SetParent(bar);
        }
        return bar;
    }
    // Rows and places that differ from the ones the bars start with.
    void Rearrange() {
        second->SetDockRow(1);
        second->SetDockPos(40);
        third->SetFloatingTopLeft({300, 500});
        third->SetDockedTo(nullptr);
        third->SetFloatingWidth(31);
        first->SetVisible(false);
        Pump(50);
    }
    void ExpectRearranged() {
        EXPECT_FALSE(first->Visible());
        EXPECT_EQ(first->DockedTo(), top);
        EXPECT_EQ(second->DockedTo(), bottom);
        EXPECT_EQ(second->DockPos(), 40);
        ASSERT_TRUE(third->Floating());
        EXPECT_EQ(third->Left(), 300);
        EXPECT_EQ(third->Top(), 500);
        EXPECT_EQ(third->FloatingWidth(), 31);
        EXPECT_EQ(third->LastDock(), top);
    }
    // Puts the bars back where SetUp had them.
    void Reset() {
        first->SetVisible(true);
        second->SetDockPos(0);
        third->SetFloatingWidth(0);
        third->SetDockedTo(top);
        Pump(50);
        ASSERT_EQ(third->DockedTo(), top);
    }
    TForm* form = nullptr;
    TDock* top = nullptr;
    TDock* bottom = nullptr;
    TToolbar* first = nullptr;
    TToolbar* second = nullptr;
    TToolbar* third = nullptr;
};

TEST_F(PositionsTest, IniRoundTrip) {
    testing_support::TempWorkDir dir;
    const std::string file = dir.Path() + "\\" + A("Панели.ini");
    Rearrange();
    IniSaveToolbarPositions(form, file, A("Окно."));
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadInteger(A("Окно.ПанельВ"), "Rev", 0), 3);
    EXPECT_EQ(ini.ReadString(A("Окно.ПанельВ"), "DockedTo", ""), "+");
    EXPECT_EQ(ini.ReadString(A("Окно.ПанельБ"), "DockedTo", ""), A("НижнийДок"));
    EXPECT_EQ(ini.ReadInteger(A("Окно.ПанельВ"), "FloatRightX", 0), 31);
    EXPECT_EQ(ini.ReadInteger(A("Окно.ПанельА"), "Visible", 1), 0);
    Reset();
    IniLoadToolbarPositions(form, file, A("Окно."));
    Pump(50);
    ExpectRearranged();
}

TEST_F(PositionsTest, RegistryRoundTripAndWrongTypes) {
    const std::string key = testing_support::TestRegistryRoot() + "\\" + A("Панели");
    Rearrange();
    RegSaveToolbarPositions(form, key);
    Reset();
    RegLoadToolbarPositions(form, key);
    Pump(50);
    ExpectRearranged();

    // A "DockPos" stored as a string counts as missing.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + key + "\\" + A("ПанельБ"), false));
    reg.WriteString("DockPos", "200");
    reg.CloseKey();
    second->SetDockPos(10);
    RegLoadToolbarPositions(form, key);
    EXPECT_EQ(second->DockPos(), 10);
}

TEST_F(PositionsTest, SkippedGroupsAndDockRules) {
    Store store;
    CustomSaveToolbarPositions(form, PutInt, PutString, &store);
    const std::string name = second->Name();
    // A group of Rev 1 is ignored entirely.
    store[{name, "Rev"}] = "1";
    store[{name, "DockedTo"}] = top->Name();
    CustomLoadToolbarPositions(form, GetInt, GetString, &store);
    EXPECT_EQ(second->DockedTo(), bottom);
    // A dock named in other case is found.
    store[{name, "Rev"}] = "3";
    store[{name, "DockedTo"}] = AnsiUpperCase(top->Name());
    CustomLoadToolbarPositions(form, GetInt, GetString, &store);
    EXPECT_EQ(second->DockedTo(), top);
    // A dock that now refuses dragging leaves the bar where it is.
    store[{name, "DockedTo"}] = bottom->Name();
    bottom->SetAllowDrag(false);
    CustomLoadToolbarPositions(form, GetInt, GetString, &store);
    EXPECT_EQ(second->DockedTo(), top);
    // A bar on such a dock saves an empty "DockedTo" and stays put.
    second->SetDockedTo(bottom);
    store.clear();
    CustomSaveToolbarPositions(form, PutInt, PutString, &store);
    EXPECT_EQ((store[{name, "DockedTo"}]), "");
    CustomLoadToolbarPositions(form, GetInt, GetString, &store);
    EXPECT_EQ(second->DockedTo(), bottom);
}

TEST_F(PositionsTest, UntrustedNumbersAreClamped) {
    Store store;
    CustomSaveToolbarPositions(form, PutInt, PutString, &store);
    const std::string name = first->Name();
    struct Case {
        const char* value;
        const char* stored;
        int row, pos;
    } cases[] = {
        {"DockRow", "2147483647", 32767, -2},
        {"DockRow", "-5", 0, -2},
        {"DockPos", "2147483647", -2, 32767},
    };
    for (const Case& c : cases) {
        Store s = store;
        s[{name, c.value}] = c.stored;
        int rowSeen = -1, posSeen = -1;
        first->OnDockChanging = nullptr;
        top->BeginUpdate();  // the values as set, before any arrange
        s[{name, "DockedTo"}] = bottom->Name();
        first->OnDockChanging = [&](TObject*) {
            rowSeen = first->DockRow();
            posSeen = first->DockPos();
        };
        CustomLoadToolbarPositions(form, GetInt, GetString, &s);
        top->EndUpdate();
        if (c.row >= 0) {
            EXPECT_EQ(rowSeen, c.row) << c.value << " " << c.stored;
        }
        if (c.pos >= 0) {
            EXPECT_EQ(posSeen, c.pos) << c.value << " " << c.stored;
        }
        first->OnDockChanging = nullptr;
        first->SetDockedTo(top);
    }
    // A floating place far off the screen is brought back onto it.
    Store s = store;
    s[{name, "DockedTo"}] = "+";
    s[{name, "FloatLeft"}] = "-10000";
    CustomLoadToolbarPositions(form, GetInt, GetString, &s);
    ASSERT_TRUE(first->Floating());
    EXPECT_GE(first->Left(), 0);
}

TEST_F(PositionsTest, SaveErrorsWordForWord) {
    Store store;
    top->SetName("");
    try {
        CustomSaveToolbarPositions(form, PutInt, PutString, &store);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot save tool window's position because DockedTo's Name property not set");
    }
    first->SetName("");
    try {
        CustomSaveToolbarPositions(form, PutInt, PutString, &store);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot save tool window's position because Name property is not set");
    }
}

int RaisingRead(const std::string&, const std::string& value, int def, void*) {
    if (value == "DockRow") throw Exception("broken store");
    return value == "Rev" ? 3 : def;
}
void FloatingString(const std::string&, const std::string&, const std::string&, std::string& result, void*) {
    result = "+";
}

TEST_F(PositionsTest, ARaisingReaderLeavesEveryDockArrangingAgain) {
    EXPECT_THROW(CustomLoadToolbarPositions(form, RaisingRead, FloatingString, nullptr), Exception);
    // Both docks arrange at once again.
    second->SetDockPos(77);
    EXPECT_EQ(second->Left(), std::min(77, bottom->Width() - second->Width()));
    first->SetDockRow(5);
    EXPECT_EQ(first->DockRow(), 1);  // closed up behind the other bar's row 0
}

}  // namespace
