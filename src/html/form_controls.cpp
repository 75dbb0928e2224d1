#include "html/form_controls.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "html/code_pages.h"
#include "html/font_desc.h"
#include "html/image_obj.h"
#include "html/section_list.h"

namespace {

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string LowerAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The value of NAME in lines of NAME=value, empty when absent.
std::string ValueOf(const std::vector<std::string>& lines, const std::string& name) {
    for (const std::string& line : lines) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && SameText(line.substr(0, eq), name)) return line.substr(eq + 1);
    }
    return std::string();
}

// A leading decimal number, saturated; false without digits.
bool LeadingNumber(const std::string& s, int& value) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    long long v = 0;
    bool any = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        any = true;
        if (v < INT_MAX) v = v * 10 + (s[i] - '0');
    }
    value = static_cast<int>(std::min<long long>(v, INT_MAX));
    return any;
}

int ClampSide(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 1, kMaxControlSide)); }

}  // namespace

int ClampFormCount(int value) { return std::clamp(value, 1, 1000); }

// ---- the base

TFormControlObj::TFormControlObj(TSectionList* document, int position, TAttributeList* L)
    : Pos(position), Document(document) {
    ThtmlForm* form = document ? document->CurrentForm : nullptr;
    if (document && !form) {
        form = new ThtmlForm(document, nullptr);
        document->CurrentForm = form;
    }
    OwnerForm = form;
    for (int i = 0; L && i < L->Count(); ++i) {
        const TAttribute* a = L->Attribute(i);
        switch (a->Sym) {
            case NameSy: CtrlName = a->Text; break;
            case ValueSy: ValueAttr = a->Text; break;
            case IDSy: CtrlID = a->Text; break;
            case OnClickSy: ClickScript = a->Text; break;
            case OnFocusSy: FocusScript = a->Text; break;
            case OnBlurSy: BlurScript = a->Text; break;
            case OnChangeSy: ChangeScript = a->Text; break;
            case TabIndexSy: TabIndex = a->Number; break;
            case DisabledSy: IsDisabled = true; break;
            default: break;
        }
    }
    if (L) AttrLines = L->CreateStringList();
    if (document) {
        document->AllFormControls.push_back(this);
        if (TabIndex >= 1) document->AddTabOrderItem(TabIndex, this);
        if (!CtrlID.empty() && document->IDObjects) document->IDObjects->AddObject(LowerAscii(CtrlID), this);
    }
}

void TFormControlObj::ProcessProperties(TProperties& prop) {
    const TVMarginArray v = prop.VMarginArray();
    TMarginArray m;
    ConvInlineMargArray(v, 100, 200, prop.EmPixels, prop.ExPixels, m);
    if (m[PropIndices::MarginLeft] != NotSetValue && m[PropIndices::MarginLeft] != AutoValue)
        SpaceLeft = std::clamp(m[PropIndices::MarginLeft], 0, kMaxControlSide);
    if (m[PropIndices::MarginRight] != NotSetValue && m[PropIndices::MarginRight] != AutoValue)
        SpaceRight = std::clamp(m[PropIndices::MarginRight], 0, kMaxControlSide);
    const int w = m[PropIndices::Width];
    if (w != NotSetValue && w != AutoValue && w > 0) {
        WidthInPercent = PropString(prop.Value(PropIndices::Width)).find('%') != std::string::npos;
        if (WidthInPercent && w > 100)
            WidthInPercent = false;
        else
            GivenWidth = std::min(w, kMaxControlSide);
    }
    const int h = m[PropIndices::Height];
    if (h != NotSetValue && h != AutoValue && h > 0) GivenHeight = std::min(h, kMaxControlSide);
    AlignmentType align;
    if (prop.GetVertAlign(align)) VAlign = align;
    const TResolvedFont& font = prop.GetResolvedFont();
    Font = FontDescOf(font);
    TextCodePage = prop.FontCodePage;
}

std::string TFormControlObj::GetAttribute(const std::string& name) const { return ValueOf(AttrLines, name); }

