#include "index/value_index.h"

#include <gtest/gtest.h>

#include "index/title_indexes.h"
#include "index_test_support.h"
#include "support/error_capture.h"
#include "value/builtins.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/string.h"

namespace vel {
namespace {

using index_testing::ScratchDir;
using testing_support::ErrorCheckedTest;

// The printed form of a list of the items written in the notation.
std::string listOf(const std::string& items) { return quotedForm(parseText("(list " + items + ")")); }

class ValueIndexTest : public ErrorCheckedTest {
protected:
    ScratchDir dir;
    std::string path = dir / "v.idx";
    Value current;
    ValueIndex* created() { return asValueIndex(current = ValueIndex::make(path, true, false)); }
};

TEST_F(ValueIndexTest, ANewIndexHoldsOnlyItsCountAndOpenedReadOnlyRefusesPuts)
{
    ValueIndex::make(path, true, false);
    EXPECT_TRUE(ValueIndex::make(path, true, false).isNil());
    Value index = ValueIndex::make(path, false, false);
    ValueIndex* vi = asValueIndex(index);
    ASSERT_NE(vi, nullptr);
    EXPECT_EQ(quotedForm(vi->get(Value::string("__VEL_INDEX_COUNT__"))), "1");
    EXPECT_EQ(quotedForm(vi->keysWithPrefix(Value::string(""))), listOf(R"("__VEL_INDEX_COUNT__")"));
    vi->put(Value::string("k"), Value::integer(1));
    EXPECT_FALSE(vi->contains(Value::string("k")));
    EXPECT_EQ(vi->count(), 1);
    EXPECT_TRUE(ValueIndex::make(dir / "none.idx", false, false).isNil());
    EXPECT_TRUE(ValueIndex::make(dir / "none.idx", false, true).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Cannot create index", "Cannot put objects into a read-only index",
                                                  "Cannot open index", "Cannot open index for writing"}));
}

TEST_F(ValueIndexTest, PutGetContainsAndCount)
{
    {
        Value index = ValueIndex::make(path, true, false);
        ValueIndex* vi = asValueIndex(index);
        vi->put(Value::string("alpha"), parseText("(list 1 \"two\" 3.5)"));
        vi->put(Value::integer(5), Value::string("five"));
        EXPECT_EQ(vi->count(), 3);
        // The int 5 and the string 5 are one key.
        EXPECT_TRUE(vi->contains(Value::string("5")));
        vi->put(Value::string("5"), Value::string("FIVE"));
        EXPECT_EQ(vi->count(), 3);
        EXPECT_EQ(quotedForm(vi->get(Value::integer(5))), "\"FIVE\"");
        EXPECT_TRUE(vi->get(Value::string("absent")).isNil());
        EXPECT_FALSE(vi->contains(Value::string("absent")));
        vi->put(Value::string("nothing"), Value());
        EXPECT_TRUE(vi->contains(Value::string("nothing")));
        EXPECT_TRUE(vi->get(Value::string("nothing")).isNil());
    }
    Value index = ValueIndex::make(path, false, true);
    ValueIndex* vi = asValueIndex(index);
    ASSERT_NE(vi, nullptr);
    EXPECT_EQ(vi->count(), 4);
    EXPECT_EQ(quotedForm(vi->get(Value::string("alpha"))), quotedForm(parseText("(list 1 \"two\" 3.5)")));
    velPut(index, Value::string("k"), Value::integer(42));
    EXPECT_TRUE(velContainsKey(index, Value::string("k")));
    EXPECT_FALSE(velContainsKey(index, Value::string("j")));
    EXPECT_EQ(quotedForm(velGet(index, Value::string("k"))), "42");
    EXPECT_EQ(velCount(index), 5);
}

