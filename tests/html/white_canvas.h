// A white 24-bit bitmap that a document is painted into and read back from.
#pragma once

#include <cstdint>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "html/section_list.h"

struct WhiteCanvas {
    WhiteCanvas(int w, int h) {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(w, h);
        bitmap.Canvas()->Brush()->SetColor(clWhite);
        bitmap.Canvas()->FillRect(TRect{0, 0, w, h});
    }
    uint32_t At(int x, int y) { return static_cast<uint32_t>(bitmap.Canvas()->Pixels(x, y)) & 0xFFFFFF; }
    void Paint(TSectionList& doc, const TRect& area) { doc.Draw(bitmap.Canvas(), area, 6000, 0, 0, 0, 0); }
    void Paint(TSectionList& doc) { Paint(doc, TRect{0, 0, bitmap.Width(), bitmap.Height()}); }
    TBitmap bitmap;
};
