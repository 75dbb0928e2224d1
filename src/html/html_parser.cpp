#include "html/html_parser.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "framework/cp1251.h"
#include "framework/small_heap.h"
#include "framework/sysutils.h"
#include "html/block.h"
#include "html/code_pages.h"
#include "html/colors.h"
#include "html/form_controls.h"
#include "html/horz_line.h"
#include "html/image_map.h"
#include "html/layout_types.h"
#include "html/prop_cache.h"
#include "html/section_list.h"
#include "html/style_list.h"
#include "html/style_parser.h"
#include "html/style_props.h"
#include "html/table.h"
#include "html/table_block.h"
#include "html/text_section.h"

namespace {

TReaderResults gResults;

// True when the text holds one of the ISO-2022-JP escapes that switch to
// JIS X 0208, looked for in one pass: the escape byte is rare in pages.
bool HasJisEscape(std::string_view text) {
    for (size_t at = FindByte(text, '\x1b'); at != std::string_view::npos; at = FindByte(text, '\x1b', at + 1)) {
        const std::string_view rest = text.substr(at + 1, 2);
        if (rest == "$@" || rest == "$B") return true;
    }
    return false;
}

using StopSet = std::bitset<SymbCount>;

StopSet Set(std::initializer_list<Symb> symbols) {
    StopSet s;
    for (Symb sy : symbols) s.set(static_cast<size_t>(sy));
    return s;
}
StopSet Range(StopSet s, Symb first, Symb last) {
    for (int i = first; i <= last; ++i) s.set(static_cast<size_t>(i));
    return s;
}

// Symbols the text reader takes, inside and outside paragraphs.
const StopSet& ParagraphContent() {
    static const StopSet s = [] {
        StopSet r = Set({BSy, BEndSy, ISy, IEndSy, BRSy, ImageSy, ASy, AEndSy, TextSy, InputSy, TextAreaSy,
                         TextAreaEndSy, SelectSy, FontSy, FontEndSy, BaseFontSy, MapSy, PageSy, ScriptSy,
                         ScriptEndSy, PanelSy, NoBrSy, NoBrEndSy, WbrSy, SpanSy, SpanEndSy, LabelSy, LabelEndSy,
                         CommandSy});
        r = Range(r, EmSy, UEndSy);
        r = Range(r, CiteSy, VarEndSy);
        r = Range(r, TTSy, SampEndSy);
        r = Range(r, SubSy, SupEndSy);
        r = Range(r, BigSy, SmallEndSy);
        r = Range(r, SSy, StrikeEndSy);
        return r;
    }();
    return s;
}
const StopSet& TextLevel() {
    static const StopSet s = [] {
        StopSet r = ParagraphContent();
        r |= Set({HeadingSy, HeadingEndSy, HRSy, PreSy, TableSy});
        r.reset(ScriptEndSy);
        r.reset(CommandSy);
        return r;
    }();
    return s;
}

struct InlineTag {
    Symb Start, End;
    const char* Name;
};
constexpr InlineTag kInlineTags[] = {
    {BSy, BEndSy, "b"},           {ISy, IEndSy, "i"},           {EmSy, EmEndSy, "em"},
    {StrongSy, StrongEndSy, "strong"},                          {USy, UEndSy, "u"},
    {CiteSy, CiteEndSy, "cite"},  {VarSy, VarEndSy, "var"},     {TTSy, TTEndSy, "tt"},
    {CodeSy, CodeEndSy, "code"},  {KbdSy, KbdEndSy, "kbd"},     {SampSy, SampEndSy, "samp"},
    {SSy, SEndSy, "s"},           {StrikeSy, StrikeEndSy, "strike"},
    {SubSy, SubEndSy, "sub"},     {SupSy, SupEndSy, "sup"},     {BigSy, BigEndSy, "big"},
    {SmallSy, SmallEndSy, "small"},                             {SpanSy, SpanEndSy, "span"},
    {LabelSy, LabelEndSy, "label"},
};
// Every token of running text asks, so the answer is a look-up by symbol:
// the entry's index plus one, negative for an end tag, 0 for none.
constexpr std::array<int8_t, SymbCount> kInlineBySymbol = [] {
    std::array<int8_t, SymbCount> table{};
    for (size_t i = 0; i < std::size(kInlineTags); ++i) {
        table[kInlineTags[i].Start] = static_cast<int8_t>(i + 1);
        table[kInlineTags[i].End] = static_cast<int8_t>(-static_cast<int>(i + 1));
    }
    return table;
}();
const InlineTag* FindInline(Symb sy, bool& start) {
    const int entry = sy >= 0 && sy < SymbCount ? kInlineBySymbol[static_cast<size_t>(sy)] : 0;
    if (entry == 0) return nullptr;
    start = entry > 0;
    return &kInlineTags[std::abs(entry) - 1];
}
// The entry's name as the property sets take it, made once rather than at
// every tag.
const std::string& InlineName(const InlineTag* tag) {
    static const auto names = [] {
        std::array<std::string, std::size(kInlineTags)> made;
        for (size_t i = 0; i < made.size(); ++i) made[i] = kInlineTags[i].Name;
        return made;
    }();
    return names[static_cast<size_t>(tag - kInlineTags)];
}
// Names passed at every paragraph, link and font change, likewise made once.
const std::string kParagraphTag = "p", kAnchorTag = "a", kFontTag = "font", kNoPseudo;

const char* ItemTag(Symb sy) { return sy == DDSy ? "dd" : sy == DTSy ? "dt" : "li"; }

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s;
}

int SaturatingAdd(int a, int b) {
    const long long r = static_cast<long long>(a) + b;
    return r > INT_MAX ? INT_MAX : r < INT_MIN ? INT_MIN : static_cast<int>(r);
}

// A decimal number with an optional sign, saturated; `ok` false without digits.
int ParseSaturated(const std::string& s, bool& ok) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    ok = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        ok = true;
        if (v < INT_MAX) v = v * 10 + (s[i] - '0');
    }
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(negative ? -v : v);
}

// What a tag contributes to its property set, captured before the scanner
// moves on to the next tag.
struct TagInfo {
    std::string Class, ID, Title, Align;
    TProperties* Style = nullptr;  // owned by the reader's keep list
};

// Picture captions, links and the files they name keep their texts in code
// page 1251, so texts of a page in another code page are converted as its
// text is. (Form controls keep the page's own, shown as wide text.)
std::string To1251(std::string s, int codePage) {
    if (codePage == 1251 || std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 128; }))
        return s;
    return WideStringToMultibyte(1251, MultibyteToWideString(codePage, s));
}
void TextTo1251(std::string& text, int codePage) {
    if (codePage != 1251) text = To1251(std::move(text), codePage);
}
void AttributesTo1251(TAttributeList& attributes, int codePage) {
    if (codePage == 1251) return;
    for (int i = 0; i < attributes.Count(); ++i) {
        TAttribute* a = attributes.Attribute(i);
        a->Text = To1251(std::move(a->Text), codePage);
    }
}

// A tag's attributes kept past the scanner's next token, for a box made
// after the tags that follow it were read.
std::unique_ptr<TAttributeList> CopyAttributes(const TAttributeList& source) {
    auto copy = std::make_unique<TAttributeList>();
    for (int i = 0; i < source.Count(); ++i) {
        const TAttribute* a = source.Attribute(i);
        copy->Add(new TAttribute(a->Sym, a->Number, a->AttrName, a->Text));
    }
    return copy;
}

// Boxes nest inside the body block, which counts as one level of the
// layout's cap.
constexpr int MaxBlockDepth = MaxNestingDepth - 1;

// Linked style sheets and frame-set files are read only when they are
// regular files of a sane size.
constexpr std::uintmax_t MaxSideFileBytes = 1u << 20;
// Inside text read in one go (preformatted lines, a style sheet) the budget
// is weighed every so many characters, as it is between tokens.
constexpr int kBudgetCheckChars = THtmlScanner::kBudgetCheckChars;
// What a line of layout takes at its peak (the record, its share of the line
// list as it grows: about 60 bytes once laid out, 86 while the list doubles),
// weighed for each place a line may break. The pane can be narrowed after
// the read without a new one, so each space is weighed as a line of its own.
constexpr std::size_t kLayoutBytesPerBreak = 96;

bool ReadSideFile(const std::string& name, std::string& out) {
    std::error_code ec;
    // File names are code page 1251 text, whatever the system's code page.
    const std::filesystem::path path(AnsiToWide(name));
    if (!std::filesystem::is_regular_file(path, ec) || ec) return false;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > MaxSideFileBytes) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(static_cast<size_t>(size), '\0');
    in.read(out.data(), static_cast<std::streamsize>(size));
    out.resize(static_cast<size_t>(in.gcount()));
    return true;
}

