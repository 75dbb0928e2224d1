#include "viewer/page_viewer.h"

#include <algorithm>
#include <climits>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/gdi_handles.h"
#include "framework/streams.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "html/box_background.h"
#include "html/font_obj.h"
#include "html/html_startup.h"
#include "html/image_cache.h"
#include "html/parser_entry.h"
#include "html/sel_text.h"
#include "html/urls.h"
#include "images/engine_palette.h"

namespace {

constexpr int kMaxScrollWidth = 6000;
constexpr int kSmallChangeV = 16;
constexpr int kSmallChangeH = 15;
// Sources longer than this always get the vertical bar: the layout pass
// without it would nearly always be wasted.
constexpr size_t kLongSource = 9999;

// Sets a flag for the life of the object, cleared on every path out.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
};

// The engine's palette selected and realised in a context for the life of
// the object, on displays that have a palette; the context's own comes back.
class TEnginePaletteScope {
public:
    TEnginePaletteScope(HDC dc, bool background) : FDC(dc) {
        if (!dc || ColorBits > 8 || !ThePalette) return;
        FOld = SelectPalette(dc, ThePalette, background ? TRUE : FALSE);
        RealizePalette(dc);
    }
    ~TEnginePaletteScope() {
        if (FOld) SelectPalette(FDC, FOld, TRUE);
    }
    TEnginePaletteScope(const TEnginePaletteScope&) = delete;
    TEnginePaletteScope& operator=(const TEnginePaletteScope&) = delete;

private:
    HDC FDC;
    HPALETTE FOld = nullptr;
};

// The screen cursor as the hourglass while a file loads.
class THourglass {
public:
    THourglass() {
        if (Screen) {
            FOld = Screen->Cursor();
            Screen->SetCursor(crHourGlass);
        }
    }
    ~THourglass() {
        if (Screen) Screen->SetCursor(FOld);
    }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;

private:
    TCursor FOld = crDefault;
};

void SplitAnchor(const std::string& reference, std::string& name, std::string& anchor) {
    const size_t hash = reference.find('#');
    name = reference.substr(0, hash);
    anchor = hash == std::string::npos ? std::string() : reference.substr(hash + 1);
}

// The whole stream from its start, wherever it stands.
std::string ReadWholeStream(TStream* stream) {
    const int64_t size = std::clamp<int64_t>(stream->Size(), 0, INT32_MAX);
    std::string source(static_cast<size_t>(size), '\0');
    stream->SetPosition(0);
    if (!source.empty()) stream->ReadBuffer(source.data(), static_cast<int32_t>(source.size()));
    return source;
}

}  // namespace

// ---- the paint panel

TPaintPanel::TPaintPanel(TComponent* AOwner, TPageViewer* viewer) : TCustomControl(AOwner), FViewer(viewer) {
    SetParentFont(false);
}

TPaintPanel::~TPaintPanel() = default;

void TPaintPanel::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_ERASEBKGND:
            // The paint covers every pixel; erasing first would only flicker.
            message.Result = 1;
            return;
        default:
            break;
    }
    if (FViewer->PanelMouseMessage(message)) return;
    TCustomControl::WndProc(message);
}

