// Native fuzz target for layout: any input the reader makes a document of
// must lay out, wide and narrow, without reading past its boxes, overflowing,
// hanging or taking time that grows faster than the page (libFuzzer's timeout
// and the stretch driver's catch a page that does). Text is measured with the
// engine's fixed glyph widths, the native build's screen measurer.
//
// Build with the host's clang:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I src fuzz/layout_fuzz.cpp \
//       src/html/*.cpp src/framework/classes.cpp src/framework/cp1251.cpp \
//       src/framework/sysutils_text.cpp -o layout_fuzz
#include <cstddef>
#include <cstdint>
#include <string>

#include "html/parser_entry.h"
#include "html/section_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TSectionList doc(nullptr);
    doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
    ParseHTMLString(text, &doc, TReaderCallbacks());
    // The window's width, then one narrow enough to wrap every word and stack
    // floats that stood side by side; the second layout reuses the first's
    // records as a resize does.
    for (int width : {640, 90}) {
        int scrollWidth = 0, positions = 0;
        doc.DoLogic(nullptr, 0, width, 500, 0, scrollWidth, positions);
    }
    return 0;
}
