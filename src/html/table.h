// Tables: rows of cells whose spans are filled out with empty places, column
// widths found from the cells' minimum and maximum widths, percentages and
// fixed widths, row heights from the cells' content, vertical alignment,
// backgrounds, 3-D frames, clipping and print pagination, and the queries
// that descend into the cells. Free of window headers; the painting lives in
// table_draw.cpp.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/graphics_types.h"
#include "html/cell.h"
#include "html/section_base.h"
#include "html/style_props.h"

class TAttributeList;
class TBoxBackground;
class TCanvas;
class TSectionList;

// Limits on what a table's tags may ask for. Places made for spans beyond
// MaxDummyCells are not made: the spans that would need them are cut.
constexpr int MaxColSpan = 1000;
constexpr int MaxRowSpan = 65534;
constexpr int MaxDummyCells = 1 << 20;
constexpr int MaxTableCellSpacing = 40;
constexpr int MaxTableCellPadding = 50;
constexpr int MaxTableBorder = 100;
constexpr int MaxTableAttrPixels = 32767;

// Tables whose row heights are found again in the final pass; deeper ones
// keep their first result, so nesting costs a bounded factor.
constexpr int MaxRefinedTableDepth = 4;

// One COL or COLGROUP width.
struct TColObj {
    int ColWidth = 0;  // pixels, or tenths of a percent when AsPercent
    bool AsPercent = false;
    AlignmentType colVAlign = ANone;
    std::string colAlign;
};

// One table cell. A place that a span covers holds no TCellObj at all (see
// TCellList).
class TCellObj {
public:
    TCellObj(TSectionList* Document, AlignmentType VAlign, TAttributeList* L, TProperties* Prop);
    TCellObj(TSectionList* Document, const TCellObj& source);
    ~TCellObj();
    TCellObj(const TCellObj&) = delete;
    TCellObj& operator=(const TCellObj&) = delete;

    // Paddings not given by the style become `Padding`; a table border gives
    // every side at least one pixel unless the style draws its own borders.
    void InitializeCell(int Padding, const std::string& BkImageName, const PositionRec& BkImagePlacement,
                        bool Border);
    // The final layout at the row's Y, aligned vertically in SpanHeight.
    void DrawLogic2(TCanvas* Canvas, int Y, int CellSpacing, int& PosCounter);
    // X, Y: screen position of the cell's place (its spacing included).
    void Draw(TCanvas* Canvas, const TRect& ARect, int X, int Y, int CellSpacing, bool Border, TColor Light,
              TColor Dark);

    bool HasContent() const { return Cell->Count() > 0; }
    // Offset of the content's left edge from the place's left edge.
    int ContentLeft(int CellSpacing) const { return CellSpacing + InsetLeft + BorderLeftPx; }

    int ColSpan = 1;
    int RowSpan = 1;
    int SpanWidth = 0;   // the spanned columns, spacing included
    int SpanHeight = 0;  // the spanned rows
    int FirstPassHeight = 0;
    int CellGivenHeight = 0;
    int CellGivenHeightPct = 0;
    int AlignOffsetY = 0;
    AlignmentType VAlign = AMiddle;
    int CellGivenWidth = 0;  // pixels, or tenths of a percent when WidthIsPercent
    bool WidthIsPercent = false;
    int EmBase = 16;
    int ExBase = 8;
    PositionRec BackImagePos{};
    int InsetTop = -1;  // -1 until InitializeCell when the style gives none
    int InsetRight = -1;
    int InsetBottom = -1;
    int InsetLeft = -1;
    int BorderTopPx = 0;
    int BorderRightPx = 0;
    int BorderBottomPx = 0;
    int BorderLeftPx = 0;
    int HorzExtra = 0;
    int VertExtra = 0;
    bool BorderStyle = false;  // the style draws the cell's borders
    std::unique_ptr<TCell> Cell;
    // The background picture's name, and the picture once the final layout
    // has looked it up (null without one, or when it could not be had).
    std::string BackImageName;
    std::unique_ptr<TBoxBackground> BackImage;
    TMarginArray BoxValues{};  // the style's border colours and styles
    bool PageBreakAbove = false;
    bool PageBreakBelow = false;
    bool KeepOnOnePage = false;
};

// One row. A place may hold no cell: the places that a COLSPAN or ROWSPAN
// covers, and the end of a row shorter than the others.
class TCellList {
public:
    TCellList(TAttributeList* L, TProperties* Prop);
    TCellList(TSectionList* Document, const TCellList& source);

