// The frame viewer control: its shared settings, loading, links and targets.
#include "viewer/frame_viewer.h"

#include <algorithm>
#include <climits>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/timer.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "html/image_cache.h"
#include "html/urls.h"

namespace {

// Posted to the frame viewer: free what was taken out of its frames.
constexpr unsigned kReleaseRetiredMessage = WM_USER + 0x106;

class TWindowRefreshTimer : public TRefreshTimer {
public:
    TWindowRefreshTimer() : FTimer(new TTimer(nullptr)) {
        FTimer->SetEnabled(false);
        FTimer->SetOnTimer([this](TObject* sender) {
            if (OnTimer) OnTimer(sender);
        });
    }
    void Start(unsigned intervalMs) override {
        FTimer->SetEnabled(false);
        FTimer->SetInterval(intervalMs);
        FTimer->SetEnabled(true);
    }
    void Stop() override { FTimer->SetEnabled(false); }

private:
    owned_ptr<TTimer> FTimer;
};

void SplitAt(const std::string& s, char c, std::string& head, std::string& tail) {
    const size_t at = s.find(c);
    head = s.substr(0, at);
    tail = at == std::string::npos ? std::string() : s.substr(at + 1);
}

bool IsAbsoluteName(const std::string& name) {
    return (name.size() > 1 && name[1] == ':') || (name.size() > 1 && name[0] == '\\' && name[1] == '\\');
}

int gFrameHistorySequence = 0;

}  // namespace

int NextFrameHistorySequence() {
    if (gFrameHistorySequence == INT_MAX - 1) gFrameHistorySequence = 0;
    return gFrameHistorySequence++;
}

void SetFrameHistorySequence(int next) { gFrameHistorySequence = std::max(0, next); }

unsigned RefreshIntervalMs(long long delaySeconds) {
    // The largest interval a window timer takes.
    constexpr long long kMaxTimerMs = 0x7FFFFFFF;
    if (delaySeconds <= 0) return 1000;
    if (delaySeconds >= kMaxTimerMs / 1000) return static_cast<unsigned>(kMaxTimerMs);
    return static_cast<unsigned>(delaySeconds * 1000);
}

// ---- TFVBase

TFVBase::TFVBase(TComponent* AOwner) : TCustomControl(AOwner) {}

void TFVBase::WndProc(TMessage& message) {
    if (message.Msg == WM_ERASEBKGND) {
        // The frame sets cover the whole client area.
        message.Result = 1;
        return;
    }
    TCustomControl::WndProc(message);
}

void TFVBase::ForEachViewer(const std::function<void(TPageViewer*)>& apply) {
    const int count = GetCurViewerCount();
    for (int i = 0; i < count; ++i)
        if (TPageViewer* viewer = GetCurViewer(i)) apply(viewer);
}

void TFVBase::CopySettingsTo(TPageViewer* v) {
    v->SetColor(FDefBackground);
    v->CharSet = FCharSet;
    v->SetViewImages(FViewImages);
    v->SetImageCacheCount(FImageCacheCount);
    v->SetNoSelect(FNoSelect);
    v->DefFontName = FDefFontName;
    v->SetPreFontName(FDefPreFontName);
    v->SetFontSize(FDefFontSize);
    v->DefFontColor = FDefFontColor;
    v->SetHotSpotColor(FDefHotSpotColor);
    v->SetVisitedColor(FDefVisitedLinkColor);
    v->SetActiveColor(FDefOverLinkColor);
    v->SetVisitedMaxCount(FVisitedMaxCount);
    v->SetHistoryMaxCount(FHistoryMaxCount);
    v->SetCursor(FViewerCursor);
    v->PrintMarginLeft = FPrintMarginLeft;
    v->PrintMarginRight = FPrintMarginRight;
    v->PrintMarginTop = FPrintMarginTop;
    v->PrintMarginBottom = FPrintMarginBottom;
    v->SetPrintScale(FPrintScale);
    v->MarginWidth = FMarginWidth;
    v->MarginHeight = FMarginHeight;
    v->OnInclude = OnInclude;
    v->OnSoundRequest = OnSoundRequest;
    v->OnScript = OnScript;
    v->OnLink = OnLink;
    v->OnMeta = FOnMeta;
    v->OnParseBegin = FOnParseBegin;
    v->OnParseEnd = FOnParseEnd;
    v->OnPrintHeader = FOnPrintHeader;
    v->OnPrintFooter = FOnPrintFooter;
    v->OnPrintHTMLHeader = FOnPrintHTMLHeader;
    v->OnPrintHTMLFooter = FOnPrintHTMLFooter;
    v->OnMouseDown = FOnViewerMouseDown;
    v->OnMouseMove = FOnViewerMouseMove;
    v->OnMouseUp = FOnViewerMouseUp;
    v->OnKeyDown = FOnViewerKeyDown;
    v->OnKeyUp = FOnViewerKeyUp;
    v->OnKeyPress = FOnViewerKeyPress;
    v->OnImageClick = FOnImageClick;
    v->OnImageOver = FOnImageOver;
    v->SetOnFileBrowse(FOnFileBrowse);
    v->SetOnObjectClick(FOnObjectClick);
    v->SetOnObjectFocus(FOnObjectFocus);
    v->SetOnObjectBlur(FOnObjectBlur);
    v->SetOnObjectChange(FOnObjectChange);
    v->OnRightClick = FOnRightClick;
    v->OnMouseDouble = FOnMouseDouble;
    v->SetOnPanelCreate(FOnPanelCreate);
    v->SetOnPanelDestroy(FOnPanelDestroy);
    v->SetOnPanelPrint(FOnPanelPrint);
}

