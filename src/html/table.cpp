#include "html/table.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <numeric>

#include "html/box_background.h"
#include "html/colors.h"
#include "html/indent_manager.h"
#include "html/section_list.h"

namespace {

using enum PropIndices;

int64_t Sum(const std::vector<int>& v, size_t first = 0, size_t count = SIZE_MAX) {
    int64_t s = 0;
    const size_t end = count == SIZE_MAX ? v.size() : std::min(v.size(), first + count);
    for (size_t i = first; i < end; ++i) s += v[i];
    return s;
}

int Sat(int64_t v) { return SaturateY(v); }

// The leading digits of an attribute's text (the scanner's number ignores a
// trailing "%" in some spellings, so the text is read here).
int LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (v < INT_MAX) v = v * 10 + (text[i] - '0');
    v = std::min<int64_t>(v, INT_MAX);
    return static_cast<int>(negative ? -v : v);
}

bool IsPercentText(std::string_view text) { return text.find('%') != std::string_view::npos; }

// A HEIGHT attribute of a cell or row: a percentage of 0..100 or clamped pixels.
void ReadGivenHeight(const std::string& text, int& pixels, int& percent) {
    const int v = LeadingNumber(text);
    if (IsPercentText(text))
        percent = std::clamp(v, 0, 100);
    else
        pixels = std::clamp(v, 0, MaxTableAttrPixels);
}

bool AttrColor(const TAttribute* a, TColor& color) {
    int32_t c;
    if (!ColorFromString(a->Text, false, c)) return false;
    color = c | PalRelative;
    return true;
}

// Places `count` from `first` of `into` grow by `excess` in proportion to
// `weights`; equal shares when the weights are all 0. What rounding leaves
// goes to the first place.
void Spread(std::vector<int>& into, size_t first, size_t count, int64_t excess, const std::vector<int64_t>& weights) {
    if (count == 0 || excess <= 0) return;
    const int64_t total = std::accumulate(weights.begin(), weights.end(), int64_t{0});
    int64_t given = 0;
    for (size_t k = 0; k < count; ++k) {
        const int64_t share = total > 0 ? weights[k] * excess / total : excess / static_cast<int64_t>(count);
        into[first + k] = Sat(into[first + k] + share);
        given += share;
    }
    into[first] = Sat(into[first] + (excess - given));
}

int64_t RoundedMulDiv(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return 0;
    const int64_t p = a * b;
    return p >= 0 ? (p + c / 2) / c : (p - c / 2) / c;
}

// The document's table depth for one table layout, however it ends.
class TTableDepth {
public:
    explicit TTableDepth(TSectionList* doc) : FDoc(doc) {
        if (FDoc) ++FDoc->TableDepth;
    }
    ~TTableDepth() {
        if (FDoc) --FDoc->TableDepth;
    }
    TTableDepth(const TTableDepth&) = delete;
    TTableDepth& operator=(const TTableDepth&) = delete;
    int Depth() const { return FDoc ? FDoc->TableDepth : 1; }

private:
    TSectionList* FDoc;
};

// The outermost table's final pass over one row.
class TSecondPass {
public:
    TSecondPass(TSectionList* doc, bool outermost) : FDoc(outermost ? doc : nullptr) {
        if (FDoc) FDoc->InSecondPass = true;
    }
    ~TSecondPass() {
        if (FDoc) FDoc->InSecondPass = false;
    }
    TSecondPass(const TSecondPass&) = delete;
    TSecondPass& operator=(const TSecondPass&) = delete;

private:
    TSectionList* FDoc;
};

// The bottom of a table goes to a list item's bullet, not the first line of
// some cell: the document's baseline request is held back meanwhile.
class THeldBaseline {
public:
    explicit THeldBaseline(TSectionList* doc) : FDoc(doc) {
        if (FDoc && FDoc->FirstBaselineTarget) {
            FSaved = FDoc->FirstBaselineTarget;
            FDoc->FirstBaselineTarget = nullptr;
        }
    }
    ~THeldBaseline() {
        if (FDoc && FSaved) FDoc->FirstBaselineTarget = FSaved;
    }
    THeldBaseline(const THeldBaseline&) = delete;
    THeldBaseline& operator=(const THeldBaseline&) = delete;
    int* Target() const { return FSaved && *FSaved == 0 ? FSaved : nullptr; }

private:
    TSectionList* FDoc;
    int* FSaved = nullptr;
};

}  // namespace

// ---- cells

TCellObj::TCellObj(TSectionList* Document, AlignmentType VAlign, TAttributeList* L, TProperties* Prop)
    : VAlign(VAlign), Cell(std::make_unique<TCell>(Document)) {
    Cell->SetOwnerTag(Prop ? std::string_view(Prop->Sel().Tag) : std::string_view("td"));
    if (L)
        for (int i = 0; i < L->Count(); ++i) {
            const TAttribute* a = L->Attribute(i);
            switch (a->Sym) {
                case BGColorSy: {
                    TColor c;
                    if (AttrColor(a, c)) {
                        Cell->BackgroundColor = c;
                        Cell->HasBackground = true;
                    }
                    break;
                }
                case BackgroundSy: BackImageName = a->Text; break;
                case ColSpanSy: ColSpan = std::clamp(a->Number, 1, MaxColSpan); break;
                case RowSpanSy: RowSpan = std::clamp(a->Number, 1, MaxRowSpan); break;
                case WidthSy: {
                    const int v = LeadingNumber(a->Text);
                    if (IsPercentText(a->Text)) {
                        if (v >= 1 && v <= 100) {
                            CellGivenWidth = v * 10;
                            WidthIsPercent = true;
                        }
                    } else if (v > 0) {
                        CellGivenWidth = std::min(v, MaxTableAttrPixels);
                        WidthIsPercent = false;
                    }
                    break;
                }
                case HeightSy: ReadGivenHeight(a->Text, CellGivenHeight, CellGivenHeightPct); break;
                default: break;
            }
        }
    if (!Prop) return;
    AlignmentType align;
    if (Prop->GetVertAlign(align) && (align == ATop || align == AMiddle || align == ABottom)) this->VAlign = align;
    Prop->GetResolvedFont();
    EmBase = Prop->EmPixels > 0 ? Prop->EmPixels : 16;
    ExBase = Prop->ExPixels > 0 ? Prop->ExPixels : EmBase / 2;
    TVMarginArray raw = Prop->VMarginArray();
    if (const std::string_view w = PropString(raw[Width]); !w.empty()) {
        if (IsPercentText(w)) {
            const int tenths = LengthConv(w, false, 1000, EmBase, ExBase, 0);
            if (tenths > 0 && tenths < 1000) {
                CellGivenWidth = tenths;
                WidthIsPercent = true;
            }
        } else if (const int px = LengthConv(w, false, 100, EmBase, ExBase, 0); px > 0) {
            CellGivenWidth = std::min(px, MaxTableAttrPixels);
            WidthIsPercent = false;
        }
    }
    if (const std::string_view h = PropString(raw[Height]); !h.empty()) {
        if (IsPercentText(h))
            CellGivenHeightPct = std::clamp(LengthConv(h, false, 100, EmBase, ExBase, 0), 0, 100);
        else
            CellGivenHeight = std::clamp(LengthConv(h, false, 100, EmBase, ExBase, 0), 0, MaxTableAttrPixels);
    }
    if (const TColor c = Prop->GetBackgroundColor(); c != clTransparentColor) {
        Cell->BackgroundColor = c;
        Cell->HasBackground = true;
    }
    std::string image;
    if (Prop->GetBackgroundImage(image)) BackImageName = image;
    Prop->GetBackgroundPos(EmBase, ExBase, BackImagePos);
    Prop->GetPageBreaks(PageBreakAbove, PageBreakBelow, KeepOnOnePage);

    TMarginArray padding{};
    ConvMargArrayForCellPadding(raw, EmBase, ExBase, padding);
    auto inset = [](int v) { return v < 0 ? -1 : std::min(v, 1'000'000); };
    InsetTop = inset(padding[PaddingTop]);
    InsetRight = inset(padding[PaddingRight]);
    InsetBottom = inset(padding[PaddingBottom]);
    InsetLeft = inset(padding[PaddingLeft]);

    BorderStyle = Prop->GetBorderStyle() != bssNone;
    if (BorderStyle) {
        raw[BackgroundColor] = static_cast<int>(Cell->HasBackground ? Cell->BackgroundColor : clTransparentColor);
        const TPropValue& common = raw[BorderColor];
        const int commonColor = IsInt(common) && std::get<int>(common) != NotSetValue ? std::get<int>(common) : 0;
        for (PropIndices p : {BorderTopColor, BorderRightColor, BorderBottomColor, BorderLeftColor}) {
            const TPropValue& v = raw[p];
            if (!IsInt(v) || std::get<int>(v) == NotSetValue) raw[p] = commonColor;
        }
        int autoCount = 0;
        ConvMargArray(raw, 100, 0, EmBase, ExBase, Prop->GetBorderStyle(), autoCount, BoxValues);
        auto px = [](int v) { return std::clamp(v, 0, 1'000'000); };
        BorderTopPx = px(BoxValues[BorderTopWidth]);
        BorderRightPx = px(BoxValues[BorderRightWidth]);
        BorderBottomPx = px(BoxValues[BorderBottomWidth]);
        BorderLeftPx = px(BoxValues[BorderLeftWidth]);
    }
}

