// libFuzzer target: the decompression stream's reads and seeks.
#include <cstddef>
#include <cstdint>

#include "framework/streams.h"
#include "images/zstreams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the read pattern; the rest is the compressed source.
    const uint8_t mode = data[0];
    TReadOnlyMemoryStream source(data + 1, static_cast<int64_t>(size - 1));
    try {
        TZDecompressionStream z(&source);
        uint8_t buffer[4096];
        int32_t step = 1 + (mode & 0x3F) * 61;
        int64_t total = 0;
        for (int32_t got; (got = z.Read(buffer, step)) > 0 && total < (int64_t{1} << 24);) total += got;
        if (mode & 0x40) {
            z.Seek(0, soBeginning);
            z.Seek(step, soCurrent);
            z.Read(buffer, sizeof buffer);
        }
    } catch (const Exception&) {
    }
    return 0;
}
