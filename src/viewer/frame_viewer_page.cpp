// What a page viewer does as a frame of a frame set.
#include <algorithm>

#include "framework/sysutils.h"
#include "viewer/page_viewer.h"

void TPageViewer::MarkVisitedLinks(const std::vector<std::string>& links) {
    if (links.empty()) return;
    std::vector<std::string> keys;
    keys.reserve(links.size());
    for (const std::string& link : links) keys.push_back(AnsiUpperCase(link));
    std::sort(keys.begin(), keys.end());
    SetLinksVisited(keys);
}