TCellObj::TCellObj(TSectionList* Document, const TCellObj& source)
    : ColSpan(source.ColSpan),
      RowSpan(source.RowSpan),
      SpanWidth(source.SpanWidth),
      SpanHeight(source.SpanHeight),
      FirstPassHeight(source.FirstPassHeight),
      CellGivenHeight(source.CellGivenHeight),
      CellGivenHeightPct(source.CellGivenHeightPct),
      AlignOffsetY(source.AlignOffsetY),
      VAlign(source.VAlign),
      CellGivenWidth(source.CellGivenWidth),
      WidthIsPercent(source.WidthIsPercent),
      EmBase(source.EmBase),
      ExBase(source.ExBase),
      BackImagePos(source.BackImagePos),
      InsetTop(source.InsetTop),
      InsetRight(source.InsetRight),
      InsetBottom(source.InsetBottom),
      InsetLeft(source.InsetLeft),
      BorderTopPx(source.BorderTopPx),
      BorderRightPx(source.BorderRightPx),
      BorderBottomPx(source.BorderBottomPx),
      BorderLeftPx(source.BorderLeftPx),
      HorzExtra(source.HorzExtra),
      VertExtra(source.VertExtra),
      BorderStyle(source.BorderStyle),
      Cell(std::make_unique<TCell>(Document, *source.Cell)),
      BoxValues(source.BoxValues),
      PageBreakAbove(source.PageBreakAbove),
      PageBreakBelow(source.PageBreakBelow),
      KeepOnOnePage(source.KeepOnOnePage) {
    const bool backgrounds = Document && Document->TableBackgroundsPrinted;
    if (backgrounds) {
        Cell->HasBackground = source.Cell->HasBackground;
        Cell->BackgroundColor = source.Cell->BackgroundColor;
        BackImageName = source.BackImageName;
        if (source.BackImage) BackImage = std::make_unique<TBoxBackground>(Document, *source.BackImage);
    }
}

TCellObj::~TCellObj() = default;

void TCellObj::InitializeCell(int Padding, const std::string& BkImageName, const PositionRec& BkImagePlacement,
                              bool Border) {
    for (int* inset : {&InsetTop, &InsetRight, &InsetBottom, &InsetLeft})
        if (*inset < 0) *inset = Padding;
    if (Border && !BorderStyle)
        for (int* side : {&BorderTopPx, &BorderRightPx, &BorderBottomPx, &BorderLeftPx}) *side = std::max(*side, 1);
    HorzExtra = InsetLeft + BorderLeftPx + BorderRightPx + InsetRight;
    VertExtra = InsetTop + BorderTopPx + BorderBottomPx + InsetBottom;
    if (BackImageName.empty() && !BkImageName.empty()) {
        BackImageName = BkImageName;
        BackImagePos = BkImagePlacement;
    }
}

void TCellObj::DrawLogic2(TCanvas* Canvas, int Y, int CellSpacing, int& PosCounter) {
    AlignOffsetY = 0;
    if (HasContent()) {
        const int64_t room = int64_t{SpanHeight} - FirstPassHeight - CellSpacing - VertExtra;
        switch (VAlign) {
            case AMiddle: AlignOffsetY = Sat(std::max<int64_t>(0, room / 2)); break;
            case ABottom:
            case ABaseline: AlignOffsetY = Sat(std::max<int64_t>(0, room)); break;
            default: break;
        }
    }
    int scrollWidth = 0;
    const int width = Sat(std::max<int64_t>(0, int64_t{SpanWidth} - HorzExtra - CellSpacing));
    const int height = Sat(std::max<int64_t>(0, int64_t{SpanHeight} - VertExtra - CellSpacing));
    Cell->DoLogic(Canvas, Sat(int64_t{Y} + CellSpacing + InsetTop + BorderTopPx + AlignOffsetY), width, height,
                  height, scrollWidth, PosCounter);
    TSectionList* doc = Cell->Document;
    if (!BackImageName.empty() && !BackImage && doc && doc->DisplayImages)
        BackImage = std::make_unique<TBoxBackground>(doc, BackImageName, BackImagePos);
    if (BackImage && !BackImage->Prepare(Canvas)) {
        // The error picture is never tiled; the name goes too, so the next
        // layout does not look it up again.
        BackImage.reset();
        BackImageName.clear();
    }
}

// ---- rows

TCellList::TCellList(TAttributeList* L, TProperties* Prop) {
    if (L)
        for (int i = 0; i < L->Count(); ++i) {
            const TAttribute* a = L->Attribute(i);
            switch (a->Sym) {
                case BGColorSy: HasBackColor = AttrColor(a, FillColor) || HasBackColor; break;
                case BackgroundSy: BackImageName = a->Text; break;
                case HeightSy: ReadGivenHeight(a->Text, RowGivenHeight, RowGivenHeightPct); break;
                default: break;
            }
        }
    if (!Prop) return;
    if (const TColor c = Prop->GetBackgroundColor(); c != clTransparentColor) {
        FillColor = c;
        HasBackColor = true;
    }
    std::string image;
    if (Prop->GetBackgroundImage(image)) BackImageName = image;
    Prop->GetResolvedFont();
    const int em = Prop->EmPixels > 0 ? Prop->EmPixels : 16;
    Prop->GetBackgroundPos(em, Prop->ExPixels > 0 ? Prop->ExPixels : em / 2, BackImagePlacement);
    Prop->GetPageBreaks(PageBreakAbove, PageBreakBelow, KeepOnOnePage);
}

