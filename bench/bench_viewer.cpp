// The viewer from LoadFromStream to a painted bitmap of its panel, for a
// typical article (3 KB), a long one (25 KB) and a 1 MB page, each with a
// head of styles, paragraphs, lists and links as the dictionary's articles
// have. Beside the whole, the parts: parsing, one layout, one paint, and the
// list-heavy and paragraph-heavy pages the layout is slowest on; and the
// scanner alone over the same bytes, with the reader's time as a multiple of
// it. Prints milliseconds (the best of a few rounds).
//   bench_viewer.exe [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "viewer/page_viewer.h"

#include "bench_pages.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

using bench_pages::Article;
using bench_pages::kHead;
using bench_pages::ListOf;
using bench_pages::Paragraph;

std::string Repeated(const std::string& part, int count) {
    std::string html = kHead;
    for (int i = 0; i < count; ++i) html += part;
    return html + "</BODY></HTML>";
}

struct TFigures {
    double Whole = 1e30, Parse = 1e30, Layout = 1e30, Paint = 1e30, Scan = 1e30;
};

double ScanMs(const std::string& html) {
    const auto start = Clock::now();
    bench_pages::ScanAll(html);
    return Ms(start);
}

void PaintPanel(TPageViewer* viewer, TBitmap* bitmap) {
    viewer->PaintPanelControl()->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(bitmap->Canvas()->Handle()));
}

TFigures Measure(TPageViewer* viewer, const std::string& html, int rounds) {
    TFigures f;
    TPaintPanel* panel = viewer->PaintPanelControl();
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    for (int r = 0; r < rounds; ++r) {
        TStringStream stream(html);
        auto start = Clock::now();
        viewer->LoadFromStream(&stream, "");
        bitmap.SetSize(panel->Width(), panel->Height());
        PaintPanel(viewer, &bitmap);
        f.Whole = std::min(f.Whole, Ms(start));

        start = Clock::now();
        PaintPanel(viewer, &bitmap);
        f.Paint = std::min(f.Paint, Ms(start));

        start = Clock::now();
        viewer->Layout();
        f.Layout = std::min(f.Layout, Ms(start));

        TSectionList doc(nullptr);
        doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF0000, 0xFFFFFF, false, true, 1,
                     5, 10);
        start = Clock::now();
        ParseHTMLString(html, &doc, TReaderCallbacks());
        f.Parse = std::min(f.Parse, Ms(start));
        f.Scan = std::min(f.Scan, ScanMs(html));
    }
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    InitializeForms();
    InitHtmlEngine();
    TForm form(nullptr);
    form.SetBounds(0, 0, 700, 560);
    auto* viewer = new TPageViewer(&form);
    viewer->SetParent(&form);
    viewer->SetBounds(0, 0, 640, 500);
    viewer->SetBorderStyle(htNone);
    viewer->PaintPanelControl()->HandleNeeded();

    struct Case {
        const char* name;
        std::string html;
    } cases[] = {
        {"typical article (3 KB)", Article(3000)},
        {"long article (25 KB)", Article(25000)},
        {"1 MB page", Article(1000000)},
        {"4,000 paragraphs", Repeated(Paragraph(1), 4000)},
        {"1,000 lists of 4 items", Repeated(ListOf(1), 1000)},
    };
    for (const Case& c : cases) {
        const int r = c.html.size() > 200000 ? std::min(rounds, 2) : rounds;
        const TFigures f = Measure(viewer, c.html, r);
        std::printf("%-24s %8zu bytes: load+paint %8.2f ms (parse %7.2f, layout %7.2f, paint %6.2f); "
                    "scanner %6.2f ms, parse %.1fx the scanner\n",
                    c.name, c.html.size(), f.Whole, f.Parse, f.Layout, f.Paint, f.Scan, f.Parse / f.Scan);
    }
    return 0;
}
