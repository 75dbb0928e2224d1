// The viewer under the mouse and the keys: selecting, hovering, following
// links, the visited list, panning and the auto-scroll loop on a clock the
// test drives.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/sysutils.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "html/font_obj.h"
#include "html/text_section.h"
#include "html/image_obj.h"
#include "html/block.h"
#include "html/html_startup.h"
#include "support/test_support.h"
#include "viewer/page_viewer.h"

namespace {

std::string Lines(int count, int first = 1) {
    std::string html;
    for (int i = first; i < first + count; ++i) html += "<p>Line " + std::to_string(i) + "</p>\n";
    return html;
}

// The pointer, the window under it, the time and the wheel as the test sets
// them. Waiting moves the clock on at once (and lets real timers fire).
struct FakePointer {
    TPoint Screen{-100, -100};
    HWND Window = nullptr;
    unsigned Now = 100000;
    int WheelLines = 3;
    int Waits = 0;
    int Ticks = 0;
    HWND Viewer = nullptr;  // told to stop a loop that would never end
    std::function<void()> OnWait;

    FakePointer() {
        TPageViewer::PointerClock.CursorPos = [this] { return Screen; };
        TPageViewer::PointerClock.WindowAt = [this](TPoint) { return Window; };
        TPageViewer::PointerClock.TickCount = [this] {
            if (++Ticks == 20000 && Viewer) PostMessageW(Viewer, WM_CANCELMODE, 0, 0);
            return Now;
        };
        TPageViewer::PointerClock.Wait = [this](unsigned ms) {
            Now += ms;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
            if (++Waits == 500 && Viewer) PostMessageW(Viewer, WM_CANCELMODE, 0, 0);
            if (OnWait) OnWait();
        };
        TPageViewer::PointerClock.WheelLines = [this] { return WheelLines; };
    }
    ~FakePointer() { TPageViewer::ResetPointerClock(); }
    FakePointer(const FakePointer&) = delete;
    FakePointer& operator=(const FakePointer&) = delete;
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class ViewerMouseTest : public ::testing::Test {
protected:
    ViewerMouseTest() : form(new TForm(nullptr)) {
        viewer = new TPageViewer(form.get());
        form->SetBounds(0, 0, 640, 480);
        viewer->SetParent(form.get());
        viewer->SetBounds(0, 0, 420, 300);
        viewer->DefFontName = "Arial";
        form->Show();
        panel = viewer->PaintPanelControl();
        panel->HandleNeeded();
        testing_support::ShownMessageBoxes().clear();
        // The real pointer stays off the form: moves that Windows makes up
        // when windows change under it would reach the pane.
        SetCursorPos(1270, 1010);
    }
    ~ViewerMouseTest() override { ShownMessageBoxesClear(); }
    static void ShownMessageBoxesClear() { testing_support::ShownMessageBoxes().clear(); }

    void Pump() { Application->ProcessMessages(); }

    // Panel coordinates of a document position (its left edge, mid-line).
    TPoint PointOf(int pos) {
        int x = 0, y = 0;
        // The section that holds the character: the one before answers for
        // its own end at the same position.
        wchar_t ch = 0;
        TObject* holder = nullptr;
        auto* section = viewer->Document()->GetChAtPos(pos, ch, holder) ? dynamic_cast<TSectionBase*>(holder) : nullptr;
        EXPECT_NE(section, nullptr) << pos;
        if (section) {
            EXPECT_TRUE(section->CursorToXY(nullptr, pos, x, y));
        }
        return {x - viewer->GetHScrollPos() + 2, y - viewer->GetScrollPos() + 6};
    }
    // Where a string of the page's text starts.
    int PosOf(const std::string& utf8) {
        const int pos = viewer->Document()->FindString(0, Utf8ToWide(utf8), true);
        EXPECT_GE(pos, 0) << utf8;
        return pos;
    }
    void Send(TWinControl* control, unsigned msg, WPARAM w, LPARAM l) { SendMessageW(control->Handle(), msg, w, l); }
    void Click(int x, int y, WPARAM keys = 0) {
        Send(panel, WM_LBUTTONDOWN, MK_LBUTTON | keys, At(x, y));
        Send(panel, WM_LBUTTONUP, keys, At(x, y));
    }
    TPoint ScreenOfViewer(int x, int y) { return viewer->ClientToScreen({x, y}); }
    int SelStart() { return viewer->Document()->SelFirstPos; }
    int SelEnd() { return viewer->Document()->SelEndPos; }

    owned_ptr<TForm> form;
    TPageViewer* viewer;  // the form's
    TPaintPanel* panel;
};

// ---- selection

TEST_F(ViewerMouseTest, DragAndShiftClickSelect) {
    viewer->LoadFromString(Lines(10), "");
    const TPoint a = PointOf(PosOf("Line 2"));
    const TPoint b = PointOf(PosOf("Line 4"));
    Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(a.X, a.Y));
    Send(panel, WM_MOUSEMOVE, MK_LBUTTON, At(b.X, b.Y));
    Send(panel, WM_LBUTTONUP, 0, At(b.X, b.Y));
    EXPECT_EQ(SelStart(), PosOf("Line 2"));
    EXPECT_EQ(SelEnd(), PosOf("Line 4"));
    EXPECT_EQ(GetCapture(), nullptr);

