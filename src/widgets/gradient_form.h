// The form with a gradient caption, base of the main window. It paints its own
// caption bar (gradient or solid fill, icon, caption text in its own font,
// caption buttons) off-screen and copies it onto the non-client area in one
// step; the rest of the frame stays the system's.
//
// MDI parent and child forms are not handled: the framework has no MDI forms.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/graphics.h"

enum TGFPaintWhen { gfpAlways, gfpActive, gfpNever };
enum TGFLogoAlign { laLeft, laRight };
// Sender, a canvas on the off-screen caption (font: CaptionFont), and the
// rectangle the caption text goes into, which the handler may change.
using TGFOnCaptionPaint = TEvent<TCanvas*, TRect&>;

class TGradientForm : public TForm {
public:
    explicit TGradientForm(TComponent* AOwner);
    ~TGradientForm() override;

    static constexpr const char* Version() { return "TGradientForm 1.0"; }

    TFont* CaptionFont() const { return FCaptionFont.get(); }
    // Copies the font and turns UseSystemCaptionFont off.
    void SetCaptionFont(TFont* font);
    // Read when the caption font is updated; SetUseSystemCaptionFont also
    // updates it at once.
    bool UseSystemCaptionFont = true;
    void SetUseSystemCaptionFont(bool value);

    int GradientColors() const { return FGradientColors; }
    // 8 .. 512; other values are ignored.
    void SetGradientColors(int value);
    TColor CaptionTextColor() const { return FCaptionTextColor; }
    void SetCaptionTextColor(TColor c);
    TColor InactiveCaptionTextColor() const { return FInactiveCaptionTextColor; }
    void SetInactiveCaptionTextColor(TColor c);
    TColor GradientStartColor() const { return FStartColor[1]; }
    void SetGradientStartColor(TColor c);
    TColor GradientStopColor() const { return FStopColor[1]; }
    void SetGradientStopColor(TColor c);
    TColor GradientInactiveStartColor() const { return FStartColor[0]; }
    void SetGradientInactiveStartColor(TColor c);
    TColor GradientInactiveStopColor() const { return FStopColor[0]; }
    void SetGradientInactiveStopColor(TColor c);
    // Whether a stop colour follows the system caption colour (and would not
    // be stored in a form layout).
    bool GradientStopColorStored() const { return !FStopFollowsSystem[1]; }
    bool GradientInactiveStopColorStored() const { return !FStopFollowsSystem[0]; }

    TGFPaintWhen PaintGradient() const { return FPaintGradient; }
    void SetPaintGradient(TGFPaintWhen value);
    bool UseWin98Gradient() const { return FUseWin98Gradient; }
    void SetUseWin98Gradient(bool value);
    bool UseDithering() const { return FUseDithering; }
    void SetUseDithering(bool value);
    bool PaintIn16Colors() const { return FPaintIn16Colors; }
    void SetPaintIn16Colors(bool value);
    TBitmap* Logo() const { return FLogo.get(); }
    void SetLogo(TBitmap* bitmap);
    TBitmap* InactiveLogo() const { return FInactiveLogo.get(); }
    void SetInactiveLogo(TBitmap* bitmap);
    TGFLogoAlign LogoAlign() const { return FLogoAlign; }
    void SetLogoAlign(TGFLogoAlign value);
    bool LogoLayered() const { return FLogoLayered; }
    void SetLogoLayered(bool value);
    TGFOnCaptionPaint OnCaptionPaint;

    // The colour table of a state (false inactive, true active): the first
    // GradientColors entries are valid (COLORREF values).
    const std::array<uint32_t, 512>& ColorTable(bool active) const { return FColorTable[active ? 1 : 0]; }

    // Asks the system for a fresh non-client paint.
    void InvalidateCaption();
    // Paints the caption now onto the window.
    void Draw(bool active);
    bool IsActiveWindow();
    // True while the system paints the caption (see GetInhibitGradient).
    bool GetInhibitGradient();

    virtual TRect GetCaptionRect();
    virtual void DrawCaption(HDC dc, bool active, TRect& captionRect);
    virtual void PaintMenuIcon(HDC dc, TRect& r);
    virtual void FillRectSolid(HDC dc, const TRect& r, bool active, TColor activeColor, TColor inactiveColor);
    virtual void FillRectGradient(HDC dc, const TRect& r, bool dither, bool active);
    virtual void PaintCaptionText(HDC dc, TRect r, bool active);
    virtual void PaintCaptionButtons(HDC dc, TRect& r);
    virtual void CalculateColors();
    virtual bool Win98Check();
    virtual void UpdateCaptionFont();

    void WndProc(TMessage& message) override;

protected:
    void CreateHandleDone() override;
    std::string GetText() const override { return FCaptionText; }
    void SetTextCore(const std::string& text) override;
    void SetCaptionText(const std::string& text);

private:
    void HandleNCPaint(TMessage& m);
    void HandleSetText(TMessage& m);
    void HandleGetText(TMessage& m);
    void DrawCaptionGuarded(bool active);

    std::string FCaptionText;
    std::unique_ptr<TFont> FCaptionFont;
    int FGradientColors = 64;
    TColor FCaptionTextColor = clWhite;
    TColor FInactiveCaptionTextColor = clWhite;
    // Index 0 inactive, 1 active, as the colour tables.
    TColor FStartColor[2] = {clBlack, clBlack};
    TColor FStopColor[2] = {clInactiveCaption, clActiveCaption};
    bool FStopFollowsSystem[2] = {true, true};
    TGFPaintWhen FPaintGradient = gfpAlways;
    bool FUseWin98Gradient = false;
    bool FSystemHasGradientCaptions = false;
    bool FDisplayHas16Colors = false;
    bool FPaintIn16Colors = false;
    bool FUseDithering = true;
    owned_ptr<TBitmap> FLogo;
    owned_ptr<TBitmap> FInactiveLogo;
    TGFLogoAlign FLogoAlign = laRight;
    bool FLogoLayered = false;
    std::array<uint32_t, 512> FColorTable[2]{};
};

// Fills the colour table of a gradient of `steps` entries between two RGB
// colours (rounding as the caption does); exposed for tests.
void GradientColorTable(TColor startRGB, TColor stopRGB, int steps, uint32_t* table);
