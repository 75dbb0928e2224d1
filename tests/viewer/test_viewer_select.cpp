// The viewer's selection, clipboard, search, form submission, identified
// blocks and file names, on a real window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/font_obj.h"
#include "html/form_controls.h"
#include "support/test_support.h"
#include "viewer/page_viewer.h"

namespace {

// Page sources are written in UTF-8 here and loaded as the program's 8-bit text.
std::string Page(const std::string& utf8) { return Utf8ToAnsi(utf8); }

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<no clipboard>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) text = p;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void PutOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

class ViewerSelectTest : public ::testing::Test {
protected:
    ViewerSelectTest() : form(new TForm(nullptr)), viewer(new TPageViewer(nullptr)) {
        form->SetBounds(0, 0, 640, 480);
        viewer->SetParent(form.get());
        viewer->SetBounds(0, 0, 420, 300);
        viewer->DefFontName = "Arial";
        viewer->PaintPanelControl()->HandleNeeded();
    }
    void Load(const std::string& utf8) {
        viewer->LoadFromString(Page(utf8), "");
        viewer->SetSelStart(0);
    }
    int SelFirst() const { return viewer->Document()->SelFirstPos; }
    int SelEnd() const { return viewer->Document()->SelEndPos; }

    owned_ptr<TForm> form;
    owned_ptr<TPageViewer> viewer;
};

// 40 characters of text; the document ends at position 40.
const std::string kDigits = "<p>0123456789012345678901234567890123456789</p>";

TEST_F(ViewerSelectTest, SelectionStaysInsideTheDocument) {
    Load(kDigits);
    ASSERT_EQ((viewer->SelectAll(), SelEnd()), 40) << "the document's end";

    const struct {
        int caret, length;
        int first, end, signedLength;
    } cases[] = {
        {20, -5, 15, 20, -5},     // the caret stands at the end
        {20, 5, 20, 25, 5},       // and at the start
        {20, 0, 20, 20, 0},       // empty at the caret
        {3, -10, 0, 3, -3},       // not before the document's start
        {20, 1000, 20, 40, 20},   // nor past its end
        {20, INT_MAX, 20, 40, 20},
        {20, INT_MIN, 0, 20, -20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.caret << " " << c.length);
        viewer->SetSelStart(c.caret);
        viewer->SetSelLength(c.length);
        EXPECT_EQ(SelFirst(), c.first);
        EXPECT_EQ(SelEnd(), c.end);
        EXPECT_EQ(viewer->GetSelLength(), c.signedLength);
        EXPECT_EQ(viewer->SelStart(), c.caret);
    }

    // A negative start empties the selection at the caret and keeps the caret.
    viewer->SetSelStart(7);
    viewer->SetSelLength(4);
    viewer->SetSelStart(-5);
    EXPECT_EQ(viewer->SelStart(), 7);
    EXPECT_EQ(SelFirst(), 7);
    EXPECT_EQ(SelEnd(), 7);
    viewer->SetSelStart(500);
    EXPECT_EQ(viewer->SelStart(), 40);
    viewer->SetCaretPos(-3);
    EXPECT_EQ(viewer->CaretPos(), 40) << "a negative caret is ignored";

    // With NoSelect on there is no selection, and SelectAll makes none.
    viewer->SetNoSelect(true);
    viewer->SelectAll();
    EXPECT_EQ(SelFirst(), -1);
    EXPECT_EQ(SelEnd(), -1);
    EXPECT_EQ(viewer->GetSelText(), L"");
}

