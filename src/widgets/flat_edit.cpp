#include "widgets/flat_edit.h"

#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/win.h"
#include "widgets/tb_common.h"
#include "widgets/tool_button.h"

namespace {

constexpr int kFrame = 3;
int gInstances = 0;

}  // namespace

int FlatEditInstanceCount() {
    return gInstances;
}

TFlatEdit::TFlatEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
    FHeight = 19;
    if (gInstances++ == 0) RegisterFlatControlClass(IsFlatControlOf<TFlatEdit>);
    FCounted = true;
}

void TFlatEdit::BeforeDestruction() {
    if (FCounted) {
        FCounted = false;
        if (--gInstances == 0) UnregisterFlatControlClass(IsFlatControlOf<TFlatEdit>);
    }
    TCustomEdit::BeforeDestruction();
}

void TFlatEdit::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    // No system frame: the three pixels are ours.
    params.ExStyle &= ~static_cast<uint32_t>(WS_EX_CLIENTEDGE);
    params.Style &= ~static_cast<uint32_t>(WS_BORDER);
}

void TFlatEdit::Loaded() {
    TCustomEdit::Loaded();
    NewAdjustHeight();
}

void TFlatEdit::FontChanged() {
    TCustomEdit::FontChanged();
    if (!Loading()) NewAdjustHeight();
}

void TFlatEdit::NewAdjustHeight() {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    SetHeight(metrics.tmHeight + 6);
}

bool TFlatEdit::SunkenLook() const {
    // A disabled edit is flat even under the cursor.
    if (!Enabled()) return false;
    if (Focused()) return true;
    return FMouseInControl && !ControlIsFlatControl(Screen ? Screen->ActiveControl() : nullptr);
}

void TFlatEdit::DrawFrame(HDC dc) {
    RECT r;
    GetWindowRect(FHandle, &r);
    OffsetRect(&r, -r.left, -r.top);
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    HBRUSH window = GetSysColorBrush(COLOR_WINDOW);
    if (SunkenLook()) {
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        RECT left{r.left, r.top, r.left + 1, r.bottom};
        RECT top{r.left, r.top, r.right, r.top + 1};
        FillRect(dc, &left, face);
        FillRect(dc, &top, face);
        DrawEdge(dc, &r, BDR_SUNKENINNER, BF_BOTTOMRIGHT);
        InflateRect(&r, -1, -1);
        FrameRect(dc, &r, window);
    } else {
        FrameRect(dc, &r, face);
        InflateRect(&r, -1, -1);
        FrameRect(dc, &r, face);
        InflateRect(&r, -1, -1);
        FrameRect(dc, &r, window);
    }
}

void TFlatEdit::PaintNCProc(HWND, HDC dc, intptr_t appData) {
    reinterpret_cast<TFlatEdit*>(appData)->DrawFrame(dc);
}

void TFlatEdit::RedrawFrame() {
    if (!FHandle) return;
    HDC dc = GetWindowDC(FHandle);
    DrawFrame(dc);
    ReleaseDC(FHandle, dc);
}

void TFlatEdit::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CM_ENABLEDCHANGED:
        TCustomEdit::WndProc(m);
        // Measured: a window disabled under the cursor hears of the mouse
        // leaving only at the next move, so the flag goes now.
        if (!Enabled()) FMouseInControl = false;
        SetColor(Enabled() ? clWindow : clBtnFace);
        if (FHandle) RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_NOCHILDREN | RDW_ERASE | RDW_INVALIDATE);
        return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        TCustomEdit::WndProc(m);
        FMouseInControl = m.Msg == CM_MOUSEENTER && Enabled();
        RedrawFrame();
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TCustomEdit::WndProc(m);
        RedrawFrame();
        return;
    case WM_NCCALCSIZE: {
        auto* r = reinterpret_cast<RECT*>(m.LParam);
        InflateRect(r, -kFrame, -kFrame);
        m.Result = 0;
        return;
    }
    case WM_NCPAINT: {
        HDC dc = GetWindowDC(FHandle);
        SelectNCUpdateRgn(FHandle, dc, reinterpret_cast<HRGN>(m.WParam));
        DrawFrame(dc);
        ReleaseDC(FHandle, dc);
        m.Result = 0;
        return;
    }
    case WM_PRINT:
        HandleWMPrint(FHandle, m, &TFlatEdit::PaintNCProc, reinterpret_cast<intptr_t>(this));
        return;
    case WM_PRINTCLIENT:
        HandleWMPrintClient(this, m);
        return;
    default:
        TCustomEdit::WndProc(m);
    }
}
