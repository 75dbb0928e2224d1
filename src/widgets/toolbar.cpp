#include "widgets/toolbar.h"

#include <algorithm>
#include <cstdlib>

#include "framework/canvas.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "widgets/tb_common.h"

TCustomToolbar::TCustomToolbar(TComponent* AOwner) : TCustomToolWindow(AOwner) {}

void TCustomToolbar::CleanOrderList() {
    if (!FOrderListDirty) return;
    std::erase_if(FOrderList, [this](TControl* c) { return c->Parent() != this; });
    FOrderListDirty = false;
}

bool TCustomToolbar::ControlVisibleFor(TControl* control, TDockType dockType) const {
    for (const TSlavePair& pair : FSlaves) {
        if (control == pair.LeftRight) return dockType == dtLeftRight;
        if (control == pair.TopBottom) return dockType != dtLeftRight;
    }
    return control->Visible();
}

std::vector<TControl*> TCustomToolbar::VisibleControlsInOrder(TDockType dockType) {
    CleanOrderList();
    std::vector<TControl*> out;
    for (TControl* c : FOrderList)
        if (c->Parent() == this && ControlVisibleFor(c, dockType)) out.push_back(c);
    return out;
}

int TCustomToolbar::OrderedControlCount() {
    CleanOrderList();
    return static_cast<int>(FOrderList.size());
}

TControl* TCustomToolbar::OrderedControls(int index) {
    CleanOrderList();
    return FOrderList.at(static_cast<size_t>(index));
}

int TCustomToolbar::GetOrderIndex(TControl* control) {
    CleanOrderList();
    auto it = std::find(FOrderList.begin(), FOrderList.end(), control);
    if (it == FOrderList.end())
        throw EInvalidOperation(Format(LoadToolbarString(STB97ToolbarControlNotChildOfToolbar).c_str(),
                                       control->Name().c_str()));
    return static_cast<int>(it - FOrderList.begin());
}

void TCustomToolbar::SetOrderIndex(TControl* control, int index) {
    const int current = GetOrderIndex(control);
    index = std::clamp(index, 0, static_cast<int>(FOrderList.size()) - 1);
    if (index == current) return;
    FOrderList.erase(FOrderList.begin() + current);
    FOrderList.insert(FOrderList.begin() + index, control);
    ArrangeControls();
}

void TCustomToolbar::SetFloatingWidth(int value) {
    FFloatingWidth = value;
    ArrangeControls();
}

void TCustomToolbar::SetSlaveControl(TControl* topBottom, TControl* leftRight) {
    auto it = std::find_if(FSlaves.begin(), FSlaves.end(), [&](const TSlavePair& p) { return p.TopBottom == topBottom; });
    if (it != FSlaves.end()) it->LeftRight = leftRight;
    else FSlaves.push_back({topBottom, leftRight});
    ArrangeControls();
}

void TCustomToolbar::InitializeOrdering() {
    if (!GetToolbarParams().OrderByPositionOnLoad) return;
    CleanOrderList();
    const bool vertical = GetDockTypeOf(DockedTo()) == dtLeftRight;
    std::stable_sort(FOrderList.begin(), FOrderList.end(), [vertical](TControl* a, TControl* b) {
        return vertical ? a->Top() < b->Top() : a->Left() < b->Left();
    });
}

bool TCustomToolbar::ChildControlTransparent(TControl* control) {
    return dynamic_cast<TToolbarSep*>(control) != nullptr;
}

void TCustomToolbar::GetBarSize(int& size, TDockType dockType) {
    size = 8;
    for (TControl* c : VisibleControlsInOrder(dockType)) {
        if (dynamic_cast<TToolbarSep*>(c)) continue;
        size = std::max(size, dockType == dtLeftRight ? c->Width() : c->Height());
    }
}

void TCustomToolbar::GetMinimumSize(int& width, int& height) {
    width = 0;
    height = 0;
}

