#include "html/form_controls.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

struct Recorder {
    Strings last;
    int calls = 0;
    void Attach(ThtmlForm& f) {
        f.OnSubmit = [this](const ThtmlForm&, const Strings& s) { last = s, ++calls; };
    }
};

TEST(FormControls, EditThenSubmitButton) {
    ThtmlForm f;
    Recorder r;
    r.Attach(f);
    f.Add(std::make_unique<TEditFormControlObj>("q", "abc"));
    auto* go = f.Add(std::make_unique<TButtonFormControlObj>("go", "Search", TButtonFormControlObj::Submit));
    go->ButtonClick();
    EXPECT_EQ(r.last, (Strings{"q=abc", "go=Search"}));
}

TEST(FormControls, DisabledLeftOutOnlyFromButtonSubmission) {
    ThtmlForm f;
    Recorder r;
    r.Attach(f);
    f.Add(std::make_unique<TEditFormControlObj>("a", "1"));
    f.Add(std::make_unique<TEditFormControlObj>("b", "2"))->IsDisabled = true;
    f.SubmitTheForm("");
    EXPECT_EQ(r.last, (Strings{"a=1"}));
    EXPECT_EQ(f.GetFormSubmission(), (Strings{"a=1", "b=2"}));
}

TEST(FormControls, ImageButtonSubmitsCoordinatesOnce) {
    ThtmlForm f;
    Recorder r;
    r.Attach(f);
    auto* map = f.Add(std::make_unique<TImageFormControlObj>("map", ""));
    map->ImageClick(12, 34);
    EXPECT_EQ(r.last, (Strings{"map.x=12", "map.y=34"}));
    f.SubmitTheForm("");
    EXPECT_TRUE(r.last.empty());
    EXPECT_EQ(r.calls, 2);
}

TEST(FormControls, NoHandlerNoSubmission) {
    ThtmlForm f;
    f.Add(std::make_unique<TEditFormControlObj>("q", "x"));
    f.SubmitTheForm("go=1");  // must simply do nothing
    EXPECT_EQ(f.GetFormSubmission(), (Strings{"q=x"}));
}

TEST(FormControls, TextAreaWrapModes) {
    struct Case {
        const char* wrap;
        const char* expected;
    } cases[] = {
        {"hard", "t=aaaa bbbb\r\ncccc"},
        {"soft", "t=aaaa bbbb cccc"},
        {"off", "t=aaaa bbbb cccc"},
    };
    for (const Case& c : cases) {
        ThtmlForm f;
        auto* t = f.Add(std::make_unique<TTextAreaFormControlObj>("t", 3, 10, c.wrap));
        t->AddStr("aaaa bbbb cccc");
        t->ResetToValue();
        EXPECT_EQ(f.GetFormSubmission(), (Strings{c.expected})) << c.wrap;
    }
}

TEST(FormControls, TextAreaHardWrapBreaksOverlongWordAndKeepsHardBreaks) {
    ThtmlForm f;
    auto* t = f.Add(std::make_unique<TTextAreaFormControlObj>("t", 0, 4, "hard"));
    t->SetData(0, "abcdefghij\r\nxy");
    EXPECT_EQ(f.GetFormSubmission(), (Strings{"t=abcd\r\nefgh\r\nij\r\nxy"}));
}

TEST(FormControls, MultiSelectComboAndHidden) {
    ThtmlForm f;
    auto* list = f.Add(std::make_unique<TListBoxFormControlObj>("m", 4, true));
    list->AddStr("One", true, nullptr);
    std::string two = "2";
    list->AddStr("Two", false, &two);
    list->AddStr("Three", true, nullptr);
    auto* combo = f.Add(std::make_unique<TComboFormControlObj>("c"));
    combo->AddStr("x", true, nullptr);
    combo->AddStr("y", true, nullptr);
    f.Add(std::make_unique<THiddenFormControlObj>("h", "secret"));
    EXPECT_EQ(f.VisibleCount, 2);
    EXPECT_EQ(f.GetFormSubmission(), (Strings{"m=One", "m=Three", "c=y", "h=secret"}));
}

TEST(FormControls, SetFormDataRoundTripAndReset) {
    ThtmlForm f;
    f.Add(std::make_unique<TEditFormControlObj>("q", "init"));
    f.Add(std::make_unique<TCheckBoxFormControlObj>("cb", "", true));
    auto* list = f.Add(std::make_unique<TListBoxFormControlObj>("m", -1, true));
    for (const char* s : {"a", "b", "c"}) list->AddStr(s, false, nullptr);
    auto* t = f.Add(std::make_unique<TTextAreaFormControlObj>("t", 0, 0, ""));
    t->AddStr("start");
    f.ResetControls();
    Strings saved = {"q=typed=text", "m=a", "m=c", "t=line1\r\nline2"};
    f.SetFormData(saved);
    EXPECT_EQ(f.GetFormSubmission(), saved);  // the unchecked box is absent
    f.ResetControls();
    EXPECT_EQ(f.GetFormSubmission(), (Strings{"q=init", "cb=on", "t=start"}));
}

TEST(FormControls, RadioGroup) {
    ThtmlForm f;
    TRadioButtonFormControlObj* r[3];
    for (int i = 0; i < 3; ++i) r[i] = f.Add(std::make_unique<TRadioButtonFormControlObj>("g", std::to_string(i), i == 0));
    auto* other = f.Add(std::make_unique<TRadioButtonFormControlObj>("G2", "z", true));
    r[2]->RadioClick();
    EXPECT_FALSE(r[0]->Checked);
    EXPECT_FALSE(r[1]->TabStop());
    EXPECT_TRUE(r[2]->TabStop());
    EXPECT_TRUE(other->Checked);
    EXPECT_EQ(f.GetFormSubmission(), (Strings{"g=2", "G2=z"}));
    f.ResetControls();
    EXPECT_EQ(f.GetFormSubmission(), (Strings{"g=0", "G2=z"}));
}

TEST(FormControls, ListBoxRowsAndClamps) {
    struct Case {
        int options;
        int size;
        int rows;
    } cases[] = {{12, -1, 8}, {3, -1, 3}, {0, -1, 1}, {3, 100000, 1000}, {3, 0, 1}};
    for (const Case& c : cases) {
        TListBoxFormControlObj list("l", c.size, false);
        for (int i = 0; i < c.options; ++i) list.AddStr("o", false, nullptr);
        EXPECT_EQ(list.RowsForHeight(), c.rows) << c.options << " " << c.size;
    }
    TEditFormControlObj e("e", std::string(5000, 'x'), 1000000);
    EXPECT_EQ(e.Text.size(), 1000u);
}

TEST(FormControls, SectionControlList) {
    TEditFormControlObj a("a", ""), b("b", "");
    a.Pos = 3;
    b.Pos = 10;
    TFormControlList list;
    EXPECT_EQ(list.GetControlCountAt(0), 9999);
    list.Items = {&a, &b};
    EXPECT_EQ(list.FindControl(10), &b);
    EXPECT_EQ(list.FindControl(4), nullptr);
    EXPECT_EQ(list.GetControlCountAt(0), 3);
    EXPECT_EQ(list.GetControlCountAt(4), 6);
    EXPECT_EQ(list.GetControlCountAt(11), 9999);
    list.Decrement(3);
    EXPECT_EQ(a.Pos, 3);
    EXPECT_EQ(b.Pos, 9);
}

}  // namespace
