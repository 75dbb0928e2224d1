#include <gtest/gtest.h>

#include <cwchar>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/jpeg.h"
#include "framework/metafile.h"
#include "framework/win.h"
#include "test_graphics_fixtures.h"

using namespace graphics_fixtures;

namespace {

TEST(GraphicsFont, SizeAndHeightConvertAtTheFontsResolution) {
    const struct {
        int ppi, size, height;
    } cases[] = {{96, 8, -11}, {96, 10, -13}, {96, 12, -16}, {120, 10, -17}, {72, 9, -9}};
    for (const auto& c : cases) {
        TFont font;
        font.SetPixelsPerInch(c.ppi);
        font.SetSize(c.size);
        EXPECT_EQ(font.Height(), c.height) << c.ppi << " ppi, " << c.size << " pt";
        font.SetHeight(c.height);
        EXPECT_EQ(font.Size(), c.size);
    }

    // A copy to a printer's resolution keeps the point size.
    TFont screen, printer;
    screen.SetPixelsPerInch(96);
    screen.SetSize(10);
    printer.SetPixelsPerInch(600);
    printer.Assign(&screen);
    EXPECT_EQ(printer.Size(), 10);
    EXPECT_EQ(printer.Height(), -83);
}

TEST(GraphicsFont, HandleCarriesTheFontsPropertiesAndFollowsChanges) {
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetName(Utf8ToAnsi("Тестовый"));
    font.SetHeight(-20);
    font.SetStyle(fsBold | fsItalic);
    font.SetCharset(RUSSIAN_CHARSET);
    font.SetHeight(-20);  // unchanged: no notification
    EXPECT_EQ(changes, 4);

    LOGFONTW lf{};
    ASSERT_NE(GetObjectW(font.Handle(), sizeof(lf), &lf), 0);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"Тестовый");
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_FALSE(lf.lfUnderline);
    EXPECT_EQ(lf.lfCharSet, RUSSIAN_CHARSET);

    // A colour change keeps the handle; a size change makes a new one.
    HFONT before = font.Handle();
    font.SetColor(clRed);
    EXPECT_EQ(font.Handle(), before);
    font.SetSize(30);
    ASSERT_NE(GetObjectW(font.Handle(), sizeof(lf), &lf), 0);
    EXPECT_EQ(lf.lfHeight, font.Height());

    // A handle made elsewhere is taken over and read back.
    LOGFONTW other{};
    other.lfHeight = -15;
    other.lfItalic = TRUE;
    wcscpy(other.lfFaceName, L"Arial");
    TFont adopted;
    adopted.SetHandle(CreateFontIndirectW(&other));
    EXPECT_EQ(adopted.Name(), "Arial");
    EXPECT_EQ(adopted.Height(), -15);
    EXPECT_EQ(adopted.Style(), static_cast<TFontStyles>(fsItalic));
}

TEST(GraphicsBrush, AClearBrushGivenAColourBecomesSolid) {
    TBrush brush;
    brush.SetStyle(bsClear);
    brush.SetColor(clRed);
    EXPECT_EQ(brush.Style(), bsSolid);
}

TEST(GraphicsColor, SystemColoursResolveThroughThePlatform) {
    EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(ColorToRGB(clWindowText), static_cast<TColor>(GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_EQ(ColorToRGB(clNavy), clNavy);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(static_cast<uint32_t>(clBtnFace), 0x8000000Fu);
}

TEST(GraphicsCanvas, FillsAndOutlinesLandWhereAsked) {
    TBitmap bitmap;
    Fill(bitmap, 20, 20, clWhite);
    TCanvas* canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(clBlue);
    canvas->FillRect(Rect(2, 3, 6, 8));
    EXPECT_EQ(Pixel(bitmap, 2, 3), clBlue);
    EXPECT_EQ(Pixel(bitmap, 5, 7), clBlue);
    EXPECT_EQ(Pixel(bitmap, 6, 7), clWhite);  // right and bottom edges are outside
    EXPECT_EQ(Pixel(bitmap, 5, 8), clWhite);

    canvas->Pen()->SetColor(clRed);
    canvas->Brush()->SetColor(clLime);
    canvas->Rectangle(10, 10, 16, 16);
    EXPECT_EQ(Pixel(bitmap, 10, 10), clRed);
    EXPECT_EQ(Pixel(bitmap, 15, 12), clRed);
    EXPECT_EQ(Pixel(bitmap, 12, 12), clLime);

    canvas->Pen()->SetColor(clBlack);
    canvas->MoveTo(0, 19);
    canvas->LineTo(5, 19);
    EXPECT_EQ(Pixel(bitmap, 3, 19), clBlack);
    EXPECT_EQ(canvas->PenPos(), Point(5, 19));

    canvas->SetPixels(18, 1, clFuchsia);
    EXPECT_EQ(Pixel(bitmap, 18, 1), clFuchsia);
    EXPECT_EQ(canvas->ClipRect(), Rect(0, 0, 20, 20));
}

// Pixels in the rectangle that are not the background colour.
int InkedPixels(TBitmap& bitmap, const TRect& r, TColor background) {
    int count = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) count += Pixel(bitmap, x, y) != background;
    return count;
}

TEST(GraphicsCanvas, TextInkStaysWithinItsExtentAndBothEncodingsMeasureAlike) {
    TBitmap bitmap;
    Fill(bitmap, 120, 40, clWhite);
    TCanvas* canvas = bitmap.Canvas();
    canvas->Font()->SetName("Arial");
    canvas->Font()->SetSize(12);
    canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);

    const std::string word = Utf8ToAnsi("Словарь");
    const TSize extent = canvas->TextExtent(word);
    EXPECT_GT(extent.cx, 20);
    EXPECT_GT(extent.cy, 8);
    EXPECT_EQ(canvas->TextExtent(Utf8ToWide("Словарь")), extent);
    EXPECT_LT(canvas->TextWidth(std::string("a")), extent.cx);

    canvas->TextOut(5, 5, word);
    const TRect box = Bounds(5, 5, extent.cx, extent.cy);
    EXPECT_GT(InkedPixels(bitmap, box, clWhite), 20);
    EXPECT_EQ(InkedPixels(bitmap, Rect(0, 0, 120, 40), clWhite), InkedPixels(bitmap, box, clWhite));

    // A bigger font measures wider: the canvas takes the new handle.
    canvas->Font()->SetSize(24);
    EXPECT_GT(canvas->TextWidth(word), extent.cx);

    // TextRect fills its rectangle with a solid brush and clips the text.
    canvas->Brush()->SetColor(clYellow);
    canvas->TextRect(Rect(0, 30, 10, 40), 0, 30, Utf8ToWide("Ш"));
    EXPECT_EQ(Pixel(bitmap, 0, 39), clYellow);
    EXPECT_EQ(Pixel(bitmap, 10, 39), clWhite);
}

