// Images in documents: size rules, placeholders, link frames, floats and the
// animation timer, with pictures handed in through the document's hooks.
#include "html/image_obj.h"

#include <gtest/gtest.h>

#include <map>

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/win.h"
#include "html/block.h"
#include "html/html_startup.h"
#include "html/image_map.h"
#include "html/parser_entry.h"
#include "html/text_measure.h"
#include "html/text_section.h"
#include "html/draw_helpers.h"
#include "html/html_parser.h"
#include "framework/small_heap.h"
#include "images/gif_image.h"
#include "images/png_image.h"

namespace {

// A 1 x 1 GIF of `frames` frames, 50 ms each.
std::string FramesGif(int frames) {
    std::string g = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + std::string("\x00\x00\x00\xFF\xFF\xFF", 6);
    const std::string frame = std::string("\x21\xF9\x04\x00\x05\x00\x00\x00", 8) +
                              std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10) +
                              std::string("\x02\x02\x44\x01\x00", 5);
    for (int i = 0; i < frames; ++i) g += frame;
    return g + ";";
}
std::string TwoFrameGif() { return FramesGif(2); }

// A PNG of w x h in one colour.
std::string PngOf(int w, int h, TColor color) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(w, h);
    bitmap.Canvas()->Brush()->SetColor(color);
    bitmap.Canvas()->FillRect(TRect{0, 0, w, h});
    TPNGImage png;
    png.Assign(&bitmap);
    TMemoryStream out;
    png.SaveToStream(&out);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

// A picture that claims a size it has no pixels for.
class TClaimedSizeBitmap : public TBitmap {
public:
    TClaimedSizeBitmap(int w, int h) : FW(w), FH(h) {}
    int Width() const override { return FW; }
    int Height() const override { return FH; }

private:
    int FW, FH;
};

struct FakeHost : TDocumentHost {
    void SetAnimationTimer(bool enabled, int intervalMs) override { Timer.emplace_back(enabled, intervalMs); }
    void FreeAnimationTimer() override {}
    std::string ExpandFileName(const std::string& name) override { return name; }
    void Progress(int) override {}
    void LinkAction(const TUrlTarget&) override {}
    void KeyDown(uint16_t&, unsigned) override {}
    void ControlEnter(TObject*) override {}
    void InvalidatePanel() override {}
    std::unique_ptr<TLinkTabStop> CreateLinkTabStop(TFontObj*) override { return nullptr; }
    TWinControl* PaintPanel() override { return Panel; }
    std::vector<std::pair<bool, int>> Timer;
    TWinControl* Panel = nullptr;
};

// Pictures by name: "WxH" gives a white bitmap of that size.
struct Doc {
    Doc() {
        InitHtmlEngine();
        doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 0, 0);
        doc.CachedImages = &cache;
        doc.GetBitmapHook = [](const std::string& name, TBitmap*& bitmap, TColor&) {
            int w = 0, h = 0;
            if (name == "huge") {
                bitmap = new TClaimedSizeBitmap(100000, 100000);
                return true;
            }
            if (std::sscanf(name.c_str(), "%dx%d", &w, &h) != 2) return false;
            bitmap = new TBitmap;
            bitmap->SetPixelFormat(pf24bit);
            bitmap->SetSize(w, h);
            if (name.find("red") != std::string::npos) {
                bitmap->Canvas()->Brush()->SetColor(0x0000FF);
                bitmap->Canvas()->FillRect(TRect{0, 0, w, h});
            }
            return true;
        };
        doc.GetImageHook = [this](const std::string& name) -> TMemoryStream* {
            auto it = streams.find(name);
            return it == streams.end() ? nullptr : &it->second;
        };
    }
    ~Doc() { doc.Clear(); }
    void Stream(const std::string& name, const std::string& bytes) {
        TMemoryStream& s = streams[name];
        s.SetSize(static_cast<int64_t>(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(s.Memory()));
    }
    int Load(const std::string& html, int width = 600) {
        EXPECT_TRUE(ParseHTMLString(html, &doc, {}));
        int scrollWidth = 0, pos = 0;
        return doc.DoLogic(nullptr, 0, width, 600, 0, scrollWidth, pos);
    }
    // The first section that holds an object, and its first object.
    TSection* Section() const { return Find(doc); }
    TImageObj* Image() const {
        TSection* s = Section();
        return s ? dynamic_cast<TImageObj*>(s->Images.Obj(0)) : nullptr;
    }
    static TSection* Find(const TCellBasic& cell) {
        for (int i = 0; i < cell.Count(); ++i) {
            if (auto* s = dynamic_cast<TSection*>(cell.Section(i)); s && s->Images.Count() > 0) return s;
            if (auto* b = dynamic_cast<TBlock*>(cell.Section(i)))
                if (TSection* s = Find(*b->ChildCell)) return s;
        }
        return nullptr;
    }
    FakeHost host;
    TSectionList doc{&host};
    TStringBitmapList cache;
    std::map<std::string, TMemoryStream> streams;
};

