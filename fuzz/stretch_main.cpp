// A driver for the fuzz targets' large inputs, which libFuzzer's own mutations
// (a few kilobytes at most) never reach: it stretches seed files the way that
// breaks readers of lengths and counts and feeds each result to the target once.
//
//   <target>_stretch COUNT MAX_BYTES SEED...
//
// Every input starts from a seed (picked in turn) and gets one to three of:
// - a run repeated: a slice of the seed copied over and over (long RLE runs,
//   long rows, many records);
// - a count stretched: a 1-, 2- or 4-byte field set to a value near a limit;
// - a length padded: a long block of one byte value inserted or appended.
// Sizes are powers of two, a few dozen of them megabytes (up to MAX_BYTES).
// The random numbers are fixed by the input's number: a failure is rerun with
// the same COUNT, and STRETCH_FROM=N starts at input N (fuzz/run.sh replays an
// input that ran over its time alone, and goes on after it).
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

struct Random {
    uint64_t state;
    uint64_t Next() {
        state += 0x9E3779B97F4A7C15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(Next() % bound); }
};

void RepeatRun(std::string& s, size_t goal, Random& random) {
    if (s.empty()) s.assign(1, '\0');  // one zero byte (a literal "\x00" would be empty)
    const size_t start = random.Below(s.size());
    // Half the runs repeat a unit of one to four bytes (a run-length code: a
    // count and a value), half of those led by the largest one-byte count.
    const size_t longest = random.Below(2) ? 4 : 64;
    const size_t length = 1 + random.Below(std::min<size_t>(s.size() - start, longest));
    std::string run = s.substr(start, length);
    if (length <= 4 && random.Below(2)) run[0] = '\xFF';
    std::string stretched = s.substr(0, start + length);
    while (stretched.size() + run.size() + (s.size() - start - length) <= goal) stretched += run;
    s = stretched + s.substr(start + length);
}

void StretchCount(std::string& s, Random& random) {
    if (s.size() < 4) return;
    static const uint32_t kValues[] = {0xFF,       0x7F,       0x100,      0xFFFF,     0x7FFF,     0x8000,
                                       0x10000,    0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x00FFFFFF, 0x01000000,
                                       0x7FFF7FFF, 32767,      32768,      65535};
    const uint32_t value = kValues[random.Below(std::size(kValues))] - static_cast<uint32_t>(random.Below(3));
    const size_t width = size_t{1} << random.Below(3);
    // Headers sit near the start: most stretched fields are in the first 64 bytes.
    const size_t at = random.Below(random.Below(4) ? std::min<size_t>(s.size() - width + 1, 64) : s.size() - width + 1);
    for (size_t i = 0; i < width; ++i) s[at + i] = static_cast<char>(value >> (8 * i));
}

void PadLength(std::string& s, size_t goal, Random& random) {
    if (s.size() >= goal) return;
    static const char kFill[] = {'\0', '\xFF', 'A', ' ', '<', '\x01'};
    const std::string block(goal - s.size(), kFill[random.Below(sizeof kFill)]);
    s.insert(random.Below(2) ? s.size() : random.Below(s.size() + 1), block);
}

std::string Stretch(const std::string& seed, size_t maxBytes, unsigned number) {
    Random random{number * 0x2545F4914F6CDD1Dull + 1251};
    // One input in eight is large (a power of two from 1 MB up to MAX_BYTES),
    // the others from 1 KB to 512 KB: a few hundred inputs stay a few hundred
    // megabytes in all (a gigabyte or two at 64 MB).
    size_t largeSizes = 1;
    while (largeSizes < 40 && (size_t{1} << (20 + largeSizes)) <= maxBytes) ++largeSizes;
    const size_t goal = random.Below(8) == 0 ? std::min(maxBytes, size_t{1} << (20 + random.Below(largeSizes)))
                                             : size_t{1} << (10 + random.Below(10));
    std::string s = seed;
    const size_t steps = 1 + random.Below(3);
    for (size_t i = 0; i < steps; ++i) {
        switch (random.Below(3)) {
            case 0: RepeatRun(s, goal, random); break;
            case 1: StretchCount(s, random); break;
            default: PadLength(s, goal, random); break;
        }
    }
    if (s.size() > maxBytes) s.resize(maxBytes);
    return s;
}

// Like libFuzzer's -timeout: an input that takes longer is a hang (a 64 MB
// picture or a 16 MB page takes seconds alone, a minute on a loaded machine).
// Its own exit status, so that the caller can tell it from a crash.
// STRETCH_SECONDS shortens it for fuzz/check_timeouts.sh.
unsigned secondsPerInput = 120;
constexpr int kTimedOut = 3;
unsigned current = 0;

void OnAlarm(int) {
    std::fprintf(stderr, "stretch: input %u ran over %u s\n", current, secondsPerInput);
    _exit(kTimedOut);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s COUNT MAX_BYTES SEED...\n", argv[0]);
        return 2;
    }
    const unsigned count = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    const size_t maxBytes = std::strtoull(argv[2], nullptr, 10);
    std::vector<std::string> seeds;
    for (int i = 3; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    size_t largest = 0, total = 0;
    if (const char* seconds = std::getenv("STRETCH_SECONDS")) secondsPerInput = std::strtoul(seconds, nullptr, 10);
    std::signal(SIGALRM, OnAlarm);
    const char* from = std::getenv("STRETCH_FROM");
    for (unsigned n = from ? static_cast<unsigned>(std::strtoul(from, nullptr, 10)) : 0; n < count; ++n) {
        current = n;
        alarm(secondsPerInput);
        const std::string input = Stretch(seeds[n % seeds.size()], maxBytes, n);
        largest = std::max(largest, input.size());
        total += input.size();
        // A copy of exactly the input's size, so that a read past it is caught.
        std::vector<uint8_t> bytes(input.begin(), input.end());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    alarm(0);
    std::printf("stretch: %u inputs from %zu seeds, largest %zu bytes, %zu bytes in all\n", count, seeds.size(),
                largest, total);
    return 0;
}
