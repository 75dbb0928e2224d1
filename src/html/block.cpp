#include "html/block.h"

#include <algorithm>
#include <climits>

#include "html/box_background.h"
#include "html/font_desc.h"
#include "html/horz_line.h"
#include "html/image_obj.h"
#include "html/indent_manager.h"
#include "html/section_list.h"
#include "html/sel_text.h"
#include "html/symbols.h"
#include "html/table_block.h"
#include "html/text_section.h"

namespace {


using enum PropIndices;

// One walk at a time runs through a document (the user-interface thread), so
// one counter serves layout, paint, queries and copies alike.
thread_local int gNestingDepth = 0;

// Blocks whose layout is under way; content widths are remembered only then,
// as the content cannot change in the middle of a layout.
thread_local int gLayoutsRunning = 0;

class TLayoutRunning {
public:
    TLayoutRunning() { ++gLayoutsRunning; }
    ~TLayoutRunning() { --gLayoutsRunning; }
    TLayoutRunning(const TLayoutRunning&) = delete;
    TLayoutRunning& operator=(const TLayoutRunning&) = delete;
};

// Cells whose blocks are being freed: a block handed to the teardown gives
// its cell here instead of freeing it, so freeing a deep tree never recurses.
thread_local std::vector<std::unique_ptr<TBlockCell>>* gPendingCells = nullptr;

// The block's content copied, or left empty past the nesting cap.
std::unique_ptr<TBlockCell> CopyCell(TSectionList* document, const TBlockCell& source) {
    TNestingGuard guard;
    if (guard.TooDeep()) {
        auto empty = std::make_unique<TBlockCell>(document);
        empty->SetOwnerTag(source.OwnerTag());
        return empty;
    }
    return std::make_unique<TBlockCell>(document, source);
}

// The first line's baseline goes to `target` while a list item lays out; the
// document is left pointing nowhere however the layout ends.
class TBaselineTarget {
public:
    TBaselineTarget(TSectionList* document, int* target) : FDocument(document) {
        if (FDocument) FDocument->FirstBaselineTarget = target;
    }
    ~TBaselineTarget() {
        if (FDocument) FDocument->FirstBaselineTarget = nullptr;
    }
    TBaselineTarget(const TBaselineTarget&) = delete;
    TBaselineTarget& operator=(const TBaselineTarget&) = delete;

private:
    TSectionList* FDocument;
};

}  // namespace

TNestingGuard::TNestingGuard() : FTooDeep(++gNestingDepth > MaxNestingDepth) {}
TNestingGuard::~TNestingGuard() { --gNestingDepth; }
int TNestingGuard::Depth() { return gNestingDepth; }

// ---- construction

TBlock::TBlock(TSectionList* OwnerDocument, TProperties& prop, TCellBasic* EnclosingCell,
               TAttributeList* attributes)
    : TSectionBase(OwnerDocument),
      ChildCell(std::make_unique<TBlockCell>(OwnerDocument)),
      EnclosingCell(EnclosingCell),
      RawBoxValues(prop.BoxSlots()),
      FTagAndClass(&kNoName) {
    ChildCell->OwnerBlock = this;
    const auto& sel = prop.Sel();
    std::string name;
    name.reserve(sel.Tag.size() + 1 + sel.Class.size());
    name.append(sel.Tag).append(1, '.').append(sel.Class);
    SetTagAndClass(name);
    // The cell's tag is the start of the box's name, which the document keeps.
    ChildCell->ShareOwnerTag(std::string_view(*FTagAndClass).substr(0, sel.Tag.size()));
    prop.GetResolvedFont();  // sets EmPixels and ExPixels
    EmBase = prop.EmPixels > 0 ? prop.EmPixels : 16;
    ExBase = prop.ExPixels > 0 ? prop.ExPixels : EmBase / 2;

    ClearAttrType clear;
    if (prop.GetClear(clear)) ClearSide = clear;
    AlignmentType side;
    if (prop.GetFloat(side) && (side == ALeft || side == ARight)) FloatSide = side;
    BorderStyle = prop.GetBorderStyle();
    NotDisplayed = prop.DisplayNone();
    if (!prop.Sel().Title.empty()) Rare().Title = std::make_unique<const std::string>(prop.Sel().Title);
    if (std::string image; prop.GetBackgroundImage(image) && !image.empty()) {
        PositionRec position{};
        prop.GetBackgroundPos(EmBase, ExBase, position);
        SetBackgroundImage(std::make_unique<TBoxBackground>(OwnerDocument, image, position));
    }
    Positioning = prop.GetPosition();
    Visibility = prop.GetVisibility();
    bool above = false, below = false, avoidInside = false;
    prop.GetPageBreaks(above, below, avoidInside);
    PageBreakAbove = above;
    PageBreakBelow = below;
    AvoidBreakInside = avoidInside;
    if (Positioning != posStatic) {
        ZIndex = static_cast<int>(std::clamp<int64_t>(int64_t{prop.GetZIndex()} * 10, INT_MIN / 2, INT_MAX / 2));
        if (Positioning == posAbsolute && ZIndex == 0) ZIndex = 1;
    }
    if (FloatSide != ANone && ZIndex == 0) ZIndex = 1;
    CollapseMargins();
    if (attributes && OwnerDocument && OwnerDocument->IDObjects) {
        const std::string id = attributes->GetID();
        if (!id.empty()) {
            OwnerDocument->IDObjects->AddObject(id, this);
            FHasID = true;
        }
    }
}

TBlock::TBlock(TSectionList* OwnerDocument, const TBlock& source)
    : TSectionBase(OwnerDocument, source),
      EmBase(source.EmBase),
      ChildCell(CopyCell(OwnerDocument, *source.ChildCell)),
      RawBoxValues(source.RawBoxValues),
      ExBase(source.ExBase),
      BorderStyle(source.BorderStyle),
      FloatSide(source.FloatSide),
      ClearSide(source.ClearSide),
      Positioning(source.Positioning),
      Visibility(source.Visibility),
      IsListBlock(source.IsListBlock),
      BottomIsAuto(source.BottomIsAuto),
      PageBreakAbove(source.PageBreakAbove),
      PageBreakBelow(source.PageBreakBelow),
      AvoidBreakInside(source.AvoidBreakInside),
      NotDisplayed(source.NotDisplayed),
      FTopAuto(source.FTopAuto),
      FTagAndClass(&kNoName) {
    if (source.FRare && source.FRare->Title) Rare().Title = std::make_unique<const std::string>(*source.FRare->Title);
    SetTagAndClass(source.TagAndClass());
    BoxValues.Set(source.BoxValues, BoxValuesPool());
    ChildCell->OwnerBlock = this;
    if (source.BackgroundImage() && OwnerDocument && OwnerDocument->TableBackgroundsPrinted)
        SetBackgroundImage(std::make_unique<TBoxBackground>(OwnerDocument, *source.BackgroundImage()));
}

