// The viewer control on screen: loading, scrolling and painting.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <utility>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/gdi_handles.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/form_controls.h"
#include "html/html_startup.h"
#include "html/text_section.h"
#include "images/engine_palette.h"
#include "support/test_support.h"
#include "viewer/page_viewer.h"

namespace {

std::string Lines(int count, int first = 1) {
    std::string html;
    for (int i = first; i < first + count; ++i) html += "<p>Line " + std::to_string(i) + "</p>\n";
    return html;
}

const std::string kLongPage = "<title>Long</title>" + Lines(60);
const std::string kShortPage = "<p>One short line</p>";
const std::string kAnchorPage = Lines(40) + "<p><a name=\"target\">Target</a></p>" + Lines(40, 41);

// What the paint panel shows, painted into a bitmap of its size.
owned_ptr<TBitmap> PanelPicture(TPageViewer* viewer) {
    TPaintPanel* panel = viewer->PaintPanelControl();
    owned_ptr<TBitmap> bitmap(new TBitmap);
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(panel->Width(), panel->Height());
    panel->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(bitmap->Canvas()->Handle()));
    return bitmap;
}

unsigned Rgb(TBitmap* bitmap, int x, int y) { return bitmap->Canvas()->Pixels(x, y) & 0xFFFFFF; }

int CountPixels(TBitmap* bitmap, unsigned color) {
    int count = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x)
            if (Rgb(bitmap, x, y) == color) ++count;
    return count;
}

class PageViewerTest : public ::testing::Test {
protected:
    PageViewerTest() : form(new TForm(nullptr)), viewer(new TPageViewer(nullptr)) {
        form->SetBounds(0, 0, 640, 480);
        viewer->SetParent(form.get());
        viewer->SetBounds(0, 0, 420, 300);
        viewer->DefFontName = "Arial";
        // Painting goes through the panel's window procedure.
        viewer->PaintPanelControl()->HandleNeeded();
    }
    owned_ptr<TForm> form;
    owned_ptr<TPageViewer> viewer;
};

TEST_F(PageViewerTest, FileStreamAndStringGiveTheSameDocument) {
    testing_support::TempWorkDir dir;
    for (const std::string& html : {kLongPage, kShortPage}) {
        SCOPED_TRACE(html.substr(0, 30));
        testing_support::WriteFileBytes("page.htm", html);
        viewer->LoadFromFile("page.htm");
        const int fromFile = viewer->DocumentHeight();
        EXPECT_GT(fromFile, 0);
        EXPECT_EQ(viewer->Source(), html);
        EXPECT_EQ(viewer->CurrentFile(), ExpandFileName("page.htm"));

        TStringStream stream(html);
        stream.SetPosition(stream.Size());  // the whole stream is read whatever its position
        viewer->LoadFromStream(&stream, "");
        EXPECT_EQ(viewer->DocumentHeight(), fromFile);
        EXPECT_EQ(viewer->Source(), html);

        viewer->LoadFromString(html, "");
        EXPECT_EQ(viewer->DocumentHeight(), fromFile);
        EXPECT_TRUE(viewer->CurrentFile().empty());
    }
    EXPECT_EQ(viewer->Title(), L"");

    // A missing file is an error and leaves the shown page as it was.
    viewer->LoadFromFile("page.htm");
    const int height = viewer->DocumentHeight();
    const std::string current = viewer->CurrentFile();
    EXPECT_THROW(viewer->LoadFromFile("absent.htm"), EInOutError);
    EXPECT_FALSE(viewer->Processing());
    EXPECT_EQ(viewer->DocumentHeight(), height);
    EXPECT_EQ(viewer->CurrentFile(), current);
    viewer->LoadFromString(kLongPage, "");
    EXPECT_EQ(viewer->Title(), L"Long") << "the viewer still loads after the failure";
}

