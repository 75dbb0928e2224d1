// How far the usable space of a cell reaches in from the left and from the
// right at any Y, made of indent records that floats, blocks and cells add
// while their cell is laid out. Free of window headers.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "html/html_types.h"
#include "html/layout_types.h"
#include "html/style_props.h"

// From TopY down to (not including) BottomY, the usable space on this side
// ends at X (relative to the cell's left edge).
class IndentRec : public TObject {
public:
    int X = 0;
    int TopY = 0;
    int BottomY = 0;
    TObject* Owner = nullptr;  // null for a float: seen by every owner
    bool IsFloat = false;      // made for a floated block
    uint64_t Serial = 0;       // tells a live record from a freed one at the same address
};

// Names one record while it lives; once the record is gone (freed, or the
// lists cleared) freeing it again does nothing.
struct IndentRef {
    IndentRec* Rec = nullptr;
    uint64_t Serial = 0;
};

// A record's BottomY when it lasts until it is freed.
constexpr int OpenBottomY = INT_MAX;

class IndentManagerBasic : public TObject {
public:
    IndentManagerBasic() = default;

    void Clear();
    // LeftEdge := lf, RightEdge := rt, no current owner; the records stay.
    void Reset(int lf, int rt);

    // The queries look at the owned records (a pair per nesting level) and at
    // the floats that can reach Y, found from an index of the floats by top;
    // floats stacked down a long page therefore cost little per query. Where
    // many floats reach Y (side by side, or from one top with many heights),
    // a tree of the floats by their span of Y answers instead, in steps of
    // its depth: no page costs a query more than a few dozen steps.
    int LeftIndent(int Y) const;
    int RightSide(int Y) const;
    // RightSide, but `right` where no record visible at Y limits it: a block
    // narrower than its cell has its own right edge.
    int RightSideWithin(int Y, int right) const;
    // The lowest bottom of all float records, 0 without any.
    int ImageBottom() const;
    // One below the lowest bottom of the left floats and of the right floats
    // (0 for a side without any).
    void GetClearY(int& CL, int& CR) const;
    // The next Y below Y at which a float beside Y ends (Y when none does).
    int GetNextWiderY(int Y) const;
    // Whether a float takes room from the current owner's own space at Y:
    // only then can a line that does not fit there gain room further down.
    bool FloatsNarrow(int Y) const;
    // The least top the next float may have: a float never stands above one
    // placed before it. A floated block keeps the floats inside it out of
    // this (they are its own), see TBlock::DrawLogic.
    int NextFloatTop = INT_MIN;

    // A record owned by CurrentOwner from Y down, until freed.
    IndentRef SetLeftIndent(int XLeft, int Y);
    IndentRef SetRightIndent(int XRight, int Y);
    // Frees the record it names, wherever it now stands in its list.
    void FreeLeftIndentRec(IndentRef ref);
    void FreeRightIndentRec(IndentRef ref);
    // A float record for a table aligned left or right.
    void UpdateTable(int Y, int IW, int IH, JustifyType justify);

    int LeftCount() const { return LeftList.Count(); }
    int RightCount() const { return RightList.Count(); }
    IndentRec* LeftRec(int i) const { return static_cast<IndentRec*>(LeftList.Items(i)); }
    IndentRec* RightRec(int i) const { return static_cast<IndentRec*>(RightList.Items(i)); }

    int CellWidth = 0;      // content width of the cell being laid out
    int DrawClipWidth = 0;  // clip width of the cell's last paint
    TObject* CurrentOwner = nullptr;
    int LeftEdge = 0;   // 0 during layout, the cell's X while painting
    int RightEdge = 0;  // the cell's width during layout, LeftEdge + CellWidth while painting

    // Owned records, floats, and nodes of the float trees that hold floats,
    // the edge queries have looked at, for tests of their cost.
    mutable int64_t RecordsVisited = 0;

protected:
    enum TSide { LeftSide, RightSideOf };
    void AddFloat(TSide side, int X, int Y, int height, bool isFloat);

    TFreeList LeftList;  // own the records, in the order they were added
    TFreeList RightList;

private:
    // The floats of one side over Y: each node of the tree stands for a span
    // of Y, halved at each level down to single values; a float is given to
    // the fewest nodes whose spans make up its own, and a node keeps the best
    // X and the least bottom of the floats given to it. The floats over Y are
    // those given to the nodes on Y's path from the root. The root's span
    // doubles as floats reach out of it, so the depth follows the page.
    class TFloatTree {
    public:
        explicit TFloatTree(bool greatest) : FGreatest(greatest) {}
        bool Empty() const { return FNodes.empty(); }
        // No floats; the nodes' room is kept for the next layout.
        void Clear() { FNodes.clear(); }
        void Add(int top, int bottom, int x);
        // The best X and the least bottom of the floats over Y; false without
        // any. Counts the nodes with floats it looked at in `visited`.
        bool Over(int Y, int& x, int& bottom, int64_t& visited) const;

