// Forms without windows: values, submission, reset, history data, radio
// groups, sizes and the section's control list.
#include "html/form_controls.h"

#include <gtest/gtest.h>

#include <functional>

#include "framework/win.h"
#include "html/block.h"
#include "html/image_obj.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/text_measure.h"
#include "html/text_section.h"

namespace {

using Strings = std::vector<std::string>;

struct FakeScreen {
    FakeScreen() { SetScreenMeasurer(&measurer); }
    ~FakeScreen() { SetScreenMeasurer(nullptr); }
    TTableMeasurer measurer{std::make_unique<TFakeGlyphSource>()};
};

struct Page {
    explicit Page(const std::string& html) {
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 0, 0);
        doc.FormSubmitHandler = [this](const std::string& action, const std::string&, const std::string&,
                                       const std::string& method, const Strings& results) {
            submitted = results;
            lastAction = action + " " + method;
            ++submissions;
        };
        doc.ObjectChangeHandler = [this](TObject*, const std::string& script) { changes.push_back(script); };
        EXPECT_TRUE(ParseHTMLString(html, &doc, {}));
    }
    ~Page() { doc.Clear(); }
    ThtmlForm& Form(size_t i = 0) { return *doc.DocForms.at(i); }
    template <class T>
    T* Control(size_t index) {
        return dynamic_cast<T*>(doc.AllFormControls.at(index));
    }
    FakeScreen screen;
    TSectionList doc{nullptr};
    Strings submitted;
    Strings changes;
    std::string lastAction;
    int submissions = 0;
};

TEST(FormControls, EditThenSubmitButton) {
    Page p("<FORM ACTION=find METHOD=postal><INPUT NAME=q VALUE=abc><INPUT TYPE=submit NAME=go VALUE=Search></FORM>");
    p.Control<TButtonFormControlObj>(1)->ButtonClick();
    EXPECT_EQ(p.submitted, (Strings{"q=abc", "go=Search"}));
    EXPECT_EQ(p.lastAction, "find post");  // METHOD keeps four characters
}

TEST(FormControls, DisabledLeftOutOnlyFromButtonSubmission) {
    Page p("<FORM><INPUT NAME=a VALUE=1><INPUT NAME=b VALUE=2 DISABLED></FORM>");
    p.Form().SubmitTheForm("");
    EXPECT_EQ(p.submitted, (Strings{"a=1"}));
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"a=1", "b=2"}));
}

TEST(FormControls, ImageButtonSubmitsCoordinatesOnce) {
    Page p("<FORM><INPUT TYPE=image NAME=map SRC=x.gif></FORM>");
    auto* map = p.Control<TImageFormControlObj>(0);
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->ImageObj, nullptr);
    EXPECT_EQ(map->ImageObj->ImageButtonControl, map);
    map->LastX = 12;
    map->LastY = 34;
    map->ImageClick();
    EXPECT_EQ(p.submitted, (Strings{"map.x=12", "map.y=34"}));
    p.Form().SubmitTheForm("");
    EXPECT_TRUE(p.submitted.empty());
    EXPECT_EQ(p.submissions, 2);
}

TEST(FormControls, EnterSubmitsFromAnEditNotFromATextArea) {
    Page p("<FORM><INPUT NAME=q VALUE=v><TEXTAREA NAME=t>x</TEXTAREA></FORM>");
    char key = 13;
    EXPECT_TRUE(p.Control<TEditFormControlObj>(0)->KeyPress(key));
    EXPECT_EQ(key, 0);  // swallowed
    EXPECT_EQ(p.submitted, (Strings{"q=v", "t=x"}));
    key = 13;
    EXPECT_FALSE(p.Control<TTextAreaFormControlObj>(1)->KeyPress(key));
    EXPECT_EQ(key, 13);
    EXPECT_EQ(p.submissions, 1);
    key = 'a';
    EXPECT_FALSE(p.Control<TEditFormControlObj>(0)->KeyPress(key));
}

TEST(FormControls, NoHandlerNoSubmission) {
    Page p("<FORM><INPUT NAME=q VALUE=x></FORM>");
    p.doc.FormSubmitHandler = nullptr;
    p.Form().SubmitTheForm("go=1");  // must simply do nothing
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"q=x"}));
}

