#include "html/html_scanner.h"

#include <array>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "framework/sysutils.h"
#include "html/code_pages.h"
#include "html/entities.h"
#include "html/html_numbers.h"

double FontConv[7];
double PreFontConv[7];

namespace {

const char kOpenComment[] = "Open Comment at End of HTML File";
const char kNotHtml[] = "Not an HTML or Text document";

struct TagRow {
    const char* Name;
    Symb Start;
    Symb End;  // CommandSy when the tag has no end tag
};

const TagRow kTags[] = {
    {"HTML", HtmlSy, HtmlEndSy}, {"TITLE", TitleSy, TitleEndSy}, {"BODY", BodySy, BodyEndSy},
    {"HEAD", HeadSy, HeadEndSy}, {"B", BSy, BEndSy}, {"I", ISy, IEndSy},
    {"H", HeadingSy, HeadingEndSy}, {"EM", EmSy, EmEndSy}, {"STRONG", StrongSy, StrongEndSy},
    {"U", USy, UEndSy}, {"CITE", CiteSy, CiteEndSy}, {"VAR", VarSy, VarEndSy},
    {"TT", TTSy, TTEndSy}, {"CODE", CodeSy, CodeEndSy}, {"KBD", KbdSy, KbdEndSy},
    {"SAMP", SampSy, SampEndSy}, {"OL", OLSy, OLEndSy}, {"UL", ULSy, ULEndSy},
    {"DIR", DirSy, DirEndSy}, {"MENU", MenuSy, MenuEndSy}, {"DL", DLSy, DLEndSy},
    {"A", ASy, AEndSy}, {"ADDRESS", AddressSy, AddressEndSy}, {"BLOCKQUOTE", BlockQuoteSy, BlockQuoteEndSy},
    {"PRE", PreSy, PreEndSy}, {"CENTER", Centersy, CenterEndSy}, {"TABLE", TableSy, TableEndSy},
    {"TD", TDSy, TDEndSy}, {"TH", THSy, THEndSy}, {"CAPTION", CaptionSy, CaptionEndSy},
    {"FORM", FormSy, FormEndSy}, {"TEXTAREA", TextAreaSy, TextAreaEndSy}, {"SELECT", SelectSy, SelectEndSy},
    {"OPTION", OptionSy, OptionEndSy}, {"FONT", FontSy, FontEndSy}, {"SUB", SubSy, SubEndSy},
    {"SUP", SupSy, SupEndSy}, {"BIG", BigSy, BigEndSy}, {"SMALL", SmallSy, SmallEndSy},
    {"P", PSy, PEndSy}, {"MAP", MapSy, MapEndSy}, {"FRAMESET", FrameSetSy, FrameSetEndSy},
    {"NOFRAMES", NoFramesSy, NoFramesEndSy}, {"SCRIPT", ScriptSy, ScriptEndSy}, {"DIV", DivSy, DivEndSy},
    {"S", SSy, SEndSy}, {"STRIKE", StrikeSy, StrikeEndSy}, {"TR", TRSy, TREndSy},
    {"NOBR", NoBrSy, NoBrEndSy}, {"STYLE", StyleSy, StyleEndSy}, {"SPAN", SpanSy, SpanEndSy},
    {"COLGROUP", ColGroupSy, ColGroupEndSy}, {"LABEL", LabelSy, LabelEndSy},
    {"LI", LISy, CommandSy}, {"BR", BRSy, CommandSy}, {"HR", HRSy, CommandSy},
    {"DD", DDSy, CommandSy}, {"DT", DTSy, CommandSy}, {"IMG", ImageSy, CommandSy},
    {"BASE", BaseSy, CommandSy}, {"BUTTON", ButtonSy, CommandSy}, {"INPUT", InputSy, CommandSy},
    {"SELECTED", SelectedSy, CommandSy}, {"BASEFONT", BaseFontSy, CommandSy}, {"AREA", AreaSy, CommandSy},
    {"FRAME", FrameSy, CommandSy}, {"PAGE", PageSy, CommandSy}, {"BGSOUND", BgSoundSy, CommandSy},
    {"WRAP", WrapSy, CommandSy}, {"META", MetaSy, CommandSy}, {"PANEL", PanelSy, CommandSy},
    {"WBR", WbrSy, CommandSy}, {"LINK", LinkSy, CommandSy}, {"COL", ColSy, CommandSy},
};
static_assert(sizeof(kTags) / sizeof(kTags[0]) == 74);

struct AttrRow {
    const char* Name;
    Symb Sym;
};

// Searched in order, the first equal name winning ("VALUE" stands twice).
const AttrRow kAttributes[] = {
    {"HREF", HrefSy}, {"NAME", NameSy}, {"SRC", SrcSy}, {"ALT", AltSy}, {"ALIGN", AlignSy},
    {"TEXT", TextSy}, {"BGCOLOR", BGColorSy}, {"LINK", LinkSy}, {"BACKGROUND", BackgroundSy},
    {"COLSPAN", ColSpanSy}, {"ROWSPAN", RowSpanSy}, {"BORDER", BorderSy}, {"CELLPADDING", CellPaddingSy},
    {"CELLSPACING", CellSpacingSy}, {"VALIGN", VAlignSy}, {"WIDTH", WidthSy}, {"START", StartSy},
    {"VALUE", ValueSy}, {"TYPE", TypeSy}, {"CHECKBOX", CheckBoxSy}, {"RADIO", RadioSy},
    {"METHOD", MethodSy}, {"ACTION", ActionSy}, {"CHECKED", CheckedSy}, {"SIZE", SizeSy},
    {"MAXLENGTH", MaxLengthSy}, {"COLS", ColsSy}, {"ROWS", RowsSy}, {"MULTIPLE", MultipleSy},
    {"VALUE", ValueSy}, {"SELECTED", SelectedSy}, {"FACE", FaceSy}, {"COLOR", ColorSy},
    {"TRANSP", TranspSy}, {"CLEAR", ClearSy}, {"ISMAP", IsMapSy}, {"BORDERCOLOR", BorderColorSy},
    {"USEMAP", UseMapSy}, {"SHAPE", ShapeSy}, {"COORDS", CoordsSy}, {"NOHREF", NoHrefSy},
    {"HEIGHT", HeightSy}, {"PLAIN", PlainSy}, {"TARGET", TargetSy}, {"NORESIZE", NoResizeSy},
    {"SCROLLING", ScrollingSy}, {"HSPACE", HSpaceSy}, {"LANGUAGE", LanguageSy},
    {"FRAMEBORDER", FrameBorderSy}, {"MARGINWIDTH", MarginWidthSy}, {"MARGINHEIGHT", MarginHeightSy},
    {"LOOP", LoopSy}, {"ONCLICK", OnClickSy}, {"WRAP", WrapSy}, {"NOSHADE", NoShadeSy},
    {"HTTP-EQUIV", HttpEqSy}, {"CONTENT", ContentSy}, {"ENCTYPE", EncTypeSy}, {"VLINK", VLinkSy},
    {"OLINK", OLinkSy}, {"ACTIVE", ActiveSy}, {"VSPACE", VSpaceSy}, {"CLASS", ClassSy},
    {"ID", IDSy}, {"STYLE", StyleSy}, {"REL", RelSy}, {"REV", RevSy}, {"NOWRAP", NoWrapSy},
    {"BORDERCOLORLIGHT", BorderColorLightSy}, {"BORDERCOLORDARK", BorderColorDarkSy},
    {"CHARSET", CharSetSy}, {"RATIO", RatioSy}, {"TITLE", TitleSy}, {"ONFOCUS", OnFocusSy},
    {"ONBLUR", OnBlurSy}, {"ONCHANGE", OnChangeSy}, {"SPAN", SpanSy}, {"TABINDEX", TabIndexSy},
    {"BGPROPERTIES", BGPropertiesSy}, {"DISABLED", DisabledSy}, {"TOPMARGIN", TopMarginSy},
    {"LEFTMARGIN", LeftMarginSy}, {"LABEL", LabelSy},
};
static_assert(sizeof(kAttributes) / sizeof(kAttributes[0]) == 83);

struct CharsetRow {
    const char* Fragment;
    uint8_t Charset;
};

// In search order; 30 and 31 are signals, not character sets.
const CharsetRow kCharsets[] = {
    {"1252", 0}, {"8859-1", 0}, {"1253", 161}, {"8859-7", 161}, {"1250", 238}, {"8859-2", 31},
    {"1251", 204}, {"8859-5", 204}, {"koi", 204}, {"866", 204}, {"1254", 162}, {"8859-3", 162},
    {"8859-9", 162}, {"1257", 186}, {"8859-4", 186},
    {"932", 128}, {"949", 129}, {"936", 134}, {"950", 136}, {"1255", 177}, {"1256", 178},
    {"1258", 163}, {"874", 222}, {"ansi", 0}, {"default", 1}, {"symbol", 2}, {"shiftjis", 128},
    {"shift_jis", 128}, {"x-sjis", 128}, {"hangeul", 129}, {"gb2312", 134},
    {"big5", 136}, {"oem", 255}, {"johab", 130}, {"hebrew", 177}, {"arabic", 178}, {"greek", 161},
    {"turkish", 162}, {"vietnamese", 163}, {"thai", 222}, {"easteurope", 238}, {"russian", 204},
    {"euc-kr", 129}, {"5601", 129}, {"euc-jp", 30}, {"8859-15", 0},
};
static_assert(sizeof(kCharsets) / sizeof(kCharsets[0]) == 46);

constexpr uint8_t kEucJpSignal = 30;

const TagRow* FindTag(std::string_view name) {
    static const std::unordered_map<std::string_view, const TagRow*> index = [] {
        std::unordered_map<std::string_view, const TagRow*> map;
        for (const TagRow& row : kTags) map.emplace(row.Name, &row);
        return map;
    }();
    const auto found = index.find(name);
    return found == index.end() ? nullptr : found->second;
}

Symb FindAttribute(std::string_view name) {
    // emplace keeps the first row of a name, as the search in table order does.
    static const std::unordered_map<std::string_view, Symb> index = [] {
        std::unordered_map<std::string_view, Symb> map;
        for (const AttrRow& row : kAttributes) map.emplace(row.Name, row.Sym);
        return map;
    }();
    const auto found = index.find(name);
    return found == index.end() ? OtherAttribute : found->second;
}

bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// Saturates well above the last code point, so any overlong number is out of range.
constexpr uint32_t kCodeCap = 0x7FFFFFFF;

void AppendUtf16(std::wstring& out, uint32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (code >> 10));
        out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<wchar_t>(code);
    }
}

}  // namespace

