// Two forms that come with the menu bar: the editor of a main menu's
// per-item bitmaps and the form that shows one bitmap enlarged.
#pragma once

#include <string>

#include "framework/forms.h"
#include "widgets/menu_bar.h"

class TButton;
class TCheckBox;
class TComboBox;
class TImage;
class TImageList;
class TLabel;
class TMainMenu;
class TOpenDialog;
class TPanel;
class TPopupMenu;
class TTreeNode;
class TTreeView;

class TFormMenuItems : public TForm {
public:
    explicit TFormMenuItems(TComponent* AOwner);

    TTreeView* TreeView = nullptr;
    TImage* Image = nullptr;
    TButton* ButtonBitmap = nullptr;
    TButton* ButtonClear = nullptr;
    TLabel* Label1 = nullptr;
    TComboBox* ComboBoxColor = nullptr;
    TCheckBox* CheckBoxConvert = nullptr;
    TButton* ButtonOK = nullptr;
    TButton* ButtonCancel = nullptr;
    TOpenDialog* OpenDialog = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TImageList* ImageList1 = nullptr;

    TMainMenu* MainMenu() const { return FMainMenu; }
    void SetMainMenu(TMainMenu* menu);
    bool Modified() const { return FModified; }
    int GetCount() const;
    // The node's item and bitmap; nullptr for a separator.
    TMenuItemBitmap* GetMenuItemBitmaps(int index) const;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void TreeViewChange(TObject* Sender, TTreeNode* Node);
    void ButtonBitmapClick(TObject* Sender);
    void Limpiar1Click(TObject* Sender);
    void ComboBoxColorChange(TObject* Sender);
    void ImageDblClick(TObject* Sender);
    void SyncBitmap();

    void WndProc(TMessage& message) override;

private:
    void AddItems(TTreeNode* parent, TMenuItem* item, bool topLevel);
    void FreeNodeData();
    // The selected node's entry, or nullptr for a separator or no selection.
    TMenuItemBitmap* SelectedEntry() const;
    void ShowTransparentColor(TBitmap* bitmap);

    TMainMenu* FMainMenu = nullptr;
    bool FModified = false;
};

class TFormZoom : public TForm {
public:
    explicit TFormZoom(TComponent* AOwner);

    TPanel* Panel1 = nullptr;
    TImage* Image = nullptr;

    void ImageClick(TObject* Sender);
    void FormDeactivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& action);
    void FormDestroy(TObject* Sender);
    void WndProc(TMessage& message) override;
};

// The zoom form open now (it frees itself on closing), or nullptr.
TFormZoom* CurrentFormZoom();