void TFVBase::SetOnImageClick(TPageViewer::TImageClickEvent handler) {
    StoreEvent(FOnImageClick, std::move(handler), [](TPageViewer* v, const auto& h) { v->OnImageClick = h; });
}

void TFVBase::SetOnImageOver(TPageViewer::TImageOverEvent handler) {
    StoreEvent(FOnImageOver, std::move(handler), [](TPageViewer* v, const auto& h) { v->OnImageOver = h; });
}

void TFVBase::SetOnFileBrowse(TPageViewer::TFileBrowseEvent handler) {
    StoreEvent(FOnFileBrowse, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnFileBrowse(h); });
}

void TFVBase::SetOnObjectClick(TPageViewer::TObjectScriptEvent handler) {
    StoreEvent(FOnObjectClick, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnObjectClick(h); });
}

void TFVBase::SetOnObjectFocus(TPageViewer::TObjectScriptEvent handler) {
    StoreEvent(FOnObjectFocus, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnObjectFocus(h); });
}

void TFVBase::SetOnObjectBlur(TPageViewer::TObjectScriptEvent handler) {
    StoreEvent(FOnObjectBlur, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnObjectBlur(h); });
}

void TFVBase::SetOnObjectChange(TPageViewer::TObjectScriptEvent handler) {
    StoreEvent(FOnObjectChange, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnObjectChange(h); });
}

void TFVBase::SetOnRightClick(TPageViewer::TRightClickEvent handler) {
    StoreEvent(FOnRightClick, std::move(handler), [](TPageViewer* v, const auto& h) { v->OnRightClick = h; });
}

void TFVBase::SetOnMouseDouble(TMouseEvent handler) {
    StoreEvent(FOnMouseDouble, std::move(handler), [](TPageViewer* v, const auto& h) { v->OnMouseDouble = h; });
}

void TFVBase::SetOnPanelCreate(TPageViewer::TPanelCreateEvent handler) {
    StoreEvent(FOnPanelCreate, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnPanelCreate(h); });
}

void TFVBase::SetOnPanelDestroy(TPageViewer::TPanelDestroyEvent handler) {
    StoreEvent(FOnPanelDestroy, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnPanelDestroy(h); });
}

void TFVBase::SetOnPanelPrint(TPageViewer::TPanelPrintEvent handler) {
    StoreEvent(FOnPanelPrint, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnPanelPrint(h); });
}

void TFVBase::SetViewImages(bool value) {
    Spread(FViewImages, value, [&](TPageViewer* v) { v->SetViewImages(value); });
}

void TFVBase::SetImageCacheCount(int value) {
    value = std::clamp(value, 0, 20);
    if (value == FImageCacheCount) return;
    FImageCacheCount = value;
    if (TStringBitmapList* cache = SharedImageCache()) cache->SetCacheCount(value);
    ForEachViewer([&](TPageViewer* v) { v->SetImageCacheCount(value); });
}

void TFVBase::SetNoSelect(bool value) {
    Spread(FNoSelect, value, [&](TPageViewer* v) { v->SetNoSelect(value); });
}

void TFVBase::SetPrintMarginLeft(double value) {
    Spread(FPrintMarginLeft, value, [&](TPageViewer* v) { v->PrintMarginLeft = value; });
}

void TFVBase::SetPrintMarginRight(double value) {
    Spread(FPrintMarginRight, value, [&](TPageViewer* v) { v->PrintMarginRight = value; });
}

void TFVBase::SetPrintMarginTop(double value) {
    Spread(FPrintMarginTop, value, [&](TPageViewer* v) { v->PrintMarginTop = value; });
}

void TFVBase::SetPrintMarginBottom(double value) {
    Spread(FPrintMarginBottom, value, [&](TPageViewer* v) { v->PrintMarginBottom = value; });
}

void TFVBase::SetPrintScale(double value) {
    Spread(FPrintScale, value, [&](TPageViewer* v) { v->SetPrintScale(value); });
}

void TFVBase::SetMarginWidth(int value) {
    Spread(FMarginWidth, value, [&](TPageViewer* v) { v->MarginWidth = value; });
}

void TFVBase::SetMarginHeight(int value) {
    Spread(FMarginHeight, value, [&](TPageViewer* v) { v->MarginHeight = value; });
}

void TFVBase::SetDefBackground(TColor value) {
    Spread(FDefBackground, value, [&](TPageViewer* v) { v->SetColor(value); });
}

void TFVBase::SetDefFontName(const std::string& value) {
    Spread(FDefFontName, value, [&](TPageViewer* v) { v->DefFontName = value; });
}

