// The image cache of a viewer (decoded pictures shared by name, aged once per
// load) and the loaders that turn files and streams into a bitmap and its
// transparency mask. The cache and the byte-level readers are free of window
// headers; the loaders, the printing routines and TDib live in image_load.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "framework/gdi_handles.h"
#include "framework/graphics_types.h"
#include "framework/jpeg.h"

class TBitmap;
class TCanvas;
class TMemoryStream;
class TPersistent;

// How a picture's transparent pixels are known.
enum Transparency : int { NotTransp, LLCorner, TGif, TPng };

enum ImageType { NoImage, Bmp, Gif, Gif89, Png, Jpg };

// Larger files are not read: no picture within the decoders' budget needs them.
constexpr int64_t kMaxImageFileBytes = int64_t{64} << 20;

// One cached picture with its mask (both owned) and the counters that decide
// when an unused picture goes.
class TBitmapItem : public TObject {
public:
    // image: a TBitmap or a TGIFImage.
    TBitmapItem(TPersistent* image, TBitmap* mask, Transparency transp);
    ~TBitmapItem() override;
    TBitmapItem(const TBitmapItem&) = delete;
    TBitmapItem& operator=(const TBitmapItem&) = delete;

    int AccessCount = 0;  // loads since the picture was last handed out
    int UsageCount = 0;   // document objects holding the picture
    Transparency Transp;
    TPersistent* MImage;
    TBitmap* Mask;
    // What picture and mask hold in the platform's bitmaps, outside the heap.
    std::size_t Bytes = 0;
};

// The bytes the pictures of one cache may hold: a third of the document
// budget. The reader stops a page's text at two thirds of it; the last third
// is what pictures may take. Layout, weighing the heap and the pictures
// together (DocumentBytesInUse), shares it with them.
std::size_t ImageCacheByteLimit();

// Names (upper-cased and trimmed by the callers) to cache items, owned. Kept
// sorted; names compare without regard to ASCII case. A plain vector rather
// than the framework's string list, so the engine's layout builds natively.
class TStringBitmapList : public TObject {
public:
    TStringBitmapList();
    ~TStringBitmapList() override;
    TStringBitmapList(const TStringBitmapList&) = delete;
    TStringBitmapList& operator=(const TStringBitmapList&) = delete;

    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& Strings(int index) const { return FItems.at(static_cast<size_t>(index)).Name; }
    TObject* Objects(int index) const { return FItems.at(static_cast<size_t>(index)).Object; }
    int IndexOf(const std::string& name) const;
    // Adds (a second item of the same name goes after the first); a cache
    // item's usage count goes up by one.
    int AddObject(const std::string& name, TObject* item);
    TBitmapItem* Item(int index) const;
    // The picture, counted as one more use and as just handed out.
    TPersistent* GetImage(int index);
    void IncUsage(const std::string& name);
    void DecUsage(const std::string& name);
    // How many loads an unused picture survives; unused pictures already
    // older than the new count go at once.
    void SetCacheCount(int count);
    int CacheCount() const { return FMaxCache; }
    // Once per load: every picture ages by one load; unused ones past the
    // cache count go.
    void BumpAndCheck();
    // Every unused picture goes.
    void PurgeCache();

    // The bytes the cached pictures hold outside the heap; the cache adds
    // them to gOutsideHeapBytes while it holds them.
    std::size_t Bytes() const { return FBytes; }
    // True when a picture of `bytes` more fits ImageCacheByteLimit, once the
    // unused pictures have gone if it did not fit beside them.
    bool MakeRoomFor(std::size_t bytes);
    // Gives the item at `index` the mask (owned), counting its bytes.
    void SetMask(int index, TBitmap* mask);

    // Names whose picture could not be had (or had no room) in this load: the
    // next IMG naming one is not read and decoded again. Forgotten once per
    // load (BumpAndCheck) and when the cache is cleared.
    void NoteFailure(const std::string& name) { FFailures.insert(name); }
    bool Failed(const std::string& name) const { return FFailures.count(name) != 0; }

private:
    struct TEntry {
        std::string Name;
        TObject* Object;
    };
    struct TNameLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    void DeleteItem(int index);
    void Charge(TObject* item);
    void Discharge(TObject* item);
    std::vector<TEntry> FItems;
    std::set<std::string, TNameLess> FFailures;
    std::size_t FBytes = 0;
    int FMaxCache = 4;
};

// ---- byte-level readers (no window headers)

