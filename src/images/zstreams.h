// Streams that deflate into, or inflate from, another stream through zlib, and
// whole-buffer helpers over the same engine. Free of windows.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/streams.h"
#include "framework/sysutils.h"

FW_DECLARE_EXCEPTION(EZLibError, Exception)
FW_DECLARE_EXCEPTION(EZCompressionError, EZLibError)
FW_DECLARE_EXCEPTION(EZDecompressionError, EZLibError)

enum TZCompressionLevel { zcNone, zcFastest, zcDefault, zcMax };

struct ZStreamState;  // zlib's z_stream, kept out of this header

class TCustomZStream : public TStream {
public:
    TNotifyEvent OnProgress;

protected:
    explicit TCustomZStream(TStream* source);
    ~TCustomZStream() override;
    virtual void DoProgress();

    static constexpr int32_t kBufferSize = 65536;

    TStream* SourceStream;    // not owned
    int64_t SourceStreamPos;  // where this stream continues in SourceStream
    std::unique_ptr<ZStreamState> FZStream;
    std::unique_ptr<uint8_t[]> Buffer;
};

class TZCompressionStream : public TCustomZStream {
public:
    TZCompressionStream(TStream* dest, TZCompressionLevel level = zcDefault);
    // Finishes the zlib stream into the destination; a failure here cannot be
    // reported from a destructor, so it is dropped after zlib is released.
    ~TZCompressionStream() override;

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    // Only Seek(0, soCurrent): the number of bytes taken in.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    double GetCompressionRate() const;

private:
    void Finish();
    bool FEnded = false;
};

class TZDecompressionStream : public TCustomZStream {
public:
    explicit TZDecompressionStream(TStream* source);
    ~TZDecompressionStream() override;

    // Fewer bytes than asked at the end of the zlib stream or of the source.
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    // Seek(0, soBeginning) restarts from the source's position 0; forward moves
    // read and discard; anything else raises. Returns the bytes delivered.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

private:
    bool FStreamEnded = false;
};

// Whole-buffer routines.
void ZCompress(const void* sourceData, int32_t sourceSize, std::unique_ptr<uint8_t[]>& resultData,
               int32_t& resultSize, TZCompressionLevel level = zcDefault);
void ZDecompress(const void* sourceData, int32_t sourceSize,
                 std::unique_ptr<uint8_t[]>& resultData, int32_t& resultSize,
                 int32_t sizeGuess = 0);
std::string ZCompressStr(const std::string& s, TZCompressionLevel level = zcDefault);
std::string ZDecompressStr(const std::string& s);
