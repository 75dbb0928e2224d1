#include "html/form_controls.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

int ClampFormCount(int value) { return std::clamp(value, 1, 1000); }

bool THiddenFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0) return false;
    s = CtrlName + "=" + ValueAttr;
    return true;
}

TEditFormControlObj::TEditFormControlObj(std::string name, std::string value, int maxLength)
    : TFormControlObj(std::move(name), std::move(value)), MaxLength(maxLength > 0 ? ClampFormCount(maxLength) : 0) {
    SetText(ValueAttr);
}

void TEditFormControlObj::SetText(const std::string& text) {
    Text = MaxLength > 0 && static_cast<int>(text.size()) > MaxLength ? text.substr(0, MaxLength) : text;
}

bool TEditFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0) return false;
    s = CtrlName + "=" + Text;
    return true;
}

void TButtonFormControlObj::ButtonClick() {
    if (!OwnerForm) return;
    if (Which == ResetB)
        OwnerForm->ResetControls();
    else if (Which == Submit)
        OwnerForm->SubmitTheForm(CtrlName.empty() ? std::string() : CtrlName + "=" + ValueAttr);
}

void TImageFormControlObj::ImageClick(int x, int y) {
    ClickX = std::max(0, x);
    ClickY = std::max(0, y);
    if (!IsDisabled && OwnerForm) OwnerForm->SubmitTheForm(std::string());
}

bool TImageFormControlObj::GetSubmission(int index, std::string& s) {
    if (ClickX < 0 || index > 1) return false;
    std::string prefix = CtrlName.empty() ? std::string() : CtrlName + ".";
    if (index == 0) {
        s = prefix + "x=" + std::to_string(ClickX);
    } else {
        s = prefix + "y=" + std::to_string(ClickY);
        ClickX = -1;  // one click, one submission
    }
    return true;
}

TCheckBoxFormControlObj::TCheckBoxFormControlObj(std::string name, std::string value, bool checked)
    : TFormControlObj(std::move(name), value.empty() ? std::string("on") : std::move(value)), InitChecked(checked), Checked(checked) {}

bool TCheckBoxFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0 || !Checked) return false;
    s = CtrlName + "=" + ValueAttr;
    return true;
}

void TCheckBoxFormControlObj::SetData(int, const std::string& v) { Checked = SameText(v, ValueAttr); }

void TRadioButtonFormControlObj::SetChecked(bool value) {
    Checked = value;
    if (value && OwnerForm) OwnerForm->DoRadios(this);
}

void TRadioButtonFormControlObj::ResetToValue() { Checked = InitChecked; }

void TRadioButtonFormControlObj::RadioClick() { SetChecked(true); }

std::string ThtOptionStringList::GetValue(int index) const {
    return index >= 0 && index < Count() ? Options[index].OptValue : std::string();
}

bool ThtOptionStringList::GetSelected(int index) const { return index >= 0 && index < Count() && Options[index].IsSelected; }

void ThtOptionStringList::SetSelected(int index, bool value) {
    if (index >= 0 && index < Count()) Options[index].IsSelected = value;
}

TListBoxFormControlObj::TListBoxFormControlObj(std::string name, int rowsShown, bool multiple)
    : TFormControlObj(std::move(name), std::string()), RowsShown(rowsShown < 0 ? -1 : ClampFormCount(rowsShown)), Multiple(multiple) {}

void TListBoxFormControlObj::AddStr(const std::string& text, bool selected, const std::string* value) {
    std::string shown = text.empty() ? std::string(" ") : text;
    Options.Add(shown, value ? *value : shown, selected);
    ResetToValue();
}

int TListBoxFormControlObj::RowsForHeight() const {
    return RowsShown > 0 ? RowsShown : std::max(1, std::min(8, Options.Count()));
}

void TListBoxFormControlObj::ResetToValue() {
    Selected.assign(Options.Count(), false);
    ItemIndex = -1;
    for (int i = 0; i < Options.Count(); ++i) {
        if (!Options.GetSelected(i)) continue;
        if (Multiple) Selected[i] = true;
        ItemIndex = i;  // single selection: the last selected option wins
    }
    if (ItemIndex < 0 && Options.Count() > 0) ItemIndex = 0;
    if (!Multiple && ItemIndex >= 0) Selected[ItemIndex] = true;
}

bool TListBoxFormControlObj::GetSubmission(int index, std::string& s) {
    if (index < 0 || index >= Options.Count()) return false;
    s = Selected[index] ? CtrlName + "=" + Options.GetValue(index) : std::string();
    return true;
}

void TListBoxFormControlObj::SetData(int index, const std::string& v) {
    if (index == 0) {
        Selected.assign(Options.Count(), false);
        ItemIndex = Options.Count() > 0 ? 0 : -1;
        if (!Multiple && ItemIndex == 0) Selected[0] = true;
    }
    for (int i = 0; i < Options.Count(); ++i) {
        if (!SameText(Options.GetValue(i), v)) continue;
        if (!Multiple && ItemIndex >= 0) Selected[ItemIndex] = false;
        ItemIndex = i;
        Selected[i] = true;
    }
}

