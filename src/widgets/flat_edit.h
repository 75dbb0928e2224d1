// A single-line edit with a flat three-pixel frame of its own, sunken while
// it has the focus or the mouse is over it, matching the flat tool buttons.
#pragma once

#include "framework/stdctrls.h"

class TFlatEdit : public TCustomEdit {
public:
    explicit TFlatEdit(TComponent* AOwner);
    void BeforeDestruction() override;

    static constexpr const char* Version() { return "TFlatEdit 1.0"; }
    bool MouseInControl() const { return FMouseInControl; }
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Loaded() override;
    void FontChanged() override;

private:
    void NewAdjustHeight();
    bool SunkenLook() const;
    void DrawFrame(HDC dc);
    void RedrawFrame();
    static void PaintNCProc(HWND wnd, HDC dc, intptr_t appData);

    bool FMouseInControl = false;
    bool FCounted = false;
};

// Live instances (the flat-class registration lasts while any exists).
int FlatEditInstanceCount();
