#include "framework/stdctrls.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/graphics.h"
#include "framework/list_owner_draw.h"
#include "framework/win.h"

// List and combo boxes: the window classes keep the items; the items object
// below keeps them while there is no window.

using list_owner_draw::DrawOwnerItem;

// ---------------------------------------------------------------------------
// Items of a list or combo box: the window's list while the window exists,
// a kept list otherwise (and while the window is being re-made).

struct TItemMessages {
    unsigned add, insert, remove, reset, count, getText, getTextLength, getData, setData, getCurSel, setCurSel;
};

constexpr TItemMessages kListBoxMessages{LB_ADDSTRING,  LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                                         LB_GETCOUNT,   LB_GETTEXT,      LB_GETTEXTLEN,   LB_GETITEMDATA,
                                         LB_SETITEMDATA, LB_GETCURSEL,   LB_SETCURSEL};
constexpr TItemMessages kComboBoxMessages{CB_ADDSTRING,  CB_INSERTSTRING, CB_DELETESTRING,  CB_RESETCONTENT,
                                          CB_GETCOUNT,   CB_GETLBTEXT,    CB_GETLBTEXTLEN,  CB_GETITEMDATA,
                                          CB_SETITEMDATA, CB_GETCURSEL,   CB_SETCURSEL};

class TListItems : public TStrings {
public:
    TListItems(TWinControl* control, const TItemMessages& messages) : FControl(control), FMsg(messages) {}

    bool InWindow() const { return FInWindow; }
    void SetSorted(bool sorted) { FSorted = sorted; }

    int Count() const override {
        if (HWND w = Window()) return static_cast<int>(SendMessageW(w, FMsg.count, 0, 0));
        return FKept.Count();
    }

    std::string Get(int index) const override {
        HWND w = Window();
        if (!w) return FKept.Get(index);
        auto length = SendMessageW(w, FMsg.getTextLength, static_cast<WPARAM>(index), 0);
        if (index < 0 || length < 0) Error("List index out of bounds (%d)", index);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        length = SendMessageW(w, FMsg.getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(std::max<LRESULT>(0, length)));
        return WideToAnsi(text);
    }

    TObject* GetObject(int index) const override {
        HWND w = Window();
        if (!w) return FKept.GetObject(index);
        CheckIndex(index);
        return reinterpret_cast<TObject*>(SendMessageW(w, FMsg.getData, static_cast<WPARAM>(index), 0));
    }

