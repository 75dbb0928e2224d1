// Colours and plane geometry shared by everything that draws or lays out.
// Free of windows.h, so layout code that only measures and places can be built
// natively; the structs have the layout of the platform's RECT, POINT and SIZE.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// A colour in the platform's byte order: red in the low byte, then green, then
// blue. A value with the top bit set names a system colour (its low byte is the
// platform's COLOR_* index), resolved by ColorToRGB when drawing.
using TColor = int32_t;

constexpr TColor RGBToColor(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<TColor>(red | (green << 8) | (blue << 16));
}
constexpr uint8_t ColorRed(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t ColorGreen(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t ColorBlue(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index));
}

// The colour value to draw with: system colours through GetSysColor, anything
// else unchanged (clNone and clDefault included: callers decide what they mean).
TColor ColorToRGB(TColor color);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;

constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientActiveCaption = SystemColor(27);
constexpr TColor clGradientInactiveCaption = SystemColor(28);
constexpr TColor clMenuHighlight = SystemColor(29);
constexpr TColor clMenuBar = SystemColor(30);

// "No colour" and "the default colour of whoever is asked": not drawable as such.
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and Bottom are exclusive, as in the platform.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(int32_t x, int32_t y) { return {x, y}; }
constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return {left, top, right, bottom};
}
constexpr TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    return {left, top, left + width, top + height};
}

// Relative luminance of an RGB colour (no system colour), 0 for black to 1 for
// white, as the accessibility guidelines weigh the channels.
inline double RelativeLuminance(TColor rgb) {
    auto channel = [](uint8_t value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(ColorRed(rgb)) + 0.7152 * channel(ColorGreen(rgb)) + 0.0722 * channel(ColorBlue(rgb));
}

// The colour to write on a ground of `ground` (RGB values both): `preferred`
// where it reads there, at a contrast of 4.5:1 or more, else black or white,
// whichever reads better.
inline TColor ReadableOn(TColor ground, TColor preferred) {
    const double g = RelativeLuminance(ground);
    auto contrast = [g](double other) { return (std::max(g, other) + 0.05) / (std::min(g, other) + 0.05); };
    if (contrast(RelativeLuminance(preferred)) >= 4.5) return preferred;
    return contrast(1.0) >= contrast(0.0) ? clWhite : clBlack;
}
