#include "title/curio_form.h"

#include "runtime/control.h"
#include "runtime/engine.h"
#include "runtime/event.h"
#include "title/category_lists.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr int32_t kRightColor = 0x008000; // green
constexpr int32_t kWrongColor = 0x1E00FF; // red with a little blue
constexpr int32_t kPlainColor = 1;

struct ModeData {
    const char* records;
    const char* categories;
    const char* group;
    const char* categoryLabel;
    const char* sound;
};
constexpr ModeData kVoceSabia{"DBVSabia", "CVSbCatL", "VoceSabiaGroup", "CategoriaVoceSabia", "VoceSabiaSound"};
constexpr ModeData kTestes{"DBTestes", "CTstCatL", "TestesGroup", "CategoriaTeste", "TestesSound"};


int32_t number(const Value& v)
{
    return v.is(Tag::Int) || v.is(Tag::String) || v.is(Tag::Float) ? velIntValue(v) : 0;
}

std::string optionName(const char* pattern, int32_t option)
{
    std::string name(pattern);
    name.replace(name.find('#'), 1, std::to_string(option));
    return name;
}

} // namespace

void CurioHForm::open(const Value& data)
{
    random_.seed(engine().clock().now());
    Named::open(data);
    enterMode(Mode::VoceSabia, false);
}

Value CurioHForm::record(int32_t number) const
{
    Archive* archive = asArchive(records_);
    return archive && number >= 0 && number < archive->count() ? archive->get(number) : Value();
}

void CurioHForm::enterMode(Mode mode, bool announce)
{
    mode_ = mode;
    const ModeData& on = mode == Mode::Testes ? kTestes : kVoceSabia;
    const ModeData& off = mode == Mode::Testes ? kVoceSabia : kTestes;
    records_ = openDataArchive(engine(), on.records, "dat");
    draw_.start({});
    current_ = Value();
    finished_ = false;
    if (mode == Mode::Testes)
        score_.reset();
    performOnControl(*this, off.group, "Show", Value::integer(0));
    performOnControl(*this, on.group, "Show", Value::integer(1));
    showControlText(*this, on.categoryLabel, Value());
    if (mode == Mode::Testes) {
        for (const char* text : {"Pergunta", "Op\xE7\xE3o" "1", "Op\xE7\xE3o" "2", "Op\xE7\xE3o" "3", "Resposta"})
            showControlText(*this, text, Value());
        performOnControl(*this, "Op\xE7\xE3oGroup", "Enable", Value::integer(0));
        performOnControl(*this, "TestesGroup1", "Enable", Value::integer(1));
        for (const char* control : {"TNext", "RespostaBt"})
            putOnControl(*this, control, "Disabled", Value::boolean(true)), performOnControl(*this, control, "Draw");
        showScore();
    } else {
        showControlText(*this, "VSabiaTitulo", Value());
        showControlText(*this, "VSabiaTexto", Value());
        updateArrows();
    }
    if (announce) {
        // The other mode's controls give their place back.
        draw();
        engine().updateScreen();
        playAudio(engine().resources().load(Value::string(on.sound)), false);
        narrate(false);
    }
}

bool CurioHForm::handleAction(std::string_view name, const Value& control)
{
    if (name == "VoceSabia" || name == "VoceSabiaMini") {
        enterMode(Mode::VoceSabia, true);
    } else if (name == "Testes" || name == "TestesMini") {
        enterMode(Mode::Testes, true);
    } else if (!velGet(control, Value::string("CategID")).isNil()) {
        chooseCategory(control, name);
    } else if (name == "VSNext") {
        showItem(draw_.next(random_));
    } else if (name == "VSPrevious") {
        showItem(draw_.previous());
    } else if (name == "TNext") {
        askNext();
    } else if (name.starts_with("Op\xE7\xE3oRdBt") && name.size() == std::string_view("Op\xE7\xE3oRdBt").size() + 1) {
        answer(name.back() - '0');
    } else if (name == "RespostaBt") {
        reveal();
    } else {
        return Named::handleAction(name, control);
    }
    engine().updateScreen();
    return true;
}

void CurioHForm::chooseCategory(const Value& control, std::string_view name)
{
    const ModeData& on = mode_ == Mode::Testes ? kTestes : kVoceSabia;
    const int32_t id = number(velGet(control, Value::string("CategID")));
    std::vector<int32_t> numbers;
    Value held = categoryIdentifiers(engine(), on.categories, id);
    if (List* records = asList(held))
        for (int32_t i = 0; i < records->count(); ++i)
            numbers.push_back(number(records->get(i)));
    draw_.start(std::move(numbers));
    finished_ = false;
    Value label = velGet(control, Value::string("Categoria"));
    showControlText(*this, on.categoryLabel, label.is(Tag::String) ? label : Value::string(name));
    if (mode_ == Mode::Testes)
        askNext();
    else
        showItem(draw_.next(random_));
}

void CurioHForm::showItem(std::optional<int32_t> number)
{
    if (number) {
        current_ = record(*number);
        showControlText(*this, "VSabiaTitulo", recordItem(current_, 2));
        showControlText(*this, "VSabiaTexto", recordItem(current_, 3));
    }
    updateArrows();
}

