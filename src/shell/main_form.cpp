#include "shell/main_form.h"

#include <algorithm>
#include <functional>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/dialogs.h"
#include "framework/extctrls.h"
#include "framework/graphics.h"
#include "framework/grids.h"
#include "framework/menus.h"
#include "framework/seams.h"
#include "framework/stdctrls.h"
#include "framework/streams.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "html/html_types.h"
#include "shell/about.h"
#include "shell/find_all_words.h"
#include "shell/fparam.h"
#include "shell/help_window.h"
#include "util/placement.h"
#include "viewer/document_printing.h"
#include "viewer/page_viewer.h"
#include "widgets/dock.h"
#include "widgets/menu_bar.h"

namespace {

// Texts the program shows, as it must show them (UTF-8 here, code page 1251 on screen).
const char kTitle[] = "Словарь";
const char kCannotOpenDictionary[] = "Не могу открыть словарь";
const char kSearchCaption[] = "Поиск";
const char kNoTermsFound[] = "Терминов по контексту не найдено";
// Filled with the index file's full name.
const char kDamagedIndex[] = "Указатель терминов в файле %s повреждён: показаны термины, которые удалось прочитать";

const char kHeadFile[] = "voc.hd";
const char kIndexFile[] = "voc.ind";
const char kIntroFile[] = "osnov.htm";

constexpr size_t kMaxTypedText = 101;
constexpr size_t kMaxFindText = 255;
constexpr int kListHelpContext = 10;
constexpr int kPrintHelpContext = 230;

std::string ReadWholeFile(const std::string& name, bool& opened) {
    opened = false;
    try {
        TFileStream file(name, fmOpenRead | fmShareDenyWrite);
        opened = true;
        TMemoryStream memory;
        memory.LoadFromStream(&file);
        return std::string(static_cast<const char*>(memory.Memory()), static_cast<size_t>(memory.Size()));
    } catch (const EStreamError&) {
        return {};
    }
}

TPanel* MakePanel(TComponent* owner, TWinControl* parent, TAlign align, int size = 0) {
    auto* panel = new TPanel(owner);
    panel->SetParent(parent);
    panel->SetBevelOuter(bvNone);
    panel->SetCaption("");
    if (align == alTop || align == alBottom) panel->SetHeight(size);
    if (align == alLeft || align == alRight) panel->SetWidth(size);
    panel->SetAlign(align);
    return panel;
}

TImage* MakeFrameImage(TComponent* owner, TWinControl* parent, TAlign align) {
    auto* image = new TImage(owner);
    image->SetParent(parent);
    if (align == alLeft || align == alRight) image->SetWidth(0);
    image->SetAlign(align);
    image->SetStretch(true);
    return image;
}

}  // namespace

const TUpperTable& PlatformUpperTable() {
    static const TUpperTable table = [] {
        TUpperTable t;
        for (int b = 0; b < 256; ++b) {
            std::string upper = AnsiUpperCase(std::string(1, static_cast<char>(b)));
            t[static_cast<size_t>(b)] = upper.size() == 1 ? static_cast<uint8_t>(upper[0]) : static_cast<uint8_t>(b);
        }
        return t;
    }();
    return table;
}

TForm1::TForm1(TComponent* AOwner)
    : TGradientForm(AOwner),
      MenuFont(std::make_unique<TFont>()),
      Font1(std::make_unique<TFont>()),
      Font2(std::make_unique<TFont>()),
      SchemeContentsFont(std::make_unique<TFont>()),
      SchemeTextFont(std::make_unique<TFont>()),
      SchemeFont7(std::make_unique<TFont>()),
      SchemeFont8(std::make_unique<TFont>()) {
    BuildForm([this] { BuildLayout(); });
    InstallHelpWindow();
    TypingInProgress = false;
    SchemeFileName = "apelsin.sch";
    SchemeFolder = "schema";
    InstallFonts(".");
    ReadVocIni();
    LoadSettings();
    LoadColorScheme(Format("%s\\%s", SchemeFolder.c_str(), SchemeFileName.c_str()));
    if (Background1Color == -1) {
        // First start (no custom appearance stored): the custom set starts as
        // the scheme's, in Arial.
        Background1Color = SchemeTextBackColor;
        Background2Color = SchemeContentsBackColor;
        Font1->Assign(SchemeTextFont.get());
        Font2->Assign(SchemeContentsFont.get());
        Font1->SetName("Arial");
        Font2->SetName("Arial");
        SelectColor = SchemePalette[kSearchHitPaletteEntry];
    }
    // With custom colours off too: a start and an appearance change then give
    // the same look.
    ApplyAppearance();

    FTerms.Clear();
    FHead.clear();
    SelectedOffset = -1;
    ShownOffset = -1;
    TypedText.clear();
    FirstDisplay = true;
    Timer1->SetEnabled(false);
    LoadDictionary();

    if (FileExists(kIntroFile)) {
        Vved->LoadFromFile(kIntroFile);
    } else {
        Panel5->Hide();
        Splitter2->Hide();
    }
    GradientFormResize(this);
}

