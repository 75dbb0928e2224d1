#include "html/prop_cache.h"

#include "html/style_list.h"
#include "html/style_props.h"

namespace {

// Sets of elements with an id or a title are rarely met twice; a page of
// distinct sets is let go rather than kept.
constexpr size_t MaxCachedSets = 4096;

}  // namespace

TPropCache::TPropCache() = default;
TPropCache::~TPropCache() = default;

uint32_t TPropCache::NewKey() {
    if (++FLastKey >= TProperties::ResolvedStateBit) {
        // Keys of the stack's sets may name states the cache no longer
        // holds, but never one it will hold: the sets are dropped with them.
        FSets.clear();
        for (int i = 0; i < PropStack.Count(); ++i) PropStack.GetProp(i)->SetStateKey(0);
        FLastKey = 1;
    }
    return FLastKey;
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
    if (styles != FStyles || generation != FStylesGeneration || FSets.size() >= MaxCachedSets) {
        FSets.clear();
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
    FKey.assign(reinterpret_cast<const char*>(&parentKey), sizeof parentKey);
    for (const std::string* part : {&tag, &cls, &pseudo}) {
        FKey += *part;
        FKey += '\0';
    }
    if (auto found = FSets.find(FKey); found != FSets.end()) {
        props->CopyState(*found->second.Set);
        props->SetStateKey(found->second.Set->StateKey());
        props->SetResolvedHint(found->second.Resolved);
        PropStack.Add(props);
        return props;
    }
    cascade();
    TMade made{std::make_unique<TProperties>(), nullptr};
    made.Set->CopyState(*props);
    const uint32_t key = NewKey();
    made.Set->SetStateKey(key);
    props->SetStateKey(key);
    // The font is resolved once, on a copy: the set itself resolves only
    // when asked, as its pixel sizes until then are its parent's.
    TProperties probe;
    probe.CopyState(*props);
    probe.SetStateKey(key);
    auto resolved = std::make_shared<TProperties::TResolvedState>();
    resolved->Key = key;
    AssignResolvedFont(resolved->Font, probe.GetResolvedFont());
    resolved->EmPixels = probe.EmPixels;
    resolved->ExPixels = probe.ExPixels;
    made.Resolved = resolved;
    props->SetResolvedHint(made.Resolved);
    FSets.emplace(FKey, std::move(made));
    return props;
}
