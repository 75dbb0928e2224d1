// The HTML reader: a recursive-descent reader over the scanner's tokens that
// builds a document of sections, links and style sets. It keeps no tree: each
// construct's routine reads until a symbol of its stop set comes and hands
// that symbol back to its caller. Free of window headers.
//
// The reader's state lives for one run; the entries of parser_entry.h start
// runs, one at a time for the process.
#pragma once

#include <functional>
#include <string>

#include "framework/classes.h"
#include "html/html_scanner.h"

class TSectionList;

// The host's callbacks. Any of them may be empty; any of them may throw, which
// ends the run like the end of the input does.
using TSoundEvent = TEvent<const std::string& /*src*/, int /*loop*/, bool /*terminate*/>;
using TMetaEvent = TEvent<const std::string& /*httpEquiv*/, const std::string& /*name*/,
                          const std::string& /*content*/>;
using TLinkEvent = TEvent<const std::string& /*rel*/, const std::string& /*rev*/, const std::string& /*href*/>;
using TScriptEvent = TEvent<const std::string& /*name*/, const std::string& /*language*/,
                            const std::string& /*script*/>;

// A linked style sheet as the host gives it: its text and the base its
// relative URLs are read against; false when the host has none for `href`,
// and the sheet is then read from the file of that name.
using TStyleSheetRequest = std::function<bool(const std::string& href, std::string& text, std::string& base)>;

struct TReaderCallbacks {
    TIncludeEvent OnInclude;
    TSoundEvent OnSoundRequest;
    TMetaEvent OnMeta;
    TLinkEvent OnLink;
    TScriptEvent OnScript;
    TStyleSheetRequest OnStyleSheetRequest;
};

// What the last run read from TITLE and BASE; every entry empties it first.
struct TReaderResults {
    std::wstring Title;
    std::string Base;
    std::string BaseTarget;
    bool CutShort = false;  // the run stopped at the memory budget
};
TReaderResults& ReaderResults();

// The memory a document may take. The reader weighs what the run has
// allocated (HeapBytesInUse) and stops at two thirds of it, leaving the rest
// for the lines layout adds (about a quarter more on a page of one-line
// sections); the page then shows what was read and ends with a note that it
// was cut short. Tests lower it.
constexpr std::size_t kDocumentMemoryBudget = std::size_t{256} << 20;
extern std::size_t gDocumentMemoryBudget;

// Runs of the reader; the entries call these inside their guard. `text` is
// already cut at its first zero byte and free of a UTF-8 signature.
// `utf8`: the text had one. Exceptions pass through to the entry.
void ReadHtmlDocument(TSectionList* doc, TObject* viewer, std::string text, bool utf8,
                      const TReaderCallbacks& callbacks);
void ReadTextDocument(TSectionList* doc, std::string text, bool utf8);
// Counts the A tags with HREF, stopping once `limit` are counted. The text
// is lent to the count and comes back, however the count ends, as it was up
// to its first zero byte, where the scanner ends it: a page is not copied
// for a look over its tags.
int CountLinks(std::string& text, int limit);
