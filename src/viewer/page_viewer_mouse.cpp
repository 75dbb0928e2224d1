// What the mouse, the wheel and the keys do over the viewer: selecting by
// dragging, hovering and following links, middle-button panning, the
// auto-scroll loop, and the scrolling keys.
#include <algorithm>
#include <cstdlib>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/sysutils.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "html/font_obj.h"
#include "html/form_controls.h"
#include "html/html_startup.h"
#include "html/image_obj.h"
#include "viewer/page_viewer.h"

#include <windowsx.h>

namespace {

constexpr int kSmallChangeV = 16;
constexpr int kSmallChangeH = 15;
constexpr unsigned kHoverInterval = 200;
constexpr unsigned kScrollStep = 100;
// Panning starts when the pointer is this far from where the middle button
// went down; past the second distance it goes four times as fast.
constexpr int kPanSlow = 20;
constexpr int kPanFast = 60;
// Dragging this far beyond the pane scrolls eight lines at a time.
constexpr int kDragFast = 15;

bool IsWordChar(wchar_t ch) {
    return (ch >= L'0' && ch <= L'9') || (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z') || ch >= 192;
}

TPageViewer::TPointerClock RealPointerClock() {
    TPageViewer::TPointerClock clock;
    clock.CursorPos = [] {
        POINT p{0, 0};
        GetCursorPos(&p);
        return TPoint{p.x, p.y};
    };
    clock.WindowAt = [](TPoint p) { return WindowFromPoint(POINT{p.X, p.Y}); };
    clock.TickCount = [] { return static_cast<unsigned>(GetTickCount()); };
    clock.Wait = [](unsigned ms) { MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT); };
    clock.WheelLines = [] {
        UINT lines = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        // "One page per notch" is all bits set: read signed, it is -1.
        return static_cast<int>(lines);
    };
    return clock;
}

// Dispatches every queued message; false when WM_QUIT came, which is posted
// again for the loop further out.
bool PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (Application && Application->PreTranslate &&
            CallGuarded(false, [&] { return Application->PreTranslate(&msg); }))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

// The window through which the keyboard reaches a link: invisible, off to
// the left, it only takes the focus and passes on the keys.
class TLinkTabWindow : public TWinControl {
public:
    TLinkTabWindow(TFontObj* run) : TWinControl(nullptr), FRun(run) {
        TabStop = true;
        SetBounds(-4000, 0, 1, 1);
    }

    void WndProc(TMessage& message) override {
        if (message.Msg == WM_GETDLGCODE) {
            message.Result = DLGC_WANTARROWS;
            return;
        }
        TWinControl::WndProc(message);
    }

protected:
    void DoEnter() override {
        TWinControl::DoEnter();
        FRun->EnterEvent();
    }
    void DoExit() override {
        TWinControl::DoExit();
        FRun->ExitEvent();
    }
    bool DoKeyDown(uint16_t& key, TShiftState shift) override {
        if (TWinControl::DoKeyDown(key, shift)) return true;
        FRun->AKeyDown(key, shift);
        return key == 0;
    }

private:
    TFontObj* FRun;
};

class TLinkTabStopWindow : public TLinkTabStop {
public:
    TLinkTabStopWindow(TFontObj* run, TWinControl* parent) : Window(new TLinkTabWindow(run)) {
        Window->SetParent(parent);
    }
    void SetTabOrder(int order) override { Window->SetTabOrder(order); }

    owned_ptr<TLinkTabWindow> Window;
};

}  // namespace

TPageViewer::TPointerClock TPageViewer::PointerClock = RealPointerClock();

void TPageViewer::ResetPointerClock() { PointerClock = RealPointerClock(); }

// ---- hit tests

guResultType TPageViewer::GetURL(int x, int y, TUrlTarget*& target, TImageFormControlObj*& formControl,
                                 std::string& title) {
    target = nullptr;
    formControl = nullptr;
    return FDocument->GetURL(nullptr, x + GetHScrollPos(), y + FDocument->ScrollY, target, formControl, title);
}

