#include "widgets/deferred_errors.h"

#include <deque>
#include <exception>

#include "framework/application.h"
#include "framework/win.h"

namespace {

constexpr unsigned kReportMessage = WM_APP + 1;
constexpr unsigned kFreeMessage = WM_APP + 2;

std::deque<std::exception_ptr>& Pending() {
    static std::deque<std::exception_ptr> pending;
    return pending;
}

intptr_t ReportWndProc(unsigned message, uintptr_t wParam, intptr_t) {
    if (message == kFreeMessage) {
        CallGuarded([&] { TObject::Free(reinterpret_cast<TObject*>(wParam)); });
        return 0;
    }
    if (message != kReportMessage) return 0;
    while (!Pending().empty()) {
        std::exception_ptr error = Pending().front();
        Pending().pop_front();
        CallGuarded([&] { std::rethrow_exception(error); });
    }
    return 0;
}

HWND ReportWindow() {
    static HWND window = static_cast<HWND>(AllocateHWnd(ReportWndProc));
    return window;
}

}  // namespace

void ReportExceptionLater() noexcept {
    try {
        std::exception_ptr error = std::current_exception();
        if (!error) return;
        Pending().push_back(error);
        PostMessageW(ReportWindow(), kReportMessage, 0, 0);
    } catch (...) {
        // Out of memory while reporting: the error is dropped.
    }
}

void FreeObjectLater(TObject* object) noexcept {
    if (!object) return;
    try {
        PostMessageW(ReportWindow(), kFreeMessage, reinterpret_cast<WPARAM>(object), 0);
    } catch (...) {
        // No window to post to: the object is left to the end of the process.
    }
}
