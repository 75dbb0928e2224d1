// The application object: message loop, title, help file and the one place an
// exception that escaped a handler is shown.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/classes.h"

class TForm;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    void Initialize();
    // Shows the main form and dispatches messages until Terminate() or the main
    // form closes.
    void Run();
    // Dispatches every queued message, then returns.
    void ProcessMessages();
    // Waits for one message and dispatches it.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // What escaped an event handler: OnException when bound, else a message box.
    void HandleException(TObject* Sender);
    void ShowException(const std::exception& e);
    TEvent<const std::exception&> OnException;

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
    bool HelpContext(int context);
    bool HelpCommand(unsigned command, uintptr_t data);

    std::string Title;     // code page 1251
    std::string HelpFile;  // code page 1251
    TForm* MainForm = nullptr;

    // A hidden top-level window that owns the program's windows on the taskbar.
    void* Handle() const { return FHandle; }
    // Set by the forms module: shows the main form when Run starts and answers
    // whether it is still there; keeps this module free of the form classes.
    std::function<void()> ShowMainForm;
    std::function<bool()> MainFormAlive;
    // Modeless dialog windows (the find dialog): the message loop gives them
    // their dialog keys (Tab, Enter, Esc) through IsDialogMessageW.
    void AddModelessDialog(void* dialog);
    void RemoveModelessDialog(void* dialog);
    // Set by the forms module: pre-translates a message (dialog keys, shortcuts);
    // true when it was handled.
    std::function<bool(void* msg)> PreTranslate;

private:
    bool ProcessMessage(bool wait);

    bool FTerminated = false;
    void* FHandle = nullptr;
    std::vector<void*> FModelessDialogs;
};

extern TApplication* Application;

// Makes a form owned by the application; the first one made is the main form.
template <class T>
T* CreateForm() {
    T* form = new T(Application);
    if (!Application->MainForm) Application->MainForm = form;
    return form;
}

// Runs body; an exception it raises goes to Application->HandleException (or is
// dropped when there is no application) and `fallback` is returned. Every window
// procedure, timer, hook and enumeration callback goes through this.
template <class R, class F>
R CallGuarded(R fallback, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        if (Application) {
            try {
                Application->HandleException(nullptr);
            } catch (...) {
            }
        }
        return fallback;
    }
}

template <class F>
void CallGuarded(F&& body) noexcept {
    CallGuarded(0, [&] {
        body();
        return 0;
    });
}

// A hidden message-only window whose messages go to `handler`; used by timers and
// other components that need a window of their own. Returns its HWND.
using TWndMethod = std::function<intptr_t(unsigned message, uintptr_t wParam, intptr_t lParam)>;
void* AllocateHWnd(TWndMethod handler);
void DeallocateHWnd(void* wnd);
