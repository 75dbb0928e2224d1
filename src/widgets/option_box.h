// A flat tool button that offers a list of choices in a drop-down menu and
// remembers the chosen one (ItemIndex), optionally showing its text as the
// caption. The choices come from Items (the box builds its own menu from
// them) or from a popup menu given as DropdownMenu, whose items' click events
// the box takes over.
#pragma once

#include <set>
#include <vector>

#include "framework/strings.h"
#include "widgets/tool_button.h"

class TOptionBox : public TToolbarButton {
public:
    explicit TOptionBox(TComponent* AOwner);
    ~TOptionBox() override;
    void BeforeDestruction() override;

    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* strings) { FItems->Assign(strings); }
    int ItemIndex() const { return FItemIndex; }
    // Raises "ItemIndex out of bounds" for an entry the menu lacks (while the
    // caption follows the choice); ItemIndex then stays.
    void SetItemIndex(int index);
    bool DropDownOnClick = false;
    bool ChangeCaptionOnSelect() const { return FChangeCaptionOnSelect; }
    void SetChangeCaptionOnSelect(bool value);
    TNotifyEvent OnItemSelected;
    void SetDropdownMenu(TPopupMenu* menu) override;

    // Builds the menu or takes over the given one; run after loading, and by
    // the menu bar once it has set the drop-down menu. May run again.
    void Initialize();
    void Click() override;
    // The menu the box made from Items (none once it took over a given menu).
    TPopupMenu* OwnMenu() const { return FOwnMenu.get(); }

protected:
    void Loaded() override;
    void AssignMenus();
    void AssignEvents();
    void MenuItemClick(TObject* Sender);
    void ButtonClick(TObject* Sender);
    // Menu items keep their own Tag (the menu bar's option boxes).
    bool FKeepItemTags = false;

private:
    void StringListChanged(TObject* Sender);
    bool UsesOwnMenu() const { return FOwnMenu && DropdownMenu() == FOwnMenu.get(); }

    owned_ptr<TStringList> FItems;
    int FItemIndex = -1;
    bool FChangeCaptionOnSelect = true;
    TNotifyEvent FSavedClick;
    bool FClickTakenOver = false;
    owned_ptr<TPopupMenu> FOwnMenu;
    // The click handler each taken-over item had, by menu index (empty: none).
    std::vector<TNotifyEvent> FSavedItemHandlers;
    std::set<const TMenuItem*> FTakenItems;
    bool FInitializing = false;
};
