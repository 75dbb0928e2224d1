#include "html/text_section.h"

#include <algorithm>

#include "html/cell.h"
#include "html/font_desc.h"
#include "html/image_map.h"
#include "html/indent_manager.h"
#include "html/section_list.h"
#include "html/sel_text.h"
#include "html/text_measure.h"

namespace {

bool IsObjectChar(wchar_t c) { return c == ImageChar || c == FormControlChar || c == BreakChar; }
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// Ideographs and other characters that break anywhere.
bool BreaksAnywhere(wchar_t c) { return c > 0x2FFF; }
bool IsStretchSpace(wchar_t c) { return c == L' ' || c == 0xA0; }

// Calls `found(i)` for each i in [from, to) that `marked(i)` holds for. A
// section's characters are looked at in groups that the compiler checks at
// once, as marks are rare: a jump in the source positions, an object. The
// marks of a group are or-ed as numbers and `marked` takes no branch, or the
// compiler checks them one by one.
template <class Marked, class Found>
void ForEachMarked(int from, int to, Marked marked, Found found) {
    constexpr int kGroup = 16;
    int i = from;
    for (; i + kGroup <= to; i += kGroup) {
        unsigned any = 0;
        for (int j = 0; j < kGroup; ++j) any |= static_cast<unsigned>(marked(i + j));
        if (any)
            for (int j = 0; j < kGroup; ++j)
                if (marked(i + j)) found(i + j);
    }
    for (; i < to; ++i)
        if (marked(i)) found(i);
}

// Sections are built in large buffers kept from one section to the next, and
// a finished section keeps copies of just its length. Grown by doubling from
// a line's worth, a paragraph took three allocations and two copies of each
// of its three buffers, and kept room for twice its text. Like the reader's
// stack, the spares belong to the thread that reads documents.
class TBuildBuffers {
public:
    template <class T>
    static void Take(T& buffer, size_t need) {
        if (buffer.capacity() >= std::max(need, kFirstRoom)) return;
        std::vector<T>& spares = Spares<T>();
        if (!spares.empty() && spares.back().capacity() >= need) {
            buffer.swap(spares.back());
            spares.pop_back();
        } else {
            buffer.reserve(std::max(need, kFirstRoom));
        }
    }
    // Keeps `buffer`'s room for the next section; `buffer` is left empty.
    template <class T>
    static void Give(T& buffer) {
        std::vector<T>& spares = Spares<T>();
        if (buffer.capacity() < kFirstRoom || buffer.capacity() > kMostKept || spares.size() >= kSpares) {
            T().swap(buffer);
            return;
        }
        buffer.clear();
        spares.push_back(std::move(buffer));
        T().swap(buffer);
    }

private:
    static constexpr size_t kFirstRoom = 1024;
    static constexpr size_t kMostKept = 16 * 1024;
    static constexpr size_t kSpares = 4;
    template <class T>
    static std::vector<T>& Spares() {
        static std::vector<T> spares;
        return spares;
    }
};

// The scratch of one section's finishing is kept for the next, so a page of
// paragraphs allocates none; the room one long paragraph needed is given back
// at once rather than held for the rest of the program's life.
template <class T>
void KeepScratchSmall(std::vector<T>& scratch) {
    constexpr size_t kMostKeptBytes = 64 * 1024;
    if (scratch.capacity() * sizeof(T) > kMostKeptBytes) std::vector<T>().swap(scratch);
}

// The text of a finished section in a buffer of its own length; the
// building buffer goes back for the next section.
template <class T>
void Fit(T& buffer) {
    if (buffer.capacity() - buffer.size() < 64) return;
    T fitted(buffer.begin(), buffer.end());
    buffer.swap(fitted);
    TBuildBuffers::Give(fitted);
}

}  // namespace

// What only building needs: the source position and the break flag of each
// character. Only the reader builds, as a rule one section at a time, and a
// section is made for every paragraph, so they are kept here rather than in
// every section; a section marks that it has some.
struct TSectionBuild {
    const TSection* Owner;
    std::vector<int> Positions;
    std::string Flags;  // 'y' or 'n' per character
};

namespace {

std::vector<TSectionBuild> OpenBuilds;

class TSectionBuilds {
public:
    // The section asked for is as a rule the last one begun.
    static TSectionBuild* Find(const TSection* section) {
        for (size_t i = OpenBuilds.size(); i-- > 0;)
            if (OpenBuilds[i].Owner == section) return &OpenBuilds[i];
        return nullptr;
    }
    // Kept out of line: finding is the common case.
    [[gnu::noinline]] static TSectionBuild& Add(const TSection& section) {
        TSectionBuild& build = OpenBuilds.emplace_back();
        build.Owner = &section;
        // Text kept from an earlier build goes on with its flags.
        for (size_t i = 0; i < section.SectionText.size(); ++i) build.Flags += section.BreakFlag(static_cast<int>(i));
        return build;
    }
    static void Drop(const TSection* section) {
        TSectionBuild* build = Find(section);
        if (!build) return;
        TBuildBuffers::Give(build->Positions);
        TBuildBuffers::Give(build->Flags);
        if (build != &OpenBuilds.back()) *build = std::move(OpenBuilds.back());
        OpenBuilds.pop_back();
    }
};

}  // namespace

// ---- lines

LineRec::LineRec(TSectionList* document)
    : FBorders(document && document->InlineBorders->Count() > 0 ? kHas : 0) {}

LineRec::LineRec(LineRec&& other) noexcept
    : Start(other.Start),
      SpaceBefore(other.SpaceBefore),
      SpaceAfter(other.SpaceAfter),
      LineHeightPx(other.LineHeightPx),
      LineCharCount(other.LineCharCount),
      Descent(other.Descent),
      LineIndent(other.LineIndent),
      Spaces(other.Spaces),
      Extra(other.Extra),
      LayoutTop(other.LayoutTop),
      FBorders(std::exchange(other.FBorders, other.FBorders & kHas)) {}

void LineRec::Clear() {
    TObject::Free(LineBorders());
    FBorders &= kHas;
}

void LineRec::SetBorders(bool has, TFreeList* borders) {
    static_assert(alignof(TFreeList) > kFlags);
    TObject::Free(LineBorders());
    FBorders = reinterpret_cast<uintptr_t>(borders) | kBuilt | (has ? kHas : 0);
}

TLineList::~TLineList() {
    clear();
    ::operator delete(FItems);
}

void TLineList::clear() {
    for (uint32_t i = 0; i < FCount; ++i) FItems[i].~LineRec();
    FCount = 0;
}

LineRec& TLineList::push_back(LineRec&& line) {
    if (FCount == FCapacity) Grow();
    LineRec* placed = new (FItems + FCount) LineRec(std::move(line));
    ++FCount;
    return *placed;
}

void TLineList::Grow() {
    const uint32_t capacity = FCapacity ? FCapacity * 2 : 1;
    auto* items = static_cast<LineRec*>(::operator new(sizeof(LineRec) * capacity));
    for (uint32_t i = 0; i < FCount; ++i) {
        new (items + i) LineRec(std::move(FItems[i]));
        FItems[i].~LineRec();
    }
    ::operator delete(FItems);
    FItems = items;
    FCapacity = capacity;
}

// ---- building

TSection::TSection(TSectionList* document) : TSectionBase(document) {}

