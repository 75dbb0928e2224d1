#include "framework/typinfo.h"

#include <unordered_map>

#include "framework/classes.h"
#include "framework/sysutils.h"

namespace {

// Hashed, not ordered: the runtime orders the types of anonymous namespaces by
// address and all others by name, which is no ordering a std::map can use.
std::unordered_map<std::type_index, const TClassInfo*>& Tables() {
    static std::unordered_map<std::type_index, const TClassInfo*> tables;
    return tables;
}

}  // namespace

TPropInfo TPropInfo::Enumeration(std::string name, std::vector<std::string> members,
                                 std::function<int64_t(TObject*)> get, std::function<void(TObject*, int64_t)> set) {
    TPropInfo p(std::move(name), tkEnumeration, std::move(get), std::move(set));
    p.Members = std::move(members);
    return p;
}

TPropInfo TPropInfo::Set(std::string name, std::vector<std::string> members, std::function<int64_t(TObject*)> get,
                         std::function<void(TObject*, int64_t)> set) {
    TPropInfo p(std::move(name), tkSet, std::move(get), std::move(set));
    p.Members = std::move(members);
    return p;
}

TPropInfo TPropInfo::Float(std::string name, TFloatType type, std::function<double(TObject*)> get,
                           std::function<void(TObject*, double)> set) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = tkFloat;
    p.FloatType = type;
    p.GetFloat = std::move(get);
    p.SetFloat = std::move(set);
    return p;
}

TPropInfo TPropInfo::String(std::string name, std::function<std::string(TObject*)> get,
                            std::function<void(TObject*, const std::string&)> set) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = tkString;
    p.GetStr = std::move(get);
    p.SetStr = std::move(set);
    return p;
}

TPropInfo TPropInfo::Variant(std::string name, std::function<TVariant(TObject*)> get,
                             std::function<void(TObject*, const TVariant&)> set) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = tkVariant;
    p.GetVariant = std::move(get);
    p.SetVariant = std::move(set);
    return p;
}

TPropInfo TPropInfo::Object(std::string name, std::function<TObject*(TObject*)> get) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = tkClass;
    p.GetObject = std::move(get);
    return p;
}

TPropInfo TPropInfo::Reference(std::string name, std::function<TObject*(TObject*)> get,
                               std::function<void(TObject*, TObject*)> set) {
    TPropInfo p = Object(std::move(name), std::move(get));
    p.SetObject = std::move(set);
    return p;
}

TPropInfo TPropInfo::Method(std::string name) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = tkMethod;
    return p;
}

void RegisterClassInfo(std::type_index type, const TClassInfo* info) { Tables()[type] = info; }

const TClassInfo* FindClassInfo(std::type_index type) {
    auto it = Tables().find(type);
    return it == Tables().end() ? nullptr : it->second;
}

const TClassInfo* ClassInfoOfObject(const TObject* object) {
    return object ? FindClassInfo(std::type_index(typeid(*object))) : nullptr;
}

const TPropInfo* GetPropInfo(const TClassInfo* info, std::string_view name) {
    for (; info; info = info->Parent)
        for (const TPropInfo& prop : info->Props)
            if (CompareText(prop.Name, name) == 0) return &prop;
    return nullptr;
}

std::vector<const TPropInfo*> GetPropList(const TClassInfo* info) {
    std::vector<const TClassInfo*> chain;
    for (; info; info = info->Parent) chain.insert(chain.begin(), info);
    std::vector<const TPropInfo*> list;
    for (const TClassInfo* c : chain)
        for (const TPropInfo& prop : c->Props) {
            bool replaced = false;
            for (auto& p : list)
                if (CompareText(p->Name, prop.Name) == 0) {
                    p = &prop;
                    replaced = true;
                }
            if (!replaced) list.push_back(&prop);
        }
    return list;
}

bool SetNumericProp(TObject* object, const TPropInfo* prop, int64_t value) {
    if (!object || !prop) return false;
    switch (prop->Kind) {
    case tkInteger:
    case tkInt64:
        if (!prop->SetOrd) return false;
        prop->SetOrd(object, value);
        return true;
    case tkFloat:
        if (prop->SetFloat) {
            prop->SetFloat(object, static_cast<double>(value));
            return true;
        }
        return false;
    case tkVariant:
        if (prop->SetVariant) {
            prop->SetVariant(object, TVariant(value));
            return true;
        }
        return false;
    default:
        return false;
    }
}
