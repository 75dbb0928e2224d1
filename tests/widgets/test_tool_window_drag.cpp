#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "timed_steps.h"
#include "widgets/dock.h"
#include "widgets/tool_button.h"
#include "widgets/toolbar.h"

using namespace widget_tests;

namespace {

// A form with a top and a bottom dock and a toolbar of three buttons on the top one.
class DragTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetCaption("Drag test");
        form->SetBounds(120, 120, 420, 260);
        top = new TDock(form);
        top->SetName("TopDock");
        top->SetParent(form);
        bottom = new TDock(form);
        bottom->SetName("BottomDock");
        bottom->SetPosition(dpBottom);
        bottom->SetParent(form);
        bar = new TToolbar(form);
        bar->SetName("Bar");
        bar->SetCaption("Tools");
        bar->HideWhenInactive = false;
        bar->SetParent(top);
        for (int i = 0; i < 3; ++i) {
            auto* b = new TToolbarButton(form);
            b->SetBounds(0, 0, 23, 22);
            b->SetCaption(std::string(1, static_cast<char>('A' + i)));
            b->SetParent(bar);
        }
        bar->OnDockChanging = [this](TObject*) { ++changing; };
        bar->OnDockChanged = [this](TObject*) { ++changed; };
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump();
    }
    void TearDown() override {
        TObject::Free(form);
        Pump(50);
    }
    // The grip of the docked bar, on the screen.
    TPoint Grip() {
        RECT r;
        GetWindowRect(bar->Handle(), &r);
        return {r.left + 5, r.top + (r.bottom - r.top) / 2};
    }
    TRect WindowRect(TWinControl* c) {
        RECT r;
        GetWindowRect(c->Handle(), &r);
        return {r.left, r.top, r.right, r.bottom};
    }
    // What must hold after every loop.
    void ExpectLoopUndone() {
        EXPECT_EQ(GetCapture(), nullptr);
        RECT clip;
        GetClipCursor(&clip);
        EXPECT_EQ(clip.left, 0);
        EXPECT_EQ(clip.top, 0);
        EXPECT_EQ(clip.right, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(clip.bottom, GetSystemMetrics(SM_CYSCREEN));
        // Nothing is locked: another lock succeeds.
        EXPECT_TRUE(LockWindowUpdate(form->Handle()));
        LockWindowUpdate(nullptr);
    }
    TForm* form = nullptr;
    TDock* top = nullptr;
    TDock* bottom = nullptr;
    TToolbar* bar = nullptr;
    int changing = 0;
    int changed = 0;
};

TEST_F(DragTest, ByTheGripOffTheDockItFloatsWhereTheOutlineWas) {
    const TPoint grip = Grip();
    const TPoint drop{grip.X + 150, 560};
    HWND captured = nullptr;
    HWND docked = bar->Handle();
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 60, 480); },
        [&] { MoveMouse(drop.X, drop.Y); },
        [&] {
            captured = GetCapture();
            SaveScreenshot("drag", {0, 0, 700, 700});
            LeftUp();
        },
    }));
    Pump();
    EXPECT_EQ(captured, docked);
    ExpectLoopUndone();
    ASSERT_TRUE(bar->Floating());
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    // The grab point keeps its place in the bar: the drop point lies inside it.
    TRect r = WindowRect(bar);
    EXPECT_TRUE(drop.X >= r.Left && drop.X < r.Right && drop.Y >= r.Top && drop.Y < r.Bottom)
        << r.Left << "," << r.Top << " " << r.Right << "," << r.Bottom;
    EXPECT_EQ(bar->FloatingTopLeft(), (TPoint{r.Left, r.Top}));
    SaveScreenshot("floating", {r.Left - 10, r.Top - 10, r.Right + 10, r.Bottom + 10});
}

TEST_F(DragTest, OffTheMonitorTheCursorAndTheOutlineStayOnIt) {
    const TPoint grip = Grip();
    POINT during{};
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 60, 480); },
        [&] { MoveMouse(0, 600); },  // the screen's left edge, far from any dock
        [&] {
            GetCursorPos(&during);
            LeftUp();
        },
    }));
    Pump();
    ExpectLoopUndone();
    const int margin = GetSystemMetrics(SM_CXFRAME) + 4;
    EXPECT_EQ(during.x, margin) << "the cursor is kept inside the work area's margin";
    ASSERT_TRUE(bar->Floating());
    EXPECT_GE(WindowRect(bar).Left, 0);
}