TSection::TSection(TSectionList* document, TAttributeList* L, TProperties& prop, const TUrlTarget* linkTarget,
                   TCellBasic*, bool firstItem)
    : TSectionBase(document) {
    ChangeFont(prop);
    if (linkTarget && !linkTarget->Url.empty()) HRef(true, *linkTarget, prop.LinkFontsForRun());
    const TResolvedFont& font = prop.GetResolvedFont();
    LineHeight = prop.GetLineHeight(font.Metrics.Height + font.Metrics.ExternalLeading);
    if (firstItem) {
        bool percent = false;
        LeadIndent = prop.GetTextIndent(percent);
        if (percent) {
            IndentPercent = static_cast<uint8_t>(std::clamp(LeadIndent, 0, 90));
            LeadIndent = 0;
        }
    }
    if (L) {
        TAttribute* a;
        if (L->Find(ClearSy, a)) {
            std::string v = a->Text;
            for (char& c : v) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            ClearSide = v == "left" ? clLeft : v == "right" ? clRight : clAll;
        }
        const std::string id = L->GetID();
        if (!id.empty() && document && document->IDObjects) {
            document->IDObjects->AddObject(id, this);
            FNamed = true;
        }
    }
    ClearAttrType clear;
    if (prop.GetClear(clear)) ClearSide = clear;
    const std::string_view align = PropString(prop.Value(PropIndices::TextAlign));
    Justify = align == "right" ? Right : align == "center" ? Centered : align == "justify" ? FullJustify : Left;
}

namespace {
const TImageObjList kNoImages;
}  // namespace

TSectionObjects::TSectionObjects(TSectionList* document, const TSectionObjects& source) {
    if (source.FPart)
        FPart = std::make_unique<TPart>(document, *source.FPart);
}

const TImageObjList& TSectionObjects::List() const { return FPart ? FPart->Images : kNoImages; }


TSectionObjects::TPart& TSectionObjects::Part() {
    if (!FPart) FPart = std::make_unique<TPart>();
    return *FPart;
}

void TSectionObjects::SetPositions(std::vector<int> positions) {
    if (FPart || !positions.empty()) Part().Positions = std::move(positions);
}

TSection::TSection(TSectionList* document, const TSection& source)
    : TSectionBase(document, source),
      Justify(source.Justify),
      ClearSide(source.ClearSide),
      IndentPercent(source.IndentPercent),
      LeadIndent(source.LeadIndent),
      SectionText(source.SectionText),
      Fonts(this, source.Fonts),
      Images(document, source.Images),
      LineHeight(source.LineHeight) {
    Len = source.Len;
    if (source.FBreakFlags) {
        FBreakFlags = std::make_unique<char[]>(static_cast<size_t>(Len) + 1);
        std::copy_n(source.FBreakFlags.get(), Len + 1, FBreakFlags.get());
    }
}

TSection::~TSection() {
    if (FBuilding) TSectionBuilds::Drop(this);
    // Whatever of the document still points here forgets it first. Clearing
    // the document empties its lists before it frees the sections, so this
    // costs nothing then.
    TSectionList* doc = Document();
    if (!doc) return;
    for (int i = 0; i < Fonts.Count(); ++i)
        if (Fonts.Run(i)->LinkIndex() >= 0 || doc->LinkUnderMouse == Fonts.Run(i)) doc->ForgetObject(Fonts.Run(i));
    if (FNamed) doc->ForgetObject(this);
    FreeControls();
    auto& byPosition = doc->SectionsByPosition;
    if (auto it = std::find(byPosition.begin(), byPosition.end(), this); it != byPosition.end()) byPosition.erase(it);
}

TSectionList* TSection::Document() const { return SectionListOf(OwnerDocument); }

TSectionBase* TSection::CreateClone(TSectionDocument* document) const {
    return new TSection(SectionListOf(document), *this);
}

bool TSection::HasUnfinishedText() const {
    const TSectionBuild* build = FBuilding ? TSectionBuilds::Find(this) : nullptr;
    return build && !build->Positions.empty();
}

TSectionBuild& TSection::Build() {
    if (FBuilding)
        if (TSectionBuild* build = TSectionBuilds::Find(this)) return *build;
    FBuilding = true;
    return TSectionBuilds::Add(*this);
}

std::string TSection::LineBreakFlags() const {
    std::string flags;
    for (int i = 0; i <= Len; ++i) flags += BreakFlag(i);
    return flags;
}

void TSection::AddText(std::wstring_view text, int sourcePos, bool noBreak) {
    if (text.empty()) return;
    std::vector<int>& positions = AppendText(text, noBreak);
    for (size_t i = 0; i < text.size(); ++i) positions.push_back(sourcePos + static_cast<int>(i));
}

void TSection::AddText(std::wstring_view text, const int* sourcePositions, bool noBreak) {
    if (text.empty()) return;
    std::vector<int>& positions = AppendText(text, noBreak);
    positions.insert(positions.end(), sourcePositions, sourcePositions + text.size());
}

std::vector<int>& TSection::AppendText(std::wstring_view text, bool noBreak) {
    if (Fonts.Count() == 0) SetRunFont(TFontDesc{}, 0, TransparentColor);
    const size_t need = SectionText.size() + text.size();
    TSectionBuild& build = Build();
    std::vector<int>& positions = build.Positions;
    std::string& flags = build.Flags;
    if (SectionText.empty()) {
        TBuildBuffers::Take(SectionText, need);
        TBuildBuffers::Take(flags, need + 1);  // Finish adds one flag
        TBuildBuffers::Take(positions, need);
    }
    // Past the first room, geometric growth keeps a long paragraph linear.
    auto grow = [](auto& buffer, size_t size) {
        if (buffer.capacity() < size) buffer.reserve(std::max(size, buffer.capacity() * 2));
    };
    grow(SectionText, need);
    grow(flags, need + 1);
    grow(positions, need);
    SectionText.append(text);
    flags.append(text.size(), noBreak || Preformatted() ? 'n' : 'y');
    return positions;
}

void TSection::AddTokenObj(TokenObj& token) {
    const int n = token.Count();
    if (n == 0) return;
    std::wstring_view text(token.Chars(), static_cast<size_t>(n));
    std::wstring transformed;
    if (TProperties* prop = PropStack.Count() > 0 ? PropStack.Last() : nullptr) {
        const TextTransformType t = prop->GetTextTransform();
        if (t == txUpper) text = transformed = WideUpperCase1(text);
        if (t == txLower) text = transformed = WideLowerCase1(text);
    }
    if (text.size() == static_cast<size_t>(n)) {
        AddText(text, token.Positions(), NoBreak);
        return;
    }
    const size_t at = SectionText.size();
    AddText(text, 0, NoBreak);
    std::vector<int>& positions = Build().Positions;
    for (int i = 0; i < n && at + static_cast<size_t>(i) < positions.size(); ++i)
        positions[at + static_cast<size_t>(i)] = token.Positions()[i];
}

void TSection::AddChar(wchar_t ch, int index) {
    TokenObj t;
    t.AddUnicodeChar(ch, index);
    AddTokenObj(t);
}

