#include "framework/actions.h"

#include <algorithm>

#include "framework/controls.h"

TAction::TAction(TComponent* AOwner) : TComponent(AOwner) {}

TAction::~TAction() {
    // The links outlive us: their controls simply stop following the action.
    for (TActionLink* link : FLinks) link->FAction = nullptr;
}

template <class F>
void TAction::ForEachLink(F&& tell) {
    // A client may drop its link while it takes the change.
    const std::vector<TActionLink*> links = FLinks;
    for (TActionLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) tell(*link);
}

// The links hear of a change before the value is stored: a link compares the
// control's value with the old one to know whether the control follows.
template <class T, class Tell>
void TAction::Change(T& field, const T& value, Tell tell) {
    if (value == field) return;
    ForEachLink([&](TActionLink& link) { (link.*tell)(value); });
    field = value;
}

void TAction::SetCaption(const std::string& value) { Change(FCaption, value, &TActionLink::SetCaption); }
void TAction::SetChecked(bool value) { Change(FChecked, value, &TActionLink::SetChecked); }
void TAction::SetEnabled(bool value) { Change(FEnabled, value, &TActionLink::SetEnabled); }
void TAction::SetHelpContext(int value) { Change(FHelpContext, value, &TActionLink::SetHelpContext); }
void TAction::SetHint(const std::string& value) { Change(FHint, value, &TActionLink::SetHint); }
void TAction::SetImageIndex(int value) { Change(FImageIndex, value, &TActionLink::SetImageIndex); }
void TAction::SetVisible(bool value) { Change(FVisible, value, &TActionLink::SetVisible); }

bool TAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

// ---------------------------------------------------------------------------

TActionLink::~TActionLink() {
    SetAction(nullptr);
}

void TActionLink::SetAction(TAction* action) {
    if (action == FAction) return;
    if (FAction) std::erase(FAction->FLinks, this);
    FAction = action;
    if (FAction) FAction->FLinks.push_back(this);
}

bool TActionLink::IsCaptionLinked() const {
    return FAction && FClient->Caption() == FAction->Caption();
}

bool TActionLink::IsEnabledLinked() const {
    return FAction && FClient->Enabled() == FAction->Enabled();
}

bool TActionLink::IsHelpContextLinked() const {
    return FAction && FClient->HelpContext == FAction->HelpContext();
}

bool TActionLink::IsHintLinked() const {
    return FAction && FClient->Hint == FAction->Hint();
}

bool TActionLink::IsVisibleLinked() const {
    return FAction && FClient->Visible() == FAction->Visible();
}

void TActionLink::SetCaption(const std::string& value) {
    if (IsCaptionLinked()) FClient->SetCaption(value);
}

void TActionLink::SetEnabled(bool value) {
    if (IsEnabledLinked()) FClient->SetEnabled(value);
}

void TActionLink::SetHelpContext(int value) {
    if (IsHelpContextLinked()) FClient->HelpContext = value;
}

void TActionLink::SetHint(const std::string& value) {
    if (IsHintLinked()) FClient->Hint = value;
}

void TActionLink::SetVisible(bool value) {
    if (IsVisibleLinked()) FClient->SetVisible(value);
}
