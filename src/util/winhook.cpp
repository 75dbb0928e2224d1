#include "util/winhook.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "framework/application.h"
#include "framework/win.h"

namespace {

// The window property that leads the hook window procedure to its record.
const wchar_t kHookProp[] = L"WindowHookRecord";

LRESULT CALLBACK HookedWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace

// One per watched control: the hooks attached to it and the window procedure
// its window had before ours.
class TControlHook {
public:
    explicit TControlHook(TWinControl* control) : Control(control) {}

    // Subclasses the control's window (made now if needed) unless it already is.
    void Install();
    // Puts the previous procedure back when ours is still the window's own;
    // false when another subclasser came later and ours must stay in its chain.
    bool Uninstall();
    bool Installed() const { return HookedWnd != nullptr; }
    // The control goes: its hooks let go of this record.
    void Orphan();
    LRESULT Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    TWinControl* Control;
    std::vector<TWindowHook*> Hooks;
    WNDPROC PrevProc = nullptr;
    HWND HookedWnd = nullptr;
    bool Destroying = false;
    bool FreePending = false;
    int DispatchDepth = 0;

private:
    bool Notifying() const {
        return !Hooks.empty() && Control && !Destroying && !Control->Destroying();
    }
    // Runs the hooks, the last attached first, until one sets `handled`.
    void RunHooks(TMessage& m, bool& handled, bool before);
};

namespace {

// The process's hook records and the utility window that frees and re-hooks
// them once the window procedure that asked for it has returned.
class THookList : public TComponent {
public:
    THookList() : TComponent(nullptr) {
        Wnd = static_cast<HWND>(AllocateHWnd([this](unsigned msg, uintptr_t wParam, intptr_t lParam) {
            return HandleMessage(msg, wParam, lParam);
        }));
    }
    ~THookList() override {
        for (auto& record : Items) {
            if (record->Control) RemoveFreeNotification(record->Control);
            record->Destroying = true;
            if (record->Installed() && IsWindow(record->HookedWnd)) record->Uninstall();
        }
        DeallocateHWnd(Wnd);
    }

    TControlHook* Find(TWinControl* control) const {
        for (auto& record : Items)
            if (record->Control == control) return record.get();
        return nullptr;
    }
    TControlHook* Obtain(TWinControl* control) {
        if (TControlHook* record = Find(control)) return record;
        Items.push_back(std::make_unique<TControlHook>(control));
        FreeNotification(control);
        return Items.back().get();
    }
    bool Listed(const TControlHook* record) const {
        return std::any_of(Items.begin(), Items.end(), [&](auto& item) { return item.get() == record; });
    }
    void Post(unsigned msg, TControlHook* record) const {
        if (msg == CM_DESTROYHOOK) {
            if (record->FreePending) return;
            record->FreePending = true;
        }
        PostMessageW(Wnd, msg, reinterpret_cast<WPARAM>(record), 0);
    }

    HWND Wnd = nullptr;
    std::vector<std::unique_ptr<TControlHook>> Items;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation != TOperation::opRemove) return;
        for (auto& record : Items) {
            if (record->Control != component) continue;
            // The control goes: its window loses our procedure while it still
            // exists, and the record is freed once no procedure is using it.
            record->Orphan();
            Post(CM_DESTROYHOOK, record.get());
        }
    }

private:
    intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
        auto* record = reinterpret_cast<TControlHook*>(wParam);
        switch (msg) {
        case CM_RECREATEWINDOW:
            if (Listed(record) && record->Control && !record->Destroying && !record->Control->Destroying() &&
                !record->Hooks.empty())
                record->Install();
            return 0;
        case CM_DESTROYHOOK:
            if (!Listed(record)) return 0;
            record->FreePending = false;
            if (record->Hooks.empty() && record->DispatchDepth == 0 &&
                (!record->Installed() || record->Uninstall())) {
                if (record->Control) RemoveFreeNotification(record->Control);
                Items.erase(std::find_if(Items.begin(), Items.end(), [&](auto& item) { return item.get() == record; }));
            }
            return 0;
        default:
            return DefWindowProcW(Wnd, msg, wParam, lParam);
        }
    }
};

THookList* gHookList = nullptr;

THookList& HookList() {
    if (!gHookList) gHookList = new THookList;
    return *gHookList;
}

// Frees the list (restoring every window it still subclasses) at exit.
struct HookListRelease {
    ~HookListRelease() { FreeAndNil(gHookList); }
} gHookListRelease;

LRESULT CALLBACK HookedWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* record = static_cast<TControlHook*>(GetPropW(wnd, kHookProp));
    if (!record) return DefWindowProcW(wnd, msg, wParam, lParam);
    try {
        return record->Dispatch(wnd, msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

}  // namespace

void TControlHook::Install() {
    if (!Control) return;
    HWND wnd = Control->Handle();
    if (!wnd) return;
    const auto ours = reinterpret_cast<LONG_PTR>(&HookedWndProc);
    if (GetWindowLongPtrW(wnd, GWLP_WNDPROC) == ours) return;
    SetPropW(wnd, kHookProp, this);
    PrevProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, ours));
    HookedWnd = wnd;
}

