// The standard controls: buttons, check boxes, radio buttons, group boxes,
// edit boxes, memos, list boxes, combo boxes and scroll bars. Each is the
// platform's own window class superclassed (BUTTON, EDIT, LISTBOX, COMBOBOX,
// SCROLLBAR): Windows edits, lists, scrolls and draws them; the classes here
// keep their state while no window exists and turn notifications into events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/strings.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

enum TOwnerDrawStateFlag : unsigned {
    odSelected = 1u << 0,
    odGrayed = 1u << 1,
    odDisabled = 1u << 2,
    odChecked = 1u << 3,
    odFocused = 1u << 4,
    odDefault = 1u << 5,
    odComboBoxEdit = 1u << 6,
};
using TOwnerDrawState = unsigned;

// Owner drawing of list and combo items: the control, the item (-1 for an empty
// combo box's edit field), where to draw and how the item stands.
using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// A superclassed standard window whose clicks come from its notifications
// (BN_CLICKED, LBN_SELCHANGE, ...), not from the mouse-up every control sees.
class TStandardControl : public TWinControl {
public:
    using TWinControl::TWinControl;

protected:
    void WndProc(TMessage& message) override;
    // Gives the window a control ID of its own: the parent finds the control
    // that a WM_MEASUREITEM concerns by that ID.
    void CreateHandleDone() override;
};

// ---------------------------------------------------------------------------
// Buttons

class TButtonControl : public TStandardControl {
public:
    explicit TButtonControl(TComponent* AOwner);

protected:
    // While set, a change of the checked state fires no OnClick.
    bool FClicksDisabled = false;
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* AOwner);
    void BeforeDestruction() override;

    // Enter presses the default button and Esc the cancel button of the form.
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value);
    // Given to the form when the button is clicked (a modal form then ends).
    TModalResult ModalResult = mrNone;

    void SetParent(TWinControl* parent) override;
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void Loaded() override;

private:
    void RegisterWithForm();
    void SetDefaultLook(bool asDefault);

    bool FDefault = false;
    bool FCancel = false;
};

class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* AOwner);

    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    // A change fires OnClick (as a click by the user does).
    virtual void SetState(TCheckBoxState state);
    // A click then steps through the grayed state too.
    bool AllowGrayed = false;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void WndProc(TMessage& message) override;
    virtual void Toggle();

    TCheckBoxState FState = cbUnchecked;
};

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* AOwner);

    bool Checked() const { return FChecked; }
    // Checking one unchecks the other radio buttons of the same parent and
    // fires OnClick; a checked button is the group's tab stop.
    virtual void SetChecked(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void WndProc(TMessage& message) override;

    bool FChecked = false;
};

// A frame with a caption around other controls. Drawn by the control itself:
// the platform's group box is a button that does not contain its children.
class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    TRect AlignRect() const override;

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;
};

// ---------------------------------------------------------------------------
// Edit boxes

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);

    // 0: no limit (the platform's own).
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value);
    // Selects the whole text when the box gets the focus from the keyboard.
    bool AutoSelect = true;
    bool Modified() const;
    void SetModified(bool value);

    // Character positions (code page 1251 characters are one unit each); the
    // selection exists only while the window does.
    int SelStart() const;
    void SetSelStart(int value);
    int SelLength() const;
    void SetSelLength(int value);
    std::string SelText() const;
    // Replaces the selection.
    void SetSelText(const std::string& text);
    void SelectAll();
    void Clear() { SetText(""); }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyingHandle() override;
    void WndProc(TMessage& message) override;
    virtual void Change();

    int FMaxLength = 0;
    bool FReadOnly = false;
    TEditCharCase FCharCase = ecNormal;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner);

    // Shown instead of every character; 0 shows the text.
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

private:
    char FPasswordChar = 0;
};

class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;

    // The lines as shown (a wrapped line counts as several); reads and writes
    // the text of the window, or the kept text while there is none.
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* lines);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    // Enter starts a new line (else it reaches the form's default button);
    // Tab is typed into the text (else it moves the focus).
    bool WantReturns = true;
    bool WantTabs = false;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    owned_ptr<TStrings> FLines;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
    TAlignment FAlignment = taLeftJustify;
};

