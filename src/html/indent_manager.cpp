#include "html/indent_manager.h"

#include <algorithm>

void IndentManagerBasic::Clear() {
    LeftList.Clear();
    RightList.Clear();
    FLeft = TSideIndex(true);
    FRight = TSideIndex(false);
    CurrentOwner = nullptr;
}

void IndentManagerBasic::Reset(int lf, int rt) {
    LeftEdge = lf;
    RightEdge = rt;
    CurrentOwner = nullptr;
}

void IndentManagerBasic::TFloatTree::Add(int top, int bottom, int x) {
    if (bottom <= top) return;  // over no Y at all
    if (FNodes.empty()) {
        FNodes.resize(2);  // node 0 stands for none
        FRoot = 1;
        FLow = top;
        FSpan = 1;
    }
    // A new root above the old one, which becomes its upper or lower half.
    while (top < FLow || FLow + FSpan < bottom) {
        const bool below = top < FLow;
        const auto root = static_cast<int32_t>(FNodes.size());
        FNodes.emplace_back();
        FNodes.back().Child[below ? 1 : 0] = FRoot;
        FRoot = root;
        if (below) FLow -= FSpan;
        FSpan *= 2;
    }
    Give(FRoot, FLow, FSpan, top, bottom, x);
}

void IndentManagerBasic::TFloatTree::Give(int32_t node, int64_t low, int64_t span, int top, int bottom, int x) {
    if (top <= low && low + span <= bottom) {
        TNode& n = FNodes[static_cast<size_t>(node)];
        if (n.Bottom == kNone || (FGreatest ? x > n.X : x < n.X)) n.X = x;
        if (n.Bottom == kNone || bottom < n.Bottom) n.Bottom = bottom;
        return;
    }
    const int64_t half = span / 2;
    for (int side = 0; side < 2; ++side) {
        const int64_t childLow = low + side * half;
        if (bottom <= childLow || childLow + half <= top) continue;
        int32_t child = FNodes[static_cast<size_t>(node)].Child[side];
        if (child == 0) {
            child = static_cast<int32_t>(FNodes.size());
            FNodes.emplace_back();  // may move the nodes: only indexes are held
            FNodes[static_cast<size_t>(node)].Child[side] = child;
        }
        Give(child, childLow, half, top, bottom, x);
    }
}

bool IndentManagerBasic::TFloatTree::Over(int Y, int& x, int& bottom, int64_t& visited) const {
    bool found = false;
    if (FNodes.empty() || Y < FLow || FLow + FSpan <= Y) return false;
    int64_t low = FLow, span = FSpan;
    for (int32_t node = FRoot;;) {
        const TNode& n = FNodes[static_cast<size_t>(node)];
        if (n.Bottom != kNone) {
            ++visited;
            if (!found || (FGreatest ? n.X > x : n.X < x)) x = n.X;
            if (!found || n.Bottom < bottom) bottom = n.Bottom;
            found = true;
        }
        span /= 2;
        const int side = Y >= low + span ? 1 : 0;
        low += side * span;
        node = n.Child[side];
        if (node == 0) return found;
    }
}

// Whether a record was found is kept apart from the best X, so any X counts
// (no value stands for "none"). The result does not depend on the order in
// which the records are seen.
bool IndentManagerBasic::Limit(const TSideIndex& index, int Y, bool greatest, int& best) const {
    bool found = false;
    auto consider = [&](int x) {
        if (!found || (greatest ? x > best : x < best)) best = x;
        found = true;
    };
    for (const IndentRec* r : index.Owned) {
        ++RecordsVisited;
        if (r->TopY <= Y && Y < r->BottomY && (!r->Owner || r->Owner == CurrentOwner)) consider(r->X);
    }
    int x = 0, bottom = 0;
    if (index.Floats.Over(Y, x, bottom, RecordsVisited)) consider(x);
    return found;
}

int IndentManagerBasic::LeftIndent(int Y) const {
    int best = 0;
    Limit(FLeft, Y, true, best);
    return SaturateY(int64_t{best} + LeftEdge);
}

int IndentManagerBasic::RightSide(int Y) const {
    int best = 0;
    return Limit(FRight, Y, false, best) ? SaturateY(int64_t{best} + LeftEdge) : RightEdge;
}

// The bottoms below are those of float records only: an owned record lasts
// until it is freed and has no bottom to speak of.
int IndentManagerBasic::ImageBottom() const {
    int bottom = 0;
    for (const TSideIndex* index : {&FLeft, &FRight})
        if (index->AnyFloat) bottom = std::max(bottom, index->MaxBottom);
    return bottom;
}

void IndentManagerBasic::GetClearY(int& CL, int& CR) const {
    // Float bottoms are saturated, so one more stays in range.
    CL = FLeft.AnyFloat ? FLeft.MaxBottom + 1 : 0;
    CR = FRight.AnyFloat ? FRight.MaxBottom + 1 : 0;
}

// The least bottom of the floats over Y (each below Y), or Y.
int IndentManagerBasic::NextFloatEnd(const TSideIndex& index, int Y) const {
    int x = 0, bottom = 0;
    return index.Floats.Over(Y, x, bottom, RecordsVisited) ? bottom : Y;
}

