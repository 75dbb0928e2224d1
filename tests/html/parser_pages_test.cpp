// Pages as authors and word processors write them: body margins, styles
// around tables, scripts, preformatted text, forms, maps and plain text.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <variant>

#include "html/form_controls.h"
#include "html/image_map.h"
#include "html/style_props.h"
#include "parsed_doc.h"

namespace {

TBodyBlock* BodyOf(const TSectionList& doc) {
    for (int i = 0; i < doc.Count(); ++i)
        if (auto* body = dynamic_cast<TBodyBlock*>(doc.Section(i))) return body;
    return nullptr;
}

// A margin as the box holds it: pixels, or the style sheet's text.
std::string MarginOf(const TBlock& block, PropIndices side) {
    const TPropValue& v = block.RawBoxValues[side];
    if (std::holds_alternative<int>(v)) return std::to_string(std::get<int>(v));
    return IsString(v) ? std::string(PropString(v)) : "?";
}

TEST(ParserPages, BodyMarginsComeFromTheViewerTheTagOrTheStyleSheet) {
    struct Case {
        const char* html;
        const char *across, *down;
    } cases[] = {
        {"x", "10", "5"},
        {"<body>x", "10", "5"},
        {"<body text=red>x", "10", "5"},
        {"<BODY MARGINWIDTH=500>x", "200", "5"},
        {"<body leftmargin=0 topmargin=-3>x", "0", "0"},
        {"<body marginheight=20>x", "10", "20"},
        {"<style>body { margin-left: 30px; margin-top: 7px }</style><body marginwidth=0 marginheight=0>x", "30px",
         "7px"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        ParsedDoc d(c.html);
        const TBodyBlock* body = BodyOf(d.doc);
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(MarginOf(*body, PropIndices::MarginLeft), c.across);
        EXPECT_EQ(MarginOf(*body, PropIndices::MarginTop), c.down);
        // Only a style sheet sets the sides apart.
        if (std::string(c.html).find("style") == std::string::npos) {
            EXPECT_EQ(MarginOf(*body, PropIndices::MarginRight), c.across);
            EXPECT_EQ(MarginOf(*body, PropIndices::MarginBottom), c.down);
        }
    }
}

// Colour of the run holding `text`, without the palette flag; -1 when absent.
int ColorOf(const TSectionList& doc, const std::wstring& text) {
    const TFontObj* run = RunHolding(doc, text);
    return run ? static_cast<int>(run->FontColor & 0xFFFFFF) : -1;
}

TEST(ParserPages, AnElementClosedInsideACellEndsThereWithoutShiftingTheTablesStyles) {
    // Colours as stored: blue-green-red.
    constexpr int red = 0x0000FF, green = 0x008000, blue = 0xFF0000, black = 0;
    struct Expect {
        const wchar_t* text;
        int color;
    };
    struct Case {
        const char* html;
        std::vector<Expect> expects;
    } cases[] = {
        {"<font color=red>a<table><tr style=\"color:blue\"><td style=\"color:green\">b</font>c<td>d</table>e",
         {{L"a", red}, {L"b", green}, {L"c", green}, {L"d", blue}, {L"e", black}}},
        {"<font color=red>a<table><tr><td>b</font>c</td><td>d</td></tr><tr><td>f</td></tr></table>e",
         {{L"a", red}, {L"b", red}, {L"c", black}, {L"d", black}, {L"f", black}, {L"e", black}}},
        {"<b><font color=red>a<table><caption>t</b></caption><tr><td style=\"color:green\">b<td>c</table>e",
         {{L"t", red}, {L"b", green}, {L"c", red}, {L"e", red}}},
        {"<table><tr><td><font color=red>open<td>d</table>after", {{L"open", red}, {L"d", black}, {L"after", black}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        ParsedDoc d(c.html);
        for (const Expect& e : c.expects) EXPECT_EQ(ColorOf(d.doc, e.text), e.color) << std::wstring(e.text).size();
        EXPECT_EQ(PropStack.Count(), 0);
    }
}

TEST(ParserPages, ScriptsAreReadAsWrittenUpToTheirEndTag) {
    struct Case {
        const char* html;
        const char* script;
        const wchar_t* text;
    } cases[] = {
        {"a<script>if(a<b)x();</script>b", "if(a<b)x();", L"ab|"},
        {"a<SCRIPT language=js>\nvar s = '<p>x</p>';\n  f(1 < 2);</Script >b", "\r\nvar s = '<p>x</p>';\r\n  f(1 < 2);",
         L"ab|"},
        {"<p>a<script><!-- hide\nx<y--></script>b", "<!-- hide\r\nx<y-->", L"ab|"},
        {"a<script>never closed <b>c", "never closed <b>c", L"a|"},
        {"<pre>x\n<script>a<b</script>y</pre>", "a<b", L"x|y|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        std::string script = "(none)";
        TReaderCallbacks callbacks;
        callbacks.OnScript = [&](TObject*, const std::string&, const std::string&, const std::string& text) {
            script = text;
        };
        ParsedDoc d(c.html, callbacks);
        EXPECT_EQ(script, c.script);
        EXPECT_EQ(JoinedTexts(d.doc), c.text);
    }
}

TEST(ParserPages, PreformattedTextKeepsItsLinesCharactersAndBoxes) {
    struct Case {
        const char* html;
        const wchar_t* text;
    } cases[] = {
        {"<pre>&#233; &eacute; &rarr; &amp;</pre>", L"\u00E9 \u00E9 \u2192 &|"},
        {"<pre>caf&eacute;\n&#x41;&#1046;</pre>", L"caf\u00E9|A\u0416|"},
        {"<pre>\nfirst\n\nthird</pre>", L"|first||third|"},
        {"<pre>a <select><option>one\n<option>two</select> b</pre>", L"a \x2 b|"},
        {"<pre>a<map name=m>\n<area coords=0,0,1,1>\n</map>b</pre>", L"ab|"},
        {"<pre>a < b</pre>", L"a < b|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        ParsedDoc d(c.html);
        EXPECT_EQ(JoinedTexts(d.doc), c.text);
    }
}

TEST(ParserPages, ParagraphsAndFormsInsidePreformattedTextGetBoxes) {
    struct Case {
        const char* html;
        const char* shape;
        size_t forms;
    } cases[] = {
        {"<pre>a<p>b</p>c</pre>", "body(pre('a' p('b') 'c'))", 0},
        {"<pre>a<p>b<p>c</pre>", "body(pre('a' p('b') p('c')))", 0},
        {"<pre><form><input name=x></form><form><input name=y></form>z</pre>",
         "body(pre(form('\x2') form('\x2') 'z'))", 2},
        {"<pre><form>a<p>b</form>c</pre>", "body(pre(form('a' p('b')) 'c'))", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        ParsedDoc d(c.html);
        EXPECT_EQ(Shape(d.doc), c.shape);
        EXPECT_EQ(d.doc.DocForms.size(), c.forms);
        EXPECT_EQ(PropStack.Count(), 0);
    }
}

TEST(ParserPages, AStrayFormEndTagEndsTheForm) {
    struct Case {
        const char* html;
        std::vector<size_t> controls;  // per form
    } cases[] = {
        {"<table><tr><td><form><input name=a></td></tr></table></form><input name=b>", {1, 1}},
        {"<table><tr><td><form><input name=a></td></tr></table><input name=b>", {2}},
        {"<input name=a></form><input name=b>", {1, 1}},
        {"<p><form><input name=a></p></form>x<input name=b>", {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        ParsedDoc d(c.html);
        std::vector<size_t> controls;
        for (const auto& form : d.doc.DocForms) controls.push_back(form->Controls.size());
        EXPECT_EQ(controls, c.controls);
    }
}

TEST(ParserPages, MapsCollectTheirAreasForThePicturesThatUseThem) {
    ParsedDoc d("<map name=Nav><area shape=rect coords=0,0,9,9 href=one.htm target=t title=One>"
                "<area shape=circle coords=30,5,5 href=two.htm><area coords=1,2 href=dropped.htm>"
                "<area nohref coords=50,0,59,9></map>"
                "<map name=broken><area coords=0,0,5,5 href=x.htm><b><i><u>"
                "<map name=open><area coords=0,0,5,5 href=y.htm>");
    ASSERT_EQ(d.doc.ImageMaps.size(), 1u);
    const TMapItem& map = *d.doc.ImageMaps[0];
    EXPECT_EQ(map.MapName, "NAV");
    EXPECT_EQ(map.AreaCount(), 3);
    struct Hit {
        int x, y;
        const char* url;  // null: no link there
    } hits[] = {{5, 5, "one.htm"}, {30, 5, "two.htm"}, {20, 5, nullptr}, {55, 5, nullptr}};
    for (const Hit& h : hits) {
        SCOPED_TRACE(testing::Message() << h.x << "," << h.y);
        owned_ptr<TUrlTarget> target;
        std::string title;
        EXPECT_EQ(map.GetURL(h.x, h.y, target, title), h.url != nullptr);
        if (h.url) {
            EXPECT_EQ(target->Url, h.url);
        }
    }
}

TEST(ParserPages, PlainTextIsReadAsWritten) {
    struct Case {
        std::string text;
        const wchar_t* lines;
    } cases[] = {
        {"<!-- not a comment -->\nx", L"<!-- not a comment -->|x|"},
        {"<!-- never closed", L"<!-- never closed|"},
        {"\xEF\xBB\xBF\xD0\x9F\xD1\x80\xD0\xB8", L"\u041F\u0440\u0438|"},
        {"\xCF\xF0\xE8", L"\u041F\u0440\u0438|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ParsedDoc d;
        EXPECT_TRUE(ParseTextString(c.text, &d.doc));
        EXPECT_EQ(JoinedTexts(d.doc), c.lines);
    }
}

TEST(ParserPages, FormPictureAndLinkTextsOfAPageInAnyCodePageShowAsItsText) {
    // "При" and "Да" in code page 1251, as controls and captions keep them.
    const std::string pri = "\xCF\xF0\xE8", da = "\xC4\xE0";
    const std::string utf8Pri = "\xD0\x9F\xD1\x80\xD0\xB8", utf8Da = "\xD0\x94\xD0\xB0";
    const auto page = [](const std::string& head, const std::string& p, const std::string& d) {
        return head + "<select name=s><option value=\"" + d + "\">" + p + "</select><textarea>" + p +
               "</textarea><input value=\"" + d + "\"><img src=x.gif alt=\"" + p + "\">" +
               "<a href=\"" + p + ".htm\" target=\"" + d + "\" title=\"" + d + "\">link</a>" +
               "<map name=\"" + p + "\"><area href=\"" + d + ".htm\" title=\"" + p + "\" coords=\"0,0,9,9\"></map>" +
               "<link rel=next href=\"" + p + ".htm\">";
    };
    // A form control shows the text as wide characters and keeps its values
    // as the page wrote them.
    const std::pair<std::string, std::string> pages[] = {
        {page("\xEF\xBB\xBF", utf8Pri, utf8Da), utf8Da},
        {page("<meta http-equiv=content-type content=\"text/html; charset=utf-8\">", utf8Pri, utf8Da), utf8Da},
        {page("", pri, da), da},
    };
    for (const auto& [html, pageDa] : pages) {
        SCOPED_TRACE(html.substr(0, 20));
        std::string linkHref;
        TReaderCallbacks callbacks;
        callbacks.OnLink = [&](TObject*, const std::string&, const std::string&, const std::string& href) {
            linkHref = href;
        };
        ParsedDoc d(html, callbacks);
        ASSERT_EQ(d.doc.AllFormControls.size(), 3u);
        auto* combo = dynamic_cast<TComboFormControlObj*>(d.doc.AllFormControls[0]);
        auto* area = dynamic_cast<TTextAreaFormControlObj*>(d.doc.AllFormControls[1]);
        ASSERT_TRUE(combo && area);
        EXPECT_EQ(combo->Options.Texts.at(0), L"\x041F\x0440\x0438");
        EXPECT_EQ(combo->Options.GetValue(0), pageDa);
        EXPECT_EQ(area->InitialText, L"\x041F\x0440\x0438");
        EXPECT_EQ(d.doc.AllFormControls[2]->ValueAttr, pageDa);
        auto* edit = dynamic_cast<TEditFormControlObj*>(d.doc.AllFormControls[2]);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->GetText(), L"\x0414\x0430");
        const TImageObj* picture = nullptr;
        for (TSection* s : TextSections(d.doc))
            if (s->Images.Count() > 0) picture = dynamic_cast<TImageObj*>(s->Images.Obj(0));
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->AltText, pri);
        // Links name files and frames in code page 1251 too.
        const TFontObj* link = nullptr;
        for (TSection* s : TextSections(d.doc))
            for (int i = 0; i < s->Fonts.Count(); ++i)
                if (!s->Fonts.Run(i)->LinkTarget().Url.empty()) link = s->Fonts.Run(i);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->LinkTarget().Url, pri + ".htm");
        EXPECT_EQ(link->LinkTarget().Target, da);
        EXPECT_EQ(link->Title(), da);
        ASSERT_EQ(d.doc.ImageMaps.size(), 1u);
        EXPECT_EQ(d.doc.ImageMaps[0]->MapName, UpperCase(pri));
        owned_ptr<TUrlTarget> hit;
        std::string areaTitle;
        ASSERT_TRUE(d.doc.ImageMaps[0]->GetURL(5, 5, hit, areaTitle));
        EXPECT_EQ(hit->Url, da + ".htm");
        EXPECT_EQ(areaTitle, pri);
        EXPECT_EQ(linkHref, pri + ".htm");
    }
}

TEST(ParserPages, AnAnchorKnowsWhereTheLayoutPutIt) {
    ParsedDoc d("a <a name=one>first</a><p>b <a name=two>second</a><p>x<br>y<br>c <a name=three>third</a>");
    int scrollWidth = 0, pos = 0;
    d.doc.DoLogic(nullptr, 0, 400, 600, 0, scrollWidth, pos);
    int y[3];
    const char* names[] = {"one", "two", "three"};
    for (int i = 0; i < 3; ++i) {
        TIDObject* anchor = d.doc.IDObjects->FindObject(names[i]);
        ASSERT_NE(dynamic_cast<TChPosObj*>(anchor), nullptr) << names[i];
        y[i] = anchor->GetYPosition();
    }
    EXPECT_GE(y[0], 5);  // below the body's top margin
    EXPECT_GT(y[1], y[0]);
    EXPECT_GT(y[2], y[1]);
}

// A host that notes the progress reports it is given.
struct ProgressHost : TDocumentHost {
    void SetAnimationTimer(bool, int) override {}
    void FreeAnimationTimer() override {}
    std::string ExpandFileName(const std::string& name) override { return name; }
    void Progress(int percent) override { Reports.push_back(percent); }
    void LinkAction(const TUrlTarget&) override {}
    void KeyDown(uint16_t&, unsigned) override {}
    void ControlEnter(TObject*) override {}
    void InvalidatePanel() override {}
    std::unique_ptr<TLinkTabStop> CreateLinkTabStop(TFontObj*) override { return nullptr; }
    std::vector<int> Reports;
};

TEST(ParserPages, ReadingReportsItsShareOfTheProgressEvery4096Bytes) {
    ProgressHost host;
    TSectionList doc(&host);
    doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 5, 10);
    doc.ProgressBase = 75;
    std::string html;
    while (html.size() < 20000) html += "<p>Some text of a long article.</p>\n";
    html.resize(20000);
    ParseHTMLString(html, &doc, {});
    // 4096 * k of 20000 bytes, in 75 parts.
    EXPECT_EQ(host.Reports, (std::vector<int>{15, 30, 46, 61}));
    doc.Clear();

    host.Reports.clear();
    TSectionList unshown(nullptr);
    ParseHTMLString(html, &unshown, {});
    EXPECT_TRUE(host.Reports.empty());
}

TEST(ParserPages, FontTagsSetSizesAndTheSymbolRule) {
    // Decimal references below 256 are code-page bytes in a Symbol face: 200 is "И" in code page 1251.
    struct Case {
        const char* html;
        const wchar_t* text;
    } cases[] = {
        {"<font face=Symbol>&#200;</font>", L"\u0418|"},
        {"<basefont face=Symbol>&#200;", L"\u0418|"},
        {"<font face=Symbol><b>&#200;</b></font>", L"\u0418|"},
        {"<font face=Symbol>a</font><font color=red>&#200;", L"a\u00C8|"},
        {"<span style=\"font-family: Symbol\">&#200;</span>", L"\u00C8|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        ParsedDoc d(c.html);
        EXPECT_EQ(JoinedTexts(d.doc), c.text);
    }
    // Sizes: relative to BASEFONT 3, clamped to 1-7.
    ParsedDoc d("<font size=5>five</font><font size=+2>plus</font><font size=0>zero</font><font size=1>one</font>"
                "<basefont size=6><font size=+5>seven</font><font size=7>max</font>");
    const auto height = [&](const wchar_t* text) { return RunHolding(d.doc, text)->RunFont.Height; };
    EXPECT_EQ(height(L"plus"), height(L"five"));
    EXPECT_EQ(height(L"zero"), height(L"one"));
    EXPECT_EQ(height(L"seven"), height(L"max"));
    EXPECT_NE(height(L"one"), height(L"five"));
}

TEST(ParserPages, AMetaCharsetSwitchesTheTextAfterIt) {
    struct Case {
        const char* html;
        const wchar_t* text;
        int charset;
    } cases[] = {
        {"<meta http-equiv=Content-Type content=\"text/html; charset=windows-1253\">\xE1", L"\u03B1|", 161},
        {"<meta http-equiv=content-type content=\"text/html; charset=windows-1251\">\xE1", L"\u0431|", 204},
        {"<meta http-equiv=content-type content=\"text/html; charset=iso-8859-2\">\xB1", L"\u0105|", 238},
        {"<meta name=content-type content=\"text/html; charset=windows-1253\">\xE1", L"\u0431|", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        ParsedDoc d(c.html);
        EXPECT_EQ(JoinedTexts(d.doc), c.text);
        const TFontObj* run = RunHolding(d.doc, std::wstring(c.text).substr(0, 1));
        ASSERT_NE(run, nullptr);
        EXPECT_EQ(run->RunFont.Charset, c.charset);
    }
}

TEST(ParserPages, LinkedStyleSheetsComeFromTheHostBeforeTheirFiles) {
    struct Case {
        const char* what;
        std::function<bool(const std::string&, std::string&, std::string&)> request;
        bool bold;
    } cases[] = {
        {"given", [](const std::string&, std::string& text, std::string&) { text = "p { font-weight: bold }"; return true; },
         true},
        {"none, and no file", [](const std::string&, std::string&, std::string&) { return false; }, false},
        {"failing", [](const std::string&, std::string&, std::string&) -> bool { throw std::runtime_error("no"); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> asked;
        TReaderCallbacks callbacks;
        callbacks.OnStyleSheetRequest = [&](const std::string& href, std::string& text, std::string& base) {
            asked.push_back(href);
            return c.request(href, text, base);
        };
        ParsedDoc d("<link rel=stylesheet href=\"sheets/a.css\"><link rel=next href=b.css><p>x</p><p>after</p>",
                    callbacks);
        EXPECT_EQ(asked, std::vector<std::string>{"sheets/a.css"});
        EXPECT_EQ(RunHolding(d.doc, L"x")->RunFont.Weight >= 700, c.bold);
        EXPECT_NE(RunHolding(d.doc, L"after"), nullptr);
    }
}

}  // namespace
