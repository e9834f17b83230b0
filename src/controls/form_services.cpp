#include "controls/form_services.h"

#include <algorithm>

#include "controls/help_dialog.h"
#include "controls/history.h"
#include "controls/library_control.h"
#include "platform/media_path.h"
#include "runtime/control.h"
#include "runtime/cursor.h"
#include "runtime/dialog.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/sound.h"
#include "runtime/transitions.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

namespace {

// The program's help file: its base name, as the program file's was, with ".hlp".
constexpr std::string_view kHelpFile = "ORVA.hlp";

bool isAnswer(const Value& v, std::string_view text)
{
    return v.is(Tag::String) && textOf(v) == text;
}

} // namespace

FormServices::FormServices(Engine& engine, velFormObject& form) : engine_(engine), form_(form), tip_(engine) {}

History& FormServices::history()
{
    return History::of(engine_);
}

void FormServices::controlEntered(const Value& control, int32_t x, int32_t y)
{
    velControlObject* c = asControl(control);
    // A form may switch its tips on or off for itself.
    Value own = form_.property("RolloverHelp");
    if (!c || !(own.isNil() ? engine_.configuration().getTruth("RolloverHelp", false) : isTrue(own)))
        return;
    Value text = c->perform(Value::string("getHelpString"), Value());
    // Controls outside the library answer their help directly.
    if (text.isNil())
        text = c->help();
    if (text.isNil())
        return;
    if (!text.is(Tag::String)) {
        // A data slip in one control's help must not end the program, as an error would.
        engine_.notice("Bad Rollover Text:");
        return;
    }
    FormPoint at = form_.toSurfaceCoordinates({x, y});
    tip_.request(textOf(text), at.x, at.y);
}

bool FormServices::tab(bool backward)
{
    Value stops = engine_.resources().loadNamed(form_.property("TabStopList"));
    List* list = asList(stops);
    if (!list || list->count() == 0)
        return false;
    const int32_t count = list->count();
    // Where the focus is now in the list; from outside it, Tab starts at the first and Shift+Tab at
    // the last.
    int32_t at = backward ? count : -1;
    if (velControlObject* active = asControl(form_.activeControl())) {
        Value name = engine_.resources().resolve(active->property("Name"));
        for (int32_t i = 0; i < count; ++i)
            if (list->get(i) == name) {
                at = i;
                break;
            }
    }
    for (int32_t step = 1; step <= count; ++step) {
        const int32_t i = ((at + (backward ? -step : step)) % count + count) % count;
        Value control = form_.findControl(list->get(i));
        velControlObject* c = asControl(control);
        if (c && c->canActivate()) {
            if (control.object() != form_.activeControl().object())
                form_.setActiveControl(control, 1);
            engine_.updateScreen();
            return true;
        }
    }
    return true;
}

bool FormServices::playAudio(const Value& sound, bool wait)
{
    const Value spec = soundFileName(engine_, sound);
    Value loaded = spec.is(Tag::Sound) ? spec : engine_.resources().loadSound(spec, true);
    if (!loaded.is(Tag::Sound))
        return false;
    // The newer sound replaces the form's, and whatever else holds the output it needs.
    stopSound();
    if (Sound* s = asSound(loaded)) {
        SoundPlayer& output = s->kind() == "wav" ? static_cast<SoundPlayer&>(engine_.playback().wave())
                                                 : static_cast<SoundPlayer&>(engine_.playback().music());
        output.stopAny();
    }
    sound_ = loaded;
    const bool started = velPlay(loaded, -1, -1, wait);
    // A sound played to its end, or one that did not start, is over.
    if (wait || !started)
        sound_ = Value();
    return started;
}

void FormServices::stopSound()
{
    Value playing = sound_;
    sound_ = Value();
    narration_ = Value();
    if (!playing.isNil() && velIsPlaying(playing))
        velStop(playing);
}

void FormServices::narrate(bool onRequest)
{
    Configuration& configuration = engine_.configuration();
    if (!onRequest &&
        (!configuration.getTruth("SoundEffects", true) || !configuration.getTruth("PlayNarrator", true)))
        return;
    Value narrator = form_.property("Narrator");
    if (narrator.isNil())
        return;
    engine_.setCursor(Cursor::make(CursorKind::Wait));
    stopSound();
    if (asList(narrator)) {
        narration_ = narrator;
        nextPart_ = 0;
        playNextNarration();
    } else {
        playAudio(narrator, false);
    }
    velControlObject* under = asControl(form_.controlUnderPointer());
    engine_.setCursor(under ? under->cursor() : Value());
}

void FormServices::playNextNarration()
{
    // Parts that cannot be played are passed over.
    while (List* parts = asList(narration_)) {
        if (nextPart_ >= parts->count()) {
            narration_ = Value();
            return;
        }
        Value part = parts->get(nextPart_++);
        Value rest = narration_;
        if (playAudio(part, false)) {
            narration_ = rest;
            return;
        }
        narration_ = rest;
    }
}

void FormServices::mediaNotified(const Value& notice)
{
    List* parts = asList(notice);
    if (sound_.isNil() || !parts || parts->count() < 2 || parts->get(0).object() != sound_.object())
        return;
    const bool ended = isAnswer(parts->get(1), "ended");
    if (!ended && !isAnswer(parts->get(1), "aborted"))
        return;
    sound_ = Value();
    if (ended && !narration_.isNil())
        playNextNarration();
    else
        narration_ = Value();
}

bool FormServices::openHelp(int32_t topic)
{
    Configuration& configuration = engine_.configuration();
    std::string path = platform::pathUnder(engine_.moduleDirectory(), kHelpFile);
    if (!platform::isFile(path))
        path = platform::pathUnder(platform::configuredPath(configuration.sourceDisk()), kHelpFile);
    std::string why;
    Value topics = readHelpTopics(path, why);
    if (topics.isNil()) {
        engine_.notice(why);
        return false;
    }
    dismissTip();
    runDialog(engine_, Value::adopt(Tag::Form, new HelpDialog(engine_, topics, topic)), Value());
    return true;
}

std::string FormServices::locateFile(std::string_view name, std::string_view candidates) const
{
    Configuration& configuration = engine_.configuration();
    std::string path;
    if (configuration.fullInstall()) {
        path = platform::pathUnder(
            platform::pathUnder(engine_.moduleDirectory(), textOf(configuration.get("MediaPath"))), name);
    } else {
        for (std::string_view directory : platform::listedDirectories(candidates)) {
            std::string candidate = platform::pathUnder(platform::configuredPath(directory), name);
            if (platform::isFile(candidate)) {
                path = candidate;
                break;
            }
        }
        if (path.empty())
            path = platform::pathUnder(platform::configuredPath(configuration.sourceDisk()), name);
    }
    if (!platform::isFile(path) && configuration.traceFileOpens())
        engine_.notice("N\xE3o foi poss\xEDvel localizar" + std::string(name));
    return path;
}

void FormServices::fadeBeforeMovie()
{
    Configuration& configuration = engine_.configuration();
    if (!configuration.getTruth("FullScreenVideo", false) && !configuration.getTruth("DoubleSizedVideo", false))
        return;
    // No length (or a negative one) is black at once.
    if (Transitions* transitions = engine_.transitions())
        transitions->fadeToColor(0, std::max(0, configuration.getInteger("FadeTime", 0)));
}

void FormServices::formClosing()
{
    tip_.dismiss();
    stopSound();
}

} // namespace vel
