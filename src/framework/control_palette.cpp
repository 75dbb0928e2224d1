// How controls realise their palettes when the display has one: the form's
// window hears of palette changes and asks each control for its palette.
#include "framework/controls.h"
#include "framework/win.h"

bool TControl::PaletteChanged(bool foreground) {
    if (!FVisible) return false;
    HPALETTE palette = GetPalette();
    if (!palette) return false;
    auto* windowed = dynamic_cast<TWinControl*>(this);
    TWinControl* owner = windowed ? windowed : FParent;
    if (!owner || !owner->HandleAllocated()) return true;
    HWND wnd = owner->Handle();
    HDC dc = GetDC(wnd);
    if (!dc) return true;
    HPALETTE old = SelectPalette(dc, palette, foreground ? FALSE : TRUE);
    const UINT changed = RealizePalette(dc);
    if (old) SelectPalette(dc, old, TRUE);
    ReleaseDC(wnd, dc);
    if (changed != 0 && changed != GDI_ERROR) Invalidate();
    return true;
}

bool TWinControl::PaletteChanged(bool foreground) {
    bool result = TControl::PaletteChanged(foreground);
    const std::vector<TControl*> children = FControls;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (foreground && result) break;
        result = (*it)->PaletteChanged(foreground) || result;
    }
    return result;
}
