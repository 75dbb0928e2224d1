#include "images/gif_decoder.h"

#include <gtest/gtest.h>

#include <tuple>

#include "framework/streams.h"
#include "framework/sysutils.h"
#include "image_test_util.h"

using namespace image_tests;

namespace {

void Load(TGif& gif, const std::string& bytes) {
    gif.LoadFromBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string ErrorOf(const std::string& bytes) {
    TGif gif;
    try {
        Load(gif, bytes);
    } catch (const EInvalidGraphicOperation& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
    return "";
}

// Fixed-width codes, least significant bit first.
std::string Pack(const std::vector<int>& codes, int width) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= static_cast<uint32_t>(code) << count;
        for (count += width; count >= 8; count -= 8, bits >>= 8) out.push_back(static_cast<char>(bits & 0xFF));
    }
    if (count > 0) out.push_back(static_cast<char>(bits & 0xFF));
    return out;
}

std::string Message(int index) { return std::string("TGif: ") + TGif::ErrorText(index); }

std::vector<uint8_t> Ramp(int n, int modulo) {
    std::vector<uint8_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<uint8_t>((i * 7 + i / 13) % modulo);
    return v;
}

GifFile OneFrame(int w, int h, std::vector<uint8_t> indices, int minCodeSize = 8) {
    GifFile f;
    f.Width = w;
    f.Height = h;
    for (int i = 0; i < 256; ++i) f.Palette.push_back(static_cast<uint32_t>(i * 0x010101));
    GifFrame frame;
    frame.Width = w;
    frame.Height = h;
    frame.Indices = std::move(indices);
    frame.MinCodeSize = minCodeSize;
    f.Frames.push_back(frame);
    return f;
}

}  // namespace

TEST(GifSuite, StripMatchesReferenceFrames) {
    const std::string dir = TestDataDir() + "/gifsuite/gifs";
    std::vector<std::string> gifs = ListFiles(dir, ".gif");
    ASSERT_GE(gifs.size(), 12u);
    for (const std::string& name : gifs) {
        SCOPED_TRACE(name);
        const std::string base = name.substr(0, name.size() - 4);
        TGif gif;
        ASSERT_NO_THROW(Load(gif, ReadWholeFile(dir + "/" + name)));
        TGifStrip strip = gif.ComposeStrip();
        const int sw = gif.GetWidth();
        int frames = 0;
        for (int k = 0; k < gif.GetImageCount(); ++k) {
            std::string ref = dir + "/frames/" + base + "-" + std::to_string(k) + ".png";
            if (ReadWholeFile(ref).empty()) {
                if (k == 0) ref = dir + "/frames/" + base + ".png";
                if (ReadWholeFile(ref).empty()) continue;
            }
            SCOPED_TRACE(k);
            RGBAImage want = ReadReferencePng(ref);
            ASSERT_EQ(sw, want.Width);
            ASSERT_EQ(strip.Height, want.Height);
            int bad = 0;
            for (int y = 0; y < want.Height; ++y) {
                for (int x = 0; x < want.Width; ++x) {
                    const uint8_t* w = &want.Pixels[(static_cast<size_t>(y) * want.Width + x) * 4];
                    size_t at = static_cast<size_t>(y) * strip.Width + static_cast<size_t>(k) * sw + x;
                    bool clear = !strip.Mask.empty() && strip.Mask[at];
                    bool same = w[3] == 0 ? clear
                                          : !clear && strip.Pixels[at * 3 + 2] == w[0] &&
                                                strip.Pixels[at * 3 + 1] == w[1] && strip.Pixels[at * 3] == w[2];
                    if (!same && bad++ < 3)
                        ADD_FAILURE() << "at " << x << "," << y << " alpha " << int(w[3]) << " clear " << clear;
                }
            }
            EXPECT_EQ(0, bad);
            ++frames;
        }
        EXPECT_GT(frames, 0);
    }
}

TEST(GifDecoder, MinimumCodeSizes) {
    for (int size = 1; size <= 8; ++size) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> pixels = Ramp(37 * 23, 1 << size);
        TGif gif;
        Load(gif, WriteGif(OneFrame(37, 23, pixels, size)));
        EXPECT_EQ(pixels, gif.GetImageDescriptor(0).Pixels);
    }
    for (int size : {0, 12, 255}) {
        GifFile f = OneFrame(2, 2, {0, 1, 0, 1}, 2);
        f.Frames[0].MinCodeSize = size;
        f.Frames[0].Data = std::string(1, '\0');
        EXPECT_EQ(Message(12), ErrorOf(WriteGif(f))) << size;
    }
}

