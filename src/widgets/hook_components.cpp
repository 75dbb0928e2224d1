#include "widgets/hook_components.h"

#include <algorithm>

#include "framework/sysutils.h"
#include "framework/win.h"
#include "widgets/deferred_errors.h"

namespace {

THookClassState g_keyboard;
THookClassState g_mouse;

bool Contains(const std::vector<TBaseHook*>& list, const TBaseHook* hook) {
    return std::find(list.begin(), list.end(), hook) != list.end();
}

}  // namespace

class THookDispatch : public TBaseHook {
public:
    static LRESULT CALLBACK Keyboard(int code, WPARAM wParam, LPARAM lParam) {
        return HookProc(g_keyboard, code, wParam, lParam);
    }
    static LRESULT CALLBACK Mouse(int code, WPARAM wParam, LPARAM lParam) {
        return HookProc(g_mouse, code, wParam, lParam);
    }
};

TBaseHook::TBaseHook(TComponent* AOwner) : TComponent(AOwner) {}

void TBaseHook::Attach() {
    FillParams(FHookType, FState, FHookProc);
    FState->instances.push_back(this);
}

void TBaseHook::BeforeDestruction() {
    if (FState) {
        auto& list = FState->instances;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        // A destructor never raises: a missing handle here is only forgotten.
        if (FHooked) {
            try {
                UninstallHook();
            } catch (...) {
                FHooked = false;
            }
        }
    }
    TComponent::BeforeDestruction();
}

TBaseHook::~TBaseHook() {
    if (FState) {
        auto& list = FState->instances;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TBaseHook::SetHooked(bool value) {
    if (value == FHooked) return;
    if (value)
        InstallHook();
    else
        UninstallHook();
}

void TBaseHook::InstallHook() {
    if (FState->handle) {
        ++FState->count;
        FHooked = true;
        return;
    }
    HHOOK hook = SetWindowsHookExW(FHookType, reinterpret_cast<HOOKPROC>(FHookProc), nullptr, GetCurrentThreadId());
    if (!hook) return;  // silently not hooked
    FState->handle = hook;
    FHooked = true;
    FState->count = 1;
}

void TBaseHook::UninstallHook() {
    if (FState->count == 1) {
        if (!FState->handle) throw Exception("The hook should be installed?!");
        UnhookWindowsHookEx(static_cast<HHOOK>(FState->handle));
        FState->handle = nullptr;
        FHooked = false;
        FState->count = 0;
    } else {
        if (FState->count > 0) --FState->count;
        FHooked = false;
    }
}

void TBaseHook::ReInstallHook() {
    if (!FHooked) return;
    UninstallHook();
    InstallHook();
}

void TBaseHook::AssignStruct(intptr_t) {}

intptr_t TBaseHook::DoHookProc(int nCode, uintptr_t wParam, intptr_t lParam) {
    if (!OnHookProc) return 0;
    AssignStruct(lParam);
    return OnHookProc(this, nCode, wParam, lParam);
}

intptr_t TBaseHook::HookProc(THookClassState& state, int nCode, uintptr_t wParam, intptr_t lParam) {
    intptr_t result = 0;
    if (nCode >= 0) {
        // A snapshot: a handler may free an instance (itself included).
        std::vector<TBaseHook*> snapshot = state.instances;
        for (TBaseHook* hook : snapshot) {
            if (!Contains(state.instances, hook) || !hook->FHooked) continue;
            CallReportingLater([&] { result = hook->DoHookProc(nCode, wParam, lParam); }, hook);
            if (result != 0) return result;
        }
    }
    return CallNextHookEx(static_cast<HHOOK>(state.handle), nCode, wParam, lParam);
}

TKeyboardHook::TKeyboardHook(TComponent* AOwner) : TBaseHook(AOwner) {
    Attach();
}

const THookClassState& TKeyboardHook::ClassState() {
    return g_keyboard;
}

void TKeyboardHook::FillParams(int& hookType, THookClassState*& state, void*& hookProc) {
    hookType = WH_KEYBOARD;
    state = &g_keyboard;
    hookProc = reinterpret_cast<void*>(&THookDispatch::Keyboard);
}

TMouseHook::TMouseHook(TComponent* AOwner) : TBaseHook(AOwner) {
    Attach();
}

const THookClassState& TMouseHook::ClassState() {
    return g_mouse;
}

void TMouseHook::FillParams(int& hookType, THookClassState*& state, void*& hookProc) {
    hookType = WH_MOUSE;
    state = &g_mouse;
    hookProc = reinterpret_cast<void*>(&THookDispatch::Mouse);
}

void TMouseHook::AssignStruct(intptr_t lParam) {
    const auto* source = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    if (!source) return;
    FMouseHookStruct.pt = {source->pt.x, source->pt.y};
    FMouseHookStruct.hwnd = source->hwnd;
    FMouseHookStruct.wHitTestCode = source->wHitTestCode;
    FMouseHookStruct.dwExtraInfo = source->dwExtraInfo;
}
