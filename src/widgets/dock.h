// The dock that holds the menu bar, and the menu bar itself. This first cut
// shows the main menu as the window's own menu; the dock is an empty strip.
#pragma once

#include <memory>

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/menus.h"


class TDock : public TCustomControl {
public:
    explicit TDock(TComponent* AOwner);
    bool AllowDrag = true;
    bool LimitToOneRow = false;
    TBitmap* Background() const { return FBackground.get(); }

protected:
    void Paint() override;

private:
    std::unique_ptr<TBitmap> FBackground;
};

enum TDockMode { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };

class TMenuBar : public TCustomControl {
public:
    explicit TMenuBar(TComponent* AOwner);
    bool FullSize = false;
    bool ShowCaption = true;
    TDockMode DockMode = dmCanFloat;
    int ButtonHeight = 22;
    TMainMenu* MainMenu = nullptr;
    TMenuDrawItemEvent OnAllDrawItem;
    TMenuMeasureItemEvent OnAllMeasureItem;
};
