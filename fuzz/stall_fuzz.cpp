// A reader that stalls on purpose, for fuzz/check_timeouts.sh: it drives
// fuzz/run.sh's timeout paths the way a stalled machine or a real hang would.
// FUZZ_STALL says how:
//   once:FILE  the first input that finds no FILE makes it and sleeps 6 s
//              (a machine that stalled once: the input replays at once)
//   stretch-once:FILE  the same in the stretch driver only (run.sh gives it
//              STRETCH_FROM)
//   always     every input sleeps 6 s (a real hang: it comes back)
//   slow       every input takes 50 ms (a target slower than its guard)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// Sleeps to a deadline: libFuzzer's alarm cuts a plain sleep short.
void SleepFor(std::chrono::milliseconds length) {
    const auto end = std::chrono::steady_clock::now() + length;
    while (std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) {
    const char* mode = std::getenv("FUZZ_STALL");
    if (!mode) return 0;
    const char* once = std::strncmp(mode, "once:", 5) == 0 ? mode + 5
                       : std::strncmp(mode, "stretch-once:", 13) == 0 && std::getenv("STRETCH_FROM") ? mode + 13
                                                                                                       : nullptr;
    if (once) {
        if (std::FILE* mark = std::fopen(once, "r")) {
            std::fclose(mark);
            return 0;
        }
        if (std::FILE* mark = std::fopen(once, "w")) std::fclose(mark);
        SleepFor(std::chrono::seconds(6));
    } else if (std::strcmp(mode, "always") == 0) {
        SleepFor(std::chrono::seconds(6));
    } else if (std::strcmp(mode, "slow") == 0) {
        SleepFor(std::chrono::milliseconds(50));
    }
    return 0;
}
