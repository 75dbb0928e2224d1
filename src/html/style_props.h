// Style properties of the document engine: the property set of one element
// (or of one style-sheet entry), its cascade and its resolution into fonts,
// pixels, colours and enumerations. Free of window headers: font services
// (screen resolution, installed faces, metrics) are reached through
// TFontServices, so the cascade builds and runs natively.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "framework/graphics_types.h"
#include "html/html_types.h"
#include "html/style_parser.h"
#include "html/text_measure.h"

class TStyleList;
class TMyFont;

enum class PropIndices : int {
    FontFamily, FontSize, FontStyle, FontWeight, TextAlign, TextDecoration, LetterSpacing, BorderStyle,
    Color, BackgroundColor, BorderColor, MarginTop, MarginRight, MarginBottom, MarginLeft, PaddingTop,
    PaddingRight, PaddingBottom, PaddingLeft, BorderTopWidth, BorderRightWidth, BorderBottomWidth,
    BorderLeftWidth, BorderTopColor, BorderRightColor, BorderBottomColor, BorderLeftColor, BorderTopStyle,
    BorderRightStyle, BorderBottomStyle, BorderLeftStyle, Width, Height, TopPos, LeftPos, Visibility,
    LineHeight, BackgroundImage, BackgroundPosition, BackgroundRepeat, BackgroundAttachment, VerticalAlign,
    Position, ZIndex, ListStyleType, ListStyleImage, Float, Clear, TextIndent, PageBreakBefore,
    PageBreakAfter, PageBreakInside, TextTransform, FontVariant, Display,
};
constexpr int PropCount = 55;
constexpr int Idx(PropIndices p) { return static_cast<int>(p); }
extern const char* const PropWords[PropCount];
// Exact, case-sensitive; false for a name not in the table.
bool FindPropIndex(std::string_view name, PropIndices& index);

// Integer sentinels of style values.
constexpr int NotSetValue = -12345678;
constexpr int AutoValue = -12348765;
constexpr int AutoParaValue = -12348766;
// Font sizes in points stay within these bounds, so no chain of relative
// sizes can run away.
constexpr double MinFontPoints = 1;
constexpr double MaxFontPoints = 1000;

// The text of a string slot. It never changes once made and is shared by
// every copy, so that copying a set of slots, as every element and box does,
// copies pointers rather than strings, and a slot stays small.
class TPropText {
public:
    TPropText(std::string text);
    TPropText(const char* text) : TPropText(std::string(text)) {}
    TPropText(const TPropText& other) noexcept : FRep(other.FRep) {
        if (FRep) FRep->Refs.fetch_add(1, std::memory_order_relaxed);
    }
    TPropText(TPropText&& other) noexcept : FRep(std::exchange(other.FRep, nullptr)) {}
    TPropText& operator=(TPropText other) noexcept {
        std::swap(FRep, other.FRep);
        return *this;
    }
    ~TPropText();

    const std::string& Str() const { return FRep ? FRep->Text : Empty(); }
    static const std::string& Empty();
    friend bool operator==(const TPropText& a, const TPropText& b) { return a.Str() == b.Str(); }

private:
    struct TRep {
        std::atomic<int> Refs;
        std::string Text;
    };
    TRep* FRep;  // null once moved from
};

// A slot: unassigned, a string as written, an integer (colours, sentinels and
// a few enumerations) or a number (a font size resolved to points).
using TPropValue = std::variant<std::monostate, TPropText, int, double>;
inline bool IsString(const TPropValue& v) { return std::holds_alternative<TPropText>(v); }
inline bool IsInt(const TPropValue& v) { return std::holds_alternative<int>(v); }
inline bool IsAssigned(const TPropValue& v) { return !std::holds_alternative<std::monostate>(v); }
// The string of a string slot, else empty. A view, so that comparing it with
// a keyword is a length check and a few compares in place: the slots are read
// at every element.
inline std::string_view PropString(const TPropValue& v) {
    if (auto s = std::get_if<TPropText>(&v)) return s->Str();
    return {};
}

