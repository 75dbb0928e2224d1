#include "util/winutils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/icon.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "util/maxmin.h"

namespace {

owned_ptr<TBitmap> Filled(int w, int h, TColor color) {
    owned_ptr<TBitmap> bitmap(new TBitmap);
    bitmap->SetSize(w, h);
    bitmap->Canvas()->Brush()->SetColor(color);
    bitmap->Canvas()->FillRect(Rect(0, 0, w, h));
    return bitmap;
}

void FillBox(TBitmap* bitmap, const TRect& r, TColor color) {
    bitmap->Canvas()->Brush()->SetColor(color);
    bitmap->Canvas()->FillRect(r);
}

TColor Pixel(TBitmap* bitmap, int x, int y) {
    return bitmap->Canvas()->Pixels(x, y);
}

TEST(WinUtilsBitmaps, TransparentDrawingByColourValue) {
    // A red 4 x 4 picture with a blue middle, drawn over green.
    auto picture = Filled(4, 4, clRed);
    FillBox(picture.get(), Rect(1, 1, 3, 3), clBlue);
    struct Case {
        const char* what;
        TColor transparent;
        TColor corner;  // what the destination shows where the picture is red
    } cases[] = {
        {"clNone draws every pixel", clNone, clRed},
        {"a colour drops that colour", clRed, clGreen},
        {"clDefault takes the bottom-left pixel", clDefault, clGreen},
        {"another colour keeps the red", clYellow, clRed},
    };
    for (const auto& c : cases) {
        auto dest = Filled(6, 6, clGreen);
        DrawBitmapTransparent(dest->Canvas(), 1, 1, picture.get(), c.transparent);
        EXPECT_EQ(Pixel(dest.get(), 1, 1), c.corner) << c.what;
        EXPECT_EQ(Pixel(dest.get(), 2, 2), clBlue) << c.what;
        EXPECT_EQ(Pixel(dest.get(), 0, 0), clGreen) << c.what;
    }
}

TEST(WinUtilsBitmaps, TransparentStretchingBlendsColourPictures) {
    // Black | white, stretched four times over green: halftone greys the
    // seam; a two-colour picture stays crisp.
    for (bool monochrome : {false, true}) {
        auto picture = Filled(4, 1, clBlack);
        FillBox(picture.get(), Rect(2, 0, 4, 1), clWhite);
        picture->SetMonochrome(monochrome);
        auto dest = Filled(16, 1, clGreen);
        StretchBitmapRectTransparent(dest->Canvas(), 0, 0, 16, 1, Rect(0, 0, 4, 1), picture.get(), clRed);
        int greys = 0;
        for (int x = 0; x < 16; ++x) {
            const TColor c = Pixel(dest.get(), x, 0);
            if (c != clBlack && c != clWhite && c != clGreen) ++greys;
        }
        EXPECT_EQ(greys > 0, !monochrome) << monochrome;
        EXPECT_EQ(Pixel(dest.get(), 0, 0), clBlack) << monochrome;
        EXPECT_EQ(Pixel(dest.get(), 15, 0), monochrome ? clGreen : clWhite) << monochrome;
    }
}

TEST(WinUtilsBitmaps, CopyParentImageFlagsWhatItPaints) {
    class Recorder : public TGraphicControl {
    public:
        using TGraphicControl::TGraphicControl;
        std::vector<bool> seen;

    protected:
        void Paint() override { seen.push_back(PaintingCopy); }
    };
    owned_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(0, 0, 200, 200);
    form->HandleNeeded();
    std::vector<bool> formSeen;
    form->OnPaint = [&](TObject*) { formSeen.push_back(form->PaintingCopy); };
    auto* below = new Recorder(form.get());
    below->SetParent(form.get());
    below->SetBounds(10, 10, 50, 50);
    auto* above = new Recorder(form.get());
    above->SetParent(form.get());
    above->SetBounds(20, 20, 50, 50);
    auto dest = Filled(50, 50, clWhite);
    CopyParentImage(above, dest->Canvas());
    ASSERT_FALSE(formSeen.empty());
    ASSERT_FALSE(below->seen.empty());
    EXPECT_TRUE(formSeen.back());
    EXPECT_TRUE(below->seen.back());
    EXPECT_FALSE(form->PaintingCopy);
    EXPECT_FALSE(below->PaintingCopy);
}

TEST(WinUtilsBitmaps, MonochromeBitmapsDropWhiteWhateverTheColour) {
    auto picture = Filled(4, 4, clWhite);
    FillBox(picture.get(), Rect(1, 1, 3, 3), clBlack);
    picture->SetMonochrome(true);
    auto dest = Filled(4, 4, clGreen);
    DrawBitmapTransparent(dest->Canvas(), 0, 0, picture.get(), clRed);
    EXPECT_EQ(Pixel(dest.get(), 0, 0), clGreen);
    EXPECT_EQ(Pixel(dest.get(), 1, 1), clBlack);
}

TEST(WinUtilsBitmaps, DisabledBitmapShowsTheOutlineEmbossed) {
    auto picture = Filled(6, 6, clWhite);
    FillBox(picture.get(), Rect(2, 2, 4, 4), clBlack);
    owned_ptr<TBitmap> lit(CreateDisabledBitmapEx(picture.get(), clWhite, clSilver, clYellow, clNavy, true));
    owned_ptr<TBitmap> flat(CreateDisabledBitmapEx(picture.get(), clWhite, clSilver, clYellow, clNavy, false));
    ASSERT_EQ(lit->Width(), 6);
    ASSERT_EQ(lit->Height(), 6);
    EXPECT_EQ(Pixel(lit.get(), 0, 0), clSilver);
    EXPECT_EQ(Pixel(lit.get(), 2, 2), clNavy);
    EXPECT_EQ(Pixel(lit.get(), 3, 3), clNavy);
    EXPECT_EQ(Pixel(lit.get(), 4, 4), clYellow);  // the highlight, one pixel down and right
    EXPECT_EQ(Pixel(flat.get(), 4, 4), clSilver);
    EXPECT_EQ(Pixel(flat.get(), 3, 3), clNavy);
}

TEST(WinUtilsBitmaps, ChangeBitmapColorAndBrushPattern) {
    auto picture = Filled(4, 4, clRed);
    FillBox(picture.get(), Rect(1, 1, 3, 3), clBlue);
    owned_ptr<TBitmap> changed(ChangeBitmapColor(picture.get(), clRed, clLime));
    EXPECT_EQ(Pixel(changed.get(), 0, 0), clLime);
    EXPECT_EQ(Pixel(changed.get(), 2, 2), clBlue);

    owned_ptr<TBitmap> pattern(CreateTwoColorsBrushPattern(clWhite, clBlack));
    EXPECT_EQ(pattern->Width(), 8);
    EXPECT_EQ(Pixel(pattern.get(), 0, 0), clBlack);
    EXPECT_EQ(Pixel(pattern.get(), 1, 0), clWhite);
    EXPECT_EQ(Pixel(pattern.get(), 1, 1), clBlack);
    EXPECT_EQ(Pixel(pattern.get(), 7, 6), clWhite);
}

TEST(WinUtilsBitmaps, GradientBands) {
    auto pixelsOf = [](int width, TFillDirection direction, int colors, TColor start, TColor end) {
        auto dest = Filled(width, 3, clRed);
        GradientFillRect(dest->Canvas(), Rect(0, 0, width, 3), start, end, direction, colors);
        std::vector<int> reds;
        for (int x = 0; x < width; ++x) reds.push_back(ColorRed(Pixel(dest.get(), x, 1)));
        return reds;
    };
    // Five bands of two pixels: 0 + MulDiv(k, 255, 4).
    EXPECT_EQ(pixelsOf(10, fdLeftToRight, 5, clBlack, clWhite),
              (std::vector<int>{0, 0, 64, 64, 128, 128, 191, 191, 255, 255}));
    EXPECT_EQ(pixelsOf(10, fdRightToLeft, 5, clBlack, clWhite),
              (std::vector<int>{255, 255, 191, 191, 127, 127, 64, 64, 0, 0}));  // MulDiv rounds -127.5 to -128
    // The strip left over at the far edge takes the last colour.
    EXPECT_EQ(pixelsOf(11, fdLeftToRight, 5, clBlack, clWhite).back(), 255);
    // More colours than pixels: one band per pixel.
    EXPECT_EQ(pixelsOf(3, fdLeftToRight, 10, clBlack, clWhite), (std::vector<int>{0, 128, 255}));
    // Fewer than two colours, or an extent below two: the start colour.
    EXPECT_EQ(pixelsOf(4, fdLeftToRight, 1, clWhite, clBlack), (std::vector<int>{255, 255, 255, 255}));
    EXPECT_EQ(pixelsOf(1, fdLeftToRight, 8, clWhite, clBlack), (std::vector<int>{255}));

    // Vertical bands, and an empty rectangle draws nothing.
    auto dest = Filled(2, 4, clRed);
    GradientFillRect(dest->Canvas(), Rect(0, 0, 2, 4), clBlack, clBlue, fdBottomToTop, 2);
    EXPECT_EQ(Pixel(dest.get(), 0, 0), clBlue);
    EXPECT_EQ(Pixel(dest.get(), 0, 3), clBlack);
    GradientFillRect(dest->Canvas(), Rect(1, 1, 1, 3), clLime, clLime, fdTopToBottom, 4);
    EXPECT_EQ(Pixel(dest.get(), 1, 1), clBlue);
}

TEST(WinUtilsBitmaps, AssignBitmapCell) {
    // Two cells stacked: red above blue.
    auto strip = Filled(4, 8, clRed);
    FillBox(strip.get(), Rect(0, 4, 4, 8), clBlue);
    strip->SetTransparent(true);
    owned_ptr<TBitmap> cell(new TBitmap);
    AssignBitmapCell(strip.get(), cell.get(), 0, 2, 1);  // no columns: one column
    EXPECT_EQ(cell->Width(), 4);
    EXPECT_EQ(cell->Height(), 4);
    EXPECT_EQ(Pixel(cell.get(), 0, 0), clBlue);
    EXPECT_TRUE(cell->Transparent());
    AssignBitmapCell(strip.get(), cell.get(), 1, 2, -3);  // a negative index: the first cell
    EXPECT_EQ(Pixel(cell.get(), 3, 3), clRed);
}

TEST(WinUtilsBitmaps, ModuleBitmapsNeverRaise) {
    owned_ptr<TBitmap> glyph(MakeBitmap("TRUETYPE_FNT"));
    ASSERT_TRUE(glyph);
    EXPECT_EQ(glyph->Width(), 20);
    EXPECT_EQ(MakeBitmap("NO_SUCH_BITMAP"), nullptr);
    EXPECT_EQ(MakeBitmapID(4321), nullptr);
    EXPECT_EQ(MakeModuleBitmap(nullptr, ResourceId(4321)), nullptr);
    try {
        ResourceNotFound(ResourceId(4321));
        FAIL();
    } catch (const EResNotFound& e) {
        EXPECT_NE(e.Message.find("4321"), std::string::npos);
    }
}

TEST(WinUtilsCursors, StartAndStopWaitAreCounted) {
    Screen->SetCursor(crCross);
    StartWait();
    StartWait();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crCross);
    Screen->SetCursor(crIBeam);
    StopWait();  // unmatched: nothing happens
    EXPECT_EQ(Screen->Cursor(), crIBeam);
    Screen->SetCursor(crDefault);
}

