#include "image_test_util.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "framework/streams.h"
#include "images/png_decoder.h"

namespace image_tests {

std::string TestDataDir() {
    const char* env = std::getenv("TEST_SOURCE_DIR");
    std::string dir = env && *env ? env : ".";
#ifdef _WIN32
    // CTest hands over the host's path; under Wine the host's root is drive Z.
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
#endif
    return dir + "/../shared/testdata";
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListFiles(const std::string& dir, const std::string& suffix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> ToRGB(const TPNGPixels& p) {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(p.Width) * p.Height * 3);
    for (int y = 0; y < p.Height; ++y) {
        const uint8_t* row = p.Rows.data() + static_cast<size_t>(y) * p.Stride;
        for (int x = 0; x < p.Width; ++x) {
            if (p.BitsPerPixel == 24) {
                rgb.insert(rgb.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
                continue;
            }
            unsigned index = 0;
            switch (p.BitsPerPixel) {
                case 8: index = row[x]; break;
                case 4: index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0xF; break;
                case 1: index = (row[x / 8] >> (7 - (x & 7))) & 1; break;
            }
            uint32_t c = p.Palette.at(index);
            rgb.insert(rgb.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        }
    }
    return rgb;
}

RGBAImage ReadReferencePng(const std::string& path) {
    std::string bytes = ReadWholeFile(path);
    TReadOnlyMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    std::vector<TPNGChunkData> chunks = ReadPNGChunks(&stream);
    TPNGHeader header = ParsePNGHeader(chunks.at(0).Data);
    const std::vector<uint8_t>* idat = nullptr;
    std::vector<uint8_t> alphas;
    std::vector<uint32_t> palette;
    TPNGGamma noGamma;
    for (const TPNGChunkData& c : chunks) {
        if (c.Type == "IDAT") idat = &c.Data;
        if (c.Type == "tRNS") alphas = c.Data;
        if (c.Type == "PLTE") palette = ParsePNGPalette(c.Data, noGamma);
    }
    TPNGPixels p = DecodePNGPixels(header, *idat, &palette, noGamma);
    RGBAImage image{p.Width, p.Height, {}};
    std::vector<uint8_t> rgb = ToRGB(p);
    for (int y = 0; y < p.Height; ++y) {
        const uint8_t* row = p.Rows.data() + static_cast<size_t>(y) * p.Stride;
        for (int x = 0; x < p.Width; ++x) {
            unsigned index = 0;
            switch (p.BitsPerPixel) {
                case 8: index = row[x]; break;
                case 4: index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0xF; break;
                case 1: index = (row[x / 8] >> (7 - (x & 7))) & 1; break;
            }
            if (header.BitDepth == 2) index &= 3;  // held as 5 * index
            size_t at = (static_cast<size_t>(y) * p.Width + x) * 3;
            image.Pixels.insert(image.Pixels.end(), rgb.begin() + at, rgb.begin() + at + 3);
            image.Pixels.push_back(index < alphas.size() ? alphas[index] : 255);
        }
    }
    return image;
}

namespace {

class BitWriter {
public:
    void Put(int code, int width) {
        FBits |= static_cast<uint64_t>(code) << FCount;
        FCount += width;
        while (FCount >= 8) {
            FOut.push_back(static_cast<char>(FBits & 0xFF));
            FBits >>= 8;
            FCount -= 8;
        }
    }
    std::string Finish() {
        if (FCount > 0) FOut.push_back(static_cast<char>(FBits & 0xFF));
        FBits = 0;
        FCount = 0;
        return FOut;
    }

private:
    std::string FOut;
    uint64_t FBits = 0;
    int FCount = 0;
};

}  // namespace

// A plain dictionary encoder; the decoder's table grows in step with it.
std::string EncodeLZW(const std::vector<uint8_t>& indices, int minCodeSize, bool leadingClear,
                      bool clearWhenFull) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    BitWriter out;
    int width = minCodeSize + 1;
    int next = clear + 2;
    std::map<std::pair<int, uint8_t>, int> table;
    auto reset = [&] {
        table.clear();
        width = minCodeSize + 1;
        next = clear + 2;
    };
    if (leadingClear) out.Put(clear, width);
    int current = -1;
    for (uint8_t b : indices) {
        if (current < 0) {
            current = b;
            continue;
        }
        auto it = table.find({current, b});
        if (it != table.end()) {
            current = it->second;
            continue;
        }
        out.Put(current, width);
        if (next < 4096) {
            table[{current, b}] = next++;
            if (next == (1 << width) + 1 && width < 12) ++width;
        } else if (clearWhenFull) {
            out.Put(clear, width);
            reset();
        }
        current = b;
    }
    if (current >= 0) out.Put(current, width);
    // The decoder adds a slot for that last code as well and may widen.
    if (current >= 0 && next < 4096 && next + 1 == (1 << width) + 1 && width < 12) ++width;
    out.Put(end, width);
    return out.Finish();
}

std::string SubBlocks(const std::string& data) {
    std::string out;
    for (size_t at = 0; at < data.size(); at += 255) {
        size_t n = std::min<size_t>(255, data.size() - at);
        out.push_back(static_cast<char>(n));
        out.append(data, at, n);
    }
    out.push_back(0);
    return out;
}

namespace {

void PutWord(std::string& s, int v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

int TableBits(size_t entries) {
    int bits = 0;
    while ((size_t{2} << bits) < entries) ++bits;
    return bits;
}

}  // namespace

std::string WriteGif(const GifFile& gif) {
    std::string s = "GIF89a";
    PutWord(s, gif.Width);
    PutWord(s, gif.Height);
    int bits = TableBits(gif.Palette.size());
    s.push_back(static_cast<char>(gif.Palette.empty() ? 0 : 0x80 | bits));
    s.push_back(0);
    s.push_back(0);
    if (!gif.Palette.empty()) {
        for (int i = 0; i < (2 << bits); ++i) {
            uint32_t c = i < static_cast<int>(gif.Palette.size()) ? gif.Palette[static_cast<size_t>(i)] : 0;
            s.push_back(static_cast<char>(c >> 16));
            s.push_back(static_cast<char>(c >> 8));
            s.push_back(static_cast<char>(c));
        }
    }
    if (gif.LoopCount >= 0) {
        s += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
        PutWord(s, gif.LoopCount);
        s.push_back(0);
    }
    for (const GifFrame& f : gif.Frames) {
        if (f.Delay >= 0 || f.TransparentIndex >= 0 || f.Disposal != 0) {
            s += "\x21\xF9\x04";
            s.push_back(static_cast<char>((f.Disposal << 2) | (f.TransparentIndex >= 0 ? 1 : 0)));
            PutWord(s, std::max(f.Delay, 0));
            s.push_back(static_cast<char>(std::max(f.TransparentIndex, 0)));
            s.push_back(0);
        }
        s.push_back(',');
        PutWord(s, f.Left);
        PutWord(s, f.Top);
        PutWord(s, f.Width);
        PutWord(s, f.Height);
        s.push_back(static_cast<char>(f.Interlaced ? 0x40 : 0));
        s.push_back(static_cast<char>(f.MinCodeSize));
        s += SubBlocks(f.Data.empty() ? EncodeLZW(f.Indices, f.MinCodeSize) : f.Data);
    }
    if (gif.Trailer) s.push_back(';');
    return s;
}

}  // namespace image_tests
