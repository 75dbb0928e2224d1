#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/actions.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/image_list.h"
#include "framework/stdctrls.h"
#include "framework/menus.h"
#include "framework/property_filer.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "timed_steps.h"
#include "widgets/dock.h"
#include "widgets/menu_bar.h"

namespace {

class MenuBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
        dock = new TDock(form);
        dock->SetParent(form);
        dock->AllowDrag = false;
        dock->LimitToOneRow = true;
        bar = new TMenuBar(form);
        bar->SetParent(dock);
        bar->FullSize = true;
        bar->SetShowCaption(false);
        bar->ButtonHeight = 21;
        menu = new TMainMenu(form);
        file = Item(menu->Items(), "File");
        Item(file, "Load")->SetVisible(false);
        Item(file, "-")->SetVisible(false);
        print = Item(file, "Print");
        Item(file, "Exit");
        Item(Item(menu->Items(), "Hidden"), "Inside")->Parent()->SetVisible(false);
        Item(Item(menu->Items(), ""), "Blank");
        Item(Item(menu->Items(), "Help"), "About");
        form->SetMenu(menu);
        bar->MainMenu = menu;
    }
    void TearDown() override { TObject::Free(form); }
    TMenuItem* Item(TMenuItem* parent, const std::string& caption) {
        auto* item = new TMenuItem(form);
        item->SetCaption(caption);
        item->OnClick = [this, caption](TObject*) { clicks.push_back(caption); };
        parent->Add(item);
        return item;
    }
    std::vector<TMenuOptionBox*> Buttons() {
        std::vector<TMenuOptionBox*> out;
        for (int i = 0; i < bar->ControlCount(); ++i)
            if (auto* b = dynamic_cast<TMenuOptionBox*>(bar->Controls(i))) out.push_back(b);
        return out;
    }

    TForm* form = nullptr;
    TDock* dock = nullptr;
    TMenuBar* bar = nullptr;
    TMainMenu* menu = nullptr;
    TMenuItem* file = nullptr;
    TMenuItem* print = nullptr;
    std::vector<std::string> clicks;
};

TEST_F(MenuBarTest, VisibleTopLevelItemsBecomeButtonsAndLeaveTheMainMenu) {
    form->HandleNeeded();
    ASSERT_NE(GetMenu(form->Handle()), nullptr);
    bar->CreateMenu();
    std::vector<TMenuOptionBox*> buttons = Buttons();
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0]->Caption(), "File");
    EXPECT_EQ(buttons[1]->Caption(), "");
    EXPECT_EQ(buttons[2]->Caption(), "Help");
    // An empty caption gives a borderless button of width 0; a blank one is
    // a caption like any other.
    EXPECT_EQ(buttons[1]->Width(), 0);
    EXPECT_TRUE(buttons[1]->NoBorder());
    auto* blank = new TMenuOptionBox(form);
    blank->SetCaption("  ");
    EXPECT_GT(blank->Width(), 10);
    EXPECT_FALSE(blank->NoBorder());
    for (TMenuOptionBox* b : buttons) EXPECT_EQ(b->Height(), 21);
    // Exactly the mirrored items are deleted: the invisible one stays, the
    // form shows no menu strip.
    ASSERT_EQ(menu->Items()->Count(), 1);
    EXPECT_EQ(menu->Items()->Items(0)->Caption(), "Hidden");
    EXPECT_EQ(GetMenu(form->Handle()), nullptr);
    // The dock is as high as the buttons plus 4, the bar as wide as the dock.
    EXPECT_EQ(dock->Height(), 25);
    EXPECT_EQ(bar->Width(), dock->Width());
}

