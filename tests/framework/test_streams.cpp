#include <gtest/gtest.h>

#include <memory>

#include "framework/cp1251.h"
#include "framework/streams.h"
#include "support/test_support.h"

namespace {

std::string ReadAll(TStream& stream) {
    std::string bytes(static_cast<size_t>(stream.Size() - stream.Position()), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// The same story for every stream kind: write, seek back, read, read past the end.
void CheckReadWriteSeek(TStream& stream) {
    stream.WriteBuffer("hello world", 11);
    EXPECT_EQ(stream.Size(), 11);
    EXPECT_EQ(stream.Position(), 11);
    EXPECT_EQ(stream.Seek(-5, soEnd), 6);
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, 16), 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(stream.Read(buffer, 16), 0);

    stream.SetPosition(8);
    EXPECT_THROW(stream.ReadBuffer(buffer, 4), EReadError);
    stream.SetPosition(0);
    stream.ReadBuffer(buffer, 0);
    EXPECT_THROW(stream.ReadBuffer(buffer, -1), EReadError);
    stream.Seek(1, soCurrent);
    stream.ReadBuffer(buffer, 4);
    EXPECT_EQ(std::string(buffer, 4), "ello");
}

TEST(Streams, MemoryStringAndFileStreamsReadWriteAndSeekAlike) {
    testing_support::TempWorkDir dir;
    TMemoryStream memory;
    TStringStream text;
    TFileStream file("stream.bin", fmCreate);
    for (TStream* stream : {static_cast<TStream*>(&memory), static_cast<TStream*>(&text),
                            static_cast<TStream*>(&file)}) {
        SCOPED_TRACE(typeid(*stream).name());
        CheckReadWriteSeek(*stream);
    }
    EXPECT_EQ(text.DataString(), "hello world");
}

TEST(Streams, MemoryStreamGrowsShrinksAndFillsGapsWithZeros) {
    TMemoryStream stream;
    stream.Seek(4, soBeginning);
    stream.WriteBuffer("ab", 2);
    EXPECT_EQ(stream.Size(), 6);
    EXPECT_EQ(std::string(static_cast<const char*>(stream.Memory()), 6), std::string("\0\0\0\0ab", 6));

    stream.SetSize(3);
    EXPECT_EQ(stream.Position(), 3);
    stream.SetSize(100000);
    EXPECT_EQ(stream.Size(), 100000);
    EXPECT_EQ(static_cast<const char*>(stream.Memory())[99999], 0);

    // An absurd size fails cleanly and leaves the stream as it was.
    EXPECT_THROW(stream.SetSize(int64_t(1) << 62), EOutOfMemory);
    EXPECT_EQ(stream.Size(), 100000);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Memory(), nullptr);
}

TEST(Streams, ReadOnlyMemoryRefusesWrites) {
    const char data[] = "abc";
    TReadOnlyMemoryStream stream(data, 3);
    EXPECT_THROW(stream.WriteBuffer("x", 1), EWriteError);
    EXPECT_EQ(ReadAll(stream), "abc");
    EXPECT_THROW(stream.SetSize(1), EStreamError);
}

TEST(Streams, CopyFromTakesTheWholeSourceOrExactlyTheCount) {
    std::string big(200000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    TStringStream source(big);
    source.Seek(100, soBeginning);
    TMemoryStream target;
    EXPECT_EQ(target.CopyFrom(&source, 0), 200000);
    EXPECT_EQ(std::string(static_cast<const char*>(target.Memory()), 200000), big);

    source.Seek(-10, soEnd);
    EXPECT_THROW(target.CopyFrom(&source, 11), EReadError);
}

TEST(Streams, FileStreamOpenErrorsNameTheFile) {
    testing_support::TempWorkDir dir;
    const std::string missing = Utf8ToAnsi("нет такого.ind");
    try {
        TFileStream stream(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message.rfind("Cannot open file \"" + missing + "\".", 0), 0u) << e.Message;
    }
    EXPECT_THROW(TFileStream(Utf8ToAnsi("нет\\такой\\папки.dat"), fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream("x.dat", 0x0003), EFOpenError);  // no such access mode
}

TEST(Streams, FileStreamKeepsBytesAndRussianNames) {
    testing_support::TempWorkDir dir;
    const std::string name = Utf8ToAnsi("словарь.dat");
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
    {
        TFileStream out(name, fmCreate);
        out.WriteBuffer(bytes.data(), 256);
    }
    EXPECT_EQ(testing_support::ReadFileBytes(name), bytes);
    TFileStream in(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(in.FileName(), name);
    EXPECT_EQ(ReadAll(in), bytes);

    TMemoryStream memory;
    memory.LoadFromFile(name);
    EXPECT_EQ(memory.Size(), 256);
    memory.SaveToFile("copy.dat");
    EXPECT_EQ(testing_support::ReadFileBytes("copy.dat"), bytes);
}

TEST(Streams, FileStreamSeeksBeyondFourGigabytes) {
    testing_support::TempWorkDir dir;
    const int64_t far = (int64_t(1) << 32) + 10;
    {
        TFileStream file("big.bin", fmCreate);
        file.SetSize(far + 3);  // sparse on the host's file system
        EXPECT_EQ(file.Seek(far, soBeginning), far);
        file.WriteBuffer("xyz", 3);
        EXPECT_EQ(file.Size(), far + 3);
    }
    TFileStream file("big.bin", fmOpenRead);
    EXPECT_EQ(file.Seek(-3, soEnd), far);
    char buffer[3];
    file.ReadBuffer(buffer, 3);
    EXPECT_EQ(std::string(buffer, 3), "xyz");
    EXPECT_THROW(file.Seek(-1, soBeginning), EStreamError);
}

}  // namespace
