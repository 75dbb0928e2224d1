#include "framework/metafile.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "framework/streams.h"
#include "framework/win.h"

namespace {

const char kInvalidMetafile[] = "Metafile is not valid";

// Hundredths of a millimetre per pixel as the platform's recording sees the
// screen: its physical size over its resolution, so a size converted here
// and back comes out as the pixels drawn.
struct ScreenMetrics {
    int hundredthsX, pixelsX, hundredthsY, pixelsY;
};

const ScreenMetrics& Screen() {
    static const ScreenMetrics metrics = [] {
        TScreenDC dc;
        ScreenMetrics m{GetDeviceCaps(dc.get(), HORZSIZE) * 100, GetDeviceCaps(dc.get(), HORZRES),
                        GetDeviceCaps(dc.get(), VERTSIZE) * 100, GetDeviceCaps(dc.get(), VERTRES)};
        if (m.hundredthsX <= 0 || m.pixelsX <= 0) m.hundredthsX = 2540, m.pixelsX = 96;
        if (m.hundredthsY <= 0 || m.pixelsY <= 0) m.hundredthsY = 2540, m.pixelsY = 96;
        return m;
    }();
    return metrics;
}

// The fixed part of the header record that every enhanced metafile starts with.
constexpr size_t kHeaderBytes = 88;

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

int TMetafile::Width() const { return MulDiv(FMMWidth, Screen().pixelsX, Screen().hundredthsX); }
int TMetafile::Height() const { return MulDiv(FMMHeight, Screen().pixelsY, Screen().hundredthsY); }

void TMetafile::SetWidth(int width) { SetMMWidth(MulDiv(width, Screen().hundredthsX, Screen().pixelsX)); }
void TMetafile::SetHeight(int height) { SetMMHeight(MulDiv(height, Screen().hundredthsY, Screen().pixelsY)); }

void TMetafile::SetMMWidth(int value) {
    if (value == FMMWidth) return;
    FMMWidth = value;
    Changed(this);
}

void TMetafile::SetMMHeight(int value) {
    if (value == FMMHeight) return;
    FMMHeight = value;
    Changed(this);
}

void TMetafile::SetHandle(HENHMETAFILE handle) {
    if (handle && handle == FHandle.get()) return;
    ENHMETAHEADER header{};
    if (handle && GetEnhMetaFileHeader(handle, sizeof(header), &header) != 0) {
        FMMWidth = header.rclFrame.right - header.rclFrame.left;
        FMMHeight = header.rclFrame.bottom - header.rclFrame.top;
    }
    FHandle.reset(handle);
    Changed(this);
}

HENHMETAFILE TMetafile::ReleaseHandle() { return FHandle.release(); }

void TMetafile::Clear() {
    FHandle.reset();
    FMMWidth = FMMHeight = 0;
    Changed(this);
}

void TMetafile::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (!Source) {
        Clear();
        return;
    }
    auto* source = dynamic_cast<TMetafile*>(Source);
    if (!source) {
        TGraphic::Assign(Source);
        return;
    }
    FHandle.reset(source->FHandle ? CopyEnhMetaFileW(source->FHandle.get(), nullptr) : nullptr);
    FMMWidth = source->FMMWidth;
    FMMHeight = source->FMMHeight;
    Changed(this);
}

void TMetafile::LoadFromStream(TStream* stream) {
    const int64_t available = stream->Size() - stream->Position();
    std::vector<uint8_t> data(kHeaderBytes);
    if (available < static_cast<int64_t>(kHeaderBytes) || stream->Read(data.data(), kHeaderBytes) != kHeaderBytes)
        throw EInvalidGraphic(kInvalidMetafile);
    // Record type 1 (header), its size, ..., " EMF" at 40, total bytes at 48.
    const uint32_t type = Get32(&data[0]);
    const uint32_t headerSize = Get32(&data[4]);
    const uint32_t signature = Get32(&data[40]);
    const uint32_t totalBytes = Get32(&data[48]);
    if (type != EMR_HEADER || signature != ENHMETA_SIGNATURE || headerSize < kHeaderBytes ||
        headerSize > totalBytes || totalBytes > available || totalBytes > std::numeric_limits<int32_t>::max())
        throw EInvalidGraphic(kInvalidMetafile);
    data.resize(totalBytes);
    const auto rest = static_cast<int32_t>(totalBytes - kHeaderBytes);
    if (stream->Read(data.data() + kHeaderBytes, rest) != rest) throw EInvalidGraphic(kInvalidMetafile);
    HENHMETAFILE handle = SetEnhMetaFileBits(totalBytes, data.data());
    if (!handle) throw EInvalidGraphic(kInvalidMetafile);
    FHandle.reset();
    SetHandle(handle);
}

void TMetafile::SaveToStream(TStream* stream) {
    if (!FHandle) return;
    const UINT size = GetEnhMetaFileBits(FHandle.get(), 0, nullptr);
    std::vector<BYTE> data(size);
    GetEnhMetaFileBits(FHandle.get(), size, data.data());
    stream->WriteBuffer(data.data(), static_cast<int32_t>(size));
}

void TMetafile::Draw(TCanvas* canvas, const TRect& rect) {
    if (!FHandle) return;
    const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    PlayEnhMetaFile(canvas->Handle(), FHandle.get(), &r);
}

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, HDC referenceDevice) : FMetafile(metafile) {
    TScreenDC screen;
    const RECT frame{0, 0, metafile->MMWidth(), metafile->MMHeight()};
    const bool sized = frame.right > 0 && frame.bottom > 0;
    FRecording = CreateEnhMetaFileW(referenceDevice ? referenceDevice : screen.get(), nullptr,
                                    sized ? &frame : nullptr, nullptr);
    if (!FRecording) throw EOutOfResources("Out of system resources");
    GuiResourceCreated(TGuiResource::DC);
    SetHandle(FRecording);
}

TMetafileCanvas::~TMetafileCanvas() {
    SetHandle(nullptr);
    HENHMETAFILE recorded = CloseEnhMetaFile(FRecording);
    GuiResourceDestroyed(TGuiResource::DC);
    if (recorded) FMetafile->SetHandle(recorded);
}