TEST_F(MenuBarTest, CopiesKeepHiddenItemsAndDispatchByCommand) {
    bar->OnAllDrawItem = [](TObject*, TCanvas*, const TRect&, bool) {};
    bar->CreateMenu();
    TPopupMenu* popup = bar->GetPopups(0);
    TMenuItem* copies = popup->Items();
    ASSERT_EQ(copies->Count(), 4);
    EXPECT_FALSE(copies->Items(0)->Visible());
    EXPECT_TRUE(copies->Items(2)->Visible());
    EXPECT_EQ(static_cast<TMenuBarMenuItem*>(copies->Items(2))->Level, 1);
    EXPECT_TRUE(static_cast<bool>(copies->Items(2)->OnDrawItem));
    // Two native entries: "Print" at position 0 (hidden ones have none).
    HMENU handle = popup->Handle();
    ASSERT_EQ(GetMenuItemCount(handle), 2);
    EXPECT_EQ(GetMenuItemID(handle, 0), copies->Items(2)->Command());
    // The command reaches the copy's handler once, through the popup list.
    SendMessageW(PopupListWindow(), WM_COMMAND, copies->Items(2)->Command(), 0);
    EXPECT_EQ(clicks, (std::vector<std::string>{"Print"}));
}

// The main menu's images go to the buttons and drop-downs; the items' auto
// flags, submenu images and actions go to their copies, and a top-level
// item's action to its button.
TEST_F(MenuBarTest, ImagesAutoFlagsAndActionsReachTheButtonsAndCopies) {
    auto* images = new TImageList(form, 16, 16);
    auto* subImages = new TImageList(form, 12, 12);
    menu->SetImages(images);
    file->SetImageIndex(0);
    auto* fileAction = new TAction(form);
    fileAction->SetCaption("File");
    fileAction->SetImageIndex(0);
    file->SetAction(fileAction);
    auto* printAction = new TAction(form);
    int printed = 0;
    printAction->OnExecute = [&](TObject*) { ++printed; };
    printAction->SetCaption("Print");
    print->OnClick = nullptr;
    print->SetAction(printAction);
    print->AutoHotkeys = maManual;
    print->AutoLineReduction = maAutomatic;
    print->SetSubMenuImages(subImages);
    bar->CreateMenu();
    std::vector<TMenuOptionBox*> buttons = Buttons();
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0]->Images(), images);
    EXPECT_EQ(buttons[0]->Action(), fileAction);
    EXPECT_EQ(buttons[1]->Images(), nullptr);  // no image index
    EXPECT_EQ(buttons[1]->Action(), nullptr);
    EXPECT_EQ(bar->GetPopups(0)->Images(), images);
    TMenuItem* copy = bar->GetPopups(0)->Items()->Items(2);
    EXPECT_EQ(copy->Action(), printAction);
    EXPECT_EQ(copy->AutoHotkeys, maManual);
    EXPECT_EQ(copy->AutoLineReduction, maAutomatic);
    EXPECT_EQ(copy->SubMenuImages(), subImages);
    EXPECT_EQ(bar->GetPopups(0)->Items()->Items(3)->AutoHotkeys, maParent);
    SendMessageW(PopupListWindow(), WM_COMMAND, copy->Command(), 0);
    EXPECT_EQ(printed, 1);
}

TEST_F(MenuBarTest, HideKeepsSourcesAndSynchronizeCopiesThemAgain) {
    bar->WhatDoWithOldMenus = wdHide;
    bar->CreateMenu();
    EXPECT_EQ(menu->Items()->Count(), 4);
    EXPECT_FALSE(file->Visible());
    print->SetCaption("Print now");
    print->SetEnabled(false);
    bar->Synchronize();
    Application->ProcessMessages();
    TMenuItem* copy = bar->GetPopups(0)->Items()->Items(2);
    EXPECT_EQ(copy->Caption(), "Print now");
    EXPECT_FALSE(copy->Enabled());
}