void TFVBase::SetDefPreFontName(const std::string& value) {
    Spread(FDefPreFontName, value, [&](TPageViewer* v) { v->SetPreFontName(value); });
}

void TFVBase::SetDefFontSize(int value) {
    Spread(FDefFontSize, value, [&](TPageViewer* v) { v->SetFontSize(value); });
}

void TFVBase::SetDefFontColor(TColor value) {
    Spread(FDefFontColor, value, [&](TPageViewer* v) { v->DefFontColor = value; });
}

void TFVBase::SetDefHotSpotColor(TColor value) {
    Spread(FDefHotSpotColor, value, [&](TPageViewer* v) { v->SetHotSpotColor(value); });
}

void TFVBase::SetDefVisitedLinkColor(TColor value) {
    Spread(FDefVisitedLinkColor, value, [&](TPageViewer* v) { v->SetVisitedColor(value); });
}

void TFVBase::SetDefOverLinkColor(TColor value) {
    Spread(FDefOverLinkColor, value, [&](TPageViewer* v) { v->SetActiveColor(value); });
}

void TFVBase::SetVisitedMaxCount(int value) {
    value = std::max(0, value);
    if (value == FVisitedMaxCount) return;
    FVisitedMaxCount = value;
    ForEachViewer([&](TPageViewer* v) { v->SetVisitedMaxCount(value); });
}

void TFVBase::SetHistoryMaxCount(int value) {
    if (value < 0 || value == FHistoryMaxCount) return;
    FHistoryMaxCount = value;
    ForEachViewer([&](TPageViewer* v) {
        v->ClearHistory();
        v->SetHistoryMaxCount(value);
    });
}

void TFVBase::SetViewerCursor(TCursor value) {
    Spread(FViewerCursor, value, [&](TPageViewer* v) { v->SetCursor(value); });
}

void TFVBase::SetCharSet(uint8_t value) {
    Spread(FCharSet, value, [&](TPageViewer* v) { v->CharSet = value; });
}

void TFVBase::SetOnParseBegin(TParseEvent handler) {
    FOnParseBegin = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnParseBegin = FOnParseBegin; });
}

void TFVBase::SetOnParseEnd(TNotifyEvent handler) {
    FOnParseEnd = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnParseEnd = FOnParseEnd; });
}

void TFVBase::SetOnInclude(TIncludeEvent handler) {
    OnInclude = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnInclude = OnInclude; });
}

void TFVBase::SetOnSoundRequest(TSoundEvent handler) {
    OnSoundRequest = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnSoundRequest = OnSoundRequest; });
}

void TFVBase::SetOnScript(TScriptEvent handler) {
    OnScript = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnScript = OnScript; });
}

void TFVBase::SetOnLink(TLinkEvent handler) {
    OnLink = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnLink = OnLink; });
}

void TFVBase::SetOnPrintHeader(TEvent<TCanvas*, int, int, int, bool&> handler) {
    FOnPrintHeader = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnPrintHeader = FOnPrintHeader; });
}

void TFVBase::SetOnPrintFooter(TEvent<TCanvas*, int, int, int, bool&> handler) {
    FOnPrintFooter = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnPrintFooter = FOnPrintFooter; });
}

void TFVBase::SetOnPrintHTMLHeader(TEvent<TPageViewer*, int, bool, int&, int&, bool&> handler) {
    FOnPrintHTMLHeader = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnPrintHTMLHeader = FOnPrintHTMLHeader; });
}

void TFVBase::SetOnPrintHTMLFooter(TEvent<TPageViewer*, int, bool, int&, int&, bool&> handler) {
    FOnPrintHTMLFooter = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnPrintHTMLFooter = FOnPrintHTMLFooter; });
}

void TFVBase::SetOnViewerMouseDown(TMouseEvent handler) {
    FOnViewerMouseDown = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnMouseDown = FOnViewerMouseDown; });
}

void TFVBase::SetOnViewerMouseMove(TMouseMoveEvent handler) {
    FOnViewerMouseMove = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnMouseMove = FOnViewerMouseMove; });
}

void TFVBase::SetOnViewerMouseUp(TMouseEvent handler) {
    FOnViewerMouseUp = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnMouseUp = FOnViewerMouseUp; });
}

void TFVBase::SetOnViewerKeyDown(TKeyEvent handler) {
    FOnViewerKeyDown = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnKeyDown = FOnViewerKeyDown; });
}

void TFVBase::SetOnViewerKeyUp(TKeyEvent handler) {
    FOnViewerKeyUp = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnKeyUp = FOnViewerKeyUp; });
}

void TFVBase::SetOnViewerKeyPress(TKeyPressEvent handler) {
    FOnViewerKeyPress = std::move(handler);
    ForEachViewer([&](TPageViewer* v) { v->OnKeyPress = FOnViewerKeyPress; });
}

void TFVBase::Print(int fromPage, int toPage) {
    if (TPageViewer* v = GetActiveViewer()) v->Print(fromPage, toPage);
}

int TFVBase::NumPrinterPages() {
    TPageViewer* v = GetActiveViewer();
    return v ? v->NumPrinterPages() : 0;
}

void TFVBase::CopyToClipboard() {
    TPageViewer* v = GetActiveViewer();
    if (v && v->GetSelLength() != 0) v->CopyToClipboard();
}

