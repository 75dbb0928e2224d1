// Menus over real window menus: items in a tree, each level a menu handle made
// on first need and kept in step as items are added, removed or changed (entry
// by entry, so what others stored in an entry survives). A main menu becomes a
// form's window menu; a popup menu is tracked on the popup-list window, which
// receives the messages of every popup that is open.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/classes.h"
#include "framework/gdi_handles.h"
#include "framework/graphics_types.h"

class TAction;
class TActionLink;
class TBitmap;
class TCanvas;
class TImageList;
class TMenu;
class TMenuItem;
struct HMENU__;
typedef HMENU__* HMENU;

// A key with its modifiers: the virtual key in the low byte, scShift, scCtrl and
// scAlt above it.
using TShortCut = uint16_t;
enum : TShortCut { scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };

// Shift state flags are those of controls.h (ssShift, ssAlt, ssCtrl).
TShortCut ShortCut(uint16_t key, unsigned shift);
void ShortCutToKey(TShortCut shortCut, uint16_t& key, unsigned& shift);
// The text the platform's menus show ("Ctrl+A", "Shift+F3", "Del"), code page 1251;
// TextToShortCut reads it back (0 for text that names no shortcut).
std::string ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(const std::string& text);

// A caption without its '&' markers ("&&" stands for one '&').
std::string StripHotkey(const std::string& caption);
// The character a caption's single '&' marks (0 when none).
char GetHotkey(const std::string& caption);

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
// Whether access keys and redundant separator lines are left to the menu
// (maAutomatic) or to the items' captions (maManual); maParent, an item's
// default, follows its parent. They are kept for those who copy or draw the
// items: the platform's menus show the captions as they are.
enum TMenuItemAutoFlag { maAutomatic, maManual, maParent };
using TMenuAutoFlag = TMenuItemAutoFlag;

// Selected: the item is highlighted. The advanced form gets the platform's
// ODS_* bits of the drawing request.
using TMenuDrawItemEvent = TEvent<TCanvas*, const TRect&, bool>;
using TAdvancedMenuDrawItemEvent = TEvent<TCanvas*, const TRect&, unsigned>;
using TMenuMeasureItemEvent = TEvent<TCanvas*, int&, int&>;  // canvas, width, height

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    void BeforeDestruction() override;

    // Code page 1251; '&' marks the access key, "-" is a separator line.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption);
    bool IsLine() const { return FCaption == "-"; }
    TShortCut GetShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut shortCut);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Checking a radio item unchecks the radio items of its group among its
    // siblings.
    bool Checked() const { return FChecked; }
    void SetChecked(bool checked);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool radio);
    uint8_t GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(uint8_t group);
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    TMenuBreak Break() const { return FBreak; }
    void SetBreak(TMenuBreak value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int index);
    // Shown beside the caption (made empty on first use; owned).
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* bitmap);
    std::string Hint;  // code page 1251
    int HelpContext = 0;
    TMenuItemAutoFlag AutoHotkeys = maParent;
    TMenuItemAutoFlag AutoLineReduction = maParent;
    // The images of this item's submenu, for those who draw it (not owned).
    TImageList* SubMenuImages() const { return FSubMenuImages; }
    void SetSubMenuImages(TImageList* images);
    // The item takes the action's caption, state, hint and image, follows its
    // changes while it still shows the same, and runs it when clicked without
    // an OnClick of its own.
    TAction* Action() const;
    void SetAction(TAction* action);

    // Children.
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(index); }
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Delete frees the child; Remove only takes it out.
    void Delete(int index);
    void Remove(TMenuItem* item);
    int IndexOf(const TMenuItem* item) const;
    // Frees every child.
    void Clear();
    TMenuItem* Parent() const { return FParent; }
    // The position among the parent's children; setting moves the item.
    int MenuIndex() const;
    void SetMenuIndex(int index);
    // The menu at the root of this item's tree (nullptr while detached).
    TMenu* GetParentMenu() const;

    // The identifier WM_COMMAND and the owner-draw messages carry.
    unsigned Command() const { return FCommand; }
    // The menu handle of this item's submenu (the menu bar's for a main menu's root).
    HMENU Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

    // Fires OnClick (else runs the action) when the item is enabled.
    virtual void Click();
    // Owner drawing: the handlers when bound, else the standard look.
    virtual void DrawItem(TCanvas* canvas, const TRect& rect, unsigned state);
    virtual void MeasureItem(TCanvas* canvas, int& width, int& height);
    // Brings the entries of this item's submenu up to date (the menu loop asks
    // before a submenu shows, so handlers bound since count).
    void RefreshEntries();
    // Whether the entry is drawn by the program.
    bool IsOwnerDraw() const;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TMenu;
    friend class TMainMenu;
    // The entry's position in the parent's menu handle (hidden items have none).
    int EntryPosition() const;
    void InsertEntry();
    void RemoveEntry();
    void UpdateEntry();
    void FillEntry(void* info, std::wstring& text);
    void DestroyHandle();
    void Changed(bool rebuild);

    std::string FCaption;
    TShortCut FShortCut = 0;
    bool FVisible = true;
    bool FEnabled = true;
    bool FChecked = false;
    bool FRadioItem = false;
    uint8_t FGroupIndex = 0;
    bool FDefault = false;
    TMenuBreak FBreak = mbNone;
    int FImageIndex = -1;
    owned_ptr<TBitmap> FBitmap;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on a menu's root item only
    unsigned FCommand = 0;
    HMENU FHandle = nullptr;
    TImageList* FSubMenuImages = nullptr;
    std::unique_ptr<TActionLink> FActionLink;
};