TEST_F(DragTest, ByTheCaptionOntoTheBottomDockAndOntoARowEdge) {
    bar->SetFloatingTopLeft({200, 500});
    bar->SetDockedTo(nullptr);
    Pump();
    // Another bar already on the bottom dock.
    auto* other = new TToolbar(form);
    other->SetName("Other");
    other->SetParent(bottom);
    auto* b = new TToolbarButton(form);
    b->SetBounds(0, 0, 23, 22);
    b->SetParent(other);
    Pump();
    TRect r = WindowRect(bar);
    const TPoint caption{r.Left + 12, r.Top + GetSystemMetrics(SM_CYFRAME) + 4};
    TRect dock = WindowRect(bottom);
    // The caption is near the bar's top, so the outline's centre lies below the cursor.
    const TPoint onRow{dock.Left + 200, dock.Top + 3};
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(caption.X, caption.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(onRow.X - 20, onRow.Y - 10); },
        [&] { MoveMouse(onRow.X, onRow.Y); },
        [&] { LeftUp(); },
    }));
    Pump();
    ExpectLoopUndone();
    ASSERT_EQ(bar->DockedTo(), bottom);
    // Shown on the dock at once, not only when someone asks for its window.
    EXPECT_TRUE(bar->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(bar->Handle()));
    EXPECT_EQ(bar->DockRow(), other->DockRow());
    EXPECT_GT(bar->Left(), other->Left());
    SaveScreenshot("docked", WindowRect(form));

    // Dropped on the top edge of the row, the bar gets a row of its own.
    r = WindowRect(bar);
    dock = WindowRect(bottom);
    const TPoint grip{r.Left + 5, (r.Top + r.Bottom) / 2};
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 5, dock.Top - 6); },
        [&] { MoveMouse(grip.X + 10, dock.Top - 8); },
        [&] { LeftUp(); },
    }));
    Pump();
    ASSERT_EQ(bar->DockedTo(), bottom);
    EXPECT_NE(bar->DockRow(), other->DockRow());
}

TEST_F(DragTest, BarsAreDraggedByTheirSeparatorsToo) {
    auto* sep = new TToolbarSep(form);
    sep->SetParent(bar);
    bar->SetOrderIndex(sep, 1);
    Pump();
    POINT p{sep->Left() + sep->Width() / 2, sep->Top() + sep->Height() / 2};
    ClientToScreen(bar->Handle(), &p);
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(p.x, p.y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(p.x + 60, 520); },
        [&] { MoveMouse(p.x + 80, 560); },
        [&] { LeftUp(); },
    }));
    Pump();
    ExpectLoopUndone();
    EXPECT_TRUE(bar->Floating());
}

TEST_F(DragTest, AClickWithoutMovingChangesNothing) {
    const TPoint grip = Grip();
    const TRect before = WindowRect(bar);
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { LeftUp(); },
    }));
    ExpectLoopUndone();
    EXPECT_EQ(bar->DockedTo(), top);
    EXPECT_EQ(changing, 0);
    EXPECT_EQ(WindowRect(bar).Left, before.Left);
}

TEST_F(DragTest, EscapeAndARightClickCancelAndGiveThePixelsBack) {
    const TPoint grip = Grip();
    const TRect probe{grip.X + 100, 540, grip.X + 260, 640};
    struct Case {
        const char* name;
        std::function<void()> cancel;
    } cases[] = {
        {"escape", [] { Tap(VK_ESCAPE); }},
        {"right click", [] { RightDown(); RightUp(); }},
    };
    for (const Case& c : cases) {
        const std::vector<unsigned> before = ScreenPixels(probe);
        std::vector<unsigned> during;
        ASSERT_TRUE(RunSteps({
            [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
            [&] { MoveMouse(grip.X + 150, 580); },
            [&] { MoveMouse(grip.X + 160, 590); },
            [&] { during = ScreenPixels(probe); c.cancel(); },
            [&] { LeftUp(); },
        })) << c.name;
        Pump();
        ExpectLoopUndone();
        EXPECT_EQ(bar->DockedTo(), top) << c.name;
        EXPECT_EQ(changing, 0) << c.name;
        EXPECT_NE(during, before) << c.name << ": the outline was shown";
        EXPECT_EQ(ScreenPixels(probe), before) << c.name;
    }
}

TEST_F(DragTest, CtrlOverADockFloatsInstead) {
    const TPoint grip = Grip();
    const TRect dock = WindowRect(bottom);
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 20, dock.Top - 2); },
        [&] { MoveMouse(grip.X + 30, dock.Top); },
        // Under Wine a mouse event resets the modifiers to the X server's, so
        // Ctrl goes down after the last move.
        [&] { Key(VK_CONTROL, false); },
        [&] { LeftUp(); },
        [&] { Key(VK_CONTROL, true); },
    }));
    Pump();
    ExpectLoopUndone();
    EXPECT_TRUE(bar->Floating());
}

