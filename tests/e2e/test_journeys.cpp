// The viewer under a person's hands: each test is one journey through the real
// program, driven only by keystrokes and mouse events at screen coordinates,
// judged only by what the screen, the clipboard, files and the registry show.
#include <gtest/gtest.h>

#include <cstdlib>

#include "desktop.h"
#include "viewer_session.h"

namespace e2e {
namespace {

class Journeys : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareWorkFolder();
        ForgetSettings();
    }
    void TearDown() override { ForgetSettings(); }

    static std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }
};

bool Near(int a, int b, int slack = 2) { return std::abs(a - b) <= slack; }

// What the article pane shows, to see that it changed.
Image ArticlePixels(const ViewerSession& viewer) { return Grab(viewer.ArticleRect()); }

TEST_F(Journeys, TypingAtOnceAfterStartSelectsTheTermAndTheKeysMoveTheRow) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());

    j.Step("start: row 0 selected, label empty");
    const Image emptyLabel = Grab(viewer.LabelRect());
    const Band first = viewer.SelectedBand();
    ASSERT_TRUE(j.Check(first.found && first.top <= 2, "row 0 is drawn selected"));
    const int rowHeight = first.height;

    j.Step("type the first letters of a term before any click");
    Image article = ArticlePixels(viewer);
    Type(L"сок");  // Сокет
    viewer.Settle();
    const Band typed = viewer.SelectedBand();
    j.Check(typed.found && typed.top > first.top, "the typed term's row is selected");
    j.Check(!(Grab(viewer.LabelRect()) == emptyLabel), "the label shows the typed text");
    j.Check(!(ArticlePixels(viewer) == article), "the term's article is painted");

    j.Step("Backspace back to empty");
    for (int i = 0; i < 3; ++i) Key(VK_BACK);
    viewer.Settle();
    j.Check(viewer.SelectedBand().top == first.top, "row 0 is selected again");
    j.Check(Grab(viewer.LabelRect()) == emptyLabel, "the label is empty again");

    // Down and Up move the row on the screen; PgDn, Home and End scroll the
    // list with it, so they are judged by what the list shows.
    const Image startList = Grab(viewer.ListRect());
    struct Move {
        const char* step;
        WORD key;
        int rows;  // where the selected row must be drawn, in rows from the top; -1: anywhere
    };
    const Move moves[] = {
        {"Down", VK_DOWN, 1}, {"Down again", VK_DOWN, 2}, {"Up", VK_UP, 1},
        {"PgDn", VK_NEXT, -1}, {"Home", VK_HOME, 0},      {"End", VK_END, -1},
    };
    for (const Move& move : moves) {
        j.Step(move.step);
        article = ArticlePixels(viewer);
        const Image list = Grab(viewer.ListRect());
        Key(move.key);
        viewer.Settle();
        const Band now = viewer.SelectedBand();
        j.Check(now.found, "a row is drawn selected");
        if (move.rows >= 0)
            j.Check(now.top == first.top + move.rows * rowHeight,
                    "the selected row is drawn at " + std::to_string(now.top) + " pixels from the top");
        else
            j.Check(!(Grab(viewer.ListRect()) == list), "the list scrolls");
        j.Check(!(ArticlePixels(viewer) == article), "the article follows the row");
    }
    j.Step("Home again: the list as at the start");
    Key(VK_HOME);
    viewer.Settle();
    j.Check(Grab(viewer.ListRect()) == startList, "row 0 at the top, selected");
    Key(VK_END);
    viewer.Settle();
    j.Step("End: the last row is at the list's bottom");
    const Band last = viewer.SelectedBand();
    const RECT list = viewer.ListRect();
    j.Check(Near(last.top + last.height, list.bottom - list.top, rowHeight), "the last row is at the bottom");
}