class THtmlReader {
public:
    THtmlReader(TSectionList* doc, TObject* viewer, const TReaderCallbacks& callbacks)
        : Doc(doc), Cell(doc), Callbacks(callbacks) {
        Sc.Viewer = viewer;
    }
    ~THtmlReader() {
        // Whatever ended the run, the open section joins its cell and the
        // run's property sets go.
        try {
            SectionEnd();
        } catch (...) {
        }
        PropStack.Clear();
        for (TProperties* p : InlineKeep) TObject::Free(p);
    }

    void StartRun(std::string body, bool utf8) {
        PropStack.Clear();
        auto* base = new TProperties;
        if (Doc->Styles && Doc->Styles->DefaultEntry) base->CopyDefault(*Doc->Styles->DefaultEntry);
        PropStack.Add(base);
        if (HasJisEscape(body)) {
            body = Iso2022JpToShiftJis(body);
            base->AssignCharSet(128);
        }
        if (utf8) base->AssignUTF8();
        SyncScanner();
        Body = new TBodyBlock(Doc, *base, Doc, nullptr);
        Doc->Add(Body);
        Cell = Body->ChildCell.get();
        Sc.IDNameList = Doc->IDObjects.get();
        // Reading takes the viewer's progress range up to where layout's
        // share begins.
        if (TDocumentHost* host = Doc->Host) {
            Sc.OnProgress = [host](int percent) { host->Progress(percent); };
            Sc.ProgressShare = Doc->ProgressBase;
        }
        Sc.Start(std::move(body));
    }

    void ReadHtml() {
        if (Callbacks.OnInclude)
            // The token being scanned is finished and kept; the run ends at
            // the next one.
            Sc.OnInclude = [this](TObject* sender, const std::string& command, std::vector<std::string> params,
                                  std::string& text) {
                try {
                    Callbacks.OnInclude(sender, command, std::move(params), text);
                } catch (...) {
                    Stopped = true;
                    text.clear();
                }
            };
        // An attribute value or a script may be the rest of the page.
        Sc.OverBudget = [this] { return OverBudget(); };
        Next();
        ReadBodyContent(StopSet{});
    }

    void ReadPlainText();
    // The note closing a page cut short at the memory budget, in the body
    // whatever was open, in the body's own font.
    void AddBudgetNote();

    THtmlScanner Sc;

private:
    // ---- tokens, property sets, sections

    // A failure of the host (a callback that throws) ends the run the way
    // the end of the input does: every reader sees EofSy and closes what it
    // opened on its normal path, so what was built stays attached.
    void Stop() {
        Stopped = true;
        Sc.Sy = EofSy;
    }
    template <class F>
    void Guarded(F&& call) {
        try {
            call();
        } catch (...) {
            Stop();
        }
    }
    // True once what the run took (the heap, and the pictures and control
    // windows charged beside it), with what layout may take for it, passes
    // the reader's share of the budget; the run then ends as at the end of
    // the input.
    bool OverBudget() {
        const std::size_t used = DocumentBytesInUse() + LayoutBytes;
        if (used <= MemoryAtStart || used - MemoryAtStart <= gDocumentMemoryBudget / 3 * 2) return false;
        gResults.CutShort = true;
        Stop();
        return true;
    }
    void Next() {
        if (Stopped || OverBudget()) {
            Sc.Sy = EofSy;
            return;
        }
        Guarded([&] {
            if (PreRaw) ReadPreRaw();
            // Preformatted text may have stopped the run at the budget.
            if (!Stopped) Sc.NextToken();
        });
    }

    // The scanner's "Symbol" rule is its own: set at each FONT or BASEFONT
    // tag, whatever the sets around.
    void SyncScanner() { Sc.CodePage = PropStack.Last()->FontCodePage; }

    TagInfo Capture() {
        TagInfo t;
        t.Class = Sc.Attributes.GetClass();
        t.ID = Sc.Attributes.GetID();
        t.Title = Sc.Attributes.GetTitle();
        if (!t.Title.empty() && Sc.CodePage != 1251) t.Title = To1251(std::move(t.Title), Sc.CodePage);
        TAttribute* a;
        if (Sc.Attributes.Find(AlignSy, a)) t.Align = Lower(a->Text);
        if (auto* style = Sc.Attributes.GetStyle<TProperties>()) {
            // The set may keep a pointer to its inline properties, so they
            // live as long as the run.
            Sc.Attributes.StyleProps = nullptr;
            InlineKeep.push_back(style);
            t.Style = style;
        }
        return t;
    }

    // False when the stack is at its cap: the tag is counted and its end tag
    // consumes the count, so the sets of the open elements stay as they were.
    bool PushNewProp(const std::string& tag, const TagInfo& info, const std::string& pseudo = kNoPseudo) {
        if (PropStack.Count() >= MaxNestingDepth) {
            ++Excess[tag];
            return false;
        }
        Sets.Push(Doc->Styles.get(), tag, info.Class, info.ID, pseudo, info.Title, info.Style);
        SyncScanner();
        return true;
    }

    void PopAProp(const std::string& tag) {
        auto excess = Excess.find(tag);
        if (excess != Excess.end() && excess->second > 0) {
            --excess->second;
            return;
        }
        for (int j = PropStack.Count() - 1; j >= 1; --j) {
            TProperties* p = PropStack.GetProp(j);
            if (!SameBytes(p->Sel().Tag, tag)) continue;
            if (p->BorderStyleNotBlank()) Doc->ProcessInlines(Sc.SIndex, *p, false);
            PropStack.Delete(j);
            for (int k = j; k < PropStack.Count(); ++k)
                PropStack.GetProp(k)->Update(*PropStack.GetProp(k - 1), Doc->Styles.get(), k);
            SyncScanner();
            return;
        }
    }

    void NewSection(TAttributeList* attributes = nullptr) {
        SectionEnd();
        const TUrlTarget* link = InLink ? &LinkTarget : nullptr;
        // The first section of a box takes the box's first-line indent.
        const bool first = Cell->Count() == 0;
        if (InPre)
            Section = new TPreFormated(Doc, attributes, *PropStack.Last(), link, Cell, first);
        else
            Section = new TSection(Doc, attributes, *PropStack.Last(), link, Cell, first);
        Section->NoBreak = NoBreak || InPre;
    }
    TSection* CurrentSection() {
        if (!Section) NewSection();
        return Section;
    }
    void SectionEnd() {
        if (!Section) return;
        TSection* s = Section;
        Section = nullptr;
        Cell->Add(s);
    }
    void FontChanged() {
        if (Section) Section->ChangeFont(*PropStack.Last());
    }

    // ---- blocks
    //
    // A box is attached to its cell when it is made, so whatever ends the run
    // leaves it in the document. Past the nesting cap, or when the element's
    // set could not be pushed, no box is made and the content flows on in
    // the enclosing cell.
    struct BlockFrame {
        TCellBasic* OuterCell;
        TBlock* Block;
    };
    template <class Make>
    BlockFrame OpenBox(bool pushed, Make&& make) {
        SectionEnd();
        BlockFrame frame{Cell, nullptr};
        if (!pushed || BlockDepth >= MaxBlockDepth) return frame;
        TBlock* block = make();
        Cell->Add(block);
        frame.Block = block;
        Cell = block->ChildCell.get();
        ++BlockDepth;
        return frame;
    }
    BlockFrame BeginBlock(bool pushed, TAttributeList* attributes, bool listBlock = false) {
        return OpenBox(pushed, [&] {
            auto* block = new TBlock(Doc, *PropStack.Last(), Cell, attributes);
            block->IsListBlock = listBlock;
            return block;
        });
    }
    void EndBlock(const BlockFrame& frame) {
        SectionEnd();
        if (frame.Block) {
            frame.Block->ChildCell->CheckLastBottomMargin();
            --BlockDepth;
        }
        Cell = frame.OuterCell;
    }
    // What a list item's box shows in front of its content.
    struct ListItemInfo {
        Symb ListKind;    // OLSy, ULSy, DirSy, MenuSy, DLSy, or liAloneSy outside a list
        int Level;        // lists open around it
        int Number;       // its number in an ordered list
        char NumberType;  // '1', 'a', 'A', 'i' or 'I'
        bool Plain;       // no bullet
    };
    BlockFrame BeginListItem(bool pushed, const ListItemInfo& item) {
        return OpenBox(pushed, [&] {
            return new TBlockLI(Doc, *PropStack.Last(), Cell, item.ListKind, item.Plain, item.NumberType,
                                item.Number, item.Level, &Sc.Attributes);
        });
    }

