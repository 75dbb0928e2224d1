#include "widgets/dock.h"

#include <algorithm>
#include <climits>

#include "framework/canvas.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "widgets/tb_common.h"
#include "widgets/tool_window.h"

TDockType GetDockTypeOf(const TDock* dock) {
    if (!dock) return dtNotDocked;
    return dock->Position() == dpLeft || dock->Position() == dpRight ? dtLeftRight : dtTopBottom;
}

TDock::TDock(TComponent* AOwner) : TCustomControl(AOwner), FBackground(std::make_unique<TBitmap>()) {
    FBackground->OnChange = [this](TObject*) { BackgroundChanged(); };
    SetColor(clBtnFace);
    SetAlign(alTop);
}

void TDock::BeforeDestruction() {
    // Bars still on the dock outlive it only as long as the owner frees them.
    for (TCustomToolWindow* bar : std::vector<TCustomToolWindow*>(FDockList)) bar->RemoveFreeNotification(this);
    TCustomControl::BeforeDestruction();
}

TDock::~TDock() = default;

void TDock::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.ClassStyle &= ~static_cast<uint32_t>(CS_HREDRAW | CS_VREDRAW);
}

void TDock::SetParent(TWinControl* parent) {
    if (dynamic_cast<TCustomToolWindow*>(parent) || dynamic_cast<TDock*>(parent))
        throw EInvalidOperation(LoadToolbarString(STB97DockParentNotAllowed));
    TCustomControl::SetParent(parent);
}

void TDock::SetPosition(TDockPosition value) {
    if (value == FPosition) return;
    if (ControlCount() > 0) throw EInvalidOperation(LoadToolbarString(STB97DockCannotChangePosition));
    FPosition = value;
    static const TAlign kAligns[] = {alTop, alBottom, alLeft, alRight};
    SetAlign(kAligns[value]);
}

void TDock::SetAllowDrag(bool value) {
    AllowDrag = value;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* bar = dynamic_cast<TCustomToolWindow*>(Controls(i))) bar->CalculateNonClientSizes();
    ArrangeToolbars();
}

void TDock::SetBackgroundOnToolbars(bool value) {
    if (value == FBackgroundOnToolbars) return;
    FBackgroundOnToolbars = value;
    InvalidateBackgrounds();
}

void TDock::SetBackgroundTransparent(bool value) {
    if (value == FBackgroundTransparent) return;
    FBackgroundTransparent = value;
    if (UsingBackground()) BackgroundChanged();
}

void TDock::SetBoundLines(TDockBoundLines value) {
    if (value == FBoundLines) return;
    FBoundLines = value;
    FNonClientWidth = ((value >> blLeft) & 1) + ((value >> blRight) & 1);
    FNonClientHeight = ((value >> blTop) & 1) + ((value >> blBottom) & 1);
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ArrangeToolbars();
}

void TDock::SetFixAlign(bool value) {
    FFixAlign = value;
    ArrangeToolbars();
}

void TDock::EndUpdate() {
    if (FDisableArrange > 0) --FDisableArrange;
    if (FDisableArrange == 0 && FArrangeNeeded) ArrangeToolbars(FClipPositions);
}

void TDock::Loaded() {
    TCustomControl::Loaded();
    ArrangeToolbars();
}

void TDock::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    auto* bar = dynamic_cast<TCustomToolWindow*>(component);
    if (!bar) return;
    std::erase(FDockList, bar);
    std::erase(FVisibleList, bar);
}

void TDock::AlignControls(TControl*, TRect&) {
    ArrangeToolbars(false);
}

bool TDock::ToolbarVisibleOnDock(const TCustomToolWindow* bar) const {
    return bar->Parent() == this && bar->Visible();
}

bool TDock::HasVisibleToolbars() const {
    return std::any_of(FDockList.begin(), FDockList.end(), [this](auto* bar) { return ToolbarVisibleOnDock(bar); });
}

