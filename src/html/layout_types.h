// Facts of document layout shared by sections, cells, the indent manager and
// the document: alignments of whole lines and tables, the characters that
// stand for objects in a section's text, "none" values for positions and the
// saturation of Y. Free of window headers.
#pragma once

#include <climits>
#include <cstdint>

// A byte: a text section keeps one beside its flags.
enum JustifyType : uint8_t { NoJustify, Left, Centered, Right, FullJustify };

// In a section's text an object takes one position, shown by one of these.
constexpr wchar_t ImageChar = 4;        // image or panel
constexpr wchar_t FormControlChar = 2;  // form control
constexpr wchar_t BreakChar = 8;        // forced line break

// "No position": an open inline element's end, the distance to a next object
// when there is none, a record index out of range. Far above any real position
// (a big source easily passes 999999 or 99999999).
constexpr int NoPosition = INT_MAX;

// Laid-out Y values never pass this, so sums of two of them stay in 32 bits.
constexpr int MaxLayoutY = 1 << 30;

// Blocks, list items and tables nested deeper than this lay out empty (the
// reader stops at the same depth).
constexpr int MaxNestingDepth = 512;

constexpr int SaturateY(int64_t y) {
    return y > MaxLayoutY ? MaxLayoutY : y < -MaxLayoutY ? -MaxLayoutY : static_cast<int>(y);
}

// a * b / c in 64 bits (percentages, first-line indents), saturated like Y;
// c = 0 gives 0.
constexpr int MulDivY(int a, int b, int c) {
    return c == 0 ? 0 : SaturateY(static_cast<int64_t>(a) * b / c);
}