    // Containers that hold containers nest at most MaxNestingDepth deep;
    // past it the opening tag is ignored and its content flows on.
    struct DepthGuard {
        explicit DepthGuard(int& depth) : Depth(depth) { ++Depth; }
        ~DepthGuard() { --Depth; }
        int& Depth;
    };
    bool TooDeep() const { return Depth >= MaxNestingDepth; }

    // ---- the readers

    // `listStop`: where a list nested in a list item ends (the enclosing
    // list's own stop set), rather than at the item's next LI.
    void ReadBodyContent(const StopSet& stop, const StopSet* listStop = nullptr);
    void DoBody();
    void DoP(const StopSet& stop);
    void DoDivLike(const StopSet& stop, const StopSet* listStop);
    void DoList(const StopSet& stop);
    void DoLoneItem(const StopSet& stop);
    void DoHeading();
    void DoPre(const StopSet& stop);
    void ReadPreRaw();
    void PreLineEnd();
    void DoText();
    void AddText(TokenObj& token);
    void DoFont();
    void DoAnchor();
    void DoBreak();
    void DoLink();
    void DoMeta();
    void DoStyle();
    void DoScript();
    void DoSound();
    void DoMap();
    void SkipUntil(Symb end);

    void AddImage() { AddFloatingObject("img", false); }
    void AddPanel() { AddFloatingObject("panel", true); }
    // An image or panel joins the current section in the element's own
    // properties; the element has no content, so it closes at once.
    void AddFloatingObject(const char* tag, bool panel) {
        if (PushNewProp(tag, Capture())) {
            TProperties* p = PropStack.Last();
            if (p->BorderStyleNotBlank()) Doc->ProcessInlines(Sc.SIndex, *p, true);
        }
        TSection* section = CurrentSection();
        AttributesTo1251(Sc.Attributes, Sc.CodePage);
        if (panel)
            section->AddPanel(&Sc.Attributes, Cell, Sc.SIndex);
        else
            section->AddImage(&Sc.Attributes, Cell, Sc.SIndex)->ProcessProperties(*PropStack.Last());
        PopAProp(tag);
        Next();
    }
    // ---- forms
    //
    // A FORM makes the form the controls after it join; a control read while
    // there is none makes a form of its own. INPUT, SELECT and TEXTAREA join
    // the current section in their element's own properties.
    void BeginForm() { Doc->CurrentForm = new ThtmlForm(Doc, &Sc.Attributes); }
    void EndForm() { Doc->CurrentForm = nullptr; }

    void AddFormControl() {
        const Symb sy = Sc.Sy;
        const char* tag = sy == InputSy ? "input" : sy == SelectSy ? "select" : "textarea";
        const bool pushed = PushNewProp(tag, Capture());
        if (pushed && PropStack.Last()->BorderStyleNotBlank()) Doc->ProcessInlines(Sc.SIndex, *PropStack.Last(), true);
        // A control keeps the page's own texts; a picture button's also make
        // its picture, whose texts are code page 1251.
        TAttribute* type;
        if (sy == InputSy && Sc.Attributes.Find(TypeSy, type) && Lower(type->Text.substr(0, 20)) == "image")
            AttributesTo1251(Sc.Attributes, Sc.CodePage);
        TFormControlObj* control = nullptr;
        Guarded([&] {
            control = CurrentSection()->AddFormControl(sy, &Sc.Attributes, Cell, Sc.SIndex, *PropStack.Last());
        });
        if (sy == TextAreaSy) {
            ReadTextAreaContent(dynamic_cast<TTextAreaFormControlObj*>(control));
        } else if (sy == SelectSy) {
            const bool preRaw = std::exchange(PreRaw, false);
            Next();
            ReadOptions(dynamic_cast<TListBoxFormControlObj*>(control), preRaw);
        } else {
            Next();
        }
        if (pushed) PopAProp(tag);
    }

    // OPTIONs up to the end of the SELECT; any other tag ends it too, so a
    // SELECT left open does not swallow the page. Inside PRE the text after
    // the SELECT is preformatted again (`preRaw`).
    void ReadOptions(TListBoxFormControlObj* list, bool preRaw) {
        bool open = false, selected = false;
        std::wstring text;
        std::vector<std::string> attributes;
        auto flush = [&] {
            if (!open) return;
            const size_t first = text.find_first_not_of(L' ');
            const size_t last = text.find_last_not_of(L' ');
            const std::wstring trimmed =
                first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
            if (list) list->AddStr(trimmed, selected, attributes, list->TextCodePage);
            open = false;
            text.clear();
        };
        while (Sc.Sy == OptionSy || Sc.Sy == OptionEndSy || Sc.Sy == TextSy) {
            if (Sc.Sy == OptionSy) {
                flush();
                open = true;
                TAttribute* a;
                selected = Sc.Attributes.Find(SelectedSy, a);
                attributes = Sc.Attributes.CreateStringList();
            } else if (Sc.Sy == OptionEndSy) {
                flush();
            } else if (open) {
                text += Sc.LCToken.GetString();
            }
            Next();
        }
        flush();
        if (list) Guarded([&] { list->ResetToValue(); });
        PreRaw = preRaw;
        if (Sc.Sy == SelectEndSy) Next();
    }

    // The content is kept as written up to "</textarea" (in any case):
    // references are decoded as in the page's text, other tags are text,
    // each line end is CR LF.
    void ReadTextAreaContent(TTextAreaFormControlObj* area) {
        const bool plain = Sc.PlainText;
        Sc.PlainText = true;
        std::string line;  // the page's bytes since the last reference
        std::wstring text;
        auto flush = [&] {
            text += MultibyteToWideString(Sc.CodePage, line);
            line.clear();
        };
        // Made at the first reference: most text areas have none.
        std::unique_ptr<TCharCollection> referenceBytes;
        std::unique_ptr<TokenObj> reference;
        bool closed = false;
        while (!closed && Sc.LCh != 0 && !Sc.Failed()) {
            const char c = Sc.LCh;
            if (c == '\r') {
                line += "\r\n";
                Sc.NextChar();
            } else if (c == '&') {
                flush();
                if (!reference) {
                    referenceBytes = std::make_unique<TCharCollection>();
                    reference = std::make_unique<TokenObj>();
                }
                Sc.DecodeReferenceToText(*referenceBytes, *reference);
                if (referenceBytes->GetSize() > 0) reference->AddString(*referenceBytes, Sc.CodePage);
                text += reference->GetString();
                referenceBytes->Clear();
                reference->Clear();
            } else if (c == '<') {
                std::string name(1, c);
                Sc.NextChar();
                while (name.size() < 10 && Sc.LCh != 0 && Sc.LCh != '<' && Sc.LCh != '&' && Sc.LCh != '\r') {
                    name += Sc.LCh;
                    Sc.NextChar();
                }
                const bool nameGoesOn = std::isalnum(static_cast<unsigned char>(Sc.LCh)) != 0;
                if (Lower(name) == "</textarea" && !nameGoesOn) {
                    while (Sc.LCh != 0 && Sc.LCh != '>') Sc.NextChar();
                    if (Sc.LCh == '>') Sc.NextChar();
                    closed = true;
                } else {
                    line += name;
                }
            } else {
                line += c;
                Sc.NextChar();
            }
        }
        flush();
        if (area) area->AddStr(text);
        Sc.PlainText = plain;
        if (area) Guarded([&] { area->ResetToValue(); });
        Next();
    }

    // ---- tables
    //
    // The table's block joins the cell as soon as the TABLE tag is read, so
    // whatever ends the run leaves the table in the document; a CAPTION
    // moves it into the box that holds both.