TFontObj* TSection::SetRunFont(TFontDesc font, TColor color, TColor back, TFontId screenId) {
    const int at = static_cast<int>(SectionText.size());
    TFontObj* run;
    if (Fonts.Count() > 0 && Fonts.Run(Fonts.Count() - 1)->RunStart == at) {
        run = Fonts.Run(Fonts.Count() - 1);
        run->ReplaceFont(std::move(font), screenId);
    } else {
        TFontObj* previous = Fonts.Count() > 0 ? Fonts.Run(Fonts.Count() - 1) : nullptr;
        run = new TFontObj(this, std::move(font), at, screenId);
        Fonts.Add(run);
        // A font change inside a link keeps the link.
        if (previous && !previous->LinkTarget().Url.empty()) {
            run->SetLinkTarget(previous->LinkTarget());
            if (previous->LinkFonts()) run->SetLinkFonts(previous->LinkFonts());
            if (TSectionList* doc = Document()) doc->AddLinkRun(run);
        }
    }
    run->FontColor = color;
    run->BackColor = back;
    return run;
}

void TSection::ChangeFont(TProperties& prop) {
    const TResolvedFont& font = prop.GetResolvedFont();
    const TFontDesc& desc = RunFontOf(font);
    // The run's font is found in the screen measurer once per resolved font.
    TTextMeasurer& screen = ScreenMeasurer();
    const bool known = font.RunFontSerial == screen.Serial();
    TFontObj* run = SetRunFont(desc, font.Info.TextColor, font.Info.BackColor, known ? font.RunFontId : -1);
    if (!known) {
        font.RunFontId = run->FontIdIn(screen);
        font.RunFontSerial = screen.Serial();
    }
    run->ExtraSpace = font.ExtraSpace;
    run->SetTitle(prop.Sel().Title);
    AlignmentType align;
    run->ScriptShift = prop.GetVertAlign(align) && (align == ASub || align == ASuper) ? align : ANone;
    if (!run->LinkTarget().Url.empty()) {
        if (prop.LinkFonts() || !run->LinkFonts()) run->SetLinkFonts(prop.LinkFontsForRun());
        if (TSectionList* doc = Document()) doc->AddLinkRun(run);
    }
}

void TSection::HRef(bool start, const TUrlTarget& target, const TLinkFonts& linkFonts) {
    TFontObj* last = Fonts.Count() > 0 ? Fonts.Run(Fonts.Count() - 1) : nullptr;
    TFontObj* run = SetRunFont(last ? last->RunFont : TFontDesc{}, last ? last->FontColor : 0,
                               last ? last->BackColor : TransparentColor);
    run->SetLinkTarget(target);
    TSectionList* doc = Document();
    if (start && !target.Url.empty()) {
        if (linkFonts) {
            run->SetLinkFonts(linkFonts);
            run->ConvertFont(linkFonts->Fonts[LFont]);
        }
        if (doc) {
            doc->AddLinkRun(run);
            if (!doc->LinksNotTabbed) run->CreateTabControl(target.TabIndex);
        }
    } else {
        run->SetLinkFonts({});
        run->ClearLinkTarget();
        if (doc) doc->RemoveLinkRun(run);
    }
}

void TSection::CheckFree() {
    TSectionList* doc = Document();
    if (!doc) return;
    for (int i = 0; i < Fonts.Count(); ++i) doc->ForgetObject(Fonts.Run(i));
    if (FNamed) doc->ForgetObject(this);
    FNamed = false;
}

TImageObj* TSection::AddImage(TAttributeList* L, TCellBasic* cell, int index) {
    auto* image = new TImageObj(Document(), static_cast<int>(SectionText.size()), L);
    image->CellRef = cell;
    Images.Add(image);
    const wchar_t c = ImageChar;
    AddText(std::wstring_view(&c, 1), index, NoBreak);
    return image;
}

TPanelObj* TSection::AddPanel(TAttributeList* L, TCellBasic* cell, int index) {
    auto* panel = new TPanelObj(Document(), cell, static_cast<int>(SectionText.size()), L);
    Images.Add(panel);
    const wchar_t c = ImageChar;
    AddText(std::wstring_view(&c, 1), index, NoBreak);
    return panel;
}

// White space collapses in one pass: each character is kept or dropped,
// then the text, flags, positions and runs move once.
void TSection::ProcessText() {
    const int n = static_cast<int>(SectionText.size());
    // Raw pointers: the loops below then keep them in registers, where the
    // strings' own would be read again after every byte written.
    TSectionBuild& build = Build();
    const wchar_t* const t = SectionText.data();
    const char* const breakFlags = build.Flags.data();
    // Whether each space stays; other characters stay but for `dropped`.
    // Scratch of the reading thread, as the building buffers are.
    static std::vector<char> keep;
    if (keep.size() < static_cast<size_t>(n)) keep.resize(static_cast<size_t>(n));
    char* const k = keep.data();
    int removed = 0;
    int lastKept = -1;  // the last character kept so far
    for (int i = 0; i < n;) {
        if (t[i] != L' ') {
            lastKept = i++;
            continue;
        }
        int end = i;
        while (end < n && t[end] == L' ') ++end;
        // Of two spaces together the first goes when it may not break, else
        // the second: the first breaking space survives, or the last one.
        int survivor = end - 1;
        for (int j = i; j < end; ++j)
            if (breakFlags[j] != 'n') {
                survivor = j;
                break;
            }
        for (int j = i; j < end; ++j) k[j] = j == survivor;
        removed += end - i - 1;
        const bool leading = lastKept < 0;
        const bool trailing = end == n;
        const bool afterBreak = lastKept >= 0 && t[lastKept] == BreakChar;
        const bool beforeBreak = end < n && t[end] == BreakChar;
        if (leading || trailing || afterBreak || beforeBreak) {
            k[survivor] = 0;
            ++removed;
        } else {
            lastKept = survivor;
        }
        i = end;
    }
    // A space right after a floating object goes: the float takes no room in the line.
    for (int i = 0; i < Images.Count(); ++i) {
        TFloatingObj* o = Images.Obj(i);
        const int next = o->Pos + 1;
        if (o->IsFloating() && next < n && t[next] == L' ' && k[next]) {
            k[next] = 0;
            ++removed;
        }
    }
    // A break at the very end goes, unless it is all there is.
    int dropped = -1;
    if (lastKept >= 0 && t[lastKept] == BreakChar && n - removed > 1) {
        dropped = lastKept;
        ++removed;
    }

    if (removed > 0) {
        static std::vector<int> newIndex;
        newIndex.resize(static_cast<size_t>(n) + 1);
        int* const map = newIndex.data();
        wchar_t* const text = SectionText.data();
        char* const flags = build.Flags.data();
        int* const source = build.Positions.data();
        const int sourceCount = static_cast<int>(std::min(build.Positions.size(), static_cast<size_t>(n)));
        int w = 0;
        for (int i = 0; i < n; ++i) {
            map[i] = w;
            if ((text[i] == L' ' && !k[i]) || i == dropped) continue;
            text[w] = text[i];
            flags[w] = flags[i];
            if (i < sourceCount) source[w] = source[i];
            ++w;
        }
        map[n] = w;
        SectionText.resize(static_cast<size_t>(w));
        build.Flags.resize(static_cast<size_t>(w));
        if (build.Positions.size() > static_cast<size_t>(w)) build.Positions.resize(static_cast<size_t>(w));
        Fonts.Remap(newIndex, Document());
        for (int i = 0; i < Images.Count(); ++i) {
            TFloatingObj* o = Images.Obj(i);
            if (o->Pos >= 0 && o->Pos <= n) o->Pos = newIndex[static_cast<size_t>(o->Pos)];
        }
        RemapControls(newIndex);
        KeepScratchSmall(newIndex);
    }
    KeepScratchSmall(keep);
    Finish();
}

