// The pictures of a benchmark's page, held in memory by name and handed to a
// document as its image hook asks for them, each from its start.
#pragma once

#include <cstring>
#include <map>
#include <string>

#include "framework/streams.h"
#include "html/image_cache.h"
#include "html/parser_entry.h"
#include "html/section_list.h"

class TBenchPictures {
public:
    void Put(const std::string& name, const std::string& bytes) {
        TMemoryStream& s = FStreams[name];
        s.SetSize(static_cast<int64_t>(bytes.size()));
        if (!bytes.empty()) std::memcpy(s.Memory(), bytes.data(), bytes.size());
    }
    // The document must not outlive this.
    void Serve(TSectionList& doc) {
        doc.GetImageHook = [this](const std::string& name) -> TMemoryStream* {
            auto it = FStreams.find(name);
            if (it == FStreams.end()) return nullptr;
            it->second.SetPosition(0);
            return &it->second;
        };
    }

    // Reads and lays out `html` as the viewer does, in an 800x600 pane.
    static void LoadAndLayOut(TStringBitmapList& cache, TSectionList& doc, const std::string& html) {
        cache.BumpAndCheck();
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
        ParseHTMLString(html, &doc, {});
        int scrollWidth = 0, pos = 0;
        doc.DoLogic(nullptr, 0, 800, 600, 0, scrollWidth, pos);
    }

private:
    std::map<std::string, TMemoryStream> FStreams;
};
