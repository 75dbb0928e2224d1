#include "framework/menus.h"

#include <algorithm>
#include <unordered_map>

#include "framework/actions.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/image_list.h"
#include "framework/menus_bridge.h"
#include "framework/win.h"

namespace {

// Command identifiers start above the dialog box ids (IDOK .. IDHELP), which
// reach a window as WM_COMMAND without a control handle too; WM_COMMAND carries
// 16 bits of them.
constexpr unsigned kFirstCommand = 0x100;
constexpr unsigned kLastCommand = 0xFFFF;

struct TMenuRegistry {
    std::unordered_map<unsigned, TMenuItem*> items;  // by command
    std::vector<TMenu*> menus;
    unsigned next = kFirstCommand;

    unsigned Allocate(TMenuItem* item) {
        for (unsigned tries = 0; tries <= kLastCommand - kFirstCommand; ++tries) {
            unsigned id = next;
            next = next == kLastCommand ? kFirstCommand : next + 1;
            if (items.emplace(id, item).second) return id;
        }
        throw EMenuError("Too many menu items");
    }
};

TMenuRegistry& Registry() {
    static TMenuRegistry registry;
    return registry;
}

// The names the platform's menus give the keys that have no character.
struct TKeyName {
    uint16_t key;
    const char* name;
};
constexpr TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"},    {VK_ESCAPE, "Esc"},  {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},     {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

struct TModifierName {
    TShortCut flag;
    const char* name;
};
constexpr TModifierName kModifierNames[] = {{scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}};

std::string KeyName(uint16_t key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
    for (const auto& k : kKeyNames)
        if (k.key == key) return k.name;
    if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    if (!scan) return {};
    wchar_t name[64] = {};
    int length = GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 64);
    return length > 0 ? WideToAnsi(std::wstring_view(name, static_cast<size_t>(length))) : std::string();
}

// The menu font of the system, made once.
TFont* MenuFont() {
    static owned_ptr<TFont> font = [] {
        owned_ptr<TFont> f(new TFont);
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            f->SetHandle(CreateFontIndirectW(&metrics.lfMenuFont));
        return f;
    }();
    return font.get();
}

TMenuItem* ItemOfDrawRequest(unsigned itemId) {
    if (TMenuItem* item = TMenu::FindCommand(itemId)) return item;
    return TMenu::FindSubmenu(reinterpret_cast<HMENU>(static_cast<uintptr_t>(itemId)));
}

bool DrawMenuItem(LPARAM lParam) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (dis->CtlType != ODT_MENU) return false;
    TMenuItem* item = ItemOfDrawRequest(dis->itemID);
    if (!item) return false;
    int saved = SaveDC(dis->hDC);
    {
        TCanvas canvas;
        canvas.SetHandle(dis->hDC);
        canvas.SetFont(MenuFont());
        TRect rect{dis->rcItem.left, dis->rcItem.top, dis->rcItem.right, dis->rcItem.bottom};
        item->DrawItem(&canvas, rect, dis->itemState);
        canvas.SetHandle(nullptr);
    }
    RestoreDC(dis->hDC, saved);
    return true;
}

bool MeasureMenuItem(HWND window, LPARAM lParam) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (mis->CtlType != ODT_MENU) return false;
    TMenuItem* item = ItemOfDrawRequest(mis->itemID);
    if (!item) return false;
    HDC dc = GetDC(window);
    int width = 0, height = 0;
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.SetFont(MenuFont());
        item->MeasureItem(&canvas, width, height);
        canvas.SetHandle(nullptr);
    }
    ReleaseDC(window, dc);
    mis->itemWidth = static_cast<UINT>(std::max(width, 0));
    mis->itemHeight = static_cast<UINT>(std::max(height, 0));
    return true;
}

// A submenu is about to show: its entries are brought up to date and the item
// that owns it hears of it through OnClick (where programs enable and check).
bool InitMenuPopup(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam)) return false;  // the window menu
    TMenuItem* item = TMenu::FindSubmenu(reinterpret_cast<HMENU>(wParam));
    if (!item) return false;
    item->RefreshEntries();
    if (item->Parent()) item->Click();
    return true;
}

