// The form with a gradient caption, base of the main window. This first cut
// keeps the caption settings the shell gives it; Windows draws the caption.
#pragma once

#include <memory>

#include "framework/forms.h"
#include "framework/graphics.h"

class TGradientForm : public TForm {
public:
    explicit TGradientForm(TComponent* AOwner);

    TFont* CaptionFont() const { return FCaptionFont.get(); }
    bool UseSystemCaptionFont = true;

    TColor GradientStartColor() const { return FStartColor; }
    void SetGradientStartColor(TColor c) { FStartColor = c; }
    TColor GradientStopColor() const { return FStopColor; }
    void SetGradientStopColor(TColor c) { FStopColor = c; }
    TColor GradientInactiveStartColor() const { return FInactiveStartColor; }
    void SetGradientInactiveStartColor(TColor c) { FInactiveStartColor = c; }
    TColor GradientInactiveStopColor() const { return FInactiveStopColor; }
    void SetGradientInactiveStopColor(TColor c) { FInactiveStopColor = c; }
    TColor CaptionTextColor() const { return FCaptionTextColor; }
    void SetCaptionTextColor(TColor c) { FCaptionTextColor = c; }
    TColor InactiveCaptionTextColor() const { return FInactiveCaptionTextColor; }
    void SetInactiveCaptionTextColor(TColor c) { FInactiveCaptionTextColor = c; }

private:
    std::unique_ptr<TFont> FCaptionFont;
    TColor FStartColor = clBlack;
    TColor FStopColor = clActiveCaption;
    TColor FInactiveStartColor = clBlack;
    TColor FInactiveStopColor = clInactiveCaption;
    TColor FCaptionTextColor = clCaptionText;
    TColor FInactiveCaptionTextColor = clInactiveCaptionText;
};