    // Which places of each row the cells read so far take ('x') and which
    // are free ('o'), kept once COL or COLGROUP gave the table columns: a
    // cell goes to its row's first free place and loses the part of its
    // COLSPAN that runs into a taken one.
    struct TCellManager {
        std::vector<std::string> Rows;
        int64_t Budget = MaxDummyCells;  // places marked, at most
        std::string& RowAt(size_t row) {
            while (Rows.size() <= row) Rows.emplace_back();
            return Rows[row];
        }
        size_t FindColNum(size_t row) {
            const std::string& r = RowAt(row);
            const size_t free = r.find('o');
            return free == std::string::npos ? r.size() : free;
        }
        void AddCell(size_t row, size_t col, TCellObj& cell) {
            const std::string& first = RowAt(row);
            size_t span = 0;
            while (span < static_cast<size_t>(cell.ColSpan) && (col + span >= first.size() || first[col + span] == 'o'))
                ++span;
            cell.ColSpan = static_cast<int>(std::max<size_t>(span, 1));
            for (size_t r = row; r < row + static_cast<size_t>(cell.RowSpan); ++r) {
                if (Budget < cell.ColSpan) return;
                std::string& s = RowAt(r);
                if (s.size() < col + static_cast<size_t>(cell.ColSpan)) s.resize(col + static_cast<size_t>(cell.ColSpan), 'o');
                for (size_t c = col; c < col + static_cast<size_t>(cell.ColSpan) && s[c] == 'o'; ++c) s[c] = 'x';
                Budget -= cell.ColSpan;
            }
        }
    };

    struct TTableReading {
        ThtmlTable* Table = nullptr;
        TTableBlock* TableBlock = nullptr;
        std::unique_ptr<TTableAndCaptionBlock> Outer;  // until a caption attaches it
        TTableAndCaptionBlock* Attached = nullptr;
        TBlock* Caption = nullptr;
        TCellBasic* OuterCell = nullptr;
        // The sets that the table's and the current row's content unwinds
        // to, known by identity: an element closed out of order inside a
        // cell takes its set out from under them.
        const TProperties* TableProps = nullptr;
        const TProperties* RowProps = nullptr;
        TCellList* Row = nullptr;
        AlignmentType RowVAlign = AMiddle;
        std::unique_ptr<TCellManager> Manager;
    };

    static AlignmentType VAlignOf(const TAttributeList& attributes, AlignmentType fallback) {
        TAttribute* a;
        if (!attributes.Find(VAlignSy, a)) return fallback;
        const std::string v = Lower(a->Text);
        if (v == "top" || v == "baseline") return ATop;
        if (v == "middle") return AMiddle;
        if (v == "bottom") return ABottom;
        return fallback;
    }

    // Pops every set above `keep` (the sets of elements left open inside a
    // cell or row end with it); nothing when `keep` is no longer open.
    void UnwindPropsTo(const TProperties* keep) {
        int level = PropStack.Count();
        while (level > 0 && PropStack.GetProp(level - 1) != keep) --level;
        if (level == 0) return;
        while (PropStack.Count() > std::max(level, 1)) {
            TProperties* p = PropStack.Last();
            if (p->BorderStyleNotBlank()) Doc->ProcessInlines(Sc.SIndex, *p, false);
            PropStack.Delete(PropStack.Count() - 1);
        }
        SyncScanner();
    }

    void ReadTable() {
        if (TooDeep() || BlockDepth + 2 > MaxBlockDepth) {
            Next();
            return;
        }
        DepthGuard guard(Depth);
        if (InLink) {
            LinkTarget.Clear();
            InLink = false;
            if (Section) Section->HRef(false, LinkTarget, TLinkFonts());
        }
        SectionEnd();
        const TagInfo info = Capture();
        const std::unique_ptr<TAttributeList> attributes = CopyAttributes(Sc.Attributes);
        PushNewProp("table", info);
        TProperties& props = *PropStack.Last();
        auto table = std::make_unique<ThtmlTable>(Doc, attributes.get(), &props);
        auto block = std::make_unique<TTableBlock>(Doc, props, Cell, table.get(), attributes.get());
        table.release();  // the block's cell holds it
        TTableReading t;
        t.Table = block->Table;
        t.TableBlock = block.get();
        t.OuterCell = Cell;
        t.TableProps = PropStack.Last();
        t.Outer = std::make_unique<TTableAndCaptionBlock>(Doc, props, Cell, attributes.get(), block.get());
        Cell->Add(block.release());
        BlockDepth += 2;
        const bool savedNoBreak = NoBreak;
        Next();
        while (Sc.Sy != TableEndSy && Sc.Sy != EofSy) {
            switch (Sc.Sy) {
                case CaptionSy: ReadCaption(t); break;
                case TRSy: {
                    UnwindPropsTo(t.TableProps);
                    const TagInfo rowInfo = Capture();
                    PushNewProp("tr", rowInfo);
                    t.RowProps = PropStack.Last();
                    t.RowVAlign = VAlignOf(Sc.Attributes, AMiddle);
                    t.Row = new TCellList(&Sc.Attributes, PropStack.Last());
                    t.Table->AddRow(t.Row);
                    Next();
                    break;
                }
                case TDSy: case THSy: ReadTableCell(t); break;
                case ColSy: case ColGroupSy: ReadColumns(t); break;
                default: Next(); break;
            }
        }
        NoBreak = savedNoBreak;
        UnwindPropsTo(t.TableProps);
        PopAProp("table");
        if (!t.Attached) {
            t.Outer->CancelUsage();
            t.Outer.reset();
        }
        BlockDepth -= 2;
        Cell = t.OuterCell;
        if (Sc.Sy == TableEndSy) Next();
    }

    void ReadCaption(TTableReading& t) {
        UnwindPropsTo(t.TableProps);
        TAttribute* a;
        const bool below = Sc.Attributes.Find(AlignSy, a) && Lower(a->Text) == "bottom";
        const TagInfo info = Capture();
        const std::unique_ptr<TAttributeList> attributes = CopyAttributes(Sc.Attributes);
        const bool pushed = PushNewProp("caption", info);
        if (!t.Attached) {
            // The table's block moves into the box that holds both.
            TCellBasic& outer = *t.OuterCell;
            int index = outer.Count() - 1;
            while (index >= 0 && outer.Section(index) != t.TableBlock) --index;
            if (index >= 0) {
                outer.Extract(index);
                t.Attached = t.Outer.release();
                outer.Add(t.Attached);
                t.Attached->CaptionFirst = !below;
                auto caption = std::make_unique<TBlock>(Doc, *PropStack.Last(), t.Attached->ChildCell.get(),
                                                        attributes.get());
                t.Caption = caption.get();
                if (below) {
                    t.Attached->ChildCell->Add(t.TableBlock);
                    t.Attached->ChildCell->Add(caption.release());
                } else {
                    t.Attached->ChildCell->Add(caption.release());
                    t.Attached->ChildCell->Add(t.TableBlock);
                }
                t.Attached->SetCaptionBlock(t.Caption);
            }
        }
        Next();
        if (t.Caption) {
            Cell = t.Caption->ChildCell.get();
            ReadBodyContent(Set({CaptionEndSy, TableEndSy, TRSy, TDSy, THSy}));
            SectionEnd();
            t.Caption->ChildCell->CheckLastBottomMargin();
            Cell = t.OuterCell;
        } else {
            SkipUntil(CaptionEndSy);
        }
        if (pushed) PopAProp("caption");
        UnwindPropsTo(t.TableProps);
        if (Sc.Sy == CaptionEndSy) Next();
    }

    void ReadTableCell(TTableReading& t) {
        const bool header = Sc.Sy == THSy;
        if (!t.Row) {
            // A cell before any TR opens a row of its own.
            UnwindPropsTo(t.TableProps);
            TagInfo none;
            PushNewProp("tr", none);
            t.RowProps = PropStack.Last();
            t.RowVAlign = AMiddle;
            t.Row = new TCellList(nullptr, PropStack.Last());
            t.Table->AddRow(t.Row);
        }
        UnwindPropsTo(t.RowProps);
        const TagInfo info = Capture();
        PushNewProp(header ? "th" : "td", info);
        TAttribute* a;
        const bool noWrap = Sc.Attributes.Find(NoWrapSy, a);
        auto* cell = new TCellObj(Doc, VAlignOf(Sc.Attributes, t.RowVAlign), &Sc.Attributes, PropStack.Last());
        if (t.Manager) {
            const size_t row = static_cast<size_t>(t.Table->RowCount() - 1);
            t.Manager->AddCell(row, t.Manager->FindColNum(row), *cell);
        }
        t.Row->Add(cell);
        Next();
        const bool savedNoBreak = NoBreak;
        NoBreak = noWrap || savedNoBreak;
        Cell = cell->Cell.get();
        ReadBodyContent(Set({TDSy, THSy, TRSy, TableEndSy, TDEndSy, THEndSy, TREndSy, CaptionSy}));
        SectionEnd();
        cell->Cell->CheckLastBottomMargin();
        Cell = t.OuterCell;
        NoBreak = savedNoBreak;
        UnwindPropsTo(t.RowProps);
        if (Sc.Sy == TDEndSy || Sc.Sy == THEndSy) Next();
    }