// Owner-drawn entries have no text the menu loop can search for an access key.
bool MenuChar(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    TMenuItem* parent = TMenu::FindSubmenu(reinterpret_cast<HMENU>(lParam));
    if (!parent) return false;
    char typed;
    if (!WideCharToAnsiChar(static_cast<wchar_t>(LOWORD(wParam)), typed)) return false;
    typed = AnsiUpperCase(std::string(1, typed))[0];
    std::vector<int> matches;
    int position = 0;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* child = parent->Items(i);
        if (!child->Visible()) continue;
        char hotkey = GetHotkey(child->Caption());
        if (hotkey && child->Enabled() && AnsiUpperCase(std::string(1, hotkey))[0] == typed)
            matches.push_back(position);
        ++position;
    }
    if (matches.empty()) return false;
    if (matches.size() == 1) {
        result = MAKELRESULT(matches[0], MNC_EXECUTE);
        return true;
    }
    // Several: step to the next one after the highlighted entry.
    int current = -1;
    HMENU menu = reinterpret_cast<HMENU>(lParam);
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i)
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) current = i;
    auto next = std::find_if(matches.begin(), matches.end(), [&](int p) { return p > current; });
    result = MAKELRESULT(next == matches.end() ? matches[0] : *next, MNC_SELECT);
    return true;
}

bool MenuMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_DRAWITEM:
        if (!DrawMenuItem(lParam)) return false;
        result = TRUE;
        return true;
    case WM_MEASUREITEM:
        if (!MeasureMenuItem(window, lParam)) return false;
        result = TRUE;
        return true;
    case WM_INITMENUPOPUP:
        result = 0;
        return InitMenuPopup(wParam, lParam);
    case WM_MENUCHAR:
        return MenuChar(wParam, lParam, result);
    }
    return false;
}

bool DispatchCommand(unsigned command) {
    TMenuItem* item = TMenu::FindCommand(command);
    if (!item) return false;
    item->Click();
    return true;
}

bool ShortCutInChain(TWinControl* focused, TWinControl* form, uint16_t key, unsigned shift) {
    for (TControl* c = focused; c; c = c->Parent()) {
        if (TPopupMenu* popup = c->PopupMenu())
            if (popup->IsShortCut(key, shift)) return true;
        if (c == form) break;
    }
    if (auto* f = dynamic_cast<TCustomForm*>(form))
        if (TMainMenu* menu = f->Menu())
            if (menu->IsShortCut(key, shift)) return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------

TShortCut ShortCut(uint16_t key, unsigned shift) {
    if (key & 0xFF00) return scNone;
    TShortCut result = static_cast<TShortCut>(key);
    if (shift & ssShift) result |= scShift;
    if (shift & ssCtrl) result |= scCtrl;
    if (shift & ssAlt) result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, unsigned& shift) {
    key = shortCut & 0xFF;
    shift = 0;
    if (shortCut & scShift) shift |= ssShift;
    if (shortCut & scCtrl) shift |= ssCtrl;
    if (shortCut & scAlt) shift |= ssAlt;
}

std::string ShortCutToText(TShortCut shortCut) {
    std::string name = KeyName(shortCut & 0xFF);
    if (name.empty()) return {};
    std::string text;
    for (const auto& m : kModifierNames)
        if (shortCut & m.flag) text += m.name;
    return text + name;
}

TShortCut TextToShortCut(const std::string& text) {
    std::string_view rest = text;
    TShortCut modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const auto& m : kModifierNames) {
            std::string_view name = m.name;
            if (rest.size() > name.size() && SameText(rest.substr(0, name.size()), name)) {
                modifiers |= m.flag;
                rest.remove_prefix(name.size());
                found = true;
            }
        }
    }
    if (rest.empty()) return scNone;
    for (uint16_t key = 0x08; key <= 0xFF; ++key) {
        std::string name = KeyName(key);
        if (!name.empty() && SameText(name, rest)) return static_cast<TShortCut>(key | modifiers);
    }
    return scNone;
}

std::string StripHotkey(const std::string& caption) {
    std::string result;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') result += '&';
            else continue;
            ++i;
            continue;
        }
        result += caption[i];
    }
    return result;
}

