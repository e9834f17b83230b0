// `velLibraryForm`: the base form with the library's services (form_services.h) wired into its
// events: rollover tips on the controls when "RolloverHelp" is on, Tab and Shift+Tab along
// "TabStopList", narration when the form opens, and "GoBack" and "GoForward" controls that walk the
// navigation history. It keeps its base's class name, so it is not entered in the class registry:
// the title's forms derive from it. The title's dialogs get the same from velLibraryDialog; both
// are LibraryForm over their base class.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/form_services.h"
#include "runtime/dialog.h"
#include "runtime/form.h"

namespace vel {

template <class Base>
class LibraryForm : public Base {
public:
    LibraryForm(Engine& engine, const Value& properties) : Base(engine, properties), services_(engine, *this) {}

    Value controlMouseEnter(const Value& control, int32_t x, int32_t y) override;
    void controlMouseLeave(const Value& control, int32_t x, int32_t y) override;
    void mouseOver(int32_t x, int32_t y) override;
    void mouseDown(int32_t x, int32_t y) override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    void deactivated() override;
    void afterOpen() override;
    void close() override;
    void dataEvent(const Value& first, const Value& second) override;
    void controlClicked(const Value& control) override;
    uint32_t onIdle() override;

    // The topic that help opens at for this form; 0 in the base.
    virtual int32_t helpContext() { return 0; }
    bool openHelp() { return services_.openHelp(helpContext()); }
    bool playAudio(const Value& sound, bool wait) { return services_.playAudio(sound, wait); }
    void narrate(bool onRequest) { services_.narrate(onRequest); }
    std::string locateFile(std::string_view name, std::string_view candidates) const
    {
        return services_.locateFile(name, candidates);
    }
    void fadeBeforeMovie() { services_.fadeBeforeMovie(); }
    FormServices& services() { return services_; }

private:
    FormServices services_;
};

class velLibraryForm : public LibraryForm<velFormObject> {
public:
    velLibraryForm(Engine& engine, const Value& properties) : LibraryForm(engine, properties) {}
    Value createInstance(const Value& data) const override;
};

extern template class LibraryForm<velFormObject>;
extern template class LibraryForm<velDialogObject>;

} // namespace vel
