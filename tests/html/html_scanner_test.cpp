#include "html/html_scanner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "framework/cp1251.h"
#include "html/code_pages.h"
#include "html/entities.h"
#include "html/html_parser.h"

namespace {

struct Token {
    Symb sy;
    std::string text;  // UTF-8 of the token's wide text
    bool operator==(const Token& o) const { return sy == o.sy && text == o.text; }
};

std::ostream& operator<<(std::ostream& os, const Token& t) { return os << t.sy << ":'" << t.text << "'"; }

std::vector<Token> Scan(const std::string& html, THtmlScanner* use = nullptr) {
    THtmlScanner local;
    THtmlScanner& s = use ? *use : local;
    s.Start(html);
    std::vector<Token> tokens;
    // Room for more tokens than any right scan gives, so that counting
    // them can catch a scanner that yields too many.
    for (size_t guard = 0; guard < 4 * html.size() + 16; ++guard) {
        s.NextToken();
        tokens.push_back({s.Sy, WideToUtf8(s.LCToken.GetString())});
        if (s.Sy == EofSy) break;
    }
    return tokens;
}

// The first token of `html` with its attributes.
THtmlScanner& ScanFirst(THtmlScanner& s, const std::string& html) {
    s.Start(html);
    s.NextToken();
    return s;
}

TEST(HtmlScanner, TagsAndEndTags) {
    struct Case {
        const char* html;
        Symb sy;
        int heading;
    } cases[] = {
        {"<H3>", HeadingSy, 3}, {"<h7>", CommandSy, 0}, {"<H>", HeadingSy, 0}, {"</h2>", HeadingEndSy, 2},
        {"</BR>", CommandSy, 0}, {"<br>", BRSy, 0}, {"<Table border>", TableSy, 0}, {"</table>", TableEndSy, 0},
        {"<li>", LISy, 0}, {"</li>", CommandSy, 0}, {"<blink>", CommandSy, 0}, {"<style>", StyleSy, 0},
    };
    for (const Case& c : cases) {
        THtmlScanner s;
        ScanFirst(s, c.html);
        EXPECT_EQ(s.Sy, c.sy) << c.html;
        EXPECT_EQ(s.HeadingLevel, c.heading) << c.html;
    }
}

TEST(HtmlScanner, LessThanNotStartingATagIsText) {
    EXPECT_EQ(Scan("< P>"), (std::vector<Token>{{TextSy, "<"}, {TextSy, " P>"}, {EofSy, ""}}));
    EXPECT_EQ(Scan("<1"), (std::vector<Token>{{TextSy, "<"}, {TextSy, "1"}, {EofSy, ""}}));
}

TEST(HtmlScanner, Attributes) {
    THtmlScanner s;
    ScanFirst(s, "<table BORDER width='50%' height=50% align=center Data-x=\"a &amp; b\" class=\"Big\" "
                 "id=Top size=\" 12 \" cols=1e30 rows=\"127.5\" vspace=+3>");
    ASSERT_EQ(s.Attributes.Count(), 11);
    struct Expect {
        Symb sym;
        const char* name;
        int number;
        const char* text;
    } expected[] = {
        {BorderSy, "BORDER", 1, ""},        {WidthSy, "WIDTH", 50, "50%"},     {HeightSy, "HEIGHT", 50, "50%"},
        {AlignSy, "ALIGN", 0, "center"},    {OtherAttribute, "DATA-X", 0, "a & b"},
        {ClassSy, "CLASS", 0, "Big"},       {IDSy, "ID", 0, "Top"},            {SizeSy, "SIZE", 12, "12"},
        {ColsSy, "COLS", 1000000000, "1e30"}, {RowsSy, "ROWS", 128, "127.5"}, {VSpaceSy, "VSPACE", 3, "+3"},
    };
    for (int i = 0; i < 11; ++i) {
        const TAttribute* a = s.Attributes.Attribute(i);
        EXPECT_EQ(a->Sym, expected[i].sym) << i;
        EXPECT_EQ(a->AttrName, expected[i].name) << i;
        EXPECT_EQ(a->Number, expected[i].number) << i;
        EXPECT_EQ(a->Text, expected[i].text) << i;
    }
    EXPECT_EQ(s.Attributes.GetClass(), "big");
    EXPECT_EQ(s.Attributes.GetID(), "top");
}

TEST(HtmlScanner, AttributeNumbersNeverReachSentinelsOrOverflow) {
    for (const char* html : {"<img width=\"-1e300\">", "<img width=99999999999999999999>", "<img width=\"1e400\">",
                             "<img width='nan'>", "<img width=\"inf\">", "<img width=1,5>"}) {
        THtmlScanner s;
        ScanFirst(s, html);
        const int n = s.Attributes.Attribute(0)->Number;
        EXPECT_GE(n, -1000000000) << html;
        EXPECT_LE(n, 1000000000) << html;
    }
}

TEST(HtmlScanner, CharacterReferences) {
    struct Case {
        const char* html;
        const char* text;  // UTF-8
    } cases[] = {
        {"&amp", "&"},                         {"&Amp;", "&Amp;"},
        {"&#65;&#x41;&#X61", "AAa"},           {"a&#9;b", "a b"},
        {"&#1;", "?"},                         {"&lt;&gt;&quot;", "<>\""},
        {"&#99999999999999999999;", "\xEF\xBF\xBD"}, {"&#x1F600;", "\xF0\x9F\x98\x80"},
        {"&#xD800;", "\xEF\xBF\xBD"},          {"&#x110000;", "\xEF\xBF\xBD"},
        {"&#;&#x;&#xg", "&#;&#x;&#xg"},        {"&1;& x", "&1;& x"},
        {"&nbsp;x", "\xC2\xA0x"},              {"&#8212;", "\xE2\x80\x94"},
        {"&#xC0;", "\xD0\x90"},  // hex below 256 is a code-page byte: 0xC0 is Cyrillic A in 1251
        {"&#192;", "\xC3\x80"},  // decimal is Unicode
        {"&copy&reg", "\xC2\xA9\xC2\xAE"},     {"&notaname;", "&notaname;"},
    };
    for (const Case& c : cases) {
        const auto tokens = Scan(c.html);
        ASSERT_GE(tokens.size(), 1u);
        EXPECT_EQ(tokens[0].text, c.text) << c.html;
    }
}

TEST(HtmlScanner, AmpersandBeforeTagStaysText) {
    EXPECT_EQ(Scan("AT&<b>T</b>"),
              (std::vector<Token>{{TextSy, "AT&"}, {BSy, ""}, {TextSy, "T"}, {BEndSy, ""}, {EofSy, ""}}));
}

TEST(HtmlScanner, ReferencesInAttributeValuesGiveCodePageBytes) {
    THtmlScanner s;
    ScanFirst(s, "<a title=\"&#192;&#x410;&mdash &mdash;&nbsp;&#1;&#9;\">");
    // 192 as a byte; U+0410 and the em dash through code page 1251; "&mdash" without ';' stays.
    EXPECT_EQ(s.Attributes.Attribute(0)->Text, std::string("\xC0\xC0&mdash \x97\xA0?"));
}

TEST(HtmlScanner, SymbolFontTakesDecimalReferencesAsBytes) {
    THtmlScanner s;
    const auto tokens = Scan("<font face=Symbol>&#192;</font><font face=Arial>&#192;", &s);
    EXPECT_EQ(tokens[1].text, "\xD0\x90");  // byte 0xC0 of code page 1251
    EXPECT_EQ(tokens[4].text, "\xC3\x80");
}

TEST(HtmlScanner, WhiteSpaceAndLineEnds) {
    EXPECT_EQ(Scan("a\r\n\r\nb \t c")[0].text, "a b c");
    // The character level keeps both line ends of "\r\n\r\n" (PRE reads it so).
    for (const char* text : {"x\r\n\r\ny", "x\n\ny", "x\r\ry", "x\n\r\n\ry"}) {
        THtmlScanner s;
        s.Start(text);
        std::string chars;
        while (s.LCh) {
            chars += s.LCh;
            s.NextChar();
        }
        EXPECT_EQ(chars, "x\r\ry") << testing::PrintToString(std::string(text));
    }
}

TEST(HtmlScanner, Comments) {
    EXPECT_EQ(Scan("a<!-- x -- y -->b"), (std::vector<Token>{{TextSy, "ab"}, {EofSy, ""}}));
    EXPECT_EQ(Scan("a<!---->b<!-- -- -->c<!-- x --->d<!-- x -- >e<!-- x --!>f"),
              (std::vector<Token>{{TextSy, "abcdef"}, {EofSy, ""}}));
    EXPECT_EQ(Scan("<!DOCTYPE html><p>"), (std::vector<Token>{{PSy, ""}, {EofSy, ""}}));
}

TEST(HtmlScanner, OpenCommentSetsTheErrorAndEndsTheInput) {
    THtmlScanner s;
    const auto tokens = Scan("text<!-- open", &s);
    EXPECT_EQ(tokens, (std::vector<Token>{{TextSy, "text"}, {EofSy, ""}}));
    EXPECT_EQ(s.ErrorMessage, "Open Comment at End of HTML File");
}

TEST(HtmlScanner, ControlCharacterEndsTheParse) {
    THtmlScanner s;
    const auto tokens = Scan(std::string("ok\x01more"), &s);
    EXPECT_EQ(tokens, (std::vector<Token>{{TextSy, "ok"}, {EofSy, ""}}));
    EXPECT_EQ(s.ErrorMessage, "Not an HTML or Text document");
}

TEST(HtmlScanner, EmbeddedZeroEndsTheInput) {
    THtmlScanner s;
    EXPECT_EQ(Scan(std::string("ab\0<b>", 6), &s), (std::vector<Token>{{TextSy, "ab"}, {EofSy, ""}}));
    EXPECT_TRUE(s.ErrorMessage.empty());
}

TEST(HtmlScanner, ScriptAndStyleStopAtTheirClosingBracket) {
    THtmlScanner s;
    ScanFirst(s, "<script lang=x>if (a<b) {}</script>");
    EXPECT_EQ(s.Sy, ScriptSy);
    EXPECT_EQ(s.LCh, '>');
}

TEST(HtmlScanner, TextCarriesSourcePositions) {
    THtmlScanner s;
    s.Start("<b>x  &amp;y</b>");
    s.NextToken();
    s.NextToken();
    ASSERT_EQ(WideToUtf8(s.LCToken.GetString()), "x &y");
    const int expected[] = {3, 4, 6, 11};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s.LCToken.Positions()[i], expected[i]) << i;
}

