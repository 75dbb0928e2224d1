// Form controls as real windows on the viewer's paint panel: how many there
// are across loads, their sizes, the keys they answer, the tab order, where
// they stand while scrolling, and their printed look.
#include <gtest/gtest.h>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/gdi_handles.h"
#include "framework/stdctrls.h"
#include "framework/win.h"
#include "framework/small_heap.h"
#include "html/form_controls.h"
#include "html/html_parser.h"
#include "html/image_obj.h"
#include "html/text_measure.h"
#include "viewer/page_viewer.h"

namespace {

using Strings = std::vector<std::string>;

const std::string kForm =
    "<FORM ACTION=go>"
    "<P>Name <INPUT NAME=q VALUE=abc> Pass <INPUT TYPE=password NAME=p>"
    "<P><INPUT TYPE=checkbox NAME=c CHECKED> <INPUT TYPE=radio NAME=r VALUE=1 CHECKED>"
    "<INPUT TYPE=radio NAME=r VALUE=2><INPUT TYPE=radio NAME=r VALUE=3>"
    "<P><SELECT NAME=s><OPTION>one<OPTION SELECTED>two</SELECT>"
    "<SELECT NAME=l SIZE=3 MULTIPLE><OPTION>a<OPTION>b</SELECT>"
    "<P><TEXTAREA NAME=t ROWS=3 COLS=20>line</TEXTAREA>"
    "<P><INPUT TYPE=submit NAME=go VALUE=Search><INPUT TYPE=reset><INPUT TYPE=hidden NAME=h VALUE=x>"
    "</FORM>";
constexpr int kWindowsInForm = 11;  // every control but the hidden one

int ChildWindows(HWND parent) {
    int n = 0;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) ++n;
    return n;
}

class FormWindowsTest : public ::testing::Test {
protected:
    FormWindowsTest() : form(new TForm(nullptr)), viewer(new TPageViewer(nullptr)) {
        form->SetBounds(0, 0, 640, 480);
        viewer->SetParent(form.get());
        viewer->SetBounds(0, 0, 600, 400);
        viewer->DefFontName = "Arial";
        viewer->PaintPanelControl()->HandleNeeded();
    }
    void Load(const std::string& html) {
        viewer->LoadFromString(html, "");
        Paint();
        TSectionList* doc = viewer->Document();
        doc->FormSubmitHandler = [this](const std::string&, const std::string&, const std::string&,
                                        const std::string&, const Strings& results) { submitted = results; };
    }
    void Paint() {
        TPaintPanel* panel = viewer->PaintPanelControl();
        owned_ptr<TBitmap> bitmap(new TBitmap);
        bitmap->SetPixelFormat(pf24bit);
        bitmap->SetSize(panel->Width(), panel->Height());
        panel->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(bitmap->Canvas()->Handle()));
    }
    std::vector<TFormControlObj*>& Controls() { return viewer->Document()->AllFormControls; }
    template <class T>
    T* Control(size_t i) {
        return dynamic_cast<T*>(Controls().at(i));
    }
    HWND Panel() { return viewer->PaintPanelControl()->Handle(); }

    owned_ptr<TForm> form;
    owned_ptr<TPageViewer> viewer;
    Strings submitted;
};

TEST_F(FormWindowsTest, EveryShownControlIsOneChildOfThePanelAndLoadsDoNotGrowThem) {
    Load(kForm);
    EXPECT_EQ(ChildWindows(Panel()), kWindowsInForm);
    for (TFormControlObj* c : Controls()) {
        if (!c->GetControl()) continue;
        EXPECT_EQ(GetParent(c->GetControl()->Handle()), Panel());
    }
    viewer->Clear();
    EXPECT_EQ(ChildWindows(Panel()), 0);
    Load(kForm);
    const int windows = GuiResourceCount(TGuiResource::Window);
    const int fonts = GuiResourceCount(TGuiResource::Font);
    for (int i = 0; i < 50; ++i) Load(kForm);
    EXPECT_EQ(ChildWindows(Panel()), kWindowsInForm);
    EXPECT_EQ(GuiResourceCount(TGuiResource::Window), windows);
    EXPECT_EQ(GuiResourceCount(TGuiResource::Font), fonts);  // controls take the shared fonts
    for (int i = 0; i < 100; ++i) Paint();
    EXPECT_EQ(GuiResourceCount(TGuiResource::Font), fonts);
}

