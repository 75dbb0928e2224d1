#include "images/png_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include <zlib.h>

#include "framework/streams.h"
#include "framework/picture_budget.h"
#include "images/zstreams.h"

namespace {

const char* const kPNGMessages[] = {
    "Invalid Portable Graphics Network image, it has an invalid file header.",
    "The chunk index especified is out of the range.",
    "The chunk class index especified is  out of range.",
    "Can't read the PNG image, it has corrupted data. ",
    "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk.",
    "The current image being loaded has no data and could not be loaded.",
    "The current image being loaded has an invalid palette!",
    "Could not read the image because it has an unknown color type.",
    "The image could not be loaded because it uses an unknown set of filter types.",
    "The image has an unknown interlace method.",
    "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder.",
    "The current image requeries a palette but it is not avaliable.",
    "Can not get transparency information because the current image color type is not RGB (value 3)",
    ("The especified chunk is not inside the chunk list containing the method being used. The "
     "funcion could not be completed."),
    "Could not get informations on the tIME chunk because it is corrupted.",
};

const char* const kRegisteredChunks[] = {"IEND", "IHDR", "gAMA", "IDAT", "PLTE", "tEXt", "tRNS", "tIME"};

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

int Channels(int colorType) {
    switch (colorType) {
        case 0: return 1;
        case 2: return 3;
        case 3: return 1;
        case 4: return 2;
        case 6: return 4;
    }
    RaisePNGError(PNG_ERROR_INVALID_COLOR_TYPE);
}

bool ValidDepth(int colorType, int depth) {
    switch (colorType) {
        case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6: return depth == 8 || depth == 16;
    }
    return false;
}

// Depth 2 is held at 4 bits per pixel: value v becomes 5 * v, and the palette
// repeats entries 0-3 over 16 entries so that 5 * v shows entry v.
void RepeatFourEntries(std::vector<uint32_t>& palette) {
    palette.resize(std::max<size_t>(palette.size(), 16), 0);
    for (int i = 4; i < 16; ++i) palette[static_cast<size_t>(i)] = palette[static_cast<size_t>(i % 4)];
}

inline uint8_t PaethPredictor(int a, int b, int c) {
    int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    // Ties go to a, then b, as the format prescribes; written as selects so
    // the compiler needs no branches.
    int p = pb < pa ? (pc < pb ? c : b) : (pc < pa ? c : a);
    return static_cast<uint8_t>(p);
}

// The filters that look left, with the pixel size known at compile time, so
// the inner loops carry no run-time stride.
template <size_t Bpp>
void UnfilterLeft(uint8_t type, uint8_t* row, const uint8_t* prior, size_t n) {
    const size_t head = std::min(Bpp, n);
    switch (type) {
        case 1:
            for (size_t i = Bpp; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - Bpp]);
            break;
        case 3:
            for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i] / 2);
            for (size_t i = Bpp; i < n; ++i)
                row[i] = static_cast<uint8_t>(row[i] + ((row[i - Bpp] + prior[i]) >> 1));
            break;
        case 4:
            for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
            for (size_t i = Bpp; i < n; ++i)
                row[i] = static_cast<uint8_t>(row[i] + PaethPredictor(row[i - Bpp], prior[i], prior[i - Bpp]));
            break;
        default:
            break;
    }
}

void Unfilter(uint8_t type, uint8_t* row, const uint8_t* prior, size_t n, size_t bpp) {
    switch (type) {
        case 0: return;
        case 2:
            for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
            return;
        case 1:
        case 3:
        case 4: break;
        default: RaisePNGError(PNG_ERROR_INVALID_FILTER_TYPE);
    }
    switch (bpp) {
        case 1: UnfilterLeft<1>(type, row, prior, n); break;
        case 2: UnfilterLeft<2>(type, row, prior, n); break;
        case 3: UnfilterLeft<3>(type, row, prior, n); break;
        case 4: UnfilterLeft<4>(type, row, prior, n); break;
        case 6: UnfilterLeft<6>(type, row, prior, n); break;
        default: UnfilterLeft<8>(type, row, prior, n); break;
    }
}

// Sample i of a row of packed samples of the given depth (depth <= 8).
inline unsigned PackedSample(const uint8_t* row, size_t i, int depth) {
    size_t bit = i * static_cast<size_t>(depth);
    return (row[bit >> 3] >> (8 - depth - (bit & 7))) & ((1u << depth) - 1);
}

