#include "framework/graphics.h"

#include <algorithm>
#include <memory>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/streams.h"
#include "framework/win.h"

const char DefaultFontName[] = "MS Sans Serif";

TColor ColorToRGB(TColor color) {
    if (color < 0) return static_cast<TColor>(GetSysColor(color & 0xFF));
    return color;
}

void TGraphicsObject::Changed() {
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- TFont

TFont::TFont()
    : FName(DefaultFontName), FPixelsPerInch(ScreenPixelsPerInch()) {
    FHeight = -MulDiv(8, FPixelsPerInch, 72);
}

void TFont::Changed(bool shapeChanged) {
    // Listeners (a canvas that has the handle selected) hear of the change
    // while the old handle still exists, so they can deselect it first.
    TFontHandle old;
    if (shapeChanged) old = std::move(FHandle);
    TGraphicsObject::Changed();
}

void TFont::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TFont*>(Source);
    if (!source) {
        TGraphicsObject::Assign(Source);
        return;
    }
    FName = source->FName;
    FHeight = source->FHeight;
    // The point size survives a copy between resolutions (screen to printer).
    if (FPixelsPerInch != source->FPixelsPerInch)
        FHeight = -MulDiv(source->Size(), FPixelsPerInch, 72);
    FStyle = source->FStyle;
    FColor = source->FColor;
    FCharset = source->FCharset;
    FPitch = source->FPitch;
    Changed(true);
}

HFONT TFont::Handle() {
    if (!FHandle) {
        LOGFONTW lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? TRUE : FALSE;
        lf.lfUnderline = (FStyle & fsUnderline) ? TRUE : FALSE;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? TRUE : FALSE;
        lf.lfCharSet = FCharset;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = FPitch == fpFixed      ? FIXED_PITCH
                              : FPitch == fpVariable ? VARIABLE_PITCH
                                                     : DEFAULT_PITCH;
        std::wstring face = AnsiToWide(SameText(FName, "Default") ? std::string(DefaultFontName) : FName);
        face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
        std::copy(face.begin(), face.end(), lf.lfFaceName);
        FHandle.reset(CreateFontIndirectW(&lf));
        if (!FHandle) throw EOutOfResources("Out of system resources");
    }
    return FHandle.get();
}

void TFont::SetHandle(HFONT handle) {
    if (handle && handle == FHandle.get()) return;
    LOGFONTW lf{};
    if (handle && GetObjectW(handle, sizeof(lf), &lf) != 0) {
        FName = WideToAnsi(lf.lfFaceName);
        FHeight = lf.lfHeight;
        FStyle = (lf.lfWeight >= FW_BOLD ? fsBold : 0u) | (lf.lfItalic ? fsItalic : 0u) |
                 (lf.lfUnderline ? fsUnderline : 0u) | (lf.lfStrikeOut ? fsStrikeOut : 0u);
        FCharset = lf.lfCharSet;
        const int pitch = lf.lfPitchAndFamily & 3;
        FPitch = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    }
    Changed(true);
    FHandle.reset(handle);
}

void TFont::SetName(const std::string& name) {
    if (name.empty() || name == FName) return;
    FName = name;
    Changed(true);
}

int TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, FPixelsPerInch, 72)); }

void TFont::SetHeight(int height) {
    if (height == FHeight) return;
    FHeight = height;
    Changed(true);
}

void TFont::SetStyle(TFontStyles style) {
    style &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
    if (style == FStyle) return;
    FStyle = style;
    Changed(true);
}

void TFont::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    Changed(false);
}

void TFont::SetCharset(TFontCharset charset) {
    if (charset == FCharset) return;
    FCharset = charset;
    Changed(true);
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == FPitch) return;
    FPitch = pitch;
    Changed(true);
}

void TFont::SetPixelsPerInch(int ppi) {
    if (ppi > 0) FPixelsPerInch = ppi;
}

// ---------------------------------------------------------------- TPen

void TPen::Changed(bool shapeChanged) {
    TPenHandle old;
    if (shapeChanged) old = std::move(FHandle);
    TGraphicsObject::Changed();
}

void TPen::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TPen*>(Source);
    if (!source) {
        TGraphicsObject::Assign(Source);
        return;
    }
    FColor = source->FColor;
    FWidth = source->FWidth;
    FStyle = source->FStyle;
    FMode = source->FMode;
    Changed(true);
}

HPEN TPen::Handle() {
    if (!FHandle) {
        // The platform's PS_* codes follow TPenStyle's order.
        FHandle.reset(CreatePen(static_cast<int>(FStyle), FWidth, static_cast<COLORREF>(ColorToRGB(FColor))));
        if (!FHandle) throw EOutOfResources("Out of system resources");
    }
    return FHandle.get();
}

void TPen::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    Changed(true);
}

void TPen::SetWidth(int width) {
    if (width < 0 || width == FWidth) return;
    FWidth = width;
    Changed(true);
}

void TPen::SetStyle(TPenStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    Changed(true);
}

void TPen::SetMode(TPenMode mode) {
    if (mode == FMode) return;
    FMode = mode;
    Changed(false);
}

// ---------------------------------------------------------------- TBrush

void TBrush::Changed() {
    TBrushHandle old = std::move(FHandle);
    TGraphicsObject::Changed();
}

void TBrush::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TBrush*>(Source);
    if (!source) {
        TGraphicsObject::Assign(Source);
        return;
    }
    FColor = source->FColor;
    FStyle = source->FStyle;
    FBitmap = source->FBitmap;
    Changed();
}

HBRUSH TBrush::Handle() {
    if (!FHandle) {
        HBRUSH brush = nullptr;
        if (FBitmap && !FBitmap->Empty()) {
            brush = CreatePatternBrush(FBitmap->Handle());
        } else if (FStyle == bsSolid) {
            brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(FColor)));
        } else if (FStyle == bsClear) {
            LOGBRUSH lb{BS_HOLLOW, 0, 0};
            brush = CreateBrushIndirect(&lb);
        } else {
            // HS_HORIZONTAL .. HS_DIAGCROSS follow TBrushStyle from bsHorizontal.
            brush = CreateHatchBrush(static_cast<int>(FStyle) - bsHorizontal,
                                     static_cast<COLORREF>(ColorToRGB(FColor)));
        }
        FHandle.reset(brush);
        if (!FHandle) throw EOutOfResources("Out of system resources");
    }
    return FHandle.get();
}

void TBrush::SetColor(TColor color) {
    if (color == FColor && FStyle != bsClear) return;
    FColor = color;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
    FBitmap = bitmap;
    Changed();
}

// ---------------------------------------------------------------- TGraphic

void TGraphic::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Changed(this);
}

void TGraphic::SetPalette(HPALETTE palette) {
    TPaletteHandle discard(palette);
}

void TGraphic::SetModified(bool value) {
    if (value)
        Changed(this);
    else
        FModified = false;
}

void TGraphic::Changed(TObject*) {
    FModified = true;
    if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* Sender, TProgressStage stage, uint8_t percent, bool redrawNow, const TRect& r,
                        const std::string& message) {
    if (OnProgress) OnProgress(Sender, stage, percent, redrawNow, r, message);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

void TGraphic::AssignTo(TPersistent* Dest) {
    auto* bitmap = dynamic_cast<TBitmap*>(Dest);
    if (!bitmap) {
        TPersistent::AssignTo(Dest);
        return;
    }
    // Pictures with transparent parts show white there, as on a blank page.
    bitmap->SetSize(Width(), Height());
    if (Empty()) return;
    TCanvas* canvas = bitmap->Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(Rect(0, 0, Width(), Height()));
    canvas->Draw(0, 0, this);
}
