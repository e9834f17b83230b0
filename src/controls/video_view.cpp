#include "controls/video_view.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "controls/plain_drawing.h"
#include "platform/clock.h"
#include "platform/media_path.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/movie.h"
#include "runtime/surface.h"
#include "value/builtins.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr std::string_view kStill = "blackvfw.rle";

bool isMpeg(const Movie& movie)
{
    return movie.extension() == "MPG" || movie.extension() == "MPEG" || movie.extension() == "MPE";
}

} // namespace

VideoView::VideoView(Engine& engine, const Value& properties) : velLibraryControl(engine, properties) {}

VideoView::~VideoView()
{
    // The movie goes with its view, not on into the next form.
    if (Movie* m = asMovie(movie_))
        m->close();
}

Value VideoView::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new VideoView(engine_, data));
}

std::string findMovieFile(const Configuration& configuration, std::string_view name)
{
    std::string file(name);
    if (file.find('.') == std::string::npos) {
        const Value extension = configuration.get("VideoExtension");
        file += "." + std::string(extension.is(Tag::String) ? textOf(extension) : "avi");
    }
    std::string first;
    for (const char* key : {"VideoPath", "AltVideoPath"}) {
        const Value setting = configuration.get(key);
        if (!setting.is(Tag::String))
            continue;
        for (std::string_view directory : platform::listedDirectories(textOf(setting)))
            for (const std::string& candidate :
                 {platform::pathUnder(platform::configuredPath(directory), file),
                  platform::pathUnder(configuration.mediaRoot(), joinPath(directory, file))}) {
                if (first.empty())
                    first = candidate;
                if (platform::isFile(candidate))
                    return candidate;
            }
    }
    return first.empty() ? platform::pathUnder(configuration.mediaRoot(), file) : first;
}

std::string VideoView::resolveMovie(std::string_view name) const
{
    return findMovieFile(engine_.configuration(), name);
}

std::string VideoView::movieName() const
{
    Value name = chosenName_.isNil() ? engine_.resources().resolve(property("VideoName")) : chosenName_;
    const Value archiveName = engine_.resources().resolve(property("VideoArchive"));
    if (archiveName.is(Tag::String) && !textOf(archiveName).empty()) {
        const bool useCompiled = engine_.configuration().getTruth("UseCompiledResources", true);
        const std::string archiveFile = std::string(textOf(archiveName)) + (useCompiled ? ".dat" : ".lst");
        const Value archive = engine_.resources().load(Value::string(archiveFile));
        // A list in the notation or a compiled archive: an index picks from it, no name takes the first.
        const List* list = asList(archive);
        const Archive* compiled = asArchive(archive);
        const int32_t count = list ? list->count() : compiled ? compiled->count() : 0;
        auto item = [&](int32_t i) { return list ? list->get(i) : compiled->get(i); };
        if (count > 0) {
            if (name.is(Tag::Int) && name.asInt() >= 0 && name.asInt() < count)
                name = item(name.asInt());
            else if (name.isNil())
                name = item(0);
        } else if (const Table* table = asTable(archive)) {
            if (!name.isNil())
                name = table->get(name);
        } else {
            engine_.notice("VideoArchive is not a movie list: " + archiveFile);
        }
    }
    return name.is(Tag::String) ? std::string(textOf(name)) : std::string();
}

int32_t VideoView::initialize()
{
    if (initialized_)
        uninitialize();
    playTillStopped_ = truth("PlayTillStoped", false);
    dismissCompleted_ = truth("DismissCompleted", false);
    fullScreen_ = truth("ShowFullScreen", false);
    const std::string name = movieName();
    if (!name.empty()) {
        movie_ = engine_.movies().open(resolveMovie(name));
        Movie* m = asMovie(movie_);
        // A movie that cannot open says so through the movie errors; the view keeps its still.
        if (m && m->open() && isMpeg(*m))
            fullScreen_ = false;
    }
    cues_ = engine_.resources().loadNamed(property("CueSheet"));
    cuedTo_ = seenFrame_ = -1;
    videoX_ = fullScreen_ ? 0 : integer("VideoX", hotSpotRect().left);
    videoY_ = fullScreen_ ? 0 : integer("VideoY", hotSpotRect().top);
    initialized_ = true;
    draw();
    return 1;
}

