// The menu bar: a docked toolbar that stands in for a form's main menu. Each
// visible top-level item becomes a flat option button dropping down an
// owner-drawn copy of the item's submenu; the bar gives the row the keyboard
// and mouse behaviour of a menu bar through thread-local hooks, timers,
// private messages and a subclassing of the popup-list window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/gdi_handles.h"
#include "framework/icon.h"
#include "framework/menus.h"
#include "widgets/option_box.h"
#include "widgets/toolbar.h"

class TKeyboardHook;
class TMouseHook;
class TFiler;
class TStream;
class TTimer;
class TMenuBar;

enum TWhatDo { wdDelete, wdHide, wdNothing };

class TMenuOptionBox : public TOptionBox {
public:
    explicit TMenuOptionBox(TComponent* AOwner);
    // Also sizes the button to the text (an empty caption gives a borderless
    // button of width 0, plus the image width when it shows an image).
    void SetCaption(const std::string& caption);
    TMenuItem* SourceItem = nullptr;  // kept only with wdHide / wdNothing
    // The mouse-left / mouse-entered looks, for the bar's keyboard handling.
    // One button of a bar shows highlighted at a time: the keyboard's takes
    // the look from the one the mouse rests on.
    void Highlight(bool on) {
        if (on) {
            CoolOtherHotButton();
            MouseEntered();
        } else {
            MouseLeft();
        }
    }
};

class TMenuBarMenuItem : public TMenuItem {
public:
    using TMenuItem::TMenuItem;
    int Level = 0;  // 1 for items directly in a popup, 2 below them, ...
    TMenuItem* SourceItem = nullptr;
};

struct TMenuItemBitmap {
    std::string ItemName;
    TMenuItem* MenuItem = nullptr;
    std::unique_ptr<TBitmap> Bitmap;
};

class TMenuItemBitmaps {
public:
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItemBitmap& Items(int index) { return *FItems.at(static_cast<size_t>(index)); }
    // A new entry taking the item's name; the bitmap is taken over.
    void Add(TMenuItem* item, TBitmap* bitmap);
    TBitmap* GetBitmaps(const TMenuItem* item) const;
    void SetBitmaps(const TMenuItem* item, TBitmap* bitmap);
    void RemoveItem(const TMenuItem* item);
    // The saved form: an integer count; per entry the item's name, a byte
    // count (0: no bitmap) and the bitmap in BMP file format. Reading leaves
    // the items to be found by name later.
    void ReadData(TStream* stream);
    void WriteData(TStream* stream);

private:
    std::vector<std::unique_ptr<TMenuItemBitmap>> FItems;
};

class TMenuBar : public TToolbar {
public:
    explicit TMenuBar(TComponent* AOwner);
    ~TMenuBar() override;
    void BeforeDestruction() override;

    TMainMenu* MainMenu = nullptr;
    void SetMainMenu(TMainMenu* menu);
    int ButtonHeight = 19;
    TWhatDo WhatDoWithOldMenus = wdDelete;
    TMenuItemBitmaps* Bitmaps() { return &FBitmaps; }
    TMenuItemBitmaps* BitmapsChecked() { return &FBitmapsChecked; }
    bool AutoCreateMenu = true;
    // When not empty, shown as a clickable image at the left end of the bar
    // that pops up PopupMenuSystemMenu.
    TIcon* SystemMenuIcon() const { return FSystemMenuIcon.get(); }
    void SetSystemMenuIcon(TIcon* icon);
    TPopupMenu* PopupMenuSystemMenu = nullptr;
    TMenuDrawItemEvent OnAllDrawItem;
    TMenuMeasureItemEvent OnAllMeasureItem;

    void SetEnabled(bool enabled) override;
    void CreateMenu();
    // Raises "Cannot synchronize with WhatDoWithOldMenus = wdDelete".
    void Synchronize();
    void FixupReferences();
    // The saved per-item bitmaps: the binary properties "TheBitmaps" and
    // "TheBitmapsChecked".
    void DefineProperties(TFiler* filer);
    int GetPopupsCount() const { return static_cast<int>(FPopups.size()); }
    TPopupMenu* GetPopups(int index) const { return FPopups.at(static_cast<size_t>(index)); }

