#include "html/table_block.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "html/box_background.h"
#include "html/colors.h"
#include "html/indent_manager.h"
#include "html/section_list.h"
#include "html/table.h"

namespace {

using enum PropIndices;

std::string LowerText(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s;
}

std::string AlignOf(const TAttributeList* attributes) {
    TAttribute* a;
    return attributes && attributes->Find(AlignSy, a) ? LowerText(a->Text) : std::string();
}

// ALIGN=LEFT or RIGHT floats the table's box, unless the style placed it;
// set before the block is made, so the block joins its margins as a float.
TProperties& WithTableFloat(TProperties& prop, const TAttributeList* attributes) {
    const std::string align = AlignOf(attributes);
    AlignmentType given;
    if ((align == "left" || align == "right") && !prop.GetFloat(given)) prop.Assign(align, PropIndices::Float);
    return prop;
}

int LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (v < INT32_MAX) v = v * 10 + (text[i] - '0');
    return static_cast<int>(std::min<int64_t>(v, INT32_MAX));
}

// A side whose style draws a border.
bool SideStyled(const TPropValue& v) {
    if (IsInt(v)) return std::get<int>(v) != NotSetValue && std::get<int>(v) != bssNone;
    return IsString(v) && !PropString(v).empty() && LowerText(std::string(PropString(v))) != "none";
}

bool NoValue(const TPropValue& v) {
    return !IsAssigned(v) || (IsInt(v) && std::get<int>(v) == NotSetValue) || (IsString(v) && PropString(v).empty());
}

}  // namespace

// ---- the table's block

TTableBlock::TTableBlock(TSectionList* OwnerDocument, TProperties& Prop, TCellBasic* EnclosingCell,
                         ThtmlTable* ATable, TAttributeList* Attributes)
    : TBlock(OwnerDocument, WithTableFloat(Prop, Attributes), EnclosingCell, Attributes), Table(ATable) {
    TableJustify = NoJustify;
    if (Table) ChildCell->Add(Table);
    if (Attributes)
        for (int i = 0; i < Attributes->Count(); ++i) {
            const TAttribute* a = Attributes->Attribute(i);
            switch (a->Sym) {
                case WidthSy: {
                    const int v = LeadingNumber(a->Text);
                    if (a->Text.find('%') != std::string::npos) {
                        if (v >= 1 && v <= 100) {
                            GivenTableWidth = v * 10;
                            WidthIsPercent = true;
                        }
                    } else {
                        GivenTableWidth = std::clamp(v, 0, MaxTableAttrPixels);
                        WidthIsPercent = false;
                    }
                    break;
                }
                case HeightSy:
                    if (NoValue(RawBoxValues[Height])) {
                        const int v = std::clamp(LeadingNumber(a->Text), 0, MaxTableAttrPixels);
                        if (a->Text.find('%') != std::string::npos)
                            RawBoxValues.Set(Height, std::to_string(std::min(v, 100)) + "%");
                        else
                            RawBoxValues.Set(Height, v);
                    }
                    break;
                case HSpaceSy: AttrHSpace = std::min(std::abs(std::max(a->Number, -1000)), 40); break;
                case VSpaceSy: AttrVSpace = std::min(std::abs(std::max(a->Number, -1000)), 200); break;
                case AlignSy:
                    if (LowerText(a->Text) == "center") TableJustify = Centered;
                    break;
                case BGColorSy: {
                    int32_t c;
                    if (ColorFromString(a->Text, false, c)) {
                        AttrBgColor = c | PalRelative;
                        AttrBgColorSet = true;
                    }
                    break;
                }
                case BackgroundSy:
                    if (!BackgroundImage() && !a->Text.empty()) {
                        PositionRec topLeftRepeated{};
                        topLeftRepeated[0] = PositionEntry{pLeft, 0, true, false};
                        topLeftRepeated[1] = PositionEntry{pTop, 0, true, false};
                        SetBackgroundImage(std::make_unique<TBoxBackground>(OwnerDocument, a->Text, topLeftRepeated));
                    }
                    break;
                default: break;
            }
        }
    const PropIndices styles[4] = {BorderTopStyle, BorderRightStyle, BorderBottomStyle, BorderLeftStyle};
    const PropIndices widths[4] = {BorderTopWidth, BorderRightWidth, BorderBottomWidth, BorderLeftWidth};
    bool styled = BorderStyle != bssNone;
    for (PropIndices p : styles) styled = styled || SideStyled(RawBoxValues[p]);
    if (Table && Table->BorderWidth >= 1 && !styled) {
        for (int side = 0; side < 4; ++side) {
            RawBoxValues.Set(widths[side], Table->BorderWidth);
            RawBoxValues.Set(styles[side], static_cast<int>(bssOutset));
        }
        TableBorder = true;
    }
    TMarginArray m{};
    int autoCount = 0;
    ConvMargArray(RawBoxValues, 100, 0, EmBase, ExBase, BorderStyle, autoCount, m);
    if (m[Width] >= 1) {
        const std::string_view text = PropString(RawBoxValues.Shared()[Width]);
        if (text.find('%') != std::string::npos) {
            GivenTableWidth = std::min(LengthConv(text, false, 1000, EmBase, ExBase, 0), 1000);
            WidthIsPercent = GivenTableWidth > 0;
        } else {
            GivenTableWidth = std::min(m[Width], MaxTableAttrPixels);
            WidthIsPercent = false;
            RawBoxValues.Set(Width, std::max(0, GivenTableWidth - HorizontalExtra(0)));
        }
    }
    if (Table) Table->Floating = FloatSide != ANone;
    if (FloatSide != ANone && ZIndex == 0) ZIndex = 1;
}

