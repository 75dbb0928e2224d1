// The main window: the term list on the left, the introduction pane above the
// article pane on the right, the menus; and the shell's state.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/article_page.h"
#include "shell/scheme_file.h"
#include "shell/term_table.h"
#include "widgets/gradient_form.h"

class TDock;
class TMenuBar;
class TPanel;
class TSplitter;
class TImage;
class TLabel;
class TStringGrid;
class TPageViewer;
class TTimer;
class TPopupMenu;
class TMainMenu;
class TMenuItem;
class TFindDialog;
class TPrintDialog;
class TFormPlacement;
class TFont;
class TCanvas;

// The article's face while custom appearance is off: schemes give the text's
// colour and size only.
constexpr char kSchemeArticleFontName[] = "Times New Roman";

class TForm1 : public TGradientForm {
public:
    explicit TForm1(TComponent* AOwner);
    ~TForm1() override;

    // Components, in creation order.
    TDock* Dock1 = nullptr;
    TMenuBar* MenuBar1 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* PanelTree = nullptr;
    TPanel* Panel2 = nullptr;
    TPanel* Panel3 = nullptr;
    TPanel* Panel4 = nullptr;
    TImage* LeftV = nullptr;
    TImage* RightV = nullptr;
    TImage* TopV = nullptr;
    TImage* LTV = nullptr;
    TImage* RTV = nullptr;
    TImage* BottomV = nullptr;
    TImage* LBV = nullptr;
    TImage* RBV = nullptr;
    TLabel* F = nullptr;
    TPanel* Panel6 = nullptr;
    TPanel* Panel9 = nullptr;
    TPanel* Panel11 = nullptr;
    TImage* LKat = nullptr;
    TImage* RKat = nullptr;
    TImage* TKat = nullptr;
    TImage* LTKat = nullptr;
    TImage* RTKat = nullptr;
    TImage* BKat = nullptr;
    TImage* LBKat = nullptr;
    TImage* RBKat = nullptr;
    TStringGrid* List = nullptr;
    TSplitter* Splitter1 = nullptr;
    TPanel* Panel7 = nullptr;
    TPanel* Panel5 = nullptr;
    TPanel* Panel13 = nullptr;
    TPanel* Panel14 = nullptr;
    TImage* LText1 = nullptr;
    TImage* RText1 = nullptr;
    TImage* TText1 = nullptr;
    TImage* LTText1 = nullptr;
    TImage* RTText1 = nullptr;
    TImage* BText1 = nullptr;
    TImage* LBText1 = nullptr;
    TImage* RBText1 = nullptr;
    TPageViewer* Vved = nullptr;
    TSplitter* Splitter2 = nullptr;
    TPanel* Panel8 = nullptr;
    TPanel* Panel10 = nullptr;
    TPanel* Panel12 = nullptr;
    TImage* LText = nullptr;
    TImage* RText = nullptr;
    TImage* TText = nullptr;
    TImage* LTText = nullptr;
    TImage* RTText = nullptr;
    TImage* BText = nullptr;
    TImage* LBText = nullptr;
    TImage* RBText = nullptr;
    TPageViewer* Viewer = nullptr;
    TTimer* Timer1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TFindDialog* FD = nullptr;
    TFormPlacement* Place = nullptr;
    TPrintDialog* PrintDlg1 = nullptr;