inline void PutIndex(uint8_t* row, size_t x, int bpp, unsigned v) {
    switch (bpp) {
        case 8: row[x] = static_cast<uint8_t>(v); break;
        case 4: {
            int shift = (x & 1) ? 0 : 4;
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(0xF << shift)) | ((v & 0xF) << shift));
            break;
        }
        case 1: {
            int shift = 7 - static_cast<int>(x & 7);
            row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~(1 << shift)) | ((v & 1) << shift));
            break;
        }
    }
}

struct RowMapper {
    const TPNGHeader& header;
    const TPNGGamma& gamma;
    TPNGPixels& out;

    // Raw unfiltered samples of `count` pixels into row y at x0, x0 + dx ...
    void Map(const uint8_t* raw, size_t count, size_t y, size_t x0, size_t dx) const {
        uint8_t* dst = out.Rows.data() + y * out.Stride;
        const int depth = header.BitDepth;
        const int bpp = out.BitsPerPixel;
        switch (header.ColorType) {
            case 0:
            case 3:
                if (depth == 16) {
                    for (size_t i = 0; i < count; ++i) dst[x0 + i * dx] = raw[2 * i];
                } else if (depth == bpp && dx == 1 && x0 == 0) {
                    std::memcpy(dst, raw, (count * static_cast<size_t>(depth) + 7) / 8);
                } else {
                    unsigned scale = depth == 2 ? 5 : 1;
                    for (size_t i = 0; i < count; ++i)
                        PutIndex(dst, x0 + i * dx, bpp, scale * PackedSample(raw, i, depth));
                }
                break;
            case 4: {
                size_t step = depth == 16 ? 4 : 2;
                for (size_t i = 0; i < count; ++i) dst[x0 + i * dx] = raw[i * step];
                break;
            }
            case 2:
            case 6: {
                if (depth == 8 && !gamma.Present && dx == 1) {
                    // The common case: 8-bit samples straight into BGR.
                    const size_t step = header.ColorType == 6 ? 4 : 3;
                    uint8_t* q = dst + x0 * 3;
                    for (size_t i = 0; i < count; ++i, raw += step, q += 3) {
                        q[0] = raw[2];
                        q[1] = raw[1];
                        q[2] = raw[0];
                    }
                    break;
                }
                size_t sample = depth == 16 ? 2 : 1;
                size_t step = sample * (header.ColorType == 6 ? 4 : 3);
                for (size_t i = 0; i < count; ++i) {
                    const uint8_t* p = raw + i * step;
                    uint8_t* q = dst + (x0 + i * dx) * 3;
                    if (gamma.Present) {
                        q[0] = gamma.Forward[p[2 * sample]];
                        q[1] = gamma.Forward[p[sample]];
                        q[2] = gamma.Forward[p[0]];
                    } else {
                        q[0] = p[2 * sample];
                        q[1] = p[sample];
                        q[2] = p[0];
                    }
                }
                break;
            }
        }
    }
};

}  // namespace

const uint8_t kPNGSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

const char* PNGMessageText(TPNGMessage message) { return kPNGMessages[message]; }

void RaisePNGError(TPNGMessage message) {
    throw EPNGImageException(std::string("Portable Network Graphics format handler error") +
                             "\r\n\r\n" + kPNGMessages[message]);
}

uint32_t PNGChunkCrc(const char type[4], const uint8_t* data, size_t size) {
    // zlib's CRC-32 is the same polynomial, initial value and final complement,
    // computed several bytes at a time.
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    while (size > 0) {
        uInt n = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
        crc = crc32(crc, data, n);
        data += n;
        size -= n;
    }
    return static_cast<uint32_t>(crc);
}

bool IsRegisteredPNGChunk(const std::string& type) {
    for (const char* t : kRegisteredChunks) {
        if (type == t) return true;
    }
    return false;
}

void ReadPNGSignature(TStream* stream) {
    uint8_t signature[8];
    if (stream->Read(signature, 8) != 8 || std::memcmp(signature, kPNGSignature, 8) != 0)
        RaisePNGError(PNG_ERROR_INVALID_HEADER);
}

