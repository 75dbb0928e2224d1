// The image cache's counters and the loaders' handling of bad input.
#include "html/image_cache.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "framework/bitmap.h"
#include "framework/streams.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "html/section_list.h"
#include "support/crafted_bmp.h"
#include "support/test_support.h"

namespace {

// ---- a tiny PNG writer (stored deflate blocks)

uint32_t Crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

std::string Be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
    return Be32(static_cast<uint32_t>(data.size())) + type + data + Be32(Crc32(type + data));
}

std::string Zlib(const std::string& raw) {
    std::string out = "\x78\x01";
    out += '\x01';
    const auto n = static_cast<uint16_t>(raw.size());
    out += static_cast<char>(n & 0xFF);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(~n & 0xFF);
    out += static_cast<char>((~n >> 8) & 0xFF);
    out += raw;
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return out + Be32(b << 16 | a);
}

const std::string kPngSignature = "\x89PNG\r\n\x1a\n";

std::string Ihdr(int w, int h, int colorType, int depth = 8) {
    std::string d = Be32(static_cast<uint32_t>(w)) + Be32(static_cast<uint32_t>(h));
    d += static_cast<char>(depth);
    d += static_cast<char>(colorType);
    d += std::string(3, '\0');
    return Chunk("IHDR", d);
}

// A 4 x 2 picture of colour type 3: palette entry i is (i * 30, 200, 10); the
// pixels are 0..7; tRNS gives entry 7 an alpha of 0.
std::string PalettePng(bool transparencyBeforePalette = false, int transparentIndex = 7) {
    std::string palette;
    for (int i = 0; i < 8; ++i) palette += std::string{static_cast<char>(i * 30), static_cast<char>(200), 10};
    std::string alphas(static_cast<size_t>(transparentIndex + 1), '\xFF');
    alphas[static_cast<size_t>(transparentIndex)] = 0;
    std::string raw;
    for (int y = 0; y < 2; ++y) {
        raw += '\0';
        for (int x = 0; x < 4; ++x) raw += static_cast<char>(y * 4 + x);
    }
    std::string png = kPngSignature + Ihdr(4, 2, 3);
    if (transparencyBeforePalette) png += Chunk("tRNS", alphas) + Chunk("PLTE", palette);
    else png += Chunk("PLTE", palette) + Chunk("tRNS", alphas);
    return png + Chunk("IDAT", Zlib(raw)) + Chunk("IEND", "");
}

std::string TruecolorPngWithTrns() {
    std::string raw = std::string("\0", 1) + std::string(6, '\x40');
    return kPngSignature + Ihdr(2, 1, 2) + Chunk("tRNS", std::string(6, '\0')) + Chunk("IDAT", Zlib(raw)) +
           Chunk("IEND", "");
}

// A 24-bit BMP of w x h (claimed), with the pixels for the real size.
std::string MakeBmp(int32_t w, int32_t h, bool pixels = true) {
    auto le32 = [](uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) / 4 * 4;
    const std::string data = pixels ? std::string(stride * static_cast<uint32_t>(h), '\x7F') : std::string(64, '\0');
    std::string b = "BM" + le32(static_cast<uint32_t>(54 + data.size())) + le32(0) + le32(54);
    b += le32(40) + le32(static_cast<uint32_t>(w)) + le32(static_cast<uint32_t>(h));
    b += std::string{1, 0, 24, 0};
    b += le32(0) + le32(0) + le32(2835) + le32(2835) + le32(0) + le32(0);
    return b + data;
}

struct Loaded {
    TBitmap* bitmap = nullptr;
    TBitmap* mask = nullptr;
    Transparency transparent = NotTransp;
    ~Loaded() {
        delete bitmap;
        delete mask;
    }
};

void Load(const std::string& bytes, Loaded& out, Transparency asked = NotTransp) {
    TMemoryStream stream;
    stream.SetSize(static_cast<int64_t>(bytes.size()));
    if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), static_cast<char*>(stream.Memory()));
    out.transparent = asked;
    out.bitmap = GetImageAndMaskFromStream(&stream, out.transparent, out.mask);
}