TEST(ImageObj, SizeRules) {
    struct Case {
        const char* html;
        int width, height;
    } cases[] = {
        {"<IMG SRC=100x50 WIDTH=200>", 200, 100},
        {"<IMG SRC=100x50 WIDTH=50%>", 300, 150},
        {"<IMG SRC=100x50 WIDTH=150%>", 100, 50},
        {"<IMG SRC=100x50 HEIGHT=25>", 50, 25},
        {"<IMG SRC=100x50 WIDTH=7 HEIGHT=9>", 7, 9},
        {"<IMG SRC=100x50>", 100, 50},
        {"<IMG SRC=100x50 WIDTH=100000>", 32767, 16383},
        {"<IMG SRC=missing WIDTH=40 HEIGHT=30>", 40, 30},
        {"<IMG SRC=0x0 WIDTH=40 HEIGHT=30>", 40, 30},
        {"<IMG SRC=huge>", 32767, 32767},
        {"<IMG SRC=huge WIDTH=10>", 10, 10},
    };
    for (const Case& c : cases) {
        Doc d;
        d.Load(c.html);
        TImageObj* image = d.Image();
        ASSERT_NE(image, nullptr) << c.html;
        EXPECT_EQ(image->PicWidth, c.width) << c.html;
        EXPECT_EQ(image->PicHeight, c.height) << c.html;
    }
}

TEST(ImageObj, MissingPicturesAreFramedPlaceholders) {
    Doc d;
    d.Load("<IMG SRC=missing.png ALT=\"A picture\">");
    TImageObj* image = d.Image();
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->IsPlaceholderPicture());
    EXPECT_EQ(image->Picture, ErrorBitMap);
    TTextMeasurer& m = MeasurerFor(nullptr);
    const int text = m.Extent(m.Font(PlaceholderFont()), L"A picture");
    EXPECT_EQ(image->PicWidth, std::max(text + 26, 16));
    EXPECT_GE(image->PicHeight, 24);

    Doc zero;  // a picture without pixels counts as the error picture
    zero.Load("<IMG SRC=0x0>");
    ASSERT_NE(zero.Image(), nullptr);
    EXPECT_EQ(zero.Image()->Picture, ErrorBitMap);
    EXPECT_GE(zero.Image()->PicWidth, 24);
}

TEST(ImageObj, LinksFramesAndSpacing) {
    struct Case {
        const char* html;
        int boxWidth, spaceLeft;
        bool border;
    } cases[] = {
        {"<A HREF=x.htm><IMG SRC=10x10></A>", 12, 0, true},
        {"<A HREF=x.htm><IMG SRC=10x10 BORDER=0></A>", 10, 0, false},
        {"<IMG SRC=10x10 ALIGN=LEFT>", 10, 3, false},
        {"<IMG SRC=10x10 ALIGN=RIGHT HSPACE=100>", 10, 40, false},
        {"<IMG SRC=10x10 HSPACE=-5>", 10, 5, false},
    };
    for (const Case& c : cases) {
        Doc d;
        d.Load(c.html);
        TImageObj* image = d.Image();
        ASSERT_NE(image, nullptr) << c.html;
        EXPECT_EQ(image->BoxWidth, c.boxWidth) << c.html;
        EXPECT_EQ(image->SpaceLeft, c.spaceLeft) << c.html;
        EXPECT_EQ(image->SpaceRight, c.spaceLeft) << c.html;
        EXPECT_EQ(image->HasBorder, c.border) << c.html;
    }
    TImageObjList empty;
    EXPECT_EQ(empty.GetImageCountAt(0), 99999999);
}

TEST(ImageObj, TextFlowsAroundAFloatAndBesideAnInlineImage) {
    Doc d;
    const int height = d.Load("<IMG SRC=100x80 ALIGN=LEFT>word word word word word word word word word word", 300);
    TSection* s = d.Section();
    ASSERT_NE(s, nullptr);
    ASSERT_GE(s->Lines.size(), 2u);
    // Lines beside the float start right of it (3 + 100 + 3); the two lines
    // are shorter than the float, so the document ends at its bottom.
    EXPECT_EQ(s->Lines[0].LineIndent, 106);
    EXPECT_EQ(height, 80);
    EXPECT_EQ(s->Images.Obj(0)->FloatX, 3);

    Doc inlineImage;
    inlineImage.Load("ab<IMG SRC=40x60>cd", 300);
    TSection* t = inlineImage.Section();
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Lines.size(), 1u);
    // The line is as tall as the picture and as wide as the text and the picture.
    EXPECT_GE(t->Lines[0].LineImageHeight(), 60);
    EXPECT_GE(t->FindTextWidth(nullptr, 0, t->Len, false), 40);
    int mn = 0, mx = 0;
    t->MinMaxWidth(nullptr, mn, mx);
    EXPECT_GE(mn, 40);
}

