// The picture behind a block or a table cell (background-image, BACKGROUND):
// looked up by name through the document's image cache when the box is laid
// out, and tiled at paint time over only the part of the box being painted,
// so a box taller than the screen costs no more than the screen. Free of
// window headers; the painting is reached only on Windows.
#pragma once

#include <memory>
#include <string>

#include "framework/graphics_types.h"
#include "html/style_props.h"

class TCanvas;
class TImageObj;
class TSectionList;

class TBoxBackground {
public:
    TBoxBackground(TSectionList* document, const std::string& name, const PositionRec& placement);
    // The copy for `document` (a print copy): it shares the source's picture.
    TBoxBackground(TSectionList* document, const TBoxBackground& source);
    ~TBoxBackground();
    TBoxBackground(const TBoxBackground&) = delete;
    TBoxBackground& operator=(const TBoxBackground&) = delete;

    // Looks the picture up the first time; false when it turned out missing
    // or undecodable (the owner then drops the background). A picture that
    // comes later (a delayed stream) counts as usable.
    bool Prepare(TCanvas* canvas);
    // Tiles the picture over `box` (the painting area, canvas coordinates),
    // starting at the box's top-left corner moved by the placement, where the
    // box meets `clip` and the canvas's own clip box.
    void Paint(TCanvas* canvas, const TRect& box, const TRect& clip);

    const PositionRec& Placement() const { return FPlacement; }

    // The image object that holds the picture and its place in the cache.
    std::unique_ptr<TImageObj> Image;

private:
    // The look-up gave the error picture.
    bool Failed() const;

    TSectionList* FDocument;
    PositionRec FPlacement;
};

// Where a picture of `picture` pixels starts along an axis of `area` pixels.
int BackgroundStart(const PositionEntry& position, int area, int picture);

// Tiles along one axis: the first one's start and how many cover [clipStart,
// clipEnd); a placement that does not repeat gives one tile at most.
struct TTileSpan {
    int Start = 0;
    int Count = 0;
};
TTileSpan BackgroundTiles(const PositionEntry& position, int boxStart, int boxSize, int picture, int tile,
                          int clipStart, int clipEnd);
