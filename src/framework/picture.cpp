#include "framework/picture.h"

#include <algorithm>
#include <vector>

#include "framework/bitmap.h"
#include "framework/icon.h"
#include "framework/jpeg.h"
#include "framework/metafile.h"
#include "framework/streams.h"

namespace {

struct FileFormat {
    std::string extension;  // lower case, no dot
    std::string description;
    TGraphicClass graphicClass;
    std::string signature;
    size_t signatureOffset;
};

TGraphic* NewBitmap() { return new TBitmap; }
TGraphic* NewIcon() { return new TIcon; }
TGraphic* NewMetafile() { return new TMetafile; }
TGraphic* NewJpeg() { return new TJPEGImage; }

// The framework's own formats are there before any module adds its own.
std::vector<FileFormat>& Formats() {
    static std::vector<FileFormat> formats = {
        {"bmp", "BMP pictures", NewBitmap, "BM", 0},
        {"ico", "Icons", NewIcon, std::string("\0\0\1\0", 4), 0},
        {"emf", "Enhanced metafiles", NewMetafile, " EMF", 40},
        {"jpg", "JPEG pictures", NewJpeg, "\xFF\xD8", 0},
        {"jpeg", "JPEG pictures", NewJpeg, "\xFF\xD8", 0},
    };
    return formats;
}

std::string NormalExtension(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    return LowerCase(extension);
}

// The longest header any signature needs.
constexpr size_t kSniffBytes = 64;

TGraphicClass ClassBySignature(TStream* stream) {
    char head[kSniffBytes];
    const int64_t start = stream->Position();
    const int32_t got = stream->Read(head, sizeof(head));
    stream->SetPosition(start);
    const std::string_view bytes(head, static_cast<size_t>(std::max(got, 0)));
    for (const FileFormat& f : Formats()) {
        if (f.signature.empty() || f.signatureOffset + f.signature.size() > bytes.size()) continue;
        if (bytes.substr(f.signatureOffset, f.signature.size()) == f.signature) return f.graphicClass;
    }
    return nullptr;
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicClass graphicClass, std::string_view signature, size_t signatureOffset) {
    // A later registration of an extension wins over an earlier one.
    Formats().insert(Formats().begin(), FileFormat{NormalExtension(extension), description, graphicClass,
                                                   std::string(signature), signatureOffset});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
    auto& formats = Formats();
    formats.erase(std::remove_if(formats.begin(), formats.end(),
                                 [&](const FileFormat& f) { return f.graphicClass == graphicClass; }),
                  formats.end());
}

std::string TPicture::FileFormatDescription(const std::string& extension) {
    const std::string ext = NormalExtension(extension);
    for (const FileFormat& f : Formats())
        if (f.extension == ext) return f.description;
    return {};
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::Take(TGraphic* graphic) {
    FGraphic.reset(graphic);
    if (FGraphic) FGraphic->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPicture::SetGraphic(TGraphic* graphic) {
    if (graphic == FGraphic.get()) return;
    if (!graphic) {
        Take(nullptr);
        return;
    }
    owned_ptr<TGraphic> copy(graphic->NewGraphic());
    copy->Assign(graphic);
    Take(copy.release());
}

TBitmap* TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) Take(new TBitmap);
    return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::LoadFromStreamAs(TStream* stream, TGraphicClass graphicClass) {
    owned_ptr<TGraphic> graphic(graphicClass());
    graphic->LoadFromStream(stream);
    Take(graphic.release());
}

void TPicture::LoadFromStream(TStream* stream) {
    TGraphicClass graphicClass = ClassBySignature(stream);
    if (!graphicClass) throw EInvalidGraphic("Unknown picture format");
    LoadFromStreamAs(stream, graphicClass);
}

void TPicture::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    TGraphicClass graphicClass = ClassBySignature(&stream);
    if (!graphicClass) {
        const std::string ext = NormalExtension(ExtractFileExt(fileName));
        for (const FileFormat& f : Formats()) {
            if (f.extension == ext) {
                graphicClass = f.graphicClass;
                break;
            }
        }
    }
    if (!graphicClass) throw EInvalidGraphic("Unknown picture file extension (." + NormalExtension(ExtractFileExt(fileName)) + ")");
    LoadFromStreamAs(&stream, graphicClass);
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::SaveToStream(TStream* stream) {
    if (FGraphic) FGraphic->SaveToStream(stream);
}

void TPicture::Assign(TPersistent* Source) {
    if (!Source) {
        SetGraphic(nullptr);
    } else if (auto* picture = dynamic_cast<TPicture*>(Source)) {
        if (picture != this) SetGraphic(picture->Graphic());
    } else if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(graphic);
    } else {
        TPersistent::Assign(Source);
    }
}

void TPicture::AssignTo(TPersistent* Dest) {
    if (auto* graphic = dynamic_cast<TGraphic*>(Dest)) {
        graphic->Assign(FGraphic.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}
