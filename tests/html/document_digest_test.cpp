// What the reader builds and layout places, as one digest per page: every
// section with its runs, fonts, colours, link fonts, lines, box values and
// positions. The pages reach most of the cascade (descendant, class, id and
// link selectors, inline styles, misnested tags, a style sheet in the body)
// and of the boxes (lists, tables, headings, rules), so a change meant only to
// make reading or layout faster must leave every digest as it is.
//
// When a change of what is built is meant, the failure prints each page's new
// digest and the first lines of its dump; copy the digests into kPages.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <typeinfo>

#include "framework/cp1251.h"
#include "html/block.h"
#include "html/horz_line.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/table.h"
#include "html/table_block.h"
#include "html/text_measure.h"
#include "html/text_section.h"

namespace {

// A text form of the document; numbers that only name things (link numbers,
// property serial numbers) are left out, since they depend on what ran before.
class TDumper {
public:
    std::string Out;

    void Cell(const TCellBasic& cell, int depth) {
        Line(depth, "cell", {cell.StartY, cell.FirstDocPos, cell.Len, cell.HasBackground, int(cell.BackgroundColor),
                             cell.InnerBottom, cell.PaintTop, cell.PaintBottom});
        Out += " tag=" + std::string(cell.OwnerTag());
        for (int i = 0; i < cell.Count(); ++i) Section(*cell.Section(i), depth + 1);
    }

private:
    void Line(int depth, const char* what, std::initializer_list<int> values) {
        Out += "\n" + std::string(static_cast<size_t>(depth) * 2, ' ') + what;
        for (int v : values) Out += " " + std::to_string(v);
    }
    void Text(const std::string& name, const std::string& value) { Out += " " + name + "=" + value; }
    void Value(const TPropValue& v) {
        if (IsString(v)) Out += " s:" + std::string(PropString(v));
        else if (IsInt(v)) Out += " i:" + std::to_string(std::get<int>(v));
        else if (auto d = std::get_if<double>(&v)) Out += " d:" + std::to_string(*d);
        else Out += " -";
    }
    void Font(const TFontDesc& f) {
        Out += " font=" + WideToUtf8(f.Face) + "/" + std::to_string(f.Height) + "/" + std::to_string(f.Weight) +
               "/" + std::to_string(f.Italic) + std::to_string(f.Underline) + std::to_string(f.StrikeOut) + "/" +
               std::to_string(f.Charset);
    }
    void FontInfo(int depth, const ThtFontInfo& f) {
        Line(depth, "linkfont", {int(f.PointSize * 100), int(f.Style), int(f.TextColor), int(f.BackColor), f.Charset});
        Text("face", f.FaceName);
        Value(f.ExtraSpace);
    }
    void Margins(int depth, const TMarginArray& m) {
        Line(depth, "box", {});
        for (int v : m.Slots) Out += " " + std::to_string(v);
    }

    void Section(const TSectionBase& s, int depth) {
        Line(depth, typeid(s).name(), {s.FullHeight, s.PaintHeight, s.FirstDocPos, s.Len, s.ZIndex, s.PlacedY,
                                       s.InnerBottom, s.PaintTop, s.PaintBottom, s.InnerTop});
        if (auto* t = dynamic_cast<const TSection*>(&s)) TextSection(*t, depth + 1);
        if (auto* b = dynamic_cast<const TBlock*>(&s)) Block(*b, depth + 1);
        if (auto* table = dynamic_cast<const ThtmlTable*>(&s)) Table(*table, depth + 1);
        if (auto* rule = dynamic_cast<const THorzLine*>(&s))
            Line(depth + 1, "rule", {rule->RuleThickness, int(rule->Color), int(rule->Align), rule->NoShade,
                                     rule->HRWidth, rule->LineIndent});
    }

