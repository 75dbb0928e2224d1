#include "html/text_measure.h"

#include <array>
#include <stdexcept>

#include "html/layout_types.h"

#ifdef _WIN32
std::unique_ptr<TGlyphSource> MakeScreenGlyphSource();  // text_measure_gdi.cpp
#endif

size_t TFontDescHash::operator()(const TFontDesc& d) const noexcept {
    size_t h = std::hash<std::wstring>()(d.Face.str());
    auto mix = [&h](size_t v) { h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2); };
    mix(static_cast<size_t>(static_cast<unsigned>(d.Height)));
    mix(static_cast<size_t>(d.Weight));
    mix((d.Italic ? 1u : 0u) | (d.Underline ? 2u : 0u) | (d.StrikeOut ? 4u : 0u) | (unsigned{d.Charset} << 3));
    return h;
}

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point at text[i] and the units it takes; a lone surrogate stands
// for itself.
char32_t CodePointAt(std::wstring_view text, size_t i, size_t& units) {
    const wchar_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        units = 2;
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
    }
    units = 1;
    return static_cast<char32_t>(static_cast<uint16_t>(c));
}

uint64_t NextMeasurerSerial() {
    static uint64_t last = 0;
    return ++last;
}

}  // namespace

TTextMeasurer::TTextMeasurer() : FSerial(NextMeasurerSerial()) {}

void TTextMeasurer::Renumber() { FSerial = NextMeasurerSerial(); }

int TTextMeasurer::Extent(TFontId font, std::wstring_view text, int extra) {
    ++FCounters.Calls;
    FCounters.Characters += static_cast<int64_t>(text.size());
    return SaturateY(SumAdvances(font, text, extra));
}

int64_t TTextMeasurer::SumAdvances(TFontId font, std::wstring_view text, int extra) {
    int64_t width = 0;
    for (size_t i = 0, units = 0; i < text.size(); i += units)
        width += Advance(font, CodePointAt(text, i, units)) + extra;
    return width;
}

TFitResult TTextMeasurer::Fit(TFontId font, std::wstring_view text, int maxWidth, int extra) {
    ++FCounters.Calls;
    int64_t width = 0;
    size_t i = 0, units = 0;
    for (; i < text.size(); i += units) {
        const int64_t next = width + Advance(font, CodePointAt(text, i, units)) + extra;
        if (next > maxWidth) {
            FCounters.Characters += static_cast<int64_t>(units);
            break;
        }
        width = next;
    }
    FCounters.Characters += static_cast<int64_t>(i);
    return {static_cast<int>(i), SaturateY(width)};
}

void TTextMeasurer::Advances(TFontId font, std::wstring_view text, std::span<int> out, int extra) {
    ++FCounters.Calls;
    FCounters.Characters += static_cast<int64_t>(text.size());
    if (out.size() < text.size()) throw std::out_of_range("TTextMeasurer::Advances: output too short");
    for (size_t i = 0, units = 0; i < text.size(); i += units) {
        out[i] = Advance(font, CodePointAt(text, i, units)) + extra;
        if (units == 2) out[i + 1] = 0;
    }
}

// Advances of the basic plane in pages of 256; the rare code points above it
// in a map.
struct TTableMeasurer::TFontEntry {
    static constexpr int PageCount = 0x10000 / 256;
    using Page = std::array<int, 256>;

    TFontDesc Desc;
    TFontMetrics Metrics;
    std::array<std::unique_ptr<Page>, PageCount> Pages;
    std::unordered_map<char32_t, int> Supplementary;
};

TTableMeasurer::TTableMeasurer(std::unique_ptr<TGlyphSource> source) : FSource(std::move(source)) {
    FRecent.fill(-1);
    FPageCodes.resize(256);
}

TTableMeasurer::~TTableMeasurer() { Clear(); }

void TTableMeasurer::Clear() {
    Renumber();
    FFonts.clear();
    FIds.clear();
    FRecent.fill(-1);
    FSource->CloseFonts();
}

namespace {

// The face last: the numbers tell most fonts of a page apart.
bool SameFont(const TFontDesc& a, const TFontDesc& b) {
    return a.Height == b.Height && a.Weight == b.Weight && a.Italic == b.Italic && a.Underline == b.Underline &&
           a.StrikeOut == b.StrikeOut && a.Charset == b.Charset && a.Face == b.Face;
}

}  // namespace

TFontId TTableMeasurer::Font(const TFontDesc& desc) {
    for (TFontId recent : FRecent)
        if (recent >= 0 && SameFont(FFonts[static_cast<size_t>(recent)]->Desc, desc)) return recent;
    const TFontId id = FindOrOpen(desc);
    FRecent[FRecentNext] = id;
    FRecentNext = (FRecentNext + 1) % FRecent.size();
    return id;
}

TFontId TTableMeasurer::FindOrOpen(const TFontDesc& desc) {
    if (auto it = FIds.find(desc); it != FIds.end()) return it->second;
    const TFontId id = static_cast<TFontId>(FFonts.size());
    auto entry = std::make_unique<TFontEntry>();
    entry->Desc = desc;
    entry->Metrics = FSource->OpenFont(id, desc);
    FFonts.push_back(std::move(entry));
    FIds.emplace(desc, id);
    return id;
}

TTableMeasurer::TFontEntry& TTableMeasurer::Entry(TFontId font) {
    if (font < 0 || font >= static_cast<TFontId>(FFonts.size()))
        throw std::out_of_range("TTableMeasurer: unknown font id");
    return *FFonts[static_cast<size_t>(font)];
}

