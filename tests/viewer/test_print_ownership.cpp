// A print copy and its source own what each needs: the viewer may load
// another article (freeing the source's sections, pictures and inline
// borders) while a job still draws the copy, and a copy freed first leaves
// the source whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "framework/bitmap.h"
#include "framework/canvas.h"
#include "framework/streams.h"
#include "html/html_startup.h"
#include "html/image_cache.h"
#include "html/section_list.h"
#include "viewer/document_printing.h"
#include "viewer/test_print_support.h"

using namespace print_test;

namespace {

// A 1 x 1 GIF of two frames: the second image of the same name gets a GIF
// copy of its own from the cache.
std::string TwoFrameGif() {
    std::string g = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + std::string("\x00\x00\x00\xFF\xFF\xFF", 6);
    const std::string frame = std::string("\x21\xF9\x04\x00\x05\x00\x00\x00", 8) +
                              std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10) +
                              std::string("\x02\x02\x44\x01\x00", 5);
    return g + frame + frame + ";";
}

// Text over several pages with red pictures, animated GIFs and bordered
// inline elements spread over all of them.
std::string ArticleWithPictures() {
    std::string html;
    for (int i = 1; i <= 90; ++i) {
        html += "<p>Line " + std::to_string(i) + " <span style=\"border: 2px solid black\">framed</span>";
        if (i % 15 == 0) html += " <img src=\"40x30red\"> <img src=\"anim.gif\" width=20 height=20>";
        html += "</p>";
    }
    return html;
}

// A document whose pictures come by name: "WxHred" is a red bitmap, other
// names are streams. With a cache, pictures are shared through it; without
// one, each image owns its picture.
class TPictureDocument {
public:
    explicit TPictureDocument(bool cached) {
        InitHtmlEngine();
        Streams["anim.gif"] = TwoFrameGif();
        Doc.reset(new TSectionList(nullptr));
        Doc->SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
        if (cached) Doc->CachedImages = &Cache;
        Doc->GetBitmapHook = [](const std::string& name, TBitmap*& bitmap, TColor&) {
            int w = 0, h = 0;
            if (std::sscanf(name.c_str(), "%dx%dred", &w, &h) != 2) return false;
            bitmap = new TBitmap;
            bitmap->SetPixelFormat(pf24bit);
            bitmap->SetSize(w, h);
            bitmap->Canvas()->Brush()->SetColor(0x0000FF);
            bitmap->Canvas()->FillRect(TRect{0, 0, w, h});
            return true;
        };
        Doc->GetImageHook = [this](const std::string& name) -> TMemoryStream* {
            auto it = Streams.find(name);
            if (it == Streams.end()) return nullptr;
            TMemoryStream& s = Memory[name];
            s.SetSize(static_cast<int64_t>(it->second.size()));
            std::copy(it->second.begin(), it->second.end(), static_cast<char*>(s.Memory()));
            s.SetPosition(0);
            return &s;
        };
        EXPECT_TRUE(ParseHTMLString(ArticleWithPictures(), Doc.get(), {}));
        int scrollWidth = 0, positions = 0;
        Doc->DoLogic(nullptr, 0, 600, 600, 0, scrollWidth, positions);
    }
    ~TPictureDocument() { Doc.reset(); }

    // The cache outlives the document, as the viewer's does.
    TStringBitmapList Cache;
    std::map<std::string, std::string> Streams;
    std::map<std::string, TMemoryStream> Memory;
    owned_ptr<TSectionList> Doc;
};

int RedPixels(const TPage& page) {
    int red = 0;
    for (int y = 0; y < page.Height; ++y)
        for (int x = 0; x < page.Width; ++x) red += page.Pixel(x, y) == 0x0000FF;
    return red;
}

TEST(PrintOwnership, TheSourceFreedDuringTheJobLeavesTheCopyPrinting) {
    for (bool cached : {true, false}) {
        std::vector<TPage> expected;
        {
            TBitmapPrinterScope printer(A4(100));
            TPictureDocument source(cached);
            ASSERT_GE(PrintDocument(*source.Doc, {}, 1, 9999), 3);
            expected = printer.Device.Pages;
        }
        TBitmapPrinterScope printer(A4(100));
        TPictureDocument source(cached);
        TPrintSettings settings;
        // After the first page the article goes, as when the viewer loads the
        // next one; unused pictures leave the cache at once.
        settings.OnPageEvent = [&](TObject*, int page, bool&) {
            if (page != 1 || !source.Doc) return;
            source.Doc.reset();
            source.Cache.PurgeCache();
        };
        PrintDocument(*source.Doc, settings, 1, 9999);
        EXPECT_FALSE(source.Doc);
        const auto& pages = printer.Device.Pages;
        ASSERT_EQ(pages.size(), expected.size()) << "cached " << cached;
        for (size_t i = 0; i < pages.size(); ++i) EXPECT_TRUE(pages[i].Equals(expected[i])) << "page " << i;
        EXPECT_GT(RedPixels(pages.back()), 0) << "the last page's picture";
        // The copy's uses went with it.
        EXPECT_EQ(source.Cache.Count(), cached ? 2 : 0);
        source.Cache.PurgeCache();
        EXPECT_EQ(source.Cache.Count(), 0);
    }
}

TEST(PrintOwnership, ACopyFreedFirstLeavesTheSourceWhole) {
    for (bool cached : {true, false}) {
        TPictureDocument source(cached);
        std::vector<int> usage;
        for (int i = 0; i < source.Cache.Count(); ++i) usage.push_back(source.Cache.Item(i)->UsageCount);
        const int borders = source.Doc->InlineBorders->Count();
        ASSERT_EQ(borders, 90);
        {
            TSectionList copy(*source.Doc);
            int scrollWidth = 0, positions = 0;
            copy.DoLogic(nullptr, 0, 400, 600, 0, scrollWidth, positions);
            EXPECT_NE(copy.InlineBorders, source.Doc->InlineBorders);
            EXPECT_EQ(copy.InlineBorders->Count(), borders);
            EXPECT_EQ(copy.InlineBorders->FirstPosOf(3), source.Doc->InlineBorders->FirstPosOf(3));
            for (int i = 0; i < source.Cache.Count(); ++i)
                EXPECT_GT(source.Cache.Item(i)->UsageCount, usage[static_cast<size_t>(i)]);
        }
        for (int i = 0; i < source.Cache.Count(); ++i)
            EXPECT_EQ(source.Cache.Item(i)->UsageCount, usage[static_cast<size_t>(i)]);
        EXPECT_EQ(source.Doc->InlineBorders->Count(), borders);

        // The source still prints its pictures after its copy has gone.
        TBitmapPrinterScope printer(A4(100));
        ASSERT_GE(PrintDocument(*source.Doc, {}, 1, 9999), 3);
        EXPECT_GT(RedPixels(printer.Device.Pages.back()), 0);
    }
}

}  // namespace
