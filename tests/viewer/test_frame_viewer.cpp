// The frame-set viewer on screen: loading, sizes, dragging, targets,
// histories, nesting caps, META refresh and the shared settings.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <functional>

#include "framework/forms.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/font_obj.h"
#include "html/text_section.h"
#include "support/test_support.h"
#include "viewer/frame_viewer.h"

namespace {

using testing_support::WriteFileBytes;

std::string Lines(const std::string& word, int count) {
    std::string html;
    for (int i = 1; i <= count; ++i) html += "<p>" + word + " line " + std::to_string(i) + "</p>\n";
    return html;
}

// The banner row, a contents column and the main frame.
void WriteDemo() {
    WriteFileBytes("index.htm",
                   "<html><head><title>Demo</title></head>"
                   "<frameset rows=\"60,*\">"
                   "<frame name=\"banner\" src=\"banner.htm\" scrolling=\"no\">"
                   "<frameset cols=\"150,*\">"
                   "<frame name=\"contents\" src=\"contents.htm\">"
                   "<frame name=\"main\" src=\"main.htm\">"
                   "</frameset></frameset></html>");
    WriteFileBytes("banner.htm", "<p>Banner</p>");
    WriteFileBytes("contents.htm", "<p><a href=\"a.htm\" target=\"main\">A</a></p>");
    WriteFileBytes("main.htm", "<title>Main</title>" + Lines("Main", 80) + "<p><a name=\"end\">End</a></p>");
    WriteFileBytes("a.htm", "<title>A</title>" + Lines("A", 80) + "<p><a name=\"mid\">Mid</a></p>" + Lines("A2", 40));
    WriteFileBytes("b.htm", "<title>B</title>" + Lines("B", 30));
    WriteFileBytes("c.htm", "<title>C</title>" + Lines("C", 30));
    WriteFileBytes("other.htm",
                   "<frameset cols=\"*,*\"><frame name=\"left\" src=\"b.htm\"><frame name=\"right\" src=\"c.htm\">"
                   "</frameset>");
}

// A 1x1 GIF and PNG.
const std::string kGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xf9\x04\x01\x00\x00\x00\x00"
                       "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
                       43);
const std::string kPng(
    "\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00\x90\x77\x53\xde"
    "\x00\x00\x00\x0cIDAT\x08\xd7\x63\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\x18\xdd\x8d\xb0"
    "\x00\x00\x00\x00IEND\xae\x42\x60\x82",
    69);

// A clock the test fires by hand. Its timers may outlive the test's own
// variables (a set in the history keeps its timer), so they share the clock.
struct FakeClock {
    struct Timer : TRefreshTimer {
        std::shared_ptr<FakeClock> Clock;
        explicit Timer(std::shared_ptr<FakeClock> clock) : Clock(std::move(clock)) { Clock->Timers.push_back(this); }
        ~Timer() override { std::erase(Clock->Timers, this); }
        void Start(unsigned ms) override {
            Running = true;
            Interval = ms;
            ++Clock->Starts;
        }
        void Stop() override { Running = false; }
        bool Running = false;
        unsigned Interval = 0;
    };
    std::vector<Timer*> Timers;
    int Starts = 0;
    Timer* RunningTimer() {
        for (Timer* t : Timers)
            if (t->Running) return t;
        return nullptr;
    }
};

class FrameViewerTest : public ::testing::Test {
protected:
    FrameViewerTest() : form(new TForm(nullptr)), fv(new TFrameViewer(nullptr)) {
        form->SetBounds(0, 0, 800, 600);
        fv->SetParent(form.get());
        fv->SetBounds(0, 0, 600, 400);
        fv->SetDefFontName("Arial");
        fv->SetHistoryMaxCount(20);
        fv->HandleNeeded();
        WriteDemo();
    }

    TfvFrame* Frame(const std::string& name) {
        auto& names = fv->CurFrameSet()->FrameNames;
        auto found = names.find(UpperCase(name));
        return found == names.end() ? nullptr : found->second;
    }
    TPageViewer* View(const std::string& name) {
        TfvFrame* f = Frame(name);
        return f ? f->Viewer() : nullptr;
    }
    std::string Shown(const std::string& name) {
        TPageViewer* v = View(name);
        return v ? ExtractFileName(v->CurrentFile()) : std::string("(none)");
    }
    // A link followed from a frame, as a click on it would.
    void Click(const std::string& frame, const std::string& url, const std::string& target = "") {
        TPageViewer* v = View(frame);
        ASSERT_NE(v, nullptr) << frame;
        v->SetHoverURL(url, target);
        v->UrlAction();
        fv->ReleaseRetired();
    }
    // The frame panels of the set on show, in order of creation.
    static bool Inside(const TRect& inner, const TRect& outer) {
        return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
               inner.Bottom <= outer.Bottom;
    }
    void ExpectTiled(TSubFrameSet* set) {
        const TRect area = set->ClientRect();
        const auto& frames = set->Frames();
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_TRUE(Inside(frames[i]->BoundsRect(), area)) << i;
            for (size_t j = i + 1; j < frames.size(); ++j) {
                TRect a = frames[i]->BoundsRect(), b = frames[j]->BoundsRect();
                const bool overlap = a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
                EXPECT_FALSE(overlap) << i << " and " << j;
            }
        }
    }

    testing_support::TempWorkDir dir;
    owned_ptr<TForm> form;
    owned_ptr<TFrameViewer> fv;
};

