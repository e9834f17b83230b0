// The sections' home screens. Each shares the home pattern: a button whose data carries "PopUpX"
// and "PopUpY" opens, at that place, the section's list dialog (the button "Indice": all entries;
// a button with "TypeID": that category) or else the pop-up menu of "MenusPopUp" named after it;
// a chosen entry ("Text") goes to the section's screen with the result as its argument. Everything
// else is the menu bar's. What each section shows beyond its home comes with the section.
#pragma once

#include "title/title_placeholders.h"

namespace vel {

struct HomeSection {
    const char* listDialog; // nullptr: none
    const char* target;     // where a chosen entry goes; nullptr: nowhere
    const char* title;      // in the history; nullptr: none
};

template <class Base>
class SectionHome : public Base {
public:
    using Base::Base;

protected:
    virtual const HomeSection& section() const = 0;
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;
};

extern template class SectionHome<BarraMenuForm>;
extern template class SectionHome<AATextForm>;

#define VEL_SECTION_HOME(Class, Base)                                                                       \
    class Class final : public Named<Class, SectionHome<Base>> {                                          \
    public:                                                                                                \
        static constexpr const char* kClassName = #Class;                                                  \
        using Named::Named;                                                                                \
                                                                                                           \
    protected:                                                                                             \
        const HomeSection& section() const override;                                                       \
    };

VEL_SECTION_HOME(JMidiaHForm, BarraMenuForm)
#undef VEL_SECTION_HOME

// The retrospective's home: its category buttons also lead to the category's first article.
class RetroHForm final : public Named<RetroHForm, SectionHome<BarraMenuForm>> {
public:
    static constexpr const char* kClassName = "RetroHForm";
    using Named::Named;

protected:
    const HomeSection& section() const override;
    bool handleAction(std::string_view name, const Value& control) override;
};

// Enters the home screens' classes in the engine's class registry.
void registerSectionHomes(Engine& engine);

} // namespace vel