    // A plain click leaves the caret there; Shift+click runs from it.
    Click(a.X, a.Y);
    EXPECT_EQ(SelStart(), SelEnd());
    const TPoint c = PointOf(PosOf("Line 6"));
    Click(c.X, c.Y, MK_SHIFT);
    EXPECT_EQ(SelStart(), PosOf("Line 2"));
    EXPECT_EQ(SelEnd(), PosOf("Line 6"));
    // A Shift+click above the caret selects upwards.
    Click(a.X, a.Y);
    Click(PointOf(PosOf("Line 1")).X, PointOf(PosOf("Line 1")).Y, MK_SHIFT);
    EXPECT_EQ(SelStart(), PosOf("Line 1"));
    EXPECT_EQ(SelEnd(), PosOf("Line 2"));
}

TEST_F(ViewerMouseTest, DoubleClickSelectsOneWord) {
    const std::string page = Utf8ToAnsi(
        "<p>Термин <b>словарь</b>, x1y2 и ещё</p><p><a href=\"#end\">ссылка</a></p><p><a name=end>конец</a>");
    viewer->LoadFromString(page, "");
    int doubles = 0;
    viewer->OnMouseDouble = [&](TObject*, TMouseButton button, TShiftState, int, int) {
        EXPECT_EQ(button, mbLeft);
        ++doubles;
    };
    struct Case {
        const char* click;  // where the double click lands (UTF-8)
        const char* word;   // what it selects; empty: nothing
    } cases[] = {
        {"ермин", "Термин"},   // a Russian word, clicked inside
        {"x1y2", "x1y2"},      // digits and Latin letters belong to the word
        {"щё", "ещё"},         // "ё" is a word character like every code from 192
        {"онец", "конец"},     // the last word of the document
        {"ловарь", "словарь"}, // a word in its own font run
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.click);
        const int pos = PosOf(c.click);
        const TPoint p = PointOf(pos);
        Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(p.X, p.Y));
        Send(panel, WM_LBUTTONUP, 0, At(p.X, p.Y));
        Send(panel, WM_LBUTTONDBLCLK, MK_LBUTTON, At(p.X, p.Y));
        Send(panel, WM_LBUTTONUP, 0, At(p.X, p.Y));
        const std::wstring word = Utf8ToWide(c.word);
        const int start = PosOf(c.word);
        EXPECT_EQ(SelStart(), start);
        EXPECT_EQ(SelEnd(), start + static_cast<int>(word.size()));
        EXPECT_EQ(viewer->CaretPos(), start);
    }
    EXPECT_EQ(doubles, 5);

    // On a link the first click follows it and the double click selects nothing.
    viewer->ScrollTo(0);
    const TPoint link = PointOf(PosOf("ссылка") + 2);
    Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(link.X, link.Y));
    Send(panel, WM_LBUTTONUP, 0, At(link.X, link.Y));
    Send(panel, WM_LBUTTONDBLCLK, MK_LBUTTON, At(link.X, link.Y));
    EXPECT_EQ(SelStart(), SelEnd());
    EXPECT_EQ(doubles, 5);
}

TEST_F(ViewerMouseTest, WordCharactersAndObjectBoundaries) {
    // Each character class against the word rule: the click lands on the
    // first letter of "ab", the neighbour after it decides.
    struct Case {
        const char* html;
        int length;
    } cases[] = {
        {"<p>ab9Z_x</p>", 4},  // '_' ends the word
        {"<p>ab-cd</p>", 2},
        {"<p>abЯя</p>", 4},   // codes 192 and up belong to words
        {"<p>ab°cd</p>", 2},  // codes 128 to 191 do not
        {"<p>ab</p><p>cd</p>", 2},  // never across two text objects
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        viewer->LoadFromString(Utf8ToAnsi(c.html), "");
        const TPoint p = PointOf(0);
        int st = 0, en = 0;
        std::wstring word;
        ASSERT_TRUE(viewer->GetWordAtCursor(p.X, p.Y, st, en, word));
        EXPECT_EQ(static_cast<int>(word.size()), c.length);
        EXPECT_EQ(st, c.length);
        EXPECT_EQ(en, -1);
    }
    int st = 0, en = 0;
    std::wstring word;
    EXPECT_FALSE(viewer->GetWordAtCursor(400, 280, st, en, word));  // below the text
    EXPECT_TRUE(word.empty());
}

// ---- links

