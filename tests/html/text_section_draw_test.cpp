// Text sections painted with the platform's fonts.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/gdi_handles.h"
#include "framework/graphics.h"
#include "html/section_list.h"
#include "html/text_section.h"

namespace {

TSection* AddArialPara(TSectionList& doc, std::wstring_view text, JustifyType justify = Left) {
    TFontDesc d;
    d.Face = L"Arial";
    d.Height = -16;
    auto* s = new TSection(&doc);
    s->SetRunFont(d, 0, TransparentColor);
    s->AddText(text, 0);
    s->Justify = justify;
    doc.Add(s);
    return s;
}

struct WhiteBitmap {
    WhiteBitmap(int w, int h) : width(w), height(h) {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(w, h);
        bitmap.Canvas()->Brush()->SetColor(clWhite);
        bitmap.Canvas()->FillRect(TRect{0, 0, w, h});
    }
    bool Ink(int x, int y) { return (bitmap.Canvas()->Pixels(x, y) & 0xFFFFFF) != 0xFFFFFF; }
    bool InkInRows(int top, int bottom) {
        for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
            for (int x = 0; x < width; ++x)
                if (Ink(x, y)) return true;
        return false;
    }
    int RightmostInk(int top, int bottom) {
        int right = -1;
        for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
            for (int x = width - 1; x > right; --x)
                if (Ink(x, y)) right = x;
        return right;
    }
    int width, height;
    TBitmap bitmap;
};

int Layout(TSectionList& doc, int width) {
    int scrollWidth = 0, pos = 0;
    return doc.DoLogic(nullptr, 0, width, 600, 0, scrollWidth, pos);
}

TEST(TextSectionDraw, PaintsAtTheScrollOffsetWithTheSelection) {
    TSectionList doc(nullptr);
    AddArialPara(doc, L"First");
    AddArialPara(doc, L"Second");
    AddArialPara(doc, L"Third");
    const int height = Layout(doc, 200);
    const int h = height / 3;
    ASSERT_GT(h, 10);
    doc.SetYOffset(h);
    doc.SelFirstPos = 5;  // all of "Second"
    doc.SelEndPos = 11;
    WhiteBitmap out(200, 3 * h);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 200, 3 * h}, 6000, 0, 0, 0, 0);
    EXPECT_TRUE(out.InkInRows(0, h));       // "Second", scrolled up to the top
    EXPECT_TRUE(out.InkInRows(h, 2 * h));   // "Third"
    EXPECT_FALSE(out.InkInRows(2 * h, 3 * h));
    // The selection is painted opaque in the text colour.
    EXPECT_EQ(out.bitmap.Canvas()->Pixels(1, 1) & 0xFFFFFF, 0u);
    EXPECT_EQ(out.bitmap.Canvas()->Pixels(1, h + 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_FALSE(doc.ScrollYChanged);

    // With an empty selection and a dummy caret, a caret stands at its start.
    doc.SelFirstPos = doc.SelEndPos = 6;  // after the "S"
    doc.DummyCaretWanted = true;
    WhiteBitmap caret(200, 3 * h);
    doc.Draw(caret.bitmap.Canvas(), TRect{0, 0, 200, 3 * h}, 6000, 0, 0, 0, 0);
    int x = 0, y = 0;
    ASSERT_TRUE(doc.CursorToXY(nullptr, 6, x, y));
    EXPECT_EQ(y - h, 0);
    int column = 0;
    for (int row = 0; row < h; ++row) column += (caret.bitmap.Canvas()->Pixels(x, row) & 0xFFFFFF) == 0;
    EXPECT_GE(column, h * 3 / 4);
}

TEST(TextSectionDraw, JustifiedLineEndsAtTheRightEdge) {
    std::wstring text;
    for (int i = 0; i < 30; ++i) text += i % 2 ? L"mmm " : L"nnnn ";
    for (JustifyType justify : {FullJustify, Right}) {
        TSectionList doc(nullptr);
        TSection* s = AddArialPara(doc, text, justify);
        Layout(doc, 300);
        ASSERT_GE(s->Lines.size(), 2u);
        const LineRec& first = s->Lines[0];
        WhiteBitmap out(320, 40);
        doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 320, 40}, 6000, 0, 0, 0, 0);
        const int right = out.RightmostInk(first.LayoutTop, first.LayoutTop + first.LineImageHeight());
        EXPECT_GE(right, 300 - 3) << justify;
        EXPECT_LT(right, 300) << justify;
    }
}