TBlock::TRare& TBlock::Rare() const {
    if (!FRare) FRare = std::make_unique<TRare>();
    return *FRare;
}

void TBlock::SetBackgroundImage(std::unique_ptr<TBoxBackground> image) {
    if (image || FRare) Rare().BackgroundImage = std::move(image);
}

void TBlock::SetPosition(int top, int left) {
    if (top == 0 && left == 0 && !FRare) return;
    Rare().PosTop = top;
    Rare().PosLeft = left;
}

void TBlock::SetTagAndClass(std::string_view name) { FTagAndClass = SharedName(Document(), name); }

int TBlock::PaintCount() const {
    return FRare && FRare->ZOrder ? static_cast<int>(FRare->ZOrder->size()) : std::min(FPaintCount, ChildCell->Count());
}

const std::string& TBlock::Title() const {
    static const std::string none;
    return FRare && FRare->Title ? *FRare->Title : none;
}

TBlock::~TBlock() {
    if (FHasID)
        if (TSectionList* doc = Document()) doc->ForgetObject(this);
    if (!ChildCell) return;
    if (gPendingCells) {
        gPendingCells->push_back(std::move(ChildCell));
        return;
    }
    // The outermost block frees the whole tree below it, one cell at a time.
    std::vector<std::unique_ptr<TBlockCell>> pending;
    gPendingCells = &pending;
    pending.push_back(std::move(ChildCell));
    while (!pending.empty()) {
        std::unique_ptr<TBlockCell> cell = std::move(pending.back());
        pending.pop_back();
        cell.reset();
    }
    gPendingCells = nullptr;
}

TSectionBase* TBlock::CreateClone(TSectionDocument* document) const {
    return new TBlock(SectionListOf(document), *this);
}

TSectionList* TBlock::Document() const { return SectionListOf(OwnerDocument); }

TBoxValuesPool* TBlock::BoxValuesPool() const {
    TSectionList* doc = Document();
    return doc ? &doc->BoxValuesPool : nullptr;
}

void TBlock::CollapseMargins() {
    TMarginArray vertical{};
    bool topAuto = false, bottomAuto = false;
    ConvVertMargins(RawBoxValues, 400, EmBase, ExBase, vertical, topAuto, bottomAuto);
    FTopAuto = topAuto;
    BottomIsAuto = bottomAuto;
    int top = vertical[MarginTop];
    const int givenTop = top;
    if (Positioning == posAbsolute) {
        if (topAuto) top = 0;
    } else if (FloatSide == ANone) {
        TSectionBase* previous = nullptr;
        if (EnclosingCell)
            for (int i = EnclosingCell->Count() - 1; i >= 0 && !previous; --i) {
                TSectionBase* s = EnclosingCell->Section(i);
                auto* b = s->AsBlock();
                if (!b || b->Positioning != posAbsolute) previous = s;
            }
        auto* prev = previous ? previous->AsBlock() : nullptr;
        const bool floatingTable = prev && prev->FloatSide != ANone &&
                                   (dynamic_cast<TTableBlock*>(prev) || dynamic_cast<TTableAndCaptionBlock*>(prev));
        if (floatingTable && topAuto) {
            // Beside a floated table the paragraph space goes, and the
            // table keeps its own bottom margin.
            top = 0;
        } else if (prev) {
            {
                TMarginArray theirs{};
                bool ta = false, ba = false;
                ConvVertMargins(prev->RawBoxValues, 400, prev->EmBase, prev->ExBase, theirs, ta, ba);
                const int bottom = theirs[MarginBottom];
                if (top >= 0 && bottom >= 0)
                    top = std::max(top, bottom);
                else if (top < 0 && bottom < 0)
                    top = std::min(top, bottom);
                else
                    top = top + bottom;
                prev->RawBoxValues.Set(MarginBottom, 0);
                prev->BottomIsAuto = false;
            }
        } else if (previous) {
            if (EnclosingCell->OwnerTag() != "li" && topAuto &&
                (TagAndClass().starts_with("ul.") || TagAndClass().starts_with("ol.")))
                top = 0;
        } else if (topAuto) {
            top = 0;
        } else if (const std::string_view ownerTag = EnclosingCell ? EnclosingCell->OwnerTag() : std::string_view();
                   ownerTag == "default" || ownerTag == "body") {
            int outer = 0;
            if (TBlock* owner = EnclosingCell->OwnerBlock) {
                TMarginArray m{};
                bool ta = false, ba = false;
                ConvVertMargins(owner->RawBoxValues, 400, owner->EmBase, owner->ExBase, m, ta, ba);
                outer = m[MarginTop];
            }
            top = std::max(0, top - outer);
        }
    }
    if (top != givenTop || topAuto) RawBoxValues.Set(MarginTop, top);
    if (bottomAuto) RawBoxValues.Set(MarginBottom, vertical[MarginBottom]);
}

// ---- layout

int TBlock::LayOutEmpty(int Y, int& MaxWidth, int& PosCounter) {
    InnerTop = Y;
    FirstDocPos = PosCounter;
    Len = 0;
    FullHeight = PaintHeight = 0;
    PlacedY = Y;
    PaintTop = InnerBottom = PaintBottom = ContentBottomY = Y;
    MaxWidth = 0;
    return 0;
}

