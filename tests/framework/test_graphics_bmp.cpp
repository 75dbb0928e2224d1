#include <gtest/gtest.h>

#include "framework/bitmap.h"
#include "framework/streams.h"
#include "support/crafted_bmp.h"
#include "test_graphics_fixtures.h"

using namespace graphics_fixtures;

namespace {

const std::vector<TColor> kFourColours = {clBlack, clRed, clLime, clBlue};

// 5 wide (odd, so rows need padding) by 3 high; index or colour by position.
std::vector<std::vector<uint32_t>> Pattern(bool indexed) {
    const std::vector<std::vector<uint32_t>> indices = {{0, 1, 2, 3, 1}, {3, 2, 1, 0, 2}, {1, 1, 3, 3, 0}};
    if (indexed) return indices;
    std::vector<std::vector<uint32_t>> colours = indices;
    for (auto& row : colours)
        for (auto& v : row) v = static_cast<uint32_t>(kFourColours[v]);
    return colours;
}

void ExpectPattern(TBitmap& bitmap, const std::vector<TColor>& palette) {
    const auto indices = Pattern(true);
    ASSERT_EQ(bitmap.Width(), 5);
    ASSERT_EQ(bitmap.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(Pixel(bitmap, x, y), palette[indices[y][x]]) << "pixel " << x << "," << y;
}

TEST(GraphicsBmp, LoadsEveryDepthAndHeaderWithTheRightPixels) {
    // Two-colour files use the first two indices only.
    const std::vector<std::vector<uint32_t>> oneBit = {{0, 1, 1, 0, 1}, {1, 0, 0, 1, 0}, {1, 1, 0, 0, 0}};
    struct Case {
        const char* name;
        BmpLayout layout;
        TPixelFormat format;
    };
    const Case cases[] = {
        {"4-bit", {4, Pattern(true), kFourColours}, pf4bit},
        {"8-bit", {8, Pattern(true), kFourColours}, pf8bit},
        {"8-bit top-down", {8, Pattern(true), kFourColours, true}, pf8bit},
        {"8-bit core header", {8, Pattern(true), kFourColours, false, true}, pf8bit},
        {"16-bit 5-6-5", {16, Pattern(false), {}, false, false, true}, pf16bit},
        {"16-bit 5-5-5", {16, Pattern(false), {}}, pf15bit},
        {"24-bit", {24, Pattern(false), {}}, pf24bit},
        {"24-bit top-down", {24, Pattern(false), {}, true}, pf24bit},
        {"32-bit", {32, Pattern(false), {}}, pf32bit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        LoadBytes(bitmap, MakeBmp(c.layout));
        EXPECT_EQ(bitmap.PixelFormat(), c.format);
        EXPECT_EQ(bitmap.HandleType(), bmDIB);
        ExpectPattern(bitmap, kFourColours);
    }

    TBitmap mono;
    LoadBytes(mono, MakeBmp({1, oneBit, {clNavy, clYellow}}));
    EXPECT_EQ(mono.PixelFormat(), pf1bit);
    EXPECT_TRUE(mono.Monochrome());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(Pixel(mono, x, y), oneBit[y][x] ? clYellow : clNavy);
}

TEST(GraphicsBmp, DecodesRunLengthPixels) {
    // RLE8, 6 x 2. Bottom row: a run of 3 x index 1, then the literal 1 2 3
    // (padded to an even length); top row: a delta of 2, then 4 x index 2.
    BmpLayout layout{8, {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}}, kFourColours};
    std::string file = MakeBmp(layout);
    const std::string rle("\x03\x01\x00\x03\x01\x02\x03\x00"
                          "\x00\x00\x00\x02\x02\x00\x04\x02\x00\x01",
                          18);
    file.resize(file.size() - 16);  // the plain pixels (2 rows of 8 bytes) make way
    file[30] = 1;                   // compression: RLE8
    file[34] = 18;                  // image size
    file += rle;
    TBitmap bitmap;
    LoadBytes(bitmap, file);
    const std::vector<std::vector<TColor>> expected = {
        {clBlack, clBlack, clLime, clLime, clLime, clLime},
        {clRed, clRed, clRed, clRed, clLime, clBlue},
    };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(Pixel(bitmap, x, y), expected[y][x]) << x << "," << y;
}

// Counts and jumps that point outside the picture: pixels past a row's end are
// dropped, a jump below the last row or a picture past the budget is an error.
TEST(GraphicsBmp, RunLengthPositionsStayInsideThePicture) {
    auto rleFile = [](int bits, const std::string& rle) {
        std::string file = MakeBmp({bits, {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}, kFourColours});
        file.resize(file.size() - (bits == 8 ? 16 : 8));
        file[30] = bits == 8 ? 1 : 2;
        file[34] = static_cast<char>(rle.size());
        return file + rle;
    };
    const TColor k = clBlack, r = clRed, g = clLime, b = clBlue;
    const struct {
        const char* name;
        std::string file;
        std::vector<std::vector<TColor>> top, bottom;  // empty: an error
    } cases[] = {
        {"RLE8 run past the row's end", rleFile(8, std::string("\x03\x01\xC8\x02\x07\x03\x00\x00\x02\x03\x00\x01", 12)),
         {{b, b, k, k, k}}, {{r, r, r, g, g}}},
        {"RLE8 literal past the row's end", rleFile(8, std::string("\x00\x07\x01\x02\x03\x01\x02\x03\x01\x00", 10)),
         {{k, k, k, k, k}}, {{r, g, b, r, g}}},
        {"RLE8 delta past the row's end", rleFile(8, std::string("\x00\x02\xF0\x00\x02\x01\x00\x00\x01\x03\x00\x01", 12)),
         {{b, k, k, k, k}}, {{k, k, k, k, k}}},
        {"RLE4 run past the row's end", rleFile(4, std::string("\xFF\x12\x00\x00\x03\x33\x00\x01", 8)),
         {{b, b, b, k, k}}, {{r, g, r, g, r}}},
        {"delta below the last row", rleFile(8, std::string("\x02\x01\x00\x02\x00\x03\x01\x01", 8)), {}, {}},
        {"delta to just above the picture", rleFile(8, std::string("\x02\x01\x00\x02\x01\x02\x01\x01", 8)),
         {{k, k, k, k, k}}, {{r, r, k, k, k}}},
        {"RLE8 counts adding up past 2^31", testing_support::OverflowingRle8Bmp(), {}, {}},
        {"RLE4 header past the picture budget", testing_support::OversizedRle4Bmp(), {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        if (c.top.empty()) {
            EXPECT_THROW(LoadBytes(bitmap, c.file), EInvalidGraphic);
            EXPECT_TRUE(bitmap.Empty());
            continue;
        }
        LoadBytes(bitmap, c.file);
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(Pixel(bitmap, x, 0), c.top[0][static_cast<size_t>(x)]) << x;
            EXPECT_EQ(Pixel(bitmap, x, 1), c.bottom[0][static_cast<size_t>(x)]) << x;
        }
    }
}

TEST(GraphicsBmp, SavedFilesLoadBackIdentically) {
    const TPixelFormat formats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice};
    for (TPixelFormat format : formats) {
        SCOPED_TRACE(static_cast<int>(format));
        TBitmap source;
        Fill(source, 7, 5, clWhite, format);
        source.Canvas()->Brush()->SetColor(clBlack);
        source.Canvas()->FillRect(Rect(1, 1, 3, 4));
        if (format != pf1bit) {
            source.Canvas()->Brush()->SetColor(clRed);
            source.Canvas()->FillRect(Rect(4, 0, 6, 2));
        }
        const std::string saved = SaveBytes(source);
        ASSERT_EQ(saved.substr(0, 2), "BM");

        TBitmap copy;
        LoadBytes(copy, saved);
        ASSERT_EQ(copy.Width(), 7);
        ASSERT_EQ(copy.Height(), 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(Pixel(copy, x, y), Pixel(source, x, y)) << x << "," << y;
        EXPECT_EQ(SaveBytes(copy), saved);
    }
}

TEST(GraphicsBmp, ReadsOneFileAndLeavesTheRestOfTheStream) {
    const std::string file = MakeBmp({24, Pattern(false), {}});
    TStringStream stream(file + "tail");
    TBitmap bitmap;
    bitmap.LoadFromStream(&stream);
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(file.size()));
}

TEST(GraphicsBmp, MalformedFilesRaiseAndKeepThePicture) {
    const std::string good = MakeBmp({8, Pattern(true), kFourColours});
    auto patched = [&](size_t at, std::string bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"not BM", patched(0, "XM")},
        {"header only", good.substr(0, 30)},
        {"pixels cut short", good.substr(0, good.size() - 3)},
        {"unknown header size", patched(14, std::string("\x20\0\0\0", 4))},
        {"zero width", patched(18, std::string("\0\0\0\0", 4))},
        {"two planes", patched(26, std::string("\2\0", 2))},
        {"7 bits per pixel", patched(28, std::string("\7\0", 2))},
        {"RLE with 24 bits", patched(28, std::string("\x18\0\1\0", 4))},
        {"pixels beyond the end", patched(10, std::string("\xFF\xFF\0\0", 4))},
        {"absurd size", patched(18, std::string("\xFF\xFF\0\0\xFF\xFF\0\0", 8))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        Fill(bitmap, 2, 2, clRed);
        EXPECT_THROW(LoadBytes(bitmap, c.bytes), EInvalidGraphic);
        EXPECT_EQ(bitmap.Width(), 2);
        EXPECT_EQ(Pixel(bitmap, 1, 1), clRed);
    }
}

}  // namespace