void CurioHForm::updateArrows()
{
    putOnControl(*this, "VSPrevious", "Disabled", Value::boolean(!draw_.canGoBack()));
    putOnControl(*this, "VSNext", "Disabled", Value::boolean(!draw_.canGoForward()));
    performOnControl(*this, "VSPrevious", "Draw");
    performOnControl(*this, "VSNext", "Draw");
}

void CurioHForm::askNext()
{
    // A record that is no question (too short, no right option) is passed over.
    for (;;) {
        std::optional<int32_t> drawn = draw_.draw(random_);
        if (!drawn) {
            categoryEnded();
            return;
        }
        current_ = record(*drawn);
        const int32_t right = number(recordItem(current_, 7));
        if (asList(current_) && asList(current_)->count() >= 8 && right >= 3 && right <= 5)
            break;
    }
    score_.ask();
    showControlText(*this, "Pergunta", recordItem(current_, 2));
    for (int32_t option = 1; option <= 3; ++option) {
        const std::string text = optionName("Op\xE7\xE3o#", option);
        putOnControl(*this, text, "ForegroundColor", Value::integer(kPlainColor));
        showControlText(*this, text, recordItem(current_, option + 2));
        const std::string button = optionName("Op\xE7\xE3oRdBt#", option);
        performOnControl(*this, button, "Select", Value::integer(0));
        for (const char* look : {"Op\xE7\xE3o#Certa", "Op\xE7\xE3o#Errada"}) {
            putOnControl(*this, optionName(look, option), "Hidden", Value::boolean(true));
            performOnControl(*this, optionName(look, option), "Draw");
        }
    }
    showControlText(*this, "Resposta", Value());
    performOnControl(*this, "Op\xE7\xE3oGroup", "Enable", Value::integer(1));
    putOnControl(*this, "RespostaBt", "Disabled", Value::boolean(false));
    performOnControl(*this, "RespostaBt", "Draw");
    putOnControl(*this, "TNext", "Disabled", Value::boolean(true));
    performOnControl(*this, "TNext", "Draw");
    showScore();
}

void CurioHForm::answer(int32_t option)
{
    if (mode_ != Mode::Testes || current_.isNil() || score_.answered() || option < 1 || option > 3)
        return;
    const int32_t right = number(recordItem(current_, 7));
    const bool correct = score_.answer(option + 2, right);
    const std::string text = optionName("Op\xE7\xE3o#", option);
    putOnControl(*this, text, "ForegroundColor", Value::integer(correct ? kRightColor : kWrongColor));
    showControlText(*this, text, recordItem(current_, option + 2));
    const std::string rightLook = optionName("Op\xE7\xE3o#Certa", right - 2);
    putOnControl(*this, rightLook, "Hidden", Value::boolean(false));
    performOnControl(*this, rightLook, "Draw");
    if (!correct) {
        const std::string wrongLook = optionName("Op\xE7\xE3o#Errada", option);
        putOnControl(*this, wrongLook, "Hidden", Value::boolean(false));
        performOnControl(*this, wrongLook, "Draw");
    }
    showScore();
    putOnControl(*this, "TNext", "Disabled", Value::boolean(false));
    performOnControl(*this, "TNext", "Draw");
    performOnControl(*this, "Op\xE7\xE3oGroup", "Enable", Value::integer(0));
}

void CurioHForm::reveal()
{
    if (mode_ != Mode::Testes || current_.isNil())
        return;
    score_.reveal();
    showScore();
    putOnControl(*this, "RespostaBt", "Disabled", Value::boolean(true));
    performOnControl(*this, "RespostaBt", "Draw");
    showControlText(*this, "Resposta", recordItem(current_, 6));
}

void CurioHForm::showScore()
{
    showControlText(*this, "RespTrack", Value::string(score_.sentence()));
}

void CurioHForm::categoryEnded()
{
    current_ = Value();
    finished_ = true;
    performOnControl(*this, "TestesGroup1", "Enable", Value::integer(0));
    putOnControl(*this, "TNext", "Disabled", Value::boolean(true));
    performOnControl(*this, "TNext", "Draw");
    Value keep = self();
    runNamedDialog(engine(), "CurioDialog", Value());
    // The reader picks another category next.
    performOnControl(*this, "TestesGroup1", "Enable", Value::integer(1));
}

void CurioHForm::keyDown(int32_t keyCode, int32_t flags)
{
    const char* action = keyCode == key_code::Home       ? "Home"
                         : keyCode == key_code::PageUp   ? "PageUp"
                         : keyCode == key_code::PageDown ? "PageDown"
                         : keyCode == key_code::Up       ? "LineUp"
                         : keyCode == key_code::Down     ? "LineDown"
                                                         : nullptr;
    if (action && mode_ == Mode::VoceSabia && findControl(Value::string("VSabiaTexto")).is(Tag::Control)) {
        performOnControl(*this, "VSabiaTexto", action);
        return;
    }
    Named::keyDown(keyCode, flags);
}

} // namespace vel