int IndentManagerBasic::GetNextWiderY(int Y) const {
    const int L = NextFloatEnd(FLeft, Y);
    const int R = NextFloatEnd(FRight, Y);
    if (L == Y) return R;
    if (R == Y) return L;
    return L < R ? L : R;
}

IndentRef IndentManagerBasic::AddOwned(TSide side, int X, int Y) {
    auto* r = new IndentRec;
    r->X = X;
    r->TopY = Y;
    r->BottomY = OpenBottomY;
    r->Owner = CurrentOwner;
    r->Serial = FNextSerial++;
    List(side).Add(r);
    Index(side).Owned.push_back(r);
    return {r, r->Serial};
}

IndentRef IndentManagerBasic::SetLeftIndent(int XLeft, int Y) { return AddOwned(LeftSide, XLeft, Y); }
IndentRef IndentManagerBasic::SetRightIndent(int XRight, int Y) { return AddOwned(RightSideOf, XRight, Y); }

// Records are freed in nested pairs, so the one sought is normally the last
// owned one, and in the list at the end or just before the floats its layout
// added.
void IndentManagerBasic::FreeRec(TSide side, IndentRef ref) {
    if (!ref.Rec) return;
    auto& owned = Index(side).Owned;
    for (size_t i = owned.size(); i-- > 0;)
        if (owned[i] == ref.Rec && owned[i]->Serial == ref.Serial) {
            owned.erase(owned.begin() + static_cast<ptrdiff_t>(i));
            TFreeList& list = List(side);
            for (int k = list.Count() - 1; k >= 0; --k)
                if (list.Items(k) == ref.Rec) {
                    list.Delete(k);
                    break;
                }
            return;
        }
}

void IndentManagerBasic::FreeLeftIndentRec(IndentRef ref) { FreeRec(LeftSide, ref); }
void IndentManagerBasic::FreeRightIndentRec(IndentRef ref) { FreeRec(RightSideOf, ref); }

void IndentManagerBasic::AddFloat(TSide side, int X, int Y, int height, bool isFloat) {
    auto* r = new IndentRec;
    r->X = X;
    r->TopY = Y;
    r->BottomY = SaturateY(int64_t{Y} + height);
    r->IsFloat = isFloat;
    r->Serial = FNextSerial++;
    List(side).Add(r);
    TSideIndex& index = Index(side);
    index.Floats.Add(r->TopY, r->BottomY, X);
    index.MaxBottom = index.AnyFloat ? std::max(index.MaxBottom, r->BottomY) : r->BottomY;
    index.AnyFloat = true;
}

void IndentManagerBasic::UpdateTable(int Y, int IW, int IH, JustifyType justify) {
    if (justify == Left)
        AddFloat(LeftSide, SaturateY(int64_t{IW} - LeftEdge), Y, IH, false);
    else if (justify == Right)
        AddFloat(RightSideOf, SaturateY(int64_t{RightSide(Y)} - LeftEdge - IW), Y, IH, false);
}

bool IndentManager::PlaceFloat(int Y, AlignmentType align, int width, int height, int spaceLeft, int spaceRight,
                               int spaceTop, int spaceBottom, int& floatX) {
    const int64_t W = int64_t{width} + spaceLeft + spaceRight;
    const int H = SaturateY(int64_t{height} + spaceTop + spaceBottom);
    if (align == ALeft) {
        const int64_t L = int64_t{LeftIndent(Y)} - LeftEdge;
        floatX = SaturateY(L + spaceLeft);
        AddFloat(LeftSide, SaturateY(L + W), Y, H, false);
        return true;
    }
    if (align == ARight) {
        const int X = SaturateY(int64_t{RightSide(Y)} - LeftEdge - W);
        floatX = SaturateY(int64_t{X} + spaceLeft);
        AddFloat(RightSideOf, X, Y, H, false);
        return true;
    }
    return false;
}

void IndentManager::UpdateBlock(int Y, int IW, int IH, AlignmentType align) {
    if (align == ALeft)
        AddFloat(LeftSide, SaturateY(int64_t{IW} - LeftEdge), Y, IH, true);
    else if (align == ARight)
        AddFloat(RightSideOf, SaturateY(int64_t{RightSide(Y)} - LeftEdge - IW), Y, IH, true);
}

TIndentScope::TIndentScope(IndentManagerBasic& manager, TObject* owner)
    : FManager(manager), FSavedOwner(manager.CurrentOwner) {
    manager.CurrentOwner = owner;
}

TIndentScope::~TIndentScope() {
    for (auto it = FRight.rbegin(); it != FRight.rend(); ++it) FManager.FreeRightIndentRec(*it);
    for (auto it = FLeft.rbegin(); it != FLeft.rend(); ++it) FManager.FreeLeftIndentRec(*it);
    FManager.CurrentOwner = FSavedOwner;
}

void TIndentScope::SetLeft(int XLeft, int Y) { FLeft.push_back(FManager.SetLeftIndent(XLeft, Y)); }
void TIndentScope::SetRight(int XRight, int Y) { FRight.push_back(FManager.SetRightIndent(XRight, Y)); }
