// Blocks: the CSS block boxes of a document (P, DIV, lists, list items, the
// body) with margins, borders, padding, floats, clearance and backgrounds,
// laid out and painted around a child cell of further sections. Free of
// window headers; the painting lives in block_draw.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics_types.h"
#include "html/box_values.h"
#include "html/cell.h"
#include "html/section_base.h"
#include "html/style_props.h"
#include "html/symbols.h"
#include "html/text_measure.h"

class TAttributeList;
class TBoxBackground;
class TImageObj;
class TSectionList;

// How deep blocks are nested in the operation under way. Blocks deeper than
// MaxNestingDepth lay out empty and answer no query, so every recursive walk
// through blocks (layout, paint, hit tests, widths, copy, search) stays
// within the stack the program is linked with.
class TNestingGuard {
public:
    TNestingGuard();
    ~TNestingGuard();
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;
    bool TooDeep() const { return FTooDeep; }
    static int Depth();

private:
    bool FTooDeep;
};

class TBlockLI;

// The name of a box before it is given one.
inline const std::string kNoName;

class TBlock : public TSectionBase {
public:
    TBlock(TSectionList* OwnerDocument, TProperties& prop, TCellBasic* EnclosingCell, TAttributeList* attributes);
    TBlock(TSectionList* OwnerDocument, const TBlock& source);
    ~TBlock() override;

    TSectionBase* CreateClone(TSectionDocument* document) const override;
    TBlock* AsBlock() override { return this; }
    // The box as a list item, else nullptr.
    virtual TBlockLI* AsListItem() { return nullptr; }
    const TBlockLI* AsListItem() const { return const_cast<TBlock*>(this)->AsListItem(); }
    void CopyToClipboard() override;
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override;
    int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
              int OriginY) override;
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
    void AddSectionsToList() override;

    virtual void DrawBlockBorder(TCanvas* Canvas, const TRect& ORect, const TRect& IRect);
    // The content width; sets the width and the side margins in `m`, the
    // values the layout under way has found.
    virtual int FindWidth(TCanvas* Canvas, int WidthArg, int HeightArg, int AutoCount, TMarginArray& m);

    // Joins this block's top margin with the bottom margin of the section
    // before it in the enclosing cell; run once, when the block is made.
    void CollapseMargins();
    void DrawSort();
    void DrawBlock(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int Y, int XRef,
                   int YRef);
    void DrawTheList(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int XRef, int YRef);
    void FormTree(const std::string& indent, std::string& tree);

    TSectionList* Document() const;
    // Where the box's values are shared; null without a document.
    TBoxValuesPool* BoxValuesPool() const;
    int& ContentLeft() { return reinterpret_cast<int&>(DescendantWord); }
    // The TITLE of the element, empty without one.
    const std::string& Title() const;

    // The name of the box's element and class, "tag.class".
    const std::string& TagAndClass() const { return *FTagAndClass; }
    void SetTagAndClass(std::string_view name);
    // The sections of the box in paint order, as the last layout left them.
    int PaintCount() const;
    TSectionBase* PaintSection(int index) const {
        return FRare && FRare->ZOrder ? (*FRare->ZOrder)[static_cast<size_t>(index)] : ChildCell->Section(index);
    }

    // The background-image, tiled over the padding box; null without one.
    TBoxBackground* BackgroundImage() const { return FRare ? FRare->BackgroundImage.get() : nullptr; }
    void SetBackgroundImage(std::unique_ptr<TBoxBackground> image);
    // The offset of a positioned box from its place, 0 without top or left.
    int PosTop() const { return FRare ? FRare->PosTop : 0; }
    int PosLeft() const { return FRare ? FRare->PosLeft : 0; }

    // Ordered so that no field leaves a gap, the kinds and flags packed in
    // bits: a box is made for every paragraph, and the heap gives it a class
    // in steps of 16 bytes.
    int EmBase = 0;  // fills the room the base leaves at its end

    // The values as the last layout found them, for painting, page breaks
    // and hit tests.
    TBoxValues BoxValues;
    std::unique_ptr<TBlockCell> ChildCell;
    TCellBasic* EnclosingCell = nullptr;  // not owned
    TBoxSlots RawBoxValues;
    int ExBase = 0;
    int ContentWidth = 0;
    int ClearSpace = 0;
    int ContentIndent = 0;
    int ContentBottomY = 0;
    TRect BorderRect{};
    BorderStyleType BorderStyle : 4 = bssNone;
    AlignmentType FloatSide : 4 = ANone;
    ClearAttrType ClearSide : 2 = clrNone;
    PositionType Positioning : 2 = posStatic;
    VisibilityType Visibility : 2 = viInherit;
    bool IsListBlock : 1 = false;
    bool BottomIsAuto : 1 = false;
    bool PageBreakAbove : 1 = false;
    bool PageBreakBelow : 1 = false;
    bool AvoidBreakInside : 1 = false;
    bool NotDisplayed : 1 = false;

