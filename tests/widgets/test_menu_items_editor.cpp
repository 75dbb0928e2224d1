#include <gtest/gtest.h>

#include <string>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/color_names.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/open_dialog.h"
#include "framework/picture.h"
#include "framework/stdctrls.h"
#include "framework/treeview.h"
#include "framework/win.h"
#include "support/test_support.h"
#include "timed_steps.h"
#include "widgets/menu_items_editor.h"

using namespace widget_tests;

namespace {

std::string A(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::RecordMessageBoxes();
        testing_support::ShownMessageBoxes().clear();
        owner = new TForm(nullptr);
        menu = new TMainMenu(owner);
        TMenuItem* file = Item(menu->Items(), "FileMenu", A("Файл"));
        Item(file, "OpenItem", A("Открыть"));
        Item(file, "Sep1", "-");
        TMenuItem* recent = Item(file, "RecentItem", A("Недавние"));
        Item(recent, "FirstRecent", A("Первый"));
        Item(menu->Items(), "HelpMenu", A("Помощь"));
        editor = new TFormMenuItems(nullptr);
    }
    void TearDown() override {
        open_dialog_seams::Reset();
        TObject::Free(editor);
        TObject::Free(owner);
        Pump(50);
    }
    TMenuItem* Item(TMenuItem* parent, const std::string& name, const std::string& caption) {
        auto* item = new TMenuItem(owner);
        item->SetName(name);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    }
    TTreeNode* Node(const std::string& text) {
        for (int i = 0; i < editor->TreeView->Count(); ++i)
            if (editor->TreeView->Item(i)->Text() == text) return editor->TreeView->Item(i);
        return nullptr;
    }
    // A red square (bottom-left too) with a blue pixel at (1, 1), or a blue
    // square in the middle of a bigger one.
    std::string WriteBitmap(const std::string& name, int size = 4) {
        TBitmap b;
        b.SetPixelFormat(pf24bit);
        b.SetSize(size, size);
        b.Canvas()->Brush()->SetColor(clRed);
        b.Canvas()->FillRect(Rect(0, 0, size, size));
        b.Canvas()->SetPixels(1, 1, clBlue);
        b.Canvas()->Brush()->SetColor(clBlue);
        if (size > 8) b.Canvas()->FillRect(Rect(size / 4, size / 4, size * 3 / 4, size * 3 / 4));
        b.SaveToFile(name);
        return name;
    }
    void ChooseFile(const std::string& name) {
        open_dialog_seams::ChooseOpenFile = [name](void* data) {
            auto* ofn = static_cast<OPENFILENAMEW*>(data);
            const std::wstring wide = AnsiToWide(name);
            wide.copy(ofn->lpstrFile, wide.size());
            ofn->lpstrFile[wide.size()] = 0;
            return true;
        };
    }
    TForm* owner = nullptr;
    TMainMenu* menu = nullptr;
    TFormMenuItems* editor = nullptr;
};

TEST_F(EditorTest, TheTreeFollowsTheMenu) {
    editor->SetMainMenu(menu);
    struct Case {
        const char* text;
        int image;
        bool data;
    } cases[] = {
        {"FileMenu: Файл", 1, true},       {"OpenItem: Открыть", 2, true},   {"-", 3, false},
        {"RecentItem: Недавние", 2, true}, {"FirstRecent: Первый", 2, true}, {"HelpMenu: Помощь", 1, true},
    };
    ASSERT_EQ(editor->GetCount(), 6);
    for (int i = 0; i < 6; ++i) {
        TTreeNode* node = editor->TreeView->Item(i);
        EXPECT_EQ(node->Text(), A(cases[i].text)) << i;
        EXPECT_EQ(node->ImageIndex(), cases[i].image) << i;
        EXPECT_EQ(editor->GetMenuItemBitmaps(i) != nullptr, cases[i].data) << i;
    }
    EXPECT_EQ(Node(A("FirstRecent: Первый"))->Parent(), Node(A("RecentItem: Недавние")));
    EXPECT_EQ(editor->GetMenuItemBitmaps(1)->MenuItem->Name(), "OpenItem");

    // Another menu replaces the nodes (and frees the first one's entries).
    auto* other = new TMainMenu(owner);
    Item(other->Items(), "Only", "Only");
    editor->SetMainMenu(other);
    ASSERT_EQ(editor->GetCount(), 1);
    EXPECT_EQ(editor->GetMenuItemBitmaps(0)->MenuItem->Name(), "Only");
}

