#include <gtest/gtest.h>

#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/icon.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "framework/win.h"
#include "widgets/dock.h"
#include "widgets/menu_bar.h"
#include "timed_steps.h"

namespace {

// Records where it would open instead of running the menu loop.
class RecordingMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    std::vector<TPoint> popups;
    void Popup(int x, int y) override { popups.push_back({x, y}); }
};

class SystemMenuIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 400, 300);
        auto* dock = new TDock(form);
        dock->SetParent(form);
        dock->AllowDrag = false;
        bar = new TMenuBar(form);
        bar->SetParent(dock);
        bar->SetShowCaption(false);
        auto* menu = new TMainMenu(form);
        for (const char* caption : {"File", "Help"}) {
            auto* top = new TMenuItem(form);
            top->SetCaption(caption);
            auto* inside = new TMenuItem(form);
            inside->SetCaption("Item");
            top->Add(inside);
            menu->Items()->Add(top);
        }
        bar->MainMenu = menu;
        system = new RecordingMenu(form);
    }
    void TearDown() override { TObject::Free(form); }
    void Build(bool withIcon) {
        if (withIcon) {
            TIcon icon;
            icon.SetHandle(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
            bar->SetSystemMenuIcon(&icon);
        }
        bar->PopupMenuSystemMenu = system;
        bar->CreateMenu();
        form->Show();
        SetActiveWindow(form->Handle());
        Application->ProcessMessages();
    }
    intptr_t Key(unsigned key, bool up) {
        return bar->KeyboardHookEvent(bar, HC_ACTION, key, static_cast<intptr_t>(1u | (up ? 0xC0000000u : 0u)));
    }
    TPoint BelowImage(TControl* image) {
        return bar->ClientToScreen({image->Left(), image->Top() + image->Height() + 3});
    }
    TForm* form = nullptr;
    TMenuBar* bar = nullptr;
    RecordingMenu* system = nullptr;
};

TEST_F(SystemMenuIconTest, WithoutAnIconTheBarHasOnlyItsButtons) {
    Build(false);
    ASSERT_EQ(bar->ControlCount(), 2);
    EXPECT_NE(dynamic_cast<TMenuOptionBox*>(bar->Controls(0)), nullptr);
}

TEST_F(SystemMenuIconTest, TheIconOpensTheSystemMenuByMouseAndByKeyboard) {
    Build(true);
    ASSERT_EQ(bar->ControlCount(), 3);
    TControl* image = bar->Controls(0);
    EXPECT_EQ(dynamic_cast<TMenuOptionBox*>(image), nullptr);
    EXPECT_EQ(image->Width(), 17);
    EXPECT_EQ(image->Height(), 16);

    const LPARAM at = MAKELPARAM(image->Left() + 8, image->Top() + 8);
    SendMessageW(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(bar->Handle(), WM_LBUTTONUP, 0, at);
    ASSERT_EQ(system->popups.size(), 1u);
    EXPECT_EQ(system->popups[0], BelowImage(image));
    EXPECT_EQ(bar->CurrentControl(), nullptr);  // its menu is gone and menu mode is off

    // Menu mode starts on the first button; Left reaches the image, Down opens it.
    Key(VK_MENU, false);
    Key(VK_MENU, true);
    EXPECT_EQ(bar->CurrentControl(), bar->Controls(1));
    Key(VK_LEFT, false);
    EXPECT_EQ(bar->CurrentControl(), image);
    EXPECT_EQ(Key(VK_DOWN, false), 1);
    Application->ProcessMessages();
    ASSERT_EQ(system->popups.size(), 2u);
    EXPECT_EQ(system->popups[1], BelowImage(image));
}

// The system menu under its real menu loop, opened by a real click on the
// icon: dismissed without a command, by Escape or by a click away, it leaves
// the bar out of menu mode with no current control, and the next Down goes to
// the focused list instead of opening the system menu again.
TEST_F(SystemMenuIconTest, ASystemMenuDismissedWithoutACommandLeavesTheKeysToTheForm) {
    using namespace widget_tests;
    Build(true);
    auto* real = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("Restore");
    real->Items()->Add(item);
    int opened = 0;
    real->OnPopup = [&](TObject*) { ++opened; };
    bar->PopupMenuSystemMenu = real;
    auto* list = new TListBox(form);
    list->SetParent(form);
    list->SetBounds(10, 120, 150, 100);
    for (const char* text : {"one", "two", "three", "four"}) list->Items()->Add(text);
    SetForegroundWindow(form->Handle());
    Pump();
    if (GetForegroundWindow() != form->Handle()) GTEST_SKIP() << "the test window is not in the foreground";
    const TPoint icon = bar->ClientToScreen({bar->Controls(0)->Left() + 8, bar->Controls(0)->Top() + 8});
    const TPoint away = list->ClientToScreen({140, 90});

    struct Case {
        const char* what;
        std::function<void()> approach;  // a step of its own: the move comes before the press
        std::function<void()> dismiss;
    } cases[] = {
        {"Escape", [] {}, [] { Tap(VK_ESCAPE); }},
        {"a click away", [&] { MoveMouse(away.X, away.Y); }, [] { LeftDown(); LeftUp(); }},
    };
    for (const Case& c : cases) {
        list->SetFocus();
        list->SetItemIndex(0);
        opened = 0;
        // A Down that the bar took would open the menu again: the last steps close it.
        ASSERT_TRUE(RunSteps({
            [&] { MoveMouse(icon.X, icon.Y); },
            [] { LeftDown(); LeftUp(); },
            [&] { EXPECT_TRUE(bar->PopupOpen()) << c.what; c.approach(); },
            [&] { c.dismiss(); },
            [&] { list->SetFocus(); Tap(VK_DOWN); },
            [] { EndMenu(); },
            [] { EndMenu(); },
        }, 300)) << c.what;
        EXPECT_EQ(opened, 1) << c.what;
        EXPECT_FALSE(bar->MenuMode()) << c.what;
        EXPECT_EQ(bar->CurrentControl(), nullptr) << c.what;
        EXPECT_EQ(list->ItemIndex(), 1) << c.what;
    }
}

}  // namespace