// A byte: a font run keeps one beside its flags.
enum AlignmentType : uint8_t { ANone, ATop, AMiddle, ABaseline, ABottom, ALeft, ARight, AJustify, ASub, ASuper };
// Bytes too: a box keeps them beside its flags.
enum BorderStyleType : uint8_t {
    bssNone, bssSolid, bssInset, bssOutset, bssGroove, bssRidge, bssDashed, bssDotted, bssDouble
};
// A byte too: a list item keeps it beside its list's kind.
enum ListBulletType : uint8_t {
    lbBlank, lbCircle, lbDecimal, lbDisc, lbLowerAlpha, lbLowerRoman, lbNone, lbSquare, lbUpperAlpha, lbUpperRoman
};
enum ClearAttrType : uint8_t { clrNone, clLeft, clRight, clAll };
enum PositionType : uint8_t { posStatic, posAbsolute, posRelative };
enum VisibilityType : uint8_t { viInherit, viHidden, viVisible };
enum TextTransformType { txNone, txUpper, txLower, txCaps };

// Font style bits, the same as the framework's TFontStyle.
constexpr unsigned htBold = 1, htItalic = 2, htUnderline = 4, htStrikeOut = 8;

enum PositionKind { pTop, pCenter, pBottom, pLeft, pRight, PPercent, pDim };
struct PositionEntry {
    PositionKind Kind = pDim;
    int Amount = 0;
    bool Tiles = false;
    bool Attached = false;
};
using PositionRec = std::array<PositionEntry, 2>;  // horizontal, vertical

// The slots from BackgroundColor to LeftPos, indexed by property.
template <class T>
struct TMarginSlots {
    static constexpr int First = Idx(PropIndices::BackgroundColor);
    static constexpr int Last = Idx(PropIndices::LeftPos);
    std::array<T, Last - First + 1> Slots{};
    T& operator[](PropIndices p) { return Slots[static_cast<size_t>(Idx(p) - First)]; }
    const T& operator[](PropIndices p) const { return Slots[static_cast<size_t>(Idx(p) - First)]; }
};
using TVMarginArray = TMarginSlots<TPropValue>;
using TMarginArray = TMarginSlots<int>;

class ThtFontInfo : public TObject {
public:
    void Assign(const ThtFontInfo& other);

    std::string FaceName;
    double PointSize = 0;
    unsigned Style = 0;  // htBold ...
    TColor TextColor = 0;
    TColor BackColor = 0;
    uint8_t Charset = 1;
    TPropValue ExtraSpace;
};

enum FIIndex { LFont, VFont, HLFont, HVFont };

class TFontInfoArray : public TObject {
public:
    void Assign(const TFontInfoArray& other);
    std::array<ThtFontInfo, 4> Fonts;
};

struct TFontMetricsInfo {
    int Height = 0;           // character cell
    int InternalLeading = 0;
    int Descent = 0;
    int ExternalLeading = 0;
    int MaxCharWidth = 0;
    uint8_t Charset = 1;
};

// What style resolution needs of the platform's fonts.
class TFontServices {
public:
    virtual int PixelsPerInch() const = 0;
    // The installed face of that name (ASCII case ignored), or empty.
    virtual std::string InstalledFace(const std::string& name) const = 0;
    // Metrics of a font of that face, height in pixels (negative: character
    // height), style bits and charset.
    virtual TFontMetricsInfo Metrics(const std::string& face, int height, unsigned style, uint8_t charset) const = 0;

protected:
    ~TFontServices() = default;
};
// The platform's fonts in the Windows build; natively a fixed stand-in
// (96 pixels per inch, every face installed, metrics from the height).
const TFontServices& FontServices();
void SetFontServices(const TFontServices* services);

// The resolved font of a property set, without a platform font object.
struct TResolvedFont {
    ThtFontInfo Info;
    int Height = 0;  // -(character height in pixels)
    uint8_t Charset = 1;
    TFontMetricsInfo Metrics;
    int ExtraSpace = 0;
    // The font of runs in this font, made when first asked (RunFontOf):
    // every run of a page is made from one of a few resolved fonts.
    mutable TFontDesc RunDesc;
    mutable bool HaveRunDesc = false;
    // RunDesc's font in the screen measurer of that serial (0: not known).
    mutable uint64_t RunFontSerial = 0;
    mutable TFontId RunFontId = -1;
};

void AssignResolvedFont(TResolvedFont& to, const TResolvedFont& from);

// The default point size given to the default style sheet; keyword font sizes
// are relative to it.
extern double DefPointSize;

