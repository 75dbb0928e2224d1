#include <gtest/gtest.h>

#include "framework/bitmap.h"
#include "framework/icon.h"
#include "framework/jpeg.h"
#include "framework/metafile.h"
#include "framework/picture.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "test_graphics_fixtures.h"

using namespace graphics_fixtures;

namespace {

// 4 x 4: a red field (the bottom-left pixel too) around a blue 2 x 2 centre.
void MakeSprite(TBitmap& sprite, TPixelFormat format) {
    Fill(sprite, 4, 4, clRed, format);
    sprite.Canvas()->Brush()->SetColor(clBlue);
    sprite.Canvas()->FillRect(Rect(1, 1, 3, 3));
}

TEST(GraphicsBitmap, TransparentDrawingLeavesTheTransparentColoursPixelsAlone) {
    const TPixelFormat formats[] = {pf24bit, pf32bit, pf8bit, pf4bit, pfDevice};
    for (TPixelFormat format : formats) {
        SCOPED_TRACE(static_cast<int>(format));
        TBitmap sprite;
        MakeSprite(sprite, format);
        sprite.SetTransparent(true);
        EXPECT_EQ(sprite.TransparentColor(), clRed);

        TBitmap target;
        Fill(target, 8, 8, clLime);
        target.Canvas()->Draw(0, 0, &sprite);
        EXPECT_EQ(Pixel(target, 0, 0), clLime);
        EXPECT_EQ(Pixel(target, 3, 3), clLime);
        EXPECT_EQ(Pixel(target, 1, 2), clBlue);

        // Doubled, and with the colour fixed to the centre's instead: the
        // middle 4 x 4 keeps what the first draw left there.
        sprite.SetTransparentColor(clBlue);
        target.Canvas()->StretchDraw(Rect(0, 0, 8, 8), &sprite);
        EXPECT_EQ(Pixel(target, 0, 7), clRed);
        EXPECT_EQ(Pixel(target, 6, 6), clRed);
        EXPECT_EQ(Pixel(target, 2, 2), clBlue);
        EXPECT_EQ(Pixel(target, 3, 3), clLime);
        EXPECT_EQ(Pixel(target, 5, 5), clLime);

        sprite.SetTransparent(false);
        target.Canvas()->Draw(0, 0, &sprite);
        EXPECT_EQ(Pixel(target, 0, 0), clRed);
    }
}

TEST(GraphicsBitmap, TwoColourPicturesDrawTransparentlyToo) {
    TBitmap sprite;
    LoadBytes(sprite, MakeBmp({1, {{1, 0}, {0, 1}}, {clNavy, clYellow}}));
    sprite.SetTransparent(true);
    EXPECT_EQ(sprite.TransparentColor(), clNavy);
    TBitmap target;
    Fill(target, 2, 3, clLime);
    target.Canvas()->Draw(0, 0, &sprite);
    EXPECT_EQ(Pixel(target, 0, 0), clYellow);
    EXPECT_EQ(Pixel(target, 1, 0), clLime);
    EXPECT_EQ(Pixel(target, 0, 1), clLime);

    // A monochrome bitmap draws black on white; white is its transparent colour.
    TBitmap mono;
    Fill(mono, 2, 1, clWhite);
    mono.Canvas()->SetPixels(0, 0, clBlack);
    mono.SetMonochrome(true);
    mono.SetTransparent(true);
    target.Canvas()->Draw(0, 2, &mono);
    EXPECT_EQ(Pixel(target, 0, 2), clBlack);
    EXPECT_EQ(Pixel(target, 1, 2), clLime);
}

TEST(GraphicsBitmap, MasksAreWhiteWhereTheColourWas) {
    TBitmap sprite;
    MakeSprite(sprite, pf24bit);
    TBitmap mask;
    mask.Assign(&sprite);
    mask.Mask(clBlue);
    EXPECT_TRUE(mask.Monochrome());
    EXPECT_EQ(Pixel(mask, 1, 1), clWhite);
    EXPECT_EQ(Pixel(mask, 0, 0), clBlack);
    EXPECT_EQ(Pixel(sprite, 1, 1), clBlue);  // the copy was independent

    // A handle made elsewhere is taken over with what it holds.
    TBitmap adopted;
    adopted.SetHandle(static_cast<HBITMAP>(CopyImage(sprite.Handle(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    EXPECT_EQ(adopted.Width(), 4);
    EXPECT_EQ(adopted.HandleType(), bmDIB);
    EXPECT_EQ(Pixel(adopted, 1, 1), clBlue);
}

TEST(GraphicsBitmap, ScanLinesAreRowsFromTheTop) {
    TBitmap bitmap;
    Fill(bitmap, 3, 2, clWhite, pf24bit);
    auto* top = static_cast<uint8_t*>(bitmap.ScanLine(0));
    top[3] = 0x11;  // blue, green, red of pixel (1, 0)
    top[4] = 0x22;
    top[5] = 0x33;
    EXPECT_EQ(Pixel(bitmap, 1, 0), RGBToColor(0x33, 0x22, 0x11));
    EXPECT_EQ(Pixel(bitmap, 1, 1), clWhite);
    EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphicOperation);

    // A device-dependent bitmap becomes a section for its rows.
    TBitmap device;
    Fill(device, 2, 2, clRed, pfDevice);
    EXPECT_EQ(device.HandleType(), bmDDB);
    EXPECT_NE(device.ScanLine(1), nullptr);
    EXPECT_EQ(device.HandleType(), bmDIB);
    EXPECT_EQ(Pixel(device, 1, 1), clRed);
}

TEST(GraphicsBitmap, FormatAndSizeChangesKeepThePicture) {
    TBitmap bitmap;
    MakeSprite(bitmap, pf24bit);
    const TPixelFormat chain[] = {pf8bit, pf4bit, pf32bit, pfDevice, pf24bit};
    for (TPixelFormat format : chain) {
        bitmap.SetPixelFormat(format);
        EXPECT_EQ(bitmap.PixelFormat(), format);
        EXPECT_EQ(Pixel(bitmap, 0, 0), clRed) << static_cast<int>(format);
        EXPECT_EQ(Pixel(bitmap, 2, 2), clBlue) << static_cast<int>(format);
    }

    // The top-left part stays; new parts take the brush's colour.
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.SetSize(6, 3);
    EXPECT_EQ(Pixel(bitmap, 1, 1), clBlue);
    EXPECT_EQ(Pixel(bitmap, 5, 0), clWhite);

    bitmap.SetMonochrome(true);
    EXPECT_TRUE(bitmap.Monochrome());
    EXPECT_EQ(Pixel(bitmap, 5, 0), clWhite);
    EXPECT_EQ(Pixel(bitmap, 1, 1), clBlack);

    bitmap.SetSize(0, 3);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(SaveBytes(bitmap), "");
}

TEST(GraphicsBitmap, APaletteBecomesTheColourTable) {
    TBitmap bitmap;
    LoadBytes(bitmap, MakeBmp({8, {{0, 1}}, {clBlack, clWhite}}));
    TBitmap other;
    LoadBytes(other, MakeBmp({8, {{0}}, {clNavy, clYellow}}));
    bitmap.SetPalette(CopyPaletteHandle(other.Palette()));
    EXPECT_EQ(Pixel(bitmap, 0, 0), clNavy);
    EXPECT_EQ(Pixel(bitmap, 1, 0), clYellow);
    HPALETTE released = bitmap.ReleasePalette();
    EXPECT_NE(released, nullptr);
    DeleteObject(released);
}

TEST(GraphicsBitmap, DormantBitmapsComeBackWhole) {
    TBitmap bitmap;
    MakeSprite(bitmap, pf8bit);
    const std::string before = SaveBytes(bitmap);
    bitmap.Dormant();
    EXPECT_FALSE(bitmap.HandleAllocated());
    EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
    EXPECT_EQ(SaveBytes(bitmap), before);
    bitmap.FreeImage();
    EXPECT_TRUE(bitmap.HandleAllocated());
    EXPECT_EQ(Pixel(bitmap, 1, 1), clBlue);
}

TEST(GraphicsMetafile, RecordedDrawingPlaysBack) {
    TMetafile metafile;
    metafile.SetWidth(40);
    metafile.SetHeight(40);
    {
        TMetafileCanvas recorder(&metafile, nullptr);
        recorder.Brush()->SetColor(clWhite);
        recorder.FillRect(Rect(0, 0, 40, 40));
        recorder.Brush()->SetColor(clRed);
        recorder.FillRect(Rect(10, 10, 30, 30));
    }
    ASSERT_FALSE(metafile.Empty());
    EXPECT_NEAR(metafile.Width(), 40, 1);

    TMetafile copy;
    LoadBytes(copy, SaveBytes(metafile));
    for (TMetafile* picture : {&metafile, &copy}) {
        TBitmap target;
        Fill(target, 40, 40, clLime);
        target.Canvas()->StretchDraw(Rect(0, 0, 40, 40), picture);
        EXPECT_EQ(Pixel(target, 20, 20), clRed);
        EXPECT_EQ(Pixel(target, 3, 3), clWhite);
        EXPECT_EQ(Pixel(target, 36, 20), clWhite);
    }

    // Any picture becomes a bitmap by drawing itself on one.
    TBitmap flat;
    flat.Assign(&metafile);
    EXPECT_NEAR(flat.Width(), 40, 1);
    EXPECT_EQ(Pixel(flat, 20, 20), clRed);

    TMetafile broken;
    EXPECT_THROW(LoadBytes(broken, SaveBytes(metafile).substr(0, 100)), EInvalidGraphic);
    EXPECT_THROW(LoadBytes(broken, std::string(200, 'x')), EInvalidGraphic);
}

// A 16 x 16, 32-bit icon: the left half opaque red, the right half transparent.
std::string MakeIcon() {
    std::string image;
    Put32(image, 40);
    Put32(image, 16);
    Put32(image, 32);  // colour and mask rows together
    Put16(image, 1);
    Put16(image, 32);
    for (int i = 0; i < 6; ++i) Put32(image, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) Put32(image, x < 8 ? 0xFFFF0000 : 0);  // alpha, red, green, blue
    for (int y = 0; y < 16; ++y) Put32(image, 0x00FF0000);  // mask bits: 0x00, 0xFF, padding
    std::string file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, 1);
    file += std::string("\x10\x10\0\0", 4);
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<uint32_t>(image.size()));
    Put32(file, 22);
    return file + image;
}

TEST(GraphicsIcon, LoadsAnIcoAndDrawsThroughItsMask) {
    TIcon icon;
    const std::string file = MakeIcon();
    LoadBytes(icon, file);
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);
    EXPECT_EQ(SaveBytes(icon), file);

    TBitmap target;
    Fill(target, 16, 16, clLime);
    target.Canvas()->Draw(0, 0, &icon);
    EXPECT_EQ(Pixel(target, 2, 5), clRed);
    EXPECT_EQ(Pixel(target, 12, 5), clLime);

    EXPECT_THROW(LoadBytes(icon, file.substr(0, file.size() - 100)), EInvalidGraphic);
    EXPECT_THROW(LoadBytes(icon, std::string("\0\0\2\0\1\0", 6)), EInvalidGraphic);
    EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);
}

