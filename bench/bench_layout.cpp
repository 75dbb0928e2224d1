// Document layout with the platform's fonts: a document of N words (default
// 40,000) in paragraphs of 60 words, with a font change and a link in each,
// laid out at 600 and 300 pixels, then the same at 2x the words; and one
// paragraph of all the words. Then a block-heavy page read from HTML: G
// groups (default 500) of nested DIVs with margins, padding and borders,
// blockquotes and nested lists, about 9 blocks each, and a DIV nest 40 deep,
// at 1x and 2x the groups. Then F paragraphs (default 2,000) with two
// floated 200-pixel pictures each, which stack at 300 pixels and stand side
// by side at 600, at 1x and 2x. Prints milliseconds per layout. Last, the
// cost curve of hostile pages, one construct repeated from 256 KB to M MB
// (default 4): narrow floats side by side, 600-pixel floats side by side and
// stacked one per line, form controls in one paragraph, one map area's
// COORDS; reading and layout at 640 pixels in seconds per MB, flat when both
// are linear.
//   bench_layout.exe [N [G [F [M]]]]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_pages.h"
#include "framework/cp1251.h"
#include "html/block.h"
#include "html/html_startup.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/text_section.h"

namespace {

using Clock = std::chrono::steady_clock;

TFontDesc Arial(int height, int weight = 400) {
    TFontDesc d;
    d.Face = L"Arial";
    d.Height = height;
    d.Weight = weight;
    return d;
}

void Build(TSectionList& doc, int words, int perParagraph) {
    const std::wstring pool[] = {L"layout ", L"the ", L"measurement ", L"of ", L"text ",
                                 Utf8ToWide("словарь "), Utf8ToWide("термин "), Utf8ToWide("и ")};
    int source = 0;
    for (int w = 0; w < words;) {
        auto* s = new TSection(&doc);
        s->SetRunFont(Arial(-16), 0, 0x1FFFFFFF);
        TUrlTarget link;
        link.Assign("page.htm", "");
        for (int i = 0; i < perParagraph && w < words; ++i, ++w) {
            if (i == 10) s->SetRunFont(Arial(-16, 700), 0, 0x1FFFFFFF);
            if (i == 12) s->SetRunFont(Arial(-16), 0, 0x1FFFFFFF);
            if (i == 20) s->HRef(true, link, TLinkFonts());
            if (i == 22) s->HRef(false, TUrlTarget{}, TLinkFonts());
            const std::wstring& word = pool[(w * 7) % 8];
            s->AddText(word, source);
            source += static_cast<int>(word.size());
        }
        doc.Add(s);
    }
}

double LayoutMs(TSectionList& doc, int width) {
    int scrollWidth = 0, pos = 0;
    doc.DoLogic(nullptr, 0, width, 800, 0, scrollWidth, pos);  // warm the advance tables
    const int rounds = 5;
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        pos = 0;
        doc.DoLogic(nullptr, 0, width, 800, 0, scrollWidth, pos);
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / rounds;
}

// Nested boxes the way articles and their styles make them.
std::string BlockPage(int groups) {
    std::string html = "<html><body>";
    for (int g = 0; g < groups; ++g) {
        html += "<div style=\"margin: 6px 4px; padding: 3px; border: 1px solid #808080\">"
                "<h3>Section " + std::to_string(g) + "</h3>"
                "<blockquote><p>A quoted paragraph of the dictionary with <b>bold</b> and <i>italic</i> words "
                "that wraps over a few lines at the narrow width.</p>"
                "<ul><li>First item of the list<ol><li>numbered one</li><li>numbered two</li></ol></li>"
                "<li>Second item with <a href=\"#x\">a link</a></li></ul></blockquote>"
                "<div style=\"float: left; width: 80px; padding: 2px\">floating note</div>"
                "<p style=\"text-indent: 2em\">After the float the text flows beside it and then below it "
                "again.</p></div>";
        if (g % 100 == 0) {
            for (int d = 0; d < 40; ++d) html += "<div style=\"margin-left: 2px\">";
            html += "deep";
            for (int d = 0; d < 40; ++d) html += "</div>";
        }
    }
    return html + "</body></html>";
}

int CountBlocks(const TCellBasic& cell) {
    int n = 0;
    for (int i = 0; i < cell.Count(); ++i)
        if (auto* b = dynamic_cast<TBlock*>(cell.Section(i))) n += 1 + CountBlocks(*b->ChildCell);
    return n;
}

void BlockBench(int groups) {
    InitHtmlEngine();
    for (int scale : {1, 2}) {
        TSectionList doc(nullptr);
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 8);
        const std::string html = BlockPage(groups * scale);
        const auto start = Clock::now();
        ParseHTMLString(html, &doc, {});
        const double parse = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const double wide = LayoutMs(doc, 600), narrow = LayoutMs(doc, 300);
        std::printf("blocks: %d groups, %d blocks, %zu KB: read %.2f ms; layout %.2f ms at 600 px, %.2f ms at 300 px\n",
                    groups * scale, CountBlocks(doc), html.size() / 1024, parse, wide, narrow);
        doc.Clear();
    }
}