TEST_F(ViewerSelectTest, CopyGivesTheExactTextOfEveryKindOfContent) {
    Load("<p>Первый абзац — «тест».</p>"
         "<p>Строка<br>после разрыва</p>"
         "<ul><li>Пункт один<li>Пункт два</ul>"
         "<table border=1><tr><td>Ячейка А</td><td>Ячейка Б</td></tr></table>"
         "<p>Картинка <img src=\"absent.gif\" width=20 height=20> здесь</p>"
         "<form><p>Поле <input name=q value=abc> конец</p></form>"
         "<p>Ёлка и ёж</p>");
    PutOnClipboard(L"before");
    viewer->SelectAll();
    viewer->CopyToClipboard();
    const std::wstring copied = ClipboardText();
    const std::wstring text = viewer->GetSelText();
    EXPECT_EQ(copied, text);
    for (wchar_t code : {L'\x02', L'\x04', L'\x08'}) EXPECT_EQ(copied.find(code), std::wstring::npos) << int(code);
    // A paragraph ends with an empty line, a forced break, a list item and a
    // table cell with one line end; the image and the control leave nothing.
    EXPECT_EQ(copied, Utf8ToWide("Первый абзац — «тест».\r\n\r\n"
                                 "Строка\r\nпосле разрыва\r\n\r\n"
                                 "Пункт один\r\nПункт два\r\n"
                                 "Ячейка А\r\nЯчейка Б\r\n"
                                 "Картинка  здесь\r\n\r\n"
                                 "Поле  конец\r\n\r\n"
                                 "Ёлка и ёж"));

    // Without a selection the clipboard keeps what it had.
    PutOnClipboard(L"kept");
    viewer->SetSelStart(3);
    viewer->CopyToClipboard();
    EXPECT_EQ(ClipboardText(), L"kept");
    EXPECT_EQ(viewer->GetSelText(), L"");
}

TEST_F(ViewerSelectTest, SelTextIsExactlyWhatWasCopied) {
    // Two breaks in a row: the second stays in the text as code 8, which the
    // count takes in and the copy leaves out.
    Load("<p>ab<br><br>cd</p>");
    viewer->SelectAll();
    EXPECT_EQ(viewer->Document()->GetSelLength(), 9);
    const std::wstring text = viewer->GetSelText();
    EXPECT_EQ(text, L"ab\r\n\r\ncd") << "no trailing zero";
    viewer->CopyToClipboard();
    EXPECT_EQ(ClipboardText(), text);

    wchar_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(viewer->GetSelTextBuf(buffer, 16), static_cast<int>(text.size()) + 1);
    EXPECT_EQ(std::wstring(buffer), text);
    wchar_t small[3] = {L'#', L'#', L'#'};
    EXPECT_EQ(viewer->GetSelTextBuf(small, 3), 3);
    EXPECT_EQ(std::wstring(small), L"ab");
    EXPECT_EQ(viewer->GetSelTextBuf(small, 0), 0);
    EXPECT_EQ(viewer->GetSelTextBuf(nullptr, 10), 0);
}

std::string ManyLines(int count, const std::string& word) {
    std::string html;
    for (int i = 0; i < count; ++i) html += "<p>Строка " + std::to_string(i) + " " + word + "</p>";
    return html;
}

TEST_F(ViewerSelectTest, FindWalksThroughEveryHitBothWays) {
    Load(ManyLines(30, "ёлка") + "<p>ЁЛКА в конце</p>");
    const std::wstring sought = Utf8ToWide("Ёлка");
    std::vector<int> forward;
    while (viewer->FindEx(sought, false, false)) {
        forward.push_back(SelFirst());
        ASSERT_EQ(SelEnd() - SelFirst(), 4);
        EXPECT_EQ(viewer->SelStart(), SelEnd()) << "the caret after the hit";
        ASSERT_LT(forward.size(), 100u);
    }
    ASSERT_EQ(forward.size(), 31u) << "Ё and ё fold together, whatever the case";
    EXPECT_EQ(viewer->GetSelText(), Utf8ToWide("ЁЛКА"));

    std::vector<int> backward;
    while (viewer->FindEx(sought, false, true)) {
        backward.push_back(SelFirst());
        EXPECT_EQ(viewer->SelStart(), SelFirst()) << "the caret before the hit";
        ASSERT_LT(backward.size(), 100u);
    }
    std::vector<int> expected(forward.rbegin(), forward.rend());
    EXPECT_EQ(backward, expected);

    // Matching case finds only the exact spelling.
    viewer->SetSelStart(0);
    EXPECT_TRUE(viewer->Find(Utf8ToWide("ЁЛКА"), true));
    EXPECT_EQ(SelFirst(), forward.back());
    viewer->SetSelStart(0);
    EXPECT_FALSE(viewer->Find(sought, true));
}

