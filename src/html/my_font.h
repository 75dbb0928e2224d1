// The platform font of a property set, with the metrics layout needs.
#pragma once

#include "framework/canvas.h"
#include "framework/graphics.h"

struct TResolvedFont;

class TMyFont : public TFont {
public:
    // The metric fields too when the source is a TMyFont, then the font itself.
    void Assign(TPersistent* Source) override;
    // Gives the canvas this font and its extra character spacing.
    void AssignToCanvas(TCanvas* canvas);
    void SetFrom(const TResolvedFont& font);

    TColor BackColor = 0x1FFFFFFF;
    int CellHeight = 0;
    int Descent = 0;
    int ExternalLeading = 0;
    int MaxCharWidth = 0;
    uint8_t MetricCharset = 1;
    int ExtraSpace = 0;
};
