// Text measurement for layout: N words (default 200,000) of mixed Latin and
// Cyrillic text measured word by word through the advance table and, for
// comparison, by the platform one call per word; then a paragraph of all the
// words broken into 600-pixel lines by fitting from each line's start, at 1x
// and 2x the length.
//   bench_text_measure.exe [N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/cp1251.h"
#include "framework/win.h"
#include "html/text_measure_gdi.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<std::wstring> Words(int count) {
    const std::wstring pool[] = {L"layout", L"the", L"measurement", L"of", L"text",
                                 Utf8ToWide("словарь"), Utf8ToWide("термин"), Utf8ToWide("и"),
                                 Utf8ToWide("электронный"), L"HTML"};
    std::vector<std::wstring> words;
    for (int i = 0; i < count; ++i) words.push_back(pool[(i * 7) % 10]);
    return words;
}

double FitParagraph(TTextMeasurer& measurer, TFontId font, const std::wstring& text, int& lines) {
    const auto start = Clock::now();
    lines = 0;
    for (size_t pos = 0; pos < text.size(); ++lines) {
        const TFitResult r = measurer.Fit(font, std::wstring_view(text).substr(pos), 600);
        pos += static_cast<size_t>(r.Count > 0 ? r.Count : 1);
    }
    return MillisecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200000;
    const std::vector<std::wstring> words = Words(count);
    TFontDesc desc;
    desc.Face = L"Times New Roman";
    desc.Height = -16;

    TTableMeasurer measurer(std::make_unique<TGdiGlyphSource>());
    auto start = Clock::now();
    const TFontId font = measurer.Font(desc);
    long long sum = 0;
    for (const std::wstring& w : words) sum += measurer.Extent(font, w);
    std::printf("advance table: %d words in %.2f ms (first use included), total width %lld\n", count,
                MillisecondsSince(start), sum);

    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, PlatformFont(measurer, font));
    start = Clock::now();
    long long gdiSum = 0;
    for (const std::wstring& w : words) {
        SIZE size{};
        GetTextExtentPoint32W(dc, w.data(), static_cast<int>(w.size()), &size);
        gdiSum += size.cx;
    }
    std::printf("platform, a call per word: %d words in %.2f ms, total width %lld\n", count,
                MillisecondsSince(start), gdiSum);
    SelectObject(dc, old);
    DeleteDC(dc);

    std::wstring paragraph;
    for (const std::wstring& w : words) paragraph += w + L' ';
    int lines = 0;
    const double one = FitParagraph(measurer, font, paragraph, lines);
    std::printf("paragraph of %zu characters: %d lines fitted in %.2f ms\n", paragraph.size(), lines, one);
    const std::wstring twice = paragraph + paragraph;
    const double two = FitParagraph(measurer, font, twice, lines);
    std::printf("paragraph of %zu characters: %d lines fitted in %.2f ms (%.2fx)\n", twice.size(), lines, two,
                one > 0 ? two / one : 0.0);
    return 0;
}
