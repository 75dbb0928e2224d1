#include "html/image_cache.h"

#include <algorithm>
#include <cstring>

#include "framework/bitmap.h"
#include "framework/small_heap.h"
#include "html/html_parser.h"

// ---- cache items

TBitmapItem::TBitmapItem(TPersistent* image, TBitmap* mask, Transparency transp)
    : Transp(transp), MImage(image), Mask(mask), Bytes(PictureBytes(image) + PictureBytes(mask)) {}

TBitmapItem::~TBitmapItem() {
    delete MImage;
    delete Mask;
}

// ---- the cache

TStringBitmapList::TStringBitmapList() = default;

TStringBitmapList::~TStringBitmapList() { Clear(); }

namespace {

unsigned char UpperAscii(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 32) : u;
}

// Names are upper-cased by the callers; ASCII case is ignored besides.
int CompareNames(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return UpperAscii(a[i]) < UpperAscii(b[i]) ? -1 : 1;
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

}  // namespace

std::size_t ImageCacheByteLimit() { return gDocumentMemoryBudget / 3; }

bool TStringBitmapList::TNameLess::operator()(const std::string& a, const std::string& b) const {
    return CompareNames(a, b) < 0;
}

void TStringBitmapList::Charge(TObject* item) {
    if (auto* bitmapItem = dynamic_cast<TBitmapItem*>(item)) {
        FBytes += bitmapItem->Bytes;
        gOutsideHeapBytes += bitmapItem->Bytes;
    }
}

void TStringBitmapList::Discharge(TObject* item) {
    if (auto* bitmapItem = dynamic_cast<TBitmapItem*>(item)) {
        FBytes -= bitmapItem->Bytes;
        gOutsideHeapBytes -= bitmapItem->Bytes;
    }
}

void TStringBitmapList::Clear() {
    std::vector<TEntry> items;
    items.swap(FItems);
    FFailures.clear();
    for (TEntry& e : items) {
        Discharge(e.Object);
        delete e.Object;
    }
}

int TStringBitmapList::IndexOf(const std::string& name) const {
    auto it = std::lower_bound(FItems.begin(), FItems.end(), name,
                               [](const TEntry& e, const std::string& n) { return CompareNames(e.Name, n) < 0; });
    if (it == FItems.end() || CompareNames(it->Name, name) != 0) return -1;
    return static_cast<int>(it - FItems.begin());
}

int TStringBitmapList::AddObject(const std::string& name, TObject* item) {
    auto it = std::upper_bound(FItems.begin(), FItems.end(), name,
                               [](const std::string& n, const TEntry& e) { return CompareNames(n, e.Name) < 0; });
    it = FItems.insert(it, TEntry{name, item});
    if (auto* bitmapItem = dynamic_cast<TBitmapItem*>(item)) ++bitmapItem->UsageCount;
    Charge(item);
    return static_cast<int>(it - FItems.begin());
}

bool TStringBitmapList::MakeRoomFor(std::size_t bytes) {
    const std::size_t limit = ImageCacheByteLimit();
    if (bytes > limit) return false;
    if (FBytes > limit - bytes) PurgeCache();
    return FBytes <= limit - bytes;
}

void TStringBitmapList::SetMask(int index, TBitmap* mask) {
    TBitmapItem* item = Item(index);
    if (!item) {
        delete mask;
        return;
    }
    Discharge(item);
    delete item->Mask;
    item->Mask = mask;
    item->Bytes = PictureBytes(item->MImage) + PictureBytes(mask);
    Charge(item);
}

TBitmapItem* TStringBitmapList::Item(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return dynamic_cast<TBitmapItem*>(FItems[static_cast<size_t>(index)].Object);
}

TPersistent* TStringBitmapList::GetImage(int index) {
    TBitmapItem* item = Item(index);
    if (!item) return nullptr;
    item->AccessCount = 0;
    ++item->UsageCount;
    return item->MImage;
}

void TStringBitmapList::IncUsage(const std::string& name) {
    const int i = IndexOf(name);
    if (TBitmapItem* item = i >= 0 ? Item(i) : nullptr) ++item->UsageCount;
}

void TStringBitmapList::DecUsage(const std::string& name) {
    const int i = IndexOf(name);
    if (TBitmapItem* item = i >= 0 ? Item(i) : nullptr) --item->UsageCount;
}

void TStringBitmapList::DeleteItem(int index) {
    TObject* item = FItems[static_cast<size_t>(index)].Object;
    FItems.erase(FItems.begin() + index);
    Discharge(item);
    delete item;
}

void TStringBitmapList::SetCacheCount(int count) {
    for (int i = Count() - 1; i >= 0; --i)
        if (TBitmapItem* item = Item(i); item && item->AccessCount > count && item->UsageCount <= 0) DeleteItem(i);
    FMaxCache = count;
}

void TStringBitmapList::BumpAndCheck() {
    FFailures.clear();
    for (int i = Count() - 1; i >= 0; --i) {
        TBitmapItem* item = Item(i);
        if (!item) continue;
        ++item->AccessCount;
        if (item->AccessCount > FMaxCache && item->UsageCount < 1) DeleteItem(i);
    }
}

