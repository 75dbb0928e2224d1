// .ico layout (little-endian): reserved u16 (0), type u16 (1 for icons), count
// u16; then per image 16 bytes: width u8, height u8 (0 means 256), colour count
// u8, reserved u8, planes u16, bit count u16, byte size u32, file offset u32.
// Each image is a PNG file or a BITMAPINFOHEADER with the colour pixels and
// then the 1-bit AND mask, the header's height counting both.
#include "framework/icon.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "framework/canvas.h"
#include "framework/streams.h"
#include "framework/win.h"

namespace {

const char kInvalidIcon[] = "Icon image is not valid";
const char kIconSizeFixed[] = "Cannot change the size of an icon";

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(Get16(p)) | (static_cast<uint32_t>(Get16(p + 2)) << 16);
}

struct IconEntry {
    int width, height, bitCount;
    uint32_t size, offset;
};

// A BMP-coded image must hold everything its header promises.
bool ImageComplete(const uint8_t* image, uint32_t size) {
    if (size >= 8 && image[0] == 0x89 && image[1] == 'P' && image[2] == 'N' && image[3] == 'G') return true;
    if (size < 40) return false;
    const uint32_t headerSize = Get32(image);
    const auto width = static_cast<int32_t>(Get32(image + 4));
    const auto height = static_cast<int32_t>(Get32(image + 8));
    const int bits = Get16(image + 14);
    const uint32_t colorsUsed = Get32(image + 32);
    if (headerSize < 40 || headerSize > size || width <= 0 || width > 1024 || height <= 0 || height > 2048)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    const uint64_t colors = bits <= 8 ? (colorsUsed ? std::min<uint32_t>(colorsUsed, 1u << bits) : 1u << bits) : 0;
    const uint64_t rows = static_cast<uint64_t>(height) / 2;
    const uint64_t colorStride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
    const uint64_t maskStride = ((static_cast<uint64_t>(width) + 31) / 32) * 4;
    return headerSize + colors * 4 + (colorStride + maskStride) * rows <= size;
}

TSize IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {};
    BITMAP bm{};
    TSize size;
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof(bm), &bm)) {
        size = {bm.bmWidth, bm.bmHeight};
    } else if (info.hbmMask && GetObjectW(info.hbmMask, sizeof(bm), &bm)) {
        size = {bm.bmWidth, bm.bmHeight / 2};  // monochrome: AND and XOR masks stacked
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation(kIconSizeFixed); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation(kIconSizeFixed); }

void TIcon::SetHandle(HICON handle) {
    if (handle && handle == FHandle.get()) return;
    FHandle.reset(handle);
    FData.clear();
    const TSize size = handle ? IconSize(handle) : TSize{};
    FWidth = size.cx;
    FHeight = size.cy;
    Changed(this);
}

HICON TIcon::ReleaseHandle() {
    FData.clear();
    FWidth = FHeight = 0;
    return FHandle.release();
}

void TIcon::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (!Source) {
        SetHandle(nullptr);
        return;
    }
    auto* source = dynamic_cast<TIcon*>(Source);
    if (!source) {
        TGraphic::Assign(Source);
        return;
    }
    FHandle.reset(source->FHandle ? CopyIcon(source->FHandle.get()) : nullptr);
    FData = source->FData;
    FWidth = source->FWidth;
    FHeight = source->FHeight;
    Changed(this);
}

void TIcon::LoadFromStream(TStream* stream) {
    const int64_t available = stream->Size() - stream->Position();
    uint8_t head[6];
    if (available < 6 || stream->Read(head, 6) != 6) throw EInvalidGraphic(kInvalidIcon);
    const uint16_t count = Get16(head + 4);
    if (Get16(head) != 0 || Get16(head + 2) != 1 || count == 0) throw EInvalidGraphic(kInvalidIcon);
    const int64_t directoryEnd = 6 + 16 * static_cast<int64_t>(count);
    if (directoryEnd > available) throw EInvalidGraphic(kInvalidIcon);

    std::vector<uint8_t> directory(static_cast<size_t>(16) * count);
    if (stream->Read(directory.data(), static_cast<int32_t>(directory.size())) != static_cast<int32_t>(directory.size()))
        throw EInvalidGraphic(kInvalidIcon);
    std::vector<IconEntry> entries;
    int64_t end = directoryEnd;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* e = &directory[16 * static_cast<size_t>(i)];
        IconEntry entry{e[0] ? e[0] : 256, e[1] ? e[1] : 256, Get16(e + 6), Get32(e + 8), Get32(e + 12)};
        if (entry.offset < directoryEnd || static_cast<int64_t>(entry.offset) + entry.size > available)
            throw EInvalidGraphic(kInvalidIcon);
        end = std::max<int64_t>(end, static_cast<int64_t>(entry.offset) + entry.size);
        entries.push_back(entry);
    }
    if (end > std::numeric_limits<int32_t>::max()) throw EInvalidGraphic(kInvalidIcon);

    std::vector<uint8_t> data(static_cast<size_t>(end));
    std::copy(head, head + 6, data.begin());
    std::copy(directory.begin(), directory.end(), data.begin() + 6);
    const auto rest = static_cast<int32_t>(end - directoryEnd);
    if (stream->Read(data.data() + directoryEnd, rest) != rest) throw EInvalidGraphic(kInvalidIcon);

    // The system's icon size wins, then the most colours; else the largest.
    const int wanted = GetSystemMetrics(SM_CXICON);
    auto rank = [wanted](const IconEntry& e) {
        return std::make_tuple(e.width == wanted && e.height == wanted, e.width * e.height, e.bitCount);
    };
    const IconEntry best = *std::max_element(entries.begin(), entries.end(),
                                             [&](const IconEntry& a, const IconEntry& b) { return rank(a) < rank(b); });
    const uint8_t* image = data.data() + best.offset;
    if (!ImageComplete(image, best.size)) throw EInvalidGraphic(kInvalidIcon);
    HICON handle = CreateIconFromResourceEx(const_cast<PBYTE>(image), best.size, TRUE, 0x00030000, best.width,
                                            best.height, LR_DEFAULTCOLOR);
    if (!handle) throw EInvalidGraphic(kInvalidIcon);
    FHandle.reset(handle);
    FData = std::move(data);
    FWidth = best.width;
    FHeight = best.height;
    Changed(this);
}

void TIcon::SaveToStream(TStream* stream) {
    if (Empty()) return;
    if (FData.empty()) throw EInvalidGraphicOperation("Cannot save an icon made from a handle");
    stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
    if (!FHandle) return;
    DrawIconEx(canvas->Handle(), rect.Left, rect.Top, FHandle.get(), rect.Width(), rect.Height(), 0, nullptr,
               DI_NORMAL);
}
