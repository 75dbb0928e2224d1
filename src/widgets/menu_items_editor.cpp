#include "widgets/menu_items_editor.h"

#include <memory>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/color_names.h"
#include "framework/extctrls.h"
#include "framework/menus.h"
#include "framework/open_dialog.h"
#include "framework/picture.h"
#include "framework/stdctrls.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/treeview.h"
#include "framework/win.h"
#include "framework/image_list.h"

namespace {

const char kCaption[] = "Menu Items Bitmaps";
const char kImageHint[] = "Double Click To Zoom";
const char kBitmapCaption[] = "Bitmap";
const char kClearCaption[] = "Clear";
const char kTransparentLabel[] = "Transparent Color:";
const char kConvertCaption[] = "Convert";
const char kDialogTitle[] = "Select Bitmap";
const char kDialogFilter[] = "Bitmap Files (*.bmp)|*.bmp|All Files (*.*)|*.*";
const char kPopupBitmap[] = "Bitmap...";
const char kPopupClear[] = "Clear";

constexpr int kTopLevelImage = 1;
constexpr int kItemImage = 2;
constexpr int kSeparatorImage = 3;

TFormZoom* gFormZoom = nullptr;

// Closing frees the zoom form, so it closes from a message of its own,
// never from inside the handler of a click or of its deactivation.
constexpr unsigned WM_CloseZoom = WM_USER + 1;

// The editor's pictures, their mask from the bottom-left colour.
void LoadTreeImages(TImageList* list) {
    TBitmap strip;
    HBITMAP handle = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), L"MENUITEMS_IMAGES", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!handle) return;
    strip.SetHandle(handle);
    list->Add(strip.Handle(), strip.MaskHandle());
}

}  // namespace

TFormZoom* CurrentFormZoom() {
    return gFormZoom;
}

// ---------------------------------------------------------------------------