void TDock::ChangeDockList(bool insert, TCustomToolWindow* bar) {
    auto it = std::find(FDockList.begin(), FDockList.end(), bar);
    if (insert) {
        if (it == FDockList.end()) {
            FDockList.push_back(bar);
            bar->FreeNotification(this);
        }
    } else if (it != FDockList.end()) {
        FDockList.erase(it);
    }
    ToolbarVisibilityChanged(bar, false);
}

void TDock::ToolbarVisibilityChanged(TCustomToolWindow* bar, bool forceRemove) {
    bool visible = !forceRemove && ToolbarVisibleOnDock(bar);
    auto it = std::find(FVisibleList.begin(), FVisibleList.end(), bar);
    bool was = it != FVisibleList.end();
    if (visible == was) return;
    if (visible) FVisibleList.push_back(bar);
    else FVisibleList.erase(it);
    ArrangeToolbars();
    if (OnInsertRemoveBar && EventsEnabled()) OnInsertRemoveBar(this, visible, bar);
}

int TDock::GetHighestRow() const {
    int highest = -1;
    for (TCustomToolWindow* bar : FDockList) highest = std::max(highest, bar->DockRow());
    return highest;
}

int TDock::GetRowSize(int row, TCustomToolWindow* bar) const {
    // Worked out afresh: a bar asks while its own controls are changing size.
    int size = 0;
    for (TCustomToolWindow* other : FDockList) {
        if (other->DockRow() != row || !ToolbarVisibleOnDock(other)) continue;
        int barSize = 0;
        other->GetBarSize(barSize, GetDockTypeOf(this));
        size = std::max({size, barSize, 8});
    }
    if (size == 0 && bar) bar->GetBarSize(size, GetDockTypeOf(this));
    return size;
}

int TDock::GetRowOf(int pos, bool& before) const {
    before = false;
    int highest = GetHighestRow();
    int b = 0;
    for (int row = 0; row <= highest + 1; ++row) {
        int size = row < static_cast<int>(FRowSizes.size()) ? FRowSizes[static_cast<size_t>(row)] : 0;
        if (row <= highest && size == 0) continue;
        int end = row > highest ? INT_MAX : b + size + 4;
        if (pos < b + 5) {
            before = true;
            return row;
        }
        if (pos < end - 5) return row;
        b = end;
    }
    return 0;
}

int TDock::GetDesignModeRowOf(int pos) const {
    int highest = GetHighestRow();
    int sum = 0;
    for (int row = 0; row <= highest; ++row) {
        int size = row < static_cast<int>(FRowSizes.size()) ? FRowSizes[static_cast<size_t>(row)] : 0;
        if (size == 0) continue;
        sum += size + 4;
        if (sum > pos) return row;
    }
    return highest + 1;
}

int TDock::GetNumberOfToolbarsOnRow(int row, TCustomToolWindow* notThis) const {
    return static_cast<int>(std::count_if(FDockList.begin(), FDockList.end(),
                                          [&](auto* bar) { return bar != notThis && bar->DockRow() == row; }));
}

void TDock::RemoveBlankRows() {
    int highest = GetHighestRow();
    for (int row = 0; row <= highest;) {
        if (GetNumberOfToolbarsOnRow(row, nullptr) == 0) {
            for (TCustomToolWindow* bar : FDockList)
                if (bar->DockRow() > row) bar->SetDockRow(bar->DockRow() - 1);
            --highest;
        } else {
            ++row;
        }
    }
}

void TDock::InsertRowBefore(int row) {
    for (TCustomToolWindow* bar : FDockList)
        if (bar->DockRow() >= row) bar->SetDockRow(bar->DockRow() + 1);
}

void TDock::BuildRowInfo() {
    FRowSizes.assign(static_cast<size_t>(GetHighestRow() + 1), 0);
    TDockType type = GetDockTypeOf(this);
    for (TCustomToolWindow* bar : FDockList) {
        if (!ToolbarVisibleOnDock(bar) || bar->DockRow() < 0) continue;
        int size = 0;
        bar->GetBarSize(size, type);
        int& row = FRowSizes[static_cast<size_t>(bar->DockRow())];
        row = std::max({row, size, 8});
    }
}

