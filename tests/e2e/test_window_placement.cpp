// Where the main window comes back after a restart, as a person sees it.
#include <windows.h>

#include <gtest/gtest.h>

#include "desktop.h"
#include "viewer_session.h"

namespace e2e {
namespace {

class WindowPlacement : public ViewerTest {};

// The middle of the caption's maximise button, found the way the system finds
// what lies under the pointer; {-1,-1} when the caption has none.
POINT MaximiseButton(HWND form) {
    const RECT window = WindowRectOf(form);
    const int y = window.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    int first = -1, last = -1;
    for (int x = window.right - 1; x > window.left; --x) {
        const bool on = SendMessageW(form, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTMAXBUTTON;
        if (on && last < 0) last = x;
        if (on) first = x;
        if (!on && last >= 0) break;
    }
    return last < 0 ? POINT{-1, -1} : POINT{(first + last) / 2, y};
}

TEST_F(WindowPlacement, AWindowClosedMaximisedComesBackWhereAMaximiseByClickPutsIt) {
    Journey j(TestName());
    RECT maximised{};
    {
        ViewerSession viewer(j);
        ASSERT_TRUE(viewer.Running());
        j.Step("maximise by a click on the maximise button");
        const POINT button = MaximiseButton(viewer.Form());
        ASSERT_TRUE(j.Check(button.x >= 0, "the caption has a maximise button"));
        Click(button);
        viewer.Settle(600);
        ASSERT_TRUE(j.Check(IsZoomed(viewer.Form()) != 0, "the window is maximised"));
        maximised = WindowRectOf(viewer.Form());
        j.Step("Alt+F4");
        Keys({VK_MENU, VK_F4});
        ASSERT_TRUE(j.Check(viewer.WaitForExit(), "the viewer ends"));
    }
    j.Step("start again");
    ViewerSession again(j);
    ASSERT_TRUE(again.Running());
    again.Settle(600);
    j.Check(IsZoomed(again.Form()) != 0, "the window comes back maximised");
    const RECT restored = WindowRectOf(again.Form());
    j.Check(EqualRect(&restored, &maximised) != 0,
            "the window lies where the click put it, at (" + std::to_string(maximised.left) + "," +
                std::to_string(maximised.top) + ") " + std::to_string(maximised.right - maximised.left) + "x" +
                std::to_string(maximised.bottom - maximised.top) + "; it is at (" + std::to_string(restored.left) +
                "," + std::to_string(restored.top) + ") " + std::to_string(restored.right - restored.left) + "x" +
                std::to_string(restored.bottom - restored.top));
    // What shows of it: the frame of a maximised window lies past the screen.
    RECT shown{}, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&shown, &restored, &screen);
    SavePng(shown, WorkFolder() + L"\\..\\maximised-after-restart.png");
}

}  // namespace
}  // namespace e2e
