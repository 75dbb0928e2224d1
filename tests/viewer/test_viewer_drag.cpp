// Drags from another control dropped on a viewer's page and on a frame of a
// frame viewer, under real mouse input: the host's handlers hear of them.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "viewer/frame_viewer.h"
#include "widgets/timed_steps.h"

using namespace widget_tests;

namespace {

TEST(ViewerDrag, DropsOnThePageReachTheHostsHandlersWithTheViewerAsSender) {
    testing_support::TempWorkDir dir;
    testing_support::WriteFileBytes("left.htm", "<p>Left</p>");
    testing_support::WriteFileBytes("right.htm", "<p>Right</p>");
    testing_support::WriteFileBytes("set.htm", "<frameset cols=\"*,*\"><frame name=\"left\" src=\"left.htm\">"
                                               "<frame name=\"right\" src=\"right.htm\"></frameset>");
    struct Heard {
        TObject* sender = nullptr;
        TObject* source = nullptr;
        int x = -1, y = -1;
        bool entered = false;
    };
    struct Case {
        const char* name;
        // Makes the viewer on the form, gives it the handlers and returns the
        // page viewer the drop should land on.
        std::function<TPageViewer*(TForm*, TDragOverEvent, TDragDropEvent)> make;
    } cases[] = {
        {"page viewer",
         [](TForm* form, TDragOverEvent over, TDragDropEvent drop) {
             auto* viewer = new TPageViewer(form);
             viewer->SetBounds(150, 10, 300, 200);
             viewer->SetParent(form);
             viewer->LoadFromString("<p>Page</p>", "");
             viewer->SetDragOver(over);
             viewer->SetDragDrop(drop);
             return viewer;
         }},
        {"frame viewer",
         [](TForm* form, TDragOverEvent over, TDragDropEvent drop) {
             auto* frames = new TFrameViewer(form);
             frames->SetBounds(150, 10, 300, 200);
             frames->SetParent(form);
             frames->SetOnDragOver(over);
             frames->SetOnDragDrop(drop);
             frames->LoadFromFile("set.htm");
             auto& names = frames->CurFrameSet()->FrameNames;
             return names.at("RIGHT")->Viewer();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        owned_ptr<TForm> form(new TForm(nullptr));
        form->SetBounds(60, 60, 480, 260);
        form->Show();
        auto* source = new TPanel(form.get());
        source->SetBounds(10, 10, 100, 80);
        source->SetParent(form.get());
        source->SetDragMode(dmAutomatic);
        Heard heard;
        TPageViewer* viewer = c.make(
            form.get(),
            [&](TObject*, TObject*, int, int, TDragState state, bool& accept) {
                heard.entered = heard.entered || state == dsDragEnter;
                accept = true;
            },
            [&](TObject* sender, TObject* from, int x, int y) {
                heard.sender = sender;
                heard.source = from;
                heard.x = x;
                heard.y = y;
            });
        ASSERT_NE(viewer, nullptr);
        Pump();
        POINT from{30, 30}, to{60, 40};
        ClientToScreen(source->Handle(), &from);
        ClientToScreen(viewer->PaintPanelControl()->Handle(), &to);
        ASSERT_TRUE(RunSteps({
            [&] { MoveMouse(from.x, from.y); },
            [&] { LeftDown(); },
            [&] { MoveMouse(from.x + 20, from.y); },
            [&] { MoveMouse(to.x - 10, to.y); },
            [&] { MoveMouse(to.x, to.y); },
            [&] { LeftUp(); },
        }));
        EXPECT_TRUE(heard.entered);
        EXPECT_EQ(heard.sender, viewer);
        EXPECT_EQ(heard.source, source);
        EXPECT_EQ(heard.x, 60);
        EXPECT_EQ(heard.y, 40);
    }
}

}  // namespace
