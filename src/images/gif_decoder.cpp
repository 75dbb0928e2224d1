#include "images/gif_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/picture_budget.h"

namespace {

const char* const kMessages[] = {
    "no error",
    "Invalid GIF Signature Code",
    "No Local or Global Color Table for Image",
    "Unknown Graphics Extension Type",
    "Unknown Graphics Operation Code",
    "Invalid Extension Block Size",
    "[special message]",
    "Invalid Extension Block Terminator",
    "Invalid Integer Size",
    "No GIF Terminator Found",
    "Extension Block Out-Of-Order With Image Data",
    "Invalid Image Descriptor Index",
    "Invalid LZW Code Size",
    "Invalid LZW Data Format",
    "LZW Code Overflow",
    "Value Out Of Range",
    "NIL Pointer assigned",
    "Invalid Color Table Size",
    "No Image Description",
    "Invalid Bitmap Image",
    "Invalid Color Table Index",
    "Invalid Interlace Pass",
    "Invalid Bitmap",
    "Too Many Colors In Bitmap",
    "Unexpected end of file",
    "next message",
};

enum GifMessage {
    kErrSignature = 1,
    kErrNoColorTable = 2,
    kErrOperationCode = 4,
    kErrBlockSize = 5,
    kErrTerminator = 7,
    kErrNoImage = 18,
    kErrCodeSize = 12,
    kErrLZWData = 13,
    kErrRange = 15,
    kErrEndOfFile = 24,
};

constexpr int kMaxCodes = 4096;

}  // namespace

// Bounds-checked reads over the loaded bytes; running out is message 24.
class TGif::Reader {
public:
    Reader(const TGif& owner, const uint8_t* data, size_t size)
        : FOwner(owner), FData(data), FSize(size) {}
    bool AtEnd() const { return FPos >= FSize; }
    uint8_t Byte() {
        if (FPos >= FSize) FOwner.Fail(kErrEndOfFile);
        return FData[FPos++];
    }
    uint16_t Word() {
        uint16_t lo = Byte();
        return static_cast<uint16_t>(lo | (Byte() << 8));
    }
    std::string Bytes(size_t n) {
        if (FSize - FPos < n) FOwner.Fail(kErrEndOfFile);
        std::string s(reinterpret_cast<const char*>(FData + FPos), n);
        FPos += n;
        return s;
    }
    uint8_t Peek() const { return FPos < FSize ? FData[FPos] : 0; }
    void Skip(size_t n) {
        if (FSize - FPos < n) FOwner.Fail(kErrEndOfFile);
        FPos += n;
    }
    // Data sub-blocks up to the zero-length terminator, passed over.
    void SkipSubBlocks() {
        for (uint8_t n = Byte(); n != 0; n = Byte()) Skip(n);
    }
    // The first sub-block's bytes; the rest are passed over.
    std::string FirstSubBlock() {
        std::string first;
        if (const uint8_t n = Byte(); n != 0) {
            first = Bytes(n);
            SkipSubBlocks();
        }
        return first;
    }
    void AppendSubBlocks(std::vector<uint8_t>& out) {
        for (uint8_t n = Byte(); n != 0; n = Byte()) {
            if (FSize - FPos < n) FOwner.Fail(kErrEndOfFile);
            out.insert(out.end(), FData + FPos, FData + FPos + n);
            FPos += n;
        }
    }
    void ReadColorTable(TGifColorTable& table, int count) {
        table.Count = count;
        for (int i = 0; i < count; ++i) {
            uint32_t r = Byte(), g = Byte(), b = Byte();
            table.Colors[i] = r | (g << 8) | (b << 16);
        }
    }

private:
    const TGif& FOwner;
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

const TGifExtension* TGifImageDescriptor::GraphicControl() const {
    for (const TGifExtension& e : Extensions) {
        if (e.Label == kGifGraphicControl) return &e;
    }
    return nullptr;
}

TGif::TGif() { FreeImage(); }
TGif::~TGif() = default;

const char* TGif::ErrorText(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kMessages))) return "";
    return kMessages[index];
}

void TGif::Fail(int index) const { Fail(index, kMessages[index]); }

void TGif::Fail(int index, const std::string& text) const {
    FLastError = index;
    throw EInvalidGraphicOperation("TGif: " + text);
}

