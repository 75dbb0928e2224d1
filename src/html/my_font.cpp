// Fonts of the document engine over GDI.
#ifdef _WIN32

#include "html/my_font.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "html/style_props.h"

static_assert(htBold == fsBold && htItalic == fsItalic && htUnderline == fsUnderline && htStrikeOut == fsStrikeOut);

namespace {

class TGdiFontServices final : public TFontServices {
public:
    // Asked for every length a style converts; the screen's resolution is
    // read once (a device context costs tens of microseconds under Wine).
    int PixelsPerInch() const override {
        if (FPixelsPerInch > 0) return FPixelsPerInch;
        if (Screen) {
            FPixelsPerInch = Screen->PixelsPerInch();
        } else {
            HDC dc = GetDC(nullptr);
            FPixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
            ReleaseDC(nullptr, dc);
        }
        return FPixelsPerInch;
    }

    std::string InstalledFace(const std::string& name) const override {
        if (!Screen) return name;
        for (const std::string& face : Screen->Fonts())
            if (CompareText(face, name) == 0) return face;
        return {};
    }

    TFontMetricsInfo Metrics(const std::string& face, int height, unsigned style, uint8_t charset) const override {
        // Every style that sets a font asks, mostly for the same few fonts;
        // a platform font made and measured each time is most of a parse.
        const TMetricsKey key{face, height, style, charset};
        auto known = FMetrics.find(key);
        if (known != FMetrics.end()) return known->second;
        const TFontMetricsInfo m = Measure(face, height, style, charset);
        if (FMetrics.size() >= kMaxMetrics) FMetrics.clear();
        FMetrics.emplace(key, m);
        return m;
    }

private:
    mutable int FPixelsPerInch = 0;
    using TMetricsKey = std::tuple<std::string, int, unsigned, uint8_t>;
    static constexpr size_t kMaxMetrics = 4096;

    static TFontMetricsInfo Measure(const std::string& face, int height, unsigned style, uint8_t charset) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        lf.lfWeight = (style & htBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style & htItalic) ? 1 : 0;
        lf.lfUnderline = (style & htUnderline) ? 1 : 0;
        lf.lfStrikeOut = (style & htStrikeOut) ? 1 : 0;
        lf.lfCharSet = charset;
        const std::wstring wide = AnsiToWide(face.substr(0, LF_FACESIZE - 1));
        std::copy(wide.begin(), wide.end(), lf.lfFaceName);
        TFontMetricsInfo m;
        HFONT font = CreateFontIndirectW(&lf);
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICW tm{};
        if (GetTextMetricsW(dc, &tm)) {
            m.Height = tm.tmHeight;
            m.InternalLeading = tm.tmInternalLeading;
            m.Descent = tm.tmDescent;
            m.ExternalLeading = tm.tmExternalLeading;
            m.MaxCharWidth = tm.tmMaxCharWidth;
            m.Charset = tm.tmCharSet;
        }
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        DeleteObject(font);
        return m;
    }

    mutable std::map<TMetricsKey, TFontMetricsInfo> FMetrics;
};

}  // namespace

const TFontServices& GdiFontServices() {
    static const TGdiFontServices services;
    return services;
}

void TMyFont::Assign(TPersistent* Source) {
    if (auto* source = dynamic_cast<TMyFont*>(Source)) {
        BackColor = source->BackColor;
        CellHeight = source->CellHeight;
        Descent = source->Descent;
        ExternalLeading = source->ExternalLeading;
        MaxCharWidth = source->MaxCharWidth;
        MetricCharset = source->MetricCharset;
        ExtraSpace = source->ExtraSpace;
    }
    TFont::Assign(Source);
}

void TMyFont::AssignToCanvas(TCanvas* canvas) {
    canvas->SetFont(this);
    SetTextCharacterExtra(canvas->Handle(), ExtraSpace);
}

void TMyFont::SetFrom(const TResolvedFont& font) {
    SetName(font.Info.FaceName);
    SetHeight(font.Height);
    SetStyle(font.Info.Style);
    SetColor(font.Info.TextColor);
    SetCharset(font.Charset);
    BackColor = font.Info.BackColor;
    CellHeight = font.Metrics.Height;
    Descent = font.Metrics.Descent;
    ExternalLeading = font.Metrics.ExternalLeading;
    MaxCharWidth = font.Metrics.MaxCharWidth;
    MetricCharset = font.Metrics.Charset;
    ExtraSpace = font.ExtraSpace;
}

TMyFont* TProperties::GetFont() {
    if (!CachedFont) {
        auto* font = new TMyFont;
        font->SetFrom(GetResolvedFont());
        CachedFont = font;
    }
    auto* copy = new TMyFont;
    copy->Assign(static_cast<TMyFont*>(CachedFont));
    return copy;
}

#endif
