#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "timed_steps.h"
#include "widgets/tb_common.h"
#include "widgets/tool_button.h"

namespace {

// A popup menu that records where it would open instead of running the
// menu loop; `during` runs while it is "open".
class RecordingMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    int popups = 0;
    std::function<void()> during;
    void Popup(int, int) override {
        ++popups;
        if (during) during();
    }
};

void Pump() {
    for (int i = 0; i < 3; ++i) {
        Application->ProcessMessages();
        Sleep(10);
    }
}

class ToolButtons : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(60, 60, 320, 160);
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump();
    }
    void TearDown() override {
        TObject::Free(form);
        Pump();
    }
    TToolbarButton* AddButton(int left, int width = 40) {
        auto* b = new TToolbarButton(form);
        b->SetBounds(left, 10, width, 24);
        b->SetParent(form);
        b->OnClick = [this](TObject* sender) { clicks.push_back(static_cast<TToolbarButton*>(sender)); };
        return b;
    }
    void Send(unsigned msg, TToolbarButton* b, int x, int y, WPARAM keys = 0) {
        SendMessageW(form->Handle(), msg, keys, MAKELPARAM(b->Left() + x, b->Top() + y));
    }
    // The pointer moves through the X server under Wine, and a motion still
    // on its way from an earlier test would put it back: the move is made
    // again until it stays, as the repeat timer reads where the pointer is.
    void CursorOver(TToolbarButton* b, int x, int y) {
        const TPoint p = b->ClientToScreen({x, y});
        for (int tries = 0; tries < 20; ++tries) {
            SetCursorPos(p.X, p.Y);
            Pump();
            POINT at;
            if (GetCursorPos(&at) && at.x == p.X && at.y == p.Y) return;
        }
    }
    int ClicksOf(TToolbarButton* b) { return static_cast<int>(std::count(clicks.begin(), clicks.end(), b)); }

    TForm* form = nullptr;
    std::vector<TToolbarButton*> clicks;
};

TEST_F(ToolButtons, PressLeaveComeBackRelease) {
    TToolbarButton* b = AddButton(10);
    CursorOver(b, 5, 5);
    Send(WM_LBUTTONDOWN, b, 5, 5, MK_LBUTTON);
    EXPECT_EQ(b->State(), bsDown);
    Send(WM_MOUSEMOVE, b, 100, 5, MK_LBUTTON);
    EXPECT_EQ(b->State(), bsUp);
    Send(WM_MOUSEMOVE, b, 6, 6, MK_LBUTTON);
    EXPECT_EQ(b->State(), bsDown);
    Send(WM_LBUTTONUP, b, 6, 6);
    EXPECT_EQ(ClicksOf(b), 1);
    EXPECT_EQ(b->State(), bsUp);

    Send(WM_LBUTTONDOWN, b, 5, 5, MK_LBUTTON);
    Send(WM_MOUSEMOVE, b, 100, 5, MK_LBUTTON);
    Send(WM_LBUTTONUP, b, 100, 5);  // released outside: no click
    EXPECT_EQ(ClicksOf(b), 1);
    EXPECT_EQ(b->State(), bsUp);
}

TEST_F(ToolButtons, RightReleaseClearsThePressWithoutAClick) {
    TToolbarButton* b = AddButton(10);
    CursorOver(b, 5, 5);
    Send(WM_LBUTTONDOWN, b, 5, 5, MK_LBUTTON);
    Send(WM_RBUTTONUP, b, 5, 5);
    EXPECT_NE(b->State(), bsDown);
    Send(WM_LBUTTONUP, b, 5, 5);
    EXPECT_EQ(ClicksOf(b), 0);
}

TEST_F(ToolButtons, ComboArrowOpensTheMenuMainPartClicks) {
    TToolbarButton* b = AddButton(10, 40);
    auto* menu = new RecordingMenu(form);
    b->SetDropdownMenu(menu);
    b->SetDropdownCombo(true);
    EXPECT_EQ(b->Width(), 40 + 9 + 2);
    CursorOver(b, 5, 5);

    Send(WM_LBUTTONDOWN, b, b->Width() - 5, 5, MK_LBUTTON);  // the arrow part
    EXPECT_EQ(menu->popups, 1);
    EXPECT_EQ(ClicksOf(b), 0);
    Send(WM_LBUTTONUP, b, b->Width() - 5, 5);  // the press set no mouse-is-down
    EXPECT_EQ(ClicksOf(b), 0);

    Send(WM_LBUTTONDOWN, b, 5, 5, MK_LBUTTON);  // the main part
    EXPECT_EQ(menu->popups, 1);
    Send(WM_LBUTTONUP, b, 5, 5);
    EXPECT_EQ(ClicksOf(b), 1);
    EXPECT_EQ(menu->popups, 1);
}