void TGif::FreeImage() {
    FSignature = "------";
    FScreen = TGifScreenDescriptor{};
    FImages.clear();
    FColorTables.clear();
    FBitmaps.clear();
    FLoopCount = -1;
    FDecodedArea = 0;
}

void TGif::LoadFromStream(TStream* stream) {
    std::vector<uint8_t> bytes;
    stream->SetPosition(0);
    std::vector<uint8_t> chunk(65536);
    for (int32_t got; (got = stream->Read(chunk.data(), static_cast<int32_t>(chunk.size()))) > 0;) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    }
    LoadFromBuffer(bytes.data(), bytes.size());
}

void TGif::LoadFromBuffer(const uint8_t* data, size_t size) {
    FreeImage();
    Reader in(*this, data, size);
    std::string signature = in.Bytes(6);
    std::string upper = signature;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper != "GIF87A" && upper != "GIF89A") Fail(kErrSignature);
    FSignature = signature;

    FScreen.Width = in.Word();
    FScreen.Height = in.Word();
    uint8_t packed = in.Byte();
    FScreen.GlobalColorTable = (packed & 0x80) != 0;
    FScreen.ColorResolution = ((packed >> 4) & 7) + 1;
    FScreen.Sorted = (packed & 0x08) != 0;
    FScreen.GlobalColorTableSize = 1 << ((packed & 7) + 1);
    FScreen.BackgroundIndex = in.Byte();
    FScreen.AspectRatio = in.Byte();
    if (!PictureSidesFit(FScreen.Width, FScreen.Height)) Fail(kErrRange);
    if (FScreen.GlobalColorTable) {
        FColorTables.emplace_back();
        in.ReadColorTable(FColorTables.back(), FScreen.GlobalColorTableSize);
        FScreen.GlobalColorTableIndex = 0;
    }

    std::vector<TGifExtension> pending;
    // A file that ends without its trailer keeps what it had.
    while (!in.AtEnd()) {
        uint8_t block = in.Byte();
        if (block == ';' || block == 0) break;
        if (block == ',') {
            if (!ReadImage(in, pending)) break;
        } else if (block == '!') {
            const bool comment = in.Peek() == kGifComment;
            try {
                ReadExtension(in, pending);
            } catch (const EInvalidGraphicOperation&) {
                // A broken comment after the images is the end of the file.
                if (FLastError != kErrEndOfFile || FImages.empty() || !comment) throw;
                FLastError = 0;
                break;
            }
        } else {
            Fail(kErrOperationCode);
        }
    }
    if (FImages.empty()) Fail(kErrNoImage);
}

void TGif::ReadExtension(Reader& in, std::vector<TGifExtension>& pending) {
    const uint8_t label = in.Byte();
    switch (label) {
        case kGifGraphicControl: {
            if (in.Byte() != 4) Fail(kErrBlockSize);
            TGifExtension e;
            e.Label = label;
            uint8_t packed = in.Byte();
            e.Disposal = (packed >> 2) & 7;
            e.UserInput = (packed & 2) != 0;
            e.TransparentFlag = (packed & 1) != 0;
            e.Delay = in.Word();
            e.TransparentIndex = in.Byte();
            if (in.Byte() != 0) Fail(kErrTerminator);
            // Only an image's first graphic control is ever read: keeping the
            // others let a file of nothing else take 35 bytes per byte read.
            if (pending.empty()) pending.push_back(e);
            break;
        }
        case kGifPlainText:
            // The text is never drawn: its grid and sub-blocks are checked and skipped.
            if (in.Byte() != 12) Fail(kErrBlockSize);
            in.Skip(12);
            in.SkipSubBlocks();
            break;
        case kGifApplication: {
            if (in.Byte() != 11) Fail(kErrBlockSize);
            const std::string identifier = in.Bytes(8);
            in.Skip(3);  // the authentication code
            const std::string first = in.FirstSubBlock();
            if (identifier == "NETSCAPE" && first.size() == 3)
                FLoopCount = static_cast<uint8_t>(first[1]) | (static_cast<uint8_t>(first[2]) << 8);
            break;
        }
        default:
            // Comments and extensions this reader does not know are skipped:
            // their content is data sub-blocks like every other extension's.
            in.SkipSubBlocks();
            break;
    }
}