// A format of another module, as it would register itself.
class TSpecialPicture : public TBitmap {
public:
    void LoadFromStream(TStream*) override { SetSize(1, 1); }
};
TGraphic* NewSpecialPicture() { return new TSpecialPicture; }

TEST(GraphicsPicture, PicksTheClassByLeadingBytesThenByExtension) {
    testing_support::TempWorkDir dir;
    const std::string bmp = MakeBmp({24, {{static_cast<uint32_t>(clRed)}}, {}});
    testing_support::WriteFileBytes("named.jpg", bmp);
    testing_support::WriteFileBytes("unknown.xyz", "nothing known");
    testing_support::WriteFileBytes("broken.bmp", "BM but not really");

    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    picture.LoadFromFile("named.jpg");
    ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(Pixel(*picture.Bitmap(), 0, 0), clRed);
    EXPECT_EQ(changes, 1);

    picture.Bitmap()->Canvas()->SetPixels(0, 0, clBlue);
    EXPECT_EQ(changes, 2);

    EXPECT_THROW(picture.LoadFromFile("unknown.xyz"), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile("broken.bmp"), EInvalidGraphic);
    EXPECT_EQ(Pixel(*picture.Bitmap(), 0, 0), clBlue);

    // A module's own format: found by its signature, gone once unregistered.
    TPicture::RegisterFileFormat(".spc", "Special", NewSpecialPicture, "SPC!", 4);
    EXPECT_EQ(TPicture::FileFormatDescription("SPC"), "Special");
    testing_support::WriteFileBytes("special.dat", "....SPC!");
    picture.LoadFromFile("special.dat");
    EXPECT_NE(dynamic_cast<TSpecialPicture*>(picture.Graphic()), nullptr);
    TPicture::UnregisterGraphicClass(NewSpecialPicture);
    EXPECT_EQ(TPicture::FileFormatDescription("spc"), "");
    EXPECT_THROW(picture.LoadFromFile("special.dat"), EInvalidGraphic);
    picture.LoadFromFile("named.jpg");
    picture.Bitmap()->Canvas()->SetPixels(0, 0, clBlue);

    TPicture copy;
    copy.Assign(&picture);
    EXPECT_NE(copy.Graphic(), picture.Graphic());
    EXPECT_EQ(Pixel(*copy.Bitmap(), 0, 0), clBlue);
}

}  // namespace
