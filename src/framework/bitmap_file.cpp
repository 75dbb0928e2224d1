// BMP reading and writing. Byte layouts (all little-endian):
//   file header, 14 bytes: "BM", file size u32, two reserved u16, pixel offset u32;
//   core header, 12 bytes: size u32, width u16, height u16, planes u16, bit count u16,
//     then a colour table of 3-byte blue, green, red entries;
//   info header, 40 bytes and its longer versions (52, 56, 108, 124): size u32,
//     width i32, height i32 (negative: rows top-down), planes u16, bit count u16,
//     compression u32, image size u32, two resolutions i32, colours used u32,
//     colours important u32, then from the 52-byte version the red, green and
//     blue masks; a 40-byte header with bit fields has the masks after it; the
//     colour table has 4-byte blue, green, red, 0 entries.
#include "framework/bitmap_file.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "framework/picture_budget.h"
#include "framework/streams.h"

namespace {

const char kInvalidBitmap[] = "Bitmap image is not valid";
const char kBitmapTooLarge[] = "Bitmap image is too large";

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

void ReadExact(TStream* stream, void* buffer, size_t count) {
    auto* p = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        const auto chunk = static_cast<int32_t>(std::min<size_t>(count, 0x40000000));
        if (stream->Read(p, chunk) != chunk) throw EInvalidGraphic(kInvalidBitmap);
        p += chunk;
        count -= static_cast<size_t>(chunk);
    }
}

void WriteAll(TStream* stream, const void* buffer, size_t count) {
    auto* p = static_cast<const uint8_t*>(buffer);
    while (count > 0) {
        const auto chunk = static_cast<int32_t>(std::min<size_t>(count, 0x40000000));
        stream->WriteBuffer(p, chunk);
        p += chunk;
        count -= static_cast<size_t>(chunk);
    }
}

// Run-length decoding into bottom-up rows. The position never leaves the
// picture, whatever the counts say: the pixels of a run past the row's end are
// dropped (the row ends there), and a jump below the last row is a broken file.
// Data that ends without the end-of-bitmap code leaves the rest at index 0, as
// the platform shows such files.
class RleDecoder {
public:
    RleDecoder(TDibImage& image, bool fourBit) : FImage(image), FFourBit(fourBit), FStride(image.Stride()) {}

