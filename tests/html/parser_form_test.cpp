// The reader's FORM, INPUT, SELECT/OPTION and TEXTAREA: which control each
// tag makes, where it stands in the text and which form it joins.
#include <gtest/gtest.h>

#include <typeinfo>

#include "html/block.h"
#include "html/form_controls.h"
#include "html/image_obj.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/text_section.h"

namespace {

using Strings = std::vector<std::string>;

struct Parsed {
    explicit Parsed(const std::string& html) {
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 0, 0);
        EXPECT_TRUE(ParseHTMLString(html, &doc, {}));
    }
    ~Parsed() { doc.Clear(); }
    static void Collect(const TCellBasic& cell, std::vector<TSection*>& out) {
        for (int i = 0; i < cell.Count(); ++i) {
            if (auto* s = dynamic_cast<TSection*>(cell.Section(i))) out.push_back(s);
            if (auto* b = dynamic_cast<TBlock*>(cell.Section(i))) Collect(*b->ChildCell, out);
        }
    }
    std::vector<TSection*> Sections() const {
        std::vector<TSection*> out;
        Collect(doc, out);
        return out;
    }
    std::string Kinds() const {
        std::string kinds;
        for (TFormControlObj* c : doc.AllFormControls) {
            if (!kinds.empty()) kinds += ' ';
            kinds += dynamic_cast<THiddenFormControlObj*>(c)       ? "hidden"
                     : dynamic_cast<TComboFormControlObj*>(c)      ? "combo"
                     : dynamic_cast<TListBoxFormControlObj*>(c)    ? "list"
                     : dynamic_cast<TRadioButtonFormControlObj*>(c) ? "radio"
                     : dynamic_cast<TCheckBoxFormControlObj*>(c)   ? "check"
                     : dynamic_cast<TImageFormControlObj*>(c)      ? "image"
                     : dynamic_cast<TButtonFormControlObj*>(c)     ? "button"
                     : dynamic_cast<TTextAreaFormControlObj*>(c)   ? "area"
                     : dynamic_cast<TEditFormControlObj*>(c)       ? "edit"
                                                                   : "?";
        }
        return kinds;
    }
    TSectionList doc{nullptr};
};

TEST(ParserForm, InputTypesMakeTheirControls) {
    struct Case {
        const char* html;
        const char* kinds;
    } cases[] = {
        {"<INPUT>", "edit"},
        {"<INPUT TYPE=TEXT>", "edit"},
        {"<INPUT TYPE=password>", "edit"},
        {"<INPUT TYPE=frobnicate>", "edit"},
        {"<INPUT TYPE=submit><INPUT TYPE=Reset><INPUT TYPE=button>", "button button button"},
        {"<INPUT TYPE=radio><INPUT TYPE=checkbox>", "radio check"},
        {"<INPUT TYPE=hidden><INPUT TYPE=image SRC=a.gif>", "hidden image"},
        {"<INPUT TYPE=file>", "edit button"},
        {"<SELECT></SELECT><SELECT SIZE=1></SELECT><SELECT SIZE=2></SELECT><SELECT MULTIPLE></SELECT>",
         "combo combo list list"},
        {"<TEXTAREA></TEXTAREA>", "area"},
    };
    for (const Case& c : cases) {
        Parsed p(c.html);
        EXPECT_EQ(p.Kinds(), c.kinds) << c.html;
    }
}

TEST(ParserForm, ControlsStandAsCharacter2ExceptHiddenAndImage) {
    Parsed p("<P>a <INPUT NAME=x> b <INPUT TYPE=hidden NAME=h> c <INPUT TYPE=image SRC=i.gif> "
             "<INPUT TYPE=file ID=Up NAME=f> d");
    std::vector<TSection*> sections = p.Sections();
    ASSERT_EQ(sections.size(), 1u);
    TSection* s = sections[0];
    EXPECT_EQ(s->SectionText, std::wstring(L"a \x2 b c \x4 \x2\x2 d"));
    ASSERT_EQ(s->SectionControls().Count(), 3);
    EXPECT_EQ(s->SectionControls().Items[0]->Pos, 2);
    EXPECT_EQ(s->SectionControls().Items[1]->Pos, 10);
    EXPECT_EQ(s->SectionControls().Items[2]->Pos, 11);
    // The file control: an edit and a browse button that fills it; the ID names the edit.
    auto* edit = dynamic_cast<TEditFormControlObj*>(s->SectionControls().Items[1]);
    auto* browse = dynamic_cast<TButtonFormControlObj*>(s->SectionControls().Items[2]);
    ASSERT_TRUE(edit && browse);
    EXPECT_EQ(browse->ButtonKind, Browse);
    EXPECT_EQ(browse->FileEdit, edit);
    EXPECT_EQ(browse->Caption(), L"Browse...");
    EXPECT_TRUE(browse->CtrlName.empty());
    ASSERT_NE(p.doc.IDObjects, nullptr);
    EXPECT_EQ(p.doc.IDObjects->FindObject("up"), edit);
    ASSERT_EQ(s->Images.Count(), 1);
    auto* picture = dynamic_cast<TImageObj*>(s->Images.Obj(0));
    ASSERT_NE(picture, nullptr);
    EXPECT_NE(picture->ImageButtonControl, nullptr);
}

