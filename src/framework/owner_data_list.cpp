#include "framework/owner_data_list.h"

#include <algorithm>

#include "framework/canvas.h"
#include "framework/graphics.h"
#include "framework/list_owner_draw.h"
#include "framework/win.h"

TOwnerDataListBox::TOwnerDataListBox(TComponent* AOwner)
    : TStandardControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {
    FWidth = 121;
    FHeight = 97;
    TabStop = true;
    FParentColor = false;
    FColor = clWindow;
    FBrush->SetColor(FColor);
}

TOwnerDataListBox::~TOwnerDataListBox() = default;

void TOwnerDataListBox::CreateParams(TCreateParams& p) {
    TStandardControl::CreateParams(p);
    p.BaseClassName = L"LISTBOX";
    // No data: the window keeps a count and asks for every row it paints.
    p.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TOwnerDataListBox::CreateHandleDone() {
    TStandardControl::CreateHandleDone();
    PushHeight();
    SendMessageW(FHandle, LB_SETCOUNT, static_cast<WPARAM>(FCount), 0);
    SetItemIndex(FSavedItemIndex);
    SetTopIndex(FSavedTopIndex);
}

void TOwnerDataListBox::DestroyingHandle() {
    if (!FHandle) return;
    FSavedItemIndex = ItemIndex();
    FSavedTopIndex = TopIndex();
}

void TOwnerDataListBox::SetCount(int count) {
    FCount = std::max(0, count);
    FSavedItemIndex = -1;
    FSavedTopIndex = 0;
    if (!FHandle) return;
    // LB_SETCOUNT keeps the old scroll position; a new list starts at the top.
    SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    SendMessageW(FHandle, LB_RESETCONTENT, 0, 0);
    SendMessageW(FHandle, LB_SETCOUNT, static_cast<WPARAM>(FCount), 0);
    SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FHandle, nullptr, TRUE);
}

int TOwnerDataListBox::ItemIndex() const {
    if (!FHandle) return FSavedItemIndex;
    return static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0));
}

void TOwnerDataListBox::SetItemIndex(int index) {
    if (index >= FCount) index = -1;
    if (!FHandle) {
        FSavedItemIndex = index;
        return;
    }
    SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TOwnerDataListBox::TopIndex() const {
    if (!FHandle) return FSavedTopIndex;
    return static_cast<int>(SendMessageW(FHandle, LB_GETTOPINDEX, 0, 0));
}

void TOwnerDataListBox::SetTopIndex(int index) {
    index = std::max(0, index);
    if (!FHandle) {
        FSavedTopIndex = index;
        return;
    }
    SendMessageW(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

int TOwnerDataListBox::ItemHeight() const {
    return RowHeight();
}

void TOwnerDataListBox::SetItemHeight(int height) {
    FItemHeight = std::max(0, height);
    PushHeight();
}

TRect TOwnerDataListBox::ItemRect(int index) const {
    RECT r{};
    if (FHandle) SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return Rect(r.left, r.top, r.right, r.bottom);
}

int TOwnerDataListBox::RowHeight() const {
    if (FItemHeight > 0) return FItemHeight;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FFont->Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return std::max<int>(1, metrics.tmHeight);
}

void TOwnerDataListBox::PushHeight() {
    if (!FHandle) return;
    SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, RowHeight());
    Invalidate();
}

void TOwnerDataListBox::FontChanged() {
    TStandardControl::FontChanged();
    if (FItemHeight == 0) PushHeight();
}

void TOwnerDataListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
    if (OnDrawItem && EventsEnabled()) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    FCanvas->FillRect(rect);
    if (OnGetText) FCanvas->TextOut(rect.Left + 2, rect.Top, OnGetText(index));
}

void TOwnerDataListBox::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        list_owner_draw::ListBoxCommand(m.WParam, [this] { Click(); }, [this] { DblClick(); });
        return;
    case CN_DRAWITEM:
        list_owner_draw::DrawOwnerItem(
            FCanvas.get(), FFont.get(), FBrush.get(), *reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam),
            [this](int index, const TRect& r, TOwnerDrawState state) { DrawItem(index, r, state); }, FCount);
        m.Result = TRUE;
        return;
    case CN_MEASUREITEM:
        list_owner_draw::MeasureOwnerItem(m, [this](int) { return RowHeight(); });
        return;
    case WM_DESTROY:
        DestroyingHandle();
        break;
    default:
        break;
    }
    TStandardControl::WndProc(m);
}