void TFormControlObj::NotifyChange(bool changed) {
    if (changed && Document && Document->ObjectChangeHandler) Document->ObjectChangeHandler(this, ChangeScript);
}

void TFormControlObj::EnterEvent() {
    if (!Document || Document->PrintCopyFlag) return;
    HasFocus = true;
    if (Document->Host) {
        Document->Host->InvalidatePanel();
        Document->Host->ControlEnter(this);
    }
    if (Document->ObjectFocusHandler && !FocusScript.empty()) Document->ObjectFocusHandler(this, FocusScript);
    if (!ChangeScript.empty()) SaveContents();
}

void TFormControlObj::ExitEvent() {
    HasFocus = false;
    if (!ChangeScript.empty()) DoOnChange();
    if (Document && Document->ObjectBlurHandler && !BlurScript.empty()) Document->ObjectBlurHandler(this, BlurScript);
    if (Document && Document->Host) Document->Host->InvalidatePanel();
}

void TFormControlObj::FormControlClick() {
    if (Document && Document->ObjectClickHandler) Document->ObjectClickHandler(this, ClickScript);
}

void TFormControlObj::KeyDown(uint16_t& key, unsigned shift) {
    if (OwnerForm) OwnerForm->AKeyDown(this, key, shift);
}

bool TFormControlObj::KeyPress(char& key) { return OwnerForm && OwnerForm->ControlKeyPress(this, key); }

TFontId TFormControlObj::FontId(TCanvas* canvas) const { return MeasurerFor(canvas).Font(Font); }

// Most names and values are plain ASCII, the same in every code page.
std::wstring TFormControlObj::ShownText(const std::string& pageText) const {
    if (std::all_of(pageText.begin(), pageText.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::wstring(pageText.begin(), pageText.end());
    return MultibyteToWideString(TextCodePage, pageText);
}

std::string TFormControlObj::PageText(const std::wstring& shown) const {
    if (std::all_of(shown.begin(), shown.end(), [](wchar_t c) { return c < 0x80; }))
        return std::string(shown.begin(), shown.end());
    return WideStringToMultibyte(TextCodePage, shown);
}

// ---- constructors

TEditFormControlObj::TEditFormControlObj(TSectionList* document, int position, TAttributeList* L,
                                         const std::string& typeName)
    : TFormControlObj(document, position, L), Password(LowerAscii(typeName) == "password") {
    TAttribute* a;
    if (L && L->Find(SizeSy, a)) {
        int n = 0;
        if (a->Number >= 1) {
            SizeChars = ClampFormCount(a->Number);
        } else {
            // "20,1" or "20 px": the part before the first blank or comma.
            const std::string head = a->Text.substr(0, a->Text.find_first_of(" ,"));
            if (!head.empty()) SizeChars = LeadingNumber(head, n) && n >= 1 ? ClampFormCount(n) : 20;
        }
    }
    if (L && L->Find(MaxLengthSy, a) && a->Number > 0) MaxLength = ClampFormCount(a->Number);
}

std::wstring TEditFormControlObj::ShownValue() const {
    std::wstring text = ShownText(ValueAttr);
    if (MaxLength > 0 && static_cast<int>(text.size()) > MaxLength) text.resize(static_cast<size_t>(MaxLength));
    return text;
}

TButtonFormControlObj::TButtonFormControlObj(TSectionList* document, int position, TAttributeList* L,
                                             const std::string& typeName)
    : TFormControlObj(document, position, L) {
    const std::string t = LowerAscii(typeName);
    if (t == "submit") {
        ButtonKind = Submit;
        FCaption = ValueAttr.empty() ? "Submit" : ValueAttr;
    } else if (t == "reset") {
        ButtonKind = ResetB;
        FCaption = ValueAttr.empty() ? "Reset" : ValueAttr;
    } else if (t == "file") {
        ButtonKind = Browse;
        ValueAttr.clear();
        CtrlName.clear();
        CtrlID.clear();
        FCaption = "Browse...";
    } else {
        ButtonKind = Button;
        FCaption = ValueAttr.empty() ? "Button" : ValueAttr;
    }
}

TImageFormControlObj::TImageFormControlObj(TSectionList* document, int position, TAttributeList* L)
    : TFormControlObj(document, position, L) {}

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionList* document, int position, TAttributeList* L)
    : TCheckBoxFormControlObj(document, position, L, false) {}

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionList* document, int position, TAttributeList* L, bool)
    : TFormControlObj(document, position, L) {
    if (ValueAttr.empty()) ValueAttr = "on";
    VAlign = ABaseline;
    TAttribute* a;
    InitChecked = L && L->Find(CheckedSy, a);
    FChecked = InitChecked;
}