TEST_F(ToolButtons, ASecondClickOnAnOpenDropdownDoesNotReopenIt) {
    TToolbarButton* b = AddButton(10);
    TToolbarButton* other = AddButton(100);
    auto* menu = new RecordingMenu(form);
    menu->Items()->Add(new TMenuItem(menu));
    b->SetDropdownMenu(menu);
    int otherPresses = 0;
    other->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++otherPresses; };
    // While the menu is open the user clicks the button (to close it) and
    // then the other button.
    menu->during = [&] {
        PostMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b->Left() + 5, b->Top() + 5));
        PostMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(other->Left() + 5, other->Top() + 5));
    };
    CursorOver(b, 5, 5);
    Send(WM_LBUTTONDOWN, b, 5, 5, MK_LBUTTON);
    EXPECT_EQ(menu->popups, 1);
    EXPECT_EQ(ClicksOf(b), 1);  // a plain drop-down button clicks before its menu opens
    menu->during = nullptr;
    Pump();
    EXPECT_EQ(menu->popups, 1);
    EXPECT_EQ(otherPresses, 1);
    Send(WM_LBUTTONUP, other, 5, 5);
}

TEST_F(ToolButtons, GroupsKeepOneDownUnlessAllUpIsAllowed) {
    TToolbarButton* a = AddButton(10);
    TToolbarButton* b = AddButton(60);
    TToolbarButton* c = AddButton(110);
    for (TToolbarButton* x : {a, b, c}) x->SetGroupIndex(1);
    c->SetGroupIndex(2);
    auto click = [&](TToolbarButton* x) {
        CursorOver(x, 5, 5);
        Send(WM_LBUTTONDOWN, x, 5, 5, MK_LBUTTON);
        Send(WM_LBUTTONUP, x, 5, 5);
    };
    click(a);
    EXPECT_TRUE(a->Down());
    click(c);
    EXPECT_TRUE(a->Down());  // another group
    click(b);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), bsUp);
    click(b);
    EXPECT_TRUE(b->Down());  // no way up without AllowAllUp
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp());
    EXPECT_FALSE(c->AllowAllUp());
    click(b);
    EXPECT_FALSE(b->Down());
}

TEST_F(ToolButtons, RepeatStopsWhenItsHandlerDisablesTheButton) {
    TToolbarButton* b = AddButton(10);
    b->Repeating = true;
    b->RepeatDelay = 20;
    b->RepeatInterval = 10;
    b->OnClick = [&](TObject*) {
        clicks.push_back(b);
        if (ClicksOf(b) == 3) b->SetEnabled(false);
    };
    CursorOver(b, 5, 5);
    Send(WM_LBUTTONDOWN, b, 5, 5, MK_LBUTTON);
    EXPECT_EQ(ClicksOf(b), 1);
    for (int i = 0; i < 30 && ClicksOf(b) < 3; ++i) Pump();
    Pump();
    EXPECT_EQ(ClicksOf(b), 3);
    EXPECT_EQ(b->State(), bsDisabled);
    Send(WM_LBUTTONUP, b, 5, 5);
    Pump();
    EXPECT_EQ(ClicksOf(b), 3);
}

TEST_F(ToolButtons, SettersKeepTheirBounds) {
    TToolbarButton* b = AddButton(10);
    struct Case {
        int set, expected;
    };
    for (Case c : {Case{0, 1}, Case{9, 5}, Case{3, 3}}) {
        b->SetNumGlyphs(c.set);
        EXPECT_EQ(b->NumGlyphs(), c.expected) << c.set;
    }
    b->SetDropdownArrowWidth(3);
    EXPECT_EQ(b->DropdownArrowWidth(), 7);
    b->SetDown(true);  // no group: never down
    EXPECT_FALSE(b->Down());
}

// Keys typed on the form, through the message loop as from the keyboard.
TEST_F(ToolButtons, EnterEscapeAndAcceleratorsClickTheirButtons) {
    TToolbarButton* ok = AddButton(10);
    ok->Default = true;
    TToolbarButton* cancel = AddButton(60);
    cancel->Cancel = true;
    TToolbarButton* copy = AddButton(110);
    copy->SetCaption(Utf8ToAnsi("&Копия"));
    TToolbarButton* pictured = AddButton(160);
    pictured->SetCaption(Utf8ToAnsi("&Рисунок"));
    pictured->SetDisplayMode(dmGlyphOnly);
    TToolbarButton* off = AddButton(210);
    off->SetCaption(Utf8ToAnsi("&Выкл"));
    off->SetEnabled(false);
    ::SetFocus(form->Handle());

    struct Case {
        const char* what;
        unsigned msg;
        WPARAM key;
        TToolbarButton* clicked;
    } cases[] = {
        {"Enter", WM_KEYDOWN, VK_RETURN, ok},
        {"Esc", WM_KEYDOWN, VK_ESCAPE, cancel},
        {"Alt+к", WM_SYSCHAR, 0x043A, copy},
        {"К", WM_CHAR, 0x041A, copy},
        {"р on a glyph-only button", WM_CHAR, 0x0440, nullptr},
        {"в on a disabled button", WM_CHAR, 0x0432, nullptr},
    };
    for (const Case& c : cases) {
        clicks.clear();
        PostMessageW(form->Handle(), c.msg, c.key, 1);
        Pump();
        EXPECT_EQ(clicks, c.clicked ? std::vector<TToolbarButton*>{c.clicked} : std::vector<TToolbarButton*>{})
            << c.what;
    }
}