int32_t VideoView::reinitialize(const Value& movieName)
{
    engine_.setCursor(Cursor::make(CursorKind::Wait));
    if (initialized_)
        uninitialize();
    const Value name = engine_.resources().resolve(movieName);
    if (!name.isNil())
        chosenName_ = name;
    initialize();
    velFormObject* form = asForm(engine_.currentForm());
    velControlObject* under = form ? asControl(form->controlUnderPointer()) : nullptr;
    engine_.setCursor(under ? under->cursor() : Value());
    return 1;
}

int32_t VideoView::uninitialize()
{
    if (Movie* m = asMovie(movie_))
        m->close();
    movie_ = Value();
    initialized_ = false;
    return 1;
}

int32_t VideoView::start()
{
    if (!initialized_)
        initialize();
    Movie* m = asMovie(movie_);
    if (!m || !m->open())
        return 0;
    const bool started = m->isPaused() ? m->play(-1, -1, false) : m->showAndPlay(videoX_, videoY_, -1, -1, fullScreen_);
    fireCues();
    return started ? 1 : 0;
}

int32_t VideoView::stop()
{
    Movie* m = asMovie(movie_);
    if (!m)
        return 0;
    m->stop();
    return 1;
}

int32_t VideoView::isPlaying() const
{
    const Movie* m = asMovie(movie_);
    return m && m->isPlaying() ? 1 : 0;
}

int32_t VideoView::pause()
{
    Movie* m = asMovie(movie_);
    return m && m->pause() ? 1 : 0;
}

int32_t VideoView::rewind()
{
    Movie* m = asMovie(movie_);
    return m && m->rewind() ? 1 : 0;
}

int32_t VideoView::reset()
{
    // Back to the start with the still showing, as before the first play.
    Movie* m = asMovie(movie_);
    if (!m)
        return 0;
    m->stop();
    m->rewind();
    m->hide();
    draw();
    return 1;
}

int32_t VideoView::forward()
{
    Movie* m = asMovie(movie_);
    if (!m || !m->open())
        return 0;
    return m->seek(std::max(0, m->collectionCount() - 1)) ? 1 : 0;
}

Value VideoView::perform(const Value& action, const Value& arguments)
{
    if (!action.is(Tag::String))
        return velLibraryControl::perform(action, arguments);
    const std::string_view a = textOf(action);
    int32_t result = 0;
    if (a == "Initialize")
        result = initialize();
    else if (a == "Reinitialize")
        result = reinitialize(arguments);
    else if (a == "Uninitialize")
        result = uninitialize();
    else if (a == "Start")
        result = start();
    else if (a == "Stop")
        result = stop();
    else if (a == "IsPlaying")
        result = isPlaying();
    else if (a == "Pause")
        result = pause();
    else if (a == "Rewind")
        result = rewind();
    else if (a == "Reset")
        result = reset();
    else if (a == "Forward")
        result = forward();
    else
        return velLibraryControl::perform(action, arguments);
    return Value::integer(result);
}

platform::Rect VideoView::pictureArea() const
{
    const Movie* m = asMovie(movie_);
    if (m && m->opened() && m->isShown())
        return {m->left(), m->top(), m->left() + m->width(), m->top() + m->height()};
    if (m && m->opened())
        return {videoX_, videoY_, videoX_ + m->naturalWidth(), videoY_ + m->naturalHeight()};
    const platform::Rect spot = hotSpotRect();
    return {videoX_, videoY_, videoX_ + spot.width(), videoY_ + spot.height()};
}

void VideoView::drawStill()
{
    DrawingSurface* surface = engine_.surface();
    if (!surface || fullScreen_)
        return;
    const platform::Rect area = pictureArea();
    const Value still = engine_.resources().loadImage(Value::string(kStill));
    if (still.is(Tag::Image))
        drawImageAt(still, area.left, area.top);
    else
        surface->fill(area, colorRef(0, 0, 0));
}

void VideoView::draw()
{
    if (!isVisible())
        return;
    if (has("Frame")) {
        const platform::Rect spot = hotSpotRect();
        drawImageAt(imageProperty("Frame"), integer("FrameX", spot.left), integer("FrameY", spot.top),
                    imageProperty("FrameMask"));
    }
    if (initialized_ && !isPlaying())
        drawStill();
    if (Movie* m = asMovie(movie_); m && m->isShown())
        m->repaint();
    flush();
}