void TPaintPanel::Paint() {
    if (FViewer->FInLogic || FOffscreen) return;
    Canvas()->Brush()->SetColor(Color());
    const TRect r = Canvas()->ClipRect();
    const int width = r.Width(), height = r.Height();
    if (width <= 0 || height <= 0) return;
    HDC panelDC = Canvas()->Handle();
    if (width > FBackWidth || height > FBackHeight) {
        FBackBuffer.reset();
        const int w = std::max(width, FBackWidth), h = std::max(height, FBackHeight);
        FBackBuffer = std::make_unique<TBitmapDC>(panelDC, CreateCompatibleBitmap(panelDC, w, h));
        if (!*FBackBuffer) {
            FBackBuffer.reset();
            FBackWidth = FBackHeight = 0;
            throw EOutOfResources("Out of Resources");
        }
        FBackWidth = w;
        FBackHeight = h;
    }
    HDC memoryDC = FBackBuffer->get();
    // Every paint starts from the state of a new context, and drawing in the
    // bitmap uses the panel's coordinates, clipped to the part being painted
    // however large the bitmap is.
    const int fresh = SaveDC(memoryDC);
    SetWindowOrgEx(memoryDC, r.Left, r.Top, nullptr);
    IntersectClipRect(memoryDC, r.Left, r.Top, r.Right, r.Bottom);
    FOffscreen = std::make_unique<TCanvas>();
    FOffscreen->SetHandle(memoryDC);
    struct Cleanup {
        TPaintPanel* Panel;
        HDC DC;
        int Fresh;
        ~Cleanup() {
            Panel->FOffscreen->SetHandle(nullptr);
            Panel->FOffscreen.reset();
            RestoreDC(DC, Fresh);
        }
    } cleanup{this, memoryDC, fresh};
    DoBackground(FOffscreen.get());
    FViewer->HTMLPaint(this);
    // On a display with a palette the copy maps the page's colours through
    // the engine's palette, not the system's twenty.
    TEnginePaletteScope palette(panelDC, false);
    BitBlt(panelDC, r.Left, r.Top, width, height, memoryDC, r.Left, r.Top, SRCCOPY);
}

void TPaintPanel::DoBackground(TCanvas* canvas) {
    TSectionList* doc = FViewer->Document();
    if (!doc || doc->Printing) return;
    const TRect clip = canvas->ClipRect();
    TBitmap* picture = doc->DisplayImages ? doc->GetBackgroundBitmap() : nullptr;
    TEnginePaletteScope palette(canvas->Handle(), true);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(clip);
    if (!picture || picture->Width() <= 0 || picture->Height() <= 0) {
        FViewer->FFixedBackground = false;
        return;
    }
    const PositionRec& placement = doc->BackdropPlacement;
    // "Attached" on either axis: background-attachment fixed.
    const bool fixed = placement[0].Attached || placement[1].Attached;
    FViewer->FFixedBackground = fixed;
    // A fixed picture is placed in the panel, a scrolling one in the page.
    const int offsetX = fixed ? 0 : FViewer->GetHScrollPos();
    const int offsetY = fixed ? 0 : doc->ScrollY;
    const int areaW = fixed ? Width() : FViewer->FHScrollBar->Max();
    const int areaH = fixed ? Height() : std::max(FViewer->FMaxVertical, Height());
    // A line of one pixel is stretched first: tiling it would take a copy
    // per pixel.
    std::unique_ptr<TBitmap> wide, wideMask;
    TBitmap* mask = doc->BackdropMask;
    // Only along an axis that repeats: a single pixel placed once stays one.
    const int wideW = placement[0].Tiles ? clip.Width() : 1, wideH = placement[1].Tiles ? clip.Height() : 1;
    if ((picture->Width() == 1 && wideW > 1) || (picture->Height() == 1 && wideH > 1)) {
        wide.reset(EnlargeBitmap(picture, wideW, wideH));
        if (mask) wideMask.reset(EnlargeBitmap(mask, wideW, wideH));
        picture = wide.get();
        mask = wideMask ? wideMask.get() : nullptr;
    }
    const int pw = picture->Width(), ph = picture->Height();
    const TTileSpan across = BackgroundTiles(placement[0], -offsetX, areaW, pw, pw, clip.Left, clip.Right);
    const TTileSpan down = BackgroundTiles(placement[1], -offsetY, areaH, ph, ph, clip.Top, clip.Bottom);
    HDC target = canvas->Handle();
    HDC source = picture->Canvas()->Handle();
    HDC maskDC = mask ? mask->Canvas()->Handle() : nullptr;
    for (int row = 0; row < down.Count; ++row) {
        const int y = down.Start + row * ph;
        for (int column = 0; column < across.Count; ++column) {
            const int x = across.Start + column * pw;
            if (maskDC) {
                BitBlt(target, x, y, pw, ph, source, 0, 0, SRCINVERT);
                BitBlt(target, x, y, pw, ph, maskDC, 0, 0, SRCAND);
                BitBlt(target, x, y, pw, ph, source, 0, 0, SRCPAINT);
            } else {
                BitBlt(target, x, y, pw, ph, source, 0, 0, SRCCOPY);
            }
        }
    }
}

// ---- the vertical bar

