#pragma once

// The document-side model of HTML forms: controls keep their own values, so a
// form can be reset, submitted and restored from the history without any window.

#include <functional>
#include <memory>
#include <string>
#include <vector>


// SIZE, MAXLENGTH, ROWS and COLS come from untrusted pages.
int ClampFormCount(int value);

class ThtmlForm;

class TFormControlObj {
public:
    TFormControlObj(std::string name, std::string value) : CtrlName(std::move(name)), ValueAttr(std::move(value)) {}
    virtual ~TFormControlObj() = default;

    // Index 0, 1, ... until false; an empty S contributes nothing.
    virtual bool GetSubmission(int index, std::string& s) = 0;
    virtual void ResetToValue() {}
    virtual void SetDataInit() {}
    virtual void SetData(int index, const std::string& v) = 0;
    virtual bool IsHiddenInput() const { return false; }

    std::string CtrlName;
    std::string ValueAttr;
    bool IsDisabled = false;
    int Pos = 0;
    int TabIndex = 0;
    ThtmlForm* OwnerForm = nullptr;
};

class THiddenFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    bool GetSubmission(int index, std::string& s) override;
    void SetData(int, const std::string& v) override { ValueAttr = v; }
    bool IsHiddenInput() const override { return true; }
};

class TEditFormControlObj : public TFormControlObj {
public:
    TEditFormControlObj(std::string name, std::string value, int maxLength = 0);
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override { SetText(ValueAttr); }
    void SetData(int, const std::string& v) override { SetText(v); }
    void SetText(const std::string& text);

    std::string Text;
    int MaxLength = 0;
};

class TButtonFormControlObj : public TFormControlObj {
public:
    enum Kind { Submit, ResetB, Button };
    TButtonFormControlObj(std::string name, std::string value, Kind kind) : TFormControlObj(std::move(name), std::move(value)), Which(kind) {}
    bool GetSubmission(int, std::string&) override { return false; }
    void SetData(int, const std::string&) override {}
    void ButtonClick();
    Kind Which;
};

class TImageFormControlObj : public TFormControlObj {
public:
    using TFormControlObj::TFormControlObj;
    bool GetSubmission(int index, std::string& s) override;
    void SetData(int, const std::string&) override {}
    void ImageClick(int x, int y);
    int ClickX = -1;
    int ClickY = -1;
};

class TCheckBoxFormControlObj : public TFormControlObj {
public:
    TCheckBoxFormControlObj(std::string name, std::string value, bool checked);
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override { Checked = InitChecked; }
    void SetDataInit() override { Checked = false; }
    void SetData(int, const std::string& v) override;
    bool InitChecked = false;
    bool Checked = false;
};

class TRadioButtonFormControlObj : public TCheckBoxFormControlObj {
public:
    using TCheckBoxFormControlObj::TCheckBoxFormControlObj;
    void ResetToValue() override;
    void SetChecked(bool value);
    void RadioClick();
    bool TabStop() const { return Checked; }
};

struct TOptionObj {
    std::string OptValue;
    bool IsSelected = false;
};

class ThtOptionStringList {
public:
    void Add(std::string text, std::string value, bool selected) { Texts.push_back(std::move(text)), Options.push_back({std::move(value), selected}); }
    int Count() const { return static_cast<int>(Options.size()); }
    std::string GetValue(int index) const;
    bool GetSelected(int index) const;
    void SetSelected(int index, bool value);
    std::vector<std::string> Texts;
    std::vector<TOptionObj> Options;
};

class TListBoxFormControlObj : public TFormControlObj {
public:
    TListBoxFormControlObj(std::string name, int rowsShown, bool multiple);
    void AddStr(const std::string& text, bool selected, const std::string* value);
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override;
    void SetData(int index, const std::string& v) override;
    // Visible rows: SIZE when given, else the option count between 1 and 8.
    int RowsForHeight() const;

    ThtOptionStringList Options;
    std::vector<bool> Selected;   // what the list shows
    int ItemIndex = -1;
    int RowsShown = -1;
    bool Multiple = false;
};

class TComboFormControlObj : public TListBoxFormControlObj {
public:
    TComboFormControlObj(std::string name) : TListBoxFormControlObj(std::move(name), -1, false) {}
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override;
    void SetData(int index, const std::string& v) override;
};

class TTextAreaFormControlObj : public TFormControlObj {
public:
    TTextAreaFormControlObj(std::string name, int rows, int cols, const std::string& wrap);
    void AddStr(const std::string& s) { InitialText += s; }
    bool GetSubmission(int index, std::string& s) override;
    void ResetToValue() override { Text = InitialText; }
    void SetData(int, const std::string& v) override { Text = v; }
    // The text as shown: with wrapping on, lines break at word ends within ColCount.
    std::vector<std::string> DisplayedLines() const;

    std::string Text;
    std::string InitialText;
    int WrapMode = 1;
    int RowCount = 5;
    int ColCount = 30;
};

class ThtmlForm {
public:
    using SubmitHandler = std::function<void(const ThtmlForm&, const std::vector<std::string>&)>;

    // Takes ownership; the control learns its form.
    template <class T>
    T* Add(std::unique_ptr<T> ctrl) {
        T* raw = ctrl.get();
        InsertControl(std::move(ctrl));
        return raw;
    }
    void InsertControl(std::unique_ptr<TFormControlObj> ctrl);
    void DoRadios(TRadioButtonFormControlObj* radio);
    void ResetControls();
    std::vector<std::string> GetFormSubmission();
    void SubmitTheForm(const std::string& buttonSubmission);
    void SetFormData(const std::vector<std::string>& lines);

    std::string Method = "Get";
    std::string Action;
    std::string Target;
    std::string EncType;
    int VisibleCount = 0;
    std::vector<std::unique_ptr<TFormControlObj>> Controls;
    // The document's hook; the viewer forwards it to the host's form-submit event.
    SubmitHandler OnSubmit;
};

// The controls of one text section in Pos order (not owned).
class TFormControlList {
public:
    std::vector<TFormControlObj*> Items;
    TFormControlObj* FindControl(int posn) const;
    // Characters from posn to the next control; 9999 when none follows.
    int GetControlCountAt(int posn) const;
    void Decrement(int n);
};