// Floated pictures down a long page; at the narrow width each second one
// goes down under the first.
void FloatBench(int paragraphs) {
    InitHtmlEngine();
    for (int scale : {1, 2}) {
        TSectionList doc(nullptr);
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 8);
        std::string html = "<html><body>";
        for (int p = 0; p < paragraphs * scale; ++p)
            html += "<p><img src=a.gif width=200 height=30 align=left><img src=b.gif width=200 height=30 align=" +
                    std::string(p % 2 ? "left" : "right") + ">A paragraph beside its pictures.</p>";
        ParseHTMLString(html + "</body></html>", &doc, {});
        doc.DisplayImages = false;  // the boxes' sizes are given; no files are read
        const double wide = LayoutMs(doc, 600), narrow = LayoutMs(doc, 300);
        std::printf("floats: %d paragraphs of two: layout %.2f ms at 600 px, %.2f ms at 300 px\n",
                    paragraphs * scale, wide, narrow);
        doc.Clear();
    }
}

void HostileCurve(int largestMb) {
    InitHtmlEngine();
    const char* names[] = {"floats", "wide floats", "stacked floats", "controls", "coordinates"};
    for (int which = 0; which < 5; ++which)
        for (size_t kb = 256; kb <= size_t(largestMb) * 1024; kb *= 4) {
            const std::string html = bench_pages::Hostile(which, kb * 1024);
            TSectionList doc(nullptr);
            doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 8);
            doc.DisplayImages = false;
            auto start = Clock::now();
            ParseHTMLString(html, &doc, {});
            const double read = std::chrono::duration<double>(Clock::now() - start).count();
            int scrollWidth = 0, pos = 0;
            start = Clock::now();
            doc.DoLogic(nullptr, 0, 640, 800, 0, scrollWidth, pos);
            const double layout = std::chrono::duration<double>(Clock::now() - start).count();
            const double mb = static_cast<double>(html.size()) / (1 << 20);
            std::printf("hostile %-14s %5zu KB: read %.3f s/MB, layout %.3f s/MB\n", names[which], kb, read / mb,
                        layout / mb);
            std::fflush(stdout);
            doc.Clear();
        }
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 40000;
    const int groups = argc > 2 ? std::atoi(argv[2]) : 500;
    const int floats = argc > 3 ? std::atoi(argv[3]) : 2000;
    const int largestMb = argc > 4 ? std::atoi(argv[4]) : 4;
    for (int perParagraph : {60, 1 << 30}) {
        for (int scale : {1, 2}) {
            TSectionList doc(nullptr);
            Build(doc, n * scale, perParagraph);
            const double wide = LayoutMs(doc, 600), narrow = LayoutMs(doc, 300);
            std::printf("%s, %d words: %.2f ms at 600 px, %.2f ms at 300 px\n",
                        perParagraph == 60 ? "paragraphs of 60 words" : "one paragraph", n * scale, wide, narrow);
        }
    }
    BlockBench(groups);
    FloatBench(floats);
    HostileCurve(largestMb);
    return 0;
}
