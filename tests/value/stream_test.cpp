#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "value/buffer.h"
#include "value/stream.h"
#include "value/string.h"
#include "value/structural.h"

namespace vel {
namespace {

// Bytes that differ at every position, so a misplaced block shows.
std::string pattern(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

class StreamTest : public testing_support::ScratchFileTest {
protected:
    Value open(int32_t mode) { return fileStream(path_, mode, false); }
};

TEST_F(StreamTest, WritesAndReadsAcrossTheBufferBoundary)
{
    const std::string data = pattern(3 * Stream::kBufferSize + 100);
    for (int32_t bufferSize : {0, 3}) { // 0: the standard buffer
        SCOPED_TRACE(bufferSize);
        {
            Value s = open(Stream::Create);
            Stream* out = s.as<Stream>();
            if (bufferSize)
                out->setBuffer(Buffer::make(bufferSize));
            // Byte by byte up to one short of the boundary, then blocks that straddle it, then a large one.
            std::size_t at = 0;
            for (; at < Stream::kBufferSize - 1; ++at)
                ASSERT_TRUE(out->writeByte(static_cast<uint8_t>(data[at])));
            for (int32_t n : {3, 2 * Stream::kBufferSize + 1, static_cast<int32_t>(data.size() - at - 3 - 2 * Stream::kBufferSize - 1)}) {
                ASSERT_EQ(out->write(data.data() + at, n), n);
                at += static_cast<std::size_t>(n);
            }
            EXPECT_EQ(out->size(), static_cast<int64_t>(data.size()));
            EXPECT_EQ(out->tell(), static_cast<int64_t>(data.size()));
        } // destroying the stream flushes it
        EXPECT_EQ(fileContents(), data);

        Value s = open(Stream::Read);
        Stream* in = s.as<Stream>();
        if (bufferSize)
            in->setBuffer(Buffer::make(bufferSize + 2));
        EXPECT_EQ(in->size(), static_cast<int64_t>(data.size()));
        std::string back;
        for (int32_t chunk : {1, 7, 2047, 2049, 1, 3000, 5000}) {
            std::string part(static_cast<std::size_t>(chunk), '\0');
            back.append(part.data(), static_cast<std::size_t>(in->read(part.data(), chunk)));
        }
        EXPECT_EQ(back, data);
        EXPECT_TRUE(in->atEnd());
        EXPECT_EQ(in->readByte(), -1);
    }
}

TEST_F(StreamTest, SeekingMixesReadsAndWritesOnOneStream)
{
    const std::string data = pattern(5000);
    writeFile(data);
    Value s = open(Stream::Write);
    Stream* io = s.as<Stream>();
    ASSERT_TRUE(io->seek(4000));
    EXPECT_EQ(io->readByte(), static_cast<uint8_t>(data[4000]));
    // A seek back inside the bytes already read, then an overwrite there.
    ASSERT_TRUE(io->seek(3990));
    EXPECT_EQ(io->readByte(), static_cast<uint8_t>(data[3990]));
    ASSERT_EQ(io->write("XYZ", 3), 3);
    EXPECT_EQ(io->tell(), 3994);
    EXPECT_EQ(io->readByte(), static_cast<uint8_t>(data[3994]));
    // Writing past the end extends the file.
    ASSERT_TRUE(io->seek(4998));
    ASSERT_EQ(io->write("abcd", 4), 4);
    EXPECT_EQ(io->size(), 5002);
    ASSERT_TRUE(io->seek(0));
    char head[2];
    ASSERT_EQ(io->read(head, 2), 2);
    EXPECT_EQ(std::string(head, 2), data.substr(0, 2));
    EXPECT_TRUE(io->flush());

    std::string expected = data.substr(0, 3991) + "XYZ" + data.substr(3994, 4998 - 3994) + "abcd";
    EXPECT_EQ(fileContents(), expected);
    EXPECT_FALSE(io->seek(-1));
}

TEST_F(StreamTest, TextModeTranslatesLineEnds)
{
    {
        Value s = open(Stream::Create | Stream::Text);
        Stream* out = s.as<Stream>();
        ASSERT_EQ(out->write("a\nb\r\nc\n", 7), 7);
        // Enough line feeds that the doubled bytes overflow the translation buffer.
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(out->writeByte('\n'));
    }
    std::string expected = "a\r\nb\r\r\nc\r\n";
    for (int i = 0; i < 3000; ++i)
        expected += "\r\n";
    EXPECT_EQ(fileContents(), expected);

    // Reading drops every carriage return, including runs longer than a buffer.
    writeFile("x\r\ny" + std::string(5000, '\r') + "z\r");
    Value s = open(Stream::Read | Stream::Text);
    Stream* in = s.as<Stream>();
    std::string back;
    for (int c = in->readByte(); c >= 0; c = in->readByte())
        back += static_cast<char>(c);
    EXPECT_EQ(back, "x\nyz");
    EXPECT_TRUE(in->atEnd());
}

TEST_F(StreamTest, OpenModes)
{
    // Without create, a missing file cannot be opened; quiet suppresses the report.
    EXPECT_FALSE(deleteFile(path_));
    EXPECT_TRUE(open(Stream::Read).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"velFileStream: Cannot open " + path_});
    EXPECT_TRUE(fileStream(path_, Stream::Write, true).isNil());
    EXPECT_FALSE(fileExists(path_));

    // Create truncates an existing file and implies write.
    writeFile("old contents");
    {
        Value s = open(Stream::Create);
        ASSERT_TRUE(s.is(Tag::Stream));
        EXPECT_TRUE(s.as<Stream>()->isWritable());
        EXPECT_EQ(s.as<Stream>()->size(), 0);
        EXPECT_TRUE(s.as<Stream>()->isOpen());
    }
    EXPECT_EQ(fileContents(), "");

    // A read-only stream refuses writes without touching the file.
    writeFile("keep");
    {
        Value s = open(Stream::Read);
        EXPECT_FALSE(s.as<Stream>()->writeByte('x'));
        EXPECT_EQ(s.as<Stream>()->write("xx", 2), 0);
        EXPECT_FALSE(writeInt32(*s.as<Stream>(), 1));
        EXPECT_FALSE(writeInt16(*s.as<Stream>(), 1));
        EXPECT_FALSE(writeByte(*s.as<Stream>(), 1));
        EXPECT_FALSE(writeFloat(*s.as<Stream>(), 1.0f));
        EXPECT_EQ(errors(), (std::vector<std::string>{"Cannot write VELINT to stream", "Cannot write VELINT to stream",
                                                      "Cannot write VELBYTE to stream",
                                                      "Cannot write VELFLOAT to stream"}));
    }
    EXPECT_EQ(fileContents(), "keep");

    // Readers share a file; a writer has it alone, against other streams of this process and of others.
    struct Case {
        int32_t held, second;
        bool opens;
    };
    const Case cases[] = {{Stream::Read, Stream::Read, true},     {Stream::Read, Stream::Write, false},
                          {Stream::Read, Stream::Create, false},  {Stream::Write, Stream::Read, false},
                          {Stream::Write, Stream::Write, false}, {Stream::Create, Stream::Read, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.held) + " then " + std::to_string(c.second));
        writeFile("keep");
        Value first = open(c.held);
        ASSERT_TRUE(first.is(Tag::Stream));
        EXPECT_EQ(fileStream(path_, c.second, true).is(Tag::Stream), c.opens);
        pid_t child = ::fork();
        if (child == 0)
            ::_exit(fileStream(path_, c.second, true).is(Tag::Stream) ? 0 : 1);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status) == 0, c.opens);
    }
    writeFile("keep");
    EXPECT_TRUE(open(Stream::Write).is(Tag::Stream)) << "every lock went with its stream";

    // Names are limited to 255 bytes; directories are not files.
    std::string longName = ::testing::TempDir() + std::string(300, 'n');
    EXPECT_TRUE(fileStream(longName, Stream::Create, true).isNil());
    EXPECT_TRUE(fileStream(::testing::TempDir(), Stream::Read, true).isNil());
}

