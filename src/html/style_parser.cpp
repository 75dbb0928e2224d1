#include "html/style_parser.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "framework/sysutils.h"
#include "html/colors.h"
#include "html/html_scanner.h"
#include "html/urls.h"

namespace {

constexpr char kEnd = 26;
constexpr size_t npos = std::string::npos;

using Emit = std::function<void(const std::string& property, const std::string& value)>;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

const char* const kBorderStyles[] = {"none", "solid", "dashed", "dotted", "double",
                                     "groove", "inset", "outset", "ridge"};

bool IsBorderStyle(const std::string& word) {
    for (const char* style : kBorderStyles)
        if (word == style) return true;
    return false;
}

// A word of a shorthand is taken as a colour only when it is a name, "rgb(" or
// carries '#': a bare "0" or "bad" in 'border: 0' is a width or junk, not a colour.
bool IsShorthandColor(const std::string& word) {
    int32_t color;
    return ColorFromString(word, true, color);
}

std::string StripQuotes(std::string value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

// Splits a shorthand value into at most `maxWords` words: double spaces are
// reduced, the space after ", " dropped (so font families stay one word), a
// quoted or parenthesised part stays in one word, and a '/' after a word's
// first character starts a new word ('12pt/14pt' gives "12pt" and "/14pt").
std::vector<std::string> SplitValue(std::string_view value, size_t maxWords) {
    std::string s = Trim(value);
    std::string reduced;
    reduced.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ' ' && !reduced.empty() && (reduced.back() == ' ' || reduced.back() == ',')) continue;
        reduced += s[i];
    }
    std::vector<std::string> words;
    std::string word;
    char quote = 0;
    bool inParens = false;
    auto finish = [&] {
        if (!word.empty() && words.size() < maxWords) words.push_back(word);
        word.clear();
    };
    for (char c : reduced) {
        if (quote) {
            word += c;
            if (c == quote) quote = 0;
            continue;
        }
        // "url(img/a b.gif)" stays one word: its '/' and blanks are the address's.
        if (inParens) {
            word += c;
            if (c == ')') inParens = false;
            continue;
        }
        if (c == '(') {
            inParens = true;
            word += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            word += c;
        } else if (c == ' ') {
            finish();
        } else if (c == '/' && !word.empty()) {
            finish();
            word += c;
        } else {
            word += c;
        }
    }
    finish();
    return words;
}

// Takes every "url(...)" and "rgb(...)" group out of `value` (at most 7).
std::vector<std::string> TakeGroups(std::string& value) {
    std::vector<std::string> groups;
    while (groups.size() < 7) {
        const size_t url = value.find("url(");
        const size_t rgb = value.find("rgb(");
        const size_t start = url < rgb ? url : rgb;
        if (start == npos) break;
        size_t end = value.find(')', start);
        end = end == npos ? value.size() : end + 1;
        groups.push_back(value.substr(start, end - start));
        value.erase(start, end - start);
    }
    return groups;
}

std::string MakeAbsolute(const std::string& value, const std::string& base) {
    std::string url = ReadURL(value);
    if (base.find("://") == npos) {
        url = HTMLToDos(url);
        if (!((url.size() > 1 && url[1] == ':') || url.rfind("\\\\", 0) == 0)) url = base + url;
    } else if (!IsFullURL(url)) {
        url = Combine(base, url);
    }
    return "url(" + url + ")";
}