TEST_F(MenuBarTest, SynchronizeUnderAnOpenDropDownClosesItCopiesAndOpensItAgain) {
    bar->WhatDoWithOldMenus = wdHide;
    bar->CreateMenu();
    form->Show();
    SetForegroundWindow(form->Handle());
    TMenuItem* copy = bar->GetPopups(0)->Items()->Items(2);
    std::vector<std::string> seen;
    auto note = [&](const char* when) {
        seen.push_back(std::string(when) + ": depth " + std::to_string(bar->PopupDepth()) + ", " + copy->Caption());
    };
    // Steps 150 ms apart, run from inside the drop-downs' menu loops.
    const bool done = widget_tests::RunSteps({
        [&] { Buttons()[0]->Click(); },
        [&] {
            note("open");
            print->SetCaption("Print now");
            bar->Synchronize();
            note("asked");
        },
        [&] {
            note("reopened");
            EndMenu();
        },
        [&] { note("closed"); },
    });
    ASSERT_TRUE(done);
    EXPECT_EQ(seen, (std::vector<std::string>{"open: depth 1, Print", "asked: depth 1, Print",
                                              "reopened: depth 1, Print now", "closed: depth 0, Print now"}));
}

TEST_F(MenuBarTest, SynchronizeRefusesAfterDelete) {
    bar->CreateMenu();
    try {
        bar->Synchronize();
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot synchronize with WhatDoWithOldMenus = wdDelete");
    }
}

TEST_F(MenuBarTest, TheBitmapsRoundTrip) {
    print->SetName("PrintItem");
    auto* bitmap = new TBitmap;
    bitmap->SetSize(5, 3);
    bar->Bitmaps()->Add(print, bitmap);
    bar->Bitmaps()->Add(file, nullptr);
    TMemoryStream stream;
    bar->Bitmaps()->WriteData(&stream);
    stream.SetPosition(0);
    TMenuItemBitmaps read;
    read.ReadData(&stream);
    ASSERT_EQ(read.Count(), 2);
    EXPECT_EQ(read.Items(0).ItemName, "PrintItem");
    ASSERT_NE(read.Items(0).Bitmap, nullptr);
    EXPECT_EQ(read.Items(0).Bitmap->Width(), 5);
    EXPECT_EQ(read.Items(1).Bitmap, nullptr);
    // A truncated list is an error, not a crash.
    TMemoryStream truncated;
    int32_t count = 1000;
    truncated.WriteBuffer(&count, 4);
    truncated.SetPosition(0);
    EXPECT_THROW(read.ReadData(&truncated), EReadError);
}

TEST_F(MenuBarTest, TheBitmapsAsSavedProperties) {
    print->SetName("PrintItem");
    file->SetName("FileItem");
    auto* bitmap = new TBitmap;
    bitmap->SetSize(4, 4);
    bar->Bitmaps()->Add(print, bitmap);
    auto* checked = new TBitmap;
    checked->SetSize(2, 6);
    bar->BitmapsChecked()->Add(file, checked);
    TMemoryStream saved;
    TPropertyWriter writer(&saved);
    bar->DefineProperties(&writer);

    auto* copy = new TMenuBar(form);
    copy->MainMenu = menu;
    saved.SetPosition(0);
    TPropertyReader reader(&saved);
    copy->DefineProperties(&reader);
    EXPECT_TRUE(reader.UnreadNames().empty());
    copy->FixupReferences();
    ASSERT_NE(copy->Bitmaps()->GetBitmaps(print), nullptr);
    EXPECT_EQ(copy->Bitmaps()->GetBitmaps(print)->Width(), 4);
    ASSERT_NE(copy->BitmapsChecked()->GetBitmaps(file), nullptr);
    EXPECT_EQ(copy->BitmapsChecked()->GetBitmaps(file)->Height(), 6);

    // Empty lists write nothing; a list cut short is an error.
    TMenuBar* empty = new TMenuBar(form);
    TMemoryStream none;
    TPropertyWriter noneWriter(&none);
    empty->DefineProperties(&noneWriter);
    EXPECT_EQ(none.Size(), 0);
    saved.SetSize(saved.Size() - 3);
    saved.SetPosition(0);
    EXPECT_THROW(TPropertyReader{&saved}, EReadError);
}

