#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "widgets/dock.h"
#include "widgets/tool_button.h"
#include "widgets/toolbar.h"

namespace {

// A bar of a fixed client size.
class FixedBar : public TCustomToolWindow {
public:
    FixedBar(TComponent* owner, int width, int height) : TCustomToolWindow(owner), W(width), H(height) {}
    void GetBarSize(int& size, TDockType) override { size = H; }
    void GetMinimumSize(int& width, int& height) override { width = height = 0; }
    TPoint OrderControls(bool, TDockType, TDock*) override { return {W, H}; }
    int W, H;
};

class DockTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
        dock = new TDock(form);
        dock->SetParent(form);
        dock->SetBounds(0, 0, 200, 10);
        dock->AllowDrag = false;  // bars are their client plus 2 on each side
    }
    void TearDown() override { TObject::Free(form); }
    FixedBar* Bar(int width, int height, int row, int pos) {
        auto* bar = new FixedBar(form, width, height);
        bar->SetDockRowQuiet(row);
        bar->SetDockPosQuiet(pos);
        bar->SetParent(dock);
        return bar;
    }
    TForm* form = nullptr;
    TDock* dock = nullptr;
};

TEST_F(DockTest, RowsAreClosedUpAndSizedFromTheirBars) {
    FixedBar* a = Bar(40, 20, 0, 0);
    FixedBar* b = Bar(40, 4, 3, 0);
    dock->ArrangeToolbars();
    EXPECT_EQ(a->DockRow(), 0);
    EXPECT_EQ(b->DockRow(), 1);
    // 20 thick bars make a 24-pixel row; a bar under 8 still makes 12.
    EXPECT_EQ(a->Height(), 24);
    EXPECT_EQ(b->Height(), 12);
    EXPECT_EQ(b->Top(), 24);
    EXPECT_EQ(dock->Height(), 36);
}

TEST_F(DockTest, BarsOnOneRowNeverOverlapNorStartBeforeZero) {
    struct Case {
        int dockWidth, firstPos, secondPos;
        int firstLeft, secondLeft;
    } cases[] = {
        {200, 0, 0, 0, 44},         // side by side
        {200, 150, 150, 112, 156},  // pulled back from the end
        {60, 0, 0, 0, 44},          // too long: the first stays at 0
    };
    for (const Case& c : cases) {
        form->SetClientWidth(c.dockWidth);  // the dock spans its form
        FixedBar* a = Bar(40, 20, 0, c.firstPos);
        FixedBar* b = Bar(40, 20, 0, c.secondPos);
        dock->ArrangeToolbars();
        // Bars at equal positions come in the sort's order.
        EXPECT_EQ(std::min(a->Left(), b->Left()), c.firstLeft) << c.dockWidth << " " << c.firstPos;
        EXPECT_EQ(std::max(a->Left(), b->Left()), c.secondLeft) << c.dockWidth << " " << c.secondPos;
        TObject::Free(a);
        TObject::Free(b);
    }
}

TEST_F(DockTest, DefaultPositionComesFirstOnItsRow) {
    FixedBar* placed = Bar(40, 20, 0, 0);
    FixedBar* fresh = Bar(40, 20, 0, -1);
    dock->ArrangeToolbars();
    EXPECT_EQ(fresh->Left(), 0);
    EXPECT_EQ(placed->Left(), 44);
}

TEST_F(DockTest, AFullSizeBarKeepsItsRowAlone) {
    FixedBar* other = Bar(40, 20, 0, 0);
    FixedBar* full = Bar(40, 20, 0, 50);
    full->SetFullSize(true);
    dock->ArrangeToolbars();
    EXPECT_EQ(full->DockRow(), 0);
    EXPECT_EQ(other->DockRow(), 1);
    EXPECT_EQ(full->Width(), dock->Width());
    EXPECT_EQ(full->Left(), 0);
}

TEST_F(DockTest, LimitToOneRowPutsEveryBarOnRowZero) {
    dock->LimitToOneRow = true;
    FixedBar* a = Bar(40, 20, 0, 0);
    FixedBar* b = Bar(40, 20, 2, 0);
    dock->ArrangeToolbars();
    EXPECT_EQ(a->DockRow(), 0);
    EXPECT_EQ(b->DockRow(), 0);
    EXPECT_EQ(dock->Height(), 24);
}

TEST_F(DockTest, EmptyDockThickness) {
    dock->ArrangeToolbars();
    EXPECT_EQ(dock->Height(), 0);
    dock->SetFixAlign(true);
    EXPECT_EQ(dock->Height(), 1);
}

TEST_F(DockTest, PlacementErrors) {
    EXPECT_NO_THROW(dock->SetPosition(dpBottom));
    Bar(40, 20, 0, 0);
    EXPECT_NO_THROW(dock->SetPosition(dpBottom));
    EXPECT_THROW(dock->SetPosition(dpTop), EInvalidOperation);
    auto* inner = new TDock(form);
    EXPECT_THROW(inner->SetParent(dock), EInvalidOperation);
    auto* bar = new FixedBar(form, 10, 10);
    auto* panelLike = new TCustomControl(form);
    panelLike->SetParent(form);
    EXPECT_THROW(bar->SetParent(panelLike), EInvalidOperation);
}