void TFVBase::SelectAll() {
    if (TPageViewer* v = GetActiveViewer()) v->SelectAll();
}

bool TFVBase::Find(const std::wstring& S, bool caseSensitive) {
    TPageViewer* v = GetActiveViewer();
    return v ? v->Find(S, caseSensitive) : false;
}

bool TFVBase::FindEx(const std::wstring& S, bool caseSensitive, bool reverse) {
    TPageViewer* v = GetActiveViewer();
    return v ? v->FindEx(S, caseSensitive, reverse) : false;
}

std::wstring TFVBase::GetSelText() {
    TPageViewer* v = GetActiveViewer();
    return v ? v->GetSelText() : std::wstring();
}

int TFVBase::GetSelTextBuf(wchar_t* buffer, int bufferSize) {
    TPageViewer* v = GetActiveViewer();
    return v ? v->GetSelTextBuf(buffer, bufferSize) : 0;
}

int TFVBase::GetSelLength() {
    TPageViewer* v = GetActiveViewer();
    return v ? v->GetSelLength() : 0;
}

void TFVBase::SetSelLength(int value) {
    if (TPageViewer* v = GetActiveViewer()) v->SetSelLength(value);
}

int TFVBase::GetSelStart() {
    TPageViewer* v = GetActiveViewer();
    return v ? v->SelStart() : 0;
}

void TFVBase::SetSelStart(int value) {
    if (TPageViewer* v = GetActiveViewer()) v->SetSelStart(value);
}

int TFVBase::GetCaretPos() {
    TPageViewer* v = GetActiveViewer();
    return v ? v->CaretPos() : 0;
}

void TFVBase::SetCaretPos(int value) {
    if (TPageViewer* v = GetActiveViewer()) v->SetCaretPos(value);
}

bool TFVBase::InsertImage(const std::string& source, TMemoryStream* stream) {
    TPageViewer* v = GetActiveViewer();
    return v ? v->InsertImage(source, stream) : false;
}

void TFVBase::SetFocus() {
    TPageViewer* v = GetActiveViewer();
    if (v && v->CanFocus()) v->SetFocus();
    else TCustomControl::SetFocus();
}

// ---- TFrameViewer

TFrameViewer::TFrameViewer(TComponent* AOwner) : TFVBase(AOwner) {
    SetBounds(0, 0, 150, 150);
    TabStop = false;
    FrameViewerObject = this;
    FViewerCursor = ThickIBeamCursor;
    FImageCache = std::make_unique<TStringBitmapList>();
    FImageCache->SetCacheCount(FImageCacheCount);
    FCurFrameSet = NewFrameSet();
}

TFrameViewer::~TFrameViewer() = default;

void TFrameViewer::BeforeDestruction() {
    // The sets and their viewers go before the image cache they share.
    FHistory.clear();
    FCurFrameSet.reset();
    FRetiredSets.clear();
    FRetired.clear();
    TFVBase::BeforeDestruction();
}

std::shared_ptr<TFrameSet> TFrameViewer::NewFrameSet() {
    std::shared_ptr<TFrameSet> set(new TFrameSet(nullptr, this), TObjectDeleter{});
    set->SetParent(this);
    set->SetAlign(alClient);
    // Drags over the borders between the frames go to the host's handlers too.
    set->OnDragOver = [this](TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept) {
        accept = static_cast<bool>(FOnDragOver);
        if (accept) FOnDragOver(sender, source, x, y, state, accept);
    };
    set->OnDragDrop = [this](TObject* sender, TObject* source, int x, int y) {
        if (FOnDragDrop) FOnDragDrop(sender, source, x, y);
    };
    return set;
}

std::unique_ptr<TRefreshTimer> TFrameViewer::MakeRefreshTimer() {
    if (RefreshTimerFactory) return RefreshTimerFactory();
    return std::make_unique<TWindowRefreshTimer>();
}

void TFrameViewer::CopySettingsTo(TPageViewer* v) {
    TFVBase::CopySettingsTo(v);
    v->SetOptions(PageViewerOptions());
    v->SetServerRoot(FServerRoot);
    v->SetOnImageRequest(FOnImageRequest);
    v->SetOnBitmapRequest(FOnBitmapRequest);
    v->SetOnFormSubmit(FOnFormSubmit);
    v->SetDragDrop(FOnDragDrop);
    v->SetDragOver(FOnDragOver);
    v->OnProgress = FOnProgress;
}

void TFrameViewer::SetOnImageRequest(TPageViewer::TGetImageEvent handler) {
    StoreEvent(FOnImageRequest, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnImageRequest(h); });
}

void TFrameViewer::SetOnBitmapRequest(TPageViewer::TGetBitmapEvent handler) {
    StoreEvent(FOnBitmapRequest, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnBitmapRequest(h); });
}

void TFrameViewer::SetOnFormSubmit(TPageViewer::TFormSubmitEvent handler) {
    StoreEvent(FOnFormSubmit, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetOnFormSubmit(h); });
}

void TFrameViewer::SetOnDragDrop(TPageViewer::TDragDropEvent handler) {
    StoreEvent(FOnDragDrop, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetDragDrop(h); });
}

