// The memory the viewer's process keeps committed as it goes from the typical
// article (3 KB) to a 1 MB page and back, twice: what a large page leaves
// behind once the next one is shown, and whether it grows. Figures are the
// process's committed memory; under Wine they include a constant share for
// the mapped program image, so the steps between them are what to read.
// Then hostile pages of 1, 4 and 16 MB, one construct repeated: the memory their
// documents hold once read and laid out (the heap's bytes in use, which the
// reader weighs against the document budget), and whether the page was cut
// short at the budget.
//   bench_page_memory.exe
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/forms.h"
#include "framework/small_heap.h"
#include "framework/streams.h"
#include "html/html_parser.h"
#include "html/html_startup.h"
#include "viewer/page_viewer.h"

#include "bench_pages.h"

namespace {

constexpr double kMB = 1024 * 1024;

// What the document of 1 MB of "<p>x" held before its objects were made
// smaller, read whole with no budget.
constexpr double kParagraphsBeforeMB = 372;

std::string Repeated(const std::string& head, const std::string& unit, size_t bytes) {
    std::string page = head;
    page.reserve(bytes + unit.size());
    while (page.size() < bytes) page += unit;
    return page;
}

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

    const struct {
        const char* name;
        const char* head;
        const char* unit;
        bool text;
    } hostile[] = {{"<p>x", "", "<p>x", false},     {"<td>x", "<table>", "<td>x", false},
                   {"<hr>", "", "<hr>", false},      {"<li>x", "<ul>", "<li>x", false},
                   {"text lines", "", "xx\r\n", true}};
    for (size_t megabytes : {1, 4, 16}) {
        for (const auto& page : hostile) {
            const std::string html = Repeated(page.head, page.unit, megabytes * 1000000);
            load(article);
            const double before = static_cast<double>(HeapBytesInUse());
            if (page.text) {
                viewer->LoadTextFromString(html);
            } else {
                TStringStream stream(html);
                viewer->LoadFromStream(&stream, "");
            }
            const double held = (static_cast<double>(HeapBytesInUse()) - before) / kMB;
            std::printf("%2zu MB of %-10s: document %7.1f MB%s", megabytes, page.name, held,
                        ReaderResults().CutShort ? " (cut short at the budget)" : "");
            std::printf("\n");
        }
    }
    // The same page read whole, with no budget: what its objects cost.
    gDocumentMemoryBudget = SIZE_MAX / 2;
    load(article);
    const double before = static_cast<double>(HeapBytesInUse());
    TStringStream paragraphs(Repeated("", "<p>x", 1000000));
    viewer->LoadFromStream(&paragraphs, "");
    std::printf("1 MB of <p>x read whole: document %.1f MB, was %.0f MB\n",
                (static_cast<double>(HeapBytesInUse()) - before) / kMB, kParagraphsBeforeMB);
    gDocumentMemoryBudget = kDocumentMemoryBudget;
    load(article);
    return 0;
}