TCellList::TCellList(TSectionList* Document, const TCellList& source)
    : RowHeight(source.RowHeight),
      RowGivenHeight(source.RowGivenHeight),
      RowGivenHeightPct(source.RowGivenHeightPct),
      RowSpanHeight(source.RowSpanHeight),
      HasBackColor(source.HasBackColor),
      FillColor(source.FillColor),
      BackImageName(source.BackImageName),
      BackImagePlacement(source.BackImagePlacement),
      PageBreakAbove(source.PageBreakAbove),
      PageBreakBelow(source.PageBreakBelow),
      KeepOnOnePage(source.KeepOnOnePage) {
    Cells.reserve(source.Cells.size());
    for (const auto& c : source.Cells)
        Cells.push_back(c ? std::make_unique<TCellObj>(Document, *c) : nullptr);
}

void TCellList::Add(TCellObj* cell) {
    if (cell) {
        PageBreakAbove = PageBreakAbove || cell->PageBreakAbove;
        PageBreakBelow = PageBreakBelow || cell->PageBreakBelow;
        KeepOnOnePage = KeepOnOnePage || cell->KeepOnOnePage;
        if (RowGivenHeight > 0)
            cell->CellGivenHeight = std::max(RowGivenHeight, cell->CellGivenHeight);
        else if (RowGivenHeightPct > 0)
            cell->CellGivenHeightPct = std::max(RowGivenHeightPct, cell->CellGivenHeightPct);
    }
    Cells.emplace_back(cell);
}

void TCellList::InitializeRow() {
    if (!HasBackColor) return;
    for (auto& c : Cells)
        if (c && !c->Cell->HasBackground) {
            c->Cell->BackgroundColor = FillColor;
            c->Cell->HasBackground = true;
        }
}

int TCellList::DrawLogic1(TCanvas* Canvas, const std::vector<int>& Widths, int Span, int CellSpacing, int HeightArg,
                          int& Desired, bool& AnyGiven, bool& More) {
    Desired = 0;
    AnyGiven = false;
    More = false;
    int result = 0;
    for (size_t i = 0; i < Cells.size(); ++i) {
        TCellObj* c = Cells[i].get();
        if (!c) continue;
        if (c->RowSpan > Span) More = true;
        if (c->RowSpan != Span) continue;
        c->SpanWidth = Sat(Sum(Widths, i, static_cast<size_t>(std::max(c->ColSpan, 1))));
        int target = 0;
        if (c->CellGivenHeight > 0)
            target = c->CellGivenHeight;
        else if (c->CellGivenHeightPct > 0)
            target = MulDivY(HeightArg, c->CellGivenHeightPct, 100);
        // The first pass measures only: positions are given in the final one.
        int scratchPos = 0, scrollWidth = 0;
        const int width = Sat(std::max<int64_t>(0, int64_t{c->SpanWidth} - c->HorzExtra - CellSpacing));
        const int height = Sat(std::max<int64_t>(0, int64_t{target} - c->VertExtra));
        c->FirstPassHeight = c->Cell->DoLogic(Canvas, 0, width, height, height, scrollWidth, scratchPos);
        int h = Sat(int64_t{c->FirstPassHeight} + c->VertExtra);
        if (c->CellGivenHeight > 0) h = std::max(h, c->CellGivenHeight);
        result = std::max(result, h);
        if (c->CellGivenHeightPct > 0) Desired = std::max(Desired, target);
        if (c->CellGivenHeight > 0 || c->CellGivenHeightPct > 0) AnyGiven = true;
    }
    Desired = std::max(Desired, result);
    return result;
}

void TCellList::DrawLogic2(TCanvas* Canvas, int Y, int CellSpacing, int& PosCounter) {
    for (auto& c : Cells)
        if (c) c->DrawLogic2(Canvas, Y, CellSpacing, PosCounter);
}

int TCellList::Draw(TCanvas* Canvas, TSectionList* Document, const TRect& ARect, const std::vector<int>& Widths,
                    int X, int Y, int YOffset, int CellSpacing, bool Border, TColor Light, TColor Dark,
                    int ThisRow) {
    const int result = Sat(int64_t{Y} + RowHeight);
    const int half = CellSpacing / 2;
    const bool printing = Document && Document->Printing;
    if (printing) {
        TSectionList& doc = *Document;
        const int pageHeight = ARect.Bottom - ARect.Top;
        const int64_t pageTop = int64_t{ARect.Top} + YOffset;
        const bool atPageTop = Y <= pageTop;
        const int64_t spanEnd = int64_t{Y} + std::max(RowSpanHeight, RowHeight);
        auto lowerTo = [&](int64_t bottom) {
            if (bottom < doc.PageBottomY) {
                doc.PageBottomY = Sat(bottom);
                doc.PageBottomLowered = true;
            }
        };
        const bool crosses = spanEnd > doc.PageBottomY;
        const bool fits = std::max(RowSpanHeight, RowHeight) < pageHeight;
        if (PageBreakAbove && !atPageTop) {
            lowerTo(int64_t{Y} + half);
            return result;
        }
        if (KeepOnOnePage && !atPageTop && crosses && fits) {
            lowerTo(int64_t{Y} + half);
            return result;
        }
        if (PageBreakBelow && result <= doc.PageBottomY) lowerTo(int64_t{result} + half);
        if (int64_t{Y} - YOffset > ARect.Top + int64_t{pageHeight} * 2 / 3 && crosses && fits) {
            lowerTo(ThisRow == 0 ? int64_t{Y} : int64_t{Y} + half);
            return result;
        }
    }
    const int64_t top = int64_t{Y} - YOffset;
    const int64_t bottom = top + std::max(RowSpanHeight, RowHeight);
    if (bottom < ARect.Top || top >= ARect.Bottom) return result;
    if (printing && Y >= Document->PageBottomY) return result;
    int64_t x = X;
    for (size_t i = 0; i < Cells.size(); ++i) {
        if (TCellObj* c = Cells[i].get())
            c->Draw(Canvas, ARect, Sat(x), Sat(top), CellSpacing, Border, Light, Dark);
        if (i < Widths.size()) x += Widths[i];
    }
    return result;
}

// ---- the table

ThtmlTable::ThtmlTable(TSectionList* Document, TAttributeList* L, TProperties* Prop) : TSectionBase(Document) {
    TColor light = clBtnHighlight, dark = clBtnShadow, both = 0;
    bool haveLight = false, haveDark = false, haveBoth = false;
    if (L)
        for (int i = 0; i < L->Count(); ++i) {
            const TAttribute* a = L->Attribute(i);
            switch (a->Sym) {
                case BorderSy: BorderWidth = std::clamp(a->Number, 0, MaxTableBorder); break;
                case CellPaddingSy: CellPadding = std::clamp(a->Number, 0, MaxTableCellPadding); break;
                case CellSpacingSy: CellSpacing = std::clamp(a->Number, 0, MaxTableCellSpacing); break;
                case BorderColorSy: haveBoth = AttrColor(a, both) || haveBoth; break;
                case BorderColorLightSy: haveLight = AttrColor(a, light) || haveLight; break;
                case BorderColorDarkSy: haveDark = AttrColor(a, dark) || haveDark; break;
                case BGColorSy: HasBackColor = AttrColor(a, FillColor) || HasBackColor; break;
                default: break;
            }
        }
    BorderColorLight = haveLight ? light : haveBoth ? both : clBtnHighlight;
    BorderColorDark = haveDark ? dark : haveBoth ? both : clBtnShadow;
    if (Prop)
        if (const TColor c = Prop->GetBackgroundColor(); c != clTransparentColor) {
            FillColor = c;
            HasBackColor = true;
        }
}

