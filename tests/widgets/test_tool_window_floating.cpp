#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "timed_steps.h"
#include "widgets/dock.h"
#include "widgets/tool_button.h"
#include "widgets/toolbar.h"

using namespace widget_tests;

namespace {

class FloatingTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(100, 100, 400, 250);
        dock = new TDock(form);
        dock->SetParent(form);
        bar = new TToolbar(form);
        bar->SetCaption("Tools");
        bar->HideWhenInactive = false;
        bar->SetParent(dock);
        for (int i = 0; i < 3; ++i) Button(23);
        form->Show();
        Pump();
    }
    void TearDown() override { TObject::Free(form); }
    TToolbarButton* Button(int width) {
        auto* b = new TToolbarButton(form);
        b->SetBounds(0, 0, width, 22);
        b->SetParent(bar);
        return b;
    }
    void Float(int x = 300, int y = 450) {
        bar->SetFloatingTopLeft({x, y});
        bar->SetDockedTo(nullptr);
        Pump();
    }
    TRect WindowRect() {
        RECT r;
        GetWindowRect(bar->Handle(), &r);
        return {r.left, r.top, r.right, r.bottom};
    }
    TPoint ClientOffset() {
        POINT p{0, 0};
        ClientToScreen(bar->Handle(), &p);
        const TRect r = WindowRect();
        return {p.x - r.Left, p.y - r.Top};
    }
    int HitTest(int x, int y) {
        const TRect r = WindowRect();
        return static_cast<int>(SendMessageW(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.Left + x, r.Top + y)));
    }
    // The bar's window as WM_PRINT draws it.
    std::unique_ptr<TBitmap> Printed() {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(bar->Width(), bar->Height());
        SendMessageW(bar->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(bitmap->Canvas()->Handle()),
                     PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN);
        return bitmap;
    }
    TForm* form = nullptr;
    TDock* dock = nullptr;
    TToolbar* bar = nullptr;
};

TEST_F(FloatingTest, FloatingNonClientBands) {
    Float();
    const int border = GetSystemMetrics(SM_CXFRAME);
    const int caption = GetSystemMetrics(SM_CYSMCAPTION);
    EXPECT_EQ(ClientOffset(), (TPoint{border, GetSystemMetrics(SM_CYFRAME) + caption}));
    EXPECT_EQ(WindowRect().Width(), bar->ClientWidth() + 2 * border);
    EXPECT_EQ(GetWindow(bar->Handle(), GW_OWNER), form->Handle());
    EXPECT_TRUE(IsWindowVisible(bar->Handle()));
}

