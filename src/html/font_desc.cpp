#include "html/font_desc.h"

#include <algorithm>
#include <array>
#include <string>

#include "framework/cp1251.h"
#include "html/style_props.h"

const TFaceName& WideFaceName(const std::string& face) {
    // Every run of a page names one of a few faces; like the reader's stack,
    // these belong to the thread that reads documents.
    struct TConverted {
        std::string Face;
        TFaceName Wide;
    };
    static std::array<TConverted, 4> converted;
    static size_t next = 0;
    auto known = std::find_if(converted.begin(), converted.end(),
                              [&](const TConverted& c) { return !c.Wide.empty() && c.Face == face; });
    if (known == converted.end()) {
        known = converted.begin() + static_cast<std::ptrdiff_t>(next);
        next = (next + 1) % converted.size();
        known->Face = face;
        known->Wide = AnsiToWide(face);
    }
    return known->Wide;
}

const TFontDesc& RunFontOf(const TResolvedFont& font) {
    if (!font.HaveRunDesc) {
        font.RunDesc = FontDescOf(font);
        font.HaveRunDesc = true;
    }
    return font.RunDesc;
}

TFontDesc FontDescOf(const TResolvedFont& font) {
    TFontDesc d;
    d.Face = WideFaceName(font.Info.FaceName);
    d.Height = font.Height;
    d.Weight = (font.Info.Style & htBold) ? 700 : 400;
    d.Italic = (font.Info.Style & htItalic) != 0;
    d.Underline = (font.Info.Style & htUnderline) != 0;
    d.StrikeOut = (font.Info.Style & htStrikeOut) != 0;
    d.Charset = font.Charset;
    return d;
}