TEST_F(PageViewerTest, VerticalRangeIsTheDocumentBelowThePanel) {
    viewer->LoadFromString(kLongPage, "");
    TPaintPanel* panel = viewer->PaintPanelControl();
    ASSERT_GT(viewer->DocumentHeight(), viewer->Height());
    EXPECT_TRUE(viewer->VScrollBarVisible());
    EXPECT_EQ(panel->Height(), viewer->Height() - 2) << "only the border is taken";
    EXPECT_EQ(panel->Width(), viewer->Width() - 2 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(viewer->GetScrollBarRange(), viewer->DocumentHeight() - panel->Height());
    EXPECT_EQ(viewer->GetScrollPos(), 0);

    const struct {
        int asked, expected;
    } positions[] = {{120, 120}, {-5, 0}, {1000000, viewer->DocumentHeight() - panel->Height()}};
    for (const auto& p : positions) {
        viewer->SetScrollPos(p.asked);
        EXPECT_EQ(viewer->GetScrollPos(), p.expected) << p.asked;
    }

    // A new page starts at its top; a short one cannot scroll at all.
    viewer->LoadFromString(kShortPage, "");
    EXPECT_FALSE(viewer->VScrollBarVisible());
    EXPECT_EQ(panel->Width(), viewer->Width() - 2);
    EXPECT_LT(viewer->DocumentHeight(), panel->Height());
    EXPECT_LE(viewer->GetScrollBarRange(), 0);
    EXPECT_EQ(viewer->GetScrollPos(), 0);
    for (int asked : {1, 100, -1}) {
        viewer->SetScrollPos(asked);
        EXPECT_EQ(viewer->GetScrollPos(), 0) << asked;
    }
}

TEST_F(PageViewerTest, AShorterReloadOfTheSamePageBringsThePositionBack) {
    testing_support::TempWorkDir dir;
    // Reloaded from the file, from a string under the same name, and back to
    // a place whose section the shorter page no longer has.
    const std::function<void(const std::string&)> loads[] = {
        [&](const std::string& html) {
            testing_support::WriteFileBytes("page.htm", html);
            viewer->LoadFromFile("page.htm");
        },
        [&](const std::string& html) { viewer->LoadFromString(html, "page.htm"); },
    };
    for (const auto& load : loads) {
        load(Lines(200));
        viewer->SetScrollPos(1000000);
        const int bottom = viewer->GetScrollPos();
        ASSERT_GT(bottom, 1000);
        const int position = viewer->GetPosition();
        load(Lines(30));
        const int range = viewer->GetScrollBarRange();
        ASSERT_GT(range, 0);
        EXPECT_EQ(viewer->GetScrollPos(), range);
        // The pane shows the page's last lines, not white past its end.
        owned_ptr<TBitmap> shown = PanelPicture(viewer.get());
        EXPECT_GT(shown->Width() * shown->Height() - CountPixels(shown.get(), Rgb(shown.get(), 0, 0)), 50);
        // As a reload does: the place in a section the shorter page no
        // longer has is passed over, and the clamped one stays.
        viewer->SetPosition(position);
        EXPECT_EQ(viewer->GetScrollPos(), range);
        // The same length keeps its place.
        load(Lines(30));
        EXPECT_EQ(viewer->GetScrollPos(), range);
        viewer->Clear();
    }
}

TEST_F(PageViewerTest, BarsFollowTheBorderTheScrollStyleAndTheAlwaysShownOption) {
    const int W = viewer->Width(), H = viewer->Height(), S = GetSystemMetrics(SM_CXVSCROLL);
    const std::string wide = "<table width=900><tr><td>wide</td></tr></table>";
    const struct Case {
        const char* name;
        THTMLBorderStyle border;
        TScrollStyle bars;
        bool showV;
        std::string html;
        bool vVisible, vEnabled, hVisible;
        int panelLeft, panelWidth, panelHeight;
    } cases[] = {
        {"no border, short", htNone, ssBoth, false, kShortPage, false, false, false, 0, W, H},
        {"no border, long", htNone, ssBoth, false, kLongPage, true, true, false, 0, W - S, H},
        {"always shown, short", htSingle, ssBoth, true, kShortPage, true, false, false, 1, W - S - 2, H - 2},
        {"always shown, long", htSingle, ssVertical, true, kLongPage, true, true, false, 1, W - S - 2, H - 2},
        {"no bars, long and wide", htSingle, ssNone, false, kLongPage + wide, false, false, false, 1, W - 2, H - 2},
        {"sideways only, long and wide", htSingle, ssHorizontal, false, kLongPage + wide, false, false, true, 1,
         W - 2, H - 2 - S},
        {"sideways only, long", htSingle, ssHorizontal, false, kLongPage, false, false, false, 1, W - 2, H - 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        viewer->SetBorderStyle(c.border);
        viewer->SetScrollBars(c.bars);
        viewer->SetOptions(c.showV ? HtOption(htShowVScroll) : 0);
        viewer->LoadFromString(c.html, "");
        TPaintPanel* panel = viewer->PaintPanelControl();
        EXPECT_EQ(viewer->VScrollBarVisible(), c.vVisible);
        if (c.vVisible) EXPECT_EQ(viewer->VScrollBarEnabled(), c.vEnabled);
        EXPECT_EQ(viewer->HScrollBarVisible(), c.hVisible);
        EXPECT_EQ(panel->Left(), c.panelLeft);
        EXPECT_EQ(panel->Top(), c.panelLeft);
        EXPECT_EQ(panel->Width(), c.panelWidth);
        EXPECT_EQ(panel->Height(), c.panelHeight);
        // Without a vertical bar the page is laid out at the panel's full width.
        if (!c.vVisible && !c.showV) EXPECT_EQ(viewer->FullDisplaySize(panel->Width()).cy, viewer->DocumentHeight());
    }
}

TEST_F(PageViewerTest, APaintOfTheWholeControlShowsTheDocument) {
    viewer->SetColor(0xE0E0E0);
    viewer->LoadFromString(kLongPage, "");
    owned_ptr<TBitmap> shot(new TBitmap);
    shot->SetPixelFormat(pf24bit);
    shot->SetSize(viewer->Width(), viewer->Height());
    shot->Canvas()->Brush()->SetColor(0x0000FF);
    shot->Canvas()->FillRect({0, 0, viewer->Width(), viewer->Height()});
    viewer->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(shot->Canvas()->Handle()));
    TPaintPanel* panel = viewer->PaintPanelControl();
    int text = 0, untouched = 0;
    for (int y = panel->Top(); y < panel->Top() + panel->Height(); ++y)
        for (int x = panel->Left(); x < panel->Left() + panel->Width(); ++x) {
            const unsigned c = Rgb(shot.get(), x, y);
            text += c != 0xE0E0E0 && c != 0x0000FF;
            untouched += c == 0x0000FF;
        }
    EXPECT_GT(text, 200) << "the lines of the page";
    EXPECT_EQ(untouched, 0);
    // The bar is there too.
    const int barX = viewer->Width() - 1 - GetSystemMetrics(SM_CXVSCROLL) / 2;
    EXPECT_NE(Rgb(shot.get(), barX, viewer->Height() / 2), 0x0000FFu);
}

// A box placed at left 120 of the page, in the flow or absolutely, moves
// with the page when it scrolls sideways.
TEST_F(PageViewerTest, AnAbsoluteBoxScrollsSidewaysWithThePage) {
    viewer->LoadFromString(
        "<body leftmargin=0 topmargin=0><table width=900 cellpadding=0 cellspacing=0 border=0><tr><td></td></tr></table>"
        "<div style=\"margin-left: 120px; width: 30px; height: 20px; background-color: #00FF00\"></div>"
        "<div style=\"position: absolute; left: 120px; top: 60px; width: 30px; height: 20px; "
        "background-color: #0000FF\"></div>",
        "");
    ASSERT_TRUE(viewer->HScrollBarVisible());
    auto leftOf = [](TBitmap* shot, int y, unsigned color) {
        for (int x = 0; x < shot->Width(); ++x)
            if (Rgb(shot, x, y) == color) return x;
        return -1;
    };
    for (int scroll : {0, 60}) {
        SCOPED_TRACE(scroll);
        viewer->SetHScrollPos(scroll);
        ASSERT_EQ(viewer->GetHScrollPos(), scroll);
        owned_ptr<TBitmap> shot = PanelPicture(viewer.get());
        EXPECT_EQ(leftOf(shot.get(), 15, 0x00FF00), 120 - scroll);
        EXPECT_EQ(leftOf(shot.get(), 70, 0xFF0000), 120 - scroll);
    }
}

// The panel keeps its off-screen bitmap between paints: a paint of a part
// must show that part as a paint of the whole does, leave the rest of the
// target alone, and start from a fresh drawing state, however the paints
// before it ended; a larger panel gets a larger bitmap.
TEST_F(PageViewerTest, PaintsOfPartsShowWhatAWholePaintShows) {
    const std::string page =
        "<body bgcolor=\"#F0F0E0\"><h1>Heading</h1><p><font color=red>Red</font> and <b>bold</b> and "
        "<i>italic</i> words.</p><pre>pre  formatted\n  text</pre><ul><li>one<li>two</ul>"
        "<table border=2 bgcolor=\"#C0E0C0\"><tr><td>cell</td><td>other</td></tr></table>" +
        Lines(20);
    TPaintPanel* panel = viewer->PaintPanelControl();
    auto paintPart = [&](const TRect& part) {
        owned_ptr<TBitmap> bitmap(new TBitmap);
        bitmap->SetPixelFormat(pf24bit);
        bitmap->SetSize(panel->Width(), panel->Height());
        bitmap->Canvas()->Brush()->SetColor(0x0000FF);
        bitmap->Canvas()->FillRect({0, 0, panel->Width(), panel->Height()});
        HDC dc = bitmap->Canvas()->Handle();
        IntersectClipRect(dc, part.Left, part.Top, part.Right, part.Bottom);
        panel->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(dc));
        SelectClipRgn(dc, nullptr);
        return bitmap;
    };
    for (int size : {0, 1}) {
        SCOPED_TRACE(size);
        if (size == 1) viewer->SetBounds(0, 0, 560, 420);
        viewer->LoadFromString(page, "");
        owned_ptr<TBitmap> whole = PanelPicture(viewer.get());
        const int w = panel->Width(), h = panel->Height();
        const int bitmaps = GuiResourceCount(TGuiResource::Bitmap);
        for (const TRect& part : {TRect{0, 0, w, 40}, TRect{30, 60, 200, 190}, TRect{0, h - 25, w, h},
                                  TRect{0, 0, w, h}}) {
            owned_ptr<TBitmap> shot = paintPart(part);
            int wrong = 0, outside = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool in = x >= part.Left && x < part.Right && y >= part.Top && y < part.Bottom;
                    const unsigned c = Rgb(shot.get(), x, y);
                    if (in) wrong += c != Rgb(whole.get(), x, y);
                    else outside += c != 0x0000FF;
                }
            EXPECT_EQ(wrong, 0) << part.Left << "," << part.Top << " " << part.Width() << "x" << part.Height();
            EXPECT_EQ(outside, 0) << part.Left << "," << part.Top << " " << part.Width() << "x" << part.Height();
        }
        EXPECT_EQ(GuiResourceCount(TGuiResource::Bitmap), bitmaps) << "the off-screen bitmap is kept";
    }
}

