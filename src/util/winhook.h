// Watching the messages of a windowed control before and after its own window
// procedure. The control's window is subclassed once, however many hooks watch
// it; the hooks share one record per control.
#pragma once

#include <cstdint>

#include "framework/controls.h"

class TControlHook;

// Private messages of the hooks' utility window: install the hook again on a
// control whose window was made anew, and free a record no hook uses.
enum : unsigned { CM_RECREATEWINDOW = 0xB052, CM_DESTROYHOOK = 0xB053 };

using THookMessageEvent = TEvent<TMessage&, bool&>;

class TWindowHook : public TComponent {
public:
    explicit TWindowHook(TComponent* AOwner);
    ~TWindowHook() override;
    void BeforeDestruction() override;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    TWinControl* WinControl() const { return FWinControl; }
    void SetWinControl(TWinControl* value);

    void HookControl();
    void UnhookControl();
    // The utility window of the hooks, or -1 when no hook was ever made.
    static intptr_t GetHookHandle();

    // The last hook attached to a control sees each message first; a handler
    // that sets Handled keeps the message from the control and from the hooks
    // after it (WM_DESTROY always reaches the control).
    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

protected:
    virtual void DoBeforeMessage(TMessage& msg, bool& handled);
    virtual void DoAfterMessage(TMessage& msg, bool& handled);
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TControlHook;
    bool FActive = true;
    TWinControl* FWinControl = nullptr;
    TControlHook* FControlHook = nullptr;
};
