// The HTML scanner: turns the 8-bit text of a document into tokens for the
// reader, one current token at a time. Free of window headers.
//
// Errors never unwind through the readers: an open comment at the end of the
// text or a control character 1-8 where a token must start sets ErrorMessage,
// and from then on the scanner yields the end of the input, so the reader
// closes what it opened.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "html/html_types.h"

// Font sizes in points of HTML sizes 1-7, normal and preformatted, for the
// current default font size.
extern double FontConv[7];
extern double PreFontConv[7];
void InitializeFontSizes(int defaultSize);

// A charset name to a font character set by the charset table: 30 marks EUC-JP
// (the caller converts the text) and 31 ISO 8859-2 (character set 238 read with
// code page 28592). False when no table fragment occurs in the name.
bool TranslateCharsetName(const std::string& name, uint8_t& charset);
std::string EucJpToShiftJis(std::string_view text);
std::string Iso2022JpToShiftJis(std::string_view text);

// The host's answer to an include command: `text` comes back non-empty to be
// scanned in place of the command. The host owns `params` ("name=value" lines).
using TIncludeEvent = TEvent<const std::string& /*command*/, std::vector<std::string> /*params*/,
                             std::string& /*text*/>;

class THtmlScanner {
public:
    THtmlScanner();
    THtmlScanner(const THtmlScanner&) = delete;
    THtmlScanner& operator=(const THtmlScanner&) = delete;

    // Starts a run over `text`; an embedded zero byte ends the input. Reads the
    // first character.
    void Start(std::string text);
    // The run's text, taken out of the scanner, which is left at its end.
    std::string TakeText();

    void NextChar();
    void NextToken();
    // The raw character reader of STYLE content: no comment recognition, the
    // character 26 at the end of the input.
    char NextStyleChar();
    // The next byte of the input without reading it (0 at the end).
    char PeekRaw() const;

    // LCh is the '>' of a SCRIPT tag: reads the script as written up to
    // "</script" (any case), line ends as CR LF, comments and tags included.
    // LCh is then the '<' of the end tag, or 0 at the end of the input.
    std::string ReadScriptText();

    bool TranslateCharset(const std::string& name, uint8_t& charset);
    // LCh is '&': decodes one character reference (or keeps it as text), the
    // first to the current text token, the second to 8-bit text in the current
    // code page (attribute values and form text).
    void DecodeReferenceToText();
    // The same for text read outside the tokens (preformatted text): 8-bit
    // characters go to `chars`, which is handed to `token` in front of a
    // Unicode character.
    void DecodeReferenceToText(TCharCollection& chars, TokenObj& token);
    void DecodeReferenceTo8Bit(std::string& out);
    bool Failed() const { return !ErrorMessage.empty(); }

    // The current token and character.
    Symb Sy = EofSy;
    char LCh = 0;        // 0 at the end of the input
    char LCUpper = 0;    // ASCII upper-cased LCh
    int SIndex = -1;     // source position of LCh: characters taken from the main text, minus 1
    int TagIndex = 0;    // source position of the current tag's '<'
    int HeadingLevel = 0;
    TAttributeList Attributes;
    TokenObj LCToken;
    std::string ErrorMessage;

    // Set by the reader.
    int CodePage = 1251;       // of the innermost open property set
    bool PlainText = false;    // comments are not recognised
    bool SymbolFont = false;   // numeric references below 256 are code-page bytes
    bool TextSkipped = false;  // text tokens come without their characters (a look over the tags)
    TIDNameList* IDNameList = nullptr;  // the document's, while one is built
    TObject* Viewer = nullptr;          // sender of the host's events
    TIncludeEvent OnInclude;
    std::function<void(int percent)> OnProgress;  // at most once per 4096 bytes
    // Asked every kBudgetCheckChars characters of one attribute value or
    // script, which may be the rest of the page; true ends the input there.
    std::function<bool()> OverBudget;
    static constexpr int kBudgetCheckChars = 4096;
    int ProgressShare = 75;

    // Caps on include expansion: an include inside included text counts one level.
    static constexpr int MaxIncludeDepth = 16;
    static constexpr int MaxIncludeCount = 1000;
    static constexpr size_t MaxIncludeBytes = 16u << 20;
    // The longest text token; longer text comes as several.
    static constexpr int kMaxTextTokenChars = 64 * 1024;

private:
    char RawChar();
    bool RawAheadIs(std::string_view lowerText) const;
    void Fail(const char* message);
    void SkipComment();
    void SkipToCommentEnd();
    void DoInclude();
    void ScanTag();
    void ScanText();
    bool ScanAttribute();
    void SkipBlanks();
    bool TokenOverBudget(int& chars);
    // In skipped text: passes the bytes up to the next one that needs
    // NextChar's care, as NextChar would; false when there are none.
    bool SkipPlainBytes();

    struct Reference;
    void ReadReference(Reference& ref);
    void FlushChars();

    std::string FText;
    size_t FPos = 0;
    std::string FInclude;
    size_t FIPos = 0;
    bool FInInclude = false;
    int FIncludeDepth = 0;
    int FIncludeCount = 0;
    size_t FIncludeBytes = 0;
    enum class LineEnd { None, AfterCR, AfterLF } FLast = LineEnd::None;
    bool FInComment = false;
    bool FEucDone = false;
    TCharCollection FChars;
};
