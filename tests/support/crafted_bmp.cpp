#include "support/crafted_bmp.h"

#include <cstdint>

namespace testing_support {

namespace {

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// File header, 40-byte info header and a colour table of `colours` grey
// entries, ahead of `data` compressed with `compression`.
std::string RleBmp(int32_t width, int32_t height, int bits, uint32_t compression, int colours,
                   const std::string& data) {
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(colours);
    std::string file = "BM";
    Put32(file, offset + static_cast<uint32_t>(data.size()));
    Put32(file, 0);
    Put32(file, offset);
    Put32(file, 40);
    Put32(file, static_cast<uint32_t>(width));
    Put32(file, static_cast<uint32_t>(height));
    Put16(file, 1);
    Put16(file, static_cast<uint32_t>(bits));
    Put32(file, compression);
    Put32(file, static_cast<uint32_t>(data.size()));
    Put32(file, 2835);
    Put32(file, 2835);
    Put32(file, static_cast<uint32_t>(colours));
    Put32(file, 0);
    for (int i = 0; i < colours; ++i) Put32(file, static_cast<uint32_t>(i * 0x111111));
    return file + data;
}

}  // namespace

std::string OverflowingRle8Bmp() {
    constexpr size_t kRuns = 8'430'000;  // 255 pixels each: 2,149,650,000 pixels
    std::string data;
    data.reserve(kRuns * 2 + 6);
    for (size_t i = 0; i < kRuns; ++i) data += "\xFF\x01";
    data += std::string("\0\2\0\2\0\1", 6);  // delta (0, 2), end of bitmap
    return RleBmp(16, 1, 8, 1, 2, data);
}

std::string OversizedRle4Bmp() {
    std::string data;
    for (int i = 0; i < 69; ++i) data += "\xFF\x12";
    data += std::string("\0\1", 2);
    return RleBmp(20480, 20480, 4, 2, 16, data);
}

}  // namespace testing_support
