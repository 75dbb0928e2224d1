// libFuzzer target: PNG chunks, header checks, inflate, unfiltering and mapping.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/streams.h"
#include "images/png_decoder.h"
#include "images/zstreams.h"

namespace {

// Puts the right CRC after every whole chunk, so that mutations reach the
// decoder behind the checksum.
void FixCrcs(std::vector<uint8_t>& png) {
    size_t at = 8;
    while (at + 12 <= png.size()) {
        uint32_t length = (uint32_t{png[at]} << 24) | (uint32_t{png[at + 1]} << 16) | (uint32_t{png[at + 2]} << 8) |
                          png[at + 3];
        if (length > png.size() - at - 12) return;
        uint32_t crc = PNGChunkCrc(reinterpret_cast<const char*>(&png[at + 4]), &png[at + 8], length);
        size_t end = at + 8 + length;
        for (int i = 0; i < 4; ++i) png[end + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        at = end + 4;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte says whether checksums are left as they are.
    std::vector<uint8_t> png(data + 1, data + size);
    if (data[0] & 1) FixCrcs(png);
    TReadOnlyMemoryStream stream(png.data(), static_cast<int64_t>(png.size()));
    try {
        DecodePNG(&stream);
    } catch (const Exception&) {
    }
    return 0;
}
