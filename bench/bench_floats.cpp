// Floats that do not fit side by side, repeated down a page: pairs of
// 400-pixel boxes floated left and right in 640 pixels, three 300-pixel
// boxes floated left in 638, three floated right in 640, two 200-pixel boxes
// left and one right in 480, and one paragraph of pictures floated left.
// For each at 64 KB, 1 MB and 4 MB (16 MB with "large"): the time to read
// and to lay out, layout seconds per MB (flat when layout is linear) and the
// process's peak memory. Each figure comes from a process of its own, so the
// peaks do not mix. Built for Windows with the tests, and natively with
// bench/native/floats.sh.
//   bench_floats [large] [LIMIT_SECONDS]
//   bench_floats one PAGE BYTES [LIMIT_SECONDS]     (one figure)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "html/parser_entry.h"
#include "html/section_list.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMB = 1024 * 1024;

std::string Box(const char* side, int width, int height) {
    return std::string("<div style=\"float:") + side + ";width:" + std::to_string(width) +
           "px;height:" + std::to_string(height) + "px\">x</div>";
}

struct TPage {
    const char* Name;
    std::string Head;
    std::string Unit;
    int Width;
};

TPage PageOf(int which) {
    switch (which) {
        case 0: return {"float pairs", "", Box("left", 400, 10) + Box("right", 400, 10), 640};
        case 1: return {"three left", "", Box("left", 300, 50) + Box("left", 300, 50) + Box("left", 300, 50), 638};
        case 2:
            return {"three right", "", Box("right", 300, 50) + Box("right", 300, 50) + Box("right", 300, 50), 640};
        case 3:
            return {"left-left-right", "", Box("left", 200, 50) + Box("left", 200, 50) + Box("right", 200, 50),
                    480};
        default: return {"float pictures", "<p>", "<img src=a width=16 height=16 align=left>", 640};
    }
}
constexpr int kPages = 5;

double PeakMB() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return static_cast<double>(counters.PeakPagefileUsage) / kMB;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024 / kMB;
#endif
}

int MeasureOne(int which, size_t bytes, int limitSeconds) {
#ifndef _WIN32
    // A quadratic layout is cut, not waited for, nor let take the machine.
    if (limitSeconds > 0) {
        alarm(static_cast<unsigned>(limitSeconds));
        const rlimit memory{size_t{4} << 30, size_t{4} << 30};
        setrlimit(RLIMIT_AS, &memory);
    }
#endif
    (void)limitSeconds;
    const TPage page = PageOf(which);
    std::string html = "<html><body>" + page.Head;
    html.reserve(bytes + page.Unit.size() + 32);
    while (html.size() < bytes) html += page.Unit;
    html += "</body></html>";
    TSectionList doc(nullptr);
    doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF0000, 0xFFFFFF, false, true, 1, 5,
                 10);
    auto start = Clock::now();
    ParseHTMLString(html, &doc, TReaderCallbacks());
    const double read = std::chrono::duration<double>(Clock::now() - start).count();
    int scrollWidth = 0, positions = 0;
    start = Clock::now();
    doc.DoLogic(nullptr, 0, page.Width, 500, 0, scrollWidth, positions);
    const double layout = std::chrono::duration<double>(Clock::now() - start).count();
    const double mb = static_cast<double>(html.size()) / kMB;
    std::printf("%-16s %7zu KB: read %7.3f s, layout %7.3f s (%6.3f s/MB), peak %7.1f MB\n", page.Name,
                bytes / 1024, read, layout, layout / mb, PeakMB());
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 3 && std::string(argv[1]) == "one")
        return MeasureOne(std::atoi(argv[2]), std::strtoull(argv[3], nullptr, 10), argc > 4 ? std::atoi(argv[4]) : 0);
    bool large = false;
    int limit = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "large")
            large = true;
        else
            limit = std::atoi(argv[i]);
    }
    const size_t sizes[] = {64 * 1024, 1 << 20, 4 << 20, 16 << 20};
    for (int which = 0; which < kPages; ++which)
        for (size_t bytes : sizes) {
            if (bytes > (4u << 20) && !large) continue;
            const std::string command = std::string("\"") + argv[0] + "\" one " + std::to_string(which) + " " +
                                        std::to_string(bytes) + " " + std::to_string(limit);
            if (std::system(command.c_str()) != 0)
                std::printf("%-16s %7zu KB: not done within %d s or the memory there is\n", PageOf(which).Name,
                            bytes / 1024, limit);
            std::fflush(stdout);
        }
    return 0;
}