T32ScrollBar::T32ScrollBar(TComponent* AOwner, TPageViewer* viewer) : TScrollBar(AOwner), FViewer(viewer) {
    SetKind(sbVertical);
}

void T32ScrollBar::SetParams(int position, int page, int max, int min) {
    max = std::max(max, min);
    if (page != PageSize()) {
        // The page is checked against the range the bar has now.
        TScrollBar::SetParams(Position(), min, std::max(max, Max()));
        SetPageSize(page);
    }
    if (position != Position() || max != Max() || min != Min()) TScrollBar::SetParams(position, min, max);
}

void T32ScrollBar::Scroll(TScrollCode code, int& position) {
    TScrollBar::Scroll(code, position);
    const int panelHeight = FViewer->FPaintPanel->Height();
    switch (code) {
        case scPageUp: position = Position() - (panelHeight - kSmallChangeV); break;
        case scPageDown: position = Position() + (panelHeight - kSmallChangeV); break;
        case scBottom: position = FViewer->FMaxVertical - panelHeight; break;
        default: break;
    }
    position = std::clamp(position, 0, std::max(0, FViewer->FMaxVertical - panelHeight));
    FViewer->VerticalScrollTo(position);
}

// ---- the viewer

TPageViewer::TPageViewer(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 150, 150);
    FPaintPanel = new TPaintPanel(this, this);
    FPaintPanel->SetParent(this);
    FPaintPanel->SetBounds(1, 1, 148, 148);
    FVScrollBar = new T32ScrollBar(this, this);
    FVScrollBar->SmallChange = kSmallChangeV;
    FVScrollBar->TabStop = false;
    FVScrollBar->SetVisible(false);
    FVScrollBar->SetParent(this);
    FScrollBarWidth = GetSystemMetrics(SM_CXVSCROLL);
    FHScrollBar = new TScrollBar(this);
    FHScrollBar->SmallChange = kSmallChangeH;
    FHScrollBar->TabStop = false;
    FHScrollBar->SetVisible(false);
    FHScrollBar->SetParent(this);
    FHScrollBar->OnScroll = Bind(this, &TPageViewer::HorizontalScroll);
    FDocument = std::make_unique<TSectionList>(this);
    FDocument->BackgroundChangeHandler = Bind(this, &TPageViewer::BackgroundChange);
    FDocument->DisplayImages = true;
    SetColor(clBtnFace);
    SetHotSpotColor(0xFF0000);
    SetActiveColor(0xFF0000);
    SetVisitedColor(0x800080);
    SetPreFontName("Courier New");
    SetOptions(HtOption(htPrintTableBackground) | HtOption(htPrintMonochromeBlack));
    FConstructing = false;
}

TPageViewer::~TPageViewer() {
    // The document lets go of its pictures before the cache that holds them.
    if (FDocument) FDocument->Clear();
    if (FOwnCache && FDocument) FDocument->CachedImages = nullptr;
    FDocument.reset();
    FOwnCache.reset();
}

void TPageViewer::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = L"TPageViewer";
    params.Style |= WS_CLIPCHILDREN;
}

void TPageViewer::Paint() {
    // The panel and the bars cover the rest; this is the border and the
    // corner between the bars.
    Canvas()->Brush()->SetColor(FDefBackground);
    Canvas()->FillRect(ClientRect());
    const bool single = FBorderStyle == htSingle || (FBorderStyle == htFocused && Focused());
    if (FBorderStyle != htNone) {
        Canvas()->Brush()->SetColor(single ? clWindowFrame : FDefBackground);
        Canvas()->FrameRect(ClientRect());
    }
}

void TPageViewer::WndProc(TMessage& message) {
    if (message.Msg == WM_USER + 100) return WMFormSubmit(message);
    if (ViewerMouseMessage(message)) return;
    // Hidden, the viewer paints nothing; its next paint starts the pictures again.
    if (message.Msg == CM_SHOWINGCHANGED && !Showing() && FAnimationTimer) FAnimationTimer->SetEnabled(false);
    TCustomControl::WndProc(message);
    if (message.Msg == WM_PAINT && message.WParam) PaintChildrenInto(reinterpret_cast<HDC>(message.WParam));
    if (message.Msg == WM_SIZE && !FConstructing) {
        // The size is sent before the position change that records it comes
        // back: without this the layout would take the old width.
        UpdateBounds();
        if (FProcessing) {
            DoScrollBars();
        } else {
            Layout();
        }
        if (FMaxVertical < FPaintPanel->Height())
            VerticalScrollTo(0);
        else
            ScrollTo(FVScrollBar->Position());
        SetHScrollPos(std::min(GetHScrollPos(), GetHScrollBarRange()));
    }
}

