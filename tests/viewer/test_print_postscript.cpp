// Printing through the platform's own PostScript driver into a file: the
// production path. The printer is registered for the test and removed after.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/cp1251.h"
#include "framework/streams.h"
#include "framework/metafile.h"
#include "framework/printers.h"
#include "framework/win.h"
#include "images/png_image.h"
#include "support/test_support.h"
#include "viewer/document_printing.h"
#include "viewer/metafile_printer.h"
#include "viewer/test_print_support.h"

#include "../../tools/file_printer/file_printer.h"
#undef SetPrinter
#undef GetPrinter

namespace {

const wchar_t kPrinterName[] = L"Dictionary test PostScript";
const wchar_t kPpdName[] = L"dictionary_test_a4.ppd";

void RemovePrinter() { file_printer::Remove(kPrinterName); }

// Registers the file printer writing to `portFile` and makes it the default.
// Empty on success, else what failed.
std::string RegisterFilePrinter(const std::wstring& portFile) {
    return file_printer::Register(kPrinterName, portFile, kPpdName);
}

int CountPages(const std::string& postscript) {
    int pages = 0;
    for (size_t at = postscript.find("%%Page:"); at != std::string::npos; at = postscript.find("%%Page:", at + 1))
        ++pages;
    return pages;
}

struct TTextRecord {
    std::wstring Text;
    POINT Device;  // where the text starts, in the printer's pixels
};

// The text a page's metafile draws, with its place on the paper: the records
// are played on a context that maps the recording one to one.
std::vector<TTextRecord> TextOf(TMetafile* page) {
    struct TState {
        std::vector<TTextRecord> texts;
    } state;
    HDC dc = CreateCompatibleDC(nullptr);
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(page->Handle(), sizeof header, &header);
    const RECT bounds{header.rclBounds.left, header.rclBounds.top, header.rclBounds.right + 1,
                      header.rclBounds.bottom + 1};
    EnumEnhMetaFile(
        dc, page->Handle(),
        [](HDC target, HANDLETABLE* table, const ENHMETARECORD* record, int objects, LPARAM data) -> int {
            auto* st = reinterpret_cast<TState*>(data);
            if (record->iType == EMR_EXTTEXTOUTW) {
                auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
                const auto* chars =
                    reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
                POINT p{text->emrtext.ptlReference.x, text->emrtext.ptlReference.y};
                LPtoDP(target, &p, 1);
                st->texts.push_back({std::wstring(chars, text->emrtext.nChars), p});
            }
            PlayEnhMetaFileRecord(target, table, record, static_cast<UINT>(objects));
            return 1;
        },
        &state, &bounds);
    DeleteDC(dc);
    return state.texts;
}

// One printer and one port file for the whole suite: the spooler keeps to the
// port it first opened.
class PostScriptPrinterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        portFile = std::wstring(temp) + L"dictionary_test_printed.ps";
        failure = RegisterFilePrinter(portFile);
    }
    static void TearDownTestSuite() { RemovePrinter(); }
    void SetUp() override {
        ASSERT_EQ(failure, "") << "the file printer could not be registered";
        DeleteFileW(portFile.c_str());
        previous = SetPrinter(new TPrinter);
    }
    void TearDown() override { TObject::Free(SetPrinter(previous)); }
    // The pages the last job wrote; -1 when it wrote no file.
    static int PrintedPages() {
        if (GetFileAttributesW(portFile.c_str()) == INVALID_FILE_ATTRIBUTES) return -1;
        return CountPages(testing_support::ReadFileBytes(WideToAnsi(portFile)));
    }

    static inline std::wstring portFile;
    static inline std::string failure;
    TPrinter* previous = nullptr;
};

TEST_F(PostScriptPrinterTest, ReportsTheDeviceValuesOfItsPpd) {
    HDC dc = Printer()->Handle();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 300);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 2329);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 3358);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 2479);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 3508);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 75);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 75);
}

TEST_F(PostScriptPrinterTest, PrintWritesOnePagePerPreviewPage) {
    auto doc = print_test::Document(print_test::NumberedLines(150));
    TMetaFilePrinter preview(nullptr);
    const int previewed = PreviewDocument(*doc, {}, preview, false);
    ASSERT_GE(previewed, 2);
    TMetaFilePrinter counting(nullptr);
    EXPECT_EQ(PreviewDocument(*doc, {}, counting, true), previewed);
    EXPECT_EQ(CountDocumentPages(*doc, {}), previewed);

    EXPECT_EQ(PrintDocument(*doc, {}, 1, 9999), previewed);
    EXPECT_EQ(PrintedPages(), previewed);
}

TEST_F(PostScriptPrinterTest, PreviewPagesHoldTheTextInsideThePageAndTheBandsOutside) {
    auto doc = print_test::Document(print_test::NumberedLines(100));
    TPrintSettings settings;
    settings.OnPrintHeader = [](TObject*, TCanvas* canvas, int page, int, int height, bool&) {
        canvas->TextOut(60, height / 2, "HEADER " + std::to_string(page));
    };
    settings.OnPrintFooter = [](TObject*, TCanvas* canvas, int page, int, int height, bool&) {
        canvas->TextOut(60, height / 2, "FOOTER " + std::to_string(page));
    };
    TMetaFilePrinter preview(nullptr);
    const int pages = PreviewDocument(*doc, settings, preview, false);
    ASSERT_GE(pages, 2);
    const TPageGeometry g = ComputePageGeometry(print_test::A4(300), {}, 96, 1.0).value();
    // The recording's origin is the sheet's corner: the printable area starts at the offsets.
    int lines = 0;
    for (int i = 0; i < pages; ++i) {
        bool header = false, footer = false;
        for (const TTextRecord& t : TextOf(preview.GetMetaFile(i))) {
            const std::string text = WideToAnsi(t.Text);
            if (text.rfind("HEADER", 0) == 0) {
                header = true;
                EXPECT_EQ(text, "HEADER " + std::to_string(i + 1));
                EXPECT_LT(t.Device.y, g.MarginTop) << text;
            } else if (text.rfind("FOOTER", 0) == 0) {
                footer = true;
                EXPECT_GT(t.Device.y, g.MarginTop + g.PrintableHeight) << text;
            } else if (text.find("Line") != std::string::npos || text.find("number") != std::string::npos) {
                lines += text.find("Line") != std::string::npos;
                EXPECT_GE(t.Device.x, g.MarginLeft - 2) << text;
                EXPECT_GE(t.Device.y, g.MarginTop - 2) << text;
                EXPECT_LE(t.Device.y, g.MarginTop + g.PrintableHeight) << text;
            }
        }
        EXPECT_TRUE(header) << i;
        EXPECT_TRUE(footer) << i;
    }
    EXPECT_EQ(lines, 100);
}

