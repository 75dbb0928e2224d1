#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/grids.h"
#include "framework/win.h"

namespace {

constexpr int kRowHeight = 20;
// A sunken edge of 2 pixels on each side; the client shows 10 whole rows and 5
// pixels of an eleventh.
constexpr int kGridHeight = 4 + 10 * kRowHeight + 5;

// A one-column grid set up as the term list uses it: no fixed cells, no grid
// lines, whole-row selection, the owner draws every cell.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(0, 0, 400, 600);
        grid = new TStringGrid(form);
        grid->SetParent(form);
        grid->SetBounds(10, 10, 200, kGridHeight);
        grid->SetColCount(1);
        grid->SetFixedCols(0);
        grid->SetFixedRows(0);
        grid->SetGridLineWidth(0);
        grid->SetDefaultRowHeight(kRowHeight);
        grid->SetColWidths(0, 180);
        grid->SetOptions(goRowSelect);
        grid->SetScrollBars(ssVertical);
        grid->SetDefaultDrawing(false);
        grid->OnDrawCell = [this](TObject*, int, int row, TRect rect, TGridDrawState state) {
            drawn.push_back(row);
            if (state & gdSelected) selectedDrawn.push_back(row);
            grid->Canvas()->FillRect(rect);
        };
        grid->OnClick = [this](TObject*) { ++clicks; };
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { TObject::Free(form); }

