#include <gtest/gtest.h>

#include "controls/history.h"
#include "controls/library_form.h"
#include "runtime/form_test_support.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/table.h"

namespace vel::testing_support {

namespace {

// A library form that remembers the data each opening brings.
class DataForm final : public velLibraryForm {
public:
    using velLibraryForm::velLibraryForm;
    void open(const Value& data) override
    {
        opened.push_back(data);
        velLibraryForm::open(data);
    }
    std::vector<Value> opened;
};

class HistoryTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        engine.navigation().keepHistory(std::make_unique<History>(engine));
    }
    // A screen reached by its name, with "GoBack" and "GoForward" controls.
    DataForm& screen(const std::string& name, const std::string& extra = "")
    {
        const char* buttons = R"(("Control List" (list
            (control ("Class" "velControlObject") ("Name" "GoBack") ("Hot Spot" (rect 0 0 9 9)))
            (control ("Class" "velControlObject") ("Name" "GoForward") ("Hot Spot" (rect 9 0 9 9))))))";
        Value form = Value::adopt(Tag::Form, new DataForm(engine, read("(table " + std::string(buttons) + extra + ")")));
        asForm(form)->setFormName(Value::string(name));
        config().putGlobal(name, form);
        return *static_cast<DataForm*>(form.object());
    }
    void go(const std::string& name, const Value& data = Value())
    {
        engine.navigation().goTo(Value::string(name), data, true);
    }
    History& history() { return History::of(engine); }
    std::string names()
    {
        std::string out;
        for (int32_t i = 0; i < history().count(); ++i)
            out += textOf(asList(asList(history().list())->get(i))->get(0));
        return out;
    }
    bool disabled(const char* button)
    {
        return isTrue(velGet(asForm(engine.currentForm())->findControl(Value::string(button)), Value::string("Disabled")));
    }
};

TEST_F(HistoryTest, KeepsTheLast200AndAddsARepeatedVisitOnce)
{
    for (int i = 0; i <= History::kMaxEntries; ++i)
        history().historyAdd(Value::string("F" + std::to_string(i)), Value());
    history().historyAdd(Value::string("F200"), Value());
    EXPECT_EQ(history().count(), History::kMaxEntries);
    EXPECT_EQ(history().index(), History::kMaxEntries - 1);
    EXPECT_EQ(textOf(asList(asList(history().list())->get(0))->get(0)), "F1");
}

TEST_F(HistoryTest, GoingBackTwiceThenOnDropsTheEntriesAhead)
{
    for (const char* name : {"S", "A", "B", "C", "D", "E"})
        screen(name);
    for (const char* name : {"S", "A", "B", "C"})
        go(name);
    history().historyBack(false);
    history().historyBack(false);
    EXPECT_EQ(asForm(engine.currentForm())->name(), Value::string("A"));
    go("D");
    EXPECT_EQ(names(), "SAD");
    EXPECT_FALSE(history().canGoForward());
    // The screen ahead, visited again after a step back, is the current entry once more.
    history().historyBack(false);
    go("D");
    EXPECT_EQ(names(), "SAD");
    EXPECT_EQ(history().index(), 2);
    // A screen kept out of the history goes back to the screen it was opened from.
    screen("X", R"(("Include In History" false))");
    go("X");
    history().historyBack(false);
    EXPECT_EQ(asForm(engine.currentForm())->name(), Value::string("D"));
    EXPECT_EQ(names(), "SAD");
}

TEST_F(HistoryTest, BackAndForwardReopenWithTheDataAndSetTheButtons)
{
    screen("S");
    DataForm& withData = screen("F");
    screen("G");
    Value data = Table::make();
    asTable(data)->put(Value::string("Text"), Value::string("Verbete"));
    go("S");
    EXPECT_TRUE(disabled("GoBack"));
    EXPECT_TRUE(disabled("GoForward"));
    go("F", data);
    go("G");
    EXPECT_FALSE(disabled("GoBack"));
    // The buttons move through the history as clicks.
    asForm(engine.currentForm())->controlClicked(asForm(engine.currentForm())->findControl(Value::string("GoBack")));
    ASSERT_EQ(withData.opened.size(), 2u);
    EXPECT_EQ(withData.opened[1].object(), data.object());
    EXPECT_FALSE(disabled("GoForward"));
    history().historyBack(false);
    EXPECT_TRUE(disabled("GoBack"));
    history().historyForward();
    ASSERT_EQ(withData.opened.size(), 3u);
    EXPECT_EQ(withData.opened[2].object(), data.object());
    history().historyForward();
    EXPECT_EQ(asForm(engine.currentForm())->name(), Value::string("G"));
    EXPECT_TRUE(disabled("GoForward"));
    EXPECT_EQ(names(), "SFG");
}

} // namespace

} // namespace vel::testing_support