TEST(ParserForm, SelectKeepsItsOptionsAndSelection) {
    Parsed p("<SELECT NAME=s><OPTION VALUE=1>  One  <OPTION SELECTED>Two</OPTION><OPTION VALUE=\"\">"
             "<OPTION SELECTED VALUE=four CLASS=x>Four</SELECT> after");
    auto* combo = dynamic_cast<TComboFormControlObj*>(p.doc.AllFormControls.at(0));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->Options.Texts, (std::vector<std::wstring>{L"One", L"Two", L" ", L"Four"}));
    EXPECT_EQ(combo->Options.GetValue(0), "1");
    EXPECT_EQ(combo->Options.GetValue(1), "Two");
    EXPECT_EQ(combo->Options.GetValue(2), "");  // an empty VALUE is a value
    EXPECT_EQ(combo->Options.GetAttribute(3, "class"), "x");
    EXPECT_EQ(combo->Options.GetAttribute(9, "class"), "");
    EXPECT_TRUE(combo->Options.GetSelected(1));
    EXPECT_FALSE(combo->Options.GetSelected(99));
    EXPECT_EQ(combo->ItemIndex(), 3);  // the last selected option wins
    EXPECT_EQ(p.doc.DocForms.at(0)->GetFormSubmission(), (Strings{"s=four"}));
    std::vector<TSection*> sections = p.Sections();
    ASSERT_FALSE(sections.empty());
    EXPECT_EQ(sections.back()->SectionText, std::wstring(L"\x2 after"));
}

TEST(ParserForm, ASelectLeftOpenEndsAtTheNextOtherTag) {
    Parsed p("<SELECT NAME=s><OPTION>a<OPTION>b<P>text <INPUT NAME=q></SELECT>");
    EXPECT_EQ(p.Kinds(), "combo edit");
    auto* combo = dynamic_cast<TComboFormControlObj*>(p.doc.AllFormControls.at(0));
    EXPECT_EQ(combo->Options.Count(), 2);
}

TEST(ParserForm, TextAreaKeepsItsTextAsWritten) {
    struct Case {
        const char* html;
        const wchar_t* text;
    } cases[] = {
        {"<TEXTAREA NAME=t>  two  spaces </TEXTAREA>", L"  two  spaces "},
        {"<TEXTAREA>a\r\nb\nc</TEXTAREA>", L"a\r\nb\r\nc"},
        {"<TEXTAREA><b>bold</b> &amp; &lt;x&gt; <!-- no comment --></TEXTAREA>",
         L"<b>bold</b> & <x> <!-- no comment -->"},
        {"<TEXTAREA>ends here</TeXtArEa >after", L"ends here"},
        {"<TEXTAREA></textareax>", L"</textareax>"},
        {"<TEXTAREA>never closed <p>", L"never closed <p>"},
        // References give the characters the page's text would, in or out of code page 1251.
        {"<TEXTAREA>caf&eacute; &#233; &#x416; &#8364;</TEXTAREA>", L"caf\x00E9 \x00E9 \x0416 \x20AC"},
    };
    for (const Case& c : cases) {
        Parsed p(c.html);
        auto* area = dynamic_cast<TTextAreaFormControlObj*>(p.doc.AllFormControls.at(0));
        ASSERT_NE(area, nullptr) << c.html;
        EXPECT_EQ(area->InitialText, c.text) << c.html;
        EXPECT_EQ(area->GetText(), c.text) << c.html;
    }
    Parsed after("<TEXTAREA>x</TEXTAREA>after <B>bold</B>");
    std::vector<TSection*> sections = after.Sections();
    ASSERT_FALSE(sections.empty());
    EXPECT_EQ(sections.back()->SectionText, std::wstring(L"\x2" L"after bold"));
}

