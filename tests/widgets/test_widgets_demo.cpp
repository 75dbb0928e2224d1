#include <gtest/gtest.h>

#include <string>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "widgets/dock.h"
#include "widgets/flat_edit.h"
#include "widgets/tool_button.h"
#include "widgets/toolbar.h"
#include "widgets/wide_edit.h"

namespace {

// Not a check: a window to try the bars and edits by hand (drag the toolbar
// off its dock and back, Escape mid-drag, size it floating, type in both
// edits). Runs until the window is closed:
//   test_widgets.exe --gtest_also_run_disabled_tests --gtest_filter=WidgetsDemo.DISABLED_Show
TEST(WidgetsDemo, DISABLED_Show) {
    owned_ptr<TForm> form(new TForm(nullptr));
    form->SetCaption("Widgets");
    form->SetBounds(100, 100, 520, 360);
    auto* top = new TDock(form.get());
    top->SetParent(form.get());
    auto* bottom = new TDock(form.get());
    bottom->SetPosition(dpBottom);
    bottom->SetParent(form.get());
    auto* bar = new TToolbar(form.get());
    bar->SetCaption("Tools");
    bar->HideWhenInactive = false;
    bar->SetParent(top);
    for (const char* caption : {"One", "Two", "|", "Three", "Four"}) {
        if (std::string(caption) == "|") {
            (new TToolbarSep(form.get()))->SetParent(bar);
            continue;
        }
        auto* b = new TToolbarButton(form.get());
        b->SetBounds(0, 0, 44, 22);
        b->SetCaption(caption);
        b->SetParent(bar);
    }
    auto* flat = new TFlatEdit(form.get());
    flat->SetBounds(20, 80, 200, 19);
    flat->SetParent(form.get());
    auto* flat2 = new TFlatEdit(form.get());
    flat2->SetBounds(20, 110, 200, 19);
    flat2->SetParent(form.get());
    auto* wide = new TMyEdit(form.get());
    wide->SetBounds(20, 140, 300, 50);
    wide->SetParent(form.get());
    wide->WriteWC(Utf8ToWide("Словарь λέξη"));
    form->Show();
    while (form->Visible() && !Application->Terminated()) Application->HandleMessage();
}

}  // namespace
