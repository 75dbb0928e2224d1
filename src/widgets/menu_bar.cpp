#include "widgets/menu_bar.h"

#include <algorithm>
#include <cwchar>

#include "framework/application.h"
#include "framework/property_filer.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "widgets/hook_components.h"

namespace {

constexpr unsigned WM_ProcessResize = WM_USER + 1;
constexpr unsigned WM_ShowPopup = WM_USER + 2;
constexpr unsigned WM_RaiseButton = WM_USER + 3;
constexpr unsigned WM_Synchronize = WM_USER + 4;
constexpr int kCloseGiveUpTicks = 20;  // about 1 s of 50 ms ticks

int gMenuBarCount = 0;
WNDPROC gPreviousPopupListProc = nullptr;

TMenuBar* ActiveFormMenuBar() {
    TCustomForm* form = Screen ? Screen->ActiveForm() : nullptr;
    if (!form) return nullptr;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* bar = dynamic_cast<TMenuBar*>(form->Components(i))) return bar;
    return nullptr;
}

LRESULT CALLBACK PopupListProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = gPreviousPopupListProc;
    if (TMenuBar* bar = ActiveFormMenuBar()) {
        // The bar's bookkeeping may raise; the message still goes on.
        try {
            bar->PopupListMessage(message, wParam, lParam);
        } catch (...) {
            if (Application) Application->HandleException(nullptr);
        }
    }
    if (message == WM_NCDESTROY) gPreviousPopupListProc = nullptr;
    return previous ? CallWindowProcW(previous, wnd, message, wParam, lParam)
                    : DefWindowProcW(wnd, message, wParam, lParam);
}

void SubclassPopupList() {
    if (gPreviousPopupListProc) return;
    HWND wnd = PopupListWindow();
    gPreviousPopupListProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PopupListProc)));
}

void UnsubclassPopupList() {
    if (!gPreviousPopupListProc) return;
    HWND wnd = PopupListWindow();
    // Someone who subclassed after us would lose their procedure.
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC)) == &PopupListProc)
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gPreviousPopupListProc));
    gPreviousPopupListProc = nullptr;
}

// The position of a visible child among its parent's native menu entries.
int VisiblePosition(TMenuItem* parent, TMenuItem* child) {
    int position = 0;
    for (int i = 0; i < parent->Count(); ++i) {
        if (parent->Items(i) == child) return position;
        if (parent->Items(i)->Visible()) ++position;
    }
    return -1;
}

void WriteInt(TStream* stream, int32_t value) {
    stream->WriteBuffer(&value, 4);
}

int32_t ReadInt(TStream* stream) {
    int32_t value = 0;
    stream->ReadBuffer(&value, 4);
    return value;
}

}  // namespace

// ---------------------------------------------------------------------------

TMenuOptionBox::TMenuOptionBox(TComponent* AOwner) : TOptionBox(AOwner) {
    FKeepItemTags = true;
}

void TMenuOptionBox::SetCaption(const std::string& caption) {
    TOptionBox::SetCaption(caption);
    int width = -10;
    if (!caption.empty()) {
        TScreenDC screen;
        HGDIOBJ old = SelectObject(screen.get(), Font()->Handle());
        RECT r{0, 0, 0, 0};
        std::wstring text = AnsiToWide(caption);
        DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_EXPANDTABS);
        SelectObject(screen.get(), old);
        width = r.right - r.left;
    } else {
        SetNoBorder(true);
    }
    if (Images() && ImageIndex() >= 0) width += Images()->Width();
    SetWidth(width + 10);
}

// ---------------------------------------------------------------------------

void TMenuItemBitmaps::Add(TMenuItem* item, TBitmap* bitmap) {
    auto entry = std::make_unique<TMenuItemBitmap>();
    entry->ItemName = item ? item->Name() : std::string();
    entry->MenuItem = item;
    entry->Bitmap.reset(bitmap);
    FItems.push_back(std::move(entry));
}

TBitmap* TMenuItemBitmaps::GetBitmaps(const TMenuItem* item) const {
    for (const auto& entry : FItems)
        if (entry->MenuItem == item) return entry->Bitmap.get();
    return nullptr;
}