TTableBlock::TTableBlock(TSectionList* OwnerDocument, const TTableBlock& source)
    : TBlock(OwnerDocument, source),
      GivenTableWidth(source.GivenTableWidth),
      WidthIsPercent(source.WidthIsPercent),
      AttrBgColor(source.AttrBgColor),
      AttrBgColorSet(source.AttrBgColorSet),
      AttrHSpace(source.AttrHSpace),
      AttrVSpace(source.AttrVSpace),
      HasCaption(source.HasCaption),
      TableBorder(source.TableBorder),
      TableJustify(source.TableJustify),
      TableIndent(source.TableIndent) {
    for (int i = 0; i < ChildCell->Count() && !Table; ++i) Table = dynamic_cast<ThtmlTable*>(ChildCell->Section(i));
}

TSectionBase* TTableBlock::CreateClone(TSectionDocument* document) const {
    return new TTableBlock(SectionListOf(document), *this);
}

int TTableBlock::HorizontalExtra(int WidthArg) const {
    TMarginArray m{};
    int autoCount = 0;
    ConvMargArray(RawBoxValues, WidthArg, 0, EmBase, ExBase, BorderStyle, autoCount, m);
    return SaturateY(int64_t{m[BorderLeftWidth]} + m[BorderRightWidth] + m[PaddingLeft] + m[PaddingRight]);
}

void TTableBlock::MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) {
    const bool fixed = !WidthIsPercent && GivenTableWidth > 0;
    if (Table) Table->WidthAttrPixels = fixed ? std::max(0, GivenTableWidth - HorizontalExtra(0)) : 0;
    TBlock::MinMaxWidth(Canvas, Min, Max);
    if (fixed && !NotDisplayed) {
        Min = std::max(Min, GivenTableWidth);
        Max = std::max(Max, GivenTableWidth);
    }
}

int TTableBlock::FindWidth1(TCanvas* Canvas, int WidthArg, int sides) {
    const int bp = HorizontalExtra(WidthArg);
    const bool fixed = !WidthIsPercent && GivenTableWidth > 0;
    int mn = 0, mx = 0;
    if (Table) {
        Table->WidthAttrPixels = fixed ? std::max(0, GivenTableWidth - bp) : 0;
        Table->MinMaxWidth(Canvas, mn, mx);
    }
    const int64_t room = int64_t{WidthArg} - bp;
    int64_t w;
    if (WidthIsPercent)
        w = std::min<int64_t>(MulDivY(WidthArg, GivenTableWidth, 1000), int64_t{WidthArg} - sides) - bp;
    else if (fixed)
        w = int64_t{GivenTableWidth} - bp;
    else
        w = mx <= room ? mx : std::max<int64_t>(mn, room);
    return SaturateY(std::max<int64_t>(w, mn));
}

