// Picture files written byte by byte for the graphics tests, independent of
// the framework's own writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/streams.h"

namespace graphics_fixtures {

inline void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

struct BmpLayout {
    int bits = 24;
    // Rows from the top; each value a colour table index (up to 8 bits) or a
    // colour (red in the low byte).
    std::vector<std::vector<uint32_t>> rows;
    std::vector<TColor> palette;
    bool topDown = false;
    bool coreHeader = false;
    bool bitfields565 = false;
};

// A complete BMP file: file header, info (or core) header, table, pixels.
inline std::string MakeBmp(const BmpLayout& layout) {
    const int height = static_cast<int>(layout.rows.size());
    const int width = static_cast<int>(layout.rows[0].size());
    const size_t stride = ((static_cast<size_t>(width) * layout.bits + 31) / 32) * 4;
    std::string pixels;
    for (int i = 0; i < height; ++i) {
        const auto& row = layout.rows[static_cast<size_t>(layout.topDown ? i : height - 1 - i)];
        std::string packed;
        uint32_t acc = 0;
        int filled = 0;
        for (uint32_t v : row) {
            if (layout.bits <= 8) {
                acc = (acc << layout.bits) | v;
                filled += layout.bits;
                if (filled == 8) {
                    packed += static_cast<char>(acc);
                    acc = 0;
                    filled = 0;
                }
            } else if (layout.bits == 16) {
                const uint32_t r = ColorRed(static_cast<TColor>(v)), g = ColorGreen(static_cast<TColor>(v)),
                               b = ColorBlue(static_cast<TColor>(v));
                Put16(packed, layout.bitfields565 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                                : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            } else {
                packed += static_cast<char>(ColorBlue(static_cast<TColor>(v)));
                packed += static_cast<char>(ColorGreen(static_cast<TColor>(v)));
                packed += static_cast<char>(ColorRed(static_cast<TColor>(v)));
                if (layout.bits == 32) packed += '\0';
            }
        }
        if (filled) packed += static_cast<char>(acc << (8 - filled));
        packed.resize(stride, '\0');
        pixels += packed;
    }
    std::string table;
    std::vector<TColor> palette = layout.palette;
    if (layout.coreHeader && layout.bits <= 8) palette.resize(size_t{1} << layout.bits, clBlack);  // no count field: always full
    for (TColor c : palette) {
        table += static_cast<char>(ColorBlue(c));
        table += static_cast<char>(ColorGreen(c));
        table += static_cast<char>(ColorRed(c));
        if (!layout.coreHeader) table += '\0';
    }
    std::string header;
    if (layout.coreHeader) {
        Put32(header, 12);
        Put16(header, width);
        Put16(header, height);
        Put16(header, 1);
        Put16(header, layout.bits);
    } else {
        Put32(header, 40);
        Put32(header, width);
        Put32(header, static_cast<uint32_t>(layout.topDown ? -height : height));
        Put16(header, 1);
        Put16(header, layout.bits);
        Put32(header, layout.bitfields565 ? 3 : 0);
        Put32(header, static_cast<uint32_t>(pixels.size()));
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, static_cast<uint32_t>(layout.palette.size()));
        Put32(header, 0);
        if (layout.bitfields565) {
            Put32(header, 0xF800);
            Put32(header, 0x07E0);
            Put32(header, 0x001F);
        }
    }
    std::string file = "BM";
    const size_t offset = 14 + header.size() + table.size();
    Put32(file, static_cast<uint32_t>(offset + pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(offset));
    return file + header + table + pixels;
}

inline void LoadBytes(TGraphic& graphic, const std::string& bytes) {
    TStringStream stream(bytes);
    graphic.LoadFromStream(&stream);
}

inline std::string SaveBytes(TGraphic& graphic) {
    TStringStream stream;
    graphic.SaveToStream(&stream);
    return stream.DataString();
}

inline TColor Pixel(TBitmap& bitmap, int x, int y) { return bitmap.Canvas()->Pixels(x, y); }

// A bitmap of the given size filled with one colour.
inline void Fill(TBitmap& bitmap, int width, int height, TColor color, TPixelFormat format = pf24bit) {
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    bitmap.Canvas()->Brush()->SetColor(color);
    bitmap.Canvas()->FillRect(Rect(0, 0, width, height));
}

}  // namespace graphics_fixtures
