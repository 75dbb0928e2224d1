// Drawing helpers of the document engine: CSS borders in every style, raised
// and sunken frames, the printed look of form controls, word-wrapped text,
// measuring and fitting wide text, large memory blocks, and the engine's
// metafile picture.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/metafile.h"
#include "html/style_props.h"

// Sides in the order left, top, right, bottom.
using htBorderStyleArray = std::array<BorderStyleType, 4>;
using htColorArray = std::array<TColor, 4>;
htBorderStyleArray htStyles(BorderStyleType left, BorderStyleType top, BorderStyleType right, BorderStyleType bottom);
htColorArray htColors(TColor left, TColor top, TColor right, TColor bottom);

// Each channel times 0.75, a system colour resolved first.
TColor DarkenColor(TColor color);

// The border between the outer and the inner rectangle; `background` fills
// the ring under dashed, dotted and double sides unless it is transparent.
void DrawBorder(TCanvas* canvas, TRect outer, TRect inner, const htColorArray& colors,
                const htBorderStyleArray& styles, TColor background);

void RaisedRectColor(TCanvas* canvas, int left, int top, int right, int bottom, TColor light, TColor dark,
                     bool raised, int width);

// What a frame needs to know of its document.
struct TFrameLook {
    bool Printing = false;
    bool PrintMonoBlack = false;  // printing in black and white
    // The print device's colours as the job read them (NUMCOLORS); 0: the
    // device is asked.
    int DeviceColors = 0;
    TColor Background = 0xFFFFFF;
};
class TSectionList;
// The look of a document's frames: black when it prints in black and white,
// where a grey frame is lost on a one-bit printer.
TFrameLook FrameLookOf(const TSectionList* document);
void RaisedRect(const TFrameLook& document, TCanvas* canvas, int left, int top, int right, int bottom, bool raised,
                int width);

void FormControlRect(TCanvas* canvas, int left, int top, int right, int bottom, bool raised, bool mono, bool grey);
void WrapText(TCanvas* canvas, int left, int top, int right, int bottom, std::wstring text);

int GetXExtent(HDC dc, const wchar_t* text, int length);
// How many units of `text` fit into `maxWidth`, and their width.
int FitText(HDC dc, const wchar_t* text, int length, int maxWidth, int& extent);

// A block from movable global memory above 65279 bytes, else from the heap;
// null when there is no memory.
class TAllocRec : public TObject {
public:
    void* Ptr = nullptr;
    size_t ASize = 0;
    void* AHandle = nullptr;
};
TAllocRec* Allocate(size_t size);
void DeAllocate(TAllocRec* block);

// A metafile that can also be drawn as a bitmap with a mask.
class ThtMetaFile : public TMetafile {
public:
    TBitmap* GetBitmap();
    TBitmap* GetMask();

private:
    void Construct();
    owned_ptr<TBitmap> FBitmap;
    owned_ptr<TBitmap> FMask;
};
