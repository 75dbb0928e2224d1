// The GIF reader: header, logical screen, colour tables, extensions and the
// LZW-compressed images, and the composition of all frames into one strip of
// plain pixel and mask buffers. Free of windows.h; the bitmaps are made from it
// in gif_bitmaps.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStream;
class TBitmap;

// Colours are stored as red + green * 256 + blue * 65536.
struct TGifColorTable {
    int Count = 0;
    // Always 256 entries: an index past the file's table reads black.
    uint32_t Colors[256] = {};
};

struct TGifScreenDescriptor {
    uint16_t Width = 0;
    uint16_t Height = 0;
    bool GlobalColorTable = false;
    int ColorResolution = 0;  // bits + 1
    bool Sorted = false;
    int GlobalColorTableSize = 0;
    uint8_t BackgroundIndex = 0;
    uint8_t AspectRatio = 0;
    int GlobalColorTableIndex = -1;
};

enum : uint8_t {
    kGifPlainText = 0x01,
    kGifGraphicControl = 0xF9,
    kGifComment = 0xFE,
    kGifApplication = 0xFF,
};

// A graphic control extension: the only extension whose content is used (an
// application extension's loop count is read as it passes). The others are
// checked and skipped.
struct TGifExtension {
    uint8_t Label = 0;
    int Disposal = 0;
    bool UserInput = false;
    bool TransparentFlag = false;
    uint16_t Delay = 0;  // hundredths of a second
    uint8_t TransparentIndex = 0;
};

struct TGifImageDescriptor {
    int Index = 0;
    uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool LocalColorTable = false;
    bool Interlaced = false;
    bool Sorted = false;
    int LocalColorTableSize = 0;
    int ColorTableIndex = -1;
    int LZWCodeSize = 0;
    std::vector<TGifExtension> Extensions;  // the image's first graphic control, if any
    std::vector<uint8_t> Pixels;  // Width * Height colour indices, top row first

    const TGifExtension* GraphicControl() const;
};

// What a frame costs the picture budget at least, in pixels: about the
// memory its descriptor and its place in the animation take. The budget then
// holds 128 Ki frames of one pixel or none.
constexpr int64_t kFrameBookkeepingArea = 256;

// All frames side by side (frame k at x = k * screen width), each composed over
// the previous one. Pixels are blue, green, red, top row first; Mask, present
// only when some frame is transparent, holds 1 where the strip is transparent.
struct TGifStrip {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;
    std::vector<uint8_t> Mask;
};

class TGif {
public:
    TGif();
    ~TGif();
    TGif(const TGif&) = delete;
    TGif& operator=(const TGif&) = delete;

    // Reads the whole stream from position 0. Errors raise EInvalidGraphicOperation
    // "TGif: <message>".
    void LoadFromStream(TStream* stream);
    void LoadFromBuffer(const uint8_t* data, size_t size);
    void FreeImage();

    int GetWidth() const { return FScreen.Width; }
    int GetHeight() const { return FScreen.Height; }
    int GetImageCount() const { return static_cast<int>(FImages.size()); }
    int GetImageLeft(int image) const { return GetImageDescriptor(image).Left; }
    int GetImageTop(int image) const { return GetImageDescriptor(image).Top; }
    int GetImageWidth(int image) const { return GetImageDescriptor(image).Width; }
    int GetImageHeight(int image) const { return GetImageDescriptor(image).Height; }
    int GetImageDepth(int image) const;
    int GetImageDelay(int image) const;
    int GetImageDisposal(int image) const;
    int GetTransparentIndex(int image) const;
    bool GetTransparent() const;
    int GetColorIndex(int image, int x, int y) const;
    const TGifColorTable& GetColorTable(int index) const;
    int GetColorTableCount() const { return static_cast<int>(FColorTables.size()); }
    const std::string& GetSignature() const { return FSignature; }
    const TGifScreenDescriptor& GetScreenDescriptor() const { return FScreen; }
    const TGifImageDescriptor& GetImageDescriptor(int image) const;
    int FindColorIndex(uint32_t color, int table) const;
    int LoopCount() const { return FLoopCount; }
    int LastError() const { return FLastError; }

    TGifStrip ComposeStrip() const;

    // Framework bitmaps (gif_bitmaps.cpp). GetBitmap's bitmap stays owned by
    // this object; the strip and its mask belong to the caller.
    TBitmap* GetBitmap(int image);
    TBitmap* GetStripBitmap(TBitmap*& mask) const;

    // The message texts by number.
    static const char* ErrorText(int index);

private:
    class Reader;
    [[noreturn]] void Fail(int index) const;
    [[noreturn]] void Fail(int index, const std::string& text) const;
    void ReadExtension(Reader& in, std::vector<TGifExtension>& pending);
    // False when the image no longer fits the picture budget: reading ends there.
    bool ReadImage(Reader& in, std::vector<TGifExtension>& pending);
    void DecodeLZW(const std::vector<uint8_t>& data, TGifImageDescriptor& image) const;
    void MakeBitmaps();

    std::string FSignature;
    TGifScreenDescriptor FScreen;
    std::vector<TGifImageDescriptor> FImages;
    std::vector<TGifColorTable> FColorTables;
    std::vector<std::shared_ptr<TBitmap>> FBitmaps;  // made on first use by GetBitmap
    int FLoopCount = -1;
    int64_t FDecodedArea = 0;
    mutable int FLastError = 0;
};
