// The About box and the developer box it hides behind its icon.
#pragma once

#include "framework/forms.h"

class TGroupBox;
class TImage;
class TLabel;
class TButton;

class TAbout : public TForm {
public:
    explicit TAbout(TComponent* AOwner);

    TGroupBox* GroupBox1 = nullptr;
    TImage* Image1 = nullptr;
    TLabel* ProductName = nullptr;
    TLabel* Version = nullptr;
    TLabel* Maker = nullptr;
    TButton* OKButton = nullptr;

    // A press of any button within 2 pixels of the icon's point (5, 8) opens
    // the developer box.
    void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
};

class TMy : public TForm {
public:
    explicit TMy(TComponent* AOwner);

    TGroupBox* GroupBox1 = nullptr;
    TLabel* Credit = nullptr;
    TLabel* Developer = nullptr;
    TButton* OKButton = nullptr;
};