TPoint TCustomToolbar::OrderControls(bool moveControls, TDockType, TDock* dockingTo) {
    const bool docked = dockingTo != nullptr;
    const TDockType dockType = GetDockTypeOf(dockingTo);
    const bool vertical = dockType == dtLeftRight;
    const int m = docked ? 1 : 0;

    std::vector<TControl*> controls = VisibleControlsInOrder(dockType);
    int wrapWidth = 0;  // 0: no wrapping
    if (!docked && FFloatingWidth != 0) {
        wrapWidth = FFloatingWidth;
        for (TControl* c : controls)
            if (!dynamic_cast<TToolbarSep*>(c)) wrapWidth = std::max(wrapWidth, c->Width() + 8);
    }
    if (moveControls)
        for (const TSlavePair& pair : FSlaves) {
            if (pair.TopBottom) pair.TopBottom->SetVisible(!vertical);
            if (pair.LeftRight) pair.LeftRight->SetVisible(vertical);
        }
    int barSize = 0;
    GetBarSize(barSize, dockType);
    const int rowSize = docked && dockingTo == DockedTo() ? dockingTo->GetRowSize(DockRow(), this) : barSize;

    // Groups, each ending with a separator.
    std::vector<std::vector<TControl*>> groups;
    for (TControl* c : controls) {
        if (groups.empty() || (dynamic_cast<TToolbarSep*>(groups.back().back()))) groups.emplace_back();
        groups.back().push_back(c);
    }
    auto lengthOf = [vertical](TControl* c) {
        if (auto* sep = dynamic_cast<TToolbarSep*>(c)) return vertical ? sep->SizeVert() : sep->SizeHorz();
        return vertical ? c->Height() : c->Width();
    };
    std::vector<TLineSep> lineSeps;
    int y = tbTopMargin[m], x = tbLeftMargin[m], extent = x;
    bool wrappedInside = false;
    TToolbarSep* previousSep = nullptr;
    for (size_t g = 0; g < groups.size(); ++g) {
        std::vector<TControl*>& group = groups[g];
        if (wrapWidth != 0) {
            int groupLength = 0;
            for (TControl* c : group)
                if (!dynamic_cast<TToolbarSep*>(c)) groupLength += lengthOf(c);
            if (g > 0 && (wrappedInside || x + groupLength > wrapWidth - tbRightMargin[m])) {
                x = tbLeftMargin[m];
                y += barSize + 6;
                if (previousSep) {
                    // The separator that ends a line takes no width; an etched line separates the lines.
                    if (moveControls) {
                        previousSep->SetBounds(previousSep->Left(), previousSep->Top(), 0, previousSep->Height());
                        lineSeps.push_back({y, previousSep->Blank()});
                    }
                }
            }
        }
        wrappedInside = false;
        previousSep = nullptr;
        for (TControl* c : group) {
            auto* sep = dynamic_cast<TToolbarSep*>(c);
            int length = lengthOf(c);
            if (wrapWidth != 0 && !sep && x + length > wrapWidth - tbRightMargin[m] && x > tbLeftMargin[m]) {
                x = tbLeftMargin[m];
                y += barSize;
                wrappedInside = true;
            }
            if (moveControls) {
                if (vertical) {
                    if (sep) c->SetBounds(y, x, rowSize, sep->SizeVert());
                    else c->SetBounds(y + (rowSize - c->Width()) / 2, x, c->Width(), c->Height());
                } else {
                    if (sep) c->SetBounds(x, y, length, rowSize);
                    else c->SetBounds(x, y + (rowSize - c->Height()) / 2, c->Width(), c->Height());
                }
            }
            x += length;
            extent = std::max(extent, x);
            if (sep) previousSep = sep;
        }
    }
    if (groups.empty()) extent = x + 8;
    if (moveControls) {
        FLineSeparators = std::move(lineSeps);
        if (!docked) Invalidate();
    }
    TPoint size{extent + tbRightMargin[m], y + barSize + tbBottomMargin[m]};
    if (vertical) std::swap(size.X, size.Y);
    return size;
}

void TCustomToolbar::BuildPotentialSizesList(std::vector<TPoint>& list) {
    const int saved = FFloatingWidth;
    struct Restore {
        int& field;
        int value;
        ~Restore() { field = value; }
    } restore{FFloatingWidth, saved};
    FFloatingWidth = 0;
    TPoint size = OrderControls(false, dtNotDocked, nullptr);
    list.push_back(size);
    int width = size.X - 1;
    while (width > 7) {
        FFloatingWidth = width;
        size = OrderControls(false, dtNotDocked, nullptr);
        if (size.X > width) break;
        if (size.X < width) {
            width = size.X;
            continue;
        }
        if (list.size() > 1 && list.back().Y == size.Y) list.back() = size;
        else if (std::none_of(list.begin(), list.end(), [&](const TPoint& p) { return p.X == size.X && p.Y == size.Y; }))
            list.push_back(size);
        --width;
    }
}

