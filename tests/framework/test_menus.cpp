#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/actions.h"
#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/image_list.h"
#include "framework/menus.h"
#include "framework/win.h"

namespace {

// A focusable windowed control to receive keys and right clicks.
class TKeyTarget : public TCustomControl {
public:
    explicit TKeyTarget(TComponent* owner) : TCustomControl(owner) { TabStop = true; }
};

std::string A(const char* utf8) { return Utf8ToAnsi(utf8); }

TMenuItem* NewItem(TComponent* owner, TMenuItem* parent, const std::string& caption, TShortCut shortCut,
                   std::vector<std::string>* clicks) {
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    if (clicks) item->OnClick = [clicks, caption](TObject*) { clicks->push_back(caption); };
    parent->Add(item);
    return item;
}

// File: Open (Ctrl+O), a separator, Exit; Edit: Copy (Ctrl+C), a hidden Paste.
// The target control has a popup menu with Find (Ctrl+F) and its own Copy (Ctrl+C).
class TMenuForm : public TForm {
public:
    explicit TMenuForm(TComponent* owner) : TForm(owner) {
        BuildForm([&] {
            SetBounds(20, 20, 400, 300);
            target = new TKeyTarget(this);
            target->SetParent(this);
            target->SetBounds(10, 10, 100, 100);
            menu = new TMainMenu(this);
            file = NewItem(this, menu->Items(), A("&Файл"), 0, nullptr);
            open = NewItem(this, file, A("&Открыть"), ShortCut('O', ssCtrl), &clicks);
            NewItem(this, file, "-", 0, nullptr);
            exit = NewItem(this, file, A("Выход"), 0, &clicks);
            edit = NewItem(this, menu->Items(), A("Правка"), 0, nullptr);
            copy = NewItem(this, edit, A("Копировать"), ShortCut('C', ssCtrl), &clicks);
            paste = NewItem(this, edit, A("Вставить"), ShortCut('V', ssCtrl), &clicks);
            paste->SetVisible(false);
            SetMenu(menu);
            popup = new TPopupMenu(this);
            find = NewItem(this, popup->Items(), A("Найти"), ShortCut('F', ssCtrl), &clicks);
            popupCopy = NewItem(this, popup->Items(), A("Копировать (popup)"), ShortCut('C', ssCtrl), &clicks);
            target->SetPopupMenu(popup);
        });
    }
    TKeyTarget* target;
    TMainMenu* menu;
    TPopupMenu* popup;
    TMenuItem *file, *open, *exit, *edit, *copy, *paste, *find, *popupCopy;
    std::vector<std::string> clicks;
};

struct TEntry {
    std::wstring text;
    UINT type;
    UINT state;
    HMENU submenu;
};

TEntry ReadEntry(HMENU menu, int position) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 255;
    EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info));
    return {text, info.fType, info.fState, info.hSubMenu};
}

// Closes whatever menu loop is running when the timer fires.
void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

void PressKey(HWND target, WORD key, bool ctrl) {
    BYTE state[256];
    GetKeyboardState(state);
    BYTE saved = state[VK_CONTROL];
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(target, WM_KEYDOWN, key, 1);
    Application->ProcessMessages();
    state[VK_CONTROL] = saved;
    SetKeyboardState(state);
}

TEST(MenuShortCuts, TextIsThePlatformsAndReadsBack) {
    struct Case {
        TShortCut shortCut;
        const char* text;
    };
    const Case cases[] = {
        {ShortCut('A', ssCtrl), "Ctrl+A"},
        {ShortCut(VK_F3, ssShift), "Shift+F3"},
        {ShortCut(VK_DELETE, 0), "Del"},
        {ShortCut(VK_INSERT, ssShift | ssCtrl | ssAlt), "Shift+Ctrl+Alt+Ins"},
        {ShortCut('5', ssAlt), "Alt+5"},
        {ShortCut(VK_NEXT, ssCtrl), "Ctrl+PgDn"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShortCutToText(c.shortCut), c.text);
        EXPECT_EQ(TextToShortCut(c.text), c.shortCut) << c.text;
    }
    EXPECT_EQ(TextToShortCut("ctrl+a"), ShortCut('A', ssCtrl));
    EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
    EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), scNone);
    EXPECT_EQ(ShortCutToText(scNone), "");

    uint16_t key;
    unsigned shift;
    ShortCutToKey(ShortCut('P', ssCtrl | ssShift), key, shift);
    EXPECT_EQ(key, 'P');
    EXPECT_EQ(shift, unsigned(ssCtrl | ssShift));
}

