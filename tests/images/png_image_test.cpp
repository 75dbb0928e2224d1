#include "images/png_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "framework/picture.h"
#include "framework/streams.h"
#include "image_test_util.h"

using namespace image_tests;

namespace {

TDibImage Pattern(int bits, int w, int h) {
    TDibImage dib;
    dib.Width = w;
    dib.Height = h;
    dib.BitCount = static_cast<uint16_t>(bits);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i) dib.ColorTable.push_back(static_cast<uint32_t>(i * 0x030507 + 0x102030) & 0xFFFFFF);
    dib.Bits.assign(dib.Stride() * static_cast<size_t>(h), 0);
    size_t rowBytes = (static_cast<size_t>(w) * bits + 7) / 8;
    uint32_t seed = static_cast<uint32_t>(bits);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = dib.Row(y);
        for (size_t x = 0; x < rowBytes; ++x)
            row[x] = static_cast<uint8_t>(y < h / 2 ? (x * 3 + y) : (seed = seed * 1103515245u + 12345u) >> 24);
        // Bits past the last pixel of a row are not part of the picture.
        if ((w * bits) % 8) row[rowBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - (w * bits) % 8));
    }
    return dib;
}

std::string Save(TPNGImage& png) {
    TMemoryStream out;
    png.SaveToStream(&out);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

void LoadBytes(TPNGImage& png, const std::string& bytes) {
    TReadOnlyMemoryStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
    png.LoadFromStream(&in);
}

}  // namespace

TEST(PngImage, SaveThenLoadKeepsPixelsAndPalette) {
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        TDibImage dib = Pattern(bits, 37, 21);
        TPNGImage png;
        png.LoadFromDib(dib);
        std::string bytes = Save(png);
        TPNGImage back;
        LoadBytes(back, bytes);
        TDibImage got = back.ToDib();
        EXPECT_EQ(37, got.Width);
        EXPECT_EQ(21, got.Height);
        EXPECT_EQ(bits, got.BitCount);
        EXPECT_EQ(dib.Bits, got.Bits);
        if (bits <= 8) {
            EXPECT_EQ(dib.ColorTable, got.ColorTable);
        }
    }
}

TEST(PngImage, LoadsLikeTheDecoderCore) {
    const std::string dir = TestDataDir() + "/pngsuite/png/";
    for (const char* name : {"basn0g02.png", "basn3p04.png", "basi2c16.png", "basn6a08.png", "basn0g16.png"}) {
        SCOPED_TRACE(name);
        std::string bytes = ReadWholeFile(dir + name);
        TReadOnlyMemoryStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
        TPNGPixels core = DecodePNG(&in).Pixels;
        TPNGImage png;
        LoadBytes(png, bytes);
        TDibImage dib = png.ToDib();
        ASSERT_EQ(core.BitsPerPixel, dib.BitCount);
        for (int y = 0; y < core.Height; ++y)
            EXPECT_EQ(0, std::memcmp(dib.Row(y), core.Rows.data() + y * core.Stride, core.Stride)) << y;
    }
}

TEST(PngImage, ChunksKeptAndWritten) {
    TPNGImage png;
    png.LoadFromDib(Pattern(24, 4, 4));
    auto* text = static_cast<TChunkTEXT*>(png.Chunks.AddClass(&MakeChunk<TChunkTEXT>));
    text->SetValue(0, "Title");
    text->SetValue(1, "words");
    EXPECT_EQ("words", text->GetValue(1));
    png.SetTransparentColor(RGBToColor(1, 2, 3));
    png.SetTransparent(true);
    std::string bytes = Save(png);
    EXPECT_EQ(std::string::npos, bytes.find("tEXt"));
    EXPECT_NE(std::string::npos, bytes.find("tRNS"));

    TPNGImage back;
    LoadBytes(back, bytes);
    EXPECT_TRUE(back.Transparent());
    EXPECT_EQ(RGBToColor(1, 2, 3), back.TransparentColor());
    EXPECT_EQ("IHDR", back.Chunks.GetItem(0)->ChunkType);
    EXPECT_THROW(back.Chunks.GetItem(99), EPNGImageException);
    TChunkList other(nullptr);
    TChunk stranger(&other);
    EXPECT_THROW(back.Chunks.Remove(&stranger), EPNGImageException);

    // A bad file leaves a clean error.
    EXPECT_THROW(LoadBytes(back, bytes.substr(0, 40)), EPNGImageException);
}

TEST(PngImage, TimeChunk) {
    TPNGImage png;
    auto* time = static_cast<TChunkTIME*>(png.Chunks.AddClass(&MakeChunk<TChunkTIME>));
    EXPECT_GE(time->GetDateTime().Year, 2024);
    time->SetDateTime({0, 2, 29, 12, 30, 0});
    EXPECT_EQ(2000, time->GetDateTime().Year);
    time->SetDateTime({2023, 2, 29, 12, 30, 0});
    EXPECT_THROW(time->GetDateTime(), EPNGImageException);
    time->Data.pop_back();
    EXPECT_THROW(time->GetDateTime(), EPNGImageException);
}

TEST(PngImage, PictureLoadsPngByContent) {
    InitializePNGImage();
    TPNGImage png;
    png.LoadFromDib(Pattern(8, 5, 3));
    std::string bytes = Save(png);
    TPicture picture;
    TReadOnlyMemoryStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
    picture.LoadFromStream(&in);
    auto* loaded = dynamic_cast<TPNGImage*>(picture.Graphic());
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(5, loaded->Width());
    EXPECT_EQ("Portable Network Graphics", TPicture::FileFormatDescription("png"));
}

TEST(PngImage, ProgressAfterEveryRowOrPass) {
    const std::string dir = TestDataDir() + "/pngsuite/png/";
    for (auto [name, calls, last] : {std::tuple{"basn0g08.png", 32, 100}, std::tuple{"basi0g08.png", 7, 100}}) {
        SCOPED_TRACE(name);
        TPNGImage png;
        std::vector<int> percents;
        png.OnProgress = [&](TObject*, TProgressStage, uint8_t percent, bool, const TRect&, const std::string& text) {
            EXPECT_EQ("Drawing...", text);
            percents.push_back(percent);
        };
        LoadBytes(png, ReadWholeFile(dir + name));
        ASSERT_EQ(static_cast<size_t>(calls), percents.size());
        EXPECT_EQ(last, percents.back());
    }
}
