// Injected input and checks run as timed steps from a thread timer, so they
// also run inside the modal loops that the input starts; a deadline fails a
// test instead of hanging it. Also: screen pixels and screenshots.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/graphics_types.h"

class TBitmap;

namespace widget_tests {

// Runs `steps` one per `intervalMs` at the soonest, pumping messages
// meanwhile; a step waits until the thread has read the input injected before
// it (presses and releases, the last move when it lands on one of the
// thread's windows or while something is captured). False when the deadline
// passed first. Starts after the double-click time has passed.
bool RunSteps(const std::vector<std::function<void()>>& steps, int intervalMs = 150, int deadlineMs = 10000);
// Messages for a while (paints, posted repaints, timers).
void Pump(int ms = 150);

// Mouse input as the system's input stream gets it (screen coordinates).
void MoveMouse(int x, int y);
void LeftDown();
void LeftUp();
void RightDown();
void RightUp();
void Key(unsigned vk, bool up);
void Tap(unsigned vk);

// The screen's pixel, as 0x00BBGGRR.
unsigned ScreenPixel(int x, int y);
// A copy of a screen rectangle.
std::vector<unsigned> ScreenPixels(const TRect& r);
// The folder the test run's screenshots go into (made on first use).
std::string ScreenshotDir();
// Writes the screen rectangle as <dir>/<name>.bmp.
void SaveScreenshot(const std::string& name, const TRect& r);

}  // namespace widget_tests