TForm1::~TForm1() = default;

void TForm1::BuildLayout() {
    SetBounds(Left(), Top(), 696, 480);
    Position = poScreenCenter;
    SetCaption(Utf8ToAnsi(kTitle));
    CaptionFont()->SetName("Arial");
    CaptionFont()->SetStyle(fsBold);
    CaptionFont()->SetCharset(204);  // Russian
    UseSystemCaptionFont = false;
    OnDestroy = Bind(this, &TForm1::FormDestroy);
    // A print job in progress ends before the window closes.
    OnCloseQuery = [this](TObject*, bool& canClose) {
        if (!PrintJobRunning()) return;
        canClose = false;
        AfterPrintJob([this] { PostMessageW(Handle(), WM_CLOSE, 0, 0); });
    };
    OnResize = Bind(this, &TForm1::GradientFormResize);

    Dock1 = new TDock(this);
    Dock1->SetName("Dock1");
    Dock1->SetParent(this);
    Dock1->SetHeight(12);
    Dock1->SetAlign(alTop);
    Dock1->AllowDrag = false;
    Dock1->LimitToOneRow = true;
    MenuBar1 = new TMenuBar(this);
    MenuBar1->SetName("MenuBar1");
    MenuBar1->SetParent(Dock1);
    MenuBar1->FullSize = true;
    MenuBar1->SetShowCaption(false);
    MenuBar1->SetBorderStyle(bsNone);
    MenuBar1->DockMode = dmCannotFloat;
    MenuBar1->ButtonHeight = 21;

    Panel1 = MakePanel(this, this, alClient);
    PanelTree = MakePanel(this, Panel1, alLeft, 185);

    // The typed-prefix label in its frame.
    Panel2 = MakePanel(this, PanelTree, alTop, 39);
    Panel3 = MakePanel(this, Panel2, alTop);
    LTV = MakeFrameImage(this, Panel3, alLeft);
    RTV = MakeFrameImage(this, Panel3, alRight);
    TopV = MakeFrameImage(this, Panel3, alClient);
    Panel4 = MakePanel(this, Panel2, alBottom);
    LBV = MakeFrameImage(this, Panel4, alLeft);
    RBV = MakeFrameImage(this, Panel4, alRight);
    BottomV = MakeFrameImage(this, Panel4, alClient);
    LeftV = MakeFrameImage(this, Panel2, alLeft);
    RightV = MakeFrameImage(this, Panel2, alRight);
    F = new TLabel(this);
    F->SetParent(Panel2);
    F->SetAlign(alClient);
    F->SetAutoSize(false);
    F->SetCaption("");

    // The term list in its frame.
    Panel6 = MakePanel(this, PanelTree, alClient);
    Panel6->OnResize = Bind(this, &TForm1::Panel6Resize);
    Panel9 = MakePanel(this, Panel6, alTop);
    LTKat = MakeFrameImage(this, Panel9, alLeft);
    RTKat = MakeFrameImage(this, Panel9, alRight);
    TKat = MakeFrameImage(this, Panel9, alClient);
    Panel11 = MakePanel(this, Panel6, alBottom);
    LBKat = MakeFrameImage(this, Panel11, alLeft);
    RBKat = MakeFrameImage(this, Panel11, alRight);
    BKat = MakeFrameImage(this, Panel11, alClient);
    LKat = MakeFrameImage(this, Panel6, alLeft);
    RKat = MakeFrameImage(this, Panel6, alRight);

    PopupMenu1 = new TPopupMenu(this);
    List = new TStringGrid(this);
    List->SetName("List");
    List->SetParent(Panel6);
    List->SetAlign(alClient);
    List->SetColCount(1);
    List->SetFixedCols(0);
    List->SetFixedRows(0);
    List->SetRowCount(0);
    List->SetGridLineWidth(0);
    List->SetOptions(goRowSelect);
    List->SetScrollBars(ssVertical);
    List->SetDefaultDrawing(false);
    List->HelpContext = kListHelpContext;
    List->SetPopupMenu(PopupMenu1);
    List->OnClick = Bind(this, &TForm1::ListClick);
    List->OnDrawCell = Bind(this, &TForm1::ListDrawCell);
    List->OnKeyPress = Bind(this, &TForm1::ListKeyPress);

    Splitter1 = new TSplitter(this);
    Splitter1->SetParent(Panel1);
    Splitter1->SetWidth(3);
    Splitter1->SetLeft(PanelTree->Width());
    Splitter1->SetAlign(alLeft);

    // The right column: introduction pane, splitter, article pane.
    Panel7 = MakePanel(this, Panel1, alClient);
    Panel7->Constraints.MinHeight = 200;
    Panel5 = MakePanel(this, Panel7, alTop, 150);
    Panel13 = MakePanel(this, Panel5, alTop);
    LTText1 = MakeFrameImage(this, Panel13, alLeft);
    RTText1 = MakeFrameImage(this, Panel13, alRight);
    TText1 = MakeFrameImage(this, Panel13, alClient);
    Panel14 = MakePanel(this, Panel5, alBottom);
    LBText1 = MakeFrameImage(this, Panel14, alLeft);
    RBText1 = MakeFrameImage(this, Panel14, alRight);
    BText1 = MakeFrameImage(this, Panel14, alClient);
    LText1 = MakeFrameImage(this, Panel5, alLeft);
    RText1 = MakeFrameImage(this, Panel5, alRight);
    Vved = new TPageViewer(this);
    Vved->SetName("Vved");
    Vved->SetParent(Panel5);
    Vved->SetAlign(alClient);

    Splitter2 = new TSplitter(this);
    Splitter2->SetParent(Panel7);
    Splitter2->SetHeight(1);
    Splitter2->SetTop(Panel5->Height());
    Splitter2->SetAlign(alTop);
    Splitter2->OnCanResize = Bind(this, &TForm1::Splitter2CanResize);

    Panel8 = MakePanel(this, Panel7, alClient);
    Panel10 = MakePanel(this, Panel8, alTop);
    LTText = MakeFrameImage(this, Panel10, alLeft);
    RTText = MakeFrameImage(this, Panel10, alRight);
    TText = MakeFrameImage(this, Panel10, alClient);
    Panel12 = MakePanel(this, Panel8, alBottom);
    LBText = MakeFrameImage(this, Panel12, alLeft);
    RBText = MakeFrameImage(this, Panel12, alRight);
    BText = MakeFrameImage(this, Panel12, alClient);
    LText = MakeFrameImage(this, Panel8, alLeft);
    RText = MakeFrameImage(this, Panel8, alRight);
    Viewer = new TPageViewer(this);
    Viewer->SetName("Viewer");
    Viewer->SetParent(Panel8);
    Viewer->SetAlign(alClient);
    Viewer->SetPopupMenu(PopupMenu1);

    for (TPageViewer* v : {Viewer, Vved}) {
        v->SetBorderStyle(htNone);
        v->HistoryMaxCount = 0;
        v->DefFontName = kSchemeArticleFontName;
        v->DefPreFontName = "Courier New";
        v->PrintMarginLeft = v->PrintMarginRight = v->PrintMarginTop = v->PrintMarginBottom = 2.0;
        v->PrintScale = 1.0;
        v->OnKeyPress = Bind(this, &TForm1::ListKeyPress);
    }
    Vved->OnHotSpotClick = Bind(this, &TForm1::VvedHotSpotClick);

    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(100);
    Timer1->SetOnTimer(Bind(this, &TForm1::Timer1Timer));

    MainMenu1 = new TMainMenu(this);
    BuildMenus();
    SetMenu(MainMenu1);
    MenuBar1->MainMenu = MainMenu1;

    FD = new TFindDialog(this);
    FD->Options = frDown | frHideMatchCase;
    FD->OnFind = Bind(this, &TForm1::FDFind);

    Place = new TFormPlacement(this);
    Place->UseRegistry = true;

    PrintDlg1 = new TPrintDialog(this);
    PrintDlg1->HelpContext = kPrintHelpContext;
    PrintDlg1->Options = poWarning | poHelp;
}

