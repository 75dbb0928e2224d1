// The real viewer, started in a working folder under the build tree with the
// sample dictionary, and the windows a person would point at.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "desktop.h"

namespace e2e {

// One user journey: the step under way names every failure, and a failure
// leaves a picture of the screen under the build folder.
class Journey {
public:
    explicit Journey(std::string name) : name_(std::move(name)) {}
    void Step(std::string step) { step_ = std::move(step); }
    // Records a failure of the current step; returns `ok`.
    bool Check(bool ok, const std::string& what);
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    std::string step_ = "start";
    int failures_ = 0;
};

// The folder the journeys run the viewer in: the sample dictionary, with its
// own registry key so that no journey meets another one's settings.
std::wstring WorkFolder();
void PrepareWorkFolder();
// Forgets every setting the viewer stored (a first start follows).
void ForgetSettings();
// The registry key the viewer stores its settings under.
std::wstring SettingsKey();

// A test that starts from the sample dictionary and no stored settings, and
// leaves none behind.
class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareWorkFolder();
        ForgetSettings();
    }
    void TearDown() override { ForgetSettings(); }
    static std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }
};

// The selected row of the term list as it is drawn: a band of the selection
// colour at the list's left margin.
struct Band {
    bool found = false;
    int top = 0;     // relative to the list's client area
    int height = 0;
    uint32_t colour = 0;
};

class ViewerSession {
public:
    explicit ViewerSession(Journey& journey);
    ~ViewerSession();
    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

    bool Running() const { return form_ != nullptr; }
    HWND Form() const { return form_; }
    HWND List() const { return list_; }
    HWND Article() const { return article_; }
    HWND Intro() const { return intro_; }

    // Lets what was sent be handled, then waits `ms` for what it set off
    // (the 100 ms poll that loads an article, repaints).
    void Settle(DWORD ms = 350);
    // Waits for a visible window of the viewer's thread that `match` accepts.
    HWND WaitForWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs = 5000);
    bool WaitUntilGone(HWND wnd, DWORD timeoutMs = 5000);
    // The open drop-down or popup menu, or null.
    HWND OpenMenu() const;
    // A dialog of the viewer whose texts contain `text`.
    HWND WaitForDialog(const std::wstring& text, DWORD timeoutMs = 5000);
    // Waits for the process to end; true when it did.
    bool WaitForExit(DWORD timeoutMs = 10000);

    RECT ListRect() const { return ClientRectOnScreen(list_); }
    RECT ArticleRect() const { return ClientRectOnScreen(article_); }
    // The frame above the list where the typed prefix is shown.
    RECT LabelRect() const;
    // The strip of menu-bar buttons at the top of the client area.
    RECT MenuBarRect() const;
    Band SelectedBand() const;
    // The left edges of the menu-bar buttons, found as a person would: the
    // first drop-down opened by a click, then Right through the others.
    std::vector<int> MenuButtons();
    // Opens the menu of the button at `left` with a click.
    HWND OpenMenuAt(int left);
    // The panels the splitters sit between: the term list's column and the
    // introduction pane.
    RECT ListColumnRect() const;
    RECT IntroPaneRect() const;
    RECT RightColumnRect() const;  // the introduction and article panes
    // A point inside the list's `row`-th visible row, at the given band height.
    POINT ListRow(int row, int rowHeight) const;
    // The whole article's text, as Ctrl+A then Ctrl+C put it on the clipboard.
    std::wstring ArticleText();

private:
    Journey& journey_;
    PROCESS_INFORMATION process_{};
    HWND form_ = nullptr;
    HWND list_ = nullptr;
    HWND article_ = nullptr;
    HWND intro_ = nullptr;
};

// The first visible combo box among the descendants of `parent`.
HWND ComboBoxIn(HWND parent);
// The word search from the search menu's second item, by a click on the menu
// button; null when it does not show.
HWND OpenWordSearch(Journey& j, ViewerSession& viewer, int searchButton);

}  // namespace e2e
