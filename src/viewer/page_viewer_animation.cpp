// The document's animation timer. The document disables it while it lays out
// and paints and enables it afterwards when it has pictures to advance; the
// viewer lets it run only while the viewer can be seen.
#include <algorithm>

#include "framework/timer.h"
#include "framework/win.h"
#include "viewer/page_viewer.h"

void TPageViewer::SetAnimationTimer(bool enabled, int intervalMs) {
    if (!FAnimationTimer) {
        // A timer is a window of its own, made only for a page that moves.
        if (!enabled) return;
        // Not a child component: those go before the viewer's destructor runs,
        // and the destructor's Clear frees the timer.
        FAnimationTimer = new TTimer(nullptr);
        FAnimationTimer->SetEnabled(false);
        FAnimationTimer->SetOnTimer(Bind(this, &TPageViewer::AnimationTick));
    }
    FAnimationTimer->SetInterval(static_cast<unsigned>(std::max(intervalMs, 1)));
    FAnimationTimer->SetEnabled(enabled && Showing());
}

void TPageViewer::FreeAnimationTimer() { FreeAndNil(FAnimationTimer); }

void TPageViewer::AnimationTick(TObject*) {
    // A form that hides tells only itself; a picture advanced unseen would
    // jump when the viewer shows again.
    if (!Showing() || !FPaintPanel->HandleAllocated() || !IsWindowVisible(FPaintPanel->Handle()) ||
        IsIconic(GetAncestor(FPaintPanel->Handle(), GA_ROOT))) {
        FAnimationTimer->SetEnabled(false);
        return;
    }
    FDocument->CheckGIFList();
}