void TMenuItemBitmaps::SetBitmaps(const TMenuItem* item, TBitmap* bitmap) {
    for (auto& entry : FItems) {
        if (entry->MenuItem != item) continue;
        if (!entry->Bitmap) entry->Bitmap = std::make_unique<TBitmap>();
        entry->Bitmap->Assign(bitmap);
        return;
    }
}

void TMenuItemBitmaps::RemoveItem(const TMenuItem* item) {
    auto it = std::find_if(FItems.begin(), FItems.end(), [item](const auto& e) { return e->MenuItem == item; });
    if (it != FItems.end()) FItems.erase(it);
}

void TMenuItemBitmaps::WriteData(TStream* stream) {
    WriteInt(stream, static_cast<int32_t>(FItems.size()));
    for (const auto& entry : FItems) {
        const std::string& name = entry->MenuItem ? entry->MenuItem->Name() : entry->ItemName;
        WriteInt(stream, static_cast<int32_t>(name.size()));
        if (!name.empty()) stream->WriteBuffer(name.data(), static_cast<int32_t>(name.size()));
        if (!entry->Bitmap || entry->Bitmap->Empty()) {
            WriteInt(stream, 0);
            continue;
        }
        TMemoryStream bytes;
        entry->Bitmap->SaveToStream(&bytes);
        WriteInt(stream, static_cast<int32_t>(bytes.Size()));
        stream->WriteBuffer(bytes.Memory(), static_cast<int32_t>(bytes.Size()));
    }
}

void TMenuItemBitmaps::ReadData(TStream* stream) {
    Clear();
    const int32_t count = ReadInt(stream);
    // Each entry takes at least its two integers.
    if (count < 0 || static_cast<int64_t>(count) * 8 > stream->Size() - stream->Position())
        throw EReadError("Invalid menu bitmap list");
    for (int32_t i = 0; i < count; ++i) {
        auto entry = std::make_unique<TMenuItemBitmap>();
        const int32_t nameLength = ReadInt(stream);
        if (nameLength < 0 || nameLength > stream->Size() - stream->Position())
            throw EReadError("Invalid menu bitmap list");
        entry->ItemName.resize(static_cast<size_t>(nameLength));
        if (nameLength) stream->ReadBuffer(entry->ItemName.data(), nameLength);
        const int32_t byteCount = ReadInt(stream);
        if (byteCount < 0 || byteCount > stream->Size() - stream->Position())
            throw EReadError("Invalid menu bitmap list");
        if (byteCount) {
            TMemoryStream bytes;
            bytes.SetSize(byteCount);
            stream->ReadBuffer(bytes.Memory(), byteCount);
            bytes.SetPosition(0);
            entry->Bitmap = std::make_unique<TBitmap>();
            entry->Bitmap->LoadFromStream(&bytes);
        }
        FItems.push_back(std::move(entry));
    }
}

// ---------------------------------------------------------------------------

TMenuBar::TMenuBar(TComponent* AOwner) : TToolbar(AOwner), FSystemMenuIcon(std::make_unique<TIcon>()) {
    ++gMenuBarCount;
    FKeyboardHook = new TKeyboardHook(this);
    FKeyboardHook->OnHookProc = [this](TObject* s, int n, uintptr_t w, intptr_t l) { return KeyboardHookEvent(s, n, w, l); };
    FKeyboardHook->SetHooked(true);
    FMouseHook = new TMouseHook(this);
    FMouseHook->OnHookProc = [this](TObject* s, int n, uintptr_t w, intptr_t l) { return MouseHookEvent(s, n, w, l); };
    FMouseHook->SetHooked(true);
    auto timer = [this](void (TMenuBar::*handler)(TObject*)) {
        auto* t = new TTimer(this);
        t->SetEnabled(false);
        t->SetInterval(50);
        t->SetOnTimer([this, handler](TObject* sender) { (this->*handler)(sender); });
        return t;
    };
    FCloseTimer = timer(&TMenuBar::ClosePopup);
    FMouseTimer = timer(&TMenuBar::NoIgnoreMouse);
    FSyncTimer = timer(&TMenuBar::OnTimerSync);
}

