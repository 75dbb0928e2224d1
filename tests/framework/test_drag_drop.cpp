// Drag and drop between controls under real mouse and key input.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/drag_drop.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "widgets/timed_steps.h"

using namespace widget_tests;

namespace {

const char* StateName(TDragState state) {
    switch (state) {
    case dsDragEnter: return "enter";
    case dsDragLeave: return "leave";
    default: return "move";
    }
}

// A shown form with a source of each drag mode, a panel and a graphic
// control that take drops and a panel that refuses them; every drag event
// goes into one log.
class DragDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(80, 80, 440, 300);
        form->Show();
        automatic = Panel("automatic", 10, 10);
        automatic->SetDragMode(dmAutomatic);
        manual = Panel("manual", 10, 150);
        manual->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { manual->BeginDrag(true); };
        for (TControl* source : std::initializer_list<TControl*>{automatic, manual}) {
            source->OnStartDrag = [this](TObject*, TObject*&) { log.push_back("start"); };
            source->OnEndDrag = [this](TObject*, TObject* target, int x, int y) {
                log.push_back("end " + NameOf(target) + " " + std::to_string(x) + "," + std::to_string(y));
            };
        }
        taker = Panel("taker", 120, 10);
        refuser = Panel("refuser", 260, 10);
        picture = new TGraphicControl(form);
        picture->SetName("picture");
        picture->SetBounds(120, 150, 100, 80);
        picture->SetParent(form);
        for (TControl* target : std::initializer_list<TControl*>{taker, refuser, picture}) {
            target->OnDragOver = [this, target](TObject*, TObject* source, int, int, TDragState state, bool& accept) {
                if (log.empty() || log.back() != target->Name() + " move" || state != dsDragMove)
                    log.push_back(target->Name() + " " + StateName(state));
                accept = target != refuser && (source == automatic || source == manual);
            };
            target->OnDragDrop = [this, target](TObject*, TObject* source, int x, int y) {
                log.push_back(target->Name() + " drop " + NameOf(source) + " " + std::to_string(x) + "," +
                              std::to_string(y));
            };
        }
        Pump();
    }
    void TearDown() override {
        TObject::Free(form);
        Pump(50);
    }
    TPanel* Panel(const char* name, int left, int top) {
        auto* panel = new TPanel(form);
        panel->SetName(name);
        panel->SetBounds(left, top, 100, 80);
        panel->SetParent(form);
        return panel;
    }
    static std::string NameOf(TObject* object) {
        auto* control = dynamic_cast<TControl*>(object);
        return control ? control->Name() : "none";
    }
    // A point of a control on the screen.
    static TPoint At(TControl* control, int x, int y) {
        POINT p{x, y};
        if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
            ClientToScreen(windowed->Handle(), &p);
        } else {
            p.x += control->Left();
            p.y += control->Top();
            ClientToScreen(control->Parent()->Handle(), &p);
        }
        return {p.x, p.y};
    }

    TForm* form = nullptr;
    TPanel* automatic = nullptr;
    TPanel* manual = nullptr;
    TPanel* taker = nullptr;
    TPanel* refuser = nullptr;
    TGraphicControl* picture = nullptr;
    std::vector<std::string> log;
};

TEST_F(DragDropTest, DragsStartDropAndCancelAsTheMouseAndEscapeSay) {
    enum TEnd { kRelease, kEscape };
    struct Case {
        const char* name;
        std::function<TControl*()> source;
        std::function<TControl*()> target;
        int shift;  // the first move away from the press, in pixels
        bool travels;  // on to the target, or released there
        TEnd end;
        std::vector<std::string> expected;
        HCURSOR cursorOverTarget;  // null: not looked at
    };
    const HCURSOR noDrop = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_NO));
    const Case cases[] = {
        {"automatic onto a panel", [&] { return automatic; }, [&] { return taker; }, 20, true, kRelease,
         {"start", "taker enter", "taker move", "taker leave", "taker drop automatic 40,30", "end taker 40,30"},
         DragCursorHandle()},
        {"onto a graphic control", [&] { return automatic; }, [&] { return picture; }, 20, true, kRelease,
         {"start", "picture enter", "picture move", "picture leave", "picture drop automatic 40,30",
          "end picture 40,30"},
         DragCursorHandle()},
        {"onto a panel that refuses", [&] { return automatic; }, [&] { return refuser; }, 20, true, kRelease,
         {"start", "refuser enter", "refuser move", "refuser leave", "end none 0,0"}, noDrop},
        {"Escape over a panel that takes it", [&] { return automatic; }, [&] { return taker; }, 20, true, kEscape,
         {"start", "taker enter", "taker move", "taker leave", "end none 0,0"}, nullptr},
        {"released before the mouse went far enough", [&] { return automatic; }, [&] { return automatic; }, 2,
         false, kRelease, {}, nullptr},
        {"a manual drag begun on the press", [&] { return manual; }, [&] { return taker; }, 2, true, kRelease,
         {"start", "taker enter", "taker move", "taker leave", "taker drop manual 40,30", "end taker 40,30"},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        TControl* source = c.source();
        TControl* target = c.target();
        const TPoint from = At(source, 30, 30);
        const TPoint over = At(target, 30, 20);
        const TPoint drop = At(target, 40, 30);
        HCURSOR seen = nullptr;
        bool draggingSeen = false;
        const bool done = RunSteps({
            [&] { MoveMouse(from.X, from.Y); },
            [&] { LeftDown(); },
            [&] { MoveMouse(from.X + c.shift, from.Y); },
            [&] {
                if (c.travels) MoveMouse(over.X, over.Y);
            },
            [&] {
                seen = GetCursor();
                draggingSeen = source->Dragging();
                if (c.travels) MoveMouse(drop.X, drop.Y);
            },
            [&] {
                if (c.end == kEscape) Tap(VK_ESCAPE);
            },
            [&] { LeftUp(); },
        });
        ASSERT_TRUE(done);
        EXPECT_EQ(log, c.expected);
        if (c.cursorOverTarget) {
            EXPECT_EQ(seen, c.cursorOverTarget);
        }
        // From the press on, before the mouse has gone far enough too.
        EXPECT_TRUE(draggingSeen);
        EXPECT_FALSE(source->Dragging());
    }
}

}  // namespace