void TFrameViewer::SetOnDragOver(TPageViewer::TDragOverEvent handler) {
    StoreEvent(FOnDragOver, std::move(handler), [](TPageViewer* v, const auto& h) { v->SetDragOver(h); });
}

void TFrameViewer::SetOnProgress(TPageViewer::ThtProgressEvent handler) {
    StoreEvent(FOnProgress, std::move(handler), [](TPageViewer* v, const auto& h) { v->OnProgress = h; });
}

void TFrameViewer::WndProc(TMessage& message) {
    if (message.Msg == kReleaseRetiredMessage) {
        FReleasePosted = false;
        ReleaseRetired();
        return;
    }
    TFVBase::WndProc(message);
}

void ReleaseFromFrame(TPageViewer* viewer) {
    if (!viewer) return;
    viewer->OnHotSpotClick = [](TObject*, const std::string&, bool& handled) { handled = true; };
    viewer->OnHotSpotCovered = nullptr;
    viewer->OnProcessing = nullptr;
    viewer->OnEnter = nullptr;
    viewer->OnMetaRefresh = nullptr;
    viewer->SetFrameOwner(nullptr);
}

void TFrameViewer::Retire(TControl* control) {
    if (!control) return;
    if (auto* base = dynamic_cast<TFrameBase*>(control)) base->DetachFromMaster();
    if (auto* viewer = dynamic_cast<TPageViewer*>(control)) ReleaseFromFrame(viewer);
    control->SetVisible(false);
    if (TComponent* owner = control->Owner()) owner->RemoveComponent(control);
    FRetired.emplace_back(control);
    if (!FReleasePosted && HandleAllocated()) {
        FReleasePosted = PostMessageW(Handle(), kReleaseRetiredMessage, 0, 0) != 0;
    }
}

void TFrameViewer::ReleaseRetired() {
    std::vector<owned_ptr<TControl>> controls;
    controls.swap(FRetired);
    std::vector<std::shared_ptr<TFrameSet>> sets;
    sets.swap(FRetiredSets);
    controls.clear();
    sets.clear();
}

// ---- the parser's calls

void TFrameViewer::AddFrame(TObject* frameSet, TAttributeList* attributes, const std::string& fileName) {
    if (auto* set = dynamic_cast<TSubFrameSet*>(frameSet)) set->AddFrameTag(attributes, fileName);
}

TObject* TFrameViewer::CreateSubFrameSet(TObject* frameSet) {
    auto* set = dynamic_cast<TSubFrameSet*>(frameSet);
    return set ? set->CreateSubSet() : nullptr;
}

void TFrameViewer::DoAttributes(TObject* frameSet, TAttributeList* attributes) {
    if (auto* set = dynamic_cast<TSubFrameSet*>(frameSet)) set->DoAttributes(attributes);
}

void TFrameViewer::EndFrameSet(TObject* frameSet) {
    if (auto* set = dynamic_cast<TSubFrameSet*>(frameSet)) set->EndFrameSet();
}

// ---- requests

bool TFrameViewer::RequestEventAssigned() const {
    return OnStringsRequest || OnStreamRequest || OnBufferRequest || OnFileRequest;
}

bool TFrameViewer::TriggerEvent(const std::string& SRC, EventRec& rec) {
    if (FRequestKept && SRC == FRequestSrc) {
        rec = FRequest;
        return FRequestResult;
    }
    FRequestResult = AskRequestEvents(SRC, FRequest);
    FRequestSrc = SRC;
    FRequestKept = true;
    rec = FRequest;
    return FRequestResult;
}

void TFrameViewer::DoURLRequest(TObject*, const std::string& SRC, TStream*& stream) {
    EventRec rec;
    if (!TriggerEvent(SRC, rec)) return;
    if (!FURLStream) FURLStream = std::make_unique<TMemoryStream>();
    FURLStream->Clear();
    if (!rec.AString.empty()) FURLStream->Write(rec.AString.data(), static_cast<int32_t>(rec.AString.size()));
    FURLStream->SetPosition(0);
    stream = FURLStream.get();
}

bool TFrameViewer::AskRequestEvents(const std::string& SRC, EventRec& rec) {
    rec = EventRec{};
    if (OnStringsRequest) {
        TStrings* strings = nullptr;
        OnStringsRequest(this, SRC, strings);
        if (!strings) return false;
        rec.LStyle = 1;
        rec.AString = strings->Text();
        return true;
    }
    if (OnStreamRequest) {
        TStream* stream = nullptr;
        OnStreamRequest(this, SRC, stream);
        if (!stream) return false;
        const int64_t size = std::max<int64_t>(0, stream->Size());
        std::string text(static_cast<size_t>(size), '\0');
        stream->SetPosition(0);
        if (!text.empty()) stream->ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
        rec.LStyle = 1;
        rec.AString = std::move(text);
        return true;
    }
    if (OnBufferRequest) {
        const char* buffer = nullptr;
        int size = 0;
        OnBufferRequest(this, SRC, buffer, size);
        if (!buffer || size < 1) return false;
        rec.LStyle = 1;
        rec.AString.assign(buffer, static_cast<size_t>(size));
        return true;
    }
    if (OnFileRequest) {
        std::string name;
        OnFileRequest(this, SRC, name);
        if (name.empty()) return false;
        rec.LStyle = 0;
        rec.NewName = name;
        TFileStream stream(name, fmOpenRead | fmShareDenyWrite);
        std::string text(static_cast<size_t>(std::max<int64_t>(0, stream.Size())), '\0');
        if (!text.empty()) stream.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
        rec.AString = std::move(text);
        return true;
    }
    return false;
}

