#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/graphics.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "widgets/gradient_form.h"

namespace {

// A 32-bit memory surface to fill and read back.
class MemorySurface {
public:
    MemorySurface(int w, int h) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        ReleaseDC(nullptr, screen);
        PatBlt(dc_, 0, 0, w, h, WHITENESS);
    }
    ~MemorySurface() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

class GradientForm : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TGradientForm(nullptr);
        form->SetGradientStartColor(RGBToColor(0, 0, 0));
        form->SetGradientStopColor(RGBToColor(0, 0, 50));
    }
    void TearDown() override { TObject::Free(form); }
    TGradientForm* form = nullptr;
};

TEST(GradientColorTable, RoundsHalfStepsToEven) {
    struct Case {
        TColor start, stop;
        int steps;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        // 0.5 rounds to 0 and 1.5 to 2 (to even); negative steps likewise.
        {RGBToColor(0, 0, 0), RGBToColor(1, 3, 0), 3, {RGB(0, 0, 0), RGB(0, 2, 0), RGB(1, 3, 0)}},
        {RGBToColor(10, 0, 0), RGBToColor(9, 0, 0), 3, {RGB(10, 0, 0), RGB(10, 0, 0), RGB(9, 0, 0)}},
        {RGBToColor(0, 0, 0), RGBToColor(255, 255, 255), 8,
         {RGB(0, 0, 0), RGB(36, 36, 36), RGB(73, 73, 73), RGB(109, 109, 109), RGB(146, 146, 146),
          RGB(182, 182, 182), RGB(219, 219, 219), RGB(255, 255, 255)}},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> table(static_cast<size_t>(c.steps));
        GradientColorTable(c.start, c.stop, c.steps, table.data());
        EXPECT_EQ(table, c.expected);
    }
}

TEST_F(GradientForm, GradientColorsKeepsItsBounds) {
    struct Case {
        int set;
        int expected;
    };
    const Case cases[] = {{7, 64}, {513, 64}, {8, 8}, {512, 512}, {0, 512}};
    for (const Case& c : cases) {
        form->SetGradientColors(c.set);
        EXPECT_EQ(form->GradientColors(), c.expected) << c.set;
    }
    EXPECT_EQ(form->ColorTable(true)[511], RGB(0, 0, 50));
}

TEST_F(GradientForm, CaptionButtonsTakeTheirWidthsFromTheRight) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    // Buttons of the small icon's width less 2, made as odd or even as the caption.
    const int height = 18;
    int w = GetSystemMetrics(SM_CXSMICON) - 2;
    if ((w & 1) != (height & 1)) w += 1;
    struct Case {
        const char* what;
        TFormBorderStyle style;
        TBorderIcons icons;
        int taken;
    } cases[] = {
        {"close, maximise, minimise", bsSizeable, biSystemMenu | biMinimize | biMaximize, (w + 4) + 2 * (w + 2) + 3},
        {"close only", bsSizeable, biSystemMenu, (w + 4) + 3},
        {"close and help", bsSizeable, biSystemMenu | biHelp, (w + 4) + (w + 2) + 3},
        {"help beside minimise: none", bsSingle, biSystemMenu | biMinimize | biHelp, (w + 4) + 2 * (w + 2) + 3},
        {"dialog with help", bsDialog, biSystemMenu | biHelp, (w + 4) + (w + 2) + 3},
        {"tool window", bsToolWindow, biSystemMenu, GetSystemMetrics(SM_CXSMSIZE) + 5},
    };
    for (const Case& c : cases) {
        form->SetBorderStyle(c.style);
        form->BorderIcons = c.icons;
        form->HandleNeeded();
        TRect r{0, 0, 300, height};
        form->PaintCaptionButtons(dc, r);
        EXPECT_EQ(300 - r.Right, c.taken) << c.what;
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(GradientForm, TheCaptionFontIsTheSystemsOrKeepsAllButItsHeight) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    const std::string systemFace = WideToAnsi(metrics.lfCaptionFont.lfFaceName);

    form->UseSystemCaptionFont = true;
    form->UpdateCaptionFont();
    EXPECT_EQ(form->CaptionFont()->Name(), systemFace);
    EXPECT_EQ(form->CaptionFont()->Height(), metrics.lfCaptionFont.lfHeight);

    // The shell's own font: Arial, bold; only the height follows the system.
    TFont own;
    own.SetName("Arial");
    own.SetStyle(fsBold);
    own.SetHeight(-30);
    form->SetCaptionFont(&own);
    form->UpdateCaptionFont();
    EXPECT_FALSE(form->UseSystemCaptionFont);
    EXPECT_EQ(form->CaptionFont()->Name(), "Arial");
    EXPECT_EQ(form->CaptionFont()->Style(), TFontStyles(fsBold));
    EXPECT_EQ(form->CaptionFont()->Height(), metrics.lfCaptionFont.lfHeight);

    form->SetBorderStyle(bsToolWindow);  // a tool window's caption is the small one
    form->UpdateCaptionFont();
    EXPECT_EQ(form->CaptionFont()->Height(), metrics.lfSmCaptionFont.lfHeight);
}