TEST(MenuShortCuts, HotkeyMarkers) {
    EXPECT_EQ(StripHotkey(A("&Файл")), A("Файл"));
    EXPECT_EQ(StripHotkey("Save && &Exit"), "Save & Exit");
    EXPECT_EQ(GetHotkey("Save && &Exit"), 'E');
    EXPECT_EQ(GetHotkey("A && B"), 0);
    EXPECT_EQ(GetHotkey("Trailing&"), 0);
}

TEST(Menus, MainMenuBecomesTheWindowMenuWithShortCutTexts) {
    auto* form = new TMenuForm(Application);
    form->Show();
    HMENU bar = GetMenu(form->Handle());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar, form->menu->Handle());
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    TEntry fileEntry = ReadEntry(bar, 0);
    EXPECT_EQ(fileEntry.text, Utf8ToWide("&Файл"));
    ASSERT_EQ(fileEntry.submenu, form->file->Handle());

    HMENU fileMenu = fileEntry.submenu;
    ASSERT_EQ(GetMenuItemCount(fileMenu), 3);
    EXPECT_EQ(ReadEntry(fileMenu, 0).text, Utf8ToWide("&Открыть\tCtrl+O"));
    EXPECT_TRUE(ReadEntry(fileMenu, 1).type & MFT_SEPARATOR);
    EXPECT_EQ(ReadEntry(fileMenu, 2).text, Utf8ToWide("Выход"));
    // The hidden item has no entry.
    EXPECT_EQ(GetMenuItemCount(ReadEntry(bar, 1).submenu), 1);

    // Changes reach the entries in place.
    form->exit->SetCaption(A("Закрыть"));
    form->exit->SetEnabled(false);
    form->open->SetChecked(true);
    EXPECT_EQ(ReadEntry(fileMenu, 2).text, Utf8ToWide("Закрыть"));
    EXPECT_TRUE(ReadEntry(fileMenu, 2).state & MFS_DISABLED);
    EXPECT_TRUE(ReadEntry(fileMenu, 0).state & MFS_CHECKED);
    form->paste->SetVisible(true);
    HMENU editMenu = ReadEntry(bar, 1).submenu;
    ASSERT_EQ(GetMenuItemCount(editMenu), 2);
    EXPECT_EQ(ReadEntry(editMenu, 1).text, Utf8ToWide("Вставить\tCtrl+V"));

    // An item inserted between others lands at its place; a deleted one goes.
    auto* save = new TMenuItem(form);
    save->SetCaption("Save");
    form->file->Insert(1, save);
    ASSERT_EQ(GetMenuItemCount(fileMenu), 4);
    EXPECT_EQ(ReadEntry(fileMenu, 1).text, L"Save");
    EXPECT_EQ(save->MenuIndex(), 1);
    form->file->Delete(0);
    ASSERT_EQ(GetMenuItemCount(fileMenu), 3);
    EXPECT_EQ(ReadEntry(fileMenu, 0).text, L"Save");

    // A menu with nothing visible gives the window no menu bar.
    form->file->SetVisible(false);
    form->edit->SetVisible(false);
    EXPECT_EQ(GetMenu(form->Handle()), nullptr);
    form->edit->SetVisible(true);
    EXPECT_EQ(GetMenu(form->Handle()), form->menu->Handle());
    TObject::Free(form);
}

TEST(Menus, CommandFiresTheItemsClickUnlessDisabled) {
    auto* form = new TMenuForm(Application);
    form->Show();
    SendMessageW(form->Handle(), WM_COMMAND, form->open->Command(), 0);
    form->exit->SetEnabled(false);
    SendMessageW(form->Handle(), WM_COMMAND, form->exit->Command(), 0);
    EXPECT_EQ(form->clicks, std::vector<std::string>{A("&Открыть")});
    EXPECT_EQ(form->menu->FindItem(form->copy->Command()), form->copy);
    EXPECT_EQ(form->menu->FindItem(form->find->Command()), nullptr);
    TObject::Free(form);
}

