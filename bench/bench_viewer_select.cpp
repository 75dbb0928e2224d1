// Search and copy in the viewer on a 1 MB page: a search that finds nothing,
// a walk through 1,000 hits, and SelectAll followed by CopyToClipboard.
//   bench_viewer_select.exe
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

// About `bytes` of article HTML in code page 1251; every paragraph holds the
// word "маркер" once.
std::string Article(size_t bytes, int& markers) {
    std::string html = Utf8ToAnsi("<html><body><h2>Статья</h2>");
    markers = 0;
    for (int n = 1; html.size() < bytes; ++n, ++markers) {
        html += Utf8ToAnsi("<p>Термин <b>номер " + std::to_string(n) +
                           "</b> означает способ передачи данных между узлами сети, маркер, при котором каждый "
                           "пакет несёт <i>адрес получателя</i> и проходит через промежуточные узлы.</p>\r\n");
        if (n % 20 == 0) html += Utf8ToAnsi("<table border=1><tr><td>уровень</td><td>протокол</td></tr></table>");
    }
    return html + "</body></html>";
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

    int markers = 0;
    const std::string page = Article(1000000, markers);
    auto start = Clock::now();
    viewer->LoadFromString(page, "");
    std::printf("1 MB page (%zu bytes, %d paragraphs): load %.0f ms\n", page.size(), markers, Ms(start));

    constexpr int kRounds = 5;
    start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        viewer->SetSelStart(0);
        viewer->FindEx(Utf8ToWide("отсутствует"), false, false);
    }
    std::printf("fruitless FindEx, whole page: %.1f ms\n", Ms(start) / kRounds);

    viewer->SetSelStart(0);
    int hits = 0;
    start = Clock::now();
    while (hits < 1000 && viewer->FindEx(Utf8ToWide("маркер"), false, false)) ++hits;
    const double walk = Ms(start);
    std::printf("walk through %d hits: %.1f ms (%.3f ms a hit)\n", hits, walk, hits ? walk / hits : 0.0);

    start = Clock::now();
    viewer->SelectAll();
    viewer->CopyToClipboard();
    const double copy = Ms(start);
    start = Clock::now();
    const size_t length = viewer->GetSelText().size();
    std::printf("SelectAll + CopyToClipboard: %.1f ms; GetSelText %.1f ms (%zu characters)\n", copy, Ms(start),
                length);
    return 0;
}