TRadioButtonFormControlObj::TRadioButtonFormControlObj(TSectionList* document, TObject* cell, int position,
                                                       TAttributeList* L)
    : TCheckBoxFormControlObj(document, position, L, true), CellRef(cell) {}

TListBoxFormControlObj::TListBoxFormControlObj(TSectionList* document, int position, TAttributeList* L)
    : TListBoxFormControlObj(document, position, L, false) {}

TListBoxFormControlObj::TListBoxFormControlObj(TSectionList* document, int position, TAttributeList* L, bool combo)
    : TFormControlObj(document, position, L) {
    TAttribute* a;
    if (L && L->Find(SizeSy, a)) RowsShown = ClampFormCount(a->Number);
    Multiple = !combo && L && L->Find(MultipleSy, a);
}

TComboFormControlObj::TComboFormControlObj(TSectionList* document, int position, TAttributeList* L)
    : TListBoxFormControlObj(document, position, L, true) {}

TTextAreaFormControlObj::TTextAreaFormControlObj(TSectionList* document, int position, TAttributeList* L)
    : TFormControlObj(document, position, L) {
    TAttribute* a;
    if (L && L->Find(RowsSy, a) && a->Number > 0) RowCount = ClampFormCount(a->Number);
    if (L && L->Find(ColsSy, a) && a->Number > 0) ColCount = ClampFormCount(a->Number);
    if (L && L->Find(WrapSy, a)) {
        const std::string w = LowerAscii(a->Text);
        WrapMode = w == "off" ? 0 : w == "hard" ? 2 : 1;
    }
}

// ---- hidden

bool THiddenFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0) return false;
    s = CtrlName + "=" + ValueAttr;
    return true;
}

// ---- edit

bool TEditFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0) return false;
    s = CtrlName + "=" + PageText(GetText());
    return true;
}

void TEditFormControlObj::SetHeightWidth(TCanvas* canvas) {
    TTextMeasurer& m = MeasurerFor(canvas);
    const TFontId id = m.Font(Font);
    const int fontHeight = m.Metrics(id).Height;
    if (WidthInPercent)
        Width = 10;  // the section gives it its share
    else if (GivenWidth >= 10)
        Width = ClampSide(GivenWidth);
    else
        Width = ClampSide(int64_t{m.Extent(id, L"0")} * SizeChars + 20);
    Height = ClampSide(std::max(fontHeight + 8, GivenHeight));
}

// ---- button

void TButtonFormControlObj::ButtonClick() {
    FormControlClick();
    if (!OwnerForm) return;
    switch (ButtonKind) {
        case ResetB: OwnerForm->ResetControls(); break;
        case Submit: OwnerForm->SubmitTheForm(CtrlName.empty() ? std::string() : CtrlName + "=" + ValueAttr); break;
        case Browse:
            if (FileEdit && Document && Document->FileBrowseHandler) {
                // File names are code page 1251 text, whatever the page's.
                std::string name = WideStringToMultibyte(1251, FileEdit->GetText());
                Document->FileBrowseHandler(FileEdit, name);
                FileEdit->SetText(MultibyteToWideString(1251, name));
            }
            break;
        case Button: break;
    }
}

