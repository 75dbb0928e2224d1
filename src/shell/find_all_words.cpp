#include "shell/find_all_words.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/grids.h"
#include "framework/owner_data_list.h"
#include "framework/stdctrls.h"
#include "framework/streams.h"
#include "framework/strings.h"
#include "framework/win.h"

TFindAllWords* FindAllWords = nullptr;

namespace {

// Texts the dialog shows (UTF-8 here, code page 1251 on screen).
const char kCaption[] = "Поиск слов по шаблону";
const char kPrompt[] = "Введите слово используя символы шаблона (*,?)";
const char kShowWords[] = "Показывать слова";
const char kForward[] = "Вперед";
const char kBackward[] = "Назад";
const char kFindNext[] = "Найти далее";
const char kClose[] = "Закрыть";
const char kFoundWords[] = "Найденные слова:";
const char kNotFound[] = "Шаблон не найден";
const char kSearchCaption[] = "Поиск";

const char kWordListFormat[] = "%s\\allvurts.dat";
const char kWordRowsFormat[] = "%s\\allvurts.ind";

constexpr int kMaxPattern = 259;
constexpr int kWidthWithWords = 501;
constexpr int kWidthWithoutWords = 288;

// The whole file, or nothing when it cannot be read.
std::string ReadFileOrNothing(const std::string& name) {
    try {
        TFileStream file(name, fmOpenRead | fmShareDenyWrite);
        TMemoryStream memory;
        memory.LoadFromStream(&file);
        return std::string(static_cast<const char*>(memory.Memory()), static_cast<size_t>(memory.Size()));
    } catch (const EStreamError&) {
        return {};
    }
}

}  // namespace

TFindAllWords::TFindAllWords(TComponent* AOwner, TStringGrid* grid, bool& highlightRequest,
                             const std::string& directory, const std::string& historyFile)
    : TForm(AOwner), FGrid(grid), FHighlightRequest(highlightRequest) {
    BuildForm([this] { BuildLayout(); });
    // The frame is known once the window exists: the client area is sized on
    // a real window, which goes at the end of construction, so that the first
    // showing centres the form and makes every control visible.
    HandleNeeded();
    SetClientWidth(493);
    SetClientHeight(163);
    FPatternChanged = false;
    Word->SetCharCase(ecUpperCase);
    if (!historyFile.empty() && FileExists(historyFile)) {
        try {
            Word->Items()->LoadFromFile(historyFile);
        } catch (const Exception&) {
            // An unreadable history is no history.
        }
    }
    LoadWordFiles(directory);
    FRowFlags.assign(static_cast<size_t>(std::max(0, FGrid ? FGrid->RowCount() : 0)), 0);
    FFlaggedCount = 0;
    DestroyHandle();
}

void TFindAllWords::BuildLayout() {
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetCaption(Utf8ToAnsi(kCaption));
    SetClientWidth(493);
    SetClientHeight(163);
    OnClose = Bind(this, &TFindAllWords::FormClose);
    OnActivate = Bind(this, &TFindAllWords::FormActivate);
    OnDestroy = Bind(this, &TFindAllWords::FormDestroy);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(8, 8, 292, 16);
    Label1->SetCaption(Utf8ToAnsi(kPrompt));

    Word = new TComboBox(this);
    Word->SetParent(this);
    Word->SetBounds(8, 28, 272, 21);
    Word->SetMaxLength(kMaxPattern);
    Word->OnChange = Bind(this, &TFindAllWords::WordChange);

    View = new TCheckBox(this);
    View->SetParent(this);
    View->SetBounds(8, 58, 150, 17);
    View->SetCaption(Utf8ToAnsi(kShowWords));
    View->SetChecked(true);
    View->OnClick = Bind(this, &TFindAllWords::ViewClick);

    Down = new TRadioGroup(this);
    Down->SetParent(this);
    Down->SetBounds(8, 82, 130, 72);
    Down->Items()->Add(Utf8ToAnsi(kForward));
    Down->Items()->Add(Utf8ToAnsi(kBackward));
    Down->SetItemIndex(0);

    BitBtn3 = new TButton(this);
    BitBtn3->SetParent(this);
    BitBtn3->SetBounds(150, 90, 130, 25);
    BitBtn3->SetCaption(Utf8ToAnsi(kFindNext));
    BitBtn3->SetDefault(true);
    BitBtn3->OnClick = Bind(this, &TFindAllWords::BitBtn3Click);

    BitBtn2 = new TButton(this);
    BitBtn2->SetParent(this);
    BitBtn2->SetBounds(150, 124, 130, 25);
    BitBtn2->SetCaption(Utf8ToAnsi(kClose));
    BitBtn2->SetCancel(true);
    BitBtn2->OnClick = Bind(this, &TFindAllWords::BitBtn2Click);

    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetBounds(302, 8, 183, 16);
    Label2->SetCaption(Utf8ToAnsi(kFoundWords));

    List = new TOwnerDataListBox(this);
    List->SetParent(this);
    List->SetBounds(302, 28, 183, 127);
    List->OnGetText = [this](int index) {
        return std::string(FWords.Word(FFound.at(static_cast<size_t>(index))));
    };
}

void TFindAllWords::CreateParams(TCreateParams& params) {
    TForm::CreateParams(params);
    params.ExStyle |= WS_EX_TOPMOST;
}

