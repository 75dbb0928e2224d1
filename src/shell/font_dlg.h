// The font dialog of the appearance settings: one font and one background
// colour edited on an example line.
#pragma once

#include <memory>

#include "framework/forms.h"

class TFont;
class TFontComboBox;
class TComboBox;
class TCheckBox;
class TOptionBox;
class TMemo;
class TButton;
class TColorDialog;

// Sizes above this take seconds to draw a line; the size box stops there.
constexpr int kMaxFontSize = 400;

class TFontDlg : public TForm {
public:
    // `color` and `font` are the caller's: "OK" and "Попробовать" write the
    // example into both; any other close puts the font back as it came (the
    // colour stays as last tried).
    TFontDlg(TComponent* AOwner, TColor& color, TFont* font);
    ~TFontDlg() override;

    TFontComboBox* FontComboBox1 = nullptr;
    TComboBox* Size = nullptr;
    TCheckBox* Bold = nullptr;
    TOptionBox* But = nullptr;
    TOptionBox* ButFon = nullptr;
    TMemo* Example = nullptr;
    TButton* BitBtn1 = nullptr;
    TButton* BitBtn2 = nullptr;
    TButton* Button1 = nullptr;
    TColorDialog* CD = nullptr;

    void FontComboBox1Change(TObject* Sender);
    void SizeExit(TObject* Sender);
    void BoldClick(TObject* Sender);
    void ButClick(TObject* Sender);
    void ButFonClick(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormDestroy(TObject* Sender);

    bool CloseQuery() override;

private:
    void BuildLayout();
    void CopyExampleOut();

    TColor& FColor;
    TFont* FFont;
    std::unique_ptr<TFont> FKeptFont;
    bool FClosed = false;
};

// The decimal size typed into the size box: 0 for text that is no number,
// at most kMaxFontSize.
int ParseFontSize(const std::string& text);