protected:
    // The layout when the block is nested too deep or not displayed.
    int LayOutEmpty(int Y, int& MaxWidth, int& PosCounter);
    bool Answers() const { return !NotDisplayed && !FLaidOutEmpty; }

    // The background and border between the border box and the padding box
    // (screen coordinates).
    void PaintBox(TCanvas* Canvas, const TRect& ARect, const TRect& outer, const TRect& inner);

    // True when the block paints nothing inside ARect, itself and its
    // content included.
    bool WhollyOutside(const TRect& ARect) const;
    // The document rows a section's Draw1 paints or reads (a page-break rule,
    // a list bullet), for a block in the flow or a text section; false for
    // any other section, which is always drawn.
    static bool PaintReach(const TSectionBase* s, int64_t& top, int64_t& bottom);
    static constexpr int BulletReach = 50;

    bool FLaidOutEmpty : 1 = false;
    bool FHasID : 1 = false;   // entered in the document's ID list
    bool FTopAuto : 1 = false;  // margin-top was the automatic paragraph space
    // What painting knows of the paint order after a layout (KnowReach):
    // whether a block inside, at any depth, is positioned; and for a long
    // list, the greatest reach bottom of the sections up to each and the least
    // reach top of those from each on, a section that must always be drawn
    // counting as reaching everywhere.
    void KnowReach() const;
    mutable bool FReachKnown : 1 = false;
    mutable bool FHoldsPositioned : 1 = false;
    // Widths of the content as asked during one layout: a block's width
    // needs its content's, so without them nested blocks cost the square of
    // their depth.
    int FMinMaxCycle = -1;
    int FMin = 0;
    int FMax = 0;
    // The paint order: the first FPaintCount sections of the cell, unless
    // their z-indexes order them otherwise, when the rare part lists them.
    int FPaintCount = 0;
    struct TReach {
        std::vector<int64_t> Bottoms, Tops;
    };
    // What few boxes have, made when first needed.
    struct TRare {
        std::unique_ptr<TBoxBackground> BackgroundImage;
        std::unique_ptr<const std::string> Title;
        std::unique_ptr<std::vector<TSectionBase*>> ZOrder;  // not owning
        std::unique_ptr<TReach> Reach;                       // none for a short list
        int PosTop = 0;
        int PosLeft = 0;
    };
    TRare& Rare() const;
    void SetPosition(int top, int left);
    mutable std::unique_ptr<TRare> FRare;
    const std::string* FTagAndClass;  // the document's copy, shared by boxes of one name
};

// A box is made for every paragraph: with its values shared, its own
// margins held as whole pixels and its kinds in bits, it keeps to the heap's
// class of 176 bytes.
static_assert(sizeof(void*) != 8 || sizeof(TBlock) <= 176);

class THorzLine;

// The box of a horizontal rule: its child cell holds the rule.
class THRBlock : public TBlock {
public:
    using TBlock::TBlock;
    THRBlock(TSectionList* OwnerDocument, const THRBlock& source);

    TSectionBase* CreateClone(TSectionDocument* document) const override;
    int FindWidth(TCanvas* Canvas, int WidthArg, int HeightArg, int AutoCount, TMarginArray& m) override;
    // The rule in the child cell, null before the reader has added it.
    THorzLine* HRule() const;

    JustifyType RuleJustify = Centered;
};

// A byte, kept beside the bullet's kind in a list item.
enum ListTypeType : uint8_t { None, Ordered, Unordered, Definition, liAlone };

// The text of a numbered or lettered bullet, the point included; empty for a
// drawn or absent bullet.
std::wstring BulletText(ListBulletType kind, int itemNumber);

class TBlockLI : public TBlock {
public:
    // Sy is the tag of the enclosing list (ULSy, OLSy, DirSy, MenuSy, DLSy)
    // or anything else for an item outside a list.
    TBlockLI(TSectionList* OwnerDocument, TProperties& prop, TCellBasic* EnclosingCell, Symb Sy, bool plain,
             char indexType, int listNumber, int listLevel, TAttributeList* attributes);
    TBlockLI(TSectionList* OwnerDocument, const TBlockLI& source);
    ~TBlockLI() override;

    TSectionBase* CreateClone(TSectionDocument* document) const override;
    TBlockLI* AsListItem() override { return this; }
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override;
    int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
              int OriginY) override;

    // Ordered so that no field leaves a gap: a list has an item for each
    // line, and the heap gives it a class in steps of 16 bytes.
    ListTypeType ListKind = None;
    ListBulletType BulletKind = lbBlank;
    int ItemNumber = 0;
    TColor BulletColor = 0;
    int BulletY = 0;  // baseline of the first line, 0 until known
    TFontDesc BulletFont;
    // list-style-image, drawn in place of the bullet; null without one.
    std::unique_ptr<TImageObj> BulletImage;

private:
    void DrawBullet(TCanvas* Canvas, int X, int Y);
};

// One for each line of a list: a smaller class of the heap than 256 bytes.
static_assert(sizeof(void*) != 8 || sizeof(TBlockLI) <= 240);

class TBodyBlock : public TBlock {
public:
    TBodyBlock(TSectionList* OwnerDocument, TProperties& prop, TCellBasic* EnclosingCell,
               TAttributeList* attributes);
    TBodyBlock(TSectionList* OwnerDocument, const TBodyBlock& source);

    TSectionBase* CreateClone(TSectionDocument* document) const override;
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override;
    int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
              int OriginY) override;
    guResultType GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut, TImageFormControlObj*& ControlOut,
                        std::string& TitleOut) override;
};