void InitializeFontSizes(int defaultSize) {
    static const double normal[7] = {8, 10, 12, 14, 18, 24, 36};
    static const double pre[7] = {7, 8, 10, 12, 15, 20, 30};
    for (int i = 0; i < 7; ++i) {
        FontConv[i] = defaultSize * normal[i] / 12.0;
        PreFontConv[i] = defaultSize * pre[i] / 12.0;
    }
}

bool TranslateCharsetName(const std::string& name, uint8_t& charset) {
    const std::string lower = LowerCase(name);
    for (const CharsetRow& row : kCharsets) {
        if (lower.find(row.Fragment) != std::string::npos) {
            charset = row.Charset;
            return true;
        }
    }
    return false;
}

std::string EucJpToShiftJis(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool second = false;
    unsigned first = 0;
    for (char ch : text) {
        const unsigned byte = static_cast<unsigned char>(ch);
        if (byte <= 160) {
            out += ch;
            second = false;
            continue;
        }
        const unsigned b = byte & 127;
        if (!second) {
            out += static_cast<char>(b >= 33 && b <= 94 ? (b + 1) / 2 + 112 : (b + 1) / 2 + 176);
            first = b;
        } else if (first & 1) {
            out += static_cast<char>(b >= 96 ? b + 32 : b + 31);
        } else {
            out += static_cast<char>(b + 126);
        }
        second = !second;
    }
    return out;
}