TEST_F(EditorTest, ABitmapFromTheDialogAndSyncBitmap) {
    testing_support::TempWorkDir dir;
    editor->SetMainMenu(menu);
    editor->Show();
    Pump();
    ASSERT_EQ(editor->TreeView->Selected(), editor->TreeView->Item(0));
    EXPECT_FALSE(editor->ComboBoxColor->Enabled());
    ChooseFile(WriteBitmap(dir.Path() + "\\" + A("картинка.bmp")));
    editor->CheckBoxConvert->SetChecked(false);
    editor->ButtonBitmapClick(nullptr);
    EXPECT_TRUE(editor->Modified());
    EXPECT_TRUE(editor->ComboBoxColor->Enabled());
    EXPECT_EQ(editor->ComboBoxColor->Text(), "clRed");
    TMenuItemBitmap* entry = editor->GetMenuItemBitmaps(0);
    ASSERT_TRUE(entry->Bitmap);

    // Without Convert only the bottom-left pixel takes the colour.
    editor->ComboBoxColor->SetText("clLime");
    editor->ComboBoxColorChange(nullptr);
    TCanvas* c = entry->Bitmap->Canvas();
    EXPECT_EQ(c->Pixels(0, 3), clLime);
    EXPECT_EQ(c->Pixels(2, 2), clRed);
    EXPECT_EQ(c->Pixels(1, 1), clBlue);
    // With it, every pixel of the old bottom-left colour does.
    editor->CheckBoxConvert->SetChecked(true);
    editor->ComboBoxColor->SetText("clYellow");
    editor->ComboBoxColorChange(nullptr);
    c = entry->Bitmap->Canvas();
    EXPECT_EQ(c->Pixels(0, 3), clYellow);
    EXPECT_EQ(c->Pixels(2, 2), clRed);  // it was red, the old corner lime
    editor->ComboBoxColor->SetText("clAqua");
    editor->ComboBoxColorChange(nullptr);
    EXPECT_EQ(entry->Bitmap->Canvas()->Pixels(0, 3), clAqua);

    // "Clear" frees the bitmap (and the form's end does not free it again).
    editor->Limpiar1Click(nullptr);
    EXPECT_FALSE(entry->Bitmap);
    EXPECT_FALSE(editor->ComboBoxColor->Enabled());
}

TEST_F(EditorTest, SeparatorsAndBadFilesChangeNothing) {
    testing_support::TempWorkDir dir;
    editor->SetMainMenu(menu);
    editor->Show();
    Pump();
    editor->TreeView->SetSelected(Node("-"));
    Pump();
    EXPECT_FALSE(editor->ButtonBitmap->Enabled());
    int dialogs = 0;
    open_dialog_seams::ChooseOpenFile = [&](void*) {
        ++dialogs;
        return false;
    };
    editor->Limpiar1Click(nullptr);
    editor->ButtonBitmapClick(nullptr);
    editor->SyncBitmap();
    EXPECT_FALSE(editor->Modified());
    EXPECT_EQ(dialogs, 0);

    // Not a bitmap: the framework's error, nothing else.
    editor->TreeView->SetSelected(editor->TreeView->Item(0));
    Pump();
    testing_support::WriteFileBytes("text.bmp", "not a picture");
    ChooseFile(dir.Path() + "\\text.bmp");
    editor->ButtonBitmapClick(nullptr);
    EXPECT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_FALSE(editor->Modified());
    EXPECT_FALSE(editor->GetMenuItemBitmaps(0)->Bitmap);
    EXPECT_TRUE(editor->Image->Picture()->Bitmap()->Empty());
}

TEST_F(EditorTest, MinimumTrackingSize) {
    MINMAXINFO info{};
    SendMessageW(editor->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 332);
    EXPECT_EQ(info.ptMinTrackSize.y, 130);
}

TEST_F(EditorTest, ZoomOpensClosesByDeactivationAndOpensAgain) {
    testing_support::TempWorkDir dir;
    editor->SetMainMenu(menu);
    auto* picture = new TBitmap;
    picture->LoadFromFile(WriteBitmap("first.bmp", 48));
    editor->GetMenuItemBitmaps(0)->Bitmap.reset(picture);
    editor->Show();
    SetForegroundWindow(editor->Handle());
    Pump();
    EXPECT_EQ(editor->ComboBoxColor->Text(), "clRed");
    RECT r;
    GetWindowRect(editor->Handle(), &r);
    SaveScreenshot("editor", {r.left, r.top, r.right, r.bottom});

    for (int round = 0; round < 2; ++round) {
        editor->ImageDblClick(nullptr);
        Pump();
        TFormZoom* zoom = CurrentFormZoom();
        ASSERT_NE(zoom, nullptr) << round;
        EXPECT_TRUE(IsWindowVisible(zoom->Handle()));
        EXPECT_EQ(zoom->ClientWidth(), 120);
        if (round == 0) SaveScreenshot("zoom", {r.left, r.top, r.right, r.bottom});
        SetActiveWindow(editor->Handle());
        Pump(200);
        EXPECT_EQ(CurrentFormZoom(), nullptr) << round;
    }
}

TEST(ColorNames, NamesAndNumbers) {
    EXPECT_EQ(ColorToString(clRed), "clRed");
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(0x123456), "$00123456");
    EXPECT_EQ(StringToColor("CLLIME"), clLime);
    EXPECT_EQ(StringToColor("$000000FF"), clRed);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_THROW(StringToColor("nonsense"), EConvertError);
    EXPECT_THROW(StringToColor(""), EConvertError);
    int count = 0;
    GetColorValues([&](const std::string&) { ++count; });
    EXPECT_EQ(count, static_cast<int>(ColorNames().size()));
}

}  // namespace