void TControlHook::Orphan() {
    Uninstall();
    for (TWindowHook* hook : Hooks) hook->FControlHook = nullptr;
    Hooks.clear();
    Control = nullptr;
}

bool TControlHook::Uninstall() {
    if (!HookedWnd) return true;
    if (GetWindowLongPtrW(HookedWnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&HookedWndProc)) return false;
    SetWindowLongPtrW(HookedWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrevProc));
    RemovePropW(HookedWnd, kHookProp);
    HookedWnd = nullptr;
    return true;
}

void TControlHook::RunHooks(TMessage& m, bool& handled, bool before) {
    // A handler may attach or detach hooks: walk a copy, skipping the gone.
    const std::vector<TWindowHook*> hooks = Hooks;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it) {
        if (!Notifying() || std::find(Hooks.begin(), Hooks.end(), *it) == Hooks.end()) continue;
        TWindowHook* hook = *it;
        CallGuarded([&] {
            if (before)
                hook->DoBeforeMessage(m, handled);
            else
                hook->DoAfterMessage(m, handled);
        });
    }
}

LRESULT TControlHook::Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = PrevProc ? PrevProc : &DefWindowProcW;
    if (!Control) return CallWindowProcW(previous, wnd, msg, wParam, lParam);
    ++DispatchDepth;
    TMessage m{msg, wParam, static_cast<intptr_t>(lParam), 0};
    bool handled = false;
    if (msg != WM_QUIT && Notifying()) RunHooks(m, handled, true);
    if (!handled || msg == WM_DESTROY) {
        m.Result = CallWindowProcW(previous, wnd, msg, m.WParam, m.LParam);
        handled = false;
        if (Notifying()) RunHooks(m, handled, false);
    }
    if (msg == WM_DESTROY && HookedWnd == wnd && Uninstall() && gHookList && !Destroying && Control &&
        !Control->Destroying())
        // The control will make a new window; hook it once this one is gone.
        gHookList->Post(CM_RECREATEWINDOW, this);
    if (msg == WM_NCDESTROY && HookedWnd == wnd) {
        // Another subclasser kept us in its chain to the end.
        RemovePropW(wnd, kHookProp);
        HookedWnd = nullptr;
    }
    --DispatchDepth;
    // A record orphaned while its procedure ran could not be freed then.
    if (DispatchDepth == 0 && !Control && gHookList) gHookList->Post(CM_DESTROYHOOK, this);
    return m.Result;
}

// --- TWindowHook --------------------------------------------------------------

TWindowHook::TWindowHook(TComponent* AOwner) : TComponent(AOwner) {}

TWindowHook::~TWindowHook() = default;

void TWindowHook::BeforeDestruction() {
    SetWinControl(nullptr);
    TComponent::BeforeDestruction();
}

void TWindowHook::SetActive(bool value) {
    if (value)
        HookControl();
    else
        UnhookControl();
}

void TWindowHook::SetWinControl(TWinControl* value) {
    if (value == FWinControl) return;
    const bool wasActive = FActive;
    TControlHook* old = FControlHook;
    UnhookControl();
    FActive = wasActive;
    if (FWinControl) RemoveFreeNotification(FWinControl);
    FWinControl = value;
    if (value) FreeNotification(value);
    if (old && old->Hooks.empty() && old->Control && !old->Control->Destroying() && gHookList)
        gHookList->Post(CM_DESTROYHOOK, old);
    if (FActive && value) HookControl();
}

void TWindowHook::HookControl() {
    if (FWinControl && !Destroying()) {
        TControlHook* record = HookList().Obtain(FWinControl);
        if (std::find(record->Hooks.begin(), record->Hooks.end(), this) == record->Hooks.end())
            record->Hooks.push_back(this);
        FControlHook = record;
        record->Install();
    }
    FActive = true;
}

void TWindowHook::UnhookControl() {
    if (TControlHook* record = FControlHook) {
        FControlHook = nullptr;
        record->Hooks.erase(std::remove(record->Hooks.begin(), record->Hooks.end(), this), record->Hooks.end());
        if (record->Hooks.empty()) record->Uninstall();
    }
    FActive = false;
}

intptr_t TWindowHook::GetHookHandle() {
    return gHookList ? reinterpret_cast<intptr_t>(gHookList->Wnd) : -1;
}

void TWindowHook::DoBeforeMessage(TMessage& msg, bool& handled) {
    if (BeforeMessage) BeforeMessage(this, msg, handled);
}

void TWindowHook::DoAfterMessage(TMessage& msg, bool& handled) {
    if (AfterMessage) AfterMessage(this, msg, handled);
}

void TWindowHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component && (component == FWinControl || component == Owner()))
        SetWinControl(nullptr);
}
