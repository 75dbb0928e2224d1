#include "util/formstorage.h"

#include <algorithm>

#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "util/iniutils.h"
#include "util/propsstorage.h"
#include "util/strutils.h"

// --- Links ------------------------------------------------------------------------

// The links of one placement, owned by the placement so that they are let go
// when it is freed.
class TIniLinkList : public TComponent {
public:
    explicit TIniLinkList(TComponent* owner) : TComponent(owner) {}
    ~TIniLinkList() override {
        for (TIniLink* link : Links) link->FStorage = nullptr;
    }
    std::vector<TIniLink*> Links;
};

namespace {

TIniLinkList* LinksOf(TFormPlacement* placement, bool create) {
    if (!placement) return nullptr;
    for (int i = 0; i < placement->ComponentCount(); ++i)
        if (auto* list = dynamic_cast<TIniLinkList*>(placement->Components(i))) return list;
    return create ? new TIniLinkList(placement) : nullptr;
}

// The placement's open storage is protected; a member pointer named through a
// subclass reaches it without changing the placement.
struct PlacementAccess : TFormPlacement {
    static TCustomIniFile* IniOf(const TFormPlacement* placement) {
        return (placement->*(&PlacementAccess::IniFile))();
    }
};

// A copy: a handler may leave or join while the list is walked.
std::vector<TIniLink*> LinksCopy(TFormPlacement* placement) {
    TIniLinkList* list = LinksOf(placement, false);
    return list ? list->Links : std::vector<TIniLink*>{};
}

}  // namespace

void NotifyIniLinksSave(TFormPlacement* placement) {
    for (TIniLink* link : LinksCopy(placement)) link->SaveToIni();
}

void NotifyIniLinksLoad(TFormPlacement* placement) {
    for (TIniLink* link : LinksCopy(placement)) link->LoadFromIni();
}

TIniLink::~TIniLink() {
    OnSave = nullptr;
    OnLoad = nullptr;
    SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* value) {
    if (value == FStorage) return;
    if (TIniLinkList* old = LinksOf(FStorage, false)) std::erase(old->Links, this);
    FStorage = value;
    if (value) LinksOf(value, true)->Links.push_back(this);
}

TCustomIniFile* TIniLink::GetIniObject() const { return FStorage ? PlacementAccess::IniOf(FStorage) : nullptr; }

std::string TIniLink::GetRootSection() const {
    if (!FStorage) return {};
    const std::string section = FStorage->GetIniSection();
    return section.empty() ? section : section + "\\";
}

void TIniLink::SaveToIni() {
    if (OnSave) OnSave(this);
}

void TIniLink::LoadFromIni() {
    if (OnLoad) OnLoad(this);
}

// --- Stored values ----------------------------------------------------------------

TStoredValues* TStoredValue::Values() const { return dynamic_cast<TStoredValues*>(Collection()); }

void TStoredValue::SetName(const std::string& value) {
    if (TStoredValues* values = Values(); values && !value.empty()) {
        const int index = values->IndexOf(value);
        if (index >= 0 && values->Items(index) != this)
            throw EInvalidOperation(Format("Duplicate value name '%s'", value.c_str()));
    }
    FName = value;
}

void TStoredValue::Save() {
    TStoredValues* values = Values();
    if (!values || !values->Storage || FName.empty()) return;
    TVariant value = Value;
    if (OnSave) OnSave(this, value);
    std::string text = VarToStr(value);
    if (!KeyString.empty()) text = XorEncode(KeyString, text);
    values->Storage->WriteString(FName, text);
}

void TStoredValue::Restore() {
    TStoredValues* values = Values();
    if (!values || !values->Storage || FName.empty()) return;
    std::string fallback = VarToStr(Value);
    if (!KeyString.empty()) fallback = XorEncode(KeyString, fallback);
    std::string text = values->Storage->ReadString(FName, fallback);
    if (!KeyString.empty()) text = XorDecode(KeyString, text);
    TVariant value = text;
    if (OnRestore) OnRestore(this, value);
    Value = value;
}

TStoredValues::TStoredValues() : TCollection([](TCollection* owner) { return new TStoredValue(owner); }) {}

int TStoredValues::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiCompareText(Items(i)->Name(), name) == 0) return i;
    return -1;
}

TStoredValue* TStoredValues::StoredValue(const std::string& name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : Items(index);
}

TVariant TStoredValues::GetValue(const std::string& name) const {
    const TStoredValue* item = StoredValue(name);
    return item ? item->Value : TVariant{};
}

void TStoredValues::SetValue(const std::string& name, const TVariant& value) {
    if (TStoredValue* item = StoredValue(name)) item->Value = value;
}

void TStoredValues::SaveValues() {
    for (int i = 0; i < Count(); ++i) Items(i)->Save();
}