TEST_F(PageViewerTest, TheSystemIBeamGivesWayToTheEnginesTextCursor) {
    viewer->SetCursor(crIBeam);
    viewer->LoadFromString(kShortPage, "");
    EXPECT_EQ(viewer->Cursor(), ThickIBeamCursor);
    viewer->SetCursor(crArrow);  // any other cursor stays
    viewer->LoadFromString(kShortPage, "");
    EXPECT_EQ(viewer->Cursor(), crArrow);
}

TEST_F(PageViewerTest, LayoutPassesFollowWhetherTheVerticalBarIsNeeded) {
    const int w = viewer->Width() - 2, h = viewer->Height() - 2, s = GetSystemMetrics(SM_CXVSCROLL);
    auto box = [](int width, int height) {
        return "<div style=\"width: " + std::to_string(width) + "px; height: " + std::to_string(height) +
               "px\"></div>";
    };
    viewer->LoadFromString(box(50, 100), "");
    const int extraDown = viewer->DocumentHeight() - 100;
    const int extraAcross = viewer->FullDisplaySize(w).cx - 50;
    auto passes = [&](const std::string& html) {
        const int before = viewer->Document()->LayoutCycle;
        viewer->LoadFromString(html, "");
        return viewer->Document()->LayoutCycle - before;
    };
    const std::string taller = box(50, h + 40 - extraDown);
    // Short: one pass. Taller than the pane: a second, narrower one.
    EXPECT_EQ(passes(box(50, 100)), 1);
    EXPECT_EQ(passes(taller), 2);
    EXPECT_EQ(viewer->PaintPanelControl()->Width(), w - s);
    // Needed at first only for a bar across (wider than the pane less a
    // bar, and nearly as tall as the pane): the narrower pass shows it is
    // not, and a third pass lays the page out at the full width again.
    EXPECT_EQ(passes(box(w - s / 2 - extraAcross, h - s / 2 - extraDown)), 3);
    // A long source goes straight to the narrower width.
    EXPECT_EQ(passes(taller + "<!--" + std::string(10000, 'x') + "-->"), 1);
    EXPECT_EQ(viewer->PaintPanelControl()->Width(), w - s);
    // So does the always-shown bar; without vertical bars the full width.
    viewer->SetOptions(HtOption(htShowVScroll));
    EXPECT_EQ(passes(box(50, 100)), 1);
    EXPECT_EQ(viewer->FullDisplaySize(w - s).cy, viewer->DocumentHeight());
    viewer->SetOptions(0);
    viewer->SetScrollBars(ssNone);
    EXPECT_EQ(passes(taller), 1);
    EXPECT_EQ(viewer->PaintPanelControl()->Width(), w);
}

TEST_F(PageViewerTest, PanelShowsTheDocumentAtTheScrollPosition) {
    viewer->LoadFromString(kLongPage, "");
    const int w = viewer->PaintPanelControl()->Width(), h = viewer->PaintPanelControl()->Height();
    constexpr int kScrolled = 150;
    ASSERT_GE(viewer->GetScrollBarRange(), kScrolled);

    // The document drawn from its top into a bitmap tall enough for both views.
    TBitmap whole;
    whole.SetPixelFormat(pf24bit);
    whole.SetSize(w, h + kScrolled);
    whole.Canvas()->Brush()->SetColor(viewer->DefBackground());
    whole.Canvas()->FillRect({0, 0, w, h + kScrolled});
    viewer->Document()->Draw(whole.Canvas(), {0, 0, w, h + kScrolled}, 6000, 0, 0, 0, 0);

    const unsigned background = ColorToRGB(viewer->DefBackground()) & 0xFFFFFF;
    for (int scroll : {0, kScrolled}) {
        SCOPED_TRACE(scroll);
        viewer->SetScrollPos(scroll);
        owned_ptr<TBitmap> shown = PanelPicture(viewer.get());
        int differing = 0, ink = 0;
        // Lines cut by the panel's edges may be left out; the middle must match.
        for (int y = 20; y < h - 20; ++y)
            for (int x = 0; x < w; ++x) {
                const unsigned pixel = Rgb(shown.get(), x, y);
                if (pixel != Rgb(&whole, x, y + scroll)) ++differing;
                if (pixel != background) ++ink;
            }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(ink, 100) << "text is painted";
    }
}

