// The panels of a frame viewer: frames, frame sets, their sizes and the
// dragging of the borders between frames.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "framework/application.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/html_parser.h"
#include "html/html_scanner.h"
#include "html/html_types.h"
#include "html/urls.h"
#include "viewer/frame_viewer.h"

namespace {

// Within this many pixels of an inner edge the mouse takes hold of it.
constexpr int kEdgeGrip = 4;
// Within this many pixels of a nested set's outer edge the enclosing set
// handles the mouse.
constexpr int kOuterGrip = 3;

enum { kRelayDown, kRelayMove, kRelayUp };

}  // namespace

// ---- TFrameBase

TFrameBase::TFrameBase(TComponent* AOwner, TFrameSet* master, TSubFrameSet* parentSet)
    : TPanel(AOwner), FMasterSet(master), FParentSet(parentSet) {
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
    SetBevelWidth(1);
    SetFullRepaint(false);
    SetCaption("");
}

int TFrameBase::SetDepth() const {
    int depth = dynamic_cast<const TSubFrameSet*>(this) ? 1 : 0;
    for (const TSubFrameSet* p = FParentSet; p; p = p->ParentSet()) ++depth;
    return depth;
}

void TFrameBase::RelayToParent(int kind, TMouseButton button, TShiftState shift, int x, int y) {
    TSubFrameSet* parent = FParentSet;
    if (!parent) return;
    // Up the window chain to the parent set, in its client coordinates.
    int px = x, py = y;
    for (TControl* c = this; c && c != parent; c = c->Parent()) {
        px += c->Left();
        py += c->Top();
    }
    switch (kind) {
        case kRelayDown: parent->FVMouseDown(button, shift, px, py); break;
        case kRelayMove: parent->FVMouseMove(shift, px, py); break;
        default: parent->FVMouseUp(button, shift, px, py); break;
    }
}

void TFrameBase::FVMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    RelayToParent(kRelayDown, button, shift, x, y);
}

void TFrameBase::FVMouseMove(TShiftState shift, int x, int y) { RelayToParent(kRelayMove, mbLeft, shift, x, y); }

void TFrameBase::FVMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    RelayToParent(kRelayUp, button, shift, x, y);
}

void TFrameBase::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TPanel::MouseDown(button, shift, x, y);
    FVMouseDown(button, shift, x, y);
}

void TFrameBase::MouseMove(TShiftState shift, int x, int y) {
    TPanel::MouseMove(shift, x, y);
    FVMouseMove(shift, x, y);
}

void TFrameBase::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TPanel::MouseUp(button, shift, x, y);
    FVMouseUp(button, shift, x, y);
}

void TFrameBase::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_CANCELMODE:
        case WM_CAPTURECHANGED:
            // A drag must never leave the mouse confined.
            if (FMasterSet && FMasterSet->ResizingSet) FMasterSet->ResizingSet->CancelDrag();
            break;
        case WM_SETCURSOR:
            if (FMasterSet && LOWORD(message.LParam) == HTCLIENT &&
                (FMasterSet->ResizingSet || Cursor() != crDefault)) {
                TSubFrameSet* set = FMasterSet->ResizingSet;
                const TCursor cursor = set ? (set->Rows() ? crVSplit : crHSplit) : Cursor();
                ::SetCursor(ScreenCursor(cursor));
                message.Result = 1;
                return;
            }
            break;
        default: break;
    }
    TPanel::WndProc(message);
}

// ---- TSubFrameSet

TSubFrameSet::TSubFrameSet(TComponent* AOwner, TFrameSet* master, TSubFrameSet* parentSet)
    : TFrameBase(AOwner, master, parentSet) {
    if (master) FBorderSize = master->BorderSize();
    SetColor(master && master->FrameViewer() ? master->FrameViewer()->DefBackground() : clBtnFace);
}

void TSubFrameSet::BeforeDestruction() {
    if (FResizing) CancelDrag();
    if (FRefreshTimer) FRefreshTimer->Stop();
    FRefreshTimer.reset();
    TFrameBase::BeforeDestruction();
}