TEST(FormControls, TextAreaWrapModes) {
    struct Case {
        const char* wrap;
        const char* expected;
    } cases[] = {
        {"hard", "t=aaaa bbbb\r\ncccc"},
        {"HARD", "t=aaaa bbbb\r\ncccc"},
        {"soft", "t=aaaa bbbb cccc"},
        {"off", "t=aaaa bbbb cccc"},
    };
    for (const Case& c : cases) {
        Page p(std::string("<TEXTAREA NAME=t COLS=10 WRAP=") + c.wrap + ">aaaa bbbb cccc</TEXTAREA>");
        EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{c.expected})) << c.wrap;
    }
}

TEST(FormControls, HardWrapBreaksAnOverlongWordAndKeepsHardBreaks) {
    Page p("<TEXTAREA NAME=t COLS=4 WRAP=hard></TEXTAREA>");
    p.Control<TTextAreaFormControlObj>(0)->SetData(0, "abcdefghij\r\nxy");
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"t=abcd\r\nefgh\r\nij\r\nxy"}));
}

TEST(FormControls, MultiSelectComboAndHidden) {
    Page p("<FORM><SELECT NAME=m MULTIPLE><OPTION SELECTED>One<OPTION VALUE=2>Two<OPTION SELECTED>Three</SELECT>"
           "<SELECT NAME=c><OPTION SELECTED>x<OPTION SELECTED>y</SELECT>"
           "<INPUT TYPE=hidden NAME=h VALUE=secret></FORM>");
    EXPECT_EQ(p.Form().VisibleCount, 2);
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"m=One", "m=Three", "c=y", "h=secret"}));
}

TEST(FormControls, SetFormDataRoundTripAndReset) {
    Page p("<FORM><INPUT NAME=q VALUE=init><INPUT TYPE=checkbox NAME=cb CHECKED>"
           "<SELECT NAME=m MULTIPLE><OPTION>a<OPTION>b<OPTION>c</SELECT>"
           "<TEXTAREA NAME=t>start</TEXTAREA><SELECT NAME=c><OPTION>x<OPTION>y</SELECT></FORM>");
    const Strings saved = {"q=typed=text", "m=a", "m=c", "t=line1\r\nline2", "c=Y"};
    p.doc.SetFormcontrolData({saved});
    // The unchecked box is absent; values compare without case.
    EXPECT_EQ(p.doc.GetFormcontrolData(), (std::vector<Strings>{{"q=typed=text", "m=a", "m=c", "t=line1\r\nline2", "c=y"}}));
    p.Form().ResetControls();
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"q=init", "cb=on", "t=start", "c=x"}));
    // More history entries than forms: the first is the form's; none: the
    // form keeps what it shows.
    p.doc.SetFormcontrolData({saved, {"q=second"}, {"q=third"}});
    const std::vector<Strings> restored{{"q=typed=text", "m=a", "m=c", "t=line1\r\nline2", "c=y"}};
    EXPECT_EQ(p.doc.GetFormcontrolData(), restored);
    p.doc.SetFormcontrolData({});
    EXPECT_EQ(p.doc.GetFormcontrolData(), restored);
}

// "caf\u00E9" in each control of a UTF-8 page, and as references in a page
// of code page 1251: the controls show every character; they submit in the
// page's own code page.
TEST(FormControls, TextsOutsideCodePage1251AreKept) {
    const std::wstring cafe = L"caf\x00E9";
    const std::string utf8 = "caf\xC3\xA9";
    Page u("\xEF\xBB\xBF<select name=s><option>" + utf8 + "</select><input name=q value=\"" + utf8 +
           "\"><textarea name=t>" + utf8 + "</textarea><input type=submit name=b value=\"" + utf8 + "\">");
    Page w("<select name=s><option>caf&eacute;</select><textarea name=t>caf&eacute;</textarea>");
    for (Page* p : {&u, &w}) {
        auto* list = p->Control<TComboFormControlObj>(0);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->Options.Texts.at(0), cafe);
        auto* area = dynamic_cast<TTextAreaFormControlObj*>(p->doc.AllFormControls.at(p == &u ? 2 : 1));
        ASSERT_NE(area, nullptr);
        EXPECT_EQ(area->GetText(), cafe);
    }
    EXPECT_EQ(u.Control<TEditFormControlObj>(1)->GetText(), cafe);
    EXPECT_EQ(u.Control<TButtonFormControlObj>(3)->Caption(), cafe);
    u.Control<TButtonFormControlObj>(3)->ButtonClick();
    EXPECT_EQ(u.submitted, (Strings{"s=" + utf8, "q=" + utf8, "t=" + utf8, "b=" + utf8}));
    // A value typed in comes back the same way.
    u.Control<TEditFormControlObj>(1)->SetData(0, "\xC3\xBC");
    EXPECT_EQ(u.Control<TEditFormControlObj>(1)->GetText(), L"\x00FC");
}