void TStringBitmapList::PurgeCache() {
    for (int i = Count() - 1; i >= 0; --i)
        if (TBitmapItem* item = Item(i); item && item->UsageCount < 1) DeleteItem(i);
}

// ---- byte-level readers

namespace {

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint32_t LittleEndian32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t LittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

ImageType KindOfImage(const void* start, size_t length) {
    const auto* p = static_cast<const uint8_t*>(start);
    if (!p) return NoImage;
    if (length >= 4 && std::memcmp(p, "GIF8", 4) == 0) return length >= 5 && p[4] == '9' ? Gif89 : Gif;
    if (length >= 2 && p[0] == 'B' && p[1] == 'M') return Bmp;
    if (length >= 4 && p[0] == 0x89 && std::memcmp(p + 1, "PNG", 3) == 0) return Png;
    if (length >= 2 && p[0] == 0xFF && p[1] == 0xD8) return Jpg;
    return NoImage;
}

bool PngTransparentColor(const uint8_t* data, size_t length, TColor& color) {
    if (!data || length < 8) return false;
    size_t at = 8;
    int colorType = -1;
    std::vector<uint8_t> palette;
    // Every chunk is length (4), type (4), data and a check value (4). The
    // length is unsigned and compared with what is left, so the position only
    // moves forward and stays inside the data.
    while (length - at >= 8) {
        const uint64_t size = BigEndian32(data + at);
        const uint8_t* type = data + at + 4;
        at += 8;
        if (size > length - at) return false;
        const uint8_t* body = data + at;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (size < 13) return false;
            colorType = body[9];
            if (colorType != 2 && colorType != 3) return false;
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            palette.assign(body, body + size);
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (colorType != 3) return false;
            const size_t entries = palette.size() / 3;
            for (size_t i = 0; i < size && i < entries; ++i)
                if (body[i] == 0) {
                    color = static_cast<TColor>(palette[i * 3] | palette[i * 3 + 1] << 8 | palette[i * 3 + 2] << 16);
                    return true;
                }
            return false;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            return false;
        }
        if (length - at - size < 4) return false;
        at += size + 4;
    }
    return false;
}

bool GifTransparentColor(const uint8_t* data, size_t length, TColor& color) {
    if (!data || length < 13 || KindOfImage(data, length) != Gif89) return false;
    const uint8_t flags = data[10];
    if (!(flags & 0x80)) return false;  // no global colour table
    const size_t entries = size_t{2} << (flags & 7);
    const size_t extension = 13 + 3 * entries;
    if (length < extension + 8) return false;
    const uint8_t* e = data + extension;
    if (e[0] != 0x21 || e[1] != 0xF9 || !(e[3] & 1)) return false;
    const size_t index = e[6];
    if (index >= entries) return false;
    const uint8_t* rgb = data + 13 + 3 * index;
    color = static_cast<TColor>(rgb[0] | rgb[1] << 8 | rgb[2] << 16);
    return true;
}

bool BmpClaimedSize(const uint8_t* data, size_t length, int64_t& width, int64_t& height) {
    if (!data || length < 26 || KindOfImage(data, length) != Bmp) return false;
    const uint32_t headerSize = LittleEndian32(data + 14);
    if (headerSize == 12) {
        width = LittleEndian16(data + 18);
        height = LittleEndian16(data + 20);
        return true;
    }
    width = static_cast<int32_t>(LittleEndian32(data + 18));
    height = static_cast<int32_t>(LittleEndian32(data + 22));
    if (height < 0) height = -height;  // top-down rows
    return true;
}

bool ClaimedPictureSize(const uint8_t* data, size_t length, int64_t& width, int64_t& height) {
    switch (KindOfImage(data, length)) {
        case Png:
            // The signature (8), then IHDR's length (4), type (4), width and height.
            if (length < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
            width = BigEndian32(data + 16);
            height = BigEndian32(data + 20);
            return true;
        case Gif:
        case Gif89:
            // The logical screen, which every frame lies in.
            if (length < 10) return false;
            width = LittleEndian16(data + 6);
            height = LittleEndian16(data + 8);
            return true;
        case Bmp: return BmpClaimedSize(data, length, width, height);
        case Jpg: {
            // Markers after the start of image, each with a 2-byte length that
            // counts itself, up to the first start of frame (SOF0-SOF15 but
            // DHT C4, JPG C8 and DAC CC): precision (1), height (2), width (2).
            size_t at = 2;
            while (length - at >= 4) {
                if (data[at] != 0xFF) return false;
                const uint8_t marker = data[at + 1];
                if (marker == 0xFF) {
                    ++at;  // fill byte
                    continue;
                }
                const size_t size = size_t{data[at + 2]} << 8 | data[at + 3];
                if (size < 2) return false;
                if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
                    if (size < 7 || length - at - 2 < 7) return false;
                    height = size_t{data[at + 5]} << 8 | data[at + 6];
                    width = size_t{data[at + 7]} << 8 | data[at + 8];
                    return true;
                }
                if (size > length - at - 2) return false;
                at += 2 + size;
            }
            return false;
        }
        default: return false;
    }
}