    void ReadColumns(TTableReading& t) {
        const bool group = Sc.Sy == ColGroupSy;
        TAttribute* a;
        int width = 0;
        bool percent = false;
        if (Sc.Attributes.Find(WidthSy, a)) {
            bool ok = false;
            const int v = ParseSaturated(a->Text, ok);
            percent = a->Text.find('%') != std::string::npos;
            width = percent ? std::clamp(v, 0, 100) * 10 : std::clamp(v, 0, MaxTableAttrPixels);
        }
        int span = 1;
        if (Sc.Attributes.Find(SpanSy, a)) span = std::clamp(a->Number, 1, MaxColSpan);
        const AlignmentType valign = VAlignOf(Sc.Attributes, ANone);
        const std::string align = Sc.Attributes.Find(AlignSy, a) ? Lower(a->Text) : std::string();
        Next();
        // A group's own widths count only when no COL of its own follows.
        if (group && Sc.Sy == ColSy) return;
        if (!t.Manager) t.Manager = std::make_unique<TCellManager>();
        for (int i = 0; i < span; ++i) t.Table->DoColumns(width, percent, valign, align);
    }

    TSectionList* Doc;
    TCellBasic* Cell;
    TBodyBlock* Body = nullptr;  // owned by the document
    int BlockDepth = 0;
    TSection* Section = nullptr;
    TUrlTarget LinkTarget;
    bool InLink = false;
    bool NoBreak = false;
    bool InPre = false;
    // The text before the next token is preformatted content; off while a
    // SELECT's options or a MAP's areas are read inside PRE.
    bool PreRaw = false;
    int BaseFontSize = 3;
    int ListLevel = 0;
    int Depth = 0;
    bool BodyDone = false;
    bool Stopped = false;
    std::size_t MemoryAtStart = DocumentBytesInUse();
    // What layout may take for the text read: in a narrow pane every word
    // is a line of its own, and a line record costs more than the word.
    std::size_t LayoutBytes = 0;
    const TReaderCallbacks& Callbacks;
    std::map<std::string, int> Excess;
    std::vector<TProperties*> InlineKeep;
    TPropCache Sets;
};

void THtmlReader::ReadBodyContent(const StopSet& stop, const StopSet* listStop) {
    while (!stop[Sc.Sy] && Sc.Sy != EofSy) {
        const Symb before = Sc.Sy;
        const int where = Sc.SIndex;
        switch (Sc.Sy) {
            case TitleSy:
                Next();
                while (Sc.Sy == TextSy) {
                    gResults.Title += Sc.LCToken.GetString();
                    Next();
                }
                break;
            case BodySy: DoBody(); break;
            case PSy: DoP(stop); break;
            case BaseSy: {
                TAttribute* a;
                if (Sc.Attributes.Find(HrefSy, a)) gResults.Base = To1251(a->Text, Sc.CodePage);
                if (Sc.Attributes.Find(TargetSy, a)) gResults.BaseTarget = To1251(a->Text, Sc.CodePage);
                Next();
                break;
            }
            case OLSy: case ULSy: case DirSy: case MenuSy: case DLSy: DoList(listStop ? *listStop : stop); break;
            case AddressSy: case BlockQuoteSy: DoList(stop); break;
            case LISy: case DDSy: case DTSy: DoLoneItem(stop); break;
            case Centersy: case FormSy: case DivSy: DoDivLike(stop, listStop); break;
            case LinkSy: DoLink(); break;
            case FormEndSy:
                // A </form> that no FORM reader took (its FORM stood in a
                // table cell, say) still ends the form.
                EndForm();
                Next();
                break;
            case BgSoundSy: DoSound(); break;
            case MetaSy: DoMeta(); break;
            case StyleSy: DoStyle(); break;
            default:
                if (TextLevel()[Sc.Sy]) DoText();
                else Next();
        }
        // A step that read nothing passes the token over.
        if (Sc.Sy == before && Sc.SIndex == where && !stop[Sc.Sy] && Sc.Sy != EofSy) Next();
    }
}

void THtmlReader::DoBody() {
    if (BodyDone || !Body || Cell != Body->ChildCell.get() || Cell->Count() > 0) {
        Next();
        return;
    }
    BodyDone = true;
    // Text read before the tag stays open and goes on in the new body.
    if (PushNewProp("body", Capture())) {
        TProperties* p = PropStack.Last();
        // The viewer's margins stand unless the tag gives its own; a style
        // sheet rule for the body wins over both.
        const TProperties& defaults = *PropStack.GetProp(0);
        TPropValue marginX = defaults.Value(PropIndices::MarginLeft);
        TPropValue marginY = defaults.Value(PropIndices::MarginTop);
        for (int i = 0; i < Sc.Attributes.Count(); ++i) {
            TAttribute* a = Sc.Attributes.Attribute(i);
            int32_t color;
            switch (a->Sym) {
                case TextSy:
                    if (ColorFromString(a->Text, false, color)) p->Assign(color | 0x2000000, PropIndices::Color);
                    break;
                case BGColorSy:
                    if (ColorFromString(a->Text, false, color))
                        p->Assign(color | 0x2000000, PropIndices::BackgroundColor);
                    break;
                case BackgroundSy: p->Assign("url(" + a->Text + ")", PropIndices::BackgroundImage); break;
                case LinkSy:
                    if (ColorFromString(a->Text, false, color)) Doc->Styles->ModifyLinkColor("link", color);
                    break;
                case VLinkSy:
                    if (ColorFromString(a->Text, false, color)) Doc->Styles->ModifyLinkColor("visited", color);
                    break;
                case OLinkSy:
                    if (ColorFromString(a->Text, false, color)) {
                        Doc->Styles->ModifyLinkColor("hover", color);
                        Doc->LinkHoverEnabled = true;
                    }
                    break;
                case MarginWidthSy: case LeftMarginSy: marginX = std::clamp(a->Number, 0, 200); break;
                case MarginHeightSy: case TopMarginSy: marginY = std::clamp(a->Number, 0, 200); break;
                case BGPropertiesSy:
                    if (Lower(a->Text) == "fixed") p->Assign(std::string("fixed"), PropIndices::BackgroundAttachment);
                    break;
                default: break;
            }
        }
        p->Assign(marginX, PropIndices::MarginLeft);
        p->Assign(marginX, PropIndices::MarginRight);
        p->Assign(marginY, PropIndices::MarginTop);
        p->Assign(marginY, PropIndices::MarginBottom);
    }
    for (int i = 0; i < Doc->Count(); ++i) {
        if (Doc->Section(i) != Body) continue;
        Doc->Delete(i);
        Body = nullptr;
        auto* body = new TBodyBlock(Doc, *PropStack.Last(), Doc, &Sc.Attributes);
        Doc->Insert(i, body);
        body->SetParent(Doc);
        Body = body;
        Cell = body->ChildCell.get();
        break;
    }
    Next();
}

void THtmlReader::DoP(const StopSet& stop) {
    if (stop[PSy]) return;
    SectionEnd();
    TagInfo info = Capture();
    std::unique_ptr<TAttributeList> attributes = CopyAttributes(Sc.Attributes);
    Next();
    while (Sc.Sy == PSy || Sc.Sy == PEndSy) {
        if (Sc.Sy == PSy) {
            info = Capture();
            attributes = CopyAttributes(Sc.Attributes);
        }
        Next();
    }
    const bool pushed = PushNewProp(kParagraphTag, info);
    if (pushed && !info.Align.empty())
        PropStack.Last()->Assign(info.Align == "middle" ? std::string("center") : info.Align,
                                 PropIndices::TextAlign);
    const BlockFrame frame = BeginBlock(pushed, attributes.get());
    while (ParagraphContent()[Sc.Sy] && !stop[Sc.Sy]) {
        if (Sc.Sy == CommandSy || Sc.Sy == ScriptEndSy) Next();
        else DoText();
    }
    EndBlock(frame);
    PopAProp(kParagraphTag);
    if (Sc.Sy == PEndSy) Next();
}