TEST_F(DragTest, ARefusingOrRaisingDockRequest) {
    testing_support::RecordMessageBoxes();
    testing_support::ShownMessageBoxes().clear();
    const TRect dock = WindowRect(bottom);
    int asked = 0;
    bottom->OnRequestDock = [&](TObject*, TCustomToolWindow*, bool& accept) {
        ++asked;
        accept = false;
    };
    TPoint grip = Grip();
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 20, dock.Top - 2); },
        [&] { MoveMouse(grip.X + 30, dock.Top); },
        [&] { LeftUp(); },
    }));
    Pump();
    EXPECT_GT(asked, 0);
    EXPECT_TRUE(bar->Floating());

    bar->SetDockedTo(top);
    Pump();
    changing = 0;
    bottom->OnRequestDock = [&](TObject*, TCustomToolWindow*, bool&) { throw Exception("refused loudly"); };
    grip = Grip();
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 20, dock.Top - 2); },
        [&] { MoveMouse(grip.X + 30, dock.Top); },
        [&] { LeftUp(); },
    }));
    Pump();
    ExpectLoopUndone();
    EXPECT_EQ(bar->DockedTo(), top);
    EXPECT_EQ(changing, 0);
    ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].text, "refused loudly.");
}

TEST_F(DragTest, DoubleClickFloatsAndDocksBack) {
    TPoint grip = Grip();
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); LeftUp(); LeftDown(); LeftUp(); },
        [] {},
    }));
    Pump();
    ASSERT_TRUE(bar->Floating());
    TRect r = WindowRect(bar);
    const TPoint caption{r.Left + 12, r.Top + GetSystemMetrics(SM_CYFRAME) + 4};
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(caption.X, caption.Y); },
        [&] { LeftDown(); LeftUp(); LeftDown(); LeftUp(); },
        [] {},
    }));
    Pump();
    EXPECT_EQ(bar->DockedTo(), top);  // its LastDock
    ExpectLoopUndone();
}

TEST_F(DragTest, DoubleClickWithoutALastDockGoesToTheDefaultDockAtMinusEight) {
    bar->SetUseLastDock(false);
    bar->SetDefaultDock(bottom);
    bar->SetFloatingTopLeft({200, 500});
    bar->SetDockedTo(nullptr);
    Pump();
    int posSeen = 0;
    bar->OnDockChanging = [&](TObject*) { posSeen = bar->DockPos(); };
    TRect r = WindowRect(bar);
    const TPoint caption{r.Left + 12, r.Top + GetSystemMetrics(SM_CYFRAME) + 4};
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(caption.X, caption.Y); },
        [&] { LeftDown(); LeftUp(); LeftDown(); LeftUp(); },
        [] {},
    }));
    Pump();
    EXPECT_EQ(bar->DockedTo(), bottom);
    EXPECT_EQ(posSeen, -8);
}

TEST_F(DragTest, DockModesAndADockWithoutDragging) {
    const TRect dock = WindowRect(bottom);
    // Cannot float: the "no" cursor off the dock, and it stays.
    bar->DockMode = dmCannotFloat;
    TPoint grip = Grip();
    HCURSOR seen = nullptr;
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 100, 600); },
        [&] { MoveMouse(grip.X + 110, 610); },
        [&] { seen = GetCursor(); LeftUp(); },
    }));
    Pump();
    EXPECT_EQ(seen, LoadCursorW(nullptr, IDC_NO));
    EXPECT_EQ(bar->DockedTo(), top);
    ExpectLoopUndone();

    // Cannot change docks: the bottom dock is no target.
    bar->DockMode = dmCannotFloatOrChangeDocks;
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 20, dock.Top - 2); },
        [&] { MoveMouse(grip.X + 30, dock.Top); },
        [&] { LeftUp(); },
    }));
    Pump();
    EXPECT_EQ(bar->DockedTo(), top);
    // ... but moves along its own dock, from wherever the last drag left it.
    grip = Grip();
    const int leftBefore = bar->Left();
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 40, grip.Y); },
        [&] { MoveMouse(grip.X + 80, grip.Y); },
        [&] { LeftUp(); },
    }));
    Pump();
    EXPECT_EQ(bar->DockedTo(), top);
    EXPECT_GT(bar->Left(), leftBefore + 40);

    // A dock without dragging ignores presses (on its frame: the buttons come right after it).
    top->SetAllowDrag(false);
    Pump();
    grip = {WindowRect(bar).Left + 1, Grip().Y};
    const int left = bar->Left();
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(grip.X, grip.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(grip.X + 100, 600); },
        [&] { LeftUp(); },
    }));
    EXPECT_EQ(bar->DockedTo(), top);
    EXPECT_EQ(bar->Left(), left);
    EXPECT_EQ(changing, 0);
}

