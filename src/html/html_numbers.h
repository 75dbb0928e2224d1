// Numbers in HTML and style text: '.' is the decimal point whatever the locale,
// non-finite values are refused, and results are clamped so that no value can
// reach the engine's sentinels (-12345678 and nearby) or overflow an integer.
#pragma once

#include <string_view>

constexpr double MaxAttributeNumber = 1e9;
constexpr double MaxPixelLength = 1e6;

// [+|-]digits[.digits][(e|E)[+|-]digits], or with the digits after the point
// only; the whole text must match. False for anything else or a non-finite value.
bool TextToNumber(std::string_view text, double& value);

// Clamps to [-limit, limit] and rounds half to even (127.5 gives 128, 126.5 gives 126).
int RoundToInt(double value, double limit);