void EmitSides(const Emit& emit, const std::string& value, const char* const names[4]) {
    const std::vector<std::string> w = SplitValue(value, 4);
    if (w.empty()) return;
    // top, right, bottom, left
    const size_t pick[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
    for (int side = 0; side < 4; ++side) emit(names[side], w[pick[w.size() - 1][side]]);
}

// One declaration; `raw` is the value before its quotes were removed.
void Declaration(const Emit& emit, const std::string& name, const std::string& value, const std::string& raw,
                 const std::string& base) {
    static const char* const margin[4] = {"margin-top", "margin-right", "margin-bottom", "margin-left"};
    static const char* const padding[4] = {"padding-top", "padding-right", "padding-bottom", "padding-left"};
    static const char* const widths[4] = {"border-top-width", "border-right-width", "border-bottom-width",
                                          "border-left-width"};
    static const char* const colors[4] = {"border-top-color", "border-right-color", "border-bottom-color",
                                          "border-left-color"};
    static const char* const styles[4] = {"border-top-style", "border-right-style", "border-bottom-style",
                                          "border-left-style"};
    if (name == "margin") return EmitSides(emit, value, margin);
    if (name == "padding") return EmitSides(emit, value, padding);
    if (name == "border-width") return EmitSides(emit, value, widths);
    if (name == "border-color") return EmitSides(emit, value, colors);
    if (name == "border-style") return EmitSides(emit, value, styles);

    if (name == "border" || name == "border-top" || name == "border-right" || name == "border-bottom" ||
        name == "border-left") {
        std::string rest = value;
        for (const std::string& group : TakeGroups(rest))
            if (group.rfind("rgb(", 0) == 0 && IsShorthandColor(group)) emit(name + "-color", group);
        for (const std::string& word : SplitValue(rest, 7)) {
            if (IsShorthandColor(word))
                emit(name + "-color", word);
            else if (IsBorderStyle(word))
                emit(name + "-style", word);
            else if (name == "border")
                for (const char* side : widths) emit(side, word);
            else
                emit(name + "-width", word);
        }
        return;
    }

    if (name == "font") {
        for (const std::string& word : SplitValue(raw, 7)) {
            if (word[0] == '/')
                emit("line-height", word.substr(1));
            else if (word == "italic" || word == "oblique")
                emit("font-style", word);
            else if (word == "normal" || word == "bolder" || word == "lighter" || word == "bold")
                emit("font-weight", word);
            else if (word == "small-caps")
                emit("font-variant", word);
            else if (word == "larger" || word == "smaller" || word == "xx-small" || word == "x-small" ||
                     word == "small" || word == "medium" || word == "large" || word == "x-large" ||
                     word == "xx-large")
                emit("font-size", word);
            else if (IsDigit(word[0]))
                emit("font-size", word);
            else
                emit("font-family", word);
        }
        return;
    }

    if (name == "background") {
        std::string rest = value;
        for (const std::string& group : TakeGroups(rest)) {
            if (group.rfind("rgb(", 0) == 0)
                emit("background-color", group);
            else
                emit("background-image", base.empty() ? group : MakeAbsolute(group, base));
        }
        std::string position;
        for (const std::string& word : SplitValue(rest, 7)) {
            if (IsShorthandColor(word))
                emit("background-color", word);
            else if (word == "none")
                emit("background-image", word);
            else if (word.find("repeat") != npos)
                emit("background-repeat", word);
            else if (word == "fixed" || word == "scroll")
                emit("background-attachment", word);
            else
                position += (position.empty() ? "" : " ") + word;
        }
        if (!position.empty()) emit("background-position", position);
        return;
    }

    if (name == "list-style") {
        for (const std::string& word : SplitValue(value, 7)) {
            if (word.find("url(") != npos)
                emit("list-style-image", base.empty() ? word : MakeAbsolute(word, base));
            else
                emit("list-style-type", word);
        }
        return;
    }

    if (!base.empty() && value.find("url(") != npos)
        emit(name, MakeAbsolute(value, base));
    else
        emit(name, value);
}

// The rule parser over a character source.
class TSheetParser {
public:
    TSheetParser(TStyleRuleSink& styles, TStyleCharSource& source, const std::string& path)
        : FStyles(styles), FSource(source), FBase(path) {}

    char Run(char first);

private:
    char Raw();
    char Peek();
    void Next();
    bool AtCommentOpenTag();
    void SkipBetweenRules();
    void AtRule();
    std::vector<std::string> Selectors();
    std::string SelectorKey(const std::string& selector);
    void Block(const std::vector<std::string>& selectors);

    TStyleRuleSink& FStyles;
    TStyleCharSource& FSource;
    std::string FBase;
    char FCh = kEnd;
    char FPushed = 0;
    bool FHavePushed = false;
    size_t FRead = 0;  // characters taken, to make sure every step moves on
};

char TSheetParser::Raw() {
    ++FRead;
    if (FHavePushed) {
        FHavePushed = false;
        return FPushed;
    }
    const char c = FSource.Next();
    return c == 0 ? kEnd : c;
}

char TSheetParser::Peek() {
    if (FHavePushed) return FPushed;
    const char c = FSource.Peek();
    return c == 0 ? kEnd : c;
}

// The next character: CR read as a space, comments skipped; a comment also ends
// at '<' or the end, so an open comment cannot swallow '</style>'.
void TSheetParser::Next() {
    for (;;) {
        char c = Raw();
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        if (c != '/') {
            FCh = c;
            return;
        }
        const char after = Raw();
        if (after != '*') {
            FPushed = after;
            FHavePushed = true;
            FCh = '/';
            return;
        }
        bool star = false;
        for (;;) {
            c = Raw();
            if (c == kEnd || c == '<') {
                FCh = c;
                return;
            }
            if (star && c == '/') break;
            star = c == '*';
        }
    }
}

bool TSheetParser::AtCommentOpenTag() {
    return FCh == '<' && Peek() == '!';
}

// Spaces, '!', '-', '>' and a '<' that opens "<!" ('<!--' and '-->' around the rules).
void TSheetParser::SkipBetweenRules() {
    while (FCh == ' ' || FCh == '!' || FCh == '-' || FCh == '>' || AtCommentOpenTag()) Next();
}

void TSheetParser::AtRule() {
    while (FCh != '{' && FCh != ';' && FCh != kEnd && FCh != '<') Next();
    if (FCh == ';') {
        Next();
        return;
    }
    if (FCh != '{') return;
    int depth = 1;
    while (depth > 0) {
        Next();
        if (FCh == kEnd || FCh == '<') return;
        if (FCh == '{') ++depth;
        else if (FCh == '}') --depth;
    }
    Next();
}

std::vector<std::string> TSheetParser::Selectors() {
    std::vector<std::string> keys;
    for (;;) {
        std::string selector;
        while (FCh == ' ' || FCh == '#' || FCh == '-' || FCh == '.' || FCh == ':' || FCh == '_' ||
               IsDigit(FCh) || IsLetter(FCh)) {
            selector += FCh;
            Next();
        }
        selector = LowerCase(Trim(selector));
        if (!selector.empty()) keys.push_back(SelectorKey(selector));
        if (FCh != ',') break;
        Next();
    }
    while (FCh != '{' && FCh != '<' && FCh != kEnd) Next();
    return keys;
}

// 'div p' is stored as "p 1" + sequence number + "div ": the subject, the count
// of its ancestors, then the ancestors from the nearest outwards.
std::string TSheetParser::SelectorKey(const std::string& selector) {
    std::vector<std::string> parts;
    std::vector<size_t> starts;
    for (size_t i = 0; i < selector.size();) {
        while (i < selector.size() && selector[i] == ' ') ++i;
        if (i >= selector.size()) break;
        const size_t start = i;
        while (i < selector.size() && selector[i] != ' ') ++i;
        parts.push_back(selector.substr(start, i - start));
        starts.push_back(start);
    }
    if (parts.size() <= 1) return selector;
    if (parts.size() >= 10) return selector.substr(starts[9]);
    std::string key = parts.back() + " " + std::to_string(parts.size() - 1) + FStyles.GetSeqNo();
    for (size_t i = parts.size() - 1; i-- > 0;) key += parts[i] + " ";
    return key;
}

void TSheetParser::Block(const std::vector<std::string>& selectors) {
    const Emit emit = [&](const std::string& property, const std::string& value) {
        for (const std::string& selector : selectors) FStyles.AddModifyProp(selector, property, value);
    };
    Next();  // '{'
    for (;;) {
        while (FCh == ' ') Next();
        if (FCh == '}') {
            Next();
            return;
        }
        if (FCh == '<' || FCh == kEnd) return;
        std::string name;
        while (FCh == '-' || IsDigit(FCh) || IsLetter(FCh)) {
            name += FCh;
            Next();
        }
        name = LowerCase(Trim(name));
        while (FCh == ' ') Next();
        if (FCh == ':' || FCh == '=') {
            Next();
            std::string value;
            while (FCh != ';' && FCh != '}' && FCh != '<' && FCh != kEnd) {
                value += FCh;
                Next();
            }
            const std::string raw = LowerCase(Trim(value));
            if (!name.empty()) Declaration(emit, name, StripQuotes(raw), raw, FBase);
        }
        if (FCh == ';') Next();
        while (FCh != '-' && FCh != '}' && FCh != '<' && FCh != kEnd && !IsDigit(FCh) && !IsLetter(FCh)) Next();
    }
}

char TSheetParser::Run(char first) {
    // The first character goes through Next like every other (it may open a comment).
    FPushed = first == 0 ? kEnd : first;
    FHavePushed = true;
    Next();
    SkipBetweenRules();
    while (FCh != kEnd && FCh != '<') {
        const size_t before = FRead;
        if (FCh == '@') {
            AtRule();
        } else {
            const std::vector<std::string> selectors = Selectors();
            if (FCh == '{') Block(selectors);
        }
        if (FRead == before) Next();
        SkipBetweenRules();
    }
    return AsciiUpper(FCh);
}

}  // namespace