const TFontDesc& TTableMeasurer::Description(TFontId font) const {
    if (font < 0 || font >= static_cast<TFontId>(FFonts.size()))
        throw std::out_of_range("TTableMeasurer: unknown font id");
    return FFonts[static_cast<size_t>(font)]->Desc;
}

const TFontMetrics& TTableMeasurer::Metrics(TFontId font) { return Entry(font).Metrics; }

int TTableMeasurer::Advance(TFontId font, char32_t cp) {
    TFontEntry& entry = Entry(font);
    if (cp >= 0x10000) {
        if (auto it = entry.Supplementary.find(cp); it != entry.Supplementary.end()) return it->second;
        int advance = 0;
        FSource->MeasureAdvances(font, std::span(&cp, 1), std::span(&advance, 1));
        entry.Supplementary.emplace(cp, advance);
        return advance;
    }
    auto& page = entry.Pages[cp >> 8];
    if (!page) {
        auto filled = std::make_unique<TFontEntry::Page>();
        const char32_t first = cp & ~char32_t{0xFF};
        for (char32_t k = 0; k < 256; ++k) FPageCodes[k] = first + k;
        FSource->MeasureAdvances(font, FPageCodes, *filled);
        page = std::move(filled);
    }
    int& advance = (*page)[cp & 0xFF];
    if (advance == TGlyphSource::DeferredAdvance) FSource->MeasureAdvances(font, std::span(&cp, 1), std::span(&advance, 1));
    return advance;
}

// Text is measured a character at a time: the table is read in place, and
// only a page not yet measured (or a code point beyond it) goes the long way.
int64_t TTableMeasurer::SumAdvances(TFontId font, std::wstring_view text, int extra) {
    TFontEntry& entry = Entry(font);
    int64_t width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<uint16_t>(text[i]);
        if (const TFontEntry::Page* page = entry.Pages[c >> 8].get(); page && (c < 0xD800 || c > 0xDFFF)) {
            if (const int advance = (*page)[c & 0xFF]; advance != TGlyphSource::DeferredAdvance) {
                width += advance + extra;
                continue;
            }
        }
        size_t units = 0;
        width += Advance(font, CodePointAt(text, i, units)) + extra;
        i += units - 1;
    }
    return width;
}

// ---- the fixed widths of tests and the native build

int TFakeGlyphSource::AdvanceOf(const TFontDesc& desc, char32_t cp) {
    int units;  // in sixteenths of the height
    if (cp < 32 || (cp >= 0x7F && cp < 0xA0))
        return 0;
    else if (cp == 32 || cp == 0xA0)
        units = 4;
    else if (cp >= '0' && cp <= '9')
        units = 8;
    else if (cp >= 'a' && cp <= 'z')
        units = 8;
    else if (cp >= 'A' && cp <= 'Z')
        units = 10;
    else if (cp < 0x80)
        units = 4;
    else if (cp >= 0x400 && cp <= 0x4FF)
        units = 9;
    else
        units = 16;
    const int height = desc.Height < 0 ? -desc.Height : desc.Height;
    return units * height / 16 + (desc.Weight >= 600 ? 1 : 0);
}

TFontMetrics TFakeGlyphSource::OpenFont(TFontId font, const TFontDesc& desc) {
    ++OpenCalls;
    if (font != static_cast<TFontId>(FFonts.size())) throw std::logic_error("TFakeGlyphSource: fonts out of order");
    FFonts.push_back(desc);
    const int height = desc.Height < 0 ? -desc.Height : desc.Height;
    TFontMetrics m;
    m.Ascent = height * 13 / 16;
    m.Descent = height - m.Ascent;
    m.Height = height;
    m.AveCharWidth = height / 2;
    m.MaxCharWidth = height;
    return m;
}

void TFakeGlyphSource::MeasureAdvances(TFontId font, std::span<const char32_t> codePoints, std::span<int> advances) {
    ++MeasureCalls;
    CodePointsMeasured += static_cast<int64_t>(codePoints.size());
    const TFontDesc& desc = FFonts.at(static_cast<size_t>(font));
    for (size_t i = 0; i < codePoints.size(); ++i) advances[i] = AdvanceOf(desc, codePoints[i]);
}

// ---- the measurers of the process

namespace {

std::unique_ptr<TTableMeasurer>& DefaultScreenMeasurer() {
    static std::unique_ptr<TTableMeasurer> measurer;
    return measurer;
}

TTableMeasurer* ReplacedScreenMeasurer = nullptr;

std::unordered_map<TCanvas*, TTextMeasurer*>& CanvasMeasurers() {
    static std::unordered_map<TCanvas*, TTextMeasurer*> map;
    return map;
}

}  // namespace

TTableMeasurer& ScreenMeasurer() {
    if (ReplacedScreenMeasurer) return *ReplacedScreenMeasurer;
    auto& measurer = DefaultScreenMeasurer();
    if (!measurer) {
#ifdef _WIN32
        measurer = std::make_unique<TTableMeasurer>(MakeScreenGlyphSource());
#else
        measurer = std::make_unique<TTableMeasurer>(std::make_unique<TFakeGlyphSource>());
#endif
    }
    return *measurer;
}

void SetScreenMeasurer(TTableMeasurer* measurer) { ReplacedScreenMeasurer = measurer; }

TTextMeasurer& MeasurerFor(TCanvas* canvas) {
    if (canvas) {
        auto& map = CanvasMeasurers();
        if (auto it = map.find(canvas); it != map.end()) return *it->second;
    }
    return ScreenMeasurer();
}

void RegisterCanvasMeasurer(TCanvas* canvas, TTextMeasurer* measurer) {
    if (measurer)
        CanvasMeasurers()[canvas] = measurer;
    else
        CanvasMeasurers().erase(canvas);
}
