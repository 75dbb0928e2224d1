#include "framework/typinfo.h"

#include <unordered_map>

#include "framework/sysutils.h"

namespace {

// Hashed, not ordered: the runtime orders the types of anonymous namespaces by
// address and all others by name, which is no ordering a std::map can use.
std::unordered_map<std::type_index, const TClassInfo*>& Tables() {
    static std::unordered_map<std::type_index, const TClassInfo*> tables;
    return tables;
}

}  // namespace

void RegisterClassInfo(std::type_index type, const TClassInfo* info) { Tables()[type] = info; }

const TClassInfo* FindClassInfo(std::type_index type) {
    auto it = Tables().find(type);
    return it == Tables().end() ? nullptr : it->second;
}

const TPropInfo* GetPropInfo(const TClassInfo* info, std::string_view name) {
    for (; info; info = info->Parent)
        for (const TPropInfo& prop : info->Props)
            if (CompareText(prop.Name, name) == 0) return &prop;
    return nullptr;
}
