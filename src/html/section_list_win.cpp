// The document's selection onto the platform's clipboard, and the engine's
// palette while the document paints.
#include "html/section_list.h"

#include "html/sel_text.h"

#ifdef _WIN32

#include "framework/canvas.h"
#include "framework/win.h"
#include "images/engine_palette.h"

void* TSectionList::SelectEnginePalette(TCanvas* canvas) {
    if (!canvas || ColorBits > 8 || !ThePalette) return nullptr;
    HDC dc = canvas->Handle();
    HPALETTE old = SelectPalette(dc, ThePalette, TRUE);
    RealizePalette(dc);
    return old;
}

void TSectionList::RestorePalette(TCanvas* canvas, void* old) {
    if (canvas && old) SelectPalette(canvas->Handle(), static_cast<HPALETTE>(old), TRUE);
}

void TSectionList::CopyToClipboardA(int length) {
    if (SelFirstPos >= SelEndPos) return;
    ClipBuffer buffer(length);
    GatherSelection(buffer);
}

#else

// Natively there is no clipboard and no palette.
void TSectionList::CopyToClipboardA(int) {}
void* TSectionList::SelectEnginePalette(TCanvas*) { return nullptr; }
void TSectionList::RestorePalette(TCanvas*, void*) {}

#endif
