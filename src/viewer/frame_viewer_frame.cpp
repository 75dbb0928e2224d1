// One FRAME of a frame viewer: its page viewer or nested set, its own
// history and its META refresh.
#include <algorithm>

#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/html_parser.h"
#include "html/html_types.h"
#include "html/image_cache.h"
#include "html/urls.h"
#include "viewer/frame_viewer.h"

namespace {

std::string EscapeHtml(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c; break;
        }
    }
    return out;
}

bool IsPictureExtension(const std::string& ext) {
    return ext == ".gif" || ext == ".jpg" || ext == ".jpeg" || ext == ".bmp" || ext == ".png";
}

std::string ShortLowerExtension(const std::string& name) { return LowerCase(ExtractFileExt(name)).substr(0, 5); }

}  // namespace

TfvFrame::TfvFrame(TComponent* AOwner, TFrameSet* master, TSubFrameSet* parentSet, TAttributeList* attributes,
                   const std::string& setFileName)
    : TFrameBase(AOwner, master, parentSet) {
    TFrameViewer* fv = master->FrameViewer();
    FrameMarginWidth = fv->MarginWidth();
    FrameMarginHeight = fv->MarginHeight();
    master->AllFrames.push_back(this);
    if (attributes) {
        for (int i = 0; i < attributes->Count(); ++i) {
            TAttribute* a = attributes->Attribute(i);
            switch (a->Sym) {
                case NameSy:
                    WinName = UpperCase(Trim(a->Text));
                    if (!WinName.empty()) master->FrameNames.emplace(WinName, this);
                    break;
                case SrcSy: {
                    const std::string src = Trim(a->Text);
                    const size_t hash = src.find('#');
                    Source = src.substr(0, hash);
                    Destination = hash == std::string::npos ? std::string() : src.substr(hash + 1);
                    if (fv->RequestEventAssigned() || Source.empty()) break;
                    Source = HTMLServerToDos(Source, fv->ServerRoot());
                    if (Source.find(':') != std::string::npos) break;
                    const std::string& base = ReaderResults().Base;
                    if (SameText(base, "DosPath")) Source = ExpandFileName(Source);
                    else if (!base.empty()) Source = ExtractFilePath(HTMLToDos(base)) + Source;
                    else if (!(Source.size() > 1 && Source[0] == '\\' && Source[1] == '\\'))
                        Source = ExtractFilePath(setFileName) + Source;
                    break;
                }
                case NoResizeSy: NoReSize = true; break;
                case ScrollingSy: NoScroll = SameText(Trim(a->Text), "NO"); break;
                case MarginWidthSy: FrameMarginWidth = std::clamp(a->Number, 0, 1000); break;
                case MarginHeightSy: FrameMarginHeight = std::clamp(a->Number, 0, 1000); break;
                default: break;
            }
        }
    }
    OrigSource = Source;
    if (master->BorderSize() > 0) {
        SetBevelOuter(bvLowered);
        SetBevelWidth(master->BorderSize());
    }
    SetColor(fv->DefBackground());
}

void TfvFrame::BeforeDestruction() {
    if (FRefreshTimer) FRefreshTimer->Stop();
    if (FMasterSet && !FMasterSet->Destroying()) {
        FMasterSet->RemoveFrame(this);
        if (FViewer) FMasterSet->RemoveViewer(FViewer);
    }
    TFrameBase::BeforeDestruction();
}

const FrameHistoryEntry* TfvFrame::frPositionEntry(int index) const {
    if (index < 0 || index >= static_cast<int>(FfrPositionHistory.size())) return nullptr;
    return FfrPositionHistory[static_cast<size_t>(index)].get();
}

void TfvFrame::UpdateFrameList() {
    if (FFrameSet) FFrameSet->UpdateFrameList();
}

void TfvFrame::CheckNoResize(bool& left, bool& top, bool& right, bool& bottom) {
    if (FFrameSet) {
        FFrameSet->CheckNoResize(left, top, right, bottom);
        if (NoReSize) left = top = right = bottom = false;
        return;
    }
    left = top = right = bottom = !NoReSize;
}

void TfvFrame::InitializeDimensions(int x, int y, int width, int height) { SetBounds(x, y, width, height); }