bool TPageViewer::PtInObject(int x, int y, TObject*& obj) {
    obj = nullptr;
    int hitX = 0, hitY = 0;
    return PtInObject(x, y, obj, hitX, hitY);
}

bool TPageViewer::PtInObject(int x, int y, TObject*& obj, int& hitX, int& hitY) {
    obj = nullptr;
    if (x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) return false;
    return FDocument->PtInObject(x + GetHScrollPos(), y + FDocument->ScrollY, obj, hitX, hitY);
}

int TPageViewer::FindCursorAt(int x, int y, bool& inText) {
    int caretX = 0, caretY = 0, caretHeight = 0;
    inText = false;
    return FDocument->FindCursor(nullptr, x + GetHScrollPos(), y + FDocument->ScrollY, caretX, caretY, caretHeight,
                                 inText);
}

int TPageViewer::XYToDisplayPos(int x, int y) {
    bool inText = false;
    const int pos = FindCursorAt(x, y, inText);
    return inText ? pos : -1;
}

bool TPageViewer::GetWordAtCursor(int x, int y, int& st, int& en, std::wstring& word) {
    word.clear();
    bool inText = false;
    const int pos = FindCursorAt(x, y, inText);
    if (pos >= 0) FCaretPos = pos;
    if (!inText || pos < 0) return false;
    st = pos;
    en = pos - 1;
    wchar_t ch = 0;
    TObject* home = nullptr;
    if (!FDocument->GetChAtPos(pos, ch, home) || !IsWordChar(ch)) return false;
    // A character of another text object counts as a space: a word never
    // runs from one object into the next.
    auto wordCharAt = [&](int p, wchar_t& c) {
        TObject* owner = nullptr;
        return FDocument->GetChAtPos(p, c, owner) && owner == home && IsWordChar(c);
    };
    while (wordCharAt(st, ch)) {
        word += ch;
        ++st;
    }
    while (en >= 0 && wordCharAt(en, ch)) {
        word.insert(word.begin(), ch);
        --en;
    }
    return true;
}

// ---- the mouse

bool TPageViewer::PanelMouseMessage(TMessage& message) {
    // A document being built or laid out has nothing to hit yet.
    if (FInLogic) return false;
    const int x = GET_X_LPARAM(message.LParam);
    const int y = GET_Y_LPARAM(message.LParam);
    // Only the messages that carry key states read them: reading the Alt key
    // is a call into the window system, and every message passes here.
    auto shift = [&] { return KeysToShiftState(message.WParam); };
    auto capture = [&] {
        if (FPaintPanel->HandleAllocated()) SetCapture(FPaintPanel->Handle());
    };
    // Given up on every path out, a raising handler too, or the pane would
    // keep the mouse.
    struct TReleaseCapture {
        TPageViewer* Viewer;
        ~TReleaseCapture() {
            if (!Viewer->FPaintPanel->HandleAllocated() || GetCapture() != Viewer->FPaintPanel->Handle()) return;
            Viewer->FReleasingCapture = true;
            ReleaseCapture();
            Viewer->FReleasingCapture = false;
        }
    };
    switch (message.Msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            const TMouseButton button = message.Msg == WM_LBUTTONDOWN   ? mbLeft
                                        : message.Msg == WM_RBUTTONDOWN ? mbRight
                                                                        : mbMiddle;
            capture();
            HTMLMouseDown(FPaintPanel, button, shift(), x, y);
            return false;
        }
        case WM_LBUTTONDBLCLK:
            capture();
            if (message.WParam & MK_LBUTTON) HTMLMouseDblClk(message);
            return true;
        case WM_MOUSEMOVE:
            HTMLMouseMove(FPaintPanel, shift(), x, y);
            return false;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const TMouseButton button = message.Msg == WM_LBUTTONUP   ? mbLeft
                                        : message.Msg == WM_RBUTTONUP ? mbRight
                                                                      : mbMiddle;
            TReleaseCapture release{this};
            HTMLMouseUp(FPaintPanel, button, shift(), x, y);
            return false;
        }
        case WM_CAPTURECHANGED:
            // Taken by someone else (a menu, a message box): the drag is over.
            if (!FReleasingCapture && reinterpret_cast<HWND>(message.LParam) != FPaintPanel->Handle())
                CancelMouseModes();
            return false;
        case WM_CANCELMODE:
            CancelMouseModes();
            return false;
        default:
            return false;
    }
}

