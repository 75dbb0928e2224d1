// The viewer's list of visited links: which link runs of the document are
// drawn in the visited colour.
#include <algorithm>

#include "framework/sysutils.h"
#include "html/font_obj.h"
#include "viewer/page_viewer.h"

namespace {

// The key visited entries and link targets are compared by: case is ignored
// as the platform folds code page 1251, one byte at a time through a table
// made once (a call into the platform per link would cost more than the rest
// of the check).
std::string VisitedKey(const std::string& target) {
    static const std::string upper = [] {
        std::string all(255, '\0');
        for (int c = 1; c < 256; ++c) all[static_cast<size_t>(c - 1)] = static_cast<char>(c);
        std::string mapped = AnsiUpperCase(all);
        return mapped.size() == all.size() ? mapped : all;
    }();
    std::string key = target;
    for (char& c : key)
        if (c != 0) c = upper[static_cast<unsigned char>(c) - 1u];
    return key;
}

}  // namespace

std::string TPageViewer::FullLinkTarget(const std::string& url) {
    if (!url.empty() && url[0] == '#') return FCurrentFile + url;
    return HTMLExpandFilename(url);
}

void TPageViewer::AddVisitedLink(const std::string& link) {
    if (FVisitedMaxCount <= 0 || VisitedListElsewhere()) return;
    const std::string key = VisitedKey(link);
    auto found = std::find_if(FVisited.begin(), FVisited.end(),
                              [&](const std::string& entry) { return VisitedKey(entry) == key; });
    if (found == FVisited.end()) {
        SetLinksVisited({key});
    } else {
        if (found == FVisited.begin()) return;
        FVisited.erase(found);
    }
    FVisited.insert(FVisited.begin(), link);
    if (FVisited.size() > static_cast<size_t>(FVisitedMaxCount)) FVisited.resize(static_cast<size_t>(FVisitedMaxCount));
}

void TPageViewer::CheckVisitedLinks() {
    // A new document: its links' targets are worked out again.
    FLinkKeys.clear();
    if (FVisitedMaxCount <= 0 || VisitedListElsewhere() || FVisited.empty()) return;
    std::vector<std::string> keys;
    for (const std::string& entry : FVisited) keys.push_back(VisitedKey(entry));
    std::sort(keys.begin(), keys.end());
    SetLinksVisited(keys);
}

void TPageViewer::SetLinksVisited(const std::vector<std::string>& keys) {
    const std::vector<TFontObj*>& runs = FDocument->LinkRuns;
    if (FLinkKeys.size() != runs.size() || (!runs.empty() && FLinkKeysFirst != runs.front())) {
        FLinkKeysFirst = runs.empty() ? nullptr : runs.front();
        // Expanding a name costs a call into the platform: done once per
        // document, and once per URL for the runs of one link in a row.
        FLinkKeys.clear();
        FLinkKeys.reserve(runs.size());
        for (size_t i = 0; i < runs.size(); ++i) {
            if (i > 0 && runs[i]->GetURL() == runs[i - 1]->GetURL())
                FLinkKeys.push_back(FLinkKeys.back());
            else
                FLinkKeys.push_back(VisitedKey(FullLinkTarget(runs[i]->GetURL())));
        }
    }
    bool changed = false;
    for (size_t i = 0; i < runs.size(); ++i) {
        TFontObj* run = runs[i];
        if (!run->IsVisited && std::binary_search(keys.begin(), keys.end(), FLinkKeys[i])) {
            run->SetVisited(true);
            changed = true;
        }
    }
    if (changed) InvalidatePanel();
}

void TPageViewer::SetVisitedMaxCount(int value) {
    value = std::max(0, value);
    if (value == FVisitedMaxCount) return;
    FVisitedMaxCount = value;
    if (value > 0) {
        if (FVisited.size() > static_cast<size_t>(value)) FVisited.resize(static_cast<size_t>(value));
        return;
    }
    FVisited.clear();
    for (TFontObj* run : FDocument->LinkRuns) run->SetVisited(false);
    Invalidate();
    InvalidatePanel();
}