void TfvFrame::CreateViewer() {
    TFrameViewer* fv = FMasterSet->FrameViewer();
    auto* viewer = new TPageViewer(this);
    viewer->SetFrameOwner(this);
    viewer->SetParent(this);
    viewer->SetAlign(alClient);
    fv->CopySettingsTo(viewer);
    viewer->SetBorderStyle(fv->FrameBorderStyle(FMasterSet->BorderSize()));
    if (NoScroll) viewer->SetScrollBars(ssNone);
    viewer->MarginWidth = FrameMarginWidth;
    viewer->MarginHeight = FrameMarginHeight;
    viewer->SetStringBitmapList(fv->ImageCache());
    viewer->OnHotSpotClick = Bind(fv, &TFrameViewer::HotSpotClick);
    viewer->OnHotSpotCovered = Bind(fv, &TFrameViewer::HotSpotCovered);
    viewer->OnProcessing = Bind(fv, &TFrameViewer::CheckProcessing);
    viewer->OnEnter = Bind(this, &TfvFrame::ViewerEnter);
    viewer->OnMetaRefresh = Bind(this, &TfvFrame::ViewerMetaRefresh);
    if (fv->RequestEventAssigned()) viewer->OnhtStreamRequest = Bind(fv, &TFrameViewer::DoURLRequest);
    if (FParentSet)
        if (const int charset = FParentSet->DocumentCharSet(); charset >= 0) viewer->CharSet = static_cast<uint8_t>(charset);
    FViewer = viewer;
    FMasterSet->Viewers.push_back(viewer);
}

void TfvFrame::ViewerEnter(TObject*) {
    if (FMasterSet && FViewer) FMasterSet->ActiveViewer = FViewer;
}

void TfvFrame::DestroyContents() {
    TFrameViewer* fv = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    if (FViewer) {
        if (FMasterSet) FMasterSet->RemoveViewer(FViewer);
        TPageViewer* viewer = FViewer;
        FViewer = nullptr;
        if (fv) fv->Retire(viewer);
        else TObject::Free(viewer);
    }
    if (FFrameSet) {
        TSubFrameSet* set = FFrameSet;
        FFrameSet = nullptr;
        if (fv) fv->Retire(set);
        else TObject::Free(set);
    }
}

void TfvFrame::LoadIntoViewer(const std::string& fileName, const std::string& anchor) {
    TFrameViewer* fv = FMasterSet->FrameViewer();
    const std::string reference = anchor.empty() ? fileName : fileName + "#" + anchor;
    if (fv->RequestEventAssigned()) {
        EventRec rec;
        if (!fv->TriggerEvent(fileName, rec)) throw EfvLoadError("Can't load: " + fileName);
        if (rec.LStyle == 1) FViewer->LoadFromString(rec.AString, reference);
        else FViewer->LoadFromFile(anchor.empty() ? rec.NewName : rec.NewName + "#" + anchor);
        return;
    }
    const std::string ext = ShortLowerExtension(fileName);
    if (IsPictureExtension(ext)) FViewer->LoadImageFile(fileName);
    else if (ext == ".txt") FViewer->LoadTextFile(fileName);
    else FViewer->LoadFromFile(reference);
}

void TfvFrame::LoadContents(const std::string& fileName, const std::string& anchor) {
    TFrameViewer* fv = FMasterSet->FrameViewer();
    bool isSet = false;
    EventRec rec;
    bool requested = false;
    if (fv->RequestEventAssigned()) {
        requested = fv->TriggerEvent(fileName, rec);
        if (requested)
            isSet = rec.LStyle == 1 ? IsFrameString(lsString, "", rec.AString, fv)
                                    : IsFrameString(lsFile, rec.NewName, "", fv);
    } else {
        const std::string ext = ShortLowerExtension(fileName);
        if (!IsPictureExtension(ext) && ext != ".txt") isSet = IsFrameString(lsFile, fileName, "", fv);
    }
    if (isSet) {
        DestroyContents();
        auto* set = new TSubFrameSet(this, FMasterSet, FParentSet);
        set->SetParent(this);
        set->SetAlign(alClient);
        FFrameSet = set;
        if (requested && rec.LStyle == 1) set->ParseFrameSet(lsString, fileName, rec.AString);
        else set->ParseFrameSet(lsFile, requested ? rec.NewName : fileName, "");
        return;
    }
    if (FFrameSet) DestroyContents();
    if (!FViewer) CreateViewer();
    LoadIntoViewer(fileName, anchor);
}

