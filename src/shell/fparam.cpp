#include "shell/fparam.h"

#include <iterator>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/dialogs.h"
#include "framework/extctrls.h"
#include "framework/graphics.h"
#include "framework/grids.h"
#include "framework/stdctrls.h"
#include "framework/win.h"
#include "shell/font_dlg.h"
#include "shell/main_form.h"
#include "widgets/tool_button.h"

std::function<TModalResult(TFontDlg* dialog)> TFParam::RunFontDialog;

namespace {

// Texts of the dialog (UTF-8 here, code page 1251 on screen).
const char kCaption[] = "Оформление";
const char kSchemeGroup[] = "Цветовая схема";
const char kHand[] = "Настроить цвета самостоятельно";
const char kListGroup[] = "Окно содержания";
const char kListExample[] = "Пример названия главы";
const char kTextGroup[] = "Окно текста";
const char kTextExample[] = "ЗАГОЛОВОК\r\nПример  строки текста";
const char kChange[] = "Изменить...";
const char kHitColor[] = "Цвет найденных по поиску слов";
const char kOK[] = "OK";
const char kCancel[] = "Отмена";
const char kApply[] = "Применить";

const char kSchemeMask[] = "%s\\*.sch";
const wchar_t kSchemeExtension[] = L".sch";

template <class T>
T* Make(TForm* form, TWinControl* parent, int left, int top, int width, int height) {
    auto* control = new T(form);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

TMemo* MakeExample(TForm* form, TWinControl* parent, int left, int top, int width, int height, const char* text) {
    auto* memo = Make<TMemo>(form, parent, left, top, width, height);
    memo->SetReadOnly(true);
    memo->SetText(Utf8ToAnsi(text));
    return memo;
}

std::wstring Lower(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

TFParam::TFParam(TForm1* AOwner)
    : TForm(AOwner), FMain(AOwner), FKeptFont1(std::make_unique<TFont>()), FKeptFont2(std::make_unique<TFont>()) {
    BuildForm([this] { BuildLayout(); });
    // The frame is known once the window exists: the client area is sized on
    // a real window, which goes at the end of construction, so that the first
    // showing centres the form and makes every control visible.
    HandleNeeded();
    SetClientWidth(420);
    SetClientHeight(326);
    ListSchemes();
    FKeptFont1->Assign(FMain->Font1.get());
    FKeptFont2->Assign(FMain->Font2.get());
    FKeptBackground1 = FMain->Background1Color;
    FKeptBackground2 = FMain->Background2Color;
    FKeptHand = FMain->HandColor;
    selCol->SetColor(FMain->SelectColor);
    FName1->SetColor(FMain->Background1Color);
    FName1->Font()->Assign(FMain->Font1.get());
    FName2->SetColor(FMain->Background2Color);
    FName2->Font()->Assign(FMain->Font2.get());
    Hand->SetChecked(FMain->HandColor);
    HandClick(Hand);
    DestroyHandle();
}

TFParam::~TFParam() = default;

void TFParam::BuildLayout() {
    SetBorderStyle(bsDialog);
    Position = poMainFormCenter;
    SetCaption(Utf8ToAnsi(kCaption));
    HelpContext = kAppearanceHelpContext;
    SetClientWidth(420);
    SetClientHeight(326);
    OnClose = Bind(this, &TFParam::FormClose);

    GroupBox1 = Make<TGroupBox>(this, this, 8, 4, 404, 52);
    GroupBox1->SetCaption(Utf8ToAnsi(kSchemeGroup));
    Schema = Make<TComboBox>(this, GroupBox1, 12, 20, 380, 22);
    Schema->SetStyle(csDropDownList);

    Hand = Make<TCheckBox>(this, this, 12, 64, 300, 17);
    Hand->SetCaption(Utf8ToAnsi(kHand));
    Hand->OnClick = Bind(this, &TFParam::HandClick);

    Panel1 = Make<TPanel>(this, this, 8, 86, 404, 200);
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetCaption("");

    GroupBox2 = Make<TGroupBox>(this, Panel1, 0, 0, 404, 72);
    GroupBox2->SetCaption(Utf8ToAnsi(kListGroup));
    FName2 = MakeExample(this, GroupBox2, 12, 20, 264, 42, kListExample);
    Button1 = Make<TButton>(this, GroupBox2, 288, 28, 104, 25);
    Button1->SetCaption(Utf8ToAnsi(kChange));
    Button1->OnClick = Bind(this, &TFParam::Button1Click);

    GroupBox3 = Make<TGroupBox>(this, Panel1, 0, 78, 404, 122);
    GroupBox3->SetCaption(Utf8ToAnsi(kTextGroup));
    FName1 = MakeExample(this, GroupBox3, 12, 20, 264, 60, kTextExample);
    Button2 = Make<TButton>(this, GroupBox3, 288, 28, 104, 25);
    Button2->SetCaption(Utf8ToAnsi(kChange));
    Button2->OnClick = Bind(this, &TFParam::Button2Click);
    selCol = Make<TToolbarButton>(this, GroupBox3, 12, 88, 26, 24);
    // The face is the hit colour.
    selCol->SetFlat(true);
    selCol->SetOpaque(true);
    selCol->OnClick = Bind(this, &TFParam::selColClick);
    Label1 = Make<TLabel>(this, GroupBox3, 46, 93, 340, 16);
    Label1->SetCaption(Utf8ToAnsi(kHitColor));

    Button5 = Make<TButton>(this, this, 8, 294, 96, 25);
    Button5->SetCaption(kOK);
    Button5->ModalResult = mrOk;
    Button5->SetDefault(true);
    Button5->OnClick = Bind(this, &TFParam::Button5Click);
    Button6 = Make<TButton>(this, this, 112, 294, 96, 25);
    Button6->SetCaption(Utf8ToAnsi(kCancel));
    Button6->ModalResult = mrCancel;
    Button6->SetCancel(true);
    Button6->OnClick = Bind(this, &TFParam::Button6Click);
    Button3 = Make<TButton>(this, this, 216, 294, 96, 25);
    Button3->SetCaption(Utf8ToAnsi(kApply));
    Button3->OnClick = Bind(this, &TFParam::Button3Click);

    ColorDialog1 = new TColorDialog(this);
}

void TFParam::ListSchemes() {
    const std::wstring current = Lower(AnsiToWide(FMain->SchemeFileName));
    const std::wstring mask = AnsiToWide(Format(kSchemeMask, FMain->SchemeFolder.c_str()));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(mask.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    const size_t extension = std::size(kSchemeExtension) - 1;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // The system's mask also matches generated short names ("LONGNA~1.SCH"
        // for a longer extension): only the file's own name counts.
        const std::wstring name = found.cFileName;
        const std::wstring lower = Lower(name);
        if (lower.size() < extension || lower.compare(lower.size() - extension, extension, kSchemeExtension) != 0)
            continue;
        const int index = Schema->Items()->Add(WideToAnsi(name.substr(0, name.rfind(L'.'))));
        if (lower == current) FKeptSchemeIndex = index;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    Schema->SetItemIndex(FKeptSchemeIndex);
}

int TFParam::CurrentSchemeIndex() const {
    const std::wstring current = Lower(AnsiToWide(FMain->SchemeFileName));
    for (int i = 0; i < Schema->Items()->Count(); ++i)
        if (Lower(AnsiToWide(Schema->Items()->Get(i) + ".sch")) == current) return i;
    return -1;
}

void TFParam::HandClick(TObject*) {
    const bool enabled = Hand->Checked();
    for (int i = 0; i < Panel1->ControlCount(); ++i) {
        TControl* control = Panel1->Controls(i);
        control->SetEnabled(enabled);
        if (auto* holder = dynamic_cast<TWinControl*>(control))
            for (int j = 0; j < holder->ControlCount(); ++j) holder->Controls(j)->SetEnabled(enabled);
    }
}

void TFParam::EditFont(TMemo* example, bool boldUsable) {
    TColor color = example->Color();
    owned_ptr<TFontDlg> dialog(new TFontDlg(this, color, example->Font()));
    if (!boldUsable) {
        dialog->Bold->SetChecked(false);
        dialog->Bold->SetEnabled(false);
    }
    if (RunFontDialog)
        RunFontDialog(dialog.get());
    else
        dialog->ShowModal();
    dialog.reset();
    example->SetColor(color);
}

void TFParam::Button1Click(TObject*) {
    EditFont(FName2, true);
}

void TFParam::Button2Click(TObject*) {
    EditFont(FName1, false);
}

void TFParam::selColClick(TObject*) {
    ColorDialog1->Color = selCol->Color();
    if (ColorDialog1->Execute()) selCol->SetColor(ColorDialog1->Color);
}

namespace {

bool SameFont(const TFont* a, const TFont* b) {
    return a->Name() == b->Name() && a->Size() == b->Size() && a->Color() == b->Color() && a->Style() == b->Style();
}

}  // namespace

// True when the dialog holds what the main window already uses.
bool TFParam::ShowsTheCurrentAppearance() const {
    const int index = Schema->ItemIndex();
    const bool sameScheme = index < 0 || Schema->Items()->Get(index) + ".sch" == FMain->SchemeFileName;
    return sameScheme && Hand->Checked() == FMain->HandColor && selCol->Color() == FMain->SelectColor &&
           FName1->Color() == FMain->Background1Color && FName2->Color() == FMain->Background2Color &&
           SameFont(FName1->Font(), FMain->Font1.get()) && SameFont(FName2->Font(), FMain->Font2.get());
}

void TFParam::ApplyParams() {
    // Applying reloads the article, which loses its scroll and selection: a
    // dialog closed without a change leaves the window alone.
    if (ShowsTheCurrentAppearance()) return;
    FMain->Font1->Assign(FName1->Font());
    FMain->Background1Color = FName1->Color();
    FMain->Font2->Assign(FName2->Font());
    FMain->Background2Color = FName2->Color();
    FMain->SelectColor = selCol->Color();

    // No item: the current scheme's file is gone; it stays current, unloaded.
    const int index = Schema->ItemIndex();
    if (index >= 0) {
        const std::string file = Schema->Items()->Get(index) + ".sch";
        if (file != FMain->SchemeFileName) {
            try {
                FMain->LoadColorScheme(Format("%s\\%s", FMain->SchemeFolder.c_str(), file.c_str()));
                FMain->SchemeFileName = file;
            } catch (const Exception& e) {
                // The scheme on screen is still the current one, and the list
                // says so again.
                Application->ShowException(e);
                Schema->SetItemIndex(CurrentSchemeIndex());
            }
        }
    }

    FMain->HandColor = Hand->Checked();
    FMain->ApplyAppearance();
    FMain->UpdateListRowHeight();

    FMain->ShownOffset = -1;
    if (FMain->List->OnClick) FMain->List->OnClick(this);
    FMain->List->Repaint();
    FMain->F->Repaint();
}

void TFParam::Button5Click(TObject*) {
    FClosed = true;
    ApplyParams();
}

void TFParam::Button3Click(TObject*) {
    ApplyParams();
}

void TFParam::Button6Click(TObject*) {
    FClosed = true;
    FName1->SetColor(FKeptBackground1);
    FName1->Font()->Assign(FKeptFont1.get());
    FName2->SetColor(FKeptBackground2);
    FName2->Font()->Assign(FKeptFont2.get());
    Hand->SetChecked(FKeptHand);
    Schema->SetItemIndex(FKeptSchemeIndex);
    ApplyParams();
}

bool TFParam::CloseQuery() {
    if (!TForm::CloseQuery()) return false;
    // A modal form ends without OnClose: its closing runs here.
    if (ModalResult != mrNone) {
        TCloseAction action = caHide;
        FormClose(this, action);
    }
    return true;
}

void TFParam::FormClose(TObject*, TCloseAction&) {
    // Esc and the close box cancel, as "Отмена" does.
    if (!FClosed) Button6Click(Button6);
    FKeptFont1.reset();
    FKeptFont2.reset();
}
