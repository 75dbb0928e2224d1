#pragma once

// HTML forms: one control object per INPUT, SELECT or TEXTAREA, grouped by
// their form. A control keeps its own value, so a form can be reset,
// submitted and restored from the history with or without its window; when a
// window exists (a child of the viewer's paint panel) the value lives there.
// What a control shows and holds is wide text, every character the page has;
// its attributes, names, values and the submission are in the page's own
// code page (TextCodePage), as the page wrote them.
// Free of window headers: the windows are made in form_controls_win.cpp.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/gdi_handles.h"
#include "html/html_types.h"
#include "html/style_props.h"
#include "html/text_measure.h"

class TCanvas;
class TImageObj;
class TSectionList;
class TWinControl;
class TBitmap;

// SIZE, MAXLENGTH, ROWS and COLS come from untrusted pages.
int ClampFormCount(int value);
// A control is at most this wide and high.
constexpr int kMaxControlSide = 32767;
// Where a window waits while the page does not show it.
constexpr int kOffScreenLeft = -4000;
// Characters to the next control when none follows.
constexpr int NoControlDistance = 9999;
// The system's vertical scroll bar width (16 natively).
int ScrollBarWidth();

class ThtmlForm;

class TFormControlObj : public TIDObject {
public:
    // Joins the document's current form (made when there is none) and its
    // control list; `L` may be null.
    TFormControlObj(TSectionList* document, int position, TAttributeList* L);
    ~TFormControlObj() override;
    // Never copied: a print copy of the page lists the page's own controls
    // in its sections and prints what they hold at that moment.
    TFormControlObj(const TFormControlObj&) = delete;
    TFormControlObj& operator=(const TFormControlObj&) = delete;

    int GetYPosition() override { return DocY; }
    virtual TWinControl* GetControl() { return Window; }
    virtual void DoOnChange() {}
    virtual void SaveContents() {}
    virtual void ProcessProperties(TProperties& prop);
    // The printed look at canvas (X, Y).
    virtual void Draw(TCanvas* canvas, int X, int Y) { (void)canvas, (void)X, (void)Y; }
    virtual void ResetToValue() {}
    // Index 0, 1, ... until false; an empty S contributes nothing.
    virtual bool GetSubmission(int index, std::string& s) { (void)index, (void)s; return false; }
    virtual void SetData(int index, const std::string& v) { (void)index, (void)v; }
    virtual void SetDataInit() {}
    // Works out Width and Height in the control's font.
    virtual void SetHeightWidth(TCanvas* canvas) { (void)canvas; }
    virtual bool IsHiddenInput() const { return false; }
    // Stands in the text as character 2.
    virtual bool InText() const { return true; }

    void EnterEvent();
    void ExitEvent();
    void FormControlClick();
    std::string GetAttribute(const std::string& name) const;
    // Shows the window at (x, y) of the paint panel, moving it only when it
    // stands elsewhere; the window's size follows Width and Height.
    void PlaceWindow(int x, int y);
    // Puts the window where the page does not show it (still reachable by Tab).
    void ParkWindow();
    // The measurer's id of the control's font.
    TFontId FontId(TCanvas* canvas) const;
    // Makes the window, once the control's style is known; nothing without
    // a paint panel or on failure.
    virtual void MakeWindow() {}
    // The window takes the size layout gave the control.
    void SyncWindowSize();
    // The window takes the keyboard focus when it can.
    void TakeFocus();
    // The window's place in the paint panel's tab order.
    void SetTabOrder(int order);
    // Page text (an attribute, a submitted value) as shown, and back.
    std::wstring ShownText(const std::string& pageText) const;
    std::string PageText(const std::wstring& shown) const;
    // The form's key handlers.
    void KeyDown(uint16_t& key, unsigned shift);
    bool KeyPress(char& key);

