// The viewer's history of visited documents and the positions that survive
// a layout at another width.
#include <algorithm>
#include <cstdint>

#include "framework/sysutils.h"
#include "viewer/page_viewer.h"

namespace {

constexpr unsigned kWordMask = 0xFFFF;

}  // namespace

// ---- positions

int TPageViewer::GetPosition() {
    const int scroll = GetScrollPos();
    int top = 0, index = 0;
    if (!FDocument->FindSectionAtPosition(scroll, top, index)) return scroll;
    const unsigned section = static_cast<unsigned>(index) + 1;
    if (section > kWordMask) return static_cast<int>(std::min<unsigned>(scroll, kWordMask));
    // An offset past the low word would spill into the section number.
    const unsigned offset = std::min<unsigned>(static_cast<unsigned>(std::max(0, scroll - top)), kWordMask);
    return static_cast<int>(section << 16 | offset);
}

void TPageViewer::SetPosition(int pos) {
    const unsigned value = static_cast<unsigned>(pos);
    const unsigned section = value >> 16;
    const int offset = static_cast<int>(value & kWordMask);
    if (section == 0) {
        ScrollTo(offset);
        return;
    }
    const auto& sections = FDocument->SectionsByPosition;
    if (section - 1 >= sections.size()) return;
    ScrollTo(offset + sections[section - 1]->GetYPosition());
}

// ---- the history lists

ViewerHistoryEntry* TPageViewer::HistoryEntry(int index) const {
    if (index < 0 || index >= FPositionHistory.Count()) return nullptr;
    return static_cast<ViewerHistoryEntry*>(FPositionHistory.Items(index));
}

int TPageViewer::RunStart(int index) const {
    int first = index;
    while (first > 0 && FHistory[static_cast<size_t>(first - 1)] == FHistory[static_cast<size_t>(index)]) --first;
    return first;
}

void TPageViewer::BumpHistory(const std::string& fileName, const std::wstring& title, int oldPos,
                              std::unique_ptr<TFreeList> formData, ThtmlFileType type) {
    if (HistoryMaxCount < 1 || FCurrentFile.empty()) return;
    if (fileName == FCurrentFile && type == FFileType && oldPos == GetPosition()) return;
    if (!FHistory.empty() && !fileName.empty()) {
        const size_t at = static_cast<size_t>(FHistoryIndex);
        FHistory[at] = fileName;
        ViewerHistoryEntry* left = HistoryEntry(FHistoryIndex);
        left->Pos = oldPos;
        left->FileType = type;
        // The same file keeps its controls; only a page being left saves them.
        if (fileName != FCurrentFile) left->FormData = std::move(formData);
        FTitleHistory[at] = title;
        for (int i = FHistoryIndex - 1; i >= 0; --i) {
            FHistory.erase(FHistory.begin() + i);
            FTitleHistory.erase(FTitleHistory.begin() + i);
            FPositionHistory.Delete(i);
        }
    }
    FHistoryIndex = 0;
    auto* entry = new ViewerHistoryEntry;
    entry->Pos = GetPosition();
    entry->FileType = FFileType;
    FHistory.insert(FHistory.begin(), FCurrentFile);
    FTitleHistory.insert(FTitleHistory.begin(), FTitle);
    FPositionHistory.Insert(0, entry);
    while (HistoryCount() > HistoryMaxCount) {
        FHistory.pop_back();
        FTitleHistory.pop_back();
        FPositionHistory.Delete(FPositionHistory.Count() - 1);
    }
    if (OnHistoryChange) OnHistoryChange(this);
}

void TPageViewer::SetHistoryIndex(int index) {
    if (index == FHistoryIndex || index < 0 || index >= HistoryCount() || FProcessing) return;
    if (DeferWhilePrinted([this, index] { SetHistoryIndex(index); })) return;
    if (!FCurrentFile.empty()) {
        const size_t at = static_cast<size_t>(FHistoryIndex);
        FHistory[at] = FCurrentFile;
        ViewerHistoryEntry* current = HistoryEntry(FHistoryIndex);
        current->Pos = GetPosition();
        current->FileType = FFileType;
        HistoryEntry(RunStart(FHistoryIndex))->FormData = GetFormData();
        FTitleHistory[at] = FTitle;
    }
    const std::string file = FHistory[static_cast<size_t>(index)];
    ViewerHistoryEntry* target = HistoryEntry(index);
    if (file != FCurrentFile || target->FileType != FFileType) LoadFile(file, target->FileType);
    SetPosition(target->Pos);
    ViewerHistoryEntry* owner = HistoryEntry(RunStart(index));
    if (owner->FormData) {
        SetFormData(owner->FormData.get());
        owner->FormData.reset();
    }
    FHistoryIndex = index;
    if (OnHistoryChange) OnHistoryChange(this);
}

void TPageViewer::SetHistoryMaxCount(int count) {
    if (count < 0 || count == HistoryMaxCount) return;
    if (count < HistoryMaxCount) ClearHistory();
    HistoryMaxCount = count;
}

void TPageViewer::ClearHistory() {
    const bool hadEntries = !FHistory.empty();
    FHistory.clear();
    FTitleHistory.clear();
    FPositionHistory.Clear();
    FHistoryIndex = 0;
    if (hadEntries && OnHistoryChange) OnHistoryChange(this);
}

// ---- file loads that keep history

void TPageViewer::LoadWithHistory(const std::string& fileName, ThtmlFileType type) {
    if (FProcessing || fileName.empty()) return;
    // A file that cannot be found is refused now, as without a job: the load
    // throws before it touches the page.
    if (FileExists(fileName.substr(0, fileName.find('#'))) &&
        DeferWhilePrinted([this, fileName, type] { LoadWithHistory(fileName, type); })) return;
    const std::string oldFile = FCurrentFile;
    const std::wstring oldTitle = FTitle;
    const int oldPos = GetPosition();
    const ThtmlFileType oldType = FFileType;
    std::unique_ptr<TFreeList> formData = GetFormData();
    LoadFile(fileName, type);
    if (FCurrentFile != oldFile || FFileType != oldType)
        BumpHistory(oldFile, oldTitle, oldPos, std::move(formData), oldType);
}

void TPageViewer::LoadFromFile(const std::string& fileName) { LoadWithHistory(fileName, HTMLType); }

void TPageViewer::LoadTextFile(const std::string& fileName) { LoadWithHistory(fileName, TextType); }

void TPageViewer::LoadImageFile(const std::string& fileName) { LoadWithHistory(fileName, ImgType); }