TEST_F(Journeys, AMenuDismissedByAClickOnTheListLeavesTheArrowsToTheList) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const RECT bar = viewer.MenuBarRect();
    const Image quietBar = Grab(bar);
    const int rowHeight = viewer.SelectedBand().height;
    ASSERT_GT(rowHeight, 0);

    j.Step("find the menu buttons: open the first, then Right through the others");
    std::vector<int> buttons;
    Click({bar.left + 12, (bar.top + bar.bottom) / 2});
    viewer.Settle(300);
    for (int i = 0; i < 8; ++i) {
        HWND menu = viewer.OpenMenu();
        if (!menu) break;
        const int left = WindowRectOf(menu).left;
        if (!buttons.empty() && left == buttons.front()) break;
        buttons.push_back(left);
        Key(VK_RIGHT);
        viewer.Settle(300);
    }
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);
    viewer.Settle(200);
    Click(viewer.ListRow(0, rowHeight));
    viewer.Settle(300);
    ASSERT_TRUE(j.Check(buttons.size() == 5, "five menus open one after the other, found " +
                                                  std::to_string(buttons.size())));

    for (size_t i = 0; i < buttons.size(); ++i) {
        j.Step("menu " + std::to_string(i + 1) + ": open by a click");
        Click({buttons[i] + 8, (bar.top + bar.bottom) / 2});
        viewer.Settle(300);
        j.Check(viewer.OpenMenu() != nullptr, "its drop-down is open");

        j.Step("menu " + std::to_string(i + 1) + ": dismiss by a click on the list's row 1");
        Click(viewer.ListRow(1, rowHeight));
        viewer.Settle(300);
        j.Check(viewer.OpenMenu() == nullptr, "the drop-down is closed");
        Click(viewer.ListRow(1, rowHeight));  // the click that closed the menu may not reach the list
        viewer.Settle(300);

        j.Step("menu " + std::to_string(i + 1) + ": Down in the list");
        Key(VK_DOWN);
        viewer.Settle(300);
        j.Check(viewer.OpenMenu() == nullptr, "no menu opens");
        j.Check(viewer.SelectedBand().top == 2 * rowHeight, "the next term's row is selected");
        Key(VK_UP);
        viewer.Settle(200);
        j.Check(Grab(bar) == quietBar, "no menu button stays highlighted");
    }

    struct Entry {
        const char* step;
        WORD key;
    };
    for (const Entry& entry : {Entry{"Alt then Escape", VK_MENU}, Entry{"F10 then Escape", VK_F10}}) {
        j.Step(entry.step);
        const int before = viewer.SelectedBand().top;
        Key(entry.key);
        viewer.Settle(200);
        Key(VK_ESCAPE);
        viewer.Settle(200);
        j.Check(Grab(bar) == quietBar, "Escape leaves the menu bar quiet");
        Key(VK_DOWN);
        viewer.Settle(300);
        j.Check(viewer.OpenMenu() == nullptr, "Down opens no menu");
        j.Check(viewer.SelectedBand().top == before + rowHeight, "Down moves the row");
    }

    j.Step("Alt then a click on the list");
    Key(VK_MENU);
    viewer.Settle(200);
    Click(viewer.ListRow(1, rowHeight));
    viewer.Settle(300);
    j.Check(Grab(bar) == quietBar, "no menu button stays highlighted");
    Key(VK_DOWN);
    viewer.Settle(300);
    j.Check(viewer.OpenMenu() == nullptr, "Down opens no menu");
    j.Check(viewer.SelectedBand().top == 2 * rowHeight, "Down moves the row");

    j.Step("Alt then Down opens the first menu");
    Key(VK_MENU);
    viewer.Settle(200);
    Key(VK_DOWN);
    viewer.Settle(300);
    HWND menu = viewer.OpenMenu();
    j.Check(menu != nullptr && WindowRectOf(menu).left == buttons.front(), "the first drop-down is open");
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);
    viewer.Settle(300);
    j.Check(viewer.OpenMenu() == nullptr && Grab(bar) == quietBar, "two Escapes leave the menus");

    j.Step("the article's popup menu");
    Click(Centre(viewer.ArticleRect()), true);
    viewer.Settle(300);
    j.Check(viewer.OpenMenu() != nullptr, "a right click in the article opens its popup menu");
    Key(VK_ESCAPE);
    viewer.Settle(300);
    j.Check(viewer.OpenMenu() == nullptr, "Escape closes it");
}

}  // namespace
}  // namespace e2e

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
