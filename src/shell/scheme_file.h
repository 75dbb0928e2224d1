// The colour scheme file ("*.sch"): a packed run of little-endian fields with
// no header, no version and no count of its own, so every item is found by
// position. It is read here in full into a plain record, without the window
// system, so the reader can be fuzzed natively; pictures stay byte ranges of
// the caller's buffer (each a whole BMP file) until the shell decodes them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// uint8 size in points, int32 colour (lowest byte red), uint8 bold (non-zero
// adds bold; zero leaves the font's style alone), uint8 name length, the name
// in code page 1251 with no terminator.
struct TSchemeFontRecord {
    int Size = 0;
    int32_t Color = 0;
    bool Bold = false;
    std::string Name;
};

// int32 length, then that many bytes of a BMP file; empty = no picture.
using TSchemeBitmapRecord = std::string_view;

// uint8 glyph count, flat, no border, display mode, width, height (pixels),
// then the glyph as a bitmap record.
struct TSchemeButtonRecord {
    int NumGlyphs = 1;    // clamped to 1..kSchemeMaxGlyphs
    bool Flat = false;
    bool NoBorder = false;
    int DisplayMode = 0;  // unknown values become 0, the tool button's default
    int Width = 0;
    int Height = 0;
    TSchemeBitmapRecord Glyph;
};

constexpr int kSchemeMaxGlyphs = 5;
constexpr int kSchemeDisplayModes = 3;
// Room for colours in the palette; entries beyond it are skipped.
constexpr int kSchemePaletteRoom = 20;
// The palette count before any scheme is read.
constexpr int kSchemeDefaultPaletteCount = 15;
// The palette entry that colours search hits.
constexpr int kSearchHitPaletteEntry = 12;

// A bitmap frame in file order: left, top, right, bottom strips, then the
// corners left-top, right-top, left-bottom, right-bottom.
enum TSchemeFramePart { sfLeft, sfTop, sfRight, sfBottom, sfLeftTop, sfRightTop, sfLeftBottom, sfRightBottom };
using TSchemeFrame = std::array<TSchemeBitmapRecord, 8>;

struct TSchemeFile {
    TSchemeFontRecord CaptionFont;
    int32_t GradientStartColor = 0;
    TSchemeBitmapRecord DockPicture;
    // Every menu-bar button record in file order; see SchemeButtonRecordFor.
    std::vector<TSchemeButtonRecord> Buttons;
    // Two font items that the program reads and never uses.
    int32_t UnusedColor7 = 0;
    TSchemeFontRecord UnusedFont7;
    int32_t UnusedColor8 = 0;
    TSchemeFontRecord UnusedFont8;
    int32_t TextBackColor = 0;
    TSchemeFontRecord TextFont;
    TSchemeFrame TextFrame;
    TSchemeFontRecord ContentsFont;
    int32_t ContentsBackColor = 0;
    TSchemeFrame ListFrame;
    TSchemeFontRecord MenuFont;
    int32_t MenuSelBackColor = 0;
    int32_t MenuSelTextColor = 0;
    int32_t MenuBackColor = 0;
    int32_t MenuTextColor = 0;
    int32_t ListSelTextColor = 0;
    int32_t ListSelBackColor = 0;
    int32_t GradientStopColor = 0;
    int32_t GradientInactiveStartColor = 0;
    int32_t GradientInactiveStopColor = 0;
    int32_t CaptionTextColor = 0;
    int32_t InactiveCaptionTextColor = 0;
    int32_t SeparatorColor1 = 0;
    int32_t SeparatorColor2 = 0;
    int32_t SeparatorColor3 = 0;
    // Entries past the count (and past the room) are 0.
    int PaletteCount = 0;
    std::array<int32_t, kSchemePaletteRoom> Palette{};
};

// Reads a whole scheme. Anything that runs past the end of `bytes` (a field,
// a name, a picture, a count of records) and any negative length or count
// raises EReadError "Stream read error" with the file name appended; bytes
// after the last item are ignored.
TSchemeFile ParseSchemeFile(std::string_view bytes, const std::string& fileName);

// The record that dresses menu-bar button `button`: the file's fifth record
// belongs to a scratch button that the program throws away, so buttons 4 and
// on take records 5 and on. Null when the file has too few records.
const TSchemeButtonRecord* SchemeButtonRecordFor(const TSchemeFile& scheme, int button);
