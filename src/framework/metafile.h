// Enhanced metafiles: a recorded picture played back scaled to a rectangle,
// and the canvas that records one.
#pragma once

#include "framework/canvas.h"

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;

    TGraphic* NewGraphic() const override { return new TMetafile; }
    void Assign(TPersistent* Source) override;

    bool Empty() const override { return !FHandle; }
    // Pixels of the screen, from the size in hundredths of a millimetre.
    int Width() const override;
    int Height() const override;
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // The picture frame in hundredths of a millimetre.
    int MMWidth() const { return FMMWidth; }
    int MMHeight() const { return FMMHeight; }
    void SetMMWidth(int value);
    void SetMMHeight(int value);

    HENHMETAFILE Handle() const { return FHandle.get(); }
    // Takes the handle over; the size comes from its header's frame.
    void SetHandle(HENHMETAFILE handle);
    HENHMETAFILE ReleaseHandle();
    void Clear();

    // The bytes of an enhanced-metafile file (header record first).
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    void Draw(TCanvas* canvas, const TRect& rect) override;

private:
    TMetafileHandle FHandle;
    int FMMWidth = 0;
    int FMMHeight = 0;
};

// Records what is drawn on it; freeing the canvas completes the recording and
// gives it to the metafile. Coordinates are pixels of the reference device
// (the screen when none is given); the frame is the metafile's size when it
// has one, else the extent of the drawing.
class TMetafileCanvas : public TCanvas {
public:
    TMetafileCanvas(TMetafile* metafile, HDC referenceDevice);
    ~TMetafileCanvas() override;

private:
    TMetafile* FMetafile;
    HDC FRecording;
};
