// The viewer's settings that reach the document, its picture requests, META
// handling, the loads over memory streams, and the palette.
#include <algorithm>
#include <cstdint>
#include <functional>

#include "framework/application.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/image_cache.h"
#include "html/image_obj.h"
#include "html/parser_entry.h"
#include "images/engine_palette.h"
#include "viewer/document_printing.h"
#include "viewer/page_viewer.h"

namespace {

// The preformatted face name the document keeps is at most this long.
constexpr size_t kMaxFaceName = 33;

// The screen cursor as the hourglass for the life of the object.
class TBusyCursor {
public:
    TBusyCursor() {
        if (Screen) {
            FOld = Screen->Cursor();
            Screen->SetCursor(crHourGlass);
        }
    }
    ~TBusyCursor() {
        if (Screen) Screen->SetCursor(FOld);
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    TCursor FOld = crDefault;
};

// Processing on for the life of the object, off on every path out.
class TProcessingScope {
public:
    explicit TProcessingScope(TPageViewer* viewer) : FViewer(viewer) { FViewer->SetProcessing(true); }
    ~TProcessingScope() { FViewer->SetProcessing(false); }
    TProcessingScope(const TProcessingScope&) = delete;
    TProcessingScope& operator=(const TProcessingScope&) = delete;

private:
    TPageViewer* FViewer;
};

// The first occurrence of `what` in `text`, ASCII letters compared without case.
size_t FindNoCase(const std::string& text, const std::string& what) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    auto it = std::search(text.begin(), text.end(), what.begin(), what.end(),
                          [&](char a, char b) { return lower(a) == lower(b); });
    return it == text.end() ? std::string::npos : static_cast<size_t>(it - text.begin());
}

// The document's form callback for a viewer event: the viewer is the sender.
std::function<void(TObject*, const std::string&)> ScriptRelay(TPageViewer* viewer,
                                                              TPageViewer::TObjectScriptEvent handler) {
    if (!handler) return nullptr;
    return [viewer, handler](TObject* control, const std::string& script) { handler(viewer, control, script); };
}

}  // namespace

// ---- settings copied into the document

void TPageViewer::SetPreFontName(const std::string& name) {
    if (SameText(name, FDocument->FixedPitchFontName)) return;
    DefPreFontName = name;
    FDocument->FixedPitchFontName = name.substr(0, kMaxFaceName);
}

void TPageViewer::SetHotSpotColor(TColor color) {
    DefHotSpotColor = color;
    FDocument->ColorOfLinks = color;
}

void TPageViewer::SetVisitedColor(TColor color) {
    DefVisitedLinkColor = color;
    FDocument->ColorOfVisited = color;
}

void TPageViewer::SetActiveColor(TColor color) {
    DefOverLinkColor = color;
    FDocument->ColorOfHover = color;
}

void TPageViewer::SetPrintScale(double scale) { PrintScale = std::clamp(scale, 0.25, 4.0); }

void TPageViewer::SetServerRoot(const std::string& root) {
    std::string value = Trim(root);
    if (!value.empty() && value.back() == '\\') value.pop_back();
    FServerRoot = value;
}

void TPageViewer::SetBase(const std::string& base) {
    FBase = base;
    FBase2 = base;
}

void TPageViewer::SetOnBitmapRequest(TGetBitmapEvent handler) {
    FOnBitmapRequest = std::move(handler);
    if (!FOnBitmapRequest) {
        FDocument->GetBitmapHook = nullptr;
        return;
    }
    FDocument->GetBitmapHook = [this](const std::string& name, TBitmap*& bitmap, TColor& color) {
        bitmap = nullptr;
        color = -1;
        FOnBitmapRequest(this, name, bitmap, color);
        return bitmap != nullptr;
    };
}

void TPageViewer::SetOnImageRequest(TGetImageEvent handler) {
    FOnImageRequest = std::move(handler);
    if (!FOnImageRequest) {
        FDocument->GetImageHook = nullptr;
        return;
    }
    FDocument->GetImageHook = [this](const std::string& name) {
        TMemoryStream* stream = nullptr;
        FOnImageRequest(this, name, stream);
        return stream;
    };
}

void TPageViewer::SetOnExpandName(TExpandNameEvent handler) {
    FOnExpandName = std::move(handler);
    if (!FOnExpandName) {
        FDocument->NameExpander = nullptr;
        return;
    }
    FDocument->NameExpander = [this](const std::string& name) {
        std::string result = name;
        FOnExpandName(this, name, result);
        return result;
    };
}

