// The HTML reader natively, with the engine's fixed glyph widths: the same
// pages as bench_viewer (a typical 3 KB article, a 25 KB one, a 1 MB page),
// the scanner alone over the same bytes, the reader, and one layout at 640
// pixels. Prints milliseconds (the best of a few rounds) and the reader's
// time as a multiple of the scanner's. Then the cost curve of hostile pages,
// one construct repeated from 256 KB to 4 MB (16 MB with a third argument):
// small floats side by side, 600-pixel floats side by side (past the
// width) and stacked one per line beside a word, form controls in one
// paragraph and one map area's COORDS; read and layout in seconds per MB,
// which a linear reader keeps flat. Built with the host's
// compiler, so a native profiler can look into it:
//   bench/native/run.sh [OUT_DIR] [ROUNDS] [LARGEST_MB]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "html/parser_entry.h"
#include "html/section_list.h"

#include "../bench_pages.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

double ScanMs(const std::string& html) {
    const auto start = Clock::now();
    bench_pages::ScanAll(html);
    return Ms(start);
}

void HostileCurve(size_t largestMb) {
    const char* names[] = {"floats", "wide floats", "stacked floats", "controls", "coordinates"};
    for (int which = 0; which < 5; ++which)
        for (size_t kb = 256; kb <= largestMb * 1024; kb *= 2) {
            const std::string html = bench_pages::Hostile(which, kb * 1024);
            TSectionList doc(nullptr);
            doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF0000, 0xFFFFFF, false, true,
                         1, 5, 10);
            auto start = Clock::now();
            ParseHTMLString(html, &doc, TReaderCallbacks());
            const double parse = Ms(start);
            int scrollWidth = 0, positions = 0;
            start = Clock::now();
            doc.DoLogic(nullptr, 0, 640, 500, 0, scrollWidth, positions);
            const double layout = Ms(start), mb = static_cast<double>(html.size()) / (1 << 20);
            std::printf("%-15s %6zu KB: read %6.3f s/MB, layout %6.3f s/MB\n", names[which], kb,
                        parse / 1000 / mb, layout / 1000 / mb);
            std::fflush(stdout);
        }
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const struct {
        const char* name;
        size_t bytes;
    } cases[] = {{"typical article (3 KB)", 3000}, {"long article (25 KB)", 25000}, {"1 MB page", 1000000}};
    for (const auto& c : cases) {
        const std::string html = bench_pages::Article(c.bytes);
        double scan = 1e30, parse = 1e30, layout = 1e30;
        for (int r = 0; r < rounds; ++r) {
            scan = std::min(scan, ScanMs(html));
            TSectionList doc(nullptr);
            doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF0000, 0xFFFFFF, false, true,
                         1, 5, 10);
            auto start = Clock::now();
            ParseHTMLString(html, &doc, TReaderCallbacks());
            parse = std::min(parse, Ms(start));
            int scrollWidth = 0, positions = 0;
            start = Clock::now();
            doc.DoLogic(nullptr, 0, 640, 500, 0, scrollWidth, positions);
            layout = std::min(layout, Ms(start));
        }
        std::printf("%-24s %8zu bytes: scanner %7.3f ms, reader %8.3f ms (%.1fx the scanner), layout %7.3f ms\n",
                    c.name, html.size(), scan, parse, parse / scan, layout);
    }
    HostileCurve(argc > 2 ? std::max(1, std::atoi(argv[2])) : 4);
    return 0;
}