TEST(HtmlScanner, CodePagesToUtf16) {
    THtmlScanner s;
    s.CodePage = 1251;
    EXPECT_EQ(Scan(Utf8ToAnsi("Словарь"), &s)[0].text, "Словарь");
    s.CodePage = 1252;
    EXPECT_EQ(Scan("\x80\xE9", &s)[0].text, "\xE2\x82\xAC\xC3\xA9");
    s.CodePage = CP_UTF8_PAGE;
    s.Start("a\xF0\x9F\x98\x80z\xC3");
    s.NextToken();
    EXPECT_EQ(WideToUtf8(s.LCToken.GetString()), "a\xF0\x9F\x98\x80z\xEF\xBF\xBD");
    // Positions follow the bytes of each character, four-byte ones included.
    const int expected[] = {0, 1, 1, 5, 6};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.LCToken.Positions()[i], expected[i]) << i;
}

TEST(HtmlScanner, TranslateCharset) {
    struct Case {
        const char* name;
        bool found;
        int charset;
    } cases[] = {
        {"windows-1251", true, 204}, {"ISO-8859-2", true, 31}, {"koi8-r", true, 204}, {"cp866", true, 204},
        {"iso-8859-15", true, 0},    {"utf-8", false, 0},      {"Shift_JIS", true, 128}, {"big5", true, 136},
    };
    for (const Case& c : cases) {
        uint8_t charset = 0;
        EXPECT_EQ(TranslateCharsetName(c.name, charset), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(charset, c.charset) << c.name;
        }
    }
    THtmlScanner s;
    s.Start("x\xA4\xA2");
    uint8_t charset;
    ASSERT_TRUE(s.TranslateCharset("x-euc-jp", charset));
    EXPECT_EQ(charset, 128);
    s.NextToken();
    EXPECT_EQ(WideToAnsi(s.LCToken.GetString()), "x\x82\xA0");  // the Shift-JIS pair
}