class ViewerLinkTest : public ViewerMouseTest {
protected:
    ViewerLinkTest() {
        testing_support::WriteFileBytes("page.htm", "<title>Page</title><p><a href=\"#target\">down</a></p>" +
                                                        Lines(60) + "<p><a name=\"target\">Target</a></p>" +
                                                        Lines(40, 61));
        testing_support::WriteFileBytes("other.htm",
                                        "<title>Other</title>" + Lines(50) + "<p><a name=\"mid\">Mid</a></p>" +
                                            Lines(30, 51));
        testing_support::WriteFileBytes("notes.txt", "plain");
        testing_support::WriteFileBytes("more.htmlx", "<p>more</p>");
        for (const char* picture : {"a.JPG", "b.jpeg", "c.Png"}) testing_support::WriteFileBytes(picture, "not really");
        viewer->HistoryMaxCount = 5;
        viewer->SetHistoryMaxCount(5);
        viewer->LoadFromFile("page.htm");
        viewer->OnParseBegin = [this](TObject*, std::string&) { ++parses; };
    }
    void Follow(const std::string& url) {
        viewer->SetHoverURL(url, "");
        viewer->UrlAction();
    }
    int TargetY() { return viewer->Document()->IDObjects->FindObject("TARGET") ? viewer->GetScrollPos() : -1; }

    testing_support::TempWorkDir dir;
    int parses = 0;
};

TEST_F(ViewerLinkTest, UrlActionByKindOfLink) {
    const std::string page = ExpandFileName("page.htm");
    const std::string other = ExpandFileName("other.htm");
    struct Case {
        const char* url;
        std::string file;       // CurrentFile after
        ThtmlFileType type;
        bool scrolled;          // the view left the top
        int parses;             // pages read
        int history;            // entries added
        std::string visited;    // the front of the visited list ("" : none added)
    } cases[] = {
        {"#TARGET", page, HTMLType, true, 0, 1, page + "#TARGET"},
        {"other.htm#mid", other, HTMLType, true, 1, 1, other + "#mid"},
        {"page.htm", page, HTMLType, false, 0, 0, ""},  // the page on show, no anchor
        {"page.htm#target", page, HTMLType, true, 0, 1, page + "#target"},
        {"notes.txt", page, HTMLType, false, 0, 0, ""},
        {"a.JPG", ExpandFileName("a.JPG"), ImgType, false, 1, 1, ""},
        {"b.jpeg", ExpandFileName("b.jpeg"), ImgType, false, 1, 1, ""},
        {"c.Png", ExpandFileName("c.Png"), ImgType, false, 1, 1, ""},
        // The extension is cut to five characters before it is compared.
        {"more.htmlx", ExpandFileName("more.htmlx"), HTMLType, false, 1, 1, ExpandFileName("more.htmlx")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        viewer->LoadFromFile("page.htm");
        viewer->ScrollTo(0);
        viewer->SetVisitedMaxCount(0);
        viewer->SetVisitedMaxCount(50);
        parses = 0;
        const int history = viewer->HistoryCount();
        Follow(c.url);
        EXPECT_EQ(viewer->CurrentFile(), c.file);
        EXPECT_EQ(viewer->FileType(), c.type);
        EXPECT_EQ(viewer->GetScrollPos() > 0, c.scrolled);
        EXPECT_EQ(parses, c.parses);
        EXPECT_EQ(viewer->HistoryCount() - history, std::min(c.history, 5 - history));
        if (c.visited.empty()) {
            EXPECT_TRUE(viewer->VisitedLinks().empty());
        } else {
            ASSERT_FALSE(viewer->VisitedLinks().empty());
            EXPECT_EQ(viewer->VisitedLinks().front(), c.visited);
        }
    }
}

TEST_F(ViewerLinkTest, AnchorLinkClickScrollsAndTurnsVisited) {
    int covered = 0;
    viewer->OnHotSpotCovered = [&](TObject*, const std::string&) { ++covered; };
    const TPoint link = PointOf(PosOf("down") + 1);
    Send(panel, WM_MOUSEMOVE, 0, At(link.X, link.Y));
    EXPECT_EQ(panel->Cursor(), HandCursor);
    Click(link.X, link.Y);
    EXPECT_GT(viewer->GetScrollPos(), 0);
    EXPECT_EQ(viewer->HistoryCount(), 2);
    const TFontObj* run = viewer->Document()->LinkRuns.at(0);
    EXPECT_TRUE(run->IsVisited);
    EXPECT_EQ(covered, 1);
}

TEST_F(ViewerLinkTest, ClicksOnAPicturesMapAreasFollowTheirLinks) {
    testing_support::WriteFileBytes(
        "map.htm", "<map name=nav><area shape=rect coords=0,0,49,39 href=other.htm title=Other>"
                   "<area shape=circle coords=75,20,15 href=\"#low\"></map>"
                   "<p><img src=none.bmp usemap=#NAV width=100 height=40 border=0></p>" +
                       Lines(60) + "<p><a name=low>Low</a></p>" + Lines(40, 61));
    viewer->LoadFromFile("map.htm");
    UpdateWindow(panel->Handle());
    TImageObj* picture = nullptr;
    std::function<void(TCellBasic&)> find = [&](TCellBasic& cell) {
        for (int i = 0; i < cell.Count() && !picture; ++i) {
            if (auto* s = dynamic_cast<TSection*>(cell.Section(i)); s && s->Images.Count() > 0)
                picture = dynamic_cast<TImageObj*>(s->Images.Obj(0));
            else if (auto* b = dynamic_cast<TBlock*>(cell.Section(i)))
                find(*b->ChildCell);
        }
    };
    find(*viewer->Document());
    ASSERT_NE(picture, nullptr);
    const int x = picture->PaintX, y = picture->PaintY - viewer->GetScrollPos();

    // Between the areas: no link.
    Send(panel, WM_MOUSEMOVE, 0, At(x + 52, y + 2));
    EXPECT_NE(panel->Cursor(), HandCursor);
    // The circle's link is an anchor of the page.
    Send(panel, WM_MOUSEMOVE, 0, At(x + 75, y + 20));
    EXPECT_EQ(panel->Cursor(), HandCursor);
    Click(x + 75, y + 20);
    EXPECT_GT(viewer->GetScrollPos(), 0);
    EXPECT_EQ(viewer->CurrentFile(), ExpandFileName("map.htm"));
    // The rectangle's goes to another page.
    viewer->ScrollTo(0);
    UpdateWindow(panel->Handle());
    Click(x + 10, y + 10);
    EXPECT_EQ(viewer->CurrentFile(), ExpandFileName("other.htm"));
}

TEST_F(ViewerLinkTest, ClickOnLinkWithSelectionDoesNotFollow) {
    const TPoint link = PointOf(PosOf("down") + 1);
    const TPoint below = PointOf(PosOf("Line 2"));
    const int history = viewer->HistoryCount();
    // Selection made by a drag that ends on the link.
    Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(below.X, below.Y));
    Send(panel, WM_MOUSEMOVE, MK_LBUTTON, At(link.X, link.Y));
    Send(panel, WM_LBUTTONUP, 0, At(link.X, link.Y));
    EXPECT_LT(SelStart(), SelEnd());
    EXPECT_EQ(viewer->GetScrollPos(), 0);
    EXPECT_EQ(viewer->HistoryCount(), history);
}

