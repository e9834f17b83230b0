#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "value/archive.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/stream.h"
#include "value/string.h"
#include "value/structural.h"

namespace vel {
namespace {

using testing_support::structurallyEqual;

std::string le32(int32_t n)
{
    auto u = static_cast<uint32_t>(n);
    return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
}

class ArchiveTest : public testing_support::ScratchFileTest {
protected:
    Value name() const { return Value::string(path_); }
};

TEST_F(ArchiveTest, ItemsAddedAndPutComeBackAfterReopening)
{
    Archive::create(name(), 10);
    EXPECT_EQ(fileContents(), "0VEL" + le32(8) + "\x08" + le32(0) + "\x03");

    testing_support::RandomValues random(5);
    std::vector<Value> items;
    {
        Value archive = Archive::create(name(), 2);
        for (int i = 0; i < 60; ++i)
            ASSERT_TRUE(archive.as<Archive>()->add(items.emplace_back(random.make(2))));
        // Reading while writing sees the items already added; a value that fails to encode is not entered.
        EXPECT_TRUE(structurallyEqual(archive.as<Archive>()->get(3), items[3]));
        Value bad = ValueList::make();
        bad.as<ValueList>()->append(Value::string(std::string(500, 'z')));
        bad.as<ValueList>()->append(Value::unique());
        EXPECT_FALSE(archive.as<Archive>()->add(bad));
        EXPECT_EQ(errors().size(), 1u);
    }
    std::size_t before = fileContents().size();
    {
        Value archive = Archive::open(name(), true);
        ASSERT_TRUE(archive.as<Archive>()->put(0, items[0] = Value::string("replaced")));
        velAddItem(archive, Value::integer(3));
        velPut(archive, 60, items.emplace_back(Value::integer(4)));
    }
    EXPECT_GT(fileContents().size(), before); // the old copies stay, unreferenced
    Value archive = Archive::open(name(), false);
    ASSERT_EQ(velCount(archive), 61);
    for (int i = 60; i >= 0; --i) // backwards, so that every fetch is its own seek
        ASSERT_TRUE(structurallyEqual(i % 2 ? velGet(archive, i) : archive.as<Archive>()->get(i),
                                      items[static_cast<std::size_t>(i)])) << i;

    // Read-only archives and streams refuse changes; indexes outside the directory fetch nothing.
    EXPECT_FALSE(archive.as<Archive>()->add(Value::integer(2)) || archive.as<Archive>()->put(0, Value()));
    EXPECT_TRUE(archive.as<Archive>()->get(61).isNil() && archive.as<Archive>()->get(-1).isNil());
    Value readOnly = MemoryStream::overBytes("", 0, false);
    EXPECT_TRUE(Archive::create(readOnly, 4).isNil() && Archive::open(readOnly, true).isNil());
    archive = Value();
    EXPECT_FALSE(Archive::open(name(), true).as<Archive>()->put(62, Value()));
    EXPECT_TRUE(Archive::open(Value::string(path_ + ".missing"), false).isNil());
    EXPECT_EQ(errors().size(), 8u);
}

TEST_F(ArchiveTest, MalformedFilesAreReportedNotReadPastTheirEnd)
{
    const std::string emptyDirectory = std::string("\x08") + le32(0) + "\x03";
    struct Case { std::string bytes; const char* message; };
    const Case cases[] = {
        {"1VEL" + le32(8) + emptyDirectory, "Version mismatch -- cannot open archive"},
        {"0VE", "Version mismatch -- cannot open archive"},
        {"", "Version mismatch -- cannot open archive"},
        {"0VEL" + le32(8), "Archive directory offset outside the file: 8"},
        {"0VEL" + le32(4000) + emptyDirectory, "Archive directory offset outside the file: 4000"},
        {"0VEL" + le32(-2) + emptyDirectory, "Archive directory offset outside the file: -2"},
        {"0VEL" + le32(3) + emptyDirectory, "Archive directory offset outside the file: 3"},
        {"0VEL" + le32(8) + "\x22\x01x", "Archive directory is not a list of offsets"},
        {"0VEL" + le32(8) + std::string("\x08") + le32(1000) + "\x03", "Cannot read IntList from stream"},
    };
    for (const Case& c : cases) {
        writeFile(c.bytes);
        EXPECT_TRUE(Archive::open(name(), false).isNil());
        std::vector<std::string> got = errors();
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.front(), c.message);
    }