std::string Iso2022JpToShiftJis(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pairs = false, second = false;
    unsigned first = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned b = static_cast<unsigned char>(text[i]) & 127;
        if (b == 27 && i + 2 < text.size()) {
            const char c1 = text[i + 1], c2 = text[i + 2];
            if (c1 == '(' && (c2 == 'B' || c2 == 'J')) {
                pairs = false;
                i += 2;
                continue;
            }
            if (c1 == '$' && (c2 == '@' || c2 == 'B')) {
                pairs = true;
                second = false;
                i += 2;
                continue;
            }
        }
        if (!pairs) {
            out += static_cast<char>(b);
        } else if (!second) {
            out += static_cast<char>(b >= 33 && b <= 94 ? (b + 1) / 2 + 112 : (b + 1) / 2 + 176);
            first = b;
            second = true;
        } else {
            out += static_cast<char>((first & 1) ? (b >= 96 ? b + 32 : b + 31) : b + 126);
            second = false;
        }
    }
    return out;
}

// ---- characters ----

THtmlScanner::THtmlScanner() = default;

void THtmlScanner::Start(std::string text) {
    const size_t zero = FindByte(text, '\0');
    if (zero != std::string::npos) text.resize(zero);
    FText = std::move(text);
    FPos = 0;
    FInclude.clear();
    FIPos = 0;
    FInInclude = false;
    FIncludeDepth = FIncludeCount = 0;
    FIncludeBytes = 0;
    FLast = LineEnd::None;
    FInComment = false;
    FEucDone = false;
    ErrorMessage.clear();
    SIndex = -1;
    Sy = EofSy;
    SymbolFont = false;
    Attributes.Clear();
    LCToken.Clear();
    NextChar();
}

