#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/dialogs.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/printers.h"
#include "framework/strings.h"
#include "framework/win.h"
#include "support/test_support.h"

#include <dlgs.h>

namespace {

std::string A(const char* utf8) { return Utf8ToAnsi(utf8); }

// Puts the real COMDLG32 calls back when a test that replaced them ends.
struct TSeamGuard {
    ~TSeamGuard() { dialog_seams::Reset(); }
};

// Ends the first common dialog of this thread that is open when the timer fires.
void CALLBACK CancelDialogTimer(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(wnd, name, 16);
            if (std::wstring(name) != L"#32770" || !IsWindowVisible(wnd)) return TRUE;
            PostMessageW(wnd, WM_COMMAND, IDCANCEL, 0);
            return FALSE;
        },
        0);
    KillTimer(nullptr, id);
}

class DialogFind : public testing::Test {
protected:
    void SetUp() override {
        dialog = new TFindDialog(Application);
        dialog->Options = frDown | frHideMatchCase;
        dialog->FindText = A("термин");
        dialog->OnFind = [this](TObject*) {
            found.push_back({dialog->FindText, dialog->Options});
        };
        dialog->OnClose = [this](TObject*) { ++closed; };
    }
    void TearDown() override { TObject::Free(dialog); }

    struct Found {
        std::string text;
        TFindOptions options;
    };
    TFindDialog* dialog = nullptr;
    std::vector<Found> found;
    int closed = 0;
};

TEST_F(DialogFind, FindNextReportsTheTextAndOptionsTheUserChose) {
    ASSERT_TRUE(dialog->Execute());
    HWND window = dialog->Handle();
    ASSERT_TRUE(IsWindow(window));
    // The dialog starts with our text and hides what the options hide.
    wchar_t text[64] = {};
    GetDlgItemTextW(window, edt1, text, 64);
    EXPECT_EQ(std::wstring(text), Utf8ToWide("термин"));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, chx2)));

    struct Step {
        const char* text;
        bool wholeWord;
        bool up;
        TFindOptions expected;
    };
    const Step steps[] = {
        {"словарь", false, false, frDown | frFindNext},
        {"СЛОВО", true, false, frDown | frWholeWord | frFindNext},
        {"abc", true, true, frWholeWord | frFindNext},
    };
    for (const auto& s : steps) {
        found.clear();
        SetDlgItemTextW(window, edt1, Utf8ToWide(s.text).c_str());
        CheckDlgButton(window, chx1, s.wholeWord ? BST_CHECKED : BST_UNCHECKED);
        CheckRadioButton(window, rad1, rad2, s.up ? rad1 : rad2);
        SendMessageW(window, WM_COMMAND, IDOK, 0);
        ASSERT_EQ(found.size(), 1u) << s.text;
        EXPECT_EQ(found[0].text, A(s.text));
        EXPECT_EQ(found[0].options, s.expected | frHideMatchCase) << s.text;
    }

    dialog->CloseDialog();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(dialog->Handle(), nullptr);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(DialogFind, EnterInTheModelessDialogReachesItThroughTheMessageLoop) {
    ASSERT_TRUE(dialog->Execute());
    HWND edit = GetDlgItem(dialog->Handle(), edt1);
    SetFocus(edit);
    // Only dialog-message handling in the program's loop turns Enter in the
    // edit box into "Find Next".
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    Application->ProcessMessages();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].text, A("термин"));
    // A second Execute brings the same dialog forward.
    HWND window = dialog->Handle();
    EXPECT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->Handle(), window);
    // Escape closes it the same way.
    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
    Application->ProcessMessages();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(dialog->Handle(), nullptr);
}