TEST_F(PageViewerTest, BackgroundAndTextColours) {
    viewer->SetColor(0x00C0FF);
    viewer->DefFontColor = 0x0000FF;
    viewer->LoadFromString("<p><font size=7><b>HHHH</b></font></p>", "");
    owned_ptr<TBitmap> shown = PanelPicture(viewer.get());
    const int w = shown->Width(), h = shown->Height();
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, h - 1}, {w - 1, 0}, {0, h - 1}, {w / 2, h - 10}})
        EXPECT_EQ(Rgb(shown.get(), x, y), 0x00C0FFu) << x << "," << y;
    EXPECT_GT(CountPixels(shown.get(), 0x0000FF), 50) << "the default text colour";

    // A new colour repaints the page without reloading it.
    viewer->SetColor(0x336600);
    shown = PanelPicture(viewer.get());
    EXPECT_EQ(Rgb(shown.get(), w - 1, h - 1), 0x336600u);
    EXPECT_EQ(CountPixels(shown.get(), 0x00C0FF), 0);
    EXPECT_GT(CountPixels(shown.get(), 0x0000FF), 50);
}

TEST_F(PageViewerTest, AnchorScrollsToItsPlace) {
    // Where the anchor's line sits: the height of what comes before it.
    viewer->LoadFromString(Lines(40), "");
    const int above = viewer->DocumentHeight();

    testing_support::TempWorkDir dir;
    testing_support::WriteFileBytes("anchors.htm", kAnchorPage);
    viewer->LoadFromFile("anchors.htm#target");
    const int fromFile = viewer->GetScrollPos();
    EXPECT_NEAR(fromFile, above, 30);

    viewer->LoadFromString(kAnchorPage, "#target");
    EXPECT_EQ(viewer->GetScrollPos(), fromFile);

    viewer->SetScrollPos(0);
    EXPECT_TRUE(viewer->PositionTo("TARGET")) << "names do not depend on case";
    EXPECT_EQ(viewer->GetScrollPos(), fromFile);

    viewer->SetScrollPos(40);
    EXPECT_FALSE(viewer->PositionTo("nowhere"));
    EXPECT_FALSE(viewer->PositionTo(""));
    EXPECT_EQ(viewer->GetScrollPos(), 40);

    // Wherever the name stands on its line, the line is what is shown.
    const struct {
        std::string before, anchor;
    } places[] = {
        {"", "<a name=x>T</a>"},
        {"<p>a</p>", "<p><a name=x>T</a></p>"},
        {"<p>a</p>", "<a name=x>T</a>"},
        {"<p>a</p>", "<p>b<a name=x>T</a></p>"},
        {Lines(10), "<p><a name=x></a>T</p>"},
    };
    for (const auto& p : places) {
        viewer->LoadFromString(p.before, "");
        const int height = p.before.empty() ? 0 : viewer->DocumentHeight();
        viewer->LoadFromString(p.before + p.anchor + Lines(40), "#x");
        EXPECT_NEAR(viewer->GetScrollPos(), height, 12) << p.before.substr(0, 20) << p.anchor;
    }

    // An anchor too near the end scrolls only as far as the page goes.
    viewer->LoadFromString(Lines(40) + "<p><a name=\"end\">End</a></p>", "#end");
    EXPECT_EQ(viewer->GetScrollPos(), viewer->GetScrollBarRange());
    viewer->LoadFromString(kShortPage + "<a name=\"x\"></a>", "#x");
    EXPECT_EQ(viewer->GetScrollPos(), 0);
}


// ---- history

class PageViewerHistoryTest : public PageViewerTest {
protected:
    PageViewerHistoryTest() {
        for (const char* name : {"a", "b", "c", "d"})
            testing_support::WriteFileBytes(std::string(name) + ".htm",
                                            std::string("<title>") + name + "</title>" + Lines(80));
        viewer->SetHistoryMaxCount(5);
        viewer->OnHistoryChange = [this](TObject*) { ++changes; };
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const std::string& file : viewer->History()) names.push_back(ExtractFileName(file));
        return names;
    }
    using Names_t = std::vector<std::string>;
    testing_support::TempWorkDir dir;
    int changes = 0;
};

TEST_F(PageViewerHistoryTest, NewFilesGoInFrontAndForwardEntriesGo) {
    viewer->LoadFromFile("a.htm");
    EXPECT_EQ(Names(), Names_t({"a.htm"}));
    EXPECT_EQ(changes, 1);

    // The same file again, scrolled or not, is no new entry.
    viewer->LoadFromFile("a.htm");
    viewer->SetScrollPos(200);
    viewer->LoadFromFile("a.htm");
    EXPECT_EQ(viewer->HistoryCount(), 1);
    EXPECT_EQ(changes, 1);

    viewer->SetScrollPos(300);
    const int leftAt = viewer->GetPosition();
    viewer->LoadFromFile("b.htm");
    viewer->LoadFromFile("c.htm");
    EXPECT_EQ(Names(), Names_t({"c.htm", "b.htm", "a.htm"}));
    EXPECT_EQ(viewer->TitleHistory(), std::vector<std::wstring>({L"c", L"b", L"a"}));
    EXPECT_EQ(viewer->HistoryEntry(2)->Pos, leftAt) << "the entry left keeps where it was left";
    EXPECT_EQ(viewer->HistoryEntry(0)->FileType, HTMLType);
    EXPECT_EQ(changes, 3);

    // Back to a: the file and its position come back.
    viewer->SetHistoryIndex(2);
    EXPECT_EQ(ExtractFileName(viewer->CurrentFile()), "a.htm");
    EXPECT_EQ(viewer->GetScrollPos(), 300);
    EXPECT_EQ(viewer->HistoryIndex(), 2);
    EXPECT_EQ(viewer->HistoryCount(), 3) << "moving in the history adds nothing";
    EXPECT_EQ(changes, 4);

    // A new file from there drops c and b.
    viewer->LoadFromFile("d.htm");
    EXPECT_EQ(Names(), Names_t({"d.htm", "a.htm"}));
    EXPECT_EQ(viewer->HistoryIndex(), 0);

    // Forward again keeps the position of the page left.
    viewer->SetScrollPos(120);
    viewer->SetHistoryIndex(1);
    viewer->SetHistoryIndex(0);
    EXPECT_EQ(ExtractFileName(viewer->CurrentFile()), "d.htm");
    EXPECT_EQ(viewer->GetScrollPos(), 120);
}

