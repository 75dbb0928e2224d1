#include "widgets/deferred_errors.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <vector>

#include "framework/application.h"
#include "framework/win.h"

namespace {

constexpr unsigned kReportMessage = WM_APP + 1;
constexpr unsigned kFreeMessage = WM_APP + 2;

struct PendingReport {
    std::exception_ptr error;
    const void* source;
};

std::deque<PendingReport>& Pending() {
    static std::deque<PendingReport> pending;
    return pending;
}

// Sources whose report waits in the queue or is on the screen.
std::vector<const void*>& BusySources() {
    static std::vector<const void*> busy;
    return busy;
}

intptr_t ReportWndProc(unsigned message, uintptr_t wParam, intptr_t) {
    if (message == kFreeMessage) {
        CallGuarded([&] { TObject::Free(reinterpret_cast<TObject*>(wParam)); });
        return 0;
    }
    if (message != kReportMessage) return 0;
    while (!Pending().empty()) {
        PendingReport report = Pending().front();
        Pending().pop_front();
        CallGuarded([&] { std::rethrow_exception(report.error); });
        auto& busy = BusySources();
        if (auto it = std::find(busy.begin(), busy.end(), report.source); it != busy.end()) busy.erase(it);
    }
    return 0;
}

HWND ReportWindow() {
    static HWND window = static_cast<HWND>(AllocateHWnd(ReportWndProc));
    return window;
}

}  // namespace

void ReportExceptionLater(const void* source) noexcept {
    try {
        std::exception_ptr error = std::current_exception();
        if (!error) return;
        if (source) {
            auto& busy = BusySources();
            if (std::find(busy.begin(), busy.end(), source) != busy.end()) return;
            busy.push_back(source);
        }
        Pending().push_back({error, source});
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