    private:
        static constexpr int kNone = INT_MIN;  // a node without floats; no float ends there
        struct TNode {
            int32_t Child[2] = {0, 0};  // 0: none (node 0 is never used)
            int X = 0;
            int Bottom = kNone;
        };
        void Give(int32_t node, int64_t low, int64_t span, int top, int bottom, int x);
        std::vector<TNode> FNodes;
        int32_t FRoot = 0;
        int64_t FLow = 0;  // the root's span, with any node
        int64_t FSpan = 0;
        bool FGreatest;
    };

    // How the queries find a side's records without walking the whole list.
    struct TSideIndex {
        explicit TSideIndex(bool greatest) : Tree(greatest) {}
        void Clear();
        std::vector<IndentRec*> Owned;   // records of SetLeftIndent/SetRightIndent
        std::vector<IndentRec*> Floats;  // float records by TopY
        std::vector<int> MaxBottom;      // greatest BottomY of Floats[0..i]
        // Every float, once a walk back over Floats went on too long; until
        // then empty, and normal pages never need it.
        mutable TFloatTree Tree;
    };

    // Whether the walk back from floats[i] would go on past a few floats.
    static bool LongWalk(const TSideIndex& index, size_t i, int Y);
    // The floats over Y from the tree, made first when it is not yet: false
    // without any, else the best X and the least bottom.
    bool FromTree(const TSideIndex& index, int Y, int& x, int& bottom) const;
    bool LimitFromTree(const TSideIndex& index, int Y, bool greatest, bool found, int& best) const;
    IndentRef AddOwned(TSide side, int X, int Y);
    void FreeRec(TSide side, IndentRef ref);
    TFreeList& List(TSide side) { return side == LeftSide ? LeftList : RightList; }
    TSideIndex& Index(TSide side) { return side == LeftSide ? FLeft : FRight; }
    // The greatest (left) or least (right) X of the visible records at Y.
    bool Limit(const TSideIndex& index, int Y, bool greatest, int& best) const;
    bool OwnedLimit(const TSideIndex& index, int Y, bool greatest, int& best) const;
    int NextFloatEnd(const TSideIndex& index, int Y) const;

    TSideIndex FLeft{true};
    TSideIndex FRight{false};
    uint64_t FNextSerial = 1;
};

class IndentManager : public IndentManagerBasic {
public:
    // The float record of a left- or right-floating object placed at Y; sets
    // the object's FloatX. Takes any object with the box fields of a floating
    // image or panel (Placement, BoxWidth, BoxHeight, the four spacings, FloatX).
    template <class TFloating>
    void Update(int Y, TFloating* floatingObj) {
        if (!floatingObj) return;
        int floatX;
        if (PlaceFloat(Y, floatingObj->Placement, floatingObj->BoxWidth, floatingObj->BoxHeight,
                       floatingObj->SpaceLeft, floatingObj->SpaceRight, floatingObj->SpaceTop,
                       floatingObj->SpaceBottom, floatX))
            floatingObj->FloatX = floatX;
    }
    // The work of Update: false (and no record) unless align is ALeft or ARight.
    bool PlaceFloat(int Y, AlignmentType align, int width, int height, int spaceLeft, int spaceRight,
                    int spaceTop, int spaceBottom, int& floatX);
    // The float record of a floated block: for ALeft IW is the block's right
    // outer edge, for ARight its full outer width.
    void UpdateBlock(int Y, int IW, int IH, AlignmentType align);
};

// The indents of one cell's or block's layout: makes its owner current and
// gives back, however the layout ends, the records it set and the owner that
// was current before.
class TIndentScope {
public:
    TIndentScope(IndentManagerBasic& manager, TObject* owner);
    ~TIndentScope();
    TIndentScope(const TIndentScope&) = delete;
    TIndentScope& operator=(const TIndentScope&) = delete;

    void SetLeft(int XLeft, int Y);
    void SetRight(int XRight, int Y);

private:
    IndentManagerBasic& FManager;
    TObject* FSavedOwner;
    std::vector<IndentRef> FLeft;
    std::vector<IndentRef> FRight;
};
