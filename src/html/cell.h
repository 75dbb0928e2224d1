// Cells: vertical lists of sections laid out and painted as one column (the
// document, a table cell's content, a block's content). Free of window headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/graphics_types.h"
#include "html/html_types.h"
#include "html/section_base.h"

class TCanvas;
class TSectionList;
class IndentManager;
class TBlock;
class TFontObj;
class TImageObj;

class TCellBasic : public TFreeList {
public:
    explicit TCellBasic(TSectionList* document);
    // Copies every section of `source` into `document` (their CreateClone).
    TCellBasic(TSectionList* document, const TCellBasic& source);

    TSectionBase* Section(int index) const { return static_cast<TSectionBase*>(Items(index)); }
    // Finishes a text section first; one left without positions (and without
    // a clear) is released instead of added.
    void Add(TSectionBase* section);
    bool CheckLastBottomMargin();

    virtual int DoLogic(TCanvas* Canvas, int Y, int Width, int HeightArg, int EnclosingHeight, int& ScrollWidth,
                        int& PosCounter);
    virtual void MinMaxWidth(TCanvas* Canvas, int& Min, int& Max);
    virtual int Draw(TCanvas* Canvas, const TRect& ARect, int ClipWidth, int X, int Y, int OriginX, int OriginY);
    virtual guResultType GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut,
                                TImageFormControlObj*& ControlOut, std::string& TitleOut);

    bool PtInObject(int X, int Y, TObject*& Obj, int& HitX, int& HitY);
    int FindCursor(TCanvas* Canvas, int X, int Y, int& CaretX, int& CaretY, int& CaretHeight, bool& InsideText);
    int FindString(int from, const std::wstring& SearchText, bool CaseSensitive);
    int FindStringR(int from, const std::wstring& SearchText, bool CaseSensitive);
    int FindSourcePos(int DocPos);
    int FindDocPos(int SourcePos, bool Prev);
    bool CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y);
    bool GetChAtPos(int Pos, wchar_t& Ch, TObject*& Obj);
    void CopyToClipboard();
    void AddSectionsToList();
    void FormTree(const std::string& indent, std::string& tree);

    TSectionList* Document;  // not owned

protected:
    // A section whose layout raised EProcessError: the message goes to the
    // host, the section is freed and the positions it took are given back.
    void DropFailedSection(int index, const std::string& message, int& PosCounter, int startPos);

public:
    // A cell is made for every box, so the fields are ordered to leave no
    // gap (a block cell's height takes the last four bytes), and the owner
    // tag is kept as a pointer and a length.
    IndentManager* IndentRef = nullptr;
    TBlock* OwnerBlock = nullptr;

    // The tag of the element the cell is the content of.
    std::string_view OwnerTag() const { return {FOwnerTag, FOwnerTagSize}; }
    void SetOwnerTag(std::string_view tag);
    // A tag the document keeps already (part of a name it shares).
    void ShareOwnerTag(std::string_view tag);

private:
    const char* FOwnerTag = "";  // held by the document (SharedName)
    uint32_t FOwnerTagSize = 0;

public:
    int StartY = 0;
    int FirstDocPos = 0;
    int Len = 0;
    TColor BackgroundColor = 0;
    int InnerBottom = 0;
    int PaintTop = 0;
    int PaintBottom = 0;
    bool HasBackground = false;
};

// A cell with an indent manager of its own: the document and table cells.
class TCell : public TCellBasic {
public:
    explicit TCell(TSectionList* document);
    TCell(TSectionList* document, const TCell& source);
    ~TCell() override;

    int DoLogic(TCanvas* Canvas, int Y, int Width, int HeightArg, int EnclosingHeight, int& ScrollWidth,
                int& PosCounter) override;
    int Draw(TCanvas* Canvas, const TRect& ARect, int ClipWidth, int X, int Y, int OriginX, int OriginY) override;

    int DrawY = 0;

private:
    std::unique_ptr<IndentManager> FIndents;
};

// The content of a block: uses the indent manager of the cell its block lies in.
class TBlockCell : public TCellBasic {
public:
    using TCellBasic::TCellBasic;

    int DoLogicX(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int Width, int HeightArg,
                 int EnclosingHeight, int& ScrollWidth, int& PosCounter);

    int CellHeight = 0;
};
// A block cell is made for every box: the heap's 96-byte class.
static_assert(sizeof(TBlockCell) <= 96);

// A picture whose painting waits until every section of the document is
// painted, so that no later box's background covers it (floats).
struct TImageRec {
    TImageObj* Image;
    TCanvas* Canvas;
    int X, TopY, BaselineY;
    TFontObj* FontRun;  // the font run of the image's line
};

class TDrawList {
public:
    void AddImage(TImageObj* Obj, TCanvas* Canvas, int X, int TopY, int BaselineY, TFontObj* FO);
    // Paints the pictures in the order they were added; a picture that fails
    // to paint is passed over.
    void DrawImages();
    void Clear() { FRecords.clear(); }
    int Count() const { return static_cast<int>(FRecords.size()); }

private:
    std::vector<TImageRec> FRecords;
};
