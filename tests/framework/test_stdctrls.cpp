#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/win.h"

namespace {

// A visible form to put controls on; freed at the end of the test.
struct TestForm {
    TForm* form;
    TestForm() : form(new TForm(Application)) {
        form->SetBounds(50, 50, 400, 300);
        form->Show();
    }
    ~TestForm() { TObject::Free(form); }
    template <class T>
    T* Add(int left, int top) {
        T* control = new T(form);
        control->SetLeft(left);
        control->SetTop(top);
        control->SetParent(form);
        return control;
    }
};

std::wstring WindowText(HWND wnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TypeChars(HWND wnd, const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(wnd, WM_CHAR, c, 1);
}

std::vector<std::string> ItemsOf(TStrings* items) {
    std::vector<std::string> result;
    for (int i = 0; i < items->Count(); ++i) result.push_back(items->Get(i));
    return result;
}

// A dialog with an edit box and OK / Cancel buttons.
class TDialog : public TForm {
public:
    explicit TDialog(TComponent* owner) : TForm(owner) {
        BuildForm([&] {
            SetBorderStyle(bsDialog);
            SetBounds(0, 0, 300, 150);
            edit = new TEdit(this);
            edit->SetParent(this);
            edit->SetBounds(10, 10, 200, 21);
            ok = new TButton(this);
            ok->SetParent(this);
            ok->SetBounds(10, 60, 75, 25);
            ok->SetCaption("OK");
            ok->SetDefault(true);
            ok->ModalResult = mrOk;
            cancel = new TButton(this);
            cancel->SetParent(this);
            cancel->SetBounds(100, 60, 75, 25);
            cancel->SetCaption(Utf8ToAnsi("Отмена"));
            cancel->SetCancel(true);
            cancel->ModalResult = mrCancel;
        });
    }
    TEdit* edit;
    TButton* ok;
    TButton* cancel;
};

VOID CALLBACK GiveUpModal(HWND, UINT, UINT_PTR, DWORD) {
    // A test whose keys went nowhere must not hang: end every modal form.
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->Modal()) Screen->Forms(i)->ModalResult = -1;
}

TEST(StdCtrls, EnterAndEscEndAModalFormWithTheButtonsResult) {
    struct Case {
        const char* name;
        bool focusCancel;
        WPARAM key;
        TModalResult expected;
    };
    const Case cases[] = {
        {"Enter in the edit box presses the default button", false, VK_RETURN, mrOk},
        {"Esc presses the cancel button", false, VK_ESCAPE, mrCancel},
        {"Enter on a focused button presses that one", true, VK_RETURN, mrCancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* dialog = new TDialog(Application);
        EXPECT_EQ(dialog->DefaultButton, dialog->ok);
        EXPECT_EQ(dialog->CancelButton, dialog->cancel);
        int okClicks = 0;
        dialog->ok->OnClick = [&](TObject*) { ++okClicks; };
        TWinControl* target = c.focusCancel ? static_cast<TWinControl*>(dialog->cancel) : dialog->edit;
        dialog->SetActiveControl(target);
        dialog->OnShow = [&](TObject*) {
            PostMessageW(target->Handle(), WM_KEYDOWN, c.key, 1);
            PostMessageW(target->Handle(), WM_KEYUP, c.key, 0xC0000001);
        };
        UINT_PTR timer = SetTimer(nullptr, 0, 5000, GiveUpModal);
        TModalResult result = dialog->ShowModal();
        KillTimer(nullptr, timer);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(okClicks, c.expected == mrOk ? 1 : 0);
        TObject::Free(dialog);
    }
}

// Without an ActiveControl the first tab stop in tab order takes the focus,
// at showing and again when the form is activated after another window.
TEST(StdCtrls, AFormWithoutActiveControlFocusesItsFirstTabStop) {
    struct Case {
        const char* name;
        int editTabOrder;  // the edit box's place among the tab stops
        bool editIsTabStop;
        const char* focused;
    } cases[] = {
        {"the edit box first", 0, true, "edit"},
        {"the OK button first", 1, true, "ok"},
        {"the edit box no tab stop: the OK button", 0, false, "ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* dialog = new TDialog(Application);
        dialog->edit->TabStop = c.editIsTabStop;
        dialog->edit->SetTabOrder(c.editTabOrder);
        auto focusedName = [&]() -> std::string {
            HWND focus = GetFocus();
            if (focus == dialog->edit->Handle()) return "edit";
            if (focus == dialog->ok->Handle()) return "ok";
            if (focus == dialog->cancel->Handle()) return "cancel";
            return focus == dialog->Handle() ? "form" : "elsewhere";
        };
        dialog->Show();
        Application->ProcessMessages();
        EXPECT_EQ(focusedName(), c.focused);

        auto* other = new TDialog(Application);
        other->Show();
        Application->ProcessMessages();
        TObject::Free(other);
        dialog->Show();
        Application->ProcessMessages();
        EXPECT_EQ(focusedName(), c.focused) << "after another window";
        TObject::Free(dialog);
    }
}

TEST(StdCtrls, EnterInAMemoStartsALineAndEscStillCancels) {
    auto* dialog = new TDialog(Application);
    auto* memo = new TMemo(dialog);
    memo->SetParent(dialog);
    memo->SetBounds(10, 90, 200, 50);
    int okClicks = 0;
    dialog->ok->OnClick = [&](TObject*) { ++okClicks; };
    dialog->SetActiveControl(memo);
    dialog->OnShow = [&](TObject*) {
        HWND wnd = memo->Handle();
        PostMessageW(wnd, WM_KEYDOWN, 'A', 1);
        PostMessageW(wnd, WM_CHAR, 'a', 1);
        PostMessageW(wnd, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageW(wnd, WM_CHAR, '\r', 1);
        PostMessageW(wnd, WM_KEYDOWN, 'B', 1);
        PostMessageW(wnd, WM_CHAR, 'b', 1);
        PostMessageW(wnd, WM_KEYDOWN, VK_ESCAPE, 1);
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 5000, GiveUpModal);
    TModalResult result = dialog->ShowModal();
    KillTimer(nullptr, timer);
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(okClicks, 0);
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(memo->Lines()->Get(1), "b");
    TObject::Free(dialog);
}

TEST(StdCtrls, EscInAMemoOfAnOrdinaryFormLeavesItsParentAlone) {
    TestForm f;
    auto* box = f.Add<TGroupBox>(10, 10);
    auto* memo = new TMemo(f.form);
    memo->SetParent(box);
    HWND parent = box->Handle();
    memo->SetFocus();
    PostMessageW(memo->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(memo->Handle(), WM_KEYUP, VK_ESCAPE, 0xC0000001);
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_TRUE(IsWindow(parent));
    EXPECT_EQ(box->Handle(), parent);
}

TEST(StdCtrls, FreedDefaultButtonLeavesTheForm) {
    auto* dialog = new TDialog(Application);
    TObject::Free(dialog->ok);
    EXPECT_EQ(dialog->DefaultButton, nullptr);
    dialog->cancel->SetCancel(false);
    EXPECT_EQ(dialog->CancelButton, nullptr);
    TObject::Free(dialog);
}

TEST(StdCtrls, ButtonClickFiresOnceForAMouseClick) {
    TestForm f;
    auto* button = f.Add<TButton>(10, 10);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    HWND wnd = button->Handle();
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1);
}

TEST(StdCtrls, EditTextRoundTripsThroughTheWindowInCodePage1251) {
    TestForm f;
    auto* edit = f.Add<TEdit>(10, 10);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    const std::string russian = Utf8ToAnsi("Съешь же ещё этих мягких булок");
    edit->SetText(russian);
    EXPECT_EQ(WindowText(edit->Handle()), Utf8ToWide("Съешь же ещё этих мягких булок"));
    EXPECT_EQ(changes, 1);

    SetWindowTextW(edit->Handle(), Utf8ToWide("Ёжик € 漢").c_str());
    // A character that code page 1251 lacks reads as '?'.
    EXPECT_EQ(edit->Text(), Utf8ToAnsi("Ёжик € ?"));
    EXPECT_EQ(changes, 2);

    edit->SetText(Utf8ToAnsi("абвгд"));
    edit->SetSelStart(1);
    edit->SetSelLength(2);
    EXPECT_EQ(edit->SelText(), Utf8ToAnsi("бв"));
    edit->SetSelText("X");
    EXPECT_EQ(edit->Text(), Utf8ToAnsi("аXгд"));
}

TEST(StdCtrls, EditKeepsTypedTextAcrossANewWindowAndLimitsLength) {
    TestForm f;
    auto* edit = f.Add<TEdit>(10, 10);
    edit->SetMaxLength(4);
    TypeChars(edit->Handle(), Utf8ToWide("жук-олень"));
    EXPECT_EQ(edit->Text(), Utf8ToAnsi("жук-"));
    HWND before = edit->Handle();
    // A new character case needs a new window.
    edit->SetCharCase(ecUpperCase);
    EXPECT_NE(edit->Handle(), before);
    // The new window holds the text, in its case.
    EXPECT_EQ(edit->Text(), Utf8ToAnsi("ЖУК-"));
    SetWindowTextW(edit->Handle(), L"");
    TypeChars(edit->Handle(), Utf8ToWide("ёж"));
    EXPECT_EQ(edit->Text(), Utf8ToAnsi("ЁЖ"));
}

TEST(StdCtrls, MemoLinesReadAndWriteTheText) {
    for (bool withWindow : {false, true}) {
        SCOPED_TRACE(withWindow ? "with a window" : "without a window");
        TestForm f;
        auto* memo = new TMemo(f.form);
        if (withWindow) {
            memo->SetParent(f.form);
            memo->HandleNeeded();
        }
        TStrings* lines = memo->Lines();
        EXPECT_EQ(lines->Count(), 0);
        lines->Add(Utf8ToAnsi("один"));
        lines->Add(Utf8ToAnsi("два"));
        lines->Insert(1, Utf8ToAnsi("полтора"));
        EXPECT_EQ(memo->Text(), Utf8ToAnsi("один\r\nполтора\r\nдва\r\n"));
        lines->Delete(0);
        lines->Put(1, "three");
        EXPECT_EQ(ItemsOf(lines), (std::vector<std::string>{Utf8ToAnsi("полтора"), "three"}));
        memo->SetText("a\r\nb");
        EXPECT_EQ(lines->Count(), 2);
        lines->Add("c");
        EXPECT_EQ(ItemsOf(lines), (std::vector<std::string>{"a", "b", "c"}));
        lines->Clear();
        EXPECT_EQ(lines->Count(), 0);
    }
}

TEST(StdCtrls, ListBoxItemsAndSelectionSurviveANewWindow) {
    TestForm f;
    auto* list = f.Add<TListBox>(10, 10);
    TObject tagB, tagC;
    // Items given before the window exists reach it.
    list->Items()->Add("c");
    list->Items()->AddObject("a", nullptr);
    list->Items()->AddObject("b", &tagB);
    list->Items()->SetObjects(0, &tagC);
    list->SetItemIndex(2);
    HWND first = list->Handle();
    EXPECT_EQ(SendMessageW(first, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(first, LB_GETCURSEL, 0, 0), 2);

    list->Items()->Add(Utf8ToAnsi("ёлка"));
    list->RecreateWnd();
    EXPECT_NE(list->Handle(), first);
    EXPECT_EQ(ItemsOf(list->Items()), (std::vector<std::string>{"c", "a", "b", Utf8ToAnsi("ёлка")}));
    EXPECT_EQ(list->Items()->Objects(0), &tagC);
    EXPECT_EQ(list->Items()->Objects(2), &tagB);
    EXPECT_EQ(list->ItemIndex(), 2);

    // Sorting needs a new window too; the objects follow their strings.
    list->SetSorted(true);
    EXPECT_EQ(ItemsOf(list->Items()), (std::vector<std::string>{"a", "b", "c", Utf8ToAnsi("ёлка")}));
    EXPECT_EQ(list->Items()->Objects(1), &tagB);
    EXPECT_EQ(list->Items()->Objects(2), &tagC);
    EXPECT_EQ(list->Items()->Add("bb"), 2);

    // The form's own new window takes the list's with it.
    f.form->SetBorderStyle(bsSingle);
    EXPECT_EQ(list->Items()->Count(), 5);
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 5);

    EXPECT_THROW(list->Items()->Get(10), EStringListError);
    list->Items()->Put(0, "zz");
    EXPECT_EQ(list->Items()->IndexOf("ZZ"), 0);
}

TEST(StdCtrls, ListBoxReportsSelectionChangesOnce) {
    TestForm f;
    auto* list = f.Add<TListBox>(10, 10);
    list->Items()->SetText("one\ntwo\nthree");
    int clicks = 0, doubleClicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    list->OnDblClick = [&](TObject*) { ++doubleClicks; };
    HWND wnd = list->Handle();
    list->SetItemIndex(0);
    EXPECT_EQ(clicks, 0);  // set by the program: no click

    SendMessageW(wnd, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);

    RECT r;
    SendMessageW(wnd, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM(r.left + 3, r.top + 2);
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(wnd, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_EQ(clicks, 2);
    SendMessageW(wnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(wnd, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(doubleClicks, 1);
}

TEST(StdCtrls, OwnerDrawnListBoxMeasuresAndDrawsItsOwnItems) {
    TestForm f;
    // A plain list box first: the measure messages must still find the right one.
    f.Add<TListBox>(10, 10)->Items()->Add("plain");
    auto* list = f.Add<TListBox>(150, 10);
    list->SetStyle(lbOwnerDrawVariable);
    list->SetHeight(200);
    std::vector<int> drawn;
    list->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 10 + index * 5; };
    list->OnDrawItem = [&](TWinControl* control, int index, const TRect& rect, TOwnerDrawState) {
        EXPECT_EQ(control, list);
        EXPECT_EQ(rect.Height(), 10 + index * 5);
        drawn.push_back(index);
    };
    list->Items()->SetText("a\nb\nc");
    HWND wnd = list->Handle();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SendMessageW(wnd, LB_GETITEMHEIGHT, static_cast<WPARAM>(i), 0), 10 + i * 5);
    drawn.clear();
    InvalidateRect(wnd, nullptr, TRUE);
    UpdateWindow(wnd);
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));

    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(21);
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETITEMHEIGHT, 0, 0), 21);
    EXPECT_EQ(list->Items()->Count(), 3);
}

TEST(StdCtrls, ComboBoxItemIndexTextAndChangeEvents) {
    TestForm f;
    auto* combo = f.Add<TComboBox>(10, 10);
    combo->SetStyle(csDropDownList);
    combo->Items()->SetText(Utf8ToAnsi("Вперед\nНазад\nСтоп"));
    combo->SetItemIndex(1);  // before the window: kept and applied
    int changes = 0, clicks = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_EQ(combo->Text(), Utf8ToAnsi("Назад"));
    HWND wnd = combo->Handle();
    EXPECT_EQ(SendMessageW(wnd, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(changes, 0);

    // The user picks the next item.
    SendMessageW(wnd, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), Utf8ToAnsi("Стоп"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(clicks, 1);

    // The open list shows DropDownCount items.
    for (int i = 0; i < 20; ++i) combo->Items()->Add(std::to_string(i));
    combo->DropDownCount = 5;
    combo->SetDroppedDown(true);
    RECT dropped;
    SendMessageW(wnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    combo->SetDroppedDown(false);
    int itemHeight = combo->ItemHeight();
    EXPECT_GE(dropped.bottom - dropped.top, 5 * itemHeight);
    EXPECT_LT(dropped.bottom - dropped.top, 6 * itemHeight + combo->Height());
    for (int i = 0; i < 20; ++i) combo->Items()->Delete(3);

    combo->SetText(Utf8ToAnsi("Вперед"));
    EXPECT_EQ(combo->ItemIndex(), 0);
    combo->SetSorted(true);  // a new window keeps items and selection
    EXPECT_EQ(combo->Text(), Utf8ToAnsi("Вперед"));
    EXPECT_EQ(changes, 1);
}

TEST(StdCtrls, DropDownComboReportsTyping) {
    TestForm f;
    auto* combo = f.Add<TComboBox>(10, 10);
    combo->Items()->SetText("alpha\nbeta");
    combo->SetCharCase(ecUpperCase);
    std::vector<std::string> seen;
    combo->OnChange = [&](TObject*) { seen.push_back(combo->Text()); };
    HWND edit = GetWindow(combo->Handle(), GW_CHILD);
    ASSERT_NE(edit, nullptr);
    TypeChars(edit, Utf8ToWide("эх"));
    EXPECT_EQ(seen, (std::vector<std::string>{Utf8ToAnsi("Э"), Utf8ToAnsi("ЭХ")}));
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->Text(), "BETA");
    combo->SetStyle(csSimple);
    EXPECT_EQ(combo->Text(), "BETA");
    EXPECT_EQ(combo->Items()->Count(), 2);
}

TEST(StdCtrls, CheckBoxStepsThroughItsStates) {
    TestForm f;
    auto* box = f.Add<TCheckBox>(10, 10);
    box->AllowGrayed = true;
    std::vector<TCheckBoxState> seen;
    box->OnClick = [&](TObject*) { seen.push_back(box->State()); };
    HWND wnd = box->Handle();
    for (int i = 0; i < 3; ++i) SendMessageW(wnd, BM_CLICK, 0, 0);
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
    box->SetChecked(true);
    EXPECT_EQ(SendMessageW(wnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(seen.size(), 4u);
}

TEST(StdCtrls, CheckingARadioButtonUnchecksItsSiblings) {
    TestForm f;
    auto* first = f.Add<TRadioButton>(10, 10);
    auto* second = f.Add<TRadioButton>(10, 40);
    first->SetChecked(true);
    int clicks = 0;
    second->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(second->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(second->Checked());
    EXPECT_FALSE(first->Checked());
    EXPECT_EQ(SendMessageW(first->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(second->TabStop);
    EXPECT_FALSE(first->TabStop);
    EXPECT_EQ(clicks, 1);
}

TEST(StdCtrls, ScrollBarClampsAndReportsScrolling) {
    TestForm f;
    auto* bar = f.Add<TScrollBar>(10, 10);
    bar->SetParams(50, 0, 1000000);
    bar->SmallChange = 3;
    bar->LargeChange = 100;
    std::vector<int> changes;
    bar->OnChange = [&](TObject*) { changes.push_back(bar->Position()); };
    HWND wnd = bar->Handle();
    EXPECT_EQ(GetScrollPos(wnd, SB_CTL), 50);

    SendMessageW(f.form->Handle(), WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(wnd));
    SendMessageW(f.form->Handle(), WM_HSCROLL, SB_PAGEUP, reinterpret_cast<LPARAM>(wnd));
    EXPECT_EQ(changes, (std::vector<int>{53, 0}));
    // A handler may hold the position back.
    bar->OnScroll = [](TObject*, TScrollCode code, int& position) {
        if (code == scBottom) position = 999;
    };
    SendMessageW(f.form->Handle(), WM_HSCROLL, SB_BOTTOM, reinterpret_cast<LPARAM>(wnd));
    EXPECT_EQ(bar->Position(), 999);
    bar->SetPageSize(10);
    bar->SetPosition(2000000);
    EXPECT_EQ(bar->Position(), 1000000 - 9);
    EXPECT_EQ(GetScrollPos(wnd, SB_CTL), 1000000 - 9);
    EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
}

}  // namespace

namespace {

// An edit box that counts the times Windows is asked to move or re-stack it.
class TCountingEdit : public TEdit {
public:
    using TEdit::TEdit;
    int Moves = 0;

protected:
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_WINDOWPOSCHANGING) ++Moves;
        TEdit::WndProc(message);
    }
};

}  // namespace

// A page sets the tab order of all its controls at each layout: the windows
// follow the new order (as the dialog manager walks it), each moved at most
// once, and an order already in place moves none.
TEST(StdCtrls, SettingTabOrdersRestacksOnlyTheWindowsThatMove) {
    TestForm host;
    constexpr int kCount = 12;
    std::vector<TCountingEdit*> edits;
    for (int i = 0; i < kCount; ++i) {
        auto* e = new TCountingEdit(host.form);
        e->SetBounds(10, 10 + i * 20, 100, 18);
        e->SetParent(host.form);
        e->HandleNeeded();
        edits.push_back(e);
    }
    auto moves = [&] {
        int n = 0;
        for (TCountingEdit* e : edits) n += std::exchange(e->Moves, 0);
        return n;
    };
    moves();
    struct Case {
        const char* name;
        int maxMoves;
    } cases[] = {{"reversed", kCount}, {"the same again", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < kCount; ++i) edits[static_cast<size_t>(kCount - 1 - i)]->SetTabOrder(i);
        EXPECT_LE(moves(), c.maxMoves);
        HWND w = GetWindow(host.form->Handle(), GW_CHILD);
        for (int i = kCount - 1; i >= 0; --i) {
            EXPECT_EQ(w, edits[static_cast<size_t>(i)]->Handle()) << "window " << kCount - 1 - i;
            EXPECT_EQ(edits[static_cast<size_t>(i)]->TabOrder(), kCount - 1 - i);
            if (w) w = GetWindow(w, GW_HWNDNEXT);
        }
    }
}
