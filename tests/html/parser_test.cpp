#include "html/parser_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "framework/cp1251.h"
#include "framework/small_heap.h"
#include "html/block.h"
#include "html/horz_line.h"
#include "html/layout_types.h"
#include "html/section_list.h"
#include "html/style_props.h"
#include "html/text_section.h"
#include "parsed_doc.h"

namespace {

struct Doc {
    explicit Doc(TDocumentHost* host = nullptr) : doc(host) {
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
    }
    TSectionList doc;
};

// Every section of the document in source order, boxes before their content.
void Walk(const TCellBasic& cell, std::vector<TSectionBase*>& out) {
    for (int i = 0; i < cell.Count(); ++i) {
        out.push_back(cell.Section(i));
        if (auto* b = dynamic_cast<TBlock*>(cell.Section(i))) Walk(*b->ChildCell, out);
    }
}
std::vector<TSectionBase*> Sections(const TSectionList& doc) {
    std::vector<TSectionBase*> out;
    Walk(doc, out);
    return out;
}

// The text of every text section, in order.
std::vector<std::wstring> Texts(const TSectionList& doc) {
    std::vector<std::wstring> out;
    for (TSectionBase* section : Sections(doc))
        if (auto* s = dynamic_cast<TSection*>(section)) out.push_back(s->SectionText);
    return out;
}

TSection* FirstText(const TSectionList& doc) {
    for (TSectionBase* section : Sections(doc))
        if (auto* s = dynamic_cast<TSection*>(section)) return s;
    return nullptr;
}

std::wstring AllText(const TSectionList& doc) {
    std::wstring all;
    for (const std::wstring& t : Texts(doc)) all += t + L"|";
    return all;
}

const TFontObj* RunOf(const TSectionList& doc, const std::wstring& text) { return RunHolding(doc, text); }

std::wstring Parse(const std::string& html) {
    Doc d;
    EXPECT_TRUE(ParseHTMLString(html, &d.doc, {}));
    EXPECT_EQ(PropStack.Count(), 0);
    return AllText(d.doc);
}

TEST(ParserTest, SmallDocumentsGiveTheirSectionsText) {
    struct Case {
        const char* html;
        const wchar_t* text;
    } cases[] = {
        {"<P><P>text", L"text|"},
        {"<p>one<p>two", L"one|two|"},
        {"<ul><li>a<ul><li>b<li>c</ul><li>d</ul>e", L"a|b|c|d|e|"},
        {"<ol start=5><li>x<li value=10>y</ol>", L"x|y|"},
        {"<b>x<p>y", L"x|y|"},
        {"</font></b></ul></div>x", L"x|"},
        {"a&amp;b&lt;c&#1046;", L"a&b<c\u0416|"},
        {"<H1>Head</H1><DIV ALIGN=center>Body</DIV>", L"Head|Body|"},
        {"<H>x</H><H7>y", L"xy|"},
        {"a<br>b", L"a|b|"},
        {"a<br><br>b", L"a|\x08|b|"},
        {"a<br clear=all>b", L"a|b|"},
        {"<pre>a  b\nc</pre>d", L"a  b|c|d|"},
        {"<title>T</title><blockquote>q</blockquote><center>c</center>", L"q|c|"},
        {"ab\0cd", L"ab|"},
        {"<ul><li>a<li>b<!-- never ends", L"a|b|"},
        {"<select><option>x</select>y<script>var a;</script>z", L"\x2yz|"},  // the control stands as character 2
        {"<map name=m><area><i><b><u>x", L"x|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        const std::string html = std::string(c.html) == "ab\0cd" ? std::string("ab\0cd", 5) : c.html;
        EXPECT_EQ(Parse(html), c.text);
    }
}

TEST(ParserTest, FontsOfRunsFollowTheOpenElements) {
    Doc d;
    ParseHTMLString("<B>bold <I>both</B> italic</I> plain <font size=7>big</font><font size=+9>max</font>", &d.doc,
                    {});
    struct Expect {
        const wchar_t* text;
        bool bold, italic;
    } expects[] = {{L"bold", true, false}, {L"both", true, true}, {L"italic", false, true}, {L"plain", false, false}};
    for (const Expect& e : expects) {
        SCOPED_TRACE(testing::Message() << std::string(e.text, e.text + wcslen(e.text)));
        const TFontObj* run = RunOf(d.doc, e.text);
        ASSERT_NE(run, nullptr);
        EXPECT_EQ(run->RunFont.Weight >= 700, e.bold);
        EXPECT_EQ(run->RunFont.Italic, e.italic);
    }
    // SIZE=+9 saturates at 7, like SIZE=7.
    EXPECT_EQ(RunOf(d.doc, L"big")->RunFont.Height, RunOf(d.doc, L"max")->RunFont.Height);
    EXPECT_LT(RunOf(d.doc, L"big")->RunFont.Height, RunOf(d.doc, L"plain")->RunFont.Height);
}

TEST(ParserTest, EveryElementGetsItsOwnStyleOnAPageOfThousandsOfClasses) {
    // More distinct elements than the reader keeps sets for, each met twice:
    // sets made, kept, found again and let go must all give the right style.
    std::string html = "<style>SPAN.c4321 { color: #FF0000 } SPAN.c17 { font-weight: bold }</style>";
    for (int pass = 0; pass < 2; ++pass)
        for (int n = 0; n < 5000; ++n)
            html += "<p><span class=c" + std::to_string(n) + ">w" + std::to_string(n) + "r" + std::to_string(pass) +
                    "</span></p>";
    ParsedDoc d(html);
    int seen = 0;
    for (TSection* s : TextSections(d.doc)) {
        const std::wstring& text = s->SectionText;
        ASSERT_FALSE(text.empty());
        const int n = std::stoi(text.substr(1));
        ASSERT_GT(s->Fonts.Count(), 0);
        const TFontObj* run = s->Fonts.Run(0);
        for (int r = 0; r < s->Fonts.Count() && s->Fonts.Run(r)->RunStart == 0; ++r) run = s->Fonts.Run(r);
        SCOPED_TRACE(WideToUtf8(text));
        EXPECT_EQ(run->FontColor & 0xFFFFFF, n == 4321 ? 0x0000FFu : 0u);
        EXPECT_EQ(run->RunFont.Weight, n == 17 ? 700 : 400);
        ++seen;
    }
    EXPECT_EQ(seen, 10000);
}

// Each inline element takes the rule of its own name, and its own end tag,
// not another's, gives the style back.
TEST(ParserTest, EveryInlineElementOpensAndClosesItsOwnStyle) {
    const std::string names[] = {"b",    "i",    "em",     "strong", "u",   "cite", "var",   "tt",   "code", "kbd",
                                 "samp", "s",    "strike", "sub",    "sup", "big",  "small", "span", "label"};
    for (const std::string& tag : names) {
        SCOPED_TRACE(tag);
        const std::string other = tag == "em" ? "strong" : "em";
        ParsedDoc d("<style>" + tag + " { color: #0000FF }</style><p>a<" + tag + ">b</" + tag + ">c<" + tag + ">d</" +
                    other + "></span>e</" + tag + ">f</p>");
        const std::vector<TSection*> sections = TextSections(d.doc);
        ASSERT_EQ(sections.size(), 1u);
        const TSection& s = *sections[0];
        ASSERT_EQ(s.SectionText, L"abcdef");
        for (int at = 0; at < 6; ++at) {
            int index;
            const TFontObj* run = s.Fonts.GetFontObjAt(at, index);
            ASSERT_NE(run, nullptr);
            const bool inside = at == 1 || at == 3 || (at == 4 && tag != "span");
            EXPECT_EQ(run->FontColor & 0xFFFFFF, inside ? 0xFF0000u : 0u) << "at " << at;
        }
    }
}

TEST(ParserTest, LinksEnterTheLinkListWithTheirUrls) {
    Doc d;
    ParseHTMLString("<a href=\"one.htm\">One</a> and <a name=here href=two.htm target=t>Two</a> <a name=x>n</a>",
                    &d.doc, {});
    std::vector<std::string> urls;
    for (TFontObj* run : d.doc.LinkRuns) urls.push_back(run->LinkTarget().Url);
    EXPECT_EQ(urls, (std::vector<std::string>{"one.htm", "two.htm"}));
    int index;
    EXPECT_TRUE(d.doc.IDObjects->Find("HERE", index));
    EXPECT_TRUE(d.doc.IDObjects->Find("X", index));
}

// Runs keep a link and a title only where the page gives one, and a copy of
// the document, as printing makes, keeps them.
TEST(ParserTest, RunsKeepTheirLinksAndTitlesInCopies) {
    Doc d;
    ParseHTMLString("<a href=one.htm target=t title=Go>One <b>bold</b></a> after <span title=Note>noted</span> "
                    "<a href=two.htm>Two</a> end",
                    &d.doc, {});
    TSectionList copy(d.doc);
    struct Expect {
        const wchar_t* text;
        const char *url, *target, *title;
    } expects[] = {{L"One", "one.htm", "t", "Go"}, {L"bold", "one.htm", "t", "Go"}, {L"after", "", "", ""},
                   {L"noted", "", "", "Note"},     {L"Two", "two.htm", "", ""},     {L"end", "", "", ""}};
    for (const TSectionList* doc : {&d.doc, &copy})
        for (const Expect& e : expects) {
            SCOPED_TRACE(testing::Message() << (doc == &d.doc ? "page " : "copy ")
                                            << std::string(e.text, e.text + wcslen(e.text)));
            const TFontObj* run = RunOf(*doc, e.text);
            ASSERT_NE(run, nullptr);
            EXPECT_EQ(run->LinkTarget().Url, e.url);
            EXPECT_EQ(run->LinkTarget().Target, e.target);
            EXPECT_EQ(run->Title(), e.title);
        }
    EXPECT_EQ(RunOf(d.doc, L"One")->LinkTarget().ID, RunOf(d.doc, L"bold")->LinkTarget().ID);
    EXPECT_NE(RunOf(d.doc, L"One")->LinkTarget().ID, RunOf(d.doc, L"Two")->LinkTarget().ID);
    EXPECT_EQ(RunOf(copy, L"Two")->LinkTarget().ID, RunOf(d.doc, L"Two")->LinkTarget().ID);
}

TEST(ParserTest, HorizontalRulesAndPageBreaksAreSections) {
    Doc d;
    ParseHTMLString("a<hr align=right>b<page>c", &d.doc, {});
    ASSERT_EQ(d.doc.Count(), 1);
    auto* body = dynamic_cast<TBodyBlock*>(d.doc.Section(0));
    ASSERT_NE(body, nullptr);
    const TCellBasic& cell = *body->ChildCell;
    ASSERT_EQ(cell.Count(), 5);
    auto* rule = dynamic_cast<THRBlock*>(cell.Section(1));
    ASSERT_NE(rule, nullptr);
    EXPECT_NE(rule->HRule(), nullptr);
    EXPECT_EQ(rule->RuleJustify, Right);
    EXPECT_NE(dynamic_cast<TPage*>(cell.Section(3)), nullptr);
}

TEST(ParserTest, DeepNestingIsCappedAndKeepsTheText) {
    const auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    const std::string docs[] = {
        repeat("<div>", 100000) + "deep" + repeat("</div>", 100000) + "after",
        repeat("<ul><li>", 100000) + "deep" + "<p>after",
        repeat("<blockquote>", 100000) + "deep" + "<p>after",
        repeat("<b>", 100000) + "deep" + repeat("</b>", 99999) + "<p>after",
        repeat("</font>", 100000) + "deep" + "<p>after",
    };
    for (const std::string& html : docs) {
        SCOPED_TRACE(html.substr(0, 12));
        Doc d;
        EXPECT_TRUE(ParseHTMLString(html, &d.doc, {}));
        const std::wstring all = AllText(d.doc);
        EXPECT_NE(all.find(L"deep"), std::wstring::npos);
        EXPECT_NE(all.find(L"after"), std::wstring::npos);
        EXPECT_EQ(PropStack.Count(), 0);
    }
    // The last unmatched <b> is still open: "after" is bold.
    Doc d;
    ParseHTMLString(repeat("<b>", 100000) + "x" + repeat("</b>", 99999) + "after", &d.doc, {});
    EXPECT_GE(RunOf(d.doc, L"after")->RunFont.Weight, 700);
}

TEST(ParserTest, ARunThatEndedEarlyLeavesTheNextParseClean) {
    // Symbol face: decimal references below 256 are code-page bytes there.
    Doc symbol;
    ParseHTMLString("<font face=Symbol>&#200;", &symbol.doc, {});
    Doc after;
    ParseHTMLString("&#200;", &after.doc, {});
    EXPECT_EQ(AllText(after.doc), L"\u00C8|");

    Doc nobr;
    ParseHTMLString("<nobr>a b", &nobr.doc, {});
    EXPECT_TRUE(FirstText(nobr.doc)->NoBreak);
    Doc plain;
    ParseHTMLString("a b", &plain.doc, {});
    EXPECT_FALSE(FirstText(plain.doc)->NoBreak);

    Doc pre;
    ParseHTMLString("<pre>a  <!-- open", &pre.doc, {});
    Doc next;
    ParseHTMLString("x   y", &next.doc, {});
    EXPECT_EQ(AllText(next.doc), L"x y|");
}

TEST(ParserTest, ThrowingCallbacksEndTheRunAndKeepWhatWasBuilt) {
    TReaderCallbacks callbacks;
    callbacks.OnMeta = [](TObject*, const std::string&, const std::string&, const std::string&) {
        throw std::runtime_error("host failed");
    };
    callbacks.OnLink = [](TObject*, const std::string&, const std::string&, const std::string&) { throw 42; };
    callbacks.OnInclude = [](TObject*, const std::string&, std::vector<std::string>, std::string&) {
        throw std::runtime_error("include failed");
    };
    struct Case {
        const char* html;
        const wchar_t* text;
    } cases[] = {
        {"<p>kept<meta name=a content=b>lost", L"kept|"},
        {"<p>kept<link rel=next href=x>lost", L"kept|"},
        {"<p>kept<!--#include file=x-->same token<b>lost", L"keptsame token|"},
        {"<ul><li>a<li><b>b<meta name=a content=b>c<li>d</ul>", L"a|b|"},
        {"<pre>a\nb<meta name=a content=b>c", L"a|b|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        Doc d;
        EXPECT_TRUE(ParseHTMLString(c.html, &d.doc, callbacks));
        EXPECT_EQ(AllText(d.doc), c.text);
        EXPECT_EQ(PropStack.Count(), 0);
    }
    Doc d;
    EXPECT_TRUE(ParseHTMLString("fine", &d.doc, {}));
    EXPECT_EQ(AllText(d.doc), L"fine|");
}

// A page past the document's memory budget is read up to it: the run stops
// as at the end of the input, what was read stays and lays out, and a note
// closes the page. The memory the document takes, laid out, stays within the
// budget; a page within it reads whole. One token may be most of the page:
// preformatted lines, one long line, a style sheet, one long word, text
// without tags, an attribute value or a script stop at the budget as well,
// and never take more than it while being read (the host's progress reports,
// every 4096 bytes of input, weigh the heap). Layout has its share: words
// read within the reader's share stop where a line each would pass the budget.
TEST(ParserTest, APageOverTheMemoryBudgetStopsWithANoteAndKeepsWhatWasRead) {
    struct TPeakHost : TDocumentHost {
        void SetAnimationTimer(bool, int) override {}
        void FreeAnimationTimer() override {}
        std::string ExpandFileName(const std::string& name) override { return name; }
        void Progress(int) override {
            const std::size_t used = DocumentBytesInUse();
            if (First == 0) First = used;
            Peak = std::max(Peak, used);
        }
        void LinkAction(const TUrlTarget&) override {}
        void KeyDown(uint16_t&, unsigned) override {}
        void ControlEnter(TObject*) override {}
        void InvalidatePanel() override {}
        std::unique_ptr<TLinkTabStop> CreateLinkTabStop(TFontObj*) override { return nullptr; }
        std::size_t First = 0, Peak = 0;
    };
    struct TBudget {
        explicit TBudget(std::size_t bytes) { gDocumentMemoryBudget = bytes; }
        ~TBudget() { gDocumentMemoryBudget = kDocumentMemoryBudget; }
    } budget(std::size_t{4} << 20);
    auto repeat = [](const std::string& unit, int times) {
        std::string s;
        for (int i = 0; i < times; ++i) s += unit;
        return s;
    };
    std::string rules = "<style>";
    for (int i = 0; i < 100000; ++i) rules += ".c" + std::to_string(i) + "{color:red}";
    struct Case {
        std::string page;
        bool text;  // read as plain text
        bool cut;
        int xs = 1001;  // the letters kept at least when cut, all of them else
        int width = 640;
    } cases[] = {
        {repeat("<p>x", 100000), false, true},
        {"<table>" + repeat("<td>x", 100000), false, true},
        {"<ul>" + repeat("<li>x", 100000), false, true},
        {repeat("x<hr>", 100000), false, true},
        {repeat("x\r\n", 100000), true, true},
        {std::string(3000000, 'x'), true, true},
        {"<pre>" + repeat("x\r\n", 100000), false, true},
        {"<pre>" + std::string(3000000, 'x'), false, true},
        {rules + "</style>x", false, true, 0},
        {std::string(3000000, 'x'), false, true},
        {repeat("x ", 1500000), false, true},
        // Read within the reader's share, but a line per word in a narrow pane;
        // fewer words fit laid out so and read whole.
        {repeat("x ", 200000), false, true, 1001, 4},
        {repeat("x ", 10000), false, false, 10000, 4},
        {repeat("<p>x", 1000), false, false, 1000},
        {"<pre>" + repeat("x\r\n", 1000), false, false, 1000},
        {"<style>.a{color:red}</style>" + std::string(1000, 'x'), false, false, 1000},
        {std::string(1001, 'x') + "<a title=\"" + std::string(6000000, 'y') + "\">z", false, true},
        {std::string(1001, 'x') + "<a title=\"" + std::string(6000000, 'y'), false, true},
        {std::string(1001, 'x') + "<a title=" + std::string(6000000, 'y'), false, true},
        {std::string(1001, 'x') + "<script>" + std::string(6000000, 'y'), false, true},
        {"<a title=\"" + std::string(1000, 'y') + "\">" + std::string(1000, 'x') + "<script>" +
             std::string(10000, 'y') + "</script>",
         false, false, 1000},
    };
    const std::wstring note = L"Страница показана не полностью";
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases) + ": " + c.page.substr(0, 12));
        const std::size_t before = DocumentBytesInUse();
        {
            TPeakHost host;
            Doc d(&host);
            EXPECT_TRUE(c.text ? ParseTextString(c.page, &d.doc) : ParseHTMLString(c.page, &d.doc, {}));
            EXPECT_EQ(ReaderResults().CutShort, c.cut);
            EXPECT_LE(host.Peak - host.First, gDocumentMemoryBudget);
            std::vector<std::wstring> texts;
            for (TSection* s : TextSections(d.doc)) texts.push_back(s->SectionText);
            ASSERT_FALSE(texts.empty());
            EXPECT_EQ(texts.back().rfind(note, 0) == 0, c.cut) << WideToUtf8(texts.back());
            std::ptrdiff_t xs = 0;  // the letters read
            for (size_t i = 0; i + (c.cut ? 1 : 0) < texts.size(); ++i)
                xs += std::count(texts[i].begin(), texts[i].end(), L'x');
            if (c.cut) EXPECT_GE(xs, c.xs);
            else EXPECT_EQ(xs, c.xs);
            int scrollWidth = 0, pos = 0;
            EXPECT_GT(d.doc.DoLogic(nullptr, 0, c.width, 500, 0, scrollWidth, pos), 0);
            EXPECT_LE(DocumentBytesInUse() - before, gDocumentMemoryBudget);
        }
    }
}