TEST_F(GradientForm, StopColoursFollowTheSystemUntilSet) {
    TGradientForm* fresh = new TGradientForm(nullptr);
    EXPECT_FALSE(fresh->GradientStopColorStored());
    EXPECT_FALSE(fresh->GradientInactiveStopColorStored());
    EXPECT_EQ(fresh->ColorTable(true)[63], static_cast<uint32_t>(ColorToRGB(clActiveCaption)));
    fresh->SetGradientStopColor(clRed);
    EXPECT_TRUE(fresh->GradientStopColorStored());
    fresh->SetGradientStopColor(clActiveCaption);
    EXPECT_FALSE(fresh->GradientStopColorStored());
    TObject::Free(fresh);
}

// How many different colours one column of the fill has: more than one only
// where a dither mask was used.
int ColoursInColumn(const MemorySurface& s, int x, int h) {
    std::set<COLORREF> colours;
    for (int y = 0; y < h; ++y) colours.insert(s.at(x, y));
    return static_cast<int>(colours.size());
}

TEST_F(GradientForm, ChoosesBetweenBandsStretchAndDither) {
    struct Case {
        TColor stop;
        int width;
        bool dither;
        bool dithered;
    };
    const Case cases[] = {
        // Gentle slope: the 69-pixel mask, needing twice its width.
        {RGBToColor(0, 0, 50), 137, true, false},
        {RGBToColor(0, 0, 50), 138, true, true},
        // Steep slope: the 14-pixel mask.
        {RGBToColor(255, 255, 255), 27, true, false},
        {RGBToColor(255, 255, 255), 28, true, true},
        {RGBToColor(255, 255, 255), 300, false, false},
    };
    for (const Case& c : cases) {
        form->SetGradientStopColor(c.stop);
        MemorySurface s(c.width, 20);
        form->FillRectGradient(s.dc(), Rect(0, 0, c.width, 20), c.dither, true);
        int varied = 0;
        for (int x = 0; x < c.width; ++x) varied += ColoursInColumn(s, x, 20) > 1;
        EXPECT_EQ(varied > 0, c.dithered) << c.width;
        // A dithered fill starts with the start colour (the mask's left
        // column is all black).
        if (c.dithered) {
            EXPECT_EQ(s.at(0, 0), RGB(0, 0, 0)) << c.width;
        }
    }
}

TEST_F(GradientForm, StretchLeavesOutTheLastTableEntry) {
    form->SetGradientStopColor(RGBToColor(0, 0, 255));
    MemorySurface s(640, 4);
    form->FillRectGradient(s.dc(), Rect(0, 0, 640, 4), false, true);
    EXPECT_EQ(s.at(0, 0), form->ColorTable(true)[0]);
    EXPECT_EQ(s.at(639, 3), form->ColorTable(true)[62]);
}

TEST_F(GradientForm, NarrowFillsAreDrawnInBands) {
    form->SetGradientStopColor(RGBToColor(0, 0, 255));
    MemorySurface s(32, 4);
    form->FillRectGradient(s.dc(), Rect(0, 0, 32, 4), false, true);
    const auto& table = form->ColorTable(true);
    EXPECT_EQ(s.at(0, 0), table[1]);
    // Band edges round half to even: band 63 starts and ends at 32.
    EXPECT_EQ(s.at(31, 0), table[62]);
    MemorySurface untouched(4, 4);
    form->FillRectGradient(untouched.dc(), Rect(2, 0, 2, 4), false, true);
    EXPECT_EQ(untouched.at(2, 1), RGB(255, 255, 255));
}

TEST_F(GradientForm, NoCaptionRectangleDrawsNothing) {
    form->SetBorderStyle(bsNone);
    form->HandleNeeded();
    MemorySurface s(50, 30);
    TRect caption{1, 1, 1, 1};
    form->DrawCaption(s.dc(), true, caption);
    EXPECT_TRUE(caption.IsEmpty());
    EXPECT_EQ(s.at(10, 5), RGB(255, 255, 255));
}

