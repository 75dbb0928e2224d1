// What a tool button shows inside its frame: the glyph strip (up to five
// images, one per button state, or one image of an image list), the image of
// each state made on first need (an embossed disabled image when the strip has
// none), kept in image lists pooled by size, and the layout and drawing of
// glyph, caption and drop-down arrow.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/stdctrls.h"
#include "framework/image_list.h"

enum TToolButtonState { bsUp, bsDisabled, bsDown, bsExclusive, bsMouseIn };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
using TToolNumGlyphs = int;  // 1 .. 5; the fifth image is the mouse-in image

// An image list whose slots are reused: deleting an image only frees its slot.
class TGlyphList : public TImageList {
public:
    TGlyphList(int width, int height);
    // Adds an image (the list's size) with its monochrome mask; the slot index.
    int PutImageWithMask(HBITMAP image, HBITMAP mask);
    // Adds an image with the pixels of `maskColour` transparent. Raises
    // EInvalidOperation "Invalid image size" for an image smaller than the
    // list, "Unable to Replace Image" when the platform refuses it.
    int PutImageWithMaskColour(TBitmap* image, TColor maskColour);
    void ReleaseSlot(int index);
    int UsedCount() const { return FUsedCount; }

private:
    int ClaimFreeSlot();

    std::vector<bool> FUsed;
    int FUsedCount = 0;
};

// The pool of glyph lists, one per image size in practice.
class TGlyphCache {
public:
    ~TGlyphCache();
    TGlyphList* AcquireGlyphList(int width, int height);
    // Frees the list once no image is left in it.
    void ReleaseGlyphList(TGlyphList* list);
    bool HoldsNoList() const { return FLists.empty(); }
    int ListCount() const { return static_cast<int>(FLists.size()); }

private:
    std::vector<TGlyphList*> FLists;
};

// The process's glyph cache, or nullptr while none exists (made on demand,
// freed when the last button glyph goes).
TGlyphCache* GlyphCache();

// Everything PaintButtonFace needs from the button.
struct TButtonFaceParams {
    TToolButtonState state = bsUp;
    int dropdownArrowWidth = 9;
    int spacing = 4;
    int margin = -1;
    TButtonLayout layout = blGlyphLeft;
    TAlignment alignment = taCenter;
    bool wordWrap = false;
    std::string caption;  // code page 1251
    bool showText = true;
    bool showGlyph = true;
    bool drawArrow = false;
    TPoint offset;
};

// Where ArrangeGlyphAndText puts things, in the canvas's coordinates.
struct TButtonFaceLayout {
    TPoint glyphPos;
    TRect textBounds;
    TPoint arrowPos;
};

class TButtonGlyph {
public:
    explicit TButtonGlyph(std::function<void()> onChange);
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    TBitmap* Glyph() const { return FOriginal.get(); }
    TBitmap* GlyphMask() const { return FOriginalMask.get(); }
    void AssignSourceGlyph(TBitmap* bitmap);
    void AssignGlyphMask(TBitmap* bitmap);
    TToolNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void AssignNumGlyphs(int value);
    TImageList* ImageList() const { return FImageList; }
    void AssignImageList(TImageList* list);
    int ImageIndex() const { return FImageIndex; }
    void AssignImageIndex(int index);
    bool OldDisabledStyle() const { return FOldDisabledStyle; }
    void SetOldDisabledStyle(bool value);
    bool CallDormant = true;

    // Drops every made image (they are made again when next drawn).
    void DropMadeImages();
    // Makes (or finds) the image of a state: the list (0 disabled, 1 normal)
    // and the image's index there; {-1, -1} when there is nothing to show.
    std::pair<int, int> MakeStateImage(TToolButtonState state);
    TGlyphList* MadeList(int index) const { return FGlyphLists[static_cast<size_t>(index)]; }

    TButtonFaceLayout ArrangeGlyphAndText(TCanvas* canvas, const TRect& client, const TButtonFaceParams& p);
    // Glyph, caption and (when asked) the arrow; never raises for glyph content.
    void PaintButtonFace(TCanvas* canvas, const TRect& client, const TButtonFaceParams& p);
    void PaintDropdownArrow(TCanvas* canvas, int x, int y, int arrowWidth, TToolButtonState state);

private:
    void StripChanged(TObject* Sender);
    void DeriveGlyphCount();
    void PaintStateImage(TCanvas* canvas, TPoint pos, TToolButtonState state);
    void PaintButtonText(TCanvas* canvas, TRect bounds, const TButtonFaceParams& p);
    TSize GlyphSize(bool shown) const;

    owned_ptr<TBitmap> FOriginal;
    owned_ptr<TBitmap> FOriginalMask;
    TImageList* FImageList = nullptr;
    int FImageIndex = -1;
    TToolNumGlyphs FNumGlyphs = 1;
    bool FOldDisabledStyle = false;
    TColor FTransparentColor = clNone;
    std::array<TGlyphList*, 2> FGlyphLists{};
    // Per list (0 disabled, 1 normal) and glyph slot: the image index, or -1.
    int FIndexes[2][5];
    std::function<void()> FOnChange;
};
