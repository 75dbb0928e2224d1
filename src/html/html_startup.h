// Start-up and shut-down of the document engine's shared objects: the screen
// palette and depth, the platform flags, the pictures for images that are not
// (yet) available, the screen cursors of links and automatic scrolling, and
// the stream a host returns to say that an image comes later.
#pragma once

#include "framework/bitmap.h"
#include "framework/streams.h"

// The cursor numbers the engine registers and the viewer uses.
constexpr int HandCursor = 1;
constexpr int ThickIBeamCursor = 2;
constexpr int UpDownCursor = 3;
constexpr int UpOnlyCursor = 4;
constexpr int DownOnlyCursor = 5;

extern TBitmap* DefBitMap;
extern TBitmap* ErrorBitMap;
extern TBitmap* ErrorBitmapMask;
extern TMemoryStream* WaitStream;

// Runs once; a second call does nothing. A program without the engine's
// resources gets blank 16 x 16 pictures and the platform's nearest cursors.
void InitHtmlEngine();
void DoneHtmlEngine();