void TMenuBar::BeforeDestruction() {
    HookDock(nullptr);
    if (--gMenuBarCount == 0) UnsubclassPopupList();
    TToolbar::BeforeDestruction();
}

TMenuBar::~TMenuBar() = default;

void TMenuBar::SetMainMenu(TMainMenu* menu) {
    if (MainMenu) MainMenu->RemoveFreeNotification(this);
    MainMenu = menu;
    if (menu) menu->FreeNotification(this);
    if (!Loading()) {
        FBitmaps.Clear();
        FBitmapsChecked.Clear();
    }
}

void TMenuBar::Loaded() {
    TToolbar::Loaded();
    FixupReferences();
    if (MainMenu && AutoCreateMenu) CreateMenu();
}

void TMenuBar::FixupReferences() {
    if (!MainMenu) return;
    TComponent* owner = Owner();
    auto find = [owner](const std::string& name) -> TMenuItem* {
        if (!owner || name.empty()) return nullptr;
        for (int i = 0; i < owner->ComponentCount(); ++i)
            if (owner->Components(i)->Name() == name) return dynamic_cast<TMenuItem*>(owner->Components(i));
        return nullptr;
    };
    for (TMenuItemBitmaps* list : {&FBitmaps, &FBitmapsChecked})
        for (int i = 0; i < list->Count(); ++i) list->Items(i).MenuItem = find(list->Items(i).ItemName);
}

void TMenuBar::DefineProperties(TFiler* filer) {
    filer->DefineBinaryProperty(
        "TheBitmaps", [this](TStream* s) { FBitmaps.ReadData(s); }, [this](TStream* s) { FBitmaps.WriteData(s); },
        FBitmaps.Count() > 0);
    filer->DefineBinaryProperty(
        "TheBitmapsChecked", [this](TStream* s) { FBitmapsChecked.ReadData(s); },
        [this](TStream* s) { FBitmapsChecked.WriteData(s); }, FBitmapsChecked.Count() > 0);
}

void TMenuBar::Notification(TComponent* component, TOperation operation) {
    TToolbar::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (auto* item = dynamic_cast<TMenuItem*>(component)) {
        FBitmaps.RemoveItem(item);
        FBitmapsChecked.RemoveItem(item);
        std::erase(FMirroredItems, item);
    }
    if (component == MainMenu) {
        MainMenu = nullptr;
        FBitmaps.Clear();
        FBitmapsChecked.Clear();
        FMirroredItems.clear();
    }
    if (component == PopupMenuSystemMenu) PopupMenuSystemMenu = nullptr;
    if (component == FIconImage) FIconImage = nullptr;
    if (component == FHookedDock) FHookedDock = nullptr;
    if (component == FCurrentControl) {
        FCurrentControl = nullptr;
        FCurrentIndex = -1;
    }
    std::erase(FPopups, component);
}

void TMenuBar::SetEnabled(bool enabled) {
    if (enabled == Enabled()) return;
    TToolbar::SetEnabled(enabled);
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* button = dynamic_cast<TMenuOptionBox*>(Controls(i)); button && !Trim(button->Caption()).empty())
            button->SetEnabled(enabled);
}

