// What a person at the desktop does and sees: real input through SendInput at
// screen coordinates, and the screen's pixels, the clipboard and window texts.
#pragma once

#include <windows.h>

#include "tools/screenshot/real_input.h"

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// ------------------------------------------------------------------ input

using real_input::Click;
using real_input::Drag;
using real_input::Key;
using real_input::Keys;
using real_input::MoveMouse;
using real_input::Type;
using real_input::Wheel;

// ------------------------------------------------------------------ screen

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, row by row
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Image&) const = default;
};

Image Grab(const RECT& screenRect);
bool SavePng(const RECT& screenRect, const std::wstring& path);
RECT ClientRectOnScreen(HWND wnd);
RECT WindowRectOf(HWND wnd);
POINT Centre(const RECT& r);
// Share of the pixels of `image` equal to `colour` (0..1).
double ColourShare(const Image& image, uint32_t colour);

// ------------------------------------------------------------------ texts

std::wstring ClipboardText();
void EmptyClipboardText();
std::wstring WindowText(HWND wnd);
std::wstring ClassOf(HWND wnd);
// Texts of a window and all its descendants, joined by newlines.
std::wstring AllTexts(HWND wnd);
// The visible child window showing `text`, as a person finds a check box by
// its label; null when there is none.
HWND ChildWithText(HWND parent, const std::wstring& text);

}  // namespace e2e