    void TextSection(const TSection& s, int depth) {
        Line(depth, "text", {int(s.Justify), int(s.ClearSide), s.LeadIndent, s.IndentPercent, s.WidthAvailable,
                             s.MinWidthCache, s.MaxWidthCache, s.Images.Count()});
        Text("chars", WideToUtf8(s.SectionText));
        for (const IndexObj& index : s.SourceIndexMap)
            Out += " " + std::to_string(index.Pos) + ":" + std::to_string(index.Index);
        for (int i = 0; i < s.Fonts.Count(); ++i) {
            const TFontObj& run = *s.Fonts.Run(i);
            Line(depth + 1, "run", {run.RunStart, int(run.FontColor), int(run.BackColor), run.ExtraSpace,
                                    run.RunLineHeight, run.MetricHeight, run.MetricDescent, run.GetOverhang(),
                                    int(run.ScriptShift), run.IsVisited, run.IsHovered});
            Font(run.RunFont);
            Text("url", run.LinkTarget().Url);
            Text("target", run.LinkTarget().Target);
            Text("title", run.Title());
            if (run.LinkFonts())
                for (const ThtFontInfo& f : run.LinkFonts()->Fonts) FontInfo(depth + 2, f);
        }
        for (const auto& line : s.Lines)
            Line(depth + 1, "line", {line.Start, line.SpaceBefore, line.SpaceAfter, line.LineHeightPx,
                                     line.LineImageHeight(), line.LineCharCount, line.Descent, line.LineIndent,
                                     line.Spaces, line.Extra, line.LayoutTop, line.HasBorders()});
    }

    void Block(const TBlock& b, int depth) {
        Line(depth, "block", {b.EmBase, b.ExBase, int(b.BorderStyle), int(b.FloatSide), int(b.ClearSide),
                              b.IsListBlock, int(b.Positioning), int(b.Visibility), b.BottomIsAuto,
                              b.PageBreakAbove, b.PageBreakBelow, b.AvoidBreakInside, b.NotDisplayed,
                              b.ContentWidth, b.ClearSpace, b.ContentIndent, b.PosTop(), b.PosLeft(), b.ContentBottomY,
                              b.BorderRect.Left, b.BorderRect.Top, b.BorderRect.Right, b.BorderRect.Bottom});
        Text("tag", b.TagAndClass());
        Text("title", b.Title());
        Margins(depth, b.BoxValues);
        for (int i = TVMarginArray::First; i <= TVMarginArray::Last; ++i)
            Value(b.RawBoxValues[static_cast<PropIndices>(i)]);
        if (auto* item = dynamic_cast<const TBlockLI*>(&b)) {
            Line(depth, "item", {int(item->ListKind), item->ItemNumber, int(item->BulletKind), int(item->BulletColor),
                                 item->BulletY});
            Font(item->BulletFont);
        }
        if (auto* tb = dynamic_cast<const TTableBlock*>(&b))
            Line(depth, "tableblock", {tb->GivenTableWidth, tb->WidthIsPercent, int(tb->AttrBgColor), tb->AttrHSpace,
                                       tb->AttrVSpace, tb->HasCaption, tb->TableBorder, int(tb->TableJustify),
                                       tb->TableIndent, tb->WidthFromCaption});
        Cell(*b.ChildCell, depth + 1);
    }

