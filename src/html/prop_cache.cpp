#include "html/prop_cache.h"

#include "framework/sysutils.h"

#include "html/style_list.h"
#include "html/style_props.h"

namespace {

// A page of ever new elements lets its sets go rather than keeping them all.
constexpr size_t MaxCachedSets = 4096;
constexpr int KeptFrom = 2;

}  // namespace

TPropCache::TPropCache() = default;
TPropCache::~TPropCache() = default;

void TPropCache::Forget() {
    static_assert(MaxCachedSets * 2 <= kSlotCount, "the slots stay at most half full");
    FSets.clear();
    FSlots.fill(0);
    FSeen.fill({});
}

namespace {

// The slot a hash starts looking from, taken from its high half: the low bit
// of every hash is set.
size_t FirstSlot(uint64_t hash, size_t slots) { return static_cast<size_t>(hash >> 32) & (slots - 1); }

}  // namespace

TPropCache::TMade* TPropCache::Find(uint64_t hash) {
    for (size_t i = FirstSlot(hash, FSlots.size());; i = (i + 1) & (FSlots.size() - 1)) {
        if (FSlots[i] == 0) return nullptr;
        TMade& made = FSets[FSlots[i] - 1];
        if (made.Hash == hash) return &made;
    }
}

TPropCache::TMade& TPropCache::Keep(uint64_t hash) {
    size_t i = FirstSlot(hash, FSlots.size());
    while (FSlots[i] != 0) i = (i + 1) & (FSlots.size() - 1);
    FSets.emplace_back().Hash = hash;
    FSlots[i] = static_cast<uint32_t>(FSets.size());
    return FSets.back();
}

uint32_t TPropCache::NewKey() { return ++FLastKey; }

// The font is resolved on a copy: a set resolves only when asked, as its
// pixel sizes until then are its parent's.
std::shared_ptr<const TProperties::TResolvedState> TPropCache::Resolved(const TProperties& made) {
    TProperties probe;
    probe.CopyState(made);
    probe.SetStateKey(made.StateKey());
    auto resolved = std::make_shared<TProperties::TResolvedState>();
    resolved->Key = made.StateKey();
    AssignResolvedFont(resolved->Font, probe.GetResolvedFont());
    resolved->EmPixels = probe.EmPixels;
    resolved->ExPixels = probe.ExPixels;
    return resolved;
}

TProperties* TPropCache::Push(TStyleList* styles, const std::string& tag, const std::string& cls,
                              const std::string& id, const std::string& pseudo, const std::string& title,
                              TProperties* inlineProps) {
    TProperties* parent = PropStack.Last();
    auto* props = new TProperties;
    auto cascade = [&] {
        props->Inherit(*parent);
        PropStack.Add(props);
        props->Combine(styles, tag, cls, id, pseudo, title, inlineProps);
    };
    if (inlineProps || !id.empty() || !title.empty()) {
        cascade();
        return props;
    }
    const uint64_t generation = styles ? styles->Generation() : 0;
    // A push names at most two states.
    if (FLastKey >= TProperties::ResolvedStateBit - 2) {
        // Names are given again from the start: none may stay on the stack.
        Forget();
        for (int i = 0; i < PropStack.Count(); ++i) PropStack.GetProp(i)->SetStateKey(0);
        FLastKey = 0;
    }
    if (styles != FStyles || generation != FStylesGeneration || FSets.size() >= MaxCachedSets) {
        Forget();
        FStyles = styles;
        FStylesGeneration = generation;
    }
    // The parent's state is named as it stands; any change to it drops the
    // name, so the sets made from it are never used for another state. The
    // selectors of the sets below it cannot change while it keeps its name:
    // only taking a set out of the middle of the stack changes them, and that
    // updates every set above.
    if (parent->StateKey() == 0) parent->SetStateKey(NewKey());
    const uint32_t parentKey = parent->StateKey();
    uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](std::string_view part) {
        for (unsigned char c : part) hash = (hash ^ c) * 1099511628211ull;
        hash = (hash ^ 0x100) * 1099511628211ull;  // the part's end
    };
    mix(std::string_view(reinterpret_cast<const char*>(&parentKey), sizeof parentKey));
    mix(tag);
    mix(cls);
    mix(pseudo);
    hash |= 1;
    TMade* found = Find(hash);
    const bool same = found && found->ParentKey == parentKey && SameBytes(found->Tag, tag) &&
                      SameBytes(found->Class, cls) && SameBytes(found->Pseudo, pseudo);
    if (same) {
        TMade& made = *found;
        if (!made.Resolved) made.Resolved = Resolved(*made.Set);
        props->CopyState(*made.Set);
        props->SetStateKey(made.Set->StateKey());
        props->SetResolvedHint(made.Resolved);
        PropStack.Add(props);
        return props;
    }
    cascade();
    // A set is kept from its second making on: below a parent met once (one
    // with an inline style, say) little is met again, and keeping would only
    // cost. What was met is noted by its hash alone; a note overwritten only
    // puts the keeping off, and of two keys of one hash only the first is
    // kept.
    TSeen& seen = FSeen[hash % FSeen.size()];
    if (seen.Hash != hash) {
        seen = {hash, 1};
        return props;
    }
    if (++seen.Count < KeptFrom) return props;
    if (found) return props;
    TMade& made = Keep(hash);
    made.ParentKey = parentKey;
    made.Tag = tag;
    made.Class = cls;
    made.Pseudo = pseudo;
    made.Set = std::make_unique<TProperties>();
    made.Set->CopyState(*props);
    made.Set->SetStateKey(NewKey());
    props->SetStateKey(made.Set->StateKey());
    return props;
}
