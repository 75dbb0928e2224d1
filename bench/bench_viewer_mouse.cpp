// The mouse over a 1 MB page (hit test, link look-up and cursor for one move,
// at the top and at the bottom of the page) and the visited-link check after
// a load, with 50 visited entries against 20,000 links.
//   bench_viewer_mouse.exe
#include <chrono>
#include <cstdio>
#include <string>

#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "viewer/page_viewer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// About `bytes` of article HTML in code page 1251; every paragraph holds
// five links to pages of their own.
std::string Article(size_t bytes, int& links) {
    std::string html = Utf8ToAnsi("<html><body><h2>Статья</h2>");
    links = 0;
    for (int n = 1; html.size() < bytes || links < 20000; ++n) {
        html += Utf8ToAnsi("<p>Термин <b>номер " + std::to_string(n) + "</b> означает способ передачи данных");
        for (int k = 0; k < 5; ++k, ++links)
            html += " <a href=\"page" + std::to_string(links) + ".htm\">" + Utf8ToAnsi("ссылка") + "</a>";
        html += Utf8ToAnsi(" между узлами сети.</p>\r\n");
    }
    return html + "</body></html>";
}

// Average of `rounds` moves across the first line of the pane.
double MoveMs(TPaintPanel* panel, int y, int rounds) {
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) SendMessageW(panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20 + (i % 300), y));
    return Ms(start) / rounds;
}

}  // namespace

int main() {
    InitializeForms();
    InitHtmlEngine();
    TForm form(nullptr);
    form.SetBounds(0, 0, 800, 600);
    TPageViewer* viewer = new TPageViewer(&form);
    viewer->SetParent(&form);
    viewer->SetBounds(0, 0, 780, 560);
    form.Show();

    int links = 0;
    const std::string page = Article(1000000, links);
    auto start = Clock::now();
    viewer->LoadFromString(page, "C:\\bench\\article.htm");
    std::printf("1 MB page (%zu bytes, %d links): load %.0f ms\n", page.size(), links, Ms(start));

    TPaintPanel* panel = viewer->PaintPanelControl();
    constexpr int kMoves = 300;
    viewer->ScrollTo(0);
    std::printf("mouse move at the top: %.3f ms\n", MoveMs(panel, 30, kMoves));
    viewer->ScrollTo(viewer->GetScrollBarRange());
    std::printf("mouse move at the bottom: %.3f ms\n", MoveMs(panel, panel->Height() - 30, kMoves));

    // Every tenth entry names a link of the page.
    for (int i = 0; i < 50; ++i)
        viewer->AddVisitedLink(i % 10 == 0 ? "C:\\bench\\page" + std::to_string(i * 300) + ".htm"
                                           : "C:\\elsewhere\\other" + std::to_string(i) + ".htm");
    constexpr int kChecks = 5;
    start = Clock::now();
    for (int i = 0; i < kChecks; ++i) viewer->CheckVisitedLinks();
    std::printf("CheckVisitedLinks, %zu visited entries, %zu links: %.1f ms\n", viewer->VisitedLinks().size(),
                viewer->Document()->LinkRuns.size(), Ms(start) / kChecks);
    // A link followed afterwards: the targets are known by then.
    start = Clock::now();
    for (int i = 0; i < kChecks; ++i) viewer->AddVisitedLink("C:\\bench\\page" + std::to_string(i + 1) + ".htm");
    std::printf("AddVisitedLink of a new entry after the check: %.2f ms\n", Ms(start) / kChecks);
    return 0;
}
