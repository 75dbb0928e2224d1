// The help window and the shell's print command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/dialogs.h"
#include "framework/forms.h"
#include "framework/grids.h"
#include "framework/printers.h"
#include "framework/seams.h"
#include "framework/win.h"

#include <dlgs.h>

#include "shell/help_window.h"
#include "shell/main_form.h"
#include "support/test_support.h"
#include "html/font_obj.h"
#include "viewer/page_viewer.h"
#include "viewer/test_print_support.h"

namespace {

struct HelpCall {
    unsigned command;
    uintptr_t data;
};

class ShellHelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::CopySampleDictionary());
        testing_support::ShownMessageBoxes().clear();
        savedHelp = seams::Help;
    }
    void TearDown() override {
        CloseHelpWindow();
        seams::Help = savedHelp;
        dialog_seams::Reset();
        testing_support::ShownMessageBoxes().clear();
    }
    // Help requests are recorded instead of shown.
    void RecordHelp() {
        seams::Help = [this](void*, const std::string& file, unsigned command, uintptr_t data) {
            EXPECT_EQ(file, "voc.hlp");
            calls.push_back({command, data});
            return true;
        };
    }

    testing_support::TempWorkDir dir;
    std::vector<HelpCall> calls;
    seams::HelpFn savedHelp;
};

TEST_F(ShellHelpTest, ContentsAndTopicsOpenInOneWindowCaptionedWithTheTitle) {
    ASSERT_TRUE(ShowHelp(nullptr, "voc.hlp", HELP_CONTENTS, 0));
    THelpWindow* window = HelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(AnsiToUtf8(window->Caption()), "Справка по словарю");
    EXPECT_EQ(window->Topic(), "");
    EXPECT_NE(window->Viewer->Source().find("NAME=\"230\""), std::string::npos);
    struct Case {
        unsigned command;
        uintptr_t data;
        const char* topic;
    } cases[] = {{HELP_CONTEXT, 10, "10"}, {HELP_CONTEXT, 230, "230"}, {HELP_CONTEXT, 320, "320"},
                 {HELP_CONTEXT, 999, ""},  {HELP_CONTENTS, 0, ""},     {HELP_FINDER, 0, ""}};
    for (const Case& c : cases) {
        EXPECT_TRUE(ShowHelp(nullptr, "voc.hlp", c.command, c.data));
        EXPECT_EQ(HelpWindow(), window) << "one window, reused";
        EXPECT_EQ(window->Topic(), c.topic) << c.data;
    }
    EXPECT_TRUE(ShowHelp(nullptr, "voc.hlp", HELP_QUIT, 0));
    EXPECT_FALSE(window->Visible());
    EXPECT_TRUE(testing_support::ShownMessageBoxes().empty());
}

TEST_F(ShellHelpTest, AMissingHelpFileIsReported) {
    DeleteFileW(L"voc.hlp");
    EXPECT_FALSE(ShowHelp(nullptr, "voc.hlp", HELP_CONTENTS, 0));
    ASSERT_EQ(testing_support::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(testing_support::ShownMessageBoxes()[0].text, "Can't locate file: voc.hlp.");
}

TEST_F(ShellHelpTest, ModalDialogsLeaveTheHelpWindowUsable) {
    ASSERT_TRUE(ShowHelp(nullptr, "voc.hlp", HELP_CONTENTS, 0));
    HWND help = HelpWindow()->Handle();
    owned_ptr<TForm> dialog(new TForm(nullptr));
    dialog->OnShow = [&](TObject*) {
        EXPECT_TRUE(IsWindowEnabled(help));
        dialog->ModalResult = mrOk;
        PostMessageW(dialog->Handle(), WM_NULL, 0, 0);  // wakes the modal loop
    };
    dialog->ShowModal();
    EXPECT_TRUE(IsWindowEnabled(help));
}

TEST(HelpFiles, TheBinaryFormatIsKnownByItsFirstBytes) {
    testing_support::TempWorkDir dir;
    struct Case {
        std::string bytes;
        bool binary;
    } cases[] = {{std::string("\x3F\x5F\x03\x00rest", 8), true},
                 {std::string("\x3F\x5F\x03", 3), false},
                 {std::string("\x3F\x5F\x03\x01", 4), false},
                 {"<HTML>", false},
                 {"", false}};
    for (const Case& c : cases) {
        testing_support::WriteFileBytes("voc.hlp", c.bytes);
        EXPECT_EQ(IsBinaryHelpFile("voc.hlp"), c.binary) << c.bytes.size();
    }
    EXPECT_FALSE(IsBinaryHelpFile("missing.hlp"));
}

TEST(HelpFiles, TitlesAndAnchorsAreFoundInThePage) {
    EXPECT_EQ(HtmlTitle("<html><head><TITLE>\r\n  A title </title>"), "A title");
    EXPECT_EQ(HtmlTitle("<html><body>no title"), "");
    struct Case {
        const char* html;
        const char* name;
        bool found;
    } cases[] = {{"<a name=10>x</a>", "10", true},      {"<A NAME=\"230\">", "230", true},
                 {"<h3 id='320'>", "320", true},        {"<a name=100>", "10", false},
                 {"<a rename=10>", "10", false},        {"<a href=#10>", "10", false},
                 {"<a name=10>", "", false}};
    for (const Case& c : cases) EXPECT_EQ(HasAnchor(c.html, c.name), c.found) << c.html;
}

// ---- the main window's help and print commands

class ShellPrintTest : public ShellHelpTest {
protected:
    void SetUp() override {
        ShellHelpTest::SetUp();
        Application->HelpFile = "voc.hlp";  // as the program sets it
        form = new TForm1(Application);
    }
    void TearDown() override {
        TObject::Free(form);
        Application->HelpFile.clear();
        ShellHelpTest::TearDown();
    }
    TForm1* form = nullptr;
};

TEST_F(ShellPrintTest, HelpOpensAtTheContentsAndF1OnTheListAtItsTopic) {
    form->Show();
    form->N24Click(form);
    ASSERT_NE(HelpWindow(), nullptr) << "the shell routes help through its window";
    EXPECT_EQ(HelpWindow()->Topic(), "");

    RecordHelp();
    form->List->SetFocus();
    MSG msg{};
    msg.hwnd = form->List->Handle();
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_F1;
    EXPECT_TRUE(form->PreTranslateKey(&msg));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, static_cast<unsigned>(HELP_CONTEXT));
    EXPECT_EQ(calls[0].data, 10u);
}

