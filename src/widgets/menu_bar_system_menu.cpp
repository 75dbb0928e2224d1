// The menu bar's system-menu image: an icon at the left end of the bar that
// pops up the bar's system menu, reached by the mouse and, in menu mode, by
// the arrow keys like the option buttons.
#include "framework/extctrls.h"
#include "framework/picture.h"
#include "framework/win.h"
#include "widgets/menu_bar.h"

void TMenuBar::SetSystemMenuIcon(TIcon* icon) {
    if (icon)
        FSystemMenuIcon->Assign(icon);
    else
        FSystemMenuIcon = std::make_unique<TIcon>();
}

void TMenuBar::AddSystemMenuImage() {
    if (FSystemMenuIcon->Empty() || FIconImage) return;
    auto* image = new TImage(this);
    image->SetBounds(0, 0, 17, 16);
    image->SetCenter(true);
    image->Picture()->SetGraphic(FSystemMenuIcon.get());
    image->OnClick = [this](TObject* sender) { IconImageClick(sender); };
    image->SetParent(this);
    FIconImage = image;
}

void TMenuBar::IconImageClick(TObject*) {
    if (ControlCount() == 0) return;
    TControl* first = Controls(0);
    FCurrentIndex = 0;
    FCurrentControl = first;
    if (!PopupMenuSystemMenu) return;
    const TPoint at = first->Parent()->ClientToScreen({first->Left(), first->Top() + first->Height() + 3});
    PopupMenuSystemMenu->Popup(at.X, at.Y);
    // The image has no highlighted look: once its menu is gone, it stays
    // current only in menu mode kept by the keyboard (the bar holding the
    // focus). Otherwise the next Down anywhere on the form would open the
    // system menu again.
    if (!FMenuMode || !HandleAllocated() || GetFocus() != Handle()) LeaveMenuMode();
}
