// The platform's glyph source: one font handle per distinct description, held
// for the life of the measurer, and advances measured in a memory device
// context the way the platform measures them in a string. Drawing code takes
// its fonts from here, so text is drawn with the very font it was measured in.
#pragma once

#include <vector>

#include "framework/gdi_handles.h"
#include "html/text_measure.h"

class TGdiGlyphSource final : public TGlyphSource {
public:
    // Measures for `referenceDC` (a printer, say); null: the screen.
    explicit TGdiGlyphSource(HDC referenceDC = nullptr);
    ~TGdiGlyphSource() override;

    TFontMetrics OpenFont(TFontId font, const TFontDesc& desc) override;
    void MeasureAdvances(TFontId font, std::span<const char32_t> codePoints, std::span<int> advances) override;
    void CloseFonts() override;

    // Measures in the logical units of a page mapped as a printed page is:
    // `logicalPerInch` units to the inch at the device's resolution. Called
    // before any font is opened.
    void SetLogicalScale(int logicalPerInch, int devicePerInchX, int devicePerInchY);

    HFONT Handle(TFontId font) const;
    // Platform calls made so far (font selections and measurements).
    int SelectCalls() const { return FSelectCalls; }
    int MeasureCalls() const { return FMeasureCalls; }

private:
    void Select(TFontId font);
    int MeasureAlone(char32_t cp);

    TMemoryDC FDC;
    std::vector<TFontHandle> FFonts;
    TFontId FSelected = -1;
    int FSelectCalls = 0;
    int FMeasureCalls = 0;
};

// The font handle of a font of a measurer over the platform's glyphs; null for
// any other measurer.
HFONT PlatformFont(TTableMeasurer& measurer, TFontId font);
