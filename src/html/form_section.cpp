// Form controls inside a text section: each stands for one character (2) of
// the text, takes its size in the line and is placed (or printed) while the
// line is painted.
#include <algorithm>

#include "html/form_controls.h"
#include "html/image_obj.h"
#include "html/section_list.h"
#include "html/text_section.h"

#ifdef _WIN32
#include "framework/canvas.h"
#include "framework/win.h"
#endif

namespace {

std::string LowerAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s;
}

}  // namespace

TFormControlObj* TSection::AddFormControl(Symb which, TAttributeList* L, TCellBasic* cell, int index,
                                          TProperties& prop) {
    TSectionList* doc = Document();
    if (!doc) return nullptr;
    const int pos = static_cast<int>(SectionText.size());
    std::string type = "text";
    TAttribute* a;
    if (which == InputSy && L && L->Find(TypeSy, a)) type = LowerAscii(a->Text.substr(0, 20));
    std::unique_ptr<TFormControlObj> ctrl;
    if (which == TextAreaSy) {
        ctrl = std::make_unique<TTextAreaFormControlObj>(doc, pos, L);
    } else if (which == SelectSy) {
        const bool list = L && (L->Find(MultipleSy, a) || (L->Find(SizeSy, a) && a->Number > 1));
        if (list)
            ctrl = std::make_unique<TListBoxFormControlObj>(doc, pos, L);
        else
            ctrl = std::make_unique<TComboFormControlObj>(doc, pos, L);
    } else if (type == "submit" || type == "reset" || type == "button") {
        ctrl = std::make_unique<TButtonFormControlObj>(doc, pos, L, type);
    } else if (type == "radio") {
        ctrl = std::make_unique<TRadioButtonFormControlObj>(doc, cell, pos, L);
    } else if (type == "checkbox") {
        ctrl = std::make_unique<TCheckBoxFormControlObj>(doc, pos, L);
    } else if (type == "hidden") {
        ctrl = std::make_unique<THiddenFormControlObj>(doc, pos, L);
    } else if (type == "image") {
        ctrl = std::make_unique<TImageFormControlObj>(doc, pos, L);
    } else {
        // "text", "password", "file" and anything unknown.
        ctrl = std::make_unique<TEditFormControlObj>(doc, pos, L, type);
    }
    TFormControlObj* control = ctrl.get();
    ThtmlForm* form = control->OwnerForm;
    form->InsertControl(std::move(ctrl));
    const wchar_t placeholder = FormControlChar;
    if (auto* image = dynamic_cast<TImageFormControlObj*>(control)) {
        TImageObj* picture = AddImage(L, cell, index);
        picture->ProcessProperties(prop);
        picture->ImageButtonControl = control;
        image->ImageObj = picture;
        image->ProcessProperties(prop);
        image->MakeWindow();
        return control;
    }
    control->ProcessProperties(prop);
    if (control->IsHiddenInput()) return control;
    control->MakeWindow();
    Images.AddControl(control);
    AddText(std::wstring_view(&placeholder, 1), index, NoBreak);
    if (type == "file" && which == InputSy) {
        auto button = std::make_unique<TButtonFormControlObj>(doc, pos + 1, L, "file");
        TButtonFormControlObj* browse = button.get();
        form->InsertControl(std::move(button));
        browse->FileEdit = static_cast<TEditFormControlObj*>(control);
        browse->ProcessProperties(prop);
        browse->MakeWindow();
        Images.AddControl(browse);
        AddText(std::wstring_view(&placeholder, 1), index, NoBreak);
        static_cast<TEditFormControlObj*>(control)->SetText({});
        // The ID names the edit, not the button made after it.
        if (!control->CtrlID.empty() && doc->IDObjects) doc->IDObjects->AddObject(LowerAscii(control->CtrlID), control);
    }
    return control;
}

int TSection::ControlWidth(int k) const {
    if (k < 0 || k >= Len || SectionText[static_cast<size_t>(k)] != FormControlChar) return 0;
    int left = 0, right = 0;
    const int w = SectionControls().GetWidthAt(k, left, right);
    return w < 0 ? 0 : SaturateY(int64_t{w} + left + right);
}

int TSection::LayoutControls(int width) {
    int widest = 0;
    // A print copy shares the controls of the page on screen and leaves their sizes alone.
    TSectionList* doc = Document();
    const bool copy = doc && doc->PrintCopyFlag;
    for (TFormControlObj* c : SectionControls().Items) {
        if (c->WidthInPercent && !copy) {
            const int64_t share = int64_t{c->GivenWidth} * std::max(width, 0) / 100;
            const int64_t room = int64_t{width} - c->SpaceLeft - c->SpaceRight;
            c->Width = static_cast<int>(std::clamp<int64_t>(std::min(share, room), 10, kMaxControlSide));
        }
        widest = std::max(widest, c->Width);
    }
    return widest;
}

