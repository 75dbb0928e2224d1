#include "viewer/page_viewer.h"

#include "framework/canvas.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"

TPageViewer::TPageViewer(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 150, 150);
}

void TPageViewer::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = L"TPageViewer";
}

void TPageViewer::LoadFromFile(const std::string& fileName) {
    if (FProcessing) return;
    if (!FileExists(fileName)) throw EInOutError("Can't locate file: " + fileName);
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream, "");
}

void TPageViewer::LoadFromStream(TStream* stream, const std::string& reference) {
    if (FProcessing || !stream) return;
    std::string source(static_cast<size_t>(stream->Size()), '\0');
    stream->SetPosition(0);
    if (!source.empty()) stream->ReadBuffer(source.data(), static_cast<int32_t>(source.size()));
    LoadFromString(source, reference);
}

void TPageViewer::LoadFromString(const std::string& source, const std::string&) {
    if (FProcessing) return;
    FSource = source;
    Invalidate();
}

void TPageViewer::SetColor(TColor color) {
    if (FProcessing) return;
    FDefBackground = color;
    Invalidate();
}

void TPageViewer::Print(int, int) {}

void TPageViewer::SelectAll() {}

void TPageViewer::CopyToClipboard() {}

void TPageViewer::Paint() {
    Canvas()->Brush()->SetColor(FDefBackground);
    Canvas()->FillRect(ClientRect());
}
