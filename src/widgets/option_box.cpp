#include "widgets/option_box.h"

#include "framework/sysutils.h"

TOptionBox::TOptionBox(TComponent* AOwner)
    : TToolbarButton(AOwner), FItems(new TStringList), FOwnMenu(new TPopupMenu(nullptr)) {}

void TOptionBox::BeforeDestruction() {
    if (UsesOwnMenu()) TToolbarButton::SetDropdownMenu(nullptr);
    TToolbarButton::BeforeDestruction();
}

TOptionBox::~TOptionBox() = default;

void TOptionBox::Loaded() {
    TToolbarButton::Loaded();
    Initialize();
}

void TOptionBox::Initialize() {
    FInitializing = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FInitializing};
    // Our own menu given back as "the" menu is not a menu to take over.
    if (DropdownMenu() && !UsesOwnMenu()) {
        AssignEvents();
    } else if (FOwnMenu) {
        TToolbarButton::SetDropdownMenu(FOwnMenu.get());
        AssignMenus();
    }
    FItems->OnChange = [this](TObject* sender) { StringListChanged(sender); };
    if (DropDownOnClick && !FClickTakenOver) {
        FSavedClick = OnClick;
        OnClick = [this](TObject* sender) { ButtonClick(sender); };
        FClickTakenOver = true;
    }
    if (DropdownMenu() && DropdownMenu()->Items()->Count() == 0) {
        TToolbarButton::SetDropdownMenu(nullptr);
        SetDropdownCombo(false);
        SetDropdownArrow(false);
    }
    FInitializing = false;
    SetItemIndex(FItemIndex);
}

void TOptionBox::AssignMenus() {
    // Only the box's own menu is rebuilt: a taken-over menu is the user's.
    if (!UsesOwnMenu()) return;
    TMenuItem* root = FOwnMenu->Items();
    root->Clear();
    for (int i = 0; i < FItems->Count(); ++i) {
        auto* item = new TMenuItem(FOwnMenu.get());
        root->Add(item);
        item->SetCaption(FItems->Get(i));
        item->OnClick = [this](TObject* sender) { MenuItemClick(sender); };
        if (!FKeepItemTags) item->Tag = i;
    }
}

void TOptionBox::AssignEvents() {
    TPopupMenu* menu = DropdownMenu();
    TNotifyEvent onChange = std::move(FItems->OnChange);
    FItems->OnChange = nullptr;
    FItems->Clear();
    std::vector<TNotifyEvent> saved;
    TMenuItem* root = menu->Items();
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        if (FTakenItems.count(item)) {
            // Taken over before: its handler now is ours, the saved one stays.
            int old = static_cast<int>(saved.size());
            saved.push_back(old < static_cast<int>(FSavedItemHandlers.size()) ? FSavedItemHandlers[static_cast<size_t>(old)]
                                                                             : TNotifyEvent());
        } else {
            saved.push_back(item->OnClick);
            FTakenItems.insert(item);
        }
        item->OnClick = [this](TObject* sender) { MenuItemClick(sender); };
        if (!FKeepItemTags) item->Tag = i;
        FItems->Add(item->Caption());
    }
    FSavedItemHandlers = std::move(saved);
    FItems->OnChange = std::move(onChange);
    FOwnMenu.reset();
}

void TOptionBox::StringListChanged(TObject*) {
    // A box loaded without items gave up its empty menu; the first items
    // bring the menu back, with its arrow.
    if (FOwnMenu && !DropdownMenu() && FItems->Count() > 0) {
        TToolbarButton::SetDropdownMenu(FOwnMenu.get());
        SetDropdownArrow(true);
    }
    AssignMenus();
}

void TOptionBox::MenuItemClick(TObject* Sender) {
    auto* item = static_cast<TMenuItem*>(Sender);
    if (FChangeCaptionOnSelect) SetCaption(item->Caption());
    FItemIndex = item->Tag;
    int index = item->MenuIndex();
    if (index >= 0 && index < static_cast<int>(FSavedItemHandlers.size()) && FSavedItemHandlers[static_cast<size_t>(index)])
        FSavedItemHandlers[static_cast<size_t>(index)](item);
    if (OnItemSelected && EventsEnabled()) OnItemSelected(this);
}

void TOptionBox::ButtonClick(TObject*) {
    if (FSavedClick) FSavedClick(this);
    TPopupMenu* menu = DropdownMenu();
    if (menu && menu->Items()->Count() > 0) {
        TPoint p = ClientToScreen({0, Height()});
        menu->Popup(p.X, p.Y);
    }
}

void TOptionBox::Click() {
    if (DropDownOnClick && FSavedClick && DropdownMenu() && !DropdownCombo()) {
        FSavedClick(this);
    } else if (!DropdownCombo() && !DropDownOnClick && OnClick && DropdownMenu() && EventsEnabled()) {
        OnClick(this);
    }
    TToolbarButton::Click();
}

void TOptionBox::SetItemIndex(int index) {
    if (!Loading() && !FInitializing && FChangeCaptionOnSelect) {
        if (index == -1) {
            SetCaption("");
        } else {
            TPopupMenu* menu = DropdownMenu();
            if (!menu || index < 0 || index >= menu->Items()->Count()) throw Exception("ItemIndex out of bounds");
            SetCaption(menu->Items()->Items(index)->Caption());
        }
    }
    FItemIndex = index;
}

void TOptionBox::SetChangeCaptionOnSelect(bool value) {
    if (value == FChangeCaptionOnSelect) return;
    FChangeCaptionOnSelect = value;
    SetItemIndex(FItemIndex);
}

void TOptionBox::SetDropdownMenu(TPopupMenu* menu) {
    TToolbarButton::SetDropdownMenu(menu);
    SetItemIndex(FItemIndex);
}
