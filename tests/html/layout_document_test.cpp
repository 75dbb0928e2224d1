// The document's paint on palette displays, and the first line that is taken
// whole without measuring.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/win.h"
#include "html/section_list.h"
#include "html/text_measure.h"
#include "html/text_section.h"
#include "images/engine_palette.h"

namespace {

// A section that notes the palette of the canvas it is painted on, and may
// fail while it paints.
class TPaletteProbe : public TSectionBase {
public:
    TPaletteProbe(TSectionDocument* document, bool fails) : TSectionBase(document), FFails(fails) {}
    int Draw1(TCanvas* Canvas, const TRect&, IndentManager*, int, int, int) override {
        Seen = static_cast<HPALETTE>(GetCurrentObject(Canvas->Handle(), OBJ_PAL));
        if (FFails) throw std::runtime_error("paint failed");
        return InnerTop + FullHeight;
    }
    HPALETTE Seen = nullptr;

private:
    bool FFails;
};

// The engine's palette state for one test: 8 or 24 bits, with a palette made here.
class TDisplayDepth {
public:
    explicit TDisplayDepth(uint8_t bits) : FBits(ColorBits), FPalette(ThePalette) {
        FMine = MakePalette({0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000});
        ColorBits = bits;
        ThePalette = FMine;
    }
    ~TDisplayDepth() {
        ColorBits = FBits;
        ThePalette = FPalette;
        DeleteObject(FMine);
    }
    HPALETTE Palette() const { return FMine; }

private:
    uint8_t FBits;
    HPALETTE FPalette;
    HPALETTE FMine;
};

struct FakeScreen {
    FakeScreen() { SetScreenMeasurer(&measurer); }
    ~FakeScreen() { SetScreenMeasurer(nullptr); }
    TTableMeasurer measurer{std::make_unique<TFakeGlyphSource>()};
};

TFontDesc Fake(int height) {
    TFontDesc d;
    d.Face = L"Fake";
    d.Height = -height;
    return d;
}

int Layout(TSectionList& doc, int width) {
    int scrollWidth = 0, pos = 0;
    return doc.DoLogic(nullptr, 0, width, 600, 0, scrollWidth, pos);
}

}  // namespace

TEST(LayoutDocument, PaletteDisplaysPaintThroughTheEnginePaletteAndGetTheirOwnBack) {
    struct Case {
        uint8_t bits;
        bool fails;
        bool engineSeen;
    };
    for (const Case c : {Case{8, false, true}, Case{4, false, true}, Case{24, false, false}, Case{8, true, true}}) {
        TDisplayDepth depth(c.bits);
        TSectionList doc(nullptr);
        auto* probe = new TPaletteProbe(&doc, c.fails);
        doc.Add(probe);
        Layout(doc, 200);
        TBitmap out;
        out.SetPixelFormat(pf24bit);
        out.SetSize(50, 50);
        HDC dc = out.Canvas()->Handle();
        const HGDIOBJ before = GetCurrentObject(dc, OBJ_PAL);
        if (c.fails)
            EXPECT_THROW(doc.Draw(out.Canvas(), TRect{0, 0, 50, 50}, 6000, 0, 0, 0, 0), std::runtime_error);
        else
            doc.Draw(out.Canvas(), TRect{0, 0, 50, 50}, 6000, 0, 0, 0, 0);
        EXPECT_EQ(probe->Seen == depth.Palette(), c.engineSeen) << int(c.bits);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), before) << int(c.bits) << (c.fails ? " failing" : "");
    }
}

TEST(LayoutDocument, AShortFirstLineIsTakenWholeWithoutFitting) {
    FakeScreen screen;
    // "abc def" is 52 pixels wide; its widest character 16. At 400 pixels
    // 7 x 16 fits, so no fitting is needed; at 100 the text still fits but
    // has to be fitted to know it.
    int64_t calls[2] = {};  // Extent, Fit and Advances calls of the layout
    for (const int width : {400, 100}) {
        TSectionList doc(nullptr);
        auto* s = new TSection(&doc);
        s->SetRunFont(Fake(16), 0, TransparentColor);
        s->AddText(L"abc def", 0);
        s->ProcessText();
        doc.Add(s);
        screen.measurer.ResetCounters();
        Layout(doc, width);
        calls[width == 100] = screen.measurer.Counters().Calls;
        ASSERT_EQ(s->Lines.size(), 1u);
        EXPECT_EQ(s->Lines[0].LineCharCount, 7);
    }
    EXPECT_EQ(calls[1], calls[0] + 1);
}

TEST(LayoutDocument, TheUnmeasuredFirstLineNeverOverflows) {
    FakeScreen screen;
    struct Case {
        const wchar_t* first;  // at 16 pixels
        const wchar_t* second;  // at 64 pixels: capitals 40 wide
        int width;
        size_t lines;
        int firstLine;  // characters
    };
    const Case cases[] = {
        // 7 characters at the first font's widest (16) would fit 120 pixels,
        // but the capitals do not: "a WW " is 8 + 4 + 80 and the space.
        {L"a ", L"WW WW", 120, 2, 5},
        {L"ab", L"\x0008" L"cd", 400, 2, 3},  // a forced break ends the first line
        {L"ab cd", L"", 400, 1, 5},
    };
    for (const Case& c : cases) {
        TSectionList doc(nullptr);
        auto* s = new TSection(&doc);
        s->SetRunFont(Fake(16), 0, TransparentColor);
        s->AddText(c.first, 0);
        if (*c.second) {
            s->SetRunFont(Fake(64), 0, TransparentColor);
            s->AddText(c.second, 10);
        }
        s->ProcessText();
        doc.Add(s);
        Layout(doc, c.width);
        ASSERT_EQ(s->Lines.size(), c.lines) << c.width;
        EXPECT_EQ(s->Lines[0].LineCharCount, c.firstLine) << c.width;
    }
}