ThtmlTable::ThtmlTable(TSectionList* Document, const ThtmlTable& source)
    : TSectionBase(Document, source),
      Initialized(source.Initialized),
      Indent(source.Indent),
      BorderWidth(source.BorderWidth),
      ColumnCount(source.ColumnCount),
      GivenTableWidth(source.GivenTableWidth),
      WidthAttrPixels(source.WidthAttrPixels),
      AbsoluteWidthsOnly(source.AbsoluteWidthsOnly),
      CellPadding(source.CellPadding),
      CellSpacing(source.CellSpacing),
      BorderColorLight(source.BorderColorLight),
      BorderColorDark(source.BorderColorDark),
      Floating(source.Floating),
      BlockHasBackground(source.BlockHasBackground) {
    const bool backgrounds = Document && Document->TableBackgroundsPrinted;
    HasBackColor = backgrounds && source.HasBackColor;
    FillColor = source.FillColor;
    if (source.ColumnSpecs) ColumnSpecs = std::make_unique<std::vector<TColObj>>(*source.ColumnSpecs);
    Rows.reserve(source.Rows.size());
    for (const auto& r : source.Rows) Rows.push_back(std::make_unique<TCellList>(Document, *r));
    const size_t n = static_cast<size_t>(ColumnCount);
    Widths.assign(n, 0);
    MaxWidths.assign(n, 0);
    MinWidths.assign(n, 0);
    Percents.assign(n, 0);
}

ThtmlTable::~ThtmlTable() = default;

TSectionList* ThtmlTable::Document() const { return SectionListOf(OwnerDocument); }

TSectionBase* ThtmlTable::CreateClone(TSectionDocument* document) const {
    return new ThtmlTable(SectionListOf(document), *this);
}

void ThtmlTable::AddRow(TCellList* row) {
    if (row) Rows.emplace_back(row);
}

void ThtmlTable::DoColumns(int Width, bool InPercent, AlignmentType VAlign, const std::string& Align) {
    if (!ColumnSpecs) ColumnSpecs = std::make_unique<std::vector<TColObj>>();
    ColumnSpecs->push_back(TColObj{Width, InPercent, VAlign, Align});
}

void ThtmlTable::AddDummyCells() {
    if (Initialized) return;
    const int rows = RowCount();
    int64_t budget = MaxDummyCells;
    // The row span of every place: a cell's own, its COLSPAN places' (which
    // cover the same rows), 0 for places that ROWSPAN or the reader left.
    std::vector<std::vector<int>> spans(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        TCellList& row = *Row(r);
        row.InitializeRow();
        for (int i = row.Count() - 1; i >= 0; --i) {
            TCellObj* c = row.Cell(i);
            if (!c) continue;
            c->InitializeCell(CellPadding, row.BackImageName, row.BackImagePlacement, BorderWidth > 0);
            if (c->CellGivenWidth > 0 && !c->WidthIsPercent) AbsoluteWidthsOnly = true;
            if (HasBackColor && !c->Cell->HasBackground) {
                c->Cell->BackgroundColor = FillColor;
                c->Cell->HasBackground = true;
            }
            c->RowSpan = std::clamp(c->RowSpan, 1, rows - r);
            c->ColSpan = std::max(c->ColSpan, 1);
            // Spans that would pass the table's budget of places are cut.
            const int64_t extra = std::min<int64_t>(c->ColSpan - 1, budget);
            c->ColSpan = static_cast<int>(extra) + 1;
            budget -= extra;
            const int64_t below = int64_t{c->ColSpan} * (c->RowSpan - 1);
            if (below > budget) c->RowSpan = 1 + static_cast<int>(budget / c->ColSpan);
            budget -= int64_t{c->ColSpan} * (c->RowSpan - 1);
            std::vector<std::unique_ptr<TCellObj>> places(static_cast<size_t>(extra));
            row.Cells.insert(row.Cells.begin() + i + 1, std::make_move_iterator(places.begin()),
                             std::make_move_iterator(places.end()));
        }
        std::vector<int>& s = spans[static_cast<size_t>(r)];
        s.assign(row.Cells.size(), 0);
        for (size_t i = 0; i < row.Cells.size(); ++i)
            if (TCellObj* c = row.Cells[i].get())
                for (size_t k = 0; k < static_cast<size_t>(c->ColSpan) && i + k < s.size(); ++k) s[i + k] = c->RowSpan;
    }

    size_t longest = 0;
    for (const auto& s : spans) longest = std::max(longest, s.size());
    int64_t padding = MaxDummyCells;  // the places added at short rows' ends
    for (size_t i = 0; i < longest; ++i)
        for (int r = 0; r < rows; ++r) {
            const std::vector<int>& here = spans[static_cast<size_t>(r)];
            if (i >= here.size() || here[i] <= 1) continue;
            const int span = std::min(here[i], rows - r);
            for (int k = 1; k < span; ++k) {
                TCellList& below = *Row(r + k);
                std::vector<int>& s = spans[static_cast<size_t>(r + k)];
                if (s.size() < i) {
                    const int64_t add = static_cast<int64_t>(i - s.size());
                    if (add > padding) continue;
                    padding -= add;
                    below.Cells.resize(i);
                    s.resize(i, 0);
                }
                below.Cells.insert(below.Cells.begin() + static_cast<std::ptrdiff_t>(i), nullptr);
                s.insert(s.begin() + static_cast<std::ptrdiff_t>(i), 0);
                longest = std::max(longest, s.size());
            }
        }

    ColumnCount = 0;
    for (const auto& row : Rows) ColumnCount = std::max(ColumnCount, row->Count());

    if (ColumnSpecs) {
        AbsoluteWidthsOnly = false;
        for (const auto& row : Rows) {
            const int n = std::min({row->Count(), ColumnCount, static_cast<int>(ColumnSpecs->size())});
            for (int i = 0; i < n; ++i) {
                TCellObj* c = row->Cell(i);
                if (!c) continue;
                const TColObj& col = (*ColumnSpecs)[static_cast<size_t>(i)];
                if (col.ColWidth > 0) {
                    c->CellGivenWidth = col.ColWidth;
                    c->WidthIsPercent = col.AsPercent;
                }
            }
            for (int i = 0; i < row->Count(); ++i)
                if (TCellObj* c = row->Cell(i); c && c->CellGivenWidth > 0 && !c->WidthIsPercent)
                    AbsoluteWidthsOnly = true;
        }
        ColumnSpecs.reset();
    }

    const size_t n = static_cast<size_t>(ColumnCount);
    Widths.assign(n, 0);
    MaxWidths.assign(n, 0);
    MinWidths.assign(n, 0);
    Percents.assign(n, 0);
    Initialized = true;
}

