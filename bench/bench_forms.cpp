// Load time of a page with a form of 500 controls: read and laid out without
// windows (the engine alone), then loaded into a viewer on screen, where each
// control is a child window of the paint panel, and the cost of making and
// freeing those windows.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/win.h"
#include "html/form_controls.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "viewer/page_viewer.h"

namespace {

int kControls = 500;  // a first argument sets another count
constexpr int kRepeats = 5;

double BestTime(const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// Ten controls to a paragraph: edits, check boxes, radio buttons, drop-downs
// and text areas in the proportions of a long questionnaire.
std::string FormPage() {
    std::string html = "<FORM ACTION=answer>";
    for (int i = 0; i < kControls; ++i) {
        if (i % 10 == 0) html += "<P>Question " + std::to_string(i / 10) + " ";
        const std::string name = "f" + std::to_string(i);
        switch (i % 10) {
            case 0: case 1: case 2: case 3: case 4: case 5:
                html += "<INPUT NAME=" + name + " VALUE=\"answer " + std::to_string(i) + "\"> ";
                break;
            case 6: html += "<INPUT TYPE=checkbox NAME=" + name + " CHECKED> "; break;
            case 7: html += "<INPUT TYPE=radio NAME=g" + std::to_string(i / 10) + " VALUE=1> "; break;
            case 8: html += "<SELECT NAME=" + name + "><OPTION>one<OPTION>two<OPTION SELECTED>three</SELECT> "; break;
            default: html += "<TEXTAREA NAME=" + name + " ROWS=2 COLS=20>text</TEXTAREA>"; break;
        }
    }
    return html + "<P><INPUT TYPE=submit></FORM>";
}

int ChildWindows(HWND parent) {
    int n = 0;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) ++n;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) kControls = std::max(1, std::atoi(argv[1]));
    const std::string html = FormPage();
    std::printf("Form of %d controls (%zu bytes of HTML)\n", kControls, html.size());

    const double engine = BestTime([&] {
        TSectionList doc(nullptr);
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 5, 10);
        ParseHTMLString(html, &doc, {});
        int scrollWidth = 0, pos = 0;
        doc.DoLogic(nullptr, 0, 800, 600, 0, scrollWidth, pos);
        doc.Clear();
    });
    std::printf("  %-44s %8.2f ms\n", "read + layout, no windows", engine * 1e3);

    TForm form(nullptr);
    form.SetBounds(0, 0, 900, 700);
    auto* viewer = new TPageViewer(nullptr);
    viewer->SetParent(&form);
    viewer->SetBounds(0, 0, 860, 660);
    viewer->DefFontName = "Arial";
    viewer->PaintPanelControl()->HandleNeeded();
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(viewer->PaintPanelControl()->Width(), viewer->PaintPanelControl()->Height());
    auto paint = [&] {
        viewer->PaintPanelControl()->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(bitmap.Canvas()->Handle()));
    };

    const double load = BestTime([&] {
        viewer->LoadFromString(html, "");
        paint();
    });
    const int windows = ChildWindows(viewer->PaintPanelControl()->Handle());
    std::printf("  %-44s %8.2f ms  (%d child windows)\n", "viewer load + first paint", load * 1e3, windows);

    const double clear = BestTime([&] {
        viewer->LoadFromString(html, "");
        viewer->Clear();
    });
    const double scroll = BestTime([&] {
        viewer->LoadFromString(html, "");
        paint();
        for (int y = 0; y < viewer->GetScrollBarRange(); y += 300) {
            viewer->ScrollTo(y);
            paint();
        }
    });
    std::printf("  %-44s %8.2f ms\n", "viewer load + free", clear * 1e3);
    std::printf("  %-44s %8.2f ms\n", "viewer load, paint at every 300 px", scroll * 1e3);
    std::printf("  %-44s %8.3f ms\n", "windows: load - engine alone, per window",
                windows > 0 ? (load - engine) * 1e3 / windows : 0.0);
    // The floor: the same number of bare edit boxes made on the panel and freed.
    viewer->Clear();
    const double bare = BestTime([&] {
        std::vector<TEdit*> edits;
        for (int i = 0; i < windows; ++i) {
            auto* e = new TEdit(nullptr);
            e->SetBounds(kOffScreenLeft, 0, 120, 20);
            e->SetParent(viewer->PaintPanelControl());
            e->HandleNeeded();
            edits.push_back(e);
        }
        for (TEdit* e : edits) TObject::Free(e);
    });
    std::printf("  %-44s %8.3f ms\n", "bare edit box made and freed, per window", bare * 1e3 / std::max(windows, 1));
    TObject::Free(viewer);
    return 0;
}
