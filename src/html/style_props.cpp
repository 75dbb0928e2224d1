#include "html/style_props.h"

#include <cmath>

#include "framework/sysutils.h"
#include "html/colors.h"
#include "html/html_numbers.h"
#include "html/style_list.h"

using enum PropIndices;

const char* const PropWords[PropCount] = {
    "font-family", "font-size", "font-style", "font-weight", "text-align", "text-decoration",
    "letter-spacing", "border-style", "color", "background-color", "border-color", "margin-top",
    "margin-right", "margin-bottom", "margin-left", "padding-top", "padding-right", "padding-bottom",
    "padding-left", "border-top-width", "border-right-width", "border-bottom-width", "border-left-width",
    "border-top-color", "border-right-color", "border-bottom-color", "border-left-color", "border-top-style",
    "border-right-style", "border-bottom-style", "border-left-style", "width", "height", "top", "left",
    "visibility", "line-height", "background-image", "background-position", "background-repeat",
    "background-attachment", "vertical-align", "position", "z-index", "list-style-type", "list-style-image",
    "float", "clear", "text-indent", "page-break-before", "page-break-after", "page-break-inside",
    "text-transform", "font-variant", "display",
};

double DefPointSize = 12;
TPropStack PropStack;

namespace {

constexpr int FirstMarginSlot = Idx(MarginTop);
constexpr int LastMarginSlot = Idx(LeftPos);
constexpr uint8_t DefaultCharset = 1;
constexpr uint8_t SymbolCharset = 2;

int NextSerialNo = 0;

bool InMarginSlots(int i) { return i >= FirstMarginSlot && i <= LastMarginSlot; }

constexpr std::string_view kBorderStyleWords[] = {"none",  "solid",  "inset",  "outset", "groove",
                                                  "ridge", "dashed", "dotted", "double"};

BorderStyleType BorderStyleOf(const TPropValue& v) {
    const std::string_view s = PropString(v);
    for (int i = 0; i < 9; ++i)
        if (s == kBorderStyleWords[i]) return static_cast<BorderStyleType>(i);
    return bssNone;
}

bool IsBold(std::string_view weight) {
    if (weight.find("bold") != std::string_view::npos) return true;
    double n;
    return TextToNumber(Trim(weight), n) && n >= 600;
}

double ClampPoints(double points) {
    if (!(points >= MinFontPoints)) return MinFontPoints;  // NaN included
    return points > MaxFontPoints ? MaxFontPoints : points;
}

// Blanks as Trim takes them: every control character and the space.
std::string_view TrimmedView(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// The leading number of a length and the unit after it; false when the text
// does not start with a number. An 'e' is never read as an exponent.
bool SplitLength(std::string_view text, double& n, std::string& unit) {
    const std::string_view s = TrimmedView(text);
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0 || !TextToNumber(s.substr(0, i), n)) return false;
    unit.assign(TrimmedView(s.substr(i)));
    for (char& c : unit)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return true;
}

int PPI() {
    const int ppi = FontServices().PixelsPerInch();
    return ppi > 0 ? ppi : 96;
}

double PropNumber(const TPropValue& v, double fallback) {
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto i = std::get_if<int>(&v)) return *i;
    return fallback;
}

int PropInt(const TPropValue& v, int fallback) {
    if (auto i = std::get_if<int>(&v)) return *i;
    return fallback;
}

// One level of a selector key: "tag.class#id:pseudo", any part absent.
struct SelectorLevel {
    std::string Tag, Class, ID, Pseudo;
};

SelectorLevel ParseLevel(std::string_view s) {
    SelectorLevel level;
    std::string* part = &level.Tag;
    for (char c : s) {
        if (c == '.') part = &level.Class;
        else if (c == '#') part = &level.ID;
        else if (c == ':' && part != &level.Pseudo) part = &level.Pseudo;
        else *part += c;
    }
    level.Tag = LowerCase(level.Tag);
    level.Class = LowerCase(level.Class);
    level.ID = LowerCase(level.ID);
    level.Pseudo = LowerCase(level.Pseudo);
    return level;
}

// At most ten levels; the sequence digits in front of the second are dropped.
std::vector<SelectorLevel> ParseKeyLevels(std::string_view key) {
    std::vector<SelectorLevel> levels;
    size_t i = 0;
    while (i < key.size() && levels.size() < 10) {
        while (i < key.size() && key[i] == ' ') ++i;
        if (i >= key.size()) break;
        size_t start = i;
        while (i < key.size() && key[i] != ' ') ++i;
        std::string_view word = key.substr(start, i - start);
        if (levels.size() == 1)
            while (!word.empty() && word[0] >= '0' && word[0] <= '9') word.remove_prefix(1);
        levels.push_back(ParseLevel(word));
    }
    return levels;
}

bool PartMatches(const std::string& part, const std::string& value) { return part.empty() || part == LowerCase(value); }

bool LevelMatches(const SelectorLevel& level, const std::string& tag, const std::string& cls, const std::string& id,
                  const std::string& pseudo) {
    return PartMatches(level.Tag, tag) && PartMatches(level.Class, cls) && PartMatches(level.ID, id) &&
           PartMatches(level.Pseudo, pseudo);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && CompareText(s.substr(0, prefix.size()), prefix) == 0;
}

struct CharsetCodePage {
    uint8_t Charset;
    int CodePage;
};
const CharsetCodePage kCharsetCodePages[] = {
    {0, 1252}, {1, 0}, {2, 0}, {77, 2}, {128, 932}, {129, 949}, {130, 1361}, {134, 936}, {136, 950},
    {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251},
    {222, 874}, {238, 1250}, {255, 1},
};

// Stands in for the platform natively: every face is there and a font's
// metrics follow from its height.
class TFixedFontServices final : public TFontServices {
public:
    int PixelsPerInch() const override { return 96; }
    std::string InstalledFace(const std::string& name) const override { return name; }
    TFontMetricsInfo Metrics(const std::string&, int height, unsigned, uint8_t charset) const override {
        TFontMetricsInfo m;
        const int h = height < 0 ? -height : height;
        m.InternalLeading = height < 0 ? h / 5 : 0;
        m.Height = height < 0 ? h + m.InternalLeading : h;
        m.Descent = m.Height / 5;
        m.MaxCharWidth = h;
        m.Charset = charset == DefaultCharset ? 0 : charset;
        return m;
    }
};

const TFontServices* gFontServices = nullptr;

}  // namespace

#ifdef _WIN32
const TFontServices& GdiFontServices();
#endif