namespace {

// The distinct spans (COLSPAN or ROWSPAN) of a table's cells, smallest first.
template <class F>
std::vector<int> SpanSizes(const std::vector<std::unique_ptr<TCellList>>& rows, F&& spanOf) {
    std::vector<int> sizes;
    for (const auto& row : rows)
        for (const auto& c : row->Cells)
            if (c) sizes.push_back(std::max(1, spanOf(*c)));
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

}  // namespace

// The row heights are found anew once per layout cycle. Widths asked for
// another width within a cycle (the block measures the table before it gives
// it its width) are worked out again, but keep the heights: otherwise nested
// tables would find their heights again at every level.
void ThtmlTable::NewWidthsCycle(int cycle) {
    if (cycle != WidthsLayoutCycle || cycle == INT_MIN) Heights.clear();
    WidthsLayoutCycle = cycle;
}

void ThtmlTable::GetWidths(TCanvas* Canvas, int& Min, int SpecifiedTableWidth, int& Max) {
    TSectionList* doc = Document();
    const int cycle = doc ? doc->LayoutCycle : INT_MIN;
    if (!(doc && cycle == WidthsLayoutCycle && !FWidthsAbs && FWidthsSpecified == SpecifiedTableWidth)) {
        NewWidthsCycle(cycle);
        FWidthsAbs = false;
        FWidthsSpecified = SpecifiedTableWidth;
        const size_t n = static_cast<size_t>(ColumnCount);
        MinWidths.assign(n, 0);
        MaxWidths.assign(n, 0);
        Percents.assign(n, 0);
        for (int j : SpanSizes(Rows, [](const TCellObj& c) { return c.ColSpan; }))
            for (const auto& row : Rows)
                for (size_t i = 0; i < row->Cells.size() && i < n; ++i) {
                    TCellObj* c = row->Cells[i].get();
                    if (!c || std::max(c->ColSpan, 1) != j) continue;
                    int p = 0;
                    if (c->WidthIsPercent)
                        p = c->CellGivenWidth;
                    else if (c->CellGivenWidth > 0 && SpecifiedTableWidth > 0)
                        p = static_cast<int>(
                            std::min<int64_t>(1000, int64_t{c->CellGivenWidth} * 1000 / SpecifiedTableWidth));
                    int mn = 0, mx = 0;
                    c->Cell->MinMaxWidth(Canvas, mn, mx);
                    const int64_t extra = int64_t{c->HorzExtra} + CellSpacing;
                    const int cellMin = Sat(mn + extra);
                    const int cellMax = std::max(cellMin, Sat(mx + extra));
                    if (j == 1) {
                        MinWidths[i] = std::max(MinWidths[i], cellMin);
                        MaxWidths[i] = std::max(MaxWidths[i], cellMax);
                        Percents[i] = std::max(Percents[i], p);
                        continue;
                    }
                    const size_t count = std::min(static_cast<size_t>(j), n - i);
                    const int64_t minSum = Sum(MinWidths, i, count), maxSum = Sum(MaxWidths, i, count);
                    int64_t pctSum = Sum(Percents, i, count);
                    size_t without = 0;
                    for (size_t k = 0; k < count; ++k) without += Percents[i + k] == 0;
                    std::vector<int64_t> weights(count);
                    if (p > 0 || pctSum > 0) {
                        if (without == 0 && pctSum < p) {
                            for (size_t k = 0; k < count; ++k) weights[k] = Percents[i + k];
                            for (size_t k = 0; k < count; ++k) Percents[i + k] = 0;
                            Spread(Percents, i, count, p, weights);
                        } else if (without > 0 && (p - pctSum) / static_cast<int64_t>(without) > 0) {
                            const int share = static_cast<int>((p - pctSum) / static_cast<int64_t>(without));
                            for (size_t k = 0; k < count; ++k)
                                if (Percents[i + k] == 0) Percents[i + k] = share;
                        }
                        bool all = true;
                        for (size_t k = 0; k < count; ++k) all = all && Percents[i + k] > 0;
                        for (size_t k = 0; k < count; ++k)
                            weights[k] = all || maxSum <= 0 ? Percents[i + k] : MaxWidths[i + k];
                        Spread(MinWidths, i, count, cellMin - minSum, weights);
                        for (size_t k = 0; k < count; ++k) weights[k] = Percents[i + k];
                        Spread(MaxWidths, i, count, cellMax - maxSum, weights);
                    } else {
                        for (size_t k = 0; k < count; ++k) weights[k] = MinWidths[i + k];
                        if (cellMin > minSum) {
                            for (size_t k = 0; k < count; ++k) MinWidths[i + k] = 0;
                            Spread(MinWidths, i, count, cellMin, weights);
                        }
                        for (size_t k = 0; k < count; ++k) weights[k] = MaxWidths[i + k];
                        if (cellMax > maxSum) {
                            for (size_t k = 0; k < count; ++k) MaxWidths[i + k] = 0;
                            Spread(MaxWidths, i, count, cellMax, weights);
                        }
                    }
                }
        for (size_t k = 0; k < n; ++k) MaxWidths[k] = std::max(MaxWidths[k], MinWidths[k]);
    }
    Min = Sat(Sum(MinWidths));
    Max = Sat(Sum(MaxWidths));
}

void ThtmlTable::GetMinMaxAbs(TCanvas* Canvas, int& Min, int& Max) {
    TSectionList* doc = Document();
    const int cycle = doc ? doc->LayoutCycle : INT_MIN;
    if (!(doc && cycle == WidthsLayoutCycle && FWidthsAbs)) {
        NewWidthsCycle(cycle);
        FWidthsAbs = true;
        FWidthsSpecified = -1;
        const size_t n = static_cast<size_t>(ColumnCount);
        MinWidths.assign(n, 0);
        MaxWidths.assign(n, 0);
        Percents.assign(n, 0);
        for (int j : SpanSizes(Rows, [](const TCellObj& c) { return c.ColSpan; }))
            for (const auto& row : Rows)
                for (size_t i = 0; i < row->Cells.size() && i < n; ++i) {
                    TCellObj* c = row->Cells[i].get();
                    if (!c || std::max(c->ColSpan, 1) != j) continue;
                    int mn = 0, mx = 0;
                    c->Cell->MinMaxWidth(Canvas, mn, mx);
                    const int64_t extra = int64_t{c->HorzExtra} + CellSpacing;
                    int cellMin = Sat(mn + extra);
                    int cellMax = std::max(cellMin, Sat(mx + extra));
                    const bool absolute = c->CellGivenWidth > 0 && !c->WidthIsPercent;
                    if (j == 1) {
                        if (absolute) cellMax = std::max(cellMin, Sat(c->CellGivenWidth + extra));
                        MinWidths[i] = std::max(MinWidths[i], cellMin);
                        MaxWidths[i] = std::max(MaxWidths[i], cellMax);
                        continue;
                    }
                    if (absolute) {
                        cellMin = std::max(cellMin, c->CellGivenWidth);
                        cellMax = std::max(cellMax, c->CellGivenWidth);
                    }
                    const size_t count = std::min(static_cast<size_t>(j), n - i);
                    std::vector<int64_t> weights(count);
                    // In proportion to what the columns have; all to the
                    // first when they have nothing.
                    auto grow = [&](std::vector<int>& into, int wanted) {
                        const int64_t have = Sum(into, i, count);
                        if (wanted <= have) return;
                        if (have <= 0) {
                            into[i] = Sat(into[i] + (wanted - have));
                            return;
                        }
                        for (size_t k = 0; k < count; ++k) weights[k] = into[i + k];
                        for (size_t k = 0; k < count; ++k) into[i + k] = 0;
                        Spread(into, i, count, wanted, weights);
                    };
                    grow(MinWidths, cellMin);
                    grow(MaxWidths, cellMax);
                }
        for (size_t k = 0; k < n; ++k) MaxWidths[k] = std::max(MaxWidths[k], MinWidths[k]);
    }
    Min = Sat(Sum(MinWidths));
    Max = Sat(Sum(MaxWidths));
}

void ThtmlTable::GetWidthsAbs(TCanvas*, int Width, bool) {
    const size_t n = static_cast<size_t>(ColumnCount);
    const int64_t mn = Sum(MinWidths), mx = Sum(MaxWidths);
    if (Width < mn) {
        Widths = MinWidths;
        return;
    }
    if (Width >= mx) {
        Widths = MaxWidths;
        return;
    }
    const int64_t range = mx - mn;  // > 0 here
    Widths.assign(n, 0);
    for (size_t k = 0; k < n; ++k)
        Widths[k] = Sat(MinWidths[k] + int64_t{MaxWidths[k] - MinWidths[k]} * (Width - mn) / range);
    int64_t diff = Width - Sum(Widths);
    // A pixel at a time from the first column; taken only where there is room
    // above the minimum.
    for (size_t pass = 0; diff != 0 && pass < 2 * n + 2; ++pass)
        for (size_t k = 0; k < n && diff != 0; ++k) {
            if (diff > 0) {
                ++Widths[k];
                --diff;
            } else if (MinWidths[k] < MaxWidths[k] && Widths[k] > MinWidths[k]) {
                --Widths[k];
                ++diff;
            }
        }
}

void ThtmlTable::TableNotSpecifiedAndWillFit(int Min, int Max, int Width) {
    const size_t n = static_cast<size_t>(ColumnCount);
    if (n == 0) return;
    std::vector<int> mins = MinWidths, maxs = MaxWidths, pcts = Percents;
    const int64_t pctSum = Sum(pcts);
    const int64_t W = Width;
    Widths.assign(n, 0);
    if (pctSum > 0 && pctSum <= 1000) {
        int64_t nonPctMax = 0, a = 0;
        for (size_t k = 0; k < n; ++k)
            if (pcts[k] == 0)
                nonPctMax += maxs[k];
            else
                a = std::max(a, int64_t{maxs[k]} * 1000 / pcts[k]);
        const int64_t b = pctSum < 1000 ? nonPctMax * 1000 / (1000 - pctSum) : nonPctMax > 0 ? 30000 : 0;
        const int64_t wanted = std::max(a, b);
        if (W >= wanted) {
            const int64_t rest = wanted * (1000 - pctSum) / 1000;
            int64_t given = 0;
            size_t firstFree = n;
            for (size_t k = 0; k < n; ++k) {
                if (pcts[k] > 0) {
                    Widths[k] = Sat(wanted * pcts[k] / 1000);
                } else {
                    if (firstFree == n) firstFree = k;
                    Widths[k] = nonPctMax > 0 ? Sat(rest * maxs[k] / nonPctMax) : 0;
                    given += Widths[k];
                }
            }
            if (firstFree < n && nonPctMax > 0) Widths[firstFree] = Sat(Widths[firstFree] + rest - given);
            return;
        }
    }
    int64_t mn = Min, mx = Max;
    if (pctSum > 0) {
        // Bounded: every pass either ends the loop or lowers the sum of the
        // percentages, and there are at most ColumnCount + 2 passes.
        for (size_t pass = 0; pass < n + 2; ++pass) {
            bool any = false;
            for (size_t k = 0; k < n; ++k)
                if (pcts[k] > 0) {
                    if (W * pcts[k] / 1000 < mins[k])
                        pcts[k] = 0;
                    else
                        any = true;
                }
            if (!any) break;
            int64_t fixedMin = 0, shares = 0, current = 0;
            for (size_t k = 0; k < n; ++k) {
                if (pcts[k] == 0)
                    fixedMin += mins[k];
                else
                    shares += W * pcts[k] / 1000;
                current += pcts[k];
            }
            if (fixedMin + shares > W) {
                const int64_t target = W > 0 ? std::min(current - 1, (W - fixedMin) * 1000 / W) : 0;
                if (target <= 0) {
                    std::fill(pcts.begin(), pcts.end(), 0);
                    break;
                }
                for (int& p : pcts) p = static_cast<int>(int64_t{p} * target / current);
                continue;
            }
            for (size_t k = 0; k < n; ++k)
                if (pcts[k] > 0) mins[k] = maxs[k] = Sat(W * pcts[k] / 1000);
            mn = Sum(mins);
            mx = Sum(maxs);
            break;
        }
    }
    if (mx <= mn) {
        const int64_t each = (W - mn) / static_cast<int64_t>(n);
        for (size_t k = 0; k < n; ++k) Widths[k] = Sat(mins[k] + each);
        Widths[0] = Sat(Widths[0] + (W - mn) - each * static_cast<int64_t>(n));
        return;
    }
    size_t widest = 0;
    for (size_t k = 0; k < n; ++k) {
        Widths[k] = Sat(mins[k] + int64_t{maxs[k] - mins[k]} * (W - mn) / (mx - mn));
        if (maxs[k] - mins[k] > maxs[widest] - mins[widest]) widest = k;
    }
    Widths[widest] = Sat(Widths[widest] + W - Sum(Widths));
}

void ThtmlTable::TableSpecifiedAndWillFit(int Width) {
    const size_t n = static_cast<size_t>(ColumnCount);
    if (n == 0) return;
    const int64_t W = Width;
    std::vector<int64_t> w(n);
    std::vector<bool> fixed(n, false);
    size_t freeCount = 0;
    for (size_t k = 0; k < n; ++k) {
        if (Percents[k] == 0) {
            w[k] = MinWidths[k];
            ++freeCount;
        } else {
            w[k] = W * Percents[k] / 1000;
            if (MinWidths[k] > w[k]) {
                w[k] = MinWidths[k];
                fixed[k] = true;
            }
        }
    }
    int64_t excess = std::accumulate(w.begin(), w.end(), int64_t{0}) - W;
    auto share = [&](const std::vector<int64_t>& weights, int64_t amount, int sign) {
        const int64_t total = std::accumulate(weights.begin(), weights.end(), int64_t{0});
        if (total <= 0) return;
        for (size_t k = 0; k < n; ++k) w[k] += sign * (amount * weights[k] / total);
    };
    std::vector<int64_t> weights(n, 0);
    if (excess < 0) {
        const int64_t room = -excess;
        if (freeCount == 0) {
            for (size_t k = 0; k < n; ++k) weights[k] = fixed[k] ? 0 : Percents[k];
            if (std::accumulate(weights.begin(), weights.end(), int64_t{0}) <= 0)
                std::fill(weights.begin(), weights.end(), 1);
        } else {
            int64_t usable = 0;
            for (size_t k = 0; k < n; ++k)
                if (Percents[k] == 0) usable += std::max(0, MaxWidths[k] - MinWidths[k]);
            const bool byRange = usable > 0 && usable >= room / 4;
            for (size_t k = 0; k < n; ++k)
                weights[k] = Percents[k] != 0 ? 0 : byRange ? std::max(0, MaxWidths[k] - MinWidths[k]) : 1;
        }
        share(weights, room, 1);
    } else if (excess > 0) {
        for (int pass = 0; pass < 4; ++pass) {
            int64_t pctSum = 0;
            for (size_t k = 0; k < n; ++k)
                if (Percents[k] > 0 && !fixed[k]) pctSum += Percents[k];
            if (pctSum <= 0) break;
            bool changed = false;
            for (size_t k = 0; k < n; ++k)
                if (Percents[k] > 0 && !fixed[k] && w[k] - excess * Percents[k] / pctSum < MinWidths[k]) {
                    excess -= w[k] - MinWidths[k];
                    w[k] = MinWidths[k];
                    fixed[k] = true;
                    changed = true;
                }
            if (!changed) break;
        }
        for (size_t k = 0; k < n; ++k) weights[k] = Percents[k] > 0 && !fixed[k] ? Percents[k] : 0;
        if (excess > 0) share(weights, excess, -1);
    }
    int64_t diff = std::accumulate(w.begin(), w.end(), int64_t{0}) - W;
    if (diff > 0) {
        size_t from = n;
        for (size_t k = 0; k < n && from == n; ++k)
            if (!fixed[k] && w[k] - diff >= MinWidths[k]) from = k;
        for (size_t k = 0; k < n && from == n; ++k)
            if (!fixed[k]) from = k;
        if (from < n) w[from] = std::max<int64_t>(0, w[from] - diff);
    } else if (diff < 0) {
        w[0] -= diff;
    }
    Widths.assign(n, 0);
    for (size_t k = 0; k < n; ++k) Widths[k] = Sat(std::max<int64_t>(0, w[k]));
}

void ThtmlTable::FindRowHeights(TCanvas* Canvas, int HeightArg) {
    const size_t rows = Rows.size();
    Heights.assign(rows, 0);
    if (rows == 0) return;
    const int64_t avail = int64_t{HeightArg} - CellSpacing;
    const int cellHeightArg = Sat(std::max<int64_t>(0, avail - static_cast<int64_t>(rows) * CellSpacing));
    std::vector<int64_t> mins(rows, 0), desired(rows, 0);
    std::vector<bool> heightGiven(rows, false);
    std::vector<int> sizes = SpanSizes(Rows, [](const TCellObj& c) { return c.RowSpan; });
    if (sizes.empty() || sizes.front() != 1) sizes.insert(sizes.begin(), 1);  // rows without cells count too
    for (int s : sizes) {
        const size_t span = static_cast<size_t>(s);
        if (span > rows) break;
        for (size_t i = 0; i + span <= rows; ++i) {
            int want = 0;
            bool given = false, more = false;
            const int64_t h =
                int64_t{Rows[i]->DrawLogic1(Canvas, Widths, s, CellSpacing, cellHeightArg, want, given, more)} +
                CellSpacing;
            const int64_t d = int64_t{want} + CellSpacing;
            if (span == 1) {
                mins[i] = h;
                desired[i] = d;
                heightGiven[i] = given;
                continue;
            }
            if (h <= CellSpacing) continue;
            auto spread = [&](std::vector<int64_t>& into, int64_t needed) {
                int64_t have = 0;
                for (size_t k = i; k < i + span; ++k) have += into[k];
                if (needed <= have) return;
                const int64_t each = (needed - have) / static_cast<int64_t>(span);
                for (size_t k = i; k < i + span; ++k) into[k] += each;
                into[i + span - 1] += (needed - have) - each * static_cast<int64_t>(span);
            };
            spread(mins, h);
            spread(desired, std::max(d, h));
            if (given)
                for (size_t k = i; k < i + span; ++k) heightGiven[k] = true;
        }
    }
    for (size_t k = 0; k < rows; ++k) desired[k] = std::max(desired[k], mins[k]);
    const int64_t minSum = std::accumulate(mins.begin(), mins.end(), int64_t{0});
    const int64_t desiredSum = std::accumulate(desired.begin(), desired.end(), int64_t{0});
    auto finish = [&](const std::vector<int64_t>& h) {
        for (size_t k = 0; k < rows; ++k) Heights[k] = Sat(h[k]);
    };
    std::vector<int64_t> h(rows, 0);
    if (minSum >= avail) {
        finish(mins);
    } else if (desiredSum >= avail) {
        int64_t used = 0;
        for (size_t k = 0; k + 1 < rows; ++k) {
            h[k] = mins[k] + RoundedMulDiv(desired[k] - mins[k], avail - minSum, desiredSum - minSum);
            used += h[k];
        }
        h[rows - 1] = std::max(mins[rows - 1], avail - used);
        finish(h);
    } else if (std::all_of(heightGiven.begin(), heightGiven.end(), [](bool b) { return b; })) {
        int64_t used = 0;
        for (size_t k = 0; k + 1 < rows; ++k) {
            h[k] = desiredSum > 0 ? RoundedMulDiv(desired[k], avail, desiredSum) : avail / static_cast<int64_t>(rows);
            h[k] = std::max(h[k], mins[k]);
            used += h[k];
        }
        h[rows - 1] = std::max(mins[rows - 1], avail - used);
        finish(h);
    } else {
        h = desired;
        const int64_t free = std::count(heightGiven.begin(), heightGiven.end(), false);
        const int64_t extra = avail - desiredSum;
        const int64_t each = extra / free;
        size_t last = rows;
        for (size_t k = 0; k < rows; ++k)
            if (!heightGiven[k]) {
                h[k] += each;
                last = k;
            }
        h[last] += extra - each * free;
        finish(h);
    }
}

// ---- layout

int ThtmlTable::DrawLogic(TCanvas* Canvas, int X, int Y, int, int, int WidthArg, int HeightArg, int,
                          IndentManager* IndentRef, int& MaxWidth, int& PosCounter) {
    TSectionList* doc = Document();
    TTableDepth depth(doc);
    THeldBaseline baseline(doc);
    InnerTop = PlacedY = PaintTop = Y;
    FirstDocPos = PosCounter;

    AddDummyCells();
    int left = X, right = SaturateY(int64_t{X} + WidthArg);
    if (IndentRef) {
        left = std::max(X, IndentRef->LeftIndent(Y));
        right = IndentRef->RightSide(Y);
    }
    Indent = left - X;
    LayoutLeft = left;
    const int available = WidthAttrPixels > 0 ? WidthAttrPixels : Sat(std::max<int64_t>(0, int64_t{right} - left));
    const int W = Sat(int64_t{available} - CellSpacing);

    int mn = 0, mx = 0;
    if (AbsoluteWidthsOnly && WidthAttrPixels == 0) {
        GetMinMaxAbs(Canvas, mn, mx);
        GetWidthsAbs(Canvas, W, false);
    } else {
        GetWidths(Canvas, mn, WidthAttrPixels, mx);
        if (mn >= W)
            Widths = MinWidths;
        else if (WidthAttrPixels == 0)
            TableNotSpecifiedAndWillFit(mn, mx, W);
        else
            TableSpecifiedAndWillFit(W);
    }
    GivenTableWidth = Sat(CellSpacing + Sum(Widths));

    if (Heights.size() != Rows.size() || (doc && doc->InSecondPass && depth.Depth() <= MaxRefinedTableDepth))
        FindRowHeights(Canvas, HeightArg);

    int64_t y = Y;
    int64_t full = 0;
    FRowTops.assign(Rows.size(), 0);
    for (size_t r = 0; r < Rows.size(); ++r) {
        TCellList& row = *Rows[r];
        row.RowHeight = Heights[r];
        row.RowSpanHeight = 0;
        for (size_t i = 0; i < row.Cells.size(); ++i)
            if (TCellObj* c = row.Cells[i].get()) {
                c->SpanWidth = Sat(Sum(Widths, i, static_cast<size_t>(c->ColSpan)));
                c->SpanHeight = Sat(Sum(Heights, r, static_cast<size_t>(c->RowSpan)));
                row.RowSpanHeight = std::max(row.RowSpanHeight, c->SpanHeight);
            }
        FRowTops[r] = Sat(y);
        TSecondPass pass(doc, depth.Depth() == 1);
        if (!doc || doc->InSecondPass) row.DrawLogic2(Canvas, Sat(y), CellSpacing, PosCounter);
        full += row.RowHeight;
        y += row.RowHeight;
    }
    full += CellSpacing;
    FullHeight = Sat(full);
    Len = PosCounter - FirstDocPos;
    MaxWidth = GivenTableWidth;
    PaintHeight = FullHeight;
    InnerBottom = PaintBottom = Sat(int64_t{InnerTop} + FullHeight);
    if (int* target = baseline.Target()) *target = InnerBottom;
    return FullHeight;
}

void ThtmlTable::MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) {
    AddDummyCells();
    if (AbsoluteWidthsOnly && WidthAttrPixels == 0)
        GetMinMaxAbs(Canvas, Min, Max);
    else
        GetWidths(Canvas, Min, WidthAttrPixels, Max);
    Min = std::max(Sat(int64_t{Min} + CellSpacing), WidthAttrPixels);
    Max = std::max({Sat(int64_t{Max} + CellSpacing), WidthAttrPixels, Min});
}

