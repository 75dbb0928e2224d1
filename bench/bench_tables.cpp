// Table layout with the platform's fonts: a page of one table of 500 rows by
// 8 columns (a COLSPAN and a ROWSPAN every 50 rows), and a page of 40 tables
// nested 4 deep with text in every level, each laid out at 800 and 400
// pixels. Prints the time to read each page and milliseconds per layout.
//   bench_tables.exe [rows]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "html/parser_entry.h"
#include "html/section_list.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

std::string BigTable(int rows) {
    std::string html = "<table border=1 width=100%>";
    for (int r = 0; r < rows; ++r) {
        html += r % 2 ? "<tr bgcolor=#F0F0FF>" : "<tr>";
        for (int c = 0; c < 8; ++c) {
            if (r % 50 == 1 && c == 0) {
                html += "<td colspan=2>spanning two columns";
                ++c;
                continue;
            }
            if (r % 50 == 2 && c == 7) continue;  // under the ROWSPAN above
            html += r % 50 == 1 && c == 7 ? "<td rowspan=2>" : "<td>";
            html += "cell " + std::to_string(r) + "." + std::to_string(c) + " term and its text";
        }
    }
    return html + "</table>";
}

std::string Nested(int tables, int depth) {
    std::string html;
    for (int t = 0; t < tables; ++t) {
        for (int d = 0; d < depth; ++d) html += "<table border=1 cellpadding=2><tr><td>level " + std::to_string(d) + "<td>";
        html += "the innermost text of a nested table";
        for (int d = 0; d < depth; ++d) html += "</table>";
    }
    return html;
}

void Run(const char* name, const std::string& html) {
    TSectionList doc(nullptr);
    doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
    auto start = Clock::now();
    ParseHTMLString(html, &doc, {});
    const double read = Ms(start);
    int scrollWidth = 0, pos = 0;
    doc.DoLogic(nullptr, 0, 800, 800, 0, scrollWidth, pos);  // warm the advance tables
    double at[2];
    int i = 0;
    for (int width : {800, 400}) {
        const int rounds = 5;
        start = Clock::now();
        for (int k = 0; k < rounds; ++k) {
            pos = 0;
            doc.DoLogic(nullptr, 0, width, 800, 0, scrollWidth, pos);
        }
        at[i++] = Ms(start) / rounds;
    }
    std::printf("%s: read %.2f ms; layout %.2f ms at 800 px, %.2f ms at 400 px\n", name, read, at[0], at[1]);
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 500;
    Run((std::to_string(rows) + " rows x 8 columns").c_str(), BigTable(rows));
    Run("40 tables nested 4 deep", Nested(40, 4));
    return 0;
}