TfvFrame* TSubFrameSet::OwnerFrame() const { return dynamic_cast<TfvFrame*>(Parent()); }

int TSubFrameSet::Inset() const { return BevelOuter() == bvNone ? 0 : BevelWidth(); }

void TSubFrameSet::AddFrameTag(TAttributeList* attributes, const std::string& fileName) {
    if (static_cast<int>(FFrames.size()) >= MaxFrameEntries) return;
    // Frames past the viewer's cap are left out; their place stays empty.
    if (FMasterSet && !FMasterSet->FrameRoomLeft()) return;
    auto* frame = new TfvFrame(this, FMasterSet, this, attributes, fileName);
    frame->SetParent(this);
    FFrames.push_back(frame);
}

TSubFrameSet* TSubFrameSet::CreateSubSet() {
    // A set in place of a frame: it fills a frame of its own.
    if (static_cast<int>(FFrames.size()) >= MaxFrameEntries || (FMasterSet && !FMasterSet->FrameRoomLeft())) {
        return nullptr;
    }
    auto* frame = new TfvFrame(this, FMasterSet, this, nullptr, std::string());
    frame->SetParent(this);
    FFrames.push_back(frame);
    auto* set = new TSubFrameSet(frame, FMasterSet, this);
    set->SetParent(frame);
    set->SetAlign(alClient);
    frame->FFrameSet = set;
    return set;
}

void TSubFrameSet::DoAttributes(TAttributeList* attributes) {
    if (!attributes) return;
    TAttribute* a = nullptr;
    std::vector<int> rows;
    if (attributes->Find(RowsSy, a)) rows = ParseFrameSizes(a->Text);
    if (!rows.empty()) {
        FRows = true;
        FDims = rows;
    }
    // COLS only when ROWS did not already divide the set.
    if (rows.size() <= 1 && attributes->Find(ColsSy, a)) {
        std::vector<int> cols = ParseFrameSizes(a->Text);
        if (!cols.empty()) {
            FRows = false;
            FDims = cols;
        }
    }
    if (this != FMasterSet || !FMasterSet) return;
    TFrameViewer* viewer = FMasterSet->FrameViewer();
    if (viewer && (viewer->fvOptions() & FvOption(fvNoBorder))) return;
    int width = 2;
    if (attributes->Find(BorderSy, a) || attributes->Find(FrameBorderSy, a)) {
        width = std::clamp(std::atoi(a->Text.c_str()), 0, 20);
        if (a->Text.empty()) width = std::clamp(a->Number, 0, 20);
    }
    FBorderSize = width;
    const int inset = std::max(2 - width, 0);
    SetBevelOuter(inset > 0 ? bvLowered : bvNone);
    SetBevelWidth(std::max(inset, 1));
}

void TSubFrameSet::EndFrameSet() {
    // Missing entries take weight 1; missing FRAME tags become empty frames.
    while (FDims.size() < FFrames.size() && static_cast<int>(FDims.size()) < MaxFrameEntries) FDims.push_back(-1);
    while (FFrames.size() < FDims.size() && static_cast<int>(FFrames.size()) < MaxFrameEntries &&
           (!FMasterSet || FMasterSet->FrameRoomLeft())) {
        auto* frame = new TfvFrame(this, FMasterSet, this, nullptr, std::string());
        frame->SetParent(this);
        FFrames.push_back(frame);
    }
    if (FDims.empty()) FDims.push_back(-1);
}

void TSubFrameSet::Clear() {
    CancelDrag();
    // The timer may be the caller (a refresh reloads the set): stopped, kept.
    if (FRefreshTimer) FRefreshTimer->Stop();
    std::vector<TFrameBase*> frames;
    frames.swap(FFrames);
    // A link of one of these frames may be what reloads the set: they go
    // after the current message.
    TFrameViewer* viewer = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        if (viewer) viewer->Retire(*it);
        else TObject::Free(*it);
    }
    FDims.clear();
    FSizes.clear();
    FLines.clear();
    FFixedEdge.clear();
    FRows = false;
    FProportional = false;
    FRefreshDelay = 0;
    FRefreshURL.clear();
    FBase.clear();
    FBaseTarget.clear();
    FCharSet = -1;
}

