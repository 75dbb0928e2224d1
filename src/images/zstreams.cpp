#include "images/zstreams.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

struct ZStreamState : z_stream {};

namespace {

const char kInvalidOperation[] = "Invalid ZStream operation!";

int ZLevel(TZCompressionLevel level) {
    switch (level) {
        case zcNone: return Z_NO_COMPRESSION;
        case zcFastest: return Z_BEST_SPEED;
        case zcMax: return Z_BEST_COMPRESSION;
        case zcDefault: break;
    }
    return Z_DEFAULT_COMPRESSION;
}

voidpf ZAlloc(voidpf, uInt items, uInt size) { return std::calloc(items, size); }
void ZFree(voidpf, voidpf address) { std::free(address); }

void PrepareZStream(z_stream& z) {
    std::memset(&z, 0, sizeof z);
    z.zalloc = ZAlloc;
    z.zfree = ZFree;
}

std::string ZMessage(int code) {
    const char* text = zError(code);
    return text && *text ? text : "zlib error " + std::to_string(code);
}

int CheckCompress(int code) {
    if (code < 0) throw EZCompressionError(ZMessage(code));
    return code;
}

// Inflate's positive answers other than the stream end (a preset dictionary
// asked for) cannot be met here, so they fail as well.
int CheckDecompress(int code) {
    if (code < 0 || (code != Z_OK && code != Z_STREAM_END)) {
        throw EZDecompressionError(ZMessage(code < 0 ? code : Z_DATA_ERROR));
    }
    return code;
}

}  // namespace

TCustomZStream::TCustomZStream(TStream* source)
    : SourceStream(source),
      SourceStreamPos(source->Position()),
      FZStream(std::make_unique<ZStreamState>()),
      Buffer(std::make_unique<uint8_t[]>(kBufferSize)) {
    PrepareZStream(*FZStream);
}

TCustomZStream::~TCustomZStream() = default;

void TCustomZStream::DoProgress() {
    if (OnProgress) OnProgress(this);
}

// ---- compression ----

TZCompressionStream::TZCompressionStream(TStream* dest, TZCompressionLevel level)
    : TCustomZStream(dest) {
    FZStream->next_out = Buffer.get();
    FZStream->avail_out = kBufferSize;
    CheckCompress(deflateInit(FZStream.get(), ZLevel(level)));
}

TZCompressionStream::~TZCompressionStream() {
    try {
        Finish();
    } catch (const std::exception&) {
        // Nothing can be raised from here; zlib is released below regardless.
    }
    deflateEnd(FZStream.get());
}

void TZCompressionStream::Finish() {
    if (FEnded) return;
    FEnded = true;
    z_stream& z = *FZStream;
    z.next_in = nullptr;
    z.avail_in = 0;
    if (SourceStream->Position() != SourceStreamPos) SourceStream->SetPosition(SourceStreamPos);
    while (CheckCompress(deflate(&z, Z_FINISH)) != Z_STREAM_END) {
        SourceStream->WriteBuffer(Buffer.get(), kBufferSize);
        z.next_out = Buffer.get();
        z.avail_out = kBufferSize;
    }
    if (z.avail_out < static_cast<uInt>(kBufferSize)) {
        SourceStream->WriteBuffer(Buffer.get(), kBufferSize - static_cast<int32_t>(z.avail_out));
    }
    SourceStreamPos = SourceStream->Position();
}

int32_t TZCompressionStream::Read(void*, int32_t) { throw EZCompressionError(kInvalidOperation); }

int32_t TZCompressionStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    if (FEnded) throw EZCompressionError(kInvalidOperation);
    z_stream& z = *FZStream;
    z.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
    z.avail_in = static_cast<uInt>(count);
    if (SourceStream->Position() != SourceStreamPos) SourceStream->SetPosition(SourceStreamPos);
    while (z.avail_in > 0) {
        CheckCompress(deflate(&z, Z_NO_FLUSH));
        if (z.avail_out == 0) {
            SourceStream->WriteBuffer(Buffer.get(), kBufferSize);
            z.next_out = Buffer.get();
            z.avail_out = kBufferSize;
            SourceStreamPos = SourceStream->Position();
            DoProgress();
        }
    }
    return count;
}