TEST(TextSectionDraw, InlineElementGetsItsBackgroundAndBorder) {
    TSectionList doc(nullptr);
    TMarginArray box{};
    box[PropIndices::BackgroundColor] = 0x00FFFF;
    for (PropIndices p : {PropIndices::BorderLeftWidth, PropIndices::BorderTopWidth, PropIndices::BorderRightWidth,
                          PropIndices::BorderBottomWidth})
        box[p] = 1;
    for (PropIndices p : {PropIndices::BorderLeftColor, PropIndices::BorderTopColor, PropIndices::BorderRightColor,
                          PropIndices::BorderBottomColor})
        box[p] = 0x0000FF;
    for (PropIndices p : {PropIndices::BorderLeftStyle, PropIndices::BorderTopStyle, PropIndices::BorderRightStyle,
                          PropIndices::BorderBottomStyle})
        box[p] = bssSolid;
    doc.InlineBorders->StartElement(2, 1, box);
    doc.InlineBorders->EndElement(5, 1);
    AddArialPara(doc, L"abcdefgh");
    Layout(doc, 200);
    WhiteBitmap out(200, 30);
    doc.SetYOffset(-5);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 200, 30}, 6000, 0, 0, 0, 0);
    int yellow = 0, red = 0, redLeftOfText = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 200; ++x) {
            const TColor c = out.bitmap.Canvas()->Pixels(x, y) & 0xFFFFFF;
            yellow += c == 0x00FFFF;
            red += c == 0x0000FF;
            redLeftOfText += c == 0x0000FF && x < 10;
        }
    EXPECT_GT(yellow, 50);
    EXPECT_GT(red, 30);
    EXPECT_EQ(redLeftOfText, 0);  // the box starts at "c"
}

// One line of runs in turn plain, on a background, selected, plain again and
// with the colours of the run before swapped: each shows in its own colours,
// whatever the run before it left set.
TEST(TextSectionDraw, EachRunOfALineShowsInItsOwnColours) {
    struct Run {
        const wchar_t* Text;
        TColor Color, Back;
    };
    const Run runs[] = {{L"MMMM", 0x000000, TransparentColor}, {L"MMMM", 0x0000FF, 0x00FFFF},
                        {L"MMMM", 0xFF0000, TransparentColor}, {L"MMMM", 0x008000, 0xFFFF00},
                        {L"MMMM", 0x0000FF, TransparentColor}, {L"MMMM", 0x0000FF, 0x00FFFF},
                        {L"MMMM", 0x00FFFF, 0x0000FF}};
    TSectionList doc(nullptr);
    auto* s = new TSection(&doc);
    TFontDesc d;
    d.Face = L"Arial";
    d.Height = -16;
    for (const Run& run : runs) {
        s->SetRunFont(d, run.Color, run.Back);
        s->AddText(run.Text, 0);
    }
    doc.Add(s);
    Layout(doc, 600);
    ASSERT_EQ(s->Lines.size(), 1u);
    doc.SelFirstPos = 8;  // the third run: on its own colour, in the paper's
    doc.SelEndPos = 12;
    WhiteBitmap out(600, 30);
    doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 600, 30}, 6000, 0, 0, 0, 0);
    for (int i = 0; i < 7; ++i) {
        int left = 0, right = 0, y = 0;
        ASSERT_TRUE(doc.CursorToXY(nullptr, i * 4, left, y));
        ASSERT_TRUE(doc.CursorToXY(nullptr, i * 4 + 4, right, y));
        const bool selected = i == 2;
        const TColor ink = selected ? 0xFFFFFF : runs[i].Color;
        const TColor back = selected ? 0xFF0000 : runs[i].Back == TransparentColor ? 0xFFFFFF : runs[i].Back;
        int inkCount = 0, backCount = 0, others = 0;
        for (int row = 0; row < 30; ++row)
            for (int x = left + 1; x < right - 1; ++x) {
                const TColor c = out.bitmap.Canvas()->Pixels(x, row) & 0xFFFFFF;
                inkCount += c == ink;
                backCount += c == back;
                for (const Run& other : runs)
                    others += c != ink && c != back && (c == other.Color || (other.Back != TransparentColor && c == other.Back));
            }
        EXPECT_GT(inkCount, 20) << i;
        EXPECT_GT(backCount, 20) << i;
        EXPECT_EQ(others, 0) << i;
    }
}