TEST_F(ToolButtons, AnActionDrivesDownAndTheImageWhileTheyAgree) {
    TToolbarButton* b = AddButton(10);
    b->SetGroupIndex(1);
    b->SetAllowAllUp(true);
    auto* action = new TAction(form);
    action->SetChecked(true);
    action->SetImageIndex(3);
    action->SetHelpContext(12);
    b->SetAction(action);
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(b->ImageIndex(), 3);
    EXPECT_EQ(b->HelpContext, 12);
    // Following the action, they are the action's to save.
    EXPECT_FALSE(b->IsCheckedStored());
    EXPECT_FALSE(b->IsImageIndexStored());
    EXPECT_FALSE(b->IsHelpContextStored());

    action->SetChecked(false);
    EXPECT_FALSE(b->Down());
    b->SetDown(true);  // the button's own way: its Down is its own to save
    EXPECT_TRUE(b->IsCheckedStored());
    b->SetImageIndex(1);
    action->SetImageIndex(4);
    EXPECT_EQ(b->ImageIndex(), 1);
    action->SetChecked(true);  // agreeing again, they are linked again
    EXPECT_FALSE(b->IsCheckedStored());

    auto* copy = new TAction(form);
    copy->Assign(b);
    EXPECT_TRUE(copy->Checked());
}

TEST_F(ToolButtons, FlatControlRegistry) {
    TToolbarButton* b = AddButton(10);
    EXPECT_FALSE(ControlIsFlatControl(b));
    RegisterFlatControlClass(IsFlatControlOf<TToolbarButton>);
    EXPECT_TRUE(ControlIsFlatControl(b));
    EXPECT_FALSE(ControlIsFlatControl(form));
    EXPECT_FALSE(ControlIsFlatControl(nullptr));
    UnregisterFlatControlClass(IsFlatControlOf<TToolbarButton>);
    EXPECT_FALSE(ControlIsFlatControl(b));
}

TEST_F(ToolButtons, TheSharedTimerAndHooksGoWithTheLastButton) {
    TToolbarButton* b = AddButton(10);
    EXPECT_TRUE(ToolButtonMouseTimerExists());
    EXPECT_TRUE(HookKindInstalled(2));
    TObject::Free(b);
    EXPECT_FALSE(ToolButtonMouseTimerExists());
    EXPECT_EQ(HookKindCount(0), 0);
    EXPECT_EQ(HookKindCount(2), 0);
}

TEST_F(ToolButtons, TheMouseEntersAndLeaves) {
    TToolbarButton* b = AddButton(10);
    int entered = 0, left = 0;
    b->OnMouseEnter = [&](TObject*) { ++entered; };
    b->OnMouseExit = [&](TObject*) { ++left; };
    CursorOver(b, 5, 5);
    Send(WM_MOUSEMOVE, b, 5, 5);
    EXPECT_EQ(TToolbarButton::ButtonMouseInControl(), b);
    EXPECT_EQ(b->State(), bsMouseIn);
    EXPECT_EQ(entered, 1);
    SetCursorPos(5, 700);  // off the form: the shared timer notices
    // The cursor moves asynchronously under Wine: a mouse move queued before
    // may still find it over the button and enter once more.
    for (int i = 0; i < 40 && (left < entered || TToolbarButton::ButtonMouseInControl()); ++i) Pump();
    EXPECT_GE(left, 1);
    EXPECT_EQ(left, entered);
    EXPECT_EQ(TToolbarButton::ButtonMouseInControl(), nullptr);
    EXPECT_EQ(b->State(), bsUp);
}

TEST_F(ToolButtons, TheLastButtonMayBeFreedWhenTheMouseLeavesIt) {
    TToolbarButton* b = AddButton(10);
    bool freed = false;
    b->OnMouseExit = [&](TObject*) {
        TObject::Free(b);  // from inside the shared timer's callback
        freed = true;
    };
    CursorOver(b, 5, 5);
    Send(WM_MOUSEMOVE, b, 5, 5);
    SetCursorPos(5, 700);
    for (int i = 0; i < 30 && !freed; ++i) Pump();
    Pump();
    EXPECT_TRUE(freed);
    EXPECT_FALSE(ToolButtonMouseTimerExists());
}

