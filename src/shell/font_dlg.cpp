#include "shell/font_dlg.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "framework/cp1251.h"
#include "framework/dialogs.h"
#include "framework/graphics.h"
#include "framework/stdctrls.h"
#include "util/font_combo.h"
#include "widgets/option_box.h"

namespace {

// Texts of the dialog (UTF-8 here, code page 1251 on screen).
const char kCaption[] = "Выбор шрифта";
const char kBold[] = "Жирный";
const char kColor[] = "Цвет:";
const char kBackground[] = "Цвет фона:";
const char kExample[] = "Строка текста";
const char kOK[] = "OK";
const char kCancel[] = "Отмена";
const char kTry[] = "Попробовать";

const char* const kSizes[] = {"8", "10", "12", "14", "18", "24"};

TButton* MakeButton(TForm* form, int left, int top, int width, const char* caption) {
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(left, top, width, 25);
    button->SetCaption(Utf8ToAnsi(caption));
    return button;
}

TOptionBox* MakeColorButton(TForm* form, int left, int top, const char* caption) {
    auto* box = new TOptionBox(form);
    box->SetParent(form);
    box->SetBounds(left, top, 110, 22);
    box->SetCaption(Utf8ToAnsi(caption));
    // The face is the colour it stands for.
    box->SetFlat(true);
    box->SetOpaque(true);
    box->SetChangeCaptionOnSelect(false);
    return box;
}

// A colour box's face is the colour it stands for; its caption is written in
// black, or in white where black would not read on that face (a dark font
// colour would hide "Цвет:" otherwise).
void ShowColour(TOptionBox* box, TColor color) {
    box->SetColor(color);
    box->Font()->SetColor(ReadableOn(ColorToRGB(color), clBlack));
}

}  // namespace

int ParseFontSize(const std::string& text) {
    // The whole text must be a decimal number, as the platform's conversion
    // wants it: optional blanks, an optional sign, digits.
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const size_t digits = i;
    int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), std::numeric_limits<int32_t>::max());
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == digits || i != text.size()) return 0;
    if (negative) return 0;
    return static_cast<int>(std::min<int64_t>(value, kMaxFontSize));
}

TFontDlg::TFontDlg(TComponent* AOwner, TColor& color, TFont* font)
    : TForm(AOwner), FColor(color), FFont(font), FKeptFont(std::make_unique<TFont>()) {
    BuildForm([this] { BuildLayout(); });
    // The frame is known once the window exists: the client area is sized on
    // a real window, which goes at the end of construction, so that the first
    // showing centres the form and makes every control visible.
    HandleNeeded();
    SetClientWidth(360);
    SetClientHeight(190);
    Example->Font()->Assign(FFont);
    Example->SetColor(FColor);
    ShowColour(ButFon, FColor);
    FontComboBox1->SetFontName(FFont->Name());
    Size->SetText(Format("%d", FFont->Size()));
    ShowColour(But, FFont->Color());
    FKeptFont->Assign(FFont);
    Bold->SetChecked((FFont->Style() & fsBold) != 0);
    DestroyHandle();
}

TFontDlg::~TFontDlg() = default;

void TFontDlg::BuildLayout() {
    SetBorderStyle(bsDialog);
    Position = poMainFormCenter;
    SetCaption(Utf8ToAnsi(kCaption));
    SetClientWidth(360);
    SetClientHeight(190);
    OnClose = Bind(this, &TFontDlg::FormClose);
    OnDestroy = Bind(this, &TFontDlg::FormDestroy);

    FontComboBox1 = new TFontComboBox(this);
    FontComboBox1->SetParent(this);
    FontComboBox1->SetBounds(8, 8, 200, 22);
    FontComboBox1->OnChange = Bind(this, &TFontDlg::FontComboBox1Change);

    Size = new TComboBox(this);
    Size->SetParent(this);
    Size->SetBounds(216, 8, 56, 22);
    for (const char* size : kSizes) Size->Items()->Add(size);
    Size->OnChange = Bind(this, &TFontDlg::SizeExit);

    Bold = new TCheckBox(this);
    Bold->SetParent(this);
    Bold->SetBounds(280, 10, 76, 17);
    Bold->SetCaption(Utf8ToAnsi(kBold));
    Bold->OnClick = Bind(this, &TFontDlg::BoldClick);

    But = MakeColorButton(this, 8, 40, kColor);
    But->OnClick = Bind(this, &TFontDlg::ButClick);
    ButFon = MakeColorButton(this, 126, 40, kBackground);
    ButFon->OnClick = Bind(this, &TFontDlg::ButFonClick);

    Example = new TMemo(this);
    Example->SetParent(this);
    Example->SetBounds(8, 72, 344, 74);
    Example->SetReadOnly(true);
    Example->SetText(Utf8ToAnsi(kExample));

    BitBtn1 = MakeButton(this, 8, 156, 90, kOK);
    BitBtn1->ModalResult = mrOk;
    BitBtn1->SetDefault(true);
    BitBtn1->OnClick = Bind(this, &TFontDlg::BitBtn1Click);
    BitBtn2 = MakeButton(this, 106, 156, 90, kCancel);
    BitBtn2->ModalResult = mrCancel;
    BitBtn2->SetCancel(true);
    Button1 = MakeButton(this, 222, 156, 130, kTry);
    Button1->OnClick = Bind(this, &TFontDlg::Button1Click);

    CD = new TColorDialog(this);
}

void TFontDlg::FontComboBox1Change(TObject*) {
    // A name the list does not hold leaves the example's as it is.
    const std::string name = FontComboBox1->GetFontName();
    if (!name.empty()) Example->Font()->SetName(name);
}

void TFontDlg::SizeExit(TObject*) {
    Example->Font()->SetSize(ParseFontSize(Size->Text()));
}

void TFontDlg::BoldClick(TObject*) {
    TFont* font = Example->Font();
    font->SetStyle(Bold->Checked() ? font->Style() | fsBold : font->Style() & ~fsBold);
}

void TFontDlg::ButClick(TObject*) {
    CD->Color = Example->Font()->Color();
    if (!CD->Execute()) return;
    Example->Font()->SetColor(CD->Color);
    ShowColour(But, CD->Color);
}

void TFontDlg::ButFonClick(TObject*) {
    CD->Color = Example->Color();
    if (!CD->Execute()) return;
    Example->SetColor(CD->Color);
    ShowColour(ButFon, CD->Color);
}

void TFontDlg::CopyExampleOut() {
    FFont->Assign(Example->Font());
    FColor = Example->Color();
}

void TFontDlg::BitBtn1Click(TObject*) {
    CopyExampleOut();
}

void TFontDlg::Button1Click(TObject*) {
    CopyExampleOut();
}

bool TFontDlg::CloseQuery() {
    if (!TForm::CloseQuery()) return false;
    // A modal form ends without OnClose: its closing runs here.
    if (Modal() || ModalResult != mrNone) {
        TCloseAction action = caHide;
        FormClose(this, action);
    }
    return true;
}

void TFontDlg::FormClose(TObject*, TCloseAction&) {
    if (FClosed) return;
    FClosed = true;
    if (ModalResult != mrOk) FFont->Assign(FKeptFont.get());
}

void TFontDlg::FormDestroy(TObject*) {
    FKeptFont.reset();
}