// What a page held goes with it: after Clear the heap meter is back at its
// level before the read, however many distinct class names the page gave.
TEST(ParserTest, ClearFreesWhatThePageHeld) {
    std::string page;
    for (int i = 0; i < 20000; ++i) page += "<div class=c" + std::to_string(i) + ">x</div>";
    Doc d;
    // A first read and Clear, so that what lives for the document's life is
    // already there.
    EXPECT_TRUE(ParseHTMLString("<div class=a>x</div>", &d.doc, {}));
    d.doc.Clear();
    const std::size_t before = HeapBytesInUse();
    EXPECT_TRUE(ParseHTMLString(page, &d.doc, {}));
    d.doc.Clear();
    EXPECT_LE(HeapBytesInUse(), before + 64 * 1024);
}

// A paragraph is a box, its cell, a text section, a font run and a line, and
// a page of paragraphs holds them all: what one costs, read and laid out, is
// what bounds the pages that fit the budget. At 629 bytes the 250,000
// paragraphs of a 1 MB page hold 150 MB.
TEST(ParserTest, AParagraphReadAndLaidOutTakesAtMost629Bytes) {
    // Just below a power of two, so that the document's lists of sections
    // hold little room beyond their items.
    constexpr int kParagraphs = 64000;
    std::string page;
    for (int i = 0; i < kParagraphs; ++i) page += "<p>x";
    const std::size_t before = HeapBytesInUse();
    Doc d;
    ParseHTMLString(page, &d.doc, {});
    int scrollWidth = 0, pos = 0;
    d.doc.DoLogic(nullptr, 0, 640, 500, 0, scrollWidth, pos);
    EXPECT_LE((HeapBytesInUse() - before) / kParagraphs, 629u) << (HeapBytesInUse() - before) / kParagraphs;
}