int TDock::InnerLength() const {
    bool vertical = FPosition == dpLeft || FPosition == dpRight;
    return std::max(0, vertical ? Height() - FNonClientHeight : Width() - FNonClientWidth);
}

void TDock::ChangeWidthHeight(int newWidth, int newHeight) {
    int left = Left(), top = Top();
    switch (Align()) {
    case alTop:
    case alLeft:
        break;
    case alBottom:
        top = top + Height() - newHeight;
        break;
    case alRight:
        left = left + Width() - newWidth;
        break;
    default:
        return;
    }
    SetBounds(left, top, newWidth, newHeight);
}

namespace {

int CompareDockRowPos(void* item1, void* item2, void*) {
    auto* a = static_cast<TCustomToolWindow*>(item1);
    auto* b = static_cast<TCustomToolWindow*>(item2);
    if (a->DockRow() != b->DockRow()) return a->DockRow() < b->DockRow() ? -1 : 1;
    if (a->DockPos() != b->DockPos()) return a->DockPos() < b->DockPos() ? -1 : 1;
    return 0;
}

void SortBars(std::vector<TCustomToolWindow*>& bars) {
    std::vector<void*> list(bars.begin(), bars.end());
    ListSortEx(list, CompareDockRowPos, nullptr);
    for (size_t i = 0; i < list.size(); ++i) bars[i] = static_cast<TCustomToolWindow*>(list[i]);
}

}  // namespace

void TDock::ArrangeToolbars(bool clipPositions) {
    if (clipPositions) FClipPositions = true;
    if (FDisableArrange > 0 || Loading()) {
        FArrangeNeeded = true;
        return;
    }
    ++FDisableArrange;
    struct Release {
        TDock* dock;
        ~Release() {
            --dock->FDisableArrange;
            dock->FArrangeNeeded = false;
            dock->FClipPositions = false;
        }
    } release{this};

    if (HandleAllocated())
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const bool vertical = FPosition == dpLeft || FPosition == dpRight;
    const int innerLength = InnerLength();
    auto lengthOf = [vertical](TCustomToolWindow* bar) { return vertical ? bar->Height() : bar->Width(); };

    if (!HasVisibleToolbars()) {
        int thickness = FFixAlign ? 1 : 0;
        if (vertical) ChangeWidthHeight(thickness, Height());
        else ChangeWidthHeight(Width(), thickness);
        return;
    }
    if (LimitToOneRow)
        for (TCustomToolWindow* bar : FDockList) bar->SetDockRowQuiet(0);
    RemoveBlankRows();
    SortBars(FDockList);
    SortBars(FVisibleList);

    // A full-size bar keeps its row to itself.
    for (int row = 0; row <= GetHighestRow(); ++row) {
        for (TCustomToolWindow* bar : FDockList) {
            if (bar->DockRow() != row || !bar->FullSize || GetNumberOfToolbarsOnRow(row, bar) == 0) continue;
            for (TCustomToolWindow* other : FDockList)
                if (other != bar && other->DockRow() >= row) other->SetDockRowQuiet(other->DockRow() + 1);
            break;
        }
    }
    BuildRowInfo();

    const int highest = GetHighestRow();
    std::vector<int> positions(FDockList.size());
    for (int row = 0; row <= highest; ++row) {
        int end = 0;
        for (TCustomToolWindow* bar : FDockList) {
            if (bar->DockRow() != row) continue;
            if (bar->FullSize) bar->SetDockPosQuiet(0);
            else if (bar->DockPos() < end) bar->SetDockPosQuiet(end);
            end = bar->DockPos() + lengthOf(bar);
        }
    }
    for (size_t i = 0; i < FDockList.size(); ++i) positions[i] = FDockList[i]->DockPos();
    for (int row = 0; row <= highest; ++row) {
        std::vector<size_t> onRow;
        for (size_t i = 0; i < FDockList.size(); ++i)
            if (FDockList[i]->DockRow() == row && !FDockList[i]->FullSize && ToolbarVisibleOnDock(FDockList[i]))
                onRow.push_back(i);
        int room = innerLength;
        for (auto it = onRow.rbegin(); it != onRow.rend(); ++it) {
            room -= lengthOf(FDockList[*it]);
            if (positions[*it] > room) positions[*it] = room;
            room = positions[*it];
        }
        int end = 0;
        for (size_t i : onRow) {
            if (positions[i] < end) positions[i] = end;
            end = positions[i] + lengthOf(FDockList[i]);
        }
    }
    if (FClipPositions)
        for (size_t i = 0; i < FDockList.size(); ++i) FDockList[i]->SetDockPosQuiet(positions[i]);

    int offset = 0;
    for (int row = 0; row <= highest; ++row) {
        int rowSize = row < static_cast<int>(FRowSizes.size()) ? FRowSizes[static_cast<size_t>(row)] : 0;
        int thickness = rowSize != 0 ? rowSize + 4 : 0;
        for (size_t i = 0; i < FDockList.size(); ++i) {
            TCustomToolWindow* bar = FDockList[i];
            if (bar->DockRow() != row || !ToolbarVisibleOnDock(bar)) continue;
            ++bar->FUpdatingBounds;
            struct Lower {
                TCustomToolWindow* bar;
                ~Lower() { --bar->FUpdatingBounds; }
            } lower{bar};
            if (vertical)
                bar->SetBounds(offset, positions[i], thickness, bar->FullSize ? innerLength : bar->Height());
            else
                bar->SetBounds(positions[i], offset, bar->FullSize ? innerLength : bar->Width(), thickness);
        }
        offset += thickness;
    }
    if (vertical) ChangeWidthHeight(offset + FNonClientWidth, Height());
    else ChangeWidthHeight(Width(), offset + FNonClientHeight);
}