void TPageViewer::SetOnPanelCreate(TPanelCreateEvent handler) {
    if (!handler) {
        FDocument->OnPanelCreate = nullptr;
        return;
    }
    FDocument->OnPanelCreate = [this, handler](const std::string& name, const std::string& type,
                                               const std::string& src, TWinControl* panel) {
        handler(this, name, type, src, panel);
    };
}

void TPageViewer::SetOnPanelDestroy(TPanelDestroyEvent handler) {
    if (!handler) {
        FDocument->OnPanelDestroy = nullptr;
        return;
    }
    FDocument->OnPanelDestroy = [this, handler](TWinControl* panel) { handler(this, panel); };
}

void TPageViewer::SetOnPanelPrint(TPanelPrintEvent handler) {
    if (!handler) {
        FDocument->OnPanelPrint = nullptr;
        return;
    }
    FDocument->OnPanelPrint = [this, handler](TWinControl* panel, TBitmap* bitmap) { handler(this, panel, bitmap); };
}

// ---- META

void TPageViewer::HandleMeta(TObject*, const std::string& httpEq, const std::string& name,
                             const std::string& content) {
    if (OnMeta) OnMeta(this, httpEq, name, content);
    if (!OnMetaRefresh || !SameText(httpEq, "refresh")) return;
    const size_t semicolon = content.find(';');
    int delay = -1;
    if (!TryStrToInt(Trim(content.substr(0, semicolon)), delay) || delay < 0) return;
    FRefreshDelay = std::max(delay, 1);
    const size_t url = FindNoCase(content, "url=");
    FRefreshURL = url == std::string::npos ? std::string() : content.substr(url + 4);
}

// ---- pictures

void TPageViewer::RelayoutKeepingPosition() {
    if (FDocument->Count() == 0) return;
    const int position = GetPosition();
    DoLogic();
    SetPosition(position);
}

void TPageViewer::SetViewImages(bool value) {
    if (value == FDocument->DisplayImages || FProcessing) return;
    TBusyCursor busy;
    TProcessingScope processing(this);
    FDocument->DisplayImages = value;
    if (FDocument->Count() > 0) {
        FDocument->GetBackgroundBitmap();
        RelayoutKeepingPosition();
        InvalidatePanel();
    }
}

bool TPageViewer::InsertImage(const std::string& source, TMemoryStream* stream) {
    if (FProcessing) return false;
    TProcessingScope processing(this);
    bool reformat = false;
    FDocument->InsertImage(source, stream, reformat);
    FDocument->GetBackgroundBitmap();
    if (reformat) RelayoutKeepingPosition();
    InvalidatePanel();
    return true;
}

void TPageViewer::ReplaceImage(const std::string& nameOrId, TStream* stream) {
    if (FProcessing || !stream || !FDocument->IDObjects) return;
    auto* image = dynamic_cast<TImageObj*>(FDocument->IDObjects->FindObject(UpperCase(nameOrId)));
    if (!image) return;
    image->ReplaceImage(stream);
    if (!image->SizeFixed && FDocument->Count() > 0) {
        TProcessingScope processing(this);
        FDocument->GetBackgroundBitmap();
        RelayoutKeepingPosition();
    }
    InvalidatePanel();
}

void TPageViewer::SetStringBitmapList(TStringBitmapList* list) {
    // A cache the viewer made goes once the document lets go of it.
    if (FOwnCache && FOwnCache.get() != list) {
        FDocument->Clear();
        FOwnCache.reset();
    }
    FDocument->CachedImages = list;
}

void TPageViewer::UpdateImageCache() {
    if (FDocument->CachedImages) FDocument->CachedImages->BumpAndCheck();
}

// ---- loads from memory and the reload

void TPageViewer::LoadStream(const std::string& reference, TMemoryStream* stream, ThtmlFileType type) {
    if (FProcessing || !stream) return;
    if (PrintJobHolds(*FDocument)) {
        auto copy = std::make_shared<TMemoryStream>();
        copy->LoadFromStream(stream);
        DeferWhilePrinted([this, reference, copy, type] { LoadStream(reference, copy.get(), type); });
        return;
    }
    {
        TProcessingScope processing(this);
        struct InLogic {
            TPageViewer* V;
            ~InLogic() {
                V->htProgressEnd();
                V->FInLogic = false;
            }
        } inLogic{this};
        FRefreshDelay = 0;
        FInLogic = true;
        FDocument->ProgressBase = 75;
        htProgressInit();
        InitLoad();
        FCaretPos = 0;
        FSelAnchor = -1;
        if (type >= ImgType) {
            FSource.clear();
        } else {
            const int64_t size = std::clamp<int64_t>(stream->Size(), 0, INT32_MAX);
            if (size > 0) FSource.assign(static_cast<const char*>(stream->Memory()), static_cast<size_t>(size));
            else FSource.clear();
        }
        if (OnParseBegin) OnParseBegin(this, FSource);
        if (type == HTMLType) {
            StopSound();
            ParseHTMLString(FSource, FDocument.get(), ReaderCallbacks(), this);
        } else if (type == TextType) {
            ParseTextString(FSource, FDocument.get());
        } else {
            // The picture is the stream itself, whatever its name asks for.
            const TGetImageEvent saved = FOnImageRequest;
            struct Restore {
                TPageViewer* V;
                const TGetImageEvent& Saved;
                ~Restore() { V->SetOnImageRequest(Saved); }
            } restore{this, saved};
            SetOnImageRequest([stream](TObject*, const std::string&, TMemoryStream*& result) {
                stream->SetPosition(0);
                result = stream;
            });
            ParseHTMLString("<img src=\"" + reference + "\">", FDocument.get(), TReaderCallbacks(), this);
            SetupAndLogic();
        }
        if (type < ImgType) SetupAndLogic();
        ScrollTo(0);
        SetHScrollPos(0);
        InvalidatePanel();
        FCurrentFile = reference;
        FFileType = type;
    }
    FireMetaRefresh();
}

