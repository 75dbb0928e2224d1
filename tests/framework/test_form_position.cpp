#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/win.h"

namespace {

TEST(FormPosition, DesktopCentreCentresOnEveryMonitorTogether) {
    const TRect desktop = Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                 GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 200);
    form->Position = poDesktopCenter;
    form->Show();
    EXPECT_EQ(form->Left(), desktop.Left + (desktop.Width() - 300) / 2);
    EXPECT_EQ(form->Top(), desktop.Top + (desktop.Height() - 200) / 2);
    TObject::Free(form);
}

// A dialog given its client size before its window exists, shown as the
// program shows its dialogs, opens where its Position says, wholly on the
// screen, and shows the whole client area it was given.
TEST(FormPosition, ADialogOpensCentredWholeAndOnTheScreen) {
    const TRect work = Screen->WorkAreaRect();
    struct Case {
        const char* name;
        TPosition position;
        bool modal;
        bool windowFirst;  // its window made before it is shown (as ShowModal does)
        TRect mainWindow;
    };
    const TRect aside = Bounds(work.Left + 20, work.Top + 30, 500, 400);
    const Case cases[] = {
        {"on the screen, shown", poScreenCenter, false, false, aside},
        {"on the screen, modal", poScreenCenter, true, false, aside},
        {"on the screen, modal, window made first", poScreenCenter, true, true, aside},
        {"over the main window, modal", poMainFormCenter, true, false, aside},
        {"over a main window half off the screen's right", poMainFormCenter, false, false,
         Bounds(work.Right - 150, work.Top + 30, 500, 400)},
    };
    auto* main = new TForm(Application);
    main->Show();
    TForm* formerMain = Application->MainForm;
    Application->MainForm = main;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        main->SetBoundsRect(c.mainWindow);
        auto* dialog = new TForm(main);
        dialog->SetBorderStyle(bsDialog);
        dialog->Position = c.position;
        dialog->SetClientWidth(300);
        dialog->SetClientHeight(200);
        if (c.windowFirst) dialog->HandleNeeded();
        RECT window{}, client{};
        auto look = [&] {
            GetWindowRect(dialog->Handle(), &window);
            GetClientRect(dialog->Handle(), &client);
        };
        if (c.modal) {
            dialog->OnShow = [&](TObject*) {
                look();
                PostMessageW(dialog->Handle(), WM_NULL, 0, 0);
                dialog->ModalResult = mrOk;
            };
            dialog->ShowModal();
        } else {
            dialog->Show();
            look();
        }
        const TRect over = c.position == poScreenCenter ? work : main->BoundsRect();
        const int dx = (window.left + window.right) - (over.Left + over.Right);
        const int dy = (window.top + window.bottom) - (over.Top + over.Bottom);
        EXPECT_EQ(client.right, 300);
        EXPECT_EQ(client.bottom, 200);
        EXPECT_TRUE(window.left >= work.Left && window.top >= work.Top && window.right <= work.Right &&
                    window.bottom <= work.Bottom);
        if (c.mainWindow.Right <= work.Right) {
            EXPECT_LE(std::abs(dx), 1);
            EXPECT_LE(std::abs(dy), 1);
        } else {
            EXPECT_EQ(window.right, work.Right);
        }
        TObject::Free(dialog);
    }
    Application->MainForm = formerMain;
    TObject::Free(main);
}

}  // namespace
