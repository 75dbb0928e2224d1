#include "images/png_image.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

#include "framework/picture.h"
#include "framework/streams.h"
#include "images/zstreams.h"

namespace {

void Put32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

uint32_t Get32(const std::vector<uint8_t>& d, size_t at) {
    if (d.size() < at + 4) return 0;
    return (uint32_t{d[at]} << 24) | (uint32_t{d[at + 1]} << 16) | (uint32_t{d[at + 2]} << 8) | d[at + 3];
}

void WriteBigEndian(TStream* stream, uint32_t v) {
    uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                    static_cast<uint8_t>(v)};
    stream->WriteBuffer(b, 4);
}

int BitsOf(TPixelFormat format) {
    switch (format) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        default: return 0;
    }
}

}  // namespace

// ---- registry ----

void TChunkClasses::Add(const std::string& type, TChunkClass chunkClass) { FEntries.push_back({type, chunkClass}); }

const TChunkClasses::Entry& TChunkClasses::GetItem(int index) const {
    if (index < 0 || index >= GetCount()) RaisePNGError(PNG_ERROR_INVALID_CHUNK_CLASS_INDEX);
    return FEntries[static_cast<size_t>(index)];
}

int TChunkClasses::IndexOfType(const std::string& type) const {
    for (size_t i = 0; i < FEntries.size(); ++i)
        if (FEntries[i].Type.size() == 4 && type.size() >= 4 && std::memcmp(FEntries[i].Type.data(), type.data(), 4) == 0)
            return static_cast<int>(i);
    return -1;
}

int TChunkClasses::IndexOfClass(TChunkClass chunkClass) const {
    for (size_t i = 0; i < FEntries.size(); ++i)
        if (FEntries[i].Class == chunkClass) return static_cast<int>(i);
    return -1;
}

TChunkClasses& ChunkClasses() {
    static TChunkClasses classes = [] {
        TChunkClasses c;
        c.Add("IEND", &MakeChunk<TChunkIEND>);
        c.Add("IHDR", &MakeChunk<TChunkIHDR>);
        c.Add("gAMA", &MakeChunk<TChunkGAMA>);
        c.Add("IDAT", &MakeChunk<TChunkIDAT>);
        c.Add("PLTE", &MakeChunk<TChunkPLTE>);
        c.Add("tEXt", &MakeChunk<TChunkTEXT>);
        c.Add("tRNS", &MakeChunk<TChunkTRNS>);
        c.Add("tIME", &MakeChunk<TChunkTIME>);
        return c;
    }();
    return classes;
}

// ---- chunks ----

TChunk::TChunk(TChunkList* list) : ChunkList(list) {}

void TChunk::Assign(const TChunk* source) {
    Data = source->Data;
    ChunkType = source->ChunkType;
}

void TChunk::SaveToStream(TStream* stream) {
    if (ChunkType.size() != 4 || (ChunkType[3] & 0x20) != 0) return;
    WriteBigEndian(stream, static_cast<uint32_t>(Data.size()));
    stream->WriteBuffer(ChunkType.data(), 4);
    if (!Data.empty()) stream->WriteBuffer(Data.data(), static_cast<int32_t>(Data.size()));
    WriteBigEndian(stream, PNGChunkCrc(ChunkType.data(), Data.data(), Data.size()));
}

TPNGImage* TChunk::GetBitmap() const { return ChunkList->Owner; }

TChunkIHDR* TChunk::GetIHDR() const {
    return ChunkList->GetCount() > 0 ? dynamic_cast<TChunkIHDR*>(ChunkList->GetItem(0)) : nullptr;
}

TChunkGAMA* TChunk::GetGAMA() const {
    for (int i = 0; i < ChunkList->GetCount(); ++i)
        if (auto* g = dynamic_cast<TChunkGAMA*>(ChunkList->GetItem(i))) return g;
    return nullptr;
}

int TChunk::GetIndex() const { return ChunkList->IndexOfChunk(this); }

TChunkIHDR::TChunkIHDR(TChunkList* list) : TChunk(list) { Data.assign(13, 0); }

uint32_t TChunkIHDR::GetWidth() const { return Get32(Data, 0); }
void TChunkIHDR::SetWidth(uint32_t value) {
    Data.resize(std::max<size_t>(Data.size(), 13));
    Put32(Data, 0, value);
}
uint32_t TChunkIHDR::GetHeight() const { return Get32(Data, 4); }
void TChunkIHDR::SetHeight(uint32_t value) {
    Data.resize(std::max<size_t>(Data.size(), 13));
    Put32(Data, 4, value);
}
uint8_t TChunkIHDR::GetValue(int index) const {
    size_t at = 8 + static_cast<size_t>(index);
    return index >= 0 && at < Data.size() ? Data[at] : 0;
}
void TChunkIHDR::SetValue(int index, uint8_t value) {
    if (index < 0 || index > 4) return;
    Data.resize(std::max<size_t>(Data.size(), 13));
    Data[8 + static_cast<size_t>(index)] = value;
}

