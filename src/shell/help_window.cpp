#include "shell/help_window.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/seams.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/font_obj.h"
#include "viewer/page_viewer.h"

namespace {

// The first bytes of a file of the old binary help format.
constexpr unsigned char kBinaryHelpSignature[4] = {0x3F, 0x5F, 0x03, 0x00};
const char kDefaultCaption[] = "Справка";

THelpWindow* gHelpWindow = nullptr;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A tag's attribute value (unquoted, or in single or double quotes) at `at`.
std::string AttributeValue(const std::string& html, size_t at) {
    while (at < html.size() && (html[at] == ' ' || html[at] == '\t' || html[at] == '\r' || html[at] == '\n')) ++at;
    if (at >= html.size()) return {};
    const char quote = html[at];
    if (quote == '"' || quote == '\'') {
        const size_t end = html.find(quote, at + 1);
        return html.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    }
    size_t end = at;
    while (end < html.size() && html[end] != '>' && html[end] != ' ' && html[end] != '\t' && html[end] != '\r' &&
           html[end] != '\n')
        ++end;
    return html.substr(at, end - at);
}

}  // namespace

std::string HtmlTitle(const std::string& html) {
    const std::string lower = Lower(html);
    const size_t open = lower.find("<title");
    if (open == std::string::npos) return {};
    const size_t start = lower.find('>', open);
    if (start == std::string::npos) return {};
    const size_t end = lower.find("</title", start);
    std::string title = html.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    for (char& c : title)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return Trim(title);
}

bool HasAnchor(const std::string& html, const std::string& name) {
    if (name.empty()) return false;
    const std::string lower = Lower(html);
    const std::string wanted = Lower(name);
    for (const char* attribute : {"name", "id"}) {
        const std::string key = std::string(attribute) + "=";
        for (size_t at = lower.find(key); at != std::string::npos; at = lower.find(key, at + 1)) {
            // Inside a tag, after a blank: "<a name=10>", not "rename=".
            if (at == 0 || (lower[at - 1] != ' ' && lower[at - 1] != '\t' && lower[at - 1] != '\n')) continue;
            if (Lower(AttributeValue(html, at + key.size())) == wanted) return true;
        }
    }
    return false;
}

bool IsBinaryHelpFile(const std::string& fileName) {
    if (!FileExists(fileName)) return false;
    unsigned char head[4] = {};
    try {
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        if (file.Read(head, sizeof head) != sizeof head) return false;
    } catch (const Exception&) {
        return false;
    }
    return std::equal(std::begin(head), std::end(head), std::begin(kBinaryHelpSignature));
}

// ---------------------------------------------------------------------------

THelpWindow::THelpWindow(TComponent* AOwner) : TForm(AOwner) {
    BuildForm([this] {
        Position = poScreenCenter;
        SetCaption(Utf8ToAnsi(kDefaultCaption));
        SetClientWidth(520);
        SetClientHeight(420);
        Viewer = new TPageViewer(this);
        Viewer->SetParent(this);
        Viewer->SetAlign(alClient);
        Viewer->SetColor(clWindow);
    });
    OnClose = [](TObject*, TCloseAction& action) { action = caHide; };
    // A contents link is shown as a topic asked for by F1 is, so that a late
    // topic too gets the blank room that lets its heading come to the top.
    Viewer->OnHotSpotClick = [this](TObject*, const std::string& url, bool& handled) {
        if (url.size() < 2 || url[0] != '#' || !HasAnchor(FSource, url.substr(1))) return;
        handled = true;
        ShowTopic(FFileName, url.substr(1));
        Viewer->AddVisitedLink(Viewer->CurrentFile() + url);
    };
    // Escape puts help away, as it does a dialog. The text's own key handler
    // sees it also while help is open beside a platform dialog, whose loop
    // hands the form no keys first.
    Viewer->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState shift) {
        if (key != VK_ESCAPE || shift != 0) return;
        key = 0;
        Close();
    };
}

void THelpWindow::ShowTopic(const std::string& helpFile, const std::string& topic) {
    if (helpFile != FFileName || !FileExists(helpFile)) {
        // Raises "Can't locate file: " for a missing one.
        Viewer->LoadFromFile(helpFile);
        FFileName = helpFile;
        FSource = Viewer->Source();
        FRoom = -1;
        std::string title = WideToAnsi(Viewer->Title());
        if (title.empty()) title = HtmlTitle(FSource);
        SetCaption(title.empty() ? Utf8ToAnsi(kDefaultCaption) : title);
    }
    FTopic = HasAnchor(FSource, topic) ? topic : std::string();
    // A topic near the page's end could not come to the top: the page gets
    // blank room below it, a view's height to find where the topic lies, then
    // just enough to scroll the topic to the top.
    const int view = Viewer->PaintPanelControl()->Height();
    if (!FTopic.empty()) LoadPage(view);
    if (!FTopic.empty() && Viewer->PositionTo(FTopic)) {
        LoadPage(std::max(0, Viewer->GetScrollPos() + 2 * view - Viewer->DocumentHeight()));
        Viewer->PositionTo(FTopic);
    } else {
        if (FRoom >= 0) LoadPage(-1);
        Viewer->ScrollTo(0);
    }
    // The text takes the focus, not the link it was left on: a link that
    // takes it is scrolled into view, away from the topic.
    SetActiveControl(Viewer);
    Show();
    BringToFront();
}

void THelpWindow::LoadPage(int room) {
    std::string page = FSource;
    if (room >= 0) {
        const std::string spacer = "<div style=\"height:" + IntToStr(room) + "px\"></div>";
        const size_t end = Lower(page).rfind("</body");
        page.insert(end == std::string::npos ? page.size() : end, spacer);
    }
    Viewer->LoadFromString(page, FFileName);
    FRoom = room;
}

// Modal dialogs disable every window of the program; help stays usable
// beside them.
void THelpWindow::WndProc(TMessage& message) {
    if (message.Msg == WM_ENABLE && !message.WParam && HandleAllocated()) {
        EnableWindow(Handle(), TRUE);
        message.Result = 0;
        return;
    }
    TForm::WndProc(message);
}

// ---------------------------------------------------------------------------

THelpWindow* HelpWindow() { return gHelpWindow; }

void CloseHelpWindow() {
    THelpWindow* window = gHelpWindow;
    gHelpWindow = nullptr;
    TObject::Free(window);
}

bool ShowHelp(void* owner, const std::string& helpFile, unsigned command, uintptr_t data) {
    try {
        if (IsBinaryHelpFile(helpFile))
            return WinHelpW(static_cast<HWND>(owner), AnsiToWide(helpFile).c_str(), command, data) != 0;
        if (command == HELP_QUIT) {
            if (gHelpWindow) gHelpWindow->Hide();
            return true;
        }
        const std::string topic = command == HELP_CONTEXT ? IntToStr(static_cast<int64_t>(data)) : std::string();
        if (!gHelpWindow) {
            gHelpWindow = new THelpWindow(nullptr);
            gHelpWindow->OnDestroy = [](TObject*) { gHelpWindow = nullptr; };
        }
        gHelpWindow->ShowTopic(helpFile, topic);
        return true;
    } catch (const std::exception& e) {
        if (Application) Application->ShowException(e);
        return false;
    }
}

void InstallHelpWindow() { seams::Help = ShowHelp; }
