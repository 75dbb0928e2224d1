// The measurer's description of the font a style resolved to.
#pragma once

#include <string>

#include "html/text_measure.h"

struct TResolvedFont;

TFontDesc FontDescOf(const TResolvedFont& font);
// FontDescOf, made once per resolved font and kept in it.
const TFontDesc& RunFontOf(const TResolvedFont& font);
// A face name of the document's code page as the measurer names it.
const TFaceName& WideFaceName(const std::string& face);