TEST(ImageObj, AnimationTicksAt50ThenEvery40Milliseconds) {
    Doc d;
    d.Stream("anim.gif", TwoFrameGif());
    d.doc.GetBitmapHook = nullptr;
    d.Load("<IMG SRC=anim.gif><IMG SRC=anim.gif>");
    ASSERT_EQ(d.doc.AnimatedImages.size(), 2u);
    ASSERT_FALSE(d.host.Timer.empty());
    EXPECT_EQ(d.host.Timer.back(), std::make_pair(true, 50));
    // Both share one cached picture; each draws its own copy.
    EXPECT_EQ(d.cache.Count(), 1);
    TImageObj* image = d.Image();
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->Gif(), nullptr);

    TBitmap out;
    out.SetPixelFormat(pf24bit);
    out.SetSize(100, 100);
    d.doc.Draw(out.Canvas(), TRect{0, 0, 100, 100}, 6000, 0, 0, 0, 0);
    EXPECT_TRUE(image->WasPainted());
    d.doc.CheckGIFList();
    EXPECT_EQ(d.host.Timer.back(), std::make_pair(true, 40));

    // Scrolled out of view, the image is not painted and so not advanced.
    d.doc.SetYOffset(10000);
    d.doc.Draw(out.Canvas(), TRect{0, 0, 100, 100}, 6000, 0, 0, 0, 0);
    EXPECT_FALSE(image->WasPainted());

    // Replacing the picture of an animating image leaves no stale entry.
    image->ReplaceImage(&d.streams["anim.gif"]);
    d.doc.CheckGIFList();
    EXPECT_EQ(d.doc.AnimatedImages.size(), 2u);
    d.doc.Clear();
    EXPECT_TRUE(d.doc.AnimatedImages.empty());
    // The cache's usage goes back to 0 once the document is cleared.
    ASSERT_EQ(d.cache.Count(), 1);
    EXPECT_EQ(d.cache.Item(0)->UsageCount, 0);
}