TEST_F(ViewerLinkTest, MissingPageIsReportedAndViewerGoesOn) {
    testing_support::WriteFileBytes("broken.htm", "<p><a href=\"gone.htm\">gone</a></p>" + Lines(3));
    viewer->LoadFromFile("broken.htm");
    const TPoint link = PointOf(PosOf("gone") + 1);
    Click(link.X, link.Y);  // through the window procedure: shown, not thrown
    ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].text.find("Can't locate file: " + ExpandFileName("gone.htm")),
              0u);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(viewer->Processing());
    // The next link works.
    viewer->LoadFromFile("page.htm");
    Click(PointOf(PosOf("down") + 1).X, PointOf(PosOf("down") + 1).Y);
    EXPECT_GT(viewer->GetScrollPos(), 0);
    EXPECT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
}

TEST_F(ViewerLinkTest, EnterOnFocusedLinkFollowsItOtherKeysScroll) {
    testing_support::WriteFileBytes("links.htm", "<p><a href=\"other.htm\">to other</a></p>" + Lines(60));
    viewer->LoadFromFile("links.htm");
    TWinControl* stop = nullptr;
    for (int i = 0; i < panel->ControlCount(); ++i)
        if (auto* w = dynamic_cast<TWinControl*>(panel->Controls(i)); w && w->Left() == -4000) stop = w;
    ASSERT_NE(stop, nullptr);
    stop->SetFocus();
    Pump();
    EXPECT_TRUE(viewer->Document()->LinkRuns.at(0)->Focused);
    EXPECT_EQ(SendMessageW(stop->Handle(), WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    Send(stop, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(viewer->GetScrollPos(), 16);
    Send(stop, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(viewer->CurrentFile(), ExpandFileName("links.htm"));  // after the key's message
    Pump();
    EXPECT_EQ(viewer->CurrentFile(), ExpandFileName("other.htm"));
    // The focused window went with its page: the viewer holds the focus now.
    EXPECT_EQ(form->ActiveControl(), viewer);
    EXPECT_EQ(GetFocus(), viewer->Handle());
}

TEST_F(ViewerLinkTest, ClickedLinkTakesFocusWithoutScrollingAndLoadsSafely) {
    std::string html;
    for (int i = 0; i < 40; ++i) html += "<p><a href=\"other.htm\">link " + std::to_string(100 + i) + "</a></p>";
    testing_support::WriteFileBytes("links.htm", html);
    viewer->LoadFromFile("links.htm");
    // The lowest link still on show: focus arriving there by the keyboard
    // would scroll it up.
    int chosen = -1;
    for (int i = 0; i < 40; ++i)
        if (PointOf(PosOf("link " + std::to_string(100 + i))).Y < panel->Height() - 8) chosen = i;
    ASSERT_GT(chosen, 0);
    const TPoint link = PointOf(PosOf("link " + std::to_string(100 + chosen)) + 1);
    bool handled = true;
    viewer->OnHotSpotClick = [&](TObject*, const std::string&, bool& h) { h = handled; };
    Click(link.X, link.Y);
    EXPECT_EQ(viewer->GetScrollPos(), 0);
    EXPECT_TRUE(viewer->Document()->LinkRuns.at(static_cast<size_t>(chosen))->Focused);

    // Followed, the page that comes takes the focused window with it.
    handled = false;
    Click(link.X, link.Y);
    EXPECT_EQ(viewer->CurrentFile(), ExpandFileName("other.htm"));
    EXPECT_EQ(form->ActiveControl(), viewer);
    EXPECT_EQ(GetFocus(), viewer->Handle());
}

TEST_F(ViewerMouseTest, HitTestsFollowTheSidewaysScroll) {
    viewer->LoadFromString("<pre>" + std::string(200, '-') + " rightword " + std::string(100, '-') + "</pre>" + Lines(20),
                           "");
    int x = 0, y = 0;
    ASSERT_TRUE(viewer->Document()->CursorToXY(nullptr, PosOf("rightword"), x, y));
    viewer->SetHScrollPos(x - 100);
    ASSERT_EQ(viewer->GetHScrollPos(), x - 100);
    const TPoint p = PointOf(PosOf("rightword") + 2);
    ASSERT_GT(p.X, 0);
    ASSERT_LT(p.X, panel->Width());
    Send(panel, WM_LBUTTONDBLCLK, MK_LBUTTON, At(p.X, p.Y));
    EXPECT_EQ(SelStart(), PosOf("rightword"));
    EXPECT_EQ(SelEnd(), PosOf("rightword") + 9);
}

// A graphic control whose button-up handler raises still gives the mouse back.
TEST_F(ViewerMouseTest, CaptureIsReleasedWhenAMouseUpHandlerRaises) {
    auto* spot = new TGraphicControl(form.get());
    spot->SetParent(form.get());
    spot->SetBounds(500, 10, 50, 50);
    spot->OnMouseUp = [](TObject*, TMouseButton, TShiftState, int, int) { throw std::runtime_error("up"); };
    SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(510, 20));
    EXPECT_EQ(GetCapture(), form->Handle());
    SendMessageW(form->Handle(), WM_LBUTTONUP, 0, At(510, 20));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(testing_support::ShownMessageBoxes().size(), 1u);

    // The viewer's pane too.
    viewer->LoadFromString(Lines(5), "");
    viewer->OnMouseUp = [](TObject*, TMouseButton, TShiftState, int, int) { throw std::runtime_error("up"); };
    Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    EXPECT_EQ(GetCapture(), panel->Handle());
    Send(panel, WM_LBUTTONUP, 0, At(20, 20));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(testing_support::ShownMessageBoxes().size(), 2u);
}

// ---- visited links

TEST_F(ViewerLinkTest, VisitedListOrderCapAndCase) {
    viewer->SetVisitedMaxCount(3);
    const std::string page = ExpandFileName("page.htm");
    for (const char* link : {"a", "b", "c"}) viewer->AddVisitedLink(link);
    viewer->AddVisitedLink("A");  // case ignored: the entry moves to the front
    EXPECT_EQ(viewer->VisitedLinks(), (std::vector<std::string>{"A", "c", "b"}));
    viewer->AddVisitedLink("a");  // already in front: nothing
    EXPECT_EQ(viewer->VisitedLinks(), (std::vector<std::string>{"A", "c", "b"}));
    viewer->AddVisitedLink("d");
    EXPECT_EQ(viewer->VisitedLinks(), (std::vector<std::string>{"d", "A", "c"}));
    viewer->SetVisitedMaxCount(2);
    EXPECT_EQ(viewer->VisitedLinks(), (std::vector<std::string>{"d", "A"}));

    // Adding the link's full target in other letters marks it.
    TFontObj* run = viewer->Document()->LinkRuns.at(0);
    EXPECT_FALSE(run->IsVisited);
    viewer->AddVisitedLink(UpperCase(page) + "#target");
    EXPECT_TRUE(run->IsVisited);
    // A reload finds it again; a zero count forgets every link.
    viewer->LoadFromFile("other.htm");
    viewer->LoadFromFile("page.htm");
    EXPECT_TRUE(viewer->Document()->LinkRuns.at(0)->IsVisited);
    viewer->SetVisitedMaxCount(-4);
    EXPECT_EQ(viewer->VisitedMaxCount(), 0);
    EXPECT_TRUE(viewer->VisitedLinks().empty());
    EXPECT_FALSE(viewer->Document()->LinkRuns.at(0)->IsVisited);
    Follow("#target");
    EXPECT_FALSE(viewer->Document()->LinkRuns.at(0)->IsVisited);
    EXPECT_TRUE(viewer->VisitedLinks().empty());
}

// ---- hover

TEST_F(ViewerLinkTest, HoverOnAndOffALinkAndTheTimer) {
    FakePointer pointer;
    std::vector<std::string> covered;
    viewer->OnHotSpotCovered = [&](TObject*, const std::string& url) { covered.push_back(url); };
    const TPoint link = PointOf(PosOf("down") + 1);
    const TPoint text = PointOf(PosOf("Line 3"));
    Send(panel, WM_MOUSEMOVE, 0, At(link.X, link.Y));
    Send(panel, WM_MOUSEMOVE, 0, At(link.X + 1, link.Y));
    EXPECT_EQ(panel->Cursor(), HandCursor);
    Send(panel, WM_MOUSEMOVE, 0, At(text.X, text.Y));
    EXPECT_NE(panel->Cursor(), HandCursor);
    EXPECT_EQ(covered, (std::vector<std::string>{"#target", ""}));

    // Back on the link, then the pointer leaves the pane without a move
    // message: the timer notices.
    covered.clear();
    pointer.Window = panel->Handle();
    Send(panel, WM_MOUSEMOVE, 0, At(link.X, link.Y));
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 500) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    EXPECT_EQ(covered, (std::vector<std::string>{"#target"}));  // still over the pane
    pointer.Window = nullptr;
    const DWORD leave = GetTickCount();
    while (covered.size() < 2 && GetTickCount() - leave < 2000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    EXPECT_EQ(covered, (std::vector<std::string>{"#target", ""}));
    EXPECT_TRUE(viewer->HoverURL().empty());
}

TEST_F(ViewerLinkTest, ClearingThePageStopsTheHoverTimer) {
    FakePointer pointer;
    std::vector<std::string> covered;
    viewer->OnHotSpotCovered = [&](TObject*, const std::string& url) { covered.push_back(url); };
    const TPoint link = PointOf(PosOf("down") + 1);
    pointer.Window = panel->Handle();
    Send(panel, WM_MOUSEMOVE, 0, At(link.X, link.Y));
    ASSERT_EQ(covered, (std::vector<std::string>{"#target"}));
    viewer->Clear();
    // The pointer leaves; no tick reports leaving a link of the page gone.
    pointer.Window = nullptr;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 700) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    EXPECT_EQ(covered, (std::vector<std::string>{"#target"}));
}

TEST_F(ViewerLinkTest, HoverTimerWithTheRealPointer) {
    std::vector<std::string> covered;
    viewer->OnHotSpotCovered = [&](TObject*, const std::string& url) { covered.push_back(url); };
    const TPoint link = PointOf(PosOf("down") + 1);
    const TPoint onScreen = panel->ClientToScreen(link);
    ASSERT_TRUE(SetCursorPos(onScreen.X, onScreen.Y));
    Send(panel, WM_MOUSEMOVE, 0, At(link.X, link.Y));
    auto pumpFor = [&](DWORD ms) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            Pump();
        }
    };
    pumpFor(450);
    EXPECT_EQ(viewer->HoverURL(), "#target");
    SetCursorPos(1270, 1010);
    pumpFor(450);
    EXPECT_TRUE(viewer->HoverURL().empty());
    ASSERT_FALSE(covered.empty());
    EXPECT_EQ(covered.front(), "#target");
    EXPECT_EQ(covered.back(), "");
}