void TCustomToolbar::ResizeBegin(TToolWindowSizeHandle handle) {
    FResize = std::make_unique<TResizeData>();
    FResize->Handle = handle;
    FResize->OriginalFloatingWidth = FFloatingWidth;
    FResize->NewFloatingWidth = FFloatingWidth;
    const TPoint border = GetFloatingBorderSize();
    const TPoint nc = GetFloatingNCArea();
    std::vector<TPoint> sizes;
    BuildPotentialSizesList(sizes);
    for (TPoint& p : sizes) {
        p.X += 2 * border.X;
        p.Y += nc.Y + border.Y;
    }
    const bool byHeight = handle == twshTop || handle == twshBottom;
    std::stable_sort(sizes.begin(), sizes.end(),
                     [byHeight](const TPoint& a, const TPoint& b) { return byHeight ? a.Y > b.Y : a.X > b.X; });
    FResize->Sizes = sizes;
    // Snapping never reaches past the neighbouring sizes.
    const int current = byHeight ? Height() : Width();
    for (size_t i = 0; i < sizes.size(); ++i) {
        if ((byHeight ? sizes[i].Y : sizes[i].X) != current) continue;
        for (size_t n : {i - 1, i + 1}) {
            if (n >= sizes.size()) continue;
            const int gap = std::abs((byHeight ? sizes[n].Y : sizes[n].X) - current) - 1;
            FResize->SnapDistance = std::max(0, std::min(FResize->SnapDistance, gap));
        }
    }
}

void TCustomToolbar::ResizeTrack(TRect& rect, const TRect& startRect) {
    if (!FResize || FResize->Sizes.empty()) return;
    TResizeData& d = *FResize;
    const bool byHeight = d.Handle == twshTop || d.Handle == twshBottom;
    int wanted;
    switch (d.Handle) {
    case twshLeft:
        wanted = startRect.Right - rect.Left;
        break;
    case twshTop:
        wanted = startRect.Bottom - rect.Top;
        break;
    case twshBottom:
        wanted = rect.Bottom - startRect.Top;
        break;
    default:
        wanted = rect.Right - startRect.Left;
        break;
    }
    const int current = byHeight ? Height() : Width();
    const int direction = wanted > d.LastWanted ? 1 : wanted < d.LastWanted ? -1 : 0;
    if ((d.LastUnchanged || (direction != 0 && direction == -d.LastDirection)) && std::abs(wanted - current) <= d.SnapDistance)
        wanted = current;
    if (direction != 0) d.LastDirection = direction;
    d.LastWanted = wanted;
    auto dim = [byHeight](const TPoint& p) { return byHeight ? p.Y : p.X; };
    const TPoint* chosen = nullptr;
    if (wanted > current) {
        // The smallest listed size larger than wanted (the largest when none is).
        for (const TPoint& p : d.Sizes)
            if (dim(p) > wanted && (!chosen || dim(p) < dim(*chosen))) chosen = &p;
        if (!chosen) chosen = &d.Sizes.front();
    } else {
        for (const TPoint& p : d.Sizes)
            if (dim(p) <= wanted && (!chosen || dim(p) > dim(*chosen))) chosen = &p;
        if (!chosen) chosen = &d.Sizes.back();
    }
    const TRect before = rect;
    switch (d.Handle) {
    case twshBottom:
        rect = {startRect.Left, startRect.Top, startRect.Left + chosen->X, startRect.Top + chosen->Y};
        break;
    case twshTop:
        rect = {startRect.Left, startRect.Bottom - chosen->Y, startRect.Left + chosen->X, startRect.Bottom};
        break;
    case twshLeft:
        rect = {startRect.Right - chosen->X, startRect.Top, startRect.Right, startRect.Top + chosen->Y};
        break;
    default:
        rect = {startRect.Left, startRect.Top, startRect.Left + chosen->X, startRect.Top + chosen->Y};
        break;
    }
    d.LastUnchanged = rect.Left == before.Left && rect.Top == before.Top && rect.Right == before.Right &&
                      rect.Bottom == before.Bottom;
    const bool widest = chosen == &*std::max_element(d.Sizes.begin(), d.Sizes.end(),
                                                     [](const TPoint& a, const TPoint& b) { return a.X < b.X; });
    d.NewFloatingWidth = widest ? 0 : chosen->X - 2 * GetFloatingNCArea().X;
}