// Converts one property's text and stores what it gives through `set`:
// shorthands fill their parts, a colour that does not convert stores nothing,
// enumerations become numbers. Color is the caller's: the document's properties
// and the style list treat it differently.
void StoreProperty(PropIndices index, const std::string& value,
                   const std::function<void(PropIndices, TPropValue)>& set);

class TProperties;

// A value shared by copies of a pointer, counted without atomic operations:
// property sets, and the documents read with them, belong to the one thread
// that reads documents, and a count kept for threads costs a locked
// instruction at every element read.
template <class T>
class TLocalShared {
public:
    TLocalShared() = default;
    template <class... Args>
    static TLocalShared Make(Args&&... args) {
        TLocalShared made;
        made.FRep = new TRep(std::forward<Args>(args)...);
        return made;
    }
    TLocalShared(const TLocalShared& other) noexcept : FRep(other.FRep) {
        if (FRep) ++FRep->Refs;
    }
    TLocalShared(TLocalShared&& other) noexcept : FRep(std::exchange(other.FRep, nullptr)) {}
    TLocalShared& operator=(const TLocalShared& other) noexcept {
        if (other.FRep) ++other.FRep->Refs;  // first, for a value assigned to its own holder
        Release();
        FRep = other.FRep;
        return *this;
    }
    TLocalShared& operator=(TLocalShared&& other) noexcept {
        if (this != &other) {
            Release();
            FRep = std::exchange(other.FRep, nullptr);
        }
        return *this;
    }
    ~TLocalShared() { Release(); }

    T* operator->() const { return &FRep->Value; }
    T& operator*() const { return FRep->Value; }
    long use_count() const { return FRep ? FRep->Refs : 0; }
    explicit operator bool() const { return FRep != nullptr; }
    void reset() {
        Release();
        FRep = nullptr;
    }

private:
    void Release() {
        if (FRep && --FRep->Refs == 0) delete FRep;
    }
    struct TRep {
        template <class... Args>
        explicit TRep(Args&&... args) : Value(std::forward<Args>(args)...) {}
        long Refs = 1;
        T Value;
    };
    TRep* FRep = nullptr;
};

// The fonts of a link's states, shared by the sets and runs copied from one
// another: a page has thousands of links, and each set inside one and each
// run of one copied all four.
using TLinkFonts = TLocalShared<TFontInfoArray>;

// A box's slots: those its element's set gives, shared with every box made
// from the same set, and the vertical margins the box changes on its own as
// margins collapse. Any other change copies the shared slots first. Boxes
// are most of a page's objects, and a copy of all the slots in each was half
// of a box.
class TBoxSlots {
public:
    TBoxSlots();  // every slot unassigned
    // Slots shared with whoever else holds them; changed in place only while
    // nobody does.
    explicit TBoxSlots(TLocalShared<TVMarginArray> slots);

    // A copy: the box's own margins are not kept as slots.
    TPropValue operator[](PropIndices p) const {
        if (p == PropIndices::MarginTop && FTop != kShared) return FTop;
        if (p == PropIndices::MarginBottom && FBottom != kShared) return FBottom;
        return (*FSlots)[p];
    }
    void Set(PropIndices p, TPropValue value);
    // The slots without the box's own margins: all but the vertical margins
    // read as they are, without a copy.
    const TVMarginArray& Shared() const { return *FSlots; }
    bool OwnsMargins() const { return FTop != kShared || FBottom != kShared; }
    // The box's own value of a vertical margin, false where the shared slot holds.
    bool OwnMargin(PropIndices p, int& value) const {
        value = p == PropIndices::MarginTop ? FTop : FBottom;
        return value != kShared;
    }

private:
    // The box's own vertical margins, always whole pixels as margins collapse;
    // any other value set on its own goes into a copy of the slots.
    static constexpr int kShared = INT32_MIN;
    TLocalShared<TVMarginArray> FSlots;
    int FTop = kShared, FBottom = kShared;
};

// The property sets of the open elements, outermost first; entry 0 is the
// document's base set.
class TPropStack : public TFreeList {
public:
    TProperties* GetProp(int index) const;
    TProperties* Last() const;
    int IndexOf(const TProperties* props) const;
};
// The reader's stack, one for the process.
extern TPropStack PropStack;