void TStoredValues::RestoreValues() {
    for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

// --- TFormStorage -----------------------------------------------------------------

bool ParseStoredPropItem(const std::string& item, std::string& component, std::string& property) {
    const size_t dot = item.find('.');
    if (dot == std::string::npos) return false;
    component = Trim(std::string_view(item).substr(0, dot));
    property = Trim(std::string_view(item).substr(dot + 1));
    return !component.empty() && !property.empty();
}

TFormStorage::TFormStorage(TComponent* AOwner)
    : TFormPlacement(AOwner), FStoredProps(new TStringList), FStoredValues(new TStoredValues) {
    FStoredValues->Storage = this;
}

TFormStorage::~TFormStorage() = default;

TCustomForm* TFormStorage::OwnerForm() const { return dynamic_cast<TCustomForm*>(Owner()); }

void TFormStorage::SetStoredProps(TStrings* value) {
    FStoredProps->Assign(value);
    ResolveStoredProps(Loading());
}

void TFormStorage::SetStoredValues(TStoredValues* value) {
    FStoredValues->Clear();
    for (int i = 0; value && i < value->Count(); ++i) {
        TStoredValue* item = FStoredValues->Add();
        const TStoredValue* source = value->Items(i);
        item->SetName(source->Name());
        item->Value = source->Value;
        item->KeyString = source->KeyString;
        item->OnSave = source->OnSave;
        item->OnRestore = source->OnRestore;
    }
}

void TFormStorage::ResolveStoredProps(bool keepUnknown) {
    TComponent* root = Owner();
    for (int i = FStoredProps->Count() - 1; i >= 0; --i) {
        std::string component, property;
        TComponent* found = nullptr;
        if (ParseStoredPropItem(FStoredProps->Get(i), component, property) && root)
            found = root->FindComponent(component);
        if (found) {
            FStoredProps->PutObject(i, found);
            if (found != this) found->FreeNotification(this);
        } else if (!keepUnknown) {
            FStoredProps->Delete(i);
        }
    }
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    ResolveStoredProps(false);
}

void TFormStorage::UpdateStoredList() {
    for (int i = FStoredProps->Count() - 1; i >= 0; --i) {
        std::string component, property;
        const bool valid = ParseStoredPropItem(FStoredProps->Get(i), component, property);
        auto* object = dynamic_cast<TComponent*>(FStoredProps->GetObject(i));
        if (!object && valid && Owner()) {
            object = Owner()->FindComponent(component);
            if (object) {
                FStoredProps->PutObject(i, object);
                if (object != this) object->FreeNotification(this);
            }
        }
        if (!valid || !object)
            FStoredProps->Delete(i);
        else
            FStoredProps->Put(i, object->Name() + "." + property);
    }
}

void TFormStorage::Notification(TComponent* component, TOperation operation) {
    TFormPlacement::Notification(component, operation);
    if (operation != TOperation::opRemove || !FStoredProps) return;
    for (int i = FStoredProps->Count() - 1; i >= 0; --i)
        if (FStoredProps->GetObject(i) == component) FStoredProps->Delete(i);
}

namespace {

// An engine routed to the placement's open storage (no storage: reads give the default).
class TFormPropsStorage : public TPropsStorage {
public:
    TFormPropsStorage(TCustomIniFile* ini, TComponent* owner, std::string section) {
        Owner = owner;
        Section = std::move(section);
        OnReadString = [ini](const std::string& s, const std::string& ident, const std::string& def) {
            return ini ? IniReadString(ini, s, ident, def) : def;
        };
        OnWriteString = [ini](const std::string& s, const std::string& ident, const std::string& value) {
            if (ini) IniWriteString(ini, s, ident, value);
        };
        OnEraseSection = [ini](const std::string& s) {
            if (ini) IniEraseSection(ini, s);
        };
    }
};

}  // namespace

void TFormStorage::SaveProperties() {
    UpdateStoredList();
    TFormPropsStorage storage(IniFile(), Owner(), GetIniSection());
    for (int i = 0; i < FStoredProps->Count(); ++i) {
        std::string component, property;
        auto* object = dynamic_cast<TComponent*>(FStoredProps->GetObject(i));
        if (!object || !ParseStoredPropItem(FStoredProps->Get(i), component, property)) continue;
        storage.AObject = object;
        storage.Prefix = object->Name() + "_";
        storage.StoreProperty(TPropInfoList(object, tkProperties).Find(property));
    }
}

void TFormStorage::RestoreProperties() {
    TFormPropsStorage storage(IniFile(), Owner(), GetIniSection());
    for (int i = 0; i < FStoredProps->Count(); ++i) {
        std::string component, property;
        auto* object = dynamic_cast<TComponent*>(FStoredProps->GetObject(i));
        if (!object) {
            if (ParseStoredPropItem(FStoredProps->Get(i), component, property) && Owner())
                object = Owner()->FindComponent(component);
            if (!object) continue;
        }
        if (!ParseStoredPropItem(FStoredProps->Get(i), component, property)) continue;
        storage.AObject = object;
        storage.Prefix = object->Name() + "_";
        try {
            storage.LoadProperty(TPropInfoList(object, tkProperties).Find(property));
        } catch (...) {
            // This property keeps its value; the others still load.
        }
    }
}

void TFormStorage::SavePlacement() {
    TFormPlacement::SavePlacement();
    SaveProperties();
    FStoredValues->SaveValues();
}

void TFormStorage::RestorePlacement() {
    TFormPlacement::RestorePlacement();
    SetRestoreDone();
    try {
        RestoreProperties();
    } catch (...) {
        // A storage that cannot give the properties leaves the form as it is.
    }
    FStoredValues->RestoreValues();
}
