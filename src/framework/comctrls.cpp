#include "framework/comctrls.h"

#include <algorithm>
#include <limits>

#include "framework/published_controls.h"
#include "framework/win.h"

#include <commctrl.h>

namespace {

// File sizes and the like reach a bar through 64-bit values.
int ClampToInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Published so that code reaching properties by name (the progress registry, form
// storage) finds them.
const TClassInfo kProgressBarInfo{
    "TProgressBar",
    ControlClassInfo(),
    {
        {"Min", tkInteger, [](TObject* o) -> int64_t { return static_cast<TProgressBar*>(o)->Min(); },
         [](TObject* o, int64_t v) { static_cast<TProgressBar*>(o)->SetMin(ClampToInt(v)); }},
        {"Max", tkInteger, [](TObject* o) -> int64_t { return static_cast<TProgressBar*>(o)->Max(); },
         [](TObject* o, int64_t v) { static_cast<TProgressBar*>(o)->SetMax(ClampToInt(v)); }},
        {"Position", tkInteger, [](TObject* o) -> int64_t { return static_cast<TProgressBar*>(o)->Position(); },
         [](TObject* o, int64_t v) { static_cast<TProgressBar*>(o)->SetPosition(ClampToInt(v)); }},
        {"Step", tkInteger, [](TObject* o) -> int64_t { return static_cast<TProgressBar*>(o)->Step(); },
         [](TObject* o, int64_t v) { static_cast<TProgressBar*>(o)->SetStep(ClampToInt(v)); }},
    }};

const bool kProgressBarRegistered = [] {
    RegisterClassInfo(typeid(TProgressBar), &kProgressBarInfo);
    return true;
}();

}  // namespace

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    (void)kProgressBarRegistered;
    FWidth = 150;
    FHeight = GetSystemMetrics(SM_CYVSCROLL);
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
}

void TProgressBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = PROGRESS_CLASSW;
}

void TProgressBar::CreateHandleDone() {
    TWinControl::CreateHandleDone();
    PushToWindow();
}

void TProgressBar::PushToWindow() {
    if (!FHandle) return;
    SendMessageW(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax));
    SendMessageW(FHandle, PBM_SETSTEP, static_cast<WPARAM>(FStep), 0);
    SendMessageW(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetParams(int min, int max) {
    if (max < min) std::swap(min, max);
    FMin = min;
    FMax = max;
    FPosition = std::clamp(FPosition, FMin, FMax);
    PushToWindow();
}

void TProgressBar::SetPosition(int value) {
    FPosition = std::clamp(value, FMin, FMax);
    PushToWindow();
}

void TProgressBar::SetStep(int value) {
    FStep = value;
    PushToWindow();
}

void TProgressBar::StepIt() {
    // The control wraps back to Min past Max.
    const int64_t next = int64_t{FPosition} + FStep;
    SetPosition(next > FMax ? FMin : ClampToInt(next));
}
