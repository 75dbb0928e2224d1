// Colour values of the engine and their text forms. A colour is a 32-bit
// platform colour: red in the low byte, then green, then blue; the top byte
// marks the special values below.
#pragma once

#include <cstdint>
#include <string_view>

constexpr int32_t clTransparentColor = 0x1FFFFFFF;
// Added to every colour read from "#" or "rgb(" text: the nearest colour of the
// current palette.
constexpr int32_t PalRelative = 0x02000000;
// A system colour is this plus the platform's index of it.
constexpr int32_t SystemColorBase = static_cast<int32_t>(0x80000000u);

// Colour names, "rgb(r, g, b)" (numbers or percentages) and hexadecimal RRGGBB
// or RGB, with or without '#' (`needHash` demands it). False when the text is
// not a colour; `color` is then untouched.
bool ColorFromString(std::string_view text, bool needHash, int32_t& color);
