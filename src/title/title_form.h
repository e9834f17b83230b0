// The base of the title's forms and dialogs: the library's form (tips, Tab order, narration,
// history) with the few operations a title screen changes. A control's action comes to
// handleAction under the control's name; what a screen does not handle goes on to the library
// (which follows "GoBack", "GoForward" and the control's "Target Form"). The screen's title in the
// history comes from historyTitle, put into its argument as "History Text". Help opens at the help
// file's contents. Named gives a class its name and the making of new instances.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <string_view>

#include "controls/library_dialog.h"
#include "controls/library_form.h"
#include "runtime/engine.h"

namespace vel {

template <class Base>
class TitleForm : public Base {
public:
    using Base::Base;

    int32_t helpContext() override { return -1; }
    void open(const Value& data) override;
    // The help key opens the help, as the menu bar's help entry does.
    void keyDown(int32_t keyCode, int32_t flags) override;
    void controlClicked(const Value& control) override;
    // The argument the screen was opened with, its "History Text" set from historyTitle.
    Value historyState() override;

protected:
    // True when the screen handled the control's action itself.
    virtual bool handleAction(std::string_view name, const Value& control) { return false; }
    // The screen's title in the history; nil leaves the entry without one.
    virtual Value historyTitle() const { return Value(); }
    const Value& argument() const { return argument_; }

private:
    Value argument_;
};

extern template class TitleForm<velLibraryForm>;
extern template class TitleForm<velLibraryDialog>;

using TitleScreen = TitleForm<velLibraryForm>;
using TitleDialog = TitleForm<velLibraryDialog>;

// A class named Self::kClassName on Base, whose instances are Self.
template <class Self, class Base, Tag kTag = Tag::Form>
class Named : public Base {
public:
    using Base::Base;
    Value className() const override { return Value::string(Self::kClassName); }
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(kTag, new Self(this->engine(), data));
    }
};

// A dialog that ends when its list, the control named Self::kListName, is clicked; chosen_ says
// whether it ended so (open clears it), and the result is read from the list.
template <class Self>
class ListChoiceDialog : public Named<Self, TitleDialog> {
public:
    using Named<Self, TitleDialog>::Named;

protected:
    bool handleAction(std::string_view name, const Value&) override
    {
        if (name != Self::kListName)
            return false;
        chosen_ = true;
        this->end();
        return true;
    }
    Value listControl() { return this->findControl(Value::string(Self::kListName)); }

    bool chosen_ = false;
};

// Enters the class, by a prototype, in the engine's class registry.
template <class Class>
void enterFormClass(Engine& engine)
{
    engine.classes().add(Value::adopt(Tag::Form, new Class(engine, Value())));
}

// The control's name (a reference followed); empty when it has none that is a string.
std::string_view controlName(Engine& engine, const Value& control, Value& keep);

// Going to a form with the wait cursor shown, the visit recorded in the history.
void goToForm(Engine& engine, std::string_view form, const Value& data);
// Runs the dialog named with the argument; its result.
Value runNamedDialog(Engine& engine, std::string_view dialog, const Value& data);
// Asks the application to end the program, as closing the window does: it confirms first.
void requestQuit(Engine& engine);

// The form's control of that name given the action; nil, and nothing done, without such a control.
Value performOnControl(const velFormObject& form, std::string_view control, std::string_view action,
                       const Value& arguments = Value());
// Puts the property on the form's control of that name, when it has one.
void putOnControl(const velFormObject& form, std::string_view control, std::string_view key, const Value& value);
// A table of the keys and values given.
Value tableOf(std::initializer_list<std::pair<const char*, Value>> entries);
// Item n of a data record (a list; item 0 is the record's number); nil past its end.
Value recordItem(const Value& record, int32_t n);
// The position `by` steps from `position` among `count`, wrapping round at both ends; -1 when
// count is 0. The browsing screens' previous and next.
int32_t wrappedPosition(int32_t position, int32_t by, int32_t count);
// The same within a list's elements; -1 for an empty list or none.
int32_t wrappedStep(const Value& list, int32_t position, int32_t by);
// Rich text into the form's text view of that name ("SetText", then "Draw").
void showControlText(const velFormObject& form, std::string_view control, const Value& text);
// A data archive found through the media search ("dat", "dtt" ...), else in the disc's DAT folder;
// nil when it is missing or will not open, without a report: the screens then show nothing.
Value openDataArchive(Engine& engine, std::string_view name, std::string_view extension);
// An index file found the same way (extension "idx"), opened for reading; nil when it is missing or
// is not an index.
Value openDataIndex(Engine& engine, std::string_view name);

} // namespace vel
