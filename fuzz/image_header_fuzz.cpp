// Native fuzz target for the image cache's header checks, which look at a
// file's first bytes before any decoder does: the kind, the transparent colour
// of a PNG or GIF, and a BMP's claimed size. None may read past the bytes it
// is given, and what it reports must be in the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "html/image_cache.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy, so that any read past the end is one past a heap block.
    const std::vector<uint8_t> bytes(data, data + size);
    const uint8_t* p = bytes.empty() ? nullptr : bytes.data();
    const ImageType kind = KindOfImage(p, size);
    Check(kind == NoImage || size >= 2);

    TColor color = -1;
    if (PngTransparentColor(p, size, color)) Check(size >= 8 && (color & ~0xFFFFFF) == 0);
    color = -1;
    if (GifTransparentColor(p, size, color)) Check(kind == Gif89 && (color & ~0xFFFFFF) == 0);
    int64_t width = -1, height = -1;
    if (BmpClaimedSize(p, size, width, height)) Check(kind == Bmp && height >= 0 && width >= INT32_MIN);
    return 0;
}