void TfvFrame::ShowLoadError(const std::string& name) {
    if (FFrameSet) DestroyContents();
    if (!FViewer) CreateViewer();
    if (FViewer->Processing()) return;
    // The name is shown as text, never read as markup.
    const std::string text = "<p><img src=\"qw%&.bmp\" alt=\"Error\"> Can't load " + EscapeHtml(name);
    try {
        FViewer->LoadFromString(text, "");
    } catch (...) {
    }
}

void TfvFrame::LoadFiles() {
    if (FFrameSet) {
        FFrameSet->LoadFiles();
        return;
    }
    // Past the fourth nested set frames stay empty: a page naming itself
    // as a frame would nest without end.
    if (Source.empty() || !FMasterSet || !FParentSet || FParentSet->SetDepth() >= MaxFrameSetDepth) return;
    try {
        LoadContents(Source, Destination);
    } catch (...) {
        ShowLoadError(Source);
    }
    FfrHistory.assign(1, Source);
    FfrPositionHistory.clear();
    FfrPositionHistory.push_back(std::make_unique<FrameHistoryEntry>());
    FfrHistoryIndex = 0;
}

void TfvFrame::ReLoadFiles(int position) {
    if (FFrameSet) {
        FFrameSet->ReLoadFiles(-1);
        return;
    }
    if (!FViewer || Source.empty()) return;
    if (FUnloaded) {
        FUnloaded = false;
        try {
            LoadContents(Source, std::string());
        } catch (...) {
            ShowLoadError(Source);
        }
    }
    if (!FViewer) return;
    if (position >= 0) FViewer->SetPosition(position);
    else if (const FrameHistoryEntry* entry = frPositionEntry(FfrHistoryIndex)) FViewer->SetPosition(entry->Pos);
}

void TfvFrame::UnloadFiles() {
    if (FRefreshTimer) FRefreshTimer->Stop();
    if (FFrameSet) {
        FFrameSet->UnloadFiles();
        return;
    }
    if (!FViewer) return;
    if (FfrHistoryIndex < static_cast<int>(FfrPositionHistory.size()))
        FfrPositionHistory[static_cast<size_t>(FfrHistoryIndex)]->Pos = FViewer->GetPosition();
    FViewer->Clear();
    FUnloaded = true;
}

void TfvFrame::frLoadFromFile(const std::string& fileName, const std::string& anchor, bool bump, bool reload) {
    const int oldPos = FViewer ? FViewer->GetPosition() : 0;
    const bool sameFile = FViewer && !reload && SameText(fileName, Source);
    std::unique_ptr<TFreeList> formData;
    if (sameFile) {
        if (!anchor.empty()) FViewer->PositionTo(anchor);
    } else {
        if (FViewer) formData = FViewer->GetFormData();
        try {
            LoadContents(fileName, anchor);
        } catch (...) {
            ShowLoadError(fileName);
        }
    }
    Source = fileName;
    Destination = anchor;
    if (FMasterSet) FMasterSet->UpdateFrameList();
    if (bump) frBumpHistory(fileName, FViewer ? FViewer->GetPosition() : 0, oldPos, std::move(formData));
}

void TfvFrame::frBumpHistory(const std::string& newName, int newPos, int oldPos,
                             std::unique_ptr<TFreeList> formData) {
    TFrameViewer* fv = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    if (!fv || fv->HistoryMaxCount() <= 0) return;
    fv->ClearForwards();
    if (FfrHistory.empty()) {
        FfrHistory.push_back(OrigSource);
        FfrPositionHistory.push_back(std::make_unique<FrameHistoryEntry>());
        FfrHistoryIndex = 0;
    }
    const int seq = NextFrameHistorySequence();
    FrameHistoryEntry& left = *FfrPositionHistory[0];
    left.Pos = oldPos;
    left.Seq = seq;
    if (formData) left.FormData = std::move(formData);
    auto entry = std::make_unique<FrameHistoryEntry>();
    entry->Pos = newPos;
    entry->Seq = seq;
    FfrHistory.insert(FfrHistory.begin(), newName);
    FfrPositionHistory.insert(FfrPositionHistory.begin(), std::move(entry));
    FfrHistoryIndex = 0;
    while (static_cast<int>(FfrHistory.size()) > fv->HistoryMaxCount()) {
        FfrHistory.pop_back();
        FfrPositionHistory.pop_back();
    }
    if (fv->OnHistoryChange) fv->OnHistoryChange(fv);
}

