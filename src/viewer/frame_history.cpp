// The history of a frame viewer: each frame's own steps and the viewer's
// steps between whole frame sets, ordered in time by sequence numbers.
#include <climits>

#include "framework/sysutils.h"
#include "viewer/frame_viewer.h"

namespace {

// No step found yet: larger than any sequence number.
constexpr int kNoSequence = INT_MAX;

}  // namespace

void TFrameViewer::BumpHistory(const std::shared_ptr<TFrameSet>& oldSet, int oldPos) {
    if (FHistoryMaxCount <= 0 || !FCurFrameSet || FCurFrameSet->FCurrentFile.empty()) return;
    if (!FHistory.empty() && oldSet && !oldSet->FCurrentFile.empty()) {
        HistoryItem& left = FHistory[static_cast<size_t>(FHistoryIndex)];
        left.File = oldSet->FCurrentFile;
        left.Set = oldSet;
        left.Title = oldSet->FTitle;
        left.Pos = oldPos;
        FHistory.erase(FHistory.begin(), FHistory.begin() + FHistoryIndex);
    }
    FHistoryIndex = 0;
    FHistory.insert(FHistory.begin(), HistoryItem{FCurFrameSet->FCurrentFile, FCurFrameSet, FCurFrameSet->FTitle,
                                                  SingleViewerPosition()});
    if (static_cast<int>(FHistory.size()) > FHistoryMaxCount) FHistory.resize(static_cast<size_t>(FHistoryMaxCount));
    if (OnHistoryChange) OnHistoryChange(this);
}

void TFrameViewer::BumpHistory1(const std::string& fileName, int pos) {
    if (FHistoryMaxCount <= 0 || !FCurFrameSet) return;
    if (!FHistory.empty()) {
        FHistory[static_cast<size_t>(FHistoryIndex)].Pos = pos;
        FHistory.erase(FHistory.begin(), FHistory.begin() + FHistoryIndex);
    }
    FHistoryIndex = 0;
    FHistory.insert(FHistory.begin(), HistoryItem{fileName, FCurFrameSet, FCurFrameSet->FTitle, SingleViewerPosition()});
    if (static_cast<int>(FHistory.size()) > FHistoryMaxCount) FHistory.resize(static_cast<size_t>(FHistoryMaxCount));
    if (OnHistoryChange) OnHistoryChange(this);
}

void TFrameViewer::BumpHistory2(int pos) {
    // The same set again: a step only when the position moved.
    if (!FCurFrameSet || pos == SingleViewerPosition()) return;
    BumpHistory1(FCurFrameSet->FCurrentFile, pos);
}

void TFrameViewer::SetHistoryIndex(int index) {
    if (Processing() || index == FHistoryIndex || index < 0 || index >= static_cast<int>(FHistory.size())) return;
    TProcessingScope processing(this);
    FHistory[static_cast<size_t>(FHistoryIndex)].Pos = SingleViewerPosition();
    const HistoryItem target = FHistory[static_cast<size_t>(index)];
    if (target.Set && target.Set != FCurFrameSet) {
        ShowFrameSet(target.Set);
        target.Set->ReLoadFiles(target.Set->AllFrames.size() == 1 ? target.Pos : -1);
    } else if (FCurFrameSet && FCurFrameSet->Viewers.size() == 1) {
        FCurFrameSet->Viewers.front()->SetPosition(target.Pos);
    }
    FHistoryIndex = index;
    if (OnHistoryChange) OnHistoryChange(this);
}

void TFrameViewer::ClearForwards() {
    if (FCurFrameSet)
        for (TfvFrame* frame : FCurFrameSet->AllFrames) frame->ClearFrameForwards();
    if (FHistoryIndex > 0) {
        // The sets only the forward steps held go with them.
        FHistory.erase(FHistory.begin(), FHistory.begin() + FHistoryIndex);
        FHistoryIndex = 0;
    }
}