TEST(WinUtilsCursors, DefineCursorTakesTheFirstFreeSlot) {
    HICON free = ScreenCursor(crDefault);
    const TCursor first = DefineCursor(nullptr, ResourceId(32515));  // the system's cross
    const TCursor second = DefineCursor(nullptr, ResourceId(32513));  // the system's I-beam
    EXPECT_GE(first, 100);
    EXPECT_EQ(second, first + 1);
    EXPECT_NE(ScreenCursor(first), free);
    SetScreenCursor(first, free);
    EXPECT_EQ(DefineCursor(nullptr, ResourceId(32515)), first);  // a freed slot is taken again
    EXPECT_THROW(DefineCursor(GetModuleHandleW(nullptr), "NO_SUCH_CURSOR"), EResNotFound);
    SetScreenCursor(first, free);
    SetScreenCursor(second, free);
}

TEST(WinUtilsCursors, MissingAnimatedCursorGivesNone) {
    EXPECT_EQ(LoadAniCursor(GetModuleHandleW(nullptr), "NO_SUCH_ANI"), nullptr);
}

TEST(WinUtilsText, SplitCommandLine) {
    struct Case {
        const char* line;
        const char* program;
        const char* params;
    } cases[] = {
        {"prog.exe a b", "prog.exe", "a b"},
        {"\"C:\\Program Files\\x.exe\"  \"one two\"   three", "C:\\Program Files\\x.exe", "\"one two\" three"},
        {"  x\t\ty\r\n", "x", "y"},
        {"", "", ""},
        {"a \"b c", "a", "\"b c\""},  // an unclosed quote runs to the end
        {"a b\"c d\"e", "a", "\"bc de\""},
    };
    for (const auto& c : cases) {
        std::string program = "old", params = "old";
        SplitCommandLine(c.line, program, params);
        EXPECT_EQ(program, c.program) << c.line;
        EXPECT_EQ(params, c.params) << c.line;
    }
}

