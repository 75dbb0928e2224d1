#include "framework/grids.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "framework/canvas.h"
#include "framework/graphics.h"
#include "framework/win.h"

#include <windowsx.h>

namespace {

const char kIndexOutOfRange[] = "Grid index out of range";

constexpr TColor kLineColor = clSilver;
constexpr TColor kFixedLineColor = clBlack;

// The grid's canvas works outside painting too (owners measure text on it to
// size their rows): it then borrows a context of the grid's window, or of the
// screen before the window exists, and gives it back before the next paint.
class TGridCanvas : public TCanvas {
public:
    explicit TGridCanvas(TWinControl* grid) : grid_(grid) {}
    ~TGridCanvas() override { ReleaseBorrowed(); }

    void ReleaseBorrowed() {
        if (!borrowed_) return;
        HDC dc = borrowed_;
        borrowed_ = nullptr;
        SetHandle(nullptr);
        ReleaseDC(window_, dc);
    }

protected:
    void CreateHandle() override {
        window_ = grid_->HandleAllocated() ? grid_->Handle() : nullptr;
        borrowed_ = GetDC(window_);
        if (borrowed_) SetHandle(borrowed_);
    }

private:
    TWinControl* grid_;
    HWND window_ = nullptr;
    HDC borrowed_ = nullptr;
};

int ClampInt(long long value, int low, int high) {
    if (value < low) return low;
    if (value > high) return high;
    return static_cast<int>(value);
}

}  // namespace

// ---------------------------------------------------------------------------
// TCustomGrid

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
    FCanvas = std::make_unique<TGridCanvas>(this);
    FColWidths.assign(static_cast<size_t>(FColCount), FDefaultColWidth);
    TabStop = true;
    SetColor(clWindow);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::SetColCount(int count) {
    count = std::max(0, count);
    if (count == FColCount) return;
    int old = FColCount;
    FColCount = count;
    FColWidths.resize(static_cast<size_t>(count), FDefaultColWidth);
    FFixedCols = std::min(FFixedCols, count);
    ClampPosition();
    SizeChanged(old, FRowCount);
    Invalidate();
}

void TCustomGrid::SetRowCount(int count) {
    count = std::max(0, count);
    if (count == FRowCount) return;
    int old = FRowCount;
    FRowCount = count;
    FFixedRows = std::min(FFixedRows, count);
    ClampPosition();
    UpdateScrollBar();
    SizeChanged(FColCount, old);
    Invalidate();
}

void TCustomGrid::SetFixedCols(int count) {
    count = ClampInt(count, 0, FColCount);
    if (count == FFixedCols) return;
    FFixedCols = count;
    FCurrent.X = FAnchor.X = count;
    ClampPosition();
    Invalidate();
}

void TCustomGrid::SetFixedRows(int count) {
    count = ClampInt(count, 0, FRowCount);
    if (count == FFixedRows) return;
    FFixedRows = count;
    FTopRow = FCurrent.Y = FAnchor.Y = count;
    ClampPosition();
    UpdateScrollBar();
    Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int width) {
    FDefaultColWidth = std::max(0, width);
    std::fill(FColWidths.begin(), FColWidths.end(), FDefaultColWidth);
    Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int height) {
    // Rows of no height would put every row on screen at once.
    height = std::max(1, height);
    if (height == FDefaultRowHeight) return;
    FDefaultRowHeight = height;
    ClampPosition();
    UpdateScrollBar();
    Invalidate();
}

int TCustomGrid::ColWidths(int col) const {
    if (col < 0 || col >= FColCount) throw EInvalidGridOperation(kIndexOutOfRange);
    return FColWidths[static_cast<size_t>(col)];
}

void TCustomGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= FColCount) throw EInvalidGridOperation(kIndexOutOfRange);
    width = std::max(0, width);
    if (FColWidths[static_cast<size_t>(col)] == width) return;
    FColWidths[static_cast<size_t>(col)] = width;
    Invalidate();
}

void TCustomGrid::SetGridLineWidth(int width) {
    width = std::max(0, width);
    if (width == FGridLineWidth) return;
    FGridLineWidth = width;
    ClampPosition();
    UpdateScrollBar();
    Invalidate();
}

