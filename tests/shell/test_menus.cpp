#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "shell/about.h"
#include "shell/main_form.h"
#include "support/test_support.h"
#include "widgets/menu_bar.h"

namespace {

class ShellMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::CopySampleDictionary());
        form = new TForm1(Application);
    }
    void TearDown() override { TObject::Free(form); }

    std::vector<std::string> Captions(TMenuItem* parent) {
        std::vector<std::string> out;
        for (int i = 0; i < parent->Count(); ++i) out.push_back(AnsiToUtf8(parent->Items(i)->Caption()));
        return out;
    }
    TMenuItem* Find(TMenuItem* parent, const std::string& utf8) {
        for (int i = 0; i < parent->Count(); ++i)
            if (AnsiToUtf8(parent->Items(i)->Caption()) == utf8) return parent->Items(i);
        return nullptr;
    }

    testing_support::TempWorkDir dir;
    TForm1* form = nullptr;
};

TEST_F(ShellMenusTest, CaptionsAndShortcutsStandAsTheProgramShowsThem) {
    // The menu bar took the main menu's items: its buttons and their drop-downs.
    EXPECT_EQ(form->MainMenu1->Items()->Count(), 0);
    std::vector<std::string> buttons;
    for (int i = 0; i < form->MenuBar1->ControlCount(); ++i)
        buttons.push_back(AnsiToUtf8(form->MenuBar1->Controls(i)->Caption()));
    EXPECT_EQ(buttons, (std::vector<std::string>{"Файл", "Правка", "  Поиск ", "Сервис", "Помощь"}));
    TMenuItem* file = form->MenuBar1->GetPopups(0)->Items();
    EXPECT_EQ(Captions(file),
              (std::vector<std::string>{"Загрузить словарь...", "-", "Печать ...", "-", "Выход"}));
    EXPECT_FALSE(file->Items(0)->Visible());
    EXPECT_FALSE(file->Items(1)->Visible());
    EXPECT_EQ(ShortCutToText(Find(form->MenuBar1->GetPopups(1)->Items(), "Выделить все")->GetShortCut()), "Ctrl+A");

    TMenuItem* popup = form->PopupMenu1->Items();
    EXPECT_EQ(Captions(popup),
              (std::vector<std::string>{"Поиск   ", "-", "Копировать", "Выделить все", "-", "Печать..."}));
    EXPECT_EQ(Captions(popup->Items(0)), (std::vector<std::string>{"Среди терминов", "В словарной статье"}));
    EXPECT_EQ(ShortCutToText(popup->Items(0)->Items(0)->GetShortCut()), "Ctrl+F");
    EXPECT_EQ(ShortCutToText(popup->Items(5)->GetShortCut()), "Ctrl+P");
    EXPECT_TRUE(form->PopupMenu1->OwnerDraw());
    EXPECT_TRUE(static_cast<bool>(popup->Items(0)->Items(1)->OnDrawItem));
}

TEST_F(ShellMenusTest, MeasuringUsesTheMenuFontAndAddsRoomForTheShortcut) {
    owned_ptr<TBitmap> bitmap(new TBitmap);
    bitmap->SetSize(10, 10);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Font()->Assign(form->MenuFont.get());
    const int textHeight = canvas->TextHeight(std::string("HHH"));

    TMenuItem* plain = Find(form->MenuBar1->GetPopups(0)->Items(), "Выход");
    int width = 0, height = 0;
    form->MenuBar1AllMeasureItem(plain, canvas, width, height);
    EXPECT_EQ(width, canvas->TextWidth(plain->Caption()));  // exactly as wide as its caption
    EXPECT_EQ(height, textHeight + 4);

    TMenuItem* withKey = form->PopupMenu1->Items()->Items(5);
    form->MenuBar1AllMeasureItem(withKey, canvas, width, height);
    EXPECT_EQ(width, canvas->TextWidth(withKey->Caption()) + canvas->TextWidth(std::string("\tCtrl+P")) + 20);
}