    // Item offsets outside the file are refused one by one; the good items still read.
    writeFile("0VEL" + le32(10) + "\x20\x05" + std::string("\x08") + le32(3) + "\x03" + le32(8) +
                         le32(900) + le32(2));
    Value archive = Archive::open(name(), false);
    ASSERT_TRUE(archive.is(Tag::Archive));
    EXPECT_EQ(archive.as<Archive>()->get(0).asInt(), 5);
    EXPECT_TRUE(archive.as<Archive>()->get(1).isNil());
    EXPECT_TRUE(archive.as<Archive>()->get(2).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Archive item offset outside the file: 900",
                                                  "Archive item offset outside the file: 2"}));
}

// A device over bytes in memory that keeps every write it is handed and how many syncs came before
// it, so that every state a crash could leave on disk can be rebuilt afterwards. Writes from the
// failAfter-th on are refused, as by a full disk.
class RecordingStream final : public Stream {
public:
    struct DeviceWrite { int64_t at; std::string bytes; int syncsBefore; };
    static Value over(const std::string& image) { return Value::adopt(Tag::Stream, new RecordingStream(image)); }
    ~RecordingStream() override { closeBuffer(); }

    int32_t rawRead(void* out, int32_t n) override
    {
        int64_t k = std::clamp<int64_t>(static_cast<int64_t>(image_.size()) - devicePosition_, 0, n);
        std::memcpy(out, image_.data() + devicePosition_, static_cast<std::size_t>(k));
        devicePosition_ += k;
        return static_cast<int32_t>(k);
    }
    int32_t rawWrite(const void* bytes, int32_t n) override
    {
        if (static_cast<int>(writes_.size()) >= failAfter)
            return 0;
        writes_.push_back({devicePosition_, std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(n)), syncs_});
        applyTo(image_, writes_.back());
        devicePosition_ += n;
        deviceSize_ = static_cast<int64_t>(image_.size());
        return n;
    }
    bool deviceSeek(int64_t position) override { devicePosition_ = position; return true; }
    bool deviceSync() override { ++syncs_; return true; }

    static void applyTo(std::string& image, const DeviceWrite& w, std::size_t length = std::string::npos)
    {
        std::string part = w.bytes.substr(0, length);
        if (image.size() < w.at + part.size())
            image.resize(static_cast<std::size_t>(w.at) + part.size(), '\0');
        image.replace(static_cast<std::size_t>(w.at), part.size(), part);
    }

    std::string image_;
    std::vector<DeviceWrite> writes_;
    int syncs_ = 0;
    int failAfter = INT32_MAX;

private:
    explicit RecordingStream(const std::string& image) : Stream(Read | Write), image_(image)
    {
        deviceSize_ = static_cast<int64_t>(image.size());
    }
};

// The items of the archive the bytes open as, printed; "unreadable" when they do not open.
std::vector<std::string> itemsOf(const std::string& image)
{
    Value archive = Archive::open(MemoryStream::overBytes(image.data(), static_cast<int64_t>(image.size()), false), false);
    std::vector<std::string> items;
    if (Archive* a = asArchive(archive))
        for (int32_t n = 0; n < a->count(); ++n)
            items.push_back(quotedForm(a->get(n)));
    return testing_support::takeErrors().empty() && archive.is(Tag::Archive) ? items
                                                                             : std::vector<std::string>{"unreadable"};
}

using States = std::vector<std::vector<std::string>>;
using Session = std::function<bool(RecordingStream& device, States* states)>;