bool TComboFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0) return false;
    s = ItemIndex >= 0 ? CtrlName + "=" + Options.GetValue(ItemIndex) : std::string();
    return true;
}

void TComboFormControlObj::ResetToValue() {
    Multiple = false;
    TListBoxFormControlObj::ResetToValue();
}

void TComboFormControlObj::SetData(int, const std::string& v) {
    for (int i = 0; i < Options.Count(); ++i)
        if (SameText(Options.GetValue(i), v)) ItemIndex = i;
}

TTextAreaFormControlObj::TTextAreaFormControlObj(std::string name, int rows, int cols, const std::string& wrap)
    : TFormControlObj(std::move(name), std::string()),
      WrapMode(SameText(wrap, "off") ? 0 : SameText(wrap, "hard") ? 2 : 1),
      RowCount(rows > 0 ? ClampFormCount(rows) : 5),
      ColCount(cols > 0 ? ClampFormCount(cols) : 30) {}

std::vector<std::string> TTextAreaFormControlObj::DisplayedLines() const {
    std::vector<std::string> lines;
    std::string hard;
    auto wrapLine = [&](const std::string& line) {
        if (WrapMode == 0 || static_cast<int>(line.size()) <= ColCount) {
            lines.push_back(line);
            return;
        }
        size_t start = 0;
        while (line.size() - start > static_cast<size_t>(ColCount)) {
            size_t cut = line.rfind(' ', start + ColCount);
            if (cut == std::string::npos || cut < start) cut = start + ColCount;  // a word longer than a line
            lines.push_back(line.substr(start, cut - start));
            start = cut < line.size() && line[cut] == ' ' ? cut + 1 : cut;
        }
        lines.push_back(line.substr(start));
    };
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '\r') continue;
        if (Text[i] == '\n') {
            wrapLine(hard);
            hard.clear();
        } else {
            hard += Text[i];
        }
    }
    wrapLine(hard);
    return lines;
}

bool TTextAreaFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0) return false;
    s = CtrlName + "=";
    if (WrapMode != 2) {
        s += Text;
        return true;
    }
    std::vector<std::string> lines = DisplayedLines();
    for (size_t i = 0; i < lines.size(); ++i) s += (i ? "\r\n" : "") + lines[i];
    return true;
}

void ThtmlForm::InsertControl(std::unique_ptr<TFormControlObj> ctrl) {
    ctrl->OwnerForm = this;
    if (!ctrl->IsHiddenInput()) ++VisibleCount;
    Controls.push_back(std::move(ctrl));
}

void ThtmlForm::DoRadios(TRadioButtonFormControlObj* radio) {
    if (radio->CtrlName.empty()) return;
    for (auto& c : Controls) {
        auto* other = dynamic_cast<TRadioButtonFormControlObj*>(c.get());
        if (other && other != radio && SameText(other->CtrlName, radio->CtrlName)) other->Checked = false;
    }
}

void ThtmlForm::ResetControls() {
    for (auto& c : Controls) c->ResetToValue();
}

std::vector<std::string> ThtmlForm::GetFormSubmission() {
    std::vector<std::string> list;
    for (auto& c : Controls) {
        std::string s;
        for (int i = 0; c->GetSubmission(i, s); ++i)
            if (!s.empty()) list.push_back(s);
    }
    return list;
}

void ThtmlForm::SubmitTheForm(const std::string& buttonSubmission) {
    if (!OnSubmit) return;
    std::vector<std::string> list;
    for (auto& c : Controls) {
        if (c->IsDisabled) continue;
        std::string s;
        for (int i = 0; c->GetSubmission(i, s); ++i)
            if (!s.empty()) list.push_back(s);
    }
    if (!buttonSubmission.empty()) list.push_back(buttonSubmission);
    OnSubmit(*this, list);
}

void ThtmlForm::SetFormData(const std::vector<std::string>& lines) {
    for (auto& c : Controls) {
        c->SetDataInit();
        int k = 0;
        for (const std::string& line : lines) {
            size_t eq = line.find('=');
            if (eq == std::string::npos || !SameText(line.substr(0, eq), c->CtrlName)) continue;
            c->SetData(k++, line.substr(eq + 1));
        }
    }
}

TFormControlObj* TFormControlList::FindControl(int posn) const {
    for (TFormControlObj* c : Items)
        if (c->Pos == posn) return c;
    return nullptr;
}

int TFormControlList::GetControlCountAt(int posn) const {
    for (TFormControlObj* c : Items)
        if (c->Pos >= posn) return c->Pos - posn;
    return 9999;
}

void TFormControlList::Decrement(int n) {
    for (TFormControlObj* c : Items)
        if (c->Pos > n) --c->Pos;
}