void TFrameViewer::ClearHistory() {
    const bool had = !FHistory.empty();
    FHistory.clear();
    FHistoryIndex = 0;
    if (FCurFrameSet)
        for (TfvFrame* frame : FCurFrameSet->AllFrames) {
            frame->FfrHistory.resize(std::min<size_t>(frame->FfrHistory.size(), 1));
            if (!frame->FfrHistory.empty()) frame->FfrHistory[0] = frame->Source;
            if (frame->FfrPositionHistory.size() > 1) {
                auto current = std::move(frame->FfrPositionHistory[static_cast<size_t>(frame->FfrHistoryIndex)]);
                frame->FfrPositionHistory.clear();
                frame->FfrPositionHistory.push_back(std::move(current));
            }
            frame->FfrHistoryIndex = 0;
        }
    if (had && OnHistoryChange) OnHistoryChange(this);
}

void TFrameViewer::SetHistoryMaxCount(int value) {
    if (value < 0 || value == FHistoryMaxCount) return;
    if (value < FHistoryMaxCount) ClearHistory();
    TFVBase::SetHistoryMaxCount(value);
}

namespace {

struct TFrameStep {
    TfvFrame* Frame = nullptr;
    int Seq = kNoSequence;
};

}  // namespace

void TFrameViewer::GoBack() {
    if (Processing() || !FCurFrameSet) return;
    // The frame whose last step was the most recent.
    TfvFrame* best = nullptr;
    int bestSeq = -1;
    for (TfvFrame* frame : FCurFrameSet->AllFrames) {
        const FrameHistoryEntry* older = frame->frPositionEntry(frame->frHistoryIndex() + 1);
        if (older && older->Seq > bestSeq) {
            bestSeq = older->Seq;
            best = frame;
        }
    }
    if (best) {
        best->frSetHistoryIndex(best->frHistoryIndex() + 1);
    } else if (FHistoryIndex + 1 < static_cast<int>(FHistory.size())) {
        SetHistoryIndex(FHistoryIndex + 1);
    }
    StopSound();
}

void TFrameViewer::GoFwd() {
    if (Processing() || !FCurFrameSet) return;
    // The frame whose undone step came first.
    TfvFrame* best = nullptr;
    int bestSeq = kNoSequence;
    for (TfvFrame* frame : FCurFrameSet->AllFrames) {
        if (frame->frHistoryIndex() <= 0) continue;
        const FrameHistoryEntry* current = frame->frPositionEntry(frame->frHistoryIndex());
        if (current && current->Seq < bestSeq) {
            bestSeq = current->Seq;
            best = frame;
        }
    }
    if (best) {
        best->frSetHistoryIndex(best->frHistoryIndex() - 1);
    } else if (FHistoryIndex > 0) {
        SetHistoryIndex(FHistoryIndex - 1);
    }
    StopSound();
}

bool TFrameViewer::BackButtonEnabled() {
    if (FCurFrameSet)
        for (TfvFrame* frame : FCurFrameSet->AllFrames)
            if (frame->frHistoryIndex() + 1 < frame->frHistoryCount()) return true;
    return FHistoryIndex + 1 < static_cast<int>(FHistory.size());
}

bool TFrameViewer::FwdButtonEnabled() {
    if (FCurFrameSet)
        for (TfvFrame* frame : FCurFrameSet->AllFrames)
            if (frame->frHistoryIndex() > 0) return true;
    return FHistoryIndex > 0;
}

int TFrameViewer::LiveFrameSetCount() const {
    std::vector<const TFrameSet*> sets;
    auto add = [&](const TFrameSet* s) {
        if (s && std::find(sets.begin(), sets.end(), s) == sets.end()) sets.push_back(s);
    };
    add(FCurFrameSet.get());
    for (const HistoryItem& item : FHistory) add(item.Set.get());
    for (const auto& s : FRetiredSets) add(s.get());
    return static_cast<int>(sets.size());
}