std::string THtmlScanner::TakeText() {
    FPos = 0;
    return std::exchange(FText, std::string());
}

void THtmlScanner::Fail(const char* message) {
    if (ErrorMessage.empty()) ErrorMessage = message;
    FPos = FText.size();
    FInInclude = false;
    FInclude.clear();
    LCh = LCUpper = 0;
}

char THtmlScanner::RawChar() {
    if (FInInclude) {
        if (FIPos < FInclude.size()) return FInclude[FIPos++];
        FInInclude = false;
        FInclude.clear();
        FIPos = 0;
        FIncludeDepth = 0;
    }
    if (FPos >= FText.size()) return 0;
    const char c = FText[FPos++];
    ++SIndex;
    if (OnProgress && (FPos & 4095) == 0)
        OnProgress(static_cast<int>(static_cast<int64_t>(ProgressShare) * static_cast<int64_t>(FPos) /
                                    static_cast<int64_t>(FText.size())));
    return c;
}

char THtmlScanner::PeekRaw() const {
    if (FInInclude && FIPos < FInclude.size()) return FInclude[FIPos];
    return FPos < FText.size() ? FText[FPos] : 0;
}

void THtmlScanner::NextChar() {
    for (;;) {
        char c = RawChar();
        if (c == '\n') {
            if (FLast == LineEnd::AfterCR) {
                // The second half of a CR LF pair; the folding starts afresh after it
                // so that the next line end is kept.
                FLast = LineEnd::None;
                continue;
            }
            FLast = LineEnd::AfterLF;
            c = '\r';
        } else if (c == '\r') {
            if (FLast == LineEnd::AfterLF) {
                FLast = LineEnd::None;
                continue;
            }
            FLast = LineEnd::AfterCR;
        } else {
            FLast = LineEnd::None;
            if (c == '\t') c = ' ';
        }
        LCh = c;
        LCUpper = AsciiUpper(c);
        if (c == 0) {
            if (FInComment) Fail(kOpenComment);
            return;
        }
        if (c == '<' && !PlainText && !FInComment && PeekRaw() == '!') {
            SkipComment();
            if (Failed()) return;
            continue;
        }
        return;
    }
}

char THtmlScanner::NextStyleChar() {
    const bool plain = PlainText;
    PlainText = true;
    NextChar();
    PlainText = plain;
    return LCh == 0 ? static_cast<char>(26) : LCh;
}