int TTableBlock::FindWidth(TCanvas* Canvas, int WidthArg, int, int, TMarginArray& m) {
    int& ml = m[MarginLeft];
    int& mr = m[MarginRight];
    int& mt = m[MarginTop];
    int& mb = m[MarginBottom];
    if (HasCaption) {
        ml = mr = mt = mb = 0;
    } else {
        if (ml == AutoValue) ml = 0;
        if (mr == AutoValue) mr = 0;
        if (FloatSide != ANone) {
            if (ml == 0) ml = AttrHSpace;
            if (mr == 0) mr = AttrHSpace;
            if (mt == 0) mt = AttrVSpace;
            if (mb == 0) mb = AttrVSpace;
        }
    }
    if (AttrBgColorSet && m[BackgroundColor] == clTransparentColor) m[BackgroundColor] = AttrBgColor;
    if (Table) Table->BlockHasBackground = m[BackgroundColor] != clTransparentColor;
    const int bp = SaturateY(int64_t{m[BorderLeftWidth]} + m[BorderRightWidth] +
                             m[PaddingLeft] + m[PaddingRight]);
    const int w = HasCaption && WidthFromCaption >= 0 ? WidthFromCaption
                                                       : FindWidth1(Canvas, WidthArg, SaturateY(int64_t{ml} + mr));
    const int64_t free = int64_t{WidthArg} - w - bp;
    if (ml == 0 && mr == 0 && free > 0) {
        if (TableJustify == Centered)
            ml = SaturateY(free / 2);
        else if (TableJustify == Right)
            ml = SaturateY(free);
    }
    // The width found here is the one the table fills.
    if (Table) Table->WidthAttrPixels = GivenTableWidth > 0 ? w : 0;
    return w;
}

int TTableBlock::DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                           int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) {
    TableIndent = 0;
    if (FloatSide == ANone && IndentRef && !NotDisplayed) {
        // Between the floats at its top.
        const int x = std::max(X, IndentRef->LeftIndent(Y));
        const int64_t right = std::min<int64_t>(int64_t{X} + WidthArg, IndentRef->RightSide(Y));
        TableIndent = x - X;
        WidthArg = SaturateY(std::max<int64_t>(0, right - x));
        X = x;
    }
    return TBlock::DrawLogic(Canvas, X, Y, OriginX, OriginY, WidthArg, HeightArg, EnclosingHeight, IndentRef,
                             MaxWidth, PosCounter);
}

int TTableBlock::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX,
                       int OriginY) {
    TSectionList* doc = Document();
    if (doc && doc->Printing && Positioning != posAbsolute && !NotDisplayed) {
        // A table that fits on a page but starts in its lower third goes to
        // the next page whole, unless a page-break rule of the block decides.
        const int64_t pageTop = int64_t{ARect.Top} + doc->ScrollY;
        const int pageHeight = ARect.Bottom - ARect.Top;
        const int64_t marginTop = int64_t{InnerTop} + BoxValues[MarginTop];
        const int64_t result = int64_t{InnerTop} + FullHeight;
        const bool ruled = (PageBreakAbove && !doc->PageStillEmpty && pageTop < marginTop) ||
                           (AvoidBreakInside && InnerTop > pageTop && doc->PageBottomY < int64_t{InnerTop} + PaintHeight &&
                            int64_t{PaintHeight} - BoxValues[MarginTop] < pageHeight) ||
                           (PageBreakBelow && pageTop < result);
        if (!ruled && int64_t{ARect.Top} + int64_t{pageHeight} * 2 / 3 < int64_t{InnerTop} - doc->ScrollY &&
            doc->PageBottomY < int64_t{InnerTop} + PaintHeight && PaintHeight < pageHeight) {
            if (InnerTop < doc->PageBottomY) {
                doc->PageBottomY = InnerTop;
                doc->PageBottomLowered = true;
            }
            return SaturateY(result);
        }
    }
    return TBlock::Draw1(Canvas, ARect, IndentRef, SaturateY(int64_t{X} + TableIndent), OriginX, OriginY);
}

void TTableBlock::AddSectionsToList() {
    if (Answers() && Table && OwnerDocument) OwnerDocument->AddSectionToPositionList(Table);
}

// ---- a table with its caption

TTableAndCaptionBlock::TTableAndCaptionBlock(TSectionList* OwnerDocument, TProperties& Prop,
                                             TCellBasic* EnclosingCell, TAttributeList* Attributes,
                                             TTableBlock* ATableBlock)
    : TBlock(OwnerDocument, WithTableFloat(Prop, Attributes), EnclosingCell, Attributes), TablePart(ATableBlock) {
    if (TablePart) CaptionJustify = TablePart->TableJustify;
    const std::string align = AlignOf(Attributes);
    if (align == "center") CaptionJustify = Centered;
    if (Attributes) TableIDName = Attributes->GetID();
    if (TablePart) {
        RawBoxValues.Set(MarginTop, TablePart->RawBoxValues[MarginTop]);
        RawBoxValues.Set(MarginBottom, TablePart->RawBoxValues[MarginBottom]);
    }
    SetTagAndClass("TableAndCaption.");
    // The table's own block paints the picture.
    SetBackgroundImage(nullptr);
}

