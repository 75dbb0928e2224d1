// A long session of the dictionary program in one process: the main window
// over the sample dictionary shows the pictures, table, form and long
// articles in turn, scrolls and paints each 2,000 times in all, then lets the
// pictures article animate for 200 ticks of its timer. Prints the program's
// own GDI counts (under Wine the system reports none), the window count and
// the committed memory after the first round and at the end; they should not
// grow.
//   bench_long_run.exe [DICTIONARY_FOLDER] [rounds]
// The folder defaults to build/run (tools/run.sh) or build/testdata/dictionary
// (the tests' set-up), whichever exists.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/gdi_handles.h"
#include "framework/grids.h"
#include "framework/sysutils.h"
#include "framework/timer.h"
#include "html/html_startup.h"
#include "html/image_obj.h"
#include "images/gif_image.h"
#include "images/png_image.h"
#include "shell/main_form.h"
#include "util/utilconst.h"
#include "viewer/page_viewer.h"

namespace {

const char* const kTerms[] = {"Условные обозначения", "Линии доступа", "Параметры подключения",
                              "Структурированная кабельная система"};
constexpr int kPaintsPerArticle = 2000;
constexpr int kAnimationTicks = 200;

struct Figures {
    int counts[7] = {};  // fonts, pens, brushes, bitmaps, DCs, regions, palettes
    int windows = 0;
    SIZE_T committed = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND wnd, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(wnd, CountChild, count);
    return TRUE;
}

Figures Measure() {
    Figures f;
    const TGuiResource kinds[] = {TGuiResource::Font,   TGuiResource::Pen,    TGuiResource::Brush,
                                  TGuiResource::Bitmap, TGuiResource::DC,     TGuiResource::Region,
                                  TGuiResource::Palette};
    for (int i = 0; i < 7; ++i) f.counts[i] = GuiResourceCount(kinds[i]);
    EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&f.windows));
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))) f.committed = memory.PagefileUsage;
    return f;
}

void Print(const char* when, const Figures& f) {
    std::printf("%-12s fonts %4d  pens %3d  brushes %3d  bitmaps %4d  DCs %3d  regions %3d  palettes %2d  "
                "windows %3d  committed %7llu KB\n",
                when, f.counts[0], f.counts[1], f.counts[2], f.counts[3], f.counts[4], f.counts[5], f.counts[6],
                f.windows, static_cast<unsigned long long>(f.committed / 1024));
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Select(TForm1* form, int row) {
    form->List->SetRow(row);
    form->ListClick(nullptr);
    form->Timer1Timer(nullptr);
    Pump();
}

// Scrolls through the article and paints it `paints` times.
void PaintScrolling(TForm1* form, int paints) {
    TPageViewer* viewer = form->Viewer;
    HWND panel = viewer->PaintPanelControl()->Handle();
    const int range = std::max(viewer->GetScrollBarRange(), 0);
    for (int i = 0; i < paints; ++i) {
        viewer->SetScrollPos(range > 0 ? (i * 53) % (range + 1) : 0);
        InvalidateRect(panel, nullptr, TRUE);
        UpdateWindow(panel);
        if (i % 50 == 0) Pump();
    }
    viewer->SetScrollPos(0);
    Pump();
}

// Lets the panes' animation timers tick `ticks` times (the form's own timer
// is stopped meanwhile, so every timer message is an animation tick); returns
// the frame changes of the shown article's pictures.
int Animate(TForm1* form, int ticks) {
    form->Timer1->SetEnabled(false);
    TSectionList* document = form->Viewer->Document();
    std::vector<int> frames(document->AnimatedImages.size());
    int changes = 0, seen = 0;
    const DWORD end = GetTickCount() + 60000;
    while (seen < ticks && static_cast<int>(end - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER) ++seen;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        for (size_t i = 0; i < frames.size(); ++i) {
            auto* image = dynamic_cast<TImageObj*>(document->AnimatedImages[i]);
            const int frame = image && image->Gif() ? image->Gif()->CurrentFrame() : 0;
            if (frames[i] && frame != frames[i]) ++changes;
            frames[i] = frame;
        }
    }
    form->Timer1->SetEnabled(true);
    return changes;
}

std::string DictionaryFolder(int argc, char** argv) {
    if (argc > 1) return argv[1];
    for (const char* candidate : {"build/run", "build/testdata/dictionary"})
        if (FileExists(std::string(candidate) + "/voc.ind")) return candidate;
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = DictionaryFolder(argc, argv);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    if (folder.empty() || !SetCurrentDirectoryA(folder.c_str())) {
        std::printf("no sample dictionary: run tools/run.sh or the tests first, or name its folder\n");
        return 0;
    }
    InitializeForms();
    InitHtmlEngine();
    InitializePNGImage();
    InstallUtilCursors();
    auto* form = new TForm1(Application);
    form->SetBounds(0, 0, 1000, 900);
    form->Show();
    Pump();

    std::vector<int> rows;
    for (const char* term : kTerms) {
        const int row = form->Terms().FindPrefix(AnsiUpperCase(Utf8ToAnsi(term)));
        if (row < 0) {
            std::printf("the sample dictionary has no term \"%s\"\n", term);
            TObject::Free(form);
            return 1;
        }
        rows.push_back(row);
    }
    const int paints = kPaintsPerArticle / rounds;
    Figures first;
    for (int round = 0; round < rounds; ++round) {
        for (int row : rows) {
            Select(form, row);
            PaintScrolling(form, paints);
        }
        if (round == 0) first = Measure();
    }
    Select(form, rows[0]);
    const int changes = Animate(form, kAnimationTicks);
    Select(form, rows[1]);  // the same article as at the first count
    Select(form, rows[2]);
    Select(form, rows[3]);
    const Figures last = Measure();

    std::printf("%d paints of each of %zu articles in %d rounds; %d animation ticks changed the pictures "
                "article's frames %d times\n",
                paints * rounds, rows.size(), rounds, kAnimationTicks, changes);
    Print("first round", first);
    Print("at the end", last);
    const long long growth = static_cast<long long>(last.committed) - static_cast<long long>(first.committed);
    std::printf("committed memory grew by %lld KB\n", growth / 1024);
    TObject::Free(form);
    DoneHtmlEngine();
    return 0;
}