int TBlock::FindWidth(TCanvas* Canvas, int WidthArg, int, int AutoCount, TMarginArray& m) {
    int mn = 0, mx = 0;
    ChildCell->MinMaxWidth(Canvas, mn, mx);
    int& width = m[Width];
    int& ml = m[MarginLeft];
    int& mr = m[MarginRight];
    const int64_t bp = int64_t{m[BorderLeftWidth]} + m[BorderRightWidth] + m[PaddingLeft] +
                       m[PaddingRight];
    auto ruleW = [&] {
        const int64_t room = int64_t{WidthArg} - bp - ml - mr;
        if (Positioning == posAbsolute)
            width = std::max<int64_t>(mn, std::min<int64_t>(mx, room - PosLeft()));
        else
            width = static_cast<int>(std::max<int64_t>(mn, room));
    };
    switch (AutoCount) {
        case 0:
            width = std::max(mn, width);
            break;
        case 1:
            if (width == AutoValue) {
                ruleW();
            } else {
                width = std::max(width, mn);
                if (mr != AutoValue)
                    ml = SaturateY(std::max<int64_t>(0, int64_t{WidthArg} - bp - mr - width));
                else
                    mr = FloatSide == ANone ? SaturateY(std::max<int64_t>(0, int64_t{WidthArg} - bp - ml - width)) : 0;
            }
            break;
        case 2:
            if (width == AutoValue) {
                (ml == AutoValue ? ml : mr) = 0;
                ruleW();
            } else {
                width = std::max(width, mn);
                ml = mr = SaturateY(std::max<int64_t>(0, int64_t{WidthArg} - width - bp) / 2);
            }
            break;
        default:
            ml = mr = 0;
            ruleW();
            break;
    }
    if (ml == AutoValue) ml = 0;
    if (mr == AutoValue) mr = 0;
    return width;
}

int TBlock::DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                      int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) {
    TNestingGuard guard;
    FLaidOutEmpty = guard.TooDeep();
    if (NotDisplayed || FLaidOutEmpty) return LayOutEmpty(Y, MaxWidth, PosCounter);
    TLayoutRunning running;

    IndentManager fallback;
    if (!IndentRef) {
        fallback.Reset(0, WidthArg);
        fallback.CellWidth = WidthArg;
        IndentRef = &fallback;
    }
    IndentManager& indents = *IndentRef;

    InnerTop = Y;
    ClearSpace = 0;
    if (ClearSide != clrNone) {
        int cl = 0, cr = 0;
        indents.GetClearY(cl, cr);
        const int clearY = ClearSide == clLeft ? cl : ClearSide == clRight ? cr : std::max(cl, cr);
        ClearSpace = SaturateY(std::max<int64_t>(0, int64_t{clearY} - Y - 1));
    }
    FirstDocPos = PosCounter;
    MaxWidth = WidthArg;

    int autoCount = 0;
    // Slots that give no value leave what the last layout found.
    TMarginArray m = BoxValues;
    ConvMargArray(RawBoxValues, WidthArg, HeightArg, EmBase, ExBase, BorderStyle, autoCount, m);
    const int posTop = m[TopPos] == AutoValue ? 0 : m[TopPos];
    const int posLeft = m[LeftPos] == AutoValue ? 0 : m[LeftPos];
    SetPosition(posTop, posLeft);
    if (Positioning == posAbsolute) {
        // Where painting puts it (the origin given plus the offsets).
        X = SaturateY(int64_t{OriginX} + posLeft);
        Y = SaturateY(int64_t{posTop} + OriginY);
    }

    ContentWidth = FindWidth(Canvas, WidthArg, HeightArg, autoCount, m);
    BoxValues.Set(m, BoxValuesPool());
    const int ml = m[MarginLeft], mr = m[MarginRight], mt = m[MarginTop];
    const int bl = m[BorderLeftWidth], br = m[BorderRightWidth];
    const int bt = m[BorderTopWidth], bb = m[BorderBottomWidth];
    const int pl = m[PaddingLeft], pr = m[PaddingRight];
    const int pt = m[PaddingTop], pb = m[PaddingBottom];
    const int64_t horizontal = int64_t{ml} + mr + bl + br + pl + pr;
    if (const TPropValue& given = RawBoxValues.Shared()[Width];
        IsString(given) && PropString(given).find('%') != std::string::npos)
        ContentWidth = SaturateY(std::min<int64_t>(ContentWidth, WidthArg - horizontal));
    ContentWidth = std::max(0, ContentWidth);

    ChildCell->IndentRef = IndentRef;
    const bool floating = FloatSide != ANone && Positioning != posAbsolute;
    const int64_t outerWidth = horizontal + ContentWidth;
    const int64_t leftLimit = X, rightLimit = int64_t{X} + WidthArg;
    int scrollWidth = 0;
    const int cellX = X;
    int outerLeft = X;  // a floated block's left outer edge
    const int floatTopBefore = indents.NextFloatTop;
    {
        TIndentScope scope(indents, this);
        // Seen from here the indents hold only the floats beside this block.
        auto roomLeft = [&](int y) { return std::max<int64_t>(leftLimit, indents.LeftIndent(y)); };
        auto roomRight = [&](int y) { return int64_t{indents.RightSideWithin(y, SaturateY(rightLimit))}; };
        if (floating) {
            // Like a floated picture: down to where a float beside it ends,
            // as far as it must to fit, and never above a float before it;
            // with no such place it stands below them and overflows. The
            // drop counts as clearance, so painting follows.
            int top = std::max(SaturateY(int64_t{Y} + ClearSpace), indents.NextFloatTop);
            while (roomRight(top) - roomLeft(top) < outerWidth) {
                const int wider = indents.GetNextWiderY(top);
                if (wider <= top) break;
                top = wider;
            }
            ClearSpace = SaturateY(int64_t{top} - Y);
        }
        const int clearTop = SaturateY(int64_t{Y} + ClearSpace);
        PaintTop = SaturateY(int64_t{clearTop} + std::min(0, mt));
        if (FloatSide == ALeft) {
            outerLeft = SaturateY(roomLeft(clearTop));
            ContentIndent = SaturateY(int64_t{outerLeft} + ml + pl + bl - X);
        } else if (FloatSide == ARight) {
            // Too wide for its room it overflows to the right, where the
            // scroll bar reaches, rather than out past the left edge.
            outerLeft = SaturateY(std::max(roomLeft(clearTop), roomRight(clearTop) - outerWidth));
            ContentIndent = SaturateY(int64_t{outerLeft} + ml + pl + bl - X);
        } else {
            ContentIndent = SaturateY(int64_t{ml} + pl + bl);
        }
        X = SaturateY(int64_t{X} + ContentIndent);
        if (IsListBlock) {
            // Room for the bullets, however narrow the margins.
            const int least = SaturateY(int64_t{indents.LeftIndent(clearTop)} + 35);
            if (X < least) {
                const int d = least - X;
                ContentIndent += d;
                ContentWidth = std::max(0, ContentWidth - d);
                X = least;
            }
        }
        PlacedY = SaturateY(int64_t{clearTop} + mt + bt + pt);
        scope.SetLeft(X, PlacedY);
        scope.SetRight(SaturateY(int64_t{X} + ContentWidth), PlacedY);
        ContentLeft() = X;

        const int height = m[Height];
        const int enclosing = height > 0 ? height : HeightArg > 0 ? HeightArg : EnclosingHeight;
        switch (Positioning) {
            case posStatic:
                ChildCell->DoLogicX(Canvas, X, PlacedY, OriginX, OriginY, ContentWidth, height, enclosing,
                                    scrollWidth, PosCounter);
                break;
            case posRelative: {
                // Absolutely positioned content is placed from the inner
                // border edge, where painting puts its origin too.
                const int y = SaturateY(int64_t{PlacedY} + posTop);
                ChildCell->DoLogicX(Canvas, X, y, OriginX, SaturateY(int64_t{y} - pt), ContentWidth, height, enclosing,
                                    scrollWidth, PosCounter);
                break;
            }
            case posAbsolute:
                ChildCell->DoLogicX(Canvas, X, PlacedY, SaturateY(int64_t{OriginX} + posLeft + ml + bl),
                                    SaturateY(int64_t{OriginY} + posTop + mt + bt), ContentWidth, height, enclosing,
                                    scrollWidth, PosCounter);
                break;
        }
        Len = PosCounter - FirstDocPos;
        int64_t maxWidth = horizontal + scrollWidth;
        if (Positioning != posStatic) maxWidth += int64_t{posLeft} - mr;
        // A float beside others reaches as far as its offset takes it.
        if (floating) maxWidth += std::max(0, outerLeft - cellX);
        MaxWidth = SaturateY(std::max<int64_t>(0, maxWidth));

        int contentBottom = ChildCell->InnerBottom;
        if (Positioning == posRelative) contentBottom = SaturateY(int64_t{contentBottom} - posTop);
        ContentBottomY = std::max(PlacedY, contentBottom);
        if (height > ContentBottomY - PlacedY) ContentBottomY = SaturateY(int64_t{PlacedY} + height);
        InnerBottom = SaturateY(int64_t{ContentBottomY} + pb + bb + m[MarginBottom]);
        PaintBottom = SaturateY(int64_t{std::max(ContentBottomY, ChildCell->PaintBottom)} + pb + bb);
        FullHeight = SaturateY(int64_t{InnerBottom} - Y);
    }  // this block's indent records go, its owner comes back

    // A picture that cannot be had is given up for good.
    if (BackgroundImage() && !BackgroundImage()->Prepare(Canvas)) FRare->BackgroundImage.reset();

    int result = FullHeight;
    if (FloatSide != ANone || Positioning == posAbsolute) {
        PaintHeight = Positioning == posAbsolute ? 0 : FullHeight;
        // Recorded from where it stands; the floats inside it are its own
        // and do not hold later floats down.
        const int top = SaturateY(int64_t{Y} + ClearSpace);
        const int floatHeight = SaturateY(int64_t{PaintBottom} - top);
        indents.NextFloatTop = floatTopBefore;
        if (FloatSide == ALeft)
            indents.UpdateBlock(top, SaturateY(int64_t{X} + ContentWidth + mr + pr + br), floatHeight, ALeft);
        else if (FloatSide == ARight)
            indents.UpdateBlock(top, SaturateY(outerWidth), floatHeight, ARight);
        FullHeight = 0;
        result = 0;
    } else {
        PaintHeight = std::max(FullHeight, SaturateY(int64_t{indents.ImageBottom()} - Y));
    }
    if (IndentRef == &fallback) ChildCell->IndentRef = nullptr;
    // Made anew each time: the reader may have added sections since, and a
    // section that failed its layout may be gone.
    DrawSort();
    return result;
}