TEST(GifDecoder, LZWStreams) {
    // A full table used without any clear code.
    std::vector<uint8_t> noise(200 * 200);
    uint32_t seed = 7;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    GifFile full = OneFrame(200, 200, noise);
    full.Frames[0].Data = EncodeLZW(noise, 8, true, false);
    TGif gif;
    Load(gif, WriteGif(full));
    EXPECT_EQ(noise, gif.GetImageDescriptor(0).Pixels);

    // No leading clear code; and the KwKwK case (a run of one value).
    GifFile noClear = OneFrame(64, 4, std::vector<uint8_t>(256, 5), 4);
    noClear.Frames[0].Data = EncodeLZW(noClear.Frames[0].Indices, 4, false);
    Load(gif, WriteGif(noClear));
    EXPECT_EQ(std::vector<uint8_t>(256, 5), gif.GetImageDescriptor(0).Pixels);

    // A code beyond the free slot is an error, not a read out of the table.
    // Minimum size 2: clear 4, end 5, first free slot 6.
    struct Case {
        std::vector<int> codes;
        std::string error;
    } cases[] = {
        {{4, 1, 0}, ""},
        {{4, 7}, Message(13)},        // beyond the free slot
        {{4, 6}, Message(13)},        // the free slot with no string before it
        {{4, 1, 7}, Message(13)},     // beyond the free slot after a string
        {{4, 5}, Message(13)},        // an end right after a clear
        {{4, 1, 4, 4, 2}, ""},        // repeated clears are skipped
    };
    for (const Case& c : cases) {
        GifFile bad = OneFrame(4, 1, {0, 0, 0, 0}, 2);
        bad.Frames[0].Data = Pack(c.codes, 3);
        EXPECT_EQ(c.error, ErrorOf(WriteGif(bad))) << c.codes.size();
    }
}

TEST(GifDecoder, LastCodeEndingOnTheLastByteIsDecoded) {
    // Eight codes of 3 bits fill exactly three bytes; clears keep the width at 3.
    GifFile f = OneFrame(4, 1, {}, 2);
    f.Frames[0].Data = Pack({4, 1, 4, 2, 4, 3, 4, 1}, 3);
    ASSERT_EQ(3u, f.Frames[0].Data.size());
    TGif gif;
    Load(gif, WriteGif(f));
    EXPECT_EQ(std::vector<uint8_t>({1, 2, 3, 1}), gif.GetImageDescriptor(0).Pixels);
}

TEST(GifDecoder, InterlacedRowsAndOddSizes) {
    // Each row holds its own number; a 1 x 10 image takes rows 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
    GifFile f = OneFrame(1, 10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9});
    f.Frames[0].Interlaced = true;
    TGif gif;
    Load(gif, WriteGif(f));
    EXPECT_EQ(std::vector<uint8_t>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), gif.GetImageDescriptor(0).Pixels);
    for (int h : {1, 2, 3, 5}) {
        GifFile small = OneFrame(3, h, std::vector<uint8_t>(static_cast<size_t>(3 * h), 1));
        small.Frames[0].Interlaced = true;
        Load(gif, WriteGif(small));
        EXPECT_EQ(std::vector<uint8_t>(static_cast<size_t>(3 * h), 1), gif.GetImageDescriptor(0).Pixels) << h;
    }
    // A zero-sized frame and more data than pixels: neither hangs nor fails.
    GifFile empty = OneFrame(0, 0, {});
    empty.Frames[0].Data = EncodeLZW({1, 2, 3}, 8);
    EXPECT_EQ("", ErrorOf(WriteGif(empty)));
    GifFile extra = OneFrame(2, 1, {});
    extra.Frames[0].Data = EncodeLZW(std::vector<uint8_t>(100000, 3), 8);
    Load(gif, WriteGif(extra));
    EXPECT_EQ(std::vector<uint8_t>({3, 3}), gif.GetImageDescriptor(0).Pixels);
}