TTableAndCaptionBlock::TTableAndCaptionBlock(TSectionList* OwnerDocument, const TTableAndCaptionBlock& source)
    : TBlock(OwnerDocument, source),
      CaptionFirst(source.CaptionFirst),
      CaptionJustify(source.CaptionJustify),
      TableIDName(source.TableIDName) {
    SetTagAndClass("TableAndCaption.");
    for (int i = 0; i < ChildCell->Count(); ++i) {
        TSectionBase* s = ChildCell->Section(i);
        if (auto* table = dynamic_cast<TTableBlock*>(s); table && !TablePart)
            TablePart = table;
        else if (auto* caption = dynamic_cast<TBlock*>(s); caption && !CaptionPart)
            CaptionPart = caption;
    }
}

TSectionBase* TTableAndCaptionBlock::CreateClone(TSectionDocument* document) const {
    return new TTableAndCaptionBlock(SectionListOf(document), *this);
}

void TTableAndCaptionBlock::SetCaptionBlock(TBlock* Block) {
    CaptionPart = Block;
    if (TablePart) TablePart->HasCaption = true;
}

void TTableAndCaptionBlock::CancelUsage() {
    TSectionList* doc = Document();
    if (!TableIDName.empty() && doc && doc->IDObjects && TablePart) doc->IDObjects->AddObject(TableIDName, TablePart);
}

void TTableAndCaptionBlock::MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) {
    Min = Max = 0;
    if (NotDisplayed) return;
    int tableMin = 0, tableMax = 0, captionMin = 0, captionMax = 0;
    if (TablePart) TablePart->MinMaxWidth(Canvas, tableMin, tableMax);
    if (CaptionPart) CaptionPart->MinMaxWidth(Canvas, captionMin, captionMax);
    Min = std::max(tableMin, captionMin);
    Max = std::max(tableMax, captionMin);
}

int TTableAndCaptionBlock::FindWidth(TCanvas* Canvas, int WidthArg, int, int, TMarginArray& m) {
    BorderStyle = bssNone;
    for (PropIndices p : {BorderTopWidth, BorderRightWidth, BorderBottomWidth, BorderLeftWidth, PaddingTop,
                          PaddingRight, PaddingBottom, PaddingLeft})
        m[p] = 0;
    m[BackgroundColor] = clTransparentColor;
    int& ml = m[MarginLeft];
    int& mr = m[MarginRight];
    if (ml == AutoValue) ml = 0;
    if (mr == AutoValue) mr = 0;
    int w = 0;
    if (TablePart) {
        TablePart->FloatSide = ANone;
        const int inner = TablePart->FindWidth1(Canvas, WidthArg, SaturateY(int64_t{ml} + mr));
        TablePart->WidthFromCaption = inner;
        w = SaturateY(int64_t{inner} + TablePart->HorizontalExtra(WidthArg));
        TablePart->TableJustify = Centered;
    }
    if (CaptionPart) {
        int captionMin = 0, captionMax = 0;
        CaptionPart->MinMaxWidth(Canvas, captionMin, captionMax);
        w = std::max(w, captionMin);
    }
    const int64_t free = int64_t{WidthArg} - w;
    if (ml == 0 && mr == 0 && free > 0) {
        if (CaptionJustify == Centered)
            ml = SaturateY(free / 2);
        else if (CaptionJustify == Right)
            ml = SaturateY(free);
    }
    return w;
}

int TTableAndCaptionBlock::FindDocPos(int SourcePos, bool Prev) {
    if (!Answers()) return -1;
    TSectionBase* first = Prev ? static_cast<TSectionBase*>(TablePart) : CaptionPart;
    TSectionBase* second = Prev ? static_cast<TSectionBase*>(CaptionPart) : TablePart;
    for (TSectionBase* s : {first, second})
        if (s)
            if (const int r = s->FindDocPos(SourcePos, Prev); r >= 0) return r;
    return -1;
}