bool TPageViewer::ViewerMouseMessage(TMessage& message) {
    switch (message.Msg) {
        case WM_USER + 102:
            WMMouseScroll(message);
            return true;
        case WM_USER + 103:
            WMUrlAction(message);
            return true;
        case WM_GETDLGCODE:
            WMGetDlgCode(message);
            return true;
        case WM_MOUSEWHEEL: {
            const TPoint at{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
            const TShiftState shift = KeysToShiftState(GET_KEYSTATE_WPARAM(message.WParam));
            DoMouseWheel(shift, GET_WHEEL_DELTA_WPARAM(message.WParam), at);
            message.Result = 0;
            return true;
        }
        case WM_CANCELMODE:
        case WM_KILLFOCUS:
            CancelMouseModes();
            return false;
        default:
            return false;
    }
}

void TPageViewer::CancelMouseModes() {
    const bool wasPanning = FPanning;
    FMouseDown = false;
    FSelecting = false;
    FAutoScrolling = false;
    FPanning = false;
    if (wasPanning) FPaintPanel->SetCursor(Cursor());
    FDocument->LButtonDown(false);
}

void TPageViewer::EndPanning() {
    FPanning = false;
    FAutoScrolling = false;
    FPaintPanel->SetCursor(Cursor());
}

void TPageViewer::ShowPanelCursor(TCursor cursor) {
    FPaintPanel->SetCursor(cursor);
    // Windows asks for the cursor only on the next move; show it now when the
    // pointer is over the pane.
    if (!FPaintPanel->HandleAllocated()) return;
    if (PointerClock.WindowAt(PointerClock.CursorPos()) == FPaintPanel->Handle())
        ::SetCursor(ScreenCursor(cursor == crDefault ? crArrow : cursor));
}

TTimer* TPageViewer::HoverTimer() {
    if (!FHoverTimer) {
        FHoverTimer = new TTimer(this);
        FHoverTimer->SetEnabled(false);
        FHoverTimer->SetInterval(kHoverInterval);
        FHoverTimer->SetOnTimer(Bind(this, &TPageViewer::HTMLTimerTimer));
    }
    return FHoverTimer;
}

void TPageViewer::HTMLMouseDown(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    TControl::MouseDown(button, shift, x, y);
    if (CanFocus() && !Focused()) SetFocus();
    FClickHandled = false;
    if (FPanning) {
        EndPanning();
        return;
    }
    if (button == mbMiddle) {
        FPanning = true;
        FPanOrigin = y + FPaintPanel->Top();
        ShowPanelCursor(UpDownCursor);
        return;
    }
    if (button != mbLeft) return;
    FMouseDown = true;
    FSelecting = true;
    bool inText = false;
    const int pos = FindCursorAt(x, y, inText);
    FSelAnchor = pos;
    if (pos >= 0) {
        if (FDocument->SelFirstPos != FDocument->SelEndPos || (shift & ssShift)) InvalidatePanel();
        if (shift & ssShift) {
            FDocument->SelFirstPos = std::min(FCaretPos, pos);
            FDocument->SelEndPos = std::max(FCaretPos, pos);
        } else {
            FDocument->SelFirstPos = FDocument->SelEndPos = pos;
            FCaretPos = pos;
        }
    }
    FDocument->LButtonDown(true);
}

void TPageViewer::HTMLMouseMove(TObject*, TShiftState shift, int x, int y) {
    TControl::MouseMove(shift, x, y);
    if (FPanning) {
        if (!FAutoScrolling && std::abs(y + FPaintPanel->Top() - FPanOrigin) > kPanSlow) {
            FAutoScrolling = true;
            if (HandleAllocated()) PostMessageW(Handle(), WM_USER + 102, 0, 0);
        }
        return;
    }
    TCursor cursor = crArrow;
    FLinkTitle.clear();
    std::string url, target;
    TUrlTarget* link = nullptr;
    TImageFormControlObj* formControl = nullptr;
    const guResultType hit = GetURL(x, y, link, formControl, FLinkTitle);
    if ((hit & guUrl) && link) {
        cursor = HandCursor;
        url = link->Url;
        target = link->Target;
    }
    if ((hit & guControl) && formControl) cursor = HandCursor;
    TObject* image = nullptr;
    int hitX = 0, hitY = 0;
    if ((OnImageClick || OnImageOver) && PtInObject(x, y, image, hitX, hitY)) {
        if (cursor != HandCursor) cursor = crArrow;
        if (OnImageOver) OnImageOver(this, image, shift, hitX, hitY);
    } else if (cursor != HandCursor && XYToDisplayPos(x, y) >= 0) {
        cursor = Cursor();
    }
    ShowPanelCursor(cursor);
    HoverTimer()->SetEnabled(cursor == HandCursor || FDocument->ImageUnderMouse);
    if (url != FHoverURL || target != FHoverTarget) {
        FHoverURL = url;
        FHoverTarget = target;
        if (OnHotSpotCovered) OnHotSpotCovered(this, url);
    }
    if (shift & ssLeft) {
        if (!FAutoScrolling && (y <= 0 || y >= Height())) {
            FAutoScrolling = true;
            if (HandleAllocated()) PostMessageW(Handle(), WM_USER + 102, 0, 0);
        }
        if (!FNoSelect) DoHilite(x, y);
    }
}

void TPageViewer::HTMLMouseUp(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    if (FPanning) {
        // A middle click that did not move leaves panning on until the next
        // press.
        if (button != mbMiddle || y + FPaintPanel->Top() != FPanOrigin) EndPanning();
        return;
    }
    TControl::MouseUp(button, shift, x, y);
    TObject* image = nullptr;
    int hitX = 0, hitY = 0;
    const bool onImage = (OnImageClick || OnRightClick) && PtInObject(x, y, image, hitX, hitY);
    if (OnImageClick && onImage) OnImageClick(this, image, button, shift, hitX, hitY);
    if (button == mbRight && OnRightClick) {
        FireRightClick(onImage ? image : nullptr, hitX, hitY, x, y);
        return;
    }
    if (button != mbLeft || (shift & ssShift)) return;
    FAutoScrolling = false;
    DoHilite(x, y);
    FSelecting = false;
    FDocument->LButtonDown(false);
    const bool wasDown = FMouseDown;
    FMouseDown = false;
    if (!wasDown || FDocument->SelFirstPos < FDocument->SelEndPos) return;
    TUrlTarget* link = nullptr;
    TImageFormControlObj* formControl = nullptr;
    std::string title;
    const guResultType hit = GetURL(x, y, link, formControl, title);
    if ((hit & guControl) && formControl) formControl->ImageClick();
    if (!(hit & guUrl) || !link) return;
    FHoverURL = link->Url;
    FHoverTarget = link->Target;
    FocusLinkStop(link->ID);
    FClickHandled = true;
    FollowLink();
}

void TPageViewer::FireRightClick(TObject* image, int imageX, int imageY, int x, int y) {
    auto parameters = std::make_unique<TRightClickParameters>();
    parameters->Image = dynamic_cast<TImageObj*>(image);
    if (parameters->Image) {
        parameters->ImageX = imageX;
        parameters->ImageY = imageY;
    }
    TUrlTarget* link = nullptr;
    TImageFormControlObj* formControl = nullptr;
    std::string title;
    if ((GetURL(x, y, link, formControl, title) & guUrl) && link) {
        parameters->URL = link->Url;
        parameters->Target = link->Target;
    }
    int st = 0, en = 0;
    std::wstring word;
    if (GetWordAtCursor(x, y, st, en, word)) parameters->ClickWord = word;
    TTimer* timer = HoverTimer();
    timer->SetEnabled(false);
    // The parameters go and the timer runs again however the handler ends.
    struct TRestart {
        TTimer* Timer;
        ~TRestart() { Timer->SetEnabled(true); }
    } restart{timer};
    OnRightClick(this, parameters.get());
}

void TPageViewer::FocusLinkStop(int linkId) {
    for (TFontObj* run : FDocument->LinkRuns) {
        if (run->LinkTarget().ID != linkId || !run->TabStopWindow()) continue;
        auto* stop = dynamic_cast<TLinkTabStopWindow*>(run->TabStopWindow());
        TWinControl* window = stop ? stop->Window.get() : nullptr;
        TCustomForm* form = window ? window->GetParentForm() : nullptr;
        if (form && window->CanFocus()) {
            FFocusingLink = true;
            struct TClear {
                bool& Flag;
                ~TClear() { Flag = false; }
            } clear{FFocusingLink};
            form->SetActiveControl(window);
        }
        return;
    }
}

void TPageViewer::FollowLink() {
    UrlAction();
    // The page that came may have taken the link's focus window with it.
    TCustomForm* form = GetParentForm();
    if (form && (!form->ActiveControl() || !GetFocus()) && CanFocus()) form->SetActiveControl(this);
}

void TPageViewer::HTMLMouseDblClk(TMessage& message) {
    FDocument->LButtonDown(true);
    if (FProcessing || FClickHandled) return;
    const int x = GET_X_LPARAM(message.LParam);
    const int y = GET_Y_LPARAM(message.LParam);
    int st = 0, en = 0;
    std::wstring word;
    if (!FNoSelect && GetWordAtCursor(x, y, st, en, word)) {
        FDocument->SelFirstPos = en + 1;
        FDocument->SelEndPos = st;
        FCaretPos = en + 1;
        InvalidatePanel();
    }
    if (OnMouseDouble) OnMouseDouble(this, mbLeft, KeysToShiftState(message.WParam), x, y);
}

void TPageViewer::DoHilite(int x, int y) {
    if (!FSelecting || FSelAnchor < 0) return;
    y = std::clamp(y, 0, std::max(0, Height()));
    bool inText = false;
    const int pos = FindCursorAt(x, y, inText);
    if (pos >= 0 && !FNoSelect) {
        FDocument->SelFirstPos = std::min(FSelAnchor, pos);
        FDocument->SelEndPos = std::max(FSelAnchor, pos);
        InvalidatePanel();
    }
    if (pos >= 0) FCaretPos = pos;
}

void TPageViewer::HTMLTimerTimer(TObject*) {
    if (FPaintPanel->HandleAllocated() && PointerClock.WindowAt(PointerClock.CursorPos()) == FPaintPanel->Handle())
        return;
    FDocument->CancelActives();
    HoverTimer()->SetEnabled(false);
    if (FHoverURL.empty()) return;
    FHoverURL.clear();
    FHoverTarget.clear();
    if (OnHotSpotCovered) OnHotSpotCovered(this, std::string());
}

// ---- the auto-scroll and panning loop

TPoint TPageViewer::PointerInViewer() {
    const TPoint screen = PointerClock.CursorPos();
    POINT p{screen.X, screen.Y};
    if (HandleAllocated()) ::ScreenToClient(Handle(), &p);
    return {p.x, p.y};
}

bool TPageViewer::MouseScrollGoesOn(TPoint pointer) const {
    const bool dragging = FAutoScrolling && FMouseDown && (pointer.Y <= 0 || pointer.Y > Height());
    const bool panning = FPanning && std::abs(pointer.Y - FPanOrigin) > kPanSlow;
    return dragging || panning;
}

void TPageViewer::WMMouseScroll(TMessage&) {
    // The viewer may be destroyed by a message pumped below; then nothing of
    // it is touched again.
    if (FInScrollLoop) return;
    const std::shared_ptr<bool> alive = FLife.Alive;
    auto usable = [&] { return *alive && HandleAllocated() && IsWindowVisible(Handle()); };
    struct TEnd {
        TPageViewer* Viewer;
        const std::shared_ptr<bool>& Alive;
        ~TEnd() {
            if (!*Alive) return;
            Viewer->FInScrollLoop = false;
            Viewer->FAutoScrolling = false;
            if (Viewer->FPanning) Viewer->ShowPanelCursor(UpDownCursor);
        }
    } end{this, alive};
    FInScrollLoop = true;
    TPoint pointer = PointerInViewer();
    unsigned stepClock = 0;
    bool first = true;
    while (usable() && MouseScrollGoesOn(pointer)) {
        const unsigned now = PointerClock.TickCount();
        if (first || now - stepClock > kScrollStep) {
            first = false;
            stepClock = now;
            const int p0 = GetScrollPos();
            int position = p0;
            if (FMouseDown) {
                if (pointer.Y < -kDragFast)
                    position = p0 - 8 * kSmallChangeV;
                else if (pointer.Y <= 0)
                    position = p0 - kSmallChangeV;
                else if (pointer.Y > Height() + kDragFast)
                    position = p0 + 8 * kSmallChangeV;
                else
                    position = p0 + kSmallChangeV;
            } else if (FPanning) {
                const int d = pointer.Y - FPanOrigin;
                const int step = d < -kPanFast ? -32 : d < -kPanSlow ? -8 : d > kPanFast ? 32 : d > kPanSlow ? 8 : 0;
                position = p0 + step;
                if (step < 0) ShowPanelCursor(UpOnlyCursor);
                if (step > 0) ShowPanelCursor(DownOnlyCursor);
            }
            position = std::max(0, std::min(position, FMaxVertical - FPaintPanel->Height()));
            if (position != p0) ScrollTo(position);
            DoHilite(pointer.X - FPaintPanel->Left(), pointer.Y - FPaintPanel->Top());
            InvalidatePanel();
            pointer = PointerInViewer();
        } else {
            // Nothing to do before the next step but to wait for it or for a
            // message, whichever comes first.
            MSG peek;
            if (!PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE))
                PointerClock.Wait(kScrollStep + 1 - (now - stepClock));
        }
        for (int i = 0; i < 4; ++i) {
            if (!PumpMessages()) return;
            if (!*alive) return;
        }
        if (!usable()) return;
        pointer = PointerInViewer();
    }
}

