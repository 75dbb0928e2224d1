// The memory the viewer's process keeps committed as it goes from the typical
// article (3 KB) to a 1 MB page and back, twice: what a large page leaves
// behind once the next one is shown, and whether it grows. Figures are the
// process's committed memory; under Wine they include a constant share for
// the mapped program image, so the steps between them are what to read.
//   bench_page_memory.exe
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "framework/forms.h"
#include "framework/streams.h"
#include "html/html_startup.h"
#include "viewer/page_viewer.h"

#include "bench_pages.h"

namespace {

double CommittedMB() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return static_cast<double>(counters.PagefileUsage) / (1024 * 1024);
}

}  // namespace

int main() {
    InitializeForms();
    InitHtmlEngine();
    TForm form(nullptr);
    form.SetBounds(0, 0, 700, 560);
    auto* viewer = new TPageViewer(&form);
    viewer->SetParent(&form);
    viewer->SetBounds(0, 0, 640, 500);
    viewer->PaintPanelControl()->HandleNeeded();

    const std::string article = bench_pages::Article(3000), large = bench_pages::Article(1000000);
    auto load = [&](const std::string& html) {
        TStringStream stream(html);
        viewer->LoadFromStream(&stream, "");
        return CommittedMB();
    };
    const double first = load(article);
    std::printf("typical article: %.1f MB committed\n", first);
    for (int round = 1; round <= 2; ++round) {
        const double withLarge = load(large);
        const double back = load(article);
        std::printf("round %d: with the 1 MB page %+.1f MB, back to the article %+.1f MB\n", round, withLarge - first,
                    back - first);
    }
    return 0;
}
