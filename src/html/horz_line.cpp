#include "html/horz_line.h"

#include <algorithm>
#include <string>

#include "html/colors.h"
#include "html/html_types.h"
#include "html/indent_manager.h"
#include "html/section_list.h"
#include "html/sel_text.h"
#include "html/style_props.h"

namespace {

std::string Lower10(const std::string& s) {
    std::string r = s.substr(0, 10);
    for (char& c : r) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return r;
}

}  // namespace

THorzLine::THorzLine(TSectionList* document, TAttributeList* L, TProperties& prop) : TSectionBase(document) {
    for (int i = 0; L && i < L->Count(); ++i) {
        const TAttribute* a = L->Attribute(i);
        switch (a->Sym) {
            case SizeSy:
                if (a->Number >= 1 && a->Number <= 20) RuleThickness = a->Number;
                break;
            case ColorSy: {
                int32_t c;
                if (ColorFromString(a->Text, false, c)) {
                    Color = c;
                    prop.Assign(TPropValue(static_cast<int>(c)), PropIndices::Color);
                }
                break;
            }
            case NoShadeSy: NoShade = true; break;
            case AlignSy: {
                const std::string v = Lower10(a->Text);
                if (v == "left") Align = Left;
                else if (v == "right") Align = Right;
                break;
            }
            case WidthSy:
                if (a->Number >= 1) {
                    if (a->Text.find('%') != std::string::npos) {
                        if (a->Number < 101)
                            prop.Assign(TPropValue(std::to_string(a->Number) + "%"), PropIndices::Width);
                    } else {
                        prop.Assign(TPropValue(std::to_string(a->Number) + "px"), PropIndices::Width);
                    }
                }
                break;
            default: break;
        }
    }
    prop.Assign(TPropValue(std::to_string(RuleThickness) + "px"), PropIndices::Height);
    if (const TColor c = prop.GetOriginalForegroundColor(); c != 0x1FFFFFFF) Color = c;
    if (prop.IsSetHere(PropIndices::TextAlign)) {
        const std::string_view v = PropString(prop.Value(PropIndices::TextAlign));
        if (v == "left") Align = Left;
        else if (v == "right") Align = Right;
        else if (v == "center") Align = Centered;
    }
}

THorzLine::THorzLine(TSectionList* document, const THorzLine& source)
    : TSectionBase(document, source),
      RuleThickness(source.RuleThickness),
      Color(source.Color),
      Align(source.Align),
      NoShade(source.NoShade),
      HRWidth(source.HRWidth),
      LineIndent(source.LineIndent) {}

TSectionList* THorzLine::Document() const { return SectionListOf(OwnerDocument); }

TSectionBase* THorzLine::CreateClone(TSectionDocument* document) const {
    return new THorzLine(SectionListOf(document), *this);
}

void THorzLine::CopyToClipboard() {
    if (TSectionList* doc = Document(); doc && doc->CB) doc->CB->AddTextCR(L"", 0);
}

int THorzLine::DrawLogic(TCanvas*, int X, int Y, int, int, int WidthArg, int, int, IndentManager* IndentRef,
                         int& MaxWidth, int& PosCounter) {
    InnerTop = PlacedY = PaintTop = Y;
    FirstDocPos = PosCounter;
    const int left = IndentRef ? IndentRef->LeftIndent(Y) : 0;
    const int right = IndentRef ? IndentRef->RightSide(Y) : X + WidthArg;
    LineIndent = std::max(X, left);
    HRWidth = std::max(0, SaturateY(std::min(int64_t{X} + WidthArg, int64_t{right}) - LineIndent));
    MaxWidth = HRWidth;
    FullHeight = PaintHeight = RuleThickness;
    InnerBottom = PaintBottom = SaturateY(int64_t{Y} + RuleThickness);
    return RuleThickness;
}

TSectionBase* TPage::CreateClone(TSectionDocument* document) const { return new TPage(document, *this); }

int TPage::Draw1(TCanvas* Canvas, const TRect& ARect, IndentManager* IndentRef, int X, int OriginX, int OriginY) {
    const int result = TSectionBase::Draw1(Canvas, ARect, IndentRef, X, OriginX, OriginY);
    auto* doc = SectionListOf(OwnerDocument);
    if (!doc || !doc->Printing) return result;
    const int y = InnerTop - doc->ScrollY;
    if (y > ARect.Top + 5 && y < ARect.Bottom && InnerTop < doc->PageBottomY) doc->PageBottomY = InnerTop;
    return result;
}