TFormMenuItems::TFormMenuItems(TComponent* AOwner) : TForm(AOwner) {
    BuildForm([this] {
        SetCaption(kCaption);
        Position = poScreenCenter;
        // The client is 420 x 264 inside the sizeable frame and caption.
        SetBounds(0, 0, 420 + 2 * GetSystemMetrics(SM_CXFRAME),
                  264 + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
        ImageList1 = new TImageList(this, 16, 16);
        LoadTreeImages(ImageList1);

        PopupMenu1 = new TPopupMenu(this);
        auto* bitmapItem = new TMenuItem(PopupMenu1);
        bitmapItem->SetCaption(kPopupBitmap);
        bitmapItem->OnClick = Bind(this, &TFormMenuItems::ButtonBitmapClick);
        PopupMenu1->Items()->Add(bitmapItem);
        auto* clearItem = new TMenuItem(PopupMenu1);
        clearItem->SetCaption(kPopupClear);
        clearItem->OnClick = Bind(this, &TFormMenuItems::Limpiar1Click);
        PopupMenu1->Items()->Add(clearItem);

        TreeView = new TTreeView(this);
        TreeView->SetParent(this);
        TreeView->SetBounds(8, 8, 200, 248);
        TreeView->ReadOnly = true;
        TreeView->SetImages(ImageList1->Handle());
        TreeView->SetPopupMenu(PopupMenu1);
        TreeView->OnChange = Bind(this, &TFormMenuItems::TreeViewChange);

        Image = new TImage(this);
        Image->SetParent(this);
        Image->SetBounds(216, 8, 96, 96);
        Image->SetCenter(true);
        Image->SetEnabled(false);
        Image->Hint = kImageHint;
        Image->ShowHint = true;
        Image->OnDblClick = Bind(this, &TFormMenuItems::ImageDblClick);

        ButtonBitmap = new TButton(this);
        ButtonBitmap->SetParent(this);
        ButtonBitmap->SetBounds(320, 8, 92, 25);
        ButtonBitmap->SetCaption(kBitmapCaption);
        ButtonBitmap->OnClick = Bind(this, &TFormMenuItems::ButtonBitmapClick);
        ButtonClear = new TButton(this);
        ButtonClear->SetParent(this);
        ButtonClear->SetBounds(320, 40, 92, 25);
        ButtonClear->SetCaption(kClearCaption);
        ButtonClear->OnClick = Bind(this, &TFormMenuItems::Limpiar1Click);

        Label1 = new TLabel(this);
        Label1->SetParent(this);
        Label1->SetBounds(216, 114, 120, 13);
        Label1->SetCaption(kTransparentLabel);
        ComboBoxColor = new TComboBox(this);
        ComboBoxColor->SetParent(this);
        ComboBoxColor->SetBounds(216, 130, 196, 21);
        ComboBoxColor->OnChange = Bind(this, &TFormMenuItems::ComboBoxColorChange);
        CheckBoxConvert = new TCheckBox(this);
        CheckBoxConvert->SetParent(this);
        CheckBoxConvert->SetBounds(216, 160, 120, 17);
        CheckBoxConvert->SetCaption(kConvertCaption);
        CheckBoxConvert->SetChecked(true);

        ButtonOK = new TButton(this);
        ButtonOK->SetParent(this);
        ButtonOK->SetBounds(240, 231, 80, 25);
        ButtonOK->SetCaption("OK");
        ButtonOK->ModalResult = mrOk;
        ButtonOK->SetDefault(true);
        ButtonCancel = new TButton(this);
        ButtonCancel->SetParent(this);
        ButtonCancel->SetBounds(332, 231, 80, 25);
        ButtonCancel->SetCaption("Cancel");
        ButtonCancel->ModalResult = mrCancel;
        ButtonCancel->SetCancel(true);

        OpenDialog = new TOpenDialog(this);
        OpenDialog->Title = kDialogTitle;
        OpenDialog->Filter = kDialogFilter;
        OpenDialog->DefaultExt = "bmp";
        OpenDialog->Options = ofHideReadOnly | ofPathMustExist | ofFileMustExist;

        OnCreate = Bind(this, &TFormMenuItems::FormCreate);
        OnShow = Bind(this, &TFormMenuItems::FormShow);
        OnDestroy = Bind(this, &TFormMenuItems::FormDestroy);
    });
}

void TFormMenuItems::FormCreate(TObject*) {
    GetColorValues([this](const std::string& name) { ComboBoxColor->Items()->Add(name); });
}

void TFormMenuItems::FormShow(TObject*) {
    TreeView->FullExpand();
    if (TreeView->Count() > 0) TreeView->SetSelected(TreeView->Item(0));
    TreeViewChange(TreeView, TreeView->Selected());
}

void TFormMenuItems::FreeNodeData() {
    for (int i = 0; i < TreeView->Count(); ++i) {
        TTreeNode* node = TreeView->Item(i);
        delete static_cast<TMenuItemBitmap*>(node->Data);
        node->Data = nullptr;
    }
}

void TFormMenuItems::FormDestroy(TObject*) {
    FreeNodeData();
}

void TFormMenuItems::AddItems(TTreeNode* parent, TMenuItem* item, bool topLevel) {
    if (item->IsLine()) {
        TTreeNode* node = TreeView->AddChild(parent, "-");
        node->SetImageIndex(kSeparatorImage);
        return;
    }
    TTreeNode* node = TreeView->AddChild(parent, Format("%s: %s", item->Name().c_str(), item->Caption().c_str()));
    node->SetImageIndex(topLevel ? kTopLevelImage : kItemImage);
    auto entry = std::make_unique<TMenuItemBitmap>();
    entry->ItemName = item->Name();
    entry->MenuItem = item;
    node->Data = entry.release();
    for (int i = 0; i < item->Count(); ++i) AddItems(node, item->Items(i), false);
}

void TFormMenuItems::SetMainMenu(TMainMenu* menu) {
    if (menu == FMainMenu) return;
    FMainMenu = menu;
    FreeNodeData();
    TreeView->Clear();
    if (!menu) return;
    TMenuItem* items = menu->Items();
    for (int i = 0; i < items->Count(); ++i) AddItems(nullptr, items->Items(i), true);
}

int TFormMenuItems::GetCount() const {
    return TreeView->Count();
}

TMenuItemBitmap* TFormMenuItems::GetMenuItemBitmaps(int index) const {
    TTreeNode* node = TreeView->Item(index);
    return node ? static_cast<TMenuItemBitmap*>(node->Data) : nullptr;
}

TMenuItemBitmap* TFormMenuItems::SelectedEntry() const {
    TTreeNode* node = TreeView->Selected();
    return node ? static_cast<TMenuItemBitmap*>(node->Data) : nullptr;
}

void TFormMenuItems::ShowTransparentColor(TBitmap* bitmap) {
    ComboBoxColor->SetText(ColorToString(bitmap->TransparentColor()));
}

void TFormMenuItems::TreeViewChange(TObject*, TTreeNode* node) {
    TMenuItemBitmap* entry = node ? static_cast<TMenuItemBitmap*>(node->Data) : nullptr;
    ButtonBitmap->SetEnabled(entry != nullptr);
    ButtonClear->SetEnabled(entry != nullptr);
    const bool hasBitmap = entry && entry->Bitmap && !entry->Bitmap->Empty();
    if (hasBitmap) {
        Image->Picture()->Assign(entry->Bitmap.get());
        ShowTransparentColor(entry->Bitmap.get());
    } else {
        Image->Picture()->Assign(nullptr);
        ComboBoxColor->SetText("");
    }
    ComboBoxColor->SetEnabled(hasBitmap);
    Image->SetEnabled(hasBitmap);
}

void TFormMenuItems::ButtonBitmapClick(TObject*) {
    // The popup's item stays enabled: a separator or no selection is left alone.
    if (!SelectedEntry()) return;
    if (!OpenDialog->Execute()) return;
    TBitmap loaded;
    try {
        loaded.LoadFromFile(OpenDialog->FileName);
    } catch (const std::exception& e) {
        Application->ShowException(e);
        return;
    }
    Image->Picture()->Assign(&loaded);
    ShowTransparentColor(&loaded);
    ComboBoxColor->SetEnabled(true);
    Image->SetEnabled(true);
    FModified = true;
    SyncBitmap();
}

void TFormMenuItems::Limpiar1Click(TObject*) {
    TMenuItemBitmap* entry = SelectedEntry();
    if (!entry) return;
    FModified = true;
    Image->Picture()->Assign(nullptr);
    ComboBoxColor->SetText("");
    ComboBoxColor->SetEnabled(false);
    Image->SetEnabled(false);
    entry->Bitmap.reset();
}

void TFormMenuItems::ComboBoxColorChange(TObject*) {
    FModified = true;
    SyncBitmap();
}

void TFormMenuItems::SyncBitmap() {
    TMenuItemBitmap* entry = SelectedEntry();
    if (!entry) return;
    if (!entry->Bitmap) entry->Bitmap = std::make_unique<TBitmap>();
    TBitmap* bitmap = entry->Bitmap.get();
    bitmap->Assign(Image->Picture()->Bitmap());
    if (bitmap->Empty()) return;
    TColor wanted;
    try {
        wanted = StringToColor(ComboBoxColor->Text());
    } catch (const EConvertError&) {
        return;  // half typed: wait for a colour
    }
    const TColor color = ColorToRGB(wanted);
    TCanvas* canvas = bitmap->Canvas();
    const int bottom = bitmap->Height() - 1;
    const TColor old = canvas->Pixels(0, bottom);
    if (CheckBoxConvert->Checked())
        for (int y = 0; y < bitmap->Height(); ++y)
            for (int x = 0; x < bitmap->Width(); ++x)
                if (canvas->Pixels(x, y) == old) canvas->SetPixels(x, y, color);
    // The bottom-left pixel names the transparent colour.
    canvas->SetPixels(0, bottom, color);
    Image->Picture()->Assign(bitmap);
}

void TFormMenuItems::ImageDblClick(TObject*) {
    if (gFormZoom) return;
    auto* zoom = new TFormZoom(Application);
    gFormZoom = zoom;
    try {
        zoom->Image->Picture()->Assign(Image->Picture());
        const TPoint centre = Image->ClientToScreen({Image->Width() / 2, Image->Height() / 2});
        zoom->SetBounds(centre.X - zoom->Width() / 2, centre.Y - zoom->Height() / 2, zoom->Width(), zoom->Height());
        zoom->Show();
    } catch (...) {
        TObject::Free(zoom);
        throw;
    }
}

void TFormMenuItems::WndProc(TMessage& m) {
    if (m.Msg == WM_GETMINMAXINFO) {
        TForm::WndProc(m);
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        info->ptMinTrackSize = {332, 130};
        return;
    }
    TForm::WndProc(m);
}

// ---------------------------------------------------------------------------

TFormZoom::TFormZoom(TComponent* AOwner) : TForm(AOwner) {
    BuildForm([this] {
        SetBorderStyle(bsNone);
        SetClientWidth(120);
        SetClientHeight(120);
        Panel1 = new TPanel(this);
        Panel1->SetParent(this);
        Panel1->SetAlign(alClient);
        Panel1->SetBorderWidth(5);
        Panel1->OnClick = Bind(this, &TFormZoom::ImageClick);
        Image = new TImage(this);
        Image->SetParent(Panel1);
        Image->SetAlign(alClient);
        Image->SetStretch(true);
        Image->OnClick = Bind(this, &TFormZoom::ImageClick);
        OnDeactivate = Bind(this, &TFormZoom::FormDeactivate);
        OnClose = Bind(this, &TFormZoom::FormClose);
        OnDestroy = Bind(this, &TFormZoom::FormDestroy);
    });
}

void TFormZoom::ImageClick(TObject*) {
    if (HandleAllocated()) PostMessageW(Handle(), WM_CloseZoom, 0, 0);
}

void TFormZoom::FormDeactivate(TObject*) {
    if (HandleAllocated()) PostMessageW(Handle(), WM_CloseZoom, 0, 0);
}

void TFormZoom::WndProc(TMessage& m) {
    if (m.Msg == WM_CloseZoom) {
        Close();  // frees this form: nothing may follow
        return;
    }
    TForm::WndProc(m);
}

void TFormZoom::FormClose(TObject*, TCloseAction& action) {
    action = caFree;
}

void TFormZoom::FormDestroy(TObject*) {
    // The editor opens a new one next time.
    if (gFormZoom == this) gFormZoom = nullptr;
}