// ---- loading and sizes

TEST_F(FrameViewerTest, TheDemoBecomesBannerContentsAndMain) {
    fv->LoadFromFile("index.htm");
    EXPECT_EQ(fv->GetTitle(), L"Demo");
    EXPECT_EQ(fv->GetCurViewerCount(), 3);
    EXPECT_EQ(Shown("banner"), "banner.htm");
    EXPECT_EQ(Shown("contents"), "contents.htm");
    EXPECT_EQ(Shown("main"), "main.htm");
    EXPECT_EQ(View("banner")->ScrollBars(), ssNone);
    TFrameSet* top = fv->CurFrameSet();
    EXPECT_TRUE(top->Rows());
    EXPECT_EQ(top->Sizes()[0], 60);
    EXPECT_EQ(Frame("banner")->Height(), 60);
    EXPECT_EQ(Frame("contents")->Width(), 150);
    for (auto [w, h] : {std::pair{600, 400}, {333, 517}, {90, 40}, {1000, 700}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        fv->SetBounds(0, 0, w, h);
        ExpectTiled(top);
        ExpectTiled(Frame("main")->ParentSet());
    }
}

TEST_F(FrameViewerTest, SetsKeepTwentyEntriesAndFramesAndReadColsOnlyBesideOneRow) {
    std::string rows, frames;
    for (int i = 0; i < 21; ++i) rows += (i ? ",*" : "*");
    for (int i = 0; i < 25; ++i) frames += "<frame src=\"b.htm\">";
    WriteFileBytes("many.htm", "<frameset rows=\"" + rows + "\">" + frames + "</frameset>");
    fv->LoadFromFile("many.htm");
    EXPECT_EQ(fv->CurFrameSet()->Dims().size(), 20u);
    EXPECT_EQ(fv->CurFrameSet()->Frames().size(), 20u);

    // Fewer FRAME tags than entries: the rest are empty frames.
    WriteFileBytes("few.htm", "<frameset cols=\"*,*,*\"><frame src=\"b.htm\"></frameset>");
    fv->LoadFromFile("few.htm");
    EXPECT_EQ(fv->CurFrameSet()->Frames().size(), 3u);
    EXPECT_EQ(fv->GetCurViewerCount(), 1);

    WriteFileBytes("both.htm", "<frameset rows=\"100,*\" cols=\"50,50\"><frame><frame></frameset>");
    fv->LoadFromFile("both.htm");
    EXPECT_TRUE(fv->CurFrameSet()->Rows());
    EXPECT_EQ(fv->CurFrameSet()->Dims(), (std::vector<int>{100, -1}));

    WriteFileBytes("single.htm", "<frameset rows=\"100\" cols=\"50,*\"><frame><frame></frameset>");
    fv->LoadFromFile("single.htm");
    EXPECT_FALSE(fv->CurFrameSet()->Rows());
    EXPECT_EQ(fv->CurFrameSet()->Dims(), (std::vector<int>{50, -1}));
}

TEST_F(FrameViewerTest, APlainPageIsOneFrameAtItsAnchor) {
    fv->LoadFromFile("a.htm#mid");
    ASSERT_EQ(fv->GetCurViewerCount(), 1);
    TPageViewer* v = fv->GetCurViewer(0);
    EXPECT_EQ(ExtractFileName(v->CurrentFile()), "a.htm");
    EXPECT_GT(v->GetScrollPos(), 0);
    EXPECT_EQ(fv->GetActiveViewer(), v);
}

TEST_F(FrameViewerTest, FailuresToLoad) {
    try {
        fv->LoadFromFile("missing.htm#x");
        FAIL() << "no error";
    } catch (const EfvLoadError& e) {
        EXPECT_EQ(e.Message, "Can't locate file: missing.htm");
    }
    // A frame whose source is missing shows the error text; the name is text.
    WriteFileBytes("broken.htm", "<frameset cols=\"*,*\"><frame name=\"x\" src=\"no&amp;such.htm\">"
                                 "<frame name=\"y\" src=\"b.htm\"></frameset>");
    fv->LoadFromFile("broken.htm");
    TPageViewer* v = View("x");
    ASSERT_NE(v, nullptr);
    const std::string expected = "<p><img src=\"qw%&.bmp\" alt=\"Error\"> Can't load ";
    EXPECT_EQ(v->Source().substr(0, expected.size()), expected);
    EXPECT_NE(v->Source().find("no&amp;such.htm"), std::string::npos);
    EXPECT_EQ(v->Source().find("no&such"), std::string::npos);
    EXPECT_NE(v->Document()->Len, 0);
    EXPECT_EQ(Shown("y"), "b.htm");
}

TEST_F(FrameViewerTest, PicturesAndTextFillTheirFrames) {
    WriteFileBytes("p.gif", kGif);
    WriteFileBytes("p.png", kPng);
    WriteFileBytes("t.txt", "plain <b>text</b>");
    WriteFileBytes("kinds.htm", "<frameset cols=\"*,*,*\"><frame name=\"g\" src=\"p.gif\">"
                                "<frame name=\"p\" src=\"p.png\"><frame name=\"t\" src=\"t.txt\"></frameset>");
    fv->LoadFromFile("kinds.htm");
    EXPECT_EQ(View("g")->FileType(), ImgType);
    EXPECT_EQ(View("p")->FileType(), ImgType);
    EXPECT_EQ(View("t")->FileType(), TextType);
    EXPECT_EQ(Shown("t"), "t.txt");
}

TEST_F(FrameViewerTest, RequestEventsAreAskedInOrderAndOnlyTheFirst) {
    std::vector<std::string> asked;
    TStringList strings;
    strings.SetText("<p>From strings</p>");
    // Without a request event Load does nothing.
    fv->Load("anything");
    EXPECT_EQ(fv->GetCurViewerCount(), 0);

    fv->OnFileRequest = [&](TObject*, const std::string& src, std::string& name) {
        asked.push_back("file " + src);
        name = "b.htm";
    };
    fv->Load("doc1");
    EXPECT_EQ(asked, (std::vector<std::string>{"file doc1"}));
    EXPECT_NE(fv->GetCurViewer(0)->Source().find("B line 1"), std::string::npos);

    asked.clear();
    fv->OnStringsRequest = [&](TObject*, const std::string& src, TStrings*& list) {
        asked.push_back("strings " + src);
        list = &strings;
    };
    fv->OnStreamRequest = [&](TObject*, const std::string& src, TStream*&) { asked.push_back("stream " + src); };
    fv->Load("doc2");
    EXPECT_EQ(asked, (std::vector<std::string>{"strings doc2"}));
    EXPECT_NE(fv->GetCurViewer(0)->Source().find("From strings"), std::string::npos);

    // A handler that supplies nothing: the frame shows the error text.
    asked.clear();
    fv->OnStringsRequest = nullptr;
    fv->Load("doc3");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), "stream doc3");
    for (const std::string& a : asked) EXPECT_EQ(a.substr(0, 7), "stream ");
    EXPECT_NE(fv->GetCurViewer(0)->Source().find("Can't load "), std::string::npos);
}