// ---------------------------------------------------------------------------
// List and combo boxes

class TListItems;

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox : public TStandardControl {
public:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;

    // The window's items; kept (with their objects) while the window is re-made.
    TStrings* Items() const;
    void SetItems(TStrings* items);
    // -1: none. With MultiSelect, the item with the focus rectangle.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int TopIndex() const;
    void SetTopIndex(int index);
    int Count() const;
    bool Selected(int index) const;
    void SetSelected(int index, bool value);
    int SelCount() const;
    void Clear();
    // The item under a client point; -1 when none (or none exists there).
    int ItemAtPos(TPoint p, bool existing) const;
    TRect ItemRect(int index) const;

    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    // With MultiSelect: Shift and Ctrl extend the selection (else a click toggles).
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool value);
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool value);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle style);
    // The owner-drawn item height; the font's for lbStandard.
    int ItemHeight() const;
    void SetItemHeight(int height);

    TCanvas* Canvas() const { return FCanvas.get(); }
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyingHandle() override;
    void WndProc(TMessage& message) override;
    virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);

    bool FSorted = false;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    bool FIntegralHeight = false;
    TListBoxStyle FStyle = lbStandard;
    int FItemHeight = 16;

private:
    owned_ptr<TListItems> FItems;
    std::unique_ptr<TCanvas> FCanvas;
    int FSavedItemIndex = -1;
    int FSavedTopIndex = 0;
};

class TListBox : public TCustomListBox {
public:
    using TCustomListBox::TCustomListBox;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TStandardControl {
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TStrings* Items() const;
    void SetItems(TStrings* items);
    int ItemIndex() const;
    // Selects without firing events; -1 clears the selection (and the text).
    void SetItemIndex(int index);
    // The owner-drawn styles show a list only, as csDropDownList does.
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle style);
    // How many items the open list shows.
    int DropDownCount = 8;
    bool DroppedDown() const;
    void SetDroppedDown(bool value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value);
    // 0: no limit.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    int ItemHeight() const;
    void SetItemHeight(int height);
    void Clear();

    TCanvas* Canvas() const { return FCanvas.get(); }
    // Typing into the edit field, and picking an item, fire OnChange; picking
    // fires OnClick first.
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyingHandle() override;
    void WndProc(TMessage& message) override;
    std::string GetText() const override;
    void SetTextCore(const std::string& text) override;
    virtual void Change();
    virtual void DropDown();
    virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);
    bool OwnerDrawn() const { return FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable; }

    TComboBoxStyle FStyle = csDropDown;
    bool FSorted = false;
    TEditCharCase FCharCase = ecNormal;
    int FMaxLength = 0;
    int FItemHeight = 16;

private:
    void AdjustDropDown();

    owned_ptr<TListItems> FItems;
    std::unique_ptr<TCanvas> FCanvas;
    int FSavedItemIndex = -1;
};

class TComboBox : public TCustomComboBox {
public:
    using TCustomComboBox::TCustomComboBox;
};

// ---------------------------------------------------------------------------
// Scroll bars

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
// The scroll code and the position it leads to (a handler may change it).
using TScrollEvent = TEvent<TScrollCode, int&>;

class TScrollBar : public TStandardControl {
public:
    explicit TScrollBar(TComponent* AOwner);

    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind kind);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    int PageSize() const { return FPageSize; }
    void SetMin(int value) { SetParams(FPosition, value, FMax); }
    void SetMax(int value) { SetParams(FPosition, FMin, value); }
    // Clamped to Min..Max; a change fires OnChange.
    void SetPosition(int value) { SetParams(value, FMin, FMax); }
    void SetPageSize(int value);
    void SetParams(int position, int min, int max);
    int SmallChange = 1;
    int LargeChange = 1;

    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void WndProc(TMessage& message) override;
    virtual void Change();
    virtual void Scroll(TScrollCode code, int& position);

private:
    void PushToWindow();
    void DoScroll(unsigned code);

    TScrollBarKind FKind = sbHorizontal;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FPageSize = 0;
};
