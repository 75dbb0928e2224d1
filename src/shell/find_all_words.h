// The word search dialog: words of the dictionary matched against a pattern of
// '*' and '?', the terms whose articles hold them flagged, and the term list
// walked from flagged term to flagged term with the found words marked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/forms.h"
#include "shell/word_pattern.h"

class TLabel;
class TComboBox;
class TCheckBox;
class TRadioGroup;
class TButton;
class TOwnerDataListBox;
class TStringGrid;

class TFindAllWords : public TForm {
public:
    // Reads "<directory>\allvurts.dat" and "<directory>\allvurts.ind", and the
    // pattern history from `historyFile` when it names a readable file.
    // `highlightRequest` is raised around the grid's click on a found term.
    TFindAllWords(TComponent* AOwner, TStringGrid* grid, bool& highlightRequest, const std::string& directory,
                  const std::string& historyFile);

    TLabel* Label1 = nullptr;
    TComboBox* Word = nullptr;
    TCheckBox* View = nullptr;
    TRadioGroup* Down = nullptr;
    TButton* BitBtn3 = nullptr;
    TButton* BitBtn2 = nullptr;
    TLabel* Label2 = nullptr;
    TOwnerDataListBox* List = nullptr;

    void WordChange(TObject* Sender);
    void ViewClick(TObject* Sender);
    void BitBtn3Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormActivate(TObject* Sender);
    void FormDestroy(TObject* Sender);

    // Matches every word against the pattern in `Word`, flags the rows of the
    // words found and shows them in `List`.
    void RunPatternSearch();
    // Whether an upper-case word is among the found words.
    bool IsFoundWord(std::string_view upperWord) const;

    const TAllWords& Words() const { return FWords; }
    // Indexes of the found words, in file order.
    const std::vector<uint32_t>& FoundWords() const { return FFound; }
    bool RowFlagged(int row) const;
    int FlaggedCount() const { return FFlaggedCount; }
    bool PatternChanged() const { return FPatternChanged; }
    // The pattern as matched: code page 1251, upper case; a character the code
    // page lacks is kUnmatchableChar.
    std::string Pattern() const;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    void BuildLayout();
    void LoadWordFiles(const std::string& directory);
    void RememberPattern();

    TStringGrid* FGrid;
    bool& FHighlightRequest;
    TAllWords FWords;
    std::vector<uint8_t> FRowFlags;
    std::vector<uint8_t> FWordFound;
    std::vector<uint32_t> FFound;
    int FFlaggedCount = 0;
    bool FPatternChanged = false;
};

// The one dialog of the run, made by the first "По статье"; cleared when it is
// freed with the main window.
extern TFindAllWords* FindAllWords;