TEST_F(FrameViewerTest, StyleSheetsOfFramesComeThroughTheRequestEvents) {
    TStringList page, sheet;
    page.SetText("<link rel=stylesheet href=s.css><p>Styled</p>");
    sheet.SetText("p { font-weight: bold }");
    std::vector<std::string> asked;
    fv->OnStringsRequest = [&](TObject*, const std::string& src, TStrings*& list) {
        asked.push_back(src);
        list = src == "s.css" ? &sheet : src == "doc" ? &page : nullptr;
    };
    fv->Load("doc");
    EXPECT_EQ(asked, (std::vector<std::string>{"doc", "s.css"}));
    TPageViewer* v = fv->GetCurViewer(0);
    ASSERT_NE(v, nullptr);
    TObject* holder = nullptr;
    wchar_t ch = 0;
    ASSERT_TRUE(v->Document()->GetChAtPos(0, ch, holder));
    auto* section = dynamic_cast<TSection*>(holder);
    ASSERT_NE(section, nullptr);
    EXPECT_GE(section->Fonts.Run(0)->RunFont.Weight, 700);
}

TEST_F(FrameViewerTest, AFrameSetsMetaCharsetIsItsFramesDefault) {
    WriteFileBytes("greek.htm",
                   "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1253\">"
                   "</head><frameset cols=\"*,*\"><frame name=\"left\" src=\"alpha.htm\">"
                   "<frame name=\"right\" src=\"b.htm\"></frameset></html>");
    WriteFileBytes("alpha.htm", "<p>\xE1</p>");
    fv->LoadFromFile("greek.htm");
    ASSERT_NE(View("left"), nullptr);
    EXPECT_EQ(View("left")->CharSet, 161);
    EXPECT_EQ(View("right")->CharSet, 161);
    EXPECT_EQ(View("left")->Document()->FindString(0, L"\u03B1", true), 0);
    // A set without one leaves the viewer's own.
    fv->LoadFromFile("index.htm");
    EXPECT_EQ(View("main")->CharSet, fv->CharSet());
}

// ---- targets

