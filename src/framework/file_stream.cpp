// Streams over Windows file handles, and the file halves of the memory streams.
#include "framework/cp1251.h"
#include "framework/streams.h"
#include "framework/win.h"

namespace {

const DWORD kAccessModes[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
// Indexed by the share bits of the mode (fmShareCompat .. fmShareDenyNone).
const DWORD kShareModes[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE};

std::string LastErrorText() { return SysErrorMessage(GetLastError()); }

}  // namespace

int32_t THandleStream::Read(void* buffer, int32_t count) {
    if (count <= 0) return 0;
    DWORD read = 0;
    if (!ReadFile(static_cast<HANDLE>(FHandle), buffer, static_cast<DWORD>(count), &read, nullptr)) {
        // The writer of a pipe going away is its end, not a failure.
        if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
        throw EReadError("Stream read error. " + LastErrorText());
    }
    return static_cast<int32_t>(read);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(FHandle), buffer, static_cast<DWORD>(count), &written, nullptr))
        throw EWriteError("Stream write error. " + LastErrorText());
    return static_cast<int32_t>(written);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
    static const DWORD kMethods[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(static_cast<HANDLE>(FHandle), distance, &position, kMethods[origin]))
        throw EStreamError("Invalid stream position. " + LastErrorText());
    return position.QuadPart;
}

void THandleStream::SetSize(int64_t newSize) {
    const int64_t position = Position();
    Seek(newSize, soBeginning);
    if (!SetEndOfFile(static_cast<HANDLE>(FHandle)))
        throw EStreamError("Cannot change the stream size. " + LastErrorText());
    if (position < newSize) Seek(position, soBeginning);
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(INVALID_HANDLE_VALUE), FFileName(fileName) {
    const std::wstring wide = AnsiToWide(fileName);
    if (mode == fmCreate) {
        FHandle = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (FHandle == INVALID_HANDLE_VALUE)
            throw EFCreateError(Format("Cannot create file \"%s\". %s", fileName.c_str(),
                                       LastErrorText().c_str()));
        return;
    }
    const unsigned access = mode & 0x3;
    const unsigned share = (mode & 0xF0) >> 4;
    if (access < 3 && share < 5) {
        FHandle = CreateFileW(wide.c_str(), kAccessModes[access], kShareModes[share], nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    if (FHandle == INVALID_HANDLE_VALUE)
        throw EFOpenError(Format("Cannot open file \"%s\". %s", fileName.c_str(), LastErrorText().c_str()));
}

TFileStream::~TFileStream() {
    if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(static_cast<HANDLE>(FHandle));
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}
