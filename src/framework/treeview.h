// A tree view over the common-controls library: nodes with a text, an image
// and caller data, kept by the control so that they outlive its window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"

struct _TREEITEM;
struct _IMAGELIST;

class TTreeView;

class TTreeNode {
public:
    const std::string& Text() const { return FText; }  // code page 1251
    void SetText(const std::string& text);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int index);
    // The image while selected (the same as ImageIndex unless set).
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int index);
    void* Data = nullptr;

    TTreeNode* Parent() const { return FParent; }
    int Count() const { return static_cast<int>(FChildren.size()); }
    TTreeNode* Item(int index) const { return FChildren.at(static_cast<size_t>(index)); }
    // Place in the whole tree, top to bottom with every node expanded.
    int AbsoluteIndex() const;
    TTreeView* TreeView() const { return FOwner; }
    _TREEITEM* ItemId() const { return FItem; }

private:
    friend class TTreeView;
    TTreeView* FOwner = nullptr;
    TTreeNode* FParent = nullptr;
    std::vector<TTreeNode*> FChildren;
    std::string FText;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    _TREEITEM* FItem = nullptr;
};

using TTVChangedEvent = TEvent<TTreeNode* /*Node*/>;

class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* AOwner);
    ~TTreeView() override;

    // Appended after the parent's last child (a top-level node for nullptr).
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    void Clear();
    int Count() const { return static_cast<int>(FNodes.size()); }
    // By AbsoluteIndex.
    TTreeNode* Item(int index) const;
    void FullExpand();
    TTreeNode* Selected() const { return FSelected; }
    void SetSelected(TTreeNode* node);
    bool ReadOnly = true;
    // The image list the node images come from (not owned).
    void SetImages(_IMAGELIST* images);
    TTVChangedEvent OnChange;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyingHandle() override;

private:
    friend class TTreeNode;
    void InsertItem(TTreeNode* node);
    void UpdateItem(TTreeNode* node);
    void AppendInOrder(TTreeNode* node, std::vector<TTreeNode*>& out) const;
    TTreeNode* NodeOf(_TREEITEM* item) const;

    std::vector<std::unique_ptr<TTreeNode>> FNodes;  // in creation order
    std::vector<TTreeNode*> FRoots;
    TTreeNode* FSelected = nullptr;
    _IMAGELIST* FImages = nullptr;
    bool FExpandAll = false;
    bool FClearing = false;
};
