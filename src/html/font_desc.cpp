#include "html/font_desc.h"

#include "framework/cp1251.h"
#include "html/style_props.h"

TFontDesc FontDescOf(const TResolvedFont& font) {
    TFontDesc d;
    d.Face = AnsiToWide(font.Info.FaceName);
    d.Height = font.Height;
    d.Weight = (font.Info.Style & htBold) ? 700 : 400;
    d.Italic = (font.Info.Style & htItalic) != 0;
    d.Underline = (font.Info.Style & htUnderline) != 0;
    d.StrikeOut = (font.Info.Style & htStrikeOut) != 0;
    d.Charset = font.Charset;
    return d;
}