void TSection::Finish() {
    Len = static_cast<int>(SectionText.size());
    TSectionBuild& build = Build();
    std::string& flags = build.Flags;
    flags.resize(static_cast<size_t>(Len), 'y');
    flags += 'y';
    // Most text may break wherever its characters allow and keeps no flags.
    FBreakFlags.reset();
    if (flags.find('n') != std::string::npos) {
        FBreakFlags = std::make_unique<char[]>(flags.size());
        std::copy(flags.begin(), flags.end(), FBreakFlags.get());
    }
    SourceIndexMap.clear();
    if (Len > 0 && !build.Positions.empty()) {
        // A new entry wherever the text stops following the source; made in
        // scratch, then kept at its own length.
        const int n = std::min(Len, static_cast<int>(build.Positions.size()));
        const int* const pos = build.Positions.data();
        static std::vector<IndexObj> entries;
        entries.clear();
        entries.push_back({0, pos[0]});
        ForEachMarked(1, n, [pos](int i) { return pos[i] != pos[i - 1] + 1; },
                      [pos](int i) { entries.push_back({i, pos[i]}); });
        SourceIndexMap.assign(entries.data(), entries.data() + entries.size());
        KeepScratchSmall(entries);
    }
    TSectionBuilds::Drop(this);
    FBuilding = false;
    Fit(SectionText);
    const wchar_t* const text = SectionText.data();
    auto isObject = [text](int i) {
        const wchar_t c = text[i];
        return (c == ImageChar) | (c == FormControlChar) | (c == BreakChar);
    };
    std::vector<int> positions;
    ForEachMarked(0, Len, isObject, [&positions](int i) { positions.push_back(i); });
    Images.SetPositions(std::move(positions));
    if (Len > 0)
        if (TSectionList* doc = Document()) TextSectionIndex = ++doc->TextSectionTotal;
    MinWidthCache = MaxWidthCache = 0;
}

// ---- measuring

int TSection::RunIndexAt(int pos) const {
    int index = 0;
    Fonts.GetFontObjAt(pos, index);
    return std::max(index, 0);
}

int TSection::NextObjectAt(int pos) const {
    const std::vector<int>* positions = Images.Positions();
    if (!positions) return Len;
    auto it = std::lower_bound(positions->begin(), positions->end(), pos);
    return it == positions->end() ? Len : *it;
}

int TSection::Width(TTextMeasurer& m, int start, int end) {
    int64_t total = 0;
    int p = start;
    int ri = RunIndexAt(p);
    while (p < end && Fonts.Count() > 0) {
        while (ri + 1 < Fonts.Count() && Fonts.Run(ri + 1)->RunStart <= p) ++ri;
        if (IsObjectChar(SectionText[static_cast<size_t>(p)])) {
            total += ObjectWidth(p);
            ++p;
            continue;
        }
        int pieceEnd = std::min(end, NextObjectAt(p));
        if (ri + 1 < Fonts.Count()) pieceEnd = std::min(pieceEnd, Fonts.Run(ri + 1)->RunStart);
        TFontObj* run = Fonts.Run(ri);
        total += m.Extent(run->FontIdIn(m),
                          std::wstring_view(SectionText).substr(static_cast<size_t>(p), static_cast<size_t>(pieceEnd - p)),
                          run->ExtraSpace);
        p = pieceEnd;
    }
    return SaturateY(total);
}

int TSection::FitFrom(TTextMeasurer& m, int start, int limit, int width, int& usedWidth) {
    usedWidth = 0;
    int p = start;
    int ri = RunIndexAt(p);
    while (p < limit && Fonts.Count() > 0) {
        while (ri + 1 < Fonts.Count() && Fonts.Run(ri + 1)->RunStart <= p) ++ri;
        const wchar_t c = SectionText[static_cast<size_t>(p)];
        if (c == BreakChar) break;
        if (IsObjectChar(c)) {
            const int w = ObjectWidth(p);
            // An object that does not fit ends the line, unless the line is empty.
            if (w > 0 && usedWidth > 0 && usedWidth + w > width) break;
            usedWidth += w;
            ++p;
            continue;
        }
        int pieceEnd = std::min(limit, NextObjectAt(p));
        if (ri + 1 < Fonts.Count()) pieceEnd = std::min(pieceEnd, Fonts.Run(ri + 1)->RunStart);
        const auto piece =
            std::wstring_view(SectionText).substr(static_cast<size_t>(p), static_cast<size_t>(pieceEnd - p));
        TFontObj* run = Fonts.Run(ri);
        const TFitResult r = m.Fit(run->FontIdIn(m), piece, width - usedWidth, run->ExtraSpace);
        usedWidth += r.Width;
        p += r.Count;
        if (r.Count < static_cast<int>(piece.size())) break;
    }
    return p - start;
}

int TSection::FitsUnmeasured(TTextMeasurer& m, int width) {
    if (Images.Count() > 0 || Fonts.Count() == 0 || width <= 0) return -1;
    const int n = NextObjectAt(0);
    if (n < Len && SectionText[static_cast<size_t>(n)] != BreakChar) return -1;  // a control
    // Every run that starts within the text counts: a later, larger font
    // must not spill over the edge.
    int widest = 1;
    for (int ri = 0; ri < Fonts.Count() && Fonts.Run(ri)->RunStart < n; ++ri) {
        TFontObj* run = Fonts.Run(ri);
        const int w = m.Metrics(run->FontIdIn(m)).MaxCharWidth + std::max(0, run->ExtraSpace);
        if (w <= 0) return -1;
        widest = std::max(widest, w);
        if (int64_t{n} * widest > width) return -1;
    }
    return int64_t{n} * widest <= width ? n : -1;
}

int TSection::FindTextWidth(TCanvas* Canvas, int Start, int Count, bool RemoveSpaces) {
    int end = std::min(Len, Start + Count);
    if (RemoveSpaces)
        while (end > Start && (SectionText[static_cast<size_t>(end - 1)] == L' ' ||
                               SectionText[static_cast<size_t>(end - 1)] == BreakChar))
            --end;
    return Width(MeasurerFor(Canvas), Start, end);
}

int TSection::FindCountThatFits(TCanvas* Canvas, int Width, int Count, int Start) {
    int used = 0;
    return FitFrom(MeasurerFor(Canvas), Start, std::min(Len, Start + Count), Width, used);
}

bool TSection::IsBreakPoint(int k) const {
    if (k <= 0 || k >= Len) return k >= Len;
    const wchar_t prev = SectionText[static_cast<size_t>(k - 1)], next = SectionText[static_cast<size_t>(k)];
    if (IsHighSurrogate(prev) && IsLowSurrogate(next)) return false;  // never half a pair
    const bool prevMay = BreakFlag(k - 1) == 'y';
    const bool nextMay = BreakFlag(k) == 'y';
    if (prev == BreakChar) return true;
    if (prevMay && (prev == L' ' || prev == ImageChar || prev == FormControlChar || prev == L'-' || prev == L'?'))
        return true;
    if (prevMay && BreaksAnywhere(prev)) return true;
    if (nextMay && BreaksAnywhere(next)) return true;
    if (next != BreakChar && BreakFlag(k) != 'n' &&
        (next == ImageChar || next == FormControlChar))
        return true;
    return false;
}