    // Event handlers bound by the layout.
    void FormDestroy(TObject* Sender);
    void GradientFormResize(TObject* Sender);
    void Splitter2CanResize(TObject* Sender, int& NewSize, bool& Accept);
    void VvedHotSpotClick(TObject* Sender, const std::string& SRC, bool& Handled);
    void ListClick(TObject* Sender);
    void ListKeyPress(TObject* Sender, char& Key);
    void ListDrawCell(TObject* Sender, int ACol, int ARow, const TRect& Rect, unsigned State);
    void Panel6Resize(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void FDFind(TObject* Sender);
    void N2Click(TObject* Sender);
    void N3Click(TObject* Sender);
    void N8Click(TObject* Sender);
    void N13Click(TObject* Sender);
    void N14Click(TObject* Sender);
    void N16Click(TObject* Sender);
    void N23Click(TObject* Sender);
    void N24Click(TObject* Sender);
    void N25Click(TObject* Sender);
    void MenuBar1AllDrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected);
    void MenuBar1AllMeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);

    // Dictionary files and the term list.
    void LoadDictionary();
    void FreeTerms();
    bool SeekTypedPrefix();
    void UpdateListRowHeight();
    const TTermTable& Terms() const { return FTerms; }
    const std::string& ArticleHead() const { return FHead; }

    // Colour scheme, settings and fonts (scheme.cpp, settings.cpp).
    // Raises EFOpenError, EReadError or EInvalidGraphic, naming the file, and
    // then has changed nothing.
    void LoadColorScheme(const std::string& path);
    void ReadVocIni();
    void LoadSettings();
    // Never raises: it runs while the window is destroyed.
    void SaveSettings();
    void ApplyAppearance();
    // Copies the fonts of the folder "fonts" below `prefix` into the system's.
    void InstallFonts(const std::string& prefix);

    // Shell state. SelectedOffset and ShownOffset are an article's offset in
    // "voc.dat", or one of the two marks below.
    static constexpr int kNoArticle = -1;
    static constexpr int kUnplacedArticle = -2;  // a term of a damaged index
    int SelectedOffset = -1;
    int SelectedLength = 0;
    int ShownOffset = -1;
    std::string TypedText;  // code page 1251, at most 101 characters
    bool TypingInProgress = false;
    bool HighlightArticle = false;
    // The one-shot request of the word search: the next selection marks hits.
    bool HighlightRequest = false;
    // Whether an upper-cased word is among the wildcard search's found words;
    // set by the word search dialog once it exists.
    std::function<bool(std::string_view upperWord)> FoundWordTest;

    // The article page and its search hits.
    void HighlightSearchHits(std::string& article);
    // Scrolls the article just loaded to its first search hit, clear of the
    // word search dialog.
    void ShowFirstSearchHit();
    void AddSearchHit(std::string_view word, int32_t start, int32_t end);
    std::string ColorToHtmlHex(TColor color) const;
    const std::vector<TSearchHit>& SearchHitTable() const { return FSearchHits; }
    bool FirstDisplay = true;

    // Shell-wide fonts and values.
    std::unique_ptr<TFont> MenuFont;
    std::unique_ptr<TFont> Font1;
    std::unique_ptr<TFont> Font2;
    std::unique_ptr<TFont> SchemeContentsFont;
    std::unique_ptr<TFont> SchemeTextFont;
    std::unique_ptr<TFont> SchemeFont7;  // read from a scheme, used by nothing
    std::unique_ptr<TFont> SchemeFont8;  // read from a scheme, used by nothing

    TColor SchemeTextBackColor = clWindow;
    TColor SchemeContentsBackColor = clWindow;
    TColor MenuSelBackColor = 0x69A1FF;
    TColor MenuSelTextColor = 0xFFFFFF;
    TColor MenuBackColor = 0xCCF5FF;
    TColor MenuTextColor = 0x0000D3;
    TColor ListSelTextColor = -1;
    TColor ListSelBackColor = -1;
    // Not stored: always the current scheme's selection colours.
    TColor CustomListSelTextColor = -1;
    TColor CustomListSelBackColor = -1;
    TColor SeparatorColor1 = 0xFFFFFF;
    TColor SeparatorColor2 = 0;
    TColor SeparatorColor3 = static_cast<TColor>(0x80000004);
    // Only entry 12 is used: the colour of search hits.
    std::array<TColor, kSchemePaletteRoom> SchemePalette{};
    int SchemePaletteCount = kSchemeDefaultPaletteCount;

    bool HandColor = false;
    TColor Background1Color = -1;
    TColor Background2Color = -1;
    TColor SelectColor = 0;
    int Prc = 50;
    std::string SchemeFileName;  // at most 255 characters
    std::string SchemeFolder;    // at most 255 characters
    std::string RegKey;          // at most 255 characters

private:
    void BuildLayout();
    void BuildMenus();
    int FrameStripHeight() const;

    // `complete` is false when "voc.dat" is missing or holds fewer bytes than asked for.
    std::string ReadArticle(int offset, int length, bool& complete) const;
    void ReportUnreadableArticle();

    TTermTable FTerms;
    std::string FHead;
    std::vector<TSearchHit> FSearchHits;
    TUnicodeCharTable FUnicodeChars;
    bool FArticleFileReported = false;
};

// Code page 1251 upper-casing by the platform's rules, one byte at a time.
const TUpperTable& PlatformUpperTable();
