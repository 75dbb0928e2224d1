#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/dialogs.h"
#include "framework/extctrls.h"
#include "framework/grids.h"
#include "framework/seams.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "index_image.h"
#include "shell/main_form.h"
#include "support/test_support.h"
#include "viewer/page_viewer.h"

namespace {

using testing_support::IndexTerm;

// A main window over a dictionary in a fresh working folder; `prepare` may
// change the copied sample files before the window reads them.
class MainFormTest : public ::testing::Test {
protected:
    void Open(const std::function<void()>& prepare = {}) {
        ASSERT_TRUE(testing_support::CopySampleDictionary()) << "no sample dictionary";
        if (prepare) prepare();
        testing_support::ShownMessageBoxes().clear();
        form = new TForm1(Application);
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { TObject::Free(form); }

    void Type(wchar_t c) {
        SendMessageW(form->List->Handle(), WM_CHAR, c, 0);
    }
    void TypeUtf8(const std::string& text) {
        for (wchar_t c : Utf8ToWide(text)) Type(c);
    }
    std::string Label() const { return AnsiToUtf8(form->F->Caption()); }
    std::string Typed() const { return AnsiToUtf8(form->TypedText); }

    testing_support::TempWorkDir dir;
    TForm1* form = nullptr;
};

// Keys of the index used by the typed-prefix and find tests, in file order.
const std::vector<IndexTerm> kTerms = {
    {0, 10, "адрес", "Адрес"},
    {10, 10, "адресация", "Адресация"},
    {20, 10, "ёмкость канала", "Ёмкость канала"},
    {20, 10, "канал", "Канал"},  // shares its article with the row before
    {30, 10, "шлюз", "Шлюз"},
};

void WriteIndex(const std::vector<IndexTerm>& terms) {
    testing_support::WriteFileBytes("voc.ind", testing_support::IndexImage(terms));
}

TEST_F(MainFormTest, StartsWithTheFirstTermSelectedAndTheIntroductionShown) {
    Open();
    EXPECT_TRUE(testing_support::ShownMessageBoxes().empty());
    EXPECT_GT(form->List->RowCount(), 40);
    EXPECT_EQ(form->List->RowCount(), form->Terms().Count());
    EXPECT_EQ(form->List->Row(), 0);
    EXPECT_EQ(form->SelectedOffset, form->Terms().Term(0).Offset);
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_TRUE(form->Panel5->Visible());
    EXPECT_FALSE(form->Vved->Source().empty());
    EXPECT_FALSE(form->ArticleHead().empty());
}

TEST_F(MainFormTest, MissingIndexIsReportedAndLeavesAnEmptyList) {
    Open([] { DeleteFileW(L"voc.ind"); });
    auto& shown = testing_support::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    // The message is the program's own text, letters as they stand.
    EXPECT_EQ(AnsiToUtf8(shown[0].text), "Не могу открыть словарь");
    EXPECT_EQ(AnsiToUtf8(shown[0].caption), "Словарь");
    EXPECT_EQ(shown[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_EQ(form->List->RowCount(), 0);
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_EQ(form->SelectedOffset, -1);
    // Keys and paints of an empty list touch no term.
    Type(L'а');
    form->List->Repaint();
    EXPECT_EQ(form->TypedText, "");
}

TEST_F(MainFormTest, DamagedIndexIsReportedOnceAndShowsWhatItHolds) {
    std::vector<IndexTerm> terms = kTerms;
    terms[2].offset = -20;  // the index cannot place this term's article
    Open([&] { testing_support::WriteFileBytes("voc.ind", testing_support::IndexImage(terms, 0)); });
    auto& shown = testing_support::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(AnsiToUtf8(shown[0].text), "Указатель терминов в файле " + AnsiToUtf8(ExpandFileName("voc.ind")) +
                                             " повреждён: показаны термины, которые удалось прочитать");
    EXPECT_EQ(AnsiToUtf8(shown[0].caption), "Словарь");
    EXPECT_EQ(form->List->RowCount(), 5);

    auto tick = [&] { form->Timer1->OnTimer()(form->Timer1); };
    tick();
    const std::string first = form->Viewer->Source();
    // The unplaced term shows an empty article, not the one before it, and
    // says nothing more.
    form->List->SetRow(2);
    tick();
    EXPECT_EQ(form->Viewer->Source(), form->ArticleHead() + "</BODY></HTML>");
    form->List->SetRow(0);
    tick();
    EXPECT_EQ(form->Viewer->Source(), first);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(MainFormTest, WithoutIntroductionTheArticlePaneFillsTheColumn) {
    Open([] { DeleteFileW(L"osnov.htm"); });
    EXPECT_FALSE(form->Panel5->Visible());
    EXPECT_FALSE(form->Splitter2->Visible());
    EXPECT_EQ(form->Panel8->Top(), 0);
    EXPECT_EQ(form->Panel8->Height(), form->Panel7->ClientHeight());
}

TEST_F(MainFormTest, TypedPrefixMovesToTheFirstMatchingTerm) {
    Open([] { WriteIndex(kTerms); });
    TypeUtf8("к");
    EXPECT_EQ(form->List->Row(), 3);
    EXPECT_EQ(Label(), "К");
    EXPECT_EQ(form->SelectedOffset, 20);

    // A letter that no key continues changes nothing.
    TypeUtf8("я");
    EXPECT_EQ(Typed(), "К");
    EXPECT_EQ(Label(), "К");
    EXPECT_EQ(form->List->Row(), 3);

    // Lower-case typing matches the upper-cased keys, Ё included.
    Type(8);
    TypeUtf8("ёмк");
    EXPECT_EQ(form->List->Row(), 2);
    EXPECT_EQ(Label(), "ЁМК");

    // Backspace down to nothing selects row 0.
    Type(8);
    Type(8);
    Type(8);
    EXPECT_EQ(Typed(), "");
    EXPECT_EQ(form->List->Row(), 0);
    // A further Backspace on the empty text does nothing; control keys are ignored.
    Type(8);
    Type(13);
    EXPECT_EQ(Typed(), "");

    // A click on the list that the typing did not cause clears the typed text.
    TypeUtf8("ш");
    EXPECT_EQ(form->List->Row(), 4);
    form->ListClick(form->List);
    EXPECT_EQ(Typed(), "");
    EXPECT_EQ(Label(), "");
}

TEST_F(MainFormTest, TheHundredAndSecondTypedCharacterIsRefused) {
    std::string longKey(150, 'z');
    Open([&] { WriteIndex({{0, 1, "a", "a"}, {1, 1, longKey, "long"}}); });
    for (int i = 0; i < 101; ++i) Type(L'z');
    EXPECT_EQ(form->TypedText, std::string(101, 'Z'));
    Type(L'z');
    EXPECT_EQ(form->TypedText.size(), 101u);
    EXPECT_EQ(form->List->Row(), 1);
}

TEST_F(MainFormTest, FindDialogSearchesKeysFromTheCurrentRow) {
    Open([] { WriteIndex(kTerms); });
    auto find = [&](const std::string& text, bool down, bool wholeWord) {
        form->FD->FindText = Utf8ToAnsi(text);
        unsigned options = frHideMatchCase;
        if (down) options |= frDown;
        if (wholeWord) options |= frWholeWord;
        form->FD->Options = options;
        testing_support::ShownMessageBoxes().clear();
        form->FD->OnFind(form->FD);
        return static_cast<int>(testing_support::ShownMessageBoxes().size());
    };
    TypeUtf8("а");
    EXPECT_EQ(find("канал", true, false), 0);
    EXPECT_EQ(form->List->Row(), 2);
    EXPECT_EQ(Typed(), "");  // a hit clears the typed prefix
    EXPECT_EQ(find("канал", true, false), 0);
    EXPECT_EQ(form->List->Row(), 3);
    // Whole word: only an equal key matches, and the current row is never tested.
    EXPECT_EQ(find("канал", false, true), 1);
    EXPECT_EQ(form->List->Row(), 3);
    form->List->SetRow(0);
    EXPECT_EQ(find("канал", true, true), 0);
    EXPECT_EQ(form->List->Row(), 3);

    // Down from the last row and up from row 0 report at once.
    form->List->SetRow(4);
    ASSERT_EQ(find("а", true, false), 1);
    const auto& shown = testing_support::ShownMessageBoxes()[0];
    EXPECT_EQ(AnsiToUtf8(shown.text), "Терминов по контексту не найдено");
    EXPECT_EQ(AnsiToUtf8(shown.caption), "Поиск");
    EXPECT_EQ(form->List->Row(), 4);
    form->List->SetRow(0);
    EXPECT_EQ(find("а", false, false), 1);
    EXPECT_EQ(form->List->Row(), 0);
}

// A term sharing the shown article leaves the viewer alone (its scroll and
// selection stay), unless a followed link has put something else there.
TEST_F(MainFormTest, ATermSharingTheShownArticleReloadsItOnlyAfterALink) {
    Open([] { WriteIndex(kTerms); });
    int loads = 0;
    form->Viewer->OnParseBegin = [&](TObject*, std::string&) { ++loads; };
    auto tick = [&] {
        loads = 0;
        form->Timer1Timer(form);
        return loads;
    };
    form->List->SetRow(2);
    EXPECT_GT(tick(), 0);
    form->List->SetRow(3);
    EXPECT_EQ(tick(), 0) << "the same article";
    form->ListClick(form->List);
    EXPECT_EQ(tick(), 0) << "the marked term again";

    form->Viewer->LoadImageFile("rack.png");  // what a picture link does
    form->ListClick(form->List);
    EXPECT_GT(tick(), 0) << "the marked term after a link";
    EXPECT_EQ(form->Viewer->CurrentFile(), "");
    form->Viewer->LoadFromFile("montage.htm");
    form->List->SetRow(2);
    EXPECT_GT(tick(), 0) << "a term sharing the article after a link";
}

TEST_F(MainFormTest, PaneSplitKeepsBothPanesAtLeastAsHighAsTheFrameStrips) {
    Open();
    int m = form->Panel13->Height() + form->Panel14->Height();
    int h = form->Panel7->Height();
    for (int prc : {0, 37, 100}) {
        form->Prc = prc;
        form->GradientFormResize(form);
        int v = form->Panel5->Height();
        EXPECT_GE(v, m) << prc;
        EXPECT_GE(h - v, m) << prc;
        if (prc == 37) {
            EXPECT_EQ(v, h * 37 / 100);
        }
    }
    // The splitter refuses sizes that leave either pane short and stores the percentage.
    bool accept = true;
    int size = h / 2;
    form->Splitter2CanResize(form->Splitter2, size, accept);
    EXPECT_TRUE(accept);
    EXPECT_EQ(form->Prc, h / 2 * 100 / h);
    size = h - m + 1;
    form->Splitter2CanResize(form->Splitter2, size, accept);
    EXPECT_FALSE(accept);
}

TEST_F(MainFormTest, SelectedTextColourZeroIsDrawnWhite) {
    Open();
    form->ListSelTextColor = 0;
    form->ListDrawCell(form->List, 0, 0, form->List->CellRect(0, 0), gdSelected | gdFocused);
    EXPECT_EQ(form->List->Canvas()->Font()->Color(), clWhite);
    form->ListSelTextColor = 0x123456;
    form->ListDrawCell(form->List, 0, 0, form->List->CellRect(0, 0), gdSelected);
    EXPECT_EQ(form->List->Canvas()->Font()->Color(), 0x123456);
}

// The introduction never follows its links: the shell opens them, shown the
// plain way (show command 5).
TEST_F(MainFormTest, AnIntroductionLinkGoesToTheShell) {
    Open();
    struct Call {
        std::string verb, file, params, dir;
        int show;
    };
    std::vector<Call> calls;
    const seams::ShellExecuteFn saved = seams::ShellExecute;
    seams::ShellExecute = [&](void*, const std::string& verb, const std::string& file, const std::string& params,
                              const std::string& dir, int show) {
        calls.push_back({verb, file, params, dir, show});
        return intptr_t{33};
    };
    bool handled = false;
    form->VvedHotSpotClick(form->Vved, "http://www.rfc-editor.org/", handled);
    seams::ShellExecute = saved;
    EXPECT_TRUE(handled);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].verb, "open");
    EXPECT_EQ(calls[0].file, "http://www.rfc-editor.org/");
    EXPECT_EQ(calls[0].params, "");
    EXPECT_EQ(calls[0].dir, ".");
    EXPECT_EQ(calls[0].show, 5);
}

}  // namespace