TEST_F(DialogFind, ThePlatformIsAskedWithTheOptionsAsFlags) {
    TSeamGuard guard;
    DWORD flags = 0;
    std::wstring text;
    dialog->Options = frDown | frHideMatchCase | frWholeWord | frHideUpDown;
    dialog->FindText = std::string(300, 'x');
    dialog_seams::FindText = [&](void* raw) -> void* {
        auto* data = static_cast<FINDREPLACEW*>(raw);
        flags = data->Flags;
        text = data->lpstrFindWhat;
        return nullptr;
    };
    EXPECT_FALSE(dialog->Execute());
    const DWORD expected = FR_DOWN | FR_HIDEMATCHCASE | FR_WHOLEWORD | FR_HIDEUPDOWN;
    EXPECT_EQ(flags & ~DWORD(FR_ENABLEHOOK), expected);
    EXPECT_EQ(text.size(), 255u);
}

TEST(Dialogs, PrintDialogWithoutAPrinterFailsWithAPrinterError) {
    if (!Printer()->Printers().empty()) GTEST_SKIP() << "this machine has printers";
    TPrintDialog dialog(nullptr);
    try {
        dialog.Execute();
        FAIL() << "no exception";
    } catch (const EPrinter& e) {
        EXPECT_EQ(e.Message, SNoDefaultPrinter);
    }
}

TEST(Dialogs, PrintDialogPassesItsSettingsAndSelectsTheChosenPrinter) {
    TSeamGuard guard;
    owned_ptr<TPrinter> printer(new TPrinter);
    TPrinter* previous = SetPrinter(printer.release());
    Printer()->SetPrinter(L"Первый принтер", L"WINSPOOL", L"", nullptr);

    TPrintDialog dialog(nullptr);
    dialog.Options = poWarning | poHelp | poPageNums;
    dialog.MinPage = 1;
    dialog.MaxPage = 9999;
    dialog.FromPage = 1;
    dialog.ToPage = 9999;
    PRINTDLGW seen{};
    std::wstring seenDevice;
    dialog_seams::PrintDlg = [&](void* raw) {
        auto* data = static_cast<PRINTDLGW*>(raw);
        seen = *data;
        auto* names = static_cast<DEVNAMES*>(GlobalLock(data->hDevNames));
        seenDevice = reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset;
        GlobalUnlock(data->hDevNames);
        // The user picks pages 2-3 of another printer.
        GlobalFree(data->hDevNames);
        data->hDevNames = nullptr;
        HGLOBAL block = GlobalAlloc(GHND, 64 * sizeof(wchar_t));
        auto* out = static_cast<DEVNAMES*>(GlobalLock(block));
        auto* text = reinterpret_cast<wchar_t*>(out);
        wcscpy(text + 4, L"drv");
        wcscpy(text + 8, L"Second");
        wcscpy(text + 15, L"LPT1:");
        out->wDriverOffset = 4;
        out->wDeviceOffset = 8;
        out->wOutputOffset = 15;
        GlobalUnlock(block);
        data->hDevNames = block;
        data->Flags = (data->Flags & ~DWORD(PD_ALLPAGES)) | PD_PAGENUMS;
        data->nFromPage = 2;
        data->nToPage = 3;
        data->nCopies = 2;
        return true;
    };
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(seenDevice, Utf8ToWide("Первый принтер"));
    EXPECT_FALSE(seen.Flags & PD_NOWARNING);
    EXPECT_TRUE(seen.Flags & PD_SHOWHELP);
    EXPECT_FALSE(seen.Flags & PD_NOPAGENUMS);
    EXPECT_TRUE(seen.Flags & PD_NOSELECTION);
    EXPECT_TRUE(seen.Flags & PD_HIDEPRINTTOFILE);
    EXPECT_EQ(seen.nMaxPage, 9999);
    EXPECT_EQ(dialog.PrintRange, prPageNums);
    EXPECT_EQ(dialog.FromPage, 2);
    EXPECT_EQ(dialog.ToPage, 3);
    EXPECT_EQ(dialog.Copies, 2);

    std::wstring device, driver, port;
    void* mode = nullptr;
    Printer()->GetPrinter(device, driver, port, mode);
    EXPECT_EQ(device, L"Second");
    EXPECT_EQ(driver, L"drv");
    EXPECT_EQ(port, L"LPT1:");

    // Cancel changes nothing.
    dialog_seams::PrintDlg = [](void*) { return false; };
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FromPage, 2);
    TObject::Free(SetPrinter(previous));
}