TEST(WinUtilsText, MinimizeTextEndsWithDots) {
    auto canvasOwner = Filled(10, 10, clWhite);
    TCanvas* canvas = canvasOwner->Canvas();
    const std::string text = "A long line of text";
    EXPECT_EQ(MinimizeText(text, canvas, canvas->TextWidth(text)), text);
    const int narrow = canvas->TextWidth("A long...");
    std::string shortened = MinimizeText(text, canvas, narrow);
    EXPECT_EQ(shortened, "A long...");
    EXPECT_EQ(MinimizeText(text, canvas, 0), "...");
}

TEST(WinUtilsMemory, HugeMoveHandlesOverlap) {
    int32_t up[] = {1, 2, 3, 4, 5, 6};
    HugeMove(up, up + 1, 4);
    EXPECT_EQ(std::vector<int32_t>(up, up + 6), (std::vector<int32_t>{1, 1, 2, 3, 4, 6}));
    int32_t down[] = {1, 2, 3, 4, 5, 6};
    HugeMove(down + 1, down, 4);
    EXPECT_EQ(std::vector<int32_t>(down, down + 6), (std::vector<int32_t>{2, 3, 4, 5, 5, 6}));

    void* block = AllocMemo(16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(static_cast<char*>(block)[15], 0);
    EXPECT_GE(GetMemoSize(block), 16);
    block = ReallocMemo(block, 64);
    EXPECT_GE(GetMemoSize(block), 64);
    FreeMemo(block);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(AllocMemo(0), nullptr);
    EXPECT_EQ(GetMemoSize(nullptr), 0);
}

TEST(WinUtilsMemory, GetEnvVarReturnsLongValuesWhole) {
    const std::string longValue(5000, 'x');
    SetEnvironmentVariableW(L"U15_LONG_VALUE", std::wstring(5000, L'x').c_str());
    EXPECT_EQ(GetEnvVar("U15_LONG_VALUE"), longValue);
    SetEnvironmentVariableW(L"U15_LONG_VALUE", nullptr);
    EXPECT_EQ(GetEnvVar("U15_LONG_VALUE"), "");
}

TEST(WinUtilsMisc, StringsAndSmallRoutines) {
    EXPECT_EQ(DropT("TForm1"), "Form1");
    EXPECT_EQ(DropT("T"), "T");
    EXPECT_EQ(AnsiUpperFirstChar("hELLO"), "Hello");
    EXPECT_TRUE(PointInRect({10, 10}, Rect(0, 0, 10, 10)));
    EXPECT_FALSE(PointInRect({11, 10}, Rect(0, 0, 10, 10)));
    const TPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
    EXPECT_TRUE(PointInPolyRgn({2, 2}, triangle));
    EXPECT_FALSE(PointInPolyRgn({9, 9}, triangle));
    EXPECT_EQ(PaletteColor(clRed), 0x020000FF);
    EXPECT_EQ(FindPrevInstance("", ""), nullptr);
    EXPECT_FALSE(ActivatePrevInstance("U15NoSuchWindowClass", ""));

    const TDateTime dates[] = {45000.5, 46000.25, 44000.0};
    EXPECT_EQ(MaxDateTime(dates), 46000.25);
    EXPECT_EQ(MinDateTime(dates), 44000.0);
    EXPECT_EQ(MaxInteger(std::span<const int>()), 0);
    EXPECT_EQ(Max(3, -4), 3);
    EXPECT_EQ(Min(3, -4), -4);
}

TEST(WinUtilsMisc, VariantsMadeAndCompared) {
    EXPECT_TRUE(VarIsNull(MakeVariant({})));
    const TVariant one[] = {int64_t{5}};
    EXPECT_EQ(MakeVariant(one), TVariant(int64_t{5}));
    const TVariant three[] = {int64_t{5}, std::string("x"), 2.5};
    const TVariant made = MakeVariant(three);
    ASSERT_TRUE(VarIsArray(made));
    EXPECT_EQ(std::get<TVarArray>(made).Items.size(), 3u);
    EXPECT_THROW(VarToStr(made), EConvertError);

    struct Case {
        std::vector<TVariant> values;
        TVariant max, min;
    } cases[] = {
        {{int64_t{3}, 7.5, int64_t{-2}}, 7.5, int64_t{-2}},
        {{std::string("10"), int64_t{9}}, std::string("10"), int64_t{9}},  // text read as a number
        {{std::string("b"), std::string("a")}, std::string("b"), std::string("a")},
        {{true, int64_t{0}}, int64_t{0}, true},  // True counts as -1
        {{TVariant{}, int64_t{-100}}, int64_t{-100}, TVariant{}},
        {{TVarDate{45000}, int64_t{44999}}, TVarDate{45000}, int64_t{44999}},
        {{}, TVariant{}, TVariant{}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaxOf(c.values), c.max) << VarToStr(c.max);
        EXPECT_EQ(MinOf(c.values), c.min) << VarToStr(c.min);
    }
    const TVariant mixed[] = {std::string("abc"), int64_t{1}};
    EXPECT_THROW(MaxOf(mixed), EConvertError);
}

TEST(WinUtilsMisc, MessagesGoThroughTheMessageBoxSeam) {
    auto& shown = testing_support::ShownMessageBoxes();
    shown.clear();
    EXPECT_THROW(NotImplemented(), EAbort);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(shown[0].text.empty());
    EXPECT_EQ(MsgBox("Caption", "Text", MB_OK), IDOK);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].caption, "Caption");
    shown.clear();
}

