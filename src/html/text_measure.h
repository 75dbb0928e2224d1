// How layout measures text: the measurement interface (font metrics, extent,
// fit, per-character advances), the shared font registry with exact advance
// tables behind it, and the source of glyph advances that a platform or a test
// supplies. Layout code measures only through TTextMeasurer. Free of window
// headers.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TCanvas;

// A face name shared by the fonts that name it: a page has tens of thousands
// of runs in a few faces, and copying a run's font copies a pointer.
class TFaceName {
public:
    TFaceName() = default;
    TFaceName(std::wstring name) : FName(std::make_shared<const std::wstring>(std::move(name))) {}
    TFaceName(const wchar_t* name) : TFaceName(std::wstring(name)) {}

    const std::wstring& str() const { return FName ? *FName : Empty(); }
    operator const std::wstring&() const { return str(); }
    operator std::wstring_view() const { return str(); }
    size_t size() const { return str().size(); }
    const wchar_t* data() const { return str().data(); }
    const wchar_t* c_str() const { return str().c_str(); }
    bool empty() const { return str().empty(); }

    friend bool operator==(const TFaceName& a, const TFaceName& b) {
        return a.FName == b.FName || a.str() == b.str();
    }
    friend bool operator==(const TFaceName& a, const std::wstring& b) { return a.str() == b; }

private:
    static const std::wstring& Empty() {
        static const std::wstring empty;
        return empty;
    }
    std::shared_ptr<const std::wstring> FName;
};

// A font as layout describes it: the fields that make one platform font.
struct TFontDesc {
    TFaceName Face;
    int Height = -16;  // pixels; negative: character height, as the platform takes it
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    uint8_t Charset = 1;  // the platform's default character set

    friend bool operator==(const TFontDesc&, const TFontDesc&) = default;
};

struct TFontDescHash {
    size_t operator()(const TFontDesc& d) const noexcept;
};

struct TFontMetrics {
    int Height = 0;  // ascent + descent
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
    int Overhang = 0;
};

// A font known to a measurer: ids belong to the measurer that gave them (a
// printer's measurer numbers its fonts apart) and last until it is cleared.
using TFontId = int;

struct TFitResult {
    int Count = 0;  // UTF-16 units that fit; never ends inside a surrogate pair
    int Width = 0;  // their extent
};

// What measuring has cost so far, for tests that check work grows linearly.
struct TMeasureCounters {
    int64_t Calls = 0;       // Extent, Fit and Advances calls
    int64_t Characters = 0;  // units read by them (for Fit: those examined)
};

class TTextMeasurer {
public:
    TTextMeasurer();
    virtual ~TTextMeasurer() = default;

    // Names this measurer and its present fonts among every measurer the
    // process made: a font id kept with this serial is still good.
    uint64_t Serial() const { return FSerial; }

    // The same description always gives the same id.
    virtual TFontId Font(const TFontDesc& desc) = 0;
    virtual const TFontDesc& Description(TFontId font) const = 0;
    virtual const TFontMetrics& Metrics(TFontId font) = 0;

    // `extra` is added after every character (the character spacing of a style).
    int Extent(TFontId font, std::wstring_view text, int extra = 0);
    // The longest prefix whose extent is at most maxWidth. Reads only the units
    // it fits and the one after, so fitting a line costs the line, not the
    // rest of the paragraph.
    TFitResult Fit(TFontId font, std::wstring_view text, int maxWidth, int extra = 0);
    // One advance per unit; the low unit of a surrogate pair gets 0. The sum
    // equals Extent.
    void Advances(TFontId font, std::wstring_view text, std::span<int> out, int extra = 0);

    const TMeasureCounters& Counters() const { return FCounters; }
    void ResetCounters() { FCounters = {}; }

protected:
    // Advance of code point `cp` in the font, extra space not included.
    virtual int Advance(TFontId font, char32_t cp) = 0;
    // The extent of the text, counters aside.
    virtual int64_t SumAdvances(TFontId font, std::wstring_view text, int extra);
    // The ids given so far go stale.
    void Renumber();

private:
    TMeasureCounters FCounters;
    uint64_t FSerial;
};