TEST(Dialogs, ColorDialogReadsAndWritesColorAndCustomColors) {
    TSeamGuard guard;
    TColorDialog dialog(nullptr);
    dialog.Color = clRed;
    dialog.Options = cdFullOpen;
    dialog.CustomColors()->Add("ColorA=00FF00");
    dialog.CustomColors()->Add("ColorC=garbage");
    CHOOSECOLORW seen{};
    std::vector<COLORREF> seenCustom;
    dialog_seams::ChooseColor = [&](void* raw) {
        auto* data = static_cast<CHOOSECOLORW*>(raw);
        seen = *data;
        seenCustom.assign(data->lpCustColors, data->lpCustColors + 16);
        data->rgbResult = RGB(1, 2, 3);
        data->lpCustColors[1] = RGB(0x10, 0x20, 0x30);
        return true;
    };
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(seen.rgbResult, RGB(255, 0, 0));
    EXPECT_TRUE(seen.Flags & CC_FULLOPEN);
    EXPECT_TRUE(seen.Flags & CC_RGBINIT);
    EXPECT_EQ(seenCustom[0], 0x00FF00u);
    EXPECT_EQ(seenCustom[2], 0xFFFFFFu);  // unreadable: white
    EXPECT_EQ(dialog.Color, RGBToColor(1, 2, 3));
    ASSERT_EQ(dialog.CustomColors()->Count(), 16);
    EXPECT_EQ(dialog.CustomColors()->Values("ColorB"), "302010");
    EXPECT_EQ(dialog.CustomColors()->Values("ColorP"), "FFFFFF");

    dialog_seams::ChooseColor = [](void* raw) {
        static_cast<CHOOSECOLORW*>(raw)->rgbResult = 0;
        return false;
    };
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Color, RGBToColor(1, 2, 3));
}

TEST(Dialogs, FontDialogStartsFromTheFontAndTakesTheChosenOne) {
    TSeamGuard guard;
    TFontDialog dialog(nullptr);
    dialog.Font()->SetName("Arial");
    dialog.Font()->SetSize(12);
    dialog.Font()->SetColor(clBlue);
    dialog.Options = fdEffects | fdLimitSize;
    dialog.MinFontSize = 8;
    dialog.MaxFontSize = 24;
    std::wstring seenFace;
    CHOOSEFONTW seen{};
    dialog_seams::ChooseFont = [&](void* raw) {
        auto* data = static_cast<CHOOSEFONTW*>(raw);
        seen = *data;
        seenFace = data->lpLogFont->lfFaceName;
        wcscpy(data->lpLogFont->lfFaceName, L"Courier New");
        data->lpLogFont->lfWeight = FW_BOLD;
        data->lpLogFont->lfItalic = TRUE;
        data->rgbColors = RGB(0, 128, 0);
        return true;
    };
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(seenFace, L"Arial");
    EXPECT_EQ(seen.rgbColors, RGB(0, 0, 255));
    EXPECT_TRUE(seen.Flags & CF_EFFECTS);
    EXPECT_TRUE(seen.Flags & CF_LIMITSIZE);
    EXPECT_TRUE(seen.Flags & CF_INITTOLOGFONTSTRUCT);
    EXPECT_EQ(seen.nSizeMin, 8);
    EXPECT_EQ(seen.nSizeMax, 24);
    EXPECT_EQ(dialog.Font()->Name(), "Courier New");
    EXPECT_EQ(dialog.Font()->Style(), TFontStyles(fsBold | fsItalic));
    EXPECT_EQ(dialog.Font()->Size(), 12);
    EXPECT_EQ(dialog.Font()->Color(), RGBToColor(0, 128, 0));
}

TEST(Dialogs, ARealModalDialogShowsAndAnExceptionInOnShowDoesNotEscape) {
    TColorDialog dialog(nullptr);
    int shown = 0, closed = 0;
    dialog.OnShow = [&](TObject*) {
        ++shown;
        throw Exception("from OnShow");
    };
    dialog.OnClose = [&](TObject*) { ++closed; };
    std::vector<std::string> errors;
    Application->OnException = [&](TObject*, const std::exception& e) { errors.push_back(e.what()); };
    SetTimer(nullptr, 0, 300, CancelDialogTimer);
    EXPECT_FALSE(dialog.Execute());
    Application->OnException = nullptr;
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(errors, std::vector<std::string>{"from OnShow"});
}