// The bytes after LCh equal `lowerText`, ignoring ASCII case.
bool THtmlScanner::RawAheadIs(std::string_view lowerText) const {
    const std::string& source = FInInclude ? FInclude : FText;
    const size_t from = FInInclude ? FIPos : FPos;
    if (source.size() - from < lowerText.size()) return false;
    for (size_t i = 0; i < lowerText.size(); ++i) {
        const char c = source[from + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != lowerText[i]) return false;
    }
    return true;
}

std::string THtmlScanner::ReadScriptText() {
    const bool plain = PlainText;
    PlainText = true;
    std::string text;
    if (LCh == '>') NextChar();
    int chars = 0;
    while (LCh != 0 && !(LCh == '<' && RawAheadIs("/script"))) {
        if (TokenOverBudget(chars)) break;
        if (LCh == '\r')
            text += "\r\n";
        else
            text += LCh;
        NextChar();
    }
    PlainText = plain;
    return text;
}

// Called at a '<' that a '!' follows; ends after the construct's closing '>'.
void THtmlScanner::SkipComment() {
    FInComment = true;
    NextChar();  // '!'
    NextChar();
    bool comment = false;
    if (LCh == '-') {
        NextChar();
        comment = LCh == '-';
    }
    if (comment) {
        NextChar();
        if (LCh == '#' && OnInclude)
            DoInclude();
        else
            SkipToCommentEnd();
    } else {
        while (LCh != '>' && LCh != 0) NextChar();
    }
    FInComment = false;
}

// A comment ends at "--", any further '-', any spaces or CRs, an optional '!'
// and '>'; LCh is then that '>'.
void THtmlScanner::SkipToCommentEnd() {
    int dashes = 0;
    while (LCh != 0) {
        if (LCh == '-') {
            ++dashes;
            NextChar();
            continue;
        }
        if (dashes >= 2) {
            while (LCh == ' ' || LCh == '\r') NextChar();
            if (LCh == '!') NextChar();
            if (LCh == '>') return;
            dashes = 0;
            continue;  // LCh may start the next "--"
        }
        dashes = 0;
        NextChar();
    }
}

// '<!--#command name=value ... -->': LCh is the '#'.
void THtmlScanner::DoInclude() {
    NextChar();
    std::string command;
    while (IsLetter(LCh) || IsDigit(LCh) || LCh == '_') {
        command += LCh;
        NextChar();
    }
    std::vector<std::string> params;
    for (;;) {
        while (LCh == ' ' || LCh == '\r') NextChar();
        if (!IsLetter(LCh)) break;
        std::string param;
        while (IsLetter(LCh) || IsDigit(LCh) || LCh == '_') {
            param += LCh;
            NextChar();
        }
        while (LCh == ' ' || LCh == '\r') NextChar();
        if (LCh == '=') {
            param += '=';
            NextChar();
            while (LCh == ' ' || LCh == '\r') NextChar();
            if (LCh == '"' || LCh == '\'') {
                const char quote = LCh;
                NextChar();
                while (LCh != quote && LCh != 0) {
                    if (LCh == '&') {
                        DecodeReferenceTo8Bit(param);
                        continue;
                    }
                    param += LCh == '\r' ? ' ' : LCh;
                    NextChar();
                }
                if (LCh == quote) NextChar();
            } else {
                while (LCh != 0 && LCh != ' ' && LCh != '\r' && LCh != '-' && LCh != '>') {
                    param += LCh;
                    NextChar();
                }
            }
        }
        params.push_back(std::move(param));
    }
    SkipToCommentEnd();
    if (Failed()) return;

    const bool nested = FInInclude;
    if (FIncludeCount >= MaxIncludeCount || (nested && FIncludeDepth >= MaxIncludeDepth)) return;
    ++FIncludeCount;
    std::string rest = FInInclude ? FInclude.substr(FIPos) : std::string();
    std::string text;
    OnInclude(Viewer, command, std::move(params), text);
    const size_t zero = FindByte(text, '\0');
    if (zero != std::string::npos) text.resize(zero);
    if (text.empty() || FIncludeBytes + text.size() > MaxIncludeBytes) return;
    FIncludeBytes += text.size();
    FInclude = std::move(text) + rest;
    FIPos = 0;
    FIncludeDepth = nested ? FIncludeDepth + 1 : 1;
    FInInclude = true;
}

