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
    bool play(int32_t from, int32_t to, bool wait) override
    {
        playing = true;
        lastFrom = from;
        lastTo = to;
        return true;
    }
    void stop() override { playing = false; }
    bool isPlaying() const override { return playing; }
    bool playing = false;
    int32_t lastFrom = 0, lastTo = 0;
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

TEST_F(DispatchTest, MediaThroughReferences)
{
    Value sound = Value::adopt(Tag::Sound, new FakeSound);
    Value reference = Value::adopt(Tag::Reference, new FakeReference(sound));
    EXPECT_TRUE(velPlay(reference, 10, 20));
    EXPECT_TRUE(velIsPlaying(sound));
    EXPECT_EQ(sound.as<FakeSound>()->lastTo, 20);
    velStop(reference);
    EXPECT_FALSE(velIsPlaying(reference));
    EXPECT_FALSE(velShow(sound)); // a sound is not a movie
    EXPECT_FALSE(velPlay(Value::string("ding")));
    EXPECT_EQ(errors(), (std::vector<std::string>{"Bad type for argument 1 of velShow(movie).",
                                                   "Bad type for argument 1 of velPlay(movOrSnd [,VELINT,VELINT,VELBOOL])."}));
}

TEST_F(DispatchTest, GeometryAndPerform)
{
    Value control = Value::adopt(Tag::Control, new FakeControl);
    EXPECT_EQ(velLeft(control), 5);
    EXPECT_EQ(velTop(control), 6);
    EXPECT_EQ(velWidth(control), 70);
    EXPECT_EQ(velHeight(control), 80);
    EXPECT_EQ(textOf(velPerform(control, Value::string("SetText"), Value::integer(3))), "SetText:3");
    Value block = TextBlock::make(120, 14, Value(), Value());
    EXPECT_EQ(velWidth(block), 120);
    EXPECT_EQ(velHeight(block), 14);
    EXPECT_TRUE(velContainsPoint(parseText("(rect 0 0 10 10)"), 9, 9));
    EXPECT_FALSE(velContainsPoint(parseText("(rect 0 0 10 10)"), 10, 5));
    EXPECT_TRUE(errors().empty());

    EXPECT_TRUE(velPerform(Table::make(), Value::string("Draw"), Value()).isNil());
    EXPECT_EQ(velLeft(Value::string("x")), 0);
    EXPECT_EQ(velWidth(Value::integer(1)), 0);
    EXPECT_FALSE(velContainsPoint(control, 1, 1));
    EXPECT_EQ(errors(), (std::vector<std::string>{"Bad type for argument 1 of velPerform(frmOrCtrl,action,data).",
                                                   "Bad type for argument 1 of velLeft(ctrlFrmMov).",
                                                   "Bad type for argument 1 of velWidth(imgMovTxtRgn).",
                                                   "Bad type for argument 1 of velContainsPoint(rgn,VELINT,VELINT)."}));
}

TEST_F(DispatchTest, CollectionBuiltinsResolveReferencesToTables)
{
    Value table = Table::make();
    Value reference = Value::adopt(Tag::Reference, new FakeReference(table));
    velPut(reference, Value::string("k"), Value::integer(4));
    EXPECT_EQ(velIntValue(velGet(table, Value::string("k"))), 4);
    EXPECT_TRUE(velContainsKey(reference, Value::string("k")));
    EXPECT_EQ(textOf(velGetKey(reference, velFirstIndex(table))), "k");
    velRemoveKey(reference, Value::string("k"));
    EXPECT_EQ(velCount(table), 0);
}

} // namespace
} // namespace vel
