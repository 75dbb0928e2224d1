// Animated pictures in the viewer on screen: the document's timer advances
// the pictures that were painted, and only while the viewer can be seen.
#include <gtest/gtest.h>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "html/image_obj.h"
#include "images/gif_image.h"
#include "images/image_test_util.h"
#include "support/test_support.h"
#include "viewer/page_viewer.h"

using namespace image_tests;

namespace {

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;

// A 16 x 16 GIF whose frames (at most 16) are filled with the colours in turn (0xRRGGBB),
// each shown for `delay` hundredths of a second; loopCount -1: played once.
std::string FilledGif(const std::vector<uint32_t>& colors, const std::vector<int>& delays, int loopCount) {
    GifFile f;
    f.Width = f.Height = 16;
    f.Palette = colors;
    while (f.Palette.size() < 16) f.Palette.push_back(0);
    f.LoopCount = loopCount;
    for (size_t i = 0; i < colors.size(); ++i) {
        GifFrame frame;
        frame.Width = frame.Height = 16;
        frame.Indices.assign(256, static_cast<uint8_t>(i));
        frame.Delay = delays[i];
        frame.MinCodeSize = 4;
        f.Frames.push_back(frame);
    }
    return WriteGif(f);
}

struct TPumped {
    int Paints = 0;  // of the paint panel
    int Ticks = 0;   // timer messages of the whole thread
};

// Runs the thread's messages for `ms` milliseconds.
TPumped Pump(int ms, HWND panel) {
    TPumped counted;
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (static_cast<int>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_PAINT && msg.hwnd == panel) ++counted.Paints;
            if (msg.message == WM_TIMER) ++counted.Ticks;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return counted;
}

// How many pixels of the colour the panel shows, painted into a bitmap.
int ShownPixels(TPageViewer* viewer, uint32_t rgb) {
    TPaintPanel* panel = viewer->PaintPanelControl();
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(panel->Width(), panel->Height());
    panel->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(bitmap.Canvas()->Handle()));
    const TColor wanted = static_cast<TColor>((rgb >> 16) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    int count = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if ((bitmap.Canvas()->Pixels(x, y) & 0xFFFFFF) == wanted) ++count;
    return count;
}

// The frame shown by the document's animated picture of that source.
int FrameOf(TPageViewer* viewer, const std::string& source) {
    for (TAnimatedImage* animated : viewer->Document()->AnimatedImages) {
        auto* image = dynamic_cast<TImageObj*>(animated);
        if (image && image->Gif() && image->SrcName.find(source) != std::string::npos)
            return image->Gif()->CurrentFrame();
    }
    return 0;
}

class ViewerAnimationTest : public ::testing::Test {
protected:
    ViewerAnimationTest() : form(new TForm(nullptr)), viewer(new TPageViewer(nullptr)) {
        form->SetBounds(0, 0, 480, 360);
        viewer->SetParent(form.get());
        viewer->SetBounds(0, 0, 400, 300);
        viewer->DefFontName = "Arial";
        form->Show();
        panel = viewer->PaintPanelControl()->Handle();
    }
    ~ViewerAnimationTest() override { form->Hide(); }

    // The page is loaded and its first paints are done.
    void Show(const std::string& html) {
        viewer->LoadFromString(html, "");
        UpdateWindow(panel);
        Pump(20, panel);
    }