TEST(ImageObj, ReplacedPicturesAreDecodedLikeFetchedOnes) {
    Doc d;
    d.Load("<IMG SRC=4x4>");
    TImageObj* image = d.Image();
    ASSERT_NE(image, nullptr);
    std::string clearOneFrame = FramesGif(1);
    clearOneFrame[22] = '\x01';  // the graphic control's transparency flag, index 0
    struct Case {
        std::string bytes;
        bool gif, masked, animated, replaced;
    } cases[] = {
        {clearOneFrame, false, true, false, true},
        {FramesGif(1), false, false, false, true},
        {TwoFrameGif(), true, false, true, true},
        {"not a picture", true, false, true, false},  // the picture before stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        TMemoryStream stream;
        stream.Write(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
        TPersistent* before = image->Picture;
        image->ReplaceImage(&stream);
        EXPECT_EQ(image->Picture != before, c.replaced);
        EXPECT_EQ(image->Gif() != nullptr, c.gif);
        EXPECT_EQ(image->PictureMask != nullptr, c.masked);
        if (c.masked) {
            EXPECT_EQ(image->TranspKind, TGif);
        }
        EXPECT_EQ(d.doc.AnimatedImages.size(), c.animated ? 1u : 0u);
    }
}

TEST(ImageObj, ActiveGifsOfTwoAndThreeFramesAreHoverPictures) {
    struct Case {
        int frames;
        HoverType hover;
        int frame;
    } cases[] = {{2, hvOverUp, 2}, {2, hvOverDown, 2}, {3, hvOverUp, 2}, {3, hvOverDown, 3}};
    for (const Case& c : cases) {
        Doc d;
        d.Stream("hover.gif", FramesGif(c.frames));
        d.doc.GetBitmapHook = nullptr;
        d.Load("<IMG SRC=hover.gif ACTIVE>");
        TImageObj* image = d.Image();
        ASSERT_NE(image, nullptr);
        ASSERT_NE(image->Gif(), nullptr);
        EXPECT_TRUE(d.doc.AnimatedImages.empty());
        image->SetHover(c.hover);
        EXPECT_EQ(image->Gif()->CurrentFrame(), c.frame) << c.frames << " " << c.hover;
        image->SetHover(hvOff);
        EXPECT_EQ(image->Gif()->CurrentFrame(), 1);
        EXPECT_TRUE(d.doc.AnimatedImages.empty());
    }
}

TEST(ImageObj, DelayedPicturesArriveThroughTheDocument) {
    Doc d;
    d.doc.GetBitmapHook = nullptr;
    d.doc.GetImageHook = [](const std::string&) { return WaitStream; };
    // Two pictures of one source wait for it, and both get it.
    d.Load("<IMG SRC=late.gif ALT=later> <IMG SRC=late.gif>");
    TImageObj* image = d.Image();
    ASSERT_NE(image, nullptr);
    auto* twin = dynamic_cast<TImageObj*>(d.Section()->Images.Obj(1));
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(image->Picture, DefBitMap);
    EXPECT_EQ(twin->Picture, DefBitMap);
    ASSERT_EQ(d.doc.PendingImages.size(), 2u);
    bool reformat = false;
    d.doc.InsertImage("nobody.gif", nullptr, reformat);  // nothing waits for it
    EXPECT_EQ(d.doc.PendingImages.size(), 2u);
    d.Stream("late", FramesGif(1));
    d.doc.InsertImage("late.gif", &d.streams["late"], reformat);
    EXPECT_TRUE(reformat);
    EXPECT_TRUE(d.doc.PendingImages.empty());
    EXPECT_FALSE(image->IsPlaceholderPicture());
    EXPECT_FALSE(twin->IsPlaceholderPicture());
    ASSERT_EQ(d.cache.Count(), 1);

    // A delayed picture that does not decode shows the error picture.
    Doc bad;
    bad.doc.GetBitmapHook = nullptr;
    bad.doc.GetImageHook = [](const std::string&) { return WaitStream; };
    bad.Load("<IMG SRC=bad.png>");
    bad.Stream("bad", "\x89PNG garbage garbage garbage");
    bad.doc.InsertImage("BAD.PNG", &bad.streams["bad"], reformat);
    ASSERT_NE(bad.Image(), nullptr);
    EXPECT_EQ(bad.Image()->Picture, ErrorBitMap);
}

TEST(ImageObj, PrintCopiesShareThePicturesWithoutCountingThem) {
    Doc d;
    d.Load("<IMG SRC=10x10><IMG SRC=10x10>");
    ASSERT_EQ(d.cache.Count(), 1);
    const int used = d.cache.Item(0)->UsageCount;
    EXPECT_EQ(used, 2);
    {
        TSectionList copy(d.doc);
        int scrollWidth = 0, pos = 0;
        copy.DoLogic(nullptr, 0, 600, 600, 0, scrollWidth, pos);
        TSection* s = Doc::Find(copy);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->Images.Count(), 2);
        EXPECT_EQ(dynamic_cast<TImageObj*>(s->Images.Obj(0))->Picture, d.Image()->Picture);
        EXPECT_TRUE(copy.AnimatedImages.empty());
    }
    EXPECT_EQ(d.cache.Item(0)->UsageCount, used);
    d.doc.Clear();
    EXPECT_EQ(d.cache.Item(0)->UsageCount, 0);
    d.cache.SetCacheCount(0);
    d.cache.BumpAndCheck();
    EXPECT_EQ(d.cache.Count(), 0);
}

TEST(ImageObj, ACopyLooksItsPicturesUpThroughTheHostsHooks) {
    // Laid out for the first time as a copy (a page printed before it was
    // shown): the pictures come from the host, not from missing files.
    Doc d;
    ASSERT_TRUE(ParseHTMLString("<IMG SRC=12x8red>", &d.doc, {}));
    TSectionList copy(d.doc);
    int scrollWidth = 0, pos = 0;
    copy.DoLogic(nullptr, 0, 600, 600, 0, scrollWidth, pos);
    TSection* s = Doc::Find(copy);
    ASSERT_NE(s, nullptr);
    auto* image = dynamic_cast<TImageObj*>(s->Images.Obj(0));
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->IsPlaceholderPicture());
    EXPECT_EQ(image->BoxWidth, 12);
    EXPECT_TRUE(copy.GetImageHook && copy.NameExpander == nullptr);
    copy.Clear();
}

