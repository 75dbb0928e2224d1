// The framework's colour constants by name ("clBlack" .. "clMenuBar",
// "clNone", "clDefault"), for lists that offer colours and for colours
// written as text.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/graphics_types.h"

struct TColorName {
    TColor Value;
    const char* Name;
};

// In the order the framework declares them: the sixteen standard colours,
// the system colours, then clNone and clDefault.
const std::vector<TColorName>& ColorNames();
void GetColorValues(const std::function<void(const std::string&)>& proc);
// The constant's name, or "$00BBGGRR" for a colour that has none.
std::string ColorToString(TColor color);
bool IdentToColor(const std::string& ident, TColor& color);
bool ColorToIdent(TColor color, std::string& ident);
// A name (in any case) or a number ("$00FF0000", "255"); EConvertError otherwise.
TColor StringToColor(const std::string& text);
