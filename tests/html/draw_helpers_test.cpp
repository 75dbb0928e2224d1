#include "html/draw_helpers.h"

#include <gtest/gtest.h>

#include "framework/win.h"
#include "framework/controls.h"
#include "html/html_startup.h"
#include "html/sel_text.h"
#include "images/engine_palette.h"

namespace {

constexpr TColor kRed = 0x0000FF;
constexpr TColor kDarkRed = 0x0000BF;  // 255 x 0.75, rounded
constexpr TColor kYellow = 0x00FFFF;

struct BorderCanvas {
    BorderCanvas() {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(40, 40);
        bitmap.Canvas()->Brush()->SetColor(clWhite);
        bitmap.Canvas()->FillRect(TRect{0, 0, 40, 40});
    }
    void Draw(BorderStyleType style, int width, TColor background = 0x1FFFFFFF) {
        DrawBorder(bitmap.Canvas(), TRect{5, 5, 35, 35}, TRect{5 + width, 5 + width, 35 - width, 35 - width},
                   htColors(kRed, kRed, kRed, kRed), htStyles(style, style, style, style), background);
    }
    TColor At(int x, int y) { return bitmap.Canvas()->Pixels(x, y) & 0xFFFFFF; }
    TBitmap bitmap;
};

TEST(DrawBorder, EachStyleOnPixels) {
    struct Probe {
        int x, y;
        TColor color;
    };
    struct Case {
        BorderStyleType style;
        int width;
        std::vector<Probe> probes;
    } cases[] = {
        {bssSolid, 6, {{7, 20, kRed}, {20, 7, kRed}, {32, 20, kRed}, {20, 32, kRed}, {20, 20, clWhite}, {2, 2, clWhite}}},
        {bssSolid, 1, {{5, 20, kRed}, {6, 20, clWhite}, {34, 20, kRed}, {20, 34, kRed}, {20, 5, kRed}, {20, 6, clWhite}}},
        {bssInset, 6, {{7, 20, kDarkRed}, {20, 7, kDarkRed}, {32, 20, kRed}, {20, 32, kRed}}},
        {bssOutset, 6, {{7, 20, kRed}, {20, 7, kRed}, {32, 20, kDarkRed}, {20, 32, kDarkRed}}},
        {bssGroove, 6, {{6, 20, kDarkRed}, {9, 20, kRed}, {33, 20, kRed}, {30, 20, kDarkRed}, {20, 6, kDarkRed}}},
        {bssRidge, 6, {{6, 20, kRed}, {9, 20, kDarkRed}, {33, 20, kDarkRed}, {30, 20, kRed}, {20, 33, kDarkRed}}},
        {bssDouble, 6, {{5, 20, kRed}, {6, 20, kRed}, {7, 20, clWhite}, {8, 20, clWhite}, {10, 20, kRed}, {20, 20, clWhite}}},
        {bssNone, 6, {{7, 20, clWhite}, {20, 7, clWhite}}},
    };
    for (const Case& c : cases) {
        BorderCanvas canvas;
        canvas.Draw(c.style, c.width);
        for (const Probe& p : c.probes)
            EXPECT_EQ(canvas.At(p.x, p.y), p.color) << "style " << c.style << " width " << c.width << " at " << p.x
                                                     << "," << p.y;
    }
}

TEST(DrawBorder, DashedAndDottedLeaveGapsOverTheBackground) {
    for (BorderStyleType style : {bssDashed, bssDotted}) {
        BorderCanvas canvas;
        canvas.Draw(style, 2, kYellow);
        int red = 0, yellow = 0;
        for (int x = 8; x < 32; ++x) {
            const TColor c = canvas.At(x, 6);
            red += c == kRed;
            yellow += c == kYellow;
        }
        EXPECT_GT(red, 2) << style;
        EXPECT_GT(yellow, 2) << style;
        EXPECT_EQ(canvas.At(20, 20), clWhite);
    }
}

TEST(DrawBorder, NoneWithABackgroundDrawsNothing) {
    BorderCanvas canvas;
    canvas.Draw(bssNone, 6, kYellow);
    for (int x = 0; x < 40; x += 3)
        for (int y = 0; y < 40; y += 3) ASSERT_EQ(canvas.At(x, y), clWhite) << x << "," << y;
}

TEST(DrawBorder, RaisedFrameOfWidthOne) {
    BorderCanvas canvas;
    RaisedRectColor(canvas.bitmap.Canvas(), 10, 10, 30, 30, clWhite - 0x010101, clBlack, true, 1);
    EXPECT_EQ(canvas.At(10, 20), 0xFEFEFE);  // left: light
    EXPECT_EQ(canvas.At(20, 10), 0xFEFEFE);  // top: light
    EXPECT_EQ(canvas.At(30, 20), clBlack);   // right: dark
    EXPECT_EQ(canvas.At(20, 30), clBlack);   // bottom: dark
}

TEST(WrapTextInRect, WrapsAndClipsToTheRectangle) {
    BorderCanvas canvas;
    TCanvas* c = canvas.bitmap.Canvas();
    c->Font()->SetColor(clBlack);
    c->Font()->SetHeight(-10);
    const int line = c->TextHeight(std::wstring(L"A"));
    WrapText(c, 2, 2, 38, 2 + 2 * line, L"WWW WWW WWW WWW WWW WWW WWW WWW");
    auto inkIn = [&](int top, int bottom) {
        int ink = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < 40; ++x) ink += canvas.At(x, y) != clWhite;
        return ink;
    };
    EXPECT_GT(inkIn(2, 2 + line), 0);             // first line
    EXPECT_GT(inkIn(2 + line, 2 + 2 * line), 0);  // the words that did not fit
    EXPECT_EQ(inkIn(2 + 2 * line, 40), 0);        // nothing below the rectangle
    EXPECT_EQ(c->Brush()->Style(), bsSolid);      // the brush is given back
}

