// The viewer's printing members.
#include <gtest/gtest.h>

#include <functional>

#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/metafile.h"
#include "framework/streams.h"
#include "viewer/document_printing.h"
#include "viewer/metafile_printer.h"
#include "html/font_obj.h"
#include "viewer/page_viewer.h"
#include "viewer/test_print_support.h"
#include "support/test_support.h"

using namespace print_test;

namespace {

class ViewerPrintTest : public ::testing::Test {
protected:
    ViewerPrintTest() : printer(A4(100)), form(new TForm(nullptr)) {
        form->SetBounds(0, 0, 640, 480);
        viewer.reset(new TPageViewer(nullptr));
        viewer->SetParent(form.get());
        viewer->SetBounds(0, 0, 600, 400);
        viewer->DefFontName = "Arial";
        viewer->LoadFromString("<title>Printed page</title>" + NumberedLines(120), "");
    }
    TBitmapPrinterScope printer;
    owned_ptr<TForm> form;
    owned_ptr<TPageViewer> viewer;
};

TEST_F(ViewerPrintTest, CountingPagesMatchesPrintingAndKeepsThePageHandler) {
    std::vector<int> events;
    viewer->OnPageEvent = [&](TObject*, int page, bool&) { events.push_back(page); };
    const int counted = viewer->NumPrinterPages();
    EXPECT_GE(counted, 2);
    EXPECT_TRUE(events.empty()) << "counting is not printing";
    ASSERT_TRUE(viewer->OnPageEvent) << "the handler is back";

    viewer->Print(1, 9999);
    EXPECT_EQ(static_cast<int>(printer.Device.Pages.size()), counted);
    EXPECT_EQ(viewer->PrintedPageCount, counted);
    EXPECT_EQ(events.front(), 0);
    EXPECT_EQ(events.back(), counted);
    EXPECT_EQ(printer.Device.Title, L"Printed page");

    TMetaFilePrinter preview(nullptr);
    EXPECT_EQ(viewer->PrintPreview(&preview), counted);
    EXPECT_EQ(preview.GetPageNum(), counted);
}

// A panel prints through the host: the printed copy has no window of its
// own, and the host is handed the viewer and the panel it filled.
TEST_F(ViewerPrintTest, APanelIsPrintedByTheHostFromTheViewersOwnPanel) {
    TWinControl* created = nullptr;
    viewer->SetOnPanelCreate([&](TObject*, const std::string&, const std::string&, const std::string&,
                                 TWinControl* panel) {
        created = panel;
        panel->SetBounds(panel->Left(), panel->Top(), 80, 50);
    });
    std::vector<std::pair<TObject*, TWinControl*>> printed;
    viewer->SetOnPanelPrint([&](TObject* sender, TWinControl* panel, TBitmap* bitmap) {
        printed.emplace_back(sender, panel);
        bitmap->Canvas()->Brush()->SetColor(0x0000FF);
        bitmap->Canvas()->FillRect(TRect{0, 0, bitmap->Width(), bitmap->Height()});
    });
    viewer->LoadFromString("<p>before <panel name=chart> after", "");
    ASSERT_NE(created, nullptr);
    viewer->Print(1, 9999);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].first, viewer.get());
    EXPECT_EQ(printed[0].second, created);
    ASSERT_EQ(printer.Device.Pages.size(), 1u);
    const TPage& page = printer.Device.Pages[0];
    int red = 0;
    for (int y = 0; y < page.Height; ++y)
        for (int x = 0; x < page.Width; ++x) red += page.Pixel(x, y) == 0x0000FF;
    EXPECT_GT(red, 80 * 50 / 2);
}

TEST_F(ViewerPrintTest, HTMLHeaderIsLoadedIntoAHiddenBandViewerAndPrintedAboveThePage) {
    std::vector<std::pair<int, bool>> asked;
    viewer->OnPrintHTMLHeader = [&](TObject* sender, TPageViewer* band, int page, bool last, int&, int&,
                                    bool&) {
        EXPECT_EQ(sender, viewer.get());
        EXPECT_FALSE(band->Visible());
        EXPECT_EQ(band->DefFontName, "Arial");
        asked.emplace_back(page, last);
        band->LoadFromString("<p><b>HEADER " + std::to_string(page) + "</b></p>", "");
    };
    viewer->Print(1, 9999);
    const int pages = static_cast<int>(printer.Device.Pages.size());
    ASSERT_GE(pages, 2);
    ASSERT_EQ(static_cast<int>(asked.size()), pages);
    EXPECT_EQ(asked.front(), std::make_pair(1, false));
    EXPECT_EQ(asked.back(), std::make_pair(pages, true));
    const TPageGeometry g = ComputePageGeometry(printer.Device.Values, {}, 96, 1.0).value();
    for (const TPage& page : printer.Device.Pages) {
        auto runs = page.InkRuns(0, g.MarginTop - 1, 0, page.Width);
        ASSERT_FALSE(runs.empty()) << "the header's ink";
        EXPECT_GT(runs.back().second, g.MarginTop / 2) << "the header sits on the page rectangle";
    }
}

