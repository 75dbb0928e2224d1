// The style sheet of one document: selector keys to property sets, built from
// the viewer's defaults and extended by STYLE elements and linked sheets.
// Free of window headers.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "framework/graphics_types.h"
#include "html/style_parser.h"
#include "html/style_props.h"

// Keys compare without regard to (ASCII) case; a new entry goes before the
// entries of its key, so a lookup finds the newest first.
class TStyleList : public TObject, public TStyleRuleSink {
public:
    // `linkHoverEnabled`: the owning document's flag, set when a rule for
    // ":hover" is read; may be null.
    explicit TStyleList(bool* linkHoverEnabled = nullptr) : FLinkHoverEnabled(linkHoverEnabled) { Changed(); }
    ~TStyleList() override;

    void Clear();
    std::string GetSeqNo() override;
    void AddObject(const std::string& key, TProperties* props);
    TProperties* AddDuplicate(const std::string& key, const TProperties& props);
    void AddModifyProp(const std::string& key, const std::string& property, const std::string& value) override;
    void ModifyLinkColor(const std::string& state, TColor color);
    void Initialize(const std::string& fontName, const std::string& preFontName, int pointSize, TColor textColor,
                    TColor linkColor, TColor visitedColor, TColor hoverColor, bool underlineLinks,
                    uint8_t charset, int marginHeight, int marginWidth);

    int Count() const { return static_cast<int>(FEntries.size()); }
    // The keys compared and entries moved by insertions so far: about
    // log2(Count) per rule, where a sorted array moved every entry after it.
    uint64_t InsertSteps() const { return FInsertSteps; }
    // The newest entry of the key, or nullptr.
    TProperties* Find(const std::string& key) const;
    // Calls `visit(key, props)` for the entries in key order, from the first
    // whose key is not before `start`, until it returns false.
    template <class Visit>
    void VisitFrom(const std::string& start, Visit&& visit) const {
        for (auto it = FEntries.lower_bound(TProbe{start}); it != FEntries.end(); ++it)
            if (!visit(it->second.Key, it->second.Props)) return;
    }

    TProperties* DefaultEntry = nullptr;

    // Changes with every change of an entry; no two lists of the process
    // share a value.
    uint64_t Generation() const { return FGeneration; }

private:
    struct Entry {
        std::string Key;
        TProperties* Props;
    };
    // A key looked up as it is, lower-cased as it is compared.
    struct TProbe {
        const std::string& Key;
    };
    // A probe that counts the comparisons it takes part in.
    struct TCountedProbe {
        const std::string& Key;
        uint64_t* Steps;
    };
    // Compares lower-cased keys with one another and with probes, in the
    // order of std::string.
    struct TFoldedLess {
        using is_transparent = void;
        bool operator()(const std::string& a, const std::string& b) const { return a < b; }
        bool operator()(const std::string& folded, TProbe key) const { return Compare(folded, key.Key) < 0; }
        bool operator()(TProbe key, const std::string& folded) const { return Compare(folded, key.Key) > 0; }
        bool operator()(const std::string& folded, TCountedProbe key) const {
            ++*key.Steps;
            return Compare(folded, key.Key) < 0;
        }
        bool operator()(TCountedProbe key, const std::string& folded) const {
            ++*key.Steps;
            return Compare(folded, key.Key) > 0;
        }
        static int Compare(const std::string& folded, const std::string& key);
    };
    // The first entry of the key, or a new one.
    TProperties* EntryFor(const std::string& key);

    void Changed();

    // By lower-cased key. A sorted array took every entry after a new one
    // along: a sheet of thousands of distinct rules took quadratic time.
    std::multimap<std::string, Entry, TFoldedLess> FEntries;
    uint64_t FGeneration = 0;
    uint64_t FInsertSteps = 0;
    int FSeqNo = 10;
    bool* FLinkHoverEnabled;
};
