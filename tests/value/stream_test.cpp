#include <gtest/gtest.h>

#include <cstring>
#include <random>
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

class StreamTest : public testing_support::ScratchFileTest {
protected:
    Value open(int32_t mode) { return fileStream(path_, mode, false); }
};

// Random reads, writes and seeks on one file stream against a string, with I/O buffers smaller than,
// near and at the standard size, and transfers from one byte to past three buffers.
TEST_F(StreamTest, ReadsWritesAndSeeksAgreeWithAModel)
{
    std::mt19937 random(11);
    auto bytes = [&](std::size_t n) {
        std::string s(n, '\0');
        for (char& c : s)
            c = static_cast<char>(random());
        return s;
    };
    for (int32_t bufferSize : {0, 3, 700}) { // 0: the standard buffer
        SCOPED_TRACE(bufferSize);
        std::string model = bytes(5000);
        writeFile(model);
        {
            Value s = open(Stream::Write);
            Stream* io = s.as<Stream>();
            if (bufferSize)
                io->setBuffer(Buffer::make(bufferSize));
            std::size_t at = 0;
            for (int step = 0; step < 600; ++step) {
                auto n = static_cast<int32_t>(random() % (random() % 3 ? 9 : 3 * Stream::kBufferSize + 100));
                switch (random() % 5) {
                case 0:
                    at = random() % (model.size() + 1);
                    ASSERT_TRUE(io->seek(static_cast<int64_t>(at)));
                    break;
                case 1: {
                    std::string part = bytes(static_cast<std::size_t>(n));
                    ASSERT_EQ(io->write(part.data(), n), n);
                    model.replace(at, part.size(), part);
                    at += part.size();
                    break;
                }
                case 2: {
                    std::string part(static_cast<std::size_t>(n), '\0');
                    auto got = static_cast<std::size_t>(io->read(part.data(), n));
                    ASSERT_EQ(part.substr(0, got), model.substr(std::min(at, model.size()), static_cast<std::size_t>(n)));
                    at += got;
                    break;
                }
                case 3:
                    ASSERT_EQ(io->readByte(), at < model.size() ? static_cast<uint8_t>(model[at++]) : -1);
                    break;
                default:
                    ASSERT_TRUE(io->writeByte(static_cast<uint8_t>(n)));
                    model.replace(at++, 1, 1, static_cast<char>(n));
                }
                ASSERT_EQ(io->tell(), static_cast<int64_t>(at)) << step;
                ASSERT_EQ(io->size(), static_cast<int64_t>(model.size())) << step;
                ASSERT_EQ(io->atEnd(), at == model.size()) << step;
            }
            EXPECT_FALSE(io->seek(-1));
        } // destroying the stream flushes it
        EXPECT_EQ(fileContents(), model);
    }
}

TEST_F(StreamTest, TextModeTranslatesLineEnds)
{
    {
        Value s = open(Stream::Create | Stream::Text);
        ASSERT_EQ(s.as<Stream>()->write("a\nb\r\nc\n", 7), 7);
        // Enough line feeds that the doubled bytes overflow the translation buffer.
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(s.as<Stream>()->writeByte('\n'));
    }
    std::string expected = "a\r\nb\r\r\nc\r\n";
    for (int i = 0; i < 3000; ++i)
        expected += "\r\n";
    EXPECT_EQ(fileContents(), expected);

    // Reading drops every carriage return, including runs longer than a buffer.
    writeFile("x\r\ny" + std::string(5000, '\r') + "z\r");
    Value s = open(Stream::Read | Stream::Text);
    std::string back;
    for (int c = s.as<Stream>()->readByte(); c >= 0; c = s.as<Stream>()->readByte())
        back += static_cast<char>(c);
    EXPECT_EQ(back, "x\nyz");
    EXPECT_TRUE(s.as<Stream>()->atEnd());
}