TEST(ImageCache, KindOfImageReadsOnlyWhatItIsGiven) {
    struct Case {
        std::string bytes;
        size_t length;
        ImageType kind;
    } cases[] = {
        {"GIF87a", 6, Gif},       {"GIF89a", 6, Gif89},        {"gif89a", 6, NoImage},
        {"GIF8", 4, Gif},         {"BM", 2, Bmp},              {"\x89PNG", 4, Png},
        {"\xFF\xD8\xFF", 3, Jpg}, {"\x89PN", 3, NoImage},      {"B", 1, NoImage},
        {"", 0, NoImage},         {"GIF89a", 3, NoImage},
    };
    for (const Case& c : cases) EXPECT_EQ(KindOfImage(c.bytes.data(), c.length), c.kind) << c.bytes;
    EXPECT_EQ(KindOfImage(nullptr, 5), NoImage);
}

TEST(ImageCache, CountersAgeAndDropUnusedPictures) {
    for (int cacheCount : {0, 5}) {
        TStringBitmapList cache;
        cache.SetCacheCount(cacheCount);
        cache.AddObject("A.PNG", new TBitmapItem(new TBitmap, nullptr, NotTransp));
        EXPECT_EQ(cache.Item(0)->UsageCount, 1);
        EXPECT_EQ(cache.IndexOf("a.png"), 0);  // without regard to case
        cache.GetImage(0);
        EXPECT_EQ(cache.Item(0)->UsageCount, 2);
        cache.DecUsage("A.PNG");
        cache.DecUsage("A.PNG");
        cache.DecUsage("MISSING");  // nothing
        int loads = 0;
        while (cache.Count() > 0 && loads < 10) {
            cache.BumpAndCheck();
            ++loads;
        }
        EXPECT_EQ(loads, cacheCount + 1) << cacheCount;
    }
    // A picture in use survives every load; SetCacheCount trims old unused ones.
    TStringBitmapList cache;
    cache.AddObject("USED", new TBitmapItem(new TBitmap, nullptr, NotTransp));
    cache.AddObject("OLD", new TBitmapItem(new TBitmap, nullptr, NotTransp));
    cache.DecUsage("OLD");
    cache.BumpAndCheck();
    cache.BumpAndCheck();
    EXPECT_EQ(cache.Count(), 2);
    cache.SetCacheCount(1);
    EXPECT_EQ(cache.Count(), 1);
    EXPECT_EQ(cache.Strings(0), "USED");
    cache.PurgeCache();
    EXPECT_EQ(cache.Count(), 1);
    cache.DecUsage("USED");
    cache.PurgeCache();
    EXPECT_EQ(cache.Count(), 0);
}

TEST(ImageCache, BadStreamsGiveNoPicture) {
    const std::string png = PalettePng();
    const std::string bmp = MakeBmp(3, 3);
    std::string hugeChunk = kPngSignature + Be32(0xFFFFFFFF) + "IHDR" + std::string(20, '\0');
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"1 byte", "B"},
        {"2 bytes", "BM"},
        {"3 bytes", "\xFF\xD8\xFF"},
        {"4 bytes", "\x89PNG"},
        {"19 bytes of a BMP", bmp.substr(0, 19)},
        {"20 bytes of a BMP", bmp.substr(0, 20)},
        {"truncated PNG", png.substr(0, png.size() / 2)},
        {"truncated BMP", bmp.substr(0, bmp.size() - 10)},
        {"truncated JPEG", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20) +
                               std::string("\xFF\xDB\x00\x43", 4)},
        {"chunk length 0xFFFFFFFF", hugeChunk},
        {"BMP claiming 100000 x 100000", MakeBmp(100000, 100000, false)},
        {"GIF (made elsewhere)", "GIF89a" + std::string(30, '\0')},
        {"unknown", std::string(40, 'x')},
    };
    for (const Case& c : cases) {
        Loaded l;
        Load(c.bytes, l, LLCorner);
        EXPECT_EQ(l.bitmap, nullptr) << c.what;
        EXPECT_EQ(l.mask, nullptr) << c.what;
    }
    TColor color = 0;
    EXPECT_FALSE(PngTransparentColor(reinterpret_cast<const uint8_t*>(hugeChunk.data()), hugeChunk.size(), color));
}