const TFontServices& FontServices() {
    if (gFontServices) return *gFontServices;
#ifdef _WIN32
    return GdiFontServices();
#else
    static const TFixedFontServices fixed;
    return fixed;
#endif
}

void SetFontServices(const TFontServices* services) { gFontServices = services; }

TPropText::TPropText(std::string text) : FRep(new TRep{1, std::move(text)}) {}

TPropText::~TPropText() {
    if (FRep && FRep->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete FRep;
}

const std::string& TPropText::Empty() {
    static const std::string empty;
    return empty;
}

bool FindPropIndex(std::string_view name, PropIndices& index) {
    for (int i = 0; i < PropCount; ++i)
        if (name == PropWords[i]) {
            index = static_cast<PropIndices>(i);
            return true;
        }
    return false;
}

// ---------------------------------------------------------------------------
// Conversions

int LengthConv(std::string_view text, bool relative, int base, int emSize, int exSize, int defaultValue) {
    // A whole number of pixels ("4px"), what style sheets mostly give, is read
    // in place.
    if (text.size() >= 3 && text.size() <= 9 && text.ends_with("px")) {
        int whole = 0;
        size_t i = 0;
        for (; i + 2 < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) whole = whole * 10 + (text[i] - '0');
        if (i + 2 == text.size()) return RoundToInt(whole, MaxPixelLength);
    }
    double n;
    std::string unit;
    if (!SplitLength(text, n, unit)) return defaultValue;
    const double ppi = PPI();
    double px;
    // Compared as views: the lengths first, and no call to measure the words.
    const std::string_view u = unit;
    if (u == "in") px = n * ppi;
    else if (u == "cm") px = n * ppi / 2.54;
    else if (u == "mm") px = n * ppi / 25.4;
    else if (u == "pt") px = n * ppi / 72;
    else if (u == "px") px = n;
    else if (u == "pc") px = n * ppi / 6;
    else if (u == "em") px = n * emSize;
    else if (u == "ex") px = n * exSize;
    else if (u == "%") px = n * base / 100;
    else if (u.empty()) px = relative ? n * base : n;
    else return defaultValue;
    return RoundToInt(px, MaxPixelLength);
}

double FontSizeConv(std::string_view text, double parentSize) {
    const std::string s = LowerCase(Trim(text));
    const double def = DefPointSize;
    struct Keyword {
        std::string_view Word;
        double Size;
    };
    const Keyword keywords[] = {
        {"smaller", parentSize * 0.75}, {"larger", parentSize * 1.25}, {"xx-small", def / 1.5},
        {"x-small", def / 1.2},         {"small", def},                {"medium", def * 1.2},
        {"large", def * 1.5},           {"x-large", def * 2},          {"xx-large", def * 3},
    };
    for (const Keyword& k : keywords)
        if (s == k.Word) return ClampPoints(k.Size);
    double n;
    std::string unit;
    if (!SplitLength(s, n, unit)) return ClampPoints(def);
    const double ppi = PPI();
    double pt;
    const std::string_view u = unit;
    if (u == "in") pt = n * 72;
    else if (u == "cm") pt = n * 72 / 2.54;
    else if (u == "mm") pt = n * 72 / 25.4;
    else if (u == "pt") pt = n;
    else if (u == "px") pt = n * 72 / ppi;
    else if (u == "pc") pt = n * 12;
    else if (u == "em") pt = parentSize * n;
    else if (u == "ex") pt = parentSize * n / 2;
    else if (u == "%") pt = parentSize * n / 100;
    else if (u.empty()) pt = n * 72 / ppi;
    else pt = def;
    return ClampPoints(pt);
}

AlignmentType AlignmentFromString(std::string_view text) {
    const std::string s = LowerCase(text);
    if (s == "top") return ATop;
    if (s == "middle" || s == "absmiddle" || s == "center") return AMiddle;
    if (s == "left") return ALeft;
    if (s == "right") return ARight;
    if (s == "bottom") return ABottom;
    if (s == "baseline") return ABaseline;
    if (s == "justify") return AJustify;
    return ANone;
}

std::string ReadURL(const TPropValue& value) {
    if (!IsString(value)) return {};
    return ReadURL(std::string_view(PropString(value)));
}

std::string ReadFontName(std::string_view families) {
    size_t i = 0;
    while (i <= families.size()) {
        size_t comma = families.find(',', i);
        if (comma == std::string_view::npos) comma = families.size();
        std::string name = Trim(families.substr(i, comma - i));
        i = comma + 1;
        const std::string lower = LowerCase(name);
        if (lower == "serif") name = "Times New Roman";
        else if (lower == "monospace") name = "Courier New";
        else if (lower == "sans-serif") name = "Arial";
        else if (lower == "cursive") name = "Lucida Handwriting";
        if (!name.empty() && (name.back() == '"' || name.back() == '\'')) name.pop_back();
        if (!name.empty() && (name.front() == '"' || name.front() == '\'')) name.erase(0, 1);
        if (name.empty()) continue;
        std::string face = FontServices().InstalledFace(name);
        if (!face.empty()) return face;
    }
    return {};
}

// ---------------------------------------------------------------------------
// Margins

template <class Slots>
void ConvVertMargins(const Slots& v, int width, int emSize, int exSize, TMarginArray& m, bool& topAuto,
                     bool& bottomAuto) {
    topAuto = bottomAuto = false;
    for (PropIndices side : {MarginTop, MarginBottom}) {
        const TPropValue& value = v[side];
        int result = 0;
        if (IsString(value)) {
            result = LengthConv(PropString(value), false, width, emSize, exSize, 0);
        } else if (IsInt(value)) {
            const int n = std::get<int>(value);
            if (n == AutoParaValue) {
                result = 14;
                (side == MarginTop ? topAuto : bottomAuto) = true;
            } else if (n != NotSetValue) {
                result = n;
            }
        }
        m[side] = result;
    }
}

template <class Slots>
void ConvMargArray(const Slots& v, int width, int height, int emSize, int exSize, BorderStyleType,
                   int& autoCount, TMarginArray& m) {
    autoCount = 0;
    auto length = [&](const TPropValue& value, int base, int def) {
        return LengthConv(PropString(value), false, base, emSize, exSize, def);
    };
    // A slot's integer, with NotSetValue replaced.
    auto integer = [](const TPropValue& value, int notSet) {
        const int n = std::get<int>(value);
        return n == NotSetValue ? notSet : n;
    };
    for (PropIndices p : {BackgroundColor, BorderColor}) m[p] = IsInt(v[p]) ? std::get<int>(v[p]) : 0x1FFFFFFF;
    bool topAuto, bottomAuto;
    ConvVertMargins(v, width, emSize, exSize, m, topAuto, bottomAuto);
    for (PropIndices p : {MarginLeft, MarginRight}) {
        if (IsString(v[p])) {
            if (LowerCase(Trim(PropString(v[p]))) == "auto") {
                m[p] = AutoValue;
                ++autoCount;
            } else {
                m[p] = length(v[p], width, 0);
            }
        } else {
            m[p] = IsInt(v[p]) ? integer(v[p], 0) : 0;
        }
    }
    for (PropIndices p : {PaddingTop, PaddingRight, PaddingBottom, PaddingLeft})
        m[p] = IsString(v[p]) ? length(v[p], width, 0) : IsInt(v[p]) ? integer(v[p], 0) : 0;
    const PropIndices widths[4] = {BorderTopWidth, BorderRightWidth, BorderBottomWidth, BorderLeftWidth};
    const PropIndices styles[4] = {BorderTopStyle, BorderRightStyle, BorderBottomStyle, BorderLeftStyle};
    for (int side = 0; side < 4; ++side) {
        const TPropValue& value = v[widths[side]];
        const TPropValue& style = v[styles[side]];
        const bool none = IsInt(style) ? std::get<int>(style) == bssNone : BorderStyleOf(style) == bssNone;
        int& out = m[widths[side]];
        if (IsString(value)) {
            const std::string s = LowerCase(Trim(PropString(value)));
            out = none ? 0 : s == "thin" ? 2 : s == "medium" ? 4 : s == "thick" ? 6 : length(value, width, 4);
        } else if (IsInt(value)) {
            out = none ? 0 : integer(value, 4);
        }
    }
    for (PropIndices p : {BorderTopColor, BorderRightColor, BorderBottomColor, BorderLeftColor, BorderTopStyle,
                          BorderRightStyle, BorderBottomStyle, BorderLeftStyle})
        m[p] = IsString(v[p]) ? length(v[p], width, 0) : IsInt(v[p]) ? integer(v[p], 0) : 0;
    if (IsString(v[Height])) {
        m[Height] = length(v[Height], height, 0);
        if (PropString(v[Height]).find('%') != std::string::npos)
            m[Height] -= m[BorderTopWidth] + m[BorderBottomWidth] + m[PaddingTop] + m[PaddingBottom];
    } else {
        m[Height] = IsInt(v[Height]) ? integer(v[Height], 0) : 0;
    }
    m[Width] = IsString(v[Width]) ? length(v[Width], width, AutoValue)
               : IsInt(v[Width])  ? integer(v[Width], AutoValue)
                                  : AutoValue;
    if (m[Width] == AutoValue) ++autoCount;
    for (PropIndices p : {TopPos, LeftPos})
        m[p] = IsString(v[p]) ? length(v[p], width, AutoValue) : IsInt(v[p]) ? integer(v[p], AutoValue) : AutoValue;
}

template void ConvVertMargins(const TVMarginArray&, int, int, int, TMarginArray&, bool&, bool&);
template void ConvMargArray(const TVMarginArray&, int, int, int, int, BorderStyleType, int&, TMarginArray&);

namespace {

// A box's slots as read at every layout: where its margins are is found
// once, not at each slot read.
struct TBoxSlotsView {
    explicit TBoxSlotsView(const TBoxSlots& v) : Slots(&v.Shared()) {
        int own;
        Top = v.OwnMargin(MarginTop, own) ? &(OwnTop = own) : &(*Slots)[MarginTop];
        Bottom = v.OwnMargin(MarginBottom, own) ? &(OwnBottom = own) : &(*Slots)[MarginBottom];
    }
    TBoxSlotsView(const TBoxSlotsView&) = delete;
    const TPropValue& operator[](PropIndices p) const {
        return p == MarginTop ? *Top : p == MarginBottom ? *Bottom : (*Slots)[p];
    }
    const TVMarginArray* Slots;
    TPropValue OwnTop, OwnBottom;
    const TPropValue* Top;
    const TPropValue* Bottom;
};

}  // namespace

void ConvVertMargins(const TBoxSlots& v, int width, int emSize, int exSize, TMarginArray& m, bool& topAuto,
                     bool& bottomAuto) {
    ConvVertMargins(TBoxSlotsView(v), width, emSize, exSize, m, topAuto, bottomAuto);
}

void ConvMargArray(const TBoxSlots& v, int width, int height, int emSize, int exSize, BorderStyleType border,
                   int& autoCount, TMarginArray& m) {
    // The vertical margins are the only values the box's own slots change.
    ConvMargArray(v.Shared(), width, height, emSize, exSize, border, autoCount, m);
    if (v.OwnsMargins()) {
        bool topAuto, bottomAuto;
        ConvVertMargins(v, width, emSize, exSize, m, topAuto, bottomAuto);
    }
}

TBoxSlots::TBoxSlots() {
    static const auto unassigned = TLocalShared<TVMarginArray>::Make();
    FSlots = unassigned;
}

TBoxSlots::TBoxSlots(TLocalShared<TVMarginArray> slots) : FSlots(std::move(slots)) {}

void TBoxSlots::Set(PropIndices p, TPropValue value) {
    const bool margin = p == MarginTop || p == MarginBottom;
    int& own = p == MarginTop ? FTop : FBottom;
    if (margin && IsInt(value) && std::get<int>(value) != kShared) {
        own = std::get<int>(value);
        return;
    }
    if (margin) own = kShared;
    if (FSlots.use_count() > 1) FSlots = TLocalShared<TVMarginArray>::Make(*FSlots);
    (*FSlots)[p] = std::move(value);
}

void ConvMargArrayForCellPadding(const TVMarginArray& v, int emSize, int exSize, TMarginArray& m) {
    for (PropIndices p : {PaddingTop, PaddingRight, PaddingBottom, PaddingLeft}) {
        const TPropValue& value = v[p];
        if (IsString(value)) {
            m[p] = LengthConv(PropString(value), false, -100, emSize, exSize, 0);
        } else if (IsInt(value)) {
            const int n = std::get<int>(value);
            m[p] = n == NotSetValue ? -1 : n;
        } else {
            m[p] = -1;
        }
    }
}

void ConvInlineMargArray(const TVMarginArray& v, int width, int height, int emSize, int exSize, TMarginArray& m) {
    auto convert = [&](PropIndices p, int base, int def) {
        const TPropValue& value = v[p];
        if (IsString(value)) m[p] = LengthConv(PropString(value), false, base, emSize, exSize, def);
        else if (IsInt(value) && std::get<int>(value) != NotSetValue) m[p] = std::get<int>(value);
        else m[p] = NotSetValue;
    };
    for (PropIndices p : {MarginTop, MarginRight, MarginBottom, MarginLeft}) convert(p, width, 0);
    convert(Width, width, AutoValue);
    convert(Height, height, AutoValue);
}

// ---------------------------------------------------------------------------
// Fonts and the stack

void ThtFontInfo::Assign(const ThtFontInfo& other) {
    FaceName = other.FaceName;
    PointSize = other.PointSize;
    Style = other.Style;
    TextColor = other.TextColor;
    BackColor = other.BackColor;
    Charset = other.Charset;
    ExtraSpace = other.ExtraSpace;
}

void TFontInfoArray::Assign(const TFontInfoArray& other) {
    for (size_t i = 0; i < Fonts.size(); ++i) Fonts[i].Assign(other.Fonts[i]);
}

int TPropStack::IndexOf(const TProperties* props) const {
    for (int i = Count() - 1; i >= 0; --i)
        if (GetProp(i) == props) return i;
    return -1;
}

// ---------------------------------------------------------------------------
// TProperties

const TLocalShared<TProperties::TSlots>& TProperties::DefaultSlots() {
    static const TLocalShared<TSlots> slots = [] {
        auto made = TLocalShared<TSlots>::Make();
        for (int i = FirstMarginSlot; i <= LastMarginSlot; ++i) made->Values[static_cast<size_t>(i)] = NotSetValue;
        made->Values[Idx(ZIndex)] = 0;
        return made;
    }();
    return slots;
}

TProperties::TSlots& TProperties::Own() {
    if (FSlots.use_count() != 1) {
        FSlots = TLocalShared<TSlots>::Make(*FSlots);
    } else {
        FSlots->Margins.reset();
        FSlots->BoxMargins.reset();
        FSlots->VertAlign = -1;
    }
    return *FSlots;
}

void TProperties::SetValue(PropIndices index, TPropValue value) {
    Own().Values[static_cast<size_t>(Idx(index))] = std::move(value);
}

void TProperties::SetSetHere(PropIndices index, bool here) { Own().SetHere[static_cast<size_t>(Idx(index))] = here; }

const TLocalShared<TProperties::TSelectors>& TProperties::NoSelectors() {
    static const TLocalShared<TSelectors> none = TLocalShared<TSelectors>::Make();
    return none;
}

TProperties::TSelectors& TProperties::EditSel() {
    if (FSel.use_count() != 1) FSel = TLocalShared<TSelectors>::Make(*FSel);
    return *FSel;
}

TProperties::TProperties()
    : FontBackground(0x1FFFFFFF), SerialNo(NextSerialNo++), FSlots(DefaultSlots()), FSel(NoSelectors()) {}

TProperties::~TProperties() { TObject::Free(CachedFont); }

TFontInfoArray& TProperties::EditLinkFonts() {
    if (!FLinkFonts) FLinkFonts = TLinkFonts::Make();
    else if (FLinkFonts.use_count() != 1) {
        auto own = TLinkFonts::Make();
        own->Assign(*FLinkFonts);
        FLinkFonts = std::move(own);
    }
    return *FLinkFonts;
}

void TProperties::DropCachedFont() {
    TObject::Free(CachedFont);
    CachedFont = nullptr;
    FResolvedFont = nullptr;
    FStateKey = 0;
    FResolvedHint.reset();
}

void AssignResolvedFont(TResolvedFont& to, const TResolvedFont& from) {
    to.Info.Assign(from.Info);
    to.Height = from.Height;
    to.Charset = from.Charset;
    to.Metrics = from.Metrics;
    to.ExtraSpace = from.ExtraSpace;
    to.RunDesc = from.RunDesc;
    to.HaveRunDesc = from.HaveRunDesc;
    to.RunFontSerial = from.RunFontSerial;
    to.RunFontId = from.RunFontId;
}

void TProperties::CopyState(const TProperties& source) {
    DropCachedFont();
    FSlots = source.FSlots;
    HasLinkFonts = source.HasLinkFonts;
    FSel = source.FSel;
    InlineProps = source.InlineProps;
    FontBackground = source.FontBackground;
    FontCharset = source.FontCharset;
    FontCodePage = source.FontCodePage;
    EmPixels = source.EmPixels;
    ExPixels = source.ExPixels;
    FLinkFonts = source.FLinkFonts;
    if (source.FResolvedFont == &source.FResolved) {
        AssignResolvedFont(FResolved, source.FResolved);
        FResolvedFont = &FResolved;
    } else if (source.FResolvedFont) {
        // Taken from a hint: this set shares the hint and its font.
        FResolvedHint = source.FResolvedHint;
        FResolvedFont = source.FResolvedFont;
    }
}

void TProperties::SetResolvedHint(std::shared_ptr<const TResolvedState> hint) {
    // A set already resolved has no use for a hint, and may be reading the
    // font of the one it has.
    if (!FResolvedFont) FResolvedHint = std::move(hint);
}

void TProperties::Copy(const TProperties& source) {
    Own().Values = source.Values();
    DropCachedFont();
}

void TProperties::CopyDefault(const TProperties& source) {
    Copy(source);
    AssignCharSet(source.FontCharset);
    EditSel().Tag = "default";
}

void TProperties::Inherit(const TProperties& parent) {
    // The slots are made afresh, each written once: a copy of the present
    // ones would mostly be overwritten.
    auto made = TLocalShared<TSlots>::Make();
    made->SetHere = FSlots->SetHere;
    auto& values = made->Values;
    const auto& own = FSlots->Values;
    const auto& from = parent.Values();
    if (std::string_view(parent.Sel().Tag) == "span") {  // a view compares in place
        for (int i = 0; i < PropCount; ++i) {
            const auto at = static_cast<size_t>(i);
            values[at] = i != Idx(BorderStyle) ? from[at] : own[at];
        }
    } else {
        enum class TFrom : uint8_t { Parent, Own, NotSet };
        static const auto kFrom = [] {
            std::array<TFrom, PropCount> from{};
            for (int i = FirstMarginSlot; i <= LastMarginSlot; ++i) from[static_cast<size_t>(i)] = TFrom::NotSet;
            for (PropIndices p : {BorderStyle, BackgroundColor, BorderColor, BackgroundImage, BackgroundPosition,
                                  BackgroundRepeat, BackgroundAttachment, Position, Float, Clear, PageBreakBefore,
                                  PageBreakAfter, PageBreakInside, Display})
                from[static_cast<size_t>(Idx(p))] = TFrom::Own;
            return from;
        }();
        for (size_t at = 0; at < PropCount; ++at) {
            switch (kFrom[at]) {
            case TFrom::Parent: values[at] = from[at]; break;
            case TFrom::Own: values[at] = own[at]; break;
            case TFrom::NotSet: values[at] = NotSetValue; break;
            }
        }
    }
    FSlots = std::move(made);
    FontBackground = parent.FontBackground;
    FontCharset = parent.FontCharset;
    FontCodePage = parent.FontCodePage;
    if (FSel->Title != parent.Sel().Title) EditSel().Title = parent.Sel().Title;
    HasLinkFonts = parent.HasLinkFonts;
    if (parent.FLinkFonts) FLinkFonts = parent.FLinkFonts;
    EmPixels = parent.EmPixels;
    ExPixels = EmPixels / 2;
    DropCachedFont();
}

void TProperties::Update(const TProperties& source, TStyleList* styles, int stackIndex) {
    TSlots& own = Own();
    for (size_t i = 0; i < own.Values.size(); ++i)
        if (!own.SetHere[i]) own.Values[i] = source.Values()[i];
    DropCachedFont();
    if (!FLinkFonts) return;
    if (source.FLinkFonts) {
        FLinkFonts = source.FLinkFonts;
    } else if (Sel().Tag != "link" && Sel().Pseudo != "link") {  // an element's "link" is its pseudo-class
        FLinkFonts.reset();
        HasLinkFonts = false;
    } else {
        CalcLinkFontInfo(styles, stackIndex);
    }
}

void TProperties::Assign(const TPropValue& value, PropIndices index) {
    const size_t i = static_cast<size_t>(Idx(index));
    if (FSlots->SetHere[i]) return;
    TSlots& own = Own();
    own.Values[i] = value;
    own.SetHere[i] = true;
    DropCachedFont();
    if (!HasLinkFonts || !FLinkFonts) return;
    for (ThtFontInfo& font : EditLinkFonts().Fonts) {
        if (index == FontFamily && IsString(value)) font.FaceName = ReadFontName(PropString(value));
        else if (index == FontSize) font.PointSize = PropNumber(value, font.PointSize);
        else if (index == Color && IsInt(value)) font.TextColor = std::get<int>(value);
    }
}

void TProperties::AddPropertyByName(const std::string& property, const std::string& value) {
    PropIndices index;
    if (FindPropIndex(property, index)) AddPropertyByIndex(index, value);
}

void StoreProperty(PropIndices index, const std::string& value,
                   const std::function<void(PropIndices, TPropValue)>& set) {
    int32_t color;
    switch (index) {
    case BorderStyle:
        for (PropIndices p : {BorderStyle, BorderTopStyle, BorderRightStyle, BorderBottomStyle, BorderLeftStyle})
            set(p, value);
        break;
    case Color:
        break;
    case BackgroundColor:
        set(BackgroundColor, ColorFromString(value, false, color) ? color : 0x1FFFFFFF);
        break;
    case BorderColor:
        if (ColorFromString(value, false, color))
            for (PropIndices p : {BorderColor, BorderTopColor, BorderRightColor, BorderBottomColor, BorderLeftColor})
                set(p, color);
        break;
    case BorderTopColor:
    case BorderRightColor:
    case BorderBottomColor:
    case BorderLeftColor:
        if (ColorFromString(value, false, color)) set(index, color);
        break;
    case BorderTopStyle:
    case BorderRightStyle:
    case BorderBottomStyle:
    case BorderLeftStyle:
        if (value != "none") set(BorderStyle, value);
        set(index, value);
        break;
    case Visibility:
        if (value == "visible") set(Visibility, 2);
        else if (value == "hidden") set(Visibility, 1);
        break;
    case TextTransform:
        set(TextTransform, value == "uppercase" ? 1 : value == "lowercase" ? 2 : 0);
        break;
    case FontVariant:
        if (value == "small-caps" || value == "normal") set(FontVariant, value);
        break;
    default:
        set(index, value);
    }
}

void TProperties::AddPropertyByIndex(PropIndices index, const std::string& value) {
    auto set = [this](PropIndices p, TPropValue v) { SetValue(p, std::move(v)); };
    if (index == Color) {
        int32_t color;
        set(Color, ColorFromString(value, false, color) ? color : 0);
    } else {
        StoreProperty(index, value, set);
    }
    DropCachedFont();
}

void TProperties::SetLinkFontsCharset(uint8_t charset) {
    if (FLinkFonts)
        for (ThtFontInfo& font : EditLinkFonts().Fonts) font.Charset = charset;
}

void TProperties::AssignCharSet(uint8_t charset) {
    DropCachedFont();
    if (charset == 31) {
        FontCharset = 238;
        FontCodePage = 28592;
        SetLinkFontsCharset(238);
        return;
    }
    if (charset == DefaultCharset) {
        // The default charset stands for the system's, which would make the
        // text's code page depend on the machine: 8-bit text is code page 1251.
        FontCharset = DefaultCharset;
        FontCodePage = 1251;
        SetLinkFontsCharset(FontCharset);
        return;
    }
    const uint8_t reported = FontServices().Metrics("Arial", -12, 0, charset).Charset;
    FontCharset = reported;
    SetLinkFontsCharset(FontCharset);
    for (const CharsetCodePage& entry : kCharsetCodePages)
        if (entry.Charset == reported) FontCodePage = entry.CodePage;
}

void TProperties::AssignUTF8() {
    FontCodePage = 65001;
    FontCharset = 0;
    DropCachedFont();
}

// ---------------------------------------------------------------------------
// The cascade

void TProperties::Merge(const TProperties& rule) {
    for (size_t i = 0; i < rule.Values().size(); ++i) {
        const TPropValue& value = rule.Values()[i];
        if (!IsAssigned(value)) continue;
        if (InMarginSlots(static_cast<int>(i)) && IsInt(value) && std::get<int>(value) == NotSetValue) continue;
        TSlots& own = Own();
        own.Values[i] = value;
        own.SetHere[i] = true;
        if (!HasLinkFonts || !FLinkFonts) continue;
        const std::string_view s = PropString(value);
        for (ThtFontInfo& font : EditLinkFonts().Fonts) {
            switch (static_cast<PropIndices>(i)) {
            case FontFamily:
                if (IsString(value)) font.FaceName = ReadFontName(s);
                break;
            case FontSize:
                font.PointSize = IsString(value) ? FontSizeConv(s, font.PointSize > 0 ? font.PointSize : DefPointSize)
                                                 : PropNumber(value, font.PointSize);
                break;
            case FontStyle:
                if (s == "italic" || s == "oblique") font.Style |= htItalic;
                else if (s == "normal") font.Style &= ~htItalic;
                break;
            case FontWeight:
                if (IsBold(s)) font.Style |= htBold;
                else if (s == "normal") font.Style &= ~htBold;
                break;
            case TextDecoration:
                if (s == "underline") font.Style = (font.Style & ~htStrikeOut) | htUnderline;
                else if (s == "line-through") font.Style = (font.Style & ~htUnderline) | htStrikeOut;
                else if (s == "none") font.Style &= ~(htUnderline | htStrikeOut);
                break;
            case LetterSpacing: font.ExtraSpace = value; break;
            case Color: font.TextColor = PropInt(value, font.TextColor); break;
            case BackgroundColor: font.BackColor = PropInt(value, font.BackColor); break;
            default: break;
            }
        }
    }
    DropCachedFont();
}

void TProperties::MergeKey(TStyleList* styles, const std::string& key) {
    styles->VisitFrom(key, [&](const std::string& entryKey, TProperties* rule) {
        if (CompareText(entryKey, key) != 0) return false;
        Merge(*rule);
        return true;
    });
}

// Rules whose keys start with `start` and have more than one level: the first
// level must match this element, the others open elements below it.
void TProperties::MergeDescendants(TStyleList* styles, const std::string& start, int selfIndex) {
    const char kind = start[0] == '.' ? '.' : start[0] == ':' ? ':' : 't';
    styles->VisitFrom(start, [&](const std::string& key, TProperties* rule) {
        if (!StartsWithNoCase(key, start)) return false;
        const std::vector<SelectorLevel> levels = ParseKeyLevels(key);
        if (levels.empty()) return false;
        const SelectorLevel& first = levels[0];
        const bool sameFirst = kind == '.' ? first.Class == LowerCase(Sel().Class)
                               : kind == ':' ? first.Pseudo == LowerCase(Sel().Pseudo)
                                             : first.Tag == LowerCase(Sel().Tag);
        if (!sameFirst) return false;
        if (levels.size() < 2 || !LevelMatches(first, Sel().Tag, Sel().Class, Sel().ID, Sel().Pseudo)) return true;
        size_t level = 1;
        for (int s = selfIndex - 1; s >= 1 && level < levels.size(); --s) {
            const TProperties* open = PropStack.GetProp(s);
            const TSelectors& sel = open->Sel();
            if (LevelMatches(levels[level], sel.Tag, sel.Class, sel.ID, sel.Pseudo)) ++level;
        }
        if (level == levels.size()) Merge(*rule);
        return true;
    });
}

void TProperties::Combine(TStyleList* styles, const std::string& tag, const std::string& cls, const std::string& id,
                          const std::string& pseudo, const std::string& title, TProperties* inlineProps) {
    double parentSize = PropNumber(Value(FontSize), 0);
    if (parentSize == 0) parentSize = DefPointSize;
    // Descendant matching reads the selectors of this element too. Made
    // before the present ones go: the texts may be theirs.
    FSel = TLocalShared<TSelectors>::Make(TSelectors{tag, cls, id, pseudo, title.empty() ? FSel->Title : title});
    if (styles) {
        const std::string_view pseudoWord = pseudo;
        const bool hoverOrVisited = pseudoWord == "hover" || pseudoWord == "visited";
        const bool p = !pseudo.empty(), c = !cls.empty();
        auto merge = [&](const std::string& key) { MergeKey(styles, key); };
        if (std::string_view(tag) == "a" && p) merge("::" + pseudo);
        if (!hoverOrVisited) merge(tag);
        if (p) merge(":" + pseudo);
        if (c && !hoverOrVisited) {
            merge("." + cls);
            merge(tag + "." + cls);
        }
        if (p) {
            merge(tag + ":" + pseudo);
            if (c) {
                merge("." + cls + ":" + pseudo);
                merge(tag + "." + cls + ":" + pseudo);
            }
        }
        if (!id.empty()) {
            merge("#" + id);
            merge(tag + "#" + id);
            if (c) merge("." + cls + "#" + id);
            if (p) {
                merge("#" + id + ":" + pseudo);
                merge(tag + "#" + id + ":" + pseudo);
            }
            if (c) {
                merge(tag + "." + cls + "#" + id);
                if (p) {
                    merge("." + cls + "#" + id + ":" + pseudo);
                    merge(tag + "." + cls + "#" + id + ":" + pseudo);
                }
            }
        }
        int self = PropStack.IndexOf(this);
        if (self < 0) self = PropStack.Count();
        if (!tag.empty()) MergeDescendants(styles, tag, self);
        if (c) MergeDescendants(styles, "." + cls, self);
        if (p) MergeDescendants(styles, ":" + pseudo, self);
    }
    if (inlineProps) Merge(*inlineProps);
    TPropValue& size = Own().Values[Idx(FontSize)];
    if (IsString(size)) size = FontSizeConv(PropString(size), parentSize);
    else if (auto d = std::get_if<double>(&size)) *d = ClampPoints(*d);
    InlineProps = inlineProps;
    if (std::string_view(pseudo) == "link") {
        if (!FLinkFonts) FLinkFonts = TLinkFonts::Make();
        HasLinkFonts = true;
        CalcLinkFontInfo(styles, PropStack.IndexOf(this));
    }
    DropCachedFont();
}

void TProperties::CalcLinkFontInfo(TStyleList* styles, int stackIndex) {
    // A set that is not on the stack (a style-sheet entry, a test) stands for
    // itself, with the scratch sets going on top of the stack.
    const bool onStack = stackIndex >= 0 && stackIndex < PropStack.Count();
    TProperties* base = onStack ? PropStack.GetProp(stackIndex) : this;
    FStateKey = 0;
    base->SetFontBG();
    // Written through EditLinkFonts each time: the scratch sets below share
    // these fonts while they last.
    base->GetSingleFontInfo(EditLinkFonts().Fonts[LFont]);
    const int above = onStack ? stackIndex + 1 : PropStack.Count();
    auto scratch = [&](int at, const TProperties& parent, const char* pseudo) {
        auto* props = new TProperties;
        PropStack.Insert(at, props);
        props->Inherit(parent);
        props->HasLinkFonts = false;
        props->Combine(styles, Sel().Tag, Sel().Class, Sel().ID, pseudo, "", nullptr);
        return props;
    };
    TProperties* visited = scratch(above, *base, "visited");
    visited->GetSingleFontInfo(EditLinkFonts().Fonts[VFont]);
    TProperties* hoverVisited = scratch(above + 1, *visited, "hover");
    hoverVisited->GetSingleFontInfo(EditLinkFonts().Fonts[HVFont]);
    PropStack.Delete(above + 1);
    PropStack.Delete(above);
    TProperties* hover = scratch(above, *base, "hover");
    hover->GetSingleFontInfo(EditLinkFonts().Fonts[HLFont]);
    PropStack.Delete(above);
}

// ---------------------------------------------------------------------------
// Getters

TColor TProperties::GetBackgroundColor() const {
    const TPropValue& v = Value(BackgroundColor);
    return IsInt(v) && IsSetHere(BackgroundColor) ? std::get<int>(v) : 0x1FFFFFFF;
}

TColor TProperties::GetOriginalForegroundColor() const {
    const TPropValue& v = Value(Color);
    return IsInt(v) && IsSetHere(Color) ? std::get<int>(v) : 0x1FFFFFFF;
}

void TProperties::SetFontBG() {
    const TPropValue& v = Value(BackgroundColor);
    if (IsInt(v) && IsSetHere(BackgroundColor)) {
        FontBackground = std::get<int>(v);
        FStateKey = 0;
    }
}

BorderStyleType TProperties::GetBorderStyle() const { return BorderStyleOf(Value(BorderStyle)); }

bool TProperties::BorderStyleNotBlank() const { return IsString(Value(BorderStyle)); }

bool TProperties::GetBackgroundImage(std::string& name) const {
    const TPropValue& v = Value(BackgroundImage);
    if (!IsString(v)) return false;
    if (PropString(v) == "none") {
        name.clear();
        return true;
    }
    name = ReadURL(v);
    return !name.empty();
}

std::string TProperties::GetListStyleImage() const { return ReadURL(Value(ListStyleImage)); }

ListBulletType TProperties::GetListStyleType() const {
    static const char* const kWords[] = {"blank", "circle", "decimal", "disc", "lower-alpha",
                                         "lower-roman", "none", "square", "upper-alpha", "upper-roman"};
    const std::string_view s = PropString(Value(ListStyleType));
    for (int i = 0; i < 10; ++i)
        if (s == kWords[i]) return static_cast<ListBulletType>(i);
    return lbBlank;
}

bool TProperties::GetVertAlign(AlignmentType& align) const {
    if (FSlots->VertAlign < 0) {
        const std::string_view s = PropString(Value(VerticalAlign));
        AlignmentType read = ANone;
        if (s == "top" || s == "text-top") read = ATop;
        else if (s == "middle") read = AMiddle;
        else if (s == "baseline") read = ABaseline;
        else if (s == "bottom") read = ABottom;
        else if (s == "sub") read = ASub;
        else if (s == "super") read = ASuper;
        FSlots->VertAlign = static_cast<int8_t>(read == ANone ? 0 : read + 1);
    }
    if (FSlots->VertAlign == 0) return false;
    align = static_cast<AlignmentType>(FSlots->VertAlign - 1);
    return true;
}

bool TProperties::GetFloat(AlignmentType& align) const {
    const std::string_view s = PropString(Value(Float));
    if (s == "left") align = ALeft;
    else if (s == "right") align = ARight;
    else if (s == "none") align = ANone;
    else return false;
    return true;
}

bool TProperties::GetClear(ClearAttrType& clear) const {
    const std::string_view s = PropString(Value(Clear));
    if (s == "left") clear = clLeft;
    else if (s == "right") clear = clRight;
    else if (s == "both") clear = clAll;
    else if (s == "none") clear = clrNone;
    else return false;
    return true;
}

PositionType TProperties::GetPosition() const {
    const std::string_view s = PropString(Value(Position));
    return s == "absolute" ? posAbsolute : s == "relative" ? posRelative : posStatic;
}

VisibilityType TProperties::GetVisibility() const { return PropInt(Value(Visibility), 0) == 1 ? viHidden : viVisible; }

int TProperties::GetZIndex() const {
    const TPropValue& v = Value(ZIndex);
    if (IsString(v)) return StrToIntDef(PropString(v), 0);
    return PropInt(v, 0);
}

bool TProperties::DisplayNone() const { return PropString(Value(Display)) == "none"; }

TextTransformType TProperties::GetTextTransform() const {
    const int n = PropInt(Value(TextTransform), 0);
    return n >= txNone && n <= txCaps ? static_cast<TextTransformType>(n) : txNone;
}

std::string_view TProperties::GetFontVariant() const {
    const TPropValue& v = Value(FontVariant);
    return IsString(v) ? std::string_view(PropString(v)) : std::string_view("normal");
}

void TProperties::GetPageBreaks(bool& before, bool& after, bool& keepTogether) const {
    before = PropString(Value(PageBreakBefore)) == "always";
    after = PropString(Value(PageBreakAfter)) == "always";
    keepTogether = PropString(Value(PageBreakInside)) == "avoid";
}

int TProperties::GetLineHeight(int normalHeight) const {
    const TPropValue& v = Value(LineHeight);
    if (!IsString(v)) return -1;
    double n;
    if (TextToNumber(Trim(PropString(v)), n)) return RoundToInt(normalHeight * n, MaxPixelLength);
    return LengthConv(PropString(v), true, EmPixels, EmPixels, ExPixels, 0);
}

int TProperties::GetTextIndent(bool& percent) const {
    const TPropValue& v = Value(TextIndent);
    percent = false;
    if (!IsString(v)) return 0;
    const std::string_view s = PropString(v);
    if (s.find('%') != std::string::npos) {
        percent = true;
        double n;
        std::string unit;
        return SplitLength(s, n, unit) ? RoundToInt(n, MaxPixelLength) : 0;
    }
    return LengthConv(s, false, 0, EmPixels, EmPixels, 0);
}

void TProperties::GetBackgroundPos(int emPixels, int exPixels, PositionRec& pos) const {
    pos = PositionRec{};
    const TPropValue& v = Value(BackgroundPosition);
    if (IsString(v)) {
        const std::string s = Trim(PropString(v));
        const size_t blank = s.find(' ');
        std::string words[2] = {s.substr(0, blank), blank == std::string::npos ? "" : Trim(s.substr(blank + 1))};
        const int count = words[1].empty() ? 1 : 2;
        auto dim = [&](PositionEntry& e, const std::string& w) {
            e.Kind = w.find('%') != std::string::npos ? PPercent : pDim;
            e.Amount = LengthConv(w, false, 100, emPixels, exPixels, 0);
        };
        bool horizontalSet = false, verticalSet = false;
        for (int k = 0; k < count; ++k) {
            const std::string& w = words[k];
            PositionEntry& target = k == 0 ? pos[0] : pos[1];
            if (w == "center") {
                target.Kind = pCenter;
                (k == 0 ? horizontalSet : verticalSet) = true;
            } else if (w == "left" || w == "right") {
                if (k == 1) pos[1] = pos[0];
                pos[0].Kind = w == "left" ? pLeft : pRight;
                horizontalSet = true;
            } else if (w == "top" || w == "bottom") {
                pos[1].Kind = w == "top" ? pTop : pBottom;
                verticalSet = true;
                if (k == 0 && count == 2) {
                    dim(pos[0], words[1]);
                    const std::string& next = words[1];
                    if (next == "left") pos[0].Kind = pLeft;
                    else if (next == "right") pos[0].Kind = pRight;
                    else if (next == "center") pos[0].Kind = pCenter;
                    horizontalSet = true;
                    break;
                }
            } else {
                dim(target, w);
                (k == 0 ? horizontalSet : verticalSet) = true;
            }
        }
        if (count == 1) {
            if (horizontalSet && !verticalSet) pos[1].Kind = pCenter;
            if (verticalSet && !horizontalSet) pos[0].Kind = pCenter;
        }
    }
    const std::string_view repeat = PropString(Value(BackgroundRepeat));
    pos[0].Tiles = pos[1].Tiles = true;
    if (repeat == "no-repeat") pos[0].Tiles = pos[1].Tiles = false;
    else if (repeat == "repeat-x") pos[1].Tiles = false;
    else if (repeat == "repeat-y") pos[0].Tiles = false;
    pos[0].Attached = pos[1].Attached = PropString(Value(BackgroundAttachment)) == "fixed";
}

void TProperties::GetSingleFontInfo(ThtFontInfo& info) const {
    info.Style = 0;
    info.BackColor = FontBackground;
    info.TextColor = PropInt(Value(Color), 0);
    if (IsBold(PropString(Value(FontWeight)))) info.Style |= htBold;
    const std::string_view style = PropString(Value(FontStyle));
    if (style == "italic" || style == "oblique") info.Style |= htItalic;
    const std::string_view decoration = PropString(Value(TextDecoration));
    if (decoration == "underline") info.Style |= htUnderline;
    else if (decoration == "line-through") info.Style |= htStrikeOut;
    const TPropValue& size = Value(FontSize);
    info.PointSize = IsString(size) ? FontSizeConv(PropString(size), DefPointSize) : ClampPoints(PropNumber(size, DefPointSize));
    info.Charset = FontCharset;
    info.ExtraSpace = Value(LetterSpacing);
    info.FaceName = ReadFontName(PropString(Value(FontFamily)));
}

const TResolvedFont& TProperties::GetResolvedFont() {
    if (FResolvedFont) return *FResolvedFont;
    if (FResolvedHint && FStateKey != 0 && FResolvedHint->Key == FStateKey) {
        EmPixels = FResolvedHint->EmPixels;
        ExPixels = FResolvedHint->ExPixels;
        FResolvedFont = &FResolvedHint->Font;
        FStateKey |= ResolvedStateBit;
        return *FResolvedFont;
    }
    TResolvedFont& r = FResolved;
    r.HaveRunDesc = false;
    r.RunFontSerial = 0;
    GetSingleFontInfo(r.Info);
    const TFontServices& fonts = FontServices();
    r.Height = -RoundToInt(PPI() * r.Info.PointSize / 72, MaxPixelLength);
    r.Metrics = fonts.Metrics(r.Info.FaceName, r.Height, r.Info.Style, DefaultCharset);
    r.Charset = r.Metrics.Charset == SymbolCharset ? SymbolCharset : r.Info.Charset;
    if (r.Charset != DefaultCharset) r.Metrics = fonts.Metrics(r.Info.FaceName, r.Height, r.Info.Style, r.Charset);
    EmPixels = r.Metrics.Height - r.Metrics.InternalLeading;
    ExPixels = EmPixels / 2;
    const TPropValue& spacing = r.Info.ExtraSpace;
    if (IsInt(spacing)) r.ExtraSpace = std::get<int>(spacing);
    else if (!IsString(spacing) || PropString(spacing) == "normal") r.ExtraSpace = 0;
    else r.ExtraSpace = LengthConv(PropString(spacing), false, EmPixels, EmPixels, ExPixels, 0);
    FResolvedFont = &r;
    // Resolving is a function of the state, so the resolved state has a name too.
    if (FStateKey != 0) FStateKey |= ResolvedStateBit;
    return r;
}

TBoxSlots TProperties::BoxSlots() const {
    if (FSlots->BoxMargins) return TBoxSlots(FSlots->BoxMargins);
    auto box = TLocalShared<TVMarginArray>::Make(VMarginArray());
    TVMarginArray& v = *box;
    v[BackgroundColor] = static_cast<int>(GetBackgroundColor());
    const TPropValue& common = v[BorderColor];
    const int commonColor = IsInt(common) && std::get<int>(common) != NotSetValue ? std::get<int>(common) : 0;
    for (PropIndices p : {BorderTopColor, BorderRightColor, BorderBottomColor, BorderLeftColor}) {
        const TPropValue& side = v[p];
        if (!IsInt(side) || std::get<int>(side) == NotSetValue) v[p] = commonColor;
    }
    // Kept, as the margin slots are, only for slots other sets share.
    if (FSlots.use_count() > 1) FSlots->BoxMargins = box;
    return TBoxSlots(std::move(box));
}

TVMarginArray TProperties::VMarginArray() const {
    if (FSlots->Margins) return *FSlots->Margins;
    TVMarginArray margins;
    for (int i = TVMarginArray::First; i <= TVMarginArray::Last; ++i) {
        const PropIndices p = static_cast<PropIndices>(i);
        if (p == BorderTopStyle || p == BorderRightStyle || p == BorderBottomStyle || p == BorderLeftStyle)
            margins[p] = static_cast<int>(BorderStyleOf(Value(p)));
        else
            margins[p] = Value(p);
    }
    // Kept only for slots other sets share: those of an element met once
    // are read once.
    if (FSlots.use_count() > 1) FSlots->Margins = std::make_shared<const TVMarginArray>(margins);
    return margins;
}