TEST(HtmlScanner, EucAndIso2022ToShiftJis) {
    EXPECT_EQ(EucJpToShiftJis("a\xA4\xA2"), "a\x82\xA0");
    EXPECT_EQ(Iso2022JpToShiftJis("a\x1B$B\x24\x22\x1B(Bb"), "a\x82\xA0" "b");
}

TEST(HtmlScanner, FontSizes) {
    InitializeFontSizes(10);
    EXPECT_DOUBLE_EQ(FontConv[2], 10.0);
    EXPECT_DOUBLE_EQ(PreFontConv[2], 10.0 * 10 / 12);
    InitializeFontSizes(12);
    EXPECT_DOUBLE_EQ(FontConv[6], 36.0);
}

TEST(HtmlScanner, IdAttributesRegisterSourcePositions) {
    TFreeList document;
    TIDNameList ids(&document);
    THtmlScanner s;
    s.IDNameList = &ids;
    Scan("<p id=First>x<a ID=\"first\">", &s);
    ASSERT_EQ(ids.Count(), 1);
    EXPECT_EQ(static_cast<TChPosObj*>(ids.FindObject("FIRST"))->SourcePos, 26);
}

TEST(HtmlScanner, IncludeCommands) {
    THtmlScanner s;
    std::vector<std::string> seen;
    s.OnInclude = [&](TObject*, const std::string& command, std::vector<std::string> params, std::string& text) {
        seen.push_back(command + ":" + (params.empty() ? "" : params[0]));
        text = "<b>in</b>";
    };
    EXPECT_EQ(Scan("a<!--#insert file=\"x &amp; y\" -->z", &s),
              (std::vector<Token>{{TextSy, "a"}, {BSy, ""}, {TextSy, "in"}, {BEndSy, ""}, {TextSy, "z"}, {EofSy, ""}}));
    EXPECT_EQ(seen, std::vector<std::string>{"insert:file=x & y"});
}

