// Published properties: a table per class that names each property, its kind and
// how to write it, so code can reach a property by name at run time. A class
// without a table publishes nothing of its own; a table names its base class's
// table, whose properties it inherits.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

class TObject;

enum TTypeKind { tkUnknown, tkInteger, tkInt64, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod, tkVariant };

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = tkUnknown;
    // Ordinal access (integers, characters, enumerations, sets); empty when the
    // property has none. The object is of the table's class or a subclass.
    std::function<int64_t(TObject*)> GetOrd;
    std::function<void(TObject*, int64_t)> SetOrd;
};

struct TClassInfo {
    std::string Name;
    const TClassInfo* Parent = nullptr;
    std::vector<TPropInfo> Props;
};

// Declares the table of a class (kept for the program's life).
void RegisterClassInfo(std::type_index type, const TClassInfo* info);
const TClassInfo* FindClassInfo(std::type_index type);
template <class T>
const TClassInfo* ClassInfoOf() {
    return FindClassInfo(std::type_index(typeid(T)));
}
// The property of that name (ignoring ASCII case) in the table or its bases.
const TPropInfo* GetPropInfo(const TClassInfo* info, std::string_view name);
