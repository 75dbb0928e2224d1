#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/grids.h"
#include "framework/owner_data_list.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "index_image.h"
#include "shell/find_all_words.h"
#include "shell/main_form.h"
#include "support/test_support.h"
#include "viewer/page_viewer.h"

namespace {

std::string Int32(int32_t v) {
    std::string s(4, '\0');
    for (int k = 0; k < 4; ++k) s[static_cast<size_t>(k)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * k)) & 0xFF);
    return s;
}

class WordSearchTest : public ::testing::Test {
protected:
    void Open(const std::function<void()>& prepare = {}) {
        ASSERT_TRUE(testing_support::CopySampleDictionary()) << "no sample dictionary";
        if (prepare) prepare();
        testing_support::ShownMessageBoxes().clear();
        form = new TForm1(Application);
        form->Show();
        form->N3Click(nullptr);
        dialog = FindAllWords;
        ASSERT_NE(dialog, nullptr);
        Application->ProcessMessages();
    }
    void TearDown() override {
        TObject::Free(form);
        EXPECT_EQ(FindAllWords, nullptr);  // freed with the main window
    }

    HWND Edit() { return FindWindowExW(dialog->Word->Handle(), nullptr, L"Edit", nullptr); }
    // Keys as the user types them into the pattern box.
    void Type(const std::string& utf8) {
        for (wchar_t c : Utf8ToWide(utf8)) SendMessageW(Edit(), WM_CHAR, c, 0);
    }
    void SetPattern(const std::string& utf8) {
        SetWindowTextW(Edit(), L"");
        Type(utf8);
    }
    std::vector<std::string> Shown() {
        std::vector<std::string> out;
        for (int i = 0; i < dialog->List->Count(); ++i) out.push_back(AnsiToUtf8(dialog->List->OnGetText(i)));
        return out;
    }
    void Tick() { form->Timer1->OnTimer()(form->Timer1); }
    std::vector<std::string> Messages() {
        std::vector<std::string> out;
        for (auto& m : testing_support::ShownMessageBoxes()) out.push_back(AnsiToUtf8(m.text));
        testing_support::ShownMessageBoxes().clear();
        return out;
    }

    testing_support::TempWorkDir dir;
    TForm1* form = nullptr;
    TFindAllWords* dialog = nullptr;
};