void THtmlReader::DoDivLike(const StopSet& stop, const StopSet* listStop) {
    const Symb sy = Sc.Sy;
    if (TooDeep()) {
        Next();
        return;
    }
    DepthGuard guard(Depth);
    const char* tag = sy == Centersy ? "center" : sy == FormSy ? "form" : "div";
    const Symb end = sy == Centersy ? CenterEndSy : sy == FormSy ? FormEndSy : DivEndSy;
    SectionEnd();
    const TagInfo info = Capture();
    const bool pushed = PushNewProp(tag, info);
    if (pushed && sy == DivSy && !info.Align.empty())
        PropStack.Last()->Assign(info.Align == "middle" ? std::string("center") : info.Align,
                                 PropIndices::TextAlign);
    // CENTER is no box of its own: its sets centre the text inside it.
    const BlockFrame frame = BeginBlock(pushed && sy != Centersy, &Sc.Attributes);
    if (sy == FormSy) BeginForm();
    Next();
    StopSet inner = stop;
    inner.set(end);
    if (sy == FormSy) inner.set(FormSy);
    // A list inside the block, itself inside a list item, still nests.
    StopSet innerList = listStop ? *listStop : stop;
    innerList.set(end);
    ReadBodyContent(inner, listStop ? &innerList : nullptr);
    EndBlock(frame);
    PopAProp(tag);
    if (sy == FormSy && Sc.Sy == FormEndSy) EndForm();
    if (Sc.Sy == end) Next();
}

void THtmlReader::DoList(const StopSet& stop) {
    const Symb sy = Sc.Sy;
    if (TooDeep()) {
        Next();
        return;
    }
    DepthGuard guard(Depth);
    const char* tag = "";
    Symb end = EofSy;
    switch (sy) {
        case OLSy: tag = "ol"; end = OLEndSy; break;
        case ULSy: tag = "ul"; end = ULEndSy; break;
        case DirSy: tag = "dir"; end = DirEndSy; break;
        case MenuSy: tag = "menu"; end = MenuEndSy; break;
        case DLSy: tag = "dl"; end = DLEndSy; break;
        case AddressSy: tag = "address"; end = AddressEndSy; break;
        default: tag = "blockquote"; end = BlockQuoteEndSy; break;
    }
    // Numbering of the items, for the list-item boxes.
    int number = 1;
    char numberType = '1';
    bool plain = false;
    TAttribute* a;
    if (sy == OLSy) {
        if (Sc.Attributes.Find(StartSy, a) && a->Number >= 0) number = a->Number;
        if (Sc.Attributes.Find(TypeSy, a) && !a->Text.empty()) numberType = a->Text[0];
    } else if (sy == ULSy) {
        plain = Sc.Attributes.Find(PlainSy, a) ||
                (Sc.Attributes.Find(TypeSy, a) && (Lower(a->Text) == "none" || Lower(a->Text) == "plain"));
    }
    SectionEnd();
    const bool counted = sy == OLSy || sy == ULSy || sy == DirSy || sy == MenuSy;
    const bool pushed = PushNewProp(tag, Capture());
    const BlockFrame frame = BeginBlock(pushed, &Sc.Attributes, counted);
    if (counted) ++ListLevel;
    Next();
    StopSet itemStop = stop | Set({OLEndSy, ULEndSy, DirEndSy, MenuEndSy, DLEndSy, LISy, DDSy, DTSy});
    if (sy == AddressSy || sy == BlockQuoteSy) itemStop |= Set({AddressEndSy, BlockQuoteEndSy});
    itemStop.set(end);
    StopSet nestedStop = stop;
    nestedStop.set(end);
    while (!stop[Sc.Sy] && Sc.Sy != end && Sc.Sy != EofSy) {
        const Symb before = Sc.Sy;
        const int where = Sc.SIndex;
        if (Sc.Sy == LISy || Sc.Sy == DDSy || Sc.Sy == DTSy) {
            if (Sc.Sy == LISy && Sc.Attributes.Find(ValueSy, a) && a->Number != 0) number = a->Number;
            const Symb kind = sy == AddressSy || sy == BlockQuoteSy ? DLSy : sy;
            const std::string itemTag = ItemTag(Sc.Sy);
            const bool itemPushed = PushNewProp(itemTag, Capture());
            const BlockFrame item = BeginListItem(itemPushed, {kind, ListLevel, number, numberType, plain});
            number = SaturatingAdd(number, 1);
            Next();
            ReadBodyContent(itemStop, &nestedStop);
            EndBlock(item);
            PopAProp(itemTag);
        } else {
            ReadBodyContent(itemStop, &nestedStop);
        }
        if (Sc.Sy == before && Sc.SIndex == where && !stop[Sc.Sy] && Sc.Sy != end && Sc.Sy != EofSy) Next();
    }
    if (counted) --ListLevel;
    EndBlock(frame);
    PopAProp(tag);
    if (Sc.Sy == end) Next();
}

void THtmlReader::DoLoneItem(const StopSet& stop) {
    const Symb kind = Sc.Sy == LISy ? liAloneSy : DLSy;
    const std::string itemTag = ItemTag(Sc.Sy);
    const bool pushed = PushNewProp(itemTag, Capture());
    const BlockFrame item = BeginListItem(pushed, {kind, ListLevel, 1, '1', false});
    Next();
    ReadBodyContent(stop | Set({LISy, DDSy, DTSy, OLEndSy, ULEndSy, DirEndSy, MenuEndSy, DLEndSy}));
    EndBlock(item);
    PopAProp(itemTag);
}

void THtmlReader::DoHeading() {
    const int level = Sc.HeadingLevel;
    if (level < 1 || level > 6) {
        Next();
        return;
    }
    SectionEnd();
    const std::string tag = "h" + std::to_string(level);
    TagInfo info = Capture();
    const bool pushed = PushNewProp(tag, info);
    if (pushed && !info.Align.empty())
        PropStack.Last()->Assign(info.Align == "middle" ? std::string("center") : info.Align,
                                 PropIndices::TextAlign);
    const BlockFrame frame = BeginBlock(pushed, &Sc.Attributes);
    Next();
    if (Sc.Sy == Centersy) {
        if (pushed) PropStack.Last()->Assign(std::string("center"), PropIndices::TextAlign);
        Next();
    }
    while (ParagraphContent()[Sc.Sy]) {
        if (Sc.Sy == CommandSy || Sc.Sy == ScriptEndSy) Next();
        else DoText();
    }
    EndBlock(frame);
    PopAProp(tag);
    if (Sc.Sy == HeadingEndSy) Next();
}

void THtmlReader::PreLineEnd() {
    CurrentSection();
    NewSection();
}

// Text inside PRE keeps its white space: the characters up to the next tag
// are read here, before the scanner would fold them. Every line end ends a
// line, the one right after <PRE> too.
void THtmlReader::ReadPreRaw() {
    TCharCollection chars;
    TokenObj token;
    auto flush = [&] {
        if (chars.GetSize() > 0) {
            token.AddString(chars, Sc.CodePage);
            chars.Clear();
        }
        if (token.Count() == 0) return;
        CurrentSection()->AddTokenObj(token);
        token.Clear();
    };
    // The text up to the next tag may be the rest of the page: the budget is
    // weighed at every line end and every kBudgetCheckChars of a line.
    while (Sc.LCh != 0 && Sc.LCh != '<' && static_cast<unsigned char>(Sc.LCh) > 8) {
        const char c = Sc.LCh;
        if (c == '\r') {
            flush();
            if (OverBudget()) return;
            PreLineEnd();
            Sc.NextChar();
        } else if (c == '&') {
            Sc.DecodeReferenceToText(chars, token);
        } else {
            chars.Add(c, Sc.SIndex);
            Sc.NextChar();
            if (chars.GetSize() >= kBudgetCheckChars) {
                flush();
                if (OverBudget()) return;
            }
        }
    }
    flush();
}

