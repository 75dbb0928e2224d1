#include "html/style_list.h"

#include <algorithm>

#include "framework/sysutils.h"
#include "html/colors.h"

using enum PropIndices;

TStyleList::~TStyleList() { Clear(); }

void TStyleList::Changed() {
    static uint64_t lastGeneration = 0;
    FGeneration = ++lastGeneration;
}

void TStyleList::Clear() {
    Changed();
    for (auto& [folded, entry] : FEntries) TObject::Free(entry.Props);
    FEntries.clear();
    FSeqNo = 10;
    DefaultEntry = nullptr;
}

std::string TStyleList::GetSeqNo() { return std::to_string(FSeqNo++); }

// Compares a lower-cased key with another key lower-cased as it is read, in
// the order of std::string: every page looks rules up for each element, and
// a folded copy of each key it looks up would be made only to be compared.
int TStyleList::TFoldedLess::Compare(const std::string& folded, const std::string& key) {
    const size_t n = std::min(folded.size(), key.size());
    for (size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(folded[i]);
        const auto b = static_cast<unsigned char>(AsciiLower(key[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    return folded.size() < key.size() ? -1 : folded.size() > key.size() ? 1 : 0;
}

TProperties* TStyleList::Find(const std::string& key) const {
    const auto it = FEntries.lower_bound(TProbe{key});
    return it != FEntries.end() && TFoldedLess::Compare(it->first, key) == 0 ? it->second.Props : nullptr;
}

void TStyleList::AddObject(const std::string& key, TProperties* props) {
    props->EditSel().Tag = key;
    // Before the entries of its key: a lookup finds the newest first.
    FEntries.emplace_hint(FEntries.lower_bound(TCountedProbe{key, &FInsertSteps}), LowerCase(key), Entry{key, props});
    Changed();
}

TProperties* TStyleList::AddDuplicate(const std::string& key, const TProperties& props) {
    auto* copy = new TProperties;
    copy->Copy(props);
    AddObject(key, copy);
    return copy;
}

TProperties* TStyleList::EntryFor(const std::string& key) {
    if (TProperties* found = Find(key)) return found;
    auto* props = new TProperties;
    AddObject(key, props);
    return props;
}

void TStyleList::ModifyLinkColor(const std::string& state, TColor color) {
    if (TProperties* props = Find("::" + state)) props->SetValue(Color, color);
    Changed();
}

void TStyleList::AddModifyProp(const std::string& key, const std::string& property, const std::string& value) {
    PropIndices index;
    if (!FindPropIndex(property, index)) return;
    // Only what converts is stored, so find the entry lazily: a failed colour
    // on a new key leaves no empty entry behind.
    auto set = [&](PropIndices p, TPropValue v) {
        EntryFor(key)->SetValue(p, std::move(v));
        Changed();
    };
    if (index == Color) {
        int32_t color;
        if (ColorFromString(value, false, color)) {
            if (key == ":link") {
                ModifyLinkColor("hover", color);
                ModifyLinkColor("visited", color);
            } else if (key == ":visited") {
                ModifyLinkColor("hover", color);
            }
            set(Color, color);
        }
    } else {
        StoreProperty(index, value, set);
    }
    if (key.find(":hover") != std::string::npos && FLinkHoverEnabled) *FLinkHoverEnabled = true;
    if (key == "a") AddModifyProp("::link", property, value);
}

void TStyleList::Initialize(const std::string& fontName, const std::string& preFontName, int pointSize,
                            TColor textColor, TColor linkColor, TColor visitedColor, TColor hoverColor,
                            bool underlineLinks, uint8_t charset, int marginHeight, int marginWidth) {
    Clear();
    DefPointSize = pointSize;
    const double points = pointSize;
    auto add = [this](const std::string& key, std::initializer_list<std::pair<PropIndices, TPropValue>> values) {
        auto* props = new TProperties;
        for (const auto& [p, v] : values) props->SetValue(p, v);
        AddObject(key, props);
        return props;
    };
    auto copies = [this](TProperties* props, std::initializer_list<const char*> keys) {
        TProperties* last = props;
        for (const char* key : keys) last = AddDuplicate(key, *props);
        return last;
    };
    using S = std::string;

    DefaultEntry = add("default", {{FontFamily, fontName}, {FontSize, points}, {FontStyle, S("none")},
                                   {FontWeight, S("normal")}, {TextAlign, S("left")}, {TextDecoration, S("none")},
                                   {TextTransform, 0}, {FontVariant, S("normal")}, {Color, textColor},
                                   {MarginTop, marginHeight}, {MarginBottom, marginHeight},
                                   {MarginLeft, marginWidth}, {MarginRight, marginWidth}, {Visibility, 2},
                                   {LetterSpacing, 0}});
    DefaultEntry->FontCharset = charset;
    add("::link", {{Color, linkColor | PalRelative}, {TextDecoration, S(underlineLinks ? "underline" : "none")}});
    add("::visited", {{Color, visitedColor | PalRelative}});
    add("::hover", {{Color, hoverColor | PalRelative}});
    add("null", {});
    add("pre", {{FontFamily, preFontName}, {FontSize, points * 10 / 12}, {FontStyle, S("none")},
                {FontWeight, S("normal")}, {TextDecoration, S("none")}});
    add("p", {{MarginTop, AutoParaValue}, {MarginBottom, AutoParaValue}});
    add("p 11pre", {{MarginTop, 0}});
    for (const char* key : {"ul", "ol", "menu", "dir"})
        add(key, {{MarginLeft, 35}, {ListStyleType, S("blank")}, {MarginTop, AutoParaValue},
                  {MarginBottom, AutoParaValue}});
    add("dl", {{MarginLeft, 0}, {MarginTop, 0}, {MarginBottom, 0}, {ListStyleType, S("none")}});
    add("dd", {{MarginLeft, 40}, {MarginTop, 0}, {MarginBottom, 0}});
    add("blockquote", {{MarginLeft, 35}, {MarginTop, AutoParaValue}, {MarginBottom, 14}});
    copies(add("code", {{FontFamily, preFontName}, {FontSize, S("0.833em")}}), {"tt", "kbd", "samp"});
    copies(add("b", {{FontWeight, S("bold")}}), {"strong", "th"});
    add("sup", {{FontSize, S("75%")}, {VerticalAlign, S("super")}});
    add("sub", {{FontSize, S("75%")}, {VerticalAlign, S("sub")}});
    add("big", {{FontSize, S("1.25em")}});
    add("small", {{FontSize, S("0.75em")}});
    add("table", {{TextAlign, S("none")}});
    copies(add("i", {{FontStyle, S("italic")}}), {"em", "cite", "var", "address"});
    add("u", {{TextDecoration, S("underline")}});
    copies(add("s", {{TextDecoration, S("line-through")}}), {"strike"});
    copies(add("center", {{TextAlign, S("center")}}), {"caption"});
    TProperties* textarea =
        copies(add("input", {{FontFamily, S("Arial Unicode MS, Arial")}, {FontSize, S("10pt")},
                             {FontStyle, S("none")}, {FontWeight, S("normal")}, {TextAlign, S("left")},
                             {TextDecoration, S("none")}, {Color, textColor}}),
               {"select", "textarea"});
    textarea->SetValue(FontFamily, IsWin32Platform ? S("Arial Unicode MS, Arial") : preFontName);
    add("hr", {{MarginLeft, 0}, {MarginRight, 0}, {MarginTop, 10}, {MarginBottom, 10}});
    const int headingSizes[6] = {24, 18, 14, 12, 10, 8};
    for (int h = 0; h < 6; ++h)
        add("h" + std::to_string(h + 1), {{FontSize, points / 12 * headingSizes[h]}, {MarginTop, 19},
                                          {MarginBottom, 19}, {FontWeight, S("bold")}});
}
