// Term list at scale: a synthetic index of N terms (default 1,000,000) read into
// the term table and shown in a grid; then a typed-prefix step and a find-dialog
// substring search over every row.
//   bench_term_list.exe [N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/grids.h"
#include "shell/main_form.h"
#include "shell/term_table.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void PutInt32(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
}

// Keys "ТЕРМИН 0000001" in code page 1251 and display names to match, as a
// real index of that size would hold them.
std::string SyntheticIndex(int count) {
    std::string out;
    PutInt32(out, count);
    char digits[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, " %07d", i);
        std::string key = "\xD2\xC5\xD0\xCC\xC8\xCD";  // ТЕРМИН
        key += digits;
        PutInt32(out, i * 100);
        PutInt32(out, 100);
        out.push_back(static_cast<char>(key.size()));
        out.push_back(static_cast<char>(key.size()));
        out += key;
        for (char c : key) {
            unsigned char b = static_cast<unsigned char>(c);
            char16_t u = b >= 0xC0 ? static_cast<char16_t>(0x0410 + (b - 0xC0)) : b;
            out.push_back(static_cast<char>(u & 0xFF));
            out.push_back(static_cast<char>(u >> 8));
        }
    }
    return out;
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
            grid->OnDrawCell = [this](TObject*, int, int row, const TRect&, unsigned) { last = row; };
        });
    }
    TStringGrid* grid = nullptr;
    int last = -1;
};

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    InitializeForms();
    std::string index = SyntheticIndex(count);
    auto* form = new TBenchForm(Application);
    form->Show();
    Application->ProcessMessages();

    auto start = Clock::now();
    TTermTable table;
    table.Load(index, PlatformUpperTable());
    form->grid->SetRowCount(table.Count());
    form->grid->SetRow(0);
    form->grid->Repaint();
    double loadMs = MillisecondsSince(start);

    // The typed prefix finds the last term: the longest scan a key press makes.
    std::string lastKey(table.Key(table.Count() - 1));
    start = Clock::now();
    const int steps = 10;
    int found = -1;
    for (int i = 0; i < steps; ++i) found = table.FindPrefix(lastKey);
    double prefixMs = MillisecondsSince(start) / steps;

    // A text no key holds: the find dialog scans every row.
    start = Clock::now();
    int hit = table.FindSubstring("\xDF\xDF\xDF", -1, true, false);  // ЯЯЯ
    double findMs = MillisecondsSince(start);

    std::printf("terms: %d, index file: %.1f MB\n", table.Count(), index.size() / 1048576.0);
    std::printf("load to a filled grid: %.0f ms (last row drawn: %d)\n", loadMs, form->last);
    std::printf("term table memory: %.1f MB (%.2fx the index file)\n", table.MemoryUsed() / 1048576.0,
                static_cast<double>(table.MemoryUsed()) / index.size());
    std::printf("typed-prefix step to the last term: %.2f ms (row %d)\n", prefixMs, found);
    std::printf("find-dialog substring search over all rows: %.2f ms (hit %d)\n", findMs, hit);
    TObject::Free(form);
    return 0;
}
