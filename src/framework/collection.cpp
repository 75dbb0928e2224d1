#include "framework/collection.h"

#include <algorithm>

int TCollectionItem::Index() const {
    for (int i = 0; FCollection && i < FCollection->Count(); ++i)
        if (FCollection->Items(i) == this) return i;
    return -1;
}

TCollectionItem* TCollection::Add() {
    FItems.emplace_back(FFactory(this));
    Changed();
    return FItems.back().get();
}

void TCollection::Delete(int index) {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TCollection::Clear() {
    if (FItems.empty()) return;
    BeginUpdate();
    while (!FItems.empty()) FItems.pop_back();
    EndUpdate();
}

void TCollection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Changed() {
    if (FUpdateCount == 0 && OnChange) OnChange(this);
}