TEST_F(FormWindowsTest, ListBoxesShowTheirRows) {
    struct Case {
        int options;
        const char* size;
        int rows;
    } cases[] = {{12, "", 8}, {3, "", 3}, {0, "", 1}, {2, " SIZE=4", 4}};
    for (const Case& c : cases) {
        std::string html = std::string("<SELECT MULTIPLE") + c.size + ">";
        for (int i = 0; i < c.options; ++i) html += "<OPTION>item " + std::to_string(i);
        Load(html + "</SELECT>");
        auto* list = Control<TListBoxFormControlObj>(0);
        ASSERT_TRUE(list && list->GetControl());
        TTextMeasurer& m = ScreenMeasurer();
        const int line = m.Metrics(m.Font(list->Font)).Height;
        RECT client{};
        GetClientRect(list->GetControl()->Handle(), &client);
        EXPECT_EQ(client.bottom, c.rows * line) << c.options << c.size;
    }
}

// The windows show the characters of a UTF-8 page that code page 1251 has
// not, and keep them when a window is made anew.
TEST_F(FormWindowsTest, WindowsShowEveryCharacterOfThePage) {
    const std::string cafe = "caf\xC3\xA9";
    Load("\xEF\xBB\xBF<input name=q value=\"" + cafe + "\"><textarea name=t>" + cafe +
         "</textarea><input type=submit value=\"" + cafe + "\"><select name=s><option>x<option selected>" + cafe +
         "</select><select name=l multiple size=2><option>" + cafe + "<option selected>y</select>");
    auto text = [](TWinControl* w) {
        wchar_t buffer[64] = {};
        GetWindowTextW(w->Handle(), buffer, 64);
        return std::wstring(buffer);
    };
    auto item = [](TWinControl* w, bool list, int i) {
        wchar_t buffer[64] = {};
        SendMessageW(w->Handle(), list ? LB_GETTEXT : CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(buffer));
        return std::wstring(buffer);
    };
    const std::wstring shown = L"caf\x00E9";
    char enter = 13;
    Control<TEditFormControlObj>(0)->KeyPress(enter);
    EXPECT_EQ(submitted, (Strings{"q=" + cafe, "t=" + cafe, "s=" + cafe, "l=y"}));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(text(Controls().at(i)->GetControl()), shown) << i;
        auto* combo = Control<TComboFormControlObj>(3);
        auto* list = Control<TListBoxFormControlObj>(4);
        ASSERT_TRUE(combo && list);
        EXPECT_EQ(item(combo->GetControl(), false, 1), shown);
        EXPECT_EQ(combo->ItemIndex(), 1);
        EXPECT_EQ(item(list->GetControl(), true, 0), shown);
        if (round == 0) {
            EXPECT_FALSE(list->IsSelected(0));
            EXPECT_TRUE(list->IsSelected(1));
        }
        for (TFormControlObj* c : Controls()) c->GetControl()->RecreateWnd();
    }
}

TEST_F(FormWindowsTest, EnterInAnEditSubmitsAndInATextAreaStartsALine) {
    Load(kForm);
    auto* edit = Control<TEditFormControlObj>(0);
    SendMessageW(edit->GetControl()->Handle(), WM_CHAR, 13, 0);
    EXPECT_EQ(submitted, (Strings{"q=abc", "p=", "c=on", "r=1", "s=two", "t=line", "h=x"}));
    submitted.clear();
    auto* area = Control<TTextAreaFormControlObj>(8);
    ASSERT_NE(area, nullptr);
    HWND memo = area->GetControl()->Handle();
    SendMessageW(memo, EM_SETSEL, 4, 4);
    SendMessageW(memo, WM_CHAR, 13, 0);
    SendMessageW(memo, WM_CHAR, 'x', 0);
    EXPECT_TRUE(submitted.empty());
    EXPECT_EQ(area->GetText(), L"line\r\nx");
}