// --- The caption on the screen (the test desktop is a Wine virtual desktop).

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

void Settle() {
    for (int i = 0; i < 5; ++i) {
        Application->ProcessMessages();
        Sleep(20);
    }
}

class CaptionOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TGradientForm(nullptr);
        form->SetBounds(40, 40, 400, 200);
        form->SetCaption("Caption test");
        form->SetUseDithering(false);
        form->SetGradientStartColor(clRed);
        form->SetGradientStopColor(clBlue);
        form->SetGradientInactiveStartColor(clLime);
        form->SetGradientInactiveStopColor(clYellow);
        form->Show();
        SetForegroundWindow(form->Handle());
        Settle();
    }
    void TearDown() override { TObject::Free(form); }

    // The caption's first and last pixel of its top row, on the screen.
    std::pair<COLORREF, COLORREF> CaptionEnds() {
        RECT wr;
        GetWindowRect(form->Handle(), &wr);
        TRect c = form->GetCaptionRect();
        return {ScreenPixel(wr.left + c.Left, wr.top + c.Top), ScreenPixel(wr.left + c.Right - 1, wr.top + c.Top)};
    }
    TGradientForm* form = nullptr;
};

TEST_F(CaptionOnScreen, ShowsTheGradientAndTheInactiveColours) {
    auto [left, right] = CaptionEnds();
    EXPECT_EQ(left, RGB(255, 0, 0));
    EXPECT_EQ(right, form->ColorTable(true)[62]);

    TForm* other = new TForm(nullptr);
    other->SetBounds(500, 300, 100, 80);
    other->Show();
    SetForegroundWindow(other->Handle());
    Settle();
    auto [inactiveLeft, inactiveRight] = CaptionEnds();
    EXPECT_EQ(inactiveLeft, RGB(0, 255, 0));
    EXPECT_EQ(inactiveRight, form->ColorTable(false)[62]);
    TObject::Free(other);
}

TEST_F(CaptionOnScreen, TheLogoStandsBesideTheIconOrTheButtons) {
    const TRect caption = form->GetCaptionRect();
    auto logo = [&](TColor colour) {
        auto b = std::make_unique<TBitmap>();
        b->SetSize(12, caption.Height());
        b->Canvas()->Brush()->SetColor(colour);
        b->Canvas()->FillRect(Rect(0, 0, 12, caption.Height()));
        return b;
    };
    auto active = logo(clPurple), inactive = logo(clTeal);
    form->SetLogo(active.get());
    // The first and last column of the caption's middle row in a colour.
    auto columns = [&](COLORREF colour) {
        RECT wr;
        GetWindowRect(form->Handle(), &wr);
        const int y = wr.top + caption.Top + caption.Height() / 2;
        std::pair<int, int> found{-1, -1};
        for (int x = caption.Left; x < caption.Right; ++x)
            if (ScreenPixel(wr.left + x, y) == colour) {
                if (found.first < 0) found.first = x - caption.Left;
                found.second = x - caption.Left;
            }
        return found;
    };
    const int middle = caption.Width() / 2;
    form->SetLogoAlign(laLeft);
    form->Draw(true);
    Settle();
    auto [left, leftEnd] = columns(RGB(128, 0, 128));
    EXPECT_EQ(leftEnd - left, 11);
    EXPECT_LT(leftEnd, middle);
    EXPECT_EQ(CaptionEnds().first, RGB(255, 0, 0)) << "the start colour under the icon";

    form->SetLogoAlign(laRight);
    form->Draw(true);
    Settle();
    auto [right, rightEnd] = columns(RGB(128, 0, 128));
    EXPECT_EQ(rightEnd - right, 11);
    EXPECT_GT(right, middle);
    EXPECT_EQ(CaptionEnds().second, RGB(0, 0, 255)) << "the stop colour under the buttons";

    // Inactive: the inactive logo, or the logo itself without one.
    form->Draw(false);
    Settle();
    EXPECT_EQ(columns(RGB(128, 0, 128)).first, right);
    form->SetInactiveLogo(inactive.get());
    form->Draw(false);
    Settle();
    EXPECT_EQ(columns(RGB(0, 128, 128)).first, right);
}

TEST_F(CaptionOnScreen, SettingTheTextOrRepaintingTheFrameKeepsOurCaption) {
    SetWindowTextW(form->Handle(), L"Another title");
    EXPECT_EQ(form->Caption(), "Another title");
    Settle();
    EXPECT_EQ(CaptionEnds().first, RGB(255, 0, 0));
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Settle();
    EXPECT_EQ(CaptionEnds().first, RGB(255, 0, 0));
    // The window keeps no region after the text change.
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(form->Handle(), probe), ERROR);
    DeleteObject(probe);
}