void TBlock::DrawSort() {
    FReachKnown = false;
    const int n = ChildCell->Count();
    FPaintCount = n;
    // Mostly the sections' own order, which needs no list.
    bool sorted = true;
    for (int i = 1; i < n && sorted; ++i) sorted = ChildCell->Section(i - 1)->ZIndex <= ChildCell->Section(i)->ZIndex;
    if (sorted) {
        if (FRare) FRare->ZOrder.reset();
        return;
    }
    auto& order = Rare().ZOrder;
    if (!order) order = std::make_unique<std::vector<TSectionBase*>>();
    order->clear();
    order->reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order->push_back(ChildCell->Section(i));
    // Negative keys, then document order, then positive keys.
    std::stable_sort(order->begin(), order->end(),
                     [](const TSectionBase* a, const TSectionBase* b) { return a->ZIndex < b->ZIndex; });
}

// Found at the first paint after a layout rather than in every layout: a
// layout alone need not pay for it.
void TBlock::KnowReach() const {
    if (FReachKnown) return;
    FReachKnown = true;
    FHoldsPositioned = false;
    const int n = PaintCount();
    for (int i = 0; i < n; ++i)
        if (auto* b = PaintSection(i)->AsBlock()) {
            b->KnowReach();
            if (b->Positioning != posStatic || b->FHoldsPositioned) FHoldsPositioned = true;
        }
    // A short list is simply walked.
    if (n < 16) {
        if (FRare) FRare->Reach.reset();
        return;
    }
    auto& reach = Rare().Reach;
    if (!reach) reach = std::make_unique<TReach>();
    std::vector<int64_t>& bottoms = reach->Bottoms;
    std::vector<int64_t>& tops = reach->Tops;
    bottoms.resize(static_cast<size_t>(n));
    tops.resize(static_cast<size_t>(n));
    // Each section's reach is found once: the tops are made least from the
    // end afterwards.
    int64_t bottom = INT64_MIN;
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
        int64_t top, end;
        const bool known = PaintReach(PaintSection(static_cast<int>(i)), top, end);
        bottom = std::max(bottom, known ? end : INT64_MAX);
        bottoms[i] = bottom;
        tops[i] = known ? top : INT64_MIN;
    }
    for (size_t i = static_cast<size_t>(n) - 1; i-- > 0;) tops[i] = std::min(tops[i], tops[i + 1]);
}

bool TBlock::PaintReach(const TSectionBase* s, int64_t& top, int64_t& bottom) {
    if (auto* b = s->AsBlock()) {
        if (b->Positioning != posStatic || b->FloatSide != ANone || b->FHoldsPositioned) return false;
        // What the page-break rules of its Draw1 read, too.
        top = std::min({b->PaintTop, b->ChildCell->PaintTop, b->InnerTop,
                        SaturateY(int64_t{b->InnerTop} + std::min(0, b->BoxValues[MarginTop]))});
        bottom = std::max({b->PaintBottom, b->ChildCell->PaintBottom, SaturateY(int64_t{b->InnerTop} + b->FullHeight)});
        if (auto* item = b->AsListItem()) {
            // Its bullet is painted when near the rows.
            top = std::min<int64_t>(top, int64_t{item->BulletY} - BulletReach - 1);
            bottom = std::max<int64_t>(bottom, int64_t{item->BulletY} + BulletReach);
        }
        return true;
    }
    if (s->AsText()) {
        top = s->PaintTop;
        bottom = s->PaintBottom;
        return true;
    }
    return false;
}