TEST(ImageObj, PanelsAreHostWindowsMovedIntoViewWhilePainting) {
    auto* form = new TForm(Application);
    form->SetBounds(0, 0, 400, 300);
    form->Show();
    int created = 0, destroyed = 0;
    {
        Doc d;
        d.host.Panel = form;
        d.doc.OnPanelCreate = [&](const std::string& name, const std::string& type, const std::string& src,
                                  TWinControl* panel) {
            ++created;
            EXPECT_EQ(name, "p1");
            EXPECT_EQ(type, "chart");
            EXPECT_EQ(src, "data.txt");
            ASSERT_NE(panel, nullptr);
            EXPECT_EQ(panel->Left(), -4000);
            panel->SetBounds(panel->Left(), panel->Top(), 120, 60);  // the host's natural size
        };
        d.doc.OnPanelDestroy = [&](TWinControl*) { ++destroyed; };
        d.Load("text <PANEL NAME=p1 TYPE=chart SRC=data.txt> more");
        ASSERT_EQ(d.doc.PanelItems.size(), 1u);
        TPanelObj* panel = d.doc.PanelItems[0];
        ASSERT_NE(panel->PanelWindow, nullptr);
        EXPECT_EQ(panel->BoxWidth, 120);
        EXPECT_EQ(panel->BoxHeight, 60);
        EXPECT_EQ(form->ControlCount(), 1);
        // White, named after the element, with a flat single border.
        EXPECT_EQ(panel->PanelWindow->Color(), clWhite);
        EXPECT_EQ(panel->PanelWindow->Name(), "p1");
        const LONG_PTR style = GetWindowLongPtrW(panel->PanelWindow->Handle(), GWL_STYLE);
        const LONG_PTR exStyle = GetWindowLongPtrW(panel->PanelWindow->Handle(), GWL_EXSTYLE);
        EXPECT_TRUE(style & WS_BORDER);
        EXPECT_FALSE(exStyle & WS_EX_CLIENTEDGE);
        TBitmap out;
        out.SetPixelFormat(pf24bit);
        out.SetSize(400, 300);
        d.doc.Draw(out.Canvas(), TRect{0, 0, 400, 300}, 6000, 0, 0, 0, 0);
        EXPECT_GT(panel->PanelWindow->Left(), 0);
        EXPECT_GE(panel->PanelWindow->Top(), 0);
        EXPECT_TRUE(panel->PanelWindow->PanelShown);
        // Scrolled away, the window is put out of sight.
        d.doc.SetYOffset(5000);
        d.doc.Draw(out.Canvas(), TRect{0, 0, 400, 300}, 6000, 0, 0, 0, 0);
        EXPECT_FALSE(panel->PanelWindow->PanelShown);
        EXPECT_FALSE(panel->PanelWindow->Visible());
        d.doc.Clear();
        EXPECT_EQ(form->ControlCount(), 0);
        EXPECT_TRUE(d.doc.PanelItems.empty());
    }
    EXPECT_EQ(created, 1);
    EXPECT_EQ(destroyed, 1);
    // Without a window to put it on (no paint panel), and with a name that
    // is no component name, the host is not handed a missing panel.
    {
        Doc d;
        d.doc.OnPanelCreate = [&](const std::string&, const std::string&, const std::string&, TWinControl*) {
            ++created;
        };
        d.Load("<PANEL NAME=\"not a name\" TYPE=chart>");
        ASSERT_EQ(d.doc.PanelItems.size(), 1u);
        EXPECT_EQ(d.doc.PanelItems[0]->PanelWindow, nullptr);
        EXPECT_EQ(created, 1);
    }
    {
        Doc d;
        d.host.Panel = form;
        d.Load("<PANEL NAME=\"not a name\">");
        ASSERT_EQ(d.doc.PanelItems.size(), 1u);
        ASSERT_NE(d.doc.PanelItems[0]->PanelWindow, nullptr);
        EXPECT_EQ(d.doc.PanelItems[0]->PanelWindow->Name(), "");
        d.doc.Clear();
    }
    TObject::Free(form);
}

// Lays a print copy out at 600 pixels and draws it onto a white 300 x 100 picture.
void PrintCopyOnto(TSectionList& copy, TBitmap& out) {
    int scrollWidth = 0, pos = 0;
    copy.DoLogic(nullptr, 0, 600, 600, 0, scrollWidth, pos);
    out.SetPixelFormat(pf24bit);
    out.SetSize(300, 100);
    out.Canvas()->Brush()->SetColor(clWhite);
    out.Canvas()->FillRect(TRect{0, 0, 300, 100});
    copy.Draw(out.Canvas(), TRect{0, 0, 300, 100}, 6000, 0, 0, 0, 0);
}