// The keyboard hook's decisions, fed directly (real key presses reach it the same way).
class MenuBarKeysTest : public MenuBarTest {
protected:
    void SetUp() override {
        MenuBarTest::SetUp();
        bar->CreateMenu();
        form->Show();
        SetActiveWindow(form->Handle());
        ASSERT_EQ(GetActiveWindow(), form->Handle());
    }
    intptr_t Key(unsigned key, bool up, bool extended = false) {
        uint32_t lParam = 1u | (extended ? 1u << 24 : 0u) | (up ? 0xC0000000u : 0u);
        return bar->KeyboardHookEvent(bar, HC_ACTION, key, static_cast<intptr_t>(lParam));
    }
    void Press(unsigned key, bool extended = false) {
        Key(key, false, extended);
        Key(key, true, extended);
    }
};

TEST_F(MenuBarKeysTest, LeftAltTogglesMenuModeEveryTime) {
    std::vector<TMenuOptionBox*> buttons = Buttons();
    for (bool expected : {true, false, true}) {
        EXPECT_EQ(Key(VK_MENU, false), 0);
        EXPECT_EQ(Key(VK_MENU, true), 1);
        EXPECT_EQ(bar->MenuMode(), expected);
        EXPECT_EQ(bar->CurrentControl(), expected ? buttons[0] : nullptr);
    }
}

TEST_F(MenuBarKeysTest, AltWithAnotherKeyOrTheRightAltDoesNotEnter) {
    Key(VK_MENU, false);
    Press('A');
    EXPECT_EQ(Key(VK_MENU, true), 0);
    EXPECT_FALSE(bar->MenuMode());
    Press(VK_MENU, true);
    EXPECT_FALSE(bar->MenuMode());
    Press(VK_F10);
    EXPECT_TRUE(bar->MenuMode());
}

TEST_F(MenuBarKeysTest, ArrowsWrapAndEscapeLeaves) {
    std::vector<TMenuOptionBox*> buttons = Buttons();
    Press(VK_MENU);
    Key(VK_LEFT, false);
    EXPECT_EQ(bar->CurrentControl(), buttons.back());
    Key(VK_RIGHT, false);
    EXPECT_EQ(bar->CurrentControl(), buttons.front());
    Key(VK_RIGHT, false);
    EXPECT_EQ(bar->CurrentControl(), buttons[1]);
    Key(VK_ESCAPE, false);
    EXPECT_FALSE(bar->MenuMode());
    EXPECT_EQ(bar->CurrentControl(), nullptr);
}

// Menu mode lasts only while the keys can reach the bar: it ends when another
// control takes the focus, and when a drop-down's menu loop ends without a
// command, unless the user's Escape brought the loop back to the bar.
TEST_F(MenuBarKeysTest, MenuModeEndsWithTheFocusOrALoopEndedAway) {
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(0, 60, 80, 20);
    Press(VK_MENU);
    ASSERT_TRUE(bar->MenuMode());
    edit->SetFocus();
    EXPECT_FALSE(bar->MenuMode());
    EXPECT_EQ(bar->CurrentControl(), nullptr);

    struct Case {
        const char* what;
        bool escape;
        bool menuModeAfter;
    } cases[] = {
        {"the loop ended by a click away or lost activation", false, false},
        {"Escape closes the drop-down back to the bar", true, true},
    };
    for (const Case& c : cases) {
        Press(VK_MENU);
        ASSERT_TRUE(bar->MenuMode()) << c.what;
        bar->PopupListMessage(WM_ENTERMENULOOP, 0, 0);
        if (c.escape) Key(VK_ESCAPE, false);
        bar->PopupListMessage(WM_EXITMENULOOP, 0, 0);
        EXPECT_EQ(bar->MenuMode(), c.menuModeAfter) << c.what;
        EXPECT_EQ(bar->CurrentControl() != nullptr, c.menuModeAfter) << c.what;
        if (bar->MenuMode()) Key(VK_ESCAPE, false);
        EXPECT_FALSE(bar->MenuMode()) << c.what;
    }
}