// ---- painting

int ThtmlTable::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int, int) {
    const int result = Sat(int64_t{InnerTop} + FullHeight);
    TSectionList* doc = Document();
    const int scrollY = doc ? doc->ScrollY : 0;
    const int64_t top = int64_t{InnerTop} - scrollY, bottom = int64_t{result} - scrollY;
    if (bottom >= ARect.Top && top < ARect.Bottom && !(doc && doc->Printing && InnerTop >= doc->PageBottomY))
        DrawTable(Canvas, ARect, IndentRef, X, InnerTop);
    return result;
}

void ThtmlTable::DrawTable(TCanvas* Canvas, const TRect& ARect, IndentManager*, int X, int Y) {
    TSectionList* doc = Document();
    TableLeft = Sat(int64_t{X} + Indent);
    TableTop = Y;
    const int scrollY = doc ? doc->ScrollY : 0;
    int y = Y;
    for (size_t r = 0; r < Rows.size(); ++r)
        y = Rows[r]->Draw(Canvas, doc, ARect, Widths, TableLeft, y, scrollY, CellSpacing, BorderWidth > 0,
                          BorderColorLight, BorderColorDark, static_cast<int>(r));
}

// ---- queries

template <class F>
bool ThtmlTable::ForCellsAt(int X, int Y, F&& visit) {
    if (Y < PlacedY || Y >= InnerBottom || X < LayoutLeft || int64_t{X} > int64_t{LayoutLeft} + GivenTableWidth)
        return false;
    for (size_t r = 0; r < Rows.size() && r < FRowTops.size(); ++r) {
        const int top = FRowTops[r];
        if (top > Y) break;
        int64_t x = LayoutLeft;
        const TCellList& row = *Rows[r];
        for (size_t i = 0; i < row.Cells.size(); ++i) {
            TCellObj* c = row.Cells[i].get();
            if (c && X >= x && X < x + c->SpanWidth && Y < int64_t{top} + c->SpanHeight &&
                visit(*c, Sat(x + c->ContentLeft(CellSpacing))))
                return true;
            if (i < Widths.size()) x += Widths[i];
        }
    }
    return false;
}