int TSection::ControlsMinWidth() const {
    int least = 0;
    for (const TFormControlObj* c : SectionControls().Items)
        if (!c->WidthInPercent) least = std::max(least, SaturateY(int64_t{c->Width} + c->SpaceLeft + c->SpaceRight));
    return least;
}

void TSection::RemapControls(const std::vector<int>& newIndex) {
    for (TFormControlObj* c : SectionControls().Items)
        if (c->Pos >= 0 && static_cast<size_t>(c->Pos) < newIndex.size()) c->Pos = newIndex[static_cast<size_t>(c->Pos)];
}

void TSection::ControlLineSpace(LineRec& line, int start, int end, int y) {
    TSectionList* doc = Document();
    const int height = line.LineHeightPx, descent = line.Descent;
    // The controls are in text order: only the line's own are looked at, so a
    // paragraph of thousands of them costs each line its own few.
    const auto& items = SectionControls().Items;
    auto it = std::lower_bound(items.begin(), items.end(), start,
                               [](const TFormControlObj* c, int p) { return c->Pos < p; });
    const auto first = it;
    for (; it != items.end() && (*it)->Pos < end; ++it) {
        TFormControlObj* c = *it;
        const int h = c->Height;
        switch (c->VAlign) {
            case ATop: line.SpaceAfter = std::max(line.SpaceAfter, h - height); break;
            case AMiddle: {
                const int excess = h - height;
                if (excess > 0) {
                    line.SpaceAfter = std::max(line.SpaceAfter, excess / 2);
                    line.SpaceBefore = std::max(line.SpaceBefore, excess - excess / 2);
                }
                break;
            }
            case ABaseline: line.SpaceBefore = std::max(line.SpaceBefore, h - (height - descent)); break;
            default: line.SpaceBefore = std::max(line.SpaceBefore, h - height); break;
        }
        if (doc && !doc->PrintCopyFlag) c->DocY = y;
    }
    ControlsVisited += it - first;
}

void TSection::DrawControl(TCanvas* Canvas, int k, int x, const LineRec& line) {
    TFormControlObj* c = SectionControls().FindControl(k);
    TSectionList* doc = Document();
    if (!c || !doc) return;
    const int textTop = line.LayoutTop + line.SpaceBefore;
    int top;
    switch (c->VAlign) {
        case ATop: top = textTop; break;
        case AMiddle: top = textTop + (line.LineHeightPx - c->Height) / 2; break;
        case ABaseline: top = textTop + line.LineHeightPx - line.Descent - c->Height; break;
        default: top = textTop + line.LineHeightPx - c->Height; break;
    }
    const int sx = x + c->SpaceLeft;
    const int sy = SaturateY(int64_t{top} - doc->ScrollY);
    if (doc->PrintCopyFlag) {
        c->Draw(Canvas, sx, sy);
        return;
    }
    c->PlaceWindow(sx, sy);
#ifdef _WIN32
    const bool radio = dynamic_cast<TRadioButtonFormControlObj*>(c) != nullptr;
    if (Canvas && c->HasFocus && (radio || dynamic_cast<TCheckBoxFormControlObj*>(c))) {
        RECT r = radio ? RECT{sx - 3, sy - 2, sx + 16, sy + 17} : RECT{sx - 3, sy - 3, sx + 16, sy + 16};
        if (radio && c->Width > 13) r = RECT{sx - 2, sy - 2, sx + 18, sy + 18};
        DrawFocusRect(Canvas->Handle(), &r);
    }
#else
    (void)Canvas;
#endif
}

void TSection::FreeControls() {
    TSectionList* doc = Document();
    if (!doc || doc->PrintCopyFlag || doc->AllFormControls.empty()) return;
    std::vector<TFormControlObj*> mine = SectionControls().Items;
    for (int i = 0; i < Images.Count(); ++i)
        if (auto* image = dynamic_cast<TImageObj*>(Images.Obj(i)); image && image->ImageButtonControl)
            mine.push_back(static_cast<TFormControlObj*>(image->ImageButtonControl));
    Images.ForgetControls();
    for (TFormControlObj* c : mine) {
        // Only a control the document still lists may be looked at.
        auto& all = doc->AllFormControls;
        if (std::find(all.begin(), all.end(), c) == all.end()) continue;
        if (c->OwnerForm) c->OwnerForm->RemoveControl(c);
    }
}

TFormControlObj* TFormControlList::FindControl(int posn) const {
    auto it = std::lower_bound(Items.begin(), Items.end(), posn,
                               [](const TFormControlObj* c, int p) { return c->Pos < p; });
    return it != Items.end() && (*it)->Pos == posn ? *it : nullptr;
}