    void Decode(const uint8_t* p, const uint8_t* end) {
        while (end - p >= 2 && FY < FImage.Height) {
            const uint8_t count = p[0];
            const uint8_t value = p[1];
            p += 2;
            if (count > 0) {
                for (int i = 0, n = RoomFor(count); i < n; ++i)
                    Put(FFourBit ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
                continue;
            }
            switch (value) {
                case 0:  // end of line
                    FX = 0;
                    ++FY;
                    break;
                case 1:  // end of bitmap
                    return;
                case 2:  // delta
                    if (end - p < 2) return;
                    MoveBy(p[0], p[1]);
                    p += 2;
                    break;
                default: {  // a literal run of `value` pixels, padded to a 16-bit boundary
                    const size_t bytes = FFourBit ? (value + 1u) / 2 : value;
                    const size_t padded = (bytes + 1) & ~size_t{1};
                    if (static_cast<size_t>(end - p) < bytes) return;
                    for (int i = 0, n = RoomFor(value); i < n; ++i)
                        Put(FFourBit ? ((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)) : p[i]);
                    p += std::min(padded, static_cast<size_t>(end - p));
                }
            }
        }
    }

private:
    // How many of `count` pixels still fit into the current row.
    int RoomFor(int count) const { return std::min(count, FImage.Width - FX); }

    // Row FImage.Height, just above the picture, is where an end of line after
    // the last row leads: decoding stops there. Anything further is an error.
    void MoveBy(int dx, int dy) {
        if (dy > FImage.Height - FY) throw EInvalidGraphic(kInvalidBitmap);
        FY += dy;
        FX += std::min(dx, FImage.Width - FX);
    }

    void Put(uint8_t index) {
        uint8_t* row = FImage.Bits.data() + static_cast<size_t>(FY) * FStride;
        if (FFourBit) {
            uint8_t& b = row[FX / 2];
            b = (FX & 1) ? static_cast<uint8_t>((b & 0xF0) | index) : static_cast<uint8_t>((b & 0x0F) | (index << 4));
        } else {
            row[FX] = index;
        }
        ++FX;
    }

    TDibImage& FImage;
    bool FFourBit;
    size_t FStride;
    int FX = 0;  // 0 .. Width
    int FY = 0;  // 0 .. Height, counted from the bottom row
};

struct ChannelMask {
    explicit ChannelMask(uint32_t mask) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        max = mask >> shift;
    }
    uint8_t Extract(uint32_t pixel, uint32_t mask) const {
        if (max == 0) return 0;
        return static_cast<uint8_t>((static_cast<uint64_t>((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
    int shift = 0;
    uint32_t max = 0;
};

// Pixels under unusual bit-field masks become plain 24-bit pixels.
void ConvertBitfieldsTo24(TDibImage& image, const uint32_t masks[3]) {
    const int bytesPerPixel = image.BitCount / 8;
    const size_t oldStride = image.Stride();
    const ChannelMask red(masks[0]), green(masks[1]), blue(masks[2]);
    TDibImage out;
    out.Width = image.Width;
    out.Height = image.Height;
    out.BitCount = 24;
    out.Bits.assign(out.Stride() * static_cast<size_t>(out.Height), 0);
    for (int y = 0; y < image.Height; ++y) {
        const uint8_t* src = image.Bits.data() + static_cast<size_t>(y) * oldStride;
        uint8_t* dst = out.Bits.data() + static_cast<size_t>(y) * out.Stride();
        for (int x = 0; x < image.Width; ++x, src += bytesPerPixel, dst += 3) {
            const uint32_t pixel = bytesPerPixel == 2 ? Get16(src) : Get32(src);
            dst[0] = blue.Extract(pixel, masks[2]);
            dst[1] = green.Extract(pixel, masks[1]);
            dst[2] = red.Extract(pixel, masks[0]);
        }
    }
    image = std::move(out);
}

}  // namespace

TDibImage ReadBmpFile(TStream* stream) {
    const int64_t start = stream->Position();
    const int64_t available = stream->Size() - start;

    uint8_t fileHeader[14];
    ReadExact(stream, fileHeader, sizeof(fileHeader));
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') throw EInvalidGraphic(kInvalidBitmap);
    const uint32_t pixelOffset = Get32(fileHeader + 10);

    uint8_t header[124] = {};
    ReadExact(stream, header, 4);
    const uint32_t headerSize = Get32(header);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        throw EInvalidGraphic(kInvalidBitmap);
    ReadExact(stream, header + 4, headerSize - 4);

    const bool core = headerSize == 12;
    int64_t width, height;
    uint16_t planes, bitCount;
    uint32_t compression = kBiRgb, imageSize = 0, colorsUsed = 0;
    uint32_t masks[3] = {0, 0, 0};
    size_t maskBytes = 0;
    if (core) {
        width = Get16(header + 4);
        height = Get16(header + 6);
        planes = Get16(header + 8);
        bitCount = Get16(header + 10);
    } else {
        width = static_cast<int32_t>(Get32(header + 4));
        height = static_cast<int32_t>(Get32(header + 8));
        planes = Get16(header + 12);
        bitCount = Get16(header + 14);
        compression = Get32(header + 16);
        imageSize = Get32(header + 20);
        colorsUsed = Get32(header + 32);
        if (compression == kBiBitfields) {
            if (headerSize == 40) {
                uint8_t extra[12];
                ReadExact(stream, extra, sizeof(extra));
                maskBytes = sizeof(extra);
                for (int i = 0; i < 3; ++i) masks[i] = Get32(extra + 4 * i);
            } else {
                for (int i = 0; i < 3; ++i) masks[i] = Get32(header + 40 + 4 * i);
            }
        }
    }

    const bool topDown = height < 0;
    height = std::abs(height);
    if (planes != 1 || width <= 0 || height <= 0) throw EInvalidGraphic(kInvalidBitmap);
    bool formatKnown = false;
    switch (compression) {
        case kBiRgb:
            formatKnown = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
                          bitCount == 32;
            break;
        case kBiRle8: formatKnown = bitCount == 8 && !topDown; break;
        case kBiRle4: formatKnown = bitCount == 4 && !topDown; break;
        case kBiBitfields: formatKnown = bitCount == 16 || bitCount == 32; break;
    }
    if (!formatKnown) throw EInvalidGraphic(kInvalidBitmap);

    TDibImage image;
    image.Width = static_cast<int32_t>(width);
    image.Height = static_cast<int32_t>(height);
    image.BitCount = bitCount;
    // Before anything is allocated: a few bytes of header (or of run-length
    // data) may claim hundreds of megabytes of pixels.
    if (!PictureFitsBudget(width, height)) throw EInvalidGraphic(kBitmapTooLarge);
    const size_t stride = image.Stride();
    const size_t pixelBytes = stride * static_cast<size_t>(height);

    size_t tableBytes = 0;
    if (bitCount <= 8) {
        const uint32_t capacity = 1u << bitCount;
        const uint32_t stored = (colorsUsed == 0 || colorsUsed > capacity) ? capacity : colorsUsed;
        const size_t entrySize = core ? 3 : 4;
        tableBytes = stored * entrySize;
        std::vector<uint8_t> table(tableBytes);
        ReadExact(stream, table.data(), table.size());
        image.ColorTable.assign(capacity, 0);
        for (uint32_t i = 0; i < stored; ++i) {
            const uint8_t* e = table.data() + i * entrySize;
            image.ColorTable[i] = static_cast<uint32_t>(e[0]) | (static_cast<uint32_t>(e[1]) << 8) |
                                  (static_cast<uint32_t>(e[2]) << 16);
        }
    }

    const int64_t headersEnd = 14 + static_cast<int64_t>(headerSize + maskBytes);
    int64_t offset = pixelOffset == 0 ? headersEnd + static_cast<int64_t>(tableBytes) : pixelOffset;
    if (offset < headersEnd || offset > available) throw EInvalidGraphic(kInvalidBitmap);
    stream->SetPosition(start + offset);

    if (compression == kBiRle4 || compression == kBiRle8) {
        const int64_t left = available - offset;
        const int64_t packedSize = (imageSize != 0 && imageSize <= left) ? imageSize : left;
        std::vector<uint8_t> packed(static_cast<size_t>(packedSize));
        ReadExact(stream, packed.data(), packed.size());
        image.Bits.assign(pixelBytes, 0);
        RleDecoder(image, compression == kBiRle4).Decode(packed.data(), packed.data() + packed.size());
        return image;
    }

    if (static_cast<int64_t>(pixelBytes) > available - offset) throw EInvalidGraphic(kInvalidBitmap);
    image.Bits.resize(pixelBytes);
    ReadExact(stream, image.Bits.data(), pixelBytes);
    if (topDown) {
        std::vector<uint8_t> row(stride);
        for (size_t top = 0, bottom = static_cast<size_t>(height) - 1; top < bottom; ++top, --bottom) {
            uint8_t* a = image.Bits.data() + top * stride;
            uint8_t* b = image.Bits.data() + bottom * stride;
            std::memcpy(row.data(), a, stride);
            std::memcpy(a, b, stride);
            std::memcpy(b, row.data(), stride);
        }
    }

    if (compression == kBiBitfields) {
        if (bitCount == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) {
            // The plain 16-bit layout.
        } else if (bitCount == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) {
            image.Is565 = true;
        } else if (bitCount == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) {
            // The plain 32-bit layout.
        } else {
            ConvertBitfieldsTo24(image, masks);
        }
    }
    return image;
}

void WriteBmpFile(TStream* stream, const TDibImage& image) {
    const size_t tableBytes = image.BitCount <= 8 ? image.ColorTable.size() * 4 : 0;
    const size_t maskBytes = image.Is565 ? 12 : 0;
    const size_t offset = 14 + 40 + maskBytes + tableBytes;
    const size_t fileSize = offset + image.Bits.size();

    std::vector<uint8_t> head(offset, 0);
    head[0] = 'B';
    head[1] = 'M';
    Put32(&head[2], static_cast<uint32_t>(std::min<size_t>(fileSize, UINT32_MAX)));
    Put32(&head[10], static_cast<uint32_t>(offset));
    uint8_t* info = &head[14];
    Put32(info, 40);
    Put32(info + 4, static_cast<uint32_t>(image.Width));
    Put32(info + 8, static_cast<uint32_t>(image.Height));
    Put16(info + 12, 1);
    Put16(info + 14, image.BitCount);
    Put32(info + 16, image.Is565 ? kBiBitfields : kBiRgb);
    Put32(info + 20, static_cast<uint32_t>(image.Bits.size()));
    Put32(info + 32, static_cast<uint32_t>(tableBytes / 4));
    uint8_t* p = info + 40;
    if (image.Is565) {
        Put32(p, 0xF800);
        Put32(p + 4, 0x07E0);
        Put32(p + 8, 0x001F);
        p += 12;
    }
    for (size_t i = 0; i < tableBytes / 4; ++i, p += 4) Put32(p, image.ColorTable[i] & 0xFFFFFF);
    WriteAll(stream, head.data(), head.size());
    WriteAll(stream, image.Bits.data(), image.Bits.size());
}