void TMenuBar::CreateMenu() {
    if (!MainMenu || FMenuCreated) return;
    FMenuCreated = true;
    MainMenu->FreeNotification(this);
    AddSystemMenuImage();
    int x = 0;
    TMenuItem* root = MainMenu->Items();
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        if (!item->Visible()) continue;
        auto* button = new TMenuOptionBox(this);
        if (WhatDoWithOldMenus != wdDelete) button->SourceItem = item;
        button->SetOpaque(false);
        button->Font()->SetHeight(8);
        button->Font()->Assign(Font());
        button->SetChangeCaptionOnSelect(false);
        button->SetDropdownArrow(false);
        button->DropDownOnClick = true;
        button->SetBounds(x, button->Top(), button->Width(), 25);
        button->SetParent(this);
        button->SetImages(MainMenu->Images());
        auto* popup = new TPopupMenu(button->Owner());
        FPopups.push_back(popup);
        popup->FreeNotification(this);
        popup->SetOwnerDraw(true);
        popup->SetImages(MainMenu->Images());
        button->SetDropdownMenu(popup);
        CopySubmenu(item, popup->Items(), 0, button);
        button->Initialize();
        AssignMenuItemToButton(item, button);
        x += button->Width();
        FMirroredItems.push_back(item);
        item->FreeNotification(this);
    }
    FSavedDockChanged = OnDockChanged;
    OnDockChanged = [this](TObject* sender) { DockChanged(sender); };
    if (DockedTo()) DockChanged(this);

    for (int i = 0; i < ControlCount(); ++i)
        if (auto* button = dynamic_cast<TMenuOptionBox*>(Controls(i)))
            button->SetBounds(button->Left(), button->Top(), button->Width(), ButtonHeight);
    // Exactly the items that got buttons leave the main menu (or hide).
    std::vector<TMenuItem*> mirrored = FMirroredItems;
    if (WhatDoWithOldMenus == wdDelete) {
        FMirroredItems.clear();
        for (TMenuItem* item : mirrored) TObject::Free(item);
    } else if (WhatDoWithOldMenus == wdHide) {
        for (TMenuItem* item : mirrored) item->SetVisible(false);
    }
    if (HandleAllocated()) PostMessageW(Handle(), WM_ProcessResize, 0, 0);
    FFirstButtonIndex = -1;
    for (int i = 0; i < ControlCount() && FFirstButtonIndex < 0; ++i)
        if (dynamic_cast<TMenuOptionBox*>(Controls(i))) FFirstButtonIndex = i;
    SubclassPopupList();
    ArrangeControls();
}

void TMenuBar::CopySubmenu(TMenuItem* source, TMenuItem* target, int depth, TMenuOptionBox* button) {
    if (depth == 0)
        if (TBitmap* bitmap = FBitmaps.GetBitmaps(source); bitmap && !bitmap->Empty()) {
            button->SetGlyph(bitmap);
            button->SetWidth(button->Width() + bitmap->Width());
        }
    for (int i = 0; i < source->Count(); ++i) {
        TMenuItem* child = source->Items(i);
        auto* copy = new TMenuBarMenuItem(target);
        copy->Level = depth + 1;
        if (WhatDoWithOldMenus != wdDelete) copy->SourceItem = child;
        AssignMenuItemToMenuItem(child, copy);
        target->Add(copy);
        if (copy->Visible()) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_DATA;
            info.dwItemData = depth == 0 ? 0 : reinterpret_cast<ULONG_PTR>(target);
            SetMenuItemInfoW(target->Handle(), static_cast<UINT>(VisiblePosition(target, copy)), TRUE, &info);
        }
        if (child->Count() > 0) CopySubmenu(child, copy, depth + 1, button);
    }
    for (int i = 0; i < target->Count(); ++i) {
        TMenuItem* copy = target->Items(i);
        if (!copy->Visible()) continue;
        TMenuItem* child = source->Count() > i ? source->Items(i) : nullptr;
        TBitmap* unchecked = child ? FBitmaps.GetBitmaps(child) : nullptr;
        TBitmap* checked = child ? FBitmapsChecked.GetBitmaps(child) : nullptr;
        auto copyOf = [this](TBitmap* bitmap) -> HBITMAP {
            if (!bitmap || bitmap->Empty()) return nullptr;
            TBitmap duplicate;
            duplicate.Assign(bitmap);
            FEntryBitmaps.emplace_back(duplicate.ReleaseHandle());
            return FEntryBitmaps.back().get();
        };
        HBITMAP u = copyOf(unchecked), c = copyOf(checked);
        if (u || c)
            SetMenuItemBitmaps(target->Handle(), static_cast<UINT>(VisiblePosition(target, copy)), MF_BYPOSITION, u, c);
    }
}

