#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/grids.h"
#include "framework/sysutils.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "index_image.h"
#include "shell/article_page.h"
#include "shell/main_form.h"
#include "support/test_support.h"
#include "viewer/page_viewer.h"

namespace {

struct Word {
    std::string text;  // UTF-8
    int32_t start;
    int32_t LastLetter;
    bool operator==(const Word&) const = default;
};

std::vector<Word> Scan(const std::string& articleUtf8, const TUnicodeCharTable& table = {}) {
    std::string copy = Utf8ToAnsi(articleUtf8);
    std::vector<Word> words;
    ScanArticleWords(copy, table, [&](std::string_view w, int32_t s, int32_t e) {
        words.push_back({AnsiToUtf8(w), s, e});
    });
    return words;
}

TEST(ArticleWords, WordsTagsEntitiesAndHyphens) {
    struct Case {
        const char* what;
        const char* article;
        std::vector<Word> words;
    } cases[] = {
        {"tags are skipped, '>' ends a word", "<b>сеть</b> узел.", {{"сеть", 3, 6}, {"узел", 12, 15}}},
        {"a word at the very end is not reported", "сеть узел", {{"сеть", 0, 3}}},
        {"ter- CR LF mino is one word spanning the break", "ter-\r\nmino.", {{"termino", 0, 9}}},
        {"a hyphen between letters splits", "ip-адрес ", {{"ip", 0, 1}, {"адрес", 3, 7}}},
        {"a second hyphen in a row cancels the first", "a--b ", {{"ab", 0, 3}}},
        // The entity's byte is the ISO 8859-1 code, which code page 1251 shows as й.
        {"caf + eacute is one word covering the entity", "caf&eacute; ", {{"cafй", 0, 10}}},
        {"nbsp separates", "a&nbsp;b ", {{"a", 0, 0}, {"b", 7, 7}}},
        {"&# without ';' is an ordinary byte", "a&#1040 b ", {{"a", 0, 0}, {"b", 8, 8}}},
        {"a numeric reference the table lacks is skipped whole", "ab&#1040;cd ", {{"abcd", 0, 10}}},
        {"yo folds to ye", "ёж ", {{"еж", 0, 1}}},
    };
    for (const Case& c : cases) EXPECT_EQ(Scan(c.article), c.words) << c.what;
}

TEST(ArticleWords, UnicodeTableAndBounds) {
    // A record for U+0410 (А) and one for U+00A0 (no-break space).
    std::string bytes;
    for (auto [code, byte] : {std::pair{0x410, 0xC0}, std::pair{0xA0, 0xA0}}) {
        testing_support::PutInt32(bytes, code);
        testing_support::PutInt32(bytes, byte);
    }
    bytes += "xyz";  // a partial record is ignored
    TUnicodeCharTable table;
    table.Load(bytes);
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(Scan("б&#1040;в ", table), (std::vector<Word>{{"бАв", 0, 8}}));
    EXPECT_EQ(Scan("a&#160;b ", table), (std::vector<Word>{{"a", 0, 0}, {"b", 7, 7}}));
    EXPECT_EQ(Scan("a&#99999999999999999999;b ", table), (std::vector<Word>{{"ab", 0, 24}}));

    std::string big;
    for (int i = 0; i < 300; ++i) {
        testing_support::PutInt32(big, i);
        testing_support::PutInt32(big, i);
    }
    table.Load(big);
    EXPECT_EQ(table.Count(), 256);

    // A run of more than 255 letters is never a hit, and what follows is still found.
    std::string longRun(300, 'x');
    EXPECT_EQ(Scan(longRun + " ok "), (std::vector<Word>{{"ok", 301, 302}}));
}

// What an index record's offset and length name in a 100-byte "voc.dat".
TEST(ArticleWords, ArticleSpanKeepsToTheFile) {
    const struct {
        int32_t offset, length;
        int64_t start;
        int32_t count;
    } cases[] = {
        {0, 10, 0, 10},          {90, 10, 90, 10},         {95, 10, 95, 5},
        {99, 0x7FFFFFFF, 99, 1}, {100, 1, 0, 0},           {-1, 10, 0, 0},
        {10, 0, 0, 0},           {10, -5, 0, 0},           {0x7FFFFFFF, 0x7FFFFFFF, 0, 0},
    };
    for (const auto& c : cases) {
        const TArticleSpan span = ArticleSpan(c.offset, c.length, 100);
        EXPECT_EQ(span.Count, c.count) << c.offset << " " << c.length;
        if (c.count > 0) EXPECT_EQ(span.Start, c.start) << c.offset << " " << c.length;
    }
}

TEST(ArticleWords, MarksAreNumberedFromOneAndWrapTheWordsOwnBytes) {
    const std::string article = "caf&eacute; and tea.";
    std::vector<TSearchHit> hits = {{0, 10}, {16, 18}};
    EXPECT_EQ(MarkSearchHits(article, hits, "00ff00"),
              "<a name=\"word1\"></a><font color=\"#00ff00\"><b>caf&eacute;</b></font> and "
              "<a name=\"word2\"></a><font color=\"#00ff00\"><b>tea</b></font>.");
    EXPECT_EQ(HtmlHexOfRgb(0x0000FF), "ff0000");  // red in the low byte
    EXPECT_EQ(HtmlHexOfRgb(0x123456), "563412");
    EXPECT_EQ(BuildArticlePage("<HTML><BODY>", "x"), "<HTML><BODY>x</BODY></HTML>");
}

class ArticlePageTest : public ::testing::Test {
protected:
    void Open(const std::function<void()>& prepare = {}) {
        ASSERT_TRUE(testing_support::CopySampleDictionary());
        if (prepare) prepare();
        form = new TForm1(Application);
    }
    void TearDown() override { TObject::Free(form); }
    void Tick() { form->Timer1->OnTimer()(form->Timer1); }

