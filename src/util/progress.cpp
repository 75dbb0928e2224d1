#include "util/progress.h"

#include <memory>
#include <vector>

#include "framework/comctrls.h"
#include "framework/typinfo.h"

namespace {

constexpr size_t kMaxPropName = 63;

struct Entry {
    progress_detail::ClassRef Class;
    std::string MaxProp, MinProp, PosProp;
};

std::vector<Entry>& Entries() {
    static std::vector<Entry> entries = [] {
        std::vector<Entry> list;
        list.push_back({progress_detail::Ref<TProgressBar>(), "Max", "Min", "Position"});
        return list;
    }();
    return entries;
}

// The last registered entry whose class the control is an instance of.
const Entry* EntryFor(TControl* control) {
    if (!control) return nullptr;
    const auto& entries = Entries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->Class.IsInstance(control)) return &*it;
    return nullptr;
}

bool SetProp(TControl* control, std::string Entry::*which, int64_t value) {
    const Entry* entry = EntryFor(control);
    if (!entry) return false;
    const TPropInfo* prop = GetPropInfo(FindClassInfo(entry->Class.Type), entry->*which);
    return SetNumericProp(control, prop, value);
}

}  // namespace

namespace progress_detail {

void Register(const ClassRef& ref, std::string_view maxProp, std::string_view minProp, std::string_view posProp) {
    Entries().push_back({ref, std::string(maxProp.substr(0, kMaxPropName)), std::string(minProp.substr(0, kMaxPropName)),
                         std::string(posProp.substr(0, kMaxPropName))});
}

void UnRegister(bool (*inheritsFromGiven)(const ClassRef& entry)) {
    auto& entries = Entries();
    std::erase_if(entries, [&](const Entry& e) { return inheritsFromGiven(e.Class); });
}

}  // namespace progress_detail

bool SupportsProgressControl(TControl* control) { return EntryFor(control) != nullptr; }
bool SetProgressMax(TControl* control, int64_t value) { return SetProp(control, &Entry::MaxProp, value); }
bool SetProgressMin(TControl* control, int64_t value) { return SetProp(control, &Entry::MinProp, value); }
bool SetProgressValue(TControl* control, int64_t value) { return SetProp(control, &Entry::PosProp, value); }