TEST(ParserTest, AnEntryCalledDuringARunIsRefused) {
    bool inner = true;
    TReaderCallbacks callbacks;
    callbacks.OnMeta = [&](TObject*, const std::string&, const std::string&, const std::string&) {
        Doc other;
        inner = ParseHTMLString("x", &other.doc, {});
        EXPECT_FALSE(ParseTextString("x", &other.doc));
        EXPECT_FALSE(IsFrameString(lsString, "", "<frameset>", nullptr));
    };
    Doc d;
    EXPECT_TRUE(ParseHTMLString("a<meta name=n content=c>b", &d.doc, callbacks));
    EXPECT_FALSE(inner);
    EXPECT_EQ(AllText(d.doc), L"ab|");
}

// A page written in ISO-2022-JP is converted to Shift-JIS before it is read,
// its escape sequences gone; escape bytes that start neither JIS X 0208
// sequence leave the page as it is, even one cut short at its end.
TEST(ParserTest, JisEscapesConvertThePage) {
    EXPECT_EQ(Parse("a\x1B$B\x24\x22\x1B(Bb").find(L'\x1B'), std::wstring::npos);
    EXPECT_EQ(Parse("x\x1B$Ay \x1B$@\x24\x22").find(L"\x1B$@"), std::wstring::npos);
    EXPECT_EQ(Parse("x\x1B$Ay \x1B(Bz\x1B$"), L"x\x1B$Ay \x1B(Bz\x1B$|");
}