bool TGif::ReadImage(Reader& in, std::vector<TGifExtension>& pending) {
    TGifImageDescriptor image;
    image.Index = static_cast<int>(FImages.size());
    image.Left = in.Word();
    image.Top = in.Word();
    image.Width = in.Word();
    image.Height = in.Word();
    uint8_t packed = in.Byte();
    image.LocalColorTable = (packed & 0x80) != 0;
    image.Interlaced = (packed & 0x40) != 0;
    image.Sorted = (packed & 0x20) != 0;
    image.LocalColorTableSize = image.LocalColorTable ? 1 << ((packed & 7) + 1) : 0;
    if (image.LocalColorTable) {
        TGifColorTable table;
        in.ReadColorTable(table, image.LocalColorTableSize);
        FColorTables.push_back(table);
        image.ColorTableIndex = static_cast<int>(FColorTables.size()) - 1;
    } else {
        image.ColorTableIndex = FScreen.GlobalColorTableIndex;
    }
    if (image.ColorTableIndex < 0) Fail(kErrNoColorTable);
    image.LZWCodeSize = in.Byte();
    // Checked before the code size is used in any shift.
    if (image.LZWCodeSize < 1 || image.LZWCodeSize > 11) Fail(kErrCodeSize);
    image.Extensions = std::move(pending);
    pending.clear();

    std::vector<uint8_t> data;
    in.AppendSubBlocks(data);

    // Every image is kept decoded, and the strip holds one screen per image:
    // both count against the picture budget before anything is allocated. A
    // frame's bookkeeping counts as a picture of kFrameBookkeepingArea pixels
    // at least, so frames of no area (on a screen of none) are bounded too.
    int64_t area = int64_t{image.Width} * image.Height;
    int64_t stripArea = int64_t{FScreen.Width} * FScreen.Height * (image.Index + 1);
    if (!PictureFitsBudget(image.Width, image.Height)) Fail(kErrRange);
    const int64_t charged = std::max(area, kFrameBookkeepingArea);
    // An animation too long for the budget keeps the frames that fit.
    if (!PictureAreaFits(FDecodedArea + charged) || !PictureAreaFits(stripArea)) {
        if (FImages.empty()) Fail(kErrRange);
        return false;
    }
    FDecodedArea += charged;
    try {
        image.Pixels.assign(static_cast<size_t>(area), 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Out of memory");
    }
    if (area > 0) DecodeLZW(data, image);
    FImages.push_back(std::move(image));
    return true;
}

// Codes are packed least significant bit first. The string table is a prefix
// chain: every entry's prefix is a smaller code, so walking it always ends.
void TGif::DecodeLZW(const std::vector<uint8_t>& data, TGifImageDescriptor& image) const {
    uint16_t prefix[kMaxCodes];
    uint8_t suffix[kMaxCodes];
    uint8_t stack[kMaxCodes];

    const int minSize = image.LZWCodeSize;
    const int clear = 1 << minSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        prefix[i] = 0;
        suffix[i] = static_cast<uint8_t>(i);
    }
    int width = minSize + 1;
    int freeSlot = clear + 2;
    int prev = -1;
    uint8_t prevFirst = 0;
    bool afterClear = false;

    uint32_t bits = 0;
    int bitCount = 0;
    size_t pos = 0;

    // Pixel writer: rows in order, or the four interlace passes.
    const int w = image.Width, h = image.Height;
    uint8_t* pixels = image.Pixels.data();
    const size_t total = static_cast<size_t>(w) * h;
    size_t out = 0;  // sequential images: next index
    int x = 0, y = 0, pass = 0;
    static const int kPassStart[4] = {0, 4, 2, 1};
    static const int kPassStep[4] = {8, 8, 4, 2};
    bool done = false;
    auto put = [&](const uint8_t* s, int n) {
        if (!image.Interlaced) {
            size_t take = std::min<size_t>(static_cast<size_t>(n), total - out);
            std::memcpy(pixels + out, s, take);
            out += take;
            done = out >= total;
            return;
        }
        for (int i = 0; i < n && !done; ++i) {
            pixels[static_cast<size_t>(y) * w + x] = s[i];
            if (++x < w) continue;
            x = 0;
            y += kPassStep[pass];
            // Passes that start below a short image are skipped.
            while (y >= h && ++pass < 4) y = kPassStart[pass];
            done = pass >= 4;
        }
    };

    while (!done) {
        while (bitCount < width) {
            // A code that is not complete in the data is never decoded; one that
            // ends exactly at the last byte is.
            if (pos >= data.size()) return;
            bits |= static_cast<uint32_t>(data[pos++]) << bitCount;
            bitCount += 8;
        }
        int code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;

        if (code == clear) {
            width = minSize + 1;
            freeSlot = clear + 2;
            prev = -1;
            afterClear = true;
            continue;
        }
        if (code == end) {
            if (afterClear) Fail(kErrLZWData);
            return;
        }
        afterClear = false;
        if (prev < 0) {
            // First code of the stream or after a clear: a literal or nothing.
            if (code >= freeSlot) Fail(kErrLZWData);
            stack[0] = static_cast<uint8_t>(code);
            put(stack, 1);
            prev = code;
            prevFirst = static_cast<uint8_t>(code);
            // Only a minimum size of 1 starts with its free slot at the limit.
            if (freeSlot >= (1 << width) && width < 12) ++width;
            continue;
        }

        int sp = kMaxCodes;
        int walk;
        if (code < freeSlot) {
            walk = code;
        } else if (code == freeSlot && freeSlot < kMaxCodes) {
            // The KwKwK case: the previous string plus its own first byte.
            stack[--sp] = prevFirst;
            walk = prev;
        } else {
            Fail(kErrLZWData);
        }
        while (walk >= clear) {
            if (sp <= 1) Fail(kErrLZWData);
            stack[--sp] = suffix[walk];
            walk = prefix[walk];
        }
        stack[--sp] = static_cast<uint8_t>(walk);
        uint8_t first = static_cast<uint8_t>(walk);

        if (freeSlot < kMaxCodes) {
            prefix[freeSlot] = static_cast<uint16_t>(prev);
            suffix[freeSlot] = first;
            ++freeSlot;
            if (freeSlot >= (1 << width) && width < 12) ++width;
        }
        put(stack + sp, kMaxCodes - sp);
        prev = code;
        prevFirst = first;
    }
}