TEST(Dialogs, MessageDialogsGoThroughTheMessageBox) {
    struct Case {
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        const char* caption;
        unsigned flags;
    };
    const Case cases[] = {
        {mtWarning, mbOK, "Warning", MB_OK | MB_ICONWARNING},
        {mtError, mbOKCancel, "Error", MB_OKCANCEL | MB_ICONERROR},
        {mtInformation, mbOK, "Information", MB_OK | MB_ICONINFORMATION},
        {mtConfirmation, mbYesNoCancel, "Confirm", MB_YESNOCANCEL | MB_ICONQUESTION},
        {mtConfirmation, mbYes | mbNo, "Confirm", MB_YESNO | MB_ICONQUESTION},
        {mtWarning, mbAbortRetryIgnore, "Warning", MB_ABORTRETRYIGNORE | MB_ICONWARNING},
    };
    for (const auto& c : cases) {
        testing_support::ShownMessageBoxes().clear();
        testing_support::NextMessageBoxAnswer(IDNO);
        EXPECT_EQ(MessageDlg(A("Сообщение"), c.type, c.buttons), mrNo);
        ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
        const auto& box = testing_support::ShownMessageBoxes()[0];
        EXPECT_EQ(box.text, A("Сообщение"));
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.flags, c.flags) << c.caption;
    }
    testing_support::ShownMessageBoxes().clear();
    std::string title = Application->Title;
    Application->Title = A("Словарь");
    ShowMessage("Hello");
    Application->Title = title;
    ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].caption, A("Словарь"));
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].flags, unsigned(MB_OK));
}

// ---------------------------------------------------------------------------

TEST(Printer, WithoutAPrinterEveryCallFailsWithAClearMessage) {
    TPrinter printer;
    if (!printer.Printers().empty()) GTEST_SKIP() << "this machine has printers";
    auto message = [](auto&& call) {
        try {
            call();
        } catch (const EPrinter& e) {
            return e.Message;
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message([&] { printer.BeginDoc(); }), SNoDefaultPrinter);
    EXPECT_EQ(message([&] { printer.PageWidth(); }), SNoDefaultPrinter);
    EXPECT_EQ(message([&] { printer.Handle(); }), SNoDefaultPrinter);
    EXPECT_EQ(message([&] { printer.Orientation(); }), SNoDefaultPrinter);
    EXPECT_EQ(message([&] { printer.PrinterIndex(); }), SNoDefaultPrinter);
    EXPECT_EQ(message([&] { printer.SetPrinterIndex(0); }), SPrinterIndexError);
    EXPECT_EQ(message([&] { printer.EndDoc(); }), SNotPrinting);
    EXPECT_EQ(message([&] { printer.NewPage(); }), SNotPrinting);
    EXPECT_EQ(message([&] { printer.Abort(); }), SNotPrinting);
    EXPECT_FALSE(printer.Printing());
}

TEST(Printer, AnInvalidDeviceFailsAsInvalidAndDrawingNeedsAJob) {
    TPrinter printer;
    printer.SetPrinter(L"No such printer", L"WINSPOOL", L"", nullptr);
    EXPECT_EQ(printer.Printers().back(), "No such printer");
    EXPECT_EQ(printer.PrinterIndex(), static_cast<int>(printer.Printers().size()) - 1);
    auto message = [](auto&& call) {
        try {
            call();
        } catch (const EPrinter& e) {
            return e.Message;
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message([&] { printer.Handle(); }), SInvalidPrinter);
    EXPECT_EQ(message([&] { printer.BeginDoc(); }), SInvalidPrinter);
    EXPECT_EQ(message([&] { printer.Canvas()->TextOut(0, 0, "x"); }), SNotPrinting);
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.State(), psNoHandle);
}

}  // namespace