TEST(ParserTest, MoreThan400LinksGetNoTabStops) {
    for (int n : {400, 401}) {
        std::string html;
        for (int i = 0; i < n; ++i) html += "<a href=x" + std::to_string(i) + ">l</a> ";
        Doc d;
        ParseHTMLString(html, &d.doc, {});
        EXPECT_EQ(d.doc.LinksNotTabbed, n > 400) << n;
        EXPECT_EQ(d.doc.LinkRuns.size(), static_cast<size_t>(n));
    }
}

TEST(ParserTest, TextEncodingsAreRecognised) {
    EXPECT_EQ(Parse("\xEF\xBB\xBF\xD0\x96x"), L"\u0416x|");
    EXPECT_EQ(Parse("\xC6"), L"\u0416|");  // code page 1251
    EXPECT_EQ(Parse("<meta http-equiv=content-type content=\"text/html; charset=utf-8\">\xD0\x96"), L"\u0416|");
}

TEST(ParserTest, PlainTextKeepsItsLines) {
    Doc d;
    EXPECT_TRUE(ParseTextString("a  <b>\r\nline\n\xC6", &d.doc));
    EXPECT_EQ(AllText(d.doc), L"a  <b>|line|\u0416|");
    EXPECT_EQ(PropStack.Count(), 0);
}

