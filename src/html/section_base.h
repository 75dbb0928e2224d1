// The base of every vertical piece of a document (text sections, blocks,
// tables, rules, page breaks) with the virtual operations through which cells
// and the document lay out, draw, hit-test, search and copy, and the records
// of inline elements that carry a border, padding or background. Free of
// window headers.
#pragma once

#include <climits>
#include <string>
#include <vector>

#include "framework/graphics_types.h"
#include "html/html_types.h"
#include "html/layout_types.h"
#include "html/style_props.h"

class TCanvas;
class IndentManager;
class TImageFormControlObj;
class TBlock;
class TSection;
class TSectionBase;
class TSectionList;

// What a hit test found.
enum guResultItem : unsigned { guUrl = 1, guControl = 2, guTitle = 4 };
using guResultType = unsigned;  // a set of guResultItem

// What a section reaches of its document without knowing the whole of it;
// the document (TSectionList) implements it.
class TSectionDocument {
public:
    // The position list: every section that covers document positions, in order.
    virtual void AddSectionToPositionList(TSectionBase* section) = 0;
    // The document position of a source position (or the one before it with prev).
    virtual int FindDocPos(int sourcePos, bool prev) = 0;
    // The document itself when it is a whole document, else null. Asked for
    // by every section as it is built, so it is a virtual call, not a cast.
    virtual TSectionList* SectionList() { return nullptr; }

protected:
    ~TSectionDocument() = default;
};

inline TSectionList* SectionListOf(TSectionDocument* document) {
    return document ? document->SectionList() : nullptr;
}

// PlacedY of a section never laid out: below every laid-out Y.
constexpr int NotPlacedY = INT_MAX;

class TSectionBase : public TIDObject {
public:
    explicit TSectionBase(TSectionDocument* document);
    // The copy of a print or a clone: the height and paint order come along;
    // the rest is set again by the next layout.
    TSectionBase(TSectionDocument* document, const TSectionBase& source);

    int GetYPosition() override;
    // A new section of this section's class, copied into `document`.
    virtual TSectionBase* CreateClone(TSectionDocument* document) const;
    virtual void CopyToClipboard();
    // Lays the section out at Y; returns its height. PosCounter is the next
    // document position and moves past the section's positions.
    virtual int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                          int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter);
    // Paints the part inside ARect; returns the Y below the section.
    virtual int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
                      int OriginY);
    virtual guResultType GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut,
                                TImageFormControlObj*& ControlOut, std::string& TitleOut);
    virtual bool PtInObject(int X, int Y, TObject*& Obj, int& HitX, int& HitY);
    // The document position at (X, Y), or -1 when it is not in this section.
    virtual int FindCursor(TCanvas* Canvas, int X, int Y, int& CaretX, int& CaretY, int& CaretHeight,
                           bool& InsideText);
    // The document position where SearchText starts, searching from `from`, or -1.
    virtual int FindString(int from, const std::wstring& SearchText, bool CaseSensitive);
    virtual int FindStringR(int from, const std::wstring& SearchText, bool CaseSensitive);
    virtual int FindSourcePos(int DocPos);
    virtual int FindDocPos(int SourcePos, bool Prev);
    virtual bool CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y);
    virtual bool GetChAtPos(int Pos, wchar_t& Ch, TObject*& Obj);
    virtual void MinMaxWidth(TCanvas* Canvas, int& Min, int& Max);
    virtual void AddSectionsToList();
    // The section as a text section or a box, else nullptr. Cells ask this of
    // every section they hold, so it is a virtual call, not a cast.
    virtual TSection* AsText() { return nullptr; }
    virtual TBlock* AsBlock() { return nullptr; }
    const TSection* AsText() const { return const_cast<TSectionBase*>(this)->AsText(); }
    const TBlock* AsBlock() const { return const_cast<TSectionBase*>(this)->AsBlock(); }

    void SetParent(TSectionDocument* document) { OwnerDocument = document; }

    TSectionDocument* OwnerDocument;  // not owned
    int FullHeight = 0;   // height in the flow
    int PaintHeight = 0;  // height painted, floats hanging below included; never below FullHeight
    int FirstDocPos = 0;
    int Len = 0;          // document positions taken
    int ZIndex = 0;       // paint order key
    int PlacedY = NotPlacedY;
    int InnerBottom = 0;
    uint32_t DescendantWord = 0;  // the base class never reads it
    int PaintTop = 0;
    int PaintBottom = 0;
    int InnerTop = 0;
};

// One inline element with a border style. Positions are source positions
// until the list is updated, document positions after.
class InlineRec : public TObject {
public:
    int StartPos = 0;
    int EndPos = NoPosition;  // NoPosition while the end tag has not been read
    int ID = 0;               // identity number of the element's properties
    TMarginArray BoxValues{};
};

// The part of one inline element on one laid-out line.
class BorderRec : public TObject {
public:
    int BorderFirstPos = 0;  // index in the section's text
    int BorderEndPos = 0;
    bool OpenAtStart = false;  // began on an earlier line: no left border here
    bool OpenAtEnd = false;    // goes on after this line: no right border here
    TRect BorderBox{};         // filled in while the line is painted
    TMarginArray BoxValues{};
};

// The inline elements of a document, in the order their starts were read.
class TInlineList : public TFreeList {
public:
    explicit TInlineList(TSectionDocument* owner) : Owner(owner) {}
    // The list of a copy of the document, for `owner`. The source's records
    // are turned into document positions first: only the source's document
    // can map its source positions, and the copy's sections keep the same
    // document positions.
    TInlineList(TSectionDocument* owner, TInlineList& source);

    InlineRec* Rec(int index) const { return static_cast<InlineRec*>(Items(index)); }
    void Clear() override;

    // The two halves of recording an element (TSectionList::ProcessInlines):
    // the start appends a record; the end closes the latest open record of the
    // same identity (an end without a start does nothing).
    void StartElement(int sourcePos, int id, const TMarginArray& boxValues);
    void EndElement(int sourcePos, int id);

    // Document start and end of record `index`; NoPosition outside the list.
    // The first query after parsing turns the records' positions into
    // document positions, so it must not come before the document is complete;
    // records added later are turned at the next query, each only once.
    int FirstPosOf(int index);
    int EndPosOf(int index);

    // CheckForInlines of a line: the border records of the elements touching
    // the section's characters [lineStart, lineStart + lineCount), appended to
    // `borders` (made on first need; the caller owns it). Only records whose
    // span can reach the line are looked at. True when the line has any.
    bool BordersForLine(int sectionFirstDocPos, int lineStart, int lineCount, TFreeList*& borders);

    TSectionDocument* Owner;  // not owned
    bool NeedsUpdate = true;

private:
    void Update();

    int FMapped = 0;  // records 0..FMapped-1 hold document positions
    bool FStartsSorted = false;
    std::vector<int> FMaxEnd;  // greatest EndPos of records 0..i
};