void TDock::BackgroundChanged() {
    FBackgroundCache.reset();
    InvalidateBackgrounds();
}

void TDock::InvalidateBackgrounds() {
    Invalidate();
    for (TCustomToolWindow* bar : FVisibleList) {
        bar->InvalidateDockedNCArea();
        bar->Invalidate();
    }
}

void TDock::DrawBackground(HDC dc, const TRect& clipRect, const TRect& tileRect, const TRect* excludeRect) {
    if (!UsingBackground()) return;
    TBitmap* bitmap = FBackground.get();
    if (FBackgroundTransparent) {
        if (!FBackgroundCache) {
            FBackgroundCache = std::make_unique<TBitmap>();
            FBackgroundCache->Assign(FBackground.get());
            TCanvas* canvas = FBackgroundCache->Canvas();
            const int w = FBackgroundCache->Width(), h = FBackgroundCache->Height();
            const TColor transparent = canvas->Pixels(0, h - 1);
            const TColor replacement = ColorToRGB(Color());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (canvas->Pixels(x, y) == transparent) canvas->SetPixels(x, y, replacement);
        }
        bitmap = FBackgroundCache.get();
    }
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clipRect.Left, clipRect.Top, clipRect.Right, clipRect.Bottom);
    if (excludeRect) ExcludeClipRect(dc, excludeRect->Left, excludeRect->Top, excludeRect->Right, excludeRect->Bottom);
    HPALETTE palette = bitmap->Palette();
    if (palette) {
        SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
    }
    HDC source = bitmap->Canvas()->Handle();
    const int w = bitmap->Width(), h = bitmap->Height();
    for (int y = tileRect.Top; y < tileRect.Bottom; y += h)
        for (int x = tileRect.Left; x < tileRect.Right; x += w)
            if (x + w > clipRect.Left && y + h > clipRect.Top && x < clipRect.Right && y < clipRect.Bottom)
                BitBlt(dc, x, y, w, h, source, 0, 0, SRCCOPY);
    RestoreDC(dc, saved);
}

void TDock::Paint() {
    TCanvas* canvas = Canvas();
    TRect client = ClientRect();
    if (!UsingBackground()) {
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(client);
        return;
    }
    // The pattern starts at the parent's client origin, so it runs on across
    // docks and the bars on them.
    TRect tile = client;
    tile.Left -= Left() + ((FBoundLines >> blLeft) & 1);
    tile.Top -= Top() + ((FBoundLines >> blTop) & 1);
    DrawBackground(canvas->Handle(), client, tile, nullptr);
}