void TButtonFormControlObj::SetHeightWidth(TCanvas* canvas) {
    TTextMeasurer& m = MeasurerFor(canvas);
    const TFontId id = m.Font(Font);
    const int textHeight = m.Metrics(id).Height;
    Height = ClampSide(GivenHeight < textHeight ? textHeight + 8 : GivenHeight);
    Width = ClampSide(GivenWidth < 10 || WidthInPercent ? int64_t{m.Extent(id, Caption())} + 20 : GivenWidth);
}

// ---- image button

void TImageFormControlObj::ProcessProperties(TProperties& prop) {
    TFormControlObj::ProcessProperties(prop);
    if (!ImageObj) return;
    if (GivenHeight > 0) ImageObj->GivenHeight = GivenHeight;
    if (GivenWidth > 0) ImageObj->GivenWidth = GivenWidth;
    AlignmentType align;
    if (prop.GetVertAlign(align)) ImageObj->Placement = VAlign;
}

void TImageFormControlObj::ImageClick() {
    TakeFocus();
    FormControlClick();
    ClickX = std::max(0, LastX);
    ClickY = std::max(0, LastY);
    if (!IsDisabled && OwnerForm) OwnerForm->SubmitTheForm(std::string());
}

bool TImageFormControlObj::GetSubmission(int index, std::string& s) {
    if (ClickX < 0 || index > 1) return false;
    const std::string prefix = CtrlName.empty() ? std::string() : CtrlName + ".";
    if (index == 0) {
        s = prefix + "x=" + std::to_string(ClickX);
    } else {
        s = prefix + "y=" + std::to_string(ClickY);
        ClickX = -1;  // one click, one submission
    }
    return true;
}

// ---- check box and radio button

bool TCheckBoxFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0 || !Checked()) return false;
    s = CtrlName + "=" + ValueAttr;
    return true;
}

void TCheckBoxFormControlObj::SetData(int, const std::string& v) { SetChecked(SameText(v, ValueAttr)); }

void TCheckBoxFormControlObj::SetHeightWidth(TCanvas*) {
    Width = 13;
    Height = 13;
}

void TRadioButtonFormControlObj::RadioClick() {
    if (OwnerForm) OwnerForm->DoRadios(this);
    FormControlClick();
}

// ---- options, list and combo

std::string ThtOptionStringList::GetValue(int index) const {
    return index >= 0 && index < Count() ? Options[static_cast<size_t>(index)].OptValue : std::string();
}

bool ThtOptionStringList::GetSelected(int index) const {
    return index >= 0 && index < Count() && Options[static_cast<size_t>(index)].IsSelected;
}

void ThtOptionStringList::SetSelected(int index, bool value) {
    if (index >= 0 && index < Count()) Options[static_cast<size_t>(index)].IsSelected = value;
}

std::string ThtOptionStringList::GetAttribute(int index, const std::string& name) const {
    return index >= 0 && index < Count() ? ValueOf(Options[static_cast<size_t>(index)].OptAttributes, name)
                                         : std::string();
}

void TListBoxFormControlObj::AddStr(const std::wstring& text, bool selected,
                                    const std::vector<std::string>& attributes, int codePage) {
    const std::wstring shown = text.empty() ? std::wstring(L" ") : text;
    TOptionObj option;
    option.IsSelected = selected;
    option.OptAttributes = attributes;
    bool hasValue = false;
    for (const std::string& line : attributes) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && SameText(line.substr(0, eq), "value")) {
            option.OptValue = line.substr(eq + 1);
            hasValue = true;
            break;
        }
    }
    if (!hasValue) option.OptValue = WideStringToMultibyte(codePage, shown);
    TTextMeasurer& m = MeasurerFor(nullptr);
    WidestOption = std::max(WidestOption, m.Extent(m.Font(Font), shown));
    Options.Add(shown, std::move(option));
}

int TListBoxFormControlObj::RowsForHeight() const {
    return RowsShown > 0 ? RowsShown : std::max(1, std::min(8, Options.Count()));
}

