#include "html/indent_manager.h"

#include <algorithm>

void IndentManagerBasic::Clear() {
    LeftList.Clear();
    RightList.Clear();
    FLeft.Clear();
    FRight.Clear();
    CurrentOwner = nullptr;
    NextFloatTop = INT_MIN;
}

void IndentManagerBasic::Reset(int lf, int rt) {
    LeftEdge = lf;
    RightEdge = rt;
    CurrentOwner = nullptr;
}

void IndentManagerBasic::TSideIndex::Clear() {
    Owned.clear();
    Floats.clear();
    MaxBottom.clear();
    Tree.Clear();
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

// Floats with TopY <= Y are walked back from the last; once no float up to
// there reaches below Y, none before it does either. That stops at once for
// floats down a page, but not where many reach Y: a walk that would go on
// past kLongWalk floats asks the tree instead, made then of every float and
// kept with them from there on. MaxBottom never falls along the floats, so
// the walk from i would pass kLongWalk floats exactly when the one that many
// before i still reaches below Y.
namespace {
constexpr size_t kLongWalk = 16;
}  // namespace

inline bool IndentManagerBasic::LongWalk(const TSideIndex& index, size_t i, int Y) {
    return i > kLongWalk && index.MaxBottom[i - 1 - kLongWalk] > Y;
}

bool IndentManagerBasic::FromTree(const TSideIndex& index, int Y, int& x, int& bottom) const {
    if (index.Tree.Empty())
        for (const IndentRec* f : index.Floats) index.Tree.Add(f->TopY, f->BottomY, f->X);
    return index.Tree.Over(Y, x, bottom, RecordsVisited);
}

// Whether a record was found is kept apart from the best X, so any X counts
// (no value stands for "none"). The result does not depend on the order in
// which the records are seen, nor on how often one is.
bool IndentManagerBasic::Limit(const TSideIndex& index, int Y, bool greatest, int& best) const {
    bool found = false;
    auto consider = [&](const IndentRec* r) {
        ++RecordsVisited;
        if (r->TopY <= Y && Y < r->BottomY && (!found || (greatest ? r->X > best : r->X < best)) &&
            (!r->Owner || r->Owner == CurrentOwner)) {
            best = r->X;
            found = true;
        }
    };
    for (const IndentRec* r : index.Owned) consider(r);
    const auto& floats = index.Floats;
    size_t i = static_cast<size_t>(
        std::upper_bound(floats.begin(), floats.end(), Y, [](int y, const IndentRec* r) { return y < r->TopY; }) -
        floats.begin());
    if (i > 0 && index.MaxBottom[i - 1] > Y) {
        if (LongWalk(index, i, Y)) return LimitFromTree(index, Y, greatest, found, best);
        do consider(floats[--i]);
        while (i > 0 && index.MaxBottom[i - 1] > Y);
    }
    return found;
}

// The tree's part of Limit, apart so that the walk's usual path stays lean.
[[gnu::noinline]] bool IndentManagerBasic::LimitFromTree(const TSideIndex& index, int Y, bool greatest, bool found,
                                                         int& best) const {
    int x = 0, bottom = 0;
    if (FromTree(index, Y, x, bottom) && (!found || (greatest ? x > best : x < best))) {
        best = x;
        found = true;
    }
    return found;
}

bool IndentManagerBasic::OwnedLimit(const TSideIndex& index, int Y, bool greatest, int& best) const {
    bool found = false;
    for (const IndentRec* r : index.Owned) {
        ++RecordsVisited;
        if (r->TopY <= Y && Y < r->BottomY && (!found || (greatest ? r->X > best : r->X < best)) &&
            r->Owner == CurrentOwner) {
            best = r->X;
            found = true;
        }
    }
    return found;
}

bool IndentManagerBasic::FloatsNarrow(int Y) const {
    int own = 0;
    OwnedLimit(FLeft, Y, true, own);
    if (LeftIndent(Y) > SaturateY(int64_t{own} + LeftEdge)) return true;
    const int ownRight = OwnedLimit(FRight, Y, false, own) ? SaturateY(int64_t{own} + LeftEdge) : RightEdge;
    return RightSide(Y) < ownRight;
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

int IndentManagerBasic::RightSideWithin(int Y, int right) const {
    int best = 0;
    return Limit(FRight, Y, false, best) ? std::min(right, SaturateY(int64_t{best} + LeftEdge)) : right;
}

// The bottoms below are those of float records only: an owned record lasts
// until it is freed and has no bottom to speak of.
int IndentManagerBasic::ImageBottom() const {
    int bottom = 0;
    for (const TSideIndex* index : {&FLeft, &FRight})
        if (!index->MaxBottom.empty()) bottom = std::max(bottom, index->MaxBottom.back());
    return bottom;
}

void IndentManagerBasic::GetClearY(int& CL, int& CR) const {
    // Float bottoms are saturated, so one more stays in range.
    CL = FLeft.MaxBottom.empty() ? 0 : FLeft.MaxBottom.back() + 1;
    CR = FRight.MaxBottom.empty() ? 0 : FRight.MaxBottom.back() + 1;
}

// The smallest bottom below Y of the floats beside Y, or Y. Only those are
// looked at (found as the edge queries find them), so floats stacked down a
// long page cost little per call.
int IndentManagerBasic::NextFloatEnd(const TSideIndex& index, int Y) const {
    int next = Y;
    const auto& floats = index.Floats;
    size_t i = static_cast<size_t>(
        std::upper_bound(floats.begin(), floats.end(), Y, [](int y, const IndentRec* r) { return y < r->TopY; }) -
        floats.begin());
    if (LongWalk(index, i, Y)) {
        int x = 0, bottom = 0;
        return FromTree(index, Y, x, bottom) ? bottom : Y;
    }
    while (i > 0 && index.MaxBottom[i - 1] > Y) {
        const IndentRec* r = floats[--i];
        ++RecordsVisited;
        if (r->BottomY > Y && (next == Y || r->BottomY < next)) next = r->BottomY;
    }
    return next;
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
    NextFloatTop = std::max(NextFloatTop, Y);
    // Floats come down the page, so this is nearly always an append.
    TSideIndex& index = Index(side);
    size_t i = static_cast<size_t>(std::upper_bound(index.Floats.begin(), index.Floats.end(), Y,
                                                    [](int y, const IndentRec* f) { return y < f->TopY; }) -
                                   index.Floats.begin());
    index.Floats.insert(index.Floats.begin() + static_cast<ptrdiff_t>(i), r);
    index.MaxBottom.resize(index.Floats.size());
    for (; i < index.Floats.size(); ++i)
        index.MaxBottom[i] = std::max(i ? index.MaxBottom[i - 1] : index.Floats[i]->BottomY, index.Floats[i]->BottomY);
    if (!index.Tree.Empty()) index.Tree.Add(r->TopY, r->BottomY, r->X);
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
