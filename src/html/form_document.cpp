// The document's side of forms: sizing and tab order before layout, placing
// windows after a paint, and the form data kept in the history.
#include <algorithm>

#include "html/font_obj.h"
#include "html/form_controls.h"
#include "html/section_list.h"

void TSectionList::HideControls() {
    for (TFormControlObj* c : AllFormControls) c->IsPlaced = false;
}

void TSectionList::AdjustFormControls() {
    FControlsMoved = false;
    if (PrintCopyFlag) return;
    for (TFormControlObj* c : AllFormControls)
        if (!c->IsPlaced) c->ParkWindow();
}

void TSectionList::ClearForms() {
    CurrentForm = nullptr;
    // The controls leave the list one by one as they go; the list goes first.
    AllFormControls.clear();
    DocForms.clear();
}

void TSectionList::PrepareFormControls(TCanvas* Canvas) {
    for (auto& form : DocForms) {
        form->SetSizes(Canvas);
        if (!PrintCopyFlag) {
            for (auto& c : form->Controls) c->SyncWindowSize();
            form->SetRadioTabStops();
        }
    }
    if (!TabOrderItems.empty()) {
        int order = 0;
        for (auto& [key, object] : TabOrderItems) {
            if (auto* run = dynamic_cast<TFontObj*>(object); run && run->TabStopWindow())
                run->TabStopWindow()->SetTabOrder(order++);
            else if (auto* control = dynamic_cast<TFormControlObj*>(object); control && control->GetControl())
                control->SetTabOrder(order++);
        }
        TabOrderItems.clear();
    }
    FControlsMoved = true;
}

std::vector<std::vector<std::string>> TSectionList::GetFormcontrolData() {
    std::vector<std::vector<std::string>> data;
    for (auto& form : DocForms) data.push_back(form->GetFormSubmission());
    return data;
}

void TSectionList::SetFormcontrolData(const std::vector<std::vector<std::string>>& data) {
    try {
        for (size_t i = 0; i < data.size() && i < DocForms.size(); ++i) DocForms[i]->SetFormData(data[i]);
    } catch (...) {
        // A form that cannot take its old data keeps what it shows.
    }
}