// ---- painting

// A block in the flow paints its box and its content inside its paint
// extent, so one wholly above or below the rows being painted has nothing to
// paint there: a page of a long document then costs its own blocks, not the
// whole document. Positioned content paints away from its place in the flow,
// so a block holding any is always walked.
bool TBlock::WhollyOutside(const TRect& ARect) const {
    KnowReach();
    if (Positioning != posStatic || FloatSide != ANone || FHoldsPositioned) return false;
    const TSectionList* doc = Document();
    const int64_t scrollY = doc ? doc->ScrollY : 0;
    const int64_t top = int64_t{std::min(PaintTop, ChildCell->PaintTop)} - scrollY;
    const int64_t bottom = int64_t{std::max(PaintBottom, ChildCell->PaintBottom)} - scrollY;
    return bottom < ARect.Top || top >= ARect.Bottom;
}

int TBlock::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX, int OriginY) {
    TNestingGuard guard;
    if (NotDisplayed) return 0;
    const int result = SaturateY(int64_t{InnerTop} + FullHeight);
    if (guard.TooDeep() || FLaidOutEmpty) return result;
    TSectionList* doc = Document();
    if (doc && doc->Printing && Positioning != posAbsolute) {
        const int64_t pageTop = int64_t{ARect.Top} + doc->ScrollY;
        const int marginTop = SaturateY(int64_t{InnerTop} + BoxValues[MarginTop]);
        const int pageHeight = ARect.Bottom - ARect.Top;
        // Content painted after this block leaves the page end it set.
        auto lowerPage = [doc](int y) {
            if (y < doc->PageBottomY) {
                doc->PageBottomY = y;
                doc->PageBottomLowered = true;
            }
        };
        if (PageBreakAbove && !doc->PageStillEmpty && pageTop < marginTop) {
            lowerPage(marginTop);
            return result;
        }
        if (AvoidBreakInside && InnerTop > pageTop && doc->PageBottomY < int64_t{InnerTop} + PaintHeight &&
            int64_t{PaintHeight} - BoxValues[MarginTop] < pageHeight) {
            lowerPage(marginTop);
            return result;
        }
        if (PageBreakBelow && pageTop < result) lowerPage(result);
    }
    if (Visibility == viHidden) return result;
    if (WhollyOutside(ARect)) return result;
    int y = InnerTop;
    if (Positioning == posRelative) {
        y = SaturateY(int64_t{y} + PosTop());
        X = SaturateY(int64_t{X} + PosLeft());
    } else if (Positioning == posAbsolute) {
        y = SaturateY(int64_t{OriginY} + PosTop());
        X = SaturateY(int64_t{OriginX} + PosLeft());
    }
    DrawBlock(Canvas, ARect, IndentRef, X, y, OriginX, OriginY);
    return result;
}

void TBlock::DrawBlock(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int Y, int XRef,
                       int YRef) {
    TSectionList* doc = Document();
    const int scrollY = doc ? doc->ScrollY : 0;
    const int ml = BoxValues[MarginLeft];
    const int64_t b = FloatSide == ANone ? X
                                         : int64_t{X} + ContentIndent - ml - BoxValues[PaddingLeft] -
                                               BoxValues[BorderLeftWidth];
    // Kept in document coordinates: the title hit test gets document Y.
    TRect border;
    border.Left = SaturateY(b + ml);
    border.Right = SaturateY(int64_t{border.Left} + BoxValues[BorderLeftWidth] + BoxValues[PaddingLeft] +
                             ContentWidth + BoxValues[PaddingRight] + BoxValues[BorderRightWidth]);
    border.Top = SaturateY(int64_t{Y} + ClearSpace + BoxValues[MarginTop]);
    if (FloatSide != ANone)
        border.Bottom = PaintBottom;
    else if (Positioning == posRelative)
        border.Bottom = SaturateY(int64_t{InnerBottom} + PosTop() - BoxValues[MarginBottom]);
    else
        border.Bottom = SaturateY(int64_t{InnerBottom} - BoxValues[MarginBottom]);
    BorderRect = border;
    TRect outer = border;
    outer.Top = SaturateY(int64_t{outer.Top} - scrollY);
    outer.Bottom = SaturateY(int64_t{outer.Bottom} - scrollY);
    const TRect inner{outer.Left + BoxValues[BorderLeftWidth], outer.Top + BoxValues[BorderTopWidth],
                      outer.Right - BoxValues[BorderRightWidth], outer.Bottom - BoxValues[BorderBottomWidth]};
    if (outer.Left < ARect.Right && outer.Right > ARect.Left && outer.Top < ARect.Bottom && outer.Bottom > ARect.Top &&
        !(doc && doc->CountingOnly))
        PaintBox(Canvas, ARect, outer, inner);

    IndentManager* indents = ChildCell->IndentRef ? ChildCell->IndentRef : IndentRef;
    TObject* savedOwner = indents ? indents->CurrentOwner : nullptr;
    if (indents) indents->CurrentOwner = this;
    struct TRestoreOwner {
        IndentManager* m;
        TObject* owner;
        ~TRestoreOwner() {
            if (m) m->CurrentOwner = owner;
        }
    } restore{indents, savedOwner};
    if (Positioning == posStatic)
        DrawTheList(Canvas, ARect, indents, X, XRef, YRef);
    else
        // Absolutely positioned content is placed from the inner border
        // edge, as it was laid out.
        DrawTheList(Canvas, ARect, indents, X, SaturateY(b + ml + BoxValues[BorderLeftWidth]),
                    SaturateY(int64_t{Y} + ClearSpace + BoxValues[MarginTop] + BoxValues[BorderTopWidth]));
}

