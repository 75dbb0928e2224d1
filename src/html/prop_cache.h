// The property sets of elements, made once per distinct situation. An
// element's set follows from its parent's set, the selectors of the elements
// open around it, the style sheet and its own tag, class, id, pseudo-class and
// title; articles open the same few elements in the same few places thousands
// of times, so a set made before for the same parent state and the same
// element is copied instead of being cascaded again. Free of window headers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "html/style_props.h"

class TStyleList;

class TPropCache {
public:
    TPropCache();
    ~TPropCache();

    // The set of an element opened inside the top of PropStack, pushed onto
    // it, as Inherit and Combine make it.
    TProperties* Push(TStyleList* styles, const std::string& tag, const std::string& cls, const std::string& id,
                      const std::string& pseudo, const std::string& title, TProperties* inlineProps);

private:
    void Forget();
    uint32_t NewKey();
    static std::shared_ptr<const TProperties::TResolvedState> Resolved(const TProperties& made);

    struct TMade {
        uint64_t Hash = 0;
        uint32_t ParentKey = 0;
        std::string Tag, Class, Pseudo;
        std::unique_ptr<TProperties> Set;
        std::shared_ptr<const TProperties::TResolvedState> Resolved;
    };
    // The sets kept, found by the hash of a parent's state key and an
    // element's selectors: FSlots, open addressing, holds each set's index
    // in FSets plus one, 0 for an empty slot.
    TMade* Find(uint64_t hash);
    TMade& Keep(uint64_t hash);
    std::vector<TMade> FSets;
    static constexpr size_t kSlotCount = 8192;
    std::array<uint32_t, kSlotCount> FSlots{};
    struct TSeen {
        uint64_t Hash = 0;
        int Count = 0;
    };
    std::array<TSeen, 4096> FSeen{};  // keys met, not yet kept
    const TStyleList* FStyles = nullptr;
    uint64_t FStylesGeneration = 0;
    uint32_t FLastKey = 0;
};