TEST_F(StreamTest, OpenModesAndLocks)
{
    // Without create, a missing file cannot be opened; quiet suppresses the report.
    EXPECT_TRUE(open(Stream::Read).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"velFileStream: Cannot open " + path_});
    EXPECT_TRUE(fileStream(path_, Stream::Write, true).isNil());
    EXPECT_FALSE(fileExists(path_));
    // Names are limited to 255 bytes; directories are not files.
    EXPECT_TRUE(fileStream(::testing::TempDir() + std::string(300, 'n'), Stream::Create, true).isNil());
    EXPECT_TRUE(fileStream(::testing::TempDir(), Stream::Read, true).isNil());

    // Create truncates an existing file and implies write; a read-only stream leaves the file alone.
    writeFile("old contents");
    EXPECT_TRUE(open(Stream::Create).as<Stream>()->isWritable());
    EXPECT_EQ(fileContents(), "");
    writeFile("keep");
    {
        Value s = open(Stream::Read);
        Stream* in = s.as<Stream>();
        EXPECT_FALSE(in->writeByte('x') || in->write("xx", 2) || writeInt32(*in, 1) || writeInt16(*in, 1) ||
                     writeByte(*in, 1) || writeFloat(*in, 1.0f));
        EXPECT_EQ(errors().size(), 4u);
    }
    EXPECT_EQ(fileContents(), "keep");

    // Readers share a file; a writer has it alone, against other streams of this process and of others.
    struct Case { int32_t held, second; bool opens; };
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
    EXPECT_TRUE(open(Stream::Write).is(Tag::Stream)) << "every lock went with its stream";
}

TEST_F(StreamTest, FixedSizeTransfersBuiltinsAndMemoryStreams)
{
    Value s = open(Stream::Create);
    Stream* io = s.as<Stream>();
    ASSERT_TRUE(writeInt32(*io, -2) && writeInt16(*io, -3) && writeByte(*io, 200) && writeFloat(*io, 2.5f));
    io->flush();
    EXPECT_EQ(fileContents(), std::string("\xFE\xFF\xFF\xFF\xFD\xFF\xC8\x00\x00\x20\x40", 11));
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
    EXPECT_EQ(errors().size(), 4u);

    // velWrite answers whether anything was written; reads into a buffer come in its capacity.
    io->seek(11);
    EXPECT_EQ(velWrite(s, Value::string("hello ")).asInt() + velWrite(s, Buffer::over("world", 5, true)).asInt(), 2);
    EXPECT_EQ(velWrite(s, Value::string("")).asInt() + velWrite(s, Value::integer(3)).asInt() +
                  velWrite(Value::integer(3), Value::string("x")).asInt(), 0);
    EXPECT_EQ(errors().size(), 2u);
    io->seek(11);
    Value into = Buffer::make(4);
    std::string back;
    std::vector<int32_t> counts;
    for (int k = 0; k < 4; ++k) {
        counts.push_back(readIntoBuffer(s, into));
        back.append(reinterpret_cast<const char*>(into.as<Buffer>()->bytes()), static_cast<std::size_t>(into.as<Buffer>()->length()));
    }
    EXPECT_EQ(counts, (std::vector<int32_t>{4, 4, 3, 0}));
    EXPECT_EQ(back, "hello world");

    // A memory stream over a buffer value writes up to its capacity and sets its length.
    Value buffer = Buffer::make(8);
    Value m = MemoryStream::overBuffer(buffer, true);
    EXPECT_EQ(m.as<Stream>()->write("0123456789", 10), 8);
    EXPECT_EQ(buffer.as<Buffer>()->length(), 8);
    EXPECT_FALSE(m.as<Stream>()->writeByte('x'));
    EXPECT_TRUE(m.as<Stream>()->seek(6) && m.as<Stream>()->readByte() == '6');
    // Over bytes read-only: nothing is written.
    char text[] = "abc";
    Value r = MemoryStream::overBytes(text, 3, false);
    EXPECT_EQ(r.as<Stream>()->write("zz", 2), 0);
    EXPECT_STREQ(text, "abc");
    EXPECT_FALSE(r.as<Stream>()->seek(4));
    EXPECT_TRUE(MemoryStream::overBuffer(Value::integer(1), false).isNil());
}

} // namespace
} // namespace vel
