#include "html/text_measure.h"

#include <gtest/gtest.h>

#include <numeric>

#include "framework/cp1251.h"
#include "html/font_desc.h"
#include "html/style_props.h"

#ifdef _WIN32
#include "framework/win.h"
#include "html/text_measure_gdi.h"
#endif

namespace {

TFontDesc Desc(const wchar_t* face, int height, int weight = 400, bool italic = false) {
    TFontDesc d;
    d.Face = face;
    d.Height = height;
    d.Weight = weight;
    d.Italic = italic;
    return d;
}

struct FakeMeasurer {
    TFakeGlyphSource* source = new TFakeGlyphSource;
    TTableMeasurer measurer{std::unique_ptr<TGlyphSource>(source)};
    TFontId font = measurer.Font(Desc(L"Fake", -16));
};

// Fake widths at 16 px: lower 8, upper 10, space 4, Cyrillic 9, other 16.
TEST(TextMeasure, FakeFitsLinesAtWidths) {
    const std::wstring smile = Utf8ToWide("\xF0\x9F\x98\x80");  // one pair, 16 wide
    struct Case {
        std::wstring text;
        int width;
        int extra;
        int count;
        int fitWidth;
    } cases[] = {
        {L"ab cd", 1000, 0, 5, 36},
        {L"ab cd", 20, 0, 3, 20},  // exactly at the width fits
        {L"ab cd", 19, 0, 2, 16},
        {L"ab cd", 0, 0, 0, 0},
        {L"ab cd", -5, 0, 0, 0},
        {L"", 100, 0, 0, 0},
        {L"AB", 19, 0, 1, 10},
        {L"ab", 100, 2, 2, 20},  // character spacing after each
        {Utf8ToWide("Да нет"), 22, 0, 3, 22},
        {L"a" + smile + L"b", 23, 0, 1, 8},  // never half a pair
        {L"a" + smile + L"b", 24, 0, 3, 24},
        {L"a" + smile + L"b", 32, 0, 4, 32},
    };
    FakeMeasurer m;
    for (const Case& c : cases) {
        const TFitResult r = m.measurer.Fit(m.font, c.text, c.width, c.extra);
        EXPECT_EQ(r.Count, c.count) << WideToUtf8(c.text) << " at " << c.width;
        EXPECT_EQ(r.Width, c.fitWidth) << WideToUtf8(c.text) << " at " << c.width;
        EXPECT_EQ(m.measurer.Extent(m.font, c.text.substr(0, static_cast<size_t>(r.Count)), c.extra), r.Width);
    }
}

TEST(TextMeasure, AdvancesSumToTheExtentAndLeaveNothingOnALowSurrogate) {
    FakeMeasurer m;
    const std::wstring texts[] = {L"Hello, world", Utf8ToWide("Привет, мир \xF0\x9F\x98\x80!"), L"\xD800x", L""};
    for (const std::wstring& text : texts) {
        std::vector<int> adv(text.size());
        m.measurer.Advances(m.font, text, adv, 1);
        EXPECT_EQ(std::accumulate(adv.begin(), adv.end(), 0), m.measurer.Extent(m.font, text, 1)) << WideToUtf8(text);
    }
    const std::wstring pair = Utf8ToWide("\xF0\x9F\x98\x80");
    std::vector<int> adv(2);
    m.measurer.Advances(m.font, pair, adv);
    EXPECT_EQ(adv, (std::vector<int>{16, 0}));
}

TEST(TextMeasure, OneFontPerDescriptionAndOnePlatformCallPerPage) {
    FakeMeasurer m;
    const TFontId bold = m.measurer.Font(Desc(L"Fake", -16, 700));
    EXPECT_NE(bold, m.font);
    EXPECT_EQ(m.measurer.Font(Desc(L"Fake", -16)), m.font);
    EXPECT_EQ(m.measurer.Font(Desc(L"Fake", -16, 700)), bold);
    EXPECT_EQ(m.source->OpenCalls, 2);
    EXPECT_EQ(m.measurer.Description(bold).Weight, 700);
    EXPECT_EQ(m.measurer.Metrics(m.font).Ascent + m.measurer.Metrics(m.font).Descent, 16);

    std::wstring latin, cyrillic;
    for (int i = 0; i < 5000; ++i) latin += static_cast<wchar_t>('a' + i % 26);
    for (int i = 0; i < 5000; ++i) cyrillic += static_cast<wchar_t>(0x430 + i % 32);
    EXPECT_EQ(m.measurer.Extent(m.font, latin), 5000 * 8);
    EXPECT_EQ(m.source->MeasureCalls, 1);
    EXPECT_EQ(m.measurer.Extent(m.font, cyrillic), 5000 * 9);
    EXPECT_EQ(m.measurer.Extent(bold, cyrillic), 5000 * 10);
    EXPECT_EQ(m.source->MeasureCalls, 3);  // a page per font and block of 256
    m.measurer.Extent(m.font, latin + cyrillic);
    EXPECT_EQ(m.source->MeasureCalls, 3);

    m.measurer.Clear();
    EXPECT_EQ(m.measurer.FontCount(), 0);
    EXPECT_EQ(m.measurer.Font(Desc(L"Fake", -16, 700)), 0);
}

// Breaking a paragraph into lines by fitting from each line's start must read
// each character about once, however long the paragraph is.
TEST(TextMeasure, FittingAParagraphGrowsWithItsLength) {
    auto fitAll = [](int words) {
        FakeMeasurer m;
        std::wstring text;
        for (int i = 0; i < words; ++i) text += (i % 3 ? L"word " : Utf8ToWide("слово "));
        m.measurer.ResetCounters();
        size_t pos = 0;
        int lines = 0;
        while (pos < text.size()) {
            const TFitResult r = m.measurer.Fit(m.font, std::wstring_view(text).substr(pos), 300);
            pos += static_cast<size_t>(std::max(r.Count, 1));
            ++lines;
        }
        EXPECT_EQ(m.measurer.Counters().Calls, lines);
        EXPECT_LE(m.source->MeasureCalls, 2);
        return m.measurer.Counters();
    };
    const TMeasureCounters one = fitAll(2000), two = fitAll(4000), four = fitAll(8000);
    EXPECT_LE(two.Characters, one.Characters * 21 / 10);
    EXPECT_LE(four.Characters, one.Characters * 42 / 10);
    EXPECT_LE(four.Calls, one.Calls * 42 / 10);
    EXPECT_LT(one.Characters, 2000 * 6 * 11 / 10);  // about once per character
}

TEST(TextMeasure, AStylesFontBecomesOneDescription) {
    TResolvedFont font;
    font.Info.FaceName = Utf8ToAnsi("Шрифт");
    font.Info.Style = htBold | htUnderline;
    font.Height = -21;
    font.Charset = 204;
    const TFontDesc d = FontDescOf(font);
    EXPECT_EQ(d.Face, Utf8ToWide("Шрифт"));
    EXPECT_EQ(d.Height, -21);
    EXPECT_EQ(d.Weight, 700);
    EXPECT_TRUE(d.Underline);
    EXPECT_FALSE(d.Italic);
    EXPECT_FALSE(d.StrikeOut);
    EXPECT_EQ(d.Charset, 204);
    font.Info.Style = htItalic | htStrikeOut;
    const TFontDesc e = FontDescOf(font);
    EXPECT_EQ(e.Weight, 400);
    EXPECT_TRUE(e.Italic && e.StrikeOut && !e.Underline);
    EXPECT_FALSE(d == e);
}

TEST(TextMeasure, CanvasesWithoutAMeasurerOfTheirOwnUseTheScreens) {
    FakeMeasurer m;
    auto* canvas = reinterpret_cast<TCanvas*>(&m);  // only compared, never used
    EXPECT_EQ(&MeasurerFor(nullptr), &ScreenMeasurer());
    EXPECT_EQ(&MeasurerFor(canvas), &ScreenMeasurer());
    RegisterCanvasMeasurer(canvas, &m.measurer);
    EXPECT_EQ(&MeasurerFor(canvas), &m.measurer);
    RegisterCanvasMeasurer(canvas, nullptr);
    EXPECT_EQ(&MeasurerFor(canvas), &ScreenMeasurer());
    SetScreenMeasurer(&m.measurer);
    EXPECT_EQ(&MeasurerFor(nullptr), &m.measurer);
    SetScreenMeasurer(nullptr);
}

#ifdef _WIN32

// The platform's own answer, with a font made here rather than by the cache.
struct GdiReference {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font;
    HGDIOBJ old;
    explicit GdiReference(const TFontDesc& d) {
        LOGFONTW lf{};
        lf.lfHeight = d.Height;
        lf.lfWeight = d.Weight;
        lf.lfItalic = d.Italic;
        lf.lfCharSet = d.Charset;
        wcsncpy(lf.lfFaceName, d.Face.c_str(), LF_FACESIZE - 1);
        font = CreateFontIndirectW(&lf);
        old = SelectObject(dc, font);
    }
    ~GdiReference() {
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
    }
    int Extent(const std::wstring& s) {
        SIZE size{};
        GetTextExtentPoint32W(dc, s.data(), static_cast<int>(s.size()), &size);
        return size.cx;
    }
    int Fit(const std::wstring& s, int width) {
        int fit = 0;
        SIZE size{};
        GetTextExtentExPointW(dc, s.data(), static_cast<int>(s.size()), width, &fit, nullptr, &size);
        return fit;
    }
};

const std::wstring MixedTexts[] = {
    L"The quick brown fox jumps over the lazy dog.",
    Utf8ToWide("Съешь же ещё этих мягких французских булок, да выпей чаю."),
    Utf8ToWide("Term «термин» — ABC-123 (Ёё), №5; 3½ × 4 ≈ 13°C"),
    L"WWWWiiiiMMMMllll    ....",
};

TEST(TextMeasureGdi, AdvanceTableEqualsGdiExtents) {
    TTableMeasurer measurer(std::make_unique<TGdiGlyphSource>());
    for (const wchar_t* face : {L"Liberation Sans", L"Liberation Serif", L"Liberation Mono", L"Arial"})
        for (int height : {-11, -13, -16, -24})
            for (int weight : {400, 700})
                for (bool italic : {false, true}) {
                    const TFontDesc d = Desc(face, height, weight, italic);
                    const TFontId font = measurer.Font(d);
                    GdiReference gdi(d);
                    for (const std::wstring& text : MixedTexts) {
                        EXPECT_EQ(measurer.Extent(font, text), gdi.Extent(text))
                            << WideToUtf8(face) << " " << height << " " << weight << " " << italic << ": "
                            << WideToUtf8(text);
                    }
                }
}

TEST(TextMeasureGdi, TheTestFacesAreInstalled) {
    // Otherwise every face above falls back to one default and proves little.
    TTableMeasurer measurer(std::make_unique<TGdiGlyphSource>());
    const TFontId mono = measurer.Font(Desc(L"Liberation Mono", -16));
    const TFontId sans = measurer.Font(Desc(L"Liberation Sans", -16));
    EXPECT_EQ(measurer.Extent(mono, L"iiii"), measurer.Extent(mono, L"WWWW"));
    EXPECT_LT(measurer.Extent(sans, L"iiii"), measurer.Extent(sans, L"WWWW"));
    EXPECT_EQ(measurer.Extent(mono, Utf8ToWide("Жж")), measurer.Extent(mono, L"ii"));
}

TEST(TextMeasureGdi, FitsALineWhereGdiDoes) {
    TTableMeasurer measurer(std::make_unique<TGdiGlyphSource>());
    const TFontDesc d = Desc(L"Liberation Serif", -16);
    const TFontId font = measurer.Font(d);
    GdiReference gdi(d);
    for (const std::wstring& text : MixedTexts)
        for (int width : {0, 1, 7, 50, 123, 200, 301, 1000}) {
            const TFitResult r = measurer.Fit(font, text, width);
            EXPECT_EQ(r.Count, gdi.Fit(text, width)) << WideToUtf8(text) << " at " << width;
            EXPECT_EQ(r.Width, gdi.Extent(text.substr(0, static_cast<size_t>(r.Count))));
        }
}

TEST(TextMeasureGdi, OneFontHandlePerDescriptionAndFewPlatformCalls) {
    const int before = GuiResourceCount(TGuiResource::Font);
    {
        auto* source = new TGdiGlyphSource;
        TTableMeasurer measurer{std::unique_ptr<TGlyphSource>(source)};
        const TFontId a = measurer.Font(Desc(L"Liberation Sans", -16));
        const TFontId b = measurer.Font(Desc(L"Liberation Sans", -16, 700));
        EXPECT_EQ(measurer.Font(Desc(L"Liberation Sans", -16)), a);
        EXPECT_EQ(GuiResourceCount(TGuiResource::Font), before + 2);
        EXPECT_NE(PlatformFont(measurer, a), PlatformFont(measurer, b));
        EXPECT_NE(PlatformFont(measurer, a), nullptr);

        std::wstring text;
        for (int i = 0; i < 200; ++i) text += MixedTexts[i % 3];
        const int selects = source->SelectCalls(), calls = source->MeasureCalls();
        for (int i = 0; i < 10; ++i) {
            measurer.Extent(a, text);
            measurer.Extent(b, text);
        }
        // Pages 0, 4 and 0x20-0x22 of the texts, per font, measured once.
        EXPECT_LE(source->MeasureCalls() - calls, 2 * 5 * 2 + 10);
        EXPECT_LE(source->SelectCalls() - selects, 2 * 5);
        measurer.Clear();
        EXPECT_EQ(GuiResourceCount(TGuiResource::Font), before);
    }
    EXPECT_EQ(GuiResourceCount(TGuiResource::Font), before);
}

#endif

}  // namespace