void TForm1::BuildMenus() {
    auto item = [this](TMenuItem* parent, const char* caption, TNotifyEvent onClick = {},
                       TShortCut shortCut = 0) {
        auto* menuItem = new TMenuItem(this);
        menuItem->SetCaption(Utf8ToAnsi(caption));
        menuItem->SetShortCut(shortCut);
        menuItem->OnClick = std::move(onClick);
        parent->Add(menuItem);
        return menuItem;
    };
    TMenuItem* file = item(MainMenu1->Items(), "Файл");
    item(file, "Загрузить словарь...")->SetVisible(false);
    item(file, "-")->SetVisible(false);
    item(file, "Печать ...", Bind(this, &TForm1::N16Click));
    item(file, "-");
    item(file, "Выход", Bind(this, &TForm1::N23Click));
    TMenuItem* edit = item(MainMenu1->Items(), "Правка");
    item(edit, "Выделить все", Bind(this, &TForm1::N13Click), ShortCut('A', ssCtrl));
    item(edit, "Копировать", Bind(this, &TForm1::N14Click), ShortCut('C', ssCtrl));
    TMenuItem* search = item(MainMenu1->Items(), "  Поиск ");
    item(search, "По термину", Bind(this, &TForm1::N2Click));
    item(search, "По статье", Bind(this, &TForm1::N3Click));
    TMenuItem* service = item(MainMenu1->Items(), "Сервис");
    item(service, "Оформление...", Bind(this, &TForm1::N8Click));
    TMenuItem* help = item(MainMenu1->Items(), "Помощь");
    item(help, "Справка", Bind(this, &TForm1::N24Click));
    item(help, "О Программе...", Bind(this, &TForm1::N25Click));

    TMenuItem* popupSearch = item(PopupMenu1->Items(), "Поиск   ");
    item(popupSearch, "Среди терминов", Bind(this, &TForm1::N2Click), ShortCut('F', ssCtrl));
    item(popupSearch, "В словарной статье", Bind(this, &TForm1::N3Click));
    item(PopupMenu1->Items(), "-");
    item(PopupMenu1->Items(), "Копировать", Bind(this, &TForm1::N14Click), ShortCut('C', ssCtrl));
    item(PopupMenu1->Items(), "Выделить все", Bind(this, &TForm1::N13Click), ShortCut('A', ssCtrl));
    item(PopupMenu1->Items(), "-");
    item(PopupMenu1->Items(), "Печать...", Bind(this, &TForm1::N16Click), ShortCut('P', ssCtrl));

    // Every popup item is drawn in the scheme's menu font and colours; the menu
    // bar gives its drop-down copies of the main menu the same two handlers.
    PopupMenu1->SetOwnerDraw(true);
    std::function<void(TMenuItem*)> dress = [&](TMenuItem* parent) {
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* child = parent->Items(i);
            child->OnDrawItem = Bind(this, &TForm1::MenuBar1AllDrawItem);
            child->OnMeasureItem = Bind(this, &TForm1::MenuBar1AllMeasureItem);
            dress(child);
        }
    };
    dress(PopupMenu1->Items());
    MenuBar1->OnAllDrawItem = Bind(this, &TForm1::MenuBar1AllDrawItem);
    MenuBar1->OnAllMeasureItem = Bind(this, &TForm1::MenuBar1AllMeasureItem);
}