void TCustomToolbar::ReadPositionData(TPositionReadIntProc readInt, const std::string& section, void* extra) {
    SetFloatingWidth(std::clamp(readInt(section, "FloatRightX", 0, extra), -32768, 32767));
}

void TCustomToolbar::WritePositionData(TPositionWriteIntProc writeInt, const std::string& section, void* extra) {
    writeInt(section, "FloatRightX", FFloatingWidth, extra);
}

void TCustomToolbar::ResizeEnd(bool accepted) {
    if (FResize && accepted) SetFloatingWidth(FResize->NewFloatingWidth);
    FResize.reset();
}

void TCustomToolbar::Paint() {
    TCustomToolWindow::Paint();
    if (Docked()) return;
    TCanvas* canvas = Canvas();
    for (const TLineSep& line : FLineSeparators) {
        if (line.Blank) continue;
        canvas->Pen()->SetColor(clBtnShadow);
        canvas->MoveTo(1, line.Y - 4);
        canvas->LineTo(ClientWidth() - 1, line.Y - 4);
        canvas->Pen()->SetColor(clBtnHighlight);
        canvas->MoveTo(1, line.Y - 3);
        canvas->LineTo(ClientWidth() - 1, line.Y - 3);
    }
}

void TCustomToolbar::WndProc(TMessage& m) {
    if (m.Msg == CM_CONTROLLISTCHANGE) {
        auto* control = reinterpret_cast<TControl*>(m.WParam);
        std::erase(FOrderList, control);
        if (m.LParam) {
            FOrderList.push_back(control);
            FOrderListDirty = true;
        }
    } else if (m.Msg == WM_WINDOWPOSCHANGING && Floating()) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
        if ((pos->flags & SWP_FRAMECHANGED) ||
            (!(pos->flags & SWP_NOSIZE) && (pos->cx != Width() || pos->cy != Height())))
            Invalidate();
    }
    TCustomToolWindow::WndProc(m);
}

// ---------------------------------------------------------------------------

TToolbarSep::TToolbarSep(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 6, 6);
}

void TToolbarSep::SetParent(TWinControl* parent) {
    if (parent && !dynamic_cast<TCustomToolbar*>(parent))
        throw EInvalidOperation(LoadToolbarString(STB97SepParentNotAllowed));
    TGraphicControl::SetParent(parent);
}

void TToolbarSep::SetBlank(bool value) {
    FBlank = value;
    Invalidate();
}

void TToolbarSep::SetSizeHorz(int value) {
    FSizeHorz = std::max(1, value);
    if (auto* bar = dynamic_cast<TCustomToolbar*>(Parent())) bar->ArrangeControls();
}

void TToolbarSep::SetSizeVert(int value) {
    FSizeVert = std::max(1, value);
    if (auto* bar = dynamic_cast<TCustomToolbar*>(Parent())) bar->ArrangeControls();
}

void TToolbarSep::Paint() {
    if (FBlank) return;
    TCanvas* canvas = Canvas();
    auto* bar = dynamic_cast<TCustomToolbar*>(Parent());
    const bool vertical = bar && GetDockTypeOf(bar->DockedTo()) == dtLeftRight;
    if (vertical) {
        canvas->Pen()->SetColor(clBtnShadow);
        canvas->MoveTo(0, Height() / 2 - 1);
        canvas->LineTo(Width(), Height() / 2 - 1);
        canvas->Pen()->SetColor(clBtnHighlight);
        canvas->MoveTo(0, Height() / 2);
        canvas->LineTo(Width(), Height() / 2);
    } else {
        canvas->Pen()->SetColor(clBtnShadow);
        canvas->MoveTo(Width() / 2 - 1, 0);
        canvas->LineTo(Width() / 2 - 1, Height());
        canvas->Pen()->SetColor(clBtnHighlight);
        canvas->MoveTo(Width() / 2, 0);
        canvas->LineTo(Width() / 2, Height());
    }
}

void TToolbarSep::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    // Toolbars are dragged by their separators too.
    // Straight to the bar's handler: a message to the bar would be routed to
    // this separator again.
    if (auto* bar = dynamic_cast<TCustomToolWindow*>(Parent())) bar->BarMouseDown(button, shift, x + Left(), y + Top());
}