    void PutObject(int index, TObject* object) override {
        HWND w = Window();
        if (!w) return FKept.PutObject(index, object);
        CheckIndex(index);
        SendMessageW(w, FMsg.setData, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
    }

    void Put(int index, const std::string& s) override {
        HWND w = Window();
        if (!w) return FKept.Put(index, s);
        CheckIndex(index);
        // The platform cannot rename an item: it is replaced, keeping its object
        // and the selection.
        auto selected = SendMessageW(w, FMsg.getCurSel, 0, 0);
        TObject* object = GetObject(index);
        Delete(index);
        Insert(index, s);
        PutObject(index, object);
        SendMessageW(w, FMsg.setCurSel, static_cast<WPARAM>(selected), 0);
    }

    int Add(const std::string& s) override {
        HWND w = Window();
        if (w) return CheckResult(SendMessageW(w, FMsg.add, 0, reinterpret_cast<LPARAM>(AnsiToWide(s).c_str())));
        if (!FSorted) return FKept.Add(s);
        // The window sorts what it is given; until there is one the kept list
        // keeps the same order.
        int lo = 0, hi = FKept.Count();
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (StringListCompareText(FKept.Get(mid), s) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        FKept.Insert(lo, s);
        return lo;
    }

    void Insert(int index, const std::string& s) override {
        HWND w = Window();
        if (!w) return FKept.Insert(index, s);
        if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
        CheckResult(SendMessageW(w, FMsg.insert, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(AnsiToWide(s).c_str())));
    }

    void Delete(int index) override {
        HWND w = Window();
        if (!w) return FKept.Delete(index);
        CheckIndex(index);
        SendMessageW(w, FMsg.remove, static_cast<WPARAM>(index), 0);
    }

    void Clear() override {
        if (HWND w = Window())
            SendMessageW(w, FMsg.reset, 0, 0);
        else
            FKept.Clear();
    }

    // Fills the new window with the kept items (with their objects).
    void MoveToWindow() {
        if (FInWindow || !FControl->HandleAllocated()) return;
        std::vector<std::pair<std::string, TObject*>> items;
        items.reserve(static_cast<size_t>(FKept.Count()));
        for (int i = 0; i < FKept.Count(); ++i) items.emplace_back(FKept.Get(i), FKept.GetObject(i));
        FKept.Clear();
        FInWindow = true;
        HWND w = FControl->Handle();
        SendMessageW(w, WM_SETREDRAW, FALSE, 0);
        for (auto& [text, object] : items) {
            auto index = SendMessageW(w, FMsg.add, 0, reinterpret_cast<LPARAM>(AnsiToWide(text).c_str()));
            if (index >= 0 && object) SendMessageW(w, FMsg.setData, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
        }
        SendMessageW(w, WM_SETREDRAW, TRUE, 0);
    }

    // Takes the items out of a window that is about to go.
    void MoveFromWindow() {
        if (!FInWindow) return;
        int count = Count();
        std::vector<std::pair<std::string, TObject*>> items;
        items.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) items.emplace_back(Get(i), GetObject(i));
        FInWindow = false;
        FKept.Clear();
        for (auto& [text, object] : items) FKept.AddObject(text, object);
    }

protected:
    void SetUpdateState(bool updating) override {
        HWND w = Window();
        if (!w) return;
        SendMessageW(w, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
        if (!updating) InvalidateRect(w, nullptr, TRUE);
    }

private:
    HWND Window() const { return FInWindow ? FControl->Handle() : nullptr; }
    void CheckIndex(int index) const {
        if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
    }
    static int CheckResult(LRESULT result) {
        // LB_ERRSPACE and CB_ERRSPACE are -2, LB_ERR and CB_ERR -1.
        if (result == -2) throw EOutOfResources("Not enough storage is available to add the item");
        if (result < 0) throw EStringListError("The item could not be added");
        return static_cast<int>(result);
    }

    TWinControl* FControl;
    TItemMessages FMsg;
    TStringList FKept;
    bool FSorted = false;
    bool FInWindow = false;
};

// ---------------------------------------------------------------------------
// TCustomListBox

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TStandardControl(AOwner), FItems(new TListItems(this, kListBoxMessages)), FCanvas(std::make_unique<TCanvas>()) {
    FWidth = 121;
    FHeight = 97;
    TabStop = true;
    FParentColor = false;
    FColor = clWindow;
    FBrush->SetColor(FColor);
}

TCustomListBox::~TCustomListBox() = default;

TStrings* TCustomListBox::Items() const {
    return FItems.get();
}

void TCustomListBox::SetItems(TStrings* items) {
    FItems->Assign(items);
}

void TCustomListBox::CreateParams(TCreateParams& p) {
    TStandardControl::CreateParams(p);
    p.BaseClassName = L"LISTBOX";
    p.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
    if (FSorted) p.Style |= LBS_SORT;
    if (FMultiSelect) p.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (!FIntegralHeight) p.Style |= LBS_NOINTEGRALHEIGHT;
    if (FStyle == lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED;
    if (FStyle == lbOwnerDrawVariable) p.Style |= LBS_OWNERDRAWVARIABLE;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateHandleDone() {
    TStandardControl::CreateHandleDone();
    // The height asked for while the window was made may not have reached us:
    // the window had no control ID of its own yet.
    if (FStyle == lbOwnerDrawFixed) SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
    FItems->MoveToWindow();
    SetItemIndex(FSavedItemIndex);
    SetTopIndex(FSavedTopIndex);
}

void TCustomListBox::DestroyingHandle() {
    if (!FItems->InWindow()) return;
    FSavedItemIndex = ItemIndex();
    FSavedTopIndex = TopIndex();
    FItems->MoveFromWindow();
}

int TCustomListBox::ItemIndex() const {
    if (!FItems->InWindow()) return FSavedItemIndex;
    return static_cast<int>(SendMessageW(FHandle, FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int index) {
    if (!FItems->InWindow()) {
        FSavedItemIndex = index;
        return;
    }
    SendMessageW(FHandle, FMultiSelect ? LB_SETCARETINDEX : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TCustomListBox::TopIndex() const {
    if (!FItems->InWindow()) return FSavedTopIndex;
    return static_cast<int>(SendMessageW(FHandle, LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int index) {
    if (!FItems->InWindow()) {
        FSavedTopIndex = index;
        return;
    }
    SendMessageW(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0, index)), 0);
}

int TCustomListBox::Count() const {
    return FItems->Count();
}

bool TCustomListBox::Selected(int index) const {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
    if (!FItems->InWindow()) return index == FSavedItemIndex;
    return SendMessageW(FHandle, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
    if (FMultiSelect && FItems->InWindow()) {
        SendMessageW(FHandle, LB_SETSEL, value, index);
        return;
    }
    if (value)
        SetItemIndex(index);
    else if (ItemIndex() == index)
        SetItemIndex(-1);
}

int TCustomListBox::SelCount() const {
    if (!FMultiSelect) return ItemIndex() >= 0 ? 1 : 0;
    if (!FItems->InWindow()) return 0;
    return static_cast<int>(SendMessageW(FHandle, LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::Clear() {
    FItems->Clear();
}

TRect TCustomListBox::ItemRect(int index) const {
    RECT r{};
    if (FItems->InWindow()) SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return Rect(r.left, r.top, r.right, r.bottom);
}

int TCustomListBox::ItemAtPos(TPoint p, bool existing) const {
    if (!FItems->InWindow()) return -1;
    auto result = SendMessageW(FHandle, LB_ITEMFROMPOINT, 0, MAKELPARAM(p.X, p.Y));
    bool outside = HIWORD(result) != 0;
    int index = LOWORD(result);
    if (!outside) return index;
    return existing ? -1 : Count();
}

void TCustomListBox::SetSorted(bool value) {
    if (value == FSorted) return;
    FSorted = value;
    FItems->SetSorted(value);
    if (value && !FItems->InWindow() && FItems->Count() > 1) {
        TStringList sorted;
        sorted.Assign(FItems.get());
        sorted.CustomSort([](TStringList* list, int a, int b) { return StringListCompareText(list->Get(a), list->Get(b)); });
        FItems->Assign(&sorted);
    }
    RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool value) {
    if (value == FMultiSelect) return;
    FMultiSelect = value;
    RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value) {
    if (value == FExtendedSelect) return;
    FExtendedSelect = value;
    RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool value) {
    if (value == FIntegralHeight) return;
    FIntegralHeight = value;
    RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    RecreateWnd();
}

int TCustomListBox::ItemHeight() const {
    if (FStyle == lbStandard && FHandle) return static_cast<int>(SendMessageW(FHandle, LB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomListBox::SetItemHeight(int height) {
    if (height <= 0) return;
    FItemHeight = height;
    if (FHandle && FStyle == lbOwnerDrawFixed) {
        SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, height);
        Invalidate();
    }
}

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
    if (OnDrawItem && EventsEnabled()) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    FCanvas->FillRect(rect);
    if (index < Count()) FCanvas->TextOut(rect.Left + 2, rect.Top, FItems->Get(index));
}

void TCustomListBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem && EventsEnabled()) OnMeasureItem(this, index, height);
}

void TCustomListBox::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        list_owner_draw::ListBoxCommand(m.WParam, [this] { Click(); }, [this] { DblClick(); });
        return;
    case CN_DRAWITEM:
        DrawOwnerItem(FCanvas.get(), FFont.get(), FBrush.get(), *reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam),
                      [this](int index, const TRect& r, TOwnerDrawState state) { DrawItem(index, r, state); });
        m.Result = TRUE;
        return;
    case CN_MEASUREITEM:
        list_owner_draw::MeasureOwnerItem(m, [this](int index) {
            int height = FItemHeight;
            if (FStyle == lbOwnerDrawVariable) MeasureItem(index, height);
            return height;
        });
        return;
    case WM_DESTROY:
        // A window destroyed with its parent, not through DestroyHandle.
        DestroyingHandle();
        break;
    default:
        break;
    }
    TStandardControl::WndProc(m);
}

// ---------------------------------------------------------------------------
// TCustomComboBox

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TStandardControl(AOwner), FItems(new TListItems(this, kComboBoxMessages)), FCanvas(std::make_unique<TCanvas>()) {
    FWidth = 145;
    FHeight = 21;
    TabStop = true;
    FParentColor = false;
    FColor = clWindow;
    FBrush->SetColor(FColor);
}

TCustomComboBox::~TCustomComboBox() = default;

TStrings* TCustomComboBox::Items() const {
    return FItems.get();
}

void TCustomComboBox::SetItems(TStrings* items) {
    FItems->Assign(items);
}

void TCustomComboBox::CreateParams(TCreateParams& p) {
    TStandardControl::CreateParams(p);
    p.BaseClassName = L"COMBOBOX";
    p.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
    switch (FStyle) {
    case csDropDown:
        p.Style |= CBS_DROPDOWN;
        break;
    case csSimple:
        p.Style |= CBS_SIMPLE;
        break;
    case csDropDownList:
        p.Style |= CBS_DROPDOWNLIST;
        break;
    case csOwnerDrawFixed:
        p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED;
        break;
    case csOwnerDrawVariable:
        p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE;
        break;
    }
    if (FSorted) p.Style |= CBS_SORT;
    if (FCharCase == ecUpperCase) p.Style |= CBS_UPPERCASE;
    if (FCharCase == ecLowerCase) p.Style |= CBS_LOWERCASE;
}

void TCustomComboBox::CreateHandleDone() {
    TStandardControl::CreateHandleDone();
    if (FMaxLength > 0) SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    if (OwnerDrawn()) {
        // The heights asked for while the window was made may not have reached
        // us: the window had no control ID of its own yet.
        SendMessageW(FHandle, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), FItemHeight);
        if (FStyle == csOwnerDrawFixed) SendMessageW(FHandle, CB_SETITEMHEIGHT, 0, FItemHeight);
    }
    FItems->MoveToWindow();
    if (FSavedItemIndex >= 0)
        SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FSavedItemIndex), 0);
    else
        SetWindowTextW(FHandle, AnsiToWide(FText).c_str());
}

void TCustomComboBox::DestroyingHandle() {
    if (!FItems->InWindow()) return;
    FText = TStandardControl::GetText();
    FSavedItemIndex = static_cast<int>(SendMessageW(FHandle, CB_GETCURSEL, 0, 0));
    FItems->MoveFromWindow();
}

std::string TCustomComboBox::GetText() const {
    if (FItems->InWindow()) return TStandardControl::GetText();
    if (FSavedItemIndex >= 0 && FSavedItemIndex < FItems->Count()) return FItems->Get(FSavedItemIndex);
    return FText;
}

void TCustomComboBox::SetTextCore(const std::string& text) {
    if (FStyle == csDropDown || FStyle == csSimple) {
        if (!FItems->InWindow()) FSavedItemIndex = -1;
        TStandardControl::SetTextCore(text);
        return;
    }
    // A list shows items only: the text picks one.
    int index = FItems->IndexOf(text);
    if (index >= 0) SetItemIndex(index);
}

int TCustomComboBox::ItemIndex() const {
    if (!FItems->InWindow()) return FSavedItemIndex;
    return static_cast<int>(SendMessageW(FHandle, CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int index) {
    if (!FItems->InWindow()) {
        FSavedItemIndex = index;
        if (index < 0) FText.clear();
        return;
    }
    SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    RecreateWnd();
}

bool TCustomComboBox::DroppedDown() const {
    return FHandle && SendMessageW(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) {
    if (FHandle) SendMessageW(FHandle, CB_SHOWDROPDOWN, value, 0);
}

void TCustomComboBox::SetSorted(bool value) {
    if (value == FSorted) return;
    FSorted = value;
    FItems->SetSorted(value);
    RecreateWnd();
}

void TCustomComboBox::SetCharCase(TEditCharCase value) {
    if (value == FCharCase) return;
    FCharCase = value;
    RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int value) {
    FMaxLength = std::max(0, value);
    if (FHandle) SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

int TCustomComboBox::ItemHeight() const {
    if (!OwnerDrawn() && FHandle) return static_cast<int>(SendMessageW(FHandle, CB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomComboBox::SetItemHeight(int height) {
    if (height <= 0 || height == FItemHeight) return;
    FItemHeight = height;
    if (OwnerDrawn()) RecreateWnd();
}

void TCustomComboBox::Clear() {
    FItems->Clear();
    SetText("");
}

void TCustomComboBox::AdjustDropDown() {
    // The window's height, asked for beyond its edit field, is the open list's.
    int count = std::clamp(FItems->Count(), 1, std::max(1, DropDownCount));
    int itemHeight = FStyle == csOwnerDrawVariable ? FItemHeight : ItemHeight();
    SetWindowPos(FHandle, nullptr, 0, 0, FWidth, FHeight + itemHeight * count + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void TCustomComboBox::Change() {
    if (OnChange && EventsEnabled()) OnChange(this);
}

void TCustomComboBox::DropDown() {
    if (OnDropDown && EventsEnabled()) OnDropDown(this);
}

void TCustomComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
    if (OnDrawItem && EventsEnabled()) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    FCanvas->FillRect(rect);
    if (index < FItems->Count()) FCanvas->TextOut(rect.Left + 2, rect.Top, FItems->Get(index));
}

void TCustomComboBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem && EventsEnabled()) OnMeasureItem(this, index, height);
}

void TCustomComboBox::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        switch (HIWORD(m.WParam)) {
        case CBN_EDITCHANGE:
            Change();
            break;
        case CBN_SELCHANGE:
            // An edit field shows the picked item only after this
            // notification; the handlers already read it as the text.
            if (FStyle == csDropDown || FStyle == csSimple) {
                int index = ItemIndex();
                if (index >= 0) SetWindowTextW(FHandle, AnsiToWide(FItems->Get(index)).c_str());
            }
            Click();
            Change();
            break;
        case CBN_DROPDOWN:
            AdjustDropDown();
            DropDown();
            break;
        default:
            break;
        }
        return;
    case CN_DRAWITEM:
        DrawOwnerItem(FCanvas.get(), FFont.get(), FBrush.get(), *reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam),
                      [this](int index, const TRect& r, TOwnerDrawState state) { DrawItem(index, r, state); });
        m.Result = TRUE;
        return;
    case CN_MEASUREITEM:
        list_owner_draw::MeasureOwnerItem(m, [this](int index) {
            int height = FItemHeight;
            if (FStyle == csOwnerDrawVariable) MeasureItem(index, height);
            return height;
        });
        return;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        // From the edit field and the list inside the combo box: our colours.
        m.Msg = CN_BASE + m.Msg;
        TStandardControl::WndProc(m);
        return;
    case WM_DESTROY:
        DestroyingHandle();
        break;
    default:
        break;
    }
    TStandardControl::WndProc(m);
}