    int DocY = 0;
    bool HasFocus = false;
#ifdef _WIN32
    // A push button's window as painted for the first printout; later ones
    // reuse it while the window keeps its size. (The native build has no
    // windows to paint and no GDI to free it with.)
    TBitmapHandle PrintImage;
#endif
    std::vector<std::string> AttrLines;  // NAME=value
    int TextCodePage = 1251;
    int Pos = 0;
    TSectionList* Document;
    ThtmlForm* OwnerForm = nullptr;
    std::string ValueAttr;
    std::string CtrlName;
    std::string CtrlID;
    AlignmentType VAlign = ABottom;
    int SpaceLeft = 0, SpaceRight = 0;
    int GivenHeight = 0, GivenWidth = 0;
    bool WidthInPercent = false;
    bool IsDisabled = false;
    int TabIndex = 0;
    TWinControl* Window = nullptr;  // owned; null when none could be made
    bool IsPlaced = false;
    std::string ClickScript, FocusScript, BlurScript, ChangeScript;
    int Width = 0, Height = 0;  // what layout gives the control
    TFontDesc Font;

protected:
    // Takes a new window: at the left of the view, parented to the paint
    // panel, font, enabled state and focus events. Frees it and keeps none
    // when it cannot be made.
    void AttachWindow(TWinControl* window, bool ownFont = true);
    // The host's change event when `changed`.
    void NotifyChange(bool changed);
    // The panel the windows go on; null without a host (no windows then).
    TWinControl* Panel() const;
    bool Monochrome(TCanvas* canvas) const;
    void DrawFrame(TCanvas* canvas, int X, int Y, bool raised) const;
    // Text clipped to (left, top, right, bottom) in the control's font.
    void DrawClippedText(TCanvas* canvas, int x, int y, int left, int top, int right, int bottom,
                         const std::wstring& text, bool centreVertically) const;
};

class THiddenFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    bool GetSubmission(int index, std::string& s) override;
    void SetData(int, const std::string& v) override { ValueAttr = v; }
    bool IsHiddenInput() const override { return true; }
    bool InText() const override { return false; }
};

class TEditFormControlObj : public TFormControlObj {
public:
    TEditFormControlObj(TSectionList* document, int position, TAttributeList* L, const std::string& typeName);
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override;
    void SetData(int, const std::string& v) override { SetText(ShownText(v)); }
    void SaveContents() override { SavedText = GetText(); }
    void DoOnChange() override { NotifyChange(GetText() != SavedText); }
    void SetHeightWidth(TCanvas* canvas) override;
    void Draw(TCanvas* canvas, int X, int Y) override;
    void MakeWindow() override;
    std::wstring GetText() const;
    void SetText(const std::wstring& text);

    std::wstring SavedText;
    int SizeChars = 15;
    int MaxLength = 0;
    bool Password = false;

private:
    // VALUE as shown, cut to MaxLength.
    std::wstring ShownValue() const;
    // While there is no window; none: VALUE (made wide only when asked).
    std::optional<std::wstring> FText;
};

enum WhichType { Submit, ResetB, Button, Browse };

class TButtonFormControlObj : public TFormControlObj {
public:
    TButtonFormControlObj(TSectionList* document, int position, TAttributeList* L, const std::string& typeName);
    void ButtonClick();
    void SetHeightWidth(TCanvas* canvas) override;
    void Draw(TCanvas* canvas, int X, int Y) override;
    void MakeWindow() override;
    std::wstring Caption() const { return ShownText(FCaption); }

    WhichType ButtonKind = Button;
    TEditFormControlObj* FileEdit = nullptr;

private:
    // The raised frame with the caption centred, for when the window cannot
    // be printed as it looks.
    void DrawLikeness(TCanvas* canvas, int X, int Y);
    // Paints the window into PrintImage; false when it cannot.
    bool PaintPrintImage();

    std::string FCaption;  // as the page wrote it
};

