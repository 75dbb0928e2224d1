// The PNG format core: signature, chunks and their CRC, header validation,
// palettes, gamma, unfiltering, Adam7 and the mapping of every colour type and
// depth onto a bitmap of 1, 4, 8 or 24 bits per pixel. Free of windows.h; the
// bitmap class over it is TPNGImage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/sysutils.h"

class TStream;

FW_DECLARE_EXCEPTION(EPNGImageException, EInvalidGraphic)

enum TPNGMessage {
    PNG_ERROR_INVALID_HEADER,
    PNG_ERROR_INVALID_CHUNK_INDEX,
    PNG_ERROR_INVALID_CHUNK_CLASS_INDEX,
    PNG_ERROR_CHUNK_INVALID_CRC,
    PNG_ERROR_IHDR_NOT_FIRST,
    PNG_ERROR_NO_IDAT,
    PNG_ERROR_INVALID_PLTE,
    PNG_ERROR_INVALID_COLOR_TYPE,
    PNG_ERROR_INVALID_FILTER_TYPE,
    PNG_ERROR_INVALID_INTERLACE,
    PNG_ERROR_UNKOWN_CRITICAL_CHUNK,
    PNG_ERROR_NO_PALETTE,
    PNG_INVALID_COLOR_TYPE,
    CHUNK_NOT_CHILD,
    TIME_CORRUPTED,
};

const char* PNGMessageText(TPNGMessage message);
[[noreturn]] void RaisePNGError(TPNGMessage message);

extern const uint8_t kPNGSignature[8];

// CRC-32 of PNG over the four type bytes and then the data.
uint32_t PNGChunkCrc(const char type[4], const uint8_t* data, size_t size);

struct TPNGChunkData {
    std::string Type;  // four characters
    std::vector<uint8_t> Data;
};

// True for the chunk types this decoder registers (IEND, IHDR, gAMA, IDAT,
// PLTE, tEXt, tRNS, tIME).
bool IsRegisteredPNGChunk(const std::string& type);

// Reads and checks the 8-byte signature.
void ReadPNGSignature(TStream* stream);

// Reads one chunk (length, type, data, CRC) at the stream's position. An
// unregistered critical type fails before its data are read.
TPNGChunkData ReadPNGChunk(TStream* stream);

// Reads the signature and the chunks up to IEND or the end of the stream;
// IDAT chunks after the first are appended to it. Every length is checked
// against what the stream still holds before anything is allocated.
std::vector<TPNGChunkData> ReadPNGChunks(TStream* stream);

struct TPNGHeader {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint8_t BitDepth = 0;
    uint8_t ColorType = 0;
    uint8_t Compression = 0;
    uint8_t Filter = 0;
    uint8_t Interlace = 0;
};

// Raises PNG_ERROR_INVALID_HEADER for a header the decoder cannot take: a length
// other than 13, a zero side, a picture over the budget, methods other than 0,
// or a colour type and depth pair that the PNG standard does not list.
TPNGHeader ParsePNGHeader(const std::vector<uint8_t>& data);

// gAMA: tables built from image gamma * 100000; a value of 0 or a chunk of the
// wrong length is ignored (Present stays false).
struct TPNGGamma {
    bool Present = false;
    uint8_t Forward[256] = {};
    uint8_t Inverse[256] = {};
};
TPNGGamma MakePNGGamma(const std::vector<uint8_t>& data);

// Colours are red + green * 256 + blue * 65536.
std::vector<uint32_t> ParsePNGPalette(const std::vector<uint8_t>& data, const TPNGGamma& gamma);

struct TPNGPixels {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;  // 1, 4, 8 or 24
    size_t Stride = 0;     // bytes per row, unpadded
    // Rows top first; 1, 4 and 8 bits are palette indices packed high bits
    // first, 24 bits are blue, green, red.
    std::vector<uint8_t> Rows;
    // 2, 16 or 256 entries for indexed pixels (black past the file's palette).
    std::vector<uint32_t> Palette;
};

// Told after every row of a plain image (pass 0) or after every Adam7 pass
// (passes 1 to 7, row -1).
using TPNGRowDone = std::function<void(int pass, int row)>;

// Decodes the concatenated IDAT data. palette is the PLTE chunk's colours
// (needed for colour type 3). A truncated zlib stream leaves the missing rows 0.
TPNGPixels DecodePNGPixels(const TPNGHeader& header, const std::vector<uint8_t>& idat,
                           const std::vector<uint32_t>* palette, const TPNGGamma& gamma,
                           const TPNGRowDone& rowDone = {});

// tRNS of an RGB image as a colour (high bytes at depth 16).
uint32_t PNGTransparentColor(const TPNGHeader& header, const std::vector<uint8_t>& trns);

// A whole file: chunks, header, palette, gamma, pixels. HasTransparentColor only
// for RGB images with tRNS.
struct TPNGDecoded {
    std::vector<TPNGChunkData> Chunks;
    TPNGHeader Header;
    TPNGPixels Pixels;
    bool HasTransparentColor = false;
    uint32_t TransparentColor = 0;
};
TPNGDecoded DecodePNG(TStream* stream);

// The five row filters in the order of their type bytes.
enum TEncodeFilter { efNone, efSub, efUp, efAverage, efPaeth };
using TEncodeFilterSet = unsigned;  // bit (1 << filter) per filter
constexpr TEncodeFilterSet FilterBit(TEncodeFilter f) { return 1u << f; }

// Filters one row (bpp: bytes per complete pixel, at least 1) with each filter
// of the set and writes the winner's type byte and filtered bytes to out. The
// score counts the positions from the fifth byte on whose byte equals each of
// the four before it; the earliest filter wins ties, None when all score 0.
void EncodeFilterRow(const uint8_t* row, const uint8_t* prior, size_t n, size_t bpp, TEncodeFilterSet filters,
                     std::vector<uint8_t>& out);