// ---------------------------------------------------------------------------
// Menu items drawn in the scheme's menu font and colours

namespace {

std::string WithoutAmpersands(const std::string& caption) {
    std::string out;
    for (char c : caption)
        if (c != '&') out += c;
    return out;
}

}  // namespace

void TForm1::MenuBar1AllDrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected) {
    auto* menuItem = dynamic_cast<TMenuItem*>(Sender);
    if (!menuItem || !ACanvas) return;
    ACanvas->Font()->Assign(MenuFont.get());
    if (!menuItem->IsLine()) {
        ACanvas->Brush()->SetColor(Selected ? MenuSelBackColor : MenuBackColor);
        ACanvas->Font()->SetColor(Selected ? MenuSelTextColor : MenuTextColor);
        ACanvas->FillRect(ARect);
        ACanvas->TextOut(ARect.Left + 2, ARect.Top + 2, WithoutAmpersands(menuItem->Caption()));
        std::string shortCut = ShortCutToText(menuItem->GetShortCut());
        if (!shortCut.empty())
            ACanvas->TextOut(ARect.Right - ACanvas->TextWidth(shortCut) - 2, ARect.Top + 2, shortCut);
        return;
    }
    ACanvas->Brush()->SetColor(MenuBackColor);
    ACanvas->FillRect(ARect);
    const int mid = (ARect.Top + ARect.Bottom) / 2;
    struct Line {
        int y;
        TColor color;
        int width;
    } lines[] = {{mid - 3, SeparatorColor1, 2}, {mid, SeparatorColor2, 3}, {mid + 2, SeparatorColor3, 1}};
    for (const Line& line : lines) {
        ACanvas->Pen()->SetColor(line.color);
        ACanvas->Pen()->SetWidth(line.width);
        ACanvas->MoveTo(ARect.Left + 2, line.y);
        ACanvas->LineTo(ARect.Right - 2, line.y);
    }
}