// ---- loading

void TFrameViewer::SetProcessing(bool value) {
    // Each operation asks the request events afresh.
    if (value && !FProcessing) FRequestKept = false;
    FProcessing = value;
    CheckProcessing(this, value);
}

void TFrameViewer::CheckProcessing(TObject*, bool) {
    bool any = FProcessing;
    if (!any && FCurFrameSet)
        for (TPageViewer* v : FCurFrameSet->Viewers)
            if (v->Processing()) {
                any = true;
                break;
            }
    if (any == FAnyProcessing) return;
    FAnyProcessing = any;
    if (OnProcessing) OnProcessing(this, any);
}

void TFrameViewer::RunLoad(const std::function<void()>& body) {
    TProcessingScope processing(this);
    try {
        body();
    } catch (...) {
    }
}

void TFrameViewer::StopSound() {
    if (OnSoundRequest) OnSoundRequest(this, std::string(), 0, true);
}

int TFrameViewer::SingleViewerPosition() const {
    if (!FCurFrameSet || FCurFrameSet->Viewers.size() != 1) return 0;
    return FCurFrameSet->Viewers.front()->GetPosition();
}

void TFrameViewer::LoadFromFile(const std::string& name) {
    if (Processing()) return;
    std::string file, anchor;
    SplitAt(name, '#', file, anchor);
    if (!FileExists(file)) throw EfvLoadError("Can't locate file: " + file);
    LoadFromFileInternal(name);
}

void TFrameViewer::Load(const std::string& SRC) {
    if (Processing() || !RequestEventAssigned()) return;
    LoadFromFileInternal(SRC);
}

