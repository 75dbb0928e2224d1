#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" {
#include <jpeglib.h>
}

#include "framework/jpeg.h"
#include "framework/picture.h"
#include "test_graphics_fixtures.h"

using namespace graphics_fixtures;

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 24;

// A smooth picture JPEG keeps well: red grows to the right, green downwards.
TColor SourceColor(int x, int y) {
    return RGBToColor(static_cast<uint8_t>(x * 255 / (kWidth - 1)), static_cast<uint8_t>(y * 255 / (kHeight - 1)),
                      96);
}

std::string EncodeJpeg(bool progressive, bool grey) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    unsigned char row[kWidth * 3];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < kWidth; ++x) {
            const TColor c = SourceColor(x, y);
            if (grey) {
                row[x] = ColorGreen(c);
            } else {
                row[3 * x] = ColorRed(c);
                row[3 * x + 1] = ColorGreen(c);
                row[3 * x + 2] = ColorBlue(c);
            }
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

int ChannelDistance(TColor a, TColor b) {
    return std::max({std::abs(ColorRed(a) - ColorRed(b)), std::abs(ColorGreen(a) - ColorGreen(b)),
                     std::abs(ColorBlue(a) - ColorBlue(b))});
}

// The largest channel difference over the picture.
int WorstDistance(TBitmap& bitmap, bool grey) {
    int worst = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            TColor expected = SourceColor(x, y);
            if (grey) expected = RGBToColor(ColorGreen(expected), ColorGreen(expected), ColorGreen(expected));
            worst = std::max(worst, ChannelDistance(Pixel(bitmap, x, y), expected));
        }
    return worst;
}

TEST(GraphicsJpeg, DecodesBaselineProgressiveAndGreyPicturesCloseToTheSource) {
    const struct {
        const char* name;
        bool progressive, grey;
    } cases[] = {{"baseline", false, false}, {"progressive", true, false}, {"grey", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = EncodeJpeg(c.progressive, c.grey);
        TJPEGImage jpeg;
        LoadBytes(jpeg, bytes);
        EXPECT_EQ(jpeg.Width(), kWidth);
        EXPECT_EQ(jpeg.Height(), kHeight);

        TBitmap bitmap;
        bitmap.Assign(&jpeg);
        EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
        EXPECT_LE(WorstDistance(bitmap, c.grey), 12);
        EXPECT_EQ(SaveBytes(jpeg), bytes);
    }
}

TEST(GraphicsJpeg, QuantisesToEightBitsOnRequest) {
    TJPEGImage jpeg;
    LoadBytes(jpeg, EncodeJpeg(false, false));
    jpeg.SetPixelFormat(jf8Bit);
    TBitmap* bitmap = jpeg.Bitmap();
    EXPECT_EQ(bitmap->PixelFormat(), pf8bit);
    EXPECT_NE(jpeg.Palette(), nullptr);
    EXPECT_LE(WorstDistance(*bitmap, false), 40);

    // With a palette of its own, every pixel is one of its colours.
    TPaletteHandle source;
    {
        TBitmap two;
        LoadBytes(two, MakeBmp({8, {{0, 1}}, {clBlack, clWhite}}));
        source.reset(CopyPaletteHandle(two.Palette()));
    }
    jpeg.SetPalette(source.release());
    bitmap = jpeg.Bitmap();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const TColor c = Pixel(*bitmap, x, y);
            EXPECT_TRUE(c == clBlack || c == clWhite) << x << "," << y;
        }
}

TEST(GraphicsJpeg, DamagedDataRaisesInsteadOfEndingTheProgram) {
    const std::string good = EncodeJpeg(false, false);
    const std::string goodProgressive = EncodeJpeg(true, false);
    std::string badFrame = good;
    // Zero the frame's width: libjpeg calls its fatal-error handler.
    const size_t sof = badFrame.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    badFrame[sof + 7] = badFrame[sof + 8] = '\0';
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"not a JPEG", "GIF89a and some more bytes"},
        {"markers only", std::string("\xFF\xD8\xFF\xD9", 4)},
        {"zero width", badFrame},
        {"cut in the header", good.substr(0, 40)},
        {"cut in the pixels", good.substr(0, good.size() / 2)},
        {"progressive cut short", goodProgressive.substr(0, goodProgressive.size() * 2 / 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage jpeg;
        EXPECT_THROW(
            {
                LoadBytes(jpeg, c.bytes);
                jpeg.Bitmap();
            },
            EInvalidGraphic);
    }
}

// A frame header claiming 8192 x 8192 pixels (64 Mi, twice the budget) is
// refused before any pixel memory is taken, not after the data runs out.
TEST(GraphicsJpeg, PicturesPastTheBudgetAreRefusedBeforeDecoding) {
    std::string bytes = EncodeJpeg(false, false);
    const size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    bytes.replace(sof + 5, 4, std::string("\x20\x00\x20\x00", 4));
    TJPEGImage jpeg;
    LoadBytes(jpeg, bytes);
    EXPECT_EQ(jpeg.Width(), 8192);
    try {
        jpeg.Bitmap();
        ADD_FAILURE() << "decoded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(e.Message.find("too large"), std::string::npos) << e.Message;
    }
}

TEST(GraphicsJpeg, PicturesRecogniseJpegByItsLeadingBytes) {
    TPicture picture;
    LoadBytes(*(picture.Bitmap()), MakeBmp({24, {{static_cast<uint32_t>(clRed)}}, {}}));
    TStringStream stream(EncodeJpeg(false, false));
    picture.LoadFromStream(&stream);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), kWidth);

    // A damaged one leaves the picture as it was.
    TStringStream damaged(std::string("\xFF\xD8\xFF\xD9", 4));
    EXPECT_THROW(picture.LoadFromStream(&damaged), EInvalidGraphic);
    EXPECT_EQ(picture.Width(), kWidth);
}

}  // namespace
