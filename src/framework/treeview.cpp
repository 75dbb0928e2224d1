#include "framework/treeview.h"

#include <algorithm>

#include "framework/cp1251.h"
#include "framework/win.h"

#include <commctrl.h>

void TTreeNode::SetText(const std::string& text) {
    FText = text;
    FOwner->UpdateItem(this);
}

void TTreeNode::SetImageIndex(int index) {
    if (FSelectedIndex == FImageIndex) FSelectedIndex = index;
    FImageIndex = index;
    FOwner->UpdateItem(this);
}

void TTreeNode::SetSelectedIndex(int index) {
    FSelectedIndex = index;
    FOwner->UpdateItem(this);
}

int TTreeNode::AbsoluteIndex() const {
    std::vector<TTreeNode*> order;
    for (TTreeNode* root : FOwner->FRoots) FOwner->AppendInOrder(root, order);
    auto it = std::find(order.begin(), order.end(), this);
    return it == order.end() ? -1 : static_cast<int>(it - order.begin());
}

TTreeView::TTreeView(TComponent* AOwner) : TWinControl(AOwner) {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&init);
    FWidth = 121;
    FHeight = 97;
    TabStop = true;
    FParentColor = false;
    FColor = clWindow;
}

TTreeView::~TTreeView() = default;

void TTreeView::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = WC_TREEVIEWW;
    p.Style |= TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    if (!ReadOnly) p.Style |= TVS_EDITLABELS;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::CreateHandleDone() {
    TWinControl::CreateHandleDone();
    if (FImages) SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FImages));
    std::vector<TTreeNode*> order;
    for (TTreeNode* root : FRoots) AppendInOrder(root, order);
    for (TTreeNode* node : order) InsertItem(node);
    if (FExpandAll) FullExpand();
    if (FSelected) SetSelected(FSelected);
}

void TTreeView::DestroyingHandle() {
    for (auto& node : FNodes) node->FItem = nullptr;
}

void TTreeView::AppendInOrder(TTreeNode* node, std::vector<TTreeNode*>& out) const {
    out.push_back(node);
    for (TTreeNode* child : node->FChildren) AppendInOrder(child, out);
}

TTreeNode* TTreeView::Item(int index) const {
    std::vector<TTreeNode*> order;
    for (TTreeNode* root : FRoots) AppendInOrder(root, order);
    return index >= 0 && index < static_cast<int>(order.size()) ? order[static_cast<size_t>(index)] : nullptr;
}

TTreeNode* TTreeView::NodeOf(_TREEITEM* item) const {
    for (const auto& node : FNodes)
        if (node->FItem == item) return node.get();
    return nullptr;
}

void TTreeView::InsertItem(TTreeNode* node) {
    if (!FHandle) return;
    const std::wstring text = AnsiToWide(node->FText);
    TVINSERTSTRUCTW insert{};
    insert.hParent = node->FParent ? node->FParent->FItem : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = node->FImageIndex;
    insert.item.iSelectedImage = node->FSelectedIndex;
    node->FItem = reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TTreeView::UpdateItem(TTreeNode* node) {
    if (!FHandle || !node->FItem) return;
    const std::wstring text = AnsiToWide(node->FText);
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = node->FItem;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = node->FImageIndex;
    item.iSelectedImage = node->FSelectedIndex;
    SendMessageW(FHandle, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

TTreeNode* TTreeView::AddChild(TTreeNode* parent, const std::string& text) {
    auto node = std::make_unique<TTreeNode>();
    node->FOwner = this;
    node->FParent = parent;
    node->FText = text;
    TTreeNode* raw = node.get();
    FNodes.push_back(std::move(node));
    if (parent) parent->FChildren.push_back(raw);
    else FRoots.push_back(raw);
    InsertItem(raw);
    return raw;
}

void TTreeView::Clear() {
    FClearing = true;
    if (FHandle) SendMessageW(FHandle, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    FClearing = false;
    FSelected = nullptr;
    FRoots.clear();
    FNodes.clear();
    FExpandAll = false;
}

void TTreeView::FullExpand() {
    FExpandAll = true;
    if (!FHandle) return;
    for (const auto& node : FNodes)
        if (node->FItem && !node->FChildren.empty())
            SendMessageW(FHandle, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node->FItem));
}

void TTreeView::SetSelected(TTreeNode* node) {
    FSelected = node;
    if (FHandle) SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->FItem : nullptr));
}

void TTreeView::SetImages(_IMAGELIST* images) {
    FImages = images;
    if (FHandle) SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

void TTreeView::WndProc(TMessage& m) {
    if (m.Msg == CN_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
        if (header->code == TVN_SELCHANGEDW && !FClearing) {
            const auto* change = reinterpret_cast<const NMTREEVIEWW*>(m.LParam);
            FSelected = NodeOf(change->itemNew.hItem);
            if (OnChange && EventsEnabled()) OnChange(this, FSelected);
        }
        return;
    }
    TWinControl::WndProc(m);
}
