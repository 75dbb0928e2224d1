// Drives the real viewer from outside, the way a user at the keyboard would:
// starts voc.exe in the current folder, types terms into its term list, waits
// for the article, and writes a PNG of the main window per term. With
// --switch N it then selects the given terms in turn N times and prints the
// process's window count and memory before and after.
//   viewer_driver.exe [--exe voc.exe] [--out FOLDER] [--size WxH] [--switch N] [--again MS]
//                     TERM FILE.png [TERM FILE.png ...]
// With --again MS each picture is taken a second time MS milliseconds later,
// as FILE-later.png.
// A FILE of "-" selects the term without a picture. --size sets the window's
// size for the pictures; the old size is put back before the viewer closes,
// so the placement it saves is the user's own.
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "../screenshot/screen_png.h"

namespace {

struct Shot {
    std::wstring term;
    std::wstring file;
};

struct Options {
    std::wstring exe = L"voc.exe";
    std::wstring out = L".";
    int switches = 0;
    int again = 0;  // ms until a second picture of each article; 0: none
    int width = 0;
    int height = 0;
    std::vector<Shot> shots;
};

void Fail(const wchar_t* what) {
    std::fwprintf(stderr, L"viewer_driver: %ls\n", what);
    std::fflush(stderr);
}

// ------------------------------------------------------------------ windows

std::wstring ClassOf(HWND wnd) {
    wchar_t name[64] = {};
    GetClassNameW(wnd, name, 64);
    return name;
}

struct Search {
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectByClass(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (ClassOf(wnd) == search->className) search->found.push_back(wnd);
    return TRUE;
}

BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++*reinterpret_cast<int*>(param);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND wnd, LPARAM param) {
    auto* count = reinterpret_cast<int*>(param);
    ++*count;
    EnumChildWindows(wnd, CountChild, param);  // descends into grandchildren too
    return TRUE;
}

HWND FindMainForm(DWORD thread) {
    Search search{L"TForm1", {}};
    EnumThreadWindows(thread, CollectByClass, reinterpret_cast<LPARAM>(&search));
    for (HWND wnd : search.found)
        if (IsWindowVisible(wnd)) return wnd;
    return nullptr;
}

HWND FindVisibleChild(HWND form, const wchar_t* className) {
    Search search{className, {}};
    EnumChildWindows(form, CollectByClass, reinterpret_cast<LPARAM>(&search));
    for (HWND wnd : search.found)
        if (IsWindowVisible(wnd)) return wnd;
    return nullptr;
}

int CountWindows(DWORD thread) {
    int count = 0;
    EnumThreadWindows(thread, CountTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Waits `ms` between two round trips through the viewer's message loop, so
// that what was sent before has been handled and what it set off (the 100 ms
// poll that loads an article, the repaint) has had time to run.
void Settle(HWND form, DWORD ms) {
    DWORD_PTR ignored;
    SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored);
    Sleep(ms);
    SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored);
}

void SendChar(HWND list, wchar_t c) {
    DWORD_PTR ignored;
    SendMessageTimeoutW(list, WM_CHAR, c, 1, SMTO_BLOCK, 10000, &ignored);
}

// Types the term into the list as a user would: Backspaces empty what the
// last term left in the typed prefix, then the letters move the selection.
struct Typist {
    HWND form;
    HWND list;
    size_t typed = 0;