void TSection::LineAdvances(TTextMeasurer& m, const LineRec& line, std::vector<int>& out) {
    const int start = line.Start, end = line.Start + line.LineCharCount;
    out.assign(static_cast<size_t>(line.LineCharCount), 0);
    int p = start;
    int ri = RunIndexAt(p);
    while (p < end && Fonts.Count() > 0) {
        while (ri + 1 < Fonts.Count() && Fonts.Run(ri + 1)->RunStart <= p) ++ri;
        if (IsObjectChar(SectionText[static_cast<size_t>(p)])) {
            out[static_cast<size_t>(p - start)] = ObjectWidth(p);
            ++p;
            continue;
        }
        int pieceEnd = std::min(end, NextObjectAt(p));
        if (ri + 1 < Fonts.Count()) pieceEnd = std::min(pieceEnd, Fonts.Run(ri + 1)->RunStart);
        TFontObj* run = Fonts.Run(ri);
        m.Advances(run->FontIdIn(m),
                   std::wstring_view(SectionText).substr(static_cast<size_t>(p), static_cast<size_t>(pieceEnd - p)),
                   std::span<int>(out).subspan(static_cast<size_t>(p - start), static_cast<size_t>(pieceEnd - p)),
                   run->ExtraSpace);
        p = pieceEnd;
    }
    if (line.Spaces > 0 && line.Extra > 0) {
        // Spread exactly Extra pixels: every stretchable space gets the
        // quotient, the first `Extra mod Spaces` one more.
        const int each = line.Extra / line.Spaces;
        int more = line.Extra % line.Spaces;
        int seen = 0;
        for (int i = start; i < end - 1 && seen < line.Spaces; ++i)
            if (IsStretchSpace(SectionText[static_cast<size_t>(i)])) {
                out[static_cast<size_t>(i - start)] += each + (more > 0 ? 1 : 0);
                if (more > 0) --more;
                ++seen;
            }
    }
}

TFloatingObj* TSection::InlineObjectAt(int k) const {
    if (k < 0 || k >= Len || SectionText[static_cast<size_t>(k)] != ImageChar) return nullptr;
    TFloatingObj* o = Images.FindImage(k);
    return o && !o->IsFloating() ? o : nullptr;
}

int TSection::ObjectWidth(int k) const {
    const TFloatingObj* o = InlineObjectAt(k);
    return o ? SaturateY(int64_t{o->BoxWidth} + o->SpaceLeft + o->SpaceRight) : ControlWidth(k);
}

int TSection::LayoutObjects(TCanvas* Canvas, int width, int height) {
    int widest = 0;
    for (int i = 0; i < Images.Count(); ++i) {
        TFloatingObj* o = Images.Obj(i);
        int index;
        o->DrawLogic(Document(), Canvas, Fonts.GetFontObjAt(o->Pos, index), width, height);
        widest = std::max(widest, o->BoxWidth);
    }
    return widest;
}

bool TSection::PtInObject(int X, int Y, TObject*& Obj, int& HitX, int& HitY) {
    return Images.Count() > 0 && Images.PtInObject(X, Y, Obj, HitX, HitY);
}

// ---- layout

void TSection::FinishLine(TTextMeasurer& m, LineRec& line, int& y, int x, IndentManager& indents, bool firstLine,
                          bool lastLine) {
    const int start = line.Start, end = line.Start + line.LineCharCount;
    int height = 0, descent = 0;
    if (Fonts.Count() > 0) {
        const int first = RunIndexAt(start);
        for (int ri = first; ri < Fonts.Count(); ++ri) {
            if (ri > first && Fonts.Run(ri)->RunStart >= std::max(end, start + 1)) break;
            const TFontMetrics& fm = m.Metrics(Fonts.Run(ri)->FontIdIn(m));
            height = std::max(height, fm.Height + fm.ExternalLeading);
            descent = std::max(descent, fm.Descent);
        }
    }
    line.LineHeightPx = height;
    line.Descent = descent;
    if (LineHeight >= 0) {
        const int diff = LineHeight - height;
        line.SpaceBefore = diff / 2;
        line.SpaceAfter = diff - line.SpaceBefore;
    }
    for (int k = NextObjectAt(start); k < end; k = NextObjectAt(k + 1)) {
        TFloatingObj* o = InlineObjectAt(k);
        if (!o) continue;
        const int h = o->BoxHeight + o->SpaceTop + o->SpaceBottom;
        switch (o->Placement) {
            case ATop: line.SpaceAfter = std::max(line.SpaceAfter, h - height); break;
            case AMiddle: {
                const int excess = h - height;
                if (excess > 0) {
                    line.SpaceAfter = std::max(line.SpaceAfter, excess / 2);
                    line.SpaceBefore = std::max(line.SpaceBefore, excess - excess / 2);
                }
                break;
            }
            default: line.SpaceBefore = std::max(line.SpaceBefore, h + descent - height); break;
        }
    }
    if (Images.HasControls()) ControlLineSpace(line, start, end, y);
    TSectionList* doc = Document();
    if (doc && !doc->PrintCopyFlag)
        for (int ri = RunIndexAt(start); ri < Fonts.Count() && Fonts.Run(ri)->RunStart < end; ++ri)
            Fonts.Run(ri)->AssignY(y);

    int textEnd = end;
    while (textEnd > start && (SectionText[static_cast<size_t>(textEnd - 1)] == L' ' ||
                               SectionText[static_cast<size_t>(textEnd - 1)] == BreakChar))
        --textEnd;
    const int textWidth = Width(m, start, textEnd);
    const int left = indents.LeftIndent(y) + (firstLine ? LeadIndent : 0);
    const int right = indents.RightSide(y);
    switch (Justify) {
        case Centered: line.LineIndent = SaturateY((int64_t{right} + left - textWidth) / 2 - x); break;
        case Right: line.LineIndent = SaturateY(int64_t{right} - x - textWidth); break;
        default: line.LineIndent = left - x; break;
    }
    // A line wider than its space overflows to the right, never out to the left.
    line.LineIndent = std::max(line.LineIndent, left - x);
    line.Spaces = 0;
    line.Extra = 0;
    if (Justify == FullJustify && !lastLine) {
        int spaces = 0;
        for (int i = start; i < textEnd - 1; ++i) spaces += IsStretchSpace(SectionText[static_cast<size_t>(i)]);
        const int extra = right - left - textWidth;
        if (spaces > 0 && extra > 0) {
            line.Spaces = spaces;
            line.Extra = extra;
        }
    }
    line.LayoutTop = y;
    y = SaturateY(int64_t{y} + line.LineImageHeight());
}