TEST_F(FrameViewerTest, LinksGoToTheirTargets) {
    struct Case {
        const char* from;
        const char* url;
        const char* target;
        const char* frame;  // where the page lands
    } cases[] = {
        {"contents", "b.htm", "main", "main"},   {"contents", "c.htm", "MAIN", "main"},
        {"contents", "a.htm", "Main", "main"},   {"contents", "b.htm", "_self", "contents"},
        {"main", "c.htm", "", "main"},           {"banner", "b.htm", "contents", "contents"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.url) + " -> " + c.target);
        fv->LoadFromFile("index.htm");
        Click(c.from, c.url, c.target);
        EXPECT_EQ(Shown(c.frame), c.url);
        EXPECT_EQ(fv->GetCurrentFile(), ExpandFileName("index.htm"));
    }

    fv->LoadFromFile("index.htm");
    Click("contents", "other.htm", "_top");
    EXPECT_EQ(fv->GetCurrentFile(), ExpandFileName("other.htm"));
    EXPECT_EQ(Shown("left"), "b.htm");
    // The same set again from one of its own links: it is read anew.
    Click("left", "other.htm", "_top");
    EXPECT_EQ(Shown("left"), "b.htm");
    EXPECT_EQ(fv->GetCurViewerCount(), 2);

    // "_parent" from the nested set: the frame that held it takes the page.
    fv->LoadFromFile("index.htm");
    Click("contents", "c.htm", "_parent");
    EXPECT_EQ(Frame("main"), nullptr);
    EXPECT_EQ(Frame("contents"), nullptr);
    EXPECT_EQ(fv->GetCurViewerCount(), 2);
    EXPECT_EQ(fv->GetCurrentFile(), ExpandFileName("index.htm"));

    // "_parent" from the top set: the whole viewer.
    fv->LoadFromFile("index.htm");
    Click("banner", "c.htm", "_parent");
    EXPECT_EQ(fv->GetCurrentFile(), ExpandFileName("c.htm"));
    EXPECT_EQ(fv->GetCurViewerCount(), 1);

    // "_self" in a set of one frame: another file replaces the whole set.
    fv->LoadFromFile("b.htm");
    TPageViewer* only = fv->GetCurViewer(0);
    only->SetHoverURL("other.htm", "_self");
    only->UrlAction();
    fv->ReleaseRetired();
    EXPECT_EQ(fv->GetCurrentFile(), ExpandFileName("other.htm"));
    EXPECT_EQ(fv->GetCurViewerCount(), 2);
}

TEST_F(FrameViewerTest, UnknownTargetsHandlersAndBusyClicks) {
    fv->LoadFromFile("index.htm");
    std::vector<std::string> requests;
    fv->SetOnBlankWindowRequest([&](TObject*, const std::string& target, const std::string& url) {
        requests.push_back(target + " " + url);
    });
    Click("contents", "b.htm", "popup");
    EXPECT_EQ(requests, (std::vector<std::string>{"popup b.htm"}));
    EXPECT_EQ(Shown("main"), "main.htm");
    ASSERT_FALSE(fv->Visited().empty());
    EXPECT_TRUE(SameText(fv->Visited().front(), ExpandFileName("b.htm")));

    // A handler that takes the click: nothing loads.
    std::vector<std::string> seen;
    fv->SetOnHotSpotTargetClick([&](TObject*, const std::string& target, const std::string& url, bool& handled) {
        seen.push_back(target + " " + url);
        handled = true;
    });
    Click("contents", "c.htm", "main");
    EXPECT_EQ(seen, (std::vector<std::string>{"main c.htm"}));
    EXPECT_EQ(Shown("main"), "main.htm");
    fv->SetOnHotSpotTargetClick(nullptr);

    // A click while the viewer is busy is swallowed.
    bool armed = true;
    fv->OnProcessing = [&](TObject*, bool busy) {
        if (busy && armed) {
            armed = false;
            Click("contents", "c.htm", "main");
        }
    };
    fv->Reload();
    EXPECT_FALSE(armed);
    EXPECT_EQ(Shown("main"), "main.htm");
    EXPECT_FALSE(fv->Processing());

    // Links with a query part are remembered as visited.
    fv->OnProcessing = nullptr;
    Click("contents", "b.htm?q=1", "main");
    EXPECT_NE(std::find(fv->Visited().begin(), fv->Visited().end(), "b.htm?q=1"), fv->Visited().end());
}

TEST_F(FrameViewerTest, TargetsAndBasesOfTheActiveViewer) {
    WriteFileBytes("based.htm", "<base target=\"main\"><frameset cols=\"*,*\"><frame name=\"nav\" src=\"b.htm\">"
                                "<frame name=\"main\" src=\"c.htm\"></frameset>");
    fv->LoadFromFile("based.htm");
    EXPECT_EQ(fv->GetActiveViewer(), nullptr);
    EXPECT_EQ(fv->ViewerFromTarget("Main"), View("main"));
    EXPECT_EQ(fv->ViewerFromTarget("nowhere"), nullptr);
    fv->CurFrameSet()->ActiveViewer = View("nav");
    EXPECT_EQ(fv->GetActiveTarget(), "main");
    // The set's base target sends a link without a target to "main".
    Click("nav", "a.htm");
    EXPECT_EQ(Shown("main"), "a.htm");
    EXPECT_EQ(Shown("nav"), "b.htm");
    EXPECT_EQ(fv->HTMLExpandFilename("x/y.htm"), ExpandFileName("x\\y.htm"));
}