struct FakeFrames : TFrameViewerBase {
    struct Set : TObject {
        int Id;
        explicit Set(int id) : Id(id) {}
    };
    void AddFrame(TObject* fs, TAttributeList* attrs, const std::string&) override {
        TAttribute* a;
        Log += "frame" + std::to_string(static_cast<Set*>(fs)->Id) +
               (attrs->Find(SrcSy, a) ? ":" + a->Text : std::string()) + " ";
    }
    TObject* CreateSubFrameSet(TObject* fs) override {
        Sets.push_back(std::make_unique<Set>(static_cast<int>(Sets.size()) + 1));
        Log += "sub" + std::to_string(static_cast<Set*>(fs)->Id) + " ";
        return Sets.back().get();
    }
    void DoAttributes(TObject* fs, TAttributeList*) override {
        Log += "attrs" + std::to_string(static_cast<Set*>(fs)->Id) + " ";
    }
    void EndFrameSet(TObject* fs) override { Log += "end" + std::to_string(static_cast<Set*>(fs)->Id) + " "; }
    std::string Log;
    std::vector<std::unique_ptr<Set>> Sets;
};

TEST(ParserTest, FrameSetsDriveTheFrameViewer) {
    struct Case {
        const char* html;
        bool isFrame;
    } cases[] = {
        {"<HTML><HEAD><TITLE>x</TITLE></HEAD><FRAMESET cols=*,*>", true},
        {"<html><body><frameset>", false},
        {"<p>x<frameset>", false},
        {"<script>document.write('<body>')</script><frameset>", true},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsFrameString(lsString, "", c.html, nullptr), c.isFrame) << c.html;

    FakeFrames frames;
    FakeFrames::Set top(0);
    EXPECT_TRUE(FrameParseString(&frames, &top, lsString, "f.htm",
                                 "<frameset rows=1,2><frame src=a><frameset><frame src=b></frameset>"
                                 "<noframes><frame src=no></noframes><frame src=c></frameset>",
                                 {}));
    EXPECT_EQ(frames.Log, "attrs0 frame0:a sub0 attrs1 frame1:b end1 frame0:c end0 ");

    // Frame sets nest at most 16 deep.
    FakeFrames deep;
    std::string html;
    for (int i = 0; i < 1000; ++i) html += "<frameset>";
    EXPECT_TRUE(FrameParseString(&deep, &top, lsString, "", html, {}));
    EXPECT_EQ(deep.Sets.size(), 15u);

    // A script's "<" starts no tag, and the frame viewer gets the script as written.
    const std::string scripted = "<script>if(a<b)x();</script><frameset><frame src=a></frameset>";
    EXPECT_TRUE(IsFrameString(lsString, "", scripted, nullptr));
    FakeFrames withScript;
    std::string script;
    withScript.OnScript = [&](TObject*, const std::string&, const std::string&, const std::string& text) {
        script = text;
    };
    EXPECT_TRUE(FrameParseString(&withScript, &top, lsString, "", scripted, {}));
    EXPECT_EQ(withScript.Log, "attrs0 frame0:a end0 ");
    EXPECT_EQ(script, "if(a<b)x();");

    // A missing frame-set file gives no frames.
    FakeFrames none;
    EXPECT_TRUE(FrameParseString(&none, &top, lsFile, "no such file.htm", "", {}));
    EXPECT_EQ(none.Log, "");
}

}  // namespace