void TCustomGrid::SetFixedColor(TColor color) {
    if (color == FFixedColor) return;
    FFixedColor = color;
    Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions options) {
    if (options == FOptions) return;
    FOptions = options;
    if (!(FOptions & goRangeSelect)) FAnchor = FCurrent;
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle style) {
    if (style == FScrollBars) return;
    FScrollBars = style;
    RecreateWnd();
}

void TCustomGrid::SetDefaultDrawing(bool value) {
    if (value == FDefaultDrawing) return;
    FDefaultDrawing = value;
    Invalidate();
}

void TCustomGrid::SetRow(int row) {
    if (!HasRows()) return;
    if (row < FFixedRows || row >= FRowCount) throw EInvalidGridOperation(kIndexOutOfRange);
    MoveCurrent(FCurrent.X, row, false, true);
}

void TCustomGrid::SetCol(int col) {
    if (!HasRows() || !HasCols()) return;
    if (col < FFixedCols || col >= FColCount) throw EInvalidGridOperation(kIndexOutOfRange);
    MoveCurrent(col, FCurrent.Y, false, true);
}

void TCustomGrid::SetTopRow(int row) {
    ScrollTo(row);
}

int TCustomGrid::VisibleRowCount() const {
    int available = ClientHeight() - FixedRowsHeight();
    int whole = available >= FDefaultRowHeight ? (available - FDefaultRowHeight) / RowStride() + 1 : 0;
    return std::max(0, std::min(whole, FRowCount - FTopRow));
}

TGridRect TCustomGrid::Selection() const {
    TGridRect r{std::min(FAnchor.X, FCurrent.X), std::min(FAnchor.Y, FCurrent.Y), std::max(FAnchor.X, FCurrent.X),
                std::max(FAnchor.Y, FCurrent.Y)};
    if (FOptions & goRowSelect) {
        r.Left = FFixedCols;
        r.Right = FColCount - 1;
    }
    return r;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
    TGridCoord cell{-1, -1};
    if (x >= 0) {
        int left = 0;
        for (int col = 0; col < FColCount; ++col) {
            left += FColWidths[static_cast<size_t>(col)] + FGridLineWidth;
            if (x < left) {
                cell.X = col;
                break;
            }
        }
    }
    if (y >= 0 && y < ClientHeight()) {
        int fixedHeight = FixedRowsHeight();
        int row = y < fixedHeight ? y / RowStride() : FTopRow + (y - fixedHeight) / RowStride();
        if (row < FRowCount) cell.Y = row;
    }
    return cell;
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
    TGridCoord cell = MouseCoord(x, y);
    col = cell.X;
    row = cell.Y;
}

TRect TCustomGrid::CellRect(int col, int row) const {
    if (col < 0 || col >= FColCount || row < 0 || row >= FRowCount) return {};
    int top = RowTop(row);
    if (top < 0) return {};
    int left = ColumnLeft(col);
    return Bounds(left, top, FColWidths[static_cast<size_t>(col)], FDefaultRowHeight);
}

int TCustomGrid::ColumnLeft(int col) const {
    int left = 0;
    for (int i = 0; i < col; ++i) left += FColWidths[static_cast<size_t>(i)] + FGridLineWidth;
    return left;
}

int TCustomGrid::PageRows() const {
    int available = ClientHeight() - FixedRowsHeight();
    int whole = available >= FDefaultRowHeight ? (available - FDefaultRowHeight) / RowStride() + 1 : 0;
    return std::max(1, whole);
}

int TCustomGrid::SlotRows() const {
    int available = ClientHeight() - FixedRowsHeight();
    return available > 0 ? (available + RowStride() - 1) / RowStride() : 0;
}

int TCustomGrid::MaxTopRow() const {
    return std::max(FFixedRows, FRowCount - PageRows());
}

int TCustomGrid::RowTop(int row) const {
    if (row < FFixedRows) return row * RowStride();
    if (row < FTopRow || row - FTopRow >= SlotRows()) return -1;
    return FixedRowsHeight() + (row - FTopRow) * RowStride();
}

void TCustomGrid::ClampPosition() {
    FTopRow = ClampInt(FTopRow, FFixedRows, MaxTopRow());
    int lastRow = std::max(FFixedRows, FRowCount - 1);
    int lastCol = std::max(FFixedCols, FColCount - 1);
    FCurrent = {ClampInt(FCurrent.X, FFixedCols, lastCol), ClampInt(FCurrent.Y, FFixedRows, lastRow)};
    FAnchor = {ClampInt(FAnchor.X, FFixedCols, lastCol), ClampInt(FAnchor.Y, FFixedRows, lastRow)};
}