// ---- history

TEST_F(FrameViewerTest, BackAndForwardStepThroughFramesInTimeOrder) {
    fv->LoadFromFile("index.htm");
    EXPECT_FALSE(fv->BackButtonEnabled());
    EXPECT_FALSE(fv->FwdButtonEnabled());
    Click("contents", "a.htm", "main");
    Click("banner", "b.htm", "_self");
    Click("contents", "c.htm", "main");
    ASSERT_EQ(Shown("main"), "c.htm");
    EXPECT_TRUE(fv->BackButtonEnabled());

    fv->GoBack();
    EXPECT_EQ(Shown("main"), "a.htm");
    EXPECT_EQ(Shown("banner"), "b.htm");
    fv->GoBack();
    EXPECT_EQ(Shown("banner"), "banner.htm");
    EXPECT_EQ(Shown("main"), "a.htm");
    fv->GoBack();
    EXPECT_EQ(Shown("main"), "main.htm");
    EXPECT_FALSE(fv->BackButtonEnabled());
    EXPECT_TRUE(fv->FwdButtonEnabled());

    fv->GoFwd();
    EXPECT_EQ(Shown("main"), "a.htm");
    EXPECT_EQ(Shown("banner"), "banner.htm");
    fv->GoFwd();
    EXPECT_EQ(Shown("banner"), "b.htm");
    fv->GoBack();
    fv->GoBack();

    // A new step drops every frame's forward steps.
    Click("banner", "c.htm", "_self");
    EXPECT_FALSE(fv->FwdButtonEnabled());
    EXPECT_EQ(Frame("main")->frHistoryCount(), 1);
    fv->GoBack();
    EXPECT_EQ(Shown("banner"), "banner.htm");
    EXPECT_FALSE(fv->BackButtonEnabled());
}

TEST_F(FrameViewerTest, ForwardStillWorksPastTheOldCounterLimit) {
    SetFrameHistorySequence(9997);
    fv->LoadFromFile("index.htm");
    Click("contents", "a.htm", "main");
    Click("contents", "b.htm", "main");
    Click("contents", "c.htm", "main");
    EXPECT_GE(Frame("main")->frPositionEntry(0)->Seq, 9999);
    fv->GoBack();
    fv->GoBack();
    EXPECT_EQ(Shown("main"), "a.htm");
    fv->GoFwd();
    EXPECT_EQ(Shown("main"), "b.htm");
    fv->GoFwd();
    EXPECT_EQ(Shown("main"), "c.htm");
    SetFrameHistorySequence(0);
}

TEST_F(FrameViewerTest, WholeSetsComeBackAndAreFreedWhenNothingHoldsThem) {
    fv->LoadFromFile("index.htm");
    Click("contents", "a.htm", "main");
    TFrameSet* first = fv->CurFrameSet();
    Click("contents", "other.htm", "_top");
    EXPECT_EQ(fv->GetCurrentFile(), ExpandFileName("other.htm"));
    EXPECT_EQ(fv->LiveFrameSetCount(), 2);
    fv->GoBack();
    fv->ReleaseRetired();
    EXPECT_EQ(fv->CurFrameSet(), first);
    EXPECT_EQ(Shown("main"), "a.htm");
    fv->GoBack();
    EXPECT_EQ(Shown("main"), "main.htm");
    fv->GoFwd();
    fv->GoFwd();
    fv->ReleaseRetired();
    EXPECT_EQ(fv->GetCurrentFile(), ExpandFileName("other.htm"));

    // Back to the first set, then a new step there: the forward set goes.
    fv->GoBack();
    Click("contents", "b.htm", "main");
    fv->ReleaseRetired();
    EXPECT_EQ(fv->LiveFrameSetCount(), 1);
    EXPECT_FALSE(fv->FwdButtonEnabled());

    // Without history nothing keeps an old set.
    fv->SetHistoryMaxCount(0);
    fv->LoadFromFile("other.htm");
    fv->ReleaseRetired();
    EXPECT_EQ(fv->LiveFrameSetCount(), 1);
    EXPECT_FALSE(fv->BackButtonEnabled());
}

TEST_F(FrameViewerTest, AFramesBackStepRestoresItsPositionAndForm) {
    WriteFileBytes("form.htm", "<form><input type=\"text\" id=\"q\" name=\"q\"></form>" + Lines("F", 80));
    fv->LoadFromFile("index.htm");
    Click("contents", "form.htm", "main");
    TPageViewer* v = View("main");
    v->SetScrollPos(400);
    const int position = v->GetPosition();
    ASSERT_NE(position, 0);
    TWinControl* edit = v->GetIDControl("q");
    ASSERT_NE(edit, nullptr);
    edit->SetText("typed");
    Click("contents", "b.htm", "main");
    ASSERT_EQ(Shown("main"), "b.htm");
    fv->GoBack();
    v = View("main");
    EXPECT_EQ(Shown("main"), "form.htm");
    EXPECT_EQ(v->GetPosition(), position);
    ASSERT_NE(v->GetIDControl("q"), nullptr);
    EXPECT_EQ(v->GetIDControl("q")->Text(), "typed");
}