// ---- right click

TEST_F(ViewerLinkTest, RightClickParametersAndARaisingHandler) {
    const TPoint link = PointOf(PosOf("down") + 1);
    std::string url;
    std::wstring word;
    viewer->OnRightClick = [&](TObject*, TPageViewer::TRightClickParameters* p) {
        url = p->URL;
        word = p->ClickWord;
        EXPECT_EQ(p->Image, nullptr);
    };
    Send(panel, WM_RBUTTONDOWN, MK_RBUTTON, At(link.X, link.Y));
    Send(panel, WM_RBUTTONUP, 0, At(link.X, link.Y));
    EXPECT_EQ(url, "#target");
    EXPECT_EQ(word, L"down");

    viewer->OnRightClick = [&](TObject*, TPageViewer::TRightClickParameters*) { throw std::runtime_error("boom"); };
    EXPECT_THROW(panel->Perform(WM_RBUTTONUP, 0, At(link.X, link.Y)), std::runtime_error);
    TTimer* timer = nullptr;
    for (int i = 0; i < viewer->ComponentCount(); ++i)
        if (auto* t = dynamic_cast<TTimer*>(viewer->Components(i))) timer = t;
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->Enabled());
}

// ---- keys and the wheel

TEST_F(ViewerMouseTest, ScrollingKeysAndTheirLimits) {
    viewer->LoadFromString("<table width=1500><tr><td>wide</td></tr></table>" + Lines(100), "");
    const int page = panel->Height() - 16;
    const int range = viewer->GetScrollBarRange();
    ASSERT_GT(range, 3 * page);
    struct Case {
        WORD key;
        int from;
        int to;
    } cases[] = {
        {VK_NEXT, 0, page},       {VK_PRIOR, page + 5, 5}, {VK_PRIOR, 5, 0},   {VK_DOWN, 0, 16},
        {VK_UP, 40, 24},          {VK_UP, 10, 0},          {VK_HOME, 300, 0},  {VK_END, 0, range},
        {VK_NEXT, range - 3, range}, {VK_DOWN, range, range}, {VK_TAB, 50, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " from " << c.from);
        viewer->ScrollTo(c.from);
        Send(viewer, WM_KEYDOWN, c.key, 0);
        EXPECT_EQ(viewer->GetScrollPos(), c.to);
    }
    viewer->SetHScrollPos(0);
    Send(viewer, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(viewer->GetHScrollPos(), 15);
    Send(viewer, WM_KEYDOWN, VK_LEFT, 0);
    Send(viewer, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(viewer->GetHScrollPos(), 0);

    // A page shorter and narrower than the pane never moves.
    viewer->LoadFromString("<p>short</p>", "");
    for (WORD key : {VK_END, VK_NEXT, VK_DOWN, VK_RIGHT}) {
        Send(viewer, WM_KEYDOWN, key, 0);
        EXPECT_EQ(viewer->GetScrollPos(), 0) << key;
        EXPECT_EQ(viewer->GetHScrollPos(), 0) << key;
    }
}

TEST_F(ViewerMouseTest, WheelLines) {
    FakePointer pointer;
    viewer->LoadFromString(Lines(100), "");
    struct Case {
        int lines;
        int delta;
        int moved;
    } cases[] = {
        {3, -120, 48}, {3, 120, -48}, {1, -240, 16}, {0, -120, 60}, {0, 120, -60}, {-1, -120, 60}, {0, 7, -3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lines << " lines, delta " << c.delta);
        pointer.WheelLines = c.lines;
        viewer->ScrollTo(200);
        Send(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, c.delta), 0);
        EXPECT_EQ(viewer->GetScrollPos(), 200 + c.moved);
    }
    // A handler that takes the wheel leaves the page where it is.
    viewer->OnMouseWheel = [](TObject*, TShiftState, int, TPoint, bool& handled) { handled = true; };
    Send(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
    EXPECT_EQ(viewer->GetScrollPos(), 200 - 3);
}

TEST_F(ViewerMouseTest, RealWheelSettingMovesThreeLines) {
    viewer->LoadFromString(Lines(100), "");
    viewer->SetFocus();
    UINT lines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int before = viewer->GetScrollPos();
    Send(viewer, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
    EXPECT_EQ(viewer->GetScrollPos() - before, static_cast<int>(lines) * 16);
}

TEST_F(ViewerMouseTest, ArrowsReachTheViewerInADialog) {
    viewer->LoadFromString(Lines(100), "");
    Application->AddModelessDialog(form->Handle());
    struct Remove {
        HWND Wnd;
        ~Remove() { Application->RemoveModelessDialog(Wnd); }
    } remove{form->Handle()};
    viewer->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), viewer->Handle());
    PostMessageW(viewer->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    Pump();
    EXPECT_EQ(viewer->GetScrollPos(), 16);
}

// ---- panning and the auto-scroll loop

TEST_F(ViewerMouseTest, DragAboveThePaneScrollsEachStepAndGrowsTheSelection) {
    FakePointer pointer;
    pointer.Viewer = viewer->Handle();
    viewer->LoadFromString(Lines(200), "");
    for (int above : {10, 20}) {
        SCOPED_TRACE(above);
        viewer->ScrollTo(2000);
        const TPoint start = PointOf(PosOf("Line 120"));
        Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(start.X, start.Y));
        const int firstSelected = SelStart();
        pointer.Screen = ScreenOfViewer(start.X, -above);
        std::vector<std::pair<unsigned, int>> steps;  // time, position
        int last = viewer->GetScrollPos();
        pointer.Waits = 0;
        pointer.OnWait = [&] {
            if (viewer->GetScrollPos() != last) {
                last = viewer->GetScrollPos();
                steps.push_back({pointer.Now, last});
            }
            if (steps.size() == 4) pointer.Screen = ScreenOfViewer(start.X, 50);
        };
        Send(panel, WM_MOUSEMOVE, MK_LBUTTON, At(start.X, -above - 1));
        Pump();  // runs the posted loop
        pointer.OnWait = nullptr;
        Send(panel, WM_LBUTTONUP, 0, At(start.X, 50));
        ASSERT_GE(steps.size(), 4u);
        const int each = above == 10 ? 16 : 128;
        int position = 2000;
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(steps[i].second, position - each * static_cast<int>(i + 1));
            if (i > 0) {
                EXPECT_GT(steps[i].first - steps[i - 1].first, 100u);
            }
        }
        EXPECT_LT(SelStart(), firstSelected);
        EXPECT_LT(pointer.Waits, 100);
    }
}