    void Select(const std::wstring& term) {
        for (; typed > 0; --typed) SendChar(list, L'\b');
        for (wchar_t c : term) {
            if (c == 0x301) continue;  // the keys have no stress marks
            SendChar(list, c);
            ++typed;  // a refused letter is not kept, so this may count too many: harmless
        }
        Settle(form, 400);
    }
};

// ------------------------------------------------------------------ pictures

// What the screen shows inside the window's rectangle: the viewer runs in
// Wine's virtual desktop, so that is what the window painted.
bool WriteWindowPng(HWND wnd, const std::wstring& path) {
    RECT r, window;
    const RECT desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (!GetWindowRect(wnd, &window) || !IntersectRect(&r, &window, &desktop)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    return screen_png::WriteScreenRect(r.left, r.top, width, height, path.c_str());
}

// ------------------------------------------------------------------ figures

struct Figures {
    int windows = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    SIZE_T workingSet = 0;
    SIZE_T commit = 0;
};

Figures Measure(HANDLE process, DWORD thread) {
    Figures f;
    f.windows = CountWindows(thread);
    f.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    f.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        f.workingSet = counters.WorkingSetSize;
        f.commit = counters.PagefileUsage;
    }
    return f;
}

void Print(const wchar_t* when, const Figures& f) {
    std::wprintf(L"%-7ls windows %4d   working set %7llu KB   committed %7llu KB", when, f.windows,
                 static_cast<unsigned long long>(f.workingSet / 1024),
                 static_cast<unsigned long long>(f.commit / 1024));
    // Wine keeps no count of GDI and USER objects and reports 0.
    if (f.gdiObjects || f.userObjects)
        std::wprintf(L"   GDI objects %4lu   USER objects %4lu", f.gdiObjects, f.userObjects);
    std::wprintf(L"\n");
}

// ------------------------------------------------------------------ main

bool ParseOptions(int argc, wchar_t** argv, Options& o) {
    int i = 1;
    for (; i < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; i += 2) {
        if (i + 1 >= argc) return false;
        std::wstring name = argv[i], value = argv[i + 1];
        if (name == L"--exe") {
            o.exe = value;
        } else if (name == L"--out") {
            o.out = value;
        } else if (name == L"--size") {
            if (std::swscanf(value.c_str(), L"%dx%d", &o.width, &o.height) != 2 || o.width < 200 ||
                o.height < 200)
                return false;
        } else if (name == L"--again") {
            o.again = _wtoi(value.c_str());
            if (o.again < 0) return false;
        } else if (name == L"--switch") {
            o.switches = _wtoi(value.c_str());
            if (o.switches < 0) return false;
        } else {
            return false;
        }
    }
    if ((argc - i) % 2 != 0 || i == argc) return false;
    for (; i < argc; i += 2) o.shots.push_back({argv[i], argv[i + 1]});
    return true;
}

int Run(const Options& o) {
    std::wstring command = L"\"" + o.exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &pi)) {
        Fail(L"cannot start the viewer");
        return 1;
    }
    WaitForInputIdle(pi.hProcess, 20000);
    // The main window shows before its term list does.
    HWND form = nullptr, list = nullptr;
    for (int tries = 0; tries < 600 && !list; ++tries) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
        form = FindMainForm(pi.dwThreadId);
        list = form ? FindVisibleChild(form, L"TCustomGrid") : nullptr;
    }
    int status = 0;
    if (!list) {
        Fail(L"the viewer's main window or term list did not appear");
        status = 1;
    } else {
        RECT original{};
        GetWindowRect(form, &original);
        // At the desktop's corner, so that the whole window is on the screen.
        if (o.width) SetWindowPos(form, nullptr, 0, 0, o.width, o.height, SWP_NOZORDER);
        SetForegroundWindow(form);
        Settle(form, 1500);  // the introduction and its pictures
        Typist typist{form, list};
        for (const Shot& shot : o.shots) {
            typist.Select(shot.term);
            if (shot.file == L"-") continue;
            Settle(form, 600);  // an animated picture draws its next frames
            std::wstring path = o.out + L"\\" + shot.file;
            if (WriteWindowPng(form, path)) {
                std::wprintf(L"wrote %ls (%d windows while it is shown)\n", path.c_str(),
                             CountWindows(pi.dwThreadId));
            } else {
                Fail(L"cannot write a picture");
                status = 1;
            }
            if (o.again > 0) {
                // The same article a moment later: an animated picture has moved on.
                Sleep(static_cast<DWORD>(o.again));
                const std::wstring later = path.substr(0, path.size() - 4) + L"-later.png";
                if (WriteWindowPng(form, later)) {
                    std::wprintf(L"wrote %ls %d ms later\n", later.c_str(), o.again);
                } else {
                    Fail(L"cannot write a picture");
                    status = 1;
                }
            }
        }
        if (o.switches > 0) {
            Figures before = Measure(pi.hProcess, pi.dwThreadId);
            for (int i = 0; i < o.switches; ++i) {
                typist.Select(o.shots[i % o.shots.size()].term);
                if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
            }
            // The same article as at the first count, so its own windows compare.
            const size_t back = (o.shots.size() - o.switches % o.shots.size()) % o.shots.size();
            for (size_t i = 0; i < back; ++i)
                typist.Select(o.shots[(o.switches + i) % o.shots.size()].term);
            Figures after = Measure(pi.hProcess, pi.dwThreadId);
            std::wprintf(L"%d article switches among %u terms:\n", o.switches, static_cast<unsigned>(o.shots.size()));
            Print(L"before", before);
            Print(L"after", after);
        }
        if (o.width)
            SetWindowPos(form, nullptr, original.left, original.top, original.right - original.left,
                         original.bottom - original.top, SWP_NOZORDER);
        Settle(form, 100);
        PostMessageW(form, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 10000) == WAIT_TIMEOUT) {
        Fail(L"the viewer did not close; ending it");
        TerminateProcess(pi.hProcess, 1);
        status = 1;
    } else {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        if (code != 0) std::wprintf(L"viewer exit code %lu\n", code);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs("usage: viewer_driver [--exe voc.exe] [--out FOLDER] [--size WxH] [--switch N] [--again MS]"
                   " TERM FILE.png ...\n",
                   stderr);
        return 2;
    }
    int status = Run(options);
    std::fflush(stdout);
    return status;
}
