// Byte streams. TStream and TMemoryStream are free of windows.h, so format
// readers that take a stream also build natively for fuzzing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/classes.h"

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
public:
    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t newSize);

    // Exactly count bytes or EReadError "Stream read error".
    void ReadBuffer(void* buffer, int32_t count);
    // Exactly count bytes or EWriteError "Stream write error".
    void WriteBuffer(const void* buffer, int32_t count);
    // Copies count bytes from source (count 0: the whole of source from its start).
    int64_t CopyFrom(TStream* source, int64_t count);
};

class TCustomMemoryStream : public TStream {
public:
    int32_t Read(void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return FSize; }
    void* Memory() const { return FMemory; }
    void SaveToStream(TStream* stream);
    void SaveToFile(const std::string& fileName);

protected:
    void SetPointer(void* memory, int64_t size) {
        FMemory = memory;
        FSize = size;
    }
    void* FMemory = nullptr;
    int64_t FSize = 0;
    int64_t FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
public:
    ~TMemoryStream() override;
    int32_t Write(const void* buffer, int32_t count) override;
    void SetSize(int64_t newSize) override;
    void Clear();
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const std::string& fileName);

private:
    void SetCapacity(int64_t capacity);
    int64_t FCapacity = 0;
};

// A read-only view of bytes the caller keeps alive.
class TReadOnlyMemoryStream : public TCustomMemoryStream {
public:
    TReadOnlyMemoryStream(const void* data, int64_t size) {
        SetPointer(const_cast<void*>(data), size);
    }
    int32_t Write(const void*, int32_t) override;
};

// A stream over a std::string (8-bit data).
class TStringStream : public TStream {
public:
    explicit TStringStream(std::string data = {}) : FData(std::move(data)) {}
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    const std::string& DataString() const { return FData; }

private:
    std::string FData;
    int64_t FPosition = 0;
};

// File streams open 8-bit (code page 1251) names through the W functions.
enum : uint16_t {
    fmCreate = 0xFFFF,
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
};

class THandleStream : public TStream {
public:
    explicit THandleStream(void* handle) : FHandle(handle) {}
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    void* Handle() const { return FHandle; }

protected:
    void* FHandle;
};

class TFileStream : public THandleStream {
public:
    // Raises EFCreateError "Cannot create file "<name>". <reason>" or
    // EFOpenError "Cannot open file "<name>". <reason>".
    TFileStream(const std::string& fileName, uint16_t mode);
    ~TFileStream() override;
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};