void VideoView::dataEvent(const Value& first, const Value& second)
{
    List* notice = asList(first);
    if (movie_.isNil() || !notice || notice->count() < 2 || notice->get(0).object() != movie_.object())
        return velLibraryControl::dataEvent(first, second);
    Value keep = Value::share(Tag::Control, this);
    const std::string_view what = textOf(notice->get(1));
    // The last frames' cues, passed in the step that ended it; at the end also those past it.
    fireCues(what == "ended");
    if (what == "ended" && playTillStopped_) {
        if (Movie* m = asMovie(movie_))
            m->play(0, -1, false);
        fireCues();
        return;
    }
    if (what != "ended" && what != "aborted")
        return;
    if (Movie* m = asMovie(movie_))
        m->stop();
    if (dismissCompleted_)
        setBoolean(Value::string("Disabled"), 1);
    draw();
}

bool VideoView::track(int32_t x, int32_t y, int32_t flags, int32_t clicks)
{
    const bool clicked = velLibraryControl::track(x, y, flags, clicks);
    if (clicked && truth("PlayOnClick", false))
        isPlaying() ? pause() : start();
    return clicked;
}

void VideoView::fireCues(bool toTheEnd)
{
    const Movie* m = asMovie(movie_);
    const Table* sheet = asTable(cues_);
    const int32_t frame = m ? m->position() : -1;
    if (!sheet || frame < 0)
        return;
    // Gone back (rewound, or started again): the cues from there on fire again.
    if (frame < seenFrame_)
        cuedTo_ = frame - 1;
    seenFrame_ = frame;
    const int32_t upTo = toTheEnd ? std::numeric_limits<int32_t>::max() : frame;
    std::vector<std::pair<int32_t, Value>> due;
    for (int32_t slot = sheet->firstIndex(); slot >= 0; slot = sheet->nextIndex(slot)) {
        const Value& key = sheet->keyRef(slot);
        if (key.is(Tag::Int) && key.asInt() > cuedTo_ && key.asInt() <= upTo)
            due.emplace_back(key.asInt(), sheet->valueRef(slot));
    }
    cuedTo_ = std::max(cuedTo_, upTo);
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    Value keep = Value::share(Tag::Control, this);
    const Value form = engine_.currentForm();
    // A cue that takes the program to another form ends the round: the rest were this form's.
    for (std::size_t i = 0; i < due.size() && engine_.currentForm() == form; ++i) {
        const List* parts = asList(due[i].second);
        if (parts && parts->count() > 0 && asList(parts->get(0))) {
            for (int32_t j = 0; j < parts->count() && engine_.currentForm() == form; ++j)
                performCue(parts->get(j));
        } else {
            performCue(due[i].second);
        }
    }
}

void VideoView::performCue(const Value& cue)
{
    const List* parts = asList(cue);
    velFormObject* form = asForm(engine_.currentForm());
    const Value control = form && parts && parts->count() >= 2 ? form->findControl(parts->get(0)) : Value();
    // A cue for a control the form lacks, or without an action, does nothing.
    if (control.is(Tag::Control) && parts->get(1).is(Tag::String))
        velPerform(control, parts->get(1), parts->count() >= 3 ? parts->get(2) : Value());
}

uint32_t VideoView::idle()
{
    fireCues();
    const Movie* m = asMovie(movie_);
    const Table* sheet = asTable(cues_);
    if (!m || !sheet || !m->isPlaying() || m->frameRate() <= 0)
        return platform::NothingDue;
    int64_t next = -1;
    for (int32_t slot = sheet->firstIndex(); slot >= 0; slot = sheet->nextIndex(slot)) {
        const Value& key = sheet->keyRef(slot);
        if (key.is(Tag::Int) && key.asInt() > cuedTo_ && (next < 0 || key.asInt() < next))
            next = key.asInt();
    }
    if (next < 0)
        return platform::NothingDue;
    const double wait = static_cast<double>(next - std::max(0, cuedTo_)) * 1000.0 / m->frameRate();
    return static_cast<uint32_t>(std::max(1.0, wait));
}

} // namespace vel
