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

// Each setter tells the links before it stores the value: a link compares the
// control's value with the old one to know whether the control follows.
void TAction::SetCaption(const std::string& value) {
    if (value == FCaption) return;
    ForEachLink([&](TActionLink& link) { link.SetCaption(value); });
    FCaption = value;
}

void TAction::SetChecked(bool value) {
    if (value == FChecked) return;
    ForEachLink([&](TActionLink& link) { link.SetChecked(value); });
    FChecked = value;
}

void TAction::SetEnabled(bool value) {
    if (value == FEnabled) return;
    ForEachLink([&](TActionLink& link) { link.SetEnabled(value); });
    FEnabled = value;
}

void TAction::SetHelpContext(int value) {
    if (value == FHelpContext) return;
    ForEachLink([&](TActionLink& link) { link.SetHelpContext(value); });
    FHelpContext = value;
}

void TAction::SetHint(const std::string& value) {
    if (value == FHint) return;
    ForEachLink([&](TActionLink& link) { link.SetHint(value); });
    FHint = value;
}

void TAction::SetImageIndex(int value) {
    if (value == FImageIndex) return;
    ForEachLink([&](TActionLink& link) { link.SetImageIndex(value); });
    FImageIndex = value;
}

void TAction::SetVisible(bool value) {
    if (value == FVisible) return;
    ForEachLink([&](TActionLink& link) { link.SetVisible(value); });
    FVisible = value;
}

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