void TPageViewer::PaintChildrenInto(HDC dc) {
    // A paint into a given context (a capture of the whole control) has the
    // document and the bars too, not only the frame around them.
    for (TWinControl* child : {static_cast<TWinControl*>(FPaintPanel), static_cast<TWinControl*>(FVScrollBar),
                               static_cast<TWinControl*>(FHScrollBar)}) {
        if (!child->Visible() || !child->HandleAllocated()) continue;
        const int saved = SaveDC(dc);
        OffsetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
        if (child == FPaintPanel)
            FPaintPanel->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(dc));
        else
            SendMessageW(child->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT);
        RestoreDC(dc, saved);
    }
}

void TPageViewer::DoEnter() {
    TCustomControl::DoEnter();
    DrawBorder();
}

void TPageViewer::DoExit() {
    TCustomControl::DoExit();
    DrawBorder();
}

void TPageViewer::DrawBorder() {
    // Only the one-pixel frame changes; the panel inside keeps its pixels.
    if (FBorderStyle == htNone || !HandleAllocated()) return;
    RECT r{0, 0, Width(), Height()};
    InvalidateRect(Handle(), &r, FALSE);
}

void TPageViewer::SetBorderStyle(THTMLBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    DoScrollBars();
    TCustomControl::Invalidate();
}

void TPageViewer::SetProcessing(bool value) {
    if (FProcessing == value) return;
    FProcessing = value;
    if (OnProcessing) OnProcessing(this, value);
}

void TPageViewer::SetColor(TColor color) {
    if (FProcessing) return;
    FDefBackground = color;
    FDocument->SetBackground(color);
    FPaintPanel->SetColor(color);
    TControl::SetColor(color);
    InvalidatePanel();
}

void TPageViewer::SetScrollBars(TScrollStyle value) {
    if (value == FScrollBars) return;
    FScrollBars = value;
    if (!HandleAllocated() || FProcessing) return;
    SetProcessing(true);
    struct Off {
        TPageViewer* V;
        ~Off() { V->SetProcessing(false); }
    } off{this};
    DoLogic();
    InvalidatePanel();
}

void TPageViewer::SetOptions(TPageViewerOptions options) {
    if (options == FOptions) return;
    FOptions = options;
    FDocument->LinkHoverEnabled = (options & HtOption(htOverLinksActive)) != 0;
    FDocument->TableBackgroundsPrinted =
        (options & (HtOption(htPrintTableBackground) | HtOption(htPrintBackground))) != 0;
    FDocument->PrintTextBlack = (options & HtOption(htPrintMonochromeBlack)) != 0;
    FDocument->DummyCaretWanted = (options & HtOption(htShowDummyCaret)) != 0;
}

void TPageViewer::SetImageCacheCount(int count) {
    count = std::clamp(count, 0, 20);
    if (count == FImageCacheCount) return;
    FImageCacheCount = count;
    if (FDocument->CachedImages) FDocument->CachedImages->SetCacheCount(count);
}

// ---- loading

void TPageViewer::SetFontsFromSettings() {
    FDocument->SetFonts(DefFontName, DefPreFontName, FDefFontSize, DefFontColor, DefHotSpotColor, DefVisitedLinkColor,
                        DefOverLinkColor, FDefBackground, (FOptions & HtOption(htOverLinksActive)) != 0,
                        (FOptions & HtOption(htNoLinkUnderline)) == 0, CharSet, MarginHeight, MarginWidth);
}

void TPageViewer::InitLoad() {
    if (!FDocument->CachedImages) {
        FOwnCache = std::make_unique<TStringBitmapList>();
        FOwnCache->SetCacheCount(FImageCacheCount);
        FDocument->CachedImages = FOwnCache.get();
    }
    FDocument->Clear();
    FDocument->CachedImages->BumpAndCheck();
    SetFontsFromSettings();
}

