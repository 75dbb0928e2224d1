// The style sheet of one document: selector keys to property sets, built from
// the viewer's defaults and extended by STYLE elements and linked sheets.
// Free of window headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    const std::string& Strings(int index) const { return FEntries.at(static_cast<size_t>(index)).Key; }
    TProperties* Props(int index) const { return FEntries.at(static_cast<size_t>(index)).Props; }
    // The first entry of the key, or -1.
    int FindFirst(const std::string& key) const;
    // The first entry whose key is not before `key`.
    int LowerBound(const std::string& key) const;

    TProperties* DefaultEntry = nullptr;

    // Changes with every change of an entry; no two lists of the process
    // share a value.
    uint64_t Generation() const { return FGeneration; }

private:
    struct Entry {
        std::string Key;
        std::string Folded;  // lower-cased key
        TProperties* Props;
    };
    // The first entry of the key, or a new one.
    TProperties* EntryFor(const std::string& key);

    void Changed();

    std::vector<Entry> FEntries;
    uint64_t FGeneration = 0;
    int FSeqNo = 10;
    bool* FLinkHoverEnabled;
};
