#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

extern "C" {
#include <jpeglib.h>
}

#include "framework/jpeg.h"
#include "framework/jpeg_codec.h"
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

// A progressive grey picture of w x h whose every scan is as short as the
// format allows: one scan of zero DC differences, then AC scans that end
// every block at once (end-of-band runs of up to 32767 blocks).
std::string ManyScanJpeg(int w, int h, int scans) {
    struct Bits {
        std::string out;
        unsigned acc = 0;
        int n = 0;
        void Put(unsigned value, int length) {
            for (int i = length - 1; i >= 0; --i) {
                acc = (acc << 1) | ((value >> i) & 1);
                if (++n < 8) continue;
                out += static_cast<char>(acc);
                if (acc == 0xFF) out += '\0';
                acc = 0;
                n = 0;
            }
        }
        std::string Take() {
            while (n != 0) Put(1, 1);
            return std::move(out);
        }
    };
    auto word = [](int v) { return std::string{static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; };
    auto sos = [&](int ss, int se) { return std::string("\xFF\xDA\x00\x08\x01\x01\x00", 7) + char(ss) + char(se) + '\0'; };
    const long blocks = long((w + 7) / 8) * ((h + 7) / 8);
    std::string s("\xFF\xD8\xFF\xDB\x00\x43\x00", 7);
    s += std::string(64, '\x01');
    s += std::string("\xFF\xC2\x00\x0B\x08", 5) + word(h) + word(w) + std::string("\x01\x01\x11\x00", 4);
    // DC: one code "0" for a zero difference. AC: fifteen 4-bit codes, code r
    // for an end-of-band run of 2^r blocks plus r extra bits.
    s += std::string("\xFF\xC4\x00\x34\x00\x01", 6) + std::string(15, '\0') + '\0';
    s += std::string("\x10\x00\x00\x00\x0F", 5) + std::string(12, '\0');
    for (int r = 0; r < 15; ++r) s += static_cast<char>(r << 4);
    Bits dc;
    for (long b = 0; b < blocks; ++b) dc.Put(0, 1);
    s += sos(0, 0) + dc.Take();
    Bits ac;
    for (long left = blocks; left > 0;) {
        const long run = left < 32767 ? left : 32767;
        int r = 0;
        while ((2L << r) <= run) ++r;
        ac.Put(static_cast<unsigned>(r), 4);
        if (r) ac.Put(static_cast<unsigned>(run - (1L << r)), r);
        left -= run;
    }
    const std::string acScan = sos(1, 63) + ac.Take();
    for (int i = 1; i < scans; ++i) s += acScan;
    return s + "\xFF\xD9";
}

// Each scan is a pass over the whole picture: past 1000 scans, or past the
// scans a picture of its size may have, the file is refused as it is read.
TEST(GraphicsJpeg, ScansAreBoundedAloneAndTimesThePicturesSize) {
    const struct {
        int side, scans;
        const char* error;  // empty: decoded
    } cases[] = {
        {16, 1000, ""},
        {16, 1001, "JPEG image has too many scans"},
        {2048, 512, ""},
        {2048, 513, "JPEG image has too many scans for its size"},
    };
    for (const auto& c : cases) {
        const std::string bytes = ManyScanJpeg(c.side, c.side, c.scans);
        TJpegDecodeOptions options;
        TJpegPixels pixels;
        char error[200] = "";
        const bool decoded = JpegDecode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &options,
                                        &pixels, error, sizeof error);
        EXPECT_EQ(decoded, !*c.error) << c.side << " " << c.scans;
        EXPECT_STREQ(error, c.error) << c.side << " " << c.scans;
        if (decoded) {
            EXPECT_EQ(pixels.Data[0], 128) << "zero differences: mid grey";
        }
        JpegFreePixels(&pixels);
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