void TChunkIHDR::SaveToStream(TStream* stream) {
    TPNGImage* image = GetBitmap();
    SetValue(2, 0);
    SetValue(3, 0);
    SetValue(4, 0);
    SetWidth(static_cast<uint32_t>(image->Width()));
    SetHeight(static_cast<uint32_t>(image->Height()));
    int bits = image->Empty() ? 0 : BitsOf(image->PixelFormat());
    if (bits) {
        SetValue(0, static_cast<uint8_t>(bits));
        SetValue(1, 3);
    } else {
        if (!image->Empty() && image->PixelFormat() != pf24bit) image->SetPixelFormat(pf24bit);
        SetValue(0, 8);
        SetValue(1, 2);
    }
    TChunk::SaveToStream(stream);
}

std::vector<uint32_t> TChunkPLTE::GetPalette() const {
    TChunkGAMA* gama = GetGAMA();
    return ParsePNGPalette(Data, gama ? gama->Tables() : TPNGGamma{});
}

void TChunkPLTE::SaveToStream(TStream* stream) {
    TPNGImage* image = GetBitmap();
    Data.clear();
    if (!image->Empty() && BitsOf(image->PixelFormat())) {
        TChunkGAMA* gama = GetGAMA();
        // Colour table entries are blue, green, red, 0 in memory.
        for (uint32_t entry : image->ToDib().ColorTable) {
            uint8_t rgb[3] = {static_cast<uint8_t>(entry >> 16), static_cast<uint8_t>(entry >> 8),
                              static_cast<uint8_t>(entry)};
            for (uint8_t& c : rgb) {
                if (gama && gama->Tables().Present) c = gama->Tables().Inverse[c];
                Data.push_back(c);
            }
        }
    }
    if (Data.empty()) return;
    TChunk::SaveToStream(stream);
}

