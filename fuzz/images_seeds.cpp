// Writes the seed corpora of the image fuzz targets: GIF fixtures made by the
// tests' writer (with its own LZW encoder) and zlib streams.
// Usage: images_seeds DIR (makes DIR/gif, DIR/png, DIR/zstream).
#include <filesystem>
#include <fstream>
#include <string>

#include "image_test_util.h"
#include "images/zstreams.h"

using namespace image_tests;

namespace {

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::filesystem::path dir = argv[1];
    for (const char* sub : {"gif", "png", "zstream"}) std::filesystem::create_directories(dir / sub);

    int n = 0;
    for (int size = 1; size <= 8; ++size) {
        for (bool interlaced : {false, true}) {
            GifFile f;
            f.Width = 9;
            f.Height = 7;
            for (int i = 0; i < (1 << size); ++i) f.Palette.push_back(static_cast<uint32_t>(i * 0x050301));
            f.LoopCount = size % 3;
            for (int k = 0; k < 2; ++k) {
                GifFrame frame;
                frame.Left = k;
                frame.Top = k;
                frame.Width = 8;
                frame.Height = 6;
                frame.Interlaced = interlaced;
                frame.MinCodeSize = size;
                frame.Disposal = k + 2;
                frame.TransparentIndex = k;
                frame.Delay = 3;
                for (int i = 0; i < 48; ++i) frame.Indices.push_back(static_cast<uint8_t>((i * 5 + k) % (1 << size)));
                f.Frames.push_back(frame);
            }
            Write(dir / "gif" / ("fixture" + std::to_string(n++) + ".gif"), WriteGif(f));
        }
    }
    const std::string text = "a dictionary of terms, a dictionary of terms, 0123456789";
    Write(dir / "zstream" / "text", std::string(1, '\x05') + ZCompressStr(text));
    Write(dir / "zstream" / "seek", std::string(1, '\x47') + ZCompressStr(text + text + text));
    Write(dir / "zstream" / "empty", std::string(1, '\0') + ZCompressStr(""));
    return 0;
}