int TSection::DrawLogic(TCanvas* Canvas, int X, int Y, int, int, int WidthArg, int HeightArg, int EnclosingHeight,
                        IndentManager* IndentRef, int& MaxWidth, int& PosCounter) {
    InnerTop = PlacedY = PaintTop = Y;
    FirstDocPos = PosCounter;
    FullHeight = 0;
    Lines.clear();
    LayoutX = X;
    IndentManager fallback;
    IndentManager& indents = IndentRef ? *IndentRef : fallback;
    if (!IndentRef) fallback.Reset(0, WidthArg);
    TSectionList* doc = Document();

    auto clearHeight = [&](int y) {
        if (ClearSide == clrNone) return 0;
        int cl = 0, cr = 0;
        indents.GetClearY(cl, cr);
        const int clearY = ClearSide == clLeft ? cl : ClearSide == clRight ? cr : std::max(cl, cr);
        return std::max(0, clearY - y - 1);
    };
    if (Len == 0) {
        FullHeight = PaintHeight = clearHeight(Y);
        InnerBottom = PaintBottom = SaturateY(int64_t{Y} + FullHeight);
        MaxWidth = 0;
        return FullHeight;
    }

    TTextMeasurer& m = MeasurerFor(Canvas);
    if (IndentPercent > 0) LeadIndent = MulDivY(WidthArg, IndentPercent, 100);
    WidthAvailable = indents.RightSide(Y) - X;
    MaxWidth = std::min(indents.RightSide(Y) - indents.LeftIndent(Y), WidthArg);
    if (Images.Count() > 0) {
        const int objectsWide = LayoutObjects(Canvas, MaxWidth, HeightArg ? HeightArg : EnclosingHeight);
        MaxWidth = std::max(MaxWidth, objectsWide);
    }
    if (Images.HasControls()) MaxWidth = std::max(MaxWidth, LayoutControls(MaxWidth));
    int floatBottom = 0;
    // Floats are placed in text order, so those placed are the ones before
    // this mark.
    int placedTo = 0;
    // The floats of [from, to) not yet placed go in at `at`.
    auto placeFloats = [&](int from, int to, int at) {
        for (int k = NextObjectAt(std::max(from, placedTo)); k < to; k = NextObjectAt(k + 1)) {
            TFloatingObj* o = SectionText[static_cast<size_t>(k)] == ImageChar ? Images.FindImage(k) : nullptr;
            if (!o || !o->IsFloating()) continue;
            placedTo = k + 1;
            // A float that does not fit beside those already placed goes
            // down to where one of them ends, as far as it must; with no
            // such place below it stands here and overflows. It never
            // stands above a float placed before it.
            int top = std::max(at, indents.NextFloatTop);
            const int64_t needed = int64_t{o->BoxWidth} + o->SpaceLeft + o->SpaceRight;
            while (int64_t{indents.RightSide(top)} - indents.LeftIndent(top) < needed) {
                const int wider = indents.GetNextWiderY(top);
                if (wider <= top) break;
                top = wider;
            }
            indents.Update(top, o);
            o->FloatY = top;
            floatBottom = std::max(floatBottom, SaturateY(int64_t{top} + o->BoxHeight + o->SpaceTop + o->SpaceBottom));
        }
    };

    int y = Y;
    auto addEmptyLine = [&](int start, int height) {
        LineRec& line = Lines.emplace_back(doc);
        line.Start = start;
        line.LineHeightPx = height;
        line.LayoutTop = y;
        line.LineIndent = indents.LeftIndent(y) - X;
        y = SaturateY(int64_t{y} + height);
    };
    if (const int h = clearHeight(Y); h > 0) addEmptyLine(0, h);

    const bool pre = Preformatted();
    int pos = 0;
    while (pos < Len) {
        {
            // Floats that begin the line go in before it is fitted; those
            // placed for an earlier try at this line are not looked at again.
            int lead = std::max(pos, placedTo);
            while (lead < Len && SectionText[static_cast<size_t>(lead)] == ImageChar) {
                TFloatingObj* o = Images.FindImage(lead);
                if (!o || !o->IsFloating()) break;
                ++lead;
            }
            if (lead > pos) placeFloats(pos, lead, y);
        }
        const bool firstLine = pos == 0;
        const int left = indents.LeftIndent(y) + (firstLine ? LeadIndent : 0);
        const int width = std::min(indents.RightSide(y) - left, pre ? INT_MAX / 2 : WidthArg);
        int used = 0;
        const int unmeasured = firstLine && !pre ? FitsUnmeasured(m, width) : -1;
        const int fitted = pre ? [&] {
            int e = pos;
            while (e < Len && SectionText[static_cast<size_t>(e)] != BreakChar) ++e;
            return e - pos;
        }()
                               : unmeasured >= 0 ? unmeasured : FitFrom(m, pos, Len, width, used);
        int end = pos + fitted;
        bool overflow = false;
        if (end < Len && SectionText[static_cast<size_t>(end)] == BreakChar) {
            ++end;  // everything up to the forced break fits
        } else if (end < Len) {
            // Asked only when the line cannot be broken here: the answer
            // costs a look at every float of the cell. Floats that stand
            // beside this section's space without taking from it give no
            // more room where they end (a float's own text beside others).
            const auto wider = [&] { return indents.FloatsNarrow(y) ? indents.GetNextWiderY(y) : y; };
            if (fitted == 0) {
                if (const int w = wider(); w > y) {
                    addEmptyLine(pos, w - y);
                    continue;
                }
            }
            int k = pos + std::max(fitted, 1);
            if (k < Len && IsLowSurrogate(SectionText[static_cast<size_t>(k)])) ++k;
            int brk = -1;
            const wchar_t next = k < Len ? SectionText[static_cast<size_t>(k)] : 0;
            if (fitted > 0 && (IsBreakPoint(k) || (next == L' ' && BreakFlag(k) == 'y')))
                brk = k;
            for (int j = k - 1; brk < 0 && j > pos; --j)
                if (IsBreakPoint(j)) brk = j;
            if (brk < 0) {
                if (const int w = wider(); w > y) {
                    addEmptyLine(pos, w - y);
                    continue;
                }
                brk = k;
                while (brk < Len && !IsBreakPoint(brk)) ++brk;
                overflow = true;
            }
            end = brk;
            while (end < Len && SectionText[static_cast<size_t>(end)] == L' ') ++end;
            if (end < Len && SectionText[static_cast<size_t>(end)] == BreakChar) ++end;
        }
        LineRec& line = Lines.emplace_back(doc);
        line.Start = pos;
        line.LineCharCount = end - pos;
        FinishLine(m, line, y, X, indents, firstLine, end >= Len);
        placeFloats(pos, end, y);
        if (overflow || pre) {
            int textEnd = end;
            while (textEnd > pos && (SectionText[static_cast<size_t>(textEnd - 1)] == L' ' ||
                                     SectionText[static_cast<size_t>(textEnd - 1)] == BreakChar))
                --textEnd;
            MaxWidth = std::max(MaxWidth, left - X + Width(m, pos, textEnd));
        }
        pos = end;
    }
    FullHeight = y - Y;
    PosCounter = FirstDocPos + Len;
    if (doc && doc->FirstBaselineTarget && *doc->FirstBaselineTarget == 0 && !Lines.empty()) {
        const LineRec& first = Lines.front();
        *doc->FirstBaselineTarget = InnerTop + first.LineHeightPx + first.SpaceBefore - first.Descent;
    }
    PaintHeight = std::max(FullHeight, floatBottom - Y);
    InnerBottom = SaturateY(int64_t{Y} + FullHeight);
    PaintBottom = SaturateY(int64_t{Y} + PaintHeight);
    if (doc && !doc->PrintCopyFlag && TextSectionIndex % 50 == 0 && LastLayoutCycle != static_cast<uint16_t>(doc->LayoutCycle) &&
        doc->TextSectionTotal > 0 && doc->Host)
        doc->Host->Progress(MulDivY(TextSectionIndex, 100 - doc->ProgressBase, doc->TextSectionTotal) +
                            doc->ProgressBase);
    if (doc) LastLayoutCycle = static_cast<uint16_t>(doc->LayoutCycle);
    return FullHeight;
}

