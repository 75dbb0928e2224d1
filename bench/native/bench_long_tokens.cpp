// Pages that are one long token: preformatted lines, one style sheet, one
// word, an attribute value (closed, running to the end, unquoted), a script
// and a comment without their ends, at 64 KB, 1 MB and 16 MB. For each: the seconds to read and lay out
// at 640 pixels, the peak of the heap while doing it, and whether the page
// was cut at the document budget. This host's operator new keeps the heap
// meter, so the budget weighs what it would weigh in the program.
//   bench/native/build.sh bench/native/bench_long_tokens.cpp OUT_DIR [BUDGET_MB]
#include <malloc.h>

#include <algorithm>
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

std::string Page(int which, std::size_t bytes) {
    std::string page;
    page.reserve(bytes + 64);
    if (which == 0) {
        page = "<pre>";
        while (page.size() < bytes) page += "preformatted line\r\n";
    } else if (which == 1) {
        page = "<style>";
        for (int i = 0; page.size() < bytes; ++i) page += ".c" + std::to_string(i) + "{color:red}";
        page += "</style>x";
    } else if (which == 2) {
        page.assign(bytes, 'x');
    } else {
        const char* heads[] = {"<a title=\"", "<a title=\"", "<a title=", "<script>", "<!--"};
        page = heads[which - 3];
        page.append(bytes, 'x');
        if (which == 3) page += "\">x";
    }
    return page;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) gDocumentMemoryBudget = static_cast<std::size_t>(std::atoi(argv[1])) << 20;
    const char* names[] = {"<pre> lines", "<style>", "one word", "attr closed", "attr open", "attr bare",
                           "<script>", "<!--"};
    for (int which = 0; which < 8; ++which)
        for (std::size_t kb : {64, 1024, 16384}) {
            const std::string html = Page(which, kb * 1024);
            const std::size_t base = HeapBytesInUse();
            gPeak.store(base);
            const auto start = std::chrono::steady_clock::now();
            {
                TSectionList doc(nullptr);
                doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF0000, 0xFFFFFF, false,
                             true, 1, 5, 10);
                ParseHTMLString(html, &doc, TReaderCallbacks());
                int scrollWidth = 0, positions = 0;
                doc.DoLogic(nullptr, 0, 640, 500, 0, scrollWidth, positions);
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("%-12s %6zu KB: %7.2f s, peak %7.1f MB%s\n", names[which], kb, seconds,
                        static_cast<double>(gPeak.load() - base) / (1 << 20),
                        ReaderResults().CutShort ? " (cut at the budget)" : "");
            std::fflush(stdout);
        }
    return 0;
}