enum TFindItemKind { fkCommand, fkHandle, fkShortCut };
using TMenuChangeEvent = TEvent<TMenuItem*, bool>;  // source item (nullptr: all), rebuilt

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    void BeforeDestruction() override;

    // The root item: its children are the menu's items.
    TMenuItem* Items() const { return FItems.get(); }
    HMENU Handle() { return FItems->Handle(); }
    // Every item is drawn through OnDrawItem/OnMeasureItem (or the standard look).
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool value);
    // The items' images, for those who draw them (not owned).
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* images);
    TMenuAutoFlag AutoHotkeys = maAutomatic;
    TMenuAutoFlag AutoLineReduction = maAutomatic;
    // Searches the whole tree, hidden items included.
    TMenuItem* FindItem(unsigned value, TFindItemKind kind) const;
    TMenuItem* FindItem(unsigned command) const { return FindItem(command, fkCommand); }
    // Clicks the enabled item with this shortcut; true when one took it.
    bool IsShortCut(uint16_t key, unsigned shift);
    // Finds an item by command among every menu that exists.
    static TMenuItem* FindCommand(unsigned command);
    // The item whose submenu has this handle, among every menu.
    static TMenuItem* FindSubmenu(HMENU handle);

    TMenuChangeEvent OnChange;

protected:
    friend class TMenuItem;
    void Notification(TComponent* component, TOperation operation) override;
    // Called for every change of an item of the tree.
    virtual void MenuChanged(TMenuItem* source, bool rebuild);
    // The root level's kind of handle (a menu bar or a popup).
    virtual bool RootIsMenuBar() const { return false; }

private:
    owned_ptr<TMenuItem> FItems;
    bool FOwnerDraw = false;
    TImageList* FImages = nullptr;
};

// A form's window menu.
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* AOwner);
    void BeforeDestruction() override;
    // The handle a form shows: none while no item is visible.
    HMENU WindowMenuHandle();

protected:
    void MenuChanged(TMenuItem* source, bool rebuild) override;
    bool RootIsMenuBar() const override { return true; }
};

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // Shows the menu at a screen point and runs its menu loop; a chosen item's
    // OnClick fires when the command arrives.
    virtual void Popup(int x, int y);
    TPoint PopupPoint() const { return FPopupPoint; }
    // The control the menu was last popped up on (set by the control).
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* component);
    TPopupAlignment Alignment = paLeft;
    TTrackButton TrackButton = tbRightButton;
    // Controls pop the menu up on a right click (WM_CONTEXTMENU) when set.
    bool AutoPopup = true;
    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TPoint FPopupPoint{-1, -1};
    TComponent* FPopupComponent = nullptr;
};

// The hidden window that owns every tracked popup menu and receives its
// messages (WM_COMMAND, WM_INITMENUPOPUP, WM_MENUSELECT, WM_MENUCHAR, owner
// drawing). Others may subclass it; the previous procedure must be called.
HWND PopupListWindow();

// Connects the forms' window procedures to the menu classes (MenuBridge());
// done by the first menu made.
void InstallMenuBridge();