void TMenuBar::AssignMenuItemToMenuItem(TMenuItem* source, TMenuItem* target) {
    target->AutoHotkeys = source->AutoHotkeys;
    target->AutoLineReduction = source->AutoLineReduction;
    if (source->Bitmap() && !source->Bitmap()->Empty()) target->SetBitmap(source->Bitmap());
    target->SetImageIndex(source->ImageIndex());
    target->SetSubMenuImages(source->SubMenuImages());
    target->OnDrawItem = OnAllDrawItem ? OnAllDrawItem : source->OnDrawItem;
    target->OnMeasureItem = OnAllMeasureItem ? OnAllMeasureItem : source->OnMeasureItem;
    target->OnClick = source->OnClick;
    target->SetCaption(source->Caption());
    target->SetBreak(source->Break());
    target->SetChecked(source->Checked());
    target->SetDefault(source->Default());
    target->SetEnabled(source->Enabled());
    target->SetGroupIndex(source->GroupIndex());
    target->HelpContext = source->HelpContext;
    target->Hint = source->Hint;
    if (target->Parent()) target->SetMenuIndex(source->MenuIndex());
    target->SetRadioItem(source->RadioItem());
    target->SetShortCut(source->GetShortCut());
    target->Tag = source->Tag;
    target->SetVisible(source->Visible());
    target->SetAction(source->Action());
}

void TMenuBar::AssignMenuItemToButton(TMenuItem* item, TMenuOptionBox* button) {
    button->Hint = item->Hint;
    button->OnClick = item->OnClick;
    button->SetEnabled(item->Enabled());
    button->SetImageIndex(item->ImageIndex());
    if (item->ImageIndex() == -1) button->SetImages(nullptr);
    button->SetAction(item->Action());
    button->SetCaption(item->Caption());
}

// ---------------------------------------------------------------------------
// Dock tracking

void TMenuBar::HookDock(TDock* dock) {
    if (FHookedDock) {
        FHookedDock->OnResize = FSavedDockResize;
        FHookedDock->RemoveFreeNotification(this);
    }
    FSavedDockResize = nullptr;
    FHookedDock = dock;
    if (dock) {
        dock->FreeNotification(this);
        FSavedDockResize = dock->OnResize;
        dock->OnResize = [this](TObject* sender) { DockResized(sender); };
    }
}

void TMenuBar::DockChanged(TObject* Sender) {
    if (FSavedDockChanged) FSavedDockChanged(Sender);
    HookDock(DockedTo());
    if (FHookedDock) DockResized(FHookedDock);
}

void TMenuBar::DockResized(TObject* Sender) {
    if (FSavedDockResize) FSavedDockResize(Sender);
    ArrangeControls();
}

// ---------------------------------------------------------------------------
// Keyboard and mouse

TMenuOptionBox* TMenuBar::CurrentButton() const {
    return dynamic_cast<TMenuOptionBox*>(FCurrentControl);
}

void TMenuBar::ForgetCurrent() {
    if (TMenuOptionBox* button = CurrentButton()) button->Highlight(false);
    FCurrentControl = nullptr;
    FCurrentIndex = -1;
}

void TMenuBar::LeaveMenuMode() {
    ForgetCurrent();
    FMenuMode = false;
    // The control that had the focus before Alt gets it back.
    if (FFocusBeforeMenuMode && IsWindow(FFocusBeforeMenuMode) && HandleAllocated() && GetFocus() == Handle())
        ::SetFocus(FFocusBeforeMenuMode);
    FFocusBeforeMenuMode = nullptr;
}

// A button press anywhere but on the bar or on an open menu ends menu mode,
// as a click away from a menu bar does: with a popup open the mode ends when
// its menu loop ends, otherwise at once. Without this the bar kept its current
// button and took the next Down for itself.
void TMenuBar::EndMenuModeOnClickAway(uintptr_t mouseMessage, TPoint pt) {
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        break;
    default:
        return;
    }
    if (!FMenuMode || !HandleAllocated()) return;
    HWND target = WindowFromPoint(POINT{pt.X, pt.Y});
    wchar_t className[16] = {};
    if (target) GetClassNameW(target, className, 16);
    if (target == Handle() || wcscmp(className, L"#32768") == 0) return;
    FUserEscapeInPopup = false;
    if (!FPopupOpen) LeaveMenuMode();
}

// Menu mode without a popup lives in the bar's keyboard focus: once the focus
// goes elsewhere, the keys no longer reach the bar.
void TMenuBar::EndMenuModeOnFocusLoss() {
    if (!FMenuMode || FPopupOpen) return;
    FFocusBeforeMenuMode = nullptr;
    LeaveMenuMode();
}

