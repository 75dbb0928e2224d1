#include "widgets/tb_common.h"

#include <algorithm>
#include <array>

#include "framework/controls.h"
#include "framework/cp1251.h"
#include "framework/win.h"
#include "widgets/deferred_errors.h"

TGetToolbarDockPosType (*GetToolbarDockPosProc)(TControl* control) = nullptr;

namespace {

constexpr int kHookKinds = 3;  // call-window-procedure, CBT, get-message

struct HookKindState {
    HHOOK handle = nullptr;
    int count = 0;
};

struct RegistryEntry {
    THookProc proc;
    THookProcCodes codes;
    // One element per registration: the hook kinds (bit set) it counted up,
    // so each removal gives back exactly what its registration took.
    std::vector<unsigned> kindsTaken;
};

struct HookRegistry {
    std::array<HookKindState, kHookKinds> kinds;
    std::vector<RegistryEntry> entries;
    int walkDepth = 0;
} g_hooks;

int KindOf(THookProcCode code) {
    switch (code) {
    case hpSendActivateApp:
    case hpSendWindowPosChanged:
        return 0;
    case hpPreDestroy:
        return 1;
    case hpPostMouseMove:
        return 2;
    }
    return 0;
}

unsigned KindsOf(THookProcCodes codes) {
    unsigned kinds = 0;
    for (int c = hpSendActivateApp; c <= hpPostMouseMove; ++c)
        if (codes & (1u << c)) kinds |= 1u << KindOf(static_cast<THookProcCode>(c));
    return kinds;
}

// Every registered procedure holding `code`, called over a snapshot so that a
// procedure may register or unregister others (or itself) while it runs.
void Dispatch(THookProcCode code, HWND wnd, uintptr_t wParam, intptr_t lParam) {
    if (g_hooks.entries.empty()) return;
    std::vector<THookProc> snapshot;
    for (const RegistryEntry& e : g_hooks.entries)
        if (e.codes & (1u << code)) snapshot.push_back(e.proc);
    ++g_hooks.walkDepth;
    for (THookProc proc : snapshot) {
        bool stillRegistered = std::any_of(g_hooks.entries.begin(), g_hooks.entries.end(),
                                           [&](const RegistryEntry& e) { return e.proc == proc; });
        if (stillRegistered) CallReportingLater([&] { proc(code, wnd, wParam, lParam); });
    }
    --g_hooks.walkDepth;
    if (g_hooks.walkDepth == 0 && g_hooks.entries.empty()) g_hooks.entries.shrink_to_fit();
}

LRESULT CALLBACK CallWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (cwp->message == WM_ACTIVATEAPP)
            Dispatch(hpSendActivateApp, cwp->hwnd, cwp->wParam, cwp->lParam);
        else if (cwp->message == WM_WINDOWPOSCHANGED)
            Dispatch(hpSendWindowPosChanged, cwp->hwnd, cwp->wParam, cwp->lParam);
    }
    return CallNextHookEx(g_hooks.kinds[0].handle, code, wParam, lParam);
}

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_DESTROYWND) Dispatch(hpPreDestroy, reinterpret_cast<HWND>(wParam), 0, 0);
    return CallNextHookEx(g_hooks.kinds[1].handle, code, wParam, lParam);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == WM_MOUSEMOVE) Dispatch(hpPostMouseMove, msg->hwnd, msg->wParam, msg->lParam);
    }
    return CallNextHookEx(g_hooks.kinds[2].handle, code, wParam, lParam);
}

constexpr int kHookTypes[kHookKinds] = {WH_CALLWNDPROC, WH_CBT, WH_GETMESSAGE};
constexpr HOOKPROC kHookProcs[kHookKinds] = {CallWndProcHook, CbtHook, GetMessageHook};

RegistryEntry* FindEntry(THookProc proc) {
    for (RegistryEntry& e : g_hooks.entries)
        if (e.proc == proc) return &e;
    return nullptr;
}

// Unit finalisation: every installed hook goes, whatever the counts.
struct HookCleanup {
    ~HookCleanup() {
        for (HookKindState& k : g_hooks.kinds) {
            if (k.handle) UnhookWindowsHookEx(k.handle);
            k = {};
        }
        g_hooks.entries.clear();
    }
} g_hookCleanup;

}  // namespace

void InstallHookProc(THookProc proc, THookProcCodes codes, bool onlyIncrementCount) {
    RegistryEntry* entry = FindEntry(proc);
    if (!entry) {
        g_hooks.entries.push_back({proc, codes, {}});
        entry = &g_hooks.entries.back();
    }
    unsigned taken = 0;
    if (!onlyIncrementCount) {
        taken = KindsOf(codes);
        for (int kind = 0; kind < kHookKinds; ++kind) {
            if (!(taken & (1u << kind))) continue;
            HookKindState& k = g_hooks.kinds[kind];
            ++k.count;
            if (!k.handle) k.handle = SetWindowsHookExW(kHookTypes[kind], kHookProcs[kind], nullptr, GetCurrentThreadId());
        }
    }
    entry->kindsTaken.push_back(taken);
}

void UninstallHookProc(THookProc proc) {
    RegistryEntry* entry = FindEntry(proc);
    if (!entry) return;
    unsigned taken = entry->kindsTaken.back();
    entry->kindsTaken.pop_back();
    if (entry->kindsTaken.empty())
        g_hooks.entries.erase(g_hooks.entries.begin() + (entry - g_hooks.entries.data()));
    for (int kind = 0; kind < kHookKinds; ++kind) {
        if (!(taken & (1u << kind))) continue;
        HookKindState& k = g_hooks.kinds[kind];
        if (k.count > 0) --k.count;
        if (k.count == 0 && k.handle) {
            UnhookWindowsHookEx(k.handle);
            k.handle = nullptr;
        }
    }
    if (g_hooks.walkDepth == 0 && g_hooks.entries.empty()) g_hooks.entries.shrink_to_fit();
}

