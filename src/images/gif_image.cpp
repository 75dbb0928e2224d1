#include "images/gif_image.h"

#include <algorithm>

#include "framework/controls.h"
#include "framework/streams.h"
#include "framework/win.h"
#include "images/engine_palette.h"
#include "images/gif_decoder.h"

namespace {

uint32_t SystemMilliseconds() { return GetTickCount(); }

}  // namespace

uint32_t (*TGIFImage::Clock)() = SystemMilliseconds;

// ---- ThtBitmap ----

ThtBitmap::~ThtBitmap() { TObject::Free(FMask); }

void ThtBitmap::SetMask(TBitmap* mask) {
    if (mask == FMask) return;
    TObject::Free(FMask);
    FMask = mask;
}

void ThtBitmap::Draw(TCanvas* canvas, const TRect& rect) { StretchDraw(canvas, rect, TRect{0, 0, Width(), Height()}); }

void ThtBitmap::StretchDraw(TCanvas* canvas, const TRect& dest, const TRect& source) {
    if (Empty()) return;
    HDC dc = canvas->Handle();
    HPALETTE palette = Palette();
    HPALETTE oldPalette = nullptr;
    if (palette) {
        oldPalette = SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
    }
    TPixelFormat format = PixelFormat();
    bool deepBitmap = format == pf15bit || format == pf16bit || format == pf24bit;
    if (GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) <= 8 && deepBitmap) {
        POINT origin;
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, &origin);
    } else if (!Monochrome()) {
        SetStretchBltMode(dc, COLORONCOLOR);
    }
    const int dw = dest.Right - dest.Left, dh = dest.Bottom - dest.Top;
    const int sw = source.Right - source.Left, sh = source.Bottom - source.Top;
    HDC sourceDc = Canvas()->Handle();
    if (FMask) {
        TransparentStretchBlt(dc, dest.Left, dest.Top, dw, dh, sourceDc, source.Left, source.Top, sw, sh,
                              FMask->Canvas()->Handle(), source.Left, source.Top);
    } else {
        StretchBlt(dc, dest.Left, dest.Top, dw, dh, sourceDc, source.Left, source.Top, sw, sh,
                   static_cast<DWORD>(canvas->CopyMode()));
    }
    if (palette) SelectPalette(dc, oldPalette, TRUE);
}

// ---- TGIFImage ----

TGIFImage::TGIFImage() = default;

TGIFImage::TGIFImage(const TGIFImage& source)
    : TPersistent(),
      FAnimated(source.FAnimated),
      FWidth(source.FWidth),
      FHeight(source.FHeight),
      FNumFrames(source.FNumFrames),
      FNumIterations(source.FNumIterations),
      FTransparent(source.FTransparent),
      FStrip(source.FStrip),
      FIsCopy(true) {
    Visible = source.Visible;
    for (int i = 1; i <= source.FFrames.Count(); ++i) {
        TgfFrame frame = source.FFrames.GetFrame(i);
        frame.IsCopy = true;
        FFrames.Add(frame);
    }
    if (FAnimated) FPendingDisposal = 2;
}

TGIFImage::~TGIFImage() = default;

void TGIFImage::Draw(TCanvas* canvas, TObject*, TObject*, int x, int y, int width, int height) {
    FDrawRect = TRect{x, y, x + width, y + height};
    SetStretchBltMode(canvas->Handle(), COLORONCOLOR);
    if (!Visible || FNumFrames == 0 || !FStrip) return;
    TRect source{(FCurrentFrame - 1) * FWidth, 0, FCurrentFrame * FWidth, FHeight};
    canvas->SetCopyMode(cmSrcCopy);
    FStrip->StretchDraw(canvas, FDrawRect, source);
}

void TGIFImage::CheckTime(TWinControl* control) {
    // A single frame never changes, whatever the file's loop count says.
    if (!FAnimate || FNumFrames < 2) return;
    uint32_t now = Clock();
    // Unsigned, so the wrap of the millisecond counter changes nothing.
    if (now - FLastTime < FCurrentInterval) return;
    FLastTime = now;
    if (FCurrentFrame == FNumFrames) {
        if (FNumIterations > 0 && FCurrentIteration >= FNumIterations) {
            SetAnimate(false);
            return;
        }
        ++FCurrentIteration;
    }
    NextFrame(FCurrentFrame);
    if (control && control->HandleAllocated()) {
        RECT r{FDrawRect.Left, FDrawRect.Top, FDrawRect.Right, FDrawRect.Bottom};
        InvalidateRect(control->Handle(), &r, TRUE);
    }
    FCurrentInterval = static_cast<uint32_t>(std::max(FFrames.GetFrame(FCurrentFrame).frDelay, 1));
}

void TGIFImage::NextFrame(int oldFrame) {
    FPendingDisposal = FFrames.GetFrame(oldFrame).frDisposalMethod;
    FCurrentFrame = oldFrame >= FNumFrames ? 1 : oldFrame + 1;
}

void TGIFImage::SetAnimate(bool value) {
    if (value == FAnimate) return;
    FAnimate = value;
    if (value && FNumFrames > 1) {
        FCurrentInterval = static_cast<uint32_t>(std::max(FFrames.GetFrame(FCurrentFrame).frDelay, 1));
        FLastTime = Clock();
    }
}