// ---- character references ----

struct THtmlScanner::Reference {
    enum Kind { Literal, Decimal, Hex, Named } kind = Literal;
    uint32_t code = 0;
    bool semicolon = false;
    int pos = 0;            // source position of the '&'
    char text[16];          // the characters read, for a reference that stays text
    int textPos[16];
    int length = 0;
    void Keep(char c, int at) {
        if (length < 16) {
            text[length] = c;
            textPos[length] = at;
            ++length;
        }
    }
};

// LCh is '&'. Reads one reference; on return LCh is the first character after it.
void THtmlScanner::ReadReference(Reference& ref) {
    ref = Reference();
    ref.pos = SIndex;
    ref.Keep('&', SIndex);
    NextChar();
    if (LCh == '#') {
        ref.Keep('#', SIndex);
        NextChar();
        bool hex = false;
        if (LCh == 'x' || LCh == 'X') {
            ref.Keep(LCh, SIndex);
            NextChar();
            if (!IsHexDigit(LCh)) return;
            hex = true;
        } else if (!IsDigit(LCh)) {
            return;
        }
        uint32_t code = 0;
        const uint32_t base = hex ? 16 : 10;
        while (hex ? IsHexDigit(LCh) : IsDigit(LCh)) {
            const uint32_t digit = static_cast<uint32_t>(HexValue(LCh));
            code = code > (kCodeCap - digit) / base ? kCodeCap : code * base + digit;
            NextChar();
        }
        if (LCh == ';') {
            ref.semicolon = true;
            NextChar();
        }
        ref.kind = hex ? Reference::Hex : Reference::Decimal;
        ref.code = code;
        return;
    }
    // A name starts with a letter; "AT&<b>" keeps its '&' as text.
    if (!IsLetter(LCh)) return;
    char name[12];
    int n = 0;
    while (n < 11 && (IsLetter(LCh) || IsDigit(LCh))) {
        name[n++] = LCh;
        ref.Keep(LCh, SIndex);
        NextChar();
    }
    int code;
    if (!FindEntity(std::string_view(name, static_cast<size_t>(n)), code)) return;
    if (LCh == ';') {
        ref.semicolon = true;
        NextChar();
    }
    ref.kind = Reference::Named;
    ref.code = static_cast<uint32_t>(code);
}

void THtmlScanner::FlushChars() {
    if (FChars.GetSize() == 0) return;
    LCToken.AddString(FChars, CodePage);
    FChars.Clear();
}

void THtmlScanner::DecodeReferenceToText() { DecodeReferenceToText(FChars, LCToken); }

void THtmlScanner::DecodeReferenceToText(TCharCollection& chars, TokenObj& token) {
    Reference ref;
    ReadReference(ref);
    switch (ref.kind) {
    case Reference::Literal:
        for (int i = 0; i < ref.length; ++i) chars.Add(ref.text[i], ref.textPos[i]);
        return;
    case Reference::Decimal:
    case Reference::Hex:
        if (ref.code < 32) {
            chars.Add(ref.code == 9 ? ' ' : '?', ref.pos);
            return;
        }
        if (ref.code < 256 && (ref.kind == Reference::Hex || SymbolFont)) {
            chars.Add(static_cast<char>(ref.code), ref.pos);
            return;
        }
        break;
    case Reference::Named: break;
    }
    // Unicode characters follow the 8-bit characters collected so far.
    if (chars.GetSize() > 0) {
        token.AddString(chars, CodePage);
        chars.Clear();
    }
    std::wstring units;
    AppendUtf16(units, ref.code);
    for (wchar_t unit : units) token.AddUnicodeChar(unit, ref.pos);
}