void TBlock::DrawTheList(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int XRef,
                         int YRef) {
    const int x = SaturateY(int64_t{X} + ContentIndent);
    // Sections wholly above or below the rows paint nothing there and change
    // nothing (see PaintReach): only those between are drawn.
    KnowReach();
    size_t first = 0, last = static_cast<size_t>(PaintCount());
    const TReach* reach = FRare ? FRare->Reach.get() : nullptr;
    if (reach && reach->Bottoms.size() == last && reach->Tops.size() == last) {
        const std::vector<int64_t>& bottoms = reach->Bottoms;
        const std::vector<int64_t>& tops = reach->Tops;
        const TSectionList* doc = Document();
        const int64_t scrollY = doc ? doc->ScrollY : 0;
        const int64_t top = int64_t{ARect.Top} + scrollY, bottom = int64_t{ARect.Bottom} + scrollY;
        first = static_cast<size_t>(std::partition_point(bottoms.begin(), bottoms.end(),
                                                         [&](int64_t b) { return b < top; }) -
                                    bottoms.begin());
        last = static_cast<size_t>(
            std::partition_point(tops.begin(), tops.end(), [&](int64_t t) { return t < bottom; }) - tops.begin());
    }
    for (size_t i = first; i < last; ++i) PaintSection(static_cast<int>(i))->Draw1(Canvas, ARect, IndentRef, x, XRef, YRef);
}

#ifndef _WIN32
void TBlock::PaintBox(TCanvas*, const TRect&, const TRect&, const TRect&) {}
void TBlock::DrawBlockBorder(TCanvas*, const TRect&, const TRect&) {}
#endif

// ---- queries

guResultType TBlock::GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut,
                            TImageFormControlObj*& ControlOut, std::string& TitleOut) {
    TargetOut = nullptr;
    ControlOut = nullptr;
    TNestingGuard guard;
    if (!Answers() || guard.TooDeep()) return 0;
    guResultType result = 0;
    const std::string* title = FRare ? FRare->Title.get() : nullptr;
    if (title && X >= BorderRect.Left && X < BorderRect.Right && Y >= BorderRect.Top &&
        Y < BorderRect.Bottom) {
        TitleOut = *title;
        result = guTitle;
    }
    return result | ChildCell->GetURL(Canvas, X, Y, TargetOut, ControlOut, TitleOut);
}

bool TBlock::PtInObject(int X, int Y, TObject*& Obj, int& HitX, int& HitY) {
    Obj = nullptr;
    TNestingGuard guard;
    if (!Answers() || guard.TooDeep()) return false;
    for (int i = PaintCount() - 1; i >= 0; --i)
        if (TSectionBase* s = PaintSection(i);
            s->PaintTop <= Y && Y < s->PaintBottom && s->PtInObject(X, Y, Obj, HitX, HitY))
            return true;
    return false;
}

int TBlock::FindCursor(TCanvas* Canvas, int X, int Y, int& CaretX, int& CaretY, int& CaretHeight,
                       bool& InsideText) {
    TNestingGuard guard;
    if (!Answers() || guard.TooDeep()) return -1;
    for (int i = PaintCount() - 1; i >= 0; --i)
        if (TSectionBase* s = PaintSection(i); s->PaintTop <= Y && Y < s->PaintBottom) {
            const int r = s->FindCursor(Canvas, X, Y, CaretX, CaretY, CaretHeight, InsideText);
            if (r >= 0) return r;
        }
    return -1;
}

int TBlock::FindString(int from, const std::wstring& SearchText, bool CaseSensitive) {
    TNestingGuard guard;
    return Answers() && !guard.TooDeep() ? ChildCell->FindString(from, SearchText, CaseSensitive) : -1;
}

int TBlock::FindStringR(int from, const std::wstring& SearchText, bool CaseSensitive) {
    TNestingGuard guard;
    return Answers() && !guard.TooDeep() ? ChildCell->FindStringR(from, SearchText, CaseSensitive) : -1;
}

int TBlock::FindSourcePos(int DocPos) {
    TNestingGuard guard;
    return Answers() && !guard.TooDeep() ? ChildCell->FindSourcePos(DocPos) : -1;
}

int TBlock::FindDocPos(int SourcePos, bool Prev) {
    TNestingGuard guard;
    return Answers() && !guard.TooDeep() ? ChildCell->FindDocPos(SourcePos, Prev) : -1;
}

bool TBlock::CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y) {
    TNestingGuard guard;
    return Answers() && !guard.TooDeep() && ChildCell->CursorToXY(Canvas, Cursor, X, Y);
}

bool TBlock::GetChAtPos(int Pos, wchar_t& Ch, TObject*& Obj) {
    TNestingGuard guard;
    return Answers() && !guard.TooDeep() && ChildCell->GetChAtPos(Pos, Ch, Obj);
}

void TBlock::AddSectionsToList() {
    TNestingGuard guard;
    if (Answers() && !guard.TooDeep()) ChildCell->AddSectionsToList();
}

void TBlock::CopyToClipboard() {
    TNestingGuard guard;
    if (!Answers() || guard.TooDeep()) return;
    ChildCell->CopyToClipboard();
    TSectionList* doc = Document();
    if (doc && doc->CB && TagAndClass().starts_with("p.") &&
        int64_t{ChildCell->FirstDocPos} + ChildCell->Len < doc->SelEndPos)
        doc->CB->AddTextCR(L"", 0);
}

void TBlock::MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) {
    Min = Max = 0;
    TNestingGuard guard;
    if (NotDisplayed || guard.TooDeep()) return;
    TSectionList* doc = Document();
    const bool remember = gLayoutsRunning > 0 && doc;
    if (remember && FMinMaxCycle == doc->LayoutCycle) {
        Min = FMin;
        Max = FMax;
        return;
    }
    ChildCell->MinMaxWidth(Canvas, Min, Max);
    TMarginArray m{};
    int autoCount = 0;
    ConvMargArray(RawBoxValues, 0, 400, EmBase, ExBase, BorderStyle, autoCount, m);
    auto given = [&](PropIndices p) { return m[p] == AutoValue ? 0 : m[p]; };
    const int width = given(Width);
    const int64_t sides = int64_t{given(MarginLeft)} + m[PaddingLeft] + m[BorderLeftWidth] + given(MarginRight) +
                          m[PaddingRight] + m[BorderRightWidth];
    const int mn = SaturateY(sides + std::max(Min, width));
    Max = width < 1 ? SaturateY(sides + std::max(Max, width)) : mn;
    Min = mn;
    if (remember) {
        FMinMaxCycle = doc->LayoutCycle;
        FMin = Min;
        FMax = Max;
    }
}

