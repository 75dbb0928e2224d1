#include "widgets/dock.h"

#include "framework/canvas.h"

TDock::TDock(TComponent* AOwner) : TCustomControl(AOwner), FBackground(std::make_unique<TBitmap>()) {}

void TDock::Paint() {
    TCanvas* canvas = Canvas();
    if (!FBackground->Empty()) {
        for (int x = 0; x < Width(); x += FBackground->Width())
            canvas->Draw(x, 0, FBackground.get());
        return;
    }
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(ClientRect());
}

TMenuBar::TMenuBar(TComponent* AOwner) : TCustomControl(AOwner) {}