TEST(EngineMetafile, BitmapAndMask) {
    ThtMetaFile metafile;
    metafile.SetWidth(20);
    metafile.SetHeight(10);
    {
        TMetafileCanvas recorder(&metafile, nullptr);
        recorder.Brush()->SetColor(clWhite);
        recorder.FillRect(TRect{0, 0, 20, 10});
        recorder.Brush()->SetColor(kRed);
        recorder.FillRect(TRect{5, 2, 15, 8});
    }
    TBitmap* picture = metafile.GetBitmap();
    ASSERT_NE(picture, nullptr);
    EXPECT_NEAR(picture->Width(), 20, 1);
    EXPECT_NEAR(picture->Height(), 10, 1);
    EXPECT_EQ(picture->Canvas()->Pixels(10, 5) & 0xFFFFFF, kRed);
    TBitmap* mask = metafile.GetMask();
    ASSERT_NE(mask, nullptr);
    EXPECT_TRUE(mask->Monochrome());
    EXPECT_EQ(metafile.GetBitmap(), picture);  // made once
}

TEST(SelectionBuffers, CountCopyAndClip) {
    const wchar_t text[] = {L'a', 2, L'b', 4, 8, L'c'};
    SelTextCount count;
    count.AddText(text, 6);
    EXPECT_EQ(count.Terminate(), 4);  // the line break counts

    wchar_t buffer[8];
    SelTextBuf copy(buffer, 8);
    copy.AddTextCR(text, 6);
    EXPECT_EQ(copy.Terminate(), 6);
    EXPECT_EQ(std::wstring(buffer), L"abc\r\n");

    wchar_t one[1] = {L'x'};
    SelTextBuf tiny(one, 1);
    tiny.AddText(text, 6);
    EXPECT_EQ(tiny.Terminate(), 1);
    EXPECT_EQ(one[0], 0);

    wchar_t untouched[1] = {L'x'};
    SelTextBuf none(untouched, 0);
    none.AddText(text, 6);
    EXPECT_EQ(none.Terminate(), 1);
    EXPECT_EQ(untouched[0], L'x');

    ClipBuffer clip(count.Terminate() + 1);
    clip.AddText(text, 6);
    EXPECT_EQ(clip.Terminate(), 4);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    std::wstring got = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data) GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(got, L"abc");
}

TEST(TextFitting, FitsAndMeasures) {
    TBitmap bitmap;
    bitmap.SetSize(10, 10);
    HDC dc = bitmap.Canvas()->Handle();
    const std::wstring text = L"Hello, world";
    int extent = -1;
    EXPECT_EQ(FitText(dc, text.c_str(), static_cast<int>(text.size()), 0, extent), 0);
    EXPECT_EQ(extent, 0);
    const int full = GetXExtent(dc, text.c_str(), static_cast<int>(text.size()));
    EXPECT_EQ(FitText(dc, text.c_str(), static_cast<int>(text.size()), full + 100, extent), 12);
    EXPECT_EQ(extent, full);
    const int n = FitText(dc, text.c_str(), static_cast<int>(text.size()), full / 2, extent);
    EXPECT_GT(n, 0);
    EXPECT_LT(n, 12);
    EXPECT_LE(extent, full / 2);
}

TEST(EnginePalette, CubeGreysAndCopies) {
    std::vector<uint32_t> system(256, 0x123456);
    const std::vector<uint32_t> colors = EnginePaletteColors(system);
    ASSERT_EQ(colors.size(), 256u);
    EXPECT_EQ(colors[9], 0x123456u);
    EXPECT_EQ(colors[10], 0x373737u);           // 55, 55, 55
    EXPECT_EQ(colors[11], 0x373773u);           // red moves fastest: 115, 55, 55
    EXPECT_EQ(colors[224], 0xFFFFEBu);          // the cube's last colour before white
    EXPECT_EQ(colors[225], 0x878787u);          // grey 135
    EXPECT_EQ(colors[244], 0xF5F5F5u);          // grey 245
    EXPECT_EQ(colors[245], 0xFEFFFFu);          // 255, 255, 254
    EXPECT_EQ(colors[246], 0x123456u);
    EXPECT_EQ(ColorBitsOfDepth(1), 4);
    EXPECT_EQ(ColorBitsOfDepth(8), 8);
    EXPECT_EQ(ColorBitsOfDepth(16), 24);

    const uint8_t saved = ColorBits;
    ColorBits = 24;
    HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(CopyPalette(stock), nullptr);
    ColorBits = 8;
    HPALETTE copy = CopyPalette(stock);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(GetPaletteEntries(copy, 0, 0, nullptr), 20u);
    DeleteObject(copy);
    ColorBits = saved;
}

TEST(EngineStartUp, RegistersCursorsAndPictures) {
    InitHtmlEngine();
    InitHtmlEngine();  // once only
    for (int cursor = HandCursor; cursor <= DownOnlyCursor; ++cursor) EXPECT_NE(ScreenCursor(cursor), nullptr);
    ASSERT_NE(DefBitMap, nullptr);
    EXPECT_EQ(DefBitMap->Width(), 16);
    ASSERT_NE(ErrorBitmapMask, nullptr);
    ASSERT_NE(WaitStream, nullptr);
    EXPECT_EQ(WaitStream->Size(), 0);
    DoneHtmlEngine();
    EXPECT_EQ(WaitStream, nullptr);
}

}  // namespace