void THtmlReader::DoPre(const StopSet& stop) {
    SectionEnd();
    const bool pushed = PushNewProp("pre", Capture());
    const BlockFrame frame = BeginBlock(pushed, &Sc.Attributes);
    // P and FORM inside the text open boxes of their own around the lines
    // that follow; a form's box holds the paragraph's.
    struct Box {
        BlockFrame Frame{nullptr, nullptr};
        const char* Tag = nullptr;
        bool Pushed = false;
    } para, form;
    const auto open = [&](Box& box, const char* tag) {
        SectionEnd();
        box.Tag = tag;
        box.Pushed = PushNewProp(tag, Capture());
        box.Frame = BeginBlock(box.Pushed, &Sc.Attributes);
    };
    const auto close = [&](Box& box) {
        if (!box.Tag) return;
        EndBlock(box.Frame);
        if (box.Pushed) PopAProp(box.Tag);
        box.Tag = nullptr;
    };
    // Lines are made as text comes, so a box right at the start or after
    // another box leaves no empty line.
    InPre = PreRaw = true;
    Next();
    while (!stop[Sc.Sy] && Sc.Sy != EofSy && Sc.Sy != PreEndSy) {
        const Symb sy = Sc.Sy;
        if (sy == BRSy) {
            PreLineEnd();
        } else if (sy == PSy || sy == PEndSy) {
            SectionEnd();
            close(para);
            if (sy == PSy) open(para, "p");
        } else if (sy == FormSy || sy == FormEndSy) {
            close(para);
            close(form);
            EndForm();
            if (sy == FormSy) {
                open(form, "form");
                BeginForm();
            }
        } else if (ParagraphContent()[sy] && sy != TextSy && sy != CommandSy && sy != ScriptEndSy) {
            DoText();
            continue;
        } else if (sy == TextSy) {
            AddText(Sc.LCToken);  // a '<' that starts no tag
        } else if (sy != CommandSy && sy != ScriptEndSy) {
            break;
        }
        Next();
    }
    InPre = PreRaw = false;
    close(para);
    close(form);
    EndBlock(frame);
    PopAProp("pre");
    if (Sc.Sy == PreEndSy) Next();
}

void THtmlReader::DoText() {
    bool start;
    if (const InlineTag* t = FindInline(Sc.Sy, start)) {
        if (start) {
            if (PushNewProp(InlineName(t), Capture())) {
                TProperties* p = PropStack.Last();
                if (p->BorderStyleNotBlank()) Doc->ProcessInlines(Sc.SIndex, *p, true);
            }
        } else {
            PopAProp(InlineName(t));
        }
        FontChanged();
        Next();
        return;
    }
    switch (Sc.Sy) {
        case TextSy: {
            if (!Section && Sc.LCToken.Count() == 1 && Sc.LCToken.Chars()[0] == L' ') {
                Next();
                return;
            }
            AddText(Sc.LCToken);
            Next();
            return;
        }
        case FontSy: case BaseFontSy: DoFont(); return;
        case FontEndSy:
            PopAProp(kFontTag);
            FontChanged();
            Next();
            return;
        case ASy: DoAnchor(); return;
        case AEndSy:
            if (InLink) {
                LinkTarget.Clear();
                InLink = false;
            }
            PopAProp(kAnchorTag);
            if (Section) {
                Section->ChangeFont(*PropStack.Last());
                Section->HRef(false, LinkTarget, TLinkFonts());
            }
            Next();
            return;
        case BRSy: DoBreak(); return;
        case HeadingSy: DoHeading(); return;
        case HRSy: {
            SectionEnd();
            // The rule hands its width and thickness to its own set, so past
            // the cap, where there is none, the tag is ignored.
            if (PushNewProp("hr", Capture())) {
                auto* rule = new THorzLine(Doc, &Sc.Attributes, *PropStack.Last());
                if (BlockDepth < MaxBlockDepth) {
                    auto* block = new THRBlock(Doc, *PropStack.Last(), Cell, &Sc.Attributes);
                    block->RuleJustify = rule->Align;
                    block->ChildCell->Add(rule);
                    Cell->Add(block);
                } else {
                    Cell->Add(rule);
                }
                PopAProp("hr");
            } else {
                --Excess["hr"];
            }
            Next();
            return;
        }
        case PreSy: DoPre(StopSet{}); return;
        case ImageSy: AddImage(); return;
        case PanelSy: AddPanel(); return;
        case InputSy: case SelectSy: case TextAreaSy: AddFormControl(); return;
        case TableSy: ReadTable(); return;
        case MapSy: DoMap(); return;
        case PageSy:
            SectionEnd();
            Cell->Add(new TPage(Doc));
            Next();
            return;
        case ScriptSy: DoScript(); return;
        case NoBrSy: case NoBrEndSy:
            NoBreak = Sc.Sy == NoBrSy;
            if (Section) Section->NoBreak = NoBreak || InPre;
            Next();
            return;
        default: Next(); return;
    }
}

void THtmlReader::AddText(TokenObj& token) {
    LayoutBytes += kLayoutBytesPerBreak *
                   static_cast<std::size_t>(std::count(token.Chars(), token.Chars() + token.Count(), L' '));
    if (PropStack.Last()->GetFontVariant() != "small-caps") {
        CurrentSection()->AddTokenObj(token);
        return;
    }
    // Small capitals: everything in capitals, and what was lower case in
    // the "small" set's smaller font.
    TSection* section = CurrentSection();
    const std::wstring original(token.Chars(), static_cast<size_t>(token.Count()));
    const std::wstring upper = WideUpperCase1(original);
    if (upper.size() != original.size()) {
        section->AddTokenObj(token);
        return;
    }
    TokenObj piece;
    bool inSmall = false;
    const auto flush = [&] {
        if (piece.Count() == 0) return;
        section->AddTokenObj(piece);
        piece.Clear();
    };
    for (size_t i = 0; i < original.size(); ++i) {
        const wchar_t c = original[i];
        const bool neutral = c == L' ' || (c >= L'0' && c <= L'9');
        const bool lower = upper[i] != c;
        if (!neutral && lower != inSmall) {
            flush();
            if (lower) PushNewProp("small", TagInfo{});
            else PopAProp("small");
            inSmall = lower;
            section->ChangeFont(*PropStack.Last());
        }
        piece.AddUnicodeChar(upper[i], token.Positions()[i]);
    }
    flush();
    if (inSmall) {
        PopAProp("small");
        section->ChangeFont(*PropStack.Last());
    }
}

void THtmlReader::DoFont() {
    const bool baseFont = Sc.Sy == BaseFontSy;
    if (PushNewProp(kFontTag, Capture())) {
        TProperties* p = PropStack.Last();
        TAttribute* a;
        if (Sc.Attributes.Find(SizeSy, a)) {
            bool ok = false;
            int size = ParseSaturated(a->Text, ok);
            if (ok) {
                if (a->Text.size() > 1 && (a->Text[0] == '+' || a->Text[0] == '-'))
                    size = SaturatingAdd(BaseFontSize, size);
                size = std::clamp(size, 1, 7);
                if (baseFont) BaseFontSize = size;
                p->Assign(InPre ? PreFontConv[size - 1] : FontConv[size - 1], PropIndices::FontSize);
            }
        }
        int32_t color;
        if (Sc.Attributes.Find(ColorSy, a) && ColorFromString(a->Text, false, color))
            p->Assign(color | 0x2000000, PropIndices::Color);
        if (!baseFont && Sc.Attributes.Find(FaceSy, a)) p->Assign(ReadFontName(a->Text), PropIndices::FontFamily);
        uint8_t charset;
        if (Sc.Attributes.Find(CharSetSy, a) && Sc.TranslateCharset(a->Text, charset)) p->AssignCharSet(charset);
        if (p->BorderStyleNotBlank()) Doc->ProcessInlines(Sc.SIndex, *p, true);
        SyncScanner();
    }
    FontChanged();
    Next();
}

void THtmlReader::DoAnchor() {
    TAttribute* a;
    const bool hasHref = Sc.Attributes.Find(HrefSy, a);
    std::string pseudo;
    if (hasHref) {
        if (InLink && Section) Section->HRef(false, LinkTarget, TLinkFonts());
        InLink = true;
        std::string target;
        TAttribute* t;
        if (Sc.Attributes.Find(TargetSy, t)) target = To1251(t->Text, Sc.CodePage);
        TextTo1251(a->Text, Sc.CodePage);
        LinkTarget.Assign(a->Text, target);
        if (Sc.Attributes.Find(TabIndexSy, t)) LinkTarget.TabIndex = t->Number;
        pseudo = "link";
    }
    if (PushNewProp(kAnchorTag, Capture(), pseudo)) {
        TProperties* p = PropStack.Last();
        p->SetFontBG();
        if (p->BorderStyleNotBlank()) Doc->ProcessInlines(Sc.SIndex, *p, true);
    }
    if (Section) Section->ChangeFont(*PropStack.Last());
    else NewSection();
    TAttribute* name;
    if (Sc.Attributes.Find(NameSy, name) && Doc->IDObjects) {
        std::string n = name->Text;
        if (!n.empty() && n[0] == '#') n.erase(0, 1);
        for (char& c : n) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (!n.empty()) Doc->IDObjects->AddChPosObject(n, Sc.SIndex);
    }
    if (hasHref) Section->HRef(true, LinkTarget, PropStack.Last()->LinkFontsForRun());
    Next();
}