TEST_F(MenuBarKeysTest, DownIsSwallowedAndOpensAfterTheHook) {
    Press(VK_MENU);
    // The drop-down would run its menu loop; close it as soon as it is up.
    SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        EndMenu();
    });
    EXPECT_EQ(Key(VK_DOWN, false), 1);
    EXPECT_FALSE(bar->PopupOpen());
    Application->ProcessMessages();
    EXPECT_EQ(bar->PopupDepth(), 0);
    EXPECT_FALSE(bar->PopupOpen());
}

// Real key presses through the system's input, with the drop-down's menu loop running.
int gHighlighted = -2;
HMENU gWatchedMenu = nullptr;

void CALLBACK RecordAndClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    gHighlighted = -1;
    for (int i = 0, n = GetMenuItemCount(gWatchedMenu); i < n; ++i)
        if (GetMenuState(gWatchedMenu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) gHighlighted = i;
    EndMenu();
}

class MenuBarLoopTest : public MenuBarTest {
protected:
    void SetUp() override {
        MenuBarTest::SetUp();
        bar->OnAllDrawItem = [this](TObject*, TCanvas*, const TRect&, bool) { ++draws; };
        bar->OnAllMeasureItem = [this](TObject*, TCanvas*, int& w, int& h) {
            ++measures;
            w = 60;
            h = 18;
        };
        bar->CreateMenu();
        form->Show();
        SetForegroundWindow(form->Handle());
        Application->ProcessMessages();
    }
    static void Press(BYTE key) {
        keybd_event(key, static_cast<BYTE>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), 0, 0);
        keybd_event(key, static_cast<BYTE>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP, 0);
    }
    static void Pump() {
        for (int i = 0; i < 20; ++i) {
            Application->ProcessMessages();
            Sleep(10);
        }
    }
    int draws = 0;
    int measures = 0;
};

TEST_F(MenuBarLoopTest, AltThenDownOpensTheFirstDropDownOnItsFirstVisibleItem) {
    if (GetForegroundWindow() != form->Handle()) GTEST_SKIP() << "the test window is not in the foreground";
    for (bool expected : {true, false, true}) {
        Press(VK_MENU);
        Pump();
        EXPECT_EQ(bar->MenuMode(), expected);
    }
    gHighlighted = -2;
    gWatchedMenu = bar->GetPopups(0)->Handle();
    SetTimer(nullptr, 0, 300, RecordAndClose);
    Press(VK_DOWN);
    Pump();
    EXPECT_EQ(gHighlighted, 0);  // "Print": the hidden items have no entries
    EXPECT_GT(draws, 0);
    EXPECT_GT(measures, 0);
    EXPECT_FALSE(bar->PopupOpen());
    EXPECT_EQ(bar->PopupDepth(), 0);
}