// What a print copy puts on paper for a missing picture and for a panel the
// host coloured: the placeholder's frame keeps its 3-D colours on a colour
// printer and is black on one of two colours when printed in black and
// white; a panel is filled with its window's colour; and the panel keeps its
// own font.
TEST(ImageObj, PrintCopiesOfPlaceholdersAndPanels) {
    auto* form = new TForm(Application);
    form->SetBounds(0, 0, 400, 300);
    form->Font()->SetSize(30);
    {
        Doc d;
        d.host.Panel = form;
        d.doc.OnPanelCreate = [](const std::string&, const std::string&, const std::string&, TWinControl* panel) {
            panel->SetBounds(panel->Left(), panel->Top(), 60, 40);
            panel->SetColor(0x00FF00);
        };
        d.Load("<IMG SRC=missing WIDTH=40 HEIGHT=40> <PANEL NAME=p>");
        ThvPanel* window = d.doc.PanelItems.at(0)->PanelWindow;
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->ParentFont());
        EXPECT_NE(window->Font()->Size(), 30);
        const struct {
            int deviceColors;  // as the job reads them
            bool textBlack;
            unsigned frame;
        } cases[] = {
            {-1, true, static_cast<unsigned>(ColorToRGB(clBtnShadow)) & 0xFFFFFF},
            {2, false, static_cast<unsigned>(ColorToRGB(clBtnShadow)) & 0xFFFFFF},
            {2, true, 0u},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.deviceColors);
            SCOPED_TRACE(c.textBlack);
            TSectionList copy(d.doc);
            copy.Printing = true;
            copy.PrintTextBlack = c.textBlack;
            copy.PrintDeviceColors = c.deviceColors;
            TBitmap out;
            PrintCopyOnto(copy, out);
            TSection* s = Doc::Find(copy);
            ASSERT_NE(s, nullptr);
            auto* missing = dynamic_cast<TImageObj*>(s->Images.Obj(0));
            auto* panel = dynamic_cast<TPanelObj*>(s->Images.Obj(1));
            ASSERT_TRUE(missing && panel);
            EXPECT_EQ(panel->PanelWindow, nullptr);
            EXPECT_EQ(out.Canvas()->Pixels(missing->PaintX, missing->PaintY + 20) & 0xFFFFFF, c.frame);
            EXPECT_EQ(out.Canvas()->Pixels(panel->PaintX + 30, panel->PaintY + 20) & 0xFFFFFF, 0x00FF00u);
            copy.Clear();
        }
        d.doc.Clear();
    }
    TObject::Free(form);
}

// The pictures a page decodes are weighed with the heap while the cache holds
// them, and past the cache's share of the document budget a picture shows
// as one that cannot be had; a picture named again costs nothing more, and
// the pictures of a page before make room once no page uses them.
TEST(ImageObj, PicturesPastTheCacheBudgetShowPlaceholders) {
    struct TBudget {
        explicit TBudget(std::size_t bytes) { gDocumentMemoryBudget = bytes; }
        ~TBudget() { gDocumentMemoryBudget = kDocumentMemoryBudget; }
    } budget(1200000);
    const std::size_t outsideBefore = gOutsideHeapBytes;
    const std::size_t usedBefore = DocumentBytesInUse();
    Doc d;
    auto page = [&](const char* prefix, int count) {
        std::string html;
        for (int i = 0; i < count; ++i) {
            const std::string name = prefix + std::to_string(i) + ".png";
            d.Stream(name, PngOf(200, 200, 0x102030 * (i + 1)));
            html += "<IMG SRC=" + name + "> ";
        }
        d.Load(html + "<IMG SRC=" + prefix + "0.png>");
        return d.Section();
    };
    TSection* s = page("a", 8);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->Images.Count(), 9);
    auto shown = [&](int i) { return !dynamic_cast<TImageObj*>(s->Images.Obj(i))->IsPlaceholderPicture(); };
    int fitted = 0;
    while (fitted < 8 && shown(fitted)) ++fitted;
    EXPECT_GE(fitted, 1);
    EXPECT_LT(fitted, 8);
    for (int i = fitted; i < 8; ++i) EXPECT_FALSE(shown(i)) << i;
    EXPECT_TRUE(shown(8));  // the first picture again
    EXPECT_EQ(d.cache.Count(), fitted);
    EXPECT_LE(d.cache.Bytes(), ImageCacheByteLimit());
    EXPECT_GE(d.cache.Bytes(), static_cast<std::size_t>(fitted) * LeastPictureBytes(200, 200));
    EXPECT_EQ(gOutsideHeapBytes - outsideBefore, d.cache.Bytes());
    EXPECT_LE(DocumentBytesInUse() - usedBefore, gDocumentMemoryBudget);

    // The next page's pictures take the room of the unused ones.
    d.doc.Clear();
    d.cache.BumpAndCheck();
    s = page("b", 1);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(shown(0));
    d.doc.Clear();
    d.cache.Clear();
    EXPECT_EQ(gOutsideHeapBytes, outsideBefore);
}

