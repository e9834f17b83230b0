// Go to form: forms from files and from values, reopening the current one, what goes into the
// navigation history, the Target Form of a clicked control, and a form that cannot be found.
#include <gtest/gtest.h>

#include "form_test_support.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {
namespace {

using testing_support::FormTest;
using testing_support::pointerEvent;
using testing_support::RecordingHistory;

// A form that writes down its life.
class DiaryForm final : public velFormObject {
public:
    DiaryForm(Engine& engine, const Value& data, std::string* diary) : velFormObject(engine, data), diary_(diary) {}
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Form, new DiaryForm(engine_, data, diary_));
    }
    Value className() const override { return Value::string("Diario"); }
    void open(const Value& data) override
    {
        note("open", data);
        velFormObject::open(data);
    }
    void afterOpen() override { note("after", Value()); }
    void reopen(const Value& data) override { note("reopen", data); }
    void close() override
    {
        note("close", Value());
        velFormObject::close();
    }
    Value historyState() override { return property("Estado"); }

private:
    void note(const char* what, const Value& data)
    {
        *diary_ += std::string(textOf(name())) + ":" + what + (data.is(Tag::Int) ? "(" + std::to_string(data.asInt()) + ") " : " ");
    }
    std::string* diary_;
};

// A form of the class above with a name and further entries in the notation.
std::string diaryForm(const std::string& name, const std::string& entries = "")
{
    return "(form (\"Class\" \"Diario\") (\"Name\" \"" + name + "\")" + entries + ")";
}

class GoToFormTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        useScratchMediaRoot();
        engine.classes().add(Value::adopt(Tag::Form, new DiaryForm(engine, Value(), &diary)));
        engine.navigation().keepHistory(&history);
    }
    std::string currentName() { return asForm(host.currentForm()) ? asForm(host.currentForm())->targetName() : ""; }

    std::string diary;
    RecordingHistory history;
};

TEST_F(GoToFormTest, FormsComeFromFilesAndTheOneLeftGoesIntoTheHistory)
{
    disc.write("Media/primeira.frm", diaryForm("primeira.frm", " (\"Estado\" 5)"));
    disc.write("Media/segunda.frm", diaryForm("segunda.frm"));
    engine.navigation().goTo(Value::string("primeira.frm"), Value::integer(1), true);
    EXPECT_EQ(currentName(), "primeira.frm");
    EXPECT_TRUE(history.names.empty()) << "nothing was left";
    engine.navigation().goTo(Value::string("segunda.frm"), Value::integer(2), true);
    EXPECT_EQ(currentName(), "segunda.frm");
    EXPECT_EQ(diary, "primeira.frm:open(1) primeira.frm:after primeira.frm:close segunda.frm:open(2) segunda.frm:after ");
    ASSERT_EQ(history.names, std::vector<std::string>{"primeira.frm"});
    EXPECT_EQ(history.states[0], Value::integer(5)) << "with its history state";

    // Without the history flag nothing is recorded.
    engine.navigation().goTo(Value::string("primeira.frm"), Value(), false);
    EXPECT_EQ(history.names.size(), 1u);
}

TEST_F(GoToFormTest, ANameLoadingToANameIsLoadedOnceMoreAndTheCurrentFormIsReopenedNeitherClosedNorRecorded)
{
    config().putGlobal("Inicio", Value::string("Tela"));
    config().putGlobal("Tela", read(diaryForm("Tela")));
    engine.navigation().goTo(Value::string("Inicio"), Value(), true);
    EXPECT_EQ(currentName(), "Tela");
    diary.clear();
    engine.navigation().goTo(Value::string("Tela"), Value::integer(9), true);
    EXPECT_EQ(diary, "Tela:reopen(9) ");
    EXPECT_TRUE(history.names.empty());
}

TEST_F(GoToFormTest, OnlyTheBooleanFalseKeepsAFormOutOfTheHistory)
{
    const std::pair<const char*, bool> cases[] = {{"", true}, {" (\"Include In History\" 0)", true},
        {" (\"Include In History\" true)", true}, {" (\"Include In History\" false)", false},
        {" (\"Include In History\" \"false\")", true}};
    for (const auto& [entry, recorded] : cases) {
        engine.navigation().goTo(read(diaryForm("Origem", entry)), Value(), true);
        history.names.clear();
        engine.navigation().goTo(read(diaryForm("Destino")), Value(), true);
        EXPECT_EQ(history.names.size(), recorded ? 1u : 0u) << entry;
    }
}

TEST_F(GoToFormTest, AFormThatCannotBeFoundIsReported)
{
    config().putGlobal("Tela", read(diaryForm("Tela")));
    engine.navigation().goTo(Value::string("Tela"), Value(), true);
    engine.navigation().goTo(Value::string("nenhuma.frm"), Value(), true);
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_TRUE(host.currentForm().isNil());
    EXPECT_EQ(diary, "Tela:open Tela:after Tela:close ");
    config().putGlobal("Tabela", read("(table (\"Class\" \"Diario\"))"));
    engine.navigation().goTo(Value::string("Tabela"), Value(), true);
    EXPECT_EQ(errors().size(), 1u) << "a table is no form either";
}

TEST_F(GoToFormTest, AClickedControlOpensItsTargetFormAndRecordsTheScreen)
{
    config().putGlobal("Segunda", read(diaryForm("Segunda")));
    engine.navigation().goTo(read(diaryForm("Primeira", " (\"Control List\" (list (control (\"Class\" \"B\") (\"Hot Spot\" (rect 0 0 10 10)) "
                                        "(\"Target Form\" \"Segunda\")) (control (\"Class\" \"B\") "
                                        "(\"Hot Spot\" (rect 20 0 10 10)))))")),
             Value(), true);
    Value first = host.currentForm();
    for (auto [x, target] : {std::pair{25, "Primeira"}, std::pair{5, "Segunda"}}) { // no target, then a target
        host.feed(pointerEvent(event_kind::MouseUp, x, 5));
        asForm(first)->onMouseDown(pointerEvent(event_kind::MouseDown, x, 5));
        EXPECT_EQ(currentName(), target);
    }
    EXPECT_EQ(history.names, std::vector<std::string>{"Primeira"});
}

TEST_F(GoToFormTest, ACompiledFormOpensLikeItsText)
{
    Value form = read(diaryForm("Compilada", " (\"Resource Table\" (table (\"Control List\" (list (control "
                                             "(\"Class\" \"B\") (\"Name\" \"OK\"))))))"));
    bool ok = false;
    std::vector<uint8_t> bytes = encodeToBytes(form, &ok);
    ASSERT_TRUE(ok);
    disc.write("Media/compilada.vel", std::string(bytes.begin(), bytes.end()));
    engine.navigation().goTo(Value::string("compilada.vel"), Value(), true);
    ASSERT_EQ(currentName(), "Compilada");
    EXPECT_FALSE(asForm(host.currentForm())->findControl(Value::string("OK")).isNil());
}

} // namespace
} // namespace vel
