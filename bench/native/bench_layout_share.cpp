// What a page takes after layout, beside what its reading took, for pages
// the reader stops at its share of the document budget: paragraphs,
// preformatted lines, floats that do not fit side by side, tables, long
// words, many small elements and line breaks, at 1 MB and 16 MB laid out at 640 pixels
// or a width given.
// The heap is counted by this host's operator new, as the program counts it,
// so the reader stops where it would stop in the program. Prints the heap's
// peak while reading and after layout, above what was in use before, against
// the budget.
//   bench/native/layout_share.sh [PAGE|all] [WIDTH]
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "counting_heap.h"
#include "framework/small_heap.h"
#include "html/html_parser.h"
#include "html/parser_entry.h"
#include "html/section_list.h"

namespace {

struct TPage {
    const char* Name;
    const char* Head;
    const char* Unit;
};

const TPage kPages[] = {
    {"paragraphs", "", "<p>a paragraph of a few words of ordinary text</p>"},
    {"<pre> lines", "<pre>", "preformatted line\r\n"},
    {"float pairs", "",
     "<div style=\"float:left;width:400px;height:10px\">x</div>"
     "<div style=\"float:right;width:400px;height:10px\">x</div>"},
    {"table cells", "<table>", "<tr><td>a</td><td>b</td><td>c</td></tr>"},
    {"long words", "", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx "},
    {"small elements", "", "<b>x</b><i>y</i> "},
    {"words", "", "word "},
    {"line breaks", "", "x<br>"},
};

}  // namespace

// Arguments: a page's name or "all", and the width to lay out at (640 by
// default; a narrow pane makes a line of every word).
int main(int argc, char** argv) {
    const int width = argc > 2 ? std::atoi(argv[2]) : 640;
    const std::size_t mbs[] = {1, 16};
    const std::size_t budget = gDocumentMemoryBudget >> 20;
    for (const TPage& page : kPages) {
        if (argc > 1 && std::string(argv[1]) != "all" && std::string(argv[1]) != page.Name) continue;
        for (std::size_t mb : mbs) {
            std::string html = std::string("<html><body>") + page.Head;
            html.reserve((mb << 20) + 64);
            while (html.size() < (mb << 20)) html += page.Unit;
            const std::size_t base = HeapBytesInUse();
            gPeak.store(base);
            double readPeak = 0, read = 0, layoutPeak = 0, after = 0;
            bool cut = false;
            const auto start = std::chrono::steady_clock::now();
            {
                TSectionList doc(nullptr);
                doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF0000, 0xFFFFFF, false,
                             true, 1, 5, 10);
                ParseHTMLString(html, &doc, TReaderCallbacks());
                cut = ReaderResults().CutShort;
                readPeak = static_cast<double>(gPeak.load() - base) / (1 << 20);
                read = static_cast<double>(HeapBytesInUse() - base) / (1 << 20);
                int scrollWidth = 0, positions = 0;
                doc.DoLogic(nullptr, 0, width, 500, 0, scrollWidth, positions);
                layoutPeak = static_cast<double>(gPeak.load() - base) / (1 << 20);
                after = static_cast<double>(HeapBytesInUse() - base) / (1 << 20);
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("%-15s %3zu MB at %d px: %6.2f s, read %6.1f MB (peak %6.1f), laid out %6.1f MB (peak %6.1f) of "
                        "%zu%s%s\n",
                        page.Name, mb, width, seconds, read, readPeak, after, layoutPeak, budget, cut ? ", cut" : "",
                        layoutPeak > static_cast<double>(budget) ? "  OVER THE BUDGET" : "");
            std::fflush(stdout);
        }
    }
    return 0;
}