// A fast typist presses Down before F10 is up; the drop-down must open in
// every order the two keys can arrive in, as it does after a pause.
TEST_F(MenuBarLoopTest, F10ThenDownOpensTheFirstDropDownInAnyKeyOrder) {
    if (GetForegroundWindow() != form->Handle()) GTEST_SKIP() << "the test window is not in the foreground";
    auto key = [](BYTE vk, bool up) {
        keybd_event(vk, static_cast<BYTE>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), up ? KEYEVENTF_KEYUP : 0, 0);
    };
    const struct {
        const char* name;
        std::vector<std::pair<BYTE, bool>> keys;  // key, released; a zero key pumps in between
    } cases[] = {
        {"at once", {{VK_F10, false}, {VK_F10, true}, {VK_DOWN, false}, {VK_DOWN, true}}},
        {"after a pause", {{VK_F10, false}, {VK_F10, true}, {0, false}, {VK_DOWN, false}, {VK_DOWN, true}}},
        {"Down before F10 is up", {{VK_F10, false}, {VK_DOWN, false}, {VK_F10, true}, {VK_DOWN, true}}},
        {"Down tapped under F10", {{VK_F10, false}, {VK_DOWN, false}, {VK_DOWN, true}, {VK_F10, true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gHighlighted = -2;
        gWatchedMenu = bar->GetPopups(0)->Handle();
        SetTimer(nullptr, 0, 300, RecordAndClose);
        for (auto [vk, up] : c.keys)
            if (vk) key(vk, up);
            else Pump();
        Pump();
        Pump();
        EXPECT_EQ(gHighlighted, 0);
        EXPECT_FALSE(bar->PopupOpen());
        if (bar->MenuMode()) Press(VK_ESCAPE);
        Pump();
        EXPECT_FALSE(bar->MenuMode());
    }
}

// Steps run from a timer inside the menu's modal loop, each once the state it
// waits for has come (a fixed pace ran ahead of a loaded machine).
struct ScriptStep {
    ScriptStep(std::function<bool()> when, std::function<void()> step) : ready(std::move(when)), run(std::move(step)) {}
    // A step that waits for nothing but the timer.
    template <typename Step>
    ScriptStep(Step step) : ready([] { return true; }), run(std::move(step)) {}
    std::function<bool()> ready;
    std::function<void()> run;
};
std::vector<ScriptStep> gScript;
size_t gStep = 0;

void CALLBACK RunScriptStep(HWND, UINT, UINT_PTR id, DWORD) {
    if (gStep >= gScript.size()) {
        KillTimer(nullptr, id);
        return;
    }
    // A state that never comes ends the script short and closes the menu its
    // keys opened: the menu's modal loop would hold the test for good.
    static size_t waitingFor = SIZE_MAX;
    static DWORD since = 0;
    const DWORD now = GetTickCount();
    if (gStep != waitingFor) {
        waitingFor = gStep;
        since = now;
    }
    if (gScript[gStep].ready()) {
        gScript[gStep++].run();
    } else if (now - since > 10000) {
        gStep = gScript.size();
        waitingFor = SIZE_MAX;
        EndMenu();
    }
}

TEST_F(MenuBarLoopTest, RightSwitchesDropDownsAndEscapeTwiceReturns) {
    if (GetForegroundWindow() != form->Handle()) GTEST_SKIP() << "the test window is not in the foreground";
    std::vector<TMenuOptionBox*> buttons = Buttons();
    std::vector<std::string> seen;
    auto note = [&](const char* what) {
        int index = -1;
        for (size_t i = 0; i < buttons.size(); ++i)
            if (bar->CurrentControl() == buttons[i]) index = static_cast<int>(i);
        seen.push_back(std::string(what) + " " + std::to_string(index) + (bar->PopupOpen() ? " open" : " closed") +
                       (bar->MenuMode() ? " menu" : ""));
    };
    gStep = 0;
    // Each step waits for the change its key asks for; the note then checks
    // the whole state. A change that never comes ends the script short.
    gScript = {
        {[&] { return bar->PopupOpen(); }, [&] { note("down"); Press(VK_RIGHT); }},
        {[&] { return bar->PopupOpen() && bar->CurrentControl() != buttons[0]; },
         [&] { note("right"); Press(VK_ESCAPE); }},
        {[&] { return !bar->PopupOpen(); }, [&] { note("escape"); Press(VK_ESCAPE); }},
        {[&] { return !bar->MenuMode(); }, [&] { note("escape"); }},
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 20, RunScriptStep);
    Press(VK_MENU);
    Pump();
    Press(VK_DOWN);
    for (int i = 0; i < 1000 && gStep < gScript.size(); ++i) {
        Application->ProcessMessages();
        Sleep(10);
    }
    Pump();
    KillTimer(nullptr, timer);
    EXPECT_EQ(seen, (std::vector<std::string>{"down 0 open menu", "right 1 open menu", "escape 1 closed menu",
                                              "escape -1 closed"}));
}

TEST_F(MenuBarLoopTest, RightOpensASubmenuAndLeftClosesOnlyThatLevel) {
    if (GetForegroundWindow() != form->Handle()) GTEST_SKIP() << "the test window is not in the foreground";
    std::vector<TMenuOptionBox*> buttons = Buttons();
    // Help's drop-down: "About", then "More" with a submenu.
    TMenuItem* helpCopies = bar->GetPopups(2)->Items();
    auto* more = new TMenuBarMenuItem(helpCopies);
    more->Level = 1;
    more->SetCaption("More");
    helpCopies->Add(more);
    auto* deep = new TMenuBarMenuItem(more);
    deep->Level = 2;
    deep->SetCaption("Deep");
    more->Add(deep);
    std::vector<std::string> seen;
    auto note = [&](const char* what) {
        int index = -1;
        for (size_t i = 0; i < buttons.size(); ++i)
            if (bar->CurrentControl() == buttons[i]) index = static_cast<int>(i);
        seen.push_back(std::string(what) + " " + std::to_string(index) + " depth " + std::to_string(bar->PopupDepth()));
    };
    gStep = 0;
    gScript = {
        [&] { note("file"); Press(VK_LEFT); },
        [&] { note("help"); Press(VK_DOWN); },
        [&] { Press(VK_RIGHT); },
        [&] { note("submenu"); Press(VK_LEFT); },
        [&] { note("back"); Press(VK_ESCAPE); },
        [&] { Press(VK_ESCAPE); },
        [&] { note("done"); },
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 250, RunScriptStep);
    Press(VK_MENU);
    Pump();
    Press(VK_DOWN);
    for (int i = 0; i < 300 && gStep < gScript.size(); ++i) {
        Application->ProcessMessages();
        Sleep(10);
    }
    Pump();
    KillTimer(nullptr, timer);
    EXPECT_EQ(seen, (std::vector<std::string>{"file 0 depth 1", "help 2 depth 1", "submenu 2 depth 1",
                                              "back 2 depth 1", "done -1 depth 0"}));
    EXPECT_FALSE(bar->MenuMode());
}

TEST_F(MenuBarLoopTest, MovingTheMouseAcrossTheBarSwitchesDropDowns) {
    if (GetForegroundWindow() != form->Handle()) GTEST_SKIP() << "the test window is not in the foreground";
    std::vector<TMenuOptionBox*> buttons = Buttons();
    std::vector<int> current;
    auto note = [&] {
        int index = -1;
        for (size_t i = 0; i < buttons.size(); ++i)
            if (bar->CurrentControl() == buttons[i]) index = static_cast<int>(i);
        current.push_back(bar->PopupOpen() ? index : -2);
    };
    auto moveTo = [&](TMenuOptionBox* button, int dx) {
        TPoint p = button->ClientToScreen({button->Width() / 2 + dx, button->Height() / 2});
        widget_tests::MoveMouse(p.X, p.Y);
    };
    gStep = 0;
    // At the timer's pace, once the state each step waits for has come: the
    // first drop-down has had time to see the resting pointer.
    gScript = {
        {[&] { return bar->PopupOpen(); }, [&] { note(); moveTo(buttons[2], 0); }},
        {[&] { return bar->PopupOpen() && bar->CurrentControl() != buttons[0]; }, [&] { note(); Press(VK_ESCAPE); }},
        {[&] { return !bar->PopupOpen(); }, [&] { Press(VK_ESCAPE); }},
        {[&] { return !bar->MenuMode(); }, [&] { note(); }},
    };
    // The pointer rests on "Help": the drop-down opened from the keyboard
    // stays the first one until the mouse really moves.
    moveTo(buttons[2], -8);
    Pump();
    UINT_PTR timer = SetTimer(nullptr, 0, 250, RunScriptStep);
    Press(VK_MENU);
    Pump();
    Press(VK_DOWN);
    for (int i = 0; i < 300 && gStep < gScript.size(); ++i) {
        Application->ProcessMessages();
        Sleep(10);
    }
    Pump();
    KillTimer(nullptr, timer);
    EXPECT_EQ(current, (std::vector<int>{0, 2, -2}));
}

}  // namespace
