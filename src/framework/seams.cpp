#include "framework/seams.h"

#include "framework/cp1251.h"
#include "framework/win.h"

namespace seams {
namespace {

// A hung top-level window must not stall the sender for long.
constexpr UINT kBroadcastTimeoutMs = 1000;

int RealMessageBox(void* owner, const std::string& text, const std::string& caption, unsigned flags) {
    HWND window = owner ? static_cast<HWND>(owner) : GetActiveWindow();
    return MessageBoxW(window, AnsiToWide(text).c_str(), AnsiToWide(caption).c_str(), flags);
}

intptr_t RealShellExecute(void* owner, const std::string& verb, const std::string& file,
                          const std::string& params, const std::string& dir, int showCmd) {
    // Empty strings mean "not given" to the shell, which differs from "" for the verb.
    auto optional = [](const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); };
    const std::wstring wideVerb = AnsiToWide(verb), wideFile = AnsiToWide(file),
                       wideParams = AnsiToWide(params), wideDir = AnsiToWide(dir);
    HINSTANCE result = ShellExecuteW(static_cast<HWND>(owner), optional(wideVerb), wideFile.c_str(),
                                     optional(wideParams), optional(wideDir), showCmd);
    return reinterpret_cast<intptr_t>(result);
}

bool RealHelp(void* owner, const std::string& helpFile, unsigned command, uintptr_t data) {
    return WinHelpW(static_cast<HWND>(owner), AnsiToWide(helpFile).c_str(), command, data) != 0;
}

void RealBroadcast(unsigned message, uintptr_t wParam, intptr_t lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, message, wParam, lParam, SMTO_ABORTIFHUNG, kBroadcastTimeoutMs,
                        &result);
}

}  // namespace

MessageBoxFn MessageBox = RealMessageBox;
ShellExecuteFn ShellExecute = RealShellExecute;
HelpFn Help = RealHelp;
BroadcastFn Broadcast = RealBroadcast;

void ResetAll() {
    MessageBox = RealMessageBox;
    ShellExecute = RealShellExecute;
    Help = RealHelp;
    Broadcast = RealBroadcast;
}

}  // namespace seams