    void Table(const ThtmlTable& t, int depth) {
        Line(depth, "table", {t.Indent, t.BorderWidth, t.ColumnCount, t.GivenTableWidth, t.CellPadding,
                              t.CellSpacing, t.HasBackColor, int(t.FillColor), t.LayoutLeft});
        for (const std::vector<int>* v : {&t.Widths, &t.MinWidths, &t.MaxWidths, &t.Percents, &t.Heights})
            for (int w : *v) Out += " " + std::to_string(w);
        for (int r = 0; r < t.RowCount(); ++r) {
            const TCellList& row = *t.Row(r);
            Line(depth + 1, "row", {row.Count()});
            for (int c = 0; c < row.Count(); ++c) {
                const TCellObj* cell = row.Cell(c);
                if (!cell) {
                    Line(depth + 2, "place", {});
                    continue;
                }
                Line(depth + 2, "tablecell",
                     {cell->ColSpan, cell->RowSpan, cell->SpanWidth, cell->SpanHeight, cell->CellGivenWidth,
                      cell->WidthIsPercent, cell->CellGivenHeight, int(cell->VAlign), cell->AlignOffsetY,
                      cell->EmBase, cell->InsetTop, cell->InsetRight, cell->InsetBottom, cell->InsetLeft,
                      cell->BorderTopPx, cell->BorderLeftPx, cell->BorderStyle});
                Margins(depth + 2, cell->BoxValues);
                Cell(*cell->Cell, depth + 3);
            }
        }
    }
};

uint64_t Fnv1a(const std::string& s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

const char kHead[] =
    "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
    "<TITLE>Article</TITLE><STYLE type=\"text/css\">"
    "BODY { margin-left: 10px; margin-right: 10px; }\n"
    "P { margin-top: 4px; margin-bottom: 4px; text-align: justify; }\n"
    "P.term { font-size: 150%; color: #7A2E00; margin-bottom: 10px; }\n"
    "SPAN.syn { font-size: 80%; font-style: italic; color: #555555; }\n"
    "TT { font-family: \"Courier New\"; color: #003C78; }\n"
    "LI { margin-top: 2px; }\n"
    "UL LI TT { font-weight: bold }\n"
    "P.term B { text-decoration: underline }\n"
    "A:link { color: #0000C0 } A:visited { color: #600060 } A:hover { color: #FF0000; font-style: italic }\n"
    "A.ext:link { color: #008000 }\n"
    "#note { background-color: #FFFFE0; border: solid 1px #808080; padding: 2px }\n"
    ".wide { letter-spacing: 2px; text-transform: uppercase }\n"
    "</STYLE></HEAD>";

// The article the viewer's benchmark reads: a term, paragraphs with bold,
// italic and a link, and a list after every third.
std::string Article(int paragraphs) {
    std::string html = kHead + Utf8ToAnsi("<BODY><p class=term><b>Сеть передачи данных</b></p>");
    for (int n = 1; n <= paragraphs; ++n) {
        html += Utf8ToAnsi("<p>Термин <b>номер " + std::to_string(n) +
                           "</b> означает способ передачи данных между узлами сети, при котором каждый пакет несёт "
                           "<i>адрес получателя</i> и проходит через <a href=\"#t" + std::to_string(n) +
                           "\">несколько</a> промежуточных узлов.</p>\r\n");
        if (n % 3 == 0) {
            html += "<ul>";
            for (int i = 0; i < 4; ++i)
                html += Utf8ToAnsi("<li>Пункт " + std::to_string(i) +
                                   ": <tt>протокол</tt> и <span class=syn>синоним</span></li>");
            html += "</ul>\r\n";
        }
    }
    return html + "</BODY></HTML>";
}

std::string Nested(const char* open, const char* close, int depth) {
    std::string html = "<body>";
    for (int i = 0; i < depth; ++i) html += open;
    html += "deep";
    for (int i = 0; i < depth; ++i) html += close;
    return html + "after";
}

struct Page {
    const char* Name;
    std::string Html;
    const char* Digest;
};

const Page kPages[] = {
    {"article", Article(12), "b941ef3939e8b807"},
    {"selectors",
     std::string(kHead) +
         "<body link=#112233 vlink=#445566 alink=#778899 text=#202020>"
         "<p class=term>Term <b>bold</b> <a href=a.htm>link</a> <a class=ext href=b.htm title=\"Far\">ext</a></p>"
         "<div id=note>Note <span style=\"color: red; font-size: 14pt\">red <b>bold red</b></span> "
         "<span class=wide>wide text</span></div>"
         "<p>mis<b>nested <i>tags</b> go</i> on <font color=green size=+1>font <font face=Arial size=2>"
         "inner</font></font> <u>under</u> <s>strike</s> <sub>sub</sub><sup>sup</sup> "
         "<span style=\"font-variant: small-caps\">Small Caps</span> <big>big</big><small>small</small></p>"
         "<ul><li><tt>in list</tt><ol type=a start=3><li>x<li value=9>y</ol><li><a href=c.htm><b>bold link</b></a>"
         "</ul><dl><dt>term<dd>definition</dl>",
     "680e5bb546f333ee"},
    {"blocks",
     "<body bgcolor=#FFFFF0><h1 align=center>Head</h1><h3>Sub <i>head</i></h3><hr width=50% size=4 noshade>"
     "<blockquote>quoted <p align=right>right</blockquote><center>centred</center>"
     "<pre>pre  formatted\n  text <b>bold</b>\n</pre><div style=\"margin-left: 2em; border: dashed 2px blue; "
     "padding: 4px; width: 300px\">boxed <p style=\"text-indent: 20px\">indented first line of a paragraph that "
     "runs on long enough to wrap in the box</p></div><p style=\"float: right; width: 100px\">floating</p>"
     "<p style=\"clear: both; line-height: 30px\">cleared</p>after<br>break<br clear=all>end",
     "6f818946f5fd58f1"},
    {"tables",
     "<body><table border=2 cellpadding=4 cellspacing=3 width=80% bgcolor=#E0E0FF><caption>Cap</caption>"
     "<tr><th>one<th colspan=2 align=right>two</tr><tr><td rowspan=2 valign=top width=100>a <b>b</b>"
     "<td style=\"background-color: #FFE0E0; padding: 6px\">c<ul><li>d<li>e</ul><td>f</tr>"
     "<tr><td><table border=1><tr><td>inner</table><td height=40>g</tr></table>"
     "<table align=left width=120><tr><td>float</table>text beside the table",
     "6956bd720910a203"},
    {"style in the body",
     "<body><p class=x>before <span class=y>span</span></p>"
     "<style>P.x { color: #C00000; font-size: 20px } .y { font-weight: bold } P.x SPAN { font-style: italic }</style>"
     "<p class=x>after <span class=y>span</span></p><p>plain <span class=y>span</span></p>",
     "f2ab14cf2af03302"},
    {"deep nesting",
     Nested("<span style=\"border-style: solid; margin-left: 1px\"><b>", "</b></span>", 300) +
         Nested("<div>", "</div>", 600),
     "b19b0ac61391eb16"},
};

struct FakeScreen {
    FakeScreen() { SetScreenMeasurer(&measurer); }
    ~FakeScreen() { SetScreenMeasurer(nullptr); }
    TTableMeasurer measurer{std::make_unique<TFakeGlyphSource>()};
};

std::string Dump(const std::string& html, int width) {
    FakeScreen screen;
    TSectionList doc(nullptr);
    doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF0000, 0xFFFFFF, false, true, 1, 5,
                 10);
    ParseHTMLString(html, &doc, {});
    int scrollWidth = 0, positions = 0;
    const int height = doc.DoLogic(nullptr, 0, width, 500, 0, scrollWidth, positions);
    TDumper dumper;
    dumper.Out = "height " + std::to_string(height) + " scroll " + std::to_string(scrollWidth) + " positions " +
                 std::to_string(positions) + " links " + std::to_string(doc.LinkRuns.size()) +
                 " background " + std::to_string(doc.Background);
    // Inline boxes: the identity number only pairs a start with its end.
    std::map<int, int> ids;
    for (int i = 0; i < doc.InlineBorders->Count(); ++i) {
        const InlineRec& rec = *doc.InlineBorders->Rec(i);
        dumper.Out += "\ninline " + std::to_string(ids.emplace(rec.ID, int(ids.size())).first->second) + " " +
                      std::to_string(doc.InlineBorders->FirstPosOf(i)) + " " +
                      std::to_string(doc.InlineBorders->EndPosOf(i));
        for (int v : rec.BoxValues.Slots) dumper.Out += " " + std::to_string(v);
    }
    dumper.Cell(doc, 0);
    return dumper.Out;
}

TEST(DocumentDigestTest, PagesBuildAndLayOutAsBefore) {
    for (const Page& page : kPages) {
        SCOPED_TRACE(page.Name);
        // Two widths: the wide one keeps most lines whole, the narrow one
        // wraps and squeezes the tables.
        const std::string dump = Dump(page.Html, 640) + "\n--- narrow\n" + Dump(page.Html, 180);
        char digest[17];
        std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(Fnv1a(dump)));
        EXPECT_EQ(std::string(digest), page.Digest) << dump.substr(0, 3000);
    }
}

}  // namespace