void TSubFrameSet::ParseFrameSet(LoadStyleType kind, const std::string& fileName, const std::string& text) {
    TFrameViewer* viewer = FMasterSet->FrameViewer();
    FrameParseString(viewer, this, kind, fileName, text, Bind(this, &TSubFrameSet::HandleMeta));
    // The frames' pages are read next and take the reader's results over.
    FSetTitle = ReaderResults().Title;
    FBase = ReaderResults().Base;
    FBaseTarget = ReaderResults().BaseTarget;
    // Sized first, so each page is laid out once at its own width.
    CalcSizes();
    LoadFiles();
    CalcSizes();
    UpdateFrameList();
    StartRefreshTimer();
}

void TSubFrameSet::HandleMeta(TObject* sender, const std::string& httpEq, const std::string& name,
                              const std::string& content) {
    TFrameViewer* viewer = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    if (!viewer) return;
    uint8_t charset;
    if (SameText(httpEq, "content-type") && TranslateCharsetName(content, charset))
        // The signals of the charset table, as the pages' reader reads them.
        FCharSet = charset == 30 ? 128 : charset == 31 ? 238 : charset;
    if (viewer->OnMeta()) viewer->OnMeta()(sender, httpEq, name, content);
    if (!(viewer->fvOptions() & FvOption(fvMetaRefresh)) || !SameText(httpEq, "refresh")) return;
    const size_t semi = content.find(';');
    const std::string delayText = Trim(content.substr(0, semi));
    if (delayText.empty() || delayText.find_first_not_of("0123456789") != std::string::npos) return;
    long long delay = 0;
    for (char c : delayText) delay = std::min<long long>(delay * 10 + (c - '0'), 1LL << 40);
    FRefreshDelay = std::max<long long>(delay, 1);
    const std::string lower = LowerCase(content);
    const size_t url = lower.find("url=");
    FRefreshURL = url == std::string::npos ? std::string() : Trim(content.substr(url + 4));
}

int TSubFrameSet::DocumentCharSet() const {
    for (const TSubFrameSet* set = this; set; set = set->FParentSet)
        if (set->FCharSet >= 0) return set->FCharSet;
    return -1;
}

void TSubFrameSet::StartRefreshTimer() {
    TFrameViewer* viewer = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    if (!viewer || FRefreshDelay <= 0 || !(viewer->fvOptions() & FvOption(fvMetaRefresh))) return;
    if (!FRefreshTimer) FRefreshTimer = viewer->MakeRefreshTimer();
    FRefreshTimer->OnTimer = Bind(this, &TSubFrameSet::RefreshTimerTimer);
    FRefreshTimer->Start(RefreshIntervalMs(FRefreshDelay));
}

void TSubFrameSet::RefreshTimerTimer(TObject*) {
    if (FRefreshTimer) FRefreshTimer->Stop();
    TfvFrame* frame = OwnerFrame();
    TFrameViewer* viewer = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    if (!frame || !viewer || viewer->Processing()) return;
    const std::string url = FRefreshURL.empty() ? frame->Source : viewer->HTMLExpandFilename(FRefreshURL);
    // The frame replaces this set; the set itself goes after this message.
    viewer->RunLoad([&] { frame->frLoadFromFile(url, std::string(), false, true); });
}

void TSubFrameSet::UpdateFrameList() {
    for (TFrameBase* f : FFrames) f->UpdateFrameList();
    // The edge after frame i moves only when both its neighbours allow it.
    FFixedEdge.assign(FFrames.size(), false);
    for (size_t i = 0; i + 1 < FFrames.size(); ++i) {
        bool l1, t1, r1, b1, l2, t2, r2, b2;
        FFrames[i]->CheckNoResize(l1, t1, r1, b1);
        FFrames[i + 1]->CheckNoResize(l2, t2, r2, b2);
        FFixedEdge[i] = FRows ? !(b1 && t2) : !(r1 && l2);
    }
}