void TListBoxFormControlObj::ResetToValue() {
    RefillWindow();
    int index = -1;
    for (int i = 0; i < Options.Count(); ++i) {
        if (!Options.GetSelected(i)) continue;
        if (Multiple) SetSelectedItem(i, true);
        index = i;  // single selection: the last selected option wins
    }
    if (index < 0 && Options.Count() > 0) index = 0;
    if (!Multiple || !IsSelected(index)) SetItemIndex(index);
}

bool TListBoxFormControlObj::GetSubmission(int index, std::string& s) {
    if (index < 0 || index >= Options.Count()) return false;
    const bool chosen = Multiple ? IsSelected(index) : ItemIndex() == index;
    s = chosen ? CtrlName + "=" + Options.GetValue(index) : std::string();
    return true;
}

void TListBoxFormControlObj::SetData(int index, const std::string& v) {
    if (index == 0) {
        if (Multiple)
            for (int i = 0; i < Options.Count(); ++i) SetSelectedItem(i, false);
        SetItemIndex(Options.Count() > 0 ? 0 : -1);
        if (Multiple && Options.Count() > 0) SetSelectedItem(0, false);
    }
    for (int i = 0; i < Options.Count(); ++i) {
        if (!SameText(Options.GetValue(i), v)) continue;
        if (Multiple)
            SetSelectedItem(i, true);
        else
            SetItemIndex(i);
    }
}

void TListBoxFormControlObj::SaveContents() {
    SavedCount = Options.Count();
    for (int i = 0; i < std::min(SavedCount, 51); ++i) SavedSelection[i] = IsSelected(i);
}

void TListBoxFormControlObj::DoOnChange() {
    bool changed = SavedCount != Options.Count();
    for (int i = 0; i < std::min(SavedCount, 51) && !changed; ++i) changed = SavedSelection[i] != IsSelected(i);
    NotifyChange(changed);
}

void TListBoxFormControlObj::SetHeightWidth(TCanvas* canvas) {
    TTextMeasurer& m = MeasurerFor(canvas);
    const TFontId id = m.Font(Font);
    const int rows = RowsForHeight();
    const int clientHeight = GivenHeight >= 10 ? GivenHeight : m.Metrics(id).Height * rows;
    Height = ClampSide(int64_t{clientHeight} + 4);  // the sunken border
    if (WidthInPercent)
        Width = 10;
    else if (GivenWidth >= 10)
        Width = ClampSide(GivenWidth);
    else
        Width = ClampSide(int64_t{ScrollBarWidth()} + WidestOption + 10);
}

bool TComboFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0) return false;
    const int i = ItemIndex();
    s = i >= 0 ? CtrlName + "=" + Options.GetValue(i) : std::string();
    return true;
}

void TComboFormControlObj::ResetToValue() {
    RefillWindow();
    int index = -1;
    for (int i = 0; i < Options.Count(); ++i)
        if (Options.GetSelected(i)) index = i;
    if (index < 0 && Options.Count() > 0) index = 0;
    SetItemIndex(index);
}

void TComboFormControlObj::SetData(int, const std::string& v) {
    for (int i = 0; i < Options.Count(); ++i)
        if (SameText(Options.GetValue(i), v)) SetItemIndex(i);
}

void TComboFormControlObj::SetHeightWidth(TCanvas* canvas) {
    TTextMeasurer& m = MeasurerFor(canvas);
    const TFontId id = m.Font(Font);
    Height = ClampSide(GivenHeight > 9 ? GivenHeight : m.Metrics(id).Height + 8);
    if (WidthInPercent)
        Width = 10;
    else if (GivenWidth >= 10)
        Width = ClampSide(GivenWidth);
    else
        Width = ClampSide(int64_t{ScrollBarWidth()} + WidestOption + 10);
}

// ---- text area

