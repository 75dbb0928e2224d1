// The style sheet parser: CSS text of STYLE elements, linked sheets and STYLE
// attributes, with shorthand properties split into longhand ones. The style
// list and the property set only ever receive longhand names and values as
// text. Free of window headers.
#pragma once

#include <string>
#include <string_view>

class THtmlScanner;

// Characters of a sheet; the character 26 stands for the end of the text.
class TStyleCharSource {
public:
    virtual char Next() = 0;
    // The character Next would return, without taking it.
    virtual char Peek() = 0;

protected:
    ~TStyleCharSource() = default;
};

// What the parser fills: the document's style list ...
class TStyleRuleSink {
public:
    virtual std::string GetSeqNo() = 0;
    virtual void AddModifyProp(const std::string& selector, const std::string& property, const std::string& value) = 0;

protected:
    ~TStyleRuleSink() = default;
};

// ... and the property set of a STYLE attribute.
class TPropertySink {
public:
    virtual void AddPropertyByName(const std::string& property, const std::string& value) = 0;

protected:
    ~TPropertySink() = default;
};

// A linked sheet's text: LF skipped, tab read as a space.
class TStringStyleSource final : public TStyleCharSource {
public:
    explicit TStringStyleSource(std::string_view text) : FText(text) {}
    char Next() override;
    char Peek() override;

private:
    std::string_view FText;
    size_t FPos = 0;
};

// The content of a STYLE element, read raw from the HTML scanner.
class TScannerStyleSource final : public TStyleCharSource {
public:
    explicit TScannerStyleSource(THtmlScanner& scanner) : FScanner(scanner) {}
    char Next() override;
    char Peek() override;

private:
    THtmlScanner& FScanner;
};

// Parses rules from `source`, starting at `ch`, until the end of the text or a
// '<' that does not open "<!"; on return `ch` is the character at which parsing
// stopped, ASCII upper-cased (for a STYLE element the '<' of its end tag).
// `path` is the base of a linked sheet (a folder or a URL), empty otherwise.
void DoStyle(TStyleRuleSink& styles, char& ch, TStyleCharSource& source, const std::string& path);

// Parses "name: value; ..." of a STYLE attribute.
void ParsePropertyStr(const std::string& s, TPropertySink& props);

// The address inside "url(...)", without one pair of enclosing quotes; empty
// when the value holds no "url(".
std::string ReadURL(std::string_view value);