TEST_F(PageViewerHistoryTest, IndexOutsideTheListOrWhileProcessingIsIgnored) {
    viewer->LoadFromFile("a.htm");
    viewer->LoadFromFile("b.htm");
    const int before = changes;
    for (int index : {-1, 2, 99, 0}) {
        viewer->SetHistoryIndex(index);
        EXPECT_EQ(viewer->HistoryIndex(), 0) << index;
    }
    viewer->SetProcessing(true);
    viewer->SetHistoryIndex(1);
    viewer->SetProcessing(false);
    EXPECT_EQ(viewer->HistoryIndex(), 0);
    EXPECT_EQ(ExtractFileName(viewer->CurrentFile()), "b.htm");
    EXPECT_EQ(changes, before);
}

TEST_F(PageViewerHistoryTest, MaxCountTrimsAndASmallerOneClears) {
    viewer->SetHistoryMaxCount(2);
    EXPECT_EQ(viewer->HistoryMaxCount, 2);
    for (const char* name : {"a.htm", "b.htm", "c.htm"}) viewer->LoadFromFile(name);
    EXPECT_EQ(Names(), Names_t({"c.htm", "b.htm"}));

    viewer->SetHistoryMaxCount(-1);
    EXPECT_EQ(viewer->HistoryMaxCount, 2) << "negative is ignored";
    viewer->SetHistoryMaxCount(4);
    EXPECT_EQ(viewer->HistoryCount(), 2) << "a larger count keeps the entries";
    changes = 0;
    viewer->SetHistoryMaxCount(1);
    EXPECT_EQ(viewer->HistoryCount(), 0);
    EXPECT_EQ(changes, 1);

    // Clearing an empty history tells nobody.
    viewer->ClearHistory();
    EXPECT_EQ(changes, 1);
}

TEST_F(PageViewerHistoryTest, NoHistoryKeptAtMaxCountZero) {
    viewer->SetHistoryMaxCount(0);
    changes = 0;
    for (const char* name : {"a.htm", "b.htm", "a.htm", "c.htm"}) viewer->LoadFromFile(name);
    viewer->LoadTextFile("d.htm");
    EXPECT_EQ(viewer->HistoryCount(), 0);
    EXPECT_EQ(changes, 0);
}

TEST_F(PageViewerHistoryTest, MemoryLoadsKeepNoHistory) {
    viewer->LoadFromFile("a.htm");
    TStringStream stream(kLongPage);
    viewer->LoadFromStream(&stream, "");
    viewer->LoadFromString(kShortPage, "b.htm");
    EXPECT_EQ(Names(), Names_t({"a.htm"}));

    // From a page with no file there is nothing to go back to.
    viewer->LoadFromString(kShortPage, "");
    viewer->LoadFromFile("c.htm");
    EXPECT_EQ(Names(), Names_t({"c.htm", "a.htm"}));
}

TEST_F(PageViewerHistoryTest, SameFileAtAnotherPlaceAndAnotherType) {
    viewer->LoadFromFile("a.htm");
    // What a link to an anchor of the page records.
    const int top = viewer->GetPosition();
    viewer->SetScrollPos(250);
    viewer->BumpHistory(viewer->CurrentFile(), viewer->Title(), top, nullptr, viewer->FileType());
    EXPECT_EQ(Names(), Names_t({"a.htm", "a.htm"}));
    // Nothing moved: no entry.
    viewer->BumpHistory(viewer->CurrentFile(), viewer->Title(), viewer->GetPosition(), nullptr, viewer->FileType());
    EXPECT_EQ(viewer->HistoryCount(), 2);

    viewer->SetHistoryIndex(1);
    EXPECT_EQ(viewer->GetScrollPos(), 0);
    viewer->SetHistoryIndex(0);
    EXPECT_EQ(viewer->GetScrollPos(), 250);

    // The same file as text is another entry, and comes back as text.
    viewer->LoadTextFile("a.htm");
    EXPECT_EQ(viewer->HistoryCount(), 3);
    EXPECT_EQ(viewer->HistoryEntry(0)->FileType, TextType);
    viewer->SetHistoryIndex(1);
    EXPECT_EQ(viewer->FileType(), HTMLType);
    viewer->SetHistoryIndex(0);
    EXPECT_EQ(viewer->FileType(), TextType);
    EXPECT_NE(viewer->Source().find("<title>"), std::string::npos);
}

TEST_F(PageViewerHistoryTest, AFileGoneFromDiskLeavesTheHistoryAsItWas) {
    viewer->LoadFromFile("a.htm");
    viewer->LoadFromFile("b.htm");
    DeleteFile("a.htm");
    EXPECT_THROW(viewer->SetHistoryIndex(1), EInOutError);
    EXPECT_EQ(viewer->HistoryIndex(), 0);
    EXPECT_FALSE(viewer->Processing());
    EXPECT_EQ(viewer->HistoryCount(), 2);
}

TEST_F(PageViewerHistoryTest, GoingBackRestoresWhatTheFormHeld) {
    testing_support::WriteFileBytes("form.htm", "<form><input type=text name=q value=start></form>" + Lines(60));
    auto edit = [&]() -> TEditFormControlObj* {
        for (TFormControlObj* control : viewer->Document()->AllFormControls)
            if (auto* e = dynamic_cast<TEditFormControlObj*>(control)) return e;
        return nullptr;
    };
    viewer->LoadFromFile("form.htm");
    ASSERT_TRUE(edit());
    // An anchor jump on the page: two entries of the one file.
    const int top = viewer->GetPosition();
    viewer->SetScrollPos(200);
    viewer->BumpHistory(viewer->CurrentFile(), viewer->Title(), top, nullptr, HTMLType);
    edit()->SetText(L"typed");
    viewer->LoadFromFile("a.htm");
    EXPECT_EQ(Names(), Names_t({"a.htm", "form.htm", "form.htm"}));

    // Back to the older entry: the page is read again and the text comes back.
    viewer->SetHistoryIndex(2);
    ASSERT_TRUE(edit());
    EXPECT_EQ(edit()->GetText(), L"typed");
    EXPECT_EQ(viewer->GetScrollPos(), 0);

    // Moving within the page keeps what is typed; leaving and coming back
    // brings the latest text.
    edit()->SetText(L"again");
    viewer->SetHistoryIndex(1);
    EXPECT_EQ(edit()->GetText(), L"again");
    EXPECT_EQ(viewer->GetScrollPos(), 200);
    viewer->SetHistoryIndex(0);
    viewer->SetHistoryIndex(2);
    EXPECT_EQ(edit()->GetText(), L"again");
}

