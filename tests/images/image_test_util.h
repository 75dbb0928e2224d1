// Helpers of the image decoder tests: test data, whole files, an RGBA view of
// decoded PNG pixels, and a small GIF writer with its own LZW encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TPNGPixels;

namespace image_tests {

// ../shared/testdata beside the repository, as a path this process can open.
std::string TestDataDir();
std::string ReadWholeFile(const std::string& path);
std::vector<std::string> ListFiles(const std::string& dir, const std::string& suffix);

// Pixels as red, green, blue per pixel, top row first.
std::vector<uint8_t> ToRGB(const TPNGPixels& pixels);

// A reference picture as red, green, blue, alpha per pixel: palette images
// with their tRNS alphas, gamma left out.
struct RGBAImage {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Pixels;
};
RGBAImage ReadReferencePng(const std::string& path);

// LZW codes for the given indices, least significant bit first. Without
// leadingClear the stream starts with a data code; clearWhenFull emits a clear
// code when the table is full (otherwise the encoder keeps the full table).
std::string EncodeLZW(const std::vector<uint8_t>& indices, int minCodeSize, bool leadingClear = true,
                      bool clearWhenFull = true);

struct GifFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<uint8_t> Indices;
    int Disposal = 0;
    int Delay = -1;             // -1: no graphic control extension
    int TransparentIndex = -1;  // -1: none
    bool Interlaced = false;
    int MinCodeSize = 8;
    std::string Data;  // raw LZW bytes; empty: encode Indices
};

struct GifFile {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Palette;  // 0xRRGGBB; empty: no global table
    int LoopCount = -1;             // -1: no NETSCAPE extension
    std::vector<GifFrame> Frames;
    bool Trailer = true;
};

// Sub-blocks of at most 255 bytes and the terminator.
std::string SubBlocks(const std::string& data);
std::string WriteGif(const GifFile& gif);

}  // namespace image_tests