class TImageFormControlObj : public TFormControlObj {
public:
    TImageFormControlObj(TSectionList* document, int position, TAttributeList* L);
    void ProcessProperties(TProperties& prop) override;
    bool GetSubmission(int index, std::string& s) override;
    bool InText() const override { return false; }
    void MakeWindow() override;
    // A click on the image at (LastX, LastY) submits the form.
    void ImageClick();

    TImageObj* ImageObj = nullptr;  // the section's; not owned
    int ClickX = -1, ClickY = -1;
    int LastX = 0, LastY = 0;
};

class TCheckBoxFormControlObj : public TFormControlObj {
public:
    TCheckBoxFormControlObj(TSectionList* document, int position, TAttributeList* L);
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override { SetChecked(InitChecked); }
    void SetDataInit() override { SetChecked(false); }
    void SetData(int, const std::string& v) override;
    void SaveContents() override { SavedChecked = Checked(); }
    void DoOnChange() override { NotifyChange(Checked() != SavedChecked); }
    void SetHeightWidth(TCanvas* canvas) override;
    void Draw(TCanvas* canvas, int X, int Y) override;
    void MakeWindow() override;
    virtual bool Checked() const;
    virtual void SetChecked(bool value);

    bool SavedChecked = false;
    bool InitChecked = false;

protected:
    TCheckBoxFormControlObj(TSectionList* document, int position, TAttributeList* L, bool radio);
    bool FChecked = false;
};

class TRadioButtonFormControlObj : public TCheckBoxFormControlObj {
public:
    TRadioButtonFormControlObj(TSectionList* document, TObject* cell, int position, TAttributeList* L);
    void SetHeightWidth(TCanvas* canvas) override;
    void Draw(TCanvas* canvas, int X, int Y) override;
    void MakeWindow() override;
    bool Checked() const override;
    // Checking one unchecks the others of its group.
    void SetChecked(bool value) override;
    void RadioClick();
    bool TabStop() const;

    TObject* CellRef = nullptr;

private:
    friend class ThtmlForm;
    // The state alone, the group left as it is.
    void SetOwnState(bool value);
};

struct TOptionObj {
    std::string OptValue;
    bool IsSelected = false;
    std::vector<std::string> OptAttributes;
};

class ThtOptionStringList {
public:
    void Add(std::wstring text, TOptionObj option) { Texts.push_back(std::move(text)), Options.push_back(std::move(option)); }
    int Count() const { return static_cast<int>(Options.size()); }
    std::string GetValue(int index) const;
    bool GetSelected(int index) const;
    void SetSelected(int index, bool value);
    std::string GetAttribute(int index, const std::string& name) const;
    std::vector<std::wstring> Texts;
    std::vector<TOptionObj> Options;
};

class TListBoxFormControlObj : public TFormControlObj {
public:
    TListBoxFormControlObj(TSectionList* document, int position, TAttributeList* L);
    // An OPTION read by the reader: its text (empty shows a blank), whether
    // SELECTED, and its attributes; without a VALUE the text in `codePage`
    // is the value.
    void AddStr(const std::wstring& text, bool selected, const std::vector<std::string>& attributes,
                int codePage);
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override;
    void SetData(int index, const std::string& v) override;
    void SaveContents() override;
    void DoOnChange() override;
    void SetHeightWidth(TCanvas* canvas) override;
    void Draw(TCanvas* canvas, int X, int Y) override;
    void MakeWindow() override;
    // Rows the list shows: SIZE when given, else the option count within 1..8.
    int RowsForHeight() const;
    int ItemIndex() const;
    bool IsSelected(int index) const;

    ThtOptionStringList Options;
    int RowsShown = -1;
    int WidestOption = 3;
    int SavedCount = 0;
    bool SavedSelection[51] = {};
    bool Multiple = false;

protected:
    TListBoxFormControlObj(TSectionList* document, int position, TAttributeList* L, bool combo);
    void SetItemIndex(int index);
    void SetSelectedItem(int index, bool value);
    // The window shows Options again.
    void RefillWindow();
    std::vector<bool> FSelected;  // while there is no window
    int FItemIndex = -1;
};

