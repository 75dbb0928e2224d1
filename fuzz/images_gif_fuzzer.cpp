// libFuzzer target: the GIF reader, LZW decoder and strip composition.
#include <cstddef>
#include <cstdint>

#include "framework/sysutils.h"
#include "images/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TGif gif;
    try {
        gif.LoadFromBuffer(data, size);
        // Strips up to the program's own budget of 32 Mi pixels: the decoder
        // refuses whatever lies beyond it before allocating.
        gif.ComposeStrip();
    } catch (const Exception&) {
    }
    return 0;
}