bool TCustomGrid::SelectCell(int col, int row) {
    bool canSelect = true;
    if (OnSelectCell && EventsEnabled()) OnSelectCell(this, col, row, canSelect);
    return canSelect;
}

bool TCustomGrid::MoveCurrent(int col, int row, bool extend, bool fireClick) {
    bool moved = col != FCurrent.X || row != FCurrent.Y;
    if (moved && !SelectCell(col, row)) return false;
    TGridRect before = Selection();
    FCurrent = {col, row};
    if (!extend) FAnchor = FCurrent;
    ScrollIntoView(row);
    // After the scroll, so both selections are invalidated where they now lie.
    InvalidateRows(before.Top, before.Bottom);
    InvalidateSelection();
    if (moved && fireClick) Click();
    return moved;
}

void TCustomGrid::ScrollIntoView(int row) {
    if (row < FFixedRows) return;
    int page = PageRows();
    if (row < FTopRow)
        ScrollTo(row);
    else if (row >= FTopRow + page)
        ScrollTo(row - page + 1);
}

void TCustomGrid::ScrollTo(int topRow) {
    topRow = ClampInt(topRow, FFixedRows, MaxTopRow());
    if (topRow == FTopRow) return;
    int delta = topRow - FTopRow;
    FTopRow = topRow;
    if (!HandleAllocated()) return;
    TRect client = ClientRect();
    RECT area{0, FixedRowsHeight(), client.Right, client.Bottom};
    if (std::abs(delta) < SlotRows())
        ScrollWindowEx(FHandle, 0, -delta * RowStride(), &area, &area, nullptr, nullptr, SW_INVALIDATE);
    else
        InvalidateRect(FHandle, &area, FALSE);
    UpdateScrollBar();
}

void TCustomGrid::UpdateScrollBar() {
    if (!HandleAllocated() || !VerticalScrollBar()) return;
    // Positions count scrollable rows; Windows hides the bar when the page holds them all.
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, FRowCount - FFixedRows - 1);
    info.nPage = static_cast<UINT>(PageRows());
    info.nPos = FTopRow - FFixedRows;
    SetScrollInfo(FHandle, SB_VERT, &info, TRUE);
}

void TCustomGrid::InvalidateRows(int first, int last) {
    if (!HandleAllocated() || first > last) return;
    int width = ClientWidth();
    int stride = RowStride();
    if (first < FFixedRows) {
        int end = std::min(last, FFixedRows - 1);
        RECT r{0, first * stride, width, (end + 1) * stride};
        InvalidateRect(FHandle, &r, FALSE);
    }
    int a = std::max(first, FTopRow);
    int b = std::min(last, FTopRow + SlotRows() - 1);
    if (a > b) return;
    RECT r{0, RowTop(a), width, RowTop(b) + stride};
    InvalidateRect(FHandle, &r, FALSE);
}

void TCustomGrid::InvalidateSelection() {
    TGridRect selection = Selection();
    InvalidateRows(selection.Top, selection.Bottom);
}

void TCustomGrid::InvalidateCell(int col, int row) {
    if (!HandleAllocated()) return;
    TRect r = CellRect(col, row);
    if (r.IsEmpty()) return;
    RECT area{r.Left, r.Top, r.Right, r.Bottom};
    InvalidateRect(FHandle, &area, FALSE);
}

void TCustomGrid::SizeChanged(int, int) {}

// ---------------------------------------------------------------------------
// Window

void TCustomGrid::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = L"TCustomGrid";
    params.ClassStyle = CS_DBLCLKS;
    params.ExStyle |= WS_EX_CLIENTEDGE;
    if (VerticalScrollBar()) params.Style |= WS_VSCROLL;
}

void TCustomGrid::CreateHandleDone() {
    TCustomControl::CreateHandleDone();
    ClampPosition();
    UpdateScrollBar();
}

void TCustomGrid::DestroyingHandle() {
    static_cast<TGridCanvas*>(FCanvas.get())->ReleaseBorrowed();
    FDragging = false;
    TCustomControl::DestroyingHandle();
}