const TGifImageDescriptor& TGif::GetImageDescriptor(int image) const {
    if (image < 0 || image >= GetImageCount()) Fail(kErrRange);
    return FImages[static_cast<size_t>(image)];
}

const TGifColorTable& TGif::GetColorTable(int index) const {
    if (index < 0 || index >= GetColorTableCount()) Fail(kErrRange);
    return FColorTables[static_cast<size_t>(index)];
}

int TGif::GetImageDepth(int image) const {
    return GetColorTable(GetImageDescriptor(image).ColorTableIndex).Count;
}

int TGif::GetImageDelay(int image) const {
    const TGifExtension* gce = GetImageDescriptor(image).GraphicControl();
    return gce ? std::max<int>(gce->Delay, 1) : 1;
}

int TGif::GetImageDisposal(int image) const {
    const TGifExtension* gce = GetImageDescriptor(image).GraphicControl();
    return gce ? (gce->Disposal & 3) : 0;
}

int TGif::GetTransparentIndex(int image) const {
    const TGifExtension* gce = GetImageDescriptor(image).GraphicControl();
    return gce && gce->TransparentFlag ? gce->TransparentIndex : -1;
}

bool TGif::GetTransparent() const {
    for (int i = 0; i < GetImageCount(); ++i) {
        if (GetTransparentIndex(i) >= 0) return true;
    }
    return false;
}

int TGif::GetColorIndex(int image, int x, int y) const {
    const TGifImageDescriptor& d = GetImageDescriptor(image);
    if (x < 0 || y < 0 || x >= d.Width || y >= d.Height) Fail(kErrRange);
    return d.Pixels[static_cast<size_t>(y) * d.Width + x];
}

int TGif::FindColorIndex(uint32_t color, int table) const {
    const TGifColorTable& t = GetColorTable(table);
    for (int i = 0; i < t.Count; ++i) {
        if (t.Colors[i] == color) return i;
    }
    return -1;
}

