// Native fuzz target for the HTML reader and its entries: any input must
// build a document (or part of one) without reading past the input, hanging,
// overflowing the stack or leaving reader state behind.
//
// Build with the host's clang:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I src fuzz/parser_fuzz.cpp \
//       src/html/*.cpp src/framework/classes.cpp src/framework/cp1251.cpp \
//       src/framework/sysutils_text.cpp -o parser_fuzz
#include <cstddef>
#include <cstdint>
#include <string>

#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/style_props.h"

namespace {

struct NullFrames : TFrameViewerBase {
    void AddFrame(TObject*, TAttributeList*, const std::string&) override {}
    TObject* CreateSubFrameSet(TObject* frameSet) override { return frameSet; }
    void DoAttributes(TObject*, TAttributeList*) override {}
    void EndFrameSet(TObject*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TSectionList doc(nullptr);
    doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
    TReaderCallbacks callbacks;
    callbacks.OnInclude = [](TObject*, const std::string&, std::vector<std::string>, std::string& out) {
        out = "<b>&amp;<!--#x-->";
    };
    ParseHTMLString(text, &doc, callbacks);
    if (PropStack.Count() != 0) __builtin_trap();
    TSectionList plain(nullptr);
    ParseTextString(text, &plain);
    NullFrames frames;
    TObject top;
    FrameParseString(&frames, &top, lsString, "", text, {});
    (void)IsFrameString(lsString, "", text, nullptr);
    return 0;
}