TEST(HtmlScanner, SelfIncludingTextStopsAtTheCaps) {
    THtmlScanner s;
    int calls = 0;
    s.OnInclude = [&](TObject*, const std::string&, std::vector<std::string>, std::string& text) {
        ++calls;
        text = "x<!--#again-->";
    };
    s.Start("<!--#again-->");
    int tokens = 0;
    do s.NextToken();
    while (s.Sy != EofSy && ++tokens < 100000);
    EXPECT_EQ(s.Sy, EofSy);
    EXPECT_LE(calls, THtmlScanner::MaxIncludeDepth + 1);
}

// A rich document cut at every offset ends quietly, with no more tokens than
// bytes plus 2; random bytes the same.
TEST(HtmlScanner, TruncatedAndRandomInputEndsQuietly) {
    const std::string rich =
        "<html><head><style>p{color:red}</style></head><body bgcolor=#fff>\r\n"
        "<p class=\"x\" title='it&apos;s'>AT&amp;T &#169; &#x1F600; &#1234567;</p>"
        "<!-- comment -- still --><!DOCTYPE x><pre>a\r\n\r\nb</pre><a href=x.htm>link</a>&copy";
    for (size_t cut = 0; cut <= rich.size(); ++cut) {
        const std::string part = rich.substr(0, cut);
        const auto tokens = Scan(part);
        EXPECT_EQ(tokens.back().sy, EofSy) << cut;
        EXPECT_LE(tokens.size(), part.size() + 2) << cut;
    }
    std::mt19937 random(42);
    const char alphabet[] = "<>/!-&#x;=\"' \r\n\tabAB01\x01\x80\xFF";
    for (int round = 0; round < 300; ++round) {
        std::string junk;
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i) junk += alphabet[random() % (sizeof(alphabet) - 1)];
        const auto tokens = Scan(junk);
        EXPECT_EQ(tokens.back().sy, EofSy) << round;
        EXPECT_LE(tokens.size(), junk.size() + 2) << round;
    }
}