// ---- nesting

TEST_F(FrameViewerTest, NestingStopsAtTheFourthSet) {
    WriteFileBytes("l1.htm", "<frameset rows=\"*,*\"><frame name=\"f1\" src=\"l2.htm\"><frame src=\"b.htm\"></frameset>");
    WriteFileBytes("l2.htm", "<frameset rows=\"*,*\"><frame name=\"f2\" src=\"l3.htm\"><frame src=\"b.htm\"></frameset>");
    WriteFileBytes("l3.htm", "<frameset rows=\"*,*\"><frame name=\"f3\" src=\"l4.htm\"><frame src=\"b.htm\"></frameset>");
    WriteFileBytes("l4.htm", "<frameset rows=\"*,*\"><frame name=\"f4\" src=\"l5.htm\"><frame src=\"b.htm\"></frameset>");
    WriteFileBytes("l5.htm", "<p>Too deep</p>");
    fv->LoadFromFile("l1.htm");
    ASSERT_NE(Frame("f3"), nullptr);
    ASSERT_NE(Frame("f3")->FrameSet(), nullptr);
    ASSERT_NE(Frame("f4"), nullptr);
    EXPECT_EQ(Frame("f4")->Viewer(), nullptr);
    EXPECT_EQ(Frame("f4")->FrameSet(), nullptr);
    EXPECT_EQ(fv->GetCurViewerCount(), 3);

    WriteFileBytes("self2.htm", "<frameset cols=\"*,*\"><frame src=\"self2.htm\"><frame src=\"self2.htm\"></frameset>");
    fv->LoadFromFile("self2.htm");
    // 2 + 4 + 8 frames hold sets; the 16 in the fourth sets stay empty.
    EXPECT_EQ(fv->CurFrameSet()->AllFrames.size(), 30u);
    EXPECT_EQ(fv->GetCurViewerCount(), 0);
}

TEST_F(FrameViewerTest, APageNamingItselfTwentyTimesStopsAtTheCap) {
    std::string frames;
    for (int i = 0; i < 20; ++i) frames += "<frame src=\"self20.htm\">";
    std::string cols = "*";
    for (int i = 1; i < 20; ++i) cols += ",*";
    WriteFileBytes("self20.htm", "<frameset cols=\"" + cols + "\">" + frames + "</frameset>");
    const auto start = std::chrono::steady_clock::now();
    fv->LoadFromFile("self20.htm");
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(static_cast<int>(fv->CurFrameSet()->AllFrames.size()), MaxFramesPerViewer);
    EXPECT_LT(seconds, 60);
    EXPECT_LT(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), 10000u);
}

// ---- dragging

TEST_F(FrameViewerTest, DraggingABorderMovesIt) {
    fv->LoadFromFile("index.htm");
    TfvFrame* contents = Frame("contents");
    TSubFrameSet* cols = contents->ParentSet();
    ASSERT_FALSE(cols->Rows());
    // Over the contents frame's border, 2 pixels from the edge.
    ASSERT_EQ(cols->Lines()[1], contents->Left() + contents->Width());
    contents->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(contents->Width() - 2, 50));
    EXPECT_EQ(cols->Cursor(), crHSplit);
    contents->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(contents->Width() - 2, 50));
    ASSERT_TRUE(cols->Resizing());
    RECT clip;
    GetClipCursor(&clip);
    EXPECT_LT(clip.right - clip.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    cols->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(250, 50));
    cols->Perform(WM_LBUTTONUP, 0, MAKELPARAM(250, 50));
    EXPECT_FALSE(cols->Resizing());
    EXPECT_EQ(cols->Lines()[1], 250);
    EXPECT_EQ(contents->Width(), 250 - cols->Lines()[0]);
    GetClipCursor(&clip);
    EXPECT_GE(clip.right - clip.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    // The dragged shares hold when the viewer grows.
    const int before = contents->Width();
    fv->SetBounds(0, 0, 1200, 400);
    EXPECT_GT(contents->Width(), before);
    ExpectTiled(cols);
}