class TProperties : public TObject, public TPropertySink {
public:
    TProperties();
    ~TProperties() override;

    void Copy(const TProperties& source);
    void CopyDefault(const TProperties& source);
    void Inherit(const TProperties& parent);
    void Update(const TProperties& source, TStyleList* styles, int stackIndex);
    void Assign(const TPropValue& value, PropIndices index);
    void AddPropertyByName(const std::string& property, const std::string& value) override;
    void AddPropertyByIndex(PropIndices index, const std::string& value);
    void AssignCharSet(uint8_t charset);
    void AssignUTF8();
    void Combine(TStyleList* styles, const std::string& tag, const std::string& cls, const std::string& id,
                 const std::string& pseudo, const std::string& title, TProperties* inlineProps);

    TColor GetBackgroundColor() const;
    TColor GetOriginalForegroundColor() const;
    void SetFontBG();
    BorderStyleType GetBorderStyle() const;
    bool BorderStyleNotBlank() const;
    bool GetBackgroundImage(std::string& name) const;
    std::string GetListStyleImage() const;
    ListBulletType GetListStyleType() const;
    bool GetVertAlign(AlignmentType& align) const;
    bool GetFloat(AlignmentType& align) const;
    bool GetClear(ClearAttrType& clear) const;
    PositionType GetPosition() const;
    VisibilityType GetVisibility() const;
    int GetZIndex() const;
    bool DisplayNone() const;
    TextTransformType GetTextTransform() const;
    std::string_view GetFontVariant() const;
    void GetPageBreaks(bool& before, bool& after, bool& keepTogether) const;
    int GetLineHeight(int normalHeight) const;
    int GetTextIndent(bool& percent) const;
    void GetBackgroundPos(int emPixels, int exPixels, PositionRec& pos) const;
    // The resolved font; also sets EmPixels and ExPixels.
    const TResolvedFont& GetResolvedFont();
    // A new platform font (the caller owns it) copied from the cached one.
    TMyFont* GetFont();
    // The fonts of a link's states: none outside links.
    const TFontInfoArray* LinkFonts() const { return FLinkFonts ? &*FLinkFonts : nullptr; }
    // What a run of a link takes: these fonts, or fonts of its own when the
    // set has none.
    TLinkFonts LinkFontsForRun() const { return FLinkFonts ? FLinkFonts : TLinkFonts::Make(); }
    TVMarginArray VMarginArray() const;
    // A box's slots: the margin slots with the box's colours, background
    // only when set here and side colours falling back to border-color.
    TBoxSlots BoxSlots() const;
    void GetSingleFontInfo(ThtFontInfo& info) const;
    void CalcLinkFontInfo(TStyleList* styles, int stackIndex);

    // Everything but the serial number, the platform font and the state key.
    void CopyState(const TProperties& source);
    // A name for the set's present state, given by TPropCache; 0 when the set
    // has none. Every change of the set makes it 0, except that resolving the
    // font gives the key of the resolved state (ResolvedStateBit set).
    static constexpr uint32_t ResolvedStateBit = 0x80000000u;
    uint32_t StateKey() const { return FStateKey; }
    void SetStateKey(uint32_t key) { FStateKey = key; }
    // What resolving the font of the state named Key gives; a set still in
    // that state takes it instead of resolving again.
    struct TResolvedState {
        uint32_t Key = 0;
        TResolvedFont Font;
        int EmPixels = 0;
        int ExPixels = 0;
    };
    void SetResolvedHint(std::shared_ptr<const TResolvedState> hint);

    const TPropValue& Value(PropIndices index) const { return FSlots->Values[static_cast<size_t>(Idx(index))]; }
    bool IsSetHere(PropIndices index) const { return FSlots->SetHere[static_cast<size_t>(Idx(index))]; }
    // Stores a slot as it stands, without marking it set here (style-sheet
    // entries, the document's defaults).
    void SetValue(PropIndices index, TPropValue value);
    void SetSetHere(PropIndices index, bool here);

