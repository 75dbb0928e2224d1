// Graphics objects (fonts, pens, brushes) and the abstract picture class that
// bitmaps, metafiles, icons and JPEG images derive from. Each object makes its
// GDI handle on first need and drops it when a property that shapes it changes.
#pragma once

#include <cstdint>
#include <string>

#include "framework/classes.h"
#include "framework/gdi_handles.h"
#include "framework/graphics_types.h"

class TBitmap;
class TCanvas;
class TStream;

class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

enum TFontStyle : unsigned { fsBold = 1u << 0, fsItalic = 1u << 1, fsUnderline = 1u << 2, fsStrikeOut = 1u << 3 };
using TFontStyles = unsigned;  // a set of TFontStyle flags
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;  // the platform's *_CHARSET values

// The face a new font has, and the one the name "Default" stands for.
extern const char DefaultFontName[];

class TFont : public TGraphicsObject {
public:
    TFont();
    void Assign(TPersistent* Source) override;

    // Made through CreateFontIndirectW on first need.
    HFONT Handle();
    bool HandleAllocated() const { return static_cast<bool>(FHandle); }
    // Takes the handle over; the properties are read back from it.
    void SetHandle(HFONT handle);

    const std::string& Name() const { return FName; }  // code page 1251
    void SetName(const std::string& name);
    // Points, from Height at PixelsPerInch: Size = -Height * 72 / PixelsPerInch.
    int Size() const;
    void SetSize(int points);
    // Pixels; negative is the character height, positive the cell height.
    int Height() const { return FHeight; }
    void SetHeight(int height);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch pitch);
    // The resolution Size converts at: the screen's unless set (printer fonts).
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int ppi);

private:
    // A shape change drops the handle; a colour change keeps it.
    void Changed(bool shapeChanged);

    std::string FName;
    int FHeight;
    int FPixelsPerInch;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    TFontCharset FCharset = 1;  // DEFAULT_CHARSET
    TFontPitch FPitch = fpDefault;
    TFontHandle FHandle;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// Binary raster operations, in the order of the platform's R2_* codes less one.
enum TPenMode {
    pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot, pmNot, pmXor, pmNotMask,
    pmMask, pmNotXor, pmNop, pmMergeNotPen, pmCopy, pmMergePenNot, pmMerge, pmWhite
};

class TPen : public TGraphicsObject {
public:
    void Assign(TPersistent* Source) override;

    HPEN Handle();
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    int Width() const { return FWidth; }
    void SetWidth(int width);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle style);
    // Applied by the canvas (SetROP2); not part of the handle.
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode mode);

private:
    void Changed(bool shapeChanged);

    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    TPenHandle FHandle;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    void Assign(TPersistent* Source) override;

    HBRUSH Handle();
    TColor Color() const { return FColor; }
    // A clear brush given a colour becomes solid.
    void SetColor(TColor color);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle style);
    // A pattern bitmap, not owned; it wins over Style while set.
    TBitmap* Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* bitmap);

private:
    void Changed();

    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
    TBrushHandle FHandle;
};

enum TProgressStage { psStarting, psRunning, psEnding };
// Stage, percent done, redraw now, the rectangle that changed, a message.
using TProgressEvent = TEvent<TProgressStage, uint8_t, bool, const TRect&, const std::string&>;

// A picture that can draw itself on a canvas and be read from and written to
// a stream in its own file format.
class TGraphic : public TPersistent {
public:
    // A new empty picture of the same class (used to copy pictures whose
    // class is only known at run time).
    virtual TGraphic* NewGraphic() const = 0;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    virtual HPALETTE Palette() { return nullptr; }
    // Takes the palette over (formats without palettes delete it).
    virtual void SetPalette(HPALETTE palette);
    bool Modified() const { return FModified; }
    void SetModified(bool value);

    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
    // 8-bit (code page 1251) file names.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // Draws the picture scaled to the rectangle; called through TCanvas::Draw
    // and StretchDraw.
    virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

protected:
    virtual void Changed(TObject* Sender);
    void Progress(TObject* Sender, TProgressStage stage, uint8_t percent, bool redrawNow, const TRect& r,
                  const std::string& message);
    // Any picture can become a bitmap by drawing itself on one.
    void AssignTo(TPersistent* Dest) override;

    bool FTransparent = false;
    bool FModified = false;
};