void TMenuBar::ChangeButton() {
    if (TMenuOptionBox* button = CurrentButton()) button->Highlight(false);
    FCurrentControl = FCurrentIndex >= 0 && FCurrentIndex < ControlCount() ? Controls(FCurrentIndex) : nullptr;
    if (TMenuOptionBox* button = CurrentButton()) button->Highlight(true);
}

void TMenuBar::PrepareButtonClose() {
    if (!FPopupOpen) return;
    // Only a popup that is really closing makes the next Escape the bar's own;
    // otherwise that Escape would not leave menu mode.
    FReopenAfterClose = true;
    FIgnoreMouse = true;
    FClosingByProgram = true;
    {
        EndMenu();
        FCloseTicks = 0;
        FCloseTimer->SetEnabled(true);
        FCloseRequested = true;
    }
}

void TMenuBar::ClosePopup(TObject*) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const bool inMenu = GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & GUI_INMENUMODE);
    if (FPopupDepth > 0 && FCloseRequested && inMenu && ++FCloseTicks < kCloseGiveUpTicks) {
        EndMenu();
        return;
    }
    FCloseTimer->SetEnabled(false);
    FCloseRequested = false;
}

void TMenuBar::NoIgnoreMouse(TObject*) {
    FMouseTimer->SetEnabled(false);
    FIgnoreMouse = false;
}

intptr_t TMenuBar::KeyboardHookEvent(TObject*, int nCode, uintptr_t wParam, intptr_t lParam) {
    const unsigned key = static_cast<unsigned>(wParam);
    const bool up = (static_cast<uint32_t>(lParam) & 0x80000000u) != 0;
    const bool altKey = key == VK_MENU || key == VK_F10;
    if (altKey && !up) {
        // Only the left Alt (no extended-key bit) or F10 enters menu mode.
        FAltPending = key == VK_F10 || (static_cast<uint32_t>(lParam) & (1u << 24)) == 0;
    } else if (!altKey) {
        FAltPending = false;
    }
    if (up && FMenuMode && (key == VK_ESCAPE || key == VK_LEFT || key == VK_RIGHT || key == VK_DOWN)) return 0;
    if (altKey && !up) return 0;
    if (altKey && up && !FAltPending) return 0;
    if ((key == VK_LEFT || key == VK_RIGHT) && !up && nCode == HC_NOREMOVE) {
        // The menu loop acts on a key it has only peeked at: by the time the key
        // is removed, a submenu it opened or closed has changed the flags.
        FArrowKeySeen = key;
        FArrowIgnoreLeft = FIgnoreLeft;
        FArrowIgnoreRight = FIgnoreRight;
    }
    if (ControlCount() == 0 || nCode == HC_NOREMOVE) return 0;
    TCustomForm* form = GetParentForm();
    if (!form || !form->HandleAllocated() || GetActiveWindow() != form->Handle()) return 0;

    if (altKey) {
        FAltPending = false;
        if (FMenuMode) {
            LeaveMenuMode();
        } else {
            HWND focus = GetFocus();
            FFocusBeforeMenuMode = focus != Handle() ? focus : nullptr;
            ::SetFocus(Handle());
            FMenuMode = true;
            FCurrentIndex = std::max(FFirstButtonIndex, 0);
            ChangeButton();
            return 1;
        }
        return 1;
    }
    if (up) return 0;
    switch (key) {
    case VK_ESCAPE:
        if (FPopupOpen && !FClosingByProgram) FUserEscapeInPopup = true;
        if (!FPopupOpen && !FClosingByProgram) LeaveMenuMode();
        FClosingByProgram = false;
        if (FCurrentControl) PostMessageW(Handle(), WM_RaiseButton, 0, 0);
        return 0;
    case VK_LEFT:
    case VK_RIGHT: {
        if (!FCurrentControl) return 0;
        const bool peeked = FArrowKeySeen == key;
        FArrowKeySeen = 0;
        if (key == VK_LEFT ? (peeked ? FArrowIgnoreLeft : FIgnoreLeft) : (peeked ? FArrowIgnoreRight : FIgnoreRight))
            return 0;
        PrepareButtonClose();
        if (key == VK_LEFT) FCurrentIndex = FCurrentIndex <= 0 ? LastButtonIndex() : FCurrentIndex - 1;
        else FCurrentIndex = FCurrentIndex >= LastButtonIndex() ? 0 : FCurrentIndex + 1;
        ChangeButton();
        return 0;
    }
    case VK_DOWN:
        if (!FMenuMode || !FCurrentControl || FPopupOpen) return 0;
        // The drop-down opens after the hook returns: a menu loop started here
        // would see this very key again.
        PostMessageW(Handle(), WM_ShowPopup, 0, 0);
        return 1;
    default:
        return 0;
    }
}

