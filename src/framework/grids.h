// Grids: a control that draws its own rows and columns of cells. Rows share
// one height and only the rows on screen are ever visited, so a grid of
// millions of rows costs no more to show than one of ten; its vertical scroll
// bar works in 32-bit positions so the thumb reaches every row. Columns do not
// scroll. Cell text is stored sparsely: an owner that draws its cells from its
// own table (OnDrawCell) pays nothing per row.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/controls.h"
#include "framework/stdctrls.h"  // TScrollStyle
#include "framework/sysutils.h"

FW_DECLARE_EXCEPTION(EInvalidGridOperation, Exception)

enum TGridOptionFlag : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    // Shift with a key or a click, or a drag, selects a range of cells.
    goRangeSelect = 1u << 4,
    // The current cell is drawn selected too, not only focused.
    goDrawFocusSelected = 1u << 5,
    // The selection is always whole rows.
    goRowSelect = 1u << 6,
    // The rows follow the scroll thumb while it is dragged, not only when it is let go.
    goThumbTracking = 1u << 7,
};
using TGridOptions = unsigned;

enum TGridDrawStateFlag : unsigned { gdSelected = 1u << 0, gdFocused = 1u << 1, gdFixed = 1u << 2 };
using TGridDrawState = unsigned;

// A cell address (column X, row Y); -1 where a point hits no cell.
struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// An inclusive range of cells.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

using TDrawCellEvent = TEvent<int /*ACol*/, int /*ARow*/, TRect, TGridDrawState>;
using TSelectCellEvent = TEvent<int /*ACol*/, int /*ARow*/, bool& /*CanSelect*/>;

class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    int ColCount() const { return FColCount; }
    void SetColCount(int count);
    // 0 is allowed: the grid then draws only its background.
    int RowCount() const { return FRowCount; }
    void SetRowCount(int count);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int count);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int count);

    int DefaultColWidth() const { return FDefaultColWidth; }
    // Gives every column this width.
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int height);
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int width);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor color);

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions options);
    // Only the vertical bar exists (columns do not scroll): ssHorizontal
    // counts as ssNone, ssBoth as ssVertical.
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle style);
    // Off: the grid prepares the canvas (font, brush for the cell's state) but
    // OnDrawCell draws the whole cell.
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool value);

    // The current cell. Moving it to another cell (by key, mouse or setter)
    // scrolls it into view and fires OnClick; a press on a cell fires OnClick
    // even when it was current already. Out-of-range values raise
    // EInvalidGridOperation. A grid with no scrollable rows keeps Row at
    // FixedRows and ignores moves; a shrinking RowCount pulls Row in silently.
    int Row() const { return FCurrent.Y; }
    void SetRow(int row);
    int Col() const { return FCurrent.X; }
    void SetCol(int col);
    // The first scrollable row on screen.
    int TopRow() const { return FTopRow; }
    void SetTopRow(int row);
    // Scrollable rows wholly on screen from TopRow on (those that exist).
    int VisibleRowCount() const;
    TGridRect Selection() const;
    void SetSelection(const TGridRect& selection);

    // The cell under a client point; -1 for a coordinate that hits none.
    TGridCoord MouseCoord(int x, int y) const;
    void MouseToCell(int x, int y, int& col, int& row) const;
    // The cell's client rectangle without its grid lines; empty when the
    // cell is not on screen.
    TRect CellRect(int col, int row) const;

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyingHandle() override;
    void PaintWindow(HDC dc) override;
    void Paint() override;
    // Draws one cell on Canvas(), prepared for its state; the base fires OnDrawCell.
    virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state);
    virtual bool SelectCell(int col, int row);
    bool DoKeyDown(uint16_t& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // Cells beyond the new counts are gone (string storage drops them).
    virtual void SizeChanged(int oldColCount, int oldRowCount);
    void InvalidateCell(int col, int row);

private:
    int RowStride() const { return FDefaultRowHeight + FGridLineWidth; }
    int FixedRowsHeight() const { return FFixedRows * RowStride(); }
    int ColumnLeft(int col) const;
    int ColumnsRight() const;
    // Scrollable rows that fit wholly below the fixed rows (at least 1), and
    // the slots that show at least part of a row.
    int PageRows() const;
    int SlotRows() const;
    int MaxTopRow() const;
    bool HasRows() const { return FRowCount > FFixedRows; }
    bool HasCols() const { return FColCount > FFixedCols; }
    // The client y of a row on screen, or -1.
    int RowTop(int row) const;
    bool VerticalScrollBar() const { return FScrollBars == ssVertical || FScrollBars == ssBoth; }

    // Moves the current cell (the selection's anchor too unless extending);
    // returns whether it moved. OnClick fires on a move when fireClick says so.
    bool MoveCurrent(int col, int row, bool extend, bool fireClick);
    void ScrollIntoView(int row);
    void ClampPosition();
    void UpdateScrollBar();
    void ScrollTo(int topRow);
    void InvalidateRows(int first, int last);
    void InvalidateSelection();
    void HandleVScroll(unsigned code);
    void HandleMouseWheel(int delta);
    void EndDrag();
    void PaintRow(int row, int y, const TRect& clip);
    TGridDrawState CellState(int col, int row) const;
    void PrepareCanvas(TGridDrawState state);

    int FColCount = 5;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    TColor FFixedColor = clBtnFace;
    std::vector<int> FColWidths;
    TGridOptions FOptions = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    TScrollStyle FScrollBars = ssBoth;
    bool FDefaultDrawing = true;

    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    int FTopRow = 1;
    bool FDragging = false;
    int FWheelRemainder = 0;
};

// A grid whose cells hold strings (and untyped object pointers the grid does
// not own); with DefaultDrawing on it writes each cell's text.
class TStringGrid : public TCustomGrid {
public:
    explicit TStringGrid(TComponent* AOwner);
    ~TStringGrid() override;

    // "" for a cell never set or out of range; setting out of range raises.
    std::string Cells(int col, int row) const;
    void SetCells(int col, int row, const std::string& text);
    TObject* Objects(int col, int row) const;
    void SetObjects(int col, int row, TObject* object);

protected:
    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    void SizeChanged(int oldColCount, int oldRowCount) override;

private:
    struct TCellData {
        std::string Text;
        TObject* Object = nullptr;
    };
    void CheckCell(int col, int row) const;
    void DropIfEmpty(std::map<std::pair<int, int>, TCellData>::iterator it);

    // Keyed by (row, col): only the cells ever given text or an object.
    std::map<std::pair<int, int>, TCellData> FCells;
};