TEST_F(ViewerSelectTest, FindWithoutAHitChangesNothing) {
    Load(ManyLines(60, "слово"));
    viewer->SetScrollPos(100);
    viewer->SetSelStart(50);
    viewer->SetSelLength(3);
    for (const std::wstring& sought : {std::wstring(), std::wstring(L"absent"), Utf8ToWide("слово!")})
        for (bool reverse : {false, true}) {
            EXPECT_FALSE(viewer->FindEx(sought, false, reverse));
            EXPECT_EQ(SelFirst(), 50);
            EXPECT_EQ(SelEnd(), 53);
            EXPECT_EQ(viewer->SelStart(), 50);
            EXPECT_EQ(viewer->GetScrollPos(), 100);
        }
    // A caret left past the end reads nothing beyond the document.
    viewer->SetCaretPos(1000000);
    EXPECT_FALSE(viewer->FindEx(L"absent", false, false));
    EXPECT_TRUE(viewer->FindEx(Utf8ToWide("слово"), false, true));
}

TEST_F(ViewerSelectTest, FindScrollsAHitIntoTheMiddle) {
    Load(ManyLines(100, "") + "<p>цель</p>" + ManyLines(100, ""));
    ASSERT_EQ(viewer->GetScrollPos(), 0);
    ASSERT_TRUE(viewer->Find(Utf8ToWide("цель"), false));
    // The hit's line, asked inside the hit: its first position also ends the
    // line above.
    int x = 0, y = 0;
    ASSERT_TRUE(viewer->DisplayPosToXy(SelFirst() + 1, x, y));
    EXPECT_GT(y, viewer->ClientHeight());
    EXPECT_EQ(viewer->GetScrollPos(), y - viewer->ClientHeight() / 2);

    // A hit already in view does not move the page.
    const int shown = viewer->GetScrollPos();
    viewer->SetSelStart(SelFirst() - 12);
    ASSERT_TRUE(viewer->Find(Utf8ToWide("Строка"), false));
    EXPECT_EQ(viewer->GetScrollPos(), shown);
    EXPECT_EQ(viewer->GetHScrollPos(), 0);
}

TEST_F(ViewerSelectTest, FindScrollsSidewaysToAHitRightOfAWideTable) {
    Load("<table width=2000><tr><td width=1900>left</td><td>правее</td></tr></table>");
    ASSERT_TRUE(viewer->HScrollBarVisible());
    ASSERT_TRUE(viewer->Find(Utf8ToWide("правее"), false));
    int x = 0, y = 0;
    ASSERT_TRUE(viewer->DisplayPosToXy(SelFirst() + 1, x, y));
    EXPECT_GT(x, 1800) << "the second cell, not the end of the first";
    const int left = viewer->GetHScrollPos();
    EXPECT_GT(left, 0);
    EXPECT_GE(x, left);
    EXPECT_LT(x, left + viewer->ClientWidth()) << "the hit is in view";

    // Back to the first cell: the view goes back to the left.
    viewer->SetSelStart(0);
    ASSERT_TRUE(viewer->Find(L"left", false));
    EXPECT_EQ(viewer->GetHScrollPos(), 0);
}

// A result list that tells when it is freed.
class TCountedList : public TStringList {
public:
    explicit TCountedList(int& freed) : FFreed(freed) {}
    ~TCountedList() override { ++FFreed; }

private:
    int& FFreed;
};

struct TDelivery {
    std::string Action, Target, EncType, Method;
    std::unique_ptr<TStringList> Results;
};