int64_t TZCompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
    if (offset == 0 && origin == soCurrent) return static_cast<int64_t>(FZStream->total_in);
    throw EZCompressionError(kInvalidOperation);
}

double TZCompressionStream::GetCompressionRate() const {
    if (FZStream->total_in == 0) return 0;
    return (1.0 - static_cast<double>(FZStream->total_out) / static_cast<double>(FZStream->total_in)) *
           100.0;
}

// ---- decompression ----

TZDecompressionStream::TZDecompressionStream(TStream* source) : TCustomZStream(source) {
    CheckDecompress(inflateInit(FZStream.get()));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(FZStream.get()); }

int32_t TZDecompressionStream::Read(void* buffer, int32_t count) {
    if (count <= 0 || FStreamEnded) return 0;
    z_stream& z = *FZStream;
    z.next_out = static_cast<Bytef*>(buffer);
    z.avail_out = static_cast<uInt>(count);
    if (SourceStream->Position() != SourceStreamPos) SourceStream->SetPosition(SourceStreamPos);
    while (z.avail_out > 0) {
        if (z.avail_in == 0) {
            int32_t got = SourceStream->Read(Buffer.get(), kBufferSize);
            if (got <= 0) break;  // a truncated source: deliver what there is
            z.next_in = Buffer.get();
            z.avail_in = static_cast<uInt>(got);
            SourceStreamPos = SourceStream->Position();
            DoProgress();
        }
        // With input and room for output, inflate either moves or fails: a step
        // without progress raises (Z_BUF_ERROR) instead of spinning here.
        if (CheckDecompress(inflate(&z, Z_NO_FLUSH)) == Z_STREAM_END) {
            // Whatever follows the zlib stream in the source is not ours.
            FStreamEnded = true;
            break;
        }
    }
    return count - static_cast<int32_t>(z.avail_out);
}

int32_t TZDecompressionStream::Write(const void*, int32_t) {
    throw EZDecompressionError(kInvalidOperation);
}

int64_t TZDecompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
    z_stream& z = *FZStream;
    int64_t delivered = static_cast<int64_t>(z.total_out);
    if (offset == 0 && origin == soBeginning) {
        CheckDecompress(inflateReset(&z));
        z.next_in = Buffer.get();
        z.avail_in = 0;
        FStreamEnded = false;
        SourceStream->SetPosition(0);
        SourceStreamPos = 0;
        return 0;
    }
    int64_t skip;
    if (origin == soCurrent && offset >= 0) {
        skip = offset;
    } else if (origin == soBeginning && offset >= delivered) {
        skip = offset - delivered;
    } else {
        throw EZDecompressionError(kInvalidOperation);
    }
    uint8_t scratch[4096];
    while (skip > 0) {
        int32_t want = static_cast<int32_t>(std::min<int64_t>(skip, sizeof scratch));
        int32_t got = Read(scratch, want);
        skip -= got;
        if (got < want) break;  // the source ended: stop there
    }
    return static_cast<int64_t>(z.total_out);
}

// ---- whole buffers ----

namespace {

int32_t RoundUp256(int64_t n) {
    int64_t r = (n + 255) / 256 * 256;
    if (r > INT32_MAX - 256) r = INT32_MAX / 256 * 256;
    return static_cast<int32_t>(r);
}

}  // namespace

