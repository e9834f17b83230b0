// The dispatching builtins: geometry, perform and media reach the object's own operation, references
// are resolved first, and every other type is a bad argument with the builtin's signature.
#include <gtest/gtest.h>

#include "support/error_capture.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/protocols.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ErrorCheckedTest;
class DispatchTest : public ErrorCheckedTest {};

class FakeSound final : public Object, public MediaProtocol {
public:
    bool play(int32_t from, int32_t to, bool) override
    {
        range = {from, to};
        return playing = true;
    }
    void stop() override { playing = false; }
    bool isPlaying() const override { return playing; }
    bool playing = false;
    std::pair<int32_t, int32_t> range;
};

class FakeReference final : public Object, public ResolvableProtocol {
public:
    explicit FakeReference(Value target) : target_(std::move(target)) {}
    Value resolve() const override { return target_; }

private:
    Value target_;
};

class FakeControl final : public Object, public GeometryProtocol, public PerformProtocol {
public:
    int32_t left() const override { return 5; }
    int32_t top() const override { return 6; }
    int32_t width() const override { return 70; }
    int32_t height() const override { return 80; }
    Value perform(const Value& action, const Value& data) override
    {
        return Value::string(std::string(textOf(action)) + ":" + std::to_string(velIntValue(data)));
    }
};

Value refTo(const Value& target) { return Value::adopt(Tag::Reference, new FakeReference(target)); }

TEST_F(DispatchTest, BuiltinsReachTheObjectThroughReferences)
{
    Value sound = Value::adopt(Tag::Sound, new FakeSound);
    EXPECT_TRUE(velPlay(refTo(sound), 10, 20));
    EXPECT_TRUE(velIsPlaying(sound));
    EXPECT_EQ(sound.as<FakeSound>()->range, std::make_pair(10, 20));
    velStop(refTo(sound));
    EXPECT_FALSE(velIsPlaying(refTo(sound)));

    Value table = Table::make();
    velPut(refTo(table), Value::string("k"), Value::integer(4));
    EXPECT_EQ(velIntValue(velGet(table, Value::string("k"))), 4);
    EXPECT_TRUE(velContainsKey(refTo(table), Value::string("k")));
    EXPECT_EQ(textOf(velGetKey(refTo(table), velFirstIndex(table))), "k");
    velRemoveKey(refTo(table), Value::string("k"));
    EXPECT_EQ(velCount(table), 0);

    Value control = Value::adopt(Tag::Control, new FakeControl);
    EXPECT_EQ(std::vector<int32_t>({velLeft(control), velTop(control), velWidth(control), velHeight(control)}),
              std::vector<int32_t>({5, 6, 70, 80}));
    EXPECT_EQ(textOf(velPerform(control, Value::string("SetText"), Value::integer(3))), "SetText:3");
    Value block = TextBlock::make(120, 14, Value(), Value());
    EXPECT_EQ(std::make_pair(velWidth(block), velHeight(block)), std::make_pair(120, 14));
    EXPECT_TRUE(velContainsPoint(parseText("(rect 0 0 10 10)"), 9, 9));
    EXPECT_FALSE(velContainsPoint(parseText("(rect 0 0 10 10)"), 10, 5));
    EXPECT_TRUE(errors().empty());

    // Objects without the operation are bad arguments.
    EXPECT_FALSE(velShow(sound));
    EXPECT_FALSE(velPlay(Value::string("ding")));
    EXPECT_TRUE(velPerform(Table::make(), Value::string("Draw"), Value()).isNil());
    EXPECT_EQ(velLeft(Value::string("x")) + velWidth(Value::integer(1)), 0);
    EXPECT_FALSE(velContainsPoint(control, 1, 1));
    EXPECT_EQ(errors().size(), 6u);
}

} // namespace
} // namespace vel
