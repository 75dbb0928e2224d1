// Advances from GDI.
#ifdef _WIN32

#include "html/text_measure_gdi.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "framework/sysutils.h"
#include "framework/win.h"

TGdiGlyphSource::TGdiGlyphSource(HDC referenceDC) : FDC(CreateCompatibleDC(referenceDC)) {
    if (!FDC) throw EOutOfResources("TGdiGlyphSource: no device context");
}

TGdiGlyphSource::~TGdiGlyphSource() { CloseFonts(); }

void TGdiGlyphSource::CloseFonts() {
    // A font still selected into the context cannot be deleted.
    SelectObject(FDC.get(), GetStockObject(SYSTEM_FONT));
    FSelected = -1;
    FFonts.clear();
}

void TGdiGlyphSource::SetLogicalScale(int logicalPerInch, int devicePerInchX, int devicePerInchY) {
    if (logicalPerInch <= 0 || devicePerInchX <= 0 || devicePerInchY <= 0) return;
    SetMapMode(FDC.get(), MM_ANISOTROPIC);
    SetWindowExtEx(FDC.get(), logicalPerInch, logicalPerInch, nullptr);
    SetViewportExtEx(FDC.get(), devicePerInchX, devicePerInchY, nullptr);
}

HFONT TGdiGlyphSource::Handle(TFontId font) const {
    if (font < 0 || font >= static_cast<TFontId>(FFonts.size())) throw std::out_of_range("TGdiGlyphSource: unknown font id");
    return FFonts[static_cast<size_t>(font)].get();
}

void TGdiGlyphSource::Select(TFontId font) {
    if (font == FSelected) return;
    SelectObject(FDC.get(), Handle(font));
    FSelected = font;
    ++FSelectCalls;
}

TFontMetrics TGdiGlyphSource::OpenFont(TFontId font, const TFontDesc& desc) {
    if (font != static_cast<TFontId>(FFonts.size())) throw std::logic_error("TGdiGlyphSource: fonts out of order");
    LOGFONTW lf{};
    lf.lfHeight = desc.Height;
    lf.lfWeight = desc.Weight;
    lf.lfItalic = desc.Italic;
    lf.lfUnderline = desc.Underline;
    lf.lfStrikeOut = desc.StrikeOut;
    lf.lfCharSet = desc.Charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const size_t n = std::min(desc.Face.size(), size_t{LF_FACESIZE - 1});
    std::copy_n(desc.Face.data(), n, lf.lfFaceName);
    TFontHandle handle(CreateFontIndirectW(&lf));
    if (!handle) throw EOutOfResources("TGdiGlyphSource: the font cannot be made");
    FFonts.push_back(std::move(handle));

    Select(font);
    TEXTMETRICW tm{};
    GetTextMetricsW(FDC.get(), &tm);
    TFontMetrics m;
    m.Height = tm.tmHeight;
    m.Ascent = tm.tmAscent;
    m.Descent = tm.tmDescent;
    m.InternalLeading = tm.tmInternalLeading;
    m.ExternalLeading = tm.tmExternalLeading;
    m.AveCharWidth = tm.tmAveCharWidth;
    m.MaxCharWidth = tm.tmMaxCharWidth;
    m.Overhang = tm.tmOverhang;
    return m;
}

int TGdiGlyphSource::MeasureAlone(char32_t cp) {
    wchar_t units[2];
    int n = 1;
    if (cp >= 0x10000) {
        units[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
        units[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        n = 2;
    } else {
        units[0] = static_cast<wchar_t>(cp);
    }
    SIZE size{};
    ++FMeasureCalls;
    GetTextExtentPoint32W(FDC.get(), units, n, &size);
    return size.cx;
}

void TGdiGlyphSource::MeasureAdvances(TFontId font, std::span<const char32_t> codePoints, std::span<int> advances) {
    Select(font);
    const size_t count = codePoints.size();
    if (count == 1) {
        advances[0] = MeasureAlone(codePoints[0]);
        return;
    }
    // The code points the font has are measured together, as one string, and
    // read back from the partial extents. A string of surrogates would pair
    // them up, and a missing glyph is whatever the platform substitutes: those
    // are left to be measured alone, if they are ever used.
    std::wstring text;
    std::vector<size_t> where;
    text.reserve(count);
    where.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const char32_t cp = codePoints[i];
        if (cp < 0xD800 || (cp > 0xDFFF && cp < 0x10000)) {
            text.push_back(static_cast<wchar_t>(cp));
            where.push_back(i);
        } else {
            advances[i] = DeferredAdvance;
        }
    }
    if (text.empty()) return;
    std::vector<WORD> glyphs(text.size());
    ++FMeasureCalls;
    const bool haveGlyphs = GetGlyphIndicesW(FDC.get(), text.data(), static_cast<int>(text.size()), glyphs.data(),
                                             GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR;
    std::vector<int> partial(text.size());
    SIZE size{};
    ++FMeasureCalls;
    GetTextExtentExPointW(FDC.get(), text.data(), static_cast<int>(text.size()), 0, nullptr, partial.data(), &size);
    for (size_t k = 0; k < text.size(); ++k) {
        if (haveGlyphs && glyphs[k] == 0xFFFF)
            advances[where[k]] = DeferredAdvance;
        else
            advances[where[k]] = partial[k] - (k ? partial[k - 1] : 0);
    }
}

HFONT PlatformFont(TTableMeasurer& measurer, TFontId font) {
    auto* gdi = dynamic_cast<TGdiGlyphSource*>(&measurer.Source());
    return gdi ? gdi->Handle(font) : nullptr;
}

std::unique_ptr<TGlyphSource> MakeScreenGlyphSource() { return std::make_unique<TGdiGlyphSource>(); }

#endif
