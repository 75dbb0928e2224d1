// The HTML reader natively, with the engine's fixed glyph widths: the same
// pages as bench_viewer (a typical 3 KB article, a 25 KB one, a 1 MB page),
// the scanner alone over the same bytes, the reader, and one layout at 640
// pixels. Prints milliseconds (the best of a few rounds) and the reader's
// time as a multiple of the scanner's. Built with the host's compiler, so a
// native profiler can look into it:
//   bench/native/run.sh [OUT_DIR]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/cp1251.h"
#include "html/html_scanner.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/style_parser.h"

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

// The viewer benchmark's article: a term, paragraphs, a list after every third.
std::string Article(size_t bytes) {
    std::string html = kHead + Utf8ToAnsi("<p class=term><b>Сеть передачи данных</b></p>");
    for (int n = 1; html.size() < bytes; ++n) {
        html += Paragraph(n);
        if (n % 3 == 0) html += ListOf(n);
    }
    return html + "</BODY></HTML>";
}

struct TNullStyles : TStyleRuleSink {
    int Seq = 10;
    std::string GetSeqNo() override { return std::to_string(Seq++); }
    void AddModifyProp(const std::string&, const std::string&, const std::string&) override {}
};

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

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const struct {
        const char* name;
        size_t bytes;
    } cases[] = {{"typical article (3 KB)", 3000}, {"long article (25 KB)", 25000}, {"1 MB page", 1000000}};
    for (const auto& c : cases) {
        const std::string html = Article(c.bytes);
        double scan = 1e30, parse = 1e30, layout = 1e30;
        for (int r = 0; r < rounds; ++r) {
            scan = std::min(scan, ScanMs(html));
            TSectionList doc(nullptr);
            doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF0000, 0xFFFFFF, false, true,
                         1, 5, 10);
            auto start = Clock::now();
            ParseHTMLString(html, &doc, TReaderCallbacks());
            parse = std::min(parse, Ms(start));
            int scrollWidth = 0, positions = 0;
            start = Clock::now();
            doc.DoLogic(nullptr, 0, 640, 500, 0, scrollWidth, positions);
            layout = std::min(layout, Ms(start));
        }
        std::printf("%-24s %8zu bytes: scanner %7.3f ms, reader %8.3f ms (%.1fx the scanner), layout %7.3f ms\n",
                    c.name, html.size(), scan, parse, parse / scan, layout);
    }
    return 0;
}