TGifStrip TGif::ComposeStrip() const {
    TGifStrip strip;
    const int sw = FScreen.Width, sh = FScreen.Height;
    const int count = GetImageCount();
    int64_t width = int64_t{sw} * count;
    if (!PictureAreaFits(width * sh)) Fail(kErrRange);
    strip.Width = static_cast<int>(width);
    strip.Height = sh;
    const size_t stride = static_cast<size_t>(width);
    strip.Pixels.assign(stride * sh * 3, 0);
    const bool masked = GetTransparent();
    if (masked) strip.Mask.assign(stride * sh, 1);

    // Disposal 3 puts back what the frame covered before it was drawn.
    std::vector<uint8_t> savedPixels, savedMask;
    for (int k = 0; k < count; ++k) {
        const TGifImageDescriptor& image = FImages[static_cast<size_t>(k)];
        const size_t block = static_cast<size_t>(k) * sw;
        if (k > 0) {
            // Each frame starts from the one before it.
            for (int row = 0; row < sh && sw > 0; ++row) {
                size_t from = row * stride + block - sw, to = row * stride + block;
                std::memcpy(strip.Pixels.data() + to * 3, strip.Pixels.data() + from * 3, static_cast<size_t>(sw) * 3);
                if (masked) std::memcpy(strip.Mask.data() + to, strip.Mask.data() + from, static_cast<size_t>(sw));
            }
            const TGifImageDescriptor& before = FImages[static_cast<size_t>(k - 1)];
            const int disposal = GetImageDisposal(k - 1);
            // Clipped to the screen, as every rectangle of a frame is.
            const int left = std::min<int>(sw, before.Left), top = std::min<int>(sh, before.Top);
            const int right = std::min<int>(sw, before.Left + before.Width);
            const int bottom = std::min<int>(sh, before.Top + before.Height);
            const size_t span = static_cast<size_t>(right - left);
            for (int row = top; row < bottom && span > 0; ++row) {
                size_t at = row * stride + block + left;
                if (disposal == 2 && masked) {
                    std::memset(strip.Mask.data() + at, 1, span);
                } else if (disposal == 3) {
                    size_t saved = static_cast<size_t>(row - top) * span;
                    std::memcpy(strip.Pixels.data() + at * 3, savedPixels.data() + saved * 3, span * 3);
                    if (masked) std::memcpy(strip.Mask.data() + at, savedMask.data() + saved, span);
                }
            }
        }
        if (GetImageDisposal(k) == 3) {
            const int left = std::min<int>(sw, image.Left), top = std::min<int>(sh, image.Top);
            const int right = std::min<int>(sw, image.Left + image.Width);
            const int bottom = std::min<int>(sh, image.Top + image.Height);
            const size_t span = static_cast<size_t>(right - left);
            savedPixels.clear();
            savedMask.clear();
            for (int row = top; row < bottom && span > 0; ++row) {
                size_t at = row * stride + block + left;
                if (k == 0) {
                    // Before the first frame there is nothing: black and clear.
                    savedPixels.insert(savedPixels.end(), span * 3, 0);
                    if (masked) savedMask.insert(savedMask.end(), span, 1);
                    continue;
                }
                const uint8_t* pixels = strip.Pixels.data() + at * 3;
                savedPixels.insert(savedPixels.end(), pixels, pixels + span * 3);
                if (masked) savedMask.insert(savedMask.end(), strip.Mask.data() + at, strip.Mask.data() + at + span);
            }
        }
        const TGifColorTable& table = FColorTables[static_cast<size_t>(image.ColorTableIndex)];
        const int transparent = GetTransparentIndex(k);
        const int right = std::min<int>(sw, image.Left + image.Width);
        const int bottom = std::min<int>(sh, image.Top + image.Height);
        for (int row = image.Top; row < bottom; ++row) {
            const uint8_t* src = image.Pixels.data() + static_cast<size_t>(row - image.Top) * image.Width;
            for (int col = image.Left; col < right; ++col) {
                uint8_t index = src[col - image.Left];
                size_t at = row * stride + block + col;
                if (index == transparent) {
                    if (k == 0) {
                        strip.Pixels[at * 3] = strip.Pixels[at * 3 + 1] = strip.Pixels[at * 3 + 2] = 0;
                        strip.Mask[at] = 1;
                    }
                    continue;
                }
                uint32_t c = table.Colors[index];
                strip.Pixels[at * 3] = static_cast<uint8_t>(c >> 16);
                strip.Pixels[at * 3 + 1] = static_cast<uint8_t>(c >> 8);
                strip.Pixels[at * 3 + 2] = static_cast<uint8_t>(c);
                if (masked) strip.Mask[at] = 0;
            }
        }
    }
    return strip;
}
