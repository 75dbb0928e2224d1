// Listing the keys of a large ini section: 16,000, 32,000 and 64,000 keys in
// one section (plus as many sections of one key each), read through TIniFile;
// then a file of one section repeated as often, its key deleted and the
// section erased. The times should grow with the count, not with its square.
#include <chrono>
#include <cstdio>
#include <string>

#include "framework/cp1251.h"
#include "framework/inifiles.h"
#include "framework/strings.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string IniOfKeys(int keys) {
    std::string text = "[Big]\r\n";
    for (int i = 0; i < keys; ++i) text += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    for (int i = 0; i < keys; ++i) text += "[Section" + std::to_string(i) + "]\r\nk=v\r\n";
    return text;
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string path = WideToAnsi(temp) + "bench_ini_sections.ini";
    for (int keys : {16000, 32000, 64000}) {
        const std::string text = IniOfKeys(keys);
        {
            TFileStream file(path, fmCreate);
            file.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
        }
        TIniFile ini(path);
        TStringList names, sections;
        auto start = Clock::now();
        ini.ReadSection("Big", &names);
        const double keyTime = MillisecondsSince(start);
        start = Clock::now();
        ini.ReadSections(&sections);
        const double sectionTime = MillisecondsSince(start);
        std::printf("%6d keys (%.1f MB): ReadSection %8.1f ms (%d names), ReadSections %8.1f ms (%d names)\n", keys,
                    static_cast<double>(text.size()) / (1 << 20), keyTime, names.Count(), sectionTime,
                    sections.Count());
        // The same key and the same section written over and over, then removed.
        std::string repeated = "[Keys]\r\n";
        for (int i = 0; i < keys; ++i) repeated += "Key=" + std::to_string(i) + "\r\n";
        for (int i = 0; i < keys; ++i) repeated += "[Same]\r\nk=v\r\n";
        {
            TFileStream file(path, fmCreate);
            file.WriteBuffer(repeated.data(), static_cast<int32_t>(repeated.size()));
        }
        TIniFile again(path);
        start = Clock::now();
        again.DeleteKey("Keys", "Key");
        again.EraseSection("Same");
        std::printf("%6d repeats: DeleteKey and EraseSection %8.1f ms\n", keys, MillisecondsSince(start));
    }
    DeleteFile(path);
    return 0;
}
