#include "widgets/gradient_form.h"

TGradientForm::TGradientForm(TComponent* AOwner) : TForm(AOwner), FCaptionFont(std::make_unique<TFont>()) {}