// ---- keys and the wheel

bool TPageViewer::DoKeyDown(uint16_t& key, TShiftState shift) {
    KeyDown(key, shift);
    return key == 0;
}

void TPageViewer::KeyDown(uint16_t& key, unsigned shift) {
    if (TCustomControl::DoKeyDown(key, shift)) return;
    if (FPanning) {
        EndPanning();
        return;
    }
    const int p0 = GetScrollPos();
    int position = p0;
    switch (key) {
        case VK_PRIOR: position = p0 - FVScrollBar->LargeChange; break;
        case VK_NEXT: position = p0 + FVScrollBar->LargeChange; break;
        case VK_END: position = FMaxVertical; break;
        case VK_HOME: position = 0; break;
        case VK_UP: position = p0 - kSmallChangeV; break;
        case VK_DOWN: position = p0 + kSmallChangeV; break;
        case VK_LEFT:
        case VK_RIGHT: {
            const int x = GetHScrollPos() + (key == VK_LEFT ? -kSmallChangeH : kSmallChangeH);
            SetHScrollPos(std::max(0, std::min(x, GetHScrollBarRange())));
            return;
        }
        default: return;
    }
    // At most the range, then at least 0: a page shorter than the pane stays
    // at the top.
    position = std::max(0, std::min(position, FMaxVertical - FPaintPanel->Height()));
    if (FFixedBackground || std::abs(position - p0) != kSmallChangeV)
        ScrollTo(position);
    else
        VerticalScrollTo(position);
}

