#include "widgets/wide_edit.h"

#include <algorithm>
#include <climits>

#include "framework/forms.h"
#include "framework/graphics.h"

#include <windowsx.h>

namespace {

constexpr UINT_PTR kBlinkTimer = 1;
constexpr int kCaretHeight = 40;

bool IsHigh(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

TMyEdit::TMyEdit(TComponent* AOwner) : TCustomControl(AOwner) {
    FWidth = 100;
    FHeight = 30;
}

void TMyEdit::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TMyEdit::DestroyingHandle() {
    KillTimer(FHandle, kBlinkTimer);
    FCaretShown = false;
}

std::wstring TMyEdit::GetWC() const {
    return std::wstring(FText, static_cast<size_t>(FLength));
}

void TMyEdit::WriteWC(const std::wstring& text) {
    int count = std::min(static_cast<int>(text.size()), kCapacity);
    // Never half a surrogate pair at the end.
    if (count > 0 && count < static_cast<int>(text.size()) && IsHigh(text[static_cast<size_t>(count - 1)])) --count;
    std::copy_n(text.data(), count, FText);
    FLength = count;
    FText[FLength] = 0;
    FCursor = FLength;
    Invalidate();
    if (OnChange) OnChange(nullptr);
}

int TMyEdit::PreviousPosition(int pos) const {
    if (pos <= 0) return 0;
    if (pos >= 2 && IsLow(FText[pos - 1]) && IsHigh(FText[pos - 2])) return pos - 2;
    return pos - 1;
}

int TMyEdit::NextPosition(int pos) const {
    if (pos >= FLength) return FLength;
    if (pos + 1 < FLength && IsHigh(FText[pos]) && IsLow(FText[pos + 1])) return pos + 2;
    return pos + 1;
}

void TMyEdit::DeleteAt(int pos) {
    const int end = NextPosition(pos);
    if (end <= pos) return;
    std::copy(FText + end, FText + FLength + 1, FText + pos);
    FLength -= end - pos;
    Invalidate();
}

bool TMyEdit::Insert(const wchar_t* units, int count) {
    if (FLength + count > kCapacity) return false;
    std::copy_backward(FText + FCursor, FText + FLength + 1, FText + FLength + 1 + count);
    std::copy_n(units, count, FText + FCursor);
    FLength += count;
    FCursor += count;
    return true;
}

int TMyEdit::TextWidth(int units) {
    if (units <= 0) return 0;
    HDC dc = GetDC(HandleAllocated() ? FHandle : nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    SIZE size{};
    GetTextExtentPoint32W(dc, FText, units, &size);
    SelectObject(dc, old);
    ReleaseDC(HandleAllocated() ? FHandle : nullptr, dc);
    return size.cx;
}

void TMyEdit::ClearCursor() {
    if (!FCaretShown || !FHandle) return;
    HDC dc = GetDC(FHandle);
    InvertRect(dc, &FCaretRect);
    ReleaseDC(FHandle, dc);
    FCaretShown = false;
}

void TMyEdit::DrawCursor(bool force) {
    if (!FHandle) return;
    if (force) ClearCursor();
    else if (FCaretShown) return;
    const int x = LeftShift + TextWidth(FCursor);
    FCaretRect = {x, TopShift, x + 1, TopShift + kCaretHeight};
    HDC dc = GetDC(FHandle);
    InvertRect(dc, &FCaretRect);
    ReleaseDC(FHandle, dc);
    FCaretShown = true;
}

void TMyEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT:
        MyPaint(m);
        return;
    case WM_GETDLGCODE:
        MyDlg(m);
        return;
    case WM_KEYDOWN:
        MyKeyDown(m);
        return;
    case WM_CHAR:
        MyKeyPress(m);
        return;
    case WM_TIMER:
        MyTimer(m);
        return;
    case WM_LBUTTONDOWN:
        MyMouseDown(m);
        return;
    default:
        TCustomControl::WndProc(m);
    }
}

void TMyEdit::MyPaint(TMessage& m) {
    FPaintingDone = false;
    struct Done {
        bool& flag;
        ~Done() { flag = true; }
    } done{FPaintingDone};
    ClearCursor();
    SetTimer(FHandle, kBlinkTimer, 400, nullptr);
    PAINTSTRUCT ps{};
    HDC dc = m.WParam ? reinterpret_cast<HDC>(m.WParam) : BeginPaint(FHandle, &ps);
    RECT client;
    GetClientRect(FHandle, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
    TextOutW(dc, LeftShift, TopShift, FText, FLength);
    SelectObject(dc, old);
    if (!m.WParam) EndPaint(FHandle, &ps);
    // The fill took any caret with it.
    FCaretShown = false;
}

void TMyEdit::MyDlg(TMessage& m) {
    DefaultHandler(m);
    m.Result = DLGC_WANTARROWS;
}

void TMyEdit::MyKeyDown(TMessage& m) {
    switch (m.WParam) {
    case VK_LEFT:
        FCursor = PreviousPosition(FCursor);
        DrawCursor(true);
        break;
    case VK_RIGHT:
        FCursor = NextPosition(FCursor);
        DrawCursor(true);
        break;
    case VK_DELETE:
        if (FCursor < FLength) DeleteAt(FCursor);
        break;
    default:
        break;
    }
    DefaultHandler(m);
}

void TMyEdit::MyKeyPress(TMessage& m) {
    // The window is a Unicode one: WM_CHAR brings UTF-16 units as they come.
    const auto c = static_cast<wchar_t>(m.WParam);
    if (c == VK_BACK) {
        FPendingHigh = 0;
        if (FCursor > 0) {
            FCursor = PreviousPosition(FCursor);
            DeleteAt(FCursor);
        }
    } else if (IsHigh(c)) {
        FPendingHigh = c;
    } else if (IsLow(c)) {
        if (FPendingHigh) {
            const wchar_t pair[2] = {FPendingHigh, c};
            Insert(pair, 2);
        }
        FPendingHigh = 0;
    } else if (c >= 0x20 && c != 0x7F) {
        // Control characters are not text.
        FPendingHigh = 0;
        Insert(&c, 1);
    }
    DefaultHandler(m);
    Invalidate();
}

void TMyEdit::MyTimer(TMessage& m) {
    DefaultHandler(m);
    if (m.WParam != kBlinkTimer || !FPaintingDone) return;
    if (FCaretShown) ClearCursor();
    else if (Focused()) DrawCursor(false);
}

void TMyEdit::MyMouseDown(TMessage& m) {
    if (TCustomForm* form = GetParentForm()) form->SetActiveControl(this);
    if (FHandle && GetFocus() != FHandle) ::SetFocus(FHandle);
    const int x = GET_X_LPARAM(m.LParam);
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i <= FLength; i = NextPosition(i)) {
        const int distance = std::abs(LeftShift + TextWidth(i) - x);
        if (distance < bestDistance) {  // the earlier position wins a tie
            best = i;
            bestDistance = distance;
        }
        if (i == FLength) break;
    }
    if (best != FCursor) {
        FCursor = best;
        DrawCursor(true);
    }
    DefaultHandler(m);
}
