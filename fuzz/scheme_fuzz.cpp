// Native fuzz target for the colour scheme reader: on any input it must either
// give a record whose every picture and name lies inside the input, or raise
// EReadError; and the BMP reader must end on every picture the record holds.
//
// Build with the host's clang (fuzz/run.sh does):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I src fuzz/scheme_fuzz.cpp \
//       src/shell/scheme_file.cpp src/framework/bitmap_file.cpp src/framework/streams.cpp \
//       src/framework/classes.cpp src/framework/sysutils_text.cpp -o scheme_fuzz
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/bitmap_file.h"
#include "framework/streams.h"
#include "shell/scheme_file.h"

namespace {

void CheckInside(std::string_view part, std::string_view whole) {
    if (part.empty()) return;
    if (part.data() < whole.data() || part.data() + part.size() > whole.data() + whole.size()) std::abort();
}

void Decode(std::string_view picture, std::string_view whole) {
    CheckInside(picture, whole);
    if (picture.empty()) return;
    TReadOnlyMemoryStream stream(picture.data(), static_cast<int64_t>(picture.size()));
    try {
        ReadBmpFile(&stream);
    } catch (const EInvalidGraphic&) {
    } catch (const EReadError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TSchemeFile scheme;
    try {
        scheme = ParseSchemeFile(bytes, "fuzz.sch");
    } catch (const EReadError&) {
        return 0;
    }
    if (scheme.PaletteCount < 0 || scheme.PaletteCount > kSchemePaletteRoom) std::abort();
    Decode(scheme.DockPicture, bytes);
    for (size_t i = 0; i < scheme.Buttons.size(); ++i) {
        const TSchemeButtonRecord& b = scheme.Buttons[i];
        if (b.NumGlyphs < 1 || b.NumGlyphs > kSchemeMaxGlyphs) std::abort();
        if (b.DisplayMode < 0 || b.DisplayMode >= kSchemeDisplayModes) std::abort();
        Decode(b.Glyph, bytes);
    }
    for (const auto* frame : {&scheme.TextFrame, &scheme.ListFrame})
        for (std::string_view part : *frame) Decode(part, bytes);
    for (int i = 0; i < 8; ++i)
        if (const TSchemeButtonRecord* b = SchemeButtonRecordFor(scheme, i)) CheckInside(b->Glyph, bytes);
    return 0;
}