void TForm1::MenuBar1AllMeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) {
    auto* menuItem = dynamic_cast<TMenuItem*>(Sender);
    if (!menuItem || !ACanvas) return;
    ACanvas->Font()->Assign(MenuFont.get());
    Height = ACanvas->TextHeight(std::string("HHH")) + 4;
    Width = ACanvas->TextWidth(menuItem->Caption());
    if (menuItem->GetShortCut() != 0)
        Width += ACanvas->TextWidth("\t" + ShortCutToText(menuItem->GetShortCut())) + 20;
}

// ---------------------------------------------------------------------------
// Dictionary files and the term list

void TForm1::FreeTerms() {
    FTerms.Clear();
}

void TForm1::LoadDictionary() {
    FreeTerms();
    bool opened = false;
    std::string head = ReadWholeFile(kHeadFile, opened);
    if (opened) FHead = std::move(head);

    std::string index = ReadWholeFile(kIndexFile, opened);
    if (!opened) {
        Application->MessageBox(Utf8ToAnsi(kCannotOpenDictionary), Utf8ToAnsi(kTitle), MB_OK | MB_ICONERROR);
        return;
    }
    FTerms.Load(index, PlatformUpperTable());
    // Said once, at load: every term of a damaged index would otherwise need its own box.
    if (FTerms.Damaged())
        Application->MessageBox(Format(Utf8ToAnsi(kDamagedIndex).c_str(), ExpandFileName(kIndexFile).c_str()),
                               Utf8ToAnsi(kTitle), MB_OK | MB_ICONERROR);
    List->SetRowCount(FTerms.Count());
    List->SetRow(0);
    SelectedOffset = -1;
    ListClick(nullptr);
    Timer1->SetEnabled(true);
}

void TForm1::ListClick(TObject* Sender) {
    if (Sender && !TypingInProgress) {
        TypedText.clear();
        F->SetCaption("");
    }
    int row = List->Row();
    if (row >= 0 && row < FTerms.Count()) {
        HighlightArticle = HighlightRequest;
        HighlightRequest = false;
        const TermRecord& term = FTerms.Term(row);
        // A term the index cannot place shows an empty article, not the one before it.
        SelectedOffset = TTermTable::Unplaced(term) ? kUnplacedArticle : term.Offset;
        SelectedLength = TTermTable::Unplaced(term) ? 0 : term.Length;
        // A followed link has put a picture or a page in the pane: choosing
        // a term, the marked one too, brings an article back.
        if (!Viewer->CurrentFile().empty()) ShownOffset = -1;
    }
}

