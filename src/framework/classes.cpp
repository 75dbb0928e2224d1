#include "framework/classes.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

void TObject::Free(TObject* object) {
    if (!object) return;
    object->BeforeDestruction();
    delete object;
}

std::string TObject::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    size_t scope = name.rfind("::");
    return scope == std::string::npos ? name : name.substr(scope + 2);
}

void TPersistent::Assign(TPersistent* Source) {
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* Dest) {
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + (Dest ? Dest->ClassName() : "nil"));
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    // Reached directly only when the object was not freed through Free().
    ReleaseLinks();
}

void TComponent::BeforeDestruction() {
    ReleaseLinks();
}

void TComponent::ReleaseLinks() {
    if (FReleased) return;
    FReleased = true;
    FComponentState |= csDestroying;
    // Whoever asked to hear of our end hears it while we still exist.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& back = other->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (CompareText(c->FName, name) == 0) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->FOwner == this) return;
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    Insert(component);
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->FOwner != this) return;
    Notification(component, TOperation::opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component) {
    FComponents.push_back(component);
    component->FOwner = this;
    // A component made while its owner loads (a form building its layout)
    // loads with it: no events until the owner's Loaded pass.
    if (FComponentState & csLoading) component->FComponentState |= csLoading | csReading;
}

void TComponent::Remove(TComponent* component) {
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it != FComponents.end()) FComponents.erase(it);
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        Remove(last);
        TObject::Free(last);
    }
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
        component->FFreeNotifies.end())
        component->FFreeNotifies.push_back(this);
    FComponentState |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    RemoveNotification(component);
    if (component) component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component),
                        FFreeNotifies.end());
}

void TComponent::BeginLoading() {
    FComponentState |= csLoading | csReading;
    for (TComponent* c : FComponents) c->BeginLoading();
}

void TComponent::EndLoading() {
    // Snapshot: a Loaded() handler may create components of its own.
    std::vector<TComponent*> owned = FComponents;
    for (TComponent* c : owned) {
        c->FComponentState &= ~(csLoading | csReading);
    }
    FComponentState &= ~(csLoading | csReading);
    for (TComponent* c : owned) {
        // A Loaded() handler may also have freed a component of the snapshot.
        if (std::find(FComponents.begin(), FComponents.end(), c) != FComponents.end()) c->EndLoading();
    }
    Loaded();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component) RemoveNotification(component);
    // By index: a handler may free components, which changes the list.
    for (size_t i = 0; i < FComponents.size(); ++i) {
        if (FComponents[i] != component) FComponents[i]->Notification(component, operation);
    }
}

void TComponent::Loaded() {}