    // State, for tests and the popup-list window.
    bool MenuMode() const { return FMenuMode; }
    bool PopupOpen() const { return FPopupOpen; }
    TControl* CurrentControl() const { return FCurrentControl; }
    int PopupDepth() const { return FPopupDepth; }

    intptr_t KeyboardHookEvent(TObject* Sender, int nCode, uintptr_t wParam, intptr_t lParam);
    intptr_t MouseHookEvent(TObject* Sender, int nCode, uintptr_t wParam, intptr_t lParam);
    void WndProc(TMessage& message) override;
    // A message of the popup-list window, before its own procedure sees it.
    void PopupListMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void AddSystemMenuImage();
    bool IsSystemMenuImage(const TControl* control) const { return control && control == FIconImage; }
    void IconImageClick(TObject* Sender);
    void CopySubmenu(TMenuItem* source, TMenuItem* target, int depth, TMenuOptionBox* button);
    void AssignMenuItemToMenuItem(TMenuItem* source, TMenuItem* target);
    void AssignMenuItemToButton(TMenuItem* item, TMenuOptionBox* button);
    void DockChanged(TObject* Sender);
    void DockResized(TObject* Sender);
    void HookDock(TDock* dock);
    void ChangeButton();
    void PrepareButtonClose();
    void ClosePopup(TObject* Sender);
    void NoIgnoreMouse(TObject* Sender);
    void OnTimerSync(TObject* Sender);
    void InitPopup(TMenuOptionBox* button);
    void PopupOpened();
    void PopupClosed();
    void PopupSelect();
    void ShowCurrentPopup();
    void RaiseCurrentButton();
    void ForgetCurrent();
    void LeaveMenuMode();
    void EndMenuModeOnClickAway(uintptr_t mouseMessage, TPoint pt);
    void EndMenuModeOnFocusLoss();
    void DoSynchronize();
    void SyncItems(TMenuItem* copy);
    int LastButtonIndex() const { return ControlCount() - 1; }
    TMenuOptionBox* CurrentButton() const;

    TMenuItemBitmaps FBitmaps;
    TMenuItemBitmaps FBitmapsChecked;
    std::vector<TPopupMenu*> FPopups;
    std::vector<TMenuItem*> FMirroredItems;  // the main-menu items that got buttons
    std::unique_ptr<TIcon> FSystemMenuIcon;
    TControl* FIconImage = nullptr;  // the system-menu image, owned as a component
    std::vector<TBitmapHandle> FEntryBitmaps;  // copies given to the native menus
    TKeyboardHook* FKeyboardHook = nullptr;
    TMouseHook* FMouseHook = nullptr;
    TTimer* FCloseTimer = nullptr;
    TTimer* FMouseTimer = nullptr;
    TTimer* FSyncTimer = nullptr;
    bool FMenuMode = false;
    bool FPopupOpen = false;
    TControl* FCurrentControl = nullptr;
    int FCurrentIndex = -1;
    int FFirstButtonIndex = -1;
    int FPopupDepth = 0;
    bool FReopenAfterClose = false;
    bool FClosingByProgram = false;
    bool FCloseRequested = false;
    int FCloseTicks = 0;
    bool FIgnoreMouse = false;
    TPoint FMousePos{-1, -1};  // where the last mouse move the hook saw was
    bool FAltPending = false;
    bool FIgnoreLeft = false;
    bool FIgnoreRight = false;
    unsigned FArrowKeySeen = 0;  // Left or Right peeked at, with the flags of that moment
    bool FArrowIgnoreLeft = false;
    bool FArrowIgnoreRight = false;
    int FSyncCount = 0;
    bool FPopupOpenAtSync = false;
    HWND FFocusBeforeMenuMode = nullptr;
    bool FUserEscapeInPopup = false;  // the open popup is being closed back to the bar
    TNotifyEvent FSavedDockChanged;
    TNotifyEvent FSavedDockResize;
    TDock* FHookedDock = nullptr;
    bool FMenuCreated = false;
};
