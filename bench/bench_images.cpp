// Decode speed of a large PNG and a large animated GIF, in megapixels per
// second, each beside zlib's own inflate of the same data as the floor no
// decoder can beat. The pictures are made here: the PNG with our own writer,
// the GIF with the tests' LZW encoder.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/streams.h"
#include "image_test_util.h"
#include "images/gif_decoder.h"
#include "images/png_decoder.h"
#include "images/png_image.h"

namespace {

constexpr int kPngSide = 2000;
constexpr int kGifWidth = 800, kGifHeight = 600, kGifFrames = 30;
constexpr int kRepeats = 7;

// Best of kRepeats, in seconds: the least disturbed run.
double BestTime(const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void Report(const char* what, double seconds, double pixels, double floorSeconds) {
    std::printf("  %-34s %8.1f ms %8.1f Mpx/s", what, seconds * 1e3, pixels / seconds / 1e6);
    if (floorSeconds > 0) std::printf("   %.2fx inflate", seconds / floorSeconds);
    std::printf("\n");
}

// Smooth gradients plus noise of up to noiseLevels steps: with a few steps a
// photograph for the PNG (the filters and deflate get the work they get on
// real pictures), without any a drawing for the GIF.
uint8_t Shade(int x, int y, int channel, uint32_t& noise, int noiseLevels) {
    noise = noise * 1664525u + 1013904223u;
    const double wave = std::sin(x * (0.011 + channel * 0.002)) * std::cos(y * (0.007 + channel * 0.003));
    const int value = 128 + static_cast<int>(100 * wave) + static_cast<int>((noise >> 16) % noiseLevels) -
                      noiseLevels / 2;
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

std::string MakePng() {
    TPNGImage png;
    png.SetPixelFormat(pf24bit);
    png.SetSize(kPngSide, kPngSide);
    uint32_t noise = 1;
    for (int y = 0; y < kPngSide; ++y) {
        auto* row = static_cast<uint8_t*>(png.ScanLine(y));
        for (int x = 0; x < kPngSide; ++x)
            for (int c = 0; c < 3; ++c) row[x * 3 + c] = Shade(x, y, c, noise, 8);
    }
    TMemoryStream out;
    png.SaveToStream(&out);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

// Inflates into a buffer of the known size; the floor under any decoder.
void Inflate(const std::string& compressed, std::vector<uint8_t>& out) {
    uLongf size = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                   static_cast<uLong>(compressed.size())) != Z_OK)
        std::printf("  inflate failed\n");
}

std::string Deflate(const std::vector<uint8_t>& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, data.data(), static_cast<uLong>(data.size()),
              Z_DEFAULT_COMPRESSION);
    out.resize(size);
    return out;
}

void BenchPng() {
    const std::string file = MakePng();
    std::string idat;
    {
        TReadOnlyMemoryStream in(file.data(), static_cast<int64_t>(file.size()));
        for (const TPNGChunkData& chunk : ReadPNGChunks(&in))
            if (chunk.Type == "IDAT") idat.assign(chunk.Data.begin(), chunk.Data.end());
    }
    const double pixels = double{kPngSide} * kPngSide;
    std::printf("PNG %dx%d, 24-bit, %zu bytes (image data %zu bytes)\n", kPngSide, kPngSide, file.size(),
                idat.size());

    std::vector<uint8_t> raw(static_cast<size_t>(kPngSide * 3 + 1) * kPngSide);
    const double floor = BestTime([&] { Inflate(idat, raw); });
    Report("zlib inflate of the image data", floor, pixels, 0);
    Report("DecodePNG (pixels)", BestTime([&] {
               TReadOnlyMemoryStream in(file.data(), static_cast<int64_t>(file.size()));
               DecodePNG(&in);
           }),
           pixels, floor);
    Report("TPNGImage::LoadFromStream (bitmap)", BestTime([&] {
               TReadOnlyMemoryStream in(file.data(), static_cast<int64_t>(file.size()));
               TPNGImage png;
               png.LoadFromStream(&in);
           }),
           pixels, floor);
}

// Frames of a moving pattern in 256 colours, each a full screen.
image_tests::GifFile MakeGif(std::vector<uint8_t>& allIndices) {
    image_tests::GifFile gif;
    gif.Width = kGifWidth;
    gif.Height = kGifHeight;
    gif.LoopCount = 0;
    for (int i = 0; i < 256; ++i) gif.Palette.push_back(static_cast<uint32_t>(i * 0x010101));
    uint32_t noise = 7;
    for (int f = 0; f < kGifFrames; ++f) {
        image_tests::GifFrame frame;
        frame.Width = kGifWidth;
        frame.Height = kGifHeight;
        frame.Delay = 5;
        frame.Indices.resize(static_cast<size_t>(kGifWidth) * kGifHeight);
        uint8_t* pixel = frame.Indices.data();
        for (int y = 0; y < kGifHeight; ++y)
            for (int x = 0; x < kGifWidth; ++x) *pixel++ = Shade(x + f * 13, y + f * 7, f % 3, noise, 1);
        allIndices.insert(allIndices.end(), frame.Indices.begin(), frame.Indices.end());
        gif.Frames.push_back(std::move(frame));
    }
    return gif;
}

void BenchGif() {
    std::vector<uint8_t> indices;
    const std::string file = image_tests::WriteGif(MakeGif(indices));
    const double pixels = double{kGifWidth} * kGifHeight * kGifFrames;
    std::printf("GIF %dx%d, %d frames, 8-bit, %zu bytes\n", kGifWidth, kGifHeight, kGifFrames, file.size());

    const std::string deflated = Deflate(indices);
    std::vector<uint8_t> raw(indices.size());
    const double floor = BestTime([&] { Inflate(deflated, raw); });
    Report("zlib inflate of the same indices", floor, pixels, 0);
    Report("TGif::LoadFromBuffer (LZW)", BestTime([&] {
               TGif gif;
               gif.LoadFromBuffer(reinterpret_cast<const uint8_t*>(file.data()), file.size());
           }),
           pixels, floor);
    TGif gif;
    gif.LoadFromBuffer(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    Report("TGif::ComposeStrip (frames to BGR)", BestTime([&] { gif.ComposeStrip(); }), pixels, 0);
}

}  // namespace

int main() {
    try {
        BenchPng();
        BenchGif();
    } catch (const std::exception& e) {
        std::printf("failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
