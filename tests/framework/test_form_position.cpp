#include <gtest/gtest.h>

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

}  // namespace