TEST_F(StreamTest, FixedSizeTransfersAndTheirShortReads)
{
    Value s = MemoryStream::growable();
    Stream* io = s.as<Stream>();
    ASSERT_TRUE(writeInt32(*io, -2) && writeInt16(*io, -3) && writeByte(*io, 200) && writeFloat(*io, 2.5f));
    EXPECT_EQ(std::vector<uint8_t>(s.as<MemoryStream>()->data(), s.as<MemoryStream>()->data() + 11),
              (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 200, 0x00, 0x00, 0x20, 0x40}));
    io->seek(0);
    int32_t i = 0;
    int16_t h = 0;
    uint8_t b = 0;
    float f = 0;
    ASSERT_TRUE(readInt32(*io, i) && readInt16(*io, h) && readByte(*io, b) && readFloat(*io, f));
    EXPECT_EQ(std::make_tuple(i, h, b, f), std::make_tuple(-2, int16_t{-3}, uint8_t{200}, 2.5f));

    // Each short read reports and gives 0, and the next transfer starts where it stopped.
    io->seek(8);
    EXPECT_FALSE(readInt32(*io, i));
    io->seek(10);
    EXPECT_FALSE(readInt16(*io, h) || readFloat(*io, f) || readByte(*io, b));
    EXPECT_EQ(std::make_tuple(i, h, b, f), std::make_tuple(0, int16_t{0}, uint8_t{0}, 0.0f));
    EXPECT_EQ(errors(), (std::vector<std::string>{"Cannot read VELINT from stream", "Cannot read VELINT from stream",
                                                  "Cannot read VELFLOAT from stream",
                                                  "Cannot read VELBYTE from stream"}));
}