namespace {

TEST(ParserTest, LinkedStyleSheetsAreReadOnlyFromSaneFiles) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "parser_test_sheets";
    fs::create_directories(dir);
    const auto write = [&](const char* name, const std::string& body) {
        std::ofstream(dir / name, std::ios::binary) << body;
        return (dir / name).string();
    };
    const std::string small = write("small.css", "p { font-weight: bold }");
    const std::string huge = write("huge.css", "p { font-weight: bold }" + std::string(2u << 20, ' '));
    struct Case {
        std::string href;
        bool bold;
    } cases[] = {{small, true}, {huge, false}, {dir.string(), false}, {(dir / "missing.css").string(), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.href);
        Doc d;
        std::string linked;
        TReaderCallbacks callbacks;
        callbacks.OnLink = [&](TObject*, const std::string& rel, const std::string&, const std::string& href) {
            linked = rel + " " + href;
        };
        EXPECT_TRUE(ParseHTMLString("<link rel=StyleSheet href=\"" + c.href + "\"><p>x", &d.doc, callbacks));
        EXPECT_EQ(RunOf(d.doc, L"x")->RunFont.Weight >= 700, c.bold);
        EXPECT_EQ(linked, "StyleSheet " + c.href);
    }
    fs::remove_all(dir);
}

