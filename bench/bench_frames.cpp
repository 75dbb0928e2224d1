// The frame viewer on a demo grown to three levels of sets and 29 frames
// (24 of them typical articles): the time to load the whole set, and the
// time of a resize that lays every frame out again.
//   bench_frames.exe [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "viewer/frame_viewer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

void Put(const std::string& name, const std::string& text) {
    TFileStream file(name, fmCreate);
    file.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

std::string Article(int n) {
    std::string html = "<title>Term " + std::to_string(n) + "</title><h3>Term " + std::to_string(n) + "</h3>";
    for (int p = 0; p < 8; ++p)
        html += "<p><b>Definition " + std::to_string(p + 1) +
                ".</b> A term of the field with its usage notes, <i>synonyms</i> and the "
                "<a href=\"article" + std::to_string((n + p) % 24) + ".htm\">related entry</a>; "
                "sources are given after each sense, and examples follow the definition.</p>";
    return html;
}

void WriteSite(const std::string& dir) {
    Put(dir + "index.htm", "<frameset rows=\"60,*\"><frame name=\"banner\" src=\"banner.htm\">"
                           "<frame name=\"body\" src=\"body.htm\"></frameset>");
    Put(dir + "index2.htm", "<frameset rows=\"60,*\"><frame name=\"banner\" src=\"banner.htm\">"
                            "<frame name=\"body\" src=\"body.htm\"></frameset>");
    Put(dir + "banner.htm", "<h2>Dictionary</h2>");
    Put(dir + "body.htm", "<frameset cols=\"*,*,*\"><frame src=\"column0.htm\"><frame src=\"column1.htm\">"
                          "<frame src=\"column2.htm\"></frameset>");
    for (int c = 0; c < 3; ++c) {
        std::string column = "<frameset rows=\"*,*,*,*,*,*,*,*\">";
        for (int r = 0; r < 8; ++r) column += "<frame src=\"article" + std::to_string(c * 8 + r) + ".htm\">";
        Put(dir + "column" + std::to_string(c) + ".htm", column + "</frameset>");
    }
    for (int n = 0; n < 24; ++n) Put(dir + "article" + std::to_string(n) + ".htm", Article(n));
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    InitializeForms();
    InitHtmlEngine();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string dir = WideToAnsi(temp) + "bench_frames\\";
    CreateDirectoryW(AnsiToWide(dir).c_str(), nullptr);
    WriteSite(dir);

    owned_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(0, 0, 1100, 800);
    auto* fv = new TFrameViewer(form.get());
    fv->SetParent(form.get());
    fv->SetBounds(0, 0, 1024, 740);
    fv->SetDefFontName("Arial");
    form->Show();
    Application->ProcessMessages();

    std::vector<double> loads, resizes;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        // Two names for one set: each load builds every frame anew.
        fv->LoadFromFile(dir + (i % 2 ? "index2.htm" : "index.htm"));
        loads.push_back(Ms(start));
        fv->ReleaseRetired();
        Application->ProcessMessages();
    }
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        fv->SetBounds(0, 0, i % 2 ? 1024 : 800, i % 2 ? 740 : 600);
        resizes.push_back(Ms(start));
        Application->ProcessMessages();
    }
    {
        // For scale: one article in a lone page viewer of a frame's size.
        owned_ptr<TPageViewer> solo(new TPageViewer(nullptr));
        solo->SetParent(form.get());
        solo->SetBounds(0, 0, 340, 90);
        solo->DefFontName = "Arial";
        std::vector<double> single;
        for (int i = 0; i < runs; ++i) {
            const auto start = Clock::now();
            solo->LoadFromFile(dir + "article" + std::to_string(i % 24) + ".htm");
            single.push_back(Ms(start));
        }
        std::printf("one article in a lone page viewer: median %.1f ms\n", Median(single));
    }
    std::printf("frames: %zu frames, %d viewers\n", fv->CurFrameSet()->AllFrames.size(), fv->GetCurViewerCount());
    std::printf("load of the whole set: median %.1f ms (first %.1f ms) over %d runs\n", Median(loads), loads.front(),
                runs);
    std::printf("resize laying out every frame: median %.1f ms over %d runs\n", Median(resizes), runs);
    form.reset();
    DoneHtmlEngine();
    return 0;
}
