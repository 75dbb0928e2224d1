// Printing at 300 dpi on A4: counting the pages (a preview without output),
// the preview into metafiles, and the print job, for a typical article, a
// 25 KB article and a 1 MB page, beside the screen layout of the same
// document at the same width. The printer is in memory (no spooler). The
// job is timed twice: on pages that take every call but keep no pixels, so
// the figure is the program's own work (a real printer rasterises in its
// driver, spooler or the device itself), and on pages rasterised in memory
// at the printer's size, cleared at every page start.
//   bench_print.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/printers.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "viewer/document_printing.h"
#include "viewer/metafile_printer.h"

namespace {

using Clock = std::chrono::steady_clock;

// A printer in memory with the values of a 300 dpi A4 printer: a page of
// its size in memory when rasterising, else a single pixel that every
// drawing call still reaches (and is clipped to).
class TMemoryPageDevice final : public TPrinterDevice {
public:
    HDC CreateContext(const std::wstring&, const std::wstring&, const std::wstring&, const void*, bool) override {
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = Rasterising ? kWidth : 1;
        info.bmiHeader.biHeight = Rasterising ? -kHeight : -1;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        FPages[dc] = {bitmap, SelectObject(dc, bitmap)};
        return dc;
    }
    void DeleteContext(HDC dc) override {
        const auto [bitmap, old] = FPages[dc];
        FPages.erase(dc);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    int Caps(HDC dc, int index) override {
        switch (index) {
            case LOGPIXELSX:
            case LOGPIXELSY: return 300;
            case HORZRES: return kWidth;
            case VERTRES: return kHeight;
            case PHYSICALWIDTH: return 2479;
            case PHYSICALHEIGHT: return 3508;
            case PHYSICALOFFSETX:
            case PHYSICALOFFSETY: return 75;
            case NUMCOLORS: return -1;
            default: return GetDeviceCaps(dc, index);
        }
    }
    int StartDocument(HDC, const std::wstring&, bool (*)()) override { return 1; }
    int StartPage(HDC dc) override {
        if (Rasterising) PatBlt(dc, 0, 0, kWidth, kHeight, WHITENESS);
        return 1;
    }
    int EndPage(HDC) override {
        ++Pages;
        return 1;
    }
    int EndDocument(HDC) override { return 1; }
    int AbortDocument(HDC) override { return 1; }

    int Pages = 0;
    // Taken by the contexts made after it changes.
    bool Rasterising = false;

private:
    static constexpr int kWidth = 2329, kHeight = 3358;
    // Each context's bitmap and what it replaced.
    std::map<HDC, std::pair<HBITMAP, HGDIOBJ>> FPages;
};

// Code page 1251, as articles are.
std::string Paragraph(int n) {
    return Utf8ToAnsi("<p>Термин <b>номер " + std::to_string(n) +
           "</b> означает способ передачи данных между узлами сети, при котором каждый пакет "
           "несёт <i>адрес получателя</i> и проходит через несколько промежуточных узлов.</p>\r\n");
}

// About `bytes` of article HTML, with a small table now and then.
std::string Article(size_t bytes) {
    std::string html = Utf8ToAnsi("<html><body><h2>Статья</h2>");
    for (int n = 1; html.size() < bytes; ++n) {
        html += Paragraph(n);
        if (n % 20 == 0) html += Utf8ToAnsi("<table border=1><tr><td>уровень</td><td>протокол</td></tr></table>");
    }
    return html + "</body></html>";
}

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

}  // namespace

int main() {
    InitializeForms();
    InitHtmlEngine();
    TMemoryPageDevice device;
    SetPrinterDevice(&device);
    Printer()->SetPrinter(L"Memory page", L"", L"", nullptr);

    struct Case {
        const char* name;
        size_t bytes;
    } cases[] = {{"typical article (3 KB)", 3000}, {"25 KB article", 25000}, {"1 MB page", 1000000}};
    const TPrintSettings settings;
    for (const Case& c : cases) {
        TSectionList doc(nullptr);
        doc.SetFonts("Times New Roman", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true,
                     1, 8, 10);
        ParseHTMLString(Article(c.bytes), &doc, {});

        // The screen layout of a fresh copy at the page's logical width (642
        // at 300 dpi with 2 cm margins), as printing lays out its own copy.
        int scrollWidth = 0, positions = 0;
        doc.DoLogic(nullptr, 0, 642, 972, 0, scrollWidth, positions);
        // The best of a few rounds: the machine may be busy with other work.
        constexpr int kRounds = 5;
        double screen = 1e30;
        for (int i = 0; i < kRounds; ++i) {
            const auto start = Clock::now();
            TSectionList copy(doc);
            positions = 0;
            copy.DoLogic(nullptr, 0, 642, 972, 0, scrollWidth, positions);
            screen = std::min(screen, Ms(start));
        }

        // The first job of a run also measures the printer's glyphs; the
        // rounds after it show what every further count costs.
        auto start = Clock::now();
        int pages = CountDocumentPages(doc, settings);
        const double firstCount = Ms(start);
        double counting = 1e30;
        for (int i = 0; i < kRounds; ++i) {
            start = Clock::now();
            pages = CountDocumentPages(doc, settings);
            counting = std::min(counting, Ms(start));
        }

        TMetaFilePrinter preview(nullptr);
        start = Clock::now();
        PreviewDocument(doc, settings, preview, false);
        const double previewing = Ms(start);

        device.Pages = 0;
        start = Clock::now();
        PrintDocument(doc, settings, 1, 9999);
        const double printing = Ms(start);
        const int spooled = device.Pages;

        // Each job makes its own device context, so the pages in memory
        // apply to this one job.
        device.Rasterising = true;
        start = Clock::now();
        PrintDocument(doc, settings, 1, 9999);
        const double rasterising = Ms(start);
        device.Rasterising = false;

        std::printf("%s: %d pages; screen layout %.1f ms, NumPrinterPages %.1f ms (%.2fx; first in the run "
                    "%.1f ms), PrintPreview %.1f ms, Print %.1f ms (%d pages spooled; rasterised in memory "
                    "%.1f ms)\n",
                    c.name, pages, screen, counting, screen > 0 ? counting / screen : 0.0, firstCount, previewing,
                    printing, spooled, rasterising);
    }
    SetPrinterDevice(nullptr);
    return 0;
}