void TfvFrame::ClearFrameForwards() {
    if (FfrHistoryIndex <= 0) return;
    const auto n = static_cast<std::ptrdiff_t>(std::min<size_t>(FfrHistoryIndex, FfrHistory.size()));
    FfrHistory.erase(FfrHistory.begin(), FfrHistory.begin() + n);
    FfrPositionHistory.erase(FfrPositionHistory.begin(), FfrPositionHistory.begin() + n);
    FfrHistoryIndex = 0;
}

void TfvFrame::frSetHistoryIndex(int index) {
    if (index == FfrHistoryIndex || index < 0 || index >= static_cast<int>(FfrHistory.size())) return;
    TFrameViewer* fv = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    FrameHistoryEntry& current = *FfrPositionHistory[static_cast<size_t>(FfrHistoryIndex)];
    if (FViewer) current.Pos = FViewer->GetPosition();
    const std::string target = FfrHistory[static_cast<size_t>(index)];
    if (!SameText(target, Source) || !FViewer) {
        if (FViewer) current.FormData = FViewer->GetFormData();
        try {
            LoadContents(target, std::string());
        } catch (...) {
            ShowLoadError(target);
        }
        Source = target;
        Destination.clear();
        if (FMasterSet) FMasterSet->UpdateFrameList();
    }
    FrameHistoryEntry& entry = *FfrPositionHistory[static_cast<size_t>(index)];
    if (FViewer) {
        FViewer->SetPosition(entry.Pos);
        if (entry.FormData) {
            FViewer->SetFormData(entry.FormData.get());
            entry.FormData.reset();
        }
    }
    FfrHistoryIndex = index;
    if (fv && fv->OnHistoryChange) fv->OnHistoryChange(fv);
}

void TfvFrame::Reload() {
    const int pos = FViewer ? FViewer->GetPosition() : 0;
    frLoadFromFile(Source, std::string(), false, true);
    if (FViewer) FViewer->SetPosition(pos);
}

void TfvFrame::ViewerMetaRefresh(TObject*, int delay, const std::string& url) {
    TFrameViewer* fv = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    if (!fv || !(fv->fvOptions() & FvOption(fvMetaRefresh))) return;
    const std::string target = url.empty() ? Source : fv->HTMLExpandFilename(url);
    if (!fv->RequestEventAssigned() && !FileExists(target)) return;
    StartRefresh(delay, target);
}

void TfvFrame::StartRefresh(long long delaySeconds, const std::string& url) {
    TFrameViewer* fv = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    if (!fv) return;
    FRefreshURL = url;
    // Kept once made: a refresh may start the next one from inside its own timer.
    if (!FRefreshTimer) FRefreshTimer = fv->MakeRefreshTimer();
    FRefreshTimer->OnTimer = Bind(this, &TfvFrame::RefreshTimerTimer);
    FRefreshTimer->Start(RefreshIntervalMs(delaySeconds));
}

void TfvFrame::RefreshTimerTimer(TObject*) {
    if (FRefreshTimer) FRefreshTimer->Stop();
    TFrameViewer* fv = FMasterSet ? FMasterSet->FrameViewer() : nullptr;
    if (!fv || fv->Processing() || FRefreshURL.empty()) return;
    const std::string url = FRefreshURL;
    if (FParentSet == FMasterSet && FMasterSet->AllFrames.size() == 1)
        fv->RunLoad([&] { fv->LoadFromFileInternal(url); });
    else
        fv->RunLoad([&] { frLoadFromFile(url, std::string(), false, true); });
}

void TfvFrame::DetachFromMaster() {
    if (FRefreshTimer) FRefreshTimer->Stop();
    if (FMasterSet) {
        FMasterSet->RemoveFrame(this);
        if (FViewer) FMasterSet->RemoveViewer(FViewer);
    }
    ReleaseFromFrame(FViewer);
    if (FFrameSet) FFrameSet->DetachFromMaster();
    TFrameBase::DetachFromMaster();
}