guResultType ThtmlTable::GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut,
                                TImageFormControlObj*& ControlOut, std::string& TitleOut) {
    TargetOut = nullptr;
    ControlOut = nullptr;
    guResultType result = 0;
    ForCellsAt(X, Y, [&](TCellObj& c, int left) {
        result = c.Cell->GetURL(Canvas, X - left, Y, TargetOut, ControlOut, TitleOut);
        return true;
    });
    return result;
}

bool ThtmlTable::PtInObject(int X, int Y, TObject*& Obj, int& HitX, int& HitY) {
    Obj = nullptr;
    return ForCellsAt(X, Y, [&](TCellObj& c, int left) { return c.Cell->PtInObject(X - left, Y, Obj, HitX, HitY); });
}

int ThtmlTable::FindCursor(TCanvas* Canvas, int X, int Y, int& CaretX, int& CaretY, int& CaretHeight,
                           bool& InsideText) {
    int result = -1;
    ForCellsAt(X, Y, [&](TCellObj& c, int left) {
        result = c.Cell->FindCursor(Canvas, X - left, Y, CaretX, CaretY, CaretHeight, InsideText);
        if (result >= 0) CaretX = Sat(int64_t{CaretX} + left);
        return result >= 0;
    });
    return result;
}

int ThtmlTable::FindString(int from, const std::wstring& SearchText, bool CaseSensitive) {
    for (const auto& row : Rows)
        for (const auto& c : row->Cells)
            if (c)
                if (const int r = c->Cell->FindString(from, SearchText, CaseSensitive); r >= 0) return r;
    return -1;
}