void THtmlScanner::DecodeReferenceTo8Bit(std::string& out) {
    Reference ref;
    ReadReference(ref);
    switch (ref.kind) {
    case Reference::Literal: out.append(ref.text, static_cast<size_t>(ref.length)); return;
    case Reference::Decimal:
    case Reference::Hex:
        if (ref.code < 32) {
            out += ref.code == 9 ? ' ' : '?';
            return;
        }
        if (ref.code < 256) {
            out += static_cast<char>(ref.code);
            return;
        }
        break;
    case Reference::Named:
        if (!ref.semicolon && ref.code >= 256) {
            out.append(ref.text, static_cast<size_t>(ref.length));
            return;
        }
        break;
    }
    std::wstring units;
    AppendUtf16(units, ref.code);
    std::string bytes = WideStringToMultibyte(CodePage, units);
    if (bytes.size() > 11) bytes.resize(11);
    out += bytes;
}

// ---- tokens ----

void THtmlScanner::NextToken() {
    LCToken.Clear();
    FChars.Clear();
    HeadingLevel = 0;
    const unsigned char c = static_cast<unsigned char>(LCh);
    if (Failed() || c == 0) {
        Sy = EofSy;
        return;
    }
    if (c <= 8) {
        Fail(kNotHtml);
        Sy = EofSy;
        return;
    }
    if (c == '<')
        ScanTag();
    else
        ScanText();
}

void THtmlScanner::SkipBlanks() {
    while (LCh == ' ' || LCh == '\r') NextChar();
}

void THtmlScanner::ScanTag() {
    TagIndex = SIndex;
    NextChar();
    bool endTag = false;
    if (LCh == '/') {
        endTag = true;
        NextChar();
    } else if (!IsUpperLetter(LCUpper)) {
        Sy = TextSy;
        FChars.Add('<', TagIndex);
        FlushChars();
        return;
    }
    char name[256];
    size_t length = 0;
    while (IsUpperLetter(LCUpper) || IsDigit(LCUpper)) {
        if (length < 255) name[length++] = LCUpper;
        NextChar();
        if (length == 1 && name[0] == 'H' && LCh >= '1' && LCh <= '6') break;
    }
    const TagRow* row = FindTag(std::string_view(name, length));
    Sy = CommandSy;
    if (row) Sy = endTag ? row->End : row->Start;
    if (Sy == HeadingSy || Sy == HeadingEndSy) {
        if (LCh >= '1' && LCh <= '6') {
            HeadingLevel = LCh - '0';
            NextChar();
        }
    }
    Attributes.Clear();
    while (ScanAttribute()) {
    }
    if (Sy == FontSy || Sy == BaseFontSy) {
        TAttribute* face;
        SymbolFont = Attributes.Find(FaceSy, face) && face->Text.size() >= 6 &&
                     CompareText(std::string_view(face->Text).substr(0, 6), "Symbol") == 0;
    }
    while (LCh != '>' && LCh != 0) NextChar();
    // SCRIPT and STYLE content is read raw by the reader from the '>' on.
    if (LCh == '>' && Sy != ScriptSy && Sy != StyleSy) NextChar();
}

// Past the budget the input ends at once (LCh 0), so that every loop over
// the token stops; the reader drops the token it was in.
bool THtmlScanner::TokenOverBudget(int& chars) {
    if (!OverBudget || ++chars % kBudgetCheckChars != 0 || !OverBudget()) return false;
    FPos = FText.size();
    FInInclude = false;
    FInclude.clear();
    LCh = LCUpper = 0;
    return true;
}

