// The placement component extended with chosen published properties of the
// form's components and named values, stored beside the placement in the same
// section (registry: sub-key) of the same storage.
#pragma once

#include <string>
#include <vector>

#include "framework/collection.h"
#include "framework/strings.h"
#include "framework/variant.h"
#include "util/placement.h"

class TCustomIniFile;
class TStoredValues;

using TStoredValueEvent = TEvent<TVariant&>;

class TStoredValue : public TCollectionItem {
public:
    explicit TStoredValue(TCollection* collection) : TCollectionItem(collection) {}

    const std::string& Name() const { return FName; }
    // Unique in the collection ignoring case: a duplicate raises EInvalidOperation.
    void SetName(const std::string& value);
    TVariant Value;
    // Not empty: the stored text is scrambled with this key.
    std::string KeyString;
    TStoredValueEvent OnSave;
    TStoredValueEvent OnRestore;

    void Save();
    void Restore();
    TStoredValues* Values() const;

private:
    std::string FName;
};

class TStoredValues : public TCollection {
public:
    TStoredValues();
    // Where values are saved: the placement's section of its storage.
    TFormPlacement* Storage = nullptr;

    TStoredValue* Items(int index) const { return static_cast<TStoredValue*>(TCollection::Items(index)); }
    TStoredValue* Add() { return static_cast<TStoredValue*>(TCollection::Add()); }
    int IndexOf(const std::string& name) const;
    TStoredValue* StoredValue(const std::string& name) const;
    // Unassigned for an unknown name.
    TVariant GetValue(const std::string& name) const;
    // Assigns to the item of that name; nothing when there is none.
    void SetValue(const std::string& name, const TVariant& value);
    void SaveValues();
    void RestoreValues();
};

// Links code of its own to a placement: SaveToIni fires when the placement
// saves, LoadFromIni when it restores.
class TIniLink : public TPersistent {
public:
    TIniLink() = default;
    ~TIniLink() override;

    TFormPlacement* Storage() const { return FStorage; }
    // Leaves the old placement's links and joins the new one's.
    void SetStorage(TFormPlacement* value);
    // The placement's open storage (a TIniFile or TRegIniFile) while it saves or
    // restores; nullptr otherwise or without a placement.
    TCustomIniFile* GetIniObject() const;
    // The placement's section followed by "\", or empty.
    std::string GetRootSection() const;
    TNotifyEvent OnSave;
    TNotifyEvent OnLoad;

    void SaveToIni();
    void LoadFromIni();

private:
    friend class TIniLinkList;
    TFormPlacement* FStorage = nullptr;
};

// Tells every link of the placement to save or to restore. TFormStorage calls
// them from its overrides; a plain TFormPlacement has to call them as well.
void NotifyIniLinksSave(TFormPlacement* placement);
void NotifyIniLinksLoad(TFormPlacement* placement);

class TFormStorage : public TFormPlacement {
public:
    explicit TFormStorage(TComponent* AOwner);
    ~TFormStorage() override;

    // Items "<component>.<property>"; each item's object is its component once known.
    TStrings* StoredProps() const { return FStoredProps.get(); }
    void SetStoredProps(TStrings* value);
    TStoredValues* StoredValues() const { return FStoredValues.get(); }
    void SetStoredValues(TStoredValues* value);
    TVariant StoredValue(const std::string& name) const { return FStoredValues->GetValue(name); }
    void SetStoredValue(const std::string& name, const TVariant& value) { FStoredValues->SetValue(name, value); }

    // Errors of single properties are swallowed.
    void SaveProperties();
    void RestoreProperties();
    // Each item takes its component's current name; items naming no component
    // (or whose component is gone) are removed.
    void UpdateStoredList();

    // The storage object while a save or restore runs.
    TCustomIniFile* IniObject() const { return IniFile(); }

protected:
    void SavePlacement() override;
    void RestorePlacement() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    TCustomForm* OwnerForm() const;
    void ResolveStoredProps(bool keepUnknown);
    owned_ptr<TStringList> FStoredProps;
    owned_ptr<TStoredValues> FStoredValues;
};

// Splits "<component>.<property>" at the first '.', both parts trimmed; false
// unless both are non-empty.
bool ParseStoredPropItem(const std::string& item, std::string& component, std::string& property);