void TCustomGrid::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_ERASEBKGND:
        // Paint covers every pixel; erasing first would only flicker.
        m.Result = 1;
        return;
    case WM_GETDLGCODE:
        m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_VSCROLL:
        if (m.LParam) break;
        HandleVScroll(LOWORD(m.WParam));
        m.Result = 0;
        return;
    case WM_MOUSEWHEEL:
        HandleMouseWheel(GET_WHEEL_DELTA_WPARAM(m.WParam));
        m.Result = 0;
        return;
    case WM_SIZE: {
        TCustomControl::WndProc(m);
        int top = FTopRow;
        ClampPosition();
        if (top != FTopRow) Invalidate();
        UpdateScrollBar();
        return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TCustomControl::WndProc(m);
        InvalidateSelection();
        return;
    case WM_LBUTTONUP:
        // The grid's click is the move of its current cell (fired on the press),
        // not the release of the button.
        MouseUp(mbLeft, KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        DefaultHandler(m);
        return;
    case WM_CAPTURECHANGED:
        FDragging = false;
        break;
    case WM_CANCELMODE:
        EndDrag();
        break;
    default:
        break;
    }
    TCustomControl::WndProc(m);
}

void TCustomGrid::HandleVScroll(unsigned code) {
    switch (code) {
    case SB_LINEUP:
        ScrollTo(FTopRow - 1);
        break;
    case SB_LINEDOWN:
        ScrollTo(FTopRow + 1);
        break;
    case SB_PAGEUP:
        ScrollTo(FTopRow - PageRows());
        break;
    case SB_PAGEDOWN:
        ScrollTo(FTopRow + PageRows());
        break;
    case SB_TOP:
        ScrollTo(FFixedRows);
        break;
    case SB_BOTTOM:
        ScrollTo(MaxTopRow());
        break;
    case SB_THUMBTRACK:
        if (!(FOptions & goThumbTracking)) break;
        [[fallthrough]];
    case SB_THUMBPOSITION: {
        // The message carries only 16 bits of the position; the bar holds all 32.
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(FHandle, SB_VERT, &info)) ScrollTo(FFixedRows + info.nTrackPos);
        break;
    }
    case SB_ENDSCROLL:
        // A thumb let go where no row could follow snaps back to the rows shown.
        UpdateScrollBar();
        break;
    default:
        break;
    }
}

void TCustomGrid::HandleMouseWheel(int delta) {
    FWheelRemainder += delta;
    int notches = FWheelRemainder / WHEEL_DELTA;
    FWheelRemainder -= notches * WHEEL_DELTA;
    if (!notches) return;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    long long step = lines >= static_cast<UINT>(PageRows()) ? PageRows() : static_cast<long long>(lines);
    ScrollTo(ClampInt(static_cast<long long>(FTopRow) - notches * step, INT_MIN, INT_MAX));
}

// ---------------------------------------------------------------------------
// Keyboard and mouse

