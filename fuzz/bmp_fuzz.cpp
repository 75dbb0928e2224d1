// Native fuzz target for the BMP reader on its own: every header version,
// depth and compression (bit fields, RLE4, RLE8, top-down rows). On any input
// it gives a picture inside the budget whose pixels fill their rows exactly,
// or raises EInvalidGraphic; a picture it gives is written and read back the
// same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/bitmap_file.h"
#include "framework/picture_budget.h"
#include "framework/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
    TDibImage image;
    try {
        image = ReadBmpFile(&stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (!PictureFitsBudget(image.Width, image.Height) || image.Empty()) std::abort();
    if (image.Bits.size() != image.Stride() * static_cast<size_t>(image.Height)) std::abort();
    if (image.BitCount <= 8 && image.ColorTable.size() != (size_t{1} << image.BitCount)) std::abort();
    if (stream.Position() > static_cast<int64_t>(size)) std::abort();

    TMemoryStream written;
    WriteBmpFile(&written, image);
    written.SetPosition(0);
    const TDibImage back = ReadBmpFile(&written);
    if (back.Width != image.Width || back.Height != image.Height || back.BitCount != image.BitCount ||
        back.Is565 != image.Is565 || back.Bits != image.Bits)
        std::abort();
    return 0;
}