void TPageViewer::Clear() {
    if (FProcessing || DeferWhilePrinted([this] { Clear(); })) return;
    // A tick after this would report leaving a link of a page that is gone.
    if (FHoverTimer) FHoverTimer->SetEnabled(false);
    FDocument->Clear();
    if (FOwnCache) FOwnCache->Clear();
    SetFontsFromSettings();
    FBase.clear();
    FBase2.clear();
    FBaseTarget.clear();
    FTitle.clear();
    FCaretPos = 0;
    FSelAnchor = -1;
    StopSound();
    FMaxVertical = 0;
    FScrollWidth = 0;
    FVScrollBar->SetParams(0, 1, 0, 0);
    FVScrollBar->SetVisible(false);
    FHScrollBar->SetVisible(false);
    FDocument->SetYOffset(0);
    InvalidatePanel();
}

TReaderCallbacks TPageViewer::ReaderCallbacks() {
    TReaderCallbacks callbacks;
    callbacks.OnInclude = OnInclude;
    callbacks.OnSoundRequest = OnSoundRequest;
    callbacks.OnMeta = Bind(this, &TPageViewer::HandleMeta);
    callbacks.OnLink = OnLink;
    callbacks.OnScript = OnScript;
    if (OnhtStreamRequest)
        callbacks.OnStyleSheetRequest = [this](const std::string& href, std::string& text, std::string& base) {
            // The name as the host's own expander makes it full; the sheet's
            // relative URLs then go by that name.
            std::string name = href;
            if (FOnExpandName) {
                FOnExpandName(this, href, name);
                base = GetBase(name);
            }
            TStream* stream = nullptr;
            OnhtStreamRequest(this, name, stream);
            if (!stream || stream->Size() > INT32_MAX) return false;
            text.assign(static_cast<size_t>(std::max<int64_t>(0, stream->Size())), '\0');
            stream->SetPosition(0);
            if (!text.empty()) stream->ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
            return true;
        };
    return callbacks;
}

void TPageViewer::StopSound() {
    if (OnSoundRequest) OnSoundRequest(this, std::string(), 0, true);
}

void TPageViewer::ParseSource(ThtmlFileType type) {
    if (OnParseBegin) OnParseBegin(this, FSource);
    if (type == TextType) {
        ParseTextString(FSource, FDocument.get());
    } else if (type >= ImgType && !FCurrentFile.empty()) {
        // The full name: a relative one would be taken from the picture's
        // own folder a second time.
        ParseHTMLString("<img src=\"" + FCurrentFile + "\">", FDocument.get(), TReaderCallbacks(), this);
    } else {
        ParseHTMLString(FSource, FDocument.get(), ReaderCallbacks(), this);
    }
}

void TPageViewer::SetupAndLogic() {
    const TReaderResults& results = ReaderResults();
    FTitle = results.Title;
    FBase = results.Base.empty() ? FBase2 : results.Base;
    FBaseTarget = results.BaseTarget;
    if (OnParseEnd) OnParseEnd(this);
    TFlagScope inLogic(FInLogic);
    FDocument->GetBackgroundBitmap();
    DoLogic();
}

void TPageViewer::FireMetaRefresh() {
    if (FRefreshDelay > 0 && OnMetaRefresh) OnMetaRefresh(this, FRefreshDelay, FRefreshURL);
}

// The panel invalidated once for the whole of a load, when it ends: each
// step of a load asks for it, and every request is a call into the window
// system, which on some systems costs more than laying out a short article.
class TPageViewer::TInvalidateOnce {
public:
    explicit TInvalidateOnce(TPageViewer* viewer) : FViewer(viewer) { ++FViewer->FInvalidateHold; }
    ~TInvalidateOnce() {
        if (--FViewer->FInvalidateHold == 0 && FViewer->FInvalidatePending) {
            FViewer->FInvalidatePending = false;
            FViewer->InvalidatePanel();
        }
    }
    TInvalidateOnce(const TInvalidateOnce&) = delete;
    TInvalidateOnce& operator=(const TInvalidateOnce&) = delete;

private:
    TPageViewer* FViewer;
};

