// Pieces the framework's list and combo boxes share: their owner drawing and
// their answer to the list box notifications. Internal to src/framework.
#pragma once

#include <algorithm>

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/graphics.h"
#include "framework/stdctrls.h"
#include "framework/win.h"

namespace list_owner_draw {

inline TOwnerDrawState OwnerDrawState(unsigned itemState) {
    TOwnerDrawState state = 0;
    if (itemState & ODS_SELECTED) state |= odSelected;
    if (itemState & ODS_GRAYED) state |= odGrayed;
    if (itemState & ODS_DISABLED) state |= odDisabled;
    if (itemState & ODS_CHECKED) state |= odChecked;
    if (itemState & ODS_FOCUS) state |= odFocused;
    if (itemState & ODS_DEFAULT) state |= odDefault;
    if (itemState & ODS_COMBOBOXEDIT) state |= odComboBoxEdit;
    return state;
}

// Holds a canvas on an item's device context for one owner-drawn item.
class ItemCanvasScope {
public:
    ItemCanvasScope(TCanvas* canvas, HDC dc) : canvas_(canvas) { canvas_->SetHandle(dc); }
    ~ItemCanvasScope() { canvas_->SetHandle(nullptr); }
    ItemCanvasScope(const ItemCanvasScope&) = delete;
    ItemCanvasScope& operator=(const ItemCanvasScope&) = delete;

private:
    TCanvas* canvas_;
};

// The canvas takes the control's font and colours (the highlight ones for a
// selected item), the item is drawn, and the focus rectangle goes on top.
// Rows from `count` on (none of the control's own) are only filled.
template <class DrawFn>
void DrawOwnerItem(TCanvas* canvas, TFont* font, TBrush* brush, const DRAWITEMSTRUCT& dis, DrawFn draw,
                   int count = -1) {
    TOwnerDrawState state = OwnerDrawState(dis.itemState);
    ItemCanvasScope scope(canvas, dis.hDC);
    canvas->SetFont(font);
    canvas->SetBrush(brush);
    int index = static_cast<int>(dis.itemID);
    const bool own = index >= 0 && (count < 0 || index < count);
    if (own && (state & odSelected)) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->Font()->SetColor(clHighlightText);
    }
    TRect r = Rect(dis.rcItem.left, dis.rcItem.top, dis.rcItem.right, dis.rcItem.bottom);
    if (own)
        draw(index, r, state);
    else
        canvas->FillRect(r);
    if (state & odFocused) DrawFocusRect(dis.hDC, &dis.rcItem);
}

// A changed selection is a click; a double click on an item a double click.
template <class ClickFn, class DblClickFn>
void ListBoxCommand(WPARAM wparam, ClickFn click, DblClickFn dblClick) {
    switch (HIWORD(wparam)) {
    case LBN_SELCHANGE:
        click();
        break;
    case LBN_DBLCLK:
        dblClick();
        break;
    default:
        break;
    }
}

// Answers a measure-item request with the height `measure` gives the item,
// never under one pixel.
template <class MeasureFn>
void MeasureOwnerItem(TMessage& m, MeasureFn measure) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
    mis->itemHeight = static_cast<UINT>(std::max(1, measure(static_cast<int>(mis->itemID))));
    m.Result = TRUE;
}

}  // namespace list_owner_draw
