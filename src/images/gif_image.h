// Animated GIF pictures as the document keeps them: every frame composed once
// into one strip bitmap (with a mask when the file has transparency) and the
// animation state that the document's timer advances.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/bitmap.h"

class TWinControl;

enum TDisposalType { dtUndefined, dtDoNothing, dtToBackground, dtToPrevious };

struct TgfFrame {
    TDisposalType frDisposalMethod = dtUndefined;
    int frLeft = 0, frTop = 0, frWidth = 0, frHeight = 0;
    int frDelay = 0;  // milliseconds
    bool IsCopy = false;
};

class TgfFrameList {
public:
    int Count() const { return static_cast<int>(FFrames.size()); }
    // Counted from 1.
    TgfFrame& GetFrame(int index) { return FFrames.at(static_cast<size_t>(index - 1)); }
    const TgfFrame& GetFrame(int index) const { return FFrames.at(static_cast<size_t>(index - 1)); }
    void Add(const TgfFrame& frame) { FFrames.push_back(frame); }

private:
    std::vector<TgfFrame> FFrames;
};

// A bitmap that carries its own mask (white = transparent) and draws through it.
class ThtBitmap : public TBitmap {
public:
    ThtBitmap() = default;
    ~ThtBitmap() override;
    void Draw(TCanvas* canvas, const TRect& rect) override;
    void StretchDraw(TCanvas* canvas, const TRect& dest, const TRect& source);
    // Takes the mask over (nullptr: none).
    void SetMask(TBitmap* mask);
    TBitmap* Mask() const { return FMask; }
    bool HasMask() const { return FMask != nullptr; }

private:
    TBitmap* FMask = nullptr;  // owned
};

class TGIFImage : public TPersistent {
public:
    // The millisecond clock the animation reads; tests replace it.
    static uint32_t (*Clock)();

    TGIFImage();
    // A copy shares the source's strip (by reference count, so it may outlive
    // the source) and starts at frame 1 with the animation off.
    explicit TGIFImage(const TGIFImage& source);
    ~TGIFImage() override;

    void Draw(TCanvas* canvas, TObject* owner1, TObject* owner2, int x, int y, int width, int height);
    void CheckTime(TWinControl* control);
    void SetAnimate(bool value);
    void SetCurrentFrame(int index);
    void NextFrame(int oldFrame);
    TBitmap* GetBitMap() { return GetMaskedBitmap(); }
    TBitmap* GetMaskedBitmap();
    TBitmap* GetMask();
    // The current frame as a bitmap of its own, and its mask (null when the
    // image is not transparent): for painters that cannot draw from the strip.
    TBitmap* GetFrameBitmap(TBitmap*& mask);
    // Where the frame shows, for painters that do not go through Draw: the
    // rectangle the next frame change invalidates.
    void SetDrawRect(const TRect& rect) { FDrawRect = rect; }

    bool Animated() const { return FAnimated; }
    bool Animate() const { return FAnimate; }
    int CurrentFrame() const { return FCurrentFrame; }
    int CurrentIteration() const { return FCurrentIteration; }
    int NumFrames() const { return FNumFrames; }
    int NumIterations() const { return FNumIterations; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool IsTransparent() const { return FTransparent; }
    bool Visible = true;
    const TgfFrameList& Frames() const { return FFrames; }
    ThtBitmap* Strip() const { return FStrip.get(); }
    const TRect& DrawRect() const { return FDrawRect; }
    int PendingDisposal() const { return FPendingDisposal; }

private:
    friend TGIFImage* CreateAGifFromStream(bool& nonAnimated, TStream* stream);

    bool FAnimated = false;
    int FCurrentFrame = 1;
    int FWidth = 0, FHeight = 0;
    int FNumFrames = 0;
    int FNumIterations = 1;
    bool FTransparent = false;
    std::shared_ptr<ThtBitmap> FStrip;
    owned_ptr<TBitmap> FMaskedBitmap;
    owned_ptr<TBitmap> FMask;
    owned_ptr<TBitmap> FFrameBitmap;  // of frame FFrameBitmapIndex
    owned_ptr<TBitmap> FFrameMask;
    int FFrameBitmapIndex = 0;
    bool FAnimate = false;
    TRect FDrawRect;
    int FPendingDisposal = 0;
    TgfFrameList FFrames;
    int FCurrentIteration = 1;
    uint32_t FLastTime = 0;
    uint32_t FCurrentInterval = 0;
    bool FIsCopy = false;
};

// nullptr on any failure. nonAnimated is true unless the file has two or more frames.
TGIFImage* CreateAGifFromStream(bool& nonAnimated, TStream* stream);
TGIFImage* CreateAGif(const std::string& name, bool& nonAnimated);
