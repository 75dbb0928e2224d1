// The document engine's screen palette and colour depth, placed here because
// the image decoders reduce pictures to it as well.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/gdi_handles.h"

// The screen depth (bits per pixel times planes) reduced to 4, 8 or 24; set by
// InitEnginePalette.
extern uint8_t ColorBits;
// The engine's 256-entry palette while ColorBits is 8, else null; owned here.
extern HPALETTE ThePalette;

uint8_t ColorBitsOfDepth(int bitsTimesPlanes);
// The 256 colours (red in the low byte) of the engine's palette over the 256
// entries of the system palette: a 6-level colour cube without white at
// 10-224, greys at 225-244, an almost-white at 245, the system's colours
// elsewhere.
std::vector<uint32_t> EnginePaletteColors(const std::vector<uint32_t>& systemColors);

// Reads the screen depth and, on an 8-bit screen, builds ThePalette.
void InitEnginePalette();
void DoneEnginePalette();

// A new palette (the caller owns it) of the colours (red in the low byte);
// null for none.
HPALETTE MakePalette(const std::vector<uint32_t>& colors);

// A new palette (the caller owns it) with the entries of `palette`; null when
// ColorBits is above 8 or the palette has no entries.
HPALETTE CopyPalette(HPALETTE palette);
// Kept for callers that select a global palette; there is none to set.
void SetGlobalPalette(HPALETTE palette);