void TPageViewer::LoadString(const std::string& source, const std::string& reference, ThtmlFileType type) {
    if (FProcessing) return;
    TInvalidateOnce invalidateOnce(this);
    SetProcessing(true);
    bool started = false;
    struct Off {
        TPageViewer* V;
        const bool& Started;
        ~Off() {
            if (Started) V->htProgressEnd();
            V->FInLogic = false;
            V->SetProcessing(false);
        }
    } off{this, started};
    FRefreshDelay = 0;
    std::string name, anchor;
    SplitAnchor(reference, name, anchor);
    FInLogic = true;
    const std::string oldFile = FCurrentFile;
    FCurrentFile = name.empty() ? std::string() : ::ExpandFileName(name);
    FFileType = type;
    FDocument->ProgressBase = 75;
    started = true;
    htProgressInit();
    InitLoad();
    FCaretPos = 0;
    FSelAnchor = -1;
    StopSound();
    FSource = source;
    // Only a file load makes a lone picture.
    ParseSource(type == TextType ? TextType : HTMLType);
    SetupAndLogic();
    CheckVisitedLinks();
    if ((anchor.empty() || !PositionTo(anchor)) && (FCurrentFile.empty() || FCurrentFile != oldFile)) {
        ScrollTo(0);
        SetHScrollPos(0);
    } else {
        KeepPositionInRange();
    }
    FInLogic = false;
    InvalidatePanel();
}

void TPageViewer::LoadFile(const std::string& fileName, ThtmlFileType type) {
    THourglass hourglass;
    TInvalidateOnce invalidateOnce(this);
    std::string name, anchor;
    SplitAnchor(fileName, name, anchor);
    FRefreshDelay = 0;
    SetProcessing(true);
    {
        struct Off {
            TPageViewer* V;
            ~Off() {
                V->htProgressEnd();
                V->FInLogic = false;
                V->SetProcessing(false);
            }
        } off{this};
        if (!FileExists(name)) throw EInOutError("Can't locate file: " + name);
        FDocument->ProgressBase = 75;
        htProgressInit();
        FInLogic = true;
        InitLoad();
        FCaretPos = 0;
        FSelAnchor = -1;
        const std::string oldFile = FCurrentFile;
        FCurrentFile = ::ExpandFileName(name);
        FFileType = type;
        // What was built is laid out and shown even when reading fails midway.
        struct Finish {
            TPageViewer* V;
            const std::string& Anchor;
            const std::string& OldFile;
            ~Finish() {
                try {
                    V->SetupAndLogic();
                    V->CheckVisitedLinks();
                    if ((Anchor.empty() || !V->PositionTo(Anchor)) && V->FCurrentFile != OldFile) {
                        V->ScrollTo(0);
                        V->SetHScrollPos(0);
                    } else {
                        V->KeepPositionInRange();
                    }
                } catch (...) {
                }
                V->FInLogic = false;
                V->InvalidatePanel();
            }
        } finish{this, anchor, oldFile};
        if (type >= ImgType) {
            FSource.clear();
        } else {
            TFileStream stream(name, fmOpenRead | fmShareDenyWrite);
            std::string source(static_cast<size_t>(std::max<int64_t>(0, stream.Size())), '\0');
            if (!source.empty()) stream.ReadBuffer(source.data(), static_cast<int32_t>(source.size()));
            FSource = std::move(source);
        }
        if (type == HTMLType) StopSound();
        ParseSource(type);
    }
    FireMetaRefresh();
}

void TPageViewer::LoadFromString(const std::string& source, const std::string& reference) {
    if (DeferWhilePrinted([this, source, reference] { LoadFromString(source, reference); })) return;
    LoadString(source, reference, HTMLType);
    FireMetaRefresh();
}

void TPageViewer::LoadTextFromString(const std::string& source) {
    if (DeferWhilePrinted([this, source] { LoadTextFromString(source); })) return;
    LoadString(source, "", TextType);
}

// The loads below read what they are given at once: a load put off by a
// print job keeps its own copy.
void TPageViewer::LoadStrings(const TStrings* strings, const std::string& reference) {
    if (strings) LoadFromString(strings->Text(), reference);
}