TEST_F(ViewerMouseTest, MiddleButtonPansSlowAndFastUntilAKey) {
    FakePointer pointer;
    pointer.Viewer = viewer->Handle();
    viewer->LoadFromString(Lines(200), "");
    struct Case {
        int offset;
        int step;
        TCursor cursor;
    } cases[] = {{30, 8, DownOnlyCursor}, {70, 32, DownOnlyCursor}, {-30, -8, UpOnlyCursor}, {-70, -32, UpOnlyCursor}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        viewer->ScrollTo(1000);
        const int y = 150;
        Send(panel, WM_MBUTTONDOWN, MK_MBUTTON, At(100, y));
        Send(panel, WM_MBUTTONUP, 0, At(100, y));  // no movement: panning stays on
        EXPECT_EQ(panel->Cursor(), UpDownCursor);
        const int originInViewer = y + panel->Top();
        pointer.Screen = ScreenOfViewer(100, originInViewer + c.offset);
        std::vector<int> positions;
        TCursor during = crDefault;
        pointer.OnWait = [&] {
            if (positions.empty() || positions.back() != viewer->GetScrollPos())
                positions.push_back(viewer->GetScrollPos());
            during = panel->Cursor();
            if (positions.size() == 3) PostMessageW(viewer->Handle(), WM_KEYDOWN, VK_SHIFT, 0);
        };
        Send(panel, WM_MOUSEMOVE, 0, At(100, y + c.offset));
        Pump();
        pointer.OnWait = nullptr;
        ASSERT_GE(positions.size(), 3u);
        EXPECT_EQ(positions[0], 1000 + c.step);
        EXPECT_EQ(positions[2], 1000 + 3 * c.step);
        EXPECT_EQ(during, c.cursor);
        // The key ended panning: the pane is back to its own cursor.
        EXPECT_EQ(panel->Cursor(), viewer->Cursor());
        const int after = viewer->GetScrollPos();
        Send(panel, WM_MOUSEMOVE, 0, At(100, y + c.offset));
        Pump();
        EXPECT_EQ(viewer->GetScrollPos(), after);
    }
    // The next press ends panning and does nothing else.
    Send(panel, WM_MBUTTONDOWN, MK_MBUTTON, At(100, 100));
    Send(panel, WM_MBUTTONUP, 0, At(100, 100));
    const int selEnd = SelEnd();
    Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(30, 30));
    EXPECT_EQ(panel->Cursor(), viewer->Cursor());
    Send(panel, WM_MOUSEMOVE, MK_LBUTTON, At(30, 120));
    Send(panel, WM_LBUTTONUP, 0, At(30, 120));
    EXPECT_EQ(SelEnd(), selEnd);
}

