#include "framework/application.h"

#include <algorithm>
#include <memory>

#include "framework/cp1251.h"
#include "framework/seams.h"
#include "framework/win.h"

TApplication* Application = nullptr;

namespace {

const wchar_t kUtilWindowClass[] = L"FrameworkUtilWindow";
const wchar_t kAppWindowClass[] = L"FrameworkApplication";

LRESULT CALLBACK UtilWindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* handler = reinterpret_cast<TWndMethod*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!handler) return DefWindowProcW(wnd, message, wParam, lParam);
    return CallGuarded<LRESULT>(0, [&] { return (*handler)(message, wParam, lParam); });
}

void RegisterClassOnce(const wchar_t* name, WNDPROC proc) {
    WNDCLASSW existing{};
    if (GetClassInfoW(GetModuleHandleW(nullptr), name, &existing)) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

}  // namespace

void* AllocateHWnd(TWndMethod handler) {
    RegisterClassOnce(kUtilWindowClass, DefWindowProcW);
    HWND wnd = CreateWindowExW(WS_EX_TOOLWINDOW, kUtilWindowClass, L"", WS_POPUP, 0, 0, 0, 0,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!wnd) throw EOutOfResources("Error creating window");
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(std::move(handler))));
    SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UtilWindowProc));
    return wnd;
}

void DeallocateHWnd(void* wnd) {
    if (!wnd) return;
    HWND w = static_cast<HWND>(wnd);
    std::unique_ptr<TWndMethod> handler(reinterpret_cast<TWndMethod*>(GetWindowLongPtrW(w, GWLP_USERDATA)));
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    SetWindowLongPtrW(w, GWLP_USERDATA, 0);
    DestroyWindow(w);
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
    if (!Application) Application = this;
}

TApplication::~TApplication() {
    if (FHandle) DestroyWindow(static_cast<HWND>(FHandle));
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    if (FHandle) return;
    RegisterClassOnce(kAppWindowClass, DefWindowProcW);
    std::wstring title = AnsiToWide(Title);
    FHandle = CreateWindowExW(0, kAppWindowClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
}

void TApplication::Run() {
    if (ShowMainForm) CallGuarded([&] { ShowMainForm(); });
    while (!FTerminated) {
        HandleMessage();
        if (MainFormAlive && !MainFormAlive()) FTerminated = true;
    }
}

bool TApplication::ProcessMessage(bool wait) {
    MSG msg;
    if (wait) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            FTerminated = true;
            return false;
        }
    } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    } else if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    for (void* dialog : FModelessDialogs) {
        HWND wnd = static_cast<HWND>(dialog);
        if (IsWindow(wnd) && IsDialogMessageW(wnd, &msg)) return true;
    }
    if (PreTranslate) handled = CallGuarded(false, [&] { return PreTranslate(&msg); });
    if (!handled) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void TApplication::AddModelessDialog(void* dialog) {
    if (std::find(FModelessDialogs.begin(), FModelessDialogs.end(), dialog) == FModelessDialogs.end())
        FModelessDialogs.push_back(dialog);
}

void TApplication::RemoveModelessDialog(void* dialog) {
    FModelessDialogs.erase(std::remove(FModelessDialogs.begin(), FModelessDialogs.end(), dialog),
                           FModelessDialogs.end());
}

void TApplication::ProcessMessages() {
    while (ProcessMessage(false)) {
    }
}

void TApplication::HandleMessage() {
    ProcessMessage(true);
}

void TApplication::Terminate() {
    if (!FTerminated) PostQuitMessage(0);
    FTerminated = true;
}

void TApplication::HandleException(TObject* Sender) {
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    try {
        std::rethrow_exception(current);
    } catch (const EAbort&) {
        // Silent by design: an abort is a user's cancel, not an error.
    } catch (const std::exception& e) {
        if (OnException)
            OnException(Sender, e);
        else
            ShowException(e);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
}

void TApplication::ShowException(const std::exception& e) {
    std::string text = e.what();
    if (!text.empty() && text.back() > '.') text += '.';
    MessageBox(text, Title, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    HWND owner = GetActiveWindow();
    return seams::MessageBox ? seams::MessageBox(owner, text, caption, flags) : 0;
}

bool TApplication::HelpContext(int context) {
    return HelpCommand(HELP_CONTEXT, static_cast<uintptr_t>(context));
}

bool TApplication::HelpCommand(unsigned command, uintptr_t data) {
    if (HelpFile.empty() || !seams::Help) return false;
    HWND owner = GetActiveWindow();
    if (!owner) owner = static_cast<HWND>(FHandle);
    return seams::Help(owner, HelpFile, command, data);
}
