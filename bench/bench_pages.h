// The pages the reader benchmarks read, built the same way in the Windows and
// the native benchmark: articles with a head of styles, paragraphs, lists and
// links as the dictionary's articles have, in code page 1251; and the scanner
// alone over a page, as the reader asks it for tokens.
#pragma once

#include <cstddef>
#include <string>

#include "framework/cp1251.h"
#include "html/html_scanner.h"
#include "html/style_parser.h"

namespace bench_pages {

inline const char kHead[] =
    "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
    "<TITLE>Article</TITLE><STYLE type=\"text/css\">"
    "BODY { margin-left: 10px; margin-right: 10px; }\n"
    "P { margin-top: 4px; margin-bottom: 4px; text-align: justify; }\n"
    "P.term { font-size: 150%; color: #7A2E00; margin-bottom: 10px; }\n"
    "SPAN.syn { font-size: 80%; font-style: italic; color: #555555; }\n"
    "TT { font-family: \"Courier New\"; color: #003C78; }\n"
    "LI { margin-top: 2px; }\n"
    "</STYLE></HEAD><BODY>";

// About `bytes` of one construct repeated: a page made to find costs that grow
// faster than the input (narrow floats, wide floats, floats one per line, form
// controls in one paragraph, image-map coordinates).
inline std::string Hostile(int which, size_t bytes) {
    std::string html = "<html><body>";
    if (which == 4) html += "<map name=m><area shape=poly href=a.htm coords=\"";
    const char* unit[] = {"<div style=\"float:left;width:1px;height:1px\">x</div>",
                          "<div style=\"float:left;width:600px;height:1px\">x</div>",
                          "<div style=\"float:left;width:600px;height:1px\">x</div>y", "<input>", "1,2,"};
    const std::string piece = unit[which];
    while (html.size() < bytes) html += piece;
    if (which == 4) html += "\"></map><img src=a.gif width=10 height=10 usemap=#m>";
    return html + "</body></html>";
}

inline std::string Paragraph(int n) {
    return Utf8ToAnsi("<p>Термин <b>номер " + std::to_string(n) +
                      "</b> означает способ передачи данных между узлами сети, при котором каждый пакет несёт "
                      "<i>адрес получателя</i> и проходит через <a href=\"#t" +
                      std::to_string(n) + "\">несколько</a> промежуточных узлов.</p>\r\n");
}

inline std::string ListOf(int n) {
    std::string html = "<ul>";
    for (int i = 0; i < 4; ++i)
        html += Utf8ToAnsi("<li>Пункт " + std::to_string(n) + "." + std::to_string(i) +
                           ": <tt>протокол</tt> и <span class=syn>синоним</span></li>");
    return html + "</ul>\r\n";
}

// About `bytes` of article: a term, paragraphs, and a list after every third.
inline std::string Article(size_t bytes) {
    std::string html = kHead + Utf8ToAnsi("<p class=term><b>Сеть передачи данных</b></p>");
    for (int n = 1; html.size() < bytes; ++n) {
        html += Paragraph(n);
        if (n % 3 == 0) html += ListOf(n);
    }
    return html + "</BODY></HTML>";
}

// Style rules go nowhere: the scanner's share of reading a STYLE element.
struct TNullStyles : TStyleRuleSink {
    int Seq = 10;
    std::string GetSeqNo() override { return std::to_string(Seq++); }
    void AddModifyProp(const std::string&, const std::string&, const std::string&) override {}
};

// Every token of the page, STYLE elements read; the number of tokens.
inline size_t ScanAll(const std::string& html) {
    THtmlScanner scanner;
    TNullStyles styles;
    scanner.Start(html);
    size_t tokens = 0;
    do {
        scanner.NextToken();
        if (scanner.Sy == StyleSy) {
            TScannerStyleSource source(scanner);
            char ch = scanner.LCh;
            DoStyle(styles, ch, source, "");
        }
        ++tokens;
    } while (scanner.Sy != EofSy);
    return tokens;
}

}  // namespace bench_pages
