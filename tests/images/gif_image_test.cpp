#include "images/gif_image.h"

#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/win.h"
#include "image_test_util.h"
#include "images/engine_palette.h"
#include "images/gif_decoder.h"

using namespace image_tests;

namespace {

uint32_t gNow = 0;
uint32_t FakeClock() { return gNow; }

struct ClockScope {
    ClockScope() : saved(TGIFImage::Clock) {
        gNow = 0xFFFFFF00u;  // near the wrap of the counter
        TGIFImage::Clock = FakeClock;
    }
    ~ClockScope() { TGIFImage::Clock = saved; }
    uint32_t (*saved)();
};

GifFile Frames(int count, int loopCount, int delay = 5) {
    GifFile f;
    f.Width = 4;
    f.Height = 2;
    f.Palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    f.LoopCount = loopCount;
    for (int i = 0; i < count; ++i) {
        GifFrame frame;
        frame.Width = 4;
        frame.Height = 2;
        frame.Indices = std::vector<uint8_t>(8, static_cast<uint8_t>(i % 4));
        frame.Delay = delay;
        frame.MinCodeSize = 2;
        f.Frames.push_back(frame);
    }
    return f;
}

owned_ptr<TGIFImage> Create(const std::string& bytes, bool* nonAnimated = nullptr) {
    TReadOnlyMemoryStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
    bool flag = false;
    owned_ptr<TGIFImage> image(CreateAGifFromStream(flag, &in));
    if (nonAnimated) *nonAnimated = flag;
    return image;
}

// Runs the timer until the animation stops (or 100 frame changes) and
// counts the times the last frame was left or stayed on.
int PlayedLoops(TGIFImage& image) {
    image.SetAnimate(true);
    int changes = 0;
    for (int tick = 0; tick < 1000 && image.Animate() && changes < 100; ++tick) {
        int before = image.CurrentFrame();
        gNow += 10;
        image.CheckTime(nullptr);
        if (image.CurrentFrame() != before) ++changes;
    }
    return image.Animate() ? -1 : (changes + 1) / image.NumFrames();
}

}  // namespace

TEST(GifImage, LoopCounts) {
    ClockScope clock;
    struct Case {
        int loopCount;
        int iterations;
        int plays;  // -1: endless
    } cases[] = {{2, 3, 3}, {0, 0, -1}, {-1, 1, 1}, {1, 2, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loopCount);
        owned_ptr<TGIFImage> image = Create(WriteGif(Frames(3, c.loopCount)));
        ASSERT_TRUE(image);
        EXPECT_EQ(c.iterations, image->NumIterations());
        EXPECT_EQ(c.plays, PlayedLoops(*image));
        if (c.plays > 0) {
            EXPECT_EQ(3, image->CurrentFrame());
        }
    }
}

TEST(GifImage, FramesDelaysAndSelection) {
    bool nonAnimated = false;
    owned_ptr<TGIFImage> image = Create(WriteGif(Frames(3, 0, 0)), &nonAnimated);
    ASSERT_TRUE(image);
    EXPECT_FALSE(nonAnimated);
    EXPECT_TRUE(image->Animated());
    EXPECT_EQ(2, image->PendingDisposal());
    EXPECT_EQ(30, image->Frames().GetFrame(1).frDelay);
    EXPECT_EQ(50, Create(WriteGif(Frames(2, 0, 5)))->Frames().GetFrame(2).frDelay);
    EXPECT_EQ(30, Create(WriteGif(Frames(2, 0, 1)))->Frames().GetFrame(2).frDelay);
    image->SetCurrentFrame(0);
    EXPECT_EQ(3, image->CurrentFrame());
    image->SetCurrentFrame(99);
    EXPECT_EQ(1, image->CurrentFrame());
    EXPECT_EQ(12, image->Strip()->Width());
    EXPECT_EQ(nullptr, image->GetMask());
    EXPECT_EQ(4, image->GetMaskedBitmap()->Width());

    owned_ptr<TGIFImage> single = Create(WriteGif(Frames(1, -1)), &nonAnimated);
    ASSERT_TRUE(single);
    EXPECT_TRUE(nonAnimated);
    EXPECT_FALSE(single->Animated());
    single->CheckTime(nullptr);
    EXPECT_EQ(1, single->CurrentFrame());

    EXPECT_FALSE(Create("GIF89a broken"));
    EXPECT_FALSE(Create(""));
    bool flag = false;
    EXPECT_EQ(nullptr, CreateAGif("no such file.gif", flag));
}

TEST(GifImage, CopySharesTheStripAndMayOutliveItsSource) {
    GifFile f = Frames(2, 0);
    f.Frames[1].TransparentIndex = 0;
    owned_ptr<TGIFImage> source = Create(WriteGif(f));
    ASSERT_TRUE(source);
    owned_ptr<TGIFImage> copy(new TGIFImage(*source));
    EXPECT_EQ(source->Strip(), copy->Strip());
    EXPECT_TRUE(copy->Frames().GetFrame(1).IsCopy);
    source.reset();
    ASSERT_TRUE(copy->Strip()->HasMask());
    EXPECT_EQ(8, copy->Strip()->Width());
    ASSERT_NE(nullptr, copy->GetMask());
    EXPECT_EQ(4, copy->GetMask()->Width());
}

