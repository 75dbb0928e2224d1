// Native fuzz target for the JPEG decoding core over the host's libjpeg: any
// input ends in pixels inside the picture budget, laid out as promised, or in
// an error message; libjpeg's errors never leave through anything but the
// codec's own return.
//
// Input: byte 0 picks the output (bit 0: 8-bit, bit 1: through a fixed colour
// map, bits 2-7: that map's size); the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "framework/jpeg_codec.h"
#include "framework/picture_budget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const unsigned char* file = data + 1;
    const size_t fileSize = size - 1;
    char error[200];

    TJpegHeader header;
    const bool headerRead = JpegReadHeader(file, fileSize, &header, error, sizeof error);
    if (!headerRead && std::strlen(error) == 0) std::abort();

    static unsigned char colormap[256][3];
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) colormap[i][c] = static_cast<unsigned char>(i * (c + 3));
    TJpegDecodeOptions options;
    options.Quantize = mode & 1;
    if (mode & 2) {
        options.Colormap = colormap;
        options.ColormapSize = 1 + (mode >> 2) * 4;
    }
    TJpegPixels pixels;
    if (!JpegDecode(file, fileSize, &options, &pixels, error, sizeof error)) {
        if (pixels.Data || std::strlen(error) == 0) std::abort();
        return 0;
    }
    if (!headerRead || pixels.Width != header.Width || pixels.Height != header.Height) std::abort();
    if (!PictureFitsBudget(pixels.Width, pixels.Height)) std::abort();
    if (pixels.Stride < static_cast<size_t>(pixels.Width) * static_cast<size_t>(pixels.BytesPerPixel) ||
        pixels.Stride % 4 != 0 || pixels.PaletteSize < 0 || pixels.PaletteSize > 256)
        std::abort();
    // Every byte of the last row is there (the sanitizer checks the reach).
    volatile unsigned char last = pixels.Data[pixels.Stride * static_cast<size_t>(pixels.Height) - 1];
    (void)last;
    JpegFreePixels(&pixels);
    return 0;
}