void TFindAllWords::LoadWordFiles(const std::string& directory) {
    std::string list = ReadFileOrNothing(Format(kWordListFormat, directory.c_str()));
    const std::string rows = ReadFileOrNothing(Format(kWordRowsFormat, directory.c_str()));
    FWords.Load(std::move(list), rows);
    FWordFound.assign(FWords.Count(), 0);
    FFound.clear();
}

std::string TFindAllWords::Pattern() const {
    std::wstring wide;
    if (Word->HandleAllocated()) {
        HWND edit = Word->Handle();
        const int length = GetWindowTextLengthW(edit);
        wide.resize(static_cast<size_t>(std::max(length, 0)) + 1);
        wide.resize(static_cast<size_t>(std::max(GetWindowTextW(edit, wide.data(), length + 1), 0)));
    } else {
        wide = AnsiToWide(Word->Text());
    }
    if (wide.size() > static_cast<size_t>(kMaxPattern)) wide.resize(kMaxPattern);
    if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    std::string pattern;
    pattern.reserve(wide.size());
    for (wchar_t c : wide) {
        char byte = 0;
        pattern.push_back(WideCharToAnsiChar(c, byte) ? byte : kUnmatchableChar);
    }
    return pattern;
}

void TFindAllWords::RunPatternSearch() {
    const std::vector<PatternSegment> segments = SplitPattern(Pattern());
    std::fill(FRowFlags.begin(), FRowFlags.end(), 0);
    std::fill(FWordFound.begin(), FWordFound.end(), 0);
    FFlaggedCount = 0;
    FFound.clear();
    const size_t rowCount = FRowFlags.size();
    for (size_t k = 0; k < FWords.Count(); ++k) {
        if (!MatchPattern(FWords.Word(k), segments)) continue;
        FFound.push_back(static_cast<uint32_t>(k));
        FWordFound[k] = 1;
        for (const int32_t* row = FWords.RowsBegin(k); row != FWords.RowsEnd(k); ++row) {
            if (*row < 0 || static_cast<size_t>(*row) >= rowCount) continue;
            uint8_t& flag = FRowFlags[static_cast<size_t>(*row)];
            if (!flag) {
                flag = 1;
                ++FFlaggedCount;
            }
        }
    }
    List->SetCount(static_cast<int>(FFound.size()));
    FPatternChanged = false;
}

bool TFindAllWords::IsFoundWord(std::string_view upperWord) const {
    const int64_t index = FWords.Find(upperWord);
    return index >= 0 && FWordFound[static_cast<size_t>(index)] != 0;
}

bool TFindAllWords::RowFlagged(int row) const {
    return row >= 0 && static_cast<size_t>(row) < FRowFlags.size() && FRowFlags[static_cast<size_t>(row)] != 0;
}

void TFindAllWords::WordChange(TObject*) {
    FPatternChanged = true;
    if (View->Checked()) {
        List->Clear();
        RunPatternSearch();
    }
}

void TFindAllWords::ViewClick(TObject*) {
    List->Clear();
    if (View->Checked()) {
        SetWidth(kWidthWithWords);
        RunPatternSearch();
    } else {
        SetWidth(kWidthWithoutWords);
    }
}

void TFindAllWords::RememberPattern() {
    const std::string pattern = Word->Text();
    TStrings* items = Word->Items();
    for (int i = 0; i < items->Count(); ++i) {
        if (items->Get(i) != pattern) continue;
        if (i == 0) return;
        items->Delete(i);
        break;
    }
    items->Insert(0, pattern);
    // Rebuilding the items may leave another text in the edit field.
    if (Word->Text() != pattern) Word->SetText(pattern);
}

void TFindAllWords::BitBtn3Click(TObject*) {
    if (FPatternChanged) {
        List->Clear();
        RunPatternSearch();
    }
    RememberPattern();
    const int rows = FGrid ? std::min<int>(FGrid->RowCount(), static_cast<int>(FRowFlags.size())) : 0;
    const int current = FGrid ? FGrid->Row() : 0;
    int found = -1;
    if (Down->ItemIndex() == 0) {
        for (int r = std::max(current + 1, 0); r < rows && found < 0; ++r)
            if (FRowFlags[static_cast<size_t>(r)]) found = r;
    } else {
        for (int r = std::min(current - 1, rows - 1); r >= 0 && found < 0; --r)
            if (FRowFlags[static_cast<size_t>(r)]) found = r;
    }
    if (found < 0) {
        Application->MessageBox(Utf8ToAnsi(kNotFound), Utf8ToAnsi(kSearchCaption), MB_OK | MB_ICONERROR);
        return;
    }
    FGrid->SetRow(found);
    FHighlightRequest = true;
    try {
        if (FGrid->OnClick) FGrid->OnClick(this);
    } catch (...) {
        FHighlightRequest = false;
        throw;
    }
    FHighlightRequest = false;
}

void TFindAllWords::BitBtn2Click(TObject*) {
    Close();
}

void TFindAllWords::BitBtn1Click(TObject*) {
    List->Clear();
    RunPatternSearch();
    ModalResult = mrNone;
}

void TFindAllWords::FormClose(TObject*, TCloseAction& Action) {
    Action = caHide;
}

void TFindAllWords::FormActivate(TObject*) {
    if (Word->CanFocus()) Word->SetFocus();
}

void TFindAllWords::FormDestroy(TObject*) {
    FWords.Load({}, {});
    FRowFlags.clear();
    FWordFound.clear();
    FFound.clear();
    if (FindAllWords == this) FindAllWords = nullptr;
}