void THtmlReader::DoBreak() {
    TAttribute* a;
    if (!Sc.Attributes.Find(ClearSy, a)) CurrentSection()->AddChar(BreakChar, Sc.SIndex);
    NewSection(&Sc.Attributes);
    Next();
}

void THtmlReader::DoLink() {
    TAttribute* a;
    std::string rel, rev, href;
    if (Sc.Attributes.Find(RelSy, a)) rel = a->Text;
    if (Sc.Attributes.Find(RevSy, a)) rev = a->Text;
    if (Sc.Attributes.Find(HrefSy, a)) href = To1251(a->Text, Sc.CodePage);
    if (Lower(rel) == "stylesheet" && !href.empty() && Doc->Styles) {
        try {
            std::string sheet, base;
            bool found = Callbacks.OnStyleSheetRequest && Callbacks.OnStyleSheetRequest(href, sheet, base);
            if (!found) {
                const std::string name = Doc->Host ? Doc->Host->ExpandFileName(href) : href;
                found = ReadSideFile(name, sheet);
                const size_t slash = name.find_last_of("\\/");
                base = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
            }
            if (found) {
                TStringStyleSource source(sheet);
                char ch = source.Next();
                ::DoStyle(*Doc->Styles, ch, source, base);
            }
        } catch (...) {
            // A sheet that cannot be read is left out.
        }
    }
    if (Callbacks.OnLink) Guarded([&] { Callbacks.OnLink(Sc.Viewer, rel, rev, href); });
    Next();
}

void THtmlReader::DoMeta() {
    TAttribute* a;
    std::string httpEq, name, content;
    if (Sc.Attributes.Find(HttpEqSy, a)) httpEq = a->Text;
    if (Sc.Attributes.Find(NameSy, a)) name = a->Text;
    if (Sc.Attributes.Find(ContentSy, a)) content = a->Text;
    if (Lower(httpEq) == "content-type") {
        uint8_t charset;
        if (Sc.TranslateCharset(content, charset)) PropStack.Last()->AssignCharSet(charset);
        else if (Lower(content).find("utf-8") != std::string::npos) PropStack.Last()->AssignUTF8();
        SyncScanner();
    }
    if (Callbacks.OnMeta) Guarded([&] { Callbacks.OnMeta(Sc.Viewer, httpEq, name, content); });
    Next();
}

void THtmlReader::DoStyle() {
    // A sheet may be most of the page: past the budget its characters end,
    // and the run with them.
    class TWeighedSource final : public TStyleCharSource {
    public:
        explicit TWeighedSource(THtmlReader& reader) : FReader(reader) {}
        char Next() override {
            if (FReader.Stopped || (++FRead % kBudgetCheckChars == 0 && FReader.OverBudget())) return 0;
            return FReader.Sc.NextStyleChar();
        }
        char Peek() override { return FReader.Stopped ? 0 : FReader.Sc.PeekRaw(); }

    private:
        THtmlReader& FReader;
        int FRead = 0;
    };
    if (Doc->Styles) {
        TWeighedSource source(*this);
        char ch = Sc.LCh;
        ::DoStyle(*Doc->Styles, ch, source, "");
    }
    Next();
}

void THtmlReader::DoSound() {
    TAttribute* a;
    if (Callbacks.OnSoundRequest && Sc.Attributes.Find(SrcSy, a)) {
        const std::string src = a->Text;
        int loop = 1;
        if (Sc.Attributes.Find(LoopSy, a)) loop = a->Number;
        Guarded([&] { Callbacks.OnSoundRequest(Sc.Viewer, src, loop, false); });
    }
    Next();
}

void THtmlReader::DoScript() {
    TAttribute* a;
    std::string name, language;
    if (Sc.Attributes.Find(NameSy, a)) name = a->Text;
    if (Sc.Attributes.Find(LanguageSy, a)) language = a->Text;
    const std::string script = Sc.ReadScriptText();
    Next();
    // A script cut at the budget is dropped with the run.
    if (Callbacks.OnScript && !Stopped) Guarded([&] { Callbacks.OnScript(Sc.Viewer, name, language, script); });
    if (Sc.Sy == ScriptEndSy) Next();
}

void THtmlReader::DoMap() {
    // The map collects its AREAs up to its end; one broken off by the end of
    // the input, or by a third tag of another kind, is dropped.
    auto map = std::make_unique<TMapItem>();
    TAttribute* a;
    if (Sc.Attributes.Find(NameSy, a)) map->MapName = UpperCase(To1251(a->Text, Sc.CodePage));
    const bool preRaw = std::exchange(PreRaw, false);
    int foreign = 0;
    Next();
    while (Sc.Sy != MapEndSy && Sc.Sy != EofSy) {
        if (Sc.Sy == AreaSy) {
            AttributesTo1251(Sc.Attributes, Sc.CodePage);
            map->AddArea(Sc.Attributes);
        } else if (Sc.Sy != TextSy && ++foreign >= 3) {
            PreRaw = preRaw;
            return;
        }
        Next();
    }
    PreRaw = preRaw;
    if (Sc.Sy != MapEndSy) return;
    Doc->ImageMaps.push_back(std::move(map));
    Next();
}

void THtmlReader::SkipUntil(Symb end) {
    while (Sc.Sy != end && Sc.Sy != EofSy) Next();
    if (Sc.Sy == end) Next();
}

void THtmlReader::ReadPlainText() {
    TagInfo none;
    PushNewProp("pre", none);
    InPre = true;
    NewSection();
    TCharCollection chars;
    auto flush = [&] {
        if (chars.GetSize() == 0) return;
        TokenObj token;
        token.AddString(chars, Sc.CodePage);
        CurrentSection()->AddTokenObj(token);
        chars.Clear();
    };
    while (Sc.LCh != 0) {
        const char c = Sc.LCh;
        if (c == '\r' || c == '\n') {
            flush();
            if (OverBudget()) break;
            PreLineEnd();
            Sc.NextChar();
            if (c == '\r' && Sc.LCh == '\n') Sc.NextChar();
            continue;
        }
        chars.Add(c, Sc.SIndex);
        if (chars.GetSize() >= 200) {
            flush();
            if (OverBudget()) break;
        }
        Sc.NextChar();
    }
    flush();
    InPre = false;
}

// The note closing a page cut short, around the budget in megabytes.
const wchar_t kBudgetNoteHead[] = L"Страница показана не полностью: она не умещается в ";
const wchar_t kBudgetNoteTail[] = L" МБ памяти, отведённые документу.";

void THtmlReader::AddBudgetNote() {
    if (!gResults.CutShort || !Body) return;
    SectionEnd();
    InPre = false;
    Cell = Body->ChildCell.get();
    Section = new TSection(Doc, nullptr, *PropStack.GetProp(0), nullptr, Cell, Cell->Count() == 0);
    const std::wstring note = kBudgetNoteHead + std::to_wstring(gDocumentMemoryBudget >> 20) + kBudgetNoteTail;
    Section->AddText(note, Sc.SIndex);
    SectionEnd();
}

}  // namespace

std::size_t gDocumentMemoryBudget = kDocumentMemoryBudget;

TReaderResults& ReaderResults() { return gResults; }

void ReadHtmlDocument(TSectionList* doc, TObject* viewer, std::string text, bool utf8,
                      const TReaderCallbacks& callbacks) {
    gResults = TReaderResults{};
    THtmlReader reader(doc, viewer, callbacks);
    reader.StartRun(std::move(text), utf8);
    reader.ReadHtml();
    reader.AddBudgetNote();
}

void ReadTextDocument(TSectionList* doc, std::string text, bool utf8) {
    gResults = TReaderResults{};
    const TReaderCallbacks none;
    THtmlReader reader(doc, nullptr, none);
    // Before the first character is read, so that a text starting with "<!"
    // is text too.
    reader.Sc.PlainText = true;
    reader.StartRun(std::move(text), utf8);
    reader.ReadPlainText();
    reader.AddBudgetNote();
}

int CountLinks(std::string& text, int limit) {
    THtmlScanner scanner;
    scanner.TextSkipped = true;
    struct TGiveBack {
        THtmlScanner& Scanner;
        std::string& Text;
        ~TGiveBack() { Text = Scanner.TakeText(); }
    } giveBack{scanner, text};
    scanner.Start(std::move(text));
    int count = 0;
    do {
        scanner.NextToken();
        TAttribute* a;
        if (scanner.Sy == ASy && scanner.Attributes.Find(HrefSy, a) && ++count >= limit) break;
    } while (scanner.Sy != EofSy);
    return count;
}