char GetHotkey(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return caption[i + 1];
        ++i;
    }
    return 0;
}

// ---------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {
    FCommand = Registry().Allocate(this);
    InstallMenuBridge();
}

TMenuItem::~TMenuItem() {
    Registry().items.erase(FCommand);
}

void TMenuItem::BeforeDestruction() {
    if (FParent) FParent->Remove(this);
    while (!FItems.empty()) TObject::Free(FItems.back());
    DestroyHandle();
    Registry().items.erase(FCommand);
    TComponent::BeforeDestruction();
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* root = this;
    while (root->FParent) root = root->FParent;
    return root->FMenu;
}

bool TMenuItem::IsOwnerDraw() const {
    if (OnDrawItem || OnAdvancedDrawItem || OnMeasureItem) return true;
    TMenu* menu = GetParentMenu();
    return menu && menu->OwnerDraw();
}

HMENU TMenuItem::Handle() {
    if (FHandle) return FHandle;
    bool bar = FMenu && FMenu->RootIsMenuBar();
    FHandle = bar ? CreateMenu() : CreatePopupMenu();
    if (!FHandle) throw EMenuError("Error creating menu");
    for (TMenuItem* child : FItems)
        if (child->FVisible) child->InsertEntry();
    return FHandle;
}

void TMenuItem::DestroyHandle() {
    if (!FHandle) return;
    // The children's submenus are theirs: take them out before the menu goes.
    if (IsMenu(FHandle)) {
        while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
        DestroyMenu(FHandle);
    }
    FHandle = nullptr;
}

int TMenuItem::EntryPosition() const {
    int position = 0;
    for (TMenuItem* sibling : FParent->FItems) {
        if (sibling == this) return position;
        if (sibling->FVisible) ++position;
    }
    return position;
}

void TMenuItem::FillEntry(void* raw, std::wstring& text) {
    auto& info = *static_cast<MENUITEMINFOW*>(raw);
    info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_BITMAP;
    bool ownerDraw = IsOwnerDraw();
    if (IsLine()) info.fType = MFT_SEPARATOR;
    if (ownerDraw) info.fType |= MFT_OWNERDRAW;
    if (FRadioItem) info.fType |= MFT_RADIOCHECK;
    if (FBreak == mbBreak) info.fType |= MFT_MENUBREAK;
    if (FBreak == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
    if (!FEnabled) info.fState |= MFS_DISABLED | MFS_GRAYED;
    if (FChecked) info.fState |= MFS_CHECKED;
    if (FDefault) info.fState |= MFS_DEFAULT;
    info.wID = FCommand;
    info.hSubMenu = FItems.empty() ? nullptr : Handle();
    if (FBitmap && !FBitmap->Empty() && !ownerDraw) info.hbmpItem = FBitmap->Handle();
    text = AnsiToWide(FCaption);
    bool topLevel = FParent && !FParent->FParent && FParent->FMenu && FParent->FMenu->RootIsMenuBar();
    if (FShortCut && !topLevel) {
        std::string shortCutText = ShortCutToText(FShortCut);
        if (!shortCutText.empty()) text += L'\t' + AnsiToWide(shortCutText);
    }
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
}

void TMenuItem::InsertEntry() {
    if (!FParent || !FParent->FHandle || !FVisible) return;
    MENUITEMINFOW info;
    std::wstring text;
    FillEntry(&info, text);
    if (!InsertMenuItemW(FParent->FHandle, static_cast<UINT>(EntryPosition()), TRUE, &info))
        throw EMenuError("Error inserting menu item");
}

void TMenuItem::RemoveEntry() {
    if (!FParent || !FParent->FHandle || !FVisible) return;
    RemoveMenu(FParent->FHandle, static_cast<UINT>(EntryPosition()), MF_BYPOSITION);
}

void TMenuItem::UpdateEntry() {
    if (!FParent || !FParent->FHandle || !FVisible) return;
    MENUITEMINFOW info;
    std::wstring text;
    FillEntry(&info, text);
    SetMenuItemInfoW(FParent->FHandle, static_cast<UINT>(EntryPosition()), TRUE, &info);
}

void TMenuItem::RefreshEntries() {
    if (!FHandle) return;
    for (TMenuItem* child : FItems) child->UpdateEntry();
}

void TMenuItem::Changed(bool rebuild) {
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, rebuild);
}