bool THtmlScanner::ScanAttribute() {
    SkipBlanks();
    if (!IsUpperLetter(LCUpper)) return false;
    std::string name;
    while (IsUpperLetter(LCUpper) || IsDigit(LCUpper) || LCh == '-') {
        if (name.size() < 255) name += LCUpper;
        NextChar();
    }
    const Symb sym = FindAttribute(name);
    int number = sym == BorderSy ? 1 : 0;
    std::string text;
    int chars = 0;
    SkipBlanks();
    if (LCh == '=') {
        NextChar();
        SkipBlanks();
        if (LCh == '"' || LCh == '\'') {
            const char quote = LCh;
            NextChar();
            while (LCh != quote && LCh != 0 && !TokenOverBudget(chars)) {
                if (LCh == '&') {
                    DecodeReferenceTo8Bit(text);
                    continue;
                }
                if (LCh != '\r') text += LCh;
                NextChar();
            }
            if (LCh == quote) NextChar();
            text = Trim(text);
            std::string_view digits = text;
            if (!digits.empty() && digits.find('%') == digits.size() - 1) digits.remove_suffix(1);
            double value;
            if (!digits.empty() && (digits[0] == '+' || digits[0] == '-' || digits[0] == '.' || IsDigit(digits[0])) &&
                TextToNumber(digits, value))
                number = RoundToInt(value, MaxAttributeNumber);
        } else if (LCh == '+' || LCh == '-' || IsDigit(LCh)) {
            while (LCh != 0 && LCh != ' ' && LCh != '\r' && LCh != '%' && LCh != '>' && !TokenOverBudget(chars)) {
                if (LCh == '&') {
                    DecodeReferenceTo8Bit(text);
                    continue;
                }
                text += LCh;
                NextChar();
            }
            SkipBlanks();
            double value;
            if (TextToNumber(text, value)) number = RoundToInt(value, MaxAttributeNumber);
            if (LCh == '%') {
                text += '%';
                NextChar();
            }
        } else {
            while (LCh != 0 && LCh != ' ' && LCh != '\r' && LCh != '>' && !TokenOverBudget(chars)) {
                if (LCh == '&') {
                    DecodeReferenceTo8Bit(text);
                    continue;
                }
                text += LCh;
                NextChar();
            }
        }
    }
    if (sym == IDSy && !text.empty() && IDNameList) IDNameList->AddChPosObject(text, SIndex);
    Attributes.Add(new TAttribute(sym, number, std::move(name), std::move(text)));
    return true;
}

// Bytes that NextChar hands on as they are, but for a tab, and that end no
// skipped text.
constexpr auto kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (int c = 9; c < 256; ++c) plain[static_cast<size_t>(c)] = c != '<' && c != '&' && c != '\r' && c != '\n';
    return plain;
}();

bool THtmlScanner::SkipPlainBytes() {
    if (FInInclude || OnProgress) return false;
    const size_t from = FPos;
    size_t at = from;
    while (at < FText.size() && kPlainBytes[static_cast<unsigned char>(FText[at])]) ++at;
    if (at == from) return false;
    // Where NextChar would stand after the last of them.
    SIndex += static_cast<int>(at - from);
    FPos = at;
    FLast = LineEnd::None;
    LCh = FText[at - 1] == '\t' ? ' ' : FText[at - 1];
    LCUpper = AsciiUpper(LCh);
    return true;
}

void THtmlScanner::ScanText() {
    Sy = TextSy;
    if (TextSkipped) {
        // Where the text ends is all that is wanted: references are read as
        // reading does, so that they end it in the same place.
        for (unsigned char c; (c = static_cast<unsigned char>(LCh)) > 8 && c != '<';) {
            if (c == '&') DecodeReferenceToText();
            else if (!SkipPlainBytes()) NextChar();
        }
        FChars.Clear();
        return;
    }
    for (;;) {
        const unsigned char c = static_cast<unsigned char>(LCh);
        if (c <= 8 || c == '<') break;
        // Text without tags may be the whole page: it comes in tokens of at
        // most kMaxTextTokenChars, so that the reader weighs its budget
        // between them. They end after a folded space or inside a word;
        // the reader joins them.
        if (FChars.GetSize() + LCToken.Count() >= kMaxTextTokenChars) break;
        if (c == ' ' || c == '\r') {
            FChars.Add(' ', SIndex);
            do NextChar();
            while (LCh == ' ' || LCh == '\r');
            continue;
        }
        if (c == '&') {
            DecodeReferenceToText();
            continue;
        }
        FChars.Add(LCh, SIndex);
        NextChar();
    }
    FlushChars();
}

bool THtmlScanner::TranslateCharset(const std::string& name, uint8_t& charset) {
    if (!TranslateCharsetName(name, charset)) return false;
    if (charset == kEucJpSignal) {
        if (!FEucDone) {
            // The conversion keeps every byte in its place, so the read position stays valid.
            FText = EucJpToShiftJis(FText);
            FEucDone = true;
        }
        charset = 128;
    }
    return true;
}