// --- a row of buttons, written to a screenshot for the eye

std::unique_ptr<TBitmap> GlyphStrip(int count) {
    const TColor colours[] = {clNavy, clGreen, clMaroon, clTeal, clPurple};
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(16 * count, 16);
    TCanvas* c = bitmap->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, 16 * count, 16));
    for (int i = 0; i < count; ++i) {
        c->Brush()->SetColor(i == 1 && count == 2 ? clGray : colours[i]);
        c->Pen()->SetColor(clBlack);
        c->Ellipse(i * 16 + 2, 2, i * 16 + 14, 14);
    }
    return bitmap;
}

TEST_F(ToolButtons, ARowOfButtonsForTheScreenshot) {
    form->SetBounds(60, 60, 520, 120);
    form->SetCaption("Tool buttons");
    auto* menu = new RecordingMenu(form);
    menu->Items()->Add(new TMenuItem(menu));
    int x = 8;
    auto add = [&](int glyphs, const char* caption, int width) {
        TToolbarButton* b = AddButton(x, width);
        x += width + 4;
        if (glyphs) {
            auto strip = GlyphStrip(glyphs);
            b->SetGlyph(strip.get());
        }
        b->SetCaption(caption);
        return b;
    };
    add(1, "One", 60);
    add(2, "", 26);
    add(5, "Five", 64)->SetFlat(false);
    TToolbarButton* disabled = add(1, "Off", 56);
    disabled->SetEnabled(false);
    TToolbarButton* disabledOld = add(1, "Old", 56);
    disabledOld->SetOldDisabledStyle(true);
    disabledOld->SetEnabled(false);
    TToolbarButton* drop = add(1, "", 40);
    drop->SetDropdownMenu(menu);
    TToolbarButton* combo = add(1, "", 26);
    combo->SetDropdownMenu(menu);
    combo->SetDropdownCombo(true);
    x += 11;
    TToolbarButton* raised = add(0, "Raised", 60);
    raised->SetFlat(false);
    raised->SetGroupIndex(3);
    raised->SetDown(true);
    form->Invalidate();
    Pump();
    EXPECT_EQ(disabled->State(), bsDisabled);

    RECT r;
    GetWindowRect(form->Handle(), &r);
    TBitmap shot;
    shot.SetSize(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    shot.SaveToFile(testing_support::BinaryDir() + "\\tests\\tool_buttons.bmp");
}

// Started by hand from the source tree, the pictures still go under the build
// folder and never into the current folder.
TEST(TestPictures, GoUnderTheBuildFolderWithOrWithoutTheTestEnvironment) {
    const std::string fromEnvironment = testing_support::BinaryDir();
    wchar_t saved[4096] = {};
    const DWORD length = GetEnvironmentVariableW(L"TEST_BINARY_DIR", saved, 4096);
    SetEnvironmentVariableW(L"TEST_BINARY_DIR", nullptr);
    const std::string byHand = testing_support::BinaryDir();
    if (length) SetEnvironmentVariableW(L"TEST_BINARY_DIR", saved);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string program = WideToAnsi(exe);
    program.erase(program.find_last_of("\\/"));
    EXPECT_EQ(LowerCase(byHand + "\\tests"), LowerCase(program));
    if (length) EXPECT_EQ(LowerCase(byHand), LowerCase(fromEnvironment));
}

TEST_F(ToolButtons, ADisabledGlyphTakesTheNewShadowAfterAColourChange) {
    TToolbarButton* b = AddButton(10, 24);
    auto strip = GlyphStrip(1);
    b->SetGlyph(strip.get());
    b->SetEnabled(false);
    Pump();
    // The embossed shape's pixels are the shadow colour; find one.
    auto shadowPixels = [&](COLORREF colour) {
        int count = 0;
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x) {
                const TPoint p = b->ClientToScreen({x, y});
                count += widget_tests::ScreenPixel(p.X, p.Y) == colour;
            }
        return count;
    };
    const int element = COLOR_BTNSHADOW;
    const COLORREF saved = GetSysColor(element), changed = RGB(20, 140, 60);
    ASSERT_GT(shadowPixels(saved), 10);
    SetSysColors(1, &element, &changed);  // Windows tells every top-level window
    b->Invalidate();
    Pump();
    const int afterChange = shadowPixels(changed);
    SetSysColors(1, &element, &saved);
    Pump();
    EXPECT_GT(afterChange, 10) << "the disabled image is made again in the new colours";
}

}  // namespace
