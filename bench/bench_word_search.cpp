// Word search at scale: a word index of 1,000,000 words of 3 to 12 capitals,
// each in 1 to 9 (about five) of 200,000 term rows. Opens the search dialog on
// it, runs pattern searches with every match flagged and listed, marks a 25 KB
// article while "*" is found, and takes a "Найти далее" step.
//   bench_word_search.exe [DIR]
// DIR holds allvurts.dat and allvurts.ind (for instance from
// tools/make_dictionary.py --synthetic 200000 --synthetic-words 1000000 DIR);
// without it the bench writes such files itself into a temporary folder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/grids.h"
#include "framework/owner_data_list.h"
#include "framework/stdctrls.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "shell/article_page.h"
#include "shell/find_all_words.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void PutInt32(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
}

constexpr int kWords = 1000000;
constexpr int kRows = 200000;

struct Random {
    uint64_t state = 1251;
    uint32_t Next(uint32_t bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>((state >> 33) % bound);
    }
};

void WriteWordFiles(const std::string& folder) {
    Random random;
    std::string dat, ind;
    PutInt32(dat, kWords);
    int32_t first = 0;
    for (int i = 0; i < kWords; ++i) {
        const uint32_t length = 3 + random.Next(10);
        for (uint32_t k = 0; k < length; ++k) dat.push_back(static_cast<char>(0xC0 + random.Next(32)));
        const int32_t rows = static_cast<int32_t>(1 + random.Next(9));
        dat.push_back('$');
        PutInt32(dat, rows);
        PutInt32(dat, first);
        for (int32_t r = 0; r < rows; ++r) PutInt32(ind, static_cast<int32_t>(random.Next(kRows)));
        first += rows;
    }
    auto write = [&](const char* name, const std::string& bytes) {
        FILE* f = _wfopen(AnsiToWide(folder + "\\" + name).c_str(), L"wb");
        if (!f) return;
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    write("allvurts.dat", dat);
    write("allvurts.ind", ind);
}

std::string TempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    std::string folder = WideToAnsi(temp) + Format("bench-word-search-%lu", GetCurrentProcessId());
    CreateDirectoryW(AnsiToWide(folder).c_str(), nullptr);
    return folder;
}

// 25 KB of article text in which about a third of the words are indexed.
std::string Article(const TFindAllWords& dialog) {
    std::string article = "<p class=term><b>\xD1\xC5\xD2\xDC</b></p>\r\n<p>";
    Random random;
    while (article.size() < 25 * 1024) {
        if (random.Next(3) == 0) {
            article += dialog.Words().Word(random.Next(static_cast<uint32_t>(dialog.Words().Count())));
        } else {
            for (uint32_t k = 3 + random.Next(8); k > 0; --k) article.push_back(static_cast<char>(0xE0 + random.Next(32)));
        }
        article += random.Next(12) == 0 ? ".</p>\r\n<p>" : " ";
    }
    return article + "</p>\r\n";
}

class TBenchForm : public TForm {
public:
    explicit TBenchForm(TComponent* owner) : TForm(owner) {
        BuildForm([this] {
            SetBounds(0, 0, 300, 600);
            grid = new TStringGrid(this);
            grid->SetParent(this);
            grid->SetAlign(alClient);
            grid->SetColCount(1);
            grid->SetFixedCols(0);
            grid->SetFixedRows(0);
            grid->SetOptions(goRowSelect);
            grid->SetDefaultDrawing(false);
            grid->OnClick = [this](TObject*) { highlighted = highlightRequest; };
        });
    }
    TStringGrid* grid = nullptr;
    bool highlightRequest = false;
    bool highlighted = false;
};

}  // namespace

int main(int argc, char** argv) {
    InitializeForms();
    std::string folder = argc > 1 ? argv[1] : "";
    if (folder.empty()) {
        folder = TempFolder();
        WriteWordFiles(folder);
    }
    auto* form = new TBenchForm(Application);
    form->grid->SetRowCount(kRows);
    form->Show();
    Application->ProcessMessages();

    auto start = Clock::now();
    auto* dialog = new TFindAllWords(form, form->grid, form->highlightRequest, folder, "");
    dialog->Show();
    Application->ProcessMessages();
    const double openMs = MillisecondsSince(start);
    std::printf("words: %zu, index entries: %zu, term rows: %d\n", dialog->Words().Count(),
                dialog->Words().RowCount(), kRows);
    std::printf("opening the dialog: %.0f ms\n", openMs);

    std::string manyStars;
    for (int i = 0; i < 12; ++i) manyStars += "*\xC0";  // *А twelve times
    manyStars += "*\xC1";                               // *Б
    const std::vector<std::pair<std::string, std::string>> patterns = {
        {"*\xC8\xDF", "*ИЯ"}, {"?\xCE*", "?О*"}, {"*", "*"}, {"\xC0*\xC1*\xC2", "А*Б*В"}, {manyStars, "(*А)x12 *Б"}};
    for (const auto& [pattern, shown] : patterns) {
        dialog->Word->SetText(pattern);
        start = Clock::now();
        dialog->RunPatternSearch();
        dialog->List->Repaint();
        const double ms = MillisecondsSince(start);
        std::printf("search \"%s\": %.1f ms, %zu words listed, %d rows flagged\n", shown.c_str(), ms,
                    dialog->FoundWords().size(), dialog->FlaggedCount());
    }

    // Marking while "*" is found: the scan asks the found words for each word.
    dialog->Word->SetText("*");
    dialog->RunPatternSearch();
    const std::string article = Article(*dialog);
    std::vector<TSearchHit> hits;
    TUnicodeCharTable noTable;
    start = Clock::now();
    std::string copy = article;
    std::string upper;
    ScanArticleWords(copy, noTable, [&](std::string_view word, int32_t first, int32_t last) {
        if (hits.size() >= kMaxSearchHits) return;
        // Code page 1251 upper-casing of the letters the article holds.
        upper.assign(word);
        for (char& c : upper) {
            const auto b = static_cast<unsigned char>(c);
            if (b >= 0xE0 || (b >= 'a' && b <= 'z')) c = static_cast<char>(b - 0x20);
        }
        if (dialog->IsFoundWord(upper)) hits.push_back({first, last});
    });
    const std::string marked = MarkSearchHits(article, hits, "ff0000");
    const double markMs = MillisecondsSince(start);
    std::printf("marking a %zu-byte article: %.2f ms (%zu hits, %zu bytes marked)\n", article.size(), markMs,
                hits.size(), marked.size());

    // A "Найти далее" step from the first row with "А*Б*В" found.
    dialog->Word->SetText("\xC0*\xC1*\xC2");
    dialog->RunPatternSearch();
    form->grid->SetRow(0);
    start = Clock::now();
    dialog->BitBtn3Click(dialog->BitBtn3);
    const double stepMs = MillisecondsSince(start);
    std::printf("a find-next step: %.2f ms (to row %d, marked: %s)\n", stepMs, form->grid->Row(),
                form->highlighted ? "yes" : "no");

    TObject::Free(form);
    if (argc <= 1) {
        DeleteFileW(AnsiToWide(folder + "\\allvurts.dat").c_str());
        DeleteFileW(AnsiToWide(folder + "\\allvurts.ind").c_str());
        RemoveDirectoryW(AnsiToWide(folder).c_str());
    }
    return 0;
}