void TPageViewer::WMGetDlgCode(TMessage& message) { message.Result = DLGC_WANTARROWS; }

void TPageViewer::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (!handled) HTMLMouseWheel(this, shift, wheelDelta, mousePos);
}

void TPageViewer::HTMLMouseWheel(TObject*, TShiftState, int wheelDelta, TPoint) {
    const int lines = PointerClock.WheelLines();
    int position;
    if (lines <= 0)
        position = GetScrollPos() - wheelDelta / 2;
    else
        position = GetScrollPos() + (wheelDelta < 0 ? lines * kSmallChangeV : -lines * kSmallChangeV);
    SetScrollPos(position);
}

// ---- links

bool TPageViewer::HotSpotClickHandled() {
    bool handled = false;
    if (OnHotSpotClick) OnHotSpotClick(this, FHoverURL, handled);
    return handled;
}

void TPageViewer::UrlAction() {
    if (HotSpotClickHandled()) return;
    const int oldPosition = GetPosition();
    std::string name = FHoverURL;
    if (!name.empty() && name[0] == '#') {
        if (PositionTo(name)) {
            BumpHistory(FCurrentFile, FTitle, oldPosition, nullptr, FFileType);
            AddVisitedLink(FCurrentFile + name);
        }
        return;
    }
    std::string anchor;
    if (const size_t hash = name.find('#'); hash != std::string::npos) {
        anchor = name.substr(hash);
        name.erase(hash);
    }
    name = HTMLExpandFilename(name);
    const std::string ext = UpperCase(ExtractFileExt(name)).substr(0, 5);
    if (ext == ".HTM" || ext == ".HTML") {
        if (name != FCurrentFile) {
            LoadFromFile(name + anchor);
            AddVisitedLink(name + anchor);
        } else if (PositionTo(anchor)) {
            BumpHistory(FCurrentFile, FTitle, oldPosition, nullptr, HTMLType);
            AddVisitedLink(name + anchor);
        }
    } else if (ext == ".BMP" || ext == ".GIF" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG") {
        LoadImageFile(name);
    }
}