TEST(GifDecoder, HeaderExtensionsAndLoopCount) {
    GifFile f = OneFrame(2, 2, {0, 1, 2, 3});
    std::string bytes = WriteGif(f);
    TGif gif;
    Load(gif, bytes);
    EXPECT_EQ(-1, gif.LoopCount());
    EXPECT_EQ(1, gif.GetImageDelay(0));
    EXPECT_EQ(-1, gif.GetTransparentIndex(0));

    f.LoopCount = 0;
    Load(gif, WriteGif(f));
    EXPECT_EQ(0, gif.LoopCount());
    f.LoopCount = 2;
    f.Frames[0].Delay = 0;
    f.Frames[0].TransparentIndex = 3;
    f.Frames[0].Disposal = 2;
    Load(gif, WriteGif(f));
    EXPECT_EQ(2, gif.LoopCount());
    EXPECT_EQ(1, gif.GetImageDelay(0));
    EXPECT_EQ(3, gif.GetTransparentIndex(0));
    EXPECT_EQ(2, gif.GetImageDisposal(0));
    EXPECT_TRUE(gif.GetTransparent());

    // Lower-case signature, missing trailer, trailing garbage after it.
    std::string lower = bytes;
    lower.replace(0, 6, "gif89a");
    EXPECT_EQ("", ErrorOf(lower));
    EXPECT_EQ("", ErrorOf(bytes.substr(0, bytes.size() - 1)));
    EXPECT_EQ("", ErrorOf(bytes + "garbage"));
    EXPECT_EQ(Message(1), ErrorOf("GIF90a" + bytes.substr(6)));

    // An unknown extension is skipped; a comment cut short after an image ends the file.
    std::string head = bytes.substr(0, 13 + 256 * 3);
    std::string body = bytes.substr(head.size());
    EXPECT_EQ("", ErrorOf(head + "\x21\x42" + SubBlocks("whatever") + body));
    // An image keeps its first graphic control only: comments, text and
    // further controls are read past (a file of nothing else took 17 bytes
    // of memory per byte).
    const std::string delay5("\x21\xF9\x04\x00\x05\x00\x00\x00", 8), delay9("\x21\xF9\x04\x00\x09\x00\x00\x00", 8);
    Load(gif, head + delay5 + "\x21\xFE" + SubBlocks("note") + delay9 + "\x21\x01\x0C" + std::string(12, '\0') +
                  SubBlocks("text") + body);
    EXPECT_EQ(5, gif.GetImageDelay(0));
    EXPECT_EQ(1u, gif.GetImageDescriptor(0).Extensions.size());
    body.pop_back();
    EXPECT_EQ("", ErrorOf(head + body + "\x21\xFE\x10short"));
    EXPECT_EQ(Message(5), ErrorOf(head + std::string("\x21\xF9\x05\0\0\0\0\0\0", 9) + body));
    EXPECT_EQ(Message(7), ErrorOf(head + std::string("\x21\xF9\x04\0\0\0\0\x01", 8) + body));
    EXPECT_EQ(Message(4), ErrorOf(head + "\x99" + body));
    EXPECT_EQ(Message(18), ErrorOf(head + ";"));
}

TEST(GifDecoder, ColorTablesAndTruncation) {
    // Index past a 2-entry table reads black.
    GifFile f = OneFrame(3, 1, {0, 1, 3}, 2);
    f.Palette = {0xFF0000, 0x00FF00};
    TGif gif;
    Load(gif, WriteGif(f));
    EXPECT_EQ(2, gif.GetImageDepth(0));
    TGifStrip strip = gif.ComposeStrip();
    EXPECT_EQ(std::vector<uint8_t>({0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0}), strip.Pixels);

    f.Palette.clear();
    EXPECT_EQ(Message(2), ErrorOf(WriteGif(f)));

    // LZW data that stops early leaves the rest 0.
    GifFile cut = OneFrame(16, 16, std::vector<uint8_t>(256, 9));
    std::string data = EncodeLZW(Ramp(256, 200), 8);
    cut.Frames[0].Data = data.substr(0, data.size() / 2);
    Load(gif, WriteGif(cut));
    EXPECT_EQ(0, gif.GetImageDescriptor(0).Pixels.back());

    // A file cut anywhere fails cleanly or keeps what it had.
    std::string whole = WriteGif(OneFrame(20, 20, Ramp(400, 256)));
    for (size_t n = 0; n < whole.size(); ++n) {
        std::string error = ErrorOf(whole.substr(0, n));
        EXPECT_TRUE(error.empty() || error.rfind("TGif: ", 0) == 0) << n << ": " << error;
    }
}

TEST(GifDecoder, PictureBudget) {
    // A screen of 40000 pixels a side, an image of 32767 x 1025, and a strip of
    // 4096 x 4096 x 3 frames all exceed it before anything is allocated.
    GifFile wide = OneFrame(1, 1, {0});
    wide.Width = 40000;
    EXPECT_EQ(Message(15), ErrorOf(WriteGif(wide)));
    GifFile big = OneFrame(1, 1, {0});
    big.Frames[0].Width = 32767;
    big.Frames[0].Height = 1025;
    big.Frames[0].Data = EncodeLZW({0}, 8);
    EXPECT_EQ(Message(15), ErrorOf(WriteGif(big)));
    // A screen whose one frame would pass the budget in the strip.
    GifFile tall = OneFrame(32767, 1025, {});
    tall.Frames[0].Width = tall.Frames[0].Height = 1;
    tall.Frames[0].Indices = {0};
    EXPECT_EQ(Message(15), ErrorOf(WriteGif(tall)));
}

