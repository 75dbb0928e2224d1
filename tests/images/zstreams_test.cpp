#include "images/zstreams.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "framework/streams.h"

namespace {

std::string Noise(size_t n) {
    std::string s(n, '\0');
    uint32_t seed = 3;
    for (char& c : s) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    // Half noise, half text, so that it compresses somewhat.
    for (size_t i = 0; i < n / 2; ++i) s[i] = "dictionary "[i % 11];
    return s;
}

std::string CompressThroughStream(const std::string& data, TZCompressionLevel level = zcDefault) {
    TMemoryStream dest;
    {
        TZCompressionStream z(&dest, level);
        for (size_t at = 0; at < data.size(); at += 1000) {
            int32_t n = static_cast<int32_t>(std::min<size_t>(1000, data.size() - at));
            EXPECT_EQ(n, z.Write(data.data() + at, n));
        }
        EXPECT_EQ(static_cast<int64_t>(data.size()), z.Position());
    }
    return std::string(static_cast<const char*>(dest.Memory()), static_cast<size_t>(dest.Size()));
}

std::string ReadAll(TZDecompressionStream& z) {
    std::string out;
    char buffer[777];
    for (int32_t n; (n = z.Read(buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    return out;
}

}  // namespace

TEST(ZStreams, RoundTripAtEveryLevel) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{70000}, size_t{300000}}) {
        for (TZCompressionLevel level : {zcNone, zcFastest, zcDefault, zcMax}) {
            SCOPED_TRACE(size);
            std::string data = Noise(size);
            std::string packed = CompressThroughStream(data, level);
            // A valid zlib stream even for no input at all.
            EXPECT_EQ(data, ZDecompressStr(packed));
            TReadOnlyMemoryStream source(packed.data(), static_cast<int64_t>(packed.size()));
            TZDecompressionStream z(&source);
            EXPECT_EQ(data, ReadAll(z));
        }
    }
    EXPECT_EQ("", ZDecompressStr(ZCompressStr("")));
    std::string big = Noise(100000);
    EXPECT_EQ(big, ZDecompressStr(ZCompressStr(big, zcMax)));
}

TEST(ZStreams, ReadStopsAtStreamEndAndTruncation) {
    std::string data = Noise(5000);
    std::string packed = ZCompressStr(data);
    // Bytes after the zlib stream are not decompressed.
    std::string trailed = packed + "trailing bytes";
    TReadOnlyMemoryStream source(trailed.data(), static_cast<int64_t>(trailed.size()));
    TZDecompressionStream z(&source);
    EXPECT_EQ(data, ReadAll(z));
    char c;
    EXPECT_EQ(0, z.Read(&c, 1));

    // A truncated source ends the read early.
    std::string cut = packed.substr(0, packed.size() / 2);
    TReadOnlyMemoryStream cutSource(cut.data(), static_cast<int64_t>(cut.size()));
    TZDecompressionStream partial(&cutSource);
    std::string got = ReadAll(partial);
    EXPECT_LT(got.size(), data.size());
    EXPECT_EQ(data.substr(0, got.size()), got);
    // And a forward seek over it stops at its end.
    EXPECT_EQ(static_cast<int64_t>(got.size()), partial.Seek(1000000, soCurrent));
    EXPECT_THROW(ZDecompressStr(cut), EZDecompressionError);
}

TEST(ZStreams, DictionaryAndCorruptDataRaise) {
    // A stream that asks for a preset dictionary cannot be inflated here.
    std::string packed(64, '\0');
    z_stream s{};
    deflateInit(&s, Z_DEFAULT_COMPRESSION);
    deflateSetDictionary(&s, reinterpret_cast<const Bytef*>("abc"), 3);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>("abcabc"));
    s.avail_in = 6;
    s.next_out = reinterpret_cast<Bytef*>(packed.data());
    s.avail_out = 64;
    deflate(&s, Z_FINISH);
    packed.resize(s.total_out);
    deflateEnd(&s);
    TReadOnlyMemoryStream source(packed.data(), static_cast<int64_t>(packed.size()));
    TZDecompressionStream z(&source);
    char buffer[16];
    EXPECT_THROW(z.Read(buffer, sizeof buffer), EZDecompressionError);
    EXPECT_THROW(ZDecompressStr(packed), EZDecompressionError);
    EXPECT_THROW(ZDecompressStr("not zlib data at all"), EZDecompressionError);
}

TEST(ZStreams, SeeksAndInvalidOperations) {
    std::string data = Noise(20000);
    std::string packed = "head" + ZCompressStr(data);
    TReadOnlyMemoryStream source(packed.data(), static_cast<int64_t>(packed.size()));
    source.SetPosition(4);
    TZDecompressionStream z(&source);
    char buffer[100];
    ASSERT_EQ(100, z.Read(buffer, 100));
    EXPECT_EQ(5100, z.Seek(5000, soCurrent));
    EXPECT_EQ(9000, z.Seek(9000, soBeginning));
    ASSERT_EQ(10, z.Read(buffer, 10));
    EXPECT_EQ(data.substr(9000, 10), std::string(buffer, 10));
    EXPECT_THROW(z.Seek(100, soBeginning), EZDecompressionError);
    EXPECT_THROW(z.Seek(-1, soCurrent), EZDecompressionError);
    EXPECT_THROW(z.Seek(0, soEnd), EZDecompressionError);
    EXPECT_THROW(z.Write(buffer, 1), EZDecompressionError);
    // Back to the start means the wrapped stream's position 0, here not zlib data.
    EXPECT_EQ(0, z.Seek(0, soBeginning));
    EXPECT_THROW(z.Read(buffer, 10), EZDecompressionError);

    TMemoryStream dest;
    TZCompressionStream c(&dest);
    EXPECT_THROW(c.Read(buffer, 1), EZCompressionError);
    EXPECT_THROW(c.Seek(1, soCurrent), EZCompressionError);
    EXPECT_EQ(0, c.Seek(0, soCurrent));
    EXPECT_EQ(0.0, c.GetCompressionRate());
}

TEST(ZStreams, ProgressAndCompressionRate) {
    std::string text(200000, 'a');
    TMemoryStream dest;
    int progress = 0;
    {
        TZCompressionStream z(&dest, zcMax);
        z.OnProgress = [&](TObject*) { ++progress; };
        z.Write(text.data(), static_cast<int32_t>(text.size()));
        EXPECT_GT(z.GetCompressionRate(), 90.0);
    }
    dest.SetPosition(0);
    TZDecompressionStream d(&dest);
    d.OnProgress = [&](TObject*) { ++progress; };
    std::string out(text.size(), '\0');
    EXPECT_EQ(static_cast<int32_t>(out.size()), d.Read(out.data(), static_cast<int32_t>(out.size())));
    EXPECT_EQ(text, out);
    EXPECT_GE(progress, 1);
}