TEST_F(PageViewerTest, PositionSurvivesAnotherWidth) {
    std::string words;
    for (int i = 0; i < 600; ++i) words += "word ";
    // Narrower, the long paragraph grows and moves what follows it down.
    viewer->LoadFromString(Lines(20) + "<p>" + words + "</p>" + Lines(60, 21), "");
    viewer->SetScrollPos(viewer->GetScrollBarRange() - 100);
    const int position = viewer->GetPosition();
    const int before = viewer->GetScrollPos();
    EXPECT_GT(static_cast<unsigned>(position) >> 16, 0u) << "a section and an offset into it";
    const int offset = position & 0xFFFF;
    const int height = viewer->DocumentHeight();
    viewer->SetBounds(0, 0, 250, 300);
    ASSERT_GT(viewer->DocumentHeight(), height) << "laid out again at the new width";
    viewer->SetPosition(position);
    EXPECT_EQ(viewer->GetPosition(), position);
    EXPECT_GT(viewer->GetScrollPos(), before);

    // A plain number is a pixel position; a section that is not there is ignored.
    viewer->SetPosition(40);
    EXPECT_EQ(viewer->GetScrollPos(), 40);
    viewer->SetPosition(0x7FFF0000 | offset);
    EXPECT_EQ(viewer->GetScrollPos(), 40);
}


// ---- settings, META, pictures

TEST_F(PageViewerTest, SettingsAreKeptInTheirRanges) {
    const struct {
        double asked, expected;
    } scales[] = {{10, 4.0}, {0.1, 0.25}, {4.0, 4.0}, {0.25, 0.25}, {1.5, 1.5}};
    for (const auto& c : scales) {
        viewer->SetPrintScale(c.asked);
        EXPECT_DOUBLE_EQ(viewer->PrintScale, c.expected) << c.asked;
    }
    const struct {
        int asked, expected;
    } counts[] = {{25, 20}, {-3, 0}, {7, 7}};
    for (const auto& c : counts) {
        viewer->SetImageCacheCount(c.asked);
        EXPECT_EQ(viewer->ImageCacheCount(), c.expected) << c.asked;
    }
    const struct {
        const char *asked, *expected;
    } roots[] = {{"  C:\\web\\ ", "C:\\web"}, {"C:\\web\\\\", "C:\\web\\"}, {"", ""}, {"\\", ""}};
    for (const auto& c : roots) {
        viewer->SetServerRoot(c.asked);
        EXPECT_EQ(viewer->ServerRoot(), c.expected) << c.asked;
    }
}

TEST_F(PageViewerTest, RefreshMetaGivesDelayAndUrl) {
    struct Refresh {
        int delay;
        std::string url;
    };
    std::vector<Refresh> refreshes;
    std::vector<std::string> metas;
    viewer->OnMeta = [&](TObject*, const std::string& httpEq, const std::string& name, const std::string& content) {
        metas.push_back(httpEq + "|" + name + "|" + content);
    };
    viewer->OnMetaRefresh = [&](TObject*, int delay, const std::string& url) { refreshes.push_back({delay, url}); };
    const struct {
        const char* httpEq;
        const char* content;
        int delay;  // -1: no refresh
        const char* url;
    } cases[] = {
        {"refresh", "0;url=next.htm", 1, "next.htm"},
        {"REFRESH", "5; URL=Next Page.htm", 5, "Next Page.htm"},
        {"Refresh", "7", 7, ""},
        {"refresh", "3 ;uRl=a.htm;b", 3, "a.htm;b"},
        {"refresh", "soon;url=x.htm", -1, ""},
        {"refresh", "", -1, ""},
        {"refresh", "-2;url=x.htm", -1, ""},
        {"expires", "5;url=x.htm", -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        refreshes.clear();
        metas.clear();
        viewer->LoadFromString(std::string("<meta http-equiv=\"") + c.httpEq + "\" content=\"" + c.content + "\">" +
                                   kShortPage,
                               "");
        ASSERT_EQ(metas.size(), 1u);
        EXPECT_EQ(metas[0], std::string(c.httpEq) + "||" + c.content);
        if (c.delay < 0) {
            EXPECT_TRUE(refreshes.empty());
        } else {
            ASSERT_EQ(refreshes.size(), 1u);
            EXPECT_EQ(refreshes[0].delay, c.delay);
            EXPECT_EQ(refreshes[0].url, c.url);
        }
    }

    // A later load without the META asks for nothing; text loads never do.
    refreshes.clear();
    metas.clear();
    viewer->LoadFromString(kShortPage, "");
    viewer->LoadTextFromString("<meta http-equiv=refresh content=1>");
    EXPECT_TRUE(refreshes.empty());

    // Without a refresh handler the META is only reported.
    viewer->OnMetaRefresh = nullptr;
    viewer->LoadFromString("<meta http-equiv=refresh content=\"2;url=a.htm\">", "");
    EXPECT_EQ(viewer->RefreshDelay(), 0);
    EXPECT_EQ(metas.size(), 1u);
}

TEST_F(PageViewerTest, FullDisplaySizeLaysOutACopy) {
    std::string words;
    for (int i = 0; i < 300; ++i) words += "word ";
    viewer->LoadFromString("<p>" + words + "</p>" + Lines(20), "");
    const int height = viewer->DocumentHeight();
    for (int width : {0, -1, -1000}) EXPECT_EQ(viewer->FullDisplaySize(width), TSize{}) << width;
    const TSize wide = viewer->FullDisplaySize(800), narrow = viewer->FullDisplaySize(200);
    EXPECT_GT(narrow.cy, wide.cy);
    EXPECT_GT(wide.cx, 600);
    EXPECT_LE(narrow.cx, 200);
    EXPECT_EQ(viewer->DocumentHeight(), height) << "the view keeps its layout";
    EXPECT_EQ(TPageViewer(nullptr).FullDisplaySize(300).cy, 0) << "an empty viewer";
}

// A picture file of one colour.
void WritePicture(const std::string& name, int width, int height, TColor color) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    bitmap.Canvas()->Brush()->SetColor(color);
    bitmap.Canvas()->FillRect({0, 0, width, height});
    TMemoryStream stream;
    bitmap.SaveToStream(&stream);
    stream.SaveToFile(name);
}

