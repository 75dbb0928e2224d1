#include "shell/about.h"

#include <cstdlib>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/picture.h"
#include "framework/stdctrls.h"

namespace {

// Texts of the two boxes (UTF-8 here, code page 1251 on screen).
const char kAboutCaption[] = "О Программе";
const char kProductName[] = "Электронный терминологический словарь";
const char kVersion[] = "Версия 1.0";
const char kMaker[] = "Программа просмотра словаря";
const char kDeveloperCaption[] = "Разработчик";
const char kCredit[] = "Программа просмотра создана";
const char kDeveloper[] = "командой разработчиков словаря";
const char kOK[] = "ОК";  // Cyrillic letters

TLabel* MakeLabel(TForm* form, TWinControl* parent, int left, int top, const char* text) {
    auto* label = new TLabel(form);
    label->SetParent(parent);
    label->SetBounds(left, top, 220, 16);
    label->SetCaption(Utf8ToAnsi(text));
    return label;
}

TButton* MakeOKButton(TForm* form, int left, int top) {
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(left, top, 75, 25);
    button->SetCaption(Utf8ToAnsi(kOK));
    button->ModalResult = mrOk;
    button->SetDefault(true);
    button->SetCancel(true);
    return button;
}

// An open book, drawn for the icon of the About box.
void DrawBookIcon(TBitmap* bitmap) {
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(39, 37);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(Rect(0, 0, 39, 37));
    canvas->Pen()->SetColor(0x602000);
    canvas->Brush()->SetColor(0xA05020);
    canvas->Rectangle(Rect(3, 6, 36, 33));
    canvas->Brush()->SetColor(clWhite);
    canvas->Rectangle(Rect(5, 4, 19, 30));
    canvas->Rectangle(Rect(20, 4, 34, 30));
    canvas->Pen()->SetColor(0x808080);
    for (int y = 9; y < 27; y += 4) {
        canvas->MoveTo(8, y);
        canvas->LineTo(17, y);
        canvas->MoveTo(22, y);
        canvas->LineTo(31, y);
    }
}

}  // namespace

TAbout::TAbout(TComponent* AOwner) : TForm(AOwner) {
    BuildForm([this] {
        SetBorderStyle(bsDialog);
        Position = poScreenCenter;
        SetCaption(Utf8ToAnsi(kAboutCaption));
        SetClientWidth(300);
        SetClientHeight(150);
        GroupBox1 = new TGroupBox(this);
        GroupBox1->SetParent(this);
        GroupBox1->SetBounds(8, 8, 284, 96);
        Image1 = new TImage(this);
        Image1->SetParent(GroupBox1);
        Image1->SetBounds(12, 20, 39, 37);
        DrawBookIcon(Image1->Picture()->Bitmap());
        Image1->OnMouseDown = Bind(this, &TAbout::Image1MouseDown);
        ProductName = MakeLabel(this, GroupBox1, 60, 20, kProductName);
        Version = MakeLabel(this, GroupBox1, 60, 42, kVersion);
        Maker = MakeLabel(this, GroupBox1, 60, 64, kMaker);
        OKButton = MakeOKButton(this, 112, 114);
    });
}

void TAbout::Image1MouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    if (std::abs(X - 5) > 2 || std::abs(Y - 8) > 2) return;
    owned_ptr<TMy> developer(new TMy(this));
    developer->ShowModal();
}

TMy::TMy(TComponent* AOwner) : TForm(AOwner) {
    BuildForm([this] {
        SetBorderStyle(bsDialog);
        Position = poScreenCenter;
        SetCaption(Utf8ToAnsi(kDeveloperCaption));
        SetClientWidth(260);
        SetClientHeight(110);
        GroupBox1 = new TGroupBox(this);
        GroupBox1->SetParent(this);
        GroupBox1->SetBounds(8, 8, 244, 60);
        Credit = MakeLabel(this, GroupBox1, 12, 16, kCredit);
        Developer = MakeLabel(this, GroupBox1, 12, 36, kDeveloper);
        OKButton = MakeOKButton(this, 92, 76);
    });
}
