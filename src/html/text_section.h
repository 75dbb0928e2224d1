// Text sections: a run of wide characters with its font runs and objects,
// broken into lines inside the width the indent manager leaves, painted with
// selection, hit-tested, searched and copied. Layout measures only through the
// canvas's TTextMeasurer; each line costs work in proportion to its own length.
// Free of window headers (painting lives in text_section_draw.cpp).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "html/font_obj.h"
#include "html/form_controls.h"
#include "html/image_obj.h"
#include "html/layout_types.h"
#include "html/section_base.h"

class TCellBasic;
class TSectionList;
class TTextMeasurer;
struct TSectionBuild;

// One laid-out line. A paragraph has one at least and lines are held by
// value, so the record is kept to 48 bytes: its image height is the sum of
// its parts, and the state of its inline borders rides in the low bits of
// their list's pointer.
class LineRec {
public:
    explicit LineRec(TSectionList* document);
    LineRec(LineRec&& other) noexcept;
    LineRec& operator=(LineRec&& other) noexcept;
    LineRec(const LineRec&) = delete;
    LineRec& operator=(const LineRec&) = delete;
    ~LineRec() {
        if (FBorders & ~kFlags) Clear();
    }
    void Clear();

    int Start = 0;  // index of the first character in the section's text
    int SpaceBefore = 0;
    int SpaceAfter = 0;
    int LineHeightPx = 0;
    int LineCharCount = 0;
    int Descent = 0;
    int LineIndent = 0;  // relative to the section's X
    int Spaces = 0;      // spaces stretched by full justification
    int Extra = 0;       // pixels spread over them
    int LayoutTop = 0;   // document Y of the line's top, set by layout

    int LineImageHeight() const { return SpaceBefore + LineHeightPx + SpaceAfter; }
    // The inline borders crossing the line (owned), once painting has looked.
    TFreeList* LineBorders() const { return reinterpret_cast<TFreeList*>(FBorders & ~kFlags); }
    // Before they are looked for: whether the document has inline borders at all.
    bool HasBorders() const { return (FBorders & kHas) != 0; }
    bool BordersBuilt() const { return (FBorders & kBuilt) != 0; }
    // Records what painting found; the line owns `borders`.
    void SetBorders(bool has, TFreeList* borders);

private:
    static constexpr uintptr_t kHas = 1, kBuilt = 2, kFlags = kHas | kBuilt;
    uintptr_t FBorders = 0;
};

// A run of consecutive source positions: character Pos came from source Index.
struct IndexObj {
    int Pos;
    int Index;
};

// The runs of a section's text, in order. Most sections have one, from the
// start of the text, which is kept in place: a section is made for every
// paragraph. Otherwise the place holds the address of a block (the count,
// then the runs) with its lowest bit set, so that read as a run it never
// starts at 0.
class TSourceIndexMap {
public:
    TSourceIndexMap() { SetBlock(nullptr); }
    TSourceIndexMap(const TSourceIndexMap&) = delete;
    TSourceIndexMap& operator=(const TSourceIndexMap&) = delete;
    ~TSourceIndexMap() { delete[] Block(); }

    const IndexObj* begin() const { return InPlace() ? &FOne : Block() ? Block() + 1 : nullptr; }
    const IndexObj* end() const { return begin() + size(); }
    size_t size() const { return InPlace() ? 1 : Block() ? static_cast<size_t>(Block()->Pos) : 0; }
    bool empty() const { return size() == 0; }
    const IndexObj& operator[](size_t i) const { return begin()[i]; }
    void clear() {
        delete[] Block();
        SetBlock(nullptr);
    }
    void assign(const IndexObj* first, const IndexObj* last) {
        clear();
        const size_t n = static_cast<size_t>(last - first);
        if (n == 1 && first->Pos == 0) {
            FOne = *first;
        } else if (n > 0) {
            auto* block = new IndexObj[n + 1];
            block[0] = {static_cast<int>(n), 0};
            std::copy(first, last, block + 1);
            SetBlock(block);
        }
    }

private:
    static_assert(std::endian::native == std::endian::little && offsetof(IndexObj, Pos) == 0 &&
                  sizeof(uintptr_t) <= sizeof(IndexObj) && alignof(IndexObj) >= 2);
    bool InPlace() const { return FOne.Pos == 0; }
    IndexObj* Block() const {
        if (InPlace()) return nullptr;
        uintptr_t address = 0;
        std::memcpy(&address, &FOne, sizeof address);
        return reinterpret_cast<IndexObj*>(address & ~uintptr_t{1});
    }
    void SetBlock(IndexObj* block) {
        FOne = {};
        const uintptr_t address = reinterpret_cast<uintptr_t>(block) | 1;
        std::memcpy(&FOne, &address, sizeof address);
    }

