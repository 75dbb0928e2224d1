// The measurer's description of the font a style resolved to.
#pragma once

#include "html/text_measure.h"

struct TResolvedFont;

TFontDesc FontDescOf(const TResolvedFont& font);