TEST_F(FloatingTest, HitZones) {
    Float();
    const TRect r = WindowRect();
    const int w = r.Width(), h = r.Height();
    const int border = GetSystemMetrics(SM_CXFRAME);
    const int caption = GetSystemMetrics(SM_CYSMCAPTION);
    struct Case {
        int x, y, expected;
    } cases[] = {
        {w / 2, 1, HTTOP},
        {w / 2, h - 1, HTBOTTOM},
        {1, h / 2, HTLEFT},
        {w - 1, h / 2, HTRIGHT},
        {1, 1, HTTOP},  // a toolbar has no corners: top is tested first
        {border + 3, border + caption / 2, HTCLIENT},
        {w - border - caption / 2, border + caption / 2, HTCLOSE},
        {w / 2, h - border - 2, HTCLIENT},
    };
    for (const Case& c : cases) EXPECT_EQ(HitTest(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(FloatingTest, TheCloseButtonLoop) {
    Float();
    int queries = 0, closes = 0;
    bool allow = false;
    bar->OnCloseQuery = [&](TObject*, bool& canClose) {
        ++queries;
        canClose = allow;
    };
    bar->OnClose = [&](TObject*) { ++closes; };
    const TRect r = WindowRect();
    const int border = GetSystemMetrics(SM_CXFRAME);
    const int caption = GetSystemMetrics(SM_CYSMCAPTION);
    const TPoint button{r.Right - border - caption / 2, r.Top + border + caption / 2};
    // Under Wine an injected press on a non-client part snaps the cursor
    // back at the release, so the press, moves and release are posted here.
    HWND wnd = bar->Handle();
    auto press = [&](TPoint releaseAt) {
        return RunSteps({
            [&] { PostMessageW(wnd, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(button.X, button.Y)); },
            [&] {
                POINT p{releaseAt.X, releaseAt.Y};
                ScreenToClient(wnd, &p);
                PostMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
            },
            [&] { PostMessageW(wnd, WM_LBUTTONUP, 0, 0); },
        });
    };
    // Released away from the button: nothing.
    ASSERT_TRUE(press({button.X - 60, button.Y + 40}));
    EXPECT_EQ(queries, 0);
    // Refused by OnCloseQuery.
    ASSERT_TRUE(press(button));
    EXPECT_EQ(queries, 1);
    EXPECT_TRUE(bar->Visible());
    allow = true;
    ASSERT_TRUE(press(button));
    EXPECT_FALSE(bar->Visible());
    EXPECT_FALSE(IsWindowVisible(bar->Handle()));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FloatingTest, AFloatingBarFollowsItsForm) {
    Float();
    form->Hide();
    Pump();
    EXPECT_FALSE(IsWindowVisible(bar->Handle()));
    form->Show();
    Pump();
    EXPECT_TRUE(IsWindowVisible(bar->Handle()));
    // A click on it never activates it; its form is activated instead.
    auto* other = new TForm(form);
    other->SetBounds(600, 100, 200, 100);
    other->Show();
    SetActiveWindow(other->Handle());
    EXPECT_EQ(SendMessageW(bar->Handle(), WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(form->Handle()),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
    EXPECT_EQ(GetActiveWindow(), form->Handle());
    bar->SetFloatingMode(fmOnTopOfAllForms);
    EXPECT_TRUE(GetWindowLongW(bar->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(FloatingTest, EscapeInAFloatingBarGivesTheFocusBackToItsForm) {
    Float();
    auto* floating = dynamic_cast<TCustomForm*>(bar->Parent());
    ASSERT_NE(floating, nullptr);
    SetActiveWindow(floating->Handle());
    ::SetFocus(floating->Handle());
    Pump();
    ASSERT_NE(GetFocus(), form->Handle());
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
    Pump();
    EXPECT_EQ(GetFocus(), form->Handle());
}

TEST_F(FloatingTest, DockedFramePixels) {
    auto shot = Printed();
    TCanvas* c = shot->Canvas();
    const int w = bar->Width(), h = bar->Height();
    // The raised frame, then the grips of the double handle: 3 wide, from x = 4 and 7.
    EXPECT_EQ(c->Pixels(0, 0), static_cast<TColor>(GetSysColor(COLOR_BTNHIGHLIGHT)));
    EXPECT_EQ(c->Pixels(w - 1, h - 1), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW)));
    EXPECT_EQ(c->Pixels(1, 1), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    for (int grip : {4, 7}) {
        EXPECT_EQ(c->Pixels(grip, 5), static_cast<TColor>(GetSysColor(COLOR_BTNHIGHLIGHT))) << grip;
        EXPECT_EQ(c->Pixels(grip + 2, 5), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW))) << grip;
    }
    // Without dragging, no grips: the band is face colour.
    dock->SetAllowDrag(false);
    Pump();
    shot = Printed();
    EXPECT_EQ(shot->Canvas()->Pixels(4, 5), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(FloatingTest, SeparatorLines) {
    auto* sep = new TToolbarSep(form);
    sep->SetParent(bar);
    bar->SetOrderIndex(sep, 1);
    Pump();
    auto pixel = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(bar->Handle(), &p);
        return ScreenPixel(p.x, p.y);
    };
    // Docked: a vertical etched line at the middle of the separator.
    const int x = sep->Left() + sep->Width() / 2;
    const int y = sep->Top() + sep->Height() / 2;
    EXPECT_EQ(pixel(x - 1, y), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pixel(x, y), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pixel(x + 1, y), GetSysColor(COLOR_BTNFACE));

    // Floating and wrapped after it: no width, a horizontal line between the lines.
    Float();
    bar->SetFloatingWidth(40);
    Pump();
    EXPECT_EQ(sep->Width(), 0);
    TControl* below = bar->OrderedControls(2);
    const int lineY = below->Top() - 4;
    EXPECT_EQ(pixel(10, lineY), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pixel(10, lineY + 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pixel(10, lineY + 2), GetSysColor(COLOR_BTNFACE));
    // A blank separator leaves no line.
    sep->SetBlank(true);
    bar->ArrangeControls();
    bar->Invalidate();
    Pump();
    EXPECT_EQ(pixel(10, lineY), GetSysColor(COLOR_BTNFACE));
}

}  // namespace

namespace {

int ColourDistance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

// Sets the caption colours and gradients for one test and puts them back.
class CaptionColours {
public:
    CaptionColours(COLORREF start, COLORREF end) {
        SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &savedGradient_, 0);
        SystemParametersInfoW(SPI_SETGRADIENTCAPTIONS, 0, reinterpret_cast<void*>(static_cast<intptr_t>(TRUE)), 0);
        for (int i = 0; i < 4; ++i) saved_[i] = GetSysColor(kElements[i]);
        const COLORREF colours[4] = {start, start, end, end};
        SetSysColors(4, kElements, colours);
    }
    ~CaptionColours() {
        SetSysColors(4, kElements, saved_);
        SystemParametersInfoW(SPI_SETGRADIENTCAPTIONS, 0, reinterpret_cast<void*>(static_cast<intptr_t>(savedGradient_)), 0);
    }

private:
    static constexpr int kElements[4] = {COLOR_ACTIVECAPTION, COLOR_INACTIVECAPTION, COLOR_GRADIENTACTIVECAPTION,
                                         COLOR_GRADIENTINACTIVECAPTION};
    COLORREF saved_[4] = {};
    BOOL savedGradient_ = FALSE;
};

TEST_F(FloatingTest, TheCaptionIsTheSystemsSmallCaptionWithItsGradient) {
    const COLORREF start = RGB(0, 0, 128), end = RGB(160, 200, 240);
    CaptionColours colours(start, end);
    bar->SetCaption("");
    Float();
    auto shot = Printed();
    const int border = GetSystemMetrics(SM_CXFRAME);
    const int caption = GetSystemMetrics(SM_CYSMCAPTION);
    const int y = GetSystemMetrics(SM_CYFRAME) + caption / 2;
    const int textEnd = bar->Width() - border - caption - 1;
    auto at = [&](int x) { return static_cast<COLORREF>(shot->Canvas()->Pixels(x, y)); };
    EXPECT_LT(ColourDistance(at(border + 2), start), 40);
    EXPECT_LT(ColourDistance(at(textEnd - 2), end), 40);
}

TEST_F(FloatingTest, InvalidationsBeforeAPaintBecomeOneRepaintOfTheirUnion) {
    Float();
    bar->InvalidateFloatingNCArea(twrdCaption);
    bar->InvalidateFloatingNCArea(twrdCloseButton);
    bar->InvalidateFloatingNCArea(twrdCaption);
    std::vector<LPARAM> pending;
    MSG msg;
    while (PeekMessageW(&msg, bar->Handle(), WM_PaintFloatingNCArea, WM_PaintFloatingNCArea, PM_REMOVE))
        pending.push_back(msg.lParam);
    EXPECT_EQ(pending, std::vector<LPARAM>{twrdCaption | twrdCloseButton});
}

TEST_F(FloatingTest, CaptionFrameAndModeFollowTheirSetters) {
    Float();
    const TPoint withCaption = ClientOffset();
    bar->SetShowCaption(false);
    EXPECT_EQ(ClientOffset(), (TPoint{withCaption.X, GetSystemMetrics(SM_CYFRAME)}));
    bar->SetShowCaption(true);
    EXPECT_EQ(ClientOffset(), withCaption);

    bar->SetResizable(false);
    EXPECT_EQ(GetWindowLongW(bar->Handle(), GWL_STYLE) & WS_THICKFRAME, 0);
    EXPECT_EQ(ClientOffset().X, GetSystemMetrics(SM_CXFIXEDFRAME));
    EXPECT_EQ(HitTest(1, WindowRect().Height() / 2), HTNOWHERE) << "no sizing from the edges";
    bar->SetResizable(true);
    EXPECT_NE(GetWindowLongW(bar->Handle(), GWL_STYLE) & WS_THICKFRAME, 0);
    EXPECT_EQ(HitTest(1, WindowRect().Height() / 2), HTLEFT);

    // On top of all forms, the bar no longer goes with its form.
    bar->SetFloatingMode(fmOnTopOfAllForms);
    EXPECT_TRUE(GetWindowLongW(bar->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    form->Hide();
    Pump();
    EXPECT_TRUE(IsWindowVisible(bar->Handle()));
    form->Show();
    Pump();
    bar->SetFloatingMode(fmOnTopOfParentForm);
    EXPECT_EQ(GetWindow(bar->Handle(), GW_OWNER), form->Handle());
    form->Hide();
    Pump();
    EXPECT_FALSE(IsWindowVisible(bar->Handle()));
}

}  // namespace