// The kind by the first bytes; reads at most five and never past `length`.
ImageType KindOfImage(const void* start, size_t length);
// The first fully transparent palette entry (red in the low byte) of a PNG of
// colour type 3 with a tRNS chunk after its PLTE. Reads forward only and never
// past `length`; false on anything else.
bool PngTransparentColor(const uint8_t* data, size_t length, TColor& color);
// The transparent colour of a GIF89 whose graphic control extension follows
// the global colour table with its transparency bit set and an index inside
// the table; false on anything else.
bool GifTransparentColor(const uint8_t* data, size_t length, TColor& color);
// Width and height a BMP header claims; false when the bytes are no BMP header.
bool BmpClaimedSize(const uint8_t* data, size_t length, int64_t& width, int64_t& height);

// Width and height the first bytes of a PNG, GIF, BMP or JPEG claim, read
// without decoding; false when they claim none.
bool ClaimedPictureSize(const uint8_t* data, size_t length, int64_t& width, int64_t& height);

// ---- loaders (none on any failure: the caller shows the error picture)

// The bytes a decoded picture (a TBitmap or a TGIFImage) holds in the
// platform's bitmaps; for a GIF, its strip of frames and the current frame.
std::size_t PictureBytes(TPersistent* picture);
// The least a decoded picture of width x height holds on this screen: above
// 8 bits a screen takes pictures of 15 bits or more.
std::size_t LeastPictureBytes(int64_t width, int64_t height);

TBitmap* GetImageAndMaskFromStream(TMemoryStream* stream, Transparency& transparent, TBitmap*& mask);
// The picture the bytes hold: an animated GIF stays the TGIFImage, a GIF of one
// frame becomes a bitmap (with its mask when transparent), anything else goes
// to GetImageAndMaskFromStream. The caller owns picture and mask.
TPersistent* DecodeStream(TMemoryStream* stream, Transparency& transparent, TBitmap*& mask, bool llCornerAsked);
TBitmap* GetImageAndMaskFromFile(const std::string& fileName, Transparency& transparent, TBitmap*& mask);
TBitmap* GetImageFromFile(const std::string& fileName);
bool TransparentGIF(const std::string& fileName, TColor& color);
// A monochrome mask, white where the bitmap has the colour (the lower-left
// pixel's colour unless colorValid); none on failure.
TBitmap* GetImageMask(TBitmap* image, bool colorValid, TColor color);
// The whole file, or false when it is missing, unreadable or over the limit.
bool ReadImageFile(const std::string& fileName, TMemoryStream& out);

// Draws the picture stretched to the rectangle, leaving the target untouched
// where the mask is white. Nothing on a monochrome target.
void FinishTransparentBitmap(HDC dc, TBitmap* picture, TBitmap* mask, int x, int y, int width, int height);
// A copy in which a side of exactly 1 pixel is stretched to min(100, wanted).
TBitmap* EnlargeBitmap(TBitmap* bitmap, int width, int height);

// Printer output through device-independent bits; failures print nothing.
void PrintBitmap(TCanvas* canvas, int x, int y, int width, int height, HBITMAP bitmap);
void PrintBitmap1(TCanvas* canvas, int x, int y, int width, int height, int sourceRow, int rowCount,
                  HBITMAP bitmap);
void PrintTransparentBitmap1(TCanvas* canvas, int x, int y, int width, int height, TBitmap* picture,
                             TBitmap* mask, int sourceRow, int rowCount);
void PrintTransparentBitmap3(TCanvas* canvas, int x, int y, int width, int height, TBitmap* picture,
                             TBitmap* mask, int sourceRow, int rowCount);
// The region of the mask's pixels that are not white, one rectangle per run of
// a row; the caller owns it. Null for an empty mask.
HRGN RegionFromMask(TBitmap* mask);

// A device-independent copy of a bitmap: header, colour table up to 8 bits
// per pixel, and the pixel bits (from global memory above 65279 bytes).
class TDib : public TObject {
public:
    // Raises EOutOfMemory when the bits cannot be read.
    TDib(HDC dc, HBITMAP bitmap);
    ~TDib() override;
    TDib(const TDib&) = delete;
    TDib& operator=(const TDib&) = delete;

    void DrawDIB(HDC dc, int x, int y, int width, int height, uint32_t rop);
    // A device-dependent bitmap of the screen made from the bits; the caller owns it.
    HBITMAP CreateDIBmp();

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int BitCount() const { return FBitCount; }
    size_t ImageSize() const { return FImageSize; }

private:
    void InitializeBitmapInfoHeader(HBITMAP bitmap);
    void Allocate(size_t size);
    void DeAllocate();
    void GetDIBX(HDC dc, HBITMAP bitmap, HPALETTE palette);

    std::vector<uint8_t> FInfo;  // header and colour table
    void* FBits = nullptr;
    void* FGlobal = nullptr;  // the global memory block, when the bits live there
    size_t FImageSize = 0;
    int FWidth = 0, FHeight = 0, FBitCount = 0;
};

// The loader makes JPEG pictures through this class.
class TJpegMod : public TJPEGImage {};
