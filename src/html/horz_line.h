// Two small sections of fixed height: the rule of an HR element and an
// explicit page break for printing. Free of window headers (the rule's
// painting lives in horz_line_draw.cpp).
#pragma once

#include "framework/graphics_types.h"
#include "html/layout_types.h"
#include "html/section_base.h"

class TAttributeList;
class TProperties;
class TSectionList;

class THorzLine : public TSectionBase {
public:
    // Reads SIZE, COLOR, NOSHADE, ALIGN and WIDTH; hands the width and the
    // thickness on to the properties, where the rule's block reads them.
    THorzLine(TSectionList* document, TAttributeList* L, TProperties& prop);
    THorzLine(TSectionList* document, const THorzLine& source);

    TSectionBase* CreateClone(TSectionDocument* document) const override;
    void CopyToClipboard() override;
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override;
    int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
              int OriginY) override;

    TSectionList* Document() const;

    int RuleThickness = 2;
    TColor Color = 0x1FFFFFFF;  // transparent: the sunken look
    JustifyType Align = Centered;
    bool NoShade = false;
    int HRWidth = 0;
    int LineIndent = 0;
};

class TPage : public TSectionBase {
public:
    using TSectionBase::TSectionBase;
    TSectionBase* CreateClone(TSectionDocument* document) const override;
    // While printing, the page ends here.
    int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
              int OriginY) override;
};