TEST_F(FormWindowsTest, ArrowKeysMoveWithinTheRadioGroupAndStopAtItsEnds) {
    form->Show();
    Load(kForm);
    HWND radios[3];
    for (size_t i = 0; i < 3; ++i) radios[i] = Control<TRadioButtonFormControlObj>(3 + i)->GetControl()->Handle();
    auto press = [](HWND w, WPARAM key) { SendMessageW(w, WM_KEYDOWN, key, 0); };
    SetFocus(radios[0]);
    press(radios[0], VK_RIGHT);
    EXPECT_EQ(GetFocus(), radios[1]);
    press(radios[1], VK_DOWN);
    EXPECT_EQ(GetFocus(), radios[2]);
    press(radios[2], VK_RIGHT);
    EXPECT_EQ(GetFocus(), radios[2]);  // not past the last
    press(radios[2], VK_UP);
    press(radios[1], VK_LEFT);
    press(radios[0], VK_LEFT);
    EXPECT_EQ(GetFocus(), radios[0]);
    // Only the checked button of the group is a tab stop.
    EXPECT_TRUE(Control<TRadioButtonFormControlObj>(3)->GetControl()->TabStop);
    EXPECT_FALSE(Control<TRadioButtonFormControlObj>(4)->GetControl()->TabStop);
    form->Hide();
}

TEST_F(FormWindowsTest, TabReachesEveryRadioGroupOnceAtItsCheckedOrFirstButton) {
    Load("<FORM><INPUT TYPE=radio NAME=a VALUE=1><INPUT TYPE=radio NAME=A VALUE=2>"
         "<INPUT TYPE=radio NAME=b VALUE=1><INPUT TYPE=radio NAME=b VALUE=2 CHECKED>"
         "<INPUT TYPE=radio VALUE=x><INPUT TYPE=radio VALUE=y><INPUT TYPE=reset></FORM>");
    auto stops = [&] {
        std::vector<bool> v;
        for (size_t i = 0; i < 6; ++i) v.push_back(Control<TRadioButtonFormControlObj>(i)->GetControl()->TabStop);
        return v;
    };
    // Group a has none checked: its first button; b its checked one; each
    // button without a name stands alone.
    EXPECT_EQ(stops(), (std::vector<bool>{true, false, false, true, true, true}));
    // Checking a's second button moves the stop there; a reset brings it back.
    auto* second = Control<TRadioButtonFormControlObj>(1);
    second->SetChecked(true);
    second->RadioClick();
    EXPECT_EQ(stops(), (std::vector<bool>{false, true, false, true, true, true}));
    viewer->Document()->DocForms.at(0)->ResetControls();
    EXPECT_EQ(stops(), (std::vector<bool>{true, false, false, true, true, true}));
}