TEST_F(StreamTest, WriteBuiltinAndReadIntoBuffer)
{
    Value s = open(Stream::Create);
    EXPECT_EQ(velWrite(s, Value::string("hello ")).asInt(), 1);
    EXPECT_EQ(velWrite(s, Buffer::over("world", 5, true)).asInt(), 1);
    EXPECT_EQ(velWrite(s, Value::string("")).asInt(), 0);
    EXPECT_EQ(velWrite(s, Value::integer(3)).asInt(), 0);
    EXPECT_EQ(velWrite(Value::integer(3), Value::string("x")).asInt(), 0);
    EXPECT_EQ(errors(), (std::vector<std::string>{"Bad type for argument 2 of velWrite(stream,bufOrString).",
                                                  "Bad type for argument 1 of velWrite(stream,bufOrString)."}));
    s.as<Stream>()->seek(0);
    Value into = Buffer::make(4);
    std::string back;
    std::vector<int32_t> counts;
    for (int k = 0; k < 4; ++k) {
        counts.push_back(readIntoBuffer(s, into));
        back.append(reinterpret_cast<const char*>(into.as<Buffer>()->bytes()), static_cast<std::size_t>(into.as<Buffer>()->length()));
    }
    EXPECT_EQ(counts, (std::vector<int32_t>{4, 4, 3, 0}));
    EXPECT_EQ(back, "hello world");
}

TEST_F(StreamTest, MemoryStreamsStopAtTheirEnd)
{
    // Over a buffer value: writes go up to its capacity and set its length.
    Value buffer = Buffer::make(8);
    Value s = MemoryStream::overBuffer(buffer, true);
    Stream* io = s.as<Stream>();
    EXPECT_EQ(io->write("0123456789", 10), 8);
    EXPECT_EQ(buffer.as<Buffer>()->length(), 8);
    EXPECT_FALSE(io->writeByte('x'));
    EXPECT_TRUE(io->atEnd());
    io->seek(6);
    EXPECT_EQ(io->readByte(), '6');

    // Over bytes read-only: nothing is written.
    char text[] = "abc";
    Value r = MemoryStream::overBytes(text, 3, false);
    EXPECT_FALSE(r.as<Stream>()->isWritable());
    EXPECT_EQ(r.as<Stream>()->write("zz", 2), 0);
    EXPECT_STREQ(text, "abc");
    EXPECT_FALSE(r.as<Stream>()->seek(4));
    EXPECT_TRUE(MemoryStream::overBuffer(Value::integer(1), false).isNil());
}

} // namespace
} // namespace vel