bool HookKindInstalled(int kind) {
    return kind >= 0 && kind < kHookKinds && g_hooks.kinds[kind].handle != nullptr;
}

int HookKindCount(int kind) {
    return kind >= 0 && kind < kHookKinds ? g_hooks.kinds[kind].count : 0;
}

int HookProcRegistrations(THookProc proc) {
    RegistryEntry* entry = FindEntry(proc);
    return entry ? static_cast<int>(entry->kindsTaken.size()) : 0;
}

bool ApplicationIsActive() {
    return GetActiveWindow() != nullptr;
}

namespace {

void QuickSort(std::vector<void*>& list, int l, int r, TListSortExCompare compare, void* extra) {
    int i;
    do {
        i = l;
        int j = r;
        void* pivot = list[static_cast<size_t>((l + r) / 2)];
        do {
            while (compare(list[static_cast<size_t>(i)], pivot, extra) < 0) ++i;
            while (compare(list[static_cast<size_t>(j)], pivot, extra) > 0) --j;
            if (i <= j) {
                std::swap(list[static_cast<size_t>(i)], list[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j) QuickSort(list, l, j, compare, extra);
        l = i;
    } while (i < r);
}

}  // namespace

void ListSortEx(std::vector<void*>& list, TListSortExCompare compare, void* extraData) {
    if (list.size() > 1) QuickSort(list, 0, static_cast<int>(list.size()) - 1, compare, extraData);
}

void SelectNCUpdateRgn(HWND wnd, HDC dc, HRGN updateRgn) {
    if (reinterpret_cast<uintptr_t>(updateRgn) <= 1) return;
    RECT r;
    GetWindowRect(wnd, &r);
    if (SelectClipRgn(dc, updateRgn) == ERROR) {
        TRegionHandle whole(CreateRectRgnIndirect(&r));
        SelectClipRgn(dc, whole.get());
    }
    OffsetClipRgn(dc, -r.left, -r.top);
}

namespace {

class SavedDC {
public:
    explicit SavedDC(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
    ~SavedDC() { RestoreDC(FDC, FSaved); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC FDC;
    int FSaved;
};

void PrintOneWindow(HWND printing, HWND wnd, HDC dc, LPARAM flags) {
    RECT r;
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, printing, reinterpret_cast<POINT*>(&r), 2);
    SavedDC saved(dc);
    POINT org;
    GetViewportOrgEx(dc, &org);
    SetViewportOrgEx(dc, org.x + r.left, org.y + r.top, nullptr);
    IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
    SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags);
}

struct OwnedSearch {
    HWND owner;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOwned(HWND wnd, LPARAM data) {
    auto* search = reinterpret_cast<OwnedSearch*>(data);
    if (GetWindow(wnd, GW_OWNER) == search->owner && IsWindowVisible(wnd)) search->found.push_back(wnd);
    return TRUE;
}

}  // namespace

void HandleWMPrint(HWND wnd, TMessage& message, THandleWMPrintNCPaintProc ncPaintProc, intptr_t appData) {
    message.Result = 1;
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    LPARAM flags = message.LParam;
    if ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(wnd)) return;
    SavedDC saved(dc);
    if ((flags & PRF_NONCLIENT) && ncPaintProc) {
        SavedDC ncSaved(dc);
        ncPaintProc(wnd, dc, appData);
    }
    RECT window;
    GetWindowRect(wnd, &window);
    POINT client{0, 0};
    ClientToScreen(wnd, &client);
    POINT offset{client.x - window.left, client.y - window.top};
    if (!(flags & PRF_CLIENT)) return;
    auto sendToClient = [&](unsigned msg) {
        SavedDC clientSaved(dc);
        if (flags & PRF_NONCLIENT) {
            POINT org;
            GetViewportOrgEx(dc, &org);
            SetViewportOrgEx(dc, org.x + offset.x, org.y + offset.y, nullptr);
        }
        SendMessageW(wnd, msg, reinterpret_cast<WPARAM>(dc), msg == WM_PRINTCLIENT ? flags : 0);
    };
    if (flags & PRF_ERASEBKGND) sendToClient(WM_ERASEBKGND);
    sendToClient(WM_PRINTCLIENT);
    if (flags & PRF_NONCLIENT) {
        POINT org;
        GetViewportOrgEx(dc, &org);
        SetViewportOrgEx(dc, org.x + offset.x, org.y + offset.y, nullptr);
    }
    if (flags & PRF_CHILDREN) {
        // Bottom of the z-order first, so windows on top are printed over it.
        for (HWND child = GetWindow(GetWindow(wnd, GW_CHILD), GW_HWNDLAST); child;
             child = GetWindow(child, GW_HWNDPREV)) {
            if (reinterpret_cast<HWND>(GetWindowLongPtrW(child, GWLP_HWNDPARENT)) == wnd && IsWindowVisible(child))
                PrintOneWindow(wnd, child, dc, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
        }
    }
    if (flags & PRF_OWNED) {
        OwnedSearch search{wnd, {}};
        EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(&search));
        for (HWND owned : search.found) PrintOneWindow(wnd, owned, dc, flags);
    }
}

void HandleWMPrintClient(TWinControl* control, TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SavedDC saved(dc);
    control->Perform(WM_PAINT, message.WParam, 0);
}

std::string LoadToolbarString(unsigned id) {
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || !text) return {};
    return WideToAnsi(std::wstring(text, static_cast<size_t>(length)));
}