intptr_t TMenuBar::MouseHookEvent(TObject*, int, uintptr_t wParam, intptr_t) {
    EndMenuModeOnClickAway(wParam, FMouseHook->MouseHookStruct().pt);
    const TPoint pt = FMouseHook->MouseHookStruct().pt;
    if (wParam == WM_MOUSEMOVE) {
        // The system also reports a move where the pointer rests (a drop-down
        // appearing under it): only a real move chooses another drop-down, or
        // one opened from the keyboard jumps to the button under the mouse.
        const bool moved = pt.X != FMousePos.X || pt.Y != FMousePos.Y;
        FMousePos = pt;
        if (!moved) return 0;
    }
    if (!FMenuMode || !FPopupOpen || wParam != WM_MOUSEMOVE || FIgnoreMouse || !HandleAllocated()) return 0;
    if (WindowFromPoint(POINT{pt.X, pt.Y}) != Handle()) return 0;
    TControl* control = ControlAtPos(ScreenToClient(pt), true);
    if ((!dynamic_cast<TMenuOptionBox*>(control) && !IsSystemMenuImage(control)) || control == FCurrentControl) return 0;
    PrepareButtonClose();
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i) == control) FCurrentIndex = i;
    ChangeButton();
    return 0;
}

// ---------------------------------------------------------------------------
// The popup menus' messages

void TMenuBar::InitPopup(TMenuOptionBox* button) {
    FCurrentControl = button;
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i) == button) FCurrentIndex = i;
    POINT at{};
    if (GetCursorPos(&at)) FMousePos = {at.x, at.y};
    FMouseTimer->SetEnabled(true);
}

void TMenuBar::PopupOpened() {
    FUserEscapeInPopup = false;
    FMenuMode = true;
    FPopupOpen = true;
    ++FPopupDepth;
}

void TMenuBar::PopupClosed() {
    // A menu loop that ends without a command, not for a switch to the next
    // button, not by the bar itself and not by the user's Escape back to the
    // bar (a click away, the window losing activation) ends menu mode.
    const bool endsMenuMode = FPopupOpen && !FReopenAfterClose && !FClosingByProgram && !FUserEscapeInPopup;
    FPopupOpen = false;
    if (FReopenAfterClose && HandleAllocated()) PostMessageW(Handle(), WM_ShowPopup, 0, 0);
    FReopenAfterClose = false;
    FClosingByProgram = false;
    RaiseCurrentButton();
    FPopupDepth = std::max(0, FPopupDepth - 1);
    FCloseRequested = false;
    FIgnoreLeft = false;
    FIgnoreRight = false;
    if (endsMenuMode) LeaveMenuMode();
}

void TMenuBar::PopupSelect() {
    FPopupOpen = false;
    FClosingByProgram = false;
    LeaveMenuMode();
}

void TMenuBar::RaiseCurrentButton() {
    if (TMenuOptionBox* button = CurrentButton()) {
        button->Highlight(false);
        button->Highlight(true);
    }
}

void TMenuBar::ShowCurrentPopup() {
    if (IsSystemMenuImage(FCurrentControl) && PopupMenuSystemMenu) {
        IconImageClick(FCurrentControl);
        return;
    }
    TMenuOptionBox* button = CurrentButton();
    if (!button) return;
    button->Highlight(false);
    FPopupOpen = true;
    button->Click();
}

