// The BMP file format, read and written without windows.h so the reader can be
// built natively and fuzzed. Pixels come out in the form a DIB section holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TStream;

// A device-independent image: bottom-up rows, each padded to 4 bytes, at 1, 4,
// 8, 16, 24 or 32 bits per pixel. 16-bit pixels are 5-5-5 unless Is565; 32-bit
// pixels are blue, green, red and an unused byte.
struct TDibImage {
    int32_t Width = 0;
    int32_t Height = 0;
    uint16_t BitCount = 0;
    bool Is565 = false;
    // Colour table of images with up to 8 bits: blue, green, red, 0 per entry.
    std::vector<uint32_t> ColorTable;
    std::vector<uint8_t> Bits;

    bool Empty() const { return Width <= 0 || Height <= 0; }
    size_t Stride() const { return DibStride(Width, BitCount); }
    uint8_t* Row(int y) { return Bits.data() + static_cast<size_t>(Height - 1 - y) * Stride(); }
    static size_t DibStride(int32_t width, int bitCount) {
        return ((static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 31) / 32) * 4;
    }
};

// The largest pixel block a BMP may ask for.
constexpr size_t kMaxDibBytes = size_t{256} << 20;

// Reads one BMP file (file header, core or info header of any version, colour
// table, pixels; 1, 4, 8, 16, 24 or 32 bits, bit fields, RLE4 and RLE8) from
// the stream's position and leaves the position after its pixels. Raises
// EInvalidGraphic for anything malformed or truncated.
TDibImage ReadBmpFile(TStream* stream);

// Writes a BMP file with a 40-byte info header (bit fields for 5-6-5 pixels).
void WriteBmpFile(TStream* stream, const TDibImage& image);