void TBlock::FormTree(const std::string& indent, std::string& tree) {
    TNestingGuard guard;
    if (guard.TooDeep()) return;
    TMarginArray m{};
    bool ta = false, ba = false;
    ConvVertMargins(RawBoxValues, 400, EmBase, ExBase, m, ta, ba);
    tree += indent + TagAndClass() + "  " + std::to_string(m[MarginTop]) + "  " + std::to_string(m[MarginBottom]) +
            "\r\n";
    ChildCell->FormTree(indent + "   ", tree);
}

// ---- rules

THRBlock::THRBlock(TSectionList* OwnerDocument, const THRBlock& source)
    : TBlock(OwnerDocument, source), RuleJustify(source.RuleJustify) {}

TSectionBase* THRBlock::CreateClone(TSectionDocument* document) const {
    return new THRBlock(SectionListOf(document), *this);
}

THorzLine* THRBlock::HRule() const {
    for (int i = 0; i < ChildCell->Count(); ++i)
        if (auto* rule = dynamic_cast<THorzLine*>(ChildCell->Section(i))) return rule;
    return nullptr;
}

int THRBlock::FindWidth(TCanvas*, int WidthArg, int, int, TMarginArray& m) {
    if (Positioning == posAbsolute) RuleJustify = Left;
    int& ml = m[MarginLeft];
    int& mr = m[MarginRight];
    if (ml == AutoValue) ml = 0;
    if (mr == AutoValue) mr = 0;
    const int room = SaturateY(int64_t{WidthArg} - ml - mr - m[BorderLeftWidth] -
                               m[BorderRightWidth] - m[PaddingLeft] - m[PaddingRight]);
    int& width = m[Width];
    width = width < 1 ? std::max(15, room) : std::min(width, room);
    const int64_t free = std::max(0, room - width);
    if (RuleJustify == Centered)
        ml = SaturateY(ml + free / 2);
    else if (RuleJustify == Right)
        ml = SaturateY(ml + free);
    TSectionList* doc = Document();
    if (THorzLine* rule = HRule(); rule && !(doc && doc->PrintCopyFlag) && m[Height] > 0)
        rule->RuleThickness = m[Height];
    return width;
}

// ---- list items

std::wstring BulletText(ListBulletType kind, int itemNumber) {
    static const wchar_t* const kRoman[] = {L"i",    L"ii",   L"iii", L"iv",  L"v",    L"vi",  L"vii",
                                            L"viii", L"ix",   L"x",   L"xi",  L"xii",  L"xiii", L"xiv",
                                            L"xv",   L"xvi",  L"xvii", L"xviii", L"xix", L"xx"};
    std::wstring text;
    switch (kind) {
        case lbLowerAlpha:
        case lbUpperAlpha:
            text = static_cast<wchar_t>((kind == lbLowerAlpha ? L'a' : L'A') + std::clamp(itemNumber - 1, 0, 25));
            break;
        case lbLowerRoman:
        case lbUpperRoman:
            text = kRoman[std::clamp(itemNumber, 1, 20) - 1];
            if (kind == lbUpperRoman)
                for (wchar_t& c : text) c = static_cast<wchar_t>(c - L'a' + L'A');
            break;
        case lbDecimal:
            text = std::to_wstring(itemNumber);
            break;
        default:
            return {};
    }
    text += L'.';
    if (text.size() > 7) text.resize(7);
    return text;
}

TBlockLI::TBlockLI(TSectionList* OwnerDocument, TProperties& prop, TCellBasic* EnclosingCell, Symb Sy, bool plain,
                   char indexType, int listNumber, int listLevel, TAttributeList* attributes)
    : TBlock(OwnerDocument, prop, EnclosingCell, attributes) {
    switch (Sy) {
        case OLSy:
            ListKind = Ordered;
            BulletKind = indexType == 'A'   ? lbUpperAlpha
                         : indexType == 'I' ? lbUpperRoman
                         : indexType == 'a' ? lbLowerAlpha
                         : indexType == 'i' ? lbLowerRoman
                                            : lbDecimal;
            break;
        case ULSy:
        case DirSy:
        case MenuSy: {
            ListKind = Unordered;
            static const ListBulletType kByLevel[] = {lbSquare, lbDisc, lbCircle};
            BulletKind = plain ? lbNone : kByLevel[((listLevel % 3) + 3) % 3];
            break;
        }
        case DLSy:
            ListKind = Definition;
            break;
        default: {
            ListKind = liAlone;
            BulletKind = lbDisc;
            const TPropValue& ml = RawBoxValues[MarginLeft];
            if (IsInt(ml) && (std::get<int>(ml) == 0 || std::get<int>(ml) == NotSetValue))
                RawBoxValues.Set(MarginLeft, 16);
            break;
        }
    }
    ItemNumber = listNumber;
    // "blank", the lists' default, leaves the bullet of the list's kind.
    if (const ListBulletType given = prop.GetListStyleType(); given != lbBlank) BulletKind = given;
    const TResolvedFont& font = prop.GetResolvedFont();
    BulletFont = FontDescOf(font);
    BulletColor = font.Info.TextColor;
    if (const std::string image = prop.GetListStyleImage(); !image.empty())
        BulletImage = std::make_unique<TImageObj>(OwnerDocument, image);
}

TBlockLI::TBlockLI(TSectionList* OwnerDocument, const TBlockLI& source)
    : TBlock(OwnerDocument, source),
      ListKind(source.ListKind),
      BulletKind(source.BulletKind),
      ItemNumber(source.ItemNumber),
      BulletColor(source.BulletColor),
      BulletFont(source.BulletFont) {
    if (source.BulletImage) BulletImage = std::make_unique<TImageObj>(OwnerDocument, *source.BulletImage);
}

TBlockLI::~TBlockLI() = default;

TSectionBase* TBlockLI::CreateClone(TSectionDocument* document) const {
    return new TBlockLI(SectionListOf(document), *this);
}

int TBlockLI::DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                        int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) {
    if (TSectionList* doc = Document(); BulletImage && doc && doc->DisplayImages) {
        BulletImage->DrawLogic(doc, Canvas, nullptr, 0, 0);
        // A picture that cannot be had leaves the list's own bullet.
        if (BulletImage->IsErrorPicture()) BulletImage.reset();
    }
    BulletY = 0;
    TBaselineTarget target(Document(), &BulletY);
    return TBlock::DrawLogic(Canvas, X, Y, OriginX, OriginY, WidthArg, HeightArg, EnclosingHeight, IndentRef,
                             MaxWidth, PosCounter);
}