TEST_F(CaptionOnScreen, TheSystemsGradientSwitchesOurPaintingOff) {
    HWND before = form->Handle();
    form->SetUseWin98Gradient(true);  // this system has gradient captions
    EXPECT_NE(form->Handle(), before);  // made again
    Settle();
    EXPECT_TRUE(form->GetInhibitGradient());
    EXPECT_NE(CaptionEnds().first, RGB(255, 0, 0));
    form->SetUseWin98Gradient(false);
    SetForegroundWindow(form->Handle());
    Settle();
    EXPECT_EQ(CaptionEnds().first, RGB(255, 0, 0));
}

TEST_F(CaptionOnScreen, GetTextCopiesWithinTheBuffer) {
    form->SetCaption(Utf8ToAnsi("Словарь терминов"));
    struct Case {
        WPARAM size;
        intptr_t result;
        std::wstring text;
    };
    const Case cases[] = {
        {0, 0, L"####"},  // nothing copied, not even the zero
        {1, 0, L""},
        {4, 3, L"Сло"},
        {100, 16, L"Словарь терминов"},
    };
    for (const Case& c : cases) {
        wchar_t buffer[100];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        buffer[4] = L'\0';
        LRESULT result = SendMessageW(form->Handle(), WM_GETTEXT, c.size, reinterpret_cast<LPARAM>(buffer));
        EXPECT_EQ(result, c.result) << c.size;
        EXPECT_EQ(std::wstring(buffer), c.text) << c.size;
    }
    EXPECT_EQ(SendMessageW(form->Handle(), WM_GETTEXTLENGTH, 0, 0), 16);
}

TEST_F(CaptionOnScreen, TheCaptionGuardIsSharedByAllForms) {
    // While one form sets its caption text, another form's text change does
    // not reach that form's caption copy (one guard for the whole unit).
    TGradientForm* other = new TGradientForm(nullptr);
    other->SetCaption("before");
    other->HandleNeeded();
    form->OnCaptionPaint = [&](TObject*, TCanvas*, TRect&) { other->SetCaption("during"); };
    form->SetCaption("Outer");
    form->OnCaptionPaint = nullptr;
    EXPECT_EQ(form->Caption(), "Outer");
    EXPECT_EQ(other->Caption(), "before");
    TObject::Free(other);
}

TEST_F(CaptionOnScreen, AnErrorWhilePaintingIsShownAfterThePaint) {
    testing_support::ShownMessageBoxes().clear();
    form->OnCaptionPaint = [](TObject*, TCanvas*, TRect&) { throw std::runtime_error("paint failed"); };
    form->Draw(true);
    EXPECT_TRUE(testing_support::ShownMessageBoxes().empty());
    form->OnCaptionPaint = nullptr;
    Settle();
    ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].text, "paint failed.");
    testing_support::ShownMessageBoxes().clear();
}

TEST_F(CaptionOnScreen, ACaptionPaintThatKeepsFailingIsShownOnce) {
    testing_support::ShownMessageBoxes().clear();
    form->OnCaptionPaint = [](TObject*, TCanvas*, TRect&) { throw std::runtime_error("paint failed"); };
    for (int i = 0; i < 3; ++i) form->Draw(i % 2 == 0);
    Settle();
    form->OnCaptionPaint = nullptr;
    EXPECT_EQ(testing_support::ShownMessageBoxes().size(), 1u) << "one report waits for the form at a time";
    testing_support::ShownMessageBoxes().clear();
}

TEST_F(CaptionOnScreen, StopColoursThatFollowTheSystemFollowAColourChange) {
    auto* follower = new TGradientForm(nullptr);
    follower->SetBounds(60, 260, 300, 100);
    follower->Show();
    Settle();
    const int element = COLOR_ACTIVECAPTION;
    const COLORREF saved = GetSysColor(element), changed = RGB(200, 30, 60);
    SetSysColors(1, &element, &changed);
    Settle();
    const uint32_t followed = follower->ColorTable(true)[63];
    const uint32_t set = form->ColorTable(true)[63];
    SetSysColors(1, &element, &saved);
    Settle();
    EXPECT_EQ(followed, static_cast<uint32_t>(changed));
    EXPECT_EQ(set, static_cast<uint32_t>(ColorToRGB(clBlue))) << "a stop colour of its own stays";
    TObject::Free(follower);
}

}  // namespace
