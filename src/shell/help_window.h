// The program's help. A help file in the platform's old binary help format
// goes to the platform's help engine; any other is an HTML page (code page
// 1251) shown in one help window that is made on first use and reused. The
// framework's help seam leads here once InstallHelpWindow has run.
#pragma once

#include <cstdint>
#include <string>

#include "framework/forms.h"

class TPageViewer;

class THelpWindow : public TForm {
public:
    explicit THelpWindow(TComponent* AOwner);

    // Loads `helpFile` (raises the viewer's "Can't locate file: " when it is
    // missing) and shows the topic: "" for the top, else the anchor's name,
    // which comes to the top of the window even near the page's end.
    void ShowTopic(const std::string& helpFile, const std::string& topic);
    // The topic shown: the anchor's name, or "" for the top of the page.
    const std::string& Topic() const { return FTopic; }
    const std::string& FileName() const { return FFileName; }

    TPageViewer* Viewer = nullptr;

    void WndProc(TMessage& message) override;

private:
    // The page as read, followed by `room` blank pixels unless it is -1.
    void LoadPage(int room);

    std::string FFileName;
    std::string FSource;  // as read
    std::string FTopic;
    int FRoom = -1;
};

// The shape of the framework's help seam. HELP_CONTENTS (and every other
// command) shows the top, HELP_CONTEXT the anchor named after the number (the
// top when there is none), HELP_QUIT closes the window. False when nothing
// could be shown; a failure is reported in a message box.
bool ShowHelp(void* owner, const std::string& helpFile, unsigned command, uintptr_t data);
// Routes the framework's help seam through ShowHelp.
void InstallHelpWindow();
// The help window while it exists.
THelpWindow* HelpWindow();
void CloseHelpWindow();

// The page's title (code page 1251), empty without one.
std::string HtmlTitle(const std::string& html);
// True when the page has an anchor or element of that NAME or ID.
bool HasAnchor(const std::string& html, const std::string& name);
// True for a file in the platform's binary help format.
bool IsBinaryHelpFile(const std::string& fileName);