void TMenuItem::SetCaption(const std::string& caption) {
    if (FCaption == caption) return;
    FCaption = caption;
    UpdateEntry();
    Changed(false);
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
    if (FShortCut == shortCut) return;
    FShortCut = shortCut;
    UpdateEntry();
    Changed(false);
}

void TMenuItem::SetVisible(bool visible) {
    if (FVisible == visible) return;
    if (visible) {
        FVisible = true;
        InsertEntry();
    } else {
        RemoveEntry();
        FVisible = false;
    }
    Changed(true);
}

void TMenuItem::SetEnabled(bool enabled) {
    if (FEnabled == enabled) return;
    FEnabled = enabled;
    UpdateEntry();
    Changed(false);
}

void TMenuItem::SetChecked(bool checked) {
    if (FChecked == checked) return;
    FChecked = checked;
    if (checked && FRadioItem && FParent) {
        for (TMenuItem* sibling : FParent->FItems) {
            if (sibling == this || !sibling->FRadioItem || sibling->FGroupIndex != FGroupIndex) continue;
            if (!sibling->FChecked) continue;
            sibling->FChecked = false;
            sibling->UpdateEntry();
        }
    }
    UpdateEntry();
    Changed(false);
}

void TMenuItem::SetRadioItem(bool radio) {
    if (FRadioItem == radio) return;
    FRadioItem = radio;
    UpdateEntry();
    Changed(false);
}

void TMenuItem::SetGroupIndex(uint8_t group) {
    FGroupIndex = group;
}

void TMenuItem::SetDefault(bool value) {
    if (FDefault == value) return;
    FDefault = value;
    UpdateEntry();
    Changed(false);
}

void TMenuItem::SetBreak(TMenuBreak value) {
    if (FBreak == value) return;
    FBreak = value;
    UpdateEntry();
    Changed(false);
}

void TMenuItem::SetImageIndex(int index) {
    if (FImageIndex == index) return;
    FImageIndex = index;
    Changed(false);
}

TBitmap* TMenuItem::Bitmap() {
    if (!FBitmap) {
        FBitmap.reset(new TBitmap);
        FBitmap->OnChange = [this](TObject*) {
            UpdateEntry();
            Changed(false);
        };
    }
    return FBitmap.get();
}

void TMenuItem::SetBitmap(TBitmap* bitmap) {
    Bitmap()->Assign(bitmap);
    UpdateEntry();
    Changed(false);
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    if (item->FParent) throw EMenuError("Menu inserted twice");
    if (item->FMenu) throw EMenuError("A menu's root item cannot be inserted");
    if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
    for (TMenuItem* p = this; p; p = p->FParent)
        if (p == item) throw EMenuError("Menu inserted into itself");
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    if (FHandle) item->InsertEntry();
    // The first child makes our entry a submenu (building its handle if need be).
    if (FItems.size() == 1) UpdateEntry();
    Changed(true);
}

void TMenuItem::Remove(TMenuItem* item) {
    int index = IndexOf(item);
    if (index < 0) throw EMenuError("Sub-menu is not in menu");
    item->RemoveEntry();
    FItems.erase(FItems.begin() + index);
    item->FParent = nullptr;
    if (FItems.empty() && FParent) {
        // No children left: the entry stops being a submenu and our menu goes.
        UpdateEntry();
        DestroyHandle();
    }
    Changed(true);
}