int TBlockLI::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
                    int OriginY) {
    const int result = TBlock::Draw1(Canvas, ARect, IndentRef, X, OriginX, OriginY);
    TSectionList* doc = Document();
    if (!Answers() || BulletY <= 0 || Visibility == viHidden || (doc && doc->CountingOnly)) return result;
    const int y = SaturateY(int64_t{BulletY} - (doc ? doc->ScrollY : 0));
    if (y < ARect.Top - BulletReach || y > ARect.Bottom + BulletReach) return result;
    const bool picture = BulletImage && doc && doc->DisplayImages;
    if (picture || ListKind == Ordered || ListKind == Unordered || ListKind == liAlone)
        DrawBullet(Canvas, SaturateY(int64_t{X} + ContentIndent), y);
    return result;
}

#ifndef _WIN32
void TBlockLI::DrawBullet(TCanvas*, int, int) {}
#endif

// ---- the body

TBodyBlock::TBodyBlock(TSectionList* OwnerDocument, TProperties& prop, TCellBasic* EnclosingCell,
                       TAttributeList* attributes)
    : TBlock(OwnerDocument, prop, EnclosingCell, attributes) {
    // The body's picture is the document's, painted behind everything.
    SetBackgroundImage(nullptr);
    if (OwnerDocument) {
        std::string image;
        if (prop.GetBackgroundImage(image) && !image.empty()) {
            PositionRec position{};
            prop.GetBackgroundPos(EmBase, ExBase, position);
            OwnerDocument->SetBackgroundBitmap(image, position);
        }
        const TColor color = prop.GetBackgroundColor();
        if (color != 0x1FFFFFFF) OwnerDocument->SetBackground(color);
    }
}

TBodyBlock::TBodyBlock(TSectionList* OwnerDocument, const TBodyBlock& source) : TBlock(OwnerDocument, source) {}

TSectionBase* TBodyBlock::CreateClone(TSectionDocument* document) const {
    return new TBodyBlock(SectionListOf(document), *this);
}

int TBodyBlock::DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                          int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) {
    TNestingGuard guard;
    FLaidOutEmpty = guard.TooDeep();
    if (NotDisplayed || FLaidOutEmpty) return LayOutEmpty(Y, MaxWidth, PosCounter);
    IndentManager fallback;
    if (!IndentRef) {
        fallback.Reset(0, WidthArg);
        fallback.CellWidth = WidthArg;
        IndentRef = &fallback;
    }
    IndentManager& indents = *IndentRef;
    int autoCount = 0;
    TMarginArray m = BoxValues;
    ConvMargArray(RawBoxValues, WidthArg, HeightArg, EmBase, ExBase, BorderStyle, autoCount, m);
    for (PropIndices p : {MarginLeft, MarginRight, Width})
        if (m[p] == AutoValue) m[p] = 0;
    BoxValues.Set(m, BoxValuesPool());
    const int64_t horizontal = int64_t{m[MarginLeft]} + m[MarginRight] + m[BorderLeftWidth] +
                               m[BorderRightWidth] + m[PaddingLeft] + m[PaddingRight];
    InnerTop = Y;
    ClearSpace = 0;
    FirstDocPos = PosCounter;
    ContentWidth = SaturateY(std::max<int64_t>(0, indents.CellWidth - horizontal));
    PaintTop = m[MarginTop];
    ContentIndent = SaturateY(int64_t{m[MarginLeft]} + m[PaddingLeft] + m[BorderLeftWidth]);
    X = SaturateY(int64_t{X} + ContentIndent);
    PlacedY = SaturateY(int64_t{Y} + m[MarginTop] + m[BorderTopWidth] + m[PaddingTop]);
    ChildCell->IndentRef = IndentRef;
    int scrollWidth = 0;
    {
        TIndentScope scope(indents, this);
        scope.SetLeft(X, PlacedY);
        scope.SetRight(SaturateY(int64_t{X} + ContentWidth), PlacedY);
        ContentLeft() = X;
        const int height = SaturateY(int64_t{HeightArg} - m[MarginTop] - m[MarginBottom]);
        ChildCell->DoLogicX(Canvas, X, PlacedY, OriginX, OriginY, ContentWidth, height, EnclosingHeight, scrollWidth,
                            PosCounter);
        Len = PosCounter - FirstDocPos;
        ContentBottomY = std::max(PlacedY, ChildCell->InnerBottom);
        InnerBottom = SaturateY(int64_t{ContentBottomY} + m[PaddingBottom] + m[BorderBottomWidth] +
                                m[MarginBottom]);
        PaintBottom = SaturateY(int64_t{std::max(ContentBottomY, ChildCell->PaintBottom)} +
                                m[PaddingBottom] + m[BorderBottomWidth]);
        FullHeight = SaturateY(int64_t{InnerBottom} - Y);
    }
    // The body is never culled.
    ChildCell->PaintTop = 0;
    ChildCell->InnerBottom = 999000;
    PaintTop = 0;
    PaintBottom = std::max(PaintBottom, MaxLayoutY);
    PaintHeight = std::max(FullHeight, SaturateY(int64_t{indents.ImageBottom()} - Y));
    MaxWidth = SaturateY(std::max<int64_t>(indents.CellWidth,
                                           std::max<int64_t>(scrollWidth, ContentWidth) + m[MarginLeft] +
                                               m[MarginRight]));
    if (IndentRef == &fallback) ChildCell->IndentRef = nullptr;
    DrawSort();
    return FullHeight;
}

int TBodyBlock::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
                      int OriginY) {
    TNestingGuard guard;
    const int result = SaturateY(int64_t{InnerTop} + FullHeight);
    if (NotDisplayed) return 0;
    if (guard.TooDeep() || FLaidOutEmpty) return result;
    IndentManager* indents = ChildCell->IndentRef ? ChildCell->IndentRef : IndentRef;
    TObject* saved = indents ? indents->CurrentOwner : nullptr;
    if (indents) indents->CurrentOwner = this;
    DrawTheList(Canvas, ARect, indents, indents ? indents->LeftEdge : X, OriginX, OriginY);
    if (indents) indents->CurrentOwner = saved;
    return result;
}

guResultType TBodyBlock::GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut,
                                TImageFormControlObj*& ControlOut, std::string& TitleOut) {
    TargetOut = nullptr;
    ControlOut = nullptr;
    if (!Answers()) return 0;
    guResultType result = 0;
    if (FRare && FRare->Title) {
        TitleOut = *FRare->Title;
        result = guTitle;
    }
    return result | ChildCell->GetURL(Canvas, X, Y, TargetOut, ControlOut, TitleOut);
}