std::vector<std::wstring> TTextAreaFormControlObj::DisplayedLines() const {
    std::vector<std::wstring> lines;
    if (WindowLines(lines)) return lines;
    const std::wstring text = GetText();
    std::wstring hard;
    auto wrapLine = [&](const std::wstring& line) {
        if (WrapMode == 0 || static_cast<int>(line.size()) <= ColCount) {
            lines.push_back(line);
            return;
        }
        size_t start = 0;
        while (line.size() - start > static_cast<size_t>(ColCount)) {
            size_t cut = line.rfind(L' ', start + static_cast<size_t>(ColCount));
            if (cut == std::wstring::npos || cut <= start) cut = start + static_cast<size_t>(ColCount);  // a long word
            lines.push_back(line.substr(start, cut - start));
            start = cut < line.size() && line[cut] == L' ' ? cut + 1 : cut;
        }
        lines.push_back(line.substr(start));
    };
    for (wchar_t c : text) {
        if (c == L'\r') continue;
        if (c == L'\n') {
            wrapLine(hard);
            hard.clear();
        } else {
            hard += c;
        }
    }
    wrapLine(hard);
    return lines;
}

bool TTextAreaFormControlObj::GetSubmission(int index, std::string& s) {
    if (index != 0) return false;
    std::wstring text;
    if (WrapMode != 2) {
        text = GetText();
    } else {
        const std::vector<std::wstring> lines = DisplayedLines();
        for (size_t i = 0; i < lines.size(); ++i) text += (i ? L"\r\n" : L"") + lines[i];
    }
    s = CtrlName + "=" + PageText(text);
    return true;
}

void TTextAreaFormControlObj::SetHeightWidth(TCanvas* canvas) {
    TTextMeasurer& m = MeasurerFor(canvas);
    const TFontId id = m.Font(Font);
    const int bar = ScrollBarWidth();
    // The border and the scroll bars lie outside the client area.
    if (GivenHeight < 10)
        Height = ClampSide(int64_t{m.Metrics(id).Height} * RowCount + 5 + 4 + (WrapMode == 0 ? bar : 0));
    else
        Height = ClampSide(GivenHeight);
    if (WidthInPercent)
        Width = 50;
    else if (GivenWidth >= 10)
        Width = ClampSide(GivenWidth);
    else
        Width = ClampSide(int64_t{m.Extent(id, L"s")} * ColCount + 5 + 4 + bar);
}

// ---- the form

ThtmlForm::ThtmlForm(TSectionList* document, TAttributeList* L) : Document(document) {
    if (document) document->DocForms.emplace_back(this);
    for (int i = 0; L && i < L->Count(); ++i) {
        const TAttribute* a = L->Attribute(i);
        switch (a->Sym) {
            case MethodSy: Method = a->Text.substr(0, 4); break;
            case ActionSy: Action = a->Text; break;
            case TargetSy: Target = a->Text; break;
            case EncTypeSy: EncType = a->Text; break;
            default: break;
        }
    }
}

ThtmlForm::~ThtmlForm() = default;

void ThtmlForm::InsertControl(std::unique_ptr<TFormControlObj> ctrl) {
    ctrl->OwnerForm = this;
    if (!ctrl->IsHiddenInput()) ++VisibleCount;
    Controls.push_back(std::move(ctrl));
}

void ThtmlForm::RemoveControl(TFormControlObj* ctrl) {
    auto it = std::find_if(Controls.begin(), Controls.end(), [&](auto& c) { return c.get() == ctrl; });
    if (it == Controls.end()) return;
    if (!ctrl->IsHiddenInput()) --VisibleCount;
    if (Document) Document->ForgetObject(ctrl);
    Controls.erase(it);
}

void ThtmlForm::DoRadios(TRadioButtonFormControlObj* radio) {
    if (radio->CtrlName.empty()) return;
    for (auto& c : Controls) {
        auto* other = dynamic_cast<TRadioButtonFormControlObj*>(c.get());
        if (!other || other == radio || !SameText(other->CtrlName, radio->CtrlName)) continue;
        other->SetOwnState(false);
        other->DoOnChange();
    }
    SetRadioTabStops();
}