    testing_support::TempWorkDir dir;
    owned_ptr<TForm> form;
    owned_ptr<TPageViewer> viewer;
    HWND panel = nullptr;
};

TEST_F(ViewerAnimationTest, AGifMovesOnBetweenTwoPaints) {
    // Red for 30 ms, then blue for ten seconds, played once.
    testing_support::WriteFileBytes("moving.gif", FilledGif({kRed, kBlue}, {3, 1000}, -1));
    viewer->LoadFromString("<p>Picture:</p><img src=\"moving.gif\">", "");
    EXPECT_EQ(ShownPixels(viewer.get(), kRed), 256);
    EXPECT_EQ(ShownPixels(viewer.get(), kBlue), 0);
    Pump(100, panel);
    EXPECT_EQ(ShownPixels(viewer.get(), kRed), 0);
    EXPECT_EQ(ShownPixels(viewer.get(), kBlue), 256);
}

TEST_F(ViewerAnimationTest, AOneFrameGifThatLoopsForeverNeverRepaints) {
    testing_support::WriteFileBytes("still.gif", FilledGif({kRed}, {3}, 0));
    Show("<img src=\"still.gif\"><p>Text</p>");
    const TPumped pumped = Pump(200, panel);
    EXPECT_EQ(pumped.Paints, 0);
    EXPECT_EQ(pumped.Ticks, 0);
    EXPECT_EQ(ShownPixels(viewer.get(), kRed), 256);
}

// The thread's top-level windows (a timer is one).
int ThreadWindows() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(), [](HWND, LPARAM counter) { return ++*reinterpret_cast<int*>(counter), TRUE; },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(ViewerAnimationTest, PagesThatDoNotMoveMakeNoTimer) {
    // Making a window on every load cost more than reading a short article.
    testing_support::WriteFileBytes("still.gif", FilledGif({kRed}, {3}, 0));
    const int before = ThreadWindows();
    for (const char* page : {"<p>Text</p>", "<img src=\"still.gif\"><p>Text</p>", "<p>Again</p>"}) {
        SCOPED_TRACE(page);
        Show(page);
        EXPECT_EQ(ThreadWindows(), before);
    }
    testing_support::WriteFileBytes("loop.gif", FilledGif({kRed, kBlue}, {3, 3}, 0));
    Show("<img src=\"loop.gif\">");
    EXPECT_EQ(ThreadWindows(), before + 1) << "a moving picture has its timer";
    viewer->Clear();
    EXPECT_EQ(ThreadWindows(), before);
}

TEST_F(ViewerAnimationTest, ClearAndHidingStopTheTimer) {
    testing_support::WriteFileBytes("loop.gif", FilledGif({kRed, kBlue}, {3, 3}, 0));
    const std::string page = "<img src=\"loop.gif\">";
    struct Case {
        const char* name;
        void (*stop)(TForm*, TPageViewer*);
        void (*resume)(TForm*, TPageViewer*);
    } cases[] = {
        {"Clear", [](TForm*, TPageViewer* v) { v->Clear(); }, nullptr},
        {"viewer hidden", [](TForm*, TPageViewer* v) { v->SetVisible(false); },
         [](TForm*, TPageViewer* v) { v->SetVisible(true); }},
        {"form hidden", [](TForm* f, TPageViewer*) { f->Hide(); }, [](TForm* f, TPageViewer*) { f->Show(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Show(page);
        EXPECT_GT(Pump(150, panel).Ticks, 0) << "the animation runs";
        c.stop(form.get(), viewer.get());
        const int frame = FrameOf(viewer.get(), "loop.gif");
        Pump(60, panel);  // a tick already due may still come once
        EXPECT_EQ(Pump(200, panel).Ticks, 0);
        EXPECT_EQ(FrameOf(viewer.get(), "loop.gif"), frame);
        if (c.resume) {
            // The next paint starts the pictures again.
            c.resume(form.get(), viewer.get());
            UpdateWindow(panel);
            EXPECT_GT(Pump(150, panel).Ticks, 0);
        }
    }
}

TEST_F(ViewerAnimationTest, APictureScrolledOutOfViewIsNotAdvanced) {
    // Ten frames of 30 ms each, played once: after 200 ms a shown picture is
    // past its first frame and not yet at its end.
    std::vector<uint32_t> colors;
    for (uint32_t i = 0; i < 10; ++i) colors.push_back(0x101010 * (i + 1));
    const std::string gif = FilledGif(colors, std::vector<int>(10, 3), -1);
    testing_support::WriteFileBytes("top.gif", gif);
    testing_support::WriteFileBytes("bottom.gif", gif);
    std::string page = "<img src=\"top.gif\">";
    for (int i = 0; i < 80; ++i) page += "<p>Line " + std::to_string(i) + "</p>";
    page += "<img src=\"bottom.gif\">";
    Show(page);
    ASSERT_GT(viewer->DocumentHeight(), 3 * viewer->Height());
    Pump(200, panel);
    EXPECT_GT(FrameOf(viewer.get(), "top.gif"), 1);
    EXPECT_EQ(FrameOf(viewer.get(), "bottom.gif"), 1);
}

}  // namespace