    alignas(uintptr_t) IndexObj FOne;
};

// The lines of a section in place, in 16 bytes where a std::vector takes 24:
// a section is made for every paragraph.
class TLineList {
public:
    TLineList() = default;
    TLineList(const TLineList&) = delete;
    TLineList& operator=(const TLineList&) = delete;
    ~TLineList();

    LineRec* begin() { return FItems; }
    LineRec* end() { return FItems + FCount; }
    const LineRec* begin() const { return FItems; }
    const LineRec* end() const { return FItems + FCount; }
    size_t size() const { return FCount; }
    bool empty() const { return FCount == 0; }
    LineRec& operator[](size_t i) { return FItems[i]; }
    const LineRec& operator[](size_t i) const { return FItems[i]; }
    LineRec& front() { return FItems[0]; }
    const LineRec& front() const { return FItems[0]; }
    LineRec& back() { return FItems[FCount - 1]; }
    const LineRec& back() const { return FItems[FCount - 1]; }
    // Keeps the room for the next layout.
    void clear();
    LineRec& push_back(LineRec&& line);
    LineRec& emplace_back(TSectionList* document) {
        if (FCount == FCapacity) Grow();
        return *new (FItems + FCount++) LineRec(document);
    }

private:
    void Grow();

    LineRec* FItems = nullptr;
    uint32_t FCount = 0;
    uint32_t FCapacity = 0;
};

// The images, panels and form controls of a section and the places of its
// object characters. Most sections have none, and a section is made for
// every paragraph, so they are made on first need.
class TSectionObjects {
public:
    TSectionObjects() = default;
    TSectionObjects(TSectionList* document, const TSectionObjects& source);

    int Count() const { return FPart ? FPart->Images.Count() : 0; }
    TFloatingObj* Obj(int index) const { return List().Obj(index); }
    int Add(TFloatingObj* object) { return Part().Images.Add(object); }
    TFloatingObj* FindImage(int posn) const { return List().FindImage(posn); }
    bool PtInImage(int X, int Y, int& hitX, int& hitY, int& posn, bool& map, bool& upperMap, TMapItem*& mapItem,
                   TImageObj*& imageObj) const {
        return List().PtInImage(X, Y, hitX, hitY, posn, map, upperMap, mapItem, imageObj);
    }
    bool PtInObject(int X, int Y, TObject*& obj, int& hitX, int& hitY) const {
        return List().PtInObject(X, Y, obj, hitX, hitY);
    }
    // Positions of the characters 2, 4 and 8 in the text, in order; null
    // when there are none.
    const std::vector<int>* Positions() const { return FPart ? &FPart->Positions : nullptr; }
    void SetPositions(std::vector<int> positions);
    // The controls of the text, in text order; their forms own them.
    const TFormControlList& Controls() const { return FPart ? FPart->Controls : kNoControls; }
    bool HasControls() const { return FPart && !FPart->Controls.Items.empty(); }
    void AddControl(TFormControlObj* control) { Part().Controls.Add(control); }
    void ForgetControls() {
        if (FPart) FPart->Controls.Items.clear();
    }

private:
    struct TPart {
        TPart() = default;
        TPart(TSectionList* document, const TPart& source)
            : Images(document, source.Images), Positions(source.Positions), Controls(source.Controls) {}
        TImageObjList Images;
        std::vector<int> Positions;
        TFormControlList Controls;
    };
    const TImageObjList& List() const;
    TPart& Part();

    static inline const TFormControlList kNoControls;
    std::unique_ptr<TPart> FPart;
};

