// The text boxes of the viewer's windows under a person's keys.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "desktop.h"
#include "viewer_session.h"

namespace e2e {
namespace {

class TextBoxes : public ViewerTest {};

// Ctrl+A selects the whole pattern of the word search, so that what is typed
// next replaces it (the box shows capitals).
TEST_F(TextBoxes, CtrlASelectsTheWordSearchPattern) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const std::vector<int> buttons = viewer.MenuButtons();
    ASSERT_TRUE(j.Check(buttons.size() == 5, "five menu buttons"));
    HWND search = OpenWordSearch(j, viewer, buttons[2]);
    ASSERT_NE(search, nullptr);
    HWND box = ComboBoxIn(search);
    ASSERT_TRUE(j.Check(box != nullptr, "the pattern box is there"));
    // Asked of the window itself: another program's window text is only its caption.
    auto text = [box] {
        wchar_t buffer[300] = {};
        SendMessageW(box, WM_GETTEXT, 300, reinterpret_cast<LPARAM>(buffer));
        return std::wstring(buffer);
    };

    Type(L"дом*");
    viewer.Settle(200);
    j.Check(text() == L"ДОМ*", "the pattern is typed: " + std::to_string(text().size()));
    Keys({VK_CONTROL, 'A'});
    viewer.Settle(200);
    Type(L"сеть");
    viewer.Settle(300);
    j.Check(text() == L"СЕТЬ", "what is typed after Ctrl+A replaces the pattern, " +
                                            std::to_string(text().size()) + " letters are there");
    SavePng(WindowRectOf(search), WorkFolder() + L"\\word-search-ctrl-a.png");
    Key(VK_ESCAPE);
    j.Check(viewer.WaitUntilGone(search), "Escape closes the word search");
}

}  // namespace
}  // namespace e2e
