#include "title/intro_form.h"

#include "controls/history.h"
#include "controls/video_view.h"
#include "platform/media_path.h"
#include "runtime/control.h"
#include "runtime/engine.h"
#include "runtime/movie.h"
#include "runtime/transitions.h"
#include "title/title_app.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

Value IntroForm::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Form, new IntroForm(engine_, data));
}

void IntroForm::fade(bool out)
{
    Transitions* transitions = engine_.transitions();
    if (!transitions)
        return;
    const int duration = std::max(0, titleFadeTime(engine_));
    if (out)
        transitions->fadeToColor(0, duration);
    else
        transitions->fadeFromColor(0, duration);
}

bool IntroForm::playMovie(const Value& name, bool wait)
{
    if (!name.is(Tag::String) || textOf(name).empty())
        return false;
    const std::string path = findMovieFile(engine_.configuration(), textOf(name));
    if (!platform::isFile(path))
        return false;
    movie_ = engine_.movies().open(path);
    Movie* movie = asMovie(movie_);
    if (!movie || !movie->open()) {
        movie_ = Value();
        return false;
    }
    Value keep = movie_;
    // The player's flag: a true one holds the program until the movie ends.
    if (!movie->showAndPlay(0, 0, -1, -1, true) || (wait && !movie->play(0, -1, true))) {
        stopMovie();
        return false;
    }
    return true;
}

void IntroForm::open(const Value& data)
{
    finished_ = false;
    fade(true);
    velLibraryForm::open(data);
    const List* arguments = asList(data);
    const Value name = arguments && arguments->count() > 0 ? arguments->get(0) : Value();
    const Value flag = arguments && arguments->count() > 1 ? arguments->get(1) : Value();
    const bool wait = flag.is(Tag::Int) && flag.asInt() != 0;
    playMovie(name, wait);
    fade(false);
}

void IntroForm::afterOpen()
{
    velLibraryForm::afterOpen();
    // Nothing to watch: the main screen at once.
    if (movie_.isNil())
        finish();
}

void IntroForm::stopMovie()
{
    // Forgotten first: the stop reports "aborted", which must find nothing left to finish.
    Value movie = movie_;
    movie_ = Value();
    if (Movie* m = asMovie(movie))
        m->close();
}

void IntroForm::close()
{
    stopMovie();
    velLibraryForm::close();
}

void IntroForm::finish()
{
    if (finished_)
        return;
    finished_ = true;
    stopMovie();
    fade(true);
    History& history = History::of(engine_);
    // Ended while it opens, the intro is not yet known to the history as a screen outside it: its
    // current entry is the one to show. Opened some other way than by start-up, the intro has nothing
    // under it: the main screen.
    if (history.canGoBack())
        history.historyBack(false);
    else if (history.count() > 0)
        history.historyGo(history.index());
    else
        engine_.navigation().goTo(Value::string("MainForm"), Value(), true);
}

void IntroForm::controlClicked(const Value& control)
{
    const Value self = this->self();
    if (textOf(velGet(control, Value::string("Name"))) == "ScreenHotspot")
        finish();
    velLibraryForm::controlClicked(control);
}

void IntroForm::keyDown(int32_t, int32_t)
{
    const Value self = this->self();
    finish();
}

void IntroForm::dataEvent(const Value& first, const Value& second)
{
    const Value self = this->self();
    velLibraryForm::dataEvent(first, second);
    const List* notice = asList(first);
    if (!notice || notice->count() < 2 || movie_.isNil() || !(notice->get(0) == movie_))
        return;
    const std::string_view what = textOf(notice->get(1));
    if (what == "ended" || what == "aborted")
        finish();
}

} // namespace vel
