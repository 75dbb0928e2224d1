// Drag and drop between the program's own controls: the modal drag that
// TControl::BeginDrag runs, the target under the mouse and the drag cursor.
#pragma once

#include "framework/graphics_types.h"

struct HICON__;
using HCURSOR = HICON__*;
class TControl;

// The control under a screen point that a drag would pass over: the graphic
// child there, or else the window there; null over other programs' windows.
TControl* FindDragTarget(TPoint screen);

// The arrow with a page that stands for crDrag; made once.
HCURSOR DragCursorHandle();