TEST(GifImage, StripBitmapAndMask) {
    GifFile f = Frames(2, 0);
    f.Frames[0].Indices = {0, 1, 2, 3, 3, 2, 1, 0};
    f.Frames[0].TransparentIndex = 3;
    TGif gif;
    std::string bytes = WriteGif(f);
    gif.LoadFromBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    TBitmap* mask = nullptr;
    owned_ptr<TBitmap> strip(gif.GetStripBitmap(mask));
    owned_ptr<TBitmap> maskOwner(mask);
    ASSERT_TRUE(mask);
    EXPECT_TRUE(mask->Monochrome());
    TDibImage pixels = strip->ToDib();
    ASSERT_EQ(24, pixels.BitCount);
    EXPECT_EQ(0xFF, pixels.Row(0)[1 * 3 + 2]);  // index 1: red
    EXPECT_EQ(0xFF, pixels.Row(0)[2 * 3 + 1]);  // index 2: green
    TDibImage bits = mask->ToDib();
    EXPECT_EQ(0x10, bits.Row(0)[0] & 0xF0);     // only pixel 3 of frame 1 is clear
    TBitmap* frame = gif.GetBitmap(0);
    EXPECT_TRUE(frame->Transparent());
    EXPECT_EQ(RGBToColor(0x25, 0x07, 0x17), frame->TransparentColor());
}

TEST(GifImage, DrawPaintsTheCurrentFrameThroughItsMask) {
    GifFile f = Frames(2, 0);
    f.Frames[0].Indices = std::vector<uint8_t>(8, 1);                 // all red
    f.Frames[1].Indices = {2, 0, 2, 0, 0, 0, 0, 0};                   // green over a clear background
    f.Frames[1].TransparentIndex = 0;
    f.Frames[0].Disposal = 2;                                        // frame 1 is cleared before frame 2
    owned_ptr<TGIFImage> image = Create(WriteGif(f));
    ASSERT_TRUE(image);
    TBitmap target;
    target.SetSize(4, 2);
    target.Canvas()->Brush()->SetColor(RGBToColor(0, 0, 255));
    target.Canvas()->FillRect(TRect{0, 0, 4, 2});

    image->Draw(target.Canvas(), nullptr, nullptr, 0, 0, 4, 2);
    EXPECT_EQ(RGBToColor(255, 0, 0), target.Canvas()->Pixels(3, 1));
    image->SetCurrentFrame(2);
    target.Canvas()->FillRect(TRect{0, 0, 4, 2});
    image->Draw(target.Canvas(), nullptr, nullptr, 0, 0, 4, 2);
    EXPECT_EQ(RGBToColor(0, 255, 0), target.Canvas()->Pixels(0, 0));
    EXPECT_EQ(RGBToColor(0, 0, 255), target.Canvas()->Pixels(1, 0));  // shows through
    EXPECT_EQ(RGBToColor(0, 0, 255), target.Canvas()->Pixels(3, 1));
    EXPECT_EQ(0, image->DrawRect().Left);
    EXPECT_EQ(4, image->DrawRect().Right);
}

TEST(GifImage, OnlyAFrameThatChangesIsInvalidated) {
    ClockScope clock;
    owned_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(0, 0, 100, 100);
    form->Show();  // a hidden window has nothing to invalidate
    HWND window = form->Handle();
    struct Case {
        int frames, loopCount;
        bool invalidated;
    } cases[] = {{1, 0, false}, {1, -1, false}, {2, 0, true}, {3, 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frames << " frames, loop count " << c.loopCount);
        owned_ptr<TGIFImage> image = Create(WriteGif(Frames(c.frames, c.loopCount)));
        ASSERT_TRUE(image);
        TBitmap target;
        target.SetSize(20, 20);
        image->Draw(target.Canvas(), nullptr, nullptr, 5, 6, 4, 2);
        image->SetAnimate(true);
        for (int tick = 0; tick < 5; ++tick) {
            ValidateRect(window, nullptr);
            gNow += 100;
            image->CheckTime(form.get());
            RECT r{};
            EXPECT_EQ(c.invalidated, GetUpdateRect(window, &r, FALSE) != FALSE) << "tick " << tick;
            if (c.invalidated) {
                EXPECT_EQ(5, r.left);
                EXPECT_EQ(8, r.bottom);
            }
        }
    }
    form->Hide();
}

TEST(GifImage, TheStripTakesTheEnginePaletteOnA256ColourScreen) {
    const uint8_t savedBits = ColorBits;
    HPALETTE savedPalette = ThePalette;
    TPaletteHandle engine(MakePalette({0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF}));
    ColorBits = 8;
    ThePalette = engine.get();
    owned_ptr<TGIFImage> image = Create(WriteGif(Frames(2, 0)));
    ColorBits = savedBits;
    ThePalette = savedPalette;
    ASSERT_TRUE(image);
    HPALETTE palette = image->Strip()->Palette();
    ASSERT_NE(nullptr, palette);
    EXPECT_NE(engine.get(), palette) << "a copy of its own";
    PALETTEENTRY entries[8]{};
    ASSERT_EQ(5u, GetPaletteEntries(palette, 0, 8, entries));
    EXPECT_EQ(0xFF, entries[1].peRed);
    EXPECT_EQ(0xFF, entries[4].peBlue);
}