// A look over the tags alone (text skipped) meets the same tokens, with the
// same attributes, as reading does: references, comments and stray '<' end
// or hide text in the same places.
TEST(HtmlScanner, SkippingTextMeetsTheSameTags) {
    std::vector<std::string> pages = {
        "<p>AT&amp;T &lt;a href=x&gt; <a href=one>1</a>&#60;a href=two>&#x3C;b></p>",
        "<!-- <a href=hidden> --><a href=\"shown\" title='&quot;'>x</a>&copy<a name=n>",
        "a < b <a href=y>&#1234567;&unknown;<script><a href=s></script><pre>\r\n<a href=z></pre>",
    };
    std::mt19937 random(7);
    const char alphabet[] = "<>/!-&#x;=\"' \t\r\nabAB01\x80";
    for (int round = 0; round < 200; ++round) {
        std::string junk;
        for (int i = static_cast<int>(random() % 120); i > 0; --i) {
            junk += alphabet[random() % (sizeof(alphabet) - 1)];
            if (random() % 8 == 0) junk += "plain text\tand more";  // a long run of ordinary bytes
        }
        pages.push_back(junk + "<a href=end>");
    }
    for (const std::string& page : pages) {
        SCOPED_TRACE(page);
        auto tags = [&](bool skipped) {
            THtmlScanner s;
            s.TextSkipped = skipped;
            s.Start(page);
            std::vector<std::string> seen;
            for (size_t guard = 0; guard < page.size() + 2; ++guard) {
                s.NextToken();
                if (s.Sy == EofSy) break;
                if (s.Sy == TextSy) continue;
                std::string tag = std::to_string(s.Sy) + "@" + std::to_string(s.TagIndex);
                for (int i = 0; i < s.Attributes.Count(); ++i)
                    tag += " " + s.Attributes.Attribute(i)->AttrName + "=" + s.Attributes.Attribute(i)->Text;
                seen.push_back(tag);
            }
            return seen;
        };
        EXPECT_EQ(tags(true), tags(false));
    }
    for (size_t i = 0; i < pages.size(); ++i) {
        std::string page = pages[i];
        const int links = CountLinks(page, 100);
        if (i < 2) EXPECT_EQ(links, 1);
        EXPECT_EQ(page, pages[i]);  // lent to the count, and back
    }
    std::string many;
    for (int i = 0; i < 10; ++i) many += "<a href=x" + std::to_string(i) + ">link</a>";
    const std::string before = many;
    EXPECT_EQ(CountLinks(many, 4), 4);  // stops there
    EXPECT_EQ(many, before);
    std::string cut = many + std::string(1, '\0') + "<a href=y>after</a>";
    EXPECT_EQ(CountLinks(cut, 100), 10);
    EXPECT_EQ(cut, before);
}

TEST(HtmlScanner, TheEntityListIsSortedAndSearchedCaseSensitively) {
    const TCaseSensitiveStringList& list = EntityList();
    ASSERT_EQ(list.Count(), 252);
    for (int i = 1; i < list.Count(); ++i) EXPECT_LT(list.Strings(i - 1), list.Strings(i));
    struct Case {
        const char* name;
        int code;  // -1: not an entity
    } cases[] = {{"amp", 38}, {"Amp", -1}, {"AMP", -1}, {"eacute", 233}, {"Eacute", 201}, {"rarr", 8594},
                 {"rArr", 8658}, {"zwnj", 8204}, {"AElig", 198}, {"", -1}, {"ampx", -1}};
    for (const Case& c : cases) {
        int code = -1;
        EXPECT_EQ(FindEntity(c.name, code), c.code >= 0) << c.name;
        if (c.code >= 0) {
            EXPECT_EQ(code, c.code) << c.name;
        }
    }
    // A name already there is kept; a missing one tells where it would go.
    TCaseSensitiveStringList l;
    EXPECT_TRUE(l.Add("b", 1));
    EXPECT_TRUE(l.Add("B", 2));
    EXPECT_FALSE(l.Add("b", 3));
    int index = -1;
    EXPECT_TRUE(l.Find("b", index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(l.Objects(index), 1);
    EXPECT_FALSE(l.Find("c", index));
    EXPECT_EQ(index, 2);
}

}  // namespace