    HWND Wnd() { return grid->Handle(); }
    // Paints the whole client area now and returns the rows drawn.
    std::vector<int> PaintAll() {
        InvalidateRect(Wnd(), nullptr, FALSE);
        return PaintPending();
    }
    std::vector<int> PaintPending() {
        drawn.clear();
        selectedDrawn.clear();
        UpdateWindow(Wnd());
        return drawn;
    }
    static std::vector<int> Range(int first, int last) {
        std::vector<int> v(static_cast<size_t>(last - first + 1));
        std::iota(v.begin(), v.end(), first);
        return v;
    }
    void Key(WPARAM key) { SendMessageW(Wnd(), WM_KEYDOWN, key, 1); }
    void Press(int x, int y) { SendMessageW(Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void Release(int x, int y) { SendMessageW(Wnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    SCROLLINFO ScrollInfo() {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_ALL;
        GetScrollInfo(Wnd(), SB_VERT, &info);
        return info;
    }
    COLORREF PixelAt(int x, int y) {
        HDC dc = GetDC(Wnd());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(Wnd(), dc);
        return c;
    }

    TForm* form = nullptr;
    TStringGrid* grid = nullptr;
    std::vector<int> drawn;
    std::vector<int> selectedDrawn;
    int clicks = 0;
};

TEST_F(GridTest, MillionRowsDrawOnlyTheRowsOnScreen) {
    grid->SetRowCount(1000000);
    EXPECT_EQ(grid->VisibleRowCount(), 10);
    // Ten whole rows and the part of the eleventh.
    EXPECT_EQ(PaintAll(), Range(0, 10));
    EXPECT_EQ(selectedDrawn, std::vector<int>{0});

    // Only the rows that were invalidated are drawn again.
    TRect cell = grid->CellRect(0, 5);
    RECT r{cell.Left, cell.Top, cell.Right, cell.Bottom};
    InvalidateRect(Wnd(), &r, FALSE);
    EXPECT_EQ(PaintPending(), std::vector<int>{5});

    // One row down past the bottom scrolls by one row: what was on screen is
    // moved, and only the uncovered row and the two whose selection changed
    // are drawn.
    grid->OnDrawCell = [this](TObject*, int, int row, TRect rect, TGridDrawState state) {
        drawn.push_back(row);
        if (state & gdSelected) selectedDrawn.push_back(row);
        grid->Canvas()->Brush()->SetColor(RGBToColor(static_cast<uint8_t>(row * 10), 0, 0));
        grid->Canvas()->FillRect(rect);
    };
    grid->SetRow(9);
    PaintAll();
    Key(VK_DOWN);
    EXPECT_EQ(grid->TopRow(), 1);
    EXPECT_EQ(PaintPending(), Range(9, 11));
    for (int slot = 0; slot < 10; ++slot)
        EXPECT_EQ(PixelAt(50, slot * kRowHeight + 10), RGB((slot + 1) * 10, 0, 0)) << "slot " << slot;

    // Moving to the last row scrolls it into view at the bottom.
    grid->SetRow(999999);
    EXPECT_EQ(grid->TopRow(), 999990);
    EXPECT_EQ(PaintAll(), Range(999990, 999999));
    EXPECT_EQ(selectedDrawn, std::vector<int>{999999});
}

TEST_F(GridTest, ScrollThumbReachesTheLastRowsPast16Bits) {
    grid->SetRowCount(1000000);
    SCROLLINFO info = ScrollInfo();
    EXPECT_EQ(info.nMax, 999999);
    EXPECT_EQ(info.nPage, 10u);

    struct Case {
        const char* what;
        TGridOptions options;
        int code;
        int target;
        int expectedTop;
    };
    const Case cases[] = {
        {"tracking follows the thumb", goRowSelect | goThumbTracking, SB_THUMBTRACK, 700000, 700000},
        {"tracking to the end", goRowSelect | goThumbTracking, SB_THUMBTRACK, 999990, 999990},
        {"without tracking the drag alone does not scroll", goRowSelect, SB_THUMBTRACK, 300000, 0},
        {"without tracking the release scrolls", goRowSelect, SB_THUMBPOSITION, 999990, 999990},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid->SetTopRow(0);
        grid->SetOptions(c.options);
        SCROLLINFO pos{};
        pos.cbSize = sizeof(pos);
        pos.fMask = SIF_POS;
        pos.nPos = c.target;
        SetScrollInfo(Wnd(), SB_VERT, &pos, TRUE);
        // The message's own position field holds only the low 16 bits.
        SendMessageW(Wnd(), WM_VSCROLL, MAKEWPARAM(c.code, c.target & 0xFFFF), 0);
        EXPECT_EQ(grid->TopRow(), c.expectedTop);
        SendMessageW(Wnd(), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
        EXPECT_EQ(ScrollInfo().nPos, c.expectedTop);
    }
    EXPECT_EQ(PaintAll(), Range(999990, 999999));
    // Scrolling leaves the current row where it was.
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(clicks, 0);
}

TEST_F(GridTest, KeysMoveTheRowAndClickOncePerMove) {
    grid->SetRowCount(100);
    struct Case {
        WPARAM key;
        int start;
        int expectedRow;
        int expectedTop;
    };
    const Case cases[] = {
        {VK_DOWN, 50, 51, 42},  {VK_UP, 50, 49, 41},   {VK_NEXT, 50, 60, 51}, {VK_PRIOR, 50, 40, 31},
        {VK_HOME, 50, 0, 0},    {VK_END, 50, 99, 90},  {VK_NEXT, 95, 99, 90}, {VK_PRIOR, 3, 0, 0},
        {VK_DOWN, 9, 10, 1},    {VK_UP, 0, 0, 0},      {VK_DOWN, 99, 99, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " from row " << c.start);
        grid->SetTopRow(0);
        grid->SetRow(c.start);
        grid->SetTopRow(c.start > 9 ? c.start - 9 : 0);
        clicks = 0;
        Key(c.key);
        EXPECT_EQ(grid->Row(), c.expectedRow);
        EXPECT_EQ(grid->TopRow(), c.expectedTop);
        EXPECT_EQ(clicks, c.expectedRow == c.start ? 0 : 1);
    }

    // A row the owner refuses is not entered.
    grid->SetRow(10);
    clicks = 0;
    grid->OnSelectCell = [](TObject*, int, int row, bool& canSelect) { canSelect = row != 11; };
    Key(VK_DOWN);
    EXPECT_EQ(grid->Row(), 10);
    EXPECT_EQ(clicks, 0);
    grid->OnSelectCell = nullptr;

    // Through the message loop, as typed: the form lets arrows and characters
    // through to the focused grid.
    std::string typed;
    grid->OnKeyPress = [&typed](TObject*, char& key) { typed += key; };
    grid->SetFocus();
    PostMessageW(Wnd(), WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(Wnd(), WM_CHAR, L'q', 1);
    Application->ProcessMessages();
    EXPECT_EQ(grid->Row(), 11);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(typed, "q");
}

TEST_F(GridTest, CtrlHomeAndEndReachTheCornersOfACellGrid) {
    grid->SetColCount(3);
    grid->SetRowCount(100);
    grid->SetOptions(0);
    grid->SetRow(50);
    grid->SetCol(1);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    struct Case {
        WPARAM key;
        bool ctrl;
        TGridCoord expected;
    };
    const Case cases[] = {
        {VK_END, false, {2, 50}}, {VK_HOME, false, {0, 50}}, {VK_RIGHT, false, {1, 50}},
        {VK_END, true, {2, 99}},  {VK_HOME, true, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << (c.ctrl ? " with Ctrl" : ""));
        keys[VK_CONTROL] = c.ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        Key(c.key);
        EXPECT_EQ((TGridCoord{grid->Col(), grid->Row()}), c.expected);
    }
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

TEST_F(GridTest, EmptyGridDrawsOnlyItsBackground) {
    grid->SetColor(clRed);
    grid->SetRowCount(0);
    EXPECT_TRUE(PaintAll().empty());
    EXPECT_EQ(PixelAt(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(ScrollInfo().nMax, 0);

    // Nothing to move to: the row stays at 0 and nothing clicks.
    grid->SetRow(0);
    Key(VK_DOWN);
    Key(VK_END);
    Press(5, 5);
    Release(5, 5);
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(grid->TopRow(), 0);
    EXPECT_EQ(grid->MouseCoord(5, 5).Y, -1);
    EXPECT_EQ(clicks, 0);

    // Below a short list the grid's colour shows, not stale rows.
    grid->SetRowCount(3);
    EXPECT_EQ(PaintAll(), Range(0, 2));
    EXPECT_EQ(PixelAt(5, 3 * kRowHeight + 10), RGB(255, 0, 0));
}

TEST_F(GridTest, MouseSelectsTheRowUnderThePointer) {
    grid->SetRowCount(100);
    grid->SetTopRow(10);
    // One press and release is one click, on the row under the pointer.
    Press(20, 2 * kRowHeight + 5);
    Release(20, 2 * kRowHeight + 5);
    EXPECT_EQ(grid->Row(), 12);
    EXPECT_EQ(clicks, 1);

    // Dragging moves the row along; past the bottom edge it scrolls on.
    clicks = 0;
    Press(20, 5);
    SendMessageW(Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 4 * kRowHeight + 5));
    EXPECT_EQ(grid->Row(), 14);
    SendMessageW(Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, kGridHeight + 30));
    EXPECT_EQ(grid->Row(), 20);
    EXPECT_EQ(grid->TopRow(), 11);
    Release(20, kGridHeight + 30);
    EXPECT_EQ(clicks, 3);
    // Released: moving no longer selects.
    SendMessageW(Wnd(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 5));
    EXPECT_EQ(grid->Row(), 20);

    // The wheel scrolls the view by the system's line count; the row stays.
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    SendMessageW(Wnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(grid->TopRow(), 11 + static_cast<int>(lines));
    EXPECT_EQ(grid->Row(), 20);
}

TEST_F(GridTest, TopRowAndVisibleRowsFollowTheSize) {
    grid->SetRowCount(100);
    grid->SetRow(99);
    EXPECT_EQ(grid->TopRow(), 90);

    // Taller: the view cannot run past the last row, so it moves up.
    grid->SetHeight(4 + 20 * kRowHeight);
    EXPECT_EQ(grid->VisibleRowCount(), 20);
    EXPECT_EQ(grid->TopRow(), 80);
    EXPECT_EQ(ScrollInfo().nPage, 20u);
    EXPECT_EQ(PaintAll(), Range(80, 99));

    // Shorter: the top stays; the page shrinks.
    grid->SetHeight(4 + 5 * kRowHeight);
    EXPECT_EQ(grid->TopRow(), 80);
    EXPECT_EQ(grid->VisibleRowCount(), 5);
    EXPECT_EQ(ScrollInfo().nPage, 5u);

    // All rows fit: the scroll bar goes.
    grid->SetRowCount(4);
    EXPECT_EQ(grid->TopRow(), 0);
    EXPECT_EQ(grid->VisibleRowCount(), 4);
    EXPECT_FALSE(GetWindowLongW(Wnd(), GWL_STYLE) & WS_VSCROLL);
}

TEST_F(GridTest, CellGeometryWithFixedCellsAndLines) {
    grid->SetColCount(3);
    grid->SetRowCount(50);
    grid->SetFixedCols(1);
    grid->SetFixedRows(1);
    grid->SetGridLineWidth(1);
    grid->SetDefaultColWidth(40);
    grid->SetTopRow(10);
    const int stride = kRowHeight + 1;
    EXPECT_EQ(grid->CellRect(0, 0), Bounds(0, 0, 40, kRowHeight));
    EXPECT_EQ(grid->CellRect(2, 10), Bounds(82, stride, 40, kRowHeight));
    EXPECT_EQ(grid->CellRect(1, 12), Bounds(41, 3 * stride, 40, kRowHeight));
    // Scrolled away, or past the count: no rectangle.
    EXPECT_TRUE(grid->CellRect(1, 5).IsEmpty());
    EXPECT_TRUE(grid->CellRect(1, 50).IsEmpty());
    for (int row : {0, 10, 14}) {
        for (int col = 0; col < 3; ++col) {
            TRect r = grid->CellRect(col, row);
            EXPECT_EQ(grid->MouseCoord(r.Left + 3, r.Top + 3), (TGridCoord{col, row})) << col << "," << row;
        }
    }
    // A press on a fixed cell selects nothing.
    grid->SetRow(12);
    clicks = 0;
    Press(5, 2 * stride + 5);
    Release(5, 2 * stride + 5);
    EXPECT_EQ(grid->Row(), 12);
    EXPECT_EQ(clicks, 0);
    EXPECT_THROW(grid->SetRow(0), EInvalidGridOperation);
    EXPECT_THROW(grid->SetRow(50), EInvalidGridOperation);
}

TEST_F(GridTest, CellsAreStoredOnlyWhereSet) {
    grid->SetColCount(2);
    grid->SetRowCount(1000000);
    grid->SetCells(1, 999999, "last");
    grid->SetCells(0, 3, "three");
    TObject tag;
    grid->SetObjects(0, 3, &tag);
    EXPECT_EQ(grid->Cells(1, 999999), "last");
    EXPECT_EQ(grid->Cells(0, 3), "three");
    EXPECT_EQ(grid->Objects(0, 3), &tag);
    EXPECT_EQ(grid->Cells(0, 4), "");
    EXPECT_EQ(grid->Cells(5, 5), "");
    EXPECT_THROW(grid->SetCells(2, 0, "x"), EInvalidGridOperation);
    EXPECT_THROW(grid->SetCells(0, 1000000, "x"), EInvalidGridOperation);

    // Shrinking drops the cells that fall off; growing again does not bring them back.
    grid->SetRowCount(10);
    grid->SetColCount(1);
    grid->SetRowCount(1000000);
    grid->SetColCount(2);
    EXPECT_EQ(grid->Cells(1, 999999), "");
    EXPECT_EQ(grid->Cells(0, 3), "three");
}

TEST_F(GridTest, CanvasMeasuresTextOutsidePainting) {
    // Owners size their rows from the grid's canvas before any paint.
    grid->Canvas()->Font()->SetHeight(-30);
    int height = grid->Canvas()->TextHeight(std::wstring(L"\u00EE\u0301"));
    EXPECT_GT(height, 30);
    grid->SetDefaultRowHeight(height + 4);
    grid->SetRowCount(3);
    EXPECT_EQ(PaintAll(), Range(0, 2));
}

}  // namespace
