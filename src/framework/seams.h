// The places where the program reaches the user or the system outside its own
// windows. Each is one replaceable function, so tests under Xvfb never block on
// a modal box and can see what would have been shown or run.
#pragma once

#include <functional>
#include <string>

namespace seams {

// A message box: 8-bit (code page 1251) text and caption, MB_* flags; returns the
// button pressed (IDOK, ...). Default: MessageBoxW on the active window.
using MessageBoxFn = std::function<int(void* owner, const std::string& text,
                                       const std::string& caption, unsigned flags)>;
// The shell's verb on a file or address (ShellExecuteW); returns the API's result.
using ShellExecuteFn = std::function<intptr_t(void* owner, const std::string& verb,
                                              const std::string& file, const std::string& params,
                                              const std::string& dir, int showCmd)>;
// The help engine (WinHelpW): help file, command, data.
using HelpFn = std::function<bool(void* owner, const std::string& helpFile, unsigned command,
                                  uintptr_t data)>;
// A message to every top-level window (SendMessageTimeoutW to HWND_BROADCAST).
using BroadcastFn = std::function<void(unsigned message, uintptr_t wParam, intptr_t lParam)>;

extern MessageBoxFn MessageBox;
extern ShellExecuteFn ShellExecute;
extern HelpFn Help;
extern BroadcastFn Broadcast;

// Restores every seam to the real API.
void ResetAll();

}  // namespace seams
