// libFuzzer target: the GIF reader, LZW decoder and strip composition.
#include <cstddef>
#include <cstdint>

#include "framework/sysutils.h"
#include "images/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TGif gif;
    try {
        gif.LoadFromBuffer(data, size);
        // Keep the composed strip small enough for the fuzzer's memory limit.
        if (int64_t{gif.GetWidth()} * gif.GetHeight() * gif.GetImageCount() <= (int64_t{1} << 22))
            gif.ComposeStrip();
    } catch (const Exception&) {
    }
    return 0;
}