void TSection::MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) {
    if (MinWidthCache >= 1 && Images.Count() == 0 && !Images.HasControls()) {
        Min = MinWidthCache;
        Max = MaxWidthCache;
        return;
    }
    Min = Max = 0;
    if (Len == 0) return;
    int floatSum = 0, widestFloat = 0;
    if (Images.Count() > 0) {
        LayoutObjects(Canvas, 0, 0);
        for (int i = 0; i < Images.Count(); ++i) {
            TFloatingObj* o = Images.Obj(i);
            if (o->IsFloating()) {
                // Floats that do not fit side by side move down, so the
                // widest one is all a line must hold.
                const int w = SaturateY(int64_t{o->BoxWidth} + o->SpaceLeft + o->SpaceRight);
                floatSum = SaturateY(int64_t{floatSum} + w);
                widestFloat = std::max(widestFloat, w);
                if (FBreakFlags && o->Pos >= 0 && o->Pos < Len) FBreakFlags[static_cast<size_t>(o->Pos)] = 'y';
            } else {
                Min = std::max(Min, o->BoxWidth);
            }
        }
    }
    TTextMeasurer& m = MeasurerFor(Canvas);
    auto firstLineRule = [&](int width) {
        if (IndentPercent > 0) return MulDivY(width, 100, 100 - IndentPercent);
        return SaturateY(int64_t{width} + LeadIndent);
    };
    for (int p = 0; p < Len;) {
        int e = p;
        while (e < Len && SectionText[static_cast<size_t>(e)] != BreakChar) ++e;
        int w = FindTextWidth(Canvas, p, e - p, true);
        if (p == 0) w = firstLineRule(w);
        Max = std::max(Max, w);
        p = e + 1;
    }
    auto isSkipped = [&](int i) {
        const wchar_t c = SectionText[static_cast<size_t>(i)];
        return c == L' ' || IsObjectChar(c);
    };
    for (int p = 0; p < Len;) {
        while (p < Len && isSkipped(p)) ++p;
        if (p >= Len) break;
        int e = p + 1;
        while (e < Len && !IsBreakPoint(e)) ++e;
        int textEnd = e;
        while (textEnd > p && isSkipped(textEnd - 1)) --textEnd;
        int w = Width(m, p, textEnd);
        if (p == 0) w = firstLineRule(w);
        Min = std::max(Min, w);
        p = e;
    }
    Max = SaturateY(int64_t{Max} + floatSum);
    Min = std::max({Min, widestFloat, ControlsMinWidth()});
    MinWidthCache = Min;
    MaxWidthCache = Max;
}

// ---- queries

int TSection::LineIndex(int y) const {
    auto it = std::upper_bound(Lines.begin(), Lines.end(), y, [](int v, const LineRec& l) { return v < l.LayoutTop; });
    if (it == Lines.begin()) return -1;
    --it;
    const LineRec& l = *it;
    if (y >= l.LayoutTop + l.LineImageHeight()) return -1;
    return static_cast<int>(it - Lines.begin());
}

guResultType TSection::GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut,
                              TImageFormControlObj*& ControlOut, std::string& TitleOut) {
    if (Images.Count() > 0) {
        int hitX = 0, hitY = 0, posn = 0;
        bool map = false, upperMap = false;
        TMapItem* mapItem = nullptr;
        TImageObj* image = nullptr;
        if (Images.PtInImage(X, Y, hitX, hitY, posn, map, upperMap, mapItem, image)) {
            guResultType result = 0;
            if (!image->HintText.empty()) {
                TitleOut = image->HintText;
                result |= guTitle;
            }
            TSectionList* doc = Document();
            if (doc) doc->ImageUnderMouse = image;
            if (auto* control = dynamic_cast<TImageFormControlObj*>(image->ImageButtonControl)) {
                // An image button: a click submits the point within the picture.
                control->LastX = hitX;
                control->LastY = hitY;
                ControlOut = control;
                return result | guControl;
            }
            if (upperMap && mapItem) {
                // The map's area decides, with its own title.
                owned_ptr<TUrlTarget> target;
                std::string title;
                if (mapItem->GetURL(hitX, hitY, target, title) && target) {
                    image->HitTarget.Copy(*target);
                    TargetOut = &image->HitTarget;
                    result |= guUrl;
                    if (!title.empty()) {
                        TitleOut = title;
                        result |= guTitle;
                    }
                }
                return result;
            }
            int index;
            if (TFontObj* run = Fonts.GetFontObjAt(posn, index); run && !run->LinkTarget().Url.empty()) {
                TargetOut = &run->EditLinkTarget();
                if (map) {
                    image->HitTarget.Copy(run->LinkTarget());
                    image->HitTarget.Url += "?" + std::to_string(hitX) + "," + std::to_string(hitY);
                    TargetOut = &image->HitTarget;
                }
                if (doc) doc->LinkUnderMouse = run;
                result |= guUrl;
            }
            return result;
        }
    }
    const int li = LineIndex(Y);
    if (li < 0) return 0;
    const LineRec& line = Lines[static_cast<size_t>(li)];
    const int x0 = LayoutX + line.LineIndent;
    if (X < x0 || line.LineCharCount == 0) return 0;
    std::vector<int> adv;
    LineAdvances(MeasurerFor(Canvas), line, adv);
    int x = x0, i = 0;
    while (i < line.LineCharCount && x + adv[static_cast<size_t>(i)] <= X) x += adv[static_cast<size_t>(i++)];
    if (i >= line.LineCharCount) return 0;
    const int pos = line.Start + i;
    int index;
    TFontObj* run = Fonts.GetFontObjAt(pos, index);
    if (!run) return 0;
    guResultType result = 0;
    if (!run->LinkTarget().Url.empty() && SectionText[static_cast<size_t>(pos)] != ImageChar) {
        TargetOut = &run->EditLinkTarget();
        if (TSectionList* doc = Document()) doc->LinkUnderMouse = run;
        result |= guUrl;
    }
    if (!run->Title().empty()) {
        TitleOut = run->Title();
        result |= guTitle;
    }
    return result;
}