TEST(Menus, ShortCutsGoToThePopupChainThenTheMainMenu) {
    struct Case {
        WORD key;
        bool ctrl;
        std::vector<std::string> clicks;
    };
    const std::vector<Case> cases = {
        {'O', true, {A("&Открыть")}},
        {'F', true, {A("Найти")}},
        // Both menus have Ctrl+C: the focused control's popup menu wins.
        {'C', true, {A("Копировать (popup)")}},
        // Hidden items keep their shortcuts.
        {'V', true, {A("Вставить")}},
        {'O', false, {}},
    };
    auto* form = new TMenuForm(Application);
    form->Show();
    form->target->SetFocus();
    for (const auto& c : cases) {
        form->clicks.clear();
        PressKey(form->target->Handle(), c.key, c.ctrl);
        EXPECT_EQ(form->clicks, c.clicks) << char(c.key);
    }
    // A disabled item (or one under a disabled parent) takes no shortcut.
    form->clicks.clear();
    form->file->SetEnabled(false);
    PressKey(form->target->Handle(), 'O', true);
    EXPECT_TRUE(form->clicks.empty());
    TObject::Free(form);
}

TEST(Menus, OwnerDrawnItemsAreMeasuredAndDrawnThroughTheirEvents) {
    auto* form = new TMenuForm(Application);
    form->menu->SetOwnerDraw(true);
    form->Show();
    TMenuItem* item = form->open;
    std::string measuredCaption;
    item->OnMeasureItem = [&](TObject* sender, TCanvas* canvas, int& width, int& height) {
        measuredCaption = static_cast<TMenuItem*>(sender)->Caption();
        EXPECT_NE(canvas, nullptr);
        width = canvas->TextWidth(measuredCaption);
        height = 23;
    };
    TRect drawnRect{};
    bool drawnSelected = false;
    item->OnDrawItem = [&](TObject*, TCanvas* canvas, const TRect& rect, bool selected) {
        drawnRect = rect;
        drawnSelected = selected;
        canvas->Brush()->SetColor(clRed);
        canvas->FillRect(rect);
    };
    // The entry became owner-drawn when the handlers were bound.
    form->file->RefreshEntries();
    EXPECT_TRUE(ReadEntry(form->file->Handle(), 0).type & MFT_OWNERDRAW);

    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemID = item->Command();
    SendMessageW(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
    EXPECT_EQ(measuredCaption, item->Caption());
    EXPECT_EQ(mis.itemHeight, 23u);
    EXPECT_GT(mis.itemWidth, 0u);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 50, 30);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = item->Command();
    dis.itemState = ODS_SELECTED;
    dis.hDC = dc;
    dis.rcItem = {2, 3, 40, 26};
    SendMessageW(form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(drawnRect, Rect(2, 3, 40, 26));
    EXPECT_TRUE(drawnSelected);
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(255, 0, 0));

    // An item without handlers gets the standard look in an owner-drawn menu.
    mis.itemID = form->exit->Command();
    mis.itemWidth = mis.itemHeight = 0;
    SendMessageW(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
    EXPECT_GE(int(mis.itemHeight), GetSystemMetrics(SM_CYMENU));
    EXPECT_GT(mis.itemWidth, 20u);
    dis.itemID = form->exit->Command();
    SendMessageW(form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(GetPixel(dc, 3, 4), static_cast<COLORREF>(GetSysColor(COLOR_HIGHLIGHT)));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    TObject::Free(form);
}

TEST(Menus, APopupMenuShowsOnRightClickAndDrawsItsItems) {
    auto* form = new TMenuForm(Application);
    form->Show();
    TPopupMenu* popup = form->popup;
    popup->SetOwnerDraw(true);
    // Owner-drawn separators are the program's to draw too.
    auto* line = new TMenuItem(form);
    line->SetCaption("-");
    popup->Items()->Insert(1, line);
    int popups = 0;
    popup->OnPopup = [&](TObject*) { ++popups; };
    std::vector<std::string> measured;
    std::vector<int> drawnHeights;
    for (int i = 0; i < popup->Items()->Count(); ++i) {
        TMenuItem* item = popup->Items()->Items(i);
        item->OnMeasureItem = [&](TObject* sender, TCanvas*, int& width, int& height) {
            measured.push_back(static_cast<TMenuItem*>(sender)->Caption());
            width = 120;
            height = 21;
        };
        item->OnDrawItem = [&](TObject*, TCanvas*, const TRect& rect, bool) { drawnHeights.push_back(rect.Height()); };
    }
    SetTimer(nullptr, 0, 300, EndMenuTimer);
    SendMessageW(form->target->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->target->Handle()),
                 MAKELPARAM(100, 120));
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(popup->PopupComponent(), form->target);
    EXPECT_EQ(popup->PopupPoint(), (TPoint{100, 120}));
    EXPECT_EQ(measured, (std::vector<std::string>{A("Найти"), "-", A("Копировать (popup)")}));
    ASSERT_EQ(drawnHeights.size(), 3u);
    for (int h : drawnHeights) EXPECT_EQ(h, 21);

    // The popup list window receives the chosen command.
    SendMessageW(PopupListWindow(), WM_COMMAND, form->find->Command(), 0);
    EXPECT_EQ(form->clicks, std::vector<std::string>{A("Найти")});

    popup->AutoPopup = false;
    SendMessageW(form->target->Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(100, 120));
    EXPECT_EQ(popups, 1);
    TObject::Free(form);
}

TEST(Menus, AccessKeysOfOwnerDrawnItemsAnswerMenuChar) {
    auto* form = new TMenuForm(Application);
    TPopupMenu* popup = form->popup;
    popup->SetOwnerDraw(true);
    auto* hidden = new TMenuItem(form);
    hidden->SetCaption(A("&Скрытый"));
    hidden->SetVisible(false);
    popup->Items()->Insert(0, hidden);
    auto* shown = new TMenuItem(form);
    shown->SetCaption(A("&Сохранить"));
    popup->Items()->Add(shown);
    HMENU menu = popup->Handle();
    // Positions count only visible entries: "Сохранить" is the third.
    LRESULT r = SendMessageW(PopupListWindow(), WM_MENUCHAR, MAKEWPARAM(Utf8ToWide("с")[0], MF_POPUP),
                             reinterpret_cast<LPARAM>(menu));
    EXPECT_EQ(HIWORD(r), MNC_EXECUTE);
    EXPECT_EQ(LOWORD(r), 2);
    r = SendMessageW(PopupListWindow(), WM_MENUCHAR, MAKEWPARAM(L'q', MF_POPUP), reinterpret_cast<LPARAM>(menu));
    EXPECT_EQ(HIWORD(r), MNC_IGNORE);
    TObject::Free(form);
}

TEST(Menus, RadioItemsOfAGroupExcludeEachOther) {
    owned_ptr<TPopupMenu> popup(new TPopupMenu(nullptr));
    std::vector<TMenuItem*> items;
    for (int group : {1, 1, 2}) {
        auto* item = new TMenuItem(popup.get());
        item->SetRadioItem(true);
        item->SetGroupIndex(static_cast<uint8_t>(group));
        popup->Items()->Add(item);
        items.push_back(item);
    }
    items[0]->SetChecked(true);
    items[2]->SetChecked(true);
    items[1]->SetChecked(true);
    EXPECT_FALSE(items[0]->Checked());
    EXPECT_TRUE(items[1]->Checked());
    EXPECT_TRUE(items[2]->Checked());
    EXPECT_TRUE(ReadEntry(popup->Handle(), 1).type & MFT_RADIOCHECK);
    EXPECT_FALSE(ReadEntry(popup->Handle(), 0).state & MFS_CHECKED);
}

TEST(Menus, ItemsLeaveTheirParentWhenFreedAndMenusLeaveTheirForm) {
    auto* form = new TMenuForm(Application);
    form->Show();
    HMENU fileMenu = form->file->Handle();
    int components = form->ComponentCount();
    TObject::Free(form->exit);
    EXPECT_EQ(form->file->Count(), 2);
    EXPECT_EQ(GetMenuItemCount(fileMenu), 2);
    EXPECT_EQ(form->ComponentCount(), components - 1);
    // Freeing a parent frees its children (which leave their owner).
    TObject::Free(form->edit);
    EXPECT_EQ(form->ComponentCount(), components - 4);
    EXPECT_EQ(form->menu->Items()->Count(), 1);
    // Items removed from one menu can join another.
    TMenuItem* open = form->open;
    form->file->Remove(open);
    form->popup->Items()->Add(open);
    EXPECT_EQ(open->GetParentMenu(), form->popup);
    EXPECT_EQ(GetMenuItemCount(fileMenu), 1);
    EXPECT_THROW(form->popup->Items()->Add(open), EMenuError);

    TObject::Free(form->menu);
    EXPECT_EQ(form->Menu(), nullptr);
    EXPECT_EQ(GetMenu(form->Handle()), nullptr);
    TObject::Free(form);
}

// An item bound to an action shows the action and follows its changes while
// it still shows the same; a click without an OnClick runs the action.
TEST(Menus, AnItemFollowsItsActionAndRunsIt) {
    auto* form = new TMenuForm(Application);
    auto* action = new TAction(form);
    int runs = 0;
    action->OnExecute = [&](TObject*) { ++runs; };
    action->SetCaption("Act");
    action->SetHint("hint");
    action->SetImageIndex(3);
    action->SetChecked(true);
    TMenuItem* item = form->find;
    item->SetAction(action);
    EXPECT_EQ(item->Action(), action);
    EXPECT_EQ(item->Caption(), "Act");
    EXPECT_EQ(item->Hint, "hint");
    EXPECT_EQ(item->ImageIndex(), 3);
    EXPECT_TRUE(item->Checked());
    action->SetEnabled(false);
    EXPECT_FALSE(item->Enabled());
    action->SetEnabled(true);
    item->SetCaption("Own");
    action->SetCaption("Act again");
    EXPECT_EQ(item->Caption(), "Own");  // no longer the action's
    item->OnClick = nullptr;
    item->Click();
    EXPECT_EQ(runs, 1);
    TObject::Free(action);
    EXPECT_EQ(item->Action(), nullptr);
    item->Click();
    EXPECT_EQ(runs, 1);
    TObject::Free(form);
}

// A click on an item bound to an action runs the action as a button bound to
// it does: with the action as the sender, and only while the item still has
// the action; the handler a taker-over keeps runs the same way.
TEST(Menus, AClickedItemRunsItsActionAsAButtonDoes) {
    auto* form = new TMenuForm(Application);
    std::vector<TObject*> senders;
    auto* action = new TAction(form);
    action->OnExecute = [&](TObject* sender) { senders.push_back(sender); };
    auto* button = new TGraphicControl(form);
    button->SetParent(form);
    TMenuItem* item = NewItem(form, form->popup->Items(), "Act", 0, nullptr);
    item->SetAction(action);
    button->SetAction(action);
    const TNotifyEvent takenOver = item->OnClick;

    item->Click();
    button->Click();
    takenOver(item);
    EXPECT_EQ(senders, (std::vector<TObject*>{action, action, action}));

    senders.clear();
    item->SetAction(nullptr);
    item->Click();
    takenOver(item);
    EXPECT_TRUE(senders.empty()) << "a cleared action runs no more";

    auto* second = new TAction(form);
    second->OnExecute = [&](TObject*) { senders.push_back(second); };
    item->SetAction(second);
    TObject::Free(second);
    item->Click();
    takenOver(item);
    EXPECT_TRUE(senders.empty()) << "a freed action runs no more and nothing crashes";
    TObject::Free(form);
}

TEST(Menus, ImagesAndAutoFlagsAreKeptAndAFreedListIsLetGo) {
    auto* form = new TMenuForm(Application);
    EXPECT_EQ(form->menu->AutoHotkeys, maAutomatic);
    EXPECT_EQ(form->menu->AutoLineReduction, maAutomatic);
    EXPECT_EQ(form->file->AutoHotkeys, maParent);
    EXPECT_EQ(form->file->AutoLineReduction, maParent);
    auto* images = new TImageList(form, 16, 16);
    form->menu->SetImages(images);
    form->file->SetSubMenuImages(images);
    EXPECT_EQ(form->menu->Images(), images);
    EXPECT_EQ(form->file->SubMenuImages(), images);
    TObject::Free(images);
    EXPECT_EQ(form->menu->Images(), nullptr);
    EXPECT_EQ(form->file->SubMenuImages(), nullptr);
    TObject::Free(form);
}

}  // namespace