void TGIFImage::SetCurrentFrame(int index) {
    if (index == FCurrentFrame || FNumFrames == 0) return;
    FPendingDisposal = FFrames.GetFrame(FCurrentFrame).frDisposalMethod;
    if (index > FNumFrames)
        FCurrentFrame = 1;
    else if (index <= 0)
        FCurrentFrame = FNumFrames;
    else
        FCurrentFrame = index;
    if (FAnimated) FPendingDisposal = 2;
}

TBitmap* TGIFImage::GetMaskedBitmap() {
    if (!FMaskedBitmap && FStrip) {
        FMaskedBitmap.reset(new TBitmap);
        FMaskedBitmap->Assign(FStrip.get());
        FMaskedBitmap->SetWidth(FWidth);
        if (FStrip->HasMask()) {
            FMask.reset(new TBitmap);
            FMask->Assign(FStrip->Mask());
            FMask->SetSize(FWidth, FHeight);
        }
        FMaskedBitmap->SetTransparent(false);
    }
    return FMaskedBitmap.get();
}

TBitmap* TGIFImage::GetFrameBitmap(TBitmap*& mask) {
    mask = nullptr;
    if (FCurrentFrame == 1 || !FStrip) {
        mask = GetMask();
        return GetMaskedBitmap();
    }
    if (FFrameBitmapIndex != FCurrentFrame) {
        const int left = (FCurrentFrame - 1) * FWidth;
        FFrameBitmap.reset(new TBitmap);
        FFrameBitmap->SetPixelFormat(pf24bit);
        FFrameBitmap->SetSize(FWidth, FHeight);
        BitBlt(FFrameBitmap->Canvas()->Handle(), 0, 0, FWidth, FHeight, FStrip->Canvas()->Handle(), left, 0, SRCCOPY);
        FFrameMask.reset();
        if (FTransparent && FStrip->HasMask()) {
            FFrameMask.reset(new TBitmap);
            FFrameMask->SetMonochrome(true);
            FFrameMask->SetSize(FWidth, FHeight);
            BitBlt(FFrameMask->Canvas()->Handle(), 0, 0, FWidth, FHeight, FStrip->Mask()->Canvas()->Handle(), left, 0,
                   SRCCOPY);
        }
        FFrameBitmapIndex = FCurrentFrame;
    }
    mask = FFrameMask.get();
    return FFrameBitmap.get();
}

TBitmap* TGIFImage::GetMask() {
    if (!FTransparent) return nullptr;
    GetMaskedBitmap();
    return FMask.get();
}

TGIFImage* CreateAGifFromStream(bool& nonAnimated, TStream* stream) {
    nonAnimated = true;
    try {
        TGif gif;
        gif.LoadFromStream(stream);
        owned_ptr<TGIFImage> image(new TGIFImage);
        image->FNumFrames = gif.GetImageCount();
        image->FAnimated = image->FNumFrames > 1;
        nonAnimated = !image->FAnimated;
        image->FWidth = gif.GetWidth();
        image->FHeight = gif.GetHeight();
        image->FTransparent = gif.GetTransparent();
        int loops = gif.LoopCount();
        image->FNumIterations = loops > 0 ? loops + 1 : loops == 0 ? 0 : 1;

        TBitmap* mask = nullptr;
        owned_ptr<TBitmap> strip(gif.GetStripBitmap(mask));
        owned_ptr<TBitmap> maskOwner(mask);
        image->FStrip = std::shared_ptr<ThtBitmap>(new ThtBitmap, [](ThtBitmap* b) { TObject::Free(b); });
        image->FStrip->Assign(strip.get());
        image->FStrip->SetMask(maskOwner.release());
        // On a screen of 256 colours the strip draws through the engine's
        // palette like every other picture (none on deeper screens).
        if (HPALETTE palette = CopyPalette(ThePalette)) image->FStrip->SetPalette(palette);

        for (int i = 0; i < gif.GetImageCount(); ++i) {
            TgfFrame frame;
            frame.frDisposalMethod = static_cast<TDisposalType>(gif.GetImageDisposal(i));
            frame.frLeft = gif.GetImageLeft(i);
            frame.frTop = gif.GetImageTop(i);
            frame.frWidth = gif.GetImageWidth(i);
            frame.frHeight = gif.GetImageHeight(i);
            // Hundredths of a second, at least 1; no frame is shorter than 30 ms.
            frame.frDelay = std::max(30, gif.GetImageDelay(i) * 10);
            image->FFrames.Add(frame);
        }
        if (image->FAnimated) image->FPendingDisposal = 2;
        return image.release();
    } catch (const std::exception&) {
        nonAnimated = true;
        return nullptr;
    }
}

TGIFImage* CreateAGif(const std::string& name, bool& nonAnimated) {
    nonAnimated = true;
    try {
        TFileStream stream(name, fmOpenRead | fmShareDenyWrite);
        return CreateAGifFromStream(nonAnimated, &stream);
    } catch (const std::exception&) {
        return nullptr;
    }
}