int TSection::FindCursor(TCanvas* Canvas, int X, int Y, int& CaretX, int& CaretY, int& CaretHeight,
                         bool& InsideText) {
    if (X < LayoutX) return -1;
    const int li = LineIndex(Y);
    if (li < 0) return -1;
    const LineRec& line = Lines[static_cast<size_t>(li)];
    std::vector<int> adv;
    LineAdvances(MeasurerFor(Canvas), line, adv);
    const int x0 = LayoutX + line.LineIndent;
    int64_t lineEnd = x0;
    for (int a : adv) lineEnd += a;
    if (X > lineEnd) return -1;
    CaretHeight = line.LineHeightPx;
    CaretY = line.LayoutTop + line.SpaceBefore;
    InsideText = true;
    int d = 0;
    CaretX = x0;
    if (X < x0) {
        InsideText = false;
    } else {
        while (d < line.LineCharCount && CaretX + adv[static_cast<size_t>(d)] <= X) CaretX += adv[static_cast<size_t>(d++)];
        if (d < line.LineCharCount && X > CaretX + adv[static_cast<size_t>(d)] / 2) CaretX += adv[static_cast<size_t>(d++)];
        if (d < line.LineCharCount && IsLowSurrogate(SectionText[static_cast<size_t>(line.Start + d)])) ++d;
        if (d >= line.LineCharCount) InsideText = false;
    }
    return FirstDocPos + line.Start + d;
}

bool TSection::CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y) {
    if (Len == 0 || Lines.empty() || Cursor < FirstDocPos || Cursor > FirstDocPos + Len) return false;
    const int c = Cursor - FirstDocPos;
    // The last line starting at or before c: the one whose characters hold
    // it (not an empty line pushed below a float, which comes before the
    // line at the same start), the last line for the end of the text.
    auto it = std::upper_bound(Lines.begin(), Lines.end(), c, [](int v, const LineRec& l) { return v < l.Start; });
    const LineRec& line = it == Lines.begin() ? Lines.front() : *(it - 1);
    Y = line.LayoutTop;
    X = LayoutX + line.LineIndent;
    std::vector<int> adv;
    LineAdvances(MeasurerFor(Canvas), line, adv);
    for (int i = 0; i < c - line.Start && i < line.LineCharCount; ++i) X += adv[static_cast<size_t>(i)];
    return true;
}

bool TSection::GetChAtPos(int Pos, wchar_t& Ch, TObject*& Obj) {
    if (Pos < FirstDocPos || Pos >= FirstDocPos + Len) return false;
    Ch = SectionText[static_cast<size_t>(Pos - FirstDocPos)];
    Obj = this;
    return true;
}

int TSection::FindString(int from, const std::wstring& SearchText, bool CaseSensitive) {
    if (Len == 0 || from >= FirstDocPos + Len || SearchText.empty()) return -1;
    const size_t start = static_cast<size_t>(std::max(from - FirstDocPos, 0));
    const std::wstring hay = CaseSensitive ? SectionText : WideLowerCase1(SectionText);
    const size_t at = hay.find(SearchText, start);
    return at == std::wstring::npos ? -1 : FirstDocPos + static_cast<int>(at);
}

int TSection::FindStringR(int from, const std::wstring& SearchText, bool CaseSensitive) {
    const int n = static_cast<int>(SearchText.size());
    if (Len == 0 || n == 0 || from < FirstDocPos || Len < n) return -1;
    const int limit = std::min(from - FirstDocPos, Len);
    if (limit < n) return -1;
    const std::wstring hay = CaseSensitive ? SectionText : WideLowerCase1(SectionText);
    const size_t at = hay.rfind(SearchText, static_cast<size_t>(limit - n));
    return at == std::wstring::npos ? -1 : FirstDocPos + static_cast<int>(at);
}

int TSection::FindSourcePos(int DocPos) {
    if (Len == 0 || SourceIndexMap.empty() || DocPos < FirstDocPos || DocPos >= FirstDocPos + Len) return -1;
    const int p = DocPos - FirstDocPos;
    auto it = std::upper_bound(SourceIndexMap.begin(), SourceIndexMap.end(), p,
                               [](int v, const IndexObj& o) { return v < o.Pos; });
    if (it == SourceIndexMap.begin()) return -1;
    --it;
    return p + it->Index - it->Pos;
}

int TSection::FindDocPos(int SourcePos, bool Prev) {
    if (Len == 0 || SourceIndexMap.empty()) return -1;
    const auto& map = SourceIndexMap;
    auto runEnd = [&](size_t i) { return i + 1 < map.size() ? map[i + 1].Pos : Len; };  // exclusive
    auto it = std::upper_bound(map.begin(), map.end(), SourcePos,
                               [](int v, const IndexObj& o) { return v < o.Index; });
    if (it == map.begin()) return Prev ? -1 : FirstDocPos;
    const size_t i = static_cast<size_t>(it - map.begin()) - 1;
    const int64_t inRun = int64_t{SourcePos} - map[i].Index;
    if (inRun < runEnd(i) - map[i].Pos) return FirstDocPos + map[i].Pos + static_cast<int>(inRun);
    if (i + 1 >= map.size()) return Prev ? FirstDocPos + Len - 1 : -1;
    return Prev ? FirstDocPos + runEnd(i) - 1 : FirstDocPos + runEnd(i);
}

void TSection::CopyToClipboard() {
    TSectionList* doc = Document();
    if (!doc || !doc->CB) return;
    const int s0 = std::max(doc->SelFirstPos - FirstDocPos, 0);
    const int s1 = std::min(doc->SelEndPos - FirstDocPos, Len);
    if (s0 < s1) doc->CB->AddText(SectionText.data() + s0, s1 - s0);
    if (doc->SelEndPos > FirstDocPos + Len) doc->CB->AddTextCR(L"", 0);
}

void TSection::CheckForInlines(LineRec& line) {
    TSectionList* doc = Document();
    line.Clear();
    TFreeList* borders = nullptr;
    const bool has = doc && doc->InlineBorders->Count() > 0 &&
                     doc->InlineBorders->BordersForLine(FirstDocPos, line.Start, line.LineCharCount, borders);
    line.SetBorders(has, borders);
}

// ---- preformatted text

TSectionBase* TPreFormated::CreateClone(TSectionDocument* document) const {
    return new TPreFormated(SectionListOf(document), *this);
}

void TPreFormated::ProcessText() { Finish(); }

void TPreFormated::MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) {
    Min = Max = 0;
    if (Len == 0) return;
    if (MaxWidthCache <= 0) {
        int widest = 0;
        for (int p = 0; p < Len;) {
            int e = p;
            while (e < Len && SectionText[static_cast<size_t>(e)] != BreakChar) ++e;
            widest = std::max(widest, FindTextWidth(Canvas, p, e - p, false));
            p = e + 1;
        }
        MaxWidthCache = widest;
    }
    Max = MaxWidthCache;
    Min = std::min(2000, Max);
}

int TPreFormated::DrawLogic(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int WidthArg, int HeightArg,
                            int EnclosingHeight, IndentManager* IndentRef, int& MaxWidth, int& PosCounter) {
    if (Len == 0) {
        int desc = 0;
        const int height = Fonts.Count() > 0 ? Fonts.Run(0)->GetHeight(desc) : 0;
        FirstDocPos = PosCounter;
        PlacedY = InnerTop = PaintTop = Y;
        FullHeight = PaintHeight = height;
        InnerBottom = PaintBottom = SaturateY(int64_t{Y} + height);
        MaxWidth = 0;
        Lines.clear();
        return height;
    }
    const int h = TSection::DrawLogic(Canvas, X, Y, OriginX, OriginY, WidthArg, HeightArg, EnclosingHeight, IndentRef,
                                      MaxWidth, PosCounter);
    int mn = 0, mx = 0;
    MinMaxWidth(Canvas, mn, mx);
    MaxWidth = mx;
    return h;
}
