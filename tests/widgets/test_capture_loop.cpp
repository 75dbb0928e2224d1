#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/capture_loop.h"
#include "framework/forms.h"
#include "framework/win.h"

namespace {

TEST(CapturedLoop, EndsAsEachWayOutSays) {
    owned_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(50, 50, 200, 150);
    form->Show();
    HWND wnd = form->Handle();
    struct Case {
        const char* name;
        std::function<void()> post;
        TCaptureLoopEnd expected;
    } cases[] = {
        {"left release", [&] { PostMessageW(wnd, WM_LBUTTONUP, 0, 0); }, TCaptureLoopEnd::Accepted},
        {"escape", [&] { PostMessageW(wnd, WM_KEYDOWN, VK_ESCAPE, 0); }, TCaptureLoopEnd::Cancelled},
        {"right press", [&] { PostMessageW(wnd, WM_RBUTTONDOWN, 0, 0); }, TCaptureLoopEnd::Cancelled},
        {"capture lost", [&] { PostMessageW(wnd, WM_NULL, 0, 0); ReleaseCapture(); }, TCaptureLoopEnd::Cancelled},
        {"quit", [&] { PostQuitMessage(7); }, TCaptureLoopEnd::Cancelled},
    };
    for (const Case& c : cases) {
        TCapturedLoop loop(wnd);
        c.post();
        EXPECT_EQ(loop.Run({}), c.expected) << c.name;
    }
    EXPECT_EQ(GetCapture(), nullptr);
    // WM_QUIT is there again for the outer loop.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(CapturedLoop, MovesArriveInScreenPointsAndAnErrorReleasesTheCapture) {
    owned_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(50, 50, 200, 150);
    form->Show();
    HWND wnd = form->Handle();
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    std::vector<TPoint> moves;
    {
        TCapturedLoop loop(wnd);
        PostMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 7));
        PostMessageW(wnd, WM_LBUTTONUP, 0, 0);
        EXPECT_EQ(loop.Run({[&](TPoint p) { moves.push_back(p); }, {}}), TCaptureLoopEnd::Accepted);
    }
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], (TPoint{origin.x + 5, origin.y + 7}));

    try {
        TCapturedLoop loop(wnd);
        PostMessageW(wnd, WM_MOUSEMOVE, 0, 0);
        loop.Run({[](TPoint) { throw std::runtime_error("in a handler"); }, {}});
        FAIL();
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