    int Count() const { return static_cast<int>(Cells.size()); }
    TCellObj* Cell(int index) const { return Cells[static_cast<size_t>(index)].get(); }
    // Takes the cell (null adds an empty place).
    void Add(TCellObj* cell);
    void InitializeRow();
    // Lays out (first pass) the cells that span `Span` rows; returns the
    // tallest. Desired: the tallest wish; AnyGiven: some cell gave a height;
    // More: some cell spans more rows.
    int DrawLogic1(TCanvas* Canvas, const std::vector<int>& Widths, int Span, int CellSpacing, int HeightArg,
                   int& Desired, bool& AnyGiven, bool& More);
    void DrawLogic2(TCanvas* Canvas, int Y, int CellSpacing, int& PosCounter);
    // Y is the document Y of the row; returns the Y below it.
    int Draw(TCanvas* Canvas, TSectionList* Document, const TRect& ARect, const std::vector<int>& Widths, int X,
             int Y, int YOffset, int CellSpacing, bool Border, TColor Light, TColor Dark, int ThisRow);

    std::vector<std::unique_ptr<TCellObj>> Cells;
    int RowHeight = 0;
    int RowGivenHeight = 0;
    int RowGivenHeightPct = 0;
    int RowSpanHeight = 0;
    bool HasBackColor = false;
    TColor FillColor = 0;
    std::string BackImageName;
    PositionRec BackImagePlacement{};
    bool PageBreakAbove = false;
    bool PageBreakBelow = false;
    bool KeepOnOnePage = false;
};

class ThtmlTable : public TSectionBase {
public:
    ThtmlTable(TSectionList* Document, TAttributeList* L, TProperties* Prop);
    ThtmlTable(TSectionList* Document, const ThtmlTable& source);
    ~ThtmlTable() override;

    TSectionList* Document() const;
    // Takes the row.
    void AddRow(TCellList* row);
    void DoColumns(int Width, bool InPercent, AlignmentType VAlign, const std::string& Align);

    void AddDummyCells();
    void GetMinMaxAbs(TCanvas* Canvas, int& Min, int& Max);
    void GetWidthsAbs(TCanvas* Canvas, int Width, bool Specified);
    void GetWidths(TCanvas* Canvas, int& Min, int SpecifiedTableWidth, int& Max);
    void TableSpecifiedAndWillFit(int Width);
    void TableNotSpecifiedAndWillFit(int Min, int Max, int Width);
    void FindRowHeights(TCanvas* Canvas, int HeightArg);
    void DrawTable(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int Y);

    TSectionBase* CreateClone(TSectionDocument* document) const override;
    void CopyToClipboard() override;
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override;
    int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
              int OriginY) override;
    // Hit tests take document coordinates (those of layout), like every
    // section; a cell's content is laid out from its own left edge, so the
    // X handed to it is made relative to that edge.
    guResultType GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut, TImageFormControlObj*& ControlOut,
                        std::string& TitleOut) override;
    bool PtInObject(int X, int Y, TObject*& Obj, int& HitX, int& HitY) override;
    int FindCursor(TCanvas* Canvas, int X, int Y, int& CaretX, int& CaretY, int& CaretHeight,
                   bool& InsideText) override;
    int FindString(int from, const std::wstring& SearchText, bool CaseSensitive) override;
    int FindStringR(int from, const std::wstring& SearchText, bool CaseSensitive) override;
    int FindSourcePos(int DocPos) override;
    int FindDocPos(int SourcePos, bool Prev) override;
    bool CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y) override;
    bool GetChAtPos(int Pos, wchar_t& Ch, TObject*& Obj) override;
    void MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) override;

    int RowCount() const { return static_cast<int>(Rows.size()); }
    TCellList* Row(int index) const { return Rows[static_cast<size_t>(index)].get(); }

    std::vector<std::unique_ptr<TCellList>> Rows;
    bool Initialized = false;
    int Indent = 0;
    int BorderWidth = 0;
    int ColumnCount = 0;
    int GivenTableWidth = 0;
    int WidthAttrPixels = 0;
    bool AbsoluteWidthsOnly = false;
    int CellPadding = 1;
    int CellSpacing = 2;
    TColor BorderColorLight = clBtnHighlight;
    TColor BorderColorDark = clBtnShadow;
    int TableLeft = 0;  // where the table was last painted
    int TableTop = 0;
    bool HasBackColor = false;
    TColor FillColor = 0;
    std::unique_ptr<std::vector<TColObj>> ColumnSpecs;
    int WidthsLayoutCycle = -1;
    std::vector<int> Widths;
    std::vector<int> MaxWidths;
    std::vector<int> MinWidths;
    std::vector<int> Percents;  // tenths of a percent
    std::vector<int> Heights;
    // Set by the table's block.
    bool Floating = false;
    bool BlockHasBackground = false;
    // Left edge of the last layout, in the frame of the cell the table lies in.
    int LayoutLeft = 0;

private:
    // A cell at (row, place) and the left edge of its content in layout X.
    template <class F>
    bool ForCellsAt(int X, int Y, F&& visit);
    void NewWidthsCycle(int cycle);

    // The widths computed in this layout cycle were for this mode and width.
    int FWidthsSpecified = -1;
    bool FWidthsAbs = false;
    std::vector<int> FRowTops;  // top of every row after layout, document Y
};