TEST(ImageCache, PngTransparencyNeedsAPaletteEntry) {
    struct Case {
        const char* what;
        std::string bytes;
        bool found;
    } cases[] = {
        {"type 3, tRNS after PLTE", PalettePng(), true},
        {"tRNS before PLTE", PalettePng(true), false},
        {"index outside the palette", PalettePng(false, 9), false},
        {"truecolour with tRNS", TruecolorPngWithTrns(), false},
    };
    for (const Case& c : cases) {
        TColor color = 0;
        EXPECT_EQ(PngTransparentColor(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), color),
                  c.found)
            << c.what;
        if (c.found) {
            EXPECT_EQ(color, static_cast<TColor>(7 * 30 | 200 << 8 | 10 << 16));
        }
    }
}

TEST(ImageCache, PalettePngWithTrnsGivesAMaskAndBlackTransparentPixels) {
    Loaded l;
    Load(PalettePng(), l);
    ASSERT_NE(l.bitmap, nullptr);
    ASSERT_NE(l.mask, nullptr);
    EXPECT_EQ(l.transparent, TPng);
    EXPECT_EQ(l.bitmap->Width(), 4);
    EXPECT_EQ(l.bitmap->Canvas()->Pixels(3, 1) & 0xFFFFFF, 0u);  // index 7
    EXPECT_EQ(l.bitmap->Canvas()->Pixels(0, 0) & 0xFFFFFF, static_cast<TColor>(200 << 8 | 10 << 16));
    EXPECT_EQ(l.mask->Canvas()->Pixels(3, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(l.mask->Canvas()->Pixels(0, 0) & 0xFFFFFF, 0u);

    // Drawn over a coloured cell, the cell's colour stays where the picture is transparent.
    TBitmap cell;
    cell.SetPixelFormat(pf24bit);
    cell.SetSize(8, 4);
    cell.Canvas()->Brush()->SetColor(0x0000FF);
    cell.Canvas()->FillRect(TRect{0, 0, 8, 4});
    FinishTransparentBitmap(cell.Canvas()->Handle(), l.bitmap, l.mask, 0, 0, 4, 2);
    EXPECT_EQ(cell.Canvas()->Pixels(3, 1) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(cell.Canvas()->Pixels(0, 0) & 0xFFFFFF, static_cast<TColor>(200 << 8 | 10 << 16));

    // A truecolour PNG with tRNS keeps the kind it was given.
    Loaded t;
    Load(TruecolorPngWithTrns(), t, NotTransp);
    ASSERT_NE(t.bitmap, nullptr);
    EXPECT_EQ(t.transparent, NotTransp);
    EXPECT_EQ(t.mask, nullptr);
}

TEST(ImageCache, GifTransparentIndexMustLieInItsTable) {
    for (int index : {1, 2, 255}) {
        // Screen descriptor with a global table of 2 entries, then the
        // graphic control extension with its transparency bit.
        std::string bytes = std::string("GIF89a\x02\x00\x02\x00\x80\x00\x00", 13);
        bytes += std::string("\x33\x22\x11\x66\x55\x44", 6);
        bytes += std::string("\x21\xF9\x04\x01\x00\x00", 6) + static_cast<char>(index) + std::string(1, '\0');
        bytes += std::string(20, '\0');
        TColor color = 0;
        const bool found = GifTransparentColor(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), color);
        EXPECT_EQ(found, index == 1) << index;
        if (found) {
            EXPECT_EQ(color, static_cast<TColor>(0x445566));
        }
    }
}

TEST(ImageCache, BmpLoadsAndSpacerEnlarges) {
    Loaded l;
    Load(MakeBmp(1, 1), l);
    ASSERT_NE(l.bitmap, nullptr);
    std::unique_ptr<TBitmap> big(EnlargeBitmap(l.bitmap, 300, 20));
    EXPECT_EQ(big->Width(), 100);
    EXPECT_EQ(big->Height(), 20);
    // The region of a mask covers its black pixels only.
    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(10, 2);
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(TRect{0, 0, 10, 2});
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect{2, 0, 5, 1});
    HRGN region = RegionFromMask(&mask);
    ASSERT_NE(region, nullptr);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.right, 5);
    EXPECT_EQ(box.bottom, 1);
    DeleteObject(region);
}