TEST_F(FormWindowsTest, TheTabKeyReachesARadioGroupWithNothingChecked) {
    form->Show();
    SetForegroundWindow(form->Handle());
    Application->ProcessMessages();
    if (GetForegroundWindow() != form->Handle()) GTEST_SKIP() << "the window is not in the foreground";
    Load("<FORM><INPUT NAME=q><INPUT TYPE=radio NAME=r VALUE=1><INPUT TYPE=radio NAME=r VALUE=2>"
         "<INPUT NAME=after></FORM>");
    HWND edit = Control<TEditFormControlObj>(0)->GetControl()->Handle();
    HWND first = Control<TRadioButtonFormControlObj>(1)->GetControl()->Handle();
    HWND after = Control<TEditFormControlObj>(3)->GetControl()->Handle();
    SetFocus(edit);
    auto tab = [&] {
        keybd_event(VK_TAB, static_cast<BYTE>(MapVirtualKeyW(VK_TAB, MAPVK_VK_TO_VSC)), 0, 0);
        keybd_event(VK_TAB, static_cast<BYTE>(MapVirtualKeyW(VK_TAB, MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP, 0);
        for (int i = 0; i < 10; ++i) {
            Application->ProcessMessages();
            Sleep(10);
        }
    };
    tab();
    EXPECT_EQ(GetFocus(), first);
    tab();  // the group is one stop
    EXPECT_EQ(GetFocus(), after);
    form->Hide();
}

TEST_F(FormWindowsTest, TabIndexOrdersTheControlsBeforeTheRest) {
    Load("<INPUT NAME=a><INPUT NAME=b TABINDEX=3><INPUT NAME=c TABINDEX=1><INPUT NAME=d TABINDEX=3>"
         "<INPUT NAME=e TABINDEX=2>");
    auto order = [&](size_t i) { return Controls().at(i)->GetControl()->TabOrder(); };
    EXPECT_EQ(order(2), 0);  // c
    EXPECT_EQ(order(4), 1);  // e
    EXPECT_EQ(order(1), 2);  // b, then d: the same index keeps the page's order
    EXPECT_EQ(order(3), 3);
    EXPECT_EQ(order(0), 4);  // a, without an index, comes after them
}

TEST_F(FormWindowsTest, ControlsScrolledOutWaitLeftOfTheView) {
    std::string html = "<INPUT NAME=top>";
    for (int i = 0; i < 80; ++i) html += "<P>Line " + std::to_string(i);
    Load(html + "<P><INPUT NAME=bottom>");
    TWinControl* top = Controls().at(0)->GetControl();
    TWinControl* bottom = Controls().at(1)->GetControl();
    EXPECT_GE(top->Left(), 0);
    EXPECT_EQ(bottom->Left(), kOffScreenLeft);
    viewer->ScrollTo(viewer->GetScrollBarRange());
    Paint();
    EXPECT_EQ(top->Left(), kOffScreenLeft);
    EXPECT_GE(bottom->Left(), 0);
    EXPECT_LT(bottom->Top(), viewer->PaintPanelControl()->Height());
}

TEST_F(FormWindowsTest, ARepaintTakesAwayTheControlsOfABlockHiddenSinceTheLastPaint) {
    form->Show();
    // The viewer's window was made while the form was hidden; showing the
    // form does not show it.
    viewer->Hide();
    viewer->Show();
    Load("<INPUT NAME=kept><DIV ID=box><INPUT NAME=gone></DIV>");
    TWinControl* kept = Controls().at(0)->GetControl();
    TWinControl* gone = Controls().at(1)->GetControl();
    ASSERT_GE(gone->Left(), 0);
    viewer->SetIDDisplay("box", false);
    // As a host holding any control would ask for it.
    static_cast<TControl*>(viewer.get())->Repaint();
    EXPECT_EQ(gone->Left(), kOffScreenLeft);
    EXPECT_GE(kept->Left(), 0);
}

TEST_F(FormWindowsTest, AHitOnAnImageButtonGivesTheControlAndThePoint) {
    form->Show();
    Load("<FORM><INPUT TYPE=image NAME=map SRC=missing.gif WIDTH=60 HEIGHT=40></FORM>");
    auto* map = Control<TImageFormControlObj>(0);
    ASSERT_TRUE(map && map->ImageObj);
    TUrlTarget* target = nullptr;
    TImageFormControlObj* hit = nullptr;
    std::string title;
    const guResultType r = viewer->Document()->GetURL(nullptr, map->ImageObj->PaintX + 12, map->ImageObj->PaintY + 5,
                                                      target, hit, title);
    EXPECT_TRUE(r & guControl);
    ASSERT_EQ(hit, map);
    hit->ImageClick();
    EXPECT_EQ(GetFocus(), map->GetControl()->Handle()) << "the click gives the button the focus";
    ASSERT_EQ(submitted.size(), 2u);
    EXPECT_EQ(submitted[0], "map.x=" + std::to_string(map->LastX));
    EXPECT_NEAR(map->LastX, 12, 2);
    EXPECT_NEAR(map->LastY, 5, 2);
    form->Hide();
}

TEST_F(FormWindowsTest, PrintedImitationsDrawIntoABitmap) {
    Load("<INPUT NAME=q VALUE=WWWWWW><INPUT TYPE=checkbox CHECKED><INPUT TYPE=radio CHECKED>"
         "<SELECT><OPTION>Chosen</SELECT><TEXTAREA>WWW</TEXTAREA><INPUT TYPE=submit VALUE=Send>");
    for (TFormControlObj* c : Controls()) {
        SCOPED_TRACE(typeid(*c).name());
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(c->Width + 4, c->Height + 4);
        TCanvas* canvas = bitmap.Canvas();
        canvas->Brush()->SetColor(clWhite);
        canvas->FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
        c->Draw(canvas, 2, 2);
        int dark = 0;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x) dark += (canvas->Pixels(x, y) & 0xFF) < 0x40;
        EXPECT_GT(dark, 0);
    }
    // A print copy of the page draws the controls too.
    owned_ptr<TBitmap> printed(viewer->MakeBitmap(0, 600, 600, 200));
    ASSERT_NE(printed.get(), nullptr);
    int dark = 0;
    for (int y = 0; y < printed->Height(); ++y)
        for (int x = 0; x < printed->Width(); ++x) dark += (printed->Canvas()->Pixels(x, y) & 0xFF) < 0x40;
    EXPECT_GT(dark, 100);
}

TEST_F(FormWindowsTest, APrintedPushButtonIsAPictureOfItsWindow) {
    Load("<INPUT TYPE=submit VALUE=Send>");
    auto* button = Control<TButtonFormControlObj>(0);
    TWinControl* window = button->Window;
    ASSERT_TRUE(window && window->HandleAllocated());
    // Each printout against a capture of the window: twice at one size (the
    // second from the same picture), then once more after the window grew.
    HBITMAP first = nullptr;
    for (int printout = 0; printout < 3; ++printout) {
        SCOPED_TRACE(printout);
        if (printout == 2) {
            button->Width += 30;
            button->SyncWindowSize();
        }
        TBitmap shot;
        shot.SetPixelFormat(pf24bit);
        shot.SetSize(window->Width(), window->Height());
        ASSERT_TRUE(PrintWindow(window->Handle(), shot.Canvas()->Handle(), 0));
        owned_ptr<TBitmap> printed(viewer->MakeBitmap(0, 600, 600, 200));
        ASSERT_NE(printed.get(), nullptr);
        int differing = 0, varied = 0;
        for (int y = 0; y < shot.Height(); ++y)
            for (int x = 0; x < shot.Width(); ++x) {
                const TColor seen = shot.Canvas()->Pixels(x, y) & 0xFFFFFF;
                differing += (printed->Canvas()->Pixels(window->Left() + x, window->Top() + y) & 0xFFFFFF) != seen;
                varied += seen != (shot.Canvas()->Pixels(shot.Width() / 2, 3) & 0xFFFFFF);
            }
        EXPECT_GT(varied, 0) << "the capture is not blank";
        EXPECT_EQ(differing, 0) << "the face, frame and caption as the window paints them";
        ASSERT_NE(button->PrintImage.get(), nullptr);
        if (printout == 0) first = button->PrintImage.get();
        if (printout == 1) EXPECT_EQ(button->PrintImage.get(), first) << "the window is painted once";
    }
}

}  // namespace

namespace {

// A page of more controls than it may have windows for: the first ones get
// theirs, charged to the document's budget while they live, the rest none,
// and the page is marked cut short (so it carries the note).
TEST_F(FormWindowsTest, APageOfTooManyControlsStopsMakingWindowsAndChargesThose) {
    const size_t outsideBefore = gOutsideHeapBytes.load();
    std::string html;
    for (int i = 0; i < 1010; ++i) html += "<INPUT>";
    Load(html);
    const int windows = ChildWindows(Panel());
    EXPECT_EQ(windows, 1000);
    EXPECT_TRUE(ReaderResults().CutShort);
    const size_t charged = gOutsideHeapBytes.load() - outsideBefore;
    EXPECT_GT(charged, 0u);
    EXPECT_EQ(charged % static_cast<size_t>(windows), 0u);
    viewer->Clear();
    EXPECT_EQ(gOutsideHeapBytes.load(), outsideBefore);
    Load(kForm);
    EXPECT_EQ(ChildWindows(Panel()), kWindowsInForm);
    EXPECT_FALSE(ReaderResults().CutShort);
}

}  // namespace