void TDock::DrawNCArea(HDC dc) {
    if (FBoundLines == 0 || !HasVisibleToolbars()) return;
    RECT r;
    GetWindowRect(Handle(), &r);
    OffsetRect(&r, -r.left, -r.top);
    RECT client = r;
    client.left += (FBoundLines >> blLeft) & 1;
    client.right -= (FBoundLines >> blRight) & 1;
    client.top += (FBoundLines >> blTop) & 1;
    client.bottom -= (FBoundLines >> blBottom) & 1;
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        HPEN pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(color)));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
        SelectObject(dc, old);
        DeleteObject(pen);
    };
    if (FBoundLines & (1u << blTop)) {
        line(clBtnShadow, r.left, r.top, r.right, r.top);
        ++r.top;
    }
    if (FBoundLines & (1u << blLeft)) {
        line(clBtnShadow, r.left, r.top, r.left, r.bottom);
        ++r.left;
    }
    if (FBoundLines & (1u << blBottom)) {
        line(clBtnHighlight, r.left, r.bottom - 1, r.right, r.bottom - 1);
        --r.bottom;
    }
    if (FBoundLines & (1u << blRight)) {
        line(clBtnHighlight, r.right - 1, r.top, r.right - 1, r.bottom);
        --r.right;
    }
    if (!EqualRect(&r, &client)) {
        const int saved = SaveDC(dc);
        ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color())));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        RestoreDC(dc, saved);
    }
}

void TDock::PaintNCProc(HWND, HDC dc, intptr_t appData) {
    reinterpret_cast<TDock*>(appData)->DrawNCArea(dc);
}

void TDock::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_NCCALCSIZE: {
        TCustomControl::WndProc(m);
        auto* r = reinterpret_cast<RECT*>(m.LParam);
        if (FBoundLines & (1u << blLeft)) ++r->left;
        if (FBoundLines & (1u << blTop)) ++r->top;
        if (FBoundLines & (1u << blRight)) --r->right;
        if (FBoundLines & (1u << blBottom)) --r->bottom;
        return;
    }
    case WM_NCPAINT: {
        HDC dc = GetWindowDC(Handle());
        SelectNCUpdateRgn(Handle(), dc, reinterpret_cast<HRGN>(m.WParam));
        DrawNCArea(dc);
        ReleaseDC(Handle(), dc);
        m.Result = 0;
        return;
    }
    case WM_PRINT:
        HandleWMPrint(Handle(), m, &TDock::PaintNCProc, reinterpret_cast<intptr_t>(this));
        return;
    case WM_PRINTCLIENT:
        HandleWMPrintClient(this, m);
        return;
    case WM_MOVE:
        TCustomControl::WndProc(m);
        if (UsingBackground()) InvalidateBackgrounds();
        return;
    case WM_SIZE:
        TCustomControl::WndProc(m);
        ArrangeToolbars();
        return;
    case CM_COLORCHANGED:
        if (UsingBackground()) BackgroundChanged();
        TCustomControl::WndProc(m);
        return;
    case CM_SYSCOLORCHANGE:
        TCustomControl::WndProc(m);
        if (UsingBackground()) BackgroundChanged();
        return;
    }
    TCustomControl::WndProc(m);
}

// ---------------------------------------------------------------------------

TFloatingWindowParent::TFloatingWindowParent(TComponent* AOwner) : TForm(AOwner) {}

void TFloatingWindowParent::CreateParams(TCreateParams& params) {
    TForm::CreateParams(params);
    params.ExStyle |= WS_EX_TOOLWINDOW;
}

void TFloatingWindowParent::WndProc(TMessage& m) {
    if (m.Msg == CM_SHOWINGCHANGED && HandleAllocated()) {
        const bool show = Showing() && ShouldShow;
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        return;
    }
    if (m.Msg == CM_DIALOGKEY && m.WParam == VK_ESCAPE && KeyboardShiftState() == 0 && ParentForm) {
        ParentForm->SetFocus();
        m.Result = 1;
        return;
    }
    TForm::WndProc(m);
}