void TChunkIDAT::DoAction() {
    TChunkIHDR* ihdr = GetIHDR();
    TPNGHeader header = ParsePNGHeader(ihdr->Data);
    TChunkGAMA* gama = GetGAMA();
    TPNGGamma gamma = gama ? gama->Tables() : TPNGGamma{};
    std::vector<uint32_t> palette;
    bool havePalette = false;
    if (header.ColorType == 3) {
        for (int i = 0; i < ChunkList->GetCount() && !havePalette; ++i) {
            if (auto* plte = dynamic_cast<TChunkPLTE*>(ChunkList->GetItem(i))) {
                palette = plte->GetPalette();
                havePalette = true;
            }
        }
    }
    TPNGImage* image = GetBitmap();
    TPNGRowDone progress;
    if (image->OnProgress) {
        const int w = static_cast<int>(header.Width), h = static_cast<int>(header.Height);
        progress = [image, w, h](int pass, int row) {
            if (pass == 0) {
                image->Progress(image, psRunning, static_cast<uint8_t>((row + 1) * 100 / h), false,
                                TRect{0, row, w, row + 1}, "Drawing...");
            } else {
                image->Progress(image, psRunning, static_cast<uint8_t>(100 * (pass - 1) / 6), false,
                                TRect{0, 0, w, h}, "Drawing...");
            }
        };
    }
    TPNGPixels pixels = DecodePNGPixels(header, Data, havePalette ? &palette : nullptr, gamma, progress);

    TDibImage dib;
    dib.Width = pixels.Width;
    dib.Height = pixels.Height;
    dib.BitCount = static_cast<uint16_t>(pixels.BitsPerPixel);
    for (uint32_t c : pixels.Palette)  // red + green * 256 + blue * 65536 to blue, green, red, 0
        dib.ColorTable.push_back(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
    dib.Bits.assign(dib.Stride() * static_cast<size_t>(dib.Height), 0);
    for (int y = 0; y < pixels.Height; ++y)
        std::memcpy(dib.Row(y), pixels.Rows.data() + static_cast<size_t>(y) * pixels.Stride, pixels.Stride);
    image->LoadFromDib(dib);
}

void TChunkIDAT::EncodeImage() {
    TPNGImage* image = GetBitmap();
    Data.clear();
    if (image->Empty()) return;
    TDibImage dib = image->ToDib();
    const int bits = dib.BitCount;
    const size_t rowBytes = (static_cast<size_t>(dib.Width) * bits + 7) / 8;
    const size_t bpp = std::max<size_t>(1, static_cast<size_t>(bits) / 8);
    TChunkGAMA* gama = GetGAMA();
    const bool inverse = gama && gama->Tables().Present;

    std::vector<uint8_t> filtered, row(rowBytes), prior(rowBytes, 0);
    filtered.reserve((rowBytes + 1) * static_cast<size_t>(dib.Height));
    for (int y = 0; y < dib.Height; ++y) {
        const uint8_t* src = dib.Row(y);
        if (bits == 24) {
            for (size_t x = 0; x < rowBytes; x += 3) {
                row[x] = src[x + 2];
                row[x + 1] = src[x + 1];
                row[x + 2] = src[x];
                if (inverse)
                    for (size_t c = 0; c < 3; ++c) row[x + c] = gama->Tables().Inverse[row[x + c]];
            }
        } else {
            std::memcpy(row.data(), src, rowBytes);
        }
        EncodeFilterRow(row.data(), prior.data(), rowBytes, bpp, image->Filters, filtered);
        std::swap(row, prior);
    }
    TMemoryStream packed;
    {
        TZCompressionStream z(&packed, zcDefault);
        z.WriteBuffer(filtered.data(), static_cast<int32_t>(filtered.size()));
    }
    Data.assign(static_cast<const uint8_t*>(packed.Memory()),
                static_cast<const uint8_t*>(packed.Memory()) + packed.Size());
}

void TChunkIDAT::SaveToStream(TStream* stream) {
    EncodeImage();
    TChunk::SaveToStream(stream);
}

TChunkGAMA::TChunkGAMA(TChunkList* list) : TChunk(list) { SetValue(1); }
uint32_t TChunkGAMA::GetValue() const { return Get32(Data, 0); }
void TChunkGAMA::SetValue(uint32_t value) {
    Data.assign(4, 0);
    Put32(Data, 0, value);
}
void TChunkGAMA::DoAction() { FTables = MakePNGGamma(Data); }

TColor TChunkTRNS::GetRGBColor() const {
    TChunkIHDR* ihdr = GetIHDR();
    TPNGHeader header;
    header.ColorType = ihdr ? ihdr->GetValue(1) : 0;
    header.BitDepth = ihdr ? ihdr->GetValue(0) : 0;
    return static_cast<TColor>(PNGTransparentColor(header, Data));
}

void TChunkTRNS::SaveToStream(TStream* stream) {
    TChunkIHDR* ihdr = GetIHDR();
    if (!ihdr || ihdr->GetValue(1) != 2) return;
    TColor c = ColorToRGB(GetBitmap()->TransparentColor());
    Data = {0, ColorRed(c), 0, ColorGreen(c), 0, ColorBlue(c)};
    TChunk::SaveToStream(stream);
}

TChunkTEXT::TChunkTEXT(TChunkList* list) : TChunk(list) { Data.assign(2, 0); }

std::string TChunkTEXT::GetValue(int index) const {
    auto zero = std::find(Data.begin(), Data.end(), uint8_t{0});
    if (index == 0) return std::string(Data.begin(), zero);
    if (zero == Data.end()) return {};
    std::string text(zero + 1, Data.end());
    // A new chunk holds a trailing zero after the (empty) text.
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

void TChunkTEXT::SetValue(int index, const std::string& value) {
    std::string keyword = index == 0 ? value : GetValue(0);
    std::string text = index == 1 ? value : GetValue(1);
    Data.assign(keyword.begin(), keyword.end());
    Data.push_back(0);
    Data.insert(Data.end(), text.begin(), text.end());
}

std::string TChunkZTXT::GetValue(int index) const {
    auto zero = std::find(Data.begin(), Data.end(), uint8_t{0});
    if (index == 0) return std::string(Data.begin(), zero);
    if (zero == Data.end() || Data.end() - zero < 2) return {};
    return ZDecompressStr(std::string(zero + 2, Data.end()));
}

void TChunkZTXT::SetValue(int index, const std::string& value) {
    std::string keyword = index == 0 ? value : GetValue(0);
    std::string text = index == 1 ? value : GetValue(1);
    Data.assign(keyword.begin(), keyword.end());
    Data.push_back(0);
    Data.push_back(0);  // compression method: deflate
    std::string packed = ZCompressStr(text);
    Data.insert(Data.end(), packed.begin(), packed.end());
}

TChunkTIME::TChunkTIME(TChunkList* list) : TChunk(list) {
    std::time_t now = std::time(nullptr);
    std::tm t{};
#ifdef _WIN32
    gmtime_s(&t, &now);
#else
    gmtime_r(&now, &t);
#endif
    SetDateTime({t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec});
}

TPNGTime TChunkTIME::GetDateTime() const {
    if (Data.size() != 7) RaisePNGError(TIME_CORRUPTED);
    TPNGTime t{(Data[0] << 8) | Data[1], Data[2], Data[3], Data[4], Data[5], Data[6]};
    if (t.Year == 0) t.Year = 2000;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (t.Year % 4 == 0 && t.Year % 100 != 0) || t.Year % 400 == 0;
    if (t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > kDays[t.Month - 1] ||
        (t.Month == 2 && t.Day == 29 && !leap) || t.Hour > 23 || t.Minute > 59 || t.Second > 60)
        RaisePNGError(TIME_CORRUPTED);
    return t;
}

void TChunkTIME::SetDateTime(const TPNGTime& t) {
    Data = {static_cast<uint8_t>(t.Year >> 8), static_cast<uint8_t>(t.Year), static_cast<uint8_t>(t.Month),
            static_cast<uint8_t>(t.Day), static_cast<uint8_t>(t.Hour), static_cast<uint8_t>(t.Minute),
            static_cast<uint8_t>(t.Second)};
}

// ---- the list ----

TChunk* TChunkList::GetItem(int index) const {
    if (index < 0 || index >= GetCount()) RaisePNGError(PNG_ERROR_INVALID_CHUNK_INDEX);
    return FItems[static_cast<size_t>(index)];
}

TChunk* TChunkList::AddItem(TChunk* chunk) {
    FItems.push_back(chunk);
    return chunk;
}

TChunk* TChunkList::AddClass(TChunkClass chunkClass) {
    std::unique_ptr<TChunk> chunk(chunkClass(this));
    int entry = ChunkClasses().IndexOfClass(chunkClass);
    if (entry >= 0) chunk->ChunkType = ChunkClasses().GetItem(entry).Type;
    return AddItem(chunk.release());
}

void TChunkList::Remove(TChunk* chunk) {
    int index = IndexOfChunk(chunk);
    if (index < 0) RaisePNGError(CHUNK_NOT_CHILD);
    FItems.erase(FItems.begin() + index);
    delete chunk;
}

void TChunkList::Move(int currentIndex, int newIndex) {
    GetItem(currentIndex);
    GetItem(newIndex);
    TChunk* chunk = FItems[static_cast<size_t>(currentIndex)];
    FItems.erase(FItems.begin() + currentIndex);
    FItems.insert(FItems.begin() + newIndex, chunk);
}

int TChunkList::IndexOfClass(TChunkClass chunkClass) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Class == chunkClass) return static_cast<int>(i);
    return -1;
}

