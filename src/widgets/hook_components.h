// Components over the thread-local keyboard and mouse hooks. All instances of
// one class share one system hook: installed when the first instance is
// switched on, removed when the last is switched off; each hook call is
// offered to the switched-on instances in creation order through OnHookProc.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/classes.h"
#include "framework/gdi_handles.h"
#include "framework/graphics_types.h"

class TBaseHook;

// (Sender, nCode, wParam, lParam): a non-zero result swallows the event.
using THookProcEvent = std::function<intptr_t(TObject* Sender, int nCode, uintptr_t wParam, intptr_t lParam)>;

// The unit-level state of one hook class.
struct THookClassState {
    void* handle = nullptr;  // HHOOK; null while no hook is installed
    int count = 0;           // instances with the hook switched on
    std::vector<TBaseHook*> instances;  // every existing instance, in creation order
};

class TBaseHook : public TComponent {
public:
    ~TBaseHook() override;
    void BeforeDestruction() override;

    bool Hooked() const { return FHooked; }
    // Raises "The hook should be installed?!" when the last reference goes
    // while no hook handle is stored.
    void SetHooked(bool value);
    THookProcEvent OnHookProc;

    void ReInstallHook();

protected:
    explicit TBaseHook(TComponent* AOwner);
    // Subclass constructors call this once their class state is known.
    void Attach();
    // Which hook this class wraps: the hook type (WH_*), its state and the
    // static procedure the system calls.
    virtual void FillParams(int& hookType, THookClassState*& state, void*& hookProc) = 0;
    virtual intptr_t DoHookProc(int nCode, uintptr_t wParam, intptr_t lParam);
    virtual void InstallHook();
    virtual void UninstallHook();
    virtual void AssignStruct(intptr_t lParam);

    // One hook call, offered to the class's switched-on instances.
    static intptr_t HookProc(THookClassState& state, int nCode, uintptr_t wParam, intptr_t lParam);

private:
    bool FHooked = false;
    int FHookType = 0;
    THookClassState* FState = nullptr;
    void* FHookProc = nullptr;
};

class TKeyboardHook : public TBaseHook {
public:
    explicit TKeyboardHook(TComponent* AOwner);
    // The shared state, for diagnostics.
    static const THookClassState& ClassState();

protected:
    void FillParams(int& hookType, THookClassState*& state, void*& hookProc) override;
};

// The mouse event of the last hook call (the system's MOUSEHOOKSTRUCT).
struct TMouseHookStruct {
    TPoint pt;
    HWND hwnd = nullptr;
    unsigned wHitTestCode = 0;
    uintptr_t dwExtraInfo = 0;
};

class TMouseHook : public TBaseHook {
public:
    explicit TMouseHook(TComponent* AOwner);
    static const THookClassState& ClassState();
    const TMouseHookStruct& MouseHookStruct() const { return FMouseHookStruct; }

protected:
    void FillParams(int& hookType, THookClassState*& state, void*& hookProc) override;
    void AssignStruct(intptr_t lParam) override;

private:
    TMouseHookStruct FMouseHookStruct;
};