// A picture that cannot be had is asked for once in a load, however many
// IMGs name it; the next load asks again.
TEST(ImageObj, APictureThatFailsIsReadOncePerLoad) {
    const std::string png = PngOf(50, 50, 0x0000FF);
    const struct {
        const char* what;
        std::string bytes;  // empty: the host has no stream, and there is no file
    } cases[] = {
        {"a cut PNG", png.substr(0, png.size() / 2)},
        {"no PNG", std::string(200, 'x')},
        {"no picture at all", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Doc d;
        if (!c.bytes.empty()) d.Stream("bad.png", c.bytes);
        int asked = 0;
        d.doc.GetImageHook = [&](const std::string& name) -> TMemoryStream* {
            ++asked;
            auto it = d.streams.find(name);
            return it == d.streams.end() ? nullptr : &it->second;
        };
        std::string html;
        for (int i = 0; i < 40; ++i) html += "<IMG SRC=bad.png> ";
        for (int load = 1; load <= 2; ++load) {
            d.doc.Clear();
            d.cache.BumpAndCheck();
            d.Load(html);
            EXPECT_EQ(asked, load);
            TSection* s = d.Section();
            ASSERT_NE(s, nullptr);
            ASSERT_EQ(s->Images.Count(), 40);
            EXPECT_TRUE(dynamic_cast<TImageObj*>(s->Images.Obj(39))->IsErrorPicture());
        }
    }
}

TEST(ImageObj, BackgroundImageComesFromTheCache) {
    Doc d;
    d.Load("<BODY BACKGROUND=20x30>text");
    TBitmap* back = d.doc.GetBackgroundBitmap();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), 20);
    EXPECT_EQ(back->Height(), 30);
    EXPECT_EQ(d.doc.GetBackgroundBitmap(), back);  // looked up once
    ASSERT_EQ(d.cache.Count(), 1);
    EXPECT_EQ(d.cache.Item(0)->UsageCount, 1);
    d.doc.Clear();
    EXPECT_EQ(d.cache.Item(0)->UsageCount, 0);
    EXPECT_EQ(d.doc.BackdropBitmap, nullptr);
}

TEST(ImageObj, PaintsPicturesFramesAndPlaceholders) {
    Doc d;
    d.Load("<A HREF=x.htm><IMG SRC=20x20red></A> <IMG SRC=missing ALT=gone WIDTH=40 HEIGHT=30>");
    TSection* s = d.Section();
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->Images.Count(), 2);
    auto* linked = dynamic_cast<TImageObj*>(s->Images.Obj(0));
    auto* missing = dynamic_cast<TImageObj*>(s->Images.Obj(1));
    TBitmap out;
    out.SetPixelFormat(pf24bit);
    out.SetSize(300, 100);
    out.Canvas()->Brush()->SetColor(clWhite);
    out.Canvas()->FillRect(TRect{0, 0, 300, 100});
    d.doc.Draw(out.Canvas(), TRect{0, 0, 300, 100}, 6000, 0, 0, 0, 0);
    auto pixel = [&](int x, int y) { return out.Canvas()->Pixels(x, y) & 0xFFFFFF; };
    // The picture inside a one-pixel frame in the link's colour.
    const int x = linked->PaintX, y = linked->PaintY;
    EXPECT_EQ(pixel(x + 10, y + 10), 0x0000FFu);
    int index;
    const TColor link = s->Fonts.GetFontObjAt(linked->Pos, index)->FontColor & 0xFFFFFF;
    EXPECT_EQ(pixel(x - 1, y + 10), link);
    EXPECT_EQ(pixel(x + 20, y + 10), link);
    // The placeholder has a sunken frame: dark on its top and left sides.
    const int px = missing->PaintX, py = missing->PaintY;
    EXPECT_NE(pixel(px, py + 15), 0xFFFFFFu);
    EXPECT_NE(pixel(px + 20, py), 0xFFFFFFu);
    EXPECT_EQ(pixel(px + 30, py + 25), 0xFFFFFFu);
}