TEST_F(DockTest, FreedBarLeavesTheDock) {
    FixedBar* a = Bar(40, 20, 0, 0);
    EXPECT_EQ(dock->ToolbarCount(), 1);
    TObject::Free(a);
    EXPECT_EQ(dock->ToolbarCount(), 0);
    EXPECT_TRUE(dock->DockList().empty());
}

TEST_F(DockTest, DockedNonClientBands) {
    struct Case {
        bool allowDrag;
        TDragHandleStyle style;
        bool closeButton;
        int left;
    } cases[] = {
        {true, dhDouble, false, 11}, {true, dhSingle, false, 8}, {true, dhNone, false, 2},
        {true, dhDouble, true, 16},  {false, dhDouble, false, 2},
    };
    FixedBar* bar = Bar(40, 20, 0, 0);
    for (const Case& c : cases) {
        dock->SetAllowDrag(c.allowDrag);
        bar->SetDragHandleStyle(c.style);
        bar->SetCloseButtonWhenDocked(c.closeButton);
        EXPECT_EQ(bar->GetDockedNCArea().X, c.left) << c.style << c.closeButton;
        EXPECT_EQ(bar->GetDockedNCArea().Y, 2);
        EXPECT_EQ(bar->NonClientWidth(), c.left + 2);
    }
}

TEST(FloatingCaption, IsCutWithDotsButKeepsOneCharacter) {
    HDC dc = CreateCompatibleDC(nullptr);
    auto width = [dc](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const std::wstring caption = L"Formatting toolbar";
    EXPECT_EQ(FitCaptionText(dc, caption, width(caption)), caption);
    const std::wstring cut = FitCaptionText(dc, caption, width(L"Format..."));
    EXPECT_EQ(cut, L"Format...");
    EXPECT_EQ(FitCaptionText(dc, caption, 1), L"F...");
    EXPECT_EQ(FitCaptionText(dc, L"", 1), L"");
    DeleteDC(dc);
}

// ---------------------------------------------------------------------------

class ToolbarTest : public DockTest {
protected:
    TToolbarButton* Button(TToolbar* bar, int width, int height) {
        auto* button = new TToolbarButton(form);
        button->SetBounds(0, 0, width, height);
        button->SetParent(bar);
        return button;
    }
};

TEST_F(ToolbarTest, DockedBarCentresSmallerControls) {
    auto* bar = new TToolbar(form);
    bar->SetParent(dock);
    TToolbarButton* small = Button(bar, 23, 23);
    TToolbarButton* tall = Button(bar, 23, 30);
    int size = 0;
    bar->GetBarSize(size, dtTopBottom);
    EXPECT_EQ(size, 30);
    bar->ArrangeControls();
    EXPECT_EQ(small->Top(), 3);
    EXPECT_EQ(small->Left(), 0);
    EXPECT_EQ(tall->Left(), 23);
    EXPECT_EQ(dock->Height(), 34);
}

TEST_F(ToolbarTest, EmptyFloatingBarMeasure) {
    auto* bar = new TToolbar(form);
    TPoint size = bar->OrderControls(false, dtNotDocked, nullptr);
    EXPECT_EQ(size.X, 16);
    EXPECT_EQ(size.Y, 11);
}

TEST_F(ToolbarTest, NarrowFloatingWidthWrapsAtTheWidestControlPlusEight) {
    auto* bar = new TToolbar(form);
    TToolbarButton* a = Button(bar, 20, 20);
    TToolbarButton* b = Button(bar, 30, 20);
    bar->SetFloatingWidth(10);
    bar->OrderControls(true, dtNotDocked, nullptr);
    // Wrap width 38: both fit one after the other? 4 + 20 + 30 > 38, so two lines.
    EXPECT_EQ(a->Left(), 4);
    EXPECT_EQ(b->Left(), 4);
    EXPECT_EQ(b->Top(), a->Top() + 20);
}

TEST_F(ToolbarTest, FloatingSizesAreOnePerWayOfWrapping) {
    auto* bar = new TToolbar(form);
    for (int i = 0; i < 3; ++i) Button(bar, 20, 20);
    std::vector<TPoint> sizes;
    bar->BuildPotentialSizesList(sizes);
    // One row of three, two rows (two and one), three rows of one.
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[0].X, 68);
    EXPECT_EQ(sizes[0].Y, 23);
    EXPECT_EQ(sizes[1].X, 48);
    EXPECT_EQ(sizes[1].Y, 43);
    EXPECT_EQ(sizes[2].X, 28);
    EXPECT_EQ(sizes[2].Y, 63);
    EXPECT_EQ(bar->FloatingWidth(), 0);
}

TEST_F(ToolbarTest, OrderIndexIsClampedAndStrangersRaise) {
    auto* bar = new TToolbar(form);
    TToolbarButton* a = Button(bar, 20, 20);
    TToolbarButton* b = Button(bar, 20, 20);
    TToolbarButton* c = Button(bar, 20, 20);
    bar->SetOrderIndex(a, 99);
    EXPECT_EQ(bar->OrderedControls(0), b);
    EXPECT_EQ(bar->OrderedControls(1), c);
    EXPECT_EQ(bar->OrderedControls(2), a);
    auto* stranger = new TToolbarButton(form);
    stranger->SetName("Stranger");
    try {
        bar->GetOrderIndex(stranger);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(std::string(e.what()), "Control 'Stranger' is not a child of the toolbar");
    }
}

}  // namespace