TEST_F(ShellPrintTest, PrintDialogOKPrintsTheArticleCancelNothingHelpGivesItsTopic) {
    print_test::TBitmapPrinterScope printer(print_test::A4(100));
    form->Viewer->LoadFromString("<p>An article to print</p>", "");
    RecordHelp();
    // The dialog answers as the user would, after asking for help once.
    bool answer = true;
    dialog_seams::PrintDlg = [&](void* raw) {
        auto* data = static_cast<PRINTDLGW*>(raw);
        EXPECT_TRUE(data->Flags & PD_SHOWHELP);
        EXPECT_TRUE(data->Flags & PD_NOPAGENUMS);
        EXPECT_TRUE(data->Flags & PD_NOSELECTION);
        EXPECT_TRUE(data->Flags & PD_HIDEPRINTTOFILE);
        HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        data->lpfnPrintHook(window, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(data));
        data->lpfnPrintHook(window, WM_COMMAND, pshHelp, 0);
        data->lpfnPrintHook(window, WM_DESTROY, 0, 0);
        DestroyWindow(window);
        return answer;
    };
    form->N16Click(form);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].data, 230u);
    EXPECT_EQ(printer.Device.EndDocs, 1);
    ASSERT_EQ(printer.Device.Pages.size(), 1u);
    const print_test::TPage& page = printer.Device.Pages[0];
    EXPECT_FALSE(page.InkRuns(0, page.Height, 0, page.Width).empty());

    answer = false;
    form->N16Click(form);
    EXPECT_EQ(printer.Device.StartDocs, 1) << "Cancel prints nothing";
}

TEST_F(ShellPrintTest, ClosingDuringAJobWaitsForItsEnd) {
    print_test::TBitmapPrinterScope printer(print_test::A4(100));
    form->Show();
    form->Viewer->LoadFromString(print_test::NumberedLines(100), "");
    dialog_seams::PrintDlg = [](void*) { return true; };
    int pagesWhenClosed = -1;
    form->Viewer->OnPageEvent = [&](TObject*, int page, bool&) {
        if (page != 1 || pagesWhenClosed >= 0) return;
        form->N23Click(form);
        form->N16Click(form);  // a second job is not started
        pagesWhenClosed = static_cast<int>(printer.Device.Pages.size());
        EXPECT_TRUE(form->Visible());
    };
    form->N16Click(form);
    EXPECT_EQ(pagesWhenClosed, 0);
    EXPECT_EQ(printer.Device.StartDocs, 1);
    EXPECT_GE(printer.Device.Pages.size(), 2u) << "the job ran to its end";
    EXPECT_TRUE(form->Visible());
    Application->ProcessMessages();
    EXPECT_FALSE(form->Visible()) << "and the window closed after it";
}

TEST_F(ShellPrintTest, WithoutAPrinterThePrintCommandWarns) {
    TPrinter* previous = SetPrinter(new TPrinter);
    if (!Printer()->Printers().empty()) {
        TObject::Free(SetPrinter(previous));
        GTEST_SKIP() << "this machine has printers";
    }
    bool shown = false;
    dialog_seams::PrintDlg = [&](void*) { return shown = true; };
    try {
        form->N16Click(form);
        ADD_FAILURE() << "no warning";
    } catch (const EPrinter& e) {
        EXPECT_EQ(e.Message, SNoDefaultPrinter);
    }
    EXPECT_FALSE(shown);
    TObject::Free(SetPrinter(previous));
}

}  // namespace
