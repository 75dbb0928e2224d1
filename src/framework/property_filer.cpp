#include "framework/property_filer.h"

#include "framework/streams.h"
#include "framework/sysutils.h"

namespace {

const char kBadList[] = "Invalid property list";

}  // namespace

void TPropertyWriter::DefineBinaryProperty(const std::string& name, const TStreamProc&, const TStreamProc& write,
                                           bool hasData) {
    if (!hasData || !write || name.empty() || name.size() > 255) return;
    TMemoryStream bytes;
    write(&bytes);
    const auto length = static_cast<uint8_t>(name.size());
    FStream->WriteBuffer(&length, 1);
    FStream->WriteBuffer(name.data(), length);
    const auto size = static_cast<int32_t>(bytes.Size());
    FStream->WriteBuffer(&size, 4);
    if (size) FStream->WriteBuffer(bytes.Memory(), size);
}

TPropertyReader::TPropertyReader(TStream* stream) {
    while (stream->Position() < stream->Size()) {
        uint8_t length = 0;
        stream->ReadBuffer(&length, 1);
        if (length == 0 || length > stream->Size() - stream->Position()) throw EReadError(kBadList);
        Saved saved;
        saved.Name.resize(length);
        stream->ReadBuffer(saved.Name.data(), length);
        int32_t size = 0;
        if (stream->Size() - stream->Position() < 4) throw EReadError(kBadList);
        stream->ReadBuffer(&size, 4);
        if (size < 0 || size > stream->Size() - stream->Position()) throw EReadError(kBadList);
        saved.Bytes.resize(static_cast<size_t>(size));
        if (size) stream->ReadBuffer(saved.Bytes.data(), size);
        FSaved.push_back(std::move(saved));
    }
}

void TPropertyReader::DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc&,
                                           bool) {
    for (Saved& saved : FSaved) {
        if (saved.Name != name || saved.Read) continue;
        saved.Read = true;
        if (!read) return;
        TMemoryStream bytes;
        if (!saved.Bytes.empty()) bytes.WriteBuffer(saved.Bytes.data(), static_cast<int32_t>(saved.Bytes.size()));
        bytes.SetPosition(0);
        read(&bytes);
        return;
    }
}

std::vector<std::string> TPropertyReader::UnreadNames() const {
    std::vector<std::string> names;
    for (const Saved& saved : FSaved)
        if (!saved.Read) names.push_back(saved.Name);
    return names;
}