TEST_F(ViewerSelectTest, FormResultsAreHandedOverOnce) {
    int freed = 0;
    std::vector<TDelivery> delivered;
    auto handler = [&](TObject* sender, const std::string& action, const std::string& target,
                       const std::string& encType, const std::string& method, std::unique_ptr<TStringList> results) {
        EXPECT_EQ(sender, viewer.get());
        delivered.push_back({action, target, encType, method, std::move(results)});
    };
    auto results = [&](const char* line) {
        auto list = std::make_unique<TCountedList>(freed);
        list->Add(line);
        return list;
    };

    // Without a handler nothing is kept and nothing comes.
    viewer->SubmitForm(nullptr, "a.htm", "", "", "Get", results("q=1"));
    EXPECT_EQ(freed, 1);
    Application->ProcessMessages();
    EXPECT_TRUE(delivered.empty());

    // Delivery comes after the current message, and the handler owns the list.
    viewer->SetOnFormSubmit(handler);
    viewer->SubmitForm(nullptr, "find.htm", "_top", "text/plain", "Post", results("q=abc"));
    EXPECT_TRUE(delivered.empty());
    Application->ProcessMessages();
    ASSERT_EQ(delivered.size(), 1u);
    const TDelivery& d = delivered[0];
    EXPECT_EQ(d.Action + "|" + d.Target + "|" + d.EncType + "|" + d.Method, "find.htm|_top|text/plain|Post");
    EXPECT_EQ(d.Results->Get(0), "q=abc");
    EXPECT_EQ(freed, 1) << "the handler keeps it";
    delivered.clear();
    EXPECT_EQ(freed, 2);

    // A second submission before delivery replaces the first, which is freed.
    viewer->SubmitForm(nullptr, "one.htm", "", "", "Get", results("n=1"));
    viewer->SubmitForm(nullptr, "two.htm", "", "", "Get", results("n=2"));
    EXPECT_EQ(freed, 3);
    Application->ProcessMessages();
    ASSERT_EQ(delivered.size(), 1u) << "two posts, one delivery";
    EXPECT_EQ(delivered[0].Action, "two.htm");
    delivered.clear();

    // A post with nothing pending does nothing.
    PostMessageW(viewer->Handle(), WM_USER + 100, 0, 0);
    Application->ProcessMessages();
    EXPECT_TRUE(delivered.empty());

    // A handler removed before delivery: the list is freed, not delivered.
    viewer->SubmitForm(nullptr, "three.htm", "", "", "Get", results("n=3"));
    viewer->SetOnFormSubmit(nullptr);
    Application->ProcessMessages();
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(freed, 5);

    // The viewer frees a list still pending when it goes.
    viewer->SetOnFormSubmit(handler);
    viewer->SubmitForm(nullptr, "four.htm", "", "", "Get", results("n=4"));
    viewer.reset();
    EXPECT_EQ(freed, 6);
    Application->ProcessMessages();
    EXPECT_TRUE(delivered.empty());
}

const std::string kFormPage =
    "<form action=find.htm method=post>"
    "<input type=radio name=r value=a checked><input type=radio name=r value=b>"
    "<input type=checkbox name=c value=yes>"
    "<input name=q value=abc id=query>"
    "<input type=submit name=go value=Search></form>";

std::vector<std::string> SavedLines(TFreeList* data, int form) {
    std::vector<std::string> lines;
    auto* list = dynamic_cast<TStrings*>(data->Items(form));
    for (int i = 0; list && i < list->Count(); ++i) lines.push_back(list->Get(i));
    return lines;
}

template <class T>
T* FindControl(TPageViewer* viewer, const std::string& name, const std::string& value = "") {
    for (TFormControlObj* c : viewer->GetFormControlList())
        if (c->CtrlName == name && (value.empty() || c->ValueAttr == value))
            if (auto* found = dynamic_cast<T*>(c)) return found;
    return nullptr;
}