TEST_F(PostScriptPrinterTest, AnEmptyRangeLeavesNoFile) {
    auto doc = print_test::Document(print_test::NumberedLines(150));
    PrintDocument(*doc, {}, 3, 2);
    EXPECT_EQ(PrintedPages(), -1);
}

TEST_F(PostScriptPrinterTest, PrintingFromThePageEventIsRefused) {
    auto doc = print_test::Document(print_test::NumberedLines(20));
    TPrintSettings settings;
    int nested = -1;
    settings.OnPageEvent = [&](TObject*, int page, bool&) {
        if (page == 1 && nested < 0) nested = PrintDocument(*doc, {}, 1, 9999);
    };
    EXPECT_EQ(PrintDocument(*doc, settings, 1, 9999), 1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(PrintedPages(), 1);
}

// The longest article of the sample dictionary as the shell builds it: head,
// body and closing tags.
std::string LongestSampleArticle() {
    const std::string folder = testing_support::SampleDictionaryDir();
    if (folder.empty()) return {};
    const std::string index = testing_support::ReadFileBytes(folder + "\\voc.ind");
    const std::string bodies = testing_support::ReadFileBytes(folder + "\\voc.dat");
    auto get32 = [&](size_t at) {
        return at + 4 <= index.size() ? static_cast<int32_t>(static_cast<uint8_t>(index[at]) |
                                                             static_cast<uint8_t>(index[at + 1]) << 8 |
                                                             static_cast<uint8_t>(index[at + 2]) << 16 |
                                                             static_cast<uint32_t>(static_cast<uint8_t>(index[at + 3])) << 24)
                                      : -1;
    };
    const int count = get32(0);
    size_t at = 4;
    int32_t bestOffset = 0, bestLength = -1;
    for (int i = 0; i < count && at + 10 <= index.size(); ++i) {
        const int32_t offset = get32(at), length = get32(at + 4);
        const size_t keyLength = static_cast<uint8_t>(index[at + 8]), nameLength = static_cast<uint8_t>(index[at + 9]);
        at += 10 + keyLength + 2 * nameLength;
        if (length > bestLength) bestOffset = offset, bestLength = length;
    }
    if (bestLength < 0 || static_cast<size_t>(bestOffset) + bestLength > bodies.size()) return {};
    return testing_support::ReadFileBytes(folder + "\\voc.hd") + bodies.substr(bestOffset, bestLength) +
           "</BODY></HTML>";
}

// Writes the preview pages (with a header and a footer) as PNG files into the
// build folder's "print_preview", for looking at.
TEST_F(PostScriptPrinterTest, PreviewOfTheLongestSampleArticleIsWrittenAsPictures) {
    const std::string html = LongestSampleArticle();
    if (html.empty()) GTEST_SKIP() << "no sample dictionary";
    auto doc = print_test::Document(html);
    TPrintSettings settings;
    settings.OnPrintHeader = [](TObject*, TCanvas* canvas, int page, int width, int height, bool&) {
        canvas->TextOut(60, height / 2, Utf8ToAnsi("Словарь: заголовок страницы ") + std::to_string(page));
        canvas->MoveTo(60, height - 4);
        canvas->LineTo(width - 60, height - 4);
    };
    settings.OnPrintFooter = [](TObject*, TCanvas* canvas, int page, int, int height, bool&) {
        canvas->TextOut(60, height / 3, Utf8ToAnsi("Страница ") + std::to_string(page));
    };
    TMetaFilePrinter preview(nullptr);
    const int pages = PreviewDocument(*doc, settings, preview, false);
    ASSERT_GE(pages, 1);
    const std::string folder = testing_support::BinaryDir().empty() ? std::string(".")
                                                                   : testing_support::BinaryDir() + "\\print_preview";
    CreateDirectoryW(AnsiToWide(folder).c_str(), nullptr);
    for (int i = 0; i < pages; ++i) {
        // A third of the printer's resolution: 100 pixels per inch.
        TBitmap sheet;
        sheet.SetPixelFormat(pf24bit);
        sheet.SetSize(2479 / 3, 3508 / 3);
        sheet.Canvas()->Brush()->SetColor(clWhite);
        sheet.Canvas()->FillRect(TRect{0, 0, sheet.Width(), sheet.Height()});
        SetStretchBltMode(sheet.Canvas()->Handle(), HALFTONE);
        preview.GetMetaFile(i)->Draw(sheet.Canvas(), TRect{0, 0, sheet.Width(), sheet.Height()});
        TPNGImage png;
        png.Assign(&sheet);
        TFileStream out(folder + "\\page" + std::to_string(i + 1) + ".png", fmCreate);
        png.SaveToStream(&out);
        EXPECT_GT(out.Size(), 1000);
    }
}

}  // namespace
