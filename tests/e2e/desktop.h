// What a person at the desktop does and sees: real input through SendInput at
// screen coordinates, and the screen's pixels, the clipboard and window texts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace e2e {

// ------------------------------------------------------------------ input

void MoveMouse(POINT at);
void Click(POINT at, bool right = false);
// Button down at `from`, moves in steps, button up at `to`.
void Drag(POINT from, POINT to);
void Wheel(POINT at, int notches);  // negative: towards the user (scrolls down)
// Presses the keys in order and releases them in reverse: {VK_CONTROL, 'C'}.
void Keys(std::initializer_list<WORD> keys);
void Key(WORD key);
// Each character as the keyboard's own character event (Cyrillic included).
void Type(const std::wstring& text);

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

}  // namespace e2e