TEST(FormControls, RadioGroupChecksOneAndOnlyItIsATabStop) {
    Page p("<FORM><INPUT TYPE=radio NAME=g VALUE=0 CHECKED><INPUT TYPE=radio NAME=g VALUE=1>"
           "<INPUT TYPE=radio NAME=G VALUE=2><INPUT TYPE=radio NAME=other VALUE=z CHECKED></FORM>");
    TRadioButtonFormControlObj* r[4];
    for (size_t i = 0; i < 4; ++i) r[i] = p.Control<TRadioButtonFormControlObj>(i);
    r[2]->SetChecked(true);
    r[2]->RadioClick();
    EXPECT_FALSE(r[0]->Checked());
    EXPECT_FALSE(r[0]->TabStop());
    EXPECT_FALSE(r[1]->TabStop());
    EXPECT_TRUE(r[2]->TabStop());
    EXPECT_TRUE(r[3]->Checked());  // another group
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"G=2", "other=z"}));
    p.Form().ResetControls();
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"g=0", "other=z"}));
}

TEST(FormControls, ChangeEventsOnlyWhenTheValueChanged) {
    Page p("<INPUT NAME=e ONCHANGE=edited><INPUT TYPE=checkbox NAME=c ONCHANGE=ticked>"
           "<SELECT NAME=s ONCHANGE=picked><OPTION>a<OPTION>b</SELECT>");
    auto* edit = p.Control<TEditFormControlObj>(0);
    auto* box = p.Control<TCheckBoxFormControlObj>(1);
    auto* combo = p.Control<TComboFormControlObj>(2);
    edit->EnterEvent();
    edit->ExitEvent();
    EXPECT_TRUE(p.changes.empty());
    edit->EnterEvent();
    edit->SetText(L"new");
    edit->ExitEvent();
    box->EnterEvent();
    box->SetChecked(true);
    box->ExitEvent();
    combo->EnterEvent();
    combo->SetData(0, "b");
    combo->ExitEvent();
    EXPECT_EQ(p.changes, (Strings{"edited", "ticked", "picked"}));
}

TEST(FormControls, ListBoxRowsAndClamps) {
    struct Case {
        int options;
        const char* size;
        int rows;
    } cases[] = {{12, "", 8}, {3, "", 3}, {0, "", 1}, {3, " SIZE=100000", 1000}, {3, " SIZE=0", 1}, {2, " SIZE=5", 5}};
    for (const Case& c : cases) {
        std::string html = std::string("<SELECT MULTIPLE") + c.size + ">";
        for (int i = 0; i < c.options; ++i) html += "<OPTION>o";
        Page p(html + "</SELECT>");
        auto* list = p.Control<TListBoxFormControlObj>(0);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->RowsForHeight(), c.rows) << c.options << c.size;
        list->SetHeightWidth(nullptr);
        const int line = p.screen.measurer.Metrics(p.screen.measurer.Font(list->Font)).Height;
        EXPECT_EQ(list->Height, std::min(c.rows * line + 4, kMaxControlSide)) << c.options << c.size;
        // As wide as the bar, the widest option and 10 pixels.
        EXPECT_EQ(list->Width, GetSystemMetrics(SM_CXVSCROLL) + list->WidestOption + 10) << c.options << c.size;
    }
    Page given("<SELECT MULTIPLE STYLE=\"width: 77px\"><OPTION>o</SELECT>");
    auto* list = given.Control<TListBoxFormControlObj>(0);
    ASSERT_NE(list, nullptr);
    list->SetHeightWidth(nullptr);
    EXPECT_EQ(list->Width, 77);
}