TEST_F(ShellMenusTest, ItemsAndSeparatorsAreDrawnInTheSchemeColours) {
    owned_ptr<TBitmap> bitmap(new TBitmap);
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(120, 21);
    TCanvas* canvas = bitmap->Canvas();
    const TRect r = Rect(0, 0, 120, 21);

    TMenuItem* copy = form->PopupMenu1->Items()->Items(2);
    form->MenuBar1AllDrawItem(copy, canvas, r, false);
    EXPECT_EQ(canvas->Pixels(119, 0), ColorToRGB(form->MenuBackColor));
    form->MenuBar1AllDrawItem(copy, canvas, r, true);
    EXPECT_EQ(canvas->Pixels(119, 0), ColorToRGB(form->MenuSelBackColor));

    form->SeparatorColor1 = 0x0000FF;
    form->SeparatorColor2 = 0x00FF00;
    form->SeparatorColor3 = 0xFF0000;
    TMenuItem* line = form->PopupMenu1->Items()->Items(1);
    form->MenuBar1AllDrawItem(line, canvas, r, false);
    const int mid = 10;
    EXPECT_EQ(canvas->Pixels(60, mid - 3), 0x0000FF);
    EXPECT_EQ(canvas->Pixels(60, mid), 0x00FF00);
    EXPECT_EQ(canvas->Pixels(60, mid + 2), 0xFF0000);
    EXPECT_EQ(canvas->Pixels(60, mid + 6), ColorToRGB(form->MenuBackColor));
    EXPECT_EQ(canvas->Pixels(0, mid), ColorToRGB(form->MenuBackColor));  // lines start at left + 2
}

// What the open "Файл" drop-down showed, read inside its menu loop.
struct DropDownShot {
    HMENU menu = nullptr;
    TColor selectedPixel = 0;
    bool taken = false;
    std::string file;
};
DropDownShot gShot;

void CALLBACK TakeDropDownShot(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    RECT item{};
    if (GetMenuItemRect(nullptr, gShot.menu, 0, &item)) {
        owned_ptr<TBitmap> shot(new TBitmap);
        shot->SetPixelFormat(pf24bit);
        shot->SetSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        HDC screen = GetDC(nullptr);
        BitBlt(shot->Canvas()->Handle(), 0, 0, shot->Width(), shot->Height(), screen, 0, 0, SRCCOPY);
        ReleaseDC(nullptr, screen);
        gShot.selectedPixel = shot->Canvas()->Pixels(item.right - 3, item.top + 1);
        shot->SaveToFile(gShot.file);
        gShot.taken = true;
    }
    EndMenu();
}

TEST_F(ShellMenusTest, FileDropDownOpensOwnerDrawnInTheSchemeColours) {
    form->Show();
    SetForegroundWindow(form->Handle());
    Application->ProcessMessages();
    if (GetForegroundWindow() != form->Handle()) GTEST_SKIP() << "the window is not in the foreground";
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string dir = WideToAnsi(exe);
    dir.erase(dir.find_last_of("\\/") + 1);
    gShot = {};
    gShot.menu = form->MenuBar1->GetPopups(0)->Handle();
    gShot.file = dir + "file_dropdown.bmp";
    auto press = [](BYTE key) {
        keybd_event(key, static_cast<BYTE>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), 0, 0);
        keybd_event(key, static_cast<BYTE>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP, 0);
    };
    press(VK_MENU);
    for (int i = 0; i < 10; ++i) {
        Application->ProcessMessages();
        Sleep(10);
    }
    SetTimer(nullptr, 0, 400, TakeDropDownShot);
    press(VK_DOWN);
    for (int i = 0; i < 100 && !gShot.taken; ++i) {
        Application->ProcessMessages();
        Sleep(10);
    }
    ASSERT_TRUE(gShot.taken);
    // The first visible item, "Печать ...", is selected and drawn in the scheme's selection colour.
    EXPECT_EQ(gShot.selectedPixel, ColorToRGB(form->MenuSelBackColor));
}

TEST_F(ShellMenusTest, TheAboutIconHidesTheDeveloperBoxAtItsCorner) {
    owned_ptr<TAbout> about(new TAbout(form));
    EXPECT_EQ(AnsiToUtf8(about->Caption()), "О Программе");
    EXPECT_EQ(AnsiToUtf8(about->OKButton->Caption()), "ОК");
    EXPECT_EQ(about->Image1->Width(), 39);
    EXPECT_EQ(about->Image1->Height(), 37);

    // The developer box is modal: a timer closes it and says it was there.
    std::vector<std::string> opened;
    owned_ptr<TTimer> closer(new TTimer(nullptr));
    closer->SetInterval(20);
    closer->SetOnTimer([&](TObject*) {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto* box = dynamic_cast<TMy*>(Screen->Forms(i)); box && box->Visible()) {
                opened.push_back(AnsiToUtf8(box->Caption()));
                box->ModalResult = mrOk;
            }
    });
    about->Image1MouseDown(about->Image1, mbLeft, 0, 7, 10);
    about->Image1MouseDown(about->Image1, mbRight, 0, 3, 6);
    about->Image1MouseDown(about->Image1, mbLeft, 0, 8, 8);
    about->Image1MouseDown(about->Image1, mbLeft, 0, 5, 11);
    EXPECT_EQ(opened, (std::vector<std::string>{"Разработчик", "Разработчик"}));
}

TEST_F(ShellMenusTest, ExitClosesTheWindow) {
    form->Show();
    form->N23Click(form);
    EXPECT_FALSE(form->Visible());
}

}  // namespace