void ZCompress(const void* sourceData, int32_t sourceSize, std::unique_ptr<uint8_t[]>& resultData,
               int32_t& resultSize, TZCompressionLevel level) {
    if (sourceSize < 0) throw EZCompressionError(kInvalidOperation);
    z_stream z;
    PrepareZStream(z);
    int64_t capacity = RoundUp256(int64_t{sourceSize} + sourceSize / 10 + 12);
    auto out = std::make_unique<uint8_t[]>(static_cast<size_t>(capacity));
    CheckCompress(deflateInit(&z, ZLevel(level)));
    try {
        z.next_in = static_cast<Bytef*>(const_cast<void*>(sourceData));
        z.avail_in = static_cast<uInt>(sourceSize);
        z.next_out = out.get();
        z.avail_out = static_cast<uInt>(capacity);
        while (CheckCompress(deflate(&z, Z_FINISH)) != Z_STREAM_END) {
            if (capacity + 256 > INT32_MAX) throw EZCompressionError(ZMessage(Z_MEM_ERROR));
            auto grown = std::make_unique<uint8_t[]>(static_cast<size_t>(capacity + 256));
            std::memcpy(grown.get(), out.get(), z.total_out);
            out = std::move(grown);
            capacity += 256;
            z.next_out = out.get() + z.total_out;
            z.avail_out = static_cast<uInt>(capacity - static_cast<int64_t>(z.total_out));
        }
    } catch (...) {
        deflateEnd(&z);
        throw;
    }
    deflateEnd(&z);
    resultSize = static_cast<int32_t>(z.total_out);
    resultData = std::make_unique<uint8_t[]>(static_cast<size_t>(std::max(resultSize, 1)));
    std::memcpy(resultData.get(), out.get(), static_cast<size_t>(resultSize));
}

void ZDecompress(const void* sourceData, int32_t sourceSize,
                 std::unique_ptr<uint8_t[]>& resultData, int32_t& resultSize, int32_t sizeGuess) {
    if (sourceSize < 0) throw EZDecompressionError(kInvalidOperation);
    z_stream z;
    PrepareZStream(z);
    int64_t step = std::max(RoundUp256(sourceSize), 256);
    int64_t capacity = sizeGuess > 0 ? sizeGuess : step;
    auto out = std::make_unique<uint8_t[]>(static_cast<size_t>(capacity));
    CheckDecompress(inflateInit(&z));
    try {
        z.next_in = static_cast<Bytef*>(const_cast<void*>(sourceData));
        z.avail_in = static_cast<uInt>(sourceSize);
        z.next_out = out.get();
        z.avail_out = static_cast<uInt>(capacity);
        // A truncated source ends in Z_BUF_ERROR (no progress), which raises.
        while (CheckDecompress(inflate(&z, Z_NO_FLUSH)) != Z_STREAM_END) {
            if (z.avail_out > 0) continue;
            if (capacity + step > INT32_MAX) throw EZDecompressionError(ZMessage(Z_MEM_ERROR));
            auto grown = std::make_unique<uint8_t[]>(static_cast<size_t>(capacity + step));
            std::memcpy(grown.get(), out.get(), z.total_out);
            out = std::move(grown);
            capacity += step;
            z.next_out = out.get() + z.total_out;
            z.avail_out = static_cast<uInt>(capacity - static_cast<int64_t>(z.total_out));
        }
    } catch (...) {
        inflateEnd(&z);
        throw;
    }
    inflateEnd(&z);
    resultSize = static_cast<int32_t>(z.total_out);
    resultData = std::make_unique<uint8_t[]>(static_cast<size_t>(std::max(resultSize, 1)));
    std::memcpy(resultData.get(), out.get(), static_cast<size_t>(resultSize));
}

std::string ZCompressStr(const std::string& s, TZCompressionLevel level) {
    std::unique_ptr<uint8_t[]> data;
    int32_t size = 0;
    ZCompress(s.data(), static_cast<int32_t>(s.size()), data, size, level);
    return std::string(reinterpret_cast<const char*>(data.get()), static_cast<size_t>(size));
}

std::string ZDecompressStr(const std::string& s) {
    std::unique_ptr<uint8_t[]> data;
    int32_t size = 0;
    ZDecompress(s.data(), static_cast<int32_t>(s.size()), data, size, 0);
    return std::string(reinterpret_cast<const char*>(data.get()), static_cast<size_t>(size));
}