class TSection : public TSectionBase {
public:
    // An empty section; the reader's constructor (below) and tests add the runs.
    explicit TSection(TSectionList* document);
    // The reader's section: first run from the properties (a link run when
    // the target has a URL), line height, first-line indent, clear and
    // alignment.
    TSection(TSectionList* document, TAttributeList* L, TProperties& prop, const TUrlTarget* linkTarget,
             TCellBasic* cell, bool firstItem);
    TSection(TSectionList* document, const TSection& source);
    ~TSection() override;

    TSectionList* Document() const;
    TSection* AsText() override { return this; }

    // Building (the reader).
    virtual void AddChar(wchar_t ch, int index);
    virtual void AddTokenObj(TokenObj& token);
    virtual void ProcessText();
    // Preformatted text keeps its spaces and breaks only where it says.
    virtual bool Preformatted() const { return false; }
    void Finish();
    // Appends text with one source position per unit (from sourcePos on);
    // `noBreak`: inside a no-break element.
    void AddText(std::wstring_view text, int sourcePos, bool noBreak = false);
    // The same with each unit's own source position.
    void AddText(std::wstring_view text, const int* positions, bool noBreak);
    // The run at the end of the text takes this font (a new run when the
    // last one already holds text).
    // screenId: the screen measurer's id for `font`, when known.
    TFontObj* SetRunFont(TFontDesc font, TColor color, TColor back, TFontId screenId = -1);
    void ChangeFont(TProperties& prop);
    // A link starts (target has a URL) or ends at the end of the text.
    void HRef(bool start, const TUrlTarget& target, const TLinkFonts& linkFonts);
    void CheckFree();
    // An image or panel at the end of the text (character 4).
    TImageObj* AddImage(TAttributeList* L, TCellBasic* cell, int index);
    TPanelObj* AddPanel(TAttributeList* L, TCellBasic* cell, int index);
    // An INPUT, SELECT or TEXTAREA at the end of the text (character 2;
    // an image button is an image, a hidden input takes no character).
    TFormControlObj* AddFormControl(Symb which, TAttributeList* L, TCellBasic* cell, int index, TProperties& prop);

    // TSectionBase
    TSectionBase* CreateClone(TSectionDocument* document) const override;
    void CopyToClipboard() override;
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override;
    int Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
              int OriginY) override;
    // Hit tests, caret and cursor positions are in document coordinates (the
    // X and Y of layout, no scrolling); a line is hit from its top down to,
    // not including, its bottom.
    guResultType GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut, TImageFormControlObj*& ControlOut,
                        std::string& TitleOut) override;
    int FindCursor(TCanvas* Canvas, int X, int Y, int& CaretX, int& CaretY, int& CaretHeight,
                   bool& InsideText) override;
    int FindString(int from, const std::wstring& SearchText, bool CaseSensitive) override;
    int FindStringR(int from, const std::wstring& SearchText, bool CaseSensitive) override;
    int FindSourcePos(int DocPos) override;
    int FindDocPos(int SourcePos, bool Prev) override;
    bool CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y) override;
    bool PtInObject(int X, int Y, TObject*& Obj, int& HitX, int& HitY) override;
    bool GetChAtPos(int Pos, wchar_t& Ch, TObject*& Obj) override;
    void MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) override;

    // Measuring.
    int FindTextWidth(TCanvas* Canvas, int Start, int Count, bool RemoveSpaces);
    int FindCountThatFits(TCanvas* Canvas, int Width, int Count, int Start);
    // Per-character advances of a laid-out line, full justification included:
    // the one arithmetic that painting and hit tests share.
    void LineAdvances(TTextMeasurer& measurer, const LineRec& line, std::vector<int>& out);
    void CheckForInlines(LineRec& line);

    // The controls of the text, in text order; their forms own them.
    const TFormControlList& SectionControls() const { return Images.Controls(); }
    // Text added and not yet finished.
    bool HasUnfinishedText() const;
    // May a line break next to character k ('y') or not ('n')? One flag per
    // character of a finished section, plus one 'y' after its text.
    char BreakFlag(int k) const { return FBreakFlags ? FBreakFlags[k] : 'y'; }
    std::string LineBreakFlags() const;  // all of them

    // Ordered so that no field leaves a gap: the alignment, the clear side,
    // the flags, the indent percentage and the layout cycle fill the room the
    // base leaves at its end. A section is made for every paragraph, so what
    // only building needs (the source position of each character) is kept by
    // the builder, not here.
    JustifyType Justify : 3 = Left;
    ClearAttrType ClearSide : 2 = clrNone;
    bool NoBreak : 1 = false;  // set by the reader inside a no-break element: its text may not wrap