bool TForm1::SeekTypedPrefix() {
    TypedText = AnsiUpperCase(TypedText);
    if (TypedText.empty()) {
        List->SetRow(0);
        ListClick(nullptr);
        return true;
    }
    int row = FTerms.FindPrefix(TypedText);
    if (row < 0) return false;
    TypingInProgress = true;
    try {
        List->SetRow(row);
    } catch (...) {
        TypingInProgress = false;
        throw;
    }
    TypingInProgress = false;
    ListClick(nullptr);
    return true;
}

void TForm1::ListKeyPress(TObject*, char& Key) {
    unsigned char key = static_cast<unsigned char>(Key);
    if (key == 8) {
        if (TypedText.empty()) return;
        TypedText.pop_back();
        SeekTypedPrefix();
    } else {
        if (key < 32 || TypedText.size() >= kMaxTypedText) return;
        TypedText.push_back(Key);
        if (!SeekTypedPrefix()) {
            TypedText.pop_back();
            return;
        }
    }
    F->SetCaption(TypedText);
    F->Repaint();
}

void TForm1::N2Click(TObject*) {
    FD->Execute();
}

void TForm1::FDFind(TObject*) {
    std::string text = AnsiUpperCase(FD->FindText.substr(0, kMaxFindText));
    bool down = (FD->Options & frDown) != 0;
    bool wholeWord = (FD->Options & frWholeWord) != 0;
    int row = FTerms.FindSubstring(text, List->Row(), down, wholeWord);
    if (row < 0) {
        Application->MessageBox(Utf8ToAnsi(kNoTermsFound), Utf8ToAnsi(kSearchCaption), MB_OK | MB_ICONERROR);
        return;
    }
    List->SetRow(row);
    ListClick(this);
}

void TForm1::UpdateListRowHeight() {
    TCanvas* canvas = List->Canvas();
    canvas->Font()->Assign(HandColor ? Font2.get() : SchemeContentsFont.get());
    // An o with a combining acute: the tallest thing a stressed term shows.
    const std::wstring probe{L'\u00EE', L'\u0301', L'\0'};
    List->SetDefaultRowHeight(canvas->TextExtent(probe).cy + 4);
}

void TForm1::Panel6Resize(TObject*) {
    List->SetColWidths(0, List->Width() - 10);
}

void TForm1::ListDrawCell(TObject*, int, int ARow, const TRect& Rect, unsigned State) {
    TCanvas* canvas = List->Canvas();
    canvas->Font()->Assign(SchemeContentsFont.get());
    canvas->Font()->SetName("Arial");
    if (State & (gdSelected | gdFocused)) {
        TColor text;
        if (HandColor) {
            canvas->Font()->Assign(Font2.get());
            canvas->Brush()->SetColor(CustomListSelBackColor);
            text = CustomListSelTextColor;
        } else {
            if (ListSelBackColor > 0) canvas->Brush()->SetColor(ListSelBackColor);
            text = ListSelTextColor;
        }
        canvas->Font()->SetColor(text <= 0 ? clWhite : text);
    } else if (HandColor) {
        canvas->Font()->Assign(Font2.get());
        if (canvas->Font()->Color() < 0) canvas->Font()->SetColor(clWhite);
        canvas->Brush()->SetColor(Background2Color);
    } else {
        canvas->Brush()->SetColor(SchemeContentsBackColor);
    }
    canvas->FillRect(Rect);
    // Rows past the table (an empty or short index) show no term.
    if (ARow < 0 || ARow >= FTerms.Count()) return;
    std::u16string_view name = FTerms.Name(ARow);
    canvas->TextOut(Rect.Left + 10, Rect.Top, std::wstring(name.begin(), name.end()));
}

// ---------------------------------------------------------------------------
// The article page

namespace {

const char kArticleFile[] = "voc.dat";
const char kUnicodeFile[] = "unicod.bin";
// Filled with the article file's full name.
const char kCannotReadArticle[] = "Не могу прочитать статью из файла %s: файла нет или он повреждён";

// Enables the timer again on every way out of a tick.
class TimerRearm {
public:
    explicit TimerRearm(TTimer* timer) : timer_(timer) {}
    ~TimerRearm() {
        try {
            timer_->SetEnabled(true);
        } catch (...) {
            // A timer that cannot be set again leaves the poll stopped; there is
            // nobody to tell from a destructor.
        }
    }

private:
    TTimer* timer_;
};

}  // namespace