// Runs the session once recording, then checks every state a crash during it could leave on disk,
// and every file a device that refuses writes from some point on leaves: each must be in states.
void expectCrashSafe(const std::string& initial, const Session& session, States states)
{
    Value recorded = RecordingStream::over(initial);
    auto& device = *recorded.as<RecordingStream>();
    ASSERT_TRUE(session(device, &states));
    auto expectKnown = [&](const std::string& image, const std::string& what) {
        std::vector<std::string> items = itemsOf(image);
        EXPECT_NE(std::find(states.begin(), states.end(), items), states.end()) << what << ": " << items.front();
    };
    // Between two syncs the disk may keep any subset of the writes, in any order; a write of more than
    // the 4 bytes a sector holds whole may also be torn.
    const auto& writes = device.writes_;
    for (int epoch = 0; epoch <= device.syncs_; ++epoch) {
        std::string base = initial;
        std::vector<const RecordingStream::DeviceWrite*> open;
        for (const auto& w : writes) {
            if (w.syncsBefore < epoch)
                RecordingStream::applyTo(base, w);
            else if (w.syncsBefore == epoch)
                open.push_back(&w);
        }
        ASSERT_LE(open.size(), 10u);
        for (uint32_t subset = 0; subset < (1u << open.size()); ++subset) {
            std::string image = base;
            for (std::size_t k = 0; k < open.size(); ++k)
                if (subset & (1u << k))
                    RecordingStream::applyTo(image, *open[k]);
            expectKnown(image, "sync " + std::to_string(epoch) + ", subset " + std::to_string(subset));
            for (std::size_t k = 0; k < open.size(); ++k)
                if (open[k]->bytes.size() > 4 && !(subset & (1u << k)))
                    for (std::size_t torn = 1; torn < open[k]->bytes.size(); torn += 97) {
                        std::string partial = image;
                        RecordingStream::applyTo(partial, *open[k], torn);
                        expectKnown(partial, "torn write " + std::to_string(k) + " at " + std::to_string(torn));
                    }
        }
    }
    for (int cut = 0; cut < static_cast<int>(writes.size()); ++cut) {
        Value failing = RecordingStream::over(initial);
        auto& d = *failing.as<RecordingStream>();
        d.failAfter = cut;
        EXPECT_FALSE(session(d, nullptr)) << cut;
        testing_support::takeErrors();
        expectKnown(d.image_, "refused from write " + std::to_string(cut));
    }
}

TEST_F(ArchiveTest, ACrashAtAnyMomentLeavesTheOldOrTheNewArchive)
{
    // Items bigger than the stream's buffer, so that one flush reaches the device in several writes.
    const Value big = Value::string(std::string(3000, 'b'));
    Value memory = MemoryStream::growable();
    Archive::create(memory, 2).as<Archive>()->add(Value::string("a"));
    std::string initial(reinterpret_cast<const char*>(memory.as<MemoryStream>()->data()),
                        static_cast<std::size_t>(memory.as<MemoryStream>()->length()));
    // Two flushes: each state a completed flush leaves is one the file may open as.
    expectCrashSafe(initial, [&](RecordingStream& device, States* states) {
        Value archive = Archive::open(Value::share(Tag::Stream, &device), true);
        Archive* a = archive.as<Archive>();
        bool ok = a->add(big) && a->put(0, Value::string("c")) && a->flush();
        if (states)
            states->push_back(itemsOf(device.image_));
        ok = a->add(Value::integer(7)) && a->flush() && ok;
        if (states)
            states->push_back(itemsOf(device.image_));
        return ok;
    }, {itemsOf(initial)});

    // A new archive opens only once its first flush is complete, even when its first item, where an
    // empty archive's directory would be, reads as a list of offsets.
    expectCrashSafe("", [&](RecordingStream& device, States* states) {
        Value archive = Archive::create(Value::share(Tag::Stream, &device), 2);
        if (!archive.is(Tag::Archive))
            return false;
        Value offsets = IntList::make(2, 100);
        offsets.as<IntList>()->appendInt(8);
        offsets.as<IntList>()->appendInt(8);
        bool ok = archive.as<Archive>()->add(offsets) && archive.as<Archive>()->flush();
        if (states)
            states->push_back(itemsOf(device.image_));
        return ok;
    }, {{"unreadable"}});
}

TEST_F(ArchiveTest, CompactingKeepsOnlyWhatTheDirectoryReaches)
{
    {
        Value archive = Archive::create(name(), 4);
        for (int i = 0; i < 20; ++i) {
            archive.as<Archive>()->add(Value::string(std::string(100, static_cast<char>('a' + i))));
            archive.as<Archive>()->flush();
        }
        archive.as<Archive>()->put(3, Value::integer(3));
    }
    std::size_t before = fileContents().size();
    std::string reason;
    ASSERT_TRUE(Archive::compact(path_, &reason)) << reason;
    std::string after = fileContents();
    EXPECT_LT(after.size(), before);
    EXPECT_EQ(after.size(), 8 + 19 * 102 + 2 + 6 + 20 * 4u);
    std::vector<std::string> items = itemsOf(after);
    ASSERT_EQ(items.size(), 20u);
    EXPECT_EQ(items[3], "3");
    EXPECT_EQ(items[19], quotedForm(Value::string(std::string(100, 'a' + 19))));

    // A damaged item stops the rewrite; the file stays as it was.
    after[8] = 99; // the first item's tag
    writeFile(after);
    EXPECT_FALSE(Archive::compact(path_, &reason));
    EXPECT_EQ(fileContents(), after);
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot decode this type: 99"});
}

} // namespace
} // namespace vel