TEST_F(ViewerSelectTest, FormDataComesBackWithoutClicks) {
    Load(kFormPage);
    std::unique_ptr<TFreeList> saved = viewer->GetFormData();
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->Count(), 1);
    const std::vector<std::string> original{"r=a", "q=abc"};
    EXPECT_EQ(SavedLines(saved.get(), 0), original);

    auto* radioB = FindControl<TRadioButtonFormControlObj>(viewer.get(), "r", "b");
    auto* check = FindControl<TCheckBoxFormControlObj>(viewer.get(), "c");
    auto* edit = FindControl<TEditFormControlObj>(viewer.get(), "q");
    ASSERT_TRUE(radioB && check && edit);
    radioB->SetChecked(true);
    check->SetChecked(true);
    edit->SetText(L"xyz");
    std::unique_ptr<TFreeList> changed = viewer->GetFormData();
    EXPECT_EQ(SavedLines(changed.get(), 0), (std::vector<std::string>{"r=b", "c=yes", "q=xyz"}));

    int clicks = 0;
    viewer->Document()->ObjectClickHandler = [&](TObject*, const std::string&) { ++clicks; };
    viewer->SetFormData(saved.get());
    EXPECT_EQ(clicks, 0) << "restoring is not clicking";
    EXPECT_EQ(SavedLines(viewer->GetFormData().get(), 0), original);
    EXPECT_EQ(saved->Count(), 1) << "the list stays the caller's";
    ASSERT_TRUE(viewer->Document()->ObjectClickHandler) << "the handler is put back";
    radioB->FormControlClick();
    EXPECT_EQ(clicks, 1);

    viewer->SetFormData(nullptr);
    viewer->LoadFromString("<p>no forms</p>", "");
    EXPECT_EQ(viewer->GetFormData(), nullptr);
    viewer->SetFormData(saved.get());  // more saved forms than the page has
}

TEST_F(ViewerSelectTest, FormSubmitGoesToTheHostAfterTheClick) {
    Load(kFormPage);
    ASSERT_EQ(viewer->Document()->DocForms.size(), 1u);
    ThtmlForm* form1 = viewer->Document()->DocForms[0].get();
    std::vector<std::string> lines;
    std::string action, method;
    int calls = 0;
    viewer->SetOnFormSubmit([&](TObject*, const std::string& a, const std::string&, const std::string&,
                                const std::string& m, std::unique_ptr<TStringList> results) {
        ++calls;
        action = a;
        method = m;
        for (int i = 0; i < results->Count(); ++i) lines.push_back(results->Get(i));
    });
    form1->SubmitTheForm("go=Search");
    EXPECT_EQ(calls, 0);
    Application->ProcessMessages();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(action, "find.htm");
    EXPECT_TRUE(SameText(method, "post"));
    EXPECT_EQ(lines, (std::vector<std::string>{"r=a", "q=abc", "go=Search"}));

    // Without a host handler a submit does nothing.
    viewer->SetOnFormSubmit(nullptr);
    form1->SubmitTheForm("go=Search");
    Application->ProcessMessages();
    EXPECT_EQ(calls, 1);
}

TEST_F(ViewerSelectTest, FocusBringsControlsAndLinksIntoView) {
    Load(ManyLines(80, "") + "<form><input name=distant id=distant></form>" + ManyLines(80, "") +
         "<p><a href=\"x.htm\">ссылка</a></p>");
    const int height = viewer->ClientHeight();
    auto* distant = FindControl<TFormControlObj>(viewer.get(), "distant");
    ASSERT_TRUE(distant);
    EXPECT_EQ(viewer->GetIDControl("DISTANT"), distant->GetControl());
    EXPECT_NE(viewer->GetIDControl("distant"), nullptr);
    EXPECT_EQ(viewer->GetIDControl("absent"), nullptr);

    // A control below the view comes to mid-height; one in view stays.
    const int y = distant->GetYPosition();
    ASSERT_GT(y, height);
    viewer->FormControlEnterEvent(distant);
    EXPECT_EQ(viewer->GetScrollPos(), y - height / 2);
    viewer->SetScrollPos(y - 40);
    viewer->FormControlEnterEvent(distant);
    EXPECT_EQ(viewer->GetScrollPos(), y - 40);
    viewer->SetScrollPos(y + 1);
    viewer->FormControlEnterEvent(distant);
    EXPECT_EQ(viewer->GetScrollPos(), y - height / 2) << "one just above the view too";

    // A link above the view comes to the top, one below to mid-height.
    ASSERT_FALSE(viewer->GetLinkList().empty());
    TFontObj* link = viewer->GetLinkList().front();
    const struct {
        int scroll, linkY, expected;
    } links[] = {{600, 100, 100},
                 {600, 600 + height - 31, 600},
                 {100, 100 + height - 29, 100 + height - 29 - height / 2}};
    for (const auto& c : links) {
        viewer->SetScrollPos(c.scroll);
        link->SetLinkY(c.linkY);
        viewer->FormControlEnterEvent(link);
        EXPECT_EQ(viewer->GetScrollPos(), c.expected) << c.linkY;
    }
    viewer->SetScrollPos(300);
    viewer->FormControlEnterEvent(viewer.get());
    viewer->FormControlEnterEvent(nullptr);
    EXPECT_EQ(viewer->GetScrollPos(), 300) << "any other sender moves nothing";
}

