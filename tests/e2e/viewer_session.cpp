#include "viewer_session.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace e2e {

namespace {

const wchar_t kRegKeyName[] = L"e2e-journeys";

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring BuildFolder() { return Widen(testing_support::BinaryDir()); }

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

struct ThreadWindows {
    const std::function<bool(HWND)>* match;
    HWND found = nullptr;
};

BOOL CALLBACK FindMatching(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<ThreadWindows*>(param);
    if (IsWindowVisible(wnd) && (*search->match)(wnd)) {
        search->found = wnd;
        return FALSE;
    }
    return TRUE;
}

struct Children {
    std::wstring className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChildren(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<Children*>(param);
    if (IsWindowVisible(wnd) && ClassOf(wnd) == search->className) search->found.push_back(wnd);
    return TRUE;
}

std::vector<HWND> VisibleChildren(HWND parent, const wchar_t* className) {
    Children search{className, {}};
    EnumChildWindows(parent, CollectChildren, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

bool Journey::Check(bool ok, const std::string& what) {
    if (ok) return true;
    ++failures_;
    const std::wstring folder = BuildFolder() + L"\\e2e";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring wideName(name_.begin(), name_.end());
    const std::wstring picture = folder + L"\\" + wideName + L"-" + std::to_wstring(failures_) + L".png";
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SavePng(screen, picture);
    ADD_FAILURE() << "step \"" << step_ << "\": " << what << " (screen: " << Narrow(picture) << ")";
    return false;
}

std::wstring WorkFolder() { return BuildFolder() + L"\\e2e\\work"; }

std::wstring SettingsKey() { return std::wstring(L"Software\\velkarumid\\") + kRegKeyName; }

void PrepareWorkFolder() {
    CreateDirectoryW((BuildFolder() + L"\\e2e").c_str(), nullptr);
    CreateDirectoryW(WorkFolder().c_str(), nullptr);
    SetCurrentDirectoryW(WorkFolder().c_str());
    testing_support::CopySampleDictionary();
    wchar_t viewer[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TEST_VIEWER_EXE", viewer, MAX_PATH);
    std::wstring exe = viewer;
    if (!exe.empty() && exe[0] == L'/') {
        exe = L"Z:" + exe;
        std::replace(exe.begin(), exe.end(), L'/', L'\\');
    }
    CopyFileW(exe.c_str(), L"voc.exe", FALSE);
    // The journeys' own registry key: the ini names it.
    std::string text = testing_support::ReadFileBytes("voc.ini");
    const size_t at = text.find("RegKey=");
    if (at != std::string::npos) {
        const size_t end = text.find_first_of("\r\n", at);
        text.replace(at, end - at, "RegKey=" + Narrow(kRegKeyName));
    }
    testing_support::WriteFileBytes("voc.ini", text);
}

void ForgetSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey().c_str()); }

ViewerSession::ViewerSession(Journey& journey) : journey_(journey) {
    const std::wstring folder = WorkFolder();
    std::wstring command = L"\"" + folder + L"\\voc.exe\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!journey_.Check(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                       &startup, &process_) != 0,
                        "the viewer starts")) {
        process_ = {};
        return;
    }
    WaitForInputIdle(process_.hProcess, 20000);
    std::function<bool(HWND)> isMain = [](HWND wnd) { return ClassOf(wnd) == L"TForm1"; };
    for (int tries = 0; tries < 300 && !list_; ++tries) {
        if (WaitForSingleObject(process_.hProcess, 100) == WAIT_OBJECT_0) break;
        ThreadWindows search{&isMain};
        EnumThreadWindows(process_.dwThreadId, FindMatching, reinterpret_cast<LPARAM>(&search));
        if (!search.found) continue;
        std::vector<HWND> lists = VisibleChildren(search.found, L"TCustomGrid");
        std::vector<HWND> viewers = VisibleChildren(search.found, L"TPageViewer");
        if (lists.empty() || viewers.empty()) continue;
        form_ = search.found;
        list_ = lists.front();
        // The article pane lies below the introduction pane.
        std::sort(viewers.begin(), viewers.end(),
                  [](HWND a, HWND b) { return WindowRectOf(a).top < WindowRectOf(b).top; });
        article_ = viewers.back();
        intro_ = viewers.size() > 1 ? viewers.front() : nullptr;
    }
    if (!journey_.Check(form_ != nullptr, "the main window and its term list appear")) return;
    Settle(1500);  // the introduction, its pictures and the first article
}

ViewerSession::~ViewerSession() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        // A journey that failed half-way may leave a dialog open: end the
        // process rather than guess which keys would close it.
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

void ViewerSession::Settle(DWORD ms) {
    if (!form_) return;
    DWORD_PTR ignored;
    // A round trip through the viewer's queue: only a wait, never an input.
    SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored);
    Sleep(ms);
    SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored);
}