void TSubFrameSet::CheckNoResize(bool& left, bool& top, bool& right, bool& bottom) {
    left = top = right = bottom = true;
    if (FFrames.empty()) return;
    for (size_t i = 0; i < FFrames.size(); ++i) {
        bool l, t, r, b;
        FFrames[i]->CheckNoResize(l, t, r, b);
        const bool first = i == 0, last = i + 1 == FFrames.size();
        if (FRows) {
            left = left && l;
            right = right && r;
            if (first) top = t;
            if (last) bottom = b;
        } else {
            top = top && t;
            bottom = bottom && b;
            if (first) left = l;
            if (last) right = r;
        }
    }
}

void TSubFrameSet::LoadFiles() {
    for (size_t i = 0; i < FFrames.size(); ++i) FFrames[i]->LoadFiles();
}

void TSubFrameSet::ReLoadFiles(int position) {
    for (TFrameBase* f : FFrames) f->ReLoadFiles(position);
}

void TSubFrameSet::UnloadFiles() {
    if (FRefreshTimer) FRefreshTimer->Stop();
    for (TFrameBase* f : FFrames) f->UnloadFiles();
}

void TSubFrameSet::InitializeDimensions(int x, int y, int width, int height) {
    SetBounds(x, y, width, height);
    CalcSizes();
}

void TSubFrameSet::Resize() {
    TFrameBase::Resize();
    if (!FResizing) CalcSizes();
}