int TChunkList::IndexOfChunk(const TChunk* chunk) const {
    auto it = std::find(FItems.begin(), FItems.end(), chunk);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TChunk* TChunkList::AddStream(TStream* stream) {
    TPNGChunkData read = ReadPNGChunk(stream);
    if (read.Type == "IDAT") {
        int first = IndexOfClass(&MakeChunk<TChunkIDAT>);
        if (first >= 0) {
            TChunk* idat = FItems[static_cast<size_t>(first)];
            idat->Data.insert(idat->Data.end(), read.Data.begin(), read.Data.end());
            return idat;
        }
    }
    int entry = ChunkClasses().IndexOfType(read.Type);
    TChunk* chunk = entry >= 0 ? ChunkClasses().GetItem(entry).Class(this) : MakeChunk<TChunk>(this);
    chunk->ChunkType = read.Type;
    chunk->Data = std::move(read.Data);
    return AddItem(chunk);
}

void TChunkList::Clear() {
    while (!FItems.empty()) {
        delete FItems.back();
        FItems.pop_back();
    }
}

// ---- the image ----

TPNGImage::TPNGImage()
    : Filters(FilterBit(efNone) | FilterBit(efSub) | FilterBit(efAverage) | FilterBit(efPaeth)), Chunks(this) {
    Clear();
}

TPNGImage::~TPNGImage() = default;

void TPNGImage::Clear() {
    Chunks.Clear();
    auto* ihdr = static_cast<TChunkIHDR*>(Chunks.AddClass(&MakeChunk<TChunkIHDR>));
    ihdr->SetValue(0, 2);
    ihdr->SetValue(1, 3);
    Chunks.AddClass(&MakeChunk<TChunkIDAT>);
    Chunks.AddClass(&MakeChunk<TChunkIEND>);
}

void TPNGImage::SetFilter(TEncodeFilterSet value) { Filters = value | FilterBit(efNone); }

void TPNGImage::RegisterChunkClass(TChunkClass chunkClass, const std::string& type) {
    ChunkClasses().Add(type, chunkClass);
}

void TPNGImage::Assign(TPersistent* Source) {
    if (auto* png = dynamic_cast<TPNGImage*>(Source)) {
        Chunks.Clear();
        for (int i = 0; i < png->Chunks.GetCount(); ++i) {
            TChunk* from = png->Chunks.GetItem(i);
            TChunk* copy = (from->Class ? from->Class : &MakeChunk<TChunk>)(&Chunks);
            copy->Assign(from);
            Chunks.AddItem(copy);
        }
        Filters = png->Filters;
        Interlaced = png->Interlaced;
    }
    TBitmap::Assign(Source);
}

void TPNGImage::LoadFromStream(TStream* stream) {
    Clear();
    Chunks.Clear();
    ReadPNGSignature(stream);
    const int64_t size = stream->Size();
    while (stream->Position() < size) {
        TChunk* chunk = Chunks.AddStream(stream);
        if (chunk->ChunkType == "IEND") break;
    }
    if (Chunks.GetCount() == 0 || Chunks.GetItem(0)->ChunkType != "IHDR") RaisePNGError(PNG_ERROR_IHDR_NOT_FIRST);
    ParsePNGHeader(Chunks.GetItem(0)->Data);
    if (Chunks.IndexOfClass(&MakeChunk<TChunkIDAT>) < 0) RaisePNGError(PNG_ERROR_NO_IDAT);
    for (int i = 0; i < Chunks.GetCount(); ++i) Chunks.GetItem(i)->DoAction();
    int trns = Chunks.IndexOfClass(&MakeChunk<TChunkTRNS>);
    if (trns >= 0 && Chunks.GetItem(0)->Data[9] == 2 && Chunks.GetItem(trns)->Data.size() >= 6) {
        SetTransparentColor(static_cast<TChunkTRNS*>(Chunks.GetItem(trns))->GetRGBColor());
        SetTransparent(true);
    }
}

void TPNGImage::SaveToStream(TStream* stream) {
    stream->WriteBuffer(kPNGSignature, 8);
    if (Chunks.GetCount() == 0) Clear();
    if (Chunks.GetItem(0)->ChunkType != "IHDR") {
        Chunks.AddClass(&MakeChunk<TChunkIHDR>);
        Chunks.Move(Chunks.GetCount() - 1, 0);
    }
    if (!Empty() && BitsOf(PixelFormat()) && Chunks.IndexOfClass(&MakeChunk<TChunkPLTE>) < 0) {
        Chunks.AddClass(&MakeChunk<TChunkPLTE>);
        Chunks.Move(Chunks.GetCount() - 1, 1);
    }
    if (Transparent()) {
        if (Chunks.IndexOfClass(&MakeChunk<TChunkTRNS>) < 0) {
            Chunks.AddClass(&MakeChunk<TChunkTRNS>);
            Chunks.Move(Chunks.GetCount() - 1, 1);
        }
    } else {
        for (int i; (i = Chunks.IndexOfClass(&MakeChunk<TChunkTRNS>)) >= 0;) Chunks.Remove(Chunks.GetItem(i));
    }
    if (Chunks.IndexOfClass(&MakeChunk<TChunkIEND>) < 0) Chunks.AddClass(&MakeChunk<TChunkIEND>);
    if (Chunks.IndexOfClass(&MakeChunk<TChunkIDAT>) < 0) {
        Chunks.AddClass(&MakeChunk<TChunkIDAT>);
        Chunks.Move(Chunks.GetCount() - 1, 1);
    }
    for (int i = 0; i < Chunks.GetCount(); ++i) Chunks.GetItem(i)->SaveToStream(stream);
}

// ---- registration ----

namespace {

TGraphic* NewPNGImage() { return new TPNGImage; }

bool gRegistered = false;

struct PNGRegistration {
    PNGRegistration() { InitializePNGImage(); }
} gRegistration;

}  // namespace

void InitializePNGImage() {
    if (gRegistered) return;
    gRegistered = true;
    ChunkClasses();
    TPicture::RegisterFileFormat(
        "PNG", "Portable Network Graphics", NewPNGImage,
        std::string_view(reinterpret_cast<const char*>(kPNGSignature), sizeof kPNGSignature));
}

void FinalizePNGImage() {
    if (!gRegistered) return;
    gRegistered = false;
    TPicture::UnregisterGraphicClass(NewPNGImage);
}
