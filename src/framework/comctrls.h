// Controls over the common-controls library.
#pragma once

#include "framework/controls.h"

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);

    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    int Step() const { return FStep; }
    void SetMin(int value) { SetParams(value, FMax); }
    void SetMax(int value) { SetParams(FMin, value); }
    // Clamped to Min..Max.
    void SetPosition(int value);
    void SetStep(int value);
    void SetParams(int min, int max);
    void StepIt();
    void StepBy(int delta) { SetPosition(FPosition + delta); }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;

private:
    void PushToWindow();

    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
};