// --- sizing a floating toolbar

class SizeTest : public DragTest {
protected:
    void SetUp() override {
        DragTest::SetUp();
        bar->SetFloatingTopLeft({300, 450});
        bar->SetDockedTo(nullptr);
        Pump();
        bar->BuildPotentialSizesList(sizes);
        border = GetSystemMetrics(SM_CXFRAME);
    }
    int OuterWidth(const TPoint& client) { return client.X + 2 * border; }
    std::vector<TPoint> sizes;
    int border = 0;
};

TEST_F(SizeTest, FromTheRightEdgeItSnapsToTheListedSizes) {
    ASSERT_EQ(sizes.size(), 3u);
    TRect r = WindowRect(bar);
    const TPoint edge{r.Right - 2, (r.Top + r.Bottom) / 2};
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(edge.X, edge.Y); },
        [&] { LeftDown(); },
        [&] { MoveMouse(edge.X - 10, edge.Y); },
        [&] { MoveMouse(edge.X - 20, edge.Y); },
        [&] { LeftUp(); },
    }));
    Pump();
    ExpectLoopUndone();
    EXPECT_EQ(WindowRect(bar).Width(), OuterWidth(sizes[1]));
    EXPECT_EQ(bar->FloatingWidth(), sizes[1].X);

    // Never below the smallest.
    r = WindowRect(bar);
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(r.Right - 2, r.Top + 30); },
        [&] { LeftDown(); },
        [&] { MoveMouse(r.Right - 200, r.Top + 30); },
        [&] { MoveMouse(r.Right - 300, r.Top + 30); },
        [&] { LeftUp(); },
    }));
    Pump();
    EXPECT_EQ(WindowRect(bar).Width(), OuterWidth(sizes[2]));
}

TEST_F(SizeTest, FromTheBottomEdgeAndEscapeRestores) {
    TRect r = WindowRect(bar);
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(r.Left + 20, r.Bottom - 2); },
        [&] { LeftDown(); },
        [&] { MoveMouse(r.Left + 20, r.Bottom + 30); },
        [&] { MoveMouse(r.Left + 20, r.Bottom + 50); },
        [&] { Tap(VK_ESCAPE); },
        [&] { LeftUp(); },
    }));
    Pump();
    ExpectLoopUndone();
    EXPECT_EQ(WindowRect(bar).Width(), r.Width());
    EXPECT_EQ(WindowRect(bar).Height(), r.Height());
    EXPECT_EQ(bar->FloatingWidth(), 0);

    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(r.Left + 20, r.Bottom - 2); },
        [&] { LeftDown(); },
        [&] { MoveMouse(r.Left + 20, r.Bottom + 30); },
        [&] { MoveMouse(r.Left + 20, r.Bottom + 50); },
        [&] { LeftUp(); },
    }));
    Pump();
    EXPECT_GT(WindowRect(bar).Height(), r.Height());
    EXPECT_LT(WindowRect(bar).Width(), r.Width());
}

// A bar with the base params: corners size too, the cursor is clipped.
class PlainBar : public TCustomToolWindow {
public:
    using TCustomToolWindow::TCustomToolWindow;
    void GetBarSize(int& size, TDockType) override { size = 20; }
    void GetMinimumSize(int& width, int& height) override { width = height = 30; }
    TPoint OrderControls(bool, TDockType, TDock*) override { return {ClientWidth(), ClientHeight()}; }
};

TEST_F(DragTest, ABaseToolWindowSizesFromACornerWithTheCursorClipped) {
    RECT oldWork;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &oldWork, 0);
    RECT work{0, 0, 900, 800};
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0);
    auto* plain = new PlainBar(form);
    plain->HideWhenInactive = false;
    plain->SetCaption("Plain");
    plain->SetFloatingTopLeft({400, 400});
    plain->SetBounds(400, 400, 120, 90);
    plain->SetParent(form);
    Pump();
    TRect r = WindowRect(plain);
    RECT during{};
    ASSERT_TRUE(RunSteps({
        [&] { MoveMouse(r.Right - 1, r.Bottom - 1); },
        [&] { LeftDown(); },
        [&] { MoveMouse(r.Right + 30, r.Bottom + 20); },
        [&] { MoveMouse(r.Right + 40, r.Bottom + 30); GetClipCursor(&during); },
        [&] { LeftUp(); },
    }));
    Pump();
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &oldWork, 0);
    ExpectLoopUndone();
    EXPECT_EQ(during.right, 900);
    EXPECT_EQ(during.bottom, 800);
    EXPECT_EQ(WindowRect(plain).Width(), r.Width() + 41);
    EXPECT_EQ(WindowRect(plain).Height(), r.Height() + 31);
}

}  // namespace
