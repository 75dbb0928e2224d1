// What the toolbar classes share: notification procedures served by three
// thread-local system hooks (each installed only while a registered procedure
// needs it), a test whether the application is active, a list sort with extra
// data, the helpers that answer WM_PRINT / WM_PRINTCLIENT, and the toolbar
// library's resource strings.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/gdi_handles.h"

class TControl;
class TWinControl;
struct TMessage;

enum THookProcCode { hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy, hpPostMouseMove };
using THookProcCodes = unsigned;  // a set of (1u << THookProcCode)
constexpr THookProcCodes HookCodes(std::initializer_list<THookProcCode> codes) {
    THookProcCodes set = 0;
    for (THookProcCode c : codes) set |= 1u << c;
    return set;
}

using THookProc = void (*)(THookProcCode code, HWND wnd, uintptr_t wParam, intptr_t lParam);

// Registers `proc` for `codes`. A procedure registered already only has its
// count raised (its codes stay as first registered). Unless onlyIncrementCount,
// each hook kind the codes need is counted up and installed when absent; a
// failure to install is silent (the procedure is then simply not called).
void InstallHookProc(THookProc proc, THookProcCodes codes, bool onlyIncrementCount);
// Takes back one registration of `proc`: the hook-kind references that very
// registration took are given back, and a kind whose count reaches 0 is removed.
void UninstallHookProc(THookProc proc);

// Diagnostics for tests: whether a hook kind (0 call-window-procedure, 1 CBT,
// 2 get-message) is installed, its count, and a procedure's registration count.
bool HookKindInstalled(int kind);
int HookKindCount(int kind);
int HookProcRegistrations(THookProc proc);

// True when the calling thread has an active window.
bool ApplicationIsActive();

// Quicksort of a list of pointers, the comparison getting extra data. Not stable.
using TListSortExCompare = int (*)(void* item1, void* item2, void* extraData);
void ListSortEx(std::vector<void*>& list, TListSortExCompare compare, void* extraData);

// Prepares a window DC for non-client painting from a WM_NCPAINT region: the
// region (or the window rectangle) as clipping, moved to window coordinates.
// Regions 0 and 1 leave the clipping untouched.
void SelectNCUpdateRgn(HWND wnd, HDC dc, HRGN updateRgn);

using THandleWMPrintNCPaintProc = void (*)(HWND wnd, HDC dc, intptr_t appData);
// Answers WM_PRINT (wParam the DC, lParam the PRF_* flags); result 1.
void HandleWMPrint(HWND wnd, TMessage& message, THandleWMPrintNCPaintProc ncPaintProc, intptr_t appData);
// Answers WM_PRINTCLIENT by running the control's paint with the given DC.
void HandleWMPrintClient(TWinControl* control, TMessage& message);

enum TGetToolbarDockPosType { gtpTop, gtpBottom, gtpLeft, gtpRight, gtpNone };
// Set by the tool windows once one exists; the tool buttons ask it where a
// drop-down menu opens.
extern TGetToolbarDockPosType (*GetToolbarDockPosProc)(TControl* control);

// Identifiers of the toolbar library's strings in the string table.
enum : unsigned {
    STB97ToolbarControlNotChildOfToolbar = 65248,
    STB97SepParentNotAllowed = 65249,
    STB97DockParentNotAllowed = 65275,
    STB97DockCannotChangePosition = 65276,
    STB97ToolwinNameNotSet = 65277,
    STB97ToolwinDockedToNameNotSet = 65278,
    STB97ToolwinParentNotAllowed = 65279,
};
// The string from the program's string table (code page 1251); empty when absent.
std::string LoadToolbarString(unsigned id);
