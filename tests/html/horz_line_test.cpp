#include "html/horz_line.h"

#include <gtest/gtest.h>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/graphics.h"
#include "html/indent_manager.h"
#include "html/section_list.h"

namespace {

THorzLine* MakeRule(TSectionList* doc, TProperties& prop, std::vector<TAttribute*> attrs) {
    TAttributeList list;
    for (TAttribute* a : attrs) list.Add(a);
    return new THorzLine(doc, &list, prop);
}

TEST(HorzLine, ReadsItsAttributes) {
    struct Case {
        std::vector<std::tuple<Symb, int, std::string>> attrs;
        int thickness;
        JustifyType align;
        std::string width;
    } cases[] = {
        {{{SizeSy, 30, "30"}}, 2, Centered, ""},
        {{{SizeSy, 20, "20"}}, 20, Centered, ""},
        {{{AlignSy, 0, "LEFT"}, {WidthSy, 50, "50%"}}, 2, Left, "50%"},
        {{{AlignSy, 0, "right"}, {WidthSy, 150, "150%"}}, 2, Right, ""},
        {{{WidthSy, 300, "300"}}, 2, Centered, "300px"},
    };
    for (const Case& c : cases) {
        TProperties prop;
        std::vector<TAttribute*> attrs;
        for (const auto& [sym, n, text] : c.attrs) attrs.push_back(new TAttribute(sym, n, "", text));
        std::unique_ptr<THorzLine> hr(MakeRule(nullptr, prop, attrs));
        EXPECT_EQ(hr->RuleThickness, c.thickness);
        EXPECT_EQ(hr->Align, c.align);
        EXPECT_EQ(PropString(prop.Value(PropIndices::Width)), c.width);
        EXPECT_EQ(PropString(prop.Value(PropIndices::Height)), std::to_string(c.thickness) + "px");
    }
}

TEST(HorzLine, FillsTheSpaceBesideFloats) {
    IndentManager m;
    m.Reset(0, 500);
    m.CellWidth = 500;
    int fx;
    m.PlaceFloat(0, ALeft, 100, 50, 0, 0, 0, 0, fx);
    m.PlaceFloat(0, ARight, 80, 50, 0, 0, 0, 0, fx);
    TProperties prop;
    std::unique_ptr<THorzLine> hr(MakeRule(nullptr, prop, {}));
    int maxWidth = 0, pos = 7;
    EXPECT_EQ(hr->DrawLogic(nullptr, 0, 10, 0, 0, 500, 0, 0, &m, maxWidth, pos), 2);
    EXPECT_EQ(hr->LineIndent, 100);
    EXPECT_EQ(hr->HRWidth, 320);
    EXPECT_EQ(maxWidth, 320);
    EXPECT_EQ(pos, 7);
    EXPECT_EQ(hr->InnerBottom, 12);
}

TEST(HorzLine, PaintsAGrooveOrABar) {
    struct Case {
        std::vector<std::tuple<Symb, int, std::string>> attrs;
        TColor top, bottom;  // at the left end
    } cases[] = {
        {{{NoShadeSy, 0, ""}, {SizeSy, 4, "4"}}, 0, 0},
        {{{ColorSy, 0, "red"}, {SizeSy, 4, "4"}}, 0x0000FF, 0x0000FF},
        {{{SizeSy, 4, "4"}}, static_cast<TColor>(ColorToRGB(0x80000010)) & 0xFFFFFF, 0xC0C0C0},
    };
    for (const Case& c : cases) {
        TSectionList doc(nullptr);
        TProperties prop;
        std::vector<TAttribute*> attrs;
        for (const auto& [sym, n, text] : c.attrs) attrs.push_back(new TAttribute(sym, n, "", text));
        doc.Add(MakeRule(&doc, prop, attrs));
        int sw = 0, pos = 0;
        doc.DoLogic(nullptr, 0, 100, 100, 0, sw, pos);
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(100, 20);
        bitmap.Canvas()->Brush()->SetColor(clWhite);
        bitmap.Canvas()->FillRect(TRect{0, 0, 100, 20});
        doc.SetYOffset(-5);
        doc.Draw(bitmap.Canvas(), TRect{0, 0, 100, 20}, 6000, 0, 0, 0, 0);
        EXPECT_EQ(bitmap.Canvas()->Pixels(0, 5) & 0xFFFFFF, c.top);
        EXPECT_EQ(bitmap.Canvas()->Pixels(1, 8) & 0xFFFFFF, c.bottom);
        EXPECT_EQ(bitmap.Canvas()->Pixels(50, 4) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(bitmap.Canvas()->Pixels(50, 9) & 0xFFFFFF, 0xFFFFFFu);
    }
}

TEST(Page, EndsAPrintedPageUnlessAtItsTop) {
    for (int above : {3, 20}) {
        TSectionList doc(nullptr);
        TProperties prop;
        doc.Add(MakeRule(&doc, prop, {new TAttribute(SizeSy, above, "", std::to_string(above))}));
        doc.Add(new TPage(&doc));
        int sw = 0, pos = 0;
        doc.DoLogic(nullptr, 0, 100, 100, 0, sw, pos);
        ASSERT_EQ(doc.Section(1)->GetYPosition(), above);
        doc.Printing = true;
        TBitmap bitmap;
        bitmap.SetSize(100, 100);
        doc.Draw(bitmap.Canvas(), TRect{0, 0, 100, 100}, 6000, 0, 0, 0, 0);
        EXPECT_EQ(doc.PageBottomY, above == 3 ? 100 : 20) << above;
    }
}

}  // namespace