void TMenuItem::Delete(int index) {
    if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
    TObject::Free(FItems[index]);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Clear() {
    while (!FItems.empty()) TObject::Free(FItems.back());
}

int TMenuItem::MenuIndex() const {
    return FParent ? FParent->IndexOf(this) : -1;
}

void TMenuItem::SetMenuIndex(int index) {
    if (!FParent) return;
    TMenuItem* parent = FParent;
    index = std::clamp(index, 0, parent->Count() - 1);
    if (index == MenuIndex()) return;
    parent->Remove(this);
    parent->Insert(index, this);
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    if (OnClick)
        OnClick(this);
    else if (FActionLink)
        FActionLink->Execute();
}

namespace {

void RunSendersAction(TObject* sender) {
    TAction* action = nullptr;
    if (auto* item = dynamic_cast<TMenuItem*>(sender))
        action = item->Action();
    else if (auto* control = dynamic_cast<TControl*>(sender))
        action = control->Action();
    if (action) action->Execute();
}

// An action's link to a menu item: a change of the action reaches the item
// while the item still shows the action's old value.
class TMenuActionLink : public TActionLink {
public:
    explicit TMenuActionLink(TMenuItem* item) : TActionLink(nullptr), FItem(item) {}
    bool IsCaptionLinked() const override { return FAction && FItem->Caption() == FAction->Caption(); }
    bool IsCheckedLinked() const override { return FAction && FItem->Checked() == FAction->Checked(); }
    bool IsEnabledLinked() const override { return FAction && FItem->Enabled() == FAction->Enabled(); }
    bool IsHelpContextLinked() const override { return FAction && FItem->HelpContext == FAction->HelpContext(); }
    bool IsHintLinked() const override { return FAction && FItem->Hint == FAction->Hint(); }
    bool IsImageIndexLinked() const override { return FAction && FItem->ImageIndex() == FAction->ImageIndex(); }
    bool IsVisibleLinked() const override { return FAction && FItem->Visible() == FAction->Visible(); }
    void SetCaption(const std::string& value) override {
        if (IsCaptionLinked()) FItem->SetCaption(value);
    }
    void SetChecked(bool value) override {
        if (IsCheckedLinked()) FItem->SetChecked(value);
    }
    void SetEnabled(bool value) override {
        if (IsEnabledLinked()) FItem->SetEnabled(value);
    }
    void SetHelpContext(int value) override {
        if (IsHelpContextLinked()) FItem->HelpContext = value;
    }
    void SetHint(const std::string& value) override {
        if (IsHintLinked()) FItem->Hint = value;
    }
    void SetImageIndex(int value) override {
        if (IsImageIndexLinked()) FItem->SetImageIndex(value);
    }
    void SetVisible(bool value) override {
        if (IsVisibleLinked()) FItem->SetVisible(value);
    }

private:
    TMenuItem* FItem;
};

}  // namespace

TAction* TMenuItem::Action() const {
    return FActionLink ? FActionLink->Action() : nullptr;
}

void TMenuItem::SetAction(TAction* action) {
    if (!action) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = std::make_unique<TMenuActionLink>(this);
    FActionLink->SetAction(action);
    // An item without a handler gets one that runs the action of whoever is
    // clicked, as a click on the item itself does, so the action also runs
    // for those who take over an item's OnClick and call it themselves (an
    // option box's drop-down, a menu bar's copies and buttons). It asks for
    // the action at each click: the action is the sender, and an action
    // cleared or freed since runs nothing.
    if (!OnClick) OnClick = RunSendersAction;
    SetCaption(action->Caption());
    SetChecked(action->Checked());
    SetEnabled(action->Enabled());
    HelpContext = action->HelpContext();
    Hint = action->Hint();
    SetImageIndex(action->ImageIndex());
    SetVisible(action->Visible());
}

void TMenuItem::SetSubMenuImages(TImageList* images) {
    if (FSubMenuImages == images) return;
    if (FSubMenuImages) FSubMenuImages->RemoveFreeNotification(this);
    FSubMenuImages = images;
    if (images) images->FreeNotification(this);
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FSubMenuImages) FSubMenuImages = nullptr;
}