int ThtmlTable::FindStringR(int from, const std::wstring& SearchText, bool CaseSensitive) {
    for (auto row = Rows.rbegin(); row != Rows.rend(); ++row)
        for (auto c = (*row)->Cells.rbegin(); c != (*row)->Cells.rend(); ++c)
            if (*c)
                if (const int r = (*c)->Cell->FindStringR(from, SearchText, CaseSensitive); r >= 0) return r;
    return -1;
}

int ThtmlTable::FindSourcePos(int DocPos) {
    for (const auto& row : Rows)
        for (const auto& c : row->Cells)
            if (c)
                if (const int r = c->Cell->FindSourcePos(DocPos); r >= 0) return r;
    return -1;
}

int ThtmlTable::FindDocPos(int SourcePos, bool Prev) {
    if (Prev) {
        for (auto row = Rows.rbegin(); row != Rows.rend(); ++row)
            for (auto c = (*row)->Cells.rbegin(); c != (*row)->Cells.rend(); ++c)
                if (*c)
                    if (const int r = (*c)->Cell->FindDocPos(SourcePos, true); r >= 0) return r;
        return -1;
    }
    for (const auto& row : Rows)
        for (const auto& c : row->Cells)
            if (c)
                if (const int r = c->Cell->FindDocPos(SourcePos, false); r >= 0) return r;
    return -1;
}

bool ThtmlTable::CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y) {
    if (Cursor < FirstDocPos || int64_t{Cursor} > int64_t{FirstDocPos} + Len) return false;
    for (const auto& row : Rows) {
        int64_t x = LayoutLeft;
        for (size_t i = 0; i < row->Cells.size(); ++i) {
            if (TCellObj* c = row->Cells[i].get(); c && c->Cell->CursorToXY(Canvas, Cursor, X, Y)) {
                X = Sat(X + x + c->ContentLeft(CellSpacing));
                return true;
            }
            if (i < Widths.size()) x += Widths[i];
        }
    }
    return false;
}

bool ThtmlTable::GetChAtPos(int Pos, wchar_t& Ch, TObject*& Obj) {
    if (Pos < FirstDocPos || int64_t{Pos} > int64_t{FirstDocPos} + Len) return false;
    for (const auto& row : Rows)
        for (const auto& c : row->Cells)
            if (c && c->Cell->GetChAtPos(Pos, Ch, Obj)) return true;
    return false;
}

void ThtmlTable::CopyToClipboard() {
    for (const auto& row : Rows)
        for (const auto& c : row->Cells)
            if (c) c->Cell->CopyToClipboard();
}