TEST(GifDecoder, AnAnimationLongerThanTheBudgetKeepsTheFramesThatFit) {
    struct Case {
        int width, height, frames, kept;
    };
    // Each frame counts as 256 pixels at least: on a screen of no area the
    // budget still ends at 128 Ki frames.
    for (const Case& c : {Case{4096, 4096, 2, 2}, Case{4096, 4096, 3, 2}, Case{640, 480, 110, 109},
                          Case{640, 480, 109, 109}, Case{0, 0, 140000, 131072}}) {
        GifFile many = OneFrame(c.width, c.height, {});
        many.Frames[0].Width = many.Frames[0].Height = 1;
        many.Frames[0].Indices = {0};
        while (static_cast<int>(many.Frames.size()) < c.frames) many.Frames.push_back(many.Frames[0]);
        TGif gif;
        ASSERT_NO_THROW(Load(gif, WriteGif(many))) << c.frames;
        EXPECT_EQ(c.kept, gif.GetImageCount()) << c.width << "x" << c.height << "x" << c.frames;
    }
}

TEST(GifDecoder, FramesAreClippedToTheScreen) {
    GifFile f = OneFrame(4, 4, std::vector<uint8_t>(16, 1));
    GifFrame outside;
    outside.Left = 3;
    outside.Top = 2;
    outside.Width = outside.Height = 3;
    outside.Indices = std::vector<uint8_t>(9, 200);
    outside.Disposal = 2;
    outside.TransparentIndex = 0;
    f.Frames.push_back(outside);
    GifFrame far = outside;
    far.Left = 300;
    f.Frames.push_back(far);
    TGif gif;
    Load(gif, WriteGif(f));
    TGifStrip strip = gif.ComposeStrip();
    ASSERT_EQ(12, strip.Width);
    auto at = [&](int frame, int x, int y) { return strip.Pixels[(static_cast<size_t>(y) * 12 + frame * 4 + x) * 3]; };
    EXPECT_EQ(200, at(1, 3, 3));
    EXPECT_EQ(1, at(1, 2, 3));
    EXPECT_EQ(0, strip.Mask[3 * 12 + 4 + 3]);
    // The disposed rectangle is clear in the next frame, within the screen only.
    EXPECT_EQ(1, strip.Mask[3 * 12 + 8 + 3]);
    EXPECT_EQ(0, strip.Mask[3 * 12 + 8 + 2]);
}

TEST(GifDecoder, DisposalThreeBringsBackWhatTheFrameCovered) {
    // Frame 1 paints 200 over the top-left corner and asks for the previous
    // picture back; frame 2 paints one pixel elsewhere and lets the rest show.
    GifFile f = OneFrame(4, 4, std::vector<uint8_t>(16, 1));
    GifFrame corner;
    corner.Width = corner.Height = 2;
    corner.Indices = std::vector<uint8_t>(4, 200);
    corner.Disposal = 3;
    corner.TransparentIndex = 0;
    f.Frames.push_back(corner);
    GifFrame dot;
    dot.Left = dot.Top = 3;
    dot.Width = dot.Height = 1;
    dot.Indices = {7};
    dot.TransparentIndex = 0;
    f.Frames.push_back(dot);
    TGif gif;
    Load(gif, WriteGif(f));
    TGifStrip strip = gif.ComposeStrip();
    ASSERT_EQ(12, strip.Width);
    auto at = [&](int frame, int x, int y) { return strip.Pixels[(static_cast<size_t>(y) * 12 + frame * 4 + x) * 3]; };
    EXPECT_EQ(200, at(1, 0, 0));
    EXPECT_EQ(200, at(1, 1, 1));
    EXPECT_EQ(1, at(2, 0, 0));
    EXPECT_EQ(1, at(2, 1, 1));
    EXPECT_EQ(7, at(2, 3, 3));
}

TEST(GifDecoder, EmptyFramesInTheStrip) {
    // Frames of zero width or height, disposed either way, compose to nothing.
    GifFile f = OneFrame(3, 3, std::vector<uint8_t>(9, 1));
    for (auto [w, h, disposal] : {std::tuple{0, 3, 3}, std::tuple{3, 0, 2}, std::tuple{0, 0, 3}}) {
        GifFrame empty;
        empty.Width = w;
        empty.Height = h;
        empty.Disposal = disposal;
        empty.TransparentIndex = 0;
        empty.Data = EncodeLZW({1}, 8);
        f.Frames.push_back(empty);
    }
    TGif gif;
    Load(gif, WriteGif(f));
    TGifStrip strip = gif.ComposeStrip();
    ASSERT_EQ(12, strip.Width);
    EXPECT_EQ(1, strip.Pixels[(2 * 12 + 11) * 3]);
    EXPECT_EQ(0, strip.Mask[2 * 12 + 11]);
}