TEST_F(WordSearchTest, OpensOnceAsAnAlwaysOnTopDialog) {
    Open();
    form->N3Click(nullptr);
    EXPECT_EQ(FindAllWords, dialog);
    EXPECT_TRUE(dialog->Visible());
    EXPECT_EQ(AnsiToUtf8(dialog->Caption()), "Поиск слов по шаблону");
    EXPECT_EQ(dialog->ClientWidth(), 493);
    EXPECT_EQ(dialog->ClientHeight(), 163);
    EXPECT_TRUE(GetWindowLongW(dialog->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(dialog->View->Checked());
    EXPECT_EQ(dialog->Down->ItemIndex(), 0);
    EXPECT_GT(dialog->Words().Count(), 500u);

    // Closing hides; the next "По статье" shows the same dialog again.
    dialog->BitBtn2->Click();
    EXPECT_FALSE(dialog->Visible());
    form->N3Click(nullptr);
    EXPECT_EQ(FindAllWords, dialog);
    EXPECT_TRUE(dialog->Visible());
}

TEST_F(WordSearchTest, FoundWordsFollowEveryKey) {
    Open();
    Type("с");  // typed in lower case, shown and matched in upper case
    EXPECT_EQ(AnsiToUtf8(dialog->Word->Text()), "С");
    EXPECT_EQ(Shown(), std::vector<std::string>{"С"});
    Type("ет");
    EXPECT_TRUE(Shown().empty());
    Type("*");
    const std::vector<std::string> set = {"СЕТЕВАЯ", "СЕТЕВОГО", "СЕТЕВОЙ", "СЕТЕВЫМ", "СЕТЕВЫХ", "СЕТЕЙ",
                                          "СЕТИ",    "СЕТЬ",     "СЕТЬЮ",   "СЕТЯМИ",  "СЕТЯХ"};
    EXPECT_EQ(Shown(), set);
    Type("и");
    EXPECT_EQ(Shown(), (std::vector<std::string>{"СЕТИ", "СЕТЯМИ"}));
    EXPECT_FALSE(dialog->PatternChanged());  // searched already
    EXPECT_TRUE(dialog->IsFoundWord(Utf8ToAnsi("СЕТИ")));
    EXPECT_TRUE(dialog->IsFoundWord(Utf8ToAnsi("СЕТЯМИ")));
    EXPECT_FALSE(dialog->IsFoundWord(Utf8ToAnsi("СЕТЬ")));
    EXPECT_GT(dialog->FlaggedCount(), 0);
}

TEST_F(WordSearchTest, HiddenWordsStillMarkTheArticles) {
    Open();
    SetPattern("сет*");
    ASSERT_EQ(dialog->List->Count(), 11);
    dialog->View->SetChecked(false);
    EXPECT_EQ(dialog->Width(), 288);
    EXPECT_EQ(dialog->List->Count(), 0);
    // Edits are not searched while the words are hidden, only at "Найти далее".
    SetPattern("сети");
    EXPECT_TRUE(dialog->PatternChanged());

    Tick();  // the first article on display
    form->List->SetRow(0);
    dialog->BitBtn3Click(dialog->BitBtn3);
    EXPECT_TRUE(Messages().empty());
    const int row = form->List->Row();
    EXPECT_GT(row, 0);
    EXPECT_TRUE(dialog->RowFlagged(row));
    EXPECT_FALSE(form->HighlightRequest);
    EXPECT_TRUE(form->HighlightArticle);
    Tick();
    EXPECT_FALSE(form->SearchHitTable().empty());
    EXPECT_NE(form->Viewer->Source().find("<a name=\"word1\"></a>"), std::string::npos);

    dialog->View->SetChecked(true);
    EXPECT_EQ(dialog->Width(), 501);
    EXPECT_EQ(Shown(), std::vector<std::string>{"СЕТИ"});
}

TEST_F(WordSearchTest, ForwardAndBackFromTheCurrentRowWithTheMessageAtBothEnds) {
    Open();
    SetPattern("сеть");
    std::vector<int> flagged;
    for (int r = 0; r < form->List->RowCount(); ++r)
        if (dialog->RowFlagged(r)) flagged.push_back(r);
    ASSERT_GE(flagged.size(), 3u);

    // From a flagged row the next hit is the following one, never the row itself.
    form->List->SetRow(flagged[0]);
    std::vector<int> visited;
    for (size_t i = 1; i < flagged.size(); ++i) {
        dialog->BitBtn3Click(dialog->BitBtn3);
        visited.push_back(form->List->Row());
    }
    EXPECT_EQ(visited, std::vector<int>(flagged.begin() + 1, flagged.end()));
    dialog->BitBtn3Click(dialog->BitBtn3);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Шаблон не найден"});
    EXPECT_EQ(form->List->Row(), flagged.back());

    dialog->Down->SetItemIndex(1);
    visited.clear();
    for (size_t i = 1; i < flagged.size(); ++i) {
        dialog->BitBtn3Click(dialog->BitBtn3);
        visited.push_back(form->List->Row());
    }
    EXPECT_EQ(visited, std::vector<int>(flagged.rbegin() + 1, flagged.rend()));
    dialog->BitBtn3Click(dialog->BitBtn3);
    auto& shown = testing_support::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(AnsiToUtf8(shown[0].caption), "Поиск");
    EXPECT_EQ(shown[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
    shown.clear();
}

TEST_F(WordSearchTest, HistoryKeepsTheLastPatternFirst) {
    Open();
    const char* patterns[] = {"сеть", "*ия", "сеть", "сеть"};
    for (const char* p : patterns) {
        SetPattern(p);
        dialog->BitBtn3Click(dialog->BitBtn3);
        Messages();
    }
    std::vector<std::string> items;
    for (int i = 0; i < dialog->Word->Items()->Count(); ++i) items.push_back(AnsiToUtf8(dialog->Word->Items()->Get(i)));
    EXPECT_EQ(items, (std::vector<std::string>{"СЕТЬ", "*ИЯ"}));
    EXPECT_EQ(AnsiToUtf8(dialog->Word->Text()), "СЕТЬ");
}

TEST_F(WordSearchTest, ACharacterOutsideTheCodePageMatchesNothing) {
    Open();
    SetWindowTextW(Edit(), L"\u4E2D*");
    dialog->WordChange(dialog->Word);
    EXPECT_TRUE(dialog->FoundWords().empty());
    SetWindowTextW(Edit(), L"?*");
    dialog->WordChange(dialog->Word);
    EXPECT_EQ(dialog->FoundWords().size(), dialog->Words().Count());
}

TEST_F(WordSearchTest, AFindOntoTheArticleOnDisplayDoesNotReload) {
    Open();
    // Two terms that share one article.
    const TTermTable& terms = form->Terms();
    int first = -1;
    for (int r = 0; r + 1 < terms.Count() && first < 0; ++r)
        if (terms.Term(r).Offset == terms.Term(r + 1).Offset) first = r;
    ASSERT_GE(first, 0);
    form->List->SetRow(first);
    Tick();
    const std::string shown = form->Viewer->Source();
    SetPattern("*");
    dialog->BitBtn3Click(dialog->BitBtn3);
    EXPECT_EQ(form->List->Row(), first + 1);
    Tick();
    EXPECT_EQ(form->Viewer->Source(), shown);
}

TEST_F(WordSearchTest, RowsOutsideTheListAndMissingFiles) {
    Open([] {
        // Three terms; the word list names rows past them and before them.
        testing_support::WriteFileBytes("voc.ind", testing_support::IndexImage({
                                                       {0, 4, "a", "a"},
                                                       {4, 4, "b", "b"},
                                                       {8, 4, "c", "c"},
                                                   }));
        testing_support::WriteFileBytes("allvurts.dat", Int32(1) + "ZZ$" + Int32(4) + Int32(0));
        testing_support::WriteFileBytes("allvurts.ind", Int32(-1) + Int32(7) + Int32(2) + Int32(3));
    });
    SetPattern("zz");
    EXPECT_EQ(dialog->FlaggedCount(), 1);
    dialog->BitBtn3Click(dialog->BitBtn3);
    EXPECT_EQ(form->List->Row(), 2);
    dialog->BitBtn3Click(dialog->BitBtn3);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Шаблон не найден"});
    TObject::Free(form);
    form = nullptr;

    Open([] {
        DeleteFileW(L"allvurts.dat");
        DeleteFileW(L"allvurts.ind");
    });
    EXPECT_EQ(dialog->Words().Count(), 0u);
    for (const char* p : {"*", "?", "сеть"}) {
        SetPattern(p);
        dialog->BitBtn3Click(dialog->BitBtn3);
        EXPECT_EQ(Messages(), std::vector<std::string>{"Шаблон не найден"}) << p;
    }
}

TEST_F(WordSearchTest, EveryIndexedWordIsMarkedOnEveryRowItNames) {
    Open();
    dialog->View->SetChecked(false);
    const std::string articles = testing_support::ReadFileBytes("voc.dat");
    const TAllWords& words = dialog->Words();
    int steps = 0;
    for (size_t k = 0; k < words.Count(); ++k) {
        dialog->Word->Items()->Clear();  // the history is not what is tested here
        dialog->Word->SetText(std::string(words.Word(k)));
        dialog->WordChange(dialog->Word);
        for (const int32_t* row = words.RowsBegin(k); row != words.RowsEnd(k); ++row) {
            // Arrive from the row before (or after, for row 0).
            const bool forward = *row > 0;
            dialog->Down->SetItemIndex(forward ? 0 : 1);
            form->List->SetRow(forward ? *row - 1 : *row + 1);
            dialog->BitBtn3Click(dialog->BitBtn3);
            ASSERT_EQ(form->List->Row(), *row) << AnsiToUtf8(words.Word(k));
            ASSERT_TRUE(form->HighlightArticle);
            // What the next tick marks, without laying the page out each time.
            std::string article = articles.substr(static_cast<size_t>(form->SelectedOffset),
                                                  static_cast<size_t>(form->SelectedLength));
            form->HighlightSearchHits(article);
            ASSERT_FALSE(form->SearchHitTable().empty()) << AnsiToUtf8(words.Word(k)) << " row " << *row;
            ASSERT_NE(article.find("<a name=\"word1\"></a>"), std::string::npos);
            ++steps;
        }
    }
    EXPECT_TRUE(Messages().empty());
    EXPECT_GT(steps, 1000);
}

}  // namespace
