// How window procedures reach the menu classes without depending on them: the
// menus module fills these in when it is first used.
#pragma once

#include <functional>

#include "framework/graphics_types.h"

class TWinControl;
class TPopupMenu;
struct TMessage;

struct TMenuBridge {
    // WM_COMMAND from a menu: the item with this command id was chosen.
    std::function<bool(TWinControl* window, unsigned commandId)> Command;
    // WM_DRAWITEM / WM_MEASUREITEM for owner-drawn menu items.
    std::function<bool(TWinControl* window, TMessage& message)> DrawItem;
    std::function<bool(TWinControl* window, TMessage& message)> MeasureItem;
    // WM_INITMENUPOPUP, WM_MENUSELECT, WM_MENUCHAR.
    std::function<bool(TWinControl* window, TMessage& message)> Other;
    // A key press: the shortcut of an item of the control's popup menu chain,
    // then of the form's main menu; true when an item took it.
    std::function<bool(TWinControl* focused, TWinControl* form, unsigned short key, unsigned shift)> ShortCut;
    // The window menu handle of a main menu (nullptr: the form shows none).
    std::function<void*(class TMainMenu* menu)> MainMenuHandle;
    // WM_CONTEXTMENU on a control with a popup menu, at a screen point.
    std::function<bool(TWinControl* window, TPopupMenu* menu, TPoint screenPoint)> Popup;
};

TMenuBridge& MenuBridge();