HWND ViewerSession::WaitForWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs) {
    if (!process_.hProcess) return nullptr;
    for (DWORD waited = 0;; waited += 50) {
        ThreadWindows search{&match};
        EnumThreadWindows(process_.dwThreadId, FindMatching, reinterpret_cast<LPARAM>(&search));
        if (search.found || waited >= timeoutMs) return search.found;
        Sleep(50);
    }
}

bool ViewerSession::WaitUntilGone(HWND wnd, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (!IsWindow(wnd) || !IsWindowVisible(wnd)) return true;
        Sleep(50);
    }
    return !IsWindow(wnd) || !IsWindowVisible(wnd);
}

HWND ViewerSession::OpenMenu() const {
    // Menus are top-level windows of the desktop.
    HWND menu = nullptr;
    while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr)
        if (IsWindowVisible(menu)) return menu;
    return nullptr;
}

HWND ViewerSession::WaitForDialog(const std::wstring& text, DWORD timeoutMs) {
    return WaitForWindow(
        [&](HWND wnd) { return ClassOf(wnd) == L"#32770" && AllTexts(wnd).find(text) != std::wstring::npos; },
        timeoutMs);
}

bool ViewerSession::WaitForExit(DWORD timeoutMs) {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

RECT ViewerSession::LabelRect() const {
    const RECT list = WindowRectOf(list_);
    // The label's frame is 39 pixels high above the list's own frame.
    return {list.left, list.top - 52, list.right, list.top - 14};
}

RECT ViewerSession::MenuBarRect() const {
    const RECT client = ClientRectOnScreen(form_);
    const RECT list = WindowRectOf(list_);
    return {client.left, client.top, client.right, std::min(client.top + 24, list.top - 52)};
}

Band ViewerSession::SelectedBand() const {
    const RECT r = ListRect();
    // Left of the term's text (drawn from x = 10): only the cell's fill.
    const Image strip = Grab({r.left + 3, r.top, r.left + 4, r.bottom});
    std::map<uint32_t, int> counts;
    for (uint32_t px : strip.pixels) ++counts[px];
    uint32_t background = 0;
    int most = -1;
    for (auto [colour, n] : counts)
        if (n > most) most = n, background = colour;
    Band band;
    for (int y = 0; y < strip.height; ++y) {
        if (strip.At(0, y) == background) continue;
        int end = y;
        while (end < strip.height && strip.At(0, end) == strip.At(0, y)) ++end;
        if (end - y >= 8) return {true, y, end - y, strip.At(0, y)};
        y = end;
    }
    return band;
}

std::vector<int> ViewerSession::MenuButtons() {
    const RECT bar = MenuBarRect();
    std::vector<int> buttons;
    Click({bar.left + 12, (bar.top + bar.bottom) / 2});
    Settle(300);
    for (int i = 0; i < 8; ++i) {
        HWND menu = OpenMenu();
        if (!menu) break;
        const int left = WindowRectOf(menu).left;
        if (!buttons.empty() && left == buttons.front()) break;
        buttons.push_back(left);
        Key(VK_RIGHT);
        Settle(300);
    }
    // The first Escape closes the drop-down, the second leaves the bar.
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);
    Settle(200);
    return buttons;
}

HWND ViewerSession::OpenMenuAt(int left) {
    const RECT bar = MenuBarRect();
    Click({left + 8, (bar.top + bar.bottom) / 2});
    Settle(300);
    return OpenMenu();
}

RECT ViewerSession::ListColumnRect() const {
    // The list sits in its frame panel, which sits in the column.
    return WindowRectOf(GetParent(GetParent(list_)));
}

RECT ViewerSession::IntroPaneRect() const { return intro_ ? WindowRectOf(GetParent(intro_)) : RECT{}; }

RECT ViewerSession::RightColumnRect() const { return intro_ ? WindowRectOf(GetParent(GetParent(intro_))) : RECT{}; }

POINT ViewerSession::ListRow(int row, int rowHeight) const {
    const RECT r = ListRect();
    return {r.left + 40, r.top + row * rowHeight + rowHeight / 2};
}

std::wstring ViewerSession::ArticleText() {
    EmptyClipboardText();
    Keys({VK_CONTROL, 'A'});
    Keys({VK_CONTROL, 'C'});
    Settle(200);
    return ClipboardText();
}

HWND ComboBoxIn(HWND parent) {
    HWND found = nullptr;
    EnumChildWindows(
        parent,
        [](HWND wnd, LPARAM param) -> BOOL {
            if (!IsWindowVisible(wnd) || ClassOf(wnd) != L"FwCOMBOBOX") return TRUE;
            *reinterpret_cast<HWND*>(param) = wnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND OpenWordSearch(Journey& j, ViewerSession& viewer, int searchButton) {
    j.Step("the search menu by a click, its second item");
    j.Check(viewer.OpenMenuAt(searchButton) != nullptr, "the search menu opens");
    Key(VK_DOWN);
    Key(VK_RETURN);
    HWND search = viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"TFindAllWords"; });
    j.Check(search != nullptr, "the word search window is shown");
    viewer.Settle(300);
    return search;
}

}  // namespace e2e