void TMenuItem::DrawItem(TCanvas* canvas, const TRect& rect, unsigned state) {
    if (OnAdvancedDrawItem) {
        OnAdvancedDrawItem(this, canvas, rect, state);
        return;
    }
    bool selected = (state & ODS_SELECTED) != 0;
    if (OnDrawItem) {
        OnDrawItem(this, canvas, rect, selected);
        return;
    }
    // The standard look, for owner-drawn menus whose items have no handler.
    canvas->Brush()->SetColor(selected ? clHighlight : clMenu);
    canvas->FillRect(rect);
    HDC dc = canvas->Handle();
    RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    if (IsLine()) {
        r.top = (rect.Top + rect.Bottom) / 2 - 1;
        DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
        return;
    }
    int checkWidth = GetSystemMetrics(SM_CXMENUCHECK);
    if (FChecked) {
        RECT box{r.left, r.top, r.left + checkWidth, r.bottom};
        DrawFrameControl(dc, &box, DFC_MENU, FRadioItem ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    SelectObject(dc, MenuFont()->Handle());
    SetBkMode(dc, TRANSPARENT);
    TColor textColor = !FEnabled ? clGrayText : selected ? clHighlightText : clMenuText;
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(textColor)));
    r.left += checkWidth + 2;
    r.right -= 4;
    std::wstring caption = AnsiToWide(FCaption);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (FShortCut) {
        std::wstring shortCut = AnsiToWide(ShortCutToText(FShortCut));
        DrawTextW(dc, shortCut.c_str(), static_cast<int>(shortCut.size()), &r,
                  DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
    canvas->Refresh();
}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
    if (IsLine()) {
        width = 10;
        height = GetSystemMetrics(SM_CYMENU) / 2;
    } else {
        width = canvas->TextWidth(StripHotkey(FCaption)) + GetSystemMetrics(SM_CXMENUCHECK) + 8;
        if (FShortCut) width += canvas->TextWidth("\t" + ShortCutToText(FShortCut)) + 20;
        height = std::max(canvas->TextHeight("W") + 4, GetSystemMetrics(SM_CYMENU));
    }
    if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

// ---------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {
    FItems->FMenu = this;
    Registry().menus.push_back(this);
}

TMenu::~TMenu() {
    auto& menus = Registry().menus;
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
}

void TMenu::BeforeDestruction() {
    auto& menus = Registry().menus;
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
    FItems.reset();
    TComponent::BeforeDestruction();
}

void TMenu::SetImages(TImageList* images) {
    if (FImages == images) return;
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = images;
    if (images) images->FreeNotification(this);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FImages) FImages = nullptr;
}

void TMenu::SetOwnerDraw(bool value) {
    if (FOwnerDraw == value) return;
    FOwnerDraw = value;
    std::function<void(TMenuItem*)> refresh = [&](TMenuItem* item) {
        item->RefreshEntries();
        for (TMenuItem* child : item->FItems) refresh(child);
    };
    refresh(FItems.get());
    MenuChanged(nullptr, false);
}

TMenuItem* TMenu::FindItem(unsigned value, TFindItemKind kind) const {
    std::function<TMenuItem*(TMenuItem*)> search = [&](TMenuItem* item) -> TMenuItem* {
        for (TMenuItem* child : item->FItems) {
            bool match = false;
            switch (kind) {
            case fkCommand: match = child->FCommand == value; break;
            case fkHandle: match = child->FHandle && reinterpret_cast<uintptr_t>(child->FHandle) == value; break;
            case fkShortCut: match = child->FShortCut && child->FShortCut == value; break;
            }
            if (match) return child;
            if (TMenuItem* found = search(child)) return found;
        }
        return nullptr;
    };
    return search(FItems.get());
}

bool TMenu::IsShortCut(uint16_t key, unsigned shift) {
    TShortCut shortCut = ShortCut(key, shift & (ssShift | ssCtrl | ssAlt));
    if (!shortCut) return false;
    TMenuItem* item = FindItem(shortCut, fkShortCut);
    if (!item) return false;
    for (TMenuItem* p = item; p; p = p->Parent())
        if (!p->Enabled()) return false;
    item->Click();
    return true;
}

TMenuItem* TMenu::FindCommand(unsigned command) {
    auto& items = Registry().items;
    auto it = items.find(command);
    return it == items.end() ? nullptr : it->second;
}

TMenuItem* TMenu::FindSubmenu(HMENU handle) {
    if (!handle) return nullptr;
    for (TMenu* menu : Registry().menus) {
        if (menu->FItems->FHandle == handle) return menu->FItems.get();
        if (TMenuItem* item = menu->FindItem(static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle)), fkHandle))
            return item;
    }
    return nullptr;
}

void TMenu::MenuChanged(TMenuItem* source, bool rebuild) {
    if (OnChange) OnChange(this, source, rebuild);
}