bool TCustomGrid::DoKeyDown(uint16_t& key, TShiftState shift) {
    if (TCustomControl::DoKeyDown(key, shift)) return true;
    if (!HasRows() || !HasCols()) return false;
    const bool rowSelect = (FOptions & goRowSelect) != 0;
    const bool ctrl = (shift & ssCtrl) != 0;
    const bool extend = (shift & ssShift) && (FOptions & goRangeSelect);
    long long col = FCurrent.X;
    long long row = FCurrent.Y;
    switch (key) {
    case VK_UP:
        --row;
        break;
    case VK_DOWN:
        ++row;
        break;
    case VK_LEFT:
        if (rowSelect) return false;
        col = ctrl ? FFixedCols : col - 1;
        break;
    case VK_RIGHT:
        if (rowSelect) return false;
        col = ctrl ? FColCount - 1 : col + 1;
        break;
    case VK_PRIOR:
        // The page turns with the row, as in a list box.
        ScrollTo(FTopRow - PageRows());
        row -= PageRows();
        break;
    case VK_NEXT:
        ScrollTo(FTopRow + PageRows());
        row += PageRows();
        break;
    case VK_HOME:
        if (ctrl || rowSelect) row = FFixedRows;
        if (!rowSelect) col = FFixedCols;
        break;
    case VK_END:
        if (ctrl || rowSelect) row = FRowCount - 1;
        if (!rowSelect) col = FColCount - 1;
        break;
    default:
        return false;
    }
    MoveCurrent(ClampInt(col, FFixedCols, FColCount - 1), ClampInt(row, FFixedRows, FRowCount - 1), extend, true);
    return true;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (!Focused() && CanFocus()) SetFocus();
        TGridCoord cell = MouseCoord(x, y);
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows && HasRows()) {
            bool extend = (shift & ssShift) && (FOptions & goRangeSelect);
            int col = (FOptions & goRowSelect) ? FCurrent.X : cell.X;
            MoveCurrent(col, cell.Y, extend, false);
            if (!(shift & ssDouble)) {
                FDragging = true;
                SetCapture(Handle());
                // A press on a cell is a click even when the cell was already current.
                if (FCurrent == TGridCoord{col, cell.Y}) Click();
            }
        }
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
    if (FDragging && HasRows() && GetCapture() == FHandle) {
        // Past the top or bottom edge the grid follows one row per move.
        long long row;
        if (y < FixedRowsHeight())
            row = FTopRow - 1;
        else if (y >= ClientHeight())
            row = static_cast<long long>(FTopRow) + PageRows();
        else {
            int under = MouseCoord(x, y).Y;
            row = under < 0 ? FRowCount - 1 : under;
        }
        int col = FCurrent.X;
        if (!(FOptions & goRowSelect) && HasCols()) {
            int under = MouseCoord(x, y).X;
            col = under < 0 ? (x < 0 ? FFixedCols : FColCount - 1) : ClampInt(under, FFixedCols, FColCount - 1);
        }
        MoveCurrent(col, ClampInt(row, FFixedRows, FRowCount - 1), (FOptions & goRangeSelect) != 0, true);
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) EndDrag();
    TCustomControl::MouseUp(button, shift, x, y);
}

void TCustomGrid::EndDrag() {
    FDragging = false;
    if (HandleAllocated() && GetCapture() == FHandle) ReleaseCapture();
}

// ---------------------------------------------------------------------------
// Painting

void TCustomGrid::PaintWindow(HDC dc) {
    static_cast<TGridCanvas*>(FCanvas.get())->ReleaseBorrowed();
    TCustomControl::PaintWindow(dc);
}

void TCustomGrid::Paint() {
    TCanvas* canvas = Canvas();
    const TRect clip = canvas->ClipRect();
    const int bottom = std::min(clip.Bottom, ClientHeight());
    const int stride = RowStride();

    int y = 0;
    for (int row = 0; row < FFixedRows && y < bottom; ++row, y += stride)
        if (y + stride > clip.Top) PaintRow(row, y, clip);

    // Straight to the first row the clip reaches: rows above it are never visited.
    y = FixedRowsHeight();
    int skip = clip.Top > y ? (clip.Top - y) / stride : 0;
    y += skip * stride;
    for (long long row = static_cast<long long>(FTopRow) + skip; row < FRowCount && y < bottom; ++row, y += stride)
        PaintRow(static_cast<int>(row), y, clip);

    if (y < clip.Bottom) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(FColor);
        canvas->FillRect(Rect(clip.Left, std::max(y, clip.Top), clip.Right, clip.Bottom));
    }
}

