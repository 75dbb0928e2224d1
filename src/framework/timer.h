// A component that fires OnTimer every Interval milliseconds while Enabled.
#pragma once

#include "framework/classes.h"

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned value);
    TNotifyEvent OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent handler);

protected:
    void Loaded() override;

private:
    void UpdateTimer();
    intptr_t WndProc(unsigned message, uintptr_t wParam, intptr_t lParam);

    bool FEnabled = true;
    unsigned FInterval = 1000;
    TNotifyEvent FOnTimer;
    void* FWindow = nullptr;
    bool FRunning = false;
};
