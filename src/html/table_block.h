// The boxes around a table: the table block (its width, spacing, alignment,
// background and raised outer border) and the block that holds a table
// together with its caption. Free of window headers; the border is painted
// in table_draw.cpp.
#pragma once

#include <string>

#include "html/block.h"
#include "html/layout_types.h"

class ThtmlTable;

class TTableBlock : public TBlock {
public:
    // The table becomes the only section of the block's cell. ALIGN=LEFT or
    // RIGHT makes the block float unless its style says otherwise.
    TTableBlock(TSectionList* OwnerDocument, TProperties& Prop, TCellBasic* EnclosingCell, ThtmlTable* ATable,
                TAttributeList* Attributes);
    TTableBlock(TSectionList* OwnerDocument, const TTableBlock& source);

    TSectionBase* CreateClone(TSectionDocument* document) const override;
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override;
    int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
              int OriginY) override;
    void MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) override;
    void AddSectionsToList() override;
    void DrawBlockBorder(TCanvas* Canvas, const TRect& ORect, const TRect& IRect) override;
    int FindWidth(TCanvas* Canvas, int WidthArg, int HeightArg, int AutoCount, TMarginArray& m) override;

    // The content width the table takes in WidthArg, `sides` being taken
    // up by margins beside it.
    int FindWidth1(TCanvas* Canvas, int WidthArg, int sides);
    // Borders and paddings left and right, converted against WidthArg.
    int HorizontalExtra(int WidthArg) const;

    ThtmlTable* Table = nullptr;  // owned by the child cell
    int GivenTableWidth = 0;      // pixels, or tenths of a percent when WidthIsPercent
    bool WidthIsPercent = false;
    TColor AttrBgColor = 0x1FFFFFFF;
    bool AttrBgColorSet = false;
    int AttrHSpace = 0;
    int AttrVSpace = 0;
    bool HasCaption = false;
    bool TableBorder = false;
    JustifyType TableJustify = NoJustify;
    int TableIndent = 0;
    // The width found by the caption's block for this table, -1 when none.
    int WidthFromCaption = -1;
};

class TTableAndCaptionBlock : public TBlock {
public:
    TTableAndCaptionBlock(TSectionList* OwnerDocument, TProperties& Prop, TCellBasic* EnclosingCell,
                          TAttributeList* Attributes, TTableBlock* ATableBlock);
    TTableAndCaptionBlock(TSectionList* OwnerDocument, const TTableAndCaptionBlock& source);

    TSectionBase* CreateClone(TSectionDocument* document) const override;
    void MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) override;
    int FindWidth(TCanvas* Canvas, int WidthArg, int HeightArg, int AutoCount, TMarginArray& m) override;
    int FindDocPos(int SourcePos, bool Prev) override;

    void SetCaptionBlock(TBlock* Block);
    // The block is not used (no caption): the table's ID names the table block.
    void CancelUsage();

    bool CaptionFirst = true;
    TTableBlock* TablePart = nullptr;  // owned by the child cell once added
    TBlock* CaptionPart = nullptr;     // likewise
    JustifyType CaptionJustify = NoJustify;
    std::string TableIDName;
};