TEST(ParserTest, TitleAndBaseAreKeptForTheHost) {
    Doc d;
    ParseHTMLString("<title>Ab</title><base href=http://h/ target=main>x", &d.doc, {});
    EXPECT_EQ(ReaderResults().Title, L"Ab");
    EXPECT_EQ(ReaderResults().Base, "http://h/");
    EXPECT_EQ(ReaderResults().BaseTarget, "main");
    ParseHTMLString("y", &d.doc, {});
    EXPECT_EQ(ReaderResults().Title, L"");
}

}  // namespace

namespace {

TEST(ParserTest, ARealLookingArticleKeepsItsHeadStyles) {
    Doc d;
    ParseHTMLString("<HTML><HEAD><STYLE>.term { font-style: italic } LI { font-weight: bold }</STYLE></HEAD>"
                    "<BODY><P CLASS=term>Term</P>&nbsp;- <B>def</B><UL><LI>one<LI>two</UL>"
                    "<P>See <A HREF=\"#x\">there</A>.</BODY></HTML>",
                    &d.doc, {});
    EXPECT_EQ(AllText(d.doc), L"Term|\u00A0- def|one|two|See there.|");
    EXPECT_TRUE(RunOf(d.doc, L"Term")->RunFont.Italic);
    EXPECT_GE(RunOf(d.doc, L"one")->RunFont.Weight, 700);
    EXPECT_LT(RunOf(d.doc, L"See")->RunFont.Weight, 700);
    ASSERT_EQ(d.doc.LinkRuns.size(), 1u);
    EXPECT_EQ(d.doc.LinkRuns[0]->LinkTarget().Url, "#x");
}

}  // namespace