void TPageViewer::LoadTextStrings(const TStrings* strings) {
    if (strings) LoadTextFromString(strings->Text());
}

void TPageViewer::LoadFromBuffer(const char* buffer, int size, const std::string& reference) {
    LoadFromString(buffer && size > 0 ? std::string(buffer, static_cast<size_t>(size)) : std::string(), reference);
}

void TPageViewer::LoadFromStream(TStream* stream, const std::string& reference) {
    if (FProcessing || !stream) return;
    LoadFromString(ReadWholeStream(stream), reference);
}

// ---- layout

int TPageViewer::LayoutPass(int width) {
    FScrollWidth = 0;
    int positions = 0;
    return FDocument->DoLogic(nullptr, 0, width, Height() - 2 * BorderOffset(), 0, FScrollWidth, positions);
}

void TPageViewer::DoLogic() {
    const bool wasInLogic = FInLogic;
    FInLogic = true;
    struct Restore {
        bool& Flag;
        bool Was;
        ~Restore() { Flag = Was; }
    } restore{FInLogic, wasInLogic};
    const int b = 2 * BorderOffset();
    const int w = Width() - b;
    const int h = Height() - b;
    const int s = FScrollBarWidth;
    if (FScrollBars == ssNone || FScrollBars == ssHorizontal) {
        FMaxVertical = LayoutPass(w);
    } else if ((FOptions & HtOption(htShowVScroll)) || FSource.size() > kLongSource) {
        FMaxVertical = LayoutPass(w - s);
    } else {
        FMaxVertical = LayoutPass(w);
        const bool withBars = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
        const bool needed = FMaxVertical >= h || (withBars && FMaxVertical >= h - s && w - s < FScrollWidth);
        if (needed) {
            FMaxVertical = LayoutPass(w - s);
            const bool stillNeeded = FMaxVertical >= h || (withBars && FMaxVertical >= h - s && w < FScrollWidth);
            if (!stillNeeded) FMaxVertical = LayoutPass(w);
        }
    }
    DoScrollBars();
    // The system's I-beam gives way to the engine's own text cursor.
    if (Cursor() == crIBeam) SetCursor(ThickIBeamCursor);
}

void TPageViewer::DoScrollBars() {
    FScrollWidth = std::min(FScrollWidth, kMaxScrollWidth);
    const int offset = BorderOffset();
    const int b = 2 * offset;
    const int H = Height(), Wd = Width(), S = FScrollBarWidth;
    const bool showV = (FOptions & HtOption(htShowVScroll)) != 0;
    bool V = false, E = false, Hz = false;
    if ((!showV && FMaxVertical < H - b && Wd - b >= FScrollWidth) || FScrollBars == ssNone) {
    } else if (FScrollBars == ssHorizontal) {
        Hz = Wd - b < FScrollWidth;
    } else {
        E = FMaxVertical >= H - b || (FScrollBars == ssBoth && FMaxVertical >= H - b - S && Wd - S - b < FScrollWidth);
        Hz = FScrollBars == ssBoth && (Wd - b < FScrollWidth || ((E || showV) && Wd - S - b < FScrollWidth));
        V = E || showV;
    }
    const int EW = V || (showV && (FScrollBars == ssVertical || FScrollBars == ssBoth)) ? Wd - S : Wd;
    const int panelWidth = std::max(0, EW - b);
    const int panelHeight = std::max(0, Hz ? H - b - S : H - b);
    FPaintPanel->SetBounds(offset, offset, panelWidth, panelHeight);

    FHScrollBar->SetVisible(Hz);
    FHScrollBar->LargeChange = std::max(1, EW - 20);
    FHScrollBar->SetBounds(offset, H - S - offset, std::max(0, EW - offset), S);
    const int hMax = std::max(0, std::max(FScrollWidth, EW - b));
    FHScrollBar->SetParams(std::min(FHScrollBar->Position(), hMax), 0, hMax);
    FHScrollBar->SetPageSize(EW);

    FVScrollBar->SetBounds(Wd - S - offset, offset, S, panelHeight);
    FVScrollBar->LargeChange = std::max(1, panelHeight - kSmallChangeV);
    if (showV) {
        FVScrollBar->SetVisible(FScrollBars == ssVertical || FScrollBars == ssBoth);
        FVScrollBar->SetEnabled(E);
    } else {
        FVScrollBar->SetVisible(V);
    }
    FVScrollBar->SetParams(FVScrollBar->Position(), panelHeight + 1, FMaxVertical, 0);
}