TEST_F(PageViewerTest, ImageFileInAFolderIsShownAlone) {
    testing_support::TempWorkDir dir;
    ASSERT_TRUE(CreateDirectoryW(L"pics", nullptr));
    WritePicture("pics\\red.bmp", 40, 30, 0x0000FF);
    viewer->SetHistoryMaxCount(3);
    viewer->LoadImageFile("pics\\red.bmp");
    EXPECT_EQ(viewer->FileType(), ImgType);
    EXPECT_TRUE(viewer->Source().empty());
    EXPECT_EQ(viewer->CurrentFile(), ExpandFileName("pics\\red.bmp"));
    owned_ptr<TBitmap> shown = PanelPicture(viewer.get());
    EXPECT_GE(CountPixels(shown.get(), 0x0000FF), 40 * 30) << "the picture from its own folder";

    // Reload keeps it a picture.
    viewer->Reload();
    EXPECT_EQ(viewer->FileType(), ImgType);
    EXPECT_EQ(viewer->HistoryCount(), 1);
}

TEST_F(PageViewerTest, StreamLoadsAsPictureTextOrHtml) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(25, 25);
    bitmap.Canvas()->Brush()->SetColor(0x00FF00);
    bitmap.Canvas()->FillRect({0, 0, 25, 25});
    TMemoryStream picture;
    bitmap.SaveToStream(&picture);
    bool asked = false;
    viewer->SetOnImageRequest([&](TObject*, const std::string&, TMemoryStream*& stream) {
        asked = true;
        stream = nullptr;
    });
    viewer->LoadStream("not-on-disk.bmp", &picture, ImgType);
    EXPECT_EQ(viewer->CurrentFile(), "not-on-disk.bmp") << "the reference as it is";
    EXPECT_GE(CountPixels(PanelPicture(viewer.get()).get(), 0x00FF00), 25 * 25);
    EXPECT_FALSE(asked) << "the stream is the picture";
    ASSERT_TRUE(viewer->OnImageRequest()) << "the handler is back";

    TStringStream html("<b>bold</b>");
    TMemoryStream copy;
    copy.CopyFrom(&html, 0);
    viewer->LoadStream("", &copy, TextType);
    EXPECT_EQ(viewer->FileType(), TextType);
    EXPECT_EQ(viewer->Source(), "<b>bold</b>");
    viewer->LoadStream("", nullptr, HTMLType);
    EXPECT_EQ(viewer->FileType(), TextType) << "no stream, no load";

    // A buffer is taken for exactly its size; no bytes or a negative size is
    // an empty page.
    const char bytes[] = "<p>first</p><p>second</p>";
    viewer->LoadFromBuffer(bytes, 12, "");
    EXPECT_EQ(viewer->Source(), "<p>first</p>");
    for (int size : {0, -7}) {
        viewer->LoadFromBuffer(bytes, size, "");
        EXPECT_TRUE(viewer->Source().empty()) << size;
    }
    viewer->LoadFromBuffer(nullptr, 100, "");
    EXPECT_TRUE(viewer->Source().empty());
}

TEST_F(PageViewerTest, OnePixelBackgroundsCoverThePanel) {
    testing_support::TempWorkDir dir;
    const struct {
        int width, height;
    } sizes[] = {{1, 1}, {1, 30}, {30, 1}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        WritePicture("line.bmp", size.width, size.height, 0x0000FF);
        testing_support::WriteFileBytes("line.htm", "<body background=\"line.bmp\">" + Lines(80));
        viewer->LoadFromFile("line.htm");
        viewer->SetScrollPos(37);
        owned_ptr<TBitmap> shown = PanelPicture(viewer.get());
        const int w = shown->Width(), h = shown->Height();
        for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {w / 2, 3}})
            EXPECT_EQ(Rgb(shown.get(), x, y), 0x0000FFu) << x << "," << y;
        viewer->Clear();
    }
    // Placed once, a pixel stays a pixel; repeated along one axis, a line.
    WritePicture("dot.bmp", 1, 1, 0x0000FF);
    const struct {
        const char* repeat;
        int across, down;  // the red run at the top-left corner
    } placed[] = {{"no-repeat", 1, 1}, {"repeat-x", -1, 1}, {"repeat-y", 1, -1}};
    for (const auto& p : placed) {
        SCOPED_TRACE(p.repeat);
        testing_support::WriteFileBytes("dot.htm", std::string("<body style=\"background-image: url(dot.bmp); "
                                                               "background-repeat: ") +
                                                       p.repeat + "\">" + Lines(3));
        viewer->LoadFromFile("dot.htm");
        owned_ptr<TBitmap> shown = PanelPicture(viewer.get());
        const int w = shown->Width(), h = shown->Height();
        const int across = p.across < 0 ? w : p.across, down = p.down < 0 ? h : p.down;
        EXPECT_EQ(CountPixels(shown.get(), 0x0000FF), across + down - 1);
        EXPECT_EQ(Rgb(shown.get(), 0, 0), 0x0000FFu);
        viewer->Clear();
    }
}

TEST_F(PageViewerTest, FixedBackgroundStaysWhileTheTextScrolls) {
    testing_support::TempWorkDir dir;
    // A picture with a mark at its top-left, placed once at the top-left.
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(40, 40);
    bitmap.Canvas()->Brush()->SetColor(0x00FFFF);
    bitmap.Canvas()->FillRect({0, 0, 40, 40});
    TMemoryStream stream;
    bitmap.SaveToStream(&stream);
    stream.SaveToFile("mark.bmp");
    for (bool fixed : {false, true}) {
        SCOPED_TRACE(fixed);
        const std::string style = std::string("<style>body { background: url(mark.bmp) no-repeat ") +
                                  (fixed ? "fixed" : "scroll") + " }</style><body>";
        testing_support::WriteFileBytes("bg.htm", style + Lines(80));
        viewer->LoadFromFile("bg.htm");
        owned_ptr<TBitmap> top = PanelPicture(viewer.get());
        EXPECT_EQ(Rgb(top.get(), 5, 5), 0x00FFFFu);
        EXPECT_EQ(Rgb(top.get(), 45, 45), ColorToRGB(viewer->DefBackground()) & 0xFFFFFF) << "drawn once";
        viewer->SetScrollPos(100);
        owned_ptr<TBitmap> scrolled = PanelPicture(viewer.get());
        EXPECT_EQ(Rgb(scrolled.get(), 5, 5) == 0x00FFFFu, fixed);
    }
}

