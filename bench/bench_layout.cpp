// Document layout with the platform's fonts: a document of N words (default
// 40,000) in paragraphs of 60 words, with a font change and a link in each,
// laid out at 600 and 300 pixels, then the same at 2x the words; and one
// paragraph of all the words. Prints milliseconds per layout.
//   bench_layout.exe [N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/cp1251.h"
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
            if (i == 20) s->HRef(true, link, nullptr);
            if (i == 22) s->HRef(false, TUrlTarget{}, nullptr);
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

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 40000;
    for (int perParagraph : {60, 1 << 30}) {
        for (int scale : {1, 2}) {
            TSectionList doc(nullptr);
            Build(doc, n * scale, perParagraph);
            const double wide = LayoutMs(doc, 600), narrow = LayoutMs(doc, 300);
            std::printf("%s, %d words: %.2f ms at 600 px, %.2f ms at 300 px\n",
                        perParagraph == 60 ? "paragraphs of 60 words" : "one paragraph", n * scale, wide, narrow);
        }
    }
    return 0;
}
