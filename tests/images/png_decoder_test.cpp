#include "images/png_decoder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "framework/streams.h"
#include "image_test_util.h"
#include "images/zstreams.h"

using namespace image_tests;

namespace {

std::string PngSuiteDir() { return TestDataDir() + "/pngsuite"; }

TPNGDecoded DecodeBytes(const std::string& bytes) {
    TReadOnlyMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    return DecodePNG(&stream);
}

std::vector<int> ReadJsonNumbers(const std::string& text) {
    std::vector<int> values;
    int v = -1;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            v = (v < 0 ? 0 : v * 10) + (c - '0');
        } else if (v >= 0) {
            values.push_back(v);
            v = -1;
        }
    }
    if (v >= 0) values.push_back(v);
    return values;
}

// A chunk with its length and CRC.
std::string Chunk(const std::string& type, const std::string& data) {
    std::string out;
    auto put32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
    };
    put32(static_cast<uint32_t>(data.size()));
    out += type;
    out += data;
    put32(PNGChunkCrc(type.data(), reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    return out;
}

std::string Header(uint32_t w, uint32_t h, int depth, int type, int compression = 0, int filter = 0,
                   int interlace = 0) {
    std::string d;
    for (uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8) d.push_back(static_cast<char>(v >> shift));
    for (int b : {depth, type, compression, filter, interlace}) d.push_back(static_cast<char>(b));
    return d;
}

std::string Signature() { return std::string(reinterpret_cast<const char*>(kPNGSignature), 8); }

// A whole PNG from raw filtered rows.
std::string MakePng(const std::string& ihdr, const std::string& rows, const std::string& extra = {}) {
    return Signature() + Chunk("IHDR", ihdr) + extra + Chunk("IDAT", ZCompressStr(rows)) + Chunk("IEND", "");
}

std::string ErrorOf(const std::string& bytes) {
    try {
        DecodeBytes(bytes);
    } catch (const EPNGImageException& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
    return "";
}

std::string Message(TPNGMessage m) {
    return std::string("Portable Network Graphics format handler error\r\n\r\n") + PNGMessageText(m);
}

}  // namespace

TEST(PngSuite, DecodesEveryValidFileLikeTheOracle) {
    const std::string dir = PngSuiteDir();
    std::vector<std::string> files = ListFiles(dir + "/png", ".png");
    ASSERT_GT(files.size(), 100u);
    int checked = 0;
    for (const std::string& name : files) {
        if (name[0] == 'x') continue;
        SCOPED_TRACE(name);
        std::string base = name.substr(0, name.size() - 4);
        std::string json = ReadWholeFile(dir + "/json/" + base + ".json");
        ASSERT_FALSE(json.empty());
        std::vector<int> rgba = ReadJsonNumbers(json);

        TPNGDecoded d;
        ASSERT_NO_THROW(d = DecodeBytes(ReadWholeFile(dir + "/png/" + name)));
        std::vector<uint8_t> rgb = ToRGB(d.Pixels);
        ASSERT_EQ(rgba.size() / 4 * 3, rgb.size());

        // The oracle leaves gamma out; the decoder maps samples through it.
        TPNGGamma gamma;
        for (const TPNGChunkData& c : d.Chunks)
            if (c.Type == "gAMA") gamma = MakePNGGamma(c.Data);
        // 16-bit samples keep their high byte.
        const int shift = d.Header.BitDepth == 16 ? 8 : 0;
        int mismatches = 0;
        for (size_t i = 0; i < rgb.size() / 3; ++i) {
            // Where the oracle is fully transparent it has no colour to compare.
            if (rgba[i * 4 + 3] == 0) continue;
            for (int ch = 0; ch < 3; ++ch) {
                int want = rgba[i * 4 + ch] >> shift;
                if (gamma.Present) want = gamma.Forward[want];
                if (rgb[i * 3 + ch] != want && mismatches++ < 3)
                    ADD_FAILURE() << "pixel " << i << " channel " << ch << ": " << int(rgb[i * 3 + ch])
                                  << " want " << want;
            }
        }
        EXPECT_EQ(0, mismatches);
        ++checked;
    }
    EXPECT_GT(checked, 140);
}

TEST(PngSuite, InvalidFilesFailWithTheirOwnError) {
    const std::string dir = PngSuiteDir();
    int checked = 0;
    for (const std::string& name : ListFiles(dir + "/png", ".png")) {
        if (name[0] != 'x') continue;
        SCOPED_TRACE(name);
        std::string error = ErrorOf(ReadWholeFile(dir + "/png/" + name));
        EXPECT_EQ(0u, error.find("Portable Network Graphics format handler error")) << error;
        ++checked;
    }
    EXPECT_GE(checked, 10);
}

TEST(PngDecoder, HeaderChecks) {
    const std::string row1 = std::string("\0\0", 2);
    struct Case {
        const char* name;
        std::string ihdr;
        TPNGMessage error;
    } cases[] = {
        {"short header", Header(1, 1, 8, 0).substr(0, 12), PNG_ERROR_INVALID_HEADER},
        {"long header", Header(1, 1, 8, 0) + "x", PNG_ERROR_INVALID_HEADER},
        {"zero width", Header(0, 1, 8, 0), PNG_ERROR_INVALID_HEADER},
        {"zero height", Header(1, 0, 8, 0), PNG_ERROR_INVALID_HEADER},
        {"compression 1", Header(1, 1, 8, 0, 1), PNG_ERROR_INVALID_HEADER},
        {"filter method 1", Header(1, 1, 8, 0, 0, 1), PNG_ERROR_INVALID_HEADER},
        {"grey depth 3", Header(1, 1, 3, 0), PNG_ERROR_INVALID_HEADER},
        {"palette depth 16", Header(1, 1, 16, 3), PNG_ERROR_INVALID_HEADER},
        {"rgb depth 4", Header(1, 1, 4, 2), PNG_ERROR_INVALID_HEADER},
        {"grey alpha depth 1", Header(1, 1, 1, 4), PNG_ERROR_INVALID_HEADER},
        {"colour type 5", Header(1, 1, 8, 5), PNG_ERROR_INVALID_HEADER},
        {"side over 32767", Header(32768, 1, 8, 0), PNG_ERROR_INVALID_HEADER},
        {"area over 32 Mi", Header(32767, 1025, 1, 0), PNG_ERROR_INVALID_HEADER},
        {"width 2^32-1", Header(0xFFFFFFFFu, 0xFFFFFFFFu, 8, 0), PNG_ERROR_INVALID_HEADER},
        {"interlace 2", Header(1, 1, 8, 0, 0, 0, 2), PNG_ERROR_INVALID_INTERLACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Message(c.error), ErrorOf(MakePng(c.ihdr, row1)));
    }
}

TEST(PngDecoder, ChunkLengthsAndTruncation) {
    std::string good = MakePng(Header(2, 2, 8, 0), std::string("\0\1\2\0\3\4", 6));
    ASSERT_EQ("", ErrorOf(good));
    // A length far beyond the file, and one above 2^31-1, fail before allocating.
    std::string huge = good;
    huge[8 + 25 + 0] = 0x7F;
    EXPECT_EQ(Message(PNG_ERROR_CHUNK_INVALID_CRC), ErrorOf(huge));
    huge[8 + 25 + 0] = static_cast<char>(0xFF);
    EXPECT_EQ(Message(PNG_ERROR_CHUNK_INVALID_CRC), ErrorOf(huge));
    // Cut anywhere inside the chunks: a clean error, never a crash.
    for (size_t n = 0; n < good.size() - 12; ++n) {
        SCOPED_TRACE(n);
        std::string error = ErrorOf(good.substr(0, n));
        EXPECT_EQ(0u, error.find("Portable Network Graphics")) << error;
    }
    // Without IEND the image still loads.
    EXPECT_EQ("", ErrorOf(good.substr(0, good.size() - 12)));
}

TEST(PngDecoder, TruncatedImageDataLeavesMissingRowsZero) {
    // Noise, so that half of the compressed data holds about half of the rows.
    std::string rows;
    uint32_t seed = 1;
    for (int y = 0; y < 64; ++y) {
        rows += '\0';
        for (int x = 0; x < 64; ++x) {
            seed = seed * 1103515245u + 12345u;
            rows += static_cast<char>(x == 0 ? 200 : (seed >> 16) & 0xFF);
        }
    }
    std::string z = ZCompressStr(rows);
    std::string png = Signature() + Chunk("IHDR", Header(64, 64, 8, 0)) +
                      Chunk("IDAT", z.substr(0, z.size() / 2)) + Chunk("IEND", "");
    TPNGDecoded d = DecodeBytes(png);
    EXPECT_EQ(200, d.Pixels.Rows[0]);
    EXPECT_EQ(0, d.Pixels.Rows[63 * 64]);
}

TEST(PngDecoder, ChunksAndPalettes) {
    const std::string ihdr = Header(4, 1, 2, 3);
    const std::string row = std::string("\0\x1B", 2);  // indices 0, 1, 2, 3
    std::string plte4 = "\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0";
    // Two IDATs form one stream; an unknown ancillary chunk is kept.
    std::string z = ZCompressStr(row);
    std::string split = Signature() + Chunk("IHDR", ihdr) + Chunk("PLTE", plte4) + Chunk("prIv", "x") +
                        Chunk("IDAT", z.substr(0, 3)) + Chunk("IDAT", z.substr(3)) + Chunk("IEND", "");
    TPNGDecoded d = DecodeBytes(split);
    std::vector<uint8_t> rgb = ToRGB(d.Pixels);
    EXPECT_EQ(std::vector<uint8_t>({0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0}), rgb);
    EXPECT_EQ(4, d.Pixels.BitsPerPixel);
    ASSERT_EQ(5u, d.Chunks.size());
    EXPECT_EQ("prIv", d.Chunks[2].Type);

    // Indices past a short palette read black.
    TPNGDecoded shortPal = DecodeBytes(MakePng(ihdr, row, Chunk("PLTE", plte4.substr(0, 6))));
    rgb = ToRGB(shortPal.Pixels);
    EXPECT_EQ(std::vector<uint8_t>({0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0, 0, 0, 0, 0}), rgb);

    EXPECT_EQ(Message(PNG_ERROR_UNKOWN_CRITICAL_CHUNK), ErrorOf(MakePng(ihdr, row, Chunk("PRIV", "x"))));
    EXPECT_EQ(Message(PNG_ERROR_INVALID_PLTE), ErrorOf(MakePng(ihdr, row, Chunk("PLTE", ""))));
    EXPECT_EQ(Message(PNG_ERROR_INVALID_PLTE), ErrorOf(MakePng(ihdr, row, Chunk("PLTE", std::string(257 * 3, 'a')))));
    EXPECT_EQ(Message(PNG_ERROR_INVALID_PLTE), ErrorOf(MakePng(ihdr, row, Chunk("PLTE", "ab"))));
    EXPECT_EQ(Message(PNG_ERROR_NO_PALETTE), ErrorOf(MakePng(ihdr, row)));
    EXPECT_EQ(Message(PNG_ERROR_INVALID_FILTER_TYPE), ErrorOf(MakePng(ihdr, std::string("\5\x1B", 2), Chunk("PLTE", plte4))));
    std::string noIdat = Signature() + Chunk("IHDR", ihdr) + Chunk("IEND", "");
    EXPECT_EQ(Message(PNG_ERROR_NO_IDAT), ErrorOf(noIdat));
    std::string plteFirst = Signature() + Chunk("PLTE", plte4) + Chunk("IHDR", ihdr) + Chunk("IEND", "");
    EXPECT_EQ(Message(PNG_ERROR_IHDR_NOT_FIRST), ErrorOf(plteFirst));
    std::string badCrc = MakePng(ihdr, row, Chunk("PLTE", plte4));
    badCrc[8 + 25 + 12 + 8] ^= 1;
    EXPECT_EQ(Message(PNG_ERROR_CHUNK_INVALID_CRC), ErrorOf(badCrc));
}

TEST(PngDecoder, GammaAndTransparency) {
    // gAMA of 0 or of the wrong length is ignored.
    for (std::string gama : {std::string("\0\0\0\0", 4), std::string("\0\0\x01", 3)}) {
        TPNGDecoded d = DecodeBytes(MakePng(Header(1, 1, 8, 2), std::string("\0\x40\x80\xC0", 4),
                                            Chunk("gAMA", gama)));
        EXPECT_EQ(std::vector<uint8_t>({0x40, 0x80, 0xC0}), ToRGB(d.Pixels));
    }
    TPNGGamma identity = MakePNGGamma({0, 0, 0xB1, 0x8F});  // 45455
    ASSERT_TRUE(identity.Present);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(i, identity.Forward[i]);

    TPNGDecoded rgb = DecodeBytes(MakePng(Header(1, 1, 16, 2), std::string(7, '\0'),
                                          Chunk("tRNS", std::string("\x12\x34\x56\x78\x9A\xBC", 6))));
    EXPECT_TRUE(rgb.HasTransparentColor);
    EXPECT_EQ(0x9A5612u, rgb.TransparentColor);
    TPNGDecoded pal = DecodeBytes(MakePng(Header(1, 1, 8, 3), std::string(2, '\0'),
                                          Chunk("PLTE", "abc") + Chunk("tRNS", "\x01")));
    EXPECT_FALSE(pal.HasTransparentColor);
}