double Luminance(TColor c) {
    auto channel = [](unsigned v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c & 0xFF) + 0.7152 * channel((c >> 8) & 0xFF) + 0.0722 * channel((c >> 16) & 0xFF);
}

double Contrast(TColor a, TColor b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Selected text on its band, counted over the band: the band is the run's
// font colour, and the commonest other colour is the text's.
TEST(TextSectionDraw, SelectedTextReadsOnItsBandWhateverTheColours) {
    struct Case {
        const char* name;
        TColor font, page, runBack;
    };
    const Case cases[] = {
        {"orange scheme", 0x0A1A2A, 0xF2FBFF, TransparentColor},
        {"sea scheme", 0x331F0A, 0xFFFAF5, TransparentColor},
        {"dark page", 0xE0E0E0, 0x201810, TransparentColor},
        {"run on its own colour", 0xFF0000, 0xFFFFFF, 0x00FFFF},
        {"white text on a white page", 0xFFFFFF, 0xFFFFFF, TransparentColor},
    };
    for (const Case& c : cases) {
        TSectionList doc(nullptr);
        doc.SetBackground(c.page);
        auto* s = new TSection(&doc);
        TFontDesc d;
        d.Face = L"Arial";
        d.Height = -16;
        s->SetRunFont(d, c.font, c.runBack);
        s->AddText(L"Selected text MW", 0);
        doc.Add(s);
        Layout(doc, 300);
        doc.SelFirstPos = 0;
        doc.SelEndPos = 16;
        TBitmap out;
        out.SetPixelFormat(pf24bit);
        out.SetSize(300, 30);
        out.Canvas()->Brush()->SetColor(c.page);
        out.Canvas()->FillRect(TRect{0, 0, 300, 30});
        doc.Draw(out.Canvas(), TRect{0, 0, 300, 30}, 6000, 0, 0, 0, 0);
        int right = 0, y = 0;
        ASSERT_TRUE(doc.CursorToXY(nullptr, 16, right, y));
        std::map<TColor, int> counts;
        for (int row = 0; row < 18; ++row)
            for (int x = 1; x < right - 1; ++x) ++counts[out.Canvas()->Pixels(x, row) & 0xFFFFFF];
        TColor band = 0, ink = 0;
        int bandCount = 0, inkCount = 0;
        for (auto [colour, n] : counts) {
            if (n > bandCount) {
                ink = band, inkCount = bandCount;
                band = colour, bandCount = n;
            } else if (n > inkCount) {
                ink = colour, inkCount = n;
            }
        }
        EXPECT_EQ(band, c.font) << c.name;
        EXPECT_GT(inkCount, 30) << c.name;
        EXPECT_GE(Contrast(band, ink), 4.5) << c.name;
    }
}

TEST(TextSectionDraw, GdiObjectsReturnToTheirBaseline) {
    auto cycle = [] {
        TSectionList doc(nullptr);
        AddArialPara(doc, L"Some text in the first paragraph", FullJustify);
        TSection* s = AddArialPara(doc, L"and more in the second one");
        TFontDesc bold;
        bold.Face = L"Times New Roman";
        bold.Height = -20;
        bold.Weight = 700;
        s->SetRunFont(bold, 0xFF, 0xFFFF00);
        s->AddText(L" bold", 100);
        Layout(doc, 120);
        doc.SelFirstPos = 3;
        doc.SelEndPos = 40;
        WhiteBitmap out(150, 120);
        doc.Draw(out.bitmap.Canvas(), TRect{0, 0, 150, 120}, 6000, 0, 0, 0, 0);
        doc.Clear();
    };
    cycle();  // the shared font registry keeps one font per description
    const TGuiResource kinds[] = {TGuiResource::Font, TGuiResource::Bitmap, TGuiResource::DC, TGuiResource::Brush,
                                  TGuiResource::Pen};
    std::vector<int> baseline;
    for (TGuiResource k : kinds) baseline.push_back(GuiResourceCount(k));
    for (int i = 0; i < 100; ++i) cycle();
    for (size_t i = 0; i < std::size(kinds); ++i) EXPECT_EQ(GuiResourceCount(kinds[i]), baseline[i]) << i;
}

}  // namespace
