// The font dialog of the appearance dialog ("Изменить..."): the time from the
// click to the dialog on screen with its family list filled and every control
// painted, the first time and at best of twenty, with the number of families the
// list holds.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/win.h"
#include "shell/font_dlg.h"
#include "util/font_combo.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

constexpr int kRepeats = 20;

}  // namespace

int main() {
    InitializeForms();
    auto* owner = new TForm(Application);
    owner->Show();
    double first = 0, best = 1e30;
    int families = 0;
    for (int i = 0; i < kRepeats; ++i) {
        TFont font;
        font.SetName("Times New Roman");
        font.SetSize(12);
        TColor color = clWhite;
        const Clock::time_point start = Clock::now();
        auto* dialog = new TFontDlg(owner, color, &font);
        dialog->Show();
        dialog->Update();
        Application->ProcessMessages();
        const double ms = MillisecondsSince(start);
        families = dialog->FontComboBox1->Items()->Count();
        TObject::Free(dialog);
        if (i == 0) first = ms;
        best = std::min(best, ms);
    }
    std::printf("font dialog open and painted: first %.1f ms, best of %d %.1f ms (%d families listed)\n", first,
                kRepeats, best, families);
    return 0;
}
