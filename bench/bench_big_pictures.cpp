// Two pages of a few bytes that name costly pictures: "big", 12 IMGs of
// different PNGs of 5000 x 5000 (about 30 KB each), and "bad", 40 IMGs of one
// PNG of 5000 x 5000 cut short, which decodes nearly whole before it fails.
// Prints the milliseconds of one load (parse and layout) and the process's
// peak committed memory. Run one page per process, as the peak never falls:
//   bench_big_pictures.exe big|bad
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench_pictures.h"
#include "framework/streams.h"
#include "html/html_startup.h"
#include "html/image_cache.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "images/zstreams.h"

namespace {

using Clock = std::chrono::steady_clock;

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

void PutBig32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    PutBig32(out, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    out += body;
    PutBig32(out, Crc32(body));
}

// A grey PNG of side x side, its rows compressed one at a time so that making
// it never holds the raw picture.
std::string BigPng(int side, int shade) {
    TMemoryStream packed;
    {
        TZCompressionStream z(&packed, zcDefault);
        std::string row(static_cast<size_t>(side) + 1, static_cast<char>(shade));
        row[0] = 0;  // no filter
        for (int y = 0; y < side; ++y) z.Write(row.data(), static_cast<int32_t>(row.size()));
    }
    std::string ihdr;
    PutBig32(ihdr, static_cast<uint32_t>(side));
    PutBig32(ihdr, static_cast<uint32_t>(side));
    ihdr += std::string("\x08\x00\x00\x00\x00", 5);  // 8 bits, grey
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", std::string(static_cast<const char*>(packed.Memory()), static_cast<size_t>(packed.Size())));
    Chunk(png, "IEND", "");
    return png;
}

double PeakCommittedMB() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return static_cast<double>(counters.PeakPagefileUsage) / (1024 * 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const bool bad = argc > 1 && std::strcmp(argv[1], "bad") == 0;
    InitHtmlEngine();
    TBenchPictures pictures;
    std::string html = "<P>";
    if (bad) {
        const std::string png = BigPng(5000, 0x80);
        pictures.Put("bad.png", png.substr(0, png.size() * 9 / 10));
        for (int i = 0; i < 40; ++i) html += "<IMG SRC=bad.png> ";
    } else {
        for (int i = 0; i < 12; ++i) {
            const std::string name = "big" + std::to_string(i) + ".png";
            pictures.Put(name, BigPng(5000, 0x10 * (i + 1)));
            html += "<IMG SRC=" + name + "> ";
        }
    }
    const double peakBefore = PeakCommittedMB();

    TStringBitmapList cache;
    TSectionList doc(nullptr);
    doc.CachedImages = &cache;
    pictures.Serve(doc);
    const auto start = Clock::now();
    TBenchPictures::LoadAndLayOut(cache, doc, html);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("%s page (%zu bytes of HTML): %.0f ms, peak %.0f MB committed (%.0f MB before the load), "
                "%d pictures cached\n",
                bad ? "40 IMGs of one bad PNG" : "12 PNGs of 5000x5000", html.size(), ms, PeakCommittedMB(),
                peakBefore, cache.Count());
    doc.Clear();
    return 0;
}