void TPageViewer::Reload() {
    if (FProcessing || FCurrentFile.empty() || DeferWhilePrinted([this] { Reload(); })) return;
    const int position = GetPosition();
    const std::string file = FCurrentFile;
    switch (FFileType) {
        case TextType: LoadTextFile(file); break;
        case ImgType: LoadImageFile(file); break;
        default: LoadFromFile(file); break;
    }
    SetPosition(position);
}

// ---- layout helpers

void TPageViewer::Reformat() {
    Layout();
    if (FPaintPanel->HandleAllocated()) FPaintPanel->Update();
    // The cursor goes where it is, so the hover state is worked out again.
    POINT p{};
    if (GetCursorPos(&p)) SetCursorPos(p.x, p.y);
}

void TPageViewer::Repaint() {
    // Every form control's window goes; the paint places again those it
    // draws, so one in a block hidden since the last paint stays away.
    FDocument->HideControls();
    FDocument->SetYOffset(FDocument->ScrollY);
    TCustomControl::Repaint();
    FPaintPanel->Repaint();
}

TSize TPageViewer::FullDisplaySize(int width) {
    if (width < 1) return TSize{};
    owned_ptr<TSectionList> copy(new TSectionList(*FDocument));
    copy->BackgroundChangeHandler = nullptr;
    int scrollWidth = 0, positions = 0;
    TCanvas* canvas = FPaintPanel->HandleAllocated() ? FPaintPanel->Canvas() : nullptr;
    const int height = copy->DoLogic(canvas, 0, width, 300, 0, scrollWidth, positions);
    return TSize{scrollWidth, height};
}

// ---- palette

HPALETTE TPageViewer::GetPalette() {
    Invalidate();
    InvalidatePanel();
    return ThePalette ? ThePalette : TCustomControl::GetPalette();
}

HPALETTE TPageViewer::GetOurPalette() { return ColorBits == 8 ? CopyPalette(ThePalette) : nullptr; }

void TPageViewer::SetOurPalette(HPALETTE palette) {
    if (!palette || ColorBits != 8) return;
    HPALETTE copy = CopyPalette(palette);
    if (!copy) return;
    if (ThePalette) DeleteObject(ThePalette);
    ThePalette = copy;
    if (FDither) SetGlobalPalette(ThePalette);
}

void TPageViewer::SetDither(bool value) {
    if (value == FDither || ColorBits != 8) return;
    FDither = value;
    SetGlobalPalette(value ? ThePalette : nullptr);
}

// ---- form control events

void TPageViewer::SetOnObjectClick(TObjectScriptEvent handler) {
    FDocument->ObjectClickHandler = ScriptRelay(this, std::move(handler));
}

void TPageViewer::SetOnObjectFocus(TObjectScriptEvent handler) {
    FDocument->ObjectFocusHandler = ScriptRelay(this, std::move(handler));
}

void TPageViewer::SetOnObjectBlur(TObjectScriptEvent handler) {
    FDocument->ObjectBlurHandler = ScriptRelay(this, std::move(handler));
}

void TPageViewer::SetOnObjectChange(TObjectScriptEvent handler) {
    FDocument->ObjectChangeHandler = ScriptRelay(this, std::move(handler));
}

void TPageViewer::SetOnFileBrowse(TFileBrowseEvent handler) {
    if (!handler) {
        FDocument->FileBrowseHandler = nullptr;
        return;
    }
    FDocument->FileBrowseHandler = [this, handler](TObject* control, std::string& fileName) {
        handler(this, control, fileName);
    };
}