protected:
    bool FNamed : 1 = false;     // entered in the document's ID list
    bool FBuilding : 1 = false;  // has source positions with the builder

public:
    uint8_t IndentPercent = 0;  // of the width, at most 90; 0 when the indent is in pixels
    // The document's layout cycle when the section last reported progress,
    // kept to 16 bits: a cycle 65,536 layouts later only costs one report.
    uint16_t LastLayoutCycle = 0;
    int TextSectionIndex = 0;
    int LeadIndent = 0;  // of the first line, in pixels
    std::wstring SectionText;

protected:
    std::unique_ptr<char[]> FBreakFlags;  // null when every flag is 'y', as in most text

public:
    TFontList Fonts;
    TSectionObjects Images;
    TSourceIndexMap SourceIndexMap;
    TLineList Lines;
    int LineHeight = -1;  // negative: normal
    int PaintLeftX = 0;
    int WidthAvailable = 0;
    int MinWidthCache = 0;
    int MaxWidthCache = 0;
    int LayoutX = 0;  // the X of the last layout
    // Controls ControlLineSpace has looked at, over all sections on this
    // thread, for tests of its cost.
    static inline thread_local int64_t ControlsVisited = 0;

protected:
    // Appends the text and its break flags; the caller adds the source
    // positions to those returned.
    std::vector<int>& AppendText(std::wstring_view text, bool noBreak);
    // The positions and flags of the text being built, made on first need.
    TSectionBuild& Build();
    // Index of the run covering position `pos`.
    int RunIndexAt(int pos) const;
    // Next position at or after `pos` holding an object or a break, or the text's length.
    int NextObjectAt(int pos) const;
    bool IsBreakPoint(int k) const;  // may a line end before character k?
    int Width(TTextMeasurer& m, int start, int end);
    // Fits characters from `start` into `width`, stopping at a forced break
    // or `limit`; reads only what fits.
    int FitFrom(TTextMeasurer& m, int start, int limit, int width, int& usedWidth);
    // What fits of the first line without measuring: everything before the
    // first forced break, when the widest character of every font there fits
    // that many times into `width`; -1 when the text must be measured.
    int FitsUnmeasured(TTextMeasurer& m, int width);
    void FinishLine(TTextMeasurer& m, LineRec& line, int& y, int x, IndentManager& indents, bool firstLine,
                    bool lastLine);
    int LineIndex(int y) const;  // the line under document Y, or -1
    // The inline (not floating) object at k, or null.
    TFloatingObj* InlineObjectAt(int k) const;
    // Width an object character takes in a line: an inline object's box and
    // spacing, 0 for a float or any other character.
    int ObjectWidth(int k) const;
    // Lays out every object for the width; the widest inline box.
    int LayoutObjects(TCanvas* Canvas, int width, int height);
    void DrawFloats(TCanvas* Canvas, const TRect& ARect, int X);
    // Form controls (form_section.cpp): the width a control character takes
    // with its spacing, 0 for any other; percentage widths for `width` (the
    // widest control); the least width the controls need; positions after
    // white space went; a line's room for its controls (its document Y);
    // placing or printing the control of character k.
    int ControlWidth(int k) const;
    int LayoutControls(int width);
    int ControlsMinWidth() const;
    void RemapControls(const std::vector<int>& newIndex);
    void ControlLineSpace(LineRec& line, int start, int end, int y);
    void DrawControl(TCanvas* Canvas, int k, int x, const LineRec& line);
    // A section dropped from a document frees its controls (not a copy's).
    void FreeControls();
};

// Every 16 bytes a section sheds is a size class of the heap less per paragraph.
static_assert(sizeof(TSection) <= 192);
static_assert(sizeof(LineRec) <= 48);

// Preformatted text: no white-space collapsing, no wrapping.
class TPreFormated : public TSection {
public:
    using TSection::TSection;
    TSectionBase* CreateClone(TSectionDocument* document) const override;
    void ProcessText() override;
    bool Preformatted() const override { return true; }
    void MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) override;
    int DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                  int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) override;
};
