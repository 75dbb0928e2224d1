// Exceptions caught inside hooks and paints are shown only after the callback
// has returned: a message box there would run a modal loop that re-enters the
// hook (or repaints, and raises again, at every paint).
#pragma once

class TObject;

// Frees the object once the current message is done: for a timer whose own
// callback is running (freeing it there would destroy the window that is
// dispatching the callback).
void FreeObjectLater(TObject* object) noexcept;

// Call from inside a catch block: keeps the exception being handled and posts
// a message that hands it to the application's exception handler later.
// While a report of the same source (a window, a hook) waits or is being shown,
// the new one is dropped: a paint that keeps raising would otherwise queue a
// message box per repaint, each box's own repaint raising the next.
void ReportExceptionLater(const void* source = nullptr) noexcept;
// Runs `body`; whatever it raises goes to ReportExceptionLater.
template <class F>
void CallReportingLater(F&& body, const void* source = nullptr) noexcept {
    try {
        body();
    } catch (...) {
        ReportExceptionLater(source);
    }
}
