// TStream and the in-memory streams; free of windows.h (file streams live in
// file_stream.cpp).
#include "framework/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

const char kReadError[] = "Stream read error";
const char kWriteError[] = "Stream write error";
const char kMemoryStreamError[] = "Out of memory while expanding memory stream";

// Growth of a memory stream's block: whole 8 KiB steps.
constexpr int64_t kMemoryDelta = 0x2000;

}  // namespace

int64_t TStream::Size() {
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::SetSize(int64_t) {
    throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError(kReadError);
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError(kWriteError);
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
    if (count == 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    if (count < 0) throw EReadError(kReadError);
    constexpr int32_t kChunk = 0xF000;
    std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(count, kChunk)));
    for (int64_t left = count; left > 0;) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(left, kChunk));
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
    if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
    const auto n = static_cast<int32_t>(std::min<int64_t>(FSize - FPosition, count));
    std::memcpy(buffer, static_cast<const char*>(FMemory) + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    switch (origin) {
        case soBeginning: FPosition = offset; break;
        case soCurrent: FPosition += offset; break;
        case soEnd: FPosition = FSize + offset; break;
    }
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
    const char* p = static_cast<const char*>(FMemory);
    for (int64_t left = FSize; left > 0;) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(left, std::numeric_limits<int32_t>::max()));
        stream->WriteBuffer(p, n);
        p += n;
        left -= n;
    }
}

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
    if (FPosition < 0 || count <= 0 || FPosition > std::numeric_limits<int64_t>::max() - count)
        return 0;
    const int64_t end = FPosition + count;
    if (end > FSize) {
        if (end > FCapacity) SetCapacity(end);
        // A gap left by seeking past the end reads back as zeros.
        if (FPosition > FSize)
            std::memset(static_cast<char*>(FMemory) + FSize, 0, static_cast<size_t>(FPosition - FSize));
        FSize = end;
    }
    std::memcpy(static_cast<char*>(FMemory) + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
    if (newSize < 0) throw EStreamError(kMemoryStreamError);
    const int64_t oldSize = FSize;
    SetCapacity(newSize);
    if (newSize > oldSize)
        std::memset(static_cast<char*>(FMemory) + oldSize, 0, static_cast<size_t>(newSize - oldSize));
    FSize = newSize;
    if (FPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
    SetCapacity(0);
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    stream->SetPosition(0);
    const int64_t count = stream->Size();
    SetSize(count);
    char* p = static_cast<char*>(FMemory);
    for (int64_t left = count; left > 0;) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(left, std::numeric_limits<int32_t>::max()));
        stream->ReadBuffer(p, n);
        p += n;
        left -= n;
    }
    FPosition = 0;
}

void TMemoryStream::SetCapacity(int64_t capacity) {
    if (capacity == 0) {
        std::free(FMemory);
        FMemory = nullptr;
        FCapacity = 0;
        return;
    }
    if (capacity < 0 || capacity > std::numeric_limits<int64_t>::max() - kMemoryDelta)
        throw EOutOfMemory(kMemoryStreamError);
    const int64_t rounded = (capacity + kMemoryDelta - 1) & ~(kMemoryDelta - 1);
    if (rounded == FCapacity) return;
    if (static_cast<uint64_t>(rounded) > std::numeric_limits<size_t>::max())
        throw EOutOfMemory(kMemoryStreamError);
    void* grown = std::realloc(FMemory, static_cast<size_t>(rounded));
    if (!grown) throw EOutOfMemory(kMemoryStreamError);
    FMemory = grown;
    FCapacity = rounded;
}

int32_t TReadOnlyMemoryStream::Write(const void*, int32_t) { return 0; }

int32_t TStringStream::Read(void* buffer, int32_t count) {
    const auto size = static_cast<int64_t>(FData.size());
    if (count <= 0 || FPosition < 0 || FPosition >= size) return 0;
    const auto n = static_cast<int32_t>(std::min<int64_t>(size - FPosition, count));
    std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int32_t TStringStream::Write(const void* buffer, int32_t count) {
    if (count <= 0 || FPosition < 0) return 0;
    const int64_t end = FPosition + count;
    if (end > static_cast<int64_t>(FData.size())) FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

int64_t TStringStream::Seek(int64_t offset, TSeekOrigin origin) {
    const auto size = static_cast<int64_t>(FData.size());
    int64_t target = FPosition;
    switch (origin) {
        case soBeginning: target = offset; break;
        case soCurrent: target = FPosition + offset; break;
        case soEnd: target = size + offset; break;
    }
    // A string stream has no gaps: positions stay within the data.
    FPosition = std::clamp<int64_t>(target, 0, size);
    return FPosition;
}

void TStringStream::SetSize(int64_t newSize) {
    if (newSize < 0) throw EStreamError("Invalid stream size");
    FData.resize(static_cast<size_t>(newSize));
    if (FPosition > newSize) FPosition = newSize;
}