void TCustomGrid::PaintRow(int row, int y, const TRect& clip) {
    TCanvas* canvas = Canvas();
    const int height = FDefaultRowHeight;
    const int line = FGridLineWidth;
    int x = 0;
    for (int col = 0; col < FColCount && x < clip.Right; ++col) {
        const int width = FColWidths[static_cast<size_t>(col)];
        if (x + width + line > clip.Left) {
            TGridDrawState state = CellState(col, row);
            TRect rect = Bounds(x, y, width, height);
            if (width > 0 && x + width > clip.Left) {
                PrepareCanvas(state);
                if (FDefaultDrawing || !OnDrawCell) canvas->FillRect(rect);
                DrawCell(col, row, rect, state);
            }
            if (line > 0) {
                bool fixed = (state & gdFixed) != 0;
                bool vertical = (FOptions & (fixed ? goFixedVertLine : goVertLine)) != 0;
                bool horizontal = (FOptions & (fixed ? goFixedHorzLine : goHorzLine)) != 0;
                TColor lineColor = fixed ? kFixedLineColor : kLineColor;
                canvas->Brush()->SetStyle(bsSolid);
                canvas->Brush()->SetColor(vertical ? lineColor : FColor);
                canvas->FillRect(Bounds(x + width, y, line, height + line));
                canvas->Brush()->SetColor(horizontal ? lineColor : FColor);
                canvas->FillRect(Bounds(x, y + height, width, line));
            }
        }
        x += width + line;
    }
    if (x < clip.Right) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(FColor);
        canvas->FillRect(Rect(std::max(x, clip.Left), y, clip.Right, y + RowStride()));
    }
    if (FDefaultDrawing && row == FCurrent.Y && row >= FFixedRows && HasCols() && Focused()) {
        TRect focus = (FOptions & goRowSelect)
                          ? Rect(ColumnLeft(FFixedCols), y, ColumnLeft(FColCount) - line, y + height)
                          : Bounds(ColumnLeft(FCurrent.X), y, FColWidths[static_cast<size_t>(FCurrent.X)], height);
        canvas->DrawFocusRect(focus);
    }
}

TGridDrawState TCustomGrid::CellState(int col, int row) const {
    if (col < FFixedCols || row < FFixedRows) return gdFixed;
    TGridDrawState state = 0;
    bool focusedCell = col == FCurrent.X && row == FCurrent.Y && Focused();
    if (focusedCell) state |= gdFocused;
    TGridRect selection = Selection();
    bool inSelection = col >= selection.Left && col <= selection.Right && row >= selection.Top && row <= selection.Bottom;
    // The focused cell of a cell selection shows as focused, not highlighted.
    if (inSelection && (!focusedCell || (FOptions & (goDrawFocusSelected | goRowSelect)))) state |= gdSelected;
    return state;
}

void TCustomGrid::PrepareCanvas(TGridDrawState state) {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsSolid);
    if (state & gdFixed) {
        canvas->Brush()->SetColor(FFixedColor);
    } else if (state & gdSelected) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->Font()->SetColor(clHighlightText);
    } else {
        canvas->Brush()->SetColor(FColor);
    }
}

void TCustomGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (OnDrawCell && EventsEnabled()) OnDrawCell(this, col, row, rect, state);
}

// ---------------------------------------------------------------------------
// TStringGrid

TStringGrid::TStringGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}

TStringGrid::~TStringGrid() = default;

void TStringGrid::CheckCell(int col, int row) const {
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) throw EInvalidGridOperation(kIndexOutOfRange);
}

std::string TStringGrid::Cells(int col, int row) const {
    auto it = FCells.find({row, col});
    return it == FCells.end() ? std::string() : it->second.Text;
}

void TStringGrid::SetCells(int col, int row, const std::string& text) {
    CheckCell(col, row);
    auto it = FCells.try_emplace({row, col}).first;
    it->second.Text = text;
    DropIfEmpty(it);
    InvalidateCell(col, row);
}

TObject* TStringGrid::Objects(int col, int row) const {
    auto it = FCells.find({row, col});
    return it == FCells.end() ? nullptr : it->second.Object;
}

void TStringGrid::SetObjects(int col, int row, TObject* object) {
    CheckCell(col, row);
    auto it = FCells.try_emplace({row, col}).first;
    it->second.Object = object;
    DropIfEmpty(it);
}

void TStringGrid::DropIfEmpty(std::map<std::pair<int, int>, TCellData>::iterator it) {
    if (it->second.Text.empty() && !it->second.Object) FCells.erase(it);
}

void TStringGrid::SizeChanged(int oldColCount, int oldRowCount) {
    if (RowCount() < oldRowCount) FCells.erase(FCells.lower_bound({RowCount(), INT_MIN}), FCells.end());
    if (ColCount() < oldColCount)
        std::erase_if(FCells, [this](const auto& entry) { return entry.first.second >= ColCount(); });
}

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (DefaultDrawing()) {
        auto it = FCells.find({row, col});
        if (it != FCells.end() && !it->second.Text.empty())
            Canvas()->TextRect(rect, rect.Left + 2, rect.Top + 2, it->second.Text);
    }
    TCustomGrid::DrawCell(col, row, rect, state);
}
