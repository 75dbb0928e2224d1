#include "framework/color_names.h"

#include <cstdio>
#include <cstdint>
#include <cstdlib>

#include "framework/sysutils.h"

const std::vector<TColorName>& ColorNames() {
    static const std::vector<TColorName> names{
        {clBlack, "clBlack"},
        {clMaroon, "clMaroon"},
        {clGreen, "clGreen"},
        {clOlive, "clOlive"},
        {clNavy, "clNavy"},
        {clPurple, "clPurple"},
        {clTeal, "clTeal"},
        {clGray, "clGray"},
        {clSilver, "clSilver"},
        {clRed, "clRed"},
        {clLime, "clLime"},
        {clYellow, "clYellow"},
        {clBlue, "clBlue"},
        {clFuchsia, "clFuchsia"},
        {clAqua, "clAqua"},
        {clWhite, "clWhite"},
        {clScrollBar, "clScrollBar"},
        {clBackground, "clBackground"},
        {clActiveCaption, "clActiveCaption"},
        {clInactiveCaption, "clInactiveCaption"},
        {clMenu, "clMenu"},
        {clWindow, "clWindow"},
        {clWindowFrame, "clWindowFrame"},
        {clMenuText, "clMenuText"},
        {clWindowText, "clWindowText"},
        {clCaptionText, "clCaptionText"},
        {clActiveBorder, "clActiveBorder"},
        {clInactiveBorder, "clInactiveBorder"},
        {clAppWorkSpace, "clAppWorkSpace"},
        {clHighlight, "clHighlight"},
        {clHighlightText, "clHighlightText"},
        {clBtnFace, "clBtnFace"},
        {clBtnShadow, "clBtnShadow"},
        {clGrayText, "clGrayText"},
        {clBtnText, "clBtnText"},
        {clInactiveCaptionText, "clInactiveCaptionText"},
        {clBtnHighlight, "clBtnHighlight"},
        {cl3DDkShadow, "cl3DDkShadow"},
        {cl3DLight, "cl3DLight"},
        {clInfoText, "clInfoText"},
        {clInfoBk, "clInfoBk"},
        {clHotLight, "clHotLight"},
        {clGradientActiveCaption, "clGradientActiveCaption"},
        {clGradientInactiveCaption, "clGradientInactiveCaption"},
        {clMenuHighlight, "clMenuHighlight"},
        {clMenuBar, "clMenuBar"},
        {clNone, "clNone"},
        {clDefault, "clDefault"},
    };
    return names;
}

void GetColorValues(const std::function<void(const std::string&)>& proc) {
    for (const TColorName& c : ColorNames()) proc(c.Name);
}

bool ColorToIdent(TColor color, std::string& ident) {
    for (const TColorName& c : ColorNames())
        if (c.Value == color) {
            ident = c.Name;
            return true;
        }
    return false;
}

bool IdentToColor(const std::string& ident, TColor& color) {
    for (const TColorName& c : ColorNames())
        if (SameText(ident, c.Name)) {
            color = c.Value;
            return true;
        }
    return false;
}

std::string ColorToString(TColor color) {
    std::string ident;
    if (ColorToIdent(color, ident)) return ident;
    char text[16];
    std::snprintf(text, sizeof text, "$%.8X", static_cast<unsigned>(color));
    return text;
}

TColor StringToColor(const std::string& text) {
    TColor color;
    if (IdentToColor(text, color)) return color;
    if (text.empty()) throw EConvertError("'' is not a valid colour");
    const bool hex = text[0] == '$';
    const std::string digits = hex ? text.substr(1) : text;
    char* end = nullptr;
    const long long value = std::strtoll(digits.c_str(), &end, hex ? 16 : 10);
    if (digits.empty() || *end != 0 || value < INT32_MIN || value > UINT32_MAX)
        throw EConvertError("'" + text + "' is not a valid colour");
    return static_cast<TColor>(static_cast<uint32_t>(value));
}
