// The appearance dialog: the colour scheme, and the user's own fonts and
// colours of the term list, the article text and the search hits.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/forms.h"

class TForm1;
class TFont;
class TGroupBox;
class TComboBox;
class TCheckBox;
class TPanel;
class TMemo;
class TButton;
class TLabel;
class TToolbarButton;
class TColorDialog;

constexpr int kAppearanceHelpContext = 320;

class TFParam : public TForm {
public:
    explicit TFParam(TForm1* AOwner);
    ~TFParam() override;

    TGroupBox* GroupBox1 = nullptr;
    TComboBox* Schema = nullptr;
    TCheckBox* Hand = nullptr;
    TPanel* Panel1 = nullptr;
    TGroupBox* GroupBox2 = nullptr;
    TMemo* FName2 = nullptr;
    TButton* Button1 = nullptr;
    TGroupBox* GroupBox3 = nullptr;
    TMemo* FName1 = nullptr;
    TButton* Button2 = nullptr;
    TToolbarButton* selCol = nullptr;
    TLabel* Label1 = nullptr;
    TButton* Button5 = nullptr;
    TButton* Button6 = nullptr;
    TButton* Button3 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;

    void HandClick(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void selColClick(TObject* Sender);
    void Button5Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void Button6Click(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void ApplyParams();
    bool ShowsTheCurrentAppearance() const;

    bool CloseQuery() override;

    // Runs the font dialog; seam for tests, which answer it without a window.
    static std::function<TModalResult(class TFontDlg* dialog)> RunFontDialog;

private:
    void BuildLayout();
    void ListSchemes();
    int CurrentSchemeIndex() const;
    void EditFont(TMemo* example, bool boldUsable);

    TForm1* FMain;
    std::unique_ptr<TFont> FKeptFont1;
    std::unique_ptr<TFont> FKeptFont2;
    TColor FKeptBackground1 = 0;
    TColor FKeptBackground2 = 0;
    bool FKeptHand = false;
    int FKeptSchemeIndex = -1;
    bool FClosed = false;
};
