// The viewer control on screen: loading, scrolling and painting.
#include <gtest/gtest.h>

#include <utility>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"
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

}  // namespace