    TObject* CachedFont = nullptr;  // a TMyFont, owned
    bool HasLinkFonts = false;
    // What the element was opened with, shared by the sets copied from this
    // one: a set taken from those made before copies it at every element.
    struct TSelectors {
        std::string Tag, Class, ID, Pseudo, Title;
    };
    const TSelectors& Sel() const { return *FSel; }
    TSelectors& EditSel();
    TProperties* InlineProps = nullptr;
    TColor FontBackground;
    uint8_t FontCharset = 1;
    int FontCodePage = 1251;
    int EmPixels = 0;
    int ExPixels = 0;
    int SerialNo;

private:
    void Merge(const TProperties& rule);
    void MergeKey(TStyleList* styles, const std::string& key);
    void MergeDescendants(TStyleList* styles, const std::string& start, int selfIndex);
    void DropCachedFont();
    void SetLinkFontsCharset(uint8_t charset);

    // The slots, shared between sets copied from one another until one of
    // them changes: most elements take a set made before unchanged.
    struct TSlots {
        std::array<TPropValue, PropCount> Values;
        std::array<bool, PropCount> SetHere{};
        // What reading the slots gives, kept until a slot changes: every
        // block and run of a page reads them again.
        mutable std::shared_ptr<const TVMarginArray> Margins;
        mutable TLocalShared<TVMarginArray> BoxMargins;
        mutable int8_t VertAlign = -1;  // unknown; else 0 for none, or the AlignmentType + 1

        TSlots() = default;
        TSlots(const TSlots& other) : Values(other.Values), SetHere(other.SetHere) {}
        TSlots& operator=(const TSlots&) = delete;
    };
    static const TLocalShared<TSlots>& DefaultSlots();
    const std::array<TPropValue, PropCount>& Values() const { return FSlots->Values; }
    // The slots of this set alone, copied first when shared.
    TSlots& Own();
    TLocalShared<TSlots> FSlots;
    static const TLocalShared<TSelectors>& NoSelectors();
    TLocalShared<TSelectors> FSel;
    // Made, or copied when shared, before a change.
    TFontInfoArray& EditLinkFonts();
    TLinkFonts FLinkFonts;

    // The resolved font: FResolved, or the hint's when the set took it from
    // there (the hint keeps it); nullptr until resolved.
    const TResolvedFont* FResolvedFont = nullptr;
    TResolvedFont FResolved;
    uint32_t FStateKey = 0;
    std::shared_ptr<const TResolvedState> FResolvedHint;
};

// Asked for at every token and every element: kept inline.
inline TProperties* TPropStack::GetProp(int index) const { return static_cast<TProperties*>(Items(index)); }
inline TProperties* TPropStack::Last() const { return static_cast<TProperties*>(LastItem()); }

// Length text to pixels: 'in', 'cm', 'mm', 'pt', 'px', 'pc', 'em', 'ex', '%' or
// no unit (times `base` when `relative`); any other unit gives `defaultValue`.
// An 'e' ends the number ("2e1" is 2 with the unit "e1"). Clamped to a million
// pixels either way.
int LengthConv(std::string_view text, bool relative, int base, int emSize, int exSize, int defaultValue);
// Font-size text to points against the parent's size, within 1..1000.
double FontSizeConv(std::string_view text, double parentSize);

AlignmentType AlignmentFromString(std::string_view s);
std::string ReadURL(const TPropValue& value);
// Text arguments go to the text form, not through the variant.
inline std::string ReadURL(const std::string& value) { return ReadURL(std::string_view(value)); }
inline std::string ReadURL(const char* value) { return ReadURL(std::string_view(value)); }
std::string ReadFontName(std::string_view families);

template <class Slots>
void ConvMargArray(const Slots& v, int width, int height, int emSize, int exSize, BorderStyleType border,
                   int& autoCount, TMarginArray& m);
void ConvMargArray(const TBoxSlots& v, int width, int height, int emSize, int exSize, BorderStyleType border,
                   int& autoCount, TMarginArray& m);
void ConvMargArrayForCellPadding(const TVMarginArray& v, int emSize, int exSize, TMarginArray& m);
void ConvInlineMargArray(const TVMarginArray& v, int width, int height, int emSize, int exSize, TMarginArray& m);
template <class Slots>
void ConvVertMargins(const Slots& v, int width, int emSize, int exSize, TMarginArray& m, bool& topAuto,
                     bool& bottomAuto);
void ConvVertMargins(const TBoxSlots& v, int width, int emSize, int exSize, TMarginArray& m, bool& topAuto,
                     bool& bottomAuto);
