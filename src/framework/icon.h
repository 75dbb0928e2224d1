// TIcon: an icon handle, read from an .ico file or taken from the system,
// drawn with its own mask.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics.h"

class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;

    TGraphic* NewGraphic() const override { return new TIcon; }
    void Assign(TPersistent* Source) override;

    bool Empty() const override { return !FHandle; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // An icon's size is fixed by its image: EInvalidGraphicOperation.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // Icons always draw through their mask.
    bool Transparent() const override { return true; }

    HICON Handle() const { return FHandle.get(); }
    // Takes the handle over.
    void SetHandle(HICON handle);
    HICON ReleaseHandle();

    // An .ico file: the image of the system's icon size (else the largest)
    // with the most colours is used. Saving writes the file that was read; an
    // icon made from a handle cannot be saved (EInvalidGraphicOperation).
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    void Draw(TCanvas* canvas, const TRect& rect) override;

private:
    TIconHandle FHandle;
    int FWidth = 0;
    int FHeight = 0;
    std::vector<uint8_t> FData;
};