char TStringStyleSource::Next() {
    while (FPos < FText.size()) {
        const char c = FText[FPos++];
        if (c == '\n') continue;
        if (c == 0) {
            FPos = FText.size();
            break;
        }
        return c == '\t' ? ' ' : c;
    }
    return kEnd;
}

char TStringStyleSource::Peek() {
    size_t pos = FPos;
    while (pos < FText.size() && FText[pos] == '\n') ++pos;
    if (pos >= FText.size() || FText[pos] == 0) return kEnd;
    return FText[pos] == '\t' ? ' ' : FText[pos];
}

char TScannerStyleSource::Next() {
    return FScanner.NextStyleChar();
}

char TScannerStyleSource::Peek() {
    const char c = FScanner.PeekRaw();
    return c == 0 ? kEnd : c;
}

void DoStyle(TStyleRuleSink& styles, char& ch, TStyleCharSource& source, const std::string& path) {
    TSheetParser parser(styles, source, path);
    ch = parser.Run(ch);
}

void ParsePropertyStr(const std::string& s, TPropertySink& props) {
    const std::string text = LowerCase(s);
    const Emit emit = [&](const std::string& property, const std::string& value) {
        props.AddPropertyByName(property, value);
    };
    auto isNameChar = [](char c) { return c == '-' || IsDigit(c) || IsLetter(c); };
    size_t i = 0;
    while (i < text.size() && !isNameChar(text[i])) ++i;
    while (i < text.size()) {
        const size_t nameStart = i;
        while (i < text.size() && isNameChar(text[i])) ++i;
        const std::string name = text.substr(nameStart, i - nameStart);
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
        if (i < text.size() && (text[i] == ':' || text[i] == '=')) {
            ++i;
            const size_t end = std::min(text.find(';', i), text.size());
            const std::string raw = Trim(std::string_view(text).substr(i, end - i));
            i = end;
            Declaration(emit, name, StripQuotes(raw), raw, std::string());
        }
        if (i < text.size() && text[i] == ';') ++i;
        while (i < text.size() && !isNameChar(text[i])) ++i;
    }
}

std::string ReadURL(std::string_view value) {
    const size_t at = value.find("url(");
    if (at == npos) return {};
    std::string_view url = value.substr(at + 4);
    url = url.substr(0, url.find(')'));
    std::string result(url);
    if (result.size() > 2 && (result[0] == '"' || result[0] == '\'') && result.back() == result[0])
        result = result.substr(1, result.size() - 2);
    return result;
}