// ---------------------------------------------------------------------------

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TMainMenu::BeforeDestruction() {
    // No form may keep showing (or pointing at) a menu that is going.
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (Screen->Forms(i)->Menu() == this) Screen->Forms(i)->SetMenu(nullptr);
    TMenu::BeforeDestruction();
}

HMENU TMainMenu::WindowMenuHandle() {
    TMenuItem* root = Items();
    // A window that was destroyed took its menu with it.
    if (root->FHandle && !IsMenu(root->FHandle)) {
        std::function<void(TMenuItem*)> forget = [&](TMenuItem* item) {
            item->FHandle = nullptr;
            for (TMenuItem* child : item->FItems) forget(child);
        };
        forget(root);
    }
    bool anyVisible = std::any_of(root->FItems.begin(), root->FItems.end(), [](TMenuItem* i) { return i->Visible(); });
    return anyVisible ? root->Handle() : nullptr;
}

void TMainMenu::MenuChanged(TMenuItem* source, bool rebuild) {
    bool topLevel = !source || source == Items() || source->Parent() == Items();
    if ((rebuild || topLevel) && Screen) {
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* form = Screen->Forms(i);
            if (form->Menu() != this || !form->HandleAllocated()) continue;
            HWND wnd = form->Handle();
            if (GetMenu(wnd) != WindowMenuHandle()) form->SetMenu(this);
            else DrawMenuBar(wnd);
        }
    }
    TMenu::MenuChanged(source, rebuild);
}

// ---------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::SetPopupComponent(TComponent* component) {
    if (FPopupComponent == component) return;
    if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
    FPopupComponent = component;
    if (component) component->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TMenu::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
    FPopupPoint = {x, y};
    if (OnPopup) OnPopup(this);
    HMENU menu = Handle();
    Items()->RefreshEntries();
    if (GetMenuItemCount(menu) <= 0) return;
    UINT flags = TrackButton == tbLeftButton ? TPM_LEFTBUTTON : TPM_RIGHTBUTTON;
    flags |= Alignment == paRight ? TPM_RIGHTALIGN : Alignment == paCenter ? TPM_CENTERALIGN : TPM_LEFTALIGN;
    TrackPopupMenuEx(menu, flags, x, y, PopupListWindow(), nullptr);
}

// ---------------------------------------------------------------------------

namespace {
HWND gPopupListWindow = nullptr;
}

HWND PopupListWindow() {
    if (!gPopupListWindow) {
        gPopupListWindow = static_cast<HWND>(AllocateHWnd([](unsigned message, uintptr_t wParam, intptr_t lParam) {
            LRESULT result = 0;
            if (message == WM_COMMAND && lParam == 0 && DispatchCommand(LOWORD(wParam))) return LRESULT(0);
            if (MenuMessage(nullptr, message, wParam, lParam, result)) return result;
            return DefWindowProcW(gPopupListWindow, message, wParam, lParam);
        }));
    }
    return gPopupListWindow;
}

void InstallMenuBridge() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    TMenuBridge& bridge = MenuBridge();
    bridge.Command = [](TWinControl*, unsigned commandId) { return DispatchCommand(commandId); };
    auto forward = [](TWinControl* window, TMessage& m) {
        LRESULT result = 0;
        HWND wnd = window && window->HandleAllocated() ? window->Handle() : nullptr;
        if (!MenuMessage(wnd, m.Msg, m.WParam, m.LParam, result)) return false;
        m.Result = result;
        return true;
    };
    bridge.DrawItem = forward;
    bridge.MeasureItem = forward;
    bridge.Other = forward;
    bridge.ShortCut = [](TWinControl* focused, TWinControl* form, unsigned short key, unsigned shift) {
        return ShortCutInChain(focused, form, key, shift);
    };
    bridge.MainMenuHandle = [](TMainMenu* menu) -> void* { return menu ? menu->WindowMenuHandle() : nullptr; };
    bridge.Popup = [](TWinControl* window, TPopupMenu* menu, TPoint point) {
        if (!menu || !menu->AutoPopup) return false;
        menu->SetPopupComponent(window);
        menu->Popup(point.X, point.Y);
        return true;
    };
}
