// Published properties: a table per class that names each property, its kind and
// how to read and write it, so code can reach a property by name at run time. A
// class without a table publishes nothing of its own; a table names its base
// class's table, whose properties it inherits.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

#include "framework/variant.h"

class TObject;

enum TTypeKind { tkUnknown, tkInteger, tkInt64, tkChar, tkWChar, tkEnumeration, tkFloat, tkString, tkSet,
                 tkClass, tkMethod, tkVariant };
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// The object handed to the accessors is of the table's class or a subclass.
struct TPropInfo {
    TPropInfo() = default;
    // Ordinal access: integers, 64-bit integers, characters (the code page 1251
    // byte or the UTF-16 unit), enumerations (the member's index) and sets (bit i
    // for member i).
    TPropInfo(std::string name, TTypeKind kind, std::function<int64_t(TObject*)> getOrd,
              std::function<void(TObject*, int64_t)> setOrd)
        : Name(std::move(name)), Kind(kind), GetOrd(std::move(getOrd)), SetOrd(std::move(setOrd)) {}

    static TPropInfo Enumeration(std::string name, std::vector<std::string> members,
                                 std::function<int64_t(TObject*)> get, std::function<void(TObject*, int64_t)> set);
    static TPropInfo Set(std::string name, std::vector<std::string> members, std::function<int64_t(TObject*)> get,
                         std::function<void(TObject*, int64_t)> set);
    static TPropInfo Float(std::string name, TFloatType type, std::function<double(TObject*)> get,
                           std::function<void(TObject*, double)> set);
    static TPropInfo String(std::string name, std::function<std::string(TObject*)> get,
                            std::function<void(TObject*, const std::string&)> set);
    static TPropInfo Variant(std::string name, std::function<TVariant(TObject*)> get,
                             std::function<void(TObject*, const TVariant&)> set);
    // An object the owner holds (string list, collection, nested persistent):
    // read only, its contents are what is stored.
    static TPropInfo Object(std::string name, std::function<TObject*(TObject*)> get);
    // A component the owner refers to and does not own.
    static TPropInfo Reference(std::string name, std::function<TObject*(TObject*)> get,
                               std::function<void(TObject*, TObject*)> set);
    static TPropInfo Method(std::string name);

    std::string Name;
    TTypeKind Kind = tkUnknown;
    std::function<int64_t(TObject*)> GetOrd;
    std::function<void(TObject*, int64_t)> SetOrd;
    // Enumeration and set members, in order.
    std::vector<std::string> Members;
    TFloatType FloatType = ftDouble;
    std::function<double(TObject*)> GetFloat;
    std::function<void(TObject*, double)> SetFloat;
    std::function<std::string(TObject*)> GetStr;
    std::function<void(TObject*, const std::string&)> SetStr;
    std::function<TVariant(TObject*)> GetVariant;
    std::function<void(TObject*, const TVariant&)> SetVariant;
    std::function<TObject*(TObject*)> GetObject;
    // Set only for references.
    std::function<void(TObject*, TObject*)> SetObject;

    bool IsReference() const { return Kind == tkClass && static_cast<bool>(SetObject); }
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
// The table of the object's own class; nullptr for none or no table.
const TClassInfo* ClassInfoOfObject(const TObject* object);
// The property of that name (ignoring ASCII case) in the table or its bases.
const TPropInfo* GetPropInfo(const TClassInfo* info, std::string_view name);
// Every property of the table and its bases, the base's first; a name that a
// subclass declares again is listed once, at the subclass's entry.
std::vector<const TPropInfo*> GetPropList(const TClassInfo* info);

// Writes a number to an integer, 64-bit, floating-point or variant property;
// false for any other kind or a property that cannot be written.
bool SetNumericProp(TObject* object, const TPropInfo* prop, int64_t value);