void TSubFrameSet::CalcSizes() {
    // Every frame below moves at once: the screen is drawn again once, after.
    const bool suspend = this == FMasterSet && HandleAllocated() && IsWindowVisible(Handle());
    if (suspend) SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
    struct Resume {
        TSubFrameSet* Set;
        bool Active;
        ~Resume() {
            if (!Active) return;
            SendMessageW(Set->Handle(), WM_SETREDRAW, TRUE, 0);
            RedrawWindow(Set->Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
        }
    } resume{this, suspend};
    const int inset = Inset();
    const int extent = (FRows ? ClientHeight() : ClientWidth()) - 2 * inset;
    const int cross = std::max(0, (FRows ? ClientWidth() : ClientHeight()) - 2 * inset);
    FSizes = FProportional ? ProportionalDimensions(FDims, extent) : ::InitializeDimensions(FDims, extent);
    FLines.assign(FSizes.size() + 1, inset);
    for (size_t i = 0; i < FSizes.size(); ++i) FLines[i + 1] = FLines[i] + FSizes[i];
    for (size_t i = 0; i < FFrames.size(); ++i) {
        const int start = i < FSizes.size() ? FLines[i] : inset;
        const int size = i < FSizes.size() ? FSizes[i] : 0;
        if (FRows) FFrames[i]->InitializeDimensions(inset, start, cross, size);
        else FFrames[i]->InitializeDimensions(start, inset, size, cross);
    }
}

int TSubFrameSet::EdgeAt(int x, int y) const {
    const int pos = FRows ? y : x;
    int best = -1, bestDistance = kEdgeGrip + 1;
    const size_t n = std::min(FFrames.size(), FSizes.size());
    for (size_t i = 1; i < n; ++i) {
        if (i - 1 < FFixedEdge.size() && FFixedEdge[i - 1]) continue;
        const int distance = std::abs(pos - FLines[i]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

void TSubFrameSet::FVMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (FParentSet && (x < kOuterGrip || y < kOuterGrip || x >= Width() - kOuterGrip || y >= Height() - kOuterGrip)) {
        RelayToParent(kRelayDown, button, shift, x, y);
        return;
    }
    if (button != mbLeft || FResizing || (FMasterSet && FMasterSet->ResizingSet)) return;
    const int edge = EdgeAt(x, y);
    if (edge < 0) return;
    long long total = 0;
    for (int s : FSizes) total += s;
    // Nothing to share out: the edge stays.
    if (total <= 0) return;
    // Taken before the drag starts: the loss of an earlier capture ends drags.
    SetCapture(Handle());
    FResizing = true;
    FDragEdge = edge;
    FDragPosition = FLines[edge];
    if (FMasterSet) FMasterSet->ResizingSet = this;
    // The mouse stays over the two frames the edge divides.
    TPoint from = ClientToScreen(FRows ? TPoint{0, FLines[edge - 1] + 1} : TPoint{FLines[edge - 1] + 1, 0});
    TPoint to = ClientToScreen(FRows ? TPoint{ClientWidth(), FLines[edge + 1] - 1}
                                     : TPoint{FLines[edge + 1] - 1, ClientHeight()});
    RECT clip{from.X, from.Y, std::max(from.X + 1, to.X), std::max(from.Y + 1, to.Y)};
    ClipCursor(&clip);
    DrawFocusLine(FDragPosition);
}

void TSubFrameSet::FVMouseMove(TShiftState shift, int x, int y) {
    if (FResizing) {
        const int pos = std::clamp(FRows ? y : x, FLines[FDragEdge - 1] + 1, FLines[FDragEdge + 1] - 1);
        if (pos != FDragPosition) {
            DrawFocusLine(FDragPosition);
            FDragPosition = pos;
            DrawFocusLine(FDragPosition);
        }
        return;
    }
    if (FParentSet && (x < kOuterGrip || y < kOuterGrip || x >= Width() - kOuterGrip || y >= Height() - kOuterGrip)) {
        SetCursor(crDefault);
        RelayToParent(kRelayMove, mbLeft, shift, x, y);
        return;
    }
    const TCursor cursor = EdgeAt(x, y) >= 0 ? (FRows ? crVSplit : crHSplit) : crDefault;
    SetCursor(cursor);
    for (TFrameBase* f : FFrames) f->SetCursor(cursor);
    if (cursor != crDefault) ::SetCursor(ScreenCursor(cursor));
}

void TSubFrameSet::FVMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (!FResizing) {
        if (FParentSet &&
            (x < kOuterGrip || y < kOuterGrip || x >= Width() - kOuterGrip || y >= Height() - kOuterGrip))
            RelayToParent(kRelayUp, button, shift, x, y);
        return;
    }
    const int edge = FDragEdge;
    const int pos = std::clamp(FRows ? y : x, FLines[edge - 1] + 1, FLines[edge + 1] - 1);
    FDragPosition = pos;
    ReleaseMouse();
    // Every frame keeps its share of the set from now on.
    std::vector<int> sizes = FSizes;
    sizes[edge - 1] = pos - FLines[edge - 1];
    sizes[edge] = FLines[edge + 1] - pos;
    FDims = sizes;
    FProportional = true;
    CalcSizes();
}

void TSubFrameSet::CancelDrag() {
    if (!FResizing) return;
    ReleaseMouse();
}

void TSubFrameSet::ReleaseMouse() {
    if (FFocusLineShown) DrawFocusLine(FFocusLinePosition);
    FResizing = false;
    if (FMasterSet && FMasterSet->ResizingSet == this) FMasterSet->ResizingSet = nullptr;
    ClipCursor(nullptr);
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
}

void TSubFrameSet::DrawFocusLine(int position) {
    // Drawn and erased by inversion, over the frames' windows.
    FFocusLineShown = !FFocusLineShown;
    FFocusLinePosition = position;
    if (!HandleAllocated()) return;
    HDC dc = GetDCEx(Handle(), nullptr, DCX_CACHE | DCX_PARENTCLIP);
    if (!dc) return;
    const RECT r = FRows ? RECT{0, position - 1, ClientWidth(), position + 1}
                         : RECT{position - 1, 0, position + 1, ClientHeight()};
    PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
    ReleaseDC(Handle(), dc);
}

// ---- TFrameSet

TFrameSet::TFrameSet(TComponent* AOwner, TFrameViewer* viewer)
    : TSubFrameSet(AOwner, nullptr, nullptr), FViewer(viewer) {
    FMasterSet = this;
    const bool border = !(viewer->fvOptions() & FvOption(fvNoBorder));
    SetBevelOuter(border ? bvLowered : bvNone);
    SetBevelWidth(2);
    FBorderSize = border ? 2 : 0;
    SetColor(viewer->DefBackground());
}

void TFrameSet::BeforeDestruction() {
    if (FResizing) CancelDrag();
    // The frames go with their set; nothing is left pointing at them.
    FrameNames.clear();
    AllFrames.clear();
    Viewers.clear();
    ActiveViewer = nullptr;
    TSubFrameSet::BeforeDestruction();
}

bool TFrameSet::FrameRoomLeft() const { return static_cast<int>(AllFrames.size()) < MaxFramesPerViewer; }

void TFrameSet::RemoveFrame(TfvFrame* frame) {
    AllFrames.erase(std::remove(AllFrames.begin(), AllFrames.end(), frame), AllFrames.end());
    for (auto it = FrameNames.begin(); it != FrameNames.end();) {
        if (it->second == frame) it = FrameNames.erase(it);
        else ++it;
    }
}

void TFrameSet::RemoveViewer(TPageViewer* viewer) {
    Viewers.erase(std::remove(Viewers.begin(), Viewers.end(), viewer), Viewers.end());
    if (ActiveViewer == viewer) ActiveViewer = nullptr;
}

void TFrameSet::Clear() {
    TSubFrameSet::Clear();
    FrameNames.clear();
    AllFrames.clear();
    Viewers.clear();
    ActiveViewer = nullptr;
    FCurrentFile.clear();
    FTitle.clear();
}

void TFrameSet::EndFrameSet() {
    TSubFrameSet::EndFrameSet();
}

void TFrameSet::RefreshTimerTimer(TObject*) {
    if (FRefreshTimer) FRefreshTimer->Stop();
    if (!FViewer || FViewer->Processing()) return;
    const std::string url = FRefreshURL.empty() ? FCurrentFile : FViewer->HTMLExpandFilename(FRefreshURL);
    FViewer->RunLoad([&] { FViewer->LoadFromFileInternal(url); });
}

void TFrameSet::LoadFromFile(const std::string& fileName, const std::string& anchor) {
    Clear();
    EventRec rec;
    const bool requested = FViewer->RequestEventAssigned() && FViewer->TriggerEvent(fileName, rec);
    std::string ext = LowerCase(ExtractFileExt(fileName)).substr(0, 5);
    const bool pictureOrText = !FViewer->RequestEventAssigned() &&
                               (ext == ".gif" || ext == ".jpg" || ext == ".jpeg" || ext == ".bmp" ||
                                ext == ".png" || ext == ".txt");
    FCurrentFile = pictureOrText || !requested ? ExpandFileName(fileName) : fileName;
    bool frameSet = false;
    if (!pictureOrText) {
        if (requested && rec.LStyle == 1) frameSet = IsFrameString(lsString, "", rec.AString, FViewer);
        else frameSet = IsFrameString(lsFile, requested ? rec.NewName : fileName, "", FViewer);
    }
    if (frameSet) {
        if (requested && rec.LStyle == 1) ParseFrameSet(lsString, fileName, rec.AString);
        else ParseFrameSet(lsFile, requested ? rec.NewName : FCurrentFile, "");
        FTitle = FSetTitle;
        return;
    }
    // A plain page: one frame holds the whole file.
    auto* frame = new TfvFrame(this, this, this, nullptr, std::string());
    frame->SetParent(this);
    frame->Source = FCurrentFile;
    frame->OrigSource = fileName;
    frame->Destination = anchor;
    FFrames.push_back(frame);
    FDims.assign(1, -1);
    CalcSizes();
    frame->LoadFiles();
    UpdateFrameList();
    if (frame->Viewer()) FTitle = frame->Viewer()->Title();
}

void TFrameBase::DetachFromMaster() { FMasterSet = nullptr; }

void TSubFrameSet::DetachFromMaster() {
    CancelDrag();
    if (FRefreshTimer) FRefreshTimer->Stop();
    for (TFrameBase* f : FFrames) f->DetachFromMaster();
    TFrameBase::DetachFromMaster();
}
