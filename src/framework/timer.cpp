#include "framework/timer.h"

#include "framework/application.h"
#include "framework/win.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    FWindow = AllocateHWnd([this](unsigned m, uintptr_t w, intptr_t l) { return WndProc(m, w, l); });
}

TTimer::~TTimer() {
    FEnabled = false;
    UpdateTimer();
    DeallocateHWnd(FWindow);
}

void TTimer::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    if (value == FInterval) return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    FOnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    HWND wnd = static_cast<HWND>(FWindow);
    if (FRunning) {
        KillTimer(wnd, 1);
        FRunning = false;
    }
    if (FEnabled && FInterval != 0 && FOnTimer && !Loading()) {
        if (!SetTimer(wnd, 1, FInterval, nullptr)) throw EOutOfResources("Not enough timers available");
        FRunning = true;
    }
}

intptr_t TTimer::WndProc(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (message == WM_TIMER) {
        // Guarded here as well as in the window procedure: a raising handler must
        // not stop the timer.
        CallGuarded([&] {
            if (FRunning && FOnTimer) FOnTimer(this);
        });
        return 0;
    }
    return DefWindowProcW(static_cast<HWND>(FWindow), message, wParam, lParam);
}
