// A collection: an owning list of items of one class, made by the collection.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/classes.h"

class TCollection;

class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* collection) : FCollection(collection) {}
    TCollection* Collection() const { return FCollection; }
    int Index() const;

private:
    TCollection* FCollection;
};

class TCollection : public TPersistent {
public:
    using ItemFactory = std::function<TCollectionItem*(TCollection*)>;
    explicit TCollection(ItemFactory factory) : FFactory(std::move(factory)) {}
    // Owners are often half gone by now: no change is reported.
    ~TCollection() override { FItems.clear(); }

    int Count() const { return static_cast<int>(FItems.size()); }
    TCollectionItem* Items(int index) const { return FItems.at(index).get(); }
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();
    // Changes made between these calls are reported once, at the last EndUpdate.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    TNotifyEvent OnChange;

private:
    friend class TCollectionItem;
    void Changed();

    ItemFactory FFactory;
    std::vector<owned_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
};
