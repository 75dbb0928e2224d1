// The printed pages of a document with most of what pages cut through (text,
// lists, tables with rows across a page end, a forced page break, links), as
// one digest over every page's pixels: a change meant only to make paging or
// printing faster must leave it as it is. When a change of the print is
// meant, the failure prints the new digest.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "html/section_list.h"
#include "viewer/document_printing.h"
#include "viewer/test_print_support.h"

using namespace print_test;

namespace {

std::string MixedArticle() {
    std::string html =
        "<style>P.note { color: #800000; margin-left: 20px } TD { padding: 3px }</style>"
        "<h2>Printed article</h2>";
    for (int n = 1; n <= 40; ++n) {
        html += "<p>Paragraph " + std::to_string(n) +
                " with <b>bold</b>, <i>italic</i> and <a href=\"#p" + std::to_string(n) +
                "\">a link</a>, long enough to take two lines at this width of the printed page.</p>";
        if (n % 7 == 0) html += "<ul><li>first item<li>second <tt>item</tt><ol><li>inner</ol></ul>";
        if (n % 10 == 0) {
            html += "<table border=1 width=90%>";
            for (int r = 0; r < 12; ++r)
                html += "<tr><td>row " + std::to_string(r) + "<td bgcolor=#E0E0FF>cell text</tr>";
            html += "</table>";
        }
        if (n == 25) html += "<p class=note style=\"page-break-before: always\">After a forced break</p>";
    }
    return html;
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes, uint64_t h) {
    for (uint8_t c : bytes) h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string Hex(uint64_t h) {
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(h));
    return digest;
}

TEST(PrintDigest, PagesPrintAsBefore) {
    // Two scales, so the page ends fall in different places.
    struct Case {
        double scale;
        int pages;
        const char* digest;
    } cases[] = {{1.0, 5, "77f30966edf6beb9"}, {0.7, 3, "9d119ccfcc85391b"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        TBitmapPrinterScope printer(A4(100));
        auto doc = Document(MixedArticle());
        TPrintSettings settings;
        settings.Scale = c.scale;
        const int counted = CountDocumentPages(*doc, settings);
        const int printed = PrintDocument(*doc, settings, 1, 9999);
        EXPECT_EQ(counted, printed);
        EXPECT_EQ(printed, c.pages);
        uint64_t h = 1469598103934665603ull;
        for (const TPage& page : printer.Device.Pages) h = Fnv1a(page.Bits, h);
        EXPECT_EQ(Hex(h), c.digest);
    }
}

TEST(PrintDigest, PicturesOfPartsOfTheDocumentShowAsBefore) {
    auto doc = Document(MixedArticle());
    const TDocumentBackground background;
    std::vector<uint8_t> pixels;
    for (int top : {0, 700, 2300}) {
        owned_ptr<TBitmap> bitmap(DocumentBitmap(*doc, background, top, 400, 300, 150));
        ASSERT_TRUE(bitmap);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 300; ++x) {
                const TColor pixel = bitmap->Canvas()->Pixels(x, y);
                pixels.insert(pixels.end(), {uint8_t(pixel), uint8_t(pixel >> 8), uint8_t(pixel >> 16)});
            }
    }
    EXPECT_EQ(Hex(Fnv1a(pixels, 1469598103934665603ull)), "c01dd0ac0a381e0d");
}

}  // namespace
