// Loading a page of N images (default 200) of 20 different 32 x 32 pictures:
// the first load decodes every picture from its PNG stream; later loads take
// them from the image cache (aged once per load, as the viewer does). Prints
// milliseconds for parse plus layout.
//   bench_image_cache.exe [N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_pictures.h"
#include "framework/bitmap.h"
#include "framework/streams.h"
#include "html/html_startup.h"
#include "html/image_cache.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "images/png_image.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string PngOf(int shade) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(32, 32);
    bitmap.Canvas()->Brush()->SetColor(static_cast<TColor>(shade * 0x0A0B0C));
    bitmap.Canvas()->FillRect(TRect{0, 0, 32, 32});
    TPNGImage png;
    png.Assign(&bitmap);
    TMemoryStream out;
    png.SaveToStream(&out);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    InitHtmlEngine();
    TBenchPictures pictures;
    for (int i = 0; i < 20; ++i) pictures.Put("pic" + std::to_string(i) + ".png", PngOf(i));
    std::string html = "<P>";
    for (int i = 0; i < n; ++i) html += "word <IMG SRC=pic" + std::to_string(i % 20) + ".png ALT=x> ";

    TStringBitmapList cache;
    cache.SetCacheCount(5);
    TSectionList doc(nullptr);
    doc.CachedImages = &cache;
    pictures.Serve(doc);
    for (int round = 0; round < 6; ++round) {
        const auto start = Clock::now();
        doc.Clear();
        TBenchPictures::LoadAndLayOut(cache, doc, html);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::printf("%d images, %s: %.2f ms (cache holds %d)\n", n, round == 0 ? "decoded" : "from the cache", ms,
                    cache.Count());
    }
    doc.Clear();
    return 0;
}