// Where advances come from: the platform's fonts or a test's fixed widths.
class TGlyphSource {
public:
    virtual ~TGlyphSource() = default;

    // Called once per distinct description, with ids 0, 1, 2 ... in order.
    virtual TFontMetrics OpenFont(TFontId font, const TFontDesc& desc) = 0;
    // Advances of the code points in the font, each measured the way the
    // platform measures it in a string. An advance that is dear to find in a
    // batch (a glyph the font lacks) may be left as DeferredAdvance; the
    // measurer asks for that code point alone when it is first used.
    static constexpr int DeferredAdvance = INT_MIN;
    virtual void MeasureAdvances(TFontId font, std::span<const char32_t> codePoints, std::span<int> advances) = 0;
    // Every font opened so far is released; ids start again from 0.
    virtual void CloseFonts() = 0;
};

// The font registry shared by every document: one entry per distinct
// description, each with an advance table filled a page of 256 code points at
// a time on first use, so layout is nearly free of platform calls.
class TTableMeasurer final : public TTextMeasurer {
public:
    explicit TTableMeasurer(std::unique_ptr<TGlyphSource> source);
    ~TTableMeasurer() override;

    TFontId Font(const TFontDesc& desc) override;
    const TFontDesc& Description(TFontId font) const override;
    const TFontMetrics& Metrics(TFontId font) override;

    int FontCount() const { return static_cast<int>(FFonts.size()); }
    TGlyphSource& Source() { return *FSource; }
    // Forgets every font and table (ids become invalid).
    void Clear();

protected:
    int Advance(TFontId font, char32_t cp) override;
    int64_t SumAdvances(TFontId font, std::wstring_view text, int extra) override;

private:
    struct TFontEntry;
    TFontEntry& Entry(TFontId font);
    TFontId FindOrOpen(const TFontDesc& desc);

    std::unique_ptr<TGlyphSource> FSource;
    std::vector<std::unique_ptr<TFontEntry>> FFonts;
    std::unordered_map<TFontDesc, TFontId, TFontDescHash> FIds;
    // The fonts asked for last: a page asks for its few fonts again and
    // again, and comparing them costs less than hashing the face.
    std::array<TFontId, 8> FRecent;
    size_t FRecentNext = 0;
    std::vector<char32_t> FPageCodes;  // scratch
};

// Fixed advances by character class, scaled by the font's height, for tests
// and the native build. At a height of 16 pixels (|Height|): space 4,
// punctuation 4, digit 8, Latin lower 8, Latin upper 10, Cyrillic 9, other 16,
// controls 0; bold adds 1. Metrics: ascent 13/16 and descent 3/16 of the height.
class TFakeGlyphSource final : public TGlyphSource {
public:
    TFontMetrics OpenFont(TFontId font, const TFontDesc& desc) override;
    void MeasureAdvances(TFontId font, std::span<const char32_t> codePoints, std::span<int> advances) override;
    void CloseFonts() override { FFonts.clear(); }

    static int AdvanceOf(const TFontDesc& desc, char32_t cp);

    int OpenCalls = 0;
    int MeasureCalls = 0;
    int64_t CodePointsMeasured = 0;

private:
    std::vector<TFontDesc> FFonts;
};

// The measurer for text drawn on `canvas`: the one registered for it, else the
// screen's (the platform's fonts on Windows, the fixed widths natively).
TTextMeasurer& MeasurerFor(TCanvas* canvas);
// A printer canvas gets a measurer of its own; null unregisters.
void RegisterCanvasMeasurer(TCanvas* canvas, TTextMeasurer* measurer);
TTableMeasurer& ScreenMeasurer();
// Replaces the screen measurer (tests); null restores the default.
void SetScreenMeasurer(TTableMeasurer* measurer);