void TFrameViewer::ShowFrameSet(const std::shared_ptr<TFrameSet>& set) {
    if (!set || set == FCurFrameSet) return;
    std::shared_ptr<TFrameSet> old = FCurFrameSet;
    const bool redraw = HandleAllocated();
    if (redraw) SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
    set->SetVisible(true);
    set->BringToFront();
    if (old) {
        old->CancelDrag();
        old->SetVisible(false);
        // Only a set the history keeps is worth emptying; others just go.
        const bool kept = std::any_of(FHistory.begin(), FHistory.end(),
                                      [&](const HistoryItem& item) { return item.Set == old; });
        if (kept || FHistoryMaxCount > 0) old->UnloadFiles();
        // Freed after the current message at the earliest: a link of its
        // viewers may be what brought the new set.
        FRetiredSets.push_back(old);
        if (!FReleasePosted && HandleAllocated())
            FReleasePosted = PostMessageW(Handle(), kReleaseRetiredMessage, 0, 0) != 0;
    }
    FCurFrameSet = set;
    if (redraw) {
        SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

void TFrameViewer::LoadFromFileInternal(const std::string& name) {
    TProcessingScope processing(this);
    std::string file, anchor;
    SplitAt(name, '#', file, anchor);
    StopSound();
    const std::string current = FCurFrameSet ? FCurFrameSet->FCurrentFile : std::string();
    const bool sameFile = !current.empty() && SameText(file, current) && FCurFrameSet;
    const int oldPos = SingleViewerPosition();
    if (!sameFile) {
        std::shared_ptr<TFrameSet> old = FCurFrameSet;
        std::shared_ptr<TFrameSet> set = NewFrameSet();
        set->SetVisible(false);
        try {
            set->LoadFromFile(file, anchor);
        } catch (...) {
            set->SetVisible(false);
            throw;
        }
        ShowFrameSet(set);
        BumpHistory(old, oldPos);
    } else {
        FCurFrameSet->LoadFromFile(file, anchor);
        BumpHistory2(oldPos);
    }
    AddVisitedLink(name);
    CheckVisitedLinks();
}

void TFrameViewer::LoadTargetFromFile(const std::string& target, const std::string& name) {
    if (Processing()) return;
    if (!FCurFrameSet) return;
    auto found = FCurFrameSet->FrameNames.find(UpperCase(target));
    if (found == FCurFrameSet->FrameNames.end()) {
        LoadFromFile(name);
        return;
    }
    std::string file, anchor;
    SplitAt(name, '#', file, anchor);
    if (!RequestEventAssigned() && !FileExists(file)) throw EfvLoadError("Can't locate file: " + file);
    TProcessingScope processing(this);
    found->second->frLoadFromFile(RequestEventAssigned() ? file : ExpandFileName(file), anchor, true, false);
    AddVisitedLink(name);
    CheckVisitedLinks();
}

void TFrameViewer::LoadImageFile(const std::string& name) {
    if (Processing()) return;
    if (!FileExists(name)) throw EfvLoadError("Can't locate file: " + name);
    LoadFromFileInternal(name);
}

void TFrameViewer::Reload() {
    if (Processing() || !FCurFrameSet) return;
    TProcessingScope processing(this);
    for (TfvFrame* frame : std::vector<TfvFrame*>(FCurFrameSet->AllFrames))
        if (frame->Viewer()) frame->Reload();
    CheckVisitedLinks();
}

void TFrameViewer::Clear() {
    if (Processing()) return;
    ClearHistory();
    ShowFrameSet(NewFrameSet());
    FSecondBase.clear();
}

// ---- viewers and targets

int TFrameViewer::GetCurViewerCount() { return FCurFrameSet ? static_cast<int>(FCurFrameSet->Viewers.size()) : 0; }

TPageViewer* TFrameViewer::GetCurViewer(int index) {
    if (!FCurFrameSet || index < 0 || index >= static_cast<int>(FCurFrameSet->Viewers.size())) return nullptr;
    return FCurFrameSet->Viewers[static_cast<size_t>(index)];
}

TPageViewer* TFrameViewer::GetActiveViewer() {
    if (!FCurFrameSet) return nullptr;
    if (FCurFrameSet->ActiveViewer) return FCurFrameSet->ActiveViewer;
    return FCurFrameSet->Viewers.size() == 1 ? FCurFrameSet->Viewers.front() : nullptr;
}

std::vector<TPageViewer*> TFrameViewer::GetViewers() {
    return FCurFrameSet ? FCurFrameSet->Viewers : std::vector<TPageViewer*>();
}

TPageViewer* TFrameViewer::ViewerFromTarget(const std::string& target) {
    if (!FCurFrameSet) return nullptr;
    auto found = FCurFrameSet->FrameNames.find(UpperCase(target));
    return found == FCurFrameSet->FrameNames.end() ? nullptr : found->second->Viewer();
}

std::string TFrameViewer::GetBase() {
    const std::string base = FCurFrameSet ? FCurFrameSet->Base() : std::string();
    return base.empty() ? FSecondBase : base;
}

void TFrameViewer::SetBase(const std::string& base) { FSecondBase = base; }

std::string TFrameViewer::GetBaseTarget() { return FCurFrameSet ? FCurFrameSet->BaseTarget() : std::string(); }

std::wstring TFrameViewer::GetTitle() { return FCurFrameSet ? FCurFrameSet->FTitle : std::wstring(); }

std::string TFrameViewer::GetCurrentFile() { return FCurFrameSet ? FCurFrameSet->FCurrentFile : std::string(); }

TfvFrame* TFrameViewer::FrameOfViewer(TObject* viewer) const {
    auto* v = dynamic_cast<TPageViewer*>(viewer);
    return v ? v->FrameOwner() : nullptr;
}

std::string TFrameViewer::GetActiveTarget() {
    TPageViewer* v = GetActiveViewer();
    if (!v) return std::string();
    if (!v->HoverTarget().empty()) return v->HoverTarget();
    if (!v->BaseTarget().empty()) return v->BaseTarget();
    TfvFrame* frame = v->FrameOwner();
    for (TSubFrameSet* set = frame ? frame->ParentSet() : nullptr; set; set = set->ParentSet())
        if (!set->BaseTarget().empty()) return set->BaseTarget();
    return std::string();
}

std::string TFrameViewer::GetActiveBase() {
    TPageViewer* v = GetActiveViewer();
    if (!v) return std::string();
    if (!v->Base().empty()) return v->Base();
    TfvFrame* frame = v->FrameOwner();
    for (TSubFrameSet* set = frame ? frame->ParentSet() : nullptr; set; set = set->ParentSet())
        if (!set->Base().empty()) return set->Base();
    return std::string();
}

std::string TFrameViewer::HTMLExpandFilename(const std::string& name) {
    std::string result = HTMLServerToDos(Trim(name), FServerRoot);
    if (IsAbsoluteName(result)) return result;
    const std::string base = GetActiveBase();
    if (!base.empty() && !SameText(base, "DosPath")) return HTMLToDos(Combine(::GetBase(base), name));
    if (TPageViewer* v = GetActiveViewer()) return v->HTMLExpandFilename(result);
    return ExtractFilePath(GetCurrentFile()) + result;
}

void TFrameViewer::HotSpotCovered(TObject*, const std::string& url) {
    if (FOnHotSpotTargetCovered) FOnHotSpotTargetCovered(this, GetActiveTarget(), url);
}

void TFrameViewer::HotSpotClick(TObject* sender, const std::string& url, bool& handled) {
    // Every link of a frame is followed here, never by the page viewer itself.
    handled = true;
    if (Processing()) return;
    TfvFrame* frame = FrameOfViewer(sender);
    if (!frame || !FCurFrameSet || frame->MasterSet() != FCurFrameSet.get()) return;
    FCurFrameSet->ActiveViewer = frame->Viewer();
    FURL = url;
    FTarget = GetActiveTarget();
    if (FOnHotSpotTargetClick) {
        bool done = false;
        FOnHotSpotTargetClick(this, FTarget, FURL, done);
        if (done) return;
    }
    std::string file, anchor, query;
    SplitAt(url, '#', file, anchor);
    std::string plain;
    SplitAt(file, '?', plain, query);
    const bool hasQuery = file.find('?') != std::string::npos;
    const std::string target = UpperCase(Trim(FTarget));
    std::string name;
    if (plain.empty()) name = frame->Source;  // "#anchor" stays in the page
    else name = RequestEventAssigned() ? file : HTMLExpandFilename(plain);
    const std::string visited = anchor.empty() ? name : name + "#" + anchor;
    if (hasQuery) AddVisitedLink(url);

    auto named = FCurFrameSet->FrameNames.find(target);
    const bool known = named != FCurFrameSet->FrameNames.end();
    if (!known && !target.empty() && target != "_TOP" && target != "_PARENT" && target != "_SELF") {
        AddVisitedLink(visited);
        CheckVisitedLinks();
        if (FOnBlankWindowRequest) FOnBlankWindowRequest(this, FTarget, url);
        return;
    }
    TProcessingScope processing(this);
    try {
        if (known) {
            named->second->frLoadFromFile(name, anchor, true, false);
        } else if (target == "_TOP") {
            LoadFromFileInternal(visited);
        } else if (target == "_PARENT") {
            TSubFrameSet* parent = frame->ParentSet();
            TfvFrame* enclosing = parent ? parent->OwnerFrame() : nullptr;
            if (enclosing) enclosing->frLoadFromFile(name, anchor, true, false);
            else LoadFromFileInternal(visited);
        } else if (FCurFrameSet->AllFrames.size() == 1 && !SameText(name, GetCurrentFile())) {
            LoadFromFileInternal(visited);
        } else {
            frame->frLoadFromFile(name, anchor, true, false);
        }
    } catch (...) {
        // A link's failure shows in its frame; nothing leaves the click.
    }
    AddVisitedLink(visited);
    CheckVisitedLinks();
}

// ---- visited links

void TFrameViewer::AddVisitedLink(const std::string& link) {
    if (FVisitedMaxCount <= 0 || link.empty()) return;
    const std::string key = AnsiUpperCase(link);
    auto found = std::find_if(FVisited.begin(), FVisited.end(),
                              [&](const std::string& entry) { return AnsiUpperCase(entry) == key; });
    if (found != FVisited.end()) {
        if (found == FVisited.begin()) return;
        FVisited.erase(found);
    }
    FVisited.insert(FVisited.begin(), link);
    if (FVisited.size() > static_cast<size_t>(FVisitedMaxCount)) FVisited.resize(static_cast<size_t>(FVisitedMaxCount));
}

void TFrameViewer::CheckVisitedLinks() {
    if (FVisitedMaxCount <= 0 || FVisited.empty() || !FCurFrameSet) return;
    for (TPageViewer* v : FCurFrameSet->Viewers) v->MarkVisitedLinks(FVisited);
}

void TFrameViewer::SetVisitedMaxCount(int value) {
    value = std::max(0, value);
    if (value == FVisitedMaxCount) return;
    TFVBase::SetVisitedMaxCount(value);
    if (value == 0) FVisited.clear();
    else if (FVisited.size() > static_cast<size_t>(value)) FVisited.resize(static_cast<size_t>(value));
}

// ---- options

TPageViewerOptions TFrameViewer::PageViewerOptions() const {
    TPageViewerOptions options = 0;
    const std::pair<fvOptionEnum, htOptionEnum> map[] = {
        {fvOverLinksActive, htOverLinksActive},          {fvNoLinkUnderline, htNoLinkUnderline},
        {fvPrintTableBackground, htPrintTableBackground}, {fvPrintBackground, htPrintBackground},
        {fvPrintMonochromeBlack, htPrintMonochromeBlack}, {fvShowVScroll, htShowVScroll},
    };
    for (const auto& [fv, ht] : map)
        if (FOptions & FvOption(fv)) options |= HtOption(ht);
    return options;
}

void TFrameViewer::SetOptions(TFrameViewerOptions options) {
    if (options == FOptions) return;
    FOptions = options;
    if (FCurFrameSet) {
        const bool border = !(options & FvOption(fvNoBorder));
        FCurFrameSet->SetBevelOuter(border ? bvLowered : bvNone);
    }
    const THTMLBorderStyle border = FrameBorderStyle(FCurFrameSet ? FCurFrameSet->BorderSize() : 0);
    ForEachViewer([&](TPageViewer* v) {
        v->SetOptions(PageViewerOptions());
        v->SetBorderStyle(border);
    });
}

THTMLBorderStyle TFrameViewer::FrameBorderStyle(int setBorderSize) const {
    if (setBorderSize == 0 || (FOptions & (FvOption(fvNoBorder) | FvOption(fvNoFocusRect)))) return htNone;
    return htFocused;
}

void TFrameViewer::SetServerRoot(const std::string& value) {
    FServerRoot = Trim(value);
    while (!FServerRoot.empty() && (FServerRoot.back() == '\\' || FServerRoot.back() == '/')) FServerRoot.pop_back();
    ForEachViewer([&](TPageViewer* v) { v->SetServerRoot(FServerRoot); });
}