TEST_F(ValueIndexTest, LongKeysAreCutTo239Bytes)
{
    ValueIndex* vi = created();
    std::string common(239, 'k');
    vi->put(Value::string(common + std::string(61, 'a')), Value::integer(1));
    vi->put(Value::string(common + std::string(61, 'b')), Value::integer(2));
    EXPECT_EQ(vi->count(), 2);
    EXPECT_EQ(quotedForm(vi->get(Value::string(common + "zzzzzzzzzzzzzzzzzz"))), "2");
    // A key of exactly 240 bytes is kept whole.
    vi->put(Value::string(common + "x"), Value::integer(3));
    EXPECT_EQ(vi->count(), 3);
    EXPECT_EQ(quotedForm(vi->get(Value::string(common))), "2");
}

TEST_F(ValueIndexTest, PrefixWalksOfKeysAndValues)
{
    ValueIndex* vi = created();
    vi->put(Value::string("B"), Value::integer(3));
    vi->put(Value::string("Abd"), Value::integer(2));
    vi->put(Value::string("Abc"), Value::integer(1));
    EXPECT_EQ(quotedForm(vi->keysWithPrefix(Value::string("A"))), listOf(R"("Abc" "Abd")"));
    EXPECT_EQ(quotedForm(vi->valuesWithPrefix(Value::string("A"))), listOf("1 2"));
    EXPECT_TRUE(vi->keysWithPrefix(Value::string("C")).isNil());
    EXPECT_EQ(quotedForm(vi->keysWithPrefix(Value::string("Abd"))), listOf(R"("Abd")"));
    // The stop test ends the walk after the item it accepts.
    auto stopAtFirst = [](const Value&, const Value&) { return true; };
    EXPECT_EQ(quotedForm(vi->valuesWithPrefix(Value::string("A"), stopAtFirst)), listOf("1"));
}

TEST_F(ValueIndexTest, RecordsTooLongAreRefusedWithoutHarm)
{
    ValueIndex* vi = created();
    // Beyond the work buffer.
    vi->put(Value::string("huge"), Value::string(std::string(40000, 'h')));
    // Within the work buffer but beyond 128 chunks under a long key (4-byte chunks).
    vi->put(Value::string(std::string(239, 'L')), Value::string(std::string(600, 's')));
    EXPECT_EQ(errors(), (std::vector<std::string>{"Cannot put item into index", "Cannot put item into index"}));
    EXPECT_FALSE(vi->contains(Value::string("huge")));
    EXPECT_EQ(vi->count(), 1);
    // The largest encodable record fits under a short key.
    vi->put(Value::string("big"), Value::string(std::string(29000, 'b')));
    EXPECT_EQ(textOf(vi->get(Value::string("big"))).size(), 29000u);
    EXPECT_EQ(vi->file().verify(), 0);
}

TEST_F(ValueIndexTest, TitleRegistryRecordsOnlyIndexFiles)
{
    ValueIndex::make(dir / "VDBLSTID.IDX", true, false);
    {
        Value made = ValueIndex::make(dir / "ATIDList.IDX", true, false);
        asValueIndex(made)->put(Value::string("x"), Value::integer(7));
    }
    dir.write("VDBNList.IDX", "not an index");

    TitleIndexes registry;
    std::vector<std::string> archives;
    registry.registerAll(dir / "", [&](std::string_view a) { archives.emplace_back(a); });
    EXPECT_EQ(archives, (std::vector<std::string>{"Verbetes", "Midias", "Atlas"}));
    EXPECT_TRUE(registry.has("VDB_LISTID")); // found without regard to case
    EXPECT_FALSE(registry.has("VDB_NAMELIST"));
    EXPECT_TRUE(registry.get("VDB_NAMELIST").isNil());
    EXPECT_TRUE(registry.get("NO_SUCH_NAME").isNil());
    Value atlas = registry.get("DBL_IDLIST");
    ASSERT_NE(asValueIndex(atlas), nullptr);
    EXPECT_TRUE(asValueIndex(atlas)->readOnly());
    EXPECT_EQ(quotedForm(asValueIndex(atlas)->get(Value::string("x"))), "7");
}

} // namespace
} // namespace vel