TEST_F(FrameViewerTest, EdgesThatMayNotMoveAndOuterEdges) {
    WriteFileBytes("fixed.htm", "<frameset cols=\"200,*\"><frame name=\"l\" src=\"b.htm\" noresize>"
                                "<frame name=\"r\" src=\"c.htm\"></frameset>");
    fv->LoadFromFile("fixed.htm");
    TfvFrame* left = Frame("l");
    left->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(left->Width() - 1, 50));
    EXPECT_EQ(fv->CurFrameSet()->Cursor(), crDefault);
    left->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(left->Width() - 1, 50));
    EXPECT_FALSE(fv->CurFrameSet()->Resizing());

    // Near the nested set's top edge the enclosing rows set takes the mouse.
    fv->LoadFromFile("index.htm");
    TfvFrame* contents = Frame("contents");
    TSubFrameSet* rowsSet = fv->CurFrameSet();
    contents->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(50, 1));
    EXPECT_EQ(rowsSet->Cursor(), crVSplit);
    contents->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 1));
    EXPECT_TRUE(rowsSet->Resizing());
    EXPECT_FALSE(contents->ParentSet()->Resizing());

    // Cancelled mid-drag: the mouse goes free and the sizes stay.
    const std::vector<int> sizes = rowsSet->Sizes();
    rowsSet->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 150));
    rowsSet->Perform(WM_CANCELMODE);
    EXPECT_FALSE(rowsSet->Resizing());
    RECT clip;
    GetClipCursor(&clip);
    EXPECT_GE(clip.right - clip.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_GE(clip.bottom - clip.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    rowsSet->Perform(WM_LBUTTONUP, 0, MAKELPARAM(50, 150));
    EXPECT_EQ(rowsSet->Sizes(), sizes);

    // A set that goes mid-drag frees the mouse too.
    Frame("contents")->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 1));
    ASSERT_TRUE(rowsSet->Resizing());
    fv->Clear();
    fv->ReleaseRetired();
    GetClipCursor(&clip);
    EXPECT_GE(clip.right - clip.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(fv->GetCurViewerCount(), 0);
}

TEST_F(FrameViewerTest, ADragOverASetOfNoSizeChangesNothing) {
    fv->SetBounds(0, 0, 0, 0);
    fv->LoadFromFile("index.htm");
    TSubFrameSet* rowsSet = fv->CurFrameSet();
    rowsSet->FVMouseDown(mbLeft, 0, 0, 0);
    EXPECT_FALSE(rowsSet->Resizing());
    rowsSet->FVMouseUp(mbLeft, 0, 0, 0);
    for (int s : rowsSet->Sizes()) EXPECT_EQ(s, 0);
}

// ---- META refresh

TEST_F(FrameViewerTest, MetaRefreshRunsOnItsTimerOnlyWhenAllowed) {
    auto shared = std::make_shared<FakeClock>();
    FakeClock& clock = *shared;
    fv->RefreshTimerFactory = [shared] { return std::make_unique<FakeClock::Timer>(shared); };
    WriteFileBytes("refresh.htm", "<meta http-equiv=\"Refresh\" content=\"5; url=other.htm\">"
                                  "<frameset cols=\"*,*\"><frame src=\"b.htm\"><frame src=\"c.htm\"></frameset>");
    fv->LoadFromFile("refresh.htm");
    EXPECT_EQ(clock.Starts, 0);

    fv->SetOptions(fv->fvOptions() | FvOption(fvMetaRefresh));
    fv->LoadFromFile("refresh.htm");
    FakeClock::Timer* timer = clock.RunningTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval, 5000u);
    timer->OnTimer(nullptr);
    fv->ReleaseRetired();
    EXPECT_EQ(fv->GetCurrentFile(), ExpandFileName("other.htm"));

    // A frame's own page asks for the refresh: that frame reloads.
    WriteFileBytes("ticking.htm", "<meta http-equiv=\"refresh\" content=\"2;url=c.htm\"><p>Tick</p>");
    WriteFileBytes("holder.htm", "<frameset cols=\"*,*\"><frame name=\"t\" src=\"ticking.htm\">"
                                 "<frame name=\"s\" src=\"b.htm\"></frameset>");
    fv->LoadFromFile("holder.htm");
    timer = clock.RunningTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval, 2000u);
    timer->OnTimer(nullptr);
    EXPECT_EQ(Shown("t"), "c.htm");
    EXPECT_EQ(Shown("s"), "b.htm");

    // Absurd delays are held to what a timer takes.
    WriteFileBytes("slow.htm", "<meta http-equiv=\"refresh\" content=\"1000000000\">"
                               "<frameset cols=\"*\"><frame src=\"b.htm\"></frameset>");
    fv->LoadFromFile("slow.htm");
    timer = clock.RunningTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval, 0x7FFFFFFFu);
    EXPECT_EQ(RefreshIntervalMs(0), 1000u);
    EXPECT_EQ(RefreshIntervalMs(LLONG_MAX), 0x7FFFFFFFu);
}

// ---- settings

