// Scanner throughput: tokens of a large HTML page, entities and numeric
// references resolved, in megabytes per second (best of five runs).
//   bench_scanner.exe [FILE]
// Without a file the page is made here: 20 MB of markup far denser in tags,
// entities and numeric references than an article (a token every ten bytes),
// a worst case; `python3 tools/make_dictionary.py --big-html BYTES FILE`
// writes a page of the dictionary's own articles.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "bench_pages.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string MakePage(size_t bytes) {
    const std::string article =
        "<a name=\"t1\"></a><P CLASS=term><B>\xCF\xC0\xCA\xC5\xD2</B> (packet) &mdash; "
        "<I>\xE1\xEB\xEE\xEA \xE4\xE0\xED\xED\xFB\xF5</I>, &laquo;\xF1\xE5\xF2\xFC&raquo; &#1057;&#x421; &amp; "
        "<A HREF=\"#t2\" target=_blank>\xF3\xE7\xE5\xEB</A>&nbsp;<FONT COLOR=#800000 SIZE=+1>x&lt;y</FONT>"
        "<!-- note --><TABLE BORDER=1 WIDTH=\"100%\"><TR><TD ALIGN=left>1</TD><TD>2&copy;</TD></TR></TABLE>"
        "<SPAN STYLE=\"color: red; margin-left: 2em\">\xF2\xE5\xEA\xF1\xF2</SPAN><BR>\r\n";
    std::string page = "<HTML><HEAD><STYLE>p.term { margin: 0 } a:hover { color: #ff0000 }</STYLE></HEAD><BODY>\r\n";
    while (page.size() + article.size() < bytes) page += article;
    return page + "</BODY></HTML>\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::string text;
    if (argc > 1) {
        std::ifstream file(argv[1], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", argv[1]);
            return 1;
        }
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } else {
        text = MakePage(20u << 20);
    }
    double best = 1e30;
    size_t tokens = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        tokens = bench_pages::ScanAll(text);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds < best) best = seconds;
    }
    const double mb = static_cast<double>(text.size()) / (1024.0 * 1024.0);
    std::printf("scanner: %.1f MB, %zu tokens, best of 5 %.3f s, %.1f MB/s\n", mb, tokens, best, mb / best);
    return 0;
}