TEST(ImageCache, FilesAreReadWholeUpToTheLimit) {
    testing_support::TempWorkDir dir;
    testing_support::WriteFileBytes("pic.png", PalettePng());
    testing_support::WriteFileBytes("pic.bmp", MakeBmp(5, 4));
    testing_support::WriteFileBytes("bad.bmp", MakeBmp(5, 4).substr(0, 30));
    {
        // Past the limit by one byte: a sparse file, nothing is read.
        TFileStream big("big.bmp", fmCreate);
        const std::string head = MakeBmp(5, 4);
        big.WriteBuffer(head.data(), static_cast<int32_t>(head.size()));
        big.SetSize(kMaxImageFileBytes + 1);
    }
    struct Case {
        const char* name;
        bool picture;
    } cases[] = {{"pic.png", true}, {"pic.bmp", true}, {"bad.bmp", false}, {"missing.png", false}, {"big.bmp", false}};
    for (const Case& c : cases) {
        Transparency t = NotTransp;
        TBitmap* mask = nullptr;
        std::unique_ptr<TBitmap> bitmap(GetImageAndMaskFromFile(c.name, t, mask));
        std::unique_ptr<TBitmap> maskOwner(mask);
        EXPECT_EQ(bitmap != nullptr, c.picture) << c.name;
        std::unique_ptr<TBitmap> plain(GetImageFromFile(c.name));
        EXPECT_EQ(plain != nullptr, c.picture) << c.name;
    }
    TColor color = 0;
    EXPECT_FALSE(TransparentGIF("pic.png", color));
    EXPECT_FALSE(TransparentGIF("missing.gif", color));
}

// Run-length files whose counts leave the picture or whose header passes the
// picture budget give no picture, whichever way the document asks for them.
TEST(ImageCache, HostileBmpFilesGiveNoPictureOnAnyPath) {
    InitHtmlEngine();
    testing_support::TempWorkDir dir;
    const std::pair<const char*, std::string> files[] = {
        {"rle8.bmp", testing_support::OverflowingRle8Bmp()},
        {"rle4.bmp", testing_support::OversizedRle4Bmp()},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        testing_support::WriteFileBytes(name, bytes);
        Transparency t = NotTransp;
        TBitmap* mask = nullptr;
        EXPECT_EQ(GetImageAndMaskFromFile(name, t, mask), nullptr);
        EXPECT_EQ(mask, nullptr);
        EXPECT_EQ(GetImageFromFile(name), nullptr);

        TStringBitmapList cache;
        TSectionList doc(nullptr);
        doc.CachedImages = &cache;
        bool fromCache = false, delay = false;
        EXPECT_EQ(doc.GetTheBitmap(name, t, mask, fromCache, delay), nullptr);
        TMemoryStream stream;
        stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
        doc.GetImageHook = [&](const std::string&) { return &stream; };
        EXPECT_EQ(doc.GetTheBitmap("hooked", t, mask, fromCache, delay), nullptr);
        EXPECT_EQ(cache.Count(), 0);
    }
}

}  // namespace
