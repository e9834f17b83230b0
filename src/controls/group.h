// Group: a control that is never drawn nor clicked and only relays actions to its members (the
// "List" of controls, or of their names on the current form): showing, hiding, enabling and drawing
// them together. RadioGroup adds the choice among radio buttons: "Notify" and "SetSelected" select
// the member of that name and deselect the others.
#pragma once

#include <vector>

#include "controls/library_control.h"

namespace vel {

class Group : public velLibraryControl {
public:
    using velLibraryControl::velLibraryControl;

    Value className() const override { return Value::string("Group"); }
    Value createInstance(const Value& data) const override;
    void onFormLoad() override;
    Value perform(const Value& action, const Value& arguments) override;

protected:
    // The members that resolve to controls, in list order.
    std::vector<Value> members();
    void initialise();

private:
    bool initialised_ = false;
};

class RadioGroup final : public Group {
public:
    using Group::Group;

    Value className() const override { return Value::string("RadioGroup"); }
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
};

} // namespace vel