void TPageViewer::Layout() {
    if (FProcessing) return;
    SetProcessing(true);
    struct Off {
        TPageViewer* V;
        ~Off() {
            V->htProgressEnd();
            V->SetProcessing(false);
        }
    } off{this};
    const int position = GetPosition();
    FDocument->ProgressBase = 0;
    htProgressInit();
    DoLogic();
    SetPosition(position);
}

bool TPageViewer::VScrollBarVisible() const { return FVScrollBar->Visible(); }
bool TPageViewer::VScrollBarEnabled() const { return FVScrollBar->Enabled(); }
bool TPageViewer::HScrollBarVisible() const { return FHScrollBar->Visible(); }

// ---- scrolling

void TPageViewer::VerticalScrollTo(int position) {
    const int old = FDocument->ScrollY;
    FVScrollBar->SetParams(position, FVScrollBar->PageSize(), FVScrollBar->Max(), FVScrollBar->Min());
    FDocument->SetYOffset(position);
    if (old == position) return;
    if (FFixedBackground || !FPaintPanel->HandleAllocated()) {
        InvalidatePanel();
    } else {
        // Only the strip the scroll uncovers is painted again.
        ScrollWindowEx(FPaintPanel->Handle(), 0, old - position, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
        FPaintPanel->Update();
    }
}

void TPageViewer::ScrollTo(int y) {
    y = std::max(0, std::min(y, FMaxVertical - FPaintPanel->Height()));
    FVScrollBar->SetParams(y, FVScrollBar->PageSize(), FVScrollBar->Max(), FVScrollBar->Min());
    FDocument->SetYOffset(y);
    InvalidatePanel();
}

int TPageViewer::GetScrollPos() const { return FDocument->ScrollY; }

void TPageViewer::KeepPositionInRange() {
    // The same page reloaded keeps its place, but a shorter one must not
    // leave the pane past its end.
    if (GetScrollPos() > std::max(0, GetScrollBarRange())) ScrollTo(GetScrollPos());
}

void TPageViewer::SetScrollPos(int y) {
    y = std::min(std::max(0, y), GetScrollBarRange());
    if (y != GetScrollPos()) ScrollTo(y);
}

int TPageViewer::GetScrollBarRange() const { return FMaxVertical - FPaintPanel->Height(); }

int TPageViewer::GetHScrollPos() const { return FHScrollBar->Position(); }

void TPageViewer::SetHScrollPos(int x) {
    x = std::max(0, std::min(x, GetHScrollBarRange()));
    FHScrollBar->SetPosition(x);
    InvalidatePanel();
}

int TPageViewer::GetHScrollBarRange() const { return FHScrollBar->Max() - FPaintPanel->Width(); }

void TPageViewer::HorizontalScroll(TObject*, TScrollCode, int& position) {
    position = std::max(0, std::min(position, GetHScrollBarRange()));
    InvalidatePanel();
}

// ---- painting

void TPageViewer::HTMLPaint(TObject*) {
    if (FInLogic) return;
    TCanvas* canvas = FPaintPanel->OffscreenCanvas();
    if (!canvas) return;
    const TRect rect{0, 1, FPaintPanel->Width(), FPaintPanel->Height()};
    // Absolutely positioned boxes are placed from the page's left edge, which
    // the horizontal scroll moves as it moves the rest.
    const int x = -GetHScrollPos();
    FDocument->Draw(canvas, rect, kMaxScrollWidth, x, 0, x, 0);
}

void TPageViewer::BackgroundChange(TObject*) {
    FPaintPanel->SetColor(FDocument->Background);
    InvalidatePanel();
}

void TPageViewer::InvalidatePanel() {
    if (FInvalidateHold > 0)
        FInvalidatePending = true;
    else if (FPaintPanel)
        FPaintPanel->Invalidate();
}

TWinControl* TPageViewer::PaintPanel() { return FPaintPanel; }