TPNGChunkData ReadPNGChunk(TStream* stream) {
    uint8_t head[8];
    if (stream->Read(head, 8) != 8) RaisePNGError(PNG_ERROR_CHUNK_INVALID_CRC);
    uint32_t length = BigEndian32(head);
    TPNGChunkData chunk;
    chunk.Type.assign(reinterpret_cast<const char*>(head + 4), 4);
    if (!IsRegisteredPNGChunk(chunk.Type) && (head[4] & 0x20) == 0) RaisePNGError(PNG_ERROR_UNKOWN_CRITICAL_CHUNK);
    // The data and the CRC must both be in the stream before anything is allocated.
    if (length > 0x7FFFFFFFu || int64_t{length} + 4 > stream->Size() - stream->Position())
        RaisePNGError(PNG_ERROR_CHUNK_INVALID_CRC);
    chunk.Data.resize(length);
    uint8_t crc[4];
    if ((length > 0 && stream->Read(chunk.Data.data(), static_cast<int32_t>(length)) != static_cast<int32_t>(length)) ||
        stream->Read(crc, 4) != 4)
        RaisePNGError(PNG_ERROR_CHUNK_INVALID_CRC);
    if (BigEndian32(crc) != PNGChunkCrc(chunk.Type.data(), chunk.Data.data(), chunk.Data.size()))
        RaisePNGError(PNG_ERROR_CHUNK_INVALID_CRC);
    return chunk;
}

std::vector<TPNGChunkData> ReadPNGChunks(TStream* stream) {
    ReadPNGSignature(stream);
    std::vector<TPNGChunkData> chunks;
    size_t firstIdat = SIZE_MAX;
    const int64_t size = stream->Size();
    while (stream->Position() < size) {
        TPNGChunkData chunk = ReadPNGChunk(stream);
        const bool end = chunk.Type == "IEND";
        if (chunk.Type == "IDAT" && firstIdat != SIZE_MAX) {
            std::vector<uint8_t>& all = chunks[firstIdat].Data;
            all.insert(all.end(), chunk.Data.begin(), chunk.Data.end());
        } else {
            if (chunk.Type == "IDAT") firstIdat = chunks.size();
            chunks.push_back(std::move(chunk));
        }
        if (end) break;
    }
    return chunks;
}

TPNGHeader ParsePNGHeader(const std::vector<uint8_t>& data) {
    if (data.size() != 13) RaisePNGError(PNG_ERROR_INVALID_HEADER);
    TPNGHeader h;
    h.Width = BigEndian32(&data[0]);
    h.Height = BigEndian32(&data[4]);
    h.BitDepth = data[8];
    h.ColorType = data[9];
    h.Compression = data[10];
    h.Filter = data[11];
    h.Interlace = data[12];
    if (h.Width == 0 || h.Height == 0 || !PictureFitsBudget(h.Width, h.Height) || h.Compression != 0 ||
        h.Filter != 0 || !ValidDepth(h.ColorType, h.BitDepth))
        RaisePNGError(PNG_ERROR_INVALID_HEADER);
    if (h.Interlace > 1) RaisePNGError(PNG_ERROR_INVALID_INTERLACE);
    return h;
}

TPNGGamma MakePNGGamma(const std::vector<uint8_t>& data) {
    TPNGGamma g;
    if (data.size() != 4) return g;
    uint32_t value = BigEndian32(data.data());
    if (value == 0) return g;
    g.Present = true;
    double gamma = value / 100000.0 * 2.2;
    for (int i = 0; i < 256; ++i) {
        double v = 255.0 * std::pow(i / 255.0, 1.0 / gamma);
        g.Forward[i] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        g.Inverse[g.Forward[i]] = static_cast<uint8_t>(i);
    }
    return g;
}

std::vector<uint32_t> ParsePNGPalette(const std::vector<uint8_t>& data, const TPNGGamma& gamma) {
    if (data.empty() || data.size() % 3 != 0 || data.size() > 256 * 3) RaisePNGError(PNG_ERROR_INVALID_PLTE);
    std::vector<uint32_t> palette;
    for (size_t i = 0; i < data.size(); i += 3) {
        uint32_t r = data[i], g = data[i + 1], b = data[i + 2];
        if (gamma.Present) {
            r = gamma.Forward[r];
            g = gamma.Forward[g];
            b = gamma.Forward[b];
        }
        palette.push_back(r | (g << 8) | (b << 16));
    }
    return palette;
}