TEST(FormControls, SizesAreClampedAndFollowTheirRules) {
    Page p("<INPUT SIZE=10><INPUT SIZE=\"7,2\"><INPUT SIZE=\"x y\"><INPUT SIZE=99999 MAXLENGTH=0>"
           "<INPUT STYLE=\"width: 100000px; height: 100000px\"><TEXTAREA ROWS=100000 COLS=-5></TEXTAREA>"
           "<INPUT TYPE=submit STYLE=\"width: 50%\">");
    int sizes[4];
    for (size_t i = 0; i < 4; ++i) sizes[i] = p.Control<TEditFormControlObj>(i)->SizeChars;
    EXPECT_EQ(sizes[0], 10);
    EXPECT_EQ(sizes[1], 7);
    EXPECT_EQ(sizes[2], 20);
    EXPECT_EQ(sizes[3], 1000);
    p.Form().SetSizes(nullptr);
    TTableMeasurer& m = p.screen.measurer;
    EXPECT_EQ(p.Control<TEditFormControlObj>(0)->Width, 10 * m.Extent(m.Font(p.Control<TEditFormControlObj>(0)->Font), L"0") + 20);
    auto* huge = p.Control<TEditFormControlObj>(4);
    EXPECT_EQ(huge->Width, kMaxControlSide);
    EXPECT_EQ(huge->Height, kMaxControlSide);
    auto* area = p.Control<TTextAreaFormControlObj>(5);
    EXPECT_EQ(area->RowCount, 1000);
    EXPECT_EQ(area->ColCount, 30);
    EXPECT_LE(area->Height, kMaxControlSide);
    auto* button = p.Control<TButtonFormControlObj>(6);
    EXPECT_TRUE(button->WidthInPercent);
    EXPECT_EQ(button->Caption(), L"Submit");
}

TEST(FormControls, LongValuesAreCutToMaxLength) {
    Page p("<INPUT MAXLENGTH=1000000 VALUE=\"" + std::string(5000, 'x') + "\">");
    EXPECT_EQ(p.Control<TEditFormControlObj>(0)->GetText().size(), 1000u);
}

TEST(FormControls, ADroppedSectionFreesItsControls) {
    Page p("<FORM><P>a <INPUT NAME=x ID=gone> <INPUT TYPE=image NAME=m SRC=a.gif><P>b <INPUT NAME=y></FORM>");
    ASSERT_EQ(p.doc.AllFormControls.size(), 3u);
    // The first paragraph's box holds the section with x and m.
    TSectionBase* owner = nullptr;
    std::function<bool(TCellBasic&)> drop = [&](TCellBasic& cell) {
        for (int i = 0; i < cell.Count(); ++i) {
            if (auto* s = dynamic_cast<TSection*>(cell.Section(i)); s && s->SectionControls().Count() > 0 &&
                                                                    s->SectionControls().Items[0]->CtrlName == "x") {
                owner = s;
                cell.Delete(i);
                return true;
            }
            if (auto* b = dynamic_cast<TBlock*>(cell.Section(i)); b && drop(*b->ChildCell)) return true;
        }
        return false;
    };
    ASSERT_TRUE(drop(p.doc));
    ASSERT_NE(owner, nullptr);
    ASSERT_EQ(p.doc.AllFormControls.size(), 1u);
    EXPECT_EQ(p.doc.AllFormControls[0]->CtrlName, "y");
    EXPECT_EQ(p.Form().Controls.size(), 1u);
    EXPECT_EQ(p.Form().VisibleCount, 1);
    EXPECT_EQ(p.doc.IDObjects->FindObject("gone"), nullptr);
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"y="}));
}