TEST_F(FrameViewerTest, EverySettingReachesEveryFrameViewer) {
    fv->LoadFromFile("index.htm");
    struct Case {
        const char* name;
        std::function<void()> set;
        std::function<bool(TPageViewer*)> holds;
    } cases[] = {
        {"font size", [&] { fv->SetDefFontSize(17); }, [](TPageViewer* v) { return v->DefFontSize() == 17; }},
        {"font name", [&] { fv->SetDefFontName("Courier New"); },
         [](TPageViewer* v) { return v->DefFontName == "Courier New"; }},
        {"background", [&] { fv->SetDefBackground(0x123456); },
         [](TPageViewer* v) { return v->DefBackground() == 0x123456; }},
        {"font colour", [&] { fv->SetDefFontColor(0x00AA00); },
         [](TPageViewer* v) { return v->DefFontColor == 0x00AA00; }},
        {"hot spot", [&] { fv->SetDefHotSpotColor(0x0000AA); },
         [](TPageViewer* v) { return v->DefHotSpotColor == 0x0000AA; }},
        {"visited", [&] { fv->SetDefVisitedLinkColor(0x0A0A0A); },
         [](TPageViewer* v) { return v->DefVisitedLinkColor == 0x0A0A0A; }},
        {"over link", [&] { fv->SetDefOverLinkColor(0x0B0B0B); },
         [](TPageViewer* v) { return v->DefOverLinkColor == 0x0B0B0B; }},
        {"history", [&] { fv->SetHistoryMaxCount(7); }, [](TPageViewer* v) { return v->HistoryMaxCount == 7; }},
        {"no select", [&] { fv->SetNoSelect(true); }, [](TPageViewer* v) { return v->NoSelect(); }},
        {"images", [&] { fv->SetViewImages(false); }, [](TPageViewer* v) { return !v->ViewImages(); }},
        {"print scale", [&] { fv->SetPrintScale(2.0); }, [](TPageViewer* v) { return v->PrintScale == 2.0; }},
        {"print margin", [&] { fv->SetPrintMarginTop(3.5); },
         [](TPageViewer* v) { return v->PrintMarginTop == 3.5; }},
        {"char set", [&] { fv->SetCharSet(204); }, [](TPageViewer* v) { return v->CharSet == 204; }},
        {"options", [&] { fv->SetOptions(FvOption(fvNoLinkUnderline) | FvOption(fvShowVScroll)); },
         [](TPageViewer* v) {
             return v->htOptions() == (HtOption(htNoLinkUnderline) | HtOption(htShowVScroll));
         }},
        {"no border", [&] { fv->SetOptions(FvOption(fvNoBorder)); },
         [](TPageViewer* v) { return v->BorderStyle() == htNone; }},
        {"no focus rect", [&] { fv->SetOptions(FvOption(fvNoFocusRect)); },
         [](TPageViewer* v) { return v->BorderStyle() == htNone; }},
        {"border back", [&] { fv->SetOptions(0); }, [](TPageViewer* v) { return v->BorderStyle() == htFocused; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.set();
        ASSERT_EQ(fv->GetCurViewerCount(), 3);
        for (int i = 0; i < fv->GetCurViewerCount(); ++i) EXPECT_TRUE(c.holds(fv->GetCurViewer(i))) << i;
    }
    // A viewer made later takes the settings too.
    Click("contents", "other.htm", "main");
    for (TPageViewer* v : fv->GetViewers()) EXPECT_EQ(v->DefFontSize(), 17);
}

TEST_F(FrameViewerTest, NoVisitedListClearsEveryLink) {
    WriteFileBytes("links.htm", "<p><a href=\"b.htm\">B</a> <a href=\"c.htm\">C</a></p>");
    WriteFileBytes("two.htm", "<frameset cols=\"*,*\"><frame name=\"x\" src=\"links.htm\">"
                              "<frame name=\"y\" src=\"links.htm\"></frameset>");
    fv->LoadFromFile("two.htm");
    Click("x", "b.htm", "x");
    Click("y", "links.htm", "x");
    auto visitedRuns = [&](TPageViewer* v) {
        int n = 0;
        for (TFontObj* run : v->GetLinkList()) n += run->IsVisited ? 1 : 0;
        return n;
    };
    EXPECT_GT(visitedRuns(View("x")) + visitedRuns(View("y")), 0);
    fv->SetVisitedMaxCount(0);
    EXPECT_TRUE(fv->Visited().empty());
    EXPECT_EQ(visitedRuns(View("x")), 0);
    EXPECT_EQ(visitedRuns(View("y")), 0);
}

TEST_F(FrameViewerTest, WithoutAnActiveViewerTheSelectionIsEmpty) {
    fv->LoadFromFile("index.htm");
    ASSERT_EQ(fv->GetActiveViewer(), nullptr);
    EXPECT_EQ(fv->GetSelLength(), 0);
    EXPECT_EQ(fv->GetSelStart(), 0);
    EXPECT_EQ(fv->GetCaretPos(), 0);
    EXPECT_EQ(fv->GetSelText(), L"");
    EXPECT_FALSE(fv->Find(L"Main", false));
    EXPECT_FALSE(fv->FindEx(L"Main", false, true));
    EXPECT_EQ(fv->NumPrinterPages(), 0);
    wchar_t buffer[8] = L"x";
    EXPECT_EQ(fv->GetSelTextBuf(buffer, 8), 0);
    fv->SelectAll();
    fv->CopyToClipboard();

    // With one: they act on it.
    fv->CurFrameSet()->ActiveViewer = View("main");
    EXPECT_TRUE(fv->Find(L"Main line 3", false));
    EXPECT_NE(fv->GetSelLength(), 0);
    EXPECT_EQ(fv->GetSelText(), L"Main line 3");
}

}  // namespace