TPNGPixels DecodePNGPixels(const TPNGHeader& header, const std::vector<uint8_t>& idat,
                           const std::vector<uint32_t>* palette, const TPNGGamma& gamma,
                           const TPNGRowDone& rowDone) {
    const int depth = header.BitDepth;
    const int type = header.ColorType;
    const int channels = Channels(type);
    TPNGPixels out;
    out.Width = static_cast<int>(header.Width);
    out.Height = static_cast<int>(header.Height);
    if (type == 2 || type == 6) {
        out.BitsPerPixel = 24;
    } else {
        out.BitsPerPixel = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
        if (type == 3) {
            if (!palette) RaisePNGError(PNG_ERROR_NO_PALETTE);
            out.Palette = *palette;
        } else {
            int levels = depth == 16 ? 256 : 1 << depth;
            for (int i = 0; i < levels; ++i) {
                uint32_t v = static_cast<uint32_t>(i * 255 / (levels - 1));
                if (gamma.Present) v = gamma.Forward[v];
                out.Palette.push_back(v | (v << 8) | (v << 16));
            }
        }
        if (depth == 2) RepeatFourEntries(out.Palette);
        // Indices past the file's palette show black.
        out.Palette.resize(size_t{1} << out.BitsPerPixel, 0);
    }
    out.Stride = (static_cast<size_t>(out.Width) * out.BitsPerPixel + 7) / 8;
    try {
        out.Rows.assign(out.Stride * static_cast<size_t>(out.Height), 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Out of memory");
    }

    const size_t bitsPerPixel = static_cast<size_t>(channels) * depth;
    const size_t filterOffset = std::max<size_t>(1, bitsPerPixel / 8);
    RowMapper mapper{header, gamma, out};

    TReadOnlyMemoryStream source(idat.data(), static_cast<int64_t>(idat.size()));
    TZDecompressionStream inflater(&source);
    std::vector<uint8_t> rowA, rowB;
    // Inflating in large blocks spares zlib most of its window copying, which
    // row-sized reads would pay for on every row.
    std::vector<uint8_t> block(size_t{1} << 20);
    size_t blockPos = 0, blockLen = 0;
    auto readRow = [&](uint8_t* dst, size_t n) {
        while (n > 0) {
            if (blockPos == blockLen) {
                blockPos = 0;
                blockLen = static_cast<size_t>(std::max(inflater.Read(block.data(), static_cast<int32_t>(block.size())), 0));
                if (blockLen == 0) return false;
            }
            size_t take = std::min(n, blockLen - blockPos);
            std::memcpy(dst, block.data() + blockPos, take);
            blockPos += take;
            dst += take;
            n -= take;
        }
        return true;
    };

    struct Pass {
        size_t x0, y0, dx, dy;
    };
    static const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                   {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static const Pass kWhole[1] = {{0, 0, 1, 1}};
    const Pass* passes = header.Interlace ? kAdam7 : kWhole;
    const int passCount = header.Interlace ? 7 : 1;
    const size_t width = header.Width, height = header.Height;

    for (int p = 0; p < passCount; ++p) {
        const Pass& pass = passes[p];
        if (pass.x0 >= width || pass.y0 >= height) continue;
        size_t pw = (width - pass.x0 + pass.dx - 1) / pass.dx;
        size_t rowBytes = (pw * bitsPerPixel + 7) / 8;
        rowA.assign(rowBytes + 1, 0);
        rowB.assign(rowBytes + 1, 0);
        uint8_t* prior = rowB.data() + 1;
        uint8_t* current = rowA.data();
        for (size_t y = pass.y0; y < height; y += pass.dy) {
            // A short zlib stream leaves this row and all after it 0.
            if (!readRow(current, rowBytes + 1)) return out;
            Unfilter(current[0], current + 1, prior, rowBytes, filterOffset);
            mapper.Map(current + 1, pw, y, pass.x0, pass.dx);
            prior = current + 1;
            current = current == rowA.data() ? rowB.data() : rowA.data();
            if (rowDone && !header.Interlace) rowDone(0, static_cast<int>(y));
        }
        if (rowDone && header.Interlace) rowDone(p + 1, -1);
    }
    return out;
}

uint32_t PNGTransparentColor(const TPNGHeader& header, const std::vector<uint8_t>& trns) {
    if (header.ColorType != 2) RaisePNGError(PNG_INVALID_COLOR_TYPE);
    if (trns.size() < 6) RaisePNGError(PNG_ERROR_CHUNK_INVALID_CRC);
    // Three 16-bit samples: at depth 8 the low byte is the component, at depth
    // 16 the high byte is, as for the pixels.
    int at = header.BitDepth == 16 ? 0 : 1;
    return uint32_t{trns[static_cast<size_t>(at)]} | (uint32_t{trns[static_cast<size_t>(2 + at)]} << 8) |
           (uint32_t{trns[static_cast<size_t>(4 + at)]} << 16);
}

TPNGDecoded DecodePNG(TStream* stream) {
    TPNGDecoded d;
    d.Chunks = ReadPNGChunks(stream);
    if (d.Chunks.empty() || d.Chunks[0].Type != "IHDR") RaisePNGError(PNG_ERROR_IHDR_NOT_FIRST);
    d.Header = ParsePNGHeader(d.Chunks[0].Data);
    const TPNGChunkData *idat = nullptr, *plte = nullptr, *gama = nullptr, *trns = nullptr;
    for (const TPNGChunkData& c : d.Chunks) {
        if (c.Type == "IDAT" && !idat) idat = &c;
        if (c.Type == "PLTE" && !plte) plte = &c;
        if (c.Type == "gAMA" && !gama) gama = &c;
        if (c.Type == "tRNS" && !trns) trns = &c;
    }
    if (!idat) RaisePNGError(PNG_ERROR_NO_IDAT);
    TPNGGamma gamma;
    if (gama) gamma = MakePNGGamma(gama->Data);
    std::vector<uint32_t> palette;
    if (plte && d.Header.ColorType == 3) palette = ParsePNGPalette(plte->Data, gamma);
    d.Pixels = DecodePNGPixels(d.Header, idat->Data, plte && d.Header.ColorType == 3 ? &palette : nullptr, gamma);
    if (trns && d.Header.ColorType == 2 && trns->Data.size() >= 6) {
        d.HasTransparentColor = true;
        d.TransparentColor = PNGTransparentColor(d.Header, trns->Data);
    }
    return d;
}

namespace {

void FilterWith(TEncodeFilter f, const uint8_t* row, const uint8_t* prior, size_t n, size_t bpp, uint8_t* out) {
    for (size_t i = 0; i < n; ++i) {
        int left = i >= bpp ? row[i - bpp] : 0;
        int up = prior[i];
        int upLeft = i >= bpp ? prior[i - bpp] : 0;
        int predicted = 0;
        switch (f) {
            case efNone: predicted = 0; break;
            case efSub: predicted = left; break;
            case efUp: predicted = up; break;
            case efAverage: predicted = (left + up) / 2; break;
            case efPaeth: predicted = PaethPredictor(left, up, upLeft); break;
        }
        out[i] = static_cast<uint8_t>(row[i] - predicted);
    }
}

int RepeatScore(const uint8_t* p, size_t n) {
    int score = 0;
    for (size_t i = 4; i < n; ++i) {
        for (size_t back = 1; back <= 4; ++back) score += p[i] == p[i - back];
    }
    return score;
}

}  // namespace

void EncodeFilterRow(const uint8_t* row, const uint8_t* prior, size_t n, size_t bpp, TEncodeFilterSet filters,
                     std::vector<uint8_t>& out) {
    size_t start = out.size();
    out.resize(start + 1 + n);
    if ((filters & ~FilterBit(efNone)) == 0) {
        out[start] = efNone;
        if (n) std::memcpy(&out[start + 1], row, n);
        return;
    }
    std::vector<uint8_t> trial(n);
    int best = -1;
    TEncodeFilter bestFilter = efNone;
    for (TEncodeFilter f : {efNone, efSub, efUp, efAverage, efPaeth}) {
        if (!(filters & FilterBit(f))) continue;
        FilterWith(f, row, prior, n, bpp, trial.data());
        int score = RepeatScore(trial.data(), n);
        if (score > best) {
            best = score;
            bestFilter = f;
        }
    }
    if (best <= 0) bestFilter = efNone;
    out[start] = static_cast<uint8_t>(bestFilter);
    FilterWith(bestFilter, row, prior, n, bpp, &out[start + 1]);
}