// Printing needs no copies of the controls: a print copy of the page lists
// the page's own and prints what they hold when it is printed.
TEST(FormControls, APrintCopySharesThePagesControls) {
    Page p("<P>a <INPUT NAME=q VALUE=x> b <SELECT NAME=s><OPTION>o</SELECT>");
    auto sectionsOf = [](const TCellBasic& cell) {
        std::vector<TSection*> out;
        std::function<void(const TCellBasic&)> walk = [&](const TCellBasic& c) {
            for (int i = 0; i < c.Count(); ++i) {
                if (auto* s = dynamic_cast<TSection*>(c.Section(i))) out.push_back(s);
                if (auto* b = dynamic_cast<TBlock*>(c.Section(i))) walk(*b->ChildCell);
            }
        };
        walk(cell);
        return out;
    };
    {
        TSectionList copy(p.doc);
        std::vector<TFormControlObj*> listed;
        for (TSection* s : sectionsOf(copy))
            listed.insert(listed.end(), s->SectionControls().Items.begin(), s->SectionControls().Items.end());
        EXPECT_EQ(listed, p.doc.AllFormControls);
        EXPECT_TRUE(copy.AllFormControls.empty());
        p.Control<TEditFormControlObj>(0)->SetText(L"typed");
    }
    EXPECT_EQ(p.Form().GetFormSubmission(), (Strings{"q=typed", "s=o"}));
}

TEST(FormControls, SectionControlList) {
    TSectionList doc(nullptr);
    TEditFormControlObj a(&doc, 3, nullptr, "text"), b(&doc, 10, nullptr, "text");
    a.Width = 40;
    a.SpaceLeft = 2;
    TFormControlList list;
    EXPECT_EQ(list.GetControlCountAt(0), NoControlDistance);
    list.Items = {&a, &b};
    EXPECT_EQ(list.FindControl(10), &b);
    EXPECT_EQ(list.FindControl(4), nullptr);
    int left = 0, right = 0;
    EXPECT_EQ(list.GetWidthAt(3, left, right), 40);
    EXPECT_EQ(left, 2);
    EXPECT_EQ(list.GetWidthAt(4, left, right), -1);
    EXPECT_EQ(list.GetControlCountAt(0), 3);
    EXPECT_EQ(list.GetControlCountAt(4), 6);
    EXPECT_EQ(list.GetControlCountAt(11), NoControlDistance);
    list.Decrement(3);
    EXPECT_EQ(a.Pos, 3);
    EXPECT_EQ(b.Pos, 9);
    // The controls made here without a parse belong to a form of their own.
    ASSERT_EQ(doc.DocForms.size(), 1u);
    EXPECT_EQ(a.OwnerForm, doc.DocForms[0].get());
}

// Each line makes room for its own controls only: a paragraph of many costs
// each control one look per layout, and each gets the Y of its own line.
TEST(FormControls, LinesLookOnlyAtTheirOwnControls) {
    std::string html = "<P>";
    for (int i = 0; i < 400; ++i) html += i % 7 ? "<INPUT SIZE=4> w " : "<TEXTAREA ROWS=3></TEXTAREA> ";
    Page p(html);
    int scrollWidth = 0, positions = 0;
    const int64_t before = TSection::ControlsVisited;
    p.doc.DoLogic(nullptr, 0, 640, 500, 0, scrollWidth, positions);
    EXPECT_EQ(TSection::ControlsVisited - before, 400);
    const auto& all = p.doc.AllFormControls;
    ASSERT_EQ(all.size(), 400u);
    int lines = 1;
    for (size_t i = 1; i < all.size(); ++i) {
        EXPECT_GE(all[i]->DocY, all[i - 1]->DocY) << i;
        lines += all[i]->DocY > all[i - 1]->DocY;
    }
    EXPECT_GT(lines, 20);
}

TEST(FormControls, TabOrderKeysSortAsNumbersBeyondTheirWidth) {
    TSectionList doc(nullptr);
    TObject objects[4];
    doc.AddTabOrderItem(3, &objects[0]);
    doc.AddTabOrderItem(100000, &objects[1]);
    doc.AddTabOrderItem(99999, &objects[2]);
    doc.AddTabOrderItem(3, &objects[3]);
    EXPECT_EQ(doc.TabOrderItems.begin()->first, "00003000");
    std::vector<TObject*> order;
    for (auto& [key, object] : doc.TabOrderItems) order.push_back(object);
    EXPECT_EQ(order, (std::vector<TObject*>{&objects[0], &objects[3], &objects[2], &objects[1]}));
    // Past 999 entries the sequence still counts up.
    TSectionList many(nullptr);
    std::vector<TObject> items(1200);
    for (TObject& o : items) many.AddTabOrderItem(1, &o);
    size_t i = 0;
    bool inOrder = true;
    for (auto& [key, object] : many.TabOrderItems) inOrder &= object == &items[i++];
    EXPECT_TRUE(inOrder);
}

}  // namespace