TEST(WinUtilsMisc, IconsCellsAndVersion) {
    auto picture = Filled(16, 16, clRed);
    FillBox(picture.get(), Rect(4, 4, 12, 12), clBlue);
    owned_ptr<TIcon> icon(CreateIconFromBitmap(picture.get(), clRed));
    ASSERT_TRUE(icon);
    owned_ptr<TBitmap> back(CreateBitmapFromIcon(icon.get(), clLime));
    EXPECT_EQ(Pixel(back.get(), 0, 0), clLime);  // red was see-through
    EXPECT_EQ(Pixel(back.get(), 8, 8), clBlue);
    EXPECT_EQ(back->TransparentColor(), clLime);

    // Cell text lies where its alignments put it: 2 pixels in from the left,
    // 3 from the right, centred; 2 down, centred (at least 1) or at the bottom.
    auto cell = Filled(60, 30, clWhite);
    TCanvas* canvas = cell->Canvas();
    canvas->Font()->SetColor(clBlack);
    const int tw = canvas->TextWidth("W"), th = canvas->TextHeight("W");
    struct Case {
        TAlignment align;
        TVertAlignment vert;
        int left, top;
    } cases[] = {
        {taLeftJustify, vaTopJustify, 2, 2},
        {taCenter, vaCenter, (60 - tw) / 2, std::max(1, (30 - th) / 2)},
        {taRightJustify, vaBottomJustify, 60 - tw - 3, std::max(2, 30 - th)},
    };
    for (const Case& c : cases) {
        canvas->Brush()->SetColor(clWhite);
        canvas->FillRect(Rect(0, 0, 60, 30));
        DrawCellText(canvas, "W", Rect(0, 0, 60, 30), c.align, c.vert);
        TRect ink{60, 30, -1, -1};
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x)
                if (Pixel(cell.get(), x, y) != clWhite)
                    ink = {std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x), std::max(ink.Bottom, y)};
        ASSERT_GE(ink.Right, 0) << "no text drawn";
        EXPECT_GE(ink.Left, c.left) << c.align;
        EXPECT_LE(ink.Left, c.left + 2) << c.align;
        EXPECT_LT(ink.Right, c.left + tw) << c.align;
        EXPECT_GE(ink.Top, c.top) << c.vert;
        EXPECT_LT(ink.Bottom, c.top + th) << c.vert;
    }
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(Rect(0, 0, 60, 30));
    // Word wrap goes through the off-screen bitmap, in the canvas's font colour.
    canvas->Font()->SetColor(clRed);
    DrawCellTextEx(canvas, "WWW WWW", Rect(0, 0, 60, 20), taLeftJustify, vaTopJustify, true);
    int red = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) red += Pixel(cell.get(), x, y) == clRed;
    EXPECT_GT(red, 10);
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(Rect(0, 0, 60, 20));
    auto dot = Filled(2, 2, clRed);
    DrawCellBitmap(canvas, dot.get(), Rect(0, 0, 60, 20));
    EXPECT_EQ(Pixel(cell.get(), 29, 9), clRed);
    EXPECT_EQ(Pixel(cell.get(), 31, 9), clWhite);

    EXPECT_EQ(GetWindowsVersion().rfind("Windows NT ", 0), 0u) << GetWindowsVersion();
}

TEST(WinUtilsMisc, ScreenCanvasReleasesItsContext) {
    TScreenCanvas canvas;
    EXPECT_NE(canvas.Handle(), nullptr);
    canvas.SetOrigin(5, 7);
    POINT origin{};
    GetWindowOrgEx(canvas.Handle(), &origin);
    EXPECT_EQ(origin.x, -5);
    EXPECT_EQ(origin.y, -7);
    canvas.FreeHandle();
    EXPECT_FALSE(canvas.HandleAllocated());
}

}  // namespace