TEST(GraphicsCanvas, CopyRectAndBrushCopyMovePixels) {
    TBitmap source, target;
    Fill(source, 4, 4, clRed);
    source.Canvas()->SetPixels(0, 0, clBlue);
    Fill(target, 8, 8, clWhite);
    target.Canvas()->CopyRect(Rect(0, 0, 8, 8), source.Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(Pixel(target, 1, 1), clBlue);
    EXPECT_EQ(Pixel(target, 7, 7), clRed);

    target.Canvas()->Brush()->SetColor(clLime);
    target.Canvas()->BrushCopy(Rect(0, 0, 4, 4), &source, Rect(0, 0, 4, 4), clRed);
    EXPECT_EQ(Pixel(target, 0, 0), clBlue);
    EXPECT_EQ(Pixel(target, 3, 3), clLime);
}

TEST(GraphicsCanvas, AnAttachedContextGetsBackItsOwnObjects) {
    TBitmap bitmap;
    Fill(bitmap, 4, 4, clWhite);
    HDC dc = bitmap.Canvas()->Handle();
    {
        TCanvas borrowed;
        borrowed.SetHandle(dc);
        borrowed.Font()->SetSize(20);
        borrowed.TextWidth(std::string("x"));
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), borrowed.Font()->Handle());
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));

    TCanvas detached;
    EXPECT_THROW(detached.Handle(), EInvalidOperation);
}

TEST(GraphicsResources, CountsReturnToTheBaselineAfterUse) {
    const TGuiResource kinds[] = {TGuiResource::Font, TGuiResource::Pen,     TGuiResource::Brush,
                                  TGuiResource::Bitmap, TGuiResource::Palette, TGuiResource::DC,
                                  TGuiResource::Metafile};
    int before[std::size(kinds)];
    for (size_t i = 0; i < std::size(kinds); ++i) before[i] = GuiResourceCount(kinds[i]);

    for (int round = 0; round < 3; ++round) {
        TBitmap bitmap;
        Fill(bitmap, 16, 16, clWhite, pf8bit);
        bitmap.Canvas()->Font()->SetSize(14);
        bitmap.Canvas()->TextOut(0, 0, std::string("x"));
        bitmap.Canvas()->Rectangle(1, 1, 5, 5);
        bitmap.Palette();
        EXPECT_GT(GuiResourceCount(TGuiResource::Bitmap), before[3]);
        EXPECT_GT(GuiResourceCount(TGuiResource::DC), before[5]);

        TBitmap copy;
        copy.Assign(&bitmap);
        copy.SetTransparent(true);
        bitmap.Canvas()->Draw(0, 0, &copy);
        copy.MaskHandle();
        copy.Dormant();

        TMetafile metafile;
        metafile.SetWidth(10);
        metafile.SetHeight(10);
        {
            TMetafileCanvas recorder(&metafile, nullptr);
            recorder.Brush()->SetColor(clRed);
            recorder.FillRect(Rect(0, 0, 5, 5));
        }
        bitmap.Canvas()->StretchDraw(Rect(0, 0, 16, 16), &metafile);
    }
    for (size_t i = 0; i < std::size(kinds); ++i)
        EXPECT_EQ(GuiResourceCount(kinds[i]), before[i]) << "kind " << static_cast<int>(kinds[i]);

    TBitmap dormant;
    Fill(dormant, 3, 3, clRed);
    const int bitmaps = GuiResourceCount(TGuiResource::Bitmap);
    const int contexts = GuiResourceCount(TGuiResource::DC);
    dormant.Dormant();
    EXPECT_EQ(GuiResourceCount(TGuiResource::Bitmap), bitmaps - 1);
    EXPECT_EQ(GuiResourceCount(TGuiResource::DC), contexts - 1);
    EXPECT_EQ(Pixel(dormant, 2, 2), clRed);
}

}  // namespace