TEST(ImageObj, APlaceholderOf23PixelsOrLessShowsNoPicture) {
    const struct {
        const char* html;
        bool picture;
    } cases[] = {
        {"<IMG SRC=missing WIDTH=24 HEIGHT=24>", true},
        {"<IMG SRC=missing WIDTH=23 HEIGHT=40>", false},
        {"<IMG SRC=missing WIDTH=40 HEIGHT=23>", false},
    };
    // This test program lacks the engine's resources: the error picture is
    // made red and opaque for the while.
    InitHtmlEngine();
    TBitmap keptPicture, keptMask;
    keptPicture.Assign(ErrorBitMap);
    keptMask.Assign(ErrorBitmapMask);
    ErrorBitMap->Canvas()->Brush()->SetColor(clRed);
    ErrorBitMap->Canvas()->FillRect(TRect{0, 0, ErrorBitMap->Width(), ErrorBitMap->Height()});
    ErrorBitmapMask->Canvas()->Brush()->SetColor(clBlack);
    ErrorBitmapMask->Canvas()->FillRect(TRect{0, 0, ErrorBitmapMask->Width(), ErrorBitmapMask->Height()});
    for (const auto& c : cases) {
        Doc d;
        d.Load(c.html);
        TImageObj* image = d.Image();
        ASSERT_NE(image, nullptr) << c.html;
        TBitmap out;
        out.SetPixelFormat(pf24bit);
        out.SetSize(100, 100);
        out.Canvas()->Brush()->SetColor(clWhite);
        out.Canvas()->FillRect(TRect{0, 0, 100, 100});
        d.doc.Draw(out.Canvas(), TRect{0, 0, 100, 100}, 6000, 0, 0, 0, 0);
        // Inside the frame: white unless the error picture is drawn there.
        int marked = 0;
        for (int y = image->PaintY + 2; y < image->PaintY + image->PicHeight - 2; ++y)
            for (int x = image->PaintX + 2; x < image->PaintX + image->PicWidth - 2; ++x)
                marked += (out.Canvas()->Pixels(x, y) & 0xFFFFFF) != 0xFFFFFF;
        EXPECT_EQ(marked > 0, c.picture) << c.html;
    }
    ErrorBitMap->Assign(&keptPicture);
    ErrorBitmapMask->Assign(&keptMask);
}

TEST(ImageObj, HitsOnImagesGiveTheirLinksAndMaps) {
    Doc d;
    auto map = std::make_unique<TMapItem>();
    map->MapName = "NAV";
    TAttributeList area;
    area.Add(new TAttribute(ShapeSy, 0, "SHAPE", "rect"));
    area.Add(new TAttribute(CoordsSy, 0, "COORDS", "0,0,9,9"));
    area.Add(new TAttribute(HrefSy, 0, "HREF", "corner.htm"));
    area.Add(new TAttribute(TitleSy, 0, "TITLE", "Corner"));
    map->AddArea(area);
    d.doc.ImageMaps.push_back(std::move(map));
    d.Load("<A HREF=page.htm><IMG SRC=20x20 ISMAP TITLE=tip></A><IMG SRC=30x30 USEMAP=#nav>");
    TSection* s = d.Section();
    ASSERT_NE(s, nullptr);
    TBitmap out;
    out.SetPixelFormat(pf24bit);
    out.SetSize(300, 100);
    d.doc.Draw(out.Canvas(), TRect{0, 0, 300, 100}, 6000, 0, 0, 0, 0);
    auto* ismap = dynamic_cast<TImageObj*>(s->Images.Obj(0));
    auto* client = dynamic_cast<TImageObj*>(s->Images.Obj(1));
    struct Case {
        TImageObj* image;
        int dx, dy;
        std::string url, title;
    } cases[] = {
        {ismap, 5, 7, "page.htm?5,7", "tip"},
        {client, 2, 3, "corner.htm", "Corner"},
        {client, 20, 20, "", ""},
    };
    for (const Case& c : cases) {
        TUrlTarget* target = nullptr;
        TImageFormControlObj* control = nullptr;
        std::string title;
        const guResultType r = d.doc.GetURL(nullptr, c.image->PaintX + c.dx, c.image->PaintY + c.dy, target, control, title);
        EXPECT_EQ(d.doc.ImageUnderMouse, c.image);
        EXPECT_EQ((r & guUrl) != 0, !c.url.empty()) << c.url;
        if (target) {
            EXPECT_EQ(target->Url, c.url);
        }
        EXPECT_EQ(title, c.title);
    }
}

TEST(ImageObj, PrintCopiesPrintPicturesThroughTheirMasks) {
    Doc d;
    // The lower-left colour of a TRANSP picture is see-through: all of this one.
    d.Load("<IMG SRC=20x20red> <IMG SRC=20x20red TRANSP>");
    TSectionList copy(d.doc);
    copy.Printing = true;
    TBitmap out;
    PrintCopyOnto(copy, out);
    TSection* s = Doc::Find(copy);
    ASSERT_NE(s, nullptr);
    auto* plain = dynamic_cast<TImageObj*>(s->Images.Obj(0));
    auto* masked = dynamic_cast<TImageObj*>(s->Images.Obj(1));
    ASSERT_TRUE(plain && masked);
    EXPECT_EQ(out.Canvas()->Pixels(plain->PaintX + 10, plain->PaintY + 10) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(out.Canvas()->Pixels(masked->PaintX + 10, masked->PaintY + 10) & 0xFFFFFF, 0xFFFFFFu);
}

}  // namespace