TEST(ParserForm, FormsGroupTheirControlsAndControlsOutsideFormsGetOneOfTheirOwn) {
    Parsed p("<INPUT NAME=loose1>"
             "<FORM ACTION=\"a.cgi\" METHOD=post TARGET=_top ENCTYPE=multipart><INPUT NAME=x></FORM>"
             "<INPUT NAME=loose2>"
             "<FORM><INPUT NAME=y><FORM><INPUT NAME=z></FORM>");
    ASSERT_EQ(p.doc.DocForms.size(), 5u);
    auto names = [&](size_t i) {
        Strings out;
        for (auto& c : p.doc.DocForms[i]->Controls) out.push_back(c->CtrlName);
        return out;
    };
    EXPECT_EQ(names(0), (Strings{"loose1"}));
    EXPECT_EQ(names(1), (Strings{"x"}));
    EXPECT_EQ(names(2), (Strings{"loose2"}));
    EXPECT_EQ(names(3), (Strings{"y"}));
    EXPECT_EQ(names(4), (Strings{"z"}));
    const ThtmlForm& f = *p.doc.DocForms[1];
    EXPECT_EQ(f.Action, "a.cgi");
    EXPECT_EQ(f.Method, "post");
    EXPECT_EQ(f.Target, "_top");
    EXPECT_EQ(f.EncType, "multipart");
    EXPECT_EQ(p.doc.DocForms[0]->Method, "Get");
}

TEST(ParserForm, ControlsInTablesAndPreformattedText) {
    Parsed p("<FORM><TABLE><TR><TD><INPUT NAME=a><TD><SELECT NAME=b><OPTION>o</SELECT></TABLE>"
             "<PRE>x <INPUT NAME=c> y</PRE></FORM>");
    EXPECT_EQ(p.Kinds(), "edit combo edit");
    ASSERT_EQ(p.doc.DocForms.size(), 1u);
    EXPECT_EQ(p.doc.DocForms[0]->Controls.size(), 3u);
}

TEST(ParserForm, AttributesScriptsAndTabIndex) {
    Parsed p("<INPUT NAME=n VALUE=v ID=Ident ONCLICK=c ONFOCUS=f ONBLUR=b ONCHANGE=ch TABINDEX=4 DISABLED>"
             "<INPUT TABINDEX=0><INPUT TABINDEX=-3><INPUT TYPE=checkbox>");
    auto* c = p.doc.AllFormControls.at(0);
    EXPECT_EQ(c->CtrlName, "n");
    EXPECT_EQ(c->ValueAttr, "v");
    EXPECT_EQ(c->CtrlID, "Ident");
    EXPECT_EQ(c->ClickScript + c->FocusScript + c->BlurScript + c->ChangeScript, "cfbch");
    EXPECT_TRUE(c->IsDisabled);
    EXPECT_EQ(c->GetAttribute("onclick"), "c");
    EXPECT_EQ(p.doc.IDObjects->FindObject("ident"), c);
    // Only a TABINDEX of at least 1 orders the control.
    ASSERT_EQ(p.doc.TabOrderItems.size(), 1u);
    EXPECT_EQ(p.doc.TabOrderItems.begin()->second, c);
    auto* box = dynamic_cast<TCheckBoxFormControlObj*>(p.doc.AllFormControls.at(3));
    EXPECT_EQ(box->ValueAttr, "on");
    EXPECT_EQ(box->VAlign, ABaseline);
}

TEST(ParserForm, ClearFreesEveryFormAndControl) {
    Parsed p("<FORM><INPUT><SELECT><OPTION>a</SELECT></FORM><INPUT>");
    EXPECT_EQ(p.doc.AllFormControls.size(), 3u);
    p.doc.Clear();
    EXPECT_TRUE(p.doc.DocForms.empty());
    EXPECT_TRUE(p.doc.AllFormControls.empty());
    EXPECT_EQ(p.doc.CurrentForm, nullptr);
    // A later parse starts without a current form.
    EXPECT_TRUE(ParseHTMLString("<INPUT NAME=again>", &p.doc, {}));
    ASSERT_EQ(p.doc.DocForms.size(), 1u);
}

}  // namespace