void TMenuBar::PopupListMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case WM_INITMENUPOPUP: {
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        for (int i = 0; i < ControlCount(); ++i) {
            auto* button = dynamic_cast<TMenuOptionBox*>(Controls(i));
            if (!button || !button->DropdownMenu() || button->DropdownMenu()->Handle() != menu) continue;
            InitPopup(button);
            // The first item is selected by a Down the menu loop reads next.
            PostMessageW(PopupListWindow(), WM_KEYDOWN, VK_DOWN, 0);
            FIgnoreRight = false;
            FIgnoreLeft = false;
            return;
        }
        TMenuItem* owner = TMenu::FindSubmenu(menu);
        // The system menu is the bar's own too: its loop keeps menu mode and
        // ends it as a drop-down's does.
        std::vector<TPopupMenu*> menus = FPopups;
        if (PopupMenuSystemMenu) menus.push_back(PopupMenuSystemMenu);
        bool ours = false;
        for (TPopupMenu* popup : menus)
            for (TMenuItem* item = owner; item && !ours; item = item->Parent())
                if (item == popup->Items()) ours = true;
        if (!ours) {
            FMenuMode = false;
            FPopupOpen = false;
        }
        return;
    }
    case WM_MENUSELECT:
        if (HIWORD(wParam) == 0xFFFF && lParam == 0) {
            PopupClosed();
        } else {
            FIgnoreRight = (HIWORD(wParam) & MF_POPUP) != 0;
            // Left closes a submenu level instead of switching buttons.
            auto* parent = dynamic_cast<TMenuBarMenuItem*>(TMenu::FindSubmenu(reinterpret_cast<HMENU>(lParam)));
            FIgnoreLeft = parent != nullptr && parent->Level >= 1;
        }
        return;
    case WM_ENTERMENULOOP:
        PopupOpened();
        return;
    case WM_EXITMENULOOP:
        PopupClosed();
        return;
    case WM_COMMAND:
        PopupSelect();
        return;
    default:
        return;
    }
}

// ---------------------------------------------------------------------------
// Synchronising with the main menu

void TMenuBar::Synchronize() {
    if (WhatDoWithOldMenus == wdDelete)
        throw EInvalidOperation("Cannot synchronize with WhatDoWithOldMenus = wdDelete");
    ++FSyncCount;
    if (FSyncCount == 1) FPopupOpenAtSync = FPopupOpen;
    if (FPopupOpen) {
        PrepareButtonClose();
        FReopenAfterClose = false;
    }
    if (!PostMessageW(Handle(), WM_Synchronize, 0, 0)) --FSyncCount;
}

void TMenuBar::OnTimerSync(TObject*) {
    FSyncTimer->SetEnabled(false);
    PostMessageW(Handle(), WM_Synchronize, 0, 0);
}

void TMenuBar::SyncItems(TMenuItem* copy) {
    for (int i = 0; i < copy->Count(); ++i) {
        auto* item = dynamic_cast<TMenuBarMenuItem*>(copy->Items(i));
        if (!item) continue;
        if (item->SourceItem) AssignMenuItemToMenuItem(item->SourceItem, item);
        SyncItems(item);
    }
}

void TMenuBar::DoSynchronize() {
    if (FPopupDepth >= 1) {
        FSyncTimer->SetEnabled(true);
        return;
    }
    for (int i = 0; i < ControlCount(); ++i) {
        auto* button = dynamic_cast<TMenuOptionBox*>(Controls(i));
        if (!button) continue;
        if (button->SourceItem) AssignMenuItemToButton(button->SourceItem, button);
        if (button->DropdownMenu()) SyncItems(button->DropdownMenu()->Items());
    }
    FSyncCount = std::max(0, FSyncCount - 1);
    if (FSyncCount == 0 && FPopupOpenAtSync) {
        FPopupOpenAtSync = false;
        SendMessageW(Handle(), WM_ShowPopup, 0, 0);
        FPopupOpen = true;
        Application->ProcessMessages();
    }
}

void TMenuBar::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_ProcessResize:
        if (DockedTo()) DockResized(DockedTo());
        return;
    case WM_ShowPopup:
        ShowCurrentPopup();
        return;
    case WM_RaiseButton:
        RaiseCurrentButton();
        return;
    case WM_Synchronize:
        DoSynchronize();
        return;
    case WM_KILLFOCUS:
        EndMenuModeOnFocusLoss();
        break;
    }
    TToolbar::WndProc(m);
}
