// Native fuzz target for the HTML scanner and the style sheet parser: they must
// end on any input without reading past it, hanging or recursing without bound.
//
// Build with the host's clang:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I src fuzz/html_fuzz.cpp \
//       src/html/*.cpp src/framework/classes.cpp src/framework/cp1251.cpp \
//       src/framework/sysutils_text.cpp -o html_fuzz
//   ./html_fuzz -runs=100000
#include <cstddef>
#include <cstdint>
#include <string>

#include "html/code_pages.h"
#include "html/html_scanner.h"
#include "html/style_parser.h"
#include "html/urls.h"

namespace {

struct NullStyles : TStyleRuleSink {
    int seq = 10;
    std::string GetSeqNo() override { return std::to_string(seq++); }
    void AddModifyProp(const std::string&, const std::string&, const std::string&) override {}
};

struct NullProps : TPropertySink {
    void AddPropertyByName(const std::string&, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the code page of text, the rest is the document.
    static const int kCodePages[] = {1251, 1252, CP_UTF8_PAGE, 1250};
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    THtmlScanner scanner;
    scanner.CodePage = kCodePages[data[0] % 4];
    scanner.OnInclude = [](TObject*, const std::string&, std::vector<std::string>, std::string& out) {
        out = "<b>&amp;<!--#x-->";
    };
    scanner.Start(text);
    NullStyles styles;
    size_t tokens = 0;
    do {
        scanner.NextToken();
        if (scanner.Sy == StyleSy) {
            TScannerStyleSource source(scanner);
            char ch = scanner.LCh;
            DoStyle(styles, ch, source, "");
        }
        if (++tokens > text.size() * 8 + 100000) __builtin_trap();  // no end in sight
    } while (scanner.Sy != EofSy);

    TStringStyleSource sheet(text);
    char ch = sheet.Next();
    DoStyle(styles, ch, sheet, (data[0] & 1) ? "http://host/css/" : "c:\\site\\");
    NullProps props;
    ParsePropertyStr(text, props);
    (void)Combine("http://host/a/b/", text);
    (void)HTMLToDos(text);
    return 0;
}