class TComboFormControlObj : public TListBoxFormControlObj {
public:
    TComboFormControlObj(TSectionList* document, int position, TAttributeList* L);
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override;
    void SetData(int index, const std::string& v) override;
    void SaveContents() override { SavedIndex = ItemIndex(); }
    void DoOnChange() override { NotifyChange(ItemIndex() != SavedIndex); }
    void SetHeightWidth(TCanvas* canvas) override;
    void Draw(TCanvas* canvas, int X, int Y) override;
    void MakeWindow() override;

    int SavedIndex = -1;
};

class TTextAreaFormControlObj : public TFormControlObj {
public:
    TTextAreaFormControlObj(TSectionList* document, int position, TAttributeList* L);
    void AddStr(const std::wstring& s) { InitialText += s; }
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override;
    void SetData(int, const std::string& v) override { SetText(ShownText(v)); }
    void SaveContents() override { SavedText = GetText(); }
    void DoOnChange() override { NotifyChange(GetText() != SavedText); }
    void SetHeightWidth(TCanvas* canvas) override;
    void Draw(TCanvas* canvas, int X, int Y) override;
    void MakeWindow() override;
    std::wstring GetText() const;
    void SetText(const std::wstring& text);
    // The text as shown: the window's lines, or without one, lines broken at
    // word ends within ColCount when wrapping is on.
    std::vector<std::wstring> DisplayedLines() const;

    std::wstring SavedText;
    int WrapMode = 1;
    int RowCount = 5;
    int ColCount = 30;
    std::wstring InitialText;

private:
    // The window's lines as it shows them; false without a window.
    bool WindowLines(std::vector<std::wstring>& lines) const;
    std::optional<std::wstring> FText;  // none: InitialText
};

class ThtmlForm {
public:
    // Joins the document's form list (when there is a document).
    ThtmlForm(TSectionList* document, TAttributeList* L);
    ~ThtmlForm();
    ThtmlForm(const ThtmlForm&) = delete;
    ThtmlForm& operator=(const ThtmlForm&) = delete;

    void InsertControl(std::unique_ptr<TFormControlObj> ctrl);
    // Frees the control.
    void RemoveControl(TFormControlObj* ctrl);
    void DoRadios(TRadioButtonFormControlObj* radio);
    // In each radio group the checked button is the tab stop; with none
    // checked the first one is, so that Tab still reaches the group.
    void SetRadioTabStops();
    // Arrow keys move within a radio group; other keys go to the viewer.
    void AKeyDown(TFormControlObj* sender, uint16_t& key, unsigned shift);
    // Enter in an edit box submits; the key is swallowed (true).
    bool ControlKeyPress(TFormControlObj* sender, char& key);
    void ResetControls();
    std::vector<std::string> GetFormSubmission();
    void SubmitTheForm(const std::string& buttonSubmission);
    void SetFormData(const std::vector<std::string>& lines);
    void SetSizes(TCanvas* canvas);

    TSectionList* Document;
    std::string Method = "Get";
    std::string Action;
    std::string Target;
    std::string EncType;
    std::vector<std::unique_ptr<TFormControlObj>> Controls;
    int VisibleCount = 0;
};

// The controls of one text section in Pos order (not owned).
class TFormControlList {
public:
    int Count() const { return static_cast<int>(Items.size()); }
    void Add(TFormControlObj* c) { Items.push_back(c); }
    TFormControlObj* FindControl(int posn) const;
    // -1 when none stands at posn.
    int GetHeightAt(int posn, AlignmentType& valign) const;
    int GetWidthAt(int posn, int& leftGap, int& rightGap) const;
    // Characters from posn to the next control; NoControlDistance when none follows.
    int GetControlCountAt(int posn) const;
    void Decrement(int n);
    std::vector<TFormControlObj*> Items;
};