std::string TForm1::ReadArticle(int offset, int length, bool& complete) const {
    // A missing file or a range past its end gives fewer bytes, never zeros.
    complete = true;
    if (offset < 0 || length <= 0) return {};
    try {
        TFileStream file(kArticleFile, fmOpenRead | fmShareDenyWrite);
        const TArticleSpan span = ArticleSpan(offset, length, file.Size());
        std::string article(static_cast<size_t>(span.Count), '\0');
        if (span.Count > 0) {
            file.SetPosition(span.Start);
            article.resize(static_cast<size_t>(std::max(file.Read(article.data(), span.Count), 0)));
        }
        complete = article.size() == static_cast<size_t>(length);
        return article;
    } catch (const EStreamError&) {
        complete = false;
        return {};
    }
}

void TForm1::ReportUnreadableArticle() {
    // Once a session: a damaged file would otherwise answer every term with a box.
    if (FArticleFileReported) return;
    FArticleFileReported = true;
    Application->MessageBox(Format(Utf8ToAnsi(kCannotReadArticle).c_str(), ExpandFileName(kArticleFile).c_str()),
                           Utf8ToAnsi(kTitle), MB_OK | MB_ICONERROR);
}

void TForm1::Timer1Timer(TObject*) {
    Timer1->SetEnabled(false);
    TimerRearm rearm(Timer1);
    if (SelectedOffset == kNoArticle || SelectedOffset == ShownOffset) return;
    bool complete = true;
    std::string article = ReadArticle(SelectedOffset, SelectedLength, complete);
    bool marked = false;
    if (HighlightArticle) {
        HighlightSearchHits(article);
        HighlightArticle = false;
        marked = !FSearchHits.empty();
    }
    const std::string page = BuildArticlePage(FHead, article);
    TReadOnlyMemoryStream stream(page.data(), static_cast<int64_t>(page.size()));
    if (FirstDisplay) {
        // The very first article is loaded twice.
        FirstDisplay = false;
        Viewer->LoadFromStream(&stream, "");
        stream.SetPosition(0);
    }
    Viewer->LoadFromStream(&stream, "");
    ShownOffset = SelectedOffset;
    if (marked) ShowFirstSearchHit();
    // What could be read is on screen behind the message.
    if (!complete) ReportUnreadableArticle();
}