TEST_F(ViewerSelectTest, HiddenBlockLeavesTheLayout) {
    Load("<p>Перед</p><div id=box><p>Скрытый текст</p><p>ещё</p></div><p>После</p>");
    const int height = viewer->DocumentHeight();
    EXPECT_TRUE(viewer->GetIDDisplay("box"));
    EXPECT_TRUE(viewer->GetIDDisplay("BOX")) << "names do not depend on case";
    EXPECT_FALSE(viewer->GetIDDisplay("absent"));

    viewer->SetIDDisplay("box", false);
    EXPECT_FALSE(viewer->GetIDDisplay("box"));
    EXPECT_EQ(viewer->DocumentHeight(), height) << "nothing moves until the host lays out";
    viewer->Reformat();
    EXPECT_LT(viewer->DocumentHeight(), height);

    viewer->SetIDDisplay("box", true);
    viewer->Reformat();
    EXPECT_TRUE(viewer->GetIDDisplay("box"));
    EXPECT_EQ(viewer->DocumentHeight(), height);
    viewer->SetIDDisplay("absent", false);  // nothing to hide
}

TEST_F(ViewerSelectTest, FileNamesAreExpandedByKind) {
    testing_support::TempWorkDir dir;
    std::string cwd = GetCurrentDir();
    if (cwd.back() != '\\') cwd += '\\';
    const std::string drive = cwd.substr(0, 2);
    struct {
        const char* name;
        std::string expected;
    } const withoutFile[] = {
        {"http://x/y.htm", "http://x/y.htm"},
        {"HTTP://x/y.htm#top", "HTTP://x/y.htm#top"},
        {"file:///C|/dir/a%20b.htm", "C:\\dir\\a b.htm"},
        {"FILE:///C|/dir/b.htm", "C:\\dir\\b.htm"},
        {"page.htm", cwd + "page.htm"},
        {"  sub/page.htm ", cwd + "sub\\page.htm"},
        {"\\top\\page.htm", drive + "\\top\\page.htm"},
        {"D:\\x\\y.htm", "D:\\x\\y.htm"},
        {"\\\\server\\share\\y.htm", "\\\\server\\share\\y.htm"},
    };
    for (const auto& c : withoutFile) EXPECT_EQ(viewer->HTMLExpandFilename(c.name), c.expected) << c.name;
    // A server root stands for the top of names that start with "\".
    viewer->SetServerRoot("C:\\site\\");
    EXPECT_EQ(viewer->HTMLExpandFilename("/top/page.htm"), "C:\\site\\top\\page.htm");
    viewer->SetServerRoot("");

    // Relative names come from the current file's folder.
    ASSERT_TRUE(CreateDirectoryW(L"docs", nullptr));
    testing_support::WriteFileBytes("docs\\page.htm", "<p>x</p>");
    viewer->LoadFromFile("docs\\page.htm");
    EXPECT_EQ(viewer->HTMLExpandFilename("pic.gif"), cwd + "docs\\pic.gif");
    EXPECT_EQ(viewer->HTMLExpandFilename("../up.htm"), cwd + "up.htm");

    // A BASE takes the folder's place; the base "DosPath" leaves names alone.
    viewer->LoadFromString("<base href=\"file:///C|/other/index.htm\"><p>x</p>", "");
    EXPECT_EQ(viewer->HTMLExpandFilename("sub/a.htm"), "C:\\other\\sub\\a.htm");
    viewer->LoadFromString("<base href=\"dospath\"><p>x</p>", "");
    EXPECT_EQ(viewer->HTMLExpandFilename("sub\\a.htm"), "sub\\a.htm");
}

}  // namespace
