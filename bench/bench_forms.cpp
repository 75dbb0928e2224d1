// Load time of a page with a form of 500 controls: read and laid out without
// windows (the engine alone), then loaded into a viewer on screen, where each
// control is a child window of the paint panel, and the cost of making and
// freeing those windows.
//   bench_forms [controls]        that form
//   bench_forms scale [N...]      time per control of pages of N inputs, of N
//                                 inputs with tabindex, of N drop-downs and of
//                                 a few drop-downs of N options each
//   bench_forms pages [bytes...]  pages of that size of <input>, of <select>
//                                 and of tabindex inputs: the time the window
//                                 is held, the windows made, the bytes charged
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
#include "framework/small_heap.h"
#include "html/form_controls.h"
#include "html/html_parser.h"
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

// `unit(i)` repeated up to `bytes` of HTML, or `count` times.
std::string Repeated(const std::function<std::string(int)>& unit, size_t bytes, int count) {
    std::string html;
    for (int i = 0; (count > 0 ? i < count : html.size() < bytes); ++i) html += unit(i);
    return html;
}

struct TScaleRow {
    const char* Name;
    std::function<std::string(int)> Unit;
};

// Tab indexes that run against the order of the page, so that every control
// is moved in the tab order.
const TScaleRow kRows[] = {
    {"<input>", [](int) { return std::string("<input>"); }},
    {"<input tabindex>", [](int i) { return "<input tabindex=" + std::to_string(30000 - i % 30000) + ">"; }},
    {"<select> of 3 options", [](int) { return std::string("<select><option>a<option>b<option>c</select>"); }},
};

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct TViewerBench {
    TForm Form{nullptr};
    TPageViewer* Viewer;
    TBitmap Bitmap;
    TViewerBench() {
        Form.SetBounds(0, 0, 900, 700);
        Viewer = new TPageViewer(nullptr);
        Viewer->SetParent(&Form);
        Viewer->SetBounds(0, 0, 860, 660);
        Viewer->DefFontName = "Arial";
        Viewer->PaintPanelControl()->HandleNeeded();
        Bitmap.SetPixelFormat(pf24bit);
        Bitmap.SetSize(Viewer->PaintPanelControl()->Width(), Viewer->PaintPanelControl()->Height());
    }
    ~TViewerBench() { TObject::Free(Viewer); }
    // Load and first paint: the time the window does not answer.
    double Load(const std::string& html) {
        return Seconds([&] {
            Viewer->LoadFromString(html, "");
            Viewer->PaintPanelControl()->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(Bitmap.Canvas()->Handle()));
        });
    }
    int Windows() { return ChildWindows(Viewer->PaintPanelControl()->Handle()); }
};

int Scale(const std::vector<int>& counts) {
    TViewerBench bench;
    std::printf("%-26s %8s %10s %10s %10s\n", "page", "controls", "load ms", "ms/control", "free ms");
    auto row = [&](const std::string& name, const std::string& html, int controls) {
        const double load = bench.Load(html);
        const int windows = bench.Windows();
        const double free = Seconds([&] { bench.Viewer->Clear(); });
        std::printf("%-26s %8d %10.1f %10.3f %10.1f%s\n", name.c_str(), controls, load * 1e3,
                    load * 1e3 / std::max(controls, 1), free * 1e3, windows < controls ? "  (fewer windows)" : "");
        std::fflush(stdout);
    };
    for (int n : counts) {
        for (const TScaleRow& r : kRows) row(r.Name, Repeated(r.Unit, 0, n), n);
        // Ten drop-downs of n options each: the cost is per option.
        const std::string options = "<select>" + Repeated([](int i) { return "<option>item " + std::to_string(i); }, 0, n) + "</select>";
        row("10 <select> of N options", Repeated([&](int) { return options; }, 0, 10), 10);
    }
    return 0;
}

int Pages(const std::vector<int>& sizes) {
    TViewerBench bench;
    std::printf("%-22s %10s %10s %8s %8s %12s %5s\n", "page", "bytes", "held s", "s/MB", "windows", "charged KB",
                "cut");
    const size_t outsideBefore = gOutsideHeapBytes.load();
    for (int size : sizes)
        for (const TScaleRow& r : kRows) {
            const std::string html = Repeated(r.Unit, static_cast<size_t>(size), 0);
            const double held = bench.Load(html);
            const bool cut = ReaderResults().CutShort;
            const size_t charged = gOutsideHeapBytes.load() - outsideBefore;
            std::printf("%-22s %10zu %10.2f %8.2f %8d %12zu %5s\n", r.Name, html.size(), held,
                        held / (static_cast<double>(html.size()) / (1 << 20)), bench.Windows(), charged >> 10,
                        cut ? "yes" : "no");
            std::fflush(stdout);
            bench.Viewer->Clear();
        }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::string(argv[1]) == "scale" || std::string(argv[1]) == "pages")) {
        std::vector<int> values;
        for (int i = 2; i < argc; ++i) values.push_back(std::max(1, std::atoi(argv[i])));
        if (std::string(argv[1]) == "scale") return Scale(values.empty() ? std::vector<int>{100, 1000, 10000} : values);
        return Pages(values.empty() ? std::vector<int>{65536, 1 << 20} : values);
    }
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
    // And the floor of a drop-down: a bare one made, given three options
    // with one chosen, and freed.
    const double bareCombo = BestTime([&] {
        std::vector<TComboBox*> combos;
        for (int i = 0; i < windows; ++i) {
            auto* c = new TComboBox(nullptr);
            c->SetStyle(csDropDownList);
            c->SetBounds(kOffScreenLeft, 0, 120, 20);
            c->SetParent(viewer->PaintPanelControl());
            c->HandleNeeded();
            for (const wchar_t* t : {L"one", L"two", L"three"})
                SendMessageW(c->Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
            SendMessageW(c->Handle(), CB_SETCURSEL, 2, 0);
            combos.push_back(c);
        }
        for (TComboBox* c : combos) TObject::Free(c);
    });
    std::printf("  %-44s %8.3f ms\n", "bare drop-down made, filled, freed, per window",
                bareCombo * 1e3 / std::max(windows, 1));
    TObject::Free(viewer);
    return 0;
}