namespace {

TEST(ParserTest, OnlyTheFirstBodyTagSetsTheDocumentsText) {
    struct Case {
        const char* html;
        TColor color;
    } cases[] = {
        {"<body text=#FF0000>x", 0x0000FF},
        {"<body text=red>x<body text=blue>", 0x0000FF},
        {"<p>a</p><body text=red>x", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        Doc d;
        ParseHTMLString(c.html, &d.doc, {});
        EXPECT_EQ(RunOf(d.doc, L"x")->FontColor & 0xFFFFFF, c.color);
    }
}

}  // namespace

namespace {

int BoxDepth(const TCellBasic& cell) {
    int deepest = 0;
    for (int i = 0; i < cell.Count(); ++i)
        if (auto* b = dynamic_cast<TBlock*>(cell.Section(i))) deepest = std::max(deepest, 1 + BoxDepth(*b->ChildCell));
    return deepest;
}

TEST(ParserTest, BlockElementsGetTheirOwnBoxes) {
    struct Case {
        const char* html;
        const char* shape;
    } cases[] = {
        {"<P><P>text", "body(p('text'))"},
        {"a<p>b</p>c", "body('a' p('b') 'c')"},
        {"<div>a<div>b</div>c</div>d", "body(div('a' div('b') 'c') 'd')"},
        {"<ul><li>a<ul><li>b<li>c</ul><li>d</ul>e", "body(ul(li('a' ul(li('b') li('c'))) li('d')) 'e')"},
        {"<UL><LI>a<OL><LI>b</UL>c", "body(ul(li('a' ol(li('b')))) 'c')"},
        {"<dl><dt>t<dd>d</dl>", "body(dl(dt('t') dd('d')))"},
        {"<li>alone", "body(li('alone'))"},
        {"<blockquote>q<p>r</blockquote>s", "body(blockquote('q' p('r')) 's')"},
        {"<center>c</center>", "body('c')"},
        {"<h1>H</h1><H>x</H><H7>y", "body(h1('H') 'xy')"},
        {"<pre>a\nb</pre>", "body(pre('a' 'b'))"},
        {"a<hr>b", "body('a' hr(rule) 'b')"},
        {"<form>f</form>", "body(form('f'))"},
        {"</ul></div></p>x", "body('x')"},
        {"<body text=red>a", "body('a')"},
        {"<ul><li>a<li>b<!-- never ends", "body(ul(li('a') li('b')))"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        Doc d;
        ParseHTMLString(c.html, &d.doc, {});
        EXPECT_EQ(Shape(d.doc), c.shape);
    }
}

TEST(ParserTest, ListItemsCarryTheirNumbersAndBullets) {
    struct Case {
        const char* html;
        std::vector<int> numbers;
        ListBulletType bullet;
    } cases[] = {
        {"<OL START=5 TYPE=a><LI>x<LI VALUE=10>y<LI>z", {5, 10, 11}, lbLowerAlpha},
        {"<ol type=I><li>x<li>y", {1, 2}, lbUpperRoman},
        {"<ul type=none><li>x", {1}, lbNone},
        {"<ul plain><li>x", {1}, lbNone},
        {"<ul><li>x", {1}, lbDisc},
        {"<ol><li>x<li>y", {1, 2}, lbDecimal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        Doc d;
        ParseHTMLString(c.html, &d.doc, {});
        std::vector<int> numbers;
        ListBulletType bullet = lbBlank;
        for (TSectionBase* s : Sections(d.doc))
            if (auto* item = dynamic_cast<TBlockLI*>(s)) {
                numbers.push_back(item->ItemNumber);
                bullet = item->BulletKind;
            }
        EXPECT_EQ(numbers, c.numbers);
        EXPECT_EQ(bullet, c.bullet);
    }
}

TEST(ParserTest, HeadingsAndDivisionsAlignTheirText) {
    struct Case {
        const char* html;
        JustifyType justify;
    } cases[] = {
        {"<H2><CENTER>Title</H2>", Centered},
        {"<h3 align=right>Title</h3>", Right},
        {"<div align=middle>Title</div>", Centered},
        {"<p align=justify>Title", FullJustify},
        {"<center>Title</center>", Centered},
        {"Title", Left},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        Doc d;
        ParseHTMLString(c.html, &d.doc, {});
        ASSERT_NE(FirstText(d.doc), nullptr);
        EXPECT_EQ(FirstText(d.doc)->Justify, c.justify);
    }
}

TEST(ParserTest, SmallCapsSetLowerCaseLettersAsSmallerCapitals) {
    Doc d;
    ParseHTMLString("<span style=\"font-variant: small-caps\">Ab 1c</span> d", &d.doc, {});
    EXPECT_EQ(AllText(d.doc), L"AB 1C d|");
    const TFontObj* capital = RunOf(d.doc, L"A");
    const TFontObj* small = RunOf(d.doc, L"B");
    ASSERT_NE(capital, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_NE(capital, small);
    EXPECT_LT(std::abs(small->RunFont.Height), std::abs(capital->RunFont.Height));
    EXPECT_EQ(RunOf(d.doc, L"d")->RunFont.Height, capital->RunFont.Height);
    EXPECT_EQ(PropStack.Count(), 0);
}

TEST(ParserTest, DeepNestingStaysWithinTheLayoutsCap) {
    const auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    for (const char* open : {"<div>", "<ul><li>", "<blockquote>", "<ol><li><div>", "<dl><dd>"}) {
        SCOPED_TRACE(open);
        Doc d;
        ParseHTMLString(repeat(open, 100000) + "deep", &d.doc, {});
        const int depth = BoxDepth(d.doc);
        EXPECT_LE(depth, MaxNestingDepth);
        EXPECT_GE(depth, MaxNestingDepth - 2);
        EXPECT_NE(AllText(d.doc).find(L"deep"), std::wstring::npos);
    }
}

}  // namespace