void TPageViewer::TriggerUrlAction() {
    if (HandleAllocated()) PostMessageW(Handle(), WM_USER + 103, 0, 0);
}

void TPageViewer::WMUrlAction(TMessage&) { FollowLink(); }

void TPageViewer::LinkAction(const TUrlTarget& target) {
    FHoverURL = target.Url;
    FHoverTarget = target.Target;
    TriggerUrlAction();
}

std::unique_ptr<TLinkTabStop> TPageViewer::CreateLinkTabStop(TFontObj* run) {
    if (!run) return nullptr;
    return std::make_unique<TLinkTabStopWindow>(run, FPaintPanel);
}

bool TPageViewer::PositionTo(const std::string& destination) {
    std::string name = destination;
    if (!name.empty() && name[0] == '#') name.erase(0, 1);
    if (name.empty() || !FDocument->IDObjects) return false;
    TIDObject* object = FDocument->IDObjects->FindObject(UpperCase(name));
    if (!object) return false;
    int y = object->GetYPosition();
    if (auto* named = dynamic_cast<TChPosObj*>(object)) {
        // A bare <a name> knows only its place in the source; the line of the
        // character there says where that is on the page. The section that
        // holds the character is asked: the one before it also answers for
        // its own end, which is the same position.
        const int pos = FDocument->FindDocPos(named->SourcePos, false);
        int x = 0;
        wchar_t ch = 0;
        TObject* holder = nullptr;
        auto* section = FDocument->GetChAtPos(pos, ch, holder) ? dynamic_cast<TSectionBase*>(holder) : nullptr;
        const bool found =
            section ? section->CursorToXY(nullptr, pos, x, y) : FDocument->CursorToXY(nullptr, pos, x, y);
        if (!found) y = 0;
    }
    ScrollTo(y);
    SetHScrollPos(0);
    AddVisitedLink(FCurrentFile + "#" + name);
    return true;
}
