#include <gtest/gtest.h>

#include <memory>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "timed_steps.h"
#include "widgets/dock.h"
#include "widgets/tool_button.h"
#include "widgets/toolbar.h"

using namespace widget_tests;

namespace {

// The picture tiled behind a dock and the bars on it, as the scheme loader
// gives the main window's dock: 8 x 8, every pixel its own colour.
class DockBackgroundTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBorderStyle(bsNone);
        form->SetBounds(40, 40, 300, 120);
        dock = new TDock(form);
        dock->SetParent(form);
        dock->AllowDrag = false;
        bar = new TToolbar(form);
        bar->SetCaption("Bar");
        bar->SetParent(dock);
        // Flat and see-through, without glyph or caption: the bar shows through.
        button = new TToolbarButton(form);
        button->SetBounds(0, 0, 23, 22);
        button->SetOpaque(false);
        button->SetParent(bar);
        TBitmap picture;
        picture.SetPixelFormat(pf24bit);
        picture.SetSize(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) picture.Canvas()->SetPixels(x, y, Tile(x, y));
        dock->SetBackground(&picture);
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump(300);
    }
    void TearDown() override { TObject::Free(form); }
    static TColor Tile(int x, int y) { return static_cast<TColor>(RGB(x * 30, 200 - y * 25, 90)); }
    // The screen's pixel at a point of the form's client area.
    TColor At(int x, int y) {
        const TPoint p = form->ClientToScreen({x, y});
        return static_cast<TColor>(ScreenPixel(p.X, p.Y));
    }
    TForm* form = nullptr;
    TDock* dock = nullptr;
    TToolbar* bar = nullptr;
    TToolbarButton* button = nullptr;
};

TEST_F(DockBackgroundTest, ThePatternRunsOnAcrossTheDockAndItsBars) {
    const int barRight = bar->Left() + bar->Width();
    ASSERT_LT(barRight + 10, dock->Width());
    struct Case {
        const char* where;
        int x, y;
    } cases[] = {
        {"dock, right of the bar", barRight + 5, dock->Height() / 2},
        {"dock, last column", dock->Width() - 1, 1},
        {"bar's frame", bar->Left() + 1, bar->Top() + 1},
        {"through the bar's button", bar->Left() + 2 + button->Left() + 11, bar->Top() + 2 + button->Top() + 11},
    };
    for (const Case& c : cases) EXPECT_EQ(At(c.x, c.y), Tile(c.x % 8, c.y % 8)) << c.where;
}

TEST_F(DockBackgroundTest, TheTransparentColourShowsTheDocksColour) {
    dock->SetColor(clYellow);
    dock->SetBackgroundTransparent(true);
    Pump(300);
    // The picture's bottom-left colour is the transparent one.
    const int x = dock->Width() - 8 - (dock->Width() % 8), y = 7;
    EXPECT_EQ(At(x, y), clYellow);
    EXPECT_EQ(At(x + 1, y), Tile(1, 7));
}

TEST_F(DockBackgroundTest, TheTransparentColourFollowsAColourChangeInWindows) {
    dock->SetBackgroundTransparent(true);  // the dock's colour is the button face
    Pump(300);
    const int x = dock->Width() - 8 - (dock->Width() % 8), y = 7;
    ASSERT_EQ(At(x, y), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    const int element = COLOR_BTNFACE;
    const COLORREF saved = GetSysColor(element), changed = RGB(10, 120, 230);
    SetSysColors(1, &element, &changed);  // Windows tells every top-level window
    Pump(300);
    const TColor seen = At(x, y);
    SetSysColors(1, &element, &saved);
    Pump(100);
    EXPECT_EQ(seen, static_cast<TColor>(changed));
}

TEST_F(DockBackgroundTest, BoundLinesShadeTheTopAndLightTheBottom) {
    dock->SetBoundLines((1u << blTop) | (1u << blBottom));
    Pump(300);
    RECT r;
    GetWindowRect(dock->Handle(), &r);
    const int x = r.right - 3;
    EXPECT_EQ(ScreenPixel(x, r.top), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(ScreenPixel(x, r.bottom - 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(ScreenPixel(x, r.top + 1), static_cast<unsigned>(Tile((x - r.left) % 8, 1)))
        << "the pattern keeps to the form's origin: the line covers its first row";
}

}  // namespace

namespace {

TEST_F(DockBackgroundTest, PicturesWithAPaletteGiveItToTheFormThatAsks) {
    struct Case {
        TPixelFormat format;
        bool palettes;
    } cases[] = {{pf8bit, true}, {pf24bit, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.palettes ? "8 bits" : "24 bits");
        TBitmap picture;
        picture.SetPixelFormat(c.format);
        picture.SetSize(8, 8);
        dock->SetBackground(&picture);
        button->SetGlyph(&picture);
        EXPECT_EQ(dock->GetPalette() != nullptr, c.palettes);
        EXPECT_EQ(bar->GetPalette(), dock->GetPalette());
        EXPECT_EQ(button->GetPalette() != nullptr, c.palettes);
        EXPECT_EQ(SendMessageW(form->Handle(), WM_QUERYNEWPALETTE, 0, 0), c.palettes ? 1 : 0);
        Pump(100);
        ValidateRect(bar->Handle(), nullptr);
        SendMessageW(form->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(GetDesktopWindow()), 0);
        // Another window's palette may have moved the colours: the bar shows
        // the dock's pattern anew.
        EXPECT_EQ(GetUpdateRect(bar->Handle(), nullptr, FALSE) != 0, c.palettes);
    }
}

}  // namespace
