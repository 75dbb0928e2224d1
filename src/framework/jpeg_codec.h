// The boundary to libjpeg's decoder. libjpeg reports errors through a handler
// that must not return, so these functions catch them with setjmp/longjmp.
// Between the setjmp and libjpeg's calls there are only C frames and plain
// structs: the jump never skips a destructor. Nothing here throws; an error
// comes back as false and a message. Free of windows.h (fuzzable natively).
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/picture_budget.h"

struct TJpegHeader {
    int Width = 0;
    int Height = 0;
    int Components = 0;
    bool Progressive = false;
};

struct TJpegDecodeOptions {
    // 8-bit output: colours chosen by libjpeg's quantiser (two passes,
    // Floyd-Steinberg dithering), or mapped to the given colour map.
    bool Quantize = false;
    const unsigned char (*Colormap)[3] = nullptr;  // red, green, blue entries
    int ColormapSize = 0;                          // 1..256 when Colormap is set
};

// Decoded pixels in the layout of a bottom-up device-independent bitmap: rows
// padded to 4 bytes, 3 bytes per pixel (blue, green, red) or 1 byte (an index
// into Palette, which holds the quantiser's colours or grey levels).
struct TJpegPixels {
    int Width = 0;
    int Height = 0;
    int BytesPerPixel = 0;
    size_t Stride = 0;
    unsigned char* Data = nullptr;  // malloc'd; JpegFreePixels
    int PaletteSize = 0;
    unsigned char Palette[256][3] = {};  // red, green, blue
};

// The decoder's limits: the pixels it gives out and the memory libjpeg may
// take for its own buffers (progressive images keep every coefficient), and
// the number of scans (each one costs a pass over the picture). The scans
// times the picture's pixels are bounded too: a file of a few hundred empty
// scans over a picture of the whole budget would otherwise take seconds. The
// bound allows 64 scans of the largest picture (photographs have about ten).
constexpr size_t kJpegMaxPixelBytes = size_t{256} << 20;
constexpr long kJpegMaxMemory = 256L << 20;
constexpr int kJpegMaxScans = 1000;
constexpr int64_t kJpegMaxScanPixels = 64 * kMaxPictureArea;

bool JpegReadHeader(const unsigned char* data, size_t size, TJpegHeader* header, char* error,
                    size_t errorSize) noexcept;
bool JpegDecode(const unsigned char* data, size_t size, const TJpegDecodeOptions* options, TJpegPixels* pixels,
                char* error, size_t errorSize) noexcept;
void JpegFreePixels(TJpegPixels* pixels) noexcept;