void ThtmlForm::AKeyDown(TFormControlObj* sender, uint16_t& key, unsigned shift) {
    auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(sender);
    if (radio && key >= 37 && key <= 40) {
        std::vector<TRadioButtonFormControlObj*> group;
        for (auto& c : Controls)
            if (auto* r = dynamic_cast<TRadioButtonFormControlObj*>(c.get()); r && SameText(r->CtrlName, radio->CtrlName))
                group.push_back(r);
        const auto at = std::find(group.begin(), group.end(), radio) - group.begin();
        const auto next = key == 37 || key == 38 ? at - 1 : at + 1;
        if (next >= 0 && next < static_cast<ptrdiff_t>(group.size())) group[static_cast<size_t>(next)]->TakeFocus();
        key = 0;
        return;
    }
    if (Document && Document->Host) Document->Host->KeyDown(key, shift);
}

bool ThtmlForm::ControlKeyPress(TFormControlObj* sender, char& key) {
    if (key != 13 || !dynamic_cast<TEditFormControlObj*>(sender)) return false;
    SubmitTheForm(std::string());
    key = 0;
    return true;
}

void ThtmlForm::ResetControls() {
    for (auto& c : Controls) c->ResetToValue();
    SetRadioTabStops();
}

void ThtmlForm::SetRadioTabStops() {
    struct TGroup {
        std::string name;  // upper-cased
        TRadioButtonFormControlObj* first;
        bool checked;
    };
    std::vector<TGroup> groups;
    std::vector<std::pair<TRadioButtonFormControlObj*, size_t>> radios;
    for (auto& c : Controls) {
        auto* r = dynamic_cast<TRadioButtonFormControlObj*>(c.get());
        if (!r || !r->GetControl()) continue;
        // A button without a name is a group of its own.
        const std::string name = r->CtrlName.empty() ? std::string() : UpperCase(r->CtrlName);
        auto g = std::find_if(groups.begin(), groups.end(),
                              [&](const TGroup& x) { return !name.empty() && x.name == name; });
        if (g == groups.end()) g = groups.insert(groups.end(), TGroup{name, r, false});
        g->checked = g->checked || r->Checked();
        radios.emplace_back(r, static_cast<size_t>(g - groups.begin()));
    }
    for (auto [r, g] : radios)
        r->GetControl()->TabStop = r->Checked() || (!groups[g].checked && groups[g].first == r);
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
    if (!Document || !Document->FormSubmitHandler) return;
    std::vector<std::string> list;
    for (auto& c : Controls) {
        if (c->IsDisabled) continue;
        std::string s;
        for (int i = 0; c->GetSubmission(i, s); ++i)
            if (!s.empty()) list.push_back(s);
    }
    if (!buttonSubmission.empty()) list.push_back(buttonSubmission);
    Document->FormSubmitHandler(Action, Target, EncType, Method, list);
}

void ThtmlForm::SetFormData(const std::vector<std::string>& lines) {
    for (auto& c : Controls) {
        c->SetDataInit();
        int k = 0;
        for (const std::string& line : lines) {
            const size_t eq = line.find('=');
            if (eq == std::string::npos || !SameText(line.substr(0, eq), c->CtrlName)) continue;
            c->SetData(k++, line.substr(eq + 1));
        }
    }
}

void ThtmlForm::SetSizes(TCanvas* canvas) {
    for (auto& c : Controls) c->SetHeightWidth(canvas);
}

// ---- a section's controls

int TFormControlList::GetHeightAt(int posn, AlignmentType& valign) const {
    TFormControlObj* c = FindControl(posn);
    if (!c) return -1;
    valign = c->VAlign;
    return c->Height;
}

int TFormControlList::GetWidthAt(int posn, int& leftGap, int& rightGap) const {
    TFormControlObj* c = FindControl(posn);
    if (!c) return -1;
    leftGap = c->SpaceLeft;
    rightGap = c->SpaceRight;
    return c->Width;
}

int TFormControlList::GetControlCountAt(int posn) const {
    for (TFormControlObj* c : Items)
        if (c->Pos >= posn) return c->Pos - posn;
    return NoControlDistance;
}

void TFormControlList::Decrement(int n) {
    for (TFormControlObj* c : Items)
        if (c->Pos > n) --c->Pos;
}