TEST_F(ViewerMouseTest, TheLoopEndsOnCancelModeFocusLossAndQuit) {
    FakePointer pointer;
    pointer.Viewer = viewer->Handle();
    viewer->LoadFromString(Lines(200), "");
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(450, 10, 100, 24);
    enum How { CancelMode, FocusLoss, Quit };
    for (How how : {CancelMode, FocusLoss, Quit}) {
        SCOPED_TRACE(how);
        const bool quit = how == Quit;
        viewer->SetFocus();
        viewer->ScrollTo(2000);
        const TPoint start = PointOf(PosOf("Line 120"));
        Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(start.X, start.Y));
        pointer.Screen = ScreenOfViewer(start.X, -5);
        pointer.Waits = 0;
        pointer.OnWait = [&] {
            if (pointer.Waits != 2) return;
            if (how == Quit)
                PostQuitMessage(7);
            else if (how == FocusLoss)
                other->SetFocus();
            else
                PostMessageW(panel->Handle(), WM_CANCELMODE, 0, 0);
        };
        Send(panel, WM_MOUSEMOVE, MK_LBUTTON, At(start.X, -6));  // posts the loop's message
        // Run by hand: a pump of the application's own would take the quit.
        MSG loop;
        ASSERT_TRUE(PeekMessageW(&loop, viewer->Handle(), WM_USER + 102, WM_USER + 102, PM_REMOVE));
        DispatchMessageW(&loop);
        pointer.OnWait = nullptr;
        EXPECT_GE(pointer.Waits, 2);
        EXPECT_LT(pointer.Waits, 10);
        MSG msg;
        if (quit) {
            ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
            EXPECT_EQ(msg.wParam, 7u);
            Send(panel, WM_LBUTTONUP, 0, At(start.X, 50));
        } else {
            // The drag is over: moving back over the page selects nothing more.
            const int end = SelEnd();
            Send(panel, WM_MOUSEMOVE, MK_LBUTTON, At(start.X, 60));
            EXPECT_EQ(SelEnd(), end);
        }
    }
}

TEST_F(ViewerMouseTest, ClosingTheFormInsideTheLoopNeitherCrashesNorHangs) {
    FakePointer pointer;
    pointer.Viewer = viewer->Handle();
    viewer->LoadFromString(Lines(200), "");
    viewer->ScrollTo(2000);
    const TPoint start = PointOf(PosOf("Line 120"));
    Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(start.X, start.Y));
    pointer.Screen = ScreenOfViewer(start.X, -5);
    TForm* doomed = form.release();
    doomed->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    TTimer closer(nullptr);
    closer.SetInterval(20);
    closer.SetOnTimer([&](TObject*) {
        closer.SetEnabled(false);
        doomed->Close();
    });
    closer.SetEnabled(true);
    PostMessageW(viewer->Handle(), WM_USER + 102, 0, 0);
    const DWORD begin = GetTickCount();
    while (GetTickCount() - begin < 300) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    EXPECT_LT(pointer.Waits, 400);
    EXPECT_FALSE(closer.Enabled());
}

}  // namespace