TEST_F(PageViewerTest, LinkedStyleSheetsAreAskedOfTheHostByTheirExpandedNames) {
    TMemoryStream sheet;
    const std::string css = "p { font-style: italic }";
    sheet.Write(css.data(), static_cast<int32_t>(css.size()));
    std::vector<std::string> asked;
    viewer->OnhtStreamRequest = [&](TObject*, const std::string& src, TStream*& stream) {
        asked.push_back(src);
        stream = src.find("given") != std::string::npos ? &sheet : nullptr;
    };
    const std::string page = "<link rel=stylesheet href=given.css><p>x</p>";
    viewer->LoadFromString(page, "");
    EXPECT_EQ(asked, std::vector<std::string>{"given.css"});
    const auto italic = [&] {
        TObject* holder = nullptr;
        wchar_t ch = 0;
        viewer->Document()->GetChAtPos(0, ch, holder);
        auto* section = dynamic_cast<TSection*>(holder);
        return section && section->Fonts.Run(0)->RunFont.Italic;
    };
    EXPECT_TRUE(italic());

    // With the host's expander the request goes by the full name.
    asked.clear();
    viewer->SetOnExpandName([](TObject*, const std::string& name, std::string& full) {
        full = "http://host/css/" + name;
    });
    viewer->LoadFromString(page, "");
    EXPECT_EQ(asked, std::vector<std::string>{"http://host/css/given.css"});
    EXPECT_TRUE(italic());

    // No stream: the file of that name is read, and there is none.
    asked.clear();
    viewer->LoadFromString("<link rel=stylesheet href=missing.css><p>x</p>", "");
    EXPECT_EQ(asked, std::vector<std::string>{"http://host/css/missing.css"});
    EXPECT_FALSE(italic());
}

}  // namespace

namespace {

// The engine's palette state for one test: 8 or 24 bits, with a palette of
// five colours made here.
class TDisplayDepth {
public:
    explicit TDisplayDepth(uint8_t bits) : FBits(ColorBits), FPalette(ThePalette) {
        FMine = MakePalette({0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000});
        ColorBits = bits;
        ThePalette = bits <= 8 ? FMine : nullptr;
    }
    ~TDisplayDepth() {
        ColorBits = FBits;
        ThePalette = FPalette;
        DeleteObject(FMine);
    }
    TDisplayDepth(const TDisplayDepth&) = delete;
    TDisplayDepth& operator=(const TDisplayDepth&) = delete;

private:
    uint8_t FBits;
    HPALETTE FPalette;
    HPALETTE FMine;
};

// The program's calls of the two palette routines, seen by putting recorders
// into its import slots for them while a paint runs.
extern "C" {
extern HPALETTE(WINAPI* __imp_SelectPalette)(HDC, HPALETTE, BOOL);
extern UINT(WINAPI* __imp_RealizePalette)(HDC);
}

struct TPaletteCall {
    const char* what;  // "select" or "realize"
    HDC dc;
    HPALETTE palette;  // the one selected
};
std::vector<TPaletteCall> gPaletteCalls;

template <class F>
void SetImportSlot(F*& slot, F* value) {
    DWORD old;
    VirtualProtect(&slot, sizeof(slot), PAGE_READWRITE, &old);
    slot = value;
    VirtualProtect(&slot, sizeof(slot), old, &old);
}

// The palette calls made on `dc` while the panel paints into it.
std::vector<std::string> PaletteCallsOn(TPaintPanel* panel, HDC dc, HPALETTE engine) {
    static HPALETTE(WINAPI * realSelect)(HDC, HPALETTE, BOOL) = __imp_SelectPalette;
    static UINT(WINAPI * realRealize)(HDC) = __imp_RealizePalette;
    gPaletteCalls.clear();
    SetImportSlot(__imp_SelectPalette, +[](HDC d, HPALETTE p, BOOL background) -> HPALETTE {
        gPaletteCalls.push_back({"select", d, p});
        return realSelect(d, p, background);
    });
    SetImportSlot(__imp_RealizePalette, +[](HDC d) -> UINT {
        gPaletteCalls.push_back({"realize", d, nullptr});
        return realRealize(d);
    });
    panel->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(dc));
    SetImportSlot(__imp_SelectPalette, realSelect);
    SetImportSlot(__imp_RealizePalette, realRealize);
    std::vector<std::string> calls;
    for (const TPaletteCall& call : gPaletteCalls) {
        if (call.dc != dc) continue;
        calls.push_back(call.what);
        if (call.palette) calls.back() += call.palette == engine ? " engine" : " other";
    }
    return calls;
}

TEST_F(PageViewerTest, OnPaletteDisplaysThePageIsCopiedThroughTheEnginePaletteThatTheFormAsksFor) {
    struct Case {
        uint8_t bits;
        std::vector<std::string> calls;
        bool formRealises;
    } cases[] = {
        {8, {"select engine", "realize", "select other"}, true},
        {24, {}, false},
    };
    form->Show();
    // The viewer's window was made while the form was hidden; showing the
    // form does not show it.
    viewer->Hide();
    viewer->Show();
    viewer->LoadFromString(kShortPage, "");
    TPaintPanel* panel = viewer->PaintPanelControl();
    // A palette display's context: 8 bits a pixel with a palette of its own.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info{};
    info.header = {sizeof(BITMAPINFOHEADER), panel->Width(), panel->Height(), 1, 8, BI_RGB};
    for (int i = 0; i < 256; ++i) info.colors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldPicture = SelectObject(dc, picture);
    HPALETTE own = MakePalette({0x808080, 0x404040});
    HPALETTE oldPalette = SelectPalette(dc, own, FALSE);
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.bits));
        TDisplayDepth depth(c.bits);
        EXPECT_EQ(PaletteCallsOn(panel, dc, ThePalette), c.calls);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), own);
        EXPECT_EQ(SendMessageW(form->Handle(), WM_QUERYNEWPALETTE, 0, 0), c.formRealises ? 1 : 0);
        ValidateRect(panel->Handle(), nullptr);
        SendMessageW(form->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(GetDesktopWindow()), 0);
        // Another window's palette may have moved the colours: the viewer,
        // asked for its palette, paints the page anew.
        EXPECT_NE(GetUpdateRect(panel->Handle(), nullptr, FALSE), 0);
    }
    SelectPalette(dc, oldPalette, FALSE);
    DeleteObject(own);
    SelectObject(dc, oldPicture);
    DeleteObject(picture);
    DeleteDC(dc);
}

}  // namespace
