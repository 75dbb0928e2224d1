// Printing a document on a printer of bitmap pages.
#include <gtest/gtest.h>

#include "framework/bitmap.h"
#include "framework/graphics.h"
#include "framework/metafile.h"
#include "html/section_list.h"
#include "viewer/document_printing.h"
#include "viewer/metafile_printer.h"
#include "viewer/test_print_support.h"
#include "viewer/vw_printer.h"

using namespace print_test;

namespace {

// The page rectangle of the default margins in device pixels.
TPageGeometry GeometryOf(const TPrintDeviceValues& v, const TPrintSettings& s = {}) {
    auto g = ComputePageGeometry(v, s.Margins, 96, s.Scale);
    EXPECT_TRUE(g);
    return g.value_or(TPageGeometry{});
}

int TotalLines(const std::vector<TPage>& pages, const TPageGeometry& g) {
    int lines = 0;
    for (const TPage& p : pages)
        lines += static_cast<int>(
            p.InkRuns(g.MarginTop, g.MarginTop + g.PrintableHeight, 0, p.Width).size());
    return lines;
}

TEST(PrintPages, InkStaysInsideThePageRectangleAndEveryLineOnOnePage) {
    TBitmapPrinterScope printer(A4(100));
    auto doc = Document(NumberedLines(120));
    TPrintSettings settings;
    settings.Title = "A rather long title for the printed document, cut for the spooler";
    const int pages = PrintDocument(*doc, settings, 1, 9999);
    const auto& out = printer.Device.Pages;
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(pages, static_cast<int>(out.size()));
    EXPECT_EQ(printer.Device.EndDocs, 1);
    EXPECT_EQ(printer.Device.AbortDocs, 0);
    EXPECT_EQ(printer.Device.Title.size(), 31u);
    const TPageGeometry g = GeometryOf(printer.Device.Values);
    for (size_t i = 0; i < out.size(); ++i) {
        const TPage& p = out[i];
        for (int y = 0; y < p.Height; ++y) {
            const bool inside = y >= g.MarginTop - 1 && y < g.MarginTop + g.PrintableHeight + 2;
            if (!inside) {
                ASSERT_FALSE(p.RowInked(y, 0, p.Width)) << "page " << i << " row " << y;
                continue;
            }
            ASSERT_FALSE(p.RowInked(y, 0, g.MarginLeft - 1)) << "page " << i << " row " << y;
            ASSERT_FALSE(p.RowInked(y, g.MarginLeft + g.PrintableWidth + 2, p.Width)) << "page " << i;
        }
    }
    // A line cut by a page end would be counted on both pages.
    EXPECT_EQ(TotalLines(out, g), 120);
    // The spooler's abort procedure was asked, and the global printer is back.
    EXPECT_EQ(printer.Device.ContextsMade, printer.Device.ContextsDeleted);
}

TEST(PrintPages, HeadersAndFootersDrawInTheirBands) {
    TBitmapPrinterScope printer(A4(100));
    auto doc = Document(NumberedLines(80));
    TPrintSettings settings;
    std::vector<std::pair<int, int>> headerBands, footerBands;
    auto band = [](std::vector<std::pair<int, int>>& seen) {
        return [&seen](TObject*, TCanvas* canvas, int page, int width, int height, bool&) {
            seen.emplace_back(page, height);
            canvas->Brush()->SetColor(clBlack);
            canvas->FillRect(TRect{0, 0, width, height});
        };
    };
    settings.OnPrintHeader = band(headerBands);
    settings.OnPrintFooter = band(footerBands);
    const int pages = PrintDocument(*doc, settings, 1, 9999);
    ASSERT_GE(pages, 2);
    ASSERT_EQ(headerBands.size(), static_cast<size_t>(pages));
    const TPageGeometry g = GeometryOf(printer.Device.Values);
    EXPECT_EQ(headerBands[1], std::make_pair(2, g.Top));
    EXPECT_EQ(footerBands[0], std::make_pair(1, g.FullHeight - g.Top - g.Height));
    const TPage& p = printer.Device.Pages[0];
    EXPECT_EQ(p.Pixel(p.Width / 2, g.MarginTop / 2), 0u);                    // header band
    EXPECT_EQ(p.Pixel(p.Width / 2, p.Height - 3), 0u);                       // footer band
    EXPECT_NE(p.Pixel(p.Width / 2, g.MarginTop + g.PrintableHeight / 2), 0u);  // the content is not covered
}

// An absolutely positioned box at the page's left edge prints at the left
// margin, as the text beside it does.
TEST(PrintPages, AnAbsoluteBoxPrintsInsideTheMargin) {
    TBitmapPrinterScope printer(A4(100));
    auto doc = Document("<div style=\"position: absolute; left: 0; top: 10px; width: 40px; height: 40px; "
                        "border: 5px solid black\"></div><p>x");
    TPrintSettings settings;
    ASSERT_EQ(PrintDocument(*doc, settings, 1, 9999), 1);
    const TPageGeometry g = GeometryOf(printer.Device.Values);
    const TPage& p = printer.Device.Pages.at(0);
    int left = p.Width;
    for (int y = g.MarginTop; y < g.MarginTop + 60; ++y)
        for (int x = 0; x < left; ++x)
            if (p.Ink(x, y)) left = x;
    EXPECT_GE(left, g.MarginLeft - 1);
    EXPECT_LE(left, g.MarginLeft + 2);
}

TEST(PrintPages, ShortDocumentFiresThePageEventZeroThenOneTwice) {
    TBitmapPrinterScope printer(A4(100));
    auto doc = Document("<p>One short line</p>");
    TPrintSettings settings;
    std::vector<int> events;
    settings.OnPageEvent = [&](TObject*, int page, bool&) { events.push_back(page); };
    EXPECT_EQ(PrintDocument(*doc, settings, 1, 9999), 1);
    EXPECT_EQ(events, (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(printer.Device.Pages.size(), 1u);
}

TEST(PrintPages, TwiceTheScaleGivesTwiceTheGlyphsAndMorePages) {
    int firstLineHeight[2] = {0, 0};
    int pageCount[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        TBitmapPrinterScope printer(A4(100));
        auto doc = Document(NumberedLines(60));
        TPrintSettings settings;
        settings.Scale = i == 0 ? 1.0 : 2.0;
        pageCount[i] = PrintDocument(*doc, settings, 1, 9999);
        const TPageGeometry g = GeometryOf(printer.Device.Values, settings);
        const TPage& p = printer.Device.Pages.at(0);
        auto runs = p.InkRuns(g.MarginTop, g.MarginTop + g.PrintableHeight, 0, p.Width);
        ASSERT_FALSE(runs.empty());
        firstLineHeight[i] = runs[0].second - runs[0].first;
    }
    EXPECT_NEAR(firstLineHeight[1], 2 * firstLineHeight[0], 2);
    EXPECT_GT(pageCount[1], pageCount[0]);
}

TEST(PrintPages, APageRangePrintsExactlyThosePages) {
    auto doc = Document(NumberedLines(200));
    std::vector<TPage> all;
    {
        TBitmapPrinterScope printer(A4(100));
        PrintDocument(*doc, {}, 1, 9999);
        all = printer.Device.Pages;
    }
    ASSERT_GE(all.size(), 5u);
    TBitmapPrinterScope printer(A4(100));
    EXPECT_EQ(PrintDocument(*doc, {}, 2, 3), 3);
    ASSERT_EQ(printer.Device.Pages.size(), 2u);
    EXPECT_TRUE(printer.Device.Pages[0].Equals(all[1]));
    EXPECT_TRUE(printer.Device.Pages[1].Equals(all[2]));
    EXPECT_EQ(printer.Device.EndDocs, 1);
}

TEST(PrintPages, AnEmptyRangeAbortsTheJob) {
    for (int lines : {3, 200}) {
        TBitmapPrinterScope printer(A4(100));
        auto doc = Document(NumberedLines(lines));
        PrintDocument(*doc, {}, 3, 2);
        EXPECT_TRUE(printer.Device.Pages.empty()) << lines;
        EXPECT_EQ(printer.Device.AbortDocs, 1) << lines;
        EXPECT_EQ(printer.Device.EndDocs, 0) << lines;
    }
}

TEST(PrintPages, ARowTallerThanAPagePrintsInSlices) {
    TBitmapPrinterScope printer(A4(100));
    auto doc = Document("<table border=1><tr><td height=2500>tall</td></tr></table><p>after</p>");
    const int pages = PrintDocument(*doc, {}, 1, 9999);
    EXPECT_GE(pages, 2);
    EXPECT_LE(pages, 5);
}

TEST(PrintPages, BackgroundIsTiledOverThePage) {
    // A tile of two colours; the small one makes some hundred thousand tiles.
    for (int size : {8, 2}) {
        TBitmapPrinterScope printer(A4(100));
        auto doc = Document("<p>text on a background</p>");
        TBitmap tile;
        tile.SetPixelFormat(pf24bit);
        tile.SetSize(size, size);
        tile.Canvas()->Brush()->SetColor(0x00FF00);
        tile.Canvas()->FillRect(TRect{0, 0, size, size});
        tile.Canvas()->Brush()->SetColor(0x0000FF);
        tile.Canvas()->FillRect(TRect{0, 0, size / 2, size});
        TPrintSettings settings;
        settings.PrintBackground = true;
        settings.Background.Picture = &tile;
        settings.Background.Placement[0].Tiles = settings.Background.Placement[1].Tiles = true;
        ASSERT_EQ(PrintDocument(*doc, settings, 1, 9999), 1);
        const TPage& p = printer.Device.Pages.at(0);
        const TPageGeometry g = GeometryOf(printer.Device.Values);
        int white = 0, tiled = 0, green = 0;
        for (int y = g.MarginTop + 2; y < g.MarginTop + g.PrintableHeight - 2; y += 37)
            for (int x = g.MarginLeft + 2; x < g.MarginLeft + g.PrintableWidth - 2; x += 23) {
                const uint32_t c = p.Pixel(x, y);
                white += c == 0xFFFFFF;
                tiled += c == 0x00FF00 || c == 0x0000FF;
                green += c == 0x00FF00;
            }
        EXPECT_EQ(white, 0) << size;
        EXPECT_GT(tiled, 100) << size;
        EXPECT_GT(green, 20) << size;
        EXPECT_LT(green, tiled - 20) << size;
        EXPECT_FALSE(p.RowInked(g.MarginTop - 3, 0, p.Width)) << size;  // nothing above the page rectangle
    }
}

TEST(PrintPages, AFailingHeaderEndsTheJobAndRestoresThePrinter) {
    TBitmapPrinterScope printer(A4(100));
    auto doc = Document(NumberedLines(100));
    TvwPrinter* before = vwPrinter();
    TPrintSettings settings;
    int calls = 0;
    settings.OnPrintHeader = [&](TObject*, TCanvas*, int, int, int, bool&) {
        ++calls;
        throw Exception("header failed");
    };
    try {
        PrintDocument(*doc, settings, 1, 9999);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "header failed");
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(vwPrinter(), before);
    EXPECT_FALSE(PrintJobRunning());
    EXPECT_EQ(printer.Device.EndDocs + printer.Device.AbortDocs, 1);
    EXPECT_EQ(printer.Device.ContextsMade, printer.Device.ContextsDeleted);
}

TEST(PrintPages, DeviceFailuresAndCancelsEndTheJob) {
    auto doc = Document(NumberedLines(100));
    {
        // A page the device refuses: the job is aborted, the system's text raised.
        TBitmapPrinterScope printer(A4(100));
        printer.Device.FailAtStartPage = 2;
        try {
            PrintDocument(*doc, {}, 1, 9999);
            ADD_FAILURE() << "no exception";
        } catch (const EPrinter& e) {
            EXPECT_EQ(e.Message, SysErrorMessage(ERROR_NOT_ENOUGH_MEMORY));
        }
        EXPECT_EQ(printer.Device.AbortDocs, 1);
        EXPECT_FALSE(PrintJobRunning());
    }
    {
        // The user cancels in the spooler: nothing is raised.
        TBitmapPrinterScope printer(A4(100));
        printer.Device.FailStartDoc = SP_USERABORT;
        printer.Device.FailError = ERROR_CANCELLED;
        EXPECT_NO_THROW(PrintDocument(*doc, {}, 1, 9999));
        EXPECT_TRUE(printer.Device.Pages.empty());
    }
    {
        TBitmapPrinterScope printer(A4(100));
        printer.Device.RefuseContexts = true;
        try {
            PrintDocument(*doc, {}, 1, 9999);
            ADD_FAILURE() << "no exception";
        } catch (const EPrinter& e) {
            EXPECT_EQ(e.Message, SInvalidPrinter);
        }
    }
}

TEST(PrintPages, PagesThatCannotTakePrintAreRefusedBeforeAnyPage) {
    TPrintDeviceValues noResolution = A4(100);
    noResolution.PixelsPerInchX = 0;
    struct Case {
        TPrintDeviceValues device;
        TPrintMargins margins;
    } cases[] = {{noResolution, {}}, {A4(100), {12, 12, 2, 2}}, {A4(100), {2, 2, 16, 16}}};
    for (const Case& c : cases) {
        TBitmapPrinterScope printer(c.device);
        auto doc = Document(NumberedLines(5));
        TPrintSettings settings;
        settings.Margins = c.margins;
        try {
            PrintDocument(*doc, settings, 1, 9999);
            ADD_FAILURE() << "no exception";
        } catch (const EPrinter& e) {
            EXPECT_EQ(e.Message, SInvalidPrinter);
        }
        EXPECT_EQ(printer.Device.StartDocs, 0);
        TMetaFilePrinter preview(nullptr);
        EXPECT_THROW(PreviewDocument(*doc, settings, preview, false), EPrinter);
        EXPECT_EQ(preview.GetPageNum(), 0);
    }
}

TEST(PrintPages, DrawingOutsideAJobIsRefused) {
    TBitmapPrinterScope printer(A4(100));
    TvwPrinter p;
    try {
        p.GetCanvas()->FillRect(TRect{0, 0, 10, 10});
        ADD_FAILURE() << "no exception";
    } catch (const EPrinter& e) {
        EXPECT_EQ(e.Message, SNotPrinting);
    }
    EXPECT_THROW(p.EndDoc(), EPrinter);
    EXPECT_EQ(p.GetPageWidth(), A4(100).PageWidth);
    EXPECT_EQ(p.State(), psHandleIC);
    p.BeginDoc();
    EXPECT_THROW(p.BeginDoc(), EPrinter);
    EXPECT_EQ(p.State(), psHandleDC);
    p.NewPage();
    EXPECT_EQ(p.PageNumber(), 2);
    p.EndDoc();
    EXPECT_EQ(printer.Device.Pages.size(), 2u);
}

TEST(PrintPages, PreviewPagesMatchThePrintedCount) {
    TBitmapPrinterScope printer(A4(100));
    auto doc = Document(NumberedLines(150));
    TPrintSettings settings;
    bool headerAsked = false;
    settings.HTMLHeader = [&](int, bool, int&, int&, bool&) {
        headerAsked = true;
        return TBandDocument{};
    };
    TMetaFilePrinter preview(nullptr);
    std::vector<int> newPages;
    preview.OnPageEvent = [&](TObject*, int count, bool&) { newPages.push_back(count); };
    const int previewed = PreviewDocument(*doc, settings, preview, false);
    EXPECT_TRUE(headerAsked);
    EXPECT_EQ(previewed, preview.GetPageNum());
    EXPECT_EQ(preview.GetLastAvailPage(), previewed);
    ASSERT_NE(preview.GetMetaFile(previewed - 1), nullptr);
    EXPECT_EQ(preview.GetMetaFile(previewed), nullptr);
    EXPECT_FALSE(preview.GetMetaFile(0)->Empty());
    EXPECT_EQ(newPages.front(), 1);

    TMetaFilePrinter counting(nullptr);
    headerAsked = false;
    const int counted = PreviewDocument(*doc, settings, counting, true);
    EXPECT_FALSE(headerAsked);  // no HTML bands while only counting
    EXPECT_EQ(counted, previewed);
    const int printed = PrintDocument(*doc, settings, 1, 9999);
    EXPECT_EQ(printed, previewed);
    EXPECT_EQ(static_cast<int>(printer.Device.Pages.size()), printed);

    counting.SetUnits(unCentimeters);
    EXPECT_EQ(counting.Units(), unCentimeters);
    EXPECT_DOUBLE_EQ(counting.ConvFactor(), 2.54);
    counting.FreeMetaFiles();
    EXPECT_EQ(counting.GetPageNum(), 0);
}

// `count` copies of before + their number + after.
std::string Numbered(int count, const std::string& before, const std::string& after) {
    std::string html;
    for (int i = 0; i < count; ++i) html += before + std::to_string(i) + after;
    return html;
}

// Counting keeps one recording for all pages; the count is that of the pages
// a preview records and a job prints, whatever ends the pages.
TEST(PrintPages, CountingGivesThePagesOfThePreviewAndOfThePrint) {
    struct Case {
        const char* name;
        std::string html;
        double scale;
    } cases[] = {
        {"one line", "<p>One short line</p>", 1.0},
        {"many lines", NumberedLines(150), 1.0},
        {"at twice the scale", NumberedLines(150), 2.0},
        {"a row taller than a page", "<table border=1><tr><td height=2500>tall</td></tr></table><p>after</p>", 1.0},
        {"page breaks", "<p>a</p><p style=\"page-break-before: always\">b</p><p style=\"page-break-after: always\">c</p>"
                        "<p>d</p>", 1.0},
        {"a table over pages", "<table border=1>" + Numbered(120, "<tr><td>row ", "</td><td>cell</td></tr>") + "</table>",
         1.0},
        // Counting passes over the fonts and the context of plain text; text
        // with frames or pictures is drawn as when printing.
        {"framed words", Numbered(80, "<p>Line ", " with <span style=\"border: 2px solid red\">framed</span></p>"), 1.0},
        {"preformatted text", "<pre>" + Numbered(150, "line ", "\n") + "</pre>", 1.0},
        {"lists and boxes",
         Numbered(40, "<ul><li>item ", "<li>next</ul><div style=\"border: 2px solid black; padding: 4px\">box</div>"),
         1.0},
        {"floats taller than their paragraphs",
         "<p><img width=40 height=700 align=left>short</p>" + NumberedLines(40) +
             "<p><img width=40 height=900 align=right>short</p>" + NumberedLines(40), 1.0},
    };
    for (const Case& c : cases) {
        TBitmapPrinterScope printer(A4(100));
        auto doc = Document(c.html);
        TPrintSettings settings;
        settings.Scale = c.scale;
        std::vector<int> events;
        settings.OnPageEvent = [&](TObject*, int page, bool&) { events.push_back(page); };
        const int counted = CountDocumentPages(*doc, settings);
        const std::vector<int> countingEvents = events;
        TMetaFilePrinter preview(nullptr);
        EXPECT_EQ(PreviewDocument(*doc, settings, preview, true), counted) << c.name;
        EXPECT_EQ(preview.GetPageNum(), counted) << c.name;
        EXPECT_EQ(PrintDocument(*doc, settings, 1, 9999), counted) << c.name;
        EXPECT_EQ(static_cast<int>(printer.Device.Pages.size()), counted) << c.name;
        ASSERT_FALSE(countingEvents.empty());
        EXPECT_EQ(countingEvents.back(), counted) << c.name;
    }
    TBitmapPrinterScope printer(A4(100));
    TSectionList empty(nullptr);
    EXPECT_EQ(CountDocumentPages(empty, {}), 0);
}

// Counting keeps nothing it draws and passes over frames and bullets; a
// preview without text still shows them.
TEST(PrintPages, APreviewWithoutTextStillShowsFramesAndBullets) {
    struct Case {
        const char* name;
        const char* html;
    } cases[] = {
        {"a table's frames", "<table border=2><tr><td>cell</td><td>cell</td></tr></table>"},
        {"a cell's own border", "<table><tr><td style=\"border: 3px solid black\">cell</td></tr></table>"},
        {"a box's border", "<div style=\"border: 3px solid black\">box</div>"},
        {"a list's bullets", "<ul><li>first<li>second</ul>"},
    };
    for (const Case& c : cases) {
        TBitmapPrinterScope printer(A4(100));
        auto doc = Document(c.html);
        EXPECT_EQ(CountDocumentPages(*doc, {}), 1) << c.name;
        TMetaFilePrinter preview(nullptr);
        ASSERT_EQ(PreviewDocument(*doc, {}, preview, true), 1) << c.name;
        TBitmap sheet;
        sheet.SetPixelFormat(pf24bit);
        sheet.SetSize(827, 1169);
        sheet.Canvas()->Brush()->SetColor(clWhite);
        sheet.Canvas()->FillRect(TRect{0, 0, sheet.Width(), sheet.Height()});
        preview.GetMetaFile(0)->Draw(sheet.Canvas(), TRect{0, 0, sheet.Width(), sheet.Height()});
        int ink = 0;
        for (int y = 0; y < sheet.Height(); ++y) {
            const auto* row = static_cast<const uint8_t*>(sheet.ScanLine(y));
            for (int x = 0; x < sheet.Width() * 3; ++x) ink += row[x] != 0xFF ? 1 : 0;
        }
        EXPECT_GT(ink, 0) << c.name;
    }
}

TEST(PrintPages, OnlyOneJobAtATime) {
    TBitmapPrinterScope printer(A4(100));
    auto doc = Document(NumberedLines(100));
    TPrintSettings settings;
    int nested = -1;
    TBitmap* picture = reinterpret_cast<TBitmap*>(1);
    settings.OnPageEvent = [&](TObject*, int page, bool&) {
        if (page != 1 || nested >= 0) return;
        EXPECT_TRUE(PrintJobRunning());
        nested = PrintDocument(*doc, {}, 1, 9999);
        picture = DocumentBitmap(*doc, {}, 0, 600, 100, 100);
    };
    bool ranAfter = false;
    const int pages = PrintDocument(*doc, settings, 1, 9999);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(picture, nullptr);
    EXPECT_EQ(printer.Device.StartDocs, 1);
    EXPECT_EQ(static_cast<int>(printer.Device.Pages.size()), pages);
    AfterPrintJob([&] { ranAfter = true; });
    EXPECT_TRUE(ranAfter);
}

TEST(PrintPages, ThePrinterTakesTheWholeDeviceModeWithItsDriverPart) {
    TBitmapPrinterScope printer(A4(100));
    const size_t extra = 24;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DEVMODEW) + extra);
    auto* mode = static_cast<DEVMODEW*>(GlobalLock(block));
    mode->dmSize = sizeof(DEVMODEW);
    mode->dmDriverExtra = static_cast<WORD>(extra);
    mode->dmOrientation = DMORIENT_LANDSCAPE;
    auto* driverPart = reinterpret_cast<uint8_t*>(mode) + sizeof(DEVMODEW);
    for (size_t i = 0; i < extra; ++i) driverPart[i] = static_cast<uint8_t>(0xA0 + i);
    GlobalUnlock(block);
    Printer()->SetPrinter(L"Bitmap printer", L"", L"", block);
    GlobalFree(block);

    TvwPrinter p;
    ASSERT_NE(p.GetHandle(), nullptr);
    const auto& seen = printer.Device.LastDeviceMode;
    ASSERT_EQ(seen.size(), sizeof(DEVMODEW) + extra);
    EXPECT_EQ(reinterpret_cast<const DEVMODEW*>(seen.data())->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(seen.back(), 0xA0 + extra - 1);
}

TEST(PrintPictures, HeightAbove4000IsRefused) {
    auto doc = Document(NumberedLines(10));
    owned_ptr<TBitmap> tall(DocumentBitmap(*doc, {}, 0, 400, 50, 4000));
    ASSERT_TRUE(tall);
    EXPECT_EQ(tall->Height(), 4000);
    try {
        owned_ptr<TBitmap> tooTall(DocumentBitmap(*doc, {}, 0, 400, 50, 4001));
        ADD_FAILURE() << "no exception";
    } catch (const EExcessiveSizeError& e) {
        EXPECT_EQ(e.Message, "Vertical Height exceeds 4000");
    }
    EXPECT_THROW(owned_ptr<TMetafile>(DocumentMetaFile(*doc, {}, 0, 400, 50, 4001)), EExcessiveSizeError);
}

TEST(PrintPictures, BitmapAndMetafileShowTheDocument) {
    auto doc = Document("<p>Picture text</p>");
    TDocumentBackground background;
    background.Color = 0xC0C0C0;
    owned_ptr<TBitmap> bitmap(DocumentBitmap(*doc, background, 0, 300, 300, 60));
    ASSERT_TRUE(bitmap);
    int dark = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 300; ++x) dark += (bitmap->Canvas()->Pixels(x, y) & 0xFFFFFF) == 0;
    EXPECT_GT(dark, 20);
    EXPECT_EQ(bitmap->Canvas()->Pixels(299, 59) & 0xFFFFFF, 0xC0C0C0u);

    owned_ptr<TMetafile> metafile(DocumentMetaFile(*doc, background, 0, 300, 300, 60));
    ASSERT_TRUE(metafile);
    EXPECT_FALSE(metafile->Empty());

    struct Case {
        int width, height;
    } none[] = {{0, 60}, {300, 0}, {-5, 60}, {300, -1}};
    for (const Case& c : none) {
        EXPECT_EQ(DocumentBitmap(*doc, background, 0, 300, c.width, c.height), nullptr);
        EXPECT_EQ(DocumentMetaFile(*doc, background, 0, 300, c.width, c.height), nullptr);
    }
    owned_ptr<TSectionList> empty(new TSectionList(nullptr));
    EXPECT_EQ(DocumentBitmap(*empty, background, 0, 300, 300, 60), nullptr);
}

}  // namespace
