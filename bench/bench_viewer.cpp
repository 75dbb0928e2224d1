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
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/win.h"
#include "html/html_scanner.h"
#include "html/html_startup.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/style_parser.h"
#include "viewer/page_viewer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

const char kHead[] =
    "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
    "<TITLE>Article</TITLE><STYLE type=\"text/css\">"
    "BODY { margin-left: 10px; margin-right: 10px; }\n"
    "P { margin-top: 4px; margin-bottom: 4px; text-align: justify; }\n"
    "P.term { font-size: 150%; color: #7A2E00; margin-bottom: 10px; }\n"
    "SPAN.syn { font-size: 80%; font-style: italic; color: #555555; }\n"
    "TT { font-family: \"Courier New\"; color: #003C78; }\n"
    "LI { margin-top: 2px; }\n"
    "</STYLE></HEAD><BODY>";

std::string Paragraph(int n) {
    return Utf8ToAnsi("<p>Термин <b>номер " + std::to_string(n) +
                      "</b> означает способ передачи данных между узлами сети, при котором каждый пакет несёт "
                      "<i>адрес получателя</i> и проходит через <a href=\"#t" +
                      std::to_string(n) + "\">несколько</a> промежуточных узлов.</p>\r\n");
}

std::string ListOf(int n) {
    std::string html = "<ul>";
    for (int i = 0; i < 4; ++i)
        html += Utf8ToAnsi("<li>Пункт " + std::to_string(n) + "." + std::to_string(i) +
                           ": <tt>протокол</tt> и <span class=syn>синоним</span></li>");
    return html + "</ul>\r\n";
}

// About `bytes` of article: a term, paragraphs, and a list after every third.
std::string Article(size_t bytes) {
    std::string html = kHead + Utf8ToAnsi("<p class=term><b>Сеть передачи данных</b></p>");
    for (int n = 1; html.size() < bytes; ++n) {
        html += Paragraph(n);
        if (n % 3 == 0) html += ListOf(n);
    }
    return html + "</BODY></HTML>";
}

std::string Repeated(const std::string& part, int count) {
    std::string html = kHead;
    for (int i = 0; i < count; ++i) html += part;
    return html + "</BODY></HTML>";
}

struct TFigures {
    double Whole = 1e30, Parse = 1e30, Layout = 1e30, Paint = 1e30, Scan = 1e30;
};

// Style rules go nowhere: the scanner's share of reading a STYLE element.
struct TNullStyles : TStyleRuleSink {
    int Seq = 10;
    std::string GetSeqNo() override { return std::to_string(Seq++); }
    void AddModifyProp(const std::string&, const std::string&, const std::string&) override {}
};

// Every token of the page, as the reader asks for them.
double ScanMs(const std::string& html) {
    THtmlScanner scanner;
    TNullStyles styles;
    const auto start = Clock::now();
    scanner.Start(html);
    do {
        scanner.NextToken();
        if (scanner.Sy == StyleSy) {
            TScannerStyleSource source(scanner);
            char ch = scanner.LCh;
            DoStyle(styles, ch, source, "");
        }
    } while (scanner.Sy != EofSy);
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