TEST_F(ViewerPrintTest, PicturesAndBackgroundsOfTheViewer) {
    viewer->SetColor(0x00C0FF);
    owned_ptr<TBitmap> bitmap(viewer->MakeBitmap(0, 400, 400, 100));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Canvas()->Pixels(399, 99) & 0xFFFFFF, 0x00C0FFu);
    owned_ptr<TMetafile> metafile(viewer->MakeMetaFile(0, 400, 400, 100));
    ASSERT_TRUE(metafile);
    EXPECT_THROW(owned_ptr<TBitmap>(viewer->MakeBitmap(0, 400, 400, 4001)), EExcessiveSizeError);

    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(50, 50);
    viewer->DoBackground2(target.Canvas(), 10, 10, 20, 20, 0x0000FF);
    EXPECT_EQ(target.Canvas()->Pixels(15, 15) & 0xFFFFFF, 0x0000FFu);
    EXPECT_NE(target.Canvas()->Pixels(5, 5) & 0xFFFFFF, 0x0000FFu);
    viewer->DoBackground1(target.Canvas(), 0, 50, 50, 300);
    EXPECT_EQ(target.Canvas()->Pixels(5, 5) & 0xFFFFFF, 0x00C0FFu);

    owned_ptr<TPageViewer> band(viewer->CreateHeaderFooter());
    EXPECT_FALSE(band->Visible());
    EXPECT_EQ(band->DefBackground(), viewer->DefBackground());
    EXPECT_EQ(band->DefFontSize(), viewer->DefFontSize());
}

// A page asked for while a job prints (the main window's poll, a link, the
// host's page event) would free the controls and panels the job still draws:
// it waits for the job, every page prints as without it, and the one asked
// for last shows after.
TEST_F(ViewerPrintTest, APageLoadedDuringTheJobShowsAfterItAndThePrintIsWhole) {
    testing_support::TempWorkDir dir;
    testing_support::WriteFileBytes("next.htm", "<title>From file</title><p>next");
    viewer->SetOnPanelCreate([](TObject*, const std::string&, const std::string&, const std::string&,
                                TWinControl* panel) { panel->SetBounds(panel->Left(), panel->Top(), 40, 20); });
    viewer->SetOnPanelPrint([](TObject*, TWinControl*, TBitmap* bitmap) {
        bitmap->Canvas()->Brush()->SetColor(0x0000FF);
        bitmap->Canvas()->FillRect(TRect{0, 0, bitmap->Width(), bitmap->Height()});
    });
    std::string form = "<title>Form</title><form>";
    for (int i = 0; i < 80; ++i)
        form += "<p>Host <input name=h value=kabinet-214> <select name=s><option>one<option selected>two</select>"
                " <input type=radio name=r checked> <input type=checkbox checked> <textarea rows=2>note</textarea>"
                " <input type=reset value=Back> <panel name=p" + std::to_string(i) + "></p>";
    form += "</form>";
    viewer->LoadFromString(form, "");
    viewer->Print(1, 9999);
    const std::vector<TPage> expected = printer.Device.Pages;
    ASSERT_GE(expected.size(), 3u);

    const struct {
        const char* name;
        std::function<void()> load;
        const wchar_t* title;
    } cases[] = {
        // The main window's poll: the stream is gone when the call returns.
        {"stream", [&] {
             const std::string page = "<title>Chosen</title><p>chosen";
             TReadOnlyMemoryStream stream(page.data(), static_cast<int64_t>(page.size()));
             viewer->LoadFromStream(&stream, "");
         }, L"Chosen"},
        {"file", [&] { viewer->LoadFromFile("next.htm"); }, L"From file"},
        {"clear", [&] { viewer->Clear(); }, L""},
    };
    for (const auto& c : cases) {
        viewer->OnPageEvent = nullptr;
        viewer->LoadFromString(form, "");
        printer.Device.Pages.clear();
        viewer->OnPageEvent = [&](TObject*, int page, bool&) {
            if (page == 1) viewer->LoadFromString("<title>First</title><p>first", "");
            if (page == 2) c.load();
        };
        viewer->Print(1, 9999);
        const auto& pages = printer.Device.Pages;
        ASSERT_EQ(pages.size(), expected.size()) << c.name;
        for (size_t i = 0; i < pages.size(); ++i) EXPECT_TRUE(pages[i].Equals(expected[i])) << c.name << " page " << i;
        EXPECT_EQ(viewer->Title(), c.title) << c.name;
        EXPECT_TRUE(viewer->Document()->AllFormControls.empty()) << c.name;
    }
}

}  // namespace