void TForm1::ShowFirstSearchHit() {
    // A link to the first mark puts it at the pane's top; the word search
    // dialog stays on top of everything, so the mark goes where it is not.
    if (!Viewer->PositionTo("word1")) return;
    TControl* panel = Viewer->PaintPanelControl();
    if (!panel || !Viewer->HandleAllocated() || !FindAllWords || !FindAllWords->Visible() ||
        !FindAllWords->HandleAllocated())
        return;
    // Where the mark is on the page: the scroll position unless the page
    // ends within a pane's height of it.
    int markTop = Viewer->GetScrollPos();
    if (markTop >= Viewer->GetScrollBarRange())
        if (TIDNameList* names = Viewer->GetNameList())
            if (TIDObject* mark = names->FindObject("WORD1")) markTop = std::max(markTop, mark->GetYPosition());
    // The marked line, with room for a heading's larger letters.
    const int band = MulDiv(Viewer->DefFontSize(), Screen->PixelsPerInch(), 72) * 2 + 4;
    const int gap = 4;

    TPoint origin = panel->ClientToScreen(TPoint{0, 0});
    const RECT pane{origin.X, origin.Y, origin.X + panel->Width(), origin.Y + panel->Height()};
    RECT dialog;
    GetWindowRect(FindAllWords->Handle(), &dialog);
    if (dialog.right <= pane.left || dialog.left >= pane.right) return;
    if (dialog.top - pane.top < band && pane.bottom - dialog.bottom >= band + gap)
        Viewer->ScrollTo(markTop - (dialog.bottom - pane.top + gap));

    const int top = pane.top + markTop - Viewer->GetScrollPos();
    if (top >= dialog.bottom || top + band <= dialog.top) return;
    // No room in the pane clear of the dialog: the dialog moves off the mark,
    // below it when the screen has room, else above it.
    HMONITOR monitor = MonitorFromWindow(FindAllWords->Handle(), MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info)) return;
    const int height = dialog.bottom - dialog.top;
    int y;
    if (top + band + gap + height <= info.rcWork.bottom)
        y = top + band + gap;
    else if (top - gap - height >= info.rcWork.top)
        y = top - gap - height;
    else
        return;
    SetWindowPos(FindAllWords->Handle(), nullptr, dialog.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::HighlightSearchHits(std::string& article) {
    if (FUnicodeChars.Count() == 0) {
        bool opened = false;
        std::string table = ReadWholeFile(kUnicodeFile, opened);
        if (opened) FUnicodeChars.Load(table);
    }
    FSearchHits.clear();
    std::string copy = article;
    ScanArticleWords(copy, FUnicodeChars, [this](std::string_view word, int32_t start, int32_t end) {
        AddSearchHit(word, start, end);
    });
    const TColor color = HandColor ? SelectColor : SchemePalette[12];
    article = MarkSearchHits(article, FSearchHits, ColorToHtmlHex(color));
}

void TForm1::AddSearchHit(std::string_view word, int32_t start, int32_t end) {
    if (!FoundWordTest || FSearchHits.size() >= kMaxSearchHits) return;
    std::string upper(word);
    const TUpperTable& table = PlatformUpperTable();
    for (char& c : upper) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    if (FoundWordTest(upper)) FSearchHits.push_back({start, end});
}

std::string TForm1::ColorToHtmlHex(TColor color) const {
    return HtmlHexOfRgb(static_cast<uint32_t>(ColorToRGB(color)));
}

// ---------------------------------------------------------------------------
// Panes

int TForm1::FrameStripHeight() const {
    return Panel13->Height() + Panel14->Height();
}

void TForm1::GradientFormResize(TObject*) {
    int h = Panel7->Height();
    // A minimised window has no room to split: keep the panes as they are.
    if (h <= 0) return;
    int v = static_cast<int>(static_cast<int64_t>(h) * Prc / 100);
    int m = FrameStripHeight();
    if (v < m) v = m;
    if (h - v < m) v = h - m;
    Panel5->SetHeight(v);
}

void TForm1::Splitter2CanResize(TObject*, int& NewSize, bool& Accept) {
    int h = Panel7->Height();
    int m = FrameStripHeight();
    if (h <= 0 || NewSize < m || h - NewSize < m) {
        Accept = false;
        return;
    }
    Accept = true;
    Prc = static_cast<int>(static_cast<int64_t>(NewSize) * 100 / h);
}

void TForm1::VvedHotSpotClick(TObject*, const std::string& SRC, bool& Handled) {
    if (seams::ShellExecute) seams::ShellExecute(Handle(), "open", SRC, "", ".", SW_SHOW);
    Handled = true;
}

// ---------------------------------------------------------------------------
// Menu commands

void TForm1::N13Click(TObject*) {
    Viewer->SelectAll();
}

void TForm1::N14Click(TObject*) {
    Viewer->CopyToClipboard();
}

void TForm1::N16Click(TObject*) {
    if (PrintJobRunning()) return;
    if (PrintDlg1->Execute()) Viewer->Print(1, 9999);
}

void TForm1::N3Click(TObject*) {
    if (!FindAllWords) {
        FindAllWords = new TFindAllWords(this, List, HighlightRequest, ".", "");
        FoundWordTest = [](std::string_view upperWord) {
            return FindAllWords && FindAllWords->IsFoundWord(upperWord);
        };
    }
    FindAllWords->Show();
}

void TForm1::N8Click(TObject*) {
    owned_ptr<TFParam> appearance(new TFParam(this));
    appearance->ShowModal();
}

void TForm1::N23Click(TObject*) {
    Close();
}

void TForm1::N25Click(TObject*) {
    owned_ptr<TAbout> about(new TAbout(this));
    about->ShowModal();
}

void TForm1::N24Click(TObject*) {
    Application->HelpCommand(HELP_CONTENTS, 0);
}

void TForm1::FormDestroy(TObject*) {
    CloseHelpWindow();
    FreeTerms();
    FHead.clear();
    SaveSettings();
}