    testing_support::TempWorkDir dir;
    TForm1* form = nullptr;
};

TEST_F(ArticlePageTest, TheTickShowsHeadArticleAndClosingTags) {
    Open([] {
        testing_support::WriteFileBytes("voc.hd", "<HTML><BODY>");
        testing_support::WriteFileBytes("voc.dat", "0123456789abcdef");
        testing_support::WriteFileBytes("voc.ind", testing_support::IndexImage({
                                                       {2, 3, "a", "a"},
                                                       {2, 3, "b", "b"},   // same article
                                                       {10, 1000, "c", "c"},  // runs past the file
                                                   }));
    });
    // The very first article goes into the viewer twice, every later one once.
    std::vector<std::string> loads;
    form->Viewer->OnParseBegin = [&](TObject*, std::string& source) { loads.push_back(source); };
    Tick();
    EXPECT_EQ(form->Viewer->Source(), "<HTML><BODY>234</BODY></HTML>");
    EXPECT_EQ(loads, std::vector<std::string>(2, "<HTML><BODY>234</BODY></HTML>"));
    EXPECT_EQ(form->ShownOffset, 2);
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_FALSE(form->FirstDisplay);

    form->List->SetRow(1);  // same offset: nothing reloads
    form->Viewer->LoadFromString("untouched", "");
    Tick();
    EXPECT_EQ(form->Viewer->Source(), "untouched");

    // An article cut off by the end of the file shows what there is and says
    // so, naming the file, once a session.
    auto& shown = testing_support::ShownMessageBoxes();
    shown.clear();
    form->List->SetRow(2);
    loads.clear();
    Tick();
    EXPECT_EQ(form->Viewer->Source(), "<HTML><BODY>abcdef</BODY></HTML>");
    EXPECT_EQ(loads.size(), 1u);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(AnsiToUtf8(shown[0].text), "Не могу прочитать статью из файла " + AnsiToUtf8(ExpandFileName("voc.dat")) +
                                             ": файла нет или он повреждён");
    EXPECT_EQ(AnsiToUtf8(shown[0].caption), "Словарь");

    DeleteFileW(L"voc.dat");
    form->ShownOffset = -1;
    Tick();
    EXPECT_EQ(form->Viewer->Source(), "<HTML><BODY></BODY></HTML>");
    EXPECT_EQ(shown.size(), 1u);

    // A missing file: the next session's first article says so.
    TObject::Free(form);
    form = new TForm1(Application);
    Tick();
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(ArticlePageTest, MarkingStopsAt1023HitsInTheHitColour) {
    std::string article;
    for (int i = 0; i < 1100; ++i) article += "net ";
    Open([&] {
        testing_support::WriteFileBytes("voc.dat", article);
        testing_support::WriteFileBytes("voc.ind", testing_support::IndexImage({{0, static_cast<int32_t>(article.size()), "net", "net"}}));
    });
    form->FoundWordTest = [](std::string_view w) { return w == "NET"; };
    form->HandColor = true;
    form->SelectColor = 0x0000FF;
    form->HighlightArticle = true;
    Tick();
    EXPECT_EQ(form->SearchHitTable().size(), 1023u);
    const std::string& page = form->Viewer->Source();
    EXPECT_NE(page.find("<a name=\"word1\"></a><font color=\"#ff0000\"><b>net</b></font>"), std::string::npos);
    EXPECT_NE(page.find("name=\"word1023\""), std::string::npos);
    EXPECT_EQ(page.find("name=\"word1024\""), std::string::npos);
    EXPECT_FALSE(form->HighlightArticle);  // consumed by the article shown

    // A system colour prints as six digits of its resolved value.
    EXPECT_EQ(form->ColorToHtmlHex(clBtnFace).size(), 6u);
}

}  // namespace
